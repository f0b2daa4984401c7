#include "editor/core/heFountain.h"

#include <QChar>

#include <algorithm>
#include <stdexcept>

namespace {

const char* const kTooManyBrackets = "TFountainBracketCollection\r\nYou can not add item over 14";
const char* const kNeedFountain = "TFountainParser.Create need instance of TFountain";

// First-character classes of the cells outside ASCII; ASCII cells are their
// own class.
enum : int {
  ccNarrowSymbol = 0x80,  // other narrow characters and invalid bytes
  ccNarrowLetter,         // letters and digits outside ASCII
  ccWideSymbol,
  ccWideKana,  // full-width digits and Latin letters, hiragana, katakana
  ccKanji,
  ccHalfPunctuation,
  ccHalfKatakana,
};
constexpr int kLastAscii = 0x7F;

constexpr char32_t kLongVowel = 0x30FC;       // ー
constexpr char32_t kMinusSign = 0x2212;       // −
constexpr char32_t kFullMinus = 0xFF0D;       // － (CP932's minus)
constexpr char32_t kFullComma = 0xFF0C;       // ，
constexpr char32_t kFullFullStop = 0xFF0E;    // ．

struct TCodeRange {
  char32_t First, Last;
  bool Holds(char32_t c) const { return c >= First && c <= Last; }
};
constexpr TCodeRange kFullDigits{0xFF10, 0xFF19};
constexpr TCodeRange kFullUpper{0xFF21, 0xFF3A};
constexpr TCodeRange kFullLower{0xFF41, 0xFF5A};
constexpr TCodeRange kHiragana{0x3041, 0x3096};
constexpr TCodeRange kKatakana{0x30A1, 0x30FA};
constexpr TCodeRange kKatakanaExtension{0x31F0, 0x31FF};
constexpr TCodeRange kKanjiBlocks[] = {{0x4E00, 0x9FFF}, {0x3400, 0x4DBF}, {0xF900, 0xFAFF}};
constexpr TCodeRange kHalfPunctuation{0xFF61, 0xFF65};
constexpr TCodeRange kHalfKatakana{0xFF66, 0xFF9F};

// The run kind a wide character starts (14-17), 0 for none.
int KanaKind(char32_t c) {
  if (kFullDigits.Holds(c)) return toDBInt;
  if (kFullUpper.Holds(c) || kFullLower.Holds(c)) return toDBAlph;
  if (kHiragana.Holds(c)) return toDBHira;
  if (kKatakana.Holds(c) || kKatakanaExtension.Holds(c)) return toDBKana;
  return 0;
}

// Characters that continue a run of the kind without starting one.
bool InsideRun(int kind, char32_t c) {
  if (kind == toDBInt) return c == kFullComma || c == kFullFullStop;
  if (kind == toDBHira || kind == toDBKana) return c == kLongVowel || c == kMinusSign || c == kFullMinus;
  return false;
}

bool IsKanji(char32_t c) {
  return std::any_of(std::begin(kKanjiBlocks), std::end(kKanjiBlocks), [c](const TCodeRange& r) { return r.Holds(c); });
}

bool IsAscii(const TCell& cell) { return cell.Type == TCellType::Single && cell.Code <= kLastAscii; }
bool IsNarrowLetter(const TCell& cell) {
  return cell.Type == TCellType::Single && cell.Code > kLastAscii && cell.Code < kInvalidByteCode &&
         QChar::isLetterOrNumber(cell.Code);
}
// A set of ASCII characters, looked up by code.
struct TAsciiSet {
  std::array<bool, kLastAscii + 1> Has{};
  constexpr explicit TAsciiSet(std::string_view chars) {
    for (const char c : chars) Has[static_cast<unsigned char>(c)] = true;
  }
};

bool InAsciiSet(const TCell& cell, const TAsciiSet& set) { return IsAscii(cell) && cell.Code != 0 && set.Has[cell.Code]; }

constexpr TAsciiSet kDigits{"0123456789"};
constexpr TAsciiSet kHexDigits{"0123456789ABCDEFabcdef"};
constexpr TAsciiSet kWordChars{"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz"};
constexpr TAsciiSet kMailChars{
    "!$%&*,-./0123456789;=?@ABCDEFGHIJKLMNOPQRSTUVWXYZ^_abcdefghijklmnopqrstuvwxyz~"};
constexpr TAsciiSet kUrlChars{"#%&+-./0123456789:=?ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz~"};

bool IsDigitCell(const TCell& cell) { return InAsciiSet(cell, kDigits); }
bool IsHexCell(const TCell& cell) { return InAsciiSet(cell, kHexDigits); }
bool IsWordCell(const TCell& cell) { return InAsciiSet(cell, kWordChars) || IsNarrowLetter(cell); }
bool IsMailCell(const TCell& cell) { return InAsciiSet(cell, kMailChars); }
bool IsUrlCell(const TCell& cell) { return InAsciiSet(cell, kUrlChars); }
bool IsKanjiCell(const TCell& cell) { return cell.Type != TCellType::Single && IsKanji(cell.Code); }
bool IsHalfKatakanaCell(const TCell& cell) { return cell.Type == TCellType::Single && kHalfKatakana.Holds(cell.Code); }

char32_t FoldCase(char32_t c) { return c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c; }

}  // namespace

