#include "ui/core/ovclientds.h"

#include <gtest/gtest.h>

#include <chrono>

#include <algorithm>
#include <functional>
#include <numeric>

#include "standin/symfoware/standin.h"
#include "tests/standin/grid_fixture.h"
#include "tests/standin/odbc_fixture.h"
#include "ui/core/ovresolver.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

// A stand-in schema with a table of every kind of value, identical rows,
// a null, and a view over the table.
class ClientDataSetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_grids::ConnectStandin(odbc_, connection_);
    Exec("CREATE SCHEMA S");
    Exec("CREATE TABLE S.T (ID INTEGER, NAME VARCHAR(20), PRICE DECIMAL(9,2), NOTE VARCHAR(40))");
    Exec("INSERT INTO S.T VALUES (1, 'pen', 0.5, NULL)");
    Exec("INSERT INTO S.T VALUES (2, 'ink', 2, 'a\tb')");
    Exec("INSERT INTO S.T VALUES (3, 'twin', 1, 'x')");
    Exec("INSERT INTO S.T VALUES (3, 'twin', 1, 'x')");
    Exec("CREATE VIEW S.V AS SELECT ID, NAME FROM S.T");
  }

  void Exec(const std::string& sql) {
    TovSQLQuery q(&connection_);
    q.SetSQL(sql);
    q.ExecSQL();
  }

  Rows Select(const std::string& sql) {
    TovSQLQuery q(&connection_);
    q.SetSQL(sql);
    q.Open();
    Rows rows;
    for (; !q.Eof(); q.Next()) {
      std::vector<std::string> row;
      for (size_t i = 0; i < q.Fields().size(); ++i) row.push_back(q.Value(i).isNull() ? "<null>" : q.AsString(i));
      rows.push_back(row);
    }
    return rows;
  }

  void OpenTable(const std::string& sql = "SELECT ID, NAME, PRICE, NOTE FROM S.T ORDER BY ID") {
    query_.SetSQL(sql);
    data_.Open(query_, &resolver_);
  }

  testing_odbc::OdbcFixture odbc_;
  TovSQLConnection connection_;
  TovSQLQuery query_{&connection_};
  TovSQLResolver resolver_{connection_};
  TovClientDataSet data_;
};


// Changes both change tables make: an edit, an insert and a delete, all
// cached; and a delete of the last record.
void EditInsertAndDelete(TovClientDataSet& d) {
  d.SetFieldText(1, "gone");
  d.Post();
  d.Append();
  d.SetFieldText(0, "8");
  d.Post();
  d.First();
  d.Next();
  d.Delete();
}

void DeleteLast(TovClientDataSet& d) {
  d.Last();
  d.Delete();
}

}  // namespace

TEST_F(ClientDataSetTest, FieldsFromTheQuery) {
  OpenTable("SELECT ID, NAME, PRICE, ID + 1 AS NEXT_ID FROM S.T");
  ASSERT_EQ(data_.FieldCount(), 4);
  const TovField& name = data_.Fields()[1];
  EXPECT_EQ(name.DataType, TFieldType::ftString);
  EXPECT_EQ(name.DisplayWidth, 20);
  EXPECT_EQ(data_.Fields()[0].Alignment, TAlignment::taRightJustify);
  EXPECT_EQ(data_.Fields()[2].DisplayWidth, 11) << "precision 9, sign and point";
  EXPECT_FALSE(name.ReadOnly);
  EXPECT_TRUE(data_.Fields()[3].ReadOnly) << "computed";
  EXPECT_TRUE(data_.CanModify());
  EXPECT_EQ(DefaultDisplayWidth(TFieldType::ftDateTime, -1, -1), 18);
  EXPECT_EQ(data_.FieldText(2), "0.5");
  EXPECT_TRUE(data_.IsNull(3) == false);
}

TEST_F(ClientDataSetTest, ViewResultIsReadOnly) {
  OpenTable("SELECT ID, NAME FROM S.V");
  EXPECT_FALSE(data_.CanModify());
  EXPECT_THROW(data_.Edit(), EDatabaseError);
  EXPECT_THROW(data_.Insert(), EDatabaseError);
}

