#include "CLTNAMSV.h"

#include <string.h>

#include <algorithm>

#include "zk_bytes.h"
#include "CLTCOMCTX.h"
#include "CLTCOMD.h"
#include "zk_loghook.h"
#include "CLTMEM.h"
#include "zk_codes.h"
#include "CLTRPCSS.h"
#include "zk_seam.h"
#include "CLTUTLEV.h"

namespace {

constexpr const char* kModule = "CLTNAMSV";
constexpr const char* kMsgVersion = "KFPZ02403-E %s version error, Marlo/client(%lx):object(%lx)\n";
constexpr const char* kMsgCanceled = CLT_MSG_FES_CANCELED "\n";

constexpr char kEye[8] = "##ncntl";
constexpr int32_t kRetries = 2;
constexpr int32_t kWaitDefault = 120;
constexpr uint32_t kMsgHeader = PD_MSG_HEADER_SIZE;
constexpr uint32_t kQueryPad = 4;
constexpr uint32_t kQueryTrailer = 1;
constexpr uint32_t kOwnOffset = 40;
constexpr uint32_t kRecordOffset = 56;
constexpr uint32_t kServiceIdField = 12;
constexpr uint32_t kQueryMark = 28;
constexpr uint32_t kSeqField = 36;
constexpr uint32_t kIdSize = 4;
constexpr int32_t kLookupBitsStart = 1 << 10;
constexpr int32_t kLookupBitsEnd = 1 << 11;
constexpr int32_t kNotFound = -5;

// Module-trace events.
constexpr uint32_t kEvOpen = 0x180201;
constexpr uint32_t kEvClose = 0x180202;
constexpr uint32_t kEvLookup = 0x180203;
constexpr uint32_t kEvIndirect = 0x180205;
constexpr uint16_t kPhaseEntry = 1;
constexpr uint16_t kPhaseExit = 2;

// Item fields of a query.
constexpr uint32_t kItemLen = 0;
constexpr uint32_t kItemNameOff = 2;
constexpr uint32_t kItemNameLen = 4;
constexpr uint32_t kItemGroupOff = 6;
constexpr uint32_t kItemGroupLen = 8;
constexpr uint32_t kItemIdOff = 10;
constexpr uint32_t kItemRecordOff = 12;
constexpr uint32_t kItemInfoOff = 14;
constexpr uint32_t kItemFlags = 16;
constexpr uint32_t kItemResult = 20;

constexpr uint8_t kActions[NAM_STATES][NAM_EVENTS] = {
    {0, 1, 1, 2, 2, 2, 2, 2, 2, 1, 1},
    {2, 2, 2, 2, 2, 3, 4, 2, 5, 2, 2},
    {2, 2, 2, 6, 2, 3, 4, 3, 2, 2, 2},
    {1, 8, 9, 10, 10, 10, 10, 10, 10, 11, 22},
    {10, 10, 10, 10, 10, 12, 13, 10, 14, 10, 10},
    {10, 10, 10, 10, 15, 16, 13, 16, 10, 10, 10},
    {10, 10, 10, 10, 10, 17, 18, 10, 19, 10, 10},
    {10, 10, 10, 20, 10, 17, 18, 17, 10, 10, 10},
};

uint32_t round4(uint32_t n) { return (n + kQueryPad - 1) / kQueryPad * kQueryPad; }

// The machine works on the control block of the running call.
nam_cntl* cntl_of() {
  clt_rpc_ctx ctx = clt_rpc_cur();
  return ctx.call != nullptr ? ctx.call->nam : nullptr;
}

void mdl(uint32_t event, uint16_t phase, int32_t result) {
  clt_com_ctx com = clt_com_cur();
  if (com.call == nullptr || com.call->mdl_trace_on == 0) return;
  uint32_t words[3] = {static_cast<uint32_t>(event), 0, phase == kPhaseExit ? static_cast<uint32_t>(result) : 0};
  clt_trc_mdl(event, phase, words);
}

int32_t reason(const char* text, int32_t code, int line) {
  clt_errlog_msg(CLT_LOG_CLIENT_ERROR, text, kModule, line);
  return code;
}

uint8_t* base(nam_cntl* c) { return reinterpret_cast<uint8_t*>(c); }
nam_cache_entry* entry_at(nam_cntl* c, uint32_t off) {
  return off == 0 ? nullptr : reinterpret_cast<nam_cache_entry*>(base(c) + off);
}
uint32_t off_of(nam_cntl* c, const nam_cache_entry* e) {
  return static_cast<uint32_t>(reinterpret_cast<const uint8_t*>(e) - base(c));
}
void unlink(nam_cntl* c, uint32_t* head, uint32_t* tail, nam_cache_entry* e) {
  if (e->prev != 0) entry_at(c, e->prev)->next = e->next; else *head = e->next;
  if (e->next != 0) entry_at(c, e->next)->prev = e->prev; else *tail = e->prev;
  e->next = e->prev = 0;
}
void push_front(nam_cntl* c, uint32_t* head, uint32_t* tail, nam_cache_entry* e) {
  const uint32_t off = off_of(c, e);
  e->prev = 0;
  e->next = *head;
  if (*head != 0) entry_at(c, *head)->prev = off; else *tail = off;
  *head = off;
}
void push_back(nam_cntl* c, uint32_t* head, uint32_t* tail, nam_cache_entry* e) {
  const uint32_t off = off_of(c, e);
  e->next = 0;
  e->prev = *tail;
  if (*tail != 0) entry_at(c, *tail)->next = off; else *head = off;
  *tail = off;
}

constexpr uint32_t kEntriesOffset =
    (sizeof(nam_cntl) + alignof(nam_cache_entry) - 1) / alignof(nam_cache_entry) * alignof(nam_cache_entry);

bool same_text(const char* a, const char* b) { return strncmp(a, b, NAM_NAME_SIZE) == 0; }

nam_cache_entry* find_entry(nam_cntl* c, const nam_req* req) {
  for (nam_cache_entry* e = entry_at(c, c->used_head); e != nullptr; e = entry_at(c, e->next)) {
    if (e->generation != c->name_port) continue;
    if (req->service_id != nullptr && (req->flags & NAM_REQ_SEND_ID) != 0 &&
        e->service_id != *req->service_id) {
      continue;
    }
    if (!same_text(e->service, req->service)) continue;
    if (req->group != nullptr ? !same_text(e->group, req->group) : e->group[0] != '\0') continue;
    return e;
  }
  return nullptr;
}

void close_socket(nam_sess* s) {
  if (s->sock >= 0) com_close(s->sock, 0);
  s->sock = -1;
}

void finish(nam_sess* s, int32_t result, int32_t state) {
  s->result = result;
  s->state = state;
  nam_post_event(s, NAM_STEP_FINISH, nullptr);
}

void drop(nam_sess* s) {
  close_socket(s);
  nam_cache_close();
}

sockaddr_in addr_of_record(const nam_record& r) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = r.port;
  a.sin_addr.s_addr = r.addr;
  return a;
}

