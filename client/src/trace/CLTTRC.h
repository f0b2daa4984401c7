// The module-trace record of a connection.
#pragma once

constexpr unsigned CLT_MDL_RECORD_SIZE = 48;

void clt_trc_open_mdl();
void clt_trc_close_mdl();
