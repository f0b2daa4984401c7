// The program options dialog as the user drives it: what it shows from the
// records, the checks of "OK", the folder boxes, the short-cut keys and the
// formatter sample.
#include "tools/foption.h"

#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <functional>

#include "app/core/fmainactcore.h"
#include "app/core/fmaincore.h"
#include "app/core/ovoptions.h"
#include "app/core/ovreg.h"
#include "app/core/zarur.h"
#include "editor/core/EditorProp.h"
#include "editor/ovmemo.h"
#include "tests/platform/temp_settings.h"
#include "tests/platform/whenshown.h"
#include "tests/tools/option_clicks.h"
#include "ui/ovcomctrls.h"
#include "ui/ovstdctl.h"

namespace {

using testing_support::WhenShown;
using testing_tools::Tick;

class OptionDialog : public testing::Test {
 protected:
  OptionDialog() {
    InitFolders();
    // The records as an empty registry gives them.
    LoadOptions(*prop);
  }
  bool Run(const std::function<void(TfrmOption&)>& steps) {
    WhenShown<TfrmOption>([steps](TfrmOption& form) { steps(form); });
    return ShowOption();
  }
  static std::string Text(const QLineEdit* box) { return box->text().toStdString(); }
  static void Type(QLineEdit* box, const char* text) {
    box->clear();
    QTest::keyClicks(box, text);
  }
  static QTreeWidgetItem* Node(TfrmOption& form, const std::string& action) {
    for (QTreeWidgetItemIterator it(form.lstShortCut); *it; ++it)
      if ((*it)->data(0, Qt::UserRole).toString().toStdString() == action) return *it;
    return nullptr;
  }
  static std::string ShortCutOf(TfrmOption& form, const std::string& action) {
    return Node(form, action)->text(1).toStdString();
  }
  std::vector<std::string> Boxes() {
    std::vector<std::string> texts;
    for (const platform::MessageRequest& m : env.Dialogs().messages) texts.push_back(m.text);
    return texts;
  }