int32_t build_registration(nam_sess* s, nam_cntl* c) {
  ++s->seq;
  if (nam_msg_build(s->send, s->send_size, NAM_MAGIC_REG, c->version, s->seq) != 0) return NAM_E_UNEXPECTED;
  memcpy(s->send + kOwnOffset, &c->own, NAM_RECORD_SIZE);
  put_be32(s->send, NAM_REG_SIZE);
  s->send_len = NAM_REG_SIZE;
  return 0;
}

// The RPC message of a query: length, query padded to 4 bytes, word 1.
int32_t build_query(nam_sess* s, nam_cntl* c) {
  const nam_req* req = s->req;
  ++s->seq;
  uint8_t* q = s->send + kIdSize;
  const uint32_t room = s->send_size - 2 * kIdSize;
  if (nam_msg_build(q, room, NAM_MAGIC_QUERY, c->version, s->seq) != 0) return NAM_E_UNEXPECTED;
  put_be32(q + kQueryMark, 1);
  const uint32_t name_len = static_cast<uint32_t>(strnlen(req->service, NAM_NAME_SIZE));
  const uint32_t group_len = req->group != nullptr ? static_cast<uint32_t>(strnlen(req->group, NAM_NAME_SIZE)) : 0;
  const uint32_t name_field = round4(name_len + 1);
  const uint32_t group_field = req->group != nullptr ? round4(group_len + 1) : 0;
  const bool send_id = (req->flags & NAM_REQ_SEND_ID) != 0 && req->service_id != nullptr;
  const uint32_t item_len = NAM_ITEM_HEADER + name_field + group_field + (send_id ? kIdSize : 0);
  if (NAM_HEADER_SIZE + item_len > room) return NAM_E_UNEXPECTED;
  uint8_t* item = q + NAM_HEADER_SIZE;
  memset(item, 0, item_len);
  uint32_t at = NAM_ITEM_HEADER;
  put_be16(item + kItemNameOff, static_cast<uint16_t>(at));
  put_be16(item + kItemNameLen, static_cast<uint16_t>(name_field));
  memcpy(item + at, req->service, name_len);
  at += name_field;
  if (req->group != nullptr) {
    put_be16(item + kItemGroupOff, static_cast<uint16_t>(at));
    put_be16(item + kItemGroupLen, static_cast<uint16_t>(group_field));
    memcpy(item + at, req->group, group_len);
    at += group_field;
  }
  if (send_id) {
    put_be16(item + kItemIdOff, static_cast<uint16_t>(at));
    put_be32(item + at, *req->service_id);
    at += kIdSize;
  }
  put_be16(item + kItemLen, static_cast<uint16_t>(item_len));
  put_be32(item + kItemFlags, req->flags);
  const uint32_t query_len = NAM_HEADER_SIZE + item_len;
  put_be32(q, query_len);
  put_be32(s->send, query_len);
  const uint32_t padded = round4(query_len);
  memset(q + query_len, 0, padded - query_len);
  s->send[kIdSize + padded] = kQueryTrailer;
  memset(s->send + kIdSize + padded + 1, 0, kIdSize - 1);
  s->send_len = kIdSize + padded + kIdSize;
  return 0;
}

