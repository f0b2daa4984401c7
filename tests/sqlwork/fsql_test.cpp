#include "sqlwork/fsql.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPointer>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <fstream>
#include <functional>
#include <memory>

#include "app/core/fmainactcore.h"
#include "app/core/ovmsg.h"
#include "app/core/ovreg.h"
#include "app/core/ovshortcut.h"
#include "app/core/zarur.h"
#include "app/fmain.h"
#include "app/fmainact.h"
#include "app/fobject.h"
#include "app/ovhhelp.h"
#include "editor/ovmemo.h"
#include "sqlwork/core/fsqllogcore.h"
#include "sqlwork/fsqllog.h"
#include "sqlwork/sqlregister.h"
#include "tests/platform/temp_settings.h"
#include "tests/platform/whenshown.h"
#include "tests/sqlwork/sqlwindow_fixture.h"
#include "tests/standin/odbc_fixture.h"
#include "ui/ovcomctrls.h"
#include "ui/ovgrid.h"
#include "ui/ovimages.h"
#include "ui/ovprinter.h"
#include "ui/ovstdctl.h"
#include "ui/uiregister.h"
#include "ui/zarurctl.h"

// Items read in failure messages.
inline void PrintTo(const TCodeAssistItem& item, std::ostream* out) {
  *out << "{" << item.Name << ", " << item.Type << ", " << item.ImageIndex << "}";
}

namespace {

using testing_support::WhenShown;
using testing_sqlwork::Lines;
using Items = std::vector<TCodeAssistItem>;

using testing_sqlwork::SQLWindow;

TEST_F(SQLWindow, OpensRunsSwitchesAndClosesWithItsConnectionWindow) {
  TfrmObject* first = Logon();
  first->ExecSQL("CREATE SCHEMA S");
  first->ExecSQL("CREATE TABLE S.T (A INTEGER)");
  first->ExecSQL("INSERT INTO S.T VALUES (1)");
  first->ExecSQL("INSERT INTO S.T VALUES (2)");
  first->ExecSQL("COMMIT");
  TfrmObject* second = Logon();

  TfrmSQL* form = OpenFromMain();
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->ConnectionWindow, second);
  EXPECT_EQ(form->windowTitle().toStdString(), "SQL 実行 - ADMIN @ ORVTEST");
  EXPECT_EQ(form->TaskButton->text().toStdString(), "ADMIN @ ORVT…");
  EXPECT_EQ(form->cmbDBName->count(), 2);
  EXPECT_EQ(form->mnuMain->title().toStdString(), "SQL実行(&O)");
  QApplication::processEvents();
  const QList<QAction*> bar = main->menuBar()->actions();
  ASSERT_FALSE(bar.isEmpty());
  EXPECT_EQ(bar.front()->menu(), form->mnuMain) << "the window's menu leads the main window's bar while it is active";
  EXPECT_EQ(form->property(kHelpContextProperty).toInt(), 30100);
  EXPECT_FALSE(form->actExec->isEnabled()) << "nothing to run yet";

  SetText(*form, "UPDATE S.T SET A = A + 10\r\n;\r\nSELECT A FROM S.T ORDER BY A\r\n  ;  \r\nSELECT A * 2 AS B FROM S.T");
  EXPECT_TRUE(form->actExec->isEnabled());
  env.Dialogs().QueueMessage(IDOK);
  form->actExec->trigger();
  EXPECT_EQ(Boxes(), Lines{" SQLを実行しました。\r\n(対象：2 レコード )"});
  EXPECT_EQ(env.Dialogs().messages[0].checks.size(), 1u);
  ASSERT_EQ(form->pagData->count(), 2);
  EXPECT_EQ(form->pagData->tabText(0).toStdString(), "結果");
  EXPECT_EQ(form->pagData->tabText(1).toStdString(), "結果2");
  EXPECT_EQ(form->fraData->cdsData.RecordCount(), 2);
  EXPECT_EQ(form->fraData->cdsData.AsString(0), "11");
  auto* second_result = dynamic_cast<TfraData*>(form->pagData->widget(1)->layout()->itemAt(0)->widget());
  ASSERT_NE(second_result, nullptr);
  EXPECT_EQ(form->ResultFrames, std::vector<QPointer<TfraData>>{second_result}) << "the update made no frame";
  EXPECT_EQ(second_result->objectName().toStdString(), "fraData2");
  EXPECT_EQ(second_result->cdsData.AsString(0), "22");
  EXPECT_EQ(Panel2().rfind("処理時間：00:00:0", 0), 0u) << Panel2();
  EXPECT_FALSE(second->DataModule->Connection.InTransaction()) << "each statement committed";