// ---- colours and brackets ----

void TFountainColor::SetBkColor(TColor value) {
  if (FBkColor == value) return;
  FBkColor = value;
  Changed();
}

void TFountainColor::SetColor(TColor value) {
  if (FColor == value) return;
  FColor = value;
  Changed();
}

void TFountainColor::SetStyle(TFontStyles value) {
  if (FStyle == value) return;
  FStyle = value;
  Changed();
}

void TFountainColor::Assign(const TFountainColor& source) {
  FBkColor = source.FBkColor;
  FColor = source.FColor;
  FStyle = source.FStyle;
  Changed();
}

TFountainColorItem::TFountainColorItem(TCollection* collection)
    : TCollectionItem(collection), FItemColor(std::make_unique<TFountainColor>()) {
  if (auto* notifying = dynamic_cast<TNotifyCollection*>(collection)) {
    FItemColor->OnChange = notifying->ChangedProcEvent();
  }
}

void TFountainColorItem::Assign(const TCollectionItem& source) {
  if (auto* item = dynamic_cast<const TFountainColorItem*>(&source)) FItemColor->Assign(*item->FItemColor);
}

void TFountainBracketItem::SetLeftBracket(const std::string& value) {
  if (FLeftBracket.Utf8() == value) return;
  FLeftBracket = TCellString::FromUtf8(value);
  Changed();
}

void TFountainBracketItem::SetRightBracket(const std::string& value) {
  if (FRightBracket.Utf8() == value) return;
  FRightBracket = TCellString::FromUtf8(value);
  Changed();
}

void TFountainBracketItem::Assign(const TCollectionItem& source) {
  if (auto* item = dynamic_cast<const TFountainBracketItem*>(&source)) {
    FLeftBracket = item->FLeftBracket;
    FRightBracket = item->FRightBracket;
  }
  TFountainColorItem::Assign(source);
}

TFountainBracketItem* TFountainBracketCollection::Add() {
  if (Count() >= kMaxBrackets) throw std::length_error(kTooManyBrackets);
  return static_cast<TFountainBracketItem*>(AddItem(std::make_unique<TFountainBracketItem>(this)));
}

void TFountainBracketCollection::Assign(const TFountainBracketCollection& source) {
  BeginUpdate();
  Clear();
  for (int i = 0; i < source.Count(); ++i) Add()->Assign(*source.GetItem(i));
  EndUpdate();
}

void EnumProperties(TPersistent* object, const TPropProc& proc) {
  for (const TPropInfo& prop : object->ObjectProperties()) {
    proc(object, prop);
    if (!prop.Value) continue;
    EnumProperties(prop.Value, proc);
    if (auto* collection = dynamic_cast<TCollection*>(prop.Value)) {
      for (int i = 0; i < collection->Count(); ++i) EnumProperties(collection->Item(i), proc);
    }
  }
}

