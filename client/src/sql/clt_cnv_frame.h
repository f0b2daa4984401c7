// The common frame of the eight converters: the walk over the source, the
// room check before each character, measuring without storing, and the
// user conversion of the external-character library. A converter walks
// its source with a clt_cnv_run and returns one of the CLT_CNV_* results.
#pragma once

#include <stdint.h>

#include <string.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>

#include "zk_records.h"

// Results of clt_cnv_convert and of every converter.
inline constexpr int32_t CLT_CNV_FAILED = -1;    // bad slot or lengths
inline constexpr int32_t CLT_CNV_DONE = 0;       // the whole source converted
inline constexpr int32_t CLT_CNV_PARTIAL = 1;    // the source ends inside a character
inline constexpr int32_t CLT_CNV_FULL = 2;       // the next character does not fit

inline constexpr uint32_t CLT_CNV_STORE = 0;
inline constexpr uint32_t CLT_CNV_MEASURE = 1;

inline constexpr uint32_t CLT_CNV_FLAG_CP932 = 0x100;      // Microsoft code page 932 tables
inline constexpr uint32_t CLT_CNV_FLAG_BACKSLASH = 0x200;  // 0x5C stays U+005C
inline constexpr uint32_t CLT_CNV_REPLACED = 1;            // bit of the replacement flag word

// Codes of PDCLTCNVMODE.
enum clt_cnv_mode_code : uint8_t {
  CLT_CNV_NOUSE = 0,
  CLT_CNV_AUTO = 1,
  CLT_CNV_EUCHJ = 2,
  CLT_CNV_UJIS = 3,
  CLT_CNV_EUCHJ2 = 4,
  CLT_CNV_UJIS2 = 5,
  CLT_CNV_UTF8 = 6,
  CLT_CNV_UTF8MS = 7,
  CLT_CNV_UTF8_TXT = 8,
  CLT_CNV_UTF8MS_TXT = 9,
  CLT_CNV_UCS2_UTF8 = 10,
  CLT_CNV_UCS2_UJIS = 11,
  CLT_CNV_UCS2_HJ = 12,
  CLT_CNV_UTF8_EX = 13,
  CLT_CNV_UTF8_EX2 = 14,
};
inline bool clt_cnv_ucs2_mode(uint8_t mode) { return mode >= CLT_CNV_UCS2_UTF8 && mode <= CLT_CNV_UCS2_HJ; }

// Kinds of the user conversion.
enum clt_cnv_kind : int {
  CLT_CNV_USER_SJIS_EUC = 1,
  CLT_CNV_USER_EUC_SJIS = 2,
  CLT_CNV_USER_SJIS_UTF8 = 3,
  CLT_CNV_USER_UTF8_SJIS = 4,
  CLT_CNV_USER_UCS2_EUC = 5,
  CLT_CNV_USER_EUC_UCS2 = 6,
  CLT_CNV_USER_PAIR_EUC = 7,
};

// Bytes a user conversion may write: one surrogate pair.
inline constexpr int32_t CLT_CNV_USER_ROOM = 4;

inline bool clt_cnv_continuation(uint8_t b) { return (b & 0xC0) == 0x80; }

// ASCII bytes that every SJIS reading keeps as they are: all but the
// backslash and the tilde, which JIS X 0201 reads as yen and overline.
constexpr bool clt_cnv_plain_ascii(uint8_t b) { return b < 0x80 && b != 0x5C && b != 0x7E; }

