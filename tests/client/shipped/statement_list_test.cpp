// The statement list through the shipped library against the test server:
// with PDCURSORLVL '2' an OPEN of a prepared cursor completes without the
// server and the first FETCH carries it; CLOSE after the end of the rows
// or before the first FETCH completes locally; cursor state errors come
// without traffic; COMMIT, ROLLBACK and DEALLOCATE PREPARE tidy the list.
// With '1' the list only follows the cursors.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "marlo_server.h"
#include "shipped_library.h"
#include "zk_harness.h"

namespace {

constexpr char kGroup[] = "sds01";
constexpr char kPrefix[] = "p_f_sqa_c";
constexpr int16_t kLayout = 0x0802;
constexpr uint16_t kSection = 3;
constexpr int32_t kOk = 0;
constexpr int32_t kEnd = 100;
constexpr int32_t kNotOpen = -501;
constexpr int32_t kAlreadyOpen = -502;
constexpr int32_t kNotPrepared = -514;
constexpr int32_t kBadVariable = -311;
constexpr char kCompleted[] = "KFPA12000-I Processing of SQL completed";
constexpr size_t kCodeAt = 56;      // the request code in a statement request
constexpr size_t kFlagsAt = 109;    // statement flags
constexpr size_t kSlot0At = 20;     // part-offset slots 0 and 2
constexpr size_t kSlot2At = 28;

std::string le32(int32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }

void blank(char* field, size_t n, const char* text) {
  memset(field, ' ', n);
  memcpy(field, text, strnlen(text, n));
}

marlo::table staff() {
  marlo::table t;
  t.name = "STAFF";
  marlo::column id = marlo::column::of("ID", 0xF0, 4);
  id.nullable = false;
  t.columns = {id, marlo::column::of("NAME", 0xC0, 10)};
  using c = marlo::cell;
  t.rows = {{c::of("1"), c::of("Abe")}, {c::of("2"), c::of("Bo")}};
  return t;
}

// One variable list of a single value, with its storage.
struct one_var {
  std::vector<uint8_t> storage = std::vector<uint8_t>(offsetof(SQLDA, sqlvar) + sizeof(SQLVAR));
  std::vector<uint8_t> value;
  int16_t indicator = 0;

  one_var(uint8_t code, uint32_t length, size_t size) : value(size, 0) {
    SQLDA* d = da();
    memcpy(d->sqldaid, "SQLDA   ", 8);
    d->sqln = d->sqld = 1;
    SQLVAR& v = d->sqlvar[0];
    v.sqlcod = code;
    v.XDIM = 1;
    if ((code & 0xFE) == 0x90 || (code & 0xFE) == 0x92) {
      v.len.sqllen32 = length;
    } else {
      v.len.s.sqllen = static_cast<int16_t>(length);
    }
    v.SQLDATA = value.data();
    v.SQLIND = &indicator;
  }
  SQLDA* da() { return reinterpret_cast<SQLDA*>(storage.data()); }
  void set(const std::string& bytes) { memcpy(value.data(), bytes.data(), std::min(bytes.size(), value.size())); }
  int32_t int_value() const {
    int32_t v;
    memcpy(&v, value.data(), 4);
    return v;
  }
  std::string text() const {
    uint16_t n;
    memcpy(&n, value.data(), 2);
    return std::string(reinterpret_cast<const char*>(value.data()) + 2, n);
  }
};

using zk::ext_name;

struct session {
  zk::temp_dir dir;
  std::unique_ptr<marlo::server> server;
  shipped::library lib;

