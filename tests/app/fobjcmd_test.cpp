// The connection window's commands and the main window's workspace list,
// driven in real windows on the sample data source, with test editors and
// dialogs registered as the subsystems that own them register theirs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <algorithm>
#include <functional>
#include <memory>
#include <sstream>
#include <tuple>

#include "app/appregister.h"
#include "app/core/fmainactcore.h"
#include "app/core/fobjcmdcore.h"
#include "app/core/ovddlhooks.h"
#include "app/core/ovkinds.h"
#include "app/core/ovreg.h"
#include "app/core/ovshortcut.h"
#include "app/core/workspacecore.h"
#include "app/core/zarur.h"
#include "app/flogon.h"
#include "app/fmain.h"
#include "app/fmainact.h"
#include "app/fobjddl.h"
#include "app/core/ovshortcut.h"
#include "app/fobject.h"
#include "app/fobjtree.h"
#include "app/ovforms.h"
#include "platform/gui/qtplatform.h"
#include "platform/qstr.h"
#include "standin/symfoware/standin.h"
#include "tests/platform/temp_settings.h"
#include "tests/platform/whenshown.h"
#include "tests/platform/testapp.h"
#include "tests/standin/tools_sample.h"
#include "ui/fprint.h"
#include "ui/ovcomctrls.h"
#include "ui/ovprinter.h"
#include "ui/uiregister.h"
#include "ui/zarurctl.h"

namespace {

using Lines = std::vector<std::string>;

// An editor that records what it was opened with.
class RecordingEditor : public TovForm {
 public:
  RecordingEditor(TovConnectionWindow& owner, const TOpenArgs& args) : TovForm(owner), Args(args) {}
  TOpenArgs Args;
};

// What a drag of the list's selection does on arrival: enter, then drop.
void DragOnto(const TovListView& list, QWidget& target) {
  std::unique_ptr<QMimeData> data(list.DragMimeData());
  QDragEnterEvent enter(QPoint(1, 1), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&target, &enter);
  ASSERT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(1, 1), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&target, &drop);
}

class CommandsTest : public ::testing::Test {
 public:
  CommandsTest() {
    TestApp();
    InitFolders();
    ClearActionHandlers();
    main = std::make_unique<TfrmMain>();
    main->show();
    RegisterApp(*main);
    SetLogonProcedure(nullptr);  // the tests log on themselves
    AppOption.TypeTable = AppOption.TypeView = AppOption.TypeSeq = AppOption.TypeIndex = true;
    AppOption.TreeSort = kTreeBySchema;
    AppOption.TempDir = env.Path("temp");
    AppOption.DelErr = false;
    AppOption.DefTopRecord = 0;
    ScriptOption = {};
    WorkSpaces.clear();
    SaveWorkSpace();
    for (int kind : {okTable, okView, okIndex, okProcedure})
      RegisterObjectEditor(
          kind,
          [this, kind](TovConnectionWindow& owner, const TOpenArgs& args) -> TovForm* {
            opened.push_back(args);
            openedKinds.push_back(kind);
            if (onOpen) onOpen();
            return new RecordingEditor(owner, args);
          },
          [kind](TovConnectionWindow&, const TScriptArgs& args, std::ostream& stream) {
            stream << "CREATE " << ObjectKindName(kind) << " " << args.Schema << "." << args.Name
                   << "\r\n  (col_" << args.Name << ")\r\n";
          });
  }
  ~CommandsTest() override {
    for (int kind : {okTable, okView, okIndex, okProcedure}) RegisterObjectEditor(kind, nullptr, nullptr);
    SetScriptOutputDialog(nullptr);
    SetGrepDialog(nullptr);
    CopiedObjects.clear();
    SetLogonProcedure(nullptr);
    SetLogonReceiver(nullptr);
    main.reset();
    ClearActionHandlers();
    QCoreApplication::processEvents();
  }

  TfrmObject* Logon() {
    auto* window = new TfrmObject(main.get(), testing_tools::kSamplePassword, testing_tools::kSampleUser,
                                  testing_tools::kSampleDataSource);
    env.Dialogs().messages.clear();
    return window;
  }
  // Fills the list from the tree node schema/kind and selects the named
  // items (all when none are named).
  static void Show(TfrmObject* window, const std::string& schema, const std::string& kind, const Lines& select = {}) {
    // Filled here and now, not by the tree's delayed change.
    const QSignalBlocker blocker(window->lstTree);
    QTreeWidgetItem* root = window->lstTree->topLevelItem(0);
    for (int i = 0; i < root->childCount(); ++i)
      if (root->child(i)->text(0).toStdString() == schema)
        for (int k = 0; k < root->child(i)->childCount(); ++k)
          if (root->child(i)->child(k)->text(0).toStdString() == kind)
            window->lstTree->setCurrentItem(root->child(i)->child(k));
    window->FillObjectList(true);
    for (int i = 0; i < window->lstObject->topLevelItemCount(); ++i) {
      QTreeWidgetItem* item = window->lstObject->topLevelItem(i);
      item->setSelected(select.empty() || std::count(select.begin(), select.end(), item->text(0).toStdString()));
    }
  }
  static Lines Names(const QTreeWidget& list, bool selectedOnly) {
    Lines names;
    for (int i = 0; i < list.topLevelItemCount(); ++i)
      if (!selectedOnly || list.topLevelItem(i)->isSelected()) names.push_back(list.topLevelItem(i)->text(0).toStdString());
    return names;
  }
  Lines Boxes() {
    Lines texts;
    for (const platform::MessageRequest& m : env.Dialogs().messages) texts.push_back(m.text);
    env.Dialogs().messages.clear();
    return texts;
  }
  std::string Panel2() const { return main->StatusPanel(kStatusMessagePanel)->text().toStdString(); }
  void Trigger(TfrmObject* window, const std::string& name) {
    window->mnuObjectClick();
    QAction* action = window->Action(name);
    ASSERT_NE(action, nullptr) << name;
    ASSERT_TRUE(action->isEnabled()) << name;
    action->trigger();
  }

  testing_tools::SampleDataSource sample;
  testing_support::TempSettings env;
  std::unique_ptr<TfrmMain> main;
  std::vector<TOpenArgs> opened;
  std::vector<int> openedKinds;
  std::function<void()> onOpen;
};

