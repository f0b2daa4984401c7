#include "clt_cnv_wide.h"

#if defined(__x86_64__)

#include <immintrin.h>

// GCC 12's AVX-512 headers fill unused lanes from a deliberately
// uninitialised value, which its own warning then reports.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

#include <algorithm>

namespace {

#define CLT_WIDE __attribute__((target("avx512f,avx512bw,avx512vl,avx512vbmi,avx512vbmi2,bmi,bmi2,popcnt")))

constexpr int32_t kWindow = 64;            // source bytes one step reads
constexpr uint64_t kEvenBits = 0x5555555555555555u;
constexpr uint64_t kAll = ~uint64_t{0};
constexpr uint32_t kHalf = 32;

// The bytes of the window at positions 0 to 63.
CLT_WIDE inline __m512i positions() {
  return _mm512_set_epi8(63, 62, 61, 60, 59, 58, 57, 56, 55, 54, 53, 52, 51, 50, 49, 48, 47, 46, 45, 44, 43, 42, 41,
                         40, 39, 38, 37, 36, 35, 34, 33, 32, 31, 30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18,
                         17, 16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
}

CLT_WIDE inline __m512i bytes_of(uint8_t b) { return _mm512_set1_epi8(static_cast<char>(b)); }
CLT_WIDE inline __m512i one_bit() { return bytes_of(1); }

// Bytes of `w` from `first` to `last`.
CLT_WIDE inline uint64_t in_range(__m512i w, uint8_t first, uint8_t last) {
  return _mm512_cmpge_epu8_mask(w, bytes_of(first)) & _mm512_cmple_epu8_mask(w, bytes_of(last));
}

// In a code of leads and trails where the byte after a lead is always its
// trail and any other byte stands alone (SJIS, EUC), with the window
// starting at a character: the leads, given `lead_range`, the bytes that
// are leads where a character starts. In each run of such bytes every
// other one is a lead, from the run's first; the run's carry through an
// addition marks the runs that start at even positions.
CLT_WIDE inline uint64_t paired_leads(uint64_t lead_range) {
  const uint64_t starts = lead_range & ~(lead_range << 1);
  const uint64_t even_runs = lead_range & ~(lead_range + (starts & kEvenBits));
  const uint64_t odd_runs = lead_range & ~even_runs;
  return (even_runs & kEvenBits) | (odd_runs & ~kEvenBits);
}

// The position of character `k` among those whose first bytes are `starts`.
CLT_WIDE inline uint32_t start_of(uint64_t starts, uint32_t k) {
  return static_cast<uint32_t>(_tzcnt_u64(_pdep_u64(uint64_t{1} << k, starts)));
}

// Stores the bytes of `w` that `keep` marks, in order, at d; advances d.
CLT_WIDE inline void store_kept(uint8_t*& d, __mmask64 keep, __m512i w) {
  const auto n = static_cast<uint32_t>(__builtin_popcountll(keep));
  _mm512_mask_storeu_epi8(d, _bzhi_u64(kAll, n), _mm512_maskz_compress_epi8(keep, w));
  d += n;
}

// One to three UTF-8 bytes of a window: the code points (words) of at
// most 32 characters that start in it and end in it, their count, their
// first bytes and the source bytes they take; `whole` is false when a
// character that the full rules decide (four bytes or more, broken)
// stopped them early.
struct utf8_window {
  __m512i units;
  uint32_t count;
  uint64_t leads;
  uint32_t consumed;
  bool whole;
};

constexpr uint32_t kMostUnits = 32;
constexpr uint32_t kLastStart = kWindow - CLT_CNV_UTF8_THREE;  // a character starting here ends in the window

// The code point at each of 32 positions as if a character started there,
// from the bytes there (b0) and after (b1, b2), with `two` and `three`
// the positions of the leads of two and three bytes.
CLT_WIDE inline __m512i utf8_values(__m256i b0_bytes, __m256i b1_bytes, __m256i b2_bytes, __mmask32 two,
                                    __mmask32 three) {
  const __m512i b0 = _mm512_cvtepu8_epi16(b0_bytes);
  const __m512i b1 = _mm512_cvtepu8_epi16(b1_bytes);
  const __m512i b2 = _mm512_cvtepu8_epi16(b2_bytes);
  const __m512i low6 = _mm512_set1_epi16(0x3F);
  const __m512i v2 = _mm512_or_si512(_mm512_slli_epi16(_mm512_and_si512(b0, _mm512_set1_epi16(0x1F)), 6),
                                     _mm512_and_si512(b1, low6));
  const __m512i v3 = _mm512_or_si512(
      _mm512_or_si512(_mm512_slli_epi16(b0, 12), _mm512_slli_epi16(_mm512_and_si512(b1, low6), 6)),
      _mm512_and_si512(b2, low6));
  return _mm512_mask_blend_epi16(three, _mm512_mask_blend_epi16(two, b0, v2), v3);
}

CLT_WIDE inline utf8_window read_utf8(const uint8_t* s) {
  const __m512i w = _mm512_loadu_si512(s);
  const uint64_t cont = _mm512_cmpeq_epi8_mask(_mm512_and_si512(w, bytes_of(0xC0)), bytes_of(0x80));
  const uint64_t two = _mm512_cmpeq_epi8_mask(_mm512_and_si512(w, bytes_of(0xE0)), bytes_of(0xC0));
  const uint64_t three = _mm512_cmpeq_epi8_mask(_mm512_and_si512(w, bytes_of(0xF0)), bytes_of(0xE0));
  const uint64_t longer = _mm512_cmpge_epu8_mask(w, bytes_of(0xF0));
  const uint64_t leads = ~cont;
  const uint64_t expected = two << 1 | three << 1 | three << 2;
  const uint64_t missing = expected & ~cont;
  const uint64_t faults = missing | (cont & ~expected) | longer;
  uint32_t stop = kWindow;
  if (faults != 0) {
    // A continuation where none belongs, or a long form, is a character of
    // its own; a missing continuation breaks the character before it.
    stop = static_cast<uint32_t>(_tzcnt_u64(faults));
    if (missing >> stop & 1) {
      const uint64_t before = leads & _bzhi_u64(kAll, stop);
      stop = before == 0 ? 0 : 63 - static_cast<uint32_t>(__builtin_clzll(before));
    }
  }
  const uint32_t next = kLastStart + 1 + static_cast<uint32_t>(_tzcnt_u64(leads >> (kLastStart + 1) | 4));
  utf8_window r{};
  r.consumed = std::min(stop, next);
  if (__builtin_popcountll(leads & _bzhi_u64(kAll, r.consumed)) > static_cast<int>(kMostUnits)) {
    r.consumed = start_of(leads, kMostUnits);
  }
  r.whole = r.consumed < stop || stop >= next;
  r.leads = leads & _bzhi_u64(kAll, r.consumed);
  r.count = static_cast<uint32_t>(__builtin_popcountll(r.leads));
  // The bytes after each position; those past the window belong to no
  // character taken.
  const __m512i w1 = _mm512_permutexvar_epi8(_mm512_add_epi8(positions(), bytes_of(1)), w);
  const __m512i w2 = _mm512_permutexvar_epi8(_mm512_add_epi8(positions(), bytes_of(2)), w);
  const auto low = static_cast<__mmask32>(r.leads);
  const auto high = static_cast<__mmask32>(r.leads >> kHalf);
  const __m512i front = _mm512_maskz_compress_epi16(
      low, utf8_values(_mm512_castsi512_si256(w), _mm512_castsi512_si256(w1), _mm512_castsi512_si256(w2),
                       static_cast<__mmask32>(two), static_cast<__mmask32>(three)));
  const __m512i back = _mm512_maskz_compress_epi16(
      high, utf8_values(_mm512_extracti64x4_epi64(w, 1), _mm512_extracti64x4_epi64(w1, 1),
                        _mm512_extracti64x4_epi64(w2, 1), static_cast<__mmask32>(two >> kHalf),
                        static_cast<__mmask32>(three >> kHalf)));
  // The back's units follow the front's.
  const auto in_front = static_cast<uint32_t>(__builtin_popcount(low));
  const __m512i lane = _mm512_set_epi16(31, 30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18, 17, 16, 15, 14, 13,
                                        12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
  const __mmask32 moved = _mm512_cmpge_epu16_mask(lane, _mm512_set1_epi16(static_cast<int16_t>(in_front)));
  const __m512i from = _mm512_mask_add_epi16(
      lane, moved, lane, _mm512_set1_epi16(static_cast<int16_t>(kMostUnits - in_front)));
  r.units = _mm512_permutex2var_epi16(front, from, back);
  return r;
}

CLT_WIDE void ucs2_utf8(clt_cnv_run& r) {
  constexpr int32_t kIn = 32;   // sixteen units
  constexpr int32_t kOut = 48;  // of three bytes each
  const uint8_t* s = r.src + r.pos;
  uint8_t* d = r.dst + r.out;
  const uint8_t* s_end = r.src + r.n;
  const uint8_t* d_end = r.dst + r.size;
  while (s_end - s >= kIn && d_end - d >= kOut) {
    const __m512i u = _mm512_cvtepu16_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(s)));
    const __mmask16 surrogates =
        _mm512_cmpeq_epi32_mask(_mm512_and_si512(u, _mm512_set1_epi32(0xF800)), _mm512_set1_epi32(0xD800));
    const uint32_t count = surrogates == 0 ? 16 : _tzcnt_u32(surrogates);
    if (count == 0) break;
    const __mmask16 one = _mm512_cmplt_epu32_mask(u, _mm512_set1_epi32(0x80));
    const __mmask16 two = _mm512_cmplt_epu32_mask(u, _mm512_set1_epi32(0x800)) & ~one;
    const __m512i low6 = _mm512_set1_epi32(0x3F);
    const __m512i mark = _mm512_set1_epi32(0x80);
    const __m512i last = _mm512_or_si512(_mm512_and_si512(u, low6), mark);
    const __m512i middle = _mm512_or_si512(_mm512_and_si512(_mm512_srli_epi32(u, 6), low6), mark);
    const __m512i w3 = _mm512_or_si512(
        _mm512_or_si512(_mm512_or_si512(_mm512_srli_epi32(u, 12), _mm512_set1_epi32(0xE0)), _mm512_slli_epi32(middle, 8)),
        _mm512_slli_epi32(last, 16));
    const __m512i w2 = _mm512_or_si512(_mm512_or_si512(_mm512_srli_epi32(u, 6), _mm512_set1_epi32(0xC0)),
                                       _mm512_slli_epi32(last, 8));
    __m512i w = _mm512_mask_blend_epi32(two, w3, w2);
    w = _mm512_mask_blend_epi32(one, w, u);
    __m512i keep = _mm512_mask_blend_epi32(two, _mm512_set1_epi32(0xFFFFFF), _mm512_set1_epi32(0xFFFF));
    keep = _mm512_mask_blend_epi32(one, keep, _mm512_set1_epi32(0xFF));
    keep = _mm512_maskz_mov_epi32(static_cast<__mmask16>(_bzhi_u32(0xFFFF, count)), keep);
    store_kept(d, _mm512_test_epi8_mask(keep, keep), w);
    s += 2 * count;
    if (count < 16) break;
  }
  r.pos = static_cast<int32_t>(s - r.src);
  r.out = static_cast<int32_t>(d - r.dst);
}

CLT_WIDE void utf8_ucs2(clt_cnv_run& r) {
  constexpr int32_t kOut = 64;  // 32 units
  const uint8_t* s = r.src + r.pos;
  uint8_t* d = r.dst + r.out;
  const uint8_t* s_end = r.src + r.n;
  const uint8_t* d_end = r.dst + r.size;
  while (s_end - s >= kWindow && d_end - d >= kOut) {
    const utf8_window u = read_utf8(s);
    if (u.consumed == 0) break;
    _mm512_mask_storeu_epi16(d, _bzhi_u32(~0u, u.count), u.units);
    d += 2 * u.count;
    s += u.consumed;
    if (!u.whole) break;
  }
  r.pos = static_cast<int32_t>(s - r.src);
  r.out = static_cast<int32_t>(d - r.dst);
}


CLT_WIDE void utf8_sjis(clt_cnv_run& r, const uint16_t* codes) {
  constexpr int32_t kOut = 64;  // 32 characters of two bytes
  const uint8_t* s = r.src + r.pos;
  uint8_t* d = r.dst + r.out;
  const uint8_t* s_end = r.src + r.n;
  const uint8_t* d_end = r.dst + r.size;
  while (s_end - s >= kWindow && d_end - d >= kOut) {
    utf8_window u = read_utf8(s);
    if (u.consumed == 0) break;
    // The codes of the code points, read four bytes at a time from the
    // word table (hence its extra word), the high half dropped.
    const __m512i low = _mm512_cvtepu16_epi32(_mm512_castsi512_si256(u.units));
    const __m512i high = _mm512_cvtepu16_epi32(_mm512_extracti64x4_epi64(u.units, 1));
    const __m256i low_codes = _mm512_cvtepi32_epi16(_mm512_i32gather_epi32(low, codes, 2));
    const __m256i high_codes = _mm512_cvtepi32_epi16(_mm512_i32gather_epi32(high, codes, 2));
    const __m512i code = _mm512_inserti64x4(_mm512_castsi256_si512(low_codes), high_codes, 1);
    __mmask32 live = _bzhi_u32(~0u, u.count);
    const __mmask32 unmapped = _mm512_cmpeq_epi16_mask(code, _mm512_setzero_si512()) & live;
    if (unmapped != 0) {
      const uint32_t k = _tzcnt_u32(unmapped);
      live = _bzhi_u32(~0u, k);
      u.consumed = start_of(u.leads, k);
      u.whole = false;
      if (k == 0) break;
    }
    // Two-byte codes high byte first; single bytes in their low byte.
    const __mmask32 two = _mm512_cmpgt_epu16_mask(code, _mm512_set1_epi16(0xFF)) & live;
    const __m512i swapped = _mm512_or_si512(_mm512_slli_epi16(code, 8), _mm512_srli_epi16(code, 8));
    const __m512i w = _mm512_mask_blend_epi16(two, code, swapped);
    const __m512i keep = _mm512_maskz_mov_epi16(
        live, _mm512_mask_blend_epi16(two, _mm512_set1_epi16(0xFF), _mm512_set1_epi16(-1)));
    store_kept(d, _mm512_test_epi8_mask(keep, keep), w);
    s += u.consumed;
    if (!u.whole) break;
  }
  r.pos = static_cast<int32_t>(s - r.src);
  r.out = static_cast<int32_t>(d - r.dst);
}

constexpr uint32_t kCellSizeShift = 24;
constexpr uint8_t kFirstUserLead = 0xF0;  // SJIS leads from here are user-defined or IBM's
constexpr int32_t kNoCell = 0x80;          // a single byte without a cell

// Sixteen SJIS characters from their first bytes b0 and next bytes b1
// (`lead` marking the two-byte ones) through the cells: stores them and
// returns how many of them the cells convert, from the first.
CLT_WIDE inline uint32_t sjis_cells(uint8_t*& d, const uint32_t* cells, __m128i first, __m128i next, __mmask16 lead,
                                    uint32_t count) {
  const __m512i b0 = _mm512_cvtepu8_epi32(first);
  const __m512i b1 = _mm512_cvtepu8_epi32(next);
  // Rows: 0x81-0x9F are 1-31, 0xE0-0xEF 32-47.
  const __mmask16 high = _mm512_cmpge_epu32_mask(b0, _mm512_set1_epi32(0xE0));
  __m512i row = _mm512_sub_epi32(b0, _mm512_set1_epi32(0x80));
  row = _mm512_mask_sub_epi32(row, high, row, _mm512_set1_epi32(0x40));
  const __m512i two = _mm512_add_epi32(_mm512_slli_epi32(row, 8), b1);
  const __mmask16 user = _mm512_cmpge_epu32_mask(b0, _mm512_set1_epi32(kFirstUserLead)) & lead;
  __m512i index = _mm512_mask_blend_epi32(lead, b0, two);
  index = _mm512_mask_mov_epi32(index, user, _mm512_set1_epi32(kNoCell));
  const __m512i cell = _mm512_i32gather_epi32(index, cells, 4);
  const __m512i size = _mm512_srli_epi32(cell, kCellSizeShift);
  __mmask16 live = static_cast<__mmask16>(_bzhi_u32(0xFFFF, count));
  const __mmask16 none = _mm512_cmpeq_epi32_mask(size, _mm512_setzero_si512()) & live;
  if (none != 0) {
    count = _tzcnt_u32(none);
    live = static_cast<__mmask16>(_bzhi_u32(0xFFFF, count));
  }
  const __mmask16 three = _mm512_cmpeq_epi32_mask(size, _mm512_set1_epi32(CLT_CNV_UTF8_THREE));
  const __m512i keep = _mm512_maskz_mov_epi32(
      live, _mm512_mask_blend_epi32(three, _mm512_set1_epi32(0xFF), _mm512_set1_epi32(0xFFFFFF)));
  store_kept(d, _mm512_test_epi8_mask(keep, keep), cell);
  return count;
}

CLT_WIDE void sjis_utf8(clt_cnv_run& r, const uint32_t* cells) {
  constexpr int32_t kOut = 96;  // 32 characters of three bytes
  constexpr uint32_t kQuarter = 16;
  const __m512i at = positions();
  const __m512i one = bytes_of(1);
  const uint8_t* s = r.src + r.pos;
  uint8_t* d = r.dst + r.out;
  const uint8_t* s_end = r.src + r.n;
  const uint8_t* d_end = r.dst + r.size;
  while (s_end - s >= kWindow && d_end - d >= kOut) {
    const __m512i w = _mm512_loadu_si512(s);
    const uint64_t leads = paired_leads(in_range(w, 0x81, 0x9F) | in_range(w, 0xE0, 0xFC));
    // The characters that start in the first half; a lead at its end takes
    // its trail from the second.
    const uint64_t starts = ~(leads << 1) & _bzhi_u64(kAll, kHalf);
    const auto count = static_cast<uint32_t>(__builtin_popcountll(starts));
    const __m512i where = _mm512_maskz_compress_epi8(starts, at);
    const __m512i first = _mm512_permutexvar_epi8(where, w);
    const __m512i next = _mm512_permutexvar_epi8(_mm512_add_epi8(where, one), w);
    const auto lead = static_cast<uint32_t>(_pext_u64(leads, starts));
    const uint32_t front = std::min(count, kQuarter);
    uint32_t done = sjis_cells(d, cells, _mm512_castsi512_si128(first), _mm512_castsi512_si128(next),
                               static_cast<__mmask16>(lead), front);
    if (done == front && count > kQuarter) {
      done += sjis_cells(d, cells, _mm512_extracti32x4_epi32(first, 1), _mm512_extracti32x4_epi32(next, 1),
                         static_cast<__mmask16>(lead >> kQuarter), count - kQuarter);
    }
    if (done < count) {
      s += start_of(starts, done);
      break;
    }
    s += kHalf + (leads >> (kHalf - 1) & 1);
  }
  r.pos = static_cast<int32_t>(s - r.src);
  r.out = static_cast<int32_t>(d - r.dst);
}

CLT_WIDE void euc_sjis(clt_cnv_run& r) {
  constexpr uint32_t kTaken = kWindow - 1;  // characters that start before here end in the window
  constexpr uint8_t kSingleShift2 = 0x8E;
  const __m512i at = positions();
  const __m512i to_next = _mm512_add_epi8(at, bytes_of(1));
  const __m512i to_previous = _mm512_sub_epi8(at, bytes_of(1));
  const uint8_t* s = r.src + r.pos;
  uint8_t* d = r.dst + r.out;
  const uint8_t* s_end = r.src + r.n;
  const uint8_t* d_end = r.dst + r.size;
  while (s_end - s >= kWindow && d_end - d >= kWindow) {
    const __m512i w = _mm512_loadu_si512(s);
    const uint64_t shift2 = _mm512_cmpeq_epi8_mask(w, bytes_of(kSingleShift2));
    const uint64_t euc = in_range(w, 0xA1, 0xFE);
    const uint64_t leads = paired_leads(shift2 | euc);
    const uint64_t trails = leads << 1;
    const uint64_t kana = leads & shift2;
    const uint64_t jis = leads & ~shift2;
    const uint64_t singles = ~leads & ~trails;
    // What the full rules decide: JIS X 0212, the bytes without a
    // character, the user rows and bad trails.
    const uint64_t faults =
        (singles & (_mm512_cmpeq_epi8_mask(w, bytes_of(0x8F)) | _mm512_cmpeq_epi8_mask(w, bytes_of(0xA0)) |
                    _mm512_cmpeq_epi8_mask(w, bytes_of(0xFF)))) |
        (jis & (_mm512_cmpge_epu8_mask(w, bytes_of(0xF5)) | ~(euc >> 1))) |
        (kana & ~(_mm512_cmpge_epu8_mask(w, bytes_of(0xA0)) >> 1));
    const auto whole = static_cast<uint32_t>(kTaken + (trails >> kTaken & 1));
    const uint32_t taken = std::min(whole, static_cast<uint32_t>(_tzcnt_u64(faults)));
    if (taken == 0) break;
    // JIS row and cell bytes to SJIS, as the arithmetic transformation.
    const __m512i next = _mm512_permutexvar_epi8(to_next, w);
    const __m512i previous = _mm512_permutexvar_epi8(to_previous, w);
    const __m512i row = _mm512_sub_epi8(w, bytes_of(0xA0));
    __m512i lead_byte = _mm512_avg_epu8(row, _mm512_setzero_si512());
    const uint64_t late_rows = _mm512_cmpgt_epu8_mask(row, bytes_of(62));
    lead_byte = _mm512_add_epi8(lead_byte, _mm512_mask_blend_epi8(late_rows, bytes_of(0x80), bytes_of(0xC0)));
    const __m512i cell = row;  // at a trail
    const uint64_t odd_row = _mm512_test_epi8_mask(previous, one_bit());
    const uint64_t late_cells = _mm512_cmpgt_epu8_mask(cell, bytes_of(63));
    __m512i trail_byte = _mm512_add_epi8(cell, bytes_of(0x9E));
    trail_byte = _mm512_mask_add_epi8(trail_byte, odd_row, cell, bytes_of(0x3F));
    trail_byte = _mm512_mask_add_epi8(trail_byte, odd_row & late_cells, cell, bytes_of(0x40));
    __m512i out = _mm512_mask_mov_epi8(w, kana, next);
    out = _mm512_mask_mov_epi8(out, jis, lead_byte);
    out = _mm512_mask_mov_epi8(out, jis << 1, trail_byte);
    store_kept(d, _bzhi_u64(kAll, taken) & ~(kana << 1), out);
    s += taken;
    if (taken < whole) break;
  }
  r.pos = static_cast<int32_t>(s - r.src);
  r.out = static_cast<int32_t>(d - r.dst);
}

}  // namespace

