// The trigger editor on the stand-in: an UPDATE trigger read from the
// catalogue into its fields and its CREATE text, the script of the same, a
// new trigger of a table and the checks of its compile.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSqlQuery>

#include <sstream>

#include "app/core/ovkinds.h"
#include "app/fobjddl.h"
#include "editor/ovmemo.h"
#include "objedit/ftrigger.h"
#include "standin/symfoware/catalogue.h"
#include "standin/symfoware/sqlite.h"
#include "tests/objedit/objedit_fixture.h"
#include "ui/ovstdctl.h"

namespace testing_objedit {
namespace {

class TriggerEditorTest : public ObjEditTest {
 protected:
  // A logon with table S1.T and, in the catalogue, S1.TR: BEFORE UPDATE OF
  // C1, C2 ON S1.T, old and new names O and NEW, a row trigger with a
  // condition.
  TfrmObject* Prepared() {
    TfrmObject* window = Logon();
    window->CatalogLevel = 10;
    window->ExecSQL("CREATE TABLE S1.T (C1 INTEGER, C2 CHAR(4), C3 INTEGER)");
    symfoware::SqliteFile catalogue(symfoware::SchemaFilePath(odbc.Path("ORVTEST"), symfoware::kCatalogueSchema));
    QSqlQuery q(catalogue.Database());
    const std::string table = " FROM RDBII_TABLE T WHERE T.SCHEMA_NAME = 'S1' AND T.TABLE_NAME = 'T'";
    const std::string statements[] = {
        "INSERT INTO RDBII_TRIGGER SELECT T.DB_CODE, T.DB_NAME, T.SCHEMA_CODE, T.SCHEMA_NAME, 9101, 'TR', 'ADMIN', "
        "T.SCHEMA_CODE, T.SCHEMA_NAME, T.TABLE_CODE, T.TABLE_NAME, 'UPDATE', 'BEFORE', 'O', 'NEW', 'NEW.C1 > 0', "
        "'BEGIN' || char(13) || char(10) || '  NULL;' || char(13) || char(10) || 'END', 'ROW', 'NO', "
        "'2026-01-07 11:00:00'" + table,
        "INSERT INTO RDBII_TRIG_COLUMNS SELECT T.DB_CODE, T.SCHEMA_CODE, 9101, C.COLUMN_CODE FROM RDBII_TABLE T, "
        "RDBII_COLUMN C WHERE C.TABLE_CODE = T.TABLE_CODE AND T.TABLE_NAME = 'T' AND C.COLUMN_NAME IN ('C1', 'C2')",
    };
    for (const std::string& sql : statements) EXPECT_TRUE(q.exec(QString::fromStdString(sql))) << sql;
    return window;
  }
  static Lines Text(TovMemo& memo) {
    Lines lines;
    for (int i = 0; i < memo.Lines().GetCount(); ++i) lines.push_back(memo.Lines().Get(i));
    return lines;
  }
};

TEST_F(TriggerEditorTest, ATriggerLoadsIntoItsFieldsAndItsCreateText) {
  TfrmObject* window = Prepared();
  auto* editor = qobject_cast<TfrmTrigger*>(OpenObject(*window, okTrigger, "S1", "TR", 0, 0, 0));
  ASSERT_NE(editor, nullptr) << ::testing::PrintToString(Boxes());
  EXPECT_EQ(editor->windowTitle().toStdString(), "TRIGGER - S1.TR @ ORVTEST");
  EXPECT_TRUE(editor->rdoBefore->isChecked());
  EXPECT_TRUE(editor->rdoUpdate->isChecked());
  EXPECT_EQ(editor->txtUpdCol->text().toStdString(), "C1,C2");
  EXPECT_TRUE(editor->txtUpdCol->isEnabled());
  EXPECT_EQ(editor->cmbTableOwner->currentText().toStdString(), "S1");
  EXPECT_EQ(editor->cmbTableName->currentText().toStdString(), "T");
  EXPECT_EQ(editor->txtOld->text().toStdString(), "O");
  EXPECT_EQ(editor->txtWhen->text().toStdString(), "NEW.C1 > 0");
  EXPECT_FALSE(editor->Changed);
  const Lines expected{"CREATE TRIGGER S1.TR", "BEFORE UPDATE OF C1,C2", "ON S1.T", "REFERENCING OLD AS O",
                       "FOR EACH ROW WHEN (NEW.C1 > 0)", "BEGIN", "  NULL;", "END", AppOption.Separator};
  Lines built;
  editor->BuildCreateDDL(built);
  EXPECT_EQ(built, expected);

  // The script of the same trigger; with Schema 2 the table in the
  // trigger's own schema goes without its prefix.
  ScriptOption.Schema = kSchemaAlways;
  std::ostringstream script;
  window->GenerateDDL(okTrigger, "S1", "TR", script, "", "");
  EXPECT_EQ(script.str().rfind("CREATE TRIGGER S1.TR\r\nBEFORE UPDATE OF C1,C2\r\nON S1.T\r\n", 0), 0u) << script.str();
  ScriptOption.Schema = kSchemaUnlessOwner;
  std::ostringstream owned;
  window->GenerateDDL(okTrigger, "S1", "TR", owned, "", "");
  EXPECT_NE(owned.str().find("\r\nON T\r\n"), std::string::npos) << owned.str();
  ScriptOption.Schema = kSchemaAlways;

  // Choosing DELETE disables the new name and empties the column list.
  editor->rdoDelete->click();
  EXPECT_TRUE(editor->Changed);
  EXPECT_FALSE(editor->txtNew->isEnabled());
  EXPECT_TRUE(editor->txtOld->isEnabled());
  EXPECT_TRUE(editor->txtUpdCol->text().isEmpty());
}

TEST_F(TriggerEditorTest, ANewTriggerOfATableAndTheChecksOfItsCompile) {
  TfrmObject* window = Prepared();
  TOpenArgs args;
  args.Schema = "S1";
  args.Kind = okTrigger;
  args.Table = "T";
  auto* editor = qobject_cast<TfrmTrigger*>(TovObjectEditor::CreateEditor<TfrmTrigger>(*window, args));
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->windowTitle().toStdString(), "TRIGGER - 新規");
  EXPECT_EQ(editor->cmbTableOwner->currentText().toStdString(), "S1");
  EXPECT_EQ(editor->cmbTableName->currentText().toStdString(), "T");
  EXPECT_TRUE(editor->rdoInsert->isChecked());
  EXPECT_FALSE(editor->txtOld->isEnabled());
  EXPECT_FALSE(editor->pagObject->isTabVisible(editor->pagObject->indexOf(editor->tabSource)));