TEST_F(ClientDataSetTest, PacketsNavigationAndStableBookmarks) {
  for (int i = 10; i < 260; ++i) Exec("INSERT INTO S.T VALUES (" + std::to_string(i) + ", 'n', 1, NULL)");
  data_.PacketRecords = 10;
  OpenTable();
  EXPECT_FALSE(data_.AllFetched());
  EXPECT_EQ(data_.RecNo(), 1);
  EXPECT_EQ(data_.MoveBy(25), 25);
  EXPECT_EQ(data_.RecNo(), 26);
  data_.Last();
  EXPECT_TRUE(data_.AllFetched());
  EXPECT_TRUE(data_.Eof());
  EXPECT_EQ(data_.RecordCount(), 254);
  EXPECT_EQ(data_.AsString(0), "259");
  EXPECT_EQ(data_.MoveBy(1), 0);
  EXPECT_TRUE(data_.Eof());

  data_.SetRecNo(3);
  const TBookmark third = data_.Bookmark();
  data_.SetRecNo(5);
  const TBookmark fifth = data_.Bookmark();
  EXPECT_LT(data_.CompareBookmarks(third, fifth), 0);
  data_.SetRecNo(4);
  data_.Insert();
  data_.SetFieldText(0, "100");
  data_.Post();
  data_.First();
  data_.Delete();
  data_.GotoBookmark(third);
  EXPECT_EQ(data_.AsString(0), "3");
  EXPECT_EQ(data_.RecNo(), 2);
  EXPECT_LT(data_.CompareBookmarks(third, fifth), 0);
  EXPECT_GT(data_.CompareBookmarks(fifth, data_.Bookmark()), 0);
}

TEST_F(ClientDataSetTest, ChangesApplyOrCancel) {
  const Rows start = Select("SELECT ID, NAME, PRICE, NOTE FROM S.T ORDER BY ID, NOTE");
  struct Case {
    const char* name;
    std::function<void(TovClientDataSet&)> change;
    bool apply;
    int errors;
    Rows rows;
  } cases[] = {
      {"edit",
       [](TovClientDataSet& d) {
         d.SetFieldText(1, "pencil");
         d.Post();
       },
       true, 0, {{"1", "pencil", "0.5", "<null>"}, {"2", "ink", "2", "a\tb"}, {"3", "twin", "1", "x"}, {"3", "twin", "1", "x"}}},
      {"edit null original",
       [](TovClientDataSet& d) {
         d.SetFieldText(3, "noted");
         d.Post();
       },
       true, 0, {{"1", "pen", "0.5", "noted"}, {"2", "ink", "2", "a\tb"}, {"3", "twin", "1", "x"}, {"3", "twin", "1", "x"}}},
      {"insert",
       [](TovClientDataSet& d) {
         d.Append();
         d.SetFieldText(0, "9");
         d.SetFieldText(1, "new");
         d.Post();
       },
       true, 0, {{"1", "pen", "0.5", "<null>"}, {"2", "ink", "2", "a\tb"}, {"3", "twin", "1", "x"}, {"3", "twin", "1", "x"}, {"9", "new", "<null>", "<null>"}}},
      {"delete",
       [](TovClientDataSet& d) {
         d.Next();
         d.Delete();
       },
       true, 0, {{"1", "pen", "0.5", "<null>"}, {"3", "twin", "1", "x"}, {"3", "twin", "1", "x"}}},
      {"edit of one of identical rows",
       [](TovClientDataSet& d) {
         d.Last();
         d.SetFieldText(1, "one");
         d.Post();
       },
       true, 1, start},
      {"delete of one of identical rows",
       DeleteLast,
       true, 1, start},
      {"cancelled edit, insert and delete",
       EditInsertAndDelete,
       false, 0, start},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    OpenTable("SELECT ID, NAME, PRICE, NOTE FROM S.T ORDER BY ID, NOTE");
    std::vector<std::string> reconciled;
    data_.OnReconcileError = [&](TUpdateKind, const std::string& message) { reconciled.push_back(message); };
    c.change(data_);
    if (c.apply) {
      EXPECT_EQ(data_.ApplyUpdates(0), c.errors);
      EXPECT_EQ(data_.ChangeCount(), c.errors) << "a failed change stays cached";
      EXPECT_EQ(reconciled.size(), static_cast<size_t>(c.errors));
    } else {
      data_.CancelUpdates();
      EXPECT_EQ(data_.ChangeCount(), 0);
      data_.First();
      EXPECT_EQ(data_.AsString(1), "pen");
      EXPECT_EQ(data_.RecordCount(), 4);
    }
    data_.CancelUpdates();
    EXPECT_EQ(Select("SELECT ID, NAME, PRICE, NOTE FROM S.T ORDER BY ID, NOTE"), c.rows);
    // Back to the start for the next case.
    Exec("DELETE FROM S.T");
    Exec("INSERT INTO S.T VALUES (1, 'pen', 0.5, NULL)");
    Exec("INSERT INTO S.T VALUES (2, 'ink', 2, 'a\tb')");
    Exec("INSERT INTO S.T VALUES (3, 'twin', 1, 'x')");
    Exec("INSERT INTO S.T VALUES (3, 'twin', 1, 'x')");
  }
}

