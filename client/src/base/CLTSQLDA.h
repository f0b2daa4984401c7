// The caller's variable lists as the library reads them: the SQLDA and
// its SQLVARs (declared in zelkit.h), the character-set name area SQLCSNA,
// and the data type codes with their length rules. The input binding and
// the output checks key on this one table.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "zelkit.h"

constexpr int32_t CLT_SQLDA_MAX_VARS = 30000;
constexpr int32_t CLT_XDIM_MAX = 30000;
constexpr int64_t CLT_SIZE_MAX = 2147483647;  // largest request or reply
constexpr int32_t CLT_MULTIPLE = 2;  // elements or rows from which a value or request repeats

// SQLCSNA: counts at fixed offsets, then the code entries (u16 each) and
// the 64-byte name entries.
// Wire sizes the request and reply sizing share.
constexpr int64_t CLT_WIRE_LIST_HEAD = 19;
constexpr int64_t CLT_WIRE_SQLVAR = 16;       // a variable's description on the wire
constexpr int64_t CLT_WIRE_CSNA_NAME = 64;
constexpr int64_t CLT_WIRE_CSNA_HEAD = 35;

constexpr size_t CLT_CSNA_CODES = 12;
constexpr size_t CLT_CSNA_CODES_USED = 14;
constexpr size_t CLT_CSNA_NAMES = 16;
constexpr size_t CLT_CSNA_NAMES_USED = 18;
constexpr size_t CLT_CSNA_ENTRIES = 32;

inline int16_t clt_csna_count(const void* csna, size_t at) {
  int16_t v;
  memcpy(&v, static_cast<const uint8_t*>(csna) + at, sizeof v);
  return v;
}

// Bytes an SQLCSNA occupies: the counts, then as many code and name
// entries as its allocated counts say.
inline uint32_t clt_csna_size(const void* csna) {
  constexpr uint32_t code_size = 2;
  const int16_t codes = clt_csna_count(csna, CLT_CSNA_CODES);
  const int16_t names = clt_csna_count(csna, CLT_CSNA_NAMES);
  return CLT_CSNA_ENTRIES + code_size * static_cast<uint32_t>(codes > 0 ? codes : 0) +
         CLT_WIRE_CSNA_NAME * static_cast<uint32_t>(names > 0 ? names : 0);
}

// Whether the SQLCSNA names a character set for variable index i. Its
// counts are checked after the variables; until then no entry beyond the
// allocated ones is read.
inline bool clt_csna_names(const void* csna, int32_t i) {
  if (csna == nullptr || i >= clt_csna_count(csna, CLT_CSNA_CODES_USED) || i >= clt_csna_count(csna, CLT_CSNA_CODES)) {
    return false;
  }
  uint16_t code;
  memcpy(&code, static_cast<const uint8_t*>(csna) + CLT_CSNA_ENTRIES + 2 * static_cast<size_t>(i), sizeof code);
  return code != 0;
}

// The direction a list carries values in.
enum class clt_dir { in, out };

// Why a variable's type or length is refused: the kind of its SQLVAR
// line in the error log.
enum clt_var_fault : int32_t {
  CLT_VAR_OK = 0,
  CLT_VAR_LENGTH = 1,
  CLT_VAR_REAL_LENGTH = 2,
  CLT_VAR_DECIMAL = 3,
  CLT_VAR_TYPE = 4,
};

// Data type codes, even (NOT NULL) forms; the odd code is the nullable twin.
enum : uint8_t {
  CLT_T_CHAR_NUL = 0x30,
  CLT_T_CHAR_PAD = 0x32,
  CLT_T_BYTES = 0x44,
  CLT_T_PACKED8 = 0x64,
  CLT_T_PACKED6 = 0x6E,
  CLT_T_CODED4 = 0x70,
  CLT_T_CODED3 = 0x78,
  CLT_T_CODED_VAR = 0x7C,
  CLT_T_LOB = 0x90,
  CLT_T_LOB_RSV = 0x92,
  CLT_T_HANDLE = 0x94,
  CLT_T_LOB_RSV2 = 0x98,
  CLT_T_HANDLE2 = 0x9A,
  CLT_T_HANDLE3 = 0x9E,
  CLT_T_VARCHAR = 0xA0,
  CLT_T_FIXCHAR = 0xA4,
  CLT_T_VARCHAR2 = 0xA8,
  CLT_T_NVARCHAR = 0xB0,
  CLT_T_NFIXCHAR = 0xB4,
  CLT_T_NVARCHAR2 = 0xB8,
  CLT_T_MVARCHAR = 0xC0,
  CLT_T_MFIXCHAR = 0xC4,
  CLT_T_MVARCHAR2 = 0xC8,
  CLT_T_INT64 = 0xE0,
  CLT_T_INT32B = 0xE2,
  CLT_T_DECIMAL = 0xE4,
  CLT_T_DECIMAL2 = 0xE6,
  CLT_T_DEC_TEXT = 0xEA,
  CLT_T_ZONED = 0xEC,
  CLT_T_INT32 = 0xF0,
  CLT_T_INT16 = 0xF4,
};

