#include "app/fmainact.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include <algorithm>

#include "app/core/fmaineditcore.h"
#include "app/core/fobjectcore.h"
#include "app/core/ovdoc.h"
#include "app/core/ovmainwin.h"
#include "app/core/ovmsg.h"
#include "app/core/ovshortcut.h"
#include "app/core/zarur.h"
#include "app/fmainedit.h"
#include "app/fobjddl.h"
#include "app/fobject.h"
#include "app/ovforms.h"
#include "app/ovhhelp.h"
#include "platform/qstr.h"
#include "ui/ovimages.h"
#include "ui/ovmenubar.h"

namespace {

// The short-cut an item has by its settings or its form, as a code; the
// key sequence it acts on may be left empty when an earlier item holds it.
constexpr char kShortCutProperty[] = "ovShortCut";
// The state the connection-state rules gave an action.
constexpr char kRuleEnabledProperty[] = "ovRuleEnabled";
constexpr char kTagProperty[] = "Tag";

// The tool-bar items, tagged 1 to 6 in the order of the frame's tool bars.
constexpr const char* kToolBarCaptions[] = {"標準", "編集", "表示", "ツール", "管理", "新規作成"};

struct THomePage {
  const char* Action;
  const char* Address;
};
// The program has no web pages of its own: no address, so no items.
constexpr THomePage kHomePages[] = {
    {"actHelpHomePageTop", ""},
    {"actHelpHomePageTech", ""},
    {"actHelpHomePageFAQ", ""},
};

int ShortCutOf(const QAction* action) { return action->property(kShortCutProperty).toInt(); }

void SetShortCutOf(QAction* action, int code) { action->setProperty(kShortCutProperty, code); }

}  // namespace

TMainActions::TMainActions(const TMainFrame& frame) : QObject(frame.Window), frame_(frame) {
  CreateActions();
  EditActions = new TMainEditActions(frame_, *this);
  BuildMenus();
  FillToolBars();
  SetActionHandlerListener([this] { ApplyConnectionState(); });
}

TMainActions::~TMainActions() { SetActionHandlerListener(nullptr); }

void TMainActions::CreateActions() {
  for (const TActionDef& def : MainActions()) {
    auto* action = new QAction(imgMain().Icon(def.Image), Q(def.Caption), this);
    action->setObjectName(Q(def.Name));
    action->setToolTip(Q(ShortHint(def.Hint)));
    action->setProperty(kRuleEnabledProperty, true);
    SetShortCutOf(action, TextToShortCut(DefaultActionKeys(def.Name)));
    actions_[def.Name] = action;
    if (def.Runner == TActionRunner::External) {
      external_[action] = def.Name;
      Wire(action, [this, name = def.Name, action] { RunExternal(name, action); });
    }
    // Short-cut carriers act only in the connection windows that copy them:
    // left off every widget, their short-cuts never act here.
    if (def.Runner != TActionRunner::ShortCutOnly) frame_.Window->addAction(action);
  }
  Wire(Action("actDBCommit"), [this] { EndTransaction(true); });
  Wire(Action("actDBRollback"), [this] { EndTransaction(false); });
  Wire(Action("actDBLogon"), [this] { frame_.Logon(); });
  Wire(Action("actDBLogoff"), [this] { Logoff(); });
  Wire(Action("actFileExit"), [this] { frame_.Window->close(); });
  Wire(Action("actWindowClose"), [this] {
    if (QMdiSubWindow* active = frame_.MdiArea->activeSubWindow()) active->close();
  });
  Wire(Action("actWindowCascade"), [this] { frame_.MdiArea->cascadeSubWindows(); });
  Wire(Action("actWindowTileH"), [this] { TileWindows(true); });
  Wire(Action("actWindowTileV"), [this] { TileWindows(false); });
  Wire(Action("actWindowMinimizeAll"), [this] {
    const QList<QMdiSubWindow*> children = frame_.MdiArea->subWindowList(QMdiArea::CreationOrder);
    for (auto it = children.crbegin(); it != children.crend(); ++it) (*it)->showMinimized();
  });
  Wire(Action("actWindowArrange"), [this] { ArrangeIcons(); });
  Wire(Action("actHelp"), [this] {
    bool callHelp = true;
    frame_.Help->HelpHandler(HELP_INDEX, 0, callHelp);
  });
  for (const THomePage& page : kHomePages)
    Wire(Action(page.Action), [address = page.Address] { QDesktopServices::openUrl(QUrl(address)); });
}

