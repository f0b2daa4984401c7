#include <QApplication>
#include <QCheckBox>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

#include "app/core/zarur.h"
#include "tests/platform/gui/qtapp.h"

namespace {

TEST(MsgBox, ShowsTextWithApplicationTitleAndReturnsTheButton) {
  TestApp();
  platform::ScopedScriptedDialogs scripted;
  scripted->QueueMessage(IDNO);
  EXPECT_EQ(MsgBox("削除しますか？", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2), IDNO);
  scripted->QueueMessage(IDOK);
  EXPECT_EQ(MsgBoxFmt("%s を %d 件削除しました。", {"TABLE1", 3}, MB_ICONINFORMATION), IDOK);
  ASSERT_EQ(scripted->messages.size(), 2u);
  EXPECT_EQ(scripted->messages[0].caption, "Orvanto for Symfoware");
  EXPECT_EQ(scripted->messages[0].text, "削除しますか？");
  EXPECT_EQ(scripted->messages[0].flags, 292u);
  EXPECT_EQ(scripted->messages[1].text, "TABLE1 を 3 件削除しました。");
  EXPECT_EQ(scripted->unanswered, 0);
}

TEST(MsgBoxWithChecks, MapsFlagsToDialogTypeAndButtons) {
  // flags given -> flags of the dialog shown (icon | buttons | default)
  const std::pair<int, unsigned> cases[] = {
      {0, 0x40},            // information by default, OK
      {16, 0x10},           // error
      {48, 0x30},           // warning wins over the error bit
      {64, 0x40},           // information
      {36, 0x24},           // question, Yes/No
      {292, 0x124},         // No as default
      {35, 0x23},           // Yes/No/Cancel
      {308, 0x134},         // warning, Yes/No, No as default
      {0x21, 0x21},         // OK/Cancel
      {0x02, 0x42},         // Abort/Retry/Ignore
      {0x05, 0x45},         // Retry/Cancel
      {0x06, 0x44},         // bit 2 gives Yes/No
      {0x50, 0x10},         // error bit with information bit: error
  };
  for (const auto& [flags, shown] : cases) {
    platform::ScopedScriptedDialogs scripted;
    scripted->QueueMessage(IDOK);
    TCheckList none;
    MsgBoxWithChecks("text", flags, none);
    ASSERT_EQ(scripted->messages.size(), 1u);
    EXPECT_EQ(scripted->messages[0].flags, shown) << flags;
    EXPECT_EQ(scripted->messages[0].caption, kApplicationTitle);
    EXPECT_TRUE(scripted->messages[0].checks.empty());
  }
}

TEST(MsgBoxWithChecks, StoresBoxStatesWhateverTheAnswerAndMapsOtherEndings) {
  platform::ScopedScriptedDialogs scripted;
  TCheckList checks = {{"エラーを無視する", false}, {"確認しない", true}};
  scripted->QueueMessage(IDCANCEL, {true, false});
  EXPECT_EQ(MsgBoxWithChecks("続行しますか？", MB_OKCANCEL, checks), IDCANCEL);
  EXPECT_TRUE(checks[0].checked);
  EXPECT_FALSE(checks[1].checked);
  EXPECT_EQ(scripted->messages[0].checks[0].caption, "エラーを無視する");
  EXPECT_FALSE(scripted->messages[0].checks[0].checked);  // shown as the caller had it
  scripted->QueueMessage(0);
  EXPECT_EQ(MsgBoxWithChecks("x", MB_OK, checks), IDOTHEREND);
  scripted->QueueMessage(42);
  EXPECT_EQ(MsgBoxWithChecks("x", MB_OK, checks), IDOTHEREND);
}

TEST(InputDialog, PassesPromptAndKeepsValuesOnCancel) {
  platform::ScopedScriptedDialogs scripted;
  std::string value = "100";
  TCheckList checks = {{"既定値にする", false}};
  scripted->QueueInput({false, "999", {true}});
  EXPECT_FALSE(InputDialog(kApplicationTitle, "レコード件数", value, true, checks));
  EXPECT_EQ(value, "100");
  EXPECT_FALSE(checks[0].checked);
  ASSERT_EQ(scripted->inputs.size(), 1u);
  EXPECT_EQ(scripted->inputs[0].prompt, "レコード件数");
  EXPECT_EQ(scripted->inputs[0].value, "100");
  EXPECT_TRUE(scripted->inputs[0].numeric);
  EXPECT_EQ(scripted->inputs[0].maxLength, 9);

  scripted->QueueInput({true, "NEWNAME", {true}});
  EXPECT_TRUE(InputDialog("cap", "新規オブジェクト名", value, false, checks));
  EXPECT_EQ(value, "NEWNAME");
  EXPECT_TRUE(checks[0].checked);
  EXPECT_EQ(scripted->inputs[1].maxLength, 255);
}

// Drives the real dialog offscreen: types into the edit, ticks the box, OK.
TEST(InputDialog, OffscreenDialogTakesAtMostNineDigitsAndTheBoxState) {
  QtTestApp();
  std::string value = "5";
  TCheckList checks = {{"既定値にする", false}};
  bool sawDialog = false;
  QTimer::singleShot(0, [&] {
    QWidget* dialog = QApplication::activeModalWidget();
    ASSERT_NE(dialog, nullptr);
    sawDialog = true;
    EXPECT_EQ(dialog->windowTitle(), QString("Orvanto for Symfoware"));
    auto* edit = dialog->findChild<QLineEdit*>();
    auto* box = dialog->findChild<QCheckBox*>();
    ASSERT_NE(edit, nullptr);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(edit->text(), QString("5"));
    edit->clear();
    QTest::keyClicks(edit, "123456789012");
    box->setChecked(true);
    for (auto* b : dialog->findChildren<QPushButton*>())
      if (b->text() == "OK") b->click();
  });
  EXPECT_TRUE(InputDialog(kApplicationTitle, "レコード件数", value, true, checks));
  EXPECT_TRUE(sawDialog);
  EXPECT_EQ(value, "123456789");
  EXPECT_TRUE(checks[0].checked);
}

// A short message still gets a box wide enough for the whole caption in the
// title bar's bold face beside the frame's buttons.
TEST(MsgBox, TheBoxIsWideEnoughForItsWholeCaption) {
  QtTestApp();
  int width = 0;
  QFont title;
  // MsgBox handles the pending events before its box shows: wait for it.
  std::function<void()> whenShown = [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) {
      QTimer::singleShot(1, whenShown);
      return;
    }
    width = box->width();
    title = box->font();
    title.setBold(true);
    QTest::keyClick(box, Qt::Key_Return);
  };
  QTimer::singleShot(0, whenShown);
  MsgBox("OK?", MB_OK);
  constexpr int kFrameButtons = 3 * 32;
  EXPECT_GE(width, QFontMetrics(title).horizontalAdvance(kApplicationTitle) + kFrameButtons);
}

