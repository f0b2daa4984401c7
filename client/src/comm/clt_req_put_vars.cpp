#include "clt_req_put_vars.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "CLTSQLDA.h"
#include "zk_codes.h"
#include "zk_packet.h"
#include "zk_seam.h"

using namespace clt_pkt;

namespace {

constexpr const char* kModule = "CLTRPCPR";
constexpr uint32_t kNullOffsetLevel = 10;
constexpr uint32_t kEntrySize = 16;
constexpr uint32_t kListHead = 16;
constexpr int32_t kLengthFactor = 3;
constexpr int16_t kArrayVersion = 0x700;
constexpr int16_t kManyRows = 2;
constexpr int16_t kSecondProtocol = 2;
constexpr uint8_t kNullable = 0x01;
constexpr uint32_t kCnvStore = 0, kCnvMeasure = 1;  // modes of the conversion slots

// Entry fields.
enum : uint32_t { kCode = 1, kXdim = 2, kLength = 4, kSize = 6, kValueOff = 8, kIndOff = 12 };

// Conversion modes that copy character data as it stands.
enum : uint8_t { kCnvNone = 0, kCnvAuto = 1, kCnvUtf8Txt = 8, kCnvUtf8MsTxt = 9, kCnvUcs2First = 10, kCnvUcs2Last = 12 };

// Codes, even forms.
enum : uint8_t {
  kStrZ = 0x30, kStrBlank = 0x32, kBinary = 0x44, kDec64 = 0x64, kDec6E = 0x6E, kRaw70 = 0x70, kRaw78 = 0x78,
  kRaw7C = 0x7C, kBlob90 = 0x90, kBlob92 = 0x92, kLoc94 = 0x94, kBlob98 = 0x98, kLoc9A = 0x9A, kLoc9E = 0x9E,
  kVarA0 = 0xA0, kFixA4 = 0xA4, kVarA8 = 0xA8, kNVarB0 = 0xB0, kNFixB4 = 0xB4, kNVarB8 = 0xB8, kVarC0 = 0xC0,
  kFixC4 = 0xC4, kVarC8 = 0xC8, kFloat8 = 0xE0, kFloat4 = 0xE2, kDecE4 = 0xE4, kDecE7 = 0xE7, kSignText = 0xEA,
  kZoned = 0xEC, kInt = 0xF0, kSmall = 0xF4,
};

// 10.113's precision bound: p/2+1 packed bytes, at most 20.
constexpr int32_t kPackedMax = 20;
// Large-binary rows of an array statement: slots of (length + 15) rounded
// down to a multiple of 8.
constexpr uint64_t kBlobSlotExtra = 15;
constexpr uint32_t kBlobAlign = 8;

// Caps of the INTO lengths that the reply's conversion may need.
constexpr int32_t kCapVar = 32000, kCapFix = 30000, kCapNVar = 16000, kCapNFix = 15000;

bool varchar(uint8_t k) { return k == kVarA0 || k == kVarA8 || k == kVarC0 || k == kVarC8; }
bool fixchar(uint8_t k) { return k == kFixA4 || k == kFixC4; }
bool nvarchar(uint8_t k) { return k == kNVarB0 || k == kNVarB8; }
bool decimal(uint8_t k) { return k == kDec64 || k == kDec6E || (k >= kDecE4 && k <= kDecE7) || k == kSignText || k == kZoned; }
bool long32(uint8_t k) { return k == kBlob90 || k == kBlob92 || k == kBlob98; }
bool character(uint8_t k) { return k == kStrZ || k == kStrBlank || varchar(k) || fixchar(k) || nvarchar(k) || k == kNFixB4; }
bool ind32(uint8_t k) { return k == kBlob90 || k == kBlob92 || k == kLoc94 || k == kBlob98 || k == kLoc9A || k == kLoc9E; }

int32_t packed_size(const SQLVAR& v) { return v.len.d.sqlprcsn / 2 + 1; }

// A plain value's size in the packet.
int32_t plain_size(uint8_t k, const SQLVAR& v) {
  if (decimal(k)) return packed_size(v);
  if (nvarchar(k) || k == kNFixB4) return 2 * v.len.s.sqllen;
  return v.len.s.sqllen;
}

uint8_t sent_code(uint8_t code) {
  const uint8_t k = static_cast<uint8_t>(code & ~kNullable);
  const uint8_t n = static_cast<uint8_t>(code & kNullable);
  if (k == kStrZ || k == kStrBlank) return static_cast<uint8_t>(kVarC0 | n);
  if (k == kSignText || k == kZoned) return static_cast<uint8_t>(kDecE4 | n);
  return code;
}

class encoder {
 public:
  encoder(const clt_req_ctx& c, const SQLDA* da, const void* csna, uint32_t part, uint32_t* running, char* token,
          int32_t mode, clt_put_vars_fault* fault)
      : c_(c), w_(c.packet, c.main->byteorder), da_(da), csna_(csna), part_(part), running_(running), token_(token),
        mode_(mode), fault_(fault), term_(c.area->termbyte) {}

