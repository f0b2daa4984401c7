#include "cltsqlaa.h"

#include <algorithm>

#include "CLTCOMCTX.h"
#include "CLTRPCPR.h"
#include "CLTSQLAG.h"
#include "CLTSQLDA.h"
#include "CLTUTL.h"
#include "zk_codes.h"

namespace {

constexpr const char* kModule = "cltsqlaa";

// Body directory and status part.
constexpr uint32_t kBodyStatus = 8;
constexpr uint32_t kStatusRows = 14;
// A row record of conversion variant 5: the next record, the row's value
// offsets, then the indicators of its nullable columns.
constexpr uint32_t kRecordNext = 0;
constexpr uint32_t kRecordValues = 4;
constexpr uint32_t kRecordIndicators = 8;

constexpr uint32_t kLevelLongBinary = 20;  // 0x90 values above 32000 bytes
constexpr uint32_t kLongBinary = 32000;
constexpr uint32_t kLobHead = 2 * sizeof(uint32_t);  // a word not used, the length
constexpr uint8_t kFlagAddress = 0x01;
constexpr uint8_t kOddBit = 0x01;

enum class step { ok, failed, stop };

struct column_desc {
  uint8_t code;   // even form
  bool nullable;  // the reply's code is odd
  int16_t length;
  uint8_t precision;
  uint8_t scale;
  uint16_t step;  // between rows of 0x44 and the fixed character codes
  uint32_t length32;
  uint32_t value;
  uint32_t indicator;
};

bool varchar_code(uint8_t c) {
  return c == CLT_T_VARCHAR || c == CLT_T_VARCHAR2 || c == CLT_T_MVARCHAR || c == CLT_T_MVARCHAR2;
}
bool nvarchar_code(uint8_t c) { return c == CLT_T_NVARCHAR || c == CLT_T_NVARCHAR2; }
// Values found through a table of offsets, one per row.
bool varying_code(uint8_t c) { return varchar_code(c) || nvarchar_code(c) || c == CLT_T_LOB; }
// Values the descriptor's step apart.
bool stepped_code(uint8_t c) {
  return c == CLT_T_BYTES || c == CLT_T_FIXCHAR || c == CLT_T_MFIXCHAR || c == CLT_T_NFIXCHAR;
}
bool packed_host(uint8_t host) { return (host & 0xFC) == CLT_T_DECIMAL; }
bool text_host(uint8_t host) { return (host & 0xFE) == CLT_T_DEC_TEXT || (host & 0xFE) == CLT_T_ZONED; }
// Reply codes 0x91, 0x95, 0x9B and 0x9F come with i32 indicators.
bool wide_indicator(uint8_t code) {
  return code == CLT_T_LOB || code == CLT_T_HANDLE || code == CLT_T_HANDLE2 || code == CLT_T_HANDLE3;
}
uint32_t sqllen_of(const SQLVAR& v) { return static_cast<uint32_t>(std::max<int16_t>(v.len.s.sqllen, 0)); }

// Bytes of one value of a fixed-length code; 0 for the varying codes.
uint32_t value_size(const column_desc& d) {
  const auto length = static_cast<uint32_t>(std::max<int16_t>(d.length, 0));
  switch (d.code) {
    case CLT_T_PACKED8: case CLT_T_PACKED6: case CLT_T_DECIMAL: case CLT_T_DECIMAL2: return d.precision / 2u + 1;
    case CLT_T_CODED4: case CLT_T_HANDLE: case CLT_T_HANDLE2: case CLT_T_HANDLE3: case CLT_T_INT32B:
    case CLT_T_INT32: return sizeof(uint32_t);
    case CLT_T_CODED3: return 3;
    case CLT_T_CODED_VAR: case CLT_T_BYTES: case CLT_T_FIXCHAR: case CLT_T_MFIXCHAR: return length;
    case CLT_T_NFIXCHAR: return 2 * length;
    case CLT_T_INT64: return sizeof(uint64_t);
    case CLT_T_INT16: return sizeof(uint16_t);
    default: return 0;
  }
}

bool sys_elements(const clt_col_env& e, const SQLVAR& v) {
  return (e.area->elemsize != 0 && v.len.s.SYS != 0) || e.option_n;
}

// The size of one element of the variable's array, which is also the
// distance of the rows' fixed-length values in the reply.
uint64_t element_size(const clt_col_env& e, const SQLVAR& v) {
  const uint8_t host = v.sqlcod & 0xFE;
  // The 32-bit length of 0x90 covers the bytes of SYS: that length rules.
  if (host != CLT_T_LOB && sys_elements(e, v)) return v.len.s.SYS;
  const uint32_t sqllen = sqllen_of(v);
  const auto room = static_cast<uint32_t>(e.term_room);
  const uint32_t p = v.len.d.sqlprcsn;
  switch (host) {
    case CLT_T_CHAR_NUL: case CLT_T_FIXCHAR: case CLT_T_MFIXCHAR: return sqllen + room;
    case CLT_T_PACKED8: case CLT_T_PACKED6: case CLT_T_DECIMAL: case CLT_T_DECIMAL2: case CLT_T_DEC_TEXT:
    case CLT_T_ZONED: return p / 2 + 1;
    case CLT_T_LOB: return uint64_t{v.len.sqllen32} + sizeof(uint32_t);
    // Every varying host, 0xA8, 0xB8 and 0xC8 too: u16 and text need SYS.
    case CLT_T_VARCHAR: case CLT_T_VARCHAR2: case CLT_T_MVARCHAR: case CLT_T_MVARCHAR2: case CLT_T_NVARCHAR:
    case CLT_T_NVARCHAR2: return v.len.s.SYS;
    case CLT_T_NFIXCHAR: return 2 * sqllen + room;
    default: return sqllen;
  }
}

// The distance of the rows in the variable: decimal text takes more room
// than the packed values it comes from.
uint64_t variable_step(const clt_col_env& e, const SQLVAR& v) {
  const uint8_t host = v.sqlcod & 0xFE;
  if (!sys_elements(e, v) && host == CLT_T_DEC_TEXT) return v.len.d.sqlprcsn + 1u;
  if (!sys_elements(e, v) && host == CLT_T_ZONED) return v.len.d.sqlprcsn;
  return element_size(e, v);
}

// The descriptor's checks: those of the column value conversion, but
// for 0x78 and 0x7C of every protocol and the 32-bit length of 0x90;
// 0x92 and 0x98 are refused.
bool checks_hold(const clt_col_env& e, const column_desc& d, const SQLVAR& v, bool cs, bool var5) {
  switch (d.code) {
    case CLT_T_CODED3: return d.length == 3;
    case CLT_T_CODED_VAR: return d.length >= 7 && d.length <= 10 && d.length == v.len.s.sqllen;
    case CLT_T_LOB:
      if (var5) return d.length32 >= 1 && d.length32 <= static_cast<uint32_t>(INT32_MAX);
      return d.length32 != 0 &&
             (d.length32 <= kLongBinary ||
              clt_srv_level_at_least(static_cast<uint32_t>(e.main->srv_level), kLevelLongBinary));
    case CLT_T_LOB_RSV: case CLT_T_LOB_RSV2: return false;
    default: return clt_col_checks(e, d.code, d.length, d.precision, d.scale, d.length32, v, cs, nullptr);
  }
}

// Fixed-length values that go in one copy: no byte swapping and the
// reply spaces them as the variable does.
bool block_copy(const clt_col_env& e, const column_desc& d, const SQLVAR& v, uint64_t elem) {
  switch (d.code) {
    case CLT_T_BYTES: return elem == static_cast<uint64_t>(d.length) && d.step == d.length;
    case CLT_T_PACKED8: case CLT_T_PACKED6: case CLT_T_CODED4: case CLT_T_CODED3: case CLT_T_CODED_VAR: return true;
    case CLT_T_HANDLE: case CLT_T_HANDLE2: case CLT_T_HANDLE3: case CLT_T_INT32: case CLT_T_INT16:
    case CLT_T_INT64: case CLT_T_INT32B: return !e.reverse;
    case CLT_T_DECIMAL: case CLT_T_DECIMAL2: return packed_host(v.sqlcod);
    default: return false;
  }
}

// The array reply and the per-call rules.
struct array_reply {
  clt_col_env& e;
  const uint8_t* body;
  uint32_t total;
  uint32_t data;
  SQLDA* da;
  uint16_t rows;
  uint16_t columns;
  const uint8_t* flags;
  uint16_t flag_count;