TEST_F(CommandsTest, TheMenuIsInItsOrderAndFollowsTheSelection) {
  TfrmObject* window = Logon();
  Lines captions;
  for (QAction* item : window->mnuObject->actions()) captions.push_back(item->isSeparator() ? "-" : item->text().toStdString());
  EXPECT_EQ(captions, (Lines{"新規作成(&N)", "新規作成(&N)", "コピー(&C)", "貼り付け(&V)", "削除(&D)", "-",
                             "定義情報を開く", "データを開く", "データを開く(件数指定)", "ソースを開く", "-",
                             "スクリプト出力(&S)", "レポート出力(&X)", "印刷(&P)", "ロード(&L)", "-", "表・列",
                             "権限(&G)", "相関 - クロスリファレンス(&F)", "マトリックス表(&M)", "統計情報(&A)",
                             "コメントチェック(&O)", "ユーザー定義コマンド(&U)", "-", "実行(&E)", "全文検索",
                             "ワークスペースに追加(&W)"}));
  Show(window, "SALES", "TABLE", {});
  for (int i = 0; i < window->lstObject->topLevelItemCount(); ++i) window->lstObject->topLevelItem(i)->setSelected(false);
  window->mnuObjectClick();
  EXPECT_FALSE(window->Action("actOpen")->isEnabled());
  EXPECT_TRUE(window->Action("actNew")->isVisible()) << "a kind node offers its own new entry";
  EXPECT_FALSE(window->Action("mnuNew1")->isVisible());
  window->lstObject->topLevelItem(0)->setSelected(true);
  window->mnuObjectClick();
  EXPECT_TRUE(window->Action("actOpen")->isEnabled());
  EXPECT_FALSE(window->Action("actExec")->isEnabled()) << "no routine runner registered";
  RegisterActionHandler(kExecProcCommand, [](const TActionRequest&) { return true; });
  window->mnuObjectClick();
  EXPECT_TRUE(window->Action("actExec")->isEnabled());
  EXPECT_FALSE(window->Action("actPaste")->isEnabled());

  // The short-cuts come from the main window's actions, copy from its copy.
  main->SetActionShortCuts({{"actEditCopy", TextToShortCut("Shift+Ctrl+C")}});
  main->RefreshObjectMenus();
  EXPECT_EQ(window->Action("actCopy")->shortcut(), QKeySequence("Ctrl+Shift+C"));
  window->cmbFindEnter();
  EXPECT_TRUE(window->Action("actCopy")->shortcut().isEmpty()) << "copy works in the find box";
  window->lstObjectEnter();
  EXPECT_EQ(window->Action("actCopy")->shortcut(), QKeySequence("Ctrl+Shift+C"));
}

