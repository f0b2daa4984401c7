// The request exports and the rule of one running call per process.
#include <gtest/gtest.h>

#include <cstring>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "CLTUTL.h"
#include "zk_harness.h"

namespace {

// A CONNECT step double that ends the request with a chosen SQLCODE.
int32_t g_sqlcode = 0;
int g_dispatched = 0;
int32_t finish(rdb_sql_area* area) {
  ++g_dispatched;
  clt_reset_sqlca(area->sqlca);
  area->sqlca->SQLCODE = g_sqlcode;
  return 0;
}
int32_t runtime_double(clt_runtime_op, rdb_sql_area* area) { return finish(area); }

struct exports : ::testing::Test {
  zk::services_scope services;
  void SetUp() override { clt_svc.runtime = runtime_double; }
};

TEST_F(exports, MissingAreaOrSqlcaIsRefusedUntouched) {
  EXPECT_EQ(p_rdb_exsql(nullptr), -30);
  zk::request r;
  r.area.sqlca = nullptr;
  rdb_sql_area before = r.area;
  EXPECT_EQ(r.exsql(), -30);
  EXPECT_EQ(memcmp(&before, &r.area, sizeof(before)), 0);
  EXPECT_EQ(g_dispatched, 0);
  EXPECT_EQ(clt_cur(), nullptr);
}

TEST_F(exports, ResultFollowsSqlcode) {
  struct {
    int32_t sqlcode;
    int32_t result;
  } cases[] = {{0, 0}, {100, 100}, {1, 100}, {-811, -10}};
  for (const auto& c : cases) {
    g_sqlcode = c.sqlcode;
    zk::request r{"CNCT"};
    EXPECT_EQ(r.exsql(), c.result) << c.sqlcode;
    EXPECT_EQ(clt_cur(), nullptr);
    EXPECT_EQ(clt_global.call_running, 0u);
  }
}

TEST_F(exports, WithoutRuntimeTheRequestIsAClientError) {
  clt_svc.runtime = nullptr;
  zk::request r{"CNCT"};
  EXPECT_EQ(r.exsql(), -10);
  EXPECT_EQ(r.sqlcode(), -720);
  EXPECT_EQ(r.message().substr(0, 11), "KFPA11720-E");
  EXPECT_EQ(clt_global.main, nullptr);  // the failed CONNECT ended the connection
}

// Holds a request inside the dispatcher until the test lets it go.
struct gate {
  std::mutex m;
  std::condition_variable cv;
  bool inside = false;
  bool release = false;
};
gate* g_gate = nullptr;
uint32_t g_mark_seen = 0;

int32_t blocking_runtime(clt_runtime_op, rdb_sql_area* area) {
  {
    std::unique_lock<std::mutex> lock(g_gate->m);
    g_gate->inside = true;
    g_gate->cv.notify_all();
    g_gate->cv.wait(lock, [] { return g_gate->release; });
  }
  // As the running request sees the mark after its server exchange.
  g_mark_seen = clt_cur()->refused_call;
  return finish(area);
}

void run_while_blocked(const std::function<void()>& second) {
  gate gt;
  g_gate = &gt;
  clt_svc.runtime = blocking_runtime;
  zk::request running{"CNCT"};
  int32_t running_result = 1;
  std::thread t([&] { running_result = running.exsql(); });
  {
    std::unique_lock<std::mutex> lock(gt.m);
    gt.cv.wait(lock, [&] { return gt.inside; });
  }
  std::thread other(second);
  other.join();
  {
    std::lock_guard<std::mutex> lock(gt.m);
    gt.release = true;
  }
  gt.cv.notify_all();
  t.join();
  EXPECT_EQ(running_result, 0);
  g_gate = nullptr;
}

TEST_F(exports, SecondEmbeddedCallIsRefusedAndMarksTheRunningOne) {
  zk::request second;
  int32_t result = 0;
  run_while_blocked([&] { result = second.exsql(); });
  EXPECT_EQ(result, -80);
  EXPECT_EQ(second.sqlcode(), -725);
  EXPECT_EQ(second.message(), "KFPA11725-E Other SQL executing cannot execute next SQL");
  EXPECT_EQ(second.source_file(), "CLTLIBMN  ");
  EXPECT_EQ(second.sqlstate(), "R0000");
  EXPECT_EQ(g_mark_seen, 1u);
  EXPECT_EQ(clt_global.refused_call, 0u);  // cleared when the running call ends

  // Once the running call has returned the next one runs normally.
  clt_svc.runtime = runtime_double;
  zk::request next{"CNCT"};
  EXPECT_EQ(next.exsql(), 0);
}

TEST_F(exports, SecondOdbcCallIsRefusedWithoutMarking) {
  void* handle = nullptr;
  ASSERT_EQ(p_rdb_initodbc(0, &handle), 0);
  rdb_odbc_buf odbc{};
  odbc.ctxhandle = handle;
  zk::request second;
  int32_t result = 0;
  run_while_blocked([&] { result = second.exodbc(&odbc); });
  EXPECT_EQ(result, -1);
  EXPECT_EQ(second.sqlcode(), -725);
  EXPECT_EQ(second.source_file(), "CLTDLODB  ");
  EXPECT_EQ(g_mark_seen, 0u);
  EXPECT_EQ(p_rdb_termodbc(0, handle), 0);
}

// An embedded-SQL call refused while an ODBC call runs marks nothing: the
// running call belongs to another caller.
TEST_F(exports, EmbeddedRefusalNeverMarksARunningOdbcCall) {
  void* handle = nullptr;
  ASSERT_EQ(p_rdb_initodbc(0, &handle), 0);
  auto* odbc_ctx = static_cast<clt_global_data*>(handle);
  zk::request refused;
  {
    zk::context_scope running(odbc_ctx);
    EXPECT_EQ(refused.exsql(), -80);
  }
  EXPECT_EQ(refused.sqlcode(), -725);
  EXPECT_EQ(odbc_ctx->refused_call, 0u);
  EXPECT_EQ(clt_global.refused_call, 0u);
  EXPECT_EQ(p_rdb_termodbc(0, handle), 0);
}

TEST_F(exports, OdbcRefusalWithoutSqlcaWritesNothing) {
  zk::request bare;
  bare.area.sqlca = nullptr;
  rdb_odbc_buf odbc{};
  memset(&odbc, 0x5A, sizeof odbc);
  const rdb_sql_area areaBefore = bare.area;
  const rdb_odbc_buf odbcBefore = odbc;
  int32_t result = 0;
  run_while_blocked([&] { result = bare.exodbc(&odbc); });
  EXPECT_EQ(result, -1);
  EXPECT_EQ(memcmp(&bare.area, &areaBefore, sizeof areaBefore), 0) << "the request area is untouched";
  EXPECT_EQ(memcmp(&odbc, &odbcBefore, sizeof odbcBefore), 0) << "the ODBC buffer is untouched";
}

TEST_F(exports, OdbcContextLifecycle) {
  void* handle = nullptr;
  ASSERT_EQ(p_rdb_initodbc(0, &handle), 0);
  ASSERT_NE(handle, nullptr);
  auto* ctx = static_cast<clt_global_data*>(handle);
  EXPECT_EQ(ctx->tact_state[0], 1);
  EXPECT_EQ(ctx->tact_state[1], 2);
  EXPECT_EQ(ctx->main, nullptr);
  EXPECT_EQ(ctx->eyecatcher[0], '\0');
  EXPECT_EQ(ctx->audit[0].length, 0);

  rdb_odbc_buf odbc{};
  odbc.ctxhandle = handle;
  g_sqlcode = 100;
  zk::request r{"CNCT"};
  EXPECT_EQ(r.exodbc(&odbc), 100);
  EXPECT_EQ(clt_cur(), nullptr);

  zk::request bare;
  bare.area.sqlca = nullptr;
  EXPECT_EQ(bare.exodbc(&odbc), -30);
  EXPECT_EQ(clt_cur(), nullptr);

  // The driver ends the connection before it frees the context.
  g_sqlcode = 0;
  zk::request disc{"DISC"};
  EXPECT_EQ(disc.exodbc(&odbc), 0);
  EXPECT_EQ(ctx->main, nullptr);
  EXPECT_EQ(p_rdb_termodbc(0, handle), 0);
}

TEST_F(exports, OdbcBadArguments) {
  EXPECT_EQ(p_rdb_initodbc(0, nullptr), -30);
  zk::request r;
  EXPECT_EQ(r.exodbc(nullptr), -30);
  rdb_odbc_buf no_handle{};
  EXPECT_EQ(r.exodbc(&no_handle), -30);
  EXPECT_EQ(g_dispatched, 0);
  EXPECT_EQ(clt_cur(), nullptr);
}

TEST(StaticContext, StartsWithItsMarks) {
  EXPECT_STREQ(clt_global.eyecatcher, "Marlo_Client_Global_Data");
  EXPECT_STREQ(clt_global.tag, "CLTSTS ");
  EXPECT_EQ(std::string(clt_global.reqcode, 4), "    ");
  EXPECT_STREQ(clt_global.end_marker, "END");
  EXPECT_EQ(clt_global.tact_state[0], 1);
  EXPECT_EQ(clt_global.tact_state[1], 2);
  for (const auto& item : clt_global.audit) EXPECT_EQ(item.length, 65535);
  EXPECT_EQ(clt_global.audit_long.length, 65535);
  EXPECT_EQ(clt_global.main, nullptr);
}

}  // namespace
