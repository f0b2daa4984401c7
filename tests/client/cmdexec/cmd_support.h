// Test support of command execution: a scratch environment with its own
// settings files and registry roots, a work block, hex fixtures and a
// loopback peer that plays the command service.
#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "cltascmd.h"
#include "iniread.h"
#include "sockadapt.h"

extern char** environ;

namespace cmd_test {

// A wait round of 100 microseconds: one wait period is 6 ms.
constexpr int64_t kRoundUs = 100;

inline std::vector<uint8_t> from_hex(const std::string& text) {
  std::vector<uint8_t> out;
  int nibble = -1;
  bool comment = false;
  for (char c : text) {
    if (c == '#') comment = true;
    if (c == '\n') comment = false;
    if (comment || isxdigit(static_cast<unsigned char>(c)) == 0) continue;
    const int v = isdigit(static_cast<unsigned char>(c)) ? c - '0' : (tolower(c) - 'a' + 10);
    if (nibble < 0) {
      nibble = v;
    } else {
      out.push_back(static_cast<uint8_t>(nibble << 4 | v));
      nibble = -1;
    }
  }
  return out;
}

inline std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline std::vector<uint8_t> fixture_hex(const std::string& name) {
  const std::string text = read_file(std::string(TEST_FIXTURE_DIR) + "/zelkit/cmd/" + name);
  EXPECT_FALSE(text.empty()) << name;
  return from_hex(text);
}

inline void write_file(const std::string& path, const std::string& text) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

// A test with no inherited settings, a temporary folder holding the
// common settings file and both registry roots, and short wait rounds.
class scratch : public ::testing::Test {
 protected:
  std::string dir;

  void SetUp() override {
    std::vector<std::string> names;
    for (char** e = environ; *e != nullptr; ++e) {
      const std::string entry = *e;
      const std::string name = entry.substr(0, entry.find('='));
      if (name.starts_with("PD")) names.push_back(name);
    }
    for (const auto& n : names) unsetenv(n.c_str());
    char tmpl[] = "/tmp/zelkit-cmd-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
    ini_set_profile_dir(dir.c_str());
    setenv("XDG_CONFIG_HOME", (dir + "/user").c_str(), 1);
    setenv("XDG_CONFIG_DIRS", (dir + "/sys").c_str(), 1);
    saved_round_ = sa_set_round_us(kRoundUs);
  }

  void TearDown() override {
    sa_set_round_us(saved_round_);
    ini_set_profile_dir(nullptr);
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }

  void set(const char* name, const std::string& value) { setenv(name, value.c_str(), 1); }

  std::string user_registry() const { return dir + "/user/Tessavar/current_user.registry"; }
  std::string machine_registry() const { return dir + "/sys/Tessavar/local_machine.registry"; }

  // Settings that let a call reach the peer.
  void set_minimum(uint16_t port) {
    set("PDASTHOST", "127.0.0.1");
    set("PDASTPORT", std::to_string(port));
    set("PDUSER", "dbusr/dbpw");
    set("PDSYSTEMID", "SYS1");
    set("PDCLTPATH", dir);
  }

 private:
  int64_t saved_round_ = 0;
};

// A work block as the export makes it, with an output buffer.
struct work_block {
  std::unique_ptr<clt_cmd_ctx> ctx = std::make_unique<clt_cmd_ctx>();
  std::vector<char> output;
  uint32_t output_length = 0;
  int32_t return_code = 0;

  explicit work_block(const char* group = "", int32_t size = 2048) : output(static_cast<size_t>(size), '\0') {
    ctx->group = group;
    ctx->output_size = size;
    ctx->output = output.data();
    ctx->output_length = &output_length;
    ctx->return_code = &return_code;
    ctx->sock = -1;
  }
  std::string text() const { return std::string(output.data(), strnlen(output.data(), output.size())); }
};

inline std::string name_of(const clt_cmd_name& n) { return std::string(n.text, n.length); }

// --- the command service on loopback ---

inline uint32_t be32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 | p[3];
}

