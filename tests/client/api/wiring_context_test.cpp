// The wire layers inside a real call: the request builders and the
// socket layer find the call's request buffer, identity and the
// connection's records through the context, the buffers are freed with
// the control block, and the bind test closes through the socket layer.
#include <stdlib.h>
#include <sys/resource.h>

#include <memory>

#include "CLTCNTL.h"
#include "CLTCOMD.h"
#include "CLTLIBCT.h"
#include "CLTMEM.h"
#include "CLTRPCPR.h"
#include "CLTRPCSS.h"
#include "CLTUTL.h"
#include "CLTUTLEV.h"
#include "wire_support.h"
#include "zk_harness.h"

namespace {

constexpr uint32_t kBufferSize = 4096;
constexpr size_t kAuthOffset = 90;
constexpr size_t kApnameOffset = 156;
constexpr size_t kSwaittimeOffset = 152;
constexpr size_t kFieldSize = 30;
constexpr size_t kDcserviceParts = 2;
constexpr size_t kHeaderPartsOffset = 14;
constexpr long kBodyEnd = 384;

void blank(char* field, size_t n, const char* text) {
  memset(field, ' ', n);
  memcpy(field, text, strnlen(text, n));
}

uint32_t be32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

std::vector<uint8_t> complemented(const std::string& plain) {
  std::vector<uint8_t> f(kFieldSize, ' ');
  memcpy(f.data(), plain.data(), plain.size());
  for (uint8_t& b : f) b ^= 0xFF;
  return f;
}

// What the runtime double saw inside the call.
struct seen {
  int32_t built = -99;
  std::vector<uint8_t> packet;
  std::string identity;
  std::vector<uint8_t> identity_password;
  bool call_is_context = false;
  bool conn_is_section = false;
  int32_t sent_socket = -1;
  int32_t recorded_socket = -2;
  std::vector<uint8_t> received;
  uint16_t peer_port = 0;
};

seen* g_seen = nullptr;

// Plays the part of the CONNECT executor: a request buffer, the place of
// the request, the builder, then the packet over the socket layer.
int32_t executor_double(clt_runtime_op which, rdb_sql_area* area) {
  if (which != clt_runtime_op::connect_entry) return -1;
  seen& s = *g_seen;
  clt_global_data* ctx = clt_cur();
  clt_main* main = ctx->main;
  ctx->runtime.req_buf = static_cast<uint8_t*>(cltmem_alloc(kBufferSize, 0, "wiring", __LINE__));
  clt_main_com(main)->req_buf_size = kBufferSize;
  ctx->runtime.cur_req = ctx->runtime.req_buf;
  s.built = clt_req_connect();
  if (s.built == 0) {
    const uint32_t total = be32(ctx->runtime.cur_req + 8);
    s.packet.assign(ctx->runtime.cur_req, ctx->runtime.cur_req + total);
  }
  const clt_req_ctx rc = clt_req_cur();
  s.identity = rc.identity->plain_id;
  s.identity_password.assign(rc.identity->password, rc.identity->password + kFieldSize);

  const clt_com_ctx cc = clt_com_cur();
  s.call_is_context = cc.call == &ctx->runtime.com;
  s.conn_is_section = cc.conn == clt_main_com(main) && cc.main == main && cc.env == clt_main_env(main);
  // The RPC session lends the socket layer its staging buffer.
  std::vector<uint8_t> staging(COM_STAGING_SIZE);
  cc.call->staging = staging.data();
  wire::listener l;
  sockaddr_in to = l.addr();
  s.sent_socket = com_open(COM_OPEN_CONNECT, &to);
  if (s.sent_socket >= 0 && !s.packet.empty()) {
    int peer = l.accept_one();
    com_piece piece{s.packet.data(), static_cast<uint32_t>(s.packet.size())};
    if (com_send(s.sent_socket, &piece, 1) >= 0) {
      s.received.resize(s.packet.size());
      if (!wire::read_all(peer, s.received.data(), s.received.size())) s.received.clear();
    }
    s.recorded_socket = cc.conn->cur_socket;
    close(peer);
    com_close(s.sent_socket, 0);
  }
  cc.call->staging = nullptr;
  clt_reset_sqlca(area->sqlca);
  return 0;
}

struct WiredCall : ::testing::Test {
  zk::services_scope services;
  zk::temp_dir dir;
  zk::request r{"CNCT"};
  seen s;

