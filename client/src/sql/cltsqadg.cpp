#include "cltsqadg.h"

#include <string.h>

#include <algorithm>
#include <array>

#include "CLTCOMCTX.h"
#include "CLTSQLAG.h"
#include "CLTSQLDA.h"
#include "CLTUTL.h"
#include "zk_codes.h"

namespace {

constexpr const char* kModule = "cltsqadg";
constexpr uint32_t kBodyTotal = 0;
constexpr uint32_t kBodyData = 16;
constexpr uint32_t kColumnCount = sizeof(uint16_t);
constexpr uint32_t kAlign = 4;
constexpr uint8_t kFlagAddress = 0x01;

enum class step { ok, failed, stop };

// The row in the reply: values read in sequence, each checked against the body.
struct reader {
  const clt_col_env& e;
  const uint8_t* body;
  uint32_t total;
  uint32_t pos;

  bool has(uint64_t n) const { return pos <= total && n <= total - pos; }
  const uint8_t* here() const { return body + pos; }
};

struct row {
  clt_col_env& e;
  reader& in;
  SQLDA* da;
  int16_t element;
  const uint8_t* flags;
  uint16_t flag_count;
  uint8_t* element_end;  // an array element's end, or null

  step refuse(int32_t line) const {
    clt_report(e.area, kModule, line, CLT_SQL_SERVER_ERROR, CLT_SQLSTATE_DEFAULT, CLT_MSG_SERVER_ERROR, kModule, line);
    return step::failed;
  }
  bool flagged(int32_t i) const { return flags != nullptr && i < flag_count && (flags[i] & kFlagAddress) != 0; }
};

bool prefix_code(uint8_t c) { return c == CLT_T_CHAR_NUL || c == CLT_T_VARCHAR || c == CLT_T_MVARCHAR; }
bool wide_indicator(uint8_t c) { return c == CLT_T_LOB || c == CLT_T_HANDLE || c == CLT_T_HANDLE2 || c == CLT_T_HANDLE3; }
bool no_repetition(uint8_t c) { return c == CLT_T_BYTES || (c >= CLT_T_LOB && c <= CLT_T_HANDLE3 + 1); }
bool refused_code(uint8_t c) { return c == CLT_T_LOB_RSV || c == CLT_T_LOB_RSV2; }

// Whether the code is one of the table's; the others are refused. A
// table: every value of every row asks.
constexpr uint8_t kKnownCodes[] = {
    CLT_T_CHAR_NUL, CLT_T_BYTES,   CLT_T_PACKED8,  CLT_T_PACKED6,  CLT_T_CODED4,   CLT_T_CODED3,  CLT_T_CODED_VAR,
    CLT_T_LOB,      CLT_T_LOB_RSV, CLT_T_LOB_RSV2, CLT_T_HANDLE,   CLT_T_HANDLE2,  CLT_T_HANDLE3, CLT_T_VARCHAR,
    CLT_T_MVARCHAR, CLT_T_FIXCHAR, CLT_T_MFIXCHAR, CLT_T_NVARCHAR, CLT_T_NFIXCHAR, CLT_T_INT64,   CLT_T_INT32B,
    CLT_T_DECIMAL,  CLT_T_DEC_TEXT, CLT_T_ZONED,   CLT_T_INT32,    CLT_T_INT16};
constexpr size_t kCodeValues = 256;
constexpr std::array<bool, kCodeValues> kKnown = [] {
  std::array<bool, kCodeValues> known{};
  for (uint8_t c : kKnownCodes) known[c] = true;
  return known;
}();
bool known_code(uint8_t c) { return kKnown[c]; }

uint32_t sqllen_of(const SQLVAR& v) { return static_cast<uint32_t>(std::max<int16_t>(v.len.s.sqllen, 0)); }

// Where element e of an array FETCH lies: the size of one element.
uint64_t element_size(const clt_col_env& e, const SQLVAR& v, uint8_t code) {
  const bool by_sys = e.area->fetchrows >= CLT_MULTIPLE &&
                      ((e.area->elemsize != 0 && v.len.s.SYS != 0) || e.option_n);
  if (by_sys && code != CLT_T_LOB) return v.len.s.SYS;
  const uint32_t sqllen = sqllen_of(v);
  const uint32_t room = static_cast<uint32_t>(e.term_room);
  const uint32_t p = v.len.d.sqlprcsn;
  switch (code) {
    case CLT_T_CHAR_NUL: case CLT_T_FIXCHAR: case CLT_T_MFIXCHAR: return sqllen + room;
    case CLT_T_PACKED8: case CLT_T_PACKED6: case CLT_T_DECIMAL: return p / 2 + 1;
    case CLT_T_LOB: return uint64_t{v.len.sqllen32} + sizeof(uint32_t);
    case CLT_T_VARCHAR: case CLT_T_MVARCHAR: case CLT_T_NVARCHAR: return v.len.s.SYS;
    case CLT_T_NFIXCHAR: return 2 * sqllen + room;
    case CLT_T_DEC_TEXT: return p + 1;
    case CLT_T_ZONED: return p;
    default: return sqllen;
  }
}

// The distance of a repetition column's elements in the variable.
uint64_t element_step(const clt_col_env& e, const SQLVAR& v, uint8_t code) {
  switch (code) {
    case CLT_T_CODED4: case CLT_T_INT32B: case CLT_T_INT32: return 4;
    case CLT_T_CODED3: return 3;
    case CLT_T_INT64: return 8;
    case CLT_T_INT16: return 2;
    default: return element_size(e, v, code);
  }
}

// What one value brings besides its bytes.
struct value_out {
  bool substituted;    // the indicator is to be replaced
  int32_t indicator;
};

// One value (or element) at the reader into `dst`. `fixed_len` carries
// the length of a repetition's fixed character elements after the first.
step one_value(row& r, int32_t i, const SQLVAR& v, uint8_t code, const uint8_t* names, uint8_t* dst, bool in_rep,
               bool first_fixed, uint16_t* fixed_len, int32_t reply_indicator, bool has_ind, value_out* vo) {
  const clt_col_window window(r.e, r.element_end);
  const clt_col_env& e = r.e;
  reader& in = r.in;
  const uint32_t sqllen = sqllen_of(v);
  const uint32_t p = v.len.d.sqlprcsn;
  auto copy_fixed = [&](uint32_t n, uint32_t keep) {
    if (!in.has(n)) return r.refuse(__LINE__);
    clt_col_put(e, dst, in.here(), std::min(n, keep));
    in.pos += n;
    return step::ok;
  };
  auto u16_length = [&](uint16_t* n) {
    if (!in.has(sizeof(uint16_t))) return false;
    *n = clt_col_u16(e, in.here());
    in.pos += sizeof(uint16_t);
    return true;
  };
  clt_char_out out{};
  auto character = [&](clt_char_family f, uint32_t bytes, bool prefixed) {
    if (!in.has(bytes)) return r.refuse(__LINE__);
    const bool ok = clt_col_char(e, f, v, names, in.here(), static_cast<int32_t>(bytes), prefixed, dst, &out);
    if (!ok) return step::stop;
    in.pos += bytes;
    if (out.cut && has_ind && reply_indicator == 0) {
      vo->substituted = true;
      vo->indicator = out.measured;
    } else if (out.pad_cut && has_ind) {
      vo->substituted = true;
      vo->indicator = out.pad_length;
    }
    return step::ok;
  };
  switch (code) {
    case CLT_T_CHAR_NUL: case CLT_T_VARCHAR: case CLT_T_MVARCHAR: case CLT_T_NVARCHAR: {
      uint16_t n = 0;
      if (!u16_length(&n)) return r.refuse(__LINE__);
      const bool national = code == CLT_T_NVARCHAR;
      const clt_char_family f = national ? clt_char_family::nvar
                                : code == CLT_T_CHAR_NUL ? clt_char_family::var_nul
                                                         : clt_char_family::var_prefixed;
      return character(f, national ? 2u * n : n, r.flagged(i) && prefix_code(code));
    }
    case CLT_T_FIXCHAR: case CLT_T_MFIXCHAR: case CLT_T_NFIXCHAR: {
      if (!in_rep || first_fixed) {
        if (!u16_length(fixed_len)) return r.refuse(__LINE__);
      }
      const bool national = code == CLT_T_NFIXCHAR;
      return character(national ? clt_char_family::nfixed : clt_char_family::fixed,
                       national ? 2u * *fixed_len : *fixed_len, false);
    }
    case CLT_T_BYTES: {
      uint16_t n = 0;
      if (!u16_length(&n) || !in.has(n)) return r.refuse(__LINE__);
      // Bytes beyond the variable are not written: a cut.
      const uint32_t kept = std::min<uint32_t>(n, sqllen);
      clt_col_put(e, dst, in.here(), kept);
      for (uint32_t k = kept; k < sqllen; ++k) clt_col_put(e, dst + k, " ", 1);
      if (n > sqllen) clt_col_warn(e, true);
      in.pos += n;
      return step::ok;
    }
    case CLT_T_PACKED8: case CLT_T_PACKED6: case CLT_T_DECIMAL: return copy_fixed(p / 2 + 1, p / 2 + 1);
    case CLT_T_CODED4: return copy_fixed(4, 4);
    case CLT_T_CODED3: return copy_fixed(e.second && !in_rep ? sqllen : 3, std::min<uint32_t>(3, sqllen));
    case CLT_T_CODED_VAR: return copy_fixed(sqllen, sqllen);
    case CLT_T_LOB: {
      if (!in.has(2 * sizeof(uint32_t))) return r.refuse(__LINE__);
      const uint32_t n = clt_col_u32(e, in.here() + sizeof(uint32_t));
      if (n > v.len.sqllen32 || !in.has(uint64_t{n} + 2 * sizeof(uint32_t))) return r.refuse(__LINE__);
      clt_col_put32(e, dst, static_cast<int32_t>(n));
      clt_col_put(e, dst + sizeof(uint32_t), in.here() + 2 * sizeof(uint32_t), n);
      in.pos += n + 2 * sizeof(uint32_t);
      return step::ok;
    }
    case CLT_T_HANDLE: case CLT_T_HANDLE2: case CLT_T_HANDLE3: case CLT_T_INT32: {
      if (!in.has(sizeof(uint32_t))) return r.refuse(__LINE__);
      clt_col_put32(e, dst, static_cast<int32_t>(clt_col_u32(e, in.here())));
      in.pos += sizeof(uint32_t);
      return step::ok;
    }
    case CLT_T_INT16: {
      if (!in.has(sizeof(uint16_t))) return r.refuse(__LINE__);
      clt_col_put16(e, dst, static_cast<int16_t>(clt_col_u16(e, in.here())));
      in.pos += sizeof(uint16_t);
      return step::ok;
    }
    case CLT_T_INT64: case CLT_T_INT32B: {
      const uint32_t n = code == CLT_T_INT64 ? 8 : 4;
      if (!in.has(n)) return r.refuse(__LINE__);
      clt_col_swapped(e, dst, in.here(), n);
      in.pos += n;
      return step::ok;
    }
    case CLT_T_DEC_TEXT: case CLT_T_ZONED: {
      const uint32_t n = p / 2 + 1;
      if (p > CLT_DEC_PRECISION_MAX) return r.refuse(__LINE__);
      if (!in.has(n)) return r.refuse(__LINE__);
      const bool sign = code == CLT_T_DEC_TEXT;
      uint8_t text[CLT_DEC_PRECISION_MAX + 1];
      clt_col_decimal_text(in.here(), static_cast<uint8_t>(p), sign, text);
      clt_col_put(e, dst, text, p + (sign ? 1u : 0u));
      in.pos += n;
      return step::ok;
    }
    default: return r.refuse(__LINE__);
  }
}

step report_invalid(const row& r, int32_t i) {
  if (!r.e.dry) {
    clt_report(r.e.area, kModule, __LINE__, CLT_SQL_INVALID_DATA, CLT_SQLSTATE_DEFAULT, CLT_MSG_OUTPUT_DATA,
               "to output", i + 1);
  }
  return step::stop;
}

int16_t read16(const clt_col_env& e, reader& in) {
  const auto v = static_cast<int16_t>(clt_col_u16(e, in.here()));
  in.pos += sizeof v;
  return v;
}

int32_t read32(const clt_col_env& e, reader& in) {
  const auto v = static_cast<int32_t>(clt_col_u32(e, in.here()));
  in.pos += sizeof v;
  return v;
}

step scalar(row& r, int32_t i, const SQLVAR& v, uint8_t code, const uint8_t* names, uint8_t* dst, uint8_t* ind) {
  const clt_col_env& e = r.e;
  reader& in = r.in;
  const bool wide = wide_indicator(code);
  int32_t indicator = 0;
  if (ind != nullptr) {
    if (!in.has(wide ? 4 : 2)) return r.refuse(__LINE__);
    indicator = wide ? read32(e, in) : read16(e, in);
    if (indicator > 0 && r.flagged(i) && prefix_code(code)) indicator += e.address_len;
    if (wide) {
      clt_col_put32(e, ind, indicator);
    } else {
      clt_col_put16(e, ind, static_cast<int16_t>(std::min<int32_t>(indicator, INT16_MAX)));
    }
    if (indicator < 0 && !e.carry_data) return step::ok;
  }
  value_out vo{};
  uint16_t fixed_len = 0;
  const step s = one_value(r, i, v, code, names, dst, false, true, &fixed_len, indicator, ind != nullptr, &vo);
  if (s != step::ok) return s;
  if (vo.substituted) clt_col_put16(e, ind, static_cast<int16_t>(vo.indicator));
  return step::ok;
}

step repetition(row& r, int32_t i, const SQLVAR& v, uint8_t code, const uint8_t* names, uint8_t* dst, uint8_t* ind) {
  const clt_col_env& e = r.e;
  reader& in = r.in;
  // The column starts on a multiple of 4 counted from the body's start.
  in.pos = (in.pos + kAlign - 1) / kAlign * kAlign;
  if (!in.has(sizeof(uint32_t))) return r.refuse(__LINE__);
  const uint32_t n = static_cast<uint32_t>(read32(e, in));
  if (n > static_cast<uint32_t>(std::max<int16_t>(v.XDIM, 0))) return r.refuse(__LINE__);
  const uint32_t indicators_at = in.pos;
  int32_t column_ind = 0;
  if (ind != nullptr) {
    if (!in.has(sizeof(int32_t))) return r.refuse(__LINE__);
    column_ind = read32(e, in);
    // A null column has no elements and carries nothing further.
    if (column_ind < 0 && n != 0) return r.refuse(__LINE__);
    if (!in.has(2ull * n)) return r.refuse(__LINE__);
    clt_col_put32(e, ind, column_ind);
    for (uint32_t k = 0; k < n; ++k) {
      int16_t x = read16(e, in);
      if (x > 0 && r.flagged(i) && prefix_code(code)) x = static_cast<int16_t>(std::min<int32_t>(x + e.address_len, INT16_MAX));
      clt_col_put16(e, ind + sizeof(int32_t) + 2 * k, x);
    }
  }
  if (ind == nullptr || column_ind >= 0 || e.carry_data) clt_col_put32(e, dst, static_cast<int32_t>(n));
  const uint64_t stride = element_step(e, v, code);
  bool first = true;
  uint16_t fixed_len = 0;
  for (uint32_t k = 0; k < n; ++k) {
    const int16_t x = ind != nullptr ? static_cast<int16_t>(clt_col_u16(e, r.in.body + indicators_at + 4 + 2 * k)) : 0;
    if (ind != nullptr && x < 0 && !e.carry_data) continue;
    value_out vo{};
    const step s = one_value(r, i, v, code, names, dst + sizeof(uint32_t) + stride * k, true, first, &fixed_len, x,
                             ind != nullptr, &vo);
    if (s != step::ok) return s;
    first = false;
    if (vo.substituted) clt_col_put16(e, ind + sizeof(int32_t) + 2 * k, static_cast<int16_t>(vo.indicator));
  }
  return step::ok;
}

step column(row& r, int32_t i) {
  const clt_col_env& e = r.e;
  const SQLVAR& v = r.da->sqlvar[i];
  const uint8_t code = v.sqlcod & 0xFE;
  if (refused_code(code)) {
    if (e.dry) return step::stop;
    clt_report(e.area, kModule, __LINE__, CLT_SQL_CLIENT_ERROR, CLT_SQLSTATE_DEFAULT, CLT_MSG_CLIENT_ERROR, kModule,
               static_cast<int32_t>(__LINE__));
    return step::failed;
  }
  if (!known_code(code)) {
    if (e.dry) return step::stop;
    return r.refuse(__LINE__);
  }
  const bool has_ind = clt_nullable(v.sqlcod) && v.SQLIND != nullptr;
  // One row outside an array FETCH goes to the variable itself.
  const bool array = e.area->fetchrows >= CLT_MULTIPLE;
  const uint64_t size = array || r.element != 0 ? element_size(e, v, code) : 0;
  uint8_t* dst = static_cast<uint8_t*>(v.SQLDATA) + size * static_cast<uint64_t>(r.element);
  // No value of an array FETCH is written past its element.
  r.element_end = array ? dst + size : nullptr;
  uint8_t* ind = has_ind ? static_cast<uint8_t*>(v.SQLIND) +
                               (wide_indicator(code) ? sizeof(int32_t) : sizeof(int16_t)) * static_cast<uint64_t>(r.element)
                         : nullptr;
  const uint8_t* names = clt_col_names(e, i);
  const bool rep = v.XDIM >= CLT_MULTIPLE && !no_repetition(code);
  const step s = rep ? repetition(r, i, v, code, names, dst, ind) : scalar(r, i, v, code, names, dst, ind);
  if (s == step::stop) return report_invalid(r, i);
  return s;
}

// Whether a row takes one pass, each write kept to be put back when a
// value is refused (a refused reply still writes no variable): a copying
// connection (a converter's writes are not kept) and plain scalar
// columns of known codes with their variables outside array FETCH. A
// failure of any other column keeps the columns before it, as the
// checking pass decides.
bool single_pass(const clt_col_env& e, const SQLDA* da, int16_t count, int16_t element) {
  if (e.convert_mode || element != 0 || e.area->fetchrows >= CLT_MULTIPLE) return false;
  for (int32_t i = 0; i < count; ++i) {
    const SQLVAR& v = da->sqlvar[i];
    const uint8_t code = v.sqlcod & 0xFE;
    if (!known_code(code) || refused_code(code) || code == CLT_T_LOB || v.SQLDATA == nullptr) return false;
    if (v.XDIM >= CLT_MULTIPLE && !no_repetition(code)) return false;
  }
  return true;
}

// Kept by the thread and only grown: a row's writes cost no allocation.
thread_local clt_col_undo kept_writes;

}  // namespace