TEST_F(ClientDataSetTest, AReconcileHandlerMayCancelAndReadAgain) {
  OpenTable("SELECT ID, NAME, PRICE, NOTE FROM S.T ORDER BY ID, NOTE");
  int reconciled = 0;
  data_.OnReconcileError = [&](TUpdateKind, const std::string&) {
    ++reconciled;
    data_.CancelUpdates();
    data_.Refresh();
  };
  // Neither twin can be changed alone: a failed delete and a failed edit.
  data_.Last();
  data_.Delete();
  data_.Last();
  data_.SetFieldText(1, "one");
  data_.Post();
  EXPECT_EQ(data_.ApplyUpdates(-1), 2);
  EXPECT_EQ(reconciled, 2) << "after the pass, once per failure";
  EXPECT_EQ(data_.ChangeCount(), 0);
  EXPECT_EQ(data_.RecordCount(), 4);
  data_.Last();
  EXPECT_EQ(data_.AsString(1), "twin");
}

TEST_F(ClientDataSetTest, RejectedValuesAndStates) {
  OpenTable();
  EXPECT_EQ(data_.State(), TDataSetState::dsBrowse);
  EXPECT_THROW(data_.SetFieldText(0, "abc"), EDatabaseError);
  EXPECT_EQ(data_.State(), TDataSetState::dsBrowse) << "a rejected value starts no edit";
  data_.SetFieldText(0, "7");
  EXPECT_EQ(data_.State(), TDataSetState::dsEdit);
  EXPECT_TRUE(data_.Modified());
  data_.Cancel();
  EXPECT_EQ(data_.AsString(0), "1");
  data_.Insert();
  EXPECT_EQ(data_.State(), TDataSetState::dsInsert);
  EXPECT_EQ(data_.RecNo(), 1);
  data_.Cancel();
  EXPECT_EQ(data_.RecordCount(), 4);
}

TEST_F(ClientDataSetTest, AChangeToAColumnNoStatementWritesIsRefusedWhole) {
  OpenTable("SELECT ID, NAME, ID + 1 AS NEXT_ID FROM S.T ORDER BY ID, NOTE");
  ASSERT_TRUE(data_.Fields()[2].ReadOnly) << "computed";
  data_.FieldDef(2).ReadOnly = false;
  std::vector<std::string> reconciled;
  data_.OnReconcileError = [&](TUpdateKind, const std::string& message) { reconciled.push_back(message); };
  data_.SetFieldText(1, "pencil");
  data_.SetFieldText(2, "99");
  data_.Post();
  data_.Next();
  data_.SetFieldText(1, "ink2");
  data_.Post();
  data_.Append();
  data_.SetFieldText(0, "9");
  data_.SetFieldText(2, "10");
  data_.Post();
  EXPECT_EQ(data_.ApplyUpdates(-1), 2);
  EXPECT_EQ(data_.ChangeCount(), 2) << "the refused records stay cached";
  EXPECT_EQ(reconciled, (std::vector<std::string>(2, "列 NEXT_ID の値は表に書き込めないため, 反映できません。")));
  data_.CancelUpdates();
  EXPECT_EQ(Select("SELECT ID, NAME FROM S.T ORDER BY ID, NOTE"),
            (Rows{{"1", "pen"}, {"2", "ink2"}, {"3", "twin"}, {"3", "twin"}}));

  // A column made read-only after its edit is not written either.
  reconciled.clear();
  data_.First();
  data_.SetFieldText(1, "pencil");
  data_.Post();
  data_.FieldDef(1).ReadOnly = true;
  EXPECT_EQ(data_.ApplyUpdates(-1), 1);
  EXPECT_EQ(reconciled, std::vector<std::string>{"列 NAME の値は表に書き込めないため, 反映できません。"});
  EXPECT_EQ(Select("SELECT NAME FROM S.T WHERE ID = 1"), (Rows{{"pen"}}));
}

