// The direct frame exchange on the kept connection of the RPC session,
// against the Marlo test server.
#include <chrono>

#include "CLTSQLDR.h"
#include "wire2_support.h"

namespace {

using wire2::kConnect;
using wire2::pattern;

constexpr int32_t kFuncCommit = 10;
constexpr uint8_t kReqcodeCommit = 0x87;
constexpr int32_t kFuncCcmd = 51;
constexpr char kCommitFn[] = "p_f_sqa_ccommit";

class DirectFrame : public wire2::rpc_test {
 protected:
  // Opens the session and keeps the connection of a first CONNECT.
  void connect(marlo::script s) {
    start(std::move(s));
    ASSERT_EQ(open(), 0);
    uint32_t len = 0;
    ASSERT_EQ(call_fn(kConnect, pattern(20, 1), &len), 0) << log_text();
    main.funccode = kFuncCommit;
    call.reply_buf = static_cast<uint8_t*>(cltmem_alloc(wire2::kReplyBufSize, 0, "test", __LINE__));
    call.reply_cur = call.reply_buf;
  }

  int32_t send(std::vector<uint8_t> request, uint32_t* len) {
    uint32_t in_len = static_cast<uint32_t>(request.size());
    *len = wire2::kReplyBufSize;
    return clt_send_direct(request.data(), &in_len, call.reply_buf, len, nullptr);
  }

  std::vector<uint8_t> reply_bytes(uint32_t len) const { return std::vector<uint8_t>(call.reply_cur, call.reply_cur + len); }
};

TEST_F(DirectFrame, AWholeRequestTravelsInOneFrame) {
  marlo::script s;
  s.bodies[kCommitFn] = pattern(700, 3);
  connect(s);
  uint32_t len = 0;
  const std::vector<uint8_t> request = pattern(10000, 4);
  ASSERT_EQ(send(request, &len), 0) << log_text();
  EXPECT_EQ(reply_bytes(len), s.bodies[kCommitFn]);
  const marlo::request got = seen("frame").back();
  EXPECT_EQ(got.reqcode, kReqcodeCommit);
  EXPECT_EQ(got.capacity, wire2::kReplyBufSize);
  EXPECT_EQ(got.data, request);
  EXPECT_EQ(conn.sent.len[0], request.size()) << "the trace notes of PDTRCMODE ALL";
  EXPECT_EQ(conn.received.len[0], len);
}

TEST_F(DirectFrame, ALargerReplyReplacesTheReplyBuffer) {
  struct row {
    uint32_t body;
    uint32_t buffer;
  };
  const row rows[] = {{5000, 8192}, {8192, 8192}, {4096, 4096}};
  for (const row& r : rows) {
    SCOPED_TRACE(r.body);
    marlo::script s;
    s.bodies[kCommitFn] = pattern(r.body, 5);
    connect(s);
    conn.reply_buf_size = wire2::kReplyBufSize;
    uint32_t len = 0;
    ASSERT_EQ(send(pattern(10, 1), &len), 0) << log_text();
    EXPECT_EQ(len, r.body);
    EXPECT_EQ(conn.reply_buf_size, r.buffer);
    EXPECT_EQ(reply_bytes(len), s.bodies[kCommitFn]);
    pd_clt_close_session(1);
    cltmem_free(call.reply_buf, "test", __LINE__);
    call.reply_buf = nullptr;
  }
}

TEST_F(DirectFrame, TheReplyHeaderIsCheckedAndRemoved) {
  struct row {
    uint32_t return_code;
    int32_t result;
  };
  const row rows[] = {{0, 0}, {static_cast<uint32_t>(-310), -2410}, {static_cast<uint32_t>(-200), PD_E_UNEXPECTED}};
  for (const row& r : rows) {
    SCOPED_TRACE(r.result);
    marlo::script s;
    s.bodies[kCommitFn] = pattern(100, 7);
    s.frame_reply_header = true;
    s.frame_return_code = r.return_code;
    s.retry_wait = 9;
    connect(s);
    uint32_t len = 0;
    EXPECT_EQ(send(pattern(10, 1), &len), r.result) << log_text();
    EXPECT_EQ(reply_bytes(len), s.bodies[kCommitFn]);
    EXPECT_EQ(rconn.retry_wait, 9u);
    pd_clt_close_session(1);
    cltmem_free(call.reply_buf, "test", __LINE__);
    call.reply_buf = nullptr;
  }
}

TEST_F(DirectFrame, AnErrorReplyWithALostServerAsksForReconnection) {
  marlo::script s;
  // The detail code stands 96 bytes from the reply header's start.
  std::vector<uint8_t> body(64, 0);
  const uint32_t lost = static_cast<uint32_t>(-2474);
  for (int i = 0; i < 4; ++i) body[32 + i] = static_cast<uint8_t>(lost >> (24 - 8 * i));
  s.bodies[kCommitFn] = body;
  s.frame_reply_header = true;
  s.how = marlo::fault::error_reply;
  s.error_code = -1234;
  s.fault_after = 1;
  connect(s);
  uint32_t len = 0;
  EXPECT_EQ(send(pattern(10, 1), &len), PD_E_FES_LOST);
  EXPECT_EQ(rconn.reconnect, 1);
  EXPECT_EQ(rconn.reconnect_reason, 3);
  EXPECT_TRUE(logged("KFPZ02410-E Marlo replied error, code=-1234")) << log_text();
}

TEST_F(DirectFrame, BrokenRepliesGiveTheirCodes) {
  // Only the silent peer waits its time out; the others answer at once, so a
  // long wait keeps a loaded machine (or qemu) from turning them into timeouts.
  constexpr int32_t kSilentWait = 2;
  constexpr int32_t kAnsweringWait = 30;
  struct row {
    marlo::fault how;
    int32_t result;
    const char* logged;
  };
  const row rows[] = {
      {marlo::fault::corrupt_reply, PD_E_UNEXPECTED, "reason=INF2 ERROR"},
      {marlo::fault::short_reply, PD_E_NETWORK, "func=recv"},
      {marlo::fault::close_early, PD_E_NETWORK, "func=recv"},
      {marlo::fault::silent, PD_E_TIMEOUT, "func=select"},
      {marlo::fault::huge_reply, PD_E_PROTOCOL, "reason=SIZE OVER"},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.logged);
    marlo::script s;
    s.how = r.how;
    s.fault_after = 1;  // the CONNECT is answered
    connect(s);
    env.pdcwaittime = r.how == marlo::fault::silent ? kSilentWait : kAnsweringWait;
    uint32_t len = 0;
    EXPECT_EQ(send(pattern(10, 1), &len), r.result);
    EXPECT_TRUE(logged(r.logged)) << log_text();
    pd_clt_close_session(1);
    cltmem_free(call.reply_buf, "test", __LINE__);
    call.reply_buf = nullptr;
    log.clear();
  }
}

