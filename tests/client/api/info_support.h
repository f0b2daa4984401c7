// Support of the information, option and abort export tests: a runtime
// double in front of the scripted one that records what each operation
// saw, answers the server-information request from a prepared reply and
// can hold a request inside the runtime while another thread calls in.
#pragma once

#include <gtest/gtest.h>
#include <string.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "CLTCLINF.h"
#include "CLTCNTL.h"
#include "CLTLIBMN.h"
#include "zk_harness.h"
#include "zk_script.h"

namespace info_test {

// What the runtime saw of the request area and the context.
struct seen_request {
  clt_runtime_op op;
  std::string reqcode;
  uint32_t optvalue;
  uint32_t srvinfitem;
  bool had_text;
  clt_global_data* context;
  void* param_pointer;
  uint8_t param_flag;
};

struct runtime_state {
  int32_t (*scripted)(clt_runtime_op, rdb_sql_area*) = nullptr;
  std::vector<seen_request> seen;
  std::vector<uint8_t> srvinf_reply;  // copied into the result buffer of "SINF"
  // Holding a request inside the runtime.
  std::mutex m;
  std::condition_variable cv;
  bool hold = false;
  bool inside = false;
  bool release = false;
  uint16_t cancel_seen = 0;    // the cancel request, as a wait of the transport sees it
  uint32_t refusal_seen = 0;   // the refused-call mark after the exchange
};

inline runtime_state& state() {
  static runtime_state s;
  return s;
}

inline int32_t runtime(clt_runtime_op op, rdb_sql_area* area) {
  runtime_state& s = state();
  clt_main* main = clt_cur_main();
  s.seen.push_back({op, std::string(area->reqcode, 4), area->optvalue, area->srvinfitem,
                    area->sqltext != nullptr, clt_cur(), main->param_pointer, main->param_flag});
  if (op == clt_runtime_op::exec_srvinf && !s.srvinf_reply.empty()) {
    memcpy(area->srvinfbuf, s.srvinf_reply.data(), s.srvinf_reply.size());
  }
  if (s.hold) {
    std::unique_lock<std::mutex> lock(s.m);
    s.inside = true;
    s.cv.notify_all();
    s.cv.wait(lock, [&] { return s.release; });
    s.cancel_seen = main->cancel_requested;
    s.refusal_seen = clt_cur()->refused_call;
  }
  return s.scripted(op, area);
}

// Installs the double over the scripted runtime; the test's
// services_scope puts the table back.
inline zk::script& install() {
  zk::script& script = zk::scripted();
  state().scripted = clt_svc.runtime;
  clt_svc.runtime = runtime;
  return script;
}

inline std::vector<seen_request> take_seen() {
  std::vector<seen_request> seen;
  seen.swap(state().seen);
  return seen;
}

inline int count_of(const std::vector<seen_request>& seen, clt_runtime_op op) {
  int n = 0;
  for (const seen_request& s : seen) n += s.op == op;
  return n;
}

// Runs `running` on a thread of its own, holds it inside the
// runtime, calls `second` from another thread, then lets it finish.
// Returns the held call's result.
inline int32_t run_while_held(const std::function<int32_t()>& running,
                              const std::function<void()>& second) {
  runtime_state& s = state();
  s.hold = true;
  s.inside = false;
  s.release = false;
  int32_t result = 1;
  std::thread held([&] { result = running(); });
  {
    std::unique_lock<std::mutex> lock(s.m);
    s.cv.wait(lock, [&] { return s.inside; });
  }
  std::thread other(second);
  other.join();
  {
    std::lock_guard<std::mutex> lock(s.m);
    s.release = true;
    s.hold = false;
  }
  s.cv.notify_all();
  held.join();
  return result;
}

// The same for one embedded request of `code` on the connected context.
inline int32_t run_request_while_held(const char* code, const std::function<void()>& second) {
  zk::request running{code};
  return run_while_held([&] { return running.exsql(); }, second);
}

}  // namespace info_test
