#include "zk_result_rows.h"

#include "CLTUTL.h"
#include "zk_codes.h"
#include "zk_records.h"

int32_t clt_maintenance_reason(const clt_rpc_conn* conn) {
  if (conn == nullptr) return 0;
  // A lost server seen in a reply header comes before one seen by the session.
  return conn->reconnect_reason != 0 ? conn->reconnect_reason : conn->fes_lost_reason;
}

int32_t clt_report_row(rdb_sql_area* area, const char* module, int32_t line, const clt_result_row& row,
                       const clt_rpc_conn* conn) {
  const char* state = CLT_SQLSTATE_DEFAULT;
  switch (row.kind) {
    case clt_report_kind::client_error: break;
    case clt_report_kind::comm723:
      return clt_report(area, module, line, CLT_SQL_COMM_FAILED, state, CLT_MSG_COMM_FAILED, row.reason);
    case clt_report_kind::comm722:
      return clt_report(area, module, line, CLT_SQL_COMM_SERVER_DOWN, state, CLT_MSG_COMM_SERVER_DOWN, row.reason);
    case clt_report_kind::time_over:
      return clt_report(area, module, line, CLT_SQL_TIME_OVER, state, "%s", CLT_MSG_TIME_OVER);
    case clt_report_kind::max_users:
      return clt_report(area, module, line, CLT_SQL_MAX_USERS, state, "%s", CLT_MSG_MAX_USERS);
    case clt_report_kind::marlo:
      return clt_report(area, module, line, CLT_SQL_SERVER_REASON, state, CLT_MSG_SERVER_REASON, row.reason);
    case clt_report_kind::maintenance:
      return clt_report(area, module, line, CLT_SQL_MAINTENANCE, state, CLT_MSG_MAINTENANCE,
                        static_cast<int>(clt_maintenance_reason(conn)));
    case clt_report_kind::cancelled:
      return clt_report(area, module, line, CLT_SQL_FES_CANCELED, state, "%s", CLT_MSG_FES_CANCELED);
  }
  return clt_report(area, module, line, CLT_SQL_CLIENT_ERROR, state, CLT_MSG_CLIENT_ERROR, module, line);
}
