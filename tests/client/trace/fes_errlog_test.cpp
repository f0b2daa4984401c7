// CONNECT without a fixed front end against the Marlo test server: the
// front end named by the connection manager, its statuses and results,
// and the error log that a failed request leaves in the trace directory.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "CLTCNTL.h"
#include "CLTCOMCTX.h"
#include "CLTGFES.h"
#include "CLTLIBCT.h"
#include "CLTTRCEL.h"
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
    "PDCLTPATH",    "PDCLTAPNAME",  "PDERRSTD",  "PDTRCMODE",    "PDUAPERLOG",     "PDCNCTRTYCOUNT",    "PDCNCTRTYWAITTIME",
    "PDCWAITTIME",  "PDCONNECTWAITTIME", "PDTRCMDL", "PDTRCRPC", "PDTRCSOC", "PDTRCSOCSIZE", "PDRETRYCOUNT",
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


// The connection-manager call scripted: each result in turn (the last
// repeats); a result 0 answers with its status and this server as the front
// end. Records the flags and the current host of every call.
struct fes_result {
  int32_t rc;
  int32_t status;
};
struct scripted_fes {
  std::vector<fes_result> results;
  uint16_t port = 0;
  std::vector<int32_t> flags;
  std::vector<std::string> hosts;
};
scripted_fes& scripted() {
  static scripted_fes s;
  return s;
}
int32_t scripted_call(const char*, com_piece*, int32_t, com_piece* in, int32_t in_count, int32_t flags) {
  scripted_fes& s = scripted();
  const fes_result r = s.results[std::min(s.flags.size(), s.results.size() - 1)];
  s.flags.push_back(flags);
  s.hosts.push_back(clt_current_env()->pdhost);
  if (r.rc == 0) {
    uint8_t* answer = in[in_count - 1].addr;
    memset(answer, 0, CLT_FES_ANSWER_SIZE);
    memcpy(answer + CLT_FES_HOST, "127.0.0.1", sizeof "127.0.0.1");
    memcpy(answer + CLT_FES_GROUP, "sds01", sizeof "sds01");
    answer[CLT_FES_PORT] = static_cast<uint8_t>(s.port >> 8);
    answer[CLT_FES_PORT + 1] = static_cast<uint8_t>(s.port);
    const auto status = static_cast<uint32_t>(r.status);
    for (int i = 0; i < 4; ++i) answer[CLT_FES_STATUS + i] = static_cast<uint8_t>(status >> (24 - 8 * i));
  }
  return r.rc;
}
int32_t scripted_get_fes() { return clt_get_fes_through(scripted_call); }

// Puts the scripted call behind the link for the life of the scope.
struct scripted_scope {
  int32_t (*saved)() = clt_link_svc.get_fes;
  scripted_scope(std::vector<fes_result> results, uint16_t port) {
    scripted() = scripted_fes{std::move(results), port, {}, {}};
    clt_link_svc.get_fes = scripted_get_fes;
  }
  scripted_scope(const scripted_scope&) = delete;
  scripted_scope& operator=(const scripted_scope&) = delete;
  ~scripted_scope() { clt_link_svc.get_fes = saved; }
};

// What the process wrote to its standard output while `run` ran.
template <typename F>
std::string standard_output_of(const std::string& path, F run) {
  fflush(stdout);
  const int saved = dup(STDOUT_FILENO);
  const int to = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  dup2(to, STDOUT_FILENO);
  close(to);
  run();
  dup2(saved, STDOUT_FILENO);
  close(saved);
  return read_file(path);
}

// The head of a message line at the pinned clock: process, thread, server
// process, line counter, date and time.
std::string message_head(int server_pid, int counter) {
  const time_t t = 1700000000;
  struct tm tm {};
  localtime_r(&t, &tm);
  char head[64];
  snprintf(head, sizeof head, "> %5d %5d %5d %5d %04d/%02d/%02d %02d:%02d:%02d ", static_cast<int>(getpid()), 0,
           server_pid, counter, tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return head;
}

// The lines of a text, each with its line feed.
std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> out;
  for (size_t at = 0; at < text.size();) {
    const size_t end = text.find('\n', at);
    const size_t stop = end == std::string::npos ? text.size() : end + 1;
    out.push_back(text.substr(at, stop - at));
    at = stop;
  }
  return out;
}

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
    end_row();
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

  // Ends the connection of one row of a table so that the next starts anew.
  void end_row() {
    zk::context_scope context;
    if (clt_global.main != nullptr) {
      clt_close_link(&r.area);
      clt_last_call_term(&r.area);
    }
  }
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
    end_row();
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
    end_row();
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

