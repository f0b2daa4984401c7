#include "ui/ovdbgrid.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

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
constexpr int kMarkSize = 3;

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

// ---- TDBGridInplaceEdit ----

TDBGridInplaceEdit::TDBGridInplaceEdit(TovDBGridBase* grid) : QLineEdit(grid), grid_(grid) {
  setFrame(false);
  hide();
}

void TDBGridInplaceEdit::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  const bool whole = selectedText().size() >= text().size() || text().isEmpty();
  const bool atStart = cursorPosition() == 0 || selectionStart() == 0;
  const bool arrowOut = (key == Qt::Key_Left || key == Qt::Key_Right) && whole && atStart;
  const bool gridKey = key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Up || key == Qt::Key_Down ||
                       key == Qt::Key_PageUp || key == Qt::Key_PageDown || key == Qt::Key_Tab ||
                       key == Qt::Key_Backtab || key == Qt::Key_Escape || key == Qt::Key_Insert || key == Qt::Key_F2 ||
                       (key == Qt::Key_Delete && (event->modifiers() & Qt::ControlModifier));
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

// ---- TovDBGridBase ----

TovDBGridBase::TovDBGridBase(bool transposed, QWidget* parent)
    : QWidget(parent),
      transposed_(transposed),
      selected_([this](TBookmark a, TBookmark b) { return data_ ? data_->CompareBookmarks(a, b) : 0; }),
      editor_(new TDBGridInplaceEdit(this)),
      recordBar_(new QScrollBar(transposed ? Qt::Horizontal : Qt::Vertical, this)) {
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  connect(recordBar_, &QScrollBar::actionTriggered, this, [this](int action) { Guarded([&] { OnScroll(action); }); });
  connect(editor_, &QLineEdit::textEdited, this, [this](const QString&) {
    Guarded([&] {
      if (!MayModify()) return;
      if (data_->State() == TDataSetState::dsBrowse) data_->Edit();
      linkModified_ = true;
    });
  });
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
  Relayout();
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
  return (options_ & dgTitles) ? fontMetrics().height() + kTitlePadding : RowHeight();
}

int TovDBGridBase::VisibleRecords() const {
  const QRect area = rect();
  const int length = (transposed_ ? area.width() : area.height() - 0) - titleExtent_;
  return std::max(1, length / std::max(1, RecordExtent()));
}

void TovDBGridBase::Relayout() {
  map_.ClearFieldMapping();
  if (data_ && data_->Active())
    for (const TovField& f : data_->Fields())
      if (f.Visible) map_.AddFieldMapping(f.Index);
  LayoutFields();
  currentField_ = std::clamp(currentField_, 0, std::max(0, MappedFieldCount() - 1));
  RefreshFromData();
}

void TovDBGridBase::ActiveChanged(bool active) {
  selected_.SetLinkActive(active);
  linkModified_ = false;
  top_ = 0;
  if (!active) HideEditor();
  Relayout();
}

void TovDBGridBase::DataSetChanged() {
  linkModified_ = false;
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

QRect TovDBGridBase::CellRect(int slot, int field) const {
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
  return f && !readOnly_ && data_->CanModify() && !f->ReadOnly && !f->IsBlob() && (options_ & dgEditing);
}

void TovDBGridBase::HideEditor() {
  if (editor_->hasFocus()) setFocus();
  editor_->hide();
}

void TovDBGridBase::ShowEditor() {
  if (!data_ || !data_->Active() || data_->IsEmpty() || !CurrentField() || !(options_ & dgEditing)) return;
  const QRect cell = CellRect(data_->RecNo() - 1 - static_cast<int>(top_), currentField_);
  if (cell.isEmpty()) return;
  loadingEditor_ = true;
  const TovField* f = CurrentField();
  editor_->setMaxLength(f->IsString() && f->Size > 0 ? f->Size : std::numeric_limits<int>::max());
  editor_->setReadOnly(!MayModify());
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

void TovDBGridBase::MoveToField(int field) {
  StoreEditText();
  field = std::clamp(field, 0, std::max(0, MappedFieldCount() - 1));
  if (field != currentField_) {
    if (!(options_ & dgAlwaysShowEditor)) HideEditor();
    currentField_ = field;
    if (currentField_ < firstField_) firstField_ = currentField_;
    // Bring the field into view along its axis.
    const int length = transposed_ ? height() : width() - recordBar_->width();
    while (firstField_ < currentField_ && CellRect(0, currentField_).isValid() &&
           (transposed_ ? CellRect(0, currentField_).bottom() : CellRect(0, currentField_).right()) > length)
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
      return MoveToField(forward ? last : 0);
    }
    if (rowSelect) return forward ? NextRecord(false) : PriorRecord(false);
    return MoveToField(currentField_ + (forward ? 1 : -1));
  }
  switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab: {
      if (!(options_ & dgTabs) || (modifiers & Qt::AltModifier)) return;
      StoreEditText();
      const bool back = key == Qt::Key_Backtab || (modifiers & Qt::ShiftModifier);
      if (!back && currentField_ >= last) {
        NextRecord(false);
        return MoveToField(0);
      }
      if (back && currentField_ <= 0) {
        PriorRecord(false);
        return MoveToField(last);
      }
      return MoveToField(currentField_ + (back ? -1 : 1));
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
      return MoveToField(end ? last : 0);
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
      ShowEditor();
      editor_->setFocus();
      return;
    default:
      return;
  }
}

void TovDBGridBase::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) return CopyToClipboard();
  if (event->matches(QKeySequence::Paste)) return Guarded([&] { PasteFromClipboard(); });
  Guarded([&] { HandleKey(event->key(), event->modifiers()); });
}

