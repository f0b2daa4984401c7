// A connection through the shipped library alone, with no slot replaced:
// after the server reports the session lost (-941) the connection is
// closed, and a new CONNECT works.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "marlo_server.h"
#include "shipped_library.h"
#include "zk_harness.h"

namespace {

constexpr char kGroup[] = "sds01";
constexpr char kConnectFn[] = "p_f_sqa_cconnect";
constexpr char kCommitFn[] = "p_f_sqa_ccommit";
constexpr char kDisconnectFn[] = "p_f_sqa_cdisconnect";
constexpr uint32_t kLevel26 = ~26u;
constexpr int32_t kSqlSessionLost = -941;
constexpr char kSessionLost[] = "KFPA11941-E Session lost";

void blank(char* field, size_t n, const char* text) {
  memset(field, ' ', n);
  memcpy(field, text, strnlen(text, n));
}

void connect(const shipped::library& lib, zk::request& r) {
  blank(r.area.authid, sizeof r.area.authid, "scott");
  blank(r.area.passwd, sizeof r.area.passwd, "tiger");
  blank(r.area.cnctbody, sizeof r.area.cnctbody, "");
  lib.exsql(&r.area);
}

TEST(ShippedSession, ASessionLostReplyClosesTheConnectionAndANewConnectWorks) {
  zk::temp_dir dir;
  setenv("PDMEMTRCFILE", dir.file("pdmem.trc").c_str(), 1);
  setenv("PDSERVICEGRP", kGroup, 1);
  setenv("PDHOST", "127.0.0.1", 1);
  setenv("PDAUTOCONNECT", "OFF", 1);
  marlo::script s;
  s.services.push_back(kGroup);
  s.bodies[kConnectFn] = marlo::connect_body(false, "1j", "07-02-00", 777, kLevel26);
  s.bodies[kCommitFn] = marlo::reply_body(false, kSqlSessionLost, "08S01", kSessionLost);
  s.bodies[kDisconnectFn] = marlo::reply_body(false, 0, "00000", "");
  marlo::server server(std::move(s));
  ASSERT_TRUE(server.ok());
  setenv("PDFESHOST", ("127.0.0.1:" + std::to_string(server.name_port())).c_str(), 1);
  shipped::library lib;
  ASSERT_EQ(lib.error(), "");
  const int sockets_before = zk::open_sockets();

  zk::request first{"CNCT"};
  connect(lib, first);
  ASSERT_EQ(first.sqlca.SQLCODE, 0);
  zk::request commit{"CMIT"};
  lib.exsql(&commit.area);
  ASSERT_EQ(commit.sqlca.SQLCODE, kSqlSessionLost);
  zk::request again{"CNCT"};
  connect(lib, again);
  EXPECT_EQ(again.sqlca.SQLCODE, 0);
  const std::vector<marlo::request> seen = server.requests();
  // The new connection ends as any other does.
  zk::request leave{"DISC"};
  lib.exsql(&leave.area);
  EXPECT_EQ(leave.sqlca.SQLCODE, 0);
  EXPECT_EQ(zk::sockets_settled_at(sockets_before), sockets_before);

  int connects = 0;
  for (const marlo::request& q : seen) {
    connects += q.function == kConnectFn ? 1 : 0;
    // The server has ended the session: nothing takes its leave of it.
    EXPECT_NE(q.form, "closing");
  }
  EXPECT_EQ(connects, 2);
}

}  // namespace
