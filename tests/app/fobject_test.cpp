#include "app/fobject.h"
#include "app/fobjtree.h"

#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QSplitter>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/flogon.h"
#include "app/fmain.h"
#include "app/ovforms.h"
#include "app/core/fobjectcore.h"
#include "app/core/fobjectreport.h"
#include "app/core/ovrunner.h"
#include "app/core/ovreg.h"
#include "app/core/zarur.h"
#include "standin/symfoware/catalogue.h"
#include "standin/symfoware/sqlite.h"
#include "standin/symfoware/standin.h"
#include "tests/platform/temp_settings.h"
#include "tests/standin/odbc_fixture.h"
#include "tests/standin/tools_sample.h"

namespace {

using Lines = std::vector<std::string>;

// Applies a catalogue fixture to the catalogue file of a data-source folder.
void ApplyCatalogueFixture(const std::string& folder, const std::string& fixture) {
  QFile file(QStringLiteral(TEST_FIXTURE_DIR "/standin/levels/") + QString::fromStdString(fixture));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << fixture;
  QString text;
  for (const QString& line : QString::fromUtf8(file.readAll()).split('\n'))
    if (!line.trimmed().startsWith("--")) text += line + "\n";
  symfoware::SqliteFile catalogue(symfoware::SchemaFilePath(folder, symfoware::kCatalogueSchema));
  for (const QString& statement : text.split(';', Qt::SkipEmptyParts)) {
    if (statement.trimmed().isEmpty()) continue;
    QSqlQuery q(catalogue.Database());
    ASSERT_TRUE(q.exec(statement)) << statement.toStdString();
  }
}

// An MDI child that records the connection-change messages it gets.
class Listener : public QWidget {
 public:
  std::function<void()> onMessage;
  int messages = 0;

 protected:
  bool event(QEvent* e) override {
    if (e->type() == static_cast<QEvent::Type>(kMsgConnectionsChanged)) {
      ++messages;
      if (onMessage) onMessage();
      return true;
    }
    return QWidget::event(e);
  }
};

// A window that refuses to close while `refuse` is set.
class Stubborn : public QWidget {
 public:
  bool refuse = true;

 protected:
  void closeEvent(QCloseEvent* e) override {
    if (refuse)
      e->ignore();
    else
      e->accept();
  }
};

class ConnectionWindowTest : public ::testing::Test {
 protected:
  ConnectionWindowTest() {
    TestApp();
    InitFolders();
    testing_tools::UseStandinTools();
    unsetenv("SYMFOWARE_TOOL_FAIL");
    main_ = std::make_unique<TfrmMain>();
    main_->show();
  }
  ~ConnectionWindowTest() override {
    main_.reset();
    QCoreApplication::processEvents();
  }

  TfrmObject* Logon(const std::string& user, const std::string& password, const std::string& dataSource) {
    return new TfrmObject(main_.get(), password, user, dataSource);
  }

  // Closes the window through its MDI frame; true when it went.
  bool Close(TfrmObject* window) {
    QPointer<TfrmObject> guard(window);
    window->parentWidget()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return guard.isNull();
  }

  // The task bar's buttons of windows (its own extension button aside).
  std::vector<QToolButton*> TaskButtons() const {
    std::vector<QToolButton*> buttons;
    for (QToolButton* b : main_->tolTask->findChildren<QToolButton*>())
      if (b->property("Tag").isValid()) buttons.push_back(b);
    return buttons;
  }

  std::vector<std::string> ConnectionList() const {
    std::vector<std::string> items;
    for (int i = 0; i < main_->cmbDBName->count(); ++i) items.push_back(main_->cmbDBName->itemText(i).toStdString());
    return items;
  }

  // A second session on the stand-in, to see what the window committed.
  static std::vector<std::string> Committed(const std::string& dataSource, const std::string& sql) {
    auto session = symfoware::OpenStandinSession(dataSource, "ADMIN", "secret");
    QSqlQuery q(session->Database());
    std::vector<std::string> rows;
    if (!q.exec(QString::fromStdString(sql))) return {"error: " + q.lastError().text().toStdString()};
    while (q.next()) rows.push_back(q.value(0).toString().toStdString());
    return rows;
  }

