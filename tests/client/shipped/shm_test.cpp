// PDIPC=MEMORY through the shipped library: after CONNECT every statement
// goes through the shared-memory sections, none over the socket until
// DISCONNECT, with the results the socket path gives.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <memory>
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
constexpr int32_t kRcError = -10;
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

// The same statements and results as over the socket.
constexpr statement_case kCases[] = {
    {"SET ", "p_f_sqa_csetup", -204, "42S02", "KFPA11204-E T1 not found", kRcError},
    {"AUX ", "p_f_sqa_caux", 100, "02000", "KFPA12100-I No rows satisfying search condition", 100},
    {"OPEN", "p_f_sqa_copen", 0, "00000", kCompleted, 0},
    {"CLOS", "p_f_sqa_cclose", 0, "00000", kCompleted, 0},
    {"CMIT", "p_f_sqa_ccommit", 0, "00000", kCompleted, 0},
};

void blank(char* field, size_t n, const char* text) {
  memset(field, ' ', n);
  memcpy(field, text, strnlen(text, n));
}

TEST(ShippedSharedMemory, StatementsGoThroughTheSectionsWithTheSocketsResults) {
  zk::temp_dir dir;
  setenv("PDMEMTRCFILE", dir.file("pdmem.trc").c_str(), 1);
  setenv("PDSERVICEGRP", kGroup, 1);
  setenv("PDHOST", "127.0.0.1", 1);
  setenv("PDAUTOCONNECT", "OFF", 1);
  setenv("PDIPC", "MEMORY", 1);
  marlo::script s;
  s.services.push_back(kGroup);
  s.bodies[kConnectFn] = marlo::connect_body(false, "1j", "07-02-00", 777, kLevel26);
  s.bodies[kDisconnectFn] = marlo::reply_body(false, 0, "00000", "");
  for (const statement_case& c : kCases) s.bodies[c.function] = marlo::reply_body(false, c.sqlcode, c.sqlstate, c.message);
  marlo::server server(std::move(s));
  ASSERT_TRUE(server.ok());
  setenv("PDFESHOST", ("127.0.0.1:" + std::to_string(server.name_port())).c_str(), 1);
  shipped::library lib;
  ASSERT_EQ(lib.error(), "");

  zk::request cnct{"CNCT"};
  blank(cnct.area.authid, sizeof cnct.area.authid, "scott");
  blank(cnct.area.passwd, sizeof cnct.area.passwd, "tiger");
  blank(cnct.area.cnctbody, sizeof cnct.area.cnctbody, "");
  lib.exsql(&cnct.area);
  ASSERT_EQ(cnct.sqlca.SQLCODE, 0);
  const size_t after_connect = server.requests().size();

  for (const statement_case& c : kCases) {
    SCOPED_TRACE(c.reqcode);
    zk::request r{c.reqcode};
    r.statement(kText);
    EXPECT_EQ(lib.exsql(&r.area), c.returns);
    EXPECT_EQ(r.sqlca.SQLCODE, c.sqlcode);
    EXPECT_EQ(std::string(r.area.sqlstate, sizeof r.area.sqlstate), c.sqlstate);
    EXPECT_EQ(std::string(r.sqlca.sqlerrmc, static_cast<size_t>(r.sqlca.sqlerrml)), c.message);
    const std::vector<marlo::request> seen = server.requests();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back().function, c.function);
    EXPECT_EQ(seen.back().form, "shm");
  }
  zk::request leave{"DISC"};
  lib.exsql(&leave.area);
  EXPECT_EQ(leave.sqlca.SQLCODE, 0);

  const std::vector<marlo::request> seen = server.requests();
  size_t on_socket = 0;
  for (size_t i = after_connect; i < seen.size(); ++i) {
    const marlo::request& q = seen[i];
    if (q.form == "rpc" || q.form == "compact" || q.form == "frame") {
      ++on_socket;
      EXPECT_EQ(q.function, kDisconnectFn);
    }
  }
  EXPECT_EQ(on_socket, 1u) << "only DISCONNECT's own request";
  // The channel's disconnect comes before DISCONNECT's own request.
  const auto first = seen.begin() + static_cast<long>(after_connect);
  const auto channel_end =
      std::find_if(first, seen.end(), [](const marlo::request& q) { return q.form == "shm_disconnect"; });
  const auto own = std::find_if(first, seen.end(), [](const marlo::request& q) { return q.function == kDisconnectFn; });
  EXPECT_LT(channel_end, own);
  unsetenv("PDIPC");
}

}  // namespace
