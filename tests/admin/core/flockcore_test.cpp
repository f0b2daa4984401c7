#include "admin/core/flockcore.h"

#include <gtest/gtest.h>

namespace {

TEST(ParseLocks, RowsUnderTheirDsi) {
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    std::vector<TLockRow> rows;
  } cases[] = {
      {"two DSI blocks, headings and blanks skipped",
       {"RDBII rdblkinf ロック情報", "Status  Uid    Pid   Sid  Type  Module   Unit  Purpose", "", "   ",
        "DSI-name : DB01.EMP_DSI1", "GRANT   HR     4711  12   ODBC  orv/orv  ROW   EX",
        "WAIT    SCOTT  4800  13   ODBC  sqlapp   ROW   SH", "DSI-name : DB01.DEPT_DSI",
        "GRANT   SCOTT  4800  13   ODBC  sqlapp   DSI   SH"},
       {{"DB01.EMP_DSI1", "4711", "12", "GRANT", "HR", "ODBC", "orv/orv", "ROW", "EX"},
        {"DB01.EMP_DSI1", "4800", "13", "WAIT", "SCOTT", "ODBC", "sqlapp", "ROW", "SH"},
        {"DB01.DEPT_DSI", "4800", "13", "GRANT", "SCOTT", "ODBC", "sqlapp", "DSI", "SH"}}},
      {"lines before the first DSI",
       {"GRANT HR 4711 12 ODBC orv/orv ROW EX", "DSI-name : D1", "WAIT A 1 2"},
       {{"", "4711", "12", "GRANT", "HR", "ODBC", "orv/orv", "ROW", "EX"}, {"D1", "1", "2", "WAIT", "A", "", "", "", ""}}},
      {"only headings", {"RDBII rdblkinf ロック情報", "Status Uid Pid"}, {}},
      {"no output", {}, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseLocks(c.lines), c.rows) << c.name;
}

}  // namespace
