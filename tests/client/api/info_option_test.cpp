// SET OPTION and server-information requests through the request exports.
#include "info_support.h"

namespace {

using info_test::take_seen;

struct option_exports : ::testing::Test {
  zk::services_scope services;
  zk::script* script = nullptr;
  zk::request connection{"CNCT"};

  void SetUp() override {
    script = &info_test::install();
    zk::connect(connection);
    take_seen();
  }
};

std::string code_of(const rdb_sql_area& area) { return std::string(area.reqcode, 4); }

TEST_F(option_exports, SetOptionRunsWithoutStatementAndLeavesTheAreaClean) {
  zk::request r{"OPEN"};
  r.statement("SELECT 1 FROM T1");
  rdb_sql_text* text = r.area.sqltext;
  EXPECT_EQ(p_rdb_setopt(7, &r.area), 0);
  auto seen = take_seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].op, clt_runtime_op::exec_setopt);
  EXPECT_EQ(seen[0].reqcode, "SOPT");
  EXPECT_EQ(seen[0].optvalue, 7u);
  EXPECT_FALSE(seen[0].had_text);
  EXPECT_EQ(r.area.sqltext, text);
  EXPECT_EQ(r.area.optvalue, 0u);
  EXPECT_EQ(code_of(r.area), "    ");
}

TEST_F(option_exports, ServerInformationKeepsItsRequestCode) {
  zk::request r{"OPEN"};
  r.statement("SELECT 1 FROM T1");
  rdb_sql_text* text = r.area.sqltext;
  uint8_t result[CLT_SRVINF_SIZE] = {};
  r.area.srvinfbuf = result;
  info_test::state().srvinf_reply.assign(CLT_SRVINF_SIZE, 0x5A);
  EXPECT_EQ(p_rdb_srvinf(3, &r.area), 0);
  auto seen = take_seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].op, clt_runtime_op::exec_srvinf);
  EXPECT_EQ(seen[0].reqcode, "SINF");
  EXPECT_EQ(seen[0].srvinfitem, 3u);
  EXPECT_FALSE(seen[0].had_text);
  EXPECT_EQ(result[CLT_SRVINF_SIZE - 1], 0x5A);
  EXPECT_EQ(r.area.sqltext, text);
  EXPECT_EQ(code_of(r.area), "SINF");
}

TEST_F(option_exports, ResultsFollowTheSqlcode) {
  struct {
    int32_t sqlcode;
    int32_t result;
  } cases[] = {{0, 0}, {100, 100}, {-811, -10}};
  for (const auto& c : cases) {
    script->outcomes[clt_runtime_op::exec_setopt] = {c.sqlcode, 0};
    script->outcomes[clt_runtime_op::exec_srvinf] = {c.sqlcode, 0};
    zk::request r;
    EXPECT_EQ(p_rdb_setopt(1, &r.area), c.result) << c.sqlcode;
    EXPECT_EQ(r.sqlcode(), c.sqlcode);
    EXPECT_EQ(p_rdb_srvinf(1, &r.area), c.result) << c.sqlcode;
    EXPECT_EQ(clt_cur(), nullptr);
  }
}

TEST_F(option_exports, MissingAreaOrSqlcaIsRefused) {
  EXPECT_EQ(p_rdb_setopt(1, nullptr), -30);
  EXPECT_EQ(p_rdb_srvinf(1, nullptr), -30);
  EXPECT_EQ(p_rdb_odbsetopt(0, 1, nullptr, nullptr), -30);

  zk::request r{"OPEN"};
  r.area.sqlca = nullptr;
  r.area.optvalue = 5;
  EXPECT_EQ(p_rdb_setopt(1, &r.area), -30);
  // The option never stays behind in an area that was given.
  EXPECT_EQ(r.area.optvalue, 0u);
  EXPECT_EQ(code_of(r.area), "    ");

  zk::request s{"OPEN"};
  s.area.sqlca = nullptr;
  EXPECT_EQ(p_rdb_srvinf(1, &s.area), -30);
  EXPECT_EQ(code_of(s.area), "OPEN");
  EXPECT_TRUE(take_seen().empty());
}

TEST_F(option_exports, OdbcSetOptionRunsOnTheConnectionsContext) {
  void* handle = nullptr;
  ASSERT_EQ(p_rdb_initodbc(0, &handle), 0);
  rdb_odbc_buf odbc{};
  odbc.ctxhandle = handle;
  zk::request cnct{"CNCT"};
  ASSERT_EQ(cnct.exodbc(&odbc), 0);
  take_seen();

  zk::request r{"OPEN"};
  EXPECT_EQ(p_rdb_odbsetopt(0, 9, &r.area, &odbc), 0);
  auto seen = take_seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].op, clt_runtime_op::exec_setopt);
  EXPECT_EQ(seen[0].optvalue, 9u);
  EXPECT_EQ(seen[0].context, handle);
  EXPECT_EQ(r.area.optvalue, 0u);
  EXPECT_EQ(code_of(r.area), "    ");

  zk::request bare{"OPEN"};
  bare.area.sqlca = nullptr;
  EXPECT_EQ(p_rdb_odbsetopt(0, 9, &bare.area, &odbc), -30);
  EXPECT_EQ(code_of(bare.area), "    ");

  zk::request disc{"DISC"};
  EXPECT_EQ(disc.exodbc(&odbc), 0);
  EXPECT_EQ(p_rdb_termodbc(0, handle), 0);
}

TEST_F(option_exports, SecondCallsAreRefusedLikeTheirRequestExports) {
  struct {
    const char* name;
    std::function<int32_t(rdb_sql_area*)> call;
    int32_t result;
    uint32_t running_marked;
  } cases[] = {
      {"setopt", [](rdb_sql_area* a) { return p_rdb_setopt(1, a); }, -80, 1},
      {"srvinf", [](rdb_sql_area* a) { return p_rdb_srvinf(1, a); }, -80, 1},
      {"odbsetopt", [](rdb_sql_area* a) { return p_rdb_odbsetopt(0, 1, a, nullptr); }, -1, 0},
  };
  for (const auto& c : cases) {
    zk::request second{"OPEN"};
    int32_t result = 0;
    int32_t running = info_test::run_request_while_held("FETC", [&] {
      result = c.call(&second.area);
    });
    EXPECT_EQ(result, c.result) << c.name;
    EXPECT_EQ(second.sqlcode(), -725) << c.name;
    EXPECT_EQ(info_test::state().refusal_seen, c.running_marked) << c.name;
    EXPECT_EQ(running, 0) << c.name;
  }
  EXPECT_EQ(clt_cur(), nullptr);
  EXPECT_EQ(clt_global.refused_call, 0u);
}

}  // namespace
