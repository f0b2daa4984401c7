#include "editor/DAziver.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QPaintEvent>
#include <QScrollBar>

#include <algorithm>

#include "editor/DAziverImages.h"
#include "editor/DAziverPaint.h"
#include "platform/gui/wingdi.h"

namespace {

constexpr TColor clWhite = 0x00FFFFFF;
constexpr TColor clBlack = 0x00000000;
// Rows the visible-rows count keeps clear below the text.
constexpr int kBottomGap = 5;
constexpr int kRulerHeightEdge = 11;
constexpr int kRulerHeight = 10;
// The left bar's edge.
constexpr int kLeftbarEdge = 2;
constexpr int kDecimal = 10;
constexpr int kCaretWidth = 2;
constexpr int kBriefCaretHeight = 2;

// Decimal digits of a positive number.
int Digits(int n) {
  int digits = 1;
  while (n >= kDecimal) {
    n /= kDecimal;
    ++digits;
  }
  return digits;
}

}  // namespace

void TEditorScreen::Update() {
  TEditor& e = FEditor;
  const TLastChange& change = e.FList->LastChange();
  if (!change.Valid) return;
  const int visible = e.FCaretModel->VisibleRows();
  const int shift = change.Inserted - change.Removed;
  if (std::abs(shift) > visible) {
    e.InvalidateTextBelow(e.TopRow());
    return;
  }
  const int first = change.Start;
  const int p = first + std::max(change.Inserted, change.Recoloured);
  const int count = e.FList->GetCount();
  e.InvalidateRows(first, p >= count ? p : p - 1);
  if (shift != 0) {
    // The rows after the change keep their pixels: they move by the rows
    // put in or taken out; Qt repaints what the move uncovers.
    const int y = std::max(e.TextTop(), e.RowTop(p));
    const int height = e.viewport()->height() - y;
    const int dy = shift * e.RowHeight();
    if (e.FImagebar->Values().Visible) e.ScrollArea(0, dy, QRect(0, y, e.FImagebarWidth, height));
    e.ScrollArea(0, dy, QRect(e.TextLeft(), y, e.viewport()->width() - e.TextLeft(), height));
    if (p >= count) e.InvalidateRows(p, p);
  }
  const TEditorLeftbar::TValues& bar = e.FLeftbar->Values();
  if (!bar.Visible || !bar.ShowNumber) return;
  // Row numbers stay where they are unless the text's end moved in the window.
  const bool endInWindow = count <= e.TopRow() + visible;
  if (bar.ShowNumberMode == nmLine || (shift != 0 && endInWindow)) e.InvalidateLeftbar(p, first + visible);
}

TEditor::TEditor(QWidget* parent) : QAbstractScrollArea(parent), FColor(clWhite) {
  resize(kDefaultWidth, kDefaultHeight);
  setFrameStyle(QFrame::Box | QFrame::Plain);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled);
  viewport()->setMouseTracking(true);
  FList = TEditorScreenStrings::Create(*this);
  FLines = std::make_unique<TEditorStrings>(*this);
  FScreen = std::make_unique<TEditorScreen>(*this);
  FView = Make<TEditorViewInfo>();
  FFont.Color = clBlack;
  FCaret = Make<TEditorCaret>();
  viewport()->setCursor(CursorOf(FCaret->Cursors().Values().DefaultCursor));
  FMarks = Make<TEditorMarks>();
  FMargin = Make<TEditorMargin>();
  FImagebar = Make<TEditorImagebar>();
  FLeftbar = Make<TEditorLeftbar>();
  FRuler = Make<TEditorRuler>();
  FSpeed = Make<TEditorSpeed>();
  for (TNotifyPersistent* option : std::initializer_list<TNotifyPersistent*>{
           FView.get(), FCaret.get(), FMarks.get(), FMargin.get(), FImagebar.get(), FLeftbar.get(), FRuler.get()}) {
    BindOption(*option);
  }
  FCaretModel = std::make_unique<TEditorCaretModel>(*FList, *FCaret, *this);
  FSelection = std::make_unique<TEditorSelection>(*FCaretModel, *this);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
          [this](int action) { ScrollBarAction(Qt::Vertical, action); });
  connect(horizontalScrollBar(), &QScrollBar::actionTriggered, this,
          [this](int action) { ScrollBarAction(Qt::Horizontal, action); });
  FBlink.setInterval(QApplication::cursorFlashTime() / 2);
  connect(&FBlink, &QTimer::timeout, this, [this] { Blink(); });
  UpdateMetrics();
  UpdateScrollRanges();
}

