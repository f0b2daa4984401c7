#include <QClipboard>
#include <QInputMethodEvent>

#include <gtest/gtest.h>

#include "editor/DAziverImages.h"
#include "editorwindow.h"

namespace {

constexpr int kNoSelection = -1;

using TSetup = void (*)(TEditor&);
void Plain(TEditor&) {}
void Wrap20(TEditor& e) {
  e.WrapOption().SetWrapByte(20);
  e.SetWordWrap(true);
}
void FixedCaret(TEditor& e) { e.Caret().FreeCaret = false; }
void FixedCaretNextLine(TEditor& e) {
  e.Caret().FreeCaret = false;
  e.Caret().NextLine = true;
}
void SoftTab(TEditor& e) { e.Caret().SoftTab = true; }
void NoAutoIndent(TEditor& e) { e.Caret().AutoIndent = false; }
void ReadOnlyEditor(TEditor& e) { e.SetReadOnly(true); }

struct TKeyCase {
  const char* Name;
  std::string Text;
  TSetup Setup;
  int Row, Col;
  int SelRow, SelCol;  // the selection's anchor, or kNoSelection
  int Key;
  Qt::KeyboardModifiers Mods;
  std::string Result;
  int ResultRow, ResultCol;
  const char* Selected;  // the selected text afterwards
};

const std::string kWrapped = std::string(25, 'a') + "\r\nb";

const TKeyCase kKeyCases[] = {
    {"right at a row's end without next-line", "ab\r\ncd", FixedCaret, 0, 2, kNoSelection, 0, Qt::Key_Right, {}, "ab\r\ncd", 0, 2, ""},
    {"right at a row's end with next-line", "ab\r\ncd", FixedCaretNextLine, 0, 2, kNoSelection, 0, Qt::Key_Right, {}, "ab\r\ncd", 1, 0, ""},
    {"right at a wrapped row's end", kWrapped, Wrap20, 0, 19, kNoSelection, 0, Qt::Key_Right, {}, kWrapped, 1, 0, ""},
    {"left at column 0 without next-line", "ab\r\ncd", FixedCaret, 1, 0, kNoSelection, 0, Qt::Key_Left, {}, "ab\r\ncd", 1, 0, ""},
    {"left at column 0 with next-line", "ab\r\ncd", FixedCaretNextLine, 1, 0, kNoSelection, 0, Qt::Key_Left, {}, "ab\r\ncd", 0, 2, ""},
    {"shift right selects", "abcd", Plain, 0, 1, kNoSelection, 0, Qt::Key_Right, Qt::ShiftModifier, "abcd", 0, 2, "b"},
    {"shift down extends a selection", "abcd\r\nefgh", Plain, 0, 2, 0, 1, Qt::Key_Down, Qt::ShiftModifier, "abcd\r\nefgh", 1, 2, "bcd\r\nef"},
    {"an unshifted key drops the selection", "abcd", Plain, 0, 3, 0, 1, Qt::Key_Left, {}, "abcd", 0, 2, ""},
    {"end", "abc\r\nde", Plain, 0, 0, kNoSelection, 0, Qt::Key_End, {}, "abc\r\nde", 0, 3, ""},
    {"ctrl end", "abc\r\nde", Plain, 0, 0, kNoSelection, 0, Qt::Key_End, Qt::ControlModifier, "abc\r\nde", 1, 2, ""},
    {"ctrl home", "abc\r\nde", Plain, 1, 1, kNoSelection, 0, Qt::Key_Home, Qt::ControlModifier, "abc\r\nde", 0, 0, ""},
    {"down on the last row without a line break", "abc\r\nde", Plain, 1, 1, kNoSelection, 0, Qt::Key_Down, {}, "abc\r\nde", 1, 1, ""},
    {"down to the row after a final line break", "abc\r\n", Plain, 0, 0, kNoSelection, 0, Qt::Key_Down, {}, "abc\r\n", 1, 0, ""},
    {"delete a character", "abc", Plain, 0, 1, kNoSelection, 0, Qt::Key_Delete, {}, "ac", 0, 1, ""},
    {"delete a wide character", "a漢b", Plain, 0, 1, kNoSelection, 0, Qt::Key_Delete, {}, "ab", 0, 1, ""},
    {"delete at a middle row's end", "ab\r\ncd\r\nef", Plain, 0, 2, kNoSelection, 0, Qt::Key_Delete, {}, "abcd\r\nef", 0, 2, ""},
    {"delete at the second-to-last row's end", "ab\r\ncd\r\nef", Plain, 1, 2, kNoSelection, 0, Qt::Key_Delete, {}, "ab\r\ncdef", 1, 2, ""},
    {"delete at the last row's end", "ab\r\ncd", Plain, 1, 2, kNoSelection, 0, Qt::Key_Delete, {}, "ab\r\ncd", 1, 2, ""},
    {"delete at the end of a last row with a line break", "ab\r\ncd\r\n", Plain, 1, 2, kNoSelection, 0, Qt::Key_Delete, {}, "ab\r\ncd", 1, 2, ""},
    {"delete beyond a row pads it", "ab\r\ncd", Plain, 0, 4, kNoSelection, 0, Qt::Key_Delete, {}, "ab  cd", 0, 4, ""},
    {"delete the selection", "abcd", Plain, 0, 3, 0, 1, Qt::Key_Delete, {}, "ad", 0, 1, ""},
    {"backspace a character", "abc", Plain, 0, 2, kNoSelection, 0, Qt::Key_Backspace, {}, "ac", 0, 1, ""},
    {"backspace a wide character", "a漢b", Plain, 0, 3, kNoSelection, 0, Qt::Key_Backspace, {}, "ab", 0, 1, ""},
    {"backspace joins rows", "ab\r\ncd", Plain, 1, 0, kNoSelection, 0, Qt::Key_Backspace, {}, "abcd", 0, 2, ""},
    {"backspace after a wrapped row", kWrapped, Wrap20, 1, 0, kNoSelection, 0, Qt::Key_Backspace, {}, std::string(24, 'a') + "\r\nb", 0, 19, ""},
    {"backspace unindents", "    a\r\n        word", Plain, 1, 8, kNoSelection, 0, Qt::Key_Backspace, {}, "    a\r\n    word", 1, 4, ""},
    {"backspace beyond the text moves left", "ab", Plain, 0, 5, kNoSelection, 0, Qt::Key_Backspace, {}, "ab", 0, 4, ""},
    {"tab types a TAB", "ab", Plain, 0, 2, kNoSelection, 0, Qt::Key_Tab, {}, "ab\t", 0, 8, ""},
    {"soft tab types blanks to the stop", "ab", SoftTab, 0, 2, kNoSelection, 0, Qt::Key_Tab, {}, "ab      ", 0, 8, ""},
    {"tab indents selected rows", "a\r\nb\r\nc", Plain, 2, 0, 0, 0, Qt::Key_Tab, {}, "\ta\r\n\tb\r\nc", 2, 0, "a\r\n\tb\r\n"},
    {"shift tab unindents selected rows", "\ta\r\n\tb", Plain, 1, 9, 0, 8, Qt::Key_Backtab, Qt::ShiftModifier, "a\r\nb", 1, 1, "a\r\nb"},
    {"return keeps the indentation", "    ab", Plain, 0, 5, kNoSelection, 0, Qt::Key_Return, {}, "    a\r\n    b", 1, 4, ""},
    {"return without auto indent", "    ab", NoAutoIndent, 0, 5, kNoSelection, 0, Qt::Key_Return, {}, "    a\r\nb", 1, 0, ""},
    {"shift return opens an indented line above", "x\r\n    ab", Plain, 1, 5, kNoSelection, 0, Qt::Key_Return, Qt::ShiftModifier, "x\r\n    \r\n    ab", 1, 4, ""},
    {"return after a final line break", "ab\r\n", Plain, 1, 0, kNoSelection, 0, Qt::Key_Return, {}, "ab\r\n\r\n", 2, 0, ""},
    {"return replaces the selection", "abcd", NoAutoIndent, 0, 3, 0, 1, Qt::Key_Return, {}, "a\r\nd", 1, 0, ""},
    {"read-only ignores delete", "abc", ReadOnlyEditor, 0, 1, kNoSelection, 0, Qt::Key_Delete, {}, "abc", 0, 1, ""},
    {"read-only ignores backspace", "abc", ReadOnlyEditor, 0, 1, kNoSelection, 0, Qt::Key_Backspace, {}, "abc", 0, 1, ""},
    {"read-only ignores return", "abc", ReadOnlyEditor, 0, 1, kNoSelection, 0, Qt::Key_Return, {}, "abc", 0, 1, ""},
    {"read-only ignores tab", "abc", ReadOnlyEditor, 0, 1, kNoSelection, 0, Qt::Key_Tab, {}, "abc", 0, 1, ""},
};

TEST(EditorKeys, Table) {
  for (const TKeyCase& c : kKeyCases) {
    SCOPED_TRACE(c.Name);
    TEditorWindow w(c.Text);
    c.Setup(*w.editor);
    if (c.SelRow != kNoSelection) {
      w.Select(c.SelRow, c.SelCol, c.Row, c.Col);
    } else {
      w.editor->SetRowCol(c.Row, c.Col);
    }
    w.Key(c.Key, c.Mods);
    EXPECT_EQ(w.Text(), c.Result);
    EXPECT_EQ(w.Caret(), (TRowCol{c.ResultRow, c.ResultCol}));
    EXPECT_EQ(w.editor->SelText(), c.Selected);
  }
}

TEST(EditorKeys, PageMovesByHalfTheVisibleRowsTimesTheRange) {
  std::string text;
  for (int i = 0; i < 200; ++i) text += "row\r\n";
  TEditorWindow w(text);
  const int visible = w.editor->CaretModel().VisibleRows();
  const int n = (visible - 1) / 2 * w.editor->Speed().PageVerticalRange();
  w.Key(Qt::Key_PageDown);
  EXPECT_EQ(w.editor->TopRow(), n);
  EXPECT_EQ(w.editor->Row(), n);
  w.Key(Qt::Key_PageUp);
  EXPECT_EQ(w.editor->TopRow(), 0);
  w.editor->SetRow(3);
  // At the top a page up takes the caret to row 0.
  w.Key(Qt::Key_PageUp);
  EXPECT_EQ(w.editor->Row(), 0);
}

TEST(EditorTyping, CharactersWideOnesIncludedGoInAsOneCharacter) {
  TEditorWindow w("ab\r\n\r\ncd");
  w.editor->SetRowCol(1, 8);
  w.Type("漢");
  EXPECT_EQ(w.Text(), "ab\r\n        漢\r\ncd");
  EXPECT_EQ(w.Caret(), (TRowCol{1, 10}));
  EXPECT_TRUE(w.editor->CanUndo());
  w.editor->Undo();
  EXPECT_EQ(w.Text(), "ab\r\n\r\ncd");
  // Control characters of Ctrl combinations are left to the shortcuts.
  w.Type(QString(QChar(1)), Qt::ControlModifier);
  EXPECT_EQ(w.Text(), "ab\r\n\r\ncd");
  w.editor->SetReadOnly(true);
  w.Type("x");
  EXPECT_EQ(w.Text(), "ab\r\n\r\ncd");
}

TEST(EditorTyping, CompletionIsAskedAfterTheDotIsInTheTextAndOnCtrlSpaceAndF6) {
  TEditorWindow w("t");
  w.editor->SetRowCol(0, 1);
  w.Type(".");
  ASSERT_EQ(w.window.Requests.size(), 1u);
  EXPECT_EQ(w.window.Requests[0].Text, "t.");
  EXPECT_EQ(w.window.Requests[0].Point, w.editor->GetCaretPoint());
  EXPECT_EQ(w.window.Requests[0].Point.x(), w.editor->TextLeft() + 2 * w.editor->CellWidth());
  w.Key(Qt::Key_Space, Qt::ControlModifier);
  ASSERT_EQ(w.window.Requests.size(), 2u);
  EXPECT_EQ(w.window.Requests[1].Text, "t.");
  w.Key(Qt::Key_F6);
  EXPECT_EQ(w.window.Requests.size(), 3u);
  EXPECT_EQ(w.Text(), "t.");
  // A brief caret's point is its cell's bottom less the caret's height.
  w.editor->Caret().SetStyle(csBrief);
  w.Key(Qt::Key_F6);
  ASSERT_EQ(w.window.Requests.size(), 4u);
  EXPECT_EQ(w.window.Requests[3].Point.y(), w.editor->TextTop() + w.editor->CellHeight() - 2);
  // A read-only editor neither types the dot nor asks on Ctrl+Space.
  w.editor->SetReadOnly(true);
  w.Type(".");
  w.Key(Qt::Key_Space, Qt::ControlModifier);
  EXPECT_EQ(w.window.Requests.size(), 4u);
  EXPECT_EQ(w.Text(), "t.");
}

TEST(EditorInputMethod, ACommitIsTypedOnceAndThePreeditHidesTheCaret) {
  TEditorWindow w("ab");
  w.editor->SetRowCol(0, 1);
  QInputMethodEvent preedit("かん", {});
  QApplication::sendEvent(w.editor, &preedit);
  EXPECT_FALSE(w.editor->CaretDrawn());
  QInputMethodEvent commit;
  commit.setCommitString("漢字");
  QApplication::sendEvent(w.editor, &commit);
  EXPECT_EQ(w.Text(), "a漢字b");
  EXPECT_EQ(w.Caret(), (TRowCol{0, 5}));
  EXPECT_TRUE(w.editor->CaretDrawn());
  w.editor->Undo();
  EXPECT_EQ(w.Text(), "ab");
  w.editor->SetReadOnly(true);
  QApplication::sendEvent(w.editor, &commit);
  EXPECT_EQ(w.Text(), "ab");
}

// ---- mouse ----

void Press(TEditorWindow& w, QPoint point, Qt::KeyboardModifiers mods = {}) {
  QTest::mousePress(w.Viewport(), Qt::LeftButton, mods, point);
}
void Move(TEditorWindow& w, QPoint point, Qt::KeyboardModifiers mods = {}) {
  QMouseEvent move(QEvent::MouseMove, point, w.Viewport()->mapToGlobal(point), Qt::NoButton, Qt::LeftButton, mods);
  QApplication::sendEvent(w.Viewport(), &move);
}
void Release(TEditorWindow& w, QPoint point, Qt::KeyboardModifiers mods = {}) {
  QTest::mouseRelease(w.Viewport(), Qt::LeftButton, mods, point);
}

// Press in the selection, move: the first move past the threshold starts
// the drag, the next carries the caret.
void StartDrag(TEditorWindow& w, QPoint from, QPoint to, Qt::KeyboardModifiers mods = {}) {
  Press(w, from);
  Move(w, to, mods);
  Move(w, to, mods);
}

TEST(EditorMouse, DragSelectsAndKeysWaitWhileTheButtonIsHeld) {
  TEditorWindow w("abcdef\r\nghijkl");
  Press(w, w.CellPoint(0, 1));
  EXPECT_EQ(w.Caret(), (TRowCol{0, 1}));
  w.Key(Qt::Key_Delete);
  w.Type("x");
  QTest::mouseDClick(w.Viewport(), Qt::LeftButton, {}, w.CellPoint(0, 4));
  QTest::mousePress(w.Viewport(), Qt::RightButton, {}, w.CellPoint(0, 4));
  EXPECT_EQ(w.Caret(), (TRowCol{0, 1}));
  Move(w, w.CellPoint(1, 3));
  EXPECT_EQ(w.editor->SelText(), "bcdef\r\nghi");
  Release(w, w.CellPoint(1, 3));
  EXPECT_EQ(w.Text(), "abcdef\r\nghijkl");
  // Shift+click extends from the caret.
  Press(w, w.CellPoint(0, 5), Qt::ShiftModifier);
  Release(w, w.CellPoint(0, 5), Qt::ShiftModifier);
  EXPECT_EQ(w.editor->SelText(), "bcde");
}

TEST(EditorMouse, ASmallMoveDoesNotSelectAndTheLeftBarSelectsRows) {
  TEditorWindow w("abcdef\r\nghijkl\r\nmn");
  Press(w, w.CellPoint(0, 1));
  Move(w, w.CellPoint(0, 1) + QPoint(1, 0));
  EXPECT_FALSE(w.editor->Selection().Selected());
  Release(w, w.CellPoint(0, 1));
  const QPoint left(w.editor->TextLeft() - 2, w.CellPoint(1, 0).y());
  Press(w, left);
  Release(w, left);
  EXPECT_EQ(w.editor->SelText(), "ghijkl\r\n");
}

TEST(EditorMouse, DropOntoTheSelectionChangesNothing) {
  TEditorWindow w("abcdef");
  w.Select(0, 1, 0, 4);
  StartDrag(w, w.CellPoint(0, 2), w.CellPoint(0, 3));
  Release(w, w.CellPoint(0, 3));
  EXPECT_EQ(w.Text(), "abcdef");
  EXPECT_FALSE(w.editor->Selection().Selected());
}

TEST(EditorMouse, DropBeyondAShortRowPadsIt) {
  TEditorWindow w("abcdef\r\nx");
  w.Select(0, 1, 0, 3);
  StartDrag(w, w.CellPoint(0, 2), w.CellPoint(1, 4));
  Release(w, w.CellPoint(1, 4));
  EXPECT_EQ(w.Text(), "adef\r\nx   bc");
  EXPECT_EQ(w.Caret(), (TRowCol{1, 6}));
  w.editor->Undo();
  EXPECT_EQ(w.Text(), "abcdef\r\nx");
}

TEST(EditorMouse, CtrlDropCopiesAndEscCancelsADrag) {
  TEditorWindow w("abcdef");
  w.Select(0, 1, 0, 3);
  StartDrag(w, w.CellPoint(0, 2), w.CellPoint(0, 5), Qt::ControlModifier);
  EXPECT_EQ(w.Viewport()->cursor().shape(), CursorOf(w.editor->Caret().Cursors().Values().DragSelCopyCursor).shape());
  Release(w, w.CellPoint(0, 5), Qt::ControlModifier);
  EXPECT_EQ(w.Text(), "abcdebcf");
  w.Select(0, 0, 0, 2);
  StartDrag(w, w.CellPoint(0, 1), w.CellPoint(0, 6));
  EXPECT_EQ(w.Viewport()->cursor().shape(), CursorOf(w.editor->Caret().Cursors().Values().DragSelCursor).shape());
  w.Key(Qt::Key_Escape);
  EXPECT_FALSE(w.editor->Selection().Selected());
  Release(w, w.CellPoint(0, 6));
  EXPECT_EQ(w.Text(), "abcdebcf");
}

}  // namespace

