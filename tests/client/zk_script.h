// Scripted doubles of the SQL runtime and the settings record, so that
// requests can run through the exports without a server.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "CLTCNTL.h"
#include "zk_seam.h"
#include "zk_harness.h"

namespace zk {

struct outcome {
  int32_t sqlcode = 0;
  int32_t rc = 0;
};

struct script {
  std::vector<clt_runtime_op> ran;
  std::map<clt_runtime_op, outcome> outcomes;
  std::vector<clt_trace_op> traces;
  std::map<clt_setting, int32_t> settings;
  std::vector<int32_t> errskip;
  std::set<char> letters;
  int32_t server_level = -27;
  uint16_t byteorder = 1;
  int32_t loc_state = CLT_LOC_NONE;
  int first_calls = 0;
  std::vector<int32_t> pd_clt_close_flags;
  int32_t stmt_length_at_trace = -99;
};

// The one script of the running test; installs its doubles.
script& scripted();
// Runs "CNCT" to a connected state; the SQLCA of the request is checked.
void connect(request& r);
// The ops that ran after the last reset.
std::vector<clt_runtime_op> take_ran();

}  // namespace zk
