#include "editor/core/DAziverAttr.h"

#include <algorithm>

namespace {

// Cut of the attribute text: with soft wrap a few columns beyond the row
// suffice for the line-breaking rules.
constexpr int kAttrLimit = 10000;
constexpr int kWrapAttrExtra = 3;

constexpr char32_t kAsciiEnd = 0x80;
// Half-width punctuation and katakana, U+FF61-FF9F, are the bytes 0xA1-0xDF.
constexpr char32_t kHalfWidthFirst = 0xFF61;
constexpr char32_t kHalfWidthLast = 0xFF9F;
constexpr int kHalfWidthFirstByte = 0xA1;
// A narrow character without a single-byte code.
constexpr int kNoByte = -1;

struct TByteRange {
  int First, Last;
};
constexpr TByteRange kDefaultDelimiters[] = {{0, 47}, {58, 64}, {91, 94}, {96, 96}, {123, 128}, {160, 165}, {253, 255}};

int NarrowByte(const TCell& cell) {
  if (cell.Code < kAsciiEnd) return static_cast<int>(cell.Code);
  if (cell.Code >= kHalfWidthFirst && cell.Code <= kHalfWidthLast) {
    return kHalfWidthFirstByte + static_cast<int>(cell.Code - kHalfWidthFirst);
  }
  if (cell.Code >= kInvalidByteCode) return static_cast<int>(cell.Code - kInvalidByteCode);
  return kNoByte;
}

// Fill columns after a TAB that ends an attribute text of `length` columns.
int TabFill(int length, const TRowAttrSettings& settings) {
  int fill = settings.TabSpaceCount - ((length - 1) % settings.TabSpaceCount) - 1;
  if (settings.WrapByte > 0) fill = std::min(fill, settings.WrapByte - ((length - 1) % settings.WrapByte) - 1);
  return fill;
}

}  // namespace

const TDelimiters& DefaultDelimiters() {
  static const TDelimiters set = [] {
    TDelimiters s;
    for (const TByteRange& r : kDefaultDelimiters) {
      for (int b = r.First; b <= r.Last; ++b) s.set(static_cast<size_t>(b));
    }
    return s;
  }();
  return set;
}

bool IsDelimiter(const TDelimiters& delimiters, const TCell& cell) {
  if (cell.Type != TCellType::Single) return false;
  const int byte = NarrowByte(cell);
  return byte != kNoByte && delimiters.test(static_cast<size_t>(byte));
}

int AttrLimit(const TRowAttrSettings& settings) {
  return settings.WrapByte > 0 ? settings.WrapByte + kWrapAttrExtra : kAttrLimit;
}

std::string RowAttrText(const TCellString& row, const TRowAttrSettings& settings, int first) {
  const auto limit = static_cast<size_t>(AttrLimit(settings));
  std::string attr;
  int i = first;
  while (i < row.Length() && attr.size() < limit) {
    const TCell& cell = row.Cell(i);
    if (cell.Type != TCellType::Single) {
      attr += cell.Type == TCellType::Lead ? kAttrLead : kAttrTrail;
      ++i;
      continue;
    }
    attr += IsDelimiter(*settings.Delimiters, cell) ? kAttrDelimiter : kAttrSingle;
    if (cell.Code == '\t') attr.append(static_cast<size_t>(TabFill(static_cast<int>(attr.size()), settings)), kAttrTabFill);
    ++i;
  }
  return attr;
}

int TextWidth(const TCellString& row, const TRowAttrSettings& settings) {
  int width = 0;
  for (int i = 0; i < row.Length(); ++i) {
    ++width;
    if (row.Cell(i).Code == '\t' && row.Cell(i).Type == TCellType::Single) width += TabFill(width, settings);
  }
  return width;
}

void TEditorAttributeArray::Reset(const TCellString& text, const std::string& attr, int first) {
  FText = &text;
  FFirst = first;
  FAttr = attr + kAttrEnd;
  FPosition = 0;
  FByteCount = 0;
  FAttrChar = kAttrSingle;
  Next();
}

void TEditorAttributeArray::Next() {
  if (FAttrChar == kAttrEnd) return;
  ++FPosition;
  FAttrChar = FAttr[static_cast<size_t>(FPosition - 1)];
  if (FAttrChar != kAttrTabFill) ++FByteCount;
}

void TEditorAttributeArray::Prev() {
  if (FPosition < 2) return;
  const char left = FAttrChar;
  --FPosition;
  FAttrChar = FAttr[static_cast<size_t>(FPosition - 1)];
  if (left != kAttrTabFill) --FByteCount;
}

void TEditorAttributeArray::MoveTo(int column) {
  while (FAttrChar != kAttrEnd && FPosition < column) Next();
  while (FPosition > 1 && FPosition > column) Prev();
}

void TEditorAttributeArray::PrevChar() {
  Prev();
  if (FAttrChar == kAttrLead) Prev();
}

char32_t TEditorAttributeArray::Current() const {
  if (FAttrChar == kAttrEnd || FByteCount < 1) return 0;
  return FText->CodeAt(FFirst + FByteCount - 1);
}

char32_t TEditorAttributeArray::PeekNext() {
  const int position = FPosition;
  Next();
  const char32_t c = Current();
  if (FPosition != position) Prev();
  return c;
}
