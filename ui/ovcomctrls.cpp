#include "ui/ovcomctrls.h"

#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyledItemDelegate>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "ui/core/ovcomctrlscore.h"

namespace {
// Room before a node's text and around a column text.
constexpr int kTextIndent = 2;
constexpr int kColumnMargin = 5;

// Draws the columns after the caption unselected unless the list selects
// by rows.
class TCaptionSelectionDelegate : public QStyledItemDelegate {
 public:
  explicit TCaptionSelectionDelegate(TovListView& list) : QStyledItemDelegate(&list), list_(list) {}
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyleOptionViewItem shown(option);
    if (!list_.RowSelect() && index.column() > 0) shown.state &= ~QStyle::State_Selected;
    QStyledItemDelegate::paint(painter, shown, index);
  }

 private:
  const TovListView& list_;
};

}  // namespace

// ---- TovListView ----

TovListView::TovListView(QWidget* parent) : QTreeWidget(parent) {
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setSortingEnabled(false);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setItemDelegate(new TCaptionSelectionDelegate(*this));
  header()->setSectionsClickable(true);
  connect(header(), &QHeaderView::sectionClicked, this, &TovListView::ColumnClick);
  // Columns set by a later fill follow the style too.
  connect(header(), &QHeaderView::sectionCountChanged, this, [this] {
    if (listStyle_) SetListStyle(true);
  });
}

void TovListView::SetRowSelect(bool row) {
  rowSelect_ = row;
  viewport()->update();
}

void TovListView::ColumnClick(int column) {
  sortState_ = NextSortState(sortState_, column);
  CustomSort();
}

void TovListView::CustomSort() {
  const int column = std::abs(sortState_);
  if (column == 0 || columnCount() < column) return;
  const bool numeric = headerItem()->textAlignment(column - 1) & Qt::AlignRight;
  std::vector<QString> texts;
  texts.reserve(static_cast<size_t>(topLevelItemCount()));
  for (int i = 0; i < topLevelItemCount(); ++i) texts.push_back(topLevelItem(i)->text(column - 1));
  const std::vector<size_t> order = ListSortOrder(texts, numeric, sortState_ < 0);
  // A fill in the catalogue's order moves nothing.
  if (std::ranges::is_sorted(order)) return;
  QTreeWidgetItem* current = currentItem();
  const QList<QTreeWidgetItem*> selected = selectedItems();
  const QSignalBlocker blocker(this);
  const QList<QTreeWidgetItem*> items = invisibleRootItem()->takeChildren();
  QList<QTreeWidgetItem*> sorted;
  sorted.reserve(items.size());
  for (const size_t i : order) sorted.append(items[static_cast<qsizetype>(i)]);
  addTopLevelItems(sorted);
  if (current) setCurrentItem(current, 0, QItemSelectionModel::NoUpdate);
  for (QTreeWidgetItem* item : selected) item->setSelected(true);
}

void TovListView::CopyToClipboard() {
  if (Editing()) return;
  QStringList captions;
  for (int i = 0; i < topLevelItemCount(); ++i)
    if (topLevelItem(i)->isSelected()) captions << topLevelItem(i)->text(0);
  if (!captions.isEmpty()) QApplication::clipboard()->setText(captions.join(QStringLiteral("\r\n")));
}

void TovListView::SelectAll() {
  if (Editing() || (selectionMode() != MultiSelection && selectionMode() != ExtendedSelection)) return;
  setUpdatesEnabled(false);
  selectAll();
  setUpdatesEnabled(true);
}

void TovListView::SetDragData(std::function<QByteArray()> data, const std::string& format) {
  dragData_ = std::move(data);
  dragFormat_ = QString::fromStdString(format);
}

QMimeData* TovListView::DragMimeData() const {
  QMimeData* data = model()->mimeData(selectedIndexes());
  if (data && dragData_) data->setData(dragFormat_, dragData_());
  return data;
}

void TovListView::startDrag(Qt::DropActions actions) {
  QMimeData* data = DragMimeData();
  if (!data) return;
  auto* drag = new QDrag(this);  // no picture under the pointer
  drag->setMimeData(data);
  drag->exec(actions, defaultDropAction());
}

// ---- TovTreeNode ----

void TovTreeNode::SetSubItem(int index, const QString& text) {
  if (index < 0 || index >= subItems_.size()) return;
  subItems_[index] = text;
  Repaint();
}

void TovTreeNode::AddSubItem(const QString& text) {
  subItems_.append(text);
  Repaint();
}

