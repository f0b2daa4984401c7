#include "ui/ovgrid.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListWidget>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QToolButton>

#include <algorithm>
#include <stdexcept>

#include "ui/core/ovstdctlcore.h"
#include "ui/ovcheckdraw.h"

namespace {

// A new grid's size, as the class library makes it.
constexpr int kDefaultColCount = 5;
constexpr int kDefaultRowCount = 5;
constexpr int kDefaultFixed = 1;
// The titles show one fixed row and one fixed column.
constexpr int kMaxFixed = 1;
// The class library's error for a row or column that does not exist.
constexpr const char* kGridIndexError = "Grid index out of range";
constexpr const char* kEllipsisCaption = "...";

bool IsEnterKey(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

// Keys before which an editor of a geAccess grid stores its text.
bool StoresBeforeKey(int key) {
  switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Escape:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Up:
    case Qt::Key_Down:
      return true;
    default:
      return false;
  }
}

}  // namespace

// ---- the cells behind the view: fixed rows and columns are the titles ----

class TGridModel : public QAbstractTableModel {
 public:
  struct TCell {
    std::string Text;
    QVariant Object;
  };

  TGridModel(TovStringGrid& grid) : QAbstractTableModel(&grid), grid_(grid) {}

  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : std::max(0, Rows() - fixedRows_);
  }
  int columnCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : std::max(0, cols_ - fixedCols_);
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (index.isValid() && role == Qt::BackgroundRole && grid_.OnCellBackground)
      if (const std::optional<QColor> colour =
              grid_.OnCellBackground(index.column() + fixedCols_, index.row() + fixedRows_))
        return *colour;
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
    const int col = index.column() + fixedCols_;
    // Check cells show their box only.
    if (role == Qt::DisplayRole && IsCheck(col)) return {};
    return QString::fromStdString(At(col, index.row() + fixedRows_).Text);
  }
  Qt::ItemFlags flags(const QModelIndex& index) const override {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    // An editor in a check cell would put typed text over its state.
    if (index.isValid() && !IsCheck(index.column() + fixedCols_)) f |= Qt::ItemIsEditable;
    return f;
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal && fixedRows_ > 0 && section + fixedCols_ < cols_)
      return QString::fromStdString(At(section + fixedCols_, 0).Text);
    if (orientation == Qt::Vertical && fixedCols_ > 0 && section + fixedRows_ < Rows())
      return QString::fromStdString(At(0, section + fixedRows_).Text);
    return {};
  }

  int Rows() const { return static_cast<int>(cells_.size()); }
  int Cols() const { return cols_; }
  int FixedRows() const { return fixedRows_; }
  int FixedCols() const { return fixedCols_; }
  bool Contains(int col, int row) const { return col >= 0 && row >= 0 && col < cols_ && row < Rows(); }

  const TCell& At(int col, int row) const {
    Check(col, row);
    return cells_[static_cast<size_t>(row)][static_cast<size_t>(col)];
  }
  void SetText(int col, int row, const std::string& text) {
    Check(col, row);
    cells_[static_cast<size_t>(row)][static_cast<size_t>(col)].Text = text;
    Changed(col, row);
  }
  void SetObject(int col, int row, const QVariant& object) {
    Check(col, row);
    cells_[static_cast<size_t>(row)][static_cast<size_t>(col)].Object = object;
  }

  void SetRows(int rows) {
    rows = std::max(rows, fixedRows_);
    if (rows == Rows()) return;
    if (rows > Rows()) {
      beginInsertRows({}, Rows() - fixedRows_, rows - fixedRows_ - 1);
      cells_.resize(static_cast<size_t>(rows), std::vector<TCell>(static_cast<size_t>(cols_)));
      endInsertRows();
    } else {
      beginRemoveRows({}, rows - fixedRows_, Rows() - fixedRows_ - 1);
      cells_.resize(static_cast<size_t>(rows));
      endRemoveRows();
    }
  }
  void SetCols(int cols) {
    cols = std::max(cols, fixedCols_);
    if (cols == cols_) return;
    const bool grow = cols > cols_;
    if (grow)
      beginInsertColumns({}, cols_ - fixedCols_, cols - fixedCols_ - 1);
    else
      beginRemoveColumns({}, cols - fixedCols_, cols_ - fixedCols_ - 1);
    cols_ = cols;
    for (std::vector<TCell>& row : cells_) row.resize(static_cast<size_t>(cols));
    grow ? endInsertColumns() : endRemoveColumns();
  }
  void SetFixed(int fixedCols, int fixedRows) {
    beginResetModel();
    fixedCols_ = fixedCols;
    fixedRows_ = fixedRows;
    if (cols_ < fixedCols_) cols_ = fixedCols_;
    for (std::vector<TCell>& row : cells_) row.resize(static_cast<size_t>(cols_));
    if (Rows() < fixedRows_) cells_.resize(static_cast<size_t>(fixedRows_), std::vector<TCell>(static_cast<size_t>(cols_)));
    endResetModel();
  }

  void MoveRow(int from, int to) {
    Check(0, from);
    Check(0, to);
    if (from == to) return;
    const int vf = from - fixedRows_;
    const int vt = (to > from ? to + 1 : to) - fixedRows_;
    Restructure(
        from >= fixedRows_ && to >= fixedRows_, [&] { beginMoveRows({}, vf, vf, {}, vt); },
        [&] { Rotate(cells_, from, to); }, [&] { endMoveRows(); });
  }
  void MoveCol(int from, int to) {
    Check(from, 0);
    Check(to, 0);
    if (from == to) return;
    const int vf = from - fixedCols_;
    const int vt = (to > from ? to + 1 : to) - fixedCols_;
    Restructure(
        from >= fixedCols_ && to >= fixedCols_, [&] { beginMoveColumns({}, vf, vf, {}, vt); },
        [&] {
          for (std::vector<TCell>& row : cells_) Rotate(row, from, to);
        },
        [&] { endMoveColumns(); });
  }
  void RemoveRow(int row) {
    Check(0, row);
    const int v = row - fixedRows_;
    Restructure(
        row >= fixedRows_, [&] { beginRemoveRows({}, v, v); }, [&] { cells_.erase(cells_.begin() + row); },
        [&] { endRemoveRows(); });
  }

  TGridCells Texts() const {
    TGridCells texts;
    for (const std::vector<TCell>& row : cells_) {
      std::vector<std::string>& line = texts.emplace_back();
      for (const TCell& cell : row) line.push_back(cell.Text);
    }
    return texts;
  }

 private:
  // A change the view follows row by row, or a reset when it touches the titles.
  template <typename Begin, typename Change, typename End>
  void Restructure(bool plain, Begin begin, Change change, End end) {
    plain ? begin() : beginResetModel();
    change();
    plain ? end() : endResetModel();
  }
  template <typename T>
  static void Rotate(std::vector<T>& items, int from, int to) {
    const auto f = items.begin() + from;
    const auto t = items.begin() + to;
    if (from < to)
      std::rotate(f, f + 1, t + 1);
    else
      std::rotate(t, f, f + 1);
  }
  void Check(int col, int row) const {
    if (!Contains(col, row)) throw std::out_of_range(kGridIndexError);
  }
  bool IsCheck(int col) const {
    const std::optional<TovGridEditStyle> style = grid_.EditStyle(col);
    return style && IsCheckStyle(*style);
  }
  void Changed(int col, int row) {
    if (row < fixedRows_ && col >= fixedCols_)
      emit headerDataChanged(Qt::Horizontal, col - fixedCols_, col - fixedCols_);
    else if (col < fixedCols_ && row >= fixedRows_)
      emit headerDataChanged(Qt::Vertical, row - fixedRows_, row - fixedRows_);
    else if (row >= fixedRows_ && col >= fixedCols_) {
      const QModelIndex i = index(row - fixedRows_, col - fixedCols_);
      emit dataChanged(i, i);
    }
  }

  TovStringGrid& grid_;
  std::vector<std::vector<TCell>> cells_;
  int cols_ = 0;
  int fixedRows_ = 0;
  int fixedCols_ = 0;
};

