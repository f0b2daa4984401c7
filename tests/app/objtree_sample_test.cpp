#include <gtest/gtest.h>

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QTest>
#include <QTreeWidget>

#include "app/fmain.h"
#include "app/fobjtree.h"
#include "app/core/ovkinds.h"
#include "app/core/ovwhere.h"
#include "app/core/ovreg.h"
#include "app/core/zarur.h"
#include "platform/gui/qtplatform.h"
#include "tests/app/objtree_sample.h"
#include "tests/platform/temp_settings.h"
#include "ui/ovcomctrls.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

// The connection window's tree, list, find box and list query on the
// sample, with the settings every case starts from.
class SampleTreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AppOption = TovOption();
    AppOption.TypeTable = AppOption.TypeIndex = AppOption.TypeView = AppOption.TypeProc = true;
    AppOption.TypeFunc = AppOption.TypeTrigger = AppOption.TypeSeq = true;
    AppOption.TreeData = true;
    AppOption.TempDir = env.Path("temp");
    find.setEditable(true);
    view.Tree = &tree;
    view.List = &list;
    view.Find = &find;
    view.Query = &qryObject;
    view.ColumnKey = &columnKey;
  }

  void Build(int filter = kFilterAllSchemas) {
    view.SchemaFilter = filter;
    BuildObjectTree(conn, tree, filter);
  }

  // Selects the node at the path of texts below the root and fills the list.
  void Select(const std::vector<std::string>& path, bool skipFind = false) {
    QTreeWidgetItem* item = tree.topLevelItem(0);
    for (const std::string& text : path) {
      QTreeWidgetItem* next = nullptr;
      for (int i = 0; i < item->childCount(); ++i)
        if (item->child(i)->text(0).toStdString() == text) next = item->child(i);
      ASSERT_NE(next, nullptr) << text;
      item = next;
    }
    tree.setCurrentItem(item);
    FillObjectList(conn, view, skipFind);
  }

  Rows ListRows() const {
    Rows rows;
    for (int i = 0; i < list.topLevelItemCount(); ++i) {
      std::vector<std::string> row;
      for (int c = 0; c < list.columnCount(); ++c) row.push_back(list.topLevelItem(i)->text(c).toStdString());
      rows.push_back(row);
    }
    return rows;
  }

  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& row : ListRows()) names.push_back(row[0] + "@" + row[1]);
    return names;
  }

  std::vector<std::string> Headers() const {
    std::vector<std::string> headers;
    for (int c = 0; c < list.columnCount(); ++c) headers.push_back(list.headerItem()->text(c).toStdString());
    return headers;
  }

  testing_support::TempSettings env;
  testing_sample::SampleConnection conn;
  QTreeWidget tree;
  TovListView list;
  QComboBox find;
  TovSQLQuery qryObject{&conn.Module().Connection};
  std::string columnKey;
  TObjectListView view;
};

std::vector<std::string> Children(QTreeWidgetItem* item) {
  std::vector<std::string> texts;
  for (int i = 0; i < item->childCount(); ++i) texts.push_back(item->child(i)->text(0).toStdString());
  return texts;
}

TEST_F(SampleTreeTest, TreeShowsTheUsersSchemasInBothOrdersWithTheStoredFilter) {
  conn.Exec("CREATE SCHEMA ORVUSER");
  AppOption.UserFirst = true;
  Build();
  QTreeWidgetItem* root = tree.topLevelItem(0);
  EXPECT_EQ(root->text(0), "ORVSAMPLE");
  EXPECT_EQ(Children(root), (std::vector<std::string>{"ORVUSER", "HR", "SALES", "STOCK"}));
  EXPECT_EQ(Children(root->child(1)),
            (std::vector<std::string>{"TABLE", "INDEX", "VIEW", "PROCEDURE", "FUNCTION", "TRIGGER", "SEQUENCE"}));
  EXPECT_EQ(tree.currentItem(), root->child(0));

  AppOption.UserFirst = false;
  AppOption.TreeSort = kTreeByKind;
  AppOption.TypeIndex = AppOption.TypeProc = AppOption.TypeFunc = AppOption.TypeTrigger = false;
  TovRegistry reg;
  ASSERT_TRUE(reg.OpenKey(ObjectTreeKey("ORVSAMPLE"), true));
  reg.WriteString("Schema", "STOCK\r\nHR\r\n");
  reg.CloseKey();
  Build(kFilterStoredSchemas);
  root = tree.topLevelItem(0);
  EXPECT_EQ(tree.currentItem(), root);
  EXPECT_EQ(Children(root), (std::vector<std::string>{"TABLE", "VIEW", "SEQUENCE"}));
  EXPECT_EQ(Children(root->child(0)), (std::vector<std::string>{"HR", "STOCK"}));
}

