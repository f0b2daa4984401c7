#include "app/core/fobjcmdcore.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

#include "app/core/ovkinds.h"
#include "app/core/ovoptions.h"

namespace {

using Lines = std::vector<std::string>;

// ---- availability ----

TObjectMenuInput Everything() {
  TObjectMenuInput in;
  in.SelectedKinds = {okTable};
  in.Node = {2, "TABLE", "S"};
  in.NodeImage = okTable;
  in.CatalogLevel = 10;
  in.Registered = [](const std::string&) { return true; };
  return in;
}

TEST(ObjectMenuState, FollowsSelectionNodeLevelRemoteReductionAndCopies) {
  struct Case {
    const char* what;
    std::function<void(TObjectMenuInput&)> change;
    std::map<std::string, TActionState> expected;
  };
  const TActionState on{true, true};
  const TActionState off{false, true};
  const TActionState hidden{false, false};  // hidden and off
  const std::vector<Case> cases = {
      {"a table selected under a kind node",
       [](TObjectMenuInput&) {},
       {{"actNew", on}, {"mnuNew1", {true, false}}, {"actOpen", on}, {"actDelete", on}, {"actAnalyze", on},
        {"actExport", on}, {"actLoad", on}, {"actComment", off}, {"actPaste", off}, {"actUser", {true, false}},
        {"mnuReport", off}, {"actCross", on}}},
      {"nothing selected",
       [](TObjectMenuInput& in) { in.SelectedKinds.clear(); },
       {{"actOpen", off}, {"actCopy", off}, {"actDelete", off}, {"actScript", off}, {"actAddWorkSpace", off},
        {"actAnalyze", off}, {"actGrep", on}}},
      {"a schema node shows the sub-menu",
       [](TObjectMenuInput& in) { in.Node = {1, "S", "DS"}; },
       {{"actNew", hidden}, {"mnuNew1", on}, {"actNewProc", on}, {"actNewConstraint", {true, false}}}},
      {"kinds first: level 1 is a kind node",
       [](TObjectMenuInput& in) {
         in.TreeSort = kTreeByKind;
         in.Node = {1, "VIEW", "DS"};
         in.NodeImage = okView;
       },
       {{"actNew", on}, {"mnuNew1", {true, false}}}},
      {"root node shows the tree commands",
       [](TObjectMenuInput& in) { in.Node = {0, "DS", ""}; },
       {{"actUser", on}, {"actStorage", on}, {"actDBExport", on}, {"mnuNew1", on}}},
      {"remote level 9: routines and tree commands off",
       [](TObjectMenuInput& in) {
         in.Remote = true;
         in.CatalogLevel = 9;
         in.Node = {2, "PROCEDURE", "S"};
         in.NodeImage = okProcedure;
         in.SelectedKinds = {okProcedure};
       },
       {{"actNew", {false, true}}, {"actComment", off}, {"actAnalyze", off}, {"actExport", off}, {"actLoad", off},
        {"actOpen", on}}},
      {"remote level 10 keeps routines",
       [](TObjectMenuInput& in) {
         in.Remote = true;
         in.Node = {0, "DS", ""};
         in.SelectedKinds = {okFunction, okTable};
       },
       {{"actNewFunc", on}, {"actComment", on}, {"actUser", {false, true}}, {"actLock", {false, true}}}},
      {"reduced level",
       [](TObjectMenuInput& in) {
         in.LevelReduced = true;
         in.Node = {0, "DS", ""};
       },
       {{"actStorage", off}, {"actDatabase", off}, {"actDBExport", off}, {"actLoad", off}, {"actExport", off},
        {"actUser", on}, {"actSession", on}}},
      {"copied objects and menus with entries",
       [](TObjectMenuInput& in) {
         in.Copied = true;
         in.ReportEntries = true;
         in.CommandEntries = true;
       },
       {{"actPaste", on}, {"mnuReport", on}, {"mnuCommand", on}}},
      {"report entries need a selection",
       [](TObjectMenuInput& in) {
         in.ReportEntries = true;
         in.SelectedKinds.clear();
       },
       {{"mnuReport", off}}},
      {"comment check reads the first selected item only",
       [](TObjectMenuInput& in) { in.SelectedKinds = {okTable, okProcedure}; },
       {{"actComment", off}}},
      {"windows not registered",
       [](TObjectMenuInput& in) {
         in.Copied = true;
         in.Node = {0, "DS", ""};
         in.Registered = [](const std::string& name) { return name == EditorName(okView); };
         in.SelectedKinds = {okSequence};
       },
       {{"actOpen", off}, {"actCross", off}, {"actExec", off}, {"actScript", off}, {"actGrep", off},
        {"actPaste", off}, {"actUser", off}, {"actNewTable", off}, {"actNewView", on}, {"actCopy", on},
        {"actPrint", on}, {"actCompile", on}}},
  };
  for (const Case& c : cases) {
    TObjectMenuInput in = Everything();
    c.change(in);
    const std::map<std::string, TActionState> state = ObjectMenuState(in);
    for (const auto& [name, expected] : c.expected) {
      ASSERT_TRUE(state.count(name)) << c.what << ": " << name;
      EXPECT_EQ(state.at(name).Enabled, expected.Enabled) << c.what << ": " << name;
      EXPECT_EQ(state.at(name).Visible, expected.Visible) << c.what << ": " << name;
    }
  }
}

// ---- walk and delete passes ----

// A list of items; the walk's view of it with a record of what it did.
class FakeList : public TSelectionList {
 public:
  explicit FakeList(std::vector<TObjectItem> items) {
    for (auto& item : items) rows.push_back({std::move(item), true});
  }
  int SelectedCount() const override {
    return static_cast<int>(std::count_if(rows.begin(), rows.end(), [](const Row& r) { return r.selected; }));
  }
  int NextSelected(int from) const override {
    for (int i = std::max(from, 0); i < static_cast<int>(rows.size()); ++i)
      if (rows[static_cast<size_t>(i)].selected) return i;
    return -1;
  }
  TObjectItem Item(int index) const override { return rows[static_cast<size_t>(index)].item; }
  void Deselect(int index) override { rows[static_cast<size_t>(index)].selected = false; }
  void Remove(int index) override { rows.erase(rows.begin() + index); }
  void MakeVisible(int) override {}
  std::vector<std::string> Names(bool selectedOnly) const {
    std::vector<std::string> names;
    for (const Row& r : rows)
      if (!selectedOnly || r.selected) names.push_back(r.item.Name);
    return names;
  }

