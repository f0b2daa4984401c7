#include "app/fmain.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMdiSubWindow>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <stdexcept>

#include "app/core/ovreg.h"
#include "app/core/ovsqllog.h"
#include "app/core/zarur.h"
#include "app/fmainact.h"
#include "app/fobject.h"
#include "app/ovforms.h"
#include "app/ovhhelp.h"
#include "platform/qstr.h"
#include "platform/dialogs.h"
#include "platform/gui/wingdi.h"
#include "ui/core/ovworkbook.h"
#include "ui/ovcomctrls.h"
#include "ui/ovimages.h"
#include "ui/ovmenubar.h"
#include "ui/ovprinter.h"
#include "ui/ovstsbar.h"
#include "ui/zarurctl.h"

namespace {

constexpr const char* kFilterXlsx = "Excelファイル(*.xlsx)";
constexpr const char* kFilterXls = "Excelファイル(*.xls)";
constexpr const char* kFontName = "ＭＳ ゴシック";
constexpr int kFontPixels = 13;
constexpr int kDefaultWidth = 1024;
constexpr int kDefaultHeight = 720;
// The program's own icon: image 0 of the image list.
constexpr int kProgramImage = 0;
constexpr int kDefaultWorkSpaceSize = 120;
constexpr int kStatusPanel0Width = 100;
constexpr int kStatusPanel1Width = 20;
constexpr int kStatusPanel2Width = 50;
constexpr int kTaskButtonWidth = 104;
constexpr int kTaskButtonHeight = 24;
constexpr int kTaskBarHeight = kTaskButtonHeight + 8;
constexpr int kConnectionListWidth = 200;
constexpr unsigned kMessageError = 0x10;  // MB_OK | MB_ICONERROR
constexpr int kMainHelpContext = 100;

// The class library's standard box for an exception that reached the window.
void ShowException(const std::exception& e) {
  platform::MessageRequest request{kApplicationTitle, e.what(), kMessageError, {}};
  platform::Dialogs().ShowMessage(request);
}

}  // namespace

namespace {
TLogonProcedure& LogonProcedure() {
  static TLogonProcedure procedure;
  return procedure;
}
}  // namespace

void SetLogonProcedure(TLogonProcedure procedure) { LogonProcedure() = std::move(procedure); }

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent), prtData(Printer()) {
  setupUi();
  FormCreate();
}

TfrmMain::~TfrmMain() {
  // The controls that outlive this part of the frame no longer reach it.
  if (ControlOptionsWindow() == this) SetControlOptionsWindow(nullptr);
}

