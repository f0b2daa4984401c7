// Direct frame exchange: a whole request and its reply in single frames
// on the socket of the RPC session's kept connection.
#pragma once

#include <stdint.h>

#include "zelkit.h"

// Sends the request and receives the reply body; on 0 the body starts at
// the connection's current reply pointer (a larger reply buffer may have
// replaced it) and *reply_len holds its length. The result is 0 or a code
// of the RPC layer's range; nothing is written into the SQLCA.
int32_t clt_send_direct(uint8_t* request, uint32_t* request_len, uint8_t* reply, uint32_t* reply_len,
                        rdb_sql_area* area);