// ---- the editor's life in the view and the drawing of check cells ----

class TGridDelegate : public QStyledItemDelegate {
 public:
  explicit TGridDelegate(TovStringGrid& grid) : QStyledItemDelegate(&grid), grid_(grid) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const override {
    const std::optional<TovGridEditStyle> style = grid_.EditStyle(index.column() + grid_.FixedCols());
    TovInplaceEditor::TButton button = TovInplaceEditor::TButton::None;
    if (style == geEllipsis) button = TovInplaceEditor::TButton::Ellipsis;
    if (style == gePickList || style == geDropList) button = TovInplaceEditor::TButton::PickList;
    auto* editor = new TovInplaceEditor(grid_, button, parent);
    grid_.EditorCreated(editor);
    return editor;
  }
  void setEditorData(QWidget* widget, const QModelIndex& index) const override {
    // The cell changed because the editor stored its own text.
    if (grid_.syncing_) return;
    auto& editor = static_cast<TovInplaceEditor&>(*widget);
    const int col = index.column() + grid_.FixedCols();
    const int row = index.row() + grid_.FixedRows();
    grid_.syncing_ = true;
    editor.setText(QString::fromStdString(grid_.Cells(col, row)));
    grid_.syncing_ = false;
    if (grid_.OnShowEditor) grid_.OnShowEditor(grid_, col, row, editor);
  }
  void setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const override { grid_.StoreEditorText(); }
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const int col = index.column() + grid_.FixedCols();
    const std::optional<TovGridEditStyle> style = grid_.EditStyle(col);
    if (!style || !IsCheckStyle(*style)) {
      QStyledItemDelegate::paint(painter, option, index);
      return;
    }
    QStyleOptionViewItem cell(option);
    initStyleOption(&cell, index);
    grid_.style()->drawControl(QStyle::CE_ItemViewItem, &cell, painter, &grid_);
    grid_.DrawCheckBox(*painter, col, index.row() + grid_.FixedRows(), true, option.rect);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() == QEvent::KeyPress)
      if (auto* editor = qobject_cast<TovInplaceEditor*>(watched); editor && editor->KeyDown(static_cast<QKeyEvent&>(*e)))
        return true;
    return QStyledItemDelegate::eventFilter(watched, e);
  }

 private:
  TovStringGrid& grid_;
};

