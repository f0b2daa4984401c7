// A whole connection as an embedded-SQL program makes it, through
// p_rdb_exsql alone: CONNECT to the Marlo test server over the RPC
// session through the name service, COMMIT and ROLLBACK, DISCONNECT, and
// a request after the end; on servers that allow the direct frame and on
// servers that do not.
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "CLTCNTL.h"
#include "CLTLIBCT.h"
#include "CLTLIBMN.h"
#include "CLTMEM.h"
#include "CLTSQLSC.h"
#include "cltsqlbf.h"
#include "marlo_reply.h"
#include "marlo_server.h"
#include "wire_support.h"
#include "zk_harness.h"

namespace {

constexpr char kGroup[] = "sds01";
constexpr char kConnectFn[] = "p_f_sqa_cconnect";
constexpr char kCommitFn[] = "p_f_sqa_ccommit";
constexpr char kRollbackFn[] = "p_f_sqa_crollback";
constexpr char kDisconnectFn[] = "p_f_sqa_cdisconnect";
constexpr uint32_t kLevel26 = ~26u;
constexpr char kCompleted[] = "KFPA12000-I Processing of SQL completed";
constexpr char kNotConnected[] = "KFPA11563-E Unable to execute SQL before CONNECT";
constexpr int32_t kSqlNotConnected = -563;
constexpr int32_t kExsqlFailed = -10;
constexpr int32_t kSqlCommFailed = -723;
constexpr char kServerBusy[] = "KFPA11723-E Communication error occurred, reason=Marlo BUSY";

const std::vector<const char*> kSettings = {"PDMEMTRCFILE", "PDHOST",       "PDFESHOST",   "PDSERVICEGRP",
                                            "PDNAMEPORT",   "PDCWAITTIME",  "PDCONNECTWAITTIME",
                                            "PDRETRYINTERVAL", "PDAUTOCONNECT", "PDCLTCNVMODE",
                                            "PDCNCTRTYCOUNT", "PDCNCTRTYWAITTIME", "PDCURSORLVL",
                                            "PDCLTOPTIONSTR", "DCSERVICE", "PDBLKF"};

void blank(char* field, size_t n, const char* text) {
  memset(field, ' ', n);
  memcpy(field, text, strnlen(text, n));
}

class Session : public ::testing::Test {
 protected:
  zk::services_scope services;
  zk::temp_dir dir;
  std::unique_ptr<marlo::server> server;

  void SetUp() override {
    for (const char* name : kSettings) unsetenv(name);
    setenv("PDMEMTRCFILE", dir.file("pdmem.trc").c_str(), 1);
    setenv("PDSERVICEGRP", kGroup, 1);
    setenv("PDHOST", "127.0.0.1", 1);
    setenv("PDRETRYINTERVAL", "30", 1);
    setenv("PDCWAITTIME", "40", 1);
    setenv("PDCONNECTWAITTIME", "40", 1);
    // A request without a connection is refused rather than connecting.
    setenv("PDAUTOCONNECT", "OFF", 1);
    sa_set_round_us(wire::kRoundUs);
  }

  void TearDown() override {
    zk::context_scope context;
    if (clt_global.main != nullptr) {
      clt_close_link(nullptr);
      zk::request r{"DISC"};
      clt_last_call_term(&r.area);
    }
    sa_set_round_us(0);
    for (const char* name : kSettings) unsetenv(name);
  }

  void start(const char* version, marlo::script s = {}, const char* code_set = "1j") {
    s.services.push_back(kGroup);
    s.bodies[kConnectFn] = marlo::connect_body(false, code_set, version, 777, kLevel26);
    server = std::make_unique<marlo::server>(std::move(s));
    ASSERT_TRUE(server->ok());
    setenv("PDFESHOST", ("127.0.0.1:" + std::to_string(server->name_port())).c_str(), 1);
  }

  // The requests of one server function as the server received them.
  std::vector<marlo::request> seen(const char* function) const {
    std::vector<marlo::request> out;
    for (const marlo::request& q : server->requests()) {
      if (q.function == function) out.push_back(q);
    }
    return out;
  }

