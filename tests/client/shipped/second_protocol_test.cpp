// A whole connection over the second server protocol through the shipped
// library: CONNECT on the test server's name port, statements answered
// by its statement service, COMMIT, DISCONNECT; and the failures the
// protocol reports: a remote error, replies the client must refuse, a
// silent server, a lost one, a cancelled request.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "marlo_server.h"
#include "shipped_library.h"
#include "zk_harness.h"

namespace {

using bytes = std::vector<uint8_t>;

constexpr char kCompleted[] = "JXZ2000I . R. PROCESSING OF SQL COMPLETED";
constexpr char kNoRows[] = "JXZ2100I . R. NO ROWS SATISFYING SEARCH CONDITION";
constexpr int16_t kLayout = 0x802;

void blank(char* field, size_t n, const char* text) {
  memset(field, ' ', n);
  memcpy(field, text, strnlen(text, n));
}

marlo::table numbers() {
  marlo::table t;
  t.name = "T";
  marlo::column c = marlo::column::of("N", 0xF0, 4);
  c.nullable = false;
  t.columns = {c};
  t.rows = {{marlo::cell::of("7")}, {marlo::cell::of("8")}};
  return t;
}

struct session {
  zk::temp_dir dir;
  std::unique_ptr<marlo::server> server;
  shipped::library lib;

  explicit session(marlo::rd_options rd) {
    setenv("PDMEMTRCFILE", dir.file("pdmem.trc").c_str(), 1);
    setenv("PDCLTPATH", dir.path.c_str(), 1);
    setenv("PDHOST", "127.0.0.1", 1);
    setenv("PDAUTOCONNECT", "OFF", 1);
    setenv("PDSRVTYPE", "ZUM4", 1);
    unsetenv("PDFESHOST");
    unsetenv("PDSERVICEGRP");
    marlo::script s;
    rd.on = true;
    s.rd = rd;
    s.sql_service = true;
    EXPECT_EQ(s.tables.declare(numbers()), "");
    server = std::make_unique<marlo::server>(std::move(s));
    setenv("PDNAMEPORT", std::to_string(server->name_port()).c_str(), 1);
  }
  ~session() {
    unsetenv("PDSRVTYPE");
    unsetenv("PDNAMEPORT");
  }

  int32_t run(zk::request& r) const { return lib.exsql(&r.area); }

  int32_t connect() const {
    zk::request r{"CNCT"};
    blank(r.area.authid, sizeof r.area.authid, "scott");
    blank(r.area.passwd, sizeof r.area.passwd, "tiger");
    blank(r.area.cnctbody, sizeof r.area.cnctbody, "");
    const int32_t rc = lib.exsql(&r.area);
    EXPECT_EQ(r.message(), kCompleted);
    return rc;
  }

  std::vector<std::string> functions() const {
    std::vector<std::string> out;
    for (const marlo::request& q : server->requests()) {
      EXPECT_EQ(q.form, "rd");
      out.push_back(q.function);
    }
    return out;
  }
};

// A server whose answers after CONNECT go wrong as `how` says.
marlo::rd_options after_connect(marlo::rd_fault how) {
  marlo::rd_options rd;
  rd.how = how;
  rd.fault_after = 1;
  return rd;
}

int32_t execute(const session& s, const char* text, uint16_t section, zk::request& r) {
  r.statement(text);
  r.area.section = section;
  r.area.version = kLayout;
  return s.run(r);
}

struct cursor {
  bytes list = bytes(offsetof(SQLDA, sqlvar) + 2 * sizeof(SQLVAR), 0);
  int32_t value = 0;
  SQLDA* sqlda() { return reinterpret_cast<SQLDA*>(list.data()); }