QAction* TMainActions::Action(const std::string& name) const {
  const auto it = actions_.find(name);
  return it == actions_.end() ? nullptr : it->second;
}

QToolButton* TMainActions::NewObjectButton(const std::string& name) const {
  const auto it = newObjectButtons_.find(name);
  return it == newObjectButtons_.end() ? nullptr : it->second;
}

void TMainActions::Wire(QAction* item, std::function<void()> run) {
  handled_.insert(item);
  connect(item, &QAction::triggered, this, [run = std::move(run)] { run(); });
}

std::vector<QWidget*> TMainActions::ConnectionWindows() const {
  std::vector<QWidget*> windows;
  for (int i = 0; i < frame_.ConnectionList->count(); ++i)
    if (auto* window = qobject_cast<QWidget*>(frame_.ConnectionList->itemData(i).value<QObject*>()))
      windows.push_back(window);
  return windows;
}

void TMainActions::DropItems(std::vector<QAction*>& items) {
  for (QAction* item : items) {
    handled_.erase(item);
    external_.erase(item);
    delete item;
  }
  items.clear();
}

bool TMainActions::HasHandler(const QAction* item) const {
  if (!handled_.count(item)) return false;
  const auto external = external_.find(item);
  return external == external_.end() || ActionHandler(external->second) != nullptr;
}

// ---- menus and tool bars ----

void TMainActions::BuildMenus() {
  mnuMain = frame_.Window->menuBar();
  mnuMain->setObjectName("mnuMain");
  for (const TMenuDef& def : MainMenus()) {
    QMenu* menu = mnuMain->addMenu(Q(def.Caption));
    menu->setObjectName(Q(def.Name));
    SetMenuGroup(*menu, def.GroupIndex);
    BuildMenuItems(menu, def.Items);
    if (def.Name == "mnuWindow") mnuWindow = menu;
  }
  Action("actAdminJob")->setVisible(false);
  popEditor = new QMenu(frame_.Window);
  popEditor->setObjectName("popEditor");
  BuildMenuItems(popEditor, EditorPopupItems());
  connect(frame_.Window->findChild<QMenu*>("mnuView"), &QMenu::aboutToShow, this, &TMainActions::ViewMenuShow);
  connect(mnuWindow, &QMenu::aboutToShow, this, &TMainActions::WindowMenuShow);
  for (QMenu* menu : {frame_.Window->findChild<QMenu*>("mnuEdit"), popEditor, mnuReport})
    connect(menu, &QMenu::aboutToShow, this, &TMainActions::UpdateActions);
}

void TMainActions::BuildMenuItems(QMenu* menu, const std::vector<std::string>& items) {
  for (const std::string& item : items) {
    if (item == kMenuSeparator)
      menu->addSeparator();
    else if (QAction* action = Action(item))
      menu->addAction(action);
    else
      SpecialItem(menu, item);
  }
}

QAction* TMainActions::ProxyItem(QMenu* menu, const std::string& target, const char* keys) {
  QAction* action = Action(target);
  auto* item = menu->addAction(action->icon(), action->text());
  item->setToolTip(action->toolTip());
  SetShortCutOf(item, TextToShortCut(keys));
  // The item follows its action's state and caption.
  connect(action, &QAction::changed, item, [item, action] {
    item->setEnabled(action->isEnabled());
    item->setText(action->text());
  });
  item->setEnabled(action->isEnabled());
  Wire(item, [action] {
    if (action->isEnabled()) action->trigger();
  });
  frame_.Window->addAction(item);
  return item;
}

