// The report-definition editor's rules: items per type and grid, proposed
// names, the checks before a write and the conversion to the document.
#include "tools/core/fxlssetupcore.h"

#include <gtest/gtest.h>

namespace {

TXlsFields Valid() {
  TXlsFields fields;
  fields.Name = "定義";
  fields.Type = 1;
  fields.BodyTop = 3;
  fields.BodyCount = 1;
  fields.Grids[xgHeader] = {{"2", "3", "スキーマ名"}};
  return fields;
}

TEST(ReportDefinitionRules, GridsOfferTheItemsOfTheirType) {
  EXPECT_EQ(XlsGridCaptions(0, xgHeader), (std::vector<std::string>{"オブジェクトタイプ", "スキーマ名"}));
  EXPECT_EQ(XlsGridItems(1, xgBody2), (std::vector<uint8_t>{5, 26, 27}));
  EXPECT_EQ(XlsGridItems(2, xgHeader), (std::vector<uint8_t>{7, 9, 13, 14, 15, 16}));
  for (int type : {0, 2, -1, 9}) EXPECT_TRUE(XlsGridItems(type, xgBody2).empty()) << type;
  EXPECT_EQ(XlsGridItems(-1, xgBody1), XlsGridItems(0, xgBody1)) << "no type counts as the object list";
  EXPECT_FALSE(XlsOutputChoice(0));
  EXPECT_TRUE(XlsOutputChoice(1));
  EXPECT_TRUE(XlsOutputChoice(2));
  EXPECT_FALSE(XlsOutputChoice(-1));
}

TEST(ReportDefinitionRules, ProposedNamesSkipTheTakenOnesIgnoringCase) {
  EXPECT_EQ(ProposedXlsName("テーブル定義", {"A"}), "テーブル定義");
  EXPECT_EQ(ProposedXlsName("テーブル定義", {"テーブル定義"}), "テーブル定義1");
  EXPECT_EQ(ProposedXlsName("テーブル定義", {"テーブル定義1", "テーブル定義"}), "テーブル定義2");
  EXPECT_EQ(ProposedXlsName("View", {"VIEW", "view1"}), "View2");
}

TEST(ReportDefinitionRules, ChecksStopAtTheFirstProblem) {
  struct Case {
    const char* what;
    std::function<void(TXlsFields&)> change;
    std::string message;
    TXlsField field;
    int grid = 0;
    int row = 0;
    bool col = false;
  };
  const std::string noType = "定義タイプを入力して下さい。";
  const std::string noName = "Excel定義名を入力して下さい。";
  const std::string clash = "同じExcel定義名が既に存在しています。";
  const Case cases[] = {
      {"no type", [](TXlsFields& f) { f.Type = -1; f.Name = ""; }, noType, TXlsField::Type},
      {"no name", [](TXlsFields& f) { f.Name = "  "; }, noName, TXlsField::Name},
      {"path", [](TXlsFields& f) { f.Name = "a/b"; }, kInvalidNameMessage, TXlsField::Name},
      {"clash", [](TXlsFields& f) { f.Name = "other"; }, clash, TXlsField::Name},
      {"body start", [](TXlsFields& f) { f.BodyTop = 0; f.BodyCount = 0; }, kXlsBadRow, TXlsField::BodyTop},
      {"body rows", [](TXlsFields& f) { f.BodyCount = 0; }, kXlsBadRow, TXlsField::BodyCount},
      {"row 0", [](TXlsFields& f) { f.Grids[xgBody1] = {{"1", "1", "連番"}, {"0", "1", "注釈"}}; }, kXlsBadRow,
       TXlsField::Grid, xgBody1, 1, false},
      {"row no number", [](TXlsFields& f) { f.Grids[xgBody2] = {{"x", "1", "連番"}}; }, kXlsBadRow, TXlsField::Grid,
       xgBody2, 0, false},
      {"col 0", [](TXlsFields& f) { f.Grids[xgHeader] = {{"1", "0", "注釈"}}; }, kXlsBadCol, TXlsField::Grid, xgHeader,
       0, true},
      {"col empty", [](TXlsFields& f) { f.Grids[xgHeader] = {{"1", "", "注釈"}}; }, kXlsBadCol, TXlsField::Grid,
       xgHeader, 0, true},
  };
  for (const Case& c : cases) {
    TXlsFields fields = Valid();
    c.change(fields);
    const auto problem = CheckXlsFields(fields, {"OTHER"}, "mine");
    ASSERT_TRUE(problem) << c.what;
    EXPECT_EQ(problem->Message, c.message) << c.what;
    EXPECT_EQ(problem->Field, c.field) << c.what;
    if (c.field != TXlsField::Grid) continue;
    EXPECT_EQ(problem->Grid, c.grid) << c.what;
    EXPECT_EQ(problem->Row, c.row) << c.what;
    EXPECT_EQ(problem->Col, c.col) << c.what;
  }
  TXlsFields fine = Valid();
  fine.Grids[xgBody1] = {{"x", "", ""}, {"", "", " "}};  // rows without an item are not checked
  EXPECT_FALSE(CheckXlsFields(fine, {"OTHER"}, "mine"));
  fine.Name = "Mine";
  EXPECT_FALSE(CheckXlsFields(fine, {"MINE"}, "mine")) << "its own name in another case";
}

TEST(ReportDefinitionRules, TheDocumentLeavesOutRowsWithoutAnItem) {
  TXlsFields fields = Valid();
  fields.XlsFile = "form.xlsx";
  fields.OutputType = 1;
  fields.Grids[xgBody1] = {{"1", "2", "列名"}, {"4", "5", ""}, {"x", "3", "属性"}, {"", "", ""}};
  fields.Grids[xgBody2] = {{"1", "1", "なにか"}};
  const TXlsDefDocument doc = XlsDocumentOf(fields);
  const TXlsDefDocument want{"form.xlsx", 3, 1, 1, 1, {{2, 3, 7}}, {{1, 2, 19}, {0, 3, 20}}, {{1, 1, 0}}};
  EXPECT_EQ(doc, want);
  const TXlsFields back = XlsFieldsOf("定義", doc);
  EXPECT_EQ(back.Type, 1);
  EXPECT_EQ(back.Grids[xgBody1], (std::vector<TXlsRow>{{"1", "2", "列名"}, {"0", "3", "属性"}}));
  EXPECT_EQ(back.Grids[xgBody2], (std::vector<TXlsRow>{{"1", "1", "オブジェクト一覧"}}));
  TXlsDefDocument other = doc;
  other.Type = 5;
  EXPECT_EQ(XlsFieldsOf("x", other).Type, -1) << "a key that is no definition type chooses none";
}

}  // namespace
