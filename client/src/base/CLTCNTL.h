// The connection control block clt_main: its creation at the first call
// of a connection and its end with the connection.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "CLTENV.h"
#include "zelkit.h"

struct clt_com_conn;
struct clt_req_conn;
struct clt_rpc_conn;
struct clt_reply_conn;

constexpr size_t CLT_STMT_KEEP_SIZE = 257;  // kept statement head with its zero byte
constexpr size_t CLT_SERVER_VERSION_SIZE = 10;
constexpr size_t CLT_REQUEST_BUFFERS = 4;
constexpr size_t CLT_TRC_NAMES = 4;
constexpr size_t CLT_KEPT_FDS = 4;
constexpr size_t CLT_APNAME_SIZE = 31;
constexpr size_t CLT_REQTRC_AREAS = 2;
constexpr size_t CLT_REQTRC_AREA_SIZE = 48;
constexpr size_t CLT_MSG_COPY_SIZE = 254;
constexpr size_t CLT_FETCH_STATES = 3;

// Per-request buffers of the control block, freed at every request.
enum clt_request_buffer { CLT_REQBUF_APINF = 0 };

// Per-connection trace names: SQL trace 1 and 2, trace-control 1 and 2.
enum clt_trc_name { CLT_TRCNAME_SQL1, CLT_TRCNAME_SQL2, CLT_TRCNAME_CTL1, CLT_TRCNAME_CTL2 };

// Trace files kept open between records, in the order of clt_trc_name.
constexpr int32_t CLT_FD_CLOSED = -1;

// The fixed text areas of the application section, in their order.
enum clt_text_area {
  CLT_TEXT_USER,
  CLT_TEXT_PASSWORD,
  CLT_TEXT_HOST,
  CLT_TEXT_CLTPATH,
  CLT_TEXT_REPPATH,
  CLT_TEXT_TRCPATH,
  CLT_TEXT_WRTLNPATH,
  CLT_TEXT_TAAPINFPATH,
  CLT_TEXT_AREAS
};

// Connection kinds.
enum : uint16_t {
  CLT_KIND_EMBEDDED = 0,
  CLT_KIND_EMBEDDED_MARKED = 1,  // area byte +273 'Y'
  CLT_KIND_ODBC = 2,
};

// Header section: the connection's state.
struct clt_main {
  char eyecatcher[8];             // "CLT_MAIN"
  uint32_t reqstatus;             // 1 at the start of a request, +2 at its end
  uint16_t connected;
  uint16_t session_open;
  uint32_t env_offset;            // of the "CLT_ENV " section
  uint32_t uap_offset;            // of the "CLT_UAP " section
  uint32_t com_offset;            // of the socket layer's and transport's section
  uint32_t req_offset;            // of the request builders' section
  uint32_t rpc_offset;            // of the RPC session's section
  uint32_t reply_offset;          // of the reply analysis's section
  rdb_sql_area* area;             // the running request area
  uint16_t kind;
  int32_t funccode;
  void* blkf_list;
  uint16_t byteorder;             // 1: server uses the client's byte order
  uint32_t srv_pid;
  uint16_t srv_port;              // network byte order
  int16_t icnct_mode;             // internal-connect mode
  uint16_t cancel_requested;
  uint16_t cancellable;
  uint16_t cancel_recorded;
  uint16_t blkf_flag;
  uint8_t param_flag;             // set by p_rdb_getparam
  void* param_pointer;
  char srv_codeset[2];
  uint8_t cnct_reply;
  char srv_version[CLT_SERVER_VERSION_SIZE];
  int16_t icnct_phase;
  uint32_t clt_pid;
  uint32_t cnct_number;
  uint32_t reqcounter;
  int32_t stmt_length;            // kept statement head: 0 to 256
  char stmt_text[CLT_STMT_KEEP_SIZE];
  int32_t srv_level;              // negative; 0 until CONNECT
  uint32_t disc_area_size;        // size of the DISCONNECT trace area the CONNECT reply announced
  uint16_t rows_left;
  const char* build_date;
  void* srvinf;                   // 512-byte server information
  uint8_t srvinf_byte26;
  uint8_t srvinf_byte27;
  uint8_t srvtrc_active;
  void* reqbuf[CLT_REQUEST_BUFFERS];
  char* trc_names[CLT_TRC_NAMES];
  char srvtrc_level[5];
  uint8_t srvtrc_first;
  int32_t kept_fd[CLT_KEPT_FDS];
  uint8_t ary_checked;
  uint8_t no_reconnect;           // 'Y': a request must not be repeated
  uint32_t rcnct_start;
  uint32_t maint_wait_limit;
  uint32_t maint_time[2];
  int16_t maint_code;
  uint16_t in_maintenance;
  uint16_t maint_state;
  uint8_t saved_sqlca_set;
  SQLCA saved_sqlca;
  uint8_t aryins_flag;            // array-insert state
  uint32_t aryins_word;
  uint8_t srvtrc_pending;         // 255 when the server asked
  uint8_t srvtrc_stopped;
  uint8_t ccmd_mark;
  uint32_t srvtrc_value;
  uint32_t srvtrc_count;
  uint16_t srvtrc_prmsize;
  uint8_t srvtrc_mask;
  uint8_t srvtrc_mode;
  void* rcnct_trc;
  void* loc_list;
  void* loc_current;
  uint32_t cnct_time_sec;
  uint32_t cnct_time_msec;
  uint8_t lib_install;
  uint8_t std_sqlstate;           // 'Y': standard SQLSTATEs
  uint8_t wrtln_pending;
  // Per-request trace areas of the transports, read by the stream dump.
  uint8_t reqtrc[CLT_REQTRC_AREAS][CLT_REQTRC_AREA_SIZE];
  // The client message before its conversion, for the application error log.
  uint16_t msg_copy_length;
  char msg_copy[CLT_MSG_COPY_SIZE];
  uint8_t fetch_state[CLT_FETCH_STATES];  // FETCH on servers before level 9
  // Where the text areas of the settings lie within the block.
  uint32_t text_area_offset[CLT_TEXT_AREAS];
};

// Application section: the application name and the long setting texts.
struct clt_uap {
  char eyecatcher[8];             // "CLT_UAP "
  char apname[CLT_APNAME_SIZE];
  char user[33];
  char password[33];
  char host[524];
  char cltpath[301];
  char reppath[301];
  char trcpath[301];
  char wrtlnpath[301];
  char taapinfpath[257];
};

constexpr size_t CLT_TRC_NAME_SIZE = 30;

clt_env* clt_main_env(clt_main* main);
clt_uap* clt_main_uap(clt_main* main);
clt_com_conn* clt_main_com(clt_main* main);
clt_req_conn* clt_main_req(clt_main* main);
clt_rpc_conn* clt_main_rpc(clt_main* main);
clt_reply_conn* clt_main_reply(clt_main* main);
char* clt_text(clt_main* main, clt_text_area which);

int32_t clt_main_create(rdb_sql_area* area);
int32_t clt_first_call_init(rdb_sql_area* area);
int32_t clt_first_call_init_odbc(rdb_sql_area* area, const rdb_odbc_buf* odbc);
void clt_last_call_term(rdb_sql_area* area);
void clt_main_free();

// Makes the per-connection trace file names that are still missing.
void clt_make_trc_names();

// Frees the per-request buffers of the control block.
void clt_free_request_buffers(clt_main* main);
