// Texts a server or a caller hands to the character conversion: every
// converter type, as each conversion mode sets the two slots up, stores
// and measures the same bytes. Storing must keep within its output, a cut
// must give the start of the whole result, and measuring must store
// nothing and need what storing produced.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <memory>
#include <vector>

#include "clt_cnv.h"

namespace {

constexpr size_t kGuard = 8;
constexpr uint8_t kGuardByte = 0xCC;
constexpr int32_t kMostGrowth = 4;  // bytes out per byte in, at most
constexpr uint8_t kNamedLibrary = 1;  // control bit: a user library is named
constexpr const char* kAbsentLibrary = "absent.so";  // never loaded: its conversions are replacements

struct outcome {
  int32_t rc;
  int32_t out;
  uint32_t replaced;
  std::vector<uint8_t> target;
};

void require(bool ok) {
  if (!ok) abort();
}

outcome run(clt_env& env, int32_t slot, const std::vector<uint8_t>& source, int32_t room, uint32_t mode) {
  outcome o{0, -1, 0, std::vector<uint8_t>(static_cast<size_t>(room) + 2 * kGuard, kGuardByte)};
  int32_t length = static_cast<int32_t>(source.size());
  int32_t size = room;
  o.rc = clt_cnv_convert_env(env, slot, &length, reinterpret_cast<const char*>(source.data()), &size,
                             reinterpret_cast<char*>(o.target.data() + kGuard), &o.out, &o.replaced, mode);
  for (size_t i = 0; i < kGuard; ++i) require(o.target[i] == kGuardByte && o.target[kGuard + room + i] == kGuardByte);
  require(o.out >= 0);
  if (mode == CLT_CNV_MEASURE) {
    for (int32_t i = 0; i < room; ++i) require(o.target[kGuard + i] == kGuardByte);
  } else {
    require(o.out <= room);
    for (int32_t i = o.out; i < room; ++i) require(o.target[kGuard + i] == kGuardByte);
  }
  return o;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const int32_t cut_room = 1 + data[0];
  const bool named = (data[1] & kNamedLibrary) != 0;
  // The text in a buffer of its own size, so that a read past it shows.
  const std::vector<uint8_t> source(data + 2, data + size);
  const int32_t room = kMostGrowth * static_cast<int32_t>(source.size()) + kMostGrowth;
  auto env = std::make_unique<clt_env>();
  if (named) strcpy(env->pdcltgaijidll, kAbsentLibrary);
  for (uint8_t mode = CLT_CNV_NOUSE; mode <= CLT_CNV_UTF8_EX2; ++mode) {
    env->pdcltcnvmode = mode;
    clt_cnv_setup(env.get(), mode);
    for (int32_t slot = CLT_CNV_SLOT_CLIENT; slot <= CLT_CNV_SLOT_SERVER; ++slot) {
      const outcome stored = run(*env, slot, source, room, CLT_CNV_STORE);
      const outcome measured = run(*env, slot, source, room, CLT_CNV_MEASURE);
      if (stored.rc != CLT_CNV_FULL) {
        require(measured.rc == stored.rc && measured.out == stored.out && measured.replaced == stored.replaced);
      }
      const outcome cut = run(*env, slot, source, cut_room, CLT_CNV_STORE);
      require(cut.out <= stored.out);
      require(memcmp(cut.target.data() + kGuard, stored.target.data() + kGuard, static_cast<size_t>(cut.out)) == 0);
    }
  }
  return 0;
}