bool clt_cnv_wide_ready() {
  static const bool ready = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                            __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512vbmi") &&
                            __builtin_cpu_supports("avx512vbmi2") && __builtin_cpu_supports("bmi2");
  return ready;
}

void clt_cnv_wide_ucs2_utf8(clt_cnv_run& r) {
  if (r.store && clt_cnv_wide_ready()) ucs2_utf8(r);
}

void clt_cnv_wide_utf8_ucs2(clt_cnv_run& r) {
  if (r.store && clt_cnv_wide_ready()) utf8_ucs2(r);
}

void clt_cnv_wide_utf8_sjis(clt_cnv_run& r, const uint16_t* codes) {
  if (r.store && clt_cnv_wide_ready()) utf8_sjis(r, codes);
}

void clt_cnv_wide_sjis_utf8(clt_cnv_run& r, const uint32_t* cells) {
  if (r.store && clt_cnv_wide_ready()) sjis_utf8(r, cells);
}

void clt_cnv_wide_euc_sjis(clt_cnv_run& r) {
  if (r.store && clt_cnv_wide_ready()) euc_sjis(r);
}

#else

bool clt_cnv_wide_ready() { return false; }
void clt_cnv_wide_ucs2_utf8(clt_cnv_run&) {}
void clt_cnv_wide_utf8_ucs2(clt_cnv_run&) {}
void clt_cnv_wide_utf8_sjis(clt_cnv_run&, const uint16_t*) {}
void clt_cnv_wide_sjis_utf8(clt_cnv_run&, const uint32_t*) {}
void clt_cnv_wide_euc_sjis(clt_cnv_run&) {}

#endif