  testing_support::TempSettings env;
  std::unique_ptr<TfrmMain> main_;
};

class StandinWindowTest : public ConnectionWindowTest {
 protected:
  StandinWindowTest() { odbc.CreateStandin("ADMIN", "secret"); }
  std::string Folder() const { return odbc.Path("ORVTEST"); }
  testing_odbc::OdbcFixture odbc;
};

struct LevelCase {
  const char* fixture;
  int serverVersion;
  int level;
  bool reduced;
};

// One process per fixture: the driver manager keeps the first odbc.ini it
// read for the rest of the process.
class LevelProbeTest : public StandinWindowTest, public ::testing::WithParamInterface<LevelCase> {};

TEST_P(LevelProbeTest, CatalogueLevelOfTheDictionaryFixture) {
  const LevelCase& c = GetParam();
  ApplyCatalogueFixture(Folder(), c.fixture);
  TfrmObject* window = Logon("ADMIN", "secret", "ORVTEST");
  EXPECT_EQ(window->ServerVersion, c.serverVersion);
  EXPECT_EQ(window->CatalogLevel, c.level);
  EXPECT_EQ(window->LevelReduced(), c.reduced);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, LevelProbeTest,
                         ::testing::Values(LevelCase{"level9.sql", 9, 9, false},
                                           LevelCase{"level9_logmng.sql", 9, 9, false},
                                           LevelCase{"level10.sql", 10, 10, false},
                                           LevelCase{"level11.sql", 10, 11, false},
                                           LevelCase{"level11_reduced.sql", 10, 10, true}),
                         [](const ::testing::TestParamInfo<LevelCase>& info) {
                           std::string name = info.param.fixture;
                           return name.substr(0, name.find('.'));
                         });

TEST_F(StandinWindowTest, UserKnownOnlyInUpperCaseIsShownInUpperCase) {
  ApplyCatalogueFixture(Folder(), "user_upper_only.sql");
  TfrmObject* window = Logon("scott", "tiger", "orvtest");
  EXPECT_EQ(ConnectionList(), Lines{"SCOTT @ ORVTEST"});
  EXPECT_EQ(window->DataModule->GetUserName(), "SCOTT");
  Lines schemas;
  window->GetSchemaList(schemas);
  EXPECT_EQ(schemas, Lines{"SCOTTS"});
}

TEST_F(StandinWindowTest, UserKnownOnlyInLowerCaseKeepsItsCaseAndSeesItsSchemas) {
  ApplyCatalogueFixture(Folder(), "user_lower_only.sql");
  TfrmObject* window = Logon("scott", "tiger", "ORVTEST");
  EXPECT_EQ(ConnectionList(), Lines{"scott @ ORVTEST"});
  Lines schemas;
  window->GetSchemaList(schemas);
  EXPECT_EQ(schemas, Lines{"SCOTTS"});
}

TEST_F(StandinWindowTest, LogonRegistersTheWindowAndItsTaskButton) {
  Listener* listener = new Listener;
  main_->mdiArea->addSubWindow(listener)->show();
  TfrmObject* window = Logon("admin", "secret", "orvtest");
  EXPECT_EQ(window->windowTitle().toStdString(), "オブジェクトリスト - ADMIN @ ORVTEST");
  EXPECT_EQ(ConnectionList(), Lines{"ADMIN @ ORVTEST"});
  EXPECT_EQ(main_->CurrentConnection(), window);
  EXPECT_EQ(main_->FindConnection("ADMIN @ ORVTEST"), window);
  EXPECT_EQ(listener->messages, 1);
  EXPECT_FALSE(window->Remote);
  EXPECT_EQ(window->CatalogLevel, 11);
  EXPECT_EQ(window->DataModule->Connection.DefaultDatabase, "ORVTEST");
  ASSERT_NE(window->TaskButton, nullptr);
  EXPECT_EQ(window->TaskButton->parent(), main_->tolTask);
  EXPECT_EQ(window->TaskButton->text().toStdString(), "ADMIN@ORVT…");
  EXPECT_EQ(window->TaskButton->toolTip(), window->windowTitle());
  EXPECT_TRUE(window->TaskButton->isChecked());
  EXPECT_TRUE(main_->StatusPanel(2)->text().isEmpty());
}

TEST_F(StandinWindowTest, ALogonOfTheLogonDialogOpensAConnectionWindow) {
  InstallConnectionWindows(main_.get());
  ASSERT_TRUE(TfrmLogon::LogonDatabase("orvtest", "admin", "secret", true, main_.get()));
  EXPECT_EQ(ConnectionList(), Lines{"ADMIN @ ORVTEST"});
  auto* window = qobject_cast<TfrmObject*>(main_->CurrentConnection());
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->windowTitle().toStdString(), "オブジェクトリスト - ADMIN @ ORVTEST");
  EXPECT_EQ(window->CatalogLevel, 11);
  SetLogonReceiver(nullptr);
}

