#include "editor/core/EditorFountain.h"

namespace {

// Default selection: navy background, white text.
constexpr TColor kSelectBkColor = 0x800000;
constexpr TColor kSelectColor = 0xFFFFFF;

// Published names, in order, of the owned colours; Reserve stands between
// Mail and Select.
constexpr const char* kOwnedNames[TEditorColors::ecOwnedCount] = {"Ank", "Comment", "DBCS",   "Hit",    "Int",
                                                                   "Mail", "Select", "Str", "Symbol", "Url"};
constexpr int kReservePosition = TEditorColors::ecSelect;

bool SameText(const std::string& a, const char* b) { return CompareText(a, b) == 0; }

}  // namespace

TEditorColors::TEditorColors(TFountainColor* reserve) : FReserve(reserve) {
  for (auto& color : FColors) {
    color = std::make_unique<TEditorColor>();
    color->OnChange = ChangedProcEvent();
  }
  BeginUpdate();
  Select().SetBkColor(kSelectBkColor);
  Select().SetColor(kSelectColor);
  EndUpdate();
}

void TEditorColors::Assign(TEditorColors& source) {
  BeginUpdate();
  for (int i = 0; i < ecOwnedCount; ++i) FColors[static_cast<size_t>(i)]->Assign(*source.FColors[static_cast<size_t>(i)]);
  // The reserved-word colour reports to the broadcaster itself: hold its
  // report so that the copy ends in one notification.
  const TNotifyEvent report = FReserve->OnChange;
  FReserve->OnChange = {};
  FReserve->Assign(*source.FReserve);
  FReserve->OnChange = report;
  EndUpdate();
}

std::vector<TPropInfo> TEditorColors::ObjectProperties() {
  std::vector<TPropInfo> props;
  for (int i = 0; i < ecOwnedCount; ++i) {
    if (i == kReservePosition) props.push_back({"Reserve", FReserve});
    props.push_back({kOwnedNames[i], FColors[static_cast<size_t>(i)].get()});
  }
  return props;
}

template <class Set>
void TEditorBracketCollection::SetOnEveryItem(Set set) {
  BeginUpdate();
  for (int i = 0; i < Count(); ++i) set(GetItem(i)->ItemColor());
  EndUpdate();
}

void TEditorBracketCollection::SetBkColor(TColor value) {
  SetOnEveryItem([value](TFountainColor& c) { c.SetBkColor(value); });
}

void TEditorBracketCollection::SetColor(TColor value) {
  SetOnEveryItem([value](TFountainColor& c) { c.SetColor(value); });
}

void TEditorBracketCollection::SetStyle(TFontStyles value) {
  SetOnEveryItem([value](TFountainColor& c) { c.SetStyle(value); });
}

void TEditorFountain::AfterConstruction() {
  TFountain::AfterConstruction();
  CreateEditorColors();
}

void TEditorFountain::CreateEditorColors() {
  FColors = std::make_unique<TEditorColors>(&Reserve());
  FColors->OnChange = NotifyEventList().ChangedProcEvent();
}

std::unique_ptr<TFountainBracketCollection> TEditorFountain::CreateBrackets() {
  auto brackets = std::make_unique<TEditorBracketCollection>(this);
  brackets->OnChange = NotifyEventList().ChangedProcEvent();
  return brackets;
}

TFountainParserClass TEditorFountain::GetParserClass() {
  return [](TFountain* fountain) -> std::unique_ptr<TFountainParser> {
    return std::make_unique<TEditorParser>(static_cast<TEditorFountain*>(fountain));
  };
}

void TEditorFountain::SetColorProc(TPersistent* instance, const TPropInfo& prop) {
  if (SameText(prop.Name, kOwnedNames[TEditorColors::ecSelect]) || SameText(prop.Name, kOwnedNames[TEditorColors::ecHit])) {
    return;
  }
  TFountain::SetColorProc(instance, prop);
}

void TEditorFountain::SetAllBkColor(TColor value) {
  TFountainColor color;
  color.SetBkColor(value);
  WalkSetColor(FColors.get(), color, kSetBkColor);
}

void TEditorFountain::SetAllColor(TColor value) {
  TFountainColor color;
  color.SetColor(value);
  WalkSetColor(FColors.get(), color, kSetColor);
}

void TEditorFountain::SetAllStyle(TFontStyles value) {
  TFountainColor color;
  color.SetStyle(value);
  WalkSetColor(FColors.get(), color, kSetStyle);
}

std::vector<TPropInfo> TEditorFountain::ObjectProperties() {
  std::vector<TPropInfo> props = TFountain::ObjectProperties();
  props.push_back({"Colors", FColors.get()});
  return props;
}

