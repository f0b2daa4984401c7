#include "editor/core/DAziverCaret.h"

#include <gtest/gtest.h>

#include "caretport.h"

namespace {

constexpr int kTab4 = 4;
constexpr char kLetterTabLetter[] = "a\tb";

TEST(EditorMapping, TabRowAttributesDisplayTextAndPositions) {
  TCaretFixture f(kLetterTabLetter, kTab4);
  const TEditorScreenStrings& rows = f.view.List();
  EXPECT_EQ(GetRowAttrText(rows, 0), "12331");
  EXPECT_EQ(ExpandTabs(rows.Get(0), rows.AttrSettings()).Utf8(), "a\x1b\x1b\x1b" "b");
  EXPECT_EQ(ColToPos(GetRowAttrText(rows, 0), 2), 1);
  EXPECT_EQ(RowWidth(rows, 0), 5);
  EXPECT_EQ(GetRowAttrText(rows, 1), "");
  EXPECT_EQ(GetRowKind(rows, -1), raEof);
  EXPECT_EQ(LeadingBlankWidth(TCellString::FromUtf8(" \t\u3000x"), rows.AttrSettings()), 6);
  EXPECT_EQ(LeadingBlankWidth(TCellString(), rows.AttrSettings()), -1);
}

TEST(EditorMapping, SetColLeavesTabFillInTheDirectionOfTheMove) {
  TCaretFixture f(kLetterTabLetter, kTab4);
  f.caret.SetCol(2);
  EXPECT_EQ(f.caret.Col(), 4);
  f.caret.SetCol(2);
  EXPECT_EQ(f.caret.Col(), 1);
  f.caret.SetCol(0);
  f.caret.SetRowCol(0, 2);
  EXPECT_EQ(f.caret.Col(), 1);
  f.options.InTab = true;
  f.caret.SetCol(3);
  EXPECT_EQ(f.caret.Col(), 3);
}

TEST(EditorMapping, CaretNeverStandsOnATrailCell) {
  TCaretFixture f("あいう");
  f.caret.SetCol(1);
  EXPECT_EQ(f.caret.Col(), 2);
  f.caret.SetCol(3);
  EXPECT_EQ(f.caret.Col(), 4);
  f.caret.SetCol(3);
  EXPECT_EQ(f.caret.Col(), 2);
  f.caret.SetRowCol(0, 5);
  EXPECT_EQ(f.caret.Col(), 4);
  EXPECT_EQ(f.caret.Pos(), 4);
}

TEST(EditorMapping, KeepCaretReturnsToTheColumnAfterAShortRow) {
  const std::string longRow(40, 'x');
  for (const bool keep : {true, false}) {
    TCaretFixture f(longRow + "\r\nabcde\r\n" + longRow);
    f.options.FreeCaret = false;
    f.options.KeepCaret = keep;
    f.caret.SetRowCol(0, 30);
    f.caret.SetRow(1);
    EXPECT_EQ(f.caret.Col(), 5);
    f.caret.SetRow(2);
    EXPECT_EQ(f.caret.Col(), keep ? 30 : 5) << keep;
  }
}

TEST(EditorMapping, FreeCaretStandsBeyondTheRowUpToTheLimit) {
  TCaretFixture f("ab");
  f.caret.SetCol(8);
  EXPECT_EQ(f.caret.Col(), 8);
  EXPECT_EQ(f.caret.Pos(), 2);
  f.caret.SetCol(20000);
  EXPECT_EQ(f.caret.Col(), kMaxDrawnCol);
}

TEST(EditorMapping, SoftWrapKeepsTheCaretInsideAWrappedRow) {
  TCaretFixture f(std::string(25, 'a'));
  f.Wrap(20);
  ASSERT_EQ(f.view.List().GetCount(), 2);
  f.caret.SetCol(25);
  EXPECT_EQ(f.caret.Col(), 19);
  f.caret.MoveCaretToOffset(0, 20);
  EXPECT_EQ(f.caret.Row(), 1);
  EXPECT_EQ(f.caret.Col(), 0);
  EXPECT_EQ(RowToLine(f.view.List(), 1), 0);
}

TEST(EditorMapping, CaretRowCountAndTextLength) {
  struct Case {
    const char* text;
    int caretRows;
    int length;
  };
  for (const Case& c : {Case{"", 1, 0}, Case{"a", 1, 1}, Case{"a\r\n", 2, 3}, Case{"あ\r\nb", 2, 6}}) {
    TCaretFixture f(c.text);
    EXPECT_EQ(GetCaretRowCount(f.view.List()), c.caretRows) << c.text;
    EXPECT_EQ(GetTextLen(f.view.List()), c.length) << c.text;
  }
}

TEST(EditorMapping, CaretOnTheRowAfterTheLastOnlyAfterALineBreak) {
  TCaretFixture f("ab\r\ncd");
  f.caret.SetRow(5);
  EXPECT_EQ(f.caret.Row(), 1);
  TCaretFixture g("ab\r\n");
  g.caret.SetRow(5);
  EXPECT_EQ(g.caret.Row(), 1);
}

TEST(EditorMapping, PixelsToRowsAndPositions) {
  TCaretFixture f("aあ\tb\r\nc");
  const TEditorGeometry g{.TextLeft = 30, .TextTop = 10, .CellWidth = 8, .RowHeight = 16, .TopRow = 0, .TopCol = 0};
  EXPECT_EQ(PosToRowCol(g, 30 + 8 * 3 + 1, 10 + 16 + 2, false), (TRowCol{1, 3}));
  EXPECT_EQ(PosToRowCol(g, 30 + 8 * 3 + 5, 10, true), (TRowCol{0, 4}));
  EXPECT_EQ(PosToRowCol(g, 29, 10, false).Col, 0);
  struct Case {
    int col;
    bool found;
    int pos;
  };
  // Columns: a, lead, trail, TAB, fill x4, b.
  for (const Case& c : {Case{0, true, 0}, Case{2, true, 1}, Case{5, true, 3}, Case{8, true, 4}, Case{9, false, -1}}) {
    int row = 0;
    int pos = 0;
    EXPECT_EQ(PosToRowPos(f.view.List(), g, 30 + 8 * c.col + 1, 11, row, pos), c.found) << c.col;
    EXPECT_EQ(pos, c.pos) << c.col;
  }
  int row = 0;
  int pos = 0;
  EXPECT_FALSE(PosToRowPos(f.view.List(), g, 29, 11, row, pos));
  EXPECT_EQ(row, -1);
}

TEST(EditorMapping, ScrollingSidewaysMovesAQuarterPageAtLeast) {
  TCaretFixture f(std::string(200, 'a'));
  f.caret.SetVisible(20, 40);
  f.caret.SetCol(41);
  f.caret.ScrollCaretIntoView();
  EXPECT_EQ(f.caret.TopCol(), 10);
  f.caret.SetCol(100);
  f.caret.ScrollCaretIntoView();
  EXPECT_EQ(f.caret.TopCol(), 61);
  f.caret.SetCol(60);
  f.caret.ScrollCaretIntoView();
  EXPECT_EQ(f.caret.TopCol(), 51);
  f.caret.HScroll(scBottom, 0);
  EXPECT_EQ(f.caret.TopCol(), TEditorCaretModel::kScrollMax - 20);
}

TEST(EditorMapping, VerticalScrollStepsStayInRangeAndMayCarryTheCaret) {
  std::string text;
  for (int i = 0; i < 50; ++i) text += "row\r\n";
  TCaretFixture f(text);
  f.caret.SetVisible(21, 40);
  f.caret.VScroll(scPageDown, 0);
  EXPECT_EQ(f.caret.TopRow(), 21);
  f.caret.VScroll(scPageUp, 0);
  EXPECT_EQ(f.caret.TopRow(), 0);
  f.caret.VScroll(scLineUp, 0);
  EXPECT_EQ(f.caret.TopRow(), 0);
  f.options.LockScroll = true;
  f.caret.VScroll(scThumbTrack, 7);
  EXPECT_EQ(f.caret.TopRow(), 7);
  EXPECT_EQ(f.caret.Row(), 7);
  f.caret.VScroll(scBottom, 0);
  EXPECT_EQ(f.caret.TopRow(), 50);
}

}  // namespace