// ---- TovInplaceEditor ----

TovInplaceEditor::TovInplaceEditor(TovStringGrid& grid, TButton button, QWidget* parent)
    : QLineEdit(parent), grid_(grid), button_(button) {
  setFrame(false);
  // Drags over the editor reach the grid.
  setAcceptDrops(false);
  if (button_ == TButton::None) return;
  editButton_ = new QToolButton(this);
  editButton_->setFocusPolicy(Qt::NoFocus);
  editButton_->setCursor(Qt::ArrowCursor);
  if (button_ == TButton::Ellipsis) {
    editButton_->setText(kEllipsisCaption);
    connect(editButton_, &QToolButton::clicked, this, [this] {
      if (grid_.OnEditButtonClick) grid_.OnEditButtonClick(grid_);
    });
    return;
  }
  editButton_->setArrowType(Qt::DownArrow);
  connect(editButton_, &QToolButton::clicked, this, [this] { ListVisible() ? CloseUp(false) : DropDown(); });
  list_ = new QListWidget(this);
  list_->setWindowFlags(Qt::Popup);
  list_->installEventFilter(this);
  connect(list_, &QListWidget::itemClicked, this, [this] { CloseUp(true); });
}

bool TovInplaceEditor::ListVisible() const { return list_ && list_->isVisible(); }

std::vector<std::string> TovInplaceEditor::PickItems() const {
  std::vector<std::string> items;
  if (grid_.OnGetPickListitems) grid_.OnGetPickListitems(grid_.Col(), grid_.Row(), items);
  return items;
}

void TovInplaceEditor::DropDown() {
  if (!list_) return;
  list_->clear();
  for (const std::string& item : PickItems()) list_->addItem(QString::fromStdString(item));
  const QList<QListWidgetItem*> same = list_->findItems(text(), Qt::MatchExactly);
  list_->setCurrentRow(same.isEmpty() ? -1 : list_->row(same.front()));
  const int rows = std::clamp(list_->count(), 1, kDropDownRows);
  const int frame = 2 * list_->frameWidth();
  list_->resize(width(), rows * list_->sizeHintForRow(0) + frame);
  list_->move(mapToGlobal(rect().bottomLeft()));
  list_->show();
  list_->setFocus();
}

