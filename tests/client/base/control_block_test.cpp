// The connection control block: first call, start-up order, end.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>

#include "CLTCNTL.h"
#include "CLTLIBCT.h"
#include "CLTCOMCTX.h"
#include "CLTFRAME.h"
#include "CLTMEM.h"
#include "CLTUTL.h"
#include "zk_harness.h"

namespace {

std::vector<std::string> g_steps;
std::map<clt_setting, int32_t> g_env;

int32_t env_get(const clt_main*, clt_setting which, int32_t) {
  auto it = g_env.find(which);
  return it == g_env.end() ? 0 : it->second;
}
void env_put(clt_main*, clt_setting which, int32_t value) { g_env[which] = value; }

struct first_call : ::testing::Test {
  zk::services_scope services;
  zk::context_scope context;
  zk::temp_dir dir;
  zk::request r{"CNCT"};

  void SetUp() override {
    clt_svc.env_get = env_get;
    clt_svc.env_put = env_put;
    clt_svc.errlog_open = [] { g_steps.push_back("errlog_open"); };
    clt_svc.errlog_close = [] { g_steps.push_back("errlog_close"); };
    clt_svc.trc_open_buf = [] { g_steps.push_back("trc_open_buf"); };
    clt_svc.trc_close_buf = [] { g_steps.push_back("trc_close_buf"); };
    clt_svc.trc_close_rpcsoc = [] { g_steps.push_back("trc_close_rpcsoc"); };
    clt_svc.trcctl_read = [] { g_steps.push_back("trcctl_read"); };
    clt_svc.req_free_buffers = [] { g_steps.push_back("req_free_buffers"); };
    clt_svc.errlog_vmsg = zk::capture_errlog;
    clt_svc.trc_mem = zk::capture_memtrc;
    // No memory trace unless a test creates the file.
    setenv("PDMEMTRCFILE", dir.file("pdmem.trc").c_str(), 1);
  }
  void TearDown() override {
    if (clt_cur()->main) clt_last_call_term(&r.area);
  }
};

TEST_F(first_call, CreatesTheBlockWithItsSections) {
  ASSERT_EQ(clt_first_call_init(&r.area), 0);
  clt_global_data* ctx = clt_cur();
  clt_main* main = ctx->main;
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(ctx->main_alloc, static_cast<void*>(main));
  EXPECT_EQ(std::string(main->eyecatcher, 8), "CLT_MAIN");
  EXPECT_EQ(std::string(clt_main_env(main)->eyecatcher, 8), "CLT_ENV ");
  EXPECT_EQ(std::string(clt_main_uap(main)->eyecatcher, 8), "CLT_UAP ");
  EXPECT_GE(main->env_offset, sizeof(clt_main));
  EXPECT_GE(main->uap_offset, main->env_offset + sizeof(clt_env));
  EXPECT_EQ(main->area, &r.area);
  EXPECT_EQ(main->kind, CLT_KIND_EMBEDDED);
  EXPECT_EQ(main->clt_pid, static_cast<uint32_t>(getpid()));
  EXPECT_EQ(main->no_reconnect, 'N');
  for (int32_t fd : main->kept_fd) EXPECT_EQ(fd, -1);
  EXPECT_EQ(ctx->memtrc, 'N');

  // The text areas lie one after the other with their fixed sizes.
  const size_t sizes[] = {33, 33, 524, 301, 301, 301, 301};
  for (int i = 0; i + 1 < CLT_TEXT_AREAS; ++i) {
    EXPECT_EQ(main->text_area_offset[i + 1] - main->text_area_offset[i], sizes[i]) << i;
  }
  EXPECT_EQ(clt_text(main, CLT_TEXT_TRCPATH), clt_main_uap(main)->trcpath);

  // Start-up order; no trace-control file without PDTRCPATH.
  EXPECT_EQ(g_steps, (std::vector<std::string>{"errlog_open", "trc_open_buf"}));
  EXPECT_EQ(ctx->mdl_trc_state, CLT_TRC_OFF);
  EXPECT_EQ(ctx->trc_dir, clt_text(main, CLT_TEXT_CLTPATH));

  // A second first call finds the block and does nothing.
  EXPECT_EQ(clt_first_call_init(&r.area), 0);
  EXPECT_EQ(clt_cur()->main, main);
  EXPECT_EQ(g_steps.size(), 2u);
}

TEST_F(first_call, MarkedAreaMakesConnectionKindOne) {
  r.area.cnctattr = 'Y';
  ASSERT_EQ(clt_first_call_init(&r.area), 0);
  EXPECT_EQ(clt_cur()->main->kind, CLT_KIND_EMBEDDED_MARKED);
}

TEST_F(first_call, MissingAreaOrSqlcaFailsCreation) {
  EXPECT_EQ(clt_main_create(nullptr), -10);
  zk::request bare;
  bare.area.sqlca = nullptr;
  EXPECT_EQ(clt_main_create(&bare.area), -10);
  EXPECT_EQ(clt_cur()->main, nullptr);
}

TEST_F(first_call, ModuleTraceRecordFollowsItsSetting) {
  g_env[clt_setting::trcmdl] = 1;
  ASSERT_EQ(clt_first_call_init(&r.area), 0);
  EXPECT_EQ(clt_cur()->mdl_trc_state, CLT_TRC_READY);
  EXPECT_NE(clt_cur()->mdl_trc_record, nullptr);
  EXPECT_EQ(clt_cur()->mdl_trc_setting[0], 1);
}

struct trace_control_case {
  uint8_t caller_mark;
  int32_t level;
  int32_t size;
  int32_t text_given;
  int32_t level_after;
  int32_t size_after;
  bool ipc_off;
  bool long_text;
};

TEST_F(first_call, TraceControlLevelsAdjustTheSettings) {
  const trace_control_case cases[] = {
      {0, 16, 4096, 0, 16, 4096, true, false},   // 'r' turns the channel off
      {0, 4, 4096, 1, 4, 4096, true, true},      // 'p' with the text size flag
      {0, 2, 4096, 1, 2, 4096, false, false},    // 's' alone changes nothing
      {'Y', 3, 4096, 0, 2, 4096, false, false},  // kind 1 drops 'u'
      {'Y', 1, 4096, 0, 0, 0, false, false},     // ... and a lone 'u' the size
  };
  for (const auto& c : cases) {
    g_env.clear();
    g_steps.clear();
    g_env[clt_setting::ipc] = 'Y';
    g_env[clt_setting::trcctl_level] = c.level;
    g_env[clt_setting::trcctl_size] = c.size;
    g_env[clt_setting::sqltextsize_given] = c.text_given;
    r.area.cnctattr = c.caller_mark;
    // The settings reader fills the directory before the logs are opened.
    clt_svc.errlog_open = [] { strcpy(clt_text(clt_cur()->main, CLT_TEXT_TRCPATH), "/trace"); };
    ASSERT_EQ(clt_first_call_init(&r.area), 0);
    EXPECT_EQ(g_env[clt_setting::trcctl_level], c.level_after) << c.level;
    EXPECT_EQ(g_env[clt_setting::trcctl_size], c.size_after) << c.level;
    EXPECT_EQ(g_env[clt_setting::ipc], c.ipc_off ? 'N' : 'Y') << c.level;
    EXPECT_EQ(g_env[clt_setting::sqltextsize], c.long_text ? 2000000 : 0) << c.level;
    clt_last_call_term(&r.area);
  }
}

TEST_F(first_call, EndClosesInOrderAndFreesEverything) {
  ASSERT_EQ(clt_first_call_init(&r.area), 0);
  clt_main* main = clt_cur()->main;
  main->reqbuf[CLT_REQBUF_APINF] = cltmem_alloc(64, 0, "test", 1);
  main->trc_names[CLT_TRCNAME_SQL1] = static_cast<char*>(cltmem_alloc(30, 0, "test", 2));
  main->srvinf = malloc(512);
  g_steps.clear();
  clt_last_call_term(&r.area);
  EXPECT_EQ(g_steps, (std::vector<std::string>{"trc_close_rpcsoc", "trc_close_buf",
                                               "errlog_close", "req_free_buffers"}));
  EXPECT_EQ(clt_cur()->main, nullptr);
  EXPECT_EQ(clt_cur()->main_alloc, nullptr);
  EXPECT_EQ(clt_cur()->trc_dir, nullptr);
  EXPECT_EQ(clt_cur()->trcctl_dir, nullptr);
}

TEST_F(first_call, MemoryTraceLogsEveryBlockWithItsOrigin) {
  std::string trace = dir.file("pdmem.trc");
  std::ofstream(trace).close();
  ASSERT_EQ(clt_first_call_init(&r.area), 0);
  EXPECT_EQ(clt_cur()->memtrc, 'Y');
  clt_cur()->main->reqbuf[0] = cltmem_alloc(64, 0, "C:\\src\\CLTLIBCT.c", 7);
  clt_last_call_term(&r.area);

  // Every ALLOC has its FREE with the same address.
  std::multiset<std::string> open_blocks;
  bool control_block_seen = false;
  for (const std::string& line : zk::memtrc_lines()) {
    auto handle = line.substr(line.find('=') + 1, line.find(';') - line.find('=') - 1);
    if (line.rfind("ALLOC:CLTMEM_HANDLE=", 0) == 0) {
      open_blocks.insert(handle);
      control_block_seen |= line.find(";CLTCNTL:") != std::string::npos;
    } else {
      ASSERT_EQ(line.rfind("FREE: CLTMEM_HANDLE=", 0), 0u) << line;
      auto it = open_blocks.find(handle);
      ASSERT_NE(it, open_blocks.end()) << line;
      open_blocks.erase(it);
    }
  }
  EXPECT_TRUE(open_blocks.empty());
  EXPECT_TRUE(control_block_seen);
  EXPECT_NE(std::find_if(zk::memtrc_lines().begin(), zk::memtrc_lines().end(),
                         [](const std::string& l) {
                           return l.find("SIZE=64;CLTLIBCT.c:7\n") != std::string::npos;
                         }),
            zk::memtrc_lines().end());
}

TEST_F(first_call, MissingMemoryTraceFileIsNeverCreated) {
  ASSERT_EQ(clt_first_call_init(&r.area), 0);
  clt_last_call_term(&r.area);
  EXPECT_TRUE(zk::memtrc_lines().empty());
  struct stat st;
  EXPECT_NE(stat(dir.file("pdmem.trc").c_str(), &st), 0);
}

}  // namespace