TEST_F(CommandsTest, OpenWalksTheSelectionUntilEscape) {
  platform::SetInput(platform::MakeQtWindowInput());
  main->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
  TfrmObject* window = Logon();
  Show(window, "SALES", "TABLE");
  // Five tables: the two of the sample and three more rows of the list.
  for (const char* name : {"T3", "T4", "T5"}) {
    auto* item = new QTreeWidgetItem(window->lstObject, {name, "SALES", "TABLE"});
    SetItemImage(*item, okTable);
    item->setSelected(true);
  }
  onOpen = [&] {
    if (opened.size() == 2) QCoreApplication::postEvent(main.get(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
  };
  QTest::keyClick(window->lstObject, Qt::Key_Return);
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[0].Name, "CUSTOMER");
  EXPECT_EQ(opened[0].Mode, AppOption.OpenMode);
  EXPECT_EQ(Names(*window->lstObject, true), (Lines{"T3", "T4", "T5"}));
  EXPECT_EQ(Panel2(), "5個中 3個のオブジェクトを選択中。");

  // The data pages with an asked row count: empty counts as 0 and a
  // default of 0 is not taken.
  onOpen = nullptr;
  opened.clear();
  env.Dialogs().QueueInput({true, "", {true}});
  Trigger(window, "actOpenDataTop");
  ASSERT_EQ(env.Dialogs().inputs.size(), 1u);
  EXPECT_EQ(env.Dialogs().inputs[0].prompt, "レコード件数");
  EXPECT_EQ(env.Dialogs().inputs[0].caption, "データを開く(件数指定)");
  ASSERT_EQ(opened.size(), 3u);
  EXPECT_EQ(opened[2].Mode, 2);
  EXPECT_EQ(opened[2].TopCount, 0);
  EXPECT_EQ(AppOption.DefTopRecord, 0);
  EXPECT_TRUE(Names(*window->lstObject, true).empty());

  // New: the kind of the main window's button, in the user's schema.
  opened.clear();
  main->actMain->ApplyConnectionState();
  main->actMain->NewObjectButton("btnNewView")->click();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(openedKinds.back(), okView);
  EXPECT_EQ(opened[0].Schema, testing_tools::kSampleUser);
  EXPECT_EQ(opened[0].Name, "");
  EXPECT_EQ(env.Dialogs().unanswered, 0);
}

TEST_F(CommandsTest, DeleteDropsQualifiedAndKeepsWhatFailed) {
  TfrmObject* window = Logon();
  Show(window, "STOCK", "TABLE", {"INVENTORY"});
  symfoware::ClearStatementJournal();
  env.Dialogs().QueueMessage(IDYES, {false});
  env.Dialogs().QueueMessage(IDOK);
  QTest::keyClick(window->lstObject, Qt::Key_Delete);
  ASSERT_EQ(env.Dialogs().messages.size(), 2u);
  EXPECT_EQ(env.Dialogs().messages[0].text, "オブジェクトを削除しますか？");
  EXPECT_EQ(env.Dialogs().messages[0].checks.size(), 1u) << "one item: no ignore box";
  EXPECT_EQ(env.Dialogs().messages[0].checks[0].caption, "CASCADE オプション");
  EXPECT_EQ(Boxes().back(), "オブジェクトが削除されました。");
  EXPECT_EQ(Names(*window->lstObject, false), Lines{"ITEM"});
  bool dropped = false;
  for (const symfoware::TJournalEntry& e : symfoware::StatementJournal())
    dropped = dropped || (e.Statement == "DROP TABLE STOCK.INVENTORY" && e.Error.empty());
  EXPECT_TRUE(dropped);

  // An object that cannot be dropped: its error, no closing message, kept.
  auto* ghost = new QTreeWidgetItem(window->lstObject, {"GHOST", "STOCK", "TABLE"});
  SetItemImage(*ghost, okTable);
  window->lstObject->clearSelection();
  ghost->setSelected(true);
  env.Dialogs().QueueMessage(IDYES, {false});
  env.Dialogs().QueueMessage(IDOK);
  Trigger(window, "actDelete");
  const Lines boxes = Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_NE(boxes[1], "オブジェクトが削除されました。");
  EXPECT_EQ(Names(*window->lstObject, true), Lines{"GHOST"});

  // "いいえ" runs nothing.
  symfoware::ClearStatementJournal();
  env.Dialogs().QueueMessage(IDNO, {false});
  Trigger(window, "actDelete");
  EXPECT_TRUE(symfoware::StatementJournal().empty());
  EXPECT_EQ(env.Dialogs().unanswered, 0);
}

// The stand-in refuses to drop a table a view uses; errors ignored, the
// second pass drops it once the view is gone.
TEST_F(CommandsTest, DeleteRetriesDependenciesInPassesAndQualifiesIndexes) {
  TfrmObject* window = Logon();
  const auto add = [&](const char* name, const char* schema, int kind) {
    auto* item = new QTreeWidgetItem(window->lstObject, {name, schema, QString::fromStdString(ObjectKindName(kind))});
    SetItemImage(*item, kind);
    item->setSelected(true);
  };
  const auto drops = [] {
    Lines statements;
    for (const symfoware::TJournalEntry& e : symfoware::StatementJournal())
      if (e.Statement.rfind("DROP", 0) == 0) statements.push_back(e.Statement + (e.Error.empty() ? "" : " (failed)"));
    return statements;
  };
  struct Case {
    const char* what;
    std::vector<std::tuple<const char*, const char*, int>> items;
    std::vector<bool> checks;  // ignore errors, CASCADE
    Lines statements;
    Lines left;
    bool closing;
  };
  const std::vector<Case> cases = {
      {"table and its view, errors ignored",
       {{"ORDERS", "SALES", okTable}, {"CUSTOMER_ORDERS", "SALES", okView}},
       {true, false},
       {"DROP TABLE SALES.ORDERS (failed)", "DROP VIEW SALES.CUSTOMER_ORDERS", "DROP TABLE SALES.ORDERS"},
       {},
       true},
      {"an error left at the end",
       {{"DEPT", "HR", okTable}, {"GHOST", "HR", okTable}},
       {true, false},
       {"DROP TABLE HR.DEPT (failed)", "DROP TABLE HR.GHOST (failed)"},
       {"DEPT", "GHOST"},
       false},
      {"the index of its own schema",
       {{"ORDERS_CUST", "HR", okIndex}},
       {},
       {"DROP DSO HR.ORDERS_CUST CASCADE"},
       {},
       true},
  };
  window->ExecSQL("CREATE INDEX HR.ORDERS_CUST ON EMPLOYEE (DEPT_NO)");
  window->ExecSQL("CREATE INDEX STOCK.ORDERS_CUST ON ITEM (PRICE)");
  Show(window, "SALES", "TABLE");
  for (const Case& c : cases) {
    window->lstObject->clear();
    for (const auto& [name, schema, kind] : c.items) add(name, schema, kind);
    symfoware::ClearStatementJournal();
    env.Dialogs().QueueMessage(IDYES, c.checks);
    env.Dialogs().QueueMessage(IDOK);
    Trigger(window, "actDelete");
    EXPECT_EQ(drops(), c.statements) << c.what;
    EXPECT_EQ(Names(*window->lstObject, true), c.left) << c.what;
    const Lines boxes = Boxes();
    ASSERT_EQ(boxes.size(), 2u) << c.what;
    EXPECT_EQ(boxes[1] == "オブジェクトが削除されました。", c.closing) << c.what << ": " << boxes[1];
  }
  // The other schema's index of that name is still there.
  Show(window, "STOCK", "INDEX");
  EXPECT_EQ(Names(*window->lstObject, false), Lines{"ORDERS_CUST"});
  EXPECT_EQ(env.Dialogs().unanswered, 0);
}

TEST_F(CommandsTest, PasteRenamesIntoTheTargetSchemaThenReloads) {
  TfrmObject* window = Logon();
  std::vector<Lines> previewed;
  std::vector<TScriptOption> during;
  RegisterObjectEditor(okTable, nullptr, [&](TovConnectionWindow&, const TScriptArgs& args, std::ostream& stream) {
    during.push_back(ScriptOption);
    stream << "CREATE TABLE " << args.Schema << "." << args.Name << "\r\n(A INTEGER)\r\n";
  });
  SetShowDDLPreview([&](Lines& lines, const std::string&, const std::string&) {
    previewed.push_back(lines);
    return true;
  });
  Lines ran;
  SetRunDDLExec(
      [&](TovConnectionWindow&, Lines& lines, TDDLRun) { ran.insert(ran.end(), lines.begin(), lines.end()); });
  SetWaitDDLExec([] {});
  Show(window, "STOCK", "TABLE", {"ITEM"});
  Trigger(window, "actCopy");
  Show(window, "HR", "TABLE", {});
  window->lstTree->setCurrentItem(window->lstTree->currentItem()->parent());  // the schema node HR
  ScriptOption.Insert = true;
  ScriptOption.Schema = kSchemaUnlessOwner;
  const TScriptOption before = ScriptOption;

  // Cancel: nothing previewed, the settings as they were, no reload.
  auto* marker = new QTreeWidgetItem(window->lstObject, {"MARKER"});
  env.Dialogs().QueueInput({false, "", {}});
  Trigger(window, "actPaste");
  EXPECT_TRUE(previewed.empty());
  EXPECT_EQ(ScriptOption, before);
  EXPECT_EQ(window->lstObject->topLevelItem(window->lstObject->topLevelItemCount() - 1), marker);

  env.Dialogs().QueueInput({true, "ITEM2", {false, true}});
  Trigger(window, "actPaste");
  ASSERT_EQ(env.Dialogs().inputs.back().prompt, "新規オブジェクト名");
  EXPECT_EQ(env.Dialogs().inputs.back().value, "ITEM") << "offered: the copied name";
  ASSERT_EQ(during.size(), 1u);
  EXPECT_EQ(during[0].Schema, kSchemaAlways);
  EXPECT_FALSE(during[0].Insert);
  EXPECT_FALSE(during[0].Index) << "indexes not asked for";
  EXPECT_EQ(ran, (Lines{"CREATE TABLE HR.ITEM2", "(A INTEGER)", "INSERT INTO HR.ITEM2 SELECT * FROM STOCK.ITEM"}));
  EXPECT_EQ(ScriptOption, before);
  const Lines after = Names(*window->lstObject, false);
  EXPECT_EQ(std::count(after.begin(), after.end(), "MARKER"), 0) << "the list was reloaded";
  SetShowDDLPreview(nullptr);
  SetRunDDLExec(nullptr);
  SetWaitDDLExec(nullptr);
}

TEST_F(CommandsTest, PrintGoesThroughTheDialogWithEachSelectedObjectsDDLOnAPageOfItsOwn) {
  SetPrintOwner(main.get());
  PrintOption = {0, 20, 20, 20, 20, "IPAGothic", 10};
  TfrmObject* window = Logon();
  Show(window, "SALES", "TABLE");
  const std::string pdf = env.Path("objects.pdf");
  env.Dialogs().QueueFile(pdf);
  testing_support::WhenShown<TfrmPrint>([](TfrmPrint& form) {
    form.cmbPrinterName->setCurrentIndex(form.cmbPrinterName->count() - 1);  // the PDF file
    form.btnOk->click();
  });
  Trigger(window, "actPrint");
  ASSERT_EQ(main->prtData.PageCount(), 2) << "two short definitions, one page each";
  for (int page = 0; page < 2; ++page) {
    const TPrintPage& recorded = main->prtData.Pages(page);
    ASSERT_GE(recorded.Items.size(), 4u);
    EXPECT_EQ(recorded.Items[0].Text, page == 0 ? "SALES.CUSTOMER" : "SALES.ORDERS") << "the title band";
    EXPECT_EQ(recorded.Items[1].Text, "1") << "each object numbered from 1";
    EXPECT_EQ(recorded.Items[2].Text, page == 0 ? "CREATE TABLE SALES.CUSTOMER" : "CREATE TABLE SALES.ORDERS");
    EXPECT_EQ(recorded.Items[3].Text, page == 0 ? "  (col_CUSTOMER)" : "  (col_ORDERS)");
  }
  EXPECT_TRUE(QFileInfo(QString::fromStdString(pdf)).size() > 0) << "the pages went to the file";
  EXPECT_TRUE(Names(*window->lstObject, true).empty()) << "each printed item deselected";
  EXPECT_EQ(Panel2(), "2個のオブジェクトがあります。");
  SetPrintOwner(nullptr);
}

// The window's menu in the main bar takes no part in the main window's
// short-cut matching: an edit action keeps a key the window's copy also has.
TEST_F(CommandsTest, TheMergedMenuLeavesTheMainWindowsShortCutsAlone) {
  TfrmObject* window = Logon();
  main->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
  QApplication::processEvents();
  ASSERT_EQ(main->menuBar()->actions().front()->menu(), window->mnuObject);
  const QKeySequence editCopy = main->actMain->Action("actEditCopy")->shortcut();
  const QKeySequence copy = window->Action("actCopy")->shortcut();
  ASSERT_FALSE(copy.isEmpty());
  main->actMain->ApplyShortCuts();
  EXPECT_EQ(main->actMain->Action("actEditCopy")->shortcut(), editCopy);
  EXPECT_EQ(window->Action("actCopy")->shortcut(), copy);
}

TEST_F(CommandsTest, CopyPutsTheNamesOnTheClipboard) {
  TfrmObject* window = Logon();
  Show(window, "SALES", "TABLE");
  Trigger(window, "actCopy");
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "CUSTOMER\r\nORDERS");
  EXPECT_EQ(CopiedObjects, (std::vector<TCopyObjectList>{{"SALES", "CUSTOMER", okTable}, {"SALES", "ORDERS", okTable}}));
  window->lstObject->clearSelection();
  window->actCopyExecute();
  EXPECT_TRUE(CopiedObjects.empty());
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "");
  window->mnuObjectClick();
  EXPECT_FALSE(window->Action("actPaste")->isEnabled());
}

