// The editor options dialog as the user drives it: clicks on the colour
// grid, the "指定なし" panel and the lists, typed reserved words, "OK" and
// "キャンセル".
#include "tools/feoption.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include <functional>

#include "app/core/ovkinds.h"
#include "app/core/ovreg.h"
#include "app/core/zarur.h"
#include "editor/core/EditorProp.h"
#include "editor/ovmemo.h"
#include "tests/platform/temp_settings.h"
#include "tests/platform/whenshown.h"
#include "tests/tools/option_clicks.h"
#include "tools/colorgrid.h"
#include "tools/core/feoptioncore.h"
#include "ui/ovstdctl.h"

namespace {

using testing_support::WhenShown;
using testing_tools::Tick;

constexpr TColor kRed = 0x0000FF;
constexpr TColor kBlue = 0xFF0000;
constexpr TColor kTeal = 0x808000;

class EditorOptionDialog : public testing::Test {
 protected:
  EditorOptionDialog() {
    // The settings a program starts with.
    LoadOptions(*prop);
  }
  // Runs `steps` on the shown dialog, then the dialog's result.
  bool Run(const std::function<void(TfrmEditorOption&)>& steps) {
    WhenShown<TfrmEditorOption>([steps](TfrmEditorOption& form) { steps(form); });
    return ShowEditorOption(*prop);
  }
  static void ClickCell(TfrmEditorOption& form, int index, Qt::MouseButton button) {
    QTest::mouseClick(form.grdColor, button, Qt::NoModifier, form.grdColor->CellRect(index).center());
  }
  static void ClickNone(TfrmEditorOption& form, Qt::MouseButton button) {
    QTest::mouseClick(form.pnlNone, button, Qt::NoModifier, QPoint(2, 2));
  }
  static void ChooseItem(TfrmEditorOption& form, int item) {
    form.pagOption->setCurrentWidget(form.tabColor);
    QListWidgetItem* entry = form.lstColor->item(item);
    QTest::mouseClick(form.lstColor->viewport(), Qt::LeftButton, Qt::NoModifier,
                      form.lstColor->visualItemRect(entry).center());
  }

