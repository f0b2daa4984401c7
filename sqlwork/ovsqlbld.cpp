#include "sqlwork/ovsqlbld.h"

#include <QApplication>
#include <QDataStream>
#include <QDropEvent>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#include "app/core/zarur.h"
#include "editor/ovmemo.h"
#include "platform/qstr.h"
#include "ui/ovgrid.h"

namespace {

// The scroll bars' first range and step.
constexpr int kInitialRange = 1024;
constexpr int kScrollStep = 32;
// The caption panel is the font's height and this much more.
constexpr int kCaptionExtra = 4;
// The column list's rows: the font's height and this much more.
constexpr int kItemExtra = 2;
// A column drag: the box's place in the model's list and the item.
constexpr char kColumnDragFormat[] = "application/x-orv-sqlbuild-column";

QPoint ToPoint(const TBuildPoint& p, int scrollX, int scrollY) { return {p.X - scrollX, p.Y - scrollY}; }

}  // namespace

// ---- TovGraphicControl ----

TovGraphicControl::TovGraphicControl(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setEnabled(false);
}

void TovGraphicControl::paintEvent(QPaintEvent* event) {
  if (!OnPaint) return;
  QPainter painter(this);
  OnPaint(*this, painter, event->rect());
}

// ---- TListBoxEx ----

TListBoxEx::TListBoxEx(TovSQLDesignerView& canvas, QWidget* parent) : TovListBox(parent), canvas_(canvas) {
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setDragEnabled(true);
  setAcceptDrops(true);
  setDragDropMode(QAbstractItemView::DragDrop);
  setUniformItemSizes(true);
}

QMimeData* TListBoxEx::mimeData(const QList<QListWidgetItem*>& items) const {
  (void)items;
  auto* data = new QMimeData;
  for (TovSQLBuildTableView* view : canvas_.Views())
    if (view->lstColumns == this) data->setData(kColumnDragFormat, canvas_.ColumnDragData(*view));
  return data;
}

void TListBoxEx::scrollContentsBy(int dx, int dy) {
  TovListBox::scrollContentsBy(dx, dy);
  if (OnScrolled) OnScrolled();
}

void TListBoxEx::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasFormat(kColumnDragFormat))
    event->acceptProposedAction();
  else
    event->ignore();
}

void TListBoxEx::dragMoveEvent(QDragMoveEvent* event) {
  auto* view = qobject_cast<TovSQLBuildTableView*>(parentWidget());
  const int item = view ? view->ItemAt(event->position().toPoint()) : -1;
  if (view && canvas_.CanDropColumn(*event->mimeData(), *view, item))
    event->acceptProposedAction();
  else
    event->ignore();
}

void TListBoxEx::dropEvent(QDropEvent* event) {
  auto* view = qobject_cast<TovSQLBuildTableView*>(parentWidget());
  if (!view) return;
  canvas_.DropColumn(*event->mimeData(), *view, view->ItemAt(event->position().toPoint()));
  event->acceptProposedAction();
}

void TListBoxEx::focusOutEvent(QFocusEvent* event) {
  TovListBox::focusOutEvent(event);
  clearSelection();
}

void TListBoxEx::mouseDoubleClickEvent(QMouseEvent* event) {
  TovListBox::mouseDoubleClickEvent(event);
  auto* view = qobject_cast<TovSQLBuildTableView*>(parentWidget());
  if (!view || canvas_.Model().SQLDesign || !canvas_.Grid()) return;
  std::vector<std::string> items;
  for (int i = 0; i < count(); ++i)
    if (item(i)->isSelected()) items.push_back(item(i)->text().toStdString());
  canvas_.Apply([&] { canvas_.Model().AddColumns(view->Table, items); });
}

// ---- TovSQLBuildTableView ----

