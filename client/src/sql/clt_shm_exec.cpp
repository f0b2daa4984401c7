#include "clt_shm_exec.h"

#include <string.h>

#include "CLTCOMCTX.h"
#include "CLTSQLSC.h"
#include "CLTUTL.h"
#include "cltrpcsw.h"
#include "zk_codes.h"

namespace {

constexpr const char* kModule = "cltrpcsw";
// Results that only the socket path gives; on the channel they are
// unexpected.
constexpr int32_t kSocketOnly[] = {-2456, -2498};
// The server's status -366: it has reported the failure itself.
constexpr int32_t kReported = -2466;
constexpr uint32_t kNoticeSize = CLT_SHM_PACKET;
constexpr char kFailed = 'F';
// The request header's level and version words.
constexpr size_t kKeptHead = 8;

struct parts {
  clt_main* main;
  clt_com_conn* conn;
  clt_shm_conn* shm;
};

parts current() {
  clt_main* main = clt_cur_main();
  clt_com_conn* conn = main != nullptr ? clt_main_com(main) : nullptr;
  return parts{main, conn, conn != nullptr ? &conn->shm : nullptr};
}

bool active(const parts& p) { return p.conn != nullptr && p.conn->shm_channel == 1 && p.shm->peer.view != nullptr; }

int32_t client_error(rdb_sql_area* area, int32_t line) {
  return clt_report(area, kModule, line, CLT_SQL_CLIENT_ERROR, CLT_SQLSTATE_DEFAULT, CLT_MSG_CLIENT_ERROR, kModule,
                    line);
}

bool collision() {
  clt_global_data* ctx = clt_cur();
  return ctx != nullptr && clt_refused_call_get(ctx) != 0;
}

void close_both() {
  clt_shm_close_peer();
  clt_shm_close_own();
}

// The failure table of the channel: the server call's rows, but a
// socket-only result or one outside the table is a client error, and
// -2466 is already in the SQLCA.
int32_t report(rdb_sql_area* area, int32_t rc) {
  if (rc == kReported) return -1;
  for (int32_t code : kSocketOnly) {
    if (rc == code) return client_error(area, __LINE__);
  }
  return clt_report_exchange(area, rc);
}

// A 64-byte message of its own under a function code of its own: the
// channel's disconnect or the oversize notice.
int32_t exec_short(const parts& p, int32_t func_code, rdb_sql_area* area) {
  const int32_t saved = p.main->funccode;
  p.main->funccode = func_code;
  uint32_t total = kNoticeSize;
  uint32_t capacity = kNoticeSize;
  const int32_t rc = clt_shm_exec(p.shm->own.view, &total, p.shm->peer.view, &capacity, area);
  p.main->funccode = saved;
  return rc;
}

bool is_disconnect(int32_t func_code) {
  clt_shm_route route{};
  return clt_shm_route_of(func_code, &route) && route.kind == CLT_SHM_KIND_DISCONNECT;
}

}  // namespace

int32_t clt_shm_exec(uint8_t* request, uint32_t* total, uint8_t* reply, uint32_t* capacity, rdb_sql_area* area) {
  const parts p = current();
  if (p.main == nullptr) return client_error(area, __LINE__);
  const int32_t func_code = p.main->funccode;
  if (func_code == CLT_FC_CNCT) return 0;
  clt_shm_route route{};
  if (!clt_shm_route_of(func_code, &route)) return client_error(area, __LINE__);
  const int32_t rc = clt_shm_call(&route.reqcode, request, total, reply, capacity, route.kind);
  int32_t result = 0;
  if (collision()) {
    result = clt_report(area, kModule, __LINE__, CLT_SQL_OTHER_SQL_EXECUTING, CLT_SQLSTATE_DEFAULT, "%s",
                        CLT_MSG_OTHER_SQL_EXECUTING);
  } else if (rc == 0) {
    p.main->connected = 1;
  } else {
    result = report(area, rc);
    if (rc != kReported) p.main->connected = 0;
  }
  if (route.kind == CLT_SHM_KIND_DISCONNECT) {
    // A disconnect ends the channel whatever the exchange gave; the
    // socket request that follows ends the link.
    close_both();
    return result;
  }
  if (result == 0) return 0;
  if (p.main->session_open != 0) {
    clt_close_link(area);
    p.main->session_open = 0;
  }
  // Also when reporting the failure has closed the link already (after a
  // time-out or a cancel): the channel of a broken exchange is not used again.
  close_both();
  return result;
}

