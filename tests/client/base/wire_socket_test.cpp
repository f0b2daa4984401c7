// Socket layer: opening, sending, receiving and closing over loopback,
// the waits, cancel, and each failure with its code and log line.
#include <netinet/tcp.h>
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "wire_support.h"

namespace {

using wire::call_test;
using wire::listener;
using wire::loopback;

TEST(WireErrors, ErrnoBecomesWinSockError) {
  struct row {
    int err;
    int32_t wsa;
  } rows[] = {
      {ECONNREFUSED, 10061}, {ETIMEDOUT, 10060}, {EADDRINUSE, 10048}, {ECONNRESET, 10054},
      {EPIPE, 10054},        {EAGAIN, 10035},    {EINPROGRESS, 10035}, {EBADF, 10038},
      {ENOTSOCK, 10038},     {EMFILE, 10024},    {ENOBUFS, 10055},    {ENOTCONN, 10057},
      {EACCES, 10013},       {ENETUNREACH, 10051},
  };
  for (const row& r : rows) EXPECT_EQ(sa_wsa_from_errno(r.err), r.wsa) << r.err;
}

TEST(WireErrors, MapKeyedOnFunctionAndWinSockError) {
  struct row {
    int32_t code;
    int32_t wsa;
    int32_t result;
  } rows[] = {
      {COM_WSA_CONNECT, 10061, -405}, {COM_WSA_CONNECT, 10060, -406}, {COM_WSA_CONNECT, 10048, -417},
      {COM_WSA_CONNECT, 10051, -407}, {COM_WSA_SOCKET, 10024, -404},  {COM_WSA_SOCKET, 10055, -403},
      {COM_WSA_BIND, 10048, -402},    {COM_WSA_SEND_ALL, 10054, -407}, {COM_WSA_SEND_ALL, 10057, -402},
      {COM_WSA_RECV, 10054, -407},    {COM_WSA_RECV, 10055, -499},    {COM_WSA_WAIT_READ, 10038, -402},
      {COM_WSA_CLOSE, 10038, -402},   {COM_WSA_HOSTADDR, 11001, -412}, {COM_WSA_LINGER, 10052, -407},
      {COM_WSA_RCVBUF, 10055, -403},  {COM_WSA_SENDTO, 10013, -407},  {COM_WSA_RECVFROM, 10040, -402},
      {COM_WSA_LISTEN, 10064, -407},  {COM_WSA_STARTUP, 10092, -402}, {COM_WSA_CLEANUP, 10050, -407},
      {COM_WSA_CONNECT, 10054, -499}, {99, 10061, -499},
  };
  for (const row& r : rows) EXPECT_EQ(com_wsa_errmap(r.code, r.wsa), r.result) << r.code << "/" << r.wsa;
}

TEST(WireErrors, AdapterReportsItsVersion) {
  EXPECT_EQ(com_check_adapter(), 0);
  int32_t err = -1;
  com_wsa_args a;
  EXPECT_EQ(com_wsa_call(COM_WSA_VERSION, &err, a), 0x10000);
  EXPECT_EQ(com_wsa_call(99, &err, a), 0);
}

using WireSocket = call_test;

TEST_F(WireSocket, ConnectToUnreachablePortIsRefused) {
  const uint16_t port = wire::refused_port();
  sockaddr_in to = loopback(port);
  EXPECT_EQ(com_open(COM_OPEN_CONNECT, &to), COM_E_REFUSED);
  EXPECT_TRUE(logged("KFPZ02444-E Communication error, func=connect(127.0.0.1:" + std::to_string(port) +
                     "), errno=10061"))
      << log_text();
  // The socket made for the attempt was closed again.
  EXPECT_EQ(count_soc(CLT_SOC_SOCKET, 2), count_soc(CLT_SOC_CLOSE, 2));
}

TEST_F(WireSocket, NonBlockingConnectReportsRefusalAndSuccess) {
  env.pdnblockwaittime = 1;
  sockaddr_in refused = loopback(wire::refused_port());
  EXPECT_EQ(com_open(COM_OPEN_CONNECT, &refused), COM_E_REFUSED);
  EXPECT_TRUE(logged("errno=10061")) << log_text();

  listener l;
  sockaddr_in to = l.addr();
  int32_t s = com_open(COM_OPEN_CONNECT, &to);
  ASSERT_GE(s, 0);
  int peer = l.accept_one();
  ASSERT_GE(peer, 0);
  uint8_t msg[3] = {1, 2, 3};
  com_piece p{msg, sizeof msg};
  EXPECT_EQ(com_send(s, &p, 1), 3);
  uint8_t got[3] = {};
  EXPECT_TRUE(wire::read_all(peer, got, sizeof got));
  EXPECT_EQ(memcmp(got, msg, sizeof msg), 0);
  close(peer);
  EXPECT_EQ(com_close(s, 0), 0);
}

TEST_F(WireSocket, LingerAndSendBufferOnlyWithPositiveLinger) {
  listener l;
  sockaddr_in to = l.addr();
  env.pdcltlinger = 0;
  env.pdcltsndbufsize = 65536;
  int32_t s = com_open(COM_OPEN_CONNECT, &to);
  ASSERT_GE(s, 0);
  EXPECT_EQ(count_soc(CLT_SOC_SETSOCKOPT, 1), 0);
  linger lg{};
  socklen_t len = sizeof lg;
  getsockopt(s, SOL_SOCKET, SO_LINGER, &lg, &len);
  EXPECT_EQ(lg.l_onoff, 0);
  com_close(s, 0);

  env.pdcltlinger = 7;
  s = com_open(COM_OPEN_CONNECT, &to);
  ASSERT_GE(s, 0);
  EXPECT_EQ(count_soc(CLT_SOC_SETSOCKOPT, 1), 2);
  len = sizeof lg;
  getsockopt(s, SOL_SOCKET, SO_LINGER, &lg, &len);
  EXPECT_EQ(lg.l_onoff, 1);
  EXPECT_EQ(lg.l_linger, 7);
  com_close(s, 0);
}

TEST_F(WireSocket, SendGathersPiecesInStagingChunks) {
  listener l;
  sockaddr_in to = l.addr();
  int32_t s = com_open(COM_OPEN_CONNECT, &to);
  ASSERT_GE(s, 0);
  int peer = l.accept_one();
  std::vector<uint8_t> a(5000), b(10), c(4990);
  for (size_t i = 0; i < a.size(); ++i) a[i] = static_cast<uint8_t>(i);
  for (size_t i = 0; i < b.size(); ++i) b[i] = static_cast<uint8_t>(0xB0 + i);
  for (size_t i = 0; i < c.size(); ++i) c[i] = static_cast<uint8_t>(i * 7);
  com_piece pieces[] = {{a.data(), 5000}, {nullptr, 0}, {b.data(), 10}, {c.data(), 4990}, {nullptr, 0}};
  std::vector<uint8_t> got(10000);
  std::thread reader([&] { wire::read_all(peer, got.data(), got.size()); });
  EXPECT_EQ(com_send(s, pieces, 5), 10000);
  reader.join();
  EXPECT_EQ(conn.cur_socket, s);
  // 10000 bytes leave in three staged chunks of at most 4108 bytes.
  EXPECT_EQ(count_soc(CLT_SOC_SEND, 1), 3);
  std::vector<uint8_t> want(a);
  want.insert(want.end(), b.begin(), b.end());
  want.insert(want.end(), c.begin(), c.end());
  EXPECT_EQ(got, want);
  close(peer);
  com_close(s, 0);
}

TEST_F(WireSocket, SendWithoutStagingBufferIsUnexpected) {
  call.staging = nullptr;
  uint8_t byte = 0;
  com_piece p{&byte, 1};
  EXPECT_EQ(com_send(3, &p, 1), COM_E_OTHER);
  EXPECT_TRUE(logged("KFPZ02406-E Error occurred in Marlo/client, reason=UNEXPECT, inf=CLTCOMD:")) << log_text();
}

TEST_F(WireSocket, ReceiveFillsEveryPieceSkippingEmptyOnes) {
  listener l;
  sockaddr_in to = l.addr();
  int32_t s = com_open(COM_OPEN_CONNECT, &to);
  int peer = l.accept_one();
  const uint8_t data[] = {1, 2, 3, 4, 5, 6, 7};
  std::thread writer([&] {
    // In two parts, the second after a few wait rounds.
    wire::write_all(peer, data, 3);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    wire::write_all(peer, data + 3, 4);
  });
  uint8_t x[2] = {}, y[5] = {};
  com_piece pieces[] = {{x, 2}, {nullptr, 0}, {y, 5}};
  com_wait unlimited{0, 0};
  EXPECT_EQ(com_recv(s, pieces, 3, &unlimited), 7);
  writer.join();
  EXPECT_EQ(x[1], 2);
  EXPECT_EQ(y[0], 3);
  EXPECT_EQ(y[4], 7);
  EXPECT_EQ(conn.recv_socket, s);
  EXPECT_EQ(call.waiting_reply, 0);
  close(peer);
  com_close(s, 0);
}

TEST_F(WireSocket, PeerClosingDuringReceiveIsNetworkFailure) {
  listener l;
  sockaddr_in to = l.addr();
  int32_t s = com_open(COM_OPEN_CONNECT, &to);
  int peer = l.accept_one();
  const uint8_t half[5] = {9, 9, 9, 9, 9};
  wire::write_all(peer, half, sizeof half);
  close(peer);
  uint8_t buf[12] = {};
  com_piece p{buf, sizeof buf};
  com_wait w{5, 0};
  EXPECT_EQ(com_recv(s, &p, 1, &w), COM_E_NETWORK);
  EXPECT_TRUE(logged("KFPZ02444-E Communication error, func=recv, errno=0")) << log_text();
  com_close(s, 0);
}

TEST_F(WireSocket, SilentPeerTimesOutAfterTheGivenRounds) {
  listener l;
  sockaddr_in to = l.addr();
  int32_t s = com_open(COM_OPEN_CONNECT, &to);
  int peer = l.accept_one();
  uint8_t buf[4];
  com_piece p{buf, sizeof buf};
  com_wait w{3, 0};
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(com_recv(s, &p, 1, &w), COM_E_TIMEOUT);
  auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, std::chrono::microseconds(3 * wire::kRoundUs));
  EXPECT_LT(took, std::chrono::seconds(1));
  EXPECT_TRUE(logged("KFPZ02444-E Communication error, func=select, errno=0")) << log_text();
  close(peer);
  com_close(s, 0);
}