  int32_t run(int32_t into) {
    const uint32_t entries_end = part_ + kListHead + kEntrySize * static_cast<uint32_t>(da_->sqld);
    if (entries_end > c_.packet_size) return no_room(__LINE__);
    *running_ = std::max(*running_, entries_end);
    for (int32_t i = 0; i < da_->sqld; ++i) {
      const SQLVAR& v = da_->sqlvar[i];
      const uint32_t e = part_ + kListHead + kEntrySize * static_cast<uint32_t>(i);
      entry_head(e, v);
      const int32_t rc = i < into ? into_var(e, v, i) : input_var(e, v, i);
      if (rc != 0) return rc;
    }
    return 0;
  }

 private:
  bool array_statement() const {
    const int32_t f = c_.main->funccode;
    return (f == CLT_FC_AUI2 || f == CLT_FC_AUX) && c_.area->version >= kArrayVersion && c_.area->arycount >= kManyRows;
  }
  bool converting(int32_t i, uint8_t k) const {
    const uint8_t m = c_.env->pdcltcnvmode;
    if (m == kCnvNone || m == kCnvAuto) return false;
    const bool national = nvarchar(k) || k == kNFixB4;
    if (!national && (m == kCnvUtf8Txt || m == kCnvUtf8MsTxt)) return false;
    return national || !clt_csna_names(csna_, i);
  }

  int32_t refuse(int32_t i, int32_t kind) {
    fault_->number = i + 1;
    fault_->kind = kind;
    return CLT_SQL_VARIABLE_TYPE;
  }
  int32_t unsupported(const char* what) {
    snprintf(token_, CLT_PUT_VARS_TOKEN, CLT_MSG_NOT_SUPPORTED, what);
    return CLT_SQL_NOT_SUPPORTED;
  }

  void entry_head(uint32_t e, const SQLVAR& v) {
    const uint8_t k = static_cast<uint8_t>(v.sqlcod & ~kNullable);
    w_.zero(e + kCode, e + kEntrySize);
    w_.byte(e + kCode, sent_code(v.sqlcod));
    w_.i16(e + kXdim, v.XDIM);
    if (long32(k)) {
      w_.u32(e + kLength, v.len.sqllen32);
    } else if (decimal(k)) {
      w_.byte(e + kLength, v.len.d.sqlprcsn);
      w_.byte(e + kLength + 1, v.len.d.sqlscale);
    } else {
      w_.i16(e + kLength, v.len.s.sqllen);
    }
  }

  // INTO variables: described with the size a value may take.
  int32_t into_var(uint32_t e, const SQLVAR& v, int32_t i) {
    const uint8_t k = static_cast<uint8_t>(v.sqlcod & ~kNullable);
    if (long32(k)) return 0;
    int32_t len = v.len.s.sqllen;
    const bool enlarge = c_.env->cnv_slot[CLT_CNV_SLOT_SERVER - 1].factor == kLengthFactor && !clt_csna_names(csna_, i) && character(k) &&
                         k != kStrBlank && k != kVarA8 && k != kVarC8 && k != kNVarB8;
    if (enlarge) {
      const int32_t cap = (k == kStrZ || varchar(k)) ? kCapVar : fixchar(k) ? kCapFix : nvarchar(k) ? kCapNVar : kCapNFix;
      len = std::min(kLengthFactor * len, cap);
      w_.i16(e + kLength, static_cast<int16_t>(len));
    }
    int32_t size = 0;
    const int32_t extra = v.len.s.SYS - v.len.s.sqllen;
    const int32_t termination = term_ == kTermDefault ? 1 : 0;
    if (mode_ == 1) {
      size = (k == kStrZ || k == kStrBlank || varchar(k)) ? len + 2 : nvarchar(k) ? 2 * len + 2
           : k == kNFixB4 ? 2 * len : fixchar(k) ? len : plain_size(k, v);
    } else if (mode_ == 2) {
      if ((varchar(k) && v.len.s.SYS < v.len.s.sqllen + 2) || (nvarchar(k) && v.len.s.SYS < 2 * v.len.s.sqllen + 2)) {
        return refuse(i, CLT_VAR_REAL_LENGTH);
      }
      size = (k == kStrZ || k == kStrBlank) ? static_cast<int32_t>(round_to(static_cast<uint32_t>(len), 2)) + 2
           : varchar(k) ? extra + len : nvarchar(k) ? extra + 2 * len
           : fixchar(k) ? len + termination : k == kNFixB4 ? 2 * len + termination : plain_size(k, v);
    }
    if (v.XDIM >= 2) {
      size = element_size(k, v, len);
      if (size < 0) return refuse(i, CLT_VAR_REAL_LENGTH);
    }
    if (mode_ != 0 || v.XDIM >= 2) w_.u16(e + kSize, static_cast<uint16_t>(size));
    return 0;
  }

