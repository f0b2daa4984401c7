#include "editor/core/DAziverRows.h"

#include <algorithm>
#include <string>

#include "editor/core/heFountain.h"
#include "editor/core/heUtils.h"

namespace {

// A fresh scanner state: outside any bracket region, nothing carried.
TRowAttributeData InitialState() {
  TRowAttributeData state;
  state.BracketIndex = kNoBracket;
  return state;
}

// The fields a stored state is compared on (the row's own kind is the row's).
bool SameState(const TRowAttributeData& a, const TRowAttributeData& b) {
  return a.PrevRowAttribute == b.PrevRowAttribute && a.BracketIndex == b.BracketIndex &&
         a.ElementIndex == b.ElementIndex && a.Remain == b.Remain && a.DataA == b.DataA &&
         a.WrappedByte == b.WrappedByte && a.DataB == b.DataB && a.DataStr == b.DataStr;
}

// Copies one row with all its fields.
void CopyRow(const TRowAttributeStringList& from, int fromIndex, TRowAttributeStringList& to, int toIndex) {
  to.Put(toIndex, from.Get(fromIndex));
  to.SetDataA(toIndex, from.DataA(fromIndex));
  to.SetDataB(toIndex, from.DataB(fromIndex));
  to.SetObjects(toIndex, from.Objects(fromIndex));
  to.SetStates(toIndex, from.States(fromIndex));
}

// A CR ends a line as well as a LF does: taking only LF would drop the last
// break of a text pasted with CR breaks.
bool EndsWithLineBreak(const TCellString& text) {
  const char32_t last = text.CodeAt(text.Length() - 1);
  return last == '\n' || last == '\r';
}

}  // namespace

TEditorScreenStrings::TEditorScreenStrings() {
  OnChange = TNotifyEvent::Of<TEditorScreenStrings, &TEditorScreenStrings::NotifyEditors>(this);
}

TEditorScreenStrings* TEditorScreenStrings::Create(TEditorView& owner) {
  // Owned by the views that attach: the last one to detach frees it.
  std::unique_ptr<TEditorScreenStrings> list(new TEditorScreenStrings);
  list->FUndoObj = list->CreateUndoObj();
  list->FWrapOption = list->CreateWrapOption();
  list->AttacdAziver(owner);
  return list.release();
}

std::unique_ptr<TEditorUndoObj> TEditorScreenStrings::CreateUndoObj() { return std::make_unique<TEditorUndoObj>(*this); }

std::unique_ptr<TEditorWrapOption> TEditorScreenStrings::CreateWrapOption() {
  auto option = std::make_unique<TEditorWrapOption>();
  option->OnChange = TNotifyEvent::Of<TEditorScreenStrings, &TEditorScreenStrings::WrapOptionChanged>(this);
  return option;
}

void TEditorScreenStrings::AttacdAziver(TEditorView& view) { FAzivers.push_back(&view); }

void TEditorScreenStrings::DetacdAziver(TEditorView& view) {
  std::erase(FAzivers, &view);
  if (FAzivers.empty()) delete this;
}

void TEditorScreenStrings::RefresdAzivers() {
  for (TEditorView* view : FAzivers) view->Refresh();
}

TEditorView* TEditorScreenStrings::ActiveEditor() const {
  for (TEditorView* view : FAzivers) {
    if (view->Focused()) return view;
  }
  return OwnerEditor();
}

void TEditorScreenStrings::NotifyEditors(TObject*) {
  for (TEditorView* view : FAzivers) view->DoChange();
}

bool TEditorScreenStrings::OwnerLoading() const { return OwnerEditor() != nullptr && OwnerEditor()->Loading(); }

TRowAttrSettings TEditorScreenStrings::AttrSettings() const {
  TRowAttrSettings settings;
  if (const TEditorView* owner = OwnerEditor()) {
    settings.Delimiters = &owner->Delimiters();
    settings.TabSpaceCount = owner->TabSpaceCount();
  }
  settings.WrapByte = FWordWrap ? FWrapOption->WrapByte() : 0;
  return settings;
}

// ---- paragraphs and blocks of rows ----

int TEditorScreenStrings::ParagraphStart(int row) const {
  while (row > 0 && row - 1 < GetCount() && Rows(row - 1) == raWrapped) --row;
  return row;
}