TEditor::~TEditor() {
  AttachFountain(FFountain, false);
  FSelection.reset();
  FCaretModel.reset();
  FList->DetacdAziver(*this);
}

void TEditor::BindOption(TNotifyPersistent& option) {
  option.OnChange = TNotifyEvent::Of<TEditor, &TEditor::PropertyChanged>(this);
}

void TEditor::SetBorderStyle(TBorderStyle value) {
  if (value == FBorderStyle) return;
  FBorderStyle = value;
  setFrameStyle(value == bsSingle ? QFrame::Box | QFrame::Plain : QFrame::NoFrame);
}

void TEditor::AttachFountain(TFountain* fountain, bool attach) {
  if (fountain == nullptr) return;
  const TNotifyEvent listener = TNotifyEvent::Of<TEditor, &TEditor::PropertyChanged>(this);
  if (attach) {
    fountain->NotifyEventList().Add(listener);
  } else {
    fountain->NotifyEventList().Remove(listener);
  }
}

void TEditor::SetImageList(QPointer<TImageList>& field, TImageList* value) {
  if (field == value) return;
  if (field != nullptr) disconnect(field, &QObject::destroyed, this, nullptr);
  field = value;
  const auto repaint = [this] {
    if (FImagebar->Values().Visible) viewport()->update();
  };
  if (value != nullptr) connect(value, &QObject::destroyed, this, repaint);
  repaint();
}

void TEditor::SetFountain(TFountain* value) {
  if (value == FFountain) return;
  AttachFountain(FFountain, false);
  FFountain = value;
  AttachFountain(FFountain, true);
  FList->InitRowStates();
  viewport()->update();
}

TFountain* TEditor::ActiveFountain() { return FFountain != nullptr ? FFountain : &FView->Fountain(); }

void TEditor::SetUndoListMax(int value) { FList->UndoObj().SetUndoLimit(std::max(kMinUndoListMax, value)); }

void TEditor::SetReserveWordList(const std::vector<std::string>& words) {
  TStringList& list = ReserveWordList();
  TStringList given;
  given.Assign(words);
  if (given.Strings() == list.Strings()) return;
  list.Assign(words);
  FList->InitRowStates();
  viewport()->update();
}

void TEditor::SetColor(TColor value) {
  FColor = value;
  viewport()->update();
}

void TEditor::SetFont(const TEditorFont& value) {
  FFont = value;
  if (FCaretModel->TopCol() > 0) SetCol(0);
  UpdateMetrics();
  UpdateScrollRanges();
  CaretMoved();
  viewport()->update();
}

void TEditor::SetScrollBars(TScrollStyle value) {
  if (value == FScrollBars) return;
  FScrollBars = value;
  const bool horizontal = value == ssHorizontal || value == ssBoth;
  const bool vertical = value == ssVertical || value == ssBoth;
  setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  UpdateMetrics();
  UpdateScrollRanges();
}

void TEditor::PropertyChanged(TObject* sender) {
  if (sender == FMarks.get()) FMargin->SetUnderline(FMarks->Underline().Visible() ? 1 : 0);
  if (sender == FView.get() || sender == FFountain) FList->InitRowStates();
  UpdateMetrics();
  UpdateScrollRanges();
  viewport()->update();
  if (sender != FCaret.get()) FCaretModel->ScrollCaretIntoView();
  CaretMoved();
}

void TEditor::ShareText(TEditor& other) {
  if (other.FList == FList) return;
  FSelection->CleanSelection();
  TEditorScreenStrings* shared = other.FList;
  // Detaching may free the old list: the caret model goes with it.
  FSelection.reset();
  FCaretModel.reset();
  FList->DetacdAziver(*this);
  FList = shared;
  FList->AttacdAziver(*this);
  FCaretModel = std::make_unique<TEditorCaretModel>(*FList, *FCaret, *this);
  FSelection = std::make_unique<TEditorSelection>(*FCaretModel, *this);
  Refresh();
}

