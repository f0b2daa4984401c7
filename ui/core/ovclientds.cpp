#include "ui/core/ovclientds.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

const char kNotOpen[] = "データセットが開いていません。";
const char kReadOnly[] = "データセットは読み取り専用のため, 変更できません。";
const char kNoRecordHere[] = "レコードがありません。";
const char kPendingChanges[] = "未反映の変更があるため, 再表示できません。";
const char kBadValue[] = "は次のフィールドの値として正しくありません: ";
const char kFieldRange[] = "フィールド番号が範囲外です: ";
const char kDateFormat[] = "yyyy-MM-dd";
const char kDateTimeFormat[] = "yyyy-MM-dd HH:mm:ss";
const char kDateTimeMsFormat[] = "yyyy-MM-dd HH:mm:ss.zzz";
const char kTimeFormat[] = "HH:mm:ss";

constexpr int kDateTimeWidth = 18;
constexpr int kDateWidth = 10;
constexpr int kTimeWidth = 8;
constexpr int kSmallintWidth = 6;
constexpr int kIntegerWidth = 11;
constexpr int kLargeintWidth = 20;
constexpr int kFloatWidth = 22;
constexpr int kUnknownWidth = 20;
constexpr int kSmallintMin = -32768;
constexpr int kSmallintMax = 32767;
constexpr std::uint32_t kNullBit = 0x80000000U;
constexpr size_t kEndSize = sizeof(std::uint32_t);

bool IsIntegerType(TFieldType type) {
  return type == TFieldType::ftSmallint || type == TFieldType::ftInteger || type == TFieldType::ftWord ||
         type == TFieldType::ftLargeint;
}

bool IsNumberType(TFieldType type) {
  return IsIntegerType(type) || type == TFieldType::ftFloat || type == TFieldType::ftBCD;
}

// Whether the text is a value of the field's type; empty text is null and
// always accepted.
bool AcceptsText(const TovField& field, const std::string& text) {
  if (text.empty()) return true;
  const QString q = QString::fromStdString(text).trimmed();
  if (IsIntegerType(field.DataType)) {
    bool ok = false;
    const qlonglong v = q.toLongLong(&ok);
    if (field.DataType == TFieldType::ftSmallint) return ok && v >= kSmallintMin && v <= kSmallintMax;
    return ok;
  }
  if (IsNumberType(field.DataType)) {
    bool ok = false;
    q.toDouble(&ok);
    return ok;
  }
  if (field.DataType == TFieldType::ftDate) return QDate::fromString(q, QLatin1String(kDateFormat)).isValid();
  if (field.DataType == TFieldType::ftDateTime)
    return QDateTime::fromString(q, QLatin1String(kDateTimeFormat)).isValid() ||
           QDateTime::fromString(q, QLatin1String(kDateTimeMsFormat)).isValid() ||
           QDate::fromString(q, QLatin1String(kDateFormat)).isValid();
  if (field.DataType == TFieldType::ftTime) return QTime::fromString(q, QLatin1String(kTimeFormat)).isValid();
  return true;
}

[[noreturn]] void BadValue(const TovField& field, const std::string& text) {
  throw EDatabaseError("'" + text + "' " + kBadValue + field.DisplayLabel);
}

}  // namespace

bool TovField::IsBlob() const {
  return DataType == TFieldType::ftBlob || DataType == TFieldType::ftBytes || DataType == TFieldType::ftVarBytes ||
         DataType == TFieldType::ftOraBlob;
}

bool TovField::IsMemo() const {
  return DataType == TFieldType::ftMemo || DataType == TFieldType::ftWideMemo || DataType == TFieldType::ftOraClob;
}

bool TovField::IsString() const {
  return DataType == TFieldType::ftString || DataType == TFieldType::ftWideString;
}

QVariant FieldVariant(const TovField& field, const TFieldValue& value) {
  if (value.Null) return QVariant();
  const QString text = QString::fromStdString(value.Text).trimmed();
  if (IsIntegerType(field.DataType)) return text.toLongLong();
  if (field.DataType == TFieldType::ftFloat) return text.toDouble();
  if (field.IsBlob()) return QByteArray(value.Text.data(), static_cast<qsizetype>(value.Text.size()));
  return QString::fromStdString(value.Text);
}

