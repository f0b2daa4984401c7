// The script output options and the script name table on a shown main
// window as the program registers them (RegisterApp, RegisterUi,
// RegisterSqlWork), logged on to a stand-in data source with a schema S of
// objects of each kind, the stand-in tools on the PATH.
#pragma once

#include <gtest/gtest.h>

#include "app/appregister.h"
#include "app/core/fobjcmdcore.h"
#include "app/core/ovoptions.h"
#include "app/flogon.h"
#include "standin/symfoware/standin.h"
#include "tests/sqlwork/sqlwindow_fixture.h"
#include "tests/standin/tools_sample.h"

namespace testing_sqlwork {

// A name table of the right layout.
inline constexpr const char* kNamesTable =
    "CREATE TABLE S.NAMES (DB_NAME VARCHAR(30), SCHEMA_NAME VARCHAR(30), OBJECT_NAME VARCHAR(30), "
    "OBJECT_TYPE VARCHAR(30), SCRIPT_NAME VARCHAR(50))";

class ScriptOptionTest : public SQLWindow {
 protected:
  ScriptOptionTest() {
    testing_tools::UseStandinTools();
    unsetenv("SYMFOWARE_TOOL_FAIL");
    RegisterApp(*main);
    SetLogonProcedure(nullptr);  // the tests log on themselves
    ScriptOption = {};
    ScriptOption.Path = env.Path("out") + "/";
    ScriptOption.Schema = kSchemaUnlessOwner;
  }
  ~ScriptOptionTest() override {
    SetScriptOutputDialog(nullptr);
    symfoware::ClearStatementFailures();
  }

  // A logon whose schema S holds a table, an index, a view, a sequence,
  // a procedure and a function, and whose schema OTHER holds one table.
  TfrmObject* Prepared() {
    TfrmObject* connection = Logon();
    for (const char* sql :
         {"CREATE SCHEMA S", "CREATE SCHEMA OTHER", "CREATE TABLE S.ITEMS (ID INTEGER, NAME VARCHAR(10))",
          "CREATE INDEX S.ITEMS_IX ON ITEMS (NAME)", "CREATE TABLE S.\"O'NEIL\" (ID INTEGER)",
          "CREATE VIEW S.ITEM_VIEW AS SELECT ID FROM S.ITEMS", "CREATE TABLE OTHER.REMOTE_T (ID INTEGER)",
          "INSERT INTO RDBII_SYSTEM.RDBII_SEQUENCE (DB_CODE, DB_NAME, SCHEMA_CODE, SCHEMA_NAME, SEQUENCE_CODE, "
          "SEQUENCE_NAME) SELECT DB_CODE, DB_NAME, SCHEMA_CODE, SCHEMA_NAME, 900, 'ITEM_SEQ' FROM "
          "RDBII_SYSTEM.RDBII_SCHEMA WHERE SCHEMA_NAME = 'S'",
          "INSERT INTO RDBII_SYSTEM.RDBII_PROC (DB_CODE, DB_NAME, SCHEMA_CODE, SCHEMA_NAME, PROCEDURE_CODE, "
          "PROCEDURE_NAME, PROCEDURE_TYPE, ROUTINE_TYPE) SELECT DB_CODE, DB_NAME, SCHEMA_CODE, SCHEMA_NAME, 901, "
          "'ADD_ITEM', 1, 0 FROM RDBII_SYSTEM.RDBII_SCHEMA WHERE SCHEMA_NAME = 'S'",
          "INSERT INTO RDBII_SYSTEM.RDBII_PROC (DB_CODE, DB_NAME, SCHEMA_CODE, SCHEMA_NAME, PROCEDURE_CODE, "
          "PROCEDURE_NAME, PROCEDURE_TYPE, ROUTINE_TYPE) SELECT DB_CODE, DB_NAME, SCHEMA_CODE, SCHEMA_NAME, 902, "
          "'COUNT_ITEMS', 2, 0 FROM RDBII_SYSTEM.RDBII_SCHEMA WHERE SCHEMA_NAME = 'S'",
          "COMMIT"})
      connection->ExecSQL(sql);
    connection->BuildTree();
    env.Dialogs().messages.clear();
    symfoware::ClearStatementJournal();
    return connection;
  }
  // The statements the program ran since the journal was cleared.
  static Lines Journal() {
    Lines statements;
    for (const symfoware::TJournalEntry& entry : symfoware::StatementJournal()) statements.push_back(entry.Statement);
    return statements;
  }
  Lines TakeBoxes() {
    Lines texts = Boxes();
    env.Dialogs().messages.clear();
    return texts;
  }
};

}  // namespace testing_sqlwork