// Reads the answer of a query reply into the request; 0 found, -306 not
// registered, -308 any other result or a reply that does not hold it.
int32_t read_answer(nam_sess* s) {
  const uint8_t* m = s->recv + kMsgHeader;
  const uint32_t msg_len = get_be32(m);
  if (msg_len < NAM_HEADER_SIZE + NAM_ITEM_HEADER) return NAM_E_UNEXPECTED;
  const uint8_t* item = m + NAM_HEADER_SIZE;
  const uint32_t item_len = get_be16(item + kItemLen);
  if (item_len < NAM_ITEM_HEADER || NAM_HEADER_SIZE + item_len > msg_len) return NAM_E_UNEXPECTED;
  const int32_t result = static_cast<int32_t>(get_be32(item + kItemResult));
  nam_req* req = s->req;
  if (result == NAM_NOT_REGISTERED_REPLY) {
    req->result = NAM_E_NOT_REGISTERED;
    return NAM_E_NOT_REGISTERED;
  }
  if (result != 0) return NAM_E_UNEXPECTED;
  const uint32_t rec_off = get_be16(item + kItemRecordOff);
  if (rec_off == 0 || rec_off + NAM_RECORD_SIZE > item_len) return NAM_E_UNEXPECTED;
  if (req->service_id != nullptr) *req->service_id = get_be32(m + kServiceIdField);
  memcpy(req->record, item + rec_off, NAM_RECORD_SIZE);
  req->record->family = get_be16(item + rec_off + offsetof(nam_record, family));
  const uint32_t info_off = get_be16(item + kItemInfoOff);
  if (req->info != nullptr) {
    memset(req->info, 0, NAM_INFO_SIZE);
    if (info_off != 0) {
      if (info_off >= item_len) return NAM_E_UNEXPECTED;
      memcpy(req->info, item + info_off, std::min(NAM_INFO_SIZE, item_len - info_off));
    }
  }
  req->result = 0;
  return 0;
}

int32_t check_registration(nam_sess* s, nam_cntl* c, uint32_t* got_version) {
  int32_t rc = nam_msg_parse(s->recv, s->recv_len, NAM_MAGIC_REG, c->version, s->seq, got_version);
  if (rc != 0) return rc;
  if (s->recv_len < kRecordOffset + NAM_RECORD_SIZE) return -1;
  if (memcmp(s->recv + kOwnOffset, &c->own, NAM_RECORD_SIZE) != 0) return -3;
  memcpy(&c->name_server, s->recv + kRecordOffset, NAM_RECORD_SIZE);
  c->name_server.family = get_be16(s->recv + kRecordOffset + offsetof(nam_record, family));
  return 0;
}

void post_query(nam_sess* s, nam_cntl* c, const nam_record& to) {
  s->retry = 0;
  if (build_query(s, c) != 0) {
    finish(s, NAM_E_UNEXPECTED, NAM_ST_OPEN);
    return;
  }
  sockaddr_in a = addr_of_record(to);
  nam_post_event(s, NAM_STEP_SEND_MSG, &a);
  s->state = NAM_ST_QUERY_SENT;
  s->result = 0;
}

void lookup(nam_sess* s, nam_cntl* c, bool indirect) {
  if (nam_cache_find(c, s->req) == 0) {
    finish(s, 0, NAM_ST_OPEN);
    return;
  }
  const nam_record& to = indirect && c->direct_server.addr != 0 ? c->direct_server : c->name_server;
  if (to.addr == 0) {
    s->retry = kRetries;
    finish(s, NAM_E_NOT_UP, NAM_ST_OPEN);
    return;
  }
  post_query(s, c, to);
}

void version_error(uint32_t own, uint32_t got) {
  clt_errlog_msg(kMsgVersion, "NAME SERVICE", static_cast<unsigned long>(own), static_cast<unsigned long>(got));
}

void post_registration(nam_sess* s, nam_cntl* c, int32_t state) {
  if (build_registration(s, c) != 0) {
    close_socket(s);
    finish(s, NAM_E_UNEXPECTED, NAM_ST_CLOSED);
    return;
  }
  nam_post_event(s, NAM_STEP_SEND_DGRAM, &c->reg_target);
  s->state = state;
  s->result = 0;
}