constexpr int32_t kOwnLookup = 0x100;
constexpr char kClientError[] = "KFPA11720-E Error occurred in Marlo/client, inf1=CLTGFES, inf2=";

TEST_F(FrontEnd, EveryResultOfTheManagerCallHasItsMessage) {
  struct row {
    int32_t rc;
    int32_t sqlcode;
    const char* message;  // the whole message, or its head where a line number follows
  };
  const row rows[] = {
      {-2401, -720, kClientError},
      {-2402, -720, kClientError},
      {-2408, -720, kClientError},
      {-2404, -723, "KFPA11723-E Communication error occurred, reason=CLIENT MEMORY"},
      {-2406, -723, "KFPA11723-E Communication error occurred, reason=NETWORK"},
      {-2418, -723, "KFPA11723-E Communication error occurred, reason=NETWORK"},
      {-2407, -732, "KFPA11732-E Time over, no response from Marlo"},
      {-2409, -723, "KFPA11723-E Communication error occurred, reason=Marlo DATA ERROR"},
      {-2410, -723, "KFPA11723-E Communication error occurred, reason=FES(SDS) NOT UP"},
      {-2411, -723, "KFPA11723-E Communication error occurred, reason=FES(SDS) NOT UP"},
      {-2412, -723, "KFPA11723-E Communication error occurred, reason=FES(SDS) CLOSE"},
      {-2413, -723, "KFPA11723-E Communication error occurred, reason=FES(SDS) CLOSE"},
      {-2414, -723, "KFPA11723-E Communication error occurred, reason=Marlo NOT UP"},
      {-2415, -723, "KFPA11723-E Communication error occurred, reason=Marlo NOT UP"},
      {-2416, -723, "KFPA11723-E Communication error occurred, reason=Marlo SYSTEM ERROR"},
      {-2417, -723, "KFPA11723-E Communication error occurred, reason=Marlo MEMORY"},
      {-2419, -722, "KFPA11722-E Communication error occurred, reason=INVALID DATA"},
      {-2420, -723, "KFPA11723-E Communication error occurred, reason=Marlo INITIALIZE"},
      {-2430, -722, "KFPA11722-E Communication error occurred, reason=SERVER PROCESS DOWN"},
      {-2431, -932, "KFPA11932-E Number of connect users exceeded max users"},
      {-2432, -728, "KFPA11728-E Error occurred in Marlo, reason=SHUTDOWN"},
      {-2433, -723, "KFPA11723-E Communication error occurred, reason=Marlo BUSY"},
      {-2456, -723, "KFPA11723-E Communication error occurred, reason=Marlo BUSY"},
      {-2472, -1700, "KFPA19700-E Marlo is under maintenance,code=0"},
      {-2474, -1700, "KFPA19700-E Marlo is under maintenance,code=0"},
      {-2475, -1700, "KFPA19700-E Marlo is under maintenance,code=0"},
      {-2498, -1700, "KFPA19700-E Marlo is under maintenance,code=0"},
      {-2499, -735, "KFPA11735-E FES(SDS) canceled"},
  };
  setenv("PDCNCTRTYCOUNT", "0", 1);
  setenv("PDRETRYCOUNT", "0", 1);
  auto server = start(marlo::script{});
  for (const row& t : rows) {
    SCOPED_TRACE(t.rc);
    scripted_scope scope({{t.rc, 0}}, server->sql_port());
    EXPECT_EQ(r.exsql(), -10);
    EXPECT_EQ(r.sqlcode(), t.sqlcode);
    EXPECT_EQ(r.message().rfind(t.message, 0), 0u) << r.message();
    EXPECT_EQ(r.sqlstate(), "R0000");
    EXPECT_EQ(r.source_file().rfind("CLTGFES", 0), 0u) << r.source_file();
    EXPECT_EQ(scripted().flags, std::vector<int32_t>{0}) << "reported without a retry";
    end_row();
  }
  EXPECT_EQ(asked(*server, "notice"), 0) << "a lookup that timed out sends no connection-end notice";
  EXPECT_EQ(asked(*server, "rpc"), 0);
}

