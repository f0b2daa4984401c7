#include "sqlwork/fexecscr.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QSplitter>
#include <QPointer>
#include <QScrollBar>
#include <QTest>
#include <QTextBrowser>
#include <QTreeView>

#include <fstream>
#include <string>

#include "app/core/fmainactcore.h"
#include "app/core/ovreg.h"
#include "editor/ovmemo.h"
#include "sqlwork/fsql.h"
#include "standin/symfoware/standin.h"
#include "tests/sqlwork/sqlwindow_fixture.h"
#include "tests/standin/tools_sample.h"
#include "ui/ovstdctl.h"

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

TEST_F(ScriptWindow, TheListScrollsOverItsWidestEntryAndEveryRunnerSharesTheHeadersDirections) {
  Logon();
  TfrmExecScript* form = OpenRunner();
  ASSERT_NE(form, nullptr);
  const std::string wide = Script(std::string(120, 'w') + ".sql", "");
  const std::string narrow = Script("n.sql", "");
  form->WMDropFiles({narrow, wide});
  const int extent = form->lstScript->fontMetrics().horizontalAdvance(QString::fromStdString(wide)) + 170;
  EXPECT_EQ(form->lstScript->HorizontalExtent(), extent);
  EXPECT_EQ(form->lstScript->horizontalScrollBar()->maximum(),
            std::max(0, extent - form->lstScript->viewport()->width()));
  form->lstScript->selectAll();
  form->actDeleteExecute();
  EXPECT_EQ(form->lstScript->HorizontalExtent(), 0);
  EXPECT_EQ(form->lstScript->horizontalScrollBar()->maximum(), 0);

  // A second runner turns the direction the first one left.
  main->actMain->Action("actViewScript")->trigger();
  std::vector<TfrmExecScript*> runners;
  for (QWidget* w : main->ChildWindows())
    if (auto* runner = qobject_cast<TfrmExecScript*>(w)) runners.push_back(runner);
  ASSERT_EQ(runners.size(), 2u);
  QDir().mkpath(QString::fromStdString(env.Path("files")));
  Script("files/a.sql", "");
  Script("files/c.sql", "");
  auto clickHeader = [](TfrmExecScript& runner, int column) {
    QHeaderView& header = *runner.lstFile->header();
    QTest::mouseClick(header.viewport(), Qt::LeftButton, {},
                      QPoint(header.sectionViewportPosition(column) + 3, header.height() / 2));
    return header.sortIndicatorOrder();
  };
  auto first = [](TfrmExecScript& runner) {
    return runner.fileModel->index(0, 0, runner.lstFile->rootIndex()).data().toString().toStdString();
  };
  for (TfrmExecScript* runner : runners) {
    runner->SetFolder(env.Path("files"));
    QTRY_COMPARE(runner->fileModel->rowCount(runner->lstFile->rootIndex()), 2);
  }
  EXPECT_EQ(clickHeader(*runners[0], 0), Qt::AscendingOrder);
  QTRY_COMPARE(first(*runners[0]), std::string("a.sql"));
  EXPECT_EQ(clickHeader(*runners[1], 0), Qt::DescendingOrder);
  QTRY_COMPARE(first(*runners[1]), std::string("c.sql"));
  EXPECT_EQ(clickHeader(*runners[0], 1), Qt::AscendingOrder) << "each header its own direction";
  EXPECT_EQ(clickHeader(*runners[1], 0), Qt::AscendingOrder);
}

// The caret of the log and of the SQL window's editor in the main window's
// status bar, while they have the focus.
TEST_F(ScriptWindow, TheLogAndTheSQLEditorShowTheirCaretInTheStatusBar) {
  Logon();
  TfrmExecScript* form = OpenRunner();
  ASSERT_NE(form, nullptr);
  form->WMDropFiles({Script("a.sql", "CREATE SCHEMA S2\r\n")});
  env.Dialogs().QueueMessage(IDYES, {false, false});
  env.Dialogs().QueueMessage(IDOK);
  main->activateWindow();
  form->actExec->trigger();
  ASSERT_TRUE(form->txtLog->hasFocus());
  QLabel* panel = main->StatusPanel(kStatusCaretPanel);
  EXPECT_EQ(panel->text().toStdString(), "3 : 1") << "the start of the log's last line";
  form->txtLog->SetRowCol(0, 0);
  EXPECT_EQ(panel->text().toStdString(), "1 : 1");

  TfrmSQL* sql = OpenFromMain();
  ASSERT_NE(sql, nullptr);
  sql->txtSQL->setFocus();
  ASSERT_TRUE(sql->txtSQL->hasFocus());
  sql->txtSQL->Lines().SetTextStr("SELECT\r\n  1");
  sql->txtSQL->SetRowCol(1, 2);
  EXPECT_EQ(panel->text().toStdString(), "2 : 3");
  // An editor without the focus leaves the panel alone.
  form->txtLog->SetRowCol(1, 0);
  EXPECT_EQ(panel->text().toStdString(), "2 : 3");
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
