// Client settings record of a connection and its readers.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "zelkit.h"
#include "zk_records.h"
#include "zk_seam.h"

// What a settings reader needs of the connection besides its record; the
// first-call initialisation fills it from the running context.
struct clt_env_conn {
  clt_env* env;
  char* texts[CLT_TXT_COUNT];       // the text areas of the control block
  const rdb_sql_area* area;         // the running request area
  int16_t kind;                     // connection kind (0 to 3)
  char* uap_name;                   // application name of the application section
  // Reports a settings error into the caller's SQLCA.
  void (*report)(const clt_env_conn& conn, int32_t sqlcode, const char* module,
                 int32_t line, const char* message);
  void* report_data;                // for the reporter's own use
};

// The text area `which` of the connection's control block.
inline char* clt_env_text(const clt_env_conn& conn, clt_env_text_area which) { return conn.texts[which]; }

// The settings record of the running call's connection; null when no call
// runs or the context has no control block.
clt_env* clt_current_env(void);

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
