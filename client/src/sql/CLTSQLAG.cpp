#include "CLTSQLAG.h"

#include <arpa/inet.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <bit>

#include "CLTCOMCTX.h"
#include "CLTMEM.h"
#include "CLTRPCPR.h"
#include "CLTRPCSS.h"
#include "CLTUTL.h"
#include "clt_cnv.h"
#include "zk_codes.h"

namespace {

constexpr const char* kModule = "CLTSQLAG";
constexpr char kBlank = ' ';
constexpr char kWarn = 'W';
constexpr char kSqlstateCut[] = "01000";
constexpr uint8_t kNoTerminator = 2;
constexpr uint8_t kTerminatorCounts = 1;
constexpr int32_t kUcs2Terminator = 2;
constexpr uint32_t kWideFactor = 3;
constexpr uint32_t kLevelCharsets = 24;
constexpr uint32_t kLevelFlags = 12;
constexpr int16_t kCharsetVersion = 0x802;
constexpr int32_t kSqlNoRowsEnd = 110;

// Body directory.
constexpr uint32_t kBodyTotal = 0;
constexpr uint32_t kBodyData = 16;
constexpr uint32_t kBodyExt = 28;

// Character-set names: two names of a u16 length and 30 bytes each.
constexpr uint32_t kNameField = 30;
constexpr uint32_t kNamePart = 2 + kNameField;
constexpr uint32_t kCsnaNameEntry = 2 * kNamePart;
constexpr char kMaster[] = "MASTER";
constexpr const char* kUtf16[] = {"UTF-16BE", "UTF-16LE"};
// Type-list entries: the two names, the pad length at 64, the pad bytes.
constexpr uint32_t kTypeEntry = 80;
constexpr uint32_t kTypePadLength = 64;
constexpr uint32_t kTypePad = 66;
constexpr uint32_t kTypePadMax = kTypeEntry - kTypePad;

// UCS-2 padding pairs after a conversion: the blank of fixed character
// values, the ideographic space of national ones.
constexpr uint8_t kUcs2Blank[2] = {0x20, 0x00};
constexpr uint8_t kUcs2Space[2] = {0x00, 0x30};

constexpr uint8_t kFlagAddress = 0x01;

// Codes whose values come with an i32 indicator.
bool wide_host_indicator(uint8_t code) {
  switch (code) {
    case 0x91: case 0x93: case 0x95: case 0x99: case 0x9B: case 0x9F: return true;
    default: return false;
  }
}

// The family's rules.
struct family_rules {
  bool prefixed;        // a u16 length in front of the text
  bool national;        // capacity and lengths in two-byte characters
  bool fill_ucs2;       // blank fill skipped in the UCS-2 modes
  bool fill_eucj2;      // and in EUCHJ2 and UJIS2
  int32_t cap;          // indicator cap after a cut
};
family_rules rules_of(clt_char_family f) {
  switch (f) {
    case clt_char_family::var_prefixed: return {true, false, true, true, CLT_LEN_CHAR};
    case clt_char_family::var_nul: return {false, false, false, false, CLT_LEN_CHAR};
    case clt_char_family::fixed: return {false, false, true, false, CLT_LEN_FIXED};
    case clt_char_family::nvar: return {true, true, true, true, CLT_LEN_NATIONAL};
    case clt_char_family::nfixed: return {false, true, true, false, CLT_LEN_NFIXED};
  }
  return {};
}

bool name_is(const uint8_t* part, const char* text) {
  uint16_t len;
  memcpy(&len, part, sizeof len);
  return len == strlen(text) && memcmp(part + 2, text, len) == 0;
}

bool same_name(const uint8_t* a, const uint8_t* b) {
  uint16_t la, lb;
  memcpy(&la, a, sizeof la);
  memcpy(&lb, b, sizeof lb);
  return la == lb && la <= kNameField && memcmp(a + 2, b + 2, la) == 0;
}

// The pad unit of the column's character set, or null.
const uint8_t* pad_unit(const clt_col_env& e, const uint8_t* names, uint16_t* length) {
  if (e.pad_table == nullptr || names == nullptr) return nullptr;
  int16_t count;
  memcpy(&count, e.pad_table, sizeof count);
  for (int16_t k = 0; k < count; ++k) {
    const uint8_t* entry = e.pad_table + sizeof count + kTypeEntry * static_cast<uint32_t>(k);
    if (!same_name(entry, names) || !same_name(entry + kNamePart, names + kNamePart)) continue;
    memcpy(length, entry + kTypePadLength, sizeof *length);
    // A unit of no bytes pads nothing; one longer than its field is none.
    if (*length == 0 || *length > kTypePadMax) return nullptr;
    return entry + kTypePad;
  }
  return nullptr;
}

// Converts the address text and the value through slot 2 into `room`
// bytes at `target` (measuring when target is null). CLT_CNV_FULL when
// either part was cut.
int32_t convert_pieces(const char* prefix, int32_t prefix_len, const uint8_t* value, int32_t n, uint8_t* target,
                       int32_t room, int32_t* produced) {
  *produced = 0;
  int32_t result = CLT_CNV_DONE;
  const struct {
    const char* bytes;
    int32_t length;
  } pieces[] = {{prefix, prefix_len}, {reinterpret_cast<const char*>(value), n}};
  for (const auto& piece : pieces) {
    if (piece.length == 0) continue;
    const bool measuring = target == nullptr;
    int32_t left = measuring ? room : room - *produced;
    if (left <= 0) return CLT_CNV_FULL;
    int32_t source = piece.length;
    int32_t out = 0;
    uint32_t replaced = 0;
    const int32_t rc = clt_cnv_convert(CLT_CNV_SLOT_SERVER, &source, piece.bytes, &left,
                                       measuring ? nullptr : reinterpret_cast<char*>(target + *produced), &out,
                                       &replaced, measuring ? CLT_CNV_MEASURE : CLT_CNV_STORE);
    *produced += std::max(out, 0);
    if (rc == CLT_CNV_FULL) result = CLT_CNV_FULL;
    if (rc == CLT_CNV_FULL && !measuring) return result;
  }
  return result;
}

void put_pairs(const clt_col_env& e, uint8_t* text, int32_t* at, int32_t end, const uint8_t pair[2]) {
  while (*at + 2 <= end) {
    clt_col_put(e, text + *at, pair, 2);
    *at += 2;
  }
}

void put_terminator(const clt_col_env& e, uint8_t* at) {
  if (e.no_terminator) return;
  const uint8_t zeros[kUcs2Terminator] = {0, 0};
  clt_col_put(e, at, zeros, static_cast<size_t>(e.term_size));
}

int32_t capped(int32_t v, int32_t cap) { return std::min(v, cap); }

// "a.b.c.d" and its zero at `out` (CLT_ADDRESS_TEXT_SIZE bytes); its length.
// Written by hand: every row of flagged columns takes it.
int32_t dotted(uint32_t addr, char* out) {
  constexpr int kOctets = 4;
  constexpr uint32_t kOctetBits = 8;
  constexpr uint32_t kOctetMask = 0xFF;
  constexpr uint32_t kBase = 10;
  char* p = out;
  for (int i = kOctets - 1; i >= 0; --i) {
    const uint32_t v = (addr >> (kOctetBits * static_cast<uint32_t>(i))) & kOctetMask;
    if (v >= kBase * kBase) *p++ = static_cast<char>('0' + v / (kBase * kBase));
    if (v >= kBase) *p++ = static_cast<char>('0' + v / kBase % kBase);
    *p++ = static_cast<char>('0' + v % kBase);
    if (i != 0) *p++ = '.';
  }
  *p = '\0';
  return static_cast<int32_t>(p - out);
}

}  // namespace

