#include <gtest/gtest.h>

#include <QDialog>
#include <QTabWidget>
#include <QTimer>

#include <sstream>

#include "app/core/ovmsg.h"
#include "app/core/ovreg.h"
#include "app/fobjddl.h"
#include "editor/ovmemo.h"
#include "objedit/fddlexec.h"
#include "standin/symfoware/catalogue.h"
#include "tests/objedit/objedit_fixture.h"
#include "tests/objedit/test_editor.h"
#include "tests/platform/whenshown.h"
#include "ui/ovstdctl.h"

namespace testing_objedit {
namespace {

constexpr int kTable = 45;

class EditorProtocolTest : public ObjEditTest {
 protected:
  EditorProtocolTest() {
    RegisterTestEditor();
    TfrmTestEditor::NextVariant = TCompileVariant::Previewed;
  }
  TfrmObject* LogonWithTable() {
    TfrmObject* connection = Logon();
    connection->ExecSQL("CREATE TABLE S1.T1 (C1 CHAR(4), C2 INTEGER)");
    symfoware::ClearStatementJournal();
    return connection;
  }
  TfrmTestEditor* Open(TfrmObject& connection, const std::string& schema, const std::string& name,
                       uint8_t mode = 0) {
    return qobject_cast<TfrmTestEditor*>(OpenObject(connection, kTable, schema, name, mode, 0, 0));
  }
  // Closes any execution window left by a stop, as the user would.
  void CloseStoppedRuns() {
    QTimer::singleShot(0, [] {
      for (TfrmDDLExec* form : TfrmDDLExec::Windows()) form->close();
    });
  }
  static std::string Caption(QWidget& w) { return w.windowTitle().toStdString(); }
  static bool Shown(TfrmTestEditor& form, QWidget* page) {
    return form.pagObject->isTabVisible(form.pagObject->indexOf(page));
  }
};

TEST_F(EditorProtocolTest, OneWindowPerObjectAndNewObjectsAreNeverTwins) {
  TfrmObject* connection = LogonWithTable();
  TfrmTestEditor* first = Open(*connection, "S1", "T1");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(Caption(*first), "TABLE - S1.T1 @ ORVTEST");
  EXPECT_EQ(first->txtColumns->text().toStdString(), "C1 CHAR(4), C2 INTEGER");
  EXPECT_FALSE(first->pnlName->isEnabled());
  EXPECT_TRUE(Shown(*first, first->tabSource));
  // Compile once changed or on the source page; delete what exists.
  EXPECT_FALSE(first->actCompile->isEnabled());
  EXPECT_TRUE(first->actDelete->isEnabled());
  Edit(*first->txtColumns, "C1 CHAR(4)");
  EXPECT_TRUE(first->actCompile->isEnabled());
  first->SetChanged(false);
  EXPECT_EQ(Open(*connection, "S1", "T1"), nullptr);
  EXPECT_EQ(Windows<TfrmTestEditor>().size(), 1u);

  TfrmTestEditor* fresh = Open(*connection, "", "");
  TfrmTestEditor* another = Open(*connection, "", "");
  ASSERT_TRUE(fresh && another);
  EXPECT_EQ(Caption(*fresh), "TABLE - 新規");
  EXPECT_TRUE(fresh->pnlName->isEnabled());
  EXPECT_FALSE(Shown(*fresh, fresh->tabSource));
  EXPECT_EQ(fresh->SchemaName(), "S1");
  EXPECT_FALSE(fresh->actDelete->isEnabled());
  EXPECT_EQ(Windows<TfrmTestEditor>().size(), 3u);

  // A missing object: the message, and no window.
  EXPECT_EQ(Open(*connection, "S1", "NOSUCH"), nullptr);
  EXPECT_EQ(Boxes(), Lines{"定義情報を読み込めませんでした。"});
  EXPECT_EQ(Windows<TfrmTestEditor>().size(), 3u);
}

TEST_F(EditorProtocolTest, AnEditorKeepsASchemaItsUserDoesNotOwn) {
  LogonWithTable();
  {
    auto session = symfoware::OpenStandinSession("ORVTEST", "ADMIN", "secret");
    symfoware::AddUser(session->Database(), "GUEST", "guest");
  }
  auto* guest = new TfrmObject(main.get(), "guest", "GUEST", "ORVTEST");
  TfrmTestEditor* form = Open(*guest, "S1", "T1");
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->SchemaName(), "S1");
  EXPECT_EQ(Caption(*form), "TABLE - S1.T1 @ ORVTEST");
  env.Dialogs().QueueMessage(IDYES, {false});
  form->actDelete->trigger();
  EXPECT_EQ(Journal().back(), "DROP TABLE S1.T1");
}

TEST_F(EditorProtocolTest, CompileOutcomesInTheJournal) {
  struct Case {
    const char* name;
    TCompileVariant variant;
    bool existing;
    std::string columns;
    bool showDDL;
    int previewAnswer;  // the preview's button: accept or reject
    Lines journal;
    Lines boxes;
    bool isNewAfter;
    bool changedAfter;
    std::string tableAfter;  // the columns the catalogue then lists
    const char* failing = nullptr;  // statements the server is made to refuse
  };
  const Case cases[] = {
      {"a new table", TCompileVariant::Previewed, false, "C1 CHAR(4)", false, 0,
       {"CREATE TABLE S1.T2 (C1 CHAR(4))"}, {}, false, false, "C1"},
      {"a cancelled preview runs nothing", TCompileVariant::Previewed, true, "C1 CHAR(4)", true, QDialog::Rejected,
       {}, {}, false, true, "C1,C2"},
      {"a confirmed preview", TCompileVariant::Previewed, true, "C9 INTEGER", true, QDialog::Accepted,
       {"DROP TABLE S1.T1 CASCADE", "CREATE TABLE S1.T1 (C9 INTEGER)"}, {}, false, false, "C9"},
      {"a stop keeps the state and what ran", TCompileVariant::Previewed, true, "C1 CHAR(", false, 0,
       {"DROP TABLE S1.T1 CASCADE", "failed: CREATE TABLE S1.T1 (C1 CHAR()"}, {}, false, true, ""},
      {"the transactional compile rolls back", TCompileVariant::Transactional, true, "C1 CHAR(", false, 0,
       {"DROP TABLE S1.T1 CASCADE", "failed: CREATE TABLE S1.T1 (C1 CHAR()"}, {}, false, true, "C1,C2"},
      {"a refused statement stops the run", TCompileVariant::Previewed, false, "C8 INTEGER", false, 0,
       {"failed: CREATE TABLE S1.T2 (C8 INTEGER)"}, {}, true, true, "", "^CREATE TABLE S1\\.T2"},
      {"the direct compile", TCompileVariant::Direct, true, "C5 INTEGER", false, 0,
       {"DROP TABLE S1.T1 CASCADE", "CREATE TABLE S1.T1 (C5 INTEGER)"}, {"コンパイルは正常に終了しました。"}, false,
       false, "C5"},
      {"an edit that changes nothing", TCompileVariant::Previewed, true, "C1 CHAR(4), C2 INTEGER", false, 0, {},
       {"変更箇所が見つかりませんでした。"},
       false, false, "C1,C2"},
  };
  TfrmObject* connection = Logon();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AppOption.AutoCommit = true;
    connection->ExecScript({"DROP TABLE S1.T1 CASCADE", ";", "DROP TABLE S1.T2 CASCADE", ";",
                            "CREATE TABLE S1.T1 (C1 CHAR(4), C2 INTEGER)"},
                           true);
    symfoware::ClearStatementJournal();
    symfoware::ClearStatementFailures();
    if (c.failing) symfoware::FailStatementsMatching(c.failing, "JYP2001E 拒否されました");
    AppOption.AutoCommit = c.variant != TCompileVariant::Transactional;
    AppOption.ShowDDL = c.showDDL;
    AppOption.CloseDDL = true;
    TfrmTestEditor::NextVariant = c.variant;
    TfrmTestEditor* form = c.existing ? Open(*connection, "S1", "T1") : Open(*connection, "", "");
    ASSERT_NE(form, nullptr);
    if (!c.existing) form->txtName->setText("T2");
    Edit(*form->txtColumns, c.columns);
    if (c.showDDL)
      testing_support::WhenShown<QDialog>([&](QDialog& preview) { preview.done(c.previewAnswer); });
    CloseStoppedRuns();
    env.Dialogs().QueueMessage(IDYES);  // "処理を中断しますか？" when a stopped run is closed
    form->actCompile->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(Journal(), c.journal);
    Lines boxes = Boxes();
    std::erase(boxes, "処理を中断しますか？");
    EXPECT_EQ(boxes, c.boxes);
    EXPECT_EQ(form->IsNew, c.isNewAfter);
    EXPECT_EQ(form->Changed, c.changedAfter);
    TovSQLQuery& q = connection->OpenSQL(
        "SELECT GROUP_CONCAT(C.COLUMN_NAME) FROM RDBII_SYSTEM.RDBII_COLUMN C, RDBII_SYSTEM.RDBII_TABLE T "
        "WHERE C.TABLE_CODE = T.TABLE_CODE AND T.TABLE_NAME = '" + std::string(c.existing ? "T1" : "T2") + "'");
    EXPECT_EQ(q.Eof() ? "" : q.AsString(size_t{0}), c.tableAfter);
    form->SetChanged(false);
    form->Discard();
    env.Dialogs().messages.clear();
  }
}