  explicit session(char level, marlo::script s = {}) {
    setenv("PDMEMTRCFILE", dir.file("pdmem.trc").c_str(), 1);
    setenv("PDCLTPATH", dir.path.c_str(), 1);
    setenv("PDSERVICEGRP", kGroup, 1);
    setenv("PDHOST", "127.0.0.1", 1);
    setenv("PDAUTOCONNECT", "OFF", 1);
    const char value[] = {level, '\0'};
    setenv("PDCURSORLVL", value, 1);
    if (s.little_endian) setenv("PDSRVTYPE", "PC", 1);
    s.services.push_back(kGroup);
    s.sql_service = true;
    s.transaction_statements = true;
    EXPECT_EQ(s.tables.declare(staff()), "");
    server = std::make_unique<marlo::server>(std::move(s));
    setenv("PDFESHOST", ("127.0.0.1:" + std::to_string(server->name_port())).c_str(), 1);
  }
  ~session() {
    zk::request r{"DISC"};
    lib.exsql(&r.area);
    unsetenv("PDCURSORLVL");
    unsetenv("PDSRVTYPE");
  }

  int32_t run(zk::request& r) const { return lib.exsql(&r.area); }

  void connect() const {
    zk::request r{"CNCT"};
    blank(r.area.authid, sizeof r.area.authid, "scott");
    blank(r.area.passwd, sizeof r.area.passwd, "tiger");
    blank(r.area.cnctbody, sizeof r.area.cnctbody, "");
    ASSERT_EQ(lib.exsql(&r.area), 0) << r.message();
  }

