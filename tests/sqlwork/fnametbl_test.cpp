#include "sqlwork/fnametbl.h"

#include <gtest/gtest.h>

#include <QMdiSubWindow>
#include <QToolButton>

#include <functional>

#include "app/core/ovmsg.h"
#include "app/core/ovoptions.h"
#include "app/core/ovreg.h"
#include "app/fobject.h"
#include "platform/regstore.h"
#include "tests/platform/whenshown.h"
#include "tests/sqlwork/scriptoption_fixture.h"
#include "ui/ovstdctl.h"

namespace {

using testing_sqlwork::kNamesTable;
using testing_sqlwork::Lines;
using testing_sqlwork::ScriptOptionTest;
using testing_support::WhenShown;

constexpr const char* kColumns =
    "(  DB_NAME     VARCHAR(30),  SCHEMA_NAME VARCHAR(30),  OBJECT_NAME VARCHAR(30),  OBJECT_TYPE VARCHAR(30),  "
    "SCRIPT_NAME VARCHAR(50)) ";

class NameTableTest : public ScriptOptionTest {
 protected:
  // Runs `step` in the modal window opened for the connection, then closes it.
  void WithNameTable(TfrmObject* connection, const std::function<void(TfrmNameTable&)>& step) {
    bool shown = false;
    WhenShown<TfrmNameTable>([&](TfrmNameTable& form) {
      shown = true;
      step(form);
      form.close();
    });
    ShowNameTable(*connection);
    EXPECT_TRUE(shown);
  }
  static Lines Items(const QComboBox& combo) {
    Lines items;
    for (int i = 0; i < combo.count(); ++i) items.push_back(combo.itemText(i).toStdString());
    return items;
  }
  static std::vector<Lines> Rows(TfrmObject* connection, const std::string& sql) {
    std::vector<Lines> rows;
    TovSQLQuery& q = connection->OpenSQL(sql);
    for (; !q.Eof(); q.Next()) {
      Lines& row = rows.emplace_back();
      for (size_t i = 0; i < q.Fields().size(); ++i) row.push_back(q.AsString(i));
    }
    q.Close();
    return rows;
  }
  bool Journalled(const std::string& statement) {
    const Lines journal = Journal();
    return std::find(journal.begin(), journal.end(), statement) != journal.end();
  }
};

TEST_F(NameTableTest, MissingTableIsCreatedInTheChosenSpaceAndStored) {
  TfrmObject* connection = Prepared();
  connection->ExecSQL("INSERT INTO RDBII_SYSTEM.RDBII_OBJECT VALUES ('ORVTEST', '2', 'SPACE2')");
  connection->ExecSQL("COMMIT");
  ScriptOption.NameTable = {"ORVTEST=S.NAMES"};
  env.Dialogs().QueueMessage(IDOK);  // the missing table, reported as the window opens
  WithNameTable(connection, [&](TfrmNameTable& form) {
    EXPECT_EQ(form.windowTitle().toStdString(), "スクリプト名テーブル編集 - S.NAMES @ ORVTEST");
    EXPECT_EQ(form.TaskButton->text().toStdString(), "NAMES");
    EXPECT_EQ(form.cmbDBName->currentText().toStdString(), "ADMIN @ ORVTEST");
    EXPECT_EQ(form.cmbSchema->currentText().toStdString(), "S");
    EXPECT_FALSE(form.cmbDBSpaceName->isHidden());
    EXPECT_FALSE(form.RowsShown());
    EXPECT_FALSE(form.mnuInstData->isEnabled());
    form.cmbDBSpaceNameDropDown();
    EXPECT_EQ(Items(*form.cmbDBSpaceName), (Lines{"DBSPACE1", "SPACE2"}));
    form.cmbSchemaDropDown();
    EXPECT_EQ(Items(*form.cmbSchema), (Lines{"OTHER", "S"}));
    form.cmbNameDropDown();
    EXPECT_EQ(Items(*form.cmbName), (Lines{"ITEMS", "O'NEIL"}));

    const struct {
      TovComboBox* field;
      const char* message;
    } missing[] = {{form.cmbSchema, "スキーマ名を入力して下さい。"},
                   {form.cmbName, "名前を入力して下さい。"},
                   {form.cmbDBSpaceName, "データベーススペース名を入力して下さい。"}};
    env.Dialogs().messages.clear();
    form.cmbDBSpaceName->setEditText("SPACE2");
    for (const auto& m : missing) {
      const QString kept = m.field->currentText();
      m.field->setEditText(" ");
      env.Dialogs().QueueMessage(IDOK);
      form.btnCommitClick();
      m.field->setEditText(kept);
      EXPECT_EQ(TakeBoxes(), Lines{m.message});
    }
    symfoware::ClearStatementJournal();
    env.Dialogs().QueueMessage(IDYES);
    form.btnCommitClick();
    EXPECT_TRUE(Journalled(std::string("CREATE TABLE S.NAMES") + kColumns + "  ON SPACE2")) << Journal().front();
    EXPECT_TRUE(form.RowsShown());
    EXPECT_TRUE(form.mnuInstData->isEnabled());
  });
  EXPECT_EQ(TakeBoxes(), Lines{"テーブルが見つかりません。新規作成しますか？"});
  EXPECT_EQ(ScriptOption.NameTable, Lines{"ORVTEST=S.NAMES"});
  EXPECT_EQ(Rows(connection, "SELECT DBSPACE_NAME FROM RDBII_SYSTEM.RDBII_TABLE_EX WHERE TABLE_NAME = 'NAMES'"),
            std::vector<Lines>{{"SPACE2"}});

  // Opened again: the table's space and rows, no message, the size kept.
  WithNameTable(connection, [&](TfrmNameTable& form) {
    EXPECT_EQ(form.cmbDBSpaceName->currentText().toStdString(), "SPACE2");
    EXPECT_TRUE(form.RowsShown());
    form.resize(form.width() + 10, form.height() + 20);
  });
  EXPECT_TRUE(TakeBoxes().empty());
  platform::KeyScope key(AppRegistry);
  ASSERT_TRUE(AppRegistry.OpenKey(GuiKey("NAMETABLE"), false));
  const int width = AppRegistry.ReadIntegerDef("Width", 0);
  const int height = AppRegistry.ReadIntegerDef("Height", 0);
  WithNameTable(connection, [&](TfrmNameTable& form) {
    EXPECT_EQ(form.width(), width);
    EXPECT_EQ(form.height(), height);
  });
  EXPECT_EQ(env.Dialogs().unanswered, 0);
}

TEST_F(NameTableTest, WithoutTheLevelParameterTheSpaceIsHiddenAndCreateHasNoOnClause) {
  TfrmObject* first = Prepared();
  first->ExecSQL("DELETE FROM RDBII_SYSTEM.RDBII_SYS_PRM WHERE PARAMETER_NAME = 'CHOOSE_TID_UNION'");
  first->ExecSQL("COMMIT");
  TfrmObject* reduced = Logon();
  ASSERT_TRUE(reduced->LevelReduced());
  ScriptOption.NameTable = {"ORVTEST=S"};  // no ".": a name alone
  WithNameTable(reduced, [&](TfrmNameTable& form) {
    EXPECT_TRUE(form.cmbDBSpaceName->isHidden());
    EXPECT_EQ(form.cmbSchema->currentText().toStdString(), "");
    EXPECT_EQ(form.cmbName->currentText().toStdString(), "S");
    form.cmbSchema->setEditText("S");
    form.cmbName->setEditText("NAMES");
    symfoware::ClearStatementJournal();
    env.Dialogs().QueueMessage(IDYES);
    form.btnCommitClick();
    EXPECT_TRUE(Journalled(std::string("CREATE TABLE S.NAMES") + kColumns));
    EXPECT_TRUE(form.RowsShown());
  });
  EXPECT_EQ(TakeBoxes(), Lines{"テーブルが見つかりません。新規作成しますか？"});
  EXPECT_EQ(ScriptOption.NameTable, Lines{"ORVTEST=S.NAMES"});
}

TEST_F(NameTableTest, LayoutMismatchStoresNothingAndNoStillStoresTheEntry) {
  TfrmObject* connection = Prepared();
  connection->ExecSQL("CREATE TABLE S.BAD (DB_NAME VARCHAR(30))");
  connection->ExecSQL("COMMIT");
  ScriptOption.NameTable = {"ORVTEST=S.BAD", "OTHERDS=X.Y"};
  env.Dialogs().QueueMessage(IDOK);  // the layout, reported as the window opens
  WithNameTable(connection, [&](TfrmNameTable& form) {
    env.Dialogs().QueueMessage(IDOK);
    EXPECT_TRUE(SendFormMessage(&form, kMsgReload)) << "a failing reload is reported, not thrown";
    form.btnCommitClick();
    EXPECT_EQ(ScriptOption.NameTable, (Lines{"ORVTEST=S.BAD", "OTHERDS=X.Y"}));
    form.cmbName->setEditText("NOPE");
    symfoware::ClearStatementJournal();
    env.Dialogs().QueueMessage(IDNO);
    form.btnCommitClick();
    for (const std::string& statement : Journal()) EXPECT_EQ(statement.find("CREATE"), std::string::npos) << statement;
  });
  const Lines boxes = TakeBoxes();
  ASSERT_EQ(boxes.size(), 4u);
  EXPECT_NE(boxes[0].find("JYP7205E"), std::string::npos) << boxes[0];
  EXPECT_EQ(boxes[1], boxes[0]);
  EXPECT_EQ(boxes[2], "テーブルレイアウトが一致しません。");
  EXPECT_EQ(boxes[3], "テーブルが見つかりません。新規作成しますか？");
  EXPECT_EQ(ScriptOption.NameTable, (Lines{"ORVTEST=S.NOPE", "OTHERDS=X.Y"}));
}

TEST_F(NameTableTest, InitialDataListsTheObjectsInKindAndNameOrderAndReloadShowsChanges) {
  TfrmObject* connection = Prepared();
  connection->ExecSQL(kNamesTable);
  connection->ExecSQL("COMMIT");
  ScriptOption.NameTable = {"ORVTEST=S.NAMES"};
  const std::string read = "SELECT DB_NAME, SCHEMA_NAME, OBJECT_NAME, OBJECT_TYPE, SCRIPT_NAME FROM S.NAMES";
  const std::vector<Lines> own = {
      {"ORVTEST", "S", "ITEMS", "TABLE", "ITEMS.SQL"},
      {"ORVTEST", "S", "NAMES", "TABLE", "NAMES.SQL"},
      {"ORVTEST", "S", "O'NEIL", "TABLE", "O'NEIL.SQL"},
      {"ORVTEST", "S", "ITEMS_IX", "INDEX", "ITEMS_IX.SQL"},
      {"ORVTEST", "S", "ITEM_VIEW", "VIEW", "ITEM_VIEW.SQL"},
      {"ORVTEST", "S", "ADD_ITEM", "PROCEDURE", "ADD_ITEM.SQL"},
      {"ORVTEST", "S", "COUNT_ITEMS", "FUNCTION", "COUNT_ITEMS.SQL"},
      {"ORVTEST", "S", "ITEM_SEQ", "SEQUENCE", "ITEM_SEQ.SQL"},
  };
  WithNameTable(connection, [&](TfrmNameTable& form) {
    ASSERT_TRUE(form.mnuInstData->isEnabled());
    env.Dialogs().QueueMessage(IDNO);
    form.mnuInstDataClick();
    EXPECT_TRUE(Rows(connection, read).empty()) << "only Yes inserts";

    env.Dialogs().QueueMessage(IDYES);
    form.mnuInstDataClick();
    EXPECT_EQ(Rows(connection, read), own);
    EXPECT_EQ(form.fraData->cdsData.RecordCount(), static_cast<int>(own.size()));
    EXPECT_FALSE(connection->DataModule->Connection.InTransaction() && !AppOption.AutoCommit);

    connection->ExecSQL("DELETE FROM S.NAMES");
    connection->ExecSQL("COMMIT");
    EXPECT_TRUE(SendFormMessage(&form, kMsgReload));
    EXPECT_EQ(form.fraData->cdsData.RecordCount(), 0);

    env.Dialogs().QueueMessage(IDYES, {true});
    form.mnuInstDataClick();
    std::vector<Lines> ofDatabase;
    for (const Lines& row : Rows(connection, read))
      if (row[0] == "ORVTEST") ofDatabase.push_back(row);
    std::vector<Lines> expected = own;
    expected.insert(expected.begin() + 3, Lines{"ORVTEST", "OTHER", "REMOTE_T", "TABLE", "REMOTE_T.SQL"});
    EXPECT_EQ(ofDatabase, expected) << "every schema, the catalogue's database name";
  });
  const std::vector<platform::MessageRequest>& asked = env.Dialogs().messages;
  ASSERT_EQ(asked.size(), 3u);
  EXPECT_EQ(asked[0].text, "初期データを登録しますか？");
  ASSERT_EQ(asked[0].checks.size(), 1u);
  EXPECT_EQ(asked[0].checks[0].caption, "全オブジェクトを登録する(非チェック時は所有オブジェクトのみ)");
  EXPECT_FALSE(asked[2].checks[0].checked) << "unchecked at every start";
  EXPECT_EQ(env.Dialogs().unanswered, 0);
}

TEST_F(NameTableTest, SpaceListFailuresAreReportedAndARemoteConnectionLeavesTheList) {
  TfrmObject* connection = Prepared();
  ScriptOption.NameTable = {"ORVTEST=S.ITEMS"};
  env.Dialogs().QueueMessage(IDOK);  // S.ITEMS is no name table
  WithNameTable(connection, [&](TfrmNameTable& form) {
    env.Dialogs().messages.clear();
    for (const char* mode : {"rdbspcinf:silent", "rdbspcinf:code"}) {
      setenv("SYMFOWARE_TOOL_FAIL", mode, 1);
      form.cmbDBSpaceNameDropDown();
      const Lines boxes = TakeBoxes();
      ASSERT_FALSE(boxes.empty()) << mode;
      EXPECT_EQ(boxes.back(), "定義情報を読み込めませんでした。") << mode;
      EXPECT_EQ(form.cmbDBSpaceName->count(), 0) << mode;
    }
    unsetenv("SYMFOWARE_TOOL_FAIL");
  });

  // Logged on without the tools: the server counts as remote.
  const std::string path = std::getenv("PATH");
  setenv("PATH", "/nonexistent", 1);
  TfrmObject* remote = Logon();
  setenv("PATH", path.c_str(), 1);
  ASSERT_TRUE(remote->IsRemote());
  WithNameTable(remote, [&](TfrmNameTable& form) {
    env.Dialogs().messages.clear();
    form.cmbDBSpaceName->addItem("KEPT");
    form.cmbDBSpaceNameDropDown();
    EXPECT_EQ(Items(*form.cmbDBSpaceName), Lines{"KEPT"});
    EXPECT_TRUE(Boxes().empty());
  });
}

TEST_F(NameTableTest, WindowFollowsTheConnectionsAndClosesWithoutItsOwn) {
  TfrmObject* first = Prepared();
  first->ExecSQL(kNamesTable);
  first->ExecSQL("COMMIT");
  ScriptOption.NameTable = {"ORVTEST=S.NAMES"};
  bool closed = false;
  WhenShown<TfrmNameTable>([&](TfrmNameTable& form) {
    TfrmObject* second = Logon();
    EXPECT_TRUE(SendFormMessage(&form, kMsgConnectionsChanged));
    EXPECT_EQ(form.cmbDBName->count(), 2);
    EXPECT_TRUE(form.isVisible());
    QPointer<TfrmNameTable> alive(&form);
    CloseFrame(second);
    CloseFrame(first);
    SendFormMessage(&form, kMsgConnectionsChanged);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    closed = alive.isNull() || !alive->isVisible();
    if (alive) alive->close();
  });
  ShowNameTable(*first);
  EXPECT_TRUE(closed);
}

}  // namespace
