#include "editor/core/heRaStrings.h"

namespace {

// A field of a row word: its first bit and its width.
struct TWordField {
  int Shift;
  int Bits;
  uint32_t Mask() const { return ((uint32_t{1} << Bits) - 1) << Shift; }
  int Read(uint32_t word) const { return static_cast<int>((word & Mask()) >> Shift); }
  uint32_t Write(uint32_t word, int value) const {
    return (word & ~Mask()) | ((static_cast<uint32_t>(value) << Shift) & Mask());
  }
};

// Word A.
constexpr TWordField kRowEnd{0, 2};
constexpr TWordField kPrevRowEnd{2, 2};
constexpr TWordField kBracket{4, 4};
constexpr TWordField kElement{8, 8};
constexpr TWordField kRemain{16, 8};
constexpr TWordField kSpareA{24, 8};
// Word B.
constexpr TWordField kWrappedKind{0, 8};
constexpr TWordField kSpareB{8, 8};
constexpr TWordField kMarks{16, 16};

// The bracket index is stored + 2 so that "not computed" (-2) is 0.
constexpr int kBracketBias = 2;
static_assert(kBracketNotComputed + kBracketBias == 0);

}  // namespace

int TRowAttributeStringList::Rows(int index) const { return kRowEnd.Read(DataA(index)); }
void TRowAttributeStringList::SetRows(int index, int value) { SetDataA(index, kRowEnd.Write(DataA(index), value)); }
int TRowAttributeStringList::PrevRows(int index) const { return kPrevRowEnd.Read(DataA(index)); }
void TRowAttributeStringList::SetPrevRows(int index, int value) {
  SetDataA(index, kPrevRowEnd.Write(DataA(index), value));
}
int TRowAttributeStringList::BracketIndex(int index) const { return kBracket.Read(DataA(index)) - kBracketBias; }
void TRowAttributeStringList::SetBracketIndex(int index, int value) {
  SetDataA(index, kBracket.Write(DataA(index), value + kBracketBias));
}
int TRowAttributeStringList::ElementIndex(int index) const { return kElement.Read(DataA(index)); }
void TRowAttributeStringList::SetElementIndex(int index, int value) {
  SetDataA(index, kElement.Write(DataA(index), value));
}
int TRowAttributeStringList::Remain(int index) const { return kRemain.Read(DataA(index)); }
void TRowAttributeStringList::SetRemain(int index, int value) { SetDataA(index, kRemain.Write(DataA(index), value)); }
int TRowAttributeStringList::SpareA(int index) const { return kSpareA.Read(DataA(index)); }
void TRowAttributeStringList::SetSpareA(int index, int value) { SetDataA(index, kSpareA.Write(DataA(index), value)); }
int TRowAttributeStringList::WrappedByte(int index) const { return kWrappedKind.Read(DataB(index)); }
void TRowAttributeStringList::SetWrappedByte(int index, int value) {
  SetDataB(index, kWrappedKind.Write(DataB(index), value));
}
int TRowAttributeStringList::SpareB(int index) const { return kSpareB.Read(DataB(index)); }
void TRowAttributeStringList::SetSpareB(int index, int value) { SetDataB(index, kSpareB.Write(DataB(index), value)); }
uint16_t TRowAttributeStringList::RowMarks(int index) const { return static_cast<uint16_t>(kMarks.Read(DataB(index))); }
void TRowAttributeStringList::SetRowMarks(int index, uint16_t marks) {
  SetDataB(index, kMarks.Write(DataB(index), marks));
}

// Both words are read and written once: the colouring passes do this per row.
TRowAttributeData TRowAttributeStringList::RowAttributeData(int index) const {
  const uint32_t a = DataA(index);
  const uint32_t b = DataB(index);
  return {kRowEnd.Read(a),      kPrevRowEnd.Read(a),  kBracket.Read(a) - kBracketBias, kElement.Read(a),
          kRemain.Read(a),      kSpareA.Read(a),      kWrappedKind.Read(b),            kSpareB.Read(b),
          States(index)};
}

void TRowAttributeStringList::SetStateNotComputed(int index) {
  // Every other field is 0 and the bracket index -2 is stored as 0.
  SetDataA(index, kRowEnd.Write(0, Rows(index)));
  SetDataB(index, DataB(index) & kMarks.Mask());
  if (!States(index).empty()) SetStates(index, {});
}

void TRowAttributeStringList::SetRowAttributeData(int index, const TRowAttributeData& data) {
  uint32_t a = kRowEnd.Write(0, data.RowAttribute);
  a = kPrevRowEnd.Write(a, data.PrevRowAttribute);
  a = kBracket.Write(a, data.BracketIndex + kBracketBias);
  a = kElement.Write(a, data.ElementIndex);
  a = kRemain.Write(a, data.Remain);
  SetDataA(index, kSpareA.Write(a, data.DataA));
  const uint32_t b = kWrappedKind.Write(DataB(index) & kMarks.Mask(), data.WrappedByte);
  SetDataB(index, kSpareB.Write(b, data.DataB));
  SetStates(index, data.DataStr);
}
