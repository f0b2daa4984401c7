#include "sqlwork/fexecscr.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileSystemModel>
#include <QListWidget>
#include <QMenuBar>
#include <QSplitter>
#include <QPointer>
#include <QTest>
#include <QTextBrowser>
#include <QTreeView>

#include <fstream>
#include <string>

#include "app/core/fmainactcore.h"
#include "app/core/ovreg.h"
#include "editor/ovmemo.h"
#include "standin/symfoware/standin.h"
#include "tests/sqlwork/sqlwindow_fixture.h"
#include "tests/standin/tools_sample.h"

namespace {

using testing_sqlwork::Lines;

class ScriptWindow : public testing_sqlwork::SQLWindow {
 protected:
  ScriptWindow() { AppOption.ScrExecDir.clear(); }

  // A logon with the table S.T (A INTEGER).
  TfrmObject* LogonWithTable() {
    TfrmObject* connection = Logon();
    for (const char* sql : {"CREATE SCHEMA S", "CREATE TABLE S.T (A INTEGER)", "COMMIT"}) connection->ExecSQL(sql);
    return connection;
  }
  TfrmExecScript* OpenRunner() {
    QAction* action = main->actMain->Action("actViewScript");
    EXPECT_TRUE(action->isEnabled());
    action->trigger();
    for (QWidget* w : main->ChildWindows())
      if (auto* form = qobject_cast<TfrmExecScript*>(w)) return form;
    return nullptr;
  }
  std::string Script(const std::string& name, const std::string& text) {
    const std::string path = env.Path(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  static Lines Entries(TfrmExecScript& form) {
    Lines paths;
    for (const TScriptEntry& e : form.Scripts()) paths.push_back(e.Path);
    return paths;
  }
  static Lines Log(TfrmExecScript& form) {
    Lines lines;
    for (int i = 0; i < form.txtLog->Lines().GetCount(); ++i) lines.push_back(form.txtLog->Lines().Get(i));
    return lines;
  }
  static Lines Journal() {
    Lines statements;
    for (const symfoware::TJournalEntry& e : symfoware::StatementJournal()) statements.push_back(e.Statement);
    return statements;
  }
};

TEST_F(ScriptWindow, TheMenuOpensTheRunnerWhichRunsItsFilesOnTheConnection) {
  TfrmObject* connection = LogonWithTable();
  TfrmExecScript* form = OpenRunner();
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->windowTitle().toStdString(), "スクリプト実行 - ADMIN @ ORVTEST");
  EXPECT_EQ(form->mnuMain->title().toStdString(), "スクリプト実行(&O)");
  QApplication::processEvents();
  ASSERT_FALSE(main->menuBar()->actions().isEmpty());
  EXPECT_EQ(main->menuBar()->actions().front()->menu(), form->mnuMain) << "merged into the main window's bar";
  EXPECT_FALSE(form->actExec->isEnabled()) << "nothing to run yet";

  const std::string b = Script("b.sql", "REM the second\r\nUPDATE S.T SET A = A + 10\r\n");
  const std::string a = Script("a.sql", "INSERT INTO S.T VALUES (1)\r\n  ;  \r\nremark\r\nINSERT INTO S.T VALUES (2)\r\n;\r\n");
  form->WMDropFiles({b, a});
  EXPECT_EQ(Entries(*form), (Lines{a, b})) << "dropped files sorted";
  EXPECT_TRUE(form->actExec->isEnabled());

  symfoware::ClearStatementJournal();
  env.Dialogs().QueueMessage(IDYES, {true, false});
  env.Dialogs().QueueMessage(IDOK);
  form->actExec->trigger();
  EXPECT_EQ(Journal(), (Lines{"INSERT INTO S.T VALUES (1)", "INSERT INTO S.T VALUES (2)", "UPDATE S.T SET A = A + 10"}));
  EXPECT_EQ(Log(*form), (Lines{"", "スクリプト実行 [ " + a + " ]", "《正常終了》", "《正常終了》", "",
                               "スクリプト実行 [ " + b + " ]", "《正常終了》"}));
  EXPECT_EQ(Boxes(), (Lines{"スクリプトを実行しますか？", "スクリプトの実行を終了しました。"}));
  EXPECT_TRUE(Entries(*form).empty()) << "clean files removed";
  EXPECT_TRUE(AppOption.ScriptCompDel);
  TovSQLQuery& rows = connection->OpenSQL("SELECT SUM(A) FROM S.T");
  EXPECT_EQ(rows.AsString(size_t{0}), "23");
  EXPECT_EQ(env.Dialogs().unanswered, 0);
}

TEST_F(ScriptWindow, AFailingStatementIsLoggedAndMarkedAndItsFileStays) {
  TfrmObject* connection = LogonWithTable();
  TfrmExecScript* form = OpenRunner();
  ASSERT_NE(form, nullptr);
  const std::string a = Script("a.sql", "INSERT INTO S.NOTHING\r\nVALUES (1)\r\n;\r\nINSERT INTO S.T VALUES (5)\r\n");
  const std::string b = Script("b.sql", "INSERT INTO S.T VALUES (6)\r\n");
  form->WMDropFiles({a, b});
  env.Dialogs().QueueMessage(IDYES, {true, false});
  env.Dialogs().QueueMessage(IDOK);
  form->actExec->trigger();
  const Lines log = Log(*form);
  ASSERT_GE(log.size(), 6u);
  EXPECT_EQ(log[2], "《エラー》");
  EXPECT_EQ(form->txtLog->Rows().RowMarks(2), 2);
  EXPECT_EQ(log[3], "INSERT INTO S.NOTHING");
  EXPECT_EQ(log[4], "VALUES (1)");
  EXPECT_NE(log[5].find("NOTHING"), std::string::npos) << log[5];
  EXPECT_EQ(Boxes().back(), "スクリプトの実行を終了しました。\r\n( 1個のエラーが発生しました )");
  EXPECT_EQ(Entries(*form), Lines{a});
  TovSQLQuery& rows = connection->OpenSQL("SELECT SUM(A) FROM S.T");
  EXPECT_EQ(rows.AsString(size_t{0}), "11");
}

TEST_F(ScriptWindow, TheListTakesFilesOfTheFolderAndMovesOnlyOneEntry) {
  Logon();
  TfrmExecScript* form = OpenRunner();
  ASSERT_NE(form, nullptr);
  QDir().mkpath(QString::fromStdString(env.Path("files/sub")));
  Script("files/c.sql", "SELECT 1");
  Script("files/a.sql", "SELECT 1");
  form->SetFolder(env.Path("files"));
  EXPECT_EQ(form->cmbFolder->currentText().toStdString(), env.Path("files"));
  EXPECT_EQ(form->cmbFolder->itemText(1).toStdString(), env.Path(""));
  const QModelIndex root = form->lstFile->rootIndex();
  QTRY_COMPARE(form->fileModel->rowCount(root), 3);
  EXPECT_FALSE(form->actSelect->isEnabled());
  form->lstFile->selectAll();
  EXPECT_TRUE(form->actSelect->isEnabled());
  form->actSelect->trigger();
  EXPECT_EQ(Entries(*form), (Lines{env.Path("files/a.sql"), env.Path("files/c.sql")})) << "files only, sorted";
  form->SetFolder(env.Path("gone"));
  EXPECT_EQ(form->Folder(), env.Path("files")) << "a missing folder is passed over";

  form->lstScript->setCurrentRow(1);
  EXPECT_TRUE(form->actUp->isEnabled());
  form->actUp->trigger();
  EXPECT_EQ(Entries(*form), (Lines{env.Path("files/c.sql"), env.Path("files/a.sql")}));
  EXPECT_TRUE(form->lstScript->item(0)->isSelected());
  form->actUp->trigger();
  EXPECT_EQ(Entries(*form).front(), env.Path("files/c.sql")) << "nothing above the top";

  form->lstScript->selectAll();
  EXPECT_FALSE(form->actUp->isEnabled());
  env.Dialogs().QueueMessage(IDOK);
  form->actDownExecute();
  EXPECT_EQ(Boxes(), Lines{"同時に複数行を移動する事は出来ません。１行だけ選択して下さい。"});
  EXPECT_EQ(Entries(*form), (Lines{env.Path("files/c.sql"), env.Path("files/a.sql")}));

  // Enter opens the entry with the desktop's handler for its kind.
  QTextBrowser opened;
  QDesktopServices::setUrlHandler("file", &opened, "setSource");
  form->lstScript->setCurrentRow(1);
  QTest::keyClick(form->lstScript, Qt::Key_Return);
  QDesktopServices::unsetUrlHandler("file");
  EXPECT_EQ(opened.source().toLocalFile().toStdString(), env.Path("files/a.sql"));

  form->lstScript->setCurrentRow(0);
  QTest::keyClick(form->lstScript, Qt::Key_Delete);
  EXPECT_EQ(Entries(*form), Lines{env.Path("files/a.sql")});

  // The folder shown is remembered by a run.
  env.Dialogs().QueueMessage(IDYES);
  env.Dialogs().QueueMessage(IDOK);
  form->actExec->trigger();
  EXPECT_EQ(AppOption.ScrExecDir, env.Path("files"));
  EXPECT_EQ(env.Dialogs().unanswered, 0);
}

TEST_F(ScriptWindow, ClosesWithItsConnectionAndKeepsItsSizes) {
  TfrmObject* connection = Logon();
  QPointer<TfrmExecScript> form(OpenRunner());
  ASSERT_FALSE(form.isNull());
  form->splHeader->setSizes({100, 200});
  form->SaveWindowSize();
  platform::KeyScope key(AppRegistry);
  ASSERT_TRUE(AppRegistry.OpenKey(GuiKey("EXECSCRIPT"), false));
  EXPECT_EQ(AppRegistry.ReadIntegerDef("HeaderHeight", -1), form->splList->height());
  EXPECT_EQ(AppRegistry.ReadIntegerDef("ListWidth", -1), form->lstScript->width());
  CloseFrame(connection);
  EXPECT_TRUE(form.isNull());
}

}  // namespace
