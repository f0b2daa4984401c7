#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>

#include <memory>
#include <string>
#include <vector>

#include "standin/symfoware/standin.h"
#include "tests/standin/odbc_fixture.h"
#include "tests/standin/tools_sample.h"

namespace {

using Lines = std::vector<std::string>;

struct ToolRun {
  std::string out;
  std::string err;
  int exitCode = -1;
};

ToolRun RunTool(const std::string& tool, const QStringList& args) {
  QProcess process;
  process.start(QString::fromStdString(testing_tools::kToolBin + "/" + tool), args);
  process.waitForFinished();
  return {process.readAllStandardOutput().toStdString(), process.readAllStandardError().toStdString(),
          process.exitCode()};
}

Lines LinesOf(const std::string& text) {
  Lines lines;
  size_t start = 0, end;
  while ((end = text.find("\r\n", start)) != std::string::npos) {
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

class ToolsTest : public ::testing::Test {
 protected:
  ToolsTest() {
    TestApp();
    unsetenv("SYMFOWARE_TOOL_FAIL");
  }
  std::string Control(const std::string& text) {
    const std::string path = sample.Path("ctl.rdbprt");
    QFile file(QString::fromStdString(path));
    file.open(QIODevice::WriteOnly);
    file.write((text + "\r\n").c_str());
    return path;
  }
  testing_tools::SampleDataSource sample;
};

TEST_F(ToolsTest, DatabaseListHasTwoHeadingsTheDatabasesAndASuccessCode) {
  const ToolRun run = RunTool("rdbprt", {"-m", "DB"});
  const Lines lines = LinesOf(run.out);
  ASSERT_EQ(lines.size(), 4u) << run.out;
  EXPECT_EQ(lines[2], "1    ORVSAMPLE");
  EXPECT_EQ(lines[3], "rdbprtが正常終了しました 復帰コード 00");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out.substr(run.out.size() - 2), "\r\n");
}

TEST_F(ToolsTest, TableDefinitionNamesTheBaseDsoAndTheDsiListInItsFixedPlaces) {
  // Options in another order, the control file bare, lower-case names.
  const ToolRun run = RunTool("rdbprt", {"-m", "DEF", QString::fromStdString(Control("TABLE (SALES.ORDERS)")), "-d", "orvsample"});
  const Lines lines = LinesOf(run.out);
  ASSERT_FALSE(lines.empty()) << run.err;
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Base DSO name ...... ORDERS_DSO"), lines.end());
  auto dsi = std::find(lines.begin(), lines.end(), "DSI information");
  ASSERT_LT(dsi + 4, lines.end());
  EXPECT_EQ(dsi[1], "No.  DSI name");
  EXPECT_EQ(dsi[2], "1 ORDERS_DSI");
  EXPECT_EQ(dsi[3], "");
  EXPECT_EQ(dsi[4].substr(0, 14), "No. 1         ");
  EXPECT_NE(std::find(lines.begin(), lines.end(), "DSO name ...... ORDERS_CUST"), lines.end());
  EXPECT_EQ(lines.end()[-2], "");
  EXPECT_EQ(lines.back(), "rdbprtが正常終了しました 復帰コード 00");
}

TEST_F(ToolsTest, ControlFilesInCp932AndWithLfAreRead) {
  const std::string path = sample.Path("cp932.rdbprt");
  QFile file(QString::fromStdString(path));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  // A line ending in LF alone; then a table name "表" in CP932.
  file.write("TABLE (SALES.ORDERS)\n");
  file.close();
  Lines lines = LinesOf(RunTool("rdbprt", {"-d", "ORVSAMPLE", "-m", "DEF", "-f", QString::fromStdString(path)}).out);
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Base DSO name ...... ORDERS_DSO"), lines.end());
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write("TABLE (SALES.\x95\x5c)\r\n");
  file.close();
  lines = LinesOf(RunTool("rdbprt", {"-d", "ORVSAMPLE", "-m", "DEF", "-f", QString::fromStdString(path)}).out);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "rdbprt: 表が見つかりません: SALES.表");
}

TEST_F(ToolsTest, UnknownTablesControlTextsAndDatabasesFailWithACode) {
  for (const std::string& control : {std::string("TABLE (SALES.NOSUCH)"), std::string("ROLE(R1)")}) {
    const Lines lines = LinesOf(RunTool("rdbprt", {"-d", "ORVSAMPLE", "-m", "DEF", "-f", QString::fromStdString(Control(control))}).out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "rdbprtが異常終了しました 復帰コード 08") << control;
  }
  EXPECT_EQ(LinesOf(RunTool("rdbinf", {"-p", "NODB.DBSPACE1"}).out).back(), "rdbinfが異常終了しました 復帰コード 08");
}

TEST_F(ToolsTest, StatisticsAnswerForTablesDsosAndDsisTheCatalogueKnows) {
  const std::string ok = "rdbupsが正常終了しました 復帰コード 00";
  const std::string failed = "rdbupsが異常終了しました 復帰コード 08";
  struct Case {
    QStringList args;
    const std::string& last;
  } cases[] = {
      {{"-t", "ORVSAMPLE.SALES.ORDERS", "-R"}, ok},   {{"-g", "ORVSAMPLE.ORDERS_DSO"}, ok},
      {{"-i", "ORVSAMPLE.ORDERS_DSI", "-R"}, ok},     {{"-t", "ORVSAMPLE.SALES.CUSTOMER_ORDERS"}, failed},
      {{"-t", "ORVSAMPLE.SALES.NONE"}, failed},       {{"-g", "ORVSAMPLE.NONE"}, failed},
      {{"-t", "ORVSAMPLE.ORDERS"}, failed},           {{"-t", "NODB.SALES.ORDERS"}, failed},
      {{}, failed},
  };
  for (const Case& c : cases) {
    const Lines lines = LinesOf(RunTool("rdbups", c.args).out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), c.last) << c.args.join(' ').toStdString();
  }
}

