#include "CLTSQLBS.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <initializer_list>

#include "CLTCNTL.h"
#include "zk_codes.h"
#include "CLTCOMCTX.h"
#include "CLTMEM.h"
#include "CLTRPCPR.h"
#include "CLTTRCEL.h"
#include "zk_seam.h"
#include "CLTSQLDA.h"
#include "CLTUTL.h"
#include "clt_cnv.h"

namespace {

constexpr const char* kModule = "CLTSQLBS";

constexpr uint32_t kBufferStep = 4096;

// Fixed parts of the request bound.
constexpr int64_t kBase = 55;
constexpr int64_t kBaseJar = 19;
constexpr int64_t kHead = 99;
constexpr int64_t kElement = 7;        // an element's head: kind, length, alignment
constexpr int64_t kExtName = 38;
constexpr int64_t kAlcrFourth = 36;
constexpr int64_t kAuditShort = 106;
constexpr int64_t kAuditLong = 262;
constexpr uint32_t kLevelAudit = 24;
constexpr int64_t kRdnodePart = 35;
constexpr int64_t kJarTransferUnit = 102400;
constexpr int64_t kDescribeTarget = 16;
constexpr int64_t kDestUsing = 93;
constexpr int64_t kCsnaDescribe = 32;
constexpr uint32_t kLevelNullSized = 10;  // below this, NULL values are sized like present ones

struct code_bytes {
  std::initializer_list<int32_t> codes;
  int64_t bytes;
};
const code_bytes kByCode[] = {
    {{CLT_FC_CNCT, CLT_FC_RNCN}, 335},
    {{CLT_FC_CMIT, CLT_FC_ROLL, CLT_FC_CPRP, CLT_FC_DISC, CLT_FC_DIST, CLT_FC_TRC1, CLT_FC_TSCM, CLT_FC_TSRL,
      CLT_FC_TSPR, CLT_FC_DISR, CLT_FC_RNDS, CLT_FC_RNSC, CLT_FC_TRC3, CLT_FC_TRC2},
     59},
    {{CLT_FC_SOPT}, 43},
    {{CLT_FC_SINF}, 19},
    {{CLT_FC_SAUH}, 87},
    {{CLT_FC_JARI, CLT_FC_JARR, CLT_FC_JARU, CLT_FC_CLIN, CLT_FC_CLRP, CLT_FC_CLRM}, 31},
    {{CLT_FC_RENV}, 75},
    {{CLT_FC_EUTL}, 592},
    {{CLT_FC_ERLG}, 11},
    {{CLT_FC_CCMD}, 89},
};
constexpr int64_t kByCodeOther = 145;

bool in(int32_t fc, std::initializer_list<int32_t> codes) {
  return std::find(codes.begin(), codes.end(), fc) != codes.end();
}

// Conversion modes of PDCLTCNVMODE.
constexpr uint8_t kModeAuto = 1;
constexpr uint8_t kModeUtf8Txt = 8;
constexpr uint8_t kModeUtf8MsTxt = 9;
constexpr int64_t kConvertFactor = 3;

struct binding {
  rdb_sql_area* area;
  clt_main* main;
  clt_env* env;
  clt_global_data* ctx;
  int32_t fc;
  bool measure;        // character values are measured as converted
  bool array_convert;  // array rows grow by the conversion factor
  clt_type_env types;
};

bool level_at_least(const clt_main* main, uint32_t n) {
  return clt_srv_level_at_least(static_cast<uint32_t>(main->srv_level), n);
}

int32_t fail_count(const binding& b, const char* state, int32_t log_kind, const SQLDA* sqlda) {
  return clt_var_fail_count(b.area, kModule, __LINE__, state, log_kind, sqlda);
}

int32_t fail_address(const binding& b, int32_t number) {
  return clt_var_fail_address(b.area, kModule, __LINE__, number);
}

int32_t fail_type(const binding& b, int32_t number, int32_t kind, const SQLVAR& v) {
  return clt_var_fail_type(b.area, kModule, __LINE__, clt_dir::in, number, kind, &v);
}

int32_t fail_memory(const binding& b, int64_t size) {
  return clt_report(b.area, kModule, __LINE__, CLT_SQL_NO_MEMORY, CLT_SQLSTATE_DEFAULT, CLT_MSG_NO_MEMORY,
                    CLT_MEMORY_AREA_PROCESS, static_cast<uint32_t>(size));
}

// The length a text has after conversion through slot 1; when nothing can
// measure it, the most a conversion can make of it.
int64_t measured(const char* text, int64_t length) {
  if (length <= 0) return 0;
  int32_t n = static_cast<int32_t>(length);
  int32_t room = static_cast<int32_t>(kConvertFactor * n);
  int32_t result = 0;
  uint32_t replaced = 0;
  if (clt_cnv_convert(CLT_CNV_SLOT_CLIENT, &n, text, &room, nullptr, &result, &replaced, CLT_CNV_MEASURE) != 0) {
    return kConvertFactor * length;
  }
  return result;
}

int64_t text_length(const char* text, int64_t length, bool measure) { return measure ? measured(text, length) : length; }

int64_t round_even(int64_t n) { return (n + 1) / 2 * 2; }

uint16_t u16_at(const uint8_t* p) {
  uint16_t v;
  memcpy(&v, p, sizeof v);
  return v;
}

// The characters of a host value: up to its NUL for 0x30 (within its
// length), without trailing blanks for 0x32.
int64_t char_value_length(uint8_t code, const char* p, int32_t len) {
  if ((code & 0xFE) == CLT_T_CHAR_NUL) return static_cast<int64_t>(strnlen(p, static_cast<size_t>(len)));
  int64_t n = len;
  while (n > 0 && p[n - 1] == ' ') --n;
  return n;
}

// Bytes of one present plain value in the bound.
int64_t plain_bytes(const binding& b, const SQLVAR& v) {
  const clt_kind k = clt_kind_of(v.sqlcod);
  const int64_t len = clt_var_len(v);
  const auto* data = static_cast<const uint8_t*>(v.SQLDATA);
  const char* text = reinterpret_cast<const char*>(data);
  switch (k) {
    case clt_kind::char_nul:
    case clt_kind::char_pad:
      if (!b.measure) return len + 3;
      return std::max(len, measured(text, char_value_length(v.sqlcod, text, v.len.s.sqllen))) + 3;
    case clt_kind::varchar: {
      if (!b.measure) return len + 3;
      const int64_t n = std::min<int64_t>(u16_at(data), len);
      return std::max(len, measured(text + sizeof(uint16_t), n)) + 3;
    }
    case clt_kind::nvarchar: {
      if (!b.measure) return 2 * len + 3;
      const int64_t n = std::min<int64_t>(u16_at(data), len);
      return std::max(2 * len, measured(text + sizeof(uint16_t), 2 * n)) + 3;
    }
    case clt_kind::fixchar: return text_length(text, len, b.measure);
    case clt_kind::nfixchar: return text_length(text, 2 * len, b.measure);
    case clt_kind::bytes:
    case clt_kind::coded_var: return len;
    case clt_kind::packed8: return 5;
    case clt_kind::packed6:
    case clt_kind::coded4: return 4;
    case clt_kind::coded3: return 3;
    case clt_kind::lob:
    case clt_kind::lob_rsv: return len + 15;
    case clt_kind::handle: return 7;
    case clt_kind::int64: return 15;
    case clt_kind::int32: return 7;
    case clt_kind::int16: return 3;
    case clt_kind::decimal: return clt_decimal_size(v);
    case clt_kind::unknown: break;
  }
  return 0;
}

// Bytes of a present repetition value of n elements.
int64_t repetition_bytes(const binding& b, const SQLVAR& v, int64_t n) {
  const clt_kind k = clt_kind_of(v.sqlcod);
  const int64_t len = v.len.s.sqllen;
  const auto* data = static_cast<const uint8_t*>(v.SQLDATA) + sizeof(uint32_t);
  const auto* ind = static_cast<const uint8_t*>(v.SQLIND);
  // Element indicators follow the i32 indicator of the whole value.
  auto present = [&](int64_t i) {
    if (!clt_nullable(v.sqlcod)) return true;
    int16_t e;
    memcpy(&e, ind + sizeof(int32_t) + i * sizeof(int16_t), sizeof e);
    return e >= 0;
  };
  const int64_t factor = b.measure ? kConvertFactor : 1;
  int64_t sum = 7;
  switch (k) {
    case clt_kind::char_nul:
    case clt_kind::char_pad: {
      const int64_t stride = k == clt_kind::char_nul ? len + 1 : len;
      for (int64_t i = 0; i < n; ++i) {
        if (!present(i)) continue;
        const char* e = reinterpret_cast<const char*>(data + i * stride);
        sum += char_value_length(v.sqlcod, e, v.len.s.sqllen) * factor + 2;
      }
      return sum;
    }
    case clt_kind::varchar:
    case clt_kind::nvarchar: {
      const int64_t unit = k == clt_kind::nvarchar ? 2 : 1;
      for (int64_t i = 0; i < n; ++i) {
        if (present(i)) sum += unit * u16_at(data + i * v.len.s.SYS) * factor + 2;
      }
      return sum;
    }
    case clt_kind::fixchar: return len * n * factor + 7;
    case clt_kind::nfixchar: return 2 * len * n * factor + 7;
    case clt_kind::packed8: return 5 * n + 7;
    case clt_kind::packed6:
    case clt_kind::coded4:
    case clt_kind::int32: return 4 * n + 7;
    case clt_kind::coded3: return 3 * n + 7;
    case clt_kind::coded_var: return len * n + 7;
    case clt_kind::int64: return 8 * n + 7;
    case clt_kind::int16: return 2 * n + 7;
    case clt_kind::decimal: return clt_decimal_size(v) * n + 7;
    default: break;
  }
  return plain_bytes(b, v);
}

// One row of an array statement: its size S and alignment allowance A.
struct row_part {
  int64_t size;
  int64_t allowance;
};

row_part array_bytes(const binding& b, const SQLVAR& v) {
  const clt_kind k = clt_kind_of(v.sqlcod);
  const int64_t len = clt_var_len(v);
  const int64_t sys = v.len.s.SYS;
  switch (k) {
    case clt_kind::char_nul:
    case clt_kind::char_pad: {
      const int64_t s = round_even(len + 1) + 2;
      return {b.array_convert ? kConvertFactor * s - 4 : s, 1};
    }
    case clt_kind::varchar:
    case clt_kind::nvarchar: {
      // Without an element size the row holds the value in its natural form.
      const int64_t natural = (k == clt_kind::nvarchar ? 2 * len : len) + 2;
      const int64_t s = std::max(sys, natural);
      return {b.array_convert ? kConvertFactor * s - 4 : s, 1};
    }
    case clt_kind::fixchar: return {b.array_convert ? kConvertFactor * len : len, 0};
    case clt_kind::nfixchar: return {b.array_convert ? 2 * kConvertFactor * len : 2 * len, 0};
    case clt_kind::lob: return {(len + 15) / 8 * 8 + 7, 0};
    case clt_kind::handle:
    case clt_kind::int32: return {4, 3};
    case clt_kind::int64: return {8, 7};
    case clt_kind::int16: return {2, 1};
    default: break;
  }
  return {plain_bytes(b, v), 0};
}

struct list_sum {
  int64_t bytes = 0;
  int64_t row_sum = 0;
  int64_t allowance = 0;
  int64_t var_columns = 0;
};

int32_t indicator32(const void* p) {
  int32_t v;
  memcpy(&v, p, sizeof v);
  return v;
}

// Checks variable i (1-based number i + 1) and adds its bytes.
int32_t bind_variable(const binding& b, const SQLDA* sqlda, const void* csna, int32_t i, bool array, list_sum* sum) {
  const SQLVAR& v = sqlda->sqlvar[i];
  const int32_t number = i + 1;
  const clt_kind k = clt_kind_of(v.sqlcod);
  if (v.SQLDATA == nullptr) return fail_address(b, number);
  if (v.XDIM < 1 || v.XDIM > CLT_XDIM_MAX) return fail_type(b, number, CLT_VAR_LENGTH, v);
  const bool repetition = clt_repetition(v);
  bool null_value = false;
  if (clt_nullable(v.sqlcod)) {
    if (v.SQLIND == nullptr) return fail_address(b, number);
    const bool inspect = !array || k == clt_kind::lob_rsv;
    if (inspect) {
      int16_t narrow;
      memcpy(&narrow, v.SQLIND, sizeof narrow);
      null_value = repetition || clt_wide_indicator(k) ? indicator32(v.SQLIND) < 0 : narrow < 0;
    }
  }
  int64_t elements = 0;
  if (repetition && !null_value) {
    uint32_t count;
    memcpy(&count, v.SQLDATA, sizeof count);
    if (count > static_cast<uint32_t>(v.XDIM)) return fail_type(b, number, CLT_VAR_LENGTH, v);
    elements = count;
  }
  if (clt_csna_names(csna, i) && !clt_csna_allowed(v.sqlcod, clt_dir::in)) {
    return fail_type(b, number, CLT_VAR_REAL_LENGTH, v);
  }
  // A NULL large object with a reserved word is not sized, so its length
  // does not matter.
  const bool sized = !null_value || !level_at_least(b.main, kLevelNullSized);
  if (sized || k != clt_kind::lob_rsv) {
    const clt_var_fault fault = clt_type_rule(v, clt_dir::in, b.types);
    if (fault != CLT_VAR_OK) return fail_type(b, number, fault, v);
  }
  if (clt_long_length(k) && sum->bytes + clt_var_len(v) + 15 > CLT_SIZE_MAX) return fail_memory(b, CLT_SIZE_MAX);

  if (array) {
    if (clt_nullable(v.sqlcod)) {
      const bool wide = clt_wide_indicator(k);
      sum->row_sum += wide ? 4 : 2;
      sum->allowance += wide ? 3 : 1;
    }
    const row_part r = array_bytes(b, v);
    sum->row_sum += r.size;
    sum->allowance += r.allowance;
    if (clt_var_column(k) || k == clt_kind::lob) ++sum->var_columns;
    return 0;
  }
  if (clt_nullable(v.sqlcod)) {
    if (repetition) {
      sum->bytes += null_value ? 7 : 2 * static_cast<int64_t>(v.XDIM) + 7;
    } else {
      sum->bytes += clt_wide_indicator(k) ? 7 : 3;
    }
  }
  if (null_value && sized && repetition) {
    // Sized like a present value: every element counts.
    elements = v.XDIM;
  }
  if (null_value && !sized) return 0;
  sum->bytes += repetition ? repetition_bytes(b, v, elements) : plain_bytes(b, v);
  return 0;
}

int32_t check_sqln(const binding& b, const SQLDA* sqlda) { return clt_var_check_sqln(b.area, kModule, sqlda); }
int32_t check_sqld(const binding& b, const SQLDA* sqlda) { return clt_var_check_sqld(b.area, kModule, sqlda); }

bool is_array_statement(const binding& b) {
  constexpr int16_t kArrayLayout = 0x0700;
  return in(b.fc, {CLT_FC_AUI2, CLT_FC_AUX}) && b.area->version >= kArrayLayout && b.area->arycount >= CLT_MULTIPLE;
}

int32_t bind_list(const binding& b, const SQLDA* sqlda, const void* csna, int32_t first, bool array,
                  int64_t* total);

// The USING list in the first SQLDA.
int32_t bind_using(const binding& b, int64_t* total) {
  const SQLDA* sqlda = b.area->sqliasda;
  if (sqlda == nullptr) return 0;
  if (check_sqln(b, sqlda) != 0) return -1;
  if (in(b.fc, {CLT_FC_FETC, CLT_FC_RSFT})) {
    if (check_sqld(b, sqlda) != 0) return -1;
    // The INTO list's description goes with a FETCH whose description
    // changed; the bound always leaves room for it.
    *total += CLT_WIRE_SQLVAR * sqlda->sqld + CLT_WIRE_LIST_HEAD;
    return 0;
  }
  if (in(b.fc, {CLT_FC_DESC, CLT_FC_HVAR, CLT_FC_RSDC})) {
    *total += kDescribeTarget;
    return 0;
  }
  if (!in(b.fc, {CLT_FC_AUI2, CLT_FC_OPEN, CLT_FC_OPN2, CLT_FC_AUX, CLT_FC_AUXI, CLT_FC_OPNR, CLT_FC_AUXO,
                 CLT_FC_CALL, CLT_FC_GETD, CLT_FC_DEST, CLT_FC_AUI3})) {
    return 0;
  }
  const void* csna = level_at_least(b.main, kLevelAudit) ? b.area->sqlcsna1 : nullptr;
  const int32_t first = b.fc == CLT_FC_AUI2 ? std::max<int32_t>(0, b.area->outcount) : 0;
  return bind_list(b, sqlda, csna, first, is_array_statement(b), total);
}

// A USING list: checked, its variables from `first` on measured.
int32_t bind_list(const binding& b, const SQLDA* sqlda, const void* csna, int32_t first, bool array,
                  int64_t* total) {
  // DEST's walk is held to sqln as well: beyond it lies no variable.
  if (check_sqld(b, sqlda) != 0) return -1;
  *total += b.fc == CLT_FC_DEST ? kDestUsing : CLT_WIRE_SQLVAR * sqlda->sqld + CLT_WIRE_LIST_HEAD;
  list_sum sum;
  sum.bytes = *total;
  for (int32_t i = first; i < sqlda->sqld; ++i) {
    if (bind_variable(b, sqlda, csna, i, array, &sum) != 0) return -1;
  }
  if (array) {
    const int64_t rows = b.area->arycount;
    sum.bytes += sum.row_sum * rows + (4 * rows + 3) * sum.var_columns + sum.allowance;
  }
  *total = sum.bytes;
  return 0;
}

// The second SQLDA, an INTO list that is counted only.
int32_t count_second(const binding& b, int64_t* total) {
  const SQLDA* sqlda = b.area->sqliasda2;
  if (sqlda == nullptr || !in(b.fc, {CLT_FC_AUX, CLT_FC_AUXI, CLT_FC_AUXO, CLT_FC_CALL, CLT_FC_GETD, CLT_FC_AUI3})) {
    return 0;
  }
  if (check_sqln(b, sqlda) != 0 || check_sqld(b, sqlda) != 0) return -1;
  *total += CLT_WIRE_SQLVAR * sqlda->sqld + CLT_WIRE_LIST_HEAD;
  return 0;
}

int32_t count_csna(const binding& b, const void* csna, bool check_used, int64_t* total) {
  const int16_t codes = clt_csna_count(csna, CLT_CSNA_CODES);
  if (codes < 0 || codes > CLT_SQLDA_MAX_VARS) return fail_count(b, CLT_SQLSTATE_SQLN, 0, nullptr);
  const int16_t used = clt_csna_count(csna, CLT_CSNA_CODES_USED);
  if (check_used && (used < 0 || used > CLT_SQLDA_MAX_VARS || used > codes)) {
    return fail_count(b, CLT_SQLSTATE_VAR_COUNT, 0, nullptr);
  }
  if (in(b.fc, {CLT_FC_DESC, CLT_FC_HVAR, CLT_FC_RSDC})) {
    *total += kCsnaDescribe;
  } else {
    const int64_t names = std::max<int16_t>(0, clt_csna_count(csna, CLT_CSNA_NAMES_USED));
    *total += CLT_WIRE_CSNA_NAME * names + 2 * std::max<int16_t>(0, used) + CLT_WIRE_CSNA_HEAD;
  }
  return 0;
}

// The SQLCSNA parts of both lists.
int32_t count_csnas(const binding& b, int64_t* total) {
  if (!level_at_least(b.main, kLevelAudit)) return 0;
  const bool first_list = in(b.fc, {CLT_FC_FETC, CLT_FC_AUI2, CLT_FC_OPEN, CLT_FC_OPN2, CLT_FC_AUX, CLT_FC_AUXI,
                                    CLT_FC_DESC, CLT_FC_OPNR, CLT_FC_AUXO, CLT_FC_HVAR, CLT_FC_CALL, CLT_FC_GETD,
                                    CLT_FC_DEST, CLT_FC_RSDC, CLT_FC_RSFT, CLT_FC_AUI3});
  const bool check_used = in(b.fc, {CLT_FC_FETC, CLT_FC_AUI2, CLT_FC_OPEN, CLT_FC_OPN2, CLT_FC_AUX, CLT_FC_AUXI,
                                    CLT_FC_OPNR, CLT_FC_AUXO, CLT_FC_CALL, CLT_FC_GETD, CLT_FC_RSFT, CLT_FC_AUI3});
  if (first_list && b.area->sqlcsna1 != nullptr && count_csna(b, b.area->sqlcsna1, check_used, total) != 0) return -1;
  const bool second_list = in(b.fc, {CLT_FC_AUX, CLT_FC_AUXI, CLT_FC_AUXO, CLT_FC_CALL, CLT_FC_GETD, CLT_FC_AUI3});
  if (second_list && b.area->sqlcsna2 != nullptr && count_csna(b, b.area->sqlcsna2, true, total) != 0) return -1;
  return 0;
}

// The OPEN that a FETCH carries: its cursor was opened without the
// server, and the list keeps that OPEN's block, variables and names.
int32_t bind_deferred(const binding& b, int64_t* total) {
  if (b.fc != CLT_FC_FETC || b.env->pdcursorlvl != '2' || !clt_cursor_list_kept(b.main, b.env) ||
      clt_runtime(clt_runtime_op::loc_find, b.area) != 0) {
    return 0;
  }
  const auto* e = static_cast<const clt_loc_entry*>(b.main->loc_current);
  if (e->open != 'Y' || e->fetched != 'N') return 0;
  if (e->open_block != nullptr) {
    int32_t length = 0;
    memcpy(&length, e->open_block, sizeof length);
    const char* text = reinterpret_cast<const char*>(e->open_block) + sizeof length;
    *total += text_length(text, std::max<int32_t>(0, length), b.measure) + kElement;
  }
  if (e->vars != nullptr) {
    const void* csna = level_at_least(b.main, kLevelAudit) ? e->csna : nullptr;
    if (check_sqln(b, e->vars) != 0 || bind_list(b, e->vars, csna, 0, false, total) != 0) return -1;
  }
  if (level_at_least(b.main, kLevelAudit) && e->csna != nullptr && count_csna(b, e->csna, true, total) != 0) {
    return -1;
  }
  return 0;
}

bool is_jar(int32_t fc) {
  return in(fc, {CLT_FC_JARI, CLT_FC_JARR, CLT_FC_JARU, CLT_FC_CLIN, CLT_FC_CLRP, CLT_FC_CLRM});
}

// Steps 2 and 3: the request's fixed parts, names and texts.
int64_t fixed_part(const binding& b) {
  const int32_t fc = b.fc;
  const rdb_sql_area* area = b.area;
  int64_t total = is_jar(fc) ? kBaseJar : kBase;
  if (fc == CLT_FC_CNCT && b.env->dcservice[0] != '\0') {
    total += static_cast<int64_t>(strnlen(b.env->dcservice, sizeof b.env->dcservice)) + kElement;
  }
  total += kHead;
  if (area->extcursname != nullptr && in(fc, {CLT_FC_FETC, CLT_FC_AUI2, CLT_FC_OPEN, CLT_FC_CLOS, CLT_FC_DESC})) {
    total += kExtName;
  }
  if (area->extstmtname != nullptr &&
      in(fc, {CLT_FC_SET, CLT_FC_AUX, CLT_FC_DESC, CLT_FC_AUXO, CLT_FC_HVAR, CLT_FC_DEST, CLT_FC_DSET})) {
    total += kExtName;
  }
  if (fc == CLT_FC_ALCR) {
    total += kExtName;
    if (area->extstmtname != nullptr) total += kExtName;
    if (area->name49b != nullptr) total += area->name49a != nullptr ? 2 * kAlcrFourth : kAlcrFourth;
  }
  if (level_at_least(b.main, kLevelAudit)) {
    for (const clt_audit_item& item : b.ctx->audit) total += item.set == 1 ? kAuditShort : 0;
    if (b.ctx->audit_long.set == 1) total += kAuditLong;
  }
  int64_t by_code = kByCodeOther;
  for (const code_bytes& c : kByCode) {
    if (in(fc, c.codes)) by_code = c.bytes;
  }
  total += by_code;
  if (in(fc, {CLT_FC_RNCN, CLT_FC_RNDS, CLT_FC_RNSC, CLT_FC_AUI2, CLT_FC_OPN2, CLT_FC_CALL})) total += kRdnodePart;

  const rdb_sql_text* text = area->sqltext;
  if (text != nullptr && in(fc, {CLT_FC_AUI2, CLT_FC_SET, CLT_FC_OPN2, CLT_FC_AUXI, CLT_FC_CALL, CLT_FC_GETD,
                                 CLT_FC_AUI3})) {
    total += text_length(text->text, std::max<int32_t>(0, text->length), b.measure) + kElement;
  }
  if (is_jar(fc)) {
    const clt_req_conn* req = clt_main_req(b.main);
    if (req->jar_name != nullptr) total += text_length(req->jar_name, req->jar_name_len, b.measure) + kElement;
    if (in(fc, {CLT_FC_JARI, CLT_FC_JARR, CLT_FC_CLIN, CLT_FC_CLRP})) total += kJarTransferUnit + 3;
  }
  return total;
}

}  // namespace