// ---- the fountain ----

void TFountain::AfterConstruction() {
  TFileExtComponent::AfterConstruction();
  FNotifyEventList = std::make_unique<TNotifyEventList>(this);
  FBrackets = CreateBrackets();
  InitBrackets();
  FReserveWordList = CreateFileExtList();
  FReserveWordList->OnChange = FNotifyEventList->ChangedProcEvent();
  InitReserveWordList();
  CreateReserve();
}

std::unique_ptr<TFountainColor> TFountain::CreateFountainColor() {
  auto color = std::make_unique<TFountainColor>();
  color->OnChange = FNotifyEventList->ChangedProcEvent();
  return color;
}

void TFountain::CreateReserve() { FReserve = CreateFountainColor(); }

std::unique_ptr<TFountainBracketCollection> TFountain::CreateBrackets() {
  auto brackets = std::make_unique<TFountainBracketCollection>(this);
  brackets->OnChange = FNotifyEventList->ChangedProcEvent();
  return brackets;
}

void TFountain::SetReserveWordList(const std::vector<std::string>& words) { FReserveWordList->Assign(words); }

std::unique_ptr<TFountainParser> TFountain::CreateParser() { return GetParserClass()(this); }

void TFountain::HasItalicProc(TPersistent*, const TPropInfo& prop) {
  if (auto* color = dynamic_cast<TFountainColor*>(prop.Value); color && (color->Style() & fsItalic)) {
    FHasItalic = true;
  }
}

bool TFountain::HasItalic(TPersistent* object) {
  FHasItalic = false;
  EnumProperties(object, [this](TPersistent* instance, const TPropInfo& prop) { HasItalicProc(instance, prop); });
  return FHasItalic;
}

void TFountain::SetColorProc(TPersistent*, const TPropInfo& prop) {
  auto* color = dynamic_cast<TFountainColor*>(prop.Value);
  if (!color) return;
  if (FColorFlag & kSetBkColor) color->SetBkColor(FColor.BkColor());
  if (FColorFlag & kSetColor) color->SetColor(FColor.Color());
  if (FColorFlag & kSetStyle) color->SetStyle(FColor.Style());
}

void TFountain::WalkSetColor(TPersistent* root, const TFountainColor& color, int mask) {
  FColor.Assign(color);
  FColorFlag = mask;
  FNotifyEventList->BeginUpdate();
  EnumProperties(root, [this](TPersistent* instance, const TPropInfo& prop) { SetColorProc(instance, prop); });
  FNotifyEventList->EndUpdate();
}

// ---- the scanner ----

// What a scanner reads before its first row.
const TCellString kNoText;

TFountainParser::TFountainParser(TFountain* fountain) : FBuffer(&kNoText), FFountain(fountain) {
  if (!fountain) throw std::invalid_argument(kNeedFountain);
  InitMethodTable();
}

void TFountainParser::SetMethod(int first, int last, TProc proc) {
  for (int i = first; i <= last; ++i) FMethodTable[static_cast<size_t>(i)] = proc;
}

void TFountainParser::SetTokenMethod(int kind, TProc proc) { FTokenMethodTable[static_cast<size_t>(kind)] = proc; }

