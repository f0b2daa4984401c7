#include "editor/core/DAziverRows.h"

#include <gtest/gtest.h>

#include "recordingview.h"

namespace {

constexpr int kW = TEditorWrapOption::kMinWrapByte;

std::string A(int n, char c = 'a') { return std::string(static_cast<size_t>(n), c); }

std::vector<int> MarkDump(const TEditorScreenStrings& list) {
  std::vector<int> marks;
  for (int i = 0; i < list.GetCount(); ++i) marks.push_back(list.RowMarks(i));
  return marks;
}

struct TEditCase {
  const char* name;
  int caretCol;
  int start, count;
  std::string text;
  std::vector<std::string> rows;
  std::vector<int> marks;
};

}  // namespace

TEST(ReplaceRows, MarksStayWithTheirLines) {
  // Rows "aaa", "bbb" (mark 1), "ccc" (mark 2), "ddd" (mark 4), the last without a break.
  const std::vector<TEditCase> cases = {
      {"typing a line at column 0 pushes the mark down", 0, 1, 1, "x\r\nbbb\r\n",
       {"aaa|0", "x|0", "bbb|0", "ccc|0", "ddd|2"}, {0, 0, 1, 2, 4}},
      {"a break typed after the text leaves the mark", 3, 1, 1, "bbb\r\nx\r\n",
       {"aaa|0", "bbb|0", "x|0", "ccc|0", "ddd|2"}, {0, 1, 0, 2, 4}},
      {"as many rows as before keep theirs", 1, 1, 1, "BBB\r\n", {"aaa|0", "BBB|0", "ccc|0", "ddd|2"}, {0, 1, 2, 4}},
      {"joining two lines ORs their marks", 3, 1, 1, "bbb", {"aaa|0", "bbbccc|0", "ddd|2"}, {0, 3, 4}},
      {"deleting whole lines ORs their marks into the next", 0, 1, 2, "", {"aaa|0", "ddd|2"}, {0, 7}},
      {"deleting the last lines ORs into the new last", 0, 2, 2, "", {"aaa|0", "bbb|0"}, {0, 7}},
      {"typing at the end of the text", 3, 3, 1, "dddd", {"aaa|0", "bbb|0", "ccc|0", "dddd|2"}, {0, 1, 2, 4}},
      {"a break typed at the end", 3, 3, 1, "ddd\r\n", {"aaa|0", "bbb|0", "ccc|0", "ddd|0"}, {0, 1, 2, 4}},
      {"inserting before a line takes no row", 0, 2, 0, "x\r\n", {"aaa|0", "bbb|0", "x|0", "ccc|0", "ddd|2"},
       {0, 1, 0, 2, 4}},
  };
  for (const TEditCase& c : cases) {
    TRecordingView view;
    view.Lines().SetTextStr("aaa\r\nbbb\r\nccc\r\nddd");
    TEditorScreenStrings& list = view.List();
    list.SetRowMarks(1, 1);
    list.SetRowMarks(2, 2);
    list.SetRowMarks(3, 4);
    list.IncludeMarks(7);
    view.SetCol(c.caretCol);
    view.Changes.clear();
    list.ReplaceRows(c.start, c.count, Cells(c.text));
    EXPECT_EQ(RowDump(list), c.rows) << c.name;
    EXPECT_EQ(MarkDump(list), c.marks) << c.name;
    ASSERT_EQ(view.Changes.size(), 1U) << c.name << ": one notification per edit";
    EXPECT_TRUE(view.Changes[0].Valid) << c.name;
    EXPECT_FALSE(list.LastChange().Valid) << "the record is for the notification";
  }
}

TEST(ReplaceRows, DeletingTheWholeTextDropsItsMarks) {
  TRecordingView view;
  view.Lines().SetTextStr("aaa\r\nbbb\r\n");
  view.List().SetRowMarks(1, 8);
  view.List().IncludeMarks(8 | 16);
  view.List().ReplaceRows(0, 2, {});
  EXPECT_EQ(view.List().GetCount(), 0);
  EXPECT_EQ(view.List().UsedMarks(), 16);
  EXPECT_EQ(view.Changes.back(), (TLastChange{0, 2, 0, 0, true}));
}

