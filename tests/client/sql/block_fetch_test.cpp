// Block fetch through p_rdb_exsql against the test server: one FETCH
// request brings PDBLKF rows, the later FETCHes of the cursor are served
// from the kept block, every row but the block's last reports completion
// of its own, and the cursor's block lives until CLOSE, the end of the
// transaction or a status flag of a reply frees it.
#include <stdlib.h>
#include <string.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CLTCNTL.h"
#include "CLTCOMCTX.h"
#include "CLTLIBCT.h"
#include "CLTMEM.h"
#include "CLTSQLSC.h"
#include "clt_blkf_plan.h"
#include "cltsqlbf.h"
#include "marlo_server.h"
#include "zk_harness.h"

namespace {

constexpr char kGroup[] = "sds01";
constexpr char kFetchFn[] = "p_f_sqa_cfetch";
constexpr char kCompleted[] = "KFPA12000-I Processing of SQL completed";
constexpr char kNoRows[] = "KFPA12100-I No rows satisfying search condition";
constexpr int16_t kRoom = 4;
constexpr int32_t kFailed = -10;
constexpr size_t kBlockOfFour = 4;

const std::vector<const char*> kSettings = {
    "PDMEMTRCFILE", "PDHOST",    "PDFESHOST",      "PDSERVICEGRP", "PDAUTOCONNECT", "PDBLKF",
    "PDCLTOPTIONSTR", "PDDFLNVAL", "PDBLKFERRBREAK", "PDSRVTYPE",    "PDBINARYBLKF",  "PDCURSORLVL",
    "PDIPC"};

// The ODBC buffer of the connection when the test goes through
// p_rdb_exodbc; null for p_rdb_exsql.
rdb_odbc_buf* g_odbc = nullptr;

int32_t call(zk::request& r) { return g_odbc != nullptr ? r.exodbc(g_odbc) : r.exsql(); }

void blank(char* field, size_t n, const char* text) {
  memset(field, ' ', n);
  memcpy(field, text, strnlen(text, n));
}

// The three shapes a block comes in.
enum class form { arrays, records, sqlda };
const char* name_of(form f) {
  return f == form::arrays ? "column arrays" : f == form::records ? "row records" : "SQLDA form";
}

// Rows ID, NAME, PAY: i, "name<i>", i.25; every third NAME is NULL.
marlo::table staff(int rows) {
  marlo::table t;
  t.name = "STAFF";
  marlo::column id = marlo::column::of("ID", 0xF0, 4);
  id.nullable = false;
  t.columns = {id, marlo::column::of("NAME", 0xC0, 20), marlo::column::of("PAY", 0xE4, 0, 9, 2)};
  for (int i = 0; i < rows; ++i) {
    t.rows.push_back({marlo::cell::of(std::to_string(i)),
                      i % 3 == 2 ? marlo::cell::null_cell() : marlo::cell::of("name" + std::to_string(i)),
                      marlo::cell::of(std::to_string(i) + ".25")});
  }
  return t;
}

// A FETCH of one cursor into ID, NAME and PAY.
struct fetch_list {
  zk::request r{"FETC"};
  std::vector<uint8_t> list = std::vector<uint8_t>(offsetof(SQLDA, sqlvar) + kRoom * sizeof(SQLVAR), 0);
  int32_t id = 0;
  struct {
    int16_t n;
    char t[20];
  } name{};
  uint8_t pay[5] = {};
  int16_t ind[3] = {};

  fetch_list(uint16_t section, const char* cursor) {
    blank(r.area.name1, sizeof r.area.name1, cursor);
    blank(r.area.name2, sizeof r.area.name2, "S1");
    r.area.section = section;
    r.area.version = 0x802;
    r.area.blkf_perm1 = 1;
    r.area.blkf_perm2 = 1;
    SQLDA* da = sqlda();
    memcpy(da->sqldaid, "SQLDA   ", 8);
    da->sqln = kRoom;
    da->sqld = 3;
    da->sqlvar[0] = SQLVAR{0, 0xF0, 1, {}, &id, &ind[0]};
    da->sqlvar[0].len.s.sqllen = 4;
    da->sqlvar[1] = SQLVAR{0, 0xC1, 1, {}, &name, &ind[1]};
    da->sqlvar[1].len.s.sqllen = 20;
    da->sqlvar[2] = SQLVAR{0, 0xE5, 1, {}, pay, &ind[2]};
    da->sqlvar[2].len.d.sqlprcsn = 9;
    da->sqlvar[2].len.d.sqlscale = 2;
    r.area.sqliasda = da;
  }
  SQLDA* sqlda() { return reinterpret_cast<SQLDA*>(list.data()); }
  int32_t run() {
    memset(&r.sqlca, 0, sizeof r.sqlca);
    id = -1;
    return call(r);
  }
  std::string text() const { return std::string(name.t, static_cast<size_t>(std::max<int16_t>(name.n, 0))); }
  // The row's ID when the row is row i of staff().
  bool holds_row(int i) const {
    const bool null_name = i % 3 == 2;
    return id == i && ind[1] == (null_name ? -1 : 0) && (null_name || text() == "name" + std::to_string(i));
  }
};

class BlockFetch : public ::testing::Test {
 protected:
  zk::services_scope services;
  zk::temp_dir dir;
  std::unique_ptr<marlo::server> server;