void TFountainParser::InitMethodTable() {
  SetMethod(0, kTokenKindCount - 1, &TFountainParser::SymbolProc);
  SetMethod(0, 0, &TFountainParser::NullProc);
  SetMethod('\t', '\t', &TFountainParser::TabProc);
  SetMethod('\n', '\n', &TFountainParser::LFProc);
  SetMethod('\r', '\r', &TFountainParser::CRProc);
  SetMethod('0', '9', &TFountainParser::NumberProc);
  SetMethod('A', 'Z', &TFountainParser::AnkProc);
  SetMethod('_', '_', &TFountainParser::AnkProc);
  SetMethod('a', 'z', &TFountainParser::AnkProc);
  SetMethod(ccNarrowLetter, ccNarrowLetter, &TFountainParser::AnkProc);
  SetMethod(ccWideSymbol, ccWideSymbol, &TFountainParser::DBSymbolProc);
  SetMethod(ccWideKana, ccWideKana, &TFountainParser::KanaProc);
  SetMethod(ccKanji, ccKanji, &TFountainParser::KanjiProc);
  SetMethod(ccHalfPunctuation, ccHalfPunctuation, &TFountainParser::KanaSymbolProc);
  SetMethod(ccHalfKatakana, ccHalfKatakana, &TFountainParser::KatakanaProc);

  for (int kind = 0; kind < kTokenKindCount; ++kind) SetTokenMethod(kind, &TFountainParser::SymbolProc);
  SetTokenMethod(toInteger, &TFountainParser::NumberProc);
  SetTokenMethod(toFloat, &TFountainParser::NumberProc);
  SetTokenMethod(toBracket, &TFountainParser::BracketProc);
  SetTokenMethod(toComment, &TFountainParser::CommentProc);
  SetTokenMethod(toReserve, &TFountainParser::ReserveWordProc);
  SetTokenMethod(toAnk, &TFountainParser::AnkProc);
  SetTokenMethod(toDBSymbol, &TFountainParser::DBSymbolProc);
  for (int kind = toDBInt; kind <= toDBKana; ++kind) SetTokenMethod(kind, &TFountainParser::KanaProc);
  SetTokenMethod(toDBKanji, &TFountainParser::KanjiProc);
  SetTokenMethod(toKanaSymbol, &TFountainParser::KanaSymbolProc);
  SetTokenMethod(toKana, &TFountainParser::KatakanaProc);
  SetTokenMethod(toUrl, &TFountainParser::UrlProc);
  SetTokenMethod(toMail, &TFountainParser::MailProc);
  SetTokenMethod(toHex, &TFountainParser::HexProc);
  SetTokenMethod(toSingleQuotation, &TFountainParser::SingleQuotationProc);
  SetTokenMethod(toDoubleQuotation, &TFountainParser::DoubleQuotationProc);
}

int TFountainParser::CellClass(int p) const {
  if (p >= FBuffer->Length()) return 0;
  const TCell& cell = FBuffer->Cell(p);
  if (IsAscii(cell)) return static_cast<int>(cell.Code);
  if (cell.Type == TCellType::Lead) {
    if (KanaKind(cell.Code) != 0) return ccWideKana;
    return IsKanji(cell.Code) ? ccKanji : ccWideSymbol;
  }
  if (cell.Type == TCellType::Single) {
    if (kHalfPunctuation.Holds(cell.Code)) return ccHalfPunctuation;
    if (kHalfKatakana.Holds(cell.Code)) return ccHalfKatakana;
    if (IsNarrowLetter(cell)) return ccNarrowLetter;
  }
  return ccNarrowSymbol;
}

bool TFountainParser::AtRowEnd(int p) const {
  const char32_t c = At(p);
  return c == 0 || c == '\r' || c == '\n';
}

int TFountainParser::Step(int p) const { return FBuffer->TypeAt(p) == TCellType::Lead ? 2 : 1; }

bool TFountainParser::MatchAt(int p, const TCellString& s, bool ignoreCase) const {
  if (s.IsEmpty() || p + s.Length() > FBuffer->Length()) return false;
  // Most calls fail on the first cell: tried at every token for every opener.
  const char32_t first = FBuffer->Cell(p).Code;
  if (ignoreCase ? FoldCase(first) != FoldCase(s.Cell(0).Code) : first != s.Cell(0).Code) return false;
  for (int k = 0; k < s.Length(); ++k) {
    const TCell& cell = FBuffer->Cell(p + k);
    const char32_t want = ignoreCase ? FoldCase(s.Cell(k).Code) : s.Cell(k).Code;
    if ((ignoreCase ? FoldCase(cell.Code) : cell.Code) != want || cell.Type != s.Cell(k).Type) return false;
  }
  return true;
}

