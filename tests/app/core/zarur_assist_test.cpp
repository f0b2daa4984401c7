#include "app/core/zarurassist.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

// SCOTT owns EMP; SALES owns CUSTOMER and the function TAX; "E" aliases
// SALES.CUSTOMER and "EMP" aliases DEPT in the editor's statement.
TovAssistLookups Lookups() {
  using Names = std::set<std::pair<std::string, std::string>>;
  static const Names kTables = {{"SCOTT", "EMP"}, {"SALES", "CUSTOMER"}};
  static const Names kRoutines = {{"SALES", "TAX"}};
  return {
      [](const std::string& s, const std::string& n) { return kTables.contains({s, n}); },
      [](const std::string& alias) -> std::optional<std::string> {
        if (alias == "e" || alias == "E") return "sales.\"CUSTOMER\"";
        if (alias == "EMP") return "DEPT";
        return std::nullopt;
      },
      [](const std::string& n) { return n == "SALES" || n == "SCOTT"; },
      [](const std::string& s, const std::string& n) { return kRoutines.contains({s, n}); },
  };
}

TEST(CodeAssist, ChoosesTheListFromTheWord) {
  using K = TovAssistListKind;
  const std::pair<const char*, TovAssistList> cases[] = {
      {"", {K::SchemasTablesWords, "SCOTT", {}, ""}},
      {"SEL", {K::SchemasTablesWords, "SCOTT", {}, "SEL"}},
      {"sales.", {K::SchemaObjects, "SALES", {}, {}}},
      {"SALES.CU", {K::SchemaObjects, "SALES", {}, "CU"}},
      {"emp.", {K::Columns, "SCOTT", "EMP", {}}},  // the user's table before the alias
      {"EMP.N", {K::Columns, "SCOTT", "EMP", "N"}},
      {"e.", {K::Columns, "SALES", "CUSTOMER", {}}},
      {"E.NA", {K::Columns, "SALES", "CUSTOMER", "NA"}},
      {"SALES.CUSTOMER.", {K::Columns, "SALES", "CUSTOMER", {}}},
      {"SALES.CUSTOMER.N", {K::Columns, "SALES", "CUSTOMER", "N"}},
      {"SALES.TAX.", {K::Schemas, {}, {}, {}}},
      {"NOTHING.", {}},
      {"SALES.NOTHING.", {}},
      {"SCOTT.EMP.X.", {}},
      {"A.B.C.D", {}},
      {"...", {}},
      {".", {}},
  };
  for (const auto& [typed, expected] : cases) {
    const auto word = SplitAssistWord(typed);
    const TovAssistList list = word ? ChooseAssistList(*word, "SCOTT", Lookups()) : TovAssistList{};
    EXPECT_EQ(list, expected) << typed;
  }
}

TEST(CodeAssist, FindsAliasesInTheEditorsStatement) {
  const std::vector<std::string> lines = {"-- customers", "SELECT E. FROM SALES.EMP E, DEPT /* d */ d",
                                          "WHERE E.X IN (1, 2)", "SELECT * FROM LATER L"};
  EXPECT_EQ(AliasTableInText(lines, "e"), "SALES.EMP");
  EXPECT_EQ(AliasTableInText(lines, "D"), "DEPT");
  EXPECT_EQ(AliasTableInText(lines, "L"), std::nullopt);  // after the fault at the IN list
  EXPECT_EQ(AliasTableInText(lines, "X"), std::nullopt);
}

TEST(CodeAssist, NamesTypesAndImagesOfCandidates) {
  const std::pair<const char*, int> images[] = {{"SCHEMA", 4},    {"TABLE", 45},   {"INDEX", 46},
                                                {"VIEW", 47},     {"PROCEDURE", 51}, {"FUNCTION", 52},
                                                {"TRIGGER", 57},  {"SEQUENCE", 58}, {"KEYWORD", 10},
                                                {"SYNONYM", -1},  {"table", -1}};
  for (const auto& [type, image] : images) EXPECT_EQ(AssistObjectImage(type), image) << type;
  const std::pair<const char*, const char*> types[] = {
      {"CV", "CHAR VARYING"}, {"DP", "DOUBLE PRECISION"}, {"TM", "TIMESTAMP"}, {"BL", "BLOB"}, {"NV ", "NCHAR VARYING"},
      {"XX", "XX"}};
  for (const auto& [code, name] : types) EXPECT_EQ(AssistColumnTypeName(code), name) << code;
}

}  // namespace
