// DAziverRows: the text of an editor as display rows. Each row carries its
// row-end kind, the colouring state at its start and sixteen row marks.
// With soft wrap off a logical line is one row; with it on a paragraph is
// cut into rows of at most WrapByte columns. One row list may be shown by
// several views; it frees itself when the last one detaches, and it owns
// the undo history and the wrap options of the text. ReplaceRows is the one
// edit primitive: every change of the text goes through it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "editor/core/DAziverUndo.h"
#include "editor/core/DAziverView.h"
#include "editor/core/DAziverWrap.h"
#include "editor/core/heRaStrings.h"

class TFountainParser;

// The line break a row of kind raCrlf ends with in the whole text.
inline constexpr char kCrLf[] = "\r\n";

// Temporary row lists.
class TEditorStringList : public TRowAttributeStringList {};

// What the last change did, for the views' repaint.
struct TLastChange {
  int Start = 0;
  int Removed = 0;
  int Inserted = 0;
  int Recoloured = 0;
  bool Valid = false;
  bool operator==(const TLastChange&) const = default;
};

class TEditorScreenStrings : public TEditorStringList, public TUndoHost {
 public:
  // Makes a row list that `owner` shows; it lives until its last view detaches.
  static TEditorScreenStrings* Create(TEditorView& owner);
  ~TEditorScreenStrings() override = default;

  void AttacdAziver(TEditorView& view);
  // Frees the list when no view is left.
  void DetacdAziver(TEditorView& view);
  TEditorView* OwnerEditor() const { return FAzivers.empty() ? nullptr : FAzivers.front(); }
  // Metrics, scroll ranges and a repaint of every view.
  void RefresdAzivers();
  // The first view with the focus, else the owner.
  TEditorView* ActiveEditor() const override;
  void ReplayUndo(const TUndoData& record, const std::function<void(const TUndoApplied&)>& file) override;

  int ParagraphStart(int row) const;
  int ParagraphEnd(int row) const;
  // The rows' texts joined, CR LF after each row of kind 0; count -1: to the
  // end of start's paragraph. Outside the text: empty, 0 rows, kind 3.
  void GetRowsText(int start, int count, int& kind, int& rowCount, TCellString& text) const;
  // The paragraph that starts at `first` as one line, without its break.
  std::string ParagraphText(int first) const;
  // Rows first..last as text: CR LF after each row of kind 0.
  std::string JoinRows(int first, int last) const;
  // Removes the rows; returns the OR of their marks.
  uint16_t DeleteRows(int start, int count);
  // Puts `rows` in place of oldCount rows at start; marks stay with the
  // lines that carried them.
  void PutRows(int start, int oldCount, const TEditorStringList& rows);
  // The edit primitive: `text` replaces rows start.. start + count - 1.
  void ReplaceRows(int start, int count, const TCellString& text);

  // Re-scans the colouring state from `row`, at most two screens on; with
  // notify every view repaints the rows whose state changed, and their
  // number is returned.
  int UpdateRowStates(int row, bool notify);
  // Computes the states up to `row` when its own is not computed, and no
  // further, with the caller's parser: a pass over the rows in order then
  // scans a row once more only where the row before could not hand its
  // state on.
  void ComputeRowState(int row, TFountainParser& parser);
  void InitRowStates();

  virtual void WrapText(const TCellString& text, TEditorStringList& rows);
  // Appends a logical line of the loaded block (LoadText) as rows: cut with
  // soft wrap on, else one row. `scratch` holds the line's cells for the cut.
  void AddLine(size_t offset, size_t length, TCellString& scratch);
  virtual int WrapRowCount(const TCellString& text);
  // Cut or join the paragraphs after a wrap change; a paragraph of one row
  // that fits stays as it is.
  void WrapAll();
  void UnwrapAll();
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool value);
  TEditorWrapOption& WrapOption() { return *FWrapOption; }
  // What the attribute text of this text's rows depends on.
  TRowAttrSettings AttrSettings() const;

  TEditorUndoObj& UndoObj() { return *FUndoObj; }
  virtual void Undo() { FUndoObj->Undo(); }
  virtual void Redo() { FUndoObj->Redo(); }

  virtual uint16_t UsedMarks() const { return FUsedMarks; }
  virtual void IncludeMarks(uint16_t marks) { FUsedMarks |= marks; }
  virtual void ExcludeMarks(uint16_t marks) { FUsedMarks &= static_cast<uint16_t>(~marks); }

  const TLastChange& LastChange() const { return FLastChange; }
  void Clear() override;

 protected:
  TEditorScreenStrings();
  virtual std::unique_ptr<TEditorUndoObj> CreateUndoObj();
  virtual std::unique_ptr<TEditorWrapOption> CreateWrapOption();
  void SetUpdateState(bool updating) override;

 private:
  void NotifyEditors(TObject* sender);
  void WrapOptionChanged(TObject* sender);
  // Re-wraps or joins the whole text after a wrap change.
  void Rewrap();
  bool OwnerLoading() const;
  // Rows that one screen of the owner shows.
  int ScreenRows() const;
  // Computes states from row `from` to `limit`, stopping where a stored
  // state matches; rows past the limit become not computed.
  int ScanStates(int from, int limit, bool notify);
  int ScanStates(int from, int limit, bool notify, TFountainParser& parser);
  void MarkNotComputed(int from);
  // Marks the computed rows from `from` on, up to the first row that is not
  // computed. Computed rows run from row 0: every scan starts after the last
  // computed row before it, and an edit's new rows are scanned at once.
  void MarkStale(int from);
  // Deletes the rows; their marks go to the row that takes their place, or
  // leave the used marks when the text became empty.
  void DeleteRowsPassingMarks(int start, int count);
  // Inserts `count` empty rows before `at` (moving the rows after).
  void InsertEmptyRows(int at, int count);
  // The mark word OR of rows first.. first + count - 1.
  uint16_t MarksOf(int first, int count) const;
  void ClampEditors();
  void SetLastChange(int start, int removed, int inserted, int recoloured);
  // Re-wraps one paragraph of `text`; returns rows that replace it.
  void WrapParagraph(const TCellString& text, TEditorStringList& rows);
  // Whether rows first..last are bytes of the loaded block one after
  // another, from `offset`.
  bool ParagraphSpan(int first, int last, size_t& offset) const;
  // A row that a wrap change made, with its kind and marks.
  struct TNewRow {
    int Row = 0;
    int Kind = raCrlf;
    uint16_t Marks = 0;
  };
  void SetNewRows(const std::vector<TNewRow>& rows);

  std::vector<TEditorView*> FAzivers;
  TLastChange FLastChange;
  uint16_t FUsedMarks = 0;
  std::unique_ptr<TEditorUndoObj> FUndoObj;
  bool FWordWrap = false;
  std::unique_ptr<TEditorWrapOption> FWrapOption;
};
