#include "marlo_rd.h"

#include <poll.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

namespace marlo {

namespace {

constexpr uint16_t kKindConnect = 0x157D;
constexpr uint16_t kKindDisconnect = 0x157E;
constexpr uint16_t kKindStatement = 0x157F;
constexpr uint16_t kKindDisconnectEnd = 0x03E9;
constexpr uint16_t kKindCommit = 0x03EC;
constexpr uint16_t kKindRollback = 0x03ED;
constexpr uint16_t kReplyNormal = 2001;
constexpr uint16_t kReplyRemote = 2002;
constexpr uint32_t kPrefix = 20;
constexpr uint32_t kBlock1Size = 28;
constexpr uint32_t kBlock2Size = 40;
constexpr uint32_t kServerSize = 16;
constexpr uint32_t kBlock3Size = 48;
constexpr uint32_t kErrorBlock = 8;
constexpr uint32_t kMessageMax = 1u << 24;
constexpr uint32_t kHugeLength = 0x7FFFFFF0;
constexpr uint16_t kOffsetNone = 0xFFFF;
constexpr uint32_t kBlock2ToHrh = 60;
constexpr uint32_t kHrhToRequest = 32;
constexpr uint32_t kPacketTotal = 8;
constexpr uint32_t kPacketCode = 56;
constexpr size_t kCodeSize = 4;
constexpr int kPollMs = 50;

void be32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}
void be16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v);
}
uint32_t get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 | p[3];
}
uint16_t get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

struct code_function {
  const char* code;
  const char* function;
};
constexpr code_function kFunctions[] = {
    {"FETC", "p_f_sqa_cfetch"},   {"AUI2", "p_f_sqa_cauxi2"},    {"SET ", "p_f_sqa_csetup"},
    {"OPEN", "p_f_sqa_copen"},    {"OPN2", "p_f_sqa_copen2"},    {"CLOS", "p_f_sqa_cclose"},
    {"AUX ", "p_f_sqa_caux"},     {"AUXI", "p_f_sqa_cauxi"},     {"DESC", "p_f_sqa_cdescribe"},
    {"CPRP", "p_f_sqa_cprepare"}, {"SOPT", "p_f_sqa_csetopt"},   {"SINF", "p_f_sqa_csvrinf"},
    {"OPNR", "p_f_sqa_copenr"},   {"AUXO", "p_f_sqa_cauxo"},     {"HVAR", "p_f_sqa_chvar"},
    {"CALL", "p_f_sqa_ccall"},    {"GETD", "p_f_sqa_cgetd"},     {"DEST", "p_f_sqa_cdesc_type"},
    {"AUI3", "p_f_sqa_cauxi3"},   {"ALCR", "p_f_sqa_calcr"},     {"DSET", "p_f_sqa_cdset"},
};

bool read_all(int fd, uint8_t* p, size_t n, const std::atomic<bool>& stop) {
  while (n > 0) {
    pollfd w{fd, POLLIN, 0};
    const int ready = poll(&w, 1, kPollMs);
    if (stop) return false;
    if (ready <= 0) continue;
    const ssize_t k = recv(fd, p, n, 0);
    if (k <= 0) return false;
    p += k;
    n -= static_cast<size_t>(k);
  }
  return true;
}

bool write_all(int fd, const std::vector<uint8_t>& m) {
  size_t done = 0;
  while (done < m.size()) {
    const ssize_t k = send(fd, m.data() + done, m.size() - done, MSG_NOSIGNAL);
    if (k <= 0) return false;
    done += static_cast<size_t>(k);
  }
  return true;
}

std::vector<uint8_t> prefix(uint16_t kind) {
  std::vector<uint8_t> m(kPrefix, 0);
  be16(m.data() + 4, kind);
  be16(m.data() + 8, static_cast<uint16_t>(kPrefix));
  be32(m.data() + 12, 0xFFFFFFFF);
  return m;
}

void finish(std::vector<uint8_t>* m) { be32(m->data(), static_cast<uint32_t>(m->size())); }

// The request packet a large message carries: from the "*HRH" block to
// the packet's own total length.
std::vector<uint8_t> packet_of(const std::vector<uint8_t>& m) {
  constexpr uint32_t kBlock2 = 48;
  if (m.size() < kBlock2 + kBlock2Size) return {};
  const uint32_t hrh = kBlock2 + get16(m.data() + kBlock2ToHrh);
  if (hrh + kHrhToRequest + 4 > m.size()) return {};
  const uint32_t at = hrh + get32(m.data() + hrh + kHrhToRequest);
  if (at + kPacketTotal + 4 > m.size()) return {};
  const uint32_t total = get32(m.data() + at + kPacketTotal);
  if (total > m.size() - at) return {};
  return std::vector<uint8_t>(m.begin() + at, m.begin() + at + total);
}

}  // namespace

std::string rd_function_of(const std::string& reqcode) {
  for (const code_function& f : kFunctions) {
    if (reqcode == f.code) return f.function;
  }
  return "";
}

