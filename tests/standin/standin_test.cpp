#include "standin/symfoware/standin.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>

#include <functional>

#include "odbc_fixture.h"
#include "platform/odbcenv.h"
#include "standin/symfoware/catalogue.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

// Runs a statement as orv would: rewritten by the session, values bound
// by position.
Rows Query(platform::SqlSession& session, const std::string& sql, const std::vector<QVariant>& values = {}) {
  QSqlQuery q(session.Database());
  std::string text = session.Rewrite(sql);
  if (!q.prepare(QString::fromStdString(text)))
    throw platform::SqlError(platform::SqlErrorText(q.lastError()));
  for (const QVariant& v : values) q.addBindValue(v);
  if (!q.exec()) throw platform::SqlError(platform::SqlErrorText(q.lastError()));
  Rows rows;
  while (q.next()) {
    std::vector<std::string> row;
    for (int i = 0; i < q.record().count(); ++i) row.push_back(q.value(i).toString().toStdString());
    rows.push_back(row);
  }
  return rows;
}

void Exec(platform::SqlSession& session, const std::string& sql) {
  std::string text = session.Rewrite(sql);
  if (session.Intercept(text)) return;
  Query(session, sql);
}

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const platform::SqlError& e) {
    return e.what();
  }
  return "";
}

class StandinTest : public ::testing::Test {
 protected:
  void SetUp() override { odbc_.CreateStandin("ADMIN", "secret"); }
  testing_odbc::OdbcFixture odbc_;
};

TEST_F(StandinTest, LogsOnThroughTheDataSourceAndServesTheCatalogue) {
  auto session = symfoware::OpenStandinSession("ORVTEST", "ADMIN", "secret");
  EXPECT_EQ(
      Query(*session, "SELECT TRIM(DB_NAME) FROM RDBII_SYSTEM.RDBII_DATABASE WITH OPTION LOCK_MODE(NO LOCK)"),
      (Rows{{"ORVTEST"}}));
  EXPECT_EQ(Query(*session, "SELECT TRIM(USER_NAME) FROM RDBII_SYSTEM.USERS WHERE TRIM(USER_NAME) = :USER_ID",
                  {"ADMIN"}),
            (Rows{{"ADMIN"}}));
  // Level probes: the dictionary lists the level-10 and level-11 tables,
  // and the system parameter of level 11 exists.
  for (const char* table : {"RDBII_TABLE_EX", "RDBII_LOGMNG"})
    EXPECT_EQ(Query(*session,
                    "SELECT 1 FROM RDBII_SYSTEM.RDBII_TABLE WHERE DB_NAME = 'RDBII_DICTIONARY' AND "
                    "TRIM(TABLE_NAME) = :TABLE",
                    {table})
                  .size(),
              1u)
        << table;
  EXPECT_EQ(Query(*session, "SELECT 1 FROM RDBII_SYSTEM.RDBII_SYS_PRM WHERE PARAMETER_NAME = :P",
                  {"CHOOSE_TID_UNION"})
                .size(),
            1u);
  EXPECT_EQ(
      Query(*session,
            "SELECT DISTINCT TRIM(OBJECT_NAME) FROM RDBII_SYSTEM.RDBII_OBJECT WHERE OBJECT_ID = '2' AND "
            "DB_NAME = 'ORVTEST' ORDER BY 1"),
      (Rows{{"DBSPACE1"}}));
  EXPECT_EQ(Query(*session, "SELECT COUNT(*) FROM RDBII_SYSTEM.RDBII_ASSISTTABLE"), (Rows{{"1"}}));
}

// Runs a statement as orv's query does: rewritten, run, then told to the
// session, which journals and traces it.
void Traced(platform::SqlSession& session, const std::string& sql) {
  const std::string text = session.Rewrite(sql);
  try {
    if (session.Intercept(text)) return;
  } catch (const platform::SqlError&) {
    return;  // a failed statement is traced all the same
  }
  QSqlQuery q(session.Database());
  q.exec(QString::fromStdString(text));
  session.Executed(sql, {}, q);
}

