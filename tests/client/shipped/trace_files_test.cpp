// The shipped library writes its SQL trace, WRITE LINE and access-path
// files from what the test server sends, with servers of either byte order.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "marlo_server.h"
#include "shipped_library.h"
#include "zk_harness.h"

namespace {

constexpr char kGroup[] = "sds01";
constexpr char kWriteLine[] = "line one\nline two\n";
constexpr char kOptimizer[] = "optimizer text\n";
constexpr char kExecution[] = "execution text\n";
constexpr size_t kAccessPathSize = 160;
constexpr size_t kStatisticsWords = 108;
constexpr uint16_t kSection = 7;
constexpr size_t kCinfHead = 24;
constexpr size_t kItemLevelWord = 84;  // the record's item level
constexpr uint32_t kItemLevelHashJoin = 21;

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void blank(char* field, size_t n, const char* text) {
  memset(field, ' ', n);
  memcpy(field, text, strnlen(text, n));
}

uint32_t word(const std::string& s, size_t at, bool little_endian) {
  const auto* p = reinterpret_cast<const uint8_t*>(s.data() + at);
  return little_endian ? (p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24)
                       : (static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]);
}

// The settings that reach the test server and a script with one table.
marlo::script connectable(const zk::temp_dir& dir) {
  setenv("PDMEMTRCFILE", dir.file("pdmem.trc").c_str(), 1);
  setenv("PDCLTPATH", dir.path.c_str(), 1);
  setenv("PDSERVICEGRP", kGroup, 1);
  setenv("PDHOST", "127.0.0.1", 1);
  setenv("PDAUTOCONNECT", "OFF", 1);
  marlo::script s;
  s.services.push_back(kGroup);
  s.sql_service = true;
  marlo::table t;
  t.name = "T1";
  t.columns.push_back(marlo::column::of("C1", 0xF0, 4, 0, 0));
  EXPECT_EQ(s.tables.declare(t), "");
  return s;
}

// The test server and the shipped library, connected.
struct session {
  marlo::server server;
  shipped::library lib;
  explicit session(marlo::script s) : server(std::move(s)) {}
  void connect() const {
    ASSERT_TRUE(server.ok());
    ASSERT_EQ(lib.error(), "");
    setenv("PDFESHOST", ("127.0.0.1:" + std::to_string(server.name_port())).c_str(), 1);
    zk::request cn{"CNCT"};
    blank(cn.area.authid, sizeof cn.area.authid, "scott");
    blank(cn.area.passwd, sizeof cn.area.passwd, "tiger");
    blank(cn.area.cnctbody, sizeof cn.area.cnctbody, "");
    ASSERT_EQ(lib.exsql(&cn.area), 0) << cn.message();
  }
};

struct server_case {
  bool little_endian;
  bool cut;  // the server cut the WRITE LINE output
};

class ShippedTraceFiles : public ::testing::TestWithParam<server_case> {};

