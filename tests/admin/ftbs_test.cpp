// The database space editor on the stand-in sample, opened as the running
// program opens it: its definition from the tools' reports, a space made,
// its grants changed and dropped through rdbddlex, the refusals and the
// tools' failures.
#include <QApplication>
#include <QDir>
#include <QLabel>

#include "admin/ftbs.h"
#include "app/fobjddl.h"
#include "tests/admin/admin_fixture.h"
#include "ui/ovchklst.h"
#include "ui/ovcomctrls.h"
#include "ui/ovstdctl.h"

namespace testing_admin {
namespace {

class SpaceEditorTest : public AdminProgram {
 protected:
  SpaceEditorTest() {
    connection = Logon();
    AppOption.Separator = ";";
    QDir().mkpath(QString::fromStdString(AppOption.TempDir));
  }

  TfrmTBS* Open(const std::string& name) {
    RunReported([&] { connection->OpenObject(okTablespace, "", name, 0, 0, 0); });
    const std::vector<TfrmTBS*> editors = Windows<TfrmTBS>();
    return editors.empty() ? nullptr : editors.back();
  }
  // Each item as "NAME:LR" with "x" checked, "-" disabled, "." clear.
  static Lines Checks(const TovCheckListBox& list) {
    Lines items;
    for (int i = 0; i < list.count(); ++i) {
      const auto box = [&](bool checked, bool enabled) { return std::string(enabled ? "" : "-") + (checked ? "x" : "."); };
      items.push_back(list.item(i)->text().toStdString() + ":" + box(list.CheckedL(i), list.ItemEnabledL(i)) +
                      box(list.CheckedR(i), list.ItemEnabledR(i)));
    }
    return items;
  }
  static bool Has(const Lines& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  static int Item(const TovCheckListBox& list, const std::string& name) {
    for (int i = 0; i < list.count(); ++i)
      if (list.item(i)->text().toStdString() == name) return i;
    return -1;
  }
  Lines Spaces() {
    Lines names;
    connection->GetDBSpaceList(names);
    return names;
  }
  // The tool names of the calls so far, and the calls themselves cleared.
  Lines Tools() {
    Lines tools;
    for (const std::string& call : ToolCalls()) tools.push_back(call.substr(0, call.find('\t')));
    std::ofstream(env.Path("calls.log"), std::ios::trunc);
    return tools;
  }
  Lines TempFiles() const {
    Lines files;
    for (const QString& f : QDir(QString::fromStdString(AppOption.TempDir)).entryList(QDir::Files))
      files.push_back(f.toStdString());
    return files;
  }
  // A new space filled in as a user does it.
  TfrmTBS* NewSpace(const std::string& name, const std::string& device, const std::string& size) {
    RunReported([&] { CreateObjectEditor(*connection, okTablespace, "", "", 0, 0); });
    TfrmTBS* editor = Windows<TfrmTBS>().back();
    editor->txtName->setText(QString::fromStdString(name));
    editor->txtDevice->setText(QString::fromStdString(device));
    editor->txtSize->setText(QString::fromStdString(size));
    editor->txtSize->textEdited(editor->txtSize->text());
    return editor;
  }

  TfrmObject* connection = nullptr;
};

TEST_F(SpaceEditorTest, ASpaceLoadsFromTheReports) {
  Tools();
  TfrmTBS* editor = Open("DBSPACE1");
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->windowTitle().toStdString(), "データベーススペース - DBSPACE1 @ ORVSAMPLE");
  EXPECT_EQ(editor->cmbType->currentText().toStdString(), "FILE");
  EXPECT_EQ(editor->txtDevice->text().toStdString(), "/standin/dbspace/DBSPACE1");
  EXPECT_EQ(editor->txtSize->text().toStdString(), "102400");
  EXPECT_EQ(editor->cmbTani->currentText().toStdString(), "KB");
  EXPECT_EQ(editor->lblCreator->text().toStdString(), "ORVUSER");
  EXPECT_FALSE(editor->pnlName->isEnabled());
  // The creator's grant is fixed; PUBLIC (the report's "*") never passes it on.
  const Lines users = Checks(*editor->chkUser);
  EXPECT_EQ(users.back(), "PUBLIC:x-.");
  EXPECT_TRUE(Has(users, "ORVUSER:-x-x"));
  EXPECT_TRUE(Has(users, "AUDITOR:xx"));
  EXPECT_EQ(Checks(*editor->chkRole), (Lines{"GUEST_OWN:.-.", "SALES_READER:.-."}));
  EXPECT_FALSE(editor->Changed);
  EXPECT_EQ(Tools(), (Lines{"rdbprt", "rdbspcinf", "rdbprt"}));
  EXPECT_TRUE(TempFiles().empty()) << "control files are removed";

