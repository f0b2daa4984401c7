#include "ui/ovdbgrid.h"

#include <QApplication>
#include <QClipboard>
#include <QCompleter>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QStringListModel>
#include <QToolButton>

#include <algorithm>

#include "app/core/zarur.h"

bool WholeRecordsV = false;
bool WholeRecordsH = false;

namespace {

const char kConfirmOne[] = "レコードを削除しますか？";
const char kConfirmMany[] = "選択されたレコードをすべて削除してよいですか？";
// The time half of a date-time column's width; the date half follows the
// program's date format.
const char kShortTimeFormat[] = "hh:mm";

constexpr int kIndicatorWidth = 11;
constexpr int kTitlePadding = 4;
constexpr int kRowPadding = 3;
constexpr int kCellOffset = 2;
constexpr int kMinTitleWidth = 64;
constexpr int kKeepSelectionV = 10;
constexpr int kKeepSelectionH = 17;
constexpr int kSizingSlop = 3;
constexpr int kWidthPadding = 4;
constexpr int kWriteBackPadding = 3;
constexpr int kDefaultDateTimeWidth = 18;
constexpr size_t kBlobEditBytes = 100;
constexpr int kNoRecordNumbersMax = 4;
constexpr int kNoRecordNumbersMiddle = 2;
constexpr int kRightTextGap = 3;
constexpr int kDefaultColumnWidth = 64;
constexpr int kFrameOffset = 1;

// The vertical grid's indicator images, 6 x 11, '#' set and '.' clear;
// the transposed grid's are these turned a quarter clockwise (an arrow
// to the right then points down at its record).
constexpr int kImageWidth = 6;
constexpr int kImageHeight = 11;
const char* const kIndicatorPatterns[kIndicatorImages] = {
    // "VDBGARROW"
    "......"
    "......"
    "#....."
    "##...."
    "###..."
    "####.."
    "###..."
    "##...."
    "#....."
    "......"
    "......",
    // "VDBEDIT"
    "......"
    "##.##."
    "..#..."
    "..#..."
    "..#..."
    "..#..."
    "..#..."
    "..#..."
    "..#..."
    "##.##."
    "......",
    // "VDBINSERT"
    "......"
    "......"
    "......"
    "#.#.#."
    ".###.."
    "#####."
    ".###.."
    "#.#.#."
    "......"
    "......"
    "......",
    // "VDBMULTIDOT"
    "......"
    "......"
    "......"
    "......"
    ".##..."
    "####.."
    "####.."
    ".##..."
    "......"
    "......"
    "......",
    // "VDBMULTIARROW"
    "......"
    "......"
    "..#..."
    "..##.."
    "..###."
    "#.####"
    "..###."
    "..##.."
    "..#..."
    "......"
    "......",
};

// Keys along the two axes: the vertical grid steps records with Down and
// Up and fields with Right and Left; the transposed grid the other way.
struct TAxisKeys {
  int recordForward, recordBack, fieldForward, fieldBack;
};
constexpr TAxisKeys kVerticalKeys{Qt::Key_Down, Qt::Key_Up, Qt::Key_Right, Qt::Key_Left};
constexpr TAxisKeys kTransposedKeys{Qt::Key_Right, Qt::Key_Left, Qt::Key_Down, Qt::Key_Up};

// Runs a user action; a data-set error reaches the user as the standard
// error box instead of leaving the event handler.
template <class F>
void Guarded(F f) {
  try {
    f();
  } catch (const std::exception& e) {
    MsgBox(e.what(), MB_OK | MB_ICONERROR);
  }
}

}  // namespace

void DrawCellText(QPainter& painter, const QRect& rect, int dx, TAlignment alignment, const QString& text, int dy) {
  painter.fillRect(rect, painter.brush());
  const int width = painter.fontMetrics().horizontalAdvance(text);
  int x = rect.left() + dx;
  if (alignment == TAlignment::taRightJustify) x = rect.right() - width - kRightTextGap;
  if (alignment == TAlignment::taCenter) x = rect.left() + rect.width() / 2 - width / 2;
  painter.save();
  painter.setClipRect(rect, Qt::IntersectClip);
  painter.drawText(QPoint(x, rect.top() + dy + painter.fontMetrics().ascent()), text);
  painter.restore();
}

QPixmap IndicatorImage(bool transposed, TIndicatorImage image) {
  QImage pixels(kImageWidth, kImageHeight, QImage::Format_ARGB32);
  pixels.fill(Qt::transparent);
  const char* pattern = kIndicatorPatterns[image];
  for (int y = 0; y < kImageHeight; ++y)
    for (int x = 0; x < kImageWidth; ++x)
      if (pattern[y * kImageWidth + x] == '#') pixels.setPixelColor(x, y, Qt::black);
  constexpr int kQuarterTurn = 90;
  return QPixmap::fromImage(transposed ? pixels.transformed(QTransform().rotate(kQuarterTurn)) : pixels);
}

// ---- TColumnTitle ----

std::string TColumnTitle::Caption() const {
  if (caption_) return *caption_;
  const TovField* f = item_.Field();
  return f ? f->DisplayLabel : item_.FieldName();
}

void TColumnTitle::SetCaption(const std::string& caption) {
  // A default column names its field.
  if (TovField* f = item_.Stored() ? nullptr : item_.LiveField()) {
    f->DisplayLabel = caption;
  } else {
    caption_ = caption;
  }
  item_.Grid().UpdateLayout();
}

QColor TColumnTitle::Color() const { return color_.value_or(item_.Grid().FixedColor()); }

void TColumnTitle::SetColor(const QColor& color) {
  color_ = color;
  item_.Grid().update();
}

QFont TColumnTitle::Font() const { return font_.value_or(item_.Grid().TitleFont()); }

void TColumnTitle::SetFont(const QFont& font) {
  font_ = font;
  item_.Grid().UpdateLayout();
}

void TColumnTitle::SetAlignment(TAlignment alignment) {
  alignment_ = alignment;
  item_.Grid().update();
}

void TColumnTitle::ResetToDefaults() {
  caption_.reset();
  color_.reset();
  font_.reset();
  alignment_.reset();
}

// ---- TGridItem ----

TGridItem::TGridItem(TovDBGridBase& grid, bool stored) : grid_(grid), stored_(stored), title_(*this) {}

int TGridItem::Index() const {
  for (size_t i = 0; i < grid_.items_.size(); ++i)
    if (grid_.items_[i].get() == this) return static_cast<int>(i);
  return -1;
}

const TovField* TGridItem::Field() const {
  const TovClientDataSet* data = grid_.DataSet();
  if (!data || !data->Active()) return nullptr;
  if (field_ < 0 && !fieldName_.empty()) field_ = data->FieldIndex(fieldName_);
  return field_ >= 0 && field_ < data->FieldCount() ? &data->Fields()[static_cast<size_t>(field_)] : nullptr;
}

