#include "app/fobjddl.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <fstream>
#include <sstream>

#include "app/ovforms.h"
#include "app/core/ovkinds.h"
#include "app/core/zarur.h"
#include "tests/app/objtree_sample.h"
#include "tests/platform/temp_settings.h"

namespace {

// An editor window that keeps what it was opened with.
class TestEditor : public TovForm {
 public:
  TestEditor(TovConnectionWindow& owner, const TOpenArgs& args) : TovForm(owner), Args(args) {}
  TOpenArgs Args;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(OpenDispatch, ArgumentsPerKind) {
  struct Case {
    int kind;
    const char* name;
    int editorKind;
    TOpenArgs args;
  };
  const Case cases[] = {
      {okUser, "GUEST", okUser, {"", "GUEST", 0, 1, 0, ""}},
      {okUser2, "GUEST", okUser2, {"", "GUEST", 0, 1, 0, ""}},
      {okTable, "T", okTable, {"S", "T", 0, 1, 50, ""}},
      {okIndex, "IX", okIndex, {"S", "IX", 0, 1, 0, ""}},
      {okView, "V", okView, {"S", "V", 0, 1, 50, ""}},
      {okProcedure, "P", okProcedure, {"S", "P", okProcedure, 1, 0, ""}},
      {okFunction, "F", okFunction, {"S", "F", okFunction, 1, 0, ""}},
      {okTrigger, "TR", okTrigger, {"S", "TR", 0, 1, 0, ""}},
      {okSequence, "SQ", okSequence, {"S", "SQ", 0, 1, 0, ""}},
      {okRole, "R", okRole, {"", "R", 0, 1, 0, ""}},
      {okTablespace, "DBS", okTablespace, {"", "DBS", 0, 1, 0, ""}},
      {okTablePartition, "T.P1", okTable, {"S", "T", 0, 1, 0, ""}},
      {okIndexPartition, "IX.P1.X", okIndex, {"S", "IX", 0, 1, 0, ""}},
      {okTablePartition, "T", okTable, {"S", "T", 0, 1, 0, ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.kind) + " " + c.name);
    const auto call = OpenCallFor(c.kind, "S", c.name, 1, 50);
    ASSERT_TRUE(call.has_value());
    EXPECT_EQ(call->EditorKind, c.editorKind);
    EXPECT_EQ(call->Args, c.args);
  }
  for (int kind : {0, okConstraint, okUnknown, 60})
    EXPECT_FALSE(OpenCallFor(kind, "S", "N", 0, 0).has_value()) << kind;
}

TEST(OpenDispatch, ScriptArgumentsPerKind) {
  ScriptOption.Index = true;
  EXPECT_EQ(*ScriptArgsFor(okTable, "S", "T", "S2", "T2"), (TScriptArgs{"S", "T", 0, "S2", "T2", true}));
  EXPECT_EQ(*ScriptArgsFor(okView, "S", "V", "S2", "V2"), (TScriptArgs{"S", "V", 0, "S2", "V2", false}));
  EXPECT_EQ(*ScriptArgsFor(okIndex, "S", "I", "S2", "I2"), (TScriptArgs{"S", "I", 0, "", "", false}));
  EXPECT_EQ(*ScriptArgsFor(okFunction, "S", "F", "", ""), (TScriptArgs{"S", "F", okFunction, "", "", false}));
  EXPECT_EQ(*ScriptArgsFor(okRole, "S", "R", "", ""), (TScriptArgs{"", "R", 0, "", "", false}));
  for (int kind : {okTablePartition, okIndexPartition, okConstraint, okUnknown})
    EXPECT_FALSE(ScriptArgsFor(kind, "S", "N", "", "").has_value()) << kind;
}

TEST(GrantStatements, GrantOptionFollowsTheCatalogueAndThePrefixTheScriptOption) {
  const std::vector<TPrivilegeRow> rows = {
      {"GUEST", "SELECT ", "YES"}, {"SALES", "UPDATE", "NO"}, {"SALES_READER", "SELECT", ""}};
  const TGrantItem item{okTable, "SALES", "Orders"};
  EXPECT_EQ(GrantLines(rows, item, "HR", "ORVUSER", kSchemaAlways, ";"),
            (std::vector<std::string>{"GRANT SELECT ON TABLE SALES.\"Orders\" TO GUEST WITH GRANT OPTION", ";",
                                      "GRANT UPDATE ON TABLE SALES.\"Orders\" TO SALES", ";",
                                      "GRANT SELECT ON TABLE SALES.\"Orders\" TO SALES_READER", ";"}));
  struct Case {
    const char* owner;
    int option;
    bool prefixed;
  };
  const Case cases[] = {
      {"ORVUSER", kSchemaAlways, true},          {" ORVUSER ", kSchemaUnlessLoginUser, false},
      {"HR", kSchemaUnlessLoginUser, true},      {"SALES", kSchemaUnlessOwner, false},
      {"HR", kSchemaUnlessOwner, true},          {"SALES", 3, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.owner) + " " + std::to_string(c.option));
    const auto lines = GrantLines({rows[1]}, item, c.owner, "ORVUSER", c.option, "/");
    EXPECT_EQ(lines[0], std::string("GRANT UPDATE ON TABLE ") + (c.prefixed ? "SALES." : "") + "\"Orders\" TO SALES");
    EXPECT_EQ(lines[1], "/");
  }
}

TEST(SourceHistory, NumberingFillsGapsAndNeverReplacesAFile) {
  testing_support::TempSettings env;
  const std::string folder = env.Path("hist");
  QDir().mkpath(QString::fromStdString(folder));
  const auto touch = [&](const std::string& name) { std::ofstream(folder + "/" + name) << "x"; };
  EXPECT_EQ(HistoryFilePath(folder, "ORDERS", false), folder + "/ORDERS.SQL");
  EXPECT_EQ(HistoryFilePath(folder, "ORDERS", true), folder + "/ORDERS_00.SQL");
  touch("ORDERS_00.SQL");
  touch("ORDERS_02.SQL");
  EXPECT_EQ(HistoryFilePath(folder, "ORDERS", true), folder + "/ORDERS_01.SQL");
  touch("ORDERS_01.SQL");
  EXPECT_EQ(HistoryFilePath(folder + "/", "ORDERS", true), folder + "/ORDERS_03.SQL");
  for (int n = 3; n < 100; ++n) touch(Format("ORDERS_%.2d.SQL", {n}));
  EXPECT_EQ(HistoryFilePath(folder, "ORDERS", true), folder + "/ORDERS_100.SQL");
  touch("ORDERS_100.SQL");
  EXPECT_EQ(HistoryFilePath(folder, "ORDERS", true), folder + "/ORDERS_101.SQL");
}

TEST(SourceHistory, FolderNamesAreMadeSafeAndNameTablesFoundIgnoringCase) {
  EXPECT_EQ(HistoryFolder("/h", "A/B:C", okTable), "/h/ABC/TABLE");
  EXPECT_EQ(HistoryFolder("/h/", "S", okProcedure), "/h/S/PROCEDURE");
  // No name leaves the history folder or names it again.
  EXPECT_EQ(HistoryFolder("/h", "..", okTable), "/h/__/TABLE");
  EXPECT_EQ(HistoryFolder("/h", "../..", okTable), "/h/____/TABLE");
  EXPECT_EQ(HistoryFolder("/h", ".", okTable), "/h/_/TABLE");
  EXPECT_EQ(HistoryFolder("/h", "/", okTable), "/h/_/TABLE");
  EXPECT_EQ(HistoryFolder("/h", "A..B", okTable), "/h/A..B/TABLE");
  const std::vector<std::string> table = {"DSN1=NAMES1", "orvsample=SALES.SCRIPT_NAMES", "BAD"};
  EXPECT_EQ(NameTableFor(table, "ORVSAMPLE"), "SALES.SCRIPT_NAMES");
  EXPECT_EQ(NameTableFor(table, "DSN1"), "NAMES1");
  EXPECT_EQ(NameTableFor(table, "OTHER"), "");
}

// The dispatch on the sample connection with test editors registered.
class DispatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AppOption = TovOption();
    AppOption.Separator = ";";
    ScriptOption = TScriptOption();
    for (int kind : {okTable, okIndex, okProcedure}) {
      RegisterObjectEditor(
          kind,
          [this](TovConnectionWindow& owner, const TOpenArgs& args) -> TovForm* {
            ++opened;
            if (args.Name == "OPEN") throw EAbort();  // already shown elsewhere
            return new TestEditor(owner, args);
          },
          [this](TovConnectionWindow& owner, const TScriptArgs& args, std::ostream& stream) {
            EXPECT_EQ(&owner, &conn);
            scripts.push_back(args);
            stream << "CREATE " << args.Schema << "." << args.Name << ";\r\n";
            throw EAbort();  // a script window ends its own construction
          });
    }
  }
  void TearDown() override {
    for (int kind : {okTable, okIndex, okProcedure}) RegisterObjectEditor(kind, nullptr, nullptr);
  }

  testing_support::TempSettings env;
  testing_sample::SampleConnection conn;
  int opened = 0;
  std::vector<TScriptArgs> scripts;
};