  // The value size of a repetition variable's element for length len; -1
  // when its element stride cannot hold a VARCHAR element.
  static int32_t element_size(uint8_t k, const SQLVAR& v, int32_t len) {
    if ((varchar(k) && v.len.s.SYS < v.len.s.sqllen + 2) || (nvarchar(k) && v.len.s.SYS < 2 * v.len.s.sqllen + 2)) {
      return -1;
    }
    return (k == kStrZ || k == kStrBlank || varchar(k)) ? len + 2 : nvarchar(k) ? 2 * len + 2
         : fixchar(k) ? len : k == kNFixB4 ? 2 * len : plain_size(k, v);
  }

  // Reserves n bytes at the running offset aligned to a; their offset,
  // or 0 when they would pass the request buffer.
  uint32_t place(uint32_t a, uint32_t n) {
    const uint32_t at = a > 1 ? round_to(*running_, a) : *running_;
    if (at + n > c_.packet_size || at + n < at) return 0;
    // The gap and a reserved place go out cleared, never as stale bytes.
    w_.zero(*running_, at + n);
    *running_ = at + n;
    return at;
  }
  int32_t no_room(int line) {
    snprintf(token_, CLT_PUT_VARS_TOKEN, CLT_MSG_CLIENT_ERROR, kModule, static_cast<int32_t>(line));
    return CLT_SQL_CLIENT_ERROR;
  }

  // Length of a zero-terminated string searched within room bytes; a row
  // of exactly sqllen bytes with no room for its zero is all text. -1
  // when no zero lies where one must.
  static int32_t zstr_len(const void* p, int32_t sqllen, int32_t room) {
    const void* zero = memchr(p, 0, static_cast<size_t>(room));
    if (zero != nullptr) return static_cast<int32_t>(static_cast<const uint8_t*>(zero) - static_cast<const uint8_t*>(p));
    return room == sqllen ? sqllen : -1;
  }

  static int16_t host_i16(const void* p) {
    int16_t v;
    memcpy(&v, p, sizeof v);
    return v;
  }
  static int32_t host_i32(const void* p) {
    int32_t v;
    memcpy(&v, p, sizeof v);
    return v;
  }

  int32_t input_var(uint32_t e, const SQLVAR& v, int32_t i) {
    const uint8_t k = static_cast<uint8_t>(v.sqlcod & ~kNullable);
    const bool nullable = (v.sqlcod & kNullable) != 0 && v.SQLIND != nullptr;
    const bool second = c_.env->pdsrvtype == kSecondProtocol;
    if (((k == kBlob98 || k == kLoc94) && !second) || !known(k)) return refuse(i, CLT_VAR_TYPE);
    if (v.SQLDATA == nullptr) return refuse(i, CLT_VAR_TYPE);
    if (v.XDIM >= 2) return repetition(e, v, i, k);
    if (array_statement() && k != kBlob92 && k != kBlob98) return rows(e, v, i, k);
    const bool wide_ind = ind32(k);
    const bool null = nullable && (wide_ind ? host_i32(v.SQLIND) < 0 : host_i16(v.SQLIND) < 0);
    if (null && clt_srv_level_at_least(static_cast<uint32_t>(c_.main->srv_level), kNullOffsetLevel)) {
      w_.u32(e + kValueOff, 0);
    } else {
      const int32_t rc = value(e, v, i, k, null && k != kBlob90);
      if (rc != 0) return rc;
    }
    if (!nullable) return 0;
    const uint32_t at = place(wide_ind ? 4 : 2, wide_ind ? 4 : 2);
    if (at == 0) return no_room(__LINE__);
    if (wide_ind) {
      w_.i32(at, host_i32(v.SQLIND));
    } else {
      w_.i16(at, host_i16(v.SQLIND));
    }
    w_.u32(e + kIndOff, at - part_);
    return 0;
  }

