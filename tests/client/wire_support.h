// Test support of the wire layers: a running call with its connection
// and settings behind the locator, the error log and traces captured,
// short wait rounds, a pinned clock, and loopback sockets.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CLTCOMCTX.h"
#include "CLTCOMD.h"
#include "zk_loghook.h"
#include "zk_seam.h"
#include "cltclock.h"
#include "sockadapt.h"

namespace wire {

// One wait round in the tests: a "second" of 5 ms.
constexpr int64_t kRoundUs = 5000;

struct soc_record {
  int32_t call;
  int32_t phase;
  int32_t error;
  int32_t sock;
  int32_t length;
};

struct mdl_record {
  uint32_t event;
  uint16_t phase;
  uint32_t words[3];
};

inline sockaddr_in loopback(uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return a;
}

// A listening socket of the test on 127.0.0.1 with a port of the system.
struct listener {
  int fd = -1;
  uint16_t port = 0;
  listener() {
    fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = loopback(0);
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd, 8) != 0) return;
    socklen_t len = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
  }
  ~listener() {
    if (fd >= 0) close(fd);
  }
  int accept_one() const { return ::accept(fd, nullptr, nullptr); }
  sockaddr_in addr() const { return loopback(port); }
};

// A port on which nothing listens: connecting to it is refused.
inline uint16_t refused_port() {
  listener l;
  uint16_t p = l.port;
  return p;
}

inline int raw_connect(const sockaddr_in& to) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

inline bool write_all(int fd, const void* data, size_t len) {
  const auto* p = static_cast<const uint8_t*>(data);
  while (len > 0) {
    ssize_t n = send(fd, p, len, MSG_NOSIGNAL);
    if (n <= 0) return false;
    p += n;
    len -= static_cast<size_t>(n);
  }
  return true;
}

inline bool read_all(int fd, void* data, size_t len) {
  auto* p = static_cast<uint8_t*>(data);
  while (len > 0) {
    ssize_t n = recv(fd, p, len, 0);
    if (n <= 0) return false;
    p += n;
    len -= static_cast<size_t>(n);
  }
  return true;
}

// Closes a socket so that the peer sees a reset.
inline void reset_close(int fd) {
  linger l{1, 0};
  setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
  close(fd);
}

inline std::vector<uint8_t> from_hex(const std::string& text) {
  std::vector<uint8_t> out;
  int nibble = -1;
  bool comment = false;
  for (char c : text) {
    if (c == '#') comment = true;
    if (c == '\n') comment = false;
    if (comment || isxdigit(static_cast<unsigned char>(c)) == 0) continue;
    int v = isdigit(static_cast<unsigned char>(c)) ? c - '0' : (tolower(c) - 'a' + 10);
    if (nibble < 0) {
      nibble = v;
    } else {
      out.push_back(static_cast<uint8_t>(nibble << 4 | v));
      nibble = -1;
    }
  }
  return out;
}

inline std::vector<uint8_t> fixture_hex(const std::string& name) {
  std::string path = std::string(TEST_FIXTURE_DIR) + "/zelkit/wire/" + name;
  FILE* f = fopen(path.c_str(), "r");
  std::string text;
  if (f != nullptr) {
    char buf[512];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    fclose(f);
  }
  EXPECT_FALSE(text.empty()) << path;
  return from_hex(text);
}

// The running call of a test: its parts, its captured log and traces.
class call_test : public ::testing::Test {
 protected:
  clt_com_call call{};
  clt_main main{};
  clt_com_conn conn{};
  clt_env env{};
  bool with_conn = true;
  uint8_t staging[COM_STAGING_SIZE] = {};
  std::vector<std::string> log;
  std::vector<soc_record> soc;
  std::vector<mdl_record> mdl;
  int64_t clock_seconds = 0;
  uint16_t clock_millis = 0;
  std::vector<uint32_t> sleeps;

  void SetUp() override {
    current_ = this;
    call.staging = staging;
    call.soc_trace_on = 1;
    conn.cur_socket = -1;
    conn.recv_socket = -1;
    conn.connect_no_retry = 'Y';
    env.pdcltnodelay = 'Y';
    env.pdcltbindloopbackaddr = 'N';
    env.pdretrycount = 10;
    env.pdretryinterval = 700000;
    env.pdtimedoutretry = 2;
    env.pdsocnum = 4;
    env.pdtrcmode = 1;
    snprintf(env.pdhost, sizeof env.pdhost, "127.0.0.1");
    old_locator_ = clt_com_set_locator(locate);
    old_errlog_ = clt_svc.errlog_vmsg;
    clt_svc.errlog_vmsg = capture_log;
    old_writers_ = clt_log_set_writers(clt_log_writers{capture_mdl, capture_soc});
    sa_set_round_us(kRoundUs);
    static const clt_clock_ops ops{clock_now, clock_sleep};
    clt_clock_install(&ops);
  }

  void TearDown() override {
    clt_clock_install(nullptr);
    sa_set_round_us(0);
    clt_log_set_writers(old_writers_);
    clt_svc.errlog_vmsg = old_errlog_;
    clt_com_set_locator(old_locator_);
    current_ = nullptr;
  }

  bool logged(const std::string& text) const {
    for (const std::string& l : log) {
      if (l.find(text) != std::string::npos) return true;
    }
    return false;
  }
  std::string log_text() const {
    std::string all;
    for (const std::string& l : log) all += l;
    return all;
  }
  int count_soc(int32_t call_code, int32_t phase) const {
    int n = 0;
    for (const soc_record& r : soc) n += r.call == call_code && r.phase == phase;
    return n;
  }

 private:
  static inline call_test* current_ = nullptr;
  clt_com_locator old_locator_ = nullptr;
  void (*old_errlog_)(const char*, va_list) = nullptr;
  clt_log_writers old_writers_{};

  static clt_com_ctx locate() {
    clt_com_ctx c{};
    if (current_ == nullptr) return c;
    c.call = &current_->call;
    if (current_->with_conn) {
      c.main = &current_->main;
      c.conn = &current_->conn;
      c.env = &current_->env;
    }
    return c;
  }
  static void capture_log(const char* format, va_list args) {
    char line[1024];
    vsnprintf(line, sizeof line, format, args);
    if (current_ != nullptr) current_->log.emplace_back(line);
  }
  static void capture_mdl(uint32_t event, uint16_t phase, const uint32_t words[3]) {
    if (current_ == nullptr) return;
    mdl_record r{event, phase, {words[0], words[1], words[2]}};
    current_->mdl.push_back(r);
  }
  static void capture_soc(int32_t code, int32_t phase, int32_t error, int32_t sock, int32_t length, int32_t,
                          const void*, int32_t) {
    if (current_ != nullptr) current_->soc.push_back(soc_record{code, phase, error, sock, length});
  }
  static void clock_now(clt_clock_reading* out) {
    out->seconds = current_ != nullptr ? current_->clock_seconds : 0;
    out->milliseconds = current_ != nullptr ? current_->clock_millis : 0;
  }
  static void clock_sleep(uint32_t ms) {
    if (current_ != nullptr) current_->sleeps.push_back(ms);
  }
};

}  // namespace wire
