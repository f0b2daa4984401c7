// Statements through the shipped library against the test server: each
// reaches the server under its function, carries its SQL text, and the
// server's SQLCODE and SQLSTATE come back into the caller's areas.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "marlo_server.h"
#include "shipped_library.h"
#include "zk_harness.h"

namespace {

constexpr char kGroup[] = "sds01";
constexpr char kConnectFn[] = "p_f_sqa_cconnect";
constexpr char kDisconnectFn[] = "p_f_sqa_cdisconnect";
constexpr uint32_t kLevel26 = ~26u;
constexpr int32_t kSqlNotFound = 100;
constexpr int32_t kSqlNoTable = -204;
constexpr int32_t kSqlCanceled = -735;
constexpr int32_t kRcError = -10;
// The client words a success in its own message.
constexpr char kCompleted[] = "KFPA12000-I Processing of SQL completed";
constexpr char kText[] = "SELECT C1 FROM T1";

struct statement_case {
  const char* reqcode;
  const char* function;
  int32_t sqlcode;
  const char* sqlstate;
  const char* message;
  int32_t returns;  // of p_rdb_exsql
};

constexpr statement_case kCases[] = {
    {"SET ", "p_f_sqa_csetup", kSqlNoTable, "42S02", "KFPA11204-E T1 not found", kRcError},
    {"AUX ", "p_f_sqa_caux", kSqlNotFound, "02000", "KFPA12100-I No rows satisfying search condition", kSqlNotFound},
    {"OPEN", "p_f_sqa_copen", 0, "00000", kCompleted, 0},
    {"CLOS", "p_f_sqa_cclose", 0, "00000", kCompleted, 0},
    {"RNDS", "p_f_sqa_cdisc_rdnode", 0, "00000", kCompleted, 0},
};

void blank(char* field, size_t n, const char* text) {
  memset(field, ' ', n);
  memcpy(field, text, strnlen(text, n));
}

struct session {
  zk::temp_dir dir;
  std::unique_ptr<marlo::server> server;

  explicit session(marlo::script s) {
    setenv("PDMEMTRCFILE", dir.file("pdmem.trc").c_str(), 1);
    setenv("PDSERVICEGRP", kGroup, 1);
    setenv("PDHOST", "127.0.0.1", 1);
    setenv("PDAUTOCONNECT", "OFF", 1);
    s.services.push_back(kGroup);
    s.bodies[kConnectFn] = marlo::connect_body(false, "1j", "07-02-00", 777, kLevel26);
    s.bodies[kDisconnectFn] = marlo::reply_body(false, 0, "00000", "");
    server = std::make_unique<marlo::server>(std::move(s));
    setenv("PDFESHOST", ("127.0.0.1:" + std::to_string(server->name_port())).c_str(), 1);
  }

  static void connect(const shipped::library& lib) {
    zk::request r{"CNCT"};
    blank(r.area.authid, sizeof r.area.authid, "scott");
    blank(r.area.passwd, sizeof r.area.passwd, "tiger");
    blank(r.area.cnctbody, sizeof r.area.cnctbody, "");
    lib.exsql(&r.area);
    ASSERT_EQ(r.sqlca.SQLCODE, 0);
  }

  int count(const char* function) const {
    const std::vector<marlo::request> seen = server->requests();
    return static_cast<int>(
        std::count_if(seen.begin(), seen.end(), [function](const marlo::request& q) { return q.function == function; }));
  }
};

bool holds(const std::vector<uint8_t>& data, const std::string& text) {
  return std::search(data.begin(), data.end(), text.begin(), text.end()) != data.end();
}

// Each case in turn: its reply in the caller's areas, its request at the
// server under its function (and in the given form when one is given).
void run_cases(const shipped::library& lib, const session& sess, const char* form) {
  for (const statement_case& c : kCases) {
    SCOPED_TRACE(c.reqcode);
    zk::request r{c.reqcode};
    r.statement(kText);
    EXPECT_EQ(lib.exsql(&r.area), c.returns);
    EXPECT_EQ(r.sqlca.SQLCODE, c.sqlcode);
    EXPECT_EQ(std::string(r.area.sqlstate, sizeof r.area.sqlstate), c.sqlstate);
    EXPECT_EQ(std::string(r.sqlca.sqlerrmc, static_cast<size_t>(r.sqlca.sqlerrml)), c.message);
    const std::vector<marlo::request> seen = sess.server->requests();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back().function, c.function);
    if (form != nullptr) {
      EXPECT_EQ(seen.back().form, form);
    }
  }
}