TEST_F(StandinTest, ATracedDataSourceWritesARecordPerStatementOnceItsFolderExists) {
  const QDir trace(QString::fromStdString(odbc_.Path("trace")));
  {
    auto untraced = symfoware::OpenStandinSession("ORVTEST", "ADMIN", "secret");
    Traced(*untraced, "SELECT 1");
  }
  EXPECT_FALSE(trace.exists()) << "no folder, no trace";
  ASSERT_TRUE(QDir().mkpath(trace.path()));
  auto session = symfoware::OpenStandinSession("ORVTEST", "ADMIN", "secret");
  Traced(*session, "CREATE TABLE T (A INTEGER, B INTEGER)");
  Traced(*session, "CREATE INDEX IX_B ON T (B)");
  Traced(*session, "SELECT A\r\n  FROM T WHERE B = 1");
  Traced(*session, "DROP DSO NONE CASCADE");
  Traced(*session, "SELECT A FROM T WHERE A = 1");
  const QStringList files = trace.entryList(QDir::Files);
  ASSERT_EQ(files.size(), 1);
  QFile file(trace.filePath(files[0]));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  QString text = QString::fromUtf8(file.readAll());
  text.replace(QRegularExpression("Total Time   : \\d\\d:\\d\\d:\\d\\d\\(\\d\\d\\d\\)"), "Total Time   : T");
  const std::string record = "SQL statement :\r\n%1\r\nTotal Time   : T\r\n%2SQL TRACE END\r\n";
  auto expected = [&](const char* sql, const char* more = "") {
    return QString::fromStdString(record).arg(sql, more);
  };
  EXPECT_EQ(text.toStdString(), (expected("CREATE TABLE T (A INTEGER, B INTEGER)") +
                                 expected("CREATE INDEX IX_B ON T (B)") +
                                 expected("SELECT A\r\n  FROM T WHERE B = 1", "    index dso name IX_B\r\n") +
                                 expected("DROP DSO NONE CASCADE") + expected("SELECT A FROM T WHERE A = 1"))
                                    .toStdString());
}

TEST_F(StandinTest, RefusesAWrongPasswordOrUserWithTheDriversMessage) {
  for (auto [user, password] :
       {std::pair{"ADMIN", "wrong"}, std::pair{"NOBODY", "secret"}, std::pair{"ADMIN", ""}}) {
    std::string message = ErrorOf([&] { symfoware::OpenStandinSession("ORVTEST", user, password); });
    EXPECT_NE(message.find("利用者名またはパスワードが誤っています"), std::string::npos)
        << user << "/" << password;
    EXPECT_EQ(message.rfind("[Symfoware Stand-in]", 0), 0u);
  }
  // An unquoted name typed in lower case finds the user.
  EXPECT_NO_THROW(symfoware::OpenStandinSession("ORVTEST", "admin", "secret"));
  EXPECT_NE(ErrorOf([] { symfoware::OpenStandinSession("NOFOLDER", "ADMIN", "secret"); }).find("NOFOLDER"),
            std::string::npos);
}

TEST_F(StandinTest, CreatesNineSchemasAndRefusesTheTenth) {
  auto session = symfoware::OpenStandinSession("ORVTEST", "ADMIN", "secret");
  ASSERT_TRUE(session->Database().transaction());
  for (int i = 1; i <= symfoware::kMaxUserSchemas; ++i) Exec(*session, "CREATE SCHEMA S" + std::to_string(i));
  std::string message = ErrorOf([&] { Exec(*session, "CREATE SCHEMA S10"); });
  EXPECT_NE(message.find("9個まで"), std::string::npos) << message;
  EXPECT_NE(ErrorOf([&] { Exec(*session, "CREATE SCHEMA S1"); }).find("S1"), std::string::npos);
  ASSERT_TRUE(session->Database().commit());

  EXPECT_EQ(Query(*session,
                  "SELECT TRIM(A.SCHEMA_NAME) FROM RDBII_SYSTEM.SCHEMATA A LEFT OUTER JOIN "
                  "RDBII_SYSTEM.RDBII_DATABASE B ON A.DB_CODE = B.DB_CODE WHERE TRIM(B.DB_NAME) = :DATABASE "
                  "AND TRIM(A.SCHEMA_OWNER) = :OWNER ORDER BY 1",
                  {"ORVTEST", "ADMIN"})
                .size(),
            9u);
  // A new logon attaches every schema again.
  session.reset();
  auto again = symfoware::OpenStandinSession("ORVTEST", "ADMIN", "secret");
  Exec(*again, "CREATE TABLE S9.T (A INTEGER)");
  EXPECT_EQ(Query(*again, "SELECT COUNT(*) FROM S9.T"), (Rows{{"0"}}));
}

