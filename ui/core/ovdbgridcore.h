// ovdbgridcore: the widget-free half of the data grids: the field map, the
// selected-record list, the clipboard text of selected records and the
// reader of pasted text. Copy and paste share one quoting rule, so a copied
// value always pastes back as the same value.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// The invalid-grid-operation error; what() is the message shown.
class EInvalidGridOperation : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Raises EInvalidGridOperation with the message.
[[noreturn]] void GridError(const std::string& message);

// Each byte as two upper-case hexadecimal digits, in order.
std::string HexOfBytes(std::string_view bytes);
// The bytes of a text of hexadecimal digit pairs (either case); none when
// the text is anything else.
std::optional<std::string> BytesOfHex(std::string_view hex);

// Grid column (or row) to field positions. An entry is a position in the
// data set's field list, or -1 for a name without a field (sparse maps only).
class TGridFieldMap {
 public:
  static constexpr int kNoField = -1;
  // 0x0FFFFFFF entries at most.
  static constexpr size_t kMaxMappedFields = 0x0FFFFFFF;

  // Adds the position of the field (kNoField when there is none); beyond the
  // limit raises "グリッドの 256 カラム数の限界を超えました".
  void AddFieldMapping(int position);
  void ClearFieldMapping() { entries_.clear(); }
  size_t MappedFieldCount() const { return entries_.size(); }
  // The field position of a data index; kNoField outside the map.
  int MappedPosition(int dataIndex) const;
  // The field positions in grid order.
  const std::vector<int>& Entries() const { return entries_; }
  bool Sparse() const { return sparse_; }
  void SetSparse(bool sparse) { sparse_ = sparse; }
  bool HasUnmapped() const;

 private:
  std::vector<int> entries_;
  bool sparse_ = false;
};

// A record's bookmark: stable across inserts and deletes of other records.
using TBookmark = std::uint64_t;
// <0, 0, >0 as the first bookmark's record stands before, at or after the
// second's in the data set.
using TBookmarkCompare = std::function<int(TBookmark, TBookmark)>;

// The selected records of one grid, kept sorted by the data set's order,
// with a one-entry search cache.
class TBookmarkList {
 public:
  explicit TBookmarkList(TBookmarkCompare compare) : compare_(std::move(compare)) {}

  size_t Count() const { return items_.size(); }
  TBookmark Item(size_t index) const { return items_.at(index); }
  const std::vector<TBookmark>& Items() const { return items_; }
  // True when something was removed (the grid repaints then).
  bool Clear();
  struct TFound {
    bool Found;
    size_t Index;
  };
  TFound FindBookmark(TBookmark bookmark) const;
  bool IsSelected(TBookmark bookmark) const { return FindBookmark(bookmark).Found; }
  // Inserts at its sorted place or removes; true when the list changed.
  bool SetSelected(TBookmark bookmark, bool selected);
  // Removes by index: a deleted record's bookmark no longer compares.
  void Delete(size_t index);
  bool LinkActive() const { return linkActive_; }
  void SetLinkActive(bool active);
  // Raises "データセットは閉じているため, この操作は実行できません" when the
  // link is not active.
  void CheckActive() const;

 private:
  void Invalidate() const { cacheIndex_ = kNoCache; }

  static constexpr size_t kNoCache = static_cast<size_t>(-1);
  TBookmarkCompare compare_;
  std::vector<TBookmark> items_;
  mutable TBookmark cacheBookmark_ = 0;
  mutable size_t cacheIndex_ = kNoCache;
  mutable bool cacheFound_ = false;
  bool linkActive_ = false;
};

// A value as the clipboard carries it: bare, or, when it holds TAB, CR, LF,
// a double quote or the separator of its values, with CR LF and lone CR
// turned into LF and enclosed in double quotes with inner quotes doubled.
std::string ClipboardValue(std::string_view value, char separator = '\t');

// One field of a record to copy: its position in the data set's field list
// and its value as text.
struct TCopyField {
  int Position;
  std::string Value;
};
// The field range of a copy: whole records, or the positions First .. Last
// in either order.
struct TCopyRange {
  bool WholeRecords = false;
  int First = 0;
  int Last = 0;
};
// The clipboard text of the selected records (each its visible fields in
// field order): fields separated by TAB, each line ended by CR LF when more
// than one record is copied, a single record without a line end.
std::string CopyText(const std::vector<std::vector<TCopyField>>& records, const TCopyRange& range);

// Pasted text cut into lines of cells. A cell starting with a double quote
// runs to the lone quote that closes it, a doubled quote inside standing for
// one; TAB and line breaks inside belong to the value; what follows the
// closing quote up to the separator is dropped. A CR before a line's LF is
// no part of the last cell. Every line ends with a line break (one is added
// when missing).
using TPasteLines = std::vector<std::vector<std::string>>;
TPasteLines ParsePasteText(std::string_view text);
// True when the text is for the cell editor alone: it holds neither TAB nor
// CR LF.
bool IsCellPaste(std::string_view text);
