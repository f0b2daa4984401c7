#include "CLTENV.h"

#include <arpa/inet.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

#include "CLTCNTL.h"
#include "CLTCOMCTX.h"
#include "zk_seam.h"
#include "CLTUTL.h"
#include "CLTUTLEV.h"
#include "cltenv2.h"
#include "cltenv3.h"

namespace {

constexpr const char* kModule = "CLTENV";

constexpr const char* kAreaMarkRbd = "*RBD";  // caller mark of the request area
constexpr size_t kAreaKindChar = 3;            // a 'D' here picks client group '9'
constexpr const char* kRequestReconnect = "RNCN";

constexpr int32_t kPathMax = 256;              // PDCLTPATH, PDREPPATH, PDTRCPATH
constexpr size_t kPddirEnvMax = 1023;
constexpr const char* kPddirIni = "/conf/emb/Marlo.ini";
constexpr const char* kDefaultApName = "Unknown";
constexpr size_t kUserMax = 30;               // user name and password
constexpr size_t kUserQuotedMax = 32;         // the same enclosed in double quotes
constexpr int32_t kHostMax = 511;
constexpr int32_t kFesHostMax = 523;
constexpr int32_t kServiceGrpMax = 31;
constexpr int32_t kPortLow = 5001;
constexpr int32_t kPortHigh = 65535;
constexpr int32_t kSocTraceAll = 1;           // PDTRCSOC 1: largest file, large records
constexpr int32_t kSocDataAll = 36864;
constexpr int32_t kSocDataDefault = 256;
constexpr int32_t kMsecToUsec = 1000;
constexpr int32_t kDlkPrioRbd = 96;
constexpr int32_t kDlkPrioDefault = 64;
constexpr int32_t kWatchTimeMax = 65535;
constexpr int32_t kUapReplvlTextLen = 4;
constexpr int32_t kRepU = 1, kRepS = 2, kRepP = 4, kRepR = 16, kRepAll = 23;
constexpr int32_t kApbOptReport = 12;
constexpr int32_t kLibInstTransfer = 102400;
constexpr int32_t kServiceportMax = 15;
constexpr int32_t kRcvPortMax = 15;
constexpr int32_t kRcvPortLow = 5000;
constexpr size_t kDisplayMax = 15;
constexpr size_t kRcvHostMax = 255;
constexpr int32_t kAddrDots = 3;
constexpr int32_t kRdNodeEnvSize = 30;        // environment values must be shorter
constexpr int32_t kRdNodeMax = 30;
constexpr uint32_t kLowByte = 0xFF;
constexpr int32_t kMemPageKb = 4;
constexpr int32_t kMemPageBytes = 4096;
constexpr int16_t kSrvZum4 = 2;
constexpr const char* kPluginVariable = "PDPLUGIN*";
constexpr const char* kWrnpntAbsent = "-1";
constexpr const char* kFuncGetcwd = "getcwd";
constexpr size_t kCwdMax = 300;

bool area_is_rbd(const clt_env_conn& c) {
  return c.area != nullptr && std::memcmp(c.area->prefix, kAreaMarkRbd, sizeof c.area->prefix) == 0;
}

int32_t text(const clt_env_conn& c, const char* name, char* buf) {
  return clt_getenv_str_in(c.env, name, buf, CLT_ENV_VALUE_SIZE, clt_env_file(c), CLT_ENV_VALUE_SIZE);
}

int32_t fail(const clt_env_conn& c, int32_t line, const char* name, const char* reason) {
  clt_env_report(c, kModule, line, name, reason);
  return -1;
}

void copy_text(char* out, const char* from, size_t len) {
  std::memcpy(out, from, len);
  out[len] = '\0';
}

// PDDIR decides which ini file the later lookups read; it comes from the
// environment only and is not compared with the erase marker.
void read_pddir(const clt_env_conn& c) {
  clt_env& e = *c.env;
  e.pddir_ini = 'N';
  const char* dir = std::getenv("PDDIR");
  if (dir == nullptr) return;
  const size_t len = std::strlen(dir);
  // A PDDIR whose ini path would not fit the path field counts as not set.
  if (len == 0 || len > kPddirEnvMax || len + std::strlen(kPddirIni) >= sizeof e.pddir_ini_path) return;
  const std::string path = std::string(dir) + kPddirIni;
  if (FILE* f = std::fopen(path.c_str(), "r")) {
    std::fclose(f);
    e.pddir_ini = 'Y';
    copy_text(e.pddir_ini_path, path.c_str(), path.size());
  }
}

int32_t rd_cltpath(const clt_env_conn& c, const clt_env_rule& r, const char*) {
  char buf[CLT_ENV_VALUE_SIZE];
  char* area = clt_env_text(c, CLT_TXT_CLTPATH);
  const int32_t len = text(c, r.name, buf);
  if (len > kPathMax) return fail(c, __LINE__, r.name, CLT_REASON_RANGE);
  if (len > 0) {
    copy_text(area, buf, static_cast<size_t>(len));
    return 0;
  }
  if (::getcwd(area, kCwdMax + 1) == nullptr) {
    const int32_t err = errno;
    area[0] = '\0';
    clt_env_report_syscall(c, kModule, __LINE__, kFuncGetcwd, err);
    return -1;
  }
  return 0;
}

int32_t rd_host(const clt_env_conn& c, const clt_env_rule& r, const char*) {
  char buf[CLT_ENV_VALUE_SIZE];
  const int32_t len = text(c, r.name, buf);
  if (len > kHostMax) return fail(c, __LINE__, r.name, CLT_REASON_RANGE);
  copy_text(clt_env_text(c, CLT_TXT_HOST), buf, static_cast<size_t>(len));
  copy_text(c.env->pdhost, buf, static_cast<size_t>(len));
  return 0;
}

int32_t rd_feshost(const clt_env_conn& c, const clt_env_rule& r, const char*) {
  char buf[CLT_ENV_VALUE_SIZE];
  clt_env& e = *c.env;
  const int32_t len = text(c, r.name, buf);
  if (len > kFesHostMax) return fail(c, __LINE__, r.name, CLT_REASON_RANGE);
  copy_text(e.pdfeshost, buf, static_cast<size_t>(len));
  copy_text(e.pdfeshost_copy, buf, static_cast<size_t>(len));
  for (const char* item = buf; *item != '\0';) {
    int32_t port = 0;
    const int32_t rc = clt_env_port_part(item, &port);
    if (rc == CLT_ENV_RANGE) return fail(c, __LINE__, r.name, CLT_REASON_RANGE);
    if (rc == CLT_ENV_INVALID) return fail(c, __LINE__, r.name, CLT_REASON_CHAR);
    if (rc == CLT_ENV_OK && (port < kPortLow || port > kPortHigh)) return fail(c, __LINE__, r.name, CLT_REASON_RANGE);
    const char* comma = std::strchr(item, ',');
    if (comma == nullptr) break;
    item = comma + 1;
  }
  return 0;
}

int32_t rd_servicegrp(const clt_env_conn& c, const clt_env_rule& r, const char*) {
  char buf[CLT_ENV_VALUE_SIZE];
  clt_env& e = *c.env;
  const int32_t len = text(c, r.name, buf);
  if (len > kServiceGrpMax) return fail(c, __LINE__, r.name, CLT_REASON_RANGE);
  copy_text(e.pdservicegrp, buf, static_cast<size_t>(len));
  copy_text(e.pdservicegrp_copy, buf, static_cast<size_t>(len));
  // The front-end host and the service group only work together.
  if (e.pdfeshost[0] == '\0' || e.pdservicegrp[0] == '\0') {
    e.pdfeshost[0] = '\0';
    e.pdservicegrp[0] = '\0';
  }
  return 0;
}

// A user name or password: at most 30 characters, 32 in double quotes.
bool part_fits(const char* p, size_t len) {
  return len <= (len > 0 && p[0] == '"' ? kUserQuotedMax : kUserMax);
}

int32_t rd_user(const clt_env_conn& c, const clt_env_rule& r, const char*) {
  char buf[CLT_ENV_VALUE_SIZE];
  const int32_t len = text(c, r.name, buf);
  if (len == 0) {
    if (c.area == nullptr) return 0;
    const bool reconnect = std::memcmp(c.area->reqcode, kRequestReconnect, sizeof c.area->reqcode) == 0;
    bool blank = true;
    for (size_t i = 0; i < sizeof c.area->authid && blank; ++i) blank = c.area->authid[i] == ' ';
    return (reconnect || blank) ? fail(c, __LINE__, r.name, CLT_REASON_NO_VALUE) : 0;
  }
  const char* body = buf;
  size_t body_len = static_cast<size_t>(len);
  if (buf[0] == '\'') {
    if (body_len < 2 || buf[body_len - 1] != '\'') return fail(c, __LINE__, r.name, CLT_REASON_CHAR);
    ++body;
    body_len -= 2;
    if (body_len == 0 || body[0] == '/') return fail(c, __LINE__, r.name, CLT_REASON_CHAR);
  } else if (buf[0] == '/') {
    return fail(c, __LINE__, r.name, CLT_REASON_NO_VALUE);
  }
  const char* slash = static_cast<const char*>(std::memchr(body, '/', body_len));
  const size_t user_len = slash != nullptr ? static_cast<size_t>(slash - body) : body_len;
  const char* pw = slash != nullptr ? slash + 1 : body + body_len;
  const size_t pw_len = static_cast<size_t>(body + body_len - pw);
  if (!part_fits(body, user_len) || !part_fits(pw, pw_len)) return fail(c, __LINE__, r.name, CLT_REASON_RANGE);
  if (pw_len > 0 && pw[0] == '"' && (pw_len < 2 || pw[pw_len - 1] != '"'))
    return fail(c, __LINE__, r.name, CLT_REASON_CHAR);
  copy_text(clt_env_text(c, CLT_TXT_USER), body, user_len);
  copy_text(clt_env_text(c, CLT_TXT_PASSWORD), pw, pw_len);
  return 0;
}

int32_t rd_apname(const clt_env_conn& c, const clt_env_rule& r, const char*) {
  char buf[CLT_ENV_VALUE_SIZE];
  const int32_t len = text(c, r.name, buf);
  if (len == 0) {
    std::strcpy(c.env->pdcltapname, kDefaultApName);
  } else {
    copy_text(c.env->pdcltapname, buf, std::min<size_t>(static_cast<size_t>(len), CLT_APNAME_MAX));
  }
  return 0;
}

int32_t rd_trcpath(const clt_env_conn& c, const clt_env_rule& r, const char*) {
  char buf[CLT_ENV_VALUE_SIZE];
  const int32_t len = text(c, r.name, buf);
  if (len > kPathMax) return fail(c, __LINE__, r.name, CLT_REASON_RANGE);
  copy_text(clt_env_text(c, CLT_TXT_TRCPATH), buf, static_cast<size_t>(len));
  // No trace-control values until the trace-control file of the directory
  // gives some; without a directory none is read at all.
  c.env->trcctl_size = -1;
  c.env->trcctl_bits = 0;
  return 0;
}

int32_t rd_nameport(const clt_env_conn& c, const clt_env_rule& r, const char* module) {
  int32_t v = 0;
  bool given = false;
  if (clt_env_check_num(c, r, module, &v, &given) != 0) return -1;
  c.env->pdnameport = c.env->nameport_cur = c.env->nameport_disp = static_cast<uint16_t>(v);
  return 0;
}

int32_t rd_cwaittime(const clt_env_conn& c, const clt_env_rule& r, const char* module) {
  int32_t v = 0;
  bool given = false;
  if (clt_env_check_num(c, r, module, &v, &given) != 0) return -1;
  c.env->pdcwaittime = v;
  if (!given) c.env->not_given |= CLT_NOTGIVEN_CWAITTIME;
  return 0;
}

int32_t rd_sqltrace(const clt_env_conn& c, const clt_env_rule& r, const char* module) {
  int32_t v = 0;
  bool given = false;
  if (clt_env_check_trace_size(c, r, module, &v, &given) != 0) return -1;
  c.env->pdsqltrace = v;
  c.env->sqltrace_flag = given ? 'Y' : 'N';
  return 0;
}

int32_t rd_uaperlog(const clt_env_conn& c, const clt_env_rule& r, const char* module) {
  int32_t v = 0;
  bool given = false;
  if (clt_env_check_trace_size(c, r, module, &v, &given) != 0) return -1;
  c.env->pduaperlog = v;
  c.env->uaperlog_given = given ? 'Y' : 'N';
  return 0;
}

// Exactly one character, 'Y' or 'N'.
int32_t rd_one_yn(const clt_env_conn& c, const clt_env_rule& r, const char*) {
  char buf[CLT_ENV_VALUE_SIZE];
  const int32_t len = text(c, r.name, buf);
  if (len == 0) {
    clt_env_store(*c.env, r.field, r.def);
    return 0;
  }
  if (len != 1) return fail(c, __LINE__, r.name, CLT_REASON_RANGE);
  if (buf[0] != 'Y' && buf[0] != 'N') return fail(c, __LINE__, r.name, CLT_REASON_CHAR);
  clt_env_store(*c.env, r.field, buf[0]);
  return 0;
}

int32_t rd_errstd(const clt_env_conn& c, const clt_env_rule& r, const char*) {
  char buf[CLT_ENV_VALUE_SIZE];
  text(c, r.name, buf);
  c.env->pderrstd = (buf[0] == 'Y' || buf[0] == 'y') ? 'Y' : 'N';
  return 0;
}

// A number from the row's keyword values only (compared as numbers).
int32_t rd_num_set(const clt_env_conn& c, const clt_env_rule& r, const char* module) {
  int32_t v = 0;
  bool given = false;
  if (clt_env_check_num(c, r, module, &v, &given) != 0) return -1;
  if (given) {
    bool member = false;
    for (int32_t i = 0; i < r.word_count && !member; ++i) member = r.words[i].value == v;
    if (!member) return fail(c, __LINE__, r.name, CLT_REASON_RANGE);
  }
  clt_env_store(*c.env, r.field, v);
  return 0;
}

int32_t rd_trcsoc(const clt_env_conn& c, const clt_env_rule& r, const char*) {
  clt_env& e = *c.env;
  e.trcsoc_datasize = 0;
  int32_t v = 0;
  const int32_t rc = clt_getenv_num_in(c.env, r.name, &v, 10, clt_env_file(c));
  if (rc == CLT_ENV_OK && v == kSocTraceAll) {
    e.pdtrcsoc = CLT_TRACE_SIZE_HIGH;
    e.trcsoc_datasize = kSocDataAll;
  } else if (rc == CLT_ENV_OK && v >= CLT_TRACE_SIZE_LOW && v <= CLT_TRACE_SIZE_HIGH) {
    e.pdtrcsoc = v;
  } else {
    e.pdtrcsoc = 0;
  }
  return 0;
}

// Never an error: a bad value switches the socket trace off.
int32_t rd_trcsocsize(const clt_env_conn& c, const clt_env_rule& r, const char*) {
  clt_env& e = *c.env;
  if (e.trcsoc_datasize == kSocDataAll) return 0;
  int32_t v = 0;
  const int32_t rc = clt_getenv_num_in(c.env, r.name, &v, 10, clt_env_file(c));
  const bool on = e.pdtrcsoc != 0;
  if (rc == CLT_ENV_OK && v >= r.low && v <= r.high) {
    e.trcsoc_datasize = on ? v : 0;
  } else if (rc == CLT_ENV_ABSENT || rc == CLT_ENV_NOT_FOUND) {
    e.trcsoc_datasize = on ? kSocDataDefault : 0;
  } else {
    e.pdtrcsoc = 0;
    e.trcsoc_datasize = 0;
  }
  return 0;
}

int32_t rd_srvtype_code(const clt_env_conn& c, const clt_env_rule&, const char*) {
  static constexpr const char* kSrvtype = "PDSRVTYPE";
  static constexpr const char* kCltCode = "PDRDCLTCODE";
  static constexpr const char* kZum4 = "ZUM4";
  struct code { const char* word; const char* server_code; const char* locale; };
  static constexpr code kCodes[] = {{"EUCHJ", "3j", "ja_JP.HJ"}, {"UTF-8", "5u", ""}, {"SJIS", nullptr, ""}};
  clt_env& e = *c.env;
  std::memset(e.rdcltcode, 0, sizeof e.rdcltcode);
  e.rdlocale[0] = '\0';
  char buf[CLT_ENV_VALUE_SIZE];
  if (text(c, kSrvtype, buf) == 0 || std::strcmp(buf, kZum4) != 0) return 0;
  if (text(c, kCltCode, buf) == 0) return 0;
  for (const auto& k : kCodes) {
    if (std::strcmp(buf, k.word) != 0) continue;
    if (k.server_code != nullptr) std::memcpy(e.rdcltcode, k.server_code, sizeof e.rdcltcode);
    std::strcpy(e.rdlocale, k.locale);
    return 0;
  }
  return fail(c, __LINE__, kCltCode, CLT_REASON_CHAR);
}

clt_env_rule as_lenient(const clt_env_rule& r) {
  clt_env_rule l = r;
  l.kind = clt_rule_kind::lenient;
  return l;
}

int32_t rd_retryinterval(const clt_env_conn& c, const clt_env_rule& r, const char* module) {
  int32_t v = 0;
  bool given = false;
  clt_env_check_num(c, as_lenient(r), module, &v, &given);  // lenient: never fails
  c.env->pdretryinterval = v * kMsecToUsec;
  return 0;
}

int32_t rd_odbescape(const clt_env_conn& c, const clt_env_rule& r, const char* module) {
  int32_t v = 0;
  bool given = false;
  clt_env_check_num(c, as_lenient(r), module, &v, &given);  // lenient: never fails
  c.env->pdodbescape = (given && v == 0) ? 1 : 0;
  return 0;
}

int32_t rd_dlkprio(const clt_env_conn& c, const clt_env_rule& r, const char*) {
  static constexpr int32_t kPrios[] = {32, 64, 96};
  int32_t v = 0;
  const int32_t rc = clt_getenv_num_in(c.env, r.name, &v, 10, clt_env_file(c));
  if (rc == CLT_ENV_OK) {
    if (std::find(std::begin(kPrios), std::end(kPrios), v) == std::end(kPrios))
      return fail(c, __LINE__, r.name, CLT_REASON_RANGE);
    c.env->pddlkprio = v;
    return 0;
  }
  if (rc == CLT_ENV_INVALID) return fail(c, __LINE__, r.name, CLT_REASON_CHAR);
  if (rc != CLT_ENV_RANGE && rc != CLT_ENV_ABSENT && rc != CLT_ENV_NOT_FOUND) {
    clt_env_report_syscall(c, kModule, __LINE__, CLT_FUNC_PROFILE, 0);
    return -1;
  }
  // Absent, or too large for 32 bits, which counts as absent.
  c.env->pddlkprio = (c.kind == 1 && area_is_rbd(c)) ? kDlkPrioRbd : kDlkPrioDefault;
  return 0;
}

int32_t rd_swatchtime(const clt_env_conn& c, const clt_env_rule& r, const char*) {
  int32_t v = 0;
  const int32_t rc = clt_getenv_num_in(c.env, r.name, &v, 10, clt_env_file(c));
  if (rc == CLT_ENV_OK) {
    c.env->pdswatchtime = v == 0 ? -1 : (v > kWatchTimeMax ? 0 : v);
    return 0;
  }
  if (rc == CLT_ENV_INVALID) return fail(c, __LINE__, r.name, CLT_REASON_CHAR);
  if (rc == CLT_ENV_RANGE) return fail(c, __LINE__, r.name, CLT_REASON_RANGE);
  if (rc != CLT_ENV_ABSENT && rc != CLT_ENV_NOT_FOUND) {
    clt_env_report_syscall(c, kModule, __LINE__, CLT_FUNC_PROFILE, 0);
    return -1;
  }
  c.env->pdswatchtime = 0;
  return 0;
}

// Option lists: rule.def is the keyword list number; the value goes to
// rule.field and the cleaned text to rule.display.
int32_t rd_optlvl(const clt_env_conn& c, const clt_env_rule& r, const char*) {
  char buf[CLT_ENV_VALUE_SIZE];
  clt_env& e = *c.env;
  const int32_t len = text(c, r.name, buf);
  if (len == 0) {
    clt_env_store(e, r.field, -1);
    return 0;
  }
  if (len > CLT_OPTLVL_TEXT_MAX) return fail(c, __LINE__, r.name, CLT_REASON_RANGE);
  char cleaned[CLT_OPTLVL_TEXT_MAX + 1];
  size_t n = 0;
  bool quoted = false;
  for (const char* p = buf; *p != '\0'; ++p) {
    if (*p == '"') quoted = !quoted;
    if (!quoted && (*p == ' ' || *p == '\t')) continue;
    cleaned[n++] = *p;
  }
  cleaned[n] = '\0';
  uint32_t value = 0;
  char ident[CLT_OPT_IDENT_MAX + 1];
  const int32_t rc = clt_parse_optlist(cleaned, static_cast<int16_t>(r.def), &value, ident);
  if (rc == 0) {
    clt_env_store(e, r.field, value);
    std::strcpy(clt_env_chars(e, r.display), cleaned);
    return 0;
  }
  if (rc == CLT_OPT_BAD_NUMBER) return fail(c, __LINE__, r.name, CLT_REASON_RANGE);
  if (rc == CLT_OPT_BAD_ITEM) {
    clt_env_report(c, kModule, __LINE__, r.name, CLT_REASON_IDENT, ident);
    return -1;
  }
  return fail(c, __LINE__, r.name, CLT_REASON_CHAR);
}

int32_t rd_uapreplvl(const clt_env_conn& c, const clt_env_rule& r, const char*) {
  char buf[CLT_ENV_VALUE_SIZE];
  clt_env& e = *c.env;
  const int32_t len = text(c, r.name, buf);
  e.pduapreplvl = 0;
  if (len == 0) return 0;
  copy_text(e.uapreplvl_text, buf, std::min<size_t>(static_cast<size_t>(len), kUapReplvlTextLen));
  int32_t bits = 0;
  for (const char* p = buf; *p != '\0'; ++p) {
    switch (*p) {
      case 'u': bits |= kRepU; break;
      case 's': bits |= kRepS; break;
      case 'p': bits |= kRepP; break;
      case 'r': bits |= kRepR; break;
      case 'a': bits = kRepAll; break;
      default: return fail(c, __LINE__, r.name, CLT_REASON_CHAR);
    }
  }
  if (c.kind == 1) {
    bits &= ~kRepU;
    if (bits == 0) e.pdsqltrace = -1;
  }
  e.pduapreplvl = bits;
  return 0;
}

int32_t rd_apbopt(const clt_env_conn& c, const clt_env_rule& r, const char*) {
  char buf[CLT_ENV_VALUE_SIZE];
  clt_env& e = *c.env;
  const int32_t len = text(c, r.name, buf);
  e.pdapbopt = 0;
  if (len > 0) {
    if (buf[0] != 'p') return fail(c, __LINE__, r.name, CLT_REASON_CHAR);
    e.pdapbopt = kApbOptReport;
    e.pduapreplvl = 0;
    e.trcctl_size = -1;
    e.trcctl_bits = 0;
  }
  e.libinst_xfer_size = kLibInstTransfer;
  return 0;
}

// --- second group ---

int32_t rd_hashtblsize(const clt_env_conn& c, const clt_env_rule& r, const char*) {
  int32_t v = 0;
  const int32_t rc = clt_getenv_num_in(c.env, r.name, &v, 10, clt_env_file(c));
  if (rc == CLT_ENV_OK) {
    if (v < r.low || v > r.high) return fail(c, __LINE__, r.name, CLT_REASON_RANGE);
    c.env->pdhashtblsize = v;
    return 0;
  }
  if (rc != CLT_ENV_INVALID && rc != CLT_ENV_RANGE && rc != CLT_ENV_ABSENT && rc != CLT_ENV_NOT_FOUND) {
    clt_env_report_syscall(c, kModule, __LINE__, CLT_FUNC_PROFILE, 0);
    return -1;
  }
  c.env->pdhashtblsize = r.def;
  return 0;
}

int32_t rd_cnvmode(const clt_env_conn& c, const clt_env_rule& r, const char*) {
  char buf[CLT_ENV_VALUE_SIZE];
  clt_env& e = *c.env;
  e.pdcltcnvmode = 0;
  if (text(c, r.name, buf) > 0) {
    const clt_cnv_mode* mode = nullptr;
    for (const auto& m : CLT_CNV_MODES)
      if (std::strcmp(buf, m.keyword) == 0) mode = &m;
    if (mode == nullptr) return fail(c, __LINE__, r.name, CLT_REASON_CHAR);
    e.pdcltcnvmode = mode->code;
  }
  // A server code from PDRDCLTCODE fixes the conversion itself.
  const bool server_code = e.rdcltcode[0] != '\0' || e.rdcltcode[1] != '\0';
  if (e.pdcltcnvmode != 0 && server_code) return fail(c, __LINE__, r.name, CLT_REASON_CHAR);
  return 0;
}

int32_t rd_serviceport(const clt_env_conn& c, const clt_env_rule& r, const char*) {
  char buf[CLT_ENV_VALUE_SIZE];
  clt_env& e = *c.env;
  e.pdserviceport[0] = e.serviceport_disp[0] = '\0';
  const int32_t len = text(c, r.name, buf);
  if (len > kServiceportMax) return fail(c, __LINE__, r.name, CLT_REASON_RANGE);
  copy_text(e.pdserviceport, buf, static_cast<size_t>(len));
  copy_text(e.serviceport_disp, buf, static_cast<size_t>(len));
  for (const char* item = buf; *item != '\0';) {
    int32_t port = 0;
    const int32_t rc = clt_env_num_part(item, &port);
    if (rc == CLT_ENV_RANGE) return fail(c, __LINE__, r.name, CLT_REASON_RANGE);
    if (rc == CLT_ENV_INVALID) return fail(c, __LINE__, r.name, CLT_REASON_CHAR);
    if (port < kPortLow || port > kPortHigh) return fail(c, __LINE__, r.name, CLT_REASON_RANGE);
    const char* comma = std::strchr(item, ',');
    if (comma == nullptr) break;
    item = comma + 1;
  }
  return 0;
}

// Option letters of PDCLTOPTIONSTR and their flags.
struct option_letter {
  char ch;
  char clt_env::*flag;
};
constexpr option_letter kLetters[] = {
    {'D', &clt_env::opt_d}, {'E', &clt_env::opt_e}, {'L', &clt_env::opt_l}, {'N', &clt_env::opt_n},
    {'P', &clt_env::opt_p}, {'R', &clt_env::opt_r}, {'S', &clt_env::opt_s}, {'T', &clt_env::opt_t},
    {'U', &clt_env::opt_u}, {'X', &clt_env::opt_x}};

int32_t rd_optionstr(const clt_env_conn& c, const clt_env_rule& r, const char*) {
  clt_env& e = *c.env;
  char buf[CLT_ENV_VALUE_SIZE];
  text(c, r.name, buf);
  for (const char* p = buf; *p != '\0'; ++p)
    for (const auto& l : kLetters)
      if (*p == l.ch) e.*l.flag = 'Y';
  return 0;
}

int32_t rd_cltgrp(const clt_env_conn& c, const clt_env_rule& r, const char*) {
  static constexpr char kGroupOdbcArea = '9', kGroupKind1 = '8', kGroupDefault = '2';
  char buf[CLT_ENV_VALUE_SIZE];
  clt_env& e = *c.env;
  const int32_t len = text(c, r.name, buf);
  if (len == 0) {
    if (c.area != nullptr && c.area->prefix[kAreaKindChar] == 'D')
      e.pdcltgrp = kGroupOdbcArea;
    else
      e.pdcltgrp = c.kind == 1 ? kGroupKind1 : kGroupDefault;
    return 0;
  }
  if (len != 1) return fail(c, __LINE__, r.name, CLT_REASON_RANGE);
  const char ch = buf[0];
  if (ch >= 'a' && ch <= 'z') {
    e.pdcltgrp = static_cast<char>(ch - 'a' + 'A');
  } else if ((ch >= 'A' && ch <= 'Z') || ch == '0' || ch == '4') {
    e.pdcltgrp = ch;
  } else {
    return fail(c, __LINE__, r.name, CLT_REASON_CHAR);
  }
  return 0;
}

int32_t rd_plugin(const clt_env_conn& c, const clt_env_rule&, const char*) {
  clt_env& e = *c.env;
  if (clt_build_plugin_env(&e, &e.plugin_env, clt_cnv_plugin_item(e.pdcltcnvmode)) != 0)
    return fail(c, __LINE__, kPluginVariable, CLT_REASON_RANGE);
  return 0;
}

int32_t rd_rcvport(const clt_env_conn& c, const clt_env_rule& r, const char*) {
  char buf[CLT_ENV_VALUE_SIZE];
  clt_env& e = *c.env;
  e.rcvport_low = e.rcvport_high = 0;
  const int32_t len = text(c, r.name, buf);
  if (len == 0) {
    std::strcpy(e.pdcltrcvport, "0");
    return 0;
  }
  if (len > kRcvPortMax) return fail(c, __LINE__, r.name, CLT_REASON_RANGE);
  copy_text(e.pdcltrcvport, buf, static_cast<size_t>(len));
  int32_t n = 0, m = 0;
  const int32_t rc = clt_env_num_range(buf, &n, &m, 10);
  if (rc == CLT_ENV_RANGE) return fail(c, __LINE__, r.name, CLT_REASON_RANGE);
  if (rc != CLT_ENV_OK) return fail(c, __LINE__, r.name, CLT_REASON_CHAR);
  if (n == 0 && m == -1) return 0;
  if (n < kRcvPortLow || n > kPortHigh) return fail(c, __LINE__, r.name, CLT_REASON_RANGE);
  if (m == -1) m = n;
  if (n > m || m > kPortHigh) return fail(c, __LINE__, r.name, CLT_REASON_RANGE);
  e.rcvport_low = static_cast<uint16_t>(n);
  e.rcvport_high = static_cast<uint16_t>(m);
  return 0;
}

int32_t rd_rcvaddr(const clt_env_conn& c, const clt_env_rule& r, const char*) {
  char buf[CLT_ENV_VALUE_SIZE];
  clt_env& e = *c.env;
  e.rcvaddr = 0;
  e.rcvaddr_host[0] = e.rcvaddr_disp[0] = '\0';
  const int32_t len = text(c, r.name, buf);
  if (len == 0) return 0;
  copy_text(e.rcvaddr_disp, buf, std::min<size_t>(static_cast<size_t>(len), kDisplayMax));
  int32_t dots = 0;
  bool dotted = true;
  for (const char* p = buf; *p != '\0' && dotted; ++p) {
    if (*p == '.') ++dots;
    else dotted = *p >= '0' && *p <= '9';
  }
  if (dotted && dots == kAddrDots) {
    // inet_addr's failure value is also the address 255.255.255.255.
    const in_addr_t a = ::inet_addr(buf);
    if (a == INADDR_NONE) return fail(c, __LINE__, r.name, CLT_REASON_CHAR);
    e.rcvaddr = a;
    return 0;
  }
  if (static_cast<size_t>(len) > kRcvHostMax) return fail(c, __LINE__, r.name, CLT_REASON_CHAR);
  copy_text(e.rcvaddr_host, buf, static_cast<size_t>(len));
  return 0;
}

int32_t rd_rdnode(const clt_env_conn& c, const clt_env_rule& r, const char*) {
  char buf[CLT_ENV_VALUE_SIZE];
  clt_env& e = *c.env;
  e.rdnode_len = 0;
  std::memset(e.rdnode, 0, sizeof e.rdnode);
  // A 30-byte value buffer for the environment; the ini file may give 30.
  const int32_t len = clt_getenv_str_in(c.env, r.name, buf, kRdNodeEnvSize, clt_env_file(c), CLT_ENV_VALUE_SIZE);
  if (len > kRdNodeMax) return fail(c, __LINE__, r.name, CLT_REASON_RANGE);
  copy_text(e.rdnode, buf, static_cast<size_t>(len));
  e.rdnode_len = static_cast<uint16_t>(len);
  return 0;
}

int32_t rd_debug1(const clt_env_conn& c, const clt_env_rule& r, const char*) {
  int32_t v = 0;
  const int32_t rc = clt_getenv_num_in(c.env, r.name, &v, 10, clt_env_file(c));
  if (rc == CLT_ENV_OK) {
    c.env->rd_debug1 = static_cast<uint8_t>(static_cast<uint32_t>(v) & kLowByte);
    return 0;
  }
  if (rc == CLT_ENV_INVALID || rc == CLT_ENV_RANGE) return fail(c, __LINE__, r.name, CLT_REASON_RANGE);
  if (rc != CLT_ENV_ABSENT && rc != CLT_ENV_NOT_FOUND) {
    clt_env_report_syscall(c, kModule, __LINE__, CLT_FUNC_PROFILE, 0);
    return -1;
  }
  c.env->rd_debug1 = 0;
  return 0;
}

int32_t rd_errskipcode(const clt_env_conn& c, const clt_env_rule& r, const char*) {
  char buf[CLT_ENV_VALUE_SIZE];
  if (text(c, r.name, buf) == 0) return 0;
  const int32_t rc = clt_env_num_list(buf, c.env->pderrskipcode);
  if (rc == CLT_ENV_RANGE) return fail(c, __LINE__, r.name, CLT_REASON_RANGE);
  if (rc != 0) return fail(c, __LINE__, r.name, CLT_REASON_CHAR);
  return 0;
}

bool ipc_on(const clt_env_conn& c) { return c.env->pdipc == 'Y'; }

int32_t rd_ipc(const clt_env_conn& c, const clt_env_rule& r, const char* module) {
  clt_env_rule kw = r;
  kw.kind = clt_rule_kind::keyword;
  if (clt_env_read_rule(c, kw, module) != 0) return -1;
  clt_env& e = *c.env;
  if (area_is_rbd(c) || e.pdsrvtype == kSrvZum4 || (e.pduapreplvl & (kRepP | kRepR)) != 0) e.pdipc = 'N';
  if (e.pdipc == 'Y') e.opt_p = 'Y';
  return 0;
}

int32_t rd_memsize(const clt_env_conn& c, const clt_env_rule& r, const char* module) {
  int32_t kb = 0;
  bool given = false;
  if (clt_env_check_num(c, r, module, &kb, &given) != 0) return -1;
  const uint32_t bytes = (static_cast<uint32_t>(kb - 1) / kMemPageKb + 1) * kMemPageBytes;
  clt_env_store(*c.env, r.field, bytes);
  return 0;
}

int32_t rd_wrnpnt(const clt_env_conn& c, const clt_env_rule& r, const char*) {
  char buf[CLT_ENV_VALUE_SIZE];
  clt_env& e = *c.env;
  if (text(c, r.name, buf) == 0) {
    e.wrnpnt_short = -1;
    e.wrnpnt_sec = e.wrnpnt_usec = -1;
    std::strcpy(e.wrnpnt_text, kWrnpntAbsent);
    return 0;
  }
  int16_t short_value = 0;
  int32_t sec = 0, usec = 0;
  const int32_t rc = clt_env_parse_time(buf, e.pdcwaittime, &short_value, &sec, &usec);
  if (rc == CLT_ENV_RANGE) return fail(c, __LINE__, r.name, CLT_REASON_RANGE);
  if (rc != CLT_ENV_OK) return fail(c, __LINE__, r.name, CLT_REASON_CHAR);
  e.wrnpnt_short = short_value;
  e.wrnpnt_sec = sec;
  e.wrnpnt_usec = usec;
  std::strcpy(e.wrnpnt_text, buf);
  return 0;
}

bool zum4(const clt_env_conn& c) { return c.env->pdsrvtype == kSrvZum4; }
bool prmtrc_on(const clt_env_conn& c) { return c.env->pdprmtrc != 'N'; }
bool retry_on(const clt_env_conn& c) { return c.env->pdcnctrtycount > 0; }

constexpr clt_keyword kYesNo[] = {{"YES", 'Y'}, {"NO", 'N'}};
constexpr clt_keyword kDbLog[] = {{"ALL", 0}, {"NO", 1}, {"NON", 2}};
constexpr clt_keyword kDflnval[] = {{"USE", 'Y'}, {"NOUSE", 'N'}};
constexpr clt_keyword kLockSkip[] = {{"YES", 'Y'}, {"NO", 0}};
constexpr clt_keyword kIsolation[] = {{"0", 0}, {"1", 1}, {"2", 2}, {"12", 12}};
constexpr clt_keyword kSrvType[] = {{"WS", 0}, {"PC", 1}, {"ZUM4", 2}};
constexpr clt_keyword kSpaceLvl[] = {{"0", 0}, {"1", 1}, {"3", 3}};
constexpr clt_keyword kNetErr[] = {{"YES", 1}, {"NO", 0}};
constexpr clt_keyword kPrmTrc[] = {{"YES", 'Y'}, {"IN", 'I'}, {"OUT", 'O'}, {"INOUT", 'T'}, {"NO", 'N'}};
constexpr clt_keyword kTrcMode[] = {{"ERR", 0}, {"ALL", 1}, {"NONE", 2}};
constexpr clt_keyword kIpc[] = {{"MEMORY", 'Y'}, {"DEFAULT", 'N'}};
constexpr clt_keyword kTrcOpen[] = {{"CNCT", 1}, {"SQL", 0}};
constexpr clt_keyword kAutoConnect[] = {{"ON", 1}, {"OFF", 0}};
constexpr clt_keyword kTcpConOpt[] = {{"0", 0}, {"1", 1}};

using K = clt_rule_kind;
#define F CLT_ENV_FIELD

// PDDIR to PDCLTEMPRATE, in reading order.
const clt_env_rule kGroup1[] = {
    {.name = "PDCLTPATH", .kind = K::custom, .routine = rd_cltpath},
    {.name = "PDREPPATH", .kind = K::text, .high = kPathMax, .area = CLT_TXT_REPPATH},
    {.name = "PDHOST", .kind = K::custom, .routine = rd_host},
    {.name = "PDFESHOST", .kind = K::custom, .routine = rd_feshost},
    {.name = "PDSERVICEGRP", .kind = K::custom, .routine = rd_servicegrp},
    {.name = "PDUSER", .kind = K::custom, .routine = rd_user},
    {.name = "PDCLTAPNAME", .kind = K::custom, .routine = rd_apname},
    {.name = "PDTRCPATH", .kind = K::custom, .routine = rd_trcpath},
    {.name = "PDNAMEPORT", .kind = K::custom, .low = kPortLow, .high = kPortHigh, .def = 20000, .routine = rd_nameport},
    {.name = "PDCWAITTIME", .kind = K::custom, .low = 0, .high = 65535, .def = 0, .routine = rd_cwaittime},
    {.name = "PDSWAITTIME", .kind = K::number, .field = F(pdswaittime), .low = 0, .high = 65535, .def = 600},
    {.name = "PDSQLTRACE", .kind = K::custom, .def = -1, .routine = rd_sqltrace},
    {.name = "PDUAPERLOG", .kind = K::custom, .def = 65536, .routine = rd_uaperlog},
    {.name = "PDLOCKLIMIT", .kind = K::number, .field = F(pdlocklimit), .low = 0, .high = 32767, .def = 0},
    {.name = "PDBLKF", .kind = K::number, .field = F(pdblkf), .low = 1, .high = 4096, .def = 1},
    {.name = "PDRDABLKF", .kind = K::number, .field = F(pdrdablkf), .low = 1, .high = 4096, .def = 65535},
    {.name = "PDERCKSKIP", .kind = K::custom, .field = F(pderckskip), .def = 'N', .routine = rd_one_yn},
    {.name = "PDERRSTD", .kind = K::custom, .routine = rd_errstd},
    {.name = "PDSQLLVL", .kind = K::number, .field = F(pdsqllvl), .low = 0, .high = 255, .def = -1},
    {.name = "PDISLLVL", .kind = K::custom, .field = F(pdisllvl), .low = 0, .high = 12, .def = 2,
     .words = kIsolation, .word_count = clt_count(kIsolation), .routine = rd_num_set},
    {.name = "PDTRCMDL", .kind = K::lenient, .field = F(pdtrcmdl), .low = 4096, .high = 65536, .def = 0},
    {.name = "PDTRCSOC", .kind = K::custom, .routine = rd_trcsoc},
    {.name = "PDTRCRPC", .kind = K::lenient, .field = F(pdtrcrpc), .low = 4096, .high = 65536, .def = 0},
    {.name = "PDSOCNUM", .kind = K::lenient, .field = F(pdsocnum), .low = 6, .high = 99, .def = 6},
    {.name = "PDCACHE", .kind = K::lenient, .field = F(pdcache), .low = 2, .high = 32, .def = 8},
    {.name = "PDTRCSOCSIZE", .kind = K::custom, .low = 64, .high = 4096, .routine = rd_trcsocsize},
    {.name = "PDSQADEBUG", .kind = K::lenient, .field = F(pdsqadebug), .low = 0, .high = 0x7FFFFFFF, .def = 0, .base = 16},
    {.name = "PDDBLOG", .kind = K::keyword, .field = F(pddblog), .def = 0, .words = kDbLog, .word_count = clt_count(kDbLog)},
    {.name = "PDDFLNVAL", .kind = K::keyword, .field = F(pddflnval), .def = 'N', .words = kDflnval,
     .word_count = clt_count(kDflnval)},
    {.name = "PDSRVTYPE", .kind = K::custom, .routine = rd_srvtype_code},
    {.name = "PDRETRYINTERVAL", .kind = K::custom, .low = 30, .high = 32767, .def = 700, .routine = rd_retryinterval},
    {.name = "PDRETRYCOUNT", .kind = K::lenient, .field = F(pdretrycount), .low = 0, .high = 32767, .def = 10},
    {.name = "PDTIMEDOUTRETRY", .kind = K::lenient, .field = F(pdtimedoutretry), .low = 0, .high = 32767, .def = 2},
    {.name = "PDODBSTATCACHE", .kind = K::lenient, .field = F(pdodbstatcache), .low = 0, .high = 1, .def = 0},
    {.name = "PDODBESCAPE", .kind = K::custom, .low = 0, .high = 1, .def = 0, .routine = rd_odbescape},
    {.name = "PDTRCLVL", .kind = K::lenient, .field = F(pdtrclvl), .low = 0, .high = 2, .def = 2},
    {.name = "PDEXWARN", .kind = K::keyword, .field = F(pdexwarn), .def = 'N', .words = kYesNo, .word_count = clt_count(kYesNo)},
    {.name = "PDAGGR", .kind = K::number, .field = F(pdaggr), .low = 0, .high = 0x7FFFFFFF, .def = 1024},
    {.name = "PDDLKPRIO", .kind = K::custom, .routine = rd_dlkprio},
    {.name = "PDSWATCHTIME", .kind = K::custom, .routine = rd_swatchtime},
    {.name = "PDSQLOPTLVL", .kind = K::custom, .field = F(pdsqloptlvl), .def = 0, .routine = rd_optlvl,
     .display = F(sqloptlvl_text)},
    {.name = "PDADDITIONALOPTLVL", .kind = K::custom, .field = F(pdadditionaloptlvl), .def = 1, .routine = rd_optlvl,
     .display = F(addoptlvl_text)},
    {.name = "PDUAPREPLVL", .kind = K::custom, .routine = rd_uapreplvl},
    {.name = "PDAPBOPT", .kind = K::custom, .routine = rd_apbopt},
    {.name = "PDVWOPTMODE", .kind = K::number, .field = F(pdvwoptmode), .low = 0, .high = 255, .def = 0},
    {.name = "PDLOCKSKIP", .kind = K::keyword, .field = F(pdlockskip), .def = 0, .words = kLockSkip,
     .word_count = clt_count(kLockSkip)},
    {.name = "PDCLTEMPRATE", .kind = K::number, .field = F(pdcltemprate), .low = 1, .high = 100, .def = -1},
};

// PDDSQLOBJCACHE to PDCNCTRTYWAITTIME, in reading order.
const clt_env_rule kGroup2[] = {
    {.name = "PDDSQLOBJCACHE", .kind = K::keyword, .field = F(pddsqlobjcache), .def = 0, .words = kYesNo,
     .word_count = clt_count(kYesNo)},
    {.name = "PDPLGIXMK", .kind = K::keyword, .field = F(pdplgixmk), .def = 'N', .words = kYesNo, .word_count = clt_count(kYesNo)},
    {.name = "PDHASHTBLSIZE", .kind = K::custom, .low = 128, .high = 2097152, .def = -1, .routine = rd_hashtblsize},
    {.name = "PDCLTCNVMODE", .kind = K::custom, .routine = rd_cnvmode},
    {.name = "PDCLTGAIJIDLL", .kind = K::text, .field = F(pdcltgaijidll), .high = 79, .too_long = CLT_REASON_CHAR},
    {.name = "PDCLTGAIJIFUNC", .kind = K::text, .field = F(pdcltgaijifunc), .high = 79, .text_def = "convert",
     .too_long = CLT_REASON_CHAR},
    {.name = "PDCLTNODELAY", .kind = K::custom, .field = F(pdcltnodelay), .def = 'Y', .routine = rd_one_yn},
    {.name = "PDCLTLINGER", .kind = K::number, .field = F(pdcltlinger), .low = 0, .high = 65535, .def = 30},
    {.name = "DCSERVICE", .kind = K::text, .field = F(dcservice), .high = 31},
    {.name = "PDSRVTYPE", .kind = K::keyword, .field = F(pdsrvtype), .def = 0, .words = kSrvType, .word_count = clt_count(kSrvType)},
    {.name = "PDSERVICEPORT", .kind = K::custom, .routine = rd_serviceport},
    {.name = "PDCLTOPTIONSTR", .kind = K::custom, .routine = rd_optionstr},
    {.name = "PDCLTGRP", .kind = K::custom, .routine = rd_cltgrp},
    {.name = "PDCLTSNDBUFSIZE", .kind = K::lenient, .field = F(pdcltsndbufsize), .low = 1, .high = 65535, .def = 0},
    {.name = "PDCLTRCVBUFSIZE", .kind = K::lenient, .field = F(pdcltrcvbufsize), .low = 1, .high = 65535, .def = 0},
    {.name = "PDPLUGINNSUB", .kind = K::custom, .routine = rd_plugin},
    {.name = "PDCLTRCVPORT", .kind = K::custom, .routine = rd_rcvport},
    {.name = "PDCLTRCVADDR", .kind = K::custom, .routine = rd_rcvaddr},
    {.name = "PDPLGPFSZ", .kind = K::number, .field = F(pdplgpfsz), .low = 1, .high = 1048574000, .def = 8192},
    {.name = "PDPLGPFSZEXP", .kind = K::number, .field = F(pdplgpfszexp), .low = 1, .high = 1048573000, .def = 8192},
    {.name = "PDSPACELVL", .kind = K::custom, .field = F(pdspacelvl), .low = 0, .high = 3, .def = 255, .words = kSpaceLvl,
     .word_count = clt_count(kSpaceLvl), .routine = rd_num_set},
    {.name = "PDSTJTRNOUT", .kind = K::keyword, .field = F(pdstjtrnout), .def = 0, .words = kYesNo, .word_count = clt_count(kYesNo)},
    {.name = "PDCLTRDNODE", .kind = K::custom, .routine = rd_rdnode},
    {.name = "RD_DEBUG1", .kind = K::custom, .routine = rd_debug1},
    {.name = "PDRDNETERR722", .kind = K::keyword, .field = F(pdrdneterr722), .def = 0, .words = kNetErr,
     .word_count = clt_count(kNetErr), .when = zum4, .otherwise = 0},
    {.name = "PDPRMTRC", .kind = K::keyword, .field = F(pdprmtrc), .def = 'N', .words = kPrmTrc, .word_count = clt_count(kPrmTrc)},
    {.name = "PDPRMTRCSIZE", .kind = K::number, .field = F(pdprmtrcsize), .low = 4, .high = 32008, .def = 256,
     .when = prmtrc_on, .otherwise = 256},
    {.name = "PDTRCMODE", .kind = K::keyword, .field = F(pdtrcmode), .def = 0, .words = kTrcMode, .word_count = clt_count(kTrcMode)},
    {.name = "PDERRSKIPCODE", .kind = K::custom, .routine = rd_errskipcode},
    {.name = "PDGDATAOPT", .kind = K::keyword, .field = F(pdgdataopt), .def = 'N', .words = kYesNo, .word_count = clt_count(kYesNo)},
    {.name = "PDIPC", .kind = K::custom, .field = F(pdipc), .def = 'N', .words = kIpc, .word_count = clt_count(kIpc),
     .routine = rd_ipc},
    {.name = "PDSENDMEMSIZE", .kind = K::custom, .field = F(pdsendmemsize), .low = 4, .high = 2097152, .def = 16,
     .when = ipc_on, .otherwise = 0, .routine = rd_memsize},
    {.name = "PDRECVMEMSIZE", .kind = K::custom, .field = F(pdrecvmemsize), .low = 4, .high = 2097152, .def = 32,
     .when = ipc_on, .otherwise = 0, .routine = rd_memsize},
    {.name = "PDCMMTBFDDL", .kind = K::keyword, .field = F(pdcmmtbfddl), .def = 0, .words = kYesNo, .word_count = clt_count(kYesNo)},
    {.name = "PDDBACCS", .kind = K::number, .field = F(pddbaccs), .low = 0, .high = 10, .def = -1},
    {.name = "PDSQLTRCOPENMODE", .kind = K::keyword, .field = F(pdsqltrcopenmode), .def = 0, .words = kTrcOpen,
     .word_count = clt_count(kTrcOpen), .display = F(sqltrcopenmode_disp)},
    {.name = "PDAUTOCONNECT", .kind = K::keyword, .field = F(pdautoconnect), .def = 1, .words = kAutoConnect,
     .word_count = clt_count(kAutoConnect), .display = F(autoconnect_disp)},
    {.name = "PDPRPCRCLS", .kind = K::keyword, .field = F(pdprpcrcls), .def = 0, .words = kYesNo, .word_count = clt_count(kYesNo)},
    {.name = "PDTCPCONOPT", .kind = K::keyword, .field = F(pdtcpconopt), .def = 0, .words = kTcpConOpt,
     .word_count = clt_count(kTcpConOpt)},
    {.name = "PDCWAITTIMEWRNPNT", .kind = K::custom, .routine = rd_wrnpnt},
    {.name = "PDHUBMODE", .kind = K::keyword, .field = F(pdhubmode), .def = 'N', .words = kYesNo, .word_count = clt_count(kYesNo)},
    {.name = "PDCNCTRTYCOUNT", .kind = K::number, .field = F(pdcnctrtycount), .low = 0, .high = 300, .def = 3},
    {.name = "PDCNCTRTYWAITTIME", .kind = K::number, .field = F(pdcnctrtywaittime), .low = 0, .high = 60, .def = 2,
     .when = retry_on, .otherwise = 0},
};

#undef F

}  // namespace

