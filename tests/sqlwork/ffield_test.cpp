#include "sqlwork/ffield.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTest>
#include <QToolButton>

#include <fstream>
#include <memory>

#include "app/core/fmainactcore.h"
#include "app/core/ovformat.h"
#include "app/core/ovmsg.h"
#include "app/core/ovreg.h"
#include "app/core/ovshortcut.h"
#include "app/core/zarur.h"
#include "app/fmain.h"
#include "app/fmainact.h"
#include "app/fobject.h"
#include "platform/helpviewer.h"
#include "editor/ovmemo.h"
#include "sqlwork/fsql.h"
#include "sqlwork/ftmplate.h"
#include "sqlwork/sqlregister.h"
#include "tests/common/program_main.h"
#include "tests/platform/temp_settings.h"
#include "tests/standin/odbc_fixture.h"
#include "ui/ovcomctrls.h"
#include "ui/ovprinter.h"
#include "ui/ovstdctl.h"
#include "ui/uiregister.h"
#include "ui/zarurctl.h"

namespace {

using Lines = std::vector<std::string>;

// The stand-in keeps column comments in the catalogue only.
constexpr char kColumnComment[] =
    "INSERT INTO RDBII_SYSTEM.RDBII_COMMENT SELECT C.DB_CODE, C.SCHEMA_CODE, C.TABLE_CODE, C.COLUMN_CODE, 0, 'CO', "
    "'price' FROM RDBII_SYSTEM.RDBII_COLUMN C JOIN RDBII_SYSTEM.RDBII_TABLE T ON C.DB_CODE = T.DB_CODE AND "
    "C.SCHEMA_CODE = T.SCHEMA_CODE AND C.TABLE_CODE = T.TABLE_CODE WHERE T.SCHEMA_NAME = 'S' AND "
    "T.TABLE_NAME = 'T' AND C.COLUMN_NAME = 'C'";

class FieldWindow : public testing::Test {
 protected:
  FieldWindow() {
    main = testing_support::StartProgramMain();
    RegisterSqlWork();
    AppOption.AutoCommit = true;
    AppOption.TempDir = env.Path("temp") + "/";
    odbc.CreateStandin("ADMIN", "secret");
  }
  ~FieldWindow() override { testing_support::StopProgramMain(main); }

  // A logon with schemas ADMIN and S: S.T (A key, b, C with a comment),
  // S.V a view, ADMIN.OWN.
  TfrmObject* Logon() {
    auto* window = new TfrmObject(main.get(), "secret", "ADMIN", "ORVTEST");
    for (const char* sql : {"CREATE SCHEMA ADMIN", "CREATE TABLE ADMIN.OWN (Z INTEGER)", "CREATE SCHEMA S",
                            "CREATE TABLE S.T (A INTEGER NOT NULL, \"b\" CHAR(10), C DECIMAL(7,2), PRIMARY KEY (A))",
                            kColumnComment, "CREATE VIEW S.V (A) AS SELECT A FROM S.T",
                            "COMMIT"})
      window->ExecSQL(sql);
    env.Dialogs().messages.clear();
    env.Dialogs().unanswered = 0;
    return window;
  }
  static TfrmField* Picker(TfrmObject* connection) { return connection->findChild<TfrmField*>(); }
  static Lines Tables(const TfrmField& form) {
    Lines names;
    for (int i = 0; i < form.lstTable->count(); ++i) names.push_back(form.lstTable->item(i)->text().toStdString());
    return names;
  }
  static Lines SelectedTables(const TfrmField& form) {
    Lines names;
    for (int i = 0; i < form.lstTable->count(); ++i)
      if (form.lstTable->item(i)->isSelected()) names.push_back(form.lstTable->item(i)->text().toStdString());
    return names;
  }
  // "name type" per column, with "*" after a key column's name.
  static Lines Columns(const TfrmField& form) {
    Lines rows;
    for (int i = 0; i < form.lstColumn->topLevelItemCount(); ++i) {
      const QTreeWidgetItem* item = form.lstColumn->topLevelItem(i);
      const bool key = item->icon(0).cacheKey() != QIcon().cacheKey() && !item->icon(0).isNull();
      rows.push_back(item->text(0).toStdString() + (key ? "*" : "") + " " + item->text(1).toStdString());
    }
    return rows;
  }
  static void SelectAllColumns(TfrmField& form) {
    for (int i = 0; i < form.lstColumn->topLevelItemCount(); ++i) form.lstColumn->topLevelItem(i)->setSelected(true);
  }
  static void SelectTables(TfrmField& form, const Lines& names) {
    form.lstTable->clearSelection();
    for (const std::string& name : names)
      form.lstTable->findItems(QString::fromStdString(name), Qt::MatchExactly).front()->setSelected(true);
    form.RefreshColumns();
  }
  static std::string Clipboard() { return QApplication::clipboard()->text().toStdString(); }

