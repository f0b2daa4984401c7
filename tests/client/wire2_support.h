// Test support of the RPC layers: a running call with its RPC parts and
// settings, and the Marlo test server on loopback.
#pragma once

#include <stdlib.h>
#include <string.h>

#include <memory>
#include <string>
#include <vector>

#include "CLTMEM.h"
#include "CLTNAMSV.h"
#include "CLTRPCSS.h"
#include "marlo_server.h"
#include "wire_support.h"

namespace wire2 {

constexpr char kGroup[] = "sds01";
constexpr char kConnect[] = "p_f_sqa_cconnect";
constexpr char kCommit[] = "p_f_sqa_ccommit";
constexpr uint32_t kReplyBufSize = 4096;

inline std::vector<uint8_t> pattern(size_t n, uint8_t seed) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(seed + i * 7 + i / 251);
  return v;
}

class rpc_test : public wire::call_test {
 protected:
  clt_rpc_call rpc{};
  clt_rpc_conn rconn{};
  std::unique_ptr<marlo::server> server;
  std::vector<uint8_t> reply = std::vector<uint8_t>(kReplyBufSize);

  void SetUp() override {
    wire::call_test::SetUp();
    call.staging = nullptr;
    current_ = this;
    old_ = clt_rpc_set_locator(locate);
    snprintf(env.pdservicegrp, sizeof env.pdservicegrp, "%s", kGroup);
    env.pdcache = 4;
    env.pdconnectwaittime = 40;
    env.pdcwaittime = 40;
    env.pdretrycount = 2;
  }

  void TearDown() override {
    if (rpc.sess != nullptr) pd_clt_close_session(1);
    if (rpc.nam != nullptr) nam_cache_close();
    if (call.reply_buf != nullptr) cltmem_free(call.reply_buf, "test", __LINE__);
    clt_rpc_set_locator(old_);
    current_ = nullptr;
    server.reset();
    wire::call_test::TearDown();
  }

  // Starts the server and points the settings at its name port.
  void start(marlo::script s) {
    if (s.services.empty()) s.services.push_back(kGroup);
    server = std::make_unique<marlo::server>(std::move(s));
    ASSERT_TRUE(server->ok());
    env.pdnameport = server->name_port();
  }

  int32_t open() { return pd_clt_open(0); }

  int32_t call_fn(const char* function, std::vector<uint8_t> request, uint32_t* out_len, int32_t flags = 4) {
    uint32_t in_len = static_cast<uint32_t>(request.size());
    *out_len = static_cast<uint32_t>(reply.size());
    return pd_clt_call(kGroup, function, request.data(), &in_len, reply.data(), out_len, flags);
  }

  std::vector<marlo::request> seen(const std::string& form) const {
    std::vector<marlo::request> out;
    for (const marlo::request& r : server->requests()) {
      if (r.form == form) out.push_back(r);
    }
    return out;
  }

 private:
  static inline rpc_test* current_ = nullptr;
  clt_rpc_locator old_ = nullptr;
  static clt_rpc_ctx locate() {
    clt_rpc_ctx c{};
    if (current_ == nullptr) return c;
    c.call = &current_->rpc;
    c.conn = &current_->rconn;
    return c;
  }
};

}  // namespace wire2