void TovInplaceEditor::CloseUp(bool accept) {
  if (!ListVisible()) return;
  list_->hide();
  const int index = list_->currentRow();
  if (accept && index >= 0) {
    setText(list_->item(index)->text());
    if (grid_.OnSelectListItems) grid_.OnSelectListItems(grid_, grid_.Col(), grid_.Row(), index);
  }
  setFocus();
}

bool TovInplaceEditor::KeyDown(QKeyEvent& e) {
  const int key = e.key();
  if (IsEnterKey(key)) {
    grid_.StoreEditorText();
    grid_.EnterKey(e.modifiers() & Qt::ShiftModifier);
    return true;
  }
  const TovGridEditorMode mode = grid_.GridMode();
  if (key == Qt::Key_Down && button_ == TButton::PickList && (mode != geAccess || (e.modifiers() & Qt::AltModifier))) {
    DropDown();
    return true;
  }
  if (mode != geAccess) return false;
  if (key == Qt::Key_Left || key == Qt::Key_Right) {
    const int start = hasSelectedText() ? selectionStart() : cursorPosition();
    if (!ArrowLeavesEditor(start, static_cast<int>(selectedText().size()), static_cast<int>(text().size())))
      return false;
    grid_.StoreEditorText();
    QKeyEvent handed(e.type(), key, e.modifiers());
    QCoreApplication::sendEvent(&grid_, &handed);
    return true;
  }
  if (StoresBeforeKey(key)) grid_.StoreEditorText();
  return false;
}

void TovInplaceEditor::keyPressEvent(QKeyEvent* e) {
  const QString typed = e->text();
  const bool completes = button_ == TButton::PickList && typed.size() == 1 && typed.front().isPrint() &&
                         !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
  if (completes) {
    const int selLength = static_cast<int>(selectedText().size());
    const int selStart = selLength > 0 ? selectionStart() : cursorPosition();
    if (const std::optional<TPickCompletion> done = CompletePick(text(), selStart, selLength, typed, PickItems())) {
      setText(done->Text);
      setSelection(done->SelStart, done->SelLength);
      e->accept();
      return;
    }
  }
  QLineEdit::keyPressEvent(e);
}

void TovInplaceEditor::mouseDoubleClickEvent(QMouseEvent* e) {
  if (button_ != TButton::PickList) {
    QLineEdit::mouseDoubleClickEvent(e);
    return;
  }
  const std::vector<std::string> items = PickItems();
  // One item or none: nothing to step to.
  if (items.size() < 2) return;
  setText(QString::fromStdString(NextPickItem(text().toStdString(), items)));
  selectAll();
}

void TovInplaceEditor::resizeEvent(QResizeEvent* e) {
  QLineEdit::resizeEvent(e);
  if (!editButton_) return;
  const int side = height();
  editButton_->setGeometry(width() - side, 0, side, side);
  setTextMargins(0, 0, side, 0);
}

bool TovInplaceEditor::eventFilter(QObject* watched, QEvent* e) {
  if (watched == list_ && e->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(e)->key();
    if (IsEnterKey(key) || key == Qt::Key_Escape) {
      CloseUp(key != Qt::Key_Escape);
      return true;
    }
  }
  return QLineEdit::eventFilter(watched, e);
}

// ---- TovGridHeader ----

int TovGridHeader::Count() const { return grid_.ColCount(); }

std::string TovGridHeader::Strings(int index) const { return grid_.Cells(index, 0); }

void TovGridHeader::SetStrings(int index, const std::string& text) { grid_.SetCells(index, 0, text); }

std::vector<std::string> TovGridHeader::Texts() const {
  std::vector<std::string> texts;
  for (int i = 0; i < Count(); ++i) texts.push_back(Strings(i));
  return texts;
}

void TovGridHeader::Clear() {
  for (int i = 0; i < Count(); ++i) SetStrings(i, "");
}

