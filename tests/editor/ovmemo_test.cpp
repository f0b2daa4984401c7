#include "editor/ovmemo.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QSizeGrip>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace {

constexpr int kWheelNotch = 120;

// A shown memo on a form of its own.
struct TShownMemo {
  explicit TShownMemo(const std::string& text = "") {
    form.resize(700, 500);
    memo = new TovMemo(&form);
    memo->setGeometry(10, 20, 600, 300);
    memo->Lines().SetTextStr(text);
    form.show();
    form.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
    memo->setFocus();
  }
  // The client point at the middle of a cell.
  QPoint CellPoint(int row, int col) const {
    return {memo->TextLeft() + (col - memo->TopCol()) * memo->CellWidth() + memo->CellWidth() / 2,
            memo->TextTop() + (row - memo->TopRow()) * memo->RowHeight() + memo->RowHeight() / 2};
  }
  QWidget form;
  TovMemo* memo;
};

// Counts what reaches a widget: key presses and input-method commits.
class TEventLog : public QObject {
 public:
  explicit TEventLog(QObject* target) { target->installEventFilter(this); }
  std::vector<std::string> Seen;
  std::function<void()> OnFirst;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      const auto* key = static_cast<QKeyEvent*>(event);
      std::string entry = "key " + std::to_string(key->key()) + " " + key->text().toStdString();
      if (key->modifiers() & Qt::ShiftModifier) entry += " shift";
      if (key->modifiers() & Qt::ControlModifier) entry += " ctrl";
      Seen.push_back(entry);
    } else if (event->type() == QEvent::InputMethod) {
      Seen.push_back("ime " + static_cast<QInputMethodEvent*>(event)->commitString().toStdString());
    } else {
      return false;
    }
    if (Seen.size() == 1 && OnFirst) OnFirst();
    return false;
  }
};