void TFountainParser::SkipBlanks() {
  for (char32_t c = At(FP); (c >= 1 && c <= '\b') || (c >= '\n' && c <= ' '); c = At(++FP)) {
  }
}

int TFountainParser::Next() {
  SkipBlanks();
  FTokenPtr = FP;
  FIsContinuation = FWrappedByte != 0;
  if (AtRowEnd(FP)) FToken = toEof;
  else if (FWrappedByte != 0) WrappedTokenProc();
  else if (FBracketIndex < 0) NextToken();
  else BracketProc();
  FSourcePtr = FP;
  return FToken;
}

void TFountainParser::NextToken() {
  if (FBracketIndex < 0 && IsBracketStart()) BracketProc();
  else (this->*FMethodTable[static_cast<size_t>(CellClass(FP))])();
}

void TFountainParser::WrappedTokenProc() {
  if (FRemain > 0) {
    FToken = FWrappedByte;
    for (const int end = FTokenPtr + FRemain; FP < end && !AtRowEnd(FP);) FP += Step(FP);
    if (FToken == toBracket) {
      FLastBracketIndex = FBracketIndex;
      FBracketIndex = kNoBracket;
    }
  } else {
    (this->*FTokenMethodTable[static_cast<size_t>(FWrappedByte)])();
  }
  FWrappedByte = 0;
  FRemain = 0;
}

bool TFountainParser::IsBracketStart() {
  const TFountainBracketCollection& brackets = FFountain->Brackets();
  for (int i = 0; i < brackets.Count(); ++i) {
    const TCellString& left = brackets.GetItem(i)->LeftCells();
    if (MatchAt(FP, left, false)) {
      FBracketIndex = i;
      FP += left.Length();
      return true;
    }
  }
  return false;
}

void TFountainParser::BracketProc() {
  const TFountainBracketCollection& brackets = FFountain->Brackets();
  if (FBracketIndex < 0 || FBracketIndex >= brackets.Count() || brackets.GetItem(FBracketIndex)->RightCells().IsEmpty()) {
    FToken = toEof;
    return;
  }
  FToken = toBracket;
  FLastBracketIndex = FBracketIndex;
  const TCellString& right = brackets.GetItem(FBracketIndex)->RightCells();
  while (!AtRowEnd(FP)) {
    if (MatchAt(FP, right, false)) {
      FP += right.Length();
      FBracketIndex = kNoBracket;
      return;
    }
    FP += Step(FP);
  }
}

bool TFountainParser::IsMail() {
  if (!IsMailCell(FBuffer->Cell(FP)) || At(FP) == '@') return false;
  bool afterAt = false;
  for (int p = FP; p < FBuffer->Length(); ++p) {
    if (At(p) == '.' && afterAt) {
      FP = p + 1;
      return true;
    }
    if (!IsMailCell(FBuffer->Cell(p))) return false;
    if (At(p) == '@') afterAt = true;
  }
  return false;
}

void TFountainParser::MailProc() {
  FToken = toMail;
  PassWhile(IsMailCell);
}

bool TFountainParser::IsUrl() {
  static const TCellString kPrefixes[] = {TCellString::FromUtf8("ftp:"), TCellString::FromUtf8("http:"),
                                          TCellString::FromUtf8("https:"), TCellString::FromUtf8("www.")};
  for (const TCellString& prefix : kPrefixes) {
    if (MatchAt(FP, prefix, false)) {
      FP += prefix.Length();
      return true;
    }
  }
  return false;
}

void TFountainParser::UrlProc() {
  FToken = toUrl;
  PassWhile(IsUrlCell);
}

void TFountainParser::ReserveWordProc() {
  (this->*FMethodTable[static_cast<size_t>(CellClass(FP))])();
  FToken = toReserve;
}

void TFountainParser::NullProc() { FToken = toEof; }

void TFountainParser::TabProc() {
  FToken = toTab;
  ++FP;
}