TEST_F(DispatchTest, OpensTheRegisteredEditorAndSwallowsItsAbort) {
  auto* table = dynamic_cast<TestEditor*>(OpenObject(conn, okTable, "SALES", "ORDERS", 2, 0, 30));
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->Args, (TOpenArgs{"SALES", "ORDERS", 0, 2, 30, ""}));
  EXPECT_EQ(table->ConnectionWindow, &conn);
  delete table;

  auto* partition = dynamic_cast<TestEditor*>(OpenObject(conn, okTablePartition, "SALES", "ORDERS.P1", 0, 0, 30));
  ASSERT_NE(partition, nullptr);
  EXPECT_EQ(partition->Args.Name, "ORDERS");
  EXPECT_EQ(partition->Args.TopCount, 0);
  delete partition;

  EXPECT_EQ(OpenObject(conn, okTable, "SALES", "OPEN", 0, 0, 0), nullptr);
  EXPECT_EQ(opened, 3);
  // Kinds whose editor is not there yet open nothing, silently.
  EXPECT_EQ(OpenObject(conn, okView, "SALES", "CUSTOMER_ORDERS", 0, 0, 0), nullptr);
  EXPECT_EQ(OpenObject(conn, okUnknown, "SALES", "X", 0, 0, 0), nullptr);
  EXPECT_TRUE(env.Dialogs().messages.empty());
}