  // Another connection: text and results stay, the window follows it.
  form->cmbDBName->setCurrentIndex(0);
  form->cmbDBNameSelect();
  EXPECT_EQ(form->ConnectionWindow, first);
  EXPECT_EQ(form->pagData->count(), 2);
  EXPECT_EQ(Editor(*form).rfind("UPDATE S.T", 0), 0u);
  TfrmSQL* other = OpenFromMain();
  ASSERT_NE(other, form);

  QPointer<TfrmSQL> firstWindow(form);
  QPointer<TfrmSQL> secondWindow(other);
  CloseFrame(first);
  EXPECT_TRUE(firstWindow.isNull()) << "closed with its connection window";
  ASSERT_FALSE(secondWindow.isNull());
  EXPECT_EQ(other->cmbDBName->count(), 1);
  CloseFrame(second);
  EXPECT_TRUE(secondWindow.isNull());
  EXPECT_EQ(env.Dialogs().unanswered, 0);
}

TEST_F(SQLWindow, BindVariablesAreAskedThenBoundIntoTheResult) {
  TfrmObject* connection = Logon();
  connection->ExecSQL("CREATE SCHEMA S");
  connection->ExecSQL("CREATE TABLE S.T (A INTEGER, B VARCHAR(10))");
  connection->ExecSQL("INSERT INTO S.T VALUES (1, 'one')");
  connection->ExecSQL("INSERT INTO S.T VALUES (2, 'two')");
  connection->ExecSQL("COMMIT");
  TfrmSQL* form = OpenFromMain();
  SetText(*form, "SELECT B FROM S.T WHERE A = :A");
  form->actExecExecute(nullptr);
  EXPECT_EQ(Panel2(), "バインド変数値を入力して下さい。");
  ASSERT_FALSE(form->grdParam->isHidden());
  EXPECT_EQ(form->grdParam->Cells(0, 0), "バインド変数名");
  EXPECT_EQ(form->grdParam->Cells(1, 0), "値");
  EXPECT_EQ(form->grdParam->Cells(0, 1), "A");
  EXPECT_FALSE(form->fraData->cdsData.Active());

  // Only the value column takes what is typed.
  form->grdParam->setFocus();
  form->grdParam->FocusCell(0, 1);
  QTest::keyClicks(form->grdParam, "9");
  EXPECT_EQ(form->grdParam->Cells(0, 1), "A");
  form->grdParam->FocusCell(1, 1);
  QTest::keyClicks(QApplication::focusWidget(), "2");
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  EXPECT_EQ(form->grdParam->Cells(1, 1), "2");
  form->actExecExecute(nullptr);
  ASSERT_TRUE(form->fraData->cdsData.Active());
  EXPECT_EQ(form->fraData->cdsData.RecordCount(), 1);
  EXPECT_EQ(form->fraData->cdsData.AsString(0), "two");

  SetText(*form, "CREATE TABLE S.U (A INTEGER, B VARCHAR(10) DEFAULT ':X')");
  form->actExecExecute(nullptr);
  EXPECT_TRUE(form->grdParam->isHidden()) << "CREATE never asks";
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].rfind(" SQLを実行しました。\r\n(対象：", 0), 0u);
}

