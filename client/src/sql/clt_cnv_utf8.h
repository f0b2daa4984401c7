// Shift_JIS and UTF-8: converter types 10 (`clt_cnv_sjis_utf8`) and 11
// (`clt_cnv_utf8_sjis`). The slot's flags choose the code page 932 tables
// (UTF8MS modes) or keep the backslash (UTF8_EX modes); otherwise JIS X
// 0201 and JIS X 0208 decide.
#pragma once

#include <stdint.h>

#include "clt_cnv_frame.h"

int32_t clt_cnv_sjis_utf8(clt_cnv_run& r);
int32_t clt_cnv_utf8_sjis(clt_cnv_run& r);