TEST_F(DispatchTest, RoutinesOfAnOldRemoteServerAreRefused) {
  conn.remote = true;
  conn.level = 9;
  EXPECT_EQ(OpenObject(conn, okProcedure, "SALES", "ADD_ORDER", 0, 0, 0), nullptr);
  ASSERT_EQ(env.Dialogs().messages.size(), 1u);
  EXPECT_EQ(env.Dialogs().messages[0].text,
            "リモート接続 でかつ データベースのバージョンがV9以前 のため、\r\nプロシージャ/ファンクションは表示できません。");
  EXPECT_EQ(env.Dialogs().messages[0].flags, static_cast<unsigned>(MB_ICONERROR));
  std::ostringstream ddl;
  GenerateDDL(conn, okProcedure, "SALES", "ADD_ORDER", ddl, "", "");
  EXPECT_EQ(ddl.str(), "");
  EXPECT_EQ(opened, 0);

  // A table of the same server, or a routine of a newer one, opens.
  delete OpenObject(conn, okTable, "SALES", "ORDERS", 0, 0, 0);
  conn.level = 10;
  delete OpenObject(conn, okProcedure, "SALES", "ADD_ORDER", 0, 0, 0);
  EXPECT_EQ(opened, 2);
}

TEST_F(DispatchTest, GenerateDDLWritesThroughTheScriptConstructor) {
  ScriptOption.Index = true;
  std::ostringstream ddl;
  GenerateDDL(conn, okTable, "SALES", "ORDERS", ddl, "HR", "ORDERS2");
  GenerateDDL(conn, okTablePartition, "SALES", "ORDERS.P1", ddl, "", "");
  GenerateDDL(conn, okView, "SALES", "CUSTOMER_ORDERS", ddl, "", "");
  EXPECT_EQ(ddl.str(), "CREATE SALES.ORDERS;\r\n");
  ASSERT_EQ(scripts.size(), 1u);
  EXPECT_EQ(scripts[0], (TScriptArgs{"SALES", "ORDERS", 0, "HR", "ORDERS2", true}));
}

