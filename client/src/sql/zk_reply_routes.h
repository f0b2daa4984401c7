// The converters behind the reply analysis's routes of returned values.
#pragma once

#include <stdint.h>

#include "CLTSQLAN.h"
#include "zelkit.h"

// The converter of each route of the reply analysis; routes whose
// converters are not built fail the request as a client error.
int32_t clt_col_convert(clt_reply_route route, const uint8_t* body, uint32_t length, rdb_sql_area* area);