  static void connect(zk::request& r) {
    blank(r.area.authid, sizeof r.area.authid, "scott");
    blank(r.area.passwd, sizeof r.area.passwd, "tiger");
    blank(r.area.cnctbody, sizeof r.area.cnctbody, "");
  }
};

TEST_F(Session, ConnectCommitDisconnectAndARequestAfterTheEnd) {
  struct row {
    const char* version;
    bool direct;
  };
  for (const row& t : {row{"07-02-00", true}, row{"07-01-00", false}}) {
    SCOPED_TRACE(t.version);
    start(t.version);

    zk::request cnct{"CNCT"};
    connect(cnct);
    ASSERT_EQ(cnct.exsql(), 0) << cnct.message();
    EXPECT_EQ(cnct.sqlcode(), 0);
    {
      zk::context_scope context;
      ASSERT_NE(clt_global.main, nullptr);
      EXPECT_EQ(clt_main_rpc(clt_global.main)->direct == 'Y', t.direct);
    }

    zk::request commit{"CMIT"};
    EXPECT_EQ(commit.exsql(), 0) << commit.message();
    EXPECT_EQ(commit.sqlcode(), 0);
    EXPECT_EQ(commit.message(), kCompleted);
    EXPECT_EQ(commit.sqlstate(), "00000");
    zk::request rollback{"ROLL"};
    EXPECT_EQ(rollback.exsql(), 0) << rollback.message();
    EXPECT_EQ(rollback.sqlcode(), 0);

    zk::request disc{"DISC"};
    EXPECT_EQ(disc.exsql(), 0) << disc.message();
    EXPECT_EQ(disc.sqlcode(), 0);
    EXPECT_EQ(disc.message(), kCompleted);
    {
      zk::context_scope context;
      // The connection ended with its control block.
      EXPECT_EQ(clt_global.main, nullptr);
      EXPECT_EQ(clt_global.connected_before, 0);
    }

    // COMMIT and ROLLBACK went over the kept connection in the request-code
    // frame (the direct frame and the RPC session's request-code form look
    // alike on the wire); DISCONNECT always goes by an RPC call.
    for (const char* fn : {kCommitFn, kRollbackFn}) {
      const std::vector<marlo::request> q = seen(fn);
      ASSERT_EQ(q.size(), 1u) << fn;
      EXPECT_EQ(q[0].form, "frame") << fn;
      ASSERT_GE(q[0].data.size(), 4u);
      // A request packet in the server's byte order.
      EXPECT_EQ(std::vector<uint8_t>(q[0].data.begin(), q[0].data.begin() + 4),
                (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xE5}));
    }
    const std::vector<marlo::request> d = seen(kDisconnectFn);
    ASSERT_EQ(d.size(), 1u);
    EXPECT_NE(d[0].form, "frame");

    zk::request after{"CMIT"};
    EXPECT_EQ(after.exsql(), kExsqlFailed);
    EXPECT_EQ(after.sqlcode(), kSqlNotConnected);
    EXPECT_EQ(after.message(), kNotConnected);
    EXPECT_EQ(seen(kCommitFn).size(), 1u);

    zk::context_scope context;
    if (clt_global.main != nullptr) clt_last_call_term(&after.area);
  }
}

// A misbehaving server ends CONNECT or COMMIT, over the direct frame and
// over the kept connection in both its forms, with a communication error
// or the time-out within the configured wait, however it misbehaves:
// silent, a cut or corrupt frame, a huge announced length, a reply dripped
// byte by byte or segments that never end.
TEST_F(Session, MisbehavingServersEndTheRequestWithinTheWait) {
  constexpr int32_t kSqlTimeout = -732;
  constexpr int32_t kSqlReplyError = -722;
  const struct {
    marlo::fault how;
    bool timed_out;
    bool frames_only;    // the server misbehaves so only in a frame of its own
    bool messages_only;  // only in an RPC message, which frames carry no segments of
  } faults[] = {{marlo::fault::silent, true, false, false},         {marlo::fault::close_early, false, false, false},
                {marlo::fault::short_reply, false, false, false},   {marlo::fault::corrupt_reply, false, false, false},
                {marlo::fault::huge_reply, false, true, false},     {marlo::fault::drip, true, false, false},
                {marlo::fault::empty_segments, true, false, true}};
  const struct {
    const char* version;
    const char* options;  // R: the kept connection carries RPC messages, not request-code frames
    bool frames;
  } paths[] = {{"07-02-00", "", true}, {"07-01-00", "", true}, {"07-01-00", "R", false}};
  for (const auto& p : paths) {
    setenv("PDCLTOPTIONSTR", p.options, 1);
    for (const auto& f : faults) {
      for (const bool on_commit : {false, true}) {
        const bool framed = on_commit && p.frames;
        if ((f.frames_only && !framed) || (f.messages_only && framed)) continue;
        SCOPED_TRACE(std::string(p.version) + p.options + " fault " + std::to_string(static_cast<int>(f.how)) +
                     (on_commit ? " on COMMIT" : " on CONNECT"));
        marlo::script s;
        s.how = f.how;
        s.drip_ms = 2;  // well within one wait round; the whole reply takes far longer than the wait
        s.fault_after = on_commit ? 1 : 0;
        s.bodies[kCommitFn] = marlo::reply_body(false, 0, "00000", std::string(300, 'x'));
        start(p.version, s);
        zk::request cnct{"CNCT"};
        connect(cnct);
        zk::request commit{"CMIT"};
        zk::request& failing = on_commit ? commit : cnct;
        if (on_commit) {
          ASSERT_EQ(cnct.exsql(), 0) << cnct.message();
        }
        const auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(failing.exsql(), kExsqlFailed);
        if (f.timed_out) {
          EXPECT_EQ(failing.sqlcode(), kSqlTimeout) << failing.message();
        } else {
          EXPECT_TRUE(failing.sqlcode() == kSqlReplyError || failing.sqlcode() == kSqlCommFailed) << failing.message();
        }
        // 40 rounds of 5 ms, and the connection-end notice after a time-out.
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1500));
        zk::context_scope context;
        if (clt_global.main != nullptr) {
          clt_close_link(nullptr);
          clt_last_call_term(&failing.area);
        }
        server.reset();
      }
    }
  }
}

