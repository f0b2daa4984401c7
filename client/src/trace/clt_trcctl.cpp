#include "clt_trcctl.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "CLTCOMCTX.h"
#include "CLTTRC.h"
#include "zk_seam.h"

namespace {

constexpr char kFileName[] = ".#pdtrc";
constexpr const char* kMsgFile = "KFPZ30005-E Trace information file error, pathname=%s, func=%s, errno=%d\n";
constexpr const char* kMsgEnv = "KFPZ02401-E Environment definition error, variable=%s, reason=%s\n";
constexpr const char* kInvalidChar = "INVALID CHAR";
constexpr const char* kOutOfRange = "OUT OF RANGE";
constexpr const char* kNoValue = "NO VALUE";
constexpr size_t kLineBuffer = 32;
constexpr size_t kPathShown = 30;
constexpr int32_t kBitsMax = 23;
constexpr long long kSizeLow = 32768;
constexpr long long kSizeHigh = 2000000000;
constexpr char kUnknownApp[] = "Unknown";

struct reader {
  clt_env* env;
  bool log;
  void say(const char* format, const char* a, const char* b, int c = 0) const {
    if (log) clt_errlog_msg(format, a, b, c);
  }
  void reset() const {
    env->trcctl_size = -1;
    env->trcctl_bits = 0;
    env->trcctl_keep_open = 0;
  }
};

// The first line: report bits, then optionally one blank and the switch.
const char* first_line(clt_env* env, const char* line) {
  const int bits = atoi(line);
  if (bits < 0 || bits > kBitsMax) return kOutOfRange;
  env->trcctl_bits = bits;
  const char* blank = strchr(line, ' ');
  if (blank == nullptr) return nullptr;
  if (strchr(blank + 1, ' ') != nullptr) return kInvalidChar;
  const int keep = atoi(blank + 1);
  if (keep != 0 && keep != 1) return kOutOfRange;
  env->trcctl_keep_open = static_cast<int16_t>(keep);
  return nullptr;
}

const char* size_line(clt_env* env, const char* line) {
  long long size = 0;
  for (const char* p = line; *p != '\0'; ++p) {
    if (*p < '0' || *p > '9') return kInvalidChar;
    // Beyond the highest size the digits no longer matter.
    if (size <= kSizeHigh) size = size * 10 + (*p - '0');
  }
  if (size != 0 && (size < kSizeLow || size > kSizeHigh)) return kOutOfRange;
  env->trcctl_size = static_cast<int32_t>(size);
  return nullptr;
}

}  // namespace

int32_t clt_trcctl_read_dir(clt_env* env, const char* dir) {
  const reader r{env, env->opt_t == 'Y'};
  r.reset();
  env->trcctl_app[0] = '\0';
  char path[CLT_TRC_PATH_SIZE];
  clt_trc_join(dir, kFileName, path, sizeof path);
  const size_t dir_len = strlen(dir);
  const char* shown = dir_len > kPathShown ? dir + dir_len - kPathShown : dir;
  FILE* f = fopen(path, "r");
  if (f == nullptr) {
    if (errno == ENOENT) return 0;
    r.say(kMsgFile, shown, "fopen", errno);
    return -1;
  }
  const char* error = nullptr;
  char line[kLineBuffer];
  int number = 0;
  while (error == nullptr && fgets(line, sizeof line, f) != nullptr) {
    ++number;
    char* lf = strchr(line, '\n');
    if (lf == nullptr) {
      error = kInvalidChar;
      break;
    }
    *lf = '\0';
    if (number == 1) {
      error = first_line(env, line);
    } else if (number == 2) {
      error = size_line(env, line);
    } else if (number == 3) {
      const size_t n = strnlen(line, sizeof env->trcctl_app - 1);
      memcpy(env->trcctl_app, line, n);
      env->trcctl_app[n] = '\0';
    } else {
      error = kInvalidChar;
    }
  }
  if (error == nullptr && env->trcctl_size == -1 && env->trcctl_bits == 0 && env->trcctl_keep_open == 0) {
    error = kNoValue;
  }
  if (error != nullptr) r.say(kMsgEnv, kFileName, error);
  if (error == nullptr && env->trcctl_app[0] != '\0' &&
      strncmp(env->pdcltapname, kUnknownApp, sizeof kUnknownApp - 1) != 0 &&
      strcmp(env->pdcltapname, env->trcctl_app) != 0) {
    r.reset();
  }
  int32_t result = error != nullptr ? -1 : 0;
  if (fclose(f) != 0) {
    r.say(kMsgFile, shown, "fclose", errno);
    result = -1;
  }
  if (result != 0) {
    r.reset();
    return result;
  }
  if (env->trcctl_size != -1) env->sqltrace_flag = 'Y';
  return 0;
}

void clt_trcctl_read_conn() {
  clt_main* main = clt_cur_main();
  if (main == nullptr) return;
  clt_trcctl_read_dir(clt_main_env(main), clt_text(main, CLT_TEXT_TRCPATH));
}