TEST_F(WireSocket, CancelEndsTheWaitAndClearsTheFlag) {
  listener l;
  sockaddr_in to = l.addr();
  int32_t s = com_open(COM_OPEN_CONNECT, &to);
  int peer = l.accept_one();
  std::atomic<bool> waiting{false};
  std::thread aborter([&] {
    while (!waiting.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    clt_com_cancel_set(&main, 1);
  });
  uint8_t buf[4];
  com_piece p{buf, sizeof buf};
  com_wait unlimited{0, 0};
  waiting = true;
  EXPECT_EQ(com_recv(s, &p, 1, &unlimited), COM_E_CANCELLED);
  aborter.join();
  EXPECT_EQ(clt_com_cancel_get(&main), 0);
  close(peer);
  com_close(s, 0);
}

// A socket whose peer has reset the connection, once the reset arrived.
int32_t connect_to_reset_peer(listener& l) {
  sockaddr_in to = l.addr();
  int32_t s = com_open(COM_OPEN_CONNECT, &to);
  wire::reset_close(l.accept_one());
  pollfd pf{s, POLLIN, 0};
  poll(&pf, 1, 2000);
  return s;
}

// Sends full buffers until one send fails (a few at most); its code.
int32_t send_until_failure(int32_t s) {
  std::vector<uint8_t> data(4096, 0x55);
  com_piece p{data.data(), static_cast<uint32_t>(data.size())};
  int32_t rc = 0;
  for (int i = 0; i < 8 && rc >= 0; ++i) rc = com_send(s, &p, 1);
  return rc;
}

TEST_F(WireSocket, SendToResetPeerFailsWithoutSignal) {
  listener l;
  int32_t s = connect_to_reset_peer(l);
  EXPECT_EQ(send_until_failure(s), COM_E_NETWORK);
  EXPECT_TRUE(logged("func=send, errno=10054")) << log_text();
  com_close(s, 0);
}

TEST_F(WireSocket, BrokenPipeRaisesNoSignal) {
  listener l;
  sockaddr_in to = l.addr();
  int32_t s = com_open(COM_OPEN_CONNECT, &to);
  int peer = l.accept_one();
  // Sending after the own side was shut down is a broken pipe for certain.
  shutdown(s, SHUT_WR);
  uint8_t byte = 1;
  com_piece p{&byte, 1};
  EXPECT_EQ(com_send(s, &p, 1), COM_E_NETWORK);
  EXPECT_TRUE(logged("func=send, errno=10054")) << log_text();
  close(peer);
  com_close(s, 0);
}

TEST_F(WireSocket, SendFailureWhileSessionEndsIsQuiet) {
  listener l;
  int32_t s = connect_to_reset_peer(l);
  call.session_end = 1;
  EXPECT_EQ(send_until_failure(s), COM_E_SESSION_END);
  EXPECT_FALSE(logged("func=send")) << log_text();
  com_close(s, 0);
}

TEST_F(WireSocket, DescriptorsAbove1023Work) {
  rlimit lim{};
  getrlimit(RLIMIT_NOFILE, &lim);
  const rlim_t want = 1600;
  if (lim.rlim_cur < want) {
    if (lim.rlim_max < want) GTEST_SKIP() << "descriptor limit too low";
    lim.rlim_cur = want;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &lim), 0);
  }
  listener l;
  sockaddr_in to = l.addr();
  int32_t s = com_open(COM_OPEN_CONNECT, &to);
  int peer = l.accept_one();
  const int high = 1500;
  ASSERT_EQ(dup2(s, high), high);
  close(s);
  const uint8_t data[3] = {4, 5, 6};
  wire::write_all(peer, data, sizeof data);
  uint8_t buf[3] = {};
  com_piece p{buf, sizeof buf};
  com_wait w{2, 0};
  EXPECT_EQ(com_recv(high, &p, 1, &w), 3);
  EXPECT_EQ(buf[2], 6);
  EXPECT_EQ(com_recv(high, &p, 1, &w), COM_E_TIMEOUT);
  close(peer);
  EXPECT_EQ(com_close(high, 0), 0);
}