void TMainActions::SpecialItem(QMenu* menu, const std::string& name) {
  QAction* item = nullptr;
  if (name == "mnuToolBar") {
    mnuToolBar = menu->addMenu("ツールバー");
    mnuToolBar->setObjectName("mnuToolBar");
    const std::vector<QToolBar*> bars = frame_.ToolBars;
    for (int tag = 1; tag <= static_cast<int>(std::size(kToolBarCaptions)); ++tag) {
      QAction* toggle = mnuToolBar->addAction(kToolBarCaptions[tag - 1]);
      toggle->setCheckable(true);
      toggle->setChecked(true);
      toggle->setProperty(kTagProperty, tag);
      QToolBar* bar = bars[static_cast<size_t>(tag - 1)];
      Wire(toggle, [bar, toggle] { bar->setVisible(toggle->isChecked()); });
    }
    connect(mnuToolBar, &QMenu::aboutToShow, this, &TMainActions::ViewMenuShow);
    return;
  }
  if (name == "mnuWorkSpace" || name == "mnuTaskBar" || name == "mnuStatusBar") {
    static const std::map<std::string, const char*> captions = {
        {"mnuWorkSpace", "ワークスペース"}, {"mnuTaskBar", "タスクバー"}, {"mnuStatusBar", "ステータスバー"}};
    item = menu->addAction(captions.at(name));
    item->setCheckable(true);
    if (name == "mnuWorkSpace") Wire(item, [this, item] { frame_.SetWorkSpaceVisible(item->isChecked()); });
    if (name == "mnuTaskBar") Wire(item, [this, item] { frame_.TaskBar->setVisible(item->isChecked()); });
    if (name == "mnuStatusBar") Wire(item, [this, item] { frame_.StatusBar->setVisible(item->isChecked()); });
  } else if (name == "mnuDispList" || name == "mnuDispReport") {
    const bool list = name == "mnuDispList";
    item = menu->addAction(list ? "一覧(&L)" : "詳細(&D)");
    item->setCheckable(true);
    (list ? mnuDispList : mnuDispReport) = item;
    if (!list) {
      auto* group = new QActionGroup(menu);
      group->addAction(mnuDispList);
      group->addAction(mnuDispReport);
      mnuDispReport->setChecked(true);
    }
    Wire(item, [this, list] { SetObjectListStyle(list); });
  } else if (name == "mnuViewRefresh") {
    item = menu->addAction("最新の情報に更新(&R)");
    SetShortCutOf(item, TextToShortCut("F5"));
    Wire(item, [this] { ReloadFocusedForm(); });
    frame_.Window->addAction(item);
  } else if (name == "mnuMacroExec") {
    item = ProxyItem(menu, "actEditMacroExec", "Ctrl+M");
  } else if (name == "mnuPopEditOpen") {
    item = ProxyItem(menu, "actEditOpen", "Ctrl+O");
  } else if (name == "mnuUserCommand" || name == "mnuReport") {
    const bool commands = name == "mnuUserCommand";
    QMenu* sub = menu->addMenu(commands ? "ユーザー定義コマンド" : "レポート出力");
    sub->setObjectName(Q(name));
    QAction* separator = sub->addSeparator();
    separator->setObjectName(commands ? "mnuTB1" : "mnuTB2");
    sub->addAction(Action(commands ? "actToolCommandSetup" : "actToolReportSetup"));
    (commands ? mnuUserCommand : mnuReport) = sub;
    (commands ? mnuTB1 : mnuTB2) = separator;
    return;
  } else if (name == "mnuHomePage") {
    mnuHomePage = menu->addMenu("ホームページを開く");
    mnuHomePage->setObjectName("mnuHomePage");
    return;
  } else if (name == "mnuWindowList") {
    mnuWindowList = menu->addSeparator();
    return;
  }
  if (item) item->setObjectName(Q(name));
}

void TMainActions::FillToolBars() {
  for (const TToolBarDef& bar : MainToolBars()) {
    auto* toolBar = frame_.Window->findChild<QToolBar*>(Q(bar.Name));
    for (const std::string& item : bar.Items) {
      if (item == "cmbDBName") {
        toolBar->addWidget(frame_.ConnectionList);
      } else if (QAction* action = Action(item)) {
        toolBar->addAction(action);
      }
    }
  }
  for (const TNewObjectButton& def : NewObjectButtons()) {
    auto* button = new QToolButton(frame_.NewObjectBar);
    button->setObjectName(Q(def.Name));
    button->setIcon(imgMain().Icon(def.Image));
    button->setToolTip(Q(def.Caption));
    button->setProperty(kImageIndexProperty, def.Image);
    button->setAutoRaise(true);
    frame_.NewObjectBar->addWidget(button);
    newObjectButtons_[def.Name] = button;
    connect(button, &QToolButton::clicked, this, [this, button] { RunConnectionCommand(kNewObjectCommand, button); });
  }
}

