#include "cltrpcsw.h"

#include <arpa/inet.h>
#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "CLTCOMCTX.h"
#include "CLTFRAME.h"
#include "CLTRPCSS.h"
#include "cltshm.h"
#include "sockadapt.h"
#include "zk_codes.h"
#include "zk_loghook.h"
#include "zk_seam.h"

namespace {

constexpr uint32_t kFrameCodeBit = 0x80;
// The function codes the channel never carries: CONNECT goes before the
// channel exists, EUTL and ERLG only after their oversize notice.
constexpr int32_t kNotCarried[] = {CLT_FC_CNCT, CLT_FC_EUTL, CLT_FC_ERLG};
constexpr int32_t kDisconnects[] = {CLT_FC_DISC, CLT_FC_DIST, CLT_FC_DISR};
constexpr int32_t kStaleIgnored = 3;
constexpr int32_t kStatusBase = -2100;
// The reply length a trace shows for a total it cannot trust.
constexpr uint32_t kTraceUntrusted = 256;
constexpr int32_t kTraceBefore = 1;
constexpr int32_t kTraceAfter = 2;
constexpr int32_t kTraceDataPlain = 2;
constexpr int32_t kPollFailed = -1;
constexpr int32_t kPollReadable = 1;
constexpr int32_t kNoSocket = -1;
constexpr char kFuncWaitStale[] = "WaitForSingleObject:0";
constexpr char kFuncWait[] = "WaitForSingleObject";

template <size_t N>
bool listed(const int32_t (&codes)[N], int32_t fc) {
  for (int32_t c : codes) {
    if (c == fc) return true;
  }
  return false;
}

struct channel {
  clt_com_ctx com;
  clt_shm_conn* shm;
};

channel current() {
  clt_com_ctx com = clt_com_cur();
  return channel{com, com.conn != nullptr ? &com.conn->shm : nullptr};
}

bool soc_trace(const channel& c) { return c.com.call != nullptr && c.com.call->soc_trace_on != 0; }

void log_syscall(const char* func, int32_t err) { clt_errlog_msg(CLT_LOG_SYSCALL_ERROR, func, static_cast<int>(err)); }

// The RPC session's socket that the server writes to; it turns readable
// when the server process ends.
int32_t server_socket(const clt_com_conn* conn) {
  if (conn == nullptr) return kNoSocket;
  return conn->recv_socket >= 0 ? conn->recv_socket : conn->cur_socket;
}

uint32_t wait_limit(const channel& c) {
  if (c.com.env == nullptr || c.com.main == nullptr) return 0;
  const int32_t limit = c.com.main->funccode == CLT_FC_CCMD ? c.com.env->pdcalcmdwaittime : c.com.env->pdcwaittime;
  return static_cast<uint32_t>(limit);
}

clt_shm_reply read_reply(const uint8_t* reply) {
  clt_shm_reply h;
  memcpy(&h, reply, sizeof h);
  return h;
}

// The length that the trace of a reply shows: the total when it can be
// trusted.
uint32_t traced_length(const clt_shm_reply& h, uint32_t capacity) {
  const bool untrusted = h.total < CLT_SHM_PACKET || h.total - CLT_SHM_PACKET > capacity;
  return untrusted ? kTraceUntrusted : h.total;
}

void close_pair(clt_shm_section* section, clt_shm_event* event, int32_t number, bool created) {
  char section_name[CLT_SHM_NAME_SIZE];
  char event_name[CLT_SHM_NAME_SIZE];
  clt_shmobj_names(number, section_name, event_name);
  clt_shmobj_close_event(event, created ? event_name : nullptr);
  int32_t err = 0;
  if (clt_shmobj_close_section(section, created ? section_name : nullptr, &err) != 0) {
    log_syscall("UnmapViewOfFile", err);
  }
}

// The failure of a create or open as the error log names it, and its result.
int32_t report_failure(const clt_shm_failure& why, int32_t number, const char* section_func, const char* event_func) {
  char section_name[CLT_SHM_NAME_SIZE];
  char event_name[CLT_SHM_NAME_SIZE];
  clt_shmobj_names(number, section_name, event_name);
  char func[CLT_SHM_NAME_SIZE * 2];
  switch (why.step) {
    case clt_shm_step::map:
      log_syscall("MapViewOfFile", why.err);
      return PD_E_MEMORY;
    case clt_shm_step::event:
      snprintf(func, sizeof func, "%s:%s", event_func, event_name);
      log_syscall(func, why.err);
      return PD_E_UNEXPECTED;
    default:
      snprintf(func, sizeof func, "%s:%s", section_func, section_name);
      log_syscall(func, why.err);
      return PD_E_MEMORY;
  }
}

}  // namespace

