#include "clttrcmd.h"

#include <errno.h>
#include <fcntl.h>
#include <inttypes.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "CLTMEM.h"
#include "cltclock.h"
#include "zk_build.h"

namespace {

constexpr char kMsgEyecatcher[8] = "##velog";
constexpr const char* kFileNames[CLT_CMD_TRC_FILES] = {"pdcsoc1.trc", "pdcsoc2.trc", "pdccmd1.trc", "pdccmd2.trc"};
constexpr int32_t kFilesPerPair = 2;
constexpr int32_t kPairSocket = 0;
constexpr int32_t kPairCommand = 1;
constexpr mode_t kFileMode = 0666;  // read and write for everyone
constexpr size_t kScratchSize = 4096;
constexpr uint32_t kThreadId = 0;   // the thread id field is always 0
constexpr int kYearBase = 1900;

constexpr char kVersion[] = "08-04   ";
constexpr char kPlatform[] = "WIN32";
constexpr const char* kBanner =
    "  ** COMMAND TRACE (CLT:%s:%s) %s**\n\n  USER APPLICATION PROGRAM FILE NAME : %s\n  COMMAND START TIME : %s\n";
constexpr const char* kTimeFormat = "%04d/%02d/%02d %02d:%02d:%02d";
constexpr size_t kTimeTextSize = 64;
constexpr const char* kSettings =
    "  COMMAND EXECUTE ENVIRONMENT & STATUS:\n    PDASTHOST(%s)\n    PDASTPORT(%u)\n    PDSYSTEMID(%s)\n"
    "    PDUSER(%.*s)\n    PDASTUSER(%.*s)\n    PDCMDWAITTIME(%" PRId32 ")\n    ENVGROUP(%s)\n"
    "    CLTPID(%" PRId32 ")  CLTTID(%" PRId32 ")\n\n";
constexpr const char* kPrefix = " %5" PRId32 " %5" PRId32 " %04d/%02d/%02d %02d:%02d:%02d       %5" PRIu32 "  ";

uint32_t own_pid() { return static_cast<uint32_t>(getpid()); }

tm local_now() {
  clt_clock_reading now{};
  clt_clock_now(&now);
  const time_t t = static_cast<time_t>(now.seconds);
  tm out{};
  localtime_r(&t, &out);
  return out;
}

// Opens a trace file for appending. A file made here gets its mode in
// full without clearing the process's creation mask, which other threads
// share.
int open_append(const char* path) {
  int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, kFileMode);
  if (fd >= 0) {
    fchmod(fd, kFileMode);
    return fd;
  }
  if (errno != EEXIST) return -1;
  return open(path, O_WRONLY | O_APPEND | O_CLOEXEC);
}

int64_t limit_of(int32_t pair, const clt_cmd_ctx* ctx) {
  return pair == kPairSocket ? ctx->soc_trace_size : ctx->cmd_trace_size;
}

bool pair_off(int32_t pair, const clt_cmd_ctx* ctx) {
  return pair == kPairSocket ? ctx->soc_trace_size == 0 : ctx->cmd_trace_size < 0;
}

// The file of the pair (0 or 1) that the next block goes to.
int choose_file(const struct stat st[kFilesPerPair], int64_t limit) {
  if (limit == 0) return 0;
  const bool below[kFilesPerPair] = {st[0].st_size < limit, st[1].st_size < limit};
  if (st[0].st_mtime == st[1].st_mtime) {
    if (below[0]) return 0;
    return below[1] ? 1 : 0;
  }
  const int newer = st[0].st_mtime > st[1].st_mtime ? 0 : 1;
  return below[newer] ? newer : 1 - newer;
}

}  // namespace

void clt_ast_trc_path(const clt_cmd_ctx* ctx, const char* name, char* out, size_t size) {
  size_t dir_len = strlen(ctx->trace_dir);
  while (dir_len > 0 && ctx->trace_dir[dir_len - 1] == '/') --dir_len;
  snprintf(out, size, "%.*s/%s", static_cast<int>(dir_len), ctx->trace_dir, name);
}

int32_t clt_ast_trc_kind(int32_t kind) { return kind == CLT_AST_TRC_SOC ? kPairSocket : kPairCommand; }

