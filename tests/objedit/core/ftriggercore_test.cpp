#include "objedit/core/ftriggercore.h"

#include <gtest/gtest.h>

#include "app/core/ovoptions.h"

namespace {

using Lines = std::vector<std::string>;
constexpr const char* kSep = "/";

TTriggerDef Insert() {
  const std::string schema = "S.";
  TTriggerDef def{schema, "TR", TTriggerTiming::Before, TTriggerEvent::Insert, "", schema, "T", "", "", false, "",
                  {"BEGIN", "  NULL;", "END"}};
  return def;
}

TEST(TriggerRules, CreateText) {
  AppOption.UserLowerName = false;
  struct Case {
    const char* What;
    TTriggerDef Def;
    Lines Expected;
  };
  std::vector<Case> cases;
  cases.push_back({"plain insert", Insert(), {"CREATE TRIGGER S.TR", "BEFORE INSERT ", "ON S.T", "BEGIN", "  NULL;", "END", kSep}});
  TTriggerDef d = Insert();
  d.NewName = "NEW";
  d.Row = true;
  cases.push_back({"NEW is not referenced", d,
                   {"CREATE TRIGGER S.TR", "BEFORE INSERT ", "ON S.T", "FOR EACH ROW ", "BEGIN", "  NULL;", "END", kSep}});
  d.NewName = "N";
  d.OldName = "O";  // insert ignores the old name
  d.When = "N.C > 0";
  cases.push_back({"NEW AS N", d,
                   {"CREATE TRIGGER S.TR", "BEFORE INSERT ", "ON S.T", "REFERENCING NEW AS N",
                    "FOR EACH ROW WHEN (N.C > 0)", "BEGIN", "  NULL;", "END", kSep}});
  d = Insert();
  d.Event = TTriggerEvent::Delete;
  d.Timing = TTriggerTiming::After;
  d.OldName = "O";
  d.NewName = "N";
  cases.push_back({"delete ignores the new name", d,
                   {"CREATE TRIGGER S.TR", "AFTER DELETE ", "ON S.T", "REFERENCING OLD AS O", "BEGIN", "  NULL;", "END", kSep}});
  d = Insert();
  d.Event = TTriggerEvent::Update;
  d.UpdateColumns = "C1,C2";
  d.OldName = "old";
  d.NewName = "NN";
  d.Body = {"UPDATE X SET A = 1", " / "};
  cases.push_back({"update of, body ending in the separator", d,
                   {"CREATE TRIGGER S.TR", "BEFORE UPDATE OF C1,C2", "ON S.T", "REFERENCING NEW AS NN",
                    "UPDATE X SET A = 1", " / "}});
  d = Insert();
  d.SchemaPrefix = "";
  d.TablePrefix = "";
  d.Name = "tr";
  d.Body = {};
  cases.push_back({"no prefixes, empty body", d, {"CREATE TRIGGER \"tr\"", "BEFORE INSERT ", "ON T", kSep}});
  for (const Case& c : cases) EXPECT_EQ(TriggerCreateLines(c.Def, kSep), c.Expected) << c.What;
}

TEST(TriggerRules, ColumnsAndEvents) {
  AppOption.UserLowerName = false;
  EXPECT_EQ(SplitColumnList(" C1, C2 ,,c3"), (Lines{"C1", "C2", "c3"}));
  EXPECT_EQ(JoinChosenColumns({"C1", "c2"}, "X"), "C1, \"c2\"");
  EXPECT_EQ(JoinChosenColumns({}, "C1,C2"), "C1,C2");
  EXPECT_EQ(LoadedColumnList({"C1", "c2"}), "C1,\"c2\"");
  EXPECT_TRUE(TriggerUsesOld(TTriggerEvent::Delete));
  EXPECT_FALSE(TriggerUsesOld(TTriggerEvent::Insert));
  EXPECT_TRUE(TriggerUsesNew(TTriggerEvent::Update));
  EXPECT_FALSE(TriggerUsesNew(TTriggerEvent::Delete));
  EXPECT_EQ(DropTriggerStatement("S", "t"), "DROP TRIGGER S.\"t\"");
}

}  // namespace