TovField* TGridItem::LiveField() const {
  return Field() ? &grid_.DataSet()->FieldDef(field_) : nullptr;
}

void TGridItem::Bind(int position) {
  const TovClientDataSet* data = grid_.DataSet();
  const std::string name =
      position >= 0 && data ? data->Fields().at(static_cast<size_t>(position)).FieldName : fieldName_;
  // A default column bound to another field starts from its defaults.
  if (!stored_ && (position != field_ || name != fieldName_)) ResetToDefaults();
  field_ = position;
  fieldName_ = name;
}

void TGridItem::SetFieldName(const std::string& name) {
  fieldName_ = name;
  field_ = -1;
  grid_.UpdateLayout();
}

QColor TGridItem::Color() const { return color_.value_or(grid_.palette().base().color()); }

void TGridItem::SetColor(const QColor& color) {
  color_ = color;
  Changed();
}

QFont TGridItem::Font() const { return font_.value_or(grid_.font()); }

void TGridItem::SetFont(const QFont& font) {
  font_ = font;
  Changed();
}

TAlignment TGridItem::Alignment() const {
  if (alignment_) return *alignment_;
  const TovField* f = Field();
  return f ? f->Alignment : TAlignment::taLeftJustify;
}

template <class T>
void TGridItem::Assign(T TovField::*setting, std::optional<T>& own, T value) {
  if (TovField* f = stored_ ? nullptr : LiveField()) {
    f->*setting = value;
  } else {
    own = value;
  }
  Changed();
}

void TGridItem::SetAlignment(TAlignment alignment) { Assign(&TovField::Alignment, alignment_, alignment); }

bool TGridItem::ReadOnly() const {
  if (readOnly_) return *readOnly_;
  const TovField* f = Field();
  return grid_.readOnly_ || (f && f->ReadOnly);
}

void TGridItem::SetReadOnly(bool readOnly) { Assign(&TovField::ReadOnly, readOnly_, readOnly); }

void TGridItem::SetPickList(std::vector<std::string> items) {
  pickList_ = std::move(items);
  Changed();
}

void TGridItem::SetVisible(bool visible) {
  visible_ = visible;
  grid_.UpdateLayout();
}

void TGridItem::ResetToDefaults() {
  title_.ResetToDefaults();
  color_.reset();
  font_.reset();
  alignment_.reset();
  readOnly_.reset();
  pickList_.clear();
  ButtonStyle = TColumnButtonStyle::cbsAuto;
}

void TGridItem::Changed() { grid_.ItemChanged(*this); }

// ---- TColumn ----

int TColumn::DefaultWidth() const {
  const TovField* f = Field();
  if (!f) return kDefaultColumnWidth;
  const QFontMetrics metrics(Font());
  int width = f->DisplayWidth * metrics.horizontalAdvance(QLatin1Char('0')) + kWidthPadding;
  if (Grid().Options() & dgTitles)
    width = std::max(width, QFontMetrics(Title().Font()).horizontalAdvance(QString::fromStdString(Title().Caption())) +
                                kWidthPadding);
  return width;
}

int TColumn::Width() const {
  if (!Visible()) return -1;
  return width_.value_or(DefaultWidth());
}

void TColumn::SetWidth(int width) {
  if (width < 0) return;
  const int before = DefaultWidth();
  if (TovField* f = Stored() || !Grid().UpdateFields ? nullptr : LiveField()) {
    const int average = std::max(1, QFontMetrics(Font()).averageCharWidth());
    f->DisplayWidth = (width + average / 2 - kWriteBackPadding) / average;
  }
  if (width_ || width != before) width_ = width;
  Changed();
}

void TColumn::ResetToDefaults() {
  TGridItem::ResetToDefaults();
  width_.reset();
}

// ---- TDBGridInplaceEdit ----

TDBGridInplaceEdit::TDBGridInplaceEdit(TovDBGridBase* grid) : QLineEdit(grid), grid_(grid) {
  setFrame(false);
  hide();
}

void TDBGridInplaceEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  grid_->FocusLeaving();
}

void TDBGridInplaceEdit::keyPressEvent(QKeyEvent* event) {
  if (grid_->KeyTaken(event)) return;
  const int key = event->key();
  const bool whole = selectedText().size() >= text().size() || text().isEmpty();
  const bool atStart = cursorPosition() == 0 || selectionStart() == 0;
  const bool arrowOut = (key == Qt::Key_Left || key == Qt::Key_Right) && whole && atStart;
  const bool gridKey = key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Up || key == Qt::Key_Down ||
                       key == Qt::Key_PageUp || key == Qt::Key_PageDown || key == Qt::Key_Tab ||
                       key == Qt::Key_Backtab || key == Qt::Key_Escape || key == Qt::Key_Insert || key == Qt::Key_F2 ||
                       (key == Qt::Key_Delete && (event->modifiers() & Qt::ControlModifier));
  const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
  if (enter && (event->modifiers() & Qt::ControlModifier) && grid_->editButton_->isVisible()) {
    grid_->EditButtonClick();
    return;
  }
  const bool dropDown = key == Qt::Key_F4 || (key == Qt::Key_Down && (event->modifiers() & Qt::AltModifier));
  if (dropDown && completer()) {
    grid_->ShowPickList();
    return;
  }
  if (arrowOut || gridKey) {
    grid_->HandleKey(key, event->modifiers());
    event->accept();
    return;
  }
  if (event->matches(QKeySequence::Copy) && grid_->SelectedRecords().Count() > 0) {
    grid_->CopyToClipboard();
    return;
  }
  if (event->matches(QKeySequence::Paste)) {
    grid_->PasteFromClipboard();
    return;
  }
  QLineEdit::keyPressEvent(event);
}

void TDBGridInplaceEdit::mouseDoubleClickEvent(QMouseEvent* event) {
  QLineEdit::mouseDoubleClickEvent(event);
  if (event->button() == Qt::LeftButton && grid_->OnDblClick) Guarded([this] { grid_->OnDblClick(); });
}

// ---- TovDBGridBase ----

TovDBGridBase::TovDBGridBase(bool transposed, QWidget* parent)
    : QWidget(parent),
      transposed_(transposed),
      selected_([this](TBookmark a, TBookmark b) { return data_ ? data_->CompareBookmarks(a, b) : 0; }),
      editor_(new TDBGridInplaceEdit(this)),
      recordBar_(new QScrollBar(transposed ? Qt::Horizontal : Qt::Vertical, this)),
      pickList_(new QCompleter(this)),
      pickModel_(new QStringListModel(pickList_)),
      editButton_(new QToolButton(editor_)) {
  editButton_->setText(QStringLiteral("..."));
  editButton_->setCursor(Qt::ArrowCursor);
  editButton_->hide();
  connect(editButton_, &QToolButton::clicked, this, [this] { EditButtonClick(); });
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  for (int i = 0; i < kIndicatorImages; ++i) indicators_.push_back(IndicatorImage(transposed, static_cast<TIndicatorImage>(i)));
  pickList_->setModel(pickModel_);
  pickList_->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
  connect(recordBar_, &QScrollBar::actionTriggered, this, [this](int action) { Guarded([&] { OnScroll(action); }); });
  const auto edited = [this] {
    Guarded([&] {
      if (!MayModify()) return;
      if (data_->State() == TDataSetState::dsBrowse) data_->Edit();
      linkModified_ = true;
    });
  };
  connect(editor_, &QLineEdit::textEdited, this, edited);
  // A chosen pick-list item becomes the cell's edit text.
  connect(pickList_, qOverload<const QString&>(&QCompleter::activated), this, [this, edited](const QString& choice) {
    editor_->setText(choice);
    edited();
  });
}

