// The RPC session against the Marlo test server: the first call through
// the name service, the kept connection, segments both ways, busy and
// failing servers, and the parameter checks.
#include <arpa/inet.h>

#include <chrono>

#include "wire2_support.h"

namespace {

using wire2::kCommit;
using wire2::kConnect;
using wire2::kGroup;
using wire2::pattern;

class RpcSession : public wire2::rpc_test {};

// A hex fixture of our own layouts: "#" starts a comment, ".." is a byte
// that depends on the run (-1).
std::vector<int> golden(const std::string& name) {
  std::string path = std::string(TEST_FIXTURE_DIR) + "/zelkit/wire2/" + name;
  FILE* f = fopen(path.c_str(), "r");
  std::vector<int> out;
  if (f == nullptr) return out;
  char line[512];
  while (fgets(line, sizeof line, f) != nullptr) {
    for (char* p = line; *p != '\0' && *p != '#'; ++p) {
      if (p[0] == '.' && p[1] == '.') {
        out.push_back(-1);
        ++p;
      } else if (isxdigit(static_cast<unsigned char>(p[0])) && isxdigit(static_cast<unsigned char>(p[1]))) {
        out.push_back(static_cast<int>(strtol(std::string(p, 2).c_str(), nullptr, 16)));
        ++p;
      }
    }
  }
  fclose(f);
  return out;
}

TEST_F(RpcSession, CallsCarryTheirHeadersAndCallBlocksByteForByte) {
  start(marlo::script{});
  main.clt_pid = 0x1234;
  ASSERT_EQ(open(), 0);
  uint32_t len = 0;
  ASSERT_EQ(call_fn(kConnect, pattern(384, 1), &len), 0) << log_text();
  const std::vector<int> expect = golden("first_call.hex");
  ASSERT_EQ(expect.size(), 96u + 52u + 256u);
  const std::vector<uint8_t> got = seen("rpc").back().message;
  ASSERT_EQ(got.size(), expect.size() + 384u);
  for (size_t i = 0; i < expect.size(); ++i) {
    if (expect[i] < 0) continue;
    EXPECT_EQ(got[i], expect[i]) << "byte " << i;
  }

  ASSERT_EQ(call_fn(kCommit, pattern(52, 2), &len), 0) << log_text();
  const std::vector<int> kept = golden("kept_call.hex");
  ASSERT_EQ(kept.size(), 96u);
  const std::vector<uint8_t> compact = seen("compact").back().message;
  ASSERT_EQ(compact.size(), kept.size() + 52u);
  for (size_t i = 0; i < kept.size(); ++i) EXPECT_EQ(compact[i], kept[i]) << "byte " << i;
}

TEST_F(RpcSession, FirstCallFindsTheServerAndLaterCallsUseTheKeptConnection) {
  marlo::script s;
  s.bodies[kConnect] = marlo::reply_body(false, 0, "00000", "");
  s.bodies[kCommit] = pattern(300, 9);
  s.connection_number = 0x5151;
  start(s);
  ASSERT_EQ(open(), 0);
  EXPECT_EQ(server->registrations(), 0) << "a configured host sends no registration datagram";

  uint32_t len = 0;
  const int32_t rc = call_fn(kConnect, pattern(384, 1), &len);
  ASSERT_EQ(rc, 0) << log_text();
  EXPECT_EQ(std::vector<uint8_t>(reply.begin(), reply.begin() + len), s.bodies[kConnect]);
  EXPECT_EQ(main.cnct_number, 0x5151u);
  EXPECT_EQ(main.byteorder, 0);

  ASSERT_EQ(call_fn(kCommit, pattern(52, 2), &len), 0) << log_text();
  EXPECT_EQ(std::vector<uint8_t>(reply.begin(), reply.begin() + len), s.bodies[kCommit]);

  auto names = seen("name");
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0].function, kGroup);
  auto first = seen("rpc");
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(first[0].function, kConnect);
  EXPECT_EQ(first[0].flags, 4u);
  EXPECT_EQ(first[0].capacity, wire2::kReplyBufSize);
  EXPECT_EQ(first[0].data, pattern(384, 1));
  EXPECT_EQ(first[0].route_found, 0);
  EXPECT_EQ(first[0].route_port, htons(server->sql_port())) << "the service port from the lookup";
  EXPECT_EQ(first[0].route_kind, 0x0100);
  EXPECT_EQ(first[0].family, 4096) << "the 4096 capability unless option P";
  auto kept = seen("compact");
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0].function, kCommit);
  EXPECT_EQ(kept[0].seq, first[0].seq) << "the compact block repeats the last sequence number";
  EXPECT_EQ(kept[0].data, pattern(52, 2));

  ASSERT_EQ(pd_clt_close_session(0), 0);
  main.connected = 1;  // the closing message goes only on a connected session
  EXPECT_EQ(rpc.sess, nullptr);
}