namespace {

int32_t start_time(uint32_t* seconds, uint16_t* milliseconds) {
  *seconds = 1700000000;
  *milliseconds = 7;
  return 0;
}

TEST_F(first_call, TraceNamesFitTheirBuffersAndAreMadeOnce) {
  setenv("TZ", "UTC", 1);
  tzset();
  clt_svc.sqltrc_start_time = start_time;
  ASSERT_EQ(clt_first_call_init(&r.area), 0);
  clt_main* main = clt_cur()->main;
  main->cnct_number = 1234567890;
  strcpy(clt_text(main, CLT_TEXT_REPPATH), "/rep");
  g_env[clt_setting::trcctl_size] = 4096;
  clt_make_trc_names();
  ASSERT_NE(main->trc_names[CLT_TRCNAME_SQL1], nullptr);
  EXPECT_STREQ(main->trc_names[CLT_TRCNAME_SQL1], "pd221320007_1234567890_1.trc");
  EXPECT_STREQ(main->trc_names[CLT_TRCNAME_SQL2], "pd221320007_1234567890_2.trc");
  EXPECT_STREQ(main->trc_names[CLT_TRCNAME_CTL1], "pdc221320007_1234567890_1.trc");
  EXPECT_STREQ(main->trc_names[CLT_TRCNAME_CTL2], "pdc221320007_1234567890_2.trc");
  EXPECT_EQ(clt_cur()->cur_trc_block, nullptr);

  char* kept = main->trc_names[CLT_TRCNAME_SQL1];
  main->cnct_number = 5;
  clt_make_trc_names();
  EXPECT_EQ(main->trc_names[CLT_TRCNAME_SQL1], kept);
}

TEST_F(first_call, TraceNamesKeepTheWholeOfAnyConnectionNumber) {
  setenv("TZ", "UTC", 1);
  tzset();
  clt_svc.sqltrc_start_time = start_time;
  g_env[clt_setting::trcctl_size] = 4096;
  const struct {
    uint32_t number;
    const char* sql1;
    const char* ctl2;
  } cases[] = {
      {0x80000000u, "pd221320007_2147483648_1.trc", "pdc221320007_2147483648_2.trc"},
      {0xFFFFFFFFu, "pd221320007_4294967295_1.trc", "pdc221320007_4294967295_2.trc"},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(clt_first_call_init(&r.area), 0);
    clt_main* main = clt_cur()->main;
    main->cnct_number = c.number;
    strcpy(clt_text(main, CLT_TEXT_REPPATH), "/rep");
    clt_make_trc_names();
    ASSERT_NE(main->trc_names[CLT_TRCNAME_SQL1], nullptr);
    EXPECT_STREQ(main->trc_names[CLT_TRCNAME_SQL1], c.sql1);
    EXPECT_STREQ(main->trc_names[CLT_TRCNAME_CTL2], c.ctl2);
    clt_last_call_term(&r.area);
  }
}

TEST_F(first_call, NoReportDirectoryNoSqlTraceNames) {
  clt_svc.sqltrc_start_time = start_time;
  ASSERT_EQ(clt_first_call_init(&r.area), 0);
  clt_make_trc_names();
  for (char* name : clt_cur()->main->trc_names) EXPECT_EQ(name, nullptr);
}

}  // namespace

TEST_F(first_call, OptionLetterRKeepsRequestsOutOfTheRequestCodeForm) {
  setenv("PDCLTOPTIONSTR", "R", 1);
  ASSERT_EQ(clt_first_call_init(&r.area), 0);
  clt_com_conn* com = clt_main_com(clt_cur()->main);
  EXPECT_EQ(com->no_reqcode, 'Y');
  // Everything else the request-code form asks for is there.
  com->no_reqcode = 0;
  com->features = 0xFF;
  com->protocol = 2;
  const bool withoutR = clt_frame_reqcode_form(com, 10, 0);
  com->no_reqcode = 'Y';
  EXPECT_NE(withoutR, clt_frame_reqcode_form(com, 10, 0));
}