int TEditor::TextLeft() const {
  return FMargin->Values().Left + (FImagebar->Values().Visible ? FImagebarWidth : 0) +
         (FLeftbar->Values().Visible ? FLeftbarWidth : 0);
}

int TEditor::TextTop() const { return FMargin->Values().Top + (FRuler->Values().Visible ? FRulerHeight : 0); }

int TEditor::RowHeight() const { return FCellHeight + FMargin->Values().Line + FMargin->Values().Underline; }

bool TEditor::UpdateNumberDigits() {
  const TEditorLeftbar::TValues& bar = FLeftbar->Values();
  int largest = bar.ShowNumberMode == nmLine ? RowToLine(*FList, FList->GetCount()) + 1 : GetCaretRowCount(*FList);
  if (bar.ZeroBase) largest = std::max(0, largest - 1);
  const int digits = std::max(bar.Column, Digits(largest));
  if (digits == FNumberDigits) return false;
  FNumberDigits = digits;
  return true;
}

void TEditor::UpdateBarWidths() {
  const TEditorImagebar::TValues& image = FImagebar->Values();
  FImagebarWidth = image.Visible ? image.LeftMargin + image.DigitWidth + image.MarkWidth + image.RightMargin : 0;
  UpdateNumberDigits();
  const TEditorLeftbar::TValues& bar = FLeftbar->Values();
  FLeftbarWidth = bar.Visible ? bar.LeftMargin + FNumberDigits * FCellWidth + bar.RightMargin + kLeftbarEdge : 0;
  const TEditorRuler::TValues& ruler = FRuler->Values();
  FRulerHeight = !ruler.Visible ? 0 : ruler.Edge ? kRulerHeightEdge : kRulerHeight;
}

void TEditor::UpdateMetrics() {
  const QFontMetrics metrics(platform::FontFace(FFont.Name, FFont.Size));
  FCellHeight = metrics.height() + metrics.leading();
  FCellWidth = std::max(1, metrics.averageCharWidth() + FMargin->Values().Character);
  UpdateBarWidths();
  const QSize size = viewport()->size();
  FCaretModel->SetVisible((size.height() - TextTop() - kBottomGap) / RowHeight(),
                          (size.width() - TextLeft() - FCellWidth / 2) / FCellWidth);
}

void TEditor::UpdateScrollRanges() {
  TEditorCaretModel& m = *FCaretModel;
  m.SetVisible(m.VisibleRows(), m.VisibleCols());
  FScrollMax = TEditorCaretModel::kScrollMax;
  QScrollBar* vertical = verticalScrollBar();
  vertical->setRange(0, std::max(m.VisibleRows(), m.MaxTopRow()) - m.VisibleRows());
  vertical->setPageStep(m.VisibleRows());
  vertical->setValue(m.TopRow());
  QScrollBar* horizontal = horizontalScrollBar();
  horizontal->setRange(0, m.VisibleCols() / 2 + FScrollMax - m.VisibleCols());
  horizontal->setPageStep(m.VisibleCols());
  horizontal->setValue(m.TopCol());
}

void TEditor::ScrollBarAction(Qt::Orientation orientation, int action) {
  QScrollBar* bar = orientation == Qt::Vertical ? verticalScrollBar() : horizontalScrollBar();
  TScrollCode code = scThumbTrack;
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub: code = scLineUp; break;
    case QAbstractSlider::SliderSingleStepAdd: code = scLineDown; break;
    case QAbstractSlider::SliderPageStepSub: code = scPageUp; break;
    case QAbstractSlider::SliderPageStepAdd: code = scPageDown; break;
    case QAbstractSlider::SliderToMinimum: code = scTop; break;
    case QAbstractSlider::SliderToMaximum: code = scBottom; break;
    default: break;
  }
  if (orientation == Qt::Vertical) {
    FCaretModel->VScroll(code, bar->sliderPosition());
  } else {
    FCaretModel->HScroll(code, bar->sliderPosition());
  }
  // The model decides the position; the bar only asks.
  bar->setSliderPosition(orientation == Qt::Vertical ? TopRow() : TopCol());
}

// Scrolling is the caret model's: the bar's own value changes move nothing.
void TEditor::scrollContentsBy(int, int) {}

