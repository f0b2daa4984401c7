#include "app/core/fobjcmdcore.h"
#include "app/ovforms.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <memory>
#include <stdexcept>

#include "app/fmain.h"
#include "app/core/ovconnwin.h"
#include "app/core/ovreg.h"
#include "app/core/zarur.h"
#include "editor/DAziver.h"
#include "tests/app/unserved_connection.h"
#include "tests/platform/temp_settings.h"
#include "tests/platform/testapp.h"
#include "ui/ovstdctl.h"

namespace {

// A connection window that is never asked for SQL here.
class IdleConnection : public QWidget, public testing_connection::UnservedConnection {
 public:
  IdleConnection(const std::string& user, const std::string& dataSource) {
    dm_.Connection.UserName = user;
    dm_.Connection.DataSource = dataSource;
  }
  QWidget* Window() override { return this; }
  TdmSymfoware& Module() override { return dm_; }
  int32_t Level() const override { return 10; }
  bool IsRemote() const override { return false; }
  TovSQLQuery& OpenSQL(const std::string&) override { throw std::logic_error("no SQL here"); }
  TovSQLQuery& OpenSQLParams(const std::string&, const std::vector<std::string>&) override {
    throw std::logic_error("no SQL here");
  }
  void GetSchemaList(std::vector<std::string>&, bool) override { throw std::logic_error("no SQL here"); }
  std::string GetDBCode(const std::string&) override { throw std::logic_error("no SQL here"); }
  TObjectCount ObjectCount() const override { return {}; }
  std::vector<TObjectItem> SelectedObjects() const override { return {}; }

 private:
  TdmSymfoware dm_;
};

enum class CompileResult { Succeeds, Fails, Throws };

// A window that counts the calls of its virtual operations.
class TestForm : public TovForm {
 public:
  using TovForm::TovForm;
  TovSQLQuery query;

  void ChangedIsNew() override { ++changedIsNew; }
  void Compile(QObject* sender) override {
    ++compiles;
    EXPECT_EQ(sender, this);
    if (compileResult == CompileResult::Throws) throw std::runtime_error("コンパイルエラー");
    if (compileResult == CompileResult::Succeeds) SetChanged(false);
  }
  void Reload(QObject* sender) override { reloads.push_back(sender); }
  void DBChange(QObject* sender) override { dbChanges.push_back(sender); }
  void CodeAssist(int x, int y) override { assists.push_back({x, y}); }
  void LoadWindowSize() override { LoadWindowSizeFrom("TESTFORM"); }
  void SaveWindowSize() override {
    ++sizeSaves;
    SaveWindowSizeTo("TESTFORM");
  }

  CompileResult compileResult = CompileResult::Succeeds;
  int changedIsNew = 0;
  int compiles = 0;
  int sizeSaves = 0;
  std::vector<QObject*> reloads;
  std::vector<QObject*> dbChanges;
  std::vector<std::pair<int, int>> assists;
};

class TovFormTest : public ::testing::Test {
 protected:
  TovFormTest() {
    TestApp();
    InitFolders();
    AppOption = {};
    ScriptOption = {};
    main = std::make_unique<TfrmMain>();
    connection = std::make_unique<IdleConnection>("ORVUSER", "orvsample");
    main->mdiArea->addSubWindow(connection.get());
    main->cmbDBName->addItem("OTHER @ X", QVariant::fromValue<QObject*>(nullptr));
    main->cmbDBName->addItem("orvuser @ ORVSAMPLE", QVariant::fromValue<QObject*>(connection.get()));
  }

  // A bound window; it lives in the main window's MDI area.
  TestForm* NewForm() { return new TestForm(*connection); }

