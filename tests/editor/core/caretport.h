// A caret port that records what the caret model and the selection ask of
// the window, over a recording view's row list.
#pragma once

#include <utility>
#include <vector>

#include "editor/core/DAziverSelection.h"
#include "recordingview.h"

class TRecordingCaretPort : public TEditorCaretPort {
 public:
  void CaretMoved() override { ++Moves; }
  void RulerMarkMoved(int, int) override {}
  void TopRowChanged(int) override {}
  void TopColChanged(int) override {}
  void RepaintRows(int first, int last) override { Repaints.push_back({first, last}); }
  void CaretBeginUpdate() override { ++UpdateDepth; }
  void CaretEndUpdate() override { --UpdateDepth; }
  void SelectionChanged(bool) override {}

  int Moves = 0;
  int UpdateDepth = 0;
  std::vector<std::pair<int, int>> Repaints;
};

// A text with its caret and selection.
struct TCaretFixture {
  explicit TCaretFixture(const std::string& text, int tabs = kDefaultTabSpaceCount) {
    view.Tabs = tabs;
    view.Lines().SetTextStr(text);
  }
  void Wrap(int wrapByte) {
    view.List().WrapOption().SetWrapByte(wrapByte);
    view.List().SetWordWrap(true);
  }
  // Selects from (row, col) to the caret at (toRow, toCol).
  void Select(int row, int col, int toRow, int toCol) {
    caret.SetRowCol(row, col);
    selection.BeginSelection();
    caret.SetRowCol(toRow, toCol);
    selection.UpdateSelection();
  }

  TRecordingView view;
  TEditorCaret options;
  TRecordingCaretPort port;
  TEditorCaretModel caret{view.List(), options, port};
  TEditorSelection selection{caret, port};
};