TEST_F(ToolsTest, DsiInformationListsTheDataAndIndexDsisOfTheSpace) {
  const Lines lines = LinesOf(RunTool("rdbinf", {"-p", "ORVSAMPLE.DBSPACE1"}).out);
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(lines[0], "Database space : DBSPACE1");
  auto dsi = std::find(lines.begin(), lines.end(), "DSI       : ORDERS_DSI");
  ASSERT_LT(dsi + 3, lines.end());
  EXPECT_EQ(dsi[3], "  DATA    : 1024K");
  auto index = std::find(lines.begin(), lines.end(), "DSI       : ORDERS_CUST_DSI");
  ASSERT_LT(index + 3, lines.end());
  EXPECT_EQ(index[3], "  BASE    : 256K");
  EXPECT_EQ(lines.back(), "rdbinfが正常終了しました 復帰コード 00");
  // The second space holds nothing.
  EXPECT_EQ(LinesOf(RunTool("rdbinf", {"-p", "ORVSAMPLE.DBSPACE2"}).out).size(), 2u);
}

TEST_F(ToolsTest, SpaceInformationHasOneBlockPerSpaceOfTheDatabase) {
  const Lines lines = LinesOf(RunTool("rdbspcinf", {"-d", "orvsample"}).out);
  ASSERT_GE(lines.size(), 21u);
  const Lines first(lines.begin(), lines.begin() + 10);
  EXPECT_EQ(first[0], "Database space : DBSPACE1");
  EXPECT_EQ(first[1].substr(0, 17), "Device         : ");
  EXPECT_EQ(first[2], "Size           : 102400K");
  EXPECT_EQ(first[3], "Static allocate size");
  EXPECT_EQ(first[5], "Dynamic allocate size");
  EXPECT_EQ(first[6], "  total   :        0K");
  EXPECT_EQ(first[7], "Free size");
  // What is allocated and what is free make up the size.
  const long long used = std::stoll(first[4].substr(11)), free = std::stoll(first[8].substr(11));
  EXPECT_GT(used, 0);
  EXPECT_EQ(used + free, 102400);
  EXPECT_EQ(lines[10], "Database space : DBSPACE2");
  EXPECT_EQ(lines[14], "  total   :        0K") << "the second space holds nothing";
  EXPECT_EQ(lines.back(), "rdbspcinfが正常終了しました 復帰コード 00");
  for (size_t i = 0; i + 1 < lines.size(); ++i) EXPECT_NE(lines[i].substr(0, 9), "rdbspcinf") << i;

  EXPECT_EQ(LinesOf(RunTool("rdbspcinf", {"-d", "NODB"}).out).back(), "rdbspcinfが異常終了しました 復帰コード 08");
  // -p: the same sizes, the space's DSIs as elements before the static total.
  const Lines one = LinesOf(RunTool("rdbspcinf", {"-p", "ORVSAMPLE.DBSPACE1"}).out);
  ASSERT_GE(one.size(), 3u);
  EXPECT_EQ(one[0], "Database space : DBSPACE1");
  EXPECT_NE(std::find(one.begin(), one.end(), first[4]), one.end());
  EXPECT_NE(std::find(one.begin(), one.end(), first[8]), one.end());
  EXPECT_EQ(one.back(), "rdbspcinfが正常終了しました 復帰コード 00");
}