int TEditorScreenStrings::ParagraphEnd(int row) const {
  if (row < 0) return row;
  while (row < GetCount() - 1 && Rows(row) == raWrapped) ++row;
  return row;
}

void TEditorScreenStrings::GetRowsText(int start, int count, int& kind, int& rowCount, TCellString& text) const {
  const int last = count < 0 ? ParagraphEnd(start) : std::min(start + count - 1, GetCount() - 1);
  if (start < 0 || start >= GetCount() || last < start) {
    kind = kUndoNoText;
    rowCount = 0;
    text = {};
    return;
  }
  text = TCellString::FromUtf8(JoinRows(start, last));
  kind = Rows(last);
  rowCount = last - start + 1;
}

std::string TEditorScreenStrings::ParagraphText(int first) const {
  std::string text;
  for (int row = first; row <= ParagraphEnd(first); ++row) text += Bytes(row);
  return text;
}

std::string TEditorScreenStrings::JoinRows(int first, int last) const {
  size_t length = 0;
  for (int row = first; row <= last; ++row) length += Bytes(row).size() + sizeof(kCrLf) - 1;
  std::string text;
  text.reserve(length);
  for (int row = first; row <= last; ++row) {
    text += Bytes(row);
    if (Rows(row) == raCrlf) text += kCrLf;
  }
  return text;
}

uint16_t TEditorScreenStrings::MarksOf(int first, int count) const {
  uint16_t marks = 0;
  for (int row = first; row < first + count; ++row) marks |= RowMarks(row);
  return marks;
}

uint16_t TEditorScreenStrings::DeleteRows(int start, int count) {
  if (count <= 0 || start < 0 || start >= GetCount()) return 0;
  count = std::min(count, GetCount() - start);
  BeginUpdate();
  const uint16_t marks = MarksOf(start, count);
  for (int row = start; row + count < GetCount(); ++row) Exchange(row, row + count);
  for (int k = 0; k < count; ++k) Delete(GetCount() - 1);
  EndUpdate();
  return marks;
}

void TEditorScreenStrings::DeleteRowsPassingMarks(int start, int count) {
  const uint16_t marks = DeleteRows(start, count);
  if (GetCount() > 0) {
    const int heir = std::min(start, GetCount() - 1);
    SetRowMarks(heir, RowMarks(heir) | marks);
  } else {
    ExcludeMarks(marks);
  }
}

void TEditorScreenStrings::InsertEmptyRows(int at, int count) {
  const int oldCount = GetCount();
  for (int k = 0; k < count; ++k) Add({});
  for (int row = oldCount - 1; row >= at; --row) Exchange(row, row + count);
}

void TEditorScreenStrings::PutRows(int start, int oldCount, const TEditorStringList& rows) {
  const int newCount = rows.GetCount();
  std::vector<uint16_t> marks(static_cast<size_t>(newCount), 0);
  BeginUpdate();
  if (newCount < oldCount) {
    const uint16_t deleted = DeleteRows(start, oldCount - newCount);
    for (int i = 0; i < newCount; ++i) marks[static_cast<size_t>(i)] = RowMarks(start + i);
    if (newCount > 0) {
      marks.front() |= deleted;
    } else {
      ExcludeMarks(deleted);
    }
  } else if (newCount == oldCount) {
    for (int i = 0; i < newCount; ++i) marks[static_cast<size_t>(i)] = RowMarks(start + i);
  } else {
    const int added = newCount - oldCount;
    for (int i = 1; i < oldCount; ++i) marks[static_cast<size_t>(added + i)] = RowMarks(start + i);
    if (oldCount > 0) {
      // Text typed at the start of a line pushes the line, and its mark, down.
      const TEditorView* active = ActiveEditor();
      const int target = active != nullptr && active->Col() != 0 ? 0 : added;
      marks[static_cast<size_t>(target)] |= RowMarks(start);
    }
    InsertEmptyRows(start + oldCount, added);
  }
  for (int i = 0; i < newCount; ++i) {
    CopyRow(rows, i, *this, start + i);
    SetRowMarks(start + i, marks[static_cast<size_t>(i)]);
  }
  EndUpdate();
}