TEST_F(StandinTest, DescribesNewTablesViewsAndIndexesWithSymfowareCodes) {
  auto session = symfoware::OpenStandinSession("ORVTEST", "ADMIN", "secret");
  Exec(*session, "CREATE SCHEMA S1");
  Exec(*session,
       "CREATE TABLE S1.T1 (C1 CHAR(10) NOT NULL, C2 INTEGER DEFAULT 0, C3 DECIMAL(7,2), C4 NCHAR "
       "VARYING(20), "
       "C5 TIMESTAMP, PRIMARY KEY (C1))");
  Exec(*session, "CREATE INDEX S1.I1 ON T1 (C2, C3)");
  Exec(*session, "CREATE VIEW S1.V1 AS SELECT C1, C2 FROM T1");
  symfoware::TDescribedUpTo described;
  symfoware::DescribeNewObjects(session->Database(), "ORVTEST", described);
  symfoware::DescribeNewObjects(session->Database(), "orvtest", described);  // a second pass adds nothing
  symfoware::TDescribedUpTo everything;
  symfoware::DescribeNewObjects(session->Database(), "ORVTEST", everything);  // nor one that looks at all

  EXPECT_EQ(Query(*session,
                  "SELECT TRIM(TABLE_NAME), TABLE_TYPE, TABLE_OWNER FROM RDBII_SYSTEM.RDBII_TABLE "
                  "WHERE DB_NAME = 'ORVTEST' ORDER BY TABLE_CODE"),
            (Rows{{"T1", "BS", "ADMIN"}, {"V1", "VW", "ADMIN"}}));
  EXPECT_EQ(
      Query(*session,
            "SELECT C.COLUMN_NAME, C.ORDINAL_POSITION, C.DATA_TYPE, C.CHAR_MAX_LENGTH, C.NUMERIC_PRECISION, "
            "C.NUMERIC_SCALE, C.NULLABLE, C.DEFAULT_VALUE FROM RDBII_SYSTEM.RDBII_COLUMN C, "
            "RDBII_SYSTEM.RDBII_TABLE T WHERE C.TABLE_CODE = T.TABLE_CODE AND T.TABLE_NAME = 'T1' "
            "ORDER BY C.COLUMN_CODE"),
      (Rows{{"C1", "1", "CH", "10", "", "", "NO", "NULL"},
            {"C2", "2", "IN", "", "", "", "YES", "0"},
            {"C3", "3", "DE", "", "7", "2", "YES", "NULL"},
            {"C4", "4", "NV", "20", "", "", "YES", "NULL"},
            {"C5", "5", "TM", "", "", "", "YES", "NULL"}}));
  // Primary key and index key columns, and the codes unique across kinds.
  EXPECT_EQ(
      Query(*session,
            "SELECT B.LIST_TYPE, C.COLUMN_NAME, B.ORDINAL_POSITION FROM RDBII_SYSTEM.RDBII_COLUMN_USAGE B, "
            "RDBII_SYSTEM.RDBII_COLUMN C WHERE B.TABLE_CODE = C.TABLE_CODE AND B.COLUMN_CODE = C.COLUMN_CODE "
            "ORDER BY B.LIST_TYPE, B.ORDINAL_POSITION"),
      (Rows{{"I", "C2", "1"}, {"I", "C3", "2"}, {"U", "C1", "1"}}));
  EXPECT_EQ(Query(*session, "SELECT TRIM(INDEX_DSO_NAME) FROM RDBII_SYSTEM.RDBII_INDEX"), (Rows{{"I1"}}));
  EXPECT_EQ(Query(*session,
                  "SELECT COUNT(*) - COUNT(DISTINCT CODE) FROM ("
                  "SELECT TABLE_CODE CODE FROM RDBII_SYSTEM.RDBII_TABLE UNION ALL "
                  "SELECT COLUMN_CODE FROM RDBII_SYSTEM.RDBII_COLUMN UNION ALL "
                  "SELECT INDEX_DSO_CODE FROM RDBII_SYSTEM.RDBII_INDEX UNION ALL "
                  "SELECT CONSTRAINT_CODE FROM RDBII_SYSTEM.RDBII_CONSTRAINT UNION ALL "
                  "SELECT SCHEMA_CODE FROM RDBII_SYSTEM.RDBII_SCHEMA UNION ALL "
                  "SELECT USER_CODE FROM RDBII_SYSTEM.RDBII_USER)"),
            (Rows{{"0"}}));
  EXPECT_EQ(Query(*session, "SELECT DESC_VALUE FROM RDBII_SYSTEM.RDBII_DESCRIPTION WHERE DESC_TYPE = 'V'"),
            (Rows{{"SELECT C1, C2 FROM T1"}}));
}