void Wheel(QWidget* target, int delta) {
  const QPointF at(10, 10);
  QWheelEvent wheel(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(target, &wheel);
}

TEST(Memo, ConstructionStartsWithThePopupsFirstSize) {
  TovMemo memo;
  EXPECT_EQ(memo.CodeAssist(), nullptr);
  EXPECT_EQ(memo.AssistSize(), QSize(256, 150));
  EXPECT_EQ(memo.AssistColumnWidth(0), 125);
  EXPECT_EQ(memo.AssistColumnWidth(1), 90);
  EXPECT_EQ(memo.MacroList(), nullptr);
  memo.CloseCodeAssist();  // nothing open: nothing happens
}

TEST(Memo, ClickedWordIsSelectedByTheSQLWordRule) {
  struct Case {
    int col;
    const char* selected;
  };
  // Row 1 holds wide characters: "日本" takes columns 2-5.
  TShownMemo f("SELECT a.b,'x y' FROM S.T\r\nx 日本_1.列");
  for (const Case& c : {Case{2, "SELECT"}, Case{7, "a"}, Case{8, ""}, Case{9, "b"}, Case{10, ""}, Case{12, "x"},
                        Case{14, "y"}, Case{18, "FROM"}, Case{22, "S"}, Case{24, "T"}, Case{40, ""}}) {
    f.memo->CleanSelection();
    f.memo->SelectTokenAt(f.CellPoint(0, c.col), false, false);
    EXPECT_EQ(f.memo->SelText(), c.selected) << c.col;
  }
  for (const Case& c :
       {Case{2, "日本_1"}, Case{5, "日本_1"}, Case{7, "日本_1"}, Case{8, ""}, Case{9, "列"}, Case{10, "列"}}) {
    f.memo->CleanSelection();
    f.memo->SelectTokenAt(f.CellPoint(1, c.col), false, false);
    EXPECT_EQ(f.memo->SelText(), c.selected) << "wide row, column " << c.col;
  }
}

TEST(Memo, DoubleClickSelectsTheSQLWord) {
  TShownMemo f("SELECT a.bcd FROM t");
  // A double click: a click that puts the caret, then the double click.
  QTest::mouseClick(f.memo->viewport(), Qt::LeftButton, {}, f.CellPoint(0, 10));
  QTest::mouseDClick(f.memo->viewport(), Qt::LeftButton, {}, f.CellPoint(0, 10));
  EXPECT_EQ(f.memo->SelText(), "bcd");
}

TEST(Memo, CaretWordIsTheWordLeftOfTheCaret) {
  struct Case {
    int row;
    int col;
    const char* word;
  };
  TShownMemo f("SELECT * FROM S.T\r\n\r\nx 日本.\r\nSELECT '.\r\nFROM S.");
  for (const Case& c : {Case{0, 17, "S.T"}, Case{0, 16, "S.T"}, Case{0, 15, "S.T"}, Case{0, 14, ""}, Case{0, 0, ""},
                        Case{1, 0, ""}, Case{2, 6, "日本."}, Case{2, 7, "日本."}, Case{3, 9, "."}, Case{4, 7, "S."}}) {
    f.memo->SetRowCol(c.row, c.col);
    EXPECT_EQ(f.memo->GetCaretWord(), c.word) << c.row << ":" << c.col;
  }
}

TEST(Memo, JumpShowsTheLineWithRowsAroundItAndTheCaretAtItsStart) {
  std::string text;
  for (int i = 1; i <= 200; ++i) text += "line " + std::to_string(i) + "\r\n";
  text += "last";
  TShownMemo f(text);
  const int visible = f.memo->CaretModel().VisibleRows();
  ASSERT_GT(visible, 12);
  for (const int line : {1, 100, 201}) {
    f.memo->SetTopRow(line > 100 ? 0 : 150);
    JumpToLine(*f.memo, line);
    EXPECT_EQ(f.memo->Row(), line - 1) << line;
    EXPECT_EQ(f.memo->Col(), 0) << line;
    EXPECT_LE(f.memo->TopRow(), std::max(0, line - 11)) << line;
    EXPECT_GE(f.memo->TopRow() + visible, std::min(line + 9, 201)) << line;
  }
  EXPECT_TRUE(f.memo->hasFocus());
  f.memo->SetRowCol(5, 2);
  JumpToLine(*f.memo, 500);
  EXPECT_EQ(f.memo->Row(), 5) << "a line beyond the text moves nothing";
}

TEST(Memo, CaretGoesToAUtf8OffsetInARow) {
  struct Case {
    int row;
    int offset;
    int caretRow;
    int caretCol;
  };
  // "あい" is 6 bytes and 4 columns; a line break counts 2.
  TShownMemo f("あいx\r\nyう");
  for (const Case& c : {Case{0, 0, 0, 0}, Case{0, 3, 0, 2}, Case{0, 6, 0, 4}, Case{0, 7, 0, 5}, Case{0, 9, 1, 0},
                        Case{0, 10, 1, 1}, Case{1, 1, 1, 1}, Case{1, 4, 1, 3}}) {
    MemoMoveCaretToOffset(*f.memo, c.row, c.offset);
    EXPECT_EQ(f.memo->Row(), c.caretRow) << c.row << "+" << c.offset;
    EXPECT_EQ(f.memo->Col(), c.caretCol) << c.row << "+" << c.offset;
  }
}

TEST(Memo, OneWheelNotchScrollsExactlyOneRow) {
  std::string text;
  for (int i = 0; i < 100; ++i) text += "row\r\n";
  TShownMemo f(text);
  f.memo->SetTopRow(10);
  Wheel(f.memo->viewport(), -kWheelNotch);
  EXPECT_EQ(f.memo->TopRow(), 11);
  Wheel(f.memo->viewport(), 2 * kWheelNotch);
  EXPECT_EQ(f.memo->TopRow(), 9);
  Wheel(f.memo->viewport(), kWheelNotch / 2);
  EXPECT_EQ(f.memo->TopRow(), 9) << "half a notch waits for the other half";
  Wheel(f.memo->viewport(), kWheelNotch / 2);
  EXPECT_EQ(f.memo->TopRow(), 8);
}

TEST(Memo, SelectRowsSelectsWholeRows) {
  TShownMemo f("one\r\ntwo\r\nthree\r\nfour");
  f.memo->SetSelStart(1);
  f.memo->SetSelLength(2);
  f.memo->SelectRows(1, 2);
  EXPECT_EQ(f.memo->SelText(), "two\r\nthree\r\n");
  f.memo->SelectRows(3, 3);
  EXPECT_EQ(f.memo->SelText(), "four");
}

TEST(Memo, UndoAndRedoByTheRedoFlagUnlessReadOnly) {
  TShownMemo f("SELECT em");
  f.memo->SetRowCol(0, 9);
  f.memo->ReplaceAroundCaret(2, 0, "EMP");
  EXPECT_EQ(f.memo->Lines().GetTextStr(), "SELECT EMP");
  f.memo->Undo(false);
  EXPECT_EQ(f.memo->Lines().GetTextStr(), "SELECT em");
  f.memo->Undo(true);
  EXPECT_EQ(f.memo->Lines().GetTextStr(), "SELECT EMP");
  f.memo->SetReadOnly(true);
  f.memo->Undo(false);
  EXPECT_EQ(f.memo->Lines().GetTextStr(), "SELECT EMP");
}

TEST(Memo, TypedPrefixAroundTheCaretGivesWayToTheCandidate) {
  TShownMemo f("FROM sc.t1 WHERE\r\nnext");
  f.memo->SetRowCol(0, 9);  // after "t"
  f.memo->ReplaceAroundCaret(1, 1, "TABLE_1");
  EXPECT_EQ(f.memo->Lines().GetTextStr(), "FROM sc.TABLE_1 WHERE\r\nnext");
  EXPECT_EQ(f.memo->Row(), 0);
  EXPECT_EQ(f.memo->Col(), 15);
}

// ---- keyboard macros ----

TEST(MemoMacro, KeysRecordedInOneMemoPlayInAnotherWithTheirModifiers) {
  TovMacroList list;
  TShownMemo first;
  TShownMemo second;
  first.memo->SetMacroList(&list);
  second.memo->SetMacroList(&list);
  first.memo->StartMacroRecord();
  EXPECT_EQ(list.State(), msRecording);
  QTest::keyClicks(first.memo, "ab");
  QKeyEvent home(QEvent::KeyPress, Qt::Key_Home, Qt::ShiftModifier);
  QApplication::sendEvent(first.memo, &home);
  first.memo->StopMacroRecord();
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Items(2), (TMacroRecord{kMacroKeyDown, Qt::Key_Home, "", true, false, false}));

  TEventLog log(second.memo);
  second.memo->PlayMacro();
  EXPECT_EQ(log.Seen, (std::vector<std::string>{"key " + std::to_string(Qt::Key_A) + " a",
                                                "key " + std::to_string(Qt::Key_B) + " b",
                                                "key " + std::to_string(Qt::Key_Home) + "  shift"}));
  EXPECT_EQ(list.State(), msRecorded);
  EXPECT_EQ(list.Count(), 3) << "playing records nothing";
}