void clt_col_env_of(rdb_sql_area* area, bool second_list, char sqlca_mark, clt_col_env* e) {
  *e = clt_col_env{};
  clt_main* main = clt_cur_main();
  clt_env* env = main != nullptr ? clt_main_env(main) : nullptr;
  clt_reply_conn* reply = main != nullptr ? clt_main_reply(main) : nullptr;
  e->area = area;
  e->main = main;
  const uint8_t mode = env != nullptr ? env->pdcltcnvmode : uint8_t{CLT_CNV_NOUSE};
  e->convert_mode = mode != CLT_CNV_NOUSE && mode != CLT_CNV_AUTO && mode != CLT_CNV_UTF8_TXT &&
                    mode != CLT_CNV_UTF8MS_TXT;
  e->ucs2 = clt_cnv_ucs2_mode(mode);
  e->fill_skipped = mode == CLT_CNV_EUCHJ2 || mode == CLT_CNV_UJIS2;
  e->wide_factor = env != nullptr && env->cnv_slot[CLT_CNV_SLOT_SERVER - 1].factor == kWideFactor;
  e->big_endian = main == nullptr || main->byteorder == 0;
  e->reverse = e->big_endian != (std::endian::native == std::endian::big);
  e->second = env != nullptr && env->pdsrvtype == CLT_SRVTYPE_SECOND;
  e->no_terminator = area->termbyte == kNoTerminator;
  e->term_size = e->ucs2 ? kUcs2Terminator : 1;
  e->term_room = area->termbyte == kTerminatorCounts ? e->term_size : 0;
  e->carry_data = env != nullptr && env->pddflnval == 'Y' && sqlca_mark == kBlank;
  e->option_n = env != nullptr && env->opt_n == 'Y';
  const bool charsets = main != nullptr && clt_srv_level_at_least(static_cast<uint32_t>(main->srv_level), kLevelCharsets) &&
                        area->version >= kCharsetVersion;
  if (charsets) e->csna = static_cast<const uint8_t*>(second_list ? area->sqlcsna2 : area->sqlcsna1);
  if (reply != nullptr) e->pad_table = reply->type_list;
  if (main != nullptr) memcpy(e->national_space, main->national_space, sizeof e->national_space);
}

void clt_col_take_address(clt_col_env* e) {
  uint32_t addr = 0;
  const clt_rpc_ctx rpc = clt_rpc_parts();
  if (rpc.call != nullptr && rpc.call->sess != nullptr) addr = ntohl(rpc.call->sess->server.sin_addr.s_addr);
  e->address_len = dotted(addr, e->address);
}

const uint8_t* clt_col_names(const clt_col_env& e, int32_t column) {
  if (!clt_csna_names(e.csna, column)) return nullptr;
  uint16_t entry;
  memcpy(&entry, e.csna + CLT_CSNA_ENTRIES + 2 * static_cast<size_t>(column), sizeof entry);
  const int16_t codes = clt_csna_count(e.csna, CLT_CSNA_CODES);
  // An entry number beyond the name entries names nothing the area holds.
  if (entry > clt_csna_count(e.csna, CLT_CSNA_NAMES)) return nullptr;
  return e.csna + CLT_CSNA_ENTRIES + 2 * static_cast<size_t>(codes) + kCsnaNameEntry * (entry - 1u);
}

void clt_col_swapped(const clt_col_env& e, uint8_t* dst, const uint8_t* src, size_t n) {
  if (e.dry) return;
  const size_t kept = clt_col_in_window(e, dst, n);
  clt_col_keep(e, dst, kept);
  for (size_t i = 0; i < kept; ++i) dst[i] = e.reverse ? src[n - 1 - i] : src[i];
}

