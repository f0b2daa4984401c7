// CONNECT without a fixed front end against the Marlo test server: the
// front end named by the connection manager, its statuses and results,
// and the error log that a failed request leaves in the trace directory.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "CLTCNTL.h"
#include "CLTLIBCT.h"
#include "CLTSQLSC.h"
#include "cltclock.h"
#include "marlo_server.h"
#include "wire_support.h"
#include "zk_harness.h"

namespace {

constexpr char kConnectFn[] = "p_f_sqa_cconnect";
constexpr uint32_t kLevel26 = ~26u;

const std::vector<const char*> kSettings = {
    "PDMEMTRCFILE", "PDHOST",    "PDFESHOST",    "PDSERVICEGRP",   "PDSERVICEPORT",     "PDNAMEPORT",
    "PDCLTPATH",    "PDERRSTD",  "PDTRCMODE",    "PDUAPERLOG",     "PDCNCTRTYCOUNT",    "PDCNCTRTYWAITTIME",
    "PDCWAITTIME",  "PDCONNECTWAITTIME", "PDTRCMDL", "PDTRCRPC", "PDTRCSOC", "PDTRCSOCSIZE",
};

void blank(char* field, size_t n, const char* text) {
  memset(field, ' ', n);
  memcpy(field, text, strnlen(text, n));
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<uint32_t>& sleeps() {
  static std::vector<uint32_t> list;
  return list;
}
void fixed_now(clt_clock_reading* out) {
  out->seconds = 1700000000;
  out->milliseconds = 250;
}
void record_sleep(uint32_t ms) { sleeps().push_back(ms); }
const clt_clock_ops kClock{fixed_now, record_sleep};

class FrontEnd : public ::testing::Test {
 protected:
  zk::temp_dir dir;
  zk::request r{"CNCT"};

  void SetUp() override {
    for (const char* name : kSettings) unsetenv(name);
    setenv("PDMEMTRCFILE", dir.file("pdmem.trc").c_str(), 1);
    setenv("PDHOST", "127.0.0.1", 1);
    setenv("PDCLTPATH", dir.path.c_str(), 1);
    setenv("PDCWAITTIME", "40", 1);
    setenv("PDCONNECTWAITTIME", "40", 1);
    sa_set_round_us(wire::kRoundUs);
    clt_clock_install(&kClock);
    sleeps().clear();
    blank(r.area.authid, sizeof r.area.authid, "scott");
    blank(r.area.passwd, sizeof r.area.passwd, "tiger");
    blank(r.area.cnctbody, sizeof r.area.cnctbody, "");
  }

  void TearDown() override {
    {
      zk::context_scope context;
      if (clt_global.main != nullptr) {
        clt_close_link(&r.area);
        clt_last_call_term(&r.area);
      }
    }
    clt_clock_install(nullptr);
    sa_set_round_us(0);
    for (const char* name : kSettings) unsetenv(name);
  }

  std::unique_ptr<marlo::server> start(marlo::script s) {
    s.services.push_back("sds01");
    s.bodies[kConnectFn] = marlo::connect_body(false, "1j", "07-02-00", 777, kLevel26);
    auto server = std::make_unique<marlo::server>(std::move(s));
    EXPECT_TRUE(server->ok());
    setenv("PDNAMEPORT", std::to_string(server->name_port()).c_str(), 1);
    return server;
  }

  static int asked(const marlo::server& server, const char* form) {
    int n = 0;
    for (const marlo::request& q : server.requests()) n += q.form == form;
    return n;
  }

  std::string errlog() const { return read_file(dir.file("pderr1.trc")); }
};

TEST_F(FrontEnd, ConnectAsksTheConnectionManagerAndConnectsToTheFrontEndItNames) {
  marlo::script s;
  s.fes_group = "grp7";
  auto server = start(s);
  EXPECT_EQ(r.exsql(), 0) << r.message();
  EXPECT_EQ(r.sqlcode(), 0);
  EXPECT_EQ(asked(*server, "fes"), 1);
  ASSERT_FALSE(server->requests().empty());
  for (const marlo::request& q : server->requests()) {
    if (q.form != "fes") continue;
    ASSERT_EQ(q.data.size(), 31u) << "the application-name question";
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(q.data.data())), "Unknown");
  }
  zk::context_scope context;
  clt_env* env = clt_main_env(clt_global.main);
  EXPECT_STREQ(env->pdfeshost, "127.0.0.1");
  EXPECT_STREQ(env->pdservicegrp, "grp7");
  EXPECT_EQ(std::string(env->pdserviceport), std::to_string(server->sql_port()));
  EXPECT_EQ(clt_main_rpc(clt_global.main)->progress[0] & 0x300u, 0x300u);
}

