// DDL run as orv runs it (intercepted or executed, then reported to the
// session): the catalogue after it, and the failures a test asks for.
#include <gtest/gtest.h>

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include "odbc_fixture.h"
#include "session_script.h"
#include "standin/symfoware/standin.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

Rows Query(platform::SqlSession& session, const std::string& sql) {
  QSqlQuery q(session.Database());
  if (!q.exec(QString::fromStdString(sql))) throw platform::SqlError(platform::SqlErrorText(q.lastError()));
  Rows rows;
  while (q.next()) {
    std::vector<std::string> row;
    for (int i = 0; i < q.record().count(); ++i) row.push_back(q.value(i).toString().toStdString());
    rows.push_back(row);
  }
  return rows;
}

using testing_odbc::RunDdl;

std::string ErrorOf(platform::SqlSession& session, const std::string& sql) {
  try {
    RunDdl(session, sql);
  } catch (const platform::SqlError& e) {
    return e.what();
  }
  return "";
}

// Names of the objects of schema S1 in the catalogue, by kind, and of the
// tables and views SQLite holds there.
Rows CatalogueObjects(platform::SqlSession& session) {
  return Query(session,
               "SELECT OBJECT_TYPE, OBJECT_NAME FROM ALL_OBJECTS WHERE OWNER = 'S1' "
               "UNION ALL SELECT 'INDEX', INDEX_DSO_NAME FROM RDBII_SYSTEM.RDBII_INDEX "
               "UNION ALL SELECT 'SQLITE', name FROM S1.sqlite_master WHERE type IN ('table', 'view', 'index') "
               "ORDER BY 1, 2");
}

// Catalogue rows that still carry a code no object has any more.
Rows OrphanRows(platform::SqlSession& session) {
  return Query(session,
               "SELECT 'COLUMN', COLUMN_NAME FROM RDBII_SYSTEM.RDBII_COLUMN WHERE TABLE_CODE NOT IN "
               "(SELECT TABLE_CODE FROM RDBII_SYSTEM.RDBII_TABLE) "
               "UNION ALL SELECT 'USAGE', LIST_TYPE FROM RDBII_SYSTEM.RDBII_COLUMN_USAGE WHERE TABLE_CODE NOT IN "
               "(SELECT TABLE_CODE FROM RDBII_SYSTEM.RDBII_TABLE) OR (LIST_TYPE = 'I' AND OBJECT_CODE NOT IN "
               "(SELECT INDEX_DSO_CODE FROM RDBII_SYSTEM.RDBII_INDEX)) "
               "UNION ALL SELECT 'PRIVILEGE', PRIVILEGE_TYPE FROM RDBII_SYSTEM.RDBII_PRIVILEGES WHERE TABLE_CODE NOT IN "
               "(SELECT TABLE_CODE FROM RDBII_SYSTEM.RDBII_TABLE UNION SELECT PROCEDURE_CODE FROM "
               "RDBII_SYSTEM.RDBII_PROC UNION SELECT TRIG_CODE FROM RDBII_SYSTEM.RDBII_TRIGGER UNION SELECT "
               "SEQUENCE_CODE FROM RDBII_SYSTEM.RDBII_SEQUENCE) "
               "UNION ALL SELECT 'DESCRIPTION', DESC_TYPE FROM RDBII_SYSTEM.RDBII_DESCRIPTION WHERE OBJECT_CODE NOT IN "
               "(SELECT TABLE_CODE FROM RDBII_SYSTEM.RDBII_TABLE UNION SELECT PROCEDURE_CODE FROM "
               "RDBII_SYSTEM.RDBII_PROC) "
               "UNION ALL SELECT 'PROC_COL', COLUMN_NAME FROM RDBII_SYSTEM.RDBII_PROC_COL WHERE PROCEDURE_CODE NOT IN "
               "(SELECT PROCEDURE_CODE FROM RDBII_SYSTEM.RDBII_PROC) "
               "UNION ALL SELECT 'SEQ_VALUE', SEQ_NUM FROM RDBII_SYSTEM.RDBII_OBJECT_SEQ WHERE SEQ_CODE NOT IN "
               "(SELECT SEQUENCE_CODE FROM RDBII_SYSTEM.RDBII_SEQUENCE) "
               "UNION ALL SELECT 'DSI', NAME FROM RDBII_SYSTEM.RDBII_DSI_STATUS WHERE TABLE_NAME NOT IN "
               "(SELECT TABLE_NAME FROM RDBII_SYSTEM.RDBII_TABLE)");
}

// Schema S1 with tables T1 (a key, an index, a storage row and two views
// over it, one on the other) and T2 (a trigger on it), a procedure, a
// function and a sequence with its current value. Routines, triggers and
// sequences exist in the catalogue alone, as the sample writes them.
class UpkeepTest : public ::testing::Test {
 protected:
  void SetUp() override {
    odbc_.CreateStandin("ADMIN", "secret");
    session_ = symfoware::OpenStandinSession("ORVTEST", "ADMIN", "secret");
    for (const char* sql : {
             "CREATE SCHEMA S1",
             "CREATE TABLE S1.T1 (C1 CHAR(4) NOT NULL PRIMARY KEY, C2 INTEGER)",
             "CREATE TABLE S1.T2 (K INTEGER)",
             "CREATE INDEX S1.I1 ON T1 (C2)",
             "CREATE VIEW S1.V1 AS SELECT C1, C2 FROM T1",
             "CREATE VIEW S1.V2 AS SELECT C1 FROM V1",
             "INSERT INTO S1.T1 VALUES ('A', 1)",
         })
      RunDdl(*session_, sql);
    const std::string schema =
        " FROM RDBII_SYSTEM.RDBII_SCHEMA S WHERE S.SCHEMA_NAME = 'S1'";
    for (const std::string& sql : std::vector<std::string>{
             "INSERT INTO RDBII_SYSTEM.RDBII_PROC SELECT S.DB_CODE, S.DB_NAME, S.SCHEMA_CODE, 'S1', 901, 'P1', "
             "'ADMIN', 1, 0, ''" + schema,
             "INSERT INTO RDBII_SYSTEM.RDBII_PROC SELECT S.DB_CODE, S.DB_NAME, S.SCHEMA_CODE, 'S1', 902, 'F1', "
             "'ADMIN', 2, 0, ''" + schema,
             "INSERT INTO RDBII_SYSTEM.RDBII_PROC_COL SELECT S.DB_CODE, S.SCHEMA_CODE, 901, 1, 'A', 1, 6, 'YES', "
             "NULL, NULL, NULL" + schema,
             "INSERT INTO RDBII_SYSTEM.RDBII_DESCRIPTION SELECT S.DB_CODE, S.SCHEMA_CODE, 901, 'P', 'BEGIN END'" +
                 schema,
             "INSERT INTO RDBII_SYSTEM.RDBII_TRIGGER (TRIG_DB_CODE, TRIG_SCHEMA_NAME, TRIG_CODE, TRIG_NAME, "
             "EVENT_OBJ_TBL_CODE) SELECT S.DB_CODE, 'S1', 903, 'TR1', T.TABLE_CODE FROM RDBII_SYSTEM.RDBII_SCHEMA S, "
             "RDBII_SYSTEM.RDBII_TABLE T WHERE S.SCHEMA_NAME = 'S1' AND T.TABLE_NAME = 'T2'",
             "INSERT INTO RDBII_SYSTEM.RDBII_SEQUENCE (DB_CODE, SCHEMA_NAME, SEQUENCE_CODE, SEQUENCE_NAME) "
             "SELECT S.DB_CODE, 'S1', 904, 'SQ1'" + schema,
             "INSERT INTO RDBII_SYSTEM.RDBII_OBJECT_SEQ SELECT S.DB_CODE, 904, 7" + schema,
             "INSERT INTO RDBII_SYSTEM.RDBII_PRIVILEGES SELECT 'ADMIN', 'ADMIN', S.DB_CODE, S.SCHEMA_CODE, C.CODE, "
             "'PR', 'EXECUTE', 'YES' FROM RDBII_SYSTEM.RDBII_SCHEMA S, (SELECT 901 CODE UNION SELECT 902 UNION "
             "SELECT 903 UNION SELECT 904) C WHERE S.SCHEMA_NAME = 'S1'",
             "INSERT INTO RDBII_SYSTEM.RDBII_DSI_STATUS SELECT S.DB_CODE, 'ORVTEST', 'S1', 'T1', 'I1', 'I1_DSI', 1, "
             "'I'" + schema,
         })
      Query(*session_, sql);
    symfoware::ClearStatementJournal();
  }

