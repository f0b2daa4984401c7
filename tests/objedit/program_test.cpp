// The editors as the running program reaches them: 定義情報 on a name
// selected in an SQL window opens the editor registered for the object's
// kind, and its compile goes through the preview and the execution window;
// a node of its 相関 page opens the node's editor through the dispatch.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "app/core/fmainactcore.h"
#include "app/core/ovatexit.h"
#include "app/core/ovddlhooks.h"
#include "app/core/ovkinds.h"
#include "app/core/ovmsg.h"
#include "app/fmainact.h"
#include "app/fobjddl.h"
#include "editor/ovmemo.h"
#include "objedit/fddlexec.h"
#include "objedit/fddlpreview.h"
#include "objedit/fexecprc.h"
#include "objedit/findex.h"
#include "objedit/frole.h"
#include "objedit/fseq.h"
#include "objedit/fsource.h"
#include "objedit/ftrigger.h"
#include "objedit/fview.h"
#include "objedit/rcross.h"
#include "objedit/rgrant.h"
#include "objedit/rstorage.h"
#include "sqlwork/fsql.h"
#include "sqlwork/rexplan.h"
#include "sqlwork/sqlregister.h"
#include "tests/objedit/frames_fixture.h"
#include "tests/objedit/test_editor.h"
#include "tests/platform/whenshown.h"
#include "tests/standin/tools_sample.h"
#include "ui/ovchklst.h"
#include "ui/ovcomctrls.h"
#include "ui/ovgrid.h"
#include "ui/ovstdctl.h"
#include "ui/rdata.h"

namespace testing_objedit {
namespace {

class ProgramTest : public FramesTest {
 protected:
  ProgramTest() {
    // The registration order of the program, the test editor after it.
    ClearActionHandlers();
    RegisterUi(*main);
    RegisterSqlWork();
    RegisterObjEdit();
    RegisterTestEditor();
  }