TEST(InputDialog, OffscreenCancelStoresNothing) {
  QtTestApp();
  std::string value = "OLD";
  TCheckList checks = {{"a", true}};
  QTimer::singleShot(0, [&] {
    QWidget* dialog = QApplication::activeModalWidget();
    ASSERT_NE(dialog, nullptr);
    dialog->findChild<QLineEdit*>()->setText("NEW");
    dialog->findChild<QCheckBox*>()->setChecked(false);
    for (auto* b : dialog->findChildren<QPushButton*>())
      if (b->text() == "キャンセル") b->click();
  });
  EXPECT_FALSE(InputDialog("cap", "prompt", value, false, checks));
  EXPECT_EQ(value, "OLD");
  EXPECT_TRUE(checks[0].checked);
}

TEST(Format, FormatsNumbersAndPadsTextInDisplayColumns) {
  const std::tuple<const char*, std::vector<FormatArg>, const char*> cases[] = {
      {"%.2d", {7}, "07"},
      {"%.2d", {100}, "100"},
      {"%d件", {-3}, "-3件"},
      {"%5d|%-5d|", {42, 42}, "   42|42   |"},
      {"%x %X", {255, 255}, "ff FF"},
      {"%.1f", {2.25}, "2.2"},
      {"%-6s|", {"表名"}, "表名  |"},
      {"%6s|", {"AB"}, "    AB|"},
      {"%.3s|", {"表名AB"}, "表|"},
      {"100%% %s", {"done"}, "100% done"},
  };
  for (const auto& [fmt, args, out] : cases) EXPECT_EQ(Format(fmt, args), out) << fmt;
  EXPECT_THROW(Format("%d", {"text"}), std::invalid_argument);
  EXPECT_THROW(Format("%s %s", {"one"}), std::invalid_argument);
  EXPECT_THROW(Format("%q", {1}), std::invalid_argument);
  EXPECT_THROW(Format("50%", {}), std::invalid_argument);
}

}  // namespace
