#include "standin/symfoware/rewriter.h"

#include <gtest/gtest.h>

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
      // sequence values
      {"SELECT Sales.ORDER_SEQ.NEXTVAL FROM RDBII_SYSTEM.RDBII_ASSISTTABLE",
       "SELECT NEXTVAL('SALES', 'ORDER_SEQ') FROM RDBII_SYSTEM.RDBII_ASSISTTABLE"},
      {"SELECT \"s1\".\"Se\"\"q\".nextval, 'A.B.NEXTVAL' -- C.D.NEXTVAL",
       "SELECT NEXTVAL('s1', 'Se\"q'), 'A.B.NEXTVAL' -- C.D.NEXTVAL"},
  };
  for (const RewriteCase& c : cases) EXPECT_EQ(symfoware::RewriteStatement(c.sql), c.expected) << c.sql;
}

}  // namespace