TEST_F(FrontEnd, StatusesOfTheAnswerDecideTheOutcome) {
  struct row {
    const char* name;
    std::vector<int32_t> statuses;
    int32_t sqlcode;
    const char* message;
    int questions;
  };
  const std::vector<row> rows = {
      {"not yet ten times, then found", {-5403, -5403, -5403, -5403, -5403, -5403, -5403, -5403, -5403, -5403, 0}, 0,
       "KFPA12000-I Processing of SQL completed", 11},
      {"not yet eleven times", {-5403}, -728, "KFPA11728-E Error occurred in Marlo, reason=FALSE", 11},
      {"no front end", {-5500}, -728, "KFPA11728-E Error occurred in Marlo, reason=NO FES(SDS)", 1},
      {"shutting down", {-5600}, -728, "KFPA11728-E Error occurred in Marlo, reason=SHUTDOWN", 1},
      {"invalid status", {7}, -733, "KFPA11733-E Error occurred in Marlo, inf1=CLTGFES, inf2=", 1},
  };
  for (const row& t : rows) {
    SCOPED_TRACE(t.name);
    marlo::script s;
    s.fes_statuses = t.statuses;
    auto server = start(s);
    r.exsql();
    EXPECT_EQ(r.sqlcode(), t.sqlcode);
    EXPECT_EQ(r.message().rfind(t.message, 0), 0u) << r.message();
    EXPECT_EQ(asked(*server, "fes"), t.questions);
    zk::context_scope context;
    if (clt_global.main != nullptr) {
      clt_close_link(&r.area);
      clt_last_call_term(&r.area);
    }
  }
}

TEST_F(FrontEnd, ABusyManagerIsWaitedForWhileTheRetriesLast) {
  struct row {
    const char* count;
    int fault_count;
    int32_t sqlcode;
    std::vector<uint32_t> waits;
  };
  setenv("PDCNCTRTYWAITTIME", "3", 1);
  for (const row& t : {row{"0", -1, -723, {}}, row{"2", -1, -723, {3000, 3000}}, row{"2", 1, 0, {3000}}}) {
    SCOPED_TRACE(std::string(t.count) + "/" + std::to_string(t.fault_count));
    setenv("PDCNCTRTYCOUNT", t.count, 1);
    sleeps().clear();
    marlo::script s;
    s.how = marlo::fault::fes_busy;
    s.fault_count = t.fault_count;
    auto server = start(s);
    r.exsql();
    EXPECT_EQ(r.sqlcode(), t.sqlcode) << r.message();
    if (t.sqlcode != 0) {
      EXPECT_EQ(r.message(), "KFPA11723-E Communication error occurred, reason=Marlo BUSY");
    }
    EXPECT_EQ(sleeps(), t.waits);
    zk::context_scope context;
    if (clt_global.main != nullptr) {
      clt_close_link(&r.area);
      clt_last_call_term(&r.area);
    }
  }
}

TEST_F(FrontEnd, ASilentManagerTimesOut) {
  marlo::script s;
  s.how = marlo::fault::fes_silent;
  auto server = start(s);
  setenv("PDCONNECTWAITTIME", "1", 1);
  EXPECT_EQ(r.exsql(), -10);
  EXPECT_EQ(r.sqlcode(), -723);
  EXPECT_EQ(r.message(), "KFPA11723-E Communication error occurred, reason=NETWORK");
}

TEST_F(FrontEnd, AFailedConnectLeavesItsLinesInTheErrorLog) {
  marlo::script s;
  s.fes_statuses = {-5500};
  auto server = start(s);
  r.exsql();
  ASSERT_EQ(r.sqlcode(), -728);
  const std::string log = errlog();
  char head[64];
  snprintf(head, sizeof head, "> %5d %5d %5d %5d ", static_cast<int>(getpid()), 0, 0, 0);
  EXPECT_EQ(log.rfind(head, 0), 0u) << log;
  EXPECT_NE(log.find("KFPZ03000-I Error information, type=CONNECT STATUS"), std::string::npos) << log;
  // The application line: fixed columns after the 46-character prefix.
  const size_t at = log.find(">>");
  ASSERT_NE(at, std::string::npos) << log;
  const std::string uap = log.substr(at + 46, log.find('\n', at) - at - 46);
  EXPECT_EQ(uap.substr(0, 42), "SQLCODE:-728 *****(*********) CLTGFES     ");
  EXPECT_EQ(uap[42], ':');
  EXPECT_EQ(uap.substr(48), "CNCT KFPA11728-E Error occurred in Marlo, reason=NO FES(SDS)");
  EXPECT_EQ(log.back(), '\n');
  struct stat st {};
  ASSERT_EQ(stat(dir.file("pderr1.trc").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(FrontEnd, AnUnwritableTraceDirectoryChangesNothing) {
  setenv("PDCLTPATH", dir.file("missing").c_str(), 1);
  setenv("PDTRCMODE", "ALL", 1);
  setenv("PDTRCMDL", "4096", 1);
  setenv("PDTRCSOC", "4096", 1);
  auto server = start(marlo::script{});
  EXPECT_EQ(r.exsql(), 0) << r.message();
  EXPECT_FALSE(std::ifstream(dir.file("missing/pderr1.trc")).good());
}

}  // namespace
