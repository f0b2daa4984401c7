#include "CLTTRC.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "CLTCNTL.h"
#include "CLTCOMCTX.h"
#include "CLTMEM.h"
#include "zk_codes.h"
#include "zk_seam.h"

namespace {

constexpr const char* kModule = "CLTTRC";
constexpr char kCurrentDir[] = ".";

// PDTRCMODE values.
constexpr int32_t kModeAll = 1;
constexpr int32_t kModeNone = 2;

// Fixed file names of the slots; the SQL slots name their files per connection.
constexpr const char* kNames[CLT_TRC_SLOTS][2] = {
    {"pdrpc1.trc", "pdrpc2.trc"}, {"pdmdl1.trc", "pdmdl2.trc"}, {"pdsoc1.trc", "pdsoc2.trc"},
    {"pderr1.trc", "pderr2.trc"}, {"pdsql1.trc", "pdsql2.trc"}, {"pdess1.trc", "pdess2.trc"},
    {nullptr, nullptr},           {"pdrcnct1.trc", "pdrcnct2.trc"},
};

// The PDTRCMODE filter: the error log unless "NONE"; socket, SQL and
// reconnect records always; everything else only with "ALL".
bool passes(int32_t kind, int32_t mode) {
  switch (kind) {
    case CLT_TRC_KIND_ERRLOG: return mode != kModeNone;
    case CLT_TRC_KIND_SOC:
    case CLT_TRC_KIND_SQL:
    case CLT_TRC_KIND_SQLCTL:
    case CLT_TRC_KIND_RCNCT: return true;
    default: return mode == kModeAll;
  }
}

// Slots that a size of 0 switches off; the others then grow without limit.
bool size_switches_off(int32_t slot) {
  return slot == CLT_TRC_SLOT_RPC || slot == CLT_TRC_SLOT_MDL || slot == CLT_TRC_SLOT_SOC ||
         slot == CLT_TRC_SLOT_ESS;
}

// Appends the record to the chosen file of the open pair; false on any failure.
bool write_into_pair(const int fds[2], const void* record, uint32_t length, int32_t limit) {
  clt_trc_file files[2];
  if (!clt_trc_status(fds[0], &files[0]) || !clt_trc_status(fds[1], &files[1])) return false;
  const clt_trc_choice choice = clt_trc_choose(files, limit, false);
  const int fd = fds[choice.index];
  if (choice.empty_first && ftruncate(fd, 0) != 0) return false;
  return write(fd, record, length) == static_cast<ssize_t>(length);
}

clt_trc_sql_writer g_sql_writer = nullptr;

void close_open(int fd) {
  if (fd >= 0) close(fd);
}

}  // namespace

void clt_trc_set_sql_writer(clt_trc_sql_writer writer) { g_sql_writer = writer; }

int clt_trc_open_append(const char* path) {
  return open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, CLT_TRC_FILE_MODE);
}

int clt_trc_open_emptied(const char* path) {
  return open(path, O_WRONLY | O_APPEND | O_CREAT | O_TRUNC | O_CLOEXEC, CLT_TRC_FILE_MODE);
}

bool clt_trc_status(int fd, clt_trc_file* out) {
  struct stat st {};
  if (fstat(fd, &st) != 0) return false;
  out->size = st.st_size;
  out->mtime = st.st_mtim.tv_sec;
  return true;
}

clt_trc_choice clt_trc_choose(const clt_trc_file files[2], int32_t limit, bool switch_empties) {
  if (limit == 0) return {0, false};
  const auto full = [&](int32_t i) { return files[i].size >= limit; };
  if (files[0].mtime == files[1].mtime) {
    const int32_t index = full(0) && !full(1) ? 1 : 0;
    return {index, full(index)};
  }
  const int32_t current = files[1].mtime > files[0].mtime ? 1 : 0;
  if (!full(current)) return {current, false};
  const int32_t other = 1 - current;
  return {other, switch_empties || full(other)};
}