void TfrmMain::setupUi() {
  setWindowTitle(kApplicationTitle);
  // Every window without an icon of its own carries the program's.
  QApplication::setWindowIcon(imgMain().Icon(kProgramImage));
  setWindowIcon(imgMain().Icon(kProgramImage));
  hlpMain = new THTMLHelp(this);
  setProperty(kHelpContextProperty, kMainHelpContext);
  QFont font(kFontName);
  font.setPixelSize(kFontPixels);
  setFont(font);
  resize(kDefaultWidth, kDefaultHeight);

  auto makeBar = [this](QToolBar*& bar, const char* name, const char* caption) {
    bar = new QToolBar(QString::fromUtf8(caption), this);
    bar->setObjectName(name);
    addToolBar(Qt::TopToolBarArea, bar);
  };
  makeBar(pnlDB, "pnlDB", "データベース");
  makeBar(pnlEdit, "pnlEdit", "編集");
  makeBar(pnlTool, "pnlTool", "ツール");
  makeBar(pnlTool2, "pnlTool2", "ツール");
  addToolBarBreak(Qt::TopToolBarArea);
  makeBar(pnlAdmin, "pnlAdmin", "管理");
  makeBar(pnlNewObj, "pnlNewObj", "新規オブジェクト");

  cmbDBName = new QComboBox(pnlDB);
  cmbDBName->setObjectName("cmbDBName");
  cmbDBName->setToolTip("現行データベース");
  cmbDBName->setMinimumWidth(kConnectionListWidth);
  connect(cmbDBName, &QComboBox::activated, this, [this] { cmbDBNameChange(); });

  auto* client = new QWidget(this);
  auto* layout = new QVBoxLayout(client);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  splWorkSpace = new QSplitter(Qt::Vertical, client);
  splWorkSpace->setObjectName("splWorkSpace");
  splWorkSpace->setChildrenCollapsible(false);
  mdiArea = new QMdiArea(splWorkSpace);
  lstWorkSpace = new TovListView(splWorkSpace);
  lstWorkSpace->setObjectName("lstWorkSpace");
  setupWorkSpace();
  splWorkSpace->addWidget(mdiArea);
  splWorkSpace->addWidget(lstWorkSpace);
  connect(splWorkSpace, &QSplitter::splitterMoved, this, [this] {
    const bool vertical = splWorkSpace->orientation() == Qt::Vertical;
    workSpaceSize_ = vertical ? lstWorkSpace->height() : lstWorkSpace->width();
  });
  layout->addWidget(splWorkSpace, 1);

  scrTask = new QScrollArea(client);
  scrTask->setObjectName("scrTask");
  scrTask->setWidgetResizable(true);
  scrTask->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scrTask->setFixedHeight(kTaskBarHeight);
  tolTask = new QToolBar(scrTask);
  tolTask->setObjectName("tolTask");
  tolTask->setToolButtonStyle(Qt::ToolButtonTextOnly);
  tolTask->setStyleSheet(QString("QToolButton { min-width: %1px; max-width: %1px; min-height: %2px; max-height: %2px; }")
                             .arg(kTaskButtonWidth)
                             .arg(kTaskButtonHeight));
  tolTask->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(tolTask, &QWidget::customContextMenuRequested, this, &TfrmMain::tolTaskContextPopup);
  scrTask->setWidget(tolTask);
  layout->addWidget(scrTask);
  setCentralWidget(client);

  popTask = new QMenu(this);
  popTask->setObjectName("popTask");
  popTask->addAction("閉じる", this, [this] {
    if (QMdiSubWindow* active = mdiArea->activeSubWindow()) active->close();
  });

  stsMain = new TovStatusBar(this);
  stsMain->setObjectName("stsMain");
  const int widths[] = {kStatusPanel0Width, kStatusPanel1Width, kStatusPanel2Width};
  const Qt::Alignment aligns[] = {Qt::AlignRight | Qt::AlignVCenter, Qt::AlignCenter, Qt::AlignLeft | Qt::AlignVCenter};
  for (size_t i = 0; i < statusPanels_.size(); ++i) {
    auto* panel = new QLabel(stsMain);
    panel->setMinimumWidth(widths[i]);
    panel->setAlignment(aligns[i]);
    const bool message = i + 1 == statusPanels_.size();
    stsMain->addWidget(panel, message ? 1 : 0);
    statusPanels_[i] = panel;
  }
  setStatusBar(stsMain);
  SetWorkSpacePlace(kAlignBottom, kDefaultWorkSpaceSize);
  auto* menuBar = new TovMenuBar(this);
  menuBar->SetMdiArea(mdiArea);
  setMenuBar(menuBar);
  // The active child's menus join the bar; while a dialog holds the focus
  // the child stays current and keeps them there.
  connect(mdiArea, &QMdiArea::subWindowActivated, menuBar, [this, menuBar] {
    const QMdiSubWindow* current = mdiArea->currentSubWindow();
    menuBar->MergeMenus(current ? current->widget() : nullptr);
  });
  TMainFrame frame;
  frame.Window = this;
  frame.Face = this;
  frame.MdiArea = mdiArea;
  frame.ConnectionList = cmbDBName;
  frame.ToolBars = ToolBars();
  frame.NewObjectBar = pnlNewObj;
  frame.StatusBar = stsMain;
  frame.TaskBar = scrTask;
  frame.WorkSpace = lstWorkSpace;
  frame.Help = hlpMain;
  frame.CanLogon = [this] { return CanLogon(); };
  frame.Logon = [this] { LogonDatabase(); };
  frame.SetWorkSpaceVisible = [this](bool visible) { SetWorkSpaceVisible(visible); };
  actMain = new TMainActions(frame);
}