  testing_support::TempSettings env;
  std::unique_ptr<TfrmMain> main;
  std::unique_ptr<IdleConnection> connection;
};

TEST(TaskCaption, CutAfterTwelveColumns) {
  struct Case {
    const char* caption;
    const char* want;
  };
  const Case cases[] = {
      {"", ""},
      {"ABCDEFGHIJKL", "ABCDEFGHIJKL"},
      {"ABCDEFGHIJKLM", "ABCDEFGHIJKL…"},
      {"テーブル定義", "テーブル定義"},                 // 12 columns
      {"テーブル定義です", "テーブル定義…"},            // 16 columns
      {"ABテーブル定義X", "ABテーブル定…"},              // a wide character is never split
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    EXPECT_EQ(TaskCaptionText(c.caption), c.want);
  }
}

TEST(SchemaPrefix, ScriptOptionDecidesOnlyInScriptMode) {
  struct Case {
    const char* schema;
    const char* owner;
    bool script;
    int option;
    const char* want;
  };
  const Case cases[] = {
      {"ORVUSER", "X", true, kSchemaUnlessLoginUser, ""},
      {"ORVUSER", "X", false, kSchemaUnlessLoginUser, "ORVUSER."},
      {" ORVUSER ", "X", true, kSchemaUnlessLoginUser, ""},
      {"orvuser", "X", true, kSchemaUnlessLoginUser, "\"orvuser\"."},  // the user name is compared case-sensitively
      {"SALES", "SALES ", true, kSchemaUnlessOwner, ""},
      {"SALES", "HR", true, kSchemaUnlessOwner, "SALES."},
      {"SALES", "HR", true, kSchemaAlways, "SALES."},
      {"SALES", "HR", true, 3, ""},
      {"SALES", "HR", true, 7, ""},
      {"SALES", "HR", false, 3, "SALES."},
      {"  ", "HR", false, kSchemaAlways, ""},
      {"Sales", "HR", false, kSchemaAlways, "\"Sales\"."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.schema) + "/" + std::to_string(c.option) + (c.script ? " script" : ""));
    EXPECT_EQ(SchemaPrefixText(c.schema, c.owner, c.script, c.option, "ORVUSER"), c.want);
  }
}

TEST_F(TovFormTest, BindsToTheConnectionOfItsOwner) {
  TestForm* bound = NewForm();
  EXPECT_EQ(bound->ConnectionWindow, connection.get());
  EXPECT_EQ(bound->Owner(), connection.get());
  EXPECT_EQ(bound->MainWindow(), main.get());
  EXPECT_EQ(bound->size(), QSize(308, 162));
  EXPECT_EQ(qobject_cast<QMdiSubWindow*>(bound->parentWidget())->mdiArea(), main->mdiArea);
  bound->AddQuery(&bound->query);
  EXPECT_EQ(bound->query.Connection(), &connection->Module().Connection);

  auto* child = new TestForm(bound);  // another window's connection
  EXPECT_EQ(child->ConnectionWindow, connection.get());

  main->cmbDBName->setCurrentIndex(1);
  auto* fromMain = new TestForm(main.get());  // the main window's current connection
  EXPECT_EQ(fromMain->ConnectionWindow, connection.get());

  main->cmbDBName->setCurrentIndex(0);
  auto* unbound = new TestForm(main.get());
  EXPECT_EQ(unbound->ConnectionWindow, nullptr);
  unbound->AddQuery(&unbound->query);
  EXPECT_EQ(unbound->query.Connection(), nullptr);

  // Re-pointing follows a new connection window.
  IdleConnection other("GUEST", "ORVSAMPLE");
  unbound->SetConnectionWindow(&other);
  EXPECT_EQ(unbound->query.Connection(), &other.Module().Connection);
  unbound->SetConnectionWindow(nullptr);
}

TEST_F(TovFormTest, TaskButtonCarriesCaptionAndHint) {
  TestForm* form = NewForm();
  form->setWindowTitle("テーブル - SALES.CUSTOMER_ORDERS");
  form->CreateTaskButton();
  QToolButton* button = form->TaskButton;
  ASSERT_NE(button, nullptr);
  form->CreateTaskButton();
  EXPECT_EQ(form->TaskButton, button);  // created once
  EXPECT_EQ(button->parentWidget(), main->tolTask);
  EXPECT_TRUE(button->isCheckable());
  EXPECT_TRUE(button->isChecked());
  EXPECT_EQ(button->property("Tag").value<QObject*>(), form);
  form->SetTaskCaption("テーブル - SALES.CUSTOMER_ORDERS");
  EXPECT_EQ(button->text(), "テーブル - S…");
  EXPECT_EQ(button->toolTip(), "テーブル - SALES.CUSTOMER_ORDERS");
  form->setWindowTitle("ビュー - HR.DEPT_MEMBERS");
  EXPECT_EQ(button->toolTip(), "ビュー - HR.DEPT_MEMBERS");

  QPointer<QToolButton> watch = button;
  const qsizetype actions = main->tolTask->actions().size();
  delete form->parentWidget();  // the button goes with its window
  EXPECT_TRUE(watch.isNull());
  EXPECT_EQ(main->tolTask->actions().size(), actions - 1);
}

