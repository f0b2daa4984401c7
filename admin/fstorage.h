// fstorage: TfrmStorage, "データベーススペース情報": every database space of
// one logon's database with its size, allocation and free space read from
// rdbspcinf, the usage drawn as a bar; from it spaces are opened in their
// editor, written as scripts and dropped. The rules are
// admin/core/fstoragecore.
#pragma once

#include <QStyledItemDelegate>

#include "admin/core/fstoragecore.h"
#include "admin/fadmin.h"

class QAction;
class QMenu;

// Draws a cell of the usage list: the text of a column with its margins
// and alignment, or the usage as a magenta cell with its blue part.
class TUsageCellDelegate : public QStyledItemDelegate {
 public:
  TUsageCellDelegate(QObject* parent, bool bar) : QStyledItemDelegate(parent), bar_(bar) {}
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  bool bar_;
};

class TfrmStorage : public TfrmAdmin {
  Q_OBJECT

 public:
  // Opens the window of the connection, or brings its open one forward.
  static void Open(TovConnectionWindow& connection);

  TovListView* lstObject;
  TovComboBox* cmbSize;
  QMenu* mnuObject;
  QMenu* mnuColumns;
  QAction* actNew;
  QAction* actOpen;
  QAction* actScript;
  QAction* actDelete;
  QAction* actRefresh;
  QAction* actExit;
  // The window's own copy of the column table.
  std::array<TStorageColumn, stCount> Columns;

  void Reload(QObject* sender) override;
  void LoadWindowSize() override;
  void SaveWindowSize() override;
  void actNewExecute();
  void actOpenExecute();
  void actScriptExecute();
  void actDeleteExecute();
  // Shows or hides the column of the tag and reloads.
  void ColListClick(size_t tag);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  explicit TfrmStorage(TovConnectionWindow& connection);
  void setupUi();
  void UpdateActions();
  // The columns' widths and visibility as the registry holds them.
  void ReadColumns();
  void BuildColumns();
  // The rows of rdbspcinf -d; false after its message when it failed.
  bool ReadUsage(std::vector<TStorageRow>& rows);
  void OpenEditor(const std::string& name, uint8_t mode);

  TUsageCellDelegate* textCells_;
  TUsageCellDelegate* barCells_;
};