TovSQLBuildTableView::TovSQLBuildTableView(TovSQLDesignerView& canvas, TovSQLBuildTable& table, QWidget* parent)
    : QFrame(parent), Table(table), canvas_(canvas) {
  setFrameStyle(QFrame::Box | QFrame::Plain);
  setLineWidth(kBoxFrameWidth);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  const TBuildMetrics& metrics = canvas.Model().Metrics;
  pnlCaption = new QLabel(this);
  pnlCaption->setFixedHeight(metrics.CaptionHeight);
  pnlCaption->setAutoFillBackground(true);
  pnlCaption->setAttribute(Qt::WA_TransparentForMouseEvents);
  txtAlias = new QLineEdit(this);
  txtAlias->setFixedHeight(metrics.AliasHeight);
  txtAlias->setFrame(false);
  lstColumns = new TListBoxEx(canvas, this);
  layout->addWidget(pnlCaption);
  layout->addWidget(txtAlias);
  layout->addWidget(lstColumns, 1);
  txtAlias->installEventFilter(this);
  lstColumns->viewport()->installEventFilter(this);
  lstColumns->OnScrolled = [this] {
    StoreListView();
    canvas_.RepaintLines();
  };
  connect(txtAlias, &QLineEdit::textEdited, this, [this](const QString& text) {
    canvas_.Apply([&] { canvas_.Model().SetAlias(Table, text.toStdString()); });
  });
  ShowSelected(false);
  Refresh();
}

void TovSQLBuildTableView::Refresh() {
  pnlCaption->setText(Q(Table.Caption()));
  if (txtAlias->text().toStdString() != Table.Alias) txtAlias->setText(Q(Table.Alias));
  bool same = lstColumns->count() == static_cast<int>(Table.Items.size());
  for (int i = 0; same && i < lstColumns->count(); ++i)
    same = lstColumns->item(i)->text().toStdString() == Table.Items[i].Name;
  if (!same) {
    lstColumns->clear();
    for (const TBuildColumn& column : Table.Items) {
      auto* item = new QListWidgetItem(Q(column.Name), lstColumns);
      QFont font = lstColumns->font();
      font.setBold(column.Key);
      item->setFont(font);
      item->setSizeHint({0, canvas_.Model().Metrics.ItemHeight});
    }
  }
  const TBuildRect& b = Table.Bounds;
  setGeometry(b.Left, b.Top, b.Width, b.Height);
  StoreListView();
}

void TovSQLBuildTableView::ShowSelected(bool selected) {
  QPalette palette = pnlCaption->palette();
  palette.setColor(QPalette::Window, selected ? palette.color(QPalette::Highlight) : palette.color(QPalette::Button));
  palette.setColor(QPalette::WindowText, selected ? palette.color(QPalette::HighlightedText) : QColor(Qt::black));
  pnlCaption->setPalette(palette);
}

void TovSQLBuildTableView::StoreListView() {
  Table.TopIndex = lstColumns->count() > 0 ? std::max(0, lstColumns->indexAt({0, 0}).row()) : 0;
  Table.ListHeight = lstColumns->viewport()->height();
}

int TovSQLBuildTableView::ItemAt(QPoint viewportPoint) const {
  const QModelIndex index = lstColumns->indexAt(viewportPoint);
  return index.isValid() ? index.row() : -1;
}

void TovSQLBuildTableView::mousePressEvent(QMouseEvent* event) {
  raise();
  canvas_.setFocus();
  // Entering the canvas may have read the text into new boxes.
  if (canvas_.ViewOf(Table) != this) return;
  canvas_.SelectTable(&Table);
  last_ = mapTo(canvas_.viewport(), event->position().toPoint());
  // The frame at the right and bottom sizes the box; the rest moves it.
  const QPoint at = event->position().toPoint();
  const bool onEdge = at.x() >= width() - kBoxFrameWidth || at.y() >= height() - kBoxFrameWidth;
  state_ = onEdge ? TMouseState::Sizing : TMouseState::Moving;
}

