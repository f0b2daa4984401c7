#include "sqlwork/fsoption.h"

#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

#include "app/core/fobjcmdcore.h"
#include "app/core/ovoptions.h"
#include "app/fobject.h"
#include "sqlwork/fnametbl.h"
#include "tests/platform/whenshown.h"
#include "tests/sqlwork/scriptoption_fixture.h"
#include "ui/ovstdctl.h"

namespace {

using testing_sqlwork::kNamesTable;
using testing_sqlwork::Lines;
using testing_sqlwork::ScriptOptionTest;
using testing_support::WhenShown;

// Selects the objects of schema/kind in the connection window's list.
void ShowObjects(TfrmObject* window, const std::string& schema, const std::string& kind) {
  const QSignalBlocker blocker(window->lstTree);
  for (QTreeWidgetItem* node : window->lstTree->findItems(QString::fromStdString(kind), Qt::MatchRecursive))
    if (node->parent() && node->parent()->text(0).toStdString() == schema) window->lstTree->setCurrentItem(node);
  window->FillObjectList(true);
  for (int i = 0; i < window->lstObject->topLevelItemCount(); ++i) window->lstObject->topLevelItem(i)->setSelected(true);
}

std::string ReadFile(const std::string& path) {
  QFile file(QString::fromStdString(path));
  return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "missing " + path;
}

TEST_F(ScriptOptionTest, ToolMenuAndScriptOutputOpenTheDialogAsTheProgramRegistersThem) {
  TfrmObject* connection = Prepared();
  connection->ExecSQL(kNamesTable);
  connection->ExecSQL("INSERT INTO S.NAMES VALUES ('ORVTEST', 'S', 'ITEMS', 'TABLE', 'MY_ITEMS.SQL')");
  connection->ExecSQL("COMMIT");
  ScriptOption.NameTable = {"OTHERDS=X.Y", "ORVTEST=S.NAMES"};

  // The tool menu's options: no name table, "OK".
  QAction* action = main->actMain->Action("actToolScriptOption");
  ASSERT_NE(action, nullptr);
  EXPECT_TRUE(action->isEnabled());
  bool shown = false;
  WhenShown<TfrmScriptOption>([&](TfrmScriptOption& form) {
    shown = true;
    EXPECT_EQ(form.windowTitle().toStdString(), "スクリプト出力オプション");
    EXPECT_EQ(form.btnOk->text().toStdString(), "OK");
    EXPECT_FALSE(form.cmbNameTable->isEnabled());
    EXPECT_FALSE(form.btnNameTable->isEnabled());
    EXPECT_FALSE(form.lblNameTable->isEnabled());
    EXPECT_EQ(form.rdoOwner->checkedButton()->text().toStdString(), "オブジェクト所有者と違うスキーマの場合に出力する");
    form.chkNullLine->setChecked(true);
    form.btnOk->click();
  });
  action->trigger();
  EXPECT_TRUE(shown);
  EXPECT_TRUE(ScriptOption.NullLine);
  EXPECT_EQ(ScriptOption.NameTable, (Lines{"OTHERDS=X.Y", "ORVTEST=S.NAMES"}));

  // The connection window's script output: "開始", the name table of its
  // data source, and the scripts written where the dialog says.
  ShowObjects(connection, "S", "TABLE");
  connection->mnuObjectClick();
  QAction* script = connection->Action("actScript");
  ASSERT_TRUE(script->isEnabled()) << "the hook is filled";
  shown = false;
  WhenShown<TfrmScriptOption>([&](TfrmScriptOption& form) {
    shown = true;
    EXPECT_EQ(form.windowTitle().toStdString(), "スクリプト出力");
    EXPECT_EQ(form.btnOk->text().toStdString(), "開始");
    EXPECT_EQ(form.cmbNameTable->currentText().toStdString(), "S.NAMES");
    EXPECT_TRUE(form.cmbNameTable->isEnabled());
    EXPECT_TRUE(form.btnNameTable->isEnabled());
    form.btnOk->click();
  });
  env.Dialogs().QueueMessage(IDOK);
  script->trigger();
  EXPECT_TRUE(shown);
  EXPECT_EQ(TakeBoxes(), Lines{"スクリプトが出力されました。"});
  EXPECT_NE(ReadFile(env.Path("out") + "/MY_ITEMS.SQL").rfind("missing", 0), 0u) << "named by the name table";
  EXPECT_NE(ReadFile(env.Path("out") + "/O'NEIL.SQL").rfind("missing", 0), 0u) << "default name";
  EXPECT_EQ(env.Dialogs().unanswered, 0);
}

TEST_F(ScriptOptionTest, ControlsAreStoredAsTheyAreSetAndCancelKeepsEverything) {
  TfrmObject* connection = Prepared();
  ScriptOption.NameTable = {"ORVTEST=S.NAMES", "OTHERDS=X.Y"};
  const TScriptOption before = ScriptOption;

  TfrmScriptOption form(connection, connection);
  form.FillControls();
  EXPECT_EQ(form.rdoOwner->checkedId(), kSchemaUnlessOwner);
  EXPECT_FALSE(form.rdoInsert->button(0)->isEnabled());
  form.chkInsert->setChecked(true);
  EXPECT_TRUE(form.rdoInsert->button(2)->isEnabled());
  EXPECT_FALSE(form.rdoGrant->button(0)->isEnabled());
  form.chkDir->setChecked(true);
  form.chkOneScript->setChecked(true);
  EXPECT_FALSE(form.chkDir->isEnabled());
  EXPECT_FALSE(form.chkDir->isChecked());
  EXPECT_FALSE(form.cmbNameTable->isEnabled());
  form.chkOneScript->setChecked(false);
  EXPECT_TRUE(form.chkDir->isEnabled());
  EXPECT_FALSE(form.chkDir->isChecked()) << "unchecked it stays";
  EXPECT_TRUE(form.cmbNameTable->isEnabled());
  form.cmbNameTable->setEditText("");
  EXPECT_FALSE(form.btnNameTable->isEnabled());
  form.reject();
  EXPECT_EQ(ScriptOption, before) << "cancel stores nothing";

  struct Case {
    const char* what;
    bool oneScript;
    std::string typed;
    std::string nameTable;
    std::string path;
    Lines entries;
  };
  const std::string out = env.Path("out");
  const Case cases[] = {
      {"folder gets its slash, empty table drops this entry only", false, out, "", out + "/", {"OTHERDS=X.Y"}},
      {"one script keeps its file", true, out + "/all.sql", "", out + "/all.sql", {"OTHERDS=X.Y"}},
  };
  for (const Case& c : cases) {
    ScriptOption = before;
    TfrmScriptOption dialog(connection, connection);
    dialog.FillControls();
    dialog.chkOneScript->setChecked(c.oneScript);
    dialog.txtDir->setText(QString::fromStdString(c.typed));
    dialog.cmbNameTable->setEditText(QString::fromStdString(c.nameTable));
    dialog.chkGrant->setChecked(true);
    dialog.rdoGrant->button(1)->setChecked(true);
    dialog.rdoOwner->button(3)->setChecked(true);
    dialog.btnOkClick();
    ASSERT_EQ(dialog.result(), QDialog::Accepted) << c.what;
    dialog.StoreOptions();
    EXPECT_EQ(ScriptOption.Path, c.path) << c.what;
    EXPECT_EQ(ScriptOption.NameTable, c.entries) << c.what;
    EXPECT_EQ(ScriptOption.OneScript, c.oneScript) << c.what;
    EXPECT_TRUE(ScriptOption.Grant);
    EXPECT_EQ(ScriptOption.GrantMode, 1);
    EXPECT_EQ(ScriptOption.Schema, 3);
  }
  EXPECT_TRUE(TakeBoxes().empty());
}

TEST_F(ScriptOptionTest, TargetAndNameTableAreCheckedBeforeTheDialogCloses) {
  TfrmObject* connection = Prepared();
  connection->ExecSQL(kNamesTable);
  connection->ExecSQL("COMMIT");
  TfrmScriptOption form(connection, connection);
  form.FillControls();
  form.txtDir->setText("   ");
  form.btnOkClick();
  EXPECT_EQ(TakeBoxes(), Lines{"出力先を入力して下さい。"});
  EXPECT_NE(form.result(), QDialog::Accepted);

  form.txtDir->setText(QString::fromStdString(env.Path("out")));
  for (const char* text : {"S.NAMES; DROP TABLE S.ITEMS", "A.B.C"}) {
    form.cmbNameTable->setEditText(text);
    form.btnOkClick();
    EXPECT_EQ(TakeBoxes(), Lines{"名前TBL名が無効です。"}) << text;
    EXPECT_NE(form.result(), QDialog::Accepted);
  }
  for (const std::string& statement : Journal())
    EXPECT_EQ(statement.find("A.B.C"), std::string::npos) << "no SQL built from a bad text: " << statement;
  form.cmbNameTable->setEditText("S.ITEMS");
  form.btnOkClick();
  ASSERT_EQ(env.Dialogs().messages.size(), 1u);
  EXPECT_EQ(env.Dialogs().messages[0].flags & 0xF0u, static_cast<unsigned>(MB_ICONWARNING));
  EXPECT_EQ(TakeBoxes()[0].rfind("名前TBL名が無効です。\r\n[Symfoware Stand-in] JYP7205E", 0), 0u);
  EXPECT_NE(form.result(), QDialog::Accepted);
  form.cmbNameTable->setEditText("S.NAMES");
  form.btnOkClick();
  EXPECT_EQ(form.result(), QDialog::Accepted);
  EXPECT_TRUE(TakeBoxes().empty());
}

TEST_F(ScriptOptionTest, BrowseButtonAndTableListFollowTheChoices) {
  TfrmObject* connection = Prepared();
  ScriptOption.NameTable = {"ORVTEST=S.NAMES"};
  TfrmScriptOption form(connection, connection);
  form.FillControls();
  form.txtDir->setText("/tmp/scripts/");
  env.Dialogs().QueueFile(std::string("/tmp/chosen"));
  form.btnDialogClick();
  ASSERT_EQ(env.Dialogs().files.size(), 1u);
  EXPECT_EQ(env.Dialogs().files[0].kind, platform::FileDialogKind::Folder);
  EXPECT_EQ(env.Dialogs().files[0].caption, "出力先を選択して下さい。");
  EXPECT_EQ(env.Dialogs().files[0].directory, "/tmp/scripts/");
  EXPECT_EQ(form.txtDir->text().toStdString(), "/tmp/chosen");

  form.chkOneScript->setChecked(true);
  form.txtDir->setText("/tmp/all.sql/");
  env.Dialogs().QueueFile(std::nullopt);
  form.btnDialogClick();
  ASSERT_EQ(env.Dialogs().files.size(), 2u);
  EXPECT_EQ(env.Dialogs().files[1].kind, platform::FileDialogKind::Save);
  EXPECT_EQ(env.Dialogs().files[1].fileName, "/tmp/all.sql");
  EXPECT_EQ(env.Dialogs().files[1].filter, "SQLファイル(*.sql);;すべてのファイル(*.*)");
  EXPECT_EQ(form.txtDir->text().toStdString(), "/tmp/all.sql") << "cancelled: the slash stays off";

  // The list: the tables of the stored entry's schema, without schema.
  form.chkOneScript->setChecked(false);
  form.cmbNameTable->setEditText("typed");
  form.cmbNameTable->showPopup();  // the list is filled as it drops down
  form.cmbNameTable->hidePopup();
  Lines items;
  for (int i = 0; i < form.cmbNameTable->count(); ++i) items.push_back(form.cmbNameTable->itemText(i).toStdString());
  EXPECT_EQ(items, (Lines{"ITEMS", "O'NEIL"}));
  EXPECT_EQ(form.cmbNameTable->currentText().toStdString(), "typed");
  EXPECT_EQ(env.Dialogs().unanswered, 0);
}

TEST_F(ScriptOptionTest, SettingsButtonOpensTheNameTableAndTakesBackItsEntry) {
  TfrmObject* connection = Prepared();
  TfrmScriptOption form(connection, connection);
  form.FillControls();
  form.cmbNameTable->setEditText("S.NEWNAMES");
  bool shown = false;
  env.Dialogs().QueueMessage(IDOK);  // the missing table, reported as the window opens
  WhenShown<TfrmNameTable>([&](TfrmNameTable& table) {
    shown = true;
    EXPECT_EQ(table.windowTitle().toStdString(), "スクリプト名テーブル編集 - S.NEWNAMES @ ORVTEST");
    EXPECT_TRUE(table.isModal());
    table.cmbName->setEditText("NAMES");
    table.cmbDBSpaceName->setEditText("DBSPACE1");
    env.Dialogs().QueueMessage(IDNO);
    table.btnCommitClick();
    table.close();
  });
  form.btnNameTableClick();
  EXPECT_TRUE(shown);
  const Lines boxes = TakeBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_NE(boxes[0].find("JYP7202E"), std::string::npos) << boxes[0];
  EXPECT_EQ(boxes[1], "テーブルが見つかりません。新規作成しますか？");
  EXPECT_EQ(form.cmbNameTable->currentText().toStdString(), "S.NAMES");
  EXPECT_EQ(ScriptOption.NameTable, Lines{"ORVTEST=S.NAMES"});
}

}  // namespace
