// The trace window that the server asks for: from the reply that carries
// the request, the SQL trace runs for a given number of requests with the
// levels and dump size the server chose, into "pd<group><pid>_1.trc"/"_2.trc".
#pragma once

#include <stdint.h>

struct clt_main;

// Completion of a request, before its trace record: ends a window that a
// new request replaces, and starts the window that the server asked for.
void clt_srvtrc_complete(clt_main* main);
// After a request's trace record: counts the window down and ends it at 0.
void clt_srvtrc_count(clt_main* main);