int32_t act(int32_t action, nam_sess* s) {
  nam_cntl* c = cntl_of();
  if (c == nullptr && action != 0 && action != 1 && action != 2 && action != 8) return NAM_E_UNEXPECTED;
  uint32_t got_version = 0;
  switch (action) {
    case 0: {
      s->sock = -1;
      if (c == nullptr) {
        const int32_t rc = nam_cache_open();
        c = cntl_of();
        if (rc != 0 || c == nullptr) {
          finish(s, rc != 0 ? rc : NAM_E_UNEXPECTED, NAM_ST_CLOSED);
          return 0;
        }
      }
      if (c->name_server.addr != 0) {
        finish(s, 0, NAM_ST_OPEN);
        return 0;
      }
      sockaddr_in own{};
      own.sin_family = AF_INET;
      const int32_t sock = com_open(COM_OPEN_BIND, &own);
      if (sock < 0) {
        const int32_t rc = sock == COM_E_SOCKETS ? reason("RESOURCE", NAM_E_RESOURCE, __LINE__)
                           : sock == COM_E_NOBUFS ? reason("MEMORY", NAM_E_MEMORY, __LINE__)
                                                  : reason("UNEXPECT", NAM_E_UNEXPECTED, __LINE__);
        finish(s, rc, NAM_ST_CLOSED);
        nam_cache_close();
        return 0;
      }
      s->sock = sock;
      c->own = own;
      post_registration(s, c, NAM_ST_REG_SENT);
      if (s->step == NAM_STEP_FINISH) nam_cache_close();
      return 0;
    }
    case 1:
      s->result = NAM_E_STATE;
      nam_post_event(s, NAM_STEP_FINISH, nullptr);
      return 0;
    case 2:
      finish(s, NAM_E_UNEXPECTED, NAM_ST_CLOSED);
      drop(s);
      return 0;
    case 3:
    case 7:
    case 17:
    case 21: {
      const bool resend = action == 3 || action == 17;
      const bool open_state = action >= 17;
      if (s->retry < kRetries) {
        ++s->retry;
        if (resend) {
          post_registration(s, c, open_state ? NAM_ST_REREG_SENT : NAM_ST_REG_SENT);
        } else {
          nam_post_event(s, NAM_STEP_RECV_DGRAM, nullptr);
          s->state = open_state ? NAM_ST_REREG_WAIT : NAM_ST_REG_WAIT;
          s->result = 0;
        }
        return 0;
      }
      close_socket(s);
      finish(s, NAM_E_NOT_UP, open_state ? NAM_ST_OPEN : NAM_ST_CLOSED);
      if (!open_state) drop(s);
      return 0;
    }
    case 4:
      close_socket(s);
      finish(s, s->result, NAM_ST_CLOSED);
      drop(s);
      return 0;
    case 5:
    case 19:
      nam_post_event(s, NAM_STEP_RECV_DGRAM, nullptr);
      s->state = action == 5 ? NAM_ST_REG_WAIT : NAM_ST_REREG_WAIT;
      s->result = 0;
      return 0;
    case 6:
    case 20: {
      const int32_t rc = check_registration(s, c, &got_version);
      if (rc == -3) return act(action == 6 ? 7 : 21, s);
      if (rc != 0) {
        if (rc == -2) version_error(c->version, got_version);
        if (action == 20) {
          close_socket(s);
          finish(s, NAM_E_UNEXPECTED, NAM_ST_OPEN);
          return 0;
        }
        return act(2, s);
      }
      close_socket(s);
      if (action == 20 && s->req != nullptr) {
        post_query(s, c, c->name_server);
        return 0;
      }
      finish(s, 0, NAM_ST_OPEN);
      return 0;
    }
    case 8:
      finish(s, 0, NAM_ST_CLOSED);
      drop(s);
      return 0;
    case 9:
    case 22:
      if (s->req == nullptr) return act(10, s);
      lookup(s, c, action == 22);
      return 0;
    case 10:
      finish(s, NAM_E_UNEXPECTED, NAM_ST_OPEN);
      return 0;
    case 11:
      if (s->req == nullptr || nam_cache_delete(c, s->req) != 0) return act(10, s);
      finish(s, 0, NAM_ST_OPEN);
      return 0;
    case 12:
      s->retry = kRetries;
      finish(s, NAM_E_NOT_UP, NAM_ST_OPEN);
      return 0;
    case 13:
      finish(s, s->result, NAM_ST_OPEN);
      return 0;
    case 14:
      nam_post_event(s, NAM_STEP_RECV_MSG, nullptr);
      s->state = NAM_ST_QUERY_WAIT;
      s->result = 0;
      return 0;
    case 15: {
      const int32_t rc = nam_msg_parse(s->recv, s->recv_len, NAM_MAGIC_QUERY, c->version, s->seq, &got_version);
      if (rc == -3) return act(16, s);
      if (rc != 0) {
        if (rc == -2) version_error(c->version, got_version);
        return act(10, s);
      }
      const int32_t answer = read_answer(s);
      if (answer == NAM_E_NOT_REGISTERED) {
        finish(s, NAM_E_NOT_REGISTERED, NAM_ST_OPEN);
        return 0;
      }
      if (answer != 0) return act(10, s);
      nam_cache_add(c, s->req);
      finish(s, 0, NAM_ST_OPEN);
      return 0;
    }
    case 16:
      if (s->retry < kRetries) {
        ++s->retry;
        nam_post_event(s, NAM_STEP_RECV_MSG, nullptr);
        s->state = NAM_ST_QUERY_WAIT;
        s->result = 0;
        return 0;
      }
      finish(s, NAM_E_NOT_UP, NAM_ST_OPEN);
      return 0;
    case 18:
      close_socket(s);
      finish(s, s->result, NAM_ST_OPEN);
      return 0;
    default:
      return NAM_E_UNEXPECTED;
  }
}

