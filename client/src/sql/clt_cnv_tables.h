// The code tables of the character conversion: constant data generated
// once from glibc iconv by scripts/gen_cnv_tables.py, with the rows our
// server partners expect where they differ. A value of 0 means that the
// code has no mapping.
#pragma once

#include <stdint.h>

inline constexpr int32_t CLT_JIS_CELLS = 94;  // rows and cells of JIS X 0208
inline constexpr uint8_t CLT_JIS_FIRST = 0x21;

// Kinds of word of the UCS-2 to JIS table: JIS X 0201 Roman byte xx
// (0x20xx), JIS X 0201 katakana byte xx + 0x80 (0x40xx), 0x8000 + a JIS X
// 0208 code (low byte 0x21-0x7E), 0x8080 + a JIS X 0212 code (low byte
// 0xA1-0xFE).
inline constexpr uint16_t CLT_JIS_ROMAN = 0x2000;
inline constexpr uint16_t CLT_JIS_KANA = 0x4000;
inline constexpr uint16_t CLT_JIS_0208 = 0x8000;
inline constexpr uint16_t CLT_JIS_0212 = 0x8080;

extern const uint16_t clt_cnv_ucs2_cp932_index[256];
extern const uint16_t clt_cnv_ucs2_cp932_pages[][256];
extern const uint16_t clt_cnv_cp932_ucs2_index[256];
extern const uint16_t clt_cnv_cp932_ucs2_pages[][256];
extern const uint16_t clt_cnv_ucs2_jis_index[256];
extern const uint16_t clt_cnv_ucs2_jis_pages[][256];
extern const uint16_t clt_cnv_ucs2_sjis_index[256];
extern const uint16_t clt_cnv_ucs2_sjis_pages[][256];
extern const uint16_t clt_cnv_jis0208_ucs2[CLT_JIS_CELLS * CLT_JIS_CELLS];
extern const uint16_t clt_cnv_jis0201_ucs2[256];

// UCS-2 to the code page 932 code: two-byte, or a single byte in the low 8 bits.
inline uint16_t clt_cnv_to_cp932(uint16_t u) {
  return clt_cnv_ucs2_cp932_pages[clt_cnv_ucs2_cp932_index[u >> 8]][u & 0xFF];
}

// A code page 932 code (single byte as 0x00bb) to UCS-2.
inline uint16_t clt_cnv_from_cp932(uint16_t code) {
  return clt_cnv_cp932_ucs2_pages[clt_cnv_cp932_ucs2_index[code >> 8]][code & 0xFF];
}

// UCS-2 to the JIS code word (kinds above).
inline uint16_t clt_cnv_to_jis(uint16_t u) {
  return clt_cnv_ucs2_jis_pages[clt_cnv_ucs2_jis_index[u >> 8]][u & 0xFF];
}

// UCS-2 to SJIS through the JIS code word: a single byte in the low 8
// bits, or a two-byte code; JIS X 0212 gives none. (The composition of the
// JIS table with the arithmetic transformation, kept as one table for speed.)
inline uint16_t clt_cnv_to_sjis(uint16_t u) {
  return clt_cnv_ucs2_sjis_pages[clt_cnv_ucs2_sjis_index[u >> 8]][u & 0xFF];
}

// A JIS X 0208 code (rows and cells 0x21-0x7E) to UCS-2.
inline uint16_t clt_cnv_from_jis0208(uint8_t row, uint8_t cell) {
  return clt_cnv_jis0208_ucs2[(row - CLT_JIS_FIRST) * CLT_JIS_CELLS + (cell - CLT_JIS_FIRST)];
}