TEST(MemoMacro, AWordTypedInOneMemoIsTypedInAnother) {
  TovMacroList list;
  TShownMemo first("x");
  TShownMemo second("SELECT ");
  first.memo->SetMacroList(&list);
  second.memo->SetMacroList(&list);
  first.memo->SetRowCol(0, 1);
  first.memo->StartMacroRecord();
  QTest::keyClicks(first.memo, "emp");
  QTest::keyClick(first.memo, Qt::Key_Return);
  QInputMethodEvent commit;
  commit.setCommitString("日本");
  QApplication::sendEvent(first.memo, &commit);
  first.memo->StopMacroRecord();
  EXPECT_EQ(first.memo->Lines().GetTextStr(), "xemp\r\n日本");
  second.memo->SetRowCol(0, 7);
  second.memo->setFocus();
  second.memo->PlayMacro();
  EXPECT_EQ(second.memo->Lines().GetTextStr(), "SELECT emp\r\n日本");
}

TEST(MemoMacro, AnInputMethodCommitIsRecordedOnceAndPlayedAsACommit) {
  TovMacroList list;
  TShownMemo f;
  f.memo->SetMacroList(&list);
  f.memo->StartMacroRecord();
  QInputMethodEvent commit;
  commit.setCommitString("日本");
  QApplication::sendEvent(f.memo, &commit);
  QKeyEvent echo(QEvent::KeyPress, 0, Qt::NoModifier, "日本");
  QApplication::sendEvent(f.memo, &echo);
  f.memo->StopMacroRecord();
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Items(0).Message, kMacroImeChar);
  TEventLog log(f.memo);
  f.memo->PlayMacro();
  EXPECT_EQ(log.Seen, std::vector<std::string>{"ime 日本"});
}

