// Reporting into the caller's SQLCA and SQLSTATE.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "zelkit.h"
#include "zk_codes.h"
#include "zk_seam.h"

constexpr size_t CLT_MSG_TEXT_SIZE = 254;

// A formatted message: its length and text.
struct clt_msg_token {
  uint16_t length;
  char text[CLT_MSG_TEXT_SIZE];
};

constexpr int32_t CLT_SQLCA_SIZE = 336;
constexpr int32_t CLT_DETAIL_DEFAULT = 8;  // sqlerrd[3] of an error without detail
constexpr char CLT_SQLSTATE_DEFAULT[] = "R0000";
constexpr char CLT_SQLSTATE_VAR_TYPE[] = "07001";
constexpr char CLT_SQLSTATE_OUT_VAR[] = "07002";
constexpr char CLT_SQLSTATE_VAR_COUNT[] = "07008";

// Formats a message into token (a work buffer of its own when token is
// null); a non-zero echo also writes it to standard output.
void clt_set_msg(const char* format, clt_msg_token* token, int32_t echo, ...)
    __attribute__((format(printf, 1, 4)));

// Resets the SQLCA before a report.
void clt_reset_sqlca(SQLCA* sqlca);

// Fills the SQLCA; the tokens after `token` end with a null pointer.
void clt_set_sqlca(SQLCA* sqlca, const char* source, int32_t line, int32_t sqlcode,
                   int32_t count, int32_t detail, uint16_t warning,
                   const clt_msg_token* token, ...);

// Copies one token into a message field at a 1-based position, padding
// with blanks when the source is shorter than the length.
void clt_put_token(char* field, int32_t position, int32_t length, const char* source,
                   int32_t source_position, int32_t source_length);

// Writes the 5-character SQLSTATE of the area's SQLCODE.
void clt_set_sqlstate(rdb_sql_area* area, const char* default_state);

// The whole reporting sequence of an error: message, SQLCA reset and
// fill, SQLSTATE. Returns -1, the library's failure.
int32_t clt_report(rdb_sql_area* area, const char* module, int32_t line, int32_t sqlcode,
                   const char* default_state, const char* format, ...)
    __attribute__((format(printf, 6, 7)));

// The module name of a source path: after its last directory separator.
const char* clt_module_name(const char* source);

// Runs one runtime operation; without a runtime the request fails with a
// client error in the SQLCA and -1.
int32_t clt_runtime(clt_runtime_op which, rdb_sql_area* area);
inline int32_t clt_blkf_free_all(rdb_sql_area* area) {
  return clt_runtime(clt_runtime_op::blkf_free_all, area);
}

// The host part of a "host:port,..." setting item into `out`, which takes
// the whole value; CLT_ENV_OK, or CLT_ENV_NOT_FOUND when it is empty.
int32_t clt_env_host_part(const char* value, char* out);
