// The code-assist list and the SQL error position in a real SQL editor of a
// window bound to a connection window on the stand-in sample.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QTest>

#include <memory>
#include <ostream>
#include <utility>
#include <string>
#include <vector>

#include "app/core/ovoptions.h"
#include "app/core/zarur.h"
#include "app/core/zarurassist.h"
#include "app/ovforms.h"
#include "app/zarurmemo.h"
#include "editor/ovmemo.h"
#include "platform/dialogs.h"
#include "tests/app/objtree_sample.h"

// Items read in failure messages.
inline void PrintTo(const TCodeAssistItem& item, std::ostream* out) {
  *out << "{" << item.Name << ", " << item.Type << ", " << item.ImageIndex << "}";
}

namespace {

using testing_sample::SampleConnection;
using Items = std::vector<TCodeAssistItem>;

// The user's own schema with one table, so the user's tables are listed.
SampleConnection& Sample() {
  static SampleConnection* sample = [] {
    auto* s = new SampleConnection();
    // The stand-in describes only the sample's own objects in its
    // catalogue, so the user's tables are described here.
    s->Exec("CREATE SCHEMA ORVUSER");
    const std::string schema =
        " FROM RDBII_SYSTEM.RDBII_SCHEMA S WHERE S.SCHEMA_NAME = 'ORVUSER'";
    for (const auto& [code, name] : {std::pair{"900001", "MEMO"}, std::pair{"900002", "C"}})
      s->Exec(std::string("INSERT INTO RDBII_SYSTEM.RDBII_TABLE SELECT S.DB_CODE, S.DB_NAME, S.SCHEMA_CODE, "
                          "S.SCHEMA_NAME, ") + code + ", '" + name + "', 'BS', 'ORVUSER', '', 'YES', 'N'" + schema);
    const std::string column = "INSERT INTO RDBII_SYSTEM.RDBII_COLUMN SELECT S.DB_CODE, S.SCHEMA_CODE, ";
    s->Exec(column + "900001, 1, 'MEMO_ID', 1, 'IN', NULL, NULL, 9, 0, 10, 'NO', NULL" + schema);
    s->Exec(column + "900001, 2, 'BODY', 2, 'CV', 100, 100, NULL, NULL, NULL, 'YES', NULL" + schema);
    s->Exec(column + "900002, 3, 'C_ID', 1, 'IN', NULL, NULL, 9, 0, 10, 'YES', NULL" + schema);
    s->Exec("INSERT INTO RDBII_SYSTEM.RDBII_CONSTRAINT SELECT S.DB_CODE, S.SCHEMA_CODE, 900001, 900003, 'PK'" +
            schema);
    s->Exec("INSERT INTO RDBII_SYSTEM.RDBII_COLUMN_USAGE SELECT S.DB_CODE, S.SCHEMA_CODE, 900001, 1, S.SCHEMA_CODE, "
            "900003, 'U', 1" + schema);
    return s;
  }();
  return *sample;
}

struct AssistOutcome {
  Items Shown;  // the popup's items when it stays open
  std::vector<std::string> Headers;
  std::string Text;  // the editor's text afterwards
};

class CodeAssistTest : public ::testing::Test {
 protected:
  CodeAssistTest() {
    AppOption.CodeAssist = true;
    form = new TovForm(Sample());
    memo = new TovMemo(form);
    memo->SetReserveWordList({"SELECT", "SET"});
    form->show();
  }
  ~CodeAssistTest() override { delete form; }

  // Types F6 with the caret `caret` bytes into the one-row text (the end
  // for -1).
  AssistOutcome Ask(const std::string& text, int caret = -1, int version = 10) {
    Sample().level = version;
    memo->CloseCodeAssist();
    memo->Lines().SetTextStr(text);
    memo->setFocus();
    MemoMoveCaretToOffset(*memo, 0, caret < 0 ? static_cast<int>(text.size()) : caret);
    QTest::keyClick(memo, Qt::Key_F6);
    AssistOutcome out;
    out.Text = memo->Lines().GetTextStr();
    if (TovCodeAssist* popup = memo->CodeAssist()) {
      EXPECT_TRUE(popup->isVisible());
      out.Shown = popup->Candidates().Matches();
      for (int i = 0; i < popup->columnCount(); ++i) out.Headers.push_back(popup->headerItem()->text(i).toStdString());
    }
    return out;
  }

