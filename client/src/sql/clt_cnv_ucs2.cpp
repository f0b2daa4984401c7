#include "clt_cnv_ucs2.h"

#include <array>

#include "clt_cnv_tables.h"
#include "clt_cnv_wide.h"

namespace {

constexpr uint32_t kFirstSupplementary = 0x10000;
constexpr uint32_t kSurrogateBits = 10;
constexpr uint16_t kHighSurrogate = 0xD800;
constexpr uint16_t kLowSurrogate = 0xDC00;
constexpr uint16_t kLastSurrogate = 0xDFFF;
constexpr uint16_t kLowMask = 0x3FF;
constexpr int32_t kLongestUtf8 = 4;
constexpr uint16_t kFirstTwoByte = 0x80;  // code points from here take more than one UTF-8 byte
constexpr uint16_t kFirstThreeByte = 0x800;
constexpr int32_t kUnit = 2;
constexpr int32_t kPair = 4;

constexpr uint8_t kSingleShift2 = 0x8E;
constexpr uint8_t kSingleShift3 = 0x8F;
constexpr uint8_t kLastAscii = 0x7F;
constexpr uint8_t kFirstKana = 0xA1;
constexpr uint8_t kLastKana = 0xDF;
constexpr uint8_t kFirstUserEuc = 0xF5;  // EUC rows 85 to 94
constexpr uint8_t kFirstJisByte = 0x21;
constexpr uint8_t kLastJisByte = 0x7E;
constexpr uint16_t kEucOffset = 0x8080;
constexpr uint16_t kKanaShift = 0x80;
constexpr uint16_t kPrivateFirst = 0xE000;
constexpr uint16_t kPrivateLast = 0xF8FF;

// The ranges of the user-conversion set.
struct range {
  uint16_t first;
  uint16_t last;
};
constexpr range kUserRanges[] = {{0x3402, 0x3FD7}, {0x4039, 0x4FF2}, {0x5000, 0x5FFC}, {0x600D, 0x6FFC},
                                 {0x7000, 0x7FFA}, {0x8002, 0x8FFB}, {0x9002, 0x9FA2}, {0xF91D, 0xFA6A}};

bool jis0208_word(uint16_t w) { return w >= CLT_JIS_0208 && (w & 0x80) == 0; }

// The user conversion of `units` UCS-2 units at r.pos, high byte first;
// false when it wrote the replacement.
bool user_from_units(const clt_cnv_run& r, int kind, int32_t units, uint8_t* out) {
  uint8_t source[kPair] = {};
  for (int32_t i = 0; i < units; ++i) {
    const uint16_t u = r.unit_at(r.pos + i * kUnit);
    source[i * kUnit] = static_cast<uint8_t>(u >> 8);
    source[i * kUnit + 1] = static_cast<uint8_t>(u);
  }
  return !clt_cnv_user(r.env, r.slot, kind, source, out);
}

}  // namespace

bool clt_cnv_user_set(uint16_t u) {
  for (const range& g : kUserRanges) {
    if (u >= g.first && u <= g.last) return !jis0208_word(clt_cnv_to_jis(u));
  }
  return false;
}

namespace {

// The UTF-8 form of a unit by its block of 64 (u >> 6), whose units share
// all but the low six bits of their last byte: the bytes, first lowest,
// with the length in the top byte; 0 for the surrogates.
constexpr uint32_t kBlockBits = 6;
constexpr uint32_t kLowBits = (1u << kBlockBits) - 1;
constexpr uint32_t kLengthShift = 24;
constexpr size_t kBlocks = 0x10000 >> kBlockBits;
constexpr std::array<uint32_t, kBlocks> kUtf8Blocks = [] {
  std::array<uint32_t, kBlocks> t{};
  for (uint32_t block = 0; block < t.size(); ++block) {
    const uint32_t u = block << kBlockBits;
    if (u < kFirstTwoByte) {
      t[block] = u | 1u << kLengthShift;
    } else if (u < kFirstThreeByte) {
      t[block] = (0xC0 | u >> 6) | 0x80u << 8 | 2u << kLengthShift;
    } else if (u < kHighSurrogate || u > kLastSurrogate) {
      t[block] = (0xE0 | u >> 12) | (0x80 | (u >> 6 & 0x3F)) << 8 | 0x80u << 16 | 3u << kLengthShift;
    }
  }
  return t;
}();

// A unit outside the surrogates in one to three UTF-8 bytes with no branch
// on the length, which mixed text would mispredict.
inline bool put_utf8(uint32_t u, uint8_t*& d) {
  const uint32_t form = kUtf8Blocks[u >> kBlockBits];
  const uint32_t length = form >> kLengthShift;
  if (length == 0) return false;
  const uint32_t last_shift = (length - 1) * 8;
  const uint32_t bytes = form | (u & kLowBits) << last_shift;
  clt_cnv_store_upto3(d, static_cast<uint8_t>(bytes), static_cast<uint8_t>(bytes >> 8),
                      static_cast<uint8_t>(bytes >> last_shift), length);
  return true;
}

// Two units in one step.
constexpr auto ucs2_common = [](const uint8_t*& s, uint8_t*& d) {
  const uint32_t units = clt_cnv_load4(s);
  if (!put_utf8(units & 0xFFFF, d)) return false;
  s += put_utf8(units >> 16, d) ? kPair : kUnit;
  return true;
};

// ASCII bytes as units.
constexpr auto ascii_stops = [](uint64_t w) { return w & CLT_CNV_HIGH_BITS; };
constexpr auto widen_ascii = [](uint8_t b, uint8_t* at) { clt_cnv_store2(at, b); };
constexpr auto widen_ascii8 = [](uint64_t w, uint8_t*& d) {
  constexpr uint64_t kLowHalf = 0xFFFFFFFFu;
  auto widen = [](uint64_t half) {
    half = (half | half << 16) & 0x0000FFFF0000FFFFu;
    return (half | half << 8) & 0x00FF00FF00FF00FFu;
  };
  clt_cnv_store8(d, widen(w & kLowHalf));
  clt_cnv_store8(d + CLT_CNV_ASCII_RUN, widen(w >> 32));
  d += kUnit * CLT_CNV_ASCII_RUN;
};

// A code point below U+10000 as one unit.
constexpr auto put_unit = [](uint32_t cp, uint8_t*& d) {
  clt_cnv_store2(d, static_cast<uint16_t>(cp));
  d += kUnit;
  return true;
};

}  // namespace

