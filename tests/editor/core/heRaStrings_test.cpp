#include "editor/core/heRaStrings.h"

#include <gtest/gtest.h>

TEST(RowWords, InsideBracketThreeWrappedAfterALineBreak) {
  TRowAttributeStringList rows;
  rows.Add(TCellString::FromUtf8("x"));
  rows.SetRows(0, raWrapped);
  rows.SetPrevRows(0, raCrlf);
  rows.SetBracketIndex(0, 3);
  const uint32_t a = rows.DataA(0);
  EXPECT_EQ(a & 0x3, 1U);
  EXPECT_EQ((a >> 2) & 0x3, 0U);
  EXPECT_EQ((a >> 4) & 0xF, 5U);
  EXPECT_EQ(rows.BracketIndex(0), 3);
}

TEST(RowWords, BracketIndexRoundTrips) {
  TRowAttributeStringList rows;
  rows.Add(TCellString::FromUtf8("x"));
  for (int index : {kBracketNotComputed, kNoBracket, 0, 13}) {
    rows.SetBracketIndex(0, index);
    EXPECT_EQ(rows.BracketIndex(0), index);
  }
  EXPECT_EQ(TRowAttributeStringList().GetCount(), 0);
  rows.SetDataA(0, 0);
  EXPECT_EQ(rows.BracketIndex(0), kBracketNotComputed) << "a fresh word is not computed";
}

TEST(RowWords, EachSetterWritesOnlyItsBits) {
  TRowAttributeStringList rows;
  rows.Add(TCellString::FromUtf8("x"));
  const TRowAttributeData data{raEof, raWrapped, 12, 0xAB, 0xCD, 0xEF, 24, 0x5A, "s"};
  rows.SetRowAttributeData(0, data);
  rows.SetRowMarks(0, 0x8001);
  EXPECT_EQ(rows.DataA(0), 0xEFCDABE6U);
  EXPECT_EQ(rows.DataB(0), 0x80015A18U);
  const TRowAttributeData back = rows.RowAttributeData(0);
  EXPECT_EQ(back.RowAttribute, raEof);
  EXPECT_EQ(back.PrevRowAttribute, raWrapped);
  EXPECT_EQ(back.BracketIndex, 12);
  EXPECT_EQ(back.ElementIndex, 0xAB);
  EXPECT_EQ(back.Remain, 0xCD);
  EXPECT_EQ(back.DataA, 0xEF);
  EXPECT_EQ(back.WrappedByte, 24);
  EXPECT_EQ(back.DataB, 0x5A);
  EXPECT_EQ(back.DataStr, "s");
  EXPECT_EQ(rows.RowMarks(0), 0x8001);
}

TEST(RowWords, NotComputedKeepsOnlyTheKindAndTheMarks) {
  TRowAttributeStringList rows;
  rows.Add(TCellString::FromUtf8("x"));
  rows.SetRowAttributeData(0, {raWrapped, raEof, 12, 0xAB, 0xCD, 0xEF, 24, 0x5A, "s"});
  rows.SetRowMarks(0, 0x8001);
  rows.SetStateNotComputed(0);
  const TRowAttributeData back = rows.RowAttributeData(0);
  TRowAttributeData expected;
  expected.RowAttribute = raWrapped;
  EXPECT_EQ(back.RowAttribute, expected.RowAttribute);
  EXPECT_EQ(back.PrevRowAttribute, expected.PrevRowAttribute);
  EXPECT_EQ(back.BracketIndex, kBracketNotComputed);
  EXPECT_EQ(back.ElementIndex + back.Remain + back.DataA + back.WrappedByte + back.DataB, 0);
  EXPECT_EQ(back.DataStr, "");
  EXPECT_EQ(rows.RowMarks(0), 0x8001);
  rows.SetRowAttributeData(0, {raEof, raCrlf, 3, 1, 2, 3, 4, 5, ""});
  EXPECT_EQ(rows.RowMarks(0), 0x8001) << "a state leaves the marks";
}