TEST_F(CommandsTest, ScriptOutputWritesOneFilePerObjectInsideTheFolder) {
  TfrmObject* window = Logon();
  window->ExecSQL("CREATE TABLE STOCK.NAMES (SCHEMA_NAME VARCHAR(30), OBJECT_NAME VARCHAR(30), "
                  "OBJECT_TYPE VARCHAR(30), SCRIPT_NAME VARCHAR(30))");
  window->ExecSQL("INSERT INTO STOCK.NAMES VALUES ('SALES', 'ORDERS', 'TABLE', '../escape.sql')");
  const std::string folder = env.Path("out") + "/";
  std::string table = "STOCK.NAMES";
  SetScriptOutputDialog([&](TovConnectionWindow&, std::string& target, std::string& nameTable) {
    target = folder;
    nameTable = table;
    return true;
  });
  ScriptOption.SubDir = true;
  ScriptOption.SameName = true;
  Show(window, "SALES", "TABLE");
  Trigger(window, "actScript");
  EXPECT_EQ(Boxes(), Lines{"スクリプトが出力されました。"});
  const auto read = [](const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "missing " + path;
  };
  EXPECT_EQ(read(folder + "SALES/TABLE/CUSTOMER.SQL"), "CREATE TABLE SALES.CUSTOMER\r\n  (col_CUSTOMER)\r\n");
  EXPECT_EQ(read(folder + "SALES/TABLE/..escape.sql"), "CREATE TABLE SALES.ORDERS\r\n  (col_ORDERS)\r\n");
  EXPECT_FALSE(QFile::exists(QString::fromStdString(env.Path("escape.sql"))));

  // Kinds first, one script appended to.
  ScriptOption.OneScript = true;
  ScriptOption.SameName = false;
  table.clear();
  const std::string script = env.Path("all.sql");
  SetScriptOutputDialog([&](TovConnectionWindow&, std::string& target, std::string& nameTable) {
    target = script;
    nameTable = table;
    return true;
  });
  for (int round = 0; round < 2; ++round) {
    Show(window, "SALES", "TABLE", {"ORDERS"});
    Trigger(window, "actScript");
  }
  Boxes();
  EXPECT_EQ(read(script), "CREATE TABLE SALES.ORDERS\r\n  (col_ORDERS)\r\nCREATE TABLE SALES.ORDERS\r\n  (col_ORDERS)\r\n");

  // A remote level-9 window skips routines with its message, per routine.
  ScriptOption.OneScript = false;
  table.clear();
  SetScriptOutputDialog([&](TovConnectionWindow&, std::string& target, std::string& nameTable) {
    target = folder + "remote/";
    nameTable = table;
    return true;
  });
  window->Remote = true;
  window->CatalogLevel = 9;
  Show(window, "SALES", "TABLE", {"CUSTOMER"});
  auto* routine = new QTreeWidgetItem(window->lstObject, {"P", "SALES", "PROCEDURE"});
  SetItemImage(*routine, okProcedure);
  routine->setSelected(true);
  Trigger(window, "actScript");
  EXPECT_EQ(Boxes(), (Lines{kRemoteRoutineMessage, "スクリプトが出力されました。"}));
  EXPECT_TRUE(QFile::exists(QString::fromStdString(folder + "remote/SALES/TABLE/CUSTOMER.SQL")));
  EXPECT_FALSE(QDir(QString::fromStdString(folder + "remote/SALES/PROCEDURE")).exists());
  window->Remote = false;
  window->CatalogLevel = 10;

  // A name table that is no name is refused before any statement.
  table = "STOCK.NAMES; DROP TABLE STOCK.ITEM";
  ScriptOption.OneScript = false;
  SetScriptOutputDialog([&](TovConnectionWindow&, std::string& target, std::string& nameTable) {
    target = folder;
    nameTable = table;
    return true;
  });
  Show(window, "SALES", "TABLE");
  Trigger(window, "actScript");
  EXPECT_EQ(Boxes(), Lines{"名前TBL名が無効です。"});
}

