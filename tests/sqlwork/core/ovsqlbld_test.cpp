#include "sqlwork/core/ovsqlbld.h"

#include <gtest/gtest.h>

#include "app/core/ovoptions.h"

namespace {

TEST(ClauseReader, ReadsOneWordLiteralDelimiterOrBracketedGroup) {
  struct Case {
    std::string text;
    std::string stop;
    std::string clause;
    std::string rest;
  };
  const Case cases[] = {
      {"  select * FROM T", ";", "select", " * FROM T"},
      {"(SELECT 1 FROM T) X", ";", "(SELECT 1 FROM T)", " X"},
      {"( SELECT (1) )  Y", ";", "( SELECT (1) )", "  Y"},
      {"[a  b] c", ";", "[a b]", " c"},
      {"'it''s' x", ";", "'it'", "'s' x"},
      {"; SELECT", ";", "", "; SELECT"},
      {"GO", "GOTO", "", "GO"},  // either being a prefix of the other stops
      {"\t", ";", "", ""},
      {"(unclosed", ";", "(unclosed", ""},
  };
  for (const Case& c : cases) {
    std::string text = c.text;
    EXPECT_EQ(ReadClause(text, c.stop, kCommentsBlanksOnly), c.clause) << c.text;
    EXPECT_EQ(text, c.rest) << c.text;
  }
  std::string broken = "\r\n\r\nDROP TABLE T";
  EXPECT_EQ(ReadNextClause(broken, ";", kCommentsBlanksOnly), "DROP");
}

TEST(ClauseReader, CommentKindsRemoveTheirOwnCommentsOnly) {
  struct Case {
    int kind;
    std::string text;
    std::string rest;
    bool removed;
  };
  const Case cases[] = {
      {kCommentsBlanksOnly, " -- x\nA", "-- x\nA", true},
      {kCommentsBlanksOnly, "A", "A", false},
      {kCommentsSql, " -- x\n /* y */ -- z\rA", "A", true},
      {kCommentsSql, "/* open", "", true},
      {kCommentsSql, "# x\nA", "# x\nA", false},
      {kCommentsHash, "# x\r\n# y\nA", "A", true},
      {kCommentsSlashes, "// x\n/* y */A", "A", true},
      {kCommentsSlashes, "-- x\nA", "-- x\nA", false},
  };
  for (const Case& c : cases) {
    std::string text = c.text;
    EXPECT_EQ(SkipComments(text, c.kind), c.removed) << c.text;
    EXPECT_EQ(text, c.rest) << c.text;
  }
  std::string line = "a\rb\nc";
  SkipLine(line);
  EXPECT_EQ(line, "c");
  line = "a\rb";
  SkipLine(line);
  EXPECT_EQ(line, "b");
}

TEST(StatementKind, FirstClauseInAnyCase) {
  const std::string separator = ";";
  AppOption.Separator = separator;
  EXPECT_TRUE(IsSelectStatement("select * FROM T"));
  EXPECT_TRUE(IsSelectStatement("\t Select\r\n1"));
  EXPECT_FALSE(IsSelectStatement("(SELECT 1 FROM T)"));
  EXPECT_FALSE(IsSelectStatement("WITH X AS (SELECT 1 FROM T) SELECT * FROM X"));
  EXPECT_FALSE(IsSelectStatement("SELECTED"));
  EXPECT_TRUE(IsCreateStatement("create table T (A INT)"));
  EXPECT_TRUE(IsDropStatement("Drop TABLE T"));
  EXPECT_FALSE(IsDropStatement("; DROP TABLE T"));
}

TEST(EditorLines, CutAtLineFeedsAndJoinedWithCrLf) {
  using Lines = std::vector<std::string>;
  const std::pair<std::string, Lines> cases[] = {
      {"", {""}},
      {"a\r\nb", {"a", "b"}},
      {"a\nb\r\n", {"a", "b", ""}},
      {"\r\na\rb", {"", "a\rb"}},  // a lone CR stays in its line
  };
  for (const auto& [text, lines] : cases) {
    EXPECT_EQ(SQLTextLines(text), lines) << text;
    EXPECT_EQ(SQLTextLines(JoinSQLLines(lines)), lines) << text;
  }
  EXPECT_EQ(JoinSQLLines({"", "SELECT", "1"}), "\r\nSELECT\r\n1");
}

}  // namespace