void TEditor::SetRow(int row) {
  CaretBeginUpdate();
  FCaretModel->SetRow(row);
  CaretEndUpdate();
}

void TEditor::SetCol(int col) { FCaretModel->SetCol(col); }

void TEditor::SetRowCol(int row, int col) { FCaretModel->SetRowCol(row, col); }

void TEditor::PageMove(int n) {
  CaretHide();
  FCaretModel->PageMove(n);
  CaretShow();
}

void TEditor::SetSelStart(int value) { FSelection->SetSelStart(value); }

void TEditor::SetSelLength(int value) { FSelection->SetSelLength(value); }

void TEditor::SelectAll() {
  CaretHide();
  FSelection->SelectAll();
  CaretShow();
}

void TEditor::CaretHide() {
  if (++FCaretHideCount == 1) HideCaretNow();
}

void TEditor::CaretShow() {
  FCaretHideCount = std::max(0, FCaretHideCount - 1);
  if (FCaretHideCount == 0) ShowCaretNow();
}

void TEditor::HideCaretNow() {
  if (!FCaretShown) return;
  FCaretShown = false;
  FBlink.stop();
  viewport()->update(FPaintedCaret);
}

void TEditor::ShowCaretNow() {
  if (FCaretHideCount > 0 || !hasFocus() || FCaretShown || FCaretModel->CaretOutOfView()) return;
  FCaretShown = true;
  FBlinkOn = true;
  FBlink.start();
  viewport()->update(CaretRect());
}

void TEditor::Blink() {
  FBlinkOn = !FBlinkOn;
  viewport()->update(FPaintedCaret);
  viewport()->update(CaretRect());
}

QRect TEditor::CaretRect() const {
  const int x = TextLeft() + (FCaretModel->Col() - FCaretModel->TopCol()) * FCellWidth;
  const int y = TextTop() + (FCaretModel->Row() - FCaretModel->TopRow()) * RowHeight();
  if (FCaret->Style() == csDefault) return {x, y, kCaretWidth, FCellHeight};
  const int w = FCellWidth - FMargin->Values().Character;
  const bool lead = GetRowAttrText(*FList, Row()).substr(0, static_cast<size_t>(Col()) + 1).ends_with(kAttrLead);
  return {x, y + FCellHeight - kBriefCaretHeight, lead ? 2 * w : w, kBriefCaretHeight};
}

void TEditor::CaretMoved() {
  if (hasFocus()) FCaretModel->ScrollCaretIntoView();
  viewport()->update(FPaintedCaret);
  viewport()->update(CaretRect());
  FBlinkOn = true;
  if (hasFocus()) QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle);
  ShowCaretNow();
  if (OnCaretMoved) OnCaretMoved();
}

void TEditor::CaretBeginUpdate() {
  if (FUnderlineLock++ == 0 && FMarks->Underline().Visible()) InvalidateRows(Row() - 1, Row() + 1);
}

void TEditor::CaretEndUpdate() {
  FUnderlineLock = std::max(0, FUnderlineLock - 1);
  if (FUnderlineLock == 0 && FMarks->Underline().Visible()) InvalidateRows(Row() - 1, Row() + 1);
}

QVariant TEditor::inputMethodQuery(Qt::InputMethodQuery query) const {
  if (query == Qt::ImCursorRectangle) return CaretRect();
  if (query == Qt::ImFont) return platform::FontFace(FFont.Name, FFont.Size);
  return QAbstractScrollArea::inputMethodQuery(query);
}

void TEditor::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  CaretMoved();
}

void TEditor::focusOutEvent(QFocusEvent* event) {
  HideCaretNow();
  QAbstractScrollArea::focusOutEvent(event);
}

void TEditor::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateMetrics();
  UpdateScrollRanges();
  viewport()->update();
}

void TEditor::SetLinesUpdating(bool updating) { viewport()->setUpdatesEnabled(!updating); }

void TEditor::InvalidateRows(int first, int last) {
  const int top = TopRow();
  const int from = std::max(first, top);
  const int to = std::min(last, top + FCaretModel->VisibleRows());
  if (from > to) return;
  const int y = TextTop() + (from - top) * RowHeight();
  viewport()->update(0, y, viewport()->width(), (to - from + 1) * RowHeight());
}