TEST_F(SampleTreeTest, ListColumnsAndRowsPerKindAndLevel) {
  Build();
  struct Case {
    std::string schema;
    std::string kind;
    int level;
    std::string key;
    Rows rows;
  };
  const Case cases[] = {
      {"SALES", "TABLE", 9, "TABLE",
       {{"CUSTOMER", "SALES", "TABLE", "", "顧客マスタ"}, {"ORDERS", "SALES", "TABLE", "", "受注明細"}}},
      {"HR", "INDEX", 10, "INDEX", {{"EMPLOYEE_DEPT", "HR", "INDEX", "EMPLOYEE", "HR", " ", ""}}},
      {"SALES", "TRIGGER", 10, "TRIGGER", {{"ORDERS_CHECK", "SALES", "TRIGGER", "UPDATE", "BEFORE", "ORDERS", "SALES",
                                              ""}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    conn.level = c.level;
    Select({c.schema, c.kind});
    EXPECT_EQ(columnKey, c.key);
    Rows rows = ListRows();
    ASSERT_EQ(rows.size(), c.rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
      // Creation times are the catalogue's; only their presence is checked.
      const int createTime = ObjectListLayout(c.kind, true, c.level).CreateTimeField - 1;
      EXPECT_FALSE(rows[i][static_cast<size_t>(createTime)].empty());
      rows[i][static_cast<size_t>(createTime)] = "";
      EXPECT_EQ(rows[i], c.rows[i]);
    }
    EXPECT_EQ(ItemImage(*list.topLevelItem(0)), ObjectKindFromName(c.kind));
  }
  conn.level = 10;
  Select({"SALES", "VIEW"});
  EXPECT_EQ(Headers(), (std::vector<std::string>{"オブジェクト名", "所有者", "タイプ", "ﾃﾞｰﾀﾍﾞｰｽｽﾍﾟｰｽ名", "更新可能",
                                                 "作成日時", "コメント"}));
  EXPECT_EQ(Names(), (std::vector<std::string>{"CUSTOMER_ORDERS@SALES"}));
}

TEST_F(SampleTreeTest, SequenceRowShowsItsCurrentValue) {
  Build();
  Select({"SALES", "SEQUENCE"});
  ASSERT_EQ(ListRows().size(), 1u);
  const auto row = ListRows()[0];
  EXPECT_EQ(row[0], "ORDER_SEQ");
  EXPECT_EQ(row[3], "1002");  // the current value, not the start value
  EXPECT_EQ(row[4], "1");
  EXPECT_EQ(row[10], CreateTimeText("2026-01-05 09:00:00"));
  EXPECT_EQ(list.topLevelItem(0)->textAlignment(3) & Qt::AlignRight, Qt::AlignRight);
}

TEST_F(SampleTreeTest, RoutinesAndTreeDataOffUseTheGeneralQuery) {
  Build();
  Select({"SALES", "PROCEDURE"});
  EXPECT_EQ(columnKey, "SOURCE");
  EXPECT_EQ(Names(), (std::vector<std::string>{"ADD_ORDER@SALES"}));
  EXPECT_EQ(ItemImage(*list.topLevelItem(0)), okProcedure);
  Select({"SALES", "FUNCTION"});
  EXPECT_EQ(Names(), (std::vector<std::string>{"TAX_RATE@SALES"}));

  AppOption.TreeData = false;
  Select({"STOCK", "TABLE"});
  EXPECT_EQ(columnKey, "SOURCE");
  EXPECT_EQ(Headers(), (std::vector<std::string>{"オブジェクト名", "所有者", "タイプ", "作成日時", "コメント"}));
  EXPECT_EQ(Names(), (std::vector<std::string>{"INVENTORY@STOCK", "ITEM@STOCK"}));
}

TEST_F(SampleTreeTest, UpperLevelsFollowTheirSettings) {
  Build();
  Select({});
  EXPECT_EQ(list.columnCount(), 0);
  EXPECT_EQ(list.topLevelItemCount(), 0);

  AppOption.ShowLevel0 = true;
  Select({});
  EXPECT_EQ(columnKey, "SOURCE");
  // Every object of the user's schemas, through the general query.
  EXPECT_EQ(list.topLevelItemCount(), 14);

  AppOption.ShowLevel1 = true;
  Select({"HR"});
  EXPECT_EQ(Names(), (std::vector<std::string>{"DEPT@HR", "DEPT_MEMBERS@HR", "EMPLOYEE@HR", "EMPLOYEE_DEPT@HR"}));
}

TEST_F(SampleTreeTest, ByKindWithoutAStoredListShowsTheLoginUsersSchemaOnly) {
  AppOption.TreeSort = kTreeByKind;
  AppOption.ShowLevel1 = true;
  Build();
  Select({"TABLE"});
  EXPECT_EQ(list.topLevelItemCount(), 0);  // ORVUSER owns no schema of its name
  // A table of a schema named like the login user, as the catalogue lists it.
  conn.level = 9;
  conn.Exec("UPDATE RDBII_SYSTEM.RDBII_TABLE SET SCHEMA_NAME = 'ORVUSER' WHERE TABLE_NAME = 'ITEM'");
  Select({"TABLE"});
  EXPECT_EQ(Names(), (std::vector<std::string>{"ITEM@ORVUSER"}));
}

TEST_F(SampleTreeTest, FindBoxNarrowsAndKeepsItsHistory) {
  AppOption.Find = AppOption.FindAuto = true;
  Build();
  find.setEditText("ORD");
  Select({"SALES", "TABLE"});
  EXPECT_EQ(Names(), (std::vector<std::string>{"ORDERS@SALES"}));
  find.setEditText("CUST");
  Select({"SALES", "TABLE"});
  EXPECT_EQ(Names(), (std::vector<std::string>{"CUSTOMER@SALES"}));
  find.setEditText("ORD");
  Select({"SALES", "TABLE"});
  std::vector<std::string> saved;
  LoadWhereHistory("%", "%", saved);
  EXPECT_EQ(saved, (std::vector<std::string>{"ORD", "CUST"}));
  ASSERT_EQ(find.count(), 2);
  EXPECT_EQ(find.itemText(0), "ORD");

  // A pattern with "%" is used as typed; a skipped find box lists all.
  find.setEditText("%MER");
  Select({"SALES", "TABLE"});
  EXPECT_EQ(Names(), (std::vector<std::string>{"CUSTOMER@SALES"}));
  Select({"SALES", "TABLE"}, true);
  EXPECT_EQ(list.topLevelItemCount(), 2);
}

TEST_F(SampleTreeTest, SwitchingLayoutsSavesTheWidthsOfTheOldOne) {
  conn.level = 10;
  Build();
  Select({"SALES", "TABLE"});
  ASSERT_EQ(list.columnCount(), 6);
  list.setColumnWidth(5, 333);
  Select({"SALES", "PROCEDURE"});
  TovRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kObjectWindowKey, false));
  for (int i = 0; i < 6; ++i) EXPECT_TRUE(reg.ValueExists("TABLE" + std::to_string(i))) << i;
  EXPECT_EQ(reg.ReadInteger("TABLE5"), 333);
  reg.CloseKey();
  Select({"SALES", "TABLE"});
  EXPECT_EQ(list.columnWidth(5), 333);
  EXPECT_EQ(list.columnWidth(0), 200);
}

