// heCells: the editor's text as cells. A narrow character takes one cell, a
// wide or full-width one a lead and a trail cell, just as a double-byte
// character takes a lead and a trail byte; zero-width characters ride in the
// cell before them and bytes that are not UTF-8 are narrow cells of their own.
// Only this unit reads UTF-8; positions leave the editor as byte offsets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/textwidth.h"

enum class TCellType : uint8_t { Single, Lead, Trail };

// An invalid byte b is cell code kInvalidByteCode + b: never a character.
inline constexpr char32_t kInvalidByteCode = 0x110000;

// Four bytes a cell: a text keeps one per column, so its size is the
// editor's memory.
struct TCell {
  char32_t Code : 24 = 0;  // the character (both cells of a wide one)
  TCellType Type : 8 = TCellType::Single;
};

class TCellString {
 public:
  TCellString() = default;
  static TCellString FromUtf8(std::string_view text);
  // Takes `text` in place of this one's, reusing the storage held: a reader
  // of many rows keeps one string and allocates nothing per row.
  void Assign(std::string_view text);

  const std::string& Utf8() const { return FBytes; }
  int Length() const { return static_cast<int>(Plain() ? FBytes.size() : FCells.size()); }
  bool IsEmpty() const { return FBytes.empty(); }
  // Cells by 0-based index; CodeAt gives 0 outside the text, like the NUL
  // after a row.
  TCell Cell(int i) const {
    return Plain() ? TCell{static_cast<unsigned char>(FBytes[static_cast<size_t>(i)]), TCellType::Single}
                   : FCells[static_cast<size_t>(i)];
  }
  char32_t CodeAt(int i) const { return i < 0 || i >= Length() ? 0 : Cell(i).Code; }
  TCellType TypeAt(int i) const { return i < 0 || i >= Length() ? TCellType::Single : Cell(i).Type; }

  // Cell position (0..Length) to its UTF-8 byte offset; a trail cell maps to
  // the end of its character.
  size_t ByteOffset(int cell) const;
  // Byte offset to the cell whose character holds that byte (Length at the end).
  int CellOf(size_t byteOffset) const;

  // `count` cells from `first`, clipped to the text; a cut never leaves half
  // of a wide character.
  TCellString Mid(int first, int count) const;
  TCellString& operator+=(const TCellString& other);
  friend TCellString operator+(TCellString a, const TCellString& b) { return a += b; }
  bool operator==(const TCellString& other) const { return FBytes == other.FBytes; }

 private:
  // An ASCII text: cell i is byte i, and no table is kept. Most rows of
  // SQL are, and the tables would be most of the editor's memory.
  bool Plain() const { return FCells.empty(); }
  // First UTF-8 byte of the character of cell i.
  uint32_t OffsetOf(int i) const { return Plain() ? static_cast<uint32_t>(i) : FOffsets[static_cast<size_t>(i)]; }
  // Gives a plain text its tables.
  void MakeTables();

  std::string FBytes;
  std::vector<TCell> FCells;     // empty for a plain text
  std::vector<uint32_t> FOffsets;  // per cell, beside FCells
};

// Combining marks and other characters that take no column.
bool IsZeroWidthChar(char32_t code);
// The cells that TCellString makes of the UTF-8 `text`, counted until they
// reach `limit`.
int CellCount(std::string_view text, int limit);
