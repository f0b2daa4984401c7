// The second server protocol through p_rdb_exsql in this process, where
// the control block can be read: what CONNECT takes from the server's
// blocks, what the settings add to the connect message, the state that
// statement replies leave, the caller's reply area when replies are
// malformed, the checks of output variables before anything is sent,
// and the wait for the greeting.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CLTLIBCT.h"
#include "CLTSQLSC.h"
#include "cltrdsql.h"
#include "marlo_server.h"
#include "sockadapt.h"
#include "zk_harness.h"
#include "zk_wiring.h"

namespace {

using bytes = std::vector<uint8_t>;

constexpr int16_t kLayout = 0x802;
const std::vector<const char*> kSettings = {"PDMEMTRCFILE", "PDHOST", "PDFESHOST", "PDSERVICEGRP", "PDAUTOCONNECT",
                                            "PDSRVTYPE", "PDNAMEPORT", "PDTP1SERVICE", "DCSERVICE", "PDCLTRDNODE",
                                            "PDCWAITTIME", "PDCLTPATH", "PDSTANDARDSQLSTATE", "PDBLKF"};

void blank(char* field, size_t n, const char* text) {
  memset(field, ' ', n);
  memcpy(field, text, strnlen(text, n));
}

std::string text_at(const bytes& m, size_t at, size_t n) {
  return std::string(reinterpret_cast<const char*>(m.data() + at), n);
}
uint16_t be16_at(const bytes& m, size_t at) { return static_cast<uint16_t>(m[at] << 8 | m[at + 1]); }

class RdLink : public ::testing::Test {
 protected:
  zk::services_scope services;
  zk::temp_dir dir;
  std::unique_ptr<marlo::server> server;

  void SetUp() override {
    for (const char* name : kSettings) unsetenv(name);
    setenv("PDMEMTRCFILE", dir.file("pdmem.trc").c_str(), 1);
    setenv("PDCLTPATH", dir.path.c_str(), 1);
    setenv("PDHOST", "127.0.0.1", 1);
    setenv("PDAUTOCONNECT", "OFF", 1);
    setenv("PDSRVTYPE", "ZUM4", 1);
    zk_wire_services();
  }
  void TearDown() override {
    end();
    sa_set_round_us(0);
    for (const char* name : kSettings) unsetenv(name);
  }

  void start(marlo::rd_options rd, uint8_t standard_sqlstate = 0) {
    marlo::script s;
    s.standard_sqlstate = standard_sqlstate;
    rd.on = true;
    s.rd = std::move(rd);
    s.sql_service = true;
    marlo::table t;
    t.name = "T";
    marlo::column n = marlo::column::of("N", 0xF0, 4);
    n.nullable = false;
    t.columns = {n};
    for (const char* v : {"1", "2", "3", "4", "5", "6"}) t.rows.push_back({marlo::cell::of(v)});
    EXPECT_EQ(s.tables.declare(t), "");
    server = std::make_unique<marlo::server>(std::move(s));
    ASSERT_TRUE(server->ok());
    setenv("PDNAMEPORT", std::to_string(server->name_port()).c_str(), 1);
  }