// How the library handles a code; several codes share one handling.
enum class clt_kind {
  unknown,
  char_nul,   // 0x30
  char_pad,   // 0x32
  bytes,      // 0x44
  packed8,    // 0x64
  packed6,    // 0x6E
  coded4,     // 0x70
  coded3,     // 0x78
  coded_var,  // 0x7C
  lob,        // 0x90
  lob_rsv,    // 0x92, 0x98
  handle,     // 0x94, 0x9A, 0x9E
  varchar,    // 0xA0, 0xA8, 0xC0, 0xC8
  fixchar,    // 0xA4, 0xC4
  nvarchar,   // 0xB0, 0xB8
  nfixchar,   // 0xB4
  int64,      // 0xE0
  int32,      // 0xE2, 0xF0
  decimal,    // 0xE4, 0xE6, 0xEA, 0xEC
  int16,      // 0xF4
};

inline clt_kind clt_kind_of(uint8_t code) {
  switch (code & 0xFE) {
    case CLT_T_CHAR_NUL: return clt_kind::char_nul;
    case CLT_T_CHAR_PAD: return clt_kind::char_pad;
    case CLT_T_BYTES: return clt_kind::bytes;
    case CLT_T_PACKED8: return clt_kind::packed8;
    case CLT_T_PACKED6: return clt_kind::packed6;
    case CLT_T_CODED4: return clt_kind::coded4;
    case CLT_T_CODED3: return clt_kind::coded3;
    case CLT_T_CODED_VAR: return clt_kind::coded_var;
    case CLT_T_LOB: return clt_kind::lob;
    case CLT_T_LOB_RSV: case CLT_T_LOB_RSV2: return clt_kind::lob_rsv;
    case CLT_T_HANDLE: case CLT_T_HANDLE2: case CLT_T_HANDLE3: return clt_kind::handle;
    case CLT_T_VARCHAR: case CLT_T_VARCHAR2: case CLT_T_MVARCHAR: case CLT_T_MVARCHAR2: return clt_kind::varchar;
    case CLT_T_FIXCHAR: case CLT_T_MFIXCHAR: return clt_kind::fixchar;
    case CLT_T_NVARCHAR: case CLT_T_NVARCHAR2: return clt_kind::nvarchar;
    case CLT_T_NFIXCHAR: return clt_kind::nfixchar;
    case CLT_T_INT64: return clt_kind::int64;
    case CLT_T_INT32B: case CLT_T_INT32: return clt_kind::int32;
    case CLT_T_DECIMAL: case CLT_T_DECIMAL2: case CLT_T_DEC_TEXT: case CLT_T_ZONED: return clt_kind::decimal;
    case CLT_T_INT16: return clt_kind::int16;
    default: return clt_kind::unknown;
  }
}

inline bool clt_nullable(uint8_t code) { return (code & 1) != 0; }

// The large-object codes, whose length is a u32.
inline bool clt_long_length(clt_kind k) { return k == clt_kind::lob || k == clt_kind::lob_rsv; }

// The codes with an i32 indicator.
inline bool clt_wide_indicator(clt_kind k) {
  return k == clt_kind::lob || k == clt_kind::lob_rsv || k == clt_kind::handle;
}

// Codes that always move one value: XDIM is only range-checked for them.
inline bool clt_no_repetition(clt_kind k) {
  return k == clt_kind::bytes || clt_long_length(k) || k == clt_kind::handle;
}

inline bool clt_repetition(const SQLVAR& v) {
  return v.XDIM >= CLT_MULTIPLE && !clt_no_repetition(clt_kind_of(v.sqlcod));
}

// Codes that may carry a character-set name of their own.
inline bool clt_csna_allowed(uint8_t code, clt_dir dir) {
  const uint8_t even = code & 0xFE;
  if (even == CLT_T_CHAR_NUL || even == CLT_T_MVARCHAR || even == CLT_T_MFIXCHAR || even == CLT_T_MVARCHAR2) {
    return true;
  }
  return dir == clt_dir::in && even == CLT_T_CHAR_PAD;
}

// Variable-length columns of array sizing.
inline bool clt_var_column(clt_kind k) {
  return k == clt_kind::char_nul || k == clt_kind::char_pad || k == clt_kind::varchar || k == clt_kind::nvarchar;
}

inline int32_t clt_var_len(const SQLVAR& v) {
  return clt_long_length(clt_kind_of(v.sqlcod)) ? static_cast<int32_t>(v.len.sqllen32 > INT32_MAX ? INT32_MAX : v.len.sqllen32)
                                                 : v.len.s.sqllen;
}

inline int32_t clt_decimal_size(const SQLVAR& v) { return v.len.d.sqlprcsn / 2 + 1; }

