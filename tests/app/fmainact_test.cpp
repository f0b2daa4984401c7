#include "app/fmainact.h"
#include "app/core/ovkinds.h"
#include "app/fobjddl.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <fstream>
#include <memory>

#include "app/core/ovmsg.h"
#include "app/core/ovreg.h"
#include "app/core/ovshortcut.h"
#include "app/core/zarur.h"
#include "app/fmain.h"
#include "app/core/fmaineditcore.h"
#include "app/fmainedit.h"
#include "app/fobject.h"
#include "app/ovhhelp.h"
#include "platform/helpviewer.h"
#include "standin/symfoware/standin.h"
#include "tests/app/text_editor.h"
#include "tests/platform/temp_settings.h"
#include "tests/standin/odbc_fixture.h"
#include "tests/standin/tools_sample.h"
#include "ui/ovcomctrls.h"
#include "ui/ovfinddlg.h"
#include "ui/ovgrid.h"
#include "ui/ovprinter.h"
#include "ui/uiregister.h"

namespace {

using Names = std::vector<std::string>;

class MainActionsTest : public ::testing::Test {
 protected:
  MainActionsTest() {
    TestApp();
    InitFolders();
    AppOption = {};
    ShortCuts = DefaultShortCuts();
    ClearActionHandlers();
    testing_tools::UseStandinTools();
  }
  ~MainActionsTest() override {
    main_.reset();
    ClearActionHandlers();
    SetLogonProcedure(nullptr);
    QCoreApplication::processEvents();
  }
  void Start() {
    main_ = std::make_unique<TfrmMain>();
    main_->show();
  }
  QAction* Act(const char* name) const { return main_->actMain->Action(name); }
  TfrmObject* Logon() {
    odbc.CreateStandin("ADMIN", "secret");
    return new TfrmObject(main_.get(), "secret", "ADMIN", "ORVTEST");
  }
  void Document(const std::string& folder, const std::string& file, const std::string& text) {
    QDir().mkpath(QString::fromStdString(ShareDir + folder));
    std::ofstream(ShareDir + folder + "/" + file) << text;
  }
  static Names Captions(const QMenu* menu) {
    Names names;
    for (const QAction* a : menu->actions()) names.push_back(a->isSeparator() ? "-" : a->text().toStdString());
    return names;
  }
  // Every item of the menu and its submenus, depth first.
  static void Items(const QMenu* menu, std::vector<QAction*>& items) {
    for (QAction* a : menu->actions()) {
      if (a->menu()) Items(a->menu(), items);
      else if (!a->isSeparator()) items.push_back(a);
    }
  }
  std::vector<QAction*> AllItems() const {
    std::vector<QAction*> items;
    for (QAction* top : main_->menuBar()->actions()) Items(top->menu(), items);
    Items(main_->actMain->popEditor, items);
    return items;
  }
  void ExpectHandlersOfEnabledItems() const {
    for (QAction* item : AllItems()) {
      if (item->isEnabled() && item->isVisible()) {
        EXPECT_TRUE(main_->actMain->HasHandler(item)) << item->text().toStdString();
      }
    }
  }
  std::string Panel2() const { return main_->StatusPanel(kStatusMessagePanel)->text().toStdString(); }

