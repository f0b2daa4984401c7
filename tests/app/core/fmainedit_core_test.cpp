#include "app/core/fmaineditcore.h"

#include <gtest/gtest.h>

#include <QString>

#include "app/core/fobjectcore.h"
#include "app/core/zarur.h"
#include "tests/app/text_editor.h"
#include "tests/platform/temp_settings.h"

namespace {

using testing_editor::TextEditor;

class EditActionTest : public ::testing::Test {
 protected:
  std::vector<std::string> Texts() {
    std::vector<std::string> texts;
    for (const auto& m : env.Dialogs().messages) texts.push_back(m.text);
    return texts;
  }
  testing_support::TempSettings env;
};

TEST_F(EditActionTest, SearchAndReplaceSayWhatTheyDidNotFindInTheirOwnWords) {
  TextEditor ed("select a from t\r\nSELECT b FROM T");
  EXPECT_TRUE(FindInEditor(ed, "SELECT", true, true));
  EXPECT_EQ(ed.SelStart(), 17);
  EXPECT_FALSE(FindInEditor(ed, "SELECT", true, true));
  EXPECT_TRUE(FindInEditor(ed, "Select", false, false));
  EXPECT_EQ(ed.SelStart(), 0);
  ReplaceInEditor(ed, "select", "UPDATE", true);  // replaces the selection, then finds no other
  EXPECT_EQ(ed.Text(), "UPDATE a from t\r\nSELECT b FROM T");
  EXPECT_EQ(Texts(), (std::vector<std::string>{"検索文字列 SELECT は見つかりませんでした。",
                                               "検索文字列selectは見つかりませんでした。"}));
  EXPECT_EQ(env.Dialogs().messages[0].flags, static_cast<unsigned>(MB_ICONWARNING));
}

TEST_F(EditActionTest, ReplaceAllCountsFromTheStartWhateverTheCaret) {
  TextEditor ed("a x a\r\nA");
  ed.SetSelection(6, 6);
  EXPECT_EQ(ReplaceAllInEditor(ed, "a", "aa", false), 3);
  EXPECT_EQ(ed.Text(), "aa x aa\r\naa");
  EXPECT_EQ(ReplaceAllInEditor(ed, "", "b", false), 0);
  EXPECT_EQ(Texts(), (std::vector<std::string>{"3個の置換を行いました。", "0個の置換を行いました。"}));
  EXPECT_EQ(env.Dialogs().messages[0].flags, static_cast<unsigned>(MB_ICONINFORMATION));
}

TEST_F(EditActionTest, LineJumpTakesAReachableNumberAndNamesAnyOtherText) {
  TextEditor ed("1\r\n2\r\n3");
  env.Dialogs().QueueInput({true, " 2 ", {}});
  env.Dialogs().QueueInput({true, "4", {}});
  env.Dialogs().QueueInput({true, "x", {}});
  env.Dialogs().QueueInput({true, "0", {}});
  env.Dialogs().QueueInput({false, "1", {}});
  for (int i = 0; i < 5; ++i) JumpInEditor(ed);
  EXPECT_EQ(ed.jumped, (std::vector<int>{2, 0}));
  EXPECT_EQ(Texts(), (std::vector<std::string>{"指定行 4 は見つかりませんでした。", "指定行 x は見つかりませんでした。"}));
  ASSERT_FALSE(env.Dialogs().inputs.empty());
  EXPECT_EQ(env.Dialogs().inputs[0].caption, "行ジャンプ");
  EXPECT_EQ(env.Dialogs().inputs[0].prompt, "指定行");
  EXPECT_TRUE(env.Dialogs().inputs[0].numeric);
}

TEST_F(EditActionTest, FormattingRefusesLinesWiderThanTheLimitInColumns) {
  const auto format = [](const std::string& s) { return "[" + s + "]"; };
  struct Case {
    std::string text;
    bool formatted;
  };
  std::string wide;
  for (int i = 0; i < 600; ++i) wide += "字";  // 1200 columns
  const Case cases[] = {
      {std::string(kFormatLineLimit, 'x'), true},
      {"short\r\n" + std::string(kFormatLineLimit + 1, 'x'), false},
      {std::string(500, 'x') + "\r\n" + wide.substr(0, 3 * 500), true},  // 1000 columns of wide characters
      {wide, false},
  };
  for (const auto& c : cases) {
    TextEditor ed(c.text);
    FormatInEditor(ed, format);
    EXPECT_EQ(ed.Text() == "[" + c.text + "]", c.formatted);
  }
  EXPECT_EQ(Texts(), std::vector<std::string>(2, kFormatTooLongText));
}

TEST_F(EditActionTest, FormattingWidensTheSelectionToItsFirstLinesStart) {
  const auto format = [](const std::string& s) { return "<" + s + ">"; };
  TextEditor ed("SELECT 1;\r\nSELECT a FROM t;\r\nEND");
  ed.SetSelection(20, 26);  // "FROM t" inside the second line
  FormatInEditor(ed, format);
  EXPECT_EQ(ed.Text(), "SELECT 1;\r\n<SELECT a FROM t>;\r\nEND");
  TextEditor first("abc\r\ndef");
  first.SetSelection(1, 6);
  FormatInEditor(first, format);
  EXPECT_EQ(first.Text(), "<abc\r\nd>ef");
  TextEditor atStart("abc\r\ndef");
  atStart.SetSelection(5, 7);
  FormatInEditor(atStart, format);
  EXPECT_EQ(atStart.Text(), "abc\r\n<de>f");
}

TEST_F(EditActionTest, CaseChangeReplacesTheSelection) {
  TextEditor ed("Select ａｂ x");
  ed.SetSelection(0, 13);
  ChangeSelectionCase(ed, true);
  EXPECT_EQ(ed.Text(), "SELECT ＡＢ x");
  ed.SetSelection(0, 6);
  ChangeSelectionCase(ed, false);
  EXPECT_EQ(ed.Text(), "select ＡＢ x");
}

class RecordingTransaction : public TTransactionPort {
 public:
  bool InTransaction() const override { return open; }
  void BeginTrans() override { calls += "B"; open = true; }
  void CommitTrans() override { calls += "C"; open = false; }
  void RollbackTrans() override { calls += "R"; open = false; }
  bool open = false;
  std::string calls;
};

TEST(EndTransaction, CommitsOrRollsBackAndBeginsAgainUnlessAutoCommit) {
  struct Case {
    bool open, commit, autoCommit;
    std::string calls;
  };
  const Case cases[] = {
      {true, true, false, "CB"}, {true, false, false, "RB"}, {false, true, false, "B"}, {true, true, true, "C"},
  };
  for (const auto& c : cases) {
    RecordingTransaction tx;
    tx.open = c.open;
    const std::string text = EndTransaction(tx, c.commit, c.autoCommit, "SCOTT @ DSN1");
    EXPECT_EQ(tx.calls, c.calls);
    EXPECT_EQ(text, c.commit ? "現行データベース [ SCOTT @ DSN1 ] のトランザクションを COMMIT しました。"
                             : "現行データベース [ SCOTT @ DSN1 ] のトランザクションを ROLLBACK しました。");
  }
}

}  // namespace