TEST_F(SQLWindow, FailureSelectsTheStatementAndShowsTheDriversMessage) {
  Logon();
  TfrmSQL* form = OpenFromMain();
  SetText(*form, "SELECT 1 FROM S.NOSUCH\r\n;\r\nSELECT 2 FROM S.NOSUCH2");
  env.Dialogs().QueueMessage(IDOK);
  form->actExecExecute(nullptr);
  ASSERT_EQ(env.Dialogs().messages.size(), 1u) << "stopped after the first";
  const platform::MessageRequest& box = env.Dialogs().messages[0];
  EXPECT_NE(box.text.find("NOSUCH"), std::string::npos) << box.text;
  EXPECT_EQ(box.flags & 0xF0u, static_cast<unsigned>(MB_ICONWARNING));
  ASSERT_EQ(box.checks.size(), 1u);
  EXPECT_EQ(box.checks[0].caption, "処理を続行する");
  EXPECT_EQ(form->txtSQL->SelText(), "S.NOSUCH") << box.text;

  // A selection run places the caret in the selection's own rows.
  const std::string text = "SELECT 1 FROM RDBII_SYSTEM.RDBII_TABLE\r\nSELECT 1 FROM S.MISSING\r\n";
  SetText(*form, text);
  const int second = static_cast<int>(text.find("SELECT 1 FROM S."));
  form->txtSQL->SetSelection(second, static_cast<int>(text.size()) - 2);
  env.Dialogs().QueueMessage(IDOK);
  form->actExecExecute(nullptr);
  EXPECT_EQ(form->txtSQL->SelText(), "S.MISSING");
}

TEST_F(SQLWindow, FilesOpenSortedAppendedAndSaveAsUtf8) {
  Logon();
  TfrmSQL* form = OpenFromMain();
  WriteFile("b.sql", "SELECT 'b' FROM T\r\n");
  WriteFile("a.sql", "-- \x93\xfa\x96\x7b\r\nSELECT 'a' FROM T");  // "日本" in CP932
  env.Dialogs().QueueFiles({env.Path("b.sql"), env.Path("a.sql")});
  form->actOpen->trigger();
  EXPECT_EQ(Editor(*form), "-- 日本\r\nSELECT 'a' FROM T\r\nSELECT 'b' FROM T\r\n");
  EXPECT_FALSE(form->txtSQL->CanUndo());

  env.Dialogs().QueueFiles({env.Path("a.sql"), env.Path("missing.sql")});
  form->actOpen->trigger();
  EXPECT_EQ(Editor(*form), "-- 日本\r\nSELECT 'a' FROM T\r\n") << "files read before the failure stay";
  EXPECT_EQ(env.Dialogs().messages.back().flags & 0xF0u, static_cast<unsigned>(MB_ICONERROR));

  form->WMDropFiles({env.Path("b.sql"), env.Path("a.sql")});
  EXPECT_EQ(Editor(*form), "-- 日本\r\nSELECT 'a' FROM T\r\nSELECT 'b' FROM T\r\n");

  env.Dialogs().QueueFile(env.Path("out.sql"));
  form->actSave->trigger();
  EXPECT_EQ(env.Dialogs().files.back().fileName, "Script.sql");
  EXPECT_EQ(Boxes().back(), "ファイルに出力しました。");
  QFile out(QString::fromStdString(env.Path("out.sql")));
  ASSERT_TRUE(out.open(QIODevice::ReadOnly));
  EXPECT_EQ(out.readAll().toStdString(), "-- 日本\r\nSELECT 'a' FROM T\r\nSELECT 'b' FROM T\r\n");
}