  struct Row {
    TObjectItem item;
    bool selected;
  };
  std::vector<Row> rows;
};

TEST(WalkSelection, StopsAtEscapeLeavingTheRestSelected) {
  FakeList list({{okTable, "S", "A"}, {okTable, "S", "B"}, {okTable, "S", "C"}, {okTable, "S", "D"}});
  list.rows[1].selected = false;
  Lines worked;
  std::vector<std::pair<int, int>> progress;
  int polls = 0;
  TWalkHooks hooks{[&] { return ++polls == 3; }, [&](int i, int n) { progress.emplace_back(i, n); }};
  WalkSelection(list, true, hooks, [&](const TObjectItem& item) { worked.push_back(item.Name); });
  EXPECT_EQ(worked, (Lines{"A", "C"}));
  EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{{1, 3}, {2, 3}}));
  EXPECT_EQ(list.Names(true), Lines{"D"});
}

TEST(DeletePasses, DependantsFirstThenRetriesErrorsAndLeftovers) {
  // Objects that can only go once the named object is gone.
  struct Case {
    const char* what;
    std::vector<TObjectItem> items;
    std::map<std::string, std::string> blockedBy;
    bool ignoreErrors;
    TDeleteEnd end;
    Lines left;
    int drops;
  };
  const std::vector<Case> cases = {
      {"a table before its view: two passes", {{okTable, "S", "T"}, {okView, "S", "V"}}, {{"T", "V"}}, true,
       TDeleteEnd::Deleted, {}, 3},
      {"errors not ignored end at the first", {{okTable, "S", "T"}, {okView, "S", "V"}}, {{"T", "V"}}, false,
       TDeleteEnd::Failed, {"T", "V"}, 1},
      {"an object that never goes is left with its error", {{okTable, "S", "T"}, {okView, "S", "V"}},
       {{"T", "NEVER"}}, true, TDeleteEnd::Failed, {"T"}, 3},
      {"one object failing", {{okView, "S", "V"}}, {{"V", "NEVER"}}, true, TDeleteEnd::Failed, {"V"}, 1},
  };
  for (const Case& c : cases) {
    FakeList list(c.items);
    std::set<std::string> gone;
    int drops = 0;
    const TDeleteOutcome outcome =
        DeletePasses(list, c.ignoreErrors, {}, [&](const TObjectItem& item) {
          ++drops;
          const auto blocker = c.blockedBy.find(item.Name);
          if (blocker != c.blockedBy.end() && !gone.count(blocker->second))
            throw std::runtime_error("used by " + blocker->second);
          gone.insert(item.Name);
        });
    EXPECT_EQ(outcome.End, c.end) << c.what;
    EXPECT_EQ(list.Names(false), c.left) << c.what;
    EXPECT_EQ(list.Names(true), c.left) << c.what << ": what failed stays selected";
    EXPECT_EQ(drops, c.drops) << c.what;
    EXPECT_EQ(outcome.Error.empty(), c.end != TDeleteEnd::Failed) << c.what;
  }
}