void TEditorFountain::SetCellProperty(TCellString& field, const std::string& value) {
  if (field.Utf8() == value) return;
  field = TCellString::FromUtf8(value);
  NotifyEventList().Changed();
}

void TEditorFountain::SetFlagProperty(bool& field, bool value) {
  if (field == value) return;
  field = value;
  NotifyEventList().Changed();
}

// ---- the scanner ----

TEditorParser::TEditorParser(TEditorFountain* fountain) : TFountainParser(fountain), FEditorFountain(fountain) {
  InitMethodTable();
}

void TEditorParser::InitMethodTable() {
  TFountainParser::InitMethodTable();
  SetTokenMethod(toQuotation, static_cast<TProc>(&TEditorParser::QuotationProc));
  SetTokenMethod(toControlCode, static_cast<TProc>(&TEditorParser::ControlCodeProc));
  SetTokenMethod(toHexControlCode, static_cast<TProc>(&TEditorParser::HexControlCodeProc));
}

void TEditorParser::NextToken() {
  if (FBracketIndex < 0 && IsBracketStart()) BracketProc();
  else if (FEditorFountain->Mail() && IsMail()) MailProc();
  else if (FEditorFountain->Url() && IsUrl()) UrlProc();
  else if (IsCommenter()) CommentProc();
  else if (IsQuotation()) QuotationProc();
  else if (IsHexControlCode()) HexControlCodeProc();
  else if (IsControlCode()) ControlCodeProc();
  else if (IsHexPrefix()) HexProc();
  else (this->*FMethodTable[static_cast<size_t>(CellClass(FP))])();
}

bool TEditorParser::IsCommenter() {
  const TCellString& commenter = FEditorFountain->CommenterCells();
  if (!MatchAt(FP, commenter, false)) return false;
  FP += commenter.Length();
  return true;
}

bool TEditorParser::IsQuotationChar(char32_t c) const {
  const TCellString& single = FEditorFountain->QuotationCells();
  const TCellString& dual = FEditorFountain->DoubleQuotationCells();
  return c != 0 && ((!single.IsEmpty() && c == single.Cell(0).Code) || (!dual.IsEmpty() && c == dual.Cell(0).Code));
}

bool TEditorParser::IsQuotation() {
  if (!IsQuotationChar(At(FP))) return false;
  FP += Step(FP);
  return true;
}

void TEditorParser::QuotationProc() {
  if (FEditorFountain->QuotationCells().IsEmpty() || FEditorFountain->DoubleQuotationCells().IsEmpty()) {
    FToken = toEof;
    return;
  }
  FToken = toQuotation;
  PassQuoted([this](char32_t c) { return IsQuotationChar(c); });
}

bool TEditorParser::IsHexControlCode() {
  if (!FEditorFountain->ControlCode() || At(FP) != '#' || At(FP + 1) != '$') return false;
  FP += 2;
  return true;
}

void TEditorParser::HexControlCodeProc() {
  HexProc();
  FToken = toHexControlCode;
}

bool TEditorParser::IsControlCode() {
  if (!FEditorFountain->ControlCode() || At(FP) != '#') return false;
  ++FP;
  return true;
}

void TEditorParser::ControlCodeProc() {
  FToken = toControlCode;
  while (At(FP) >= '0' && At(FP) <= '9') ++FP;
}

bool TEditorParser::IsHexPrefix() {
  const TCellString& prefix = FEditorFountain->HexPrefixCells();
  if (!MatchAt(FP, prefix, true)) return false;
  FP += prefix.Length();
  return true;
}

TFountainColor* TEditorParser::TokenToFountainColor() {
  TEditorColors& colors = FEditorFountain->Colors();
  if (IsReserveWord()) return &colors.Reserve();
  switch (FToken) {
    case toSymbol:
      return &colors.Symbol();
    case toInteger:
    case toFloat:
    case toHex:
      return &colors.Int();
    case toBracket: {
      const TFountainBracketCollection& brackets = FEditorFountain->Brackets();
      if (FLastBracketIndex < 0 || FLastBracketIndex >= brackets.Count()) return nullptr;
      return &brackets.GetItem(FLastBracketIndex)->ItemColor();
    }
    case toComment:
      return &colors.Comment();
    case toReserve:
      return &colors.Reserve();
    case toAnk:
      return &colors.Ank();
    case toDBSymbol:
    case toDBInt:
    case toDBAlph:
    case toDBHira:
    case toDBKana:
    case toDBKanji:
    case toKanaSymbol:
    case toKana:
      return &colors.DBCS();
    case toUrl:
      return &colors.Url();
    case toMail:
      return &colors.Mail();
    case toQuotation:
    case toControlCode:
    case toHexControlCode:
      return &colors.Str();
    default:
      return nullptr;
  }
}
