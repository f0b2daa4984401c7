#include "app/core/odsql.h"

#include <gtest/gtest.h>

#include <functional>

#include "app/core/dsymfoware.h"
#include "standin/symfoware/standin.h"
#include "tests/standin/odbc_fixture.h"

namespace {

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const EDatabaseError& e) {
    return e.what();
  }
  return "";
}

// A connection to the SQLite data source LITE through unixODBC.
class OdbcQueryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Open(connection_);
    Exec(
        "CREATE TABLE ITEM (CODE VARCHAR(10) NOT NULL PRIMARY KEY, NAME VARCHAR(20), PRICE DECIMAL(9,2), QTY "
        "INTEGER)");
  }

  static void Open(TovSQLConnection& connection) {
    connection.UserName = "scott";
    connection.Password = "tiger";
    connection.DataSource = "lite";
    connection.Connect();
  }

  int Exec(const std::string& sql, std::vector<QVariant> values = {}) {
    TovSQLQuery q(&connection_);
    q.SetSQL(sql);
    for (size_t i = 0; i < values.size(); ++i) q.Parameters().at(i).Value = values[i];
    return q.ExecSQL();
  }

  std::vector<std::string> Column(TovSQLConnection& connection, const std::string& sql, size_t field = 0) {
    TovSQLQuery q(&connection);
    q.SetSQL(sql);
    q.Open();
    std::vector<std::string> values;
    for (; !q.Eof(); q.Next()) values.push_back(q.AsString(field));
    return values;
  }

  testing_odbc::OdbcFixture odbc_;
  TovSQLConnection connection_;
};

TEST_F(OdbcQueryTest, BindsOneParameterPerMarkerOccurrence) {
  EXPECT_EQ(Exec("INSERT INTO ITEM VALUES (:CODE, :NAME, :PRICE, :QTY)", {"A1", "ペン", "12.50", "3"}), 1);

  TovSQLQuery q(&connection_);
  q.SetSQL("SELECT :V, :W, :V, :V");
  ASSERT_EQ(q.Parameters().size(), 4u);
  const char* names[] = {"V", "W", "V", "V"};
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(q.Parameters()[i].Name, names[i]);
  const char* values[] = {"1", "2", "3", "4"};
  for (size_t i = 0; i < 4; ++i) q.Parameters()[i].Value = QString(values[i]);
  q.Open();
  ASSERT_EQ(q.RecordCount(), 1u);
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(q.AsString(i), values[i]);

  // The same name three times in a WHERE clause takes three values.
  q.SetSQL("SELECT NAME FROM ITEM WHERE CODE = :K OR NAME = :K OR QTY = :K");
  ASSERT_EQ(q.Parameters().size(), 3u);
  q.Parameters()[0].Value = QString("none");
  q.Parameters()[1].Value = QString("none");
  q.Parameters()[2].Value = QString("3");
  q.Open();
  EXPECT_EQ(q.RecordCount(), 1u);
  EXPECT_EQ(q.AsString("name"), "ペン");
}

TEST_F(OdbcQueryTest, LeavesMarkersInLiteralsAndQuotedNames) {
  TovSQLQuery q(&connection_);
  q.SetSQL("SELECT ':A' AS \"X:Y\", :B AS B");
  ASSERT_EQ(q.Parameters().size(), 1u);
  EXPECT_EQ(q.Parameters()[0].Name, "B");
  q.Parameters()[0].Value = QString("b");
  q.Open();
  EXPECT_EQ(q.Fields()[0].name, "X:Y");
  EXPECT_EQ(q.AsString(size_t{0}), ":A");
  EXPECT_EQ(q.AsString("B"), "b");

  // Without parameter parsing the text goes as it is.
  q.SetParamCheck(false);
  q.ClearParameters();
  q.SetSQL("SELECT ':A'");
  EXPECT_TRUE(q.Parameters().empty());
  q.Open();
  EXPECT_EQ(q.AsString(size_t{0}), ":A");
}

TEST_F(OdbcQueryTest, CommitsAndRollsBackTrackedTransactions) {
  EXPECT_FALSE(connection_.InTransaction());
  connection_.BeginTrans();
  EXPECT_TRUE(connection_.InTransaction());
  EXPECT_NE(ErrorOf([&] { connection_.BeginTrans(); }), "");
  Exec("INSERT INTO ITEM (CODE) VALUES ('R1')");
  connection_.RollbackTrans();
  EXPECT_FALSE(connection_.InTransaction());
  EXPECT_TRUE(Column(connection_, "SELECT CODE FROM ITEM").empty());

  connection_.BeginTrans();
  Exec("INSERT INTO ITEM (CODE) VALUES ('C1')");
  connection_.CommitTrans();
  EXPECT_FALSE(connection_.InTransaction());
  EXPECT_NE(ErrorOf([&] { connection_.CommitTrans(); }), "");

  TovSQLConnection other;
  Open(other);
  EXPECT_EQ(Column(other, "SELECT CODE FROM ITEM"), std::vector<std::string>{"C1"});
}