// Checks made by the handler after a receive step: length and magic only.
int32_t received_check(nam_sess* s) {
  const bool dgram = s->event == NAM_EV_REG_REPLY;
  const uint32_t at = dgram ? 0 : kMsgHeader;
  if (s->recv_len < at + NAM_HEADER_SIZE) return NAM_E_UNEXPECTED;
  const uint8_t* m = s->recv + at;
  const uint32_t magic = get_be32(m + 4);
  if (magic != (dgram ? NAM_MAGIC_REG : NAM_MAGIC_QUERY)) {
    s->event = NAM_EV_WRONG_MAGIC;
    return 0;
  }
  if (get_be32(m) > s->recv_len - at) return NAM_E_UNEXPECTED;
  return 0;
}

// A session for one library call, its state taken from the control block.
void session_start(nam_sess* s, nam_req* req) {
  memset(s, 0, sizeof *s);
  s->send_size = NAM_SEND_SIZE;
  s->recv_size = NAM_RECV_SIZE;
  s->req = req;
  s->sock = -1;
  nam_cntl* c = cntl_of();
  clt_rpc_ctx ctx = clt_rpc_cur();
  const int32_t connect_wait = ctx.env != nullptr ? ctx.env->connectwaittime : 0;
  s->wait = connect_wait == 0 ? kWaitDefault : connect_wait;
  if (c != nullptr) {
    s->state = c->state;
    s->sock = c->sock;
    s->seq = c->seq;
  }
}

void session_end(nam_sess* s) {
  nam_cntl* c = cntl_of();
  if (c == nullptr) return;
  c->state = s->state;
  c->sock = s->sock;
  c->seq = s->seq;
}

int32_t run(int32_t event, nam_req* req) {
  nam_sess s;
  session_start(&s, req);
  s.event = event;
  int32_t rc = nam_handle(&s);
  session_end(&s);
  return rc != 0 ? rc : s.result;
}

}  // namespace

int32_t nam_msg_build(uint8_t* buf, uint32_t size, uint32_t magic, uint32_t version, uint32_t seq) {
  if ((magic != NAM_MAGIC_REG && magic != NAM_MAGIC_QUERY && magic != NAM_MAGIC_U) || version == 0 ||
      size < NAM_HEADER_SIZE || buf == nullptr) {
    return NAM_E_ARG;
  }
  memset(buf, 0, NAM_HEADER_SIZE);
  put_be32(buf, NAM_HEADER_SIZE);
  put_be32(buf + 4, magic);
  put_be32(buf + 8, version);
  put_be32(buf + kQueryMark, magic == NAM_MAGIC_QUERY ? 1 : 0);
  put_be32(buf + kSeqField, seq);
  return 0;
}

int32_t nam_msg_parse(const uint8_t* buf, uint32_t len, uint32_t magic, uint32_t version, uint32_t seq,
                      uint32_t* got_version) {
  const uint32_t at = magic == NAM_MAGIC_REG ? 0 : kMsgHeader;
  if (len < at + NAM_HEADER_SIZE) return -1;
  const uint8_t* m = buf + at;
  if (len - at < get_be32(m)) return -1;
  const uint32_t v = get_be32(m + 8);
  if (v != version) {
    if (got_version != nullptr) *got_version = v;
    return -2;
  }
  if (get_be32(m + kSeqField) != seq) return -3;
  if (get_be32(m + 4) != magic) return -7;
  return 0;
}

void nam_post_event(nam_sess* sess, int32_t step, const void* data) {
  sess->step = step;
  if (data != nullptr) memcpy(&sess->step_addr, data, sizeof sess->step_addr);
}

int32_t nam_act1_dispatch(int32_t state, int32_t event, nam_sess* sess) {
  if (state < 0 || state >= NAM_STATES || event < 0 || event >= NAM_EVENTS) return NAM_E_UNEXPECTED;
  return act(kActions[state][event], sess);
}

