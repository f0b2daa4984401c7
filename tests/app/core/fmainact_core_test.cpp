#include "app/core/fmainactcore.h"

#include <gtest/gtest.h>

#include <set>

#include "app/core/ovconst.h"
#include "app/core/ovkinds.h"
#include "app/core/ovoptions.h"
#include "app/core/ovshortcut.h"
#include "tests/app/objtree_sample.h"
#include "tests/platform/temp_settings.h"

namespace {

TEST(ShortCutTable, EveryDefaultShortCutConvertsBothWays) {
  for (const auto& sc : DefaultShortCuts()) {
    if (sc.Keys.empty()) continue;
    SCOPED_TRACE(sc.Name);
    const int code = TextToShortCut(sc.Keys);
    ASSERT_NE(code, kScNone);
    EXPECT_EQ(ShortCutToText(code), sc.Keys);
    EXPECT_EQ(KeySequenceToShortCut(ShortCutToKeySequence(code)), code);
  }
}

TEST(ShortCutTable, TextsCodesAndQtKeysMatch) {
  struct Case {
    std::string text;
    int code;
    QKeySequence keys;
  };
  const Case cases[] = {
      {"Ctrl+S", kScCtrl | 'S', QKeySequence(Qt::CTRL | Qt::Key_S)},
      {"Shift+F3", kScShift | 0x72, QKeySequence(Qt::SHIFT | Qt::Key_F3)},
      {"Ctrl+-", kScCtrl | 0xBD, QKeySequence(Qt::CTRL | Qt::Key_Minus)},
      {"Del", 0x2E, QKeySequence(Qt::Key_Delete)},
      {"F5", 0x74, QKeySequence(Qt::Key_F5)},
      {"Alt+X", kScAlt | 'X', QKeySequence(Qt::ALT | Qt::Key_X)},
      {"Shift+Ctrl+Alt+1", kScShift | kScCtrl | kScAlt | '1', QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::ALT | Qt::Key_1)},
      {"Ctrl+F24", kScCtrl | 0x87, QKeySequence(Qt::CTRL | Qt::Key_F24)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(TextToShortCut(c.text), c.code);
    EXPECT_EQ(ShortCutToText(c.code), c.text);
    EXPECT_EQ(ShortCutToKeySequence(c.code), c.keys);
    EXPECT_EQ(KeySequenceToShortCut(c.keys), c.code);
  }
  EXPECT_EQ(TextToShortCut("ctrl+s"), kScCtrl | 'S');
}

TEST(ShortCutTable, NoneAndUnknownKeysGiveNothing) {
  EXPECT_EQ(TextToShortCut(""), kScNone);
  EXPECT_EQ(TextToShortCut("Ctrl+"), kScNone);
  EXPECT_EQ(TextToShortCut("Ctrl+Banana"), kScNone);
  EXPECT_EQ(ShortCutToText(kScNone), "");
  EXPECT_EQ(ShortCutToText(kScCtrl | 0xFF), "");  // no such key
  EXPECT_TRUE(ShortCutToKeySequence(kScCtrl | 0xFF).isEmpty());
  EXPECT_TRUE(ShortCutToKeySequence(kScNone).isEmpty());
  EXPECT_EQ(KeySequenceToShortCut(QKeySequence()), kScNone);
  EXPECT_EQ(KeySequenceToShortCut(QKeySequence(Qt::META | Qt::Key_S)), kScNone);
  EXPECT_EQ(KeySequenceToShortCut(QKeySequence(Qt::CTRL | Qt::Key_K, Qt::CTRL | Qt::Key_C)), kScNone);
  EXPECT_EQ(KeySequenceToShortCut(QKeySequence(Qt::Key_Eacute)), kScNone);
}

TEST(ReportItems, LookUpByKeyAndCaption) {
  EXPECT_EQ(FindReportItem("VIEW", kReportItemKey), 2);
  EXPECT_EQ(FindReportItem("view", kReportItemKey), 0);
  EXPECT_EQ(FindReportItem("表名", kReportItemCaption), 10);
  EXPECT_EQ(FindReportItem("VIEWNAME", kReportItemKey), 15);
  EXPECT_EQ(FindReportItem("CONSTVALUE", kReportItemKey), 27);
  EXPECT_EQ(FindReportItem("nothing", kReportItemKey), 0);
  EXPECT_EQ(FindReportItem("OBJECT", kReportItemKey), 0);
  EXPECT_EQ(FindReportItem("TABLE", kReportItemCaption), 0);
}

TEST(MainActions, NamesAreUniqueAndEverySettingHasItsAction) {
  std::set<std::string> names;
  for (const auto& a : MainActions()) {
    EXPECT_TRUE(names.insert(a.Name).second) << a.Name;
  }
  std::set<std::string> settings;
  for (const auto& a : MainActions()) {
    if (!ShortCutSettingName(a.Name).empty()) settings.insert(ShortCutSettingName(a.Name));
  }
  for (const auto& sc : DefaultShortCuts()) {
    EXPECT_TRUE(settings.count(sc.Name)) << sc.Name;
  }
  EXPECT_EQ(ShortCutSettingName("actDelete"), "ObjectDelete");
  EXPECT_EQ(ShortCutSettingName("actEditOpen"), "EditOpen");
  EXPECT_EQ(ShortCutSettingName("actViewField"), "");
  EXPECT_EQ(DefaultActionKeys("actViewField"), "Ctrl+T");
  EXPECT_EQ(DefaultActionKeys("actDelete"), "Del");
  EXPECT_EQ(DefaultActionKeys("actEditComment"), "Ctrl+-");
  EXPECT_EQ(ShortHint("COMMIT|現在継続中のトランザクション操作を確定します。"), "COMMIT");
  EXPECT_EQ(ShortHint("元に戻す"), "元に戻す");
}

TEST(MainActions, MenusNameOnlyKnownActionsAndNoObjectListAction) {
  std::vector<std::string> captions;
  for (const auto& menu : MainMenus()) {
    captions.push_back(menu.Caption);
    for (const auto& item : menu.Items) {
      if (item.rfind("act", 0) != 0) continue;
      const TActionDef* def = FindActionDef(item);
      ASSERT_NE(def, nullptr) << item;
      if (item != "actAdminJob") {
        EXPECT_NE(def->Runner, TActionRunner::ShortCutOnly) << item;
      }
    }
  }
  EXPECT_EQ(captions, (std::vector<std::string>{"表示(&V)", "ファイル(&F)", "編集(&E)", "管理(&A)", "ツール(&T)",
                                                "ウィンドウ(&W)", "ヘルプ(&H)"}));
}

// The state of the rules' subjects in one connection state.
struct RuleCase {
  const char* what;
  TConnectionState state;
  std::map<std::string, bool> enabled;
};

TEST(ConnectionStateRules, EachStateGivesTheListedActionsTheirState) {
  const TConnectionState none{0, false, false, 0, false, true};
  const TConnectionState local{1, true, false, 10, false, false};
  const TConnectionState remote9{1, true, true, 9, false, true};
  const TConnectionState remote10{2, true, true, 10, false, true};
  const TConnectionState reduced{1, true, false, 10, true, true};
  const RuleCase cases[] = {
      {"no connection", none,
       {{"actDBCommit", false}, {"actDBRollback", false}, {"actDBLogoff", false}, {"actViewSQL", false},
        {"actViewScript", false}, {"actViewField", false}, {"actViewTemplate", false}, {"actViewComp", false},
        {"actViewSQLCatch", false}, {"actViewSQLCRUD", false}, {"actToolIndexAdviser", false}, {"actAdminUser", false},
        {"actAdminStorage", false}, {"actAdminLoad", false}, {"btnNewTable", false}, {"btnNewProc", false},
        {"actToolCommandSetup", true}, {kUserCommandItems, true}}},
      {"local, AutoCommit off", local,
       {{"actDBCommit", true}, {"actDBRollback", true}, {"actDBLogoff", true}, {"actAdminUser", true},
        {"actAdminStorage", true}, {"actAdminSession", true}, {"actAdminExport", true}, {"actAnalyze", true},
        {"actExport", true}, {"actLoad", true}, {"actViewSQLCatch", true}, {"btnNewProc", true},
        {"btnNewFunc", true}, {"btnNewTable", true}, {"actAdminDustBox", false}}},
      {"remote at level 9", remote9,
       {{"actDBCommit", false}, {"actAdminUser", true}, {"actViewComp", true}, {"actAdminStorage", false},
        {"actAdminDatabase", false}, {"actToolIndexAdviser", false}, {"actViewSQLCRUD", false}, {"actLoad", false},
        {"btnNewProc", false}, {"btnNewFunc", false}, {"btnNewTable", true}, {"btnNewSequence", true},
        {"actViewSQL", true}}},
      {"remote at level 10", remote10,
       {{"btnNewProc", true}, {"btnNewFunc", true}, {"actAdminSession", false}, {"actAdminUser", true}}},
      {"reduced level", reduced,
       {{"actAdminStorage", false}, {"actAdminExport", false}, {"actAdminImport", false}, {"actAdminLoad", false},
        {"actAdminSession", true}, {"actAdminLock", true}, {"actExport", true}, {"actDBCommit", false}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto states = ConnectionStateRules(c.state);
    for (const auto& [name, enabled] : c.enabled) {
      ASSERT_TRUE(states.count(name)) << name;
      EXPECT_EQ(states.at(name).Enabled, enabled) << name;
    }
    EXPECT_FALSE(states.at("actAdminJob").Visible);
  }
  // Without a current connection the connection window's own actions keep their state.
  EXPECT_FALSE(ConnectionStateRules(none).count("actAnalyze"));
  EXPECT_FALSE(CommitRollbackEnabled(1, true));
  EXPECT_TRUE(CommitRollbackEnabled(1, false));
  EXPECT_FALSE(CommitRollbackEnabled(0, false));
}

TEST(ActionHandlers, RegisteringCallsTheListenerAndTheLastOneHolds) {
  ClearActionHandlers();
  int calls = 0;
  SetActionHandlerListener([&calls] { ++calls; });
  EXPECT_EQ(ActionHandler("actViewSQL"), nullptr);
  RegisterActionHandler("actViewSQL", [](const TActionRequest&) { return false; });
  RegisterActionHandler("actViewSQL", [](const TActionRequest&) { return true; });
  ASSERT_NE(ActionHandler("actViewSQL"), nullptr);
  EXPECT_TRUE((*ActionHandler("actViewSQL"))({}));
  EXPECT_EQ(calls, 2);
  SetActionHandlerListener(nullptr);
  ClearActionHandlers();
}

TEST(Definitions, TheSelectedTextNamesAnObject) {
  EXPECT_EQ(NamedObject("sales.orders", "ORVUSER"), (TNamedObject{"SALES", "ORDERS", true}));
  EXPECT_EQ(NamedObject("customer", "SALES"), (TNamedObject{"SALES", "CUSTOMER", false}));
  EXPECT_EQ(NamedObject("a.b.c", "U"), (TNamedObject{"A", "B.C", true}));
  EXPECT_NE(DefinitionSQL(true).find("= :NAME AND TRIM(SCHEMA_NAME) = :OWNER"), std::string::npos);
  EXPECT_NE(DefinitionSQL(false).find("= :NAME AND (TRIM(SCHEMA_NAME) = :OWNER)"), std::string::npos);
  EXPECT_NE(DefinitionSQL(false).find("B.TABLE_CODE  UNION SELECT 'VIEW'"), std::string::npos);
}

TEST(Definitions, TheCatalogueStatementFindsEachKindOnTheSample) {
  TestApp();
  testing_support::TempSettings env;
  testing_sample::SampleConnection conn;
  struct Case {
    std::string selected;
    std::string user;
    std::vector<TDefinedObject> want;
  };
  const Case cases[] = {
      {"sales.orders", "ORVUSER", {{okTable, "SALES"}}},
      {"CUSTOMER_ORDERS", "SALES", {{okView, "SALES"}}},
      {"hr.employee_dept", "ORVUSER", {{okIndex, "HR"}}},
      {"ORDERS", "HR", {}},
      {"nothing", "SALES", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.selected);
    EXPECT_EQ(FindDefinitions(conn, NamedObject(c.selected, c.user)), c.want);
  }
}

}  // namespace