TEST_F(TovFormTest, ActivationSelectsTheConnectionIgnoringCaseWithoutTheChangeHandler) {
  TestForm* form = NewForm();
  form->CreateTaskButton();
  form->TaskButton->setChecked(false);
  main->cmbDBName->setCurrentIndex(0);
  int changes = 0;
  QObject::connect(main->cmbDBName, &QComboBox::currentIndexChanged, [&] { ++changes; });
  form->Activate();
  EXPECT_EQ(main->cmbDBName->currentIndex(), 1);
  EXPECT_EQ(changes, 0);
  EXPECT_TRUE(form->TaskButton->isChecked());
}

// Two logons of one user to one data source share a label; a window bound
// to the second selects the second entry, and so does the second
// connection window itself.
TEST_F(TovFormTest, ActivationSelectsTheEntryOfItsOwnConnectionWindowWhenLabelsAreEqual) {
  IdleConnection second("ORVUSER", "orvsample");
  main->mdiArea->addSubWindow(&second);
  main->cmbDBName->addItem("orvuser @ ORVSAMPLE", QVariant::fromValue<QObject*>(&second));
  auto* form = new TestForm(second);
  main->cmbDBName->setCurrentIndex(0);
  form->Activate();
  EXPECT_EQ(main->cmbDBName->currentIndex(), 2);
  EXPECT_EQ(main->CurrentConnection(), &second);
  main->SelectConnectionEntry(connection.get());
  EXPECT_EQ(main->cmbDBName->currentIndex(), 1);
  delete form->parentWidget();
  main->mdiArea->removeSubWindow(&second);
}

TEST_F(TovFormTest, MessagesBecomeVirtualCalls) {
  TestForm* form = NewForm();
  EXPECT_TRUE(SendFormMessage(form, kMsgConnectionsChanged));
  EXPECT_TRUE(SendFormMessage(form, kMsgReload));
  EXPECT_TRUE(SendFormMessage(form, kMsgCodeAssist, 12, 34));
  EXPECT_EQ(form->dbChanges, (std::vector<QObject*>{form}));
  EXPECT_EQ(form->reloads, (std::vector<QObject*>{form}));
  EXPECT_EQ(form->assists, (std::vector<std::pair<int, int>>{{12, 34}}));
  EXPECT_FALSE(SendFormMessage(nullptr, kMsgReload));

  form->SetIsNew(true);
  EXPECT_TRUE(form->IsNew);
  EXPECT_EQ(form->changedIsNew, 1);
}

