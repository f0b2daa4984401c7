// Routines and triggers on the stand-in: their CREATE statements kept in
// the catalogue alone, unreadable texts refused, DROP with and without
// CASCADE, and runs answered from what the test supplies.
#include <gtest/gtest.h>

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include "odbc_fixture.h"
#include "standin/symfoware/standin.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

class RoutineUpkeepTest : public ::testing::Test {
 protected:
  void SetUp() override {
    odbc_.CreateStandin("ADMIN", "secret");
    session_ = symfoware::OpenStandinSession("ORVTEST", "ADMIN", "secret");
    for (const char* sql : {"CREATE SCHEMA S1", "CREATE TABLE S1.T1 (C1 CHAR(4), C2 INTEGER)",
                            "CREATE TABLE S1.T2 (K INTEGER)"})
      Run(sql);
    symfoware::ClearRoutineAnswers();
  }
  void TearDown() override { symfoware::ClearRoutineAnswers(); }

  // As the program's query runs a statement: as written first, then
  // rewritten, then on SQLite.
  void Run(const std::string& sql, std::vector<QVariant> values = {}) {
    if (session_->InterceptWritten(sql, values)) return;
    const std::string text = session_->Rewrite(sql);
    if (session_->Intercept(text)) return;
    QSqlQuery q(session_->Database());
    const bool ok = q.exec(QString::fromStdString(text));
    session_->Executed(sql, {}, q);
    if (!ok) throw platform::SqlError(session_->ErrorText(q));
  }
  std::string ErrorOf(const std::string& sql, std::vector<QVariant> values = {}) {
    try {
      Run(sql, std::move(values));
    } catch (const platform::SqlError& e) {
      return e.what();
    }
    return "";
  }
  Rows Query(const std::string& sql) {
    QSqlQuery q(session_->Database());
    if (!q.exec(QString::fromStdString(session_->Rewrite(sql)))) throw platform::SqlError(session_->ErrorText(q));
    Rows rows;
    while (q.next()) {
      std::vector<std::string> row;
      for (int i = 0; i < q.record().count(); ++i) row.push_back(q.value(i).toString().toStdString());
      rows.push_back(row);
    }
    return rows;
  }
  // Every catalogue row that belongs to a routine or trigger, by table.
  Rows RoutineRows() {
    return Query(
        "SELECT 'PROC', PROCEDURE_NAME FROM RDBII_SYSTEM.RDBII_PROC UNION ALL "
        "SELECT 'PROC_EX', PROCEDURE_NAME FROM RDBII_SYSTEM.RDBII_PROC_EX UNION ALL "
        "SELECT 'PROC_COL', ORDINAL_POSITION FROM RDBII_SYSTEM.RDBII_PROC_COL UNION ALL "
        "SELECT 'DESCRIPTION', DESC_TYPE FROM RDBII_SYSTEM.RDBII_DESCRIPTION WHERE DESC_TYPE = 'P' UNION ALL "
        "SELECT 'COMMENT', COMMENT_VALUE FROM RDBII_SYSTEM.RDBII_COMMENT UNION ALL "
        "SELECT 'USAGE', TABLE_CODE FROM RDBII_SYSTEM.RDBII_TABLE_USAGE UNION ALL "
        "SELECT 'TRIGGER', TRIG_NAME FROM RDBII_SYSTEM.RDBII_TRIGGER UNION ALL "
        "SELECT 'TRIG_COLUMN', EVENT_OBJ_COL_CODE FROM RDBII_SYSTEM.RDBII_TRIG_COLUMNS UNION ALL "
        "SELECT 'PRIVILEGE', PRIVILEGE_TYPE FROM RDBII_SYSTEM.RDBII_PRIVILEGES WHERE OBJECT_TYPE IN ('PR', 'TR')");
  }

  testing_odbc::OdbcFixture odbc_;
  std::unique_ptr<platform::SqlSession> session_;
};

