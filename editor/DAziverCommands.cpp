// The editing commands of TEditor: every change of the text goes through
// the row list's ReplaceRows as one undo step, the caret put back as a byte
// offset from an edit anchor above the change.
#include <QApplication>
#include <QClipboard>
#include <QMimeData>

#include <algorithm>

#include "editor/DAziver.h"
#include "editor/core/DAziverEdit.h"
#include "editor/core/heFountain.h"
#include "editor/core/heUtils.h"

namespace {

// The find command hands the search engine chunks of rows of about this many cells.
constexpr int kFindChunkCells = 8191;
constexpr int kCrLfCells = 2;
// Row marks: bits 0-9 are the digit marks, each on one row at most.
constexpr int kDigitMarks = 10;
constexpr int kMarkCount = 16;
// The view scrolls the caret's row to a third, a mark's row to a half of it.
constexpr int kScrollCaretPart = 3;
constexpr int kMarkRowPart = 2;

uint16_t MarkBit(int mark) { return static_cast<uint16_t>(1u << mark); }

bool HasLineBreak(const std::string& s) { return s.find('\r') != std::string::npos || s.find('\n') != std::string::npos; }

// Cells of a row with its line break in a find chunk.
int ChunkCells(const TEditorScreenStrings& rows, int row) {
  return GetRowText(rows, row).Length() + (GetRowKind(rows, row) == raCrlf ? kCrLfCells : 0);
}

std::string ChunkRow(const TEditorScreenStrings& rows, int row) {
  return GetRowText(rows, row).Utf8() + RowBreak(rows, row);
}

// The token under a point, scanned over the whole paragraph of its row.
struct TTokenAt {
  std::string Text;
  int Kind = 0;
  int FirstRow = 0;  // the paragraph's first row
  int Offset = 0;    // bytes from that row's start to the token
};

TTokenAt TokenAtPoint(TEditorScreenStrings& rows, const TEditorGeometry& geometry, TFountain* fountain, QPoint point,
                      bool useFountain, bool keepState) {
  int row = 0;
  int pos = 0;
  if (!PosToRowPos(rows, geometry, point.x(), point.y(), row, pos)) return {};
  const int first = rows.ParagraphStart(row);
  const TCellString text = TCellString::FromUtf8(rows.ParagraphText(first));
  int offset = pos;
  for (int r = first; r < row; ++r) offset += rows.Get(r).Length();
  TRowAttributeData state;
  if (useFountain) {
    if (rows.BracketIndex(first) == kBracketNotComputed) rows.UpdateRowStates(first, false);
    state = rows.RowAttributeData(first);
  }
  if (!useFountain || !keepState) state.BracketIndex = kBracketNotComputed;
  const auto parser = fountain->CreateParser();
  parser->RowStateIn(text, state);
  for (int kind = parser->Next(); kind != toEof; kind = parser->Next()) {
    const int start = parser->TokenStart();
    if (start <= offset && offset <= start + parser->TokenLength() - 1) {
      return {parser->TokenString().Utf8(), kind, first, static_cast<int>(text.ByteOffset(start))};
    }
  }
  return {};
}

}  // namespace

TEditorGeometry TEditor::Geometry() const {
  return {TextLeft(), TextTop(), FCellWidth, RowHeight(), TopRow(), TopCol()};
}

// The caret's top left: a brief caret stands at its cell's bottom.
QPoint TEditor::GetCaretPoint() const { return CaretRect().topLeft(); }

void TEditor::ApplyEdit(int first, int count, const std::string& text, int anchor, int target, bool rows) {
  CaretHide();
  if (rows) CaretBeginUpdate();
  FSelection->CleanSelection();
  FList->ReplaceRows(first, count, TCellString::FromUtf8(text));
  FCaretModel->MoveCaretToOffset(anchor, target);
  if (rows) CaretEndUpdate();
  CaretShow();
}

void TEditor::ReplaceSelectionText(const std::string& s) {
  const TEditorScreenStrings& rows = *FList;
  const bool lineBreak = HasLineBreak(s);
  TRemainder remainder = BuildRemainder(rows, *FSelection);
  // A box below the last line break holds no text: the text goes in at the caret.
  if (FSelection->Selected() && remainder.empty()) FSelection->CleanSelection();
  if (FSelection->Selected()) {
    const int first = FSelection->Text().StartRow;
    const int last = std::min(FSelection->Display().EndRow, rows.GetCount() - 1);
    TRemainderRow& head = remainder.front();
    const int anchor = EditAnchor(rows, first);
    const int target = OffsetTo(rows, anchor, first, head.InsertPos) + static_cast<int>(s.size());
    head.Text = InsertAt(head.Text, head.InsertPos, s);
    ApplyEdit(first, last - first + 1, JoinRows(remainder), anchor, target, lineBreak || last > first);
    return;
  }
  const int row = Row();
  const int pos = FCaretModel->Cell();
  const int anchor = EditAnchor(rows, row);
  const int target = OffsetTo(rows, anchor, row, pos) + static_cast<int>(s.size());
  const std::string text = InsertAt(GetRowText(rows, row), pos, s).Utf8() + RowBreak(rows, row);
  ApplyEdit(row, row < rows.GetCount() ? 1 : 0, text, anchor, target, lineBreak);
}

