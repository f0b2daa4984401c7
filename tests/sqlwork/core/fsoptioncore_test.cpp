#include "sqlwork/core/fsoptioncore.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using Lines = std::vector<std::string>;

TEST(ScriptOptionRules, EnablingFollowsOneScriptTheBoxesAndTheConnection) {
  struct Case {
    const char* what;
    TScriptOptionInput in;
    TScriptOptionEnabling out;
  };
  const Case cases[] = {
      {"plain dialog", {false, false, false, true, false}, {true, false, false, false, false}},
      {"plain dialog with a table text", {false, false, false, false, false}, {true, false, false, false, false}},
      {"output, no table", {false, false, false, true, true}, {true, true, false, false, false}},
      {"output with a table", {false, false, false, false, true}, {true, true, true, false, false}},
      {"one script", {true, false, false, false, true}, {false, false, true, false, false}},
      {"insert and grant", {false, true, true, true, true}, {true, true, false, true, true}},
      {"insert only", {false, true, false, true, false}, {true, false, false, true, false}},
  };
  for (const Case& c : cases) EXPECT_EQ(ScriptOptionEnabling(c.in), c.out) << c.what;
}

TEST(ScriptOptionRules, TargetIsRequiredAndAFolderEndsInASlash) {
  struct Case {
    std::string typed;
    bool oneScript;
    std::string stored;
  };
  const Case cases[] = {
      {"/out", false, "/out/"},       {"/out/", false, "/out/"},          {"  /out  ", false, "/out/"},
      {"/out/all.sql", true, "/out/all.sql"}, {"/out/", true, "/out/"}, {" a.sql", true, " a.sql"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ScriptTargetError(c.typed), std::nullopt) << c.typed;
    EXPECT_EQ(StoredScriptTarget(c.typed, c.oneScript), c.stored) << c.typed;
  }
  for (const char* empty : {"", "   ", "\t"}) EXPECT_EQ(ScriptTargetError(empty), kNoScriptTarget) << empty;
}

TEST(ScriptOptionRules, OneNameTableEntryPerDataSource) {
  struct Case {
    const char* what;
    Lines before;
    std::string table;
    Lines after;
  };
  const Case cases[] = {
      {"added", {"OTHER=O.T"}, "S.T", {"OTHER=O.T", "DSN=S.T"}},
      {"replaced in place, case ignored", {"dsn=A.B", "OTHER=O.T"}, "S.T", {"DSN=S.T", "OTHER=O.T"}},
      {"duplicates go", {"DSN=A.B", "OTHER=O.T", "Dsn=C.D"}, "S.T", {"DSN=S.T", "OTHER=O.T"}},
      {"empty removes only this one", {"DSN=A.B", "OTHER=O.T", "DSN=C.D"}, "", {"OTHER=O.T"}},
      {"empty without an entry", {"OTHER=O.T"}, "", {"OTHER=O.T"}},
      {"a name that only starts alike", {"DSN2=A.B"}, "S.T", {"DSN2=A.B", "DSN=S.T"}},
  };
  for (const Case& c : cases) {
    Lines lines = c.before;
    SetNameTableFor(lines, "DSN", c.table);
    EXPECT_EQ(lines, c.after) << c.what;
  }
}

TEST(ScriptOptionRules, StoringTakesTheControlsAndTouchesOnlyItsOwnEntry) {
  TScriptOption stored;
  stored.NameTable = {"DSN=OLD.T", "OTHER=O.T"};
  stored.Schema = 2;
  TScriptOption shown;
  shown.SubDir = true;
  shown.Path = "/out";
  shown.Schema = 1;
  shown.Grant = true;
  shown.GrantMode = 2;
  shown.NameTable = {"ignored"};

  TScriptOption plain = stored;
  StoreScriptOption(plain, shown, "X.Y", std::nullopt);
  EXPECT_EQ(plain.NameTable, (Lines{"DSN=OLD.T", "OTHER=O.T"})) << "the plain dialog keeps every entry";
  EXPECT_EQ(plain.Path, "/out/");
  EXPECT_TRUE(plain.SubDir);
  EXPECT_EQ(plain.Schema, 1);
  EXPECT_EQ(plain.GrantMode, 2);

  TScriptOption output = stored;
  StoreScriptOption(output, shown, "NEW.T", std::string("dsn"));
  EXPECT_EQ(output.NameTable, (Lines{"dsn=NEW.T", "OTHER=O.T"}));
  StoreScriptOption(output, shown, "", std::string("DSN"));
  EXPECT_EQ(output.NameTable, (Lines{"OTHER=O.T"}));

  shown.OneScript = true;
  shown.Path = "/out/all.sql";
  StoreScriptOption(output, shown, "", std::string("DSN"));
  EXPECT_EQ(output.Path, "/out/all.sql") << "a file keeps its name";
}

TEST(ScriptOptionRules, NameTableTextsAreCheckedBeforeAnySqlIsBuilt) {
  EXPECT_EQ(NameTableCheckSQL("S.T"), "SELECT DB_NAME, SCHEMA_NAME,  OBJECT_NAME, OBJECT_TYPE, SCRIPT_NAME FROM S.T");
  for (const char* good : {"S.T", "\"S\".\"t\"", "T"}) EXPECT_NO_THROW(NameTableCheckSQL(good)) << good;
  for (const char* bad : {"", "  ", "S.T;", "S.T; DROP TABLE S.T", "A.B.C", "S .T"})
    EXPECT_THROW(NameTableCheckSQL(bad), std::runtime_error) << bad;
  EXPECT_EQ(NameTableSchemaPart("S.T"), "S");
  EXPECT_EQ(NameTableSchemaPart("T"), "");
  EXPECT_EQ(NameTableSchemaPart("\"a.b\".T"), "\"a");  // the first "." as written
}

}  // namespace