int DefaultDisplayWidth(TFieldType type, int size, int precision) {
  switch (type) {
    case TFieldType::ftString:
    case TFieldType::ftWideString:
      return std::max(size, 1);
    case TFieldType::ftDateTime:
      return kDateTimeWidth;
    case TFieldType::ftDate:
      return kDateWidth;
    case TFieldType::ftTime:
      return kTimeWidth;
    default:
      break;
  }
  // A sign and a decimal point beside the digits.
  if (IsNumberType(type) && precision > 0) return precision + 2;
  switch (type) {
    case TFieldType::ftSmallint:
      return kSmallintWidth;
    case TFieldType::ftInteger:
    case TFieldType::ftWord:
      return kIntegerWidth;
    case TFieldType::ftLargeint:
      return kLargeintWidth;
    case TFieldType::ftFloat:
    case TFieldType::ftBCD:
      return kFloatWidth;
    default:
      return kUnknownWidth;
  }
}

namespace {

using TValueView = std::pair<bool, std::string_view>;

// A record's block: the ends of its fields' texts (the null bit set for a
// null), then the texts, exactly that size. Value(i) gives field i.
template <class Get>
size_t BlockSize(size_t count, Get value) {
  size_t total = count * kEndSize;
  for (size_t i = 0; i < count; ++i) total += value(i).second.size();
  return total;
}

template <class Get>
void WriteBlock(char* data, size_t count, Get value) {
  char* text = data + count * kEndSize;
  std::uint32_t end = 0;
  for (size_t i = 0; i < count; ++i) {
    const TValueView v = value(i);
    std::memcpy(text + end, v.second.data(), v.second.size());
    end += static_cast<std::uint32_t>(v.second.size());
    const std::uint32_t mark = end | (v.first ? kNullBit : 0);
    std::memcpy(data + i * kEndSize, &mark, kEndSize);
  }
}

// Fetched blocks are carved from chunks that start small and double up to
// the largest size, so a one-row result costs a few kilobytes and a large
// one few allocations. Chunks of a huge page or more ask for huge pages: a
// large result then costs few page faults.
constexpr size_t kFirstChunkBytes = size_t{4} << 10;
constexpr size_t kChunkDoublings = 10;  // to 4 MiB
constexpr size_t kHugePage = size_t{2} << 20;

}  // namespace

void TovClientDataSet::TChunkFree::operator()(char* chunk) const { std::free(chunk); }

namespace {

size_t ChunkLength(size_t chunks, size_t needed) {
  return std::max(needed, kFirstChunkBytes << std::min(chunks, kChunkDoublings));
}

std::unique_ptr<char[], TovClientDataSet::TChunkFree> NewChunk(size_t& length) {
  char* chunk = nullptr;
  if (length < kHugePage) {
    chunk = static_cast<char*>(std::malloc(length));
  } else {
    length = (length + kHugePage - 1) / kHugePage * kHugePage;
    chunk = static_cast<char*>(std::aligned_alloc(kHugePage, length));
    if (chunk) madvise(chunk, length, MADV_HUGEPAGE);
  }
  if (!chunk) throw std::bad_alloc();
  return std::unique_ptr<char[], TovClientDataSet::TChunkFree>(chunk);
}

}  // namespace

// A record: its bookmark, its cache status and its block. Sixteen bytes,
// so a million records cost little beside their texts.
struct TovClientDataSet::TRecord {
  enum TStatus : std::uint8_t { usUnmodified, usModified, usInserted };
  std::uint64_t Bookmark : 62;
  std::uint64_t Status : 2;
  const char* Data = nullptr;

  TRecord(TBookmark bookmark, TStatus status) : Bookmark(bookmark), Status(status) {}
  std::uint32_t Mark(size_t field) const {
    std::uint32_t mark = 0;
    std::memcpy(&mark, Data + field * kEndSize, kEndSize);
    return mark;
  }
  TValueView View(size_t field, size_t count) const {
    const std::uint32_t mark = Mark(field);
    const std::uint32_t start = field == 0 ? 0 : (Mark(field - 1) & ~kNullBit);
    const std::uint32_t end = mark & ~kNullBit;
    return {(mark & kNullBit) != 0, std::string_view(Data + count * kEndSize + start, end - start)};
  }
  TFieldValue Value(size_t field, size_t count) const {
    const TValueView v = View(field, count);
    return {v.first, std::string(v.second)};
  }
  TRecordValues Values(size_t count) const {
    TRecordValues values;
    values.reserve(count);
    for (size_t i = 0; i < count; ++i) values.push_back(Value(i, count));
    return values;
  }
};
struct TovClientDataSet::TDeleted {
  TBookmark Bookmark;
  // The record before it when it was deleted (none at the top).
  std::optional<TBookmark> After;
  TRecordValues Original;
  TRecordValues Current;
};