  testing_support::TempSettings env;
  testing_odbc::OdbcFixture odbc;
  std::unique_ptr<TfrmMain> main_;
};

TEST_F(MainActionsTest, MenuBarToolBarsAndPopUpHoldTheirItemsInOrder) {
  Start();
  Names bar;
  for (QAction* top : main_->menuBar()->actions()) bar.push_back(top->text().toStdString());
  EXPECT_EQ(bar, (Names{"表示(&V)", "ファイル(&F)", "編集(&E)", "管理(&A)", "ツール(&T)", "ウィンドウ(&W)", "ヘルプ(&H)"}));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(main_.get()));
  QMenuBar* menuBar = main_->menuBar();
  const QRect help = menuBar->actionGeometry(menuBar->actions().back());
  const QImage image = menuBar->grab().toImage();
  const int scale = image.width() / menuBar->width();
  EXPECT_EQ(image.pixelColor((help.right() + 10) * scale, help.center().y() * scale), QColor(0xA7, 0xC7, 0xFC));
  EXPECT_EQ(Captions(main_->findChild<QMenu*>("mnuFile")),
            (Names{"コミット(&C)", "ロールバック(&R)", "データベース接続(&L)", "データベース切断(&D)", "-", "終了(&X)"}));
  EXPECT_EQ(Captions(main_->actMain->mnuToolBar), (Names{"標準", "編集", "表示", "ツール", "管理", "新規作成"}));
  main_->pnlAdmin->hide();
  std::unique_ptr<QMenu> toolBarMenu(main_->createPopupMenu());  // right-click on the tool-bar area
  EXPECT_EQ(Captions(toolBarMenu.get()), Captions(main_->actMain->mnuToolBar));
  EXPECT_FALSE(toolBarMenu->actions()[4]->isChecked());
  EXPECT_TRUE(toolBarMenu->actions()[0]->isChecked());
  EXPECT_EQ(Captions(main_->actMain->mnuUserCommand), (Names{"-", "ユーザー定義コマンドの登録(&M)"}));
  EXPECT_EQ(Captions(main_->actMain->mnuReport), (Names{"-", "レポート定義の登録(&R)"}));
  EXPECT_TRUE(main_->actMain->mnuHomePage->actions().isEmpty());
  EXPECT_FALSE(Act("actAdminJob")->isVisible());
  const Names popup = Captions(main_->actMain->popEditor);
  EXPECT_EQ(popup.front(), "元に戻す(&U)");
  EXPECT_EQ(popup.back(), "SQLリファレンス");
  EXPECT_EQ(popup[popup.size() - 3], "定義情報");

  const auto shortcutOf = [](const QMenu* menu, const char* text) {
    for (const QAction* a : menu->actions())
      if (a->text() == text) return a->shortcut();
    return QKeySequence();
  };
  EXPECT_EQ(shortcutOf(main_->findChild<QMenu*>("mnuEdit"), "マクロ実行"), QKeySequence("Ctrl+M"));
  EXPECT_EQ(shortcutOf(main_->actMain->popEditor, "定義情報"), QKeySequence("Ctrl+O"));
  EXPECT_EQ(shortcutOf(main_->findChild<QMenu*>("mnuView"), "最新の情報に更新(&R)"), QKeySequence(Qt::Key_F5));
  EXPECT_EQ(Act("actEditComment")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Minus));
  EXPECT_EQ(Act("actViewField")->shortcut(), QKeySequence("Ctrl+T"));
  EXPECT_EQ(Act("actDBCommit")->toolTip(), "COMMIT");

  Names db;
  for (QAction* a : main_->pnlDB->actions())
    db.push_back(a->objectName().isEmpty() ? "widget" : a->objectName().toStdString());
  EXPECT_EQ(db, (Names{"actDBLogon", "actDBLogoff", "widget", "actDBCommit", "actDBRollback"}));
  EXPECT_EQ(main_->pnlDB->widgetForAction(main_->pnlDB->actions()[2]), main_->cmbDBName);
  Names tips;
  for (QToolButton* b : main_->pnlNewObj->findChildren<QToolButton*>())
    if (b->objectName().startsWith("btnNew")) tips.push_back(b->toolTip().toStdString());
  EXPECT_EQ(tips, (Names{"新規テーブル", "新規インデックス", "新規ビュー", "新規プロシージャ", "新規ファンクション",
                         "新規トリガー", "新規シーケンス"}));
  EXPECT_EQ(main_->pnlAdmin->actions().size(), 5);
}

TEST_F(MainActionsTest, EnabledItemsHaveHandlersAndARegisteredHandlerEnablesItsActionByTheRules) {
  Start();
  ExpectHandlersOfEnabledItems();
  EXPECT_FALSE(Act("actToolOption")->isEnabled());
  EXPECT_FALSE(Act("actDBLogon")->isEnabled());  // no logon procedure installed

  std::vector<std::string> ran;
  auto record = [&ran](const char* name) {
    return [&ran, name](const TActionRequest& r) {
      ran.push_back(std::string(name) + (r.Connection ? " with C" : ""));
      return true;
    };
  };
  RegisterActionHandler("actToolOption", record("option"));
  RegisterActionHandler("actViewSQL", record("sql"));
  RegisterActionHandler(kNewObjectCommand, record("new"));
  EXPECT_TRUE(Act("actToolOption")->isEnabled());
  EXPECT_FALSE(Act("actViewSQL")->isEnabled());  // no connection: the rules keep it off
  EXPECT_FALSE(main_->actMain->NewObjectButton("btnNewTable")->isEnabled());
  Act("actToolOption")->trigger();
  Act("actViewSQL")->trigger();
  EXPECT_EQ(ran, (Names{"option"}));
  EXPECT_FALSE(Act("actDBCommit")->isEnabled());
  ExpectHandlersOfEnabledItems();
}

