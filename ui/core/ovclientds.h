// ovclientds: the client data set the data grids show: the records of one
// query held in memory, fetched in packets, with browse, edit and insert
// states and a cache of changes that ApplyUpdates writes through a
// resolver. Each record is one compact byte block (the texts of its fields
// with their ends), so a large result costs little more than its text.
#pragma once

#include <QVariant>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/core/odsql.h"
#include "ui/core/ovdbgridcore.h"

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
enum class TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };
enum class TUpdateKind { ukModify, ukInsert, ukDelete };

// One field of the data set.
struct TovField {
  int Index = 0;
  std::string FieldName;
  std::string DisplayLabel;
  TFieldType DataType = TFieldType::ftUnknown;
  int Size = 0;
  int DisplayWidth = 0;
  bool Visible = true;
  bool ReadOnly = false;
  TAlignment Alignment = TAlignment::taLeftJustify;
  std::string BaseSchema;
  std::string BaseTable;
  std::string BaseColumn;

  bool IsBlob() const;
  bool IsMemo() const;
  bool IsString() const;
  // Usable to find a record again by its original value.
  bool Comparable() const { return !IsBlob() && !IsMemo(); }
};

// A value of a record: its text (raw bytes for binary fields) or null.
struct TFieldValue {
  bool Null = true;
  std::string Text;
  bool operator==(const TFieldValue&) const = default;
};
using TRecordValues = std::vector<TFieldValue>;

// The value as the database takes it: integers and floating numbers as
// numbers, binary fields as bytes, null as a null, others as text.
QVariant FieldVariant(const TovField& field, const TFieldValue& value);

// Display width of a field from its type and size.
int DefaultDisplayWidth(TFieldType type, int size, int precision);

// A grid's link to the data set. The data set calls these while its
// controls are enabled.
class TovDataLink {
 public:
  virtual ~TovDataLink() = default;
  virtual void ActiveChanged(bool active) = 0;
  virtual void DataSetChanged() = 0;
  virtual void DataSetScrolled(int distance) = 0;
  virtual void EditingChanged() = 0;
  // A field's value changed; -1 for the whole record.
  virtual void RecordChanged(int field) = 0;
};

// Writes one cached change; raises EDatabaseError when it cannot.
class TovResolver {
 public:
  virtual ~TovResolver() = default;
  virtual void ApplyUpdate(TUpdateKind kind, const std::vector<TovField>& fields, const TRecordValues& original,
                           const TRecordValues& current) = 0;
};

class TovClientDataSet {
 public:
  TovClientDataSet();
  ~TovClientDataSet();
  TovClientDataSet(const TovClientDataSet&) = delete;
  TovClientDataSet& operator=(const TovClientDataSet&) = delete;

  // Records fetched at a time; -1 fetches everything on open.
  static constexpr int kAllRecords = -1;
  static constexpr int kDefaultPacketRecords = 100;
  int PacketRecords = kDefaultPacketRecords;
  bool ReadOnly = false;

  // Hooks of the result frame: after a change was written, when writing
  // it failed (the message), and when the failure is to be reconciled.
  std::function<void(TUpdateKind)> AfterUpdateRecord;
  std::function<void(TUpdateKind, const std::string&)> OnUpdateError;
  std::function<void(TUpdateKind, const std::string&)> OnReconcileError;
  // Asked before each change ApplyUpdates writes (done of total); false
  // stops the pass there, what was not written staying pending.
  std::function<bool(int done, int total)> OnApplyProgress;

  // Runs the query (owned by the caller) and reads its records in packets
  // as they are needed; the resolver writes the changes, none makes the
  // data set read-only.
  void Open(TovSQLQuery& query, TovResolver* resolver);
  void Close();
  bool Active() const { return state_ != TDataSetState::dsInactive; }
  TDataSetState State() const { return state_; }

  const std::vector<TovField>& Fields() const { return fields_; }
  int FieldCount() const { return static_cast<int>(fields_.size()); }
  int FieldIndex(const std::string& name) const;
  bool CanModify() const;

  // Navigation. Moving posts a pending edit or insert first.
  void First();
  void Last();
  // Moves by distance records (fetching as needed); the distance moved.
  int MoveBy(int distance);
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  bool Bof() const { return bof_; }
  bool Eof() const { return eof_; }
  bool IsEmpty() const;
  // 1-based number of the current record, 0 when empty.
  int RecNo() const;
  void SetRecNo(int number);
  // Fetches every record.
  int RecordCount();
  bool AllFetched() const { return allFetched_; }

  // Records held so far; FetchUpTo reads more, up to count records.
  size_t LoadedCount() const;
  void FetchUpTo(size_t count);
  // The display text and bookmark of a held record by its 0-based index,
  // without making it current (the current one shows its edit buffer).
  std::string FieldTextAt(size_t index, int field) const;
  TBookmark BookmarkAt(size_t index) const;
  bool IsNullAt(size_t index, int field) const;
  // A field whose display settings (label, width, alignment, read-only)
  // the grids change.
  TovField& FieldDef(int field);

  TBookmark Bookmark() const;
  bool BookmarkValid(TBookmark bookmark) const;
  void GotoBookmark(TBookmark bookmark);
  int CompareBookmarks(TBookmark a, TBookmark b) const;