void TEditorScreenStrings::ReplaceRows(int start, int count, const TCellString& text) {
  if (start < 0 || start + count - 1 > GetCount() - 1 || (count <= 0 && text.IsEmpty())) return;
  BeginUpdate();
  const int blockEnd = start + count - 1;
  const int first = std::max(ParagraphStart(start), start - 1);
  int last = ParagraphEnd(blockEnd);

  if (first == start && last == blockEnd && text.IsEmpty()) {
    // Whole paragraphs go.
    TUndoData& undo = FUndoObj->NewUndoData();
    undo.EditRow = start;
    int rowCount = 0;
    GetRowsText(start, count, undo.RowEnd, rowCount, undo.Text);
    DeleteRowsPassingMarks(start, count);
    SetLastChange(start, count, 0, UpdateRowStates(start, true));
    EndUpdate();
    return;
  }

  int kind = raCrlf;
  if (blockEnd >= 0 && Rows(blockEnd) == raWrapped) {
    kind = Rows(last);
  } else if (last + 1 < GetCount()) {
    // The new text may not end with a line break: the next paragraph joins it.
    last = ParagraphEnd(last + 1);
    kind = Rows(last);
  } else {
    kind = EndsWithLineBreak(text) ? raCrlf : raEof;
  }

  TUndoData& undo = FUndoObj->NewUndoData();
  undo.EditRow = first;
  int rowCount = 0;
  GetRowsText(first, last - first + 1, undo.RowEnd, rowCount, undo.Text);

  const std::string paragraph = JoinRows(first, start - 1) + text.Utf8() + JoinRows(blockEnd + 1, last);

  TEditorStringList rows;
  WrapText(TCellString::FromUtf8(paragraph), rows);
  rows.SetRows(rows.GetCount() - 1, kind);
  undo.RowCount = rows.GetCount();
  PutRows(first, last - first + 1, rows);
  SetLastChange(first, last - first + 1, rows.GetCount(), UpdateRowStates(first, true));
  EndUpdate();
}

void TEditorScreenStrings::ReplayUndo(const TUndoData& record, const std::function<void(const TUndoApplied&)>& file) {
  BeginUpdate();
  TUndoApplied applied;
  int rowsRead = 0;
  if (record.RowCount > 0) GetRowsText(record.EditRow, record.RowCount, applied.RowEnd, rowsRead, applied.Text);
  if (record.RowEnd == kUndoNoText) {
    DeleteRowsPassingMarks(record.EditRow, rowsRead);
  } else {
    TEditorStringList rows;
    WrapText(record.Text, rows);
    // A paragraph cut off inside: its trailing empty row is no row of the text.
    if (record.RowEnd == raWrapped && rows.GetCount() > 1 && rows.Get(rows.GetCount() - 1).IsEmpty()) {
      rows.Delete(rows.GetCount() - 1);
    }
    rows.SetRows(rows.GetCount() - 1, record.RowEnd);
    PutRows(record.EditRow, rowsRead, rows);
    applied.RowsInserted = rows.GetCount();
  }
  SetLastChange(record.EditRow, rowsRead, applied.RowsInserted, UpdateRowStates(record.EditRow, true));
  file(applied);
  EndUpdate();
}

void TEditorScreenStrings::SetLastChange(int start, int removed, int inserted, int recoloured) {
  FLastChange = {start, removed, inserted, recoloured, true};
}

// ---- wrapping ----

void TEditorScreenStrings::WrapText(const TCellString& text, TEditorStringList& rows) {
  rows.BeginUpdate();
  rows.Clear();
  if (text.IsEmpty()) {
    rows.Add({});
  } else if (!FWordWrap) {
    StrToStrings(text, rows);
  } else {
    TEditorStringList lines;
    StrToStrings(text, lines);
    for (int i = 0; i < lines.GetCount(); ++i) WrapParagraph(lines.Get(i), rows);
  }
  rows.EndUpdate();
}

void TEditorScreenStrings::WrapParagraph(const TCellString& text, TEditorStringList& rows) {
  for (const TWrappedRow& piece : WrapLine(text, *FWrapOption, AttrSettings())) {
    const int row = rows.Add(text.Mid(piece.First, piece.Count));
    rows.SetRows(row, piece.Kind);
  }
}

