#include "editor/core/DAziverUndo.h"

#include <algorithm>

#include "editor/core/DAziverRows.h"

void TEditorUndoObj::StampCaret(TUndoData& data) const {
  if (const TEditorView* view = FList.ActiveEditor()) {
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

TEditorUndoObj::TApplied TEditorUndoObj::Apply(const TUndoData& record) {
  TApplied applied;
  int rowsRead = 0;
  if (record.RowCount > 0) FList.GetRowsText(record.EditRow, record.RowCount, applied.RowEnd, rowsRead, applied.Text);
  if (record.RowEnd == kUndoNoText) {
    const uint16_t marks = FList.DeleteRows(record.EditRow, rowsRead);
    if (FList.GetCount() > 0) {
      const int heir = std::min(record.EditRow, FList.GetCount() - 1);
      FList.SetRowMarks(heir, FList.RowMarks(heir) | marks);
    } else {
      FList.ExcludeMarks(marks);
    }
  } else {
    TEditorStringList rows;
    FList.WrapText(record.Text, rows);
    // A paragraph cut off inside: its trailing empty row is no row of the text.
    if (record.RowEnd == raWrapped && rows.GetCount() > 1 && rows.Get(rows.GetCount() - 1).IsEmpty()) {
      rows.Delete(rows.GetCount() - 1);
    }
    rows.SetRows(rows.GetCount() - 1, record.RowEnd);
    FList.PutRows(record.EditRow, rowsRead, rows);
    applied.RowsInserted = rows.GetCount();
  }
  FList.SetLastChange(record.EditRow, rowsRead, applied.RowsInserted, FList.UpdateRowStates(record.EditRow, true));
  return applied;
}

template <class Inverse>
void TEditorUndoObj::Replay(TUndoDataList& from, Inverse inverse) {
  if (from.empty()) return;
  // The record stays in `from` until it has run: inverse files into the other list.
  TUndoData& record = *from.back();
  TEditorView* view = FList.ActiveEditor();
  if (view != nullptr) view->CaretHide();
  FList.BeginUpdate();
  inverse(record, Apply(record));
  FList.EndUpdate();
  if (view != nullptr) {
    view->SetRow(record.CaretRow);
    view->SetCol(record.CaretCol);
    view->CaretShow();
  }
  from.pop_back();
}

void TEditorUndoObj::Undo() {
  Replay(FUndoList, [this](TUndoData& record, const TApplied& applied) {
    record.RowCount = applied.RowsInserted;
    record.RowEnd = applied.RowEnd;
    record.Text = applied.Text;
    PushRedoData(record);
  });
}

void TEditorUndoObj::Redo() {
  Replay(FRedoList, [this](TUndoData& record, const TApplied& applied) {
    FRedoing = true;
    TUndoData& undo = NewUndoData();
    FRedoing = false;
    undo.EditRow = record.EditRow;
    undo.RowCount = applied.RowsInserted;
    undo.RowEnd = applied.RowEnd;
    undo.Text = applied.Text;
  });
}