void TEditor::InsertText(const std::string& s) {
  if (!s.empty()) ReplaceSelectionText(s);
}

void TEditor::SetSelTextBuf(const std::string& text) {
  if (FReadOnly) return;
  if (!text.empty()) {
    ReplaceSelectionText(text);
  } else if (FSelection->Selected()) {
    DeleteSelection();
  } else {
    FSelection->CleanSelection();
  }
}

void TEditor::DeleteSelection() {
  if (!FSelection->Selected()) return;
  const TEditorScreenStrings& rows = *FList;
  const int first = FSelection->Text().StartRow;
  const int last = std::min(FSelection->Display().EndRow, rows.GetCount() - 1);
  const TRemainder remainder = BuildRemainder(rows, *FSelection);
  if (remainder.empty()) {
    FSelection->CleanSelection();
    return;
  }
  const int anchor = EditAnchor(rows, first);
  const int target = OffsetTo(rows, anchor, first, remainder.front().InsertPos);
  ApplyEdit(first, last - first + 1, JoinRows(remainder), anchor, target, last > first);
}

void TEditor::Clear() { FLines->Clear(); }

void TEditor::PasteBox(const std::string& text) {
  if (FReadOnly) return;
  if (text.empty()) {
    DeleteSelection();
    return;
  }
  TheStringList split;
  StrToStrings(TCellString::FromUtf8(text), split);
  std::vector<std::string> lines;
  for (int i = 0; i < split.GetCount(); ++i) lines.push_back(split.Get(i).Utf8());
  const TEditorScreenStrings& rows = *FList;
  int startRow = Row();
  int startCol = Col();
  TRemainder remainder;
  int lastSelRow = startRow - 1;
  if (FSelection->Selected()) {
    startRow = FSelection->Display().StartRow;
    startCol = FSelection->Display().StartCol;
    remainder = BuildRemainder(rows, *FSelection);
    lastSelRow = startRow + static_cast<int>(remainder.size()) - 1;
    if (FSelection->Mode() == smNormal) lastSelRow = std::min(FSelection->Text().EndRow, rows.GetCount() - 1);
  }
  const TBoxPaste paste = BuildBoxPaste(rows, startRow, startCol, remainder, lastSelRow, lines);
  const int anchor = EditAnchor(rows, startRow);
  ApplyEdit(paste.FirstRow, paste.RowCount, paste.Text, anchor, OffsetTo(rows, anchor, startRow, 0) + paste.CaretOffset,
            true);
}

bool TEditor::CanSelMove() const {
  return !FReadOnly && FSelection->Selected() && FSelection->Mode() == smNormal && FCaret->SelMove;
}

void TEditor::MoveSelectionTo(int row, int col) {
  if (!CanSelMove() || FSelection->IsInSelection(row, col)) {
    FSelection->CleanSelection();
    return;
  }
  const TEditorScreenStrings& rows = *FList;
  const int count = rows.GetCount();
  const TTextSelection sel = FSelection->Text();
  const int first = std::min(sel.StartRow, row);
  const int last = std::min(std::max(sel.EndRow, row), count - 1);
  const int anchor = EditAnchor(rows, first);
  std::string block = rows.JoinRows(first, last);
  int selStart = OffsetTo(rows, first, sel.StartRow, sel.StartPos);
  int selEnd = std::min(OffsetTo(rows, first, sel.EndRow, sel.EndPos + 1), static_cast<int>(block.size()));
  // A target beyond its row's text: the row is padded with blanks first.
  const int length = GetRowText(rows, row).Length();
  const int pos = ColToPos(GetRowAttrText(rows, row), col);
  int target = row < count ? OffsetTo(rows, first, row, pos) : static_cast<int>(block.size()) + pos;
  if (pos > length) {
    const int rowEnd = row < count ? OffsetTo(rows, first, row, length) : static_cast<int>(block.size());
    block.insert(static_cast<size_t>(rowEnd), static_cast<size_t>(pos - length), ' ');
    if (rowEnd <= selStart) {
      selStart += pos - length;
      selEnd += pos - length;
    }
  }
  const std::string moved = block.substr(static_cast<size_t>(selStart), static_cast<size_t>(selEnd - selStart));
  block.erase(static_cast<size_t>(selStart), moved.size());
  if (target > selStart) target -= static_cast<int>(moved.size());
  block.insert(static_cast<size_t>(target), moved);
  ApplyEdit(first, last - first + 1, block, anchor,
            OffsetTo(rows, anchor, first, 0) + target + static_cast<int>(moved.size()), true);
}