// A box drawn with Shift+Right on the row after the final line break holds
// no text: every editing key acts at the caret and the text survives.
TEST(EditorBoxKeys, KeysOnABoxBelowTheLastLineBreakEditAtTheCaret) {
  struct TBoxKeyCase {
    const char* Name;
    int Key;
    QString Typed;  // a typed character instead of a key
    std::string Result;
  };
  const std::string text = "ab\r\ncd\r\n";
  const TBoxKeyCase cases[] = {
      {"delete", Qt::Key_Delete, {}, text},
      {"backspace", Qt::Key_Backspace, {}, text},
      {"typing", 0, "x", text + "x"},
      {"tab", Qt::Key_Tab, {}, text + "\t"},
      {"return", Qt::Key_Return, {}, text + "\r\n"},
  };
  for (const TBoxKeyCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TEditorWindow w(text);
    w.editor->SetSelectionMode(smBox);
    w.editor->SetRowCol(2, 0);
    w.Key(Qt::Key_Right, Qt::ShiftModifier);
    w.Key(Qt::Key_Right, Qt::ShiftModifier);
    if (c.Typed.isEmpty()) {
      w.Key(c.Key);
    } else {
      w.Type(c.Typed);
    }
    // Only the row after the final break can change; blanks of a free caret may lead.
    const std::string result = w.Text();
    ASSERT_EQ(result.substr(0, text.size()), text);
    std::string added = result.substr(text.size());
    added.erase(0, added.find_first_not_of(' '));
    EXPECT_EQ(text + added, c.Result);
  }
}