// A large script builds in one transaction with each run of new objects
// described once: 3000 tables took minutes when every statement committed
// and looked at every object made before it.
TEST(SetupTool, ALargeScriptBuildsQuicklyAndDescribesEveryObject) {
  QTemporaryDir dir;
  const QString script = dir.filePath("big.sql");
  constexpr int kTables = 3000;
  {
    QFile file(script);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("CREATE SCHEMA S1;\n");
    for (int i = 0; i < kTables; ++i) {
      file.write(QString("CREATE TABLE S1.T%1 (ID INTEGER NOT NULL PRIMARY KEY, NAME CHAR(20));\n").arg(i).toUtf8());
      if (i % 1000 == 0)  // a statement that reads the catalogue between the tables
        file.write(QString("INSERT INTO RDBII_SYSTEM.RDBII_COMMENT SELECT DB_CODE, SCHEMA_CODE, TABLE_CODE, 0, 0, "
                           "'TV', 'first' FROM RDBII_SYSTEM.RDBII_TABLE WHERE TABLE_NAME = 'T%1';\n")
                       .arg(i)
                       .toUtf8());
    }
  }
  QElapsedTimer timer;
  timer.start();
  QProcess setup;
  setup.start(QStringLiteral(TEST_BINARY_DIR "/standin/symfoware/symfoware-setup"),
              {dir.filePath("odbc"), "BIG", dir.filePath("BIG"), script, "ADMIN/secret"});
  ASSERT_TRUE(setup.waitForFinished(120000));
  ASSERT_EQ(setup.exitCode(), 0) << setup.readAllStandardError().toStdString();
  EXPECT_LT(timer.elapsed(), 60000);
  auto session = symfoware::OpenStandinFolder(dir.filePath("BIG").toStdString(), "ADMIN", "secret");
  EXPECT_EQ(Query(*session, "SELECT COUNT(*), COUNT(DISTINCT TABLE_CODE) FROM RDBII_SYSTEM.RDBII_TABLE WHERE SCHEMA_NAME = 'S1'"),
            (Rows{{"3000", "3000"}}));
  EXPECT_EQ(Query(*session, "SELECT COUNT(*) FROM RDBII_SYSTEM.RDBII_COLUMN"), (Rows{{"6000"}}));
  EXPECT_EQ(Query(*session, "SELECT COUNT(*) FROM RDBII_SYSTEM.RDBII_COMMENT WHERE COMMENT_VALUE = 'first'"),
            (Rows{{"3"}}));
}

TEST_F(StandinTest, RunsSymfowareFunctionsAndCaseSensitiveLike) {
  auto session = symfoware::OpenStandinSession("ORVTEST", "ADMIN", "secret");
  EXPECT_EQ(Query(*session,
                  "SELECT RPAD('AB', 5) || '|', LPAD('AB', 5, 'xy'), RPAD('漢字ABC', 3), RPAD(NULL, 2) "
                  "FROM RDBII_SYSTEM.RDBII_ASSISTTABLE"),
            (Rows{{"AB   |", "xyxAB", "漢字A", ""}}));
  EXPECT_EQ(Query(*session, "SELECT COUNT(*) FROM RDBII_SYSTEM.RDBII_USER WHERE USER_NAME LIKE 'adm%'"),
            (Rows{{"0"}}));
  EXPECT_EQ(Query(*session, "SELECT COUNT(*) FROM RDBII_SYSTEM.RDBII_USER WHERE USER_NAME LIKE 'ADM%'"),
            (Rows{{"1"}}));
  EXPECT_EQ(Query(*session, "SELECT COUNT(*) FROM ALL_TABLES WHERE OWNER = 'RDBII_SYSTEM'").size(), 1u);
}

TEST_F(StandinTest, WordsUnknownTablesAndColumnsAsTheServer) {
  auto session = symfoware::OpenStandinSession("ORVTEST", "ADMIN", "secret");
  auto errorOf = [&](const std::string& sql) {
    QSqlQuery q(session->Database());
    EXPECT_FALSE(q.exec(QString::fromStdString(session->Rewrite(sql))));
    return session->ErrorText(q);
  };
  const std::string table = errorOf("SELECT * FROM NO_SUCH_TABLE");
  for (const char* code : {"JYP7202", "ORA-00942", "NO_SUCH_TABLE"}) EXPECT_NE(table.find(code), std::string::npos) << table;
  const std::string column = errorOf("SELECT NOCOL FROM RDBII_SYSTEM.RDBII_ASSISTTABLE");
  for (const char* code : {"JYP7205E", "ORA-00904"}) EXPECT_NE(column.find(code), std::string::npos) << column;
  const size_t first = column.find(':');
  ASSERT_NE(first, std::string::npos);
  EXPECT_EQ(column.substr(first + 1, column.find(':', first + 1) - first - 1), " \"NOCOL\"");
}

// A text of several statements is refused as the server refuses it, at the
// ";" ending the first, never with SQLite's "not an error".
TEST_F(StandinTest, RefusesSeveralStatementsWithTheSyntaxErrorsPosition) {
  auto session = symfoware::OpenStandinSession("ORVTEST", "ADMIN", "secret");
  const std::string table = "RDBII_SYSTEM.RDBII_ASSISTTABLE";
  struct Case {
    std::string sql;
    std::string error;  // empty: runs
  } cases[] = {
      {"SELECT 1 FROM " + table + "; SELECT 2 FROM " + table, "near \";\": syntax error at line 1, column " +
                                                                   std::to_string(15 + table.size())},
      {"SELECT 1 FROM " + table + ";SELECT 2 FROM " + table + ";", "near \";\": syntax error at line 1, column " +
                                                                        std::to_string(15 + table.size())},
      {"SELECT '漢字'\r\nFROM " + table + " ;\r\nSELECT 2 FROM " + table,
       "near \";\": syntax error at line 2, column " + std::to_string(7 + table.size())},
      {"SELECT 1 FROM " + table + ";  \r\n", ""},
      {"SELECT 1 FROM " + table, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sql);
    QSqlQuery q(session->Database());
    const bool ran = q.exec(QString::fromStdString(session->Rewrite(c.sql)));
    EXPECT_EQ(ran, c.error.empty()) << session->ErrorText(q);
    if (!ran) {
      EXPECT_EQ(session->ErrorText(q), "[Symfoware Stand-in] " + c.error);
    }
  }
}