  testing_support::TempSettings env;
  std::unique_ptr<TovMemoProp> prop = Make<TovMemoProp>();
};

TEST_F(OptionDialog, AnEmptyRegistryShowsTheDefaults) {
  const TovOption before = AppOption;
  const bool accepted = Run([](TfrmOption& form) {
    EXPECT_EQ(form.windowTitle().toStdString(), "オプション");
    EXPECT_EQ(form.frameGeometry().center(), form.screen()->availableGeometry().center()) << "centred on the screen";
    EXPECT_EQ(form.pagOption->count(), 8);
    EXPECT_EQ(form.pagOption->tabText(0).toStdString(), "オブジェクトリスト");
    EXPECT_EQ(form.pagOption->currentIndex(), 0);
    EXPECT_TRUE(form.chkFind->isChecked());
    EXPECT_TRUE(form.chkFindAuto->isEnabled());
    EXPECT_FALSE(form.chkRowSelect->isChecked());
    EXPECT_EQ(form.rdoSort->checkedId(), 0);
    for (const char* kind : {"btnTable", "btnIndex", "btnView", "btnProc", "btnFunc", "btnTrigger", "btnSeq"})
      EXPECT_TRUE(form.findChild<QToolButton*>(kind)->isChecked()) << kind;
    EXPECT_EQ(Text(form.txtSQLTop), "1");
    EXPECT_EQ(form.cmbSQLLeft->currentText().toStdString(), "A");
    EXPECT_EQ(form.cmbSQLLeft->count(), 256);
    EXPECT_EQ(form.cmbSQLLeft->itemText(255).toStdString(), "IV");
    EXPECT_EQ(Text(form.txtMatrixRow), "60");
    EXPECT_EQ(Text(form.txtMatrixCol), "30");
    EXPECT_EQ(Text(form.txtDefTopRecord), "1000");
    EXPECT_EQ(Text(form.txtDataFontSize), "10");
    EXPECT_EQ(Text(form.txtIndent), "4");
    EXPECT_EQ(Text(form.txtFileDir), UserDir);
    EXPECT_EQ(Text(form.txtTempDir), ShareDir + "temp/");
    EXPECT_EQ(Text(form.txtBeforeSource), ShareDir);
    EXPECT_FALSE(form.txtBeforeSource->isEnabled()) << "the source group follows its save box";
    EXPECT_TRUE(form.ChkAutoCommit->isChecked());
    EXPECT_EQ(form.rdoCommaPos->checkedId(), 0);
    EXPECT_FALSE(form.txtFormat->Lines().GetTextStr().empty());
    // Six groups and 62 actions with their captions and short-cuts.
    EXPECT_EQ(form.lstShortCut->topLevelItemCount(), 6);
    EXPECT_EQ(form.lstShortCut->topLevelItem(0)->text(0).toStdString(), "ファイルメニュー");
    EXPECT_EQ(Node(form, "actEditSelectAll")->text(0).toStdString(), "すべて選択(&L)");
    EXPECT_EQ(ShortCutOf(form, "actEditSelectAll"), "Ctrl+A");
    form.btnCancel->click();
  });
  EXPECT_FALSE(accepted);
  EXPECT_EQ(AppOption, before);
}

TEST_F(OptionDialog, OkRefusesEachFailingBoxOnItsPage) {
  struct Case {
    std::function<TovNumEdit*(TfrmOption&)> Box;
    const char* Typed;
    const char* Page;
    const char* Message;
  };
  const Case cases[] = {
      {[](TfrmOption& f) { return f.txtDataFontSize; }, "", "データ", "サイズ(pt)は1以上の整数で入力して下さい。"},
      {[](TfrmOption& f) { return f.txtDiagramFontSize; }, "0", "SQL実行",
       "ダイアグラム部 サイズ(pt)は1以上の整数で入力して下さい。"},
      {[](TfrmOption& f) { return f.txtGridFontSize; }, "", "SQL実行", "グリッド部 サイズ(pt)は1以上の整数で入力して下さい。"},
      {[](TfrmOption& f) { return f.txtDefTopRecord; }, "0", "データ",
       "件数を指定して開く場合の既定レコード件数は1以上の整数で入力して下さい。"},
      {[](TfrmOption& f) { return f.txtSQLTop; }, "65536", "外部出力", "開始行は1から65535までの整数で入力して下さい。"},
      {[](TfrmOption& f) { return f.txtMatrixRow; }, "", "外部出力", "頁行数は1から65535までの整数で入力して下さい。"},
      {[](TfrmOption& f) { return f.txtMatrixCol; }, "256", "外部出力", "桁数は1から255までの整数で入力して下さい。"},
  };
  const bool accepted = Run([&](TfrmOption& form) {
    for (const Case& c : cases) {
      TovNumEdit* box = c.Box(form);
      const QString kept = box->text();
      Type(box, c.Typed);
      form.pagOption->setCurrentIndex(0);
      form.btnOk->click();
      EXPECT_EQ(Boxes().back(), c.Message);
      EXPECT_EQ(env.Dialogs().messages.back().flags, unsigned(MB_ICONWARNING));
      EXPECT_EQ(form.pagOption->tabText(form.pagOption->currentIndex()).toStdString(), c.Page);
      EXPECT_TRUE(form.isVisible());
      box->setText(kept);
    }
    Type(form.txtSQLTop, "1");
    Type(form.txtMatrixCol, "255");
    // A folder left empty takes its default; others end in one "/".
    form.txtFileDir->clear();
    form.txtExcelDir->setText(" /tmp/out ");
    form.txtTempDir->setText("/tmp/work/");
    form.btnOk->click();
  });
  ASSERT_TRUE(accepted);
  EXPECT_EQ(Boxes().size(), 7U);
  EXPECT_EQ(AppOption.ExcelTop, 0);
  EXPECT_EQ(AppOption.ExcelMatrixCol, 255);
  EXPECT_EQ(AppOption.FileDir, UserDir);
  EXPECT_EQ(AppOption.ExcelDir, "/tmp/out/");
  EXPECT_EQ(AppOption.TempDir, "/tmp/work/");
}

TEST_F(OptionDialog, BrowseButtonsFillTheirBoxesAndCancelLeavesThem) {
  ExcelFileFilter = "Excelファイル(*.xlsx)";
  env.Dialogs().QueueFile(std::string("/tmp/chosen/"));
  env.Dialogs().QueueFile(std::nullopt);
  env.Dialogs().QueueFile(std::string("/forms/result.xlsx"));
  const bool accepted = Run([&](TfrmOption& form) {
    form.findChild<QToolButton*>("btnFileDir")->click();
    EXPECT_EQ(Text(form.txtFileDir), "/tmp/chosen");
    form.findChild<QToolButton*>("btnTempDir")->click();
    EXPECT_EQ(Text(form.txtTempDir), ShareDir + "temp/");
    auto* formSQL = form.findChild<TovStrEdit*>("txtFormSQL");
    formSQL->setText("/forms/");
    form.findChild<QToolButton*>("btnFormSQL")->click();
    EXPECT_EQ(Text(formSQL), "/forms/result.xlsx");
    form.btnOk->click();
  });
  ASSERT_TRUE(accepted);
  const std::vector<platform::FileRequest>& asked = env.Dialogs().files;
  ASSERT_EQ(asked.size(), 3U);
  EXPECT_EQ(asked[0].kind, platform::FileDialogKind::Folder);
  EXPECT_EQ(asked[0].caption, "出力先を選択して下さい。");
  EXPECT_EQ(asked[1].caption, "作業ファイル作成先を選択して下さい。");
  EXPECT_EQ(asked[2].fileName, "/forms") << "the final slash goes first";
  EXPECT_EQ(asked[2].filter, "Excelファイル(*.xlsx);;すべてのファイル(*.*)");
  EXPECT_EQ(AppOption.FileDir, "/tmp/chosen/");
  EXPECT_EQ(AppOption.ExcelForm, "/forms/result.xlsx");
}

TEST_F(OptionDialog, TheFontSamplesFollowTheirListAndSizeBox) {
  const bool accepted = Run([&](TfrmOption& form) {
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    form.pagOption->setCurrentWidget(form.findChild<QWidget*>("tabQuery"));
    auto* list = form.findChild<QListWidget*>("lstDataFontName");
    auto* sample = form.txtDataFontSize->parentWidget()->findChild<TovMemo*>();
    ASSERT_NE(sample, nullptr);
    EXPECT_EQ(sample->Lines().GetTextStr(), "ABCxzy\r\nあいう亜井宇");
    list->setCurrentRow(0);
    EXPECT_EQ(sample->Font().Name, list->item(0)->text().toStdString());
    // Left empty, the box takes the sample's size again; a number sets it.
    form.txtDataFontSize->setFocus();
    form.txtDataFontSize->clear();
    form.txtDefTopRecord->setFocus();
    EXPECT_EQ(Text(form.txtDataFontSize), "10");
    form.txtDataFontSize->setFocus();
    Type(form.txtDataFontSize, "14");
    form.txtDefTopRecord->setFocus();
    EXPECT_EQ(sample->Font().Size, 14);
    form.btnOk->click();
  });
  ASSERT_TRUE(accepted);
  EXPECT_EQ(AppOption.DataFontSize, 14);
}

TEST_F(OptionDialog, AShortCutKeyIsTakenOnlyAsTheRuleAllows) {
  struct Case {
    Qt::Key Key;
    Qt::KeyboardModifiers Modifiers;
    std::string Shown;  // on the node afterwards
  };
  const Case cases[] = {
      {Qt::Key_Q, Qt::ControlModifier, "Ctrl+Q"}, {Qt::Key_B, Qt::NoModifier, "Ctrl+Q"},
      {Qt::Key_F9, Qt::NoModifier, "F9"},         {Qt::Key_F11, Qt::NoModifier, "F9"},
      {Qt::Key_F12, Qt::ShiftModifier, "F9"},     {Qt::Key_Space, Qt::NoModifier, ""},
      {Qt::Key_Semicolon, Qt::AltModifier, "Alt+;"},
  };
  const bool accepted = Run([&](TfrmOption& form) {
    form.pagOption->setCurrentWidget(form.findChild<QWidget*>("tabKey"));
    form.lstShortCut->setFocus();
    form.lstShortCut->setCurrentItem(Node(form, "actDBLogoff"));
    for (const Case& c : cases) {
      QTest::keyClick(form.lstShortCut, c.Key, c.Modifiers);
      EXPECT_EQ(ShortCutOf(form, "actDBLogoff"), c.Shown) << c.Shown;
    }
    EXPECT_TRUE(Boxes().empty());
    // A key another node shows is refused; the node keeps its text.
    QTest::keyClick(form.lstShortCut, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"同じショートカットが既に存在しています。"});
    EXPECT_EQ(ShortCutOf(form, "actDBLogoff"), "Alt+;");
    // A group node takes no key.
    QTreeWidgetItem* group = form.lstShortCut->topLevelItem(0);
    form.lstShortCut->setCurrentItem(group);
    QTest::keyClick(form.lstShortCut, Qt::Key_F8);
    EXPECT_EQ(group->text(1).toStdString(), "");
    form.btnCancel->click();
  });
  EXPECT_FALSE(accepted);
}