TEST(ResolverPlan, QuotedNamesParametersAndNulls) {
  std::vector<TovField> fields(3);
  const char* columns[] = {"id", "名前", "MEMO"};
  for (int i = 0; i < 3; ++i) {
    fields[i].Index = i;
    fields[i].FieldName = columns[i];
    fields[i].BaseSchema = "sch";
    fields[i].BaseTable = "表\"1";
    fields[i].BaseColumn = columns[i];
  }
  fields[0].DataType = TFieldType::ftInteger;
  fields[1].DataType = TFieldType::ftString;
  fields[2].DataType = TFieldType::ftMemo;
  const TRecordValues original{{false, "1"}, {true, ""}, {false, "long"}};
  const TRecordValues current{{false, "1"}, {false, "x"}, {false, "long"}};

  const TResolverPlan update = PlanUpdate(TUpdateKind::ukModify, fields, original, current);
  EXPECT_EQ(update.Change.SQL, "UPDATE \"sch\".\"表\"\"1\" SET \"名前\" = :P1 WHERE \"id\" = :P2 AND \"名前\" IS NULL");
  ASSERT_EQ(update.Change.Params.size(), 2U);
  EXPECT_EQ(update.Change.Params[0], QVariant(QString("x")));
  EXPECT_EQ(update.Change.Params[1], QVariant(qlonglong{1}));
  EXPECT_EQ(update.Count.SQL, "SELECT COUNT(*) FROM \"sch\".\"表\"\"1\" WHERE \"id\" = :P1 AND \"名前\" IS NULL");

  EXPECT_EQ(PlanUpdate(TUpdateKind::ukDelete, fields, original, original).Change.SQL,
            "DELETE FROM \"sch\".\"表\"\"1\" WHERE \"id\" = :P1 AND \"名前\" IS NULL");
  EXPECT_EQ(PlanUpdate(TUpdateKind::ukInsert, fields, original, current).Change.SQL,
            "INSERT INTO \"sch\".\"表\"\"1\" (\"id\", \"名前\", \"MEMO\") VALUES (:P1, :P2, :P3)");
  EXPECT_TRUE(PlanUpdate(TUpdateKind::ukModify, fields, original, original).Change.SQL.empty())
      << "nothing changed, nothing written";
}

TEST_F(ClientDataSetTest, CopyPastesBackEveryRow) {
  Exec("INSERT INTO S.T VALUES (4, 'q\"uote', 3, 'l1\r\nl2\rl3')");
  OpenTable();
  TBookmarkList selected([this](TBookmark a, TBookmark b) { return data_.CompareBookmarks(a, b); });
  selected.SetLinkActive(true);
  for (data_.First(); !data_.Eof(); data_.Next()) selected.SetSelected(data_.Bookmark(), true);
  data_.First();
  const std::string text = SelectedRecordsText(data_, selected, {0, 1, 2, 3}, {true, 0, 0});
  EXPECT_EQ(data_.RecNo(), 1) << "the current record stays";

  data_.Last();
  PasteRecords(data_, text);
  EXPECT_EQ(data_.State(), TDataSetState::dsInsert) << "an empty record waits after the last line";
  data_.Cancel();
  EXPECT_EQ(data_.ApplyUpdates(0), 0);
  const Rows rows = Select("SELECT ID, NAME, PRICE, NOTE FROM S.T ORDER BY ID, NAME, NOTE");
  ASSERT_EQ(rows.size(), 10U);
  for (size_t i = 0; i < rows.size(); i += 2) {
    if (rows[i][0] == "4") continue;  // its line breaks change, below
    EXPECT_EQ(rows[i + 1], rows[i]) << "the pasted twin of row " << rows[i][0];
  }
  const Rows pasted = Select("SELECT NOTE FROM S.T WHERE ID = 4 ORDER BY NOTE");
  EXPECT_EQ(pasted, (Rows{{"l1\nl2\nl3"}, {"l1\r\nl2\rl3"}})) << "line breaks inside values come back as LF";
}