TEST(Statements, DropAndRecompileQuoteBothNames) {
  EXPECT_EQ(DropStatement({okTable, "S", "t"}, true), "DROP TABLE S.\"t\" CASCADE");
  EXPECT_EQ(DropStatement({okTable, "S", "T"}, false), "DROP TABLE S.T");
  EXPECT_EQ(DropStatement({okIndex, "S", "IX"}, false), "DROP DSO S.IX CASCADE");
  EXPECT_EQ(DropStatement({okView, "S", "V"}, true), "DROP VIEW S.V CASCADE");
  EXPECT_EQ(DropStatement({okFunction, "S", "F"}, false), "DROP FUNCTION S.F");
  EXPECT_EQ(DropStatement({okTrigger, "S", "TR"}, true), "DROP TRIGGER S.TR");
  EXPECT_EQ(DropStatement({okSequence, "S", "Q"}, true), "DROP SEQUENCE S.Q");
  EXPECT_EQ(DropStatement({okUser, "S", "U"}, true), std::nullopt);
  EXPECT_TRUE(OffersCascade({okIndex, okView}));
  EXPECT_FALSE(OffersCascade({okIndex, okTrigger, okSequence}));
  EXPECT_EQ(RecompileStatement({okJavaClass, "S", "J"}), "ALTER JAVA CLASS  S.J COMPILE");
  EXPECT_EQ(RecompileStatement({okPackageBody, "S", "P"}), "ALTER PACKAGE S.P COMPILE BODY");
  EXPECT_EQ(RecompileStatement({okType, "S", "T"}), "ALTER TYPE S.T COMPILE SPECIFICATION");
  EXPECT_EQ(RecompileStatement({okTrigger, "S", "T"}), std::nullopt);
}

// ---- script output ----

