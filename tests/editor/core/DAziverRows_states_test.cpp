#include <gtest/gtest.h>

#include <tuple>

#include "editor/core/DAziverMapping.h"
#include "recordingview.h"

namespace {

constexpr int kCommentRows = 200;
// The comment opens on row 1; its lines follow.
constexpr int kOpenRow = 1;
constexpr int kScanRows = 2 * TRecordingView::kScreenRows;

std::string CommentedScript() {
  std::string text = "select 1;\r\n/*\r\n";
  for (int i = 0; i < kCommentRows; ++i) text += "comment line\r\n";
  return text + "*/\r\nselect 2;";
}

}  // namespace

TEST(RowStates, AreComputedForTheWholeTextOrTheFirstScreen) {
  TRecordingView view;
  view.UseSqlFountain();
  view.BracketsFull = true;
  view.Lines().SetTextStr(CommentedScript());
  TEditorScreenStrings& list = view.List();
  for (int row = 0; row < list.GetCount(); ++row) ASSERT_NE(list.BracketIndex(row), kBracketNotComputed) << row;
  EXPECT_EQ(list.BracketIndex(kOpenRow + 1), 0) << "inside the comment";
  EXPECT_EQ(list.BracketIndex(list.GetCount() - 1), kNoBracket) << "after it";
  // The painter scans a row from its stored state.
  const std::unique_ptr<TFountainParser> parser = view.ActiveFountain()->CreateParser();
  EXPECT_EQ(Scan(*parser, list.Get(kOpenRow + 1), list.RowAttributeData(kOpenRow + 1)),
            (std::vector<TTok>{{toBracket, 0, 12}}));

  TRecordingView firstScreen;
  firstScreen.UseSqlFountain();
  firstScreen.SetTopRow(0);
  firstScreen.Lines().SetTextStr(CommentedScript());
  EXPECT_NE(firstScreen.List().BracketIndex(TRecordingView::kScreenRows), kBracketNotComputed);
  EXPECT_EQ(firstScreen.List().BracketIndex(TRecordingView::kScreenRows + 1), kBracketNotComputed);
}

TEST(RowStates, AnEditStopsWhereTheStoredStateMatches) {
  TRecordingView view;
  view.UseSqlFountain();
  view.BracketsFull = true;
  view.Lines().SetTextStr(CommentedScript());
  TEditorScreenStrings& list = view.List();
  view.Changes.clear();
  list.ReplaceRows(50, 1, Cells("commentX line\r\n"));
  ASSERT_EQ(view.Changes.size(), 1U);
  EXPECT_EQ(view.Changes[0].Recoloured, 2) << "the two re-wrapped rows, then row 52 matches";
  EXPECT_NE(list.BracketIndex(list.GetCount() - 1), kBracketNotComputed);
}

TEST(RowStates, AnEditInsideALongCommentScansAtMostTwoScreens) {
  TRecordingView view;
  view.UseSqlFountain();
  view.BracketsFull = true;
  view.Lines().SetTextStr(CommentedScript());
  TEditorScreenStrings& list = view.List();
  view.Changes.clear();
  view.Invalidated.clear();
  // The comment loses its opener: every row after it scans differently.
  list.ReplaceRows(kOpenRow, 1, Cells("-\r\n"));
  ASSERT_EQ(view.Changes.size(), 1U);
  const int limit = kOpenRow + kScanRows;
  EXPECT_EQ(view.Changes[0].Recoloured, kScanRows + 1);
  EXPECT_EQ(*view.Invalidated.begin(), kOpenRow);
  EXPECT_EQ(*view.Invalidated.rbegin(), limit);
  EXPECT_EQ(list.BracketIndex(limit), kNoBracket);
  for (int row = limit + 1; row < list.GetCount(); ++row) {
    ASSERT_EQ(list.BracketIndex(row), kBracketNotComputed) << row;
    ASSERT_EQ(list.States(row), "") << row;
  }
  // Scanning on from there computes the rest as the painter needs it.
  list.UpdateRowStates(limit + 1, false);
  EXPECT_EQ(list.BracketIndex(limit + kScanRows), kNoBracket);
}

