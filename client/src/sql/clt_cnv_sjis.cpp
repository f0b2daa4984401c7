#include "clt_cnv_sjis.h"

#include <array>

#include "clt_cnv_wide.h"

namespace {

constexpr uint8_t kSingleShift2 = 0x8E;  // EUC half-width katakana prefix
constexpr uint8_t kSingleShift3 = 0x8F;  // EUC JIS X 0212 prefix
constexpr uint8_t kLastPlain = 0x80;     // SJIS bytes up to here pass unchanged
constexpr uint8_t kLastJisLead = 0xEF;   // SJIS leads beyond are user-defined
constexpr uint8_t kFirstUserEuc = 0xF5;  // EUC rows 85 to 94
constexpr uint8_t kEucSpace = 0xA0;
constexpr uint8_t kEucEnd = 0xFF;
constexpr uint16_t kEucOffset = 0x8080;

// The two bytes of a user conversion or of the slot's replacement.
void put_user(clt_cnv_run& r, int kind, const uint8_t* source, bool flag) {
  uint8_t out[CLT_CNV_USER_ROOM] = {};
  clt_cnv_user(r.env, r.slot, kind, source, out);
  r.put(out[0]);
  r.put(out[1]);
  r.replaced |= flag;
}

void put_replacement(clt_cnv_run& r) {
  r.put_code(r.slot.replacement);
  r.replaced = true;
}

}  // namespace

int32_t clt_cnv_sjis(clt_cnv_run& io) {
  return clt_cnv_walk(io, [](clt_cnv_run& r) {
    while (r.pos < r.n) {
      if (r.full()) return CLT_CNV_FULL;
      const uint8_t b = r.src[r.pos];
      if (b <= kLastPlain) {
        if (!r.fits(1)) return CLT_CNV_FULL;
        r.put(b);
        ++r.pos;
        continue;
      }
      if (!clt_cnv_sjis_lead(b)) {
        if (!r.fits(2)) return CLT_CNV_FULL;
        r.put(kSingleShift2);
        r.put(b);
        ++r.pos;
        continue;
      }
      if (r.left() < 2) return CLT_CNV_PARTIAL;
      if (!r.fits(2)) return CLT_CNV_FULL;
      const uint8_t t = r.src[r.pos + 1];
      const bool valid = clt_cnv_sjis_trail(t);
      if (valid && b <= kLastJisLead) {
        r.put_code(static_cast<uint16_t>(clt_cnv_sjis_to_jis(b, t) + kEucOffset));
      } else if (valid || clt_cnv_gaiji_named(r.env)) {
        // The user-defined area is not a replacement; a bad trail is.
        put_user(r, CLT_CNV_USER_SJIS_EUC, r.src + r.pos, !valid);
      } else {
        put_replacement(r);
      }
      r.pos += 2;
    }
    return CLT_CNV_DONE;
  });
}

// First EUC bytes as the bulk of the EUC to SJIS converter takes them.
enum class euc_class : uint8_t { other, ascii, kana, jis };
constexpr std::array<euc_class, 256> kEucClass = [] {
  std::array<euc_class, 256> t{};
  for (int b = 0; b < 0x100; ++b) {
    t[b] = b <= kLastPlain          ? euc_class::ascii
           : b == kSingleShift2     ? euc_class::kana
           : (b >= 0xA1 && b < kFirstUserEuc) ? euc_class::jis
                                               : euc_class::other;
  }
  return t;
}();

// Katakana and JIS X 0208 outside the user rows, as the two bytes b and t.
// Their outputs of one and two bytes are stored with no branch, which
// mixed text would mispredict.
bool euc_common(uint8_t b, uint8_t t, uint8_t*& d) {
  const euc_class kind = kEucClass[b];
  const bool kana = kind == euc_class::kana;
  const bool jis = kind == euc_class::jis;
  if (!((kana && t >= kEucSpace) || (jis && clt_cnv_euc_byte(t)))) return false;
  const uint16_t code = clt_cnv_jis_to_sjis(static_cast<uint8_t>(b - 0x80), static_cast<uint8_t>(t - 0x80));
  const auto first = static_cast<uint8_t>(jis ? code >> 8 : t);
  const auto last = static_cast<uint8_t>(jis ? code : t);
  clt_cnv_store_upto3(d, first, last, last, jis ? 2 : 1);
  return true;
}

// ASCII runs, then two-byte characters, two in one step when they follow
// each other.
constexpr auto euc_bulk_step = [](const uint8_t*& s, uint8_t*& d) {
  const uint64_t w = clt_cnv_load8(s);
  if (clt_cnv_ascii_first(w)) {
    return clt_cnv_ascii_run<1>(w, w & CLT_CNV_HIGH_BITS, s, d, clt_cnv_copy_byte, clt_cnv_copy_word);
  }
  if (!euc_common(static_cast<uint8_t>(w), static_cast<uint8_t>(w >> 8), d)) return false;
  s += 2;
  if (euc_common(static_cast<uint8_t>(w >> 16), static_cast<uint8_t>(w >> 24), d)) s += 2;
  return true;
};

int32_t clt_cnv_euc(clt_cnv_run& io) {
  return clt_cnv_walk(io, [](clt_cnv_run& r) {
    while (r.pos < r.n) {
      clt_cnv_wide_euc_sjis(r);
      clt_cnv_bulk<CLT_CNV_ASCII_RUN, CLT_CNV_ASCII_RUN>(r, euc_bulk_step);
      if (r.pos >= r.n) break;
      if (r.full()) return CLT_CNV_FULL;
      const uint8_t b = r.src[r.pos];
      if (b < kEucSpace && b != kSingleShift2 && b != kSingleShift3) {
        if (!r.fits(1)) return CLT_CNV_FULL;
        r.put(b);
        ++r.pos;
        continue;
      }
      if (b == kEucSpace || b == kEucEnd) {
        if (!r.fits(1)) return CLT_CNV_FULL;
        r.put(r.slot.single_replacement);
        r.replaced = true;
        ++r.pos;
        continue;
      }
      if (b == kSingleShift2) {
        if (r.left() < 2) return CLT_CNV_PARTIAL;
        if (!r.fits(1)) return CLT_CNV_FULL;
        const uint8_t s = r.src[r.pos + 1];
        if (s >= kEucSpace) {
          r.put(s);
        } else {
          r.put(r.slot.single_replacement);
          r.replaced = true;
        }
        r.pos += 2;
        continue;
      }
      if (b == kSingleShift3) {
        if (r.left() < 3) return CLT_CNV_PARTIAL;
        if (!r.fits(2)) return CLT_CNV_FULL;
        put_replacement(r);
        r.pos += 3;
        continue;
      }
      if (r.left() < 2) return CLT_CNV_PARTIAL;
      if (!r.fits(2)) return CLT_CNV_FULL;
      const uint8_t t = r.src[r.pos + 1];
      const bool named = clt_cnv_gaiji_named(r.env);
      if (clt_cnv_euc_byte(t) && b < kFirstUserEuc) {
        r.put_code(clt_cnv_jis_to_sjis(static_cast<uint8_t>(b - 0x80), static_cast<uint8_t>(t - 0x80)));
      } else if (named && (clt_cnv_euc_byte(t) || r.env.pdcltcnvmode == CLT_CNV_EUCHJ)) {
        put_user(r, CLT_CNV_USER_EUC_SJIS, r.src + r.pos, true);
      } else {
        put_replacement(r);
      }
      r.pos += 2;
    }
    return CLT_CNV_DONE;
  });
}