// Creation steps; an exception ends them, shown as the class library shows
// one that leaves a creation handler. Qt's window short-cut context already
// keeps the main window's short-cuts from acting in another active window,
// so no application hook is installed.
void TfrmMain::FormCreate() {
  try {
    LoadOptions(*prpEditor);
    actMain->ApplyShortCuts();
    ShortDateFormat = AppOption.DateFormat;
    LongDateFormat = AppOption.DateFormat;
    LoadSQLLogIndex();
    // A bad layout value is reported, but the window still gets its
    // remaining set-up: without it the actions would not match the state.
    try {
      LoadLayout();
    } catch (const std::exception& e) {
      ShowException(e);
    }
    BuildUserCommandMenu();
    BuildReportMenu();
    actMain->BuildHomePageMenu();
    if (AppOption.ExcelExt.empty()) ProbeExcelExt();
    ExcelFileFilter = AppOption.ExcelExt == kExcelExt ? kFilterXlsx : kFilterXls;
    ColourToolBars();
    cmbDBNameChange();
  } catch (const std::exception& e) {
    ShowException(e);
  }
}

// The workbook layer writes Office Open XML workbooks only: the version it
// answers is always 12 or above.
void TfrmMain::ProbeExcelExt() { AppOption.ExcelExt = kExcelExt; }

void TfrmMain::ColourToolBars() {
  const QString sheet = QString("background-color: %1;").arg(platform::ColorToQColor(kBarColour).name());
  for (QToolBar* bar : ToolBars()) bar->setStyleSheet(QString("QToolBar { %1 }").arg(sheet));
  scrTask->setStyleSheet(QString("QScrollArea { %1 }").arg(sheet));
  tolTask->setStyleSheet(tolTask->styleSheet() + QString(" QToolBar { %1 }").arg(sheet));
}

std::vector<QToolBar*> TfrmMain::ToolBars() const { return {pnlDB, pnlEdit, pnlTool, pnlTool2, pnlAdmin, pnlNewObj}; }

QWidget* TfrmMain::CurrentConnection() const {
  const int index = cmbDBName->currentIndex();
  return index < 0 ? nullptr : qobject_cast<QWidget*>(cmbDBName->itemData(index).value<QObject*>());
}

QWidget* TfrmMain::FindConnection(const std::string& label) const {
  const QString text = Q(label);
  QWidget* current = CurrentConnection();
  if (current && cmbDBName->currentText() == text) return current;
  const QList<QMdiSubWindow*> children = mdiArea->subWindowList(QMdiArea::CreationOrder);
  for (auto it = children.crbegin(); it != children.crend(); ++it) {
    QWidget* child = (*it)->widget();
    for (int i = 0; i < cmbDBName->count(); ++i)
      if (cmbDBName->itemData(i).value<QObject*>() == child && cmbDBName->itemText(i) == text) return child;
  }
  return nullptr;
}

// The reset at the start and the last item are always drawn; between them
// at most one text per pace interval, so the loop's own work dominates.
void TfrmMain::ShowProgress(int done, int total) {
  const bool edge = (done == 0 && total == 0) || (total > 0 && done >= total);
  if (!progressPace_.Due() && !edge) return;
  SetStatusText(kStatusMessagePanel, ProgressText(done, total));
  StatusPanel(kStatusMessagePanel)->repaint();
}

void TfrmMain::ShowObjectCount() {
  const TovConnectionWindow* connection = AsConnectionWindow(CurrentConnection());
  if (!connection) return;
  const TObjectCount count = connection->ObjectCount();
  SetStatusText(kStatusMessagePanel, ObjectCountText(count.Items, count.Selected));
}

void TfrmMain::SetStatusText(int panel, const std::string& text) { StatusPanel(panel)->setText(Q(text)); }

QMdiSubWindow* TfrmMain::AddChildWindow(QWidget* window) {
  QMdiSubWindow* frame = mdiArea->addSubWindow(window);
  // The frame shows the window's icon, also one the window takes later.
  frame->setWindowIcon(window->windowIcon());
  connect(window, &QWidget::windowIconChanged, frame, &QWidget::setWindowIcon);
  return frame;
}

void TfrmMain::ShowChildWindow(QMdiSubWindow* frame) {
  frame->show();
  mdiArea->setActiveSubWindow(frame);
}