TEST(ReplaceRows, RangeOutsideTheTextChangesNothing) {
  TRecordingView view;
  view.Lines().SetTextStr("aaa\r\nbbb");
  TEditorScreenStrings& list = view.List();
  const std::vector<std::string> before = RowDump(list);
  view.Changes.clear();
  list.ReplaceRows(-1, 1, Cells("x"));
  list.ReplaceRows(1, 2, Cells("x"));
  list.ReplaceRows(0, 0, {});
  EXPECT_EQ(RowDump(list), before);
  EXPECT_TRUE(view.Changes.empty());
  EXPECT_FALSE(list.UndoObj().CanUndo());
  list.ReplaceRows(0, 0, Cells("x\r\n"));
  EXPECT_EQ(RowDump(list), (std::vector<std::string>{"x|0", "aaa|0", "bbb|2"}));
  TRecordingView empty;
  empty.List().ReplaceRows(0, 0, Cells("first"));
  EXPECT_EQ(RowDump(empty.List()), std::vector<std::string>{"first|2"});
  TRecordingView pasted;
  pasted.List().ReplaceRows(0, 0, Cells("a\rb\r"));
  EXPECT_EQ(RowDump(pasted.List()), (std::vector<std::string>{"a|0", "b|0"})) << "a final CR is a line break";
}

TEST(ReplaceRows, WrappedParagraphIsReWrappedFromTheRowBefore) {
  TRecordingView view;
  view.List().WrapOption().SetWrapByte(kW);
  view.List().SetWordWrap(true);
  view.Lines().SetTextStr(A(kW) + A(kW, 'b') + "\r\nzz\r\n");
  TEditorScreenStrings& list = view.List();
  ASSERT_EQ(RowDump(list), (std::vector<std::string>{A(kW) + "|1", A(kW, 'b') + "|1", "|0", "zz|0"}));
  EXPECT_EQ(list.ParagraphStart(2), 0);
  EXPECT_EQ(list.ParagraphEnd(0), 2);
  EXPECT_EQ(list.ParagraphEnd(3), 3);
  // Deleting the first letter of row 1 pulls a "b" back onto row 0's paragraph.
  view.Changes.clear();
  list.ReplaceRows(1, 1, Cells(A(kW - 1, 'b')));
  EXPECT_EQ(RowDump(list), (std::vector<std::string>{A(kW) + "|1", A(kW - 1, 'b') + "|0", "zz|0"}));
  EXPECT_EQ(view.Changes.back().Start, 0);
  EXPECT_EQ(view.Changes.back().Removed, 3);
  EXPECT_EQ(view.Changes.back().Inserted, 2);
}

TEST(RowList, RowsTextAndDeletion) {
  TRecordingView view;
  view.List().WrapOption().SetWrapByte(kW);
  view.List().SetWordWrap(true);
  view.Lines().SetTextStr("x\r\n" + A(kW + 5) + "\r\ny");
  TEditorScreenStrings& list = view.List();
  int kind = 0;
  int rows = 0;
  TCellString text;
  list.GetRowsText(1, -1, kind, rows, text);
  EXPECT_EQ(text.Utf8(), A(kW + 5) + "\r\n");
  EXPECT_EQ(rows, 2);
  EXPECT_EQ(kind, raCrlf);
  list.GetRowsText(3, 5, kind, rows, text);
  EXPECT_EQ(text.Utf8(), "y");
  EXPECT_EQ(kind, raEof);
  list.GetRowsText(4, 1, kind, rows, text);
  EXPECT_EQ(kind, kUndoNoText);
  EXPECT_EQ(rows, 0);
  EXPECT_TRUE(text.IsEmpty());

  list.SetRowMarks(1, 1);
  list.SetRowMarks(2, 2);
  list.SetStates(3, "state of y");
  EXPECT_EQ(list.DeleteRows(1, 2), 3);
  EXPECT_EQ(RowDump(list), (std::vector<std::string>{"x|0", "y|2"}));
  EXPECT_EQ(list.States(1), "state of y") << "a row's fields move with its text";
  EXPECT_EQ(list.DeleteRows(5, 1), 0);
  EXPECT_EQ(list.DeleteRows(0, 0), 0);
}

TEST(RowList, WordWrapOnAndOffKeepsMarksAndDropsTheHistory) {
  TRecordingView view;
  TEditorScreenStrings& list = view.List();
  list.WrapOption().SetWrapByte(kW);
  view.Lines().SetTextStr(A(2 * kW + 3) + "\r\nshort");
  list.SetRowMarks(0, 1);
  list.SetRowMarks(1, 2);
  list.ReplaceRows(1, 1, Cells("shorter"));
  ASSERT_TRUE(list.UndoObj().CanUndo());
  view.SetRow(3);
  view.SetCol(4);
  view.Refreshes = 0;

  list.SetWordWrap(true);
  EXPECT_EQ(RowDump(list), (std::vector<std::string>{A(kW) + "|1", A(kW) + "|1", "aaa|0", "shorter|2"}));
  EXPECT_EQ(MarkDump(list), (std::vector<int>{1, 0, 0, 2}));
  EXPECT_FALSE(list.UndoObj().CanUndo());
  EXPECT_EQ(view.Col(), 0);
  EXPECT_EQ(view.Row(), 3);
  EXPECT_GT(view.Refreshes, 0);

  list.SetRowMarks(2, 4);
  list.WrapOption().SetWrapByte(kW + 5);
  EXPECT_EQ(RowDump(list), (std::vector<std::string>{A(kW + 5) + "|1", A(kW - 2) + "|0", "shorter|2"}));
  EXPECT_EQ(MarkDump(list), (std::vector<int>{1, 4, 2})) << "surplus marks go to the paragraph's last row";

  list.SetWordWrap(false);
  EXPECT_EQ(RowDump(list), (std::vector<std::string>{A(2 * kW + 3) + "|0", "shorter|2"}));
  EXPECT_EQ(MarkDump(list), (std::vector<int>{5, 2}));
}

