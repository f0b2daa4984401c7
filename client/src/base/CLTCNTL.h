// The connection control block clt_main: its creation with its sections,
// and the trace names and request buffers it owns. The first call and the
// end of a connection that create and free it are the dispatcher's.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "zelkit.h"
#include "zk_records.h"

int32_t clt_main_create(rdb_sql_area* area);

// Makes the per-connection trace file names that are still missing.
void clt_make_trc_names();

// Frees the per-request buffers of the control block.
void clt_free_request_buffers(clt_main* main);