TEST_F(OptionDialog, TheFormatterSampleFollowsThePageAndCancelRestoresTheSettings) {
  FormatOption.Indent = 4;
  const TFormatOption before = FormatOption;
  const bool accepted = Run([&](TfrmOption& form) {
    form.pagOption->setCurrentWidget(form.findChild<QWidget*>("TabFormat"));
    const std::string first = form.txtFormat->Lines().GetTextStr();
    form.txtIndent->setFocus();
    form.txtIndent->clear();
    QTest::keyClicks(form.txtIndent, "4.5");
    EXPECT_EQ(Text(form.txtIndent), "45");
    const std::string wide = form.txtFormat->Lines().GetTextStr();
    EXPECT_NE(wide, first);
    EXPECT_NE(wide.find("\r\n" + std::string(45, ' ') + "SELECT"), std::string::npos) << wide;
    EXPECT_EQ(FormatOption, before) << "only for the sample";
    // "なし" disables the comma and AND positions; "1行ずつ" enables them.
    form.rdoItemReturn->button(1)->click();
    EXPECT_FALSE(form.rdoCommaPos->button(0)->isEnabled());
    EXPECT_FALSE(form.rdoAndPos->button(1)->isEnabled());
    form.rdoItemReturn->button(0)->click();
    EXPECT_TRUE(form.rdoCommaPos->button(0)->isEnabled());
    form.rdoReserveTran->button(1)->click();
    EXPECT_NE(form.txtFormat->Lines().GetTextStr().find("select"), std::string::npos);
    form.btnCancel->click();
  });
  EXPECT_FALSE(accepted);
  EXPECT_EQ(FormatOption, before);
  // The next opening shows the sample with the old settings.
  Run([&](TfrmOption& form) {
    EXPECT_EQ(Text(form.txtIndent), "4");
    form.rdoReserveTran->button(1)->click();
    form.btnOk->click();
  });
  EXPECT_EQ(FormatOption.ReserveTrans, 1);
}

}  // namespace