int32_t clt_cnv_ucs2_utf8(clt_cnv_run& io) {
  return clt_cnv_walk(io, [](clt_cnv_run& r) {
    while (r.pos < r.n) {
      clt_cnv_wide_ucs2_utf8(r);
      clt_cnv_bulk<kPair, 2 * CLT_CNV_UTF8_THREE>(r, ucs2_common);
      if (r.pos >= r.n) break;
      if (r.full()) return CLT_CNV_FULL;
      if (r.left() < kUnit) return CLT_CNV_PARTIAL;
      const uint16_t u = r.unit_at(r.pos);
      if (u < kFirstTwoByte) {
        if (!r.fits(1)) return CLT_CNV_FULL;
        r.put(static_cast<uint8_t>(u));
        r.pos += kUnit;
        continue;
      }
      uint32_t cp = u;
      int32_t used = kUnit;
      if (clt_cnv_high_surrogate(u) && r.left() >= kPair && clt_cnv_low_surrogate(r.unit_at(r.pos + kUnit))) {
        cp = kFirstSupplementary + ((u - kHighSurrogate) << kSurrogateBits) + (r.unit_at(r.pos + kUnit) - kLowSurrogate);
        used = kPair;
      }
      const int32_t size = clt_cnv_utf8_size(cp);
      if (!r.fits(size)) return CLT_CNV_FULL;
      clt_cnv_put_utf8(r, cp, size);
      r.pos += used;
    }
    return CLT_CNV_DONE;
  });
}

int32_t clt_cnv_utf8_ucs2(clt_cnv_run& io) {
  return clt_cnv_walk(io, [](clt_cnv_run& r) {
    while (r.pos < r.n) {
      clt_cnv_wide_utf8_ucs2(r);
      clt_cnv_utf8_bulk<kUnit, kUnit>(r, ascii_stops, widen_ascii, widen_ascii8, put_unit);
      if (r.pos >= r.n) break;
      if (r.full()) return CLT_CNV_FULL;
      const uint8_t b0 = r.src[r.pos];
      if (b0 < kFirstTwoByte) {
        if (!r.fits(kUnit)) return CLT_CNV_FULL;
        r.put_unit(b0);
        ++r.pos;
        continue;
      }
      uint32_t cp = 0;
      int32_t used = 1;
      if (!clt_cnv_read_utf8(r, kLongestUtf8, &cp, &used)) {
        // A broken sequence ends the conversion.
        if (r.fits(kUnit)) {
          r.put_unit(r.slot.replacement);
          r.replaced = true;
        }
        return CLT_CNV_FULL;
      }
      if (cp < kFirstSupplementary) {
        if (!r.fits(kUnit)) return CLT_CNV_FULL;
        r.put_unit(static_cast<uint16_t>(cp));
      } else {
        if (!r.fits(kPair)) return CLT_CNV_FULL;
        r.put_unit(static_cast<uint16_t>(kHighSurrogate + ((cp - kFirstSupplementary) >> kSurrogateBits)));
        r.put_unit(static_cast<uint16_t>(kLowSurrogate + (cp & kLowMask)));
      }
      r.pos += used;
    }
    return CLT_CNV_DONE;
  });
}