  testing_odbc::OdbcFixture odbc_;
  std::unique_ptr<platform::SqlSession> session_;
};

TEST_F(UpkeepTest, DescribesWhatIsCreatedAndForgetsWhatIsDropped) {
  EXPECT_EQ(CatalogueObjects(*session_),
            (Rows{{"FUNCTION", "F1"}, {"INDEX", "I1"}, {"PROCEDURE", "P1"}, {"SEQUENCE", "SQ1"}, {"SQLITE", "I1"},
                  {"SQLITE", "T1"}, {"SQLITE", "T2"}, {"SQLITE", "V1"}, {"SQLITE", "V2"},
                  {"SQLITE", "sqlite_autoindex_T1_1"}, {"TABLE", "T1"}, {"TABLE", "T2"}, {"TRIGGER", "TR1"},
                  {"VIEW", "V1"}, {"VIEW", "V2"}}));
  EXPECT_EQ(Query(*session_,
                  "SELECT C.COLUMN_NAME, C.NULLABLE FROM RDBII_SYSTEM.RDBII_COLUMN C, RDBII_SYSTEM.RDBII_TABLE T "
                  "WHERE C.TABLE_CODE = T.TABLE_CODE AND T.TABLE_NAME = 'T1' ORDER BY C.ORDINAL_POSITION"),
            (Rows{{"C1", "NO"}, {"C2", "YES"}}));

  // Each statement leaves exactly what remains, and never a row whose
  // object is gone. Every case starts from the fixture again.
  struct Case {
    const char* statement;
    Rows gone;
  };
  const Case cases[] = {
      {"DROP TABLE S1.T1 CASCADE",
       {{"INDEX", "I1"}, {"SQLITE", "I1"}, {"SQLITE", "T1"}, {"SQLITE", "V1"}, {"SQLITE", "V2"},
        {"SQLITE", "sqlite_autoindex_T1_1"}, {"TABLE", "T1"}, {"VIEW", "V1"}, {"VIEW", "V2"}}},
      {"DROP VIEW S1.V1 CASCADE", {{"SQLITE", "V1"}, {"SQLITE", "V2"}, {"VIEW", "V1"}, {"VIEW", "V2"}}},
      {"drop view s1.\"V2\"", {{"SQLITE", "V2"}, {"VIEW", "V2"}}},
      {"DROP TABLE S1.T2;", {{"SQLITE", "T2"}, {"TABLE", "T2"}, {"TRIGGER", "TR1"}}},
      {"DROP DSO I1 CASCADE", {{"INDEX", "I1"}, {"SQLITE", "I1"}}},
      {"DROP PROCEDURE S1.P1", {{"PROCEDURE", "P1"}}},
      {"DROP FUNCTION S1.F1 CASCADE", {{"FUNCTION", "F1"}}},
      {"DROP TRIGGER S1.TR1", {{"TRIGGER", "TR1"}}},
      {"DROP SEQUENCE S1.SQ1", {{"SEQUENCE", "SQ1"}}},
  };
  const Rows before = CatalogueObjects(*session_);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.statement);
    Query(*session_, "SAVEPOINT CASE_START");
    RunDdl(*session_, c.statement);
    Rows expected;
    for (const auto& row : before)
      if (std::find(c.gone.begin(), c.gone.end(), row) == c.gone.end()) expected.push_back(row);
    EXPECT_EQ(CatalogueObjects(*session_), expected);
    EXPECT_EQ(OrphanRows(*session_), Rows{});
    Query(*session_, "ROLLBACK TO CASE_START");
    Query(*session_, "RELEASE CASE_START");
  }
  EXPECT_EQ(CatalogueObjects(*session_), before);
}