TEST_F(MainActionsTest, TheUiRegistrationGivesTheHelpMenuItsSupportWindow) {
  Start();
  EXPECT_FALSE(Act("actHelpSupport")->isEnabled());
  RegisterUi(*main_);
  EXPECT_TRUE(Act("actHelpSupport")->isEnabled());
  EXPECT_EQ(PrintOwner(), main_.get());
  EXPECT_EQ(&PrintData(), &main_->prtData);
  EXPECT_EQ(PrintOwnerWindow(), main_.get());
  SetPrintOwner(nullptr);
}

TEST_F(MainActionsTest, ConnectionStateFollowsTheListAndLogonWorksAfterTheLastWindowClosed) {
  std::vector<TLogonRequest> logons;
  SetLogonProcedure([&logons](TfrmMain&, const TLogonRequest& r) { logons.push_back(r); });
  Start();
  AppOption.AutoCommit = false;
  RegisterActionHandler(kNewObjectCommand, [](const TActionRequest&) { return true; });
  RegisterActionHandler("actAdminSession", [](const TActionRequest&) { return true; });
  RegisterObjectEditor(okProcedure, [](TovConnectionWindow&, const TOpenArgs&) { return nullptr; }, nullptr);
  EXPECT_TRUE(Act("actDBLogon")->isEnabled());
  EXPECT_FALSE(Act("actDBLogoff")->isEnabled());
  TfrmObject* window = Logon();
  EXPECT_TRUE(Act("actDBLogoff")->isEnabled());
  EXPECT_TRUE(Act("actDBCommit")->isEnabled());
  EXPECT_EQ(Act("actAdminSession")->isEnabled(), !window->Remote);
  EXPECT_TRUE(main_->actMain->NewObjectButton("btnNewProc")->isEnabled());
  EXPECT_FALSE(main_->actMain->NewObjectButton("btnNewTable")->isEnabled()) << "no table editor";
  RegisterObjectEditor(okProcedure, nullptr, nullptr);

  window->ExecSQL("CREATE SCHEMA S1");
  window->ExecSQL("CREATE TABLE S1.T (A INTEGER)");
  Act("actDBCommit")->trigger();
  EXPECT_EQ(Panel2(), "現行データベース [ ADMIN @ ORVTEST ] のトランザクションを COMMIT しました。");
  window->ExecSQL("INSERT INTO S1.T VALUES (1)");
  Act("actDBRollback")->trigger();
  EXPECT_EQ(Panel2(), "現行データベース [ ADMIN @ ORVTEST ] のトランザクションを ROLLBACK しました。");
  EXPECT_TRUE(window->DataModule->Connection.InTransaction());
  TovSQLQuery count(&window->DataModule->Connection);
  count.SetSQL("SELECT COUNT(*) FROM S1.T");
  count.Open();
  EXPECT_EQ(count.AsString(size_t{0}), "0");
  count.Close();

  QPointer<TfrmObject> guard(window);
  Act("actDBLogoff")->trigger();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(guard.isNull());
  EXPECT_EQ(main_->cmbDBName->count(), 0);
  EXPECT_FALSE(Act("actDBCommit")->isEnabled());
  EXPECT_FALSE(main_->actMain->NewObjectButton("btnNewTable")->isEnabled());
  ASSERT_TRUE(Act("actDBLogon")->isEnabled());
  logons.clear();  // the first paint's logon
  Act("actDBLogon")->trigger();
  EXPECT_EQ(logons, std::vector<TLogonRequest>{TLogonRequest{}});
}