// ---- state ----

void TMainActions::ApplyConnectionState() {
  TConnectionState state;
  state.Count = frame_.ConnectionList->count();
  state.AutoCommit = AppOption.AutoCommit;
  if (auto* connection = qobject_cast<TfrmObject*>(frame_.Face->CurrentConnection())) {
    state.Current = true;
    state.Remote = connection->Remote;
    state.CatalogLevel = connection->CatalogLevel;
    state.LevelReduced = connection->LevelReduced();
  }
  const bool newObjects = ActionHandler(kNewObjectCommand) != nullptr;
  for (const auto& [name, rule] : ConnectionStateRules(state)) {
    if (QToolButton* button = NewObjectButton(name)) {
      // A button opens the editor of its kind, once one is registered.
      button->setEnabled(rule.Enabled && newObjects &&
                         EditorRegistered(button->property(kImageIndexProperty).toInt()));
    } else if (name == kUserCommandItems) {
      for (QAction* item : userCommandItems_) item->setEnabled(rule.Enabled && HasHandler(item));
    } else if (QAction* action = Action(name)) {
      action->setProperty(kRuleEnabledProperty, rule.Enabled);
      action->setEnabled(rule.Enabled);
      action->setVisible(rule.Visible);
    }
  }
  // The rules take over an action of another subsystem once its handler is there.
  for (const auto& [name, action] : actions_)
    if (external_.count(action))
      action->setEnabled(action->property(kRuleEnabledProperty).toBool() && ActionHandler(name) != nullptr);
  Action("actDBLogon")->setEnabled(frame_.CanLogon());
}

void TMainActions::UpdateActions() {
  EditActions->UpdateStates();
  const auto* connection = AsConnectionWindow(frame_.Face->CurrentConnection());
  const bool selected = connection && connection->ObjectCount().Selected > 0;
  for (QAction* item : reportItems_) item->setEnabled(selected && HasHandler(item));
}

// ---- short-cuts ----

void TMainActions::ApplyShortCuts() {
  for (const TovShortCut& sc : ShortCuts)
    for (const TActionDef& def : MainActions())
      if (ShortCutSettingName(def.Name) == sc.Name) SetShortCutOf(Action(def.Name), TextToShortCut(sc.Keys));
  AssignKeySequences();
}

void TMainActions::StoreShortCuts() {
  for (TovShortCut& sc : ShortCuts)
    for (const TActionDef& def : MainActions())
      if (ShortCutSettingName(def.Name) == sc.Name) sc.Keys = ShortCutToText(ShortCutOf(Action(def.Name)));
}

int TMainActions::ShortCut(const std::string& name) const {
  const QAction* action = Action(name);
  return action ? ShortCutOf(action) : kScNone;
}

void TMainActions::SetShortCuts(const std::map<std::string, int>& codes) {
  for (const auto& [name, code] : codes)
    if (QAction* action = Action(name)) SetShortCutOf(action, code);
  AssignKeySequences();
}

std::vector<QAction*> TMainActions::ItemsInMenuOrder() const {
  std::vector<QAction*> items;
  const std::function<void(const QMenu*)> walk = [&](const QMenu* menu) {
    for (QAction* item : menu->actions()) {
      if (item->menu())
        walk(item->menu());
      else if (std::find(items.begin(), items.end(), item) == items.end())
        items.push_back(item);
    }
  };
  // The bar's own menus: an active child's merged ones belong to the child.
  for (const QAction* top : mnuMain->actions())
    if (top->menu() && top->menu()->parent() == mnuMain) walk(top->menu());
  walk(popEditor);
  for (const auto& entry : actions_)
    if (std::find(items.begin(), items.end(), entry.second) == items.end()) items.push_back(entry.second);
  return items;
}

// Two items with one short-cut: the first in menu order acts. Qt would
// silence both, so the later one keeps its short-cut for the settings only.
// The connection windows' carriers act elsewhere and take part in no match.
void TMainActions::AssignKeySequences() {
  std::set<int> taken;
  for (QAction* item : ItemsInMenuOrder()) {
    const int code = ShortCutOf(item);
    const TActionDef* def = FindActionDef(item->objectName().toStdString());
    const bool carrier = def && def->Runner == TActionRunner::ShortCutOnly;
    const bool acts = code != kScNone && (carrier || taken.insert(code).second);
    item->setShortcut(acts ? ShortCutToKeySequence(code) : QKeySequence());
  }
}

