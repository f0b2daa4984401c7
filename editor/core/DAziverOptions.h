// DAziverOptions: the editor's option objects. Each reports its changes
// through OnChange (the editor repaints or reconfigures); setters clamp
// first and notify only when the value differs; Assign copies everything
// with one notification. What each option does is the control's business.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "editor/core/EditorFountain.h"
#include "editor/core/heClasses.h"

// Cursor identifiers of the class library.
using TCursor = int;
inline constexpr TCursor crDefault = 0;
inline constexpr TCursor crIBeam = -4;
inline constexpr TCursor crDrag = -12;
// The editor's own cursors take the first free slots of the cursor table at
// start-up: the left-margin arrow first, then the copy-drag cursor.
inline constexpr TCursor crRightArrow = 1;
inline constexpr TCursor crDragSelCopy = 2;

class TEditorCursors : public TNotifyPersistent {
 public:
  struct TValues {
    TCursor DefaultCursor = crIBeam;
    TCursor DragSelCursor = crDrag;
    TCursor DragSelCopyCursor = crDragSelCopy;
    TCursor InSelCursor = crDefault;
    TCursor LeftMarginCursor = crRightArrow;
    TCursor TopMarginCursor = crDefault;
    bool operator==(const TValues&) const = default;
  };
  const TValues& Values() const { return FValues; }
  void SetDefaultCursor(TCursor value) { Store(FValues.DefaultCursor, value); }
  void SetDragSelCursor(TCursor value) { Store(FValues.DragSelCursor, value); }
  void SetDragSelCopyCursor(TCursor value) { Store(FValues.DragSelCopyCursor, value); }
  void SetInSelCursor(TCursor value) { Store(FValues.InSelCursor, value); }
  void SetLeftMarginCursor(TCursor value) { Store(FValues.LeftMarginCursor, value); }
  void SetTopMarginCursor(TCursor value) { Store(FValues.TopMarginCursor, value); }
  void Assign(const TEditorCursors& source);

 private:
  TValues FValues;
};

enum TEditorCaretStyle { csDefault, csBrief };
enum TDragMode { dmManual, dmAutomatic };

class TEditorCaret : public TNotifyPersistent {
 public:
  static constexpr int kMinTabSpaceCount = 2;
  static constexpr int kMaxTabSpaceCount = 8;

  // Plain switches: changing one notifies nobody.
  bool AutoCursor = true;
  bool AutoIndent = true;
  bool BackSpaceUnIndent = true;
  bool FreeCaret = true;
  bool FreeRow = false;
  bool InTab = false;
  bool KeepCaret = false;
  bool LockScroll = false;
  bool NextLine = false;
  bool PrevSpaceIndent = false;
  bool RowSelect = true;
  TDragMode SelDragMode = dmAutomatic;
  bool SelMove = true;
  bool SoftTab = false;
  bool TabIndent = false;

  TEditorCursors& Cursors() { return FCursors; }
  void SetCursors(const TEditorCursors& value) { FCursors.Assign(value); }
  TEditorCaretStyle Style() const { return FStyle; }
  void SetStyle(TEditorCaretStyle value) { Store(FStyle, value); }
  int TabSpaceCount() const { return FTabSpaceCount; }
  // 2..8, rounded down to an even count.
  void SetTabSpaceCount(int value);
  void Assign(const TEditorCaret& source);

 private:
  TEditorCursors FCursors;
  TEditorCaretStyle FStyle = csDefault;
  int FTabSpaceCount = kMaxTabSpaceCount;
};

// Pixel sizes of the option objects: 0..100.
inline constexpr int kMaxOptionPixels = 100;

class TEditorMargin : public TNotifyPersistent {
 public:
  struct TValues {
    int Character = 0;
    int Left = 19;
    int Line = 0;
    int Top = 2;
    int Underline = 0;  // room for underlined rows, added to the row height
    bool operator==(const TValues&) const = default;
  };
  const TValues& Values() const { return FValues; }
  void SetCharacter(int value);
  void SetLeft(int value);
  void SetLine(int value);
  void SetTop(int value);
  void SetUnderline(int value) { Store(FValues.Underline, value); }
  void Assign(const TEditorMargin& source);

