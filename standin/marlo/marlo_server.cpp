#include "marlo_server.h"

#include "marlo_replies.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>

#include "marlo_reply.h"

namespace marlo {

namespace {

constexpr uint32_t kFrameHeader = 12;
constexpr uint32_t kFrameMax = 4096;
constexpr uint8_t kFlagBase = 0x80;
constexpr uint8_t kFlagClose = 0x40;
constexpr uint8_t kKindClosing = 1;
constexpr uint8_t kKindReqcode = 0x80;
constexpr uint8_t kKindCorrupt = 0x05;
constexpr uint32_t kMsgHeader = 96;
constexpr uint32_t kShortHeader = 40;
constexpr uint32_t kReplyArea = 256;
constexpr uint32_t kShortReplyArea = 64;
constexpr uint32_t kFormNormal = 0x10100;
constexpr uint32_t kFormShort = 0x40300;
constexpr uint32_t kSvcSql = 0x80520;
constexpr uint32_t kSvcKept = 0x3003C;
constexpr uint32_t kSvcReply = 0x30036;
constexpr uint32_t kSvcName = 0x60003;
constexpr uint32_t kSvcNotice = 0x22006E;
constexpr uint32_t kSvcStateAsk = 0x220015;
constexpr uint32_t kSvcFes = 0x220008;
constexpr uint32_t kFesAnswerSize = 200;
constexpr uint32_t kFesHost = 96;
constexpr uint32_t kFesGroup = 161;
constexpr uint32_t kFesPort = 194;
constexpr uint32_t kFesStatus = 196;
constexpr uint32_t kFesGroupMax = 31;
constexpr uint32_t kKindError = 8;
constexpr uint32_t kOrderWord = 0x102;
constexpr uint8_t kLittleEndianBit = 1;
constexpr uint8_t kSegLast = 0x80;
constexpr uint32_t kRoute = 52;
constexpr uint32_t kCallHeader = 256;
constexpr uint32_t kCompact = 96;
constexpr uint32_t kReplyHeader64 = 64;
constexpr int32_t kBusyCode = -356;
// The shared-memory offer in the call header and the answer in the reply header.
constexpr uint16_t kFamilyShm = 8;
constexpr uint32_t kCallAddrPort = 66;
constexpr uint32_t kCallExtSend = 80;
constexpr uint32_t kCallExtRecv = 84;
constexpr uint32_t kShmAnswerAt = 64;
constexpr uint32_t kShmNumberAt = 66;
constexpr int kIoTimeoutMs = 5000;
constexpr int kPollMs = 50;
constexpr char kMark[] = "Marlo70";
// The script's body of the connection-state service's answer.
constexpr char kStateService[] = "_pdrdm";
constexpr char kConnectFunction[] = "p_f_sqa_cconnect";

// Name service.
constexpr uint32_t kNamHeader = 40;
constexpr uint32_t kMagicReg = 0x4e414d42;
constexpr uint32_t kNamRecord = 16;
constexpr uint32_t kItemHeader = 24;
constexpr uint32_t kInfo = 32;
constexpr uint32_t kInfoPort = 20;
constexpr int32_t kNotRegistered = -632;
constexpr uint32_t kServiceId = 0x5344;

// Function names by frame request code, for the request-code form.
struct reqcode_name {
  uint8_t code;
  const char* function;
};
constexpr reqcode_name kReqcodes[] = {
    {0x80, "p_f_sqa_cfetch"},     {0x83, "p_f_sqa_cclose"},       {0x87, "p_f_sqa_ccommit"},
    {0x89, "p_f_sqa_cconnect"},   {0x90, "p_f_sqa_cdisconnect"},  {0x91, "p_f_sqa_crollback"},
    {0x86, "p_f_sqa_csetup"},     {0x8A, "p_f_sqa_copen"},        {0xA1, "p_f_sqa_csetopt"},
    {0xA2, "p_f_sqa_csvrinf"},    {0x88, "p_f_sqa_cprepare"},     {0x8E, "p_f_sqa_cdescribe"},
    {0x81, "p_f_sqa_cauxi2"},     {0x82, "p_f_sqa_copen2"},       {0x84, "p_f_sqa_caux"},
    {0x85, "p_f_sqa_cauxi"},      {0x8B, "p_f_sqa_copenr"},       {0x8C, "p_f_sqa_ccall"},
    {0x8D, "p_f_sqa_cauxo"},      {0x8F, "p_f_sqa_chvar"},        {0x92, "p_f_sqa_cgetd"},
    {0x94, "p_f_sqa_ctran_discon"}, {0xA3, "p_f_sqa_cdesc_type"}, {0xA6, "p_f_sqa_cresult_desc"},
    {0xA8, "p_f_sqa_cresult_clos"}, {0xAC, "p_f_sqa_crenv"},      {0xAE, "p_f_sqa_cauxi3"},
    {0xB1, "p_f_sqa_calcr"},      {0xB2, "p_f_sqa_cdset"},
    {0x9E, "p_f_sqa_ccnct_rdnode"}, {0x9F, "p_f_sqa_cdisc_rdnode"}, {0xA0, "p_f_sqa_cset_connect"},
    {0xA4, "p_f_sqa_cset_session"}, {0xA9, "p_f_sqa_cjar_install"}, {0xAA, "p_f_sqa_cjar_replace"},
    {0xAB, "p_f_sqa_cjar_uninst"},  {0xAF, "p_f_sqa_cexecute_utl"}, {0xB6, "p_f_sqa_cccmd"},
    {0xB0, "p_f_sqa_cerrorlog"},
    {0xB7, "p_f_sqa_clib_install"}, {0xB8, "p_f_sqa_clib_replace"}, {0xB9, "p_f_sqa_clib_uninst"},
};

void put_be32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}
void put_le32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}
void put_be16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v);
}
uint32_t get_be32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 |
         p[3];
}
uint32_t get_le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[3]) << 24 | static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 |
         p[0];
}
uint16_t get_be16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
uint16_t get_le16(const uint8_t* p) { return static_cast<uint16_t>(p[1] << 8 | p[0]); }