TEST_F(UpkeepTest, RefusesWhatTheServerRefusesAndChangesNothing) {
  const Rows before = CatalogueObjects(*session_);
  struct Case {
    const char* statement;
    const char* error;
  };
  const Case cases[] = {
      {"DROP TABLE S1.T1", "JYP9004E ビューから参照されているため削除できません: S1.V1"},
      {"DROP VIEW S1.V1", "JYP9004E ビューから参照されているため削除できません: S1.V2"},
      {"DROP TABLE S1.NONE", "JYP9003E 削除するオブジェクトが存在しません: S1.NONE"},
      {"DROP TABLE S1.V1 CASCADE", "JYP9003E 削除するオブジェクトが存在しません: S1.V1"},
      {"DROP PROCEDURE S1.F1", "JYP9003E 削除するオブジェクトが存在しません: S1.F1"},
      {"DROP TRIGGER TR2", "JYP9003E 削除するオブジェクトが存在しません: TR2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.statement);
    EXPECT_NE(ErrorOf(*session_, c.statement).find(c.error), std::string::npos) << ErrorOf(*session_, c.statement);
    EXPECT_EQ(CatalogueObjects(*session_), before);
    // The refusal is journalled with its message, as a failed statement is.
    const std::vector<symfoware::TJournalEntry> journal = symfoware::StatementJournal();
    ASSERT_FALSE(journal.empty());
    EXPECT_EQ(journal.back().Statement, c.statement);
    EXPECT_NE(journal.back().Error.find(c.error), std::string::npos);
  }
  EXPECT_EQ(Query(*session_, "SELECT C1 FROM S1.V2"), (Rows{{"A"}}));
}

TEST_F(UpkeepTest, ATableMadeAgainAfterADropIsDescribedAnewAndCopiesTakeRowsOnly) {
  // The new tables take the sqlite_master rows the dropped objects left.
  RunDdl(*session_, "DROP VIEW S1.V2");
  RunDdl(*session_, "DROP TABLE S1.T2");
  RunDdl(*session_, "CREATE TABLE S1.T2 (A CHAR(2), B INTEGER)");
  RunDdl(*session_, "CREATE TABLE S1.T3 (C1 CHAR(4), C2 INTEGER)");
  RunDdl(*session_, "INSERT INTO S1.T3 SELECT * FROM S1.T1");
  EXPECT_EQ(Query(*session_,
                  "SELECT T.TABLE_NAME, C.COLUMN_NAME FROM RDBII_SYSTEM.RDBII_TABLE T, RDBII_SYSTEM.RDBII_COLUMN C "
                  "WHERE C.TABLE_CODE = T.TABLE_CODE AND T.TABLE_NAME IN ('T2', 'T3') "
                  "ORDER BY T.TABLE_NAME, C.ORDINAL_POSITION"),
            (Rows{{"T2", "A"}, {"T2", "B"}, {"T3", "C1"}, {"T3", "C2"}}));
  EXPECT_EQ(Query(*session_, "SELECT C1, C2 FROM S1.T3"), (Rows{{"A", "1"}}));
  EXPECT_EQ(symfoware::StatementJournal().at(4).RowsAffected, 1);
  EXPECT_EQ(OrphanRows(*session_), Rows{});
  // The catalogue's own objects change without being described.
  RunDdl(*session_, "ALTER TABLE RDBII_SYSTEM.RDBII_SCHEMA RENAME TO RDBII_SCHEMA_AWAY");
  RunDdl(*session_, "ALTER TABLE RDBII_SYSTEM.RDBII_SCHEMA_AWAY RENAME TO RDBII_SCHEMA");
  RunDdl(*session_, "DROP VIEW RDBII_SYSTEM.SCHEMATA");
}

TEST_F(UpkeepTest, ARolledBackDropLeavesObjectAndRows) {
  Query(*session_, "BEGIN");
  RunDdl(*session_, "DROP TABLE S1.T1 CASCADE");
  RunDdl(*session_, "DROP SEQUENCE S1.SQ1");
  Query(*session_, "ROLLBACK");
  EXPECT_EQ(Query(*session_, "SELECT C1 FROM S1.V2"), (Rows{{"A"}}));
  EXPECT_EQ(Query(*session_,
                  "SELECT COUNT(*) FROM RDBII_SYSTEM.RDBII_TABLE WHERE TABLE_NAME IN ('T1', 'V1', 'V2') UNION ALL "
                  "SELECT SEQ_NUM FROM RDBII_SYSTEM.RDBII_OBJECT_SEQ"),
            (Rows{{"3"}, {"7"}}));
}

}  // namespace