TovClientDataSet::TovClientDataSet() = default;
TovClientDataSet::~TovClientDataSet() = default;

template <class F>
void TovClientDataSet::Notify(F f) {
  if (disableCount_ > 0) return;
  for (TovDataLink* link : std::vector<TovDataLink*>(links_)) f(*link);
}

void TovClientDataSet::Open(TovSQLQuery& query, TovResolver* resolver) {
  Close();
  query.OpenCursor();
  fields_.clear();
  for (const TovFieldDef& def : query.Fields()) {
    TovField f;
    f.Index = static_cast<int>(fields_.size());
    f.FieldName = def.name;
    f.DisplayLabel = def.name;
    f.DataType = def.type;
    f.Size = std::max(def.size, 0);
    f.DisplayWidth = DefaultDisplayWidth(def.type, def.size, def.precision);
    f.Alignment = IsNumberType(def.type) ? TAlignment::taRightJustify : TAlignment::taLeftJustify;
    f.BaseSchema = def.baseSchema;
    f.BaseTable = def.baseTable;
    f.BaseColumn = def.baseColumn;
    fields_.push_back(std::move(f));
  }
  // Writable only as one base table; a column computed or from elsewhere
  // is read-only.
  std::string schema, table;
  for (const TovField& f : fields_)
    if (!f.BaseTable.empty()) {
      schema = f.BaseSchema;
      table = f.BaseTable;
      break;
    }
  bool oneTable = !table.empty();
  for (TovField& f : fields_) {
    const bool own = !f.BaseColumn.empty() && f.BaseTable == table && f.BaseSchema == schema;
    f.ReadOnly = !own;
  }
  for (const TovField& f : fields_)
    if (!f.BaseTable.empty() && (f.BaseTable != table || f.BaseSchema != schema)) oneTable = false;
  query_ = &query;
  resolver_ = oneTable ? resolver : nullptr;
  allFetched_ = false;
  state_ = TDataSetState::dsBrowse;
  Fetch(PacketRecords == kAllRecords ? SIZE_MAX : static_cast<size_t>(std::max(PacketRecords, 1)));
  SetCurrent(0);
  NotifyActive();
}

void TovClientDataSet::Close() {
  if (!Active()) return;
  ClearRecords();
  deleted_.clear();
  buffer_.clear();
  // Frees the connection of a result not read to its end.
  if (query_) query_->Close();
  query_ = nullptr;
  resolver_ = nullptr;
  state_ = TDataSetState::dsInactive;
  modified_ = false;
  current_ = 0;
  bof_ = eof_ = true;
  NotifyActive();
}

int TovClientDataSet::FieldIndex(const std::string& name) const {
  for (const TovField& f : fields_)
    if (QString::fromStdString(f.FieldName).compare(QString::fromStdString(name), Qt::CaseInsensitive) == 0)
      return f.Index;
  return -1;
}

bool TovClientDataSet::CanModify() const { return Active() && !ReadOnly && resolver_ != nullptr; }

void TovClientDataSet::Fetch(size_t wanted) {
  const size_t count = fields_.size();
  size_t fetched = 0;
  const auto value = [this](size_t i) {
    const platform::SqlTextValue& v = row_[i];
    return v ? TValueView(false, *v) : TValueView(true, {});
  };
  while (fetched < wanted && query_ && query_->FetchRow(row_)) {
    TRecord& record = records_.emplace_back(nextBookmark_++, TRecord::usUnmodified);
    const size_t size = BlockSize(count, value);
    if (size > chunkFree_) {
      size_t length = ChunkLength(chunks_.size(), size);
      chunks_.push_back(NewChunk(length));
      chunkNext_ = chunks_.back().get();
      chunkFree_ = length;
    }
    WriteBlock(chunkNext_, count, value);
    record.Data = chunkNext_;
    chunkNext_ += size;
    chunkFree_ -= size;
    ++fetched;
  }
  if (!query_ || !query_->CursorOpen()) allFetched_ = true;
}

