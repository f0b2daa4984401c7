#include "cltasenv.h"

#include <errno.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "CLTUTLEV.h"
#include "clttrcmd.h"
#include "zk_cmd_records.h"
#include "iniread.h"
#include "regread.h"

namespace {

constexpr int32_t kIniValueSize = 1024;
constexpr const char* kUserValue = "PDUSER";
constexpr const char* kPasswordValue = "PDUSYSTEM1";

constexpr const char* kFileKind = "Environment group";
constexpr const char* kFuncFopen = "fopen";
constexpr const char* kFuncGetcwd = "getcwd";
constexpr size_t kFileNameShown = 100;
constexpr const char* kReasonNoGroup = "NOT ENVIRONMENT GROUP";
constexpr size_t kMessageSize = 512;

constexpr size_t kPathMax = 256;
constexpr size_t kUserQuotedMax = CLT_CMD_NAME_MAX + 2;
constexpr const char* kDefaultApName = "Unknown";

constexpr uint32_t kTraceSizeMax = 2000000000;
constexpr uint32_t kTraceSizeMin = 4096;
constexpr uint32_t kSocTraceFull = 1;           // PDTRCSOC 1: the largest trace
constexpr int32_t kSocTraceFullData = 36864;
constexpr uint32_t kSocDataMin = 64;
constexpr uint32_t kSocDataMax = 4096;
constexpr int32_t kSocDataDefault = 256;

// A checked number of the settings.
struct num_rule {
  const char* name;
  uint32_t low;
  uint32_t high;
  bool zero_ok;          // 0 is accepted besides the range
  bool required;         // absence is "NO VALUE"
  int64_t absent;        // stored when absent
  bool group_reported;   // a missing registry group is reported as such
};

constexpr num_rule kPort{"PDASTPORT", 5001, 65535, false, true, 0, true};
constexpr num_rule kWaitTime{"PDCMDWAITTIME", 60, 43200, true, false, 0, true};
constexpr num_rule kCmdTrace{"PDCMDTRACE", kTraceSizeMin, kTraceSizeMax, true, false, -1, false};

bool has_group(const clt_cmd_ctx* ctx) { return ctx->group != nullptr && ctx->group[0] != '\0'; }

// Where a group names a file by a drive-letter path, here it names one by
// an absolute path.
bool group_is_file(const char* group) { return group[0] == '/'; }

bool open_group(const clt_cmd_ctx* ctx, reg_key* key) {
  const std::string path = std::string(CLT_GRP_KEY_PREFIX) + ctx->group;
  return reg_open_key(reg_root::current_user, path.c_str(), key) ||
         reg_open_key(reg_root::local_machine, path.c_str(), key);
}

// A text value that fits a buffer of `size` bytes; 0 when it is missing,
// empty, not a text or too long, as a failed read would be.
int32_t reg_text(const reg_key& key, const char* name, char* buf, int32_t size) {
  const reg_value* v = key.find(name);
  if (v == nullptr || v->type != reg_type::string) return 0;
  const size_t len = strnlen(v->data.data(), v->data.size());
  if (len == 0 || len >= static_cast<size_t>(size)) return 0;
  memcpy(buf, v->data.data(), len);
  buf[len] = '\0';
  return static_cast<int32_t>(len);
}

char complement(char c) { return static_cast<char>(~static_cast<unsigned char>(c)); }

// The registry keeps PDUSER's password complemented, either after the
// '/' or, without one, in the binary value PDUSYSTEM1.
int32_t unscramble_user(const reg_key& key, char* buf, int32_t len, int32_t size) {
  char* slash = static_cast<char*>(memchr(buf, '/', static_cast<size_t>(len)));
  if (slash != nullptr) {
    for (char* p = slash + 1; p < buf + len; ++p) *p = complement(*p);
    return len;
  }
  const reg_value* pw = key.find(kPasswordValue);
  if (pw == nullptr || pw->type != reg_type::binary || pw->data.empty()) return len;
  const size_t total = static_cast<size_t>(len) + 1 + pw->data.size();
  // A password that cannot follow the name in the buffer is left out
  // rather than cut.
  if (total >= static_cast<size_t>(size)) return len;
  buf[len] = '/';
  std::transform(pw->data.begin(), pw->data.end(), buf + len + 1, complement);
  buf[total] = '\0';
  return static_cast<int32_t>(total);
}

int32_t common_ini(const char* name, char* buf, int32_t size) {
  return static_cast<int32_t>(
      ini_read_string(CLT_ENV_DEFAULT_INI, CLT_ENV_INI_SECTION, name, buf, static_cast<uint32_t>(size)));
}

void report(clt_cmd_ctx* ctx, const char* format, ...) __attribute__((format(printf, 2, 3)));
void report(clt_cmd_ctx* ctx, const char* format, ...) {
  char text[kMessageSize];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof text, format, args);
  va_end(args);
  clt_ast_put_format(ctx, "%s\n", text);
}