  // Opens 定義情報 on a name typed and selected in a new SQL window. The
  // main window weighs its edit actions when the focus moves, so the text
  // is selected before the editor takes the focus.
  void DefinitionOf(const std::string& name) {
    main->actMain->Action("actViewSQL")->trigger();
    TfrmSQL* sql = Windows<TfrmSQL>().back();
    sql->txtSQL->Lines().SetTextStr(name);
    sql->txtSQL->SelectAll();
    // A window shown and hidden on the way may have taken the activation:
    // focus moves are reported only inside the active window.
    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
    sql->txtSQL->clearFocus();
    sql->txtSQL->setFocus();
    QAction* open = main->actMain->Action("actEditOpen");
    ASSERT_TRUE(QTest::qWaitFor([open] { return open->isEnabled(); })) << "定義情報 stayed disabled";
    open->trigger();
  }
  // Previews the next compile, keeping the lines shown, and runs it.
  Lines CompileThroughPreview(TovObjectEditor& editor) {
    AppOption.ShowDDL = true;
    AppOption.CloseDDL = true;
    Lines previewed;
    testing_support::WhenShown<TfrmDDLPreview>([&](TfrmDDLPreview& preview) {
      for (int i = 0; i < preview.txtLog->Lines().GetCount(); ++i) previewed.push_back(preview.txtLog->Lines().Get(i));
      preview.btnOK->click();
    });
    editor.actCompile->trigger();
    return previewed;
  }
};

TEST_F(ProgramTest, RegistrationInstallsTheDDLWindows) {
  EXPECT_TRUE(ShowDDLPreviewInstalled());
  EXPECT_TRUE(RunDDLExecInstalled());
  EXPECT_TRUE(WaitDDLExecInstalled());
}

TEST_F(ProgramTest, DefinitionOfASelectedNameOpensItsEditorWhichCompilesThroughBothWindows) {
  TfrmObject* connection = Logon();
  connection->ExecSQL("CREATE TABLE S1.T1 (C1 CHAR(4))");
  DefinitionOf("S1.T1");
  ASSERT_EQ(Windows<TfrmSQL>().size(), 1u);
  const std::vector<TfrmTestEditor*> editors = Windows<TfrmTestEditor>();
  ASSERT_EQ(editors.size(), 1u);
  TfrmTestEditor* editor = editors.front();
  EXPECT_EQ(editor->windowTitle().toStdString(), "TABLE - S1.T1 @ ORVTEST");

  Edit(*editor->txtColumns, "C1 CHAR(4), C2 INTEGER");
  symfoware::ClearStatementJournal();
  EXPECT_EQ(CompileThroughPreview(*editor),
            (Lines{"DROP TABLE S1.T1 CASCADE", ";", "CREATE TABLE S1.T1 (C1 CHAR(4), C2 INTEGER)", ";"}));
  EXPECT_TRUE(TfrmDDLExec::Windows().empty());
  EXPECT_TRUE(main->isEnabled());
  EXPECT_EQ(Journal(), (Lines{"DROP TABLE S1.T1 CASCADE", "CREATE TABLE S1.T1 (C1 CHAR(4), C2 INTEGER)"}));
  EXPECT_EQ(Value(*connection,
                  "SELECT COUNT(*) FROM RDBII_SYSTEM.RDBII_COLUMN C, RDBII_SYSTEM.RDBII_TABLE T "
                  "WHERE C.TABLE_CODE = T.TABLE_CODE AND T.SCHEMA_NAME = 'S1' AND T.TABLE_NAME = 'T1'"),
            "2");
  EXPECT_FALSE(editor->Changed);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(ProgramTest, TheDefinitionsCrossPageOpensANodesEditorAndItsGrantPageCompiles) {
  LogonWithObjects();
  std::vector<TOpenArgs> opened;
  RegisterObjectEditor(
      okView,
      [&](TovConnectionWindow& owner, const TOpenArgs& args) {
        opened.push_back(args);
        return TovObjectEditor::CreateEditor<TfrmTestEditor>(owner, args);
      },
      &TovObjectEditor::CreateScript<TfrmTestEditor>);
  AppOption.OpenMode = 4;
  DefinitionOf("S1.T1");
  ASSERT_EQ(Windows<TfrmTestEditor>().size(), 1u);
  TfrmTestEditor* editor = Windows<TfrmTestEditor>().front();

  editor->pagObject->setCurrentWidget(editor->tabCross);
  TovTreeView* used = editor->fraCross->lstTree2;
  const QList<QTreeWidgetItem*> found = used->findItems(QStringLiteral("S1.V1"), Qt::MatchExactly | Qt::MatchRecursive);
  ASSERT_EQ(found.size(), 1);
  used->scrollToItem(found.front());
  // The view takes a double click on the node its press went to.
  const QPoint at = used->visualItemRect(found.front()).center();
  QTest::mousePress(used->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(used->viewport(), Qt::LeftButton, {}, at);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened.front().Schema + "." + opened.front().Name + " " + std::to_string(opened.front().Mode), "S1.V1 4");
  ASSERT_EQ(Windows<TfrmTestEditor>().size(), 2u);
  TfrmTestEditor* view = Windows<TfrmTestEditor>().back();
  EXPECT_EQ(view->windowTitle().toStdString(), "TABLE - S1.V1 @ ORVTEST");
  EXPECT_EQ(view->ActivePage(), TEditorPage::Grant);

  editor->pagObject->setCurrentWidget(editor->tabGrant);
  TfraGrant& grant = *editor->fraGrant;
  ASSERT_EQ(grant.lstGrant->topLevelItemCount(), 3);
  grant.lstGrant->topLevelItem(1)->setSelected(true);  // U2
  grant.chkGrant->ToggleL(1);                          // DELETE
  symfoware::ClearStatementJournal();
  EXPECT_EQ(CompileThroughPreview(*editor), (Lines{"GRANT DELETE ON TABLE S1.T1 TO U2", ";"}));
  EXPECT_EQ(Journal(), (Lines{"GRANT DELETE ON TABLE S1.T1 TO U2"}));
  EXPECT_EQ(grant.lstGrant->topLevelItem(1)->text(2).toStdString(), "*");
  EXPECT_TRUE(TfrmDDLExec::Windows().empty());
  EXPECT_TRUE(Boxes().empty());
}

// The editor's menu joins the main window's bar while the editor is the
// active window, in place of the connection window's; picked there with the
// mouse, its delete drops the object, and the closed editor takes its menu
// with it.
TEST_F(ProgramTest, TheEditorsMenuJoinsTheMainMenuBarWhileTheEditorIsActive) {
  main->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
  TfrmObject* connection = Logon();
  connection->ExecSQL("CREATE TABLE S1.T1 (C1 CHAR(4))");
  QMenuBar* bar = main->menuBar();
  const auto shown = [bar] {
    Lines captions;
    for (QAction* item : bar->actions())
      if (item->isVisible()) captions.push_back(item->text().toStdString());
    return captions;
  };
  // The connection window active: its menu, then the main window's own.
  QApplication::processEvents();
  Lines own = shown();
  ASSERT_EQ(own.front(), "オブジェクトリスト(&O)");
  own.erase(own.begin());
  ASSERT_EQ(own.front(), "表示(&V)");
  Lines withConnection = own;
  withConnection.insert(withConnection.begin(), "オブジェクトリスト(&O)");

  connection->OpenObject(okTable, "S1", "T1", 0, 0, 0);
  const std::vector<TfrmTestEditor*> editors = Windows<TfrmTestEditor>();
  ASSERT_EQ(editors.size(), 1u);
  TfrmTestEditor* editor = editors.front();
  EXPECT_TRUE(editor->isVisible()) << "an opened editor shows";
  const auto activate = [this](QWidget* window) {
    main->mdiArea->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(window->parentWidget()));
    QApplication::processEvents();
  };
  Lines merged = own;
  merged.insert(merged.begin(), "TABLE(&O)");
  EXPECT_EQ(shown(), merged) << "before the main window's own menus";
  QAction* item = bar->actions().front();
  ASSERT_EQ(item->menu(), editor->mnuObject);
  EXPECT_EQ(editor->mnuObject->actions(), (QList<QAction*>{editor->actCompile, editor->actDelete}));

  // The connection window active again: its menu in place of the editor's.
  activate(connection);
  EXPECT_EQ(shown(), withConnection);
  activate(editor);
  ASSERT_EQ(shown(), merged);

  // Delete, picked in the bar as the user picks it.
  env.Dialogs().QueueMessage(IDYES, {true});
  env.Dialogs().QueueMessage(IDOK);
  symfoware::ClearStatementJournal();
  QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->actionGeometry(item).center());
  ASSERT_TRUE(QTest::qWaitForWindowExposed(editor->mnuObject));
  QTest::mouseClick(editor->mnuObject, Qt::LeftButton, Qt::NoModifier,
                    editor->mnuObject->actionGeometry(editor->actDelete).center());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(Journal(), Lines{"DROP TABLE S1.T1 CASCADE"});
  EXPECT_EQ(Boxes(), (Lines{"オブジェクトを削除しますか？", "オブジェクトが削除されました。"}));
  EXPECT_TRUE(Windows<TfrmTestEditor>().empty());
  EXPECT_EQ(shown(), withConnection) << "the closed editor's menu left the bar";
}


TEST_F(ProgramTest, DefinitionOfAnIndexNameOpensTheIndexEditorWhichCompilesAndReloads) {
  testing_tools::UseStandinTools();
  TfrmObject* connection = Logon();
  ASSERT_FALSE(connection->IsRemote());
  connection->ExecSQL("CREATE TABLE S1.T1 (C1 CHAR(4), C2 INTEGER)");
  connection->ExecSQL("CREATE INDEX S1.T1.IX1 KEY(C1) ON DBSPACE1");
  DefinitionOf("S1.IX1");
  const std::vector<TfrmIndex*> editors = Windows<TfrmIndex>();
  ASSERT_EQ(editors.size(), 1u);
  TfrmIndex* editor = editors.front();
  EXPECT_EQ(editor->windowTitle().toStdString(), "INDEX - S1.IX1 @ ORVTEST");
  ASSERT_EQ(editor->lstIdxCol->count(), 1);

  editor->lstTabCol->findItems("C2", Qt::MatchExactly).front()->setSelected(true);
  editor->btnIns->click();
  AppOption.ShowDDL = true;
  AppOption.CloseDDL = true;
  Lines previewed;
  testing_support::WhenShown<TfrmDDLPreview>([&](TfrmDDLPreview& preview) {
    for (int i = 0; i < preview.txtLog->Lines().GetCount(); ++i) previewed.push_back(preview.txtLog->Lines().Get(i));
    preview.btnOK->click();
  });
  symfoware::ClearStatementJournal();
  editor->actCompile->trigger();
  ASSERT_GE(previewed.size(), 3u);
  EXPECT_EQ(Lines(previewed.begin(), previewed.begin() + 3), (Lines{"DROP DSO IX1 CASCADE", ";", "CREATE DSO IX1"}));
  EXPECT_TRUE(TfrmDDLExec::Windows().empty());
  EXPECT_TRUE(main->isEnabled());
  EXPECT_EQ(Journal().front(), "DROP DSO IX1 CASCADE");
  // Reloaded: the keys as the catalogue now has them, nothing changed.
  ASSERT_EQ(Windows<TfrmIndex>().size(), 1u);
  ASSERT_EQ(editor->lstIdxCol->count(), 2);
  EXPECT_EQ(editor->lstIdxCol->item(1)->text().toStdString(), "C2");
  EXPECT_FALSE(editor->Changed);
  EXPECT_EQ(editor->fraStorage->txtDSOnameIdx->text().toStdString(), "IX1");
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(ProgramTest, DefinitionOfASequenceNameOpensTheSequenceEditorWhichStepsTheSequence) {
  TfrmObject* connection = Logon();
  connection->ExecSQL("CREATE SEQUENCE S1.SQ START WITH 10");
  DefinitionOf("S1.SQ");
  const std::vector<TfrmSeq*> editors = Windows<TfrmSeq>();
  ASSERT_EQ(editors.size(), 1u);
  TfrmSeq* editor = editors.front();
  EXPECT_EQ(editor->windowTitle().toStdString(), "SEQUENCE - S1.SQ @ ORVTEST");
  EXPECT_EQ(editor->pnlCurrent->text().toStdString(), "(不明)");
  QTest::mouseClick(editor->btnInc, Qt::LeftButton);
  EXPECT_EQ(editor->pnlCurrent->text().toStdString(), "10");
  EXPECT_EQ(Value(*connection, "SELECT SEQ_NUM FROM RDBII_SYSTEM.RDBII_OBJECT_SEQ"), "10");
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(ProgramTest, TheDispatchOpensTheRoleEditorForARole) {
  TfrmObject* connection = LogonWithObjects();
  connection->OpenObject(okRole, "", "R1", 0, 0, 0);
  const std::vector<TfrmRole*> editors = Windows<TfrmRole>();
  ASSERT_EQ(editors.size(), 1u);
  EXPECT_EQ(editors.front()->windowTitle().toStdString(), "ROLE - R1 @ ORVTEST");
  EXPECT_EQ(editors.front()->lstObj->count(), 2);
}

TEST_F(ProgramTest, DefinitionOfAProcedureOrTriggerNameOpensItsSourceOrTriggerEditor) {
  TfrmObject* connection = LogonWithObjects();
  connection->CatalogLevel = 10;
  for (const std::string& sql : Lines{
           "INSERT INTO RDBII_SYSTEM.RDBII_PROC_EX SELECT DB_CODE, DB_NAME, SCHEMA_CODE, SCHEMA_NAME, PROCEDURE_CODE, "
           "PROCEDURE_NAME, 1, NULL, NULL FROM RDBII_SYSTEM.RDBII_PROC WHERE PROCEDURE_NAME = 'P1'",
           "INSERT INTO RDBII_SYSTEM.RDBII_DESCRIPTION SELECT DB_CODE, SCHEMA_CODE, PROCEDURE_CODE, 'P', "
           "'CREATE PROCEDURE S1.P1() BEGIN DELETE FROM S1.T1; END' FROM RDBII_SYSTEM.RDBII_PROC "
           "WHERE PROCEDURE_NAME = 'P1'",
       })
    connection->ExecSQL(sql);
  DefinitionOf("S1.P1");
  const std::vector<TfrmSource*> sources = Windows<TfrmSource>();
  ASSERT_EQ(sources.size(), 1u) << ::testing::PrintToString(Boxes());
  EXPECT_EQ(sources.front()->windowTitle().toStdString(), "PROCEDURE - S1.P1 @ ORVTEST");
  EXPECT_EQ(sources.front()->txtSource->Lines().Get(0).rfind("CREATE PROCEDURE S1.P1()", 0), 0u);

  DefinitionOf("S1.TR1");
  const std::vector<TfrmTrigger*> triggers = Windows<TfrmTrigger>();
  ASSERT_EQ(triggers.size(), 1u) << ::testing::PrintToString(Boxes());
  EXPECT_EQ(triggers.front()->windowTitle().toStdString(), "TRIGGER - S1.TR1 @ ORVTEST");
  EXPECT_EQ(triggers.front()->cmbTableName->currentText().toStdString(), "T1");
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(ProgramTest, TheSourceEditorsRunOpensTheRunnerAndTheNamedHandlerBringsItForward) {
  TfrmObject* connection = LogonWithObjects();
  connection->CatalogLevel = 10;
  connection->ExecSQL("CREATE PROCEDURE S1.PR(IN A CHAR(10), OUT B CHAR VARYING(20), OUT C INT) BEGIN NULL; END");
  symfoware::SetRoutineAnswer("S1", "PR", {{std::string("ok"), std::string("3")}, {}});
  DefinitionOf("S1.PR");
  const std::vector<TfrmSource*> sources = Windows<TfrmSource>();
  ASSERT_EQ(sources.size(), 1u) << ::testing::PrintToString(Boxes());
  ASSERT_TRUE(sources.front()->actExec->isEnabled());
  sources.front()->actExec->trigger();
  const std::vector<TfrmExecProc*> runners = Windows<TfrmExecProc>();
  ASSERT_EQ(runners.size(), 1u) << ::testing::PrintToString(Boxes());
  TfrmExecProc& runner = *runners.front();
  EXPECT_EQ(runner.windowTitle().toStdString(), "ストアドプログラム実行 - S1.PR @ ORVTEST");
  runner.lstParam->setCurrentItem(runner.lstParam->topLevelItem(0));
  runner.txtParam->setText("x");
  symfoware::ClearStatementJournal();
  runner.btnExec->trigger();
  EXPECT_EQ(Boxes(), Lines{"プログラムを実行しました。"});
  EXPECT_EQ(runner.txtOutput->Lines().Get(2), "B : ok");
  EXPECT_EQ(runner.txtOutput->Lines().Get(3), "C : 3");
  const std::vector<symfoware::TJournalEntry> journal = symfoware::StatementJournal();
  ASSERT_FALSE(journal.empty());
  EXPECT_EQ(journal.back().Statement, "CALL S1.PR('x', ?, ?)");

  // The connection window's and the workspace's 実行(&E) go through the
  // named handler: the open runner comes forward, another routine gets its own.
  const TActionHandler* run = ActionHandler(kExecProcCommand);
  ASSERT_NE(run, nullptr);
  TActionRequest request;
  request.Connection = connection;
  request.Schema = "S1";
  request.Name = "PR";
  request.Text = std::to_string(okProcedure);
  EXPECT_TRUE((*run)(request));
  EXPECT_EQ(Windows<TfrmExecProc>().size(), 1u);
  connection->ExecSQL("CREATE FUNCTION S1.F(IN INT) RETURNS INT LANGUAGE C NAME 'f' LIBRARY '/l.so'");
  request.Name = "F";
  request.Text = std::to_string(okFunction);
  EXPECT_TRUE((*run)(request));
  ASSERT_EQ(Windows<TfrmExecProc>().size(), 2u);
  EXPECT_EQ(Windows<TfrmExecProc>().back()->windowTitle().toStdString(), "ストアドプログラム実行 - S1.F @ ORVTEST");
  symfoware::ClearRoutineAnswers();
}

TEST_F(ProgramTest, ATriggerOpenedThroughItsDefinitionCompilesAgain) {
  TfrmObject* connection = LogonWithObjects();
  connection->CatalogLevel = 10;
  connection->ExecSQL("CREATE TRIGGER S1.TR2 AFTER DELETE ON S1.T1 REFERENCING OLD AS O FOR EACH ROW "
                      "DELETE FROM S1.T2 WHERE K = O.C2");
  DefinitionOf("S1.TR2");
  const std::vector<TfrmTrigger*> triggers = Windows<TfrmTrigger>();
  ASSERT_EQ(triggers.size(), 1u) << ::testing::PrintToString(Boxes());
  TfrmTrigger& editor = *triggers.front();
  EXPECT_TRUE(editor.rdoDelete->isChecked());
  EXPECT_EQ(editor.txtOld->text().toStdString(), "O");
  Edit(*editor.txtWhen, "O.C2 > 0");
  AppOption.ShowDDL = true;
  testing_support::WhenShown<TfrmDDLPreview>([](TfrmDDLPreview& preview) { preview.btnOK->click(); });
  symfoware::ClearStatementJournal();
  editor.actCompile->trigger();
  EXPECT_EQ(Boxes(), Lines{kCompiled});
  Lines statements;
  for (const symfoware::TJournalEntry& e : symfoware::StatementJournal())
    if (e.Statement.rfind("SELECT", 0) != 0) statements.push_back(e.Statement.substr(0, e.Statement.find('\r')));
  EXPECT_EQ(statements, (Lines{"DROP TRIGGER S1.TR2", "CREATE TRIGGER S1.TR2"})) << ::testing::PrintToString(statements);
  // Reloaded from what the server now keeps.
  EXPECT_EQ(editor.txtOld->text().toStdString(), "O");
  EXPECT_EQ(editor.txtWhen->text().toStdString(), "O.C2 > 0");
}

// The view editor as the program opens it: 定義情報 on its name, its data
// and access-plan pages shown with their rows and plan, its source compiled.
TEST_F(ProgramTest, AViewOpenedThroughItsDefinitionShowsItsPagesAndCompiles) {
  const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
  const AtExit restore([&path] { setenv("PATH", path.c_str(), 1); });
  testing_tools::UseStandinTools();
  TfrmObject* connection = LogonWithObjects();
  // The stand-in's server is as local as the plan tool sees it.
  connection->Remote = false;
  connection->ExecSQL("INSERT INTO S1.T1 VALUES ('A', 1)");
  DefinitionOf("S1.V2");
  const std::vector<TfrmView*> views = Windows<TfrmView>();
  ASSERT_EQ(views.size(), 1u) << ::testing::PrintToString(Boxes());
  TfrmView& editor = *views.front();
  EXPECT_EQ(editor.windowTitle().toStdString(), "VIEW - S1.V2 @ ORVTEST");
  EXPECT_EQ(editor.grdColumn->Cells(0, 1), "C1");

  editor.pagObject->setCurrentWidget(editor.tabData);
  EXPECT_EQ(editor.fraData->cdsData.RecordCount(), 1);
  editor.pagObject->setCurrentWidget(editor.tabExplan);
  ASSERT_EQ(editor.pagObject->currentWidget(), editor.tabExplan);
  EXPECT_GT(editor.fraExplan->lstPlan->topLevelItemCount(), 0);

  editor.pagObject->setCurrentWidget(editor.tabSource);
  editor.txtSource->Lines().SetTextStr("CREATE VIEW S1.V2 AS SELECT C1, C2 FROM S1.T1\r\n;");
  symfoware::ClearStatementJournal();
  EXPECT_EQ(CompileThroughPreview(editor),
            (Lines{"DROP VIEW S1.V2", ";", "CREATE VIEW S1.V2 AS SELECT C1, C2 FROM S1.T1", ";"}));
  EXPECT_TRUE(TfrmDDLExec::Windows().empty());
  EXPECT_EQ(Journal(), (Lines{"DROP VIEW S1.V2", "CREATE VIEW S1.V2 AS SELECT C1, C2 FROM S1.T1"}));
  EXPECT_EQ(editor.grdColumn->RowCount(), 3);
  EXPECT_TRUE(Boxes().empty()) << ::testing::PrintToString(Boxes());
}

}  // namespace
}  // namespace testing_objedit