// The server's answer to COMMIT reaches the caller; the connection stays.
TEST_F(Session, ARefusedCommitReportsTheServersSqlcode) {
  marlo::script s;
  s.bodies[kCommitFn] = marlo::reply_body(false, -911, "40001", "KFPA11911-E Deadlock");
  start("07-02-00", s);
  zk::request cnct{"CNCT"};
  connect(cnct);
  ASSERT_EQ(cnct.exsql(), 0) << cnct.message();
  zk::request commit{"CMIT"};
  EXPECT_EQ(commit.exsql(), kExsqlFailed);
  EXPECT_EQ(commit.sqlcode(), -911);
  EXPECT_EQ(commit.message(), "KFPA11911-E Deadlock");
  zk::request disc{"DISC"};
  EXPECT_EQ(disc.exsql(), 0) << disc.message();
  EXPECT_EQ(seen(kDisconnectFn).size(), 1u);
}

// A CONNECT that refuses the server's code set takes its leave of the
// server with a DISCONNECT.
TEST_F(Session, ACodeSetMismatchDisconnectsFromTheServer) {
  setenv("PDCLTCNVMODE", "UCS2_UTF8", 1);
  start("07-02-00", {}, "2j");
  zk::request cnct{"CNCT"};
  connect(cnct);
  EXPECT_EQ(cnct.exsql(), kExsqlFailed);
  EXPECT_EQ(cnct.sqlcode(), -1802);
  EXPECT_EQ(seen(kDisconnectFn).size(), 1u);
}

// DISCONNECT of a connection that never connected asks no server and
// still completes.
TEST_F(Session, DisconnectWithoutAConnectionCompletesLocally) {
  start("07-02-00");
  zk::request disc{"DISC"};
  EXPECT_EQ(disc.exsql(), 0) << disc.message();
  EXPECT_EQ(disc.sqlcode(), 0);
  EXPECT_EQ(disc.message(), kCompleted);
  EXPECT_TRUE(server->requests().empty());
}

// A DISCONNECT reply without its SQLCA part is refused; the connection
// ends all the same.
TEST_F(Session, ADisconnectReplyWithoutItsPartsIsRefused) {
  marlo::script s;
  s.services.push_back(kGroup);
  s.bodies[kConnectFn] = marlo::connect_body(false, "1j", "07-02-00", 777, kLevel26);
  std::vector<uint8_t> bad = marlo::reply_body(false, 0, "00000", "");
  for (int i = 12; i < 16; ++i) bad[i] = 0;
  s.bodies[kDisconnectFn] = bad;
  server = std::make_unique<marlo::server>(std::move(s));
  ASSERT_TRUE(server->ok());
  setenv("PDFESHOST", ("127.0.0.1:" + std::to_string(server->name_port())).c_str(), 1);

  zk::request cnct{"CNCT"};
  connect(cnct);
  ASSERT_EQ(cnct.exsql(), 0) << cnct.message();
  zk::request disc{"DISC"};
  EXPECT_EQ(disc.exsql(), kExsqlFailed);
  EXPECT_EQ(disc.sqlcode(), -733);
  EXPECT_EQ(disc.tokens().front().rfind("KFPA11733-E Error occurred in Marlo, inf1=CLTSQLEX, inf2=", 0), 0u)
      << disc.message();
  zk::context_scope context;
  EXPECT_EQ(clt_global.main, nullptr);
}