sockaddr_in loopback(uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return a;
}

uint16_t port_of(int fd) {
  sockaddr_in a{};
  socklen_t len = sizeof a;
  getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  return ntohs(a.sin_port);
}

int open_socket(int type, uint16_t port) {
  int fd = socket(AF_INET, type, 0);
  if (fd < 0) return -1;
  int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in a = loopback(port);
  if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || (type == SOCK_STREAM && listen(fd, 16) != 0)) {
    close(fd);
    return -1;
  }
  return fd;
}

// Bounded waits, and frames go out at once rather than behind Nagle's wait.
void set_timeouts(int fd) {
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  timeval tv{kIoTimeoutMs / 1000, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

bool write_all(int fd, const uint8_t* p, size_t n) {
  while (n > 0) {
    ssize_t k = send(fd, p, n, MSG_NOSIGNAL);
    if (k <= 0) return false;
    p += k;
    n -= static_cast<size_t>(k);
  }
  return true;
}

bool read_all(int fd, uint8_t* p, size_t n) {
  while (n > 0) {
    ssize_t k = recv(fd, p, n, 0);
    if (k <= 0) return false;
    p += k;
    n -= static_cast<size_t>(k);
  }
  return true;
}

struct frame {
  uint8_t header[kFrameHeader];
  std::vector<uint8_t> body;
  // The client's receive port as its socket address holds it (network order).
  uint16_t session_port() const {
    uint16_t p;
    memcpy(&p, header, sizeof p);
    return p;
  }
  uint8_t kind() const { return header[3]; }
  uint32_t capacity() const { return get_be32(header + 8); }
};

bool read_frame(int fd, frame* f) {
  if (!read_all(fd, f->header, kFrameHeader)) return false;
  const uint32_t len = get_be32(f->header + 4);
  if (len > (1u << 24)) return false;
  f->body.assign(len, 0);
  return len == 0 || read_all(fd, f->body.data(), len);
}

bool write_frame(int fd, uint8_t kind, bool close_after, const uint8_t* body, uint32_t len, uint32_t capacity = 0) {
  uint8_t h[kFrameHeader] = {};
  h[2] = close_after ? (kFlagBase | kFlagClose) : kFlagBase;
  h[3] = kind;
  put_be32(h + 4, len);
  put_be32(h + 8, capacity);
  return write_all(fd, h, sizeof h) && (len == 0 || write_all(fd, body, len));
}

// A message of the RPC session: its header and its data, reassembled.
struct message {
  uint32_t header_len = 0;
  std::vector<uint8_t> bytes;  // header, then data
  uint16_t session_port = 0;
  uint32_t frames = 0;
};

bool read_message(int fd, const frame& first, message* m) {
  m->session_port = first.session_port();
  m->frames = 1;
  const std::vector<uint8_t>& b = first.body;
  if (b.size() < kShortHeader) return false;
  m->header_len = get_be32(b.data() + 36) == kFormShort ? kShortHeader : kMsgHeader;
  if (b.size() < m->header_len) return false;
  m->bytes = b;
  if (get_be32(b.data() + 20) == 0) return true;
  bool last = (b[20] & kSegLast) != 0;
  while (!last) {
    frame f;
    if (!read_frame(fd, &f) || f.body.size() < m->header_len) return false;
    ++m->frames;
    if (get_be32(f.body.data() + 24) != m->bytes.size() - m->header_len) return false;
    m->bytes.insert(m->bytes.end(), f.body.begin() + m->header_len, f.body.end());
    last = (f.body[20] & kSegLast) != 0;
  }
  return true;
}

// Sends a message in frames of at most 4096 bytes; the last frame closes
// unless the connection is kept.
bool send_message(int fd, std::vector<uint8_t> msg, uint32_t hlen, bool keep) {
  const uint32_t data = static_cast<uint32_t>(msg.size()) - hlen;
  put_be32(msg.data() + 28, data);
  if (msg.size() <= kFrameMax) {
    put_be32(msg.data() + 20, 0);
    return write_frame(fd, 0, !keep, msg.data(), static_cast<uint32_t>(msg.size()));
  }
  const uint32_t room = kFrameMax - hlen;
  for (uint32_t sent = 0; sent < data;) {
    const uint32_t chunk = std::min(room, data - sent);
    const bool last = sent + chunk == data;
    std::vector<uint8_t> seg(msg.begin(), msg.begin() + hlen);
    put_be32(seg.data() + 20, 1);
    if (last) seg[20] = kSegLast;
    put_be32(seg.data() + 24, sent);
    seg.insert(seg.end(), msg.begin() + hlen + sent, msg.begin() + hlen + sent + chunk);
    if (!write_frame(fd, 0, last && !keep, seg.data(), static_cast<uint32_t>(seg.size()))) return false;
    sent += chunk;
  }
  return true;
}

int connect_back(uint32_t addr, uint16_t port_net) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return -1;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = port_net;
  a.sin_addr.s_addr = addr;
  if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    close(fd);
    return -1;
  }
  set_timeouts(fd);
  return fd;
}