int32_t env_error(clt_cmd_ctx* ctx, const char* variable, const char* reason) {
  report(ctx, CLT_MSG_ENV_ERROR, variable, reason);
  return -1;
}

int32_t read_checked(clt_cmd_ctx* ctx, const num_rule& r, int64_t* out) {
  uint32_t v = 0;
  switch (clt_grp_getenv_num(r.name, &v, 10, ctx)) {
    case CLT_ENV_OK:
      if ((r.zero_ok && v == 0) || (v >= r.low && v <= r.high)) {
        *out = v;
        return 0;
      }
      return env_error(ctx, r.name, CLT_REASON_RANGE);
    case CLT_ENV_RANGE: return env_error(ctx, r.name, CLT_REASON_RANGE);
    case CLT_ENV_INVALID: return env_error(ctx, r.name, CLT_REASON_CHAR);
    case CLT_ENV_ABSENT:
      if (r.required) return env_error(ctx, r.name, CLT_REASON_NO_VALUE);
      *out = r.absent;
      return 0;
    case CLT_GRP_NO_GROUP:
      if (r.group_reported) return env_error(ctx, ctx->group, kReasonNoGroup);
      break;
    default: break;
  }
  report(ctx, CLT_MSG_SYSCALL, CLT_FUNC_PROFILE, 0);
  return -1;
}

int32_t read_cltpath(clt_cmd_ctx* ctx) {
  char buf[CLT_GRP_VALUE_SIZE];
  const int32_t len = clt_grp_getenv_str("PDCLTPATH", buf, sizeof buf, ctx);
  if (static_cast<size_t>(len) > kPathMax) return env_error(ctx, "PDCLTPATH", CLT_REASON_RANGE);
  if (len > 0) {
    memcpy(ctx->trace_dir, buf, static_cast<size_t>(len) + 1);
    return 0;
  }
  if (getcwd(ctx->trace_dir, sizeof ctx->trace_dir) == nullptr) {
    const int err = errno;
    ctx->trace_dir[0] = '\0';
    report(ctx, CLT_MSG_SYSCALL, kFuncGetcwd, err);
    return -1;
  }
  return 0;
}

int32_t read_host(clt_cmd_ctx* ctx) {
  char buf[CLT_GRP_VALUE_SIZE];
  const char* name = "PDASTHOST";
  int32_t len = clt_grp_getenv_str(name, buf, sizeof buf, ctx);
  if (len == 0) {
    name = "PDHOST";
    len = clt_grp_getenv_str(name, buf, sizeof buf, ctx);
  }
  if (len == 0) {
    report(ctx, CLT_MSG_ENV_ERROR, "PDASTHOST", CLT_REASON_NO_VALUE);
    return env_error(ctx, "PDHOST", CLT_REASON_NO_VALUE);
  }
  if (static_cast<size_t>(len) > CLT_CMD_HOST_MAX) return env_error(ctx, name, CLT_REASON_RANGE);
  memcpy(ctx->host_list, buf, static_cast<size_t>(len) + 1);
  return 0;
}

// A user name or password part: at most 30 characters, 32 in double
// quotes, which are dropped. Returns the refusal's reason or null.
const char* take_part(const char* p, size_t len, clt_cmd_name* out) {
  const bool quoted = len > 0 && p[0] == '"';
  if (len > (quoted ? kUserQuotedMax : CLT_CMD_NAME_MAX)) return CLT_REASON_RANGE;
  if (quoted) {
    // Both ends are dropped, so both must be quotes: a lone one would
    // cost the part its last character.
    if (len < 2 || p[len - 1] != '"') return CLT_REASON_CHAR;
    ++p;
    len -= 2;
  }
  out->length = static_cast<uint16_t>(len);
  memcpy(out->text, p, len);
  return nullptr;
}