TEST_F(OdbcQueryTest, FetchesResultsWholeSoOtherStatementsCanRun) {
  for (const char* code : {"A", "B", "C"}) Exec("INSERT INTO ITEM (CODE, QTY) VALUES (:C, 1)", {code});
  TovSQLQuery outer(&connection_);
  outer.SetSQL("SELECT CODE FROM ITEM ORDER BY CODE");
  outer.Open();
  std::vector<std::string> seen;
  connection_.BeginTrans();
  for (; !outer.Eof(); outer.Next()) {
    seen.push_back(outer.AsString(size_t{0}));
    Exec("UPDATE ITEM SET QTY = QTY + 1 WHERE CODE = :C", {QString::fromStdString(seen.back())});
    EXPECT_EQ(Column(connection_, "SELECT COUNT(*) FROM ITEM"), std::vector<std::string>{"3"});
  }
  connection_.CommitTrans();
  EXPECT_EQ(seen, (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_EQ(Column(connection_, "SELECT SUM(QTY) FROM ITEM"), std::vector<std::string>{"6"});

  outer.SetMaxRecords(2);
  outer.Open();
  EXPECT_EQ(outer.RecordCount(), 2u);
}

TEST_F(OdbcQueryTest, DescribesResultFields) {
  TovSQLQuery q(&connection_);
  q.SetSQL("SELECT CODE, NAME, PRICE, QTY FROM ITEM");
  q.Open();
  ASSERT_EQ(q.Fields().size(), 4u);
  EXPECT_EQ(q.Fields()[0].name, "CODE");
  EXPECT_EQ(q.Fields()[0].type, TFieldType::ftString);
  EXPECT_EQ(q.Fields()[0].size, 10);
  EXPECT_EQ(q.Fields()[1].size, 20);
  EXPECT_TRUE(q.Fields()[1].nullable);
  EXPECT_EQ(q.Fields()[3].type, TFieldType::ftInteger);
  EXPECT_EQ(q.FieldIndex("qty"), 3);
  EXPECT_EQ(q.FieldIndex("NOPE"), -1);
  EXPECT_NE(ErrorOf([&] { q.FieldByName("NOPE"); }).find("NOPE"), std::string::npos);
}

TEST_F(OdbcQueryTest, RaisesTheDriversMessage) {
  TovSQLQuery q(&connection_);
  q.SetSQL("SELECT * FROM NO_SUCH_TABLE");
  EXPECT_NE(ErrorOf([&] { q.Open(); }).find("no such table: NO_SUCH_TABLE"), std::string::npos);
  EXPECT_FALSE(q.Active());
  q.SetSQL("INSERT INTO ITEM (CODE) VALUES (NULL)");
  EXPECT_NE(ErrorOf([&] { q.ExecSQL(); }).find("NOT NULL"), std::string::npos);

  TovSQLConnection missing;
  missing.UserName = "U";
  missing.DataSource = "NO_SUCH_DSN";
  EXPECT_NE(ErrorOf([&] { missing.Connect(); }).find("Data source name not found"), std::string::npos);
  EXPECT_FALSE(missing.Connected());
  TovSQLQuery unconnected(&missing);
  unconnected.SetSQL("SELECT 1");
  EXPECT_NE(ErrorOf([&] { unconnected.Open(); }), "");
}

TEST(OdbcLogonAttributes, UserAndPasswordGoApartBraceQuoted) {
  const platform::OdbcLogon logon = platform::OdbcLogonAttributes("DS", "scott", "a}b;PWD=x");
  EXPECT_EQ(logon.Database, "DS");
  EXPECT_EQ(logon.User, "{scott}");
  EXPECT_EQ(logon.Password, "{a}}b;PWD=x}");
  EXPECT_EQ(platform::OdbcLogonAttributes("DS", "", "").Password, "{}");
  for (const char* bad : {"", "DS;UID=x", "{DS}", "D=S", "MY.DSN"})
    EXPECT_NE(ErrorOf([&] { platform::OdbcLogonAttributes(bad, "u", "p"); }).find("データソース名"),
              std::string::npos)
        << bad;
}

// Whatever the logon dialog accepts reaches the driver unchanged: no
// password is refused, and none takes the connection elsewhere.
TEST_F(OdbcQueryTest, AnyPasswordReachesTheDriverAndCannotRedirectTheConnection) {
  for (const char* password : {"x.dsn", "a;Driver=b", "server=c", "SERVER=x;DRIVER=y.dsn", "p}w;DSN=OTHER;{",
                               "{", "}", ";"}) {
    TovSQLConnection connection;
    connection.UserName = "us;er.dsn";
    connection.Password = password;
    connection.DataSource = "LITE";
    EXPECT_NO_THROW(connection.Connect()) << password;
    EXPECT_EQ(Column(connection, "SELECT COUNT(*) FROM ITEM"), std::vector<std::string>{"0"}) << password;
  }
}

// The stand-in behind the same classes, named by an ODBC data source.
class StandinConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override { odbc_.CreateStandin("ADMIN", "secret"); }
  testing_odbc::OdbcFixture odbc_;
};

TEST_F(StandinConnectionTest, ConnectsTheDataModuleAndLabelsItInUpperCase) {
  TdmSymfoware module;
  module.Connection.UserName = "ADMIN";
  module.Connection.Password = "secret";
  module.Connection.DataSource = "orvtest";
  module.Connection.Connect();
  EXPECT_TRUE(module.Connection.Connected());
  EXPECT_EQ(module.GetUserName() + " @ " + module.GetDataSourceName(), "ADMIN @ ORVTEST");

  // (SQLite's ODBC driver miscounts markers in comments; the stand-in
  // shows that they stay untouched.)
  module.qryGeneral.SetSQL(
      "SELECT TRIM(DB_NAME) /* :X */ FROM RDBII_SYSTEM.RDBII_DATABASE WHERE DB_NAME = :A -- :Y\n"
      "OR DB_NAME = :A WITH OPTION LOCK_MODE(NO LOCK)");
  ASSERT_EQ(module.qryGeneral.Parameters().size(), 2u);
  module.qryGeneral.Parameters()[0].Value = QString("X");
  module.qryGeneral.Parameters()[1].Value = QString("ORVTEST");
  module.qryGeneral.Open();
  EXPECT_EQ(module.qryGeneral.AsString(size_t{0}), "ORVTEST");

  module.Connection.BeginTrans();
  TovSQLQuery exec(&module.Connection);
  exec.SetSQL("CREATE SCHEMA S1");
  exec.ExecSQL();
  exec.SetSQL("CREATE TABLE S1.T (A CHAR(4) NOT NULL, B NUMERIC(7,2))");
  exec.ExecSQL();
  module.Connection.RollbackTrans();
  module.Connection.BeginTrans();
  exec.SetSQL("CREATE TABLE S1.T (A CHAR(4) NOT NULL, B NUMERIC(7,2))");
  exec.ExecSQL();
  exec.SetSQL("INSERT INTO S1.T VALUES ('ab', 1.5)");
  exec.ExecSQL();
  module.Connection.CommitTrans();
  module.qryGeneral.SetSQL("SELECT A, B FROM S1.T");
  module.qryGeneral.Open();
  EXPECT_EQ(module.qryGeneral.Fields()[0].type, TFieldType::ftString);
  EXPECT_EQ(module.qryGeneral.Fields()[0].size, 4);
  EXPECT_FALSE(module.qryGeneral.Fields()[0].nullable);
  EXPECT_EQ(module.qryGeneral.Fields()[1].type, TFieldType::ftBCD);
  EXPECT_EQ(module.qryGeneral.Fields()[1].precision, 7);
  EXPECT_EQ(module.qryGeneral.Fields()[1].scale, 2);
}

TEST_F(StandinConnectionTest, AWrongPasswordRaisesTheDriversMessage) {
  TovSQLConnection connection;
  connection.UserName = "ADMIN";
  connection.Password = "nope";
  connection.DataSource = "ORVTEST";
  EXPECT_NE(ErrorOf([&] { connection.Connect(); }).find("パスワードが誤っています"), std::string::npos);
  EXPECT_FALSE(connection.Connected());
}

TEST_F(StandinConnectionTest, JournalsEveryStatementWithItsValuesAndRowCount) {
  TovSQLConnection connection;
  connection.UserName = "ADMIN";
  connection.Password = "secret";
  connection.DataSource = "ORVTEST";
  connection.Connect();
  symfoware::ClearStatementJournal();
  TovSQLQuery q(&connection);
  const auto run = [&](const std::string& sql, std::vector<QVariant> values = {}) {
    q.SetSQL(sql);
    for (size_t i = 0; i < values.size(); ++i) q.Parameters()[i].Value = values[i];
    q.ExecSQL();
  };
  run("CREATE SCHEMA S1");
  run("CREATE TABLE S1.T (A INTEGER NOT NULL)");
  run("INSERT INTO S1.T VALUES (:A)", {1});
  run("INSERT INTO S1.T VALUES (:A)", {1});
  run("UPDATE S1.T SET A = :NEW WHERE A = :OLD", {2, 1});
  run("DELETE FROM S1.T WHERE A = 3");
  EXPECT_THROW(run("INSERT INTO S1.T VALUES (NULL)"), EDatabaseError);
  q.SetSQL("SELECT A FROM S1.T");
  q.Open();
  struct Expected {
    const char* statement;
    std::vector<QVariant> values;
    int rows;
    bool failed;
  };
  const Expected expected[] = {
      {"CREATE SCHEMA S1", {}, -1, false},
      {"CREATE TABLE S1.T (A INTEGER NOT NULL)", {}, -1, false},
      {"INSERT INTO S1.T VALUES (:A)", {1}, 1, false},
      {"INSERT INTO S1.T VALUES (:A)", {1}, 1, false},
      {"UPDATE S1.T SET A = :NEW WHERE A = :OLD", {2, 1}, 2, false},
      {"DELETE FROM S1.T WHERE A = 3", {}, 0, false},
      {"INSERT INTO S1.T VALUES (NULL)", {}, -1, true},
      {"SELECT A FROM S1.T", {}, -1, false},
  };
  const std::vector<symfoware::TJournalEntry> journal = symfoware::StatementJournal();
  ASSERT_EQ(journal.size(), std::size(expected));
  for (size_t i = 0; i < journal.size(); ++i) {
    SCOPED_TRACE(expected[i].statement);
    EXPECT_EQ(journal[i].Statement, expected[i].statement);
    EXPECT_EQ(journal[i].Values, expected[i].values);
    EXPECT_EQ(journal[i].RowsAffected, expected[i].rows);
    EXPECT_EQ(!journal[i].Error.empty(), expected[i].failed) << journal[i].Error;
  }
}

}  // namespace