  // Values of the current record (the edit buffer while editing).
  bool IsNull(int field) const;
  // Text as displayed: binary fields as hexadecimal.
  std::string FieldText(int field) const;
  // The value's text as held (binary fields their bytes).
  std::string AsString(int field) const;
  QVariant Value(int field) const;
  // Checks the text against the field's type and puts it into the edit
  // buffer (empty text is null); puts the data set into edit state first.
  void SetFieldText(int field, const std::string& text);
  void SetNull(int field);

  void Edit();
  void Insert();
  void Append();
  void Post();
  void Cancel();
  void Delete();
  // Deletes the records in the order given, as Delete one after the other
  // would, in one pass over the records; bookmarks of no record are skipped.
  void DeleteRecords(const std::vector<TBookmark>& bookmarks);
  // A field was set since the edit or insert began.
  bool Modified() const { return modified_; }

  // Cached changes.
  int ChangeCount() const;
  // Writes the cached changes; stops after more than maxErrors failures
  // (-1: no limit). Failed changes stay cached. The number of failures.
  int ApplyUpdates(int maxErrors);
  void CancelUpdates();
  // Reads the records again; cached changes must be applied or cancelled.
  void Refresh();

  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return disableCount_ > 0; }
  void AddDataLink(TovDataLink* link);
  void RemoveDataLink(TovDataLink* link);

 // The deleter of the chunks that hold fetched records.
  struct TChunkFree {
    void operator()(char* chunk) const;
  };

 private:
  struct TRecord;
  struct TDeleted;

  void Fetch(size_t wanted);
  // Gives the record a block of its own holding the values.
  void SetData(TRecord& record, const TRecordValues& values);
  void ClearRecords();
  void FetchAll() { Fetch(SIZE_MAX); }
  // A record leaving the set: unless inserted here, its deletion is kept to
  // be written, with the record it followed (`after`, none at the top).
  void ForgetRecord(TRecord& record, const TRecord* after);
  TRecord& Current();
  const TRecord& Current() const;
  const TFieldValue* BufferValue(int field) const;
  TFieldValue CurrentValue(int field) const;
  void CheckActive() const;
  void CheckBrowse();
  void CheckField(int field) const;
  void StartInsert(size_t at);
  void IndexChanged() { positions_.clear(); }
  size_t PositionOf(TBookmark bookmark) const;
  void SetCurrent(size_t index);
  template <class F>
  void Notify(F f);
  void NotifyActive();
  struct TUpdateFailure {
    TUpdateKind Kind;
    std::string Message;
  };
  bool ApplyOne(TUpdateKind kind, const TRecordValues& original, const TRecordValues& current,
                std::vector<TUpdateFailure>& failures);

  std::vector<TovField> fields_;
  TovSQLQuery* query_ = nullptr;
  TovResolver* resolver_ = nullptr;
  TDataSetState state_ = TDataSetState::dsInactive;
  std::vector<TRecord> records_;
  // Fetched records' blocks, carved from large chunks; a record the
  // program wrote has a block of its own, and a changed one its original
  // values, both by bookmark.
  std::vector<std::unique_ptr<char[], TChunkFree>> chunks_;
  char* chunkNext_ = nullptr;
  size_t chunkFree_ = 0;
  std::unordered_map<TBookmark, std::unique_ptr<char[]>> own_;
  std::unordered_map<TBookmark, TRecordValues> originals_;
  std::vector<platform::SqlTextValue> row_;
  std::vector<TDeleted> deleted_;
  size_t current_ = 0;
  bool bof_ = true;
  bool eof_ = true;
  bool allFetched_ = false;
  TBookmark nextBookmark_ = 0;
  TRecordValues buffer_;
  bool modified_ = false;
  int disableCount_ = 0;
  bool activeChanged_ = false;
  std::vector<TovDataLink*> links_;
  mutable std::unordered_map<TBookmark, size_t> positions_;
};

// Disables the data set's controls for its lifetime.
class TovControlsOff {
 public:
  explicit TovControlsOff(TovClientDataSet& data) : data_(data) { data_.DisableControls(); }
  ~TovControlsOff() { data_.EnableControls(); }
  TovControlsOff(const TovControlsOff&) = delete;
  TovControlsOff& operator=(const TovControlsOff&) = delete;

 private:
  TovClientDataSet& data_;
};

// The grids' record operations on the data set.
// Pastes lines of cells as new records: each line fills the fields by
// their position in the field list (read-only fields and surplus cells are
// skipped; a binary field takes hexadecimal), the records keep the order of
// the lines, and an empty new record is left in insert state after the
// last. A value a field rejects stops the paste there; the records before
// it stay.
void PasteRecords(TovClientDataSet& data, std::string_view text);

// The clipboard text of the selected records (CopyText) read from the data
// set: the fields are those at the positions given, in that order (the
// grid's), and the range counts in that list; binary values as
// hexadecimal, so they survive the clipboard's text. The current record
// stays.
std::string SelectedRecordsText(TovClientDataSet& data, const TBookmarkList& selected, const std::vector<int>& fields,
                                const TCopyRange& range);

// Deletes the selected records from the last to the first, removing each
// from the list as it goes.
void DeleteSelectedRecords(TovClientDataSet& data, TBookmarkList& selected);
