// Cancelling a running request from another thread.
#include <atomic>
#include <chrono>

#include "CLTABORT.h"
#include "info_support.h"

namespace {

struct abort_export : ::testing::Test {
  zk::services_scope services;
  zk::request connection{"CNCT"};
  clt_main* main = nullptr;

  void SetUp() override {
    info_test::install();
    zk::connect(connection);
    main = clt_global.main;
  }
};

TEST_F(abort_export, CancelsTheRunningRequestOnce) {
  int32_t first = 1;
  int32_t second = 1;
  int32_t running = info_test::run_request_while_held("FETC", [&] {
    first = p_rdb_abort();
    second = p_rdb_abort();
  });
  EXPECT_EQ(first, 0);
  EXPECT_EQ(second, -80);
  // The transport's wait sees the request, and the request's end clears it.
  EXPECT_EQ(info_test::state().cancel_seen, 1);
  EXPECT_EQ(running, 0);
  EXPECT_EQ(main->cancel_requested, 0);
  EXPECT_EQ(main->cancel_recorded, 0);
  EXPECT_EQ(clt_cur(), nullptr);
}

TEST_F(abort_export, LeavesACommitAlone) {
  int32_t result = 1;
  info_test::run_request_while_held("CMIT", [&] { result = p_rdb_abort(); });
  EXPECT_EQ(result, -40);
  EXPECT_EQ(info_test::state().cancel_seen, 0);
}

TEST_F(abort_export, NothingToCancelWithoutARunningConnection) {
  EXPECT_EQ(p_rdb_abort(), -40);  // no call runs
  clt_main* kept = clt_global.main;
  clt_global.main = nullptr;
  {
    zk::context_scope current;
    EXPECT_EQ(p_rdb_abort(), -40);  // a call that has no control block yet
  }
  clt_global.main = kept;
}

TEST_F(abort_export, RequestStateDecides) {
  struct {
    const char* code;
    uint16_t cancellable;
    uint16_t recorded;
    int32_t result;
  } cases[] = {
      {"FETC", 1, 0, 0},   {"OPEN", 1, 0, 0},   {"DESC", 1, 0, 0},   {"FETC", 1, 1, -80},
      {"FETC", 0, 0, -40}, {"    ", 1, 0, -40}, {"CNCT", 1, 0, -40}, {"RNCN", 1, 0, -40},
      {"RNSC", 1, 0, -40}, {"DISC", 1, 0, -40}, {"DISR", 1, 0, -40}, {"RNDS", 1, 0, -40},
      {"ROLL", 1, 0, -40}, {"CMIT", 1, 0, -40},
  };
  zk::context_scope current;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    memcpy(clt_global.reqcode, c.code, 4);
    main->cancellable = c.cancellable;
    main->cancel_recorded = c.recorded;
    main->cancel_requested = 0;
    EXPECT_EQ(p_rdb_abort(), c.result);
    uint16_t set = c.result == 0 ? 1 : 0;
    EXPECT_EQ(main->cancel_requested, set);
    EXPECT_EQ(main->cancel_recorded, c.result == 0 ? 1 : c.recorded);
    EXPECT_EQ(clt_cur(), &clt_global);  // only read, never taken or cleared
  }
  memcpy(clt_global.reqcode, "    ", 4);
  main->cancellable = main->cancel_recorded = main->cancel_requested = 0;
}

TEST_F(abort_export, WaitsWhileTheControlBlockIsBeingFreed) {
  zk::context_scope current;
  memcpy(clt_global.reqcode, "FETC", 4);
  main->cancellable = 1;
  std::atomic<bool> returned{false};
  int32_t result = 1;
  std::thread aborter;
  {
    clt_abort_exclusion freeing;
    aborter = std::thread([&] {
      result = p_rdb_abort();
      returned = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(returned);
    clt_global.main = nullptr;  // as the end of the connection leaves the context
  }
  aborter.join();
  EXPECT_EQ(result, -40);
  EXPECT_EQ(main->cancel_requested, 0);
  clt_global.main = main;
  memcpy(clt_global.reqcode, "    ", 4);
  main->cancellable = 0;
}

}  // namespace