void TovDBGridBase::EditButtonClick() {
  if (OnEditButtonClick) Guarded([&] { OnEditButtonClick(); });
}

void TovDBGridBase::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && OnDblClick) return Guarded([&] { OnDblClick(); });
  QWidget::mouseDoubleClickEvent(event);
}

void TovDBGridBase::ShowPickList() {
  if (editor_->completer() == pickList_) pickList_->complete();
}

TovDBGridBase::~TovDBGridBase() {
  if (data_) data_->RemoveDataLink(this);
}

void TovDBGridBase::SetDataSet(TovClientDataSet* data) {
  if (data_) data_->RemoveDataLink(this);
  selected_.Clear();
  data_ = data;
  if (data_) data_->AddDataLink(this);
  ActiveChanged(data_ && data_->Active());
}

void TovDBGridBase::SetOptions(TDBGridOptions options) {
  if (options & dgRowSelect) options &= ~(dgEditing | dgAlwaysShowEditor);
  if (!(options & dgMultiSelect)) selected_.Clear();
  options_ = options;
  if (!(options_ & dgEditing)) HideEditor();
  UpdateLayout();
}

void TovDBGridBase::SetEditorMode(bool on) {
  if (!on) {
    if (!(options_ & dgAlwaysShowEditor)) HideEditor();
    return;
  }
  ShowEditor();
  if (editor_->isVisible()) editor_->setFocus();
}

bool TovDBGridBase::ReadOnly() const { return readOnly_ || !data_ || !data_->CanModify(); }

const TovField* TovDBGridBase::CurrentField() const {
  const int position = MappedField(currentField_);
  if (!data_ || !data_->Active() || position < 0) return nullptr;
  return &data_->Fields()[static_cast<size_t>(position)];
}

std::string TovDBGridBase::EditText() const {
  const TovField* f = CurrentField();
  if (!f || data_->IsEmpty() || data_->IsNull(f->Index)) return std::string();
  const std::string value = data_->AsString(f->Index);
  if (f->IsBlob()) return HexOfBytes(std::string_view(value).substr(0, kBlobEditBytes));
  return value;
}

bool TovDBGridBase::EditorShowing() const { return editor_->isVisible(); }

int TovDBGridBase::RowHeight() const {
  return fontMetrics().height() + kRowPadding + ((options_ & dgRowLines) ? 1 : 0);
}

int TovDBGridBase::IndicatorExtent() const {
  if (!(options_ & dgIndicator)) return 0;
  if (!transposed_) return kIndicatorWidth;
  return (options_ & dgTitles) ? QFontMetrics(TitleFont()).height() + kTitlePadding : RowHeight();
}

int TovDBGridBase::VisibleRecords() const {
  const QRect area = rect();
  const int length = (transposed_ ? area.width() : area.height() - 0) - titleExtent_;
  return std::max(1, length / std::max(1, RecordExtent()));
}

void TovDBGridBase::SetTitleFont(const QFont& font) {
  titleFont_ = font;
  if (options_ & dgTitles) UpdateLayout();
}

void TovDBGridBase::SetFixedColor(const QColor& color) {
  fixedColor_ = color;
  update();
}

void TovDBGridBase::BeginLayoutLock() {
  BeginUpdate();
  ++layoutLock_;
}

void TovDBGridBase::EndLayoutLock() {
  if (layoutLock_ == 1) LayoutGrid();
  --layoutLock_;
  EndUpdate();
  if (updateLock_ == 0 && layoutPending_) UpdateLayout();
}

bool TovDBGridBase::TryLayoutLock() {
  if (updateLock_ != 0 || layoutLock_ != 0 || (data_ && data_->ControlsDisabled())) return false;
  BeginLayoutLock();
  return true;
}

// A layout that cannot run now runs once from the event loop, or when the
// data set's controls are enabled again.
void TovDBGridBase::UpdateLayout() {
  if (TryLayoutLock()) return EndLayoutLock();
  if (layoutPending_) return;
  layoutPending_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (layoutPending_ && TryLayoutLock()) EndLayoutLock();
      },
      Qt::QueuedConnection);
}

QRect TovDBGridBase::CellRect(int column, int row) const {
  const int recordLine = transposed_ ? column : row, fieldLine = transposed_ ? row : column;
  // Each band keeps -1 for itself: the title and indicator cells.
  return SlotRect(recordLine - TitleOffset(), GridToDataIndex(fieldLine));
}

TGridItem* TovDBGridBase::Item(int dataIndex) const {
  return dataIndex >= 0 && static_cast<size_t>(dataIndex) < items_.size() ? items_[static_cast<size_t>(dataIndex)].get()
                                                                           : nullptr;
}

// Binds the items to fields and builds the field map: customized items by
// their field names (a name without a field maps to none); default items
// follow the visible fields, keeping an order the user gave them while the
// fields stay the same.
void TovDBGridBase::BindItems() {
  const bool customized = std::any_of(items_.begin(), items_.end(), [](const auto& i) { return i->Stored(); });
  if (customized) std::erase_if(items_, [](const auto& i) { return !i->Stored(); });
  map_.ClearFieldMapping();
  map_.SetSparse(customized);
  const bool open = data_ && data_->Active();
  if (customized) {
    for (const auto& item : items_) {
      const int position = open ? data_->FieldIndex(item->FieldName()) : TGridFieldMap::kNoField;
      if (open) map_.AddFieldMapping(position);
      item->Bind(position);
    }
    return;
  }
  if (!open) {
    items_.clear();
    return;
  }
  std::vector<std::string> fields, shown;
  for (const TovField& f : data_->Fields())
    if (f.Visible) fields.push_back(f.FieldName);
  for (const auto& item : items_) shown.push_back(item->FieldName());
  const bool sameFields = std::is_permutation(fields.begin(), fields.end(), shown.begin(), shown.end());
  if (!sameFields) {
    items_.clear();
    for (size_t i = 0; i < fields.size(); ++i) items_.push_back(MakeItem(false));
  }
  for (size_t i = 0; i < items_.size(); ++i) {
    const int position = data_->FieldIndex(sameFields ? shown[i] : fields[i]);
    map_.AddFieldMapping(position);
    items_[i]->Bind(position);
  }
}