void clt_set_uap_name_to(const clt_env& env, char* uap_name) {
  std::memcpy(uap_name, env.pdcltapname, strnlen(env.pdcltapname, CLT_APNAME_MAX));
}

int32_t clt_read_env_conn(const clt_env_conn& conn) {
  read_pddir(conn);
  if (clt_env_read_rules(conn, kGroup1, std::size(kGroup1), kModule) != 0) return -1;
  if (clt_env_read_rules(conn, kGroup2, std::size(kGroup2), kModule) != 0) return -1;
  if (clt_read_env2_conn(conn) != 0) return -1;
  if (conn.uap_name != nullptr) clt_set_uap_name_to(*conn.env, conn.uap_name);
  return 0;
}

int32_t clt_read_env_odbc_conn(const clt_env_conn& conn, uint32_t port, const char* host, const char* ini_file) {
  conn.env->own_ini_file = ini_file;
  const int32_t rc = clt_read_env_conn(conn);
  if (port != 0) conn.env->nameport_cur = static_cast<uint16_t>(port);
  // The data source's host goes into the working host list, which the
  // CONNECT processing refills from PDHOST anyway.
  if (host != nullptr && host[0] != '\0') {
    static constexpr size_t kHostCleared = 64;
    char* list = clt_env_text(conn, CLT_TXT_HOST);
    std::memset(list, 0, kHostCleared);
    const size_t n = strnlen(host, CLT_ENV_TEXT_SIZES[CLT_TXT_HOST] - 1);
    copy_text(list, host, n);
  }
  return rc;
}

