// The two SQL-trace file pairs: kind 7 (slot 4) and kind 16 (slot 6). Their
// names follow the connection (a server-requested window, the report
// directory's per-connection names, or the fixed pair), their files may
// stay open for the connection, and every file a connection starts writing
// opens with the trace head. The trace-file writer hands their records here.
#pragma once

#include <stddef.h>
#include <stdint.h>

void clt_sqltrc_pair_write(const void* record, uint32_t length, int32_t slot);
// The full names of files 1 and 2 of the slot; false when it has none now.
bool clt_sqltrc_pair_paths(int32_t slot, char* paths[2], size_t size);
