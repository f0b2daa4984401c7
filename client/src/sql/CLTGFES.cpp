#include "CLTGFES.h"

#include <stdio.h>
#include <string.h>

#include "CLTCOMCTX.h"
#include "CLTMEM.h"
#include "CLTRPCSS.h"
#include "CLTUTL.h"
#include "zk_bytes.h"
#include "zk_codes.h"
#include "zk_result_rows.h"

namespace {

constexpr const char* kModule = "CLTGFES";
constexpr char kRdmService[] = "_pdrdm";
constexpr uint32_t kLookupStarted = 0x100;
constexpr uint32_t kLookupEnded = 0x200;
constexpr int32_t kNotYetAttempts = 10;
constexpr int32_t kRetryFlags = 0x100;
constexpr uint32_t kMillisPerSecond = 1000;
// Retried once like a result without a row of its own.
constexpr int32_t kRetriedResult = -2405;

// How a result of the service call is reported.
constexpr clt_result_row kResults[] = {
    {-2401, clt_report_kind::client_error, nullptr},        {-2402, clt_report_kind::client_error, nullptr},
    {-2408, clt_report_kind::client_error, nullptr},        {-2404, clt_report_kind::comm723, "CLIENT MEMORY"},
    {-2406, clt_report_kind::comm723, "NETWORK"},           {-2418, clt_report_kind::comm723, "NETWORK"},
    {-2407, clt_report_kind::time_over, nullptr},           {-2409, clt_report_kind::comm723, "Marlo DATA ERROR"},
    {-2410, clt_report_kind::comm723, "FES(SDS) NOT UP"},   {-2411, clt_report_kind::comm723, "FES(SDS) NOT UP"},
    {-2412, clt_report_kind::comm723, "FES(SDS) CLOSE"},    {-2413, clt_report_kind::comm723, "FES(SDS) CLOSE"},
    {-2414, clt_report_kind::comm723, "Marlo NOT UP"},      {-2415, clt_report_kind::comm723, "Marlo NOT UP"},
    {-2416, clt_report_kind::comm723, "Marlo SYSTEM ERROR"}, {-2417, clt_report_kind::comm723, "Marlo MEMORY"},
    {-2419, clt_report_kind::comm722, "INVALID DATA"},      {-2420, clt_report_kind::comm723, "Marlo INITIALIZE"},
    {-2430, clt_report_kind::comm722, "SERVER PROCESS DOWN"}, {-2431, clt_report_kind::max_users, nullptr},
    {-2432, clt_report_kind::marlo, "SHUTDOWN"},            {-2433, clt_report_kind::comm723, "Marlo BUSY"},
    {-2456, clt_report_kind::comm723, "Marlo BUSY"},        {-2472, clt_report_kind::maintenance, nullptr},
    {-2474, clt_report_kind::maintenance, nullptr},         {-2475, clt_report_kind::maintenance, nullptr},
    {-2498, clt_report_kind::maintenance, nullptr},         {-2499, clt_report_kind::cancelled, nullptr},
};

int32_t client_error(rdb_sql_area* area, int32_t line) {
  return clt_report(area, kModule, line, CLT_SQL_CLIENT_ERROR, CLT_SQLSTATE_DEFAULT, CLT_MSG_CLIENT_ERROR, kModule,
                    line);
}

int32_t server_reason(rdb_sql_area* area, const char* reason) {
  return clt_report(area, kModule, __LINE__, CLT_SQL_SERVER_REASON, CLT_SQLSTATE_DEFAULT, CLT_MSG_SERVER_REASON, reason);
}

// Takes the front end of the answer into the settings record for the CONNECT that follows.
void keep_front_end(clt_env* env, const uint8_t* answer) {
  snprintf(env->pdfeshost, sizeof env->pdfeshost, "%.*s", static_cast<int>(CLT_FES_HOST_SIZE - 1),
           reinterpret_cast<const char*>(answer + CLT_FES_HOST));
  snprintf(env->pdservicegrp, sizeof env->pdservicegrp, "%.*s", static_cast<int>(CLT_FES_GROUP_SIZE - 1),
           reinterpret_cast<const char*>(answer + CLT_FES_GROUP));
  snprintf(env->pdserviceport, sizeof env->pdserviceport, "%u", static_cast<unsigned>(get_be16(answer + CLT_FES_PORT)));
}

constexpr char kUtilityArea[] = "*RBU";
// The question's fixed widths: the utility's name and command and the application-name field.
constexpr size_t kUtilityApnameLength = 16;
constexpr size_t kUtilityCommandLength = 9;
static_assert(sizeof CLT_FES_UTILITY_APNAME - 1 == kUtilityApnameLength);
static_assert(sizeof CLT_FES_UTILITY_COMMAND - 1 == kUtilityCommandLength);
static_assert(sizeof clt_uap::apname == CLT_FES_QUESTION_SIZE);

// The question: the application name, or for the conversion utility's
// own area the mark and the utility's command name.
void prepare_question(clt_uap* uap, const rdb_sql_area* area, uint8_t* question) {
  const bool utility = area != nullptr && memcmp(area->prefix, kUtilityArea, sizeof area->prefix) == 0 &&
                       strncmp(uap->apname, CLT_FES_UTILITY_APNAME, sizeof uap->apname) == 0;
  uap->utility = utility ? 1 : 0;
  if (!utility) {
    memcpy(question, uap->apname, CLT_FES_QUESTION_SIZE);
    return;
  }
  memset(question, 0, CLT_FES_QUESTION_SIZE);
  question[0] = CLT_FES_UTILITY_MARK;
  memcpy(question + 1, CLT_FES_UTILITY_COMMAND, sizeof CLT_FES_UTILITY_COMMAND);
}

bool busy(int32_t rc) { return rc == PD_E_BUSY_STATUS || rc == PD_E_BUSY; }

// A busy answer is waited out while the connection's busy retries last.
bool wait_busy(const clt_env* env, clt_rpc_conn* conn) {
  if (env->pdcnctrtycount == 0 || conn->busy_retries >= env->pdcnctrtycount) return false;
  clt_sleep_ms(static_cast<uint32_t>(env->pdcnctrtywaittime) * kMillisPerSecond);
  ++conn->busy_retries;
  return true;
}

int32_t lookup(clt_main* main, rdb_sql_area* area, clt_fes_call call) {
  clt_env* env = clt_main_env(main);
  clt_rpc_conn* conn = clt_main_rpc(main);
  uint8_t question[CLT_FES_QUESTION_SIZE];
  prepare_question(clt_main_uap(main), area, question);
  uint8_t header[PD_MSG_HEADER_SIZE];
  uint8_t answer[CLT_FES_ANSWER_SIZE];
  int32_t attempts = 0;
  int32_t flags = 0;
  bool retried = false;
  for (;;) {
    com_piece out{question, sizeof question};
    com_piece in[2] = {{header, sizeof header}, {answer, sizeof answer}};
    memset(answer, 0, sizeof answer);
    const int32_t rc = call(kRdmService, &out, 1, in, 2, flags);
    if (busy(rc) && wait_busy(env, conn)) continue;
    if (rc == 0) {
      const auto status = static_cast<int32_t>(get_be32(answer + CLT_FES_STATUS));
      switch (status) {
        case CLT_FES_FOUND: keep_front_end(env, answer); return 0;
        case CLT_FES_NOT_YET:
          if (attempts >= kNotYetAttempts) return server_reason(area, "FALSE");
          ++attempts;
          continue;
        case CLT_FES_NONE: return server_reason(area, "NO FES(SDS)");
        case CLT_FES_SHUTDOWN: return server_reason(area, "SHUTDOWN");
        default:
          return clt_report(area, kModule, __LINE__, CLT_SQL_SERVER_ERROR, CLT_SQLSTATE_DEFAULT, CLT_MSG_SERVER_ERROR,
                            kModule, static_cast<int32_t>(__LINE__));
      }
    }
    const clt_result_row* row = clt_result_row_of(kResults, rc);
    if (row == nullptr || rc == PD_E_SETUP || rc == kRetriedResult) {
      if (retried) return client_error(area, __LINE__);
      retried = true;
      flags = kRetryFlags;
      ++attempts;
      continue;
    }
    return clt_report_row(area, kModule, __LINE__, *row, conn);
  }
}

}  // namespace

int32_t clt_get_fes_through(clt_fes_call call) {
  clt_main* main = clt_cur_main();
  if (main == nullptr) return -1;
  clt_rpc_conn* conn = clt_main_rpc(main);
  conn->progress[0] = (conn->progress[0] & ~kLookupEnded) | kLookupStarted;
  const int32_t rc = lookup(main, main->area, call);
  conn->progress[0] |= kLookupEnded;
  return rc == 0 ? 0 : -1;
}

int32_t clt_get_fes() { return clt_get_fes_through(pd_clt_rdm_call); }
