#include "objedit/core/fexecprccore.h"

#include <gtest/gtest.h>

#include "app/core/ovkinds.h"
#include "app/core/ovoptions.h"

namespace {

using Lines = std::vector<std::string>;

TEST(RoutineRunnerRules, ParamLiterals) {
  struct Case {
    const char* Type;
    const char* Value;
    const char* Expected;
  };
  const Case cases[] = {
      {"CHAR(10)", "O'Neil", "'O''Neil'"}, {"CHAR(10)", "NULL", "NULL"},      {"CHAR(10)", "null", "null"},
      {"CHAR(10)", "", "''"},              {"INT", "", "''"},                 {"INT", "42", "42"},
      {"NUMERIC(5, 2)", "1.5", "1.5"},     {"FLOAT(10)", "2", "2"},           {"DOUBLE PRECISION", "3", "3"},
      {"DATE", "'2024-01-01'", "'2024-01-01'"}, {"DATE", "2024-01-01", "'2024-01-01'"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatParamLiteral(c.Type, c.Value), c.Expected) << c.Type << " " << c.Value;
}

TEST(RoutineRunnerRules, NamesAndImages) {
  EXPECT_EQ(ExecParamName(okProcedure, kParamIn, 1, "A"), "A");
  EXPECT_EQ(ExecParamName(okFunction, kParamIn, 2, ""), "PARAM2");
  EXPECT_EQ(ExecParamName(okFunction, kParamReturn, 0, ""), "RESULT");
  EXPECT_EQ(ExecParamImage(kParamIn), 80);
  EXPECT_EQ(ExecParamImage(kParamInOut), 82);
  EXPECT_EQ(ExecParamImage(kParamOut), 81);
  EXPECT_EQ(ExecParamImage(kParamReturn), 79);
}

TEST(RoutineRunnerRules, StatementsBindingsAndOutput) {
  AppOption.UserLowerName = false;
  const std::vector<TExecParam> params = {{"A", "CHAR(10)", "O'Neil", kParamIn},
                                          {"B", "CHAR VARYING(20)", "", kParamOut},
                                          {"C", "INT", "", kParamOut},
                                          {"D", "TIMESTAMP", "x", kParamInOut}};
  EXPECT_EQ(ExecStatement(okProcedure, "S", "p", params), "CALL S.\"p\"('O''Neil', :B, :C, :D)");
  EXPECT_EQ(ExecStatement(okProcedure, "S", "P", {}), "CALL S.P()");
  EXPECT_EQ(ExecStatement(54, "S", "P", params), "");
  const std::vector<TExecBinding> bindings = ExecBindings(params);
  ASSERT_EQ(bindings.size(), 3u);
  EXPECT_EQ(bindings[0].Name, "B");
  EXPECT_EQ(bindings[0].Size, 20);
  EXPECT_FALSE(bindings[0].InOut);
  EXPECT_EQ(bindings[1].Name, "C");
  EXPECT_EQ(bindings[1].Size, 30000);
  EXPECT_EQ(bindings[2].Size, 30000);
  EXPECT_TRUE(bindings[2].InOut);
  EXPECT_EQ(bindings[2].Value, "x");  // the typed value, not its SQL literal
  EXPECT_EQ(ExecBindings({{"E", "CHAR(x)", "", kParamOut}})[0].Size, 1);
  EXPECT_EQ(ExecResultLines(okProcedure, params, {std::string("v1"), std::nullopt, std::string("t")}, std::nullopt),
            (Lines{"【 実行後パラメータ値 】", "A : O'Neil", "B : v1", "C : (NULL)", "D : t"}));

  const std::vector<TExecParam> func = {{"PARAM1", "INT", "1", kParamIn},
                                        {"PARAM2", "CHAR(3)", "NULL", kParamIn},
                                        {"RESULT", "INT", "", kParamReturn}};
  EXPECT_EQ(ExecStatement(okFunction, "S", "F", func),
            "SELECT S.F(1, NULL)\nFROM RDBII_SYSTEM.RDBII_ASSISTTABLE WITH OPTION LOCK_MODE(NO LOCK)");
  EXPECT_EQ(ExecResultLines(okFunction, func, {}, std::string("7")),
            (Lines{"【 実行後パラメータ値 】", "PARAM1 : 1", "PARAM2 : (NULL)", "RESULT : 7"}));
  EXPECT_EQ(ExecResultLines(okFunction, func, {}, std::nullopt).size(), 3u);
}

}  // namespace