TEST_F(FrontEnd, ResultsWithoutARowOfTheirOwnAreAskedOnceMoreThroughTheOwnLookup) {
  struct row {
    const char* name;
    std::vector<fes_result> results;
    int32_t sqlcode;
    std::vector<int32_t> flags;
  };
  const int32_t not_yet = CLT_FES_NOT_YET;
  std::vector<fes_result> counted = {{-2403, 0}};
  counted.insert(counted.end(), 10, fes_result{0, not_yet});
  counted.push_back({0, 0});
  const std::vector<row> rows = {
      {"-2403 twice", {{-2403, 0}}, -720, {0, kOwnLookup}},
      {"-2405 twice", {{-2405, 0}}, -720, {0, kOwnLookup}},
      {"-2464 twice", {{-2464, 0}}, -720, {0, kOwnLookup}},
      {"-2400 twice", {{-2400, 0}}, -720, {0, kOwnLookup}},
      {"-2403 then another without a row", {{-2403, 0}, {-2464, 0}}, -720, {0, kOwnLookup}},
      {"-2405 then found", {{-2405, 0}, {0, 0}}, 0, {0, kOwnLookup}},
      // The retry counts as an attempt: ten statuses "not yet" after it end the lookup.
      {"-2403 then not yet ten times", counted, -728, std::vector<int32_t>(11, kOwnLookup)},
  };
  auto server = start(marlo::script{});
  for (const row& t : rows) {
    SCOPED_TRACE(t.name);
    scripted_scope scope(t.results, server->sql_port());
    r.exsql();
    EXPECT_EQ(r.sqlcode(), t.sqlcode) << r.message();
    if (t.sqlcode == CLT_SQL_CLIENT_ERROR) {
      EXPECT_EQ(r.message().rfind(kClientError, 0), 0u) << r.message();
    }
    std::vector<int32_t> flags = t.flags;
    flags[0] = 0;
    EXPECT_EQ(scripted().flags, flags);
    end_row();
  }
}

TEST_F(FrontEnd, AManagerErrorWithoutARowIsAskedAgainThroughTheNameService) {
  struct row {
    int fault_count;
    int32_t sqlcode;
  };
  for (const row& t : {row{-1, -720}, row{1, 0}}) {
    SCOPED_TRACE(t.fault_count);
    marlo::script s;
    s.services.push_back("_pdrdm");
    s.how = marlo::fault::fes_error;
    s.error_code = -364;  // -2464 at the session: a result without a row
    s.fault_count = t.fault_count;
    auto server = start(s);
    r.exsql();
    EXPECT_EQ(r.sqlcode(), t.sqlcode) << r.message();
    EXPECT_EQ(asked(*server, "fes"), 2);
    int rdm_lookups = 0;
    for (const marlo::request& q : server->requests()) rdm_lookups += q.form == "name" && q.function == "_pdrdm";
    EXPECT_EQ(rdm_lookups, 1) << "only the second question finds the manager by name";
    end_row();
  }
}

TEST_F(FrontEnd, ALostServerReportsTheReasonItGave) {
  struct row {
    int32_t code;
    const char* message;
  };
  for (const row& t : {row{-372, "KFPA19700-E Marlo is under maintenance,code=1"},
                       row{-374, "KFPA19700-E Marlo is under maintenance,code=3"},
                       row{-375, "KFPA19700-E Marlo is under maintenance,code=4"}}) {
    SCOPED_TRACE(t.code);
    marlo::script s;
    s.how = marlo::fault::fes_error;
    s.error_code = t.code;
    auto server = start(s);
    EXPECT_EQ(r.exsql(), -10);
    EXPECT_EQ(r.sqlcode(), -1700);
    EXPECT_EQ(r.message(), t.message);
    end_row();
  }
}

TEST_F(FrontEnd, ConnectTriesTheNextHostWhileTheServerCannotBeReached) {
  struct row {
    int32_t first;
    int32_t sqlcode;
    bool next;
  };
  const row rows[] = {
      {-2401, -720, true}, {-2419, -722, true}, {-2406, -723, true}, {-2432, -728, true},
      {-2407, -732, true}, {-2431, -932, false}, {-2472, -1700, false}, {-2499, -735, false},
  };
  setenv("PDHOST", "127.0.0.2,127.0.0.1", 1);
  setenv("PDRETRYCOUNT", "0", 1);
  auto server = start(marlo::script{});
  for (const row& t : rows) {
    SCOPED_TRACE(t.first);
    scripted_scope scope({{t.first, 0}, {0, 0}}, server->sql_port());
    if (t.next) {
      EXPECT_EQ(r.exsql(), 0) << r.message();
      EXPECT_EQ(r.sqlcode(), 0);
      EXPECT_EQ(scripted().hosts, (std::vector<std::string>{"127.0.0.2", "127.0.0.1"}));
    } else {
      EXPECT_EQ(r.exsql(), -10);
      EXPECT_EQ(r.sqlcode(), t.sqlcode) << r.message();
      EXPECT_EQ(scripted().hosts, std::vector<std::string>{"127.0.0.2"});
    }
    end_row();
  }
  {
    SCOPED_TRACE("no host left");
    scripted_scope scope({{-2406, 0}}, server->sql_port());
    EXPECT_EQ(r.exsql(), -10);
    EXPECT_EQ(r.sqlcode(), -723);
    EXPECT_EQ(r.message(), "KFPA11723-E Communication error occurred, reason=NETWORK");
    EXPECT_EQ(scripted().hosts, (std::vector<std::string>{"127.0.0.2", "127.0.0.1"}));
    end_row();
  }
}