TEST_F(WireSocket, ReceivePortAdvertisesGivenAddressAndAccepts) {
  // A host name is resolved when the receive socket opens.
  snprintf(env.rcvaddr_host, sizeof env.rcvaddr_host, "localhost");
  sockaddr_in addr{};
  int32_t ls = com_open(COM_OPEN_RECVPORT, &addr);
  ASSERT_GE(ls, 0) << log_text();
  EXPECT_EQ(addr.sin_addr.s_addr, htonl(INADDR_LOOPBACK));
  EXPECT_NE(addr.sin_port, 0);
  EXPECT_EQ(conn.listen_port, addr.sin_port);
  EXPECT_STREQ(env.rcvaddr_disp, "127.0.0.1");
  EXPECT_EQ(env.rcvaddr, htonl(INADDR_LOOPBACK));

  int client = wire::raw_connect(addr);
  ASSERT_GE(client, 0);
  sockaddr_in peer{};
  com_wait w{2, 0};
  int32_t s = com_accept(ls, &peer, &w);
  ASSERT_GE(s, 0);
  EXPECT_EQ(peer.sin_family, AF_INET);
  EXPECT_NE(peer.sin_port, 0);
  int nodelay = 0;
  socklen_t len = sizeof nodelay;
  getsockopt(s, IPPROTO_TCP, TCP_NODELAY, &nodelay, &len);
  EXPECT_NE(nodelay, 0);
  close(client);
  com_close(s, 0);
  com_close(ls, 0);
}