TEST_F(CommandsTest, FullTextSearchKeepsTheMatchesAndRestoresTheSettings) {
  TfrmObject* window = Logon();
  std::vector<TGrepRequest> answers = {{"COL_ORDERS", gsListed, false}, {"col_ORDERS", gsSelected, true},
                                       {"COL_ORDERS", gsListed, true}};
  size_t asked = 0;
  TGrepRequest shown;
  SetGrepDialog([&](TGrepRequest& request) {
    shown = request;
    request = answers.at(asked++);
    return true;
  });
  ScriptOption.Insert = true;
  Show(window, "SALES", "TABLE", {});
  window->lstObject->clearSelection();
  Trigger(window, "actGrep");
  EXPECT_EQ(shown.Scope, gsListed);
  EXPECT_EQ(Names(*window->lstObject, false), Lines{"ORDERS"}) << "the DDL is upper-cased first";
  EXPECT_EQ(Boxes(), Lines{"検索を完了しました。"});
  EXPECT_TRUE(ScriptOption.Insert);

  Show(window, "SALES", "TABLE");
  Trigger(window, "actGrep");
  EXPECT_EQ(shown.Scope, gsSelected);
  EXPECT_EQ(Names(*window->lstObject, false), Lines{"ORDERS"});
  Show(window, "SALES", "TABLE");
  Trigger(window, "actGrep");
  EXPECT_TRUE(Names(*window->lstObject, false).empty()) << "case-sensitive: the exact spelling only";
  EXPECT_EQ(Panel2(), "0個のオブジェクトがあります。");
}

// Scope 2 fetches the node's list again before searching it; scope 3
// searches every object under the tree's root.
TEST_F(CommandsTest, FullTextSearchOfTheRefetchedListAndOfEveryObject) {
  TfrmObject* window = Logon();
  TGrepRequest answer;
  SetGrepDialog([&](TGrepRequest& request) {
    request = answer;
    return true;
  });
  Show(window, "SALES", "TABLE", {});
  delete window->lstObject->findItems("CUSTOMER", Qt::MatchExactly).front();  // a list gone stale
  answer = {"CREATE TABLE", gsRefetched, true};
  Trigger(window, "actGrep");
  EXPECT_EQ(Names(*window->lstObject, false), (Lines{"CUSTOMER", "ORDERS"}));
  EXPECT_EQ(Boxes(), Lines{"検索を完了しました。"});

  answer = {"col_ITEM", gsAll, true};
  Trigger(window, "actGrep");
  EXPECT_EQ(window->lstTree->currentItem(), window->lstTree->topLevelItem(0)) << "the search starts at the root";
  EXPECT_EQ(Names(*window->lstObject, false), Lines{"ITEM"}) << "found in another schema than the node's";
  EXPECT_EQ(window->lstObject->topLevelItem(0)->text(1).toStdString(), "STOCK");
  EXPECT_EQ(Boxes(), Lines{"検索を完了しました。"});
  EXPECT_EQ(Panel2(), "1個のオブジェクトがあります。");
}

