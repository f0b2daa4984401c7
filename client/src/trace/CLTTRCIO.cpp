#include "CLTTRCIO.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "CLTCOMCTX.h"
#include "clt_sqltrc_buf.h"
#include "CLTTRCSV.h"

namespace {

constexpr size_t kCode = 4;
constexpr size_t kLineBytes = 16;
constexpr size_t kHexCell = 3;
constexpr int kScalarIndent = 18;
constexpr int kElementIndent = 25;
constexpr char kParam = 'Y', kIn = 'I', kOut = 'O', kInOut = 'T', kNone = 'N';
constexpr uint8_t kTermNone = 2;  // host strings without a terminator

const char* const kInputCodes[] = {"OPEN", "OPN2", "AUI2", "AUX ", "AUXI", "OPNR", "CALL", "GETD", "AUI3", "EUTL", "AUXO"};
const char* const kOutputCodes[] = {"AUXO", "AUI3", "AUX ", "AUXI", "CALL", "GETD"};

bool code_in(const rdb_sql_area* area, const char* const* codes, size_t count) {
  return std::any_of(codes, codes + count, [&](const char* c) { return memcmp(area->reqcode, c, kCode) == 0; });
}
bool code_is(const rdb_sql_area* area, const char* code) { return memcmp(area->reqcode, code, kCode) == 0; }

// Type codes.
bool is_lob_len(uint8_t t) { return t >= 0x90 && t <= 0x99; }
bool is_lob_prefixed(uint8_t t) { return t == 0x90 || t == 0x91; }
bool is_lob_locator(uint8_t t) { return t == 0x92 || t == 0x93 || t == 0x98 || t == 0x99; }
bool is_varying(uint8_t t) { return t == 0xA0 || t == 0xA1 || t == 0xC0 || t == 0xC1; }
bool is_national_varying(uint8_t t) { return t == 0xB0 || t == 0xB1; }
bool is_national_fixed(uint8_t t) { return t == 0xB4 || t == 0xB5; }
bool is_packed(uint8_t t) { return t == 0x64 || t == 0x65 || t == 0x6E || t == 0x6F || t == 0xE4 || t == 0xE5; }
bool is_zoned_signed(uint8_t t) { return t == 0xEA || t == 0xEB; }
bool is_zoned(uint8_t t) { return t == 0xEC || t == 0xED; }
bool is_decimal(uint8_t t) { return is_packed(t) || is_zoned_signed(t) || is_zoned(t); }
bool is_terminated(uint8_t t) {
  return t == 0x30 || t == 0x31 || t == 0xA4 || t == 0xA5 || t == 0xB4 || t == 0xB5 || t == 0xC4 || t == 0xC5;
}
bool is_time3(uint8_t t) { return t == 0x78 || t == 0x79; }
constexpr uint32_t kLobPrefix = 4, kLocatorPrefix = 8, kVaryingPrefix = 2, kNationalChar = 2;

uint32_t read32(const void* p) {
  uint32_t v = 0;
  memcpy(&v, p, sizeof v);
  return v;
}
uint16_t read16(const void* p) {
  uint16_t v = 0;
  memcpy(&v, p, sizeof v);
  return v;
}

// One pass of dumps over a range of a descriptor.
struct pass {
  const SQLDA* da;
  int first;
  int count;
  const char* label;
};

class dumper {
 public:
  // Appends to the record at `at`; the record never grows past the text area.
  size_t add(size_t at, const char* format, ...) const __attribute__((format(printf, 3, 4))) {
    if (at + 1 >= b_->text_size) return at;
    va_list args;
    va_start(args, format);
    const int n = vsnprintf(b_->text + at, b_->text_size - at, format, args);
    va_end(args);
    return n < 0 ? at : std::min<size_t>(at + static_cast<size_t>(n), b_->text_size - 1);
  }

  dumper(clt_sqltrc_buf* b, clt_main* main, const rdb_sql_area* area, const bool want[2])
      : b_(b), area_(area), want_(want) {
    const clt_env* env = clt_main_env(main);
    mode_ = env->pdprmtrc;
    limit_ = static_cast<uint32_t>(std::max(env->pdprmtrcsize, 0));
    zum4_ = env->pdsrvtype == CLT_SRVTYPE_ZUM4;
    ucs2_ = env->pdcltcnvmode >= CLT_CNV_UCS2_FIRST && env->pdcltcnvmode <= CLT_CNV_UCS2_LAST;
  }