TEST_F(EditorProtocolTest, PageChangeAndReloadQuestions) {
  TfrmObject* connection = LogonWithTable();
  struct Case {
    int answer;
    bool pageChanged;
    Lines journal;
    std::string columnsAfter;
  };
  for (const Case& c : {Case{IDCANCEL, false, {}, "C7 INTEGER"},
                        Case{IDNO, true, {}, "C1 CHAR(4), C2 INTEGER"},
                        Case{IDYES, true, {"DROP TABLE S1.T1 CASCADE", "CREATE TABLE S1.T1 (C7 INTEGER)"},
                             "C7 INTEGER"}}) {
    SCOPED_TRACE(c.answer);
    TfrmTestEditor* form = Open(*connection, "S1", "T1");
    ASSERT_NE(form, nullptr);
    Edit(*form->txtColumns, "C7 INTEGER");
    symfoware::ClearStatementJournal();
    env.Dialogs().QueueMessage(c.answer);
    form->pagObject->setCurrentWidget(form->tabSource);
    EXPECT_EQ(Boxes().back(), "情報が変更されています。コンパイルしますか？");
    EXPECT_EQ(form->pagObject->currentWidget() == form->tabSource, c.pageChanged);
    EXPECT_EQ(Journal(), c.journal);
    if (c.pageChanged) {
      EXPECT_EQ(form->txtSource->Lines().GetTextStr(), "CREATE TABLE S1.T1 (" + c.columnsAfter + ")\r\n");
      EXPECT_FALSE(form->Changed);
    } else {
      EXPECT_EQ(form->txtColumns->text().toStdString(), c.columnsAfter);
      EXPECT_TRUE(form->Changed);
    }
    form->SetChanged(false);
    form->Discard();
  }

  // 戻す asks before it drops the edits.
  TfrmTestEditor* form = Open(*connection, "S1", "T1");
  Edit(*form->txtColumns, "X INTEGER");
  env.Dialogs().QueueMessage(IDNO);
  form->actRefresh->trigger();
  EXPECT_EQ(form->txtColumns->text().toStdString(), "X INTEGER");
  env.Dialogs().QueueMessage(IDYES);
  form->actRefresh->trigger();
  EXPECT_EQ(Boxes().back(), "全ての変更を取り消しますか？");
  EXPECT_EQ(form->txtColumns->text().toStdString(), "C7 INTEGER");
  EXPECT_FALSE(form->Changed);
}

