#include "CLTUTLEV.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "CLTCOMCTX.h"
#include "CLTCOMD.h"
#include "zk_seam.h"
#include "iniread.h"

namespace {

constexpr size_t kRangeTextMax = 21;     // clt_env_num_range looks at no more
constexpr size_t kTimeTextMax = 15;
constexpr size_t kTimeFractionDigits = 6;
constexpr int32_t kTimeSecondsLimit = 65535;  // limit 0 stands for this
constexpr uint16_t kTimeSecondsForm = 65535;  // short value of the "sec" form, as the wire's 16 bits
constexpr int32_t kTimePlainMax = 99;
constexpr size_t kNumListItemMax = 10;
constexpr size_t kLoopbackMin = 9;
constexpr size_t kLoopbackMax = 15;
constexpr int32_t kOctetMax = 255;
constexpr size_t kOctetDigits = 3;
constexpr int32_t kMessageSize = 512;

bool is_erase_mark(const char* v) { return std::strcmp(v, CLT_ENV_ERASE_MARK) == 0; }

int32_t ini_lookup(const clt_env* env, const char* name, char* buf, int32_t size, const char* file) {
  return static_cast<int32_t>(
      ini_read_string(clt_env_ini_file(env, file), CLT_ENV_INI_SECTION, name, buf, static_cast<uint32_t>(size)));
}

void copy_cut(char* out, const char* from, size_t len) {
  std::memcpy(out, from, len);
  out[len] = '\0';
}

bool all_digits(const char* p, size_t len) {
  for (size_t i = 0; i < len; ++i)
    if (p[i] < '0' || p[i] > '9') return false;
  return true;
}

}  // namespace

const char* clt_env_ini_file(const clt_env* env, const char* file) {
  if (env != nullptr && env->pddir_ini == 'Y') return env->pddir_ini_path;
  if (file != nullptr) return file;
  return CLT_ENV_DEFAULT_INI;
}

// There is one environment here: getenv serves as both the process view and
// the run-time library's view, so the erase marker is what removes a setting.
int32_t clt_getenv_str_in(const clt_env* env, const char* name, char* buf, int32_t size,
                          const char* file, int32_t ini_size) {
  buf[0] = '\0';
  const char* v = std::getenv(name);
  if (v != nullptr && !is_erase_mark(v)) {
    const size_t len = std::strlen(v);
    if (len >= 1 && len < static_cast<size_t>(size)) {
      copy_cut(buf, v, len);
      return static_cast<int32_t>(len);
    }
  }
  return ini_lookup(env, name, buf, ini_size, file);
}

int32_t clt_getenv_num_in(const clt_env* env, const char* name, int32_t* value, int32_t base,
                          const char* file) {
  char buf[CLT_ENV_VALUE_SIZE];
  size_t len = 0;
  const char* v = std::getenv(name);
  if (v != nullptr && !is_erase_mark(v) && std::strlen(v) < static_cast<size_t>(CLT_ENV_VALUE_SIZE)) {
    // The run-time view takes any value shorter than the buffer, even an
    // empty one, which then ends the search without reading the ini file;
    // it also covers what the process view would take (1 to 1023).
    len = std::strlen(v);
    copy_cut(buf, v, len);
  } else {
    len = static_cast<size_t>(ini_lookup(env, name, buf, CLT_ENV_VALUE_SIZE, file));
  }
  if (len == 0) return CLT_ENV_ABSENT;
  if (base != 10 && base != 16) return CLT_ENV_BAD_BASE;
  if (std::memchr(buf, '-', len) != nullptr) return CLT_ENV_INVALID;
  int64_t n = 0;
  const int32_t rc = clt_env_conv_num(buf, len, base, &n);
  if (rc != CLT_ENV_OK) return rc;
  *value = static_cast<int32_t>(n);
  return CLT_ENV_OK;
}

int32_t clt_env_conv_num(const char* text, size_t len, int32_t base, int64_t* out) {
  char buf[CLT_ENV_VALUE_SIZE];
  if (len >= sizeof buf) return CLT_ENV_RANGE;
  copy_cut(buf, text, len);
  char* end = nullptr;
  errno = 0;
  const long long n = std::strtoll(buf, &end, base);
  if (end == buf || *end != '\0') return CLT_ENV_INVALID;
  if (errno == ERANGE || n > INT32_MAX || n < INT32_MIN) return CLT_ENV_RANGE;
  *out = n;
  return CLT_ENV_OK;
}

int32_t clt_env_list_head(const char* value, char* out) {
  const size_t len = std::strcspn(value, ",");
  copy_cut(out, value, len);
  return len == 0 ? CLT_ENV_NOT_FOUND : CLT_ENV_OK;
}