// "user/password", plain or enclosed in single quotes.
const char* parse_user(const char* buf, size_t len, clt_cmd_name* user, clt_cmd_name* password) {
  const char* body = buf;
  size_t body_len = len;
  if (buf[0] == '\'') {
    if (len < 2 || buf[len - 1] != '\'') return CLT_REASON_CHAR;
    ++body;
    body_len -= 2;
    if (body_len == 0 || body[0] == '/') return CLT_REASON_CHAR;
  } else if (buf[0] == '/') {
    return CLT_REASON_NO_VALUE;
  }
  const char* slash = static_cast<const char*>(memchr(body, '/', body_len));
  const size_t user_len = slash != nullptr ? static_cast<size_t>(slash - body) : body_len;
  const char* pw = slash != nullptr ? slash + 1 : body + body_len;
  const size_t pw_len = static_cast<size_t>(body + body_len - pw);
  clt_cmd_name u{};
  clt_cmd_name p{};
  if (const char* why = take_part(body, user_len, &u)) return why;
  if (const char* why = take_part(pw, pw_len, &p)) return why;
  *user = u;
  *password = p;
  return nullptr;
}

// 1 when given, 0 when absent, -1 after a report.
int32_t read_user(clt_cmd_ctx* ctx, const char* name, clt_cmd_name* user, clt_cmd_name* password) {
  char buf[CLT_GRP_VALUE_SIZE];
  const int32_t len = clt_grp_getenv_str(name, buf, sizeof buf, ctx);
  if (len == 0) return 0;
  if (const char* why = parse_user(buf, static_cast<size_t>(len), user, password)) return env_error(ctx, name, why);
  return 1;
}

int32_t read_users(clt_cmd_ctx* ctx) {
  const int32_t ast = read_user(ctx, "PDASTUSER", &ctx->ast_user, &ctx->ast_password);
  if (ast < 0) return -1;
  const int32_t db = read_user(ctx, "PDUSER", &ctx->user, &ctx->password);
  if (db < 0) return -1;
  if (ast == 0 && db == 0) {
    report(ctx, CLT_MSG_ENV_ERROR, "PDASTUSER", CLT_REASON_NO_VALUE);
    return env_error(ctx, "PDUSER", CLT_REASON_NO_VALUE);
  }
  if (ast == 0) {
    ctx->ast_user = ctx->user;
    ctx->ast_password = ctx->password;
  } else if (db == 0) {
    ctx->user = ctx->ast_user;
    ctx->password = ctx->ast_password;
  }
  return 0;
}

// Lookup failures and values out of range switch the socket trace off
// without a message.
void read_soc_trace(clt_cmd_ctx* ctx) {
  ctx->soc_trace_size = 0;
  ctx->soc_trace_data_size = 0;
  uint32_t size = 0;
  if (clt_grp_getenv_num("PDTRCSOC", &size, 10, ctx) != CLT_ENV_OK) return;
  if (size == kSocTraceFull) {
    ctx->soc_trace_size = static_cast<int32_t>(kTraceSizeMax);
    ctx->soc_trace_data_size = kSocTraceFullData;
    return;
  }
  if (size < kTraceSizeMin || size > kTraceSizeMax) return;
  uint32_t data = 0;
  const int32_t rc = clt_grp_getenv_num("PDTRCSOCSIZE", &data, 10, ctx);
  if (rc == CLT_ENV_ABSENT) {
    data = kSocDataDefault;
  } else if (rc != CLT_ENV_OK || data < kSocDataMin || data > kSocDataMax) {
    return;
  }
  ctx->soc_trace_size = static_cast<int32_t>(size);
  ctx->soc_trace_data_size = static_cast<int32_t>(data);
}

int32_t read_system_id(clt_cmd_ctx* ctx) {
  char buf[CLT_GRP_VALUE_SIZE];
  const int32_t len = clt_grp_getenv_str("PDSYSTEMID", buf, sizeof buf, ctx);
  if (len == 0) return env_error(ctx, "PDSYSTEMID", CLT_REASON_NO_VALUE);
  if (static_cast<size_t>(len) != CLT_CMD_SYSTEMID_LEN) return env_error(ctx, "PDSYSTEMID", CLT_REASON_CHAR);
  memcpy(ctx->system_id, buf, CLT_CMD_SYSTEMID_LEN + 1);
  return 0;
}

void read_apname(clt_cmd_ctx* ctx) {
  char buf[CLT_GRP_VALUE_SIZE];
  const int32_t len = clt_grp_getenv_str("PDCLTAPNAME", buf, sizeof buf, ctx);
  if (len == 0) {
    strcpy(ctx->apname, kDefaultApName);
    return;
  }
  const size_t kept = std::min(static_cast<size_t>(len), CLT_CMD_APNAME_MAX);
  memcpy(ctx->apname, buf, kept);
  ctx->apname[kept] = '\0';
}

}  // namespace

