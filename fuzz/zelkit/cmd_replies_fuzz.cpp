// p_rdb_cmd_execute against a command service that answers with the
// fuzzer's bytes: a 16-bit length, that many bytes as the logon reply,
// the rest as the command reply. The service runs on a thread of its own
// on loopback and ends its stream after each reply.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdint.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include "iniread.h"
#include "sockadapt.h"
#include "zelkit.h"
#include "zk_cmd_records.h"
#include "zk_fuzz.h"

namespace {

constexpr int64_t kRoundUs = 2;
constexpr int32_t kOutputSize = 256;
// The client connects at once; a call that ends before it does leaves the
// service waiting no longer than this.
constexpr int kAcceptWaitMs = 2000;

int g_listener = -1;

bool read_all(int fd, uint8_t* p, size_t n) {
  while (n > 0) {
    const ssize_t got = recv(fd, p, n, 0);
    if (got <= 0) return false;
    p += got;
    n -= static_cast<size_t>(got);
  }
  return true;
}

// One record of the client: its header, then the rest it announces.
bool read_record(int fd) {
  uint8_t head[CLT_AST_HEADER_SIZE];
  if (!read_all(fd, head, sizeof head)) return false;
  const uint32_t len = static_cast<uint32_t>(head[0]) << 24 | static_cast<uint32_t>(head[1]) << 16 |
                       static_cast<uint32_t>(head[2]) << 8 | head[3];
  if (len <= CLT_AST_HEADER_SIZE) return true;
  std::vector<uint8_t> rest(len - CLT_AST_HEADER_SIZE);
  return read_all(fd, rest.data(), rest.size());
}

void serve(const std::vector<uint8_t>& logon, const std::vector<uint8_t>& command) {
  pollfd ready{g_listener, POLLIN, 0};
  if (poll(&ready, 1, kAcceptWaitMs) <= 0) return;
  const int fd = accept(g_listener, nullptr, nullptr);
  if (fd < 0) return;
  if (read_record(fd) && zkfuzz::write_all(fd, logon) && read_record(fd)) zkfuzz::write_all(fd, command);
  shutdown(fd, SHUT_WR);
  // Until the client closes its end.
  uint8_t sink[256];
  while (recv(fd, sink, sizeof sink, 0) > 0) {
  }
  close(fd);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  zkfuzz::clear_settings_environment();
  const std::string& dir = zkfuzz::scratch_folder();
  ini_set_profile_dir(dir.c_str());
  setenv("XDG_CONFIG_HOME", (dir + "/user").c_str(), 1);
  setenv("XDG_CONFIG_DIRS", (dir + "/sys").c_str(), 1);

  g_listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  if (g_listener < 0 || bind(g_listener, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      listen(g_listener, SOMAXCONN) != 0 || getsockname(g_listener, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
    abort();
  }
  setenv("PDASTHOST", "127.0.0.1", 1);
  setenv("PDASTPORT", std::to_string(ntohs(a.sin_port)).c_str(), 1);
  setenv("PDUSER", "dbusr/dbpw", 1);
  setenv("PDSYSTEMID", "SYS1", 1);
  setenv("PDCLTPATH", dir.c_str(), 1);
  setenv("PDCMDWAITTIME", "60", 1);
  sa_set_round_us(kRoundUs);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zkfuzz::input in(data, size);
  const std::vector<uint8_t> logon = in.take(in.u16());
  const std::vector<uint8_t> command = in.rest();
  std::thread service(serve, logon, command);
  std::vector<char> out(kOutputSize, '\x7f');
  uint32_t out_len = 0;
  int32_t code = 0;
  p_rdb_cmd_execute("cmd", kOutputSize, &out_len, out.data(), &code, "", 0);
  service.join();
  // What the caller is told fits its buffer.
  if (out_len > static_cast<uint32_t>(kOutputSize)) abort();
  return 0;
}