TEST_F(StandinWindowTest, WithoutTheToolsTheDataSourceIsRemote) {
  testing_support::TempSettings::Set("PATH", "/nonexistent");
  TfrmObject* window = Logon("ADMIN", "secret", "ORVTEST");
  EXPECT_TRUE(window->Remote);
  // A data source without schemas is only warned about; the window stays.
  ASSERT_EQ(env.Dialogs().messages.size(), 1u);
  EXPECT_EQ(env.Dialogs().messages[0].text, "スキーマを作成してください。");
  EXPECT_EQ(env.Dialogs().messages[0].flags, unsigned(MB_ICONWARNING));
  EXPECT_FALSE(main_->mdiArea->subWindowList().isEmpty());
}

TEST_F(StandinWindowTest, AFailedLogonRaisesAndRegistersNothing) {
  EXPECT_THROW(Logon("ADMIN", "wrong", "ORVTEST"), EDatabaseError);
  EXPECT_TRUE(main_->StatusPanel(2)->text().isEmpty());
  EXPECT_TRUE(ConnectionList().empty());
  EXPECT_TRUE(main_->mdiArea->subWindowList().isEmpty());
  EXPECT_TRUE(TaskButtons().empty());
}

TEST_F(StandinWindowTest, CloseSavesThenCommitsDisconnectsAndLeavesTheList) {
  AppOption.AutoCommit = false;
  TfrmObject* window = Logon("ADMIN", "secret", "ORVTEST");
  window->ExecSQL("CREATE SCHEMA S1");
  window->ExecSQL("CREATE TABLE S1.T (A INTEGER)");
  window->ExecSQL("COMMIT");
  window->ExecSQL("INSERT INTO S1.T VALUES (1)");
  window->SchemaFilter = 1;
  TdmSymfoware* dataModule = window->DataModule;

  Listener* listener = new Listener;
  main_->mdiArea->addSubWindow(listener)->show();
  bool checked = false;
  listener->onMessage = [&] {
    // By the time the other windows hear of it, everything else is done.
    checked = true;
    EXPECT_TRUE(ConnectionList().empty());
    EXPECT_FALSE(dataModule->Connection.Connected());
    EXPECT_EQ(Committed("ORVTEST", "SELECT A FROM S1.T"), Lines{"1"});
    ASSERT_TRUE(AppRegistry.OpenKey(kObjectWindowKey, false));
    EXPECT_TRUE(AppRegistry.ValueExists("Width"));
    EXPECT_TRUE(AppRegistry.ValueExists("TreeWidth"));
    AppRegistry.CloseKey();
    ASSERT_TRUE(AppRegistry.OpenKey(ObjectTreeKey("ORVTEST"), false));
    EXPECT_EQ(AppRegistry.ReadIntegerDef("Disp", -1), 1);
    AppRegistry.CloseKey();
  };
  EXPECT_TRUE(Close(window));
  EXPECT_TRUE(checked);
  listener->onMessage = nullptr;
  EXPECT_EQ(main_->CurrentConnection(), nullptr);
  EXPECT_TRUE(TaskButtons().empty());

  // The next logon reads the saved filter back.
  TfrmObject* again = Logon("ADMIN", "secret", "ORVTEST");
  EXPECT_EQ(again->SchemaFilter, 1);
}