void clt_col_warn(const clt_col_env& e, bool state) {
  if (e.dry) return;
  e.area->sqlca->sqlwarn[0] = kWarn;
  e.area->sqlca->sqlwarn[1] = kWarn;
  if (state && e.area->sqlca->SQLCODE == 0) clt_set_sqlstate(e.area, kSqlstateCut);
}

void clt_col_decimal_text(const uint8_t* packed, uint8_t p, bool sign_in_front, uint8_t* out) {
  const int32_t bytes = p / 2 + 1;
  const uint8_t sign = packed[bytes - 1] & 0x0F;
  const bool plus = sign == 0x0A || sign == 0x0C || sign == 0x0E || sign == 0x0F;
  const bool minus = sign == 0x0B || sign == 0x0D;
  char digits[2 * (CLT_DEC_PRECISION_MAX / 2 + 1) + 1];
  for (int32_t i = 0; i < bytes; ++i) snprintf(digits + 2 * i, 3, "%02x", packed[i]);
  // The sign nibble goes; an even precision also drops its leading zero nibble.
  const char* first = digits + (p % 2 == 0 ? 1 : 0);
  uint8_t* at = out;
  if (sign_in_front) *at++ = plus ? '+' : minus ? '-' : 0;
  memcpy(at, first, p);
  if (!sign_in_front && p > 0) {
    uint8_t& last = at[p - 1];
    if (plus) last = static_cast<uint8_t>((last & 0x0F) | 0x30);
    if (minus) last = static_cast<uint8_t>((last & 0x0F) | 0x70);
  }
}

int32_t clt_col_char_terminator(const clt_col_env& e) { return e.no_terminator ? 0 : e.term_size; }

bool clt_col_char(const clt_col_env& e, clt_char_family f, const SQLVAR& v, const uint8_t* names,
                  const uint8_t* value, int32_t n, bool prefixed, uint8_t* target, clt_char_out* out) {
  *out = clt_char_out{};
  const family_rules r = rules_of(f);
  const int32_t sqllen = std::max<int32_t>(v.len.s.sqllen, 0);
  uint8_t* text = target + (r.prefixed ? sizeof(uint16_t) : 0);
  // An element smaller than the variable's text takes what fits: a cut.
  const int32_t capacity = static_cast<int32_t>(clt_col_in_window(e, text, static_cast<size_t>(r.national ? 2 * sqllen : sqllen)));
  const char* prefix = prefixed ? e.address : "";
  const int32_t prefix_len = prefixed ? e.address_len : 0;
  const bool copy = !e.convert_mode || (names != nullptr && !r.national);
  if (copy && f == clt_char_family::fixed && names != nullptr && sqllen > n && sqllen % 2 != 0 &&
      name_is(names, kMaster) && (name_is(names + kNamePart, kUtf16[0]) || name_is(names + kNamePart, kUtf16[1]))) {
    return false;
  }
  int32_t length = 0;
  int32_t whole = 0;
  if (copy) {
    // No value is written past its variable: a longer one is cut.
    whole = prefix_len + n;
    length = std::min(whole, capacity);
    const int32_t from_prefix = std::min(prefix_len, length);
    clt_col_put(e, text, prefix, static_cast<size_t>(from_prefix));
    clt_col_put(e, text + from_prefix, value, static_cast<size_t>(length - from_prefix));
    out->cut = whole > capacity;
  } else if (!e.dry) {
    const bool skip_fill = (r.fill_ucs2 && e.ucs2) || (r.fill_eucj2 && e.fill_skipped);
    if (!skip_fill) memset(text, kBlank, static_cast<size_t>(capacity));
    const int32_t rc = convert_pieces(prefix, prefix_len, value, n, text, capacity, &length);
    out->cut = rc == CLT_CNV_FULL;
    if (out->cut) convert_pieces(prefix, prefix_len, value, n, nullptr, capacity, &whole);
  }
  out->length = length;
  if (out->cut) {
    clt_col_warn(e, true);
    out->measured = capped(r.national ? whole / 2 : whole, r.cap);
  }
  switch (f) {
    case clt_char_family::var_prefixed:
    case clt_char_family::nvar:
      clt_col_put16(e, target, static_cast<int16_t>(r.national ? length / 2 : length));
      break;
    case clt_char_family::var_nul:
      put_terminator(e, text + length);
      break;
    case clt_char_family::fixed: {
      if (!copy && e.ucs2) put_pairs(e, text, &length, sqllen, kUcs2Blank);
      uint16_t unit_len = 0;
      const uint8_t* unit = copy ? pad_unit(e, names, &unit_len) : nullptr;
      if (unit == nullptr && length < sqllen) {
        if (!e.dry) {
          clt_col_keep(e, text + length, static_cast<size_t>(sqllen - length));
          memset(text + length, kBlank, static_cast<size_t>(sqllen - length));
        }
        length = sqllen;
      }
      while (length < sqllen) {
        if (length + unit_len <= sqllen) {
          clt_col_put(e, text + length, unit, unit_len);
          length += unit_len;
        } else {
          // The rest of the variable keeps its contents.
          clt_col_warn(e, false);
          out->pad_cut = true;
          out->pad_length = capped(length + unit_len, CLT_LEN_FIXED);
          break;
        }
      }
      put_terminator(e, text + length);
      break;
    }
    case clt_char_family::nfixed: {
      if (!copy && e.ucs2) put_pairs(e, text, &length, capacity, kUcs2Space);
      put_pairs(e, text, &length, capacity, e.national_space);
      if (length < capacity) clt_col_put(e, text + length, &kBlank, 1);
      put_terminator(e, text + capacity);
      break;
    }
  }
  return true;
}