std::string text_at(const uint8_t* p, size_t max) {
  return std::string(reinterpret_cast<const char*>(p), strnlen(reinterpret_cast<const char*>(p), max));
}

}  // namespace

std::vector<uint8_t> reply_body(bool little_endian, int32_t sqlcode, const char* sqlstate, const std::string& message) {
  reply r;
  r.sqlcode = sqlcode;
  r.sqlstate = sqlstate;
  r.message = message;
  return encode_reply(r, byte_order{little_endian});
}

std::vector<uint8_t> connect_body(bool little_endian, const char* code_set, const char* version, uint32_t pid,
                                  uint32_t level_word, uint16_t national_space) {
  constexpr uint32_t kInfoSize = 40;
  constexpr uint32_t kSpaceAt = 20;
  const byte_order o{little_endian};
  std::vector<uint8_t> info(kInfoSize, 0);
  memcpy(info.data(), code_set, 2);
  memcpy(info.data() + 2, version, std::min<size_t>(strlen(version), 10));
  o.put32(info.data() + 12, pid);
  o.put32(info.data() + 24, level_word);
  info[kSpaceAt] = static_cast<uint8_t>(national_space >> 8);
  info[kSpaceAt + 1] = static_cast<uint8_t>(national_space);
  reply r;
  r.parts[kReplyExtension] = info;
  return encode_reply(r, o);
}

struct server::impl {
  script s;
  int stop_pipe[2] = {-1, -1};
  int name_tcp = -1;
  int name_udp = -1;
  int sql_tcp = -1;
  uint16_t sql_port = 0;
  std::vector<int> kept;
  mutable std::mutex lock;
  std::condition_variable released_cv;
  bool released = false;
  bool ending = false;
  // The statement service, when the script asks for it: the tables that
  // the connections share, and an engine for each kept connection.
  std::shared_ptr<table_set> database;
  engine_config sql_config;
  std::map<int, std::shared_ptr<engine>> engines;
  std::vector<request> seen;
  int registrations = 0;
  int faults_left = 0;
  int good_left = 0;
  size_t fes_asked = 0;
  std::unique_ptr<reconnect_state> reconnect;
  std::vector<std::unique_ptr<shm_channel>> channels;
  std::vector<std::unique_ptr<rd_session>> rd_sessions;
  std::shared_ptr<std::atomic<int>> rd_messages = std::make_shared<std::atomic<int>>(0);

  bool fes_fault() const {
    return s.how == fault::fes_busy || s.how == fault::fes_silent || s.how == fault::fes_error;
  }

  // Whether this front-end question misbehaves.
  bool fes_fault_now() { return fes_fault() && take_fault(); }

  // The 200-byte answer to the front-end question: host, group and port
  // of this server, and the script's next status.
  std::vector<uint8_t> fes_answer() {
    std::vector<uint8_t> a(kFesAnswerSize, 0);
    const char host[] = "127.0.0.1";
    memcpy(a.data() + kFesHost, host, sizeof host);
    memcpy(a.data() + kFesGroup, s.fes_group.data(), std::min<size_t>(s.fes_group.size(), kFesGroupMax));
    put_be16(a.data() + kFesPort, sql_port);
    int32_t status = 0;
    if (!s.fes_statuses.empty()) status = s.fes_statuses[std::min(fes_asked, s.fes_statuses.size() - 1)];
    ++fes_asked;
    put_be32(a.data() + kFesStatus, static_cast<uint32_t>(status));
    return a;
  }

  void fes_query(uint32_t peer, const message& m) {
    request r;
    r.form = "fes";
    r.msg_id = get_le32(m.bytes.data() + 16);
    r.data.assign(m.bytes.begin() + m.header_len, m.bytes.end());
    record(r);
    const bool faulty = fes_fault_now();
    if (faulty && s.how == fault::fes_silent) return;
    const int32_t error = !faulty ? 0 : s.how == fault::fes_busy ? kBusyCode : s.error_code;
    answer_back(peer, m, error, error != 0 ? std::vector<uint8_t>{} : fes_answer());
  }

  // A service's answer under the question's service code and message id,
  // or an error reply with the code given.
  void answer_back(uint32_t peer, const message& m, int32_t error, const std::vector<uint8_t>& answer) {
    std::vector<uint8_t> msg(kMsgHeader, 0);
    memcpy(msg.data(), m.bytes.data(), 4);
    put_be32(msg.data() + 4, error != 0 ? kKindError : 0);
    memcpy(msg.data() + 16, m.bytes.data() + 16, 4);
    put_be32(msg.data() + 32, kMsgHeader);
    put_be32(msg.data() + 36, kFormNormal);
    put_be32(msg.data() + 40, kOrderWord);
    if (error != 0) {
      msg.resize(kMsgHeader + 4, 0);
      byte_order{s.little_endian}.put32(msg.data() + kMsgHeader, static_cast<uint32_t>(error));
    } else {
      msg.insert(msg.end(), answer.begin(), answer.end());
    }
    int fd = connect_back(peer, m.session_port);
    if (fd < 0) return;
    send_message(fd, msg, kMsgHeader, false);
    close(fd);
  }

  void record(const request& r) {
    std::lock_guard<std::mutex> g(lock);
    seen.push_back(r);
  }

