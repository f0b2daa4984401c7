// FETCH through the shipped library against the test server: the reply
// form each FETCH asks for, the description it sends or leaves to the
// server, and the row that reaches the caller's variables.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "marlo_fetch.h"
#include "marlo_server.h"
#include "shipped_library.h"
#include "zk_harness.h"

namespace {

using bytes = std::vector<uint8_t>;

constexpr char kGroup[] = "sds01";
constexpr char kConnectFn[] = "p_f_sqa_cconnect";
constexpr char kFetchFn[] = "p_f_sqa_cfetch";
constexpr uint32_t kLevel26 = ~26u;
constexpr size_t kMarkAt = 36 + 32 + 7;  // the SQLCA identifier's eighth character in reply_body
constexpr size_t kSlot0 = 20;            // the first list's part in the request header
constexpr size_t kFormByte = 69;
constexpr size_t kCodeAt = 56;

// A body of marlo::reply_body with a blank SQLCA mark and a data part.
bytes with_data(bytes b, const bytes& data) {
  b[kMarkAt] = ' ';
  if (data.empty()) return b;
  while (b.size() % 4 != 0) b.push_back(0);
  const uint32_t at = static_cast<uint32_t>(b.size());
  b.insert(b.end(), data.begin(), data.end());
  auto put32 = [&](size_t off, uint32_t v) {
    const uint32_t be = htonl(v);
    memcpy(b.data() + off, &be, 4);
  };
  put32(16, at);
  put32(0, static_cast<uint32_t>(b.size()));
  return b;
}

// One F0 column in the SQLDA form.
bytes sqlda_row(int32_t value) {
  return {0, 1, static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 8),
          static_cast<uint8_t>(value)};
}

// One F0 column in the descriptor form: the value after the descriptor.
bytes descriptor_row(int32_t value) {
  bytes d(16 + 16, 0);
  d[15] = 1;
  d[16 + 1] = 0xF0;
  d[16 + 5] = 4;
  d[16 + 11] = 32;
  const bytes v = sqlda_row(value);
  d.insert(d.end(), v.begin() + 2, v.end());
  return d;
}

void blank(char* field, size_t n, const char* text) {
  memset(field, ' ', n);
  memcpy(field, text, strnlen(text, n));
}

// What one FETCH request asked for.
struct fetch_request {
  bool description;  // the first list's part is present
  char form;         // 'Y' descriptor form, 'N' SQLDA form
};

struct session {
  zk::temp_dir dir;
  std::unique_ptr<marlo::server> server;
  shipped::library lib;

  session(const bytes& fetch_body, const char* options, bool little_endian = false,
          const marlo::table* rows = nullptr, marlo::fetch_options fetch = {},
          const std::map<std::string, bytes>& scripted = {}) {
    setenv("PDMEMTRCFILE", dir.file("pdmem.trc").c_str(), 1);
    setenv("PDSERVICEGRP", kGroup, 1);
    setenv("PDHOST", "127.0.0.1", 1);
    setenv("PDAUTOCONNECT", "OFF", 1);
    setenv("PDCLTOPTIONSTR", options, 1);
    marlo::script s;
    s.services.push_back(kGroup);
    s.little_endian = little_endian;
    s.bodies[kConnectFn] = with_data(marlo::connect_body(little_endian, "1j", "07-02-00", 777, kLevel26), {});
    if (!fetch_body.empty()) s.bodies[kFetchFn] = fetch_body;
    for (const auto& [function, body] : scripted) s.bodies[function] = body;
    s.default_body = with_data(marlo::reply_body(little_endian, 0, "00000", ""), {});
    if (rows != nullptr) {
      // The statement service answers CONNECT (which asks it for a blank
      // mark) unless it is scripted, OPEN and FETCH from the table.
      if (scripted.count(kConnectFn) == 0) s.bodies.erase(kConnectFn);
      s.sql_service = true;
      EXPECT_EQ(s.tables.declare(*rows), "");
      s.fetch = std::move(fetch);
    }
    server = std::make_unique<marlo::server>(std::move(s));
    setenv("PDFESHOST", ("127.0.0.1:" + std::to_string(server->name_port())).c_str(), 1);
  }
  // The connection ends as a program ends it, and takes its memory along.
  ~session() {
    zk::request leave{"DISC"};
    lib.exsql(&leave.area);
    unsetenv("PDCLTOPTIONSTR");
  }

  void connect() {
    zk::request r{"CNCT"};
    blank(r.area.authid, sizeof r.area.authid, "scott");
    blank(r.area.passwd, sizeof r.area.passwd, "tiger");
    blank(r.area.cnctbody, sizeof r.area.cnctbody, "");
    lib.exsql(&r.area);
    ASSERT_EQ(r.sqlca.SQLCODE, 0) << std::string(r.sqlca.sqlerrmc, static_cast<size_t>(r.sqlca.sqlerrml));
  }

