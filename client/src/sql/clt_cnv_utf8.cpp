#include "clt_cnv_utf8.h"

#include <string.h>

#include <array>
#include <memory>

#include "clt_cnv_tables.h"
#include "clt_cnv_wide.h"

namespace {

constexpr uint8_t kFirstPrintable = 0x20;
constexpr uint8_t kDelete = 0x7F;
constexpr uint8_t kBackslash = 0x5C;
constexpr uint8_t kTilde = 0x7E;
constexpr uint8_t kLastJisLead = 0xEF;   // SJIS leads beyond are user-defined
constexpr uint8_t kFirstCp932Lead = 0xFA;  // IBM extensions of code page 932
constexpr uint8_t kFirstKana = 0xA1;  // JIS X 0201 katakana
constexpr uint8_t kLastKana = 0xDF;
constexpr uint32_t kFirstThreeByte = 0x800;  // code points of three UTF-8 bytes
constexpr int32_t kLongestSjisSequence = 3;  // longer forms lie beyond UCS-2

// Private-use ranges of UCS-2: the first two are code page 932's user area
// and best-fit rows, the gap between them only the user conversion knows.
constexpr uint32_t kUserAreaFirst = 0xE000;
constexpr uint32_t kUserAreaLast = 0xE757;
constexpr uint32_t kBestFitFirst = 0xF8F0;
constexpr uint32_t kBestFitLast = 0xF8FF;

bool control(uint32_t cp) { return cp < kFirstPrintable || cp == kDelete; }

// The bulk of the SJIS to UTF-8 converter looks each common character up
// without a branch on its kind: the first byte leads to a cell of ready
// UTF-8 bytes, chosen by the trail byte for a lead and by the byte itself
// otherwise. Cells of size 0 leave the character to the full rules.
struct utf8_cell {
  uint8_t bytes[3];  // one-byte characters repeat their byte
  uint8_t size;
};
static_assert(sizeof(utf8_cell) == sizeof(uint32_t), "the wide bulk reads a cell as one word");
struct sjis_first {
  uint16_t base;       // the cells of this byte
  uint8_t used;        // source bytes
};
constexpr int32_t kBytes = 256;
constexpr int32_t kJisLeads = [] {
  int32_t n = 0;
  for (int b = 0; b < kBytes; ++b) n += clt_cnv_sjis_lead(static_cast<uint8_t>(b)) && b <= kLastJisLead;
  return n;
}();
struct sjis_utf8_table {
  std::array<sjis_first, kBytes> first;
  std::array<utf8_cell, kBytes * (1 + kJisLeads)> cells;  // the single bytes, then a row per lead
};

utf8_cell three_byte_cell(uint32_t cp) {
  utf8_cell c{};
  if (cp < kFirstThreeByte) return c;
  uint8_t* d = c.bytes;
  clt_cnv_store_utf8_3(d, cp);
  c.size = CLT_CNV_UTF8_THREE;
  return c;
}

sjis_utf8_table make_sjis_utf8(bool ms) {
  sjis_utf8_table t{};
  int32_t row = 1;
  for (int b = 0; b < kBytes; ++b) {
    const auto v = static_cast<uint8_t>(b);
    if (clt_cnv_sjis_lead(v) && v <= kLastJisLead) {
      const int32_t base = row++ * kBytes;
      t.first[b] = {static_cast<uint16_t>(base), 2};
      for (int trail = 0; trail < kBytes; ++trail) {
        if (!clt_cnv_sjis_trail(static_cast<uint8_t>(trail))) continue;
        const uint16_t jis = clt_cnv_sjis_to_jis(v, static_cast<uint8_t>(trail));
        const uint32_t cp = ms ? clt_cnv_from_cp932(static_cast<uint16_t>(b << 8 | trail))
                               : clt_cnv_from_jis0208(static_cast<uint8_t>(jis >> 8), static_cast<uint8_t>(jis));
        t.cells[base + trail] = three_byte_cell(cp);
      }
      continue;
    }
    t.first[b] = {static_cast<uint16_t>(b), 1};
    if (clt_cnv_plain_ascii(v)) {
      t.cells[b] = {{v, v, v}, 1};
    } else if (v >= kFirstKana && v <= kLastKana) {
      t.cells[b] = three_byte_cell(clt_cnv_jis0201_ucs2[b]);
    }
  }
  return t;
}

const sjis_utf8_table& sjis_utf8_lookup(bool ms) {
  static const sjis_utf8_table sjis = make_sjis_utf8(false);
  static const sjis_utf8_table cp932 = make_sjis_utf8(true);
  return ms ? cp932 : sjis;
}

// The bulk of the UTF-8 to SJIS converter looks each code point below
// U+10000 up in one table: its SJIS code (a single byte in the low 8 bits),
// or 0 where the full rules decide (the private-use area, the backslash
// that the slot's flags decide, U+0000 and what has no mapping). One more
// word, 0, for the wide bulk, which reads two words at a time.
constexpr uint32_t kCodePoints = 0x10000;
using utf8_sjis_table = std::array<uint16_t, kCodePoints + 1>;

// As the full rules write a code: two bytes after a lead, else its low byte.
uint16_t written(uint16_t code) {
  return clt_cnv_sjis_lead(static_cast<uint8_t>(code >> 8)) ? code : static_cast<uint16_t>(code & 0xFF);
}

std::unique_ptr<utf8_sjis_table> make_utf8_sjis(bool ms) {
  auto t = std::make_unique<utf8_sjis_table>();
  for (uint32_t cp = 0; cp < kCodePoints; ++cp) {
    const auto u = static_cast<uint16_t>(cp);
    if ((cp >= kUserAreaFirst && cp <= kBestFitLast) || cp == kBackslash) continue;
    (*t)[cp] = control(cp) ? u : written(ms ? clt_cnv_to_cp932(u) : clt_cnv_to_sjis(u));
  }
  return t;
}

const utf8_sjis_table& utf8_sjis_lookup(bool ms) {
  static const std::unique_ptr<utf8_sjis_table> sjis = make_utf8_sjis(false);
  static const std::unique_ptr<utf8_sjis_table> cp932 = make_utf8_sjis(true);
  return ms ? *cp932 : *sjis;
}

// The bytes that end a run of ASCII which SJIS keeps as it is.
constexpr auto sjis_ascii_stops = [](uint64_t w) {
  return (w & CLT_CNV_HIGH_BITS) | clt_cnv_bytes_equal(w, kBackslash) | clt_cnv_bytes_equal(w, kTilde);
};

}  // namespace

