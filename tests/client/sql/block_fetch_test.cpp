// Block fetch through p_rdb_exsql against the test server: one FETCH
// request brings PDBLKF rows, the later FETCHes of the cursor are served
// from the kept block, every row but the block's last reports completion
// of its own, and the cursor's block lives until CLOSE, the end of the
// transaction or a status flag of a reply frees it.
#include <stdlib.h>
#include <string.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CLTCNTL.h"
#include "CLTCOMCTX.h"
#include "CLTLIBCT.h"
#include "CLTSQLSC.h"
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

const std::vector<const char*> kSettings = {
    "PDMEMTRCFILE", "PDHOST",    "PDFESHOST",      "PDSERVICEGRP", "PDAUTOCONNECT", "PDBLKF",
    "PDCLTOPTIONSTR", "PDDFLNVAL", "PDBLKFERRBREAK", "PDSRVTYPE",    "PDBINARYBLKF",  "PDCURSORLVL"};

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
    return r.exsql();
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
    disc.exsql();
    for (const char* name : kSettings) unsetenv(name);
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
    ASSERT_EQ(cn.exsql(), 0) << cn.message();
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
    ASSERT_EQ(prep.exsql(), 0) << prep.message();
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
    ASSERT_EQ(op.exsql(), 0) << op.message();
  }

  int32_t simple(const char* code, uint16_t section = 0, const char* cursor = "") {
    zk::request r{code};
    r.area.section = section;
    blank(r.area.name1, sizeof r.area.name1, cursor);
    blank(r.area.name2, sizeof r.area.name2, "S1");
    const int32_t rc = r.exsql();
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
    disc.exsql();
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

INSTANTIATE_TEST_SUITE_P(Forms, BlockForms, ::testing::Values(form::arrays, form::records, form::sqlda),
                         [](const ::testing::TestParamInfo<form>& p) {
                           std::string n = name_of(p.param);
                           for (char& c : n) c = isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return n;
                         });

}  // namespace