  std::vector<fetch_request> fetches() const {
    std::vector<fetch_request> out;
    for (const marlo::request& q : server->requests()) {
      if (q.function != kFetchFn) continue;
      const std::string code = "FETC";
      const auto at = std::search(q.data.begin(), q.data.end(), code.begin(), code.end());
      if (at == q.data.end()) continue;
      const size_t start = static_cast<size_t>(at - q.data.begin()) - kCodeAt;
      uint32_t slot = 0;
      memcpy(&slot, q.data.data() + start + kSlot0, 4);
      out.push_back({slot != 0, static_cast<char>(q.data[start + kFormByte])});
    }
    return out;
  }
};

// A cursor's FETCH with one integer variable.
struct cursor_fetch {
  zk::request r{"FETC"};
  bytes list = bytes(offsetof(SQLDA, sqlvar) + 2 * sizeof(SQLVAR), 0);
  int32_t value = 0x5A5A5A5A;
  int16_t ind = 0;
  cursor_fetch() {
    blank(r.area.name1, sizeof r.area.name1, "C1");
    blank(r.area.name2, sizeof r.area.name2, "S1");
    r.area.section = 3;
    r.area.version = 0x802;
    r.area.blkf_perm1 = 1;
    r.area.blkf_perm2 = 1;
    SQLDA* da = sqlda();
    memcpy(da->sqldaid, "SQLDA   ", 8);
    da->sqln = 2;
    da->sqld = 1;
    da->sqlvar[0].sqlcod = 0xF0;
    da->sqlvar[0].XDIM = 1;
    da->sqlvar[0].len.s.sqllen = 4;
    da->sqlvar[0].SQLDATA = &value;
    da->sqlvar[0].SQLIND = &ind;
    r.area.sqliasda = da;
  }
  SQLDA* sqlda() { return reinterpret_cast<SQLDA*>(list.data()); }
  int32_t run(session& s) {
    memset(&r.sqlca, 0, sizeof r.sqlca);
    return s.lib.exsql(&r.area);
  }
};

struct step {
  const char* what;
  std::function<void(cursor_fetch&)> change;
  bool sends;
};

// Runs the FETCHes of `steps` in turn; each is one request and carries the
// description or not as its row says.
void run_steps(session& s, cursor_fetch& f, const std::vector<step>& steps, int32_t expect_rc) {
  size_t n = 0;
  for (const step& st : steps) {
    SCOPED_TRACE(st.what);
    st.change(f);
    ASSERT_EQ(f.run(s), expect_rc) << std::string(f.r.sqlca.sqlerrmc, static_cast<size_t>(f.r.sqlca.sqlerrml));
    const std::vector<fetch_request> seen = s.fetches();
    ASSERT_EQ(seen.size(), ++n) << "one request per FETCH";
    EXPECT_EQ(seen.back().description, st.sends);
    EXPECT_EQ(seen.back().form, 'N');
  }
}

TEST(ShippedFetch, AnUnchangedSqldaIsDescribedOnce) {
  session s(with_data(marlo::reply_body(false, 0, "00000", ""), sqlda_row(42)), "");
  ASSERT_TRUE(s.server->ok());
  ASSERT_EQ(s.lib.error(), "");
  s.connect();
  cursor_fetch f;
  run_steps(s, f,
            {{"first FETCH", [](cursor_fetch&) {}, true},
             {"unchanged", [](cursor_fetch&) {}, false},
             {"SYS changed", [](cursor_fetch& c) { c.sqlda()->sqlvar[0].len.s.SYS = 8; }, true},
             {"unchanged again", [](cursor_fetch& c) { c.value = 0; }, false}},
            0);
  EXPECT_EQ(f.value, 42);
}

// Past the end of the cursor nothing is converted, so any shape of SQLDA
// may ask; the description is kept all the same.
TEST(ShippedFetch, AChangedSqldaOrCursorIsDescribedAgain) {
  session s(with_data(marlo::reply_body(false, 100, "02000", ""), {}), "");
  ASSERT_TRUE(s.server->ok());
  s.connect();
  cursor_fetch f;
  char text[16] = {};
  SQLVAR& v = f.sqlda()->sqlvar[0];
  run_steps(s, f,
            {{"first FETCH", [](cursor_fetch&) {}, true},
             {"unchanged", [](cursor_fetch&) {}, false},
             {"sqlcod changed",
              [&](cursor_fetch&) {
                v.sqlcod = 0x30;
                v.len.s.sqllen = 10;
                v.SQLDATA = text;
              },
              true},
             {"unchanged", [](cursor_fetch&) {}, false},
             {"sqllen changed", [&](cursor_fetch&) { v.len.s.sqllen = 12; }, true},
             {"XDIM changed", [&](cursor_fetch&) { v.XDIM = 2; }, true},
             {"another cursor under the same section", [](cursor_fetch& c) { blank(c.r.area.name1, 30, "C2"); }, true},
             {"another statement identifier", [](cursor_fetch& c) { c.r.area.stmtid = 9; }, true},
             {"unchanged at the end", [](cursor_fetch&) {}, false}},
            100);
}

TEST(ShippedFetch, AFailedFetchKeepsNoDescription) {
  session s(with_data(marlo::reply_body(false, -204, "42000", "KFAA30204-E failed"), {}), "");
  ASSERT_TRUE(s.server->ok());
  s.connect();
  cursor_fetch f;
  for (int i = 0; i < 2; ++i) {
    f.run(s);
    EXPECT_EQ(f.r.sqlca.SQLCODE, -204);
    EXPECT_EQ(f.value, 0x5A5A5A5A);
  }
  const std::vector<fetch_request> seen = s.fetches();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_TRUE(seen[0].description);
  EXPECT_TRUE(seen[1].description);
}

