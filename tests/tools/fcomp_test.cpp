// The object comparison as the running program reaches it: the main window
// with the registration routines of the main block, two stand-in data
// sources partly alike (tests/fixtures/standin/comp), the window opened
// from the tool menu, compared, opened and reported.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QTreeWidget>

#include "admin/adminregister.h"
#include "app/appregister.h"
#include "app/core/ovkinds.h"
#include "objedit/objeditor.h"
#include "objedit/objregister.h"
#include "standin/symfoware/catalogue.h"
#include "standin/symfoware/standin.h"
#include "tests/sqlwork/sqlwindow_fixture.h"
#include "tests/standin/session_script.h"
#include "tests/ui/core/workbook_fixture.h"
#include "tools/fcomp.h"
#include "tools/toolsregister.h"
#include "ui/ovcomctrls.h"
#include "ui/ovstdctl.h"

namespace {

using Rows = std::vector<std::string>;

constexpr char kSecondSource[] = "ORVTEST2";
const std::string kFixtures = TEST_FIXTURE_DIR "/standin/comp/";

class ObjectComparison : public testing_sqlwork::SQLWindow {
 protected:
  ObjectComparison() {
    odbc.CreateStandin("ADMIN", "secret", kSecondSource);
    {
      auto first = symfoware::OpenStandinSession("ORVTEST", "ADMIN", "secret");
      testing_odbc::RunScriptFile(*first, kFixtures + "first.sql");
      symfoware::AddUser(first->Database(), "U2", "pw");
      auto second = symfoware::OpenStandinSession(kSecondSource, "ADMIN", "secret");
      testing_odbc::RunScriptFile(*second, kFixtures + "second.sql");
    }
    {
      // An object of the schema that another user made is not ADMIN's.
      auto other = symfoware::OpenStandinSession("ORVTEST", "U2", "pw");
      testing_odbc::RunDdl(*other, "CREATE TABLE S.OTHER (A INTEGER)");
    }
    RegisterApp(*main);
    SetLogonProcedure(nullptr);  // the test logs on itself
    RegisterObjEdit();
    RegisterAdmin();
    RegisterTools();
    first = Logon();
    second = new TfrmObject(main.get(), "secret", "ADMIN", kSecondSource);
    env.Dialogs().messages.clear();
  }

  // Opens the window from the tool menu on the first logon.
  TfrmComp* OpenFromMenu() {
    main->SelectConnectionEntry(first);
    QAction* item = MenuItem("ツール", "オブジェクト比較(&C)");
    if (!item || !item->isEnabled()) return nullptr;
    item->trigger();
    for (QWidget* w : main->ChildWindows())
      if (auto* form = qobject_cast<TfrmComp*>(w)) return form;
    return nullptr;
  }
  static void Choose(QComboBox& connections, TfrmObject* window) {
    for (int i = 0; i < connections.count(); ++i)
      if (connections.itemData(i).value<QObject*>() == window) connections.setCurrentIndex(i);
  }
  // Compares and answers the closing message.
  void Compare(TfrmComp& form, TfrmObject* target2, const char* schema1, const char* schema2) {
    Choose(*form.cmbDBName2, target2);
    form.cmbSchema1->setEditText(schema1);
    form.cmbSchema2->setEditText(schema2);
    env.Dialogs().QueueMessage(IDOK);
    form.btnExec->trigger();
  }
  static Rows RowTexts(const TfrmComp& form) {
    Rows rows;
    for (const TCompRow& row : form.Rows())
      rows.push_back(row.Name + "|" + row.Schema + "|" + row.Type + "|" + CompResultText(row.Result) + "|" +
                     std::to_string(row.Kind));
    return rows;
  }
  template <class T>
  std::vector<T*> Forms() const {
    std::vector<T*> forms;
    for (QWidget* w : main->ChildWindows())
      if (auto* form = dynamic_cast<T*>(w)) forms.push_back(form);
    return forms;
  }

  TfrmObject* first = nullptr;
  TfrmObject* second = nullptr;
};

TEST_F(ObjectComparison, TwoDataSourcesFromTheMenuShowEveryResult) {
  ScriptOption.Schema = kSchemaUnlessOwner;
  ScriptOption.Index = true;
  ScriptOption.Insert = true;
  TfrmComp* form = OpenFromMenu();
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->ConnectionWindow, first);
  EXPECT_EQ(form->cmbSchema1->currentText().toStdString(), kCompAllSchemas);
  EXPECT_FALSE(form->actCopy->isEnabled());
  Compare(*form, second, "S", "s");
  EXPECT_EQ(RowTexts(*form), (Rows{"SAME_V|S|VIEW|内容一致|47", "SAME|S|TABLE|内容一致|45",
                                   "CHANGED|S|TABLE|内容不一致|45", "SEQ1|S|SEQUENCE|内容一致|58",
                                   "SAME_I|S|INDEX|内容一致|46", "ONLY1|S|TABLE|比較先１にのみ存在|45",
                                   "ONLY2|S|TABLE|比較先２にのみ存在|45"}));
  EXPECT_EQ(Boxes(), Rows{"オブジェクト比較を終了しました。"});
  EXPECT_EQ(ScriptOption.Schema, kSchemaUnlessOwner);
  EXPECT_TRUE(ScriptOption.Index);
  EXPECT_TRUE(ScriptOption.Insert);
  EXPECT_EQ(CompOption, (TCompOption{true, true, true, true}));
  EXPECT_EQ(env.Dialogs().unanswered, 0);
}