// Bytes one element of a repetition value takes in the caller's memory;
// `terminator` is the NUL room of the character types (0, 1, or 2 in the
// UCS-2 conversion modes).
inline int32_t clt_element_stride(const SQLVAR& v, int32_t terminator) {
  const uint8_t even = v.sqlcod & 0xFE;
  switch (clt_kind_of(v.sqlcod)) {
    case clt_kind::varchar:
    case clt_kind::nvarchar: return v.len.s.SYS;
    case clt_kind::char_nul:
    case clt_kind::fixchar: return v.len.s.sqllen + terminator;
    case clt_kind::nfixchar: return 2 * v.len.s.sqllen + terminator;
    case clt_kind::packed8:
    case clt_kind::packed6: return clt_decimal_size(v);
    case clt_kind::decimal:
      return even == CLT_T_DEC_TEXT ? v.len.d.sqlprcsn + 1 : even == CLT_T_ZONED ? v.len.d.sqlprcsn : clt_decimal_size(v);
    default: return v.len.s.sqllen;
  }
}

// What the length rule looks at besides the variable.
struct clt_type_env {
  bool same_byte_order;  // the connection's byte-order flag is set
  bool second_protocol;  // PDSRVTYPE names the second server protocol
  bool server_utf8;      // the server's code set is "5u"
};

constexpr int16_t CLT_SRVTYPE_SECOND = 2;
constexpr char CLT_CODESET_UTF8[] = "5u";
constexpr uint8_t CLT_TERM_NUL = 1;  // terminator byte: character values end with a NUL

inline clt_type_env clt_type_env_of(uint16_t byteorder, int16_t srvtype, const char* server_codeset) {
  return {byteorder != 0, srvtype == CLT_SRVTYPE_SECOND,
          memcmp(server_codeset, CLT_CODESET_UTF8, sizeof CLT_CODESET_UTF8 - 1) == 0};
}

constexpr int32_t CLT_LEN_CHAR = 32000;
constexpr int32_t CLT_LEN_FIXED = 30000;
constexpr int32_t CLT_LEN_NATIONAL = 16000;
constexpr int32_t CLT_LEN_NFIXED = 15000;
constexpr int32_t CLT_DEC_PRECISION_MAX = 38;

// The type and length rule of a code in one direction.
inline clt_var_fault clt_type_rule(const SQLVAR& v, clt_dir dir, const clt_type_env& e) {
  const clt_kind k = clt_kind_of(v.sqlcod);
  const int32_t len = v.len.s.sqllen;
  auto within = [&](int32_t lo, int32_t hi) { return len >= lo && len <= hi ? CLT_VAR_OK : CLT_VAR_LENGTH; };
  auto exactly = [&](int32_t n) { return len == n ? CLT_VAR_OK : CLT_VAR_LENGTH; };
  auto decimal = [&](uint8_t precision, uint8_t scale) {
    return v.len.d.sqlprcsn == precision && v.len.d.sqlscale == scale ? CLT_VAR_OK : CLT_VAR_DECIMAL;
  };
  const bool national_refused = e.second_protocol && e.server_utf8;
  switch (k) {
    case clt_kind::char_nul: return within(1, CLT_LEN_CHAR);
    case clt_kind::char_pad: return dir == clt_dir::in ? within(1, CLT_LEN_FIXED) : CLT_VAR_TYPE;
    case clt_kind::bytes: return e.same_byte_order ? within(1, CLT_LEN_FIXED) : CLT_VAR_TYPE;
    case clt_kind::packed8: return decimal(8, 0);
    case clt_kind::packed6: return decimal(6, 0);
    case clt_kind::coded4: return exactly(4);
    case clt_kind::coded3: return dir == clt_dir::out && e.second_protocol ? CLT_VAR_OK : exactly(3);
    case clt_kind::coded_var: return within(7, 10);
    case clt_kind::lob:
    case clt_kind::lob_rsv: return v.len.sqllen32 >= 1 ? CLT_VAR_OK : CLT_VAR_LENGTH;
    case clt_kind::handle: return exactly(4);
    case clt_kind::varchar: return within(1, CLT_LEN_CHAR);
    case clt_kind::fixchar: return within(1, CLT_LEN_FIXED);
    case clt_kind::nvarchar: return national_refused ? CLT_VAR_LENGTH : within(1, CLT_LEN_NATIONAL);
    case clt_kind::nfixchar: return national_refused ? CLT_VAR_LENGTH : within(1, CLT_LEN_NFIXED);
    case clt_kind::int64: return exactly(8);
    case clt_kind::int32: return exactly(4);
    case clt_kind::int16: return exactly(2);
    case clt_kind::decimal: {
      const uint8_t p = v.len.d.sqlprcsn;
      return p >= 1 && p <= CLT_DEC_PRECISION_MAX && v.len.d.sqlscale <= p ? CLT_VAR_OK : CLT_VAR_DECIMAL;
    }
    case clt_kind::unknown: break;
  }
  return CLT_VAR_TYPE;
}
