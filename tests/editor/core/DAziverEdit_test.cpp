#include "editor/core/DAziverEdit.h"

#include <gtest/gtest.h>

#include "caretport.h"

namespace {

TEST(EditorEditText, RemainderOfANormalSelectionJoinsItsEnds) {
  TCaretFixture f("abcd\r\nefgh\r\nij");
  f.Select(0, 1, 1, 2);
  const TRemainder rest = BuildRemainder(f.view.List(), f.selection);
  ASSERT_EQ(rest.size(), 1u);
  EXPECT_EQ(rest[0].Text.Utf8(), "agh");
  EXPECT_EQ(rest[0].Kind, raCrlf);
  EXPECT_EQ(rest[0].InsertPos, 1);
  EXPECT_EQ(JoinRows(rest), "agh\r\n");
}

TEST(EditorEditText, RemainderOfABoxKeepsEachRowAndItsInsertionPoint) {
  TCaretFixture f("abcd\r\nあいう\r\nx");
  f.selection.SetSelectionMode(smBox);
  f.Select(0, 1, 2, 3);
  const TRemainder rest = BuildRemainder(f.view.List(), f.selection);
  ASSERT_EQ(rest.size(), 3u);
  EXPECT_EQ(rest[0].Text.Utf8(), "ad");
  EXPECT_EQ(rest[0].InsertPos, 1);
  // The wide character cut by the box's left edge stays, the one its right edge cuts goes.
  EXPECT_EQ(rest[1].Text.Utf8(), "あう");
  EXPECT_EQ(rest[1].InsertPos, 2);
  // A row the box misses takes text at the box's column, padded.
  EXPECT_EQ(rest[2].Text.Utf8(), "x");
  EXPECT_EQ(rest[2].InsertPos, 1);
  EXPECT_EQ(rest[2].Kind, raEof);
  EXPECT_EQ(JoinRows(rest), "ad\r\nあう\r\nx");
}

TEST(EditorEditText, InsertPadsAShortText) {
  EXPECT_EQ(InsertAt(TCellString::FromUtf8("ab"), 5, "x").Utf8(), "ab   x");
  EXPECT_EQ(InsertAt(TCellString::FromUtf8("aあb"), 3, "x").Utf8(), "aあxb");
}

TEST(EditorEditText, IndentLeavesTheRowASelectionEndsAtColumnZeroOf) {
  TCaretFixture f("a\r\nb\r\nc");
  f.Select(0, 0, 2, 0);
  const TRowRange range = SelectedRows(f.selection.Text());
  EXPECT_EQ(range.First, 0);
  EXPECT_EQ(range.Last, 1);
  const TRowsEdit edit = IndentRows(f.view.List(), range);
  EXPECT_EQ(edit.Text, "\ta\r\n\tb\r\n");
  EXPECT_EQ(edit.Changed, (std::vector<bool>{true, true}));
  const TRowsEdit back = UnindentRows(f.view.List(), {0, 2});
  EXPECT_FALSE(back.Any());
}

TEST(EditorEditText, IndentUnderSoftWrapSkipsWrappedAndFullRows) {
  TCaretFixture f(std::string(25, 'a') + "\r\nshort\r\n" + std::string(16, 'b'), 4);
  f.Wrap(20);
  // Rows: 20 a (wrapped), 5 a, "short", 16 b (with a TAB no narrower than 20).
  const TRowsEdit edit = IndentRows(f.view.List(), {0, 3});
  EXPECT_EQ(edit.Changed, (std::vector<bool>{false, false, true, false}));
}

TEST(EditorEditText, BoxIndentPutsATabAtTheBoxColumnOfRowsThatReachIt) {
  TCaretFixture f("abcd\r\na\r\nabcd");
  const TRowsEdit edit = IndentRows(f.view.List(), {0, 2}, 2);
  EXPECT_EQ(edit.Text, "ab\tcd\r\na\r\nab\tcd");
  EXPECT_EQ(UnindentRows(f.view.List(), {0, 0}, 2).Changed, std::vector<bool>{false});
}

TEST(EditorEditText, CommentsToggleOnAllCommentedRowsAndAddOnMixedOnes) {
  TCaretFixture all("  -- a\r\n\t--b\r\n--c");
  EXPECT_TRUE(AllCommented(all.view.List(), {0, 2}));
  EXPECT_EQ(ToggleComments(all.view.List(), {0, 2}, true).Text, "   a\r\n\tb\r\nc");
  TCaretFixture mixed("  -- a\r\nb");
  EXPECT_FALSE(AllCommented(mixed.view.List(), {0, 1}));
  EXPECT_EQ(ToggleComments(mixed.view.List(), {0, 1}, false).Text, "--  -- a\r\n--b");
  TCaretFixture box("ab--c\r\nxy-- z");
  EXPECT_TRUE(AllCommented(box.view.List(), {0, 1}, 2));
  EXPECT_EQ(ToggleComments(box.view.List(), {0, 1}, true, 2).Text, "abc\r\nxy z");
}

TEST(EditorEditText, BoxPasteStacksLinesPaddingShortRowsAndAddingRows) {
  TCaretFixture f("abcdef\r\nab\r\nabcdef");
  const TBoxPaste paste = BuildBoxPaste(f.view.List(), 0, 4, {}, -1, {"12", "34", "56", "78"});
  EXPECT_EQ(paste.FirstRow, 0);
  EXPECT_EQ(paste.RowCount, 3);
  EXPECT_EQ(paste.Text, "abcd12ef\r\nab  34\r\nabcd56ef\r\n    78\r\n");
  // After the last line, on the last pasted row.
  EXPECT_EQ(paste.CaretOffset, static_cast<int>(std::string("abcd12ef\r\nab  34\r\nabcd56ef\r\n    78").size()));
}

TEST(EditorEditText, BoxPasteTakesTheCharacterAfterATabOrAWideCharacter) {
  TCaretFixture f("aあ\r\na\tb", 4);
  const TBoxPaste paste = BuildBoxPaste(f.view.List(), 0, 2, {}, -1, {"x", "y"});
  EXPECT_EQ(paste.Text, "aあx\r\na\tyb\r\n");
}

TEST(EditorEditText, ReturnIndentFollowsTheParagraphOrAnEarlierOne) {
  TCaretFixture f("    select\r\n\r\n  from");
  EXPECT_EQ(ReturnIndent(f.view.List(), f.options, 0, 8), 4);
  // Left of the indentation on the first row: the caret's column.
  EXPECT_EQ(ReturnIndent(f.view.List(), f.options, 0, 2), 2);
  EXPECT_EQ(ReturnIndent(f.view.List(), f.options, 1, 0), 0);
  f.options.PrevSpaceIndent = true;
  EXPECT_EQ(ReturnIndent(f.view.List(), f.options, 1, 0), 4);
  f.options.AutoIndent = false;
  EXPECT_EQ(ReturnIndent(f.view.List(), f.options, 0, 8), 0);
  EXPECT_EQ(IndentText(10, true, 4), "\t\t  ");
  EXPECT_EQ(IndentText(3, false, 4), "   ");
}

TEST(EditorEditText, BackspaceUnindentGoesToTheIndentationAbove) {
  TCaretFixture f("    a\r\n\r\n        word", 4);
  EXPECT_EQ(UnindentTarget(f.view.List(), 2, 8), 4);
  EXPECT_EQ(UnindentRowText(f.view.List(), 2, 4, 8).Utf8(), "    word");
  EXPECT_EQ(UnindentTarget(f.view.List(), 0, 4), 0);
  // A TAB cut at the target leaves the blanks of its fill; one the caret
  // stands in keeps the rest of its fill.
  TCaretFixture tab("\t\tx", 4);
  EXPECT_EQ(UnindentRowText(tab.view.List(), 0, 2, 8).Utf8(), "  x");
  EXPECT_EQ(UnindentRowText(tab.view.List(), 0, 4, 6).Utf8(), "\t  x");
}

}  // namespace