TEST_P(ShippedTraceFiles, OneConnectionWritesTheSqlTraceWriteLineAndAccessPathPairs) {
  const bool little_endian = GetParam().little_endian;
  zk::temp_dir dir;
  const std::string apinf_dir = dir.file("apinf");
  ASSERT_EQ(mkdir(apinf_dir.c_str(), 0700), 0);
  marlo::script s = connectable(dir);
  setenv("PDSQLTRACE", "100000", 1);
  setenv("PDUAPREPLVL", "a", 1);
  setenv("PDWRTLNFILSZ", "4096", 1);
  setenv("PDTAAPINFPATH", apinf_dir.c_str(), 1);
  if (little_endian) setenv("PDSRVTYPE", "PC", 1);
  s.little_endian = little_endian;
  s.trace.server_data = true;
  s.trace.server_words[2] = 1;  // the server took one second
  s.trace.server_words[4] = 11;
  s.trace.write_line = kWriteLine;
  s.trace.write_line_cut = GetParam().cut;
  s.trace.access_path.assign(kAccessPathSize, 'A');
  s.trace.optimizer = kOptimizer;
  s.trace.execution = kExecution;
  s.trace.statistics.assign(kStatisticsWords, 3);
  s.trace.statistics[kItemLevelWord] = kItemLevelHashJoin;
  session sess(std::move(s));
  const shipped::library& lib = sess.lib;
  sess.connect();
  if (::testing::Test::HasFatalFailure()) return;
  zk::request del{"AUXI"};
  del.statement("DELETE FROM T1");
  del.area.section = kSection;
  EXPECT_GE(lib.exsql(&del.area), 0) << del.message();
  zk::request disc{"DISC"};
  EXPECT_EQ(lib.exsql(&disc.area), 0) << disc.message();

  const std::string sql = read_file(dir.file("pdsql1.trc"));
  for (const char* part : {"  ** UAP TRACE (CLT:08-04() SVR:", "  UAP ENVIRONMENT :", "CNCT  CLPID CLTID NO",
                           "CNCT    0", "AUXI    7", "DISC", "Result of SQL Optimizer :\noptimizer text\n",
                           "Result of SQL Execution :\nexecution text\n", "UAP INFORMATION :\n", "[9]WAITT(3000)",
                           "[113]HJMAX(3) [114]HJCMC(3) [115]HJHTC(3)\n\n"}) {
    EXPECT_NE(sql.find(part), std::string::npos) << part << "\n" << sql;
  }
  EXPECT_EQ(read_file(dir.file("pdwrtln1.trc")),
            std::string(kWriteLine) + (GetParam().cut ? "** PDWRTLNCOMSZ over **\n" : ""));

  const std::string apinf = read_file(apinf_dir + "/pdtaapinf1");
  ASSERT_EQ(apinf.size(), kCinfHead + kAccessPathSize) << "the record holds the access-path data alone";
  EXPECT_EQ(apinf.substr(0, 4), "CINF");
  const auto* head = reinterpret_cast<const uint8_t*>(apinf.data());
  const uint16_t section = little_endian ? static_cast<uint16_t>(head[12] | head[13] << 8)
                                         : static_cast<uint16_t>(head[12] << 8 | head[13]);
  EXPECT_EQ(section, kSection);
  EXPECT_NE(word(apinf, 8, little_endian), 0u) << "the request counter in the server's order";
  EXPECT_EQ(apinf.substr(14, 10), std::string(10, '\0'));
  EXPECT_EQ(apinf.substr(kCinfHead, 12), std::string(12, 'A'));
}

INSTANTIATE_TEST_SUITE_P(Servers, ShippedTraceFiles,
                         ::testing::Values(server_case{false, false}, server_case{true, true}));

// A server that asks for a trace opens a window of its requests: the
// first record has dashed times, and after the count the trace ends.
TEST(ShippedTraceWindow, TheServerOpensATraceOfTwoRequests) {
  zk::temp_dir dir;
  marlo::script s = connectable(dir);
  s.trace.trace_request = true;
  s.trace.trace_request_function = "p_f_sqa_cauxi";
  s.trace.trace_count = 2;
  s.trace.trace_mask = 2;  // request lines
  session sess(std::move(s));
  const shipped::library& lib = sess.lib;
  sess.connect();
  if (::testing::Test::HasFatalFailure()) return;
  zk::request del{"AUXI"};
  del.statement("DELETE FROM T1");
  lib.exsql(&del.area);
  for (int i = 0; i < 2; ++i) {
    zk::request commit{"CMIT"};
    EXPECT_EQ(lib.exsql(&commit.area), 0) << commit.message();
  }
  zk::request disc{"DISC"};
  EXPECT_EQ(lib.exsql(&disc.area), 0) << disc.message();
  const std::string sql = read_file(dir.file("pdsds014711_1.trc"));
  EXPECT_NE(sql.find("  ** UAP TRACE"), std::string::npos) << sql;
  EXPECT_NE(sql.find("AUXI    0  100 -0000 --:--:--.--- --:--:--.--- 0000"), std::string::npos) << sql;
  const size_t commit = sql.find(" CMIT ");
  ASSERT_NE(commit, std::string::npos) << sql;
  EXPECT_EQ(sql.find(" CMIT ", commit + 1), std::string::npos) << "the window ended after two requests";
  EXPECT_EQ(sql.find("--:--", commit), std::string::npos) << "later records carry their times";
  EXPECT_FALSE(std::ifstream(dir.file("pdsql1.trc")).good());
}

}  // namespace