bool clt_shm_route_of(int32_t func_code, clt_shm_route* out) {
  if (func_code == CLT_FC_SHM_NOTICE) {
    *out = clt_shm_route{0, CLT_SHM_KIND_NOTICE};
    return true;
  }
  if (listed(kNotCarried, func_code)) return false;
  const int32_t frame_code = clt_rpc_reqcode(func_code, 0);
  if (frame_code < 0) return false;
  const uint32_t kind = listed(kDisconnects, func_code) ? CLT_SHM_KIND_DISCONNECT : CLT_SHM_KIND_REQUEST;
  *out = clt_shm_route{static_cast<uint32_t>(frame_code) & ~kFrameCodeBit, kind};
  return true;
}

int32_t clt_shm_call(const uint32_t* reqcode, uint8_t* request, uint32_t* total, uint8_t* reply,
                     uint32_t* capacity, uint32_t kind) {
  const channel c = current();
  if (c.shm == nullptr) return PD_E_STATE;
  clt_shm_header h{};
  h.marker = CLT_SHM_MARKER;
  h.sequence = ++c.shm->send_seq;
  h.kind = kind;
  h.reqcode = *reqcode;
  h.total = *total;
  h.capacity = *capacity;
  memcpy(request, &h, sizeof h);
  int32_t rc = clt_shm_signal(request, total);
  if (rc != 0) return rc;
  rc = clt_shm_wait(reply, capacity);
  if (rc != 0) return rc;
  const clt_shm_reply r = read_reply(reply);
  if (r.marker != CLT_SHM_MARKER || r.sequence != c.shm->recv_seq + 1) return PD_E_STATE;
  // A reply refused below still uses up its number.
  ++c.shm->recv_seq;
  if (r.total - CLT_SHM_PACKET > *capacity) return PD_E_TRUNCATED;
  if (r.status < 0) return r.status + kStatusBase;
  if (r.retry != 0 && c.com.main != nullptr) clt_main_rpc(c.com.main)->retry_wait = r.retry;
  return 0;
}

int32_t clt_shm_signal(uint8_t* request, uint32_t* total) {
  const channel c = current();
  const bool trace = soc_trace(c);
  if (trace) {
    clt_trc_soc(CLT_SOC_SHM_SIGNAL, kTraceBefore, 0, kNoSocket, static_cast<int32_t>(*total), 0, request,
                kTraceDataPlain);
  }
  int32_t err = 0;
  if (c.shm == nullptr || clt_shmobj_signal(&c.shm->own_event, &err) != 0) {
    log_syscall("SetEvent", err);
    return PD_E_UNEXPECTED;
  }
  if (trace) clt_trc_soc(CLT_SOC_SHM_SIGNAL, kTraceAfter, 0, kNoSocket, 0, 0, nullptr, 0);
  return 0;
}