void TovSQLBuildTableView::mouseMoveEvent(QMouseEvent* event) {
  if (state_ == TMouseState::None) return;
  const QPoint point = mapTo(canvas_.viewport(), event->position().toPoint());
  const QPoint delta = point - last_;
  last_ = point;
  if (state_ == TMouseState::Moving) {
    canvas_.Model().MoveTable(Table, delta.x(), delta.y());
  } else {
    Table.Bounds.Width = std::max(minimumSizeHint().width(), Table.Bounds.Width + delta.x());
    Table.Bounds.Height = std::max(minimumSizeHint().height(), Table.Bounds.Height + delta.y());
  }
  const TBuildRect& b = Table.Bounds;
  setGeometry(b.Left, b.Top, b.Width, b.Height);
  canvas_.UpdateScrollRange();
  if (!canvas_.Model().Joins().empty()) canvas_.RepaintLines();
}

void TovSQLBuildTableView::mouseReleaseEvent(QMouseEvent* event) {
  (void)event;
  state_ = TMouseState::None;
}

bool TovSQLBuildTableView::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress) canvas_.SelectTable(&Table);
  // The alias is selected on entry, after the edit's own placing of the caret.
  if (watched == txtAlias && event->type() == QEvent::FocusIn) QTimer::singleShot(0, txtAlias, &QLineEdit::selectAll);
  return QFrame::eventFilter(watched, event);
}

void TovSQLBuildTableView::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  StoreListView();
}

// ---- TovSQLDesignerView ----

TovSQLDesignerView::TovSQLDesignerView(QWidget* parent) : QAbstractScrollArea(parent) {
  setFocusPolicy(Qt::StrongFocus);
  for (QScrollBar* bar : {horizontalScrollBar(), verticalScrollBar()}) {
    bar->setRange(0, kInitialRange);
    bar->setSingleStep(kScrollStep);
    bar->setTracking(true);
  }
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  viewport()->setMouseTracking(true);
  viewport()->setAcceptDrops(true);
  lines_ = new TovGraphicControl(viewport());
  lines_->OnPaint = [this](TovGraphicControl&, QPainter& painter, const QRect& clip) { PaintJoins(painter, clip); };
  MeasureMetrics();
}

TovSQLDesignerView::~TovSQLDesignerView() {
  // The boxes go before the model's tables they show.
  for (auto& [table, view] : views_) delete view;
  views_.clear();
}

void TovSQLDesignerView::MeasureMetrics() {
  const int fontHeight = fontMetrics().height();
  model_.Metrics.ItemHeight = fontHeight + kItemExtra;
  model_.Metrics.CaptionHeight = fontHeight + kCaptionExtra;
  model_.Metrics.AliasHeight = QLineEdit().sizeHint().height();
}

void TovSQLDesignerView::SetConnection(TovConnectionWindow* connection) { model_.Connection = connection; }

void TovSQLDesignerView::SetSQLText(TovMemo* editor) { editor_ = editor; }

void TovSQLDesignerView::SetGrid(TovStringGrid* grid) {
  grid_ = grid;
  if (!grid_) return;
  HookGrid();
  RefreshGrid();
}

void TovSQLDesignerView::HookGrid() {
  grid_->SetColCount(kBuildColumns);
  grid_->SetFixedCols(0);
  grid_->SetFixedRows(1);
  grid_->OnBeforeSetEditText = [this](TovStringGrid&, int col, int row, const std::string& value) {
    if (model_.SQLDesign || row < 1 || row >= model_.RowCount()) return;
    Apply([&] { model_.GridSetEditText(col, row, value); });
  };
  grid_->OnGetPickListitems = [this](int col, int, std::vector<std::string>& items) { items = model_.PickList(col); };
  // Inactive cells of the kind look like buttons and are not typed into.
  grid_->OnCellBackground = [this](int col, int row) -> std::optional<QColor> {
    if (row < 1 || model_.IsCellActive(col)) return std::nullopt;
    return palette().color(QPalette::Button);
  };
  connect(grid_->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
    const bool active = model_.IsCellActive(current.column()) && current.column() != bcShow;
    if (!active && grid_->Editing()) grid_->closePersistentEditor(current);
    grid_->setEditTriggers(active ? QAbstractItemView::AllEditTriggers : QAbstractItemView::NoEditTriggers);
  });
  grid_->installEventFilter(this);
  grid_->setAcceptDrops(true);
  grid_->viewport()->installEventFilter(this);
}