constexpr bool clt_cnv_sjis_lead(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
inline bool clt_cnv_sjis_trail(uint8_t b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }
inline bool clt_cnv_euc_byte(uint8_t b) { return b >= 0xA1 && b <= 0xFE; }
inline bool clt_cnv_high_surrogate(uint16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
inline bool clt_cnv_low_surrogate(uint16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// One conversion in progress.
struct clt_cnv_run {
  const clt_env& env;
  const clt_cnv_slot& slot;
  const uint8_t* src;
  int32_t n;          // source bytes
  int32_t pos = 0;    // next source byte
  uint8_t* dst;
  int32_t size;       // room at the target
  int32_t out = 0;    // bytes produced
  bool store;         // false: measure only
  bool bounded;       // the room limits the walk
  bool replaced = false;

  int32_t left() const { return n - pos; }
  // The bytes produced have reached the room.
  bool full() const { return bounded && out >= size; }
  bool fits(int32_t bytes) const { return !bounded || out + bytes <= size; }
  void put(uint8_t b) {
    if (store) dst[out] = b;
    ++out;
  }
  // A two-byte code, high byte first.
  void put_code(uint16_t code) {
    put(static_cast<uint8_t>(code >> 8));
    put(static_cast<uint8_t>(code));
  }
  // A UCS-2 unit in the client's byte order.
  void put_unit(uint16_t unit) {
    put(static_cast<uint8_t>(unit));
    put(static_cast<uint8_t>(unit >> 8));
  }
  uint16_t unit_at(int32_t at) const { return static_cast<uint16_t>(src[at] | src[at + 1] << 8); }
};

// Runs a converter's walk on a local copy of `io`, which no target byte
// can alias, so that its counters stay in registers.
template <typename Walk>
inline int32_t clt_cnv_walk(clt_cnv_run& io, Walk walk) {
  clt_cnv_run r = io;
  const int32_t rc = walk(r);
  io.pos = r.pos;
  io.out = r.out;
  io.replaced = r.replaced;
  return rc;
}

// The bulk of a conversion that stores: while the source holds the most
// bytes one step reads (MaxIn) and the room the most it writes (MaxOut),
// `step(s, d)` converts one or a few common characters at s to d,
// advancing both, or returns false for anything it leaves to the
// converter's full rules. A step writes nothing past the characters it
// converts. The last characters always take the full rules.
struct clt_cnv_span {
  const uint8_t* s;
  uint8_t* d;
};

// The loop on its own, so that its few values keep their registers. It
// checks the ends once per stretch of characters that surely fits, not
// once per character.
template <int32_t MaxIn, int32_t MaxOut, typename Step>
[[gnu::noinline]] clt_cnv_span clt_cnv_bulk_loop(clt_cnv_span at, const uint8_t* s_last, const uint8_t* d_last,
                                                 Step step) {
  const uint8_t* s = at.s;
  uint8_t* d = at.d;
  while (s <= s_last && d <= d_last) {
    const ptrdiff_t sure = std::min((s_last - s) / MaxIn, (d_last - d) / MaxOut) + 1;
    for (ptrdiff_t i = 0; i < sure; ++i) {
      if (!step(s, d)) return {s, d};
    }
  }
  return {s, d};
}

template <int32_t MaxIn, int32_t MaxOut, typename Step>
inline void clt_cnv_bulk(clt_cnv_run& r, Step step) {
  if (!r.store || r.n - r.pos < MaxIn || r.size - r.out < MaxOut) return;
  const clt_cnv_span end = clt_cnv_bulk_loop<MaxIn, MaxOut>(
      clt_cnv_span{r.src + r.pos, r.dst + r.out}, r.src + (r.n - MaxIn), r.dst + (r.size - MaxOut), step);
  r.pos = static_cast<int32_t>(end.s - r.src);
  r.out = static_cast<int32_t>(end.d - r.dst);
}

// Stores a character of `size` (1 to 3) bytes with no branch on the size,
// which mixed text would mispredict: the middle and last stores fall back
// onto the first position for shorter characters, so a one-byte character
// gives its byte three times and a two-byte one leaves the middle unused.
inline void clt_cnv_store_upto3(uint8_t*& d, uint8_t first, uint8_t middle, uint8_t last, uint32_t size) {
  d[(size - 1) >> 1] = middle;
  d[0] = first;
  d[size - 1] = last;
  d += size;
}

inline void clt_cnv_store_utf8_3(uint8_t*& d, uint32_t cp) {
  d[0] = static_cast<uint8_t>(0xE0 | cp >> 12);
  d[1] = static_cast<uint8_t>(0x80 | (cp >> 6 & 0x3F));
  d[2] = static_cast<uint8_t>(0x80 | (cp & 0x3F));
  d += 3;
}

// Eight source bytes as one word, the first in the lowest byte, whatever
// the machine's byte order.
inline uint64_t clt_cnv_load8(const uint8_t* p) {
  uint64_t w;
  memcpy(&w, p, sizeof w);
  if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
  return w;
}
inline uint32_t clt_cnv_load4(const uint8_t* p) {
  uint32_t w;
  memcpy(&w, p, sizeof w);
  if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap32(w);
  return w;
}
inline void clt_cnv_store2(uint8_t* p, uint16_t w) {
  if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap16(w);
  memcpy(p, &w, sizeof w);
}
inline void clt_cnv_store8(uint8_t* p, uint64_t w) {
  if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
  memcpy(p, &w, sizeof w);
}

inline constexpr uint64_t CLT_CNV_EACH_BYTE = 0x0101010101010101u;
inline constexpr uint64_t CLT_CNV_HIGH_BITS = 0x8080808080808080u;
// Whether the first byte of `w` is ASCII.
constexpr bool clt_cnv_ascii_first(uint64_t w) { return (w & 0x80) == 0; }

// The high bit of each byte of `w` that is `b`.
constexpr uint64_t clt_cnv_bytes_equal(uint64_t w, uint8_t b) {
  constexpr uint64_t kLowBits = ~CLT_CNV_HIGH_BITS;
  const uint64_t x = w ^ (CLT_CNV_EACH_BYTE * b);
  return ~(((x & kLowBits) + kLowBits) | x | kLowBits);
}

// A run of ASCII that a converter takes byte for character, at s, with
// `ends` the high bit of each byte of the word w at s that ends it:
// `ascii(b, at)` stores such a byte at `at` (AsciiOut bytes), `ascii8(w, d)`
// a whole word of them, advancing d. False when the run is empty.
inline constexpr int32_t CLT_CNV_ASCII_RUN = 8;
// For runs that the converter keeps byte for byte.
inline constexpr auto clt_cnv_copy_byte = [](uint8_t b, uint8_t* at) { *at = b; };
inline constexpr auto clt_cnv_copy_word = [](uint64_t w, uint8_t*& d) {
  clt_cnv_store8(d, w);
  d += CLT_CNV_ASCII_RUN;
};

template <int32_t AsciiOut, typename Ascii, typename Ascii8>
inline bool clt_cnv_ascii_run(uint64_t w, uint64_t ends, const uint8_t*& s, uint8_t*& d, Ascii ascii, Ascii8 ascii8) {
  if (ends == 0) {
    ascii8(w, d);
    s += CLT_CNV_ASCII_RUN;
    return true;
  }
  // A shorter run with no branch on its length, which mixed text would
  // mispredict: each byte from the last goes to its place, those past the
  // run to the run's last place, which its own byte then takes.
  const int32_t run = std::countr_zero(ends) >> 3;
  if (run == 0) return false;
  for (int32_t k = CLT_CNV_ASCII_RUN - 1; k >= 0; --k) {
    ascii(static_cast<uint8_t>(w >> (8 * k)), d + AsciiOut * std::min(k, run - 1));
  }
  s += run;
  d += AsciiOut * run;
  return true;
}

// The bulk of the UTF-8 readers, for the common characters: runs of ASCII
// (`stops(word)` gives the ends of a run, as above) and three-byte
// sequences, read as words (first byte lowest), two in one step when they
// follow each other. `put(cp, d)` stores a code point at d, advancing d by
// at most PutOut bytes, or returns false for one it leaves to the full
// rules.
inline constexpr uint8_t CLT_CNV_UTF8_THREE = 3;  // the length of U+0800-U+FFFF
inline bool clt_cnv_three_byte_word(uint32_t v) { return (v & 0xC0C0F0u) == 0x8080E0u; }
inline uint32_t clt_cnv_three_byte_value(uint32_t v) {
  return (v & 0x0Fu) << 12 | (v >> 2 & 0xFC0u) | (v >> 16 & 0x3Fu);
}

template <int32_t AsciiOut, int32_t PutOut, typename Stops, typename Ascii, typename Ascii8, typename Put>
inline void clt_cnv_utf8_bulk(clt_cnv_run& r, Stops stops, Ascii ascii, Ascii8 ascii8, Put put) {
  constexpr int32_t kReads = CLT_CNV_ASCII_RUN;  // the most one step reads
  constexpr int32_t kWrites = std::max(2 * PutOut, CLT_CNV_ASCII_RUN * AsciiOut);
  clt_cnv_bulk<kReads, kWrites>(r, [&](const uint8_t*& s, uint8_t*& d) {
    const uint64_t w = clt_cnv_load8(s);
    const auto v = static_cast<uint32_t>(w);
    if (clt_cnv_ascii_first(w)) return clt_cnv_ascii_run<AsciiOut>(w, stops(w), s, d, ascii, ascii8);
    if (!clt_cnv_three_byte_word(v) || !put(clt_cnv_three_byte_value(v), d)) return false;
    const uint32_t v2 = clt_cnv_load4(s + CLT_CNV_UTF8_THREE);
    s += CLT_CNV_UTF8_THREE;
    if (clt_cnv_three_byte_word(v2) && put(clt_cnv_three_byte_value(v2), d)) s += CLT_CNV_UTF8_THREE;
    return true;
  });
}

// The type's converter run over the slot's current arguments, with `bounded`
// telling whether measuring also stops at the room.
clt_cnv_run clt_cnv_start(const clt_env& env, const clt_cnv_slot& slot, bool bounded_when_measuring);

// The user conversion of `kind`: the loaded function's result in `target`,
// or without one the slot's replacement in its first two bytes. True when
// the replacement was written.
bool clt_cnv_user(const clt_env& env, const clt_cnv_slot& slot, int kind, const uint8_t* source,
                  uint8_t* target);

// Whether PDCLTGAIJIDLL names a library.
inline bool clt_cnv_gaiji_named(const clt_env& env) { return env.pdcltgaijidll[0] != '\0'; }

// The UTF-8 sequence at r.pos: its code point, or false when it is broken
// (truncated, a stray continuation, 0xFE or 0xFF, bad continuation bytes,
// longer than `longest` bytes, a 4-byte form outside U+10000-U+10FFFF).
// *used receives the bytes it claims, at most those left.
// Lengths of the UTF-8 sequences by their first byte; 0 for a stray
// continuation byte, 0xFE and 0xFF.
inline constexpr std::array<uint8_t, 256> CLT_CNV_UTF8_LENGTH = [] {
  std::array<uint8_t, 256> t{};
  for (int b = 0; b < 0x100; ++b) {
    t[b] = b < 0x80 ? 1 : b < 0xC0 ? 0 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : b < 0xF8 ? 4 : b < 0xFC ? 5 : b < 0xFE ? 6 : 0;
  }
  return t;
}();

inline bool clt_cnv_read_utf8(const clt_cnv_run& r, int32_t longest, uint32_t* cp, int32_t* used) {
  constexpr uint32_t kFirstSupplementary = 0x10000;
  constexpr uint32_t kLastCodePoint = 0x10FFFF;
  const uint8_t* p = r.src + r.pos;
  const uint8_t b0 = p[0];
  const int32_t len = CLT_CNV_UTF8_LENGTH[b0];
  const int32_t left = r.left();
  if (len <= 1) {
    *used = 1;
    *cp = b0;
    return len == 1;
  }
  *used = len < left ? len : left;
  if (len > longest || len > left) return false;
  if (len == 3) {
    if (!clt_cnv_continuation(p[1]) || !clt_cnv_continuation(p[2])) return false;
    *cp = (b0 & 0x0Fu) << 12 | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3Fu);
    return true;
  }
  uint32_t value = b0 & (0x7Fu >> len);
  for (int32_t i = 1; i < len; ++i) {
    if (!clt_cnv_continuation(p[i])) return false;
    value = value << 6 | (p[i] & 0x3Fu);
  }
  if (len == 4 && (value < kFirstSupplementary || value > kLastCodePoint)) return false;
  *cp = value;
  return true;
}

// Code points in UTF-8: 1 to 4 bytes.
inline int32_t clt_cnv_utf8_size(uint32_t cp) {
  if (cp < 0x80) return 1;
  if (cp < 0x800) return 2;
  if (cp < 0x10000) return 3;
  return 4;
}

inline void clt_cnv_put_utf8(clt_cnv_run& r, uint32_t cp, int32_t size) {
  if (size == 3) {
    r.put(static_cast<uint8_t>(0xE0 | cp >> 12));
    r.put(static_cast<uint8_t>(0x80 | (cp >> 6 & 0x3F)));
    r.put(static_cast<uint8_t>(0x80 | (cp & 0x3F)));
  } else if (size == 1) {
    r.put(static_cast<uint8_t>(cp));
  } else if (size == 2) {
    r.put(static_cast<uint8_t>(0xC0 | cp >> 6));
    r.put(static_cast<uint8_t>(0x80 | (cp & 0x3F)));
  } else {
    r.put(static_cast<uint8_t>(0xF0 | cp >> 18));
    r.put(static_cast<uint8_t>(0x80 | (cp >> 12 & 0x3F)));
    r.put(static_cast<uint8_t>(0x80 | (cp >> 6 & 0x3F)));
    r.put(static_cast<uint8_t>(0x80 | (cp & 0x3F)));
  }
}


// JIS X 0208 row and cell bytes (0x21-0x7E) and Shift_JIS, by the standard
// arithmetic transformation. Its steps that hang on the parity of the row
// and on the trail byte's range are tables, so that mixed text costs no
// unpredictable branch there.
struct clt_cnv_sjis_trail_step {
  uint8_t cell;      // 1 to 94
  uint8_t even_row;  // 1: the trail belongs to the lead's even row
};
inline constexpr std::array<clt_cnv_sjis_trail_step, 256> CLT_CNV_SJIS_TRAIL = [] {
  std::array<clt_cnv_sjis_trail_step, 256> t{};
  for (int b = 0x40; b <= 0xFC; ++b) {
    if (b >= 0x9F) {
      t[b] = {static_cast<uint8_t>(b - 0x9E), 1};
    } else if (b != 0x7F) {
      t[b] = {static_cast<uint8_t>(b <= 0x7E ? b - 0x3F : b - 0x40), 0};
    }
  }
  return t;
}();

// Indexed by the JIS row byte, and by its parity and the cell byte.
inline constexpr std::array<uint8_t, 256> CLT_CNV_JIS_LEAD = [] {
  std::array<uint8_t, 256> t{};
  for (int j = 0x21; j <= 0xFF; ++j) {
    const int row = j - 0x20;
    t[j] = static_cast<uint8_t>((row + 1) / 2 + (row <= 62 ? 0x80 : 0xC0));
  }
  return t;
}();
inline constexpr std::array<std::array<uint8_t, 128>, 2> CLT_CNV_JIS_TRAIL = [] {
  std::array<std::array<uint8_t, 128>, 2> t{};
  for (int j = 0x21; j <= 0x7E; ++j) {
    const int cell = j - 0x20;
    t[0][j] = static_cast<uint8_t>(cell + 0x9E);
    t[1][j] = static_cast<uint8_t>(cell <= 63 ? cell + 0x3F : cell + 0x40);
  }
  return t;
}();

inline uint16_t clt_cnv_sjis_to_jis(uint8_t lead, uint8_t trail) {
  const clt_cnv_sjis_trail_step step = CLT_CNV_SJIS_TRAIL[trail];
  const int32_t row = (lead <= 0x9F ? lead - 0x80 : lead - 0xC0) * 2 - 1 + step.even_row;
  return static_cast<uint16_t>((row + 0x20) << 8 | (step.cell + 0x20));
}

inline uint16_t clt_cnv_jis_to_sjis(uint8_t j1, uint8_t j2) {
  return static_cast<uint16_t>(CLT_CNV_JIS_LEAD[j1] << 8 | CLT_CNV_JIS_TRAIL[j1 & 1][j2 & 0x7F]);
}

