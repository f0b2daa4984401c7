#include "zk_script.h"

#include <gtest/gtest.h>

#include "CLTLIBMN.h"
#include "CLTUTL.h"

namespace zk {

namespace {

script* current = nullptr;

int32_t run(clt_runtime_op which, rdb_sql_area* area) {
  script& s = *current;
  s.ran.push_back(which);
  outcome o;
  if (auto it = s.outcomes.find(which); it != s.outcomes.end()) o = it->second;
  clt_main* main = clt_cur_main();
  if (which == clt_runtime_op::connect_entry && o.sqlcode == 0 && o.rc == 0) {
    main->connected = 1;
    main->session_open = 1;
    main->srv_level = s.server_level;
    main->byteorder = s.byteorder;
    clt_cur()->connected_before = 1;
  }
  if (which == clt_runtime_op::exec_disconnect) main->connected = 0;
  // The list operations answer by their result alone.
  bool list_op = which >= clt_runtime_op::close_cleanup;
  if (!list_op || o.sqlcode != 0) {
    clt_reset_sqlca(area->sqlca);
    area->sqlca->SQLCODE = o.sqlcode;
  }
  return o.rc;
}

int32_t env_get(const clt_main*, clt_setting which, int32_t index) {
  script& s = *current;
  if (which == clt_setting::errskipcode) {
    return index < static_cast<int32_t>(s.errskip.size()) ? s.errskip[static_cast<size_t>(index)] : 0;
  }
  if (which == clt_setting::optionletter) return s.letters.count(static_cast<char>(index)) ? 'Y' : 0;
  auto it = s.settings.find(which);
  return it == s.settings.end() ? 0 : it->second;
}

void env_put(clt_main*, clt_setting which, int32_t value) { current->settings[which] = value; }

void trace(clt_trace_op which, rdb_sql_area*) {
  current->traces.push_back(which);
  if (which == clt_trace_op::errlog_uap && clt_cur_main()) {
    current->stmt_length_at_trace = clt_cur_main()->stmt_length;
  }
}

}  // namespace

script& scripted() {
  static script s;
  if (!current) {
    current = &s;
    clt_svc.runtime = run;
    clt_svc.env_get = env_get;
    clt_svc.env_put = env_put;
    clt_svc.trace = trace;
    // The script stands in for the traces: it keeps no SQL-trace buffer.
    clt_svc.sqltrc_start_time = [](uint32_t*, uint16_t*) { return -1; };
    clt_svc.trcctl_read = [] {};
    clt_svc.errlog_vmsg = capture_errlog;
    clt_svc.errlog_open = [] { ++current->first_calls; };
    clt_svc.loc_state = [](clt_main*) { return current->loc_state; };
    clt_svc.loc_mark_open = [](clt_main*) {
      // Open, its OPEN not yet sent: the first FETCH carries it.
      current->loc_state = CLT_LOC_OPEN | CLT_LOC_OPEN_PENDING;
    };
    clt_svc.pd_clt_close = [](int32_t flags) { current->pd_clt_close_flags.push_back(flags); };
  }
  return s;
}

void connect(request& r) {
  scripted();
  memcpy(r.area.reqcode, "CNCT", 4);
  ASSERT_EQ(r.exsql(), 0);
  ASSERT_NE(clt_global.main, nullptr);
  take_ran();
}

std::vector<clt_runtime_op> take_ran() {
  std::vector<clt_runtime_op> ran;
  ran.swap(scripted().ran);
  return ran;
}

}  // namespace zk