  // The role holding ALLOCATE on the other space is checked there.
  TfrmTBS* other = Open("DBSPACE2");
  ASSERT_NE(other, editor);
  EXPECT_EQ(Checks(*other->chkRole), (Lines{"GUEST_OWN:.-.", "SALES_READER:x-."}));

  // The DSI page: the space's sizes and its DSIs in KB.
  editor->pagObject->setCurrentWidget(editor->tabDsi);
  EXPECT_EQ(editor->lblStatic->text().toStdString(), "6656");
  EXPECT_EQ(editor->lblDynamic->text().toStdString(), "0");
  EXPECT_EQ(editor->lblFree->text().toStdString(), "95744");
  ASSERT_EQ(editor->lstDsi->topLevelItemCount(), 8);
  Lines first;
  for (int c = 0; c < editor->lstDsi->columnCount(); ++c)
    first.push_back(editor->lstDsi->topLevelItem(0)->text(c).toStdString());
  EXPECT_EQ(first, (Lines{"CUSTOMER_DSI", "DATA", "SALES", "CUSTOMER", "CUSTOMER_DSO", "1024"}));
  EXPECT_FALSE(editor->Changed);
  EXPECT_TRUE(Boxes().empty()) << Boxes().front();
}

// Made through rdbddlex, granted by SQL alone, dropped through rdbddlex on
// a catalogue below level 10.
TEST_F(SpaceEditorTest, ASpaceIsMadeGrantedAndDropped) {
  connection->CatalogLevel = 9;
  TfrmTBS* editor = NewSpace("NEWSPACE", "/data/new space", "2");
  EXPECT_EQ(editor->windowTitle().toStdString(), "データベーススペース - 新規");
  EXPECT_EQ(editor->cmbTani->currentText().toStdString(), "MB");
  EXPECT_TRUE(editor->pagObject->isTabVisible(editor->pagObject->indexOf(editor->tabDefine)));
  EXPECT_FALSE(editor->pagObject->isTabVisible(editor->pagObject->indexOf(editor->tabDsi)));
  Tools();
  editor->actCompile->trigger();
  EXPECT_EQ(Boxes(), Lines{"オブジェクトが作成されました。"});
  EXPECT_EQ(Tools(), (Lines{"rdbddlex", "rdbprt", "rdbspcinf", "rdbprt"})) << "the create, then the reload";
  EXPECT_TRUE(TempFiles().empty());
  EXPECT_TRUE(Has(Spaces(), "NEWSPACE"));
  EXPECT_EQ(editor->windowTitle().toStdString(), "データベーススペース - NEWSPACE @ ORVSAMPLE");
  EXPECT_EQ(editor->txtSize->text().toStdString(), "2048");
  EXPECT_EQ(editor->txtDevice->text().toStdString(), "/data/new space");

  // Only grants changed: no tool runs, and the statements quote their names.
  env.Dialogs().messages.clear();
  symfoware::ClearStatementJournal();
  editor->chkUser->ToggleL(Item(*editor->chkUser, "AUDITOR"));
  editor->chkRole->ToggleL(Item(*editor->chkRole, "SALES_READER"));
  ASSERT_TRUE(editor->Changed);
  editor->actCompile->trigger();
  EXPECT_EQ(Journal(), (Lines{"GRANT ALLOCATE ON DBSPACE NEWSPACE TO AUDITOR",
                              "GRANT ALLOCATE ON DBSPACE NEWSPACE TO ROLE SALES_READER"}));
  EXPECT_EQ(Boxes(), Lines{"権限を更新しました。"});
  EXPECT_EQ(Tools(), (Lines{"rdbprt", "rdbspcinf", "rdbprt"})) << "the reload alone";
  EXPECT_TRUE(Has(Checks(*editor->chkUser), "AUDITOR:x."));
  EXPECT_EQ(Checks(*editor->chkRole), (Lines{"GUEST_OWN:.-.", "SALES_READER:x-."}));

  // A new size makes the space again: the drop, then the create.
  env.Dialogs().messages.clear();
  editor->txtSize->setText("4096");
  editor->txtSize->textEdited("4096");
  editor->actCompile->trigger();
  EXPECT_EQ(Tools(), (Lines{"rdbddlex", "rdbddlex", "rdbprt", "rdbspcinf", "rdbprt"}));
  EXPECT_EQ(editor->txtSize->text().toStdString(), "4096");

  env.Dialogs().messages.clear();
  env.Dialogs().QueueMessage(IDYES);
  editor->actDelete->trigger();
  EXPECT_EQ(Boxes(), (Lines{"オブジェクトを削除しますか？", "オブジェクトが削除されました。"}));
  EXPECT_EQ(Tools(), Lines{"rdbddlex"});
  EXPECT_TRUE(TempFiles().empty());
  QCoreApplication::processEvents();
  EXPECT_TRUE(Windows<TfrmTBS>().empty());
  EXPECT_FALSE(Has(Spaces(), "NEWSPACE"));
}

// A name that holds DROP makes no drop; from level 10 the editor's drop is
// a statement.
TEST_F(SpaceEditorTest, ANameWithDropOnlyCreatesAndANewerCatalogueDropsBySql) {
  TfrmTBS* editor = NewSpace("DROPZONE", "/data/dropzone", "1");
  Tools();
  editor->actCompile->trigger();
  EXPECT_EQ(Tools(), (Lines{"rdbddlex", "rdbprt", "rdbspcinf", "rdbprt"}));
  EXPECT_EQ(Boxes(), Lines{"オブジェクトが作成されました。"});
  env.Dialogs().messages.clear();
  symfoware::ClearStatementJournal();
  env.Dialogs().QueueMessage(IDYES);
  editor->actDelete->trigger();
  EXPECT_EQ(Journal(), Lines{"DROP DBSPACE DROPZONE"});
  EXPECT_TRUE(Tools().empty());
  EXPECT_FALSE(Has(Spaces(), "DROPZONE"));
}

// Each changed box is one statement; the first failure ends them with the
// editor's own message.
TEST_F(SpaceEditorTest, GrantChangesRunAsStatements) {
  struct Case {
    const char* user;
    bool right;            // the right box is toggled, else the left
    const char* failing;   // statements that fail, or none
    const char* statement;
    const char* box;
  };
  const Case cases[] = {
      {"AUDITOR", true, nullptr, "REVOKE GRANT OPTION FOR ALLOCATE ON DBSPACE DBSPACE1 FROM AUDITOR CASCADE",
       "権限を更新しました。"},
      {"PUBLIC", false, nullptr, "REVOKE ALLOCATE ON DBSPACE DBSPACE1 FROM PUBLIC CASCADE", "権限を更新しました。"},
      {"GUEST", false, "GRANT ALLOCATE", "failed: GRANT ALLOCATE ON DBSPACE DBSPACE1 TO GUEST",
       "権限の更新に失敗しました。"},
  };
  TfrmTBS* editor = Open("DBSPACE1");
  ASSERT_NE(editor, nullptr);
  for (const Case& c : cases) {
    const int item = Item(*editor->chkUser, c.user);
    ASSERT_GE(item, 0) << c.user;
    c.right ? editor->chkUser->ToggleR(item) : editor->chkUser->ToggleL(item);
    env.Dialogs().messages.clear();
    symfoware::ClearStatementJournal();
    if (c.failing) symfoware::FailStatementsMatching(c.failing, "JYP9999E test");
    editor->actCompile->trigger();
    symfoware::ClearStatementFailures();
    EXPECT_EQ(Journal(), Lines{c.statement}) << c.user;
    EXPECT_EQ(Boxes(), Lines{c.box}) << c.user;
    EXPECT_FALSE(editor->Changed) << c.user << ": reloaded";
  }
}

TEST_F(SpaceEditorTest, ACompileRefusesMissingInput) {
  struct Case {
    const char* name;
    const char* device;
    const char* size;
    const char* message;
    const char* focus;
  };
  const Case cases[] = {
      {"", "/data/a", "1", "名前を入力して下さい。", "txtName"},
      {"S1", "  ", "1", "データファイル名を指定して下さい。", "txtDevice"},
      {"S1", "/data/a", "", "サイズを指定して下さい。", "txtSize"},
  };
  for (const Case& c : cases) {
    TfrmTBS* editor = NewSpace(c.name, c.device, c.size);
    editor->show();
    env.Dialogs().messages.clear();
    Tools();
    editor->actCompile->trigger();
    EXPECT_EQ(Boxes(), Lines{c.message}) << c.message;
    EXPECT_TRUE(Tools().empty()) << c.message;
    EXPECT_EQ(QApplication::focusWidget() ? QApplication::focusWidget()->objectName().toStdString() : "", c.focus)
        << c.message;
    EXPECT_TRUE(editor->Changed) << c.message;
    editor->SetChanged(false);
    editor->actExit->trigger();
  }
}

// A tool that fails ends the compile: no create after the drop, no grants,
// no message of a success; the window keeps its input.
TEST_F(SpaceEditorTest, AFailedDropStopsTheCompile) {
  connection->CatalogLevel = 9;
  TfrmTBS* editor = Open("DBSPACE2");
  ASSERT_NE(editor, nullptr);
  editor->txtSize->setText("999");
  editor->txtSize->textEdited("999");
  editor->chkUser->ToggleL(Item(*editor->chkUser, "AUDITOR"));
  Tools();
  symfoware::ClearStatementJournal();
  setenv("SYMFOWARE_TOOL_FAIL", "rdbddlex:code", 1);
  editor->actCompile->trigger();
  unsetenv("SYMFOWARE_TOOL_FAIL");
  EXPECT_EQ(Tools(), Lines{"rdbddlex"});
  EXPECT_TRUE(Journal().empty());
  EXPECT_FALSE(Has(Boxes(), "オブジェクトが作成されました。"));
  EXPECT_TRUE(editor->Changed);
  EXPECT_FALSE(editor->IsNew);
  EXPECT_EQ(editor->txtSize->text().toStdString(), "999");
  EXPECT_TRUE(TempFiles().empty());

  // The failed delete leaves the window open.
  env.Dialogs().messages.clear();
  editor->SetChanged(false);
  env.Dialogs().QueueMessage(IDYES);
  setenv("SYMFOWARE_TOOL_FAIL", "rdbddlex:code", 1);
  editor->actDelete->trigger();
  unsetenv("SYMFOWARE_TOOL_FAIL");
  QCoreApplication::processEvents();
  EXPECT_EQ(Windows<TfrmTBS>().size(), 1u);
  EXPECT_FALSE(Has(Boxes(), "オブジェクトが削除されました。"));
}

// After a good drop a refused create leaves a new space: the next compile
// makes it, with no drop before.
TEST_F(SpaceEditorTest, ACreateRefusedAfterTheDropLeavesANewSpace) {
  connection->CatalogLevel = 9;
  TfrmTBS* editor = Open("DBSPACE2");
  ASSERT_NE(editor, nullptr);
  editor->cmbTani->setCurrentText("MB");
  editor->txtSize->setText("1.5");  // the tool takes whole numbers only
  editor->txtSize->textEdited("1.5");
  Tools();
  editor->actCompile->trigger();
  EXPECT_EQ(Tools(), (Lines{"rdbddlex", "rdbddlex"}));
  EXPECT_FALSE(Has(Spaces(), "DBSPACE2"));
  EXPECT_TRUE(editor->IsNew);
  EXPECT_TRUE(editor->Changed);
  EXPECT_EQ(editor->windowTitle().toStdString(), "データベーススペース - 新規");
  EXPECT_TRUE(editor->pnlName->isEnabled());
  EXPECT_FALSE(Has(Boxes(), "オブジェクトが作成されました。"));

  env.Dialogs().messages.clear();
  editor->txtSize->setText("2");
  editor->txtSize->textEdited("2");
  editor->actCompile->trigger();
  EXPECT_EQ(Tools(), (Lines{"rdbddlex", "rdbprt", "rdbspcinf", "rdbprt"}));
  EXPECT_EQ(Boxes(), Lines{"オブジェクトが作成されました。"});
  EXPECT_TRUE(Has(Spaces(), "DBSPACE2"));
  EXPECT_EQ(editor->txtSize->text().toStdString(), "2048");
}

TEST_F(SpaceEditorTest, AFailedReportOpensNoWindow) {
  struct Case {
    const char* fail;
    Lines tools;  // a failed definition report runs no other
  };
  const Case cases[] = {
      {"rdbprt:noname", {"rdbprt"}},
      {"rdbprt:silent", {"rdbprt"}},
      {"rdbspcinf:nospace", {"rdbprt", "rdbspcinf"}},
  };
  for (const Case& c : cases) {
    env.Dialogs().messages.clear();
    Tools();
    setenv("SYMFOWARE_TOOL_FAIL", c.fail, 1);
    Open("DBSPACE1");
    unsetenv("SYMFOWARE_TOOL_FAIL");
    QCoreApplication::processEvents();
    EXPECT_TRUE(Windows<TfrmTBS>().empty()) << c.fail;
    EXPECT_EQ(Boxes(), Lines{"コマンド情報を取得できませんでした。"}) << c.fail;
    EXPECT_EQ(Tools(), c.tools) << c.fail;
    EXPECT_TRUE(TempFiles().empty()) << c.fail;
  }
}

// The script writer gives the lines a create would run, then the separator.
TEST_F(SpaceEditorTest, TheScriptIsTheCreate) {
  std::ostringstream script;
  GenerateDDL(*connection, okTablespace, "", "DBSPACE1", script, "", "");
  EXPECT_EQ(script.str(),
            "CREATE DBSPACE DBSPACE1\r\n  ALLOCATE FILE /standin/dbspace/DBSPACE1\r\n  ATTRIBUTE SPACE (102400K)\r\n;\r\n");
  EXPECT_TRUE(Windows<TfrmTBS>().empty());
}

}  // namespace
}  // namespace testing_admin
