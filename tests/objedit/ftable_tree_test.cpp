// The table editor's tree opens a trigger in the trigger editor, and a new
// trigger of the table with the table named.
#include <gtest/gtest.h>

#include <QSqlQuery>

#include "app/core/ovkinds.h"
#include "objedit/ftable.h"
#include "objedit/ftrigger.h"
#include "standin/symfoware/catalogue.h"
#include "standin/symfoware/sqlite.h"
#include "tests/objedit/objedit_fixture.h"
#include "ui/ovcomctrls.h"
#include "ui/ovstdctl.h"

namespace testing_objedit {
namespace {

class TableTreeTest : public ObjEditTest {};

TEST_F(TableTreeTest, TriggerNodesOpenTheTriggerEditor) {
  TfrmObject* window = Logon();
  window->ExecSQL("CREATE TABLE S1.T (C1 INTEGER, C2 CHAR(4))");
  {
    symfoware::SqliteFile catalogue(symfoware::SchemaFilePath(odbc.Path("ORVTEST"), symfoware::kCatalogueSchema));
    QSqlQuery q(catalogue.Database());
    ASSERT_TRUE(q.exec("INSERT INTO RDBII_TRIGGER SELECT T.DB_CODE, T.DB_NAME, T.SCHEMA_CODE, T.SCHEMA_NAME, 9101, "
                       "'TR', 'ADMIN', T.SCHEMA_CODE, T.SCHEMA_NAME, T.TABLE_CODE, T.TABLE_NAME, 'INSERT', 'AFTER', "
                       "'', '', '', 'BEGIN' || char(13) || char(10) || '  NULL;' || char(13) || char(10) || 'END', "
                       "'ROW', 'YES', '2026-01-07 11:00:00' FROM RDBII_TABLE T WHERE T.TABLE_NAME = 'T'"));
  }
  const TOpenArgs args{"S1", "T", kTableKind, 0, 0, ""};
  auto* editor = qobject_cast<TfrmTable*>(TovObjectEditor::CreateEditor<TfrmTable>(*window, args));
  ASSERT_NE(editor, nullptr);
  QTreeWidgetItem* triggers = editor->lstConst->topLevelItem(2);
  ASSERT_EQ(triggers->childCount(), 1);

  editor->lstConst->setCurrentItem(triggers->child(0));
  editor->popConstPopup();
  EXPECT_TRUE(editor->mnuConstOpen->isEnabled());
  editor->mnuConstOpen->trigger();
  std::vector<TfrmTrigger*> opened = Windows<TfrmTrigger>();
  ASSERT_EQ(opened.size(), 1u) << ::testing::PrintToString(Boxes());
  EXPECT_EQ(opened[0]->windowTitle().toStdString(), "TRIGGER - S1.TR @ ORVTEST");

  editor->lstConst->setCurrentItem(triggers);
  editor->popConstPopup();
  EXPECT_TRUE(editor->mnuConstNew->isEnabled());
  editor->mnuConstNew->trigger();
  opened = Windows<TfrmTrigger>();
  ASSERT_EQ(opened.size(), 2u);
  TfrmTrigger* fresh = opened[1]->IsNew ? opened[1] : opened[0];
  ASSERT_TRUE(fresh->IsNew);
  EXPECT_EQ(fresh->windowTitle().toStdString(), "TRIGGER - 新規");
  EXPECT_EQ(fresh->cmbTableName->currentText().toStdString(), "T");
  EXPECT_EQ(Boxes(), Lines{});
}

}  // namespace
}  // namespace testing_objedit