TEST_F(RoutineUpkeepTest, ACreatedProcedureAndFunctionAreKeptInTheCatalogueAndDroppedWhole) {
  const std::string procedure =
      "CREATE PROCEDURE S1.P(IN A CHAR(10), OUT B CHAR VARYING(20), INOUT C NUMERIC(5, 2))\r\n"
      "COMMENT 'adds a row'\r\nBEGIN\r\n  INSERT INTO T1 VALUES (A, 1);\r\n  SELECT COUNT(*) INTO B FROM S1.T2;\r\n"
      "  IF C > 0 THEN\r\n    SET C = 0;\r\n  END IF;\r\nEND\r\n";
  Run(procedure);
  EXPECT_EQ(Query("SELECT PROCEDURE_TYPE, ROUTINE_TYPE, PROCEDURE_OWNER FROM RDBII_SYSTEM.RDBII_PROC"),
            (Rows{{"1", "0", "ADMIN"}}));
  EXPECT_EQ(Query("SELECT COLUMN_NAME, COLUMN_TYPE, DATA_TYPE, NULLABLE, CHAR_MAX_LENGTH, NUMERIC_PRECISION, "
                  "NUMERIC_SCALE FROM RDBII_SYSTEM.RDBII_PROC_COL ORDER BY ORDINAL_POSITION"),
            (Rows{{"A", "1", "1", "YES", "10", "", ""},
                  {"B", "4", "2", "YES", "20", "", ""},
                  {"C", "2", "8", "YES", "", "5", "2"}}));
  EXPECT_EQ(Query("SELECT DESC_VALUE FROM RDBII_SYSTEM.RDBII_DESCRIPTION WHERE DESC_TYPE = 'P'"),
            (Rows{{procedure.substr(0, procedure.size() - 2)}}));
  EXPECT_EQ(Query("SELECT T.TABLE_NAME FROM RDBII_SYSTEM.RDBII_TABLE_USAGE U, RDBII_SYSTEM.RDBII_TABLE T "
                  "WHERE T.TABLE_CODE = U.TABLE_CODE ORDER BY 1"),
            (Rows{{"T1"}, {"T2"}}));
  EXPECT_EQ(Query("SELECT PRIVILEGE_TYPE, GRANTEE, IS_GRANTABLE FROM RDBII_SYSTEM.RDBII_PRIVILEGES "
                  "WHERE OBJECT_TYPE = 'PR' ORDER BY 1"),
            (Rows{{"DROP", "ADMIN", "YES"}, {"EXECUTE", "ADMIN", "YES"}}));

  // A function as the source editor writes it from the catalogue.
  Run("CREATE FUNCTION S1.F(IN INT, IN CHAR(10) NOT NULL)\r\nRETURNS  INT\r\nCOMMENT  'it''s one'\r\n"
      "LANGUAGE C\r\nNAME     'addone'\r\nLIBRARY  '/lib/f.so'\r\n");
  EXPECT_EQ(Query("SELECT E.PROCEDURE_TYPE, E.ROUTINE_NAME, E.LIBRARY_PATH, C.COMMENT_VALUE FROM "
                  "RDBII_SYSTEM.RDBII_PROC_EX E, RDBII_SYSTEM.RDBII_COMMENT C WHERE C.TABLE_CODE = E.PROCEDURE_CODE "
                  "AND E.PROCEDURE_NAME = 'F'"),
            (Rows{{"2", "addone", "/lib/f.so", "it's one"}}));
  EXPECT_EQ(Query("SELECT C.COLUMN_TYPE, C.DATA_TYPE, C.NULLABLE, C.CHAR_MAX_LENGTH FROM "
                  "RDBII_SYSTEM.RDBII_PROC_COL C, RDBII_SYSTEM.RDBII_PROC P WHERE P.PROCEDURE_CODE = "
                  "C.PROCEDURE_CODE AND P.PROCEDURE_NAME = 'F' ORDER BY C.ORDINAL_POSITION"),
            (Rows{{"1", "6", "YES", ""}, {"1", "1", "NO", "10"}, {"5", "6", "YES", ""}}));

  Run("DROP FUNCTION S1.F CASCADE");
  Run("DROP PROCEDURE S1.P");
  EXPECT_EQ(RoutineRows(), Rows{});
  EXPECT_NE(ErrorOf("DROP PROCEDURE S1.P").find("JYP9003E"), std::string::npos);
}