TEST_F(RpcSession, ClosingAConnectedSessionSendsTheClosingMessage) {
  start(marlo::script{});
  ASSERT_EQ(open(), 0);
  uint32_t len = 0;
  ASSERT_EQ(call_fn(kConnect, pattern(40, 1), &len), 0) << log_text();
  main.connected = 1;
  rconn.direct = 'Y';
  ASSERT_EQ(pd_clt_close_session(0), 0);
  EXPECT_EQ(main.connected, 0);
  EXPECT_EQ(rconn.direct, 0);
  for (int i = 0; i < 100 && seen("closing").empty(); ++i) usleep(5000);
  EXPECT_EQ(seen("closing").size(), 1u);
}

// Requests over the kept connection: the message header of 40 bytes and
// 56 further bytes of the compact block come before the request.
TEST_F(RpcSession, RequestsAreCutIntoSegmentsOnlyWhenTheyPassAFrame) {
  struct row {
    uint32_t length;
    uint32_t frames;
  };
  const row rows[] = {{4000, 1}, {4001, 2}, {4096, 2}, {8056, 2}, {8057, 3}, {20000, 5}};
  marlo::script s;
  start(s);
  ASSERT_EQ(open(), 0);
  uint32_t len = 0;
  ASSERT_EQ(call_fn(kConnect, pattern(10, 1), &len), 0) << log_text();
  for (const row& r : rows) {
    SCOPED_TRACE(r.length);
    const std::vector<uint8_t> request = pattern(r.length, static_cast<uint8_t>(r.length));
    ASSERT_EQ(call_fn(kCommit, request, &len), 0) << log_text();
    const marlo::request got = seen("compact").back();
    EXPECT_EQ(got.segments, r.frames);
    EXPECT_EQ(got.data, request) << "every byte arrives, in order";
  }
}

// With a server of all three feature bits and protocol 2, a kept call
// that fits one frame goes as a frame request code with the request alone.
TEST_F(RpcSession, KeptCallsUseTheRequestCodeFormWhenTheServerAllowsIt) {
  marlo::script s;
  s.bodies[kCommit] = pattern(500, 8);
  start(s);
  ASSERT_EQ(open(), 0);
  uint32_t len = 0;
  ASSERT_EQ(call_fn(kConnect, pattern(10, 1), &len), 0) << log_text();
  conn.features = 0x01;
  conn.protocol = 2;
  main.funccode = 10;
  for (uint32_t size : {100u, 4096u}) {
    SCOPED_TRACE(size);
    const std::vector<uint8_t> request = pattern(size, 3);
    ASSERT_EQ(call_fn(kCommit, request, &len), 0) << log_text();
    ASSERT_EQ(len, 500u);
    EXPECT_EQ(std::vector<uint8_t>(reply.begin(), reply.begin() + len), s.bodies[kCommit]);
    const marlo::request got = server->requests().back();
    EXPECT_EQ(got.form, "frame");
    EXPECT_EQ(got.reqcode, 0x87);
    EXPECT_EQ(got.capacity, wire2::kReplyBufSize);
    EXPECT_EQ(got.data, request) << "4096 request bytes still go whole in one frame";
  }
  EXPECT_EQ(conn.features, 0x01) << "the session's feature bits last only while it sends";
  // A request past one frame goes segmented in the compact form.
  ASSERT_EQ(call_fn(kCommit, pattern(4097, 4), &len), 0) << log_text();
  EXPECT_EQ(server->requests().back().form, "compact");
  EXPECT_EQ(server->requests().back().data, pattern(4097, 4));
}

