// The SQL editors of a window follow the user's editor settings, as the
// program wires them at start.
#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

#include "app/core/fmainactcore.h"
#include "app/core/zarur.h"
#include "app/fmain.h"
#include "app/fmainact.h"
#include "app/fmainedit.h"
#include "app/ovforms.h"
#include "editor/ovmemo.h"
#include "tests/platform/temp_settings.h"
#include "tests/platform/testapp.h"
#include "ui/ovfinddlg.h"
#include "ui/ovprinter.h"
#include "ui/uiregister.h"
#include "ui/zarurctl.h"

namespace {

constexpr TColor kUserColor = 0x00C0FFEE;

// The main window as the program builds it, its settings in a store of the test's own.
class TovFormMemos : public testing::Test {
 protected:
  TovFormMemos() {
    TestApp();
    InitFolders();
    AppOption = {};
    window = std::make_unique<TfrmMain>();
    RegisterUi(*window);
  }
  ~TovFormMemos() override {
    SetControlOptionsWindow(nullptr);
    SetPrintOwner(nullptr);
    ClearActionHandlers();
  }
  // Shows the main window and `form` in it, the main window active.
  bool ShowActive(TovForm& form) {
    window->show();
    form.show();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window.get());
  }
  testing_support::TempSettings env;
  std::unique_ptr<TfrmMain> window;
};

TEST_F(TovFormMemos, EveryMemoOfAWindowGetsTheMainWindowsEditorSettings) {
  TfrmMain& main = *window;
  main.prpEditor->SetColor(kUserColor);
  TEditorFont font = main.prpEditor->Font();
  font.Size = 14;
  main.prpEditor->SetFont(font);

  auto* form = new TovForm(&main);
  auto* first = new TovMemo(form);
  auto* panel = new QWidget(form);
  auto* second = new TovMemo(panel);
  EXPECT_NE(first->Color(), kUserColor) << "nothing before the window is shown";
  main.show();
  form->show();
  for (TovMemo* memo : {first, second}) {
    EXPECT_EQ(memo->Color(), kUserColor);
    EXPECT_EQ(memo->Font().Size, 14);
    EXPECT_EQ(memo->PopupMenu(), main.actMain->popEditor);
    EXPECT_EQ(memo->MacroList(), &SharedMacroList);
  }

  // The main window's macro actions drive the focused memo.
  main.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
  first->setFocus();
  QAction* record = main.actMain->Action("actEditMacroSave");
  QAction* play = main.actMain->Action("actEditMacroExec");
  record->trigger();
  EXPECT_EQ(SharedMacroList.State(), msRecording);
  QTest::keyClicks(first, "ab");
  main.actMain->UpdateActions();
  EXPECT_EQ(record->text().toStdString(), "マクロ記録終了");
  record->trigger();
  EXPECT_EQ(SharedMacroList.State(), msRecorded);
  second->setFocus();
  main.actMain->UpdateActions();
  EXPECT_TRUE(play->isEnabled());
  play->trigger();
  EXPECT_EQ(second->Lines().GetTextStr(), "ab") << "recorded in one memo, played in the other";
  delete form;
}

// Replace-all through the replace dialog on a shown SQL editor: one pass
// over the text, and one undo step takes every replacement back.
TEST_F(TovFormMemos, ReplaceAllIsOnePassAndOneUndoStep) {
  TfrmMain& main = *window;
  auto* form = new TovForm(&main);
  auto* memo = new TovMemo(form);
  ASSERT_TRUE(ShowActive(*form));
  constexpr int kLines = 20000;
  std::string text;
  std::string expected;
  for (int i = 0; i < kLines; ++i) {
    text += "select a from t" + std::to_string(i) + ";\r\n";
    expected += "select a FROM t" + std::to_string(i) + ";\r\n";
  }
  memo->Lines().SetTextStr(text);
  memo->setFocus();
  memo->SetSelection(0, 0);
  main.actMain->Action("actEditReplace")->trigger();
  TovFindDialog* replace = main.actMain->EditActions->dlgReplace;
  replace->SetFindText("From");
  replace->txtReplace->setText("FROM");
  replace->btnReplaceAll->click();
  replace->hide();
  ASSERT_FALSE(env.Dialogs().messages.empty());
  EXPECT_EQ(env.Dialogs().messages.back().text, std::to_string(kLines) + "個の置換を行いました。");
  EXPECT_TRUE(memo->Lines().GetTextStr() == expected);
  memo->setFocus();
  main.actMain->Action("actEditUndo")->trigger();
  EXPECT_TRUE(memo->Lines().GetTextStr() == text) << "one undo step";
  main.actMain->Action("actEditRedo")->trigger();
  EXPECT_TRUE(memo->Lines().GetTextStr() == expected);
  delete form;
}

// A long line read to its end scrolls the view right; formatting it into
// short lines brings the view back to the first column.
TEST_F(TovFormMemos, FormattingReturnsTheViewToTheFirstColumn) {
  TfrmMain& main = *window;
  auto* form = new TovForm(&main);
  auto* memo = new TovMemo(form);
  ASSERT_TRUE(ShowActive(*form));
  std::string text = "select a";
  constexpr int kColumns = 60;
  for (int i = 0; i < kColumns; ++i) text += ", column" + std::to_string(i);
  text += " from t";
  memo->Lines().SetTextStr(text);
  memo->setFocus();
  QTest::keyClick(memo, Qt::Key_End);
  ASSERT_GT(memo->TopCol(), 0);
  // The action turns on in the idle update that follows, as on the screen.
  QAction* format = main.actMain->Action("actEditFormat");
  constexpr int kIdleWaits = 100;
  constexpr int kIdleWaitMillis = 10;
  for (int i = 0; i < kIdleWaits && !format->isEnabled(); ++i) QTest::qWait(kIdleWaitMillis);
  format->trigger();
  EXPECT_EQ(memo->Lines().GetTextStr().substr(0, 9), "SELECT A\r");
  EXPECT_EQ(memo->TopCol(), 0);
  delete form;
}

}  // namespace
