#include "CLTCNTL.h"

#include <inttypes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include "CLTCOMCTX.h"
#include "CLTMEM.h"
#include "zk_codes.h"
#include "zk_seam.h"
#include "CLTUTL.h"

namespace {

constexpr char kMainEyecatcher[] = "CLT_MAIN";
constexpr char kEnvEyecatcher[] = "CLT_ENV ";
constexpr char kUapEyecatcher[] = "CLT_UAP ";
constexpr size_t kEyecatcherSize = 8;
constexpr size_t kSectionAlign = 8;
constexpr uint8_t kCallerMarkYes = 'Y';
constexpr uint8_t kNoReconnectClear = 'N';
constexpr char kFlagNo = 'N';
constexpr char kConnectRetryAllowed = 'Y';
constexpr int32_t kNoSocket = -1;

constexpr size_t align_up(size_t n) { return (n + kSectionAlign - 1) / kSectionAlign * kSectionAlign; }

constexpr size_t kEnvOffset = align_up(sizeof(clt_main));
constexpr size_t kUapOffset = kEnvOffset + align_up(sizeof(clt_env));
constexpr size_t kComOffset = kUapOffset + align_up(sizeof(clt_uap));
constexpr size_t kReqOffset = kComOffset + align_up(sizeof(clt_com_conn));
constexpr size_t kRpcOffset = kReqOffset + align_up(sizeof(clt_req_conn));
constexpr size_t kReplyOffset = kRpcOffset + align_up(sizeof(clt_rpc_conn));
constexpr size_t kBlockSize = kReplyOffset + sizeof(clt_reply_conn);

constexpr size_t kTextAreaOffset[CLT_TEXT_AREAS] = {
    kUapOffset + offsetof(clt_uap, user),      kUapOffset + offsetof(clt_uap, password),
    kUapOffset + offsetof(clt_uap, host),      kUapOffset + offsetof(clt_uap, cltpath),
    kUapOffset + offsetof(clt_uap, reppath),   kUapOffset + offsetof(clt_uap, trcpath),
    kUapOffset + offsetof(clt_uap, wrtlnpath), kUapOffset + offsetof(clt_uap, taapinfpath),
};


// Makes one pair of trace names from a start time; false when a name
// could not be allocated (the error log has the line then).
bool make_name_pair(clt_main* main, clt_trc_name first, const char* prefix, uint32_t seconds,
                    uint16_t milliseconds) {
  time_t when = static_cast<time_t>(seconds);
  tm local{};
  localtime_r(&when, &local);
  for (int i = 0; i < 2; ++i) {
    char*& name = main->trc_names[first + i];
    if (name) continue;
    name = static_cast<char*>(cltmem_alloc(CLT_TRC_NAME_SIZE, 0, "CLTCNTL", __LINE__));
    if (!name) {
      clt_errlog_msg(CLT_LOG_CLIENT_ERROR, CLT_LOG_REASON_MEMORY, "CLTCNTL",
                     static_cast<int32_t>(__LINE__));
      return false;
    }
    // The number goes out unsigned: its widest form just fits the name field.
    snprintf(name, CLT_TRC_NAME_SIZE, "%s%02d%02d%02d%03hu_%" PRIu32 "_%d.trc", prefix,
             local.tm_hour, local.tm_min, local.tm_sec, milliseconds, main->cnct_number, i + 1);
  }
  return true;
}

}  // namespace

void clt_make_trc_names() {
  clt_global_data* ctx = clt_cur();
  clt_main* main = ctx->main;
  ctx->cur_trc_block = ctx->sqltrc_block;
  uint32_t seconds = 0;
  uint16_t milliseconds = 0;
  bool started = clt_sqltrc_start_time(&seconds, &milliseconds) == 0;
  bool sql_missing = !main->trc_names[CLT_TRCNAME_SQL1] || !main->trc_names[CLT_TRCNAME_SQL2];
  if (started && sql_missing && clt_text(main, CLT_TEXT_REPPATH)[0] != '\0' &&
      !make_name_pair(main, CLT_TRCNAME_SQL1, "pd", seconds, milliseconds)) {
    clt_env_put(main, clt_setting::uapreplvl, 0);
    clt_env_put(main, clt_setting::sqltrace, 0);
  }
  bool ctl_missing = !main->trc_names[CLT_TRCNAME_CTL1] || !main->trc_names[CLT_TRCNAME_CTL2];
  if (started && ctl_missing && clt_env_get(main, clt_setting::trcctl_size) != 0 &&
      !make_name_pair(main, CLT_TRCNAME_CTL1, "pdc", seconds, milliseconds)) {
    clt_env_put(main, clt_setting::trcctl_size, 0);
    clt_env_put(main, clt_setting::trcctl_level, 0);
  }
  ctx->cur_trc_block = nullptr;
}

int32_t clt_main_create(rdb_sql_area* area) {
  if (!area || !area->sqlca) return -10;
  clt_global_data* ctx = clt_cur();
  clt_memtrc_switch(ctx);
  void* block = cltmem_alloc(kBlockSize, 0, "CLTCNTL", __LINE__);
  if (!block) {
    return clt_report(area, "CLTCNTL", __LINE__, CLT_SQL_NO_MEMORY, CLT_SQLSTATE_DEFAULT, CLT_MSG_NO_MEMORY,
                      CLT_MEMORY_AREA_PROCESS, static_cast<uint32_t>(kBlockSize));
  }
  ctx->main_alloc = block;
  memset(block, 0, kBlockSize);
  clt_main* main = static_cast<clt_main*>(block);
  memcpy(main->eyecatcher, kMainEyecatcher, kEyecatcherSize);
  main->env_offset = kEnvOffset;
  main->uap_offset = kUapOffset;
  main->com_offset = kComOffset;
  main->req_offset = kReqOffset;
  main->rpc_offset = kRpcOffset;
  main->reply_offset = kReplyOffset;
  main->area = area;
  main->kind = area->cnctattr == kCallerMarkYes ? CLT_KIND_EMBEDDED_MARKED : CLT_KIND_EMBEDDED;
  main->clt_pid = static_cast<uint32_t>(getpid());
  for (int32_t& fd : main->kept_fd) fd = CLT_FD_CLOSED;
  main->no_reconnect = kNoReconnectClear;
  memcpy(clt_main_env(main)->eyecatcher, kEnvEyecatcher, kEyecatcherSize);
  memcpy(clt_main_uap(main)->eyecatcher, kUapEyecatcher, kEyecatcherSize);
  clt_com_conn* com = clt_main_com(main);
  com->cur_socket = kNoSocket;
  com->recv_socket = kNoSocket;
  com->connect_no_retry = kConnectRetryAllowed;
  clt_req_conn* req = clt_main_req(main);
  req->sess_auth = kFlagNo;
  req->option_set = kFlagNo;
  for (size_t i = 0; i < CLT_TEXT_AREAS; ++i) main->text_area_offset[i] = kTextAreaOffset[i];
  // Another thread sees the block only whole.
  std::lock_guard<std::mutex> publishing(clt_context_lock());
  ctx->main = main;
  return 0;
}

void clt_free_request_buffers(clt_main* main) {
  for (void*& buffer : main->reqbuf) {
    if (buffer) {
      cltmem_free(buffer, "CLTLIBCT", __LINE__);
      buffer = nullptr;
    }
  }
}
