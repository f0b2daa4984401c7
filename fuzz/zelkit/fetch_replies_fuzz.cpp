// FETCH replies through p_rdb_exsql: the Marlo test server answers
// CONNECT, PREPARE and OPEN of a cursor properly, and every FETCH reply it
// makes is changed by the fuzzer's bytes before it goes. The first byte
// chooses the server's byte order, the FETCH (one row, an array of rows or
// a block) and the reply's form (column arrays, row records or the SQLDA
// form); a 16-bit length then cuts the reply (0: whole), and each further
// group of three bytes (a 16-bit place within the reply, a byte) changes
// one reply byte by exclusive or. Several FETCHes follow, so a kept block
// is served from too.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <memory>
#include <string>
#include <vector>

#include "marlo_server.h"
#include "sockadapt.h"
#include "zelkit.h"
#include "zk_fuzz.h"

namespace {

constexpr char kGroup[] = "sds01";
constexpr char kFetchFn[] = "p_f_sqa_cfetch";
constexpr int64_t kRoundUs = 500;
constexpr uint8_t kLittleEndian = 0x01;
constexpr uint8_t kSqldaForm = 0x08;  // a blank SQLCA mark: FETCH takes the SQLDA form
constexpr uint8_t kRowRecords = 0x10;  // blocks as row records
constexpr int kKinds = 3;              // one row, an array, a block
constexpr int kArray = 1;
constexpr int kBlock = 2;
constexpr char kBlockRows[] = "3";
constexpr int16_t kElements = 3;
constexpr int16_t kColumns = 3;
constexpr int kFetches = 4;
constexpr uint16_t kSection = 1;
constexpr int16_t kLayout = 0x802;

void blank(char* field, size_t n, const char* text) {
  memset(field, ' ', n);
  memcpy(field, text, strnlen(text, n));
}

struct request {
  rdb_sql_area area{};
  SQLCA sqlca{};
  std::vector<char> text;
  explicit request(const char* code) {
    memcpy(area.reqcode, code, sizeof area.reqcode);
    area.sqlca = &sqlca;
    memset(area.sqlstate, ' ', sizeof area.sqlstate);
    blank(area.name1, sizeof area.name1, "C1");
    blank(area.name2, sizeof area.name2, "S1");
    area.section = kSection;
    area.version = kLayout;
  }
  void statement(const std::string& sql) {
    const auto length = static_cast<int32_t>(sql.size());
    text.assign(sizeof length + sql.size() + 1, '\0');
    memcpy(text.data(), &length, sizeof length);
    memcpy(text.data() + sizeof length, sql.data(), sql.size());
    area.sqltext = reinterpret_cast<rdb_sql_text*>(text.data());
  }
  int32_t run() { return p_rdb_exsql(&area); }
};

// Rows of an INTEGER, a VARCHAR(12) and a DECIMAL(7,2), every column
// nullable, one NULL in each.
marlo::table rows() {
  using marlo::cell;
  marlo::table t;
  t.name = "T";
  t.columns = {marlo::column::of("I", 0xF0, 4), marlo::column::of("V", 0xC0, 12), marlo::column::of("D", 0xE4, 0, 7, 2)};
  t.rows = {{cell::of("1"), cell::of("one"), cell::of("1.25")},
            {cell::null_cell(), cell::of("two"), cell::of("-2.50")},
            {cell::of("3"), cell::null_cell(), cell::of("3.00")},
            {cell::of("4"), cell::of("four"), cell::null_cell()},
            {cell::of("5"), cell::of("five"), cell::of("0.05")}};
  return t;
}

// The INTO list: arrays of kElements for each column; a one-row FETCH
// fills the first element.
struct into_list {
  std::vector<uint8_t> list = std::vector<uint8_t>(offsetof(SQLDA, sqlvar) + kColumns * sizeof(SQLVAR), 0);
  int32_t i4[kElements] = {};
  struct vchar {
    int16_t n;
    char t[12];
  } vc[kElements] = {};
  uint8_t dec[kElements][4] = {};
  int16_t ind[kColumns][kElements] = {};

  SQLDA* make() {
    auto* da = reinterpret_cast<SQLDA*>(list.data());
    memcpy(da->sqldaid, "SQLDA   ", 8);
    da->sqln = kColumns;
    da->sqld = kColumns;
    auto set = [&](int i, uint8_t code, int16_t len, uint16_t sys, void* data) {
      SQLVAR& v = da->sqlvar[i];
      v.sqlcod = code;
      v.XDIM = 1;
      v.len.s.sqllen = len;
      v.len.s.SYS = sys;
      v.SQLDATA = data;
      v.SQLIND = ind[i];
    };
    set(0, 0xF1, 4, 0, i4);
    set(1, 0xC1, 12, sizeof(vchar), vc);
    set(2, 0xE5, 0, 0, dec);
    da->sqlvar[2].len.d.sqlprcsn = 7;
    da->sqlvar[2].len.d.sqlscale = 2;
    return da;
  }
};

// The fuzzer's changes to a reply body.
struct edits {
  uint16_t cut = 0;
  std::vector<std::pair<uint16_t, uint8_t>> flips;
  void apply(std::vector<uint8_t>* body) const {
    if (cut != 0 && cut < body->size()) body->resize(cut);
    if (body->empty()) return;
    for (const auto& [at, mask] : flips) (*body)[at % body->size()] ^= mask;
  }
};

void set_or_clear(const char* name, bool on, const char* value) {
  if (on) {
    setenv(name, value, 1);
  } else {
    unsetenv(name);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  zkfuzz::server_settings(kGroup);
  sa_set_round_us(kRoundUs);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zkfuzz::input in(data, size);
  const uint8_t control = in.byte();
  const int kind = (control >> 1) % kKinds;
  auto changes = std::make_shared<edits>();
  changes->cut = in.u16();
  while (in.left() >= 3) {
    const uint16_t at = in.u16();
    changes->flips.emplace_back(at, in.byte());
  }

  set_or_clear("PDBLKF", kind == kBlock, kBlockRows);
  set_or_clear("PDDFLNVAL", (control & kSqldaForm) != 0, "USE");
  marlo::script s;
  s.little_endian = (control & kLittleEndian) != 0;
  s.services.push_back(kGroup);
  s.sql_service = true;
  s.block.variant5 = (control & kRowRecords) != 0;
  if (!s.tables.declare(rows()).empty()) abort();
  s.reply_edit = [changes](const std::string& function, std::vector<uint8_t>* body) {
    if (function == kFetchFn) changes->apply(body);
  };
  marlo::server server(std::move(s));
  if (!server.ok()) return 0;
  setenv("PDFESHOST", ("127.0.0.1:" + std::to_string(server.name_port())).c_str(), 1);

  request connect("CNCT");
  blank(connect.area.authid, sizeof connect.area.authid, "scott");
  blank(connect.area.passwd, sizeof connect.area.passwd, "tiger");
  blank(connect.area.cnctbody, sizeof connect.area.cnctbody, "");
  if (connect.run() == 0 && connect.sqlca.SQLCODE == 0) {
    request prepare("SET ");
    prepare.statement("SELECT * FROM T");
    request open("OPEN");
    if (prepare.run() == 0 && open.run() == 0) {
      into_list into;
      request fetch("FETC");
      fetch.area.sqliasda = into.make();
      if (kind == kArray) {
        fetch.area.fetchrows = kElements;
        fetch.area.elemsize = 1;  // variable characters lie SYS apart
      }
      for (int i = 0; i < kFetches; ++i) fetch.run();
    }
  }

  zkfuzz::end_program();
  return 0;
}