int32_t clt_trc_kind_file(int32_t kind) {
  switch (kind) {
    case CLT_TRC_KIND_RPC: return CLT_TRC_SLOT_RPC;
    case CLT_TRC_KIND_SOC: return CLT_TRC_SLOT_SOC;
    case CLT_TRC_KIND_ERRLOG: return CLT_TRC_SLOT_ERRLOG;
    case CLT_TRC_KIND_SQL: return CLT_TRC_SLOT_SQL;
    case CLT_TRC_KIND_SQLCTL: return CLT_TRC_SLOT_SQLCTL;
    case CLT_TRC_KIND_RCNCT: return CLT_TRC_SLOT_RCNCT;
    default: return CLT_TRC_SLOT_MDL;
  }
}

const char* clt_trc_dir() {
  clt_global_data* ctx = clt_cur();
  return ctx != nullptr && ctx->trc_dir != nullptr ? ctx->trc_dir : kCurrentDir;
}

void clt_trc_record_dir() {
  clt_global_data* ctx = clt_cur();
  if (ctx != nullptr && ctx->trc_dir == nullptr && ctx->main != nullptr) {
    ctx->trc_dir = clt_text(ctx->main, CLT_TEXT_CLTPATH);
  }
}

void clt_trc_join(const char* dir, const char* name, char* path, size_t size) {
  size_t dir_len = strlen(dir);
  if (dir_len > 1 && dir[dir_len - 1] == '/') --dir_len;
  if (dir_len == 1 && dir[0] == '/') dir_len = 0;
  snprintf(path, size, "%.*s/%s", static_cast<int>(dir_len), dir, name);
}

bool clt_trc_filename(int32_t slot, int32_t number, char* path, size_t size) {
  if (slot < 0 || slot >= CLT_TRC_SLOTS || number < 0 || number > 1) return false;
  const char* name = kNames[slot][number];
  if (name == nullptr) return false;
  clt_trc_join(clt_trc_dir(), name, path, size);
  return true;
}

int32_t clt_trc_lock(const char* dir, int32_t mode) {
  clt_global_data* ctx = clt_cur();
  if (ctx == nullptr) return -1;
  int32_t& held = ctx->runtime.trc.lock_fd;
  struct flock lk {};
  lk.l_whence = SEEK_SET;
  if (mode == CLT_TRC_LOCK_RELEASE) {
    if (held == 0) return 0;
    lk.l_type = F_UNLCK;
    fcntl(held - 1, F_SETLK, &lk);
    close(held - 1);
    held = 0;
    return 0;
  }
  char path[CLT_TRC_PATH_SIZE];
  clt_trc_join(dir, CLT_TRC_LOCK_FILE, path, sizeof path);
  const int fd = open(path, O_RDWR | O_CREAT | O_CLOEXEC, CLT_TRC_FILE_MODE);
  if (fd < 0) return -1;
  lk.l_type = F_WRLCK;
  for (int32_t attempt = 1; attempt <= CLT_TRC_LOCK_TRIES; ++attempt) {
    if (fcntl(fd, F_SETLK, &lk) == 0) {
      held = fd + 1;
      return 0;
    }
    if (attempt < CLT_TRC_LOCK_TRIES) clt_sleep_ms(CLT_TRC_LOCK_WAIT_MS);
  }
  // Never taken, so nothing is released: the holder keeps it.
  close(fd);
  return -1;
}