bool TovSQLDesignerView::eventFilter(QObject* watched, QEvent* event) {
  if (!grid_) return QAbstractScrollArea::eventFilter(watched, event);
  if (watched == grid_ && event->type() == QEvent::FocusIn) {
    ParseSQL();
  } else if (watched == grid_->viewport()) {
    switch (event->type()) {
      case QEvent::DragEnter:
      case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        int item = -1;
        std::vector<std::string> selected;
        if (ColumnDragSource(*drag->mimeData(), &item, &selected) && !selected.empty())
          drag->acceptProposedAction();
        else
          drag->ignore();
        return true;
      }
      case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        int item = -1;
        std::vector<std::string> selected;
        TovSQLBuildTableView* source = ColumnDragSource(*drop->mimeData(), &item, &selected);
        if (source && !selected.empty()) Apply([&] { model_.AddColumns(source->Table, selected); });
        drop->acceptProposedAction();
        return true;
      }
      default:
        break;
    }
  }
  return QAbstractScrollArea::eventFilter(watched, event);
}

void TovSQLDesignerView::RefreshGrid() {
  if (!grid_) return;
  grid_->SetEditStyle(bcShow, model_.IsCellActive(bcShow) ? geCheckBox : geViewCheckBox);
  if (grid_->RowCount() != model_.RowCount()) grid_->SetRowCount(model_.RowCount());
  for (int row = 0; row < model_.RowCount(); ++row)
    for (int col = 0; col < kBuildColumns; ++col)
      if (grid_->Cells(col, row) != model_.Cell(col, row)) grid_->SetCells(col, row, model_.Cell(col, row));
  grid_->SaveData();
}

void TovSQLDesignerView::Apply(const std::function<void()>& change) {
  const std::string before = editor_ ? editor_->Text() : std::string();
  if (editor_) model_.SQLText = before;
  try {
    change();
  } catch (...) {
    Refresh();
    if (editor_ && model_.SQLText != before) editor_->Lines().SetTextStr(model_.SQLText);
    throw;
  }
  Refresh();
  if (editor_ && model_.SQLText != before) editor_->Lines().SetTextStr(model_.SQLText);
  UpdateEnabled();
}

void TovSQLDesignerView::ParseSQL() {
  if (!editor_ || !grid_) return;
  TParseResult result = TParseResult::Unchanged;
  Apply([&] { result = model_.ParseSQL(); });
  if (result == TParseResult::Unreadable) MsgBox(kCannotShowSQL, MB_ICONWARNING | MB_OK);
}

void TovSQLDesignerView::BuildSQL() {
  if (!editor_ || !grid_) return;
  Apply([&] { model_.BuildSQL(); });
}

TovSQLBuildTable& TovSQLDesignerView::InsertTable(const std::string& name) {
  TovSQLBuildTable* table = nullptr;
  Apply([&] { table = &model_.InsertTable(name); });
  return *table;
}

void TovSQLDesignerView::RemoveTable(TovSQLBuildTable& table) {
  Apply([&] { model_.RemoveTable(table); });
}

void TovSQLDesignerView::SelectTable(TovSQLBuildTable* table) {
  if (model_.SelectedTable() == table) return;
  model_.SelectTable(table);
  for (auto& [shown, view] : views_) view->ShowSelected(shown == table);
  if (OnChange) OnChange();
}