 private:
  TValues FValues;
};

class TEditorMark : public TNotifyPersistent {
 public:
  static constexpr TColor kDefaultColor = 0x808080;
  TColor Color() const { return FColor; }
  void SetColor(TColor value) { Store(FColor, value); }
  bool Visible() const { return FVisible; }
  void SetVisible(bool value) { Store(FVisible, value); }
  void Assign(const TEditorMark& source);

 private:
  TColor FColor = kDefaultColor;
  bool FVisible = false;
};

class TEditorMarks : public TNotifyPersistent {
 public:
  enum TKind { mkEof, mkRet, mkWrap, mkHide, mkUnderline, mkTab, mkSemiSpace, mkSpace, mkCount };

  TEditorMarks();
  TEditorMark& Mark(TKind kind) { return FMarks[kind]; }
  TEditorMark& EofMark() { return Mark(mkEof); }
  TEditorMark& RetMark() { return Mark(mkRet); }
  TEditorMark& WrapMark() { return Mark(mkWrap); }
  TEditorMark& HideMark() { return Mark(mkHide); }
  TEditorMark& Underline() { return Mark(mkUnderline); }
  TEditorMark& TabMark() { return Mark(mkTab); }
  TEditorMark& SemiSpaceMark() { return Mark(mkSemiSpace); }
  TEditorMark& SpaceMark() { return Mark(mkSpace); }
  // Setting a mark copies into the owned one.
  void SetMark(TKind kind, const TEditorMark& value) { FMarks[kind].Assign(value); }
  void Assign(const TEditorMarks& source);

 private:
  std::array<TEditorMark, mkCount> FMarks;
};

// The view settings: they read and write the fountain they own, and every
// change of that fountain fires their OnChange once.
class TEditorViewInfo : public TNotifyPersistent {
 public:
  explicit TEditorViewInfo(TPersistent* owner = nullptr) : FOwner(owner) {}
  void AfterConstruction() override { CreateFountain(); }
  TPersistent* GetOwner() const override { return FOwner; }

  TEditorFountain& Fountain() { return *FFountain; }
  TEditorBracketCollection& Brackets() { return static_cast<TEditorBracketCollection&>(FFountain->Brackets()); }
  void SetBrackets(const TFountainBracketCollection& value) { FFountain->SetBrackets(value); }
  TEditorColors& Colors() { return FFountain->Colors(); }
  void SetColors(TEditorColors& value) { FFountain->SetColors(value); }
  std::string Commenter() const { return FFountain->Commenter(); }
  void SetCommenter(const std::string& value) { FFountain->SetCommenter(value); }
  bool ControlCode() const { return FFountain->ControlCode(); }
  void SetControlCode(bool value) { FFountain->SetControlCode(value); }
  std::string HexPrefix() const { return FFountain->HexPrefix(); }
  void SetHexPrefix(const std::string& value) { FFountain->SetHexPrefix(value); }
  bool Mail() const { return FFountain->Mail(); }
  void SetMail(bool value) { FFountain->SetMail(value); }
  std::string Quotation() const { return FFountain->Quotation(); }
  // Only the first character is kept.
  void SetQuotation(const std::string& value);
  std::string DoubleQuotation() const { return FFountain->DoubleQuotation(); }
  void SetDoubleQuotation(const std::string& value);
  bool Url() const { return FFountain->Url(); }
  void SetUrl(bool value) { FFountain->SetUrl(value); }
  void Assign(TEditorViewInfo& source);

 protected:
  virtual void CreateFountain();

 private:
  TPersistent* FOwner;
  std::unique_ptr<TEditorFountain> FFountain;
};

