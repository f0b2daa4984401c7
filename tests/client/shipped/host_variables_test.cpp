// Statements with input host variables through the shipped library
// against the test server's table set: every column type inserted through
// host variables and through the SQLDA that PREPARE describes, NULLs and
// array statements, checked against the server's tables; every caller
// area lies between guard bytes that must stay as they were.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "marlo_server.h"
#include "shipped_library.h"
#include "zk_harness.h"

namespace {

constexpr char kGroup[] = "sds01";
constexpr int16_t kLayout = 0x0802;
constexpr uint8_t kGuardByte = 0xA5;
constexpr size_t kGuard = 16;
constexpr int16_t kNull = -1;

// Caller areas, each between guard bytes.
class arena {
 public:
  void* take(size_t n) {
    used_ = (used_ + kGuard + 7) & ~size_t{7};
    if (used_ + n + kGuard > mem_.size()) return nullptr;
    void* p = &mem_[used_];
    memset(p, 0, n);
    blocks_.push_back({used_, n});
    used_ += n;
    return p;
  }
  template <typename T>
  T* make(size_t n = sizeof(T)) {
    return static_cast<T*>(take(n));
  }
  SQLDA* sqlda(int16_t n) {
    auto* da = make<SQLDA>(sizeof(SQLDA) + (static_cast<size_t>(n) - 1) * sizeof(SQLVAR));
    memcpy(da->sqldaid, "SQLDA   ", 8);
    da->sqln = n;
    da->sqld = n;
    return da;
  }
  // The bytes of `value` in an area of `size` bytes.
  void* value(const std::string& value, size_t size) {
    void* p = take(std::max(size, value.size()));
    memcpy(p, value.data(), value.size());
    return p;
  }
  int16_t* indicator(int16_t v) {
    auto* p = make<int16_t>();
    *p = v;
    return p;
  }
  // True when no byte outside the areas changed.
  bool intact() const {
    size_t next = 0;
    for (const auto& [at, n] : blocks_) {
      for (size_t i = next; i < at; ++i) {
        if (mem_[i] != kGuardByte) return false;
      }
      next = at + n;
    }
    for (size_t i = next; i < used_ + kGuard; ++i) {
      if (mem_[i] != kGuardByte) return false;
    }
    return true;
  }

 private:
  std::vector<uint8_t> mem_ = std::vector<uint8_t>(1 << 16, kGuardByte);
  std::vector<std::pair<size_t, size_t>> blocks_;
  size_t used_ = 0;
};

std::string le16(int16_t v) { return std::string(reinterpret_cast<const char*>(&v), 2); }
std::string le32(int32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }
std::string le64(int64_t v) { return std::string(reinterpret_cast<const char*>(&v), 8); }

void blank(char* field, size_t n, const char* text) {
  memset(field, ' ', n);
  memcpy(field, text, strnlen(text, n));
}

// One column type with the host variable that fills it.
struct typed {
  const char* name;
  uint8_t host_code;
  uint8_t column_code;
  uint32_t length;  // sqllen, or the 32-bit length of 0x90 and 0x92
  uint8_t precision;
  uint8_t scale;
  std::string host;    // the host variable's bytes, the rest of its area zero
  size_t host_size;    // its declared size
  std::string stored;  // the server's cell
  bool same_order;     // only when the server uses the client's byte order
};

const std::vector<typed>& every_type() {
  static const std::vector<typed> t = {
      {"C30", 0x30, 0xC0, 10, 0, 0, "abc", 11, "abc", false},
      {"C32", 0x32, 0xC4, 6, 0, 0, "xy    ", 6, "xy    ", false},
      {"B44", 0x44, 0x44, 4, 0, 0, "\x01\x02\x03\x04", 4, "\x01\x02\x03\x04", true},
      {"P64", 0x64, 0x64, 0, 8, 0, "\x01\x23\x45\x67\x8D", 5, "-12345678", false},
      {"P6E", 0x6E, 0x6E, 0, 6, 0, "\x01\x23\x45\x6C", 4, "123456", false},
      {"R70", 0x70, 0x70, 4, 0, 0, "\xAA\xBB\xCC\xDD", 4, "\xAA\xBB\xCC\xDD", false},
      {"R78", 0x78, 0x78, 3, 0, 0, "\x01\x02\x03", 3, "\x01\x02\x03", false},
      {"R7C", 0x7C, 0x7C, 8, 0, 0, "ABCDEFGH", 8, "ABCDEFGH", false},
      {"L90", 0x90, 0x90, 100, 0, 0, le32(5) + "hello", 104, "hello", false},
      {"L92", 0x92, 0x92, 100, 0, 0, le32(0) + le32(5) + "world", 108, "world", false},
      {"H9A", 0x9A, 0x9A, 4, 0, 0, le32(77), 4, "77", false},
      {"VA0", 0xA0, 0xA0, 10, 0, 0, le16(3) + "var", 12, "var", false},
      {"FA4", 0xA4, 0xA4, 4, 0, 0, "abcd", 4, "abcd", false},
      {"NB0", 0xB0, 0xB0, 4, 0, 0, le16(2) + "\x82\xa0\x82\xa2", 10, "\x82\xa0\x82\xa2", false},
      {"NB4", 0xB4, 0xB4, 2, 0, 0, "\x82\xa4\x82\xa6", 4, "\x82\xa4\x82\xa6", false},
      {"IE0", 0xE0, 0xE0, 8, 0, 0, le64(-5000000000LL), 8, "-5000000000", false},
      {"IE2", 0xE2, 0xE2, 4, 0, 0, le32(-7), 4, "-7", false},
      {"DE4", 0xE4, 0xE4, 0, 7, 2, "\x12\x34\x56\x7C", 4, "12345.67", false},
      {"DEA", 0xEA, 0xE4, 0, 5, 1, "-12345", 6, "-1234.5", false},
      {"DEC", 0xEC, 0xE4, 0, 4, 0, "1234", 4, "1234", false},
      {"IF0", 0xF0, 0xF0, 4, 0, 0, le32(42), 4, "42", false},
      {"IF4", 0xF4, 0xF4, 2, 0, 0, le16(-3), 2, "-3", false},
      {"VC8", 0xC8, 0xC8, 10, 0, 0, le16(2) + "c8", 12, "c8", false},
  };
  return t;
}

bool decimal_code(uint8_t c) { return c == 0x64 || c == 0x6E || c == 0xE4 || c == 0xEA || c == 0xEC; }
bool long_code(uint8_t c) { return c == 0x90 || c == 0x92; }
bool wide_indicator(uint8_t c) { return c == 0x91 || c == 0x93 || c == 0x9B; }

void describe(SQLVAR* v, uint8_t code, uint32_t length, uint8_t precision, uint8_t scale) {
  v->sqlcod = code;
  v->XDIM = 1;
  if (decimal_code(code & 0xFE)) {
    v->len.d.sqlprcsn = precision;
    v->len.d.sqlscale = scale;
  } else if (long_code(code & 0xFE)) {
    v->len.sqllen32 = length;
  } else {
    v->len.s.sqllen = static_cast<int16_t>(length);
  }
}

struct session {
  zk::temp_dir dir;
  std::unique_ptr<marlo::server> server;
  shipped::library lib;
  bool little_endian;