TEST_F(StandinWindowTest, TheOnlyConnectionWindowGetsTheSavedSize) {
  TfrmObject* window = Logon("ADMIN", "secret", "ORVTEST");
  window->parentWidget()->resize(420, 310);
  window->spl1->setSizes({150, 270});
  ASSERT_TRUE(Close(window));
  TfrmObject* again = Logon("ADMIN", "secret", "ORVTEST");
  EXPECT_EQ(again->parentWidget()->size(), QSize(420, 310));
  EXPECT_EQ(again->pnlTree->width(), 150);
  // A second window keeps its own state but takes the saved size.
  TfrmObject* second = Logon("ADMIN", "secret", "ORVTEST");
  EXPECT_EQ(second->parentWidget()->size(), QSize(420, 310));
}

TEST_F(StandinWindowTest, ClosingOneOfTwoLogonsWithTheSameLabelRemovesItsOwnEntry) {
  TfrmObject* first = Logon("ADMIN", "secret", "ORVTEST");
  TfrmObject* second = Logon("ADMIN", "secret", "ORVTEST");
  EXPECT_EQ(ConnectionList(), (Lines{"ADMIN @ ORVTEST", "ADMIN @ ORVTEST"}));
  EXPECT_TRUE(Close(first));
  ASSERT_EQ(main_->cmbDBName->count(), 1);
  EXPECT_EQ(main_->cmbDBName->itemData(0).value<QObject*>(), second);
  EXPECT_EQ(main_->CurrentConnection(), second);
}

TEST_F(StandinWindowTest, AnOwnedWindowThatRefusesKeepsTheConnectionOpen) {
  TfrmObject* window = Logon("ADMIN", "secret", "ORVTEST");
  Stubborn* editor = new Stubborn;
  SetFormOwner(editor, window);
  main_->mdiArea->addSubWindow(editor)->show();
  EXPECT_FALSE(Close(window));
  EXPECT_EQ(ConnectionList(), Lines{"ADMIN @ ORVTEST"});
  EXPECT_TRUE(window->DataModule->Connection.Connected());
  editor->refuse = false;
  EXPECT_TRUE(Close(window));
  EXPECT_TRUE(ConnectionList().empty());
}

// An editor opened from the main window, with unsaved changes and a query
// of its own.
class ChangedEditor : public TovForm {
 public:
  explicit ChangedEditor(QWidget* owner) : TovForm(owner) {
    AddQuery(&query);
    SetChanged(true);
    parentWidget()->show();
  }
  TovSQLQuery query;
};

TEST_F(StandinWindowTest, ClosingTheMainWindowAsksEveryWindowOnceAndCancelInAnyStopsIt) {
  AppOption.AutoCommit = false;
  TfrmObject* window = Logon("ADMIN", "secret", "ORVTEST");
  window->ExecSQL("CREATE SCHEMA S1");
  window->ExecSQL("CREATE TABLE S1.T (A INTEGER)");
  window->ExecSQL("COMMIT");
  window->ExecSQL("INSERT INTO S1.T VALUES (1)");
  QPointer<ChangedEditor> editor = new ChangedEditor(main_.get());
  QPointer<TfrmObject> guard(window);
  // The logon's own message (no schema yet) is not part of the close.
  const size_t asked = env.Dialogs().messages.size();
  env.Dialogs().unanswered = 0;

  env.Dialogs().QueueMessage(IDCANCEL);
  EXPECT_FALSE(main_->close());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_EQ(env.Dialogs().messages.size(), asked + 1);
  EXPECT_EQ(env.Dialogs().messages.back().text, kChangedQuestion);
  ASSERT_TRUE(guard && editor);
  EXPECT_TRUE(window->DataModule->Connection.Connected());
  EXPECT_EQ(ConnectionList(), Lines{"ADMIN @ ORVTEST"});
  EXPECT_TRUE(Committed("ORVTEST", "SELECT A FROM S1.T").empty());

  // Answered No: the editor is asked once, and the connection window goes
  // through its own close, which commits what AutoCommit off left open.
  env.Dialogs().QueueMessage(IDNO);
  EXPECT_TRUE(main_->close());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(env.Dialogs().messages.size(), asked + 2);
  EXPECT_EQ(env.Dialogs().unanswered, 0);
  EXPECT_TRUE(guard.isNull());
  EXPECT_TRUE(editor.isNull());
  EXPECT_EQ(Committed("ORVTEST", "SELECT A FROM S1.T"), Lines{"1"});
}