namespace {

TEST_F(UpkeepTest, ATableCreatedOnASpaceIsListedInItAndAnUnknownSpaceIsRefused) {
  Query(*session_, "INSERT INTO RDBII_SYSTEM.RDBII_OBJECT VALUES ('ORVTEST', '2', 'SPACE2')");
  RunDdl(*session_, "CREATE TABLE S1.\"t3\"(  A VARCHAR(30),  B VARCHAR(50))   ON SPACE2");
  EXPECT_EQ(Query(*session_,
                  "SELECT T.TABLE_NAME, X.DBSPACE_NAME FROM RDBII_SYSTEM.RDBII_TABLE T, RDBII_SYSTEM.RDBII_TABLE_EX X "
                  "WHERE T.TABLE_CODE = X.TABLE_CODE AND T.SCHEMA_NAME = 'S1' AND T.TABLE_TYPE = 'BS' ORDER BY T.TABLE_NAME"),
            (Rows{{"T1", "DBSPACE1"}, {"T2", "DBSPACE1"}, {"t3", "SPACE2"}}));
  EXPECT_EQ(Query(*session_, "SELECT COUNT(*) FROM S1.\"t3\""), Rows{{"0"}});
  ASSERT_EQ(symfoware::StatementJournal().size(), 1u);
  EXPECT_EQ(symfoware::StatementJournal()[0].Error, "");

  const std::string error = ErrorOf(*session_, "CREATE TABLE S1.T4 (A INTEGER) ON NOSPACE");
  EXPECT_NE(error.find("NOSPACE"), std::string::npos) << error;
  EXPECT_TRUE(Query(*session_, "SELECT name FROM S1.sqlite_master WHERE name = 'T4'").empty());
  EXPECT_TRUE(Query(*session_, "SELECT 1 FROM RDBII_SYSTEM.RDBII_TABLE WHERE TABLE_NAME = 'T4'").empty());
  // A table made afterwards is described as before.
  RunDdl(*session_, "CREATE TABLE S1.T5 (A INTEGER)");
  EXPECT_EQ(Query(*session_, "SELECT X.DBSPACE_NAME FROM RDBII_SYSTEM.RDBII_TABLE_EX X WHERE X.TABLE_NAME = 'T5'"),
            Rows{{"DBSPACE1"}});
}

TEST_F(UpkeepTest, ChosenStatementsFailWithTheGivenMessageUntilCleared) {
  symfoware::FailStatementAt(1, "JYP2001E first");
  symfoware::FailStatementsMatching("^drop\\s+view", "JYP2002E second");
  RunDdl(*session_, "CREATE TABLE S1.T3 (A INTEGER)");
  EXPECT_EQ(ErrorOf(*session_, "CREATE TABLE S1.T4 (A INTEGER)"), "JYP2001E first");
  EXPECT_EQ(ErrorOf(*session_, "DROP VIEW S1.V2"), "JYP2002E second");
  symfoware::ClearStatementFailures();
  RunDdl(*session_, "DROP VIEW S1.V2");
  std::vector<std::string> journal;
  for (const symfoware::TJournalEntry& e : symfoware::StatementJournal()) journal.push_back(e.Error);
  EXPECT_EQ(journal, (std::vector<std::string>{"", "JYP2001E first", "JYP2002E second", ""}));
  // What failed did not run.
  EXPECT_EQ(Query(*session_, "SELECT name FROM S1.sqlite_master WHERE name IN ('T3', 'T4', 'V2')"),
            Rows{{"T3"}});
}

// Grants and revokes as the privilege frame and the editors write them,
// each step with the catalogue's rows after it: users and PUBLIC in
// RDBII_PRIVILEGES (grantor, grantee, type, privilege, grantable), roles in
// RDBII_ROLE_PRIV (role, type, privilege).
TEST_F(UpkeepTest, GrantAndRevokeKeepThePrivilegeRowsTrue) {
  symfoware::AddUser(session_->Database(), "U2", "pw");
  symfoware::AddUser(session_->Database(), "U3", "pw");
  Query(*session_, "INSERT INTO RDBII_SYSTEM.RDBII_ROLE VALUES (990, 'R1', 'ADMIN', '')");
  const auto privileges = [&](const std::string& object, long long code) {
    return Query(*session_,
                 "SELECT GRANTOR, GRANTEE, OBJECT_TYPE, PRIVILEGE_TYPE, IS_GRANTABLE FROM "
                 "RDBII_SYSTEM.RDBII_PRIVILEGES WHERE GRANTEE <> 'ADMIN' AND TABLE_CODE = " +
                     (code ? std::to_string(code)
                           : "(SELECT TABLE_CODE FROM RDBII_SYSTEM.RDBII_TABLE WHERE TABLE_NAME = '" + object + "')") +
                     " UNION ALL SELECT 'role', R.ROLE_NAME, P.OBJECT_TYPE, P.PRIVILEGE_TYPE, '' FROM "
                     "RDBII_SYSTEM.RDBII_ROLE_PRIV P, RDBII_SYSTEM.RDBII_ROLE R WHERE R.ROLE_CODE = P.ROLE_CODE AND "
                     "P.OBJECT_CODE = " +
                     (code ? std::to_string(code)
                           : "(SELECT TABLE_CODE FROM RDBII_SYSTEM.RDBII_TABLE WHERE TABLE_NAME = '" + object + "')") +
                     " ORDER BY 2, 4");
  };
  struct Step {
    const char* sql;
    const char* object;
    long long code;
    Rows rows;
  };
  const Step steps[] = {
      {"GRANT SELECT ON TABLE S1.T1 TO U2 WITH GRANT OPTION", "T1", 0, {{"ADMIN", "U2", "TV", "SELECT", "YES"}}},
      // A plain grant of what is held keeps the grant option.
      {"GRANT SELECT ON TABLE S1.T1 TO U2", "T1", 0, {{"ADMIN", "U2", "TV", "SELECT", "YES"}}},
      {"GRANT UPDATE, DELETE ON TABLE S1.T1 TO PUBLIC",
       "T1",
       0,
       {{"ADMIN", "PUBLIC", "TV", "DELETE", "NO"},
        {"ADMIN", "PUBLIC", "TV", "UPDATE", "NO"},
        {"ADMIN", "U2", "TV", "SELECT", "YES"}}},
      {"REVOKE GRANT OPTION FOR SELECT ON TABLE S1.T1 FROM U2",
       "T1",
       0,
       {{"ADMIN", "PUBLIC", "TV", "DELETE", "NO"},
        {"ADMIN", "PUBLIC", "TV", "UPDATE", "NO"},
        {"ADMIN", "U2", "TV", "SELECT", "NO"}}},
      {"REVOKE UPDATE ON TABLE S1.T1 FROM PUBLIC; ",
       "T1",
       0,
       {{"ADMIN", "PUBLIC", "TV", "DELETE", "NO"}, {"ADMIN", "U2", "TV", "SELECT", "NO"}}},
      // A view with or without TABLE; a role's privilege never grantable.
      {"GRANT SELECT ON S1.V1 TO ROLE R1", "V1", 0, {{"role", "R1", "TV", "SELECT", ""}}},
      {"GRANT INSERT ON TABLE S1.V1 TO ROLE R1 WITH GRANT OPTION",
       "V1",
       0,
       {{"role", "R1", "TV", "INSERT", ""}, {"role", "R1", "TV", "SELECT", ""}}},
      {"REVOKE SELECT ON S1.V1 FROM ROLE R1", "V1", 0, {{"role", "R1", "TV", "INSERT", ""}}},
      {"GRANT EXECUTE ON PROCEDURE S1.P1 TO U2", nullptr, 901, {{"ADMIN", "U2", "PR", "EXECUTE", "NO"}}},
      {"GRANT DROP ON FUNCTION S1.F1 TO \"U3\"", nullptr, 902, {{"ADMIN", "U3", "PR", "DROP", "NO"}}},
      {"GRANT DROP ON TRIGGER S1.TR1 TO ROLE R1", nullptr, 903, {{"role", "R1", "TR", "DROP", ""}}},
      {"GRANT SELECT ON SEQUENCE S1.SQ1 TO PUBLIC", nullptr, 904, {{"ADMIN", "PUBLIC", "SQ", "SELECT", "NO"}}},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.sql);
    RunDdl(*session_, step.sql);
    EXPECT_EQ(privileges(step.object ? step.object : "", step.code), step.rows);
  }
  EXPECT_TRUE(Query(*session_, "SELECT * FROM S1.sqlite_master WHERE sql LIKE '%GRANT%'").empty());
}

// What the grantee passed on goes with a revoke under CASCADE and stops
// one without it; bad statements change nothing.
TEST_F(UpkeepTest, RevokesFollowTheGrantChainAndRefuseWhatCannotBe) {
  symfoware::AddUser(session_->Database(), "U2", "pw");
  symfoware::AddUser(session_->Database(), "U3", "pw");
  Query(*session_, "INSERT INTO RDBII_SYSTEM.RDBII_ROLE VALUES (990, 'R1', 'ADMIN', '')");
  RunDdl(*session_, "GRANT SELECT ON TABLE S1.T1 TO U2 WITH GRANT OPTION");
  auto u2 = symfoware::OpenStandinSession("ORVTEST", "U2", "pw");
  RunDdl(*u2, "GRANT SELECT ON TABLE S1.T1 TO U3, ROLE R1");
  const std::string held =
      "SELECT GRANTEE FROM RDBII_SYSTEM.RDBII_PRIVILEGES WHERE PRIVILEGE_TYPE = 'SELECT' AND GRANTEE <> 'ADMIN' "
      "UNION ALL SELECT 'ROLE' FROM RDBII_SYSTEM.RDBII_ROLE_PRIV ORDER BY 1";
  EXPECT_EQ(Query(*session_, held), (Rows{{"ROLE"}, {"U2"}, {"U3"}}));
  const struct {
    const char* sql;
    const char* error;
  } refused[] = {
      {"REVOKE SELECT ON TABLE S1.T1 FROM U2", "JYP9009E"},
      {"REVOKE GRANT OPTION FOR SELECT ON TABLE S1.T1 FROM U2", "JYP9009E"},
      {"REVOKE INSERT ON TABLE S1.T1 FROM U2", "JYP3522E"},
      {"GRANT SELECT ON TABLE S1.NOPE TO U2", "JYP9003E"},
      {"GRANT SELECT ON TABLE S1.T1 TO NOBODY", "JYP9006E"},
      {"GRANT SELECT ON TABLE S1.T1 TO ROLE U2", "JYP9006E"},
      {"GRANT EXECUTE ON TABLE S1.T1 TO U2", "JYP9007E"},
      {"GRANT SELECT, UPDATE ON TABLE S1.T1 TO U2, U3, NOBODY", "JYP9006E"},
  };
  for (const auto& r : refused) {
    SCOPED_TRACE(r.sql);
    EXPECT_NE(ErrorOf(*session_, r.sql).find(r.error), std::string::npos);
    EXPECT_EQ(Query(*session_, held), (Rows{{"ROLE"}, {"U2"}, {"U3"}}));
  }
  RunDdl(*session_, "REVOKE SELECT ON TABLE S1.T1 FROM U2 CASCADE");
  EXPECT_TRUE(Query(*session_, held).empty());
}

}  // namespace