TEST_F(RpcSession, FirstRequestOfManySegmentsArrivesWhole) {
  start(marlo::script{});
  ASSERT_EQ(open(), 0);
  uint32_t len = 0;
  // 308 bytes of call block plus the request: 4096 + 308 data bytes need two segments.
  ASSERT_EQ(call_fn(kConnect, pattern(4096, 3), &len, 0), 0) << log_text();
  const marlo::request got = seen("rpc").back();
  EXPECT_EQ(got.segments, 2u);
  EXPECT_EQ(got.data, pattern(4096, 3));
}

TEST_F(RpcSession, SegmentedRepliesAreReassembled) {
  marlo::script s;
  s.bodies[kCommit] = pattern(10000, 5);
  start(s);
  ASSERT_EQ(open(), 0);
  reply.resize(12000);
  uint32_t len = 0;
  ASSERT_EQ(call_fn(kConnect, pattern(10, 1), &len), 0) << log_text();
  ASSERT_EQ(call_fn(kCommit, pattern(10, 2), &len), 0) << log_text();
  ASSERT_EQ(len, 10000u);
  EXPECT_EQ(std::vector<uint8_t>(reply.begin(), reply.begin() + len), s.bodies[kCommit]);
}

TEST_F(RpcSession, ASegmentedReplyGrowsTheConnectionsReplyBuffer) {
  marlo::script s;
  s.bodies[kConnect] = pattern(9000, 6);
  start(s);
  ASSERT_EQ(open(), 0);
  call.reply_may_grow = 1;
  call.reply_buf = static_cast<uint8_t*>(cltmem_alloc(wire2::kReplyBufSize, 0, "test", __LINE__));
  uint32_t in_len = 10;
  uint32_t out_len = wire2::kReplyBufSize;
  std::vector<uint8_t> request = pattern(10, 1);
  ASSERT_EQ(pd_clt_call(kGroup, kConnect, request.data(), &in_len, call.reply_buf, &out_len, 4), 0) << log_text();
  EXPECT_EQ(conn.reply_buf_size, 12288u);
  ASSERT_EQ(out_len, 9000u);
  EXPECT_EQ(std::vector<uint8_t>(call.reply_buf, call.reply_buf + out_len), s.bodies[kConnect]);
}

// A reply in one frame that the transport moves into a bigger buffer is
// received whole there.
TEST_F(RpcSession, AReplyTheTransportMovesIsReceivedWholeInTheNewBuffer) {
  constexpr uint32_t kSmall = 1024;
  marlo::script s;
  s.bodies[kConnect] = pattern(3000, 7);
  start(s);
  ASSERT_EQ(open(), 0);
  call.reply_may_grow = 1;
  call.reply_buf = static_cast<uint8_t*>(cltmem_alloc(kSmall, 0, "test", __LINE__));
  uint32_t in_len = 10;
  uint32_t out_len = kSmall;
  std::vector<uint8_t> request = pattern(10, 1);
  ASSERT_EQ(pd_clt_call(kGroup, kConnect, request.data(), &in_len, call.reply_buf, &out_len, 4), 0) << log_text();
  ASSERT_EQ(out_len, 3000u);
  EXPECT_EQ(std::vector<uint8_t>(call.reply_buf, call.reply_buf + out_len), s.bodies[kConnect]);
}