  void SetUp() override {
    setenv("PDMEMTRCFILE", dir.file("pdmem.trc").c_str(), 1);
    setenv("PDCLTAPNAME", "wireapp", 1);
    setenv("PDSWAITTIME", "600", 1);
    setenv("DCSERVICE", "DCSRV1", 1);
    unsetenv("PDUSER");
    g_seen = &s;
    clt_svc.runtime = executor_double;
    blank(r.area.authid, sizeof r.area.authid, "scott");
    blank(r.area.passwd, sizeof r.area.passwd, "tiger");
    blank(r.area.cnctbody, sizeof r.area.cnctbody, "BODY");
  }
  void TearDown() override {
    g_seen = nullptr;
    unsetenv("PDCLTAPNAME");
    unsetenv("PDSWAITTIME");
    unsetenv("DCSERVICE");
  }
};

TEST_F(WiredCall, ConnectPacketIsBuiltFromTheAreaAndSettingsAndReachesTheSocket) {
  r.exsql();
  ASSERT_EQ(s.built, 0) << r.message();
  const std::vector<uint8_t> golden = wire::fixture_hex("connect_be.hex");
  ASSERT_GE(s.packet.size(), kApnameOffset + kFieldSize);
  // Level, version and the two parts of a CONNECT that carries DCSERVICE,
  // as in the golden packet.
  EXPECT_EQ(std::vector<uint8_t>(s.packet.begin(), s.packet.begin() + 8),
            std::vector<uint8_t>(golden.begin(), golden.begin() + 8));
  EXPECT_EQ(s.packet[kHeaderPartsOffset + 1], kDcserviceParts);
  ASSERT_GE(s.packet.size(), golden.size());
  EXPECT_EQ(std::vector<uint8_t>(s.packet.begin() + kBodyEnd, s.packet.begin() + static_cast<long>(golden.size())),
            std::vector<uint8_t>(golden.begin() + kBodyEnd, golden.end()));
  // The plug-in settings text of the conversion mode follows.
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(s.packet.data()) + golden.size() + 2, 4), "CM=N");
  // The area's identity and the settings' application name and wait.
  EXPECT_EQ(std::vector<uint8_t>(s.packet.begin() + kAuthOffset, s.packet.begin() + kAuthOffset + 60),
            std::vector<uint8_t>(golden.begin() + kAuthOffset, golden.begin() + kAuthOffset + 60));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(s.packet.data()) + kApnameOffset, 7), "wireapp");
  EXPECT_EQ(be32(s.packet.data() + kSwaittimeOffset), 600u);
  // The identity is saved in the call's context.
  EXPECT_EQ(s.identity, "SCOTT");
  EXPECT_EQ(s.identity_password, complemented("TIGER"));
  // The socket layer works on the context's call record and the
  // connection's section of the control block.
  EXPECT_TRUE(s.call_is_context);
  EXPECT_TRUE(s.conn_is_section);
  ASSERT_GE(s.sent_socket, 0);
  EXPECT_EQ(s.recorded_socket, s.sent_socket);
  EXPECT_EQ(s.received, s.packet);
}

TEST_F(WiredCall, WithoutARunningRequestTheBuildersHaveNoPlaceToBuild) {
  zk::context_scope context;
  ASSERT_EQ(clt_first_call_init(&r.area), 0);
  EXPECT_EQ(clt_req_cur().packet, nullptr);
  EXPECT_EQ(clt_req_connect(), -1);
  EXPECT_EQ(r.sqlcode(), -720);
  EXPECT_EQ(r.tokens().front().rfind("KFPA11720-E", 0), 0u) << r.message();
  clt_last_call_term(&r.area);
}

// Once the RPC session has found the server it has CONNECT built again
// where it asks; the executor's place of the request stays.
TEST_F(WiredCall, TheSessionRebuildsConnectWhereItAsks) {
  zk::context_scope context;
  ASSERT_EQ(clt_first_call_init(&r.area), 0);
  clt_rpc_call* call = clt_rpc_cur().call;
  ASSERT_EQ(call, &clt_cur()->runtime.rpc);
  ASSERT_NE(call->rebuild_connect, nullptr);
  std::vector<uint8_t> placed(kBufferSize, 0xEE);
  std::vector<uint8_t> rebuilt(kBufferSize, 0xEE);
  clt_cur()->runtime.cur_req = placed.data();
  uint32_t length = 0;
  ASSERT_EQ(call->rebuild_connect(rebuilt.data(), &length), 0) << r.message();
  EXPECT_EQ(length, be32(rebuilt.data() + 8));
  EXPECT_GE(length, 384u);
  EXPECT_EQ(std::vector<uint8_t>(rebuilt.begin(), rebuilt.begin() + 4), (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xE5}));
  EXPECT_EQ(rebuilt[length], 0xEE);
  EXPECT_EQ(clt_cur()->runtime.cur_req, placed.data());
  EXPECT_EQ(placed[0], 0xEE);
  clt_cur()->runtime.cur_req = nullptr;
  clt_last_call_term(&r.area);
}

