// p_rdb_cmd_execute against a command service on loopback.
#include <sys/resource.h>

#include <atomic>
#include <chrono>

#include "CLTLIBMN.h"
#include "cltclock.h"
#include "cmd_support.h"
#include "zelkit.h"
#include "zk_harness.h"

namespace {

using cmd_test::bytes;
using cmd_test::command_body;
using cmd_test::peer;
using cmd_test::record;

constexpr int64_t kPinnedSeconds = 0x65000000;

void pinned_now(clt_clock_reading* out) {
  out->seconds = kPinnedSeconds;
  out->milliseconds = 0;
}
void no_sleep(uint32_t) {}
const clt_clock_ops kPinned{pinned_now, no_sleep};

std::string reason(const std::string& why) { return "KFPZ02471-E Communication error occurred, reason=" + why + "\n"; }

class cmd_execute : public cmd_test::scratch {
 protected:
  std::vector<char> out;
  uint32_t out_len = 0;
  int32_t rc_out = 99;

  void SetUp() override {
    scratch::SetUp();
    clt_clock_install(&kPinned);
  }
  void TearDown() override {
    clt_clock_install(nullptr);
    scratch::TearDown();
  }

  int32_t run(const char* command, int32_t size = 256, const char* group = "") {
    out.assign(static_cast<size_t>(std::max(size, 1)), '\x7f');
    return p_rdb_cmd_execute(command, size, &out_len, out.data(), &rc_out, group, 0);
  }
  std::string text() const { return std::string(out.data(), strnlen(out.data(), out.size())); }
  std::string delivered() const { return std::string(out.data(), out_len); }
};

TEST_F(cmd_execute, LogonAndCommandRecordsOnTheWire) {
  peer p(peer::service(0, record(0, command_body(0, 1, 2, "ok"))));
  set_minimum(p.port);
  set("PDASTUSER", "astusr/astpw");
  ASSERT_EQ(run("pdls -d srv"), 0) << text();
  EXPECT_EQ(p.logon, cmd_test::fixture_hex("logon_record.hex"));
  EXPECT_EQ(p.command, cmd_test::fixture_hex("command_record.hex"));
  EXPECT_EQ(delivered(), "ok");
  EXPECT_EQ(rc_out, 0);
}

TEST_F(cmd_execute, SingleRecordOutput) {
  const std::string hundred(100, 'o');
  struct {
    int32_t size;
    int32_t code;
    std::string output;
    uint32_t length;
    std::string shown;
  } cases[] = {
      {256, 3, "line 1\nline 2\n", 14, "line 1\nline 2\n"},
      // Cut: all but the last byte is filled and the length says "full".
      {40, 0, hundred, 40, std::string(39, 'o')},
      {100, 0, hundred, 100, hundred},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    peer p(peer::service(0, record(0, command_body(c.code, 1, static_cast<uint32_t>(c.output.size()), c.output))));
    set_minimum(p.port);
    ASSERT_EQ(run("cmd", c.size), 0) << text();
    EXPECT_EQ(out_len, c.length);
    EXPECT_EQ(std::string(out.data(), c.shown.size()), c.shown);
    EXPECT_EQ(rc_out, c.code);
  }
}

// Three chained records of 10, 20 and 30 output bytes, announced as one
// reply by the first record's total length.
std::vector<uint8_t> chain_of_three(uint8_t last_flag = 'l') {
  const std::vector<uint8_t> first_body = command_body(7, 1, 0, std::string(10, 'a'));
  std::vector<uint8_t> second = record('m', bytes(std::string(20, 'b')));
  std::vector<uint8_t> third = record(last_flag, bytes(std::string(30, 'c')));
  const uint32_t total = static_cast<uint32_t>(cmd_test::record(0, first_body).size() + second.size() + third.size());
  std::vector<uint8_t> reply = record('m', first_body, total);
  reply.insert(reply.end(), second.begin(), second.end());
  reply.insert(reply.end(), third.begin(), third.end());
  return reply;
}

TEST_F(cmd_execute, ChainedOutput) {
  struct {
    int32_t size;
    std::string output;
  } cases[] = {
      {256, std::string(10, 'a') + std::string(20, 'b') + std::string(30, 'c')},
      // The second record fills the buffer: the third is not delivered.
      {30, std::string(10, 'a') + std::string(20, 'b')},
      {20, std::string(10, 'a') + std::string(9, 'b')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    peer p(peer::service(0, chain_of_three()));
    set_minimum(p.port);
    ASSERT_EQ(run("cmd", c.size), 0) << text();
    EXPECT_EQ(rc_out, 7);
    EXPECT_EQ(out_len, c.size < 60 ? static_cast<uint32_t>(c.size) : 60u);
    EXPECT_EQ(std::string(out.data(), c.output.size()), c.output);
  }
}

TEST_F(cmd_execute, ChainThatRunsPastTheReplyStopsAtItsEnd) {
  std::vector<uint8_t> reply = chain_of_three('m');  // no record is the last
  cmd_test::put_be32(reply, reply.size() - 30 - CLT_AST_HEADER_SIZE, 0x7fffffff);
  peer p(peer::service(0, reply));
  set_minimum(p.port);
  ASSERT_EQ(run("cmd"), 0) << text();
  EXPECT_EQ(delivered(), std::string(10, 'a') + std::string(20, 'b') + std::string(30, 'c'));
}

TEST_F(cmd_execute, CommandWithoutOutput) {
  {
    peer p(peer::service(0, record(0, command_body(0, 0, 0, ""))));
    set_minimum(p.port);
    ASSERT_EQ(run("cmd"), 0) << text();
    EXPECT_EQ(rc_out, 0);
    EXPECT_EQ(out_len, 0u);
    EXPECT_EQ(out[0], '\0');
  }
  {
    peer p(peer::service(0, record(0, command_body(5, 0, 0, ""))));
    set_minimum(p.port);
    rc_out = 99;
    EXPECT_EQ(run("cmd"), -20);
    EXPECT_EQ(text(), "KFPZ02472-E Error occurred in Zadede-Razado, code=5\n");
    EXPECT_EQ(out_len, text().size() + 1);
    EXPECT_EQ(rc_out, 99);  // left as it was
  }
}

TEST_F(cmd_execute, RefusedLogon) {
  peer p(peer::service(7, {}));
  set_minimum(p.port);
  EXPECT_EQ(run("cmd"), -20);
  EXPECT_EQ(text(), reason("INIT ERROR,CODE=7"));
  EXPECT_TRUE(p.command.empty());
}

TEST_F(cmd_execute, HostsAreTriedInTheirOrder) {
  peer p(peer::service(0, record(0, command_body(0, 1, 2, "ok"))));
  set_minimum(p.port);
  // Nothing listens on 127.0.0.2 at that port.
  set("PDASTHOST", "127.0.0.2,127.0.0.1");
  ASSERT_EQ(run("cmd"), 0) << text();
  EXPECT_EQ(delivered(), "ok");
}

TEST_F(cmd_execute, NoHostUp) {
  const zk::refused_port closed;
  set_minimum(closed.port());
  set("PDASTHOST", "127.0.0.2,127.0.0.1");
  EXPECT_EQ(run("cmd"), -20);
  EXPECT_EQ(text(), reason("Zadede-Razado NOT UP"));
}

TEST_F(cmd_execute, PeerClosingEarly) {
  struct {
    const char* name;
    peer::script script;
  } cases[] = {
      {"at once", [](peer&, int) {}},
      {"after the logon", [](peer& p, int fd) { p.logon = peer::read_record(fd); }},
      {"inside the reply",
       [](peer& p, int fd) {
         p.logon = peer::read_record(fd);
         peer::send_all(fd, cmd_test::logon_reply(0));
         p.command = peer::read_record(fd);
         std::vector<uint8_t> reply = record(0, command_body(0, 1, 50, std::string(50, 'x')));
         reply.resize(reply.size() - 10);
         peer::send_all(fd, reply);
       }},
      // A header that announces less than itself.
      {"short header",
       [](peer& p, int fd) {
         p.logon = peer::read_record(fd);
         std::vector<uint8_t> reply = cmd_test::logon_reply(0);
         cmd_test::put_be32(reply, 0, 16);
         peer::send_all(fd, reply);
         peer::drain(fd);
       }},
      {"logon reply without its result",
       [](peer& p, int fd) {
         p.logon = peer::read_record(fd);
         peer::send_all(fd, record(0, {}));
         peer::drain(fd);
       }},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    peer p(c.script);
    set_minimum(p.port);
    EXPECT_EQ(run("cmd"), -20);
    EXPECT_EQ(text(), reason("NETWORK"));
  }
}

TEST_F(cmd_execute, SilentPeerRunsOutTheWaitLimit) {
  peer p([](peer& self, int fd) {
    self.logon = peer::read_record(fd);
    peer::drain(fd);
  });
  set_minimum(p.port);
  set("PDCMDWAITTIME", "60");
  EXPECT_EQ(run("cmd"), -120);
  EXPECT_EQ(text(), reason("Rododa-Durodu BUSY"));
}

// The wait limit bounds the whole reply: a peer that sends a byte now and
// then, each well within one wait period, still runs it out.
TEST_F(cmd_execute, APeerThatDripsItsReplyRunsOutTheWaitLimit) {
  peer p([](peer& self, int fd) {
    self.logon = peer::read_record(fd);
    for (uint8_t b : record(0, std::vector<uint8_t>(200, 0))) {
      std::this_thread::sleep_for(std::chrono::milliseconds(4));  // within a period of 6 ms
      if (send(fd, &b, 1, MSG_NOSIGNAL) != 1) return;
    }
    peer::drain(fd);
  });
  set_minimum(p.port);
  set("PDCMDWAITTIME", "60");  // sixty periods: 360 ms; the reply takes 930 ms
  EXPECT_EQ(run("cmd"), -120);
  EXPECT_EQ(text(), reason("Rododa-Durodu BUSY"));
}

TEST_F(cmd_execute, WithoutWaitLimitASlowReplyStillCounts) {
  // More than 60 wait periods pass before the reply.
  peer p([](peer& self, int fd) {
    self.logon = peer::read_record(fd);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    peer::send_all(fd, cmd_test::logon_reply(0));
    self.command = peer::read_record(fd);
    peer::send_all(fd, record(0, command_body(0, 1, 2, "ok")));
    peer::drain(fd);
  });
  set_minimum(p.port);
  ASSERT_EQ(run("cmd"), 0) << text();
  EXPECT_EQ(delivered(), "ok");
}

TEST_F(cmd_execute, InvalidArguments) {
  int32_t code = 0;
  uint32_t len = 0;
  struct {
    const char* command;
    int32_t size;
    uint32_t* length;
    int32_t* rc;
    const char* group;
    uint32_t reserved;
    const char* list;
  } cases[] = {
      {nullptr, 128, &len, &code, "", 5, "#1,#8"},
      {nullptr, 128, &len, nullptr, nullptr, 0, "#1,#6,#7"},
      {"", 128, &len, &code, "", 0, "#1"},
      {nullptr, -1, &len, &code, "", 5, nullptr},  // no room to tell
      {"cmd", 128, nullptr, &code, "", 0, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.list ? c.list : "-");
    std::vector<char> buf(128, '\0');
    len = 77;
    EXPECT_EQ(p_rdb_cmd_execute(c.command, c.size, c.length, buf.data(), c.rc, c.group, c.reserved), -30);
    const std::string expected =
        c.list ? std::string("KFPZ02470-E Invalid parameter, parameter number=") + c.list + "\n" : "";
    EXPECT_EQ(std::string(buf.data()), expected);
    if (c.length != nullptr) {
      EXPECT_EQ(len, c.list ? expected.size() + 1 : 0u);
    }
  }
  EXPECT_EQ(p_rdb_cmd_execute("cmd", 8, &len, nullptr, &code, "", 0), -30);
}

TEST_F(cmd_execute, MessagesAreCutToTheBuffer) {
  const zk::refused_port closed;
  set_minimum(closed.port());
  EXPECT_EQ(run("cmd", 12), -20);
  EXPECT_EQ(std::string(out.data(), 11), reason("Zadede-Razado NOT UP").substr(0, 11));
  EXPECT_EQ(out_len, 11u);
}

TEST_F(cmd_execute, WrongSettingsEndTheCallBeforeConnecting) {
  peer p(peer::service(0, {}));
  set_minimum(p.port);
  set("PDSYSTEMID", "TOOLONG");
  EXPECT_EQ(run("cmd"), -10);
  EXPECT_EQ(text(), "KFPA11724-E Environment definition error, variable=PDSYSTEMID, reason=INVALID CHAR\n");
  // Let the peer go.
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(p.port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  close(fd);
}

TEST_F(cmd_execute, RunsWhileAnotherCallHoldsTheLibrary) {
  // The export keeps its state in its own work block: a running SQL call
  // neither refuses it nor is touched by it.
  peer p(peer::service(0, record(0, command_body(0, 1, 2, "ok"))));
  set_minimum(p.port);
  clt_take_context(&clt_global);
  const uint32_t refused = clt_global.refused_call;
  EXPECT_EQ(run("cmd"), 0) << text();
  EXPECT_EQ(clt_cur(), &clt_global);
  EXPECT_EQ(clt_global.refused_call, refused);
  clt_release_context();
  EXPECT_EQ(delivered(), "ok");
}

TEST_F(cmd_execute, CallsFromTwoThreadsAtOnce) {
  constexpr int kPatienceMs = 5000;
  // Each peer holds its logon reply until both calls have logged on.
  std::atomic<int> logged_on{0};
  auto service = [&logged_on](const std::string& output) {
    return [&logged_on, output](peer& p, int fd) {
      p.logon = peer::read_record(fd);
      ++logged_on;
      // Calls that waited for each other would never both get here: after
      // a bounded wait the peer gives up and the call fails.
      for (int waited = 0; logged_on.load() < 2; ++waited) {
        if (waited == kPatienceMs) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      peer::send_all(fd, cmd_test::logon_reply(0));
      p.command = peer::read_record(fd);
      peer::send_all(fd, record(0, command_body(0, 1, static_cast<uint32_t>(output.size()), output)));
      peer::drain(fd);
    };
  };
  peer first(service("first"));
  peer second(service("second"));
  set_minimum(first.port);
  set("PDASTPORT", std::to_string(first.port));
  // The port is a setting of the process: the second call names its own
  // through an ini-file group.
  const std::string group = dir + "/second.ini";
  cmd_test::write_file(group, "[marlo]\nPDASTPORT=" + std::to_string(second.port) + "\n");
  struct result {
    int32_t rc = 1;
    std::vector<char> out = std::vector<char>(64);
    uint32_t len = 0;
    int32_t code = 9;
  } a, b;
  std::thread other([&] { b.rc = p_rdb_cmd_execute("cmd", 64, &b.len, b.out.data(), &b.code, group.c_str(), 0); });
  a.rc = p_rdb_cmd_execute("cmd", 64, &a.len, a.out.data(), &a.code, "", 0);
  other.join();
  EXPECT_EQ(a.rc, 0);
  EXPECT_EQ(b.rc, 0);
  EXPECT_EQ(std::string(a.out.data(), a.len), "first");
  EXPECT_EQ(std::string(b.out.data(), b.len), "second");
}

// Caps the address space 16 MiB above what is in use while it lives.
class address_space_cap {
 public:
  address_space_cap() {
    long pages = 0;
    FILE* statm = fopen("/proc/self/statm", "r");
    if (statm == nullptr) return;
    const bool read = fscanf(statm, "%ld", &pages) == 1;
    fclose(statm);
    if (!read) return;
    getrlimit(RLIMIT_AS, &saved_);
    rlimit cap = saved_;
    cap.rlim_cur = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (rlim_t{16} << 20);
    capped_ = setrlimit(RLIMIT_AS, &cap) == 0;
  }
  ~address_space_cap() { release(); }
  address_space_cap(const address_space_cap&) = delete;
  address_space_cap& operator=(const address_space_cap&) = delete;
  bool capped() const { return capped_; }
  void release() {
    if (capped_) setrlimit(RLIMIT_AS, &saved_);
    capped_ = false;
  }

 private:
  rlimit saved_{};
  bool capped_ = false;
};

#if defined(__SANITIZE_ADDRESS__)
#define SKIP_WITHOUT_ADDRESS_CAP() GTEST_SKIP() << "the address sanitizer needs the address space this test takes away"
#elif defined(__i386__)
#define SKIP_WITHOUT_ADDRESS_CAP() GTEST_SKIP() << "under qemu-i386 the limit applies to the emulator's address space"
#else
#define SKIP_WITHOUT_ADDRESS_CAP()
#endif

TEST_F(cmd_execute, WorkBlockThatCannotBeAllocated) {
  SKIP_WITHOUT_ADDRESS_CAP();
  // The work block holds the command: a command of 64 MiB with the
  // address space capped just above what is in use cannot get one.
  const std::string command(size_t{64} << 20, 'x');
  std::vector<char> buf(256, '\x7f');
  uint32_t len = 5;
  int32_t code = 0;
  address_space_cap cap;
  ASSERT_TRUE(cap.capped());
  const int32_t result = p_rdb_cmd_execute(command.c_str(), 256, &len, buf.data(), &code, "", 0);
  cap.release();
  EXPECT_EQ(result, -70);
  const std::string shown(buf.data());
  EXPECT_TRUE(shown.starts_with("KFPZ02402-E Memory shortage, size=")) << shown;
  EXPECT_NE(shown.find(", inf=cltascmd:"), std::string::npos) << shown;
  EXPECT_TRUE(shown.ends_with("\n")) << shown;
  EXPECT_EQ(len, 5u);  // the length is not changed
}

// A reply header may announce far more than ever comes: the reply buffer
// grows with the bytes that do, so a gigabyte announced and never sent
// ends as the peer's close, not as a failed allocation.
TEST_F(cmd_execute, AnAnnouncedLengthIsNotAllocatedAheadOfItsBytes) {
  SKIP_WITHOUT_ADDRESS_CAP();
  peer p([](peer& self, int fd) {
    self.logon = peer::read_record(fd);
    std::vector<uint8_t> reply = cmd_test::logon_reply(0);
    cmd_test::put_be32(reply, 0, 1u << 30);
    peer::send_all(fd, reply);
  });
  set_minimum(p.port);
  address_space_cap cap;
  ASSERT_TRUE(cap.capped());
  const int32_t result = run("cmd");
  cap.release();
  EXPECT_EQ(result, -20);
  EXPECT_EQ(text(), reason("NETWORK"));
}

}  // namespace