void TovClientDataSet::SetData(TRecord& record, const TRecordValues& values) {
  const auto value = [&values](size_t i) { return TValueView(values[i].Null, values[i].Text); };
  auto block = std::make_unique_for_overwrite<char[]>(std::max<size_t>(BlockSize(values.size(), value), 1));
  WriteBlock(block.get(), values.size(), value);
  record.Data = block.get();
  own_[record.Bookmark] = std::move(block);
}

void TovClientDataSet::ClearRecords() {
  records_.clear();
  chunks_.clear();
  chunkNext_ = nullptr;
  chunkFree_ = 0;
  own_.clear();
  originals_.clear();
  IndexChanged();
}

void TovClientDataSet::CheckActive() const {
  if (!Active()) throw EDatabaseError(kNotOpen);
}

void TovClientDataSet::CheckField(int field) const {
  if (field < 0 || field >= FieldCount()) throw EDatabaseError(kFieldRange + std::to_string(field));
}

TovClientDataSet::TRecord& TovClientDataSet::Current() {
  if (records_.empty()) throw EDatabaseError(kNoRecordHere);
  return records_[current_];
}

const TovClientDataSet::TRecord& TovClientDataSet::Current() const {
  if (records_.empty()) throw EDatabaseError(kNoRecordHere);
  return records_[current_];
}

void TovClientDataSet::SetCurrent(size_t index) {
  current_ = records_.empty() ? 0 : std::min(index, records_.size() - 1);
}

// Leaving a record posts what was changed and drops an untouched edit or
// insert, so stepping past a new record never writes an empty one.
void TovClientDataSet::CheckBrowse() {
  CheckActive();
  if (state_ != TDataSetState::dsEdit && state_ != TDataSetState::dsInsert) return;
  if (modified_) {
    Post();
  } else {
    Cancel();
  }
}

void TovClientDataSet::First() {
  CheckBrowse();
  SetCurrent(0);
  bof_ = true;
  eof_ = records_.empty();
  Notify([](TovDataLink& l) { l.DataSetChanged(); });
}

void TovClientDataSet::Last() {
  CheckBrowse();
  FetchAll();
  SetCurrent(records_.empty() ? 0 : records_.size() - 1);
  eof_ = true;
  bof_ = records_.empty();
  Notify([](TovDataLink& l) { l.DataSetChanged(); });
}

int TovClientDataSet::MoveBy(int distance) {
  CheckBrowse();
  bof_ = eof_ = false;
  const size_t from = current_;
  if (distance > 0) {
    const size_t want = current_ + static_cast<size_t>(distance);
    if (want >= records_.size() && !allFetched_)
      Fetch(want - records_.size() + 1 + static_cast<size_t>(std::max(PacketRecords, 0)));
    if (records_.empty() || want >= records_.size()) eof_ = true;
  } else if (distance < 0 && static_cast<size_t>(-distance) > current_) {
    bof_ = true;
  }
  const long long target = static_cast<long long>(current_) + distance;
  SetCurrent(static_cast<size_t>(std::max<long long>(target, 0)));
  const int moved = static_cast<int>(static_cast<long long>(current_) - static_cast<long long>(from));
  if (moved != 0) Notify([moved](TovDataLink& l) { l.DataSetScrolled(moved); });
  return moved;
}

void TovClientDataSet::SetRecNo(int number) {
  CheckBrowse();
  if (number < 1) number = 1;
  if (static_cast<size_t>(number) > records_.size()) Fetch(static_cast<size_t>(number) - records_.size());
  SetCurrent(static_cast<size_t>(number - 1));
  bof_ = eof_ = false;
  Notify([](TovDataLink& l) { l.DataSetChanged(); });
}

int TovClientDataSet::RecordCount() {
  CheckActive();
  FetchAll();
  return static_cast<int>(records_.size());
}

bool TovClientDataSet::IsEmpty() const { return records_.empty(); }