void TEditorScreenStrings::AddLine(size_t offset, size_t length, TCellString& scratch) {
  if (!FWordWrap || FitsOneRow({Text().data() + offset, length}, *FWrapOption)) {
    AddSpan(offset, length);
    return;
  }
  scratch.Assign({Text().data() + offset, length});
  for (const TWrappedRow& piece : WrapLine(scratch, *FWrapOption, AttrSettings())) {
    const size_t first = scratch.ByteOffset(piece.First);
    const int row = AddSpan(offset + first, scratch.ByteOffset(piece.First + piece.Count) - first);
    SetRows(row, piece.Kind);
  }
}

int TEditorScreenStrings::WrapRowCount(const TCellString& text) {
  if (!FWordWrap) return 1;
  return static_cast<int>(WrapLine(text, *FWrapOption, AttrSettings()).size());
}

bool TEditorScreenStrings::ParagraphSpan(int first, int last, size_t& offset) const {
  if (!SpanOf(first, offset)) return false;
  size_t next = offset;
  for (int row = first; row <= last; ++row) {
    size_t at = 0;
    if (!SpanOf(row, at) || at != next) return false;
    next += Bytes(row).size();
  }
  return true;
}

void TEditorScreenStrings::SetNewRows(const std::vector<TNewRow>& rows) {
  for (const TNewRow& row : rows) {
    SetRows(row.Row, row.Kind);
    SetRowMarks(row.Row, row.Marks);
  }
}

void TEditorScreenStrings::WrapAll() {
  if (OwnerLoading() || GetCount() == 0) return;
  BeginUpdate();
  const int lastKind = Rows(GetCount() - 1);
  std::vector<TNewRow> cut;
  Rebuild([&](TBuilder& out) {
    for (int first = 0; first < GetCount();) {
      const int last = ParagraphEnd(first);
      // A paragraph of one row that fits stays as it is.
      if (first == last && FitsOneRow(Bytes(first), *FWrapOption)) {
        out.Keep(first++);
        continue;
      }
      const TCellString text = TCellString::FromUtf8(ParagraphText(first));
      size_t offset = 0;
      const bool span = ParagraphSpan(first, last, offset);
      const size_t before = cut.size();
      for (const TWrappedRow& piece : WrapLine(text, *FWrapOption, AttrSettings())) {
        if (span) {
          const size_t from = text.ByteOffset(piece.First);
          out.AddSpan(offset + from, text.ByteOffset(piece.First + piece.Count) - from);
        } else {
          out.Add(text.Mid(piece.First, piece.Count));
        }
        cut.push_back({out.Count() - 1, piece.Kind, 0});
      }
      // Marks in order; the surplus goes to the paragraph's last row.
      for (int row = first; row <= last; ++row) {
        cut[std::min(before + static_cast<size_t>(row - first), cut.size() - 1)].Marks |= RowMarks(row);
      }
      first = last + 1;
    }
  });
  SetNewRows(cut);
  SetRows(GetCount() - 1, lastKind);
  EndUpdate();
}

void TEditorScreenStrings::UnwrapAll() {
  if (GetCount() == 0) return;
  BeginUpdate();
  const int lastKind = Rows(GetCount() - 1);
  std::vector<TNewRow> joined;
  Rebuild([&](TBuilder& out) {
    for (int first = 0; first < GetCount();) {
      const int last = ParagraphEnd(first);
      if (first == last) {
        out.Keep(first++);
        continue;
      }
      size_t offset = 0;
      if (ParagraphSpan(first, last, offset)) {
        size_t length = 0;
        for (int row = first; row <= last; ++row) length += Bytes(row).size();
        out.AddSpan(offset, length);
      } else {
        out.Add(TCellString::FromUtf8(ParagraphText(first)));
      }
      joined.push_back({out.Count() - 1, raCrlf, MarksOf(first, last - first + 1)});
      first = last + 1;
    }
  });
  SetNewRows(joined);
  SetRows(GetCount() - 1, lastKind == raWrapped ? raEof : lastKind);
  EndUpdate();
}

void TEditorScreenStrings::SetWordWrap(bool value) {
  if (FWordWrap == value) return;
  FWordWrap = value;
  if (!OwnerLoading()) Rewrap();
}

void TEditorScreenStrings::WrapOptionChanged(TObject*) {
  if (FWordWrap && !OwnerLoading()) Rewrap();
}

