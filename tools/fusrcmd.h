// fusrcmd: TfrmUserCommand, the editor of the user-defined commands
// ("ユーザー定義コマンド"): the list of the USERCMD documents, the fields of
// the selected one, and save, add, delete and revert. Modal; after it the
// main window rebuilds its user-command menu. The rules are in
// core/fusrcmdcore, the documents in app/core/ovdoc.
#pragma once

#include <QLineEdit>

#include <string>
#include <vector>

#include "app/core/ovdoc.h"
#include "app/ovforms.h"

class QAction;
class QCheckBox;
class QListWidget;
class QToolBar;
class TovMemo;
class TovNumEdit;
class TovStrEdit;

// The hot-key control: takes the next key pressed with its modifiers as a
// short-cut code (ovshortcut); Backspace or Delete alone clear it.
class TovHotKey : public QLineEdit {
  Q_OBJECT

 public:
  explicit TovHotKey(QWidget* parent = nullptr);
  int HotKey() const { return code_; }
  void SetHotKey(int code);

 signals:
  void changed();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  int code_ = 0;
};

class TfrmUserCommand : public TovForm {
  Q_OBJECT

 public:
  explicit TfrmUserCommand(QWidget* owner);

  QToolBar* tolMain = nullptr;
  QAction* actSave = nullptr;
  QAction* actAdd = nullptr;
  QAction* actDelete = nullptr;
  QAction* actRevert = nullptr;
  QAction* actExit = nullptr;
  QListWidget* lstCommand = nullptr;
  TovStrEdit* txtName = nullptr;
  TovNumEdit* txtSeq = nullptr;
  TovHotKey* hotShortCut = nullptr;
  QCheckBox* chkDialog = nullptr;
  QCheckBox* chkSQLWindow = nullptr;
  QCheckBox* chkError = nullptr;
  TovMemo* txtSQL = nullptr;

  void ListCommands();
  void SortCommands();
  void LoadCommand();
  // False when the checks refused the command (a message was shown).
  bool SaveCommand();
  void actSaveExecute();
  void actAddExecute();
  void actDeleteExecute();
  void actRevertExecute();
  void UpdateActions();

  bool CloseQuery() override;

 private:
  void setupUi();
  void ConnectControls();
  void MarkChanged();
  void ShowList(int selected);
  void lstCommandClick();

  std::vector<TUserCommandEntry> entries_;
  int shown_ = -1;
  bool loading_ = false;
};

// Opens the editor over the main window and rebuilds the user-command menu
// when it ends, also by an error.
void ShowUserCommand();