TEST(ShippedFetch, TheEndOfTheCursorLeavesTheVariables) {
  session s(with_data(marlo::reply_body(false, 100, "02000", ""), sqlda_row(42)), "");
  ASSERT_TRUE(s.server->ok());
  s.connect();
  cursor_fetch f;
  EXPECT_EQ(f.run(s), 100);
  EXPECT_EQ(f.r.sqlca.SQLCODE, 100);
  EXPECT_EQ(std::string(f.r.sqlca.sqlerrmc, static_cast<size_t>(f.r.sqlca.sqlerrml)),
            "KFPA12100-I No rows satisfying search condition");
  EXPECT_EQ(f.value, 0x5A5A5A5A);
  EXPECT_EQ(f.ind, 0);
}

// The form each FETCH asks for and whether it carries the description,
// FETCH after FETCH of one unchanged SQLDA, as the server saw them.
struct form_case {
  const char* what;
  const char* options;
  bytes fetch_body;
  uint8_t large_code;  // a second variable of this code; 0: none
  int32_t rc;
  std::vector<fetch_request> expect;
};

TEST(ShippedFetch, EachFetchAsksForItsFormAndCarriesTheDescriptionAsCachingAllows) {
  const bytes sqlda_form = with_data(marlo::reply_body(false, 0, "00000", ""), sqlda_row(42));
  const bytes descriptor_form = with_data(marlo::reply_body(false, 0, "00000", ""), descriptor_row(42));
  // The end of the cursor under a marked SQLCA: nothing to convert.
  const bytes marked_end = marlo::reply_body(false, 100, "02000", "");
  const form_case cases[] = {
      {"the SQLDA form, described once", "", sqlda_form, 0, 0, {{true, 'N'}, {false, 'N'}, {false, 'N'}}},
      {"option S: the descriptor form, described every time, no copy kept", "S", descriptor_form, 0, 0,
       {{true, 'Y'}, {true, 'Y'}, {true, 'Y'}}},
      {"a marked SQLCA in the last reply forces the descriptor form", "", marked_end, 0, 100,
       {{true, 'N'}, {true, 'Y'}, {true, 'Y'}}},
      {"a large binary asks for the descriptor form and is still described once", "", descriptor_form, 0x90, 0,
       {{true, 'Y'}, {false, 'Y'}, {false, 'Y'}}},
      {"a reserved large object likewise", "", descriptor_form, 0x98, 0, {{true, 'Y'}, {false, 'Y'}, {false, 'Y'}}},
  };
  for (const form_case& c : cases) {
    SCOPED_TRACE(c.what);
    session s(c.fetch_body, c.options);
    ASSERT_TRUE(s.server->ok());
    s.connect();
    cursor_fetch f;
    bytes lob(64, 0);
    if (c.large_code != 0) {
      SQLDA* da = f.sqlda();
      da->sqld = 2;
      da->sqlvar[1].sqlcod = c.large_code;
      da->sqlvar[1].XDIM = 1;
      da->sqlvar[1].len.sqllen32 = 16;
      da->sqlvar[1].SQLDATA = lob.data();
    }
    for (size_t i = 0; i < c.expect.size(); ++i) {
      EXPECT_EQ(f.run(s), c.rc) << f.r.message();
      if (c.rc == 0) {
        EXPECT_EQ(f.value, 42);
      }
    }
    const std::vector<fetch_request> seen = s.fetches();
    ASSERT_EQ(seen.size(), c.expect.size()) << "one request per FETCH";
    for (size_t i = 0; i < seen.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(seen[i].description, c.expect[i].description);
      EXPECT_EQ(seen[i].form, c.expect[i].form);
    }
  }
}

// Rows of every kind of column through the test server's cursor: in the
// SQLDA form and the descriptor form, from a big-endian server and a "PC"
// one, NULLs with and without data.
struct typed_fetch {
  zk::request r{"FETC"};
  bytes list = bytes(offsetof(SQLDA, sqlvar) + 6 * sizeof(SQLVAR), 0);
  int32_t i4 = 0;
  char text[11] = {};
  char dec[6] = {};
  int64_t i8 = 0;
  struct {
    uint16_t n;
    char t[20];
  } vchar{};
  int16_t i2 = 0;
  int16_t ind[6] = {};
  typed_fetch() {
    blank(r.area.name1, sizeof r.area.name1, "C1");
    blank(r.area.name2, sizeof r.area.name2, "S1");
    r.area.version = 0x802;
    SQLDA* da = reinterpret_cast<SQLDA*>(list.data());
    memcpy(da->sqldaid, "SQLDA   ", 8);
    da->sqln = 6;
    da->sqld = 6;
    auto set = [&](int i, uint8_t code, int16_t len, void* data) {
      SQLVAR& v = da->sqlvar[i];
      v.sqlcod = code;
      v.XDIM = 1;
      v.len.s.sqllen = len;
      v.SQLDATA = data;
      v.SQLIND = &ind[i];
    };
    set(0, 0xF1, 4, &i4);
    set(1, 0x31, 10, text);
    set(2, 0xEB, 0, dec);
    da->sqlvar[2].len.d.sqlprcsn = 5;
    da->sqlvar[2].len.d.sqlscale = 2;
    set(3, 0xE1, 8, &i8);
    set(4, 0xA1, 20, &vchar);
    set(5, 0xF5, 2, &i2);
    r.area.sqliasda = da;
  }
  int32_t run(session& s) {
    memset(&r.sqlca, 0, sizeof r.sqlca);
    return s.lib.exsql(&r.area);
  }
};