uint32_t clt_grow_buffer(uint8_t** buffer, uint32_t* size, uint32_t need, const char* module, int32_t line) {
  if (*buffer != nullptr && *size >= need) return 0;
  const uint64_t rounded = (static_cast<uint64_t>(need) + kBufferStep - 1) / kBufferStep * kBufferStep;
  if (*buffer != nullptr) cltmem_free(*buffer, module, line);
  *buffer = nullptr;
  *size = 0;
  *buffer = static_cast<uint8_t*>(cltmem_alloc(static_cast<uint32_t>(rounded), 0, module, line));
  if (*buffer == nullptr) return static_cast<uint32_t>(rounded);
  *size = static_cast<uint32_t>(rounded);
  return 0;
}

int32_t clt_bind_input(rdb_sql_area* area) {
  clt_global_data* ctx = clt_cur();
  clt_main* main = ctx->main;
  clt_env* env = clt_main_env(main);
  const uint8_t mode = env->pdcltcnvmode;
  binding b{area,
            main,
            env,
            ctx,
            main->funccode,
            mode > kModeAuto,
            mode > kModeAuto && mode != kModeUtf8Txt && mode != kModeUtf8MsTxt,
            clt_type_env_of(main->byteorder, env->pdsrvtype, main->srv_codeset)};
  int64_t total = fixed_part(b);
  if (bind_using(b, &total) != 0 || bind_deferred(b, &total) != 0 || count_second(b, &total) != 0 ||
      count_csnas(b, &total) != 0) {
    return -1;
  }
  if (total > CLT_SIZE_MAX) return fail_memory(b, total);

  clt_com_conn* com = clt_main_com(main);
  const bool replaced = ctx->runtime.req_buf == nullptr || com->req_buf_size < total;
  const uint32_t failed = clt_grow_buffer(&ctx->runtime.req_buf, &com->req_buf_size, static_cast<uint32_t>(total),
                                          kModule, __LINE__);
  if (replaced) ctx->runtime.cur_req = nullptr;
  if (failed != 0) return fail_memory(b, failed);
  com->req_len = static_cast<uint32_t>(total);
  return 0;
}

