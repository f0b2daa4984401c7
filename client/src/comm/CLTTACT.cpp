#include "CLTTACT.h"

#include <string.h>

#include <algorithm>

#include "zk_loghook.h"
#include "zk_codes.h"
#include "zk_seam.h"
#include "cltclock.h"
#include "CLTMEM.h"

namespace {

constexpr const char* kModule = "CLTTACT";

constexpr char kTableEye[8] = "##vtbse";
constexpr char kEntryEye[8] = "##vtsoc";
constexpr int32_t kFamilyInet = AF_INET;
constexpr int32_t kAddrInUseLimit = 4000;
// Retry limits without a control block.
constexpr int32_t kDefaultRefusals = 10;
constexpr int32_t kDefaultTimeouts = 2;
constexpr int32_t kDefaultPauseUs = 700000;
constexpr int32_t kMicrosPerMilli = 1000;
constexpr uint8_t kReconnectRunning = 4;
constexpr int32_t kTraceOff1 = 0;
constexpr int32_t kTraceOff2 = 2;

// Module-trace events and their tags.
constexpr uint32_t kEvOpen = 0x180101;
constexpr uint32_t kEvClose = 0x180102;
constexpr uint32_t kEvSend = 0x180103;
constexpr uint32_t kEvRecv = 0x180104;
constexpr uint32_t kEvGetaddr = 0x180105;
constexpr uint16_t kPhaseEntry = 1;
constexpr uint16_t kPhaseExit = 2;

// Actions.
enum : uint16_t {
  kActOpen = 0,
  kActRefuse = 1,
  kActConnectSend = 2,
  kActSend = 3,
  kActAcceptRecv = 4,
  kActRecv = 5,
  kActCloseOpen = 6,
  kActCloseConnected = 7,
  kActReset = 8,
  kActNone = 9,
};

constexpr uint16_t kActions[CLT_TACT_STATES][CLT_TACT_EVENTS] = {
    {0, 1, 1, 1, 1, 1, 1},
    {1, 2, 4, 6, 8, 9, 10},
    {1, 3, 5, 7, 1, 1, 1},
};

// Phases.
enum : uint16_t { kPhListen = 0, kPhConnect = 1, kPhAccept = 2, kPhSend = 3, kPhRecv = 4, kPhClose = 5 };
constexpr int kPhases = 6;

// Error classes of socket-layer codes and what the log says of them.
struct error_class {
  int32_t code;
  const char* reason;  // null: nothing is logged
};
constexpr error_class kClasses[] = {
    {COM_E_INVALID, "UNEXPECT"}, {COM_E_NOBUFS, CLT_LOG_REASON_MEMORY},   {COM_E_SOCKETS, "RESOURCE"},
    {COM_E_REFUSED, "NETWORK"},  {COM_E_TIMEOUT, nullptr},   {COM_E_NETWORK, "NETWORK"},
    {0, "UNEXPECT"},             {COM_E_SESSION_END, nullptr}, {COM_E_CANCELLED, nullptr},
};
constexpr int kClassOther = 6;
constexpr int kClassCount = static_cast<int>(sizeof kClasses / sizeof kClasses[0]);

constexpr int16_t kResults[kClassCount][kPhases] = {
    {-299, -299, -299, -299, -299, -299},
    {-201, -201, -201, -201, -201, -299},
    {-202, -202, -202, -202, -202, -202},
    {-299, -205, -299, -299, -299, -299},
    {-299, -207, -207, -299, -207, -299},
    {-299, -206, -206, -206, -206, -299},
    {-299, -299, -299, -299, -299, -299},
    {-299, -299, -299, -212, -299, -299},
    {-214, -214, -214, -214, -214, -214},
};

int class_of(int32_t soc_code) {
  for (int c = 0; c < kClassCount; ++c) {
    if (c != kClassOther && kClasses[c].code == soc_code) return c;
  }
  return kClassOther;
}

void mdl(const clt_com_ctx& ctx, uint32_t event, uint16_t phase, const char tag[4], int32_t result) {
  if (ctx.call == nullptr || ctx.call->mdl_trace_on == 0) return;
  uint32_t* words = ctx.call->mdl_data;
  memcpy(&words[0], tag, sizeof words[0]);
  words[1] = phase == kPhaseExit ? static_cast<uint32_t>(result) : 0;
  words[2] = 0;
  clt_trc_mdl(event, phase, words);
}

// Module trace around one operation; the table being worked on is
// cleared at its end.
class op_scope {
 public:
  op_scope(const clt_com_ctx& ctx, uint32_t event, const char tag[4]) : ctx_(ctx), event_(event), tag_(tag) {
    mdl(ctx_, event_, kPhaseEntry, tag_, 0);
    if (ctx_.call != nullptr) ctx_.call->tact_work = ctx_.call->tact_table;
  }
  int32_t done(int32_t result) {
    if (ctx_.call != nullptr) ctx_.call->tact_work = nullptr;
    mdl(ctx_, event_, kPhaseExit, tag_, result);
    return result;
  }

