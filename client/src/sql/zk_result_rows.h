// Rows of the tables that turn a -24xx transport result into a KFPA
// message and SQLCODE: the server call and the front-end lookup keep one
// table each, in this one row layout, and report a row the same way.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "zelkit.h"

struct clt_rpc_conn;

enum class clt_report_kind { client_error, comm723, comm722, time_over, max_users, marlo, maintenance, cancelled };

struct clt_result_row {
  int32_t code;
  clt_report_kind kind;
  const char* reason;  // the message's reason text, where the kind has one
};

// The row of `code`, or null when the table has none.
template <size_t N>
const clt_result_row* clt_result_row_of(const clt_result_row (&rows)[N], int32_t code) {
  for (const clt_result_row& row : rows) {
    if (row.code == code) return &row;
  }
  return nullptr;
}

// The maintenance reason word (1, 3 or 4) that a lost server left in the
// connection; 0 when none did.
int32_t clt_maintenance_reason(const clt_rpc_conn* conn);

// Reports the row's message into the SQLCA under the module and line of
// the reporting routine; a client error names them as inf1 and inf2.
// Returns -1.
int32_t clt_report_row(rdb_sql_area* area, const char* module, int32_t line, const clt_result_row& row,
                       const clt_rpc_conn* conn);