  // The server functions asked for since the `skip` first ones, without
  // their common prefix.
  std::vector<std::string> seen(size_t skip = 0) const {
    std::vector<std::string> out;
    for (const marlo::request& q : server->requests()) {
      if (q.function.rfind(kPrefix, 0) == 0) out.push_back(q.function.substr(strlen(kPrefix)));
    }
    out.erase(out.begin(), out.begin() + static_cast<long>(std::min(skip, out.size())));
    return out;
  }
  // The statement requests of FETCH as the server received them.
  std::vector<std::vector<uint8_t>> fetches() const {
    std::vector<std::vector<uint8_t>> out;
    const std::string code = "FETC";
    for (const marlo::request& q : server->requests()) {
      if (q.function != "p_f_sqa_cfetch") continue;
      const auto at = std::search(q.data.begin(), q.data.end(), code.begin(), code.end());
      if (at == q.data.end()) continue;
      out.emplace_back(at - static_cast<long>(kCodeAt), q.data.end());
    }
    return out;
  }
};

// A request on the cursor of section 3, its names blank as the
// precompiler leaves them.
void on_cursor(zk::request& r, uint16_t section = kSection) {
  r.area.section = section;
  r.area.version = kLayout;
  blank(r.area.name1, sizeof r.area.name1, "");
  blank(r.area.name2, sizeof r.area.name2, "");
}

struct prepare_options {
  char hold = ' ';
  char keep = ' ';
  const char* text = "SELECT ID FROM STAFF";
};

int32_t prepare(const session& s, prepare_options o = {}) {
  zk::request r{"SET "};
  r.statement(o.text);
  on_cursor(r);
  r.area.hold = static_cast<uint8_t>(o.hold);
  r.area.keep = static_cast<uint8_t>(o.keep);
  // The description of the selected column comes back into the first list.
  one_var described(0xF0, 4, 4);
  r.area.sqliasda = described.da();
  const int32_t rc = s.run(r);
  EXPECT_EQ(rc, 0) << r.message();
  return rc;
}

constexpr char kById[] = "SELECT NAME FROM STAFF WHERE ID = ?";

// A FETCH of the NAME that kById selects: its text.
std::string fetch_name(const session& s) {
  one_var name(0xC0, 10, 12);
  zk::request fetch{"FETC"};
  on_cursor(fetch);
  fetch.area.sqliasda = name.da();
  EXPECT_EQ(s.run(fetch), 0) << fetch.message();
  return name.text();
}

// One step of a sequence: the request code and the SQLCODE it gives.
struct step {
  const char* code;
  int32_t sqlcode;
};

struct sequence {
  const char* what;
  char level;
  prepare_options prepared;
  std::vector<step> steps;
  std::vector<std::string> seen;  // what the server was asked after the PREPARE
  uint8_t fetch_flags = 0;        // status byte 7 of every FETCH reply
  uint8_t fetch_hold = 0;         // status byte 6 of every FETCH reply
};

void PrintTo(const sequence& c, std::ostream* os) { *os << c.what; }

class StatementList : public ::testing::TestWithParam<sequence> {};

TEST_P(StatementList, RequestSequencesGiveTheirCodesAndTheRequestsTheServerSaw) {
  const sequence& c = GetParam();
  marlo::script script;
  if (c.fetch_flags != 0 || c.fetch_hold != 0) {
    script.statuses["p_f_sqa_cfetch"].flags7 = c.fetch_flags;
    script.statuses["p_f_sqa_cfetch"].hold = c.fetch_hold;
  }
  session s(c.level, script);
  ASSERT_TRUE(s.server->ok());
  ASSERT_EQ(s.lib.error(), "");
  s.connect();
  ASSERT_EQ(prepare(s, c.prepared), 0);
  const size_t before = s.seen().size();
  one_var into(0xF0, 4, 4);
  for (size_t i = 0; i < c.steps.size(); ++i) {
    const step& st = c.steps[i];
    zk::request r{st.code};
    on_cursor(r);
    if (strcmp(st.code, "FETC") == 0) r.area.sqliasda = into.da();
    if (strcmp(st.code, "OPN2") == 0) r.statement(c.prepared.text);
    s.run(r);
    EXPECT_EQ(r.sqlcode(), st.sqlcode) << "step " << i << " " << st.code << ": " << r.message();
  }
  EXPECT_EQ(s.seen(before), c.seen);
}

const prepare_options kHeld{'Y', ' '};
const prepare_options kKept{' ', 'Y'};

INSTANTIATE_TEST_SUITE_P(
    Levels, StatementList,
    ::testing::Values(
        sequence{"level2_end_of_rows_closes_locally", '2', {},
                 {{"OPEN", kOk}, {"FETC", kOk}, {"FETC", kOk}, {"FETC", kEnd}, {"CLOS", kOk}, {"OPEN", kOk},
                  {"FETC", kOk}},
                 {"fetch", "fetch", "fetch", "fetch"}},
        sequence{"level2_cursor_state_errors_without_traffic", '2', {},
                 {{"FETC", kNotOpen}, {"OPEN", kOk}, {"OPEN", kAlreadyOpen}, {"CLOS", kOk}, {"FETC", kNotOpen}},
                 {}},
        sequence{"level2_close_after_fetch_goes_to_the_server", '2', {},
                 {{"OPEN", kOk}, {"FETC", kOk}, {"CLOS", kOk}, {"OPEN", kOk}, {"FETC", kOk}},
                 {"fetch", "close", "fetch"}},
        sequence{"level2_commit_frees_the_plain_statement", '2', {},
                 {{"OPEN", kOk}, {"FETC", kOk}, {"CMIT", kOk}, {"FETC", kNotOpen}, {"OPEN", kNotPrepared}},
                 {"fetch", "commit", "fetch", "open"}},
        sequence{"level2_held_cursor_survives_commit", '2', kHeld,
                 {{"OPEN", kOk}, {"FETC", kOk}, {"CMIT", kOk}, {"FETC", kOk}, {"FETC", kEnd}, {"CLOS", kOk}},
                 {"fetch", "commit", "fetch", "fetch"}},
        sequence{"level2_rollback_closes_the_held_cursor", '2', kHeld,
                 {{"OPEN", kOk}, {"FETC", kOk}, {"CMIT", kOk}, {"ROLL", kOk}, {"FETC", kNotOpen}, {"OPEN", kOk},
                  {"FETC", kOk}},
                 {"fetch", "commit", "rollback", "fetch"}},
        sequence{"level2_kept_statement_is_closed_and_kept", '2', kKept,
                 {{"OPEN", kOk}, {"FETC", kOk}, {"CMIT", kOk}, {"FETC", kNotOpen}, {"OPEN", kOk}, {"FETC", kOk},
                  {"ROLL", kOk}, {"OPEN", kOk}, {"FETC", kOk}},
                 {"fetch", "commit", "fetch", "rollback", "fetch"}},
        sequence{"level2_deallocate_frees_the_entry", '2', {},
                 {{"OPEN", kOk}, {"DSET", kOk}, {"OPEN", kNotPrepared}},
                 {"dset", "open"}},
        sequence{"level1_open_and_close_go_to_the_server", '1', {},
                 {{"OPEN", kOk}, {"FETC", kOk}, {"CLOS", kOk}, {"OPEN", kOk}, {"FETC", kOk}, {"FETC", kOk},
                  {"FETC", kEnd}, {"CLOS", kOk}},
                 {"open", "fetch", "close", "open", "fetch", "fetch", "fetch"}},
        sequence{"level1_fetch_before_open_asks_the_server", '1', {},
                 {{"FETC", kNotOpen}, {"OPEN", kOk}, {"CMIT", kOk}, {"FETC", kNotOpen}},
                 {"fetch", "open", "commit", "fetch"}},
        sequence{"level1_held_cursor_survives_commit", '1', kHeld,
                 {{"OPEN", kOk}, {"CMIT", kOk}, {"FETC", kOk}, {"ROLL", kOk}, {"FETC", kNotOpen}},
                 {"open", "commit", "fetch", "rollback", "fetch"}},
        // Status flags of a FETCH reply release what a COMMIT (0x02) or a
        // ROLLBACK (0x04) would, 0x40 every entry; a freed entry leaves
        // the next OPEN to the server.
        sequence{"level2_flag02_frees_the_plain_entry", '2', {},
                 {{"OPEN", kOk}, {"FETC", kOk}, {"OPEN", kOk}},
                 {"fetch", "open"}, 0x02},
        sequence{"level2_flag02_keeps_the_held_entry_open", '2', kHeld,
                 {{"OPEN", kOk}, {"FETC", kOk}, {"OPEN", kAlreadyOpen}},
                 {"fetch"}, 0x02},
        sequence{"level2_flag04_closes_the_kept_entry", '2', kKept,
                 {{"OPEN", kOk}, {"FETC", kOk}, {"FETC", kNotOpen}},
                 {"fetch"}, 0x04},
        sequence{"level2_flag04_frees_the_held_entry", '2', kHeld,
                 {{"OPEN", kOk}, {"FETC", kOk}, {"OPEN", kOk}},
                 {"fetch", "open"}, 0x04},
        sequence{"level2_flag40_frees_every_entry", '2', kKept,
                 {{"OPEN", kOk}, {"FETC", kOk}, {"OPEN", kOk}},
                 {"fetch", "open"}, 0x40},
        // The FETCH that carries an OPEN's block sets the hold attribute
        // from its reply: a held entry outlives COMMIT, and ROLLBACK then
        // closes it here.
        sequence{"level2_carried_open_block_takes_the_hold_of_its_reply", '2', {},
                 {{"OPN2", kOk}, {"FETC", kOk}, {"CMIT", kOk}, {"ROLL", kOk}, {"FETC", kNotOpen}},
                 {"fetch", "commit", "rollback"}, 0, 1},
        sequence{"level2_carried_open_block_without_hold", '2', {},
                 {{"OPN2", kOk}, {"FETC", kOk}, {"CMIT", kOk}, {"ROLL", kOk}, {"FETC", kNotOpen}},
                 {"fetch", "commit", "rollback", "fetch"}}),
    [](const ::testing::TestParamInfo<sequence>& info) { return std::string(info.param.what); });

// A locally completed OPEN answers as the server would.
TEST(ShippedStatementList, ALocalOpenReportsCompletionWithClearedCounts) {
  session s('2');
  s.connect();
  ASSERT_EQ(prepare(s), 0);
  zk::request open{"OPEN"};
  on_cursor(open);
  open.sqlca.sqlerrd[2] = 7;
  EXPECT_EQ(s.run(open), 0);
  EXPECT_EQ(open.message(), kCompleted);
  EXPECT_EQ(open.sqlstate(), "00000");
  for (int32_t v : open.sqlca.sqlerrd) EXPECT_EQ(v, 0);
}

// The OPEN's values are copied when it runs: what the caller does with
// its variables afterwards does not change the rows the FETCH finds.
TEST(ShippedStatementList, TheFetchCarriesTheOpenValuesAsTheyWereAtTheOpen) {
  session s('2');
  s.connect();
  ASSERT_EQ(prepare(s, {' ', ' ', kById}), 0);
  one_var id(0xF0, 4, 4);
  id.set(le32(2));
  zk::request open{"OPEN"};
  on_cursor(open);
  open.area.sqliasda = id.da();
  ASSERT_EQ(s.run(open), 0) << open.message();
  id.set(le32(1));
  id.indicator = -1;
  EXPECT_EQ(fetch_name(s), "Bo");
  EXPECT_EQ(s.seen(2), std::vector<std::string>{"fetch"});
}

// Two cursors allocated under extended names on one prepared statement:
// each has its own entry, its own OPEN carried by its first FETCH.
TEST(ShippedStatementList, ExtendedNameCursorsShareOneStatement) {
  session s('2');
  s.connect();
  ext_name statement = zk::make_ext("S1");
  zk::request prep{"SET "};
  prep.statement("SELECT ID FROM STAFF");
  on_cursor(prep);
  prep.area.extstmtname = &statement;
  one_var described(0xF0, 4, 4);
  prep.area.sqliasda = described.da();
  ASSERT_EQ(s.run(prep), 0) << prep.message();
  ext_name first = zk::make_ext("C1");
  ext_name second = zk::make_ext("C2");
  for (auto [section, cursor] : {std::pair{uint16_t{4}, &first}, std::pair{uint16_t{5}, &second}}) {
    zk::request alcr{"ALCR"};
    on_cursor(alcr, section);
    alcr.area.extstmtname = &statement;
    alcr.area.extcursname = cursor;
    ASSERT_EQ(s.run(alcr), 0) << alcr.message();
  }
  auto run_on = [&](const char* code, uint16_t section, ext_name* cursor, one_var* into) {
    zk::request r{code};
    on_cursor(r, section);
    r.area.extcursname = cursor;
    if (into != nullptr) r.area.sqliasda = into->da();
    s.run(r);
    return r.sqlcode();
  };
  one_var a(0xF0, 4, 4), b(0xF0, 4, 4);
  EXPECT_EQ(run_on("OPEN", 4, &first, nullptr), kOk);
  EXPECT_EQ(run_on("OPEN", 5, &second, nullptr), kOk);
  EXPECT_EQ(run_on("OPEN", 4, &first, nullptr), kAlreadyOpen);
  EXPECT_EQ(run_on("FETC", 4, &first, &a), kOk);
  EXPECT_EQ(a.int_value(), 1);
  EXPECT_EQ(run_on("FETC", 4, &first, &a), kOk);
  EXPECT_EQ(a.int_value(), 2);
  EXPECT_EQ(run_on("FETC", 5, &second, &b), kOk);
  EXPECT_EQ(b.int_value(), 1);
  EXPECT_EQ(s.seen(), (std::vector<std::string>{"connect", "setup", "alcr", "alcr", "fetch", "fetch", "fetch"}));
  // Each cursor's first FETCH carried its OPEN: the statement known (4)
  // and the OPEN completed here (2).
  const auto sent = s.fetches();
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[0][kFlagsAt], 0x06);
  EXPECT_EQ(sent[1][kFlagsAt], 0x04);
  EXPECT_EQ(sent[2][kFlagsAt], 0x06);
}

