// The trace-control file ".#pdtrc" of the PDTRCPATH directory: report bits
// and a keep-open switch, the size of the per-connection SQL trace files,
// and the application it applies to. Read once per connection; its errors
// go to the error log only with option letter T and leave trace control off.
#pragma once

#include <stdint.h>

struct clt_env;

// Reads the file of `dir` into the settings; 0 (applied, not for this
// application, or no file) or -1 (error; the fields are reset).
int32_t clt_trcctl_read_dir(clt_env* env, const char* dir);
// The running connection's PDTRCPATH directory, as the first call asks.
void clt_trcctl_read_conn();