int32_t clt_cnv_ucs2_euc(clt_cnv_run& io) {
  return clt_cnv_walk(io, [](clt_cnv_run& r) {
    const bool named = clt_cnv_gaiji_named(r.env);
    while (r.pos < r.n) {
      if (r.full()) return CLT_CNV_FULL;
      if (r.left() < kUnit) return CLT_CNV_PARTIAL;
      const uint16_t u = r.unit_at(r.pos);
      const uint16_t w = clt_cnv_to_jis(u);
      const uint16_t kind = w & 0xFF00;
      if (kind == CLT_JIS_ROMAN || (w != 0 && kind == 0)) {
        if (!r.fits(1)) return CLT_CNV_FULL;
        r.put(static_cast<uint8_t>(w));
        r.pos += kUnit;
        continue;
      }
      if (!r.fits(2)) return CLT_CNV_FULL;
      if (kind == CLT_JIS_KANA) {
        r.put(kSingleShift2);
        r.put(static_cast<uint8_t>((w & 0xFF) + kKanaShift));
        r.pos += kUnit;
        continue;
      }
      if (jis0208_word(w)) {
        r.put_code(static_cast<uint16_t>(w - CLT_JIS_0208 + kEucOffset));
        r.pos += kUnit;
        continue;
      }
      // JIS X 0212 and unmapped units: the user conversion or the replacement.
      const bool pair = w == 0 && clt_cnv_high_surrogate(u) && r.left() >= kPair &&
                        clt_cnv_low_surrogate(r.unit_at(r.pos + kUnit));
      int user_kind = 0;
      if (named && w == 0 && u >= kPrivateFirst && u <= kPrivateLast) {
        user_kind = CLT_CNV_USER_UCS2_EUC;
      } else if (named && pair) {
        user_kind = CLT_CNV_USER_PAIR_EUC;
      } else if (named && !clt_cnv_high_surrogate(u) && clt_cnv_user_set(u)) {
        user_kind = CLT_CNV_USER_UCS2_EUC;
      }
      uint8_t out[CLT_CNV_USER_ROOM] = {};
      bool mapped = false;
      if (user_kind != 0) mapped = user_from_units(r, user_kind, user_kind == CLT_CNV_USER_PAIR_EUC ? 2 : 1, out);
      const uint16_t code = mapped ? static_cast<uint16_t>(out[0] << 8 | out[1]) : r.slot.replacement;
      r.put_code(code);
      r.replaced |= !mapped;
      r.pos += user_kind == CLT_CNV_USER_PAIR_EUC ? kPair : kUnit;
    }
    return CLT_CNV_DONE;
  });
}

int32_t clt_cnv_euc_ucs2(clt_cnv_run& io) {
  return clt_cnv_walk(io, [](clt_cnv_run& r) {
    const bool hj = r.env.pdcltcnvmode == CLT_CNV_UCS2_HJ;
    while (r.pos < r.n) {
      if (r.full()) return CLT_CNV_FULL;
      const uint8_t b = r.src[r.pos];
      int32_t used = b <= kLastAscii ? 1 : b == kSingleShift3 ? 3 : 2;
      if (r.left() < used) return CLT_CNV_FULL;
      const uint8_t t = used > 1 ? r.src[r.pos + 1] : 0;
      uint16_t units[2] = {0, 0};
      int32_t count = 1;
      bool mapped = true;
      bool user = false;
      if (b <= kLastAscii) {
        // A byte without a character (0x7F) is U+0000 too.
        units[0] = clt_cnv_jis0201_ucs2[b];
      } else if (b == kSingleShift2) {
        mapped = t >= kFirstKana && t <= kLastKana;
        if (mapped) units[0] = clt_cnv_jis0201_ucs2[t];
      } else if (clt_cnv_euc_byte(b) && b < kFirstUserEuc) {
        if (clt_cnv_euc_byte(t)) {
          // A code without an entry is U+0000.
          units[0] = clt_cnv_from_jis0208(static_cast<uint8_t>(b - 0x80), static_cast<uint8_t>(t - 0x80));
        } else if (hj && t >= kFirstJisByte && t <= kLastJisByte) {
          user = true;
        } else {
          mapped = false;
          // A shift byte as the trail begins the next character.
          if (t == kSingleShift2 || t == kSingleShift3) used = 1;
        }
      } else if (clt_cnv_euc_byte(b) && clt_cnv_euc_byte(t)) {
        user = true;
      } else {
        mapped = false;
      }
      if (user) {
        uint8_t out[CLT_CNV_USER_ROOM] = {};
        mapped = !clt_cnv_user(r.env, r.slot, CLT_CNV_USER_EUC_UCS2, r.src + r.pos, out);
        units[0] = static_cast<uint16_t>(out[0] << 8 | out[1]);
        units[1] = static_cast<uint16_t>(out[2] << 8 | out[3]);
        if (mapped && clt_cnv_high_surrogate(units[0]) && clt_cnv_low_surrogate(units[1])) count = 2;
      }
      if (!mapped) units[0] = r.slot.replacement;
      if (!r.fits(count * kUnit)) return CLT_CNV_FULL;
      for (int32_t i = 0; i < count; ++i) r.put_unit(units[i]);
      r.replaced |= !mapped;
      r.pos += used;
    }
    return CLT_CNV_DONE;
  });
}
