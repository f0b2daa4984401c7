#include "CLTENV.h"

// The settings readers come with the client settings; until then a
// connection runs on the zero-filled defaults of its control block.
int32_t clt_read_env(void) { return 0; }
int32_t clt_read_env_odbc(const struct rdb_odbc_buf*) { return 0; }
