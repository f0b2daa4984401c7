// ALLOCATE grants on database spaces and the SQL drop of a space, as the
// stand-in keeps them.
#include <gtest/gtest.h>

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include "odbc_fixture.h"
#include "standin/symfoware/standin.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

class SpaceUpkeepTest : public ::testing::Test {
 protected:
  void SetUp() override {
    odbc_.CreateStandin("ADMIN", "secret");
    session_ = symfoware::OpenStandinSession("ORVTEST", "ADMIN", "secret");
    Run("SET SYSTEM PARAMETER USER_CONTROL=YES");
    Run("CREATE USER U1 WITH DBMS PASSWORD 'x'");
    Run("CREATE ROLE R1");
  }
  void Run(const std::string& sql) {
    if (!session_->Intercept(session_->Rewrite(sql))) throw std::logic_error("not a catalogue statement: " + sql);
  }
  std::string ErrorOf(const std::string& sql) {
    try {
      Run(sql);
    } catch (const platform::SqlError& e) {
      return e.what();
    }
    return "";
  }
  Rows Grants() {
    QSqlQuery q(session_->Database());
    q.exec("SELECT SPACE_NAME, GRANTEE, GRANTOR, IS_GRANTABLE, IS_ROLE FROM RDBII_SYSTEM.STANDIN_DBSPACE_PRIV "
           "ORDER BY IS_ROLE, GRANTEE");
    Rows rows;
    while (q.next()) {
      std::vector<std::string> row;
      for (int i = 0; i < q.record().count(); ++i) row.push_back(q.value(i).toString().toStdString());
      rows.push_back(row);
    }
    return rows;
  }
  testing_odbc::OdbcFixture odbc_;
  std::unique_ptr<platform::SqlSession> session_;
};

TEST_F(SpaceUpkeepTest, GrantsAndRevokesOfAllocate) {
  Run("GRANT ALLOCATE ON DBSPACE DBSPACE1 TO U1 WITH GRANT OPTION");
  Run("GRANT ALLOCATE ON DBSPACE DBSPACE1 TO PUBLIC WITH GRANT OPTION");
  Run("GRANT ALLOCATE ON DBSPACE DBSPACE1 TO ROLE R1");
  EXPECT_EQ(Grants(), (Rows{{"DBSPACE1", "PUBLIC", "ADMIN", "NO", "0"},
                            {"DBSPACE1", "U1", "ADMIN", "YES", "0"},
                            {"DBSPACE1", "R1", "ADMIN", "NO", "1"}}))
      << "PUBLIC never holds the grant option";
  Run("REVOKE GRANT OPTION FOR ALLOCATE ON DBSPACE DBSPACE1 FROM U1 CASCADE");
  EXPECT_EQ(Grants()[1][3], "NO");
  Run("REVOKE ALLOCATE ON DBSPACE DBSPACE1 FROM U1 CASCADE");
  Run("REVOKE ALLOCATE ON DBSPACE DBSPACE1 FROM ROLE R1");
  EXPECT_EQ(Grants(), (Rows{{"DBSPACE1", "PUBLIC", "ADMIN", "NO", "0"}}));
}

TEST_F(SpaceUpkeepTest, RefusalsChangeNothing) {
  EXPECT_NE(ErrorOf("GRANT ALLOCATE ON DBSPACE NOSUCH TO U1"), "");
  EXPECT_NE(ErrorOf("GRANT ALLOCATE ON DBSPACE DBSPACE1 TO U1, NOBODY"), "");
  EXPECT_NE(ErrorOf("GRANT ALLOCATE ON DBSPACE DBSPACE1 TO \"u1\""), "") << "a quoted lower-case name is another";
  EXPECT_NE(ErrorOf("GRANT ALLOCATE ON DBSPACE DBSPACE1 TO ROLE NOROLE"), "");
  EXPECT_NE(ErrorOf("REVOKE ALLOCATE ON DBSPACE DBSPACE1 FROM U1 CASCADE"), "") << "not held";
  EXPECT_TRUE(Grants().empty());
}

TEST_F(SpaceUpkeepTest, DropTakesTheGrantsAlong) {
  Run("GRANT ALLOCATE ON DBSPACE DBSPACE1 TO U1");
  Run("DROP DBSPACE DBSPACE1");
  EXPECT_TRUE(Grants().empty());
  EXPECT_NE(ErrorOf("DROP DBSPACE DBSPACE1"), "");
}

}  // namespace