// Freeing the control block closes a session that is still open: the
// next CONNECT opens its own, and no socket stays behind.
TEST_F(Session, FreeingTheBlockClosesAnOpenSession) {
  start("07-02-00");
  const int sockets_before = zk::open_sockets();
  zk::request cnct{"CNCT"};
  connect(cnct);
  ASSERT_EQ(cnct.exsql(), 0) << cnct.message();
  {
    zk::context_scope context;
    clt_last_call_term(&cnct.area);
  }
  zk::request again{"CNCT"};
  connect(again);
  EXPECT_EQ(again.exsql(), 0) << again.message();
  zk::request disc{"DISC"};
  EXPECT_EQ(disc.exsql(), 0) << disc.message();
  EXPECT_EQ(zk::sockets_settled_at(sockets_before), sockets_before);
}

// A busy answer to a request other than CONNECT is a failure of its own,
// with or without retries left.
TEST_F(Session, ABusyAnswerToCommitReportsTheServerBusy) {
  for (const char* retries : {"0", "1"}) {
    SCOPED_TRACE(retries);
    setenv("PDCNCTRTYCOUNT", retries, 1);
    setenv("PDCNCTRTYWAITTIME", "0", 1);
    // The kept connection in its compact form, which carries the busy reply.
    setenv("PDCLTOPTIONSTR", "R", 1);
    marlo::script s;
    s.how = marlo::fault::busy;
    s.fault_after = 1;  // the CONNECT is answered
    start("07-01-00", s);
    zk::request cnct{"CNCT"};
    connect(cnct);
    ASSERT_EQ(cnct.exsql(), 0) << cnct.message();
    zk::request commit{"CMIT"};
    commit.sqlca.SQLCODE = 0;
    EXPECT_EQ(commit.exsql(), kExsqlFailed);
    EXPECT_EQ(commit.sqlcode(), kSqlCommFailed);
    EXPECT_EQ(commit.message(), kServerBusy);
    zk::context_scope context;
    if (clt_global.main != nullptr) clt_last_call_term(&commit.area);
  }
}

// With a cursor level, COMMIT and ROLLBACK that the server carried out
// are done: there is no statement list yet to free anything from.
TEST_F(Session, CursorLevelsLeaveCommitAndRollbackDone) {
  for (const char* level : {"1", "2"}) {
    SCOPED_TRACE(level);
    setenv("PDCURSORLVL", level, 1);
    start("07-02-00");
    zk::request cnct{"CNCT"};
    connect(cnct);
    ASSERT_EQ(cnct.exsql(), 0) << cnct.message();
    for (const char* code : {"CMIT", "ROLL"}) {
      zk::request r{code};
      EXPECT_EQ(r.exsql(), 0) << code << ": " << r.message();
      EXPECT_EQ(r.message(), kCompleted) << code;
    }
    zk::request disc{"DISC"};
    EXPECT_EQ(disc.exsql(), 0) << disc.message();
  }
}

// DCSERVICE travels with the CONNECT of an ordinary connection and never
// with that of a connection whose area carries the attribute byte.
TEST_F(Session, TheConnectOfAMarkedConnectionLeavesDcserviceOut) {
  static constexpr char kService[] = "dcsvc07";
  setenv("DCSERVICE", kService, 1);
  struct row {
    uint8_t attribute;
    bool sent;
  };
  for (const row& t : {row{' ', true}, row{'Y', false}}) {
    SCOPED_TRACE(t.attribute);
    start("07-02-00");
    zk::request cnct{"CNCT"};
    connect(cnct);
    cnct.area.cnctattr = t.attribute;
    ASSERT_EQ(cnct.exsql(), 0) << cnct.message();
    const std::vector<marlo::request> q = seen(kConnectFn);
    ASSERT_EQ(q.size(), 1u);
    const std::string service(kService);
    const bool found = std::search(q[0].data.begin(), q[0].data.end(), service.begin(), service.end()) !=
                       q[0].data.end();
    EXPECT_EQ(found, t.sent);
    zk::request disc{"DISC"};
    EXPECT_EQ(disc.exsql(), 0) << disc.message();
  }
}

}  // namespace