void TovSQLDesignerView::UpdateEnabled() {
  const bool same = !editor_ || editor_->Text() == model_.LastSQL();
  for (auto& [table, view] : views_) {
    if (view->isAncestorOf(QApplication::focusWidget())) continue;
    view->setEnabled(same);
  }
}

void TovSQLDesignerView::Refresh() {
  model_.ClientWidth = viewport()->width();
  model_.ClientHeight = viewport()->height();
  // Boxes whose tables left the model go; new tables get boxes.
  for (auto it = views_.begin(); it != views_.end();) {
    const bool kept = std::any_of(model_.Tables().begin(), model_.Tables().end(),
                                  [&](const auto& table) { return table.get() == it->first; });
    if (kept) {
      ++it;
    } else {
      // The box may be in the middle of its own event (a press that
      // focused the canvas, which read the text again).
      it->second->hide();
      it->second->deleteLater();
      it = views_.erase(it);
    }
  }
  for (const auto& table : model_.Tables()) {
    auto found = views_.find(table.get());
    if (found == views_.end()) {
      auto* view = new TovSQLBuildTableView(*this, *table, viewport());
      views_[table.get()] = view;
      view->show();
    } else {
      found->second->Refresh();
    }
  }
  for (auto& [table, view] : views_) view->ShowSelected(table == model_.SelectedTable());
  UpdateScrollRange();
  RefreshGrid();
  RepaintLines();
  if (OnChange) OnChange();
}

void TovSQLDesignerView::RepaintLines() {
  lines_->setGeometry(viewport()->rect());
  lines_->lower();
  lines_->update();
}

void TovSQLDesignerView::UpdateScrollRange() {
  model_.ClientWidth = viewport()->width();
  model_.ClientHeight = viewport()->height();
  if (model_.Tables().empty()) return;
  const TBuildSize range = model_.ScrollRange();
  horizontalScrollBar()->setRange(0, std::max(0, range.Width + model_.ScrollX - viewport()->width()));
  verticalScrollBar()->setRange(0, std::max(0, range.Height + model_.ScrollY - viewport()->height()));
}

TovSQLBuildTableView* TovSQLDesignerView::ViewOf(const TovSQLBuildTable& table) const {
  const auto found = views_.find(&table);
  return found == views_.end() ? nullptr : found->second;
}

std::vector<TovSQLBuildTableView*> TovSQLDesignerView::Views() const {
  std::vector<TovSQLBuildTableView*> views;
  for (const auto& table : model_.Tables())
    if (TovSQLBuildTableView* view = ViewOf(*table)) views.push_back(view);
  return views;
}

QByteArray TovSQLDesignerView::ColumnDragData(const TovSQLBuildTableView& source) const {
  const auto& tables = model_.Tables();
  const auto at = std::find_if(tables.begin(), tables.end(),
                               [&](const auto& table) { return table.get() == &source.Table; });
  QByteArray bytes;
  QDataStream stream(&bytes, QIODevice::WriteOnly);
  stream << static_cast<qint32>(at - tables.begin()) << static_cast<qint32>(source.lstColumns->currentRow());
  for (int i = 0; i < source.lstColumns->count(); ++i)
    if (source.lstColumns->item(i)->isSelected()) stream << static_cast<qint32>(i);
  return bytes;
}

TovSQLBuildTableView* TovSQLDesignerView::ColumnDragSource(const QMimeData& data, int* item,
                                                           std::vector<std::string>* selected) const {
  if (!data.hasFormat(kColumnDragFormat)) return nullptr;
  QByteArray bytes = data.data(kColumnDragFormat);
  QDataStream stream(&bytes, QIODevice::ReadOnly);
  qint32 box = -1;
  qint32 row = -1;
  stream >> box >> row;
  if (stream.status() != QDataStream::Ok || box < 0 || box >= static_cast<qint32>(model_.Tables().size()))
    return nullptr;
  const TovSQLBuildTable& table = *model_.Tables()[static_cast<size_t>(box)];
  *item = row;
  while (selected && !stream.atEnd()) {
    qint32 at = -1;
    stream >> at;
    if (at >= 0 && at < static_cast<qint32>(table.Items.size())) selected->push_back(table.Items[at].Name);
  }
  return ViewOf(table);
}

