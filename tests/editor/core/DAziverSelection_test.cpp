#include "editor/core/DAziverSelection.h"

#include <gtest/gtest.h>

#include "caretport.h"

namespace {

TEST(EditorSelection, SelStartWalksBytesWithLineBreaksCountingTwo) {
  struct Case {
    const char* text;
    int offset;
    int row;
    int col;
  };
  // "あ" is three bytes and two columns.
  for (const Case& c : {Case{"abc\r\ndef", 5, 1, 0}, Case{"abc\r\ndef", 4, 0, 3}, Case{"あbc\r\ndef", 7, 1, 0},
                        Case{"あbc\r\ndef", 5, 0, 4}, Case{"あbc\r\ndef", 3, 0, 2}, Case{"あbc\r\ndef", 99, 1, 3},
                        Case{"abc\r\n", 99, 1, 0}}) {
    TCaretFixture f(c.text);
    f.selection.SetSelStart(c.offset);
    EXPECT_EQ(f.caret.Row(), c.row) << c.text << " " << c.offset;
    EXPECT_EQ(f.caret.Col(), c.col) << c.text << " " << c.offset;
  }
  TCaretFixture f("あbc\r\ndef");
  f.caret.SetRowCol(1, 1);
  EXPECT_EQ(f.selection.SelStart(), 8);
}

TEST(EditorSelection, LengthAndTextOfNormalSelections) {
  struct Case {
    const char* text;
    int start;
    int length;
    const char* selected;
  };
  for (const Case& c : {Case{"abc\r\ndef", 0, 3, "abc"}, Case{"abc\r\ndef", 1, 5, "bc\r\nd"},
                        Case{"あbc\r\ndえf", 3, 8, "bc\r\ndえ"}, Case{"abc\r\ndef", 0, 99, "abc\r\ndef"}}) {
    TCaretFixture f(c.text);
    f.selection.SetSelStart(c.start);
    f.selection.SetSelLength(c.length);
    ASSERT_TRUE(f.selection.Selected()) << c.text;
    EXPECT_EQ(f.selection.SelText(), c.selected);
    EXPECT_EQ(f.selection.SelLength(), static_cast<int>(std::string(c.selected).size()));
    EXPECT_EQ(f.selection.SelStart(), c.start);
  }
}

TEST(EditorSelection, WrappedRowsJoinWithoutALineBreak) {
  TCaretFixture f(std::string(25, 'a') + "\r\nb");
  f.Wrap(20);
  f.selection.SelectAll();
  EXPECT_EQ(f.selection.SelText(), std::string(25, 'a') + "\r\nb");
  EXPECT_EQ(f.selection.SelLength(), 28);
}

TEST(EditorSelection, BoxTakesWholeCharactersAndEndsEachRowWithCrLf) {
  TCaretFixture f("abcd\r\nあいう\r\nx");
  f.selection.SetSelectionMode(smBox);
  f.Select(0, 1, 1, 4);
  // The box is columns 1..3: "あ" starts left of it, "い" inside, "う" right of it.
  EXPECT_EQ(f.selection.SelText(), "bcd\r\nい\r\n");
  EXPECT_EQ(f.selection.SelLength(), 10);
}

TEST(EditorSelection, RepaintsOnlyTheRowsWhoseSelectedStateChanged) {
  TCaretFixture f("a\r\nb\r\nc\r\nd\r\ne\r\nf");
  f.Select(1, 0, 2, 1);
  EXPECT_EQ(f.port.UpdateDepth, 1);
  f.port.Repaints.clear();
  f.caret.SetRowCol(4, 1);
  f.selection.UpdateSelection();
  ASSERT_EQ(f.port.Repaints.size(), 1u);
  EXPECT_EQ(f.port.Repaints[0], (std::pair{2, 4}));
  EXPECT_TRUE(f.selection.IsInSelection(3, 0));
  EXPECT_FALSE(f.selection.IsInSelection(4, 1));
  f.port.Repaints.clear();
  f.selection.CleanSelection();
  EXPECT_EQ(f.port.Repaints, (std::vector<std::pair<int, int>>{{0, 5}}));
  EXPECT_EQ(f.port.UpdateDepth, 0);
  EXPECT_EQ(f.selection.SelLength(), 0);
}

TEST(EditorSelection, LeftBarSelectsWholeRows) {
  TCaretFixture f("ab\r\ncd\r\nef");
  f.selection.StartRowSelection(1);
  EXPECT_EQ(f.selection.SelText(), "cd\r\n");
  f.selection.ExtendRowSelection(2);
  EXPECT_EQ(f.selection.SelText(), "cd\r\nef");
  f.selection.ExtendRowSelection(0);
  EXPECT_EQ(f.selection.SelText(), "ab\r\ncd\r\n");
  TCaretFixture last("ab\r\ncd");
  last.selection.StartRowSelection(7);
  EXPECT_EQ(last.selection.SelText(), "cd");
  EXPECT_EQ(last.caret.Row(), 1);
  EXPECT_EQ(last.caret.Col(), 0);
}

TEST(EditorSelection, HitStyles) {
  TCaretFixture f("select x from t");
  f.selection.SetHitStyle(hsDraw);
  f.caret.SetCol(7);
  f.selection.SetHit(1);
  EXPECT_EQ(f.selection.State(), stHit);
  EXPECT_TRUE(f.selection.Drawn());
  EXPECT_EQ(f.selection.HitLength(), 1);
  f.selection.SetHitStyle(hsCaret);
  EXPECT_EQ(f.selection.State(), stNone);
  f.caret.SetCol(9);
  f.selection.SetHit(4);
  EXPECT_EQ(f.selection.State(), stHit);
  EXPECT_FALSE(f.selection.Drawn());
  EXPECT_EQ(f.caret.Col(), 9);
  f.selection.SetHitStyle(hsSelect);
  f.selection.SetHit(6);
  EXPECT_TRUE(f.selection.Selected());
  EXPECT_EQ(f.selection.SelText(), "from t");
}

TEST(EditorSelection, ALengthPastTheEndLeavesTheCaretReportingItsMoves) {
  TCaretFixture f("abc");
  f.caret.SetCol(3);
  f.selection.SetSelLength(5);
  EXPECT_EQ(f.caret.Col(), 3);
  const int moves = f.port.Moves;
  f.caret.SetCol(1);
  EXPECT_EQ(f.port.Moves, moves + 1);
}

TEST(EditorSelection, EmptyTextSelectsNothing) {
  TCaretFixture f("");
  f.selection.SelectAll();
  f.selection.BeginSelection();
  EXPECT_EQ(f.selection.State(), stNone);
  EXPECT_EQ(f.selection.SelStart(), 0);
}

}  // namespace
