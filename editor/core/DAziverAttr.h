// DAziverAttr: the attribute text of a display row (one character per
// display column) and the column cursor that walks it. Soft wrap and the
// caret mapping measure rows through these.
#pragma once

#include <bitset>
#include <string>

#include "editor/core/heCells.h"

// Attribute characters.
inline constexpr char kAttrSingle = '1';
inline constexpr char kAttrDelimiter = '2';
inline constexpr char kAttrTabFill = '3';
inline constexpr char kAttrLead = '4';
inline constexpr char kAttrTrail = '5';
inline constexpr char kAttrEnd = '0';

// The editor's delimiters, indexed by the byte a narrow character has in
// the single-byte code page (ASCII and half-width katakana).
inline constexpr int kDelimiterBytes = 256;
using TDelimiters = std::bitset<kDelimiterBytes>;

// The control bytes, the blank, ASCII punctuation but "_", DEL, 0x80, the
// half-width punctuation and 0xFD-0xFF.
const TDelimiters& DefaultDelimiters();
bool IsDelimiter(const TDelimiters& delimiters, const TCell& cell);

// A tab width and a default when no view is there to ask.
inline constexpr int kDefaultTabSpaceCount = 8;

// What the attribute text depends on beside the row's cells.
struct TRowAttrSettings {
  const TDelimiters* Delimiters = &DefaultDelimiters();
  int TabSpaceCount = kDefaultTabSpaceCount;
  int WrapByte = 0;  // 0: soft wrap off
};

// Columns after which the attribute text is cut.
int AttrLimit(const TRowAttrSettings& settings);
// The attribute text of the cells from `first` on: "1" narrow, "2" narrow
// delimiter, "3" tab fill, "4"/"5" lead and trail of a wide character. Cut
// at 10000 columns, with soft wrap at WrapByte + 3.
std::string RowAttrText(const TCellString& row, const TRowAttrSettings& settings, int first = 0);
// Display columns of the cells (a TAB runs to the next tab stop).
int TextWidth(const TCellString& row, const TRowAttrSettings& settings);

// A cursor over one row's text and its attribute text. Positions are
// 1-based columns (0 before the first Next); the byte count is the number of
// cells in the columns up to and including the current one.
class TEditorAttributeArray {
 public:
  // `first`: the cell where the attribute text starts.
  void Reset(const TCellString& text, const std::string& attr, int first = 0);
  void Next();
  void Prev();
  void MoveTo(int column);
  // One whole character back.
  void PrevChar();
  int Columns() const { return static_cast<int>(FAttr.size()) - 1; }
  // The character in the current column, 0 at the end.
  char32_t Current() const;
  char32_t PeekNext();
  char Attr() const { return FAttrChar; }
  int Position() const { return FPosition; }
  int ByteCount() const { return FByteCount; }

 private:
  char FAttrChar = kAttrEnd;
  std::string FAttr;
  int FPosition = 0;
  const TCellString* FText = nullptr;
  int FFirst = 0;
  int FByteCount = 0;
};