TEST_F(WireSocket, ReceivePortWithUnknownAddressNameFails) {
  snprintf(env.rcvaddr_host, sizeof env.rcvaddr_host, "no-such-host.invalid");
  sockaddr_in addr{};
  EXPECT_EQ(com_open(COM_OPEN_RECVPORT, &addr), COM_E_HOST);
  EXPECT_TRUE(logged("func=gethostbyname, errno=11001")) << log_text();
  EXPECT_EQ(count_soc(CLT_SOC_SOCKET, 2), count_soc(CLT_SOC_CLOSE, 2));
}

TEST_F(WireSocket, LoopbackBindingAdvertisesTheLoopbackAddress) {
  env.pdcltbindloopbackaddr = 'Y';
  conn.loopback = 1;
  sockaddr_in addr{};
  int32_t ls = com_open(COM_OPEN_RECVPORT, &addr);
  ASSERT_GE(ls, 0) << log_text();
  EXPECT_EQ(addr.sin_addr.s_addr, htonl(INADDR_LOOPBACK));
  int client = wire::raw_connect(addr);
  EXPECT_GE(client, 0);
  close(client);
  com_close(ls, 0);
}

// Three consecutive ports that the test can occupy. Searched below Linux's
// ephemeral range, where the local ends of other connections (and their
// TIME_WAIT) never sit.
constexpr uint16_t kFirstTestPort = 20000;
constexpr uint16_t kLastTestPort = 32000;