  explicit session(marlo::script s, const std::vector<marlo::table>& tables) : little_endian(s.little_endian) {
    setenv("PDMEMTRCFILE", dir.file("pdmem.trc").c_str(), 1);
    setenv("PDCLTPATH", dir.path.c_str(), 1);
    setenv("PDSERVICEGRP", kGroup, 1);
    setenv("PDHOST", "127.0.0.1", 1);
    setenv("PDAUTOCONNECT", "OFF", 1);
    setenv("PDSTANDARDSQLSTATE", "YES", 1);
    setenv("PDCHKARYINSERT", "YES", 1);
    if (s.little_endian) setenv("PDSRVTYPE", "PC", 1);
    s.services.push_back(kGroup);
    s.sql_service = true;
    s.standard_sqlstate = 'Y';
    for (const marlo::table& t : tables) EXPECT_EQ(s.tables.declare(t), "");
    server = std::make_unique<marlo::server>(std::move(s));
    setenv("PDFESHOST", ("127.0.0.1:" + std::to_string(server->name_port())).c_str(), 1);
  }

  int32_t run(zk::request& r) const { return lib.exsql(&r.area); }

  void connect() const {
    zk::request r{"CNCT"};
    blank(r.area.authid, sizeof r.area.authid, "scott");
    blank(r.area.passwd, sizeof r.area.passwd, "tiger");
    blank(r.area.cnctbody, sizeof r.area.cnctbody, "");
    ASSERT_EQ(lib.exsql(&r.area), 0) << r.message();
  }
  void disconnect() const {
    zk::request r{"DISC"};
    lib.exsql(&r.area);
  }