// Every column the typed fetch reads, a row of values and one of NULLs.
marlo::table typed_table() {
  using marlo::cell;
  marlo::table t;
  t.name = "T";
  using marlo::column;
  t.columns = {column::of("I4", 0xF0, 4),  column::of("TXT", 0xC0, 10), column::of("DEC", 0xE4, 0, 5, 2),
               column::of("I8", 0xE0, 8),  column::of("VC", 0xA0, 20),  column::of("I2", 0xF4, 2)};
  t.rows = {{cell::of("7"), cell::of("abc"), cell::of("123.45"), cell::of("1234567890123"), cell::of("hello"), cell::of("-3")},
            {cell::null_cell(), cell::of("xyz"), cell::null_cell(), cell::of("-1"), cell::null_cell(), cell::of("9")}};
  return t;
}

// A table of one column and its values.
marlo::table one_column(const char* name, const marlo::column& c, const std::vector<marlo::cell>& values) {
  marlo::table t;
  t.name = name;
  t.columns = {c};
  for (const marlo::cell& v : values) t.rows.push_back({v});
  return t;
}

// PREPARE of the SELECT and OPEN of the cursor over it.
void open_cursor(session& s, const char* select) {
  constexpr int16_t kRoom = 8;
  bytes described(offsetof(SQLDA, sqlvar) + kRoom * sizeof(SQLVAR), 0);
  SQLDA* da = reinterpret_cast<SQLDA*>(described.data());
  memcpy(da->sqldaid, "SQLDA   ", 8);
  da->sqln = kRoom;
  zk::request prep{"SET "};
  blank(prep.area.name2, sizeof prep.area.name2, "S1");
  prep.area.version = 0x802;
  prep.statement(select);
  prep.area.sqliasda = da;
  ASSERT_EQ(s.lib.exsql(&prep.area), 0) << prep.message();
  zk::request open{"OPEN"};
  blank(open.area.name1, sizeof open.area.name1, "C1");
  blank(open.area.name2, sizeof open.area.name2, "S1");
  open.area.version = 0x802;
  ASSERT_EQ(s.lib.exsql(&open.area), 0) << open.message();
}

// Runs `body` in each of the option strings (the reply forms), against a
// big-endian server and a "PC" one.
void each_setting(std::initializer_list<const char*> forms, const std::function<void(const char*, bool)>& body) {
  for (const char* options : forms) {
    for (bool le : {false, true}) {
      SCOPED_TRACE(std::string(options) + (le ? " PC server" : " big-endian server"));
      if (le) {
        setenv("PDSRVTYPE", "PC", 1);
      } else {
        unsetenv("PDSRVTYPE");
      }
      body(options, le);
    }
  }
  unsetenv("PDSRVTYPE");
}

TEST(ShippedRows, EveryColumnInBothFormsFromBothKindsOfServer) {
  setenv("PDDFLNVAL", "USE", 1);
  each_setting({"", "S"}, [&](const char* options, bool le) {
    const marlo::table rows = typed_table();
    session s({}, options, le, &rows);
    ASSERT_TRUE(s.server->ok());
    s.connect();
    open_cursor(s, "SELECT * FROM T");
    typed_fetch f;
    ASSERT_EQ(f.run(s), 0) << std::string(f.r.sqlca.sqlerrmc, static_cast<size_t>(f.r.sqlca.sqlerrml));
    EXPECT_EQ(f.i4, 7);
    EXPECT_STREQ(f.text, "abc");
    EXPECT_EQ(std::string(f.dec, 6), "+12345");
    EXPECT_EQ(f.i8, 1234567890123ll);
    EXPECT_EQ(std::string(f.vchar.t, f.vchar.n), "hello");
    EXPECT_EQ(f.i2, -3);
    for (int16_t x : f.ind) EXPECT_EQ(x, 0);

    f.i4 = 55;
    memcpy(f.dec, "======", 6);
    f.vchar.n = 99;
    ASSERT_EQ(f.run(s), 0) << std::string(f.r.sqlca.sqlerrmc, static_cast<size_t>(f.r.sqlca.sqlerrml));
    EXPECT_EQ(f.ind[0], -1);
    EXPECT_EQ(f.ind[2], -1);
    EXPECT_EQ(f.ind[4], -1);
    EXPECT_STREQ(f.text, "xyz");
    EXPECT_EQ(f.i8, -1);
    EXPECT_EQ(f.i2, 9);
    if (options[0] == 'S') {
      // No value comes with a NULL column description: the variables stay.
      EXPECT_EQ(f.i4, 55);
      EXPECT_EQ(std::string(f.dec, 6), "======");
      EXPECT_EQ(f.vchar.n, 99);
    } else {
      // A blank mark and PDDFLNVAL=USE: the data after a NULL is stored.
      EXPECT_EQ(f.i4, 0);
      EXPECT_EQ(f.vchar.n, 0);
    }
    EXPECT_EQ(f.run(s), 100);
    EXPECT_EQ(s.fetches().size(), 3u);
  });
  unsetenv("PDDFLNVAL");
}

