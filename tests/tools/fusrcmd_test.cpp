// The user-command editor as the user drives it: the list and its order,
// save, add, delete and revert with their questions, and closing with
// changes.
#include "tools/fusrcmd.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QTest>

#include <functional>

#include "app/core/ovdoc.h"
#include "app/core/ovshortcut.h"
#include "app/core/zarur.h"
#include "editor/ovmemo.h"
#include "tests/common/program_main.h"
#include "tests/platform/temp_settings.h"
#include "tests/platform/whenshown.h"
#include "tools/core/fusrcmdcore.h"
#include "ui/ovstdctl.h"

namespace {

using testing_support::WhenShown;

class UserCommandEditor : public testing::Test {
 protected:
  UserCommandEditor() : main(testing_support::StartProgramMain()) {}
  ~UserCommandEditor() override { testing_support::StopProgramMain(main); }

  static void Command(const std::string& name, int seq, const std::string& sql = "SELECT 1", int shortCut = 0) {
    WriteUserCommandDocument(ShareDir, name, {seq, shortCut, {false, false, false, sql}});
  }
  static TUserCommandDocument Stored(const std::string& name) {
    return ReadUserCommandDocument(UserCommandPath(ShareDir, name));
  }
  static bool Exists(const std::string& name) {
    return QFile::exists(QString::fromStdString(UserCommandPath(ShareDir, name)));
  }
  // Runs the editor; `steps` end by closing it (or the test closes it).
  void Run(const std::function<void(TfrmUserCommand&)>& steps) {
    bool shown = false;
    WhenShown<TfrmUserCommand>([&shown, steps](TfrmUserCommand& form) {
      shown = true;
      steps(form);
      if (form.isVisible()) form.actExit->trigger();
    });
    ShowUserCommand();
    EXPECT_TRUE(shown);
  }
  static std::vector<std::string> Listed(const TfrmUserCommand& form) {
    std::vector<std::string> names;
    for (int i = 0; i < form.lstCommand->count(); ++i) names.push_back(form.lstCommand->item(i)->text().toStdString());
    return names;
  }
  static void TypeSQL(TfrmUserCommand& form, const char* text) {
    form.txtSQL->setFocus();
    QTest::keyClicks(form.txtSQL, text);
  }
  static void TypeName(TfrmUserCommand& form, const char* text) {
    form.txtName->clear();
    QTest::keyClicks(form.txtName, text);
  }
  std::vector<std::string> Boxes() {
    std::vector<std::string> texts;
    for (const platform::MessageRequest& m : env.Dialogs().messages) texts.push_back(m.text);
    return texts;
  }
  std::vector<std::string> MenuItems() const {
    std::vector<std::string> names;
    for (QAction* item : main->findChildren<QMenu*>("mnuUserCommand").value(0)->actions())
      if (!item->isSeparator() && item->objectName().isEmpty()) names.push_back(item->text().toStdString());
    return names;
  }

