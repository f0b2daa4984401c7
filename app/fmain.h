// fmain: the main frame window of orv: tool bars, connection list, status
// bar, task bar, workspace list and the layout it saves and restores.
#pragma once

#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/core/fmaincore.h"
#include "app/core/ovmainwin.h"
#include "app/core/zarur.h"
#include "editor/core/EditorProp.h"
#include "ui/core/ovprintercore.h"

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QMimeData;
class QTreeWidgetItem;
class QScrollArea;
class QSplitter;
class QStatusBar;
class QToolBar;
class QToolButton;
class THTMLHelp;
class TovListView;
class TMainActions;

class TfrmMain;

// What the first paint does with the command line's logon request. The
// program installs the logon dialog's procedure; without one (as in tests
// of the window alone) the request is only read.
using TLogonProcedure = std::function<void(TfrmMain& main, const TLogonRequest& request)>;
void SetLogonProcedure(TLogonProcedure procedure);

class TfrmMain : public QMainWindow, public TovMainWindow {
  Q_OBJECT

 public:
  explicit TfrmMain(QWidget* parent = nullptr);
  ~TfrmMain() override;

  // ---- TovMainWindow ----
  QWidget* Window() override { return this; }
  TovPrintdata& PrintData() override { return prtData; }
  QMdiSubWindow* AddChildWindow(QWidget* window) override;
  void ShowChildWindow(QMdiSubWindow* frame) override;
  std::vector<QWidget*> ChildWindows() const override;
  QAction* AddTaskButton(QToolButton* button) override;
  void AddConnectionEntry(QWidget* connectionWindow, const std::string& label) override;
  void RemoveConnectionEntry(QWidget* connectionWindow) override;
  void SelectConnectionEntry(const QWidget* connectionWindow) override;
  QWidget* CurrentConnection() const override;
  std::vector<TConnectionEntry> ConnectionEntries() const override;
  void ConnectionEntryChosen() override { cmbDBNameChange(); }
  void ApplyConnectionState() override;
  QMenu* EditorPopupMenu() const override;
  TovMemoProp& EditorProperties() const override { return *prpEditor; }
  void BuildUserCommandMenu() override;
  void BuildReportMenu() override;
  std::vector<TReportEntry> ReportMenuItems() const override;
  void RefreshObjectMenus() override;
  std::string ActionCaption(const std::string& name) const override;
  int ActionShortCut(const std::string& name) const override;
  void SetActionShortCuts(const std::map<std::string, int>& codes) override;
  void RefreshWorkSpace(const QWidget* leftOut) override;
  void SetStatusText(int panel, const std::string& text) override;
  void ShowProgress(int done, int total) override;
  void ShowObjectCount() override;

  // The connection window with this label: the current one first, then the
  // MDI children from the last to the first.
  QWidget* FindConnection(const std::string& label) const;
  // The last MDI child of class T (or a descendant) captioned `caption`,
  // brought forward when `show` is set.
  template <class T>
  T* FindChildForm(const std::string& caption, bool show);
  void cmbDBNameChange();

  // The logon dialog; false when no logon procedure is installed.
  bool CanLogon() const;
  void LogonDatabase();
  void SetWorkSpaceVisible(bool visible);

  // ---- the workspace list (fmainwork.cpp) ----
  // Opens the selected entries' objects on a page (OpenMode for Enter and
  // the double click).
  void WorkSpaceOpen(uint8_t mode);
  void WorkSpaceOpenDataTop();
  void WorkSpaceExec();
  void WorkSpaceRename();
  void WorkSpaceDelete();
  // Places the list (kAlignTop ... kAlignRight) and refreshes it.
  void WorkSpaceAlign(int32_t align);
  // Icons (true) or details.
  void SetWorkSpaceStyle(bool icons);
  // Takes the objects of a drag from an open connection window's list;
  // false when the data is not such a drag.
  bool lstWorkSpaceDragDrop(const QMimeData& data);
  void popWorkSpacePopup();
  std::vector<QToolBar*> ToolBars() const;

  // The tool-bar area's pop-up: the "ツールバー" submenu.
  QMenu* createPopupMenu() override;

  void LoadLayout();
  void SaveLayout();
  // The logon the command line asked for, read at the first paint.
  const TLogonRequest& CommandLineLogon() const { return commandLineLogon_; }
  QLabel* StatusPanel(int index) const { return statusPanels_[static_cast<size_t>(index)]; }

  QMdiArea* mdiArea = nullptr;
  QToolBar* pnlDB = nullptr;
  QToolBar* pnlEdit = nullptr;
  QToolBar* pnlTool = nullptr;
  QToolBar* pnlTool2 = nullptr;
  QToolBar* pnlAdmin = nullptr;
  QToolBar* pnlNewObj = nullptr;
  QComboBox* cmbDBName = nullptr;
  QStatusBar* stsMain = nullptr;
  QScrollArea* scrTask = nullptr;
  QToolBar* tolTask = nullptr;
  QMenu* popTask = nullptr;
  QSplitter* splWorkSpace = nullptr;
  TovListView* lstWorkSpace = nullptr;
  QMenu* popWorkSpace = nullptr;
  // The application's help handler, for as long as the main window lives.
  THTMLHelp* hlpMain = nullptr;
  // The action list with the menus and the editor pop-up menu.
  TMainActions* actMain = nullptr;
  // The user's editor options, loaded and saved with the other settings.
  std::unique_ptr<TovMemoProp> prpEditor = Make<TovMemoProp>();
  // The pages of the last printed document.
  TovPrintdata prtData;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void setupUi();
  void setupWorkSpace();
  void WorkSpaceTitleEdited(QTreeWidgetItem* item, int column);
  void FormCreate();
  void FormPaint();
  bool FormCloseQuery();
  void FormClose();
  void ProbeExcelExt();
  void ColourToolBars();
  void tolTaskContextPopup(const QPoint& pos);
  void SetWorkSpacePlace(int32_t align, int32_t size);
  TMainLayout CurrentLayout() const;
  void ApplyLayout(const TMainLayout& layout);
  void ApplyToolBars(const std::vector<TToolBarLayout>& bars);

  std::array<QLabel*, 3> statusPanels_{};
  // A progress text drawn for every item costs more than the items.
  TProgressPace progressPace_;
  int32_t workSpaceStyle_ = 0;
  int32_t workSpaceAlign_ = kAlignBottom;
  int32_t workSpaceSize_ = 0;
  bool painted_ = false;
  TLogonRequest commandLineLogon_;
};

template <class T>
T* TfrmMain::FindChildForm(const std::string& caption, bool show) {
  const QList<QMdiSubWindow*> children = mdiArea->subWindowList(QMdiArea::CreationOrder);
  for (auto it = children.crbegin(); it != children.crend(); ++it) {
    T* form = qobject_cast<T*>((*it)->widget());
    if (!form || form->windowTitle() != QString::fromStdString(caption)) continue;
    if (show) {
      (*it)->show();
      mdiArea->setActiveSubWindow(*it);
    }
    return form;
  }
  return nullptr;
}
