#include "objedit/core/ffldlistcore.h"

#include <gtest/gtest.h>

#include "app/core/ovoptions.h"

namespace {

using Lines = std::vector<std::string>;

TEST(FieldChoice, ChosenNamesMatchIgnoringCaseAndQuoted) {
  AppOption.UserLowerName = false;
  const Lines columns{"ID", "NAME", "Mixed", "PRICE"};
  struct Case {
    const char* name;
    Lines chosen;
    Lines selected;
    Lines available;
  };
  const Case cases[] = {
      {"none chosen", {}, {}, {"ID", "NAME", "Mixed", "PRICE"}},
      {"catalogue order, not the caller's", {"PRICE", "ID"}, {"ID", "PRICE"}, {"NAME", "Mixed"}},
      {"lower case", {"name"}, {"NAME"}, {"ID", "Mixed", "PRICE"}},
      {"quoted form", {"\"Mixed\""}, {"Mixed"}, {"ID", "NAME", "PRICE"}},
      {"unknown names are dropped", {"NOSUCH", "ID"}, {"ID"}, {"NAME", "Mixed", "PRICE"}},
      {"all chosen shows as none", {"ID", "NAME", "Mixed", "PRICE"}, {}, {"ID", "NAME", "Mixed", "PRICE"}},
  };
  for (const Case& c : cases) {
    const TFieldChoice choice = SplitFieldChoice(columns, c.chosen);
    EXPECT_EQ(choice.Selected, c.selected) << c.name;
    EXPECT_EQ(choice.Available, c.available) << c.name;
  }
  EXPECT_EQ(SplitFieldChoice({}, {"ID"}).Available, Lines{});
}

TEST(FieldChoice, AnEmptyChoiceLeavesTheCallersList) {
  EXPECT_EQ(ChosenFieldList({"C", "A"}, {"A", "B"}), (Lines{"C", "A"}));
  EXPECT_EQ(ChosenFieldList({}, {"A", "B"}), (Lines{"A", "B"}));
  EXPECT_EQ(FieldListCaption("S1", "T1", "DB1"), "項目一覧 - S1.T1 @ DB1");
}

}  // namespace