void TovDBGridBase::LayoutGrid() {
  layoutPending_ = false;
  BindItems();
  LayoutFields();
  currentField_ = std::clamp(currentField_, 0, std::max(0, MappedFieldCount() - 1));
  RefreshFromData();
}

void TovDBGridBase::ItemChanged(const TGridItem&) {
  if (layoutLock_ == 0) LayoutFields();
  UpdateEditor();
  update();
}

void TovDBGridBase::MoveItem(int from, int to) {
  const int count = static_cast<int>(items_.size());
  if (from < 0 || to < 0 || from >= count || to >= count || from == to) return;
  const auto at = items_.begin();
  if (from < to) {
    std::rotate(at + from, at + from + 1, at + to + 1);
  } else {
    std::rotate(at + to, at + from, at + from + 1);
  }
  if (currentField_ == from) currentField_ = to;
  UpdateLayout();
  if (OnItemMoved) OnItemMoved(from, to);
}

void TovDBGridBase::ActiveChanged(bool active) {
  selected_.SetLinkActive(active);
  linkModified_ = false;
  top_ = 0;
  if (!active) HideEditor();
  UpdateLayout();
}

void TovDBGridBase::DataSetChanged() {
  linkModified_ = false;
  if (layoutPending_) UpdateLayout();
  RefreshFromData();
}

void TovDBGridBase::DataSetScrolled(int) { RefreshFromData(); }

void TovDBGridBase::EditingChanged() { update(); }

void TovDBGridBase::RecordChanged(int) {
  linkModified_ = false;
  if (!loadingEditor_ && editor_->isVisible() && editor_->text().toStdString() != EditText()) UpdateEditor();
  update();
}

void TovDBGridBase::SyncTop() {
  if (!data_ || !data_->Active() || data_->IsEmpty()) {
    top_ = 0;
    return;
  }
  const size_t current = static_cast<size_t>(data_->RecNo() - 1);
  const size_t visible = static_cast<size_t>(VisibleRecords());
  if (current < top_) top_ = current;
  if (current >= top_ + visible) top_ = current + 1 - visible;
  data_->FetchUpTo(top_ + visible);
}

void TovDBGridBase::RefreshFromData() {
  SyncTop();
  UpdateRecordScrollBar();
  UpdateEditor();
  update();
}

void TovDBGridBase::UpdateRecordScrollBar() {
  const QRect area = rect();
  const int thickness = recordBar_->sizeHint().width();
  if (transposed_) {
    recordBar_->setGeometry(0, area.height() - recordBar_->sizeHint().height(), area.width(),
                            recordBar_->sizeHint().height());
  } else {
    recordBar_->setGeometry(area.width() - thickness, 0, thickness, area.height());
  }
  if (!data_ || !data_->Active()) return;
  const QSignalBlocker block(recordBar_);
  if (data_->AllFetched()) {
    recordBar_->setRange(1, std::max(1, static_cast<int>(data_->LoadedCount())));
    recordBar_->setPageStep(VisibleRecords());
    recordBar_->setValue(data_->RecNo());
  } else {
    recordBar_->setRange(0, kNoRecordNumbersMax);
    recordBar_->setPageStep(0);
    recordBar_->setValue(data_->RecNo() <= 1 ? 0 : kNoRecordNumbersMiddle);
  }
}

void TovDBGridBase::OnScroll(int action) {
  if (!data_ || !data_->Active()) return;
  setFocus();
  const int visible = VisibleRecords();
  const int slot = data_->RecNo() - 1 - static_cast<int>(top_);
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
      data_->MoveBy(-slot - 1);
      break;
    case QAbstractSlider::SliderSingleStepAdd:
      data_->MoveBy(visible - slot);
      break;
    case QAbstractSlider::SliderPageStepSub:
      data_->MoveBy(-visible);
      break;
    case QAbstractSlider::SliderPageStepAdd:
      data_->MoveBy(visible);
      break;
    case QAbstractSlider::SliderToMinimum:
      data_->First();
      break;
    case QAbstractSlider::SliderToMaximum:
      data_->Last();
      break;
    case QAbstractSlider::SliderMove:
      if (data_->AllFetched()) {
        data_->SetRecNo(recordBar_->sliderPosition());
      } else if (recordBar_->sliderPosition() >= kNoRecordNumbersMax) {
        data_->Last();
      } else if (recordBar_->sliderPosition() <= 0) {
        data_->First();
      }
      break;
    default:
      break;
  }
}

QRect TovDBGridBase::SlotRect(int slot, int field) const {
  const int recordBand = titleExtent_, fieldBand = IndicatorExtent();
  const int recordStart = slot < 0 ? 0 : recordBand + slot * RecordExtent();
  const int recordLength = slot < 0 ? recordBand : RecordExtent();
  int fieldStart = 0, fieldLength = fieldBand;
  if (field >= 0) {
    if (field < firstField_) return QRect();
    fieldStart = fieldBand;
    for (int i = firstField_; i < field; ++i) fieldStart += FieldExtent(i);
    fieldLength = FieldExtent(field);
  }
  return transposed_ ? QRect(recordStart, fieldStart, recordLength, fieldLength)
                     : QRect(fieldStart, recordStart, fieldLength, recordLength);
}

TovDBGridBase::TCellHit TovDBGridBase::HitTest(QPoint point) const {
  TCellHit hit;
  const int recordCoord = transposed_ ? point.x() : point.y();
  const int fieldCoord = transposed_ ? point.y() : point.x();
  if (recordCoord >= titleExtent_) hit.record = (recordCoord - titleExtent_) / std::max(1, RecordExtent());
  int edge = IndicatorExtent();
  if (fieldCoord >= edge) {
    for (int i = firstField_; i < MappedFieldCount(); ++i) {
      edge += FieldExtent(i);
      if (fieldCoord < edge) {
        hit.field = i;
        break;
      }
    }
    if (hit.field < 0) return hit;
  }
  const size_t loaded = data_ && data_->Active() ? data_->LoadedCount() : 0;
  hit.inside = hit.record < 0 || top_ + static_cast<size_t>(hit.record) < loaded;
  return hit;
}

int TovDBGridBase::SizingLine(QPoint point) const {
  if (!(options_ & dgColumnResize)) return -1;
  if (!transposed_) {
    if (point.y() >= titleExtent_) return -1;
    int edge = IndicatorExtent();
    for (int i = firstField_; i < MappedFieldCount(); ++i) {
      edge += FieldExtent(i);
      if (std::abs(point.x() - edge) <= kSizingSlop) return i;
    }
    return -1;
  }
  if (point.y() >= IndicatorExtent() || point.x() < titleExtent_) return -1;
  const int offset = (point.x() - titleExtent_) % RecordExtent();
  return offset >= RecordExtent() - kSizingSlop ? (point.x() - titleExtent_) / RecordExtent() : -1;
}