TEST(ShippedStatement, EachStatementReachesItsFunctionAndTheReplyFillsTheAreas) {
  marlo::script s;
  for (const statement_case& c : kCases) s.bodies[c.function] = marlo::reply_body(false, c.sqlcode, c.sqlstate, c.message);
  session sess(std::move(s));
  ASSERT_TRUE(sess.server->ok());
  shipped::library lib;
  ASSERT_EQ(lib.error(), "");
  session::connect(lib);

  run_cases(lib, sess, nullptr);
  // PREPARE carries the statement's text.
  bool text_sent = false;
  for (const marlo::request& q : sess.server->requests()) {
    if (q.function == kCases[0].function) text_sent = holds(q.data, kText);
  }
  EXPECT_TRUE(text_sent);

  zk::request leave{"DISC"};
  lib.exsql(&leave.area);
  EXPECT_EQ(leave.sqlca.SQLCODE, 0);
  EXPECT_EQ(sess.count(kDisconnectFn), 1);
}

// A cancelled EXECUTE leaves the connection for DISCONNECT to end without
// a word to the server.
TEST(ShippedStatement, AfterACancelledExecuteDisconnectSendsNothing) {
  marlo::script s;
  s.bodies["p_f_sqa_caux"] = marlo::reply_body(false, kSqlCanceled, "S1008", "KFPA11735-E FES(SDS) canceled");
  session sess(std::move(s));
  ASSERT_TRUE(sess.server->ok());
  shipped::library lib;
  ASSERT_EQ(lib.error(), "");
  session::connect(lib);

  zk::request execute{"AUX "};
  execute.statement(kText);
  lib.exsql(&execute.area);
  EXPECT_EQ(execute.sqlca.SQLCODE, kSqlCanceled);
  zk::request leave{"DISC"};
  lib.exsql(&leave.area);
  EXPECT_EQ(leave.sqlca.SQLCODE, 0);
  EXPECT_EQ(sess.count(kDisconnectFn), 0);
  // The next connection takes its leave again.
  session::connect(lib);
  zk::request again{"DISC"};
  lib.exsql(&again.area);
  EXPECT_EQ(sess.count(kDisconnectFn), 1);
}

// PDIPC=MEMORY: after CONNECT each statement goes through the shared-memory
// sections, none over the socket until DISCONNECT, with the same results.
TEST(ShippedStatement, OverTheSharedMemoryChannelEachStatementGivesTheSameResults) {
  marlo::script s;
  for (const statement_case& c : kCases) s.bodies[c.function] = marlo::reply_body(false, c.sqlcode, c.sqlstate, c.message);
  setenv("PDIPC", "MEMORY", 1);
  session sess(std::move(s));
  ASSERT_TRUE(sess.server->ok());
  shipped::library lib;
  ASSERT_EQ(lib.error(), "");
  session::connect(lib);
  const size_t after_connect = sess.server->requests().size();

  run_cases(lib, sess, "shm");
  zk::request leave{"DISC"};
  lib.exsql(&leave.area);
  EXPECT_EQ(leave.sqlca.SQLCODE, 0);
  unsetenv("PDIPC");

  // Over the socket only DISCONNECT's own request, after the channel's disconnect.
  const std::vector<marlo::request> seen = sess.server->requests();
  const auto first = seen.begin() + static_cast<long>(after_connect);
  const auto on_socket = [](const marlo::request& q) { return q.form == "rpc" || q.form == "compact" || q.form == "frame"; };
  EXPECT_EQ(std::count_if(first, seen.end(), on_socket), 1);
  const auto channel_end =
      std::find_if(first, seen.end(), [](const marlo::request& q) { return q.form == "shm_disconnect"; });
  const auto own = std::find_if(first, seen.end(), on_socket);
  ASSERT_NE(own, seen.end());
  EXPECT_EQ(own->function, kDisconnectFn);
  EXPECT_LT(channel_end, own);
}

}  // namespace