int32_t clt_sqlda_conv(const uint8_t* body, uint32_t length, rdb_sql_area* area, int32_t* position, char mark,
                       int16_t element, int16_t columns, clt_flag_copy* kept) {
  clt_col_env env{};
  clt_col_env_of(area, false, mark, &env);
  return clt_sqlda_conv_in(env, body, length, area, position, element, columns, kept);
}

int32_t clt_sqlda_conv_in(const clt_col_env& env, const uint8_t* body, uint32_t length, rdb_sql_area* area,
                          int32_t* position, int16_t element, int16_t columns, clt_flag_copy* kept) {
  clt_main* main = env.main;
  SQLDA* da = area->sqliasda;
  if (main == nullptr || da == nullptr) {
    return clt_report(area, kModule, __LINE__, CLT_SQL_CLIENT_ERROR, CLT_SQLSTATE_DEFAULT, CLT_MSG_CLIENT_ERROR,
                      kModule, static_cast<int32_t>(__LINE__));
  }
  // The passes below mark their own copy as dry or not.
  clt_col_env e = env;
  auto refuse = [&](int32_t line) {
    return clt_report(area, kModule, line, CLT_SQL_SERVER_ERROR, CLT_SQLSTATE_DEFAULT, CLT_MSG_SERVER_ERROR, kModule,
                      line);
  };
  if (length < kBodyData + sizeof(uint32_t)) return refuse(__LINE__);
  const uint32_t total = std::min(clt_col_u32(e, body + kBodyTotal), length);
  const uint32_t data = clt_col_u32(e, body + kBodyData);
  if (data >= total) return refuse(__LINE__);
  const bool fetch = main->funccode == CLT_FC_FETC || main->funccode == CLT_FC_RSFT;
  const uint8_t* flags = nullptr;
  uint16_t flag_count = 0;
  const uint16_t flag_columns = static_cast<uint16_t>(std::max<int16_t>(columns, 0));
  if (clt_col_flags(body, total, area, flag_columns, true, fetch ? kept : nullptr, kModule, &flags, &flag_count) != 0) {
    return -1;
  }
  if (flags != nullptr) clt_col_take_address(&e);
  const uint64_t start = uint64_t{data} + static_cast<uint32_t>(std::max(*position, 0)) +
                         (*position == 0 ? kColumnCount : 0);
  if (start > total) return refuse(__LINE__);
  if (columns < 1) {
    *position = static_cast<int32_t>(start - data);
    return 0;
  }
  const int16_t count = std::min(columns, da->sqld);
  reader in{e, body, total, static_cast<uint32_t>(start)};
  row r{e, in, da, element, flags, flag_count, nullptr};
  if (single_pass(e, da, count, element)) {
    kept_writes.clear();
    e.dry = false;
    e.undo = &kept_writes;
    for (int32_t i = 0; i < count; ++i) {
      const step s = column(r, i);
      if (s == step::failed) {
        kept_writes.restore();
        return -1;
      }
      if (s == step::stop) return 0;
    }
    *position = static_cast<int32_t>(in.pos - data);
    return 0;
  }
  for (const bool dry : {true, false}) {
    e.dry = dry;
    in.pos = static_cast<uint32_t>(start);
    for (int32_t i = 0; i < count; ++i) {
      const step s = column(r, i);
      if (s == step::failed) return -1;
      if (s == step::stop) {
        if (dry) break;
        return 0;
      }
    }
  }
  *position = static_cast<int32_t>(in.pos - data);
  return 0;
}