rd_session::rd_session(int fd, const rd_options& options, rd_serve serve, rd_record record,
                       std::shared_ptr<std::atomic<int>> messages)
    : fd_(fd), options_(options), serve_(std::move(serve)), record_(std::move(record)), messages_(std::move(messages)) {
  thread_ = std::thread([this] { run(); });
}

rd_session::~rd_session() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
}

bool rd_session::take_fault() {
  const int n = (*messages_)++;
  if (options_.how == rd_fault::none || n < options_.fault_after) return false;
  return options_.fault_count < 0 || n < options_.fault_after + options_.fault_count;
}

void rd_session::run() {
  std::vector<uint8_t> greeting = prefix(kReplyNormal);
  finish(&greeting);
  const bool greeted = options_.how == rd_fault::mute || write_all(fd_, greeting);
  while (greeted && !stop_) {
    uint8_t head[4];
    if (!read_all(fd_, head, sizeof head, stop_)) break;
    const uint32_t length = get32(head);
    if (length < sizeof head || length > kMessageMax) break;
    std::vector<uint8_t> m(length);
    memcpy(m.data(), head, sizeof head);
    if (!read_all(fd_, m.data() + sizeof head, length - sizeof head, stop_)) break;
    if (!answer(m)) break;
  }
  // The client sees the end at once.
  shutdown(fd_, SHUT_RDWR);
  close(fd_);
  fd_ = -1;
}

bool rd_session::answer(const std::vector<uint8_t>& m) {
  if (m.size() < kPrefix) return false;
  const uint16_t kind = get16(m.data() + 4);
  std::string function;
  std::vector<uint8_t> packet;
  if (kind == kKindCommit || kind == kKindRollback) {
    function = kind == kKindCommit ? "p_f_sqa_ccommit" : "p_f_sqa_crollback";
  } else if (kind == kKindConnect || kind == kKindDisconnect || kind == kKindStatement) {
    packet = packet_of(m);
    if (kind == kKindConnect) {
      function = "p_f_sqa_cconnect";
    } else if (kind == kKindDisconnect) {
      function = "p_f_sqa_cdisconnect";
    } else if (packet.size() >= kPacketCode + kCodeSize) {
      function = rd_function_of(std::string(reinterpret_cast<const char*>(packet.data() + kPacketCode), kCodeSize));
    }
  } else if (kind != kKindDisconnectEnd) {
    return false;
  }
  record_(function, packet, m);
  const bool faulty = take_fault();
  if (options_.how == rd_fault::mute || (faulty && options_.how == rd_fault::silent)) return true;
  if (faulty && options_.how == rd_fault::hang_up) return false;
  if (faulty && options_.how == rd_fault::remote_error) {
    std::vector<uint8_t> r = prefix(kReplyRemote);
    be32(r.data() + 12, kPrefix);
    r.resize(kPrefix + kErrorBlock, 0);
    be16(r.data() + kPrefix + 6, static_cast<uint16_t>(kErrorBlock));
    r.insert(r.end(), options_.error_text.begin(), options_.error_text.end());
    r.push_back(0);
    finish(&r);
    return write_all(fd_, r);
  }
  // The statement service answers what carries a request; the 48-byte
  // messages get a bare reply, after the transaction ended.
  std::vector<uint8_t> body;
  if (!function.empty() || !packet.empty()) body = serve_(function, packet);
  std::vector<uint8_t> r = prefix(kReplyNormal);
  if (kind == kKindConnect || kind == kKindDisconnect || kind == kKindStatement) {
    const uint32_t server_size = options_.server_block ? kServerSize : 0;
    const uint32_t b1 = kPrefix;
    const uint32_t b2 = b1 + kBlock1Size;
    const uint32_t srv = b2 + kBlock2Size;
    const uint32_t b3 = srv + server_size;
    r.resize(b3 + kBlock3Size, 0);
    be16(r.data() + b1 + 4, static_cast<uint16_t>(b2 - b1));
    be16(r.data() + b2 + 12, static_cast<uint16_t>(b3 - b2));
    if (options_.server_block) {
      be16(r.data() + b2 + 16, static_cast<uint16_t>(srv - b2));
      be16(r.data() + srv + 2, options_.connection_number);
      be32(r.data() + srv + 4, options_.pid);
      memset(r.data() + srv + 8, ' ', 8);
      memcpy(r.data() + srv + 8, options_.server_name.data(), std::min<size_t>(options_.server_name.size(), 8));
    }
    r[b2 + 25] = kind == kKindStatement ? options_.implicit_commit : 0;
    be32(r.data() + b3 + 32, kBlock3Size);
    r[b3 + 40] = static_cast<uint8_t>(options_.server_flag);
    r[b3 + 41] = kind == kKindStatement ? options_.trn_byte : 0;
    r.insert(r.end(), body.begin(), body.end());
  }
  finish(&r);
  if (faulty && options_.how == rd_fault::oversize) be32(r.data(), kHugeLength);
  if (faulty && options_.how == rd_fault::offset_zero) be16(r.data() + 8, 0);
  if (faulty && options_.how == rd_fault::offset_ffff) be16(r.data() + 8, kOffsetNone);
  if (faulty && options_.how == rd_fault::edit && options_.edit) options_.edit(&r);
  return write_all(fd_, r);
}

}  // namespace marlo
