#include "objedit/core/fconstcore.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

const Lines kScript = {"CREATE TABLE S.T", "(", "    A    CHAR(4),", "    B    INTEGER,", "    C    INTEGER,",
                       "    UNIQUE(A, B)", ")", "ON DBSPACE1", ";", "CREATE DSO X (TYPE=SEQUENTIAL(ORDER(1)))", ";"};

TEST(ConstraintLine, ReplacesRemovesAndAdds) {
  EXPECT_EQ(UniqueLine({"A", "c"}), "    UNIQUE(A, \"c\")");
  struct Case {
    TConstraintChange change;
    std::optional<Lines> script;
  };
  Lines changed = kScript;
  changed[5] = "    UNIQUE(A, C)";
  Lines removed = kScript;
  removed.erase(removed.begin() + 5);
  removed[4] = "    C    INTEGER";
  Lines added = kScript;
  added[5] += ",";
  added.insert(added.begin() + 6, "    UNIQUE(C)");
  const std::vector<Case> cases = {
      {{"    UNIQUE(A, B)", "    UNIQUE(A, C)"}, changed},
      {{"    UNIQUE(A, B)", std::nullopt}, removed},
      {{"", "    UNIQUE(C)"}, added},
      // A line that is not there stops the rebuild.
      {{"    UNIQUE(B)", "    UNIQUE(C)"}, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ChangeConstraintLine(kScript, c.change), c.script);
  EXPECT_EQ(ChangeConstraintLine({"DROP TABLE X", ")"}, {"", "    UNIQUE(C)"}), std::nullopt);
}

TEST(ConstraintLine, QualifiesTheScript) {
  Lines script = {"CREATE TABLE T", "(", "CREATE TABLE S.U", "FROM V"};
  QualifyScript(script, "S");
  EXPECT_EQ(script, (Lines{"CREATE TABLE S.T", "(", "CREATE TABLE S.U", "FROM S.V"}));
}

}  // namespace
