// User statements as the stand-in keeps them: the catalogue rows of a user,
// its parameters, its lock and password at logon, and what the server
// refuses.
#include <gtest/gtest.h>

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include "odbc_fixture.h"
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

void Catalogue(platform::SqlSession& session, const std::string& sql) {
  if (!session.Intercept(session.Rewrite(sql))) throw std::logic_error("not a catalogue statement: " + sql);
}

std::string ErrorOf(platform::SqlSession& session, const std::string& sql) {
  try {
    Catalogue(session, sql);
  } catch (const platform::SqlError& e) {
    return e.what();
  }
  return "";
}

std::string LogonError(const std::string& user, const std::string& password) {
  try {
    symfoware::OpenStandinSession("ORVTEST", user, password);
  } catch (const platform::SqlError& e) {
    return e.what();
  }
  return "";
}

class UserUpkeepTest : public ::testing::Test {
 protected:
  void SetUp() override {
    odbc_.CreateStandin("ADMIN", "secret");
    session_ = symfoware::OpenStandinSession("ORVTEST", "ADMIN", "secret");
  }
  Rows User(const std::string& name) {
    return Query(*session_, "SELECT IDENT, USER_KIND, PASSWORD_STATUS FROM RDBII_SYSTEM.RDBII_USER WHERE USER_NAME = '" +
                                name + "'");
  }
  Rows Parameters(const std::string& name) {
    return Query(*session_,
                 "SELECT P.PARAMETER_NAME, P.PARAMETER_VALUE FROM RDBII_SYSTEM.RDBII_PARAMETER P, "
                 "RDBII_SYSTEM.RDBII_USER U WHERE P.USER_CODE = U.USER_CODE AND U.USER_NAME = '" +
                     name + "' ORDER BY 1");
  }

  testing_odbc::OdbcFixture odbc_;
  std::unique_ptr<platform::SqlSession> session_;
};

TEST_F(UserUpkeepTest, AUserKeepsItsMethodParametersLockAndPassword) {
  Catalogue(*session_, "SET SYSTEM PARAMETER USER_CONTROL=YES");
  Catalogue(*session_, "CREATE USER U1\n  WITH DBMS PASSWORD 'P''W'\n  FOR USER\n  MAX_CONNECTION = 5\n  ,MIN_PASSWORD_SIZE = 2");
  EXPECT_EQ(User("U1"), (Rows{{"DB", "U", "O"}}));
  EXPECT_EQ(Parameters("U1"), (Rows{{"MAX_CONNECTION", "5"}, {"MIN_PASSWORD_SIZE", "2"}}));
  EXPECT_EQ(LogonError("U1", "P'W"), "");

  Catalogue(*session_, "ALTER USER U1\n  WITH DBMS PASSWORD LOCK");
  EXPECT_EQ(User("U1"), (Rows{{"DB", "U", "L"}}));
  EXPECT_EQ(Parameters("U1").size(), 2u) << "without FOR USER the parameters stay";
  EXPECT_NE(LogonError("U1", "P'W").find("JYP5015E"), std::string::npos);

  Catalogue(*session_, "ALTER USER U1\n  WITH DBMS PASSWORD 'NEW'\n  FOR USER\n  MAX_CONNECTION = 7");
  EXPECT_EQ(User("U1"), (Rows{{"DB", "U", "O"}})) << "a new password opens the account";
  EXPECT_EQ(Parameters("U1"), (Rows{{"MAX_CONNECTION", "7"}}));
  EXPECT_NE(LogonError("U1", "P'W").find("JYP5014E"), std::string::npos);
  EXPECT_EQ(LogonError("U1", "NEW"), "");

  Catalogue(*session_, "ALTER USER U1 WITH OS FOR USER");
  EXPECT_EQ(User("U1"), (Rows{{"OS", "U", "O"}}));
  EXPECT_NE(LogonError("U1", "NEW").find("JYP5014E"), std::string::npos) << "an OS user has no password here";
}

TEST_F(UserUpkeepTest, ADroppedUserTakesItsGrantsAlong) {
  Catalogue(*session_, "CREATE USER U1 WITH DBMS PASSWORD 'PW' FOR USER MAX_CONNECTION = 1");
  Catalogue(*session_, "CREATE ROLE R1");
  Catalogue(*session_, "GRANT R1 TO U1");
  Query(*session_, "INSERT INTO RDBII_SYSTEM.RDBII_PRIVILEGES VALUES ('ADMIN', 'U1', 1, 2, 3, 'TV', 'SELECT', 'NO')");
  Catalogue(*session_, "DROP USER U1");
  EXPECT_TRUE(User("U1").empty());
  EXPECT_EQ(Query(*session_,
                  "SELECT (SELECT COUNT(*) FROM RDBII_SYSTEM.RDBII_PARAMETER) + (SELECT COUNT(*) FROM "
                  "RDBII_SYSTEM.RDBII_ROLE_GRANT) + (SELECT COUNT(*) FROM RDBII_SYSTEM.RDBII_PRIVILEGES WHERE "
                  "GRANTEE = 'U1')"),
            (Rows{{"0"}}));
  EXPECT_NE(LogonError("U1", "PW").find("JYP5014E"), std::string::npos);
}

TEST_F(UserUpkeepTest, RefusedUserStatementsChangeNothing) {
  Catalogue(*session_, "CREATE USER U1 WITH DBMS PASSWORD 'PW' FOR USER");
  const char* const refused[][2] = {
      {"CREATE USER U1 WITH OS FOR USER", "JYP9041E"},
      {"CREATE USER \"u2\" WITH DBMS PASSWORD LOCK", "JYP9043E"},
      {"ALTER USER U9 WITH DBMS PASSWORD LOCK", "JYP9042E"},
      {"DROP USER U9", "JYP9042E"},
      {"ALTER USER U1 WITH DBMS PASSWORD 'X' FOR USER MAX_SOMETHING = 1", "JYP9043E"},
  };
  const Rows before = Query(*session_, "SELECT USER_NAME, IDENT, PASSWORD_STATUS FROM RDBII_SYSTEM.RDBII_USER");
  for (const auto& c : refused) {
    const std::string error = ErrorOf(*session_, c[0]);
    EXPECT_NE(error.find(c[1]), std::string::npos) << c[0] << ": " << error;
  }
  EXPECT_EQ(Query(*session_, "SELECT USER_NAME, IDENT, PASSWORD_STATUS FROM RDBII_SYSTEM.RDBII_USER"), before);
  EXPECT_EQ(LogonError("U1", "PW"), "");
}

}  // namespace