void clt_trc_write(const void* record, uint32_t length, int32_t kind, int32_t /*reserved*/) {
  clt_global_data* ctx = clt_cur();
  if (ctx == nullptr || record == nullptr) return;
  if (!passes(kind, clt_env_get(ctx->main, clt_setting::trcmode))) return;
  const int32_t slot = clt_trc_kind_file(kind);
  // The SQL-trace pairs open every file with the trace head and may keep
  // their files open: the SQL trace writes them.
  if (slot == CLT_TRC_SLOT_SQL || slot == CLT_TRC_SLOT_SQLCTL) {
    if (ctx->sqltrc_block != nullptr && g_sql_writer != nullptr) g_sql_writer(record, length, slot);
    return;
  }
  const int32_t limit = ctx->runtime.trc.limit[slot];
  if (limit == 0 && size_switches_off(slot)) return;
  char paths[2][CLT_TRC_PATH_SIZE];
  if (!clt_trc_filename(slot, 1, paths[1], sizeof paths[1]) || !clt_trc_filename(slot, 0, paths[0], sizeof paths[0])) {
    return;
  }
  int fds[2] = {-1, -1};
  fds[1] = clt_trc_open_append(paths[1]);
  if (fds[1] < 0) return;
  const bool locking = slot == CLT_TRC_SLOT_SOC;
  if (locking && clt_trc_lock(clt_trc_dir(), CLT_TRC_LOCK_TAKE) != 0) {
    close(fds[1]);
    return;
  }
  fds[0] = clt_trc_open_append(paths[0]);
  if (fds[0] >= 0) write_into_pair(fds, record, length, limit);
  close_open(fds[0]);
  close_open(fds[1]);
  if (locking) clt_trc_lock(clt_trc_dir(), CLT_TRC_LOCK_RELEASE);
}

void clt_trc_append_piece(const char* dir, const char* const names[2], const void* data, uint32_t length,
                          int32_t limit) {
  char paths[2][CLT_TRC_PATH_SIZE];
  int fds[2] = {-1, -1};
  clt_trc_file files[2];
  const char* failed = nullptr;
  for (int32_t i = 1; i >= 0 && failed == nullptr; --i) {
    clt_trc_join(dir, names[i], paths[i], sizeof paths[i]);
    fds[i] = clt_trc_open_append(paths[i]);
    if (fds[i] < 0) {
      failed = "open";
    } else if (!clt_trc_status(fds[i], &files[i])) {
      failed = "fstat";
    }
  }
  if (failed == nullptr) {
    const clt_trc_choice choice = clt_trc_choose(files, limit, false);
    int& fd = fds[choice.index];
    if (choice.empty_first) {
      close(fd);
      fd = clt_trc_open_emptied(paths[choice.index]);
    }
    if (fd < 0) {
      failed = "open";
    } else if (write(fd, data, length) != static_cast<ssize_t>(length)) {
      failed = "write";
    }
  }
  if (failed != nullptr) clt_errlog_msg(CLT_LOG_SYSCALL_ERROR, failed, errno);
  close_open(fds[0]);
  close_open(fds[1]);
}

void clt_trc_open_mdl() {
  clt_global_data* ctx = clt_cur();
  clt_main* main = ctx->main;
  clt_trc_record_dir();
  ctx->mdl_trc_setting[0] = clt_env_get(main, clt_setting::trcmdl);
  ctx->mdl_trc_setting[1] = 0;
  ctx->runtime.trc.limit[CLT_TRC_SLOT_MDL] = ctx->mdl_trc_setting[0];
  if (ctx->mdl_trc_setting[0] == 0) {
    ctx->mdl_trc_state = CLT_TRC_OFF;
    return;
  }
  ctx->mdl_trc_record = cltmem_alloc(CLT_MDL_RECORD_SIZE, 0, kModule, __LINE__);
  if (ctx->mdl_trc_record) {
    ctx->mdl_trc_state = CLT_TRC_READY;
    ctx->runtime.com.mdl_trace_on = 1;
  } else {
    ctx->mdl_trc_state = CLT_TRC_NO_MEMORY;
    clt_errlog_msg(CLT_LOG_CLIENT_ERROR, CLT_LOG_REASON_MEMORY, kModule, __LINE__);
  }
}

void clt_trc_close_mdl() {
  clt_global_data* ctx = clt_cur();
  ctx->runtime.com.mdl_trace_on = 0;
  if (ctx->mdl_trc_record) {
    cltmem_free(ctx->mdl_trc_record, kModule, __LINE__);
    ctx->mdl_trc_record = nullptr;
  }
}