TEST(ShippedRows, FlaggedColumnsCarryTheServersAddressText) {
  const marlo::table rows = one_column("T", marlo::column::of("VC", 0xA0, 20), {marlo::cell::of("ab")});
  marlo::fetch_options flagged;
  flagged.flags = {0x01};
  setenv("PDDFLNVAL", "USE", 1);
  session s({}, "", false, &rows, flagged);
  ASSERT_TRUE(s.server->ok());
  s.connect();
  open_cursor(s, "SELECT * FROM T");
  typed_fetch f;
  reinterpret_cast<SQLDA*>(f.list.data())->sqld = 1;
  SQLVAR& v = reinterpret_cast<SQLDA*>(f.list.data())->sqlvar[0];
  v.sqlcod = 0xA1;
  v.len.s.sqllen = 20;
  v.SQLDATA = &f.vchar;
  ASSERT_EQ(f.run(s), 0) << std::string(f.r.sqlca.sqlerrmc, static_cast<size_t>(f.r.sqlca.sqlerrml));
  EXPECT_EQ(std::string(f.vchar.t, f.vchar.n), "127.0.0.1ab");
  unsetenv("PDDFLNVAL");
}

// A value longer than its variable comes cut to the variable's length, as
// a server cuts it: its indicator carries the full length, the reply
// warns, and the warnings reach the caller with SQLSTATE "01000"; a row
// that fits warns of nothing. In both reply forms, from both kinds of server.
TEST(ShippedRows, ValuesCutToTheirVariablesWarnWithTheirFullLength) {
  using marlo::cell;
  using marlo::column;
  setenv("PDDFLNVAL", "USE", 1);  // a blank mark: without option S, FETCH asks for the SQLDA form
  each_setting({"", "S"}, [&](const char* options, bool le) {
    marlo::table t;
    t.name = "T";
    t.columns = {column::of("TXT", 0xC0, 10), column::of("VC", 0xA0, 20)};
    t.rows = {{cell::of("abcdefgh"), cell::of("hello world")}, {cell::of("abc"), cell::of("hi")}};
    session s({}, options, le, &t);
    ASSERT_TRUE(s.server->ok());
    s.connect();
    open_cursor(s, "SELECT * FROM T");
    typed_fetch f;
    SQLDA* da = reinterpret_cast<SQLDA*>(f.list.data());
    da->sqld = 2;
    da->sqlvar[0].sqlcod = 0x31;
    da->sqlvar[0].len.s.sqllen = 4;
    da->sqlvar[0].SQLDATA = f.text;
    da->sqlvar[1].sqlcod = 0xA1;
    da->sqlvar[1].len.s.sqllen = 5;
    da->sqlvar[1].SQLDATA = &f.vchar;
    da->sqlvar[1].SQLIND = &f.ind[1];
    const struct {
      const char* text;
      int16_t text_indicator;
      const char* varchar;
      int16_t varchar_indicator;
      char warning;
      const char* sqlstate;
    } rows[] = {{"abcd", 8, "hello", 11, 'W', "01000"}, {"abc", 0, "hi", 0, ' ', "00000"}};
    for (const auto& want : rows) {
      SCOPED_TRACE(want.text);
      ASSERT_EQ(f.run(s), 0) << std::string(f.r.sqlca.sqlerrmc, static_cast<size_t>(f.r.sqlca.sqlerrml));
      EXPECT_EQ(f.r.sqlca.SQLCODE, 0);
      EXPECT_STREQ(f.text, want.text);
      EXPECT_EQ(f.ind[0], want.text_indicator);
      EXPECT_EQ(std::string(f.vchar.t, f.vchar.n), want.varchar);
      EXPECT_EQ(f.ind[1], want.varchar_indicator);
      EXPECT_EQ(f.r.sqlca.sqlwarn[0], want.warning);
      EXPECT_EQ(f.r.sqlca.sqlwarn[1], want.warning);
      EXPECT_EQ(f.r.sqlstate(), want.sqlstate);
      EXPECT_EQ(s.fetches().back().form, options[0] == 'S' ? 'Y' : 'N');
    }
  });
  unsetenv("PDDFLNVAL");
}

