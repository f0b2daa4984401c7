// The trace-control file ".#pdtrc": what each content gives, what it writes
// to the error log with option letter T, and a connection of kind 1.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <fstream>
#include <string>
#include <vector>

#include "CLTCNTL.h"
#include "CLTLIBCT.h"
#include "clt_trcctl.h"
#include "zk_harness.h"
#include "zk_records.h"

namespace {

constexpr const char* kEnvError = "KFPZ02401-E Environment definition error, variable=.#pdtrc, reason=";

struct control_case {
  const char* content;  // nullptr: no file
  const char* apname;
  int32_t result;
  int32_t bits;
  int32_t size;
  int16_t keep;
  const char* reason;  // of the error-log line, empty: none
};

const control_case kCases[] = {
    {"7\n100000\nAPP1\n", "APP1", 0, 7, 100000, 0, ""},
    {"5 1\n", "Unknown", 0, 5, -1, 1, ""},
    {"5 2\n", "Unknown", -1, 0, -1, 0, "OUT OF RANGE"},
    {"5 2 \n", "Unknown", -1, 0, -1, 0, "INVALID CHAR"},
    {"5  1\n", "Unknown", -1, 0, -1, 0, "INVALID CHAR"},
    {"24\n", "Unknown", -1, 0, -1, 0, "OUT OF RANGE"},
    {"-1\n", "Unknown", -1, 0, -1, 0, "OUT OF RANGE"},
    {"x\n32768\n", "Unknown", 0, 0, 32768, 0, ""},
    {"1\n1000\n", "Unknown", -1, 0, -1, 0, "OUT OF RANGE"},
    {"1\n12a\n", "Unknown", -1, 0, -1, 0, "INVALID CHAR"},
    {"1\n\n", "Unknown", 0, 1, 0, 0, ""},
    {"1\n99999999999999999999\n", "Unknown", -1, 0, -1, 0, "OUT OF RANGE"},
    {"7\n100000", "Unknown", -1, 0, -1, 0, "INVALID CHAR"},
    {"", "Unknown", -1, 0, -1, 0, "NO VALUE"},
    {"0\n", "Unknown", -1, 0, -1, 0, "NO VALUE"},
    {"16\n", "Unknown", 0, 16, -1, 0, ""},
    {"1\n0\nAPP1\n4\n", "Unknown", -1, 0, -1, 0, "INVALID CHAR"},
    {"1\n0\nAPP1\n", "APP2", 0, 0, -1, 0, ""},
    {"1\n0\nAPP1\n", "Unknown", 0, 1, 0, 0, ""},
    {"1\n0\nAPPLICATION-NAME-LONGER-THAN-30\n", "Unknown", -1, 0, -1, 0, "INVALID CHAR"},
    {nullptr, "Unknown", 0, 0, -1, 0, ""},
};

TEST(TraceControl, EachContentGivesItsFieldsOrItsError) {
  for (const control_case& c : kCases) {
    SCOPED_TRACE(c.content != nullptr ? c.content : "(no file)");
    zk::temp_dir dir;
    if (c.content != nullptr) std::ofstream(dir.file(".#pdtrc"), std::ios::binary) << c.content;
    zk::services_scope services;
    clt_svc.errlog_vmsg = zk::capture_errlog;
    zk::errlog_lines().clear();
    clt_env env{};
    env.opt_t = 'Y';
    snprintf(env.pdcltapname, sizeof env.pdcltapname, "%s", c.apname);
    EXPECT_EQ(clt_trcctl_read_dir(&env, dir.path.c_str()), c.result);
    EXPECT_EQ(env.trcctl_bits, c.bits);
    EXPECT_EQ(env.trcctl_size, c.size);
    EXPECT_EQ(env.trcctl_keep_open, c.keep);
    EXPECT_EQ(env.sqltrace_flag, c.size != -1 ? 'Y' : '\0');
    const std::vector<std::string> want =
        c.reason[0] == '\0' ? std::vector<std::string>{} : std::vector<std::string>{kEnvError + std::string(c.reason) + "\n"};
    EXPECT_EQ(zk::errlog_lines(), want);
  }
}

TEST(TraceControl, ErrorsAreSilentWithoutOptionLetterT) {
  zk::temp_dir dir;
  zk::services_scope services;
  clt_svc.errlog_vmsg = zk::capture_errlog;
  zk::errlog_lines().clear();
  std::ofstream(dir.file(".#pdtrc")) << "99\n";
  clt_env env{};
  EXPECT_EQ(clt_trcctl_read_dir(&env, dir.path.c_str()), -1);
  EXPECT_TRUE(zk::errlog_lines().empty());

  EXPECT_EQ(env.trcctl_size, -1);
}

// A connection of kind 1 keeps no application statistics: report bits 1
// alone leave no trace-control size.
TEST(TraceControl, AConnectionOfKindOneDropsTheApplicationStatistics) {
  struct kind_case {
    const char* content;
    int32_t size;  // as the settings answer it: 0 none
    int32_t bits;
  } cases[] = {{"1\n100000\n", 0, 0}, {"3\n100000\n", 100000, 2}};
  for (const kind_case& c : cases) {
    SCOPED_TRACE(c.content);
    zk::temp_dir dir;
    std::ofstream(dir.file(".#pdtrc")) << c.content;
    setenv("PDMEMTRCFILE", dir.file("pdmem.trc").c_str(), 1);
    setenv("PDCLTPATH", dir.path.c_str(), 1);
    setenv("PDTRCPATH", dir.path.c_str(), 1);
    zk::request r{"CMIT"};
    r.area.cnctattr = 'Y';
    {
      zk::context_scope scope;
      ASSERT_EQ(clt_first_call_init(&r.area), 0);
      EXPECT_EQ(clt_global.main->kind, CLT_KIND_EMBEDDED_MARKED);
      EXPECT_EQ(clt_env_get(clt_global.main, clt_setting::trcctl_size), c.size);
      EXPECT_EQ(clt_env_get(clt_global.main, clt_setting::trcctl_level), c.bits);
      clt_last_call_term(&r.area);
    }
    unsetenv("PDTRCPATH");
    unsetenv("PDCLTPATH");
    unsetenv("PDMEMTRCFILE");
  }
}

}  // namespace