// GrantMode 2: one GRANT file, prepared by its file mode for the first
// object written and appended to by the others; the scripts hold no GRANT.
TEST_F(CommandsTest, ScriptOutputWritesTheRealGrantsIntoOneGrantFile) {
  TfrmObject* window = Logon();
  RegisterObjectEditor(okTable, nullptr, [](TovConnectionWindow&, const TScriptArgs& args, std::ostream& stream) {
    stream << "CREATE TABLE " << args.Schema << "." << args.Name << "\r\n";
  });
  const std::string folder = env.Path("grants") + "/";
  SetScriptOutputDialog([&](TovConnectionWindow&, std::string& target, std::string& nameTable) {
    target = folder;
    nameTable.clear();
    return true;
  });
  const auto read = [](const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "missing " + path;
  };
  QDir().mkpath(QString::fromStdString(folder));
  {
    QFile old(QString::fromStdString(folder + "_GRANT.SQL"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("OLD\r\n");
  }
  ScriptOption.Grant = true;
  ScriptOption.GrantMode = 2;
  ScriptOption.SameName = true;
  Show(window, "STOCK", "TABLE");
  Trigger(window, "actScript");
  EXPECT_EQ(Boxes(), Lines{"スクリプトが出力されました。"});
  EXPECT_EQ(read(folder + "ITEM.SQL"), "CREATE TABLE STOCK.ITEM\r\n") << "the grants go to their own file";
  const std::string grants = read(folder + "_GRANT.SQL");
  EXPECT_EQ(grants.find("OLD"), std::string::npos) << "overwritten at the first object";
  const size_t inventory = grants.find(" ON TABLE STOCK.INVENTORY TO ");
  const size_t item = grants.find("GRANT SELECT ON TABLE STOCK.ITEM TO GUEST\r\n;\r\n");
  EXPECT_NE(inventory, std::string::npos) << grants;
  EXPECT_NE(item, std::string::npos) << grants;
  EXPECT_LT(inventory, item) << "in the list's order";

  // Not the same name: the next run appends to the file.
  ScriptOption.SameName = false;
  Show(window, "STOCK", "TABLE", {"ITEM"});
  Trigger(window, "actScript");
  Boxes();
  const std::string appended = read(folder + "_GRANT.SQL");
  EXPECT_EQ(appended.substr(0, grants.size()), grants);
  EXPECT_NE(appended.find("GRANT SELECT ON TABLE STOCK.ITEM TO GUEST", grants.size()), std::string::npos);
}

constexpr int kStatusColumn = 3;  // the list's status column

// Recompile asks the server for each object's state: what is valid is only
// marked so; what the catalogue does not list gets its statement, whose
// failure is reported and ends the walk.
TEST_F(CommandsTest, RecompileSendsTheStatementOnlyForWhatIsNotValid) {
  TfrmObject* window = Logon();
  Show(window, "SALES", "VIEW");
  QTreeWidgetItem* view = window->lstObject->topLevelItem(0);
  view->setText(kStatusColumn, "INVALID");
  for (const char* name : {"NO_SUCH_PROC", "LATER_PROC"}) {
    auto* unlisted = new QTreeWidgetItem(window->lstObject, {name, "SALES", "PROCEDURE"});
    SetItemImage(*unlisted, okProcedure);
    unlisted->setSelected(true);
  }
  symfoware::ClearStatementJournal();
  env.Dialogs().QueueMessage(IDYES);
  Trigger(window, "actCompile");
  Lines statements;
  std::string error;
  for (const symfoware::TJournalEntry& e : symfoware::StatementJournal())
    if (e.Statement.rfind("ALTER", 0) == 0) {
      statements.push_back(e.Statement);
      error = e.Error;
    }
  EXPECT_EQ(statements, Lines{"ALTER PROCEDURE SALES.NO_SUCH_PROC COMPILE"});
  EXPECT_EQ(view->text(kStatusColumn).toStdString(), "") << "the server calls it valid";
  EXPECT_EQ(Boxes(), (Lines{"オブジェクトを再コンパイルしますか？", error})) << "no closing message after a failure";
  EXPECT_EQ(Names(*window->lstObject, true), (Lines{"NO_SUCH_PROC", "LATER_PROC"})) << "the walk ended there";
}

TEST_F(CommandsTest, TreeButtonsAndTheSchemaFilter) {
  TfrmObject* window = Logon();
  window->btnTree2->click();
  EXPECT_EQ(AppOption.TreeSort, kTreeByKind);
  EXPECT_EQ(window->btnLevel1->toolTip().toStdString(), "オブジェクトタイプ選択時にオブジェクト一覧を表示する");
  EXPECT_EQ(window->lstTree->topLevelItem(0)->child(0)->text(0).toStdString(), "TABLE");
  window->btnTree1->click();
  EXPECT_EQ(AppOption.TreeSort, kTreeBySchema);
  window->btnLevel0->click();
  EXPECT_EQ(AppOption.ShowLevel0, window->btnLevel0->isChecked());

  // "設定": cancelled keeps the filter; chosen rebuilds with the new one.
  bool choose = false;
  RegisterActionHandler(kSchemaFilterCommand, [&](const TActionRequest& request) {
    EXPECT_EQ(request.Connection, window);
    if (choose) {
      TovRegistry reg;
      reg.OpenKey(ObjectTreeKey(testing_tools::kSampleDataSource), true);
      reg.WriteString("Schema", "HR\r\n");
    }
    return choose;
  });
  window->cmbTreeChange(kFilterStoredSchemas);
  EXPECT_EQ(window->SchemaFilter, kFilterAllSchemas);
  EXPECT_EQ(window->cmbTree->currentIndex(), kFilterAllSchemas);
  choose = true;
  window->cmbTree->setCurrentIndex(kFilterStoredSchemas);
  window->cmbTreeChange(kFilterStoredSchemas);
  EXPECT_EQ(window->SchemaFilter, kFilterStoredSchemas);
  EXPECT_EQ(window->lstTree->topLevelItem(0)->childCount(), 1);
}

// The tool and find buttons carry no text: without a picture they are blank.
// A user command file under ShareDir/USERCMD.
void WriteUserCommand(const std::string& name, const std::string& attributes) {
  QDir().mkpath(Q(ShareDir + "USERCMD"));
  QFile file(Q(ShareDir + "USERCMD/" + name + ".cmd"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(("<OVDOC OVDOC-VERSION=\"2\"><USERCMD " + attributes + "/></OVDOC>").c_str());
}

Lines DropsInJournal() {
  Lines drops;
  for (const symfoware::TJournalEntry& e : symfoware::StatementJournal())
    if (e.Statement.rfind("DROP", 0) == 0) drops.push_back(e.Statement + (e.Error.empty() ? "" : " !"));
  return drops;
}

TEST_F(CommandsTest, UserCommandsRunPerSelectedObjectAndReportTheirFailures) {
  WriteUserCommand("drop", "SQL=\"DROP TABLE &amp;OWNER.&amp;name\"");
  WriteUserCommand("drop all", "ERROR=\"1\" SHORTCUT=\"" + std::to_string(kScCtrl | 'J') + "\" SQL=\"DROP TABLE &amp;OWNER.&amp;NAME\"");
  WriteUserCommand("ask", "DIALOG=\"1\" SQL=\"DROP TABLE &amp;OWNER.&amp;NAME\"");
  WriteUserCommand("once", "SQL=\"DROP TABLE STOCK.NOTHERE\"");
  QFile(Q(ShareDir + "USERCMD/broken.cmd")).open(QIODevice::WriteOnly);
  TfrmObject* window = Logon();
  main->actMain->BuildUserCommandMenu();
  // The copy: caption and short-cut of every entry, in the main menu's order.
  Lines captions;
  for (QAction* item : window->mnuCommand->actions()) captions.push_back(item->text().toStdString());
  EXPECT_EQ(captions, (Lines{"ask", "broken", "drop", "drop all", "once"}));
  EXPECT_EQ(window->mnuCommand->actions()[3]->shortcut(), ShortCutToKeySequence(kScCtrl | 'J'));
  const auto run = [&](const std::string& caption) {
    for (QAction* item : window->mnuCommand->actions())
      if (item->text().toStdString() == caption) item->trigger();
  };

  Show(window, "STOCK", "TABLE");
  auto* ghost = new QTreeWidgetItem({"GHOST", "STOCK", "TABLE"});
  SetItemImage(*ghost, okTable);
  window->lstObject->insertTopLevelItem(1, ghost);
  ghost->setSelected(true);
  ASSERT_EQ(Names(*window->lstObject, true), (Lines{"INVENTORY", "GHOST", "ITEM"}));

  // Unreadable, or answered No: nothing runs, nothing is said.
  symfoware::ClearStatementJournal();
  run("broken");
  env.Dialogs().QueueMessage(IDNO);
  run("ask");
  ASSERT_EQ(env.Dialogs().messages.size(), 1u);
  EXPECT_EQ(env.Dialogs().messages[0].text, "ask を実行しますか？");
  env.Dialogs().messages.clear();
  EXPECT_TRUE(DropsInJournal().empty());

  // Without ERROR the failing second object ends the walk with its text.
  env.Dialogs().QueueMessage(IDOK);
  run("drop");
  EXPECT_EQ(DropsInJournal(), (Lines{"DROP TABLE STOCK.INVENTORY", "DROP TABLE STOCK.GHOST !"}));
  Lines boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find("\n\nDROP TABLE STOCK.GHOST"), std::string::npos) << boxes[0];
  EXPECT_EQ(Names(*window->lstObject, true), (Lines{"GHOST", "ITEM"}));

  // With ERROR the walk goes on; the first error is shown at its end.
  symfoware::ClearStatementJournal();
  env.Dialogs().QueueMessage(IDOK);
  run("drop all");
  EXPECT_EQ(DropsInJournal(), (Lines{"DROP TABLE STOCK.GHOST !", "DROP TABLE STOCK.ITEM"}));
  boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find("\n\nDROP TABLE STOCK.GHOST"), std::string::npos);
  EXPECT_TRUE(Names(*window->lstObject, true).empty());

  // A text without "&" runs once whatever is selected; its failure is shown
  // in place of the closing message.
  for (int i = 0; i < window->lstObject->topLevelItemCount(); ++i) window->lstObject->topLevelItem(i)->setSelected(true);
  symfoware::ClearStatementJournal();
  env.Dialogs().QueueMessage(IDOK);
  run("once");
  EXPECT_EQ(DropsInJournal(), (Lines{"DROP TABLE STOCK.NOTHERE !"}));
  boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0], "コマンドを実行しました。");
  EXPECT_EQ(env.Dialogs().unanswered, 0);
}