TEST_F(RoutineUpkeepTest, ATextTheServerCannotReadIsRefusedAndLeavesNothing) {
  Run("CREATE PROCEDURE S1.USED() BEGIN NULL; END");
  const Rows before = RoutineRows();
  struct Case {
    const char* sql;
    const char* message;
  };
  const Case cases[] = {
      {"CREATE PROCEDURE S1.P (引数, 引数...)\r\nCOMMENT 'コメント句'\r\nBEGIN\r\n  NULL;\r\nEND", "JYP9010E"},
      {"CREATE PROCEDURE S1.P(IN A INT) BEGIN NULL; EN", "JYP9010E"},
      {"CREATE PROCEDURE S1.P(IN A INT) BEGIN NULL END", "JYP9010E"},
      {"CREATE PROCEDURE S1.P(IN A INTEGR) BEGIN NULL; END", "JYP9010E"},
      {"CREATE PROCEDURE S1.P(IN A INT) BEGIN NULL; END; NULL;", "JYP9010E"},
      {"CREATE FUNCTION S1.F(IN INT) RETURNS INT LANGUAGE C NAME 'f'", "JYP9010E"},
      {"CREATE FUNCTION S1.F(IN INT) LANGUAGE C NAME 'f' LIBRARY '/l.so'", "JYP9010E"},
      {"CREATE PROCEDURE S1.USED() BEGIN NULL; END", "JYP9045E"},
      {"CREATE PROCEDURE S9.P() BEGIN NULL; END", "JYP9044E"},
      {"CREATE TRIGGER S1.TR AFTER INSERT ON S1.NONE INSERT INTO S1.T2 VALUES (1)", "JYP9047E"},
      {"CREATE TRIGGER S1.TR AFTER UPDATE OF C9 ON S1.T1 INSERT INTO S1.T2 VALUES (1)", "JYP9048E"},
      {"CREATE TRIGGER S1.TR AFTER INSERT ON S1.T1", "JYP9010E"},
      {"CREATE TRIGGER S1.TR INSERT ON S1.T1 DELETE FROM S1.T2", "JYP9010E"},
  };
  for (const Case& c : cases) {
    EXPECT_NE(ErrorOf(c.sql).find(c.message), std::string::npos) << c.sql << ": " << ErrorOf(c.sql);
    EXPECT_EQ(RoutineRows(), before) << c.sql;
  }
}

TEST_F(RoutineUpkeepTest, TriggersAreKeptWithTheirColumnsAndGoWithTheirTable) {
  Run("CREATE TRIGGER S1.TR\r\nBEFORE UPDATE OF C1,\"C2\"\r\nON T1\r\nREFERENCING OLD AS O NEW AS N\r\n"
      "FOR EACH ROW WHEN (N.C2 > (1))\r\nINSERT INTO S1.T2 VALUES (N.C2);\r\n");
  EXPECT_EQ(Query("SELECT TRIG_SCHEMA_NAME, TRIG_OWNER, EVENT_OBJ_SCH_NAME, EVENT_OBJ_TBL_NAME, EVENT_MANIPURATION, "
                  "COND_TIMING, COND_REF_OLD_TABLE, COND_REF_NEW_TABLE, ACTION_CONDITION, ACTION_STMT_LIST, "
                  "ACTION_ORIENTATION, COL_LIST_IS_IMPLCT FROM RDBII_SYSTEM.RDBII_TRIGGER"),
            (Rows{{"S1", "ADMIN", "S1", "T1", "UPDATE", "BEFORE", "O", "N", "N.C2 > (1)",
                   "INSERT INTO S1.T2 VALUES (N.C2);", "ROW", "NO"}}));
  EXPECT_EQ(Query("SELECT C.COLUMN_NAME FROM RDBII_SYSTEM.RDBII_TRIG_COLUMNS A, RDBII_SYSTEM.RDBII_TRIGGER B, "
                  "RDBII_SYSTEM.RDBII_COLUMN C WHERE A.TRIG_CODE = B.TRIG_CODE AND C.TABLE_CODE = "
                  "B.EVENT_OBJ_TBL_CODE AND C.COLUMN_CODE = A.EVENT_OBJ_COL_CODE ORDER BY 1"),
            (Rows{{"C1"}, {"C2"}}));
  EXPECT_EQ(Query("SELECT T.TABLE_NAME FROM RDBII_SYSTEM.RDBII_TABLE_USAGE U, RDBII_SYSTEM.RDBII_TABLE T "
                  "WHERE T.TABLE_CODE = U.TABLE_CODE"),
            (Rows{{"T2"}}));
  Run("CREATE TRIGGER S1.TS AFTER DELETE ON S1.T2 FOR EACH STATEMENT DELETE FROM S1.T1");
  EXPECT_EQ(Query("SELECT ACTION_ORIENTATION, COL_LIST_IS_IMPLCT, COND_REF_OLD_TABLE FROM RDBII_SYSTEM.RDBII_TRIGGER "
                  "WHERE TRIG_NAME = 'TS'"),
            (Rows{{"STATEMENT", "YES", ""}}));
  Run("DROP TRIGGER S1.TS");
  Run("DROP TABLE S1.T1");
  EXPECT_EQ(RoutineRows(), Rows{});
}