int32_t clt_grp_getenv_str(const char* name, char* buf, int32_t size, const clt_cmd_ctx* ctx) {
  buf[0] = '\0';
  if (has_group(ctx)) {
    if (ctx->group_kind == CLT_GRP_FILE) {
      const uint32_t len = ini_read_string(ctx->group, CLT_ENV_INI_SECTION, name, buf, static_cast<uint32_t>(size));
      if (len > 0) return static_cast<int32_t>(len);
    } else {
      reg_key key;
      // Without the group's key the setting is absent: no other source is asked.
      if (!open_group(ctx, &key)) return 0;
      const int32_t len = reg_text(key, name, buf, size);
      if (len > 0) return strcmp(name, kUserValue) == 0 ? unscramble_user(key, buf, len, size) : len;
    }
  }
  // One environment serves as both the process's and the run-time
  // library's; the latter also takes an empty value, which then ends the
  // search as absent.
  const char* v = getenv(name);
  if (v != nullptr) {
    const size_t len = strlen(v);
    if (len < static_cast<size_t>(size)) {
      memcpy(buf, v, len + 1);
      return static_cast<int32_t>(len);
    }
  }
  return common_ini(name, buf, size);
}

int32_t clt_grp_getenv_num(const char* name, uint32_t* value, int32_t base, const clt_cmd_ctx* ctx) {
  std::string text;
  bool found = false;
  if (has_group(ctx)) {
    if (ctx->group_kind == CLT_GRP_FILE) {
      char buf[kIniValueSize];
      const uint32_t len = ini_read_string(ctx->group, CLT_ENV_INI_SECTION, name, buf, sizeof buf);
      found = len > 0;
      text.assign(buf, len);
    } else {
      reg_key key;
      if (!open_group(ctx, &key)) return CLT_GRP_NO_GROUP;
      char buf[CLT_GRP_VALUE_SIZE];
      const int32_t len = reg_text(key, name, buf, sizeof buf);
      found = len > 0;
      text.assign(buf, static_cast<size_t>(len));
    }
  }
  if (!found) {
    // The run-time library's view takes any value, even an empty one.
    if (const char* v = getenv(name)) {
      text = v;
    } else {
      char buf[kIniValueSize];
      text.assign(buf, static_cast<size_t>(common_ini(name, buf, sizeof buf)));
    }
  }
  if (text.empty()) return CLT_ENV_ABSENT;
  if (base != 10 && base != 16) return CLT_ENV_BAD_BASE;
  if (text.find('-') != std::string::npos) return CLT_ENV_INVALID;
  errno = 0;
  char* end = nullptr;
  const unsigned long long n = strtoull(text.c_str(), &end, base);
  if (end == text.c_str() || *end != '\0') return CLT_ENV_INVALID;
  // A signed 32-bit number, as the C library's long was where these
  // settings were defined.
  if (errno == ERANGE || n > static_cast<unsigned long long>(INT32_MAX)) return CLT_ENV_RANGE;
  *value = static_cast<uint32_t>(n);
  return CLT_ENV_OK;
}

int32_t clt_cmd_getenv(clt_cmd_ctx* ctx) {
  ctx->group_kind = CLT_GRP_REGISTRY;
  if (has_group(ctx) && group_is_file(ctx->group)) {
    FILE* f = fopen(ctx->group, "r");
    if (f == nullptr) {
      const int err = errno;
      const size_t len = strlen(ctx->group);
      const char* shown = len > kFileNameShown ? ctx->group + len - kFileNameShown : ctx->group;
      report(ctx, CLT_MSG_FILE_ACCESS, kFileKind, shown, kFuncFopen, err);
      return -1;
    }
    fclose(f);
    ctx->group_kind = CLT_GRP_FILE;
  }
  if (read_cltpath(ctx) != 0 || read_host(ctx) != 0 || read_users(ctx) != 0) return -1;
  int64_t port = 0;
  int64_t wait = 0;
  int64_t trace = 0;
  if (read_checked(ctx, kPort, &port) != 0) return -1;
  ctx->port = static_cast<uint16_t>(port);
  if (read_checked(ctx, kWaitTime, &wait) != 0) return -1;
  ctx->wait_time = static_cast<uint32_t>(wait);
  read_soc_trace(ctx);
  if (read_checked(ctx, kCmdTrace, &trace) != 0) return -1;
  ctx->cmd_trace_size = static_cast<int32_t>(trace);
  if (read_system_id(ctx) != 0) return -1;
  read_apname(ctx);
  return 0;
}