TEST_F(FrontEnd, TheConversionUtilityAsksByItsCommandName) {
  struct row {
    const char* name;
    const char* prefix;
    const char* apname;
    bool utility;
  };
  std::vector<uint8_t> by_command(CLT_FES_QUESTION_SIZE, 0);
  by_command[0] = 0xFF;
  memcpy(by_command.data() + 1, "mrlobjcnv", 9);
  const row rows[] = {
      {"the utility's own area", "*RBU", "MARLO-OBJCONVERT", true},
      {"another application's utility area", "*RBU", "MARLO-OBJCONVERTX", false},
      {"the utility's name in a plain area", "*RBD", "MARLO-OBJCONVERT", false},
  };
  for (const row& t : rows) {
    SCOPED_TRACE(t.name);
    setenv("PDCLTAPNAME", t.apname, 1);
    memcpy(r.area.prefix, t.prefix, sizeof r.area.prefix);
    auto server = start(marlo::script{});
    EXPECT_EQ(r.exsql(), 0) << r.message();
    ASSERT_EQ(asked(*server, "fes"), 1);
    std::vector<uint8_t> expected(CLT_FES_QUESTION_SIZE, 0);
    memcpy(expected.data(), t.apname, strlen(t.apname));
    for (const marlo::request& q : server->requests()) {
      if (q.form != "fes") continue;
      EXPECT_EQ(q.data, t.utility ? by_command : expected);
    }
    {
      zk::context_scope context;
      EXPECT_EQ(clt_main_uap(clt_global.main)->utility, t.utility ? 1 : 0);
    }
    end_row();
  }
}

TEST_F(FrontEnd, TheEchoOnStandardOutputIsTheFileByteForByte) {
  struct row {
    const char* errstd;
    const char* trcmode;
    bool echo;
    bool file;
  };
  for (const row& t : {row{"y", "ERR", true, true}, row{"Y", "ALL", true, true}, row{"yes", "NONE", true, false},
                       row{"n", "ERR", false, true}, row{"Nein", "ERR", false, true}}) {
    SCOPED_TRACE(std::string(t.errstd) + " " + t.trcmode);
    unlink(dir.file("pderr1.trc").c_str());
    setenv("PDERRSTD", t.errstd, 1);
    setenv("PDTRCMODE", t.trcmode, 1);
    marlo::script s;
    s.fes_statuses = {-5500};
    auto server = start(s);
    r.statement("SELECT X FROM T");
    const std::string out = standard_output_of(dir.file("stdout"), [&] { r.exsql(); });
    ASSERT_EQ(r.sqlcode(), -728);
    const std::string log = errlog();
    EXPECT_EQ(log.empty(), !t.file);
    if (t.echo) {
      EXPECT_NE(out.find("type=SQL STREAM"), std::string::npos) << out;
      EXPECT_NE(out.find(">>"), std::string::npos) << "the application line is echoed too";
      if (t.file) {
        EXPECT_EQ(out, log);
      }
    } else {
      EXPECT_EQ(out, "");
    }
    end_row();
  }
}