TEST_F(ClientDataSetTest, PasteStopsAtARejectedValueAndDeletesSelected) {
  OpenTable();
  data_.Last();
  EXPECT_THROW(PasteRecords(data_, "7\tseven\r\nbad\tx\r\n8\teight\r\n"), EDatabaseError);
  if (data_.State() != TDataSetState::dsBrowse) data_.Cancel();
  EXPECT_EQ(data_.ApplyUpdates(0), 0);
  EXPECT_EQ(Select("SELECT NAME FROM S.T WHERE ID >= 7"), (Rows{{"seven"}}));

  TBookmarkList selected([this](TBookmark a, TBookmark b) { return data_.CompareBookmarks(a, b); });
  data_.First();
  selected.SetSelected(data_.Bookmark(), true);
  data_.Next();
  selected.SetSelected(data_.Bookmark(), true);
  DeleteSelectedRecords(data_, selected);
  EXPECT_EQ(selected.Count(), 0U);
  EXPECT_EQ(data_.ApplyUpdates(0), 0);
  EXPECT_EQ(Select("SELECT ID FROM S.T ORDER BY ID"), (Rows{{"3"}, {"3"}, {"7"}}));
}

// Deleting selected records takes one pass: half of 20,000 go at once, the
// rest stay in order, and cancelling brings each back where it stood.
TEST_F(ClientDataSetTest, DeletingManySelectedRecordsIsOnePassAndCancelsBackInPlace) {
  constexpr int kRecords = 20000;
  constexpr int kSecondsAtMost = 2;
  Exec("CREATE TABLE S.N (ID INTEGER)");
  Exec("INSERT INTO S.N WITH RECURSIVE C(X) AS (SELECT 1 UNION ALL SELECT X + 1 FROM C WHERE X < " +
       std::to_string(kRecords) + ") SELECT X FROM C");
  OpenTable("SELECT ID FROM S.N ORDER BY ID");
  data_.Last();
  ASSERT_EQ(data_.RecordCount(), kRecords);
  TBookmarkList selected([this](TBookmark a, TBookmark b) { return data_.CompareBookmarks(a, b); });
  for (data_.First(); !data_.Eof(); data_.Next())
    if (std::stoi(data_.FieldText(0)) % 2 == 0) selected.SetSelected(data_.Bookmark(), true);
  const auto started = std::chrono::steady_clock::now();
  DeleteSelectedRecords(data_, selected);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(kSecondsAtMost));
  EXPECT_EQ(selected.Count(), 0U);
  ASSERT_EQ(data_.RecordCount(), kRecords / 2);
  EXPECT_EQ(data_.ChangeCount(), kRecords / 2);
  int expected = 1;
  bool inOrder = true;
  for (data_.First(); !data_.Eof(); data_.Next(), expected += 2) inOrder = inOrder && std::stoi(data_.FieldText(0)) == expected;
  EXPECT_TRUE(inOrder);
  data_.CancelUpdates();
  ASSERT_EQ(data_.RecordCount(), kRecords);
  expected = 1;
  for (data_.First(); !data_.Eof(); data_.Next(), ++expected) inOrder = inOrder && std::stoi(data_.FieldText(0)) == expected;
  EXPECT_TRUE(inOrder) << "cancelled deletions come back in place";
}

