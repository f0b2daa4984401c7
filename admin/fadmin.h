// fadmin: what the server monitors share: an MDI child on one of the main
// window's connections, captioned "<title> - <user> @ <data source>", with
// the connection combo on its tool bar that switches it between logons; one
// window per title and logon.
#pragma once

#include <QMdiSubWindow>

#include <string>
#include <vector>

#include "app/core/fobjcmdcore.h"
#include "app/core/ovmainwin.h"
#include "app/core/ovrunner.h"
#include "app/core/zarur.h"
#include "app/ovforms.h"
#include "ui/zarurctl.h"

class QToolBar;
class QTreeWidgetItem;
class QVBoxLayout;
class TovComboBox;
class TovListView;

// A column of a monitor's list.
struct TAdminColumn {
  const char* Caption;
  int Width;  // 0: the rest of the list's width
  bool Right;
};
// A read-only report-style list of whole rows with these columns.
void SetupAdminList(TovListView& list, const std::vector<TAdminColumn>& columns);
// Appends a row; a row of this program run by the logged-on user is blue.
QTreeWidgetItem* AddAdminRow(TovListView& list, const std::vector<TAdminColumn>& columns,
                             const std::vector<std::string>& texts, bool ownProgram);

// What a walk over a list's selected rows changes, put back however it
// ends: the hourglass, and the status bar's object count after the
// progress the walk showed there.
class TAdminWalk {
 public:
  explicit TAdminWalk(TovMainWindow* main) : main_(main) {}
  ~TAdminWalk() {
    if (main_) main_->ShowObjectCount();
  }
  TAdminWalk(const TAdminWalk&) = delete;
  TAdminWalk& operator=(const TAdminWalk&) = delete;
  // Esc stops the walk; each row's turn shows in the status bar.
  TWalkHooks Hooks() const {
    TovMainWindow* main = main_;
    return {IsEscapePressed, [main](int done, int total) {
              if (main) main->ShowProgress(done, total);
            }};
  }

 private:
  TovMainWindow* main_;
  TSqlWaitCursor wait_;
};

class TfrmAdmin : public TovForm {
  Q_OBJECT

 public:
  QToolBar* tolCmd;
  TovComboBox* cmbDBName;

  // "<user> @ <data source>" of a connection, the data source upper-cased.
  static std::string LabelOf(TovConnectionWindow& connection);
  // The window's caption on a connection.
  static std::string CaptionOf(const char* title, TovConnectionWindow& connection);

  void DBChange(QObject* sender) override;

 protected:
  TfrmAdmin(TovConnectionWindow& connection, const char* title);

  // Adds an action to the tool bar, its button of the monitors' width.
  void AddToolAction(QAction* action);
  // Puts the combo at the end of the tool bar, selects the connection's
  // entry and binds the window to it.
  void StartOn(TovConnectionWindow& connection);
  // The caption and the task-bar caption of the current connection.
  void ShowCaption();
  // The window's queries follow the connection (TovForm rebinds them).
  virtual void Bind(TovConnectionWindow& connection) { (void)connection; }
  void CommitOpenTransaction();

  QVBoxLayout* layout_;

 private:
  void cmbDBNameChange();
  const char* title_;
};

// Brings forward the open window of class T with the caption of `title` on
// the connection and returns it; nullptr when there is none.
template <class T>
T* BringForward(const char* title, TovConnectionWindow& connection) {
  TovMainWindow* main = ControlOptionsWindow();
  if (!main) return nullptr;
  const QString caption = QString::fromStdString(TfrmAdmin::CaptionOf(title, connection));
  for (QWidget* window : main->ChildWindows()) {
    auto* form = qobject_cast<T*>(window);
    if (!form || form->windowTitle() != caption) continue;
    if (auto* frame = qobject_cast<QMdiSubWindow*>(form->parentWidget())) main->ShowChildWindow(frame);
    return form;
  }
  return nullptr;
}