TEST_F(StandinWindowTest, AConnectionWindowThatStaysOpenKeepsTheMainWindowOpen) {
  AppOption.AutoCommit = false;
  TfrmObject* window = Logon("ADMIN", "secret", "ORVTEST");
  window->ExecSQL("CREATE SCHEMA S1");
  window->ExecSQL("CREATE TABLE S1.T (A INTEGER)");
  window->ExecSQL("COMMIT");
  window->ExecSQL("INSERT INTO S1.T VALUES (1)");
  Stubborn* owned = new Stubborn;
  SetFormOwner(owned, window);
  main_->mdiArea->addSubWindow(owned)->show();
  QPointer<TfrmObject> guard(window);
  EXPECT_FALSE(main_->close());
  ASSERT_TRUE(guard);
  EXPECT_TRUE(window->DataModule->Connection.Connected());
  owned->refuse = false;
  EXPECT_TRUE(main_->close());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(guard.isNull());
  EXPECT_EQ(Committed("ORVTEST", "SELECT A FROM S1.T"), Lines{"1"});
}

TEST_F(StandinWindowTest, AWindowOpenedFromTheMainWindowLetsGoOfAClosedConnection) {
  TfrmObject* window = Logon("ADMIN", "secret", "ORVTEST");
  ChangedEditor* editor = new ChangedEditor(main_.get());
  ASSERT_EQ(editor->ConnectionWindow, window);
  ASSERT_EQ(editor->query.Connection(), &window->DataModule->Connection);
  EXPECT_TRUE(Close(window));
  EXPECT_EQ(editor->ConnectionWindow, nullptr);
  EXPECT_EQ(editor->query.Connection(), nullptr);
  editor->SetChanged(false);
  editor->parentWidget()->close();
}

TEST_F(StandinWindowTest, ActivationSelectsTheWindowsOwnEntryAndPressesItsButton) {
  TfrmObject* first = Logon("ADMIN", "secret", "ORVTEST");
  TfrmObject* second = Logon("ADMIN", "secret", "ORVTEST");
  EXPECT_EQ(main_->CurrentConnection(), second);
  first->TaskButtonClick();
  EXPECT_EQ(main_->CurrentConnection(), first);
  EXPECT_TRUE(first->TaskButton->isChecked());
  EXPECT_FALSE(second->TaskButton->isChecked());
}

TEST_F(StandinWindowTest, StatementsFollowTheTransactionRules) {
  TfrmObject* window = Logon("ADMIN", "secret", "ORVTEST");
  window->ExecSQL("CREATE SCHEMA S1");
  window->ExecSQL("CREATE TABLE S1.T (A INTEGER)");
  const std::string count = "SELECT COUNT(*) FROM S1.T";

  AppOption.AutoCommit = true;
  window->ExecSQL("INSERT INTO S1.T VALUES (1)");
  EXPECT_EQ(Committed("ORVTEST", count), Lines{"1"});
  EXPECT_TRUE(window->DataModule->Connection.InTransaction());

  AppOption.AutoCommit = false;
  window->ExecSQL("INSERT INTO S1.T VALUES (2)");
  EXPECT_EQ(Committed("ORVTEST", count), Lines{"1"});
  window->ExecSQL("ROLLBACK");
  EXPECT_EQ(window->OpenSQL(count).AsString(0), "1");
  window->ExecSQL("INSERT INTO S1.T VALUES (3)");
  window->ExecSQL("COMMIT");
  EXPECT_EQ(Committed("ORVTEST", count), Lines{"2"});

  // A failing statement propagates the driver's error and leaves the
  // transaction as it was.
  window->ExecSQL("INSERT INTO S1.T VALUES (4)");
  EXPECT_THROW(window->ExecSQL("INSERT INTO S1.NOSUCH VALUES (1)"), EDatabaseError);
  EXPECT_FALSE(window->qryExec.Active());
  window->ExecSQL("COMMIT");
  EXPECT_EQ(Committed("ORVTEST", count), Lines{"3"});
}

