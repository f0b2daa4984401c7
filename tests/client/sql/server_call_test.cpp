// The server call and link: transport choice, busy retries, the reports
// of failed exchanges and the connection-end notice, against the Marlo
// test server.
#include <arpa/inet.h>

#include <thread>

#include "CLTLIBMN.h"
#include "CLTSQLSC.h"
#include "wire2_support.h"

namespace {

using wire2::pattern;

constexpr int32_t kFuncConnect = 13;
constexpr int32_t kFuncDisconnect = 14;
constexpr int32_t kFuncCommit = 10;

class ServerCall : public wire2::rpc_test {
 protected:
  SQLCA sqlca{};
  rdb_sql_area area{};
  std::vector<uint8_t> request = pattern(64, 1);

  void SetUp() override {
    wire2::rpc_test::SetUp();
    area.sqlca = &sqlca;
    main.clt_pid = 4242;
  }

  // Opens the link with a fixed front end: the service group and the
  // server's name port as the front-end host's port.
  int32_t open_link() {
    snprintf(env.pdfeshost, sizeof env.pdfeshost, "127.0.0.1:%u", server->name_port());
    return clt_open_link(&area);
  }

  int32_t exchange(int32_t func) {
    main.funccode = func;
    uint32_t in_len = static_cast<uint32_t>(request.size());
    uint32_t out_len = static_cast<uint32_t>(reply.size());
    return clt_call_server(request.data(), &in_len, reply.data(), &out_len, &area);
  }

  std::string message() const { return std::string(sqlca.sqlerrmc, static_cast<size_t>(sqlca.sqlerrml)); }
};

TEST_F(ServerCall, RequestsGoByRpcOrByTheDirectFrame) {
  marlo::script s;
  s.bodies["p_f_sqa_ccommit"] = pattern(40, 2);
  start(s);
  ASSERT_EQ(open_link(), 0) << message();
  EXPECT_EQ(main.session_open, 1);
  EXPECT_EQ(rconn.fes_looked_up, 0);
  ASSERT_EQ(exchange(kFuncConnect), 0) << message();
  EXPECT_EQ(main.connected, 1);
  EXPECT_EQ(seen("rpc").back().flags, 4u);
  rconn.direct = 'Y';
  ASSERT_EQ(exchange(kFuncCommit), 0) << message();
  EXPECT_EQ(seen("frame").back().reqcode, 0x87);
  EXPECT_EQ(std::vector<uint8_t>(reply.begin(), reply.begin() + 40), pattern(40, 2));
  EXPECT_EQ(rconn.progress[0] & 0xC0, 0xC0u) << "the call started and ended";
}

TEST_F(ServerCall, DisconnectPassesNoKeepFlag) {
  start(marlo::script{});
  ASSERT_EQ(open_link(), 0) << message();
  ASSERT_EQ(exchange(kFuncDisconnect), 0) << message();
  EXPECT_EQ(seen("rpc").back().function, "p_f_sqa_cdisconnect");
  EXPECT_EQ(seen("rpc").back().flags, 0u);
}

TEST_F(ServerCall, AFunctionWithoutAServerFunctionIsRefusedBeforeSending) {
  start(marlo::script{});
  ASSERT_EQ(open_link(), 0) << message();
  EXPECT_EQ(exchange(27), -1);
  EXPECT_EQ(sqlca.SQLCODE, -720);
  EXPECT_EQ(message().rfind("KFPA11720-E Error occurred in Marlo/client, inf1=CLTSQLSC", 0), 0u) << message();
  EXPECT_TRUE(server->requests().empty());
}

TEST_F(ServerCall, AfterAFailureTheLinkIsClosedAndTheNextRequestRefused) {
  marlo::script s;
  s.how = marlo::fault::corrupt_reply;
  start(s);
  ASSERT_EQ(open_link(), 0) << message();
  EXPECT_EQ(exchange(kFuncConnect), -1);
  EXPECT_EQ(sqlca.SQLCODE, -723);
  EXPECT_EQ(message(), "KFPA11723-E Communication error occurred, reason=NETWORK");
  EXPECT_EQ(std::string(area.sqlstate, 5), "R0000");
  EXPECT_EQ(main.session_open, 0);
  EXPECT_EQ(main.connected, 0);
  EXPECT_EQ(exchange(kFuncConnect), -1);
  EXPECT_EQ(sqlca.SQLCODE, -720);
}

TEST_F(ServerCall, ABusyServerIsRetriedOnANewLinkOrReported) {
  marlo::script s;
  s.how = marlo::fault::busy;
  start(s);
  env.pdcnctrtycount = 3;
  env.pdcnctrtywaittime = 2;
  ASSERT_EQ(open_link(), 0) << message();
  EXPECT_EQ(exchange(kFuncConnect), -1);
  EXPECT_EQ(rconn.busy, 1) << "the busy mark stays for the CONNECT entry";
  EXPECT_EQ(sqlca.SQLCODE, 0) << "a retry reports nothing";
  EXPECT_EQ(main.session_open, 0);
  ASSERT_FALSE(sleeps.empty());
  EXPECT_EQ(sleeps.back(), 2000u);

  env.pdcnctrtycount = 0;
  ASSERT_EQ(open_link(), 0) << message();
  EXPECT_EQ(exchange(kFuncConnect), -1);
  EXPECT_EQ(sqlca.SQLCODE, -723);
  EXPECT_EQ(message(), "KFPA11723-E Communication error occurred, reason=Marlo BUSY");
  EXPECT_EQ(rconn.busy, 0);
}

TEST_F(ServerCall, ATimeOutSendsTheConnectionEndNoticeFirst) {
  marlo::script s;
  s.how = marlo::fault::silent;
  s.fault_after = 1;
  s.connection_number = 77;
  start(s);
  ASSERT_EQ(open_link(), 0) << message();
  ASSERT_EQ(exchange(kFuncConnect), 0) << message();
  env.pdcwaittime = 3;
  snprintf(env.pdcltapname, sizeof env.pdcltapname, "tester");
  EXPECT_EQ(exchange(kFuncCommit), -1);
  EXPECT_EQ(sqlca.SQLCODE, -732);
  EXPECT_EQ(message(), "KFPA11732-E Time over, no response from Marlo");
  for (int i = 0; i < 100 && seen("notice").empty(); ++i) usleep(5000);
  auto notices = seen("notice");
  ASSERT_EQ(notices.size(), 1u);
  const std::vector<uint8_t>& n = notices[0].data;
  ASSERT_EQ(n.size(), CLT_RDM_NOTICE_SIZE);
  EXPECT_EQ(n[98], 1) << "reason: timed out";
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&n[65])), wire2::kGroup);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&n[169])), "tester");
  uint32_t cnct;
  memcpy(&cnct, &n[100], 4);
  EXPECT_EQ(ntohl(cnct), 77u) << "numbers in the server's byte order";
  EXPECT_EQ(env.pdfeshost[0], '\0') << "the next CONNECT looks the front end up again";
  EXPECT_EQ(main.session_open, 0);
}

