// The SQL trace's records: the request line's columns, the statement
// record and its cuts, the server statistics line, the result sections
// and the application statistics at the end of a connection.
#include <arpa/inet.h>
#include <fcntl.h>
#include <string.h>
#include <unistd.h>

#include "CLTMEM.h"
#include "sql_trace_support.h"
#include "zk_bytes.h"

namespace {

using zk::sql_trace;

constexpr char kNoWarnings[] = "                ";

// The last line of a text.
std::string last_line(const std::string& text) {
  const size_t end = text.size() - 1;
  const size_t start = text.rfind('\n', end - 1);
  return text.substr(start == std::string::npos ? 0 : start + 1);
}

TEST_F(sql_trace, RequestLineColumns) {
  open({{"PDSQLTRACE", "1000000"}, {"PDSQLEXECTIME", "YES"}});
  struct line_case {
    const char* warnings;
    int64_t elapsed;
    uint32_t counter_before;  // 0: as it stands
    const char* warn_field;
    const char* counter_field;
    const char* exec_field;
  } cases[] = {
      {kNoWarnings, 0, 0, "-0000", "     1", "          0"},
      {"W W             ", 1500000, 0, "Wa000", "     2", "    1500000"},
      {"WX              ", 2, 999999, "Wc000", "     1", "          2"},
      {kNoWarnings, 86401 * zk::kFrequency, 0, "-0000", "     2", "86400000000"},
  };
  for (const line_case& c : cases) {
    SCOPED_TRACE(c.warn_field);
    zk::request r{"CMIT"};
    r.area.section = 12;
    r.sqlca.SQLCODE = -204;
    memcpy(r.sqlca.sqlwarn, c.warnings, sizeof r.sqlca.sqlwarn);
    if (c.counter_before != 0) buffer()->counter = c.counter_before;
    trace(r, c.elapsed);
    const std::string line = last_line(sql_files());
    ASSERT_EQ(line.size(), 89u) << line;
    EXPECT_EQ(line.substr(0, 5), "    0");
    EXPECT_EQ(std::stoi(line.substr(6, 5)), getpid());
    EXPECT_EQ(line.substr(12, 5), "    0");
    EXPECT_EQ(line.substr(18, 6), c.counter_field);
    EXPECT_EQ(line.substr(25, 4), "CMIT");
    EXPECT_EQ(line.substr(30, 4), "  12");
    EXPECT_EQ(line.substr(34, 5), " -204");
    EXPECT_EQ(line.substr(40, 5), c.warn_field);
    EXPECT_EQ(line.substr(46, 12), "22:13:20.250");
    EXPECT_EQ(line.substr(59, 12), "22:13:20.250");
    EXPECT_EQ(line.substr(72, 4), "0000");
    EXPECT_EQ(line.substr(77, 11), c.exec_field);
  }
}

TEST_F(sql_trace, UserLineFollowsSauthAndOlderLayoutShowsSqlstate) {
  open({{"PDSQLTRACE", "1000000"}, {"PDTRCLVL", "1"}});
  zk::request r{"SAUH"};
  memcpy(r.sqlca.sqlwarn, "W W             ", sizeof r.sqlca.sqlwarn);
  memcpy(r.area.sqlstate, "R0000", 5);
  memset(r.area.authid, ' ', sizeof r.area.authid);
  memcpy(r.area.authid, "ALICE", 5);
  trace(r);
  const std::string text = sql_files();
  const std::string want_user = " *USER* ALICE" + std::string(25, ' ') + "\n";
  ASSERT_GE(text.size(), 80 + want_user.size());
  EXPECT_EQ(text.substr(text.size() - want_user.size()), want_user);
  const std::string line = text.substr(text.size() - want_user.size() - 80, 80);
  EXPECT_EQ(line, "      1  SAUH     0      0 R0000    W-W-------------  221320250  221320250     \n");
}

TEST_F(sql_trace, StatementRecordsAreCut) {
  struct cut_case {
    const char* sqltrace;
    size_t length;
    bool lead_byte_last;  // the byte at the cut is the first of a double-byte character
    size_t written;
  } cases[] = {
      {"1000000", 5000, false, 4096},
      {"1000000", 5000, true, 4095},
      {"4096", 4096, false, 3284},
      {"1000000", 300, false, 300},
  };
  for (const cut_case& c : cases) {
    SCOPED_TRACE(c.written);
    restart();
    open({{"PDSQLTRACE", c.sqltrace}});
    std::string text(c.length, 'a');
    if (c.lead_byte_last) text[4095] = '\x82';
    zk::request r{"SET "};
    memcpy(r.sqlca.sqlwarn, kNoWarnings, sizeof r.sqlca.sqlwarn);
    r.statement(text);
    trace(r);
    const std::string files = sql_files();
    const size_t at = files.find("     *SQL* ");
    ASSERT_NE(at, std::string::npos);
    const size_t end = files.find('\n', at);
    EXPECT_EQ(end - at - 11, c.written);
  }
}

TEST_F(sql_trace, NegativeStatementLengthWritesNoRecord) {
  open({{"PDSQLTRACE", "1000000"}});
  zk::request r{"SET "};
  r.statement("SELECT 1", -5);
  trace(r);
  EXPECT_EQ(sql_files().find("*SQL*"), std::string::npos);
}

// Report levels decide the sections: p writes no request line but the
// statement of a request with an optimizer result.
TEST_F(sql_trace, OptimizerLevelAloneWritesTheStatementAndTheResult) {
  open({{"PDSQLTRACE", "1000000"}, {"PDUAPREPLVL", "p"}});
  const std::string text = "optimizer says\n";
  auto* block = static_cast<uint8_t*>(cltmem_alloc(4 + text.size(), 0, "test", __LINE__));
  put_be32(block, static_cast<uint32_t>(text.size()));
  memcpy(block + 4, text.data(), text.size());
  clt_main_reply(main())->apinf2 = block;
  zk::request r{"SET "};
  r.statement("SELECT 1");
  trace(r);
  const std::string files = sql_files();
  EXPECT_EQ(files.find("CNCT  CLPID"), std::string::npos) << "no column header with 'p' alone";
  EXPECT_NE(files.find("     *SQL* SELECT 1\n"), std::string::npos);
  EXPECT_NE(files.find("Result of SQL Optimizer :\noptimizer says\n"), std::string::npos);
  EXPECT_EQ(files.find(" SET "), std::string::npos) << "no request line";
}

TEST_F(sql_trace, ServerStatisticsLine) {
  open({{"PDSQLTRACE", "1000000"}, {"PDUAPREPLVL", "s"}});
  auto* block = static_cast<uint8_t*>(cltmem_alloc(40, 0, "test", __LINE__));
  const uint32_t words[10] = {100, 900000, 102, 100000, 5, 6, 7, 8, 9, 10};
  for (size_t i = 0; i < 10; ++i) put_be32(block + 4 * i, words[i]);
  clt_main_reply(main())->trace_block = block;
  main()->srv_level = ~22;  // level word -23: the two later counts too
  zk::request r{"CMIT"};
  trace(r);
  EXPECT_EQ(last_line(sql_files()), "00:00:00.000 00:00:01.200000 0 5 6 7 8 9 10 \n");
}

std::string with_length(const std::string& text) {
  std::string b(4, '\0');
  put_be32(reinterpret_cast<uint8_t*>(b.data()), static_cast<uint32_t>(text.size()));
  return b + text;
}

// The statistics record: 108 words, the item level at word 84.
uint8_t* statistics(uint32_t item_level, uint32_t seconds, uint32_t micros) {
  constexpr size_t kWords = 108;
  auto* b = static_cast<uint8_t*>(cltmem_alloc(kWords * 4, 0, "test", __LINE__));
  for (size_t i = 0; i < kWords; ++i) put_be32(b + 4 * i, 4);
  put_be32(b, seconds);
  put_be32(b + 4, micros);
  put_be32(b + 336, item_level);
  return b;
}

TEST_F(sql_trace, ResultSectionsAndStatisticsFollowTheLevels) {
  struct level_case {
    int32_t level_word;
    uint32_t item_level;
    std::vector<const char*> present;
    std::vector<const char*> absent;
  } cases[] = {
      {-18, 10, {"[92]SCHSKD(4) [93]SCHCHG(4)\n", "[94]CINSM() [95]CAFLS()", "[113]HJMAX() [114]HJCMC() [115]HJHTC()\n\n"}, {"[94]CINSM(4)"}},
      {-17, 10, {"[92]SCHSKD() [93]SCHCHG()\n"}, {"[92]SCHSKD(4)"}},
      {-27, 10, {"[94]CINSM(4) [95]CAFLS(4) [96]CAFWR(4) [97]CFMAX(4) [98]CFAVG(1)\n", "[113]HJMAX() [114]HJCMC() [115]HJHTC()\n"}, {}},
      {-27, 21, {"[113]HJMAX(4) [114]HJCMC(4) [115]HJHTC(4)\n\n", "[9]WAITT(2500)"}, {}},
  };
  for (const level_case& c : cases) {
    SCOPED_TRACE(c.level_word);
    restart();
    open({{"PDSQLTRACE", "1000000"}, {"PDUAPREPLVL", "a"}});
    main()->srv_level = c.level_word;
    main()->disc_area_size = 432;
    clt_main_reply(main())->disc_trace = statistics(c.item_level, 2, 500000);
    const std::string long_text = std::string(5000, 'x') + "\n";
    const std::string blocks[2] = {with_length(long_text), with_length("executed\n")};
    uint8_t** slots[2] = {&clt_main_reply(main())->apinf2, &clt_main_reply(main())->sqltrc};
    for (int i = 0; i < 2; ++i) {
      *slots[i] = static_cast<uint8_t*>(cltmem_alloc(static_cast<uint32_t>(blocks[i].size()), 0, "test", __LINE__));
      memcpy(*slots[i], blocks[i].data(), blocks[i].size());
    }
    zk::request r{"DISC"};
    trace(r);
    const std::string files = sql_files();
    EXPECT_NE(files.find("Result of SQL Optimizer :\n" + long_text + "Result of SQL Execution :\nexecuted\nUAP INFORMATION :\n"),
              std::string::npos);
    for (const char* part : c.present) EXPECT_NE(files.find(part), std::string::npos) << part;
    for (const char* part : c.absent) EXPECT_EQ(files.find(part), std::string::npos) << part;
  }
}

TEST_F(sql_trace, TraceControlLevelAloneSendsTheStatisticsToItsOwnFile) {
  zk::temp_dir control;
  std::ofstream(control.file(".#pdtrc")) << "1\n100000\n";
  open({{"PDSQLTRACE", "1000000"}, {"PDUAPREPLVL", "s"}, {"PDTRCPATH", control.path.c_str()}});
  main()->srv_level = ~26;
  main()->disc_area_size = 432;
  clt_main_reply(main())->disc_trace = statistics(21, 0, 0);
  clt_make_trc_names();
  zk::request r{"DISC"};
  trace(r);
  EXPECT_EQ(sql_files().find("UAP INFORMATION"), std::string::npos);
  const std::string control_files = zk::read_all(control.path + "/" + main()->trc_names[CLT_TRCNAME_CTL1]);
  EXPECT_NE(control_files.find("UAP INFORMATION :\n"), std::string::npos) << control_files;
}

TEST_F(sql_trace, AfterCloseNothingIsWritten) {
  open({{"PDSQLTRACE", "1000000"}});
  zk::request r{"CMIT"};
  trace(r);
  const std::string before = sql_files();
  clt_sqltrc_close();
  trace(r);
  EXPECT_EQ(sql_files(), before);
}

}  // namespace