int32_t clt_cnv_sjis_utf8(clt_cnv_run& io) {
  return clt_cnv_walk(io, [](clt_cnv_run& r) {
    const bool ms = (r.slot.flags & CLT_CNV_FLAG_CP932) != 0;
    const bool keep_backslash = (r.slot.flags & CLT_CNV_FLAG_BACKSLASH) != 0;
    // ASCII, half-width katakana and the two-byte characters of three
    // UTF-8 bytes.
    const sjis_utf8_table& table = sjis_utf8_lookup(ms);
    auto common = [&table](const uint8_t*& s, uint8_t*& d) {
      // A branch on the kind, not arithmetic on it: the source's advance
      // then waits on no table.
      const sjis_first f = table.first[s[0]];
      if (f.used == 1) {
        const utf8_cell& c = table.cells[f.base];
        if (c.size == 0) return false;
        clt_cnv_store_upto3(d, c.bytes[0], c.bytes[1], c.bytes[2], c.size);
        ++s;
        return true;
      }
      const utf8_cell& c = table.cells[f.base + s[1]];
      if (c.size == 0) return false;
      memcpy(d, c.bytes, CLT_CNV_UTF8_THREE);
      d += CLT_CNV_UTF8_THREE;
      s += 2;
      return true;
    };

    const auto* cells = reinterpret_cast<const uint32_t*>(table.cells.data());
    while (r.pos < r.n) {
      clt_cnv_wide_sjis_utf8(r, cells);
      clt_cnv_bulk<2, 3>(r, common);
      if (r.pos >= r.n) break;
      if (r.full()) return CLT_CNV_FULL;
      const uint8_t b = r.src[r.pos];
      if (clt_cnv_plain_ascii(b)) {
        if (!r.fits(1)) return CLT_CNV_FULL;
        r.put(b);
        ++r.pos;
        continue;
      }
      uint32_t cp = 0;
      int32_t used = 1;
      bool mapped = true;
      if (control(b)) {
        cp = b;
      } else if (clt_cnv_sjis_lead(b)) {
        // A lead as the last byte ends the source.
        if (r.left() < 2 || !clt_cnv_sjis_trail(r.src[r.pos + 1])) {
          mapped = false;
          used = r.left() < 2 ? 1 : 2;
        } else {
          const uint8_t t = r.src[r.pos + 1];
          used = 2;
          if (ms && (b <= kLastJisLead || b >= kFirstCp932Lead)) {
            cp = clt_cnv_from_cp932(static_cast<uint16_t>(b << 8 | t));
            // Beyond the JIS leads the table's 0 is U+0000 itself.
            mapped = cp != 0 || b >= kFirstCp932Lead;
          } else if (b <= kLastJisLead) {
            const uint16_t jis = clt_cnv_sjis_to_jis(b, t);
            cp = clt_cnv_from_jis0208(static_cast<uint8_t>(jis >> 8), static_cast<uint8_t>(jis));
            mapped = cp != 0;
          } else {
            uint8_t out[CLT_CNV_USER_ROOM] = {};
            mapped = !clt_cnv_user(r.env, r.slot, CLT_CNV_USER_SJIS_UTF8, r.src + r.pos, out);
            cp = static_cast<uint32_t>(out[0] << 8 | out[1]);
          }
        }
      } else {
        if (ms) {
          cp = clt_cnv_from_cp932(b);
        } else if (keep_backslash && b == kBackslash) {
          cp = kBackslash;
        } else {
          cp = clt_cnv_jis0201_ucs2[b];
        }
        // A single byte without a character is U+0000.
      }
      if (!mapped) cp = r.slot.replacement;
      const int32_t size = clt_cnv_utf8_size(cp);
      if (!r.fits(size)) return CLT_CNV_FULL;
      clt_cnv_put_utf8(r, cp, size);
      r.replaced |= !mapped;
      r.pos += used;
    }
    return CLT_CNV_DONE;
  });
}