// ---- document menus ----

void TMainActions::BuildUserCommandMenu() {
  DropItems(userCommandItems_);
  for (const TUserCommandEntry& entry : UserCommandMenuEntries(ShareDir)) {
    auto* item = new QAction(Q(entry.Name), mnuUserCommand);
    SetShortCutOf(item, entry.ShortCut);
    item->setProperty(kTagProperty, entry.Seq);
    Wire(item, [this, item] { RunConnectionCommand(kUserCommandCommand, item); });
    external_[item] = kUserCommandCommand;
    mnuUserCommand->insertAction(mnuTB1, item);
    frame_.Window->addAction(item);
    userCommandItems_.push_back(item);
  }
  AssignKeySequences();
  ApplyConnectionState();
  CopyToConnectionWindows(kCopyUserCommandMenuCommand);
}

void TMainActions::BuildReportMenu() {
  DropItems(reportItems_);
  for (const TReportEntry& entry : ReportMenuEntries(ShareDir)) {
    auto* item = new QAction(Q(entry.Name), mnuReport);
    item->setProperty(kTagProperty, entry.Tag);
    Wire(item, [this, item] { RunConnectionCommand(kReportCommand, item); });
    external_[item] = kReportCommand;
    mnuReport->insertAction(mnuTB2, item);
    reportItems_.push_back(item);
  }
  UpdateActions();
  CopyToConnectionWindows(kCopyReportMenuCommand);
}

std::vector<TReportEntry> TMainActions::ReportMenuItems() const {
  std::vector<TReportEntry> items;
  for (const QAction* item : reportItems_)
    items.push_back({item->text().toStdString(), item->property(kTagProperty).toInt(),
                     KeySequenceToShortCut(item->shortcut())});
  return items;
}

void TMainActions::BuildHomePageMenu() {
  mnuHomePage->clear();
  for (const THomePage& page : kHomePages)
    if (*page.Address) mnuHomePage->addAction(Action(page.Action));
}

void TMainActions::RefreshObjectMenus() { CopyToConnectionWindows(kCopyObjectMenusCommand); }

void TMainActions::CopyToConnectionWindows(const char* command) {
  const TActionHandler* copy = ActionHandler(command);
  if (!copy) return;
  for (QWidget* window : ConnectionWindows()) {
    TActionRequest request;
    request.Connection = AsConnectionWindow(window);
    (*copy)(request);
  }
}

// ---- running ----

void TMainActions::RunExternal(const std::string& name, QObject* sender) {
  const TActionHandler* handler = ActionHandler(name);
  if (!handler) return;
  TActionRequest request;
  request.Connection = AsConnectionWindow(frame_.Face->CurrentConnection());
  request.Sender = sender;
  if (ActionNeedsConnection(name) && !request.Connection) return;
  if (name == "actViewSQL") {
    // Away from the editor first, so the new window takes the focus.
    if (QWidget* focused = QApplication::focusWidget()) focused->clearFocus();
  }
  if (name == "actViewField") EditActions->FieldTarget(request);
  if (name == "actViewTemplate") request.Text = EditActions->SelectedEditorText();
  try {
    const bool accepted = (*handler)(request);
    if (name == "actToolOption" && accepted) {
      const bool enabled = CommitRollbackEnabled(frame_.ConnectionList->count(), AppOption.AutoCommit);
      Action("actDBCommit")->setEnabled(enabled);
      Action("actDBRollback")->setEnabled(enabled);
    }
  } catch (const EAbort&) {
  } catch (const std::exception& e) {
    MsgBox(e.what(), MB_ICONERROR);
  }
}

// The connection window's own commands report their errors themselves.
void TMainActions::RunConnectionCommand(const char* command, QObject* sender) {
  const TActionHandler* handler = ActionHandler(command);
  TActionRequest request;
  request.Connection = AsConnectionWindow(frame_.Face->CurrentConnection());
  request.Sender = sender;
  if (!handler || !request.Connection) return;
  try {
    (*handler)(request);
  } catch (...) {
  }
}