inline void put_be32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  v[at] = static_cast<uint8_t>(x >> 24);
  v[at + 1] = static_cast<uint8_t>(x >> 16);
  v[at + 2] = static_cast<uint8_t>(x >> 8);
  v[at + 3] = static_cast<uint8_t>(x);
}

// A reply record: header with record length, header length 32 and chain
// flag, then the body.
inline std::vector<uint8_t> record(uint8_t chain, const std::vector<uint8_t>& body, uint32_t total = 0) {
  std::vector<uint8_t> r(CLT_AST_HEADER_SIZE, 0);
  put_be32(r, 0, static_cast<uint32_t>(CLT_AST_HEADER_SIZE + body.size()));
  r[5] = CLT_AST_HEADER_SIZE;
  r[16] = chain;
  put_be32(r, 24, total);
  r.insert(r.end(), body.begin(), body.end());
  return r;
}

inline std::vector<uint8_t> logon_reply(int32_t code) {
  std::vector<uint8_t> body(4, 0);
  put_be32(body, 0, static_cast<uint32_t>(code));
  return record(0, body);
}

// The fields of a first command-reply record, then output bytes.
inline std::vector<uint8_t> command_body(int32_t rc, uint32_t flag, uint32_t length, const std::string& output) {
  std::vector<uint8_t> body(CLT_AST_OFF_OUTPUT - CLT_AST_HEADER_SIZE, 0);
  put_be32(body, 0, static_cast<uint32_t>(rc));
  put_be32(body, 4, flag);
  put_be32(body, 16, length);
  body.insert(body.end(), output.begin(), output.end());
  return body;
}

inline std::vector<uint8_t> bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

class peer {
 public:
  using script = std::function<void(peer&, int fd)>;

  explicit peer(script run) {
    listen_fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listen_fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
    listen(listen_fd_, 4);
    thread_ = std::thread([this, run] {
      const int fd = accept(listen_fd_, nullptr, nullptr);
      if (fd < 0) return;
      run(*this, fd);
      close(fd);
    });
  }
  ~peer() {
    shutdown(listen_fd_, SHUT_RDWR);
    thread_.join();
    close(listen_fd_);
  }
  peer(const peer&) = delete;
  peer& operator=(const peer&) = delete;

  // One record of the client: its header, then the rest it announces.
  static std::vector<uint8_t> read_record(int fd) {
    std::vector<uint8_t> r(CLT_AST_HEADER_SIZE);
    if (!read_all(fd, r.data(), r.size())) return {};
    const uint32_t len = be32(r.data());
    if (len < CLT_AST_HEADER_SIZE) return r;
    r.resize(len);
    if (!read_all(fd, r.data() + CLT_AST_HEADER_SIZE, len - CLT_AST_HEADER_SIZE)) return {};
    return r;
  }
  static void send_all(int fd, const std::vector<uint8_t>& data) {
    size_t done = 0;
    while (done < data.size()) {
      const ssize_t n = send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
      if (n <= 0) return;
      done += static_cast<size_t>(n);
    }
  }
  // Waits until the client closes its end.
  static void drain(int fd) {
    char buf[256];
    while (recv(fd, buf, sizeof buf, 0) > 0) {
    }
  }

  // The usual service: takes the logon, answers it with `logon_code`,
  // takes the command and answers with `reply`.
  static script service(int32_t logon_code, std::vector<uint8_t> reply) {
    return [logon_code, reply](peer& p, int fd) {
      p.logon = read_record(fd);
      send_all(fd, logon_reply(logon_code));
      if (logon_code != 0) return drain(fd);
      p.command = read_record(fd);
      send_all(fd, reply);
      drain(fd);
    };
  }

  uint16_t port = 0;
  std::vector<uint8_t> logon;
  std::vector<uint8_t> command;

 private:
  static bool read_all(int fd, uint8_t* p, size_t n) {
    while (n > 0) {
      const ssize_t got = recv(fd, p, n, 0);
      if (got <= 0) return false;
      p += got;
      n -= static_cast<size_t>(got);
    }
    return true;
  }
  int listen_fd_ = -1;
  std::thread thread_;
};

}  // namespace cmd_test