TEST_F(SQLWindow, RunsRecordChangedTextsAndTheActionsStepThroughThem) {
  Logon();
  TfrmSQL* form = OpenFromMain();
  const std::string first = "SELECT 1 AS A FROM RDBII_SYSTEM.RDBII_TABLE\r\n";
  const std::string second = "SELECT 2 AS B FROM RDBII_SYSTEM.RDBII_TABLE\r\n";
  SetText(*form, first);
  form->actExecExecute(nullptr);
  form->actExecExecute(nullptr);
  EXPECT_EQ(SQLLogFiles.size(), 1u) << "an unchanged text is recorded once";
  SetText(*form, second);
  form->actExecExecute(nullptr);
  ASSERT_EQ(SQLLogFiles.size(), 2u);
  EXPECT_EQ(form->LogIndex, 0);

  form->actPrev->trigger();
  EXPECT_EQ(form->LogIndex, 1);
  EXPECT_EQ(Editor(*form), first);
  form->actPrev->trigger();
  EXPECT_EQ(form->LogIndex, 1) << "at the oldest nothing happens";
  form->actExecExecute(nullptr);
  EXPECT_EQ(SQLLogFiles.size(), 2u) << "a loaded entry run unchanged is not recorded";
  form->LogIndex = 1;
  form->actNext->trigger();
  EXPECT_EQ(Editor(*form), second);
  form->actNext->trigger();
  EXPECT_EQ(form->LogIndex, -1);
  EXPECT_FALSE(form->actExec->isEnabled()) << "stepped past the newest: empty";
  form->actNext->trigger();
  EXPECT_EQ(form->LogIndex, -1);
  form->actPrev->trigger();
  EXPECT_EQ(Editor(*form), second);

  // A history file that cannot be written stops the run before any statement.
  WriteFile("blocked", "");
  AppOption.TempDir = env.Path("blocked") + "/";
  SetText(*form, "DELETE FROM RDBII_SYSTEM.RDBII_TABLE\r\n");
  form->actExec->trigger();
  EXPECT_EQ(SQLLogFiles.size(), 2u);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(env.Dialogs().messages[0].flags & 0xF0u, static_cast<unsigned>(MB_ICONERROR));
}

TEST_F(SQLWindow, CodeAssistRequestAsksTheCatalogueThroughTheWindowsQuery) {
  TfrmObject* connection = Logon();
  connection->ExecSQL("CREATE SCHEMA S");
  TfrmSQL* form = OpenFromMain();
  AppOption.CodeAssist = true;
  const std::string text = "SELECT * FROM S.";
  SetText(*form, text);
  form->txtSQL->setFocus();
  form->txtSQL->SetRowCol(0, static_cast<int>(text.size()));
  EXPECT_TRUE(SendFormMessage(form, kMsgCodeAssist, 1, 1));
  EXPECT_NE(form->qrySQL.SQL(), "") << testing::PrintToString(Boxes());
}

// "履歴" loads the entry picked in the history dialog; leaving the dialog
// without a pick leaves the editor and the position alone.
TEST_F(SQLWindow, TheHistoryDialogsChoiceIsLoaded) {
  Logon();
  TfrmSQL* form = OpenFromMain();
  const Lines texts[] = {{"SELECT 1", "FROM A"}, {"SELECT 2 FROM B"}, {"SELECT 3 FROM C"}};
  for (const Lines& text : texts) RecordSQLLog(text);  // newest first: C, B, A
  // Over a typed text, picks `row` in the dialog and leaves it by `button`.
  const auto pick = [form](int row, QToolButton* TfrmSQLLog::*button) {
    SetText(*form, "typed\r\n");
    WhenShown<TfrmSQLLog>([row, button](TfrmSQLLog& dialog) {
      dialog.lstSQL->setCurrentRow(row);
      (dialog.*button)->click();
    });
    form->actLog->trigger();
  };
  pick(2, &TfrmSQLLog::btnSelect);
  EXPECT_EQ(form->LogIndex, 2);
  EXPECT_EQ(Editor(*form), "SELECT 1\r\nFROM A\r\n");
  EXPECT_FALSE(form->txtSQL->Modified()) << "an entry run unchanged is not recorded again";

  pick(0, &TfrmSQLLog::btnExit);
  EXPECT_EQ(form->LogIndex, 2);
  EXPECT_EQ(Editor(*form), "typed\r\n");
  EXPECT_EQ(env.Dialogs().unanswered, 0);
}