 private:
  clt_com_ctx ctx_;
  uint32_t event_;
  const char* tag_;
};

uint8_t* base(clt_sock_table* t) { return reinterpret_cast<uint8_t*>(t); }

clt_sock_entry* at(clt_sock_table* t, uint32_t off) {
  return off == 0 ? nullptr : reinterpret_cast<clt_sock_entry*>(base(t) + off);
}

uint32_t off_of(clt_sock_table* t, const clt_sock_entry* e) {
  return static_cast<uint32_t>(reinterpret_cast<const uint8_t*>(e) - base(t));
}

void list_unlink(clt_sock_table* t, uint32_t* head, uint32_t* tail, clt_sock_entry* e) {
  if (e->prev != 0) at(t, e->prev)->next = e->next; else *head = e->next;
  if (e->next != 0) at(t, e->next)->prev = e->prev; else *tail = e->prev;
  e->next = e->prev = 0;
}

void list_append(clt_sock_table* t, uint32_t* head, uint32_t* tail, clt_sock_entry* e) {
  const uint32_t off = off_of(t, e);
  e->prev = *tail;
  e->next = 0;
  if (*tail != 0) at(t, *tail)->next = off; else *head = off;
  *tail = off;
}

// Entries follow the header; with 8-byte pointers they need the header
// rounded up to their alignment (on 32 bits the header already is).
constexpr uint32_t kEntriesOffset =
    (sizeof(clt_sock_table) + alignof(clt_sock_entry) - 1) / alignof(clt_sock_entry) * alignof(clt_sock_entry);

static_assert(sizeof(void*) != 4 || kEntriesOffset == 76, "entries follow the 76-byte header");

clt_sock_entry* entries_of(clt_sock_table* t) { return reinterpret_cast<clt_sock_entry*>(base(t) + kEntriesOffset); }

clt_sock_table* table_create(int32_t count) {
  // A table that would not fit the allocator's 32-bit size is no table.
  if (static_cast<uint64_t>(count) > (UINT32_MAX - kEntriesOffset) / sizeof(clt_sock_entry)) return nullptr;
  const uint32_t size = kEntriesOffset + sizeof(clt_sock_entry) * static_cast<uint32_t>(count);
  auto* t = static_cast<clt_sock_table*>(cltmem_alloc(size, 0, kModule, __LINE__));
  if (t == nullptr) return nullptr;
  memset(t, 0, size);
  memcpy(t->eyecatcher, kTableEye, sizeof kTableEye);
  t->version = CLT_SOCK_TABLE_VERSION;
  t->count = static_cast<uint32_t>(count);
  clt_sock_entry* entries = entries_of(t);
  for (int32_t i = 0; i < count; ++i) {
    clt_sock_entry* e = &entries[i];
    memcpy(e->eyecatcher, kEntryEye, sizeof kEntryEye);
    e->sock = -1;
    e->header_off = off_of(t, e) + static_cast<uint32_t>(offsetof(clt_sock_entry, header));
    e->pieces_off = off_of(t, e) + static_cast<uint32_t>(offsetof(clt_sock_entry, pieces));
    list_append(t, &t->free_head, &t->free_tail, e);
  }
  return t;
}

clt_sock_entry* take_free(clt_sock_table* t) {
  clt_sock_entry* e = at(t, t->free_head);
  if (e == nullptr) return nullptr;
  list_unlink(t, &t->free_head, &t->free_tail, e);
  list_append(t, &t->used_head, &t->used_tail, e);
  return e;
}

void release(clt_sock_table* t, clt_sock_entry* e) {
  list_unlink(t, &t->used_head, &t->used_tail, e);
  list_append(t, &t->free_head, &t->free_tail, e);
  if (t->reply_entry == off_of(t, e)) t->reply_entry = 0;
}

void set_free_states(clt_sock_table* t, uint16_t state) {
  for (clt_sock_entry* e = at(t, t->free_head); e != nullptr; e = at(t, e->next)) e->state = state;
}

// The machine's working state for one action.
struct action_ctx {
  clt_com_ctx ctx;
  clt_sock_table* table;
  clt_sock_entry* entry;
  clt_tact_req* req;
  uint32_t mode;
};

// A socket-layer code becomes the entry's result through its class.
void fail_soc(action_ctx& a, int32_t soc_code, int line) {
  const int c = class_of(soc_code);
  if (kClasses[c].reason != nullptr) clt_errlog_msg(CLT_LOG_CLIENT_ERROR, kClasses[c].reason, kModule, line);
  a.entry->soc_code = soc_code;
  if (a.ctx.call != nullptr) a.ctx.call->tact_class = static_cast<uint16_t>(c);
  const uint16_t phase = a.ctx.call != nullptr ? a.ctx.call->tact_phase : static_cast<uint16_t>(kPhClose);
  a.entry->result = kResults[c][phase];
}

void set_phase(action_ctx& a, uint16_t phase) {
  if (a.ctx.call != nullptr) a.ctx.call->tact_phase = phase;
}

void close_entry_socket(action_ctx& a) {
  set_phase(a, kPhClose);
  if (a.entry->sock >= 0) com_close(a.entry->sock, 0);
  a.entry->sock = -1;
}

// After a failed send, header, body or check step: the socket is closed
// and the entry freed; a connected entry is open again.
void drop_connection(action_ctx& a) {
  close_entry_socket(a);
  a.entry->state = CLT_TACT_OPEN;
  release(a.table, a.entry);
}

com_wait wait_of(const clt_tact_req* req) {
  return com_wait{req != nullptr && req->wait > 0 ? req->wait : 0, 0};
}

clt_sock_entry* receive_entry(action_ctx& a) { return at(a.table, a.table->recv_entry); }

bool listen_step(action_ctx& a) {
  set_phase(a, kPhListen);
  a.entry->kind = kFamilyInet;
  a.entry->peer = sockaddr_in{};
  a.entry->peer.sin_family = kFamilyInet;
  a.entry->peer.sin_port = 0;
  int32_t s = com_open(COM_OPEN_RECVPORT, &a.entry->peer);
  if (s < 0) {
    fail_soc(a, s, __LINE__);
    return false;
  }
  a.entry->sock = s;
  return true;
}

bool connect_step(action_ctx& a) {
  set_phase(a, kPhConnect);
  const clt_env* env = a.ctx.env;
  clt_com_conn* conn = a.ctx.conn;
  if (a.ctx.main != nullptr) a.ctx.main->srv_port = a.req->addr->sin_port;
  const int32_t refusals_max = env != nullptr ? env->pdretrycount : kDefaultRefusals;
  const int32_t timeouts_max = env != nullptr ? env->pdtimedoutretry : kDefaultTimeouts;
  const int32_t pause_us = env != nullptr ? env->pdretryinterval : kDefaultPauseUs;
  int32_t refusals = 0;
  int32_t in_use = 0;
  int32_t timeouts = 0;
  for (;;) {
    sockaddr_in to = *a.req->addr;
    int32_t s = com_open(COM_OPEN_CONNECT, &to);
    if (s >= 0) {
      a.entry->sock = s;
      return true;
    }
    bool stop = s != COM_E_REFUSED && s != COM_E_TIMEOUT && s != COM_E_ADDRINUSE;
    if (!stop && conn != nullptr) {
      const bool own_lists = conn->connect_no_retry == 'N' || conn->fes_group_index != 0;
      stop = (own_lists && s != COM_E_ADDRINUSE) || conn->reconnect_state == kReconnectRunning;
    }
    if (!stop && s == COM_E_REFUSED) {
      stop = refusals_max == 0;
      ++refusals;
    }
    if (!stop && s == COM_E_ADDRINUSE) ++in_use;
    if (!stop && s == COM_E_TIMEOUT) {
      stop = timeouts_max == 0;
      ++timeouts;
    }
    if (!stop) {
      stop = (refusals_max != 0 && refusals >= refusals_max) || in_use >= kAddrInUseLimit ||
             (timeouts_max != 0 && timeouts > timeouts_max);
    }
    if (stop) {
      fail_soc(a, s, __LINE__);
      return false;
    }
    if (s == COM_E_REFUSED) clt_clock_sleep_ms(static_cast<uint32_t>(pause_us / kMicrosPerMilli));
  }
}

void trace_copy(const action_ctx& a, clt_com_trace_copy* copy, const com_piece* pieces, int32_t count) {
  clt_clock_reading now{};
  clt_clock_now(&now);
  memcpy(copy->header, &a.entry->header, sizeof copy->header);
  copy->count = static_cast<uint32_t>(count);
  for (int32_t i = 0; i < CLT_TACT_PIECES; ++i) {
    copy->addr[i] = i < count ? pieces[i].addr : nullptr;
    copy->len[i] = i < count ? pieces[i].len : 0;
  }
  copy->seconds = static_cast<uint32_t>(now.seconds);
  copy->millis = now.milliseconds;
}

bool comm_trace_on(const action_ctx& a) {
  return a.ctx.env != nullptr && a.ctx.env->pdtrcmode != kTraceOff1 && a.ctx.env->pdtrcmode != kTraceOff2;
}

bool send_step(action_ctx& a) {
  set_phase(a, kPhSend);
  clt_com_conn* conn = a.ctx.conn;
  const int32_t func = a.ctx.main != nullptr ? a.ctx.main->funccode : 0;
  const bool reqcode = clt_frame_reqcode_form(conn, func, a.mode);
  com_piece* area = a.entry->pieces;
  int32_t used = 1;
  uint32_t body = 0;
  for (int32_t i = reqcode ? 1 : 0; i < a.req->count && body < CLT_FRAME_BODY_MAX; ++i) {
    if (used == CLT_TACT_PIECES) {
      // More pieces than a frame carries would lose data: refuse the request.
      a.entry->result = CLT_TACT_E_REQUEST;
      return false;
    }
    com_piece p = a.req->pieces[i];
    p.len = std::min(p.len, CLT_FRAME_BODY_MAX - body);
    area[used++] = p;
    body += p.len;
  }
  clt_sock_entry* recv = receive_entry(a);
  const uint16_t session_port = recv != nullptr ? recv->peer.sin_port : 0;
  if (conn != nullptr) conn->frame_session_port = session_port;
  uint8_t kind = (a.mode & CLT_TACT_MODE_CLOSING) != 0 ? CLT_FRAME_KIND_CLOSING : 0;
  uint32_t capacity = 0;
  if (reqcode) {
    kind = static_cast<uint8_t>(clt_rpc_reqcode(func, conn->reqcode_override));
    capacity = conn->reply_capacity;
  }
  clt_frame_build(&a.entry->header, session_port, (a.mode & CLT_TACT_MODE_CLOSE) != 0, kind, body, capacity);
  area[0] = com_piece{reinterpret_cast<uint8_t*>(&a.entry->header), CLT_FRAME_HEADER_SIZE};

  const uint32_t total = body + CLT_FRAME_HEADER_SIZE;
  uint32_t sent = 0;
  com_piece rest[CLT_TACT_PIECES];
  memcpy(rest, area, sizeof rest);
  int32_t first = 0;
  while (sent < total) {
    int32_t rc = com_send(a.entry->sock, rest + first, used - first);
    if (rc < 0) {
      fail_soc(a, rc, __LINE__);
      return false;
    }
    if (rc == 0) break;
    sent += static_cast<uint32_t>(rc);
    // Drop what went out and advance into the first piece left.
    uint32_t n = static_cast<uint32_t>(rc);
    while (first < used && n >= rest[first].len) n -= rest[first++].len;
    if (first < used) {
      rest[first].addr += n;
      rest[first].len -= n;
    }
  }
  if (conn != nullptr && comm_trace_on(a)) trace_copy(a, &conn->sent, area, used);
  a.entry->moved = static_cast<int32_t>(sent);
  a.req->len_out = body;
  if (sent - body != CLT_FRAME_HEADER_SIZE) {
    clt_errlog_msg(CLT_LOG_CLIENT_ERROR, "UNEXPECT", kModule, __LINE__);
    a.req->len_out = 0;
    a.entry->result = CLT_TACT_E_NETWORK;
    return false;
  }
  return true;
}

bool accept_step(action_ctx& a) {
  set_phase(a, kPhAccept);
  // The address of a receive is mostly an out value: one without a
  // family set is taken as IPv4.
  int32_t family = a.req->addr != nullptr ? a.req->addr->sin_family : kFamilyInet;
  if (family == AF_UNSPEC) family = kFamilyInet;
  // The client never fills a receive entry for other families.
  clt_sock_entry* listener = family == kFamilyInet ? receive_entry(a) : at(a.table, a.table->recv_entry2);
  if (listener == nullptr || listener->sock < 0) {
    clt_errlog_msg(CLT_LOG_CLIENT_ERROR, "UNEXPECT", kModule, __LINE__);
    a.entry->result = CLT_TACT_E_OTHER;
    return false;
  }
  a.entry->kind = family;
  a.entry->peer.sin_family = static_cast<sa_family_t>(family);
  const com_wait w = wait_of(a.req);
  int32_t s = com_accept(listener->sock, &a.entry->peer, &w);
  if (s < 0) {
    fail_soc(a, s, __LINE__);
    return false;
  }
  a.entry->sock = s;
  if (a.entry->peer.sin_family == kFamilyInet && a.entry->peer.sin_port == 0) {
    a.entry->result = CLT_TACT_E_OTHER;
    return false;
  }
  return true;
}

// Header, header check, body and size check; false after a failure with
// the entry's result set.
bool receive_frame(action_ctx& a) {
  set_phase(a, kPhRecv);
  clt_com_call* call = a.ctx.call;
  clt_com_conn* conn = a.ctx.conn;
  clt_tact_req* req = a.req;
  req->len_out = 0;
  const com_wait w = wait_of(req);
  com_piece hp{reinterpret_cast<uint8_t*>(&a.entry->header), CLT_FRAME_HEADER_SIZE};
  int32_t n = com_recv(a.entry->sock, &hp, 1, &w);
  if (n < 0) {
    fail_soc(a, n, __LINE__);
    return false;
  }
  a.entry->moved = n;
  clt_sock_entry* recv = receive_entry(a);
  const sockaddr_in* recv_addr = recv != nullptr ? &recv->peer : nullptr;
  uint32_t body_len = 0;
  int32_t rc = clt_frame_check_header(&a.entry->header, n, recv_addr, &body_len);
  if (rc != 0) {
    a.entry->result = rc;
    return false;
  }
  const bool reqcode = (a.entry->header.kind & CLT_FRAME_KIND_REQCODE) != 0;

  // Only the connection's own reply buffer is replaced: a piece inside it,
  // or any other memory, is the caller's and must stay where it is. It
  // takes every byte past the first piece and grows as they arrive.
  const uint32_t first_room = reqcode ? 0 : req->pieces[0].len;
  const bool grows = call != nullptr && call->reply_may_grow != 0 && req->count >= 2 && call->reply_buf != nullptr &&
                     req->pieces[1].addr == call->reply_buf && first_room + req->pieces[1].len < body_len;
  if (conn != nullptr) memcpy(conn->received.header, &a.entry->header, sizeof conn->received.header);

  int32_t first = 0;
  if (reqcode) {
    if (req->count < 1) {
      fail_soc(a, CLT_FRAME_E_REPLY_HEADER, __LINE__);
      return false;
    }
    if (clt_rpc_reply_header(conn, &req->pieces[0]) != 0) {
      fail_soc(a, CLT_FRAME_E_REPLY_HEADER, __LINE__);
      return false;
    }
    first = 1;
  }
  com_piece* area = a.entry->pieces;
  int32_t used = 0;
  // The receive pieces of the body as far as the request's pieces take it.
  auto lay_out = [&](int32_t last) {
    used = 0;
    uint32_t rest = body_len;
    for (int32_t i = first; i < last && rest > 0 && used < CLT_TACT_PIECES; ++i) {
      com_piece p = req->pieces[i];
      p.len = std::min(p.len, rest);
      area[used++] = p;
      rest -= p.len;
    }
    return rest;
  };
  uint32_t left = lay_out(grows ? 2 : req->count);
  n = com_recv(a.entry->sock, area, used, &w);
  while (n >= 0 && grows && left > 0) {
    com_piece& buf = req->pieces[1];
    const uint32_t size = clt_grow_size(buf.len, static_cast<uint64_t>(buf.len) + 1,
                                        clt_round_step(body_len - first_room));
    auto* grown = static_cast<uint8_t*>(cltmem_alloc(size, 0, kModule, __LINE__));
    if (grown == nullptr) {
      fail_soc(a, COM_E_NOBUFS, __LINE__);
      return false;
    }
    memcpy(grown, buf.addr, buf.len);
    cltmem_free(call->reply_buf, kModule, __LINE__);
    call->reply_buf = grown;
    call->reply_cur = grown;
    com_piece tail{grown + buf.len, std::min(size - buf.len, left)};
    buf = com_piece{grown, size};
    if (conn != nullptr) conn->reply_buf_size = size;
    left -= tail.len;
    const int32_t more = com_recv(a.entry->sock, &tail, 1, &w);
    n = more < 0 ? more : n + more;
  }
  if (n < 0) {
    fail_soc(a, n, __LINE__);
    return false;
  }
  if (grows) {
    if (conn != nullptr) conn->reply_len = body_len;
    left = lay_out(2);
  }
  if (call != nullptr) call->tact_truncated = left > 0 ? 1 : 0;
  a.entry->moved = n;
  if (call != nullptr) call->tact_recv_count = n;
  if (conn != nullptr && comm_trace_on(a)) {
    trace_copy(a, &conn->received, area, used);
    if (conn->shm_channel != 0) conn->frame_session_port = a.entry->header.session_port;
  }
  rc = clt_frame_check_size(a.entry->header.kind, n, body_len, reqcode ? req->pieces[0].len : 0, left > 0,
                            recv_addr, &req->len_out);
  if (rc != 0) {
    a.entry->result = rc;
    return false;
  }
  return true;
}

bool closes_after(const action_ctx& a) {
  return (a.mode & CLT_TACT_MODE_CLOSE) != 0 && (a.entry->header.flags & CLT_FRAME_FLAG_CLOSE) != 0;
}

void close_used(action_ctx& a) {
  set_phase(a, kPhClose);
  for (clt_sock_entry* e = at(a.table, a.table->used_head); e != nullptr; e = at(a.table, e->next)) {
    if (e->sock < 0) continue;
    int32_t rc = com_close(e->sock, 0);
    e->sock = -1;
    if (rc < 0) fail_soc(a, rc, __LINE__);
  }
}

void act(action_ctx& a, uint16_t action) {
  clt_sock_entry* e = a.entry;
  switch (action) {
    case kActOpen:
      if (!listen_step(a)) {
        release(a.table, e);
        return;
      }
      set_free_states(a.table, CLT_TACT_OPEN);
      e->state = CLT_TACT_OPEN;
      return;
    case kActRefuse:
      e->result = CLT_TACT_E_STATE;
      release(a.table, e);
      return;
    case kActConnectSend:
      if (!connect_step(a)) {
        release(a.table, e);
        return;
      }
      if (!send_step(a)) {
        drop_connection(a);
        return;
      }
      if ((a.mode & CLT_TACT_MODE_CLOSE) != 0) {
        close_entry_socket(a);
        release(a.table, e);
        return;
      }
      e->state = CLT_TACT_CONNECTED;
      return;
    case kActSend:
      if (!send_step(a)) {
        drop_connection(a);
        return;
      }
      if ((a.mode & CLT_TACT_MODE_CLOSE) != 0) drop_connection(a);
      return;
    case kActAcceptRecv:
      if (!accept_step(a)) {
        if (e->sock >= 0) close_entry_socket(a);
        release(a.table, e);
        return;
      }
      if (!receive_frame(a)) {
        drop_connection(a);
        return;
      }
      // The peer's closing frame frees the entry, which is open again.
      if (closes_after(a)) {
        drop_connection(a);
        return;
      }
      e->state = CLT_TACT_CONNECTED;
      return;
    case kActRecv:
      if (!receive_frame(a)) {
        drop_connection(a);
        return;
      }
      if (closes_after(a)) drop_connection(a);
      return;
    case kActCloseOpen:
      close_used(a);
      e->state = CLT_TACT_CLOSED;
      return;
    case kActCloseConnected:
      close_used(a);
      set_free_states(a.table, CLT_TACT_CLOSED);
      e->state = CLT_TACT_CLOSED;
      return;
    case kActReset:
      set_free_states(a.table, CLT_TACT_OPEN);
      e->state = CLT_TACT_OPEN;
      return;
    default:
      return;
  }
}

bool same_peer(const sockaddr_in& a, const sockaddr_in& b) {
  return a.sin_addr.s_addr == b.sin_addr.s_addr && a.sin_port == b.sin_port;
}

}  // namespace

