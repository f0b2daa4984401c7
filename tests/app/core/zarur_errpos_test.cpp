#include "app/core/zarurerrpos.h"

#include "app/core/odsql.h"
#include "tests/standin/odbc_fixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

namespace {

using Rows = std::vector<std::string>;

// The catalogue of the cases: SCOTT owns EMP and DEPT, SALES owns ORDERS.
bool Exists(const std::string& owner, const std::string& table) {
  static const std::set<std::pair<std::string, std::string>> kTables = {
      {"SCOTT", "EMP"}, {"SCOTT", "DEPT"}, {"SALES", "ORDERS"}};
  return kTables.contains({owner, table});
}

TovErrorPosition NameAt(size_t start, size_t length) { return {TovErrorSelection::Name, {start, length}}; }
const TovErrorPosition kRows{TovErrorSelection::Rows, {}};
const TovErrorPosition kKeep{TovErrorSelection::Keep, {}};

TEST(SQLErrorPosition, ChoosesTheNameOrTheRows) {
  const char kColumn[] = "[Symfoware Stand-in] JYP7205E ORA-00904: \"COL\": 列が存在しません";
  const char kTable[] = "JYP7202E ORA-00942: 表が存在しません";
  struct Case {
    const char* what;
    Rows rows;
    int first;
    int last;
    const char* message;
    bool hasSelection;
    TovErrorPosition expected;
  };
  const Case cases[] = {
      // Offsets count each earlier row and its CR LF; COL2 and XCOL are no whole COL.
      {"column after a longer name", {"-- earlier", "SELECT COL2, XCOL,", " col FROM EMP"}, 1, 2, kColumn, true,
       NameAt(12 + 20 + 1, 3)},
      {"column outside the statement's rows", {"SELECT COL FROM EMP", "SELECT X FROM EMP"}, 1, 1, kColumn, true, kRows},
      {"column after wide characters", {"SELECT '社員' || COL FROM EMP"}, 0, 0, kColumn, false,
       NameAt(std::string("SELECT '社員' || ").size(), 3)},
      {"missing table as written", {"SELECT *", "FROM emp E, sales.Missing M"}, 0, 1, kTable, false,
       NameAt(10 + 12, 13)},
      {"every table present", {"SELECT * FROM EMP, SALES.ORDERS"}, 0, 0, kTable, true, kKeep},
      {"analysis refused, missing table still found", {"SELECT * FROM NOPE WHERE A IN (1, 2)"}, 0, 0, kTable, true,
       NameAt(14, 4)},
      {"analysis refused, tables present", {"SELECT * FROM EMP WHERE A IN (1, 2)"}, 0, 0, kTable, true, kRows},
      {"other error without selection", {"SELECT 1/0 FROM EMP"}, 0, 0, "JYP1234E division by zero", false, kRows},
      {"other error keeps a selection", {"SELECT 1/0 FROM EMP"}, 0, 0, "JYP1234E division by zero", true, kKeep},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SQLErrorPosition(c.rows, c.first, c.last, c.message, "SCOTT", c.hasSelection, Exists), c.expected)
        << c.what;
  }
}

TEST(FindWholeName, NeedsDelimitersOnBothSides) {
  const Rows rows = {"A_COL+COL_B COL2", "x(col)"};
  EXPECT_EQ(FindWholeName(rows, 0, 1, "col"), (TovTextRange{std::string("A_COL+COL_B COL2\r\nx(").size(), 3}));
  EXPECT_EQ(FindWholeName(rows, 0, 0, "col"), std::nullopt);
  EXPECT_EQ(FindWholeName(rows, 0, 1, ""), std::nullopt);
}

// The stand-in's own messages lead to the name through the real catalogue.
TEST(SQLErrorPosition, FindsNamesFromTheStandinsMessages) {
  testing_odbc::OdbcFixture odbc;
  odbc.CreateStandin("ADMIN", "secret");
  TovSQLConnection connection;
  connection.UserName = "ADMIN";
  connection.Password = "secret";
  connection.DataSource = "ORVTEST";
  connection.Connect();
  TovSQLQuery query(&connection);
  const auto exists = [&](const std::string& owner, const std::string& table) {
    return TableInAllTables(query, owner, table);
  };
  const auto failure = [&](const Rows& rows) {
    std::string text;
    for (const std::string& row : rows) text += row + "\n";
    try {
      TovSQLQuery failing(&connection);
      failing.SetSQL(text);
      failing.Open();
    } catch (const EDatabaseError& e) {
      return std::string(e.what());
    }
    return std::string();
  };
  const Rows columnRows = {"SELECT A.*,", "  a.NOCOL FROM RDBII_SYSTEM.RDBII_ASSISTTABLE A"};
  EXPECT_EQ(SQLErrorPosition(columnRows, 0, 1, failure({"SELECT NOCOL FROM RDBII_SYSTEM.RDBII_ASSISTTABLE"}), "ADMIN",
                             false, exists),
            NameAt(std::string("SELECT A.*,\r\n  a.").size(), 5));
  const Rows tableRows = {"SELECT * FROM rdbii_system.RDBII_ASSISTTABLE T,", "  NO_SUCH N"};
  EXPECT_EQ(SQLErrorPosition(tableRows, 0, 1, failure(tableRows), "ADMIN", true, exists),
            NameAt(std::string("SELECT * FROM rdbii_system.RDBII_ASSISTTABLE T,\r\n  ").size(), 7));
}

}  // namespace