namespace {

static_assert(static_cast<int>(CLT_TXT_COUNT) == static_cast<int>(CLT_TEXT_AREAS));
static_assert(sizeof(clt_uap::user) == CLT_ENV_TEXT_SIZES[CLT_TXT_USER]);
static_assert(sizeof(clt_uap::password) == CLT_ENV_TEXT_SIZES[CLT_TXT_PASSWORD]);
static_assert(sizeof(clt_uap::host) == CLT_ENV_TEXT_SIZES[CLT_TXT_HOST]);
static_assert(sizeof(clt_uap::cltpath) == CLT_ENV_TEXT_SIZES[CLT_TXT_CLTPATH]);
static_assert(sizeof(clt_uap::reppath) == CLT_ENV_TEXT_SIZES[CLT_TXT_REPPATH]);
static_assert(sizeof(clt_uap::trcpath) == CLT_ENV_TEXT_SIZES[CLT_TXT_TRCPATH]);
static_assert(sizeof(clt_uap::wrtlnpath) == CLT_ENV_TEXT_SIZES[CLT_TXT_WRTLNPATH]);
static_assert(sizeof(clt_uap::taapinfpath) == CLT_ENV_TEXT_SIZES[CLT_TXT_TAAPINF]);
static_assert(sizeof(clt_uap::apname) > CLT_APNAME_MAX);

// Settings errors go into the SQLCA of the running request.
void report_to_sqlca(const clt_env_conn& conn, int32_t sqlcode, const char* module, int32_t line,
                     const char* message) {
  clt_report(const_cast<rdb_sql_area*>(conn.area), module, line, sqlcode, CLT_SQLSTATE_DEFAULT, "%s", message);
}

clt_env_conn conn_of(clt_main* main) {
  clt_env_conn conn{};
  conn.env = clt_main_env(main);
  for (int i = 0; i < CLT_TXT_COUNT; ++i) conn.texts[i] = clt_text(main, static_cast<clt_text_area>(i));
  conn.area = main->area;
  conn.kind = static_cast<int16_t>(main->kind);
  conn.uap_name = clt_main_uap(main)->apname;
  conn.report = report_to_sqlca;
  return conn;
}

// The frame's view of the settings it consults. It reads 0 as "not
// given", so a size that was given as 0 (trace on, no size limit) reads as
// 1 there, and a trace-control size of -1 (none) as 0.
int32_t given_size(int32_t stored, bool given) {
  if (!given) return 0;
  return stored == 0 ? 1 : stored;
}

}  // namespace