int32_t clt_col_flags(const uint8_t* body, uint32_t total, rdb_sql_area* area, uint16_t columns, bool use,
                      clt_flag_copy* kept, const char* module, const uint8_t** flags, uint16_t* count) {
  *flags = nullptr;
  *count = 0;
  clt_main* main = clt_cur_main();
  clt_col_env e{};
  e.big_endian = main == nullptr || main->byteorder == 0;
  const bool level = main != nullptr && clt_srv_level_at_least(static_cast<uint32_t>(main->srv_level), kLevelFlags);
  uint32_t ext = 0;
  uint32_t rel = 0;
  if (level && use && total >= kBodyExt + sizeof ext) ext = clt_col_u32(e, body + kBodyExt);
  if (ext != 0 && ext <= total && total - ext >= sizeof rel) rel = clt_col_u32(e, body + ext);
  // Flag bytes that do not lie within the reply are none.
  const uint64_t at = uint64_t{ext} + rel;
  if (rel != 0 && at + columns <= total) {
    *flags = body + at;
    *count = columns;
    if (kept != nullptr) {
      if (kept->bytes != nullptr) cltmem_free(kept->bytes, module, __LINE__);
      kept->count = 0;
      kept->bytes = static_cast<uint8_t*>(cltmem_alloc(std::max<uint32_t>(columns, 1), 0, module, __LINE__));
      if (kept->bytes == nullptr) {
        return clt_report(area, module, __LINE__, CLT_SQL_NO_MEMORY, CLT_SQLSTATE_DEFAULT, CLT_MSG_NO_MEMORY,
                          CLT_MEMORY_AREA_PROCESS, static_cast<uint32_t>(columns));
      }
      memcpy(kept->bytes, *flags, columns);
      kept->count = columns;
    }
  }
  if (kept != nullptr && kept->bytes != nullptr) {
    *flags = kept->bytes;
    *count = kept->count;
  }
  return 0;
}

namespace {

enum class step { ok, failed, stop };

// One descriptor-form row: the reply, the list and the per-call rules;
// a block row also carries the places its block gives each column.
struct row {
  clt_col_env& e;
  const uint8_t* body;
  uint32_t total;
  uint32_t data;
  SQLDA* da;
  const uint8_t* flags;
  uint16_t flag_count;
  const char* module = kModule;
  const clt_block_row* block = nullptr;

