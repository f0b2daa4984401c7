// DAziverUndo: the undo history of a text. Every change goes through the row
// list's ReplaceRows, which records here what it is about to replace; undo
// puts those rows back and records the inverse for redo. The history
// belongs to the text, so every view of it shares one.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "editor/core/DAziverView.h"
#include "editor/core/heCells.h"

// Row-end kind of a record that replaced nothing.
inline constexpr int kUndoNoText = 3;

struct TUndoData {
  int CaretRow = 0;
  int CaretCol = 0;
  int EditRow = -1;
  int RowCount = 0;  // rows the change put in place
  int RowEnd = kUndoNoText;
  TCellString Text;  // the replaced rows, CR LF after rows of kind 0
};

using TUndoDataList = std::vector<std::unique_ptr<TUndoData>>;

// What replaying a record replaced: the record's inverse.
struct TUndoApplied {
  int RowsInserted = 0;
  int RowEnd = kUndoNoText;
  TCellString Text;
};

// The text a history belongs to (the row list).
class TUndoHost {
 public:
  virtual ~TUndoHost() = default;
  // The view whose caret the records keep.
  virtual TEditorView* ActiveEditor() const = 0;
  // Puts the record's text in place of its rows inside one update of the
  // text, handing `file` what it replaced before the update ends.
  virtual void ReplayUndo(const TUndoData& record, const std::function<void(const TUndoApplied&)>& file) = 0;
};

class TEditorUndoObj {
 public:
  static constexpr int kDefaultUndoLimit = 64;

  explicit TEditorUndoObj(TUndoHost& host) : FHost(host) {}
  virtual ~TEditorUndoObj() = default;

  int UndoLimit() const { return FUndoLimit; }
  void SetUndoLimit(int limit) { FUndoLimit = limit; }
  int UndoCount() const { return static_cast<int>(FUndoList.size()); }
  int RedoCount() const { return static_cast<int>(FRedoList.size()); }

  // A record stamped with the active view's caret; drops the oldest beyond
  // the limit and, unless redoing, ends the redo chain.
  virtual TUndoData& NewUndoData();
  virtual bool CanRedo() const { return !FRedoList.empty(); }
  virtual bool CanUndo() const { return !FUndoList.empty(); }
  virtual void Redo();
  virtual void Undo();
  virtual void PushRedoData(const TUndoData& data);
  virtual void Clear();

 private:
  // Replays the last record of `from` with the caret hidden; `inverse`
  // files what it replaced.
  void Replay(TUndoDataList& from, const std::function<void(TUndoData&, const TUndoApplied&)>& inverse);
  void StampCaret(TUndoData& data) const;

  TUndoHost& FHost;
  int FUndoLimit = kDefaultUndoLimit;
  bool FRedoing = false;
  TUndoDataList FRedoList;
  TUndoDataList FUndoList;
};