TEST_F(ToolsTest, FailuresOnRequestByEnvironment) {
  struct Case {
    const char* mode;
    bool anyOut;
    bool anyErr;
    std::string ending;
    int exitCode;
  };
  const Case cases[] = {
      {"silent", false, false, "", 0},
      {"stderr", false, true, "復帰コード 00\r\n", 0},
      {"code", true, false, "rdbprtが異常終了しました 復帰コード 12\r\n", 12},
      {"nolf", true, false, "rdbprtが正常終了しました 復帰コード 00", 0},
      {"exit", true, false, "復帰コード 00\r\n", 1},
      {"rdbinf:code", true, false, "復帰コード 00\r\n", 0},
      {"rdbinf:silent,rdbprt:code", true, false, "復帰コード 12\r\n", 12},
  };
  for (const Case& c : cases) {
    setenv("SYMFOWARE_TOOL_FAIL", c.mode, 1);
    const ToolRun run = RunTool("rdbprt", {"-m", "DB"});
    EXPECT_EQ(!run.out.empty(), c.anyOut) << c.mode;
    EXPECT_EQ(!run.err.empty(), c.anyErr) << c.mode;
    const std::string& text = c.anyErr ? run.err : run.out;
    EXPECT_TRUE(text.ends_with(c.ending)) << c.mode << ": " << text;
    EXPECT_EQ(run.exitCode, c.exitCode) << c.mode;
  }
}