TEST_F(WiredCall, ControlBlockReleaseFreesBothBuffersAndForgetsTheirSizes) {
  zk::context_scope context;
  ASSERT_EQ(clt_first_call_init(&r.area), 0);
  clt_global_runtime& rt = clt_cur()->runtime;
  clt_com_conn* conn = clt_main_com(clt_cur_main());
  EXPECT_EQ(conn->cur_socket, -1);
  EXPECT_EQ(conn->connect_no_retry, 'Y');
  EXPECT_EQ(clt_main_req(clt_cur_main())->sess_auth, 'N');
  rt.req_buf = static_cast<uint8_t*>(cltmem_alloc(kBufferSize, 0, "wiring", __LINE__));
  rt.cur_req = rt.req_buf;
  rt.com.reply_buf = static_cast<uint8_t*>(cltmem_alloc(kBufferSize, 0, "wiring", __LINE__));
  rt.com.reply_cur = rt.com.reply_buf;
  conn->req_buf_size = conn->reply_buf_size = kBufferSize;
  conn->req_len = conn->reply_len = 1;

  clt_req_free_buffers();
  EXPECT_EQ(rt.req_buf, nullptr);
  EXPECT_EQ(rt.cur_req, nullptr);
  EXPECT_EQ(rt.com.reply_buf, nullptr);
  EXPECT_EQ(rt.com.reply_cur, nullptr);
  EXPECT_EQ(conn->req_buf_size + conn->req_len + conn->reply_buf_size + conn->reply_len, 0u);

  // The release of the control block frees what a request left.
  rt.req_buf = static_cast<uint8_t*>(cltmem_alloc(kBufferSize, 0, "wiring", __LINE__));
  rt.com.reply_buf = static_cast<uint8_t*>(cltmem_alloc(kBufferSize, 0, "wiring", __LINE__));
  clt_last_call_term(&r.area);
  EXPECT_EQ(rt.req_buf, nullptr);
  EXPECT_EQ(rt.com.reply_buf, nullptr);
}

// The bind test's sockets go through the socket layer with its traces
// and its error log.
struct BindTest : wire::call_test {};

TEST_F(BindTest, BindsAndClosesThroughTheSocketLayer) {
  EXPECT_EQ(clt_bind_test(inet_addr("127.0.0.1")), 0);
  EXPECT_EQ(count_soc(CLT_SOC_SOCKET, 1), 1);
  EXPECT_EQ(count_soc(CLT_SOC_SOCKET, 2), 1);
  EXPECT_EQ(count_soc(CLT_SOC_BIND, 1), 1);
  EXPECT_EQ(count_soc(CLT_SOC_BIND, 2), 1);
  EXPECT_EQ(count_soc(CLT_SOC_CLOSE, 2), 1);

  // An address of another host: the bind fails, nothing is logged.
  EXPECT_EQ(clt_bind_test(inet_addr("192.0.2.1")), 1);
  EXPECT_EQ(count_soc(CLT_SOC_CLOSE, 2), 2);
  EXPECT_TRUE(log.empty()) << log_text();
}

TEST_F(BindTest, NoSocketIsLoggedAsSocket2) {
  rlimit saved{};
  getrlimit(RLIMIT_NOFILE, &saved);
  // No descriptor left: the socket cannot be made.
  int probe = dup(0);
  ASSERT_GE(probe, 0);
  rlimit tight = saved;
  tight.rlim_cur = static_cast<rlim_t>(probe);
  close(probe);
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
  const int32_t rc = clt_bind_test(inet_addr("127.0.0.1"));
  setrlimit(RLIMIT_NOFILE, &saved);
  EXPECT_EQ(rc, 1);
  EXPECT_TRUE(logged("KFPZ02444-E Communication error, func=socket2, errno=10024")) << log_text();
  EXPECT_EQ(count_soc(CLT_SOC_BIND, 1), 0);
}

}  // namespace