  // Whether this SQL request misbehaves.
  bool fault_now() {
    if (s.how == fault::none || s.how == fault::refuse || fes_fault()) return false;
    return take_fault();
  }

  // The script's count of good answers first, then of faults.
  bool take_fault() {
    if (good_left > 0) {
      --good_left;
      return false;
    }
    if (s.fault_count < 0) return true;
    if (faults_left <= 0) return false;
    --faults_left;
    return true;
  }

  // A connection's own engine; null without the statement service.
  std::shared_ptr<engine> new_engine() const {
    return database != nullptr ? std::make_shared<engine>(database, sql_config) : nullptr;
  }
  std::shared_ptr<engine> engine_of(int fd) {
    std::lock_guard<std::mutex> g(lock);
    auto it = engines.find(fd);
    return it != engines.end() ? it->second : nullptr;
  }
  void end_connection(int fd) {
    {
      std::lock_guard<std::mutex> g(lock);
      engines.erase(fd);
    }
    close(fd);
  }

  std::vector<uint8_t> body_for(const std::string& function, const std::vector<uint8_t>& data = {},
                                engine* sql = nullptr) {
    if (s.responder) {
      std::vector<uint8_t> answer = s.responder(function, data);
      if (!answer.empty()) return answer;
    }
    auto it = s.bodies.find(function);
    if (it != s.bodies.end() && function == kConnectFunction) return reconnect->connect_body(it->second, s.little_endian);
    if (it != s.bodies.end()) return it->second;
    std::vector<uint8_t> body;
    {
      std::lock_guard<std::mutex> g(lock);
      if (sql != nullptr && sql->answer(function, data, &body)) {
        if (s.reply_edit) s.reply_edit(function, &body);
        return body;
      }
    }
    if (!s.default_body.empty()) return s.default_body;
    return reply_body(s.little_endian, 0, "00000", "");
  }

  // A request of the held function waits here until release() or the end.
  void hold_if_asked(const std::string& function) {
    if (s.hold.empty() || function != s.hold) return;
    std::unique_lock<std::mutex> g(lock);
    released_cv.wait(g, [this] { return released || ending; });
  }

  void registration() {
    uint8_t in[512];
    sockaddr_in from{};
    socklen_t len = sizeof from;
    ssize_t n = recvfrom(name_udp, in, sizeof in, 0, reinterpret_cast<sockaddr*>(&from), &len);
    if (n < static_cast<ssize_t>(kNamHeader + kNamRecord) || get_be32(in + 4) != kMagicReg) return;
    {
      std::lock_guard<std::mutex> g(lock);
      ++registrations;
    }
    uint8_t out[kNamHeader + 2 * kNamRecord] = {};
    memcpy(out, in, kNamHeader);
    put_be32(out, sizeof out);
    memcpy(out + kNamHeader, in + kNamHeader, kNamRecord);
    uint8_t* rec = out + kNamHeader + kNamRecord;
    const uint32_t addr = htonl(INADDR_LOOPBACK);
    memcpy(rec, &addr, 4);
    put_be16(rec + 4, AF_INET);
    const uint16_t port = htons(port_of(name_tcp));
    memcpy(rec + 6, &port, 2);
    sendto(name_udp, out, sizeof out, 0, reinterpret_cast<sockaddr*>(&from), len);
  }

  // A name query: answer over a connection back to the client.
  void name_query(uint32_t peer, const message& m) {
    const std::vector<uint8_t>& b = m.bytes;
    const uint32_t at = m.header_len + 4;
    if (b.size() < at + kNamHeader + kItemHeader) return;
    const uint8_t* q = b.data() + at;
    const uint8_t* item = q + kNamHeader;
    const uint32_t name_off = get_be16(item + 2);
    if (name_off >= b.size() - at - kNamHeader) return;
    request r;
    r.form = "name";
    r.function = text_at(item + name_off, std::min<size_t>(32, b.size() - at - kNamHeader - name_off));
    r.msg_id = get_le32(b.data() + 16);
    record(r);
    const bool known = std::find(s.services.begin(), s.services.end(), r.function) != s.services.end();
    std::vector<uint8_t> msg(kMsgHeader, 0);
    put_be32(msg.data(), kSvcName);
    memcpy(msg.data() + 16, b.data() + 16, 4);
    put_be32(msg.data() + 32, kMsgHeader);
    put_be32(msg.data() + 36, kFormNormal);
    put_be32(msg.data() + 40, kOrderWord);
    if (s.little_endian) msg[41] |= kLittleEndianBit;
    const uint32_t item_len = kItemHeader + kNamRecord + kInfo;
    std::vector<uint8_t> nam(kNamHeader + item_len, 0);
    memcpy(nam.data(), q, kNamHeader);
    put_be32(nam.data(), static_cast<uint32_t>(nam.size()));
    put_be32(nam.data() + 12, kServiceId);
    uint8_t* it = nam.data() + kNamHeader;
    put_be16(it, static_cast<uint16_t>(item_len));
    put_be16(it + 12, static_cast<uint16_t>(kItemHeader));
    put_be16(it + 14, static_cast<uint16_t>(kItemHeader + kNamRecord));
    put_be32(it + 20, static_cast<uint32_t>(known ? 0 : kNotRegistered));
    uint8_t* rec = it + kItemHeader;
    const uint32_t addr = htonl(INADDR_LOOPBACK);
    memcpy(rec, &addr, 4);
    put_be16(rec + 4, AF_INET);
    const uint16_t port = htons(sql_port);
    memcpy(rec + 6, &port, 2);
    memcpy(rec + kNamRecord + kInfoPort, &port, 2);
    if (!s.name_answer.empty()) {
      uint8_t own[kNamRecord];
      memcpy(own, rec, kNamRecord);
      nam = s.name_answer;
      const uint32_t rec_at = nam.size() >= kNamHeader + kItemHeader ? kNamHeader + get_be16(nam.data() + kNamHeader + 12) : 0;
      if (rec_at > kNamHeader && rec_at + kNamRecord <= nam.size()) memcpy(nam.data() + rec_at, own, kNamRecord);
    }
    msg.insert(msg.end(), nam.begin(), nam.end());
    int fd = connect_back(peer, m.session_port);
    if (fd < 0) return;
    send_message(fd, msg, kMsgHeader, false);
    close(fd);
  }