int32_t clt_env_port_part(const char* value, int32_t* port) {
  const size_t item = std::strcspn(value, ",");
  const char* colon = static_cast<const char*>(std::memchr(value, ':', item));
  if (colon == nullptr) return CLT_ENV_NOT_FOUND;
  const char* text = colon + 1;
  const size_t len = static_cast<size_t>(value + item - text);
  if (len == 0) return CLT_ENV_NOT_FOUND;
  if (std::memchr(text, '-', len) != nullptr) return CLT_ENV_INVALID;
  int64_t n = 0;
  const int32_t rc = clt_env_conv_num(text, len, 10, &n);
  if (rc != CLT_ENV_OK) return rc;
  *port = static_cast<int32_t>(n);
  return CLT_ENV_OK;
}

int32_t clt_env_num_part(const char* value, int32_t* number) {
  const size_t len = std::strcspn(value, ",");
  if (len == 0) {
    *number = 0;
    return CLT_ENV_OK;
  }
  if (std::memchr(value, '-', len) != nullptr) return CLT_ENV_INVALID;
  int64_t n = 0;
  const int32_t rc = clt_env_conv_num(value, len, 10, &n);
  if (rc != CLT_ENV_OK) return rc;
  *number = static_cast<int32_t>(n);
  return CLT_ENV_OK;
}

int32_t clt_env_num_range(const char* value, int32_t* first, int32_t* second, int32_t base) {
  if (base != 10 && base != 16) return CLT_ENV_BAD_BASE;
  const size_t len = strnlen(value, kRangeTextMax);
  if (len > 0 && value[0] == '-') return CLT_ENV_INVALID;
  const char* dash = len > 1 ? static_cast<const char*>(std::memchr(value + 1, '-', len - 1)) : nullptr;
  const size_t first_len = dash != nullptr ? static_cast<size_t>(dash - value) : len;
  int64_t n = 0;
  int32_t rc = clt_env_conv_num(value, first_len, base, &n);
  if (rc != CLT_ENV_OK) return rc;
  *first = static_cast<int32_t>(n);
  if (dash == nullptr) {
    *second = -1;
    return CLT_ENV_OK;
  }
  const char* text = dash + 1;
  const size_t second_len = static_cast<size_t>(value + len - text);
  if (second_len == 0 || std::memchr(text, '-', second_len) != nullptr) return CLT_ENV_INVALID;
  rc = clt_env_conv_num(text, second_len, base, &n);
  if (rc != CLT_ENV_OK) return rc;
  *second = static_cast<int32_t>(n);
  return CLT_ENV_OK;
}

int32_t clt_env_parse_time(const char* value, int32_t limit, int16_t* short_value,
                           int32_t* seconds, int32_t* microseconds) {
  size_t len = std::strlen(value);
  if (len > kTimeTextMax) return CLT_ENV_RANGE;
  constexpr const char* kSec = "sec";
  constexpr size_t kSecLen = 3;
  const bool seconds_form = len > kSecLen && std::strcmp(value + len - kSecLen, kSec) == 0;
  if (seconds_form) len -= kSecLen;

  int32_t micro = -1;
  const char* dot = static_cast<const char*>(std::memchr(value, '.', len));
  size_t int_len = len;
  if (dot != nullptr) {
    int_len = static_cast<size_t>(dot - value);
    const char* frac = dot + 1;
    const size_t frac_len = len - int_len - 1;
    if (frac_len > kTimeFractionDigits) return CLT_ENV_RANGE;
    if (!all_digits(frac, frac_len)) return CLT_ENV_INVALID;
    char digits[kTimeFractionDigits + 1];
    std::memset(digits, '0', kTimeFractionDigits);
    std::memcpy(digits, frac, frac_len);
    digits[kTimeFractionDigits] = '\0';
    micro = static_cast<int32_t>(std::strtol(digits, nullptr, 10));
  }

  int64_t n = 0;
  if (int_len > 0) {
    const int32_t rc = clt_env_conv_num(value, int_len, 10, &n);
    if (rc != CLT_ENV_OK) return rc;
  }
  if (seconds_form) {
    const int32_t bound = limit == 0 ? kTimeSecondsLimit : limit;
    if (n < 0 || n >= bound) return CLT_ENV_RANGE;
    *short_value = static_cast<int16_t>(kTimeSecondsForm);
    *seconds = static_cast<int32_t>(n);
  } else {
    if (n < 0 || n > kTimePlainMax) return CLT_ENV_RANGE;
    *short_value = static_cast<int16_t>(n);
    *seconds = -1;
  }
  *microseconds = micro;
  return CLT_ENV_OK;
}