  testing_support::TempSettings env;
  testing_odbc::OdbcFixture odbc;
  std::unique_ptr<TfrmMain> main;
};

TEST_F(FieldWindow, ShowsTheTableAndCopiesItsColumnsAndStatements) {
  TfrmObject* connection = Logon();
  ShowFieldWindow(*connection, "S", "T");
  TfrmField* form = Picker(connection);
  ASSERT_NE(form, nullptr);
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(form->windowTitle().toStdString(), "表・列 - ADMIN @ ORVTEST");
  EXPECT_EQ(form->property(platform::kHelpContextProperty).toInt(), 30300);
  EXPECT_EQ(form->cmbOwner->currentText().toStdString(), "S");
  EXPECT_EQ(Tables(*form), (Lines{"T", "V"}));
  EXPECT_EQ(SelectedTables(*form), Lines{"T"});
  EXPECT_EQ(Columns(*form), (Lines{"A* INT", "b CHAR(10)", "C DECIMAL(7,2)"}));
  EXPECT_EQ(form->lstColumn->columnWidth(1), TfrmField::kTypeColumnWidth);

  // The comment of the column clicked last is the list's tool tip.
  form->lstColumnClick(form->lstColumn->topLevelItem(2));
  EXPECT_EQ(form->lstColumn->toolTip().toStdString(), "price");

  // The focused list decides what a copy takes.
  form->lstTable->setFocus();
  form->mnuCopyClick();
  EXPECT_EQ(Clipboard(), "T");
  form->lstColumn->topLevelItem(0)->setSelected(true);
  form->lstColumn->topLevelItem(1)->setSelected(true);
  form->lstColumn->setFocus();
  form->mnuCopyClick();
  EXPECT_EQ(Clipboard(), "A,\"b\"");
  form->mnuCopySelectClick();
  EXPECT_EQ(Clipboard(), FormatSQL("SELECT A,\"b\" FROM S.T"));
  form->mnuCopyInsertClick();
  EXPECT_EQ(Clipboard(), FormatSQL("INSERT INTO S.T (A,\"b\") VALUES()"));
  form->mnuCopyUpdateClick();
  EXPECT_EQ(Clipboard(), FormatSQL("UPDATE S.T SET\r\nA= ,\r\n\"b\"= "));
  EXPECT_TRUE(env.Dialogs().inputs.empty()) << "one table needs no alias";

  // The kind buttons are never both up.
  QTest::mouseClick(form->btnView, Qt::LeftButton);
  EXPECT_EQ(Tables(*form), Lines{"T"});
  QTest::mouseClick(form->btnTable, Qt::LeftButton);
  EXPECT_TRUE(form->btnTable->isChecked());
  EXPECT_EQ(Tables(*form), Lines{"T"});
  QTest::mouseClick(form->btnView, Qt::LeftButton);
  form->txtFindTable->setText("V");
  QTest::keyClick(form->txtFindTable, Qt::Key_Return);
  EXPECT_EQ(Tables(*form), Lines{"V"});

  // The reload message reads the schema again.
  form->txtFindTable->clear();
  connection->ExecSQL("CREATE TABLE S.NEWER (N INTEGER)");
  connection->ExecSQL("COMMIT");
  EXPECT_TRUE(SendFormMessage(form, kMsgReload));
  EXPECT_EQ(Tables(*form), (Lines{"NEWER", "T", "V"}));
  EXPECT_EQ(env.Dialogs().unanswered, 0);
}

TEST_F(FieldWindow, ATableFoundNowhereShowsTheLoginSchemaWithoutSelection) {
  TfrmObject* connection = Logon();
  ShowFieldWindow(*connection, "S", "NOWHERE");
  TfrmField* form = Picker(connection);
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->cmbOwner->currentText().toStdString(), "ADMIN");
  EXPECT_EQ(Tables(*form), Lines{"OWN"});
  EXPECT_TRUE(SelectedTables(*form).empty());
  EXPECT_EQ(form->lstColumn->topLevelItemCount(), 0);

  // A table of the schema PUBLIC is looked for there.
  connection->ExecSQL("CREATE SCHEMA PUBLIC");
  connection->ExecSQL("CREATE TABLE PUBLIC.SHARED (P INTEGER)");
  connection->ExecSQL("COMMIT");
  ShowFieldWindow(*connection, "S", "SHARED");
  EXPECT_EQ(form->cmbOwner->currentText().toStdString(), "PUBLIC");
  EXPECT_EQ(SelectedTables(*form), Lines{"SHARED"});
  EXPECT_EQ(Columns(*form), Lines{"P INT"});

  // A second call reuses the one picker; no table shows the schema alone.
  ShowFieldWindow(*connection, "S", "");
  EXPECT_EQ(connection->findChildren<TfrmField*>().size(), 1u);
  EXPECT_EQ(form->cmbOwner->currentText().toStdString(), "S");
  EXPECT_TRUE(SelectedTables(*form).empty());
}

