#include "CLTSQLBR.h"

#include <string.h>

#include <algorithm>
#include <initializer_list>

#include "CLTCNTL.h"
#include "zk_codes.h"
#include "CLTCOMCTX.h"
#include "CLTRPCPR.h"
#include "zk_seam.h"
#include "CLTSQLBS.h"
#include "CLTSQLDA.h"
#include "CLTTRCEL.h"
#include "CLTUTL.h"
#include "clt_cnv.h"

namespace {

constexpr const char* kModule = "CLTSQLBR";

// Fixed parts of the reply bound.
constexpr int64_t kBase = 62;
constexpr int64_t kBaseConnect = 74;
constexpr int64_t kBaseSrvinf = 554;
constexpr int64_t kConnectInfo = 128;
constexpr int64_t kDisconnect = 15;
constexpr int64_t kConnectTail = 327;
constexpr int64_t kTail = 339;
constexpr uint32_t kLevelDiscArea = 17;
constexpr uint32_t kLevelRowHead = 20;
constexpr uint32_t kLevelExtension = 22;
constexpr uint32_t kLevelCsna = 24;
constexpr int64_t kColumnName = 32;
constexpr int64_t kParamEntry = 4;
constexpr int64_t kAttribute = 42;
constexpr int64_t kAreaHead = 3;
constexpr int64_t kRowHead = 16;
constexpr int64_t kCommon = 92;
constexpr int64_t kReportStep = 36864;
constexpr int64_t kExtension = 64;
constexpr int64_t kBlockBuffUnit = 1024;
constexpr int64_t kRowLength = 4;  // a blocked row's length word
constexpr int32_t kReportPR = 4 | 16;  // report levels p and r
constexpr int32_t kApbOptP = 12;
constexpr char kYes = 'Y';

bool in(int32_t fc, std::initializer_list<int32_t> codes) {
  return std::find(codes.begin(), codes.end(), fc) != codes.end();
}

bool level_at_least(const clt_main* main, uint32_t n) {
  return clt_srv_level_at_least(static_cast<uint32_t>(main->srv_level), n);
}

struct checking {
  rdb_sql_area* area;
  clt_main* main;
  clt_env* env;
  int32_t fc;
  int64_t factor;  // the connection's length factor
  bool stride;     // the element-size rule applies
  bool terminator; // character values end with a NUL
  clt_type_env types;
};

int32_t fail_count(const checking& c, const char* state, int32_t log_kind, const SQLDA* sqlda) {
  return clt_var_fail_count(c.area, kModule, __LINE__, state, log_kind, sqlda);
}

int32_t fail_memory(const checking& c, int64_t size) {
  return clt_report(c.area, kModule, __LINE__, CLT_SQL_NO_MEMORY, CLT_SQLSTATE_DEFAULT, CLT_MSG_NO_MEMORY,
                    CLT_MEMORY_AREA_PROCESS, static_cast<uint32_t>(size));
}

int32_t check_sqln(const checking& c, const SQLDA* sqlda) { return clt_var_check_sqln(c.area, kModule, sqlda); }
int32_t check_sqld(const checking& c, const SQLDA* sqlda) { return clt_var_check_sqld(c.area, kModule, sqlda); }

int64_t round_even(int64_t n) { return (n + 1) / 2 * 2; }

struct sizes {
  int64_t plain;
  int64_t repetition;
  int64_t row;        // one row of an array FETCH
  int64_t allowance;  // its alignment allowance
};

// Bytes of one INTO variable, with L' the converted length capped at the
// type's maximum.
sizes var_sizes(const checking& c, const SQLVAR& v) {
  const clt_kind k = clt_kind_of(v.sqlcod);
  const int64_t len = clt_var_len(v);
  const int64_t n = v.XDIM;
  const int64_t sys = v.len.s.SYS;
  const int64_t stride = c.stride ? sys : 0;
  auto or_natural = [&](int64_t natural) { return stride != 0 ? stride : natural; };
  auto converted = [&](int32_t max) { return std::min<int64_t>(len * c.factor, max); };
  const int64_t t = c.terminator ? 1 : 0;
  switch (k) {
    case clt_kind::char_nul: {
      const int64_t l2 = converted(CLT_LEN_CHAR);
      const int64_t e = round_even(l2 + 1) + 2;
      return {l2 + 3, e * n + 7, e, 1};
    }
    case clt_kind::bytes: return {len + 2, len + 2, len + 2, 0};
    case clt_kind::packed8: return {5, 5 * n + 7, 5, 0};
    case clt_kind::packed6: return {4, 4 * n + 7, 4, 0};
    case clt_kind::coded4: return {4, 4 * n + 7, or_natural(4), 0};
    case clt_kind::coded3: return {len, 3 * n + 7, or_natural(len), 0};
    case clt_kind::coded_var: return {len, len * n + 7, or_natural(len), 0};
    case clt_kind::lob: {
      const int64_t s = (len + 15) / 8 * 8 + 7;
      return {s, s, s, 0};
    }
    case clt_kind::lob_rsv: return {len + 15, len + 15, len + 15, 0};
    case clt_kind::handle: return {7, 7, or_natural(4), 3};
    // An element size below the value's own room is taken as that room.
    case clt_kind::varchar: {
      const int64_t l2 = converted(CLT_LEN_CHAR);
      const int64_t elem = std::max(sys, l2 + 2);
      return {l2 + 3, elem * n + 7, std::max(sys - len + l2, l2 + 2), 1};
    }
    case clt_kind::fixchar: {
      const int64_t l2 = converted(CLT_LEN_FIXED);
      const int64_t natural = t + l2 + 2;
      return {l2, l2 * n + 7, stride != 0 ? std::max(stride - len + l2 + 1, natural) : natural, 0};
    }
    case clt_kind::nvarchar: {
      const int64_t l2 = converted(CLT_LEN_NATIONAL);
      const int64_t elem = std::max(sys, 2 * l2 + 2);
      return {2 * l2 + 3, elem * n + 7, std::max(sys - len + 2 * l2, 2 * l2 + 2), 1};
    }
    case clt_kind::nfixchar: {
      const int64_t l2 = converted(CLT_LEN_NFIXED);
      const int64_t natural = t + 2 * l2 + 2;
      return {2 * l2, 2 * l2 * n + 7, stride != 0 ? std::max(stride - len + 2 * l2 + 1, natural) : natural, 0};
    }
    case clt_kind::int64: return {15, 8 * n + 7, or_natural(8), 7};
    case clt_kind::int32: return {7, 4 * n + 7, or_natural(4), 3};
    case clt_kind::decimal: {
      const int64_t s = clt_decimal_size(v);
      return {s, s * n + 7, s, 0};
    }
    case clt_kind::int16: return {3, 2 * n + 7, or_natural(2), 1};
    case clt_kind::unknown:
    case clt_kind::char_pad: break;
  }
  return {0, 0, 0, 0};
}

struct walk_sum {
  int64_t bytes = 0;
  int64_t allowance = 0;
  int64_t var_columns = 0;
};

int32_t check_variable(const checking& c, const SQLVAR& v, int32_t i, const void* csna, bool array, walk_sum* sum) {
  const int32_t number = i + 1;
  const clt_kind k = clt_kind_of(v.sqlcod);
  if (v.SQLDATA == nullptr) return clt_var_fail_address(c.area, kModule, __LINE__, number);
  if (v.XDIM < 1 || v.XDIM > CLT_XDIM_MAX) {
    return clt_var_fail_type(c.area, kModule, __LINE__, clt_dir::out, number, CLT_VAR_LENGTH, &v);
  }
  const bool repetition = clt_repetition(v);
  if (clt_nullable(v.sqlcod)) {
    if (v.SQLIND == nullptr) return clt_var_fail_address(c.area, kModule, __LINE__, number);
    const bool wide = clt_wide_indicator(k);
    if (array) {
      sum->bytes += wide ? 4 : 2;
      sum->allowance += wide ? 3 : 1;
    } else {
      sum->bytes += wide ? 7 : repetition ? 2 * static_cast<int64_t>(v.XDIM) + 7 : 3;
    }
  }
  if (clt_csna_names(csna, i) && !clt_csna_allowed(v.sqlcod, clt_dir::out)) {
    return clt_var_fail_type(c.area, kModule, __LINE__, clt_dir::out, number, CLT_VAR_LENGTH, &v);
  }
  const clt_var_fault fault = clt_type_rule(v, clt_dir::out, c.types);
  if (fault != CLT_VAR_OK) return clt_var_fail_type(c.area, kModule, __LINE__, clt_dir::out, number, fault, &v);
  if (clt_long_length(k) && sum->bytes + clt_var_len(v) + 15 > CLT_SIZE_MAX) return fail_memory(c, CLT_SIZE_MAX);
  const sizes s = var_sizes(c, v);
  if (array) {
    sum->bytes += s.row;
    sum->allowance += s.allowance;
  } else {
    sum->bytes += repetition ? s.repetition : s.plain;
  }
  if (clt_var_column(k)) ++sum->var_columns;
  return 0;
}

// The rows of a FETCH that block fetch may bring at once.
int64_t fetch_rows(const checking& c, int64_t u, int64_t n) {
  const bool allowed = c.main->blkf_flag == 0;
  // A block of no rows still carries the one row asked for.
  const int64_t b = allowed ? std::max<int64_t>(1, c.env->pdblkf) : 1;
  const int64_t x = allowed && c.env->pdblkf >= CLT_MULTIPLE ? kRowLength : 0;
  const int64_t e = (x * b + 3) * n;
  const int64_t k = kBlockBuffUnit * c.env->pdblkbuffsize;
  if (!allowed || !level_at_least(c.main, kLevelRowHead) || c.env->pdblkbuffsize == 0) return u * b + e;
  if (b < 2) return u > k ? u * b + e : k;
  if (u > k) return u + 3 * n;
  return u * b + e <= k ? u * b + e : k;
}

// An INTO list.
int32_t check_into(const checking& c, const SQLDA* sqlda, const void* csna, int64_t* reply) {
  if (check_sqln(c, sqlda) != 0) return -1;
  const bool aui2 = c.fc == CLT_FC_AUI2;
  if (sqlda->sqld <= 0 || (aui2 && c.area->outcount <= 0)) return 0;
  if (check_sqld(c, sqlda) != 0) return -1;
  // The output count of AUI2 is held to sqld: beyond it lies no variable.
  if (aui2 && c.area->outcount > sqlda->sqld) return fail_count(c, CLT_SQLSTATE_VAR_COUNT, CLT_LOG_SQLD, sqlda);
  *reply += CLT_WIRE_SQLVAR * sqlda->sqld + CLT_WIRE_LIST_HEAD;
  const int64_t n = aui2 ? c.area->outcount : sqlda->sqld;
  const bool fetch = in(c.fc, {CLT_FC_FETC, CLT_FC_RSFT});
  const int64_t rows = c.area->fetchrows;
  const bool array = fetch && rows >= CLT_MULTIPLE;
  walk_sum sum;
  for (int32_t i = 0; i < n; ++i) {
    if (check_variable(c, sqlda->sqlvar[i], i, csna, array, &sum) != 0) return -1;
  }
  int64_t u = sum.bytes + n;
  if (!fetch) {
    *reply += u;
    return 0;
  }
  if (level_at_least(c.main, kLevelRowHead)) u += kRowHead;
  *reply += array ? u * rows + (4 * rows + 3) * sum.var_columns + sum.allowance : fetch_rows(c, u, n);
  return 0;
}

// Column-name, parameter and attribute areas of a description target.
int64_t describe_areas(const checking& c, int64_t sqln, const void* colnames, bool with_attributes) {
  int64_t add = 0;
  if (c.area->desckind == 'S' && colnames != nullptr) add += kColumnName * sqln + kAreaHead;
  const uint8_t attr = c.area->attrkind;
  if (with_attributes && (attr == 'A' || attr == 'T') && c.area->attrarea != nullptr) add += kAttribute * sqln + kAreaHead;
  return add;
}

// Description targets.
int32_t check_describe(const checking& c, const SQLDA* sqlda, int64_t* reply) {
  if (check_sqln(c, sqlda) != 0) return -1;
  const int64_t sqln = sqlda->sqln;
  *reply += CLT_WIRE_SQLVAR * sqln + CLT_WIRE_LIST_HEAD + describe_areas(c, sqln, c.area->colnames1, true);
  if (c.main->param_flag != 0) *reply += kParamEntry * sqln + kAreaHead;
  return 0;
}

int32_t check_set(const checking& c, int64_t* reply) {
  const SQLDA* first = c.area->sqliasda;
  const SQLDA* second = c.area->sqliasda2;
  if (first == nullptr && second == nullptr) {
    return clt_report(c.area, kModule, __LINE__, CLT_SQL_CALL_PARAMETER, CLT_SQLSTATE_DEFAULT,
                      CLT_MSG_CALL_PARAMETER, "Invalid", "SET", "sqliasda & sqliasda2");
  }
  int64_t sqln_sum = 0;
  if (first != nullptr) {
    if (check_sqln(c, first) != 0) return -1;
    *reply += CLT_WIRE_SQLVAR * first->sqln + CLT_WIRE_LIST_HEAD + describe_areas(c, first->sqln, c.area->colnames1, false);
    sqln_sum += first->sqln;
  }
  if (second != nullptr) {
    if (check_sqln(c, second) != 0) return -1;
    *reply += CLT_WIRE_SQLVAR * second->sqln + CLT_WIRE_LIST_HEAD + describe_areas(c, second->sqln, c.area->colnames2, true);
    sqln_sum += second->sqln;
  }
  if (c.main->param_flag != 0) *reply += kParamEntry * sqln_sum + kAreaHead;
  return 0;
}

// An SQLCSNA; sqld is that of its list, 0 when no use is checked.
int32_t check_csna(const checking& c, const void* csna, int32_t sqld, int64_t* reply) {
  const int16_t codes = clt_csna_count(csna, CLT_CSNA_CODES);
  if (codes < 0 || codes > CLT_SQLDA_MAX_VARS) return fail_count(c, CLT_SQLSTATE_SQLN, 0, nullptr);
  const int16_t used = clt_csna_count(csna, CLT_CSNA_CODES_USED);
  const bool aui2_without = c.fc == CLT_FC_AUI2 && c.area->outcount <= 0;
  if (sqld > 0 && used != 0 && !aui2_without && (used < 0 || used > CLT_SQLDA_MAX_VARS || used > codes)) {
    return fail_count(c, CLT_SQLSTATE_VAR_COUNT, 0, nullptr);
  }
  const int64_t names = std::max<int16_t>(0, clt_csna_count(csna, CLT_CSNA_NAMES));
  *reply += CLT_WIRE_CSNA_NAME * names + 2 * static_cast<int64_t>(codes) + CLT_WIRE_CSNA_HEAD;
  return 0;
}

// Steps 2 to 5: the lists the function code names.
int32_t check_lists(const checking& c, int64_t* reply) {
  const bool csna_on = level_at_least(c.main, kLevelCsna);
  const rdb_sql_area* area = c.area;
  if (c.fc == CLT_FC_SET) {
    if (area->setvars != kYes) return 0;
    if (check_set(c, reply) != 0) return -1;
    if (!csna_on) return 0;
    if (area->sqlcsna1 != nullptr && check_csna(c, area->sqlcsna1, 0, reply) != 0) return -1;
    return area->sqlcsna2 != nullptr ? check_csna(c, area->sqlcsna2, 0, reply) : 0;
  }
  const SQLDA* sqlda = nullptr;
  const void* csna = nullptr;
  if (in(c.fc, {CLT_FC_FETC, CLT_FC_AUI2, CLT_FC_DESC, CLT_FC_HVAR, CLT_FC_RSDC, CLT_FC_RSFT})) {
    sqlda = area->sqliasda;
    csna = area->sqlcsna1;
  } else if (in(c.fc, {CLT_FC_AUX, CLT_FC_AUXI, CLT_FC_AUXO, CLT_FC_CALL, CLT_FC_GETD, CLT_FC_DEST, CLT_FC_AUI3})) {
    sqlda = area->sqliasda2;
    csna = area->sqlcsna2;
  }
  if (sqlda == nullptr) return 0;
  if (!csna_on) csna = nullptr;
  const bool describe = in(c.fc, {CLT_FC_DESC, CLT_FC_HVAR, CLT_FC_DEST, CLT_FC_RSDC});
  if (describe ? check_describe(c, sqlda, reply) != 0 : check_into(c, sqlda, csna, reply) != 0) return -1;
  return csna != nullptr ? check_csna(c, csna, sqlda->sqld, reply) : 0;
}

// The fixed part of every reply, by function code.
int64_t fixed_part(const checking& c) {
  const int32_t fc = c.fc;
  int64_t reply = fc == CLT_FC_CNCT ? kBaseConnect : fc == CLT_FC_SINF ? kBaseSrvinf : kBase;
  if (in(fc, {CLT_FC_CNCT, CLT_FC_RNCN})) reply += kConnectInfo;
  if (fc == CLT_FC_DISC) {
    reply += kDisconnect;
    reply += level_at_least(c.main, kLevelDiscArea) ? static_cast<int64_t>(c.main->disc_area_size) + kAreaHead
                                                    : kTail;
  }
  reply += fc == CLT_FC_CNCT ? kConnectTail : kTail;
  return reply;
}

// The common additions: array error positions and the rest.
int64_t common_part(const checking& c, int64_t reply) {
  const rdb_sql_area* area = c.area;
  if (in(c.fc, {CLT_FC_AUI2, CLT_FC_AUX}) && level_at_least(c.main, kLevelRowHead) && area->arycount != 0 &&
      c.env->pdaryerrpos == kYes) {
    reply += 4 * static_cast<int64_t>(area->arycount);
  }
  reply += kCommon;
  if (c.types.second_protocol && c.env->wrtln_on == kYes) reply += c.env->pdwrtlncomsz;
  const int32_t levels = c.env->pduapreplvl | clt_env_get(c.main, clt_setting::trcctl_level);
  if ((levels & kReportPR) != 0 || in(c.fc, {CLT_FC_EUTL, CLT_FC_ERLG}) || c.env->pdapbopt == kApbOptP) {
    reply = (reply / kReportStep + 1) * kReportStep;
  }
  if (in(c.fc, {CLT_FC_AUX, CLT_FC_AUXI}) && level_at_least(c.main, kLevelExtension)) reply += kExtension;
  return reply;
}

}  // namespace

