// The second protocol's socket layer against a peer on loopback: the
// connect and its socket-trace steps, a message received in pieces up to
// the length it announces, and each way a receive ends early.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <iterator>
#include <thread>

#include "cltrdbuf.h"
#include "cltrdtcp.h"
#include "wire_support.h"
#include "zk_harness.h"

namespace {

using bytes = std::vector<uint8_t>;

// A listener on loopback whose one accepted connection gets `script`.
class peer {
 public:
  explicit peer(std::function<void(int)> script) {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(listener_, 1);
    socklen_t len = sizeof a;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this, script] {
      const int fd = accept(listener_, nullptr, nullptr);
      if (fd < 0) return;
      script(fd);
      close(fd);
    });
  }
  ~peer() {
    shutdown(listener_, SHUT_RDWR);
    thread_.join();
    close(listener_);
  }
  uint16_t port() const { return port_; }

 private:
  int listener_ = -1;
  uint16_t port_ = 0;
  std::thread thread_;
};

void send_bytes(int fd, const bytes& b) { send(fd, b.data(), b.size(), MSG_NOSIGNAL); }

bytes message(uint32_t length, uint8_t fill) {
  bytes m(length, fill);
  m[0] = static_cast<uint8_t>(length >> 24);
  m[1] = static_cast<uint8_t>(length >> 16);
  m[2] = static_cast<uint8_t>(length >> 8);
  m[3] = static_cast<uint8_t>(length);
  return m;
}

class RdSocket : public wire::call_test {
 protected:
  clt_rd_link link{};
  zk::request request{"AUXI"};
  bytes buf = bytes(64, 0);
  uint32_t received = 0;

  int32_t connect_to(const peer& p) { return clt_rd_tcp_connect(&link, "127.0.0.1", p.port()); }
  int32_t receive(uint32_t limit) {
    return clt_rd_tcp_recv(link.socket, buf.data(), static_cast<uint32_t>(buf.size()), clt_rd_wait{limit, &main},
                           &received, &request.area);
  }
};

TEST_F(RdSocket, ConnectTracesItsStepsAndTheCloseItsOwnCode) {
  bytes got(10, 0);
  peer p([&](int fd) { recv(fd, got.data(), got.size(), MSG_WAITALL); });
  ASSERT_EQ(connect_to(p), 0);
  const int32_t steps[] = {14, 13, 13, 6, 3};
  ASSERT_GE(soc.size(), 2 * std::size(steps));
  for (size_t i = 0; i < std::size(steps); ++i) {
    EXPECT_EQ(soc[2 * i].call, steps[i]) << i;
    EXPECT_EQ(soc[2 * i + 1].call, steps[i]) << i;
  }
  // The first address of the local host name.
  const uint8_t none[4] = {};
  EXPECT_NE(memcmp(link.client_addr, none, sizeof none), 0);
  const bytes out = message(10, 0x41);
  EXPECT_EQ(clt_rd_tcp_send(link.socket, out.data(), 10), 0);
  EXPECT_EQ(count_soc(19, 1), 1);
  soc.clear();
  EXPECT_EQ(clt_rd_tcp_close(link.socket), 0);
  EXPECT_EQ(count_soc(17, 1), 1);
  EXPECT_EQ(count_soc(17, 2), 1);
}

TEST_F(RdSocket, AConnectNobodyTakesIsNotUp) {
  uint16_t port = 0;
  {
    peer p([](int) {});
    port = p.port();
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    close(fd);
  }
  EXPECT_EQ(clt_rd_tcp_connect(&link, "127.0.0.1", port), CLT_RD_E_CONNECT);
  EXPECT_TRUE(logged("KFPZ02444-E Communication error, func=connect(127.0.0.1:" + std::to_string(port)));
}

TEST_F(RdSocket, AMessageInPiecesEndsAtItsLength) {
  peer p([](int fd) {
    const bytes m = message(40, 0x42);
    for (size_t at = 0; at < m.size(); at += 3) {
      send_bytes(fd, bytes(m.begin() + static_cast<long>(at), m.begin() + static_cast<long>(std::min(m.size(), at + 3))));
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  });
  ASSERT_EQ(connect_to(p), 0);
  EXPECT_EQ(receive(0), 0);
  EXPECT_EQ(received, 40u);
  EXPECT_EQ(buf[39], 0x42);
  EXPECT_EQ(buf[40], 0);
  clt_rd_tcp_close(link.socket);
}

TEST_F(RdSocket, AReceiveEndsEarlyAsItsCauseSays) {
  const struct {
    const char* what;
    std::function<void(int)> script;
    uint32_t limit;
    int32_t rc;
    int32_t sqlcode;
  } cases[] = {
      {"a length above the buffer", [](int fd) { send_bytes(fd, message(65, 0)); }, 0, CLT_RD_E_REPORTED, -720},
      {"more bytes than announced",
       [](int fd) {
         bytes two = message(8, 1);
         two.resize(12, 2);
         send_bytes(fd, two);
       },
       0, CLT_RD_E_REPORTED, -720},
      {"the peer closes", [](int fd) { send_bytes(fd, bytes{0, 0}); }, 0, CLT_RD_E_NETWORK, 0},
      {"a silent peer at the wait limit",
       [](int) { std::this_thread::sleep_for(std::chrono::milliseconds(300)); }, 3, CLT_RD_E_TIMEOUT, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    memset(&request.sqlca, 0, sizeof request.sqlca);
    peer p(c.script);
    ASSERT_EQ(connect_to(p), 0);
    soc.clear();
    EXPECT_EQ(receive(c.limit), c.rc);
    EXPECT_EQ(request.sqlcode(), c.sqlcode);
    if (c.rc == CLT_RD_E_TIMEOUT) {
      EXPECT_EQ(count_soc(5, 2), static_cast<int>(c.limit));
    }
    clt_rd_tcp_close(link.socket);
  }
}

TEST_F(RdSocket, ACancelRequestEndsTheWait) {
  peer p([](int) { std::this_thread::sleep_for(std::chrono::milliseconds(300)); });
  ASSERT_EQ(connect_to(p), 0);
  main.cancel_requested = 1;
  EXPECT_EQ(receive(0), CLT_RD_E_CANCELLED);
  clt_rd_tcp_close(link.socket);
}

}  // namespace
