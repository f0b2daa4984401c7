#include "ui/core/ovstdctlcore.h"

#include <gtest/gtest.h>

#include <clocale>

TEST(NumberFilter, KeepsDigitsTheLastPointAndAnAllowedMinus) {
  struct Case {
    const char* typed;
    bool allowMinus;
    const char* shown;
  } cases[] = {
      {"1-2.3.4", false, "123.4"}, {"1-2.3.4", true, "-123.4"}, {"-", true, "-"},   {"-", false, ""},
      {"12a3", false, "123"},      {"..5", false, ".5"},        {"5.", false, "5."}, {"", true, ""},
      {"１２", false, ""},  // full-width digits are no digits here
  };
  for (const Case& c : cases) EXPECT_EQ(FilterNumberText(c.typed, c.allowMinus), c.shown) << c.typed;
}

TEST(NumberReading, ReadsDecimalTextsAndFallsBackToTheDefault) {
  EXPECT_EQ(TextToFloatDef("123.5", -1), 123.5L);
  EXPECT_EQ(TextToFloatDef(" -2.25 ", -1), -2.25L);
  EXPECT_EQ(TextToFloatDef("+7", -1), 7.0L);
  EXPECT_EQ(TextToFloatDef(".5", -1), 0.5L);
  for (const char* bad : {"", "  ", "-", "abc", "1,5", "inf", "nan", "1.2.3", "++1"})
    EXPECT_EQ(TextToFloatDef(bad, -1), -1.0L) << bad;
}

TEST(NumberReading, IgnoresACommaDecimalLocale) {
  const char* old = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = old ? old : "C";
  if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) GTEST_SKIP() << "no comma locale installed";
  EXPECT_EQ(TextToFloatDef("0.75", 0), 0.75L);
  std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(NumberReading, RoundsHalvesToTheEvenNeighbour) {
  EXPECT_EQ(RoundToInteger(TextToFloatDef("2.5", 0)), 2);
  EXPECT_EQ(RoundToInteger(TextToFloatDef("3.5", 0)), 4);
  EXPECT_EQ(RoundToInteger(TextToFloatDef("-2.5", 0)), -2);
  EXPECT_EQ(RoundToInteger(TextToFloatDef("no number", 0)), 0);
  EXPECT_EQ(RoundToInteger(TextToFloatDef("99999999999999999999", 0)), 2147483647);
}

TEST(NumberWriting, AnEmptyEditStaysEmptyForZeroOnly) {
  EXPECT_EQ(IntegerText("", 0), "");
  EXPECT_EQ(IntegerText("", 12), "12");
  EXPECT_EQ(IntegerText("5", 0), "0");
  EXPECT_EQ(IntegerText("5", -3), "-3");
}

TEST(EmptyText, BlanksAndControlCharactersCountAsEmpty) {
  EXPECT_TRUE(IsBlankText(""));
  EXPECT_TRUE(IsBlankText("  \t\r\n"));
  EXPECT_FALSE(IsBlankText(" a "));
  EXPECT_FALSE(IsBlankText("\u3000"));
}

TEST(FocusWalking, ArrowKeysByCaretPlace) {
  using K = TArrowKey;
  using M = TFocusMove;
  struct Case {
    bool combo;
    bool dropDownList;
    K key;
    TCaretPlace caret;
    M move;
  } cases[] = {
      {false, false, K::Left, {0, 3, false}, M::Previous},  {false, false, K::Left, {0, 3, true}, M::None},
      {false, false, K::Left, {2, 3, false}, M::None},      {false, false, K::Right, {3, 3, false}, M::Next},
      {false, false, K::Right, {1, 3, false}, M::None},     {false, false, K::Up, {1, 3, false}, M::Previous},
      {false, false, K::Down, {1, 3, false}, M::Next},      {true, false, K::Left, {0, 3, false}, M::Previous},
      {true, false, K::Left, {0, 3, true}, M::None},        {true, false, K::Right, {2, 3, false}, M::None},
      {true, true, K::Left, {2, 3, false}, M::Previous},    {true, true, K::Right, {0, 3, false}, M::Next},
      {true, true, K::Up, {0, 3, false}, M::None},          {true, false, K::Down, {3, 3, false}, M::None},
  };
  for (const Case& c : cases) {
    const M got = c.combo ? ComboArrowMove(c.key, c.dropDownList, c.caret) : EditArrowMove(c.key, c.caret);
    EXPECT_EQ(got, c.move) << c.combo << c.dropDownList << static_cast<int>(c.key) << c.caret.Position;
  }
}
