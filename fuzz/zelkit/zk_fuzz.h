// Shared parts of zelkit's harnesses: the fuzzer's control bytes, a running
// call whose parts the library finds through its locators, and an error
// log that formats every line (so a format fed the wrong arguments shows)
// and keeps none.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "CLTCOMCTX.h"
#include "CLTCOMD.h"
#include "CLTLIBCT.h"
#include "CLTRPCPR.h"
#include "CLTRPCSS.h"
#include "CLTSQLAN.h"
#include "CLTSQLSC.h"
#include "sockadapt.h"
#include "zk_seam.h"

extern char** environ;

namespace zkfuzz {

// Reads control bytes off the front of an input; what is left is the
// message. A short input reads as zeros.
class input {
 public:
  input(const uint8_t* data, size_t size) : p_(data), n_(size) {}
  uint8_t byte() {
    if (n_ == 0) return 0;
    --n_;
    return *p_++;
  }
  uint16_t u16() {
    const uint16_t hi = byte();
    return static_cast<uint16_t>(hi << 8 | byte());
  }
  // The next `len` bytes (fewer at the end) as a buffer of exactly that
  // size, so that a read past it shows under AddressSanitizer.
  std::vector<uint8_t> take(size_t len) {
    const size_t n = len < n_ ? len : n_;
    std::vector<uint8_t> out(p_, p_ + n);
    p_ += n;
    n_ -= n;
    return out;
  }
  std::vector<uint8_t> rest() { return take(n_); }
  size_t left() const { return n_; }

 private:
  const uint8_t* p_;
  size_t n_;
};

// Names the library reads as settings.
inline bool setting_name(const std::string& name) {
  return (name.size() > 2 && name.compare(0, 2, "PD") == 0) || name == "DCSERVICE" || name == "RD_DEBUG1";
}

// Drops every setting the process inherited: only what a harness sets counts.
inline void clear_settings_environment() {
  std::vector<std::string> names;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    const std::string name = entry.substr(0, entry.find('='));
    if (setting_name(name)) names.push_back(name);
  }
  for (const std::string& n : names) unsetenv(n.c_str());
}

// A folder of the harness's own below /tmp, removed with everything in it
// when the process ends.
inline const std::string& scratch_folder() {
  static const struct folder {
    std::string path;
    folder() {
      char tmpl[] = "/tmp/zelkit-fuzz-XXXXXX";
      if (mkdtemp(tmpl) == nullptr) abort();
      path = tmpl;
    }
    ~folder() {
      std::error_code ec;
      std::filesystem::remove_all(path, ec);
    }
  } made;
  return made.path;
}

// The settings of a harness whose library talks to the Marlo test server
// on loopback under `group`, with no connection made on its own.
inline void server_settings(const char* group) {
  clear_settings_environment();
  setenv("PDCLTPATH", scratch_folder().c_str(), 1);
  setenv("PDSERVICEGRP", group, 1);
  setenv("PDHOST", "127.0.0.1", 1);
  setenv("PDCWAITTIME", "20", 1);
  setenv("PDAUTOCONNECT", "OFF", 1);
}

// The end of the program after a run through p_rdb_exsql: the connection
// and the library's state go, as they would when a program ends.
inline void end_program() {
  clt_take_context(&clt_global);
  if (clt_global.main != nullptr) {
    clt_close_link(nullptr);
    rdb_sql_area end{};
    SQLCA sqlca{};
    memcpy(end.reqcode, "DISC", sizeof end.reqcode);
    end.sqlca = &sqlca;
    clt_last_call_term(&end);
  }
  clt_release_context();
}