// The wait setting bounds the whole reply: a server that sends a byte now
// and then, each well within one wait, still ends the request on time.
TEST_F(DirectFrame, ADrippingReplyEndsAtTheWaitForTheWholeReply) {
  marlo::script s;
  s.how = marlo::fault::drip;
  s.drip_ms = 2;  // well within one wait round
  s.fault_after = 1;
  s.bodies[kCommitFn] = pattern(700, 3);
  connect(s);
  env.pdcwaittime = 20;  // 20 rounds of 5 ms; the dripped reply alone would take 1.4 s
  uint32_t len = 0;
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(send(pattern(10, 1), &len), PD_E_TIMEOUT);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(700));
  EXPECT_TRUE(logged("func=select")) << log_text();
}

// A frame header may announce far more than ever comes: the buffer grows
// only with the bytes that do, and the connection keeps its own buffer
// when the body stays incomplete.
TEST_F(DirectFrame, AnAnnouncedLengthIsNotAllocatedAheadOfItsBytes) {
  marlo::script s;
  s.how = marlo::fault::huge_reply;
  s.huge_length = 0x7FFFF000;
  s.fault_after = 1;
  s.bodies[kCommitFn] = pattern(9000, 3);
  connect(s);
  conn.reply_buf_size = wire2::kReplyBufSize;
  uint8_t* const before = call.reply_buf;
  uint32_t len = 0;
  EXPECT_EQ(send(pattern(10, 1), &len), PD_E_NETWORK);
  EXPECT_EQ(conn.reply_buf_size, wire2::kReplyBufSize);
  EXPECT_EQ(call.reply_buf, before);
}

TEST_F(DirectFrame, TheCcmdRequestWaitsItsOwnTime) {
  marlo::script s;
  s.how = marlo::fault::silent;
  s.fault_after = 1;
  connect(s);
  env.pdcwaittime = 1000;
  env.pdcalcmdwaittime = 2;
  main.funccode = kFuncCcmd;
  uint32_t len = 0;
  const auto start_time = std::chrono::steady_clock::now();
  EXPECT_EQ(send(pattern(10, 1), &len), PD_E_TIMEOUT);
  EXPECT_LT(std::chrono::steady_clock::now() - start_time, std::chrono::seconds(2));
}

}  // namespace
