// heRaStrings: the display rows' facts packed into the two data words of
// the line list: row-end kinds, the colouring scanner's state at the row's
// end and sixteen row marks.
#pragma once

#include <cstdint>
#include <string>

#include "editor/core/heStringList.h"

// How a row ends.
enum TRowEnd : int { raCrlf = 0, raWrapped = 1, raEof = 2 };

// Bracket index of a row whose state is not computed yet, and of a row
// outside any bracket region.
inline constexpr int kBracketNotComputed = -2;
inline constexpr int kNoBracket = -1;

// The scanner's state at the end of a row.
struct TRowAttributeData {
  int RowAttribute = raCrlf;
  int PrevRowAttribute = raCrlf;
  int BracketIndex = kBracketNotComputed;
  int ElementIndex = 0;
  int Remain = 0;
  int DataA = 0;  // spare state byte of word A
  int WrappedByte = 0;
  int DataB = 0;  // spare state byte of word B
  std::string DataStr;
};

class TRowAttributeStringList : public TheStringList {
 public:
  int Rows(int index) const;
  void SetRows(int index, int value);
  int PrevRows(int index) const;
  void SetPrevRows(int index, int value);
  int BracketIndex(int index) const;
  void SetBracketIndex(int index, int value);
  int ElementIndex(int index) const;
  void SetElementIndex(int index, int value);
  int Remain(int index) const;
  void SetRemain(int index, int value);
  int SpareA(int index) const;
  void SetSpareA(int index, int value);
  int WrappedByte(int index) const;
  void SetWrappedByte(int index, int value);
  int SpareB(int index) const;
  void SetSpareB(int index, int value);
  // Bit n = mark n (0-9 the digit marks).
  uint16_t RowMarks(int index) const;
  void SetRowMarks(int index, uint16_t marks);

  TRowAttributeData RowAttributeData(int index) const;
  void SetRowAttributeData(int index, const TRowAttributeData& data);
  // The row's state becomes not computed; its kind and marks stay.
  void SetStateNotComputed(int index);
};
