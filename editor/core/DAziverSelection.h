// DAziverSelection: the selection over a row list: anchored, selected or a
// search hit, normal or box, whole-row selection from the left bar, and its
// offsets, lengths and text in the bytes of the UTF-8 text. It moves the
// caret through the caret model and asks the port to repaint only the rows
// whose selected state changed.
#pragma once

#include <string>

#include "editor/core/DAziverCaret.h"

enum TSelectionState { stNone, stAnchored, stSelected, stHit };
enum TSelectionMode { smNormal, smBox };

// The display selection: rows and columns, the end column exclusive.
struct TDisplaySelection {
  int StartRow = 0;
  int EndRow = 0;
  int StartCol = 0;
  int EndCol = 0;
  bool operator==(const TDisplaySelection&) const = default;
};

// The text selection: cell positions, the end the last selected cell (-1
// when the selection ends at column 0 of its end row).
struct TTextSelection {
  int StartRow = 0;
  int EndRow = 0;
  int StartPos = 0;
  int EndPos = -1;
};

class TEditorSelection {
 public:
  TEditorSelection(TEditorCaretModel& caret, TEditorCaretPort& port) : FCaret(caret), FPort(port) {}

  TSelectionState State() const { return FState; }
  bool Selected() const { return FState == stSelected; }
  bool HasSelection() const { return FState == stSelected || FState == stHit; }
  const TDisplaySelection& Display() const { return FDisplay; }
  const TTextSelection& Text() const { return FText; }
  TSelectionMode Mode() const { return FMode; }
  TEditorHitStyle HitStyle() const { return FHitStyle; }
  // Removes a selection or hit first.
  void SetHitStyle(TEditorHitStyle style);
  int HitLength() const { return FHitLength; }
  bool RowSelecting() const { return FRowSelecting; }
  void EndRowSelection() { FRowSelecting = false; }

  void BeginSelection();
  void ActivateSelection();
  void ExtendSelection();
  void UpdateSelection();
  void CleanSelection();
  // A normal selection holds the cell.
  bool IsInSelection(int row, int col) const;
  // The selection is drawn (selected, or a hit drawn as one).
  bool Drawn() const { return FState == stSelected || (FState == stHit && FHitStyle == hsDraw); }

  int SelStart() const;
  int SelLength() const;
  std::string SelText() const;
  void SetSelStart(int offset);
  void SetSelLength(int length);
  void SelectAll();
  void SetSelectionMode(TSelectionMode mode);
  void StartRowSelection(int row);
  void ExtendRowSelection(int row);
  void SetHit(int length);
  // Cell range [first, last) of a box row, whole characters inside the box.
  void BoxCells(int row, int& first, int& last) const;
  // After a command shifted the text under the selection's ends: the ends
  // take these places, the anchor moving with the end it stood at, and the
  // selection counts as painted.
  void MoveEnds(const TDisplaySelection& display, const TTextSelection& text);

 private:
  // Byte offset of a cell position.
  int OffsetOf(int row, int pos) const;
  void RepaintSelection();
  // The row a row selection reaches: the last row when the text ends without a line break.
  int LimitRow(int row) const;
  // Where the selection of a whole row ends: the next row's start, or the last row's end.
  TRowCol RowEnd(int row) const;
  void PlaceAnchor(int row, int col);

  TEditorCaretModel& FCaret;
  TEditorCaretPort& FPort;
  TSelectionState FState = stNone;
  TSelectionMode FMode = smNormal;
  TEditorHitStyle FHitStyle = hsSelect;
  int FAnchorRow = 0;
  int FAnchorPos = 0;
  int FAnchorCol = 0;
  TTextSelection FText;
  TDisplaySelection FDisplay;
  TDisplaySelection FPainted;
  bool FHitPending = false;
  int FHitLength = 0;
  int FRowSelStart = 0;
  bool FRowSelecting = false;
};