namespace {

// Storage rows of schema S1: DSO rows, DSIs with their DSO and spaces, scopes.
Rows StorageRows(platform::SqlSession& session) {
  return Query(session,
               "SELECT 'DSO', DSO_NAME, TABLE_NAME, DSO_TYPE FROM RDBII_SYSTEM.STANDIN_DSO "
               "UNION ALL SELECT 'DSI', NAME, DSO_NAME, TYPE || CODE FROM RDBII_SYSTEM.RDBII_DSI_STATUS "
               "WHERE DSO_NAME <> 'I1' "
               "UNION ALL SELECT 'SPACE', DSI_NAME, KIND, SPACE_NAME || ' ' || SPACE_SIZE "
               "FROM RDBII_SYSTEM.STANDIN_DSI_SPACE "
               "UNION ALL SELECT 'SCOPE', SCOPE_NAME, DSI_NAME, TABLE_NAME FROM RDBII_SYSTEM.STANDIN_SCOPE "
               "ORDER BY 1, 2, 3, 4");
}

TEST_F(UpkeepTest, StorageStatementsAreKeptAndDroppedWithWhatTheyBelongTo) {
  for (const char* sql : {
           "CREATE DSO D1\nFROM S1.T2\nTYPE SEQUENTIAL(PAGESIZE(4), ORDER(1))\nWHERE (K) = (?)",
           "CREATE DSI D1A DSO D1\nUSING (1)\nALLOCATE DATA ON DBSPACE1 SIZE 10M\n                 DBSPACE1 SIZE 512K\n"
           ",FORMAT EXPAND ON DBSPACE1 ALARM 8M SIZE 1M",
           "CREATE DSI D1B DSO \"D1\"\nUSING (2)\n,FORMAT EXPAND OFF",
           "DROP SCOPE SC1",
           "CREATE SCOPE SC1 DSI(D1A, D1B)",
           "CREATE DSO X2\nINDEX ON S1.T2(K)\nTYPE BTREE(PAGESIZE1(4), PAGESIZE2(4), DEGENERATE)",
           "CREATE DSI X2A INDEX DSO X2\nOPTION(REALIGNMENT)\nBASE D1A\nALLOCATE BASE ON DBSPACE1 SIZE 64K\n"
           ",INDEX ON DBSPACE1 SIZE 64K\n,FORMAT EXPAND OFF",
       })
    RunDdl(*session_, sql);
  const Rows kept{{"DSI", "D1A", "D1", "T1"},       {"DSI", "D1B", "D1", "T2"},
                  {"DSI", "X2A", "X2", "I1"},       {"DSO", "D1", "T2", "T"},
                  {"DSO", "X2", "T2", "I"},         {"SCOPE", "SC1", "D1A", "T2"},
                  {"SCOPE", "SC1", "D1B", "T2"},    {"SPACE", "D1A", "DATA", "DBSPACE1 10M"},
                  {"SPACE", "D1A", "DATA", "DBSPACE1 512K"}, {"SPACE", "D1A", "EXPAND", "DBSPACE1 "},
                  {"SPACE", "X2A", "BASE", "DBSPACE1 64K"},  {"SPACE", "X2A", "INDEX", "DBSPACE1 64K"}};
  EXPECT_EQ(StorageRows(*session_), kept);
  // The index DSO is an index of SQLite and of the catalogue.
  EXPECT_EQ(Query(*session_, "SELECT name FROM S1.sqlite_master WHERE name = 'X2' UNION ALL "
                             "SELECT INDEX_DSO_NAME FROM RDBII_SYSTEM.RDBII_INDEX WHERE INDEX_DSO_NAME = 'X2'"),
            (Rows{{"X2"}, {"X2"}}));

  struct Case {
    const char* statement;
    std::vector<std::string> goneNames;
  };
  const Case cases[] = {
      {"DROP SCOPE SC1", {"SC1"}},
      {"DROP SCOPE NOSUCH", {}},
      {"DROP DSI D1B CASCADE", {"D1B"}},
      {"DROP DSO S1.D1 CASCADE", {"D1", "D1A", "D1B", "SC1"}},
      {"DROP DSO X2 CASCADE", {"X2", "X2A"}},
      {"DROP DSO D1 CASCADE", {"D1", "D1A", "D1B", "SC1"}},
      {"DROP TABLE S1.T2", {"D1", "D1A", "D1B", "SC1", "X2", "X2A"}},
      // A table of the server's own storage: its DSO and DSI bear its name.
      {"DROP DSI T1 CASCADE", {}},
      {"DROP DSO T1 CASCADE", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.statement);
    Query(*session_, "SAVEPOINT CASE_START");
    RunDdl(*session_, c.statement);
    Rows expected;
    for (const auto& row : kept) {
      const bool gone = std::find(c.goneNames.begin(), c.goneNames.end(), row[1]) != c.goneNames.end() ||
                        std::find(c.goneNames.begin(), c.goneNames.end(), row[2]) != c.goneNames.end();
      if (!gone) expected.push_back(row);
    }
    EXPECT_EQ(StorageRows(*session_), expected);
    Query(*session_, "ROLLBACK TO CASE_START");
    Query(*session_, "RELEASE CASE_START");
  }
}

TEST_F(UpkeepTest, StorageStatementsTheServerRefusesChangeNothing) {
  RunDdl(*session_, "CREATE DSO D1 FROM S1.T2 TYPE OBJECT(PAGESIZE(4))");
  RunDdl(*session_, "CREATE DSI D1A DSO D1 ALLOCATE DATA ON DBSPACE1 SIZE 1M ,FORMAT EXPAND OFF");
  RunDdl(*session_, "CREATE SCOPE SC1 DSI(D1A)");
  const Rows before = StorageRows(*session_);
  struct Case {
    const char* statement;
    const char* error;
  };
  const Case cases[] = {
      {"CREATE DSO D2 FROM S1.T2 TYPE OBJECT(PAGESIZE(4))", "JYP9012E"},
      {"CREATE DSO D1 FROM S1.T1 TYPE OBJECT(PAGESIZE(4))", "JYP9011E"},
      {"CREATE DSO I1 FROM S1.T1 TYPE OBJECT(PAGESIZE(4))", "JYP9011E"},
      {"CREATE DSO D2 FROM S1.NONE TYPE OBJECT(PAGESIZE(4))", "JYP9003E"},
      {"CREATE DSO D2 FROM S1.T1 TYPE SEQUENTIAL(PAGESIZE())", "JYP9010E 構文に誤りがあります: ))"},
      {"CREATE DSO D2 FROM S1.T1 TYPE RANDOM(PAGESIZE1(4))", "JYP9010E"},
      {"CREATE DSO D2 FROM S1.T1 TYPE SEQUENTIAL(PAGESIZE(4)) WHERE (C1, C2) = (?)", "JYP9010E"},
      {"CREATE DSI D1A DSO D1 ,FORMAT EXPAND OFF", "JYP9014E"},
      {"CREATE DSI D1B DSO NONE ,FORMAT EXPAND OFF", "JYP9013E"},
      {"CREATE DSI D1B DSO ", "JYP9010E 構文に誤りがあります: (文の終わり)"},
      {"CREATE DSI D1B DSO D1 ALLOCATE DATA ON DBSPACE1 SIZE K", "JYP9010E"},
      {"CREATE SCOPE SC1 DSI(D1A)", "JYP9016E"},
      {"CREATE SCOPE SC2 DSI(NONE)", "JYP9015E"},
      {"DROP DSI NONE CASCADE", "JYP9015E"},
      {"DROP DSO NONE CASCADE", "JYP9003E"},
      {"DROP DSO S2.D1 CASCADE", "JYP9003E"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.statement);
    EXPECT_NE(ErrorOf(*session_, c.statement).find(c.error), std::string::npos) << ErrorOf(*session_, c.statement);
    EXPECT_EQ(StorageRows(*session_), before);
  }
}


TEST_F(UpkeepTest, CreateIndexWithKeysMakesAnIndexOfSqliteAndTheCatalogue) {
  RunDdl(*session_, "CREATE INDEX S1.T1.IX2\nKEY(C2, C1)\nON DBSPACE1");
  RunDdl(*session_, "CREATE INDEX T2.IX3 KEY(K)");
  const std::string keys =
      "SELECT I.INDEX_DSO_NAME, C.COLUMN_NAME FROM RDBII_SYSTEM.RDBII_INDEX I, RDBII_SYSTEM.RDBII_COLUMN_USAGE U, "
      "RDBII_SYSTEM.RDBII_COLUMN C WHERE I.INDEX_DSO_NAME IN ('IX2', 'IX3') AND U.OBJECT_CODE = I.INDEX_DSO_CODE "
      "AND U.LIST_TYPE = 'I' AND C.TABLE_CODE = U.TABLE_CODE AND C.COLUMN_CODE = U.COLUMN_CODE "
      "ORDER BY I.INDEX_DSO_NAME, U.ORDINAL_POSITION";
  EXPECT_EQ(Query(*session_, keys), (Rows{{"IX2", "C2"}, {"IX2", "C1"}, {"IX3", "K"}}));
  EXPECT_EQ(Query(*session_, "SELECT name FROM S1.sqlite_master WHERE name IN ('IX2', 'IX3') ORDER BY 1"),
            (Rows{{"IX2"}, {"IX3"}}));
  EXPECT_NE(ErrorOf(*session_, "CREATE INDEX S1.T1.IX2 KEY(C1)").find("JYP9011E"), std::string::npos);
  RunDdl(*session_, "DROP DSO IX2 CASCADE");
  EXPECT_EQ(Query(*session_, keys), (Rows{{"IX3", "K"}}));
  EXPECT_EQ(OrphanRows(*session_), Rows{});
}

// Whoever creates an object in a schema owns it, not the schema's owner.
TEST_F(UpkeepTest, ObjectsAreOwnedByTheUserWhoCreatedThem) {
  symfoware::AddUser(session_->Database(), "U2", "pw");
  auto other = symfoware::OpenStandinSession("ORVTEST", "U2", "pw");
  for (const char* sql : {"CREATE TABLE S1.T9 (A INTEGER)", "CREATE INDEX S1.I9 ON T9 (A)",
                          "CREATE VIEW S1.V9 AS SELECT A FROM S1.T9", "CREATE SEQUENCE S1.Q9"})
    RunDdl(*other, sql);
  EXPECT_EQ(Query(*session_,
                  "SELECT TABLE_NAME, TABLE_OWNER FROM RDBII_SYSTEM.RDBII_TABLE WHERE SCHEMA_NAME = 'S1' "
                  "UNION ALL SELECT INDEX_DSO_NAME, INDEX_DSO_OWNER FROM RDBII_SYSTEM.RDBII_INDEX "
                  "UNION ALL SELECT SEQUENCE_NAME, SEQUENCE_OWNER FROM RDBII_SYSTEM.RDBII_SEQUENCE WHERE SEQUENCE_NAME = 'Q9' "
                  "ORDER BY 1"),
            (Rows{{"I1", "ADMIN"}, {"I9", "U2"}, {"Q9", "U2"}, {"T1", "ADMIN"}, {"T2", "ADMIN"}, {"T9", "U2"},
                  {"V1", "ADMIN"}, {"V2", "ADMIN"}, {"V9", "U2"}}));
}

TEST_F(UpkeepTest, DropIndexOfTheOlderServersNamesTheTableAndTheIndex) {
  RunDdl(*session_, "CREATE INDEX S1.T1.IX2 KEY(C2, C1) ON DBSPACE1");
  RunDdl(*session_, "CREATE INDEX T2.IX3 KEY(K)");
  const std::string indexes =
      "SELECT INDEX_DSO_NAME FROM RDBII_SYSTEM.RDBII_INDEX WHERE INDEX_DSO_NAME IN ('IX2', 'IX3') ORDER BY 1";
  struct Case {
    const char* sql;
    const char* error;  // a code of the server's message, or none
    Rows left;
  };
  const std::vector<Case> cases = {
      {"DROP INDEX T1.IX3", "JYP9003E", {{"IX2"}, {"IX3"}}},
      {"DROP INDEX S2.T1.IX2", "JYP9003E", {{"IX2"}, {"IX3"}}},
      {"DROP INDEX S1.T1.IX2", nullptr, {{"IX3"}}},
      {"DROP INDEX T2.IX3;", nullptr, {}},
  };
  for (const Case& c : cases) {
    if (c.error)
      EXPECT_NE(ErrorOf(*session_, c.sql).find(c.error), std::string::npos) << c.sql;
    else
      RunDdl(*session_, c.sql);
    EXPECT_EQ(Query(*session_, indexes), c.left) << c.sql;
  }
  EXPECT_EQ(Query(*session_, "SELECT name FROM S1.sqlite_master WHERE name IN ('IX2', 'IX3')"), Rows{});
  EXPECT_EQ(OrphanRows(*session_), Rows{});
}

}  // namespace

