#include <gtest/gtest.h>

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