  step refuse(int32_t line) const {
    clt_col_refuse(e.area, kModule, line);
    return step::failed;
  }
  // The body position of an offset from the data part, when `size` bytes
  // from there lie within the body.
  bool at(uint64_t off, uint64_t size, uint32_t* pos) const {
    const uint64_t p = uint64_t{data} + off;
    if (p > total || size > total - p) return false;
    *pos = static_cast<uint32_t>(p);
    return true;
  }
  bool flagged(int32_t i) const { return flags != nullptr && i < flag_count && (flags[i] & kFlagAddress) != 0; }
  column_desc descriptor(int32_t i) const {
    const uint8_t* p = body + data + CLT_DATA_DESCRIPTORS + CLT_DESC_SIZE * static_cast<uint32_t>(i);
    column_desc d{};
    d.code = p[CLT_DESC_CODE] & static_cast<uint8_t>(~kOddBit);
    d.nullable = (p[CLT_DESC_CODE] & kOddBit) != 0;
    d.length = static_cast<int16_t>(clt_col_u16(e, p + CLT_DESC_LENGTH));
    d.precision = p[CLT_DESC_LENGTH];
    d.scale = p[CLT_DESC_SCALE];
    d.step = clt_col_u16(e, p + CLT_DESC_STEP);
    d.length32 = clt_col_u32(e, p + CLT_DESC_LENGTH);
    d.value = clt_col_u32(e, p + CLT_DESC_VALUE);
    d.indicator = clt_col_u32(e, p + CLT_DESC_INDICATOR);
    return d;
  }
  int32_t indicator(uint32_t pos, bool wide) const {
    return wide ? static_cast<int32_t>(clt_col_u32(e, body + pos)) : static_cast<int16_t>(clt_col_u16(e, body + pos));
  }
};

// One value and the element it goes into.
struct value_io {
  uint32_t pos;             // the value's first byte in the body
  uint8_t* dst;             // the element
  uint8_t* end;             // and its end
  bool prefixed;            // the address text goes in front
  int32_t reply_indicator;  // 0 lets a cut deliver the whole length
  bool substitute;          // the variable takes an indicator
  int32_t indicator;        // what the indicator step delivers
};

step store_value(array_reply& a, const column_desc& d, const SQLVAR& v, const uint8_t* names, bool var5,
                 value_io& io) {
  clt_col_env& e = a.e;
  const uint8_t* src = a.body + io.pos;
  const uint32_t left = a.total - io.pos;
  const uint32_t size = value_size(d);
  const uint32_t sqllen = sqllen_of(v);
  auto need = [&](uint64_t n) { return n <= left; };
  const clt_col_window scope(e, io.end);
  clt_char_out out{};
  auto character = [&](clt_char_family f, uint32_t bytes) {
    if (!clt_col_char(e, f, v, names, src, static_cast<int32_t>(bytes), io.prefixed, io.dst, &out)) return step::stop;
    if (out.cut && io.substitute && io.reply_indicator == 0) io.indicator = out.measured;
    if (out.pad_cut && io.substitute) io.indicator = out.pad_length;
    return step::ok;
  };
  switch (d.code) {
    case CLT_T_BYTES:
      if (!need(size)) return a.refuse(__LINE__);
      clt_col_put(e, io.dst, src, size);
      // Row records bring the bytes alone; column arrays fill with blanks.
      for (uint32_t k = size; !var5 && k < sqllen; ++k) clt_col_put(e, io.dst + k, " ", 1);
      return step::ok;
    case CLT_T_PACKED8: case CLT_T_PACKED6: case CLT_T_CODED4: case CLT_T_CODED3: case CLT_T_CODED_VAR:
      if (!need(size)) return a.refuse(__LINE__);
      clt_col_put(e, io.dst, src, size);
      return step::ok;
    case CLT_T_DECIMAL: case CLT_T_DECIMAL2:
      if (!need(size)) return a.refuse(__LINE__);
      if (text_host(v.sqlcod)) {
        uint8_t text[CLT_DEC_PRECISION_MAX + 1];
        const bool sign = (v.sqlcod & 0xFE) == CLT_T_DEC_TEXT;
        clt_col_decimal_text(src, d.precision, sign, text);
        clt_col_put(e, io.dst, text, d.precision + (sign ? 1u : 0u));
      } else if (packed_host(v.sqlcod)) {
        clt_col_put(e, io.dst, src, size);
      }
      return step::ok;
    case CLT_T_HANDLE: case CLT_T_HANDLE2: case CLT_T_HANDLE3: case CLT_T_INT32:
      if (!need(size)) return a.refuse(__LINE__);
      clt_col_put32(e, io.dst, static_cast<int32_t>(clt_col_u32(e, src)));
      return step::ok;
    case CLT_T_INT16:
      if (!need(size)) return a.refuse(__LINE__);
      clt_col_put16(e, io.dst, static_cast<int16_t>(clt_col_u16(e, src)));
      return step::ok;
    case CLT_T_INT64: case CLT_T_INT32B:
      if (!need(size)) return a.refuse(__LINE__);
      clt_col_swapped(e, io.dst, src, size);
      return step::ok;
    case CLT_T_LOB: {
      if (!need(kLobHead)) return a.refuse(__LINE__);
      const uint32_t n = clt_col_u32(e, src + sizeof(uint32_t));
      if (n > v.len.sqllen32 || !need(uint64_t{n} + kLobHead)) return a.refuse(__LINE__);
      clt_col_put32(e, io.dst, static_cast<int32_t>(n));
      clt_col_put(e, io.dst + sizeof(uint32_t), src + kLobHead, n);
      return step::ok;
    }
    case CLT_T_VARCHAR: case CLT_T_VARCHAR2: case CLT_T_MVARCHAR: case CLT_T_MVARCHAR2:
    case CLT_T_NVARCHAR: case CLT_T_NVARCHAR2: {
      if (!need(sizeof(uint16_t))) return a.refuse(__LINE__);
      const uint16_t n = clt_col_u16(e, src);
      const bool national = nvarchar_code(d.code);
      const uint32_t bytes = national ? 2u * n : n;
      if (!need(uint64_t{bytes} + sizeof(uint16_t))) return a.refuse(__LINE__);
      const bool bounded = names != nullptr || !e.wide_factor;
      const uint32_t prefix = io.prefixed ? static_cast<uint32_t>(e.address_len) : 0;
      if (bounded && n + prefix > sqllen) return a.refuse(__LINE__);
      src += sizeof(uint16_t);
      const bool nul = !national && (v.sqlcod & 0xFE) == CLT_T_CHAR_NUL;
      return character(national ? clt_char_family::nvar : nul ? clt_char_family::var_nul : clt_char_family::var_prefixed,
                       bytes);
    }
    case CLT_T_FIXCHAR: case CLT_T_MFIXCHAR: case CLT_T_NFIXCHAR:
      if (!need(size)) return a.refuse(__LINE__);
      return character(d.code == CLT_T_NFIXCHAR ? clt_char_family::nfixed : clt_char_family::fixed, size);
    default: return a.refuse(__LINE__);
  }
}

// KFPA11306-E ends the array conversion as a failure.
step report_invalid(const array_reply& a, int32_t i) {
  if (a.e.dry) return step::stop;
  clt_col_invalid(a.e.area, kModule, __LINE__, i);
  return step::failed;
}

step missing_indicator(const array_reply& a, int32_t i) {
  if (a.e.dry) return step::stop;
  clt_report(a.e.area, kModule, __LINE__, CLT_SQL_NULL_INDICATOR, CLT_SQLSTATE_DEFAULT, CLT_MSG_NULL_INDICATOR, i + 1);
  return step::failed;
}

void put_indicator(const clt_col_env& e, uint8_t* sqlind, uint16_t row, bool wide, int32_t indicator) {
  if (wide) {
    clt_col_put32(e, sqlind + sizeof(int32_t) * row, indicator);
  } else {
    clt_col_put16(e, sqlind + sizeof(int16_t) * row, static_cast<int16_t>(std::min<int32_t>(indicator, INT16_MAX)));
  }
}

// One column of column arrays: its values row by row (or in one copy),
// then its indicators.
step column_major(array_reply& a, int32_t i) {
  clt_col_env& e = a.e;
  const column_desc d = a.descriptor(i);
  const SQLVAR& v = a.da->sqlvar[i];
  const uint8_t* names = clt_col_names(e, i);
  if (d.value != 0 && !checks_hold(e, d, v, names != nullptr, false)) return a.refuse(__LINE__);
  const bool has_ind = d.nullable && d.indicator != 0;
  const bool wide = wide_indicator(d.code);
  const uint32_t ind_size = wide ? sizeof(int32_t) : sizeof(int16_t);
  uint32_t ind_pos = 0;
  if (has_ind && !a.at(d.indicator, uint64_t{ind_size} * a.rows, &ind_pos)) return a.refuse(__LINE__);
  auto* sqlind = static_cast<uint8_t*>(v.SQLIND);
  auto* var = static_cast<uint8_t*>(v.SQLDATA);
  const uint64_t elem = element_size(e, v);
  const uint64_t vstep = variable_step(e, v);
  const bool block = d.value != 0 && block_copy(e, d, v, elem);
  uint32_t values = 0;
  if (block) {
    if (!a.at(d.value, elem * a.rows, &values)) return a.refuse(__LINE__);
    clt_col_put(e, var, a.body + values, elem * a.rows);
  } else if (d.value != 0 && varying_code(d.code)) {
    if (!a.at(d.value, uint64_t{sizeof(uint32_t)} * a.rows, &values)) return a.refuse(__LINE__);
  }
  // An address text in front makes a positive indicator longer.
  const int32_t grows = a.flagged(i) && !wide ? e.address_len : 0;
  for (uint16_t r = 0; r < a.rows; ++r) {
    int32_t indicator = has_ind ? a.indicator(ind_pos + ind_size * r, wide) : 0;
    int32_t delivered = indicator > 0 ? indicator + grows : indicator;
    uint64_t off = 0;
    if (d.value != 0 && !block) {
      off = varying_code(d.code) ? clt_col_u32(e, a.body + values + sizeof(uint32_t) * r)
            : stepped_code(d.code) ? uint64_t{d.value} + uint64_t{d.step} * r
                                   : uint64_t{d.value} + elem * r;
    }
    if (off != 0) {
      value_io io{0, var + vstep * r, var + vstep * (r + 1), a.flagged(i) && varchar_code(d.code), indicator,
                  has_ind && sqlind != nullptr, delivered};
      if (!a.at(off, 0, &io.pos)) return a.refuse(__LINE__);
      const step s = store_value(a, d, v, names, false, io);
      if (s == step::stop) return report_invalid(a, i);
      if (s != step::ok) return s;
      delivered = io.indicator;
    }
    if (has_ind && sqlind != nullptr) put_indicator(e, sqlind, r, wide, delivered);
  }
  if (has_ind && sqlind == nullptr) return missing_indicator(a, i);
  return step::ok;
}

// The rows of row records, one record after the other.
step row_major(array_reply& a) {
  clt_col_env& e = a.e;
  uint64_t record = CLT_DATA_DESCRIPTORS + uint64_t{CLT_DESC_SIZE} * a.columns;
  for (uint16_t r = 0; r < a.rows; ++r) {
    uint32_t head = 0;
    uint32_t offsets = 0;
    if (!a.at(record, kRecordIndicators, &head)) return a.refuse(__LINE__);
    if (!a.at(clt_col_u32(e, a.body + head + kRecordValues), uint64_t{sizeof(uint32_t)} * a.columns, &offsets)) {
      return a.refuse(__LINE__);
    }
    uint64_t ind_off = record + kRecordIndicators;
    for (int32_t i = 0; i < a.columns; ++i) {
      const column_desc d = a.descriptor(i);
      const SQLVAR& v = a.da->sqlvar[i];
      const uint8_t* names = clt_col_names(e, i);
      if (r == 0 && !checks_hold(e, d, v, names != nullptr, true)) return a.refuse(__LINE__);
      const bool wide = wide_indicator(d.code);
      int32_t indicator = 0;
      if (d.nullable) {
        const uint32_t size = wide ? sizeof(int32_t) : sizeof(int16_t);
        uint32_t pos = 0;
        if (!a.at(ind_off, size, &pos)) return a.refuse(__LINE__);
        indicator = a.indicator(pos, wide);
        ind_off += size;
      }
      auto* sqlind = static_cast<uint8_t*>(v.SQLIND);
      auto* var = static_cast<uint8_t*>(v.SQLDATA);
      const uint32_t off = clt_col_u32(e, a.body + offsets + sizeof(uint32_t) * i);
      int32_t delivered = indicator;
      if (off != 0 && (!d.nullable || indicator >= 0 || e.carry_data)) {
        const uint64_t vstep = variable_step(e, v);
        value_io io{0, var + vstep * r, var + vstep * (r + 1), a.flagged(i) && varchar_code(d.code), indicator,
                    d.nullable && sqlind != nullptr, indicator};
        if (!a.at(off, 0, &io.pos)) return a.refuse(__LINE__);
        const step s = store_value(a, d, v, names, true, io);
        if (s == step::stop) return report_invalid(a, i);
        if (s != step::ok) return s;
        delivered = io.indicator;
      }
      if (!d.nullable) continue;
      if (sqlind == nullptr) return missing_indicator(a, i);
      // A row without a value and not null leaves the indicator as it was.
      if (off == 0 && indicator >= 0) continue;
      put_indicator(e, sqlind, r, wide, delivered);
    }
    record = clt_col_u32(e, a.body + head + kRecordNext);
  }
  return step::ok;
}

int32_t convert(const uint8_t* body, uint32_t length, rdb_sql_area* area, bool var5) {
  clt_main* main = clt_cur_main();
  SQLDA* da = area->sqliasda;
  if (main == nullptr || da == nullptr) return clt_col_client_error(area, kModule, __LINE__);
  main->array_rows = 0;
  clt_reply_conn* reply = clt_main_reply(main);
  clt_col_env e{};
  clt_col_env_of(area, false, reply->sqlca_mark, &e);
  uint32_t total = 0;
  uint32_t data = 0;
  uint16_t rows = 0;
  if (!clt_col_body(e, body, length, &total, &data) || total - data < CLT_DATA_DESCRIPTORS ||
      !clt_array_rows(e, body, total, area, &rows)) {
    return clt_col_refuse(area, kModule, __LINE__);
  }
  const uint16_t columns = clt_col_u16(e, body + data + CLT_DATA_COLUMNS);
  if (columns > std::max<int16_t>(da->sqld, 0) ||
      uint64_t{data} + CLT_DATA_DESCRIPTORS + uint64_t{CLT_DESC_SIZE} * columns > total) {
    return clt_col_refuse(area, kModule, __LINE__);
  }
  main->array_rows = rows;
  const uint8_t* flags = nullptr;
  uint16_t flag_count = 0;
  if (clt_col_flags(body, total, area, columns, true, &reply->kept_flags, kModule, &flags, &flag_count) != 0) {
    return -1;
  }
  if (flags != nullptr) clt_col_take_address(&e);
  array_reply a{e, body, total, data, da, rows, columns, flags, flag_count};
  for (const bool dry : {true, false}) {
    e.dry = dry;
    step s = step::ok;
    if (var5) {
      s = row_major(a);
    } else {
      for (int32_t i = 0; i < columns && s == step::ok; ++i) s = column_major(a, i);
    }
    // A stop of the checking pass lets the storing pass report it.
    if (s == step::failed) return -1;
  }
  return 0;
}

}  // namespace

bool clt_array_rows(const clt_col_env& e, const uint8_t* body, uint32_t total, const rdb_sql_area* area,
                    uint16_t* rows) {
  if (total < kBodyStatus + sizeof(uint32_t)) return false;
  const uint32_t status = clt_col_u32(e, body + kBodyStatus);
  if (status == 0 || status > total || total - status < kStatusRows + sizeof(uint16_t)) return false;
  *rows = clt_col_u16(e, body + status + kStatusRows);
  return *rows <= std::max<int16_t>(area->fetchrows, 0);
}

int32_t clt_col_conv(const uint8_t* body, uint32_t length, rdb_sql_area* area) {
  return convert(body, length, area, false);
}

int32_t clt_col_conv_var5(const uint8_t* body, uint32_t length, rdb_sql_area* area) {
  return convert(body, length, area, true);
}