namespace {

TEST_F(UpkeepTest, SequenceRoleAndSchemaStatementsTheServerRefusesChangeNothing) {
  RunDdl(*session_, "CREATE ROLE R1");
  struct Case {
    const char* sql;
    const char* error;
  };
  const Case cases[] = {
      {"CREATE SEQUENCE S1.SQ1", "JYP9017E"},                // name in use
      {"CREATE SEQUENCE S9.Q", "JYP9019E"},                  // no such schema
      {"CREATE SEQUENCE S1.Q START WITH 0", "JYP9018E"},     // below the minimum
      {"CREATE SEQUENCE S1.Q INCREMENT BY 0", "JYP9018E"},
      {"CREATE ROLE R1", "JYP9022E"},
      {"DROP ROLE R9", "JYP9023E"},
      {"GRANT R9 TO ADMIN", "JYP9023E"},
      {"GRANT R1 TO NOBODY", "JYP9006E"},
      {"REVOKE R1 FROM ADMIN", "JYP9024E"},                  // never granted
      {"DROP SCHEMA S1", "JYP9021E"},                        // holds objects
      {"DROP SCHEMA S9 CASCADE", "JYP9020E"},
  };
  const Rows before = CatalogueObjects(*session_);
  for (const Case& c : cases) {
    const std::string error = ErrorOf(*session_, c.sql);
    EXPECT_NE(error.find(c.error), std::string::npos) << c.sql << ": " << error;
  }
  EXPECT_EQ(CatalogueObjects(*session_), before);
  EXPECT_EQ(Query(*session_, "SELECT COUNT(*) FROM RDBII_SYSTEM.RDBII_ROLE_GRANT"), Rows{{"0"}});

  // What is kept: the sequence's clauses, the role's grants and its drop.
  RunDdl(*session_, "CREATE SEQUENCE S1.Q INCREMENT BY -2 MAXVALUE -1 CYCLE CACHE 20, 5 ORDER");
  EXPECT_EQ(Query(*session_,
                  "SELECT START_WITH_VAL, MIN_VAL, MAX_VAL, INCREMENT_VAL, CYCLE_SPEC, ORDER_SPEC, CACHE_VAL, "
                  "CACHE_MIN_VAL FROM RDBII_SYSTEM.RDBII_SEQUENCE WHERE SEQUENCE_NAME = 'Q'"),
            (Rows{{"-1", "-999999999999999999", "-1", "-2", "Y", "Y", "20", "5"}}));
  RunDdl(*session_, "GRANT R1 TO ADMIN, PUBLIC");
  RunDdl(*session_, "REVOKE R1 FROM PUBLIC");
  EXPECT_EQ(Query(*session_, "SELECT GRANTOR, GRANTEE FROM RDBII_SYSTEM.RDBII_ROLE_GRANT"),
            (Rows{{"ADMIN", "ADMIN"}}));
  RunDdl(*session_, "DROP ROLE R1");
  EXPECT_EQ(Query(*session_, "SELECT COUNT(*) FROM RDBII_SYSTEM.RDBII_ROLE_GRANT"), Rows{{"0"}});
  EXPECT_EQ(Query(*session_, "SELECT COUNT(*) FROM RDBII_SYSTEM.RDBII_ROLE"), Rows{{"0"}});
}

}  // namespace

