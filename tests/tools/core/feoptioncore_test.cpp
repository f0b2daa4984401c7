#include "tools/core/feoptioncore.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

TEST(EditorOptionWords, AWordWithABlankIsNamedTrimmed) {
  EXPECT_EQ(ReserveWordWithBlank({"SELECT", "  ORDER BY ", "GROUP"}), std::optional<std::string>("ORDER BY"));
  EXPECT_EQ(ReserveWordWithBlank({"SELECT", "\tFROM\t", ""}), std::nullopt);
  EXPECT_EQ(ReserveWordWithBlank({"A\tB"}), std::optional<std::string>("A\tB"));
}

TEST(EditorOptionWords, LinesAreTrimmedLeadingBlanksDroppedAndBreakPairsMadeOne) {
  struct Case {
    Lines In;
    Lines Out;
  };
  const Case cases[] = {
      {{"A", "", "", "", "B"}, {"A", "", "B"}},  // three empty lines leave one
      {{"A", "", "B"}, {"A", "B"}},
      {{"A", "", "", "B"}, {"A", "", "B"}},
      {{"", "  ", " A ", "B  "}, {"A", "B"}},
      {{"", ""}, {}},
      {{}, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(CleanReserveWords(c.In), c.Out) << testing::PrintToString(c.In);
}

TEST(EditorOptionColors, TheGridListHasSilverBeforeGrayThenNone) {
  const std::vector<TColor>& list = EditorColorList();
  ASSERT_EQ(list.size(), 17U);
  EXPECT_EQ(list[0], 0x000000U);
  EXPECT_EQ(list[7], 0xC0C0C0U);
  EXPECT_EQ(list[8], 0x808080U);
  EXPECT_EQ(list[15], 0xFFFFFFU);
  EXPECT_EQ(list[16], clNone);
  EXPECT_EQ(EditorColorIndex(0xFF0000), 12);
  EXPECT_EQ(EditorColorIndex(clNone), kNoColorIndex);
  EXPECT_EQ(EditorColorIndex(0x123456), kNoColorIndex);
}

}  // namespace
