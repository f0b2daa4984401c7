#include "editor/core/heCells.h"

#include <QChar>

#include <algorithm>
#include <iterator>

namespace {

constexpr char32_t kZeroWidthJoiner = 0x200D;
// Below the soft hyphen no character is zero-width.
constexpr char32_t kFirstZeroWidth = 0xAD;

// A mark after a line break starts the next line: it never rides in the break.
bool IsLineBreak(char32_t c) { return c == '\r' || c == '\n'; }

// Whether a zero-width character rides in the cell before it (of `before`,
// when there is one) rather than taking a cell of its own.
bool RidesBefore(char32_t code, bool hasCell, char32_t before) {
  return IsZeroWidthChar(code) && hasCell && !IsLineBreak(before);
}

}  // namespace

bool IsZeroWidthChar(char32_t code) {
  if (code < kFirstZeroWidth) return false;
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
  s.Assign(text);
  return s;
}

void TCellString::Assign(std::string_view text) {
  FBytes.assign(text);
  FCells.clear();
  FOffsets.clear();
  size_t pos = SkipAscii(text, 0);
  if (pos == text.size()) return;
  FCells.reserve(text.size());  // never more cells than bytes
  FOffsets.reserve(text.size());
  for (size_t i = 0; i < pos; ++i) {  // the ASCII cells before the first other byte
    FCells.push_back({static_cast<unsigned char>(text[i]), TCellType::Single});
    FOffsets.push_back(static_cast<uint32_t>(i));
  }
  while (pos < text.size()) {
    char32_t code = 0;
    size_t length = DecodeUtf8(text, pos, code);
    if (length == 0) {
      code = kInvalidByteCode + static_cast<unsigned char>(text[pos]);
      length = 1;
    } else if (RidesBefore(code, !FCells.empty(), FCells.empty() ? 0 : FCells.back().Code)) {
      pos += length;  // rides in the cell before
      continue;
    }
    const auto offset = static_cast<uint32_t>(pos);
    if (IsWideChar(code)) {
      FCells.push_back({code, TCellType::Lead});
      FCells.push_back({code, TCellType::Trail});
      FOffsets.push_back(offset);
    } else {
      FCells.push_back({code, TCellType::Single});
    }
    FOffsets.push_back(offset);
    pos += length;
  }
}

int CellCount(std::string_view text, int limit) {
  size_t pos = SkipAscii(text, 0);
  auto cells = static_cast<int>(pos);
  char32_t before = pos > 0 ? static_cast<unsigned char>(text[pos - 1]) : 0;
  while (pos < text.size() && cells < limit) {
    char32_t code = 0;
    const size_t length = DecodeUtf8(text, pos, code);
    if (length == 0) {
      code = kInvalidByteCode + static_cast<unsigned char>(text[pos]);
      ++pos;
    } else {
      pos += length;
      if (RidesBefore(code, cells > 0, before)) continue;
    }
    cells += IsWideChar(code) ? 2 : 1;
    before = code;
  }
  return cells;
}

void TCellString::MakeTables() {
  if (!Plain()) return;
  // Built aside: the text stops counting as plain with its first table entry.
  std::vector<TCell> cells;
  std::vector<uint32_t> offsets;
  cells.reserve(FBytes.size());
  offsets.reserve(FBytes.size());
  for (int i = 0; i < Length(); ++i) {
    cells.push_back(Cell(i));
    offsets.push_back(static_cast<uint32_t>(i));
  }
  FCells = std::move(cells);
  FOffsets = std::move(offsets);
}

size_t TCellString::ByteOffset(int cell) const {
  int i = std::clamp(cell, 0, Length());
  while (i < Length() && Cell(i).Type == TCellType::Trail) ++i;
  return i == Length() ? FBytes.size() : OffsetOf(i);
}

int TCellString::CellOf(size_t byteOffset) const {
  if (byteOffset >= FBytes.size()) return Length();
  if (Plain()) return static_cast<int>(byteOffset);
  const auto it = std::upper_bound(FOffsets.begin(), FOffsets.end(), byteOffset);
  int i = static_cast<int>(it - FOffsets.begin()) - 1;
  while (i > 0 && Cell(i).Type == TCellType::Trail) --i;
  return i;
}

TCellString TCellString::Mid(int first, int count) const {
  int from = std::clamp(first, 0, Length());
  int to = std::clamp(from + std::max(count, 0), from, Length());
  // A cut inside a wide character keeps it out.
  if (from < Length() && Cell(from).Type == TCellType::Trail) ++from;
  if (to < Length() && Cell(to).Type == TCellType::Trail) ++to;
  to = std::max(from, to);
  const size_t begin = ByteOffset(from);
  TCellString s;
  s.FBytes.assign(FBytes, begin, ByteOffset(to) - begin);
  if (!Plain()) {
    s.FCells.assign(FCells.begin() + from, FCells.begin() + to);
    s.FOffsets.assign(FOffsets.begin() + from, FOffsets.begin() + to);
    for (uint32_t& offset : s.FOffsets) offset -= static_cast<uint32_t>(begin);
  }
  return s;
}

TCellString& TCellString::operator+=(const TCellString& other) {
  // A mark that starts `other` rides in this text's last cell: decode again.
  if (!other.IsEmpty() && !IsEmpty() && IsZeroWidthChar(other.Cell(0).Code)) {
    *this = FromUtf8(FBytes + other.FBytes);
    return *this;
  }
  if (!Plain() || !other.Plain()) {
    MakeTables();
    const auto shift = static_cast<uint32_t>(FBytes.size());
    for (int i = 0; i < other.Length(); ++i) {
      FCells.push_back(other.Cell(i));
      FOffsets.push_back(other.OffsetOf(i) + shift);
    }
  }
  FBytes += other.FBytes;
  return *this;
}