// Servers of levels 04 and 05 never get a bigger buffer: a segment that
// does not fit what is left is cut, and the buffer stays where it is.
TEST_F(RpcSession, ASegmentBeyondABufferThatMayNotGrowIsCutInPlace) {
  marlo::script s;
  s.bodies[kConnect] = pattern(9000, 6);
  start(s);
  ASSERT_EQ(open(), 0);
  memcpy(main.srv_version, "05-00", 5);
  call.reply_may_grow = 1;
  uint8_t* const buffer = static_cast<uint8_t*>(cltmem_alloc(wire2::kReplyBufSize, 0, "test", __LINE__));
  call.reply_buf = buffer;
  uint32_t in_len = 10;
  uint32_t out_len = wire2::kReplyBufSize;
  std::vector<uint8_t> request = pattern(10, 1);
  EXPECT_EQ(pd_clt_call(kGroup, kConnect, request.data(), &in_len, buffer, &out_len, 4), PD_E_TRUNCATED);
  EXPECT_EQ(call.reply_buf, buffer);
  EXPECT_EQ(memcmp(buffer, s.bodies[kConnect].data(), 2000), 0) << "the first segment stays where it came";
}

TEST_F(RpcSession, AReplyLargerThanTheBufferThatMayNotGrowIsTruncated) {
  marlo::script s;
  s.bodies[kConnect] = pattern(9000, 6);
  start(s);
  ASSERT_EQ(open(), 0);
  uint32_t len = 0;
  EXPECT_EQ(call_fn(kConnect, pattern(10, 1), &len), PD_E_TRUNCATED);
}

TEST_F(RpcSession, LookupsAreAnsweredFromTheCache) {
  start(marlo::script{});
  ASSERT_EQ(open(), 0);
  uint32_t len = 0;
  // Calls that do not keep the connection find the server each time.
  ASSERT_EQ(call_fn(kConnect, pattern(10, 1), &len, 0), 0) << log_text();
  ASSERT_EQ(call_fn(kConnect, pattern(10, 1), &len, 0), 0) << log_text();
  EXPECT_EQ(seen("rpc").size(), 2u);
  EXPECT_EQ(seen("name").size(), 1u);
}

TEST_F(RpcSession, AGroupTheNameServerDoesNotKnowIsNotUp) {
  marlo::script s;
  s.services = {"other"};
  start(s);
  ASSERT_EQ(open(), 0);
  uint32_t len = 0;
  EXPECT_EQ(call_fn(kConnect, pattern(10, 1), &len), PD_E_FES_NOT_UP);
  EXPECT_TRUE(logged("KFPZ03000-I Error information, type=INNER OPERATION, inf=nam_indirect_lookup"));
  EXPECT_TRUE(seen("rpc").empty());
}

TEST_F(RpcSession, AFixedServicePortSkipsTheNameService) {
  start(marlo::script{});
  snprintf(env.pdserviceport, sizeof env.pdserviceport, "%u", server->sql_port());
  ASSERT_EQ(open(), 0);
  uint32_t len = 0;
  ASSERT_EQ(call_fn(kConnect, pattern(10, 1), &len), 0) << log_text();
  EXPECT_TRUE(seen("name").empty());
  const marlo::request got = seen("rpc").back();
  EXPECT_EQ(got.route_port, 0xFFFF);
  EXPECT_EQ(got.route_found, 1);
  EXPECT_STREQ(env.pdfeshost, "127.0.0.1") << "the front-end host is taken from the host";
}

TEST_F(RpcSession, ABusyServerSetsTheBusyMark) {
  marlo::script s;
  s.how = marlo::fault::busy;
  start(s);
  ASSERT_EQ(open(), 0);
  uint32_t len = 0;
  EXPECT_EQ(call_fn(kConnect, pattern(10, 1), &len), PD_E_BUSY) << log_text();
  EXPECT_EQ(rconn.busy, 1);
  EXPECT_TRUE(logged("KFPZ02410-E Marlo replied error, code=-2456")) << log_text();
}