  void open(const session& s, const char* select) {
    SQLDA* da = sqlda();
    memcpy(da->sqldaid, "SQLDA   ", 8);
    da->sqln = 2;
    zk::request prep{"SET "};
    blank(prep.area.name2, sizeof prep.area.name2, "S1");
    prep.area.version = kLayout;
    prep.statement(select);
    prep.area.sqliasda = da;
    ASSERT_EQ(s.run(prep), 0) << prep.message();
    da->sqld = 1;
    da->sqlvar[0].sqlcod = 0xF0;
    da->sqlvar[0].len.s.sqllen = 4;
    da->sqlvar[0].XDIM = 1;
    da->sqlvar[0].SQLDATA = &value;
    zk::request open{"OPEN"};
    blank(open.area.name1, sizeof open.area.name1, "C1");
    blank(open.area.name2, sizeof open.area.name2, "S1");
    open.area.version = kLayout;
    ASSERT_EQ(s.run(open), 0) << open.message();
    EXPECT_EQ(open.message(), kCompleted);
  }

  int32_t fetch(const session& s, std::string* message) {
    zk::request r{"FETC"};
    blank(r.area.name1, sizeof r.area.name1, "C1");
    blank(r.area.name2, sizeof r.area.name2, "S1");
    r.area.version = kLayout;
    r.area.sqliasda = sqlda();
    const int32_t rc = s.run(r);
    *message = r.message();
    return rc;
  }
};

std::string text_at(const bytes& m, size_t at, size_t n) { return std::string(reinterpret_cast<const char*>(m.data() + at), n); }

TEST(ShippedSecondProtocol, AWholeConnectionRunsItsStatementsCommitsAndEnds) {
  // Plain FETCHes, block fetch, and a statement list that opens the
  // cursor itself: every completion in the protocol's words.
  const std::pair<const char*, const char*> settings[] = {{"PDBLKF", "1"}, {"PDBLKF", "4"}, {"PDCURSORLVL", "2"}};
  for (const auto& [name, value] : settings) {
    SCOPED_TRACE(std::string(name) + "=" + value);
    setenv(name, value, 1);
    session s({});
    ASSERT_TRUE(s.server->ok());
    ASSERT_EQ(s.lib.error(), "");
    const int sockets_before = zk::open_sockets();
    ASSERT_EQ(s.connect(), 0);

    zk::request insert{"AUXI"};
    ASSERT_EQ(execute(s, "INSERT INTO T (N) VALUES (9)", 4, insert), 0) << insert.message();
    EXPECT_EQ(insert.message(), kCompleted);
    cursor c;
    c.open(s, "SELECT * FROM T");
    std::string message;
    for (int32_t expected : {7, 8, 9}) {
      ASSERT_EQ(c.fetch(s, &message), 0) << message;
      EXPECT_EQ(c.value, expected);
      EXPECT_EQ(message, kCompleted);
    }
    EXPECT_EQ(c.fetch(s, &message), 100);
    EXPECT_EQ(message, kNoRows);
    zk::request close{"CLOS"};
    blank(close.area.name1, sizeof close.area.name1, "C1");
    close.area.version = kLayout;
    EXPECT_EQ(s.run(close), 0) << close.message();
    zk::request commit{"CMIT"};
    EXPECT_EQ(s.run(commit), 0) << commit.message();
    EXPECT_EQ(commit.message(), kCompleted);
    EXPECT_EQ(commit.sqlstate(), "00000");
    zk::request leave{"DISC"};
    EXPECT_EQ(s.run(leave), 0) << leave.message();
    EXPECT_EQ(zk::sockets_settled_at(sockets_before), sockets_before);
    EXPECT_EQ(s.server->tables().find("T")->rows.size(), 3u);

    const std::vector<std::string> seen = s.functions();
    ASSERT_GE(seen.size(), 4u);
    EXPECT_EQ(seen.front(), "p_f_sqa_cconnect");
    // DISCONNECT commits first, then ends with the end-of-disconnect message.
    const std::vector<std::string> tail(seen.end() - 4, seen.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"p_f_sqa_ccommit", "p_f_sqa_ccommit", "p_f_sqa_cdisconnect", ""}));
    EXPECT_NE(std::find(seen.begin(), seen.end(), "p_f_sqa_cfetch"), seen.end());