size_t TovClientDataSet::LoadedCount() const { return records_.size(); }

int TovClientDataSet::RecNo() const { return records_.empty() ? 0 : static_cast<int>(current_) + 1; }

void TovClientDataSet::FetchUpTo(size_t count) {
  if (Active() && count > records_.size() && !allFetched_) Fetch(count - records_.size());
}

std::string TovClientDataSet::FieldTextAt(size_t index, int field) const {
  if (index == current_) return FieldText(field);
  CheckField(field);
  const TFieldValue v = records_.at(index).Value(static_cast<size_t>(field), fields_.size());
  return fields_[static_cast<size_t>(field)].IsBlob() ? HexOfBytes(v.Text) : v.Text;
}

TBookmark TovClientDataSet::BookmarkAt(size_t index) const { return records_.at(index).Bookmark; }

bool TovClientDataSet::IsNullAt(size_t index, int field) const {
  if (index == current_) return IsNull(field);
  CheckField(field);
  return records_.at(index).View(static_cast<size_t>(field), fields_.size()).first;
}

TovField& TovClientDataSet::FieldDef(int field) {
  CheckField(field);
  return fields_[static_cast<size_t>(field)];
}

TBookmark TovClientDataSet::Bookmark() const { return Current().Bookmark; }

size_t TovClientDataSet::PositionOf(TBookmark bookmark) const {
  if (positions_.empty())
    for (size_t i = 0; i < records_.size(); ++i) positions_.emplace(records_[i].Bookmark, i);
  const auto at = positions_.find(bookmark);
  return at == positions_.end() ? SIZE_MAX : at->second;
}

bool TovClientDataSet::BookmarkValid(TBookmark bookmark) const { return PositionOf(bookmark) != SIZE_MAX; }

void TovClientDataSet::GotoBookmark(TBookmark bookmark) {
  CheckBrowse();
  const size_t at = PositionOf(bookmark);
  if (at == SIZE_MAX) throw EDatabaseError(kNoRecordHere);
  SetCurrent(at);
  bof_ = eof_ = false;
  Notify([](TovDataLink& l) { l.DataSetChanged(); });
}

int TovClientDataSet::CompareBookmarks(TBookmark a, TBookmark b) const {
  const size_t pa = PositionOf(a), pb = PositionOf(b);
  return pa < pb ? -1 : (pa > pb ? 1 : 0);
}

const TFieldValue* TovClientDataSet::BufferValue(int field) const {
  if (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert)
    return &buffer_[static_cast<size_t>(field)];
  return nullptr;
}

TFieldValue TovClientDataSet::CurrentValue(int field) const {
  CheckActive();
  CheckField(field);
  if (const TFieldValue* v = BufferValue(field)) return *v;
  if (records_.empty()) return {};
  return Current().Value(static_cast<size_t>(field), fields_.size());
}

bool TovClientDataSet::IsNull(int field) const { return CurrentValue(field).Null; }

std::string TovClientDataSet::AsString(int field) const { return CurrentValue(field).Text; }

std::string TovClientDataSet::FieldText(int field) const {
  const TFieldValue v = CurrentValue(field);
  return fields_[static_cast<size_t>(field)].IsBlob() ? HexOfBytes(v.Text) : v.Text;
}

QVariant TovClientDataSet::Value(int field) const {
  const TFieldValue v = CurrentValue(field);
  return FieldVariant(fields_[static_cast<size_t>(field)], v);
}

void TovClientDataSet::SetFieldText(int field, const std::string& text) {
  CheckField(field);
  const TovField& f = fields_[static_cast<size_t>(field)];
  if (!AcceptsText(f, text)) BadValue(f, text);
  if (state_ == TDataSetState::dsBrowse) Edit();
  if (f.ReadOnly) throw EDatabaseError(kReadOnly);
  buffer_[static_cast<size_t>(field)] = {text.empty(), text};
  modified_ = true;
  Notify([field](TovDataLink& l) { l.RecordChanged(field); });
}

void TovClientDataSet::SetNull(int field) { SetFieldText(field, std::string()); }