  void SetUp() override {
    for (const char* name : kSettings) unsetenv(name);
    setenv("PDMEMTRCFILE", dir.file("pdmem.trc").c_str(), 1);
    setenv("PDSERVICEGRP", kGroup, 1);
    setenv("PDHOST", "127.0.0.1", 1);
    setenv("PDAUTOCONNECT", "OFF", 1);
    setenv("PDBLKF", "3", 1);
  }
  void TearDown() override {
    zk::request disc{"DISC"};
    call(disc);
    for (const char* name : kSettings) unsetenv(name);
  }

  // The next case of a table on a connection and a server of its own.
  void restart() {
    TearDown();
    SetUp();
  }

  // The server with `t` and the block replies of `f`; CONNECT done.
  void start(form f, const marlo::table& t, marlo::script s = {}) {
    if (f == form::sqlda) setenv("PDDFLNVAL", "USE", 1);  // a blank mark: FETCH asks for the SQLDA form
    s.services.push_back(kGroup);
    s.sql_service = true;
    s.block.variant5 = f == form::records;
    EXPECT_EQ(s.tables.declare(t), "");
    server = std::make_unique<marlo::server>(std::move(s));
    ASSERT_TRUE(server->ok());
    setenv("PDFESHOST", ("127.0.0.1:" + std::to_string(server->name_port())).c_str(), 1);
    zk::request cn{"CNCT"};
    blank(cn.area.authid, sizeof cn.area.authid, "scott");
    blank(cn.area.passwd, sizeof cn.area.passwd, "tiger");
    blank(cn.area.cnctbody, sizeof cn.area.cnctbody, "");
    ASSERT_EQ(call(cn), 0) << cn.message();
  }

  // PREPARE of the SELECT under `section`, its first name `name1`.
  void prepare(uint16_t section, const char* select = "SELECT * FROM STAFF", const char* name1 = "") {
    std::vector<uint8_t> described(offsetof(SQLDA, sqlvar) + 8 * sizeof(SQLVAR), 0);
    auto* da = reinterpret_cast<SQLDA*>(described.data());
    memcpy(da->sqldaid, "SQLDA   ", 8);
    da->sqln = 8;
    zk::request prep{"SET "};
    blank(prep.area.name1, sizeof prep.area.name1, name1);
    blank(prep.area.name2, sizeof prep.area.name2, "S1");
    prep.area.section = section;
    prep.area.version = 0x802;
    prep.statement(select);
    prep.area.sqliasda = da;
    ASSERT_EQ(call(prep), 0) << prep.message();
  }

  // PREPARE of the SELECT under `section`, OPEN of `cursor` over it.
  void open(uint16_t section, const char* cursor, bool held = false, const char* select = "SELECT * FROM STAFF") {
    prepare(section, select);
    zk::request op{held ? "OPN2" : "OPEN"};
    blank(op.area.name1, sizeof op.area.name1, cursor);
    blank(op.area.name2, sizeof op.area.name2, "S1");
    op.area.section = section;
    op.area.version = 0x802;
    op.area.hold = held ? 'Y' : 'N';
    ASSERT_EQ(call(op), 0) << op.message();
  }

  int32_t simple(const char* code, uint16_t section = 0, const char* cursor = "") {
    zk::request r{code};
    r.area.section = section;
    blank(r.area.name1, sizeof r.area.name1, cursor);
    blank(r.area.name2, sizeof r.area.name2, "S1");
    const int32_t rc = call(r);
    EXPECT_EQ(rc, 0) << code << ": " << r.message();
    return r.sqlcode();
  }

