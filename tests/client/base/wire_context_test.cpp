// The socket layer inside a running call: the connection's own control
// block and settings record reach it without a test locator.
#include <stdlib.h>

#include <chrono>
#include <thread>

#include "CLTCNTL.h"
#include "CLTLIBCT.h"
#include "wire_support.h"
#include "zk_harness.h"

namespace {

struct WireContext : ::testing::Test {
  zk::services_scope services;
  zk::context_scope context;
  zk::temp_dir dir;
  zk::request r{"CNCT"};

  void SetUp() override {
    setenv("PDMEMTRCFILE", dir.file("pdmem.trc").c_str(), 1);
    sa_set_round_us(wire::kRoundUs);
  }
  void TearDown() override {
    sa_set_round_us(0);
    if (clt_cur()->main) clt_last_call_term(&r.area);
  }
};

TEST_F(WireContext, ControlBlockSettingsAndCancelReachTheSockets) {
  ASSERT_EQ(clt_first_call_init(&r.area), 0);
  clt_main* main = clt_cur()->main;
  ASSERT_NE(main, nullptr);
  const clt_com_ctx ctx = clt_com_cur();
  EXPECT_EQ(ctx.main, main);
  EXPECT_EQ(ctx.env, clt_main_env(main));

  // PDCLTLINGER's default of 30 seconds is applied after connecting.
  wire::listener l;
  sockaddr_in to = l.addr();
  int32_t s = com_open(COM_OPEN_CONNECT, &to);
  ASSERT_GE(s, 0);
  int peer = l.accept_one();
  linger lg{};
  socklen_t len = sizeof lg;
  getsockopt(s, SOL_SOCKET, SO_LINGER, &lg, &len);
  EXPECT_EQ(lg.l_onoff, 1);
  EXPECT_EQ(lg.l_linger, 30);

  // The abort export's flag of the control block ends a wait without limit.
  std::thread aborter([main] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    clt_com_cancel_set(main, 1);
  });
  uint8_t buf[4];
  com_piece p{buf, sizeof buf};
  com_wait unlimited{0, 0};
  EXPECT_EQ(com_recv(s, &p, 1, &unlimited), COM_E_CANCELLED);
  aborter.join();
  EXPECT_EQ(main->cancel_requested, 0);
  close(peer);
  EXPECT_EQ(com_close(s, 0), 0);
}

}  // namespace