// The logged code is the server's, shifted from -3xx into -24xx; only
// busy and the front-end codes leave the exchange as themselves.
TEST_F(RpcSession, ServerErrorRepliesAreLoggedAndReported) {
  struct row {
    bool little_endian;
    int32_t code;
    int32_t logged_code;
    int32_t result;
  };
  const row rows[] = {{false, -330, -2430, PD_E_SERVER_ERROR},
                      {true, -330, -2430, PD_E_SERVER_ERROR},
                      {false, -2472, -2472, PD_E_FES_LOST},
                      {true, -1, -1, PD_E_SERVER_ERROR}};
  for (const row& r : rows) {
    SCOPED_TRACE(r.code);
    marlo::script s;
    s.how = marlo::fault::error_reply;
    s.error_code = r.code;
    s.little_endian = r.little_endian;
    start(s);
    ASSERT_EQ(open(), 0);
    uint32_t len = 0;
    EXPECT_EQ(call_fn(kConnect, pattern(10, 1), &len), r.result);
    EXPECT_EQ(main.byteorder, r.little_endian ? 1 : 0);
    EXPECT_TRUE(logged("KFPZ02410-E Marlo replied error, code=" + std::to_string(r.logged_code))) << log_text();
    pd_clt_close_session(1);
    log.clear();
  }
  EXPECT_EQ(rconn.fes_lost, 1);
  EXPECT_EQ(rconn.fes_lost_reason, 1);
}

TEST_F(RpcSession, AReplyOfAnotherCallIsLoggedAndSkipped) {
  marlo::script s;
  s.how = marlo::fault::wrong_seq;
  s.fault_count = 1;
  start(s);
  ASSERT_EQ(open(), 0);
  uint32_t len = 0;
  ASSERT_EQ(call_fn(kConnect, pattern(10, 1), &len), 0) << log_text();
  EXPECT_TRUE(logged("KFPZ02411-E Invalid message received"));
}

TEST_F(RpcSession, FailingServersGiveTheSessionsCodes) {
  struct row {
    marlo::fault how;
    int32_t result;
  };
  const row rows[] = {
      {marlo::fault::refuse, PD_E_NOT_UP},        {marlo::fault::silent, PD_E_TIMEOUT},
      {marlo::fault::close_early, PD_E_NETWORK}, {marlo::fault::short_reply, PD_E_NETWORK},
      {marlo::fault::corrupt_reply, PD_E_UNEXPECTED},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(static_cast<int>(r.how));
    marlo::script s;
    s.how = r.how;
    start(s);
    ASSERT_EQ(open(), 0);
    uint32_t len = 0;
    EXPECT_EQ(call_fn(kConnect, pattern(10, 1), &len), r.result) << log_text();
    pd_clt_close_session(1);
    log.clear();
  }
}

// The wait setting bounds the whole reply over the kept connection: a
// server that sends a byte now and then, or segment after segment without
// data, each well within one wait, still ends the call on time.
TEST_F(RpcSession, ADrippingOrEndlessReplyEndsAtTheWaitForTheWholeReply) {
  for (const marlo::fault how : {marlo::fault::drip, marlo::fault::empty_segments}) {
    SCOPED_TRACE(static_cast<int>(how));
    marlo::script s;
    s.how = how;
    s.drip_ms = 2;  // well within one wait round
    s.fault_after = 1;
    s.bodies[kCommit] = pattern(700, 3);
    start(s);
    ASSERT_EQ(open(), 0);
    uint32_t len = 0;
    ASSERT_EQ(call_fn(kConnect, pattern(10, 1), &len), 0) << log_text();
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(call_fn(kCommit, pattern(10, 2), &len), PD_E_TIMEOUT) << log_text();
    // 40 rounds of 5 ms; the dripped reply alone would take 1.5 s.
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1000));
    pd_clt_close_session(1);
    server.reset();
    log.clear();
  }
}