// An array FETCH of three rows into arrays of every kind of column: a
// cursor of five rows takes two FETCHes, the second ending the cursor.
struct array_fetch {
  static constexpr int16_t kElements = 3;
  zk::request r{"FETC"};
  bytes list = bytes(offsetof(SQLDA, sqlvar) + 5 * sizeof(SQLVAR), 0);
  int32_t i4[kElements] = {};
  char text[kElements][11] = {};
  struct vchar {
    uint16_t n;
    char t[20];
  } vc[kElements] = {};
  char dec[kElements][6] = {};
  int16_t i2[kElements] = {};
  int16_t ind[5][kElements] = {};
  array_fetch() {
    blank(r.area.name1, sizeof r.area.name1, "C1");
    blank(r.area.name2, sizeof r.area.name2, "S1");
    r.area.version = 0x802;
    r.area.fetchrows = kElements;
    r.area.termbyte = 1;  // the terminator counts in the element size
    r.area.elemsize = 1;  // variable characters lie SYS apart
    SQLDA* da = reinterpret_cast<SQLDA*>(list.data());
    memcpy(da->sqldaid, "SQLDA   ", 8);
    da->sqln = 5;
    da->sqld = 5;
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
    set(1, 0x31, 10, 0, text);
    set(2, 0xA1, 20, sizeof(vchar), vc);
    set(3, 0xEB, 0, 0, dec);
    da->sqlvar[3].len.d.sqlprcsn = 5;
    da->sqlvar[3].len.d.sqlscale = 2;
    set(4, 0xF5, 2, 0, i2);
    r.area.sqliasda = da;
  }
  int32_t run(session& s) {
    memset(&r.sqlca, 0, sizeof r.sqlca);
    return s.lib.exsql(&r.area);
  }
  std::string message() const { return std::string(r.sqlca.sqlerrmc, static_cast<size_t>(r.sqlca.sqlerrml)); }
};

marlo::table array_table() {
  using marlo::cell;
  using marlo::column;
  marlo::table t;
  t.name = "T";
  t.columns = {column::of("I4", 0xF0, 4), column::of("TXT", 0xC0, 10), column::of("VC", 0xA0, 20),
               column::of("DEC", 0xE4, 0, 5, 2), column::of("I2", 0xF4, 2)};
  t.rows = {{cell::of("1"), cell::of("one"), cell::of("first"), cell::of("1.25"), cell::of("11")},
            {cell::null_cell(), cell::of("two"), cell::null_cell(), cell::of("-2.50"), cell::of("22")},
            {cell::of("3"), cell::of("three"), cell::of("third row"), cell::null_cell(), cell::of("-33")},
            {cell::of("4"), cell::of("four"), cell::of("4th"), cell::of("400.00"), cell::of("44")},
            {cell::of("5"), cell::of("five"), cell::of("last"), cell::of("0.05"), cell::of("55")}};
  return t;
}

TEST(ShippedArrays, ArrayFetchesFillTheElementsInEveryReplyLayout) {
  const struct {
    const char* what;
    const char* options;
    const char* dflnval;  // USE: a blank mark, so the SQLDA form
    bool records;
    char form;
  } layouts[] = {{"SQLDA form", "", "USE", false, 'N'},
                 {"column arrays", "S", nullptr, false, 'Y'},
                 {"row records", "S", nullptr, true, 'Y'}};
  for (const auto& l : layouts) {
    for (bool le : {false, true}) {
      SCOPED_TRACE(std::string(l.what) + (le ? ", PC server" : ", big-endian server"));
      if (le) {
        setenv("PDSRVTYPE", "PC", 1);
      } else {
        unsetenv("PDSRVTYPE");
      }
      if (l.dflnval != nullptr) {
        setenv("PDDFLNVAL", l.dflnval, 1);
      } else {
        unsetenv("PDDFLNVAL");
      }
      const marlo::table rows = array_table();
      marlo::fetch_options options;
      options.row_records = l.records;
      session s({}, l.options, le, &rows, options);
      ASSERT_TRUE(s.server->ok());
      s.connect();
      open_cursor(s, "SELECT * FROM T");
      array_fetch f;
      ASSERT_EQ(f.run(s), 0) << f.message();
      EXPECT_EQ(f.r.sqlca.SQLCODE, 0) << f.message();
      EXPECT_EQ(f.r.sqlca.sqlerrd[2], 3);
      EXPECT_EQ(f.i4[0], 1);
      EXPECT_EQ(f.i4[2], 3);
      EXPECT_EQ(f.ind[0][1], -1);
      EXPECT_STREQ(f.text[0], "one");
      EXPECT_STREQ(f.text[1], "two");
      EXPECT_STREQ(f.text[2], "three");
      EXPECT_EQ(std::string(f.vc[0].t, f.vc[0].n), "first");
      EXPECT_EQ(f.ind[2][1], -1);
      EXPECT_EQ(std::string(f.vc[2].t, f.vc[2].n), "third row");
      EXPECT_EQ(std::string(f.dec[0], 6), "+00125");
      EXPECT_EQ(std::string(f.dec[1], 6), "-00250");
      EXPECT_EQ(f.ind[3][2], -1);
      EXPECT_EQ(f.i2[0], 11);
      EXPECT_EQ(f.i2[2], -33);

      // The rest of the cursor: two rows, and the end of it.
      ASSERT_EQ(f.run(s), 100) << f.message();
      EXPECT_EQ(f.r.sqlca.sqlerrd[2], 2);
      EXPECT_EQ(f.i4[0], 4);
      EXPECT_EQ(f.i4[1], 5);
      EXPECT_EQ(f.i4[2], 3) << "the third element keeps the row of the first FETCH";
      EXPECT_STREQ(f.text[1], "five");
      EXPECT_EQ(std::string(f.vc[0].t, f.vc[0].n), "4th");
      EXPECT_EQ(std::string(f.dec[0], 6), "+40000");
      EXPECT_EQ(f.ind[3][0], 0);
      EXPECT_EQ(f.i2[1], 55);
      const std::vector<fetch_request> seen = s.fetches();
      ASSERT_EQ(seen.size(), 2u) << "one request per array FETCH";
      EXPECT_EQ(seen[0].form, l.form);
    }
  }
  unsetenv("PDSRVTYPE");
  unsetenv("PDDFLNVAL");
}