    // The connect message names the client and carries the identifier in plain text.
    const bytes m = s.server->requests().front().message;
    ASSERT_GE(m.size(), 248u);
    EXPECT_EQ(text_at(m, 96, 13), std::string("Marlo Client\0", 13));
    EXPECT_EQ(text_at(m, 128, 4), "2804");
    EXPECT_EQ(text_at(m, 152, 5), "SCOTT");
    EXPECT_EQ(m[91], 5);
    EXPECT_EQ(text_at(m, 216, 32), std::string(32, ' '));
    unsetenv(name);
  }
}

// An array FETCH takes the rows in one statement message whose size block
// carries the sums of its variable, times the array count.
TEST(ShippedSecondProtocol, AnArrayFetchCarriesTheSizeSumsOfItsRows) {
  session s({});
  ASSERT_TRUE(s.server->ok());
  ASSERT_EQ(s.connect(), 0);
  zk::request insert{"AUXI"};
  ASSERT_EQ(execute(s, "INSERT INTO T (N) VALUES (9)", 4, insert), 0) << insert.message();
  cursor c;
  c.open(s, "SELECT * FROM T");
  int32_t values[3] = {};
  SQLDA* da = c.sqlda();
  da->sqlvar[0].SQLDATA = values;
  zk::request r{"FETC"};
  blank(r.area.name1, sizeof r.area.name1, "C1");
  blank(r.area.name2, sizeof r.area.name2, "S1");
  r.area.version = kLayout;
  r.area.fetchrows = 3;
  r.area.sqliasda = da;
  ASSERT_EQ(s.run(r), 0) << r.message();
  EXPECT_EQ(std::vector<int32_t>(values, values + 3), (std::vector<int32_t>{7, 8, 9}));
  const std::vector<marlo::request> seen = s.server->requests();
  ASSERT_EQ(seen.back().function, "p_f_sqa_cfetch");
  const bytes& m = seen.back().message;
  ASSERT_GE(m.size(), 168u);
  // "*HRH" at 88 leads 80 bytes on to the request, past the size block at 64.
  EXPECT_EQ(m[88 + 35], 80);
  EXPECT_EQ(m[88 + 47], 64);
  EXPECT_EQ(m[152 + 3], 16);
  const uint32_t fixed = static_cast<uint32_t>(m[160]) << 24 | m[161] << 16 | m[162] << 8 | m[163];
  EXPECT_EQ(fixed, 3u * 4u);
  zk::request leave{"DISC"};
  EXPECT_EQ(s.run(leave), 0) << leave.message();
}

// Each bad answer to a statement: the SQLCODE and message; the link is
// closed and the next request finds the connection gone.
struct failure_case {
  const char* what;
  marlo::rd_fault how;
  int32_t sqlcode;
  const char* message;  // null: the client's own error of the reply check
};

TEST(ShippedSecondProtocol, ARemoteErrorOrAReplyTheClientRefusesEndsTheLink) {
  const failure_case cases[] = {
      {"remote error", marlo::rd_fault::remote_error, -874, "JXZ1874I . R. DBS ERROR,TEXT=REMOTE TABLE IS LOCKED"},
      {"block 1 at 0", marlo::rd_fault::offset_zero, -720, nullptr},
      {"block 1 at 0xFFFF", marlo::rd_fault::offset_ffff, -720, nullptr},
      {"length above the buffer", marlo::rd_fault::oversize, -720, nullptr},
  };
  for (const failure_case& fc : cases) {
    SCOPED_TRACE(fc.what);
    session s(after_connect(fc.how));
    ASSERT_TRUE(s.server->ok());
    ASSERT_EQ(s.connect(), 0);
    zk::request insert{"AUXI"};
    EXPECT_EQ(execute(s, "INSERT INTO T (N) VALUES (9)", 4, insert), -10);
    EXPECT_EQ(insert.sqlcode(), fc.sqlcode);
    EXPECT_EQ(insert.sqlstate(), "R0000");
    if (fc.message != nullptr) {
      EXPECT_EQ(insert.message(), fc.message);
    } else {
      EXPECT_EQ(insert.message().rfind("KFPA11720-E Error occurred in Marlo/client, inf1=", 0), 0u) << insert.message();
    }
    zk::request again{"AUXI"};
    execute(s, "INSERT INTO T (N) VALUES (10)", 4, again);
    EXPECT_EQ(again.sqlcode(), -563);
    EXPECT_EQ(s.server->requests().size(), 2u);
  }
}