bool TovDBGridBase::MayModify() const {
  const TovField* f = CurrentField();
  const TGridItem* item = Item(currentField_);
  return f && !readOnly_ && data_->CanModify() && !f->ReadOnly && !f->IsBlob() && (options_ & dgEditing) &&
         !(item && item->ReadOnly());
}

void TovDBGridBase::HideEditor() {
  if (editor_->hasFocus()) setFocus();
  editor_->hide();
}

void TovDBGridBase::ShowEditor() {
  if (!data_ || !data_->Active() || data_->IsEmpty() || !CurrentField() || !(options_ & dgEditing) || layoutLock_ > 0)
    return;
  const QRect cell = SlotRect(data_->RecNo() - 1 - static_cast<int>(top_), currentField_);
  if (cell.isEmpty()) return;
  loadingEditor_ = true;
  const TovField* f = CurrentField();
  const TGridItem* item = Item(currentField_);
  editor_->setMaxLength(f->IsString() && f->Size > 0 ? f->Size : std::numeric_limits<int>::max());
  editor_->setReadOnly(!MayModify());
  editor_->setFont(item ? item->Font() : font());
  // The pick list (cbsAuto with items, not read-only) drops down from the
  // cell editor.
  const bool pick = item && item->ButtonStyle == TColumnButtonStyle::cbsAuto && !item->PickList().empty() &&
                    !item->ReadOnly();
  QStringList choices;
  if (pick)
    for (const std::string& choice : item->PickList()) choices.push_back(QString::fromStdString(choice));
  pickModel_->setStringList(choices);
  pickList_->setMaxVisibleItems(item ? static_cast<int>(item->DropDownRows) : 0);
  editor_->setCompleter(pick ? pickList_ : nullptr);
  // The ellipsis button sits at the editor's right end.
  const bool ellipsis = item && item->ButtonStyle == TColumnButtonStyle::cbsEllipsis;
  const QRect inner = cell.adjusted(1, 1, -1, -1);
  editButton_->setGeometry(inner.width() - inner.height(), 0, inner.height(), inner.height());
  editButton_->setVisible(ellipsis);
  editor_->setTextMargins(0, 0, ellipsis ? inner.height() : 0, 0);
  editor_->setText(QString::fromStdString(EditText()));
  editor_->selectAll();
  editor_->setGeometry(cell.adjusted(1, 1, -1, -1));
  editor_->show();
  loadingEditor_ = false;
}

void TovDBGridBase::UpdateEditor() {
  if (options_ & dgAlwaysShowEditor) {
    ShowEditor();
  } else if (editor_->isVisible()) {
    ShowEditor();
  }
}

void TovDBGridBase::StoreEditText() {
  if (!data_ || !data_->Active() || !linkModified_) return;
  const TovField* f = CurrentField();
  linkModified_ = false;
  if (f) data_->SetFieldText(f->Index, editor_->text().toStdString());
}

bool TovDBGridBase::AtEnd() const { return data_->AllFetched() && data_->RecNo() == static_cast<int>(data_->LoadedCount()); }

bool TovDBGridBase::CanAppend() const { return data_->CanModify() && !readOnly_ && (options_ & dgEditing); }

void TovDBGridBase::ClearRecordSelection() {
  if (selected_.Clear()) update();
  selecting_ = false;
}

void TovDBGridBase::SelectCurrent(bool selected) {
  if (data_ && data_->Active() && !data_->IsEmpty() && selected_.SetSelected(data_->Bookmark(), selected)) update();
}

void TovDBGridBase::StepRecord(bool select, int direction) {
  const bool shift = modifiers_ & Qt::ShiftModifier;
  if ((options_ & dgMultiSelect) && data_->Active() && !data_->IsEmpty()) {
    if (select && shift) {
      if (!selecting_) {
        anchor_ = std::make_unique<TBookmark>(data_->Bookmark());
        SelectCurrent(true);
        selecting_ = true;
        data_->MoveBy(direction);
        SelectCurrent(true);
        return;
      }
      if (data_->CompareBookmarks(data_->Bookmark(), *anchor_) == -direction) {
        SelectCurrent(false);
        data_->MoveBy(direction);
        return;
      }
      data_->MoveBy(direction);
      SelectCurrent(true);
      return;
    }
    ClearRecordSelection();
  }
  data_->MoveBy(direction);
}

void TovDBGridBase::NextRecord(bool select) {
  const bool untouchedInsert = data_->State() == TDataSetState::dsInsert && !data_->Modified() && !linkModified_;
  if (untouchedInsert) {
    if (AtEnd()) return;
    data_->Cancel();
  } else {
    StepRecord(select, 1);
  }
  const bool append = data_->Eof() && CanAppend();
  if (data_->ApplyUpdates(0) == 0 && append) data_->Append();
}

void TovDBGridBase::PriorRecord(bool select) {
  const bool untouchedInsert = data_->State() == TDataSetState::dsInsert && !data_->Modified() && !linkModified_;
  if (untouchedInsert && AtEnd()) {
    data_->Cancel();
  } else {
    StepRecord(select, -1);
  }
  data_->ApplyUpdates(0);
}

void TovDBGridBase::MoveToField(int field, int direction) {
  StoreEditText();
  field = std::clamp(field, 0, std::max(0, MappedFieldCount() - 1));
  if (direction != 0) {
    while (field >= 0 && field < MappedFieldCount() && FieldExtent(field) <= 0) field += direction;
    if (field < 0 || field >= MappedFieldCount()) return;
  }
  if (field != currentField_) {
    if (!(options_ & dgAlwaysShowEditor)) HideEditor();
    currentField_ = field;
    if (currentField_ < firstField_) firstField_ = currentField_;
    // Bring the field into view along its axis.
    const int length = transposed_ ? height() : width() - recordBar_->width();
    while (firstField_ < currentField_ && SlotRect(0, currentField_).isValid() &&
           (transposed_ ? SlotRect(0, currentField_).bottom() : SlotRect(0, currentField_).right()) > length)
      ++firstField_;
  }
  const Qt::KeyboardModifiers mods = modifiers_;
  const bool ctrl = mods & Qt::ControlModifier;
  if (!(mods & Qt::ShiftModifier)) fieldStart_ = currentField_;
  fieldEnd_ = currentField_;
  WholeRecords() = ctrl;
  // The vertical grid deselects the current record with Ctrl held.
  SelectCurrent(transposed_ || !ctrl);
  UpdateEditor();
  update();
}