// A table and index given their storage by statements print the full layout
// the readers rely on, line for line.
TEST_F(ToolsTest, KeptStoragePrintsTheFullDefinitionLayout) {
  {
    std::unique_ptr<platform::SqlSession> session =
        symfoware::OpenStandinSession(testing_tools::kSampleDataSource, testing_tools::kSampleUser,
                                      testing_tools::kSamplePassword);
    QSqlQuery create(session->Database());
    ASSERT_TRUE(create.exec("CREATE TABLE HR.EMP (EMP_NO INTEGER, DEPT_NO INTEGER)"));
    session->Executed("CREATE TABLE HR.EMP (EMP_NO INTEGER, DEPT_NO INTEGER)", {}, create);
    for (const char* sql : {
             "CREATE DSO EMP_DSO FROM HR.EMP TYPE RANDOM(PAGESIZE1(4), PAGESIZE2(4), CLUSTER (EMP_NO) NOT UNIQUE, "
             "RULE(HASH(EMP_NO))) WHERE (DEPT_NO) = (?)",
             "CREATE DSI EMP_DSI1 DSO EMP_DSO USING (10) ALLOCATE    PRIME ON SPACE1 SIZE 1024K\n"
             "                     SPACE1 SIZE 512K\n,FORMAT EXPAND ON SPACE2 ALARM 800K CAPACITY 900K SIZE 1024K",
             "CREATE DSI EMP_DSI2 DSO EMP_DSO USING (20) ALLOCATE    PRIME ON SPACE1 SIZE 1024K ,FORMAT EXPAND OFF",
             "CREATE SCOPE SCOPE1 DSI(EMP_DSI1)",
             "CREATE DSO EMP_IX1 INDEX ON HR.EMP(EMP_NO) TYPE BTREE(PAGESIZE1(4), PAGESIZE2(4), REALIGNMENT)",
             "CREATE DSI EMP_IX1_DSI INDEX DSO EMP_IX1 OPTION(REALIGNMENT) BASE EMP_DSI1 "
             "ALLOCATE BASE ON SPACE1 SIZE 256K ,INDEX ON SPACE1 SIZE 128K "
             ",FORMAT EXPAND ON SPACE1 ALARM 800K CAPACITY 900K SIZE 1024K",
         })
      ASSERT_TRUE(session->Intercept(sql)) << sql;
  }
  const Lines lines =
      LinesOf(RunTool("rdbprt", {"-d", "ORVSAMPLE", "-m", "DEF", "-f", QString::fromStdString(Control("TABLE (HR.EMP)"))}).out);
  const Lines expected{
      "RDB definition information",
      "Table name    ...... HR.EMP",
      "Base DSO name ...... EMP_DSO",
      "Type          ...... BASE TABLE",
      "",
      "Data structure information",
      "Type                ...... RANDOM",
      "Page size(PRIME)    ...... 4",
      "Page size(OVERFLOW) ...... 4",
      "Cluster key information",
      "No.  Column name",
      "1 EMP_NO",
      "Type      ...... NOT UNIQUE",
      "",
      "Rule information",
      "  HASH(EMP_NO)",
      "Divide condition",
      "  (DEPT_NO)=(10)",
      "  (DEPT_NO)=(20)",
      "",
      "DSI information",
      "No.  DSI name",
      "1 EMP_DSI1",
      "2 EMP_DSI2",
      "",
      "No. 1         DSI name ...... EMP_DSI1",
      "Divide value",
      "  (10)",
      "Alarm information",
      "Alarm point     ...... 800(K byte)",
      "expand point    ...... 900(K byte)",
      "allocation size ...... 1024(K byte)",
      "Stand by Database space information",
      "No.  Database space name",
      "1 SPACE2",
      "",
      "Allocation information",
      "No. 1         Allocation target ...... PRIME",
      "Used database space information",
      "No.  Database space name  Size",
      "1 SPACE1 1024(K byte)",
      "2 SPACE1 512(K byte)",
      "",
      "Scope information",
      "No.  Scope name",
      "1 SCOPE1",
      "",
      "No. 2         DSI name ...... EMP_DSI2",
      "Divide value",
      "  (20)",
      "Allocation information",
      "No. 1         Allocation target ...... PRIME",
      "Used database space information",
      "No.  Database space name  Size",
      "1 SPACE1 1024(K byte)",
      "",
      "",
      "Index information",
      "DSO name ...... EMP_IX1",
      "Page size(BASE)     ...... 4",
      "Page size(INDEX)    ...... 4",
      "Index degenerate    ...... NO",
      "Index realignment   ...... YES",
      "DSI information",
      "No.  DSI name",
      "1 EMP_IX1_DSI",
      "",
      "No. 1         DSI name ...... EMP_IX1_DSI",
      "Alarm information",
      "Alarm point     ...... 800(K byte)",
      "expand point    ...... 900(K byte)",
      "allocation size ...... 1024(K byte)",
      "Stand by Database space information",
      "No.  Database space name",
      "1 SPACE1",
      "",
      "Base DSI information",
      "No.  DSI name",
      "1 EMP_DSI1",
      "Index degenerate  ...... NO",
      "Index realignment ...... YES",
      "Allocation information",
      "No. 1         Allocation target ...... BASE",
      "Used database space information",
      "No.  Database space name  Size",
      "1 SPACE1 256(K byte)",
      "",
      "No. 2         Allocation target ...... INDEX",
      "Used database space information",
      "No.  Database space name  Size",
      "1 SPACE1 128(K byte)",
      "",
      "",
      "rdbprtが正常終了しました 復帰コード 00",
  };
  EXPECT_EQ(lines, expected);
}