std::vector<QWidget*> TfrmMain::ChildWindows() const {
  std::vector<QWidget*> windows;
  for (QMdiSubWindow* sub : mdiArea->subWindowList(QMdiArea::CreationOrder))
    if (sub->widget()) windows.push_back(sub->widget());
  return windows;
}

QAction* TfrmMain::AddTaskButton(QToolButton* button) {
  QAction* action = tolTask->addWidget(button);
  QScrollBar* bar = scrTask->horizontalScrollBar();
  bar->setValue(bar->maximum());
  return action;
}

namespace {
int EntryOf(const QComboBox& list, const QWidget* connectionWindow) {
  for (int i = 0; i < list.count(); ++i)
    if (list.itemData(i).value<QObject*>() == connectionWindow) return i;
  return -1;
}
}  // namespace

void TfrmMain::AddConnectionEntry(QWidget* connectionWindow, const std::string& label) {
  if (auto* connection = qobject_cast<TfrmObject*>(connectionWindow))
    connection->lstObject->SetListStyle(actMain->mnuDispList->isChecked());
  cmbDBName->addItem(Q(label), QVariant::fromValue<QObject*>(connectionWindow));
  cmbDBName->setCurrentIndex(cmbDBName->count() - 1);
}

std::vector<TConnectionEntry> TfrmMain::ConnectionEntries() const {
  std::vector<TConnectionEntry> entries;
  for (int i = 0; i < cmbDBName->count(); ++i)
    entries.push_back({cmbDBName->itemText(i).toStdString(), qobject_cast<QWidget*>(cmbDBName->itemData(i).value<QObject*>())});
  return entries;
}

void TfrmMain::RemoveConnectionEntry(QWidget* connectionWindow) {
  const int entry = EntryOf(*cmbDBName, connectionWindow);
  if (entry >= 0) cmbDBName->removeItem(entry);
  cmbDBName->setCurrentIndex(cmbDBName->count() - 1);
}

// Chosen by window, not by label: two logons of one user to one data
// source share a label.
void TfrmMain::SelectConnectionEntry(const QWidget* connectionWindow) {
  const QSignalBlocker blocker(cmbDBName);
  cmbDBName->setCurrentIndex(EntryOf(*cmbDBName, connectionWindow));
}

// The action states follow the connection list; a chosen connection's
// window comes forward.
void TfrmMain::cmbDBNameChange() {
  ApplyConnectionState();
  QWidget* current = CurrentConnection();
  if (!current) return;
  for (QMdiSubWindow* sub : mdiArea->subWindowList())
    if (sub->widget() == current) {
      sub->show();
      mdiArea->setActiveSubWindow(sub);
    }
}

void TfrmMain::SetWorkSpacePlace(int32_t align, int32_t size) {
  workSpaceAlign_ = align;
  workSpaceSize_ = size;
  const bool horizontal = align == kAlignLeft || align == kAlignRight;
  const bool first = align == kAlignTop || align == kAlignLeft;
  splWorkSpace->setOrientation(horizontal ? Qt::Horizontal : Qt::Vertical);
  splWorkSpace->insertWidget(first ? 0 : 1, lstWorkSpace);
  splWorkSpace->setStretchFactor(splWorkSpace->indexOf(mdiArea), 1);
  splWorkSpace->setStretchFactor(splWorkSpace->indexOf(lstWorkSpace), 0);
  const int total = horizontal ? splWorkSpace->width() : splWorkSpace->height();
  QList<int> sizes(2);
  sizes[splWorkSpace->indexOf(lstWorkSpace)] = size;
  sizes[splWorkSpace->indexOf(mdiArea)] = std::max(total - size, 1);
  splWorkSpace->setSizes(sizes);
}

TMainLayout TfrmMain::CurrentLayout() const {
  TMainLayout l;
  l.WindowState = isMaximized() ? kWindowMaximized : isMinimized() ? kWindowMinimized : kWindowNormal;
  l.Left = x();
  l.Top = y();
  l.Width = width();
  l.Height = height();
  l.WorkSpace = !lstWorkSpace->isHidden();
  l.WorkSpaceStyle = workSpaceStyle_;
  l.WorkSpaceAlign = workSpaceAlign_;
  l.WorkSpaceSize = workSpaceSize_;
  l.TaskBar = !scrTask->isHidden();
  l.StatusBar = !stsMain->isHidden();
  for (QToolBar* bar : ToolBars()) {
    // A floating bar: its float window's position with the bar's own size.
    const QRect r = bar->isWindow() ? QRect(bar->pos(), bar->size()) : bar->geometry();
    l.ToolBars.push_back({bar->objectName().toStdString(),
                          {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()},
                          bar->isWindow(),
                          !bar->isHidden()});
  }
  return l;
}

