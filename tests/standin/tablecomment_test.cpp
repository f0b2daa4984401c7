#include "standin/symfoware/tablecomment.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace symfoware