int32_t clt_env_setting_get(const clt_main* main, clt_setting which, int32_t index) {
  static constexpr int32_t kYes = 'Y', kNo = 'N';
  const clt_env& e = *clt_main_env(const_cast<clt_main*>(main));
  switch (which) {
    case clt_setting::aryerrpos: return static_cast<unsigned char>(e.pdaryerrpos);
    case clt_setting::trcmdl: return e.pdtrcmdl;
    case clt_setting::ipc: return static_cast<unsigned char>(e.pdipc);
    case clt_setting::sqltextsize: return e.pdsqltextsize;
    case clt_setting::sqltextsize_given: return e.sqltextsize_default;
    case clt_setting::trcctl_level: return e.trcctl_bits;
    case clt_setting::trcctl_size: return given_size(e.trcctl_size, e.trcctl_size != -1);
    case clt_setting::trcctl_keepopen: return e.trcctl_keep_open;
    case clt_setting::sqltrace: return given_size(e.pdsqltrace, e.pdsqltrace != -1);
    case clt_setting::rctrace: return given_size(e.pdrctrace, e.pdrctrace != -1);
    case clt_setting::trcmode: return e.pdtrcmode;
    case clt_setting::taapinfmode: return e.pdtaapinfmode == '1' ? 1 : 0;
    case clt_setting::cltcnvmode: return e.pdcltcnvmode;
    case clt_setting::autoconnect: return e.pdautoconnect == 1 ? kYes : kNo;
    case clt_setting::autoreconnect: return static_cast<unsigned char>(e.pdautoreconnect);
    case clt_setting::errskipcode: return index >= 0 && index < CLT_ERRSKIP_MAX ? e.pderrskipcode[index] : 0;
    case clt_setting::optionletter:
      for (const auto& l : kLetters)
        if (l.ch == index) return static_cast<unsigned char>(e.*l.flag);
      return 0;
    case clt_setting::odbstatcache: return e.pdodbstatcache;
    case clt_setting::odbescape: return e.pdodbescape;
    case clt_setting::gdataopt: return static_cast<unsigned char>(e.pdgdataopt);
    case clt_setting::odbcwrnskip: return static_cast<unsigned char>(e.pdodbcwrnskip);
    case clt_setting::blkf: return e.pdblkf;
    case clt_setting::blkbuffsize: return e.pdblkbuffsize;
    case clt_setting::binaryblkf: return static_cast<unsigned char>(e.pdbinaryblkf);
    case clt_setting::prpcrcls: return static_cast<unsigned char>(e.pdprpcrcls);
    case clt_setting::cursorlvl: return static_cast<unsigned char>(e.pdcursorlvl);
    case clt_setting::srvtype: return e.pdsrvtype;
    case clt_setting::uapreplvl: return e.pduapreplvl;
  }
  return 0;
}