TEST(RowList, WrapRowCountOfOneLine) {
  TRecordingView view;
  TEditorScreenStrings& list = view.List();
  list.WrapOption().SetWrapByte(kW);
  EXPECT_EQ(list.WrapRowCount(Cells(A(3 * kW))), 1) << "soft wrap off";
  list.SetWordWrap(true);
  EXPECT_EQ(list.WrapRowCount(Cells(A(3 * kW))), 4);
  EXPECT_EQ(list.WrapRowCount(Cells(A(kW - 1))), 1);
}

TEST(RowList, LoadingOwnerDefersTheWrap) {
  TRecordingView view;
  view.Lines().SetTextStr(A(100));
  view.IsLoading = true;
  view.List().SetWordWrap(true);
  EXPECT_EQ(view.List().GetCount(), 1);
  EXPECT_TRUE(view.List().WordWrap());
}

TEST(RowList, ViewsShareOneTextUntilTheLastDetaches) {
  auto first = std::make_unique<TRecordingView>();
  TRecordingView second(&first->List());
  EXPECT_EQ(second.List().OwnerEditor(), first.get());
  second.HasFocus = true;
  EXPECT_EQ(second.List().ActiveEditor(), &second);
  first->Lines().SetTextStr("shared");
  first.reset();
  EXPECT_EQ(second.List().OwnerEditor(), &second);
  EXPECT_EQ(second.Lines().Get(0), "shared");
}

TEST(RowList, ClearEmptiesTextHistoryAndMarks) {
  TRecordingView view;
  view.Lines().SetTextStr("a\r\nb\r\nc");
  view.List().ReplaceRows(0, 1, Cells("A\r\n"));
  view.List().IncludeMarks(3);
  view.SetRow(2);
  view.SetCol(1);
  view.Changes.clear();
  view.List().Clear();
  EXPECT_EQ(view.List().GetCount(), 0);
  EXPECT_FALSE(view.List().UndoObj().CanUndo());
  EXPECT_EQ(view.List().UsedMarks(), 0);
  EXPECT_EQ(view.Row(), 0);
  EXPECT_EQ(view.Col(), 0);
  EXPECT_GT(view.SelectionCleans, 0);
  ASSERT_EQ(view.Changes.size(), 1U);
  EXPECT_EQ(view.Changes[0], (TLastChange{0, 3, 0, 0, true}));
}

// A wrap change cuts or joins only the paragraphs wider than a row: the
// others keep their rows, still bytes of the loaded text; the rows are
// those that loading the text with the new setting makes.
TEST(RowList, AWrapChangeTouchesOnlyTheParagraphsWiderThanARow) {
  const std::string text = "short\r\n" + A(2 * kW + 3) + "\r\n\xE6\x97\xA5\xE6\x9C\xAC " + A(kW, 'b') +
                           "\r\n\t" + A(kW - 4, 'c') + "\r\n\r\nlast " + A(kW, 'd');
  TRecordingView view;
  TEditorScreenStrings& list = view.List();
  list.WrapOption().SetWrapByte(kW);
  view.Lines().SetTextStr(text);
  const auto inLoadedText = [&list](int row) {
    size_t offset = 0;
    return list.SpanOf(row, offset) && list.Text().compare(offset, list.Bytes(row).size(), list.Bytes(row)) == 0;
  };
  const struct {
    bool wrap;
    int width;
  } steps[] = {{true, kW}, {true, kW + 5}, {true, 2 * kW + 3}, {false, kW}};
  for (const auto& step : steps) {
    SCOPED_TRACE(std::to_string(step.wrap) + " " + std::to_string(step.width));
    list.WrapOption().SetWrapByte(step.width);
    list.SetWordWrap(step.wrap);
    TRecordingView loaded;
    loaded.List().WrapOption().SetWrapByte(step.width);
    loaded.List().SetWordWrap(step.wrap);
    loaded.Lines().SetTextStr(text);
    EXPECT_EQ(RowDump(list), RowDump(loaded.List()));
    for (int row = 0; row < list.GetCount(); ++row) EXPECT_TRUE(inLoadedText(row)) << row;
  }
}
