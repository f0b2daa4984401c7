#include "tools/core/foptioncore.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "app/core/fmainactcore.h"
#include "app/core/ovshortcut.h"

namespace {

TEST(ProgramOptionKeys, AKeyIsAcceptedAsTheRuleAllows) {
  struct Case {
    const char* Keys;
    bool Accepted;
  };
  const Case cases[] = {
      {"A", false},      {"Ctrl+A", true},  {"Shift+5", true}, {"0", false},    {"F5", true},
      {"Alt+F10", true}, {"F11", false},    {"F12", false},    {";", true},     {"Ctrl+/", false}, {"`", true},
      {"]", true},       {"'", false},      {"Enter", false},  {"Space", false}, {"Del", false},
  };
  for (const Case& c : cases) EXPECT_EQ(ShortCutKeyAccepted(TextToShortCut(c.Keys)), c.Accepted) << c.Keys;
  EXPECT_TRUE(ShortCutKeyAccepted(223)) << "the OEM 8 key";
  EXPECT_FALSE(ShortCutKeyAccepted(222));
}

TEST(ProgramOptionKeys, TheTreeHoldsSixtyTwoKnownActionsOnce) {
  std::set<std::string> seen;
  for (const TShortCutGroup& group : ShortCutGroups())
    for (const std::string& action : group.Actions) {
      EXPECT_NE(FindActionDef(action), nullptr) << action;
      EXPECT_TRUE(seen.insert(action).second) << action;
    }
  EXPECT_EQ(ShortCutGroups().size(), 6U);
  EXPECT_EQ(seen.size(), 62U);
}

TEST(ProgramOptionChecks, TheFirstFailingCheckNamesItsPageAndMessage) {
  const TOptionCheckValues good{9, 9, 9, 100, 1, 60, 30};
  EXPECT_EQ(FirstFailingOptionCheck(good), std::nullopt);
  struct Case {
    std::function<void(TOptionCheckValues&)> Change;
    TOptionCheckBox Box;
    const char* Page;
    const char* Message;
  };
  const Case cases[] = {
      {[](auto& v) { v.DataFontSize = 0; }, ocDataFontSize, "データ", "サイズ(pt)は1以上の整数で入力して下さい。"},
      {[](auto& v) { v.DiagramFontSize = 0; }, ocDiagramFontSize, "SQL実行",
       "ダイアグラム部 サイズ(pt)は1以上の整数で入力して下さい。"},
      {[](auto& v) { v.GridFontSize = 0; }, ocGridFontSize, "SQL実行",
       "グリッド部 サイズ(pt)は1以上の整数で入力して下さい。"},
      {[](auto& v) { v.DefTopRecord = 0; }, ocDefTopRecord, "データ",
       "件数を指定して開く場合の既定レコード件数は1以上の整数で入力して下さい。"},
      {[](auto& v) { v.SQLTop = 0; }, ocSQLTop, "外部出力", "開始行は1から65535までの整数で入力して下さい。"},
      {[](auto& v) { v.SQLTop = 65536; }, ocSQLTop, "外部出力", "開始行は1から65535までの整数で入力して下さい。"},
      {[](auto& v) { v.MatrixRow = 65536; }, ocMatrixRow, "外部出力", "頁行数は1から65535までの整数で入力して下さい。"},
      {[](auto& v) { v.MatrixCol = 256; }, ocMatrixCol, "外部出力", "桁数は1から255までの整数で入力して下さい。"},
      // Two failures: the earlier check is reported.
      {[](auto& v) { v.MatrixCol = 0, v.GridFontSize = 0; }, ocGridFontSize, "SQL実行",
       "グリッド部 サイズ(pt)は1以上の整数で入力して下さい。"},
  };
  for (const Case& c : cases) {
    TOptionCheckValues values = good;
    c.Change(values);
    EXPECT_EQ(FirstFailingOptionCheck(values), (TOptionCheckFailure{c.Box, c.Page, c.Message})) << c.Message;
  }
  TOptionCheckValues edges = good;
  edges.SQLTop = 65535;
  edges.MatrixCol = 255;
  EXPECT_EQ(FirstFailingOptionCheck(edges), std::nullopt);
}

TEST(ProgramOptionFolders, AnEmptyBoxTakesTheDefaultAndOthersEndInOneSlash) {
  EXPECT_EQ(StoredFolder("", "/home/u/docs/"), "/home/u/docs/");
  EXPECT_EQ(StoredFolder("   ", "/home/u/docs/"), "/home/u/docs/");
  EXPECT_EQ(StoredFolder(" /tmp/out ", "/d/"), "/tmp/out/");
  EXPECT_EQ(StoredFolder("/tmp/out/", "/d/"), "/tmp/out/");
  EXPECT_EQ(StoredFolder(" /tmp/out/ ", "/d/"), "/tmp/out/");
}

}  // namespace