void TovDBGridBase::mousePressEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  const int fieldCoord = transposed_ ? at.y() : at.x();
  const int keepZone = ((options_ & dgIndicator) ? 1 : 0) + (transposed_ ? kKeepSelectionH : kKeepSelectionV);
  if (event->button() == Qt::RightButton && selected_.Count() > 0 && fieldCoord < keepZone) return;
  setFocus();
  sizing_ = SizingLine(at);
  if (sizing_ >= 0) return Guarded([&] { StoreEditText(); });
  const TCellHit hit = HitTest(at);
  const int titleOffset = (options_ & dgTitles) ? 1 : 0, indicatorOffset = (options_ & dgIndicator) ? 1 : 0;
  mouseCell_ = transposed_ ? QPoint(hit.record + titleOffset, hit.field + indicatorOffset)
                           : QPoint(hit.field + indicatorOffset, hit.record + titleOffset);
  if (!hit.inside || !data_ || !data_->Active()) return;
  if (hit.record < 0) return Guarded([&] { StoreEditText(); });
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
  const QRect cell = CellRect(transposed_ ? sizing_ : 0, transposed_ ? 0 : sizing_);
  SizeChanged(sizing_, std::max(1, static_cast<int>(event->position().x()) - cell.left()));
}

void TovDBGridBase::mouseReleaseEvent(QMouseEvent*) { sizing_ = -1; }

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
  if (!data_ || !data_->Active() || editor_->hasFocus()) return;
  Guarded([&] {
    if ((options_ & dgCancelOnExit) && data_->State() == TDataSetState::dsInsert && !data_->Modified() &&
        !linkModified_) {
      data_->Cancel();
    } else {
      StoreEditText();
    }
  });
}

bool TovDBGridBase::focusNextPrevChild(bool next) {
  if (options_ & dgTabs) return false;
  return QWidget::focusNextPrevChild(next);
}

void TovDBGridBase::DrawIndicator(QPainter& painter, const QRect& rect, size_t record) const {
  const bool current = record + 1 == static_cast<size_t>(data_->RecNo());
  const bool selected = selected_.IsSelected(data_->BookmarkAt(record));
  if (!current && !selected) return;
  const QPoint c = rect.center();
  painter.setBrush(palette().windowText());
  if (current && data_->State() == TDataSetState::dsEdit) {
    painter.drawLine(c.x(), c.y() - kMarkSize, c.x(), c.y() + kMarkSize);
  } else if (current && data_->State() == TDataSetState::dsInsert) {
    painter.drawText(rect, Qt::AlignCenter, QStringLiteral("*"));
  } else if (current) {
    // An arrow toward the record: right in the vertical grid, down in the transposed one.
    const QPolygon arrow = transposed_ ? QPolygon({c + QPoint(-kMarkSize, -1), c + QPoint(kMarkSize, -1), c + QPoint(0, 2)})
                                       : QPolygon({c + QPoint(-1, -kMarkSize), c + QPoint(-1, kMarkSize), c + QPoint(2, 0)});
    painter.drawPolygon(arrow);
    if (selected) painter.drawEllipse(c + QPoint(transposed_ ? 0 : -kMarkSize, transposed_ ? -kMarkSize : 0), 1, 1);
  } else {
    painter.drawEllipse(c, kMarkSize / 2 + 1, kMarkSize / 2 + 1);
  }
}