void clt_ast_trc_write(const void* data, size_t length, int32_t kind, clt_cmd_ctx* ctx) {
  const int32_t pair = clt_ast_trc_kind(kind);
  if (pair_off(pair, ctx)) return;
  const char* files[kFilesPerPair] = {ctx->trace_files[pair * kFilesPerPair], ctx->trace_files[pair * kFilesPerPair + 1]};
  int fd[kFilesPerPair] = {-1, -1};
  struct stat st[kFilesPerPair] = {};
  bool ok = true;
  for (int i = kFilesPerPair - 1; i >= 0 && ok; --i) {
    fd[i] = open_append(files[i]);
    ok = fd[i] >= 0 && fstat(fd[i], &st[i]) == 0;
  }
  if (ok) {
    const int64_t limit = limit_of(pair, ctx);
    const int chosen = choose_file(st, limit);
    int target = fd[chosen];
    if (limit != 0 && st[chosen].st_size >= limit) {
      close(fd[chosen]);
      fd[chosen] = target = open(files[chosen], O_WRONLY | O_APPEND | O_TRUNC | O_CLOEXEC);
    }
    if (target >= 0) {
      const ssize_t written = write(target, data, length);
      (void)written;  // a trace that cannot be written loses the block
    }
  }
  for (int f : fd) {
    if (f >= 0) close(f);
  }
}

void clt_ast_trc_open(clt_cmd_ctx* ctx) {
  for (int32_t i = 0; i < CLT_CMD_TRC_FILES; ++i)
    clt_ast_trc_path(ctx, kFileNames[i], ctx->trace_files[i], sizeof ctx->trace_files[i]);
  if (ctx->soc_trace_size == 0) {
    ctx->soc_trace_state = CLT_AST_SOC_OFF;
    return;
  }
  const uint32_t size = sizeof(clt_ast_soc_head) + static_cast<uint32_t>(ctx->soc_trace_data_size);
  ctx->soc_trace_record = static_cast<uint8_t*>(cltmem_alloc_plain(size, 0));
  // Without a record buffer the socket trace stays silent; there is no
  // command trace yet that could tell.
  ctx->soc_trace_state = ctx->soc_trace_record != nullptr ? CLT_AST_SOC_ON : CLT_AST_SOC_NOMEM;
}

void clt_ast_trc_close(clt_cmd_ctx* ctx) {
  if (ctx->soc_trace_record != nullptr) cltmem_free_plain(ctx->soc_trace_record);
  ctx->soc_trace_record = nullptr;
}

void clt_ast_trc_soc(uint16_t call, uint16_t phase, int32_t result, int32_t sock, int32_t length,
                     const void* data, int32_t mode, clt_cmd_ctx* ctx) {
  if (ctx->soc_trace_state != CLT_AST_SOC_ON) return;
  clt_clock_reading now{};
  clt_clock_now(&now);
  clt_ast_soc_head head{};
  head.length = sizeof head;
  head.seq = ++ctx->soc_trace_seq;
  head.seconds = static_cast<uint32_t>(now.seconds);
  head.milliseconds = now.milliseconds;
  head.pid = own_pid();
  head.call = call;
  head.phase = phase;
  head.result = static_cast<uint32_t>(result);
  head.sock = static_cast<uint32_t>(sock);
  uint32_t kept = 0;
  if (mode == CLT_AST_DATA_PLAIN && data != nullptr && length > 0) {
    head.data_length = static_cast<uint32_t>(length);
    kept = std::min(static_cast<uint32_t>(length), static_cast<uint32_t>(ctx->soc_trace_data_size));
    memcpy(ctx->soc_trace_record + sizeof head, data, kept);
    head.length += kept;
  }
  memcpy(ctx->soc_trace_record, &head, sizeof head);
  clt_ast_trc_write(ctx->soc_trace_record, head.length, CLT_AST_TRC_SOC, ctx);
}