void clt_shm_connect_begin(bool wanted) {
  const parts p = current();
  if (p.shm == nullptr) return;
  // A channel a former connection left open is not reused.
  close_both();
  p.conn->shm_channel = 0;
  p.shm->send_seq = 0;
  p.shm->recv_seq = 0;
  clt_rpc_conn* rpc = clt_main_rpc(p.main);
  rpc->shm_wanted = 0;
  if (!wanted || clt_shm_create() != 0) return;
  p.conn->shm_channel = 1;
  rpc->shm_wanted = 1;
}

int32_t clt_shm_connect_end(rdb_sql_area* area) {
  const parts p = current();
  if (p.shm == nullptr || p.conn->shm_channel != 1 || area->sqlca->SQLCODE < 0) return 0;
  clt_rpc_conn* rpc = clt_main_rpc(p.main);
  if (rpc->shm_wanted == 0) {
    p.conn->shm_channel = 0;
    return 0;
  }
  if (clt_shm_open() == 0) return 0;
  rpc->failure_mark = kFailed;
  return clt_report(area, kModule, __LINE__, CLT_SQL_COMM_FAILED, CLT_SQLSTATE_DEFAULT, CLT_MSG_COMM_FAILED,
                    "CLIENT MEMORY");
}

bool clt_shm_active(void) { return active(current()); }

void clt_shm_place(uint32_t request_size, uint32_t reply_size, uint8_t** request, uint8_t** reply) {
  const parts p = current();
  if (p.shm == nullptr) return;
  // Every request starts without the notice of the one before.
  clt_main_reply(p.main)->notice = 0;
  p.shm->oversize = 1;
  if (!active(p) || p.shm->own.view == nullptr) return;
  clt_shm_route route{};
  if (!clt_shm_route_of(p.main->funccode, &route) || route.kind != CLT_SHM_KIND_REQUEST) return;
  const uint64_t send_need = uint64_t{request_size} + CLT_SHM_PACKET;
  const uint64_t recv_need = uint64_t{reply_size} + CLT_SHM_PACKET;
  if (send_need > p.shm->own.size || recv_need > p.shm->peer.size) return;
  p.shm->oversize = 0;
  // Most builders leave the level and version words at the start of the
  // packet as the buffer holds them from CONNECT; the section gets them too.
  memcpy(p.shm->own.view + CLT_SHM_PACKET, *request, kKeptHead);
  *request = p.shm->own.view + CLT_SHM_PACKET;
  *reply = p.shm->peer.view + CLT_SHM_PACKET;
}

uint32_t clt_shm_request_room(void) {
  const parts p = current();
  return p.shm != nullptr && p.shm->own.view != nullptr ? p.shm->own.size - CLT_SHM_PACKET : 0;
}

int32_t clt_shm_exchange(uint8_t* request, uint32_t* request_len, uint8_t* reply, uint32_t* reply_len,
                         rdb_sql_area* area) {
  const parts p = current();
  if (p.main == nullptr || !active(p) || p.main->funccode == CLT_FC_CNCT) {
    return clt_call_server(request, request_len, reply, reply_len, area);
  }
  if (p.shm->oversize == 0 && request == p.shm->own.view + CLT_SHM_PACKET) {
    uint32_t total = *request_len + CLT_SHM_PACKET;
    // The reply may take the whole section.
    uint32_t capacity = p.shm->peer.size - CLT_SHM_PACKET;
    if (clt_shm_exec(p.shm->own.view, &total, p.shm->peer.view, &capacity, area) != 0) return -1;
    clt_shm_reply r;
    memcpy(&r, p.shm->peer.view, sizeof r);
    *reply_len = r.total - CLT_SHM_PACKET;
    return 0;
  }
  const int32_t first = is_disconnect(p.main->funccode) ? p.main->funccode : CLT_FC_SHM_NOTICE;
  if (exec_short(p, first, area) != 0) return -1;
  return clt_call_server(request, request_len, reply, reply_len, area);
}
