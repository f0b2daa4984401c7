// The request dispatcher: connection states, request codes, the kept
// statement head, the completion steps.
#include <gtest/gtest.h>

#include "CLTLIBCT.h"
#include "CLTUTL.h"
#include "clt_cnv.h"
#include "zk_build.h"
#include "zk_script.h"

namespace {

using op = clt_runtime_op;

struct dispatcher : ::testing::Test {
  zk::services_scope services;
  zk::script& s = zk::scripted();
  void TearDown() override {
    if (clt_global.main) {
      zk::request disc{"DISC"};
      disc.exsql();
    }
  }
};

struct state_case {
  const char* name;
  bool connected;
  const char* code;
  bool autoconnect;
  std::map<op, zk::outcome> outcomes;
  std::vector<op> ran;
  int32_t sqlcode;
  int32_t result;
  bool block_after;
};

TEST_F(dispatcher, StateTable) {
  const state_case cases[] = {
      {"fresh OPEN", false, "OPEN", false, {}, {}, -563, -10, false},
      {"fresh OPEN autoconnect", false, "OPEN", true, {}, {op::connect_entry, op::exec_general}, 0, 0, true},
      {"fresh OPEN autoconnect fails", false, "OPEN", true,
       {{op::connect_entry, {-722, 0}}}, {op::connect_entry}, -722, -10, false},
      {"fresh SAUH autoconnect", false, "SAUH", true, {}, {}, -563, -10, false},
      {"fresh DISC", false, "DISC", false, {}, {op::exec_disconnect}, 0, 0, false},
      {"fresh DISR", false, "DISR", true, {}, {op::exec_disconnect}, 0, 0, false},
      {"fresh CNCT", false, "CNCT", false, {}, {op::connect_entry}, 0, 0, true},
      {"fresh CNCT fails", false, "CNCT", false, {{op::connect_entry, {-723, -1}}},
       {op::connect_entry}, -723, -10, false},
      {"fresh unknown code", false, "ABCD", false, {}, {}, -720, -10, false},
      {"connected CNCT", true, "CNCT", false, {}, {}, -752, -10, true},
      {"connected FETC", true, "FETC", false, {}, {op::exec_array}, 0, 0, true},
      {"connected FETC no rows", true, "FETC", false, {{op::exec_array, {100, 0}}},
       {op::exec_array}, 100, 100, true},
      {"connected OPEN error", true, "OPEN", false, {{op::exec_general, {-811, -1}}},
       {op::exec_general}, -811, -10, true},
      {"connected CMIT", true, "CMIT", false, {}, {op::exec_transact}, 0, 0, true},
      {"connected SAUH", true, "SAUH", false, {}, {op::exec_session_auth}, 0, 0, true},
      {"connected SOPT", true, "SOPT", false, {}, {op::exec_setopt}, 0, 0, true},
      {"connected SINF", true, "SINF", false, {}, {op::exec_srvinf}, 0, 0, true},
      {"connected RNCN", true, "RNCN", false, {}, {op::exec_rdnode}, 0, 0, true},
      {"connected EUTL", true, "EUTL", false, {}, {op::exec_execute_utl}, 0, 0, true},
      {"connected JARI", true, "JARI", false, {}, {op::exec_jar}, 0, 0, true},
      {"connected TRC2", true, "TRC2", false, {}, {op::exec_general}, 0, 0, true},
      {"connected DISC", true, "DISC", false, {}, {op::exec_disconnect}, 0, 0, false},
      {"connected DISC -937", true, "DISC", false, {{op::exec_disconnect, {-937, -1}}},
       {op::exec_disconnect}, -937, -10, true},
      {"connected unknown code", true, "XYZ1", false, {}, {}, -720, -10, true},
  };
  for (const state_case& c : cases) {
    SCOPED_TRACE(c.name);
    s.outcomes.clear();
    s.settings.clear();
    if (c.connected) {
      zk::request cn;
      zk::connect(cn);
    }
    s.settings[clt_setting::autoconnect] = c.autoconnect ? 'Y' : 'N';
    s.outcomes = c.outcomes;
    zk::request r{c.code};
    EXPECT_EQ(r.exsql(), c.result);
    EXPECT_EQ(zk::take_ran(), c.ran);
    EXPECT_EQ(r.sqlcode(), c.sqlcode);
    EXPECT_EQ(clt_global.main != nullptr, c.block_after);
    EXPECT_EQ(std::string(clt_global.reqcode, 4), "    ");
    EXPECT_EQ(clt_cur(), nullptr);
    // Leave no connection behind for the next case.
    s.outcomes.clear();
    if (clt_global.main) {
      zk::request disc{"DISC"};
      disc.exsql();
      zk::take_ran();
    }
    clt_global.connected_before = 0;
  }
}

TEST_F(dispatcher, RefusalsCarryTheirMessages) {
  struct {
    const char* code;
    bool connected;
    const char* message;
  } cases[] = {
      {"OPEN", false, "KFPA11563-E Unable to execute SQL before CONNECT"},
      {"CNCT", true, "KFPA11752-E Already connected"},
  };
  for (const auto& c : cases) {
    if (c.connected) {
      zk::request cn;
      zk::connect(cn);
    }
    zk::request r{c.code};
    r.exsql();
    EXPECT_EQ(r.message(), c.message);
    EXPECT_EQ(r.source_file(), "CLTLIBCT  ");
    EXPECT_EQ(r.sqlstate(), "R0000");
  }
  zk::request bad{"ABCD"};
  bad.exsql();
  ASSERT_EQ(bad.tokens().size(), 1u);
  EXPECT_EQ(bad.message().rfind("KFPA11720-E Error occurred in Marlo/client, inf1=CLTLIBCT, inf2=", 0), 0u);
}

TEST_F(dispatcher, EndOfConnectionRereadsSettingsNextTime) {
  zk::request cn;
  zk::connect(cn);
  EXPECT_EQ(s.first_calls, 1);
  zk::request disc{"DISC"};
  EXPECT_EQ(disc.exsql(), 0);
  EXPECT_EQ(clt_global.main, nullptr);
  EXPECT_EQ(clt_global.connected_before, 1);  // an ordinary disconnect keeps it
  zk::request again{"CNCT"};
  EXPECT_EQ(again.exsql(), 0);
  EXPECT_EQ(s.first_calls, 2);
}

TEST_F(dispatcher, LostSessionEndsTheConnectionWithoutGoodbye) {
  zk::request cn;
  zk::connect(cn);
  s.outcomes[op::exec_general] = {-941, -1};
  zk::request r{"OPEN"};
  EXPECT_EQ(r.exsql(), -10);
  EXPECT_EQ(clt_global.main, nullptr);
  EXPECT_EQ(s.pd_clt_close_flags, std::vector<int32_t>{1});
  EXPECT_EQ(clt_global.connected_before, 0);
}

TEST_F(dispatcher, StatementHeadIsKeptForTraces) {
  zk::request cn;
  zk::connect(cn);
  struct {
    std::string text;
    int32_t kept_length;
    std::string kept;
  } cases[] = {
      {std::string(256, 'a'), 256, std::string(256, 'a')},
      {std::string(257, 'b'), 256, std::string(255, 'b') + " "},
      {"SELECT 1", 8, "SELECT 1"},
  };
  for (const auto& c : cases) {
    zk::request r{"OPEN"};
    r.statement(c.text);
    EXPECT_EQ(r.exsql(), 0);
    clt_main* main = clt_global.main;
    EXPECT_EQ(main->stmt_length, c.kept_length);
    EXPECT_EQ(std::string(main->stmt_text), c.kept);
  }
}

TEST_F(dispatcher, NegativeStatementLengthIsRefusedAndNeverTraced) {
  zk::request cn;
  zk::connect(cn);
  zk::request before{"OPEN"};
  before.statement("SELECT 1");
  before.exsql();
  zk::take_ran();
  zk::request r{"OPEN"};
  r.statement("SELECT 2", -5);
  EXPECT_EQ(r.exsql(), -10);
  EXPECT_EQ(r.sqlcode(), -821);
  EXPECT_EQ(r.message(), "KFPA11821-E More than 2,000,000 or invalid length in SQL");
  EXPECT_TRUE(zk::take_ran().empty());
  EXPECT_EQ(s.stmt_length_at_trace, 0);  // neither -5 nor the previous statement
  ASSERT_NE(clt_global.main, nullptr);  // the connection stays
}

TEST_F(dispatcher, LayoutVersionClearsNewerFields) {
  zk::request cn;
  zk::connect(cn);
  int marker = 0;
  struct {
    int16_t version;
    int16_t version_after;
    bool names_kept;
    bool charset_kept;
  } cases[] = {
      {0x0600, 0x0600, false, false},
      {0x0400, 0, false, false},
      {0x0702, 0x0702, true, false},
      {0x0802, 0x0802, true, true},
      {0x2100, 0, false, false},
  };
  for (const auto& c : cases) {
    zk::request r{"CMIT"};
    r.area.version = c.version;
    r.area.extstmtname = r.area.extcursname = &marker;
    r.area.name49a = r.area.name49b = &marker;
    r.area.sqlcsna1 = r.area.sqlcsna2 = &marker;
    EXPECT_EQ(r.exsql(), 0);
    EXPECT_EQ(r.area.version, c.version_after) << c.version;
    EXPECT_EQ(r.area.extstmtname != nullptr, c.names_kept) << c.version;
    EXPECT_EQ(r.area.extcursname != nullptr, c.names_kept) << c.version;
    EXPECT_EQ(r.area.name49b != nullptr, c.names_kept) << c.version;
    EXPECT_EQ(r.area.sqlcsna2 != nullptr, c.charset_kept) << c.version;
  }
}

TEST_F(dispatcher, MessageTextIsTerminatedAsTheCallerAsks) {
  zk::request cn;
  zk::connect(cn);
  // A client message ("KF...") gets one zero byte, blanks when asked.
  zk::request kf{"CNCT"};
  kf.exsql();
  int16_t n = kf.sqlca.sqlerrml;
  EXPECT_EQ(kf.sqlca.sqlerrmc[n], '\0');
  EXPECT_EQ(kf.sqlca.sqlerrmc[n + 1], ' ');
  zk::request padded{"CNCT"};
  padded.area.termbyte = 2;
  padded.exsql();
  EXPECT_EQ(std::string(padded.sqlca.sqlerrmc + n, 254 - n), std::string(254 - n, ' '));

  // A server text gets two zero bytes; a full field ends in two.
  s.outcomes[op::exec_general] = {-100, -1};
  struct {
    int16_t length;
    std::vector<int> zero_at;
  } cases[] = {{10, {10, 11}}, {252, {252, 253}}, {253, {}}, {254, {252, 253}}};
  for (const auto& c : cases) {
    clt_svc.runtime = [](clt_runtime_op, rdb_sql_area* area) -> int32_t {
      if (!area->srvinfbuf) return 0;  // the closing DISC
      clt_reset_sqlca(area->sqlca);
      area->sqlca->SQLCODE = -100;
      memset(area->sqlca->sqlerrmc, 'x', sizeof(area->sqlca->sqlerrmc));
      area->sqlca->sqlerrml = *static_cast<int16_t*>(area->srvinfbuf);
      return -1;
    };
    zk::request r{"OPEN"};
    int16_t length = c.length;
    r.area.srvinfbuf = &length;
    EXPECT_EQ(r.exsql(), -10);
    int zeros = 0;
    for (int i = 0; i < 254; ++i) zeros += r.sqlca.sqlerrmc[i] == '\0';
    EXPECT_EQ(zeros, static_cast<int>(c.zero_at.size())) << c.length;
    for (int at : c.zero_at) EXPECT_EQ(r.sqlca.sqlerrmc[at], '\0') << c.length;
  }
}

TEST_F(dispatcher, ErrorsReachTheLogsUnlessSkipped) {
  zk::request cn;
  zk::connect(cn);
  memcpy(clt_global.main->srv_version, "07-02    ", 10);
  s.outcomes[op::exec_general] = {-811, -1};
  zk::request r{"OPEN"};
  r.statement("SELECT X FROM T");
  r.exsql();
  auto& log = zk::errlog_lines();
  ASSERT_EQ(log.size(), 2u);
  std::string date = zk_build_date;
  EXPECT_EQ(log[0], "KFPZ03000-I Error information, type=CONNECT STATUS, inf=CLT=08-04(" + date +
                        "):PC SVR=07-02:PC LIBTYPE=WIN_32\n");
  EXPECT_EQ(log[1], "KFPZ03000-I Error information, type=SQL STREAM, inf=SELECT X FROM T\n");
  EXPECT_EQ(std::count(s.traces.begin(), s.traces.end(), clt_trace_op::trc_stream_dump), 1);
  EXPECT_EQ(std::count(s.traces.begin(), s.traces.end(), clt_trace_op::errlog_uap), 2);

  // A listed SQLCODE writes neither log; letter E drops only the dump.
  log.clear();
  s.traces.clear();
  s.errskip = {-100, -811};
  zk::request skipped{"OPEN"};
  skipped.exsql();
  EXPECT_TRUE(log.empty());
  EXPECT_TRUE(s.traces.empty());
  s.errskip = {0, -811};  // a 0 ends the list
  s.letters = {'E'};
  zk::request logged{"OPEN"};
  logged.exsql();
  EXPECT_EQ(log.size(), 1u);
  EXPECT_EQ(std::count(s.traces.begin(), s.traces.end(), clt_trace_op::trc_stream_dump), 0);
}

uint8_t g_param_seen = 0;

TEST_F(dispatcher, PerRequestStateIsResetAndCleared) {
  zk::request cn;
  zk::connect(cn);
  clt_main* main = clt_global.main;
  uint32_t counter = main->reqcounter;
  int param = 0;
  struct {
    const char* code;
    bool param_kept;
    uint32_t counted;
  } cases[] = {{"SET ", true, 1}, {"DESC", true, 1}, {"OPEN", false, 1}, {"TRC2", false, 0}};
  for (const auto& c : cases) {
    main->param_flag = 1;
    main->param_pointer = &param;
    clt_svc.runtime = [](clt_runtime_op, rdb_sql_area*) -> int32_t {
      // What the executor sees of the caller parameter.
      g_param_seen = clt_cur_main()->param_flag;
      return 0;
    };
    zk::request r{c.code};
    r.area.optvalue = 77;
    r.exsql();
    EXPECT_EQ(g_param_seen, c.param_kept ? 1 : 0) << c.code;
    EXPECT_EQ(main->param_flag, 0) << c.code;  // cleared at the end of every request
    EXPECT_EQ(main->reqcounter, counter + c.counted) << c.code;
    counter = main->reqcounter;
    EXPECT_EQ(r.area.optvalue, 0u);
    EXPECT_EQ(main->cancellable, 0);
    EXPECT_EQ(main->reqstatus & 2u, 2u);
  }
}

TEST_F(dispatcher, OldAuxiRunsWithoutVariableLists) {
  zk::request cn;
  zk::connect(cn);
  SQLDA in{}, out{};
  static SQLDA* seen_in;
  seen_in = &in;
  clt_svc.runtime = [](clt_runtime_op, rdb_sql_area* area) -> int32_t {
    seen_in = area->sqliasda;
    return 0;
  };
  zk::request r{"AUXI"};
  r.area.version = 0x0700;
  r.area.sqliasda = &in;
  r.area.sqliasda2 = &out;
  EXPECT_EQ(r.exsql(), 0);
  EXPECT_EQ(seen_in, nullptr);
  EXPECT_EQ(r.area.sqliasda, &in);
  EXPECT_EQ(r.area.sqliasda2, &out);
}

TEST_F(dispatcher, UcsTwoClientGetsTheNotConnectedMessageInUtf16) {
  s.settings[clt_setting::autoconnect] = 'N';
  clt_global.msgconv = 'Y';
  zk::request r{"OPEN"};
  EXPECT_EQ(r.exsql(), -10);
  EXPECT_EQ(r.sqlca.sqlerrml, 96);
  std::string expected;
  for (char ch : std::string("KFPA11563-E Unable to execute SQL before CONNECT")) {
    expected += ch;
    expected += '\0';
  }
  EXPECT_EQ(std::string(r.sqlca.sqlerrmc, 96), expected);
  clt_global.msgconv = 0;
}

std::string utf16(const std::string& ascii) {
  std::string out;
  for (char ch : ascii) {
    out += ch;
    out += '\0';
  }
  return out;
}

// A UCS-2 client: the statement head kept for the traces is the server's
// UTF-8, and the library's own messages come back as UTF-16 with the
// original kept for the error log.
TEST_F(dispatcher, UcsTwoClientKeepsItsStatementInUtf8AndGetsMessagesInUtf16) {
  s.settings[clt_setting::cltcnvmode] = CLT_CNV_UCS2_UTF8;
  zk::request cn;
  zk::connect(cn);
  clt_cnv_setup(clt_main_env(clt_global.main), CLT_CNV_UCS2_UTF8);
  clt_global.msgconv = 'Y';
  zk::request r{"OPEN"};
  r.statement(utf16("SELECT ") + "\x42\x30");  // U+3042
  EXPECT_EQ(r.exsql(), 0);
  EXPECT_EQ(std::string(clt_global.main->stmt_text), "SELECT \xE3\x81\x82");

  zk::request bad{"OPEN"};
  bad.statement("", -5);
  EXPECT_EQ(bad.exsql(), -10);
  const std::string message = "KFPA11821-E More than 2,000,000 or invalid length in SQL";
  EXPECT_EQ(bad.sqlca.sqlerrml, static_cast<int16_t>(2 * message.size()));
  EXPECT_EQ(std::string(bad.sqlca.sqlerrmc, 2 * message.size()), utf16(message));
  EXPECT_EQ(std::string(clt_global.main->msg_copy, clt_global.main->msg_copy_length), message);
  clt_global.msgconv = 0;
}

struct odbc_dispatcher : dispatcher {
  void* handle = nullptr;
  rdb_odbc_buf odbc{};
  void SetUp() override {
    ASSERT_EQ(p_rdb_initodbc(0, &handle), 0);
    odbc.ctxhandle = handle;
  }
  void TearDown() override {
    zk::request disc{"DISC"};
    if (static_cast<clt_global_data*>(handle)->main) disc.exodbc(&odbc);
    p_rdb_termodbc(0, handle);
  }
};

TEST_F(odbc_dispatcher, FirstCallFillsTheBufferAndNeverAutoconnects) {
  s.settings[clt_setting::autoconnect] = 'Y';
  s.settings[clt_setting::odbstatcache] = 3;
  s.settings[clt_setting::gdataopt] = 'Y';
  s.letters = {'D'};
  zk::request r{"OPEN"};
  EXPECT_EQ(r.exodbc(&odbc), -10);
  EXPECT_EQ(r.sqlcode(), -563);
  EXPECT_TRUE(zk::take_ran().empty());
  EXPECT_EQ(odbc.statcache, 3);
  EXPECT_EQ(odbc.gdataopt, 'Y');
  EXPECT_EQ(odbc.optD, 'Y');
  EXPECT_EQ(odbc.optU, 0);
}

TEST_F(odbc_dispatcher, SuccessfulRequestsHandBackReplyByteAndRowsLeft) {
  zk::request cn{"CNCT"};
  ASSERT_EQ(cn.exodbc(&odbc), 0);
  auto* ctx = static_cast<clt_global_data*>(handle);
  EXPECT_EQ(ctx->main->kind, 2);
  ctx->main->cnct_reply = 'R';
  clt_svc.runtime = [](clt_runtime_op, rdb_sql_area*) -> int32_t {
    clt_cur_main()->rows_left = 7;
    return 0;
  };
  odbc.paramflag = 1;
  zk::request r{"FETC"};
  EXPECT_EQ(r.exodbc(&odbc), 0);
  EXPECT_EQ(odbc.cnctreply, 'R');
  EXPECT_EQ(odbc.rowsleft, 7);
}

}  // namespace

