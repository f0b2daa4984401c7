#include "clt_rcnct_trc.h"

#include <stdio.h>
#include <string.h>

#include "CLTCOMCTX.h"
#include "CLTENV.h"
#include "CLTMEM.h"
#include "CLTTRC.h"
#include "CLTTRCEL.h"

namespace {

constexpr const char* kModule = "CLTTRCEL";
constexpr char kEyecatcher[] = "##RCNCT";
constexpr size_t kResultColumn = 11;
constexpr size_t kTimesColumn = 13;
constexpr size_t kServersColumn = 63;
constexpr int32_t kCentury = 100;
constexpr char kZeroColumn[] = "  0";  // the value 0 formatted with "%x" at column 2

// "yyyy/mm/dd hh:mm:ss.mmm" with the century given.
int put_time(char* at, size_t room, uint32_t seconds, uint32_t millis, int32_t century) {
  clt_tm tm{};
  clt_localtime(&seconds, &tm);
  return snprintf(at, room, "%04d/%02d/%02d %02d:%02d:%02d.%03hd", static_cast<int>(century + tm.year % kCentury),
                  tm.mon + 1, tm.mday, tm.hour, tm.min, tm.sec, static_cast<short>(millis));
}

}  // namespace

void clt_rcnct_server_text(char out[CLT_RCNCT_SERVER_SIZE], const char* group, uint32_t cnct_number, uint32_t pid) {
  snprintf(out, CLT_RCNCT_SERVER_SIZE, "%s:%d:%d", group, static_cast<int>(cnct_number), static_cast<int>(pid));
}

clt_rcnct_blk* clt_rcnct_cur() {
  clt_main* main = clt_cur_main();
  return main != nullptr ? static_cast<clt_rcnct_blk*>(main->rcnct_trc) : nullptr;
}

void clt_rcnct_trc_open() {
  clt_global_data* ctx = clt_cur();
  clt_main* main = ctx->main;
  clt_trc_record_dir();
  ctx->runtime.trc.limit[CLT_TRC_SLOT_RCNCT] = clt_main_env(main)->pdrctrace;
  if (main->rcnct_trc != nullptr) return;
  // Without memory the trace stays off, without a word.
  auto* b = static_cast<clt_rcnct_blk*>(cltmem_alloc(sizeof(clt_rcnct_blk), 0, kModule, __LINE__));
  if (b == nullptr) return;
  memset(b, 0, sizeof *b);
  memcpy(b->eyecatcher, kEyecatcher, sizeof kEyecatcher);
  b->result = CLT_RCNCT_RESULT_NONE;
  main->rcnct_trc = b;
}

void clt_rcnct_trc_reset() {
  clt_rcnct_blk* b = clt_rcnct_cur();
  if (b == nullptr) return;
  b->start_sec = b->start_msec = 0;
  b->end_sec = b->end_msec = 0;
  b->result = CLT_RCNCT_RESULT_NONE;
}

void clt_rcnct_trc_write() {
  clt_rcnct_blk* b = clt_rcnct_cur();
  // Only a request that saw a reconnection writes its record.
  if (b == nullptr || b->start_sec == 0 || strcmp(b->old_server, b->new_server) == 0) return;
  memset(b->record, ' ', sizeof b->record);
  memcpy(b->record, kZeroColumn, strlen(kZeroColumn));
  b->record[kResultColumn] = b->result;
  clt_tm start{};
  clt_localtime(&b->start_sec, &start);
  const int32_t century = clt_log_year(start) - start.year % kCentury;
  char times[kServersColumn];
  int n = put_time(times, sizeof times, b->start_sec, b->start_msec, century);
  n += snprintf(times + n, sizeof times - static_cast<size_t>(n), " - ");
  put_time(times + n, sizeof times - static_cast<size_t>(n), b->end_sec, b->end_msec, century);
  memcpy(b->record + kTimesColumn, times, strnlen(times, kServersColumn - kTimesColumn - 1));
  const int servers = snprintf(b->record + kServersColumn, sizeof b->record - kServersColumn, "%s => %s\n",
                               b->old_server, b->new_server);
  clt_trc_write(b->record, static_cast<uint32_t>(kServersColumn + static_cast<size_t>(servers)), CLT_TRC_KIND_RCNCT, 0);
  if (b->result == CLT_RCNCT_RESULT_OK) {
    memcpy(b->old_server, b->new_server, sizeof b->old_server);
    b->new_server[0] = '\0';
  }
}

void clt_rcnct_trc_close() {
  clt_main* main = clt_cur_main();
  if (main == nullptr || main->rcnct_trc == nullptr) return;
  cltmem_free(main->rcnct_trc, kModule, __LINE__);
  main->rcnct_trc = nullptr;
}

void clt_rcnct_note_server(const char* group, uint32_t cnct_number, uint32_t pid) {
  clt_rcnct_blk* b = clt_rcnct_cur();
  if (b != nullptr && b->old_server[0] == '\0') clt_rcnct_server_text(b->old_server, group, cnct_number, pid);
}
