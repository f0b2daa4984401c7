// The object comparison's rules: the kinds and statements of a listing, the
// input checks, the pairing with its DDL comparison and filters, the
// script options around a run, and the sides a row opens.
#include "tools/core/fcompcore.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>
#include <tuple>

#include "app/core/ovkinds.h"

namespace {

using Kinds = std::vector<TCompKind>;

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

TEST(ObjectComparisonRules, ListsTheChosenKindsAndRoutinesOnlyWhereTheyCanBeRead) {
  const Kinds all(std::begin(kCompKinds), std::end(kCompKinds));
  const Kinds withoutRoutines = {TCompKind::Table,   TCompKind::Index,   TCompKind::View,
                                 TCompKind::Trigger, TCompKind::Sequence};
  EXPECT_EQ(CompListedKinds({}, true), all);
  EXPECT_EQ(CompListedKinds({TCompKind::Sequence, TCompKind::Table}, true),
            (Kinds{TCompKind::Table, TCompKind::Sequence}));
  EXPECT_EQ(CompListedKinds({}, CompRoutinesListable(true, 9)), withoutRoutines);
  EXPECT_EQ(CompListedKinds({TCompKind::Function}, CompRoutinesListable(true, 9)), Kinds{});
  EXPECT_EQ(CompListedKinds({}, CompRoutinesListable(true, 10)), all);
  EXPECT_EQ(CompListedKinds({}, CompRoutinesListable(false, 9)), all);
}

TEST(ObjectComparisonRules, BuildsOneListingStatementPerKindAndSchemaChoice) {
  const TCompTarget schemaS = {"USER1", "DS1", "s", "17"};
  const TCompTarget every = {"USER1", "DS1", kCompAllSchemas, "17"};
  struct Case {
    TCompKind kind;
    const char* head;  // what the kind's part starts with
    const char* owner;  // the owner condition
    std::vector<std::string> values;  // with a schema; without it the last one goes
  };
  const Case cases[] = {
      {TCompKind::Table, "SELECT 'TABLE' OBJECT_TYPE", " AND TABLE_OWNER = ", {"USER1", "DS1", "S"}},
      {TCompKind::Index, "SELECT 'INDEX' OBJECT_TYPE", " AND INDEX_DSO_OWNER = ", {"USER1", "17", "S"}},
      {TCompKind::View, "SELECT 'VIEW' OBJECT_TYPE", " AND TABLE_OWNER = ", {"USER1", "DS1", "S"}},
      {TCompKind::Procedure, "SELECT 'PROCEDURE' OBJECT_TYPE", " AND PROCEDURE_OWNER = ", {"USER1", "DS1", "S"}},
      {TCompKind::Function, "SELECT 'FUNCTION' OBJECT_TYPE", " AND PROCEDURE_OWNER = ", {"USER1", "DS1", "S"}},
      {TCompKind::Trigger, "SELECT 'TRIGGER' OBJECT_TYPE", " WHERE TRIG_OWNER = ", {"USER1", "DS1", "S"}},
      {TCompKind::Sequence, "SELECT 'SEQUENCE' OBJECT_TYPE", " WHERE SEQUENCE_OWNER = ", {"USER1", "DS1", "S"}},
  };
  for (const Case& c : cases) {
    const TCompListing with = CompListingQuery({c.kind}, schemaS);
    EXPECT_EQ(with.SQL.rfind(c.head, 0), 0u) << c.head;
    EXPECT_NE(with.SQL.find(c.owner), std::string::npos) << c.head;
    EXPECT_EQ(Count(with.SQL, "SCHEMA_NAME = :"), 1u) << c.head;
    EXPECT_EQ(with.SQL.substr(with.SQL.size() - 16), "ORDER BY 1, 2, 3");
    EXPECT_EQ(with.Values, c.values) << c.head;
    EXPECT_EQ(Count(with.SQL, ":"), with.Values.size()) << c.head;
    const TCompListing without = CompListingQuery({c.kind}, every);
    EXPECT_EQ(Count(without.SQL, "SCHEMA_NAME = :"), 0u) << c.head;
    EXPECT_EQ(without.Values, std::vector<std::string>(c.values.begin(), c.values.end() - 1)) << c.head;
  }
  const TCompListing all = CompListingQuery(CompListedKinds({}, true), schemaS);
  EXPECT_EQ(Count(all.SQL, "\nUNION\n"), std::size(kCompKinds) - 1);
  EXPECT_LT(all.SQL.find("'TABLE'"), all.SQL.find("'INDEX'"));
  EXPECT_LT(all.SQL.find("'TRIGGER'"), all.SQL.find("'SEQUENCE'"));
  EXPECT_EQ(all.Values.size(), 3 * std::size(kCompKinds));
}

TEST(ObjectComparisonRules, ChecksTheInputInOrder) {
  const TCompOption on = {true, true, true, true};
  const TCompOption onlyOne = {false, false, true, false};
  struct Case {
    TCompInput input;
    std::optional<TCompProblem> problem;
  };
  const Case cases[] = {
      {{{false, false, false, false}, "A", " ", "A", ""}, TCompProblem{kCompNoFilter, TCompFocus::Equrl}},
      {{on, "A", "  ", "B", "S"}, TCompProblem{kCompNoSchema1, TCompFocus::Schema1}},
      {{on, "A", "S", "B", ""}, TCompProblem{kCompNoSchema2, TCompFocus::Schema2}},
      {{on, "A", "S", "A", "S"}, TCompProblem{kCompSamePlace, TCompFocus::Schema1}},
      {{onlyOne, "A", kCompAllSchemas, "A", kCompAllSchemas}, TCompProblem{kCompSamePlace, TCompFocus::Schema1}},
      {{on, "A", "S", "B", "S"}, std::nullopt},
      {{onlyOne, "A", "S", "A", "T"}, std::nullopt},
      {{on, "A", "S", "A", kCompAllSchemas}, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(CheckCompInput(c.input), c.problem) << c.input.Schema1 << c.input.Schema2;
}

TEST(ObjectComparisonRules, LeavesOutOnlyTheStorageLines) {
  EXPECT_EQ(WithoutStorageLines("CREATE TABLE T (A INT);\r\n  CREATE DSO D FROM T;\r\nCREATE DSI I DSO D;\r\n"
                                "-- CREATE DSO X\r\nX CREATE DSI Y\r\nCREATE DSO Z"),
            "CREATE TABLE T (A INT);\r\n-- CREATE DSO X\r\nX CREATE DSI Y\r\n");
}

// A run over listings and DDL texts given by the test.
class Comparison {
 public:
  using Ddl = std::map<std::tuple<int, std::string, std::string>, std::string>;  // side, schema, name

  std::vector<TCompObject> list1;
  std::vector<TCompObject> list2;
  Ddl ddl;
  // Esc answers true from this poll on (counted from 1).
  int escapeAt = 0;
  int listEscapeSide = 0;
  bool throwDdl = false;
  std::vector<TCompRow> rows;
  int clears = 0;
  std::vector<int> schemaOptions;  // the Schema script option at each DDL

  bool Run(const std::string& schema1, const std::string& schema2, TCompOption filter = {true, true, true, true}) {
    TCompPorts ports;
    ports.List = [this](int side, std::vector<TCompObject>& objects) {
      if (side == listEscapeSide) return false;
      objects = side == 1 ? list1 : list2;
      return true;
    };
    ports.DDL = [this](int side, int, const std::string& schema, const std::string& name) {
      schemaOptions.push_back(ScriptOption.Schema);
      EXPECT_FALSE(ScriptOption.Index);
      EXPECT_FALSE(ScriptOption.Insert);
      if (throwDdl) throw std::runtime_error("JYP2001E");
      return ddl[{side, schema, name}];
    };
    ports.Escape = [this] { return escapeAt > 0 && ++polls_ >= escapeAt; };
    ports.Clear = [this] {
      ++clears;
      rows.clear();
    };
    ports.Row = [this](const TCompRow& row) { rows.push_back(row); };
    return RunComparison({schema1, schema2, filter}, ports);
  }

 private:
  int polls_ = 0;
};

class ObjectComparisonRun : public testing::Test {
 protected:
  ObjectComparisonRun() : saved_(ScriptOption) {
    ScriptOption.Schema = kSchemaUnlessOwner;
    ScriptOption.Index = true;
    ScriptOption.Insert = true;
  }
  ~ObjectComparisonRun() override { ScriptOption = saved_; }
  void ExpectOptionsRestored() const {
    EXPECT_EQ(ScriptOption.Schema, kSchemaUnlessOwner);
    EXPECT_TRUE(ScriptOption.Index);
    EXPECT_TRUE(ScriptOption.Insert);
  }

 private:
  TScriptOption saved_;
};

const std::string kTableDdl = "CREATE TABLE T (\r\n  A INTEGER\r\n);\r\n";

TEST_F(ObjectComparisonRun, PairsComparesAndFiltersTheObjects) {
  struct Case {
    const char* what;
    std::string schema1, schema2;
    std::vector<TCompObject> list1, list2;
    Comparison::Ddl ddl;
    TCompOption filter;
    std::vector<TCompRow> rows;
    int schemaOption;  // during the DDL
  };
  const TCompOption all = {true, true, true, true};
  const Case cases[] = {
      {"two schemas of one connection pair by name and type, written without schema",
       "A", "B",
       {{"A", "T", "TABLE"}, {"A", "V", "VIEW"}},
       {{"B", "T", "TABLE"}, {"B", "V", "TABLE"}},
       {{{1, "A", "T"}, kTableDdl}, {{2, "B", "T"}, kTableDdl}},
       all,
       {{okTable, "T", "A", "TABLE", TCompResult::Equal},
        {okView, "V", "A", "VIEW", TCompResult::Only1},
        {okTable, "V", "B", "TABLE", TCompResult::Only2}},
       kSchemaNever},
      {"all schemas on one side pair on owner, name and type",
       kCompAllSchemas, "A",
       {{"A", "T", "TABLE"}, {"B", "T", "TABLE"}},
       {{"A", "T", "TABLE"}},
       {{{1, "A", "T"}, kTableDdl}, {{2, "A", "T"}, kTableDdl}},
       all,
       {{okTable, "T", "A", "TABLE", TCompResult::Equal}, {okTable, "T", "B", "TABLE", TCompResult::Only1}},
       kSchemaUnlessOwner},
      {"storage lines of a table or an index make no difference",
       "A", "A",
       {{"A", "I", "INDEX"}, {"A", "T", "TABLE"}},
       {{"A", "I", "INDEX"}, {"A", "T", "TABLE"}},
       {{{1, "A", "T"}, kTableDdl + "CREATE DSO D1 FROM T;\r\n"},
        {{2, "A", "T"}, kTableDdl + "  CREATE DSO D2 FROM T;\r\nCREATE DSI X;\r\n"},
        {{1, "A", "I"}, "CREATE INDEX I ON T (A);\r\nCREATE DSI I1;\r\n"},
        {{2, "A", "I"}, "CREATE INDEX I ON T (A);\r\n"}},
       all,
       {{okTable, "T", "A", "TABLE", TCompResult::Equal}, {okIndex, "I", "A", "INDEX", TCompResult::Equal}},
       kSchemaUnlessOwner},
      {"a column makes a difference; a view keeps every line",
       "A", "A",
       {{"A", "T", "TABLE"}, {"A", "V", "VIEW"}},
       {{"A", "T", "TABLE"}, {"A", "V", "VIEW"}},
       {{{1, "A", "T"}, kTableDdl},
        {{2, "A", "T"}, "CREATE TABLE T (\r\n  A SMALLINT\r\n);\r\n"},
        {{1, "A", "V"}, "CREATE VIEW V AS SELECT 1;\r\n"},
        {{2, "A", "V"}, "CREATE VIEW V AS SELECT 1;\r\nCREATE DSO X;\r\n"}},
       all,
       {{okView, "V", "A", "VIEW", TCompResult::NotEqual}, {okTable, "T", "A", "TABLE", TCompResult::NotEqual}},
       kSchemaUnlessOwner},
      {"equal pairs hidden are still paired; names keep their case and length",
       "A", "A",
       {{"A", "T", "TABLE"}, {"A", "N_LONGER_THAN_THIRTY_CHARACTERS_1", "TABLE"}, {"A", "low", "TABLE"}},
       {{"A", "T", "TABLE"}, {"A", "N_LONGER_THAN_THIRTY_CHARACTERS_2", "TABLE"}, {"A", "LOW", "TABLE"}},
       {{{1, "A", "T"}, kTableDdl}, {{2, "A", "T"}, kTableDdl}},
       {false, true, true, true},
       {{okTable, "low", "A", "TABLE", TCompResult::Only1},
        {okTable, "N_LONGER_THAN_THIRTY_CHARACTERS_1", "A", "TABLE", TCompResult::Only1},
        {okTable, "LOW", "A", "TABLE", TCompResult::Only2},
        {okTable, "N_LONGER_THAN_THIRTY_CHARACTERS_2", "A", "TABLE", TCompResult::Only2}},
       kSchemaUnlessOwner},
      {"only the chosen one-sided rows",
       "A", "B",
       {{"A", "X", "SEQUENCE"}},
       {{"B", "Y", "TRIGGER"}},
       {},
       {true, true, false, true},
       {{okTrigger, "Y", "B", "TRIGGER", TCompResult::Only2}},
       kSchemaNever},
  };
  for (const Case& c : cases) {
    Comparison run;
    run.list1 = c.list1;
    run.list2 = c.list2;
    run.ddl = c.ddl;
    EXPECT_TRUE(run.Run(c.schema1, c.schema2, c.filter)) << c.what;
    EXPECT_EQ(run.rows, c.rows) << c.what;
    EXPECT_EQ(run.clears, 1) << c.what;
    for (int option : run.schemaOptions) EXPECT_EQ(option, c.schemaOption) << c.what;
    ExpectOptionsRestored();
  }
}

TEST_F(ObjectComparisonRun, PutsTheScriptOptionsBackAfterEscAndErrors) {
  {
    Comparison escaped;  // Esc while listing side 2: the old result stays
    escaped.listEscapeSide = 2;
    EXPECT_FALSE(escaped.Run("A", "B"));
    EXPECT_EQ(escaped.clears, 0);
    ExpectOptionsRestored();
  }
  {
    Comparison escaped;  // Esc at the second object: one row made
    escaped.list1 = {{"A", "T1", "TABLE"}, {"A", "T2", "TABLE"}};
    escaped.list2 = escaped.list1;
    escaped.escapeAt = 2;
    EXPECT_FALSE(escaped.Run("A", "A"));
    EXPECT_EQ(escaped.rows.size(), 1u);
    ExpectOptionsRestored();
  }
  {
    Comparison failing;
    failing.list1 = {{"A", "T", "TABLE"}};
    failing.list2 = failing.list1;
    failing.throwDdl = true;
    EXPECT_THROW(failing.Run("A", "B"), std::runtime_error);
    ExpectOptionsRestored();
  }
}

TEST(ObjectComparisonRules, OpensTheSidesTheRowAndTheItemName) {
  using Targets = std::vector<TCompOpenTarget>;
  struct Case {
    TCompResult result;
    TCompOpen which;
    const char* schema1;
    const char* schema2;
    Targets targets;
  };
  const Case cases[] = {
      {TCompResult::Equal, TCompOpen::Both, "A", "A", {{1, "R"}, {2, "R"}}},
      {TCompResult::NotEqual, TCompOpen::Both, "A", "B", {{1, "A"}, {2, "B"}}},
      {TCompResult::Only1, TCompOpen::Both, kCompAllSchemas, "B", {{1, "R"}}},
      {TCompResult::Only2, TCompOpen::Both, "A", "B", {{2, "B"}}},
      {TCompResult::Equal, TCompOpen::Side1, "A", "B", {{1, "A"}}},
      {TCompResult::NotEqual, TCompOpen::Side2, "A", "A", {{2, "R"}}},
      {TCompResult::Only1, TCompOpen::Side2, "A", "B", {}},
      {TCompResult::Only2, TCompOpen::Side1, "A", "B", {}},
      {TCompResult::Only2, TCompOpen::Side2, "A", kCompAllSchemas, {{2, "R"}}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(CompOpenTargets(c.result, "R", c.which, c.schema1, c.schema2), c.targets)
        << CompResultText(c.result) << " " << static_cast<int>(c.which);
}

TEST(ObjectComparisonRules, ResultTextsReadBack) {
  for (TCompResult result : {TCompResult::Equal, TCompResult::NotEqual, TCompResult::Only1, TCompResult::Only2})
    EXPECT_EQ(CompResultOfText(CompResultText(result)), result);
  EXPECT_EQ(CompResultText(TCompResult::Only2), "比較先２にのみ存在");
  EXPECT_EQ(CompResultOfText("一致"), std::nullopt);
}

}  // namespace
