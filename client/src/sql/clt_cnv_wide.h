// The wide bulk of the converters: on x86-64 machines with the AVX-512
// byte instructions (compress, byte permutes, masked byte stores), a step
// takes every common character that starts in a window of the source at
// once, however the kinds of character mix. Each function runs its steps
// while the source holds a whole window and the target the most one step
// writes, stops before the first character that the narrower bulk or the
// full rules decide, and stores exactly the bytes it converts. Elsewhere,
// or when storing is off, they convert nothing.
#pragma once

#include <stdint.h>

#include "clt_cnv_frame.h"

// Whether the machine runs the wide steps.
bool clt_cnv_wide_ready();

// UCS-2 to UTF-8, all but the surrogates.
void clt_cnv_wide_ucs2_utf8(clt_cnv_run& r);
// UTF-8 of one to three bytes to UCS-2.
void clt_cnv_wide_utf8_ucs2(clt_cnv_run& r);
// UTF-8 of one to three bytes to SJIS through `codes`, the code-point table
// of the narrower bulk (0x10000 codes and one more word that it reads
// past the last): a single byte in the low 8 bits, or 0 for the full rules.
void clt_cnv_wide_utf8_sjis(clt_cnv_run& r, const uint16_t* codes);
// SJIS to UTF-8 through `cells`, the narrower bulk's cells of ready UTF-8
// bytes (three bytes and their count, 0 for the full rules): the single
// bytes at their own index, then a row of 256 per JIS lead, the leads
// 0x81-0x9F and 0xE0-0xEF in order.
void clt_cnv_wide_sjis_utf8(clt_cnv_run& r, const uint32_t* cells);
// EUC to SJIS: ASCII, half-width katakana and JIS X 0208 outside the user rows.
void clt_cnv_wide_euc_sjis(clt_cnv_run& r);
