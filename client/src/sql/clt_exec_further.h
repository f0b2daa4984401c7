// The smaller executors: SET OPTION, server information, the RD-node
// requests, SET SESSION AUTHORIZATION, JAR and external-library files,
// EXECUTE UTL with its output file, the completion request (CCMD) and the
// error-log request.
#pragma once

#include <stdint.h>

#include "zelkit.h"
#include "zk_seam.h"

// Block size in which JAR and library files go to the server.
constexpr uint32_t CLT_JAR_BLOCK_SIZE = 102400;

int32_t clt_exec_setopt(rdb_sql_area* area);
int32_t clt_exec_srvinf(rdb_sql_area* area);
int32_t clt_exec_rdnode(rdb_sql_area* area);
int32_t clt_exec_session_auth(rdb_sql_area* area);
int32_t clt_exec_jar(rdb_sql_area* area);
int32_t clt_exec_execute_utl(rdb_sql_area* area);
int32_t clt_exec_ccmd(rdb_sql_area* area);
// After a reply over the shared-memory channel told that the server holds
// error-log text for the request: fetches it with "ERLG" under a request
// area of its own and keeps it for the application error line.
int32_t clt_exec_errorlog(void);

// The runtime operations with these executors; the others go on to
// clt_exec_runtime.
int32_t clt_exec_runtime_further(clt_runtime_op which, rdb_sql_area* area);