int32_t clt_env_grp_part(const char* value, char* first, char* second, int32_t* number) {
  const size_t item = std::strcspn(value, ",");
  const char* c1 = static_cast<const char*>(std::memchr(value, ':', item));
  if (c1 == nullptr) return -1;
  const size_t rest = static_cast<size_t>(value + item - (c1 + 1));
  const char* c2 = static_cast<const char*>(std::memchr(c1 + 1, ':', rest));
  if (c2 == nullptr) return -1;
  copy_cut(first, value, static_cast<size_t>(c1 - value));
  copy_cut(second, c1 + 1, static_cast<size_t>(c2 - c1 - 1));
  int64_t n = 0;
  if (clt_env_conv_num(c2 + 1, static_cast<size_t>(value + item - (c2 + 1)), 10, &n) != CLT_ENV_OK) return -1;
  *number = static_cast<int32_t>(n);
  return 0;
}

int32_t clt_env_num_list(const char* text, int32_t* numbers) {
  int32_t stored = 0;
  const char* p = text;
  while (*p != '\0') {
    const size_t len = std::strcspn(p, ",");
    if (len > kNumListItemMax) return CLT_ENV_INVALID;
    int64_t n = 0;
    if (len > 0) {
      char buf[kNumListItemMax + 1];
      copy_cut(buf, p, len);
      char* end = nullptr;
      // No overflow check: beyond 32 bits the nearest limit is kept.
      const long long v = std::strtoll(buf, &end, 10);
      if (end == buf || *end != '\0') return CLT_ENV_INVALID;
      n = v > INT32_MAX ? INT32_MAX : (v < INT32_MIN ? INT32_MIN : v);
    }
    numbers[stored++] = static_cast<int32_t>(n);
    p += len;
    if (*p != ',') break;
    if (stored == CLT_ERRSKIP_MAX) return CLT_ENV_RANGE;
    ++p;
  }
  return CLT_ENV_OK;
}

int32_t clt_chk_loopback(const char* text) {
  constexpr const char* kPrefix = "127.";
  constexpr size_t kPrefixLen = 4;
  constexpr int kParts = 3;
  const size_t len = std::strlen(text);
  if (len < kLoopbackMin || len > kLoopbackMax || std::strncmp(text, kPrefix, kPrefixLen) != 0) return -1;
  const char* p = text + kPrefixLen;
  for (int part = 0; part < kParts; ++part) {
    if (part > 0) {
      if (*p != '.') return -1;
      ++p;
    }
    size_t digits = 0;
    int32_t v = 0;
    while (p[digits] >= '0' && p[digits] <= '9') {
      if (digits == kOctetDigits) return -1;
      v = v * 10 + (p[digits] - '0');
      ++digits;
    }
    if (digits == 0 || v > kOctetMax) return -1;
    p += digits;
  }
  return *p == '\0' ? 0 : -1;
}

void clt_env_report(const clt_env_conn& conn, const char* module, int32_t line, const char* name,
                    const char* reason, const char* ident) {
  char msg[kMessageSize];
  if (ident != nullptr)
    std::snprintf(msg, sizeof msg, CLT_MSG_ENV_IDENT, name, reason, ident);
  else
    std::snprintf(msg, sizeof msg, CLT_MSG_ENV_ERROR, name, reason);
  conn.report(conn, CLT_SQLCODE_ENV_ERROR, module, line, msg);
}

void clt_env_report_syscall(const clt_env_conn& conn, const char* module, int32_t line,
                            const char* func, int32_t err) {
  char msg[kMessageSize];
  std::snprintf(msg, sizeof msg, CLT_MSG_SYSCALL, func, static_cast<int>(err));
  conn.report(conn, CLT_SQLCODE_SYSCALL, module, line, msg);
}

void clt_env_store(clt_env& env, clt_field field, int64_t value) {
  auto* p = reinterpret_cast<unsigned char*>(&env) + field.offset;
  switch (field.width) {
    case 1: {
      const auto v = static_cast<uint8_t>(value);
      std::memcpy(p, &v, 1);
      break;
    }
    case 2: {
      const auto v = static_cast<uint16_t>(value);
      std::memcpy(p, &v, 2);
      break;
    }
    default: {
      const auto v = static_cast<uint32_t>(value);
      std::memcpy(p, &v, 4);
      break;
    }
  }
}

char* clt_env_chars(clt_env& env, clt_field field) {
  return reinterpret_cast<char*>(&env) + field.offset;
}