  bool arrays() const { return block != nullptr && block->layout == clt_block_layout::arrays; }
  bool records() const { return block != nullptr && block->layout == clt_block_layout::records; }
  step refuse(int32_t line) const {
    clt_report(e.area, module, line, CLT_SQL_SERVER_ERROR, CLT_SQLSTATE_DEFAULT, CLT_MSG_SERVER_ERROR, module, line);
    return step::failed;
  }
  // The body position of an offset from the data part, when `size` bytes
  // from there lie within the body.
  bool at(uint32_t off, uint64_t size, uint32_t* pos) const {
    const uint64_t p = uint64_t{data} + off;
    if (p + size > total) return false;
    *pos = static_cast<uint32_t>(p);
    return true;
  }
  bool flagged(int32_t i) const { return flags != nullptr && i < flag_count && (flags[i] & kFlagAddress) != 0; }
};

struct column_desc {
  uint8_t raw;       // as sent: odd when the column is nullable
  uint8_t code;      // even form
  int16_t length;
  uint8_t precision;
  uint8_t scale;
  uint32_t length32;
  uint32_t value;
  uint32_t indicator;
};

bool varchar_code(uint8_t c) { return c == 0xA0 || c == 0xA8 || c == 0xC0 || c == 0xC8; }
bool nul_host(uint8_t c) { return (c & 0xFE) == CLT_T_CHAR_NUL; }
bool text_host(uint8_t c) { return (c & 0xFE) == CLT_T_DEC_TEXT || (c & 0xFE) == CLT_T_ZONED; }
bool packed_host(uint8_t c) { return (c & 0xFC) == CLT_T_DECIMAL; }
bool no_repetition_code(uint8_t c) { return c == CLT_T_BYTES || (c >= CLT_T_LOB && c <= CLT_T_HANDLE3); }

constexpr uint32_t kBlockBinaryMax = 32000;  // 0x90 in column arrays without PDBINARYBLKF

// Whether the descriptor's checks hold for the variable; a block adds
// its own (`block` null for a single row).
bool checks_hold(const clt_col_env& e, const column_desc& d, const SQLVAR& v, bool cs, const clt_block_row* block) {
  const int32_t len = d.length;
  const int32_t sqllen = v.len.s.sqllen;
  const bool unbounded = !cs && e.wide_factor;  // the conversion bounds the text
  const bool arrays = block != nullptr && block->layout == clt_block_layout::arrays;
  switch (d.code) {
    case CLT_T_BYTES: return len >= 1 && len <= CLT_LEN_FIXED && len <= sqllen;
    case CLT_T_PACKED8: return d.precision == 8 && d.scale == 0;
    case CLT_T_PACKED6: return d.precision == 6 && d.scale == 0;
    case CLT_T_CODED4: return len == 4;
    case CLT_T_CODED3: return (e.second && block == nullptr) || len == 3;
    case CLT_T_CODED_VAR: return len >= 7 && len <= 10 && (block != nullptr ? len == sqllen : len <= sqllen);
    case CLT_T_LOB:
      if (arrays && !block->long_binary) return d.length32 >= 1 && d.length32 <= kBlockBinaryMax;
      return d.length32 >= 1 && d.length32 <= static_cast<uint32_t>(INT32_MAX);
    case CLT_T_LOB_RSV: case CLT_T_LOB_RSV2:
      return block == nullptr && d.length32 >= 1 && d.length32 <= static_cast<uint32_t>(INT32_MAX);
    case CLT_T_HANDLE: case CLT_T_HANDLE2: case CLT_T_HANDLE3: return len == 4;
    case CLT_T_VARCHAR: case CLT_T_VARCHAR2: case CLT_T_MVARCHAR: case CLT_T_MVARCHAR2:
      return len >= 1 && len <= CLT_LEN_CHAR;
    case CLT_T_FIXCHAR: case CLT_T_MFIXCHAR:
      return len >= 1 && len <= CLT_LEN_FIXED && (unbounded || len <= sqllen);
    case CLT_T_NVARCHAR: case CLT_T_NVARCHAR2: return len >= 1 && len <= CLT_LEN_NATIONAL;
    case CLT_T_NFIXCHAR: return len >= 1 && len <= CLT_LEN_NFIXED && (unbounded || len <= sqllen);
    case CLT_T_INT64: return len == 8;
    case CLT_T_INT32B: case CLT_T_INT32: return len == 4;
    case CLT_T_DECIMAL: case CLT_T_DECIMAL2:
      return d.precision <= CLT_DEC_PRECISION_MAX && d.scale <= d.precision && d.precision == v.len.d.sqlprcsn &&
             d.scale == v.len.d.sqlscale;
    case CLT_T_INT16: return len == 2;
    default: return false;
  }
}

// Bytes of one value or element of a fixed-size code; 0 for the codes
// whose values carry their own length.
uint32_t fixed_size(const column_desc& d) {
  switch (d.code) {
    case CLT_T_PACKED8: case CLT_T_PACKED6: case CLT_T_DECIMAL: case CLT_T_DECIMAL2: return d.precision / 2u + 1;
    case CLT_T_CODED4: case CLT_T_INT32B: case CLT_T_INT32: case CLT_T_HANDLE: case CLT_T_HANDLE2:
    case CLT_T_HANDLE3: return 4;
    case CLT_T_CODED3: return 3;
    case CLT_T_CODED_VAR: case CLT_T_BYTES: case CLT_T_FIXCHAR: case CLT_T_MFIXCHAR:
      return static_cast<uint32_t>(d.length);
    case CLT_T_NFIXCHAR: return 2u * static_cast<uint32_t>(d.length);
    case CLT_T_INT64: return 8;
    case CLT_T_INT16: return 2;
    default: return 0;
  }
}

// The stride of a repetition variable's elements.
uint32_t element_stride(const clt_col_env& e, const column_desc& d, const SQLVAR& v) {
  const uint32_t sqllen = static_cast<uint32_t>(std::max<int16_t>(v.len.s.sqllen, 0));
  const uint32_t room = static_cast<uint32_t>(e.term_room);
  if (varchar_code(d.code)) return nul_host(v.sqlcod) ? sqllen + room : v.len.s.SYS;
  switch (d.code) {
    case CLT_T_PACKED8: case CLT_T_PACKED6: case CLT_T_DECIMAL: case CLT_T_DECIMAL2:
      if ((v.sqlcod & 0xFE) == CLT_T_DEC_TEXT) return d.precision + 1u;
      if ((v.sqlcod & 0xFE) == CLT_T_ZONED) return d.precision;
      return d.precision / 2u + 1;
    case CLT_T_NVARCHAR: case CLT_T_NVARCHAR2: return v.len.s.SYS;
    case CLT_T_FIXCHAR: case CLT_T_MFIXCHAR: return sqllen + room;
    case CLT_T_NFIXCHAR: return 2 * sqllen + room;
    default: return fixed_size(d);
  }
}

// The value (or element) at `pos`: checks its room in the body and
// stores it at `dst`. *used receives its bytes in the reply.
struct value_io {
  uint32_t pos;
  uint8_t* dst;
  bool prefixed;
  int16_t reply_indicator;  // 0 allows the measured length after a cut
  bool substitute;          // a cut may replace the indicator
  int32_t indicator;        // the indicator to deliver
  bool indicator_set;
};

step store_value(row& r, const column_desc& d, const SQLVAR& v, const uint8_t* names, value_io& io,
                 uint32_t* used) {
  const clt_col_env& e = r.e;
  const uint8_t* src = r.body + io.pos;
  const uint32_t left = r.total - io.pos;
  const uint8_t host = v.sqlcod;
  const uint32_t size = fixed_size(d);
  auto need = [&](uint64_t n) { return n <= left; };
  clt_char_out out{};
  auto after_char = [&](bool ok) {
    if (!ok) return step::stop;
    if (out.cut && io.substitute && io.reply_indicator == 0) {
      io.indicator = out.measured;
      io.indicator_set = true;
    }
    return step::ok;
  };
  switch (d.code) {
    case CLT_T_BYTES: {
      if (!need(size)) return r.refuse(__LINE__);
      clt_col_put(e, io.dst, src, size);
      for (int32_t k = d.length; k < v.len.s.sqllen; ++k) clt_col_put(e, io.dst + k, " ", 1);
      *used = size;
      return step::ok;
    }
    case CLT_T_PACKED8: case CLT_T_PACKED6: case CLT_T_DECIMAL: case CLT_T_DECIMAL2: {
      if (!need(size)) return r.refuse(__LINE__);
      *used = size;
      if (text_host(host)) {
        uint8_t text[CLT_DEC_PRECISION_MAX + 1];
        const bool sign = (host & 0xFE) == CLT_T_DEC_TEXT;
        clt_col_decimal_text(src, d.precision, sign, text);
        clt_col_put(e, io.dst, text, d.precision + (sign ? 1u : 0u));
      } else if (packed_host(host) || d.code == CLT_T_PACKED8 || d.code == CLT_T_PACKED6) {
        clt_col_put(e, io.dst, src, size);
      }
      return step::ok;
    }
    case CLT_T_CODED4: case CLT_T_CODED3: case CLT_T_CODED_VAR: {
      if (!need(size)) return r.refuse(__LINE__);
      // On the second protocol 0x78 is not bound to 3 bytes by the
      // variable's length; the value still goes no further than it.
      const uint32_t room = d.code == CLT_T_CODED3 ? std::min<uint32_t>(size, std::max<int16_t>(v.len.s.sqllen, 0)) : size;
      clt_col_put(e, io.dst, src, room);
      *used = size;
      return step::ok;
    }
    case CLT_T_LOB: case CLT_T_LOB_RSV: case CLT_T_LOB_RSV2: {
      if (!need(2 * sizeof(uint32_t))) return r.refuse(__LINE__);
      const uint32_t n = clt_col_u32(e, src + sizeof(uint32_t));
      if (n > v.len.sqllen32 || !need(uint64_t{n} + 2 * sizeof(uint32_t))) return r.refuse(__LINE__);
      uint8_t* at = io.dst + (d.code == CLT_T_LOB ? 0 : sizeof(uint32_t));
      clt_col_put32(e, at, static_cast<int32_t>(n));
      clt_col_put(e, at + sizeof(uint32_t), src + 2 * sizeof(uint32_t), n);
      *used = n + 2 * sizeof(uint32_t);
      return step::ok;
    }
    case CLT_T_HANDLE: case CLT_T_HANDLE2: case CLT_T_HANDLE3: case CLT_T_INT32: {
      if (!need(size)) return r.refuse(__LINE__);
      clt_col_put32(e, io.dst, static_cast<int32_t>(clt_col_u32(e, src)));
      *used = size;
      return step::ok;
    }
    case CLT_T_INT16: {
      if (!need(size)) return r.refuse(__LINE__);
      clt_col_put16(e, io.dst, static_cast<int16_t>(clt_col_u16(e, src)));
      *used = size;
      return step::ok;
    }
    case CLT_T_INT64: case CLT_T_INT32B: {
      if (!need(size)) return r.refuse(__LINE__);
      clt_col_swapped(e, io.dst, src, size);
      *used = size;
      return step::ok;
    }
    case CLT_T_VARCHAR: case CLT_T_VARCHAR2: case CLT_T_MVARCHAR: case CLT_T_MVARCHAR2:
    case CLT_T_NVARCHAR: case CLT_T_NVARCHAR2: {
      if (!need(sizeof(uint16_t))) return r.refuse(__LINE__);
      const uint16_t n = clt_col_u16(e, src);
      const bool national = !varchar_code(d.code);
      const uint32_t bytes = national ? 2u * n : n;
      if (!need(uint64_t{bytes} + sizeof(uint16_t))) return r.refuse(__LINE__);
      const bool bounded = names != nullptr || !e.wide_factor;
      const int32_t prefix = io.prefixed ? e.address_len : 0;
      const bool nul = !national && nul_host(host);
      if (bounded && (n > v.len.s.sqllen || (nul && n + prefix > v.len.s.sqllen))) return r.refuse(__LINE__);
      *used = bytes + sizeof(uint16_t);
      const clt_char_family f = national ? clt_char_family::nvar : nul ? clt_char_family::var_nul
                                                                        : clt_char_family::var_prefixed;
      return after_char(clt_col_char(e, f, v, names, src + sizeof(uint16_t), static_cast<int32_t>(bytes),
                                     io.prefixed, io.dst, &out));
    }
    case CLT_T_FIXCHAR: case CLT_T_MFIXCHAR: case CLT_T_NFIXCHAR: {
      if (!need(size)) return r.refuse(__LINE__);
      *used = size;
      const clt_char_family f = d.code == CLT_T_NFIXCHAR ? clt_char_family::nfixed : clt_char_family::fixed;
      return after_char(clt_col_char(e, f, v, names, src, static_cast<int32_t>(size), false, io.dst, &out));
    }
    default: return r.refuse(__LINE__);
  }
}

step report_invalid(const row& r, int32_t i) {
  if (r.e.dry) return step::stop;
  clt_col_invalid(r.e.area, r.module, __LINE__, i);
  return step::stop;
}

step repetition(row& r, int32_t i, const column_desc& d, const SQLVAR& v, const uint8_t* names, bool nullable) {
  const clt_col_env& e = r.e;
  // Without a value the column has no elements; its indicator still goes.
  uint32_t at = 0;
  if (d.value != 0 && !r.at(d.value, sizeof(uint32_t), &at)) return r.refuse(__LINE__);
  const uint32_t n = d.value != 0 ? clt_col_u32(e, r.body + at) : 0;
  if (n > static_cast<uint32_t>(std::max<int16_t>(v.XDIM, 0))) return r.refuse(__LINE__);
  uint32_t ind = 0;
  const bool indicators = d.indicator != 0;
  int32_t column_indicator = 0;
  if (indicators) {
    if (!r.at(d.indicator, sizeof(int32_t) + 2ull * n, &ind)) return r.refuse(__LINE__);
    column_indicator = static_cast<int32_t>(clt_col_u32(e, r.body + ind));
    if (column_indicator < 0 && n != 0) return r.refuse(__LINE__);
  }
  // Indicators first: a cut element's measured length then replaces its
  // reply indicator in place.
  auto* sqlind = static_cast<uint8_t*>(v.SQLIND);
  const bool deliver = nullable && indicators && sqlind != nullptr;
  if (deliver) {
    clt_col_put32(e, sqlind, column_indicator);
    for (uint32_t k = 0; k < n; ++k) {
      const auto x = static_cast<int16_t>(clt_col_u16(e, r.body + ind + 4 + 2 * k));
      clt_col_put16(e, sqlind + sizeof(int32_t) + 2 * k, x);
    }
  }
  if (d.value == 0) return step::ok;
  // A row record's null column takes nothing, not even its count.
  if (r.records() && column_indicator < 0 && !e.carry_data) return step::ok;
  auto* var = static_cast<uint8_t*>(v.SQLDATA);
  clt_col_put32(e, var, static_cast<int32_t>(n));
  const uint32_t stride = element_stride(e, d, v);
  const bool consult = n != 0 && indicators && !e.carry_data;
  uint32_t pos = at + sizeof(uint32_t);
  for (uint32_t k = 0; k < n; ++k) {
    const int16_t x = indicators ? static_cast<int16_t>(clt_col_u16(e, r.body + ind + 4 + 2 * k)) : 0;
    if (consult && x < 0) continue;
    value_io io{pos, var + sizeof(uint32_t) + uint64_t{stride} * k, r.flagged(i), x, deliver, 0, false};
    uint32_t used = 0;
    const step s = store_value(r, d, v, names, io, &used);
    if (s == step::stop) return report_invalid(r, i);
    if (s != step::ok) return s;
    if (io.indicator_set) clt_col_put16(e, sqlind + sizeof(int32_t) + 2 * k, static_cast<int16_t>(io.indicator));
    pos += used;
  }
  return step::ok;
}

step report_no_indicator(const row& r, int32_t i) {
  if (r.e.dry) return step::stop;
  clt_report(r.e.area, r.module, __LINE__, CLT_SQL_NULL_INDICATOR, CLT_SQLSTATE_DEFAULT, CLT_MSG_NULL_INDICATOR, i + 1);
  return step::failed;
}

step column(row& r, int32_t i) {
  const clt_col_env& e = r.e;
  const uint8_t* desc = r.body + r.data + CLT_DATA_DESCRIPTORS + CLT_DESC_SIZE * static_cast<uint32_t>(i);
  column_desc d{};
  d.raw = desc[CLT_DESC_CODE];
  d.code = d.raw & 0xFE;
  d.length = static_cast<int16_t>(clt_col_u16(e, desc + CLT_DESC_LENGTH));
  d.precision = desc[CLT_DESC_LENGTH];
  d.scale = desc[CLT_DESC_SCALE];
  d.length32 = clt_col_u32(e, desc + CLT_DESC_LENGTH);
  d.value = clt_col_u32(e, desc + CLT_DESC_VALUE);
  d.indicator = clt_col_u32(e, desc + CLT_DESC_INDICATOR);
  if (r.block != nullptr) {
    d.value = r.block->cells[i].value;
    d.indicator = r.block->cells[i].indicator;
  }
  const SQLVAR& v = r.da->sqlvar[i];
  // A block keys its indicators on the code it sends; a single row on
  // the variable's.
  const uint8_t keyed = r.block != nullptr ? d.raw : v.sqlcod;
  const bool nullable = clt_nullable(keyed);
  const uint8_t* names = clt_col_names(e, i);
  const bool rep = v.XDIM >= CLT_MULTIPLE && !no_repetition_code(d.code);
  if (d.value != 0 && !checks_hold(e, d, v, names != nullptr, r.block)) return r.refuse(__LINE__);
  if (rep) {
    if (r.arrays() && nullable && r.block->cells[i].no_structure) return report_no_indicator(r, i);
    const step s = repetition(r, i, d, v, names, nullable);
    if (s != step::ok) return s;
  }
  // The scalar indicator as the reply carries it.
  uint32_t ind = 0;
  const bool wide = wide_host_indicator(keyed);
  const uint32_t ind_size = wide ? sizeof(int32_t) : sizeof(int16_t);
  const bool has_ind = nullable && d.indicator != 0;
  if (has_ind && !rep && !r.at(d.indicator, ind_size, &ind)) return r.refuse(__LINE__);
  int32_t indicator = 0;
  if (has_ind && !rep) {
    indicator = wide ? static_cast<int32_t>(clt_col_u32(e, r.body + ind)) : static_cast<int16_t>(clt_col_u16(e, r.body + ind));
  }
  // Row records store no value of a null row, column arrays none of a
  // null long value; the value then is data only when nulls carry data.
  const bool null_skipped = has_ind && indicator < 0 && !e.carry_data && (r.records() || (r.arrays() && wide));
  // Row records deliver their indicators unchanged.
  const bool grows = !r.records() && r.flagged(i);
  if (d.value != 0 && !rep && !null_skipped) {
    uint32_t pos = 0;
    if (!r.at(d.value, 0, &pos)) return r.refuse(__LINE__);
    value_io io{pos, static_cast<uint8_t*>(v.SQLDATA), r.flagged(i) && varchar_code(d.code),
                static_cast<int16_t>(indicator), has_ind && v.SQLIND != nullptr, indicator, false};
    uint32_t used = 0;
    const step s = store_value(r, d, v, names, io, &used);
    if (s == step::stop) return report_invalid(r, i);
    if (s != step::ok) return s;
    if (io.indicator_set) indicator = io.indicator;
    else if (indicator > 0 && grows) indicator += e.address_len;
  } else if (indicator > 0 && grows) {
    indicator += e.address_len;
  }
  if (!has_ind) return step::ok;
  if (v.SQLIND == nullptr) {
    // A row record's repetition column then only has no indicator.
    if (rep && r.records()) return step::ok;
    return report_no_indicator(r, i);
  }
  if (rep) return step::ok;
  // A row record delivers a non-negative indicator with a value only.
  if (r.records() && indicator >= 0 && d.value == 0) return step::ok;
  if (wide) {
    clt_col_put32(e, v.SQLIND, indicator);
  } else {
    clt_col_put16(e, v.SQLIND, static_cast<int16_t>(std::min<int32_t>(indicator, INT16_MAX)));
  }
  return step::ok;
}

// The checking pass, then the storing pass, over the row's columns.
int32_t convert_row(row& r, uint16_t columns) {
  for (const bool dry : {true, false}) {
    r.e.dry = dry;
    for (int32_t i = 0; i < columns; ++i) {
      const step s = column(r, i);
      if (s == step::failed) return -1;
      if (s == step::stop) break;
    }
  }
  return 0;
}

// The host-variable list of the running request and how many of its
// variables receive values.
SQLDA* host_list(const clt_main* main, const rdb_sql_area* area, int32_t* receiving) {
  switch (main->funccode) {
    case CLT_FC_AUX: case CLT_FC_AUXI: case CLT_FC_AUXO: case CLT_FC_CALL: case CLT_FC_GETD: case CLT_FC_AUI3:
      *receiving = area->sqliasda2 != nullptr ? area->sqliasda2->sqld : 0;
      return area->sqliasda2;
    case CLT_FC_AUI2:
      // The output part of the combined list: its leading variables.
      *receiving = area->sqliasda != nullptr ? std::min<int32_t>(area->outcount, area->sqliasda->sqld) : 0;
      return area->sqliasda;
    default:
      *receiving = area->sqliasda != nullptr ? area->sqliasda->sqld : 0;
      return area->sqliasda;
  }
}

}  // namespace