  // A question to the connection-state service: the scripted answer
  // under the request's service code and message id, or a busy reply.
  void state_query(uint32_t peer, const message& m) {
    request r;
    r.form = "state";
    r.msg_id = get_le32(m.bytes.data() + 16);
    r.data.assign(m.bytes.begin() + m.header_len, m.bytes.end());
    record(r);
    const bool faulty = fault_now();
    if (faulty && s.how == fault::silent) return;
    const bool busy = faulty && s.how == fault::busy;
    answer_back(peer, m, busy ? kBusyCode : 0, busy ? std::vector<uint8_t>{} : body_for(kStateService));
  }

  // The reply of an RPC call: normal or short form, with its header area.
  std::vector<uint8_t> rpc_reply(const uint8_t* msg_id, uint32_t seq, bool short_form, const std::vector<uint8_t>& body,
                                 bool error, int32_t code) {
    const byte_order o{s.little_endian};
    const uint32_t area = short_form ? kShortReplyArea : kReplyArea;
    std::vector<uint8_t> msg(area, 0);
    uint8_t* h = msg.data();
    put_be32(h, kSvcReply);
    put_be32(h + 4, error ? kKindError : 0);
    memcpy(h + 16, msg_id, 4);
    if (short_form) {
      put_be32(h + 8, kOrderWord);
      if (s.little_endian) h[9] |= kLittleEndianBit;
      put_be32(h + 12, 1);
      put_be32(h + 32, kShortHeader);
      put_be32(h + 36, kFormShort);
      put_le32(h + 40, seq);
      put_be32(h + 44, s.status);
      put_be32(h + 48, s.value);
      put_be32(h + 52, s.retry_wait);
      if (error) o.put32(h + 40, static_cast<uint32_t>(code));
    } else {
      put_be32(h + 32, kMsgHeader);
      put_be32(h + 36, kFormNormal);
      put_be32(h + 40, kOrderWord);
      if (s.little_endian) h[41] |= kLittleEndianBit;
      put_be32(h + 48, reconnect->connection_number(s.connection_number));
      put_le32(h + 96, seq);
      put_be32(h + 100, s.status);
      put_be32(h + 216, s.value);
      put_be32(h + 232, s.retry_wait);
      memcpy(h + 236, kMark, strlen(kMark));
      if (error) o.put32(h + 96, static_cast<uint32_t>(code));
    }
    if (!error) msg.insert(msg.end(), body.begin(), body.end());
    return msg;
  }

  // Sends a reply, or misbehaves as the script says; false when the
  // connection is no longer usable.
  void pause() const { std::this_thread::sleep_for(std::chrono::milliseconds(s.drip_ms)); }
  // The server is being stopped: a fault that goes on and on ends.
  bool stopping() const {
    pollfd p{stop_pipe[0], POLLIN, 0};
    return poll(&p, 1, 0) > 0;
  }

  // One frame, a byte at a time, until it is out or the client has gone.
  void drip(int fd, uint8_t kind, const uint8_t* body, uint32_t len) {
    std::vector<uint8_t> wire(kFrameHeader, 0);
    wire[2] = kFlagBase;
    wire[3] = kind;
    put_be32(wire.data() + 4, len);
    wire.insert(wire.end(), body, body + len);
    for (uint8_t b : wire) {
      if (stopping() || !write_all(fd, &b, 1)) return;
      pause();
    }
  }

  bool answer(int fd, std::vector<uint8_t> msg, uint32_t hlen, bool keep, bool faulty) {
    if (faulty) {
      switch (s.how) {
        case fault::close_early:
          write_all(fd, msg.data(), std::min<size_t>(msg.size(), kFrameHeader / 2));
          return false;
        case fault::short_reply: {
          uint8_t h[kFrameHeader] = {kFlagBase, 0, kFlagBase, 0};
          put_be32(h + 4, static_cast<uint32_t>(std::min<size_t>(msg.size(), kFrameMax)));
          write_all(fd, h, sizeof h);
          write_all(fd, msg.data(), std::min<size_t>(msg.size(), kFrameMax) / 2);
          return false;
        }
        case fault::corrupt_reply:
          write_frame(fd, kKindCorrupt, true, msg.data(), static_cast<uint32_t>(std::min<size_t>(msg.size(), kFrameMax)));
          return false;
        case fault::drip: {
          const uint32_t len = static_cast<uint32_t>(std::min<size_t>(msg.size(), kFrameMax));
          put_be32(msg.data() + 20, 0);
          put_be32(msg.data() + 28, len - hlen);
          drip(fd, 0, msg.data(), len);
          return false;
        }
        case fault::empty_segments: {
          // Segment words: more to come, at data offset 0, of a total that never arrives.
          std::vector<uint8_t> seg(msg.begin(), msg.begin() + hlen);
          put_be32(seg.data() + 20, 1);
          put_be32(seg.data() + 24, 0);
          put_be32(seg.data() + 28, static_cast<uint32_t>(msg.size() - hlen));
          while (!stopping() && write_frame(fd, 0, false, seg.data(), hlen)) pause();
          return false;
        }
        default:
          break;
      }
    }
    return send_message(fd, std::move(msg), hlen, keep);
  }