void TMainActions::EndTransaction(bool commit) {
  auto* connection = qobject_cast<TfrmObject*>(frame_.Face->CurrentConnection());
  if (!connection) return;
  TConnectionTransactions tx(connection->DataModule->Connection);
  try {
    frame_.Face->SetStatusText(kStatusMessagePanel,
                        ::EndTransaction(tx, commit, AppOption.AutoCommit, connection->ConnectionLabel()));
  } catch (const std::exception& e) {
    MsgBox(e.what(), MB_ICONERROR);
  }
}

void TMainActions::Logoff() {
  QWidget* connection = frame_.Face->CurrentConnection();
  if (!connection) return;
  try {
    for (QMdiSubWindow* sub : frame_.MdiArea->subWindowList())
      if (sub->widget() == connection) {
        frame_.Face->ShowChildWindow(sub);
        sub->close();
      }
  } catch (...) {
  }
}

// ---- view and window menus ----

void TMainActions::ViewMenuShow() {
  const bool any = frame_.ConnectionList->count() > 0;
  mnuDispList->setEnabled(any);
  mnuDispReport->setEnabled(any);
  frame_.Window->findChild<QAction*>("mnuViewRefresh")->setEnabled(any);
  const std::vector<QToolBar*> bars = frame_.ToolBars;
  for (QAction* toggle : mnuToolBar->actions())
    toggle->setChecked(!bars[static_cast<size_t>(toggle->property(kTagProperty).toInt() - 1)]->isHidden());
  frame_.Window->findChild<QAction*>("mnuWorkSpace")->setChecked(!frame_.WorkSpace->isHidden());
  frame_.Window->findChild<QAction*>("mnuTaskBar")->setChecked(!frame_.TaskBar->isHidden());
  frame_.Window->findChild<QAction*>("mnuStatusBar")->setChecked(!frame_.StatusBar->isHidden());
}

void TMainActions::SetObjectListStyle(bool list) {
  for (QWidget* window : ConnectionWindows())
    if (auto* connection = qobject_cast<TfrmObject*>(window)) connection->lstObject->SetListStyle(list);
}

void TMainActions::ReloadFocusedForm() {
  for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget())
    if (qobject_cast<QMdiSubWindow*>(w->parentWidget())) {
      SendFormMessage(w, kMsgReload);
      return;
    }
}

void TMainActions::WindowMenuShow() {
  DropItems(windowListItems_);
  QMdiSubWindow* active = frame_.MdiArea->activeSubWindow();
  int number = 0;
  for (QMdiSubWindow* sub : frame_.MdiArea->subWindowList(QMdiArea::CreationOrder)) {
    if (sub->isHidden()) continue;
    auto* item = mnuWindow->addAction(QString("&%1 %2").arg(++number).arg(sub->windowTitle()));
    item->setCheckable(true);
    item->setChecked(sub == active);
    Wire(item, [this, sub] { frame_.Face->ShowChildWindow(sub); });
    windowListItems_.push_back(item);
  }
  mnuWindowList->setVisible(number > 0);
}

void TMainActions::TileWindows(bool oneAboveTheOther) {
  std::vector<QMdiSubWindow*> windows;
  for (QMdiSubWindow* sub : frame_.MdiArea->subWindowList(QMdiArea::CreationOrder))
    if (!sub->isHidden() && !sub->isMinimized()) windows.push_back(sub);
  if (windows.empty()) return;
  const QSize area = frame_.MdiArea->viewport()->size();
  const int count = static_cast<int>(windows.size());
  for (int i = 0; i < count; ++i) {
    QMdiSubWindow* sub = windows[static_cast<size_t>(i)];
    sub->showNormal();
    if (oneAboveTheOther) {
      const int height = area.height() / count;
      sub->setGeometry(0, i * height, area.width(), height);
    } else {
      const int width = area.width() / count;
      sub->setGeometry(i * width, 0, width, area.height());
    }
  }
}

void TMainActions::ArrangeIcons() {
  const QSize area = frame_.MdiArea->viewport()->size();
  int left = 0;
  int row = 0;
  for (QMdiSubWindow* sub : frame_.MdiArea->subWindowList(QMdiArea::CreationOrder)) {
    if (!sub->isMinimized() || sub->isHidden()) continue;
    const QSize icon = sub->size();
    if (left > 0 && left + icon.width() > area.width()) {
      left = 0;
      ++row;
    }
    sub->move(left, area.height() - (row + 1) * icon.height());
    left += icon.width();
  }
}