  symfoware::ClearStatementJournal();
  editor->txtName->setText("TR2");
  editor->cmbTableName->setCurrentText("");
  editor->Compile(editor);
  EXPECT_EQ(Boxes(), Lines{kTableNameMissing});
  editor->cmbTableName->setCurrentText("T");
  editor->rdoInsert->setAutoExclusive(false);
  editor->rdoInsert->setChecked(false);
  editor->Compile(editor);
  EXPECT_EQ(Boxes(), (Lines{kTableNameMissing, kTriggerEventMissing}));
  EXPECT_TRUE(Journal().empty());
}


TEST_F(TriggerEditorTest, ATriggerCreatedInTheEditorReloadsWithTheSameFields) {
  TfrmObject* window = Prepared();
  TOpenArgs args;
  args.Schema = "S1";
  args.Kind = okTrigger;
  args.Table = "T";
  auto* editor = qobject_cast<TfrmTrigger*>(TovObjectEditor::CreateEditor<TfrmTrigger>(*window, args));
  ASSERT_NE(editor, nullptr);
  editor->txtName->setText("TR2");
  editor->rdoAfter->setChecked(true);
  editor->rdoUpdate->click();
  editor->txtUpdCol->setText("C1,C3");
  editor->txtOld->setText("O");
  editor->txtNew->setText("N");
  editor->txtWhen->setText("N.C1 > O.C1");
  editor->txtBody->Lines().Assign({"INSERT INTO S1.T VALUES (N.C1, 'x', 0);"});
  Lines created;
  editor->BuildCreateDDL(created);
  symfoware::ClearStatementJournal();
  const Lines previewed = PreviewedCompile(*editor);
  EXPECT_EQ(previewed.front(), "CREATE TRIGGER S1.TR2") << ::testing::PrintToString(previewed);
  EXPECT_EQ(Boxes(), Lines{kCompiled});
  EXPECT_FALSE(editor->IsNew);
  EXPECT_EQ(Journal().size(), 1u) << ::testing::PrintToString(Journal());
  editor->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

  auto* reloaded = qobject_cast<TfrmTrigger*>(OpenObject(*window, okTrigger, "S1", "TR2", 0, 0, 0));
  ASSERT_NE(reloaded, nullptr) << ::testing::PrintToString(Boxes());
  EXPECT_TRUE(reloaded->rdoAfter->isChecked());
  EXPECT_TRUE(reloaded->rdoUpdate->isChecked());
  EXPECT_EQ(reloaded->txtUpdCol->text().toStdString(), "C1,C3");
  EXPECT_EQ(reloaded->cmbTableOwner->currentText().toStdString(), "S1");
  EXPECT_EQ(reloaded->cmbTableName->currentText().toStdString(), "T");
  EXPECT_EQ(reloaded->txtOld->text().toStdString(), "O");
  EXPECT_EQ(reloaded->txtNew->text().toStdString(), "N");
  EXPECT_EQ(reloaded->txtWhen->text().toStdString(), "N.C1 > O.C1");
  EXPECT_EQ(Text(*reloaded->txtBody), Lines{"INSERT INTO S1.T VALUES (N.C1, 'x', 0);"});
  Lines again;
  reloaded->BuildCreateDDL(again);
  EXPECT_EQ(again, created);
}

TEST_F(TriggerEditorTest, TheScriptOfATriggerTheServerKeepsMakesItAgainAfterItsTableIsRebuilt) {
  TfrmObject* window = Prepared();
  window->ExecSQL("CREATE TRIGGER S1.TR3 BEFORE INSERT ON S1.T REFERENCING NEW AS N FOR EACH ROW WHEN (N.C1 > 0)\r\n"
                  "INSERT INTO S1.T VALUES (0, 'y', 1);");
  const std::string rows =
      "SELECT TRIG_NAME || '|' || EVENT_OBJ_TBL_NAME || '|' || EVENT_MANIPURATION || '|' || COND_TIMING || '|' || "
      "COND_REF_NEW_TABLE || '|' || ACTION_CONDITION || '|' || ACTION_STMT_LIST || '|' || ACTION_ORIENTATION FROM "
      "RDBII_SYSTEM.RDBII_TRIGGER WHERE TRIG_NAME = 'TR3'";
  const std::string before = Value(*window, rows);
  EXPECT_EQ(before, "TR3|T|INSERT|BEFORE|N|N.C1 > 0|INSERT INTO S1.T VALUES (0, 'y', 1);|ROW");
  // The script names every schema: the trigger is made again in its own.
  ScriptOption.Schema = kSchemaAlways;
  std::ostringstream script;
  window->GenerateDDL(okTrigger, "S1", "TR3", script, "", "");
  EXPECT_EQ(script.str().rfind("CREATE TRIGGER S1.TR3\r\nBEFORE INSERT \r\nON S1.T\r\nREFERENCING NEW AS N\r\n", 0), 0u)
      << script.str();
  // A rebuild: the table goes with its triggers and comes back, and the
  // script brings the trigger back as it was.
  window->ExecSQL("DROP TABLE S1.T CASCADE");
  EXPECT_EQ(Value(*window, "SELECT COUNT(*) FROM RDBII_SYSTEM.RDBII_TRIGGER WHERE TRIG_NAME = 'TR3'"), "0");
  window->ExecSQL("CREATE TABLE S1.T (C1 INTEGER, C2 CHAR(4), C3 INTEGER)");
  Lines lines;
  std::istringstream in(script.str());
  for (std::string line; std::getline(in, line);) lines.push_back(line.substr(0, line.find('\r')));
  window->ExecScript(lines, false);
  EXPECT_EQ(Value(*window, rows), before);
  EXPECT_EQ(Value(*window, "SELECT ACTION_STMT_LIST FROM RDBII_SYSTEM.RDBII_TRIGGER WHERE TRIG_NAME = 'TR3'"),
            "INSERT INTO S1.T VALUES (0, 'y', 1);");
}

}  // namespace
}  // namespace testing_objedit
