// fmain: the main frame window of orv: tool bars, connection list, status
// bar, task bar, workspace list and the layout it saves and restores.
#pragma once

#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/core/ovreg.h"

class QComboBox;
class QLabel;
class QListWidget;
class QMenu;
class QScrollArea;
class QSplitter;
class QStatusBar;
class QToolBar;

// The logon the command line asks for; an empty user means none.
struct TLogonRequest {
  std::string User;
  std::string Password;
  std::string DataSource;

  friend bool operator==(const TLogonRequest&, const TLogonRequest&) = default;
};

// Reads the "/U=user/password@dsn" switches of the arguments (the program
// name left out); a later switch replaces an earlier one.
TLogonRequest ParseLogonSwitches(const std::vector<std::string>& arguments);

class TfrmMain;

// What the first paint does with the command line's logon request. The
// program installs the logon dialog's procedure; without one (as in tests
// of the window alone) the request is only read.
using TLogonProcedure = std::function<void(TfrmMain& main, const TLogonRequest& request)>;
void SetLogonProcedure(TLogonProcedure procedure);

// The status-bar text of a long operation after `done` of `total` items
// (total 0 or less: not known).
std::string ProgressText(int done, int total);

// A rectangle as the registry holds it: left, top, right, bottom.
struct TRegRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;

  friend bool operator==(const TRegRect&, const TRegRect&) = default;
};

struct TToolBarLayout {
  std::string Name;
  TRegRect Rect;
  bool Float = false;
  bool Visible = true;

  friend bool operator==(const TToolBarLayout&, const TToolBarLayout&) = default;
};

inline constexpr int kWindowNormal = 0;
inline constexpr int kWindowMinimized = 1;
inline constexpr int kWindowMaximized = 2;
inline constexpr int kAlignTop = 1;
inline constexpr int kAlignBottom = 2;
inline constexpr int kAlignLeft = 3;
inline constexpr int kAlignRight = 4;

// The main window's layout as stored under GUI\MAIN.
struct TMainLayout {
  int32_t WindowState = kWindowNormal;
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  bool WorkSpace = true;
  int32_t WorkSpaceStyle = 0;
  int32_t WorkSpaceAlign = kAlignBottom;
  int32_t WorkSpaceSize = 0;
  bool TaskBar = true;
  bool StatusBar = true;
  std::vector<TToolBarLayout> ToolBars;

  friend bool operator==(const TMainLayout&, const TMainLayout&) = default;
};

inline constexpr const char* kMainLayoutKey = "\\Software\\Tessavar\\ORV\\GUI\\MAIN";

// Reads the layout from the open key over the current one. A "<Name>Rect"
// value of another type or longer than 16 bytes raises the registry's read
// error; every other value falls back to its default. The workspace size is
// limited by the window size read.
TMainLayout ReadMainLayout(const TovRegistry& reg, const TMainLayout& current);
// Writes the layout into the open key.
void WriteMainLayout(TovRegistry& reg, const TMainLayout& layout);
// The workspace size raised to 1 and limited to half the client height (top,
// bottom) or width (left, right).
int32_t LimitWorkSpaceSize(int32_t size, int32_t align, int clientWidth, int clientHeight);

// The file-dialog filter of every spreadsheet save dialog.
extern std::string ExcelFileFilter;

class TfrmMain : public QMainWindow {
  Q_OBJECT

 public:
  explicit TfrmMain(QWidget* parent = nullptr);
  ~TfrmMain() override;

  // The connection window of the selected connection, or none.
  QWidget* CurrentConnection() const;
  // The connection window with this label: the current one first, then the
  // MDI children from the last to the first.
  QWidget* FindConnection(const std::string& label) const;
  // The last MDI child of class T (or a descendant) captioned `caption`,
  // brought forward when `show` is set.
  template <class T>
  T* FindChildForm(const std::string& caption, bool show);
  void ShowProgress(int done, int total);
  void cmbDBNameChange();

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
  QListWidget* lstWorkSpace = nullptr;

 protected:
  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void setupUi();
  void FormCreate();
  void FormPaint();
  void FormCloseQuery();
  void FormClose();
  void ProbeExcelExt();
  void ColourToolBars();
  void tolTaskContextPopup(const QPoint& pos);
  void SetWorkSpacePlace(int32_t align, int32_t size);
  std::vector<QToolBar*> ToolBars() const;
  TMainLayout CurrentLayout() const;
  void ApplyLayout(const TMainLayout& layout);
  void ApplyToolBars(const std::vector<TToolBarLayout>& bars);

  std::array<QLabel*, 3> statusPanels_{};
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