namespace {

TEST_F(dispatcher, TracesFollowTheRequest) {
  s.settings[clt_setting::sqltrace] = 4096;
  s.settings[clt_setting::rctrace] = 1;
  zk::request cn;
  zk::connect(cn);
  EXPECT_EQ(s.traces.front(), clt_trace_op::sqltrc_open);
  EXPECT_EQ(s.traces[1], clt_trace_op::rcnct_trc_open);

  int block = 0;
  clt_global.sqltrc_block = &block;
  clt_global.main->rcnct_trc = &block;
  clt_global.main->wrtln_pending = 'Y';  // stays 'N' unless a reply asks
  struct {
    const char* code;
    std::vector<clt_trace_op> traces;
  } cases[] = {
      {"OPEN",
       {clt_trace_op::rcnct_trc_reset, clt_trace_op::sqltrc_start, clt_trace_op::sqltrc_write,
        clt_trace_op::rcnct_trc_write, clt_trace_op::errlog_uap}},
      {"TRC2",
       {clt_trace_op::rcnct_trc_reset, clt_trace_op::sqltrc_start, clt_trace_op::rcnct_trc_write,
        clt_trace_op::errlog_uap}},
  };
  for (const auto& c : cases) {
    s.traces.clear();
    zk::request r{c.code};
    EXPECT_EQ(r.exsql(), 0);
    EXPECT_EQ(s.traces, c.traces) << c.code;
  }

  s.traces.clear();
  clt_global.main->rcnct_trc = nullptr;
  clt_global.sqltrc_block = nullptr;
  zk::request disc{"DISC"};
  disc.exsql();
  EXPECT_EQ(s.traces, (std::vector<clt_trace_op>{clt_trace_op::errlog_uap, clt_trace_op::sqltrc_close,
                                                 clt_trace_op::rcnct_trc_close}));
}

}  // namespace
