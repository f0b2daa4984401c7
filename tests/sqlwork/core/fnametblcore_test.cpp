#include "sqlwork/core/fnametblcore.h"

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>

namespace {

using Lines = std::vector<std::string>;

Lines LinesOf(const std::string& sql) {
  Lines lines;
  for (const QString& line : QString::fromStdString(sql).split("\r\n")) lines.push_back(line.toStdString());
  return lines;
}

TEST(NameTableStatements, EntrySplitsAtItsFirstDot) {
  EXPECT_EQ(SplitNameTableEntry("S.T"), (TNameTableName{"S", "T"}));
  EXPECT_EQ(SplitNameTableEntry("T"), (TNameTableName{"", "T"}));
  EXPECT_EQ(SplitNameTableEntry("S.T.U"), (TNameTableName{"S", "T.U"}));
  EXPECT_EQ(SplitNameTableEntry(""), (TNameTableName{"", ""}));
  EXPECT_EQ(NameTableEntry({"S", "T"}), "S.T");
}

TEST(NameTableStatements, CreateIsOneLineWithTheSpaceOnlyWhenGiven) {
  const std::string columns =
      "(  DB_NAME     VARCHAR(30),  SCHEMA_NAME VARCHAR(30),  OBJECT_NAME VARCHAR(30),  OBJECT_TYPE VARCHAR(30),  "
      "SCRIPT_NAME VARCHAR(50)) ";
  EXPECT_EQ(NameTableCreateSQL({"S", "T"}, std::nullopt), "CREATE TABLE S.T" + columns);
  EXPECT_EQ(NameTableCreateSQL({"S", "T"}, std::string("SPACE1")), "CREATE TABLE S.T" + columns + "  ON SPACE1");
  EXPECT_EQ(NameTableCreateSQL({"s", "T-1"}, std::nullopt), "CREATE TABLE \"s\".\"T-1\"" + columns);
  EXPECT_EQ(NameTableSelectSQL({"S", "t"}),
            "SELECT DB_NAME, SCHEMA_NAME, OBJECT_NAME, OBJECT_TYPE, SCRIPT_NAME FROM S.\"t\"");
  EXPECT_EQ(NameTableInsertSQL({"S", "T"}),
            "INSERT INTO S.T VALUES (:DB_NAME, :SCHEMA_NAME, :OBJECT_NAME, :OBJECT_TYPE, :SCRIPT_NAME)");
  // The names are literals of the space query: a quote in them is doubled.
  const std::string space = NameTableSpaceSQL({"O'S", "T"});
  EXPECT_NE(space.find("WHERE TRIM(A.SCHEMA_NAME) = 'O''S' AND TRIM(A.TABLE_NAME) ='T' AND"), std::string::npos)
      << space;
}

TEST(NameTableStatements, InitialDataQueryLinesFollowTheChoices) {
  const Lines own = LinesOf(InitialDataSQL(false, "dsn'x", 11, "S'1"));
  ASSERT_EQ(own.size(), 10u);
  EXPECT_EQ(own.front(),
            "SELECT 'DSN''X' DB_NAME, TRIM(SCHEMA_NAME), TRIM(OBJECT_NAME), TRIM(OBJECT_TYPE), TRIM(OBJECT_NAME) || "
            "'.SQL'  FROM (");
  EXPECT_EQ(own[1].rfind("SELECT 'TABLE' OBJECT_TYPE", 0), 0u);
  EXPECT_EQ(own[7], " UNION SELECT 'SEQUENCE' OBJECT_TYPE, TRIM(A.SEQUENCE_NAME) OBJECT_NAME, TRIM(A.SCHEMA_NAME) "
                    "SCHEMA_NAME, 7 \"SORT\", DB_NAME FROM RDBII_SYSTEM.RDBII_SEQUENCE A) ALL_OBJECT ");
  EXPECT_EQ(own[8], "WHERE TRIM(SCHEMA_NAME) = 'S''1'");
  EXPECT_EQ(own[9], "ORDER BY DB_NAME, \"SORT\", OBJECT_NAME");

  const Lines all = LinesOf(InitialDataSQL(true, "DSN", 9, "S"));
  ASSERT_EQ(all.size(), 11u) << "wrapped once more, no schema condition";
  EXPECT_EQ(all.front().rfind("SELECT TRIM(DB_NAME), TRIM(SCHEMA_NAME), TRIM(OBJECT_NAME) OBJECT_NAME,", 0), 0u);
  EXPECT_EQ(all[1], "SELECT * FROM (");
  EXPECT_EQ(all[9], ") ALL_OBJECT2 ");
  EXPECT_EQ(all[10], "ORDER BY DB_NAME, \"SORT\", OBJECT_NAME");
}

TEST(NameTableStatements, SpaceReportGivesTheNamesOfItsSpaceLines) {
  const Lines report = {"Database space : SPACE1",
                        "Device         : /dev/x",
                        "Static allocate size",
                        "  total   :     4096K",
                        "   Database space :  SPACE 2  ",
                        "Database space:NOSPACE",
                        "",
                        "rdbspcinfが正常終了しました 復帰コード 00"};
  EXPECT_EQ(DatabaseSpaceNames(report), (Lines{"SPACE1", "SPACE 2"}));
  EXPECT_TRUE(DatabaseSpaceNames({}).empty());
  EXPECT_EQ(SpaceListCommand("DSN"), "rdbspcinf -d DSN");
  EXPECT_EQ(SpaceListCommand("my dsn"), "rdbspcinf -d \"my dsn\"");
}

TEST(NameTableStatements, ReadFailuresByTheirServerCodes) {
  EXPECT_EQ(ClassifyReadFailure("[x] JYP7205E ORA-00904: \"DB_NAME\": 列が存在しません"),
            TNameTableReadFailure::LayoutMismatch);
  EXPECT_EQ(ClassifyReadFailure("JYP7202E 表またはビューが存在しません: S.T"), TNameTableReadFailure::Missing);
  EXPECT_EQ(ClassifyReadFailure("JYP5014E 利用者名またはパスワードが誤っています。"), TNameTableReadFailure::Other);
}

}  // namespace