TEST_F(FrontEnd, TheStatementOfAFailedRequestIsLoggedAsTheSqlStream) {
  const std::string longer(300, 'Q');
  struct row {
    std::string statement;
    std::string logged;
  };
  for (const row& t : {row{"SELECT X FROM T", "SELECT X FROM T"}, row{std::string(256, 'S'), std::string(256, 'S')},
                       row{longer, std::string(255, 'Q') + " "}}) {
    SCOPED_TRACE(t.statement.size());
    unlink(dir.file("pderr1.trc").c_str());
    marlo::script s;
    s.fes_statuses = {-5500};
    auto server = start(s);
    r.statement(t.statement);
    r.exsql();
    ASSERT_EQ(r.sqlcode(), -728);
    const std::vector<std::string> lines = lines_of(errlog());
    const auto at = std::find_if(lines.begin(), lines.end(),
                                 [](const std::string& line) { return line.find("type=SQL STREAM") != std::string::npos; });
    ASSERT_NE(at, lines.end()) << errlog();
    // Each line of the connection counts one up from 0.
    const int counter = static_cast<int>(at - lines.begin());
    EXPECT_EQ(*at, message_head(0, counter) + "KFPZ03000-I Error information, type=SQL STREAM, inf=" + t.logged + "\n");
    end_row();
  }
}

TEST_F(FrontEnd, FaultyVariableListsLeaveTheirLinesInTheErrorLog) {
  auto server = start(marlo::script{});
  ASSERT_EQ(r.exsql(), 0) << r.message();
  struct row {
    int32_t kind;
    uint8_t code;
    int32_t number;
    uint32_t length;      // sqllen, the 32-bit length of the four long codes, or precision and scale as two bytes
    uint8_t value[8];     // start of the data area
    const char* line;
  };
  const row rows[] = {
      {1, 0x30, 3, 10, {}, "KFPZ04001-E SQLVAR information, type: data length, reason: number=3, sqlcod=48, sqllen=10\n"},
      {2, 0x30, 3, 10, {12, 0}, "KFPZ04001-E SQLVAR information, type: real length, reason: number=3, sqlcod=48, "
                                "sqllen=10 ,real length=12\n"},
      {1, 0x93, 1, 70000, {}, "KFPZ04001-E SQLVAR information, type: data length, reason: number=1, sqlcod=147, "
                              "sqllen=70000\n"},
      {2, 0x98, 2, 70000, {0, 0, 0, 0, 0x80, 0x38, 1, 0}, "KFPZ04001-E SQLVAR information, type: real length, "
                                                          "reason: number=2, sqlcod=152, sqllen=70000, real "
                                                          "length=80000\n"},
      {2, 0x90, 2, 9, {7, 0}, "KFPZ04001-E SQLVAR information, type: real length, reason: number=2, sqlcod=144, "
                              "sqllen=9 ,real length=7\n"},
      {3, 0xE4, 5, 0x0503, {}, "KFPZ04001-E SQLVAR information, type: decimal, reason: number=5, sqlcod=228, "
                               "sqlprcsn=5, sqlscale=3\n"},
      {4, 0xFF, -1, 0, {}, "KFPZ04001-E SQLVAR information, type: data type, reason: number=-1, sqlcod=255\n"},
  };
  zk::context_scope context;
  int counter = 0;
  for (const row& t : rows) {
    SCOPED_TRACE(t.line);
    unlink(dir.file("pderr1.trc").c_str());
    SQLVAR var{};
    var.sqlcod = t.code;
    uint8_t data[8];
    memcpy(data, t.value, sizeof data);
    var.SQLDATA = data;
    if (t.code == 0x93 || t.code == 0x98) {
      var.len.sqllen32 = t.length;
    } else if (t.kind == 3) {
      var.len.d.sqlprcsn = static_cast<uint8_t>(t.length >> 8);
      var.len.d.sqlscale = static_cast<uint8_t>(t.length);
    } else {
      var.len.s.sqllen = static_cast<int16_t>(t.length);
    }
    clt_errlog_sqlvar(t.kind, t.number, &var);
    EXPECT_EQ(errlog(), message_head(777, counter++) + t.line);
  }
  struct list_row {
    int32_t kind;
    int16_t sqln;
    int16_t sqld;
    const char* line;
  };
  for (const list_row& t : {list_row{1, -1, 0, "KFPZ04002-E SQLDA information, type: sqln, reason: sqln=-1, sqld=0\n"},
                            list_row{2, 2, 3, "KFPZ04002-E SQLDA information, type: sqld, reason: sqln=2, sqld=3\n"}}) {
    SCOPED_TRACE(t.line);
    unlink(dir.file("pderr1.trc").c_str());
    SQLDA list{};
    list.sqln = t.sqln;
    list.sqld = t.sqld;
    clt_errlog_sqlda(t.kind, &list);
    EXPECT_EQ(errlog(), message_head(777, counter++) + t.line);
  }
}

}  // namespace