uint16_t clt_tact_action(uint16_t state, uint16_t event) {
  if (state >= CLT_TACT_STATES || event >= CLT_TACT_EVENTS) return kActNone;
  return kActions[state][event];
}

int32_t clt_tact_result_of(int32_t soc_code, uint16_t phase) {
  if (phase >= kPhases) return CLT_TACT_E_OTHER;
  return kResults[class_of(soc_code)][phase];
}

void clt_tact_dispatch(uint16_t state, uint16_t event, clt_sock_entry* entry, clt_tact_req* req, uint32_t mode) {
  clt_com_ctx ctx = clt_com_cur();
  if (ctx.call == nullptr || ctx.call->tact_work == nullptr) return;
  const uint16_t action = clt_tact_action(state, event);
  if (action >= kActNone) return;
  action_ctx a{ctx, ctx.call->tact_work, entry, req, mode};
  act(a, action);
  ctx.call->tact_result = entry->result;
}

int32_t clt_tact_run(clt_sock_entry* entry, clt_tact_req* req, uint32_t mode) {
  clt_com_ctx ctx = clt_com_cur();
  clt_com_call* call = ctx.call;
  if (call == nullptr || call->tact_work == nullptr) return CLT_TACT_E_CANCELLED;
  clt_sock_table* table = call->tact_work;
  call->tact_entry = entry;
  call->tact_req = req;
  call->tact_mode = mode;
  entry->result = 0;
  entry->soc_code = 0;
  clt_tact_dispatch(entry->state, entry->event, entry, req, mode);
  while (call->tact_table == table && entry->pending != CLT_TACT_NO_EVENT) {
    entry->event = entry->pending;
    entry->pending = CLT_TACT_NO_EVENT;
    clt_tact_dispatch(entry->state, entry->event, entry, req, mode);
  }
  if (call->tact_table != table) return CLT_TACT_E_CANCELLED;
  return entry->result;
}