int32_t clt_shm_wait(uint8_t* reply, uint32_t* capacity) {
  const channel c = current();
  if (c.shm == nullptr || c.com.main == nullptr) return PD_E_STATE;
  const bool trace = soc_trace(c);
  const int32_t sock = server_socket(c.com.conn);
  if (trace) {
    clt_trc_soc(CLT_SOC_SHM_WAIT, kTraceBefore, 0, kNoSocket, 0, 0, nullptr, 0);
    clt_trc_soc(CLT_SOC_SOCKET, kTraceBefore, 0, sock, 0, 0, nullptr, 0);
  }
  const uint32_t limit = wait_limit(c);
  int32_t stale = 0;
  uint32_t slices = 0;
  for (;;) {
    int32_t err = 0;
    const clt_shmobj_wait_result waited = clt_shmobj_wait(&c.shm->peer_event, sa_round_us(), &err);
    if (waited == clt_shmobj_wait_result::signalled) {
      const clt_shm_reply r = read_reply(reply);
      // A signal left over from an earlier exchange: the reply header still
      // shows the number already taken.
      if (r.sequence == c.shm->recv_seq) {
        if (++stale <= kStaleIgnored) continue;
        log_syscall(kFuncWaitStale, err);
        return PD_E_STATE;
      }
      if (r.sequence != c.shm->recv_seq + 1) return PD_E_STATE;
      if (trace) {
        clt_trc_soc(CLT_SOC_SHM_WAIT, kTraceAfter, 0, kNoSocket, static_cast<int32_t>(traced_length(r, *capacity)),
                    0, reply, kTraceDataPlain);
      }
      return 0;
    }
    if (waited == clt_shmobj_wait_result::failed) {
      log_syscall(kFuncWait, err);
      return PD_E_STATE;
    }
    ++slices;
    if (limit != 0 && slices > limit) return PD_E_TIMEOUT;
    int32_t wsa = 0;
    const int32_t polled = sock >= 0 ? sa_wait(sock, SA_WAIT_READ, 0, &wsa) : 0;
    if (polled != 0) {
      const int32_t shown = polled < 0 ? kPollFailed : kPollReadable;
      if (trace) clt_trc_soc(CLT_SOC_SOCKET, kTraceAfter, wsa, sock, 0, shown, nullptr, 0);
      clt_errlog_msg(CLT_MSG_COMM_ERROR, "select", static_cast<int>(shown));
      return PD_E_PROCESS_DOWN;
    }
    if (clt_com_cancel_get(c.com.main) == 1) {
      clt_com_cancel_set(c.com.main, 0);
      return PD_E_CANCELLED;
    }
  }
}

int32_t clt_shm_create(void) {
  const channel c = current();
  if (c.shm == nullptr || c.com.env == nullptr) return PD_E_MEMORY;
  const int32_t number = ntohs(c.com.conn->listen_port);
  clt_shm_failure why;
  // Without a receive port the name would be one that every such
  // connection of the host shares.
  if (number == 0) {
    why.step = clt_shm_step::section;
    why.err = EINVAL;
    return report_failure(why, number, "CreateFileMapping", "CreateEvent");
  }
  if (clt_shmobj_create(number, c.com.env->pdsendmemsize, &c.shm->own, &c.shm->own_event, &why) != 0) {
    return report_failure(why, number, "CreateFileMapping", "CreateEvent");
  }
  c.shm->own_number = number;
  memset(c.shm->own.view, 0, c.shm->own.size);
  return 0;
}

int32_t clt_shm_open(void) {
  const channel c = current();
  if (c.shm == nullptr || c.com.env == nullptr || c.com.main == nullptr) return PD_E_MEMORY;
  // The server's number as the CONNECT reply carried it.
  const int32_t number = clt_main_rpc(c.com.main)->shm_object;
  clt_shm_failure why;
  if (clt_shmobj_open(number, c.com.env->pdrecvmemsize, &c.shm->peer, &c.shm->peer_event, &why) != 0) {
    return report_failure(why, number, "OpenFileMapping", "OpenEvent");
  }
  c.shm->peer_number = number;
  return 0;
}

int32_t clt_shm_close_own(void) {
  const channel c = current();
  if (c.shm != nullptr) close_pair(&c.shm->own, &c.shm->own_event, c.shm->own_number, true);
  return 0;
}

int32_t clt_shm_close_peer(void) {
  const channel c = current();
  if (c.shm != nullptr) close_pair(&c.shm->peer, &c.shm->peer_event, c.shm->peer_number, false);
  return 0;
}