TEST_F(SampleTreeTest, EscapeStopsAFillKeepingTheRowsRead) {
  const TListLayout layout = ObjectListLayout("%", true, 10);
  const TListQuery q = ObjectListQuery(layout.Key, 10, "ORVSAMPLE", conn.GetDBCode("ORVSAMPLE"),
                                       SchemaCondition("%", {"HR", "SALES", "STOCK"}, "ORVUSER"), "%", "%");
  qryObject.SetSQL(q.SQL);
  qryObject.Parameters()[0].Value = QString::fromStdString(q.Values[0]);
  qryObject.Open();
  ASSERT_GT(qryObject.RecordCount(), 3u);
  list.setColumnCount(5);
  int polls = 0;
  std::vector<int> progress;
  TFillHooks hooks;
  hooks.PaceMillis = 0;  // due before every row
  hooks.EscapePressed = [&] { return ++polls > 3; };
  hooks.Progress = [&](int done) { progress.push_back(done); };
  EXPECT_EQ(FillListRows(qryObject, list, layout, hooks), 3);
  EXPECT_EQ(list.topLevelItemCount(), 3);
  EXPECT_EQ(progress, (std::vector<int>{1, 2, 3}));
}

// A catalogue read that fails before the list query (the schema list of
// the root) leaves the cursor and the list as every other end of a fill does.
TEST_F(SampleTreeTest, ACatalogueErrorBeforeTheQueryStillCleansUp) {
  AppOption.ShowLevel0 = true;
  Build();
  conn.Exec("DROP VIEW RDBII_SYSTEM.SCHEMATA");
  EXPECT_THROW(Select({}), EDatabaseError);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_TRUE(list.updatesEnabled());
  EXPECT_FALSE(list.signalsBlocked());
}