// Writing the changes reports its progress before each row; stopping it
// keeps what was not written pending for the next pass.
TEST_F(ClientDataSetTest, ApplyingReportsEachRowAndAStopKeepsTheRestPending) {
  Exec("CREATE TABLE S.N (ID INTEGER)");
  Exec("INSERT INTO S.N VALUES (1), (2), (3), (4)");
  OpenTable("SELECT ID FROM S.N ORDER BY ID");
  TBookmarkList selected([this](TBookmark a, TBookmark b) { return data_.CompareBookmarks(a, b); });
  for (data_.First(); !data_.Eof(); data_.Next()) selected.SetSelected(data_.Bookmark(), true);
  DeleteSelectedRecords(data_, selected);
  ASSERT_EQ(data_.ChangeCount(), 4);
  constexpr int kWrittenBeforeStop = 2;
  std::vector<std::pair<int, int>> asked;
  data_.OnApplyProgress = [&asked](int done, int total) {
    asked.emplace_back(done, total);
    return done < kWrittenBeforeStop;
  };
  EXPECT_EQ(data_.ApplyUpdates(0), 0);
  EXPECT_EQ(asked, (std::vector<std::pair<int, int>>{{0, 4}, {1, 4}, {2, 4}}));
  EXPECT_EQ(data_.ChangeCount(), 4 - kWrittenBeforeStop);
  EXPECT_EQ(Select("SELECT COUNT(*) FROM S.N"), (Rows{{"2"}}));
  data_.OnApplyProgress = nullptr;
  EXPECT_EQ(data_.ApplyUpdates(0), 0);
  EXPECT_EQ(data_.ChangeCount(), 0);
  EXPECT_EQ(Select("SELECT COUNT(*) FROM S.N"), (Rows{{"0"}}));
}

TEST(ClientDataSetOdbc, BaseTableFromTheDriver) {
  testing_odbc::OdbcFixture odbc;
  TovSQLConnection connection;
  connection.UserName = "scott";
  connection.Password = "tiger";
  connection.DataSource = "lite";
  connection.Connect();
  TovSQLQuery ddl(&connection);
  ddl.SetSQL("CREATE TABLE ITEM (CODE VARCHAR(10), QTY INTEGER)");
  ddl.ExecSQL();
  TovSQLQuery query(&connection);
  query.SetSQL("SELECT CODE, QTY, QTY * 2 AS TWICE FROM ITEM");
  TovClientDataSet data;
  data.Open(query, nullptr);
  EXPECT_EQ(data.Fields()[0].BaseTable, "ITEM");
  EXPECT_EQ(data.Fields()[1].BaseColumn, "QTY");
  EXPECT_TRUE(data.Fields()[2].ReadOnly) << "computed";
}