TEST_F(DispatchTest, GrantStatementsOfAListedObject) {
  conn.Exec(
      "INSERT INTO RDBII_SYSTEM.RDBII_PRIVILEGES SELECT 'ORVUSER', 'GUEST', DB_CODE, SCHEMA_CODE, TABLE_CODE, 'TV', "
      "'UPDATE', 'YES' FROM RDBII_SYSTEM.RDBII_TABLE WHERE SCHEMA_NAME = 'STOCK' AND TABLE_NAME = 'ITEM'");
  std::ostringstream out;
  WriteGrantDDL(conn, {okTable, "STOCK", "ITEM"}, "STOCK", out);
  const std::string text = out.str();
  // Every privilege row, the owner's own grantable ones included, one statement and a separator each.
  const std::string guest =
      "GRANT SELECT ON TABLE STOCK.ITEM TO GUEST\r\n;\r\n"
      "GRANT UPDATE ON TABLE STOCK.ITEM TO GUEST WITH GRANT OPTION\r\n;\r\n";
  EXPECT_EQ(text.substr(0, guest.size()), guest);
  EXPECT_NE(text.find("\r\nGRANT INSERT ON TABLE STOCK.ITEM TO ORVUSER WITH GRANT OPTION\r\n;\r\n"), std::string::npos);
  EXPECT_TRUE(conn.Module().Connection.InTransaction());

  std::ostringstream role;
  ScriptOption.Schema = kSchemaUnlessOwner;
  WriteGrantDDL(conn, {okView, "SALES", "CUSTOMER_ORDERS"}, "SALES", role);
  EXPECT_NE(role.str().find("\r\nGRANT SELECT ON TABLE CUSTOMER_ORDERS TO SALES_READER\r\n;\r\n"), std::string::npos);
  EXPECT_EQ(role.str().find("SALES_READER WITH"), std::string::npos);

  std::ostringstream index;
  WriteGrantDDL(conn, {okIndex, "SALES", "ORDERS_CUST"}, "SALES", index);
  EXPECT_EQ(index.str(), "");
  std::ostringstream unknown;
  WriteGrantDDL(conn, {okTable, "SALES", "NO_SUCH"}, "SALES", unknown);
  EXPECT_EQ(unknown.str(), "");
}

TEST_F(DispatchTest, SourceHistoryWritesTheDDLBeforeAndAfterAChange) {
  const std::string dir = env.Path("before");
  AppOption.SaveBeforeSource = true;
  AppOption.SaveBeforeSrcDir = dir;
  AppOption.SaveBeforeSrcRenum = true;
  AppOption.SaveBeforeSrcHead = true;
  ShortDateFormat = "yyyy/MM/dd";
  SaveSourceBefore(conn, "SALES", "ORDERS", okTable);
  SaveSourceBefore(conn, "SALES", "ORDERS", okTable);
  const std::string first = ReadFile(dir + "/SALES/TABLE/ORDERS_00.SQL");
  EXPECT_EQ(first.substr(0, 3), "-- ");
  EXPECT_NE(first.find(" 変更前ソース\r\nCREATE SALES.ORDERS;\r\n"), std::string::npos);
  EXPECT_TRUE(QFile::exists(QString::fromStdString(dir + "/SALES/TABLE/ORDERS_01.SQL")));

  // The after side is off: nothing is written.
  SaveSourceAfter(conn, "SALES", "ORDERS", okTable);
  EXPECT_EQ(scripts.size(), 2u);

  // A name table of the data source names the file; the dialog may move it or cancel.
  conn.Exec("CREATE TABLE SALES.SCRIPT_NAMES (DB_NAME CHAR(20), SCHEMA_NAME CHAR(20), OBJECT_NAME CHAR(20), "
            "OBJECT_TYPE CHAR(20), SCRIPT_NAME CHAR(40))");
  conn.Exec("INSERT INTO SALES.SCRIPT_NAMES VALUES ('ORVSAMPLE', 'SALES', 'ORDERS', 'TABLE', 'orders_ddl  ')");
  ScriptOption.NameTable = {"orvsample=SALES.SCRIPT_NAMES"};
  AppOption.SaveAfterSource = true;
  AppOption.SaveAfterSrcDir = env.Path("after") + "/";
  AppOption.SaveAfterSrcDialog = true;
  env.Dialogs().QueueFile(std::nullopt);
  SaveSourceAfter(conn, "SALES", "ORDERS", okTable);
  ASSERT_EQ(env.Dialogs().files.size(), 1u);
  EXPECT_EQ(env.Dialogs().files[0].caption, "変更後ソースの保存");
  EXPECT_EQ(env.Dialogs().files[0].fileName, env.Path("after") + "/SALES/TABLE/orders_ddl.SQL");
  EXPECT_EQ(scripts.size(), 2u);
  const std::string chosen = env.Path("chosen.sql");
  env.Dialogs().QueueFile(chosen);
  SaveSourceAfter(conn, "SALES", "CUSTOMER", okTable);  // no row in the name table
  EXPECT_EQ(env.Dialogs().files[1].fileName, env.Path("after") + "/SALES/TABLE/CUSTOMER.SQL");
  EXPECT_EQ(ReadFile(chosen), "CREATE SALES.CUSTOMER;\r\n");
}

TEST_F(DispatchTest, HistoryFileThatCannotBeCreatedRaises) {
  std::ofstream(env.Path("blocker")) << "a file, not a folder";
  AppOption.SaveBeforeSource = true;
  AppOption.SaveBeforeSrcDir = env.Path("blocker");
  EXPECT_THROW(SaveSourceBefore(conn, "SALES", "ORDERS", okTable), std::runtime_error);
}

}  // namespace