TEST_F(EditorProtocolTest, DeleteAsksWithTheCascadeOptionAndClosesTheWindow) {
  TfrmObject* connection = LogonWithTable();
  connection->ExecSQL("CREATE VIEW S1.V1 AS SELECT C1 FROM S1.T1");
  TfrmTestEditor* form = Open(*connection, "S1", "T1");
  ASSERT_NE(form, nullptr);
  symfoware::ClearStatementJournal();
  env.Dialogs().QueueMessage(IDNO);
  form->actDelete->trigger();
  EXPECT_TRUE(Journal().empty());
  // Without CASCADE the view keeps the table: the error is shown, the window stays.
  env.Dialogs().QueueMessage(IDYES, {false});
  form->actDelete->trigger();
  EXPECT_EQ(Journal(), Lines{"failed: DROP TABLE S1.T1"});
  EXPECT_EQ(Windows<TfrmTestEditor>().size(), 1u);
  env.Dialogs().QueueMessage(IDYES);
  form->actDelete->trigger();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(Journal().back(), "DROP TABLE S1.T1 CASCADE");
  ASSERT_GE(env.Dialogs().messages.size(), 2u);
  EXPECT_EQ(env.Dialogs().messages[0].checks.at(0).caption, "CASCADE オプション");
  EXPECT_TRUE(env.Dialogs().messages[0].checks.at(0).checked);
  EXPECT_EQ(Boxes().back(), "オブジェクトが削除されました。");
  EXPECT_TRUE(Windows<TfrmTestEditor>().empty());
  EXPECT_EQ(Value(*connection, "SELECT COUNT(*) FROM RDBII_SYSTEM.RDBII_TABLE WHERE SCHEMA_NAME = 'S1'"), "0");
}