namespace {

// With the report directory the pair is named by the connection and, with
// "CNCT", stays open until the trace closes.
TEST_F(sql_trace, ReportDirectoryPairIsNamedByTheConnectionAndKeptOpen) {
  zk::temp_dir reports;
  open({{"PDSQLTRACE", "1000000"}, {"PDUAPREPLVL", "s"}, {"PDREPPATH", reports.path.c_str()},
        {"PDSQLTRCOPENMODE", "CNCT"}});
  main()->cnct_number = 5;
  clt_sqltrc_stamp(false);  // the names take the first request's start
  clt_make_trc_names();
  zk::request r{"CMIT"};
  trace(r);
  trace(r);
  const std::string file = zk::read_all(reports.file("pd221320250_5_1.trc"));
  ASSERT_NE(file.find("CMIT"), std::string::npos) << file;
  EXPECT_EQ(file.find("CMIT") + 80, file.rfind("CMIT")) << "two request lines, one after the other";
  const int kept = main()->kept_fd[CLT_TRCNAME_SQL1];
  ASSERT_GE(kept, 0);
  EXPECT_NE(fcntl(kept, F_GETFD), -1);
  clt_sqltrc_close();
  EXPECT_EQ(main()->kept_fd[CLT_TRCNAME_SQL1], CLT_FD_CLOSED);
  EXPECT_EQ(fcntl(kept, F_GETFD), -1) << "the kept file is closed";
  EXPECT_EQ(zk::read_all(dir.file("pdsql1.trc")), "");
}

}  // namespace

namespace {

TEST_F(sql_trace, AConnectionEndedWithoutItsCompletionStillClosesTheTrace) {
  zk::temp_dir reports;
  open({{"PDSQLTRACE", "1000000"}, {"PDUAPREPLVL", "s"}, {"PDREPPATH", reports.path.c_str()},
        {"PDSQLTRCOPENMODE", "CNCT"}});
  clt_sqltrc_stamp(false);
  clt_make_trc_names();
  zk::request r{"CMIT"};
  trace(r);
  const int kept = main()->kept_fd[CLT_TRCNAME_SQL1];
  ASSERT_GE(kept, 0);
  clt_last_call_term(&first.area);
  EXPECT_EQ(clt_global.sqltrc_block, nullptr);
  EXPECT_EQ(fcntl(kept, F_GETFD), -1);
}

}  // namespace