void TEditor::CopySelectionTo(int row, int col) {
  if (!CanSelMove() || FSelection->IsInSelection(row, col)) {
    FSelection->CleanSelection();
    return;
  }
  const std::string text = SelText();
  FSelection->CleanSelection();
  SetRowCol(row, col);
  SetSelTextBuf(text);
}

void TEditor::ShiftSelection(bool indent) {
  if (!FSelection->Selected()) return;
  const TEditorScreenStrings& rows = *FList;
  const int tabs = FCaret->TabSpaceCount();
  if (FSelection->Mode() == smBox) {
    const TDisplaySelection& box = FSelection->Display();
    const TRowRange range{box.StartRow, std::min(box.EndRow, rows.GetCount() - 1)};
    const TRowsEdit edit = indent ? IndentRows(rows, range, box.StartCol) : UnindentRows(rows, range, box.StartCol);
    // No row can change: no undo step that changes nothing.
    if (!edit.Any()) return;
    CaretHide();
    FList->ReplaceRows(range.First, range.Last - range.First + 1, TCellString::FromUtf8(edit.Text));
    CaretShow();
    return;
  }
  TDisplaySelection display = FSelection->Display();
  TTextSelection text = FSelection->Text();
  const TRowRange range = SelectedRows(text);
  const TRowsEdit edit = indent ? IndentRows(rows, range) : UnindentRows(rows, range);
  if (!edit.Any()) return;
  const TRowAttrSettings settings = rows.AttrSettings();
  // A changed row's column after the change: past the new TAB and the
  // leading blanks, or back by a tab width.
  const auto moved = [&](int row, int col) {
    const TCellString line = GetRowText(rows, row);
    return indent ? tabs + std::max(col, LeadingBlanksWithoutTabs(line, settings))
                  : std::max(0, std::max(col - tabs, LeadingBlankWidth(line, settings) - tabs));
  };
  const auto changed = [&](int row) {
    return row >= range.First && row <= range.Last && edit.Changed[static_cast<size_t>(row - range.First)];
  };
  const bool startChanged = changed(display.StartRow);
  const bool endChanged = text.EndPos >= 0 && changed(display.EndRow);
  if (startChanged) display.StartCol = moved(display.StartRow, display.StartCol);
  if (endChanged) display.EndCol = moved(display.EndRow, display.EndCol);
  const int caretCol = changed(Row()) ? moved(Row(), Col()) : Col();
  CaretHide();
  FList->ReplaceRows(range.First, range.Last - range.First + 1, TCellString::FromUtf8(edit.Text));
  if (startChanged) text.StartPos = CaretPos(rows, display.StartRow, display.StartCol);
  if (endChanged) text.EndPos = CaretPos(rows, display.EndRow, display.EndCol) - 1;
  SetCol(caretCol);
  CaretShow();
  if (range.First == range.Last && display.StartRow == display.EndRow && display.StartCol == display.EndCol) {
    FSelection->CleanSelection();
  } else {
    FSelection->MoveEnds(display, text);
  }
}

void TEditor::IndentSelection() {
  if (!FReadOnly) ShiftSelection(true);
}

void TEditor::UnindentSelection() {
  if (!FReadOnly) ShiftSelection(false);
}