TEST_F(EditorProtocolTest, CodeAssistAsksThroughTheEditorsQueryAndTheSizeIsKeptUnderItsKey) {
  TfrmObject* connection = LogonWithTable();
  TfrmTestEditor* form = Open(*connection, "S1", "T1", 1);
  ASSERT_NE(form, nullptr);
  ASSERT_EQ(form->ActivePage(), TEditorPage::Source);
  AppOption.CodeAssist = true;
  const std::string text = "SELECT * FROM S1.";
  form->txtSource->Lines().SetTextStr(text);
  form->txtSource->SetRowCol(0, static_cast<int>(text.size()));
  EXPECT_TRUE(SendFormMessage(form, kMsgCodeAssist, 1, 1));
  EXPECT_NE(form->qrySQL.SQL(), "");

  constexpr int kWidth = 640;
  QWidget* frame = form->parentWidget();
  frame->resize(kWidth, frame->height());
  form->SetChanged(false);
  frame->close();
  platform::KeyScope scope(AppRegistry);
  ASSERT_TRUE(AppRegistry.OpenKey(GuiKey("TESTEDIT"), false));
  EXPECT_EQ(AppRegistry.ReadInteger("Width"), kWidth);
}

TEST_F(EditorProtocolTest, ScriptsWriteTheCreateTextSilentlyAndNothingForAMissingObject) {
  TfrmObject* connection = LogonWithTable();
  std::ostringstream stream;
  stream << "head\r\n";
  GenerateDDL(*connection, kTable, "S1", "T1", stream, "", "");
  GenerateDDL(*connection, kTable, "S1", "NOSUCH", stream, "", "");
  EXPECT_EQ(stream.str(), "head\r\nCREATE TABLE S1.T1 (C1 CHAR(4), C2 INTEGER)\r\n");
  EXPECT_TRUE(Boxes().empty());
  EXPECT_TRUE(Windows<TfrmTestEditor>().empty());
}

}  // namespace
}  // namespace testing_objedit