TEST_F(StandinWindowTest, ScriptsRunBatchByBatchAndStopAtAnErrorUnlessIgnored) {
  AppOption.Separator = ";";
  TfrmObject* window = Logon("ADMIN", "secret", "ORVTEST");
  window->ExecSQL("CREATE SCHEMA S1");
  window->ExecScript({"CREATE TABLE S1.T (A INTEGER)", ";", "", ";", "INSERT INTO S1.T", "VALUES (1)"}, false);
  EXPECT_EQ(window->OpenSQL("SELECT COUNT(*) FROM S1.T").AsString(0), "1");
  const Lines failing{"INSERT INTO S1.NOSUCH VALUES (1)", ";", "INSERT INTO S1.T VALUES (2)"};
  EXPECT_THROW(window->ExecScript(failing, false), EDatabaseError);
  EXPECT_EQ(window->OpenSQL("SELECT COUNT(*) FROM S1.T").AsString(0), "1");
  EXPECT_NO_THROW(window->ExecScript(failing, true));
  EXPECT_EQ(window->OpenSQL("SELECT COUNT(*) FROM S1.T").AsString(0), "2");
}

TEST_F(StandinWindowTest, QueriesBindMarkersByOccurrenceAndShareOneDataSet) {
  TfrmObject* window = Logon("ADMIN", "secret", "ORVTEST");
  TovSQLQuery& first = window->OpenSQLParams("SELECT :A || '-' || :B || '-' || :A", {"x", "y", "z", "ignored"});
  EXPECT_EQ(first.AsString(0), "x-y-z");
  TovSQLQuery& second = window->OpenSQL("SELECT 'plain'");
  EXPECT_EQ(&first, &second);
  EXPECT_EQ(first.AsString(0), "plain");
  EXPECT_THROW(window->OpenSQL("SELECT * FROM NOSUCH"), EDatabaseError);
  EXPECT_FALSE(window->qryExec.Active());
}

class SampleWindowTest : public ConnectionWindowTest {
 protected:
  TfrmObject* LogonSample(const std::string& user = testing_tools::kSampleUser,
                          const std::string& password = testing_tools::kSamplePassword) {
    return Logon(user, password, testing_tools::kSampleDataSource);
  }
  bool WorkFolderHolds(const std::string& suffix) const {
    const QStringList files = QDir(QString::fromStdString(WorkFolder())).entryList(QDir::Files);
    return std::any_of(files.begin(), files.end(), [&](const QString& f) { return f.endsWith(QString::fromStdString(suffix)); });
  }
  testing_tools::SampleDataSource sample;
};

TEST_F(SampleWindowTest, NameListsOfTheCatalogue) {
  TfrmObject* window = LogonSample();
  Lines list{"stale"};
  window->GetUserList(list, true);
  EXPECT_EQ(list, (Lines{"AUDITOR", "GUEST", "OPERATOR", "ORVUSER", "PUBLIC"}));
  window->GetUserList(list, false);
  EXPECT_EQ(list, (Lines{"AUDITOR", "GUEST", "OPERATOR", "ORVUSER"}));
  window->GetSchemaList(list);
  EXPECT_EQ(list, (Lines{"HR", "SALES", "STOCK"}));
  window->GetDatabaseList(list);
  EXPECT_EQ(list, Lines{"ORVSAMPLE"});
  window->GetDBSpaceList(list);
  EXPECT_EQ(list, (Lines{"DBSPACE1", "DBSPACE2"}));
  window->GetRoleList(list);
  EXPECT_EQ(list, (Lines{"GUEST_OWN", "SALES_READER"}));
  window->GetObjectNames(list, "SALES", "TABLE");
  EXPECT_EQ(list, (Lines{"CUSTOMER", "ORDERS"}));
  window->GetObjectNames(list, "", "");
  for (const char* name : {"ADD_ORDER", "CUSTOMER_ORDERS", "DEPT", "EMPLOYEE_DEPT", "ITEM", "ORDERS_CHECK", "ORDER_SEQ",
                           "TAX_RATE"})
    EXPECT_NE(std::find(list.begin(), list.end(), name), list.end()) << name;
  EXPECT_TRUE(std::is_sorted(list.begin(), list.end()));
}