// F6, a typed "." and Ctrl+Space open the list for the word before the
// caret; the empty word's list holds the schemas and the reserved words.
TEST_F(SQLWindow, CompletionOpensTheListForTheWordBeforeTheCaret) {
  TfrmObject* connection = Logon();
  connection->ExecSQL("CREATE SCHEMA S");
  // The stand-in describes only its sample's tables, so S.T is described here.
  const std::string schema = " FROM RDBII_SYSTEM.RDBII_SCHEMA S WHERE S.SCHEMA_NAME = 'S'";
  connection->ExecSQL("INSERT INTO RDBII_SYSTEM.RDBII_TABLE SELECT S.DB_CODE, S.DB_NAME, S.SCHEMA_CODE, "
                      "S.SCHEMA_NAME, 900001, 'T', 'BS', 'ADMIN', '', 'YES', 'N'" + schema);
  const std::string column = "INSERT INTO RDBII_SYSTEM.RDBII_COLUMN SELECT S.DB_CODE, S.SCHEMA_CODE, 900001, ";
  connection->ExecSQL(column + "1, 'A', 1, 'IN', NULL, NULL, 9, 0, 10, 'YES', NULL" + schema);
  connection->ExecSQL(column + "2, 'B', 2, 'CV', 10, 10, NULL, NULL, NULL, 'YES', NULL" + schema);
  connection->ExecSQL("COMMIT");
  TfrmSQL* form = OpenFromMain();
  AppOption.CodeAssist = true;
  TovMemo& editor = *form->txtSQL;
  const std::vector<std::string> words = editor.ReserveWordList().Strings();
  ASSERT_FALSE(words.empty()) << "the main window's reserved words";
  Items schemaAndWords{{"S", "SCHEMA", 4}};
  Items wordsSE;
  for (const std::string& word : words) {
    schemaAndWords.push_back({word, "KEYWORD", 10});
    if (word.rfind("SE", 0) == 0) wordsSE.push_back({word, "KEYWORD", 10});
  }
  ASSERT_GT(wordsSE.size(), 1u);
  struct Case {
    std::string text;
    std::function<void()> ask;
    Items shown;
  };
  const Case cases[] = {
      {"", [&] { QTest::keyClick(&editor, Qt::Key_F6); }, schemaAndWords},
      {"SELECT S.T", [&] { QTest::keyClick(&editor, '.'); },
       {{"*", "", -1}, {"A", "INTEGER", -1}, {"B", "CHAR VARYING", -1}}},
      {"SELECT * FROM T WHERE SE", [&] { QTest::keyClick(&editor, Qt::Key_Space, Qt::ControlModifier); }, wordsSE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    editor.CloseCodeAssist();
    SetText(*form, c.text);
    editor.setFocus();
    editor.SetRowCol(0, static_cast<int>(c.text.size()));
    c.ask();
    TovCodeAssist* popup = editor.CodeAssist();
    ASSERT_NE(popup, nullptr) << testing::PrintToString(Boxes());
    EXPECT_TRUE(popup->isVisible());
    EXPECT_EQ(popup->Candidates().Matches(), c.shown);
  }
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(SQLWindow, ClosesWhenItsConnectionLeavesTheList) {
  TfrmObject* first = Logon();
  TfrmObject* second = Logon();
  TfrmSQL* form = OpenFromMain();
  ASSERT_EQ(form->ConnectionWindow, second);
  QPointer<TfrmSQL> guard(form);
  main->RemoveConnectionEntry(first);
  SendFormMessage(form, kMsgConnectionsChanged);
  ASSERT_FALSE(guard.isNull());
  EXPECT_EQ(form->cmbDBName->count(), 1);
  EXPECT_EQ(form->cmbDBName->currentText().toStdString(), "ADMIN @ ORVTEST");
  main->RemoveConnectionEntry(second);
  SendFormMessage(form, kMsgConnectionsChanged);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(guard.isNull());
}

TEST_F(SQLWindow, ASelectionRunsAloneButTheWholeTextIsRecorded) {
  Logon();
  TfrmSQL* form = OpenFromMain();
  const std::string text = "SELECT 1 AS A FROM RDBII_SYSTEM.RDBII_TABLE\r\nSELECT 2 AS B FROM RDBII_SYSTEM.RDBII_TABLE\r\n";
  SetText(*form, text);
  const int second = static_cast<int>(text.find("SELECT 2"));
  form->txtSQL->SetSelection(second, static_cast<int>(text.size()) - 2);
  form->actExecExecute(nullptr);
  ASSERT_TRUE(form->fraData->cdsData.Active());
  EXPECT_EQ(form->fraData->cdsData.Fields()[0].FieldName, "B");
  ASSERT_EQ(SQLLogFiles.size(), 1u);
  std::string recorded;
  for (const std::string& line : ReadSQLLogEntry(0)) recorded += line + "\r\n";
  EXPECT_EQ(recorded, text);
}

TEST_F(SQLWindow, SizesAreKeptUnderExecSql) {
  Logon();
  TfrmSQL* form = OpenFromMain();
  QWidget* frame = form->parentWidget();
  frame->resize(640, 480);
  CloseFrame(form);
  platform::KeyScope key(AppRegistry);
  ASSERT_TRUE(AppRegistry.OpenKey(GuiKey("EXECSQL"), false));
  EXPECT_EQ(AppRegistry.ReadInteger("Width"), 640);
  EXPECT_EQ(AppRegistry.ReadInteger("Height"), 480);
  EXPECT_GT(AppRegistry.ReadInteger("SQLHeight"), 0);
}

// Fresh windows open at their design size; a size stored from a window
// squeezed to a title bar is ignored, and so is an editor height of nothing.
TEST_F(SQLWindow, WindowsOpenAtTheirDesignSizeAndIgnoreSqueezedStoredSizes) {
  const QSize objectDesign(640, 440);
  const QSize sqlDesign(640, 480);
  const auto atLeast = [](QSize size, QSize design) {
    return size.width() >= design.width() && size.height() >= design.height();
  };
  TfrmObject* object = Logon();
  QCoreApplication::processEvents();
  EXPECT_TRUE(atLeast(object->size(), objectDesign)) << object->width() << "x" << object->height();
  TfrmSQL* fresh = OpenFromMain();
  ASSERT_NE(fresh, nullptr);
  QCoreApplication::processEvents();
  EXPECT_TRUE(atLeast(fresh->size(), sqlDesign)) << fresh->width() << "x" << fresh->height();
  CloseFrame(fresh);
  {
    platform::KeyScope key(AppRegistry);
    ASSERT_TRUE(AppRegistry.OpenKey(GuiKey("EXECSQL"), true));
    AppRegistry.WriteInteger("Width", 120);
    AppRegistry.WriteInteger("Height", 28);
    AppRegistry.WriteInteger("SQLHeight", 30);
  }
  TfrmSQL* again = OpenFromMain();
  ASSERT_NE(again, nullptr);
  QCoreApplication::processEvents();
  EXPECT_TRUE(atLeast(again->size(), sqlDesign)) << again->width() << "x" << again->height();
  EXPECT_GT(again->pnlSQL->height(), again->height() / 2) << "the editor takes its default share";
}

// The frames show the program's icon or the window's own, never the toolkit's.
TEST_F(SQLWindow, EveryChildWindowCarriesTheProgramsIconOrItsOwn) {
  constexpr int kIconSize = 16;
  Logon();
  ASSERT_NE(OpenFromMain(), nullptr);
  const auto image = [](const QIcon& icon) { return icon.pixmap(kIconSize).toImage(); };
  const QList<QMdiSubWindow*> frames = main->mdiArea->subWindowList();
  ASSERT_EQ(frames.size(), 2);
  for (QMdiSubWindow* frame : frames) {
    const bool sql = qobject_cast<TfrmSQL*>(frame->widget()) != nullptr;
    SCOPED_TRACE(sql ? "SQL window" : "object window");
    ASSERT_FALSE(frame->windowIcon().isNull());
    EXPECT_EQ(image(frame->windowIcon()), image(sql ? frame->widget()->windowIcon() : imgMain().Icon(0)));
  }
  EXPECT_EQ(image(main->windowIcon()), image(imgMain().Icon(0)));
}

TEST_F(SQLWindow, TheSqlWindowCommandRunsItsText) {
  TfrmSQL* form = RunSQLWindowCommand("SELECT 7 AS N FROM RDBII_SYSTEM.RDBII_TABLE");
  ASSERT_NE(form, nullptr);
  EXPECT_TRUE(form->fraData->cdsData.Active());
}

// Only results make frames: the statements between them share one spare
// frame, which the next result takes.
TEST_F(SQLWindow, StatementsWithoutResultsMakeNoFrames) {
  TfrmObject* connection = Logon();
  connection->ExecSQL("CREATE SCHEMA S");
  connection->ExecSQL("CREATE TABLE S.T (A INTEGER)");
  connection->ExecSQL("COMMIT");
  TfrmSQL* form = OpenFromMain();
  ASSERT_NE(form, nullptr);
  std::string script = "SELECT COUNT(*) AS N FROM S.T\r\n;\r\n";
  for (int i = 0; i < 20; ++i) script += "INSERT INTO S.T VALUES (" + std::to_string(i) + ")\r\n;\r\n";
  script += "SELECT COUNT(*) AS N FROM S.T\r\n;\r\nINSERT INTO S.T VALUES (99)";
  SetText(*form, script);
  env.Dialogs().QueueMessage(IDOK, {true});  // no further result boxes
  form->actExec->trigger();
  EXPECT_EQ(env.Dialogs().messages.size(), 1u);
  ASSERT_EQ(form->pagData->count(), 2);
  EXPECT_TRUE(form->pagData->tabBar()->isVisible()) << "the tabs are shown again after the run";
  auto* second = dynamic_cast<TfraData*>(form->pagData->widget(1)->layout()->itemAt(0)->widget());
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->cdsData.AsString(0), "20");
  EXPECT_EQ(form->ResultFrames.size(), 2u) << "the second page's frame and one spare";
  EXPECT_EQ(form->ResultFrames.front(), second);
  int frames = 0;
  for (const QObject* child : form->findChildren<QObject*>())
    frames += dynamic_cast<const TfraData*>(child) != nullptr;
  EXPECT_EQ(frames, 3) << "the window's own, the second page's and the spare";

  // A run while the window is hidden leaves the tabs to show with it.
  QWidget* frame = form->parentWidget();
  frame->hide();
  env.Dialogs().QueueMessage(IDOK, {true});
  form->actExec->trigger();
  frame->show();
  EXPECT_TRUE(form->pagData->tabBar()->isVisible());
}

// A page's spreadsheet output renews a closed result through its owner.
TEST_F(SQLWindow, RenewingAResultRunsTheWindowAgain) {
  TfrmSQL* window = RunSQLWindowCommand("SELECT 7 AS N FROM RDBII_SYSTEM.RDBII_TABLE");
  ASSERT_NE(window, nullptr);
  TfrmSQL& form = *window;
  form.fraData->cdsData.Close();
  static_cast<TDataOwner&>(form).RenewResult();
  EXPECT_TRUE(form.fraData->cdsData.Active());
}

}  // namespace