TEST_F(TovFormTest, ClosingWithChangesAsksAndAFailingCompileKeepsTheWindowOpen) {
  struct Case {
    const char* name;
    int answer;
    CompileResult compile;
    bool closes;
    int compiles;
    size_t messages;
  };
  const Case cases[] = {
      {"no: closes without compiling", IDNO, CompileResult::Fails, true, 0, 1},
      {"cancel: stays", IDCANCEL, CompileResult::Succeeds, false, 0, 1},
      {"yes, compiled: closes", IDYES, CompileResult::Succeeds, true, 1, 1},
      {"yes, compile fails: stays", IDYES, CompileResult::Fails, false, 1, 1},
      {"yes, compile raises: stays and shows it", IDYES, CompileResult::Throws, false, 1, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    env.Dialogs().messages.clear();
    TestForm* form = NewForm();
    QPointer<QWidget> frame = form->parentWidget();
    form->show();
    form->compileResult = c.compile;
    form->SetChanged(true);
    env.Dialogs().QueueMessage(c.answer);
    frame->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(frame.isNull(), c.closes);
    ASSERT_EQ(env.Dialogs().messages.size(), c.messages);
    EXPECT_EQ(env.Dialogs().messages[0].text, "情報が変更されています。コンパイルしますか？");
    EXPECT_EQ(env.Dialogs().messages[0].flags, static_cast<unsigned>(MB_YESNOCANCEL | MB_ICONQUESTION));
    if (c.messages > 1) {
      EXPECT_EQ(env.Dialogs().messages[1].text, "コンパイルエラー");
    }
    if (!frame.isNull()) {
      EXPECT_EQ(form->compiles, c.compiles);
      EXPECT_EQ(form->sizeSaves, 0);
      delete frame;
    }
  }
}

TEST_F(TovFormTest, ClosingWithoutChangesSavesTheSizeAndNeverAsks) {
  main->show();
  TestForm* form = NewForm();
  QWidget* frame = form->parentWidget();
  form->show();
  frame->resize(321, 234);
  frame->close();
  EXPECT_TRUE(env.Dialogs().messages.empty());

  TestForm* again = NewForm();
  again->show();
  EXPECT_EQ(again->parentWidget()->size(), QSize(321, 234));
  TovRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\Tessavar\\ORV\\GUI\\TESTFORM", false));
  EXPECT_EQ(reg.ReadInteger("Width"), 321);
}

// Under UserLowerName the window's names keep the case they are typed in.
TEST_F(TovFormTest, LowerNamesGiveEveryEditAndComboBoxNormalCaseAtTheFirstShow) {
  main->show();
  for (const bool lowerNames : {false, true}) {
    SCOPED_TRACE(lowerNames);
    AppOption.UserLowerName = lowerNames;
    TestForm* form = NewForm();
    auto* edit = new TovStrEdit(form);
    auto* combo = new TovComboBox(form);
    edit->SetCharCase(ecUpperCase);
    combo->SetCharCase(ecUpperCase);
    form->show();
    EXPECT_EQ(form->LowerNames, lowerNames);
    const TEditCharCase expected = lowerNames ? ecNormal : ecUpperCase;
    EXPECT_EQ(edit->CharCase(), expected);
    EXPECT_EQ(combo->CharCase(), expected);
    QTest::keyClicks(edit, "abc");
    EXPECT_EQ(edit->text(), lowerNames ? "abc" : "ABC");
  }
}

TEST_F(TovFormTest, CtrlPageKeysSwitchPagesOfTheFirstPageControl) {
  main->show();
  TestForm* form = NewForm();
  auto* edit = new QLineEdit(form);
  auto* pages = new QTabWidget(form);
  for (const char* page : {"定義", "ソース", "データ"}) pages->addTab(new QWidget, page);
  auto* second = new QTabWidget(pages->widget(0));
  second->addTab(new QWidget, "inner");
  form->show();
  main->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
  edit->setFocus();
  EXPECT_EQ(form->FirstPageControl, pages);

  QTest::keyClick(edit, Qt::Key_PageDown, Qt::ControlModifier);
  EXPECT_EQ(pages->currentIndex(), 1);
  EXPECT_TRUE(pages->hasFocus());
  QTest::keyClick(pages, Qt::Key_PageDown, Qt::ControlModifier);
  QTest::keyClick(pages, Qt::Key_PageDown, Qt::ControlModifier);
  EXPECT_EQ(pages->currentIndex(), 2);
  QTest::keyClick(pages, Qt::Key_PageUp, Qt::ControlModifier);
  EXPECT_EQ(pages->currentIndex(), 1);

  // One page: nothing happens, and the key goes no further.
  TestForm* single = NewForm();
  auto* only = new QTabWidget(single);
  only->addTab(new QWidget, "定義");
  auto* field = new QLineEdit(single);
  single->show();
  field->setFocus();
  field->setText("abc");
  field->setCursorPosition(1);
  QTest::keyClick(field, Qt::Key_PageDown, Qt::ControlModifier);
  EXPECT_EQ(only->currentIndex(), 0);
  EXPECT_TRUE(field->hasFocus());
}


// A window that records the code-assist requests of its SQL editors.
class AssistForm : public TovForm {
 public:
  using TovForm::TovForm;
  std::vector<QPoint> asked;
  void CodeAssist(int x, int y) override { asked.push_back({x, y}); }
};

TEST_F(TovFormTest, AnEditorsCompletionRequestReachesItsFormsCodeAssist) {
  auto* form = new AssistForm(*connection);
  auto* editor = new TEditor(form);
  editor->Lines().SetTextStr("t");
  editor->SetRowCol(0, 1);
  QTest::keyClick(editor, Qt::Key_F6);
  QTest::keyClick(editor, Qt::Key_Period, Qt::NoModifier);
  ASSERT_EQ(form->asked.size(), 2u);
  EXPECT_EQ(form->asked[0].x(), editor->TextLeft() + editor->CellWidth());
  EXPECT_EQ(form->asked[1], editor->GetCaretPoint());
  EXPECT_EQ(editor->Lines().GetTextStr(), "t.");
}

}  // namespace