  // Array-statement mode: the variable holds R rows, its indicator R
  // indicators; numbers go back to back, strings through a table of
  // offsets to slots of one width, fixed strings in slots of their width.
  int32_t rows(uint32_t e, const SQLVAR& v, int32_t i, uint8_t k) {
    const auto r = static_cast<uint32_t>(c_.area->arycount);
    const auto* host = static_cast<const uint8_t*>(v.SQLDATA);
    const auto* ind = static_cast<const uint8_t*>(v.SQLIND);
    const bool nullable = (v.sqlcod & kNullable) != 0 && ind != nullptr;
    const bool wide_ind = k == kBlob90 || k == kLoc94 || k == kLoc9A || k == kLoc9E;
    auto row_null = [&](uint32_t j) {
      return nullable && (wide_ind ? host_i32(ind + 4 * j) < 0 : host_i16(ind + 2 * j) < 0);
    };
    const int32_t sqllen = v.len.s.sqllen;
    uint32_t first = 0;
    const bool conv = character(k) && converting(i, k);
    const bool national = nvarchar(k) || k == kNFixB4;
    const int32_t step = stride(v);
    if ((character(k) && sqllen < 0) || step < 0) return refuse(i, CLT_VAR_REAL_LENGTH);
    // Converted rows are measured first: their widest sets the slot width
    // and the entry's length.
    uint32_t width = 0;
    if (fixchar(k) || k == kNFixB4 || !conv) width = static_cast<uint32_t>(national ? 2 * sqllen : sqllen);
    if (conv) {
      for (uint32_t j = 0; j < r; ++j) {
        int32_t count = national ? 2 * sqllen : sqllen;
        if (!row_null(j)) {
          const char* src = nullptr;
          int32_t n = 0;
          if (row_text(k, host + static_cast<size_t>(step) * j, sqllen, step, &src, &n) != 0) {
            return refuse(i, CLT_VAR_REAL_LENGTH);
          }
          if (convert(src, n, reinterpret_cast<char*>(c_.packet) + *running_, room_for(national, sqllen, n), &count,
                      kCnvMeasure) != 0) {
            return no_room(__LINE__);
          }
          if (national && count % 2 != 0) return odd_national(i);
        }
        if (static_cast<uint32_t>(count) > width) {
          width = static_cast<uint32_t>(count);
          if (!fixchar(k) && k != kNFixB4) width = round_to(width, 2);
          w_.i16(e + kLength, static_cast<int16_t>(national ? count / 2 : count));
        }
      }
    }
    if (k == kStrZ || k == kStrBlank || varchar(k) || nvarchar(k)) {
      if (element_size(k, v, sqllen) < 0 || step <= 0) return refuse(i, CLT_VAR_REAL_LENGTH);
      if (!conv) width = round_to(width, 2);
      first = place(4, 4 * r);
      if (first == 0) return no_room(__LINE__);
      for (uint32_t j = 0; j < r; ++j) {
        const uint32_t slot = place(1, width + 2);
        if (slot == 0) return no_room(__LINE__);
        if (row_null(j)) {
          w_.u32(first + 4 * j, 0);
          continue;
        }
        const char* src = nullptr;
        int32_t n = 0;
        if (row_text(k, host + static_cast<size_t>(step) * j, sqllen, step, &src, &n) != 0) {
          return refuse(i, CLT_VAR_REAL_LENGTH);
        }
        int32_t m = n;
        if (!conv) {
          w_.bytes(slot + 2, src, static_cast<size_t>(n));
        } else if (convert(src, n, reinterpret_cast<char*>(c_.packet) + slot + 2, static_cast<int32_t>(width), &m,
                           kCnvStore) != 0) {
          return no_room(__LINE__);
        }
        w_.u16(slot, static_cast<uint16_t>(national ? m / 2 : m));
        w_.u32(first + 4 * j, slot - part_);
      }
    } else if (conv) {
      // Fixed strings converted into cleared slots of the widest width.
      first = place(1, width * r);
      if (first == 0 || uint64_t{width} * r > UINT32_MAX) return no_room(__LINE__);
      for (uint32_t j = 0; j < r; ++j) {
        if (row_null(j)) continue;
        int32_t m = 0;
        const auto* row = reinterpret_cast<const char*>(host + static_cast<size_t>(step) * j);
        if (convert(row, national ? 2 * sqllen : sqllen, reinterpret_cast<char*>(c_.packet) + first + width * j,
                    static_cast<int32_t>(width), &m, kCnvStore) != 0) {
          return no_room(__LINE__);
        }
      }
    } else if (k == kBlob90) {
      const uint32_t len32 = v.len.sqllen32;
      const uint64_t slot_width = (uint64_t{len32} + kBlobSlotExtra) / kBlobAlign * kBlobAlign;
      if (slot_width * r > UINT32_MAX) return no_room(__LINE__);
      first = place(4, 4 * r);
      if (first == 0) return no_room(__LINE__);
      const uint32_t slots = place(kBlobAlign, static_cast<uint32_t>(slot_width * r));
      if (slots == 0) return no_room(__LINE__);
      for (uint32_t j = 0; j < r; ++j) {
        const uint8_t* row = host + (static_cast<size_t>(len32) + 4) * j;
        const uint32_t slot = slots + static_cast<uint32_t>(slot_width) * j;
        if (row_null(j)) {
          w_.u32(first + 4 * j, 0);
          continue;
        }
        const int32_t l = host_i32(row);
        if (l < 0 || static_cast<uint32_t>(l) > len32) return refuse(i, CLT_VAR_REAL_LENGTH);
        w_.u32(slot, 0);
        w_.u32(slot + 4, static_cast<uint32_t>(l));
        w_.bytes(slot + 8, row + 4, static_cast<size_t>(l));
        w_.u32(first + 4 * j, slot - part_);
      }
    } else {
      const bool fixed = fixchar(k) || k == kNFixB4;
      const bool packed_text = k == kSignText || k == kZoned;
      const int32_t size = packed_text ? packed_size(v) : plain_size(k, v);
      const int32_t step = stride(v);
      if (size < 0 || step < 0 || (packed_text && size > kPackedMax)) return refuse(i, CLT_VAR_DECIMAL);
      const uint32_t align = (k == kInt || k == kFloat4 || k == kLoc94 || k == kLoc9A || k == kLoc9E) ? 4
                           : k == kFloat8 ? 8 : k == kSmall ? 2 : 1;
      if (uint64_t{static_cast<uint32_t>(size)} * r > UINT32_MAX) return no_room(__LINE__);
      first = place(align, static_cast<uint32_t>(size) * r);
      if (first == 0) return no_room(__LINE__);
      for (uint32_t j = 0; j < r; ++j) {
        const uint8_t* row = host + static_cast<size_t>(step) * j;
        const uint32_t at = first + static_cast<uint32_t>(size) * j;
        // Numbers go for every row; the text forms leave a null row's slot empty.
        if ((fixed || packed_text) && row_null(j)) continue;
        scalar_into(at, row, v, k, size);
      }
    }
    w_.u32(e + kValueOff, first - part_);
    if (!nullable) return 0;
    const uint32_t unit = wide_ind ? 4 : 2;
    const uint32_t at = place(unit, unit * r);
    if (at == 0) return no_room(__LINE__);
    for (uint32_t j = 0; j < r; ++j) {
      if (wide_ind) {
        w_.i32(at + 4 * j, host_i32(ind + 4 * j));
      } else {
        w_.i16(at + 2 * j, host_i16(ind + 2 * j));
      }
    }
    w_.u32(e + kIndOff, at - part_);
    return 0;
  }