// Editors reach the window only through its interface.
TEST_F(SampleWindowTest, EditorsReachTheWindowsRoutinesThroughItsInterface) {
  TfrmObject* window = LogonSample();
  TovConnectionWindow& connection = *window;
  Lines list{"stale"};
  connection.GetUserList(list, true);
  EXPECT_EQ(list, (Lines{"AUDITOR", "GUEST", "OPERATOR", "ORVUSER", "PUBLIC"}));
  connection.GetRoleList(list);
  EXPECT_EQ(list, (Lines{"GUEST_OWN", "SALES_READER"}));
  connection.GetDBSpaceList(list);
  EXPECT_EQ(list, (Lines{"DBSPACE1", "DBSPACE2"}));
  connection.GetObjectNames(list, "SALES", "TABLE");
  EXPECT_EQ(list, (Lines{"CUSTOMER", "ORDERS"}));
  EXPECT_EQ(connection.GetSchemaCode("ORVSAMPLE", "SALES"), window->GetSchemaCode("ORVSAMPLE", "SALES"));
  EXPECT_FALSE(connection.GetTableCode("ORVSAMPLE", "SALES", "ORDERS").empty());
  EXPECT_FALSE(connection.LevelReduced());
  connection.ExecScript({"CREATE TABLE SALES.NOTE (N INTEGER)", ";", "INSERT INTO SALES.NOTE VALUES (1)"}, false);
  connection.ExecSQL("INSERT INTO SALES.NOTE VALUES (2)");
  EXPECT_EQ(window->OpenSQL("SELECT COUNT(*) FROM SALES.NOTE").AsString(0), "2");
  EXPECT_THROW(connection.ExecSQL("INSERT INTO SALES.NOSUCH VALUES (1)"), EDatabaseError);
}

TEST_F(SampleWindowTest, AUserWhoOwnsNoSchemaGetsNone) {
  TfrmObject* window = LogonSample("GUEST", "guest");
  Lines list{"stale"};
  window->GetSchemaList(list);
  EXPECT_TRUE(list.empty());
}

TEST_F(SampleWindowTest, CodesOfDatabasesSchemasAndTables) {
  TfrmObject* window = LogonSample();
  const std::string db = window->GetDBCode("ORVSAMPLE");
  EXPECT_FALSE(db.empty());
  EXPECT_FALSE(window->GetSchemaCode("ORVSAMPLE", "SALES").empty());
  const std::string table = window->GetTableCode("ORVSAMPLE", "SALES", "ORDERS");
  EXPECT_FALSE(table.empty());
  EXPECT_NE(table, db);
  EXPECT_EQ(window->GetDBCode("NOSUCH"), "");
  EXPECT_EQ(window->GetSchemaCode("ORVSAMPLE", "NOSUCH"), "");
  EXPECT_EQ(window->GetTableCode("ORVSAMPLE", "SALES", "NOSUCH"), "");
  // A quote in a name is a value like any other.
  EXPECT_EQ(window->GetDBCode("X' OR '1'='1"), "");
}

TEST_F(SampleWindowTest, StorageListsFromTheCatalogueFromLevelTen) {
  TfrmObject* window = LogonSample();
  ASSERT_GE(window->CatalogLevel, 10);
  Lines list;
  window->GetTableDSOList(list, "SALES", "ORDERS");
  EXPECT_EQ(list, Lines{"ORDERS_DSO"});
  window->GetTableDSIList(list, "SALES", "ORDERS");
  EXPECT_EQ(list, Lines{"ORDERS_DSI"});
  window->GetDSIList(list);
  EXPECT_EQ(list.size(), 6u);
  EXPECT_NE(std::find(list.begin(), list.end(), "INVENTORY_DSI"), list.end());
}

