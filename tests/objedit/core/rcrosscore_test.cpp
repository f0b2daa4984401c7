#include "objedit/core/rcrosscore.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using Lines = std::vector<std::string>;

// A catalogue of uses: T1 <- V1 <- V2 <- V3 <- V4, P1 and TR1 use T1, TR1
// fires on T1 (so each side of the pair sees the other).
struct FakeCatalogue {
  // (side query, "schema.name", kind name) -> rows
  std::map<std::tuple<std::string, std::string, std::string>, std::vector<TCrossRow>> rows;
  Lines asked;

  void Use(const std::string& user, const std::string& userKind, const std::string& used, const std::string& usedKind) {
    const auto split = [](const std::string& text) { return SplitCrossNodeText(text); };
    const auto [us, un] = split(user);
    const auto [ds, dn] = split(used);
    rows[{kUsedObjectsSql, user, userKind}].push_back({ds, dn, usedKind});
    rows[{kUsingObjectsSql, used, usedKind}].push_back({us, un, userKind});
  }

  TCrossRowReader Reader() {
    return [this](const std::string& sql, const std::vector<std::string>& values,
                  const std::function<void(const TCrossRow&)>& each) {
      EXPECT_EQ(values.size(), 3u);
      const std::string object = values[0] + "." + values[1];
      asked.push_back((sql == kUsedObjectsSql ? "used " : "using ") + object + " " + values[2]);
      for (const TCrossRow& row : rows[{sql, object, values[2]}]) each(row);
    };
  }
};

FakeCatalogue Sample() {
  FakeCatalogue c;
  c.Use("S1.V1", "VIEW", "S1.T1", "TABLE");
  c.Use("S1.V2", "VIEW", "S1.V1", "VIEW");
  c.Use("S1.V2", "VIEW", "S2.T2", "TABLE");
  c.Use("S1.V3", "VIEW", "S1.V2", "VIEW");
  c.Use("S1.V4", "VIEW", "S1.V3", "VIEW");
  c.Use("S1.P1", "PROCEDURE", "S1.T1", "TABLE");
  c.Use("S1.TR1", "TRIGGER", "S1.T1", "TABLE");
  return c;
}

// The tree as indented lines "<depth blanks><text> <kind>".
void Flatten(const TCrossNode& node, int depth, Lines& out) {
  out.push_back(std::string(static_cast<size_t>(depth), ' ') + node.Text + " " + std::to_string(node.Kind));
  for (const TCrossNode& child : node.Children) Flatten(child, depth + 1, out);
}
Lines Flat(const TCrossNode& node) {
  Lines out;
  Flatten(node, 0, out);
  return out;
}

TEST(CrossTrees, UsedObjectsNestToTheLevelAndUsingObjectsOneDeeper) {
  FakeCatalogue c = Sample();
  EXPECT_EQ(Flat(BuildCrossTree(TCrossSide::Used, "S1", "V4", 47, 3, {}, c.Reader())),
            (Lines{"S1.V4 47", " S1.V3 47", "  S1.V2 47", "   S1.V1 47", "   S2.T2 45"}));
  // Each node within the depth runs its own query; the deepest ones none.
  EXPECT_EQ(c.asked, (Lines{"used S1.V4 VIEW", "used S1.V3 VIEW", "used S1.V2 VIEW"}));

  c.asked.clear();
  EXPECT_EQ(Flat(BuildCrossTree(TCrossSide::Using, "S1", "T1", 45, 3, {}, c.Reader())),
            (Lines{"S1.T1 45", " S1.V1 47", "  S1.V2 47", "   S1.V3 47", "    S1.V4 47", " S1.P1 51", " S1.TR1 57"}));
  EXPECT_EQ(c.asked, (Lines{"using S1.T1 TABLE", "using S1.V1 VIEW", "using S1.V2 VIEW", "using S1.V3 VIEW",
                            "using S1.P1 PROCEDURE", "using S1.TR1 TRIGGER"}));
}

TEST(CrossTrees, LevelOneShowsDirectUsesLeftAndTwoLevelsRight) {
  FakeCatalogue c = Sample();
  EXPECT_EQ(Flat(BuildCrossTree(TCrossSide::Used, "S1", "V2", 47, 1, {}, c.Reader())),
            (Lines{"S1.V2 47", " S1.V1 47", " S2.T2 45"}));
  EXPECT_EQ(c.asked.size(), 1u);
  EXPECT_EQ(Flat(BuildCrossTree(TCrossSide::Using, "S1", "T1", 45, 1, {}, c.Reader())),
            (Lines{"S1.T1 45", " S1.V1 47", "  S1.V2 47", " S1.P1 51", " S1.TR1 57"}));
}

TEST(CrossTrees, AHiddenKindGoesWithEverythingBelowIt) {
  FakeCatalogue c = Sample();
  EXPECT_EQ(Flat(BuildCrossTree(TCrossSide::Using, "S1", "T1", 45, 3, {47}, c.Reader())),
            (Lines{"S1.T1 45", " S1.P1 51", " S1.TR1 57"}));
  // The recursion never ran for the skipped view.
  EXPECT_EQ(c.asked, (Lines{"using S1.T1 TABLE", "using S1.P1 PROCEDURE", "using S1.TR1 TRIGGER"}));
  // The root is shown whatever its kind.
  EXPECT_EQ(Flat(BuildCrossTree(TCrossSide::Used, "S1", "V1", 47, 3, {45, 47}, c.Reader())), (Lines{"S1.V1 47"}));
}

TEST(CrossTrees, ANodeTextSplitsAtItsFirstDot) {
  EXPECT_EQ(SplitCrossNodeText("S.T"), (std::pair<std::string, std::string>{"S", "T"}));
  EXPECT_EQ(SplitCrossNodeText("S.T.U"), (std::pair<std::string, std::string>{"S", "T.U"}));
  EXPECT_EQ(SplitCrossNodeText("ST"), (std::pair<std::string, std::string>{"ST", ""}));
}

}  // namespace