// ROLLBACK RELEASE rolls back first; when that fails nothing more is sent.
TEST(ShippedSecondProtocol, ADisconnectWhoseRollbackFailsSendsNoDisconnect) {
  session s(after_connect(marlo::rd_fault::remote_error));
  ASSERT_TRUE(s.server->ok());
  ASSERT_EQ(s.connect(), 0);
  zk::request leave{"DISR"};
  s.run(leave);
  EXPECT_EQ(leave.sqlcode(), -874);
  EXPECT_EQ(s.functions(), (std::vector<std::string>{"p_f_sqa_cconnect", "p_f_sqa_crollback"}));
}

TEST(ShippedSecondProtocol, ASilentServerTimesOutAtPdcwaittimeAndALostOneIsReportedAsSet) {
  {
    setenv("PDCWAITTIME", "2", 1);
    session s(after_connect(marlo::rd_fault::silent));
    ASSERT_TRUE(s.server->ok());
    ASSERT_EQ(s.connect(), 0);
    zk::request insert{"AUXI"};
    const auto start = std::chrono::steady_clock::now();
    execute(s, "INSERT INTO T (N) VALUES (9)", 4, insert);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(insert.sqlcode(), -732);
    EXPECT_EQ(insert.message(), "KFPA11732-E Time over, no response from Marlo");
    EXPECT_GE(waited, std::chrono::milliseconds(1900));
    unsetenv("PDCWAITTIME");
  }
  for (const char* setting : {"NO", "YES"}) {
    SCOPED_TRACE(setting);
    setenv("PDRDNETERR722", setting, 1);
    session s(after_connect(marlo::rd_fault::hang_up));
    ASSERT_TRUE(s.server->ok());
    ASSERT_EQ(s.connect(), 0);
    zk::request insert{"AUXI"};
    execute(s, "INSERT INTO T (N) VALUES (9)", 4, insert);
    if (setting[0] == 'Y') {
      EXPECT_EQ(insert.sqlcode(), -722);
      EXPECT_EQ(insert.message(), "KFPA11722-E Communication error occurred, reason=SERVER PROCESS DOWN");
    } else {
      EXPECT_EQ(insert.sqlcode(), -723);
      EXPECT_EQ(insert.message(), "KFPA11723-E Communication error occurred, reason=NETWORK");
    }
  }
  unsetenv("PDRDNETERR722");
}

TEST(ShippedSecondProtocol, AnAbortWhileTheServerIsSilentCancelsTheRequest) {
  session s(after_connect(marlo::rd_fault::silent));
  ASSERT_TRUE(s.server->ok());
  ASSERT_EQ(s.connect(), 0);
  auto abort_call = s.lib.export_of<int32_t()>("p_rdb_abort");
  ASSERT_NE(abort_call, nullptr);
  zk::request insert{"AUXI"};
  std::thread caller([&] { execute(s, "INSERT INTO T (N) VALUES (9)", 4, insert); });
  for (int i = 0; i < 500 && s.server->requests().size() < 2; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(abort_call(), 0);
  caller.join();
  EXPECT_EQ(insert.sqlcode(), -735);
  EXPECT_EQ(insert.message(), "KFPA11735-E FES(SDS) canceled");
}

}  // namespace
