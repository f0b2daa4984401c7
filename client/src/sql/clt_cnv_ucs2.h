// UCS-2 on the client side: converter types 12 (`clt_cnv_ucs2_utf8`), 13
// (`clt_cnv_utf8_ucs2`), 14 (`clt_cnv_ucs2_euc`) and 15 (`clt_cnv_euc_ucs2`).
// UCS-2 units are in the client's byte order, little-endian, with
// surrogate pairs above U+FFFF; the user conversion sees them high byte
// first.
#pragma once

#include <stdint.h>

#include "clt_cnv_frame.h"

int32_t clt_cnv_ucs2_utf8(clt_cnv_run& r);
int32_t clt_cnv_utf8_ucs2(clt_cnv_run& r);
int32_t clt_cnv_ucs2_euc(clt_cnv_run& r);
int32_t clt_cnv_euc_ucs2(clt_cnv_run& r);

// Whether the UCS-2 to EUC converter hands `u` to the user conversion
// when it has no JIS X 0208 code.
bool clt_cnv_user_set(uint16_t u);
