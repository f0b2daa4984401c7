// Shared parts of zelkit's harnesses: the fuzzer's control bytes, a running
// call whose parts the library finds through its locators, and an error
// log that formats every line (so a format fed the wrong arguments shows)
// and keeps none.
#pragma once

#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <vector>

#include "CLTCOMCTX.h"
#include "CLTCOMD.h"
#include "CLTRPCPR.h"
#include "CLTRPCSS.h"
#include "CLTSQLAN.h"
#include "zk_seam.h"

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
    saved_com_ = clt_com_set_locator(com);
    saved_rpc_ = clt_rpc_set_locator(rpc_parts);
    saved_reply_ = clt_reply_set_locator(reply_part);
    saved_req_ = clt_req_set_locator(req_parts);
    saved_log_ = clt_svc.errlog_vmsg;
    clt_svc.errlog_vmsg = format_line;
  }
  ~running_call() {
    clt_reply_free(&reply);
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
  static inline running_call* current_ = nullptr;
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