  // A fixed-size value in its scalar form at a given place.
  void scalar_into(uint32_t at, const uint8_t* host, const SQLVAR& v, uint8_t k, int32_t size) {
    if (k == kSignText || k == kZoned) {
      pack_text(at, host, v.len.d.sqlprcsn, k == kSignText);
    } else if (k == kInt || k == kLoc94 || k == kLoc9A || k == kLoc9E) {
      w_.i32(at, host_i32(host));
    } else if (k == kSmall) {
      w_.i16(at, host_i16(host));
    } else if (k == kFloat8 || k == kFloat4) {
      reversed(at, host, static_cast<uint32_t>(size));
    } else {
      w_.bytes(at, host, static_cast<size_t>(size));
    }
  }

  // The host stride of a repetition element.
  int32_t stride(const SQLVAR& v) const {
    const uint8_t m = c_.env->pdcltcnvmode;
    const int32_t term = term_ != kTermDefault ? 0 : (m >= kCnvUcs2First && m <= kCnvUcs2Last) ? 2 : 1;
    return clt_element_stride(v, term);
  }

  // A repetition value: at a multiple of 4 the element count, then the
  // elements that are not null back to back, each in its own form.
  int32_t repetition(uint32_t e, const SQLVAR& v, int32_t i, uint8_t k) {
    if (long32(k)) return unsupported("repetition of a large object");
    const auto* host = static_cast<const uint8_t*>(v.SQLDATA);
    const bool nullable = (v.sqlcod & kNullable) != 0 && v.SQLIND != nullptr;
    const auto* ind = static_cast<const uint8_t*>(v.SQLIND);
    const int32_t column = nullable ? host_i32(ind) : 0;
    const int32_t n = host_i32(host);
    // The host holds XDIM elements; a count beyond them is not read.
    if (n < 0 || n > v.XDIM) return refuse(i, CLT_VAR_REAL_LENGTH);
    const int32_t step = stride(v);
    const int32_t size = element_size(k, v, v.len.s.sqllen);
    if (size < 0 || step <= 0) return refuse(i, CLT_VAR_REAL_LENGTH);
    w_.u16(e + kSize, static_cast<uint16_t>(size));
    const bool null = column < 0;
    const bool conv = character(k) && converting(i, k);
    int32_t width = 0;  // of converted fixed elements: their widest
    if (conv && !null) {
      const int32_t rc = measure_elements(e, v, i, k, n, step, &width);
      if (rc != 0) return rc;
    }
    if (null && clt_srv_level_at_least(static_cast<uint32_t>(c_.main->srv_level), kNullOffsetLevel)) {
      w_.u32(e + kValueOff, 0);
    } else {
      const uint32_t at = place(4, 4);
      if (at == 0) return no_room(__LINE__);
      w_.u32(at, null ? 0 : static_cast<uint32_t>(n));
      for (int32_t j = 0; !null && j < n; ++j) {
        if (nullable && host_i16(ind + 4 + 2 * j) < 0) continue;
        const uint8_t* at_host = host + 4 + static_cast<size_t>(step) * static_cast<size_t>(j);
        const int32_t rc = conv ? converted_element(v, i, k, at_host, step, width) : element(v, i, k, at_host, step);
        if (rc != 0) return rc;
      }
      w_.u32(e + kValueOff, at - part_);
    }
    if (!nullable) return 0;
    const uint32_t count = null ? 0 : static_cast<uint32_t>(n);
    const uint32_t at = place(4, 4 + 2 * count);
    if (at == 0) return no_room(__LINE__);
    w_.i32(at, column);
    for (uint32_t j = 0; j < count; ++j) w_.i16(at + 4 + 2 * j, host_i16(ind + 4 + 2 * j));
    w_.u32(e + kIndOff, at - part_);
    return 0;
  }