  size_t fetch_requests() const {
    size_t n = 0;
    for (const marlo::request& q : server->requests()) n += q.function == kFetchFn ? 1 : 0;
    return n;
  }
  // The entries of the connection's block-fetch list.
  size_t entries() const {
    zk::context_scope context;
    size_t n = 0;
    if (clt_global.main == nullptr) return 0;
    for (auto* e = static_cast<clt_blkf_entry*>(clt_global.main->blkf_list); e != nullptr; e = e->next) ++n;
    return n;
  }
};

// With the statement list the end of the rows frees the cursor's block at
// once, and the CLOSE that follows completes without the server.
TEST_F(BlockFetch, WithTheStatementListTheEndOfTheRowsTakesTheBlock) {
  for (const char* level : {"1", "2"}) {
    SCOPED_TRACE(level);
    setenv("PDCURSORLVL", level, 1);
    start(form::arrays, staff(4));
    // The statement's entry is the cursor's: both carry the cursor's name.
    prepare(1, "SELECT * FROM STAFF", "C1");
    EXPECT_EQ(simple("OPEN", 1, "C1"), 0);
    fetch_list f(1, "C1");
    for (int i = 0; i < 4; ++i) ASSERT_EQ(f.run(), 0) << f.r.message();
    EXPECT_EQ(entries(), 1u);
    EXPECT_EQ(f.run(), 100);
    EXPECT_EQ(entries(), 0u);
    EXPECT_EQ(fetch_requests(), 2u);
    EXPECT_EQ(simple("CLOS", 1, "C1"), 0);
    size_t closes = 0;
    for (const marlo::request& q : server->requests()) closes += q.function == "p_f_sqa_cclose" ? 1 : 0;
    EXPECT_EQ(closes, 0u);
    zk::request disc{"DISC"};
    call(disc);
  }
}

class BlockForms : public BlockFetch, public ::testing::WithParamInterface<form> {};

TEST_P(BlockForms, RowsComeInBlocksAndTheRestOfABlockWithoutTraffic) {
  start(GetParam(), staff(7));
  open(1, "C1");
  fetch_list f(1, "C1");
  // Blocks of rows 0-2, 3-5 and 6, the last ending the rows with 100.
  const size_t requests_after[] = {1, 1, 1, 2, 2, 2, 3, 3, 3};
  for (int i = 0; i < 9; ++i) {
    SCOPED_TRACE(i);
    ASSERT_EQ(f.run(), i < 7 ? 0 : 100) << f.r.message();
    EXPECT_EQ(fetch_requests(), requests_after[i]);
    if (i < 7) {
      EXPECT_EQ(f.r.sqlcode(), 0) << f.r.message();
      EXPECT_EQ(f.r.message(), kCompleted);
      EXPECT_TRUE(f.holds_row(i)) << f.id << " " << f.text();
      if (i % 3 != 2 && i != 6) {
        EXPECT_EQ(f.r.sqlstate(), "00000");
      }
    } else {
      // After the block that ended with 100: 100 again, nothing sent.
      EXPECT_EQ(f.r.sqlcode(), 100);
      EXPECT_EQ(f.r.message(), kNoRows);
      EXPECT_EQ(f.id, -1);
    }
  }
}

// The block arrives in a kept entry's buffer, and its own status says the
// server closed every cursor: the row is delivered from the block before
// the blocks go, and the next FETCH asks the server again.
TEST_P(BlockForms, ABlockWhoseStatusClosesEveryCursorDeliversItsRowThenGoes) {
  for (bool little : {false, true}) {
    SCOPED_TRACE(little ? "little-endian server" : "big-endian server");
    marlo::script s;
    s.little_endian = little;
    s.block.scripted[0] = marlo::block_script{0, 0x40, ""};
    start(GetParam(), staff(7), std::move(s));
    open(1, "C1");
    fetch_list f(1, "C1");
    ASSERT_EQ(f.run(), 0) << f.r.message();
    EXPECT_EQ(f.r.sqlcode(), 0) << f.r.message();
    EXPECT_TRUE(f.holds_row(0)) << f.id << " " << f.text();
    EXPECT_EQ(entries(), 0u);
    ASSERT_EQ(f.run(), 0) << f.r.message();
    EXPECT_EQ(fetch_requests(), 2u);
    EXPECT_TRUE(f.holds_row(3)) << f.id << " " << f.text();
    restart();
  }
}

TEST_P(BlockForms, ALargeCursorFromARuleComesInBlocksOfPdblkf) {
  setenv("PDBLKF", "250", 1);
  constexpr size_t kRows = 10000;
  marlo::script s;
  marlo::table shape = staff(0);
  s.block.generated["STAFF"] = marlo::generated_rows{
      kRows, [](size_t i) {
        return std::vector<marlo::cell>{marlo::cell::of(std::to_string(i)), marlo::cell::of("n" + std::to_string(i % 97)),
                                        marlo::cell::of(std::to_string(i % 1000) + ".50")};
      }};
  start(GetParam(), shape, std::move(s));
  open(1, "C1");
  fetch_list f(1, "C1");
  size_t seen = 0;
  while (f.run() == 0) {
    ASSERT_EQ(f.id, static_cast<int32_t>(seen));
    ASSERT_EQ(f.text(), "n" + std::to_string(seen % 97));
    ++seen;
  }
  EXPECT_EQ(f.r.sqlcode(), 100) << f.r.message();
  EXPECT_EQ(seen, kRows);
  EXPECT_EQ(fetch_requests(), kRows / 250);
}

// What one FETCH of a table row gives: its SQLCODE and the row it
// delivers (-1: none).
struct outcome {
  int32_t sqlcode;
  int row;
};

struct accounting_case {
  const char* what;
  form shape;
  int rows;
  const char* pdblkf;
  std::map<size_t, marlo::block_script> scripted;
  const char* errbreak;  // PDBLKFERRBREAK
  std::vector<outcome> fetches;
  size_t requests;
};

constexpr int32_t kScriptedError = -999;
const marlo::block_script kError{kScriptedError, 0, "KFPA11999-E scripted"};
const marlo::block_script kErrorReleasing{kScriptedError, 0x04, "KFPA11999-E scripted"};
const marlo::block_script kEndRows{110, 0, "scripted end of rows"};

// Over the shared-memory channel each block comes through the sections
// and stays with its cursor while the next requests use them.
TEST_F(BlockFetch, BlocksThroughTheSharedMemoryChannelStayWithTheirCursors) {
  for (form shape : {form::arrays, form::records, form::sqlda}) {
    SCOPED_TRACE(name_of(shape));
    setenv("PDIPC", "MEMORY", 1);
    start(shape, staff(7));
    open(1, "C1");
    open(2, "C2");
    fetch_list first(1, "C1");
    fetch_list second(2, "C2");
    // The cursors in turn: each block outlives the other cursor's requests.
    for (int i = 0; i < 7; ++i) {
      SCOPED_TRACE(i);
      ASSERT_EQ(first.run(), 0) << first.r.message();
      EXPECT_TRUE(first.holds_row(i)) << first.id;
      ASSERT_EQ(second.run(), 0) << second.r.message();
      EXPECT_TRUE(second.holds_row(i)) << second.id;
    }
    EXPECT_EQ(first.run(), 100);
    size_t fetches = 0;
    for (const marlo::request& q : server->requests()) {
      if (q.function != kFetchFn) continue;
      ++fetches;
      EXPECT_EQ(q.form, "shm");
    }
    // Blocks of PDBLKF rows: three for each cursor's seven rows.
    EXPECT_EQ(fetches, 6u);
    restart();
  }
}

TEST_F(BlockFetch, CompletionReportsAndRowAccountingOverTheBlock) {
  const accounting_case cases[] = {
      {"a block of PDBLKF rows ending with 0, then one ending with 100", form::arrays, 5, "3", {}, "NO",
       {{0, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 4}, {100, -1}}, 2},
      {"a block of 1 row ending with 100", form::sqlda, 1, "3", {}, "NO", {{0, 0}, {100, -1}, {100, -1}}, 1},
      {"a block of 3 rows ending with 100", form::records, 3, "3", {}, "NO", {{0, 0}, {0, 1}, {0, 2}, {100, -1}}, 1},
      {"a block ending with 110", form::arrays, 5, "3", {{0, kEndRows}}, "NO",
       {{0, 0}, {0, 1}, {0, 2}, {110, -1}, {110, -1}}, 1},
      {"a negative block delivers the rows before the error", form::sqlda, 5, "3", {{0, kError}}, "NO",
       {{0, 0}, {0, 1}, {0, 2}, {kScriptedError, -1}, {kScriptedError, -1}}, 1},
      {"PDBLKFERRBREAK Y without flag 0x04 delivers them too", form::arrays, 5, "3", {{0, kError}}, "YES",
       {{0, 0}, {0, 1}, {0, 2}, {kScriptedError, -1}}, 1},
      {"PDBLKFERRBREAK Y with flag 0x04 delivers none", form::records, 5, "3", {{0, kErrorReleasing}}, "YES",
       {{kScriptedError, -1}}, 1},
      {"blocks of 2 over 4 rows", form::records, 4, "2", {}, "NO", {{0, 0}, {0, 1}, {0, 2}, {0, 3}, {100, -1}}, 2},
  };
  for (const accounting_case& t : cases) {
    SCOPED_TRACE(std::string(t.what) + ", " + name_of(t.shape));
    setenv("PDBLKF", t.pdblkf, 1);
    setenv("PDBLKFERRBREAK", t.errbreak, 1);
    marlo::script s;
    s.block.scripted = t.scripted;
    start(t.shape, staff(t.rows), std::move(s));
    open(1, "C1");
    fetch_list f(1, "C1");
    for (size_t n = 0; n < t.fetches.size(); ++n) {
      SCOPED_TRACE(n);
      const outcome& want = t.fetches[n];
      f.run();
      ASSERT_EQ(f.r.sqlcode(), want.sqlcode) << f.r.message();
      if (want.row >= 0) {
        EXPECT_TRUE(f.holds_row(want.row)) << f.id;
      } else {
        EXPECT_EQ(f.id, -1);
      }
    }
    EXPECT_EQ(fetch_requests(), t.requests);
    restart();
  }
}

TEST_F(BlockFetch, CompletionReportsCarryTheCursorsCountWhenTheBlockHasOne) {
  for (int32_t errd2 : {0, 7}) {
    SCOPED_TRACE(errd2);
    marlo::script s;
    s.block.errd2 = errd2;
    start(form::arrays, staff(6), std::move(s));
    open(1, "C1");
    fetch_list f(1, "C1");
    // Completion reports count the cursor's rows; the last row of a block
    // that does not end the rows has the block's own SQLCA.
    const int32_t counted[] = {1, 2, errd2, 4, 5, 6};
    for (int32_t want : counted) {
      f.run();
      ASSERT_EQ(f.r.sqlcode(), 0) << f.r.message();
      EXPECT_EQ(f.r.sqlca.sqlerrd[2], errd2 == 0 ? 0 : want);
    }
    restart();
  }
}

TEST_F(BlockFetch, ChangedDescriptorAreasBetweenBlockedFetchesAreRefused) {
  struct change {
    const char* what;
    std::function<void(fetch_list&, std::vector<uint8_t>&)> apply;
    const char* area;
  };
  const change changes[] = {
      {"a varying character length", [](fetch_list& f, std::vector<uint8_t>&) { f.sqlda()->sqlvar[1].len.s.sqllen = 19; },
       "SQLDA"},
      {"a decimal precision", [](fetch_list& f, std::vector<uint8_t>&) { f.sqlda()->sqlvar[2].len.d.sqlprcsn = 8; },
       "SQLDA"},
      {"a code", [](fetch_list& f, std::vector<uint8_t>&) { f.sqlda()->sqlvar[0].sqlcod = 0xF1; }, "SQLDA"},
      {"sqln", [](fetch_list& f, std::vector<uint8_t>&) { f.sqlda()->sqln = 3; }, "SQLDA"},
      {"a character-set name", [](fetch_list&, std::vector<uint8_t>& csna) { csna[32 + 2 * 3 + 2] = 'X'; },
       "SQLCSNA"},
  };
  for (form shape : {form::arrays, form::records, form::sqlda}) {
    for (const change& c : changes) {
      SCOPED_TRACE(std::string(c.what) + ", " + name_of(shape));
      start(shape, staff(7));
      open(1, "C1");
      fetch_list f(1, "C1");
      // NAME in a character set of its own name: the area's entry 1.
      std::vector<uint8_t> csna(32 + 2 * 3 + 64, 0);
      const int16_t three = 3, one = 1, entry = 1, len = 6;
      memcpy(csna.data() + 12, &three, 2);
      memcpy(csna.data() + 14, &three, 2);
      memcpy(csna.data() + 16, &one, 2);
      memcpy(csna.data() + 18, &one, 2);
      memcpy(csna.data() + 32 + 2, &entry, 2);
      memcpy(csna.data() + 32 + 6, &len, 2);
      memcpy(csna.data() + 32 + 8, "MASTER", 6);
      f.r.area.sqlcsna1 = csna.data();
      ASSERT_EQ(f.run(), 0) << f.r.message();
      c.apply(f, csna);
      f.run();
      EXPECT_EQ(f.r.sqlcode(), -850);
      EXPECT_EQ(f.r.message(), std::string("KFPA11850-E ") + c.area + " was modified after first blocked fetch");
      EXPECT_EQ(f.id, -1);
      EXPECT_EQ(fetch_requests(), 1u);
      restart();
    }
  }
}

// A block's plan against the whole way. A case's rows are all alike;
// in blocks of four the second row goes the whole way and makes the
// block's plan, and the third is served by it: both leave the same
// variables, indicators, SQLCA and area. The block carries each value as
// `sent` describes it, so a value may come longer than its variable.
struct plan_column {
  uint8_t host;     // the variable's code
  int16_t length;   // its sqllen, or a decimal's precision
  uint8_t scale;
  uint8_t sent;     // the code and length the block's value comes in
  uint16_t sent_length;
  marlo::cell value;
};
struct plan_case {
  const char* what;
  bool little;
  uint8_t termbyte;
  std::vector<plan_column> columns;
  bool warns;  // a value is cut on the client
};

constexpr size_t kCellRoom = 48;
constexpr uint32_t kTableText = 40;  // bytes of each variable, beyond every value here
constexpr uint8_t kUntouched = 0xA5;
constexpr int16_t kIndicatorUntouched = 0x5A5A;

bool decimal_host(uint8_t code) {
  switch (code & 0xFE) {
    case 0x64: case 0x6E: case 0xE4: case 0xE6: case 0xEA: case 0xEC: return true;
    default: return false;
  }
}

// The variables of a plan case, and what a FETCH leaves in them.
struct plan_fetch {
  struct outcome {
    int32_t rc;
    std::vector<uint8_t> cells;
    std::vector<int16_t> inds;
    std::vector<uint8_t> sqlca;
    std::string sqlstate;
    uint8_t result;
    bool operator==(const outcome&) const = default;
  };