  std::vector<std::vector<marlo::cell>> rows(const char* table) const {
    const marlo::table_set set = server->tables();
    const marlo::table* t = set.find(table);
    return t != nullptr ? t->rows : std::vector<std::vector<marlo::cell>>{};
  }
  int count(const char* function) const {
    int n = 0;
    for (const marlo::request& q : server->requests()) n += q.function == function;
    return n;
  }
};

// A statement request with its text and first SQLDA.
void statement(zk::request& r, const std::string& text, uint16_t section, SQLDA* using_list) {
  r.statement(text);
  r.area.section = section;
  r.area.version = kLayout;
  r.area.sqliasda = using_list;
}

class HostVariables : public ::testing::TestWithParam<bool> {};

TEST_P(HostVariables, EveryColumnTypeIsInsertedThroughHostVariablesWithAndWithoutNulls) {
  marlo::script s;
  s.little_endian = GetParam();
  std::vector<typed> types;
  marlo::table t;
  t.name = "ALLTYPES";
  for (const typed& c : every_type()) {
    if (c.same_order && !s.little_endian) continue;
    types.push_back(c);
    t.columns.push_back(marlo::column::of(c.name, c.column_code, c.length, c.precision, c.scale));
  }
  session sess(s, {t});
  ASSERT_TRUE(sess.server->ok());
  ASSERT_EQ(sess.lib.error(), "");
  sess.connect();

  std::string text = "INSERT INTO ALLTYPES VALUES (";
  for (size_t i = 0; i < types.size(); ++i) text += i == 0 ? "?" : ", ?";
  text += ")";
  for (bool nulls : {false, true}) {
    SCOPED_TRACE(nulls);
    arena a;
    SQLDA* da = a.sqlda(static_cast<int16_t>(types.size()));
    for (size_t i = 0; i < types.size(); ++i) {
      const typed& c = types[i];
      SQLVAR* v = &da->sqlvar[i];
      describe(v, static_cast<uint8_t>(c.host_code | (nulls ? 1 : 0)), c.length, c.precision, c.scale);
      v->SQLDATA = a.value(c.host, c.host_size);
      if (nulls) {
        auto* ind = a.make<int32_t>();
        *ind = kNull;  // read as an i16 or an i32 by its code
        v->SQLIND = ind;
        if (!wide_indicator(v->sqlcod)) *reinterpret_cast<int16_t*>(ind) = kNull;
      }
    }
    zk::request r{"AUI2"};
    statement(r, text, 5, da);
    EXPECT_EQ(sess.run(r), 0) << r.message();
    EXPECT_TRUE(a.intact());
  }
  const auto rows = sess.rows("ALLTYPES");
  ASSERT_EQ(rows.size(), 2u);
  for (size_t i = 0; i < types.size(); ++i) {
    SCOPED_TRACE(types[i].name);
    EXPECT_EQ(rows[0][i], marlo::cell::of(types[i].stored));
    EXPECT_TRUE(rows[1][i].null);
  }
  sess.disconnect();
}

INSTANTIATE_TEST_SUITE_P(BothByteOrders, HostVariables, ::testing::Values(false, true));

marlo::table staff() {
  marlo::table t;
  t.name = "STAFF";
  marlo::column id = marlo::column::of("ID", 0xF0, 4);
  id.nullable = false;
  t.columns = {id, marlo::column::of("NAME", 0xC0, 10), marlo::column::of("PAY", 0xE4, 0, 9, 2)};
  return t;
}

// A column-name area: a count and 32-byte entries.
std::string name_at(const uint8_t* area, int i) {
  uint16_t n;
  memcpy(&n, area + 2 + 32 * i, 2);
  return std::string(reinterpret_cast<const char*>(area + 4 + 32 * i), n);
}

TEST(ShippedHostVariables, PrepareDescribesTheSqldaThatExecuteThenFillsWithNullsAndArrays) {
  session sess(marlo::script{}, {staff()});
  ASSERT_TRUE(sess.server->ok());
  sess.connect();
  auto getparam = sess.lib.export_of<int32_t(void*)>("p_rdb_getparam");
  ASSERT_NE(getparam, nullptr);

  arena a;
  auto* per_column = a.make<uint32_t>(3 * sizeof(uint32_t));
  SQLDA* out = a.sqlda(3);
  SQLDA* in = a.sqlda(3);
  auto* out_names = a.make<uint8_t>(2 + 3 * 32);
  auto* in_names = a.make<uint8_t>(2 + 3 * 32);
  ASSERT_EQ(getparam(per_column), 0);
  zk::request prep{"SET "};
  statement(prep, "INSERT INTO STAFF VALUES (?, ?, ?)", 3, out);
  prep.area.sqliasda2 = in;
  prep.area.setvars = 'Y';
  prep.area.desckind = 'S';
  prep.area.colnames1 = out_names;
  prep.area.colnames2 = in_names;
  ASSERT_EQ(sess.run(prep), 0) << prep.message();
  EXPECT_EQ(prep.area.aryinsans, 'Y');
  EXPECT_EQ(out->sqld, 0);
  ASSERT_EQ(in->sqld, 3);
  EXPECT_EQ(in->sqlvar[0].sqlcod, 0xF0);
  EXPECT_EQ(in->sqlvar[1].sqlcod, 0xC1);
  EXPECT_EQ(in->sqlvar[1].len.s.sqllen, 10);
  EXPECT_EQ(in->sqlvar[2].sqlcod, 0xE5);
  EXPECT_EQ(in->sqlvar[2].len.d.sqlprcsn, 9);
  EXPECT_EQ(in->sqlvar[2].len.d.sqlscale, 2);
  EXPECT_EQ(name_at(in_names, 0), "ID");
  EXPECT_EQ(name_at(in_names, 2), "PAY");
  EXPECT_EQ(std::vector<uint32_t>(per_column, per_column + 3), (std::vector<uint32_t>{1, 2, 3}));

  // One row with a NULL.
  in->sqlvar[0].SQLDATA = a.value(le32(7), 4);
  in->sqlvar[1].SQLDATA = a.value(le16(3) + "Cho", 12);
  in->sqlvar[1].SQLIND = a.indicator(0);
  in->sqlvar[2].SQLDATA = a.value(std::string("\x00\x00\x01\x23\x4C", 5), 5);
  in->sqlvar[2].SQLIND = a.indicator(kNull);
  zk::request exec{"AUX "};
  statement(exec, "", 3, in);
  exec.area.sqltext = nullptr;
  ASSERT_EQ(sess.run(exec), 0) << exec.message();

  // Three rows at once; the per-row counts come back in the array given.
  in->sqlvar[0].len.s.SYS = 4;
  in->sqlvar[0].SQLDATA = a.value(le32(10) + le32(11) + le32(12), 12);
  in->sqlvar[1].len.s.SYS = 12;
  in->sqlvar[1].SQLDATA = a.value(le16(1) + "A" + std::string(9, '\0') + le16(0) + std::string(10, '\0') + le16(2) + "Cc", 36);
  in->sqlvar[1].SQLIND = a.value(le16(0) + le16(kNull) + le16(0), 6);
  in->sqlvar[2].len.s.SYS = 5;
  in->sqlvar[2].SQLDATA =
      a.value(std::string("\x00\x00\x00\x10\x0C\x00\x00\x00\x20\x0C\x00\x00\x00\x30\x0D", 15), 15);
  in->sqlvar[2].SQLIND = a.value(le16(0) + le16(0) + le16(0), 6);
  auto* counts = a.make<uint32_t>(3 * sizeof(uint32_t));
  ASSERT_EQ(getparam(counts), 0);
  zk::request rows{"AUX "};
  statement(rows, "", 3, in);
  rows.area.sqltext = nullptr;
  rows.area.arycount = 3;
  rows.area.elemsize = 1;
  ASSERT_EQ(sess.run(rows), 0) << rows.message();
  EXPECT_EQ(std::vector<uint32_t>(counts, counts + 3), (std::vector<uint32_t>{1, 1, 1}));
  EXPECT_TRUE(a.intact());

  const auto table = sess.rows("STAFF");
  using c = marlo::cell;
  const std::vector<std::vector<c>> expected = {{c::of("7"), c::of("Cho"), c::null_cell()},
                                                {c::of("10"), c::of("A"), c::of("1.00")},
                                                {c::of("11"), c::null_cell(), c::of("2.00")},
                                                {c::of("12"), c::of("Cc"), c::of("-3.00")}};
  EXPECT_EQ(table, expected);

  // ROLLBACK undoes all of it.
  zk::request roll{"ROLL"};
  EXPECT_EQ(sess.run(roll), 0) << roll.message();
  EXPECT_TRUE(sess.rows("STAFF").empty());
  sess.disconnect();
}

// p_rdb_abort while the server holds the EXECUTE's reply cancels it; the
// DISCONNECT after it sends nothing and ends the connection.
TEST(ShippedHostVariables, AnAbortedExecuteIsCancelledAndDisconnectSendsNothing) {
  marlo::script s;
  s.hold = "p_f_sqa_cauxi";
  session sess(s, {staff()});
  ASSERT_TRUE(sess.server->ok());
  sess.connect();
  auto abort_call = sess.lib.export_of<int32_t()>("p_rdb_abort");
  ASSERT_NE(abort_call, nullptr);

  zk::request exec{"AUXI"};
  statement(exec, "INSERT INTO STAFF (ID) VALUES (5)", 4, nullptr);
  int32_t rc = 0;
  std::thread caller([&] { rc = sess.run(exec); });
  for (int i = 0; i < 500 && sess.count("p_f_sqa_cauxi") == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_EQ(sess.count("p_f_sqa_cauxi"), 1);
  EXPECT_EQ(abort_call(), 0);
  caller.join();
  EXPECT_EQ(rc, -10);
  EXPECT_EQ(exec.sqlcode(), -735);
  EXPECT_EQ(exec.message(), "KFPA11735-E FES(SDS) canceled");

  zk::request leave{"DISC"};
  EXPECT_EQ(sess.run(leave), 0) << leave.message();
  EXPECT_EQ(sess.count("p_f_sqa_cdisconnect"), 0);
  sess.server->release();
  // The connection has ended: the next CONNECT opens a new one.
  sess.connect();
  sess.disconnect();
  EXPECT_EQ(sess.count("p_f_sqa_cdisconnect"), 1);
}

// A call of a second thread while the server holds the first thread's
// reply is refused, and the running call then ends with -725 too; the
// connection stays: the next calls go over it without a new CONNECT.
TEST(ShippedHostVariables, ARefusedCallLeavesTheRunningCallsConnection) {
  marlo::script s;
  s.hold = "p_f_sqa_cauxi";
  session sess(s, {staff()});
  ASSERT_TRUE(sess.server->ok());
  sess.connect();

  zk::request exec{"AUXI"};
  statement(exec, "INSERT INTO STAFF (ID) VALUES (5)", 4, nullptr);
  std::thread caller([&] { sess.run(exec); });
  for (int i = 0; i < 500 && sess.count("p_f_sqa_cauxi") == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_EQ(sess.count("p_f_sqa_cauxi"), 1);
  zk::request refused{"CMIT"};
  EXPECT_EQ(sess.run(refused), -80);
  EXPECT_EQ(refused.sqlcode(), -725);
  sess.server->release();
  caller.join();
  EXPECT_EQ(exec.sqlcode(), -725) << exec.message();

  zk::request again{"AUXI"};
  statement(again, "INSERT INTO STAFF (ID) VALUES (6)", 5, nullptr);
  EXPECT_EQ(sess.run(again), 0) << again.message();
  EXPECT_EQ(again.sqlcode(), 0) << again.message();
  zk::request commit{"CMIT"};
  EXPECT_EQ(sess.run(commit), 0) << commit.message();
  EXPECT_EQ(commit.sqlcode(), 0) << commit.message();
  EXPECT_EQ(sess.count("p_f_sqa_cconnect"), 1);
  EXPECT_EQ(sess.count("p_f_sqa_ccommit"), 1);
  sess.disconnect();
}

}  // namespace

namespace {

std::string file_text(const std::string& path) {
  FILE* f = fopen(path.c_str(), "rb");
  if (f == nullptr) return "";
  std::string text;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
  fclose(f);
  return text;
}

// An extended name {i16 length; text}.
void* extended_name(arena& a, int16_t length, const char* text) {
  auto* p = a.make<char>(2 + 40);
  memcpy(p, &length, 2);
  memcpy(p + 2, text, strlen(text));
  return p;
}

// An OPEN of section 3 under an extended cursor name.
void open_named(zk::request& r, arena& a, int16_t length, const char* name) {
  statement(r, "", 3, nullptr);
  r.area.sqltext = nullptr;
  r.area.extcursname = extended_name(a, length, name);
}

struct fault_case {
  const char* what;
  const char* reqcode;
  void (*build)(zk::request& r, arena& a);
  int32_t sqlcode;
  const char* message;
  const char* sqlstate;
  bool sqlvar_logged;
};

SQLDA* one_varchar(arena& a, uint8_t code, int16_t sqllen, const std::string& host, size_t size) {
  SQLDA* da = a.sqlda(1);
  describe(&da->sqlvar[0], code, static_cast<uint32_t>(sqllen), 0, 0);
  da->sqlvar[0].SQLDATA = a.value(host, size);
  return da;
}

const fault_case kFaults[] = {
    {"extended statement name of 31", "SET ",
     [](zk::request& r, arena& a) {
       statement(r, "SELECT * FROM STAFF", 3, nullptr);
       r.area.extstmtname = extended_name(a, 31, "S234567890123456789012345678901");
     },
     -107, "KFPA11107-E More than 30 characters in identifier S23456789012345678901234567890", "42520", false},
    {"extended cursor name of 0", "OPEN",
     [](zk::request& r, arena& a) { open_named(r, a, 0, ""); },
     -1801, "KFPA19801-E Invalid value of extended cursor name", "22516", false},
    {"extended cursor name from a digit", "OPEN",
     [](zk::request& r, arena& a) { open_named(r, a, 3, "1ab"); },
     -1801, "KFPA19801-E Invalid value of extended cursor name", "22516", false},
    {"VARCHAR longer than its length", "AUI2",
     [](zk::request& r, arena& a) {
       statement(r, "INSERT INTO STAFF (NAME) VALUES (?)", 5, one_varchar(a, 0xA0, 4, le16(9) + "abcd", 6));
     },
     -311, "KFPA11311-E Invalid data type or length of variable \"    1\" (using)", "07001", true},
    {"string without its zero", "AUI2",
     [](zk::request& r, arena& a) {
       statement(r, "INSERT INTO STAFF (NAME) VALUES (?)", 5, one_varchar(a, 0x30, 4, "abcde", 5));
     },
     -311, "KFPA11311-E Invalid data type or length of variable \"    1\" (using)", "07001", true},
    {"INTO variable of no type", "AUX ",
     [](zk::request& r, arena& a) {
       statement(r, "", 3, nullptr);
       r.area.sqltext = nullptr;
       r.area.sqliasda2 = one_varchar(a, 0x12, 4, "", 4);
     },
     -311, "KFPA11311-E Invalid data type or length of variable \"    1\" (into)", "07002", true},
    {"more variables in use than allocated", "AUI2",
     [](zk::request& r, arena& a) {
       SQLDA* da = one_varchar(a, 0xF0, 4, le32(1), 4);
       da->sqld = 2;
       statement(r, "INSERT INTO STAFF (ID) VALUES (?)", 5, da);
     },
     -310, "KFPA11310-E Invalid number of variables", "07008", false},
};

TEST(ShippedHostVariables, CallerFaultsAreReportedBeforeAnythingIsSent) {
  session sess(marlo::script{}, {staff()});
  ASSERT_TRUE(sess.server->ok());
  sess.connect();
  for (const fault_case& c : kFaults) {
    SCOPED_TRACE(c.what);
    arena a;
    zk::request r{c.reqcode};
    c.build(r, a);
    const size_t before = sess.server->requests().size();
    const std::string log_before = file_text(sess.dir.file("pderr1.trc"));
    EXPECT_EQ(sess.run(r), -10);
    EXPECT_EQ(r.sqlcode(), c.sqlcode);
    EXPECT_EQ(r.message(), c.message);
    EXPECT_EQ(r.sqlstate(), c.sqlstate);
    EXPECT_EQ(sess.server->requests().size(), before) << "nothing is sent";
    EXPECT_TRUE(a.intact());
    const std::string log = file_text(sess.dir.file("pderr1.trc")).substr(log_before.size());
    EXPECT_EQ(log.find("SQLVAR") != std::string::npos, c.sqlvar_logged) << log;
  }
  sess.disconnect();
}

// The data of the last request of a server function.
std::vector<uint8_t> last_request(const session& sess, const char* function) {
  std::vector<uint8_t> data;
  for (const marlo::request& q : sess.server->requests()) {
    if (q.function == function) data = q.data;
  }
  return data;
}

uint32_t be32_at(const std::vector<uint8_t>& b, size_t at) {
  return at + 4 <= b.size() ? uint32_t{b[at]} << 24 | uint32_t{b[at + 1]} << 16 | uint32_t{b[at + 2]} << 8 | b[at + 3]
                            : 0;
}

size_t lines_of(const std::string& text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')); }

// PREPARE describes the statement into the caller's SQLDAs only when its
// SET-variables byte asks for it; without it nothing is described, and a
// PREPARE without SQLDAs completes.
TEST(ShippedHostVariables, APrepareDescribesOnlyWhenItsSetVariablesByteAsks) {
  session sess(marlo::script{}, {staff()});
  ASSERT_TRUE(sess.server->ok());
  sess.connect();
  zk::request bare{"SET "};
  statement(bare, "SELECT * FROM STAFF", 3, nullptr);
  EXPECT_EQ(sess.run(bare), 0) << bare.message();
  EXPECT_EQ(bare.sqlcode(), 0) << bare.message();
  for (char setvars : {'N', 'Y'}) {
    SCOPED_TRACE(setvars);
    arena a;
    SQLDA* out = a.sqlda(3);
    out->sqld = 0;
    zk::request prep{"SET "};
    statement(prep, "SELECT * FROM STAFF", 4, out);
    prep.area.setvars = setvars;
    ASSERT_EQ(sess.run(prep), 0) << prep.message();
    EXPECT_EQ(out->sqld, setvars == 'Y' ? 3 : 0);
  }
  sess.disconnect();
}

// Two threads share the connection: one fetches from a held cursor while
// the other commits over and over. Each call either runs or is refused
// (the running one then ends with -725 too); none ends the connection.
TEST(ShippedHostVariables, CommitsFromAnotherThreadNeverEndTheFetchingConnection) {
  constexpr int kCommits = 600;
  constexpr int32_t kRefused = -725;
  constexpr uint16_t kSection = 6;
  marlo::script s;
  s.block.generated["STAFF"] = marlo::generated_rows{1000000, [](size_t i) {
    return std::vector<marlo::cell>{marlo::cell::of(std::to_string(i)), marlo::cell::of("n"), marlo::cell::of("1.00")};
  }};
  session sess(s, {staff()});
  ASSERT_TRUE(sess.server->ok());
  sess.connect();
  arena a;
  SQLDA* into = one_varchar(a, 0xF0, 4, le32(0), 4);
  zk::request prep{"SET "};
  statement(prep, "SELECT ID FROM STAFF", kSection, into);
  ASSERT_EQ(sess.run(prep), 0) << prep.message();
  zk::request open{"OPN2"};
  statement(open, "", kSection, nullptr);
  open.area.sqltext = nullptr;
  open.area.hold = 'Y';
  ASSERT_EQ(sess.run(open), 0) << open.message();

  std::atomic<bool> committing{true};
  std::vector<int32_t> fetch_codes;
  std::thread fetcher([&] {
    while (committing.load()) {
      zk::request fetch{"FETC"};
      statement(fetch, "", kSection, into);
      fetch.area.sqltext = nullptr;
      sess.run(fetch);
      if (fetch.sqlcode() != 0 && fetch.sqlcode() != kRefused) fetch_codes.push_back(fetch.sqlcode());
    }
  });
  std::vector<int32_t> commit_codes;
  for (int i = 0; i < kCommits; ++i) {
    zk::request commit{"CMIT"};
    sess.run(commit);
    if (commit.sqlcode() != 0 && commit.sqlcode() != kRefused) commit_codes.push_back(commit.sqlcode());
  }
  committing = false;
  fetcher.join();
  EXPECT_TRUE(fetch_codes.empty()) << fetch_codes.size() << " FETCHes failed, the first with " << fetch_codes[0];
  EXPECT_TRUE(commit_codes.empty()) << commit_codes.size() << " COMMITs failed, the first with " << commit_codes[0];
  EXPECT_EQ(sess.count("p_f_sqa_cconnect"), 1);
  sess.disconnect();
}

// A statement request tells the server how many lines the connection's
// error log has written so far.
TEST(ShippedHostVariables, AStatementRequestCarriesTheErrorLogsLineCount) {
  constexpr size_t kErrlogCounterAt = 120;
  session sess(marlo::script{}, {staff()});
  ASSERT_TRUE(sess.server->ok());
  sess.connect();
  auto insert = [&](int32_t id) {
    arena a;
    zk::request r{"AUI2"};
    statement(r, "INSERT INTO STAFF (ID) VALUES (?)", 5, one_varchar(a, 0xF0, 4, le32(id), 4));
    EXPECT_EQ(sess.run(r), 0) << r.message();
    return be32_at(last_request(sess, "p_f_sqa_cauxi2"), kErrlogCounterAt);
  };
  const uint32_t before = insert(1);
  const size_t lines_before = lines_of(file_text(sess.dir.file("pderr1.trc")));
  arena a;
  zk::request faulty{"AUI2"};
  statement(faulty, "INSERT INTO STAFF (NAME) VALUES (?)", 5, one_varchar(a, 0xA0, 4, le16(9) + "abcd", 6));
  EXPECT_EQ(sess.run(faulty), -10);
  const size_t logged = lines_of(file_text(sess.dir.file("pderr1.trc"))) - lines_before;
  ASSERT_GT(logged, 0u);
  EXPECT_EQ(insert(2), before + logged);
  sess.disconnect();
}

// String values go out with their own bytes only: what the caller's area
// holds past a value's length or its terminating zero stays at home.
TEST(ShippedHostVariables, NothingPastAStringValueIsSent) {
  constexpr char kStale[] = "STALE!";
  struct row {
    const char* what;
    uint8_t code;
    const char* insert;
    size_t column;
    std::string host;
  };
  const row rows[] = {
      {"VARCHAR", 0xA0, "INSERT INTO NOTES (VA) VALUES (?)", 0, le16(2) + "ab" + kStale},
      {"zero-terminated", 0x30, "INSERT INTO NOTES (VC) VALUES (?)", 1, std::string("ab\0", 3) + kStale},
  };
  marlo::table notes;
  notes.name = "NOTES";
  notes.columns = {marlo::column::of("VA", 0xA0, 8), marlo::column::of("VC", 0xC0, 8)};
  session sess(marlo::script{}, {notes});
  ASSERT_TRUE(sess.server->ok());
  sess.connect();
  for (const row& t : rows) {
    SCOPED_TRACE(t.what);
    arena a;
    zk::request r{"AUI2"};
    statement(r, t.insert, 5, one_varchar(a, t.code, 8, t.host, t.host.size() + 1));
    EXPECT_EQ(sess.run(r), 0) << r.message();
    const std::vector<uint8_t> sent = last_request(sess, "p_f_sqa_cauxi2");
    const std::string bytes(sent.begin(), sent.end());
    EXPECT_EQ(bytes.find("STA"), std::string::npos);
    const auto stored = sess.rows("NOTES");
    ASSERT_FALSE(stored.empty());
    EXPECT_EQ(stored.back()[t.column].bytes, "ab");
  }
  sess.disconnect();
}

// A national value whose conversion gives an odd byte count.
TEST(ShippedHostVariables, AnOddNationalConversionIsRefused) {
  marlo::script s;
  s.code_set = "5u";
  setenv("PDCLTCNVMODE", "UTF8", 1);
  session sess(s, {staff()});
  ASSERT_TRUE(sess.server->ok());
  sess.connect();
  arena a;
  zk::request r{"AUI2"};
  statement(r, "INSERT INTO STAFF (NAME) VALUES (?)", 5, one_varchar(a, 0xB0, 2, le16(1) + "\x82\xa0", 6));
  const size_t before = sess.server->requests().size();
  EXPECT_EQ(sess.run(r), -10);
  EXPECT_EQ(r.sqlcode(), -306);
  EXPECT_EQ(r.message(), "KFPA11306-E Invalid data in input variable     1");
  EXPECT_EQ(r.sqlstate(), "22503");
  EXPECT_EQ(sess.server->requests().size(), before);
  EXPECT_TRUE(a.intact());
  sess.disconnect();
  unsetenv("PDCLTCNVMODE");
}

}  // namespace

namespace {

// A connection through the ODBC exports, with a context of its own.
struct odbc_connection {
  int32_t (*init)(int32_t, void**);
  int32_t (*term)(int32_t, void*);
  int32_t (*exodbc)(int32_t, rdb_sql_area*, rdb_odbc_buf*);
  void* handle = nullptr;
  rdb_odbc_buf buf{};

  explicit odbc_connection(const shipped::library& lib)
      : init(lib.export_of<int32_t(int32_t, void**)>("p_rdb_initodbc")),
        term(lib.export_of<int32_t(int32_t, void*)>("p_rdb_termodbc")),
        exodbc(lib.export_of<int32_t(int32_t, rdb_sql_area*, rdb_odbc_buf*)>("p_rdb_exodbc")) {}
  void connect() {
    ASSERT_TRUE(init != nullptr && term != nullptr && exodbc != nullptr);
    ASSERT_EQ(init(0, &handle), 0);
    buf.ctxhandle = handle;
    zk::request cn{"CNCT"};
    blank(cn.area.authid, sizeof cn.area.authid, "scott");
    blank(cn.area.passwd, sizeof cn.area.passwd, "tiger");
    blank(cn.area.cnctbody, sizeof cn.area.cnctbody, "");
    ASSERT_EQ(run(&cn.area), 0) << cn.message();
  }
  int32_t run(rdb_sql_area* area) { return exodbc(0, area, &buf); }
  void disconnect() {
    zk::request disc{"DISC"};
    run(&disc.area);
    term(0, handle);
  }
};

// The same statements on an ODBC connection: the ODBC buffer carries the
// per-column array of PREPARE and the array of an array INSERT's counts.
TEST(ShippedHostVariables, AnOdbcConnectionPreparesAndInsertsThroughItsBuffer) {
  session sess(marlo::script{}, {staff()});
  ASSERT_TRUE(sess.server->ok());
  odbc_connection cn(sess.lib);
  ASSERT_NO_FATAL_FAILURE(cn.connect());
  rdb_odbc_buf& odbc = cn.buf;

  arena a;
  // One entry for each variable the two SQLDAs hold.
  auto* per_column = a.make<uint32_t>(3 * sizeof(uint32_t));
  SQLDA* out = a.sqlda(2);
  SQLDA* in = a.sqlda(1);
  zk::request prep{"SET "};
  statement(prep, "SELECT NAME, PAY FROM STAFF WHERE ID = ?", 3, out);
  prep.area.sqliasda2 = in;
  prep.area.setvars = 'Y';
  odbc.paramflag = 1;
  odbc.parampointer = per_column;
  ASSERT_EQ(cn.run(&prep.area), 0) << prep.message();
  EXPECT_EQ(out->sqld, 2);
  EXPECT_EQ(out->sqlvar[0].sqlcod, 0xC1);
  EXPECT_EQ(in->sqld, 1);
  EXPECT_EQ(in->sqlvar[0].sqlcod, 0xF0);
  // The output columns' positions, then the input's behind them.
  EXPECT_EQ(std::vector<uint32_t>(per_column, per_column + 3), (std::vector<uint32_t>{2, 3, 1}));

  SQLDA* ids = a.sqlda(1);
  describe(&ids->sqlvar[0], 0xF0, 4, 0, 0);
  ids->sqlvar[0].len.s.SYS = 4;
  ids->sqlvar[0].SQLDATA = a.value(le32(1) + le32(2), 8);
  auto* counts = a.make<uint32_t>(2 * sizeof(uint32_t));
  odbc.parampointer = counts;
  zk::request ins{"AUI2"};
  statement(ins, "INSERT INTO STAFF (ID) VALUES (?)", 5, ids);
  ins.area.arycount = 2;
  ins.area.elemsize = 1;
  ASSERT_EQ(cn.run(&ins.area), 0) << ins.message();
  EXPECT_EQ(std::vector<uint32_t>(counts, counts + 2), (std::vector<uint32_t>{1, 1}));
  EXPECT_TRUE(a.intact());
  EXPECT_EQ(sess.rows("STAFF").size(), 2u);

  cn.disconnect();
  EXPECT_EQ(sess.count("p_f_sqa_cdisconnect"), 1);
}

}  // namespace

namespace {

// STAFF with one row.
marlo::table staff_of_one() {
  marlo::table t = staff();
  t.rows = {{marlo::cell::of("1"), marlo::cell::of("Aoki"), marlo::cell::of("10.00")}};
  return t;
}

// PREPARE of the SELECT into `into` under the section, and OPEN of its cursor.
void open_ids(const std::function<int32_t(rdb_sql_area*)>& run, uint16_t section, SQLDA* into) {
  zk::request prep{"SET "};
  statement(prep, "SELECT ID FROM STAFF", section, into);
  ASSERT_EQ(run(&prep.area), 0) << prep.message();
  zk::request open{"OPN2"};
  statement(open, "", section, nullptr);
  open.area.sqltext = nullptr;
  ASSERT_EQ(run(&open.area), 0) << open.message();
}

// Two connections to one server use the same section and cursor; the
// DISCONNECT of one ends its own statements only, and the other's cursor
// goes on to its end.
TEST(ShippedHostVariables, ADisconnectEndsOnlyItsOwnConnectionsStatements) {
  constexpr uint16_t kSection = 6;
  session sess(marlo::script{}, {staff_of_one()});
  ASSERT_TRUE(sess.server->ok());
  arena a;
  SQLDA* into = one_varchar(a, 0xF0, 4, le32(0), 4);
  sess.connect();
  open_ids([&](rdb_sql_area* area) { return sess.lib.exsql(area); }, kSection, into);

  odbc_connection cn(sess.lib);
  ASSERT_NO_FATAL_FAILURE(cn.connect());
  auto odbc_run = [&](rdb_sql_area* area) { return cn.run(area); };
  open_ids(odbc_run, kSection, into);
  EXPECT_EQ(sess.server->open_cursors(), 2u);

  sess.disconnect();
  EXPECT_EQ(sess.server->open_cursors(), 1u);
  zk::request fetch{"FETC"};
  statement(fetch, "", kSection, into);
  fetch.area.sqltext = nullptr;
  ASSERT_EQ(odbc_run(&fetch.area), 0) << fetch.message();
  int32_t id = 0;
  memcpy(&id, into->sqlvar[0].SQLDATA, sizeof id);
  EXPECT_EQ(id, 1);
  EXPECT_EQ(odbc_run(&fetch.area), 100) << fetch.message();

  cn.disconnect();
  EXPECT_EQ(sess.count("p_f_sqa_cdisconnect"), 2);
  EXPECT_TRUE(a.intact());
}

// The server information that the test server answers reaches
// p_rdb_srvinf's buffer and p_rdb_get_CltInf's items 9 to 11.
TEST(ShippedHostVariables, TheServerInformationReachesTheClientInformationItems) {
  constexpr size_t kInfoSize = 512;
  constexpr size_t kCodeSetAt = 24;
  marlo::script s;
  s.info.byte26 = 3;
  s.info.byte27 = 'Y';
  session sess(s, {staff()});
  ASSERT_TRUE(sess.server->ok());
  auto srvinf = sess.lib.export_of<int32_t(uint32_t, rdb_sql_area*)>("p_rdb_srvinf");
  auto cltinf = sess.lib.export_of<int32_t(int16_t, int16_t, int16_t*, void*)>("p_rdb_get_CltInf");
  ASSERT_TRUE(srvinf != nullptr && cltinf != nullptr);
  sess.connect();

  std::vector<uint8_t> info(kInfoSize, 0xEE);
  zk::request r{"    "};
  r.area.srvinfbuf = info.data();
  ASSERT_EQ(srvinf(1, &r.area), 0) << r.message();
  EXPECT_EQ(std::string(info.begin() + kCodeSetAt, info.begin() + kCodeSetAt + 2), "1j");
  EXPECT_EQ(info[26], 3);
  EXPECT_EQ(info[27], 'Y');
  // An item the server does not serve is its error, not a success.
  zk::request other{"    "};
  other.area.srvinfbuf = info.data();
  EXPECT_NE(srvinf(2, &other.area), 0);
  EXPECT_LT(other.sqlcode(), 0);

  const struct {
    int16_t item;
    int16_t size;
    uint32_t expect;
  } items[] = {{9, 1, 3}, {10, 1, 'Y'}, {11, 4, 3 + 4}};  // byte 26 of 3 adds 3, byte 27 of 'Y' adds 4
  for (const auto& c : items) {
    SCOPED_TRACE(c.item);
    uint32_t out = 0;
    int16_t length = 0;
    ASSERT_EQ(cltinf(c.item, c.size, &length, &out), 0);
    EXPECT_EQ(length, c.size);
    EXPECT_EQ(c.size == 1 ? out & 0xFF : out, c.expect);
  }
  sess.disconnect();
}

}  // namespace