TEST_F(RpcSession, CallArgumentsAreChecked) {
  start(marlo::script{});
  ASSERT_EQ(open(), 0);
  std::vector<uint8_t> in(10);
  uint32_t in_len = 10;
  uint32_t zero = 0;
  uint32_t out_len = 10;
  const std::string long_name(32, 'g');
  struct row {
    const char* group;
    const char* service;
    uint8_t* in;
    uint32_t* in_len;
    uint8_t* out;
    uint32_t* out_len;
    int32_t flags;
    const char* item;
  };
  const row rows[] = {
      {long_name.c_str(), kConnect, in.data(), &in_len, reply.data(), &out_len, 4, "group"},
      {nullptr, kConnect, in.data(), &in_len, reply.data(), &out_len, 4, "group"},
      {kGroup, long_name.c_str(), in.data(), &in_len, reply.data(), &out_len, 4, "service"},
      {kGroup, kConnect, nullptr, &in_len, reply.data(), &out_len, 4, "in"},
      {kGroup, kConnect, in.data(), &zero, reply.data(), &out_len, 4, "in_len"},
      {kGroup, kConnect, in.data(), &in_len, nullptr, &out_len, 4, "out"},
      {kGroup, kConnect, in.data(), &in_len, reply.data(), &zero, 4, "out_len"},
      {kGroup, kConnect, in.data(), &in_len, reply.data(), &out_len, 2, "flags"},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.item);
    log.clear();
    EXPECT_EQ(pd_clt_call(r.group, r.service, r.in, r.in_len, r.out, r.out_len, r.flags), PD_E_PARAM);
    EXPECT_TRUE(logged(std::string("KFPZ02404-E Parameter error, func=pd_clt_call, item=") + r.item)) << log_text();
  }
  EXPECT_TRUE(server->requests().empty());
}

TEST_F(RpcSession, OpenAndCloseStates) {
  start(marlo::script{});
  EXPECT_EQ(pd_clt_open(1), PD_E_PARAM);
  EXPECT_EQ(rpc.sess, nullptr);
  EXPECT_EQ(call.staging, nullptr) << "a failed open frees what it made";
  ASSERT_EQ(open(), 0);
  EXPECT_EQ(open(), PD_E_STATE);
  EXPECT_EQ(pd_clt_close_session(2), PD_E_PARAM);
  EXPECT_TRUE(logged("KFPZ02404-E Parameter error, func=pd_clt_close, item=flags"));
  EXPECT_NE(rpc.sess, nullptr) << "a wrong flag closes nothing";
  EXPECT_EQ(pd_clt_close_session(0), 0);
  uint32_t len = 0;
  EXPECT_EQ(call_fn(kConnect, pattern(10, 1), &len), PD_E_STATE);
}

class StateService : public wire2::rpc_test {
 protected:
  uint8_t question[31] = "Unknown";
  uint8_t header[PD_MSG_HEADER_SIZE] = {};
  uint8_t answer[200] = {};

  int32_t ask() {
    com_piece out{question, sizeof question};
    in[0] = com_piece{header, sizeof header};
    in[1] = com_piece{answer, sizeof answer};
    return pd_clt_rdm_call("_pdrdm", &out, 1, in, 2, PD_SVC_ASK);
  }
  com_piece in[2];
};

TEST_F(StateService, TheQuestionIsAnsweredInOneStep) {
  marlo::script s;
  std::vector<uint8_t> reply_answer = pattern(200, 4);
  reply_answer[4] = reply_answer[5] = reply_answer[6] = 0;
  reply_answer[7] = 100;
  s.bodies["_pdrdm"] = reply_answer;
  start(s);
  ASSERT_EQ(open(), 0);
  ASSERT_EQ(ask(), 0) << log_text();
  EXPECT_EQ(rconn.fes_state, 'Y');
  EXPECT_EQ(in[1].len, 200u) << "the reply lengths are written back";
  EXPECT_EQ(std::vector<uint8_t>(answer, answer + 200), reply_answer);
  ASSERT_EQ(seen("state").size(), 1u);
  EXPECT_EQ(seen("state")[0].data, std::vector<uint8_t>(question, question + sizeof question));
}

