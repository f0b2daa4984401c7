// The report-definition editor as the user drives it: one tab per file,
// the proposed names, the item grids, saving with its checks and renames,
// the tab keys and the layout it keeps.
#include "tools/fxlssetup.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QMenu>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <functional>

#include "app/core/ovdoc.h"
#include "app/core/ovreg.h"
#include "app/core/zarur.h"
#include "tests/common/program_main.h"
#include "tests/platform/temp_settings.h"
#include "tests/platform/whenshown.h"
#include "ui/ovgrid.h"
#include "ui/ovstdctl.h"

namespace {

using testing_support::WhenShown;

class ReportDefinitionEditor : public testing::Test {
 protected:
  ReportDefinitionEditor() : main(testing_support::StartProgramMain()) {}
  ~ReportDefinitionEditor() override { testing_support::StopProgramMain(main); }

  static void Definition(const std::string& name, const TXlsDefDocument& doc) { WriteXlsDefDocument(ShareDir, name, doc); }
  static TXlsDefDocument Stored(const std::string& name) {
    return ReadXlsDefDocument(ReportDefinitionPath(ShareDir, name));
  }
  static QStringList Files() {
    return QDir(QString::fromStdString(DocFolder(ShareDir, kReportFolder))).entryList(QDir::Files, QDir::Name);
  }
  void Run(const std::function<void(TfrmXLSSetup&)>& steps) {
    bool shown = false;
    WhenShown<TfrmXLSSetup>([&shown, steps](TfrmXLSSetup& form) {
      shown = true;
      steps(form);
      if (form.isVisible()) form.actExit->trigger();
    });
    ShowXLSSetup();
    EXPECT_TRUE(shown);
  }
  static std::vector<std::string> Tabs(const TfrmXLSSetup& form) {
    std::vector<std::string> names;
    for (int i = 0; i < form.tabDefinition->count(); ++i) names.push_back(form.tabDefinition->tabText(i).toStdString());
    return names;
  }
  // Types into a grid cell as the in-place editor stores it.
  static void Edit(TovStringGrid& grid, int col, int row, const std::string& text) {
    grid.FocusCell(col, row);
    grid.SetEditText(col, row, text);
  }
  std::vector<std::string> Boxes() {
    std::vector<std::string> texts;
    for (const platform::MessageRequest& m : env.Dialogs().messages) texts.push_back(m.text);
    return texts;
  }