int32_t clt_cnv_utf8_sjis(clt_cnv_run& io) {
  return clt_cnv_walk(io, [](clt_cnv_run& r) {
    const bool ms = (r.slot.flags & CLT_CNV_FLAG_CP932) != 0;
    const bool keep_backslash = (r.slot.flags & CLT_CNV_FLAG_BACKSLASH) != 0;
    const uint16_t* table = utf8_sjis_lookup(ms).data();
    auto put = [table](uint32_t cp, uint8_t*& d) {
      const uint16_t code = table[cp];
      if (code == 0) return false;
      // The size from the code, not a branch, which half-width katakana
      // among kanji would mispredict.
      const auto first = static_cast<uint8_t>(code >> 8);
      const auto last = static_cast<uint8_t>(code);
      const uint32_t two = first != 0;
      d[0] = two ? first : last;
      d[two] = last;
      d += 1 + two;
      return true;
    };

    while (r.pos < r.n) {
      clt_cnv_wide_utf8_sjis(r, table);
      clt_cnv_utf8_bulk<1, 2>(r, sjis_ascii_stops, clt_cnv_copy_byte, clt_cnv_copy_word, put);
      if (r.pos >= r.n) break;
      if (r.full()) return CLT_CNV_FULL;
      const uint8_t b0 = r.src[r.pos];
      if (clt_cnv_plain_ascii(b0)) {
        if (!r.fits(1)) return CLT_CNV_FULL;
        r.put(b0);
        ++r.pos;
        continue;
      }
      uint32_t cp = 0;
      int32_t used = 1;
      uint16_t code = 0;
      bool mapped = clt_cnv_read_utf8(r, kLongestSjisSequence, &cp, &used);
      const bool cp932_private = (cp >= kUserAreaFirst && cp <= kUserAreaLast) || (cp >= kBestFitFirst && cp <= kBestFitLast);
      const bool user_private = cp > kUserAreaLast && cp < kBestFitFirst;
      if (!mapped) {
        code = r.slot.replacement;
      } else if (control(cp)) {
        code = static_cast<uint16_t>(cp);
      } else if (user_private || (cp932_private && !ms)) {
        const uint8_t unit[2] = {static_cast<uint8_t>(cp >> 8), static_cast<uint8_t>(cp)};
        uint8_t out[CLT_CNV_USER_ROOM] = {};
        mapped = !clt_cnv_user(r.env, r.slot, CLT_CNV_USER_UTF8_SJIS, unit, out);
        code = static_cast<uint16_t>(out[0] << 8 | out[1]);
      } else {
        if (ms) {
          code = clt_cnv_to_cp932(static_cast<uint16_t>(cp));
        } else if (keep_backslash && cp == kBackslash) {
          code = kBackslash;
        } else {
          code = clt_cnv_to_sjis(static_cast<uint16_t>(cp));
        }
        mapped = code != 0;
        if (!mapped) code = r.slot.replacement;
      }
      const bool two = clt_cnv_sjis_lead(static_cast<uint8_t>(code >> 8));
      if (!r.fits(two ? 2 : 1)) return CLT_CNV_FULL;
      if (two) r.put(static_cast<uint8_t>(code >> 8));
      r.put(static_cast<uint8_t>(code));
      r.replaced |= !mapped;
      r.pos += used;
    }
    return CLT_CNV_DONE;
  });
}
