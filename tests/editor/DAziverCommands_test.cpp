#include <QClipboard>
#include <QImage>
#include <QMimeData>

#include <gtest/gtest.h>

#include "editorwindow.h"

namespace {

constexpr TColor kHitBack = 0x0000FF00;  // green

std::string ClipboardText() { return QApplication::clipboard()->text().toStdString(); }
bool ClipboardHoldsBox() { return QApplication::clipboard()->mimeData()->hasFormat(TEditor::kBoxMimeType); }

TEST(EditorClipboard, BoxCopyAndPasteStackTheLinesPaddingAndAddingRows) {
  TEditorWindow w("abcd\r\nefgh\r\nij");
  w.editor->SetSelectionMode(smBox);
  w.Select(0, 1, 1, 3);
  w.editor->CopyToClipboard();
  EXPECT_EQ(ClipboardText(), "bc\r\nfg\r\n");
  EXPECT_TRUE(ClipboardHoldsBox());
  w.editor->SetSelectionMode(smNormal);
  w.editor->CleanSelection();
  w.editor->SetRowCol(1, 5);
  w.editor->PasteFromClipboard();
  EXPECT_EQ(w.Text(), "abcd\r\nefgh bc\r\nij   fg\r\n");
  EXPECT_EQ(w.Caret(), (TRowCol{2, 7}));
  w.editor->Undo();
  EXPECT_EQ(w.Text(), "abcd\r\nefgh\r\nij");
  w.editor->SetRowCol(2, 1);
  w.editor->PasteFromClipboard();
  EXPECT_EQ(w.Text(), "abcd\r\nefgh\r\nibcj\r\n fg\r\n");
}

TEST(EditorClipboard, PastingOverABoxReplacesItsColumns) {
  TEditorWindow w("abcd\r\nefgh");
  w.editor->SetSelectionMode(smBox);
  w.Select(0, 1, 1, 3);
  w.editor->PasteBox("12\r\n34");
  EXPECT_EQ(w.Text(), "a12d\r\ne34h\r\n");
}

TEST(EditorClipboard, CutOfTwoRowsAndPasteBackTakeOneUndoEach) {
  TEditorWindow w("ab\r\ncd\r\nef");
  w.Select(0, 1, 1, 1);
  w.editor->CutToClipboard();
  EXPECT_EQ(ClipboardText(), "b\r\nc");
  EXPECT_FALSE(ClipboardHoldsBox());
  EXPECT_EQ(w.Text(), "ad\r\nef");
  w.editor->PasteFromClipboard();
  EXPECT_EQ(w.Text(), "ab\r\ncd\r\nef");
  EXPECT_EQ(w.Caret(), (TRowCol{1, 1}));
  w.editor->Undo(false);
  EXPECT_EQ(w.Text(), "ad\r\nef");
  w.editor->Undo(false);
  EXPECT_EQ(w.Text(), "ab\r\ncd\r\nef");
  w.editor->Undo(true);
  EXPECT_EQ(w.Text(), "ad\r\nef");
}

TEST(EditorClipboard, CopyOrCutWithoutASelectionEmptiesTheClipboard) {
  TEditorWindow w("abc");
  QApplication::clipboard()->setText("old");
  w.editor->CopyToClipboard();
  EXPECT_EQ(ClipboardText(), "");
  QApplication::clipboard()->setText("old");
  w.editor->CutToClipboard();
  EXPECT_EQ(ClipboardText(), "");
  // A read-only editor cuts nothing, even with a selection.
  w.Select(0, 0, 0, 2);
  w.editor->SetReadOnly(true);
  QApplication::clipboard()->setText("old");
  w.editor->CutToClipboard();
  EXPECT_EQ(ClipboardText(), "");
  EXPECT_EQ(w.Text(), "abc");
  w.editor->PasteFromClipboard();
  EXPECT_EQ(w.Text(), "abc");
}

TEST(EditorCommands, TheEditCommandInterfaceReachesTheEditor) {
  TEditorWindow w("select a");
  TovEditCommands* commands = dynamic_cast<TovEditCommands*>(static_cast<QWidget*>(w.editor));
  ASSERT_NE(commands, nullptr);
  commands->SelectAll();
  EXPECT_TRUE(commands->HasSelection());
  EXPECT_EQ(commands->SelectedText(), "select a");
  commands->ReplaceSelection("b");
  EXPECT_EQ(w.Text(), "b");
  EXPECT_TRUE(commands->CanUndo());
  commands->Undo(false);
  EXPECT_EQ(w.Text(), "select a");
  w.Select(0, 0, 0, 7);
  commands->ClearSelection();
  EXPECT_EQ(w.Text(), "a");
  w.editor->SetReadOnly(true);
  EXPECT_TRUE(commands->ReadOnly());
  commands->ReplaceSelection("x");
  EXPECT_EQ(w.Text(), "a");
}

TEST(EditorCommands, TypingReplacesTheSelectionAndSelTextWrites) {
  TEditorWindow w("abcdef");
  w.Select(0, 1, 0, 4);
  w.Type("X");
  EXPECT_EQ(w.Text(), "aXef");
  w.Select(0, 0, 0, 2);
  w.editor->SetSelTextBuf("1\r\n2");
  EXPECT_EQ(w.Text(), "1\r\n2ef");
  EXPECT_EQ(w.Caret(), (TRowCol{1, 1}));
  w.Select(0, 0, 1, 1);
  w.editor->SetSelTextBuf("");
  EXPECT_EQ(w.Text(), "ef");
  w.editor->Clear();
  EXPECT_EQ(w.Text(), "");
  EXPECT_FALSE(w.editor->CanUndo());
}

TEST(EditorCommands, IndentAndUnindentKeepTheSelectionOnItsText) {
  TEditorWindow w("ab\r\ncd\r\nef");
  w.Select(0, 1, 1, 1);
  w.editor->IndentSelection();
  EXPECT_EQ(w.Text(), "\tab\r\n\tcd\r\nef");
  EXPECT_EQ(w.editor->SelText(), "b\r\n\tc");
  w.editor->UnindentSelection();
  EXPECT_EQ(w.Text(), "ab\r\ncd\r\nef");
  EXPECT_EQ(w.editor->SelText(), "b\r\nc");
  // Rows without a TAB to take: no change and no undo step.
  TEditorWindow plain("a\r\nb");
  plain.Select(0, 0, 1, 1);
  plain.editor->UnindentSelection();
  EXPECT_EQ(plain.Text(), "a\r\nb");
  EXPECT_FALSE(plain.editor->CanUndo());
}

TEST(EditorCommands, CommentTogglingOnMixedAndOnCommentedRows) {
  TEditorWindow w("  --a\r\nb\r\nc");
  w.Select(0, 0, 1, 1);
  w.editor->ToggleLineComment();
  EXPECT_EQ(w.Text(), "--  --a\r\n--b\r\nc");
  EXPECT_EQ(w.editor->SelText(), "  --a\r\n--b");
  w.editor->ToggleLineComment();
  EXPECT_EQ(w.Text(), "  --a\r\nb\r\nc");
  // Without a selection the caret's row alone.
  w.editor->CleanSelection();
  w.editor->SetRowCol(2, 1);
  w.editor->ToggleLineComment();
  EXPECT_EQ(w.Text(), "  --a\r\nb\r\n--c");
  EXPECT_EQ(w.Caret(), (TRowCol{2, 3}));
}

TEST(EditorCommands, ADigitMarkStandsOnOneRowOtherMarksOnMany) {
  TEditorWindow w("0\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6");
  w.editor->PutRowMark(2, 3);
  w.editor->PutRowMark(5, 3);
  EXPECT_EQ(w.editor->ScreenStrings().RowMarks(2), 0);
  EXPECT_EQ(w.editor->ScreenStrings().RowMarks(5), 1 << 3);
  w.editor->PutRowMark(1, 10);
  w.editor->PutRowMark(4, 10);
  EXPECT_EQ(w.editor->ScreenStrings().RowMarks(1), 1 << 10);
  EXPECT_EQ(w.editor->ScreenStrings().RowMarks(4), 1 << 10);
  EXPECT_EQ(w.editor->ScreenStrings().UsedMarks(), (1 << 3) | (1 << 10));
  w.editor->GotoRowMark(3);
  EXPECT_EQ(w.Caret(), (TRowCol{5, 0}));
  w.editor->DeleteRowMark(5, 3);
  EXPECT_EQ(w.editor->ScreenStrings().RowMarks(5), 0);
  // Rows outside the text are left alone.
  w.editor->PutRowMark(99, 4);
  EXPECT_EQ(w.editor->ScreenStrings().UsedMarks(), 1 << 10);
}

constexpr int kRowCells = 101;  // 99 letters and CR LF
const std::string kRow(99, 'x');

// Rows of 99 letters; "SELECT" broken after "SE" at the end of row `at`.
std::string SplitSelect(int at, int rows) {
  std::string text;
  for (int i = 0; i < rows; ++i) {
    if (i == at) {
      text += std::string(97, 'x') + "SE";
    } else if (i == at + 1) {
      text += "LECT" + std::string(95, 'x');
    } else {
      text += kRow;
    }
    if (i < rows - 1) text += "\r\n";
  }
  return text;
}

TEST(EditorFind, AWordAcrossTheChunkBoundaryIsFoundBothWays) {
  // Forward, the first chunk ends with row 81.
  TEditorWindow down(SplitSelect(81, 84));
  ASSERT_TRUE(down.editor->FindText("SELECT", sfDown | sfSkipLineBreaks));
  EXPECT_EQ(down.editor->SelStart(), 81 * kRowCells + 97);
  EXPECT_EQ(down.editor->SelText(), "SE\r\nLECT");
  // Backward from the end of row 83, the first chunk begins with row 2.
  TEditorWindow up(SplitSelect(1, 84));
  up.editor->SetRowCol(83, 99);
  ASSERT_TRUE(up.editor->FindText("SELECT", sfSkipLineBreaks));
  EXPECT_EQ(up.editor->SelStart(), kRowCells + 97);
}

TEST(EditorFind, UpwardFindsTheLastOccurrenceFirst) {
  TEditorWindow w(SplitSelect(-2, 82) + "\r\nid id\r\n" + kRow);
  w.editor->SetRowCol(200, 0);
  ASSERT_TRUE(w.editor->FindText("ID", 0));
  EXPECT_EQ(w.editor->SelStart(), 82 * kRowCells + 3);
  ASSERT_TRUE(w.editor->FindText("ID", 0));
  EXPECT_EQ(w.editor->SelStart(), 82 * kRowCells);
  EXPECT_FALSE(w.editor->FindText("ID", 0));
  EXPECT_FALSE(w.editor->FindText("", sfDown));
}

TEST(EditorFind, CaretHitsFindConsecutiveMatchesOneByOne) {
  TEditorWindow w("abab ab");
  w.editor->SetHitStyle(hsCaret);
  for (int expected : {0, 2, 5}) {
    ASSERT_TRUE(w.editor->FindText("ab", sfDown)) << expected;
    EXPECT_EQ(w.editor->SelStart(), expected);
    // The caret stays at the hit's start.
    EXPECT_EQ(w.Caret(), (TRowCol{0, expected}));
  }
  EXPECT_FALSE(w.editor->FindText("ab", sfDown));
}

TEST(EditorFind, DrawnHitsShowInTheHitColoursAndTheNextSearchGoesOn) {
  TEditorWindow w("ab ab");
  w.editor->SetHitStyle(hsDraw);
  w.editor->View().Colors().Owned(TEditorColors::ecHit).SetBkColor(kHitBack);
  ASSERT_TRUE(w.editor->FindText("ab", sfDown));
  EXPECT_EQ(w.editor->Selection().State(), stHit);
  const QImage image = w.editor->viewport()->grab().toImage();
  const QPoint hit = w.CellPoint(0, 0) - QPoint(0, w.editor->CellHeight() / 2);
  EXPECT_EQ(image.pixelColor(hit), QColor(Qt::green));
  EXPECT_NE(image.pixelColor(w.CellPoint(0, 2) - QPoint(0, w.editor->CellHeight() / 2)), QColor(Qt::green));
  ASSERT_TRUE(w.editor->FindText("ab", sfDown));
  EXPECT_EQ(w.editor->SelStart(), 3);
}

TEST(EditorTokens, TheWordAtTheCaretIsSelected) {
  TEditorWindow w("select name from t");
  w.editor->SetRowCol(0, 8);
  const auto [token, kind] = w.editor->GetTokenAt(w.CellPoint(0, 8), false, false);
  EXPECT_EQ(token, "name");
  EXPECT_NE(kind, 0);
  w.editor->SelectWordAtCaret();
  EXPECT_EQ(w.editor->SelText(), "name");
  EXPECT_EQ(w.editor->GetTokenAt(QPoint(0, 0), true, false).first, "");
}

// ---- the edit-control operations ----

TEST(EditorEm, SetSelSelectsRangesAllOrNothing) {
  struct Case {
    int Start, End;
    const char* Selected;
  };
  for (const Case& c : {Case{0, -1, "abc\r\ndefgh"}, Case{7, 3, "\r\nde"}, Case{2, 2, ""}}) {
    TEditorWindow w("abc\r\ndefgh");
    w.editor->EmSetSel(c.Start, c.End);
    EXPECT_EQ(w.editor->SelText(), c.Selected) << c.Start << " " << c.End;
  }
  TEditorWindow w("abc\r\ndefgh");
  w.editor->EmSetSel(1, 3);
  int start = 0;
  int end = 0;
  EXPECT_EQ(w.editor->EmGetSel(&start, &end), (3 << 16) | 1);
  EXPECT_EQ(start, 1);
  EXPECT_EQ(end, 3);
  w.editor->EmSetSel(-1, 2);
  EXPECT_FALSE(w.editor->Selection().Selected());
}

TEST(EditorEm, LinesOffsetsAndPositions) {
  TEditorWindow w("abcdefg\r\n漢字x\r\n");
  std::string line;
  EXPECT_EQ(w.editor->EmGetLine(0, 5, line), 5);
  EXPECT_EQ(line, "abcde");
  // Never half a character.
  EXPECT_EQ(w.editor->EmGetLine(1, 4, line), 3);
  EXPECT_EQ(line, "漢");
  EXPECT_EQ(w.editor->EmGetLine(5, 5, line), 0);
  EXPECT_EQ(w.editor->EmGetLineCount(), 2);
  EXPECT_EQ(w.editor->EmLineIndex(2), -1);
  EXPECT_EQ(w.editor->EmLineIndex(1), 9);
  w.editor->SetRowCol(2, 0);
  EXPECT_EQ(w.editor->EmLineIndex(-1), static_cast<int>(w.Text().size()));
  EXPECT_EQ(w.editor->EmLineFromChar(8), 0);
  EXPECT_EQ(w.editor->EmLineFromChar(9), 1);
  EXPECT_EQ(w.editor->EmLineFromChar(99), 2);
  EXPECT_EQ(w.editor->EmLineLength(10), 7);
  EXPECT_EQ(w.editor->EmLineLength(-1), 0);
  // With a selection: the bytes its first and last rows leave unselected.
  w.Select(0, 1, 1, 2);
  EXPECT_EQ(w.editor->EmLineLength(-1), 1 + 4);
  EXPECT_EQ(w.editor->EmLineFromChar(-1), 0);
  w.editor->CleanSelection();
  // A point on the trail of a wide character gives the character.
  const int onTrail = w.editor->EmCharFromPos(w.CellPoint(1, 1).x(), w.CellPoint(1, 1).y());
  EXPECT_EQ(onTrail, (1 << 16) | 9);
  const int second = w.editor->EmCharFromPos(w.CellPoint(1, 2).x(), w.CellPoint(1, 2).y());
  EXPECT_EQ(second, (1 << 16) | 12);
  EXPECT_EQ(w.editor->EmCharFromPos(-1, 5), -1);
  const int pos = w.editor->EmPosFromChar(12);
  EXPECT_EQ(pos & 0xFFFF, w.editor->TextLeft() + 2 * w.editor->CellWidth());
  EXPECT_EQ(pos >> 16, w.editor->TextTop() + w.editor->RowHeight());
}

TEST(EditorEm, ModifyUndoAndReadOnly) {
  TEditorWindow w("abc");
  w.editor->EmReplaceSel("x");
  EXPECT_EQ(w.Text(), "xabc");
  EXPECT_TRUE(w.editor->EmGetModify());
  w.editor->EmSetModify(false);
  EXPECT_FALSE(w.editor->EmGetModify());
  EXPECT_TRUE(w.editor->EmUndo());
  EXPECT_EQ(w.Text(), "abc");
  w.editor->EmReplaceSel("y");
  w.editor->EmSetReadOnly(true);
  EXPECT_FALSE(w.editor->EmCanUndo());
  EXPECT_FALSE(w.editor->EmUndo());
  w.editor->EmReplaceSel("z");
  EXPECT_EQ(w.Text(), "yabc");
  w.editor->EmSetReadOnly(false);
  w.editor->EmEmptyUndoBuffer();
  EXPECT_FALSE(w.editor->EmCanUndo());
}

TEST(EditorEm, ScrollCaretPutsTheCaretAThirdDown) {
  std::string text;
  for (int i = 0; i < 300; ++i) text += "row\r\n";
  TEditorWindow w(text);
  w.editor->CaretModel().SetRowCol(200, 0);
  w.editor->SetTopRow(0);
  w.editor->EmScrollCaret();
  EXPECT_EQ(w.editor->TopRow(), 200 - w.editor->CaretModel().VisibleRows() / 3);
}

}  // namespace
