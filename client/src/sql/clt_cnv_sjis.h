// Shift_JIS and EUC: converter types 6 (`clt_cnv_sjis`, SJIS to EUC) and 7
// (`clt_cnv_euc`, EUC to SJIS). JIS X 0208 passes by the arithmetic
// transformation; the user-defined rows go to the user conversion.
#pragma once

#include <stdint.h>

#include "clt_cnv_frame.h"

int32_t clt_cnv_sjis(clt_cnv_run& r);
int32_t clt_cnv_euc(clt_cnv_run& r);