int32_t clt_sqlda_check(rdb_sql_area* area) {
  clt_global_data* ctx = clt_cur();
  clt_main* main = ctx->main;
  clt_env* env = clt_main_env(main);
  checking c{area,
             main,
             env,
             main->funccode,
             clt_cnv_length_factor(*env),
             (area->elemsize != 0) || env->opt_n == kYes,
             area->termbyte == CLT_TERM_NUL,
             clt_type_env_of(main->byteorder, env->pdsrvtype, main->srv_codeset)};
  int64_t reply = fixed_part(c);
  if (check_lists(c, &reply) != 0) return -1;
  reply = common_part(c, reply);
  if (reply > CLT_SIZE_MAX) return fail_memory(c, reply);

  clt_com_conn* com = clt_main_com(main);
  clt_com_call& call = ctx->runtime.com;
  const uint8_t* before = call.reply_buf;
  const uint32_t failed = clt_grow_buffer(&call.reply_buf, &com->reply_buf_size, static_cast<uint32_t>(reply),
                                          kModule, __LINE__);
  if (call.reply_buf != before) call.reply_cur = nullptr;
  if (failed != 0) return fail_memory(c, failed);
  com->reply_len = static_cast<uint32_t>(reply);
  return 0;
}

int32_t clt_strnlen(const char* text, int32_t n) {
  for (int32_t i = 0; i < n; ++i) {
    if (text[i] == '\0') return i;
  }
  return -1;
}

void clt_bzero(void* buffer, size_t n) { memset(buffer, 0, n); }