  testing_support::TempSettings env;
  std::unique_ptr<TovMemoProp> prop = Make<TovMemoProp>();
};

TEST_F(EditorOptionDialog, TheColourManagerFollowsGridAndPanelClicks) {
  struct Step {
    int Item;
    std::function<void(TfrmEditorOption&)> Click;
    TColor Color;
    TColor BkColor;
    bool FG;  // the "FG" marker shows
    bool BG;
    bool StylesEnabled;
  };
  using F = TfrmEditorOption;
  const Step steps[] = {
      // The comment: red on the left, blue on the right, then no background.
      {F::ciComment, [](F& f) { ClickCell(f, 9, Qt::LeftButton); }, kRed, clNone, false, true, true},
      {F::ciComment, [](F& f) { ClickCell(f, 12, Qt::RightButton); }, kRed, kBlue, false, false, true},
      {F::ciComment, [](F& f) { ClickNone(f, Qt::RightButton); }, kRed, clNone, false, true, true},
      {F::ciComment, [](F& f) { ClickNone(f, Qt::LeftButton); }, clNone, clNone, true, true, true},
      // A mark has one colour: the right button changes nothing.
      {F::ciEof, [](F& f) { ClickCell(f, 6, Qt::LeftButton); }, kTeal, clNone, false, false, false},
      {F::ciEof, [](F& f) { ClickCell(f, 12, Qt::RightButton); }, kTeal, clNone, false, false, false},
      {F::ciEof, [](F& f) { ClickNone(f, Qt::LeftButton); }, clNone, clNone, true, false, false},
  };
  const bool accepted = Run([&](TfrmEditorOption& form) {
    // The first item is shown at once: the base colour.
    EXPECT_EQ(form.lstColor->currentRow(), TfrmEditorOption::ciBase);
    EXPECT_EQ(form.ColorManager()->EditedColor(), &form.BaseColor());
    for (const Step& step : steps) {
      ChooseItem(form, step.Item);
      step.Click(form);
      TColor color = 0;
      TColor bk = clNone;
      if (step.Item == TfrmEditorOption::ciEof) {
        color = form.txtSample->Marks().EofMark().Color();
        EXPECT_EQ(form.txtSample->Marks().EofMark().Visible(), color != clNone);
      } else {
        color = form.txtSample->View().Colors().Comment().Color();
        bk = form.txtSample->View().Colors().Comment().BkColor();
        // The comment brackets follow the comment colour.
        const TFountainColor& pair = form.txtSample->View().Brackets().GetItem(0)->ItemColor();
        EXPECT_EQ(pair.Color(), color);
        EXPECT_EQ(pair.BkColor(), bk);
      }
      EXPECT_EQ(color, step.Color) << step.Item;
      EXPECT_EQ(bk, step.BkColor) << step.Item;
      EXPECT_EQ(form.lblFG->isVisible(), step.FG) << step.Item;
      EXPECT_EQ(form.lblBG->isVisible(), step.BG) << step.Item;
      EXPECT_EQ(form.chkBold->isEnabled(), step.StylesEnabled) << step.Item;
    }
    // Style boxes: bold on the reserved words, shown again when re-chosen.
    ChooseItem(form, TfrmEditorOption::ciReserve);
    Tick(form.chkBold);
    EXPECT_EQ(form.txtSample->View().Colors().Reserve().Style(), fsBold);
    ChooseItem(form, TfrmEditorOption::ciEof);
    EXPECT_FALSE(form.chkBold->isChecked());
    ChooseItem(form, TfrmEditorOption::ciReserve);
    EXPECT_TRUE(form.chkBold->isChecked());
    // The base colour is the sample's background and text colour.
    ChooseItem(form, TfrmEditorOption::ciBase);
    ClickCell(form, 15, Qt::RightButton);
    ClickCell(form, 4, Qt::LeftButton);
    EXPECT_EQ(form.txtSample->Color(), 0xFFFFFFU);
    EXPECT_EQ(form.txtSample->Font().Color, 0x800000U);
    // Showing the EOF mark again takes a grid colour.
    ChooseItem(form, TfrmEditorOption::ciEof);
    ClickCell(form, 0, Qt::LeftButton);
    EXPECT_TRUE(form.txtSample->Marks().EofMark().Visible());
    form.btnOk->click();
  });
  ASSERT_TRUE(accepted);
  EXPECT_EQ(prop->View().Colors().Comment().Color(), clNone);
  EXPECT_EQ(prop->View().Colors().Reserve().Style(), fsBold);
  EXPECT_EQ(prop->Marks().EofMark().Color(), 0U);
  EXPECT_TRUE(prop->Marks().EofMark().Visible());
  EXPECT_EQ(prop->Color(), 0xFFFFFFU);
  EXPECT_EQ(prop->ScrollBars(), ssBoth);
}

TEST_F(EditorOptionDialog, ControlsShowTheSettingsAndMoveTheSampleAtOnce) {
  prop->Caret().SoftTab = true;
  prop->Caret().SetTabSpaceCount(4);
  prop->Ruler().SetGaugeRange(8);
  const bool accepted = Run([](TfrmEditorOption& form) {
    EXPECT_EQ(form.windowTitle().toStdString(), "エディタオプション");
    EXPECT_EQ(form.pagOption->currentWidget(), form.tabGeneral);
    EXPECT_TRUE(form.chkSoftTab->isChecked());
    EXPECT_EQ(form.spnTab->value(), 4);
    EXPECT_EQ(form.cmbRuler->currentText().toStdString(), "8");
    EXPECT_EQ(form.txtSample->Lines().GetTextStr(),
              "/* 表示サンプル */\r\nSELECT COL01, 'ABC' FROM SAMPLE01\r\n\tORDER BY 1; -- COL01 でソート");
    EXPECT_FALSE(form.txtSample->isEnabled());
    Tick(form.chkSoftTab);
    EXPECT_FALSE(form.chkSoftTab->isChecked());
    EXPECT_FALSE(form.txtSample->Caret().SoftTab);
    form.spnTab->stepUp();
    EXPECT_EQ(form.txtSample->Caret().TabSpaceCount(), 6);
    form.cmbRuler->setCurrentIndex(0);
    EXPECT_EQ(form.txtSample->Ruler().Values().GaugeRange, 10);
    Tick(form.chkRuler);
    EXPECT_EQ(form.txtSample->Ruler().Values().Visible, form.chkRuler->isChecked());
    // Only fixed-pitch families; the sample shows the chosen one.
    ASSERT_GT(form.lstFont->count(), 0);
    for (int i = 0; i < form.lstFont->count(); ++i)
      EXPECT_TRUE(QFontDatabase::isFixedPitch(form.lstFont->item(i)->text())) << form.lstFont->item(i)->text().toStdString();
    EXPECT_EQ(form.txtSample->Font().Name, form.lstFont->currentItem()->text().toStdString());
    form.pagOption->setCurrentWidget(form.tabColor);
    form.lstSize->setCurrentRow(12);
    EXPECT_EQ(form.txtSize->text().toStdString(), "20");
    EXPECT_EQ(form.txtSample->Font().Size, 20);
    form.txtSize->clear();
    QTest::keyClicks(form.txtSize, "14");
    EXPECT_EQ(form.txtSample->Font().Size, 14);
    form.btnOk->click();
  });
  ASSERT_TRUE(accepted);
  EXPECT_FALSE(prop->Caret().SoftTab);
  EXPECT_EQ(prop->Caret().TabSpaceCount(), 6);
  EXPECT_EQ(prop->Ruler().Values().GaugeRange, 10);
  EXPECT_EQ(prop->Font().Size, 14);
}

TEST_F(EditorOptionDialog, AMissingOrProportionalFontTakesTheFirstFixedPitchFamily) {
  TEditorFont font = prop->Font();
  font.Name = "No Such Family";
  font.Size = 99;
  prop->SetFont(font);
  std::string first;
  const bool accepted = Run([&](TfrmEditorOption& form) {
    ASSERT_GT(form.lstFont->count(), 0);
    first = form.lstFont->item(0)->text().toStdString();
    EXPECT_EQ(form.lstFont->currentRow(), 0);
    EXPECT_EQ(form.lstSize->currentRow(), 0);
    EXPECT_EQ(form.txtSize->text().toStdString(), "8");
    form.btnOk->click();
  });
  ASSERT_TRUE(accepted);
  EXPECT_EQ(prop->Font().Name, first);
  EXPECT_EQ(prop->Font().Size, 8);
}

TEST_F(EditorOptionDialog, OkRefusesASizeOfZeroAndAWordWithABlank) {
  const std::vector<std::string> before = prop->ReserveWordList().Strings();
  const bool accepted = Run([this](TfrmEditorOption& form) {
    form.pagOption->setCurrentWidget(form.tabColor);
    form.txtSize->clear();
    form.pagOption->setCurrentWidget(form.tabGeneral);
    form.btnOk->click();
    ASSERT_EQ(env.Dialogs().messages.size(), 1U);
    EXPECT_EQ(env.Dialogs().messages[0].text, "サイズは1以上の整数で入力して下さい。");
    EXPECT_EQ(env.Dialogs().messages[0].flags, unsigned(MB_ICONWARNING));
    EXPECT_EQ(form.pagOption->currentWidget(), form.tabColor);
    QTest::keyClicks(form.txtSize, "12");

    form.txtReserve->setPlainText("SELECT\n ORDER BY \nFROM");
    form.btnOk->click();
    ASSERT_EQ(env.Dialogs().messages.size(), 2U);
    EXPECT_EQ(env.Dialogs().messages[1].text, "予約語に空白が含まれているため登録できません。(ORDER BY)");
    EXPECT_EQ(env.Dialogs().messages[1].flags, 0U);
    EXPECT_EQ(form.pagOption->currentWidget(), form.tabReserve);
    EXPECT_TRUE(form.isVisible());

    form.txtReserve->setPlainText("\n  \nSELECT  \n\n\n\nFROM\n");
    form.btnOk->click();
  });
  ASSERT_TRUE(accepted);
  const std::vector<std::string> words = {"", "FROM", "SELECT"};
  EXPECT_EQ(prop->ReserveWordList().Strings(), words) << "the editor's list keeps the one empty line, sorted";
  EXPECT_EQ(EditorReserveWords, (std::vector<std::string>{"SELECT", "", "FROM"}));
  EXPECT_NE(prop->ReserveWordList().Strings(), before);
  EXPECT_EQ(prop->Font().Size, 12);
}

TEST_F(EditorOptionDialog, DefaultWordsOnYesAndCancelChangesNothing) {
  const std::vector<std::string> words = prop->ReserveWordList().Strings();
  const TEditorFont font = prop->Font();
  const TEditorRuler::TValues ruler = prop->Ruler().Values();
  const TColor comment = prop->View().Colors().Comment().Color();
  EditorReserveWords = {"KEPT"};
  env.Dialogs().QueueMessage(IDNO);
  env.Dialogs().QueueMessage(IDYES);
  const bool accepted = Run([&](TfrmEditorOption& form) {
    form.txtReserve->setPlainText("MINE");
    form.btnDefault->click();
    EXPECT_EQ(env.Dialogs().messages.back().text, "予約語を初期値に戻しますか？");
    EXPECT_EQ(form.txtReserve->toPlainText().toStdString(), "MINE");
    form.btnDefault->click();
    std::vector<std::string> builtIn;
    GetReservedWords(builtIn);
    std::sort(builtIn.begin(), builtIn.end());
    EXPECT_EQ(form.txtReserve->toPlainText().split('\n').size(), static_cast<qsizetype>(builtIn.size()));
    EXPECT_EQ(form.txtReserve->toPlainText().split('\n').first().toStdString(), builtIn.front());
    Tick(form.chkRuler);
    ChooseItem(form, TfrmEditorOption::ciComment);
    ClickCell(form, 9, Qt::LeftButton);
    form.btnCancel->click();
  });
  EXPECT_FALSE(accepted);
  EXPECT_EQ(prop->ReserveWordList().Strings(), words);
  EXPECT_EQ(prop->Font(), font);
  EXPECT_EQ(prop->Ruler().Values(), ruler);
  EXPECT_EQ(prop->View().Colors().Comment().Color(), comment);
  EXPECT_EQ(EditorReserveWords, std::vector<std::string>{"KEPT"});
}

}  // namespace