struct port_block {
  uint16_t base = 0;
  int fds[3] = {-1, -1, -1};
  port_block() {
    for (uint16_t p = kFirstTestPort; p < kLastTestPort && base == 0; p += 3) {
      bool ok = true;
      for (int i = 0; i < 3 && ok; ++i) {
        fds[i] = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(p + i));
        ok = bind(fds[i], reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && listen(fds[i], 1) == 0;
      }
      if (ok) {
        base = p;
      } else {
        free_all();
      }
    }
  }
  void free_one(int i) {
    if (fds[i] >= 0) close(fds[i]);
    fds[i] = -1;
  }
  void free_all() {
    for (int i = 0; i < 3; ++i) free_one(i);
  }
  ~port_block() { free_all(); }
};

TEST_F(WireSocket, BusyPortRangeIsWalkedFromTheDrawnStartAndWraps) {
  port_block busy;
  ASSERT_NE(busy.base, 0);
  env.rcvport_low = busy.base;
  env.rcvport_high = static_cast<uint16_t>(busy.base + 2);
  // Second 0, millisecond 10: the draw is 1, so the walk starts at the middle port.
  clock_seconds = 0;
  clock_millis = 10;
  sockaddr_in addr{};
  EXPECT_EQ(com_open(COM_OPEN_RECVPORT, &addr), COM_E_INVALID);
  EXPECT_EQ(count_soc(CLT_SOC_BIND, 1), 3);
  EXPECT_TRUE(logged("func=bind, errno=10048")) << log_text();

  // With the lowest port free the walk reaches it last, after wrapping.
  busy.free_one(0);
  soc.clear();
  env.rcvaddr = htonl(INADDR_LOOPBACK);
  int32_t ls = com_open(COM_OPEN_RECVPORT, &addr);
  ASSERT_GE(ls, 0) << log_text();
  EXPECT_EQ(count_soc(CLT_SOC_BIND, 1), 3);
  EXPECT_EQ(ntohs(addr.sin_port), busy.base);
  com_close(ls, 0);
}