TEST_F(RoutineUpkeepTest, RunsAnswerFromWhatTheTestSupplies) {
  Run("CREATE PROCEDURE S1.P(IN A INT, OUT B CHAR(4), INOUT C INT) BEGIN NULL; END");
  Run("CREATE FUNCTION S1.F(IN INT, IN CHAR(3)) RETURNS INT LANGUAGE C NAME 'f' LIBRARY '/l.so'");
  // No answer: the stand-in says that it runs no bodies.
  EXPECT_NE(ErrorOf("CALL S1.P(1, ?, ?)", {QVariant(), 2}).find("JYP9043E"), std::string::npos);
  symfoware::SetRoutineAnswer("S1", "P", {{std::string("ab"), std::string("3")}, {}});
  std::vector<QVariant> values{QVariant(), 2};
  ASSERT_TRUE(session_->InterceptWritten("CALL \"S1\".\"P\"(1, ?, ?)", values));
  EXPECT_EQ(values[0].toString().toStdString(), "ab");
  EXPECT_EQ(values[1].toString().toStdString(), "3");
  struct Case {
    const char* sql;
    const char* message;
  };
  const Case refused[] = {
      {"CALL S1.P(1, ?)", "JYP9041E"},
      {"CALL S1.P(1, 'x', ?)", "JYP9042E"},
      {"CALL S1.NONE()", "JYP9040E"},
      {"CALL S1.F(1, 2)", "JYP9040E"},
  };
  for (const Case& c : refused) EXPECT_NE(ErrorOf(c.sql, {QVariant(), QVariant()}).find(c.message), std::string::npos) << c.sql;

  symfoware::SetRoutineAnswer("S1", "F", {{std::string("7")}, {}});
  EXPECT_EQ(Query("SELECT S1.F(1, 'abc') FROM RDBII_SYSTEM.RDBII_ASSISTTABLE WITH OPTION LOCK_MODE(NO LOCK)"),
            (Rows{{"7"}}));
  EXPECT_EQ(Query("SELECT \"S1\".\"F\" (1, S1.F(2, 'x')) + 1 FROM RDBII_SYSTEM.RDBII_ASSISTTABLE"), (Rows{{"8"}}));
  const auto queryError = [&](const std::string& sql) {
    try {
      Query(sql);
    } catch (const platform::SqlError& e) {
      return std::string(e.what());
    }
    return std::string();
  };
  EXPECT_NE(queryError("SELECT S1.F(1) FROM RDBII_SYSTEM.RDBII_ASSISTTABLE").find("JYP9041E"), std::string::npos);
  EXPECT_NE(queryError("SELECT S1.P(1, 2) FROM RDBII_SYSTEM.RDBII_ASSISTTABLE").find("JYP9040E"), std::string::npos);
  symfoware::SetRoutineAnswer("S1", "F", {{}, "JYP3001E 関数で例外が発生しました。"});
  EXPECT_NE(queryError("SELECT S1.F(1, 'a') FROM RDBII_SYSTEM.RDBII_ASSISTTABLE").find("JYP3001E"), std::string::npos);
}

}  // namespace
