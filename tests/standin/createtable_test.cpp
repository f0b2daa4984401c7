#include "standin/symfoware/createtable.h"

#include <gtest/gtest.h>

#include "platform/sqlbackend.h"

namespace symfoware {
namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

TEST(TableComments, ColumnAndTableCommentsLeaveTheStatement) {
  const std::optional<TableComments> c = TakeTableComments(
      "CREATE TABLE S1.T\r\n(\r\n    C1 CHAR(4) NOT NULL COMMENT 'key''s',\r\n    \"c 2\" INTEGER DEFAULT 0 "
      "comment '件数',\r\n    PRIMARY KEY(C1)\r\n)\r\nCOMMENT '表'\r\nON DBSPACE1");
  ASSERT_TRUE(c);
  EXPECT_EQ(c->sql,
            "CREATE TABLE S1.T\r\n(\r\n    C1 CHAR(4) NOT NULL ,\r\n    \"c 2\" INTEGER DEFAULT 0 ,\r\n    "
            "PRIMARY KEY(C1)\r\n)\r\n\r\nON DBSPACE1");
  EXPECT_EQ(c->table, "表");
  EXPECT_EQ(c->columns, (Pairs{{"C1", "key's"}, {"c 2", "件数"}}));
}

TEST(TableComments, OnlyACreateTableWithACommentClause) {
  EXPECT_FALSE(TakeTableComments("CREATE TABLE S1.T (C1 CHAR(4) DEFAULT 'COMMENT ''x''')"));
  EXPECT_FALSE(TakeTableComments("CREATE TABLE S1.T (\"COMMENT\" INTEGER)"));
  EXPECT_FALSE(TakeTableComments("CREATE VIEW S1.V AS SELECT 1 COMMENT_X FROM S1.T"));
  EXPECT_FALSE(TakeTableComments("COMMENT 'x'"));
  const std::optional<TableComments> c = TakeTableComments("CREATE TABLE T (COMMENTS INTEGER COMMENT 'n')");
  ASSERT_TRUE(c);
  EXPECT_EQ(c->columns, (Pairs{{"COMMENTS", "n"}}));
}

TEST(ViewClauses, CommentsBeforeAsAndTheCheckOptionLeaveTheStatement) {
  struct Case {
    const char* sql;
    const char* plain;
    const char* view;
    Pairs columns;
    bool checkOption;
  };
  const Case cases[] = {
      {"CREATE VIEW S1.V\r\n    (A COMMENT 'x''s',\"b c\",D COMMENT '件')\r\nCOMMENT 'y'\r\nAS\r\nSELECT A, B, D FROM T "
       "WHERE A = 'COMMENT ''z'''\r\nWITH CHECK OPTION",
       "CREATE VIEW S1.V\r\n    (A ,\"b c\",D )\r\n\r\nAS\r\nSELECT A, B, D FROM T WHERE A = 'COMMENT ''z'''",
       "y", {{"A", "x's"}, {"D", "件"}}, true},
      // The query keeps its words: an alias COMMENT after AS is no clause.
      {"create view V as select X comment, 'a' FROM T with check option;", "create view V as select X comment, 'a' FROM T",
       "", {}, true},
      {"CREATE VIEW V AS SELECT 1 COMMENT_X FROM T", "CREATE VIEW V AS SELECT 1 COMMENT_X FROM T", "", {}, false},
  };
  for (const Case& c : cases) {
    const std::optional<ViewClauses> v = TakeViewClauses(c.sql);
    ASSERT_TRUE(v) << c.sql;
    EXPECT_EQ(v->sql, c.plain) << c.sql;
    EXPECT_EQ(v->comments.table, c.view) << c.sql;
    EXPECT_EQ(v->comments.columns, c.columns) << c.sql;
    EXPECT_EQ(v->checkOption, c.checkOption) << c.sql;
  }
  EXPECT_FALSE(TakeViewClauses("CREATE TABLE T (A INTEGER COMMENT 'x')"));
}

TEST(TemporaryTables, ClausesPastTheColumns) {
  std::optional<TemporaryTable> t = TakeTemporaryClauses(
      "CREATE GLOBAL TEMPORARY TABLE S1.T\r\n(\r\n    A CHAR(2) DEFAULT ')',\r\n    B INTEGER\r\n)\r\n"
      "ON COMMIT PRESERVE ROWS\r\nON S1 10,\"d 2\" 5");
  ASSERT_TRUE(t);
  EXPECT_EQ(t->sql, "CREATE TABLE S1.T\r\n(\r\n    A CHAR(2) DEFAULT ')',\r\n    B INTEGER\r\n)");
  EXPECT_TRUE(t->preserveRows);
  EXPECT_EQ(t->spaces, (Pairs{{"S1", "10"}, {"d 2", "5"}}));

  t = TakeTemporaryClauses("create global temporary table T (A INTEGER) on commit delete rows");
  ASSERT_TRUE(t);
  EXPECT_FALSE(t->preserveRows);
  EXPECT_TRUE(t->spaces.empty());

  // The data generator's copy: the server's default space.
  t = TakeTemporaryClauses("CREATE GLOBAL TEMPORARY TABLE S.T(\"A\" CHAR(2)) ON COMMIT DELETE ROWS ON DEFAULT DBSPACE 1");
  ASSERT_TRUE(t);
  EXPECT_TRUE(t->spaces.empty());

  EXPECT_FALSE(TakeTemporaryClauses("CREATE TABLE T (A INTEGER) ON D1"));
  for (const char* bad : {"CREATE GLOBAL TEMPORARY TABLE T (A INTEGER)",
                          "CREATE GLOBAL TEMPORARY TABLE T (A INTEGER) ON COMMIT DELETE ROWS ON S1",
                          "CREATE GLOBAL TEMPORARY TABLE T (A INTEGER"})
    EXPECT_THROW(TakeTemporaryClauses(bad), platform::SqlError) << bad;
}

}  // namespace
}  // namespace symfoware