// Painting and polling per row cost more than the rows: a fill that takes
// less than the pace paints and polls once, then hands over the rest.
TEST_F(SampleTreeTest, ProgressAndEscPollingFollowThePaceNotTheRows) {
  const TListLayout layout = ObjectListLayout("%", true, 10);
  const TListQuery q = ObjectListQuery(layout.Key, 10, "ORVSAMPLE", conn.GetDBCode("ORVSAMPLE"),
                                       SchemaCondition("%", {"HR", "SALES", "STOCK"}, "ORVUSER"), "%", "%");
  qryObject.SetSQL(q.SQL);
  qryObject.Parameters()[0].Value = QString::fromStdString(q.Values[0]);
  qryObject.Open();
  list.setColumnCount(5);
  int polls = 0;
  std::vector<int> progress;
  TFillHooks hooks;
  hooks.PaceMillis = 60 * 60 * 1000;
  hooks.EscapePressed = [&] { return ++polls < 0; };
  hooks.Progress = [&](int done) { progress.push_back(done); };
  const int rows = static_cast<int>(qryObject.RecordCount());
  EXPECT_EQ(FillListRows(qryObject, list, layout, hooks), rows);
  EXPECT_EQ(polls, 1);
  EXPECT_EQ(progress, std::vector<int>{rows});
}

TEST_F(SampleTreeTest, FailingQueryRaisesAfterTheCleanup) {
  Build();
  conn.Exec("DROP TABLE RDBII_SYSTEM.RDBII_TRIGGER");
  EXPECT_THROW(Select({"SALES", "TRIGGER"}), EDatabaseError);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_FALSE(qryObject.Active());
  EXPECT_TRUE(list.updatesEnabled());
  EXPECT_FALSE(list.signalsBlocked());
}

}  // namespace

namespace {

TEST_F(SampleTreeTest, FillShowsProgressAndEscPressedBeforeTheFirstRowStopsIt) {
  platform::SetInput(platform::MakeQtWindowInput());
  TfrmMain main;
  view.Main = &main;
  AppOption.ShowLevel0 = true;
  Build();
  list.show();
  list.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&list));
  QCoreApplication::postEvent(&list, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
  Select({});
  EXPECT_EQ(main.StatusPanel(2)->text(), " [ESC]キーを押すと処理を中断");
  EXPECT_EQ(list.columnCount(), 5);
  EXPECT_EQ(list.topLevelItemCount(), 0);
  Select({});  // no Esc this time
  EXPECT_EQ(list.topLevelItemCount(), 14);
}

}  // namespace

TEST_F(SampleTreeTest, ListSortsByATitleClickAndKeepsItsOrderOnRefill) {
  Build();
  conn.level = 9;
  Select({"SALES", "TABLE"});
  EXPECT_EQ(Names(), (std::vector<std::string>{"CUSTOMER@SALES", "ORDERS@SALES"}));
  EXPECT_FALSE(list.topLevelItem(0)->icon(0).isNull());
  list.ColumnClick(0);
  EXPECT_EQ(Names(), (std::vector<std::string>{"ORDERS@SALES", "CUSTOMER@SALES"}));
  Select({"SALES", "TABLE"});
  EXPECT_EQ(Names(), (std::vector<std::string>{"ORDERS@SALES", "CUSTOMER@SALES"})) << "the fill ends sorted by the list's order";
}