int32_t nam_run_event(nam_sess* s) {
  clt_rpc_ctx ctx = clt_rpc_cur();
  switch (s->step) {
    case NAM_STEP_SEND_DGRAM: {
      const int32_t rc = com_sendto(s->sock, &s->step_addr, s->send, s->send_len);
      if (rc >= 0) {
        s->event = NAM_EV_SENT;
        return 0;
      }
      s->event = NAM_EV_FAILURE;
      s->result = rc == COM_E_NETWORK  ? reason("NETWORK", NAM_E_NETWORK, __LINE__)
                  : rc == COM_E_SOCKETS ? reason("RESOURCE", NAM_E_RESOURCE, __LINE__)
                  : rc == COM_E_NOBUFS  ? reason("MEMORY", NAM_E_MEMORY, __LINE__)
                                        : reason("UNEXPECT", NAM_E_UNEXPECTED, __LINE__);
      return 0;
    }
    case NAM_STEP_RECV_DGRAM: {
      const com_wait w{s->wait, 0};
      sockaddr_in from{};
      const int32_t rc = com_rcvfrom(s->sock, &from, s->recv, s->recv_size, &w);
      if (rc >= 0) {
        s->recv_len = static_cast<uint32_t>(rc);
        s->event = NAM_EV_REG_REPLY;
        return 0;
      }
      s->event = NAM_EV_FAILURE;
      switch (rc) {
        case COM_E_CANCELLED:
          clt_errlog_msg(kMsgCanceled);
          s->result = NAM_E_CANCELLED;
          break;
        case COM_E_NETWORK: s->result = reason("NETWORK", NAM_E_NETWORK, __LINE__); break;
        case COM_E_TIMEOUT:
          s->event = NAM_EV_NO_ANSWER;
          s->result = reason("TIME OUT", NAM_E_NOT_UP, __LINE__);
          break;
        case COM_E_SOCKETS: s->result = reason("RESOURCE", NAM_E_RESOURCE, __LINE__); break;
        case COM_E_NOBUFS: s->result = reason("MEMORY", NAM_E_MEMORY, __LINE__); break;
        default: s->result = reason("UNEXPECT", NAM_E_UNEXPECTED, __LINE__); break;
      }
      return 0;
    }
    case NAM_STEP_SEND_MSG: {
      com_piece piece{s->send, s->send_len};
      const int32_t rc = pd_clt_send(&s->step_addr, PD_SVC_NAME, &piece, 1, nullptr, 0, PD_SEND_ONLY);
      s->event = NAM_EV_FAILURE;
      switch (rc) {
        case 0: s->event = NAM_EV_SENT; break;
        case PD_E_REFUSED:
          s->event = NAM_EV_NO_ANSWER;
          s->result = reason("TIME OUT", NAM_E_NOT_UP, __LINE__);
          break;
        case PD_E_CANCELLED:
          clt_errlog_msg(kMsgCanceled);
          s->result = NAM_E_CANCELLED;
          break;
        case PD_E_NETWORK: s->result = reason("NETWORK", NAM_E_NETWORK, __LINE__); break;
        case PD_E_MEMORY: s->result = reason("MEMORY", NAM_E_MEMORY, __LINE__); break;
        default: s->result = reason("UNEXPECT", NAM_E_UNEXPECTED, __LINE__); break;
      }
      return 0;
    }
    case NAM_STEP_RECV_MSG: {
      com_piece piece{s->recv, s->recv_size};
      sockaddr_in from{};
      const int32_t rc = pd_clt_recv(&from, &piece, 1, s->wait, 0);
      s->recv_len = piece.len;
      const bool ours = piece.len >= 4 && get_be32(s->recv) == PD_SVC_NAME;
      s->event = NAM_EV_FAILURE;
      if (rc == 0) {
        s->event = ours ? NAM_EV_QUERY_REPLY : NAM_EV_WRONG_MAGIC;
        return 0;
      }
      if (rc == PD_E_SERVER_ERROR && ours) {
        const int32_t code =
            piece.len >= kMsgHeader + 4 ? pd_clt_server_code(static_cast<int32_t>(get_be32(s->recv + kMsgHeader)))
                                        : PD_E_UNEXPECTED;
        if (code == -641) {
          s->result = reason("NETWORK", NAM_E_NETWORK, __LINE__);
        } else if (code == -640 || (code <= -642 && code >= -2413) || code == -2457) {
          s->result = reason("TIME OUT", NAM_E_NOT_UP, __LINE__);
        } else if (code == PD_E_BUSY) {
          if (ctx.conn != nullptr) ctx.conn->busy = 1;
          s->result = reason("NETWORK", NAM_E_NETWORK, __LINE__);
        } else if (code == -2417) {
          s->result = reason("MEMORY", NAM_E_MEMORY, __LINE__);
        } else if (code == -2472 || code == -2474 || code == -2475) {
          if (ctx.conn != nullptr) {
            ctx.conn->fes_lost = 1;
            if (ctx.conn->fes_lost_reason == 0) ctx.conn->fes_lost_reason = code == -2472 ? 1 : code == -2474 ? 3 : 4;
          }
          // The front end is lost: the lookup ends at once.
          s->event = NAM_EV_FAILURE;
          s->result = NAM_E_FES_LOST;
        } else {
          s->result = reason("UNEXPECT", NAM_E_UNEXPECTED, __LINE__);
        }
        return 0;
      }
      switch (rc) {
        case PD_E_TRUNCATED: s->event = NAM_EV_WRONG_MAGIC; s->result = NAM_E_NETWORK; break;
        case PD_E_TIMEOUT:
          s->event = NAM_EV_NO_ANSWER;
          s->result = NAM_E_NOT_UP;
          break;
        case PD_E_NETWORK: s->result = NAM_E_NETWORK; break;
        case PD_E_MEMORY: s->result = NAM_E_MEMORY; break;
        case PD_E_CANCELLED: s->result = NAM_E_CANCELLED; break;
        default: s->result = NAM_E_UNEXPECTED; break;
      }
      return 0;
    }
    default:
      return NAM_E_UNEXPECTED;
  }
}