  void run(const pass& p, int32_t array_count) {
    if (p.da == nullptr) return;
    row_written_ = false;
    const int last = std::min<int>(p.first + p.count, std::max<int16_t>(p.da->sqld, 0));
    for (int i = p.first; i < last; ++i) {
      const SQLVAR& v = p.da->sqlvar[i];
      if (array_count > 0) {
        array_variable(p, i + 1, v, array_count);
      } else if (v.XDIM > 1) {
        repeated_variable(p, i + 1, v);
      } else {
        scalar(p, i + 1, v);
      }
    }
  }

 private:
  bool full() const { return mode_ == kParam; }

  // Bytes that a value of the type takes in the host array.
  uint32_t element_size(const SQLVAR& v) const {
    const uint8_t t = v.sqlcod;
    uint32_t size = 0;
    if (is_lob_prefixed(t)) return kLobPrefix + v.len.sqllen32;
    if (is_lob_locator(t)) return kLocatorPrefix + v.len.sqllen32;
    if (is_lob_len(t)) return v.len.sqllen32;
    const uint32_t len = static_cast<uint32_t>(std::max<int16_t>(v.len.s.sqllen, 0));
    if (is_decimal(t)) {
      size = decimal_bytes(v);
    } else if (is_varying(t)) {
      size = len + kVaryingPrefix;
    } else if (is_national_varying(t)) {
      size = len * kNationalChar + kVaryingPrefix;
    } else if (is_national_fixed(t)) {
      size = len * kNationalChar;
    } else {
      size = len;
    }
    if (is_terminated(t) && area_->termbyte != kTermNone) size += ucs2_ ? 2 : 1;
    return size;
  }

  uint32_t decimal_bytes(const SQLVAR& v) const {
    const uint32_t precision = v.len.d.sqlprcsn;
    if (is_packed(v.sqlcod)) return (precision + 2) / 2;
    if (is_zoned_signed(v.sqlcod)) return precision + 1;
    return precision;
  }

  // The bytes of one value at `data` (declared `declared`): the used length where a prefix tells it.
  uint32_t bytes_of(const SQLVAR& v, const uint8_t* data) const {
    const uint8_t t = v.sqlcod;
    uint32_t declared = 0;
    uint32_t used = 0;
    if (is_lob_prefixed(t)) {
      declared = v.len.sqllen32;
      used = std::min(read32(data), declared);
      return clip((full() ? declared : used) + kLobPrefix);
    }
    if (is_lob_locator(t)) {
      declared = v.len.sqllen32;
      used = std::min(read32(data + sizeof(uint32_t)), declared);
      return clip((full() ? declared : used) + kLocatorPrefix);
    }
    if (is_lob_len(t)) return clip(v.len.sqllen32);
    const uint32_t len = static_cast<uint32_t>(std::max<int16_t>(v.len.s.sqllen, 0));
    if (is_varying(t)) {
      used = std::min<uint32_t>(read16(data), len);
      return clip((full() ? len : used) + kVaryingPrefix);
    }
    if (is_national_varying(t)) {
      used = std::min<uint32_t>(read16(data), len);
      return clip((full() ? len : used) * kNationalChar + kVaryingPrefix);
    }
    if (is_national_fixed(t)) return clip(len * kNationalChar);
    if (is_decimal(t)) return clip(decimal_bytes(v));
    if (is_time3(t) && zum4_) return clip(3);
    return clip(len);
  }
  uint32_t clip(uint32_t n) const { return std::min(n, limit_); }

  int32_t shown_length(const SQLVAR& v) const {
    if (is_lob_len(v.sqlcod)) return static_cast<int32_t>(v.len.sqllen32);
    if (is_time3(v.sqlcod) && zum4_) return 3;
    return v.len.s.sqllen;
  }