int32_t clt_tact_open(int32_t reserved, int32_t flags) {
  (void)reserved;
  (void)flags;
  clt_com_ctx ctx = clt_com_cur();
  op_scope op(ctx, kEvOpen, "npot");
  clt_com_call* call = ctx.call;
  if (call == nullptr) return op.done(CLT_TACT_E_NOTABLE);
  if (call->tact_table != nullptr) return op.done(CLT_TACT_E_STATE);
  if (ctx.env == nullptr || ctx.env->pdsocnum <= 0) return op.done(CLT_TACT_E_NOCONFIG);
  clt_sock_table* t = table_create(ctx.env->pdsocnum);
  if (t == nullptr) return op.done(CLT_TACT_E_NOTABLE);
  clt_sock_entry* entries = entries_of(t);
  for (uint32_t i = 0; i < t->count; ++i) entries[i].pending = CLT_TACT_NO_EVENT;
  clt_sock_entry* e = take_free(t);
  t->recv_entry = off_of(t, e);
  call->tact_table = t;
  call->tact_work = t;
  e->event = CLT_TACT_EV_OPEN;
  int32_t rc = clt_tact_run(e, nullptr, 0);
  if (rc != 0) {
    cltmem_free(t, kModule, __LINE__);
    call->tact_table = nullptr;
  }
  return op.done(rc);
}

