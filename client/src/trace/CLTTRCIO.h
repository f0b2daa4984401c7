// The variable dumps of an SQL-trace record: a header per input or output
// host variable and its bytes in hexadecimal, 16 per line, with repeated
// lines folded; arrays and repeated variables element by element. Caller
// memory is read only within each variable's declared size.
#pragma once

#include "zelkit.h"

struct clt_main;
struct clt_sqltrc_buf;

// Dumps the request's variables as PDPRMTRC selects, each record to the
// kinds that `want` names.
void clt_sqltrc_dump_variables(clt_sqltrc_buf* b, clt_main* main, const rdb_sql_area* area, const bool want[2]);