void TEditorScreenStrings::Rewrap() {
  FUndoObj->Clear();
  if (FWordWrap) {
    WrapAll();
  } else {
    UnwrapAll();
  }
  InitRowStates();
  RefresdAzivers();
  ClampEditors();
  for (TEditorView* view : FAzivers) view->SetCol(0);
}

// ---- colouring state ----

int TEditorScreenStrings::ScreenRows() const {
  const TEditorView* owner = OwnerEditor();
  return owner == nullptr ? 0 : owner->ScreenHeight() / std::max(owner->RowHeight(), 1);
}

int TEditorScreenStrings::UpdateRowStates(int row, bool notify) {
  if (row < 0 || row >= GetCount()) return 0;
  return ScanStates(row, std::min(row + 2 * ScreenRows(), GetCount() - 1), notify);
}

void TEditorScreenStrings::ComputeRowState(int row, TFountainParser& parser) {
  if (row < 0 || row >= GetCount() || BracketIndex(row) != kBracketNotComputed) return;
  // States are the owner's fountain's; another view's parser may not share it.
  TEditorView* owner = OwnerEditor();
  if (owner != nullptr && owner->ActiveFountain() == parser.Fountain()) {
    ScanStates(row, row, false, parser);
  } else {
    ScanStates(row, row, false);
  }
}

void TEditorScreenStrings::InitRowStates() {
  TEditorView* owner = OwnerEditor();
  if (owner == nullptr || owner->Loading()) return;
  MarkNotComputed(0);
  if (GetCount() == 0) return;
  const int limit = owner->InitBracketsFull() ? GetCount() - 1 : std::min(owner->TopRow() + ScreenRows(), GetCount() - 1);
  ScanStates(0, limit, false);
}

int TEditorScreenStrings::ScanStates(int from, int limit, bool notify) {
  TFountain* fountain = OwnerEditor() == nullptr ? nullptr : OwnerEditor()->ActiveFountain();
  if (fountain == nullptr) return 0;
  return ScanStates(from, limit, notify, *fountain->CreateParser());
}

int TEditorScreenStrings::ScanStates(int from, int limit, bool notify, TFountainParser& parser) {
  int known = from - 1;
  while (known >= 0 && BracketIndex(known) == kBracketNotComputed) --known;
  TRowAttributeData state = InitialState();
  if (known >= 0) {
    state = RowAttributeData(known);
    parser.RowStateOut(known, *this, state);
  }
  int changed = 0;
  for (int row = known + 1; row <= limit; ++row) {
    state.PrevRowAttribute = row > 0 ? Rows(row - 1) : raCrlf;
    state.RowAttribute = Rows(row);
    // From here on the text scans as it did before.
    if (SameState(RowAttributeData(row), state)) return changed;
    SetRowAttributeData(row, state);
    if (notify) {
      ++changed;
      for (TEditorView* view : FAzivers) view->InvalidateRow(row);
    }
    parser.RowStateOut(row, *this, state);
  }
  MarkStale(limit + 1);
  return changed;
}

void TEditorScreenStrings::MarkNotComputed(int from) {
  for (int row = std::max(from, 0); row < GetCount(); ++row) SetStateNotComputed(row);
}

void TEditorScreenStrings::MarkStale(int from) {
  for (int row = std::max(from, 0); row < GetCount() && BracketIndex(row) != kBracketNotComputed; ++row) {
    SetStateNotComputed(row);
  }
}

// ---- clearing and updates ----

void TEditorScreenStrings::Clear() {
  for (TEditorView* view : FAzivers) view->CleanSelection();
  FUndoObj->Clear();
  FLastChange = {0, GetCount(), 0, 0, true};
  TEditorStringList::Clear();
  FLastChange = {};
  for (TEditorView* view : FAzivers) {
    view->SetRow(0);
    view->SetCol(0);
  }
  FUsedMarks = 0;
}

void TEditorScreenStrings::ClampEditors() {
  for (TEditorView* view : FAzivers) {
    if (view->Row() > GetCount()) view->SetRow(GetCount());
    if (view->TopRow() > std::max(GetCount() - 1, 0)) view->SetTopRow(std::max(GetCount() - 1, 0));
  }
}

void TEditorScreenStrings::SetUpdateState(bool updating) {
  TEditorStringList::SetUpdateState(updating);
  if (updating) return;
  FLastChange = {};
  ClampEditors();
}