  // Measures the converted elements that are not null: the entry's length
  // follows the widest (fixed and the zero-terminated and blank-padded
  // forms always, VARCHAR only above sqllen), as does the fixed width.
  int32_t measure_elements(uint32_t e, const SQLVAR& v, int32_t i, uint8_t k, int32_t n, int32_t step, int32_t* width) {
    const auto* host = static_cast<const uint8_t*>(v.SQLDATA);
    const auto* ind = static_cast<const uint8_t*>(v.SQLIND);
    const bool nullable = (v.sqlcod & kNullable) != 0 && ind != nullptr;
    const bool national = nvarchar(k) || k == kNFixB4;
    const int32_t sqllen = v.len.s.sqllen;
    int32_t widest = 0;
    for (int32_t j = 0; j < n; ++j) {
      if (nullable && host_i16(ind + 4 + 2 * j) < 0) continue;
      const char* src = nullptr;
      int32_t bytes = 0, m = 0;
      if (row_text(k, host + 4 + static_cast<size_t>(step) * static_cast<size_t>(j), sqllen, step, &src, &bytes) != 0) {
        return refuse(i, CLT_VAR_REAL_LENGTH);
      }
      if (convert(src, bytes, reinterpret_cast<char*>(c_.packet) + *running_, room_for(national, sqllen, bytes), &m,
                  kCnvMeasure) != 0) {
        return no_room(__LINE__);
      }
      if (national && m % 2 != 0) return odd_national(i);
      widest = std::max(widest, m);
    }
    *width = widest;
    const int32_t length = national ? widest / 2 : widest;
    if (!(varchar(k) || nvarchar(k)) || length > sqllen) w_.i16(e + kLength, static_cast<int16_t>(length));
    return 0;
  }

  // One converted element: a string with its converted length, or a fixed
  // string in a cleared slot of the widest width.
  int32_t converted_element(const SQLVAR& v, int32_t i, uint8_t k, const uint8_t* host, int32_t step, int32_t width) {
    const bool national = nvarchar(k) || k == kNFixB4;
    const bool fixed = fixchar(k) || k == kNFixB4;
    const char* src = nullptr;
    int32_t n = 0, m = 0;
    if (row_text(k, host, v.len.s.sqllen, step, &src, &n) != 0) return refuse(i, CLT_VAR_REAL_LENGTH);
    const uint32_t head = fixed ? 0 : 2;
    const int32_t room = fixed ? width : room_for(national, v.len.s.sqllen, n);
    const uint32_t at = place(1, head + static_cast<uint32_t>(room));
    if (at == 0) return no_room(__LINE__);
    if (convert(src, n, reinterpret_cast<char*>(c_.packet) + at + head, room, &m, kCnvStore) != 0) {
      return no_room(__LINE__);
    }
    if (fixed) return 0;
    w_.u16(at, static_cast<uint16_t>(national ? m / 2 : m));
    *running_ = at + head + static_cast<uint32_t>(m);
    return 0;
  }

  // One element of `step` host bytes, written at the running offset
  // without alignment.
  int32_t element(const SQLVAR& v, int32_t i, uint8_t k, const uint8_t* host, int32_t step) {
    const int32_t sqllen = v.len.s.sqllen;
    int32_t n = 0;
    const uint8_t* src = host;
    uint32_t head = 2;
    if (k == kStrZ) {
      n = zstr_len(host, sqllen, step);
      if (n < 0) return refuse(i, CLT_VAR_REAL_LENGTH);
    } else if (k == kStrBlank) {
      n = clt_rtrim_len(reinterpret_cast<const char*>(host), sqllen);
    } else if (varchar(k) || nvarchar(k)) {
      n = host_i16(host);
      src = host + 2;
      if (n < 0 || n > sqllen) return refuse(i, CLT_VAR_REAL_LENGTH);
      if (nvarchar(k)) n *= 2;
    } else {
      head = 0;
      n = decimal(k) ? packed_size(v) : plain_size(k, v);
    }
    const uint32_t at = place(1, head + static_cast<uint32_t>(n));
    if (at == 0) return no_room(__LINE__);
    if (head != 0) {
      w_.u16(at, static_cast<uint16_t>(nvarchar(k) ? n / 2 : n));
      w_.bytes(at + head, src, static_cast<size_t>(n));
    } else {
      scalar_into(at, host, v, k, n);
    }
    return 0;
  }

  static bool known(uint8_t k) {
    return k == kStrZ || k == kStrBlank || k == kBinary || decimal(k) || k == kRaw70 || k == kRaw78 || k == kRaw7C ||
           long32(k) || k == kLoc94 || k == kLoc9A || k == kLoc9E || character(k) || k == kFloat8 || k == kFloat4 ||
           k == kInt || k == kSmall;
  }