void TovClientDataSet::Edit() {
  CheckActive();
  if (state_ != TDataSetState::dsBrowse) return;
  if (!CanModify()) throw EDatabaseError(kReadOnly);
  if (records_.empty()) {
    Append();
    return;
  }
  buffer_ = Current().Values(fields_.size());
  modified_ = false;
  state_ = TDataSetState::dsEdit;
  Notify([](TovDataLink& l) { l.EditingChanged(); });
}

void TovClientDataSet::StartInsert(size_t at) {
  CheckBrowse();
  if (!CanModify()) throw EDatabaseError(kReadOnly);
  TRecord record(nextBookmark_++, TRecord::usInserted);
  buffer_.assign(fields_.size(), TFieldValue{});
  SetData(record, buffer_);
  records_.insert(records_.begin() + static_cast<std::ptrdiff_t>(at), record);
  IndexChanged();
  current_ = at;
  bof_ = eof_ = false;
  modified_ = false;
  state_ = TDataSetState::dsInsert;
  Notify([](TovDataLink& l) { l.DataSetChanged(); });
}

void TovClientDataSet::Insert() { StartInsert(records_.empty() ? 0 : current_); }

void TovClientDataSet::Append() {
  CheckBrowse();
  FetchAll();
  StartInsert(records_.size());
}

void TovClientDataSet::Post() {
  CheckActive();
  if (state_ != TDataSetState::dsEdit && state_ != TDataSetState::dsInsert) return;
  TRecord& record = Current();
  if (state_ == TDataSetState::dsEdit && modified_ && record.Status == TRecord::usUnmodified) {
    originals_[record.Bookmark] = record.Values(fields_.size());
    record.Status = TRecord::usModified;
  }
  SetData(record, buffer_);
  buffer_.clear();
  modified_ = false;
  state_ = TDataSetState::dsBrowse;
  Notify([](TovDataLink& l) { l.DataSetChanged(); });
}

void TovClientDataSet::Cancel() {
  CheckActive();
  if (state_ == TDataSetState::dsInsert) {
    own_.erase(records_[current_].Bookmark);
    records_.erase(records_.begin() + static_cast<std::ptrdiff_t>(current_));
    IndexChanged();
    SetCurrent(current_);
  }
  buffer_.clear();
  modified_ = false;
  state_ = TDataSetState::dsBrowse;
  Notify([](TovDataLink& l) { l.DataSetChanged(); });
}

void TovClientDataSet::ForgetRecord(TRecord& record, const TRecord* after) {
  if (record.Status != TRecord::usInserted) {
    TDeleted gone;
    gone.Bookmark = record.Bookmark;
    if (after) gone.After = static_cast<TBookmark>(after->Bookmark);
    gone.Current = record.Values(fields_.size());
    const auto original = originals_.find(record.Bookmark);
    gone.Original = original != originals_.end() ? std::move(original->second) : gone.Current;
    if (original != originals_.end()) originals_.erase(original);
    deleted_.push_back(std::move(gone));
  }
  own_.erase(record.Bookmark);
}

void TovClientDataSet::DeleteRecords(const std::vector<TBookmark>& bookmarks) {
  CheckBrowse();
  if (bookmarks.empty()) return;
  if (!CanModify()) throw EDatabaseError(kReadOnly);
  // before[k] leads, through records already gone, to the nearest record
  // still present in front of record k (k = 0: none); paths are halved.
  const size_t count = records_.size();
  std::vector<size_t> before(count + 1);
  for (size_t k = 0; k <= count; ++k) before[k] = k;
  const auto present = [&before](size_t k) {
    while (before[k] != k) {
      before[k] = before[before[k]];
      k = before[k];
    }
    return k;
  };
  std::vector<bool> gone(count, false);
  size_t last = current_;
  for (const TBookmark bookmark : bookmarks) {
    const size_t at = PositionOf(bookmark);
    if (at == SIZE_MAX || gone[at]) continue;
    const size_t previous = present(at);
    ForgetRecord(records_[at], previous > 0 ? &records_[previous - 1] : nullptr);
    gone[at] = true;
    before[at + 1] = at;
    last = at;
  }
  // The current record is where the last one deleted stood.
  const auto removedBefore = static_cast<size_t>(std::count(gone.begin(), gone.begin() + static_cast<std::ptrdiff_t>(last), true));
  size_t index = 0;
  std::erase_if(records_, [&](const TRecord&) { return gone[index++]; });
  IndexChanged();
  SetCurrent(last - removedBefore);
  Notify([](TovDataLink& l) { l.DataSetChanged(); });
}