namespace {

TEST(EditorMapping, WordMoveStepsOverWordsAndRows) {
  TCaretFixture f("select a.b, c\r\nfrom t");
  f.view.UseSqlFountain();
  TFountain& sql = *f.view.ActiveFountain();
  std::vector<std::pair<int, int>> right;
  for (int i = 0; i < 8; ++i) {
    f.caret.WordMove(1, sql);
    right.push_back({f.caret.Row(), f.caret.Col()});
  }
  EXPECT_EQ(right, (std::vector<std::pair<int, int>>{{0, 7}, {0, 9}, {0, 12}, {0, 13}, {1, 0}, {1, 5}, {1, 6}, {1, 6}}));
  std::vector<std::pair<int, int>> left;
  for (int i = 0; i < 7; ++i) {
    f.caret.WordMove(-1, sql);
    left.push_back({f.caret.Row(), f.caret.Col()});
  }
  EXPECT_EQ(left, (std::vector<std::pair<int, int>>{{1, 5}, {1, 0}, {0, 13}, {0, 12}, {0, 9}, {0, 7}, {0, 0}}));
}

}  // namespace

TEST(EditorMapping, PageMoveCarriesTheCaretWithTheView) {
  std::string text;
  for (int i = 0; i < 60; ++i) text += "row\r\n";
  TCaretFixture f(text + "last");
  f.caret.SetVisible(21, 40);
  constexpr int kPageRange = 2;
  EXPECT_EQ(f.caret.PageRows(kPageRange), 20);
  f.caret.SetTopRow(30);
  f.caret.SetRow(35);
  f.caret.PageMove(-f.caret.PageRows(kPageRange));
  EXPECT_EQ(f.caret.TopRow(), 10);
  EXPECT_EQ(f.caret.Row(), 15);
  f.caret.PageMove(-f.caret.PageRows(kPageRange));
  EXPECT_EQ(f.caret.TopRow(), 0);
  EXPECT_EQ(f.caret.Row(), 5) << "the caret moves as far as the view did";
  f.caret.PageMove(-f.caret.PageRows(kPageRange));
  EXPECT_EQ(f.caret.Row(), 0) << "at the top the caret goes to row 0";
  f.caret.SetRow(45);
  f.caret.SetTopRow(45);
  f.caret.PageMove(f.caret.PageRows(kPageRange));
  EXPECT_EQ(f.caret.TopRow(), 61) << "the view stops at the row count";
  EXPECT_EQ(f.caret.Row(), 60) << "the caret on the last row, which has no line break";
  f.caret.PageMove(f.caret.PageRows(kPageRange));
  EXPECT_EQ(f.caret.TopRow(), 61) << "beyond the text nothing moves";
  f.caret.SetTopRow(60);
  f.caret.PageMove(1);
  EXPECT_EQ(f.caret.TopRow(), 60) << "nor from the last row without a line break";
}
