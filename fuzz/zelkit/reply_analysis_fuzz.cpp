// The reply analysis over a reply body from the server: control bytes pick
// the request, the server level, the modes and the sizes of the caller's
// areas, which are allocated to their exact sizes; the rest is the body.
// The caller's allocated character-set counts must come back unchanged.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <vector>

#include "CLTSQLAN.h"
#include "zk_fuzz.h"

namespace {

// Function codes the analysis tells apart, and one it does not.
constexpr int32_t kFunctions[] = {1, 3, 5, 7, 8, 9, 10, 13, 18, 19, 20, 21, 35, 38, 39, 46, 49};
constexpr uint8_t kLevels = 32;
constexpr uint8_t kMaxVars = 8;
constexpr uint8_t kMaxCodes = 8;
constexpr uint8_t kMaxNames = 4;
constexpr uint8_t kUcs2Mode = 10;
constexpr uint8_t kConvertMode = 6;
constexpr int16_t kBlockFetch = 4;

// Control bits of the third byte.
enum : uint8_t {
  kLittleEndian = 0x01,
  kDescriptorForm = 0x02,
  kNames = 0x04,
  kTypeNames = 0x08,
  kUcs2 = 0x10,
  kConverted = 0x20,
  kBlock = 0x40,
  kParams = 0x80,
};

constexpr size_t kNameEntry = 32;
constexpr size_t kUcs2NameEntry = 62;
constexpr size_t kTypeEntry = 42;
constexpr size_t kUcs2TypeEntry = 80;
constexpr size_t kCsnaHead = 32;
constexpr size_t kCsnaCode = 2;
constexpr size_t kCsnaName = 64;
constexpr size_t kCsnaCounts = 12;

std::vector<uint8_t> sqlda_bytes(int16_t sqln) {
  std::vector<uint8_t> bytes(offsetof(SQLDA, sqlvar) + sizeof(SQLVAR) * static_cast<size_t>(std::max<int16_t>(sqln, 1)));
  auto* da = reinterpret_cast<SQLDA*>(bytes.data());
  da->sqln = sqln;
  da->sqld = sqln;
  return bytes;
}

std::vector<uint8_t> csna_bytes(int16_t codes, int16_t names) {
  std::vector<uint8_t> bytes(kCsnaHead + kCsnaCode * static_cast<size_t>(codes) + kCsnaName * static_cast<size_t>(names));
  const int16_t counts[4] = {codes, 0, names, 0};
  memcpy(bytes.data() + kCsnaCounts, counts, sizeof counts);
  return bytes;
}

// The caller's allocated counts of a character-set area.
bool allocated_kept(const std::vector<uint8_t>& csna, int16_t codes, int16_t names) {
  int16_t counts[4];
  memcpy(counts, csna.data() + kCsnaCounts, sizeof counts);
  return counts[0] == codes && counts[2] == names && counts[1] <= codes && counts[3] <= names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zkfuzz::input in(data, size);
  zkfuzz::running_call run;
  run.main.funccode = kFunctions[in.byte() % std::size(kFunctions)];
  run.main.srv_level = static_cast<int32_t>(~static_cast<uint32_t>(in.byte() % kLevels));
  const uint8_t flags = in.byte();
  const int16_t rows = static_cast<int16_t>(in.byte() % kMaxVars);
  const int16_t sqln1 = static_cast<int16_t>(in.byte() % kMaxVars);
  const int16_t sqln2 = static_cast<int16_t>(in.byte() % kMaxVars);
  const int16_t codes = static_cast<int16_t>(in.byte() % kMaxCodes);
  const int16_t names = static_cast<int16_t>(in.byte() % kMaxNames);
  const std::vector<uint8_t> body = in.rest();

  run.main.byteorder = (flags & kLittleEndian) != 0 ? 1 : 0;
  run.reply.descriptor_form = (flags & kDescriptorForm) != 0 ? 1 : 0;
  const bool ucs2 = (flags & kUcs2) != 0;
  run.env.pdcltcnvmode = ucs2 ? kUcs2Mode : (flags & kConverted) != 0 ? kConvertMode : 0;
  run.env.pdblkf = (flags & kBlock) != 0 ? kBlockFetch : 0;

  SQLCA sqlca{};
  rdb_sql_area area{};
  area.sqlca = &sqlca;
  area.fetchrows = rows;
  area.desckind = (flags & kNames) != 0 ? 'S' : ' ';
  area.attrkind = (flags & kTypeNames) != 0 ? 'T' : ' ';
  std::vector<uint8_t> da1 = sqlda_bytes(sqln1);
  std::vector<uint8_t> da2 = sqlda_bytes(sqln2);
  area.sqliasda = reinterpret_cast<SQLDA*>(da1.data());
  area.sqliasda2 = reinterpret_cast<SQLDA*>(da2.data());
  const size_t name_entry = ucs2 ? kUcs2NameEntry : kNameEntry;
  std::vector<uint8_t> colnames1(2 + name_entry * static_cast<size_t>(sqln1));
  std::vector<uint8_t> colnames2(2 + name_entry * static_cast<size_t>(sqln2));
  area.colnames1 = colnames1.data();
  area.colnames2 = colnames2.data();
  std::vector<uint8_t> types(2 + (ucs2 ? kUcs2TypeEntry : kTypeEntry) * static_cast<size_t>(std::max(sqln1, sqln2)));
  area.attrarea = types.data();
  std::vector<uint8_t> pair(2 * name_entry);
  area.namepair = pair.data();
  std::vector<uint8_t> csna1 = csna_bytes(codes, names);
  std::vector<uint8_t> csna2 = csna_bytes(codes, names);
  area.sqlcsna1 = csna1.data();
  area.sqlcsna2 = csna2.data();
  std::vector<uint32_t> params(static_cast<size_t>(sqln1 + sqln2));
  if ((flags & kParams) != 0) {
    run.main.param_flag = 1;
    run.main.param_pointer = params.data();
  }

  clt_reply_analyse(body.empty() ? nullptr : body.data(), static_cast<uint32_t>(body.size()), &area);
  // The caller's allocated counts are the caller's: a reply never raises
  // them, or the next reply into the same area would write past it.
  if (!allocated_kept(csna1, codes, names) || !allocated_kept(csna2, codes, names)) abort();
  return 0;
}