int32_t clt_var_fail_count(rdb_sql_area* area, const char* module, int32_t line, const char* state,
                           int32_t log_kind, const SQLDA* sqlda) {
  clt_report(area, module, line, CLT_SQL_VARIABLE_COUNT, state, "%s", CLT_MSG_VARIABLE_COUNT);
  if (sqlda != nullptr) clt_errlog_sqlda(log_kind, sqlda);
  return -1;
}

int32_t clt_var_check_sqln(rdb_sql_area* area, const char* module, const SQLDA* sqlda) {
  if (sqlda->sqln < 0 || sqlda->sqln > CLT_SQLDA_MAX_VARS)
    return clt_var_fail_count(area, module, __LINE__, CLT_SQLSTATE_SQLN, CLT_LOG_SQLN, sqlda);
  return 0;
}

int32_t clt_var_check_sqld(rdb_sql_area* area, const char* module, const SQLDA* sqlda) {
  if (sqlda->sqld < 0 || sqlda->sqld > CLT_SQLDA_MAX_VARS || sqlda->sqld > sqlda->sqln)
    return clt_var_fail_count(area, module, __LINE__, CLT_SQLSTATE_VAR_COUNT, CLT_LOG_SQLD, sqlda);
  return 0;
}

int32_t clt_var_fail_address(rdb_sql_area* area, const char* module, int32_t line, int32_t number) {
  return clt_report(area, module, line, CLT_SQL_VARIABLE_ADDRESS, CLT_SQLSTATE_DEFAULT,
                    CLT_MSG_VARIABLE_ADDRESS, number);
}

int32_t clt_var_fail_type(rdb_sql_area* area, const char* module, int32_t line, clt_dir dir, int32_t number,
                          int32_t log_kind, const SQLVAR* var) {
  const bool in = dir == clt_dir::in;
  clt_report(area, module, line, CLT_SQL_VARIABLE_TYPE, in ? CLT_SQLSTATE_VAR_TYPE : CLT_SQLSTATE_OUT_VAR,
             CLT_MSG_VARIABLE_TYPE, number, in ? "(using)" : "(into)");
  clt_errlog_sqlvar(log_kind, number, var);
  return -1;
}