  // The first request of a call, in the normal form.
  void sql_call(uint32_t peer, const message& m) {
    const std::vector<uint8_t>& b = m.bytes;
    if (b.size() < kMsgHeader + kRoute + kCallHeader) return;
    const uint8_t* route = b.data() + kMsgHeader;
    const uint8_t* call = route + kRoute;
    request r;
    r.form = "rpc";
    r.function = text_at(call + 8, 32);
    r.capacity = get_be32(call + 44);
    r.flags = get_be32(call + 52);
    r.seq = get_le32(call + 56);
    r.msg_id = get_le32(b.data() + 16);
    memcpy(&r.route_port, route + 32, 2);
    r.route_kind = get_le16(route + 34);
    r.route_found = route[38];
    r.family = get_le16(call + 60 + 4);
    r.segments = m.frames;
    r.data.assign(b.begin() + kMsgHeader + kRoute + kCallHeader, b.end());
    r.message = b;
    record(r);
    const reconnect_action act = reconnect->on_request(r.function == kConnectFunction);
    if (act == reconnect_action::drop) return;
    const bool faulty = fault_now();
    if (faulty && s.how == fault::silent) return;
    int fd = connect_back(peer, m.session_port);
    if (fd < 0) return;
    const bool keep = (r.flags & 4) != 0;
    const bool refused = act == reconnect_action::refuse || act == reconnect_action::maintenance;
    const bool error = refused || (faulty && (s.how == fault::busy || s.how == fault::error_reply));
    const int32_t code = refused ? reconnect->error_code(act) : s.how == fault::busy ? kBusyCode : s.error_code;
    hold_if_asked(r.function);
    // A call that opens a connection starts its engine.
    const std::shared_ptr<engine> sql = new_engine();
    const std::vector<uint8_t> body = error ? std::vector<uint8_t>{} : body_for(r.function, r.data, sql.get());
    if (faulty && s.how == fault::wrong_seq) send_message(fd, rpc_reply(b.data() + 16, r.seq + 1, false, body, false, 0), kMsgHeader, true);
    std::vector<uint8_t> reply = rpc_reply(b.data() + 16, r.seq, false, body, error, code);
    if (!error && r.family == kFamilyShm && r.function == kConnectFunction) take_offer(call, fd, sql, &reply);
    const bool usable = answer(fd, std::move(reply), kMsgHeader, keep && !error, faulty);
    if (usable && keep && !error) {
      kept.push_back(fd);
      std::lock_guard<std::mutex> g(lock);
      engines[fd] = sql;
    } else {
      close(fd);
    }
  }

  // A message of the shared-memory channel: recorded, and a request
  // answered as over the socket.
  std::vector<uint8_t> serve_shm(uint32_t kind, uint32_t reqcode, const std::vector<uint8_t>& message, engine* sql) {
    request r;
    r.form = kind == kShmKindRequest ? "shm" : kind == kShmKindDisconnect ? "shm_disconnect" : "shm_notice";
    r.reqcode = static_cast<uint8_t>(reqcode);
    r.message = message;
    r.data.assign(message.begin() + kShmPacket, message.end());
    if (kind != kShmKindRequest) {
      record(r);
      return {};
    }
    for (const reqcode_name& n : kReqcodes) {
      if (n.code == (reqcode | kKindReqcode)) r.function = n.function;
    }
    record(r);
    hold_if_asked(r.function);
    return body_for(r.function, r.data, sql);
  }

  // The channel a CONNECT offers: the client's objects are named by the
  // port of its address record, the server's by the port of the
  // connection it answers on. The answer goes into the reply header.
  void take_offer(const uint8_t* call, int fd, const std::shared_ptr<engine>& sql, std::vector<uint8_t>* reply) {
    uint16_t client_port;
    memcpy(&client_port, call + kCallAddrPort, sizeof client_port);
    const int32_t number = port_of(fd);
    uint16_t family = kFamilyShm;
    if (s.shm.how == shm_fault::decline) {
      family = 0;
    } else if (s.shm.how != shm_fault::no_section) {
      auto serve = [this, sql](uint32_t kind, uint32_t code, const std::vector<uint8_t>& message) {
        return serve_shm(kind, code, message, sql.get());
      };
      auto go_away = [fd] { shutdown(fd, SHUT_RDWR); };
      auto channel = shm_channel::start(ntohs(client_port), get_be32(call + kCallExtSend), number,
                                        get_be32(call + kCallExtRecv), s.shm, serve, go_away);
      if (channel == nullptr) {
        family = 0;
      } else {
        channels.push_back(std::move(channel));
      }
    }
    put_be16(reply->data() + kShmAnswerAt, family);
    const uint16_t stored = static_cast<uint16_t>(number);
    memcpy(reply->data() + kShmNumberAt, &stored, sizeof stored);
  }