  // The header's first line (80 characters).
  size_t first_line(const pass& p, int number, const SQLVAR& v, int32_t indicator) const {
    const int sys = is_lob_len(v.sqlcod) ? 0 : v.len.s.SYS;
    if (is_decimal(v.sqlcod)) {
      return add(0, "     %s NO=%5d COD=%2x XDIM=%5d SYS=%5d LEN=%7d,%2d IND=%10d\n", p.label, number, v.sqlcod,
                 v.XDIM, sys, v.len.d.sqlprcsn, v.len.d.sqlscale, static_cast<int>(indicator));
    }
    return add(0, "     %s NO=%5d COD=%2x XDIM=%5d SYS=%5d LEN=%10d IND=%10d\n", p.label, number, v.sqlcod, v.XDIM,
               sys, static_cast<int>(shown_length(v)), static_cast<int>(indicator));
  }

  // Dump lines of n bytes; the first follows what is already there.
  size_t lines(size_t at, const uint8_t* data, uint32_t n, int indent) const {
    int same = 0;
    auto flush_same = [&] {
      if (same > 0) at = add(at, "%*s--- SAME %d LINES ---\n", indent, "", same);
      same = 0;
    };
    for (uint32_t off = 0; off < n; off += kLineBytes) {
      const uint32_t len = std::min<uint32_t>(kLineBytes, n - off);
      if (!full() && off > 0 && len == kLineBytes && memcmp(data + off, data + off - kLineBytes, kLineBytes) == 0) {
        ++same;
        continue;
      }
      flush_same();
      char hex[kLineBytes * kHexCell + 1] = "";
      char chars[kLineBytes + 1] = "";
      for (uint32_t i = 0; i < len; ++i) chars[i] = clt_hexdump_char(data[off + i], hex + i * kHexCell);
      chars[len] = '\0';
      at = add(at, "%*s%-48s  *%-16s*\n", off == 0 ? 0 : indent, "", hex, chars);
    }
    flush_same();
    return at;
  }

  void emit(size_t length) { clt_sqltrc_emit(b_->text, static_cast<uint32_t>(length), want_); }

  // The value's dump lines after what the record holds, or a line feed
  // for NULL or nothing to show; then the record goes out.
  void value_and_emit(size_t at, const SQLVAR& v, const uint8_t* data, int32_t ind, int indent) {
    const uint32_t n = ind < 0 || data == nullptr ? 0 : bytes_of(v, data);
    emit(n == 0 ? add(at, "\n") : lines(at, data, n, indent));
  }

  int32_t indicator_of(const SQLVAR& v) const {
    if (v.SQLIND == nullptr) return 0;
    return is_lob_prefixed(v.sqlcod) ? static_cast<int32_t>(read32(v.SQLIND)) : static_cast<int16_t>(read16(v.SQLIND));
  }

  void scalar(const pass& p, int number, const SQLVAR& v) {
    const int32_t ind = indicator_of(v);
    size_t at = first_line(p, number, v, ind);
    at = add(at, "             DATA=");
    value_and_emit(at, v, static_cast<const uint8_t*>(v.SQLDATA), ind, kScalarIndent);
  }

  void array_header(const pass& p, int number, const SQLVAR& v, int32_t count) {
    size_t at = first_line(p, number, v, 0);
    if (full()) at = add(at, "             ARRAY NUM=%5d\n", count);
    emit(at);
  }

  void element(const SQLVAR& v, const uint8_t* data, int32_t ind, int k) {
    value_and_emit(add(0, "       %5d DATA(%5d)=", static_cast<int>(ind), k), v, data, ind, kElementIndent);
  }

  void array_variable(const pass& p, int number, const SQLVAR& v, int32_t count) {
    if (!full() && !row_written_) {
      emit(add(0, "     *ROW NUM = %d*\n", static_cast<int>(count)));
      row_written_ = true;
    }
    array_header(p, number, v, count);
    const auto* data = static_cast<const uint8_t*>(v.SQLDATA);
    const uint32_t size = element_size(v);
    const bool indicators = (v.sqlcod & 1) != 0 && v.SQLIND != nullptr;
    const bool wide = is_lob_prefixed(v.sqlcod);
    for (int32_t k = 0; k < count; ++k) {
      int32_t ind = 0;
      if (indicators) {
        const auto* at = static_cast<const uint8_t*>(v.SQLIND) + k * (wide ? sizeof(int32_t) : sizeof(int16_t));
        ind = wide ? static_cast<int32_t>(read32(at)) : static_cast<int16_t>(read16(at));
      }
      element(v, data != nullptr ? data + static_cast<size_t>(k) * size : nullptr, ind, k);
    }
  }