// Changes that the frame makes to the settings after the reading.
void clt_env_setting_put(clt_main* main, clt_setting which, int32_t value) {
  clt_env& e = *clt_main_env(main);
  switch (which) {
    case clt_setting::aryerrpos: e.pdaryerrpos = static_cast<char>(value); break;
    case clt_setting::trcmdl: e.pdtrcmdl = value; break;
    case clt_setting::ipc: e.pdipc = static_cast<char>(value); break;
    case clt_setting::sqltextsize: e.pdsqltextsize = value; break;
    case clt_setting::sqltextsize_given: e.sqltextsize_default = static_cast<char>(value); break;
    case clt_setting::trcctl_level: e.trcctl_bits = value; break;
    case clt_setting::trcctl_size: e.trcctl_size = value == 0 ? -1 : value; break;
    case clt_setting::trcctl_keepopen: e.trcctl_keep_open = static_cast<int16_t>(value); break;
    case clt_setting::sqltrace: e.pdsqltrace = value == 0 ? -1 : value; break;
    case clt_setting::rctrace: e.pdrctrace = value == 0 ? -1 : value; break;
    case clt_setting::trcmode: e.pdtrcmode = static_cast<int16_t>(value); break;
    case clt_setting::taapinfmode: e.pdtaapinfmode = value == 1 ? '1' : '0'; break;
    case clt_setting::cltcnvmode: e.pdcltcnvmode = static_cast<uint8_t>(value); break;
    case clt_setting::autoconnect: e.pdautoconnect = value == 'Y' ? 1 : 0; break;
    case clt_setting::autoreconnect: e.pdautoreconnect = static_cast<char>(value); break;
    case clt_setting::odbstatcache: e.pdodbstatcache = static_cast<int16_t>(value); break;
    case clt_setting::odbescape: e.pdodbescape = static_cast<int16_t>(value); break;
    case clt_setting::gdataopt: e.pdgdataopt = static_cast<char>(value); break;
    case clt_setting::odbcwrnskip: e.pdodbcwrnskip = static_cast<char>(value); break;
    case clt_setting::blkf: e.pdblkf = static_cast<int16_t>(value); break;
    case clt_setting::blkbuffsize: e.pdblkbuffsize = value; break;
    case clt_setting::binaryblkf: e.pdbinaryblkf = static_cast<char>(value); break;
    case clt_setting::prpcrcls: e.pdprpcrcls = static_cast<char>(value); break;
    case clt_setting::cursorlvl: e.pdcursorlvl = static_cast<char>(value); break;
    case clt_setting::srvtype: e.pdsrvtype = static_cast<int16_t>(value); break;
    case clt_setting::uapreplvl: e.pduapreplvl = value; break;
    // Lists are changed item by item, which a put without index cannot do.
    case clt_setting::errskipcode:
    case clt_setting::optionletter: break;
  }
}

int32_t clt_read_env(void) {
  clt_main* main = clt_cur_main();
  if (main == nullptr) return -1;
  return clt_read_env_conn(conn_of(main));
}

int32_t clt_read_env_odbc(const rdb_odbc_buf* odbc) {
  clt_main* main = clt_cur_main();
  if (main == nullptr) return -1;
  if (odbc == nullptr) return clt_read_env_conn(conn_of(main));
  // The driver's host field need not end in NUL within its bytes.
  const std::string host(odbc->host, strnlen(odbc->host, sizeof odbc->host));
  return clt_read_env_odbc_conn(conn_of(main), odbc->nameport, host.c_str(), odbc->inifile);
}
