// The closing sections of an SQL-trace record: the optimizer and execution
// results that the server sent, and at the end of a connection the
// application's statistics ("UAP INFORMATION :"); the closing of the SQL
// trace; and the cell of a hexadecimal dump line.
#pragma once

#include <stdint.h>

struct clt_main;
struct clt_sqltrc_buf;

// The result sections and the statistics of the running request.
void clt_sqltrc_results(clt_sqltrc_buf* b, clt_main* main);
// Writes `byte` as "%02x " at `dest` (4 bytes with the terminator) and
// returns its character column: the byte when printable ASCII, else '.'.
char clt_hexdump_char(uint8_t byte, char* dest);