TEST_F(StandinTest, AdvancesSequencesWithNextval) {
  auto session = symfoware::OpenStandinSession("ORVTEST", "ADMIN", "secret");
  Exec(*session, "CREATE SCHEMA S1");
  for (auto [name, cycle] : {std::pair{"UP", "N"}, std::pair{"ROUND", "Y"}})
    Query(
        *session,
        "INSERT INTO RDBII_SYSTEM.RDBII_SEQUENCE (DB_CODE, DB_NAME, SCHEMA_CODE, SCHEMA_NAME, SEQUENCE_CODE, "
        "SEQUENCE_NAME, START_WITH_VAL, MIN_VAL, MAX_VAL, INCREMENT_VAL, CYCLE_SPEC) "
        "SELECT DB_CODE, DB_NAME, SCHEMA_CODE, SCHEMA_NAME, ?, ?, 5, 1, 15, 5, ? FROM "
        "RDBII_SYSTEM.RDBII_SCHEMA",
        {name[0] == 'U' ? 9001 : 9002, name, cycle});
  auto next = [&](const std::string& seq) {
    return Query(*session, "SELECT S1." + seq + ".NEXTVAL FROM RDBII_SYSTEM.RDBII_ASSISTTABLE")[0][0];
  };
  EXPECT_EQ(next("UP"), "5");
  EXPECT_EQ(next("UP"), "10");
  EXPECT_EQ(next("UP"), "15");
  EXPECT_NE(ErrorOf([&] { next("UP"); }).find("上限"), std::string::npos);
  EXPECT_EQ(Query(*session, "SELECT SEQ_NUM FROM RDBII_SYSTEM.RDBII_OBJECT_SEQ WHERE SEQ_CODE = 9001"),
            (Rows{{"15"}}));
  for (const char* expected : {"5", "10", "15", "1", "6"}) EXPECT_EQ(next("ROUND"), expected);
  EXPECT_NE(ErrorOf([&] { next("NONE"); }).find("順序が存在しません"), std::string::npos);
}

// What the data generator relies on: NOT NULL fails the row with the
// server's words, NEXTVAL works in VALUES, and a temporary
// table made ON COMMIT DELETE ROWS loses its rows at the commit.
TEST_F(StandinTest, RefusesNullValuesAndEmptiesTemporaryTablesAtCommit) {
  auto session = symfoware::OpenStandinSession("ORVTEST", "ADMIN", "secret");
  Exec(*session, "CREATE SCHEMA S1");
  {
    // Run and described, as the program runs it.
    const std::string create = "CREATE TABLE S1.T (A CHAR(3) NOT NULL, \"b c\" NCHAR VARYING(2), N INTEGER, PRIMARY KEY (A))";
    QSqlQuery q(session->Database());
    ASSERT_TRUE(q.exec(QString::fromStdString(session->Rewrite(create))));
    session->Executed(create, {}, q);
  }
  Query(*session,
        "INSERT INTO RDBII_SYSTEM.RDBII_SEQUENCE (DB_CODE, DB_NAME, SCHEMA_CODE, SCHEMA_NAME, SEQUENCE_CODE, "
        "SEQUENCE_NAME, START_WITH_VAL, MIN_VAL, MAX_VAL, INCREMENT_VAL, CYCLE_SPEC) SELECT DB_CODE, DB_NAME, "
        "SCHEMA_CODE, SCHEMA_NAME, 9001, 'SQ', 1, 1, 100, 1, 'N' FROM RDBII_SYSTEM.RDBII_SCHEMA");
  struct Case {
    std::vector<QVariant> values;
    std::string error;  // a part of it; empty: inserted
  } cases[] = {
      {{"ABC", "日本"}, ""},
      {{QVariant(QMetaType::fromType<QString>()), "x"}, "JYP5012E NULL値は格納できません: T.A"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.values[0].toString().toStdString());
    QSqlQuery q(session->Database());
    ASSERT_TRUE(q.prepare(QString::fromStdString(session->Rewrite("INSERT INTO S1.T (A, \"b c\", N) VALUES (?, ?, S1.SQ.NEXTVAL)"))));
    for (const QVariant& v : c.values) q.addBindValue(v);
    const std::string error = q.exec() ? std::string() : session->ErrorText(q);
    EXPECT_NE(error.find(c.error), std::string::npos) << error;
    EXPECT_EQ(error.empty(), c.error.empty());
  }
  EXPECT_EQ(Query(*session, "SELECT A, N FROM S1.T"), (Rows{{"ABC", "1"}}));

  Exec(*session, "CREATE GLOBAL TEMPORARY TABLE S1.TT(\"A\" CHAR(3)) ON COMMIT DELETE ROWS ON DEFAULT DBSPACE 1");
  EXPECT_EQ(Query(*session, "SELECT TABLE_TYPE FROM RDBII_SYSTEM.RDBII_TABLE WHERE TABLE_NAME = 'TT'"), (Rows{{"TD"}}));
  ASSERT_TRUE(session->Database().transaction());
  Query(*session, "INSERT INTO S1.TT VALUES ('K')");
  Query(*session, "INSERT INTO S1.T (A) VALUES ('K')");
  EXPECT_EQ(Query(*session, "SELECT A FROM S1.TT"), (Rows{{"K"}}));
  session->Committing();
  ASSERT_TRUE(session->Database().commit());
  EXPECT_EQ(Query(*session, "SELECT A FROM S1.TT"), Rows{});
  const Rows left = Query(*session, "SELECT A FROM S1.T");
  EXPECT_EQ(left, (Rows{{"ABC"}, {"K"}})) << "base tables keep their rows";
}

