#include "editor/core/DAziverOptions.h"

#include <algorithm>

namespace {

// Clamped, then rounded down to an even number.
int EvenWithin(int value, int low, int high) {
  const int clamped = std::clamp(value, low, high);
  return clamped - clamped % 2;
}

int Pixels(int value) { return std::clamp(value, 0, kMaxOptionPixels); }

// The first character of a text, a wide one whole.
std::string FirstCharacter(const std::string& text) {
  const TCellString cells = TCellString::FromUtf8(text);
  if (cells.IsEmpty()) return {};
  return cells.Mid(0, cells.Cell(0).Type == TCellType::Lead ? 2 : 1).Utf8();
}

}  // namespace

void TEditorCursors::Assign(const TEditorCursors& source) {
  FValues = source.FValues;
  Changed();
}

void TEditorCaret::SetTabSpaceCount(int value) {
  Store(FTabSpaceCount, EvenWithin(value, kMinTabSpaceCount, kMaxTabSpaceCount));
}

void TEditorCaret::Assign(const TEditorCaret& source) {
  AutoCursor = source.AutoCursor;
  AutoIndent = source.AutoIndent;
  BackSpaceUnIndent = source.BackSpaceUnIndent;
  FreeCaret = source.FreeCaret;
  FreeRow = source.FreeRow;
  InTab = source.InTab;
  KeepCaret = source.KeepCaret;
  LockScroll = source.LockScroll;
  NextLine = source.NextLine;
  PrevSpaceIndent = source.PrevSpaceIndent;
  RowSelect = source.RowSelect;
  SelDragMode = source.SelDragMode;
  SelMove = source.SelMove;
  SoftTab = source.SoftTab;
  TabIndent = source.TabIndent;
  FCursors.Assign(source.FCursors);
  FStyle = source.FStyle;
  FTabSpaceCount = source.FTabSpaceCount;
  Changed();
}

void TEditorMargin::SetCharacter(int value) { Store(FValues.Character, Pixels(value)); }
void TEditorMargin::SetLeft(int value) { Store(FValues.Left, Pixels(value)); }
void TEditorMargin::SetLine(int value) { Store(FValues.Line, Pixels(value)); }
void TEditorMargin::SetTop(int value) { Store(FValues.Top, Pixels(value)); }

void TEditorMargin::Assign(const TEditorMargin& source) {
  FValues = source.FValues;
  Changed();
}

void TEditorMark::Assign(const TEditorMark& source) {
  FColor = source.FColor;
  FVisible = source.FVisible;
  Changed();
}

TEditorMarks::TEditorMarks() {
  for (TEditorMark& mark : FMarks) mark.OnChange = ChangedProcEvent();
}

void TEditorMarks::Assign(const TEditorMarks& source) {
  BeginUpdate();
  for (size_t i = 0; i < FMarks.size(); ++i) FMarks[i].Assign(source.FMarks[i]);
  EndUpdate();
}

void TEditorViewInfo::CreateFountain() {
  FFountain = Make<TEditorFountain>();
  FFountain->NotifyEventList().Add(ChangedProcEvent());
}

void TEditorViewInfo::SetQuotation(const std::string& value) { FFountain->SetQuotation(FirstCharacter(value)); }

void TEditorViewInfo::SetDoubleQuotation(const std::string& value) {
  FFountain->SetDoubleQuotation(FirstCharacter(value));
}

void TEditorViewInfo::Assign(TEditorViewInfo& source) {
  BeginUpdate();
  SetBrackets(source.Brackets());
  SetColors(source.Colors());
  SetCommenter(source.Commenter());
  SetControlCode(source.ControlCode());
  SetHexPrefix(source.HexPrefix());
  SetMail(source.Mail());
  SetQuotation(source.Quotation());
  SetDoubleQuotation(source.DoubleQuotation());
  SetUrl(source.Url());
  EndUpdate();
}

void TEditorRuler::SetGaugeRange(int value) {
  Store(FValues.GaugeRange, EvenWithin(value, kMinGaugeRange, kMaxGaugeRange));
}

void TEditorRuler::Assign(const TEditorRuler& source) {
  FValues = source.FValues;
  Changed();
}

void TEditorLeftbar::SetColumn(int value) { Store(FValues.Column, std::clamp(value, kMinColumn, kMaxColumn)); }
void TEditorLeftbar::SetLeftMargin(int value) { Store(FValues.LeftMargin, Pixels(value)); }
void TEditorLeftbar::SetRightMargin(int value) { Store(FValues.RightMargin, Pixels(value)); }

void TEditorLeftbar::Assign(const TEditorLeftbar& source) {
  FValues = source.FValues;
  Changed();
}

void TEditorImagebar::SetDigitWidth(int value) { Store(FValues.DigitWidth, Pixels(value)); }
void TEditorImagebar::SetLeftMargin(int value) { Store(FValues.LeftMargin, Pixels(value)); }
void TEditorImagebar::SetMarkWidth(int value) { Store(FValues.MarkWidth, Pixels(value)); }
void TEditorImagebar::SetRightMargin(int value) { Store(FValues.RightMargin, Pixels(value)); }

void TEditorImagebar::Assign(const TEditorImagebar& source) {
  FValues = source.FValues;
  Changed();
}

void TEditorSpeed::SetCaretVerticalAc(int value) { FCaretVerticalAc = std::clamp(value, kMinSpeed, kMaxSpeed); }
void TEditorSpeed::SetPageVerticalRange(int value) { FPageVerticalRange = std::clamp(value, kMinSpeed, kMaxSpeed); }
void TEditorSpeed::SetPageVerticalRangeAc(int value) {
  FPageVerticalRangeAc = std::clamp(value, kMinSpeed, kMaxSpeed);
}