int32_t clt_tact_close(int32_t reserved, int32_t flags) {
  (void)reserved;
  (void)flags;
  clt_com_ctx ctx = clt_com_cur();
  op_scope op(ctx, kEvClose, "slct");
  clt_com_call* call = ctx.call;
  if (call == nullptr || call->tact_table == nullptr) return op.done(CLT_TACT_E_STATE);
  clt_sock_table* t = call->tact_table;
  clt_sock_entry* e = at(t, t->used_head);
  int32_t rc;
  if (e == nullptr) {
    clt_errlog_msg(CLT_LOG_CLIENT_ERROR, CLT_LOG_REASON_MEMORY, kModule, __LINE__);
    rc = CLT_TACT_E_NOTABLE;
  } else {
    e->event = CLT_TACT_EV_CLOSE;
    rc = clt_tact_run(e, nullptr, 0);
  }
  cltmem_free(t, kModule, __LINE__);
  call->tact_table = nullptr;
  return op.done(rc);
}

int32_t clt_tact_getaddr(sockaddr_in* addr, int32_t reserved) {
  (void)reserved;
  clt_com_ctx ctx = clt_com_cur();
  op_scope op(ctx, kEvGetaddr, "damt");
  if (addr == nullptr) return op.done(CLT_TACT_E_REQUEST);
  clt_com_call* call = ctx.call;
  if (call == nullptr || call->tact_table == nullptr) return op.done(CLT_TACT_E_STATE);
  clt_sock_table* t = call->tact_table;
  clt_sock_entry* e = at(t, t->recv_entry);
  if (e == nullptr) return op.done(CLT_TACT_E_STATE);
  *addr = e->peer;
  return op.done(0);
}