TEST(MemoMacro, StartingToRecordWhilePlayingDoesNothingAndStopEndsThePlay) {
  TovMacroList list;
  TShownMemo f;
  f.memo->SetMacroList(&list);
  f.memo->StartMacroRecord();
  QTest::keyClicks(f.memo, "xyz");
  f.memo->StopMacroRecord();
  TEventLog log(f.memo);
  log.OnFirst = [&] {
    f.memo->StartMacroRecord();
    EXPECT_EQ(list.State(), msPlaying);
    f.memo->StopMacroPlay();
  };
  f.memo->PlayMacro();
  EXPECT_EQ(log.Seen.size(), 1U) << "the play stops after the record that stopped it";
  EXPECT_EQ(list.State(), msRecorded);
  EXPECT_EQ(list.Count(), 3);
}

TEST(MemoMacro, CancelFromRecordingEmptiesAndADestroyedMemoEndsItsRecording) {
  TovMacroList list;
  {
    TShownMemo f;
    f.memo->SetMacroList(&list);
    f.memo->StartMacroRecord();
    QTest::keyClicks(f.memo, "ab");
    f.memo->CancelMacroRecord();
    EXPECT_EQ(list.State(), msEmpty);
    EXPECT_EQ(list.Count(), 0);
    f.memo->StartMacroRecord();
    QTest::keyClicks(f.memo, "c");
  }
  EXPECT_EQ(list.State(), msRecorded);
  EXPECT_EQ(list.Count(), 1);
  TovMemo alone;
  alone.StartMacroRecord();  // no list: nothing
  alone.PlayMacro();
}

// ---- the code-completion popup ----

struct TAssistFixture : TShownMemo {
  explicit TAssistFixture(const std::string& text = "SELECT * FROM em") : TShownMemo(text) {
    memo->SetRowCol(0, static_cast<int>(text.size()));
  }
  TovCodeAssist* Open(const std::string& prefix, int count = 0, int x = 40, int y = 30) {
    auto* popup = new TovCodeAssist(*memo, &form, x, y);
    popup->AddColumn("オブジェクト名");
    popup->AddColumn("タイプ");
    for (const char* name : {"EMP", "EMPLOYEE", "DEPT"}) popup->AddCandidate(name, "TABLE", 3);
    for (int i = 0; i < count; ++i) popup->AddCandidate("EMP_" + std::to_string(i), "VIEW", 4);
    popup->SetPrefix(prefix);
    popup->show();
    popup->FilterItems();
    return popup;
  }
  static std::vector<std::string> Names(const QTreeWidget& list) {
    std::vector<std::string> names;
    for (int i = 0; i < list.topLevelItemCount(); ++i) names.push_back(list.topLevelItem(i)->text(0).toStdString());
    return names;
  }
};

TEST(CodeAssist, PlacedBelowTheCaretInsideTheMemo) {
  TAssistFixture f;
  TovCodeAssist* popup = f.Open("em", 0, 40, 30);
  EXPECT_TRUE(popup->isHidden() == false);
  EXPECT_EQ(popup->parentWidget(), &f.form);
  EXPECT_EQ(popup->geometry(), QRect(10 + 40, 30 + 20 + f.memo->FontPixelSize() + 40, 256, 150));
  EXPECT_EQ(popup->columnCount(), 2);
  EXPECT_EQ(popup->headerItem()->text(1).toStdString(), "タイプ");
  EXPECT_EQ(popup->columnWidth(0), 125);
  EXPECT_EQ(popup->columnWidth(1), 90);
  // Near the memo's right edge it moves left by the excess.
  TovCodeAssist* right = f.Open("em", 0, 500, 30);
  EXPECT_EQ(popup->isEnabled(), false) << "a second popup closes the first";
  EXPECT_EQ(right->geometry().left(), 10 + 500 - (500 + 256 - (600 - 30)));
  EXPECT_EQ(right->width(), 256);
}