TEST_F(CommandsTest, UserCommandsOpenSQLWindowsAndTheMainMenuActsOnTheCurrentWindow) {
  WriteUserCommand("look", "SQLWINDOW=\"1\" SQL=\"SELECT * FROM &amp;OWNER.&amp;0\"");
  WriteUserCommand("count", "SQLWINDOW=\"1\" SQL=\"SELECT COUNT(*) FROM RDBII_SYSTEM.RDBII_TABLE\"");
  WriteUserCommand("touch", "SQL=\"UPDATE &amp;OWNER.&amp;NAME SET ON_HAND = ON_HAND\"");
  std::vector<std::pair<TovConnectionWindow*, std::string>> windows;
  RegisterActionHandler(kSQLWindowCommand, [&](const TActionRequest& request) {
    windows.emplace_back(request.Connection, request.Text);
    return true;
  });
  TfrmObject* window = Logon();
  main->actMain->BuildUserCommandMenu();
  Show(window, "STOCK", "TABLE");
  const auto runFromMain = [&](const std::string& caption) {
    for (QAction* item : main->findChild<QMenu*>("mnuUserCommand")->actions())
      if (item->text().toStdString() == caption) {
        ASSERT_TRUE(item->isEnabled());
        item->trigger();
      }
  };
  runFromMain("look");
  using Opened = std::vector<std::pair<TovConnectionWindow*, std::string>>;
  EXPECT_EQ(windows, (Opened{{window, "SELECT * FROM STOCK.INVENTORY"}, {window, "SELECT * FROM STOCK.ITEM"}}));
  EXPECT_TRUE(Boxes().empty()) << "the SQL windows speak for themselves";
  EXPECT_TRUE(Names(*window->lstObject, true).empty());
  windows.clear();
  runFromMain("count");
  EXPECT_EQ(windows, (Opened{{window, "SELECT COUNT(*) FROM RDBII_SYSTEM.RDBII_TABLE"}}));

  // Run directly, the statements reach the server and the close is said.
  Show(window, "STOCK", "TABLE", {"INVENTORY"});
  symfoware::ClearStatementJournal();
  env.Dialogs().QueueMessage(IDOK);
  runFromMain("touch");
  bool updated = false;
  for (const symfoware::TJournalEntry& e : symfoware::StatementJournal())
    updated = updated || (e.Statement == "UPDATE STOCK.INVENTORY SET ON_HAND = ON_HAND" && e.Error.empty());
  EXPECT_TRUE(updated);
  EXPECT_EQ(Boxes(), Lines{"コマンドを実行しました。"});
}

TEST_F(CommandsTest, TheToolAndFindButtonsShowPictures) {
  TfrmObject* window = Logon();
  const auto drawn = [](const QToolButton* button) {
    const QImage image = button->icon().pixmap(QSize(16, 16)).toImage();
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if (qAlpha(image.pixel(x, y)) != 0) return true;
    return false;
  };
  for (const QToolButton* button :
       {window->btnTree1, window->btnTree2, window->btnLevel0, window->btnLevel1, window->btnWhere, window->btnGrep})
    EXPECT_TRUE(drawn(button)) << button->objectName().toStdString();
}

// ---- the workspace list ----

class WorkSpaceTest : public CommandsTest {
 protected:
  Lines Shown() const { return Names(*main->lstWorkSpace, false); }
  void Drop(TfrmObject* window) { DragOnto(*window->lstObject, *main->lstWorkSpace->viewport()); }
  void SelectEntries(const Lines& titles) {
    for (int i = 0; i < main->lstWorkSpace->topLevelItemCount(); ++i) {
      QTreeWidgetItem* item = main->lstWorkSpace->topLevelItem(i);
      item->setSelected(std::count(titles.begin(), titles.end(), item->text(0).toStdString()) > 0);
      if (item->isSelected()) main->lstWorkSpace->setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
    }
  }
};

TEST_F(WorkSpaceTest, DropsOpensRenamesDeletesAndFollowsTheOpenConnections) {
  TfrmObject* window = Logon();
  EXPECT_EQ(main->lstWorkSpace->columnCount(), 4);
  EXPECT_EQ(main->lstWorkSpace->headerItem()->text(3).toStdString(), "データベース");
  Show(window, "SALES", "TABLE");
  Drop(window);
  Drop(window);  // the same objects once
  EXPECT_EQ(Shown(), (Lines{"CUSTOMER (SALES)", "ORDERS (SALES)"}));
  Show(window, "SALES", "VIEW");
  Trigger(window, "actAddWorkSpace");
  EXPECT_EQ(Shown(), (Lines{"CUSTOMER (SALES)", "CUSTOMER_ORDERS (SALES)", "ORDERS (SALES)"}));
  env.Restart();
  LoadWorkSpace();
  ASSERT_EQ(WorkSpaces.size(), 3u) << "saved at once";
  EXPECT_EQ(WorkSpaces[0].Connect, "ORVUSER @ ORVSAMPLE");

  // An entry stored under the label in another case is shown, not opened.
  WorkSpaces.push_back({okTable, "LOWER", "HR", "DEPT", "orvuser @ orvsample"});
  SaveWorkSpace();
  main->RefreshWorkSpace(nullptr);
  SelectEntries({"LOWER", "ORDERS (SALES)"});
  QTest::keyClick(main->lstWorkSpace, Qt::Key_Return);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].Name, "ORDERS");
  EXPECT_EQ(opened[0].Schema, "SALES");

  // Data with a record count: empty is 0, and a checked 0 is no default.
  opened.clear();
  SelectEntries({"ORDERS (SALES)"});
  env.Dialogs().QueueInput({true, "", {true}});
  main->WorkSpaceOpenDataTop();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].Mode, 2);
  EXPECT_EQ(opened[0].TopCount, 0);
  EXPECT_EQ(AppOption.DefTopRecord, 0);

  // Rename in place: another text renames the first corresponding entry.
  SelectEntries({"ORDERS (SALES)"});
  QTreeWidgetItem* orders = main->lstWorkSpace->currentItem();
  orders->setText(0, "受注");
  LoadWorkSpace();
  EXPECT_EQ(WorkSpaces[1].Title, "受注");

  // The pop-up's enabling follows the selected entry's kind.
  SelectEntries({"CUSTOMER_ORDERS (SALES)"});
  emit main->popWorkSpace->aboutToShow();
  EXPECT_TRUE(main->popWorkSpace->findChild<QAction*>("mnuWSOpenData")->isEnabled());
  EXPECT_FALSE(main->popWorkSpace->findChild<QAction*>("mnuWSExec")->isEnabled());

  // Delete three: three entries go, the list shows the rest.
  SelectEntries({"CUSTOMER (SALES)", "CUSTOMER_ORDERS (SALES)", "LOWER"});
  QTest::keyClick(main->lstWorkSpace, Qt::Key_Delete);
  EXPECT_EQ(Shown(), Lines{"受注"});
  LoadWorkSpace();
  EXPECT_EQ(WorkSpaces.size(), 1u);

  // Closing the connection hides its entries; a new logon shows them again.
  window->parentWidget()->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(Shown().empty());
  LoadWorkSpace();
  EXPECT_EQ(WorkSpaces.size(), 1u);
  Logon();
  EXPECT_EQ(Shown(), Lines{"受注"});
  EXPECT_EQ(env.Dialogs().unanswered, 0);
}

}  // namespace