TEST(ScriptPaths, FollowOptionsTreeOrderAndStayInTheFolder) {
  struct Case {
    const char* what;
    TScriptOption option;
    int treeSort;
    TObjectItem item;
    std::string scriptName;
    std::string path;
    std::optional<std::string> grant;
  };
  const auto option = [](bool one, bool sub, bool grant, int mode) {
    TScriptOption o;
    o.OneScript = one;
    o.SubDir = sub;
    o.Grant = grant;
    o.GrantMode = mode;
    return o;
  };
  const std::vector<Case> cases = {
      {"flat", option(false, false, false, 0), kTreeBySchema, {okTable, "S", "T"}, "", "/o/T.SQL", std::nullopt},
      {"flat package body", option(false, false, true, 0), kTreeBySchema, {okPackageBody, "S", "P"}, "",
       "/o/PB.SQL", std::nullopt},
      {"folders of a package body", option(false, true, true, 1), kTreeBySchema, {okPackageBody, "S", "P"}, "",
       "/o/S/PACKAGE BODY/P.SQL", "/o/S/GRANT/P.SQL"},
      {"kinds first", option(false, true, true, 1), kTreeByKind, {okView, "S", "V"}, "", "/o/VIEW/S/V.SQL",
       "/o/GRANT/S/V.SQL"},
      {"one grant file", option(false, false, true, 2), kTreeBySchema, {okView, "S", "V"}, "", "/o/V.SQL",
       "/o/_GRANT.SQL"},
      {"one grant file per schema", option(false, true, true, 2), kTreeBySchema, {okView, "S", "V"}, "",
       "/o/S/VIEW/V.SQL", "/o/S/_GRANT.SQL"},
      {"one grant file per kind", option(false, true, true, 2), kTreeByKind, {okView, "S", "V"}, "",
       "/o/VIEW/S/V.SQL", "/o/VIEW/_GRANT.SQL"},
      {"one script", option(true, true, true, 2), kTreeBySchema, {okView, "S", "V"}, "", "/o/all.sql",
       std::nullopt},
      {"name table", option(false, false, false, 0), kTreeBySchema, {okView, "S", "V"}, "view_v.ddl",
       "/o/view_v.ddl", std::nullopt},
      {"a name table's path stays inside", option(false, true, true, 1), kTreeBySchema, {okView, "S", "V"}, "../x",
       "/o/S/VIEW/..x", "/o/S/GRANT/..x"},
      {"names that are no file names", option(false, true, false, 0), kTreeBySchema, {okView, "..", "a/b"}, "..",
       "/o/_../VIEW/_..", std::nullopt},
  };
  for (const Case& c : cases) {
    TScriptTarget target{c.option.OneScript ? "/o/all.sql" : "/o/", c.treeSort, c.item.Schema, c.item.Kind,
                         c.item.Name, c.scriptName};
    EXPECT_EQ(ScriptFilePath(c.option, target), c.path) << c.what;
    EXPECT_EQ(GrantFilePath(c.option, target), c.grant) << c.what;
  }
  EXPECT_EQ(ScriptFileMode(true, true), TFileMode::Create);
  EXPECT_EQ(ScriptFileMode(false, false), TFileMode::Create);
  EXPECT_EQ(ScriptFileMode(true, false), TFileMode::Append);
}

TEST(ScriptPaths, NameTableIsOneOrTwoPlainOrQuotedNames) {
  for (const char* good : {"NAMES", "S.NAMES", "\"s x\".\"n\"\"q\"", "S.\"N\""})
    EXPECT_TRUE(ValidNameTable(good)) << good;
  for (const char* bad : {"", "S.", ".N", "A.B.C", "N; DROP TABLE X", "\"\"", "\"open", "N WHERE 1=1"})
    EXPECT_FALSE(ValidNameTable(bad)) << bad;
  EXPECT_THROW(ScriptNameSQL("X;Y"), std::runtime_error);
}

// ---- paste ----