void TovGridHeader::Add(const std::string& text) {
  int i = 0;
  while (i < Count() && !Strings(i).empty()) ++i;
  if (i == Count()) grid_.SetColCount(Count() + 1);
  SetStrings(i, text);
}

void TovGridHeader::Assign(const std::vector<std::string>& texts) {
  Clear();
  if (static_cast<int>(texts.size()) > Count()) grid_.SetColCount(static_cast<int>(texts.size()));
  for (size_t i = 0; i < texts.size(); ++i) SetStrings(static_cast<int>(i), texts[i]);
}

// ---- TovStringGrid ----

TovStringGrid::TovStringGrid(QWidget* parent) : QTableView(parent), model_(new TGridModel(*this)) {
  setModel(model_);
  setItemDelegate(new TGridDelegate(*this));
  setSelectionMode(SingleSelection);
  setVerticalScrollMode(ScrollPerItem);
  setHorizontalScrollMode(ScrollPerItem);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  for (QScrollBar* bar : {verticalScrollBar(), horizontalScrollBar()})
    connect(bar, &QScrollBar::actionTriggered, this, [this, bar](int action) { PageScroll(*bar, action); });
  SetColCount(kDefaultColCount);
  SetRowCount(kDefaultRowCount);
  SetFixedCols(kDefaultFixed);
  SetFixedRows(kDefaultFixed);
}

TovStringGrid::~TovStringGrid() = default;

int TovStringGrid::RowCount() const { return model_->Rows(); }
int TovStringGrid::ColCount() const { return model_->Cols(); }
int TovStringGrid::FixedRows() const { return model_->FixedRows(); }
int TovStringGrid::FixedCols() const { return model_->FixedCols(); }

void TovStringGrid::SetRowCount(int value) { model_->SetRows(value); }

void TovStringGrid::SetColCount(int value) {
  model_->SetCols(value);
  styles_.resize(static_cast<size_t>(ColCount()), geSimple);
}

void TovStringGrid::SetFixedRows(int value) {
  model_->SetFixed(FixedCols(), std::clamp(value, 0, kMaxFixed));
  ApplyFixed();
}

void TovStringGrid::SetFixedCols(int value) {
  model_->SetFixed(std::clamp(value, 0, kMaxFixed), FixedRows());
  styles_.resize(static_cast<size_t>(ColCount()), geSimple);
  ApplyFixed();
}

void TovStringGrid::ApplyFixed() {
  horizontalHeader()->setVisible(FixedRows() > 0);
  verticalHeader()->setVisible(FixedCols() > 0);
}

std::string TovStringGrid::Cells(int col, int row) const { return model_->At(col, row).Text; }

void TovStringGrid::SetCells(int col, int row, const std::string& text) { model_->SetText(col, row, text); }

QVariant TovStringGrid::Objects(int col, int row) const { return model_->At(col, row).Object; }

void TovStringGrid::SetObjects(int col, int row, const QVariant& object) { model_->SetObject(col, row, object); }

QModelIndex TovStringGrid::IndexOf(int col, int row) const {
  return model_->index(row - FixedRows(), col - FixedCols());
}

int TovStringGrid::Row() const {
  const QModelIndex current = currentIndex();
  return current.isValid() ? current.row() + FixedRows() : FixedRows();
}

int TovStringGrid::Col() const {
  const QModelIndex current = currentIndex();
  return current.isValid() ? current.column() + FixedCols() : FixedCols();
}

void TovStringGrid::SetRow(int row) { FocusCell(Col(), row); }
void TovStringGrid::SetCol(int col) { FocusCell(col, Row()); }

void TovStringGrid::FocusCell(int col, int row) {
  const QModelIndex index = IndexOf(col, row);
  if (!index.isValid()) throw std::out_of_range(kGridIndexError);
  setCurrentIndex(index);
}

void TovStringGrid::SetGridMode(TovGridEditorMode mode) {
  if (mode == gridMode_) return;
  gridMode_ = mode;
  if (gridMode_ == geAccess && hasFocus()) ShowEditorFor(Col(), Row());
}

