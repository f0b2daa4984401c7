#include "editor/core/DAziverUndo.h"

#include <gtest/gtest.h>

#include "recordingview.h"

namespace {

constexpr int kW = TEditorWrapOption::kMinWrapByte;

// Types `text` at the end of row 0 as the editor does: the row replaced.
void TypeAtEnd(TEditorScreenStrings& list, const std::string& text) {
  list.ReplaceRows(0, 1, Cells(list.Get(0).Utf8() + text + "\r\n"));
}

}  // namespace

TEST(Undo, KeepsTheLastSixtyFourEdits) {
  TRecordingView view;
  view.Lines().SetTextStr("\r\n");
  TEditorScreenStrings& list = view.List();
  constexpr int kEdits = 70;
  for (int i = 0; i < kEdits; ++i) TypeAtEnd(list, "x");
  EXPECT_EQ(list.UndoObj().UndoCount(), TEditorUndoObj::kDefaultUndoLimit);
  for (int i = 0; i < TEditorUndoObj::kDefaultUndoLimit; ++i) list.Undo();
  EXPECT_EQ(list.Get(0).Utf8(), std::string(kEdits - TEditorUndoObj::kDefaultUndoLimit, 'x'));
  EXPECT_FALSE(list.UndoObj().CanUndo());
  list.Undo();
  EXPECT_EQ(list.Get(0).Utf8(), std::string(kEdits - TEditorUndoObj::kDefaultUndoLimit, 'x'));
  for (int i = 0; i < TEditorUndoObj::kDefaultUndoLimit; ++i) list.Redo();
  EXPECT_EQ(list.Get(0).Utf8(), std::string(kEdits, 'x'));
}

TEST(Undo, TheLimitCanBeRaisedAndLowered) {
  TRecordingView view;
  view.Lines().SetTextStr("\r\n");
  TEditorScreenStrings& list = view.List();
  list.UndoObj().SetUndoLimit(3);
  for (int i = 0; i < 5; ++i) TypeAtEnd(list, "x");
  EXPECT_EQ(list.UndoObj().UndoLimit(), 3);
  EXPECT_EQ(list.UndoObj().UndoCount(), 3);
}

TEST(Undo, ANewEditEndsTheRedoChain) {
  TRecordingView view;
  view.Lines().SetTextStr("a\r\n");
  TEditorScreenStrings& list = view.List();
  TypeAtEnd(list, "b");
  TypeAtEnd(list, "c");
  list.Undo();
  EXPECT_TRUE(list.UndoObj().CanRedo());
  list.Redo();
  EXPECT_EQ(list.Get(0).Utf8(), "abc");
  list.Undo();
  TypeAtEnd(list, "d");
  EXPECT_FALSE(list.UndoObj().CanRedo());
  list.Redo();
  EXPECT_EQ(list.Get(0).Utf8(), "abd");
}

TEST(Undo, RestoresTheCaretInTheViewWithTheFocus) {
  TRecordingView view;
  TRecordingView other(&view.List());
  view.Lines().SetTextStr("line\r\n");
  view.SetRow(0);
  view.SetCol(4);
  view.HasFocus = true;
  TypeAtEnd(view.List(), "!");
  view.SetCol(5);
  view.HasFocus = false;
  other.HasFocus = true;
  other.SetCol(2);
  view.List().Undo();
  EXPECT_EQ(view.List().Get(0).Utf8(), "line") << "an edit of one view undone from the other";
  EXPECT_EQ(other.Col(), 4);
  EXPECT_EQ(view.Col(), 5);
  EXPECT_EQ(other.CaretHides, 0);
  other.SetCol(1);
  view.List().Redo();
  EXPECT_EQ(view.List().Get(0).Utf8(), "line!");
  EXPECT_EQ(other.Col(), 2) << "redo puts the caret where the undo found it";
}

TEST(Undo, DeletingTheWholeTextComesBackWithItsRowKinds) {
  TRecordingView view;
  view.Lines().SetTextStr("one\r\ntwo\r\nthree");
  TEditorScreenStrings& list = view.List();
  const std::vector<std::string> before = RowDump(list);
  list.ReplaceRows(0, list.GetCount(), {});
  EXPECT_EQ(list.GetCount(), 0);
  list.Undo();
  EXPECT_EQ(RowDump(list), before);
  list.Redo();
  EXPECT_EQ(list.GetCount(), 0);
  list.Undo();
  EXPECT_EQ(view.Lines().GetTextStr(), "one\r\ntwo\r\nthree");
}

TEST(Undo, InsideAWrappedParagraphReWrapsOnlyIt) {
  TRecordingView view;
  TEditorScreenStrings& list = view.List();
  list.WrapOption().SetWrapByte(kW);
  list.SetWordWrap(true);
  const std::string para(3 * kW - 2, 'p');
  view.Lines().SetTextStr("before\r\n" + para + "\r\nafter\r\n");
  const std::vector<std::string> rows = RowDump(list);
  ASSERT_EQ(rows.size(), 5U);
  // A letter typed in the middle row of the paragraph.
  list.ReplaceRows(2, 1, Cells("X" + list.Get(2).Utf8()));
  EXPECT_EQ(view.Lines().Get(1), std::string(kW, 'p') + "X" + std::string(2 * kW - 2, 'p'));
  view.Changes.clear();
  view.Invalidated.clear();
  list.Undo();
  EXPECT_EQ(RowDump(list), rows);
  ASSERT_EQ(view.Changes.size(), 1U);
  EXPECT_EQ(view.Changes[0].Start, 1);
  EXPECT_EQ(view.Changes[0].Removed, 3);
  EXPECT_EQ(view.Changes[0].Inserted, 3);
}

TEST(Undo, InsertionIntoAnEmptyTextUndoesToEmpty) {
  TRecordingView view;
  TEditorScreenStrings& list = view.List();
  list.ReplaceRows(0, 0, Cells("a\r\nb"));
  list.SetRowMarks(1, 2);
  list.IncludeMarks(2);
  list.Undo();
  EXPECT_EQ(list.GetCount(), 0);
  EXPECT_EQ(list.UsedMarks(), 0);
  list.Redo();
  EXPECT_EQ(RowDump(list), (std::vector<std::string>{"a|0", "b|2"}));
}