void TovTreeNode::ClearSubItems() {
  subItems_.clear();
  Repaint();
}

void TovTreeNode::Repaint() {
  if (treeWidget()) treeWidget()->viewport()->update();
}

// ---- TovTreeView ----

TovTreeView::TovTreeView(QWidget* parent) : QTreeWidget(parent) {
  setHeaderHidden(true);
  setColumnCount(1);
}

void TovTreeView::SetHeaderControl(QHeaderView* header) {
  if (header == header_) return;
  if (header_) header_->disconnect(this);
  header_ = header;
  if (header_) {
    auto repaint = [this] { viewport()->update(); };
    connect(header_, &QHeaderView::sectionResized, this, repaint);
    connect(header_, &QHeaderView::geometriesChanged, this, repaint);
    connect(header_, &QHeaderView::sectionMoved, this, repaint);
  }
  viewport()->update();
}

void TovTreeView::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QTreeWidget::drawRow(painter, option, index);
  auto* node = dynamic_cast<TovTreeNode*>(itemFromIndex(index));
  if (!node) return;
  painter->save();
  QRect textRect = visualRect(index);
  if (!node->icon(0).isNull()) textRect.setLeft(textRect.left() + iconSize().width() + kTextIndent);
  const QRect row(textRect.left(), option.rect.top(), viewport()->width() - textRect.left(), option.rect.height());
  const bool selected = selectionModel()->isSelected(index);
  painter->fillRect(row, option.palette.brush(selected ? QPalette::Highlight : QPalette::Base));
  const int textEnd = (header_ ? header_->sectionSize(0) : viewport()->width()) - kTextEndGap;
  textRect.setRight(std::min(textRect.right(), textEnd));
  textRect.setTop(option.rect.top());
  textRect.setHeight(option.rect.height());
  if (hasFocus() && selected && selectionBehavior() != SelectRows) {
    QStyleOptionFocusRect focus;
    focus.rect = textRect;
    focus.palette = option.palette;
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, this);
  }
  // A node's own text colour holds until it is selected; the column texts
  // keep the tree's.
  const QColor textColour = option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
  const QVariant nodeColour = node->data(0, Qt::ForegroundRole);
  painter->setPen(!selected && nodeColour.canConvert<QBrush>() ? nodeColour.value<QBrush>().color() : textColour);
  const QRect nameRect = textRect.adjusted(kTextIndent, 0, 0, 0);
  const QString name = option.fontMetrics.elidedText(node->text(0), Qt::ElideRight, nameRect.width());
  painter->drawText(nameRect, Qt::AlignVCenter | Qt::TextSingleLine, name);
  painter->setPen(textColour);
  if (header_) {
    const int shown = std::min(header_->count() - 1, node->SubItemCount());
    for (int i = 1; i <= shown; ++i) {
      const int left = header_->sectionViewportPosition(i);
      const QRect cell(left, option.rect.top(), header_->sectionSize(i), option.rect.height());
      bool defaultDraw = true;
      if (OnCustomDrawSubItem)
        OnCustomDrawSubItem(const_cast<TovTreeView&>(*this), *node, i - 1, option.state, cell, defaultDraw, *painter);
      if (!defaultDraw) continue;
      const QRect inner = cell.adjusted(kColumnMargin, 0, -kColumnMargin, 0);
      const Qt::Alignment align =
          Qt::Alignment(header_->model()->headerData(i, Qt::Horizontal, Qt::TextAlignmentRole).toInt()) &
          Qt::AlignHorizontal_Mask;
      const QString text = option.fontMetrics.elidedText(node->SubItem(i - 1), Qt::ElideRight, inner.width());
      painter->drawText(inner, (align ? align : Qt::AlignLeft) | Qt::AlignVCenter | Qt::TextSingleLine, text);
    }
  }
  painter->restore();
}

void TovTreeView::mousePressEvent(QMouseEvent* e) {
  // Anywhere on a row selects its node, also right of its text.
  const QModelIndex index = indexAt(QPoint(columnViewportPosition(0), e->position().toPoint().y()));
  if (QTreeWidgetItem* item = itemFromIndex(index)) setCurrentItem(item);
  QTreeWidget::mousePressEvent(e);
}

void TovTreeView::scrollContentsBy(int dx, int dy) {
  QTreeWidget::scrollContentsBy(dx, dy);
  if (OnScroll) OnScroll(*this);
}

void TovListView::SetListStyle(bool list) {
  listStyle_ = list;
  header()->setVisible(!list);
  for (int column = 1; column < columnCount(); ++column) setColumnHidden(column, list);
}
