// ftoolwin: what the backup, restore and loader windows share: the run and
// exit buttons, the read-only log page, the connection's tool runner, the
// DSI boxes filled on drop-down and the file boxes with their browse
// buttons.
#pragma once

#include <string>
#include <vector>

#include "admin/core/fexpcore.h"
#include "admin/fadmin.h"
#include "platform/dialogs.h"

class QAction;
class QGridLayout;
class QLabel;
class QShowEvent;
class QTabWidget;
class QToolButton;
class QWidget;
class TovComboBox;
class TovMemo;
class TovStrEdit;

// A file dialog filter written as "caption|pattern|caption|pattern".
std::string FileFilter(const std::string& windowsFilter);

class TfrmToolAdmin : public TfrmAdmin {
  Q_OBJECT

 public:
  QAction* btnExec;
  QAction* btnExit;
  TovMemo* txtLog;

  // A switch to another logon shows it in the caption.
  void Reload(QObject* sender) override;

 protected:
  TfrmToolAdmin(TovConnectionWindow& connection, const char* title);

  // The tool bar's two buttons, run by `execute`.
  void SetupToolBar(const std::function<void()>& execute);
  // The log page: a read-only memo without wrapping.
  QWidget* LogPage(QTabWidget& pages);
  void SetLog(const std::vector<std::string>& lines);
  // RunCommand on the window's connection, after committing its transaction.
  TToolRun ToolRun();
  // The combo's list comes from the connection's DSIs each time it opens.
  void FillOnDropDown(TovComboBox& combo);
  // A labelled edit with a browse button, added as a row of `grid`.
  TovStrEdit* FileRow(QGridLayout& grid, int row, QLabel*& label, const char* caption, QToolButton*& browse);
  // The file dialog of a browse button; the chosen path goes into `edit`.
  void BrowseFile(TovStrEdit& edit, platform::FileDialogKind kind, const char* filter);
  // A warning that focuses the control on the page.
  void Refuse(const std::string& message, QWidget& page, QWidget& control);

  void showEvent(QShowEvent* event) override;

  QTabWidget* pages_ = nullptr;
};
