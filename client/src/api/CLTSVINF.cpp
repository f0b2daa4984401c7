// SET OPTION and server information: small requests that travel the
// ordinary request path with a request code of their own.
#include <string.h>

#include "CLTLIBMN.h"
#include "zelkit.h"
#include "zk_codes.h"

namespace {

constexpr size_t kCodeSize = 4;
constexpr char kIdleRequest[] = "    ";
constexpr char kSetOption[] = "SOPT";
constexpr char kServerInfo[] = "SINF";

using request_export = int32_t (*)(rdb_sql_area* area, rdb_odbc_buf* odbc);

int32_t run_embedded(rdb_sql_area* area, rdb_odbc_buf*) { return p_rdb_exsql(area); }
int32_t run_odbc(rdb_sql_area* area, rdb_odbc_buf* odbc) { return p_rdb_exodbc(0, area, odbc); }

// These requests carry no statement; the caller's text pointer survives.
int32_t run_without_text(rdb_sql_area* area, rdb_odbc_buf* odbc, const char* code,
                         request_export run) {
  memcpy(area->reqcode, code, kCodeSize);
  rdb_sql_text* text = area->sqltext;
  area->sqltext = nullptr;
  int32_t result = run(area, odbc);
  area->sqltext = text;
  return result;
}

int32_t set_option(uint32_t value, rdb_sql_area* area, rdb_odbc_buf* odbc, request_export run) {
  if (!area) return CLT_RC_BAD_ARGUMENT;
  int32_t result = CLT_RC_BAD_ARGUMENT;
  if (area->sqlca) {
    area->optvalue = value;
    result = run_without_text(area, odbc, kSetOption, run);
  }
  // The precompiled code reuses the area; no option may linger in it.
  area->optvalue = 0;
  memcpy(area->reqcode, kIdleRequest, kCodeSize);
  return result;
}

}  // namespace

int32_t ZELKIT_CALLEE_POPS p_rdb_setopt(uint32_t value, rdb_sql_area* area) {
  return set_option(value, area, nullptr, run_embedded);
}

int32_t p_rdb_odbsetopt(int32_t /*reserved*/, uint32_t value, rdb_sql_area* area,
                        rdb_odbc_buf* odbc) {
  return set_option(value, area, odbc, run_odbc);
}

int32_t ZELKIT_CALLEE_POPS p_rdb_srvinf(uint32_t item, rdb_sql_area* area) {
  if (!area || !area->sqlca) return CLT_RC_BAD_ARGUMENT;
  area->srvinfitem = item;
  return run_without_text(area, nullptr, kServerInfo, run_embedded);
}
