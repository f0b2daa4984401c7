// flogon: the logon dialog TfrmLogon, the saved logons it keeps under
// "\Software\Tessavar\ORV\DATABASE", and LogonDatabase, which runs it.
#pragma once

#include <QDialog>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class TdmSymfoware;

inline constexpr char kDatabaseKey[] = "\\Software\\Tessavar\\ORV\\DATABASE";

// ---- saved logons, without a window ----

// The display order of saved logons: the "Sort" names whose keys exist
// (compared ignoring case), then the keys "Sort" does not name, in
// registry order.
std::vector<std::string> SavedLogonOrder(std::vector<std::string> sort, std::vector<std::string> keys);
// "DB" followed by the smallest number from 0 (at least three digits) that
// is not among `names` (compared ignoring case).
std::string FreeLogonKey(const std::vector<std::string>& names);
// The "Sort" value: each name followed by CR LF.
std::string JoinSortList(const std::vector<std::string>& names);
std::vector<std::string> SplitSortList(const std::string& text);

// The list view's columns and the item data of the hidden sub-items.
inline constexpr int kColUser = 0;
inline constexpr int kColDatabase = 1;
inline constexpr int kRolePassword = Qt::UserRole;
inline constexpr int kRoleKey = Qt::UserRole + 1;
// Adds a saved logon to the end of a logon list.
QTreeWidgetItem* AddLogonItem(QTreeWidget* list, const std::string& user, const std::string& database,
                              const std::string& password, const std::string& key);

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

  QTreeWidget* lstUserID;
  QLabel* lblUserID;
  QLineEdit* txtUserID;
  QLineEdit* txtPassword;
  QComboBox* cmbDatabase;
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

 private:
  void setupUi();
  // The enabled states of the actions (their update handlers).
  void UpdateActions();
  void MoveSelected(int step);
  void ForceUpperCase(const QString& text);
};