bool TovSQLDesignerView::CanDropColumn(const QMimeData& data, const TovSQLBuildTableView& target,
                                       int targetItem) const {
  int item = -1;
  const TovSQLBuildTableView* source = ColumnDragSource(data, &item);
  return source && source != &target && model_.CanDropJoin(source->Table, item, target.Table, targetItem);
}

void TovSQLDesignerView::DropColumn(const QMimeData& data, TovSQLBuildTableView& target, int targetItem) {
  int item = -1;
  TovSQLBuildTableView* source = ColumnDragSource(data, &item);
  if (!source || source == &target || targetItem < 0) return;
  Apply([&] { model_.DropJoin(source->Table, item, target.Table, targetItem); });
}

void TovSQLDesignerView::PaintJoins(QPainter& painter, const QRect& clip) {
  painter.fillRect(clip, palette().color(QPalette::Button));
  painter.setPen(Qt::black);
  const QFontMetrics metrics = painter.fontMetrics();
  for (const auto& join : model_.Joins()) {
    model_.CalcPoints(*join);
    QPoint points[4];
    for (size_t i = 0; i < join->Points.size(); ++i)
      points[i] = ToPoint(join->Points[i], model_.ScrollX, model_.ScrollY);
    painter.drawPolyline(points, 4);
    const QString label = Q(join->Label());
    const TBuildPoint origin = model_.LabelOrigin(*join, metrics.horizontalAdvance(label), metrics.height());
    const QPoint at = ToPoint(origin, model_.ScrollX, model_.ScrollY);
    painter.drawText(QRect(at, QSize(metrics.horizontalAdvance(label), metrics.height())), label);
  }
}

void TovSQLDesignerView::scrollContentsBy(int dx, int dy) {
  // The boxes scroll with the canvas, as its children do.
  for (const auto& table : model_.Tables()) {
    table->Bounds.Left += dx;
    table->Bounds.Top += dy;
    if (TovSQLBuildTableView* view = ViewOf(*table)) view->move(table->Bounds.Left, table->Bounds.Top);
  }
  model_.ScrollX = horizontalScrollBar()->value();
  model_.ScrollY = verticalScrollBar()->value();
  RepaintLines();
}

void TovSQLDesignerView::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  ParseSQL();
}

void TovSQLDesignerView::mousePressEvent(QMouseEvent* event) {
  (void)event;
  setFocus();
}

void TovSQLDesignerView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  viewport()->setCursor(model_.JoinAt({at.x(), at.y()}) ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void TovSQLDesignerView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (!OnConnectDblClick) return;
  const QPoint at = event->position().toPoint();
  if (TovSQLBuildConnect* join = model_.JoinAt({at.x(), at.y()})) OnConnectDblClick(*join);
}

void TovSQLDesignerView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollRange();
  RepaintLines();
}

void TovSQLDesignerView::dragEnterEvent(QDragEnterEvent* event) {
  if (OnDragOver && OnDragOver(*event->mimeData()))
    event->acceptProposedAction();
  else
    event->ignore();
}

void TovSQLDesignerView::dragMoveEvent(QDragMoveEvent* event) {
  if (OnDragOver && OnDragOver(*event->mimeData()))
    event->acceptProposedAction();
  else
    event->ignore();
}

void TovSQLDesignerView::dropEvent(QDropEvent* event) {
  event->acceptProposedAction();
  if (OnDragDrop) OnDragDrop(*event->mimeData());
}
