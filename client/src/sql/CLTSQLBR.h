// Output variable checks: before a request is sent its INTO lists and
// description targets are checked and the connection's reply buffer is
// grown to the most that the reply can hold.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "zelkit.h"

// 0 when every check passed and the reply buffer is large enough; -1
// with the SQLCA and SQLSTATE filled.
int32_t clt_sqlda_check(rdb_sql_area* area);

// Bytes before the first NUL within the first n; -1 when there is none.
int32_t clt_strnlen(const char* text, int32_t n);
void clt_bzero(void* buffer, size_t n);