std::optional<TovGridEditStyle> TovStringGrid::EditStyle(int col) const {
  if (col < 0 || static_cast<size_t>(col) >= styles_.size()) return std::nullopt;
  return styles_[static_cast<size_t>(col)];
}

void TovStringGrid::SetEditStyle(int col, TovGridEditStyle style) {
  if (!EditStyle(col)) return;
  styles_[static_cast<size_t>(col)] = style;
  viewport()->update();
}

void TovStringGrid::SetFlatCheckBox(bool value) {
  flatCheckBox_ = value;
  viewport()->update();
}

bool TovStringGrid::CellChecked(int col, int row) const {
  const std::optional<TovGridEditStyle> style = EditStyle(col);
  return style && IsCheckStyle(*style) && Cells(col, row) == kCheckedText;
}

void TovStringGrid::SetCellChecked(int col, int row, bool ticked) {
  const std::optional<TovGridEditStyle> style = EditStyle(col);
  if (!style || !IsCheckStyle(*style)) return;
  model_->SetText(col, row, ticked ? kCheckedText : "");
  SetEditText(col, row, Cells(col, row));
}

void TovStringGrid::DrawCheckBox(QPainter& painter, int col, int row, bool enabled, const QRect& rect) const {
  static const QSize glyphSize = CheckGlyphSize(*this);
  const QRect glyph = CheckGlyphRect(rect, glyphSize);
  DrawCheckGlyph(painter, *this, glyph, CheckLookOf(Cells(col, row)), enabled);
  if (!flatCheckBox_) return;
  painter.save();
  painter.setBrush(Qt::NoBrush);
  // Covers the 3D edge, then outlines the square.
  painter.setPen(palette().color(QPalette::Base));
  painter.drawRect(glyph.adjusted(1, 1, -2, -2));
  painter.setPen(palette().color(QPalette::Dark));
  painter.drawRect(glyph.adjusted(0, 0, -1, -1));
  painter.restore();
}

void TovStringGrid::SetEditText(int col, int row, const std::string& value) {
  if (OnBeforeSetEditText) OnBeforeSetEditText(*this, col, row, value);
  const bool wasSyncing = syncing_;
  syncing_ = true;
  model_->SetText(col, row, value);
  syncing_ = wasSyncing;
}

void TovStringGrid::EditorCreated(TovInplaceEditor* editor) {
  editor_ = editor;
  const int col = Col();
  const int row = Row();
  connect(editor, &QLineEdit::textChanged, this, [this, col, row](const QString& text) {
    if (!syncing_) SetEditText(col, row, text.toStdString());
  });
}

void TovStringGrid::StoreEditorText() {
  if (!Editing()) return;
  const std::string text = editor_->text().toStdString();
  if (text != Cells(Col(), Row())) SetEditText(Col(), Row(), text);
}

void TovStringGrid::ShowEditorFor(int col, int row) {
  const QModelIndex index = IndexOf(col, row);
  if (index.isValid()) edit(index, AllEditTriggers, nullptr);
}

void TovStringGrid::EnterKey(bool shift) {
  const TGridEnter action = GridEnterAction(gridMode_, EditStyle(Col()), shift);
  switch (action) {
    case TGridEnter::NextColumn:
      SetCol(GridEnterTarget(action, Col(), FixedCols(), ColCount() - 1));
      break;
    case TGridEnter::RowDown:
    case TGridEnter::RowUp:
      if (Editing()) {
        commitData(editor_);
        closeEditor(editor_, QAbstractItemDelegate::NoHint);
      }
      SetRow(GridEnterTarget(action, Row(), FixedRows(), RowCount() - 1));
      break;
    case TGridEnter::Nothing:
      break;
  }
}

void TovStringGrid::ToggleCurrentCheck() {
  const int col = Col();
  const int row = Row();
  SetCellChecked(col, row, !CellChecked(col, row));
}

void TovStringGrid::keyPressEvent(QKeyEvent* e) {
  if (IsEnterKey(e->key())) {
    EnterKey(e->modifiers() & Qt::ShiftModifier);
    e->accept();
    return;
  }
  if (e->matches(QKeySequence::Copy)) {
    CopyToClipboard();
    e->accept();
    return;
  }
  const QString typed = e->text();
  if (currentIndex().isValid() && EditStyle(Col()) == geCheckBox && typed.size() == 1 &&
      IsCheckToggleChar(typed.front().unicode()))
    ToggleCurrentCheck();
  QTableView::keyPressEvent(e);
}