int TEditor::RowTop(int row) const { return TextTop() + (row - TopRow()) * RowHeight(); }

void TEditor::InvalidateLeftbar(int first, int last) {
  const int from = std::max(first, TopRow());
  const int to = std::min(last, TopRow() + FCaretModel->VisibleRows());
  if (from > to) return;
  const int left = TextLeft() - FMargin->Values().Left - FLeftbarWidth;
  viewport()->update(left, RowTop(from), FLeftbarWidth, (to - from + 1) * RowHeight());
}

void TEditor::ScrollArea(int dx, int dy, const QRect& rect) {
  if (rect.isEmpty()) return;
  viewport()->scroll(dx, dy, rect);
  // The caret's pixels went with the rest.
  if (rect.intersects(FPaintedCaret)) FPaintedCaret.translate(dx, dy);
}

void TEditor::InvalidateTextBelow(int row) {
  const int y = TextTop() + std::max(0, row - TopRow()) * RowHeight();
  viewport()->update(0, y, viewport()->width(), viewport()->height() - y);
}

void TEditor::InvalidateRow(int row) { InvalidateRows(row, row); }

void TEditor::RepaintRows(int first, int last) { InvalidateRows(first, last); }

void TEditor::Refresh() {
  UpdateMetrics();
  UpdateScrollRanges();
  viewport()->update();
}

void TEditor::DoChange() {
  FScreen->Update();
  const int oldLeft = TextLeft();
  if (FLeftbar->Values().Visible && FLeftbar->Values().ShowNumber && UpdateNumberDigits()) {
    UpdateMetrics();
    if (TextLeft() != oldLeft) viewport()->update();
  }
  UpdateScrollRanges();
  if (FList->LastChange().Valid) {
    FModified = true;
    if (OnChange) OnChange();
  }
  if (OnTextChange) OnTextChange();
}

void TEditor::RulerMarkMoved(int oldCol, int newCol) {
  if (!FRuler->Values().Visible) return;
  for (const int col : {oldCol, newCol}) {
    viewport()->update(TextLeft() + (col - TopCol()) * FCellWidth, 0, FCellWidth, TextTop());
  }
}

void TEditor::TopRowChanged(int oldRow) {
  CaretBeginUpdate();
  const int limit = FCaretModel->VisibleRows() + 1;
  const int rows = std::clamp(oldRow - TopRow(), -limit, limit);
  ScrollArea(0, rows * RowHeight(), QRect(0, TextTop(), viewport()->width(), viewport()->height() - TextTop()));
  verticalScrollBar()->setValue(TopRow());
  if (hasFocus()) QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle);
  if (OnTopRowChange) OnTopRowChange();
  CaretEndUpdate();
}

void TEditor::TopColChanged(int oldCol) {
  const int dx = (oldCol - TopCol()) * FCellWidth;
  if (std::abs(dx) >= viewport()->width()) {
    viewport()->update();
  } else {
    ScrollArea(dx, 0, QRect(TextLeft(), 0, viewport()->width() - TextLeft(), viewport()->height()));
  }
  horizontalScrollBar()->setValue(TopCol());
  if (hasFocus()) QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle);
  if (OnTopColChange) OnTopColChange();
}

void TEditor::SelectionChanged(bool selected) {
  if (OnSelectionChange) OnSelectionChange(selected);
}

void TEditor::SelectionModeChanged() {
  viewport()->update();
  if (OnSelectionModeChange) OnSelectionModeChange();
}

void TEditor::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  const TEditorPaintFrame frame{*FList,        *FSelection,         *this,          ActiveFountain(), FCellWidth,
                                FCellHeight,   RowHeight(),         TextLeft(),     TextTop(),        TopRow(),
                                TopCol(),      viewport()->width(), viewport()->height(), FLeftbarWidth, FNumberDigits,
                                Row(),         Col(),               CaretDrawn(),   CaretRect(),      OnDrawLine,
                                FImageDigits,  FImageMarks};
  TEditorPainter(frame, painter).Paint(event->rect());
  if (event->rect().contains(FPaintedCaret)) FPaintedCaret = {};
  if (CaretDrawn()) FPaintedCaret = FPaintedCaret.united(CaretRect() & event->rect());
}