void TEditor::ToggleLineComment() {
  if (FReadOnly) return;
  const TEditorScreenStrings& rows = *FList;
  const bool box = FSelection->Selected() && FSelection->Mode() == smBox;
  TDisplaySelection display = FSelection->Display();
  TTextSelection text = FSelection->Text();
  TRowRange range{Row(), Row()};
  if (box) {
    range = {display.StartRow, display.EndRow};
  } else if (FSelection->Selected()) {
    range = SelectedRows(text);
  }
  range.Last = std::min(range.Last, rows.GetCount() - 1);
  if (range.First > range.Last) return;
  const int boxCol = box ? display.StartCol : -1;
  const bool remove = AllCommented(rows, range, boxCol);
  const TRowsEdit edit = ToggleComments(rows, range, remove, boxCol);
  if (!edit.Any()) return;
  const int shift = remove ? -2 : 2;
  const auto changed = [&](int row) {
    return row >= range.First && row <= range.Last && edit.Changed[static_cast<size_t>(row - range.First)];
  };
  const bool selected = FSelection->Selected() && !box;
  const bool startChanged = selected && changed(display.StartRow);
  const bool endChanged = selected && text.EndPos >= 0 && changed(display.EndRow);
  const int caretCol = !box && changed(Row()) ? std::max(0, Col() + shift) : Col();
  CaretHide();
  FList->ReplaceRows(range.First, range.Last - range.First + 1, TCellString::FromUtf8(edit.Text));
  if (startChanged) {
    display.StartCol = std::max(0, display.StartCol + shift);
    text.StartPos = CaretPos(rows, display.StartRow, display.StartCol);
  }
  if (endChanged) {
    display.EndCol = std::max(0, display.EndCol + shift);
    text.EndPos = CaretPos(rows, display.EndRow, display.EndCol) - 1;
  }
  SetCol(caretCol);
  CaretShow();
  if (!selected) return;
  if (display.StartRow == display.EndRow && display.StartCol == display.EndCol) {
    FSelection->CleanSelection();
  } else {
    FSelection->MoveEnds(display, text);
  }
}

void TEditor::ShowFound(int first, const TCellString& chunk, const TSearchSelection& found) {
  const size_t start = chunk.ByteOffset(found.Start);
  FSelection->CleanSelection();
  FCaretModel->MoveCaretToOffset(first, static_cast<int>(start));
  FSelection->SetHit(static_cast<int>(chunk.ByteOffset(found.Start + found.Length) - start));
  EmScrollCaret();
}

bool TEditor::FindForward(const TCellString& pattern, TSearchOptions options) {
  const TEditorScreenStrings& rows = *FList;
  const int count = rows.GetCount();
  int row = Row();
  int pos = FCaretModel->Pos();
  if (FSelection->HasSelection()) {
    row = FSelection->Text().EndRow;
    pos = FSelection->Text().EndPos + 1;
  }
  while (row < count) {
    std::string text;
    int cells = 0;
    int last = row;
    for (int r = row; r < count && cells <= kFindChunkCells; ++r) {
      text += ChunkRow(rows, r);
      cells += ChunkCells(rows, r);
      last = r;
    }
    const TCellString chunk = TCellString::FromUtf8(text);
    // The search starts after a hit with no length: a match right after it counts.
    TSearchSelection sel{std::min(pos, chunk.Length()), 0};
    if (SearchText(chunk, sel, pattern, options | sfDown)) {
      ShowFound(row, chunk, sel);
      return true;
    }
    if (last == count - 1) return false;
    // A match across the chunk's end is found in the next chunk, which
    // begins with this chunk's last row.
    row = last > row ? last : row + 1;
    pos = 0;
  }
  return false;
}

bool TEditor::FindBackward(const TCellString& pattern, TSearchOptions options) {
  const TEditorScreenStrings& rows = *FList;
  const int count = rows.GetCount();
  int row = Row();
  int pos = FCaretModel->Pos();
  if (FSelection->HasSelection()) {
    row = FSelection->Text().StartRow;
    pos = FSelection->Text().StartPos;
  }
  if (row >= count) {
    row = count - 1;
    pos = ChunkCells(rows, row);
  }
  while (row >= 0) {
    std::string text = ChunkRow(rows, row);
    int cells = ChunkCells(rows, row);
    int first = row;
    while (first > 0 && cells <= kFindChunkCells) {
      --first;
      text = ChunkRow(rows, first) + text;
      cells += ChunkCells(rows, first);
      pos += ChunkCells(rows, first);
    }
    const TCellString chunk = TCellString::FromUtf8(text);
    TSearchSelection sel{pos, 0};
    if (SearchText(chunk, sel, pattern, options & ~sfDown)) {
      ShowFound(first, chunk, sel);
      return true;
    }
    if (first == 0) return false;
    row = first < row ? first : row - 1;
    pos = ChunkCells(rows, row);
  }
  return false;
}

bool TEditor::FindText(const std::string& pattern, TSearchOptions options) {
  if (FList->GetCount() == 0 || pattern.empty()) return false;
  const TCellString cells = TCellString::FromUtf8(pattern);
  return (options & sfDown) != 0 ? FindForward(cells, options) : FindBackward(cells, options);
}

std::pair<std::string, int> TEditor::GetTokenAt(QPoint point, bool useFountain, bool keepState) {
  const TTokenAt token = TokenAtPoint(*FList, Geometry(), useFountain ? ActiveFountain() : &FView->Fountain(), point,
                                      useFountain, keepState);
  return {token.Text, token.Kind};
}