  // One message over a kept connection; false when it ends.
  bool kept_message(int fd) {
    frame f;
    if (!read_frame(fd, &f)) return false;
    if (f.kind() == kKindClosing) {
      request r;
      r.form = "closing";
      record(r);
      return false;
    }
    if ((f.kind() & kKindReqcode) != 0) {
      request r;
      r.form = "frame";
      r.reqcode = f.kind();
      r.capacity = f.capacity();
      r.data = f.body;
      r.segments = 1;
      for (const reqcode_name& n : kReqcodes) {
        if (n.code == f.kind()) r.function = n.function;
      }
      record(r);
      if (reconnect->on_request(false) == reconnect_action::drop) {
        const std::vector<uint8_t> lost = reconnect->lost_body(s.little_endian);
        write_frame(fd, f.kind(), false, lost.data(), static_cast<uint32_t>(lost.size()));
        return false;
      }
      const bool faulty = fault_now();
      if (faulty && s.how == fault::silent) return true;
      hold_if_asked(r.function);
      std::vector<uint8_t> body = body_for(r.function, r.data, engine_of(fd).get());
      if (faulty && (s.how == fault::close_early || s.how == fault::short_reply || s.how == fault::corrupt_reply)) {
        return answer(fd, body, 0, true, true);
      }
      if (faulty && s.how == fault::drip) {
        drip(fd, f.kind(), body.data(), static_cast<uint32_t>(body.size()));
        return false;
      }
      if (faulty && s.how == fault::huge_reply) {
        uint8_t h[kFrameHeader] = {kFlagBase, 0, kFlagBase, f.kind()};
        put_be32(h + 4, s.huge_length);
        write_all(fd, h, sizeof h);
        write_all(fd, body.data(), body.size());
        return false;
      }
      if (s.frame_reply_header) {
        std::vector<uint8_t> with(kReplyHeader64, 0);
        put_be32(with.data() + 4, faulty && s.how == fault::error_reply ? kKindError : 0);
        byte_order{s.little_endian}.put32(with.data() + 40, static_cast<uint32_t>(s.error_code));
        put_be32(with.data() + 44, s.frame_return_code);
        put_be32(with.data() + 52, s.retry_wait);
        with.insert(with.end(), body.begin(), body.end());
        return write_frame(fd, 0, false, with.data(), static_cast<uint32_t>(with.size()));
      }
      return write_frame(fd, f.kind(), false, body.data(), static_cast<uint32_t>(body.size()));
    }
    message m;
    if (!read_message(fd, f, &m) || m.header_len != kShortHeader || m.bytes.size() < kCompact) return false;
    const std::vector<uint8_t>& b = m.bytes;
    request r;
    r.form = "compact";
    r.function = text_at(b.data() + 40, 32);
    r.capacity = get_be32(b.data() + 72);
    r.flags = get_be32(b.data() + 80);
    r.seq = get_le32(b.data() + 84);
    r.msg_id = get_le32(b.data() + 16);
    r.segments = m.frames;
    r.data.assign(b.begin() + kCompact, b.end());
    r.message = b;
    record(r);
    if (get_be32(b.data()) != kSvcKept) return false;
    if (reconnect->on_request(false) == reconnect_action::drop) {
      std::vector<uint8_t> msg = rpc_reply(b.data() + 16, r.seq, true, {}, false, 0);
      const std::vector<uint8_t> lost = reconnect->lost_body(s.little_endian);
      msg.resize(kShortReplyArea);
      msg.insert(msg.end(), lost.begin(), lost.end());
      answer(fd, msg, kShortHeader, true, false);
      return false;
    }
    const bool faulty = fault_now();
    if (faulty && s.how == fault::silent) return true;
    const bool error = faulty && (s.how == fault::busy || s.how == fault::error_reply);
    const int32_t code = s.how == fault::busy ? kBusyCode : s.error_code;
    hold_if_asked(r.function);
    const std::vector<uint8_t> body =
        error ? std::vector<uint8_t>{} : body_for(r.function, r.data, engine_of(fd).get());
    return answer(fd, rpc_reply(b.data() + 16, r.seq, true, body, error, code), kShortHeader, true, faulty);
  }

  void one_shot(int listener) {
    sockaddr_in from{};
    socklen_t len = sizeof from;
    int fd = accept(listener, reinterpret_cast<sockaddr*>(&from), &len);
    if (fd < 0) return;
    set_timeouts(fd);
    frame f;
    message m;
    if (read_frame(fd, &f) && read_message(fd, f, &m)) {
      // The client closes its side after sending.
      close(fd);
      fd = -1;
      const uint32_t svc = get_be32(m.bytes.data());
      if (svc == kSvcName) {
        name_query(from.sin_addr.s_addr, m);
      } else if (svc == kSvcStateAsk) {
        state_query(from.sin_addr.s_addr, m);
      } else if (svc == kSvcFes) {
        fes_query(from.sin_addr.s_addr, m);
      } else if (svc == kSvcNotice) {
        request r;
        r.form = "notice";
        r.data.assign(m.bytes.begin() + m.header_len, m.bytes.end());
        record(r);
      } else if (svc == kSvcSql && m.header_len == kMsgHeader) {
        sql_call(from.sin_addr.s_addr, m);
      }
    }
    if (fd >= 0) close(fd);
  }