// Repetition columns: their count, the column's and each element's
// indicator, the elements that carry data; then NULL columns. Integers,
// and fixed characters, whose elements after the first carry no length
// in the SQLDA form; in both reply forms.
TEST(ShippedRows, RepetitionColumnsReachTheirElements) {
  marlo::column n = marlo::column::of("N", 0xF0, 4);
  n.elements = 3;
  marlo::column f = marlo::column::of("F", 0xA4, 3);
  f.elements = 2;
  marlo::cell three = marlo::cell::of("");
  three.elements = {marlo::cell::of("1"), marlo::cell::null_cell(), marlo::cell::of("-3")};
  marlo::cell two = marlo::cell::of("");
  two.elements = {marlo::cell::of("ab"), marlo::cell::of("cde")};
  marlo::table rows;
  rows.name = "R";
  rows.columns = {n, f};
  rows.rows = {{three, two}, {marlo::cell::null_cell(), marlo::cell::null_cell()}};
  // NULLs carry data: the NULL element's place takes the server's 0.
  setenv("PDDFLNVAL", "USE", 1);
  each_setting({"", "S"}, [&](const char* options, bool le) {
    session s({}, options, le, &rows);
    ASSERT_TRUE(s.server->ok());
    s.connect();
    open_cursor(s, "SELECT * FROM R");
    struct {
      uint32_t n;
      int32_t v[3];
    } value{99, {55, 55, 55}};
    struct {
      int32_t column;
      int16_t element[3];
    } ind{7, {7, 7, 7}};
    struct {
      uint32_t n;
      char t[2 * 3 + 1];
    } text{99, "======"};
    struct {
      int32_t column;
      int16_t element[2];
    } text_ind{7, {7, 7}};
    typed_fetch fetch;
    SQLDA* da = reinterpret_cast<SQLDA*>(fetch.list.data());
    da->sqld = 2;
    da->sqlvar[0].XDIM = 3;
    da->sqlvar[0].SQLDATA = &value;
    da->sqlvar[0].SQLIND = reinterpret_cast<int16_t*>(&ind);
    SQLVAR& fixed = da->sqlvar[1];
    fixed.sqlcod = 0xA5;
    fixed.XDIM = 2;
    fixed.len.s.sqllen = 3;
    fixed.SQLDATA = &text;
    fixed.SQLIND = reinterpret_cast<int16_t*>(&text_ind);
    ASSERT_EQ(fetch.run(s), 0) << fetch.r.message();
    EXPECT_EQ(value.n, 3u);
    EXPECT_EQ(value.v[0], 1);
    EXPECT_EQ(value.v[1], 0);
    EXPECT_EQ(value.v[2], -3);
    EXPECT_EQ(ind.column, 0);
    EXPECT_EQ(ind.element[0], 0);
    EXPECT_EQ(ind.element[1], -1);
    EXPECT_EQ(ind.element[2], 0);
    EXPECT_EQ(text.n, 2u);
    // Each element's terminator lies where the next element starts.
    EXPECT_EQ(std::string(text.t, sizeof text.t), std::string("ab cde\0", 7));
    EXPECT_EQ(text_ind.column, 0);
    EXPECT_EQ(text_ind.element[0], 0);
    EXPECT_EQ(text_ind.element[1], 0);
    ASSERT_EQ(fetch.run(s), 0) << fetch.r.message();
    EXPECT_EQ(ind.column, -1);
    EXPECT_EQ(text_ind.column, -1);
    if (options[0] != 'S') {
      EXPECT_EQ(value.n, 0u) << "a NULL column carries the count 0";
    }
    EXPECT_EQ(fetch.run(s), 100);
    const std::vector<fetch_request> seen = s.fetches();
    ASSERT_EQ(seen.size(), 3u);
    for (const fetch_request& q : seen) EXPECT_EQ(q.form, options[0] == 'S' ? 'Y' : 'N');
  });
  unsetenv("PDDFLNVAL");
}

// A character-set name area naming "MASTER" "UTF-16LE" for the first
// variable: its head, one code entry, one name entry.
bytes utf16_names() {
  constexpr size_t kHead = 32;
  constexpr size_t kNameEntry = 64;
  constexpr size_t kNamePart = 32;
  bytes area(kHead + 2 + kNameEntry, 0);
  const auto put16 = [&](size_t at, uint16_t v) { memcpy(area.data() + at, &v, 2); };
  for (size_t at : {12, 14, 16, 18}) put16(at, 1);
  put16(kHead, 1);
  const size_t entry = kHead + 2;
  put16(entry, 6);
  memcpy(area.data() + entry + 2, "MASTER", 6);
  put16(entry + kNamePart, 8);
  memcpy(area.data() + entry + kNamePart + 2, "UTF-16LE", 8);
  return area;
}

