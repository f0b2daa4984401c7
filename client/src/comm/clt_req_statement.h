// The statement request: one builder for every SQL statement that travels
// with its names, SQL text or host variables (PREPARE, DESCRIBE, the
// execute family, OPEN, FETCH, CLOSE and their kin). It writes the header
// and its part table, the fixed body, the names and text, the descriptor
// parts of the area's two lists and the extension chain.
#pragma once

#include <stdint.h>

// Builds the running request of the current context into its request
// buffer. 0, or -1 after the error was reported in the SQLCA; nothing
// may be sent then. The connection's build state is BUILT either way.
int32_t clt_req_statement(void);