// Only the statement kinds of cursor specifications get an entry: any
// other kind leaves OPEN to the server.
TEST(ShippedStatementList, OnlyListedStatementKindsGetAnEntry) {
  struct kind_case {
    uint16_t kind;
    bool listed;
  } cases[] = {{0x4000, true}, {0x4100, true}, {0x4204, true}, {0x4900, true}, {0x4A04, true},
               {0x4200, false}, {0x1100, false}};
  for (const kind_case& c : cases) {
    SCOPED_TRACE(c.kind);
    marlo::script script;
    script.statement_kinds[kSection] = c.kind;
    session s('2', script);
    s.connect();
    ASSERT_EQ(prepare(s), 0);
    zk::request open{"OPEN"};
    on_cursor(open);
    EXPECT_EQ(s.run(open), 0) << open.message();
    EXPECT_EQ(s.seen(2), c.listed ? std::vector<std::string>{} : std::vector<std::string>{"open"});
  }
}

// OPEN of a cursor under its own section (function code 17): the entry
// of its statement is copied for it, and its first FETCH carries the
// OPEN with the statement's section.
TEST(ShippedStatementList, ACursorOfItsOwnSectionRunsItsStatement) {
  session s('2');
  s.connect();
  ASSERT_EQ(prepare(s), 0);
  constexpr uint16_t kCursorSection = 7;
  auto on_own_section = [](zk::request& r) {
    on_cursor(r, kCursorSection);
    r.area.stmtsection = kSection;
  };
  zk::request open{"OPNR"};
  on_own_section(open);
  EXPECT_EQ(s.run(open), 0) << open.message();
  one_var into(0xF0, 4, 4);
  zk::request fetch{"FETC"};
  on_own_section(fetch);
  fetch.area.sqliasda = into.da();
  EXPECT_EQ(s.run(fetch), 0) << fetch.message();
  EXPECT_EQ(into.int_value(), 1);
  // The statement's own entry stays closed.
  zk::request statement_fetch{"FETC"};
  on_cursor(statement_fetch);
  statement_fetch.area.sqliasda = into.da();
  EXPECT_EQ(s.run(statement_fetch), -10);
  EXPECT_EQ(statement_fetch.sqlcode(), kNotOpen);
  EXPECT_EQ(s.seen(2), std::vector<std::string>{"fetch"});
}