namespace {

// The program's wiring: the registration routines fill every hook, the
// logon opens the connection window with its menus, and the commands reach
// the objects on the stand-in.
TEST(ProgramWiring, LogonOpenDragReopenAndDeleteThroughTheRegistration) {
  TestApp();
  testing_tools::SampleDataSource sample;
  testing_support::TempSettings env;
  InitFolders();
  ClearActionHandlers();
  WorkSpaces.clear();
  SaveWorkSpace();
  TfrmMain main;
  RegisterApp(main);
  RegisterUi(main);
  std::vector<TOpenArgs> opened;
  RegisterObjectEditor(
      okTable,
      [&](TovConnectionWindow& owner, const TOpenArgs& args) -> TovForm* {
        opened.push_back(args);
        return new RecordingEditor(owner, args);
      },
      nullptr);
  // The first paint asks for a logon; the dialog is closed, then the logon
  // goes through it as the user's would.
  std::function<void()> watch = [&] {
    if (auto* dialog = qobject_cast<TfrmLogon*>(QApplication::activeModalWidget())) {
      dialog->reject();
      return;
    }
    QTimer::singleShot(1, watch);
  };
  QTimer::singleShot(0, watch);
  main.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
  ASSERT_TRUE(TfrmLogon::LogonDatabase(testing_tools::kSampleDataSource, testing_tools::kSampleUser,
                                       testing_tools::kSamplePassword, true, &main));
  auto* window = qobject_cast<TfrmObject*>(main.CurrentConnection());
  ASSERT_NE(window, nullptr);
  // Its menu stands first in the main window's bar while it is active.
  main.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
  QApplication::processEvents();
  QAction* first = main.menuBar()->actions().front();
  EXPECT_EQ(first->text().toStdString(), "オブジェクトリスト(&O)");
  EXPECT_EQ(first->menu(), window->mnuObject);
  EXPECT_EQ(window->popTree->actions().size(), 7);

  main.lstWorkSpace->hide();
  QAction* view = main.findChild<QAction*>("mnuWorkSpace");
  view->setChecked(false);
  view->trigger();
  EXPECT_FALSE(main.lstWorkSpace->isHidden());

  // Double-click opens through the registered editor.
  CommandsTest::Show(window, "SALES", "TABLE", {"ORDERS"});
  QTreeWidgetItem* orders = window->lstObject->findItems("ORDERS", Qt::MatchExactly).front();
  window->lstObject->scrollToItem(orders);
  const QRect rect = window->lstObject->visualRect(window->lstObject->indexFromItem(orders, 0));
  ASSERT_TRUE(window->lstObject->viewport()->rect().contains(rect.center()));
  // As the platform delivers a double-click: press, release, double-click,
  // release (QTest's double-click alone is no press on the item).
  QWidget* viewport = window->lstObject->viewport();
  QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, rect.center());
  QTest::mouseDClick(viewport, Qt::LeftButton, Qt::NoModifier, rect.center());
  QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, rect.center());
  ASSERT_FALSE(opened.empty());
  EXPECT_EQ(opened.back().Name, "ORDERS");

  // Dragged from the real list onto the workspace, reopened from there.
  orders->setSelected(true);  // the open deselected it
  DragOnto(*window->lstObject, *main.lstWorkSpace->viewport());
  ASSERT_EQ(main.lstWorkSpace->topLevelItemCount(), 1);
  opened.clear();
  main.lstWorkSpace->topLevelItem(0)->setSelected(true);
  QTest::keyClick(main.lstWorkSpace, Qt::Key_Return);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].Schema, "SALES");

  // The main window's new-object button reaches the connection window.
  opened.clear();
  main.actMain->ApplyConnectionState();
  QToolButton* newTable = main.actMain->NewObjectButton("btnNewTable");
  ASSERT_TRUE(newTable->isEnabled());
  newTable->click();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].Name, "");

  // Delete a table: the statement reaches the stand-in.
  CommandsTest::Show(window, "STOCK", "TABLE", {"INVENTORY"});
  symfoware::ClearStatementJournal();
  env.Dialogs().QueueMessage(IDYES, {false});
  env.Dialogs().QueueMessage(IDOK);
  QTest::keyClick(window->lstObject, Qt::Key_Delete);
  const std::vector<symfoware::TJournalEntry> journal = symfoware::StatementJournal();
  EXPECT_TRUE(std::any_of(journal.begin(), journal.end(), [](const symfoware::TJournalEntry& e) {
    return e.Statement == "DROP TABLE STOCK.INVENTORY" && e.Error.empty();
  }));
  EXPECT_EQ(CommandsTest::Names(*window->lstObject, false), Lines{"ITEM"});

  RegisterObjectEditor(okTable, nullptr, nullptr);
  SetLogonProcedure(nullptr);
  SetLogonReceiver(nullptr);
  SetControlOptionsWindow(nullptr);
  SetPrintOwner(nullptr);
  ClearActionHandlers();
}

}  // namespace
