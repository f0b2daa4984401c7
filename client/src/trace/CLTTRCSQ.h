// The SQL trace of a connection: one record per request, built in the
// connection's work buffer and handed to the trace-file writer under kind 7
// (PDSQLTRACE, or a window the server asked for) and kind 16 (the trace
// that the trace-control file switches on). This unit owns the buffer's
// life, the request line, the statement record and the server statistics
// line; the dumps and the closing sections have units of their own.
#pragma once

#include <stdint.h>

#include "clt_sqltrc_buf.h"

void clt_sqltrc_open();
void clt_sqltrc_write();
void clt_sqltrc_close();
// The request's start (with `end` false) or end time into the buffer.
void clt_sqltrc_stamp(bool end);
// The start time of the running request; 0, or -1 without a buffer.
int32_t clt_sqltrc_start_time_of(uint32_t* seconds, uint16_t* milliseconds);