// Rows wider than the drawn columns: the caret shows at the last drawn
// column, but End, Shift+End, Ctrl+A and what acts on the selection reach
// the row's true end.
TEST(EditorWideRows, EndAndSelectAllReachTheTrueEndOfALongRow) {
  constexpr int kLongRow = kMaxDrawnCol + 5019;
  std::string longRow;
  for (int i = 0; longRow.size() < static_cast<size_t>(kLongRow); ++i) longRow += std::to_string(i % 10);
  longRow += "漢";
  const std::string text = "select\r\n" + longRow + "\r\nend";
  for (const std::string& all : {text, "select\r\n" + longRow}) {
    TEditorWindow w(all);
    // What the edit menu's select-all command calls.
    w.editor->SelectAll();
    EXPECT_TRUE(w.editor->SelText() == all) << "select all took " << w.editor->SelText().size();
    w.editor->CopyToClipboard();
    EXPECT_TRUE(QApplication::clipboard()->text().toStdString() == all);
  }
  {
    TEditorWindow w(text);
    w.editor->SetRowCol(1, 0);
    w.Key(Qt::Key_End, Qt::ShiftModifier);
    EXPECT_TRUE(w.editor->SelText() == longRow) << "shift end took " << w.editor->SelText().size();
    w.editor->CutToClipboard();
    EXPECT_TRUE(QApplication::clipboard()->text().toStdString() == longRow);
    EXPECT_EQ(w.Text(), "select\r\n\r\nend");
  }
  {
    TEditorWindow w(text);
    w.editor->SetRowCol(1, 0);
    w.Key(Qt::Key_End);
    EXPECT_LE(w.editor->Col(), kMaxDrawnCol + 1) << "the caret shows within the drawn columns";
    w.Type("x");
    EXPECT_TRUE(w.Text() == "select\r\n" + longRow + "x\r\nend") << "typing after end";
    w.Key(Qt::Key_Backspace);
    w.Key(Qt::Key_Backspace);
    const std::string shorter = longRow.substr(0, longRow.size() - std::string("漢").size());
    EXPECT_TRUE(w.Text() == "select\r\n" + shorter + "\r\nend") << "backspace at the end";
    w.Key(Qt::Key_Return);
    EXPECT_TRUE(w.Text() == "select\r\n" + shorter + "\r\n\r\nend") << "return at the end";
  }
}