TEST_F(FieldWindow, SeveralTablesMarkOnlyTheirOwnKeysAndAskForAliases) {
  TfrmObject* connection = Logon();
  connection->ExecSQL("CREATE TABLE S.T1 (K INTEGER NOT NULL, X INTEGER, PRIMARY KEY (K))");
  connection->ExecSQL("CREATE TABLE S.T2 (X INTEGER NOT NULL, K INTEGER, PRIMARY KEY (X))");
  connection->ExecSQL("COMMIT");
  ShowFieldWindow(*connection, "S", "T1");
  TfrmField* form = Picker(connection);
  ASSERT_NE(form, nullptr);
  SelectTables(*form, {"T1", "T2"});
  EXPECT_EQ(Columns(*form), (Lines{"T1.K* INT", "T1.X INT", "T2.X* INT", "T2.K INT"}));
  EXPECT_FALSE(form->mnuCopyInsert->isEnabled());
  EXPECT_FALSE(form->mnuCopyUpdate->isEnabled());

  form->lstColumn->topLevelItem(0)->setSelected(true);
  form->lstColumn->topLevelItem(3)->setSelected(true);
  form->lstColumn->setFocus();
  env.Dialogs().QueueInput({true, " X\t", {}});
  env.Dialogs().QueueInput({true, "", {}});
  form->mnuCopyClick();
  EXPECT_EQ(Clipboard(), "X.K,K");
  form->lstTable->setFocus();
  form->mnuCopyClick();
  EXPECT_EQ(Clipboard(), "T1,T2") << "top to bottom";
  form->lstColumn->setFocus();
  ASSERT_EQ(env.Dialogs().inputs.size(), 2u);
  EXPECT_EQ(env.Dialogs().inputs[0].caption, "別名の指定");
  EXPECT_EQ(env.Dialogs().inputs[0].prompt, "T1 の別名を指定して下さい。");
  EXPECT_EQ(env.Dialogs().inputs[0].value, "T1");

  // Cancel copies nothing.
  QApplication::clipboard()->setText("before");
  env.Dialogs().QueueInput({true, "X", {}});
  env.Dialogs().QueueInput({false, "", {}});
  form->mnuCopySelectClick();
  EXPECT_EQ(Clipboard(), "before");
  env.Dialogs().QueueInput({true, "P", {}});
  env.Dialogs().QueueInput({true, "Q", {}});
  form->mnuCopySelectClick();
  EXPECT_EQ(Clipboard(), FormatSQL("SELECT P.K,Q.K FROM S.T1 P,S.T2 Q"));
  EXPECT_EQ(env.Dialogs().unanswered, 0);
}

// As the program runs them: the actions of the main window, through the
// registration routines.
TEST_F(FieldWindow, ActionsOpenThePickerOverTheEditorAndTheReference) {
  TfrmObject* connection = Logon();
  main->actMain->Action("actViewSQL")->trigger();
  TfrmSQL* sql = nullptr;
  for (QWidget* w : main->ChildWindows())
    if (auto* form = qobject_cast<TfrmSQL*>(w)) sql = form;
  ASSERT_NE(sql, nullptr);
  sql->txtSQL->Lines().SetTextStr("SELECT * FROM s.t");
  sql->txtSQL->SetSelection(14, 17);
  sql->txtSQL->setFocus();
  QAction* field = main->actMain->Action("actViewField");
  EXPECT_EQ(field->shortcut(), QKeySequence("Ctrl+T"));
  main->activateWindow();
  QTest::keyClick(sql->txtSQL, Qt::Key_T, Qt::ControlModifier);
  TfrmField* form = Picker(connection);
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(SelectedTables(*form), Lines{"T"});
  EXPECT_EQ(Columns(*form).size(), 3u);
  form->btnExit->click();
  EXPECT_FALSE(form->isVisible());
  main->activateWindow();
  QTest::keyClick(sql->txtSQL, Qt::Key_T, Qt::ControlModifier);
  EXPECT_EQ(Picker(connection), form);
  EXPECT_TRUE(form->isVisible());

  // The reference: the program folder's template file.
  const std::string saved = ProgramDir;
  ProgramDir = env.Path("program") + "/";
  QDir().mkpath(QString::fromStdString(ProgramDir));
  std::ofstream(ProgramDir + "V1.tpl") << "%%%G\n【 T 】\nSELECT <X>\n【 X 】\nx\n";
  QAction* reference = main->actMain->Action("actViewTemplate");
  EXPECT_EQ(reference->shortcut(), QKeySequence("Ctrl+J"));
  reference->trigger();
  ProgramDir = saved;
  const QList<TfrmTemplate*> windows = main->findChildren<TfrmTemplate*>();
  ASSERT_EQ(windows.size(), 1);
  EXPECT_TRUE(windows.front()->isVisible());
  EXPECT_EQ(windows.front()->txtFind->text().toStdString(), "S.T");
  windows.front()->close();

  QPointer<TfrmField> picker(form);
  qobject_cast<QMdiSubWindow*>(connection->parentWidget())->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(picker.isNull()) << "destroyed with its connection window";
  platform::KeyScope key(AppRegistry);
  ASSERT_TRUE(AppRegistry.OpenKey(GuiKey("FIELD"), false));
  EXPECT_GT(AppRegistry.ReadIntegerDef("TableWidth", 0), 0) << "its layout kept";
  EXPECT_GT(AppRegistry.ReadIntegerDef("Width", 0), 0);
  EXPECT_EQ(env.Dialogs().unanswered, 0);
}

}  // namespace