TEST_F(SampleWindowTest, StorageListsThroughTheToolsBelowLevelTenLeaveNoControlFile) {
  ApplyCatalogueFixture(sample.Folder(), "level9.sql");
  TfrmObject* window = LogonSample();
  ASSERT_EQ(window->CatalogLevel, 9);
  Lines list;
  window->GetTableDSOList(list, "SALES", "ORDERS");
  EXPECT_EQ(list, Lines{"ORDERS_DSO"});
  window->GetTableDSIList(list, "SALES", "ORDERS");
  EXPECT_EQ(list, Lines{"ORDERS_DSI"});
  EXPECT_FALSE(WorkFolderHolds(".rdbprt"));
  window->GetDSIList(list);
  EXPECT_EQ(list, (Lines{"CUSTOMER_DSI", "DEPT_DSI", "EMPLOYEE_DSI", "INVENTORY_DSI", "ITEM_DSI", "ORDERS_DSI"}));
  EXPECT_TRUE(env.Dialogs().messages.empty());
}

TEST_F(SampleWindowTest, AFailingToolGivesOneEmptyLineAndLeavesNoControlFile) {
  ApplyCatalogueFixture(sample.Folder(), "level9.sql");
  TfrmObject* window = LogonSample();
  testing_support::TempSettings::Set("SYMFOWARE_TOOL_FAIL", "code");
  Lines list;
  window->GetTableDSOList(list, "SALES", "ORDERS");
  EXPECT_EQ(list, Lines{""});
  ASSERT_EQ(env.Dialogs().messages.size(), 1u);
  EXPECT_NE(env.Dialogs().messages[0].text.find("復帰コード 12"), std::string::npos);
  EXPECT_FALSE(WorkFolderHolds(".rdbprt"));
  window->GetDSIList(list);
  EXPECT_EQ(list, Lines{""});
  // A tool that prints nothing fails silently.
  testing_support::TempSettings::Set("SYMFOWARE_TOOL_FAIL", "silent");
  window->GetTableDSIList(list, "SALES", "ORDERS");
  EXPECT_EQ(list, Lines{""});
  EXPECT_EQ(env.Dialogs().messages.size(), 2u);
  EXPECT_FALSE(WorkFolderHolds(".rdbprt"));
}


// The definition report behind every storage reader: the control file stays
// inside the work folder, also under a folder with blanks, and is gone
// after every ending of the tool.
TEST_F(SampleWindowTest, TheTableReportKeepsItsControlFileInsideTheWorkFolderAndRemovesIt) {
  ApplyCatalogueFixture(sample.Folder(), "level9.sql");
  TfrmObject* window = LogonSample();
  const std::string folder = AppOption.TempDir;
  AppOption.TempDir = folder + "/with blank";
  QDir().mkpath(QString::fromStdString(AppOption.TempDir));
  struct Case {
    const char* fail;
    bool ok;
  };
  const Case cases[] = {{"", true},      {"silent", false}, {"code", false},
                        {"stderr", true}, {"nolf", true},    {"exit", true}};
  for (const Case& c : cases) {
    testing_support::TempSettings::Set("SYMFOWARE_TOOL_FAIL", c.fail);
    bool ok = !c.ok;
    const Lines lines = TableReport(*window, "../../ORDERS", TableReportControl("SALES", "ORDERS"), ok);
    EXPECT_EQ(ok, c.ok) << c.fail;
    if (c.ok) {
      EXPECT_EQ(BaseDsoName(lines), "ORDERS_DSO") << c.fail;
    }
    EXPECT_FALSE(WorkFolderHolds(".rdbprt")) << c.fail;
    EXPECT_FALSE(QFile::exists(QString::fromStdString(WorkFolder() + "../../ORDERS.rdbprt"))) << c.fail;
  }
  AppOption.TempDir = folder;
}

}  // namespace