int32_t nam_handle(nam_sess* s) {
  for (;;) {
    if (s->step == NAM_STEP_RECV_DGRAM || s->step == NAM_STEP_RECV_MSG) {
      if ((s->event == NAM_EV_REG_REPLY || s->event == NAM_EV_QUERY_REPLY) && received_check(s) != 0) {
        return NAM_E_UNEXPECTED;
      }
    }
    s->step = NAM_STEP_NONE;
    if (nam_act1_dispatch(s->state, s->event, s) != 0) return NAM_E_UNEXPECTED;
    if (s->step == NAM_STEP_FINISH) return 0;
    if (s->step == NAM_STEP_NONE || nam_run_event(s) != 0) return NAM_E_UNEXPECTED;
  }
}

int32_t nam_cache_open(void) {
  clt_rpc_ctx ctx = clt_rpc_cur();
  if (ctx.call == nullptr) return NAM_E_UNEXPECTED;
  const int32_t count = ctx.env != nullptr && ctx.env->cache > 0 ? ctx.env->cache : 0;
  const uint32_t size = kEntriesOffset + sizeof(nam_cache_entry) * static_cast<uint32_t>(count);
  auto* c = static_cast<nam_cntl*>(cltmem_alloc(size, 0, kModule, __LINE__));
  if (c == nullptr) {
    clt_errlog_msg(PD_LOG_MEMORY, static_cast<unsigned long>(size), kModule, __LINE__);
    return NAM_E_MEMORY;
  }
  memset(c, 0, size);
  memcpy(c->eyecatcher, kEye, sizeof kEye);
  c->version = NAM_VERSION;
  c->size = size;
  c->sock = -1;
  c->reply_wait = ctx.env != nullptr && ctx.env->cwaittime != 0 ? ctx.env->cwaittime : -1;
  c->count = count;
  c->first_entry = count > 0 ? kEntriesOffset : 0;
  ctx.call->nam = c;
  if (nam_setup_hosts(c, 1) != 0) {
    nam_cache_close();
    return NAM_E_UNEXPECTED;
  }
  for (int32_t i = 0; i < count; ++i) {
    auto* e = reinterpret_cast<nam_cache_entry*>(base(c) + kEntriesOffset + sizeof(nam_cache_entry) * i);
    push_back(c, &c->free_head, &c->free_tail, e);
  }
  return 0;
}

void nam_cache_close(void) {
  clt_rpc_ctx ctx = clt_rpc_cur();
  if (ctx.call == nullptr || ctx.call->nam == nullptr) return;
  cltmem_free(ctx.call->nam, kModule, __LINE__);
  ctx.call->nam = nullptr;
}

int32_t nam_cache_find(nam_cntl* c, nam_req* req) {
  nam_cache_entry* e = find_entry(c, req);
  if (e == nullptr) return kNotFound;
  unlink(c, &c->used_head, &c->used_tail, e);
  push_front(c, &c->used_head, &c->used_tail, e);
  if (req->service_id != nullptr) *req->service_id = e->service_id;
  *req->record = e->record;
  if (req->info != nullptr) memcpy(req->info, e->info, NAM_INFO_SIZE);
  req->result = 0;
  return 0;
}

int32_t nam_cache_add(nam_cntl* c, const nam_req* req) {
  nam_cache_entry* e = entry_at(c, c->free_head);
  if (e != nullptr) {
    unlink(c, &c->free_head, &c->free_tail, e);
  } else {
    e = entry_at(c, c->used_tail);
    if (e == nullptr) return kNotFound;  // a cache of no entries keeps nothing
    unlink(c, &c->used_head, &c->used_tail, e);
  }
  e->service_id = req->service_id != nullptr ? *req->service_id : 0;
  memset(e->service, 0, sizeof e->service);
  memset(e->group, 0, sizeof e->group);
  strncpy(e->service, req->service, NAM_NAME_SIZE - 1);
  if (req->group != nullptr) strncpy(e->group, req->group, NAM_NAME_SIZE - 1);
  e->record = *req->record;
  if (req->info != nullptr) memcpy(e->info, req->info, NAM_INFO_SIZE); else memset(e->info, 0, NAM_INFO_SIZE);
  e->flags = req->flags;
  e->generation = c->name_port;
  push_front(c, &c->used_head, &c->used_tail, e);
  return 0;
}