TEST_F(MainActionsTest, ShortCutsComeFromTheSettingsGoBackAtExitAndTheFirstMenuItemActs) {
  {
    TovRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kOptionKey, true));
    reg.WriteInteger("Version", kOptionVersion);
    ASSERT_TRUE(reg.OpenKey(std::string(kOptionKey) + "\\SHORTCUT", true));
    reg.WriteString("EditFindNext", "Ctrl+F9");
    reg.WriteString("EditCopy", "");
    reg.CloseKey();
  }
  Document("USERCMD", "Mine.cmd",
           "<OVDOC OVDOC-VERSION=\"2\"><USERCMD SEQ=\"1\" SHORTCUT=\"" + std::to_string(kScCtrl | 'S') + "\"/></OVDOC>");
  Document("USERCMD", "Other.cmd",
           "<OVDOC OVDOC-VERSION=\"2\"><USERCMD SEQ=\"2\" SHORTCUT=\"" + std::to_string(kScAlt | 'K') + "\"/></OVDOC>");
  Start();
  EXPECT_EQ(Act("actEditFindNext")->shortcut(), QKeySequence("Ctrl+F9"));
  EXPECT_TRUE(Act("actEditCopy")->shortcut().isEmpty());
  EXPECT_EQ(Act("actViewSQL")->shortcut(), QKeySequence("Ctrl+S"));
  const QList<QAction*> commands = main_->actMain->mnuUserCommand->actions();
  ASSERT_EQ(commands.size(), 4);
  EXPECT_EQ(commands[0]->text(), "Mine");
  EXPECT_TRUE(commands[0]->shortcut().isEmpty());  // Ctrl+S stays with the earlier actViewSQL
  EXPECT_EQ(commands[1]->shortcut(), QKeySequence("Alt+K"));
  EXPECT_EQ(commands[1]->property("Tag").toInt(), 2);

  int sqlWindows = 0;
  RegisterActionHandler("actViewSQL", [&sqlWindows](const TActionRequest&) { return ++sqlWindows > 0; });
  Logon();
  ASSERT_TRUE(Act("actViewSQL")->isEnabled());
  QApplication::setActiveWindow(main_.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(main_.get()));
  QTest::keyClick(main_->cmbDBName, Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(sqlWindows, 1);
  // While the find dialog is active the main window's short-cuts rest.
  TovFindDialog* find = main_->actMain->EditActions->dlgFind;
  find->show();
  QApplication::setActiveWindow(find);
  ASSERT_TRUE(QTest::qWaitForWindowActive(find));
  QTest::keyClick(find->txtFind, Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(sqlWindows, 1);
  find->hide();

  Act("actEditFind")->setShortcut(QKeySequence("Ctrl+Shift+F"));  // as the options dialog would leave it
  main_->actMain->StoreShortCuts();
  main_->close();
  env.Restart();
  TovRegistry reg;
  ASSERT_TRUE(reg.OpenKey(std::string(kOptionKey) + "\\SHORTCUT", false));
  EXPECT_EQ(reg.ReadString("EditFindNext"), "Ctrl+F9");
  EXPECT_EQ(reg.ReadString("EditCopy"), "");
  EXPECT_EQ(reg.ReadString("ViewSQL"), "Ctrl+S");
  EXPECT_EQ(reg.ReadString("EditComment"), "Ctrl+-");
  reg.CloseKey();
}

TEST_F(MainActionsTest, DocumentMenusAreReadFromTheSharedFolderAndHandedToConnectionWindows) {
  Document("usercmd", "b.cmd", "<OVDOC><USERCMD SEQ=\"3\"/></OVDOC>");
  Document("usercmd", "a.cmd", "<OVDOC OVDOC-VERSION=\"2\"><USERCMD SEQ=\"5\"/></OVDOC>");
  Document("XLSDEF", "objects.def", "<OVDOC OVDOC-VERSION=\"2\"><XLSDEF TYPE=\"OBJECT\" OUTPUTTYPE=\"1\"/></OVDOC>");
  Document("XLSDEF", "views.def", "<OVDOC OVDOC-VERSION=\"2\"><XLSDEF TYPE=\"VIEW\" OUTPUTTYPE=\"1\"/></OVDOC>");
  Start();
  EXPECT_EQ(Captions(main_->actMain->mnuUserCommand), (Names{"b", "a", "-", "ユーザー定義コマンドの登録(&M)"}));
  EXPECT_EQ(Captions(main_->actMain->mnuReport), (Names{"objects", "views", "-", "レポート定義の登録(&R)"}));
  EXPECT_EQ(main_->actMain->mnuReport->actions()[1]->property("Tag").toInt(), 2);

  int copies = 0;
  std::vector<std::string> commands;
  RegisterActionHandler(kCopyUserCommandMenuCommand, [&copies](const TActionRequest& r) { return r.Connection && ++copies; });
  RegisterActionHandler(kUserCommandCommand, [&commands](const TActionRequest& r) -> bool {
    commands.push_back(qobject_cast<QAction*>(r.Sender)->text().toStdString());
    throw std::runtime_error("reported by the command itself");
  });
  int shortCutCopies = 0;
  RegisterActionHandler(kCopyObjectMenusCommand, [&shortCutCopies](const TActionRequest& r) {
    return r.Connection && ++shortCutCopies;
  });
  Logon();
  main_->BuildUserCommandMenu();
  EXPECT_EQ(copies, 1);
  main_->RefreshObjectMenus();
  EXPECT_EQ(shortCutCopies, 1);
  QAction* first = main_->actMain->mnuUserCommand->actions()[0];
  EXPECT_TRUE(first->isEnabled());
  first->trigger();
  EXPECT_EQ(commands, Names{"b"});
  EXPECT_FALSE(main_->actMain->mnuReport->actions()[0]->isEnabled());  // no handler, no selection
}

// An MDI child that counts the reload messages it gets.
class ReloadCounter : public QLineEdit {
 public:
  int reloads = 0;

 protected:
  bool event(QEvent* e) override {
    if (e->type() == static_cast<QEvent::Type>(kMsgReload)) {
      ++reloads;
      return true;
    }
    return QLineEdit::event(e);
  }
};

TEST_F(MainActionsTest, ViewAndWindowMenusWorkOnTheWindowsAndTheFocusedForm) {
  Start();
  TfrmObject* connection = Logon();
  auto* form = new ReloadCounter;
  form->setWindowTitle("フォーム");
  QMdiSubWindow* frame = main_->mdiArea->addSubWindow(form);
  main_->ShowChildWindow(frame);
  form->setFocus();

  QMenu* view = main_->findChild<QMenu*>("mnuView");
  emit view->aboutToShow();
  QAction* refresh = main_->findChild<QAction*>("mnuViewRefresh");
  ASSERT_TRUE(refresh->isEnabled());
  refresh->trigger();
  EXPECT_EQ(form->reloads, 1);
  main_->actMain->mnuDispList->trigger();
  EXPECT_TRUE(connection->lstObject->ListStyle());
  EXPECT_TRUE(connection->lstObject->header()->isHidden());
  main_->actMain->mnuDispReport->trigger();
  EXPECT_FALSE(connection->lstObject->ListStyle());
  main_->actMain->mnuToolBar->actions()[3]->trigger();  // "ツール" 2
  EXPECT_TRUE(main_->pnlTool2->isHidden());
  QAction* statusBar = main_->findChild<QAction*>("mnuStatusBar");
  statusBar->trigger();
  EXPECT_TRUE(main_->stsMain->isHidden());

  emit main_->actMain->mnuWindow->aboutToShow();
  Names list;
  for (QAction* a : main_->actMain->mnuWindow->actions())
    if (a->isCheckable()) list.push_back(a->text().toStdString() + (a->isChecked() ? "*" : ""));
  EXPECT_EQ(list, (Names{"&1 " + connection->windowTitle().toStdString(), "&2 フォーム*"}));
  Act("actWindowTileV")->trigger();
  EXPECT_EQ(frame->y(), 0);
  EXPECT_GT(frame->x(), 0);
  Act("actWindowMinimizeAll")->trigger();
  EXPECT_TRUE(frame->isMinimized());
  Act("actWindowCascade")->trigger();
  main_->ShowChildWindow(frame);
  QPointer<QMdiSubWindow> guard(frame);
  Act("actWindowClose")->trigger();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(guard.isNull() || guard->isHidden());
}

TEST_F(MainActionsTest, EditActionsReachTheFocusedEditBoxComboBoxListAndGrid) {
  Start();
  auto* host = new QWidget;
  auto* edit = new QLineEdit("select x", host);
  auto* combo = new QComboBox(host);
  combo->setEditable(true);
  combo->setEditText("ABC def");
  auto* list = new TovListView(host);
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list->setHeaderLabels({"名前"});
  for (const char* name : {"T1", "T2"}) list->addTopLevelItem(new QTreeWidgetItem(QStringList{name}));
  auto* grid = new TovStringGrid(host);
  grid->SetColCount(2);
  grid->SetRowCount(2);
  grid->SetCells(1, 1, "セル");
  main_->ShowChildWindow(main_->mdiArea->addSubWindow(host));
  QApplication::setActiveWindow(main_.get());

  edit->setFocus();
  QCoreApplication::processEvents();
  ASSERT_EQ(main_->actMain->EditActions->FocusedControl(), edit);
  main_->actMain->UpdateActions();
  EXPECT_FALSE(Act("actEditFind")->isEnabled());  // no SQL editor
  EXPECT_FALSE(Act("actEditIndentF")->isEnabled());
  edit->selectAll();
  Act("actEditUpperCase")->trigger();
  EXPECT_EQ(edit->text(), "SELECT X");
  Act("actEditUndo")->trigger();
  EXPECT_EQ(edit->text(), "select x");
  Act("actEditRedo")->trigger();  // its own redo, not a second undo
  EXPECT_EQ(edit->text(), "SELECT X");

  combo->setFocus();
  QCoreApplication::processEvents();
  combo->lineEdit()->selectAll();
  Act("actEditLowerCase")->trigger();
  EXPECT_EQ(combo->currentText(), "abc def");

  list->setFocus();
  QCoreApplication::processEvents();
  Act("actEditSelectAll")->trigger();
  EXPECT_EQ(list->selectedItems().size(), 2);
  Act("actEditCopy")->trigger();
  EXPECT_EQ(QApplication::clipboard()->text(), "T1\r\nT2");
  main_->actMain->UpdateActions();
  EXPECT_TRUE(Act("actEditCopy")->isEnabled());

  grid->setFocus();
  QCoreApplication::processEvents();
  grid->FocusCell(1, 1);
  Act("actEditCopy")->trigger();
  EXPECT_EQ(QApplication::clipboard()->text(), "セル");
  main_->actMain->UpdateActions();
  EXPECT_TRUE(Act("actEditUndo")->isEnabled());  // not an SQL editor: the grid takes what it can
  EXPECT_FALSE(Act("actEditIndentF")->isEnabled());
}

// An SQL editor in a window of its own.
class EditorWidget : public QWidget, public testing_editor::TextEditor {
 public:
  explicit EditorWidget(const std::string& text) : TextEditor(text) { setFocusPolicy(Qt::StrongFocus); }
};

TEST_F(MainActionsTest, EditActionsFollowTheFocusedSqlEditor) {
  Start();
  auto* host = new QWidget;
  auto* editor = new EditorWidget("select a\r\nfrom t");
  auto* readOnly = new EditorWidget("select 1");
  readOnly->readOnly = true;
  editor->setParent(host);
  readOnly->setParent(host);
  main_->ShowChildWindow(main_->mdiArea->addSubWindow(host));
  QApplication::setActiveWindow(main_.get());
  const auto enabled = [this](std::initializer_list<const char*> names) {
    main_->actMain->UpdateActions();
    std::string states;
    for (const char* name : names) states += Act(name)->isEnabled() ? "1" : "0";
    return states;
  };
  const auto names = {"actEditUndo", "actEditFind", "actEditReplace", "actEditJump", "actEditComment",
                      "actEditMacroSave", "actEditMacroExec", "actEditFormat", "actEditIndentF"};

  readOnly->setFocus();
  QCoreApplication::processEvents();
  EXPECT_EQ(enabled(names), "010110000");
  editor->setFocus();
  QCoreApplication::processEvents();
  EXPECT_EQ(enabled(names), "111111010");  // no macro, no selection to indent
  editor->SetSelection(0, 6);
  EXPECT_EQ(enabled(names), "111111011");

  Act("actEditMacroSave")->trigger();
  main_->actMain->UpdateActions();
  EXPECT_EQ(Act("actEditMacroSave")->text(), "マクロ記録終了");
  EXPECT_EQ(Act("actEditMacroSave")->toolTip(), "マクロ記録終了");
  Act("actEditMacroSave")->trigger();
  EXPECT_EQ(enabled({"actEditMacroExec"}), "1");
  EXPECT_EQ(Act("actEditMacroSave")->text(), "マクロ記録開始");
  Act("actEditMacroExec")->trigger();
  EXPECT_EQ(editor->played, 1);

  // The find dialog takes the selection and searches the editor, not itself.
  Act("actEditFind")->trigger();
  TovFindDialog* find = main_->actMain->EditActions->dlgFind;
  EXPECT_TRUE(find->isVisible());
  EXPECT_FALSE(find->isModal());
  EXPECT_TRUE(find->chkWholeWord->isHidden());
  EXPECT_EQ(find->FindText(), "select");
  find->SetFindText("FROM");
  find->btnFind->click();
  EXPECT_EQ(editor->SelectedText(), "from");
  find->btnFind->click();
  ASSERT_EQ(env.Dialogs().messages.size(), 1u);
  EXPECT_EQ(env.Dialogs().messages[0].text, "検索文字列 FROM は見つかりませんでした。");
  find->hide();

  Act("actEditUpperCase")->trigger();
  EXPECT_EQ(editor->Text(), "select a\r\nFROM t");
  editor->SetSelection(10, 14);
  Act("actEditReplace")->trigger();
  TovFindDialog* replace = main_->actMain->EditActions->dlgReplace;
  EXPECT_EQ(replace->FindText(), "FROM");
  replace->txtReplace->setText("FROM");
  replace->SetFindText("t");
  replace->btnReplaceAll->click();
  EXPECT_EQ(env.Dialogs().messages.back().text, "2個の置換を行いました。");
  replace->hide();
  EXPECT_EQ(main_->EditorPopupMenu(), main_->actMain->popEditor);

  // Formatting lays out the whole text with the formatter options of the
  // moment; a blank text leaves the action off.
  FormatOption = TFormatOption{.Indent = 4};
  editor->SelectAll();
  editor->ReplaceSelection("select a, b from t where x = 1");
  editor->SetSelection(0, 0);
  Act("actEditFormat")->trigger();
  EXPECT_EQ(editor->Text(), "SELECT A\r\n      ,B\r\n  FROM T\r\n WHERE X = 1");
  FormatOption.ItemReturn = 1;
  editor->SetSelection(0, 0);
  Act("actEditFormat")->trigger();
  EXPECT_EQ(editor->Text(), "SELECT A, B\r\n  FROM T\r\n WHERE X = 1");
  FormatOption = {};
  editor->SelectAll();
  editor->ReplaceSelection(" \r\n");
  EXPECT_EQ(enabled({"actEditFormat"}), "0");
}

// A help viewer that records the help files it opens.
struct OpenedHelp : platform::HelpViewer {
  explicit OpenedHelp(std::vector<std::string>* into) : opened(into) {}
  bool OpenHelpFile(const std::string& helpFile) override {
    opened->push_back(helpFile);
    return true;
  }
  void ShowPopup(const std::string&, int, int) override {}
  void ShowStatus(const std::string&) override {}
  std::vector<std::string>* opened;
};

TEST_F(MainActionsTest, HelpOpensTheContentsThroughTheHelpComponent) {
  std::vector<std::string> opened;
  auto previous = platform::SetHelpViewer(std::make_unique<OpenedHelp>(&opened));
  Start();
  Act("actHelp")->trigger();
  EXPECT_EQ(opened, Names{main_->hlpMain->HelpFileName()});
  main_.reset();
  platform::SetHelpViewer(std::move(previous));
}

TEST_F(MainActionsTest, ToolTipsOfHoveredButtonsLeaveTheStatusPanelsAlone) {
  Start();
  main_->SetStatusText(kStatusMessagePanel, "結果");
  QWidget* button = main_->pnlDB->widgetForAction(Act("actDBLogon"));
  ASSERT_NE(button, nullptr);
  QTest::mouseMove(button);
  QStatusTipEvent tip("データベース接続");
  QCoreApplication::sendEvent(button, &tip);
  QCoreApplication::processEvents();
  EXPECT_EQ(Panel2(), "結果");
  EXPECT_EQ(main_->StatusPanel(0)->text(), "");
}

}  // namespace
