// ovcomctrls: the program's report-style list view, which sorts itself by a
// title click and copies the captions of its selection, and a tree view
// whose nodes show column texts under an attached header.
#pragma once

#include <QHeaderView>
#include <QPointer>
#include <QStringList>
#include <QStyle>
#include <QTreeWidget>

#include <functional>
#include <string>

#include "ui/core/oveditcmd.h"

class QMimeData;

class TovListView : public QTreeWidget, public TovItemEditCommands {
  Q_OBJECT

 public:
  explicit TovListView(QWidget* parent = nullptr);

  // |S| is the 1-based sort column (1 the caption), the sign the direction,
  // 0 no sort.
  int SortState() const { return sortState_; }
  void SetSortState(int value) { sortState_ = value; }
  // Sorts the items by the current sort state.
  void CustomSort();
  // A click on the title of the 0-based column.
  void ColumnClick(int column);
  // List style shows the captions alone, without titles; report style
  // every column with its title.
  void SetListStyle(bool list);
  bool ListStyle() const { return listStyle_; }
  // A selected item shows selected across the row, or in its caption alone.
  // Either way whole items are selected: a selection of single cells would
  // let an item count as unselected while its caption shows selected.
  void SetRowSelect(bool row);
  bool RowSelect() const { return rowSelect_; }

  // The captions of the selected items, in list order, joined by CR LF.
  void CopyToClipboard() override;
  void SelectAll() override;
  bool HasSelection() const override { return !selectedItems().isEmpty(); }
  // A caption is being edited in place.
  bool Editing() const { return state() == EditingState; }
  // What a drag out of the list carries besides the items' own data: the
  // bytes `data` makes, under the MIME type `format`.
  void SetDragData(std::function<QByteArray()> data, const std::string& format);
  // The data a drag of the selected items carries.
  QMimeData* DragMimeData() const;

 protected:
  void startDrag(Qt::DropActions actions) override;

 private:
  std::function<QByteArray()> dragData_;
  QString dragFormat_;
  int sortState_ = 1;
  bool listStyle_ = false;
  bool rowSelect_ = true;
};

class TovTreeView;

class TovTreeNode : public QTreeWidgetItem {
 public:
  using QTreeWidgetItem::QTreeWidgetItem;

  int SubItemCount() const { return static_cast<int>(subItems_.size()); }
  QString SubItem(int index) const { return subItems_.value(index); }
  void SetSubItem(int index, const QString& text);
  void AddSubItem(const QString& text);
  void ClearSubItems();

 private:
  void Repaint();
  QStringList subItems_;
};

class TovTreeView : public QTreeWidget {
  Q_OBJECT

 public:
  // Draws a column text itself when it leaves DefaultDraw false.
  using TCustomDrawSubItem = std::function<void(TovTreeView& sender, TovTreeNode& node, int index,
                                                QStyle::State state, const QRect& rect, bool& defaultDraw,
                                                QPainter& painter)>;

  explicit TovTreeView(QWidget* parent = nullptr);

  QHeaderView* HeaderControl() const { return header_; }
  void SetHeaderControl(QHeaderView* header);

  TCustomDrawSubItem OnCustomDrawSubItem;
  std::function<void(TovTreeView& sender)> OnScroll;

  // Room left between a text and the end of its column.
  static constexpr int kTextEndGap = 5;

 protected:
  void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  void mousePressEvent(QMouseEvent* e) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  QPointer<QHeaderView> header_;
};