  zk::request r{"FETC"};
  std::vector<uint8_t> list;
  std::vector<uint8_t> cells;
  std::vector<int16_t> inds;

  explicit plan_fetch(const plan_case& c)
      : list(offsetof(SQLDA, sqlvar) + c.columns.size() * sizeof(SQLVAR), 0),
        cells(c.columns.size() * kCellRoom),
        inds(c.columns.size()) {
    blank(r.area.name1, sizeof r.area.name1, "C1");
    blank(r.area.name2, sizeof r.area.name2, "S1");
    r.area.section = 1;
    r.area.version = 0x802;
    r.area.blkf_perm1 = 1;
    r.area.blkf_perm2 = 1;
    r.area.termbyte = c.termbyte;
    SQLDA* da = sqlda();
    memcpy(da->sqldaid, "SQLDA   ", 8);
    da->sqln = da->sqld = static_cast<int16_t>(c.columns.size());
    for (size_t i = 0; i < c.columns.size(); ++i) {
      const plan_column& col = c.columns[i];
      SQLVAR& v = da->sqlvar[i];
      v.sqlcod = col.host;
      v.XDIM = 1;
      if (decimal_host(col.host)) {
        v.len.d.sqlprcsn = static_cast<uint8_t>(col.length);
        v.len.d.sqlscale = col.scale;
      } else {
        v.len.s.sqllen = col.length;
      }
      v.SQLDATA = cells.data() + i * kCellRoom;
      v.SQLIND = &inds[i];
    }
    r.area.sqliasda = da;
  }
  SQLDA* sqlda() { return reinterpret_cast<SQLDA*>(list.data()); }
  outcome run() {
    std::fill(cells.begin(), cells.end(), kUntouched);
    std::fill(inds.begin(), inds.end(), kIndicatorUntouched);
    memset(&r.sqlca, 0, sizeof r.sqlca);
    outcome o;
    o.rc = r.exsql();
    o.cells = cells;
    o.inds = inds;
    const auto* ca = reinterpret_cast<const uint8_t*>(&r.sqlca);
    o.sqlca.assign(ca, ca + sizeof r.sqlca);
    o.sqlstate = r.sqlstate();
    o.result = r.area.result;
    return o;
  }
};

// The engine's table for a case: character columns whose values suit
// every variable here; the blocks then carry the case's own values.
marlo::script plan_server(const plan_case& c) {
  marlo::table t;
  t.name = "STAFF";
  std::vector<marlo::cell> row;
  for (size_t i = 0; i < c.columns.size(); ++i) {
    marlo::column mc = marlo::column::of(("C" + std::to_string(i)).c_str(), 0xC0, kTableText);
    mc.nullable = (c.columns[i].host & 1) != 0;
    t.columns.push_back(mc);
    row.push_back(marlo::cell::of("1"));
  }
  t.rows.assign(2 * kBlockOfFour, row);
  marlo::script s;
  s.little_endian = c.little;
  EXPECT_EQ(s.tables.declare(t), "");
  const bool le = c.little;
  std::vector<marlo::fetch_entry> sent;
  for (const plan_column& col : c.columns) {
    marlo::fetch_entry d{static_cast<uint8_t>(col.sent | (col.host & 1)), 1, {}};
    if (decimal_host(col.sent)) {
      d.len[0] = static_cast<uint8_t>(col.length);
      d.len[1] = col.scale;
    } else {
      d.len[le ? 0 : 1] = static_cast<uint8_t>(col.sent_length & 0xFF);
      d.len[le ? 1 : 0] = static_cast<uint8_t>(col.sent_length >> 8);
    }
    sent.push_back(d);
  }
  std::vector<marlo::cell> values;
  for (const plan_column& col : c.columns) values.push_back(col.value);
  s.reply_edit = [le, sent, values](const std::string& function, std::vector<uint8_t>* body) {
    if (function != kFetchFn) return;
    const uint8_t* at = body->data() + 16;  // the data part's offset
    const size_t data = le ? (at[0] | at[1] << 8 | at[2] << 16 | static_cast<size_t>(at[3]) << 24)
                           : (static_cast<size_t>(at[0]) << 24 | at[1] << 16 | at[2] << 8 | at[3]);
    body->resize(data);
    const std::vector<std::vector<marlo::cell>> rows(kBlockOfFour, values);
    EXPECT_EQ(marlo::block_reply(le, false, false, 0, 0, sent, rows, {}, body), "");
  };
  return s;
}

bool plan_held() {
  zk::context_scope context;
  return clt_global.main != nullptr &&
         clt_row_plan_held(clt_global.main, static_cast<clt_blkf_entry*>(clt_global.main->blkf_list));
}

TEST_F(BlockFetch, ARowServedByItsBlocksPlanIsTheRowOfTheWholeWay) {
  using marlo::cell;
  const cell null = cell::null_cell();
  const std::vector<plan_column> fixed = {{0xA5, 10, 0, 0xA4, 10, cell::of("abc")},
                                          {0xA5, 10, 0, 0xA4, 10, cell::of("abcdefghij")},
                                          {0xA5, 10, 0, 0xA4, 14, cell::of("abcdefghijklmn")},
                                          {0xC4, 6, 0, 0xC4, 9, cell::of("123456789")}};
  const std::vector<plan_column> varying = {{0xA1, 10, 0, 0xA0, 10, cell::of("hello")},
                                            {0xC1, 4, 0, 0xC0, 12, cell::of("abcdefghijkl")},
                                            {0x31, 8, 0, 0x30, 8, cell::of("nul")},
                                            {0x31, 3, 0, 0x30, 6, cell::of("abcdef")}};
  const std::vector<plan_column> numbers = {{0xF1, 4, 0, 0xF0, 0, cell::of("42")},
                                            {0xF5, 2, 0, 0xF4, 0, cell::of("-7")},
                                            {0xE1, 8, 0, 0xE0, 0, cell::of("1234567890123")},
                                            {0xE3, 4, 0, 0xE2, 0, cell::of("99")},
                                            {0xE5, 9, 2, 0xE4, 0, cell::of("-12.50")}};
  auto both = [](std::vector<plan_column> a, const std::vector<plan_column>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  const plan_case cases[] = {
      {"numbers, big-endian server", false, 0, numbers, false},
      {"numbers, little-endian server", true, 0, numbers, false},
      {"packed decimals, as text and zoned; coded values", false, 0,
       {{0xEB, 7, 2, 0xE4, 0, cell::of("-123.45")},
        {0xED, 5, 0, 0xE4, 0, cell::of("12345")},
        {0x65, 8, 0, 0x64, 0, cell::of("12345678")},
        {0x71, 4, 0, 0x70, 4, cell::of("abcd")},
        {0x79, 3, 0, 0x78, 3, cell::of("xyz")},
        {0x7D, 8, 0, 0x7C, 8, cell::of("abcdefgh")}},
       false},
      {"fixed characters padded, whole and cut", false, 0, fixed, true},
      {"varying characters whole and cut", false, 0, varying, true},
      {"characters with a terminator in the element", false, 1, both(fixed, varying), true},
      {"characters without a terminator", true, 2, both(fixed, varying), true},
      // Bytes only in the client's byte order.
      {"bytes padded and cut", true, 0,
       {{0x45, 8, 0, 0x44, 8, cell::of(std::string("\x01\x02\x03", 3))}, {0x45, 4, 0, 0x44, 6, cell::of("abcdef")}},
       true},
      {"nulls", false, 0,
       {{0xF1, 4, 0, 0xF0, 0, null}, {0xA5, 5, 0, 0xA4, 5, null}, {0xC1, 5, 0, 0xC0, 5, null},
        {0xE5, 5, 0, 0xE4, 0, null}, {0xF1, 4, 0, 0xF0, 0, cell::of("8")}},
       false},
  };
  for (const plan_case& c : cases) {
    SCOPED_TRACE(c.what);
    setenv("PDBLKF", "4", 1);
    start(form::sqlda, staff(0), plan_server(c));
    open(1, "C1");
    plan_fetch f(c);
    std::vector<plan_fetch::outcome> rows;
    for (int i = 0; i < 3; ++i) {
      rows.push_back(f.run());
      ASSERT_EQ(rows.back().rc, 0) << f.r.message();
      ASSERT_EQ(f.r.sqlcode(), 0) << f.r.message();
    }
    EXPECT_TRUE(plan_held());
    EXPECT_EQ(fetch_requests(), 1u);
    EXPECT_TRUE(rows[1] == rows[2]);
    EXPECT_EQ(rows[1].cells, rows[2].cells);
    EXPECT_EQ(rows[1].inds, rows[2].inds);
    EXPECT_EQ(rows[1].sqlca, rows[2].sqlca);
    EXPECT_EQ(rows[2].sqlca[offsetof(SQLCA, sqlwarn)] == 'W', c.warns);
    restart();
  }
}

// Between rows that the plan serves the caller may move its variables,
// change the terminator setting or the SQLDA: each row takes what the
// call gives, as the whole way takes it.
TEST_F(BlockFetch, ABlocksPlanFollowsWhatTheCallerChangesBetweenRows) {
  using marlo::cell;
  const plan_case c{"", false, 0, {{0xF1, 4, 0, 0xF0, 0, cell::of("42")}, {0x31, 8, 0, 0x30, 8, cell::of("nul")}}, false};
  std::vector<uint8_t> elsewhere(kCellRoom);
  struct change {
    const char* what;
    std::function<void(plan_fetch&)> apply;
    std::function<void(const plan_fetch&, const plan_fetch::outcome&)> check;
  };
  const change changes[] = {
      {"a variable moved",
       [&](plan_fetch& f) {
         std::fill(elsewhere.begin(), elsewhere.end(), kUntouched);
         f.sqlda()->sqlvar[1].SQLDATA = elsewhere.data();
       },
       [&](const plan_fetch&, const plan_fetch::outcome& o) {
         EXPECT_EQ(std::string(reinterpret_cast<const char*>(elsewhere.data()), 4), std::string("nul\0", 4));
         EXPECT_EQ(o.cells[kCellRoom], kUntouched);
       }},
      {"the terminator setting",
       [](plan_fetch& f) { f.r.area.termbyte = 2; },
       [](const plan_fetch&, const plan_fetch::outcome& o) {
         EXPECT_EQ(std::string(reinterpret_cast<const char*>(o.cells.data() + kCellRoom), 3), "nul");
         EXPECT_EQ(o.cells[kCellRoom + 3], kUntouched);
       }},
      {"a variable's length",
       [](plan_fetch& f) { f.sqlda()->sqlvar[1].len.s.sqllen = 9; },
       [](const plan_fetch& f, const plan_fetch::outcome&) {
         EXPECT_EQ(f.r.sqlcode(), -850);
         EXPECT_EQ(f.r.message(), "KFPA11850-E SQLDA was modified after first blocked fetch");
       }},
  };
  for (const change& ch : changes) {
    SCOPED_TRACE(ch.what);
    setenv("PDBLKF", "4", 1);
    start(form::sqlda, staff(0), plan_server(c));
    open(1, "C1");
    plan_fetch f(c);
    f.run();
    f.run();
    ASSERT_TRUE(plan_held());
    ch.apply(f);
    const plan_fetch::outcome o = f.run();
    ch.check(f, o);
    restart();
  }
}

// Cursors whose FETCHes alternate keep a plan each.
TEST_F(BlockFetch, AlternatingCursorsEachKeepTheirBlocksPlan) {
  setenv("PDBLKF", "6", 1);
  start(form::sqlda, staff(12));
  open(1, "C1");
  open(1, "C2");
  fetch_list a(1, "C1");
  fetch_list b(1, "C2");
  for (int i = 0; i < 12; ++i) {
    SCOPED_TRACE(i);
    ASSERT_EQ(a.run(), 0) << a.r.message();
    EXPECT_TRUE(a.holds_row(i)) << a.id;
    ASSERT_EQ(b.run(), 0) << b.r.message();
    EXPECT_TRUE(b.holds_row(i)) << b.id;
  }
  EXPECT_EQ(fetch_requests(), 4u);
}

TEST_F(BlockFetch, TwoCursorsUnderOneSectionKeepBlocksOfTheirOwn) {
  start(form::arrays, staff(7));
  open(1, "C1");
  open(1, "C2");
  fetch_list a(1, "C1");
  fetch_list b(1, "C2");
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(a.run(), 0) << a.r.message();
    EXPECT_TRUE(a.holds_row(i));
    ASSERT_EQ(b.run(), 0) << b.r.message();
    EXPECT_TRUE(b.holds_row(i));
  }
  EXPECT_EQ(fetch_requests(), 2u);
  EXPECT_EQ(entries(), 2u);
}

// Each row: what ends the transaction and whether each cursor's next FETCH
// is served from its block (no request) afterwards. A held cursor stays open
// at the server over COMMIT; ROLLBACK closes it there.
TEST_F(BlockFetch, HeldAndUnheldCursorsAcrossCommitAndRollback) {
  struct row {
    const char* end;
    bool held_kept;
  };
  for (const row& t : {row{"CMIT", true}, row{"ROLL", false}}) {
    SCOPED_TRACE(t.end);
    start(form::arrays, staff(7));
    open(1, "HELD", true);
    open(2, "FREE");
    fetch_list held(1, "HELD");
    fetch_list free(2, "FREE");
    ASSERT_EQ(held.run(), 0) << held.r.message();
    ASSERT_EQ(free.run(), 0) << free.r.message();
    ASSERT_EQ(fetch_requests(), 2u);
    EXPECT_EQ(simple(t.end), 0);
    EXPECT_EQ(entries(), t.held_kept ? 1u : 0u);
    held.run();
    EXPECT_EQ(fetch_requests(), t.held_kept ? 2u : 3u);
    if (t.held_kept) {
      EXPECT_EQ(held.r.sqlcode(), 0) << held.r.message();
      EXPECT_TRUE(held.holds_row(1)) << held.id;
    } else {
      EXPECT_EQ(held.r.sqlcode(), -501) << held.r.message();
    }
    free.run();
    EXPECT_EQ(fetch_requests(), t.held_kept ? 3u : 4u);
    EXPECT_EQ(free.r.sqlcode(), -501);  // the server closed it
    restart();
  }
}

TEST_F(BlockFetch, CloseReleasesOnlyItsOwnBlock) {
  start(form::arrays, staff(7));
  open(1, "C1");
  open(2, "C2");
  fetch_list a(1, "C1");
  fetch_list b(2, "C2");
  ASSERT_EQ(a.run(), 0);
  ASSERT_EQ(b.run(), 0);
  EXPECT_EQ(simple("CLOS", 1, "C1"), 0);
  EXPECT_EQ(entries(), 1u);
  ASSERT_EQ(b.run(), 0);
  EXPECT_TRUE(b.holds_row(1));
  EXPECT_EQ(fetch_requests(), 2u);
  // A cursor that never fetched has no block to release.
  open(3, "C3");
  EXPECT_EQ(simple("CLOS", 3, "C3"), 0);
  EXPECT_EQ(entries(), 1u);
  // Opened again, the cursor asks the server for its rows afresh.
  open(1, "C1");
  ASSERT_EQ(a.run(), 0);
  EXPECT_TRUE(a.holds_row(0));
  EXPECT_EQ(fetch_requests(), 3u);
}

TEST_F(BlockFetch, AReplyFlagThatEveryCursorIsClosedFreesEveryBlock) {
  marlo::script s;
  s.statuses["p_f_sqa_cclose"] = marlo::status_bytes{0, 0x40, 0};
  start(form::arrays, staff(7), std::move(s));
  open(1, "HELD", true);
  open(2, "C2");
  open(3, "C3");
  fetch_list held(1, "HELD");
  fetch_list other(2, "C2");
  ASSERT_EQ(held.run(), 0);
  ASSERT_EQ(other.run(), 0);
  EXPECT_EQ(entries(), 2u);
  EXPECT_EQ(simple("CLOS", 3, "C3"), 0);
  EXPECT_EQ(entries(), 0u);
  held.run();
  EXPECT_EQ(fetch_requests(), 3u);
}

TEST_F(BlockFetch, DisconnectFreesEveryBlock) {
  start(form::sqlda, staff(7));
  open(1, "C1");
  fetch_list f(1, "C1");
  ASSERT_EQ(f.run(), 0);
  EXPECT_EQ(entries(), 1u);
  EXPECT_EQ(simple("DISC"), 0);
  EXPECT_EQ(entries(), 0u);
}

TEST_F(BlockFetch, AReplyTheDirectFrameGrewBecomesTheEntrysBuffer) {
  marlo::script s;
  // Flag bytes far beyond the columns make the block longer than the
  // buffer the check sized for its rows.
  constexpr size_t kLongFlags = 3 * CLT_REPLY_STEP;
  s.fetch.flags.assign(kLongFlags, 0);
  start(form::arrays, staff(7), std::move(s));
  {
    zk::context_scope context;
    ASSERT_EQ(clt_main_rpc(clt_global.main)->direct, 'Y');
  }
  open(1, "C1");
  fetch_list f(1, "C1");
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(f.run(), 0) << f.r.message();
    EXPECT_TRUE(f.holds_row(i));
  }
  EXPECT_EQ(fetch_requests(), 1u);
  zk::context_scope context;
  const clt_blkf_entry* e = clt_blkf_current();
  ASSERT_NE(e, nullptr);
  EXPECT_GT(e->reply_buf_size, kLongFlags);
  // The connection's buffer went to the entry; the next request gets a new one.
  EXPECT_EQ(clt_global.runtime.com.reply_buf, nullptr);
}

TEST_F(BlockFetch, TheOdbcBufferTellsTheRowsLeftInTheBlock) {
  void* handle = nullptr;
  ASSERT_EQ(p_rdb_initodbc(0, &handle), 0);
  rdb_odbc_buf odbc{};
  odbc.ctxhandle = handle;
  g_odbc = &odbc;
  start(form::arrays, staff(5));
  open(1, "C1");
  fetch_list f(1, "C1");
  // Blocks of 3 and 2 rows.
  for (uint16_t left : {2, 1, 0, 1, 0}) {
    ASSERT_EQ(f.run(), 0) << f.r.message();
    EXPECT_EQ(odbc.rowsleft, left);
  }
  TearDown();
  g_odbc = nullptr;
  p_rdb_termodbc(0, handle);
  SetUp();
}

INSTANTIATE_TEST_SUITE_P(Forms, BlockForms, ::testing::Values(form::arrays, form::records, form::sqlda),
                         [](const ::testing::TestParamInfo<form>& p) {
                           std::string n = name_of(p.param);
                           for (char& c : n) c = isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return n;
                         });

}  // namespace