TEST_F(StateService, ABusyServiceIsAskedAgainThenReported) {
  marlo::script s;
  s.how = marlo::fault::busy;
  start(s);
  env.pdcnctrtycount = 2;
  env.pdcnctrtywaittime = 1;
  ASSERT_EQ(open(), 0);
  EXPECT_EQ(ask(), PD_E_BUSY);
  EXPECT_EQ(seen("state").size(), 3u) << "two resends";
  EXPECT_EQ(sleeps, (std::vector<uint32_t>{1000, 1000}));
  EXPECT_EQ(rconn.busy_retries, 2);
  EXPECT_TRUE(logged("KFPZ02410-E Marlo replied error, code=-356")) << log_text();
}

TEST_F(StateService, TheAnswerAfterABusyReplyGetsTheWholeRoom) {
  marlo::script s;
  s.how = marlo::fault::busy;
  s.fault_count = 1;
  std::vector<uint8_t> reply_answer = pattern(200, 4);
  reply_answer[4] = reply_answer[5] = reply_answer[6] = 0;
  reply_answer[7] = 100;
  s.bodies["_pdrdm"] = reply_answer;
  start(s);
  env.pdcnctrtycount = 2;
  env.pdcnctrtywaittime = 1;
  ASSERT_EQ(open(), 0);
  ASSERT_EQ(ask(), 0) << log_text();
  EXPECT_EQ(seen("state").size(), 2u) << "asked again after the busy reply";
  EXPECT_EQ(in[1].len, 200u);
  EXPECT_EQ(std::vector<uint8_t>(answer, answer + 200), reply_answer);
}

TEST_F(StateService, WithoutRetriesABusyServiceIsReportedAtOnce) {
  marlo::script s;
  s.how = marlo::fault::busy;
  start(s);
  ASSERT_EQ(open(), 0);
  EXPECT_EQ(ask(), PD_E_BUSY);
  EXPECT_EQ(seen("state").size(), 1u);
  EXPECT_TRUE(sleeps.empty());
}

TEST(RpcStatus, ReplyStatusesMapToSessionCodes) {
  const int32_t rows[][2] = {{0, 0},         {-897, -2420}, {-894, -2433}, {-893, -2432}, {-892, -2431},
                             {-889, -2410},  {-840, -2410}, {-888, -2415}, {-836, -2415}, {-880, -2416},
                             {-810, -2416},  {-879, -2465}, {-830, -2417}, {-821, -2412}, {-805, -2406},
                             {-850, -2418},  {-330, -2430}, {-399, -2499}, {-300, -2400}, {-900, -2418},
                             {5, -2418}};
  for (const auto& r : rows) EXPECT_EQ(pd_clt_status_map(r[0]), r[1]) << r[0];
}

TEST(RpcStatus, TransportResultsMapToSessionCodes) {
  const int32_t sends[][2] = {{-214, -2499}, {-212, -2430}, {-207, -2414}, {-205, -2414}, {-206, -2406},
                              {-204, -2404}, {-201, -2404}, {-208, -2418}, {-1, -2418}};
  for (const auto& r : sends) EXPECT_EQ(pd_clt_tsend_code(r[0]), r[1]) << r[0];
  const int32_t recvs[][2] = {{-214, -2499}, {-213, -2419}, {-212, -2430}, {-208, -2409}, {-207, -2407},
                              {-206, -2406}, {-203, -2404}, {-205, -2418}, {-1, -2418}};
  for (const auto& r : recvs) EXPECT_EQ(pd_clt_trecv_code(r[0]), r[1]) << r[0];
}

}  // namespace
