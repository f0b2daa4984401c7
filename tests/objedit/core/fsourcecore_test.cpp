#include "objedit/core/fsourcecore.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "app/core/ovkinds.h"
#include "app/core/ovoptions.h"

namespace {

using Lines = std::vector<std::string>;
constexpr const char* kSep = "/";

TEST(RoutineSourceRules, FunctionTextFromCatalogueRows) {
  AppOption.UserLowerName = false;
  struct Case {
    const char* What;
    std::vector<TFuncParam> Params;
    std::string Comment;
    Lines Expected;
  };
  const std::vector<Case> cases = {
      {"the S.F example",
       {{kParamIn, 6, true, "", "", ""}, {kParamIn, 1, false, "10", "", ""}, {kParamReturn, 6, true, "", "", ""}},
       "",
       {"CREATE FUNCTION S.F(IN INT, IN CHAR(10) NOT NULL)", "RETURNS  INT", "LANGUAGE C", "NAME     'sym'",
        "LIBRARY  '/lib/f.so'", kSep}},
      {"numeric precision, scale, modes and a comment",
       {{kParamInOut, 8, true, "", "5", ""}, {kParamOut, 8, true, "", "5", "2"}, {kParamReturn, 2, true, "8", "", ""}},
       "O'Neil",
       {"CREATE FUNCTION S.F(INOUT NUMERIC(5), OUT NUMERIC(5, 2))", "RETURNS  CHAR VARYING", "COMMENT  'O''Neil'",
        "LANGUAGE C", "NAME     'sym'", "LIBRARY  '/lib/f.so'", kSep}},
      {"no rows", {}, "", {"CREATE FUNCTION S.F()", "RETURNS  ", "LANGUAGE C", "NAME     'sym'",
                           "LIBRARY  '/lib/f.so'", kSep}},
  };
  for (const Case& c : cases) {
    const TFuncText func{"S", "F", "sym", "/lib/f.so", c.Comment, c.Params};
    EXPECT_EQ(FunctionTextFromCatalogue(func, kSep), c.Expected) << c.What;
  }
}

TEST(RoutineSourceRules, TypeTexts) {
  EXPECT_EQ(ParamTypeText(1, "10", "", ""), "CHAR(10)");
  EXPECT_EQ(ParamTypeText(5, "4", "", ""), "NCHAR VARYING(4)");
  EXPECT_EQ(ParamTypeText(9, "", "7", "3"), "DECIMAL(7, 3)");
  EXPECT_EQ(ParamTypeText(10, "", "10", ""), "FLOAT(10)");
  EXPECT_EQ(ParamTypeText(16, "", "", ""), "INTERVAL");
  EXPECT_EQ(ParamTypeText(13, "", "", ""), "TIMESTAMP");
  EXPECT_EQ(DataTypeName(0), "");
  EXPECT_EQ(DataTypeName(17), "");
}

TEST(RoutineSourceRules, RoutineReportParser) {
  AppOption.UserLowerName = false;
  const Lines procedure = {"Routine information",  "  Routine text information", "CREATE PROCEDURE S.P() BEGIN",
                           "NULL; END",            "rdbprtが正常終了しました", "trailer"};
  const Lines text = ParseRoutineReport(procedure, okProcedure, "S", "P", kSep);
  ASSERT_GE(text.size(), 2u);
  EXPECT_EQ(text.front().rfind("CREATE PROCEDURE S.P()", 0), 0u);
  EXPECT_EQ(text.back(), kSep);

  const Lines function = {"Routine information",
                          "    Parameter mode ......IN",
                          "    Parameter type ......INT",
                          "    Parameter mode ......IN",
                          "    Parameter type ......CHAR(10)",
                          "    Parameter mode ......RETURN",
                          "    Parameter type ......INT",
                          "  Comment",
                          "  adds one  ",
                          "    Language  ......C",
                          "    Symbol    ......addone",
                          "    Library   ....../lib/f.so",
                          "rdbprtが正常終了しました"};
  EXPECT_EQ(ParseRoutineReport(function, okFunction, "S", "f", kSep),
            (Lines{"CREATE FUNCTION S.\"f\"(", "  IN  INT", " ,IN  CHAR(10)", ")RETURNS INT", "COMMENT 'adds one'",
                   "LANGUAGE C", "NAME 'addone'", "LIBRARY '/lib/f.so'", kSep}));
  // No comment: no COMMENT line; a quoted one stays as it is.
  Lines noComment = function;
  noComment[8] = "";
  EXPECT_EQ(ParseRoutineReport(noComment, okFunction, "S", "F", kSep)[4], "LANGUAGE C");
  noComment[8] = "'quoted'";
  EXPECT_EQ(ParseRoutineReport(noComment, okFunction, "S", "F", kSep)[4], "COMMENT 'quoted'");

  const std::vector<std::pair<Lines, int>> unreadable = {
      {{"rdbprtが異常終了しました"}, okProcedure},
      {{"  Routine text information", "x", "rdbprtが異常終了しました"}, okProcedure},
      {{"qdg12345: rdbprtが異常終了しました"}, okFunction},
      {{}, okProcedure},
      {{}, okFunction},
      {{"  Routine text information", "   ", "rdbprtが正常終了しました"}, okProcedure},
  };
  for (const auto& [report, kind] : unreadable) {
    try {
      ParseRoutineReport(report, kind, "S", "P", kSep);
      ADD_FAILURE() << "read " << report.size() << " lines";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), kLoadFailed);
    }
  }
  EXPECT_EQ(RoutineControlText("S", "P"), "ROUTINE(S.P)");
}