int32_t clt_col_refuse(rdb_sql_area* area, const char* module, int32_t line) {
  return clt_report(area, module, line, CLT_SQL_SERVER_ERROR, CLT_SQLSTATE_DEFAULT, CLT_MSG_SERVER_ERROR, module, line);
}

int32_t clt_col_client_error(rdb_sql_area* area, const char* module, int32_t line) {
  return clt_report(area, module, line, CLT_SQL_CLIENT_ERROR, CLT_SQLSTATE_DEFAULT, CLT_MSG_CLIENT_ERROR, module, line);
}

void clt_col_invalid(rdb_sql_area* area, const char* module, int32_t line, int32_t column) {
  clt_report(area, module, line, CLT_SQL_INVALID_DATA, CLT_SQLSTATE_DEFAULT, CLT_MSG_OUTPUT_DATA, "to output", column + 1);
}

bool clt_col_body(const clt_col_env& e, const uint8_t* body, uint32_t length, uint32_t* total, uint32_t* data) {
  if (length < kBodyData + sizeof(uint32_t)) return false;
  *total = std::min(clt_col_u32(e, body + kBodyTotal), length);
  *data = clt_col_u32(e, body + kBodyData);
  return *data < *total;
}

bool clt_col_checks(const clt_col_env& e, uint8_t code, int16_t length, uint8_t precision, uint8_t scale,
                    uint32_t length32, const SQLVAR& v, bool cs, const clt_block_row* block) {
  column_desc d{};
  d.code = code;
  d.length = length;
  d.precision = precision;
  d.scale = scale;
  d.length32 = length32;
  return checks_hold(e, d, v, cs, block);
}