TEST_F(ObjectComparison, TwoSchemasOfOneConnectionCompareWithoutSchemaNames) {
  TfrmComp* form = OpenFromMenu();
  ASSERT_NE(form, nullptr);
  form->chkOnly1->setChecked(false);
  Compare(*form, first, "S", "T");
  EXPECT_EQ(RowTexts(*form), (Rows{"SAME|S|TABLE|内容一致|45", "CHANGED|S|TABLE|内容不一致|45"}));
  EXPECT_FALSE(CompOption.Only1);
  EXPECT_EQ(env.Dialogs().unanswered, 0);
}

TEST_F(ObjectComparison, RefusesTheSamePlaceWithTheFocusOnTheFirstSchema) {
  TfrmComp* form = OpenFromMenu();
  ASSERT_NE(form, nullptr);
  Choose(*form->cmbDBName2, first);
  form->cmbSchema1->setEditText("S");
  form->cmbSchema2->setEditText("S");
  form->btnExec->trigger();
  EXPECT_EQ(Boxes(), Rows{kCompSamePlace});
  EXPECT_TRUE(form->cmbSchema1->hasFocus() || !form->isActiveWindow());
  EXPECT_EQ(form->lstComp->topLevelItemCount(), 0);
}

TEST_F(ObjectComparison, OpensTheSidesOfTheSelectedRows) {
  TfrmComp* form = OpenFromMenu();
  ASSERT_NE(form, nullptr);
  Compare(*form, second, "S", "S");
  ASSERT_EQ(form->lstComp->topLevelItemCount(), 7);
  const auto select = [&](const std::string& name) {
    for (int i = 0; i < form->lstComp->topLevelItemCount(); ++i) {
      QTreeWidgetItem* item = form->lstComp->topLevelItem(i);
      item->setSelected(item->text(0).toStdString() == name);
    }
  };
  select("CHANGED");
  form->mnuOpenClick();
  select("ONLY2");
  form->mnuOpen1Click();  // a row of side 2 has nothing on side 1
  select("ONLY2");
  form->mnuOpen2Click();
  std::vector<std::string> opened;
  for (TovObjectEditor* editor : Forms<TovObjectEditor>())
    opened.push_back(editor->ObjectName() + "@" + editor->ConnectionWindow->Module().GetDataSourceName());
  EXPECT_EQ(opened, (Rows{"CHANGED@ORVTEST", "CHANGED@ORVTEST2", "ONLY2@ORVTEST2"}));
  EXPECT_TRUE(form->lstComp->selectedItems().isEmpty()) << "each row is deselected after its turn";
}

TEST_F(ObjectComparison, ReportsTheListToTheClipboardAndASpreadsheet) {
  TfrmComp* form = OpenFromMenu();
  ASSERT_NE(form, nullptr);
  form->chkEqurl->setChecked(false);
  Compare(*form, second, "S", "S");
  AppOption.PasteDialog = false;
  AppOption.PasteColumn = 1;
  form->actCopy->trigger();
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
            "CHANGED,S,TABLE,内容不一致\r\nONLY1,S,TABLE,比較先１にのみ存在\r\nONLY2,S,TABLE,比較先２にのみ存在\r\n");

  // Asked first: No copies nothing, Yes with the box cleared copies with TABs.
  AppOption.PasteDialog = true;
  QApplication::clipboard()->clear();
  env.Dialogs().QueueMessage(IDNO);
  form->actCopy->trigger();
  EXPECT_TRUE(QApplication::clipboard()->text().isEmpty());
  env.Dialogs().QueueMessage(IDYES, {false});
  form->actCopy->trigger();
  EXPECT_EQ(QApplication::clipboard()->text().toStdString().rfind("CHANGED\tS\tTABLE\t内容不一致\r\n", 0), 0u);
  EXPECT_EQ(AppOption.PasteColumn, 0);

  AppOption.ExcelDir = env.Path("out") + "/";
  const std::string book = env.Path("reports/comp.xlsx");
  env.Dialogs().QueueFile(book);
  form->actExcel->trigger();
  ASSERT_FALSE(env.Dialogs().files.empty());
  EXPECT_EQ(env.Dialogs().files.back().fileName, env.Path("out") + "/OBJECTCOMP" + AppOption.ExcelExt);
  EXPECT_EQ(testing_workbook::RunPython("ws = openpyxl.load_workbook(p).active\n"
                                        "for row in ws.iter_rows(values_only=True): print('|'.join(row))",
                                        book),
            "オブジェクト名|スキーマ|タイプ|比較結果\nCHANGED|S|TABLE|内容不一致\n"
            "ONLY1|S|TABLE|比較先１にのみ存在\nONLY2|S|TABLE|比較先２にのみ存在");
  EXPECT_EQ(AppOption.ExcelDir, env.Path("reports") + "/");
  EXPECT_EQ(Boxes().back(), "ファイルに出力しました。");
}

}  // namespace