  void repeated_variable(const pass& p, int number, const SQLVAR& v) {
    const auto* data = static_cast<const uint8_t*>(v.SQLDATA);
    const auto* ind = static_cast<const uint8_t*>(v.SQLIND);
    const int32_t whole = ind != nullptr ? static_cast<int32_t>(read32(ind)) : 0;
    size_t at = first_line(p, number, v, whole);
    if (whole < 0 || data == nullptr) {
      at = add(at, "             DATA=\n");
      emit(at);
      return;
    }
    const int32_t count = std::clamp<int32_t>(static_cast<int32_t>(read32(data)), 0, v.XDIM);
    at = add(at, "             ARRAY NUM=%5d\n", count);
    emit(at);
    const uint8_t t = v.sqlcod;
    const uint32_t stride = (is_varying(t) || is_national_varying(t)) && v.len.s.SYS != 0 ? v.len.s.SYS : element_size(v);
    const uint8_t* first = data + sizeof(uint32_t);
    for (int32_t k = 0; k < count; ++k) {
      const int32_t e = ind != nullptr ? static_cast<int16_t>(read16(ind + sizeof(int32_t) + k * sizeof(int16_t))) : 0;
      element(v, first + static_cast<size_t>(k) * stride, e, k);
    }
  }

  clt_sqltrc_buf* b_;
  const rdb_sql_area* area_;
  const bool* want_;
  char mode_ = kNone;
  uint32_t limit_ = 0;
  bool zum4_ = false;
  bool ucs2_ = false;
  bool row_written_ = false;
};

}  // namespace

void clt_sqltrc_dump_variables(clt_sqltrc_buf* b, clt_main* main, const rdb_sql_area* area, const bool want[2]) {
  const char mode = clt_main_env(main)->pdprmtrc;
  if (mode == kNone || mode == '\0') return;
  memset(b->text, ' ', b->text_size);
  dumper d(b, main, area, want);
  const bool fetch = code_is(area, "FETC") || code_is(area, "RSFT");
  const bool array_fetch = fetch && area->fetchrows > 1;
  // The reply analysis keeps the row count of an array statement.
  const bool array_statement = (code_is(area, "AUI2") || code_is(area, "AUX ")) && main->ary_count > 0;
  const int32_t input_count = array_statement ? area->arycount : 0;
  constexpr int kAll = 1 << 15;
  const char* in_label = mode == kParam ? "*PARAM*" : "*INPRM*";
  const pass in{area->sqliasda, 0, kAll, in_label};

  if (code_is(area, "AUI2") && area->outcount != 0) {
    const int outs = area->outcount;
    const pass outputs{area->sqliasda, 0, outs, "*OUTPM*"};
    const pass inputs{area->sqliasda, outs, kAll, "*INPRM*"};
    if (mode == kParam) d.run(in, input_count);
    if (mode == kOut || mode == kInOut) d.run(outputs, input_count);
    if (mode == kIn || mode == kInOut) d.run(inputs, input_count);
    return;
  }
  const bool has_input = code_in(area, kInputCodes, std::size(kInputCodes));
  if (has_input && mode != kOut) d.run(in, input_count);
  if (mode != kOut && mode != kInOut) return;
  if (fetch) {
    if (array_fetch) {
      d.run({area->sqliasda, 0, kAll, "*OUTPM*"}, main->array_rows);
    } else if (area->sqlca->SQLCODE == 0) {
      d.run({area->sqliasda, 0, kAll, "*OUTPM*"}, 0);
    }
  } else if (code_in(area, kOutputCodes, std::size(kOutputCodes))) {
    d.run({area->sqliasda2, 0, kAll, "*OUTPM*"}, input_count);
  }
}