void TfrmMain::LoadLayout() {
  TMainLayout layout;
  {
    platform::KeyScope key(AppRegistry);
    if (!AppRegistry.OpenKey(kMainLayoutKey, false)) return;
    layout = ReadMainLayout(AppRegistry, CurrentLayout());
  }
  ApplyLayout(layout);
}

void TfrmMain::SaveLayout() {
  platform::KeyScope key(AppRegistry);
  AppRegistry.OpenKey(kMainLayoutKey, true);
  WriteMainLayout(AppRegistry, CurrentLayout());
}

void TfrmMain::ApplyLayout(const TMainLayout& l) {
  if (l.WindowState == kWindowMaximized) {
    setWindowState(Qt::WindowMaximized);
  } else {
    setWindowState(Qt::WindowNoState);
    move(l.Left, l.Top);
    resize(l.Width, l.Height);
  }
  workSpaceStyle_ = l.WorkSpaceStyle;
  SetWorkSpaceStyle(l.WorkSpaceStyle == kWorkSpaceIcons);
  lstWorkSpace->setVisible(l.WorkSpace);
  SetWorkSpacePlace(l.WorkSpaceAlign, l.WorkSpaceSize);
  scrTask->setVisible(l.TaskBar);
  stsMain->setVisible(l.StatusBar);
  ApplyToolBars(l.ToolBars);
}

// Docked bars cannot take arbitrary bounds here: their rectangles give the
// rows (by top) and the order within a row (by left).
void TfrmMain::ApplyToolBars(const std::vector<TToolBarLayout>& bars) {
  struct Docked {
    QToolBar* bar;
    TRegRect rect;
    bool visible;
  };
  std::vector<Docked> docked;
  for (const auto& b : bars) {
    QToolBar* bar = findChild<QToolBar*>(Q(b.Name));
    if (!bar) continue;
    if (b.Float) {
      bar->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
      bar->move(b.Rect.Left, b.Rect.Top);
      bar->setVisible(b.Visible);
      continue;
    }
    if (bar->isWindow()) bar->setWindowFlags(Qt::Widget);
    docked.push_back({bar, b.Rect, b.Visible});
  }
  std::stable_sort(docked.begin(), docked.end(), [](const Docked& a, const Docked& b) {
    return a.rect.Top != b.rect.Top ? a.rect.Top < b.rect.Top : a.rect.Left < b.rect.Left;
  });
  for (const auto& d : docked) {
    removeToolBarBreak(d.bar);
    removeToolBar(d.bar);
  }
  int32_t rowTop = 0;
  int32_t rowHeight = 0;
  for (size_t i = 0; i < docked.size(); ++i) {
    const auto& d = docked[i];
    if (i == 0 || d.rect.Top >= rowTop + std::max(1, rowHeight / 2)) {
      if (i > 0) addToolBarBreak(Qt::TopToolBarArea);
      rowTop = d.rect.Top;
      rowHeight = d.rect.Bottom - d.rect.Top;
    }
    addToolBar(Qt::TopToolBarArea, d.bar);
    d.bar->setVisible(d.visible);
  }
}

void TfrmMain::tolTaskContextPopup(const QPoint& pos) {
  QWidget* under = tolTask->childAt(pos);
  while (under && !qobject_cast<QToolButton*>(under) && under != tolTask) under = under->parentWidget();
  if (auto* button = qobject_cast<QToolButton*>(under)) button->click();
  popTask->popup(tolTask->mapToGlobal(pos));
}

void TfrmMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (painted_) return;
  painted_ = true;
  QTimer::singleShot(0, this, [this] { FormPaint(); });
}

