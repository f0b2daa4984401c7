// The object tools as the running program reaches them: the connection
// window's "設定" entry and its object-list commands 統計情報, 全文検索,
// コメントチェック and マトリックス表 open the administration windows
// registered by RegisterAdmin.
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "admin/fanalyze.h"
#include "admin/fgrep.h"
#include "admin/fproject.h"
#include "tests/admin/objtools_fixture.h"
#include "tests/platform/escape_at.h"
#include "tests/platform/whenshown.h"

namespace testing_admin {
namespace {

using testing_support::WhenShown;

// The user's choice of an entry of the tree's filter box.
void ChooseFilterOf(TfrmObject& window, int index) {
  window.cmbTree->setCurrentIndex(index);
  emit window.cmbTree->activated(index);
}

Lines CheckedSchemas(const QListWidget& list) {
  Lines names;
  for (int i = 0; i < list.count(); ++i)
    if (list.item(i)->checkState() == Qt::Checked) names.push_back(list.item(i)->text().toStdString());
  return names;
}

TEST_F(ObjectToolsProgram, SchemaFilterStoresTheCheckedSchemasAndDropsStaleOnes) {
  StoreSchemas("GONE\r\nSALES\r\n");
  Lines shown;
  WhenShown<TfrmProject>([&](TfrmProject& form) {
    EXPECT_EQ(form.windowTitle().toStdString(), "表示スキーマ設定");
    shown = CheckedSchemas(*form.chkUserList);
    // Nothing checked: a warning, and the dialog stays.
    for (int i = 0; i < form.chkUserList->count(); ++i) form.chkUserList->item(i)->setCheckState(Qt::Unchecked);
    env.Dialogs().QueueMessage(IDOK);
    form.btnOk->click();
    EXPECT_TRUE(form.isVisible());
    for (int i = 0; i < form.chkUserList->count(); ++i)
      if (form.chkUserList->item(i)->text() == "HR" || form.chkUserList->item(i)->text() == "SALES")
        form.chkUserList->item(i)->setCheckState(Qt::Checked);
    form.btnOk->click();
  });
  ChooseFilterOf(*window, kFilterStoredSchemas);
  EXPECT_EQ(shown, Lines{"SALES"});
  EXPECT_EQ(Boxes(), Lines{"所属するユーザーを最低一つは選択して下さい。"});
  EXPECT_EQ(StoredSchemas(), "HR\r\nSALES\r\n");
  EXPECT_EQ(window->cmbTree->currentIndex(), kFilterStoredSchemas);
  Lines top;
  QTreeWidgetItem* root = window->lstTree->topLevelItem(0);
  for (int i = 0; i < root->childCount(); ++i) top.push_back(root->child(i)->text(0).toStdString());
  EXPECT_EQ(top, (Lines{"HR", "SALES"}));

  // Cancel writes nothing and puts the combo back.
  ChooseFilterOf(*window, 0);
  WhenShown<TfrmProject>([&](TfrmProject& form) {
    for (int i = 0; i < form.chkUserList->count(); ++i) form.chkUserList->item(i)->setCheckState(Qt::Checked);
    form.btnCancel->click();
  });
  ChooseFilterOf(*window, kFilterStoredSchemas);
  EXPECT_EQ(StoredSchemas(), "HR\r\nSALES\r\n");
  EXPECT_EQ(window->cmbTree->currentIndex(), 0);
}

TEST_F(ObjectToolsProgram, StatisticsRunRdbupsPerSelectedTableSkippingViews) {
  AppOption.ShowLevel1 = true;
  Select("SALES", "", {"CUSTOMER", "CUSTOMER_ORDERS", "ORDERS"});
  ASSERT_EQ(window->lstObject->selectedItems().size(), 3);
  QAction* analyze = Command("actAnalyze");
  ASSERT_NE(analyze, nullptr);
  ASSERT_TRUE(analyze->isEnabled());
  EXPECT_EQ(analyze->text().toStdString(), "統計情報(&A)");
  WhenShown<TfrmAnalyze>([&](TfrmAnalyze& form) {
    EXPECT_FALSE(form.rdoDso->isEnabled());
    EXPECT_FALSE(form.rdoDsi->isEnabled());
    form.chkRecovery->setChecked(true);
    form.btnOk->click();
    form.btnCancel->click();
  });
  analyze->trigger();
  EXPECT_EQ(RdbupsCalls(), (Lines{"rdbups\t-t\tORVSAMPLE.SALES.CUSTOMER\t-R", "rdbups\t-t\tORVSAMPLE.SALES.ORDERS\t-R"}));
  EXPECT_EQ(Boxes(), Lines{"最適化を実行しました。"});
  // Every row, the skipped view too, was deselected after its turn.
  EXPECT_TRUE(window->lstObject->selectedItems().isEmpty());
}

TEST_F(ObjectToolsProgram, EscStopsTheStatisticsRunAndLeavesTheRowsNotReachedSelected) {
  Select("SALES", "TABLE", {"CUSTOMER", "ORDERS"});
  ASSERT_EQ(window->lstObject->selectedItems().size(), 2);
  // Esc at the second poll: the first table runs, the second is not reached.
  std::unique_ptr<platform::WindowInput> before = platform::SetInput(std::make_unique<testing_support::EscapeAt>(2));
  WhenShown<TfrmAnalyze>([&](TfrmAnalyze& form) {
    form.btnOk->click();
    form.btnCancel->click();
  });
  Command("actAnalyze")->trigger();
  platform::SetInput(std::move(before));
  EXPECT_EQ(RdbupsCalls(), Lines{"rdbups\t-t\tORVSAMPLE.SALES.CUSTOMER"});
  const QList<QTreeWidgetItem*> left = window->lstObject->selectedItems();
  ASSERT_EQ(left.size(), 1);
  EXPECT_EQ(left.front()->text(0).toStdString(), "ORDERS");
}

TEST_F(ObjectToolsProgram, StatisticsOfOneTablesDsoAndAFailingRun) {
  Select("SALES", "TABLE", {"ORDERS"});
  WhenShown<TfrmAnalyze>([&](TfrmAnalyze& form) {
    EXPECT_TRUE(form.rdoDso->isEnabled());
    form.rdoDso->setChecked(true);
    EXPECT_TRUE(form.cmbDso->isEnabled());
    EXPECT_FALSE(form.cmbDsi->isEnabled());
    form.cmbDso->OnDropDown();
    ASSERT_GE(form.cmbDso->count(), 1);
    form.cmbDso->setCurrentIndex(0);
    form.btnOk->click();
    // A tool that prints nothing: no success box, the failure instead.
    setenv("SYMFOWARE_TOOL_FAIL", "rdbups:silent", 1);
    env.Dialogs().QueueMessage(IDOK);
    form.btnOk->click();
    form.btnCancel->click();
  });
  Command("actAnalyze")->trigger();
  const Lines calls = RdbupsCalls();
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls[calls.size() - 2], "rdbups\t-g\tORVSAMPLE.ORDERS_DSO");
  EXPECT_EQ(Boxes(), (Lines{"最適化を実行しました。", "コマンドの実行に失敗しました。"}));
}

TEST_F(ObjectToolsProgram, GrepReturnsTheWordScopeAndCase) {
  struct Case {
    const char* typed;
    bool caseSensitive;
    const char* word;
  } cases[] = {{"order", false, "ORDER"}, {"ｏｒｄｅｒ", false, "ＯＲＤＥＲ"}, {"order", true, "order"}};
  ASSERT_TRUE(GrepDialog());
  for (const Case& c : cases) {
    TGrepRequest request{"", gsSelected, false};
    WhenShown<TfrmGrep>([&](TfrmGrep& form) {
      EXPECT_EQ(form.windowTitle().toStdString(), "GREP");
      form.txtGrepWord->setText(QString::fromUtf8(c.typed));
      form.rdoTarget->button(gsAll)->setChecked(true);
      form.chkCase->setChecked(c.caseSensitive);
      form.btnOk->click();
    });
    ASSERT_TRUE(GrepDialog()(request));
    EXPECT_EQ(request.Text, c.word);
    EXPECT_EQ(request.Scope, gsAll);
    EXPECT_EQ(request.CaseSensitive, c.caseSensitive);
  }
  // A blank word warns and keeps the dialog; cancel changes nothing.
  TGrepRequest request{"keep", gsListed, false};
  WhenShown<TfrmGrep>([&](TfrmGrep& form) {
    form.txtGrepWord->setText("  ");
    env.Dialogs().QueueMessage(IDOK);
    form.btnOk->click();
    EXPECT_TRUE(form.isVisible());
    form.btnCancel->click();
  });
  EXPECT_FALSE(GrepDialog()(request));
  EXPECT_EQ(request.Text, "keep");
  EXPECT_EQ(Boxes(), Lines{"検索する文字列を指定して下さい。"});
  // The connection window's own entry reaches the dialog.
  Select("SALES", "TABLE");
  WhenShown<TfrmGrep>([&](TfrmGrep& form) { form.btnCancel->click(); });
  Command("actGrep")->trigger();
}

}  // namespace
}  // namespace testing_admin
