// Input variable binding: before a request is built, its USING lists are
// checked and measured and the connection's request buffer is grown to
// hold what the builders will write.
#pragma once

#include <stdint.h>

#include "CLTSQLDA.h"
#include "zelkit.h"

// 0 when every variable passed and the request buffer is large enough;
// -1 with the SQLCA and SQLSTATE filled.
int32_t clt_bind_input(rdb_sql_area* area);

// Grows a connection buffer to `need` bytes in 4096-byte steps, never
// shrinking it; a failed allocation leaves no buffer. 0, or the size that
// could not be allocated.
uint32_t clt_grow_buffer(uint8_t** buffer, uint32_t* size, uint32_t need, const char* module, int32_t line);

// Reports of refused lists and variables, shared with the output checks:
// the SQLCA and SQLSTATE filled, the error-log line written (log_kind 0
// or a null list: none). Each returns -1.
int32_t clt_var_fail_count(rdb_sql_area* area, const char* module, int32_t line, const char* state,
                           int32_t log_kind, const SQLDA* sqlda);
// sqln within 0 to 30000; sqld within 0 to 30000 and not above sqln.
// 0, or -1 after the refusal was reported for `module`.
int32_t clt_var_check_sqln(rdb_sql_area* area, const char* module, const SQLDA* sqlda);
int32_t clt_var_check_sqld(rdb_sql_area* area, const char* module, const SQLDA* sqlda);
// The SQLSTATE of a list whose sqln is out of range.
constexpr char CLT_SQLSTATE_SQLN[] = "22504";
int32_t clt_var_fail_address(rdb_sql_area* area, const char* module, int32_t line, int32_t number);
int32_t clt_var_fail_type(rdb_sql_area* area, const char* module, int32_t line, clt_dir dir, int32_t number,
                          int32_t log_kind, const SQLVAR* var);
