// flogon: the logon dialog TfrmLogon, which keeps the saved logons
// (flogoncore), and LogonDatabase, which runs it.
#pragma once

#include <QDialog>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/core/flogoncore.h"
#include "ui/ovcomctrls.h"
#include "ui/ovstdctl.h"

class QAction;
class QCheckBox;
class QLabel;
class QPushButton;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class TdmSymfoware;
struct TLogonRequest;

// ---- the connection a logon opens ----

// The connection window takes over the connected data module of each
// successful logon; the main window installs the receiver (tests too).
using TLogonReceiver = std::function<void(std::unique_ptr<TdmSymfoware>)>;
void SetLogonReceiver(TLogonReceiver receiver);

// A new data module connected as the connection window connects it: the
// data source upper-cased, and after connecting the user name upper-cased
// and the default database set. Raises the driver's error.
std::unique_ptr<TdmSymfoware> ConnectDataModule(const std::string& password, const std::string& user,
                                                const std::string& dataSource);

// The logon at start: without the dialog when the command line named a
// user, else the logon dialog (what the logon action does).
void LogonAtStart(const TLogonRequest& request, QWidget* owner);

// ---- the dialog ----

class TfrmLogon : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmLogon(QWidget* owner);

  // Logs on with the dialog, or without showing it when Auto is set. True
  // when a connection was opened; a failed connection shows the error and
  // opens the dialog again with the values typed.
  static bool LogonDatabase(const std::string& DataSource, const std::string& User,
                            const std::string& Password, bool Auto, QWidget* owner = nullptr);

  // The names of the ODBC data sources whose driver is Symfoware's.
  static void GetDataSource(std::vector<std::string>& Strings);

  TovListView* lstUserID;
  QLabel* lblUserID;
  TovStrEdit* txtUserID;
  TovStrEdit* txtPassword;
  TovComboBox* cmbDatabase;
  QCheckBox* chkSave;
  QPushButton* btnOk;
  QPushButton* btnCancel;
  QToolButton* btnUp;
  QToolButton* btnDown;
  QToolButton* btnDel;
  QToolButton* btnImport;
  QAction* actOk;
  QAction* actCancel;
  QAction* actUp;
  QAction* actDown;
  QAction* actDel;
  QAction* actImport;

  void LoadLogonList();
  void SaveLogonList(bool WriteLast);
  void LoadWindowSize();
  void SaveWindowSize();

  void actOkExecute();
  void actCancelExecute();
  void actUpExecute();
  void actDownExecute();
  void actDelExecute();
  void actImportExecute();
  void lstUserIDSelectItem();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void setupUi();
  // Centres the dialog on its owner's window.
  void CentreOnOwner();
  // The enabled states of the actions (their update handlers).
  void UpdateActions();
  void MoveSelected(int step);
};