  // The value of an input variable; `reserve` keeps a null value's place
  // for a server that has no null offset.
  int32_t value(uint32_t e, const SQLVAR& v, int32_t i, uint8_t k, bool reserve) {
    const auto* host = static_cast<const uint8_t*>(v.SQLDATA);
    const int32_t sqllen = v.len.s.sqllen;
    uint32_t at = 0;
    if (!reserve && character(k) && converting(i, k)) return converted(e, v, i, k);
    if (k == kStrZ || k == kStrBlank || varchar(k) || nvarchar(k)) {
      const int32_t text = nvarchar(k) ? 2 * sqllen : sqllen;
      if (sqllen < 0) return refuse(i, CLT_VAR_REAL_LENGTH);
      int32_t n = 0;
      const uint8_t* src = host;
      if (!reserve) {
        if (k == kStrZ) {
          n = zstr_len(host, sqllen, sqllen + 1);
          if (n < 0) return refuse(i, CLT_VAR_REAL_LENGTH);
        } else if (k == kStrBlank) {
          n = clt_rtrim_len(reinterpret_cast<const char*>(host), sqllen);
        } else {
          n = host_i16(host);
          src = host + 2;
          if (n < 0 || n > sqllen) return refuse(i, CLT_VAR_REAL_LENGTH);
        }
      }
      at = place(2, 2 + static_cast<uint32_t>(text));
      if (at == 0) return no_room(__LINE__);
      w_.u16(at, static_cast<uint16_t>(n));
      // The value's own bytes; its area past them goes out as the zeros
      // place() left, never as what the caller's memory held there. A
      // blank-padded value is its whole area.
      const int32_t sent = k == kStrBlank ? sqllen : nvarchar(k) ? 2 * n : n;
      if (!reserve) w_.bytes(at + 2, src, static_cast<size_t>(sent));
    } else if (long32(k)) {
      const uint32_t len32 = v.len.sqllen32;
      const uint32_t skip = k == kBlob90 ? 0 : 4;
      const int32_t l = reserve ? 0 : host_i32(host + skip);
      if (l < 0 || static_cast<uint32_t>(l) > len32) return refuse(i, CLT_VAR_REAL_LENGTH);
      at = place(8, 8 + (reserve ? len32 : static_cast<uint32_t>(l)));
      if (at == 0) return no_room(__LINE__);
      w_.u32(at, 0);
      w_.u32(at + 4, static_cast<uint32_t>(l));
      if (l > 0) w_.bytes(at + 8, host + skip + 4, static_cast<size_t>(l));
    } else if (k == kLoc94 || k == kLoc9A || k == kLoc9E || k == kInt || k == kFloat4) {
      at = place(4, 4);
      if (at == 0) return no_room(__LINE__);
      if (!reserve && k == kFloat4) {
        reversed(at, host, 4);
      } else if (!reserve) {
        w_.i32(at, host_i32(host));
      }
    } else if (k == kSmall) {
      at = place(2, 2);
      if (at == 0) return no_room(__LINE__);
      if (!reserve) w_.i16(at, host_i16(host));
    } else if (k == kFloat8) {
      at = place(8, 8);
      if (at == 0) return no_room(__LINE__);
      if (!reserve) reversed(at, host, 8);
    } else if (k == kSignText || k == kZoned) {
      const int32_t n = packed_size(v);
      if (n > kPackedMax) return refuse(i, CLT_VAR_DECIMAL);
      at = place(1, static_cast<uint32_t>(n));
      if (at == 0) return no_room(__LINE__);
      if (!reserve) pack_text(at, host, v.len.d.sqlprcsn, k == kSignText);
    } else {
      const int32_t n = plain_size(k, v);
      if (n < 0) return refuse(i, CLT_VAR_LENGTH);
      at = place(1, static_cast<uint32_t>(n));
      if (at == 0) return no_room(__LINE__);
      if (!reserve) w_.bytes(at, host, static_cast<size_t>(n));
    }
    w_.u32(e + kValueOff, at - part_);
    return 0;
  }

  // Character values converted to the server's code set: the string forms
  // carry only the converted bytes, the fixed forms a slot of the
  // converted width; the entry's length follows what was sent.
  int32_t converted(uint32_t e, const SQLVAR& v, int32_t i, uint8_t k) {
    const auto* host = static_cast<const char*>(v.SQLDATA);
    const int32_t sqllen = v.len.s.sqllen;
    const bool national = nvarchar(k) || k == kNFixB4;
    const bool fixed = fixchar(k) || k == kNFixB4;
    if (sqllen < 0) return refuse(i, CLT_VAR_REAL_LENGTH);
    int32_t n = 0;
    const char* src = host;
    if (k == kStrZ) {
      n = zstr_len(host, sqllen, sqllen + 1);
      if (n < 0) return refuse(i, CLT_VAR_REAL_LENGTH);
    } else if (k == kStrBlank) {
      n = clt_rtrim_len(host, sqllen);
    } else if (fixed) {
      n = national ? 2 * sqllen : sqllen;
    } else {
      n = host_i16(host);
      src = host + 2;
      if (n < 0 || n > sqllen) return refuse(i, CLT_VAR_REAL_LENGTH);
      if (national) n *= 2;
    }
    const bool gaiji = c_.env->gaiji_func != nullptr;
    // A single value is its own widest: its slot is its converted length.
    const int32_t room = gaiji ? (national ? 2 * sqllen : sqllen) : kLengthFactor * n;
    int32_t m = 0;
    const uint32_t head = fixed ? 0 : 2;
    const uint32_t at = place(fixed ? 1 : 2, head + static_cast<uint32_t>(room));
    if (at == 0) return no_room(__LINE__);
    if (convert(src, n, reinterpret_cast<char*>(c_.packet) + at + head, room, &m, kCnvStore) != 0) {
      return no_room(__LINE__);
    }
    if (national && m % 2 != 0) return odd_national(i);
    *running_ = at + head + static_cast<uint32_t>(m);
    const int32_t length = national ? m / 2 : m;
    if (!fixed) w_.u16(at, static_cast<uint16_t>(length));
    if (fixed || k == kStrZ || k == kStrBlank || length > sqllen) w_.i16(e + kLength, static_cast<int16_t>(length));
    w_.u32(e + kValueOff, at - part_);
    return 0;
  }