  testing_support::TempSettings env;
  std::unique_ptr<TfrmMain> main;
};

TEST_F(UserCommandEditor, ListsTheCommandsByNameThenNumberAndShowsTheFirst) {
  Command("A", 1, "SELECT *\r\n  FROM &OWNER.&NAME", kScCtrl | 'Q');
  Command("B", 2);
  Command("C", 1);
  Run([](TfrmUserCommand& form) {
    EXPECT_EQ(form.windowTitle().toStdString(), "ユーザー定義コマンド");
    EXPECT_EQ(Listed(form), (std::vector<std::string>{"A", "C", "B"}));
    EXPECT_EQ(form.lstCommand->currentRow(), 0);
    EXPECT_EQ(form.txtName->text().toStdString(), "A");
    EXPECT_EQ(form.txtSeq->text().toStdString(), "1");
    EXPECT_EQ(form.hotShortCut->HotKey(), kScCtrl | 'Q');
    EXPECT_EQ(form.txtSQL->Text(), "SELECT *\r\n  FROM &OWNER.&NAME");
    EXPECT_TRUE(form.chkSQLWindow->isEnabled());
    EXPECT_FALSE(form.actSave->isEnabled());
    EXPECT_FALSE(form.actAdd->isEnabled());
    EXPECT_TRUE(form.actDelete->isEnabled());
    EXPECT_FALSE(form.actRevert->isEnabled());
  });
  // The menu rebuilt on close follows the same order.
  EXPECT_EQ(MenuItems(), (std::vector<std::string>{"A", "C", "B"}));
}

TEST_F(UserCommandEditor, SaveAddDeleteAndRevert) {
  Command("A", 1);
  Command("B", 2);
  env.Dialogs().QueueMessage(IDOK);   // the name taken
  env.Dialogs().QueueMessage(IDYES);  // revert
  env.Dialogs().QueueMessage(IDYES);  // delete B
  Run([this](TfrmUserCommand& form) {
    TypeSQL(form, "X");
    form.chkError->click();
    EXPECT_TRUE(form.actSave->isEnabled());
    form.actSave->trigger();
    EXPECT_EQ(Stored("A").Command.SQL, "XSELECT 1");
    EXPECT_TRUE(Stored("A").Command.Error);
    EXPECT_FALSE(form.actSave->isEnabled());

    // A new name: save is off, add writes a second file.
    TypeName(form, "d");
    form.txtSeq->setText("0");
    EXPECT_EQ(form.txtName->text().toStdString(), "D") << "names are upper case";
    EXPECT_FALSE(form.actSave->isEnabled());
    form.actAdd->trigger();
    EXPECT_TRUE(Exists("D"));
    EXPECT_TRUE(Exists("A"));
    EXPECT_EQ(Listed(form), (std::vector<std::string>{"D", "A", "B"}));
    EXPECT_EQ(form.lstCommand->currentRow(), 0);

    // Another listed command's name is refused.
    TypeName(form, "b");
    form.actAdd->trigger();
    EXPECT_EQ(Boxes().back(), kCommandExists);
    EXPECT_EQ(Stored("B").Command.SQL, "SELECT 1");

    form.actRevert->trigger();  // yes
    EXPECT_EQ(form.txtName->text().toStdString(), "D");
    EXPECT_FALSE(form.actRevert->isEnabled());

    form.lstCommand->setCurrentRow(2);
    ASSERT_EQ(form.txtName->text().toStdString(), "B");
    form.actDelete->trigger();  // yes
    EXPECT_FALSE(Exists("B"));
    EXPECT_EQ(Listed(form), (std::vector<std::string>{"D", "A"}));
  });
  EXPECT_EQ(env.Dialogs().messages[1].text, "全ての変更を取り消しますか？");
  EXPECT_EQ(env.Dialogs().messages[2].text, "選択中のコマンドを削除しますか？");
  EXPECT_EQ(env.Dialogs().messages[2].flags, static_cast<unsigned>(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2));
  EXPECT_EQ(env.Dialogs().unanswered, 0);
}

TEST_F(UserCommandEditor, ChoosingAnotherCommandAsksAboutTheChanges) {
  Command("A", 1);
  Command("B", 2);
  env.Dialogs().QueueMessage(IDCANCEL);
  env.Dialogs().QueueMessage(IDYES);
  Run([](TfrmUserCommand& form) {
    TypeSQL(form, "Y");
    form.lstCommand->setCurrentRow(1);  // cancel: stays on A with the change
    EXPECT_EQ(form.lstCommand->currentRow(), 0);
    EXPECT_EQ(form.txtSQL->Text(), "YSELECT 1");
    form.lstCommand->setCurrentRow(1);  // yes: A saved, B shown
    EXPECT_EQ(form.txtName->text().toStdString(), "B");
    EXPECT_EQ(Stored("A").Command.SQL, "YSELECT 1");
  });
  EXPECT_EQ(env.Dialogs().unanswered, 0);
}

TEST_F(UserCommandEditor, ClosingWithAnEmptySQLTextKeepsTheEditorOpen) {
  Command("A", 1);
  env.Dialogs().QueueMessage(IDYES);  // save on close: refused
  env.Dialogs().QueueMessage(IDOK);
  env.Dialogs().QueueMessage(IDNO);   // then closed without saving
  Run([this](TfrmUserCommand& form) {
    form.txtSQL->setFocus();
    form.txtSQL->SelectAll();
    QTest::keyClick(form.txtSQL, Qt::Key_Delete);
    EXPECT_FALSE(form.close());
    EXPECT_EQ(Boxes().back(), kNoCommandSQL);
    EXPECT_TRUE(form.isVisible());
    form.close();
  });
  EXPECT_EQ(Stored("A").Command.SQL, "SELECT 1");
  EXPECT_EQ(env.Dialogs().unanswered, 0);
}

TEST_F(UserCommandEditor, ANameThatWouldLeaveTheFolderIsRefused) {
  env.Dialogs().QueueMessage(IDOK);
  Run([this](TfrmUserCommand& form) {
    TypeName(form, "X/Y");
    TypeSQL(form, "SELECT 2");
    form.actAdd->trigger();
    EXPECT_EQ(Boxes().back(), kInvalidNameMessage);
    EXPECT_TRUE(form.txtName->hasFocus());
    form.Changed = false;
  });
  EXPECT_TRUE(UserCommandListEntries(ShareDir).empty());
  EXPECT_FALSE(QFile::exists(QString::fromStdString(ShareDir + "USERCMD/X")));
}

TEST_F(UserCommandEditor, TheHotKeyTakesTheKeyPressedAndBackspaceClearsIt) {
  Run([](TfrmUserCommand& form) {
    QTest::keyClick(form.hotShortCut, Qt::Key_F5, Qt::ControlModifier);
    EXPECT_EQ(form.hotShortCut->HotKey(), TextToShortCut("Ctrl+F5"));
    EXPECT_TRUE(form.Changed);
    QTest::keyClick(form.hotShortCut, Qt::Key_Backspace);
    EXPECT_EQ(form.hotShortCut->HotKey(), 0);
    form.Changed = false;
  });
}

}  // namespace