// A value that claims more than its variable declares is refused when
// the OPEN is kept, before anything is copied or sent.
TEST(ShippedStatementList, AnOpenValueBeyondItsDeclaredSizeIsRefused) {
  struct refused {
    const char* what;
    uint8_t code;
    uint32_t length;
    std::string value;
  } cases[] = {
      {"0x90 length word above the declared length", 0x90, 8, le32(9) + std::string(9, 'x')},
      {"0x92 second word above the declared length", 0x92, 8, le32(0) + le32(9) + std::string(9, 'x')},
      {"0x98 second word above the declared length", 0x98, 8, le32(0) + le32(100) + std::string(8, 'x')},
      {"negative size", 0x30, static_cast<uint32_t>(static_cast<uint16_t>(-5)), "x"},
  };
  session s('2');
  s.connect();
  ASSERT_EQ(prepare(s, {' ', ' ', kById}), 0);
  const size_t before = s.seen().size();
  for (const refused& c : cases) {
    SCOPED_TRACE(c.what);
    one_var v(c.code, c.length, c.value.size());
    v.set(c.value);
    zk::request open{"OPEN"};
    on_cursor(open);
    open.area.sqliasda = v.da();
    EXPECT_EQ(s.run(open), -10);
    EXPECT_EQ(open.sqlcode(), kBadVariable);
    EXPECT_EQ(open.message(), "KFPA11311-E Invalid data type or length of variable \"    1\" (using)");
  }
  // A length within the declared one is kept and carried.
  one_var fits(0x90, 8, 12);
  fits.set(le32(3) + "abc");
  zk::request open{"OPEN"};
  on_cursor(open);
  open.area.sqliasda = fits.da();
  EXPECT_EQ(s.run(open), 0) << open.message();
  EXPECT_EQ(s.seen().size(), before);
}

