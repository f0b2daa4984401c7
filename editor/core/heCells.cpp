#include "editor/core/heCells.h"

#include <QChar>

#include <algorithm>
#include <iterator>

namespace {

constexpr char32_t kZeroWidthJoiner = 0x200D;

// A mark after a line break starts the next line: it never rides in the break.
bool IsLineBreak(char32_t c) { return c == '\r' || c == '\n'; }

}  // namespace

bool IsZeroWidthChar(char32_t code) {
  if (code == kZeroWidthJoiner) return true;
  switch (QChar::category(code)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_Enclosing:
    case QChar::Other_Format:
      return true;
    default:
      return false;
  }
}

TCellString TCellString::FromUtf8(std::string_view text) {
  TCellString s;
  s.FBytes.assign(text);
  size_t pos = 0;
  while (pos < text.size()) {
    char32_t code = 0;
    size_t length = DecodeUtf8(text, pos, code);
    if (length == 0) {
      code = kInvalidByteCode + static_cast<unsigned char>(text[pos]);
      length = 1;
    } else if (IsZeroWidthChar(code) && !s.FCells.empty() && !IsLineBreak(s.FCells.back().Code)) {
      pos += length;  // rides in the cell before
      continue;
    }
    const auto offset = static_cast<uint32_t>(pos);
    if (IsWideChar(code)) {
      s.FCells.push_back({code, offset, TCellType::Lead});
      s.FCells.push_back({code, offset, TCellType::Trail});
    } else {
      s.FCells.push_back({code, offset, TCellType::Single});
    }
    pos += length;
  }
  return s;
}

char32_t TCellString::CodeAt(int i) const { return i < 0 || i >= Length() ? 0 : Cell(i).Code; }

TCellType TCellString::TypeAt(int i) const { return i < 0 || i >= Length() ? TCellType::Single : Cell(i).Type; }

size_t TCellString::ByteOffset(int cell) const {
  int i = std::clamp(cell, 0, Length());
  while (i < Length() && Cell(i).Type == TCellType::Trail) ++i;
  return i == Length() ? FBytes.size() : Cell(i).Offset;
}

int TCellString::CellOf(size_t byteOffset) const {
  const auto it = std::upper_bound(FCells.begin(), FCells.end(), byteOffset,
                                   [](size_t b, const TCell& c) { return b < c.Offset; });
  if (byteOffset >= FBytes.size()) return Length();
  int i = static_cast<int>(it - FCells.begin()) - 1;
  while (i > 0 && Cell(i).Type == TCellType::Trail) --i;
  return i;
}

TCellString TCellString::Mid(int first, int count) const {
  const int from = std::clamp(first, 0, Length());
  const int to = std::clamp(from + std::max(count, 0), from, Length());
  const size_t begin = ByteOffset(from);
  return FromUtf8(std::string_view(FBytes).substr(begin, ByteOffset(to) - begin));
}

TCellString& TCellString::operator+=(const TCellString& other) {
  *this = FromUtf8(FBytes + other.FBytes);
  return *this;
}
