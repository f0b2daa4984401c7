// The editors as the running program reaches them: 定義情報 on a name
// selected in an SQL window opens the editor registered for the object's
// kind, and its compile goes through the preview and the execution window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QToolButton>

#include "app/core/ovddlhooks.h"
#include "app/fmainact.h"
#include "editor/ovmemo.h"
#include "objedit/fddlexec.h"
#include "objedit/fddlpreview.h"
#include "objedit/findex.h"
#include "objedit/rstorage.h"
#include "sqlwork/fsql.h"
#include "sqlwork/sqlregister.h"
#include "tests/objedit/objedit_fixture.h"
#include "tests/objedit/test_editor.h"
#include "tests/platform/whenshown.h"
#include "tests/standin/tools_sample.h"
#include "ui/ovstdctl.h"

namespace testing_objedit {
namespace {

class ProgramTest : public ObjEditTest {
 protected:
  ProgramTest() {
    // The registration order of the program, the test editor after it.
    ClearActionHandlers();
    RegisterUi(*main);
    RegisterSqlWork();
    RegisterObjEdit();
    RegisterTestEditor();
  }
  // 定義情報 on the text selected in a new SQL window.
  void OpenDefinitionOf(const std::string& text) {
    main->actMain->Action("actViewSQL")->trigger();
    const std::vector<TfrmSQL*> sqlWindows = Windows<TfrmSQL>();
    ASSERT_EQ(sqlWindows.size(), 1u);
    TfrmSQL* sql = sqlWindows.front();
    sql->txtSQL->Lines().SetTextStr(text);
    sql->txtSQL->setFocus();
    sql->txtSQL->SelectAll();
    QApplication::processEvents();
    main->actMain->Action("actEditOpen")->trigger();
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
  OpenDefinitionOf("S1.T1");
  const std::vector<TfrmTestEditor*> editors = Windows<TfrmTestEditor>();
  ASSERT_EQ(editors.size(), 1u);
  TfrmTestEditor* editor = editors.front();
  EXPECT_EQ(editor->windowTitle().toStdString(), "TABLE - S1.T1 @ ORVTEST");

  AppOption.ShowDDL = true;
  AppOption.CloseDDL = true;
  Edit(*editor->txtColumns, "C1 CHAR(4), C2 INTEGER");
  Lines previewed;
  testing_support::WhenShown<TfrmDDLPreview>([&](TfrmDDLPreview& preview) {
    for (int i = 0; i < preview.txtLog->Lines().GetCount(); ++i) previewed.push_back(preview.txtLog->Lines().Get(i));
    preview.btnOK->click();
  });
  symfoware::ClearStatementJournal();
  editor->actCompile->trigger();
  EXPECT_EQ(previewed, (Lines{"DROP TABLE S1.T1 CASCADE", ";", "CREATE TABLE S1.T1 (C1 CHAR(4), C2 INTEGER)", ";"}));
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

TEST_F(ProgramTest, DefinitionOfAnIndexNameOpensTheIndexEditorWhichCompilesAndReloads) {
  testing_tools::UseStandinTools();
  TfrmObject* connection = Logon();
  ASSERT_FALSE(connection->IsRemote());
  connection->ExecSQL("CREATE TABLE S1.T1 (C1 CHAR(4), C2 INTEGER)");
  connection->ExecSQL("CREATE INDEX S1.T1.IX1 KEY(C1) ON DBSPACE1");
  OpenDefinitionOf("S1.IX1");
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

}  // namespace
}  // namespace testing_objedit