namespace {

// The cancel logic reads how far the general and CLOSE executors got: each
// marks its start and, on every path, its end.
TEST_F(Session, TheGeneralAndCloseExecutorsMarkTheirStartAndEnd) {
  constexpr uint32_t kGeneralBits = 0x1000 | 0x2000;
  constexpr uint32_t kCloseBits = 0x100000 | 0x200000;
  marlo::script s;
  s.bodies["p_f_sqa_copen"] = marlo::reply_body(false, -911, "40001", "KFPA11911-E Deadlock");
  start("07-02-00", s);
  zk::request cnct{"CNCT"};
  connect(cnct);
  ASSERT_EQ(cnct.exsql(), 0) << cnct.message();
  auto progress = [] {
    zk::context_scope context;
    return clt_main_rpc(clt_global.main)->progress[0];
  };
  EXPECT_EQ(progress() & (kGeneralBits | kCloseBits), 0u);
  zk::request open{"OPEN"};
  EXPECT_EQ(open.exsql(), kExsqlFailed);
  EXPECT_EQ(open.sqlcode(), -911);
  EXPECT_EQ(progress() & (kGeneralBits | kCloseBits), kGeneralBits);
  zk::request close{"CLOS"};
  EXPECT_EQ(close.exsql(), 0) << close.message();
  EXPECT_EQ(progress() & kCloseBits, kCloseBits);
}

}  // namespace

namespace {

// Block-fetch entries as FETCHes would have left them: statement ids with
// their hold attribute, newest first.
void seed_blocks(const std::vector<std::pair<uint32_t, uint8_t>>& cursors) {
  zk::context_scope context;
  for (const auto& [stmtid, hold] : cursors) {
    auto* e = static_cast<clt_blkf_entry*>(cltmem_alloc(sizeof(clt_blkf_entry), 0, "test", __LINE__));
    memset(e, 0, sizeof *e);
    e->stmtid = stmtid;
    e->hold = hold;
    e->ext_flag = 'N';
    e->next = static_cast<clt_blkf_entry*>(clt_global.main->blkf_list);
    clt_global.main->blkf_list = e;
  }
}

std::vector<uint32_t> kept_blocks() {
  std::vector<uint32_t> out;
  for (auto* e = static_cast<clt_blkf_entry*>(clt_global.main->blkf_list); e != nullptr; e = e->next) {
    out.push_back(e->stmtid);
  }
  return out;
}

}  // namespace

// COMMIT keeps the blocks of held cursors, ROLLBACK and DISCONNECT free
// all; an AUX reply's status flags release what they name.
TEST_F(Session, TransactionsAndStatusFlagsReleaseBlockFetchBuffers) {
  setenv("PDBLKF", "10", 1);
  marlo::script s;
  marlo::reply unheld;
  unheld.status.flags7 = 0x02;
  marlo::reply all;
  all.status.flags7 = 0x04;
  s.bodies["p_f_sqa_caux"] = marlo::encode_reply(unheld, marlo::byte_order{false});
  s.bodies["p_f_sqa_cauxi"] = marlo::encode_reply(all, marlo::byte_order{false});
  start("07-02-00", s);
  zk::request cnct{"CNCT"};
  connect(cnct);
  ASSERT_EQ(cnct.exsql(), 0) << cnct.message();

  seed_blocks({{1, 1}, {2, 0}, {3, 1}, {4, 0}});
  zk::request commit{"CMIT"};
  ASSERT_EQ(commit.exsql(), 0) << commit.message();
  EXPECT_EQ(kept_blocks(), (std::vector<uint32_t>{3, 1}));
  zk::request rollback{"ROLL"};
  ASSERT_EQ(rollback.exsql(), 0) << rollback.message();
  EXPECT_TRUE(kept_blocks().empty());

  struct row {
    const char* code;
    std::vector<uint32_t> kept;
  };
  const row rows[] = {{"AUX ", {3, 1}}, {"AUXI", {}}};
  for (const row& t : rows) {
    SCOPED_TRACE(t.code);
    seed_blocks({{1, 1}, {2, 0}, {3, 1}});
    zk::request r{t.code};
    r.statement("DELETE FROM T1");
    ASSERT_EQ(r.exsql(), 0) << r.message();
    EXPECT_EQ(kept_blocks(), t.kept);
    {
      zk::context_scope context;
      zk::request any{"CLOS"};
      clt_blkf_free_every(&any.area);
    }
  }

  seed_blocks({{1, 1}});
  zk::request disc{"DISC"};
  EXPECT_EQ(disc.exsql(), 0) << disc.message();
  EXPECT_TRUE(clt_global.main == nullptr || clt_global.main->blkf_list == nullptr);
}
