#include "zk_harness.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace zk {

refused_port::refused_port() : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
  getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
  port_ = ntohs(a.sin_port);
}

refused_port::~refused_port() { close(fd_); }

temp_dir::temp_dir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "zelkit-XXXXXX").string();
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  if (!mkdtemp(buf.data())) abort();
  path = buf.data();
}

temp_dir::~temp_dir() {
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
}

int open_sockets() {
  static constexpr char kSocket[] = "socket:";
  int n = 0;
  DIR* dir = opendir("/proc/self/fd");
  if (dir == nullptr) return -1;
  while (dirent* e = readdir(dir)) {
    char target[64] = {};
    std::string link = std::string("/proc/self/fd/") + e->d_name;
    ssize_t len = readlink(link.c_str(), target, sizeof target - 1);
    if (len > 0 && strncmp(target, kSocket, sizeof kSocket - 1) == 0) ++n;
  }
  closedir(dir);
  return n;
}

int sockets_settled_at(int expected) {
  constexpr int kTries = 100;
  constexpr auto kPause = std::chrono::milliseconds(20);
  int n = open_sockets();
  for (int i = 0; i < kTries && n != expected; ++i) {
    std::this_thread::sleep_for(kPause);
    n = open_sockets();
  }
  return n;
}

std::vector<std::string>& errlog_lines() {
  static std::vector<std::string> lines;
  return lines;
}

std::vector<std::string>& memtrc_lines() {
  static std::vector<std::string> lines;
  return lines;
}

void capture_errlog(const char* format, va_list args) {
  char text[1024];
  vsnprintf(text, sizeof(text), format, args);
  errlog_lines().push_back(text);
}

void capture_memtrc(const char* line) { memtrc_lines().push_back(line); }

}  // namespace zk
