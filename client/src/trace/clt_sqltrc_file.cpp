#include "clt_sqltrc_file.h"

#include <stdio.h>
#include <unistd.h>

#include "CLTCOMCTX.h"
#include "CLTTRC.h"
#include "clt_sqltrc_buf.h"
#include "clt_sqltrc_uap.h"

namespace {

constexpr size_t kGroupMax = 31;

struct pair_rules {
  int32_t name;        // first clt_trc_name of the pair
  int32_t head_flag;   // first head flag of the pair
  int32_t head_index;  // trace-file index that the head is told
  bool keep;           // files kept open for the connection
};

pair_rules rules_of(clt_main* main, int32_t slot) {
  const clt_env* env = clt_main_env(main);
  if (slot == CLT_TRC_SLOT_SQL) {
    return {CLT_TRCNAME_SQL1, 0, CLT_TRC_SLOT_SQL, env->pdsqltrcopenmode == CLT_SQLTRC_OPEN_CNCT};
  }
  return {CLT_TRCNAME_CTL1, 2, CLT_TRC_SLOT_SQLCTL, env->trcctl_keep_open == 1};
}

}  // namespace

bool clt_sqltrc_pair_paths(int32_t slot, char* paths[2], size_t size) {
  clt_global_data* ctx = clt_cur();
  clt_main* main = ctx->main;
  const clt_sqltrc_buf* b = clt_sqltrc_cur();
  if (main == nullptr || b == nullptr) return false;
  if (slot == CLT_TRC_SLOT_SQLCTL) {
    if (ctx->trcctl_dir == nullptr || main->trc_names[CLT_TRCNAME_CTL1] == nullptr ||
        main->trc_names[CLT_TRCNAME_CTL2] == nullptr) {
      return false;
    }
    for (int32_t i = 0; i < 2; ++i) clt_trc_join(ctx->trcctl_dir, main->trc_names[CLT_TRCNAME_CTL1 + i], paths[i], size);
    return true;
  }
  const char* dir = b->rep_dir != nullptr ? b->rep_dir : clt_trc_dir();
  if (main->srvtrc_active) {
    for (int32_t i = 0; i < 2; ++i) {
      char name[CLT_TRC_NAME_MAX + 1];
      snprintf(name, sizeof name, "pd%.*s%d_%d.trc", static_cast<int>(kGroupMax), clt_main_env(main)->pdservicegrp,
               static_cast<int>(main->srv_pid), i + 1);
      clt_trc_join(dir, name, paths[i], size);
    }
    return true;
  }
  if (b->rep_dir != nullptr && main->trc_names[CLT_TRCNAME_SQL1] != nullptr &&
      main->trc_names[CLT_TRCNAME_SQL2] != nullptr) {
    for (int32_t i = 0; i < 2; ++i) clt_trc_join(dir, main->trc_names[CLT_TRCNAME_SQL1 + i], paths[i], size);
    return true;
  }
  return clt_trc_filename(slot, 0, paths[0], size) && clt_trc_filename(slot, 1, paths[1], size);
}

void clt_sqltrc_pair_write(const void* record, uint32_t length, int32_t slot) {
  clt_global_data* ctx = clt_cur();
  clt_sqltrc_buf* b = clt_sqltrc_cur();
  if (ctx == nullptr || ctx->main == nullptr || b == nullptr) return;
  clt_main* main = ctx->main;
  char storage[2][CLT_TRC_PATH_SIZE];
  char* paths[2] = {storage[0], storage[1]};
  if (!clt_sqltrc_pair_paths(slot, paths, CLT_TRC_PATH_SIZE)) return;
  const pair_rules rules = rules_of(main, slot);
  int32_t* kept = &main->kept_fd[rules.name];
  int fds[2] = {-1, -1};
  bool ok = true;
  for (int32_t i = 1; i >= 0 && ok; --i) {
    fds[i] = rules.keep && kept[i] >= 0 ? kept[i] : clt_trc_open_append(paths[i]);
    ok = fds[i] >= 0;
    if (ok && rules.keep) kept[i] = fds[i];
  }
  clt_trc_file files[2];
  ok = ok && clt_trc_status(fds[0], &files[0]) && clt_trc_status(fds[1], &files[1]);
  const int32_t limit = ctx->runtime.trc.limit[slot];
  if (ok) {
    const clt_trc_choice choice = clt_trc_choose(files, limit, true);
    const int32_t i = choice.index;
    if (choice.empty_first) {
      close(fds[i]);
      fds[i] = clt_trc_open_emptied(paths[i]);
      if (rules.keep) kept[i] = fds[i];
      ok = fds[i] >= 0;
    }
    int32_t* flags = &b->head_written[rules.head_flag];
    if (ok && !flags[i]) {
      const int32_t head = clt_sqltrc_uap(fds[i], rules.head_index);
      // Without a size limit the record goes out whatever the head did.
      if (head >= 0 || limit == 0) {
        flags[i] = 1;
        flags[1 - i] = 0;
      } else {
        ok = false;
      }
    }
    if (ok) ok = write(fds[i], record, length) == static_cast<ssize_t>(length);
  }
  if (!rules.keep) {
    for (int fd : fds) {
      if (fd >= 0) close(fd);
    }
  }
}
