// heFountain: table-driven syntax colouring. A fountain holds what a
// language's colouring needs (bracket regions, reserved words and their
// colour) and makes a scanner that cuts one display row at a time into
// tokens, carrying a small state from one row's end to the next row's start.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "editor/core/heCells.h"
#include "editor/core/heClasses.h"
#include "editor/core/heRaStrings.h"

// Colours are kept as 0x00BBGGRR; clNone: no colour of its own.
using TColor = uint32_t;
inline constexpr TColor clNone = 0x1FFFFFFF;

enum TFontStyle : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = uint8_t;

class TFountainColor : public TNotifyPersistent {
 public:
  TColor BkColor() const { return FBkColor; }
  void SetBkColor(TColor value);
  TColor Color() const { return FColor; }
  void SetColor(TColor value);
  TFontStyles Style() const { return FStyle; }
  void SetStyle(TFontStyles value);
  void Assign(const TFountainColor& source);

 private:
  TColor FBkColor = clNone;
  TColor FColor = clNone;
  TFontStyles FStyle = 0;
};

class TFountainColorItem : public TCollectionItem {
 public:
  explicit TFountainColorItem(TCollection* collection);
  TFountainColor& ItemColor() { return *FItemColor; }
  void SetItemColor(const TFountainColor& value) { FItemColor->Assign(value); }
  void Assign(const TCollectionItem& source) override;
  std::vector<TPropInfo> ObjectProperties() override { return {{"ItemColor", FItemColor.get()}}; }

 private:
  std::unique_ptr<TFountainColor> FItemColor;
};

class TFountainBracketItem : public TFountainColorItem {
 public:
  using TFountainColorItem::TFountainColorItem;
  std::string LeftBracket() const { return FLeftBracket.Utf8(); }
  void SetLeftBracket(const std::string& value);
  std::string RightBracket() const { return FRightBracket.Utf8(); }
  void SetRightBracket(const std::string& value);
  // The brackets as the scanner matches them.
  const TCellString& LeftCells() const { return FLeftBracket; }
  const TCellString& RightCells() const { return FRightBracket; }
  void Assign(const TCollectionItem& source) override;

 private:
  TCellString FLeftBracket;
  TCellString FRightBracket;
};

class TFountainBracketCollection : public TNotifyCollection {
 public:
  // A row word keeps the bracket index + 2 in four bits.
  static constexpr int kMaxBrackets = 14;

  using TNotifyCollection::TNotifyCollection;
  TFountainBracketItem* Add();
  TFountainBracketItem* GetItem(int index) const { return static_cast<TFountainBracketItem*>(Item(index)); }
  void Assign(const TFountainBracketCollection& source);
};

// Calls `proc` for every class-type published property of the object, then
// walks into its value and, for a collection, into each item.
using TPropProc = std::function<void(TPersistent* instance, const TPropInfo& prop)>;
void EnumProperties(TPersistent* object, const TPropProc& proc);

class TFountainParser;
using TFountainParserClass = std::unique_ptr<TFountainParser> (*)(class TFountain* fountain);

class TFountain : public TFileExtComponent {
 public:
  // Masks of the colour-setting walk.
  static constexpr int kSetBkColor = 1;
  static constexpr int kSetColor = 2;
  static constexpr int kSetStyle = 4;

  void AfterConstruction() override;

  TFountainBracketCollection& Brackets() { return *FBrackets; }
  void SetBrackets(const TFountainBracketCollection& value) { FBrackets->Assign(value); }
  TFountainColor& Reserve() { return *FReserve; }
  void SetReserve(const TFountainColor& value) { FReserve->Assign(value); }
  TStringList& ReserveWordList() { return *FReserveWordList; }
  void SetReserveWordList(const std::vector<std::string>& words);
  // The broadcaster editors listen to.
  TNotifyEventList& NotifyEventList() { return *FNotifyEventList; }

  virtual std::unique_ptr<TFountainColor> CreateFountainColor();
  virtual void CreateReserve();
  virtual std::unique_ptr<TFountainBracketCollection> CreateBrackets();
  virtual TFountainParserClass GetParserClass() = 0;
  virtual void InitBrackets() {}
  virtual void InitReserveWordList() {}
  virtual void HasItalicProc(TPersistent* instance, const TPropInfo& prop);
  virtual void SetColorProc(TPersistent* instance, const TPropInfo& prop);
  std::unique_ptr<TFountainParser> CreateParser();
  bool HasItalic(TPersistent* object);

  std::vector<TPropInfo> ObjectProperties() override {
    return {{"Brackets", FBrackets.get()}, {"Reserve", FReserve.get()}, {"ReserveWordList", FReserveWordList.get()}};
  }

 protected:
  // Sets the masked parts of `color` on every colour reachable from `root`,
  // inside one update of the broadcaster.
  void WalkSetColor(TPersistent* root, const TFountainColor& color, int mask);

 private:
  std::unique_ptr<TNotifyEventList> FNotifyEventList;
  std::unique_ptr<TFountainBracketCollection> FBrackets;
  std::unique_ptr<TFountainColor> FReserve;
  std::unique_ptr<TStringList> FReserveWordList;
  bool FHasItalic = false;
  TFountainColor FColor;
  int FColorFlag = 0;
};

inline constexpr int kTokenKindCount = 256;
using TTokenKinds = std::bitset<kTokenKindCount>;

