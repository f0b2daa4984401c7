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
class QGroupBox;
class QGridLayout;
class QLabel;
class QShowEvent;
class QTabWidget;
class QToolButton;
class QWidget;
class TovComboBox;
class TovMemo;
class TovRadioButton;
class TovStrEdit;

// The filters of the dump files and of the list and specification files.
inline constexpr char kDumpFileFilter[] = "エクスポートファイル(*.DMP)|*.DMP|すべてのファイル(*.*)|*.*";
inline constexpr char kTextFileFilter[] = "テキストファイル(*.txt)|*.txt|すべてのファイル(*.*)|*.*";

// The units of a backup and a restore, by radio button.
inline constexpr int kBackupModes = 4;
inline constexpr const char* kBackupModeCaptions[kBackupModes] = {"DSI", "DSI(ファイル指定)", "エクステント指定",
                                                                   "ディクショナリ"};
inline constexpr char kBackupModeGroup[] = "バックアップ単位";

// A group box of radio buttons, one per caption, named "<name>_<i>".
QGroupBox* RadioGroup(QWidget* parent, const char* caption, const char* const* captions, TovRadioButton** buttons,
                      int count, const char* name);
template <size_t N>
QGroupBox* RadioGroup(QWidget* parent, const char* caption, const char* const (&captions)[N],
                      TovRadioButton* (&buttons)[N], const char* name) {
  return RadioGroup(parent, caption, captions, buttons, static_cast<int>(N), name);
}
// The index of the checked button, -1 when none is.
int CheckedIndex(TovRadioButton* const* buttons, int count);
template <size_t N>
int CheckedIndex(TovRadioButton* const (&buttons)[N]) {
  return CheckedIndex(buttons, static_cast<int>(N));
}

// The lines of a DSI list or backup control file, read as every text file
// is; throws the file's error.
std::vector<std::string> ListFileLines(const std::string& path);
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
