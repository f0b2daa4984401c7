#include "admin/core/fsessioncore.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

const Lines kHeading = {"RDBII rdbps プロセス情報", "", "User      Pid    Sid  Status  Time      Type    Module",
                        "--------  -----  ---  ------  --------  ------  ----------"};

Lines Report(const Lines& body) {
  Lines lines = kHeading;
  lines.insert(lines.end(), body.begin(), body.end());
  return lines;
}

const TSessionRow kCatalogueRow = CatalogueSessionRow(31, " ACTIVE ", "HR ", "00:01", "ODBC", "orv/orv");

struct ListCase {
  const char* name;
  Lines report;
  int level;
  std::vector<TSessionRow> rows;
};

TEST(SessionList, RowsOfTheReportOrOfTheCatalogue) {
  const TSessionRow hr{"    4711", "12", "WAIT", "HR", "00:05:13", "ODBC", "orv/orv"};
  const TSessionRow scott{"       7", "13", "RUN", "SCOTT", "00:00:02", "ODBC", "sqlapp"};
  const ListCase cases[] = {
      {"four lines at level 9", kHeading, 9, {}},
      {"four lines at level 10", kHeading, 10, {kCatalogueRow}},
      {"fewer lines at level 11", {"RDBII rdbps"}, 11, {kCatalogueRow}},
      {"no output at level 9", {}, 9, {}},
      {"own line hidden, trailer ends",
       Report({"HR        4711   12   WAIT    00:05:13  ODBC    orv/orv",
               "HR        5002   14   RUN     00:00:00  RDBCMD  rdbps",
               "SCOTT     7      13   RUN     00:00:02  ODBC    sqlapp",
               "rdbpsが正常終了しました 復帰コード 00"}),
       10,
       {hr, scott}},
      {"malformed line ends the parse",
       Report({"HR        4711   12   WAIT    00:05:13  ODBC    orv/orv", "HR x 13 RUN 00:00:02 ODBC sqlapp",
               "SCOTT     7      13   RUN     00:00:02  ODBC    sqlapp"}),
       10,
       {hr}},
      {"only the own line at level 10", Report({"HR 5002 14 RUN 00:00:00 RDBCMD rdbps"}), 10, {kCatalogueRow}},
  };
  for (const ListCase& c : cases) {
    int asked = 0;
    const auto rows = SessionList(c.report, c.level, [&] {
      ++asked;
      return std::vector<TSessionRow>{kCatalogueRow};
    });
    EXPECT_EQ(rows, c.rows) << c.name;
    EXPECT_EQ(asked, c.level > 9 && c.rows == std::vector<TSessionRow>{kCatalogueRow} ? 1 : 0) << c.name;
  }
}

TEST(SessionList, CaptionsSortNumerically) {
  EXPECT_EQ(ProcessIdCaption(7), "       7");
  EXPECT_LT(ProcessIdCaption(7), ProcessIdCaption(12));
  EXPECT_EQ(kCatalogueRow.SessionId, "----");
  EXPECT_EQ(kCatalogueRow.State, "ACTIVE");
  EXPECT_EQ(kCatalogueRow.User, "HR");
}

TEST(SessionList, OwnProgramRowsOfTheLoggedOnUser) {
  struct Case {
    const char* module;
    const char* user;
    const char* login;
    bool own;
  } cases[] = {
      {"orv/orv", "HR", "hr", true},       {"/opt/orv/orv", " HR ", "HR", true}, {"orv/orv", "SCOTT", "hr", false},
      {"sqlapp", "HR", "HR", false},        {"ORV/orv", "HR", "HR", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IsOwnProgramRow(c.module, c.user, c.login), c.own) << c.module << " " << c.user << " " << c.login;
}

TEST(KillSession, CommandAndOutcome) {
  struct Case {
    const char* name;
    const char* process;
    const char* session;
    bool runs;
    Lines output;
    std::string command;
    Lines messages;
  } cases[] = {
      {"with a session ID", "    4711", "12", true, {"qdg13294i:プロセス(4711/12)を切断しました"}, "rdbterm -p 4711/12", {}},
      {"from the catalogue", "      31", "----", true, {"x qdg13294i: ok"}, "rdbterm -p 31", {}},
      {"no success line", "4711", "12", true, {"rdbterm failed"}, "rdbterm -p 4711/12",
       {"コマンドの実行に失敗しました。\r\nrdbterm failed\r\n"}},
      {"runner failure", "4711", "12", false, {"復帰コード 12"}, "rdbterm -p 4711/12",
       {"コマンドの実行に失敗しました。", "コマンドの実行に失敗しました。\r\n復帰コード 12\r\n"}},
      {"runner failure with the line", "4711", "", false, {"qdg13294i:"}, "rdbterm -p 4711",
       {"コマンドの実行に失敗しました。"}},
  };
  for (const Case& c : cases) {
    std::string sent;
    const Lines messages = KillSession(c.process, c.session, [&](const std::string& command, Lines& lines) {
      sent = command;
      lines = c.output;
      return c.runs;
    });
    EXPECT_EQ(sent, c.command) << c.name;
    EXPECT_EQ(messages, c.messages) << c.name;
  }
}

}  // namespace
