// The error-log request: after a reply over the shared-memory channel
// told that the server holds error-log text for the request, the error
// logger fetches that text with request code "ERLG" and keeps it for the
// application error line.
#pragma once

#include <stdint.h>

// Runs under a request area of its own; its result is the executor's
// (0 or -1), with the outcome in that area's SQLCA only.
int32_t clt_exec_errorlog(void);