namespace {

TEST_F(UpkeepTest, AlterTableAddsColumnsAndKeepsCommentsAndATableOnASpaceHasItsBaseStorage) {
  RunDdl(*session_, "CREATE TABLE S1.T6 (A INTEGER NOT NULL, PRIMARY KEY(A)) ON DBSPACE1");
  const std::string dsis = "SELECT DSO_NAME, NAME, CODE, TYPE FROM RDBII_SYSTEM.RDBII_DSI_STATUS WHERE TABLE_NAME = 'T6'";
  EXPECT_EQ(Query(*session_, dsis), (Rows{{"T6", "T6", "1", "T"}}));
  EXPECT_NE(ErrorOf(*session_, "CREATE DSO D6 FROM S1.T6 TYPE SEQUENTIAL(PAGESIZE(4))").find("JYP9012E"),
            std::string::npos);

  RunDdl(*session_, "ALTER TABLE S1.T6\r\nADD(B                              CHAR(3) DEFAULT 'x(')\r\nADD(C INTEGER)");
  const std::string columns =
      "SELECT C.COLUMN_NAME, C.ORDINAL_POSITION, C.DATA_TYPE, C.DEFAULT_VALUE FROM RDBII_SYSTEM.RDBII_COLUMN C, "
      "RDBII_SYSTEM.RDBII_TABLE T WHERE C.TABLE_CODE = T.TABLE_CODE AND T.TABLE_NAME = 'T6' ORDER BY C.COLUMN_CODE";
  EXPECT_EQ(Query(*session_, columns),
            (Rows{{"A", "1", "IN", "NULL"}, {"B", "2", "CH", "'x('"}, {"C", "3", "IN", "NULL"}}));
  EXPECT_EQ(Query(*session_, "SELECT COUNT(*) FROM RDBII_SYSTEM.RDBII_CONSTRAINT C, RDBII_SYSTEM.RDBII_TABLE T "
                             "WHERE C.TABLE_CODE = T.TABLE_CODE AND T.TABLE_NAME = 'T6'"),
            Rows{{"1"}});
  RunDdl(*session_, "INSERT INTO S1.T6 (A, C) SELECT C2, C2 FROM S1.T1");
  EXPECT_EQ(Query(*session_, "SELECT A, B, C FROM S1.T6"), (Rows{{"1", "x(", "1"}}));

  const std::string comments =
      "SELECT M.COMMENT_TYPE, M.COLUMN_CODE = 0, M.COMMENT_VALUE FROM RDBII_SYSTEM.RDBII_COMMENT M, "
      "RDBII_SYSTEM.RDBII_TABLE T WHERE M.TABLE_CODE = T.TABLE_CODE AND T.TABLE_NAME = 'T6' ORDER BY 1";
  RunDdl(*session_, "ALTER TABLE S1.T6 COMMENT '表''s'");
  RunDdl(*session_, "ALTER TABLE S1.T6 MODIFY B COMMENT 'b'");
  RunDdl(*session_, "ALTER TABLE S1.T6 COMMENT 'new'");
  EXPECT_EQ(Query(*session_, comments), (Rows{{"CL", "0", "b"}, {"TV", "1", "new"}}));
  RunDdl(*session_, "ALTER TABLE S1.T6 MODIFY B COMMENT OFF");
  EXPECT_EQ(Query(*session_, comments), (Rows{{"TV", "1", "new"}}));
  RunDdl(*session_, "ALTER TABLE S1.T6 COMMENT OFF");
  EXPECT_EQ(Query(*session_, comments), Rows{});
  EXPECT_NE(ErrorOf(*session_, "ALTER TABLE S1.T6 MODIFY Z COMMENT 'z'").find("Z"), std::string::npos);
  EXPECT_NE(ErrorOf(*session_, "ALTER TABLE S1.NONE COMMENT 'x'").find("JYP9003E"), std::string::npos);
  EXPECT_NE(ErrorOf(*session_, "ALTER TABLE S1.T6 ADD(D INTEGER) ADD E").find("JYP9026E"), std::string::npos);
  EXPECT_EQ(Query(*session_, columns).size(), 3u);

  // A compile's second stage: the base storage goes, the table's own comes.
  RunDdl(*session_, "DROP DSI T6 CASCADE");
  RunDdl(*session_, "DROP DSO T6 CASCADE");
  EXPECT_EQ(Query(*session_, dsis), Rows{});
  RunDdl(*session_, "CREATE DSO D6 FROM S1.T6 TYPE SEQUENTIAL(PAGESIZE(4))");
}

TEST_F(UpkeepTest, AFailureAskedForSomeTimesEndsAfterThem) {
  symfoware::FailStatementsMatching("^CREATE TABLE S1\\.T9", "JYP9999E once", 1);
  EXPECT_EQ(ErrorOf(*session_, "CREATE TABLE S1.T9 (A INTEGER)"), "JYP9999E once");
  EXPECT_EQ(ErrorOf(*session_, "CREATE TABLE S1.T9 (A INTEGER)"), "");
  symfoware::ClearStatementFailures();
}

TEST_F(UpkeepTest, GrantsToUsersAndRolesHoldOnATableMadeAgainUnderItsName) {
  symfoware::AddUser(session_->Database(), "U2", "pw");
  Query(*session_, "INSERT INTO RDBII_SYSTEM.RDBII_ROLE VALUES (990, 'R1', 'ADMIN', '')");
  const std::string grants =
      "SELECT P.GRANTEE, P.PRIVILEGE_TYPE, P.IS_GRANTABLE FROM RDBII_SYSTEM.RDBII_PRIVILEGES P, "
      "RDBII_SYSTEM.RDBII_TABLE T WHERE P.TABLE_CODE = T.TABLE_CODE AND T.TABLE_NAME = 'T2' AND P.GRANTEE <> 'ADMIN' "
      "UNION ALL SELECT R.ROLE_NAME, P.PRIVILEGE_TYPE, '' FROM RDBII_SYSTEM.RDBII_ROLE_PRIV P, RDBII_SYSTEM.RDBII_ROLE "
      "R, RDBII_SYSTEM.RDBII_TABLE T WHERE R.ROLE_CODE = P.ROLE_CODE AND P.OBJECT_CODE = T.TABLE_CODE AND "
      "T.TABLE_NAME = 'T2' ORDER BY 1";
  for (int round = 0; round < 2; ++round) {
    RunDdl(*session_, "GRANT SELECT ON TABLE S1.T2 TO U2 WITH GRANT OPTION");
    RunDdl(*session_, "GRANT INSERT ON TABLE S1.T2 TO ROLE R1");
    EXPECT_EQ(Query(*session_, grants), (Rows{{"R1", "INSERT", ""}, {"U2", "SELECT", "YES"}})) << round;
    RunDdl(*session_, "DROP TABLE S1.T2 CASCADE");
    EXPECT_EQ(Query(*session_, grants), Rows{});
    RunDdl(*session_, "CREATE TABLE S1.T2 (K INTEGER) ON DBSPACE1");
  }
  EXPECT_EQ(OrphanRows(*session_), Rows{});
}

}  // namespace

