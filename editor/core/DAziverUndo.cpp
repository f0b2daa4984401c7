#include "editor/core/DAziverUndo.h"

#include <algorithm>

void TEditorUndoObj::StampCaret(TUndoData& data) const {
  if (const TEditorView* view = FHost.ActiveEditor()) {
    data.CaretRow = view->Row();
    data.CaretCol = view->Col();
  }
}

TUndoData& TEditorUndoObj::NewUndoData() {
  auto data = std::make_unique<TUndoData>();
  StampCaret(*data);
  FUndoList.push_back(std::move(data));
  const auto limit = static_cast<size_t>(std::max(FUndoLimit, 1));
  if (FUndoList.size() > limit) FUndoList.erase(FUndoList.begin(), FUndoList.end() - static_cast<std::ptrdiff_t>(limit));
  if (!FRedoing) FRedoList.clear();
  return *FUndoList.back();
}

void TEditorUndoObj::PushRedoData(const TUndoData& data) {
  auto redo = std::make_unique<TUndoData>();
  StampCaret(*redo);
  redo->EditRow = data.EditRow;
  redo->RowCount = data.RowCount;
  redo->RowEnd = data.RowEnd;
  redo->Text = data.Text;
  FRedoList.push_back(std::move(redo));
}

void TEditorUndoObj::Clear() {
  FUndoList.clear();
  FRedoList.clear();
}

void TEditorUndoObj::Replay(TUndoDataList& from, const std::function<void(TUndoData&, const TUndoApplied&)>& inverse) {
  if (from.empty()) return;
  // The record stays in `from` until it has run: inverse files into the other list.
  TUndoData& record = *from.back();
  TEditorView* view = FHost.ActiveEditor();
  if (view != nullptr) view->CaretHide();
  FHost.ReplayUndo(record, [&](const TUndoApplied& applied) { inverse(record, applied); });
  if (view != nullptr) {
    view->SetRow(record.CaretRow);
    view->SetCol(record.CaretCol);
    view->CaretShow();
  }
  from.pop_back();
}

void TEditorUndoObj::Undo() {
  Replay(FUndoList, [this](TUndoData& record, const TUndoApplied& applied) {
    record.RowCount = applied.RowsInserted;
    record.RowEnd = applied.RowEnd;
    record.Text = applied.Text;
    PushRedoData(record);
  });
}

void TEditorUndoObj::Redo() {
  Replay(FRedoList, [this](TUndoData& record, const TUndoApplied& applied) {
    FRedoing = true;
    TUndoData& undo = NewUndoData();
    FRedoing = false;
    undo.EditRow = record.EditRow;
    undo.RowCount = applied.RowsInserted;
    undo.RowEnd = applied.RowEnd;
    undo.Text = applied.Text;
  });
}