TEST(PasteLines, RenamesFirstAndEndLinesAndCopiesData) {
  struct Case {
    const char* what;
    TCopyObjectList record;
    Lines ddl;
    bool withData;
    Lines expected;
  };
  const std::vector<Case> cases = {
      {"procedure: the name part only, schema to the target",
       {"S", "P", okProcedure},
       {"CREATE PROCEDURE S.P(IN A INTEGER) -- P", "BEGIN", "END P", ""},
       false,
       {"CREATE PROCEDURE T.Q(IN A INTEGER) -- P", "BEGIN", "END Q", ""}},
      {"the name twice in the part",
       {"S", "PP", okFunction},
       {"CREATE FUNCTION S.PP_PP (X) RETURNS INTEGER", "END PP", ""},
       false,
       {"CREATE FUNCTION T.Q_Q (X) RETURNS INTEGER", "END Q", ""}},
      {"schema missing from the first line",
       {"S", "P", okProcedure},
       {"CREATE PROCEDURE P()", "END P", ""},
       false,
       {"CREATE PROCEDURE T.Q", "END Q", ""}},
      {"END line: only after END",
       {"S", "TR", okTrigger},
       {"CREATE TRIGGER S.TR", "TR END TR", ""},
       false,
       {"CREATE TRIGGER T.Q", "TR END Q", ""}},
      {"table with data",
       {"S", "T1", okTable},
       {"CREATE TABLE S.T1 (", "A INTEGER)"},
       true,
       {"CREATE TABLE T.Q", "A INTEGER)", "INSERT INTO T.Q SELECT * FROM S.T1"}},
      {"a view never gets data",
       {"S", "V", okView},
       {"CREATE VIEW S.V AS SELECT 1"},
       true,
       {"CREATE VIEW T.Q"}},
      {"empty DDL stays empty", {"S", "T1", okTable}, {}, true, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(PasteLines(c.ddl, c.record, "T", "Q", c.withData), c.expected) << c.what;
}

TEST(PasteLines, TargetSchemaFromTheTreeNode) {
  EXPECT_EQ(PasteTargetSchema({1, "S1", "DS"}, true, kTreeBySchema, "ME"), "S1");
  EXPECT_EQ(PasteTargetSchema({2, "TABLE", "S2"}, false, kTreeBySchema, "ME"), "S2");
  EXPECT_EQ(PasteTargetSchema({0, "DS", ""}, false, kTreeBySchema, "ME"), "ME");
  EXPECT_EQ(PasteTargetSchema({1, "TABLE", "DS"}, false, kTreeByKind, "ME"), "ME");
  EXPECT_EQ(PasteTargetSchema({2, "S3", "TABLE"}, true, kTreeByKind, "ME"), "S3");
  EXPECT_EQ(PasteTargetSchema({}, false, kTreeBySchema, "ME"), "ME");
}

TEST(GrepMatches, CaseRule) {
  EXPECT_TRUE(GrepMatches("create table s.t (col_x int)", "COL_X", false));
  EXPECT_FALSE(GrepMatches("create table s.t (col_x int)", "COL_X", true));
  EXPECT_TRUE(GrepMatches("名前 col_x", "名前 col_x", true));
}

}  // namespace

TEST(UserCommandText, PlaceholdersAreReplacedPerItem) {
  const std::vector<std::string> subItems = {"SALES", "TABLE", "c3", "c4", "c5", "c6", "c7", "c8", "c9", "c10", "c11"};
  struct Case {
    std::string text;
    std::string want;
  };
  const Case cases[] = {
      {"DROP TABLE &OWNER.&NAME", "DROP TABLE SALES.ORDERS"},
      {"drop table &owner.&name", "drop table SALES.ORDERS"},
      {"&0 &Type", "ORDERS TABLE"},
      {"&NAME &name &NaMe", "ORDERS ORDERS ORDERS"},
      // Two digits before the one digit they begin with.
      {"&10|&1|&2", "c10|SALES|TABLE"},
      // The last sub-item has no number of its own.
      {"&11", "SALES1"},
      {"SELECT 1", "SELECT 1"},
  };
  for (const Case& c : cases) EXPECT_EQ(ReplaceCommandPlaceholders(c.text, "ORDERS", subItems), c.want) << c.text;
  EXPECT_EQ(ReplaceCommandPlaceholders("&OWNER.&TYPE.&1", "X", {}), "..&1");
  EXPECT_TRUE(HasCommandPlaceholders("A & B"));
  EXPECT_FALSE(HasCommandPlaceholders("SELECT 1"));
}
