#include "standin/symfoware/rewriter.h"

#include <gtest/gtest.h>

#include "platform/sqlbackend.h"

namespace {

struct RewriteCase {
  const char* sql;
  const char* expected;
};

TEST(RewriteStatement, TurnsSymfowareSqlIntoSqlite) {
  const RewriteCase cases[] = {
      // lock and limit options
      {"SELECT A FROM T WITH OPTION LOCK_MODE(NO LOCK)", "SELECT A FROM T "},
      {"SELECT A FROM T WHERE TYPE = 'T'WITH OPTION LOCK_MODE(NO LOCK)", "SELECT A FROM T WHERE TYPE = 'T'"},
      {"SELECT * FROM T ORDER BY 1 WITH OPTION LIMIT (100)", "SELECT * FROM T ORDER BY 1  LIMIT 100"},
      {"SELECT * FROM T\r\n ORDER BY 2 DESC\r\n  \r\n WITH OPTION LIMIT (50)\r\n WITH OPTION LOCK_MODE(SHARE LOCK)\r\n",
       "SELECT * FROM T\r\n ORDER BY 2 DESC\r\n  \r\n  LIMIT 50\r\n \r\n"},
      {"SELECT * FROM T with option lock_mode(share lock), limit(5) ", "SELECT * FROM T  LIMIT 5 "},
      {"SELECT * FROM T WITH OPTION LOCK_MODE(NO LOCK)\nUNION SELECT * FROM U",
       "SELECT * FROM T \nUNION SELECT * FROM U"},
      // what is not an option clause stays
      {"CREATE VIEW V AS SELECT * FROM T WITH CHECK OPTION",
       "CREATE VIEW V AS SELECT * FROM T WITH CHECK OPTION"},
      {"SELECT 'WITH OPTION LOCK_MODE(NO LOCK)' FROM T", "SELECT 'WITH OPTION LOCK_MODE(NO LOCK)' FROM T"},
      {"SELECT XWITH OPTION FROM T", "SELECT XWITH OPTION FROM T"},
      // markers
      {"SELECT :A, ':B' FROM T WHERE C = :A", "SELECT ?, ':B' FROM T WHERE C = ?"},
      // typed literals
      {"SELECT N'漢字', DATE'2026-01-02', TIME '10:00:00', TIMESTAMP'2026-01-02 10:00:00'",
       "SELECT '漢字', '2026-01-02', '10:00:00', '2026-01-02 10:00:00'"},
      {"SELECT COLUMN_N'x'", "SELECT COLUMN_N'x'"},
      // schema-qualified functions in a query; elsewhere a name before "(" is a table's
      {"SELECT S1.F(1, 'a') FROM RDBII_SYSTEM.RDBII_ASSISTTABLE",
       "SELECT STANDIN_FUNCTION('S1', 'F', 1, 'a') FROM RDBII_SYSTEM.RDBII_ASSISTTABLE"},
      {"(SELECT \"s\".f () + T.C FROM T)", "(SELECT STANDIN_FUNCTION('s', 'F') + T.C FROM T)"},
      {"SELECT A.B.C(1), UPPER(T.C) FROM T", "SELECT A.B.C(1), UPPER(T.C) FROM T"},
      {"CREATE TABLE S1.T (C INTEGER)", "CREATE TABLE S1.T (C INTEGER)"},
      {"INSERT INTO S1.T (C) VALUES (1)", "INSERT INTO S1.T (C) VALUES (1)"},
      // sequence values
      {"SELECT Sales.ORDER_SEQ.NEXTVAL FROM RDBII_SYSTEM.RDBII_ASSISTTABLE",
       "SELECT NEXTVAL('SALES', 'ORDER_SEQ') FROM RDBII_SYSTEM.RDBII_ASSISTTABLE"},
      {"SELECT \"s1\".\"Se\"\"q\".nextval, 'A.B.NEXTVAL' -- C.D.NEXTVAL",
       "SELECT NEXTVAL('s1', 'Se\"q'), 'A.B.NEXTVAL' -- C.D.NEXTVAL"},
      {"SELECT S . Q\n.NEXTVAL", "SELECT NEXTVAL('S', 'Q')"},
      // Database names compare in upper case, trimmed or not.
      {"SELECT 1 FROM D WHERE TRIM(B.DB_NAME) = :DATABASE AND DB_NAME=:X AND DB_NAME = 'lit' AND DB_CODE = :C",
       "SELECT 1 FROM D WHERE TRIM(B.DB_NAME) = UPPER(?) AND DB_NAME=UPPER(?) AND DB_NAME = 'lit' AND DB_CODE = ?"},
      // interval types SQLite can parse; single fields and literals stay
      {"CREATE TABLE T (A INTERVAL DAY(2) TO SECOND, B interval year ( 3 )  to\r\nmonth, C INTERVAL HOUR(4))",
       "CREATE TABLE T (A INTERVAL DAY \"TO\" SECOND(2), B interval year \"TO\" month( 3 ), C INTERVAL HOUR(4))"},
      {"SELECT INTERVAL '1' DAY, 'INTERVAL DAY(2) TO SECOND', INTERVAL DAY(2) TO",
       "SELECT INTERVAL '1' DAY, 'INTERVAL DAY(2) TO SECOND', INTERVAL DAY(2) TO"},
  };
  for (const RewriteCase& c : cases) EXPECT_EQ(symfoware::RewriteStatement(c.sql), c.expected) << c.sql;
}

TEST(RewriteStatement, RefusesAnOptionClauseInsideParentheses) {
  for (const char* sql : {"SELECT COUNT(A) FROM (SELECT A FROM T WITH OPTION LOCK_MODE(NO LOCK)) AS D",
                          "SELECT * FROM T WHERE A IN (SELECT B FROM U with option limit(1))"})
    EXPECT_THROW(symfoware::RewriteStatement(sql), platform::SqlError) << sql;
  EXPECT_EQ(symfoware::RewriteStatement("SELECT COUNT(A) FROM (SELECT A FROM T) AS D WITH OPTION LOCK_MODE(NO LOCK)"),
            "SELECT COUNT(A) FROM (SELECT A FROM T) AS D ");
}

// Rewrites match whole tokens: nothing starts inside a literal, a quoted
// name or a comment, and what a rewrite drops never glues two literals into
// one.
TEST(RewriteStatement, NeverReachesIntoOrJoinsLiteralsAndQuotedNames) {
  const RewriteCase cases[] = {
      {"SELECT 'a'N'b' FROM T", "SELECT 'a' 'b' FROM T"},
      {"SELECT \"a\"N'b' FROM T", "SELECT \"a\" 'b' FROM T"},
      {"SELECT 'a'DATE '2026-01-02'", "SELECT 'a' '2026-01-02'"},
      {"SELECT 'a'WITH OPTION LOCK_MODE(NO LOCK)'b'", "SELECT 'a' 'b'"},
      {"SELECT (N'x')", "SELECT ('x')"},
      // a reference that would start inside a quoted name or run through a literal
      {"SELECT \"X\", 'a\".\"B\".NEXTVAL' FROM T", "SELECT \"X\", 'a\".\"B\".NEXTVAL' FROM T"},
      {"SELECT \"a.b.NEXTVAL\" FROM T", "SELECT \"a.b.NEXTVAL\" FROM T"},
      {"SELECT \"A\"\"\".B.NEXTVAL", "SELECT NEXTVAL('A\"', 'B')"},
      {"SELECT /* S.Q.NEXTVAL */ 1AB.C.NEXTVAL", "SELECT /* S.Q.NEXTVAL */ 1AB.C.NEXTVAL"},
      // bytes that are not UTF-8 pass unchanged
      {"SELECT '\x82\xa0', S.Q.NEXTVAL", "SELECT '\x82\xa0', NEXTVAL('S', 'Q')"},
  };
  for (const RewriteCase& c : cases) EXPECT_EQ(symfoware::RewriteStatement(c.sql), c.expected) << c.sql;
}

}  // namespace
