// Client settings record of a connection and its readers.
#pragma once

#include <stdint.h>

struct rdb_odbc_buf;

// The settings section of the connection control block: eye-catcher
// "CLT_ENV ", then one field per setting in reading order.
struct clt_env {
  char eyecatcher[8];
};

// Reads every setting of the current connection into its clt_env.
// 0, or -1 after the error has been reported into the caller's SQLCA.
int32_t clt_read_env(void);
// The same for an ODBC connection whose data-source buffer takes part.
int32_t clt_read_env_odbc(const struct rdb_odbc_buf* odbc);
