// Reconnection through p_rdb_exsql against the test server, on the clock
// seam: the automatic reconnect after a dropped link, its limits, the
// maintenance retry, and the reconnect trace's records.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "CLTCNTL.h"
#include "cltclock.h"
#include "marlo_server.h"
#include "zk_harness.h"

namespace {

constexpr char kGroup[] = "sds01";
constexpr char kConnectFn[] = "p_f_sqa_cconnect";
constexpr char kOpenFn[] = "p_f_sqa_copen";
constexpr uint32_t kLevel26 = ~26u;
constexpr uint32_t kPid = 777;
constexpr uint32_t kRestartPid = 888;
constexpr uint32_t kConnectionNumber = 0x1234;
constexpr uint32_t kRestartConnectionNumber = 0x2345;
constexpr int64_t kEpoch = 1800000000;

const std::vector<const char*> kSettings = {"PDMEMTRCFILE", "PDHOST",      "PDFESHOST",   "PDSERVICEGRP",
                                            "PDAUTOCONNECT", "PDAUTORECONNECT", "PDRCCOUNT", "PDRCINTERVAL",
                                            "PDCWAITTIME",  "PDRCTRACE",   "PDCLTPATH", "PDCLTOPTIONSTR"};

void blank(char* field, size_t n, const char* text) {
  memset(field, ' ', n);
  memcpy(field, text, strnlen(text, n));
}

class Reconnect : public ::testing::Test {
 protected:
  static inline int64_t seconds_ = kEpoch;
  static inline std::vector<uint32_t> sleeps_;
  static void now(clt_clock_reading* out) {
    out->seconds = seconds_;
    out->milliseconds = 0;
  }
  static void sleep(uint32_t ms) {
    sleeps_.push_back(ms);
    seconds_ += ms / 1000;
  }

  zk::temp_dir dir;
  std::unique_ptr<marlo::server> server;

  void SetUp() override {
    static const clt_clock_ops ops{now, sleep};
    clt_clock_install(&ops);
    seconds_ = kEpoch;
    sleeps_.clear();
    setenv("PDMEMTRCFILE", dir.file("pdmem.trc").c_str(), 1);
    setenv("PDCLTPATH", dir.path.c_str(), 1);
    setenv("PDSERVICEGRP", kGroup, 1);
    setenv("PDHOST", "127.0.0.1", 1);
    setenv("PDAUTOCONNECT", "OFF", 1);
    setenv("PDAUTORECONNECT", "YES", 1);
  }
  void TearDown() override {
    zk::request leave{"DISC"};
    leave.exsql();
    clt_clock_install(nullptr);
    for (const char* name : kSettings) unsetenv(name);
  }

  void start(marlo::script s) {
    s.services.push_back(kGroup);
    s.connection_number = kConnectionNumber;
    s.bodies[kConnectFn] = marlo::connect_body(false, "1j", "07-02-00", kPid, kLevel26);
    s.reconnect.restart_pid = kRestartPid;
    s.reconnect.restart_connection_number = kRestartConnectionNumber;
    s.reconnect.clock = [] { return seconds_; };
    server = std::make_unique<marlo::server>(std::move(s));
    ASSERT_TRUE(server->ok());
    setenv("PDFESHOST", ("127.0.0.1:" + std::to_string(server->name_port())).c_str(), 1);
  }

  static int32_t connect() {
    zk::request r{"CNCT"};
    blank(r.area.authid, sizeof r.area.authid, "scott");
    blank(r.area.passwd, sizeof r.area.passwd, "tiger");
    blank(r.area.cnctbody, sizeof r.area.cnctbody, "");
    r.exsql();
    return r.sqlcode();
  }

  std::vector<std::string> functions() const {
    std::vector<std::string> out;
    for (const marlo::request& q : server->requests()) {
      if (q.function == kConnectFn || q.function == kOpenFn) out.push_back(q.function);
    }
    return out;
  }

  std::string file(const std::string& name) const {
    std::ifstream in(dir.file(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

// The link of the request drops; the request runs again on a new connection.
TEST_F(Reconnect, ARequestThatLosesItsLinkRunsAgainOnANewConnection) {
  marlo::script s;
  s.reconnect.drop_after = 0;
  start(s);
  setenv("PDRCCOUNT", "3", 1);
  setenv("PDRCINTERVAL", "2", 1);
  ASSERT_EQ(connect(), 0);
  zk::request r{"OPEN"};
  r.statement("SELECT 1");
  EXPECT_EQ(r.exsql(), 0) << r.message();
  EXPECT_EQ(functions(), (std::vector<std::string>{kConnectFn, kOpenFn, kConnectFn, kOpenFn}));
  EXPECT_EQ(sleeps_, std::vector<uint32_t>{2000});
  zk::context_scope context;
  EXPECT_EQ(clt_global.main->srv_pid, kRestartPid);
}

}  // namespace
