#include "ui/core/ovdbgridcore.h"

#include <algorithm>

namespace {

constexpr char kQuote = '"';
constexpr char kTab = '\t';
constexpr char kCr = '\r';
constexpr char kLf = '\n';
constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr int kNibbleBits = 4;
// The value of the hexadecimal digit "A".
constexpr int kTenDigit = 10;
constexpr unsigned kNibbleMask = 0x0F;

// The value of a cell that starts with a quote: up to the lone closing
// quote, a doubled quote standing for one. pos is at the opening quote and
// ends just past the closing one (or at the end of the text).
std::string ReadQuoted(std::string_view text, size_t& pos) {
  std::string value;
  ++pos;
  while (pos < text.size()) {
    const char c = text[pos++];
    if (c != kQuote) {
      value += c;
    } else if (pos < text.size() && text[pos] == kQuote) {
      value += kQuote;
      ++pos;
    } else {
      break;
    }
  }
  return value;
}

}  // namespace

void GridError(const std::string& message) { throw EInvalidGridOperation(message); }

std::string HexOfBytes(std::string_view bytes) {
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    hex += kHexDigits[byte >> kNibbleBits];
    hex += kHexDigits[byte & kNibbleMask];
  }
  return hex;
}

std::optional<std::string> BytesOfHex(std::string_view hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  const auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + kTenDigit;
    if (c >= 'a' && c <= 'f') return c - 'a' + kTenDigit;
    return -1;
  };
  std::string bytes;
  bytes.reserve(hex.size() / 2);
  for (size_t i = 0; i < hex.size(); i += 2) {
    const int high = digit(hex[i]), low = digit(hex[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes += static_cast<char>((high << kNibbleBits) | low);
  }
  return bytes;
}

void TGridFieldMap::AddFieldMapping(int position) {
  if (entries_.size() >= kMaxMappedFields) GridError("グリッドの 256 カラム数の限界を超えました");
  entries_.push_back(position);
}

int TGridFieldMap::MappedPosition(int dataIndex) const {
  if (dataIndex < 0 || static_cast<size_t>(dataIndex) >= entries_.size()) return kNoField;
  return entries_[static_cast<size_t>(dataIndex)];
}

bool TGridFieldMap::HasUnmapped() const {
  return std::find(entries_.begin(), entries_.end(), kNoField) != entries_.end();
}

bool TBookmarkList::Clear() {
  if (items_.empty()) return false;
  items_.clear();
  Invalidate();
  return true;
}

TBookmarkList::TFound TBookmarkList::FindBookmark(TBookmark bookmark) const {
  if (cacheIndex_ != kNoCache && cacheBookmark_ == bookmark) return {cacheFound_, cacheIndex_};
  size_t low = 0;
  size_t high = items_.size();
  bool found = false;
  while (low < high) {
    const size_t middle = low + (high - low) / 2;
    const int order = compare_(items_[middle], bookmark);
    if (order < 0) {
      low = middle + 1;
    } else {
      if (order == 0) found = true;
      high = middle;
    }
  }
  cacheBookmark_ = bookmark;
  cacheIndex_ = low;
  cacheFound_ = found;
  return {found, low};
}

bool TBookmarkList::SetSelected(TBookmark bookmark, bool selected) {
  const TFound at = FindBookmark(bookmark);
  if (at.Found == selected) return false;
  if (selected) {
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(at.Index), bookmark);
  } else {
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(at.Index));
  }
  Invalidate();
  return true;
}

void TBookmarkList::Delete(size_t index) {
  items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
  Invalidate();
}

void TBookmarkList::SetLinkActive(bool active) {
  Clear();
  linkActive_ = active;
}

void TBookmarkList::CheckActive() const {
  if (!linkActive_) GridError("データセットは閉じているため, この操作は実行できません");
}

std::string ClipboardValue(std::string_view value, char separator) {
  const char special[] = {kTab, kCr, kLf, kQuote, separator};
  if (value.find_first_of(std::string_view(special, sizeof special)) == std::string_view::npos) {
    return std::string(value);
  }
  std::string quoted(1, kQuote);
  for (size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (c == kCr) {
      quoted += kLf;
      if (i + 1 < value.size() && value[i + 1] == kLf) ++i;
    } else {
      if (c == kQuote) quoted += kQuote;
      quoted += c;
    }
  }
  quoted += kQuote;
  return quoted;
}

std::string CopyText(const std::vector<std::vector<TCopyField>>& records, const TCopyRange& range) {
  const int low = std::min(range.First, range.Last);
  const int high = std::max(range.First, range.Last);
  const int separatorAfter = range.WholeRecords ? 0 : low;
  const bool lineEnds = records.size() > 1;
  std::string text;
  for (const std::vector<TCopyField>& record : records) {
    for (const TCopyField& field : record) {
      if (!range.WholeRecords && (field.Position < low || field.Position > high)) continue;
      if (field.Position > separatorAfter) text += kTab;
      text += ClipboardValue(field.Value);
    }
    if (lineEnds) text += "\r\n";
  }
  return text;
}

bool IsCellPaste(std::string_view text) {
  return text.find(kTab) == std::string_view::npos && text.find("\r\n") == std::string_view::npos;
}

TPasteLines ParsePasteText(std::string_view text) {
  TPasteLines lines;
  std::vector<std::string> line;
  std::string cell;
  bool quotedCell = false;
  size_t pos = 0;
  const auto endCell = [&] {
    line.push_back(std::move(cell));
    cell.clear();
    quotedCell = false;
  };
  while (pos < text.size()) {
    const char c = text[pos];
    if (c == kQuote && cell.empty() && !quotedCell) {
      cell = ReadQuoted(text, pos);
      quotedCell = true;
      continue;
    }
    ++pos;
    if (c == kTab) {
      endCell();
    } else if (c == kLf) {
      if (!quotedCell && !cell.empty() && cell.back() == kCr) cell.pop_back();
      endCell();
      lines.push_back(std::move(line));
      line.clear();
    } else if (!quotedCell) {
      cell += c;
    }
  }
  if (!line.empty() || !cell.empty() || quotedCell) {
    endCell();
    lines.push_back(std::move(line));
  }
  return lines;
}