  TovForm* form;
  TovMemo* memo;
};

const std::vector<std::string> kObjectHeaders{"オブジェクト名", "タイプ"};
const std::vector<std::string> kColumnHeaders{"列名", "データ型"};

const Items kSchemasTablesWords{{"HR", "SCHEMA", 4},      {"ORVUSER", "SCHEMA", 4}, {"SALES", "SCHEMA", 4},
                                {"STOCK", "SCHEMA", 4},   {"C", "TABLE", 45},       {"MEMO", "TABLE", 45},
                                {"SELECT", "KEYWORD", 10}, {"SET", "KEYWORD", 10}};
const Items kSalesObjects{{"CUSTOMER", "TABLE", 45},       {"ORDERS", "TABLE", 45},
                          {"ORDERS_CUST", "INDEX", 46},    {"CUSTOMER_ORDERS", "VIEW", 47},
                          {"ADD_ORDER", "PROCEDURE", 51},  {"TAX_RATE", "FUNCTION", 52},
                          {"ORDERS_CHECK", "TRIGGER", 57}, {"ORDER_SEQ", "SEQUENCE", 58}};
// In the order the stand-in returns them.
const Items kCustomerColumns{{"*", "", -1},
                             {"ADDRESS", "NCHAR VARYING", -1},
                             {"CREATED", "TIMESTAMP", -1},
                             {"CUST_ID", "INTEGER", 46},
                             {"CUST_NAME", "NCHAR VARYING", -1},
                             {"KANA", "NCHAR VARYING", -1},
                             {"ZIP", "CHAR", -1}};
const Items kMemoColumns{{"*", "", -1}, {"BODY", "CHAR VARYING", -1}, {"MEMO_ID", "INTEGER", 46}};

TEST_F(CodeAssistTest, ListsWhatTheWordBeforeTheCaretNames) {
  struct Case {
    std::string text;
    int caret;
    int version;
    Items shown;
    std::vector<std::string> headers;
    std::string after;  // the text afterwards, when an item went in at once
  };
  const std::string aliased = "SELECT cu. FROM SALES.CUSTOMER CU";
  const std::string quotedAlias = "SELECT x. FROM SALES.\"CUSTOMER\" x";
  const Case cases[] = {
      {"", -1, 10, kSchemasTablesWords, kObjectHeaders, ""},
      {"SE", -1, 10, {{"SELECT", "KEYWORD", 10}, {"SET", "KEYWORD", 10}}, kObjectHeaders, "SE"},
      {"SALES.", -1, 10, kSalesObjects, kObjectHeaders, "SALES."},
      {"SALES.", -1, 9, kSalesObjects, kObjectHeaders, "SALES."},
      {"sales.CUST", -1, 10, {{"CUSTOMER", "TABLE", 45}, {"CUSTOMER_ORDERS", "VIEW", 47}}, kObjectHeaders,
       "sales.CUST"},
      {"SALES.CUSTOMER.", -1, 10, kCustomerColumns, kColumnHeaders, "SALES.CUSTOMER."},
      {aliased, 10, 10, kCustomerColumns, kColumnHeaders, aliased},
      {quotedAlias, 9, 10, kCustomerColumns, kColumnHeaders, quotedAlias},
      {"MEMO.", -1, 10, kMemoColumns, kColumnHeaders, "MEMO."},
      // The user's table C comes before the alias C.
      {"SELECT C. FROM SALES.ORDERS C", 9, 10, {{"*", "", -1}, {"C_ID", "INTEGER", -1}}, kColumnHeaders,
       "SELECT C. FROM SALES.ORDERS C"},
      // One candidate goes in at once.
      {"SALES.CUSTOMER.CUST_N", -1, 10, {}, {}, "SALES.CUSTOMER.CUST_NAME"},
      {"SALES.ORDERS_CU", -1, 10, {}, {}, "SALES.ORDERS_CUST"},
      {"STO", -1, 10, {}, {}, "STOCK"},
      // Nothing: dots only, too many parts, unknown names, an empty result.
      {"...", -1, 10, {}, {}, "..."},
      {"A.B.C.D", -1, 10, {}, {}, "A.B.C.D"},
      {"NOSUCH.", -1, 10, {}, {}, "NOSUCH."},
      {"SALES.NOSUCH.", -1, 10, {}, {}, "SALES.NOSUCH."},
      // A prefix nothing starts with leaves the popup open and empty.
      {"SALES.CUSTOMER.ZZ", -1, 10, {}, kColumnHeaders, "SALES.CUSTOMER.ZZ"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text + " version " + std::to_string(c.version));
    const AssistOutcome out = Ask(c.text, c.caret, c.version);
    EXPECT_EQ(out.Shown, c.shown);
    EXPECT_EQ(out.Headers, c.headers);
    EXPECT_EQ(out.Text, c.after);
  }
}

TEST_F(CodeAssistTest, ServersBeforeVersionTenGetOneMoreDerivedLevel) {
  EXPECT_NE(AssistObjectsSQL(9).find("FROM ( SELECT * FROM ("), std::string::npos);
  EXPECT_NE(AssistObjectsSQL(9).find(") ALL_OBJECT ) ALL_OBJECT2 WHERE"), std::string::npos);
  EXPECT_EQ(AssistObjectsSQL(10).find("ALL_OBJECT2"), std::string::npos);
  EXPECT_NE(AssistObjectsSQL(10).find(") ALL_OBJECT WHERE"), std::string::npos);
}

TEST_F(CodeAssistTest, NothingWithTheOptionOffOrThePopupOpen) {
  ASSERT_FALSE(Ask("SALES.").Shown.empty());
  TovCodeAssist* open = memo->CodeAssist();
  QTest::keyClick(memo, Qt::Key_F6);
  EXPECT_EQ(memo->CodeAssist(), open) << "the open popup stays as it is";
  memo->CloseCodeAssist();
  AppOption.CodeAssist = false;
  EXPECT_TRUE(Ask("SALES.").Shown.empty());
  EXPECT_EQ(memo->CodeAssist(), nullptr);
}

TEST_F(CodeAssistTest, AFailingCatalogueStatementShowsTheDriversMessageAndNoPopup) {
  platform::ScopedScriptedDialogs dialogs;
  Sample().Exec("ALTER TABLE RDBII_SYSTEM.RDBII_SCHEMA RENAME TO RDBII_SCHEMA_AWAY");
  const AssistOutcome out = Ask("SALES.");
  Sample().Exec("ALTER TABLE RDBII_SYSTEM.RDBII_SCHEMA_AWAY RENAME TO RDBII_SCHEMA");
  EXPECT_EQ(memo->CodeAssist(), nullptr);
  EXPECT_TRUE(out.Shown.empty());
  ASSERT_EQ(dialogs->messages.size(), 1u);
  EXPECT_NE(dialogs->messages[0].text.find("RDBII_SCHEMA"), std::string::npos) << dialogs->messages[0].text;
  EXPECT_EQ(dialogs->messages[0].flags & MB_ICONERROR, unsigned{MB_ICONERROR});
  EXPECT_EQ(Ask("SALES.").Shown, kSalesObjects) << "the catalogue back, the list is back";
}

TEST_F(CodeAssistTest, AWindowWithoutAConnectionWindowListsNothing) {
  TovForm plain(static_cast<QWidget*>(nullptr));
  auto* editor = new TovMemo(&plain);
  editor->Lines().SetTextStr("SALES.");
  plain.show();
  editor->setFocus();
  MemoMoveCaretToOffset(*editor, 0, 6);
  QTest::keyClick(editor, Qt::Key_F6);
  EXPECT_EQ(editor->CodeAssist(), nullptr);
}

// The message the sample gives for the statement.
std::string FailureOf(const std::string& sql) {
  try {
    Sample().Exec(sql);
  } catch (const std::exception& e) {
    return e.what();
  }
  ADD_FAILURE() << "ran: " << sql;
  return {};
}

TEST_F(CodeAssistTest, TheErrorPositionSelectsTheNameTheMessageNamesOrTheStatement) {
  const std::string noTable = FailureOf("SELECT * FROM SALES.CUSTOMER A, SALES.NOTHERE B");
  const std::string noColumn = FailureOf("SELECT CUST_ID AS COL2, COL FROM SALES.CUSTOMER");
  const std::string noWideColumn = FailureOf("SELECT '顧客' AS 名前, ZZ FROM SALES.CUSTOMER");
  ASSERT_NE(noTable.find("ORA-00942"), std::string::npos) << noTable;
  ASSERT_NE(noColumn.find("ORA-00904"), std::string::npos) << noColumn;
  const std::string other = "JYP5001E ORA-00900: 構文に誤りがあります";
  struct Case {
    std::string message;
    std::vector<std::string> rows;  // the statement is rows 1 to the last
    bool earlierSelection;
    std::string selected;  // "" selects the statement's rows
    int selectedStart;     // in bytes of the editor's text, for a name
  };
  const std::string head = "-- 前の文";
  const int row1 = static_cast<int>(head.size()) + 2;
  const Case cases[] = {
      // COL inside COL2 does not count; the whole COL on the next row does.
      {noColumn, {head, "SELECT CUST_ID AS COL2,", "  COL FROM SALES.CUSTOMER"}, false, "COL", row1 + 23 + 2 + 2},
      {noWideColumn, {head, "SELECT '顧客' AS 名前, ZZ FROM SALES.CUSTOMER"}, false, "ZZ", row1 + 27},
      {noColumn, {head, "SELECT X FROM SALES.CUSTOMER"}, false, "", 0},
      {noTable, {head, "SELECT * FROM SALES.CUSTOMER A,", "  sales.nothere B"}, false, "sales.nothere", row1 + 31 + 2 + 2},
      {noTable, {head, "SELECT * FROM MEMO, NOTHERE"}, true, "NOTHERE", row1 + 20},
      // The analysis refuses the text: the tables read so far still count,
      // else the statement's rows are selected.
      {noTable, {head, "SELECT * FROM NOTHERE WHERE A = 1 )"}, false, "NOTHERE", row1 + 14},
      {noTable, {head, "SELECT ) FROM NOTHERE"}, false, "", 0},
      {other, {head, "SELECT *", "FROM SALES.CUSTOMER"}, false, "", 0},
      {other, {head, "SELECT *", "FROM SALES.CUSTOMER"}, true, "前の", 3},
  };
  TovSQLQuery query(&Sample().Module().Connection);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rows.back() + " / " + c.message);
    std::string text;
    for (const std::string& row : c.rows) text += row + "\r\n";
    memo->Lines().SetTextStr(text);
    const int last = static_cast<int>(c.rows.size()) - 1;
    memo->SelectRows(1, last);
    const std::string rowsText = memo->SelText();
    const int rowsStart = memo->SelStart();
    memo->SetSelStart(0);
    memo->SetSelLength(0);
    if (c.earlierSelection) {
      memo->SetSelStart(3);
      memo->SetSelLength(6);
    }
    const int startBefore = memo->SelStart();
    ShowSQLErrorPosition(*memo, query, testing_tools::kSampleUser, 1, last, c.message);
    if (c.earlierSelection && c.message == other) {
      EXPECT_EQ(memo->SelStart(), startBefore);
      EXPECT_EQ(memo->SelText(), c.selected);
    } else if (c.selected.empty()) {
      EXPECT_EQ(memo->SelStart(), rowsStart);
      EXPECT_EQ(memo->SelText(), rowsText);
    } else {
      EXPECT_EQ(memo->SelText(), c.selected);
      EXPECT_EQ(memo->SelStart(), c.selectedStart);
    }
  }
}

}  // namespace
