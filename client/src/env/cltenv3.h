// Later client settings of a connection, from PDWRTLNFILSZ on.
#pragma once

#include <stdint.h>

#include "zk_records.h"

// Reads the later settings of the connection described by `conn`.
// 0, or -1 after the first bad setting has been reported.
int32_t clt_read_env2_conn(const clt_env_conn& conn);

// 0 when `value` follows the PDFESGRP syntax ("host:group:port" items
// separated by ','), -1 otherwise.
int32_t clt_env_check_fesgrp(const char* value);