void TovClientDataSet::Delete() {
  CheckActive();
  if (state_ == TDataSetState::dsInsert) {
    Cancel();
    return;
  }
  if (state_ == TDataSetState::dsEdit) Cancel();
  if (!CanModify()) throw EDatabaseError(kReadOnly);
  ForgetRecord(Current(), current_ > 0 ? &records_[current_ - 1] : nullptr);
  records_.erase(records_.begin() + static_cast<std::ptrdiff_t>(current_));
  IndexChanged();
  SetCurrent(current_);
  Notify([](TovDataLink& l) { l.DataSetChanged(); });
}

int TovClientDataSet::ChangeCount() const {
  int count = static_cast<int>(deleted_.size());
  for (size_t i = 0; i < records_.size(); ++i) {
    const bool beingInserted = state_ == TDataSetState::dsInsert && i == current_;
    if (records_[i].Status != TRecord::usUnmodified && !beingInserted) ++count;
  }
  return count;
}

bool TovClientDataSet::ApplyOne(TUpdateKind kind, const TRecordValues& original, const TRecordValues& current,
                                std::vector<TUpdateFailure>& failures) {
  try {
    if (!resolver_) throw EDatabaseError(kReadOnly);
    resolver_->ApplyUpdate(kind, fields_, original, current);
  } catch (const EDatabaseError& e) {
    failures.push_back({kind, e.what()});
    if (OnUpdateError) OnUpdateError(kind, e.what());
    return false;
  }
  if (AfterUpdateRecord) AfterUpdateRecord(kind);
  return true;
}

int TovClientDataSet::ApplyUpdates(int maxErrors) {
  CheckBrowse();
  // The changes go through the same connection, which many drivers serve
  // only once the open result has been read to its end.
  FetchAll();
  std::vector<TUpdateFailure> failures;
  const int total = ChangeCount();
  int done = 0;
  bool stopped = false;
  const auto tooMany = [&] {
    stopped = stopped || (OnApplyProgress && !OnApplyProgress(done++, total));
    return stopped || (maxErrors >= 0 && static_cast<int>(failures.size()) > maxErrors);
  };
  for (auto it = deleted_.begin(); it != deleted_.end() && !tooMany();) {
    if (ApplyOne(TUpdateKind::ukDelete, it->Original, it->Current, failures)) {
      it = deleted_.erase(it);
    } else {
      ++it;
    }
  }
  const size_t count = fields_.size();
  for (TRecord& record : records_) {
    if (record.Status == TRecord::usUnmodified) continue;
    if (tooMany()) break;
    const TRecordValues current = record.Values(count);
    const bool inserted = record.Status == TRecord::usInserted;
    const TRecordValues original = inserted ? TRecordValues(count) : originals_.at(record.Bookmark);
    if (ApplyOne(inserted ? TUpdateKind::ukInsert : TUpdateKind::ukModify, original, current, failures)) {
      record.Status = TRecord::usUnmodified;
      originals_.erase(record.Bookmark);
    }
  }
  Notify([](TovDataLink& l) { l.DataSetChanged(); });
  // Reconciled once the pass is over: a handler may cancel the changes and
  // read the records again, which the pass walks.
  if (OnReconcileError)
    for (const TUpdateFailure& failure : failures) OnReconcileError(failure.Kind, failure.Message);
  return static_cast<int>(failures.size());
}

void TovClientDataSet::CancelUpdates() {
  CheckActive();
  if (state_ != TDataSetState::dsBrowse) Cancel();
  std::erase_if(records_, [this](const TRecord& r) {
    if (r.Status != TRecord::usInserted) return false;
    own_.erase(r.Bookmark);
    return true;
  });
  for (TRecord& record : records_)
    if (record.Status == TRecord::usModified) {
      SetData(record, originals_.at(record.Bookmark));
      record.Status = TRecord::usUnmodified;
    }
  originals_.clear();
  // The latest deletion first, so each finds the record it followed.
  for (auto it = deleted_.rbegin(); it != deleted_.rend(); ++it) {
    IndexChanged();
    const size_t after = it->After ? PositionOf(*it->After) : SIZE_MAX;
    const size_t at = it->After && after != SIZE_MAX ? after + 1 : (it->After ? records_.size() : 0);
    TRecord record(it->Bookmark, TRecord::usUnmodified);
    SetData(record, it->Original);
    records_.insert(records_.begin() + static_cast<std::ptrdiff_t>(at), record);
  }
  deleted_.clear();
  IndexChanged();
  SetCurrent(current_);
  Notify([](TovDataLink& l) { l.DataSetChanged(); });
}

