// fconnection: TfrmConnection, the import of saved logons from older
// editions of the program into the logon dialog's list.
#pragma once

#include <QDialog>

#include "ui/ovcomctrls.h"

#include <string>
#include <vector>

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// One older edition: its number, its registry key word under
// "\Software\Tessavar\" and its uninstall identifier in the local-machine
// registry.
struct TEditionRow {
  int Edition;
  std::string Key;
  std::string UninstallId;
};

// One logon found in an older edition.
struct TFoundLogon {
  std::string Edition;  // the edition's key word
  std::string UserID;
  std::string Database;
  std::string Password;  // unscrambled
  std::string Mode;
  std::string OS;
};

// The edition table of this program; its first row carries the program's
// own key, and the program's own edition number is kOwnEdition.
const std::vector<TEditionRow>& EditionTable();
inline constexpr int kOwnEdition = 7;

// The logons of the editions from 7 up to `ownEdition` that are installed
// (their uninstall key exists), leaving out the rows of `ownKey`.
std::vector<TFoundLogon> ScanEditions(const std::vector<TEditionRow>& table, int ownEdition,
                                      const std::string& ownKey);

// Adds a saved logon to the end of a logon list (columns and item data as
// flogoncore names them).
QTreeWidgetItem* AddLogonItem(QTreeWidget* list, const std::string& user, const std::string& database,
                              const std::string& password, const std::string& key);

// Copies logons into this program's saved logons and the logon dialog's
// list, skipping those the list has already (same user and database).
void ImportLogons(const std::vector<TFoundLogon>& logons, QTreeWidget* logonList);

class TfrmConnection : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmConnection(QWidget* owner);

  // Scans the editions and, when it finds logons, shows the window; true
  // when logons were imported into `logonList`.
  static bool ShowConnection(QTreeWidget* logonList, QWidget* owner);

  TovListView* lstUserID;
  QPushButton* btnImport;
  QPushButton* btnClose;

  // Fills the list with found logons.
  void Fill(const std::vector<TFoundLogon>& logons);
  std::vector<TFoundLogon> SelectedLogons() const;

 protected:
  void done(int result) override;

 private:
  void setupUi();
  void LoadWindowSize();
  void SaveWindowSize();
};