int32_t clt_env_check_num(const clt_env_conn& conn, const clt_env_rule& r, const char* module,
                          int32_t* value, bool* given) {
  int32_t v = 0;
  const int32_t rc = clt_getenv_num_in(conn.env, r.name, &v, r.base, clt_env_file(conn));
  *given = rc == CLT_ENV_OK && v >= r.low && v <= r.high;
  if (*given) {
    *value = v;
    return 0;
  }
  if (r.kind == clt_rule_kind::lenient || rc == CLT_ENV_NOT_FOUND || rc == CLT_ENV_ABSENT) {
    *value = r.def;
    return 0;
  }
  if (rc == CLT_ENV_OK || rc == CLT_ENV_RANGE) {
    clt_env_report(conn, module, __LINE__, r.name, CLT_REASON_RANGE);
  } else if (rc == CLT_ENV_INVALID) {
    clt_env_report(conn, module, __LINE__, r.name, CLT_REASON_CHAR);
  } else {
    clt_env_report_syscall(conn, module, __LINE__, CLT_FUNC_PROFILE, 0);
  }
  return -1;
}

int32_t clt_env_check_trace_size(const clt_env_conn& conn, const clt_env_rule& r, const char* module, int32_t* v,
                                 bool* given) {
  clt_env_rule sized = r;
  sized.low = 0;
  sized.high = CLT_TRACE_SIZE_HIGH;
  if (clt_env_check_num(conn, sized, module, v, given) != 0) return -1;
  if (*given && *v > 0 && *v < CLT_TRACE_SIZE_LOW) {
    clt_env_report(conn, module, __LINE__, r.name, CLT_REASON_RANGE);
    return -1;
  }
  return 0;
}

namespace {

int32_t read_keyword(const clt_env_conn& conn, const clt_env_rule& r, const char* module) {
  char buf[CLT_ENV_VALUE_SIZE];
  const bool absent = clt_getenv_str_in(conn.env, r.name, buf, sizeof buf, clt_env_file(conn), sizeof buf) == 0;
  for (int32_t i = 0; !absent && i < r.word_count; ++i) {
    if (std::strcmp(buf, r.words[i].word) == 0) {
      clt_env_store(*conn.env, r.field, r.words[i].value);
      if (r.display.width > 0) std::strcpy(clt_env_chars(*conn.env, r.display), r.words[i].word);
      return 0;
    }
  }
  if (absent) {
    clt_env_store(*conn.env, r.field, r.def);
    return 0;
  }
  clt_env_report(conn, module, __LINE__, r.name, CLT_REASON_CHAR);
  return -1;
}

int32_t read_text(const clt_env_conn& conn, const clt_env_rule& r, const char* module) {
  char buf[CLT_ENV_VALUE_SIZE];
  char* field = r.area >= 0 ? clt_env_text(conn, static_cast<clt_env_text_area>(r.area))
                            : clt_env_chars(*conn.env, r.field);
  field[0] = '\0';
  const int32_t len = clt_getenv_str_in(conn.env, r.name, buf, sizeof buf, clt_env_file(conn), sizeof buf);
  if (len > r.high) {
    clt_env_report(conn, module, __LINE__, r.name, r.too_long);
    return -1;
  }
  if (len == 0 && r.text_def != nullptr)
    std::strcpy(field, r.text_def);
  else
    copy_cut(field, buf, static_cast<size_t>(len));
  return 0;
}

}  // namespace

int32_t clt_env_read_rule(const clt_env_conn& conn, const clt_env_rule& r, const char* module) {
  if (r.when != nullptr && !r.when(conn)) {
    if (r.field.width > 0 && r.kind != clt_rule_kind::text) clt_env_store(*conn.env, r.field, r.otherwise);
    return 0;
  }
  switch (r.kind) {
    case clt_rule_kind::number:
    case clt_rule_kind::lenient: {
      int32_t v = 0;
      bool given = false;
      if (clt_env_check_num(conn, r, module, &v, &given) != 0) return -1;
      clt_env_store(*conn.env, r.field, v);
      return 0;
    }
    case clt_rule_kind::keyword: return read_keyword(conn, r, module);
    case clt_rule_kind::text: return read_text(conn, r, module);
    case clt_rule_kind::custom: return r.routine(conn, r, module);
  }
  return 0;
}

int32_t clt_env_read_rules(const clt_env_conn& conn, const clt_env_rule* rules, size_t count,
                           const char* module) {
  for (size_t i = 0; i < count; ++i)
    if (clt_env_read_rule(conn, rules[i], module) != 0) return -1;
  return 0;
}

int32_t clt_getenv_str(const char* name, char* buf, int32_t size, const char* file) {
  return clt_getenv_str_in(clt_current_env(), name, buf, size, file, size);
}

int32_t clt_getenv_num(const char* name, int32_t* value, int32_t base, const char* file) {
  return clt_getenv_num_in(clt_current_env(), name, value, base, file);
}