void TFountainParser::LFProc() {
  FToken = toEof;
  ++FP;
}

void TFountainParser::CRProc() {
  FToken = toEof;
  ++FP;
  if (At(FP) == '\n') ++FP;
}

void TFountainParser::CommentProc() {
  FToken = toComment;
  while (!AtRowEnd(FP)) FP += Step(FP);
}

void TFountainParser::HexProc() {
  FToken = toHex;
  PassWhile(IsHexCell);
}

void TFountainParser::NumberProc() {
  FToken = toInteger;
  PassWhile(IsDigitCell);
  // An exponent: "E" or "e", a sign, digits.
  const auto exponentAt = [this](int p) {
    if (At(p) != 'E' && At(p) != 'e') return 0;
    const int sign = (At(p + 1) == '+' || At(p + 1) == '-') ? 1 : 0;
    return IsDigitCell(FBuffer->Cell(p + 1 + sign)) ? 1 + sign : 0;
  };
  const auto passExponent = [&] {
    if (const int head = exponentAt(FP)) {
      FToken = toFloat;
      FP += head;
      PassWhile(IsDigitCell);
    }
  };
  if (At(FP) == '.') {
    FToken = toFloat;
    const char32_t after = At(FP + 1);
    if (!((after >= '0' && after <= '9') || after == 'E' || after == 'e')) return;
    ++FP;
    PassWhile(IsDigitCell);
  }
  passExponent();
}

void TFountainParser::AnkProc() {
  FToken = toAnk;
  PassWhile(IsWordCell);
}

void TFountainParser::DBSymbolProc() {
  FToken = toDBSymbol;
  FP += Step(FP);
}

void TFountainParser::KanaProc() {
  const char32_t first = At(FP);
  const int kind = FBuffer->TypeAt(FP) == TCellType::Lead ? KanaKind(first) : 0;
  if (kind == 0) {
    DBSymbolProc();
    return;
  }
  FToken = kind;
  // The minus sign U+2212 is narrow, yet it belongs to kana runs.
  const auto inRun = [&](int p) {
    return (FBuffer->TypeAt(p) == TCellType::Lead && KanaKind(At(p)) == kind) ||
           (FBuffer->TypeAt(p) != TCellType::Trail && InsideRun(kind, At(p)));
  };
  while (inRun(FP)) FP += Step(FP);
}

void TFountainParser::KanjiProc() {
  FToken = toDBKanji;
  PassWhile(IsKanjiCell);
}

void TFountainParser::KanaSymbolProc() {
  FToken = toKanaSymbol;
  ++FP;
}

void TFountainParser::KatakanaProc() {
  FToken = toKana;
  PassWhile(IsHalfKatakanaCell);
}

void TFountainParser::SymbolProc() {
  FToken = toSymbol;
  FP += Step(FP);
}

void TFountainParser::QuotedProc(char32_t quote) {
  if (!FIsContinuation) ++FP;
  PassQuoted([quote](char32_t c) { return c == quote; });
}

void TFountainParser::SingleQuotationProc() {
  FToken = toSingleQuotation;
  QuotedProc('\'');
}

void TFountainParser::DoubleQuotationProc() {
  FToken = toDoubleQuotation;
  QuotedProc('"');
}

bool TFountainParser::IsReserveWord() {
  if (FIsContinuation || FToken == toEof || FToken == toBracket || FToken == toComment) return false;
  const TStringList& words = FFountain->ReserveWordList();
  if (words.Count() == 0) return false;
  const size_t begin = FBuffer->ByteOffset(FTokenPtr);
  return words.Contains(std::string_view(FBuffer->Utf8()).substr(begin, FBuffer->ByteOffset(FSourcePtr) - begin));
}

void TFountainParser::ReserveKind(int& kind) {
  if (IsReserveWord()) kind = toReserve;
}

const TTokenKinds& TFountainParser::WrapContinueKinds() const {
  static const TTokenKinds kinds = [] {
    TTokenKinds k;
    k.set(toComment).set(toSingleQuotation).set(toDoubleQuotation);
    return k;
  }();
  return kinds;
}