TEST(CodeAssist, FilterListsAHundredAndMoreOnRequest) {
  TAssistFixture f;
  TovCodeAssist* popup = f.Open("em", 130);
  EXPECT_EQ(popup->topLevelItemCount(), 100);
  EXPECT_EQ(popup->currentItem()->text(0).toStdString(), "EMP");
  EXPECT_TRUE(popup->currentItem()->isSelected());
  EXPECT_TRUE(popup->hasFocus());
  QTest::keyClick(popup, Qt::Key_PageDown);
  EXPECT_EQ(popup->topLevelItemCount(), 108);
  QTest::keyClick(popup, Qt::Key_Down);
  EXPECT_EQ(popup->topLevelItemCount(), 109);
  QTest::keyClick(popup, Qt::Key_End);
  EXPECT_EQ(popup->topLevelItemCount(), 132);
  EXPECT_EQ(popup->topLevelItem(131)->text(1).toStdString(), "VIEW");
}

TEST(CodeAssist, TypedCharactersNarrowTheListAndReachTheMemo) {
  TAssistFixture f;
  TovCodeAssist* popup = f.Open(" em ");
  EXPECT_EQ(popup->Prefix(), "em") << "the prefix is trimmed";
  EXPECT_EQ(f.Names(*popup), (std::vector<std::string>{"EMP", "EMPLOYEE"}));
  TEventLog log(f.memo);
  QTest::keyClicks(popup, "pl");
  EXPECT_EQ(popup->Prefix(), "empl");
  EXPECT_EQ(f.Names(*popup), std::vector<std::string>{"EMPLOYEE"});
  QTest::keyClick(popup, Qt::Key_Backspace);
  EXPECT_EQ(f.Names(*popup), (std::vector<std::string>{"EMP", "EMPLOYEE"}));
  QInputMethodEvent commit;
  commit.setCommitString("ｘ");
  QApplication::sendEvent(popup, &commit);
  EXPECT_EQ(popup->Prefix(), "empｘ");
  EXPECT_EQ(popup->topLevelItemCount(), 0);
  EXPECT_EQ(log.Seen, (std::vector<std::string>{"key " + std::to_string(Qt::Key_P) + " p",
                                                "key " + std::to_string(Qt::Key_L) + " l",
                                                "key " + std::to_string(Qt::Key_Backspace) + " \b", "ime ｘ"}));
}

TEST(CodeAssist, AcceptingReplacesThePrefixAndTypesTheCharacterButEnter) {
  struct Case {
    Qt::Key key;
    const char* text;
    bool typed;
  };
  for (const Case& c : {Case{Qt::Key_Return, "\r", false}, Case{Qt::Key_Enter, "\r", false},
                        Case{Qt::Key_Tab, "\t", true}, Case{Qt::Key_Space, " ", true}, Case{Qt::Key_Percent, "%", true},
                        Case{Qt::Key_Comma, ",", true}, Case{Qt::Key_Period, ".", true},
                        Case{Qt::Key_Semicolon, ";", true}}) {
    TAssistFixture f;
    TovCodeAssist* popup = f.Open("em");
    TEventLog log(f.memo);
    QKeyEvent key(QEvent::KeyPress, c.key, Qt::NoModifier, c.text);
    QApplication::sendEvent(popup, &key);
    EXPECT_EQ(f.memo->Lines().GetTextStr(), std::string("SELECT * FROM EMP") + (c.typed ? c.text : "")) << c.text;
    EXPECT_EQ(f.memo->CodeAssist(), nullptr) << c.text;
    EXPECT_EQ(log.Seen.size(), c.typed ? 1U : 0U) << c.text;
    EXPECT_TRUE(f.memo->hasFocus());
  }
}

TEST(CodeAssist, AcceptingInsideThePrefixReplacesTheWholePrefix) {
  TAssistFixture f;
  TovCodeAssist* popup = f.Open("em");
  QTest::keyClicks(popup, "p");
  EXPECT_EQ(f.memo->Lines().GetTextStr(), "SELECT * FROM emp") << "the memo shows the typed prefix";
  QTest::keyClick(popup, Qt::Key_Left);
  QTest::keyClick(popup, Qt::Key_Left);
  EXPECT_EQ(f.memo->Col(), 15) << "the memo's caret follows the prefix caret";
  QTest::keyClick(popup, Qt::Key_Period);
  EXPECT_EQ(f.memo->Lines().GetTextStr(), "SELECT * FROM EMP.");
}

