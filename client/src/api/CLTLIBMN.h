// The per-call context of zelkit and the process-wide pointer to the
// context of the running call.
#pragma once

#include <atomic>
#include <stddef.h>
#include <stdint.h>

#include "CLTCOMCTX.h"
#include "CLTRPCSS.h"
#include "zelkit.h"

struct clt_main;

constexpr size_t CLT_AUDIT_TEXT_SIZE = 100;
constexpr size_t CLT_AUDIT_LONG_TEXT_SIZE = 255;
constexpr size_t CLT_AUDIT_SHORT_SLOTS = 3;
constexpr uint16_t CLT_AUDIT_NULL_LENGTH = 65535;
constexpr size_t CLT_SAVED_IDENTITY_WORDS = 12;
// Room for the fields that the transports and the SQL runtime keep in
// the context: clt_global_runtime and a reserve for the parts not yet
// built.
constexpr size_t CLT_GLOBAL_RUNTIME_SIZE = 880;
// The request builders' clt_req_identity: a 30-character identifier with
// its zero and a 30-byte password field.
constexpr size_t CLT_REQ_IDENTITY_SIZE = 61;

// Audit information of p_rdb_setaudinf, slots 1 to 3 and slot 4.
struct clt_audit_item {
  uint16_t set;
  uint16_t length;  // CLT_AUDIT_NULL_LENGTH: null value
  char text[CLT_AUDIT_TEXT_SIZE];
};
struct clt_audit_item_long {
  uint16_t set;
  uint16_t length;
  char text[CLT_AUDIT_LONG_TEXT_SIZE];
};

// Module-trace states.
enum : uint16_t {
  CLT_TRC_READY = 1,
  CLT_TRC_NO_MEMORY = 2,
  CLT_TRC_OFF = 3,
};

// Initial words of the transport state machine.
constexpr uint16_t CLT_TACT_STATE_INITIAL[2] = {1, 2};

// What the wire layers and the executors keep of the running call.
struct clt_global_runtime {
  clt_com_call com;              // socket layer and transport; holds the reply buffer
  clt_rpc_call rpc;              // RPC session and name service
  uint8_t* req_buf;              // the connection's request buffer
  uint8_t* cur_req;              // where the current request is built; null between requests
  // Saved identity for reconnection. Its record is declared by the
  // request builders, whose header needs this one first; the bytes here
  // are its storage (CLTCOMCTX checks size and alignment).
  uint8_t identity[CLT_REQ_IDENTITY_SIZE];
};

struct clt_global_data {
  char eyecatcher[32];           // "Marlo_Client_Global_Data" in the static block
  char tag[8];                   // "CLTSTS "
  uint32_t call_running;         // 1 while p_rdb_exsql dispatches
  uint32_t refused_call;         // 1 when another call was refused meanwhile
  clt_main* main;                // the connection control block
  void* main_alloc;              // the same block as allocated
  void* sqltrc_block;            // SQL-trace buffer
  void* cur_trc_block;           // scratch copy during per-request timing
  void* nam_session;             // name-service session
  void* tact_session;            // transport session
  uint16_t tact_state[2];
  uint16_t mdl_trc_state;        // CLT_TRC_READY, _NO_MEMORY, _OFF
  void* mdl_trc_record;          // 48-byte module-trace record
  void* errlog_block;
  const char* trc_dir;           // first trace directory
  const char* trcctl_dir;        // directory of the trace-control trace
  int32_t mdl_trc_setting[2];    // PDTRCMDL and a second word
  char reqcode[4];               // running request code, blanks when idle
  uint8_t connected_before;
  uint8_t memtrc;                // 'Y' memory trace on, 'N' off
  uint8_t transfer_flag;
  uint32_t saved_identity[CLT_SAVED_IDENTITY_WORDS];
  char end_marker[4];            // "END"
  uint16_t reconnect_advice;     // 0 allowed, 1 refused once, 2 refused
  uint8_t msgconv;               // 'Y': client messages converted
  clt_audit_item audit[CLT_AUDIT_SHORT_SLOTS];
  clt_audit_item_long audit_long;
  clt_global_runtime runtime;
  uint8_t reserve[CLT_GLOBAL_RUNTIME_SIZE - sizeof(clt_global_runtime)];
};

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(clt_global_data) == 1620);
static_assert(offsetof(clt_global_data, tag) == 32);
static_assert(offsetof(clt_global_data, call_running) == 40);
static_assert(offsetof(clt_global_data, main) == 48);
#endif

// The static context of all embedded SQL of the process.
extern clt_global_data clt_global;

// The context of the running call; null when none runs.
extern std::atomic<clt_global_data*> clt_cur_global;

inline clt_global_data* clt_cur() { return clt_cur_global.load(); }
inline clt_main* clt_cur_main() {
  clt_global_data* ctx = clt_cur();
  return ctx ? ctx->main : nullptr;
}

// Makes ctx the running context; false when another call runs. The test
// and the store are one step, so two threads never both get in.
bool clt_take_context(clt_global_data* ctx);
void clt_release_context();

// Fills the SQLCA of a refused second call with SQLCODE -725.
void clt_refuse_second_call(rdb_sql_area* area, const char* module, int32_t line);

// Puts an ODBC context block into its initial state.
void clt_global_init_odbc(clt_global_data* ctx);
