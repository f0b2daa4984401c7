// Reconnection through p_rdb_exsql against the test server, on the clock
// seam: the automatic reconnect after a dropped link, its limits, the
// maintenance retry, and the reconnect trace's records.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>

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

// The limits of both retry loops, on the clock seam: the sleeps, the
// CONNECTs the server sees and the outcome.
TEST_F(Reconnect, RetriesKeepTheirLimits) {
  struct row {
    const char* what;
    bool caller_connect;     // the request is the CONNECT itself
    const char* count;       // PDRCCOUNT
    const char* interval;    // PDRCINTERVAL
    const char* cwait;       // PDCWAITTIME
    int refused;             // CONNECTs refused after the link is lost
    int64_t maint_from;      // maintenance from this second after the start, for 100 seconds; -1 none
    uint32_t retry_wait;     // the seconds the server asks to wait
    std::vector<uint32_t> sleeps;
    int connects;
    int32_t sqlcode;
    const char* logged;      // the error log's line of the retry
  };
  const row rows[] = {
      {"no tries", false, "0", "2", "0", 0, -1, 0, {}, 1, -721, "AUTO_RECONNECT,number=0,interval=2"},
      {"three tries 2 s apart", false, "3", "2", "0", 3, -1, 0, {2000, 2000, 2000}, 4, -720,
       "AUTO_RECONNECT,number=3,interval=2"},
      {"PDCWAITTIME 5, interval 3", false, "5", "3", "5", 5, -1, 0, {3000, 3000}, 2, -732,
       "AUTO_RECONNECT,number=5,interval=3"},
      {"maintenance times 0 and 0", false, "1", "1", "0", 0, 1, 0, {1000, 1000}, 2, -1700, "MAINTENANCE,time=0"},
      {"CNCT waits the announced time", true, "1", "1", "3", 0, 0, 10, std::vector<uint32_t>(10, 1000), 10, -1700,
       "MAINTENANCE,time=10"},
  };
  for (const row& t : rows) {
    SCOPED_TRACE(t.what);
    seconds_ = kEpoch;
    sleeps_.clear();
    setenv("PDRCCOUNT", t.count, 1);
    setenv("PDRCINTERVAL", t.interval, 1);
    setenv("PDCWAITTIME", t.cwait, 1);
    marlo::script s;
    s.reconnect.drop_after = 0;
    s.reconnect.refused_connects = t.refused;
    s.retry_wait = t.retry_wait;
    if (t.maint_from >= 0) {
      s.reconnect.maintenance_from = kEpoch + t.maint_from;
      s.reconnect.maintenance_until = kEpoch + t.maint_from + 100;
    }
    start(s);
    zk::request r{"OPEN"};
    if (t.caller_connect) {
      r.area.sqlca->SQLCODE = connect();
    } else {
      ASSERT_EQ(connect(), 0);
      r.statement("SELECT 1");
      r.exsql();
    }
    EXPECT_EQ(r.sqlcode(), t.sqlcode) << r.message();
    EXPECT_EQ(sleeps_, t.sleeps);
    const std::vector<std::string> seen = functions();
    EXPECT_EQ(std::count(seen.begin(), seen.end(), kConnectFn), t.connects);
    EXPECT_NE(file("pderr1.trc").find("KFPZ02445-I Client information, Type=Reconnect, Inf=" + std::string(t.logged) +
                                      "\n"),
              std::string::npos);
    zk::request leave{"DISC"};
    leave.exsql();
  }
}

// A request that the front end cancelled connects again and says so.
TEST_F(Reconnect, AFrontEndCancelConnectsAgainAndReportsTheNewServer) {
  marlo::script s;
  s.bodies[kOpenFn] = marlo::reply_body(false, -735, "S1008", "KFPA11735-E FES(SDS) canceled");
  start(s);
  ASSERT_EQ(connect(), 0);
  zk::request r{"OPEN"};
  r.statement("SELECT 1");
  EXPECT_EQ(r.exsql(), -10);
  EXPECT_EQ(r.sqlcode(), -735);
  EXPECT_EQ(r.message(), "KFPA11735-E FES(SDS) canceled");
  EXPECT_EQ(functions(), (std::vector<std::string>{kConnectFn, kOpenFn, kConnectFn}));
  const std::string log = file("pderr1.trc");
  EXPECT_NE(log.find("KFPZ03000-I Error information, type=SERVER INFO, inf=Server changed to host(127.0.0.1:"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("svg(sds01) cnctno(4660) svrpid(777)"), std::string::npos);
}

std::string local_time(int64_t seconds) {
  const time_t t = static_cast<time_t>(seconds);
  tm parts{};
  localtime_r(&t, &parts);
  char text[32];
  strftime(text, sizeof text, "%Y/%m/%d %H:%M:%S.000", &parts);
  return text;
}

// The reconnect trace: the result, start and end, and the servers before
// and after; a failed series has no new server.
TEST_F(Reconnect, TheTraceRecordsEachReconnection) {
  struct row {
    const char* what;
    int refused;
    const char* servers;
  };
  const row rows[] = {
      {"reconnected", 0, "S sds01:4660:777 => sds01:9029:888\n"},
      {"given up", 1, "F sds01:4660:777 => \n"},
  };
  for (const row& t : rows) {
    SCOPED_TRACE(t.what);
    zk::temp_dir traces;
    setenv("PDCLTPATH", traces.path.c_str(), 1);
    setenv("PDRCTRACE", "4096", 1);
    setenv("PDRCCOUNT", "1", 1);
    setenv("PDRCINTERVAL", "2", 1);
    seconds_ = kEpoch;
    marlo::script s;
    s.reconnect.drop_after = 0;
    s.reconnect.refused_connects = t.refused;
    start(s);
    ASSERT_EQ(connect(), 0);
    zk::request r{"OPEN"};
    r.statement("SELECT 1");
    r.exsql();
    std::ifstream in(traces.file("pdrcnct1.trc"), std::ios::binary);
    const std::string record(std::istreambuf_iterator<char>(in), {});
    const std::string times = local_time(kEpoch) + " - " + local_time(kEpoch + 2);
    const std::string servers = t.servers;
    EXPECT_EQ(record, "  0        " + servers.substr(0, 2) + times + " " + servers.substr(2));
    struct stat st {};
    ASSERT_EQ(stat(traces.file("pdrcnct1.trc").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    std::ifstream log(traces.file("pderr1.trc"), std::ios::binary);
    const std::string lines(std::istreambuf_iterator<char>(log), {});
    EXPECT_NE(lines.find("KFPZ02445-I Client information, Type=Reconnect, Inf=AUTO_RECONNECT,number=1,interval=2\n"),
              std::string::npos);
    zk::request leave{"DISC"};
    leave.exsql();
  }
}

}  // namespace