int32_t clt_out_conv(const uint8_t* body, uint32_t length, rdb_sql_area* area) {
  const int32_t code = area->sqlca->SQLCODE;
  if (code == CLT_SQL_NO_ROWS || code == kSqlNoRowsEnd) return 0;
  clt_main* main = clt_cur_main();
  if (main == nullptr) {
    return clt_report(area, kModule, __LINE__, CLT_SQL_CLIENT_ERROR, CLT_SQLSTATE_DEFAULT, CLT_MSG_CLIENT_ERROR,
                      kModule, static_cast<int32_t>(__LINE__));
  }
  clt_reply_conn* reply = clt_main_reply(main);
  const bool fetch = main->funccode == CLT_FC_FETC || main->funccode == CLT_FC_RSFT;
  int32_t receiving = 0;
  SQLDA* da = host_list(main, area, &receiving);
  clt_col_env e{};
  clt_col_env_of(area, da == area->sqliasda2 && da != nullptr, reply->sqlca_mark, &e);
  auto refuse = [&](int32_t line) {
    return clt_report(area, kModule, line, CLT_SQL_SERVER_ERROR, CLT_SQLSTATE_DEFAULT, CLT_MSG_SERVER_ERROR, kModule,
                      line);
  };
  if (da == nullptr) {
    return clt_report(area, kModule, __LINE__, CLT_SQL_CLIENT_ERROR, CLT_SQLSTATE_DEFAULT, CLT_MSG_CLIENT_ERROR,
                      kModule, static_cast<int32_t>(__LINE__));
  }
  if (length < kBodyData + sizeof(uint32_t)) return refuse(__LINE__);
  const uint32_t total = std::min(clt_col_u32(e, body + kBodyTotal), length);
  const uint32_t data = clt_col_u32(e, body + kBodyData);
  if (data >= total || total - data < CLT_DATA_DESCRIPTORS) return refuse(__LINE__);
  const uint16_t columns = clt_col_u16(e, body + data + CLT_DATA_COLUMNS);
  // The reply never names more columns than the list receives.
  if (columns > receiving || uint64_t{data} + CLT_DATA_DESCRIPTORS + uint64_t{CLT_DESC_SIZE} * columns > total) {
    return refuse(__LINE__);
  }
  const uint8_t* flags = nullptr;
  uint16_t flag_count = 0;
  if (clt_col_flags(body, total, area, columns, area->outcount > 0 || fetch, fetch ? &reply->kept_flags : nullptr,
                    kModule, &flags, &flag_count) != 0) {
    return -1;
  }
  if (flags != nullptr) clt_col_take_address(&e);
  row r{e, body, total, data, da, flags, flag_count};
  return convert_row(r, columns);
}

int32_t clt_block_row_conv(const uint8_t* body, uint32_t total, uint32_t data, uint16_t columns, SQLDA* da,
                           clt_col_env& e, const uint8_t* flags, uint16_t flag_count, const clt_block_row& block,
                           const char* module) {
  row r{e, body, total, data, da, flags, flag_count, module, &block};
  return convert_row(r, columns);
}