bool TovDBGridBase::ConfirmRecordDelete() {
  if (!(options_ & dgConfirmDelete)) return true;
  return MsgBox(selected_.Count() < 2 ? kConfirmOne : kConfirmMany, MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
}

void TovDBGridBase::DiscardChanges() {
  data_->CancelUpdates();
  data_->Refresh();
}

void TovDBGridBase::HandleKey(int key, Qt::KeyboardModifiers modifiers) {
  if (!data_ || !data_->Active()) return;
  modifiers_ = modifiers;
  const TAxisKeys& axis = transposed_ ? kTransposedKeys : kVerticalKeys;
  const bool ctrl = modifiers & Qt::ControlModifier;
  const bool rowSelect = options_ & dgRowSelect;
  const int last = MappedFieldCount() - 1;
  const int visible = VisibleRecords();
  const int bufferFirst = static_cast<int>(top_) + 1;
  const int bufferLast = static_cast<int>(std::min(top_ + static_cast<size_t>(visible), data_->LoadedCount()));
  const bool oneField = MappedFieldCount() <= 1 || rowSelect;
  if (key == Qt::Key_Enter) key = Qt::Key_Return;
  if (key == Qt::Key_Return) key = axis.fieldForward;
  if (key != Qt::Key_Escape && key != Qt::Key_Tab && key != Qt::Key_Backtab) StoreEditText();
  if (key == axis.recordForward) {
    if (!ctrl) return NextRecord(true);
    if (!transposed_) ClearRecordSelection();
    return data_->SetRecNo(bufferLast);
  }
  if (key == axis.recordBack) {
    if (!ctrl) return PriorRecord(true);
    if (!transposed_) ClearRecordSelection();
    return data_->SetRecNo(bufferFirst);
  }
  if (key == axis.fieldForward || key == axis.fieldBack) {
    const bool forward = key == axis.fieldForward;
    if (ctrl) {
      if (transposed_) ClearRecordSelection();
      return forward ? MoveToField(last, -1) : MoveToField(0, 1);
    }
    if (rowSelect) return forward ? NextRecord(false) : PriorRecord(false);
    return MoveToField(currentField_ + (forward ? 1 : -1), forward ? 1 : -1);
  }
  switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab: {
      if (!(options_ & dgTabs) || (modifiers & Qt::AltModifier)) return;
      StoreEditText();
      const bool back = key == Qt::Key_Backtab || (modifiers & Qt::ShiftModifier);
      if (!back && currentField_ >= last) {
        NextRecord(false);
        return MoveToField(0, 1);
      }
      if (back && currentField_ <= 0) {
        PriorRecord(false);
        return MoveToField(last, -1);
      }
      return MoveToField(currentField_ + (back ? -1 : 1), back ? -1 : 1);
    }
    case Qt::Key_PageDown:
    case Qt::Key_PageUp:
      ClearRecordSelection();
      if (ctrl) return data_->SetRecNo(key == Qt::Key_PageDown ? bufferLast : bufferFirst);
      data_->MoveBy(key == Qt::Key_PageDown ? visible : -visible);
      return;
    case Qt::Key_Home:
    case Qt::Key_End: {
      const bool end = key == Qt::Key_End;
      if (ctrl || oneField) {
        ClearRecordSelection();
        return end ? data_->Last() : data_->First();
      }
      return end ? MoveToField(last, -1) : MoveToField(0, 1);
    }
    case Qt::Key_Insert:
      if (ctrl || !CanAppend()) return;
      ClearRecordSelection();
      return data_->Insert();
    case Qt::Key_Delete:
      if (!ctrl || readOnly_ || data_->IsEmpty() || !data_->CanModify() || !ConfirmRecordDelete()) return;
      if (selected_.Count() > 0) return DeleteSelectedRecords(*data_, selected_);
      return data_->Delete();
    case Qt::Key_Escape:
      if (ctrl) return;
      if (linkModified_) {
        linkModified_ = false;
        UpdateEditor();
      } else {
        data_->Cancel();
      }
      ClearRecordSelection();
      DiscardChanges();
      if (!(options_ & dgAlwaysShowEditor)) HideEditor();
      return;
    case Qt::Key_F2:
      return SetEditorMode(true);
    default:
      return;
  }
}

bool TovDBGridBase::KeyTaken(QKeyEvent* event) {
  if (!OnKeyDown) return false;
  bool taken = false;
  Guarded([&] { taken = OnKeyDown(event->key(), event->modifiers()); });
  return taken;
}

void TovDBGridBase::keyPressEvent(QKeyEvent* event) {
  if (KeyTaken(event)) return;
  if (event->matches(QKeySequence::Copy)) return CopyToClipboard();
  if (event->matches(QKeySequence::Paste)) return Guarded([&] { PasteFromClipboard(); });
  if (StartsTyping(*event)) return;
  Guarded([&] { HandleKey(event->key(), event->modifiers()); });
}

// A character typed on a cell that may change opens its editor and becomes
// the editor's text, as F2 then the key would.
bool TovDBGridBase::StartsTyping(QKeyEvent& event) {
  const QString text = event.text();
  const bool character = !text.isEmpty() && text.at(0).isPrint() &&
                         !(event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
  if (!character || !data_ || !data_->Active() || !MayModify()) return false;
  // What was typed already stays; otherwise the first character replaces
  // the cell's text.
  if (!editor_->isVisible() || !linkModified_) Guarded([&] { SetEditorMode(true); });
  if (!editor_->isVisible()) return false;
  editor_->setFocus();
  QCoreApplication::sendEvent(editor_, &event);
  return true;
}

void TovDBGridBase::mousePressEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  const int fieldCoord = transposed_ ? at.y() : at.x();
  const int keepZone = IndicatorOffset() + (transposed_ ? kKeepSelectionH : kKeepSelectionV);
  if (event->button() == Qt::RightButton && selected_.Count() > 0 && fieldCoord < keepZone) return;
  setFocus();
  sizing_ = SizingLine(at);
  if (sizing_ >= 0) return Guarded([&] { StoreEditText(); });
  const TCellHit hit = HitTest(at);
  mouseCell_ = transposed_ ? QPoint(hit.record + TitleOffset(), DataToGridIndex(hit.field))
                           : QPoint(DataToGridIndex(hit.field), hit.record + TitleOffset());
  if (!hit.inside || !data_ || !data_->Active()) return;
  if (hit.record < 0) {
    // A title: clicked, or dragged onto another to move the item.
    if (event->button() == Qt::LeftButton) moving_ = hit.field;
    return Guarded([&] { StoreEditText(); });
  }
  modifiers_ = event->modifiers();
  Guarded([&] {
    StoreEditText();
    if (!(options_ & dgAlwaysShowEditor)) HideEditor();
    const int before = data_->RecNo();
    const int slot = before - 1 - static_cast<int>(top_);
    if (hit.record != slot) data_->MoveBy(hit.record - slot);
    if (hit.field >= 0) MoveToField(hit.field);
    const bool inIndicator = hit.field < 0;
    if (options_ & dgMultiSelect) {
      selecting_ = false;
      if (event->modifiers() & Qt::ControlModifier) {
        SelectCurrent(!selected_.IsSelected(data_->Bookmark()));
      } else {
        if (event->modifiers() & Qt::ShiftModifier) {
          selected_.Clear();
          const int now = data_->RecNo();
          const int step = now >= before ? 1 : -1;
          data_->SetRecNo(before);
          for (int n = before;; n += step) {
            SelectCurrent(true);
            if (n == now) break;
            data_->MoveBy(step);
          }
          fieldEnd_ = currentField_;
        } else {
          selected_.Clear();
          if (inIndicator) SelectCurrent(true);
        }
        WholeRecords() = inIndicator;
      }
    }
    if (event->button() == Qt::LeftButton) ShowEditor();
    if (data_->RecNo() != before) data_->ApplyUpdates(0);
    update();
  });
}

