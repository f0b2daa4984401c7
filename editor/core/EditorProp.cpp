#include "editor/core/EditorProp.h"

#include <exception>

void CopyEditorProperties(TEditorProperties& source, TEditorProperties& dest) {
  try {
    dest.SetColor(source.Color());
    dest.Caret().Assign(source.Caret());
    dest.SetFont(source.Font());
    dest.SetHitStyle(source.HitStyle());
    dest.Imagebar().Assign(source.Imagebar());
    dest.Leftbar().Assign(source.Leftbar());
    dest.Margin().Assign(source.Margin());
    dest.Marks().Assign(source.Marks());
    dest.SetReserveWordList(source.ReserveWordList().Strings());
    dest.Ruler().Assign(source.Ruler());
    dest.SetScrollBars(source.ScrollBars());
    dest.Speed().Assign(source.Speed());
    dest.View().Assign(source.View());
    // Wrap with the new width once, or unwrap before the width changes.
    if (source.WordWrap()) {
      dest.WrapOption().Assign(source.WrapOption());
      dest.SetWordWrap(true);
    } else {
      dest.SetWordWrap(false);
      dest.WrapOption().Assign(source.WrapOption());
    }
  } catch (const std::exception&) {
    // A copy that fails half-way keeps what it copied, as a user's settings
    // dialog expects; there is nobody to tell.
  }
}

void TEditorProp::AfterConstruction() {
  TFileExtComponent::AfterConstruction();
  FCaret = CreateCaret();
  FImagebar = CreateImagebar();
  FLeftbar = CreateLeftbar();
  FMargin = CreateMargin();
  FMarks = CreateMarks();
  FRuler = CreateRuler();
  FView = CreateView();
  FSpeed = CreateSpeed();
  FWrapOption = CreateWrapOption();
}

void TEditorProp::Assign(TEditorProperties& source) {
  if (auto* prop = dynamic_cast<TEditorProp*>(&source)) SetFileExtList(prop->FileExtList().Strings());
  CopyEditorProperties(source, *this);
}

void TEditorProp::AssignTo(TEditorProperties& dest) {
  if (auto* prop = dynamic_cast<TEditorProp*>(&dest)) prop->SetFileExtList(FileExtList().Strings());
  CopyEditorProperties(*this, dest);
}

template <class T>
void TEditorProp::Store(T& field, T value, const TNotifyEvent& event) {
  if (field == value) return;
  field = value;
  if (event) event(this);
}

void TEditorProp::SetColor(TColor value) { Store(FColor, value, OnColorChange); }
void TEditorProp::SetHitStyle(TEditorHitStyle value) { Store(FHitStyle, value, OnHitStyleChange); }
void TEditorProp::SetScrollBars(TScrollStyle value) { Store(FScrollBars, value, OnScrollBarsChange); }
void TEditorProp::SetWordWrap(bool value) { Store(FWordWrap, value, OnWordWrapChange); }

std::unique_ptr<TEditorCaret> TEditorProp::CreateCaret() { return Make<TEditorCaret>(); }
std::unique_ptr<TEditorImagebar> TEditorProp::CreateImagebar() { return Make<TEditorImagebar>(); }
std::unique_ptr<TEditorLeftbar> TEditorProp::CreateLeftbar() { return Make<TEditorLeftbar>(); }
std::unique_ptr<TEditorMargin> TEditorProp::CreateMargin() { return Make<TEditorMargin>(); }
std::unique_ptr<TEditorMarks> TEditorProp::CreateMarks() { return Make<TEditorMarks>(); }
std::unique_ptr<TEditorRuler> TEditorProp::CreateRuler() { return Make<TEditorRuler>(); }
std::unique_ptr<TEditorSpeed> TEditorProp::CreateSpeed() { return Make<TEditorSpeed>(); }
std::unique_ptr<TEditorViewInfo> TEditorProp::CreateView() { return Make<TEditorViewInfo>(this); }
std::unique_ptr<TEditorWrapOption> TEditorProp::CreateWrapOption() { return Make<TEditorWrapOption>(); }