void TfrmMain::FormPaint() {
  std::vector<std::string> arguments;
  const QStringList args = QCoreApplication::arguments();
  for (qsizetype i = 1; i < args.size(); ++i) arguments.push_back(args[i].toStdString());
  commandLineLogon_ = ParseLogonSwitches(arguments);
  if (!LogonProcedure()) return;
  QCoreApplication::processEvents();
  LogonProcedure()(*this, commandLineLogon_);
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  if (!FormCloseQuery()) {
    event->ignore();
    return;
  }
  FormClose();
  event->accept();
}

// Every MDI child is asked first, from the last to the first (an editor
// with changes asks its question); one refusal keeps everything open. Then
// every child is closed through its own close, so that a connection window
// commits or not as AutoCommit says, disconnects and saves its layout: a
// window that still refuses keeps the main window open, as destroying it
// with the frame would drop its open transaction without a word.
bool TfrmMain::FormCloseQuery() {
  std::vector<QPointer<QMdiSubWindow>> children;
  for (QMdiSubWindow* sub : mdiArea->subWindowList(QMdiArea::CreationOrder)) children.emplace_back(sub);
  std::reverse(children.begin(), children.end());
  std::vector<QPointer<TovForm>> agreed;
  const auto withdraw = [&agreed] {
    for (const QPointer<TovForm>& form : agreed)
      if (form) form->WithdrawCloseAgreement();
  };
  for (const QPointer<QMdiSubWindow>& sub : children) {
    auto* form = qobject_cast<TovForm*>(sub->widget());
    if (!form) continue;
    if (!form->AgreeToClose()) {
      withdraw();
      return false;
    }
    agreed.emplace_back(form);
  }
  for (const QPointer<QMdiSubWindow>& sub : children) {
    // A window closed meanwhile by its connection window is hidden until it goes.
    if (!sub || sub->isHidden()) continue;
    if (!sub->close()) {
      withdraw();
      return false;
    }
  }
  return true;
}

// A failing save is shown (settings that silently fail to save would be lost
// without a word) and ends the close steps; the window still closes.
void TfrmMain::FormClose() {
  try {
    SaveLayout();
    actMain->StoreShortCuts();
    SaveOptions(*prpEditor);
  } catch (const std::exception& e) {
    ShowException(e);
    return;
  }
  // The history index is a work file: failing to write it is ignored.
  try {
    SaveSQLLogIndex();
  } catch (const std::runtime_error&) {
  }
}

void TfrmMain::ApplyConnectionState() { actMain->ApplyConnectionState(); }

QMenu* TfrmMain::EditorPopupMenu() const { return actMain->popEditor; }

void TfrmMain::BuildUserCommandMenu() { actMain->BuildUserCommandMenu(); }

void TfrmMain::BuildReportMenu() { actMain->BuildReportMenu(); }

std::vector<TReportEntry> TfrmMain::ReportMenuItems() const { return actMain->ReportMenuItems(); }

void TfrmMain::RefreshObjectMenus() { actMain->RefreshObjectMenus(); }

std::string TfrmMain::ActionCaption(const std::string& name) const {
  const QAction* action = actMain->Action(name);
  return action ? action->text().toStdString() : "";
}

int TfrmMain::ActionShortCut(const std::string& name) const { return actMain->ShortCut(name); }

void TfrmMain::SetActionShortCuts(const std::map<std::string, int>& codes) { actMain->SetShortCuts(codes); }

bool TfrmMain::CanLogon() const { return static_cast<bool>(LogonProcedure()); }

void TfrmMain::LogonDatabase() {
  if (CanLogon()) LogonProcedure()(*this, TLogonRequest{});
}

void TfrmMain::SetWorkSpaceVisible(bool visible) {
  lstWorkSpace->setVisible(visible);
  if (visible) SetWorkSpacePlace(workSpaceAlign_, workSpaceSize_);
}

QMenu* TfrmMain::createPopupMenu() {
  auto* menu = new QMenu(this);
  const std::vector<QToolBar*> bars = ToolBars();
  const QList<QAction*> toggles = actMain->mnuToolBar->actions();
  for (qsizetype i = 0; i < toggles.size(); ++i) toggles[i]->setChecked(!bars[static_cast<size_t>(i)]->isHidden());
  menu->addActions(toggles);
  return menu;
}
