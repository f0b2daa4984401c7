// The routine source editor on the stand-in: a procedure and a function read
// from the catalogue, a new routine's skeleton and its name replacement, the
// sample window with and without its file.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>

#include "app/core/ovkinds.h"
#include "app/fobjddl.h"
#include "editor/ovmemo.h"
#include "objedit/fsample.h"
#include "objedit/fsource.h"
#include "standin/symfoware/catalogue.h"
#include "standin/symfoware/sqlite.h"
#include "tests/objedit/objedit_fixture.h"
#include "tests/standin/tools_sample.h"

namespace testing_objedit {
namespace {

class SourceEditorTest : public ObjEditTest {
 protected:
  // A logon at level 10 whose catalogue holds S1.P (a procedure with its
  // text) and S1.F (a function with two parameters, a result and a comment).
  TfrmObject* Prepared() {
    TfrmObject* window = Logon();
    window->CatalogLevel = 10;
    symfoware::SqliteFile catalogue(symfoware::SchemaFilePath(odbc.Path("ORVTEST"), symfoware::kCatalogueSchema));
    QSqlQuery q(catalogue.Database());
    const std::string schema = " FROM RDBII_SCHEMA S WHERE S.SCHEMA_NAME = 'S1'";
    const std::string statements[] = {
        "INSERT INTO RDBII_PROC SELECT S.DB_CODE, S.DB_NAME, S.SCHEMA_CODE, S.SCHEMA_NAME, 9001, 'P', 'ADMIN', 1, 0, "
        "'2026-01-07 11:00:00'" + schema,
        "INSERT INTO RDBII_PROC_EX SELECT S.DB_CODE, S.DB_NAME, S.SCHEMA_CODE, S.SCHEMA_NAME, 9001, 'P', 1, NULL, "
        "NULL" + schema,
        "INSERT INTO RDBII_DESCRIPTION SELECT S.DB_CODE, S.SCHEMA_CODE, 9001, 'P', 'CREATE PROCEDURE S1.P(IN A INT) "
        "BEGIN NULL; END'" + schema,
        "INSERT INTO RDBII_PROC SELECT S.DB_CODE, S.DB_NAME, S.SCHEMA_CODE, S.SCHEMA_NAME, 9002, 'F', 'ADMIN', 2, 0, "
        "'2026-01-07 11:00:00'" + schema,
        "INSERT INTO RDBII_PROC_EX SELECT S.DB_CODE, S.DB_NAME, S.SCHEMA_CODE, S.SCHEMA_NAME, 9002, 'F', 2, 'addone', "
        "'/lib/f.so'" + schema,
        "INSERT INTO RDBII_PROC_COL SELECT S.DB_CODE, S.SCHEMA_CODE, 9002, 1, 'A', 1, 6, 'YES', NULL, NULL, NULL" +
            schema,
        "INSERT INTO RDBII_PROC_COL SELECT S.DB_CODE, S.SCHEMA_CODE, 9002, 2, 'B', 1, 8, 'NO', NULL, 5, 2" + schema,
        "INSERT INTO RDBII_PROC_COL SELECT S.DB_CODE, S.SCHEMA_CODE, 9002, 3, 'R', 5, 6, 'YES', NULL, NULL, NULL" +
            schema,
        "INSERT INTO RDBII_COMMENT SELECT S.DB_CODE, S.SCHEMA_CODE, 9002, NULL, NULL, 'PR', 'adds one'" + schema,
    };
    for (const std::string& sql : statements) EXPECT_TRUE(q.exec(QString::fromStdString(sql))) << sql;
    return window;
  }
  static Lines Text(TfrmSource& editor) {
    Lines lines;
    for (int i = 0; i < editor.txtSource->Lines().GetCount(); ++i) lines.push_back(editor.txtSource->Lines().Get(i));
    return lines;
  }
};

TEST_F(SourceEditorTest, ARoutineOpensAsItsCreateTextFromTheCatalogue) {
  TfrmObject* window = Prepared();
  auto* procedure = qobject_cast<TfrmSource*>(OpenObject(*window, okProcedure, "S1", "P", 0, 0, 0));
  ASSERT_NE(procedure, nullptr) << ::testing::PrintToString(Boxes());
  EXPECT_EQ(procedure->windowTitle().toStdString(), "PROCEDURE - S1.P @ ORVTEST");
  const Lines text = Text(*procedure);
  ASSERT_GE(text.size(), 2u);
  EXPECT_EQ(text.front().rfind("CREATE PROCEDURE S1.P(IN A INT)", 0), 0u) << ::testing::PrintToString(text);
  EXPECT_EQ(text.back(), AppOption.Separator);
  EXPECT_EQ(procedure->LastSource, text);
  EXPECT_FALSE(procedure->Changed);
  EXPECT_TRUE(procedure->actPrint->isEnabled());

  auto* function = qobject_cast<TfrmSource*>(OpenObject(*window, okFunction, "S1", "F", 0, 0, 0));
  ASSERT_NE(function, nullptr);
  EXPECT_EQ(function->windowTitle().toStdString(), "FUNCTION - S1.F @ ORVTEST");
  EXPECT_EQ(Text(*function), (Lines{"CREATE FUNCTION S1.F(IN INT, IN NUMERIC(5, 2) NOT NULL)", "RETURNS  INT",
                                    "COMMENT  'adds one'", "LANGUAGE C", "NAME     'addone'",
                                    "LIBRARY  '/lib/f.so'", AppOption.Separator}));
  // A routine the catalogue does not hold opens nothing.
  env.Dialogs().messages.clear();
  EXPECT_EQ(OpenObject(*window, okProcedure, "S1", "NONE", 0, 0, 0), nullptr);
  EXPECT_EQ(Boxes(), Lines{kLoadFailed});
}

TEST_F(SourceEditorTest, BelowLevelTenTheTextComesFromTheRoutineReport) {
  testing_tools::UseStandinTools();
  unsetenv("SYMFOWARE_TOOL_FAIL");
  TfrmObject* window = Prepared();
  window->CatalogLevel = 9;
  auto* procedure = qobject_cast<TfrmSource*>(OpenObject(*window, okProcedure, "S1", "P", 0, 0, 0));
  ASSERT_NE(procedure, nullptr) << ::testing::PrintToString(Boxes());
  EXPECT_EQ(Text(*procedure).front().rfind("CREATE PROCEDURE S1.P(IN A INT)", 0), 0u)
      << ::testing::PrintToString(Text(*procedure));
  auto* function = qobject_cast<TfrmSource*>(OpenObject(*window, okFunction, "S1", "F", 0, 0, 0));
  ASSERT_NE(function, nullptr) << ::testing::PrintToString(Boxes());
  EXPECT_EQ(Text(*function), (Lines{"CREATE FUNCTION S1.F(", "  IN  INTEGER", " ,IN  NUMERIC(5,2)",
                                    ")RETURNS INTEGER", "COMMENT 'adds one'", "LANGUAGE C", "NAME 'addone'",
                                    "LIBRARY '/lib/f.so'", AppOption.Separator}));
  // A routine the report does not know opens nothing.
  EXPECT_EQ(OpenObject(*window, okProcedure, "S1", "NONE", 0, 0, 0), nullptr);
  EXPECT_TRUE(Windows<TfrmSource>().size() == 2u);
}

TEST_F(SourceEditorTest, ANewRoutineGetsItsSkeletonAndTheNamesFollowTheBoxes) {
  TfrmObject* window = Prepared();
  auto* editor = qobject_cast<TfrmSource*>(OpenObject(*window, okProcedure, "S1", "", 0, 0, 0));
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->windowTitle().toStdString(), "PROCEDURE - 新規");
  EXPECT_FALSE(editor->pagObject->isTabVisible(editor->pagObject->indexOf(editor->tabGrant)));
  EXPECT_EQ(editor->pagObject->currentWidget(), editor->tabSource);
  EXPECT_EQ(editor->pagObject->indexOf(editor->tabDefine), -1);
  editor->txtName->SaveText();
  editor->txtName->setText("P2");
  editor->txtNameExit(false);
  EXPECT_EQ(Text(*editor), (Lines{"CREATE PROCEDURE S1.P2 (引数, 引数...)", "COMMENT 'コメント句'", "BEGIN",
                                  "  NULL;", "END", AppOption.Separator}));
  editor->txtName->SaveText();
  editor->txtName->setText("Q");
  editor->txtNameExit(false);
  editor->cmbSchema->SaveText();
  editor->cmbSchema->setCurrentText("S2");
  editor->txtNameExit(true);
  EXPECT_EQ(Text(*editor).front(), "CREATE PROCEDURE S2.Q (引数, 引数...)");
}

TEST_F(SourceEditorTest, ANewRoutineWhoseTextFailsDropsNothingAndStaysNew) {
  TfrmObject* window = Prepared();
  auto* editor = qobject_cast<TfrmSource*>(OpenObject(*window, okProcedure, "S1", "", 0, 0, 0));
  ASSERT_NE(editor, nullptr);
  editor->txtName->SaveText();
  editor->txtName->setText("P9");
  editor->txtNameExit(false);
  symfoware::ClearStatementJournal();
  env.Dialogs().messages.clear();
  ASSERT_TRUE(editor->actCompile->isEnabled()) << editor->pagObject->currentWidget()->objectName().toStdString();
  editor->actCompile->trigger();
  const Lines journal = Journal();
  ASSERT_EQ(journal.size(), 1u) << ::testing::PrintToString(journal) << ::testing::PrintToString(Boxes());
  EXPECT_EQ(journal.front().rfind("failed: CREATE PROCEDURE S1.P9", 0), 0u) << journal.front();
  EXPECT_EQ(Boxes().size(), 1u);
  EXPECT_NE(Boxes().front(), kCompiled);
  EXPECT_TRUE(editor->IsNew);
  EXPECT_EQ(editor->windowTitle().toStdString(), "PROCEDURE - 新規");
}

TEST_F(SourceEditorTest, AFailedCompileOfAnExistingRoutineRunsItsLastGoodTextAgain) {
  TfrmObject* window = Prepared();
  auto* editor = qobject_cast<TfrmSource*>(OpenObject(*window, okProcedure, "S1", "P", 0, 0, 0));
  ASSERT_NE(editor, nullptr);
  const Lines loaded = Text(*editor);
  editor->txtSource->Lines().Assign({"CREATE PROCEDURE S1.P(IN A INT)", "BEGIN", "  NULL", "END", ";"});
  editor->SetChanged(true);
  symfoware::ClearStatementJournal();
  env.Dialogs().messages.clear();
  editor->actCompile->trigger();
  const Lines journal = Journal();
  ASSERT_EQ(journal.size(), 3u) << ::testing::PrintToString(journal);
  EXPECT_EQ(journal[0], "DROP PROCEDURE S1.P");
  EXPECT_EQ(journal[1].rfind("failed: CREATE PROCEDURE S1.P(IN A INT)\r\nBEGIN\r\n  NULL\r\nEND", 0), 0u)
      << journal[1];
  // The text loaded before brings the routine back.
  EXPECT_EQ(journal[2].rfind("CREATE PROCEDURE S1.P(IN A INT)", 0), 0u) << journal[2];
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_NE(Boxes().front().find("JYP9010E"), std::string::npos) << Boxes().front();
  EXPECT_EQ(Value(*window, "SELECT COUNT(*) FROM RDBII_SYSTEM.RDBII_PROC WHERE PROCEDURE_NAME = 'P'"), "1");
  EXPECT_EQ(editor->LastSource, loaded);
  EXPECT_TRUE(editor->Changed);
}

TEST_F(SourceEditorTest, ACompiledRoutineIsKeptByTheServerAndItsNewTextBecomesTheLastGood) {
  TfrmObject* window = Prepared();
  auto* editor = qobject_cast<TfrmSource*>(OpenObject(*window, okProcedure, "S1", "P", 0, 0, 0));
  ASSERT_NE(editor, nullptr);
  const Lines text{"CREATE PROCEDURE S1.P(IN A INT, OUT B INT)", "BEGIN", "  SET B = A;", "END", ";"};
  editor->txtSource->Lines().Assign(text);
  editor->SetChanged(true);
  symfoware::ClearStatementJournal();
  env.Dialogs().messages.clear();
  editor->actCompile->trigger();
  EXPECT_EQ(Journal(), (Lines{"DROP PROCEDURE S1.P", "CREATE PROCEDURE S1.P(IN A INT, OUT B INT)\r\nBEGIN\r\n  SET B = "
                                                     "A;\r\nEND"}));
  EXPECT_EQ(Boxes(), Lines{kCompiled});
  EXPECT_EQ(editor->LastSource, text);
  EXPECT_FALSE(editor->Changed);
  EXPECT_TRUE(editor->actExec->isEnabled());
  EXPECT_EQ(Value(*window,
                  "SELECT COUNT(*) FROM RDBII_SYSTEM.RDBII_PROC_COL C, RDBII_SYSTEM.RDBII_PROC P WHERE "
                  "P.PROCEDURE_CODE = C.PROCEDURE_CODE AND P.PROCEDURE_NAME = 'P'"),
            "2");
  // Reopened, the routine shows the text it was compiled from.
  editor->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  auto* again = qobject_cast<TfrmSource*>(OpenObject(*window, okProcedure, "S1", "P", 0, 0, 0));
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(Text(*again).front(), "CREATE PROCEDURE S1.P(IN A INT, OUT B INT)");
}

TEST_F(SourceEditorTest, ALowerCaseRoutineIsDroppedAndCompiledBesideItsUpperCaseTwin) {
  TfrmObject* window = Prepared();
  window->ExecSQL("CREATE PROCEDURE S1.\"p\"(IN A INT) BEGIN NULL; END");
  // Lower-case names are typed as they are with the option that allows them.
  AppOption.UserLowerName = true;
  auto* editor = qobject_cast<TfrmSource*>(OpenObject(*window, okProcedure, "S1", "p", 0, 0, 0));
  ASSERT_NE(editor, nullptr) << ::testing::PrintToString(Boxes());
  EXPECT_EQ(Text(*editor).front().rfind("CREATE PROCEDURE S1.\"p\"(IN A INT)", 0), 0u) << Text(*editor).front();
  symfoware::ClearStatementJournal();
  env.Dialogs().messages.clear();
  editor->actCompile->trigger();
  AppOption.UserLowerName = false;
  const Lines journal = Journal();
  ASSERT_EQ(journal.size(), 2u) << ::testing::PrintToString(journal);
  EXPECT_EQ(journal[0], "DROP PROCEDURE \"S1\".\"p\"");
  EXPECT_EQ(Boxes(), Lines{kCompiled});
  EXPECT_EQ(Value(*window, "SELECT COUNT(*) FROM RDBII_SYSTEM.RDBII_PROC WHERE PROCEDURE_NAME IN ('p', 'P')"), "2");
}

TEST_F(SourceEditorTest, TheSampleWindowShowsItsFileOrSaysItIsMissing) {
  TfrmObject* window = Prepared();
  auto* editor = qobject_cast<TfrmSource*>(OpenObject(*window, okFunction, "S1", "F", 0, 0, 0));
  ASSERT_NE(editor, nullptr);
  const std::string path = SampleFilePath(okFunction);
  QFile::remove(QString::fromStdString(path));
  editor->actSample->trigger();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(Boxes(), Lines{kSampleMissing});
  EXPECT_TRUE(editor->SampleForm.isNull());

  QDir().mkpath(QFileInfo(QString::fromStdString(path)).absolutePath());
  QFile file(QString::fromStdString(path));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("CREATE FUNCTION S.F(IN INT)\r\nRETURNS INT\r\n");
  file.close();
  editor->actSample->trigger();
  ASSERT_FALSE(editor->SampleForm.isNull());
  EXPECT_TRUE(editor->SampleForm->isVisible());
  EXPECT_EQ(editor->SampleForm->windowTitle().toStdString(), "FUNCTION - サンプル");
  EXPECT_EQ(editor->SampleForm->txtSample->Lines().Get(0), "CREATE FUNCTION S.F(IN INT)");
  EXPECT_TRUE(editor->SampleForm->txtSample->ReadOnly());
  EXPECT_TRUE(editor->SampleForm->windowFlags() & Qt::WindowStaysOnTopHint);
  QFile::remove(QString::fromStdString(path));
}

}  // namespace
}  // namespace testing_objedit