inline bool write_all(int fd, const std::vector<uint8_t>& bytes) {
  for (size_t done = 0; done < bytes.size();) {
    const ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// A peer that connects to `to`, sends its bytes and closes; the loopback
// buffers hold them until the library reads.
inline void peer_sends(const sockaddr_in& to, const std::vector<uint8_t>& bytes) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return;
  if (connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) write_all(fd, bytes);
  close(fd);
}

// The most a reply buffer may have grown to when `sent` bytes arrived:
// buffers grow as bytes arrive (doubling, with room for one more frame),
// never to a length a header merely announces.
inline uint64_t grown_bound(uint64_t room, uint64_t sent) {
  constexpr uint64_t kFrame = 4096;
  return room + 2 * (sent + kFrame) + kFrame;
}

// A connected pair of loopback sockets: the library's end and the peer's,
// which has sent its bytes and its end of stream. The peer's end stays
// open until the pair goes, so what the library sends never resets it.
class loopback_pair {
 public:
  explicit loopback_pair(const std::vector<uint8_t>& peer_bytes) {
    static const int listener = open_listener();
    client = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in at{};
    socklen_t len = sizeof at;
    getsockname(listener, reinterpret_cast<sockaddr*>(&at), &len);
    if (client < 0 || connect(client, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0) return;
    server = accept(listener, nullptr, nullptr);
    if (server < 0) return;
    write_all(server, peer_bytes);
    shutdown(server, SHUT_WR);
  }
  ~loopback_pair() {
    if (client >= 0) close(client);
    if (server >= 0) close(server);
  }
  loopback_pair(const loopback_pair&) = delete;
  loopback_pair& operator=(const loopback_pair&) = delete;
  bool ok() const { return client >= 0 && server >= 0; }

  int client = -1;
  int server = -1;

 private:
  static int open_listener() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd, SOMAXCONN) != 0) abort();
    return fd;
  }
};

inline void format_line(const char* format, va_list args) {
  char line[2048];
  vsnprintf(line, sizeof line, format, args);
}

// The parts of one running call on its connection, found through every
// layer's locator while the scope lives; the error log formats and drops.
class running_call {
 public:
  clt_com_call call{};
  clt_main main{};
  clt_com_conn conn{};
  clt_env env{};
  clt_rpc_call rpc{};
  clt_rpc_conn rconn{};
  clt_reply_conn reply{};
  clt_req_conn req{};
  clt_req_identity identity{};
  uint8_t staging[COM_STAGING_SIZE] = {};

  running_call() {
    current_ = this;
    call.staging = staging;
    conn.cur_socket = -1;
    conn.recv_socket = -1;
    conn.connect_no_retry = 'Y';
    // Loopback only, one short wait: every peer of a harness has sent all
    // it will send before the library reads.
    env.pdcltnodelay = 'Y';
    env.pdcltbindloopbackaddr = 'N';
    env.pdsocnum = kSockets;
    env.rcvaddr = htonl(INADDR_LOOPBACK);
    env.pdcwaittime = 1;
    env.pdcalcmdwaittime = 1;
    env.pdconnectwaittime = 1;
    snprintf(env.pdhost, sizeof env.pdhost, "127.0.0.1");
    saved_round_ = sa_set_round_us(kRoundUs);
    saved_com_ = clt_com_set_locator(com);
    saved_rpc_ = clt_rpc_set_locator(rpc_parts);
    saved_reply_ = clt_reply_set_locator(reply_part);
    saved_req_ = clt_req_set_locator(req_parts);
    saved_log_ = clt_svc.errlog_vmsg;
    clt_svc.errlog_vmsg = format_line;
  }
  ~running_call() {
    clt_reply_free(&reply);
    sa_set_round_us(saved_round_);
    clt_svc.errlog_vmsg = saved_log_;
    clt_req_set_locator(saved_req_);
    clt_reply_set_locator(saved_reply_);
    clt_rpc_set_locator(saved_rpc_);
    clt_com_set_locator(saved_com_);
    current_ = nullptr;
  }
  running_call(const running_call&) = delete;
  running_call& operator=(const running_call&) = delete;

 private:
  static constexpr int64_t kRoundUs = 2000;
  static constexpr int32_t kSockets = 4;
  static inline running_call* current_ = nullptr;
  int64_t saved_round_ = 0;
  clt_com_locator saved_com_ = nullptr;
  clt_rpc_locator saved_rpc_ = nullptr;
  clt_reply_locator saved_reply_ = nullptr;
  clt_req_locator saved_req_ = nullptr;
  void (*saved_log_)(const char*, va_list) = nullptr;

  static clt_com_ctx com() {
    if (current_ == nullptr) return clt_com_ctx{};
    return clt_com_ctx{&current_->call, &current_->main, &current_->conn, &current_->env};
  }
  static clt_rpc_ctx rpc_parts() {
    clt_rpc_ctx c{};
    if (current_ == nullptr) return c;
    c.call = &current_->rpc;
    c.conn = &current_->rconn;
    return c;
  }
  static clt_reply_conn* reply_part() { return current_ != nullptr ? &current_->reply : nullptr; }
  static clt_req_ctx req_parts() {
    clt_req_ctx c{};
    if (current_ == nullptr) return c;
    c.main = &current_->main;
    c.conn = &current_->req;
    c.env = &current_->env;
    c.identity = &current_->identity;
    return c;
  }
};

}  // namespace zkfuzz
