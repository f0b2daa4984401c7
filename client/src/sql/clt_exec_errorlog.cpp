#include "clt_exec_errorlog.h"

#include <string.h>

#include "CLTCOMCTX.h"
#include "CLTRPCPR.h"
#include "CLTSQLAN.h"
#include "CLTSQLEX.h"
#include "CLTUTL.h"
#include "zk_codes.h"

namespace {

constexpr const char* kModule = "CLTSQLEX";
constexpr char kReqcode[] = "ERLG";
constexpr uint32_t kBodyTotal = 0;
constexpr uint32_t kBodyExtension = 28;
constexpr uint32_t kBodyDirectory = 32;
// The extension part's word that points at the text, from the part's start.
constexpr uint32_t kExtText = 36;

int32_t report_reply(rdb_sql_area* area, int32_t line) {
  return clt_report(area, kModule, line, CLT_SQL_SERVER_ERROR, CLT_SQLSTATE_DEFAULT, CLT_MSG_SERVER_ERROR, kModule,
                    line);
}

// The reply: the SQLCA, then the text its extension part points at,
// kept as the connection's error-log text. Everything read lies within
// what arrived.
int32_t take_text(const uint8_t* body, uint32_t received, rdb_sql_area* area) {
  clt_main* main = clt_cur_main();
  if (body == nullptr || received < kBodyDirectory) return report_reply(area, __LINE__);
  const uint32_t total = clt_server32(main, body + kBodyTotal);
  const uint32_t limit = total < received ? total : received;
  if (clt_reply_complete(area->sqlca, body, limit) != 0) return report_reply(area, __LINE__);
  if (area->sqlca->SQLCODE < 0) return -1;
  const uint32_t ext = clt_server32(main, body + kBodyExtension);
  if (total == 0 || ext == 0 || ext > limit || limit - ext < kExtText + sizeof(uint32_t)) {
    return report_reply(area, __LINE__);
  }
  const uint32_t text = clt_server32(main, body + ext + kExtText);
  if (text == 0) return 0;
  if (text >= limit - ext) return report_reply(area, __LINE__);
  const uint32_t at = ext + text;
  if (clt_reply_keep_errlog(clt_main_reply(main), body + at, limit - at) != 0) return report_reply(area, __LINE__);
  return 0;
}

}  // namespace

int32_t clt_exec_errorlog(void) {
  clt_global_data* ctx = clt_cur();
  clt_main* main = ctx != nullptr ? ctx->main : nullptr;
  if (main == nullptr) return -1;
  SQLCA sqlca{};
  rdb_sql_area own{};
  own.sqlca = &sqlca;
  memcpy(own.reqcode, kReqcode, sizeof own.reqcode);
  rdb_sql_area* const saved_area = main->area;
  const int32_t saved_func = main->funccode;
  main->area = &own;
  main->funccode = CLT_FC_ERLG;
  // The request never goes through the sections: the frame announces it
  // there and sends it over the socket.
  const int32_t rc = clt_exec_frame(&own, clt_req_errorlog, take_text);
  if (sqlca.SQLCODE == CLT_SQL_FES_CANCELED) ctx->runtime.cancelled = 1;
  main->area = saved_area;
  main->funccode = saved_func;
  return rc;
}
