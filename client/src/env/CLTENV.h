// Client settings record of a connection and its readers.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "zelkit.h"
#include "zk_records.h"
#include "zk_seam.h"

// Reads every setting of the connection described by `conn` into its record.
// 0, or -1 after the first bad setting has been reported.
int32_t clt_read_env_conn(const clt_env_conn& conn);
// The ODBC variant: the data source's settings file, name-service port and
// host text take part.
int32_t clt_read_env_odbc_conn(const clt_env_conn& conn, uint32_t port, const char* host,
                               const char* ini_file);

inline constexpr int32_t CLT_APNAME_MAX = 30;
// Copies PDCLTAPNAME into the application name field `uap_name`
// (CLT_APNAME_MAX bytes; the characters only, without a terminator).
void clt_set_uap_name_to(const clt_env& env, char* uap_name);

// Reads every setting of the current connection into its clt_env.
// 0, or -1 after the error has been reported into the caller's SQLCA.
int32_t clt_read_env(void);
// The same for an ODBC connection whose data-source buffer takes part.
int32_t clt_read_env_odbc(const struct rdb_odbc_buf* odbc);

// The settings record as the frame reads and changes it through its
// env_get and env_put slots.
int32_t clt_env_setting_get(const clt_main* main, clt_setting which, int32_t index);
void clt_env_setting_put(clt_main* main, clt_setting which, int32_t value);