// The owner's events come from what the user does to the control: keys,
// clicks and the wheel, each firing only the events its change makes.
TEST(EditorEvents, KeysClicksAndTheWheelFireTheOwnersEvents) {
  std::string text;
  for (int i = 0; i < 200; ++i) text += "row " + std::to_string(i) + "\r\n";
  text += std::string(300, 'w');
  TEditorWindow w(text);
  TEditor& e = *w.editor;
  struct TCounts {
    int Caret = 0, TopRow = 0, TopCol = 0, Mode = 0;
    std::vector<bool> Selection;
  } n;
  e.OnCaretMoved = [&] { ++n.Caret; };
  e.OnTopRowChange = [&] { ++n.TopRow; };
  e.OnTopColChange = [&] { ++n.TopCol; };
  e.OnSelectionModeChange = [&] { ++n.Mode; };
  e.OnSelectionChange = [&](bool selected) { n.Selection.push_back(selected); };

  w.Key(Qt::Key_Right);
  EXPECT_GT(n.Caret, 0) << "an arrow moves the caret";
  EXPECT_EQ(n.TopRow + n.TopCol, 0) << "no scroll for a move in view";
  w.Key(Qt::Key_Right, Qt::ShiftModifier);
  w.Key(Qt::Key_Left);
  EXPECT_EQ(n.Selection, (std::vector<bool>{true, false})) << "shift selects, a plain arrow clears";

  const int caretBefore = n.Caret;
  QTest::mouseClick(w.Viewport(), Qt::LeftButton, {}, w.CellPoint(3, 2));
  EXPECT_EQ(w.Caret(), (TRowCol{3, 2}));
  EXPECT_GT(n.Caret, caretBefore) << "a click places the caret";

  w.Key(Qt::Key_PageDown);
  EXPECT_EQ(n.TopRow, 1) << "page down scrolls the rows once";
  const int topBefore = e.TopRow();
  QWheelEvent wheel(QPointF(w.CellPoint(2, 2)), QPointF(w.Viewport()->mapToGlobal(w.CellPoint(2, 2))), {},
                    QPoint(0, -2 * QWheelEvent::DefaultDeltasPerStep), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                    false);
  QApplication::sendEvent(w.Viewport(), &wheel);
  EXPECT_GT(e.TopRow(), topBefore);
  EXPECT_EQ(n.TopRow, 2) << "the wheel scrolls the rows";

  EXPECT_EQ(n.TopCol, 0);
  w.Key(Qt::Key_End, Qt::ControlModifier);
  EXPECT_GT(e.TopCol(), 0) << "the last row is wider than the view";
  EXPECT_EQ(n.TopCol, 1) << "the caret at the end of a wide row scrolls the columns";

  // What the edit menu's box mode and select-all call: select-all leaves box mode.
  e.SetSelectionMode(smBox);
  EXPECT_EQ(n.Mode, 1);
  e.SelectAll();
  EXPECT_EQ(e.Selection().Mode(), smNormal);
  EXPECT_EQ(n.Mode, 2);
  EXPECT_EQ(n.Selection.back(), true);
}