void TovDBGridBase::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().base());
  const QColor fixed = palette().button().color();
  painter.fillRect(CellRect(-1, -1), fixed);
  const int fieldCount = MappedFieldCount();
  const bool open = data_ && data_->Active();
  for (int f = firstField_; f < fieldCount; ++f) {
    const QRect title = CellRect(-1, f);
    if (title.isEmpty()) continue;
    painter.fillRect(title, fixed);
    painter.drawRect(title.adjusted(0, 0, -1, -1));
    if (open) {
      const QString caption = QString::fromStdString(data_->Fields()[static_cast<size_t>(MappedField(f))].DisplayLabel);
      painter.drawText(title.adjusted(kCellOffset, 0, -kCellOffset, 0), Qt::AlignVCenter | Qt::AlignLeft, caption);
    }
  }
  if (!open) return;
  const size_t count = std::min(data_->LoadedCount(), top_ + static_cast<size_t>(VisibleRecords()));
  const bool focused = hasFocus() || editor_->hasFocus();
  const int low = std::min(fieldStart_, fieldEnd_), high = std::max(fieldStart_, fieldEnd_);
  for (size_t r = top_; r < count; ++r) {
    const int slot = static_cast<int>(r - top_);
    const QRect indicator = CellRect(slot, -1);
    if (!indicator.isEmpty()) {
      painter.fillRect(indicator, fixed);
      painter.drawRect(indicator.adjusted(0, 0, -1, -1));
      DrawIndicator(painter, indicator, r);
    }
    const bool current = r + 1 == static_cast<size_t>(data_->RecNo());
    const bool selected = (options_ & dgMultiSelect) && selected_.IsSelected(data_->BookmarkAt(r));
    for (int f = firstField_; f < fieldCount; ++f) {
      const QRect cell = CellRect(slot, f);
      if (cell.left() > width() || cell.top() > height()) break;
      const TovField& field = data_->Fields()[static_cast<size_t>(MappedField(f))];
      const bool currentCell = current && ((options_ & dgRowSelect) || f == currentField_) &&
                               ((options_ & dgAlwaysShowSelection) || focused);
      const bool inRange = WholeRecords() || (f >= low && f <= high);
      const bool highlighted = (selected || currentCell) && inRange;
      if (highlighted) painter.fillRect(cell, palette().highlight());
      painter.setPen(highlighted ? palette().highlightedText().color()
                                 : (isEnabled() ? palette().text().color() : palette().color(QPalette::Disabled, QPalette::Text)));
      const Qt::Alignment align = field.Alignment == TAlignment::taRightJustify ? Qt::AlignRight
                                  : field.Alignment == TAlignment::taCenter     ? Qt::AlignHCenter
                                                                                : Qt::AlignLeft;
      const QString text = QString::fromStdString(data_->FieldTextAt(r, field.Index));
      painter.drawText(cell.adjusted(kCellOffset, 0, -kCellOffset - 1, 0), align | Qt::AlignVCenter, text);
      painter.setPen(palette().mid().color());
      painter.drawRect(cell.adjusted(0, 0, -1, -1));
      painter.setPen(palette().text().color());
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
      text = data_->AsString(f->Index);
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
  return dataIndex >= 0 && static_cast<size_t>(dataIndex) < widths_.size() ? widths_[static_cast<size_t>(dataIndex)] : 0;
}

void TovDBGridV::LayoutFields() {
  const QFontMetrics metrics = fontMetrics();
  titleExtent_ = (Options() & dgTitles) ? metrics.height() + kTitlePadding : 0;
  widths_.clear();
  if (!DataSet() || !DataSet()->Active()) return;
  const int digit = metrics.horizontalAdvance(QLatin1Char('0'));
  for (int i = 0; i < MappedFieldCount(); ++i) {
    const TovField& f = DataSet()->Fields()[static_cast<size_t>(MappedField(i))];
    if (f.DataType == TFieldType::ftDateTime && f.DisplayWidth == kDefaultDateTimeWidth && !ShortDateFormat.empty())
      DataSet()->SetDisplayWidth(f.Index, static_cast<int>(ShortDateFormat.size() + 1 + std::strlen(kShortTimeFormat)));
    int width = f.DisplayWidth * digit + kWidthPadding;
    if (Options() & dgTitles)
      width = std::max(width, metrics.horizontalAdvance(QString::fromStdString(f.DisplayLabel)) + kWidthPadding);
    widths_.push_back(width);
  }
}

void TovDBGridV::SizeChanged(int dataIndex, int width) {
  if (dataIndex < 0 || static_cast<size_t>(dataIndex) >= widths_.size()) return;
  widths_[static_cast<size_t>(dataIndex)] = width;
  // A default column writes its width back into the field.
  const int average = std::max(1, fontMetrics().averageCharWidth());
  DataSet()->SetDisplayWidth(MappedField(dataIndex), (width + average / 2 - kWriteBackPadding) / average);
  update();
}

// ---- TovDBGridH ----

TovDBGridH::TovDBGridH(QWidget* parent) : TovDBGridBase(true, parent) {}

void TovDBGridH::LayoutFields() {
  titleExtent_ = 0;
  if (!(Options() & dgTitles)) return;
  titleExtent_ = kMinTitleWidth;
  if (!DataSet() || !DataSet()->Active()) return;
  for (int i = 0; i < MappedFieldCount(); ++i) {
    const TovField& f = DataSet()->Fields()[static_cast<size_t>(MappedField(i))];
    titleExtent_ = std::max(titleExtent_, fontMetrics().horizontalAdvance(QString::fromStdString(f.DisplayLabel)) + kWidthPadding);
  }
}

void TovDBGridH::SetDefaultColWidth(int width) {
  defaultColWidth_ = std::max(1, width);
  Relayout();
}

void TovDBGridH::SizeChanged(int, int width) { SetDefaultColWidth(width); }