int32_t nam_cache_delete(nam_cntl* c, const nam_req* req) {
  // Dropping an answer that is not cached leaves nothing to do.
  nam_cache_entry* e = find_entry(c, req);
  if (e == nullptr) return 0;
  unlink(c, &c->used_head, &c->used_tail, e);
  push_back(c, &c->free_head, &c->free_tail, e);
  return 0;
}

int32_t nam_setup_hosts(nam_cntl* c, int32_t mode) {
  clt_rpc_ctx ctx = clt_rpc_cur();
  const uint16_t name_port = ctx.env != nullptr ? ctx.env->name_port : 0;
  if (c->name_port != name_port || mode == 1) {
    c->name_port = name_port;
    c->direct_server = nam_record{};
    c->direct_server.port = htons(name_port);
    c->host_port = ctx.env != nullptr ? ctx.env->fes_port : 0;
  }
  const bool fes = ctx.env != nullptr && ctx.env->fes_host[0] != '\0';
  const char* host = ctx.env == nullptr ? "" : fes ? ctx.env->fes_host : ctx.env->host;
  const uint16_t port = fes ? c->host_port : name_port;
  if (host[0] != '\0') {
    uint32_t addr = 0;
    if (com_hostaddr(host, &addr) != 0) {
      clt_errlog_msg(PD_LOG_ENV, "PDHOST", "NET ENVIRONMENT");
      return NAM_E_UNEXPECTED;
    }
    c->name_server = nam_record{};
    c->name_server.addr = addr;
    c->name_server.family = AF_INET;
    c->name_server.port = htons(port);
    if (!fes) {
      c->direct_server = c->name_server;
      c->direct_server.port = htons(name_port);
    }
    c->reg_target = addr_of_record(c->name_server);
    return 0;
  }
  c->reg_target = sockaddr_in{};
  c->reg_target.sin_family = AF_INET;
  c->reg_target.sin_port = htons(port);
  uint32_t broadcast = 0;
  if (com_broadcast_addr(&broadcast) != 0) return NAM_E_UNEXPECTED;
  c->reg_target.sin_addr.s_addr = broadcast;
  return 0;
}

int32_t nam_open(int32_t flags) {
  mdl(kEvOpen, kPhaseEntry, 0);
  if (flags != 0) {
    mdl(kEvOpen, kPhaseExit, NAM_E_ARG);
    return NAM_E_ARG;
  }
  const int32_t rc = run(NAM_EV_OPEN, nullptr);
  mdl(kEvOpen, kPhaseExit, rc);
  return rc;
}

int32_t nam_close(int32_t flags) {
  mdl(kEvClose, kPhaseEntry, 0);
  int32_t rc = NAM_E_ARG;
  if (flags == 0) rc = cntl_of() == nullptr ? NAM_E_MEMORY : run(NAM_EV_CLOSE, nullptr);
  mdl(kEvClose, kPhaseExit, rc);
  return rc;
}

int32_t nam_lookup(const char* service, const char* group, nam_address* addr, uint8_t* info, int32_t flags) {
  mdl(kEvLookup, kPhaseEntry, 0);
  if ((flags & ~1) != 0 || service == nullptr || addr == nullptr) {
    mdl(kEvLookup, kPhaseExit, NAM_E_ARG);
    return NAM_E_ARG;
  }
  nam_record record{};
  uint32_t id = 0;
  nam_req req{service, group, &id, &record, info, 0, 0};
  int32_t rc = 0;
  if ((flags & 1) != 0) rc = run(NAM_EV_DROP, &req);
  if (rc == 0) rc = run(NAM_EV_LOOKUP, &req);
  if (rc == 0) *addr = nam_address{record.family, record.port, record.addr};
  mdl(kEvLookup, kPhaseExit, rc);
  return rc;
}

int32_t nam_indirect_lookup(const char* name, const char* group, const char* service, void* reserved,
                            nam_address* addr, uint8_t* info, void* reserved2) {
  (void)reserved;
  mdl(kEvIndirect, kPhaseEntry, 0);
  if (name == nullptr || service == nullptr || addr == nullptr || reserved2 != nullptr) {
    mdl(kEvIndirect, kPhaseExit, NAM_E_ARG);
    return NAM_E_ARG;
  }
  clt_rpc_ctx ctx = clt_rpc_cur();
  if (ctx.conn != nullptr) ctx.conn->state = (ctx.conn->state | kLookupBitsStart) & ~static_cast<uint32_t>(kLookupBitsEnd);
  nam_record record{};
  uint32_t id = 0;
  nam_req req{name, group, &id, &record, info, 0, 0};
  const int32_t rc = run(NAM_EV_INDIRECT, &req);
  if (rc == 0) *addr = nam_address{record.family, record.port, record.addr};
  if (ctx.conn != nullptr) ctx.conn->state |= kLookupBitsEnd;
  mdl(kEvIndirect, kPhaseExit, rc);
  return rc;
}