class TEditorRuler : public TNotifyPersistent {
 public:
  static constexpr int kMinGaugeRange = 8;
  static constexpr int kMaxGaugeRange = 10;
  struct TValues {
    TColor BkColor = 0xC0C0C0;
    TColor Color = 0;
    bool Edge = true;
    int GaugeRange = kMaxGaugeRange;
    TColor MarkColor = 0;
    bool Visible = false;
    bool operator==(const TValues&) const = default;
  };
  const TValues& Values() const { return FValues; }
  void SetBkColor(TColor value) { Store(FValues.BkColor, value); }
  void SetColor(TColor value) { Store(FValues.Color, value); }
  void SetEdge(bool value) { Store(FValues.Edge, value); }
  // 8 or 10.
  void SetGaugeRange(int value);
  void SetMarkColor(TColor value) { Store(FValues.MarkColor, value); }
  void SetVisible(bool value) { Store(FValues.Visible, value); }
  void Assign(const TEditorRuler& source);

 private:
  TValues FValues;
};

enum TEditorShowNumberMode { nmRow, nmLine };

class TEditorLeftbar : public TNotifyPersistent {
 public:
  static constexpr int kMinColumn = 1;
  static constexpr int kMaxColumn = 8;
  struct TValues {
    TColor BkColor = 0xC0C0C0;
    TColor Color = 0;
    int Column = 4;
    bool Edge = true;
    int LeftMargin = 8;
    int RightMargin = 4;
    bool ShowNumber = true;
    TEditorShowNumberMode ShowNumberMode = nmRow;
    bool Visible = false;
    bool ZeroBase = false;
    bool ZeroLead = false;
    bool operator==(const TValues&) const = default;
  };
  const TValues& Values() const { return FValues; }
  void SetBkColor(TColor value) { Store(FValues.BkColor, value); }
  void SetColor(TColor value) { Store(FValues.Color, value); }
  void SetColumn(int value);
  void SetEdge(bool value) { Store(FValues.Edge, value); }
  void SetLeftMargin(int value);
  void SetRightMargin(int value);
  void SetShowNumber(bool value) { Store(FValues.ShowNumber, value); }
  void SetShowNumberMode(TEditorShowNumberMode value) { Store(FValues.ShowNumberMode, value); }
  void SetVisible(bool value) { Store(FValues.Visible, value); }
  void SetZeroBase(bool value) { Store(FValues.ZeroBase, value); }
  void SetZeroLead(bool value) { Store(FValues.ZeroLead, value); }
  void Assign(const TEditorLeftbar& source);

 private:
  TValues FValues;
};

class TEditorImagebar : public TNotifyPersistent {
 public:
  struct TValues {
    int DigitWidth = 8;
    int LeftMargin = 2;
    int MarkWidth = 0;
    int RightMargin = 2;
    bool Visible = true;
    bool operator==(const TValues&) const = default;
  };
  const TValues& Values() const { return FValues; }
  void SetDigitWidth(int value);
  void SetLeftMargin(int value);
  void SetMarkWidth(int value);
  void SetRightMargin(int value);
  void SetVisible(bool value) { Store(FValues.Visible, value); }
  void Assign(const TEditorImagebar& source);

 private:
  TValues FValues;
};

// Speed settings: plain values, no notification.
class TEditorSpeed : public TPersistent {
 public:
  // TEditorSpeedRange.
  static constexpr int kMinSpeed = 1;
  static constexpr int kMaxSpeed = 4;
  static constexpr int kDefaultSpeed = 2;

  int CaretVerticalAc() const { return FCaretVerticalAc; }
  void SetCaretVerticalAc(int value);
  // The colouring state of the whole text at once, not only of what shows.
  bool InitBracketsFull = false;
  int PageVerticalRange() const { return FPageVerticalRange; }
  void SetPageVerticalRange(int value);
  int PageVerticalRangeAc() const { return FPageVerticalRangeAc; }
  void SetPageVerticalRangeAc(int value);
  void Assign(const TEditorSpeed& source) { *this = source; }

 private:
  int FCaretVerticalAc = kDefaultSpeed;
  int FPageVerticalRange = kDefaultSpeed;
  int FPageVerticalRangeAc = kDefaultSpeed;
};

enum TEditorHitStyle { hsSelect, hsDraw, hsCaret };
