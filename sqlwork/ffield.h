// ffield: TfrmField, the column picker "表・列" of one connection window:
// the tables and views of a schema, the columns of the selected tables, and
// names or statement skeletons copied to the clipboard. One per connection
// window, made at first use, hidden when closed and destroyed with its
// connection window. Texts and statements come from core/ffieldcore.
#pragma once

#include <QWidget>

#include <optional>
#include <string>
#include <vector>

#include "sqlwork/core/ffieldcore.h"

class QAction;
class QListWidget;
class QMenu;
class QSplitter;
class QToolButton;
class QTreeWidgetItem;
class TovComboBox;
class TovConnectionWindow;
class TovListView;
class TovStrEdit;

class TfrmField : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kTypeColumnWidth = 160;

  explicit TfrmField(TovConnectionWindow& connection);
  ~TfrmField() override;

  TovComboBox* cmbOwner = nullptr;
  QToolButton* btnTable = nullptr;
  QToolButton* btnView = nullptr;
  TovStrEdit* txtFindTable = nullptr;
  TovStrEdit* txtFindColumn = nullptr;
  QSplitter* splField = nullptr;
  QListWidget* lstTable = nullptr;
  TovListView* lstColumn = nullptr;
  QToolButton* btnCopy = nullptr;
  QToolButton* btnExit = nullptr;
  QMenu* popField = nullptr;
  QAction* mnuCopy = nullptr;
  QAction* mnuCopySelect = nullptr;
  QAction* mnuCopyInsert = nullptr;
  QAction* mnuCopyUpdate = nullptr;

  // Fills the schema list and shows `schema` and `table` (either may be
  // empty); the window is shown.
  void ShowFor(const std::string& schema, const std::string& table);
  void RefreshTables();
  void RefreshColumns();
  void btnTableClick();
  void btnViewClick();
  void lstColumnClick(QTreeWidgetItem* item);
  void mnuCopyClick();
  void mnuCopySelectClick();
  void mnuCopyInsertClick();
  void mnuCopyUpdateClick();

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void setupUi();
  void LoadWindowSize();
  void SaveWindowSize();
  void ResizeColumns();
  bool SelectTable(const std::string& table);
  void SelectOwner(const std::string& schema);
  std::vector<std::string> SelectedTables() const;
  std::vector<TFieldColumn> SelectedColumns() const;
  // The selected tables with the aliases the user gives them (asked only
  // with more than one table); none when the user cancels.
  std::optional<std::vector<TFieldTable>> AskAliases() const;
  std::vector<std::string> Parameters(const std::string& table) const;

  TovConnectionWindow& connection_;
  std::string database_;
};

// Shows the picker of `connection` (made at first use) for a schema and a
// table; either may be empty.
void ShowFieldWindow(TovConnectionWindow& connection, const std::string& schema, const std::string& table);