void TovDBGridBase::mouseMoveEvent(QMouseEvent* event) {
  if (sizing_ < 0) return;
  const QRect cell = SlotRect(transposed_ ? sizing_ : 0, transposed_ ? 0 : sizing_);
  SizeChanged(sizing_, std::max(1, static_cast<int>(event->position().x()) - cell.left()));
}

void TovDBGridBase::mouseReleaseEvent(QMouseEvent* event) {
  const bool sized = sizing_ >= 0;
  const int moving = moving_;
  sizing_ = moving_ = -1;
  if (sized || event->button() != Qt::LeftButton || !data_ || !data_->Active()) return;
  const TCellHit hit = HitTest(event->position().toPoint());
  if (!hit.inside || hit.field < 0) return;
  Guarded([&] {
    if (moving >= 0 && hit.record < 0 && hit.field != moving && (options_ & dgColumnResize))
      return MoveItem(moving, hit.field);
    if (hit.record < 0) {
      if (moving == hit.field && OnTitleClick) OnTitleClick(*items_[static_cast<size_t>(hit.field)]);
      return;
    }
    if (OnCellClick && Item(currentField_)) OnCellClick(*Item(currentField_));
  });
}

void TovDBGridBase::wheelEvent(QWheelEvent* event) {
  const int delta = event->angleDelta().y();
  event->accept();
  if (delta == 0 || !data_ || !data_->Active()) return;
  Guarded([&] {
    if (transposed_) {
      MoveToField(currentField_ + (delta < 0 ? 1 : -1));
    } else {
      HandleKey(delta < 0 ? Qt::Key_Down : Qt::Key_Up, Qt::NoModifier);
    }
  });
}

void TovDBGridBase::resizeEvent(QResizeEvent*) { RefreshFromData(); }

void TovDBGridBase::focusOutEvent(QFocusEvent* event) {
  QWidget::focusOutEvent(event);
  FocusLeaving();
}

// The focus left the grid and its editor: an untouched new record is
// dropped, else the edit text stored; when that fails the grid takes the
// focus back and the error is shown.
void TovDBGridBase::FocusLeaving() {
  const QWidget* next = QApplication::focusWidget();
  if (next == this || next == editor_ || !data_ || !data_->Active()) return;
  try {
    if ((options_ & dgCancelOnExit) && data_->State() == TDataSetState::dsInsert && !data_->Modified() &&
        !linkModified_) {
      data_->Cancel();
    } else {
      StoreEditText();
    }
  } catch (const std::exception& e) {
    setFocus();
    MsgBox(e.what(), MB_OK | MB_ICONERROR);
  }
}

bool TovDBGridBase::focusNextPrevChild(bool next) {
  if (options_ & dgTabs) return false;
  return QWidget::focusNextPrevChild(next);
}

void TovDBGridBase::DrawIndicator(QPainter& painter, const QRect& rect, size_t record) const {
  const bool current = record + 1 == static_cast<size_t>(data_->RecNo());
  const bool selected = selected_.IsSelected(data_->BookmarkAt(record));
  if (!current && !selected) return;
  TIndicatorImage image = kImageMultiDot;
  if (current) {
    image = data_->State() == TDataSetState::dsEdit     ? kImageEdit
            : data_->State() == TDataSetState::dsInsert ? kImageInsert
            : selected                                  ? kImageMultiArrow
                                                        : kImageArrow;
  }
  const QPixmap& pixmap = indicators_[image];
  // Against the data side of the band, centred across it.
  const QPoint at = transposed_ ? QPoint(rect.center().x() - pixmap.width() / 2,
                                         rect.bottom() - pixmap.height() - kFrameOffset)
                                : QPoint(rect.right() - pixmap.width() - kFrameOffset,
                                         rect.center().y() - pixmap.height() / 2);
  painter.drawPixmap(at, pixmap);
}

void TovDBGridBase::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().base());
  painter.fillRect(SlotRect(-1, -1), FixedColor());
  // Items changed while a layout waits may differ from the map until then.
  const int fieldCount = std::min(MappedFieldCount(), static_cast<int>(items_.size()));
  const bool open = data_ && data_->Active();
  for (int f = firstField_; f < static_cast<int>(items_.size()); ++f) {
    const QRect title = SlotRect(-1, f);
    if (title.isEmpty()) continue;
    const TColumnTitle& caption = items_[static_cast<size_t>(f)]->Title();
    painter.setBrush(caption.Color());
    painter.setFont(caption.Font());
    painter.setPen(palette().text().color());
    DrawCellText(painter, title, kCellOffset, caption.Alignment(), QString::fromStdString(caption.Caption()), kCellOffset);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(title.adjusted(0, 0, -1, -1));
  }
  if (!open) return;
  const size_t count = std::min(data_->LoadedCount(), top_ + static_cast<size_t>(VisibleRecords()));
  const bool focused = hasFocus() || editor_->hasFocus();
  const int low = std::min(fieldStart_, fieldEnd_), high = std::max(fieldStart_, fieldEnd_);
  for (size_t r = top_; r < count; ++r) {
    const int slot = static_cast<int>(r - top_);
    const QRect indicator = SlotRect(slot, -1);
    if (!indicator.isEmpty()) {
      painter.fillRect(indicator, FixedColor());
      painter.setPen(palette().text().color());
      painter.drawRect(indicator.adjusted(0, 0, -1, -1));
      DrawIndicator(painter, indicator, r);
    }
    const bool current = r + 1 == static_cast<size_t>(data_->RecNo());
    const bool selected = (options_ & dgMultiSelect) && selected_.IsSelected(data_->BookmarkAt(r));
    for (int f = firstField_; f < fieldCount; ++f) {
      const QRect cell = SlotRect(slot, f);
      if (cell.left() > width() || cell.top() > height()) break;
      if (cell.isEmpty()) continue;
      TGridItem& item = *items_[static_cast<size_t>(f)];
      const int position = MappedField(f);
      // The current cell is highlighted only outside update sections,
      // unless whole rows are selected.
      const bool currentCell = current && ((options_ & dgRowSelect) || f == currentField_) &&
                               ((options_ & dgAlwaysShowSelection) || focused) &&
                               (updateLock_ == 0 || (options_ & dgRowSelect));
      const bool inRange = WholeRecords() || (f >= low && f <= high);
      const bool highlighted = (selected || currentCell) && inRange;
      painter.setBrush(highlighted ? palette().highlight().color() : item.Color());
      painter.setPen(highlighted   ? palette().highlightedText().color()
                     : isEnabled() ? palette().text().color()
                                   : palette().color(QPalette::Disabled, QPalette::Text));
      painter.setFont(item.Font());
      if (DefaultDrawing) {
        const QString text = position < 0 ? QString() : QString::fromStdString(data_->FieldTextAt(r, position));
        DrawCellText(painter, cell, kCellOffset, item.Alignment(), text, kCellOffset);
      }
      if (OnDrawItemCell) {
        painter.save();
        OnDrawItemCell({painter, cell, f, item, r, highlighted});
        painter.restore();
      }
      painter.setBrush(Qt::NoBrush);
      painter.setPen(palette().mid().color());
      painter.drawRect(cell.adjusted(0, 0, -1, -1));
    }
  }
}

