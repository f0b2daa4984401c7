#include "ui/fmemo.h"

#include <QApplication>
#include <QFontMetrics>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include "app/core/ovmainwin.h"
#include "app/core/ovreg.h"
#include "app/core/zarur.h"
#include "editor/ovmemo.h"
#include "tests/platform/temp_settings.h"
#include "tests/platform/whenshown.h"
#include "tests/ui/test_main_window.h"
#include "ui/ovdbgrid.h"
#include "ui/ovgrid.h"
#include "ui/ovimages.h"
#include "ui/zarurctl.h"

namespace {

using testing_support::WhenShown;

constexpr TColor kEditorColor = 0x00E0F0FF;

// The test main window with the editor settings the tests look for.
class TSettingsWindow : public TTestMainWindow {
 public:
  TSettingsWindow() {
    TEditorFont font = prop->Font();
    font.Name = "IPAGothic";
    font.Size = 11;
    prop->SetFont(font);
    prop->SetColor(kEditorColor);
    setGeometry(100, 80, 800, 600);
    SetControlOptionsWindow(this);
  }
  ~TSettingsWindow() override { SetControlOptionsWindow(nullptr); }
};

TEST(ControlOptions, EachControlClassGetsItsOwnOptions) {
  TSettingsWindow main;
  AppOption.DataFontName = "IPAGothic";
  AppOption.DataFontSize = 13;

  QPlainTextEdit plain;
  ApplyControlOptions(&plain);
  EXPECT_EQ(plain.font().pointSize(), 11);

  TovMemo memo;
  ApplyControlOptions(&memo);
  EXPECT_EQ(memo.Font().Size, 11);
  EXPECT_EQ(memo.Color(), kEditorColor);
  EXPECT_EQ(memo.PopupMenu(), main.menu);
  EXPECT_EQ(memo.MacroList(), &SharedMacroList);

  TovStringGrid grid;
  grid.SetGridMode(geExcel);
  const QFont gridFont = grid.font();
  ApplyControlOptions(&grid);
  EXPECT_EQ(grid.GridMode(), geAccess);
  EXPECT_EQ(grid.font(), gridFont) << "the program's grid keeps its font";

  QTableWidget table;
  ApplyControlOptions(&table);
  EXPECT_EQ(table.font().pointSize(), 13);
  EXPECT_TRUE(table.font().fixedPitch());

  TovDBGridV vertical;
  ApplyControlOptions(&vertical);
  EXPECT_EQ(vertical.font().pointSize(), 13);
  EXPECT_TRUE(vertical.font().fixedPitch());

  constexpr int kLetters = 20;
  const int oldLetters = AppOption.DataColWidthH;
  AppOption.DataColWidthH = kLetters;
  TovDBGridH transposed;
  ApplyControlOptions(&transposed);
  EXPECT_EQ(transposed.font().pointSize(), 13);
  EXPECT_EQ(transposed.DefaultColWidth(),
            QFontMetrics(transposed.font()).horizontalAdvance(QString(kLetters, u'A')));
  EXPECT_GT(transposed.DefaultColWidth(), TovDBGridH::kDefaultColWidth);
  AppOption.DataColWidthH = oldLetters;

  QWidget other;
  const QFont otherFont = other.font();
  ApplyControlOptions(&other);
  EXPECT_EQ(other.font(), otherFont);
}

TEST(ControlOptions, WithoutAMainWindowAMemoStillSharesTheMacroList) {
  TovMemo memo;
  const TEditorFont font = memo.Font();
  ApplyControlOptions(&memo);
  EXPECT_EQ(memo.MacroList(), &SharedMacroList);
  EXPECT_EQ(memo.Font(), font);
  EXPECT_EQ(memo.PopupMenu(), nullptr);
}

class MemoDialog : public testing::Test {
 protected:
  static TWindowBounds Stored() {
    platform::KeyScope scope(AppRegistry);
    EXPECT_TRUE(AppRegistry.OpenKey(GuiKey("COMMENT"), false));
    return ReadWindowBounds(AppRegistry, {-1, -1, -1, -1});
  }
  testing_support::TempSettings env;
  TSettingsWindow main;
};

TEST_F(MemoDialog, FirstUseIsCentredAtDesignSizeAndOkReturnsTheEditedText) {
  bool checked = false;
  WhenShown<TfrmMemo>([&checked, this](TfrmMemo& form) {
    EXPECT_EQ(form.windowTitle().toStdString(), "文字列の編集");
    EXPECT_EQ(form.size(), QSize(TfrmMemo::kClientWidth, TfrmMemo::kClientHeight));
    EXPECT_EQ(form.geometry().center(), main.geometry().center());
    EXPECT_EQ(form.btnCancel->text().toStdString(), "キャンセル");
    EXPECT_EQ(form.txtComment->Color(), kEditorColor) << "the user's editor settings";
    EXPECT_EQ(form.txtComment->MacroList(), &SharedMacroList);
    EXPECT_EQ(form.txtComment->SelStart(), 13) << "the caret at the end; a line break counts 2";
    form.txtComment->Lines().Add("third");
    form.btnOk->click();
    checked = true;
  });
  std::string text = "first\nsecond";
  EXPECT_EQ(ShowMemoDialog(text), mrOk);
  EXPECT_TRUE(checked);
  EXPECT_EQ(text, "first\r\nsecond\r\nthird");
  const TWindowBounds b = Stored();
  EXPECT_EQ(b.Width, TfrmMemo::kClientWidth);
  EXPECT_EQ(b.Height, TfrmMemo::kClientHeight);
}

TEST_F(MemoDialog, CancelKeepsTheTextStoresTheBoundsAndTheNextUseRestoresThem) {
  WhenShown<TfrmMemo>([](TfrmMemo& form) {
    form.txtComment->Lines().SetTextStr("changed");
    form.setGeometry(40, 50, 500, 320);
    form.btnCancel->click();
  });
  std::string text = "kept";
  EXPECT_EQ(ShowMemoDialog(text), mrCancel);
  EXPECT_EQ(text, "kept");
  EXPECT_EQ(Stored(), (TWindowBounds{40, 50, 500, 320}));

  env.Restart();
  QRect shown;
  WhenShown<TfrmMemo>([&shown](TfrmMemo& form) {
    shown = form.geometry();
    EXPECT_EQ(form.windowIcon().cacheKey(), imgMain().Icon(93).cacheKey());
    form.reject();
  });
  EXPECT_EQ(ShowMemoDialog(text), mrCancel);
  EXPECT_EQ(shown, QRect(40, 50, 500, 320));
}

}  // namespace