  static int32_t connect(zk::request& r) {
    blank(r.area.authid, sizeof r.area.authid, "scott");
    blank(r.area.passwd, sizeof r.area.passwd, "tiger");
    blank(r.area.cnctbody, sizeof r.area.cnctbody, "");
    return r.exsql();
  }
  static int32_t insert(zk::request& r) {
    r.statement("INSERT INTO T (N) VALUES (1)");
    r.area.section = 4;
    r.area.version = kLayout;
    return r.exsql();
  }
  // The connection and its control block go, as at the end of a program,
  // under the context the caller holds.
  static void end_held() {
    if (clt_global.main == nullptr) return;
    clt_close_link(nullptr);
    zk::request r{"DISC"};
    clt_last_call_term(&r.area);
  }
  static void end() {
    zk::context_scope context;
    end_held();
  }
  static clt_rd_link& link() { return clt_main_com(clt_global.main)->rd; }
};

TEST_F(RdLink, ConnectTakesTheServerBlockTheFlagAndMarksAnOldServer) {
  const struct {
    const char* what;
    const char* version;
    bool server_block;
    char flag;
    int32_t level_word;
  } cases[] = {
      {"a current server", "28-00-00", true, 'Y', static_cast<int32_t>(~26u)},
      {"a server of 27-00", "27-00-00", true, 'Y', -12},
      {"an older one, without a server block", "26-05-00", false, 'X', -12},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    marlo::rd_options rd;
    rd.version = c.version;
    rd.server_block = c.server_block;
    rd.server_flag = c.flag;
    start(rd);
    zk::request cnct{"CNCT"};
    ASSERT_EQ(connect(cnct), 0) << cnct.message();
    EXPECT_EQ(cnct.message(), "JXZ2000I . R. PROCESSING OF SQL COMPLETED");
    zk::context_scope context;
    clt_main* main = clt_global.main;
    EXPECT_EQ(main->srv_level, c.level_word);
    EXPECT_EQ(link().server_flag, c.flag == 'Y' ? 'Y' : 'N');
    if (c.server_block) {
      EXPECT_EQ(main->cnct_number, 0x0102u);
      EXPECT_EQ(main->srv_pid, 0x4711u);
      EXPECT_STREQ(link().server_name, "RDSRV01");
    } else {
      EXPECT_EQ(main->cnct_number, 0u);
      EXPECT_EQ(main->srv_pid, 0u);
      EXPECT_STREQ(link().server_name, "");
    }
    end_held();
  }
}

TEST_F(RdLink, TheSettingsNameTheNodeAndTheServiceOfTheConnectMessage) {
  const struct {
    const char* tp1;
    const char* node;
    bool service_sent;
  } cases[] = {{"YES", "NODE01", true}, {"NO", nullptr, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tp1);
    setenv("DCSERVICE", "DCSV1", 1);
    setenv("PDTP1SERVICE", c.tp1, 1);
    if (c.node != nullptr) {
      setenv("PDCLTRDNODE", c.node, 1);
    } else {
      unsetenv("PDCLTRDNODE");
    }
    start({});
    zk::request cnct{"CNCT"};
    ASSERT_EQ(connect(cnct), 0) << cnct.message();
    const bytes m = server->requests().front().message;
    ASSERT_GE(m.size(), 312u);
    const std::string node = c.node != nullptr ? c.node : "";
    EXPECT_EQ(be16_at(m, 138), node.size());
    EXPECT_EQ(text_at(m, 216, 32), node + std::string(32 - node.size(), ' '));
    const uint32_t total = static_cast<uint32_t>(m[0]) << 24 | m[1] << 16 | m[2] << 8 | m[3];
    EXPECT_EQ(total, m.size());
    if (c.service_sent) {
      EXPECT_EQ(text_at(m, m.size() - 10, 5), "DCSV1");
      EXPECT_EQ(be16_at(m, m.size() - 12), 5);
    } else {
      EXPECT_EQ(text_at(m, m.size() - 10, 5).find("DCSV1"), std::string::npos);
    }
    end();
  }
}

TEST_F(RdLink, StatementRepliesCarryTheTransactionStateAndTheImplicitCommit) {
  marlo::rd_options rd;
  rd.trn_byte = 2;
  rd.implicit_commit = 1;
  start(rd);
  zk::request cnct{"CNCT"};
  ASSERT_EQ(connect(cnct), 0) << cnct.message();
  zk::request ins{"AUXI"};
  ASSERT_EQ(insert(ins), 0) << ins.message();
  {
    zk::context_scope context;
    EXPECT_EQ(link().trn_state, 2);
    EXPECT_EQ(link().implicit_commit, 1);
  }
  zk::request commit{"CMIT"};
  EXPECT_EQ(commit.exsql(), 0) << commit.message();
}

// The caller's reply area between guard bytes: a reply packet larger than
// its capacity, a status byte outside the packet, remote errors whose
// text runs to the end of the reply or past 254 bytes.
TEST_F(RdLink, MalformedRepliesLeaveTheCallersAreasIntact) {
  // Where the test server's reply packet begins: after blocks 1 and 2,
  // the server block and block 3.
  constexpr size_t kPacketAt = 20 + 28 + 40 + 16 + 48;
  // A remote-error reply whose error block at 20 leads 8 bytes on to the text.
  auto remote = [](const std::string& text, bool nul) {
    return [text, nul](bytes* r) {
      bytes e(28, 0);
      e[4] = 0x07;
      e[5] = 0xD2;
      e[9] = 20;
      e[15] = 20;
      e[27] = 8;
      e.insert(e.end(), text.begin(), text.end());
      if (nul) e.push_back(0);
      const uint32_t n = static_cast<uint32_t>(e.size());
      e[2] = static_cast<uint8_t>(n >> 8);
      e[3] = static_cast<uint8_t>(n);
      *r = e;
    };
  };
  const std::string long_text(300, 'L');
  const struct {
    const char* what;
    std::function<void(bytes*)> edit;
    uint32_t capacity;
    int32_t sqlcode;
    std::string message;
  } cases[] = {
      {"a packet larger than the capacity", [](bytes*) {}, 64, -720, ""},
      {"a status offset outside the packet",
       [](bytes* r) { (*r)[kPacketAt + 8] = 0x7F; },
       4096, -720, ""},
      {"a remote error text up to the end of the reply", remote("NO NUL HERE", false), 4096, -874,
       "JXZ1874I . R. DBS ERROR,TEXT=NO NUL HERE"},
      {"a remote error text of 300 bytes", remote(long_text, true), 4096, -874,
       "JXZ1874I . R. DBS ERROR,TEXT=" + long_text},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    marlo::rd_options rd;
    rd.how = marlo::rd_fault::edit;
    rd.fault_after = 1;
    rd.edit = c.edit;
    start(rd);
    zk::request cnct{"CNCT"};
    ASSERT_EQ(connect(cnct), 0) << cnct.message();
    zk::context_scope context;
    // A FETCH-free statement request as the builders leave it, sent as it is.
    zk::request r{"AUXI"};
    r.statement("INSERT INTO T (N) VALUES (1)");
    clt_global.main->funccode = CLT_FC_AUX;
    clt_global.main->area = &r.area;
    bytes request(60, 0);
    request[11] = 60;
    memcpy(request.data() + 56, "AUX ", 4);
    constexpr size_t kGuard = 32;
    bytes area(kGuard + c.capacity + kGuard, 0xA5);
    uint32_t request_len = 60;
    uint32_t reply_len = c.capacity;
    const int32_t rc = clt_rd_exec(request.data(), &request_len, area.data() + kGuard, &reply_len, &r.area);
    EXPECT_EQ(rc, -2466);
    EXPECT_EQ(r.sqlcode(), c.sqlcode);
    // The message is the SQLCA's: cut to its room.
    if (!c.message.empty()) {
      EXPECT_EQ(r.message(), c.message.substr(0, r.message().size()));
      EXPECT_GE(r.message().size(), std::min<size_t>(c.message.size(), 250));
    }
    EXPECT_EQ(r.sqlstate(), "R0000");
    for (size_t i = 0; i < kGuard; ++i) {
      ASSERT_EQ(area[i], 0xA5) << i;
      ASSERT_EQ(area[area.size() - 1 - i], 0xA5) << i;
    }
    end_held();
  }
}

TEST_F(RdLink, TooManyOutputVariablesAreRefusedBeforeAnythingIsSent) {
  setenv("PDSTANDARDSQLSTATE", "YES", 1);
  start({}, 'Y');
  zk::request cnct{"CNCT"};
  ASSERT_EQ(connect(cnct), 0) << cnct.message();
  const size_t sent = server->requests().size();
  bytes list(offsetof(SQLDA, sqlvar) + 3 * sizeof(SQLVAR), 0);
  SQLDA* da = reinterpret_cast<SQLDA*>(list.data());
  memcpy(da->sqldaid, "SQLDA   ", 8);
  da->sqln = 2;
  da->sqld = 3;
  zk::request r{"AUI2"};
  r.statement("SELECT N FROM T");
  r.area.section = 5;
  r.area.version = kLayout;
  r.area.sqliasda = da;
  r.exsql();
  EXPECT_EQ(r.sqlcode(), -310);
  EXPECT_EQ(r.message(), "KFPA11310-E Invalid number of variables");
  EXPECT_EQ(r.sqlstate(), "07008");
  EXPECT_EQ(server->requests().size(), sent);
}

// The greeting is awaited 300 one-second rounds whatever PDCWAITTIME says.
TEST_F(RdLink, TheGreetingIsAwaitedThreeHundredRounds) {
  constexpr int64_t kRoundUs = 2000;
  sa_set_round_us(kRoundUs);
  setenv("PDCWAITTIME", "5", 1);
  marlo::rd_options rd;
  rd.how = marlo::rd_fault::mute;
  start(rd);
  zk::request cnct{"CNCT"};
  const auto began = std::chrono::steady_clock::now();
  connect(cnct);
  const auto waited = std::chrono::steady_clock::now() - began;
  EXPECT_EQ(cnct.sqlcode(), -732);
  EXPECT_EQ(cnct.message(), "KFPA11732-E Time over, no response from Marlo");
  EXPECT_GE(waited, std::chrono::microseconds(300 * kRoundUs));
}

// Nothing listens on the name port: the server is reported as not up.
TEST_F(RdLink, ARefusedConnectionReportsTheServerNotUp) {
  int port = 0;
  {
    marlo::rd_options rd;
    start(rd);
    port = server->name_port();
    server.reset();
  }
  setenv("PDNAMEPORT", std::to_string(port).c_str(), 1);
  zk::request cnct{"CNCT"};
  connect(cnct);
  EXPECT_EQ(cnct.sqlcode(), -723);
  EXPECT_EQ(cnct.message(), "KFPA11723-E Communication error occurred, reason=Marlo NOT UP");
}

// A server that ends the transaction with every reply, under block fetch:
// the block FETCH's rows arrive whole, and what a COMMIT frees goes once
// no block FETCH runs.
TEST_F(RdLink, AnImplicitCommitUnderBlockFetchKeepsTheRowsWhole) {
  setenv("PDBLKF", "4", 1);
  marlo::rd_options rd;
  rd.implicit_commit = 1;
  start(rd);
  zk::request cnct{"CNCT"};
  ASSERT_EQ(connect(cnct), 0) << cnct.message();
  bytes list(offsetof(SQLDA, sqlvar) + sizeof(SQLVAR), 0);
  SQLDA* da = reinterpret_cast<SQLDA*>(list.data());
  memcpy(da->sqldaid, "SQLDA   ", 8);
  da->sqln = 1;
  zk::request prep{"SET "};
  blank(prep.area.name2, sizeof prep.area.name2, "S1");
  prep.area.version = kLayout;
  prep.statement("SELECT * FROM T");
  prep.area.sqliasda = da;
  ASSERT_EQ(prep.exsql(), 0) << prep.message();
  int32_t value = 0;
  da->sqld = 1;
  da->sqlvar[0].sqlcod = 0xF0;
  da->sqlvar[0].len.s.sqllen = 4;
  da->sqlvar[0].XDIM = 1;
  da->sqlvar[0].SQLDATA = &value;
  zk::request open{"OPEN"};
  blank(open.area.name1, sizeof open.area.name1, "C1");
  blank(open.area.name2, sizeof open.area.name2, "S1");
  open.area.version = kLayout;
  ASSERT_EQ(open.exsql(), 0) << open.message();
  std::vector<int32_t> got;
  for (int i = 0; i < 8; ++i) {
    zk::request f{"FETC"};
    blank(f.area.name1, sizeof f.area.name1, "C1");
    blank(f.area.name2, sizeof f.area.name2, "S1");
    f.area.version = kLayout;
    f.area.blkf_perm1 = 1;
    f.area.blkf_perm2 = 1;
    f.area.sqliasda = da;
    const int32_t rc = f.exsql();
    if (rc != 0) {
      EXPECT_EQ(f.sqlcode(), 100) << f.message();
      break;
    }
    got.push_back(value);
  }
  EXPECT_EQ(got, (std::vector<int32_t>{1, 2, 3, 4, 5, 6}));
  int fetches = 0;
  for (const marlo::request& q : server->requests()) fetches += q.function == "p_f_sqa_cfetch";
  EXPECT_EQ(fetches, 2) << "blocks of 4 rows";
  // The next statement without a block FETCH running lets them go.
  zk::request ins{"AUXI"};
  ASSERT_EQ(insert(ins), 0) << ins.message();
  zk::context_scope context;
  EXPECT_EQ(clt_global.main->blkf_list, nullptr);
  EXPECT_EQ(link().release_pending, 0);
  unsetenv("PDBLKF");
}

}  // namespace