TEST_F(StandinTest, RefusesToOverwriteAnExistingDataSource) {
  EXPECT_NE(ErrorOf([&] { odbc_.CreateStandin("OTHER", "x"); }).find("既に作成"), std::string::npos);
}

// Builds the sample data source with the set-up program into the test's
// ODBC folder, whose ini files it writes anew.
void BuildSample(const testing_odbc::OdbcFixture& odbc) {
  QProcess setup;
  setup.start(
      QStringLiteral(TEST_BINARY_DIR "/standin/symfoware/symfoware-setup"),
      {QString::fromStdString(odbc.Dir()), "ORVSAMPLE", QString::fromStdString(odbc.Path("ORVSAMPLE")),
       QStringLiteral(TEST_SOURCE_DIR "/../../standin/symfoware/sample.sql"), "ORVUSER/orvuser",
       "GUEST/guest"});
  ASSERT_TRUE(setup.waitForFinished(60000));
  ASSERT_EQ(setup.exitCode(), 0) << setup.readAllStandardError().toStdString();
}

TEST(SampleDataSource, BuildsFromTheScriptAndListsEveryKindOfObject) {
  testing_odbc::OdbcFixture odbc;
  BuildSample(odbc);
  if (HasFatalFailure()) return;

  // The set-up registered the data source with the stand-in driver.
  auto sources = platform::ListOdbcDataSources();
  ASSERT_EQ(sources.size(), 1u);
  EXPECT_EQ(sources[0].name, "ORVSAMPLE");
  EXPECT_NE(sources[0].description.find("Symfoware"), std::string::npos);

  auto session = symfoware::OpenStandinSession("ORVSAMPLE", "ORVUSER", "orvuser");
  auto count = [&](const std::string& table) {
    return std::stoi(Query(*session, "SELECT COUNT(*) FROM RDBII_SYSTEM." + table)[0][0]);
  };
  EXPECT_EQ(count("RDBII_SCHEMA"), 3);
  for (const char* table : {"RDBII_INDEX", "RDBII_SEQUENCE", "RDBII_TRIGGER", "RDBII_ROLE",
                            "RDBII_PRIVILEGES", "RDBII_COMMENT", "RDBII_DSI_STATUS", "RDBII_PROC_COL"})
    EXPECT_GT(count(table), 0) << table;
  EXPECT_EQ(Query(*session, "SELECT PROCEDURE_TYPE FROM RDBII_SYSTEM.RDBII_PROC ORDER BY 1"),
            (Rows{{"1"}, {"2"}}));
  EXPECT_EQ(Query(*session, "SELECT TRIM(CUST_NAME) FROM SALES.CUSTOMER WHERE CUST_ID = :ID", {1}),
            (Rows{{"青葉商事"}}));
  EXPECT_NO_THROW(symfoware::OpenStandinSession("ORVSAMPLE", "GUEST", "guest"));
}