namespace {

// A CALL's output markers: each bound with its direction and room, and its
// value read back after the run; input parameters keep what they had.
TEST_F(StandinConnectionTest, OutputParametersAreReadBackInMarkerOrderAfterTheRun) {
  TovSQLConnection connection;
  connection.UserName = "ADMIN";
  connection.Password = "secret";
  connection.DataSource = "ORVTEST";
  connection.Connect();
  TovSQLQuery q(&connection);
  for (const char* sql : {"CREATE SCHEMA S1",
                          "CREATE PROCEDURE S1.P(IN A INT, OUT B CHAR VARYING(20), INOUT C INT, OUT D INT) "
                          "BEGIN NULL; END"}) {
    q.SetSQL(sql);
    q.ExecSQL();
  }
  symfoware::SetRoutineAnswer("S1", "P", {{std::string("text"), std::string("8"), std::nullopt}, {}});
  q.SetSQL("CALL S1.P(1, :B, :C, :D)");
  std::vector<TovParameter>& params = q.Parameters();
  ASSERT_EQ(params.size(), 3u);
  params[0].Direction = TParamDirection::Output;
  params[0].Size = 20;
  params[1].Direction = TParamDirection::InputOutput;
  params[1].Value = QString("7");
  params[2].Direction = TParamDirection::Output;
  params[2].Size = 30000;
  symfoware::ClearStatementJournal();
  q.ExecSQL();
  EXPECT_EQ(params[0].Value.toString().toStdString(), "text");
  EXPECT_EQ(params[1].Value.toString().toStdString(), "8");
  EXPECT_TRUE(params[2].Value.isNull());
  // The journal holds the values as they went in.
  const std::vector<symfoware::TJournalEntry> journal = symfoware::StatementJournal();
  ASSERT_EQ(journal.size(), 1u);
  EXPECT_EQ(journal[0].Statement, "CALL S1.P(1, ?, ?, ?)");
  ASSERT_EQ(journal[0].Values.size(), 3u);
  EXPECT_EQ(journal[0].Values[1].toString().toStdString(), "7");

  // An error answer fails the run.
  symfoware::SetRoutineAnswer("S1", "P", {{}, "JYP3001E 利用者定義の例外です。"});
  EXPECT_NE(ErrorOf([&] { q.ExecSQL(); }).find("JYP3001E"), std::string::npos);
  symfoware::ClearRoutineAnswers();
}

}  // namespace