void TovStringGrid::mousePressEvent(QMouseEvent* e) {
  QTableView::mousePressEvent(e);
  if (indexAt(e->position().toPoint()).isValid() && EditStyle(Col()) == geCheckBox) ToggleCurrentCheck();
}

void TovStringGrid::focusInEvent(QFocusEvent* e) {
  QTableView::focusInEvent(e);
  if (Editing()) {
    if (OnShowEditor) OnShowEditor(*this, Col(), Row(), *editor_);
  } else if (gridMode_ == geAccess && !holdEditor_) {
    ShowEditorFor(Col(), Row());
  }
}

void TovStringGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  const bool wasEditing = Editing();
  QTableView::currentChanged(current, previous);
  // The editor stays shown in a geAccess grid.
  if (gridMode_ == geAccess && !holdEditor_ && current.isValid() && (wasEditing || hasFocus())) edit(current, AllEditTriggers, nullptr);
}

void TovStringGrid::updateGeometries() {
  QTableView::updateGeometries();
  // A bar that is not needed stays, disabled.
  for (QScrollBar* bar : {verticalScrollBar(), horizontalScrollBar()}) bar->setEnabled(bar->maximum() > bar->minimum());
}

void TovStringGrid::PageScroll(QScrollBar& bar, int action) {
  if (action != QAbstractSlider::SliderPageStepAdd && action != QAbstractSlider::SliderPageStepSub) return;
  bar.setSliderPosition(PageScrollTarget(bar.value(), bar.pageStep(),
                                         action == QAbstractSlider::SliderPageStepAdd, bar.minimum(), bar.maximum()));
}

void TovStringGrid::ClearData() {
  setUpdatesEnabled(false);
  // Redrawing comes back also when a step fails.
  struct TRedraw {
    TovStringGrid& grid;
    ~TRedraw() {
      grid.setUpdatesEnabled(true);
      grid.viewport()->update();
    }
  } redraw{*this};
  for (int row = FixedRows(); row < RowCount(); ++row)
    for (int col = FixedCols(); col < ColCount(); ++col) SetCells(col, row, "");
  SetRowCount(std::max(RowCount(), FixedRows() + 1));
  FocusCell(FixedCols(), FixedRows());
  SetRowCount(FixedRows() + 1);
}

void TovStringGrid::InsertRow(int index) {
  SetRowCount(RowCount() + 1);
  MoveRow(RowCount() - 1, index);
}

void TovStringGrid::MoveRow(int from, int to) { model_->MoveRow(from, to); }

void TovStringGrid::InsertColumn(int index) {
  SetColCount(ColCount() + 1);
  model_->MoveCol(ColCount() - 1, index);
  SetCol(index);
}

void TovStringGrid::DeleteRow(int row) {
  const bool wasEditing = Editing();
  {
    // No editor on a row on its way out.
    const bool held = holdEditor_;
    holdEditor_ = true;
    if (wasEditing) {
      commitData(editor_);
      closeEditor(editor_, QAbstractItemDelegate::NoHint);
    }
    model_->RemoveRow(row);
    if (row < RowCount() - 1) SetRow(row);
    holdEditor_ = held;
  }
  if (wasEditing) ShowEditorFor(Col(), Row());
}

void TovStringGrid::SaveData() { snapshot_.Save(model_->Texts()); }

bool TovStringGrid::Modified() const { return snapshot_.Modified(model_->Texts()); }

bool TovStringGrid::CellModified(int col, int row) const {
  return snapshot_.CellModified(col, row, model_->Contains(col, row) ? Cells(col, row) : std::string());
}

bool TovStringGrid::CellIsEmpty(int col, int row) const { return IsBlankText(Cells(col, row)); }

void TovStringGrid::CopyToClipboard() {
  if (Editing()) {
    editor_->copy();
    return;
  }
  if (currentIndex().isValid()) QApplication::clipboard()->setText(QString::fromStdString(Cells(Col(), Row())));
}