void TovClientDataSet::Refresh() {
  CheckBrowse();
  if (ChangeCount() > 0) throw EDatabaseError(kPendingChanges);
  const size_t keep = current_;
  ClearRecords();
  query_->OpenCursor();
  allFetched_ = false;
  Fetch(PacketRecords == kAllRecords ? SIZE_MAX : std::max(keep + 1, static_cast<size_t>(std::max(PacketRecords, 1))));
  SetCurrent(keep);
  Notify([](TovDataLink& l) { l.DataSetChanged(); });
}

void TovClientDataSet::DisableControls() { ++disableCount_; }

// Opened or closed while the controls were disabled, the links learn it
// when they are enabled again: their fields may have changed.
void TovClientDataSet::NotifyActive() {
  activeChanged_ = disableCount_ > 0;
  Notify([this](TovDataLink& l) { l.ActiveChanged(Active()); });
}

void TovClientDataSet::EnableControls() {
  if (disableCount_ == 0 || --disableCount_ > 0) return;
  if (activeChanged_) return NotifyActive();
  Notify([](TovDataLink& l) { l.DataSetChanged(); });
}

void TovClientDataSet::AddDataLink(TovDataLink* link) { links_.push_back(link); }

void TovClientDataSet::RemoveDataLink(TovDataLink* link) { std::erase(links_, link); }

void PasteRecords(TovClientDataSet& data, std::string_view text) {
  const TovControlsOff off(data);
  data.Insert();
  for (const std::vector<std::string>& line : ParsePasteText(text)) {
    const size_t count = std::min(line.size(), static_cast<size_t>(data.FieldCount()));
    for (size_t i = 0; i < count; ++i) {
      const TovField& f = data.Fields()[i];
      if (f.ReadOnly) continue;
      // Binary values travel as hexadecimal, as the grids show and copy them.
      const std::optional<std::string> bytes = f.IsBlob() ? BytesOfHex(line[i]) : std::optional<std::string>(line[i]);
      if (!bytes) BadValue(f, line[i]);
      data.SetFieldText(f.Index, *bytes);
    }
    // The next record goes after this one, so the lines keep their order.
    data.Post();
    if (data.MoveBy(1) == 0) {
      data.Append();
    } else {
      data.Insert();
    }
  }
}

std::string SelectedRecordsText(TovClientDataSet& data, const TBookmarkList& selected, const std::vector<int>& fields,
                                const TCopyRange& range) {
  const TovControlsOff off(data);
  const TBookmark saved = data.Bookmark();
  std::vector<std::vector<TCopyField>> records;
  try {
    for (const TBookmark bookmark : selected.Items()) {
      data.GotoBookmark(bookmark);
      std::vector<TCopyField>& record = records.emplace_back();
      for (size_t i = 0; i < fields.size(); ++i) {
        if (fields[i] < 0) continue;
        const TovField& f = data.Fields().at(static_cast<size_t>(fields[i]));
        if (!f.Visible) continue;
        const bool empty = f.DataType == TFieldType::ftOraBlob || f.DataType == TFieldType::ftOraClob;
        record.push_back({static_cast<int>(i), empty ? std::string() : data.FieldText(f.Index)});
      }
    }
  } catch (...) {
    data.GotoBookmark(saved);
    throw;
  }
  data.GotoBookmark(saved);
  return CopyText(records, range);
}

void DeleteSelectedRecords(TovClientDataSet& data, TBookmarkList& selected) {
  const TovControlsOff off(data);
  // The last selected first, as the user's deletions of one record each would go.
  const std::vector<TBookmark> bookmarks(selected.Items().rbegin(), selected.Items().rend());
  data.DeleteRecords(bookmarks);
  selected.Clear();
}