int32_t clt_tact_send(clt_tact_req* req, int32_t flags) {
  clt_com_ctx ctx = clt_com_cur();
  op_scope op(ctx, kEvSend, "dnst");
  clt_com_call* call = ctx.call;
  if (call == nullptr || call->tact_table == nullptr) return op.done(CLT_TACT_E_STATE);
  const bool closing = (flags & CLT_TACT_FLAG_CLOSING) != 0;
  if (req == nullptr || req->addr == nullptr) return op.done(CLT_TACT_E_REQUEST);
  if (!closing && (req->count <= 0 || req->pieces == nullptr)) return op.done(CLT_TACT_E_REQUEST);
  if (req->count < 0 || (req->count > 0 && req->pieces == nullptr)) return op.done(CLT_TACT_E_REQUEST);
  sockaddr_in own{};
  int32_t rc = clt_tact_getaddr(&own, 0);
  call->tact_work = call->tact_table;
  if (rc != 0) return op.done(rc);
  clt_sock_table* t = call->tact_table;
  clt_sock_entry* e = nullptr;
  for (clt_sock_entry* u = at(t, t->used_head); u != nullptr; u = at(t, u->next)) {
    if (off_of(t, u) != t->recv_entry && same_peer(u->peer, *req->addr)) {
      e = u;
      break;
    }
  }
  if (e == nullptr) {
    e = take_free(t);
    if (e == nullptr) return op.done(CLT_TACT_E_NOENTRY);
    e->peer = *req->addr;
  }
  uint32_t mode = 0;
  if ((flags & CLT_TACT_FLAG_CLOSE) != 0) mode |= CLT_TACT_MODE_CLOSE;
  if (closing) mode |= CLT_TACT_MODE_CLOSING;
  e->event = CLT_TACT_EV_SEND;
  rc = clt_tact_run(e, req, mode);
  if (rc == 0 && (flags & (CLT_TACT_FLAG_CLOSE | CLT_TACT_FLAG_CLOSING)) == 0 && t->reply_entry == 0 &&
      call->tact_table == t) {
    t->reply_entry = off_of(t, e);
  }
  return op.done(rc);
}

int32_t clt_tact_recv(clt_tact_req* req, int32_t flags) {
  clt_com_ctx ctx = clt_com_cur();
  op_scope op(ctx, kEvRecv, "vcrt");
  clt_com_call* call = ctx.call;
  if (call == nullptr || call->tact_table == nullptr) return op.done(CLT_TACT_E_STATE);
  if (req == nullptr || req->count <= 0 || req->pieces == nullptr) return op.done(CLT_TACT_E_REQUEST);
  clt_sock_table* t = call->tact_table;
  clt_sock_entry* e = at(t, t->reply_entry);
  if (e == nullptr) {
    e = take_free(t);
    if (e == nullptr) return op.done(CLT_TACT_E_NOENTRY);
    t->reply_entry = off_of(t, e);
  }
  const uint32_t mode = (flags & CLT_TACT_FLAG_CLOSE) != 0 ? static_cast<uint32_t>(CLT_TACT_MODE_CLOSE) : 0u;
  e->event = CLT_TACT_EV_RECV;
  int32_t rc = clt_tact_run(e, req, mode);
  if ((rc == 0 || rc == CLT_TACT_E_TRUNCATED) && req->addr != nullptr) *req->addr = e->peer;
  return op.done(rc);
}