void clt_ast_trc_header(clt_cmd_ctx* ctx) {
  ctx->msgblock = static_cast<clt_ast_msgblock*>(cltmem_alloc_plain(sizeof(clt_ast_msgblock), 0));
  ctx->trace_scratch = static_cast<char*>(cltmem_alloc_plain(kScratchSize, 0));
  if (ctx->msgblock == nullptr || ctx->trace_scratch == nullptr) {
    clt_ast_trc_free(ctx);  // no command trace for this call
    return;
  }
  clt_ast_msgblock* b = ctx->msgblock;
  cltmem_zero(b, sizeof *b);
  memcpy(b->eyecatcher, kMsgEyecatcher, sizeof kMsgEyecatcher);
  b->pid = own_pid();
  b->prefix_pos = static_cast<uint32_t>(offsetof(clt_ast_msgblock, area));

  const tm t = local_now();
  char when[kTimeTextSize];
  snprintf(when, sizeof when, kTimeFormat, t.tm_year + kYearBase, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min,
           t.tm_sec);
  int n = snprintf(ctx->trace_scratch, kScratchSize, kBanner, kVersion, zk_build_date, kPlatform, ctx->apname, when);
  clt_ast_trc_write(ctx->trace_scratch, std::min(static_cast<size_t>(n), kScratchSize - 1), CLT_AST_TRC_CMD, ctx);
  n = snprintf(ctx->trace_scratch, kScratchSize, kSettings, ctx->host_list, static_cast<unsigned>(ctx->port),
               ctx->system_id, static_cast<int>(ctx->user.length), ctx->user.text,
               static_cast<int>(ctx->ast_user.length), ctx->ast_user.text, static_cast<int32_t>(ctx->wait_time),
               ctx->group != nullptr ? ctx->group : "", static_cast<int32_t>(b->pid), static_cast<int32_t>(kThreadId));
  clt_ast_trc_write(ctx->trace_scratch, std::min(static_cast<size_t>(n), kScratchSize - 1), CLT_AST_TRC_CMD, ctx);
  clt_ast_trc_msg(ctx, "%s\n", ctx->command);
}

void clt_ast_trc_msg(clt_cmd_ctx* ctx, const char* format, ...) {
  clt_ast_msgblock* b = ctx->msgblock;
  if (b == nullptr) return;
  const tm t = local_now();
  const int prefix = snprintf(b->area, CLT_AST_PREFIX_ROOM, kPrefix, static_cast<int32_t>(b->pid),
                              static_cast<int32_t>(kThreadId), t.tm_year + kYearBase, t.tm_mon + 1, t.tm_mday,
                              t.tm_hour, t.tm_min, t.tm_sec, b->line);
  const size_t prefix_len = std::min(static_cast<size_t>(prefix), CLT_AST_PREFIX_ROOM - 1);
  b->text_pos = b->prefix_pos + static_cast<uint32_t>(prefix_len);
  char* text = b->area + prefix_len;
  va_list args;
  va_start(args, format);
  const int n = vsnprintf(text, CLT_AST_TEXT_MAX + 1, format, args);
  va_end(args);
  size_t text_len = std::min(static_cast<size_t>(n), CLT_AST_TEXT_MAX);
  // A message cut at the text's room still ends its line.
  if (static_cast<size_t>(n) > CLT_AST_TEXT_MAX) text[text_len - 1] = '\n';
  clt_ast_trc_write(b->area, prefix_len + text_len, CLT_AST_TRC_CMD, ctx);
  ++b->line;
}

void clt_ast_trc_free(clt_cmd_ctx* ctx) {
  if (ctx->msgblock != nullptr) cltmem_free_plain(ctx->msgblock);
  if (ctx->trace_scratch != nullptr) cltmem_free_plain(ctx->trace_scratch);
  ctx->msgblock = nullptr;
  ctx->trace_scratch = nullptr;
}

void clt_ast_put_message(clt_cmd_ctx* ctx, const clt_ast_token* token) {
  const size_t len = std::min<size_t>(token->length, sizeof token->text);
  if (ctx->output_size > 0 && ctx->output != nullptr && ctx->output_length != nullptr &&
      *ctx->output_length < static_cast<uint32_t>(ctx->output_size)) {
    const uint32_t used = *ctx->output_length;
    const size_t room = static_cast<uint32_t>(ctx->output_size) - used;
    const bool fits = room >= len + 1;
    const size_t copied = fits ? len : room - 1;
    // Behind the text already there: at its end mark, else at its length.
    size_t pos = used;
    if (used > 0) {
      const void* nul = memchr(ctx->output, '\0', used);
      if (nul != nullptr) pos = static_cast<size_t>(static_cast<const char*>(nul) - ctx->output);
    }
    memcpy(ctx->output + pos, token->text, copied);
    if (fits) ctx->output[pos + copied] = '\0';
    // The length ends where the bytes placed end; an end mark written
    // over is not counted twice.
    *ctx->output_length = static_cast<uint32_t>(pos + copied + (fits ? 1 : 0));
  }
  clt_ast_trc_msg(ctx, "%.*s", static_cast<int>(len), token->text);
}

void clt_ast_put_format(clt_cmd_ctx* ctx, const char* format, ...) {
  clt_ast_token token{};
  va_list args;
  va_start(args, format);
  const int n = vsnprintf(token.text, sizeof token.text, format, args);
  va_end(args);
  token.length = static_cast<uint16_t>(std::min(static_cast<size_t>(n), sizeof token.text - 1));
  clt_ast_put_message(ctx, &token);
}