  // Converts through slot 1; 0 when the whole text went.
  static int32_t convert(const char* src, int32_t n, char* target, int32_t room, int32_t* out, uint32_t mode) {
    int32_t source = n, size = room;
    uint32_t replaced = 0;
    *out = 0;
    if (n == 0) return 0;
    return clt_cnv_through_slot(CLT_CNV_SLOT_CLIENT, &source, src, &size, target, out, &replaced, mode);
  }

  // The room a converted text may take.
  int32_t room_for(bool national, int32_t sqllen, int32_t n) const {
    return c_.env->gaiji_func != nullptr ? (national ? 2 * sqllen : sqllen) : kLengthFactor * n;
  }

  int32_t odd_national(int32_t i) {
    snprintf(token_, CLT_PUT_VARS_TOKEN, CLT_MSG_INPUT_DATA, i + 1);
    return CLT_SQL_INVALID_DATA;
  }

  // The text of a string row or element of `step` host bytes (national:
  // its bytes; fixed: all of them); -1 when its length is refused.
  static int32_t row_text(uint8_t k, const uint8_t* row, int32_t sqllen, int32_t step, const char** src, int32_t* n) {
    *src = reinterpret_cast<const char*>(row);
    if (k == kStrZ) {
      *n = zstr_len(row, sqllen, step);
    } else if (k == kStrBlank) {
      *n = clt_rtrim_len(*src, sqllen);
    } else if (fixchar(k) || k == kNFixB4) {
      *n = k == kNFixB4 ? 2 * sqllen : sqllen;
    } else {
      *n = host_i16(row);
      *src += 2;
      if (*n > sqllen) return -1;
      if (nvarchar(k)) *n *= 2;
    }
    return *n < 0 ? -1 : 0;
  }

  // Floating-point values go byte-reversed to a big-endian server.
  void reversed(uint32_t at, const uint8_t* host, uint32_t n) {
    for (uint32_t j = 0; j < n; ++j) w_.byte(at + j, c_.main->byteorder == 0 ? host[n - 1 - j] : host[j]);
  }

  // Packs p digit characters (after a sign character for 0xEA) into
  // p/2+1 bytes, high nibble first, with the sign nibble last.
  void pack_text(uint32_t at, const uint8_t* host, uint8_t p, bool signed_text) {
    constexpr uint8_t kNibble = 0x0F, kPlus = 0x0C, kMinus = 0x0D, kZoneMinus = 0x70;
    const uint8_t* digits = signed_text ? host + 1 : host;
    const bool minus = signed_text ? host[0] == '-' : p > 0 && (digits[p - 1] & ~kNibble) == kZoneMinus;
    const uint32_t n = p / 2u + 1;
    w_.zero(at, at + n);
    // Nibble positions: the digits fill the nibbles before the sign, right-aligned.
    const uint32_t first = 2 * n - 1 - p;
    for (uint32_t d = 0; d < p; ++d) {
      const uint32_t nib = first + d;
      const uint8_t val = static_cast<uint8_t>(digits[d] & kNibble);
      const uint8_t old = w_.at(at + nib / 2);
      w_.byte(at + nib / 2, static_cast<uint8_t>(nib % 2 == 0 ? old | val << 4 : old | val));
    }
    const uint8_t last = w_.at(at + n - 1);
    w_.byte(at + n - 1, static_cast<uint8_t>(last | (minus ? kMinus : kPlus)));
  }

  const clt_req_ctx& c_;
  packet w_;
  const SQLDA* da_;
  const void* csna_;
  uint32_t part_;
  uint32_t* running_;
  char* token_;
  int32_t mode_;
  clt_put_vars_fault* fault_;
  uint8_t term_;
};

}  // namespace

int32_t clt_rtrim_len(const char* text, int32_t length) { return trimmed(text, length); }

int32_t clt_req_put_vars(const clt_req_ctx& c, const SQLDA* da, const void* csna, uint32_t part, int32_t into,
                         uint32_t* running, char token[CLT_PUT_VARS_TOKEN], int32_t mode, clt_put_vars_fault* fault) {
  return encoder(c, da, csna, part, running, token, mode, fault).run(into);
}