// The FETCH that carries an OPEN of the second form, byte for byte in
// both byte orders: flags 0x0E at 109, the OPEN's block in place of the
// text, its variables in slot 0 and the FETCH's own list in slot 2.
class CarriedOpen : public ::testing::TestWithParam<bool> {};

TEST_P(CarriedOpen, GoldenBytesOfTheFetch) {
  const bool little = GetParam();
  marlo::script script;
  script.little_endian = little;
  session s('2', script);
  s.connect();
  ASSERT_EQ(prepare(s, {' ', ' ', kById}), 0);
  one_var id(0xF0, 4, 4);
  id.set(le32(2));
  zk::request open{"OPN2"};
  open.statement(kById);
  on_cursor(open);
  open.area.hold = 'Y';
  open.area.sqliasda = id.da();
  ASSERT_EQ(s.run(open), 0) << open.message();
  EXPECT_EQ(fetch_name(s), "Bo");
  const auto sent = s.fetches();
  ASSERT_EQ(sent.size(), 1u);
  // Numbers in the server's order.
  auto n32 = [&](uint32_t v) {
    std::vector<uint8_t> b(4);
    for (int i = 0; i < 4; ++i) b[static_cast<size_t>(i)] = static_cast<uint8_t>(little ? v >> (8 * i) : v >> (24 - 8 * i));
    return b;
  };
  auto n16 = [&](uint16_t v) {
    return little ? std::vector<uint8_t>{static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)}
                  : std::vector<uint8_t>{static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
  };
  std::vector<uint8_t> golden;
  auto put = [&](const std::vector<uint8_t>& b) { golden.insert(golden.end(), b.begin(), b.end()); };
  auto text = [&](const std::string& t) { golden.insert(golden.end(), t.begin(), t.end()); };
  auto zeros = [&](size_t n) { golden.insert(golden.end(), n, 0); };
  const std::vector<uint8_t>& got = sent[0];
  ASSERT_EQ(got.size(), 240u);
  // Header: the client's level word, the words of the request packet,
  // the total, one part for each list and the part-offset slots.
  put(n32(~26u));
  golden.insert(golden.end(), got.begin() + 4, got.begin() + 8);
  put(n32(240));
  golden.push_back(1);
  golden.push_back(0);
  put(n16(3));
  put(n32(52));
  put(n32(172));                  // slot 0: the OPEN's variables
  put(n32(0));
  put(n32(208));                  // slot 2: the FETCH's own list
  zeros(5 * 4);
  // Body.
  zeros(4);                       // area prefix
  text("FETC");
  put(n16(kSection));
  put(n16(0));                    // statement word
  zeros(3);                       // the entry's attribute bytes
  zeros(1);
  golden.push_back(1);            // terminator byte
  golden.push_back('Y');          // the row comes with its description
  zeros(2);
  put(n32(80));                   // the text field, from the body's start
  put(n32(0));                    // statement id
  put(n32(0));                    // both names blank
  put(n32(0));
  put(n16(0));
  put(n16(1));                    // rows per block
  put(n16(0xFFFF));               // PDRDABLKF
  put(n16(0));                    // the entry's statement section number
  golden.push_back('N');
  golden.push_back(0);            // the entry's hold attribute
  put(n16(0));
  put(n32(0));
  golden.insert(golden.end(), got.begin() + 104, got.begin() + 108);  // request sequence
  golden.push_back('N');          // the entry's kept flag
  golden.push_back(0x0E);         // known statement, its OPEN's block carried
  zeros(6);
  golden.push_back('N');
  zeros(3);
  golden.insert(golden.end(), got.begin() + 120, got.begin() + 128);  // error-log counter, thread word
  zeros(4);
  // The OPEN's block in place of the text.
  const std::string sql = kById;
  put(n32(static_cast<uint32_t>(sql.size())));
  text(sql);
  zeros(1);                       // to a multiple of 4
  // A list of one variable: its head and its entry up to the offsets.
  auto list_of_one = [&](uint8_t code, uint16_t length) {
    text("SQLDA   ");
    put(n32(0));
    put(n16(1));
    put(n16(1));
    golden.insert(golden.end(), {0, code});
    put(n16(1));
    put(n16(length));
    put(n16(0));
  };
  // Slot 0: the OPEN's list, its value 2 as it was at the OPEN.
  list_of_one(0xF0, 4);
  put(n32(16 + 16));              // value offset from the part
  put(n32(0));
  put(n32(2));
  // Slot 2: the FETCH's INTO list, described only.
  list_of_one(0xC0, 10);
  zeros(8);
  EXPECT_EQ(got, golden);
}

INSTANTIATE_TEST_SUITE_P(BothByteOrders, CarriedOpen, ::testing::Values(false, true));

}  // namespace