  // A client of the second protocol on the name port: its conversation
  // runs on a thread of its own.
  void rd_accept() {
    const int fd = accept(name_tcp, nullptr, nullptr);
    if (fd < 0) return;
    // Each conversation has its own engine, as each kept connection has.
    auto serve = [this, sql = new_engine()](const std::string& function, const std::vector<uint8_t>& packet) {
      return body_for(function, packet, sql.get());
    };
    auto note = [this](const std::string& function, const std::vector<uint8_t>& packet, const std::vector<uint8_t>& message) {
      request r;
      r.form = "rd";
      r.function = function;
      r.data = packet;
      r.message = message;
      record(r);
    };
    rd_sessions.push_back(std::make_unique<rd_session>(fd, s.rd, serve, note, rd_messages));
  }

  void run() {
    for (;;) {
      std::vector<pollfd> fds;
      fds.push_back({stop_pipe[0], POLLIN, 0});
      fds.push_back({name_tcp, POLLIN, 0});
      fds.push_back({name_udp, POLLIN, 0});
      if (sql_tcp >= 0) fds.push_back({sql_tcp, POLLIN, 0});
      const size_t first_kept = fds.size();
      for (int k : kept) fds.push_back({k, POLLIN, 0});
      if (poll(fds.data(), fds.size(), kPollMs) < 0) continue;
      if (fds[0].revents != 0) return;
      if (fds[1].revents != 0 && s.rd.on) rd_accept();
      if (fds[1].revents != 0 && !s.rd.on) one_shot(name_tcp);
      if (fds[2].revents != 0) registration();
      if (sql_tcp >= 0 && fds[3].revents != 0) one_shot(sql_tcp);
      // Calls answered above may have added kept connections after the polled ones.
      const size_t polled = fds.size() - first_kept;
      std::vector<int> still(kept.begin() + static_cast<long>(polled), kept.end());
      for (size_t i = first_kept; i < fds.size(); ++i) {
        if (fds[i].revents == 0 || kept_message(fds[i].fd)) {
          still.push_back(fds[i].fd);
        } else {
          end_connection(fds[i].fd);
        }
      }
      kept = still;
    }
  }
};

server::server(script s) : impl_(std::make_unique<impl>()) {
  impl& m = *impl_;
  m.s = std::move(s);
  m.reconnect = std::make_unique<reconnect_state>(m.s.reconnect);
  m.faults_left = m.s.fault_count;
  m.good_left = m.s.fault_after;
  if (m.s.sql_service) {
    engine_config config;
    config.little_endian = m.s.little_endian;
    config.level = m.s.level;
    config.code_set = m.s.code_set;
    config.standard_sqlstate = m.s.standard_sqlstate;
    config.statuses = m.s.statuses;
    config.fetch = m.s.fetch;
    config.statement_kinds = m.s.statement_kinds;
    config.transaction_statements = m.s.transaction_statements;
    config.block = m.s.block;
    config.trace = m.s.trace;
    config.info = m.s.info;
    if (m.s.rd.on) config.version = m.s.rd.version;
    m.database = std::make_shared<table_set>(m.s.tables);
    m.sql_config = config;
  }
  if (pipe(m.stop_pipe) != 0) return;
  m.name_tcp = open_socket(SOCK_STREAM, 0);
  if (m.name_tcp < 0) return;
  name_port_ = port_of(m.name_tcp);
  m.name_udp = open_socket(SOCK_DGRAM, name_port_);
  if (m.name_udp < 0) return;
  m.sql_tcp = open_socket(SOCK_STREAM, 0);
  if (m.sql_tcp < 0) return;
  sql_port_ = port_of(m.sql_tcp);
  m.sql_port = sql_port_;
  if (m.s.how == fault::refuse) {
    // The name server keeps answering with the port, where nothing listens now.
    close(m.sql_tcp);
    m.sql_tcp = -1;
  }
  thread_ = std::thread([&m] { m.run(); });
  ok_ = true;
}

server::~server() {
  impl& m = *impl_;
  {
    std::lock_guard<std::mutex> g(m.lock);
    m.ending = true;
  }
  m.released_cv.notify_all();
  if (m.stop_pipe[1] >= 0) {
    const uint8_t one = 1;
    if (write(m.stop_pipe[1], &one, 1) < 0) {
      // The thread also ends when the pipe closes below.
    }
  }
  if (thread_.joinable()) thread_.join();
  m.channels.clear();
  m.rd_sessions.clear();
  for (int fd : {m.stop_pipe[0], m.stop_pipe[1], m.name_tcp, m.name_udp, m.sql_tcp}) {
    if (fd >= 0) close(fd);
  }
  for (int fd : m.kept) close(fd);
}

std::vector<request> server::requests() const {
  std::lock_guard<std::mutex> g(impl_->lock);
  return impl_->seen;
}

int server::registrations() const {
  std::lock_guard<std::mutex> g(impl_->lock);
  return impl_->registrations;
}

}  // namespace marlo

namespace marlo {

std::string server::declare(table t) {
  std::lock_guard<std::mutex> g(impl_->lock);
  if (impl_->database == nullptr) return "the server runs no statement service";
  return impl_->database->declare(std::move(t));
}

table_set server::tables() const {
  std::lock_guard<std::mutex> g(impl_->lock);
  return impl_->database != nullptr ? *impl_->database : table_set{};
}

size_t server::open_cursors() const {
  std::lock_guard<std::mutex> g(impl_->lock);
  size_t n = 0;
  for (const auto& [fd, sql] : impl_->engines) n += sql != nullptr ? sql->cursors().size() : 0;
  return n;
}

void server::release() {
  {
    std::lock_guard<std::mutex> g(impl_->lock);
    impl_->released = true;
  }
  impl_->released_cv.notify_all();
}

}  // namespace marlo