// ---- edit commands ----

void TovDBGridBase::CopyToClipboard() {
  if (!data_ || !data_->Active() || data_->IsEmpty()) return;
  Guarded([&] {
    std::string text;
    if (selected_.Count() == 0) {
      const TovField* f = CurrentField();
      if (!f) return;
      text = data_->FieldText(f->Index);
    } else {
      QApplication::setOverrideCursor(Qt::WaitCursor);
      try {
        text = SelectedRecordsText(*data_, selected_, map_.Entries(), {WholeRecords(), fieldStart_, fieldEnd_});
      } catch (...) {
        QApplication::restoreOverrideCursor();
        throw;
      }
      QApplication::restoreOverrideCursor();
    }
    QApplication::clipboard()->setText(QString::fromStdString(text));
  });
}

void TovDBGridBase::PasteFromClipboard() {
  if (!MayModify()) return;
  const std::string text = QApplication::clipboard()->text().toStdString();
  if (IsCellPaste(text)) {
    ShowEditor();
    editor_->insert(QString::fromStdString(text));
    if (data_->State() == TDataSetState::dsBrowse) data_->Edit();
    linkModified_ = true;
    return;
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  Guarded([&] {
    StoreEditText();
    PasteRecords(*data_, text);
  });
  QApplication::restoreOverrideCursor();
}

void TovDBGridBase::ClearSelection() {
  if (!MayModify()) return;
  if (selected_.Count() == 0) {
    editor_->del();
    return;
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  Guarded([&] { DeleteSelectedRecords(*data_, selected_); });
  QApplication::restoreOverrideCursor();
}

void TovDBGridBase::SelectAll() {
  const bool wholeText = editor_->selectedText().size() == editor_->text().size();
  if (editor_->isVisible() && !wholeText) {
    editor_->selectAll();
    return;
  }
  SelectAllRecords();
}

void TovDBGridBase::SelectAllRecords() {
  if (!data_ || !data_->Active()) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  Guarded([&] {
    const TovControlsOff off(*data_);
    data_->First();
    for (size_t i = 0; i < static_cast<size_t>(data_->RecordCount()); ++i)
      selected_.SetSelected(data_->BookmarkAt(i), true);
  });
  QApplication::restoreOverrideCursor();
  fieldStart_ = 0;
  fieldEnd_ = MappedFieldCount();
  update();
}

void TovDBGridBase::ReplaceSelection(const std::string& text) {
  if (!MayModify()) return;
  ShowEditor();
  editor_->insert(QString::fromStdString(text));
  if (data_->State() == TDataSetState::dsBrowse) data_->Edit();
  linkModified_ = true;
}

bool TovDBGridBase::HasSelection() const { return selected_.Count() > 0 || editor_->hasSelectedText(); }

std::string TovDBGridBase::SelectedText() const {
  // Like HasSelection: selected records win over the cell editor's text.
  if (selected_.Count() > 0) return {};
  return editor_->selectedText().toStdString();
}

// ---- TovDBGridV ----

TovDBGridV::TovDBGridV(QWidget* parent) : TovDBGridBase(false, parent) {}

int TovDBGridV::FieldExtent(int dataIndex) const {
  if (dataIndex < 0 || dataIndex >= columns_.Count()) return 0;
  return std::max(0, columns_[dataIndex].Width());
}

std::unique_ptr<TGridItem> TovDBGridV::MakeItem(bool stored) { return std::make_unique<TColumn>(*this, stored); }

// The title row is as high as the highest title font; a date-time field
// still at its default display width takes the width of the program's
// date and time formats.
void TovDBGridV::LayoutFields() {
  int titleHeight = QFontMetrics(TitleFont()).height();
  for (int i = 0; i < columns_.Count(); ++i)
    titleHeight = std::max(titleHeight, QFontMetrics(columns_[i].Title().Font()).height());
  titleExtent_ = (Options() & dgTitles) ? titleHeight + kTitlePadding : 0;
  for (int i = 0; i < columns_.Count(); ++i) {
    TovField* f = columns_[i].LiveField();
    if (f && f->DataType == TFieldType::ftDateTime && f->DisplayWidth == kDefaultDateTimeWidth &&
        !ShortDateFormat.empty())
      f->DisplayWidth = static_cast<int>(ShortDateFormat.size() + 1 + std::strlen(kShortTimeFormat));
  }
}

void TovDBGridV::SizeChanged(int dataIndex, int width) {
  if (dataIndex < 0 || dataIndex >= columns_.Count()) return;
  columns_[dataIndex].SetWidth(width);
}

// ---- TovDBGridH ----

TovDBGridH::TovDBGridH(QWidget* parent) : TovDBGridBase(true, parent) {}

int TovDBGridH::FieldExtent(int dataIndex) const {
  if (dataIndex < 0 || dataIndex >= rows_.Count() || !rows_[dataIndex].Visible()) return 0;
  return RowHeight();
}

std::unique_ptr<TGridItem> TovDBGridH::MakeItem(bool stored) { return std::make_unique<TRow>(*this, stored); }

// The title column is at least 64 pixels and as wide as the widest row title.
void TovDBGridH::LayoutFields() {
  titleExtent_ = 0;
  if (!(Options() & dgTitles)) return;
  titleExtent_ = kMinTitleWidth;
  for (int i = 0; i < rows_.Count(); ++i) {
    const TColumnTitle& title = rows_[i].Title();
    titleExtent_ = std::max(titleExtent_, QFontMetrics(title.Font()).horizontalAdvance(QString::fromStdString(title.Caption())) +
                                              kWidthPadding);
  }
}

void TovDBGridH::SetDefaultColWidth(int width) {
  defaultColWidth_ = std::max(1, width);
  UpdateLayout();
}

void TovDBGridH::SizeChanged(int, int width) { SetDefaultColWidth(width); }