namespace {

using Row = std::vector<std::string>;

// The catalogue's rows of view S1.W: check option, query, view comment,
// and per column name, type, lengths and comment.
Rows ViewRows(platform::SqlSession& session) {
  return Query(session,
               "SELECT 'TABLE', T.CHECK_OPTION, D.DESC_VALUE, IFNULL(M.COMMENT_VALUE, ''), '', 0 FROM "
               "RDBII_SYSTEM.RDBII_TABLE T LEFT JOIN RDBII_SYSTEM.RDBII_DESCRIPTION D ON D.OBJECT_CODE = T.TABLE_CODE "
               "LEFT JOIN RDBII_SYSTEM.RDBII_COMMENT M ON M.TABLE_CODE = T.TABLE_CODE AND M.COMMENT_TYPE = 'TV' "
               "WHERE T.TABLE_NAME = 'W' UNION ALL "
               "SELECT C.COLUMN_NAME, C.DATA_TYPE, IFNULL(C.CHAR_MAX_LENGTH, ''), IFNULL(C.CHAR_OCTET_LENGTH, ''), "
               "IFNULL(M.COMMENT_VALUE, ''), C.COLUMN_CODE FROM RDBII_SYSTEM.RDBII_COLUMN C JOIN "
               "RDBII_SYSTEM.RDBII_TABLE T ON T.TABLE_CODE = C.TABLE_CODE LEFT JOIN RDBII_SYSTEM.RDBII_COMMENT M ON "
               "M.TABLE_CODE = C.TABLE_CODE AND M.COLUMN_CODE = C.COLUMN_CODE AND M.COMMENT_TYPE = 'CL' "
               "WHERE T.TABLE_NAME = 'W' ORDER BY 6");
}

TEST_F(UpkeepTest, AViewInTheLongFormKeepsItsClausesInTheCatalogueAndARollbackTakesBothBack) {
  RunDdl(*session_, "CREATE TABLE S1.N (K INTEGER, NM NCHAR VARYING(10))");
  RunDdl(*session_,
         "CREATE VIEW S1.W\r\n    (A COMMENT 'キー',B)\r\nCOMMENT 'it''s'\r\nAS\r\nSELECT K, NM FROM S1.N WHERE K > 0\r\n"
         "WITH CHECK OPTION");
  const Rows made = ViewRows(*session_);
  ASSERT_EQ(made.size(), 3u);
  EXPECT_EQ(made[0], (Row{"TABLE", "Y", "SELECT K, NM FROM S1.N WHERE K > 0", "it's", "", "0"}));
  EXPECT_EQ((Row{made[1].begin(), made[1].end() - 1}), (Row{"A", "IN", "", "", "キー"}));
  // A national character column: its bytes, not its characters.
  EXPECT_EQ((Row{made[2].begin(), made[2].end() - 1}), (Row{"B", "NV", "10", "20", ""}));
  EXPECT_EQ(Query(*session_, "SELECT COUNT(*) FROM RDBII_SYSTEM.RDBII_TABLE_USAGE U, RDBII_SYSTEM.RDBII_TABLE T, "
                             "RDBII_SYSTEM.RDBII_TABLE V WHERE U.OBJECT_CODE = V.TABLE_CODE AND V.TABLE_NAME = 'W' "
                             "AND U.TABLE_CODE = T.TABLE_CODE AND T.TABLE_NAME = 'N'"),
            (Rows{{"1"}}));

  // The editor's compile: DROP and a CREATE that fails, rolled back.
  Query(*session_, "BEGIN");
  RunDdl(*session_, "DROP VIEW S1.W");
  EXPECT_FALSE(ErrorOf(*session_, "CREATE VIEW S1.W AS SELEC K FROM S1.N").empty());
  Query(*session_, "ROLLBACK");
  EXPECT_EQ(ViewRows(*session_), made);
  EXPECT_EQ(Query(*session_, "SELECT COUNT(*) FROM S1.W"), (Rows{{"0"}}));

  // A view made after the rollback is described, in the short form without
  // the clauses.
  Query(*session_, "BEGIN");
  RunDdl(*session_, "DROP VIEW S1.W");
  RunDdl(*session_, "CREATE VIEW S1.W AS SELECT NM FROM S1.N");
  Query(*session_, "COMMIT");
  const Rows remade = ViewRows(*session_);
  ASSERT_EQ(remade.size(), 2u);
  EXPECT_EQ(remade[0], (Row{"TABLE", "N", "SELECT NM FROM S1.N", "", "", "0"}));
  EXPECT_EQ((Row{remade[1].begin(), remade[1].end() - 1}), (Row{"NM", "NV", "10", "20", ""}));
}

}  // namespace
