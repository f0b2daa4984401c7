#include "objedit/core/fddlexeccore.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

// Every batch a list falls into, and what stays in the list after each.
std::vector<Lines> AllBatches(Lines list) {
  std::vector<Lines> batches;
  while (std::optional<Lines> batch = TakeDDLBatch(list, ";")) batches.push_back(*batch);
  EXPECT_TRUE(list.empty());
  return batches;
}

TEST(DDLBatches, SplitAtExactSeparatorLinesOnly) {
  struct Case {
    const char* name;
    Lines list;
    std::vector<Lines> batches;
  };
  const Case cases[] = {
      {"one statement per batch", {"A", ";", "B", "C", ";"}, {{"A"}, {"B", "C"}}},
      {"no separator: one batch", {"A", "B"}, {{"A", "B"}}},
      {"a blank before or after the separator is text", {"A", " ;", "B", "; "}, {{"A", " ;", "B", "; "}}},
      {"adjacent and leading separators", {";", "A", ";", ";", "B"}, {{"A"}, {"B"}}},
      {"lines after the last separator", {"A", ";", "B"}, {{"A"}, {"B"}}},
      {"blank batches are passed over", {"A", ";", "", "  \t", ";", "B", ";", ""}, {{"A"}, {"B"}}},
      {"blank lines inside a batch stay", {"", "A", "", ";"}, {{"", "A", ""}}},
      {"an empty list", {}, {}},
      {"case counts", {"A", ";", "b"}, {{"A"}, {"b"}}},
  };
  for (const Case& c : cases) EXPECT_EQ(AllBatches(c.list), c.batches) << c.name;
}

TEST(DDLBatches, TakingOneLeavesTheRestOfTheList) {
  Lines list{"A", ";", "", ";", "B", ";", "C"};
  EXPECT_EQ(TakeDDLBatch(list, ";"), Lines{"A"});
  EXPECT_EQ(list, (Lines{"", ";", "B", ";", "C"}));
  EXPECT_EQ(TakeDDLBatch(list, ";"), Lines{"B"});
  EXPECT_EQ(list, Lines{"C"});
  // Another separator setting is compared as exactly.
  Lines slash{"A", "/", "B", ";"};
  EXPECT_EQ(TakeDDLBatch(slash, "/"), Lines{"A"});
  EXPECT_EQ(slash, (Lines{"B", ";"}));
}

TEST(DDLTexts, CaptionsFileNamesAndLogLines) {
  EXPECT_EQ(DDLPreviewCaption("S1", "T1"), "S1.T1 のコンパイル");
  EXPECT_EQ(DDLPreviewCaption("", "R1"), "R1 のコンパイル");
  EXPECT_EQ(DDLPreviewFileName("S1", "T1"), "S1.T1.sql");
  EXPECT_EQ(DDLPreviewFileName("", "R1"), "R1.sql");
  EXPECT_EQ(DDLErrorCountLine(0), "エラー: 0 件");
  EXPECT_EQ(DDLErrorCountLine(12), "エラー: 12 件");
  EXPECT_EQ(CrLfText({"A", "", "B"}), "A\r\n\r\nB\r\n");
  EXPECT_EQ(MessageLines("first\r\nsecond\n"), (Lines{"first", "second"}));
  EXPECT_EQ(MessageLines("one"), Lines{"one"});
}

}  // namespace