// rdbexecsql reads its script by ";" and writes the plan of the statements
// under ACCESS PLAN at the path named there, from SQLite's own plan.
TEST_F(ToolsTest, ExecsqlWritesTheAccessPlanTraceOfTheScript) {
  const std::string trace = sample.Path("plan.trc");
  const std::string script = Control("ACCESS PLAN ON " + trace + ", 2, NOEXE, NOADVICE;\n"
                                     "SELECT E.EMP_NAME, D.DEPT_NAME FROM HR.EMPLOYEE E, HR.DEPT D\n"
                                     "  WHERE E.DEPT_NO = D.DEPT_NO AND E.EMP_NO IN (SELECT EMP_NO FROM HR.EMPLOYEE "
                                     "WHERE DEPT_NO = :D AND EMP_NAME <> ';');;\nACCESS PLAN OFF;");
  const ToolRun run = RunTool("rdbexecsql", {"-s", "orvsample", "-u", "ORVUSER/orvuser", "-i", QString::fromStdString(script)});
  EXPECT_EQ(LinesOf(run.out).back(), "rdbexecsqlが正常終了しました 復帰コード 00");
  QFile file(QString::fromStdString(trace));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << run.out;
  const Lines lines = LinesOf(file.readAll().toStdString());
  const std::string dash(79, '-');
  const std::string equal(79, '=');
  const Lines expected{"ACCESS PLAN INFORMATION",
                       "Main query",
                       "  1 : SCAN",
                       dash,
                       "  [ 1] SCAN ELEMENT",
                       "      table name      HR.EMPLOYEE",
                       "      scan type       TABLE ALL SCAN",
                       "  2 : N-JOIN",
                       dash,
                       "  [ 2] NESTED LOOP JOIN ELEMENT",
                       "  [ 3] SCAN ELEMENT",
                       "      table name      HR.DEPT",
                       "      scan type       INDEX TABLE SCAN",
                       "      dso name        sqlite_autoindex_DEPT_1",
                       "      --> 1",
                       equal,
                       "1 Subquery",
                       "  1 : SCAN",
                       dash,
                       "  [ 1] SCAN ELEMENT",
                       "      table name      HR.EMPLOYEE",
                       "      scan type       INDEX TABLE SCAN",
                       "      dso name        EMPLOYEE_DEPT",
                       equal,
                       "Execution environment",
                       "  OPTIMIZE LEVEL 2",
                       "END OF ACCESS PLAN"};
  EXPECT_EQ(lines, expected);
}

TEST_F(ToolsTest, ExecsqlAnswersAnSqlErrorWithItsMessageAndAWrongLogonWithAFailingCode) {
  const std::string trace = sample.Path("plan.trc");
  const std::string script =
      Control("ACCESS PLAN ON " + trace + ", 2, NOEXE, NOADVICE;\nSELECT * FROM HR.NOTHING;\nACCESS PLAN OFF;");
  ToolRun run = RunTool("rdbexecsql", {"-s", "ORVSAMPLE", "-u", "ORVUSER/orvuser", "-i", QString::fromStdString(script)});
  Lines lines = LinesOf(run.out);
  ASSERT_EQ(lines.size(), 3u) << run.out;
  EXPECT_EQ(lines[1].rfind("SQLMSG=", 0), 0u);
  EXPECT_NE(lines[1].find("NOTHING"), std::string::npos);
  EXPECT_EQ(lines[2], "rdbexecsqlが正常終了しました 復帰コード 00");
  EXPECT_FALSE(QFile::exists(QString::fromStdString(trace))) << "no trace for an error";

  run = RunTool("rdbexecsql", {"-s", "ORVSAMPLE", "-u", "ORVUSER/wrong", "-i", QString::fromStdString(script)});
  lines = LinesOf(run.out);
  EXPECT_EQ(lines.back(), "rdbexecsqlが異常終了しました 復帰コード 08");
  EXPECT_FALSE(QFile::exists(QString::fromStdString(trace)));
}

}  // namespace