  testing_support::TempSettings env;
  std::unique_ptr<TfrmMain> main;
};

TEST_F(ReportDefinitionEditor, AFirstDefinitionIsAddedWrittenAndReadBack) {
  env.Dialogs().QueueFile(std::string("/forms/form.xlsx"));
  Run([](TfrmXLSSetup& form) {
    EXPECT_EQ(form.windowTitle().toStdString(), "レポート定義");
    EXPECT_EQ(form.tabDefinition->count(), 0);
    ASSERT_TRUE(form.actAdd->isEnabled()) << "the first definition can be made";
    EXPECT_FALSE(form.actDelete->isEnabled());
    form.actAdd->trigger();
    EXPECT_EQ(form.tabDefinition->count(), 1);
    EXPECT_TRUE(form.Changed);
    form.cmbType->setCurrentIndex(1);
    EXPECT_EQ(form.txtName->text().toStdString(), "テーブル定義");
    EXPECT_TRUE(form.grpOutput->isEnabled());
    form.btnXlsFile->click();
    EXPECT_EQ(form.txtXlsFile->text().toStdString(), "/forms/form.xlsx");
    form.txtBodyTop->setText("5");
    form.txtBodyCount->setText("2");
    form.rdoOutput->button(1)->setChecked(true);
    TovStringGrid& header = *form.grids[xgHeader].Grid;
    Edit(header, 2, 1, "スキーマ名");
    Edit(header, 0, 1, "2");
    Edit(header, 1, 1, "3");
    EXPECT_EQ(header.RowCount(), 3) << "typing into the last row opens another";
    TovStringGrid& body2 = *form.grids[xgBody2].Grid;
    Edit(body2, 0, 1, "1");  // no item: neither checked nor written
    Edit(body2, 1, 1, "1");
    Edit(body2, 2, 2, "一意制約情報・値");
    Edit(body2, 0, 2, "1");
    Edit(body2, 1, 2, "4");
    form.actSave->trigger();
    EXPECT_EQ(Tabs(form), (std::vector<std::string>{"テーブル定義"}));
    EXPECT_FALSE(form.Changed);
    EXPECT_EQ(form.grids[xgHeader].Grid->Cells(2, 1), "スキーマ名") << "shown again from the file";
  });
  const TXlsDefDocument want{"/forms/form.xlsx", 5, 2, 1, 1, {{2, 3, 7}}, {}, {{1, 4, 27}}};
  EXPECT_EQ(Stored("テーブル定義"), want);
  EXPECT_EQ(env.Dialogs().files.at(0).caption, "フォームファイルの選択");
  EXPECT_EQ(env.Dialogs().unanswered, 0);
  // The report menu was rebuilt with it.
  const QList<QAction*> items = main->findChildren<QMenu*>("mnuReport").value(0)->actions();
  EXPECT_EQ(items.front()->text().toStdString(), "テーブル定義");
}

TEST_F(ReportDefinitionEditor, ChoosingATypeProposesAFreeNameAndOffersItsItems) {
  Definition("テーブル定義", {"", 1, 1, 0, 1, {}, {}, {}});
  Run([](TfrmXLSSetup& form) {
    form.actAdd->trigger();
    form.cmbType->setCurrentIndex(1);
    EXPECT_EQ(form.txtName->text().toStdString(), "テーブル定義1");
    std::vector<std::string> items;
    form.grids[xgBody2].Grid->OnGetPickListitems(2, 1, items);
    EXPECT_EQ(items, (std::vector<std::string>{"連番", "一意制約情報・項目", "一意制約情報・値"}));
    form.cmbType->setCurrentIndex(0);
    EXPECT_FALSE(form.grpOutput->isEnabled()) << "one object list is one sheet";
    form.grids[xgBody2].Grid->OnGetPickListitems(2, 1, items);
    EXPECT_TRUE(items.empty());
    EXPECT_EQ(form.txtName->text().toStdString(), "テーブル定義1") << "a name is proposed only while empty";
    form.Changed = false;
  });
}

TEST_F(ReportDefinitionEditor, SavingChecksRenamesAndRefusesTheNameOfAnother) {
  Definition("A", {"", 1, 1, 0, 0, {{1, 1, 4}}, {}, {}});
  Definition("B", {"", 1, 1, 0, 0, {}, {}, {}});
  env.Dialogs().QueueMessage(IDOK);  // the clash
  env.Dialogs().QueueMessage(IDOK);  // the bad row
  Run([this](TfrmXLSSetup& form) {
    ASSERT_EQ(Tabs(form), (std::vector<std::string>{"A", "B"}));
    form.txtName->setText("b");
    form.actSave->trigger();
    EXPECT_EQ(Boxes().back(), "同じExcel定義名が既に存在しています。");
    form.txtName->setText("C");
    Edit(*form.grids[xgHeader].Grid, 0, 1, "0");
    form.actSave->trigger();
    EXPECT_EQ(Boxes().back(), "行の指定が無効です。");
    EXPECT_EQ(form.grids[xgHeader].Grid->Row(), 1);
    Edit(*form.grids[xgHeader].Grid, 0, 1, "3");
    form.actSave->trigger();
    EXPECT_EQ(Tabs(form), (std::vector<std::string>{"B", "C"}));
  });
  EXPECT_EQ(Files(), (QStringList{"B.def", "C.def"})) << "the rename leaves one file";
  EXPECT_EQ(Stored("C").Header, (std::vector<TReportPlacement>{{3, 1, 4}}));
  EXPECT_EQ(env.Dialogs().unanswered, 0);
}

TEST_F(ReportDefinitionEditor, GridRowsAreInsertedDeletedAndMoved) {
  Definition("A", {"", 1, 1, 0, 0, {}, {{1, 1, 5}, {1, 2, 6}, {1, 3, 7}}, {}});
  Run([](TfrmXLSSetup& form) {
    TfrmXLSSetup::TItemGrid& body = form.grids[xgBody1];
    TovStringGrid& grid = *body.Grid;
    ASSERT_EQ(grid.RowCount(), 5);
    grid.FocusCell(0, 4);
    EXPECT_FALSE(body.actAdd->isEnabled()) << "the empty last row";
    EXPECT_FALSE(body.actDelete->isEnabled());
    grid.FocusCell(0, 1);
    EXPECT_FALSE(body.actUp->isEnabled());
    EXPECT_TRUE(body.actDown->isEnabled());
    body.actDown->trigger();
    EXPECT_EQ(grid.Cells(2, 2), "連番");
    EXPECT_EQ(grid.Row(), 2);
    EXPECT_TRUE(form.Changed);
    grid.FocusCell(0, 3);
    EXPECT_FALSE(body.actDown->isEnabled()) << "above the last two rows only";
    body.actUp->trigger();
    EXPECT_EQ(grid.Cells(2, 2), "スキーマ名");
    body.actAdd->trigger();
    EXPECT_EQ(grid.Cells(2, 2), "");
    EXPECT_EQ(grid.RowCount(), 6);
    body.actDelete->trigger();
    body.actDelete->trigger();
    EXPECT_EQ(grid.RowCount(), 4);
    form.actSave->trigger();
  });
  EXPECT_EQ(Stored("A").Body, (std::vector<TReportPlacement>{{1, 2, 6}, {1, 1, 5}}));
}

TEST_F(ReportDefinitionEditor, TabsSwitchByCtrlPageKeysAndAskAboutChanges) {
  Definition("A", {"", 1, 1, 0, 0, {}, {}, {}});
  Definition("B", {"b.xlsx", 1, 1, 0, 2, {}, {}, {}});
  env.Dialogs().QueueMessage(IDCANCEL);
  env.Dialogs().QueueMessage(IDNO);
  Run([](TfrmXLSSetup& form) {
    // The keys act in the active window, as the user's do.
    QApplication::setActiveWindow(&form);
    form.txtName->setFocus();
    QTest::keyClick(form.txtName, Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(form.tabDefinition->currentIndex(), 1);
    EXPECT_EQ(form.txtName->text().toStdString(), "B");
    EXPECT_EQ(form.cmbType->currentText().toStdString(), "ビュー定義");
    form.txtXlsFile->setText("c.xlsx");
    QTest::keyClick(form.txtName, Qt::Key_PageUp, Qt::ControlModifier);  // cancel
    EXPECT_EQ(form.tabDefinition->currentIndex(), 1);
    EXPECT_EQ(form.txtXlsFile->text().toStdString(), "c.xlsx");
    QTest::keyClick(form.txtName, Qt::Key_PageUp, Qt::ControlModifier);  // no: switched, changes gone
    EXPECT_EQ(form.tabDefinition->currentIndex(), 0);
    EXPECT_EQ(form.txtName->text().toStdString(), "A");
  });
  EXPECT_EQ(Stored("B").XlsFile, "b.xlsx");
  EXPECT_EQ(env.Dialogs().messages.at(0).text, "情報が変更されています。保存しますか？");
  EXPECT_EQ(env.Dialogs().unanswered, 0);
}

TEST_F(ReportDefinitionEditor, TheLayoutIsKeptUnderItsKey) {
  Run([](TfrmXLSSetup& form) { form.grids[xgBody2].Grid->setColumnWidth(2, 123); });
  TovRegistry& reg = AppRegistry;
  platform::KeyScope scope(reg);
  ASSERT_TRUE(reg.OpenKey(GuiKey("XLSSETUP"), false));
  EXPECT_EQ(reg.ReadIntegerDef("BODY22", 0), 123);
  EXPECT_GT(reg.ReadIntegerDef("Width", 0), 0);
  reg.WriteInteger("HEADER1", 77);
  reg.CloseKey();
  Run([](TfrmXLSSetup& form) {
    EXPECT_EQ(form.grids[xgHeader].Grid->columnWidth(1), 77);
    EXPECT_EQ(form.grids[xgBody2].Grid->columnWidth(2), 123);
  });
}

TEST_F(ReportDefinitionEditor, ABrokenFileIsReportedAndNotShown) {
  QDir().mkpath(QString::fromStdString(ShareDir + "xlsdef"));
  QFile file(QString::fromStdString(ShareDir + "xlsdef/bad.def"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("<OVDOC OVDOC-VERSION=\"2\"><XLSDEF>");
  file.close();
  env.Dialogs().QueueMessage(IDOK);
  Run([](TfrmXLSSetup& form) {
    EXPECT_EQ(Tabs(form), (std::vector<std::string>{"bad"}));
    EXPECT_TRUE(form.txtName->text().isEmpty());
  });
  EXPECT_EQ(Boxes(), (std::vector<std::string>{kUnknownFormat}));
  EXPECT_EQ(env.Dialogs().messages.at(0).flags & 0xF0, static_cast<unsigned>(MB_ICONERROR));
}

}  // namespace