TEST_F(ServerCall, ACancelledRequestIsReportedAfterTheNotice) {
  marlo::script s;
  s.how = marlo::fault::silent;
  s.fault_after = 1;
  start(s);
  ASSERT_EQ(open_link(), 0) << message();
  ASSERT_EQ(exchange(kFuncConnect), 0) << message();
  env.pdcwaittime = 0;  // no limit: only the cancel ends the wait
  std::thread abort_call([this] {
    usleep(30000);
    clt_com_cancel_set(&main, 1);
  });
  EXPECT_EQ(exchange(kFuncCommit), -1);
  abort_call.join();
  EXPECT_EQ(sqlca.SQLCODE, -735);
  EXPECT_EQ(message(), "KFPA11735-E FES(SDS) canceled");
  for (int i = 0; i < 100 && seen("notice").empty(); ++i) usleep(5000);
  ASSERT_EQ(seen("notice").size(), 1u);
  EXPECT_EQ(seen("notice")[0].data[98], 0) << "reason: cancelled";
}

TEST_F(ServerCall, ExchangeResultsBecomeMessages) {
  struct row {
    marlo::fault how;
    int32_t code;
    int32_t sqlcode;
    const char* text;
  };
  const row rows[] = {
      {marlo::fault::error_reply, -2472, -1700, "KFPA19700-E Marlo is under maintenance,code=1"},
      {marlo::fault::short_reply, 0, -723, "KFPA11723-E Communication error occurred, reason=NETWORK"},
      // A server error of no other meaning is no row of the table.
      {marlo::fault::error_reply, -1, -720, "KFPA11720-E Error occurred in Marlo/client, inf1=CLTSQLSC, inf2="},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.text);
    marlo::script s;
    s.how = r.how;
    s.error_code = r.code;
    start(s);
    rconn = clt_rpc_conn{};
    ASSERT_EQ(open_link(), 0) << message();
    EXPECT_EQ(exchange(kFuncConnect), -1);
    EXPECT_EQ(sqlca.SQLCODE, r.sqlcode);
    EXPECT_EQ(message().rfind(r.text, 0), 0u) << message();
  }
}

TEST_F(ServerCall, AnotherCallArrivingMeanwhileRefusesTheRequest) {
  start(marlo::script{});
  ASSERT_EQ(open_link(), 0) << message();
  clt_global_data other{};
  other.refused_call = 1;
  clt_cur_global.store(&other);
  EXPECT_EQ(exchange(kFuncConnect), -1);
  clt_cur_global.store(nullptr);
  EXPECT_EQ(sqlca.SQLCODE, -725);
  EXPECT_TRUE(server->requests().empty());
}

TEST_F(ServerCall, OpeningTheLinkReportsFailures) {
  start(marlo::script{});
  const clt_link_services saved = clt_link_svc;
  clt_link_svc.get_fes = nullptr;
  EXPECT_EQ(clt_open_link(&area), -1) << "no fixed front end and no lookup to ask";
  clt_link_svc = saved;
  EXPECT_EQ(sqlca.SQLCODE, -720);
  EXPECT_EQ(main.session_open, 0);
  env.pdsrvtype = 2;
  clt_link_svc.rd_open = nullptr;
  EXPECT_EQ(clt_open_link(&area), -1) << "no second protocol here";
  clt_link_svc = saved;
  EXPECT_EQ(sqlca.SQLCODE, -724);
}

}  // namespace