TEST(RoutineSourceRules, SkeletonsAndReplacement) {
  AppOption.UserLowerName = false;
  EXPECT_EQ(RoutineSkeleton(okProcedure, "S", "p", kSep),
            (Lines{"CREATE PROCEDURE S.\"p\" (引数, 引数...)", "COMMENT 'コメント句'", "BEGIN", "  NULL;", "END", kSep}));
  EXPECT_EQ(RoutineSkeleton(okFunction, "S", "F", kSep),
            (Lines{"CREATE FUNCTION S.F (引数, 引数...)", "RETURNS  戻り値のデータ型", "COMMENT  コメント句",
                   "LANGUAGE 言語名", "NAME     シンボル名", "LIBRARY  ライブラリのパス", kSep}));
  struct Case {
    bool Schema;
    const char* Old;
    const char* New;
    Lines Before;
    Lines After;
    bool Replaced;
  };
  const std::vector<Case> cases = {
      {true, "S", "T", {"-- S.", "CREATE PROCEDURE S.P"}, {"-- T.", "CREATE PROCEDURE S.P"}, true},
      {true, "S", "T", {"create procedure s.p"}, {"create procedure T.p"}, true},
      {true, "X", "T", {"CREATE PROCEDURE S.P"}, {"CREATE PROCEDURE S.P"}, false},
      {false, "P", "Q", {"CREATE PROCEDURE S.P (A INT)", "S.P"}, {"CREATE PROCEDURE S.Q (A INT)", "S.P"}, true},
      {false, "P", "q", {"CREATE PROCEDURE S.P"}, {"CREATE PROCEDURE S.\"q\""}, true},
  };
  for (const Case& c : cases) {
    Lines lines = c.Before;
    const bool replaced =
        c.Schema ? ReplaceSourceSchema(lines, c.Old, c.New) : ReplaceSourceName(lines, c.Old, c.New);
    EXPECT_EQ(replaced, c.Replaced) << c.Before[0];
    EXPECT_EQ(lines, c.After) << c.Before[0];
  }
}

TEST(RoutineSourceRules, DropIsQuotedAndOnlyWithALastGoodText) {
  AppOption.UserLowerName = false;
  EXPECT_EQ(DropRoutineStatement(okProcedure, "S", "p1"), "DROP PROCEDURE S.\"p1\"");
  EXPECT_EQ(DropRoutineStatement(okFunction, "S", "F"), "DROP FUNCTION S.F");
  EXPECT_TRUE(RoutineNeedsDrop(false, true, {"CREATE PROCEDURE S.P", kSep}));
  EXPECT_FALSE(RoutineNeedsDrop(true, true, {"CREATE PROCEDURE S.P"}));
  EXPECT_FALSE(RoutineNeedsDrop(false, false, {"CREATE PROCEDURE S.P"}));
  EXPECT_FALSE(RoutineNeedsDrop(false, true, {"", "  "}));
}

}  // namespace