TEST(CodeAssist, LeftAtThePrefixStartAndRightAtItsEndCloseAndMoveTheMemosCaret) {
  TAssistFixture f;
  TovCodeAssist* popup = f.Open("em");
  QTest::keyClick(popup, Qt::Key_Right);
  EXPECT_EQ(f.memo->CodeAssist(), nullptr);
  EXPECT_EQ(f.memo->Col(), 17) << "Right goes on to the memo";
  f.memo->SetRowCol(0, 14);
  popup = f.Open("");
  QTest::keyClick(popup, Qt::Key_Left);
  EXPECT_EQ(f.memo->CodeAssist(), nullptr);
  EXPECT_EQ(f.memo->Col(), 13);
}

TEST(CodeAssist, CtrlSpaceDoesNothingAndEscClosesKeepingThePrefix) {
  TAssistFixture f;
  TovCodeAssist* popup = f.Open("em");
  QTest::keyClick(popup, Qt::Key_Space, Qt::ControlModifier);
  EXPECT_EQ(f.memo->CodeAssist(), popup);
  QTest::keyClicks(popup, "p");
  QTest::keyClick(popup, Qt::Key_Escape);
  EXPECT_EQ(f.memo->CodeAssist(), nullptr);
  EXPECT_EQ(f.memo->Lines().GetTextStr(), "SELECT * FROM emp");
  EXPECT_TRUE(f.memo->hasFocus());
}

TEST(CodeAssist, BackspaceAtThePrefixStartClosesAndGoesToTheMemo) {
  TAssistFixture f;
  TovCodeAssist* popup = f.Open("");
  TEventLog log(f.memo);
  QTest::keyClick(popup, Qt::Key_Backspace);
  EXPECT_EQ(f.memo->CodeAssist(), nullptr);
  EXPECT_EQ(log.Seen, std::vector<std::string>{"key " + std::to_string(Qt::Key_Backspace) + " \b"});
  EXPECT_EQ(f.memo->Lines().GetTextStr(), "SELECT * FROM e");
}

TEST(CodeAssist, ReopeningKeepsTheLastSizeAndColumnWidths) {
  TAssistFixture f;
  TovCodeAssist* popup = f.Open("em");
  popup->resize(300, 180);
  popup->setColumnWidth(0, 140);
  popup->setColumnWidth(1, 70);
  f.memo->CloseCodeAssist();
  EXPECT_EQ(f.memo->AssistSize(), QSize(300, 180));
  TovCodeAssist* again = f.Open("em");
  EXPECT_EQ(again->size(), QSize(300, 180));
  EXPECT_EQ(again->columnWidth(0), 140);
  EXPECT_EQ(again->columnWidth(1), 70);
}

TEST(CodeAssist, TheGripInItsCornerResizesThePopupAlone) {
  TAssistFixture f;
  TovCodeAssist* popup = f.Open("em");
  auto* grip = popup->findChild<QSizeGrip*>();
  ASSERT_NE(grip, nullptr);
  EXPECT_EQ(grip->geometry().bottomRight(), popup->rect().bottomRight());
  const QSize formSize = f.form.size();
  const QPoint start = grip->rect().center();
  QTest::mousePress(grip, Qt::LeftButton, {}, start);
  QMouseEvent move(QEvent::MouseMove, QPointF(start + QPoint(30, 20)), grip->mapToGlobal(QPointF(start + QPoint(30, 20))),
                   Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(grip, &move);
  QTest::mouseRelease(grip, Qt::LeftButton, {}, start + QPoint(30, 20));
  EXPECT_EQ(popup->size(), QSize(256 + 30, 150 + 20));
  EXPECT_EQ(f.form.size(), formSize);
}

TEST(CodeAssist, ClosesWhenTheMemoResizesScrollsOrIsClicked) {
  TAssistFixture f;
  f.Open("em");
  f.memo->resize(500, 300);
  EXPECT_EQ(f.memo->CodeAssist(), nullptr);
  f.Open("em");
  f.memo->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(f.memo->CodeAssist(), nullptr);
  f.Open("em");
  QTest::mouseClick(f.memo->viewport(), Qt::LeftButton);
  EXPECT_EQ(f.memo->CodeAssist(), nullptr);
  f.Open("em");
  QLineEdit other(&f.form);
  other.show();
  other.setFocus();
  EXPECT_EQ(f.memo->CodeAssist(), nullptr) << "the focus went elsewhere";
  EXPECT_TRUE(other.hasFocus()) << "and stays there";
}

}  // namespace