// The pad unit of a fixed UTF-16 column comes from the CONNECT reply's
// type list; an odd variable length cannot take it.
TEST(ShippedRows, FixedUtf16ValuesArePaddedFromTheConnectTypeList) {
  const marlo::table rows = one_column("U", marlo::column::of("F", 0xC4, 4), {marlo::cell::of(std::string("a\0b\0", 4))});
  const bytes connect = marlo::connect_body_with_types(false, "1j", kLevel26, {{"MASTER", "UTF-16LE", {0x20, 0x00}}});
  for (const int16_t sqllen : {8, 7}) {
    SCOPED_TRACE(sqllen);
    session s({}, "", false, &rows, {}, {{kConnectFn, connect}});
    ASSERT_TRUE(s.server->ok());
    s.connect();
    open_cursor(s, "SELECT * FROM U");
    bytes names = utf16_names();
    typed_fetch f;
    f.r.area.sqlcsna1 = names.data();
    SQLDA* da = reinterpret_cast<SQLDA*>(f.list.data());
    da->sqld = 1;
    char text[12];
    memset(text, '=', sizeof text);
    da->sqlvar[0].sqlcod = 0xC5;
    da->sqlvar[0].len.s.sqllen = sqllen;
    da->sqlvar[0].SQLDATA = text;
    f.run(s);
    if (sqllen == 8) {
      EXPECT_EQ(f.r.sqlca.SQLCODE, 0) << f.r.message();
      EXPECT_EQ(std::string(text, sizeof text), std::string("a\0b\0 \0 \0\0===", 12));
    } else {
      EXPECT_EQ(f.r.sqlca.SQLCODE, -306);
      EXPECT_EQ(f.r.message(), "KFPA11306-E Invalid data to output variable     1");
      EXPECT_EQ(std::string(text, sizeof text), std::string(12, '='));
    }
  }
}

// CALL and GETD answer with their outputs in the descriptor form; they
// reach the second list through p_rdb_exsql.
TEST(ShippedRows, CallAndGetdOutputsReachTheSecondList) {
  const struct {
    const char* code;
    const char* function;
  } kCases[] = {{"CALL", "p_f_sqa_ccall"}, {"GETD", "p_f_sqa_cgetd"}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.code);
    each_setting({""}, [&](const char*, bool le) {
      auto entry = [le](uint8_t code, uint16_t length) {
        marlo::fetch_entry e{code, 1, {}};
        e.len[le ? 0 : 1] = static_cast<uint8_t>(length);
        return e;
      };
      bytes body = with_data(marlo::reply_body(le, 0, "00000", ""), {});
      const std::vector<marlo::fetch_entry> outputs = {entry(0xF1, 4), entry(0xA1, 20), entry(0xF5, 2)};
      ASSERT_EQ(marlo::row_reply(le, true, outputs,
                                 {marlo::cell::of("42"), marlo::cell::of("out"), marlo::cell::null_cell()}, {}, &body),
                "");
      session s({}, "", le, nullptr, {}, {{c.function, body}});
      ASSERT_TRUE(s.server->ok());
      s.connect();

      typed_fetch out;
      int32_t in_value = 5;
      int16_t in_ind = 0;
      bytes in_list(offsetof(SQLDA, sqlvar) + sizeof(SQLVAR), 0);
      SQLDA* in = reinterpret_cast<SQLDA*>(in_list.data());
      memcpy(in->sqldaid, "SQLDA   ", 8);
      in->sqln = 1;
      in->sqld = 1;
      in->sqlvar[0].sqlcod = 0xF1;
      in->sqlvar[0].XDIM = 1;
      in->sqlvar[0].len.s.sqllen = 4;
      in->sqlvar[0].SQLDATA = &in_value;
      in->sqlvar[0].SQLIND = &in_ind;
      SQLDA* da = reinterpret_cast<SQLDA*>(out.list.data());
      da->sqld = 3;
      da->sqlvar[1].sqlcod = 0xA1;
      da->sqlvar[1].len.s.sqllen = 20;
      da->sqlvar[1].SQLDATA = &out.vchar;
      da->sqlvar[2].sqlcod = 0xF5;
      da->sqlvar[2].len.s.sqllen = 2;
      da->sqlvar[2].SQLDATA = &out.i2;
      out.i2 = 77;
      zk::request r{c.code};
      blank(r.area.name2, sizeof r.area.name2, "P1");
      r.area.version = 0x802;
      r.statement("CALL P1(?, ?)");
      r.area.sqliasda = in;
      r.area.sqliasda2 = da;
      ASSERT_EQ(s.lib.exsql(&r.area), 0) << r.message();
      EXPECT_EQ(out.i4, 42);
      EXPECT_EQ(std::string(out.vchar.t, out.vchar.n), "out");
      EXPECT_EQ(out.ind[0], 0);
      EXPECT_EQ(out.ind[1], 0);
      EXPECT_EQ(out.ind[2], -1);
      EXPECT_EQ(out.i2, 77);  // a NULL without data leaves the variable
    });
  }
}

}  // namespace