TEST_F(ClientDataSetTest, EmptyResultAndValuesAsTexts) {
  OpenTable("SELECT ID, NAME FROM S.T WHERE ID < 0");
  EXPECT_TRUE(data_.IsEmpty());
  data_.Last();
  EXPECT_EQ(data_.RecordCount(), 0) << "an ended result is never read again";
  OpenTable("SELECT ID, PRICE, NOTE, PRICE * 3 FROM S.T ORDER BY ID");
  const std::vector<std::string> first{"1", "0.5", "", "1.5"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(data_.AsString(i), first[static_cast<size_t>(i)]);
  EXPECT_TRUE(data_.IsNull(2));
  data_.Next();
  EXPECT_EQ(data_.AsString(2), "a\tb");
  EXPECT_EQ(data_.RecordCount(), 4);
}

namespace {

// A journal entry as "statement [values] rows", or "! failed" in place of
// the rows when the database refused it (its words are the database's).
std::vector<std::string> JournalLines() {
  std::vector<std::string> lines;
  for (const symfoware::TJournalEntry& e : symfoware::StatementJournal()) {
    std::string values;
    for (const QVariant& v : e.Values)
      values += (values.empty() ? "" : ", ") + (v.isNull() ? std::string("<null>") : v.toString().toStdString());
    lines.push_back(e.Statement + " [" + values + "] " +
                    (e.Error.empty() ? std::to_string(e.RowsAffected) : "! failed"));
  }
  return lines;
}

}  // namespace

TEST_F(ClientDataSetTest, ResolverStatementsInTheJournal) {
  Exec("CREATE TABLE S.\"品目\" (\"id\" INTEGER NOT NULL, \"名前\" VARCHAR(20), \"b\" BLOB)");
  const auto reset = [this] {
    Exec("DELETE FROM S.\"品目\"");
    Exec("INSERT INTO S.\"品目\" VALUES (1, 'pen', x'01')");
    Exec("INSERT INTO S.\"品目\" VALUES (2, NULL, NULL)");
    Exec("INSERT INTO S.\"品目\" VALUES (3, 'twin', NULL)");
    Exec("INSERT INTO S.\"品目\" VALUES (3, 'twin', NULL)");
  };
  const char kSelect[] = "SELECT \"id\", \"名前\", \"b\" FROM S.\"品目\" ORDER BY \"id\"";
  const Rows start{{"1", "pen"}, {"2", "<null>"}, {"3", "twin"}, {"3", "twin"}};
  const std::string table = "\"S\".\"品目\"";
  const std::string countOf = "SELECT COUNT(*) FROM " + table + " WHERE \"id\" = :P1 AND \"名前\" ";
  struct Case {
    const char* name;
    std::function<void(TovClientDataSet&)> change;
    bool apply;
    int errors;
    std::vector<std::string> statements;
    Rows rows;
  } cases[] = {
      {"edit applied",
       [](TovClientDataSet& d) { d.SetFieldText(1, "pencil"); },
       true, 0,
       {countOf + "= :P2 [1, pen] -1",
        "UPDATE " + table + " SET \"名前\" = :P1 WHERE \"id\" = :P2 AND \"名前\" = :P3 [pencil, 1, pen] 1"},
       {{"1", "pencil"}, {"2", "<null>"}, {"3", "twin"}, {"3", "twin"}}},
      {"edit of a null original",
       [](TovClientDataSet& d) {
         d.Next();
         d.SetFieldText(1, "ink");
       },
       true, 0,
       {countOf + "IS NULL [2] -1",
        "UPDATE " + table + " SET \"名前\" = :P1 WHERE \"id\" = :P2 AND \"名前\" IS NULL [ink, 2] 1"},
       {{"1", "pen"}, {"2", "ink"}, {"3", "twin"}, {"3", "twin"}}},
      {"edit of one of identical rows refused",
       [](TovClientDataSet& d) {
         d.Last();
         d.SetFieldText(1, "one");
       },
       true, 1, {countOf + "= :P2 [3, twin] -1"}, start},
      {"insert applied",
       [](TovClientDataSet& d) {
         d.Append();
         d.SetFieldText(0, "9");
         d.SetFieldText(1, "新");
       },
       true, 0, {"INSERT INTO " + table + " (\"id\", \"名前\") VALUES (:P1, :P2) [9, 新] 1"},
       {{"1", "pen"}, {"2", "<null>"}, {"3", "twin"}, {"3", "twin"}, {"9", "新"}}},
      {"insert the table refuses",
       [](TovClientDataSet& d) {
         d.Append();
         d.SetFieldText(1, "no id");
       },
       true, 1,
       {"INSERT INTO " + table + " (\"名前\") VALUES (:P1) [no id] ! failed"},
       start},
      {"delete applied",
       [](TovClientDataSet& d) { d.Delete(); },
       true, 0,
       {countOf + "= :P2 [1, pen] -1", "DELETE FROM " + table + " WHERE \"id\" = :P1 AND \"名前\" = :P2 [1, pen] 1"},
       {{"2", "<null>"}, {"3", "twin"}, {"3", "twin"}}},
      {"delete of one of identical rows refused",
       DeleteLast,
       true, 1, {countOf + "= :P2 [3, twin] -1"}, start},
      {"edit, insert and delete cancelled",
       EditInsertAndDelete,
       false, 0, {}, start},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    reset();
    OpenTable(kSelect);
    std::vector<std::string> reconciled;
    data_.OnReconcileError = [&](TUpdateKind, const std::string& message) { reconciled.push_back(message); };
    c.change(data_);
    if (data_.State() != TDataSetState::dsBrowse) data_.Post();
    symfoware::ClearStatementJournal();
    if (c.apply) {
      EXPECT_EQ(data_.ApplyUpdates(0), c.errors);
      EXPECT_EQ(data_.ChangeCount(), c.errors) << "a refused change stays cached";
      EXPECT_EQ(reconciled.size(), static_cast<size_t>(c.errors));
    } else {
      data_.CancelUpdates();
      EXPECT_EQ(data_.ChangeCount(), 0);
    }
    EXPECT_EQ(JournalLines(), c.statements);
    data_.CancelUpdates();
    EXPECT_EQ(Select("SELECT \"id\", \"名前\" FROM S.\"品目\" ORDER BY \"id\", \"名前\""), c.rows);
  }
}

TEST_F(ClientDataSetTest, FixtureTableShowsEveryTypeAndCopyPastesBack) {
  testing_grids::CreateGridFixture(connection_, false);
  const std::string columns = testing_grids::kAllTypesColumns;
  OpenTable("SELECT " + columns + " FROM S.ALLTYPES ORDER BY ID");
  const TFieldType types[] = {TFieldType::ftInteger,    TFieldType::ftString,  TFieldType::ftString,
                              TFieldType::ftWideString, TFieldType::ftSmallint, TFieldType::ftBCD,
                              TFieldType::ftFloat,      TFieldType::ftDate,     TFieldType::ftDateTime,
                              TFieldType::ftBlob,       TFieldType::ftString};
  const int widths[] = {11, 4, 40, 4, 6, 7, 22, 10, 18, 20, 4000};
  ASSERT_EQ(data_.FieldCount(), static_cast<int>(std::size(types)));
  for (int i = 0; i < data_.FieldCount(); ++i) {
    SCOPED_TRACE(data_.Fields()[static_cast<size_t>(i)].FieldName);
    EXPECT_EQ(data_.Fields()[static_cast<size_t>(i)].DataType, types[i]);
    EXPECT_EQ(data_.Fields()[static_cast<size_t>(i)].DisplayWidth, widths[i]);
  }
  EXPECT_EQ(data_.FieldText(5), "0.5");
  EXPECT_EQ(data_.FieldText(9), "01FF") << "a BLOB shows as hexadecimal";
  EXPECT_EQ(data_.AsString(9), std::string("\x01\xFF", 2));
  data_.Next();
  for (int i = 1; i < data_.FieldCount(); ++i) EXPECT_TRUE(data_.IsNull(i)) << i;
  EXPECT_EQ(data_.RecordCount(), 5 + testing_grids::kFillerRows);

  const std::string all = "SELECT " + columns + " FROM S.ALLTYPES";
  Rows expected = Select(all);
  for (Rows::value_type row : Rows(expected)) {
    // A copy carries line breaks inside values as LF.
    for (std::string& value : row)
      value = QString::fromStdString(value).replace("\r\n", "\n").replace('\r', '\n').toStdString();
    expected.push_back(row);
  }
  std::sort(expected.begin(), expected.end());
  TBookmarkList selected([this](TBookmark a, TBookmark b) { return data_.CompareBookmarks(a, b); });
  for (data_.First(); !data_.Eof(); data_.Next()) selected.SetSelected(data_.Bookmark(), true);
  std::vector<int> fields(static_cast<size_t>(data_.FieldCount()));
  std::iota(fields.begin(), fields.end(), 0);
  const std::string text = SelectedRecordsText(data_, selected, fields, {true, 0, 0});
  data_.Last();
  PasteRecords(data_, text);
  data_.Cancel();
  EXPECT_EQ(data_.ApplyUpdates(0), 0);
  Rows rows = Select(all);
  std::sort(rows.begin(), rows.end());
  EXPECT_EQ(rows, expected);
  EXPECT_EQ(Select("SELECT HEX(B) FROM S.ALLTYPES WHERE ID = 1"), (Rows{{"01FF"}, {"01FF"}}))
      << "bytes that are no text come back whole";
}


TEST_F(ClientDataSetTest, LinksLearnOfAnOpenWhileTheirControlsWereDisabled) {
  struct Link : TovDataLink {
    void ActiveChanged(bool active) override { calls.push_back(active ? "open" : "closed"); }
    void DataSetChanged() override { calls.push_back("changed"); }
    void DataSetScrolled(int) override { calls.push_back("scrolled"); }
    void EditingChanged() override {}
    void RecordChanged(int) override {}
    std::vector<std::string> calls;
  } link;
  data_.AddDataLink(&link);
  OpenTable();
  data_.DisableControls();
  OpenTable("SELECT NAME FROM S.T");
  data_.Next();
  EXPECT_EQ(link.calls, std::vector<std::string>{"open"}) << "nothing while disabled";
  data_.EnableControls();
  EXPECT_EQ(link.calls, (std::vector<std::string>{"open", "open"})) << "the new fields, not a mere change";
  data_.DisableControls();
  data_.Next();
  data_.EnableControls();
  EXPECT_EQ(link.calls.back(), "changed");
  data_.RemoveDataLink(&link);
}