// Token kinds.
enum : int {
  toEof = 0,
  toSymbol = 1,
  toInteger = 3,
  toFloat = 4,
  toBracket = 6,
  toComment = 7,
  toReserve = 8,
  toTab = 9,
  toAnk = 11,
  toDBSymbol = 12,
  toDBInt = 14,
  toDBAlph = 15,
  toDBHira = 16,
  toDBKana = 17,
  toDBKanji = 18,
  toKanaSymbol = 19,
  toKana = 20,
  toUrl = 21,
  toMail = 22,
  toHex = 23,
  toSingleQuotation = 24,
  toDoubleQuotation = 25,
};

class TFountainParser {
 public:
  using TProc = void (TFountainParser::*)();

  explicit TFountainParser(TFountain* fountain);
  virtual ~TFountainParser() = default;

  virtual void InitMethodTable();
  virtual void SkipBlanks();
  virtual bool IsReserveWord();
  virtual bool IsBracketStart();
  virtual void BracketProc();
  virtual bool IsMail();
  virtual void MailProc();
  virtual bool IsUrl();
  virtual void UrlProc();
  virtual void ReserveWordProc();
  virtual void NullProc();
  virtual void TabProc();
  virtual void LFProc();
  virtual void CRProc();
  virtual void CommentProc();
  virtual void HexProc();
  virtual void NumberProc();
  virtual void AnkProc();
  virtual void DBSymbolProc();
  virtual void KanaProc();
  virtual void KanjiProc();
  virtual void KanaSymbolProc();
  virtual void KatakanaProc();
  virtual void SymbolProc();
  virtual void SingleQuotationProc();
  virtual void DoubleQuotationProc();
  virtual void WrappedTokenProc();
  virtual void NextToken();
  virtual void ReserveKind(int& kind);
  virtual const TTokenKinds& WrapContinueKinds() const;
  virtual const TTokenKinds& RowContinueKinds() const;
  // The caller keeps `text` alive while it scans.
  virtual void RowStateIn(const TCellString& text, const TRowAttributeData& state);
  virtual void RowStateOut(int row, const TRowAttributeStringList& rows, TRowAttributeData& state);
  // Whether RowStateOut scans the row `own` from `state` at all (it does not
  // for a row of blanks or after a comment carried on).
  bool RowStateScans(const TCellString& own, const TRowAttributeData& state) const;
  // RowStateOut's scan for a caller that reads the tokens in the same pass:
  // after RowStateIn on the row's text (joined with the next row's when it
  // is wrapped; the row is its first `length` cells), call it with each
  // result of Next() until it returns true; `state` then holds the state at
  // the row's end. `nextWrapped`: the next row is wrapped too.
  bool RowStateStep(int kind, int length, bool nextWrapped, TRowAttributeData& state);
  // The fountain whose rules it scans by.
  TFountain* Fountain() const { return FFountain; }
  // After a row that is not wrapped has been scanned to its end from
  // `state`: the state at its end, as RowStateOut gives it.
  void RowEndState(TRowAttributeData& state) const;
  virtual int Next();
  virtual TFountainColor* TokenToFountainColor() = 0;

  int TokenStart() const { return FTokenPtr; }
  int TokenLength() const { return FSourcePtr - FTokenPtr; }
  TCellString TokenString() const { return FBuffer->Mid(FTokenPtr, TokenLength()); }
  int Token() const { return FToken; }
  int BracketIndex() const { return FBracketIndex; }
  int LastBracketIndex() const { return FLastBracketIndex; }

 protected:
  char32_t At(int p) const { return FBuffer->CodeAt(p); }
  bool AtRowEnd(int p) const;
  // Cells of the character at p: two over a lead cell.
  int Step(int p) const;
  // The cells of s lie at p (letters folded when ignoreCase).
  bool MatchAt(int p, const TCellString& s, bool ignoreCase) const;
  // Moves over the characters that pass; inline, as it runs for every
  // cell of a word or number.
  template <class Pass>
  void PassWhile(Pass pass) {
    for (const int length = FBuffer->Length(); FP < length;) {
      const TCell cell = FBuffer->Cell(FP);
      if (cell.Code == 0 || cell.Code == '\r' || cell.Code == '\n' || !pass(cell)) return;
      FP += cell.Type == TCellType::Lead ? 2 : 1;
    }
  }
  // Passes a quoted text up to and over the closing quote: a quote followed
  // by another quote is part of the text.
  template <class IsQuote>
  void PassQuoted(IsQuote isQuote) {
    while (!AtRowEnd(FP)) {
      if (!isQuote(At(FP))) {
        FP += Step(FP);
      } else if (isQuote(At(FP + 1))) {
        FP += 2;
      } else {
        ++FP;
        return;
      }
    }
  }
  void QuotedProc(char32_t quote);
  void SetMethod(int first, int last, TProc proc);
  void SetTokenMethod(int kind, TProc proc);
  // The first-character class of the cell at p, the lead-byte table's index.
  int CellClass(int p) const;

  const TCellString* FBuffer;
  int FBracketIndex = kNoBracket;
  std::string FDataStr;
  int FLastBracketIndex = kBracketNotComputed;
  int FElementIndex = 0;
  TFountain* FFountain;
  bool FIsContinuation = false;
  std::array<TProc, kTokenKindCount> FMethodTable{};
  int FP = 0;
  int FPrevRowAttribute = raCrlf;
  int FDataB = 0;
  int FDataA = 0;
  int FRowAttribute = raCrlf;
  int FSourcePtr = 0;
  int FWrappedByte = 0;
  int FToken = toEof;
  std::array<TProc, kTokenKindCount> FTokenMethodTable{};
  int FTokenPtr = 0;
  int FRemain = 0;

 private:
  // RowStateOut's copies of the rows it scans.
  TCellString FRowText;
  TCellString FNextRowText;
  TCellString FJoinedText;
};