void TEditor::SelectTokenAt(QPoint point, bool useFountain, bool keepState) {
  const TTokenAt token = TokenAtPoint(*FList, Geometry(), useFountain ? ActiveFountain() : &FView->Fountain(), point,
                                      useFountain, keepState);
  if (token.Text.empty()) return;
  FSelection->CleanSelection();
  FCaretModel->MoveCaretToOffset(token.FirstRow, token.Offset);
  SetSelLength(static_cast<int>(token.Text.size()));
}

void TEditor::SelectWordAtCaret() { SelectTokenAt(GetCaretPoint(), false, false); }

void TEditor::Undo() {
  FSelection->CleanSelection();
  FList->Undo();
}

void TEditor::Redo() {
  FSelection->CleanSelection();
  FList->Redo();
}

void TEditor::PutRowMarks(int row, uint16_t marks) {
  if (row < 0 || row >= FList->GetCount()) return;
  const uint16_t old = FList->RowMarks(row);
  if (old == marks) return;
  FList->IncludeMarks(static_cast<uint16_t>(marks & ~old));
  FList->ExcludeMarks(static_cast<uint16_t>(old & ~marks));
  FList->SetRowMarks(row, marks);
  if (FImagebar->Values().Visible) InvalidateRow(row);
}

void TEditor::PutRowMark(int row, int mark) {
  if (mark < 0 || mark >= kMarkCount) return;
  if (mark < kDigitMarks) {
    for (int r = 0; r < FList->GetCount(); ++r) {
      if ((FList->RowMarks(r) & MarkBit(mark)) != 0) {
        PutRowMarks(r, static_cast<uint16_t>(FList->RowMarks(r) & ~MarkBit(mark)));
        break;
      }
    }
  }
  if (row >= 0 && row < FList->GetCount()) PutRowMarks(row, FList->RowMarks(row) | MarkBit(mark));
}

void TEditor::DeleteRowMark(int row, int mark) {
  if (mark < 0 || mark >= kMarkCount || row < 0 || row >= FList->GetCount()) return;
  PutRowMarks(row, static_cast<uint16_t>(FList->RowMarks(row) & ~MarkBit(mark)));
}

void TEditor::GotoRowMark(int mark) {
  if (mark < 0 || mark >= kMarkCount) return;
  for (int r = 0; r < FList->GetCount(); ++r) {
    if ((FList->RowMarks(r) & MarkBit(mark)) == 0) continue;
    const int visible = FCaretModel->VisibleRows();
    if (r < TopRow() || r >= TopRow() + visible) SetTopRow(r - visible / kMarkRowPart);
    SetRowCol(r, 0);
    return;
  }
}

void TEditor::EmScrollCaret() {
  const int visibleRows = FCaretModel->VisibleRows();
  const int visibleCols = FCaretModel->VisibleCols();
  if (Row() < TopRow() || Row() >= TopRow() + visibleRows) SetTopRow(Row() - visibleRows / kScrollCaretPart);
  if (Col() < TopCol() || Col() >= TopCol() + visibleCols) SetTopCol(Col() - visibleCols / kScrollCaretPart);
}

// ---- clipboard ----

void TEditor::PutSelectionOnClipboard() {
  auto mime = std::make_unique<QMimeData>();
  const std::string text = SelText();
  mime->setText(QString::fromStdString(text));
  if (FSelection->Mode() == smBox) mime->setData(kBoxMimeType, QByteArray::fromStdString(text));
  QApplication::clipboard()->setMimeData(mime.release());
}

void TEditor::CopyToClipboard() {
  if (FSelection->Selected()) {
    PutSelectionOnClipboard();
  } else {
    QApplication::clipboard()->setText(QString());
  }
}

void TEditor::CutToClipboard() {
  if (FReadOnly || !FSelection->Selected()) {
    QApplication::clipboard()->setText(QString());
    return;
  }
  PutSelectionOnClipboard();
  DeleteSelection();
}

void TEditor::PasteFromClipboard() {
  if (FReadOnly) return;
  const QMimeData* mime = QApplication::clipboard()->mimeData();
  if (mime == nullptr || !mime->hasText()) return;
  const std::string text = mime->text().toStdString();
  if (mime->hasFormat(kBoxMimeType)) {
    PasteBox(text);
  } else {
    SetSelTextBuf(text);
  }
}

void TEditor::ClearSelection() {
  if (!FReadOnly) DeleteSelection();
}

void TEditor::Undo(bool redo) {
  if (FReadOnly) return;
  if (redo) {
    Redo();
  } else {
    Undo();
  }
}
