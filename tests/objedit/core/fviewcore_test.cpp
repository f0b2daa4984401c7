#include "objedit/core/fviewcore.h"

#include <gtest/gtest.h>

#include "app/core/ovoptions.h"

namespace {

using Lines = std::vector<std::string>;

TEST(ViewEditorRules, CreateLinesLongAndShort) {
  AppOption.UserLowerName = false;
  const TViewDef v1{"USR1.", "V1", {{"A", "x"}, {"B", ""}}, "y", "SELECT A, B\r\nFROM USR1.T1", false};
  EXPECT_EQ(ViewCreateLines(v1, true),
            (Lines{"CREATE VIEW USR1.V1", "    (A COMMENT 'x',B)", "COMMENT 'y'", "AS", "SELECT A, B", "FROM USR1.T1"}));
  EXPECT_EQ(ViewCreateLines(v1, false), (Lines{"CREATE VIEW USR1.V1 AS", "SELECT A, B", "FROM USR1.T1"}));

  TViewDef quoted{"", "v2", {{"C", "it's"}}, "", "SELECT C FROM T", true};
  EXPECT_EQ(ViewCreateLines(quoted, true),
            (Lines{"CREATE VIEW \"v2\"", "    (C COMMENT 'it''s')", "AS", "SELECT C FROM T", "WITH CHECK OPTION"}));
  EXPECT_EQ(ViewCreateLines(quoted, false), (Lines{"CREATE VIEW \"v2\" AS", "SELECT C FROM T", "WITH CHECK OPTION"}));
}

TEST(ViewEditorRules, ColumnListBreaksPastSeventyColumns) {
  AppOption.UserLowerName = false;
  TViewDef def{"S.", "V", {}, "", "SELECT 1", false};
  // 12 names of 9 characters plus a comma: the text passes 70 after the 7th.
  for (int i = 1; i <= 12; ++i)
    def.Columns.push_back({"COLUMN_" + std::string(i < 10 ? "0" : "") + std::to_string(i), ""});
  const Lines lines = ViewCreateLines(def, true);
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[1], "    (COLUMN_01,COLUMN_02,COLUMN_03,COLUMN_04,COLUMN_05,COLUMN_06,COLUMN_07,");
  EXPECT_EQ(lines[2], "    COLUMN_08,COLUMN_09,COLUMN_10,COLUMN_11,COLUMN_12)");
  EXPECT_EQ(lines[3], "AS");

  // Crossing the limit on the last column does not leave an empty line.
  def.Columns.resize(7);
  EXPECT_EQ(ViewCreateLines(def, true)[1], "    (COLUMN_01,COLUMN_02,COLUMN_03,COLUMN_04,COLUMN_05,COLUMN_06,COLUMN_07)");

  // Wide characters count two columns each, not their three bytes: 25 of
  // them stay under the limit.
  std::string wideName;
  for (int i = 0; i < 25; ++i) wideName += "項";
  const TViewDef wide{"S.", "V", {{wideName, ""}, {"B", ""}}, "", "SELECT 1", false};
  const Lines w = ViewCreateLines(wide, true);
  ASSERT_EQ(w.size(), 4u);
  EXPECT_EQ(w[2], "AS");
}

TEST(ViewEditorRules, DropStatement) {
  AppOption.UserLowerName = false;
  EXPECT_EQ(DropViewStatement("USR1", "v1"), "DROP VIEW USR1.\"v1\"");
}

TEST(ViewEditorRules, SkeletonAndReplacement) {
  AppOption.UserLowerName = false;
  EXPECT_EQ(NewViewSkeleton("USR1.", "V1"), (Lines{"CREATE VIEW USR1.V1 AS", "SELECT"}));
  EXPECT_EQ(NewViewSkeleton("", "v1"), (Lines{"CREATE VIEW \"v1\" AS", "SELECT"}));

  struct Case {
    const char* what;
    bool schema;
    const char* from;
    const char* to;
    Lines before;
    Lines after;
    bool replaced;
  };
  const Case cases[] = {
      {"schema, first line holding it, ignoring case", true, "USR1", "USR2",
       {"-- usr1", "CREATE VIEW usr1.V1 AS", "SELECT * FROM USR1.T"},
       {"-- usr1", "CREATE VIEW USR2.V1 AS", "SELECT * FROM USR1.T"}, true},
      {"name after the dot", false, "V1", "V9", {"CREATE VIEW USR1.V1 AS", "SELECT"},
       {"CREATE VIEW USR1.V9 AS", "SELECT"}, true},
      {"name only its first occurrence", false, "V", "W", {"CREATE VIEW S.V AS SELECT * FROM S.V2"},
       {"CREATE VIEW S.W AS SELECT * FROM S.V2"}, true},
      {"no line holds the old schema", true, "OLD", "NEW", {"CREATE VIEW USR1.V1 AS", "SELECT"},
       {"CREATE VIEW USR1.V1 AS", "SELECT"}, false},
      {"no line holds the old name", false, "X", "Y", {"CREATE VIEW USR1.V1 AS"}, {"CREATE VIEW USR1.V1 AS"}, false},
      {"an empty old value changes nothing", false, "", "Y", {"CREATE VIEW USR1.V1 AS"},
       {"CREATE VIEW USR1.V1 AS"}, false},
  };
  for (const Case& c : cases) {
    Lines lines = c.before;
    const bool replaced = c.schema ? ReplaceSchemaInSource(lines, c.from, c.to) : ReplaceNameInSource(lines, c.from, c.to);
    EXPECT_EQ(replaced, c.replaced) << c.what;
    EXPECT_EQ(lines, c.after) << c.what;
  }
}

}  // namespace