const TTokenKinds& TFountainParser::RowContinueKinds() const {
  static const TTokenKinds kinds = TTokenKinds().set(toComment);
  return kinds;
}

void TFountainParser::RowStateIn(const TCellString& text, const TRowAttributeData& state) {
  FBuffer = &text;
  FP = FTokenPtr = FSourcePtr = 0;
  FLastBracketIndex = kBracketNotComputed;
  FRowAttribute = state.RowAttribute;
  FPrevRowAttribute = state.PrevRowAttribute;
  FBracketIndex = state.BracketIndex;
  FElementIndex = state.ElementIndex;
  FRemain = state.Remain;
  FDataA = state.DataA;
  FWrappedByte = state.WrappedByte;
  FDataB = state.DataB;
  FDataStr = state.DataStr;
}

void TFountainParser::RowEndState(TRowAttributeData& state) const {
  state.BracketIndex = FBracketIndex;
  state.ElementIndex = FElementIndex;
  state.DataB = FDataB;
  state.Remain = 0;
  state.WrappedByte = 0;
}

bool TFountainParser::RowStateScans(const TCellString& own, const TRowAttributeData& state) const {
  if (RowContinueKinds().test(static_cast<size_t>(state.WrappedByte))) return false;
  for (int i = 0; i < own.Length(); ++i) {
    if (own.Cell(i).Code != ' ') return true;
  }
  return false;
}

void TFountainParser::RowStateOut(int row, const TRowAttributeStringList& rows, TRowAttributeData& state) {
  if (RowContinueKinds().test(static_cast<size_t>(state.WrappedByte))) {
    if (state.RowAttribute != raWrapped) state.WrappedByte = 0;
    state.Remain = 0;
    return;
  }
  // Rows are read into the scanner's own strings: a pass over a loaded text
  // keeps no cells of the rows.
  const TCellString& own = rows.Peek(row, FRowText);
  // A row of blanks leaves the state as it is.
  if (!RowStateScans(own, state)) return;
  const bool wrapped = state.RowAttribute == raWrapped && row + 1 < rows.GetCount();
  // Joined only for a wrapped row: copying every row would double the cost.
  if (wrapped) {
    FJoinedText = own;
    FJoinedText += rows.Peek(row + 1, FNextRowText);
  }
  RowStateIn(wrapped ? FJoinedText : own, state);
  const bool nextWrapped = row + 1 < rows.GetCount() && rows.Rows(row + 1) == raWrapped;
  while (!RowStateStep(Next(), own.Length(), nextWrapped, state)) {
  }
}

bool TFountainParser::RowStateStep(int kind, int length, bool nextWrapped, TRowAttributeData& state) {
  if (kind == toEof) {
    state.Remain = 0;
    state.WrappedByte = 0;
    return true;
  }
  state.BracketIndex = FBracketIndex;
  if (FSourcePtr <= length) {
    state.ElementIndex = FElementIndex;
    state.DataB = FDataB;
    return false;
  }
  // The token runs past the row's end.
  state.Remain = 0;
  state.WrappedByte = 0;
  if (FTokenPtr >= length) {
    state.BracketIndex = kNoBracket;
    return true;
  }
  state.ElementIndex = FElementIndex;
  const int inNextRow = FSourcePtr - length;
  if (FToken == toBracket) {
    state.BracketIndex = FLastBracketIndex;
    const TCellString& right = FFountain->Brackets().GetItem(FLastBracketIndex)->RightCells();
    if (FBracketIndex == kNoBracket && inNextRow < right.Length()) {
      state.WrappedByte = toBracket;
      state.Remain = inNextRow;
    }
    return true;
  }
  int token = FToken;
  ReserveKind(token);
  state.WrappedByte = token;
  if (!WrapContinueKinds().test(static_cast<size_t>(token)) && (FSourcePtr < FBuffer->Length() || !nextWrapped)) {
    state.Remain = inNextRow;
  }
  return true;
}
