// EditorFountain: the fountain every editor of the program uses: eleven
// token colours, a line-comment opener, two quotation characters, "#"
// control codes and a hex prefix, and the scanner that recognises them
// before the character-class scanners.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "editor/core/heFountain.h"

class TEditorColor : public TFountainColor {};

class TEditorColors : public TNotifyPersistent {
 public:
  // The owned colours; Reserve is the fountain's reserved-word colour.
  enum TOwned { ecAnk, ecComment, ecDBCS, ecHit, ecInt, ecMail, ecSelect, ecStr, ecSymbol, ecUrl, ecOwnedCount };

  explicit TEditorColors(TFountainColor* reserve);

  TEditorColor& Owned(TOwned which) { return *FColors[which]; }
  TEditorColor& Ank() { return Owned(ecAnk); }
  TEditorColor& Comment() { return Owned(ecComment); }
  TEditorColor& DBCS() { return Owned(ecDBCS); }
  TEditorColor& Hit() { return Owned(ecHit); }
  TEditorColor& Int() { return Owned(ecInt); }
  TEditorColor& Mail() { return Owned(ecMail); }
  TFountainColor& Reserve() { return *FReserve; }
  TEditorColor& Select() { return Owned(ecSelect); }
  TEditorColor& Str() { return Owned(ecStr); }
  TEditorColor& Symbol() { return Owned(ecSymbol); }
  TEditorColor& Url() { return Owned(ecUrl); }
  // Setting a colour copies into the owned object.
  void SetOwned(TOwned which, const TFountainColor& value) { FColors[which]->Assign(value); }
  void SetReserve(const TFountainColor& value) { FReserve->Assign(value); }

  // Copies all eleven with one notification.
  void Assign(TEditorColors& source);
  std::vector<TPropInfo> ObjectProperties() override;

 private:
  std::array<std::unique_ptr<TEditorColor>, ecOwnedCount> FColors;
  TFountainColor* FReserve;
};

class TEditorBracketCollection : public TFountainBracketCollection {
 public:
  using TFountainBracketCollection::TFountainBracketCollection;
  virtual void SetBkColor(TColor value);
  virtual void SetColor(TColor value);
  virtual void SetStyle(TFontStyles value);

 private:
  template <class Set>
  void SetOnEveryItem(Set set);
};

class TEditorFountain : public TFountain {
 public:
  void AfterConstruction() override;

  TEditorColors& Colors() { return *FColors; }
  void SetColors(TEditorColors& value) { FColors->Assign(value); }
  std::string Commenter() const { return FCommenter.Utf8(); }
  void SetCommenter(const std::string& value) { SetCellProperty(FCommenter, value); }
  bool ControlCode() const { return FControlCode; }
  void SetControlCode(bool value) { SetFlagProperty(FControlCode, value); }
  std::string HexPrefix() const { return FHexPrefix.Utf8(); }
  void SetHexPrefix(const std::string& value) { SetCellProperty(FHexPrefix, value); }
  bool Mail() const { return FMail; }
  void SetMail(bool value) { SetFlagProperty(FMail, value); }
  std::string Quotation() const { return FQuotation.Utf8(); }
  void SetQuotation(const std::string& value) { SetCellProperty(FQuotation, value); }
  std::string DoubleQuotation() const { return FDoubleQuotation.Utf8(); }
  void SetDoubleQuotation(const std::string& value) { SetCellProperty(FDoubleQuotation, value); }
  bool Url() const { return FUrl; }
  void SetUrl(bool value) { SetFlagProperty(FUrl, value); }
  // The texts as the scanner matches them.
  const TCellString& CommenterCells() const { return FCommenter; }
  const TCellString& HexPrefixCells() const { return FHexPrefix; }
  const TCellString& QuotationCells() const { return FQuotation; }
  const TCellString& DoubleQuotationCells() const { return FDoubleQuotation; }

  std::unique_ptr<TFountainBracketCollection> CreateBrackets() override;
  TFountainParserClass GetParserClass() override;
  void SetColorProc(TPersistent* instance, const TPropInfo& prop) override;
  virtual void CreateEditorColors();
  // Every colour of Colors but Select and Hit, with one notification.
  virtual void SetAllBkColor(TColor value);
  virtual void SetAllColor(TColor value);
  virtual void SetAllStyle(TFontStyles value);

  std::vector<TPropInfo> ObjectProperties() override;

 private:
  // A changed value reaches every editor of the fountain.
  void SetCellProperty(TCellString& field, const std::string& value);
  void SetFlagProperty(bool& field, bool value);

  std::unique_ptr<TEditorColors> FColors;
  TCellString FCommenter;
  bool FControlCode = false;
  TCellString FHexPrefix;
  bool FMail = false;
  TCellString FQuotation;
  TCellString FDoubleQuotation;
  bool FUrl = false;
};

// SQL token kinds beyond the framework's.
enum : int { toQuotation = 26, toControlCode = 27, toHexControlCode = 28 };

class TEditorParser : public TFountainParser {
 public:
  explicit TEditorParser(TEditorFountain* fountain);

  void InitMethodTable() override;
  void NextToken() override;
  TFountainColor* TokenToFountainColor() override;
  virtual bool IsQuotation();
  virtual void QuotationProc();
  virtual bool IsCommenter();
  virtual bool IsHexPrefix();
  virtual bool IsHexControlCode();
  virtual void HexControlCodeProc();
  virtual bool IsControlCode();
  virtual void ControlCodeProc();

 private:
  bool IsQuotationChar(char32_t c) const;
  TEditorFountain* FEditorFountain;
};