TEST_F(WireSocket, AcceptWaitsTheGivenTime) {
  listener l;
  struct row {
    com_wait wait;
  } rows[] = {{{1, 0}}, {{2, 0}}, {{0, 3}}};
  for (const row& r : rows) {
    sockaddr_in peer{};
    EXPECT_EQ(com_accept(l.fd, &peer, &r.wait), COM_E_TIMEOUT);
  }
  EXPECT_TRUE(logged("func=select, errno=0")) << log_text();
}

TEST_F(WireSocket, DatagramsBetweenBoundSockets) {
  sockaddr_in a = loopback(0), b = loopback(0);
  int32_t sa = com_open(COM_OPEN_BIND, &a);
  int32_t sb = com_open(COM_OPEN_BIND, &b);
  ASSERT_GE(sa, 0);
  ASSERT_GE(sb, 0);
  EXPECT_NE(a.sin_port, 0);
  const char msg[] = "NAMB";
  EXPECT_EQ(com_sendto(sa, &b, msg, 4), 4);
  char got[16] = {};
  sockaddr_in from{};
  com_wait w{2, 0};
  EXPECT_EQ(com_rcvfrom(sb, &from, got, sizeof got, &w), 4);
  EXPECT_STREQ(got, "NAMB");
  EXPECT_EQ(from.sin_port, a.sin_port);
  EXPECT_EQ(com_rcvfrom(sb, &from, got, sizeof got, &w), COM_E_TIMEOUT);
  com_close(sa, 0);
  com_close(sb, 0);
}

TEST_F(WireSocket, HostNamesAndLiterals) {
  struct row {
    const char* name;
    bool looked_up;
    uint32_t literal;
  } rows[] = {
      {"127.0.0.1", false, htonl(INADDR_LOOPBACK)},
      {"10.1.2.3", false, htonl(0x0A010203)},
      {"1.2.3.999", false, 0},
      {"10.1.2", true, 0},
      {"localhost", true, 0},
  };
  for (const row& r : rows) {
    uint32_t literal = 1, entry = 0;
    int32_t err = 0;
    EXPECT_EQ(clt_resolve_host(r.name, &literal, &entry, &err), r.looked_up) << r.name;
    EXPECT_EQ(literal, r.literal) << r.name;
  }
  uint32_t addr = 0;
  EXPECT_EQ(com_hostaddr("127.0.0.1", &addr), 0);
  EXPECT_EQ(addr, htonl(INADDR_LOOPBACK));
  EXPECT_EQ(com_hostaddr("no-such-host.invalid", &addr), COM_E_HOST);
  EXPECT_TRUE(logged("func=gethostbyname")) << log_text();
}

TEST_F(WireSocket, OpenWithoutModeAndCloseOfBadSocket) {
  call.mdl_trace_on = 1;
  sockaddr_in a{};
  EXPECT_EQ(com_open(0, &a), COM_E_INVALID);
  EXPECT_EQ(com_close(-5, 0), COM_E_INVALID);
  EXPECT_TRUE(logged("KFPZ02444-E Communication error, func=soclose, errno=10038")) << log_text();
  ASSERT_GE(mdl.size(), 4u);
  const wire::mdl_record& entry = mdl[2];
  const wire::mdl_record& leave = mdl[3];
  EXPECT_EQ(entry.event, 0x180302u);
  EXPECT_EQ(entry.phase, 1);
  EXPECT_EQ(memcmp(entry.words, "com_close", 10), 0);
  EXPECT_EQ(leave.phase, 2);
  EXPECT_EQ(memcmp(leave.words, "com", 4), 0);
  EXPECT_EQ(static_cast<int32_t>(leave.words[1]), COM_E_INVALID);
  EXPECT_EQ(leave.words[2], 10038u);
}

}  // namespace