// The object-list reads of the connection window, as it builds them for
// the schema SALES, run on the sample.
TEST(SampleDataSource, AnswersTheObjectListQueries) {
  testing_odbc::OdbcFixture odbc;
  BuildSample(odbc);
  if (HasFatalFailure()) return;
  auto session = symfoware::OpenStandinSession("ORVSAMPLE", "ORVUSER", "orvuser");
  std::string dbCode = Query(
      *session, "SELECT DB_CODE FROM RDBII_SYSTEM.RDBII_DATABASE WHERE TRIM(DB_NAME) = 'ORVSAMPLE'")[0][0];
  const std::string comment =
      " LEFT OUTER JOIN RDBII_SYSTEM.RDBII_COMMENT C ON C.DB_CODE = A.DB_CODE AND C.SCHEMA_CODE = "
      "A.SCHEMA_CODE "
      "AND C.TABLE_CODE = A.TABLE_CODE AND C.COMMENT_TYPE = 'TV'  WHERE TRIM(A.DB_NAME) = 'ORVSAMPLE' AND "
      "TRIM(A.SCHEMA_NAME) = 'SALES' AND TRIM(A.TABLE_NAME) LIKE'%'";
  EXPECT_EQ(Query(*session,
                  "SELECT 'TABLE', TRIM(A.TABLE_NAME), TRIM(A.SCHEMA_NAME), 'TABLE', TRIM(A.DBSPACE_NAME),  "
                  "A.CREATE_TIME, C.COMMENT_VALUE FROM RDBII_SYSTEM.RDBII_TABLE_EX A" +
                      comment +
                      " AND (A.TABLE_TYPE = 'BS' OR A.TABLE_TYPE = 'TD' OR A.TABLE_TYPE = 'TP') ORDER BY 2 "
                      "WITH OPTION LOCK_MODE(NO LOCK)")
                .size(),
            2u);
  EXPECT_EQ(
      Query(*session,
            "SELECT 'VIEW', TRIM(A.TABLE_NAME), TRIM(A.SCHEMA_NAME), 'VIEW', A.UPDATABLE, A.CREATE_TIME, "
            "C.COMMENT_VALUE FROM RDBII_SYSTEM.RDBII_TABLE A" +
                comment + " AND A.TABLE_TYPE = 'VW' ")[0][1],
      "CUSTOMER_ORDERS");
  EXPECT_EQ(Query(*session,
                  "SELECT 'INDEX', TRIM(A.INDEX_DSO_NAME), TRIM(B.SCHEMA_NAME), 'INDEX', TRIM(B.TABLE_NAME), "
                  "TRIM(B.SCHEMA_NAME), ' ', A.CREATE_TIME FROM RDBII_SYSTEM.RDBII_INDEX A  LEFT OUTER JOIN "
                  "RDBII_SYSTEM.RDBII_TABLE B ON B.DB_CODE = A.DB_CODE AND B.SCHEMA_CODE = A.SCHEMA_CODE AND "
                  "B.TABLE_CODE = A.TABLE_CODE WHERE B.DB_CODE = " +
                      dbCode + " AND TRIM(B.SCHEMA_NAME) = 'SALES' AND TRIM(A.INDEX_DSO_NAME) LIKE'%'")[0][4],
            "ORDERS");
  EXPECT_EQ(
      Query(
          *session,
          "SELECT 'SEQUENCE', TRIM(A.SEQUENCE_NAME), TRIM(A.SCHEMA_NAME), 'SEQUENCE',  CAST(A.START_WITH_VAL "
          "AS VARCHAR(19)), CAST(A.MIN_VAL AS VARCHAR(19)), CAST(A.MAX_VAL AS VARCHAR(18)), "
          "CAST(A.INCREMENT_VAL AS VARCHAR(18)), A.CYCLE_SPEC, A.ORDER_SPEC, A.CACHE_VAL, A.CREATE_TIME FROM "
          "RDBII_SYSTEM.RDBII_SEQUENCE A  WHERE TRIM(A.DB_NAME) = 'ORVSAMPLE' AND TRIM(A.SCHEMA_NAME) = "
          "'SALES' AND TRIM(A.SEQUENCE_NAME) LIKE '%'")[0][4],
      "1000");
  std::string all =
      "SELECT TRIM(OBJECT_TYPE), TRIM(OBJECT_NAME), TRIM(SCHEMA_NAME), TRIM(OBJECT_TYPE) OBJECT_TYPE, "
      "TRIM(CREATE_TIME), COMMENT_VALUE FROM (SELECT 'TABLE' OBJECT_TYPE, TRIM(A.TABLE_NAME) OBJECT_NAME, "
      "TRIM(A.SCHEMA_NAME) SCHEMA_NAME, A.CREATE_TIME, B.COMMENT_VALUE COMMENT_VALUE , A.DB_CODE DB_CODE "
      "FROM "
      "RDBII_SYSTEM.RDBII_TABLE A LEFT OUTER JOIN RDBII_SYSTEM.RDBII_COMMENT B ON A.TABLE_CODE = "
      "B.TABLE_CODE AND "
      "B.COMMENT_TYPE = 'TV' WHERE (A.TABLE_TYPE = 'BS' OR A.TABLE_TYPE = 'TD' OR A.TABLE_TYPE = 'TP') UNION "
      "SELECT 'INDEX' OBJECT_TYPE, TRIM(A.INDEX_DSO_NAME) OBJECT_NAME, TRIM(B.SCHEMA_NAME) SCHEMA_NAME, "
      "A.CREATE_TIME, C.COMMENT_VALUE COMMENT_VALUE, A.DB_CODE DB_CODE FROM RDBII_SYSTEM.RDBII_INDEX A LEFT "
      "OUTER "
      "JOIN RDBII_SYSTEM.RDBII_TABLE B ON A.TABLE_CODE = B.TABLE_CODE AND A.DB_CODE = B.DB_CODE AND "
      "A.SCHEMA_CODE = B.SCHEMA_CODE LEFT OUTER JOIN RDBII_SYSTEM.RDBII_COMMENT C ON A.DB_CODE = C.DB_CODE "
      "AND "
      "A.SCHEMA_CODE = C.SCHEMA_CODE AND A.INDEX_DSO_CODE = C.INDEX_DSO_CODE UNION SELECT 'VIEW' "
      "OBJECT_TYPE, "
      "TRIM(A.TABLE_NAME) OBJECT_NAME, TRIM(A.SCHEMA_NAME) SCHEMA_NAME, A.CREATE_TIME, B.COMMENT_VALUE , "
      "A.DB_CODE DB_CODE FROM RDBII_SYSTEM.RDBII_TABLE A LEFT OUTER JOIN RDBII_SYSTEM.RDBII_COMMENT B ON "
      "A.TABLE_CODE = B.TABLE_CODE AND B.COMMENT_TYPE = 'TV' WHERE (A.TABLE_TYPE = 'VW') UNION SELECT "
      "'PROCEDURE' OBJECT_TYPE, TRIM(A.PROCEDURE_NAME) OBJECT_NAME, TRIM(A.SCHEMA_NAME) SCHEMA_NAME, "
      "A.CREATE_TIME, B.COMMENT_VALUE COMMENT_VALUE , A.DB_CODE DB_CODE FROM RDBII_SYSTEM.RDBII_PROC A LEFT "
      "OUTER JOIN RDBII_SYSTEM.RDBII_COMMENT B ON A.DB_CODE = B.DB_CODE AND A.SCHEMA_CODE = B.SCHEMA_CODE "
      "AND "
      "A.PROCEDURE_CODE = B.TABLE_CODE WHERE A.PROCEDURE_TYPE = 1 AND ROUTINE_TYPE = 0  UNION SELECT "
      "'FUNCTION' "
      "OBJECT_TYPE, TRIM(A.PROCEDURE_NAME) OBJECT_NAME, TRIM(A.SCHEMA_NAME) SCHEMA_NAME, A.CREATE_TIME, "
      "B.COMMENT_VALUE COMMENT_VALUE , A.DB_CODE DB_CODE FROM RDBII_SYSTEM.RDBII_PROC A LEFT OUTER JOIN "
      "RDBII_SYSTEM.RDBII_COMMENT B ON A.DB_CODE = B.DB_CODE AND A.SCHEMA_CODE = B.SCHEMA_CODE AND "
      "A.PROCEDURE_CODE = B.TABLE_CODE WHERE A.PROCEDURE_TYPE = 2  UNION SELECT 'TRIGGER' OBJECT_TYPE, "
      "TRIM(A.TRIG_NAME) OBJECT_NAME, TRIM(A.TRIG_SCHEMA_NAME) SCHEMA_NAME, A.CREATE_TIME, B.COMMENT_VALUE , "
      "A.TRIG_DB_CODE DB_CODE FROM RDBII_SYSTEM.RDBII_TRIGGER A LEFT OUTER JOIN RDBII_SYSTEM.RDBII_COMMENT B "
      "ON "
      "A.TRIG_DB_CODE = B.DB_CODE AND A.TRIG_SCHEMA_CODE = B.SCHEMA_CODE AND A.TRIG_CODE = B.TABLE_CODE  "
      "UNION "
      "SELECT 'SEQUENCE' OBJECT_TYPE, TRIM(A.SEQUENCE_NAME) OBJECT_NAME, TRIM(A.SCHEMA_NAME) SCHEMA_NAME, "
      "A.CREATE_TIME, '' COMMENT_VALUE , A.DB_CODE DB_CODE FROM RDBII_SYSTEM.RDBII_SEQUENCE A) ALL_OBJECT  "
      "WHERE "
      "DB_CODE = " +
      dbCode +
      " AND TRIM(SCHEMA_NAME) = 'SALES' AND UPPER(TRIM(SCHEMA_NAME)) = 'SALES' AND "
      "TRIM(OBJECT_TYPE) LIKE '%' AND TRIM(OBJECT_NAME) LIKE'%' ORDER BY 1, 2";
  Rows objects = Query(*session, all);
  std::vector<std::string> kinds;
  for (const auto& row : objects) kinds.push_back(row[0] + " " + row[1]);
  EXPECT_EQ(kinds, (std::vector<std::string>{"FUNCTION TAX_RATE", "INDEX ORDERS_CUST", "PROCEDURE ADD_ORDER",
                                             "SEQUENCE ORDER_SEQ", "TABLE CUSTOMER", "TABLE ORDERS",
                                             "TRIGGER ORDERS_CHECK", "VIEW CUSTOMER_ORDERS"}));
}

}  // namespace
