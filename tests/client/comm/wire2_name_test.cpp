// The name service: registration by datagram, lookups by RPC message and
// the cache of their answers, against the Marlo test server.
#include <arpa/inet.h>

#include <atomic>
#include <thread>

#include "wire2_support.h"

namespace {

class NameService : public wire2::rpc_test {
 protected:
  // A control block whose name server is still to be found by
  // registration at the given UDP port.
  void unregistered(uint16_t udp_port) {
    ASSERT_EQ(nam_cache_open(), 0);
    rpc.nam->name_server = nam_record{};
    rpc.nam->reg_target = wire::loopback(udp_port);
  }
  int lookups_asked() { return static_cast<int>(seen("name").size()); }
};

TEST_F(NameService, RegistrationFindsTheNameServer) {
  start(marlo::script{});
  unregistered(server->name_port());
  ASSERT_EQ(nam_open(0), 0) << log_text();
  EXPECT_EQ(server->registrations(), 1);
  ASSERT_NE(rpc.nam, nullptr);
  EXPECT_EQ(rpc.nam->state, NAM_ST_OPEN);
  EXPECT_EQ(rpc.nam->name_server.addr, htonl(INADDR_LOOPBACK));
  EXPECT_EQ(rpc.nam->name_server.port, htons(server->name_port()));
  EXPECT_EQ(rpc.nam->sock, -1) << "the registration socket is closed";
  EXPECT_EQ(nam_close(0), 0);
  EXPECT_EQ(rpc.nam, nullptr);
}

TEST_F(NameService, ANameServerThatNeverAnswersIsNotUpAfterThreeDatagrams) {
  int udp = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in a = wire::loopback(0);
  ASSERT_EQ(bind(udp, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  socklen_t len = sizeof a;
  getsockname(udp, reinterpret_cast<sockaddr*>(&a), &len);
  env.pdconnectwaittime = 2;
  unregistered(ntohs(a.sin_port));
  EXPECT_EQ(nam_open(0), NAM_E_NOT_UP);
  EXPECT_EQ(rpc.nam, nullptr) << "a failed open drops the control block";
  int datagrams = 0;
  uint8_t buf[512];
  while (recv(udp, buf, sizeof buf, MSG_DONTWAIT) == static_cast<ssize_t>(NAM_REG_SIZE)) ++datagrams;
  EXPECT_EQ(datagrams, 3);
  EXPECT_TRUE(logged("reason=TIME OUT"));
  close(udp);
}

// A name server of the test's own that first answers with another
// client's identity.
TEST_F(NameService, ARegistrationReplyForAnotherClientIsIgnored) {
  int udp = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in a = wire::loopback(0);
  ASSERT_EQ(bind(udp, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  socklen_t alen = sizeof a;
  getsockname(udp, reinterpret_cast<sockaddr*>(&a), &alen);
  std::thread peer([udp] {
    uint8_t in[512];
    sockaddr_in from{};
    socklen_t len = sizeof from;
    timeval tv{2, 0};
    setsockopt(udp, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    if (recvfrom(udp, in, sizeof in, 0, reinterpret_cast<sockaddr*>(&from), &len) < 56) return;
    uint8_t out[72] = {};
    memcpy(out, in, 40);
    out[3] = sizeof out;
    memcpy(out + 40, in + 40, 16);
    out[45] ^= 1;  // another client's port
    out[56] = 127;
    out[59] = 1;
    out[61] = AF_INET;
    out[62] = 0x13;
    out[63] = 0x88;
    sendto(udp, out, sizeof out, 0, reinterpret_cast<sockaddr*>(&from), len);
    out[45] ^= 1;
    sendto(udp, out, sizeof out, 0, reinterpret_cast<sockaddr*>(&from), len);
  });
  unregistered(ntohs(a.sin_port));
  EXPECT_EQ(nam_open(0), 0) << log_text();
  peer.join();
  ASSERT_NE(rpc.nam, nullptr);
  EXPECT_EQ(rpc.nam->name_server.port, htons(5000));
  close(udp);
}

TEST_F(NameService, TheCacheKeepsTheMostRecentAnswers) {
  marlo::script s;
  s.services = {"svc1", "svc2", "svc3"};
  start(s);
  env.pdcache = 2;
  ASSERT_EQ(pd_clt_open(0), 0);
  nam_address addr{};
  uint8_t info[NAM_INFO_SIZE];
  const struct {
    const char* service;
    int32_t flags;
    int asked;
  } steps[] = {{"svc1", 0, 1}, {"svc1", 0, 1}, {"svc2", 0, 2}, {"svc3", 0, 3},
               {"svc3", 0, 3}, {"svc1", 0, 4}, {"svc1", 1, 5}};
  for (const auto& step : steps) {
    SCOPED_TRACE(step.service);
    ASSERT_EQ(nam_lookup(step.service, nullptr, &addr, info, step.flags), 0) << log_text();
    EXPECT_EQ(lookups_asked(), step.asked);
    EXPECT_EQ(addr.port, htons(server->sql_port()));
    EXPECT_EQ(addr.family, AF_INET);
    EXPECT_EQ(addr.addr, htonl(INADDR_LOOPBACK));
  }
}

TEST_F(NameService, AnUnknownServiceIsNotRegisteredAndNotCached) {
  start(marlo::script{});
  ASSERT_EQ(pd_clt_open(0), 0);
  nam_address addr{};
  EXPECT_EQ(nam_lookup("nosuch", nullptr, &addr, nullptr, 0), NAM_E_NOT_REGISTERED);
  EXPECT_EQ(nam_lookup("nosuch", nullptr, &addr, nullptr, 0), NAM_E_NOT_REGISTERED);
  EXPECT_EQ(lookups_asked(), 2);
  EXPECT_EQ(rpc.nam->state, NAM_ST_OPEN) << "a failed lookup leaves the service open";
}

TEST_F(NameService, ArgumentsAndStatesAreChecked) {
  nam_address addr{};
  EXPECT_EQ(nam_lookup("svc", nullptr, &addr, nullptr, 2), NAM_E_ARG);
  EXPECT_EQ(nam_lookup(nullptr, nullptr, &addr, nullptr, 0), NAM_E_ARG);
  EXPECT_EQ(nam_lookup("svc", nullptr, nullptr, nullptr, 0), NAM_E_ARG);
  EXPECT_EQ(nam_open(1), NAM_E_ARG);
  EXPECT_EQ(nam_close(0), NAM_E_MEMORY) << "no control block";
  int reserved = 0;
  EXPECT_EQ(nam_indirect_lookup("g", nullptr, "_pdscd", nullptr, &addr, nullptr, &reserved), NAM_E_ARG);
  EXPECT_EQ(nam_indirect_lookup("g", nullptr, nullptr, nullptr, &addr, nullptr, nullptr), NAM_E_ARG);
  EXPECT_EQ(nam_lookup("svc", nullptr, &addr, nullptr, 0), NAM_E_STATE) << "a lookup before open is refused";
  EXPECT_EQ(nam_act1_dispatch(8, 0, nullptr), NAM_E_UNEXPECTED);
  EXPECT_EQ(nam_act1_dispatch(0, 11, nullptr), NAM_E_UNEXPECTED);
}

TEST_F(NameService, MessagesAreBuiltAndCheckedByTheirHeader) {
  uint8_t buf[NAM_HEADER_SIZE + PD_MSG_HEADER_SIZE] = {};
  EXPECT_EQ(nam_msg_build(buf, sizeof buf, 0x41424344, NAM_VERSION, 1), NAM_E_ARG);
  EXPECT_EQ(nam_msg_build(buf, sizeof buf, NAM_MAGIC_REG, 0, 1), NAM_E_ARG);
  EXPECT_EQ(nam_msg_build(buf, NAM_HEADER_SIZE - 1, NAM_MAGIC_REG, NAM_VERSION, 1), NAM_E_ARG);
  ASSERT_EQ(nam_msg_build(buf, sizeof buf, NAM_MAGIC_REG, NAM_VERSION, 7), 0);
  const uint8_t expect[NAM_HEADER_SIZE] = {0, 0, 0, 40, 'N', 'A', 'M', 'B', '0', '1', '0', '1', 0, 0, 0, 0, 0, 0, 0, 0,
                                           0, 0, 0, 0,  0,   0,   0,   0,   0,   0,   0,   0,   0, 0, 0, 0, 0, 0, 0, 7};
  EXPECT_EQ(memcmp(buf, expect, sizeof expect), 0);
  uint32_t version = 0;
  EXPECT_EQ(nam_msg_parse(buf, NAM_HEADER_SIZE, NAM_MAGIC_REG, NAM_VERSION, 7, &version), 0);
  EXPECT_EQ(nam_msg_parse(buf, NAM_HEADER_SIZE - 1, NAM_MAGIC_REG, NAM_VERSION, 7, &version), -1);
  EXPECT_EQ(nam_msg_parse(buf, NAM_HEADER_SIZE, NAM_MAGIC_REG, NAM_VERSION + 1, 7, &version), -2);
  EXPECT_EQ(version, NAM_VERSION);
  EXPECT_EQ(nam_msg_parse(buf, NAM_HEADER_SIZE, NAM_MAGIC_REG, NAM_VERSION, 8, &version), -3);
  buf[3] = 200;  // a length beyond what was received
  EXPECT_EQ(nam_msg_parse(buf, NAM_HEADER_SIZE, NAM_MAGIC_REG, NAM_VERSION, 7, &version), -1);
  // Queries start after the RPC message header.
  memmove(buf + PD_MSG_HEADER_SIZE, buf, NAM_HEADER_SIZE);
  ASSERT_EQ(nam_msg_build(buf + PD_MSG_HEADER_SIZE, NAM_HEADER_SIZE, NAM_MAGIC_QUERY, NAM_VERSION, 3), 0);
  EXPECT_EQ(nam_msg_parse(buf, sizeof buf, NAM_MAGIC_QUERY, NAM_VERSION, 3, &version), 0);
  EXPECT_EQ(nam_msg_parse(buf, sizeof buf, NAM_MAGIC_U, NAM_VERSION, 3, &version), -7);
}

}  // namespace