namespace {

// Rows with comments opened and closed, strings, a line comment holding a
// bracket, TABs, a row past the drawn columns and one of blanks.
std::string MixedScript() {
  std::string text;
  for (int i = 0; i < 4 * TRecordingView::kScreenRows; ++i) {
    switch (i % 9) {
      case 0: text += "select 'a /* b' from t -- /* no\r\n"; break;
      case 1: text += "/* open\r\n"; break;
      case 2: text += "\tinside */ where x = \"q\"\r\n"; break;
      case 3: text += "   \r\n"; break;
      case 4: text += std::string(10010, 'a') + " /*\r\n"; break;
      case 5: text += "still comment */ and\t'it''s'\r\n"; break;
      case 6: text += "/* one */ select \xE6\x97\xA5\xE6\x9C\xAC /*\r\n"; break;
      case 7: text += "\r\n"; break;
      default: text += "*/ end;\r\n"; break;
    }
  }
  return text;
}

}  // namespace

// Both lists of the script, with soft wrap at `wrapWidth` columns (0: off):
// one with every state computed at once, one to be coloured row by row.
struct TScannedPair {
  TRecordingView Full;
  TRecordingView Painted;
  explicit TScannedPair(int wrapWidth) {
    for (TRecordingView* view : {&Full, &Painted}) {
      view->UseSqlFountain();
      if (wrapWidth > 0) {
        view->List().WrapOption().SetWrapByte(wrapWidth);
        view->List().SetWordWrap(true);
      }
    }
    Full.BracketsFull = true;
    Full.Lines().SetTextStr(MixedScript());
    Painted.SetTopRow(0);
    Painted.Lines().SetTextStr(MixedScript());
  }
};

void ExpectSameStates(const TEditorScreenStrings& rows, const TEditorScreenStrings& full) {
  ASSERT_EQ(rows.GetCount(), full.GetCount());
  for (int row = 0; row < rows.GetCount(); ++row) {
    const TRowAttributeData a = rows.RowAttributeData(row);
    const TRowAttributeData b = full.RowAttributeData(row);
    EXPECT_EQ(a.BracketIndex, b.BracketIndex) << row;
    EXPECT_EQ(std::tie(a.PrevRowAttribute, a.ElementIndex, a.Remain, a.WrappedByte, a.DataB, a.DataStr),
              std::tie(b.PrevRowAttribute, b.ElementIndex, b.Remain, b.WrappedByte, b.DataB, b.DataStr))
        << row;
  }
}

TEST(RowStates, ColouringRowsInOrderStoresTheStatesOfAFullScan) {
  TScannedPair pair(0);
  TEditorScreenStrings& rows = pair.Painted.List();
  const std::unique_ptr<TFountainParser> parser = pair.Painted.ActiveFountain()->CreateParser();
  TCellString scratch;
  std::vector<TRowToken> tokens;
  const std::unique_ptr<TFountainParser> reader = pair.Full.ActiveFountain()->CreateParser();
  for (int row = 0; row < rows.GetCount(); ++row) {
    const TCellString& display = DisplayText(rows, row, scratch);
    ScanRowTokens(rows, row, display, *parser, tokens);
    std::vector<TTok> seen;
    for (const TRowToken& t : tokens) seen.push_back({t.Kind, t.Start, t.Length});
    EXPECT_EQ(seen, Scan(*reader, display, pair.Full.List().RowAttributeData(row))) << row;
  }
  ExpectSameStates(rows, pair.Full.List());
}

// Wrapped rows hand their state on from the scan of their tokens, which
// runs into the next row: comments, strings and words cut at a row's end.
TEST(RowStates, ColouringWrappedRowsInOrderStoresTheStatesOfAFullScan) {
  constexpr int kNarrow = TEditorWrapOption::kMinWrapByte;
  TScannedPair pair(kNarrow);
  TEditorScreenStrings& rows = pair.Painted.List();
  ASSERT_GT(rows.GetCount(), 8 * TRecordingView::kScreenRows);
  const std::unique_ptr<TFountainParser> parser = pair.Painted.ActiveFountain()->CreateParser();
  TCellString scratch;
  std::vector<TRowToken> tokens;
  for (int row = 0; row < rows.GetCount(); ++row) ScanRowTokens(rows, row, DisplayText(rows, row, scratch), *parser, tokens);
  ExpectSameStates(rows, pair.Full.List());
}
