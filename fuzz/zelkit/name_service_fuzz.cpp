// The name service's replies: the registration datagram and the answer to
// a lookup. A name server on loopback answers the registration with the
// fuzzer's datagram (the server record it names is always this loopback
// server, so no lookup leaves the machine); the lookup's answer is the
// rest of the input, sent in an RPC reply message to the client's receive
// port. Control bits register or start from a known name server, and echo
// the client's identity and sequence numbers the way a server does.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdint.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>
#include <vector>

#include "CLTNAMSV.h"
#include "CLTTACT.h"
#include "zk_bytes.h"
#include "zk_fuzz.h"

namespace {

enum : uint8_t { kRegister = 0x01, kEchoIdentity = 0x02, kEchoSeq = 0x04 };

constexpr uint32_t kSeqAt = 36;             // sequence word of a name-service header
constexpr uint32_t kOwnAt = 40;             // the client's record in a registration
constexpr uint32_t kServerAt = 56;          // the name server's record in its reply
constexpr uint32_t kFrameFlags = 0xC0;      // a whole message, closed after it
constexpr uint32_t kMsgForm = 0x10100;      // normal header form
constexpr uint32_t kOrderWord = 0x102;
constexpr int kAnswerWaitMs = 1000;
constexpr char kService[] = "sds01";

struct name_server {
  int udp = -1;
  int tcp = -1;
  sockaddr_in udp_addr{};
  sockaddr_in tcp_addr{};
};

int bound(int type, sockaddr_in* out) {
  const int fd = socket(AF_INET, type, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      (type == SOCK_STREAM && listen(fd, SOMAXCONN) != 0) ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
    abort();
  }
  *out = a;
  return fd;
}

const name_server& server() {
  static const name_server s = [] {
    name_server n;
    n.udp = bound(SOCK_DGRAM, &n.udp_addr);
    n.tcp = bound(SOCK_STREAM, &n.tcp_addr);
    return n;
  }();
  return s;
}

// The record of this loopback server, as a registration reply carries it.
void put_server_record(uint8_t* rec) {
  const uint32_t addr = htonl(INADDR_LOOPBACK);
  memcpy(rec, &addr, sizeof addr);
  put_be16(rec + offsetof(nam_record, family), AF_INET);
  memcpy(rec + offsetof(nam_record, port), &server().tcp_addr.sin_port, sizeof(uint16_t));
}

void answer_registration(std::vector<uint8_t> reply, bool echo) {
  const name_server& s = server();
  pollfd ready{s.udp, POLLIN, 0};
  if (poll(&ready, 1, kAnswerWaitMs) <= 0) return;
  uint8_t in[NAM_RECV_SIZE];
  sockaddr_in from{};
  socklen_t len = sizeof from;
  const ssize_t n = recvfrom(s.udp, in, sizeof in, 0, reinterpret_cast<sockaddr*>(&from), &len);
  if (n < static_cast<ssize_t>(NAM_REG_SIZE)) return;
  if (echo && reply.size() >= kOwnAt) memcpy(reply.data() + kSeqAt, in + kSeqAt, sizeof(uint32_t));
  if (echo && reply.size() >= kServerAt) memcpy(reply.data() + kOwnAt, in + kOwnAt, NAM_RECORD_SIZE);
  if (reply.size() >= kServerAt + NAM_RECORD_SIZE) put_server_record(reply.data() + kServerAt);
  sendto(s.udp, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&from), len);
}

// Queries that reached the server's port are read by nobody: drop them.
void drop_queries() {
  for (;;) {
    pollfd ready{server().tcp, POLLIN, 0};
    if (poll(&ready, 1, 0) <= 0) return;
    const int fd = accept(server().tcp, nullptr, nullptr);
    if (fd < 0) return;
    close(fd);
  }
}

// An RPC reply message of the name service around `answer`, in one frame.
std::vector<uint8_t> answer_frame(const std::vector<uint8_t>& answer) {
  std::vector<uint8_t> msg(PD_MSG_HEADER_SIZE, 0);
  put_be32(msg.data(), PD_SVC_NAME);
  put_be32(msg.data() + 28, static_cast<uint32_t>(answer.size()));
  put_be32(msg.data() + 32, PD_MSG_HEADER_SIZE);
  put_be32(msg.data() + 36, kMsgForm);
  put_be32(msg.data() + 40, kOrderWord);
  msg.insert(msg.end(), answer.begin(), answer.end());
  std::vector<uint8_t> frame(CLT_FRAME_HEADER_SIZE, 0);
  frame[2] = kFrameFlags;
  put_be32(frame.data() + 4, static_cast<uint32_t>(msg.size()));
  frame.insert(frame.end(), msg.begin(), msg.end());
  return frame;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zkfuzz::input in(data, size);
  const uint8_t flags = in.byte();
  const std::vector<uint8_t> registration = in.take(in.u16());
  std::vector<uint8_t> answer = in.rest();

  zkfuzz::running_call run;
  run.env.pdcache = 2;
  if (pd_clt_sess_open(0) != 0) return 0;
  if (nam_cache_open() == 0) {
    nam_cntl* c = run.rpc.nam;
    if ((flags & kRegister) != 0) {
      c->name_server = nam_record{};
      c->reg_target = server().udp_addr;
    } else {
      put_server_record(reinterpret_cast<uint8_t*>(&c->name_server));
      c->name_server.family = AF_INET;
    }
    std::thread registrar;
    if ((flags & kRegister) != 0) registrar = std::thread(answer_registration, registration, (flags & kEchoIdentity) != 0);
    const int32_t opened = nam_open(0);
    if (registrar.joinable()) registrar.join();
    if (opened == 0 && run.rpc.nam != nullptr) {
      if ((flags & kEchoSeq) != 0 && answer.size() >= kSeqAt + sizeof(uint32_t)) {
        put_be32(answer.data() + kSeqAt, run.rpc.nam->seq + 1);
      }
      sockaddr_in me{};
      clt_tact_getaddr(&me, 0);
      zkfuzz::peer_sends(me, answer_frame(answer));
      nam_address found{};
      uint8_t info[NAM_INFO_SIZE];
      nam_lookup(kService, nullptr, &found, info, 0);
    }
    if (run.rpc.nam != nullptr) nam_close(0);
    if (run.rpc.nam != nullptr) nam_cache_close();
  }
  drop_queries();
  pd_clt_sess_close(0);
  return 0;
}
