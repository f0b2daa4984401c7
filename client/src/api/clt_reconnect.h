// Reconnection: the automatic reconnect after a lost connection, the
// retry while the server is in maintenance, and the error-log line after
// a front-end cancel forced a new connection.
#pragma once

#include <stdint.h>

#include "zelkit.h"

struct clt_main;

// 0 connected again; -1 not, with the reason in the SQLCA.
int32_t clt_reconnect_auto(rdb_sql_area* area, SQLCA* sqlca);
int32_t clt_reconnect_maint(rdb_sql_area* area, SQLCA* sqlca);
void clt_log_server_changed(void);

// Closes the server link of the connection, which is then not connected.
void clt_drop_link(clt_main* main, rdb_sql_area* area);

// The maintenance state as the transports saw it: the front-end-lost word
// is the server-in-maintenance flag, its reason the maintenance code and
// the reply's retry wait the first maintenance time.
void clt_take_maintenance_state(clt_main* main);
// Forgets it at the start of a request.
void clt_clear_maintenance_state(clt_main* main);
