#include "editor/core/DAziverLines.h"

#include <algorithm>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "platform/textfile.h"

int TEditorStrings::GetCount() const {
  const TEditorScreenStrings& rows = Rows();
  if (!rows.WordWrap()) return rows.GetCount();
  int count = 0;
  for (int row = 0; row < rows.GetCount(); ++row) {
    if (rows.Rows(row) != raWrapped || row == rows.GetCount() - 1) ++count;
  }
  return count;
}

int TEditorStrings::LineToRow(int index) const {
  const TEditorScreenStrings& rows = Rows();
  if (!rows.WordWrap()) return index;
  int row = 0;
  for (int line = 0; line < index; ++line) row = rows.ParagraphEnd(row) + 1;
  return row;
}

void TEditorStrings::CheckIndex(int index) const {
  if (index < 0 || index >= GetCount()) throw ListIndexError(index);
}

std::string TEditorStrings::Get(int index) const {
  CheckIndex(index);
  return Rows().ParagraphText(LineToRow(index));
}

template <class Edit>
void TEditorStrings::Modify(Edit edit) {
  FEditor.CleanSelection();
  FEditor.CaretHide();
  const std::pair<int, int> caret = edit();
  FEditor.CaretShow();
  FEditor.MoveCaretToOffset(caret.first, caret.second);
}

void TEditorStrings::Put(int index, const std::string& s) {
  CheckIndex(index);
  Modify([&] {
    TEditorScreenStrings& rows = Rows();
    const int first = LineToRow(index);
    const int last = rows.ParagraphEnd(first);
    const bool noBreak = last == rows.GetCount() - 1 && rows.Rows(last) == raEof;
    const TCellString text = TCellString::FromUtf8(noBreak ? s : s + kCrLf);
    rows.ReplaceRows(first, last - first + 1, text);
    return std::pair{first, text.Length()};
  });
}

void TEditorStrings::Insert(int index, const std::string& s) {
  if (index == GetCount()) {
    Add(s);
    return;
  }
  CheckIndex(index);
  Modify([&] {
    const int row = LineToRow(index);
    const TCellString text = TCellString::FromUtf8(s + kCrLf);
    Rows().ReplaceRows(row, 0, text);
    return std::pair{row, text.Length()};
  });
}

int TEditorStrings::Add(const std::string& s) {
  const int before = GetCount();
  Modify([&] {
    TEditorScreenStrings& rows = Rows();
    const int last = rows.GetCount() - 1;
    if (last < 0 || rows.Rows(last) == raCrlf) {
      const TCellString text = TCellString::FromUtf8(s + kCrLf);
      rows.ReplaceRows(last + 1, 0, text);
      return std::pair{last + 1, text.Length()};
    }
    // The last line has no break: it gets one and the new line follows.
    const TCellString text = TCellString::FromUtf8(std::string(rows.Bytes(last)) + kCrLf + s);
    rows.ReplaceRows(last, 1, text);
    return std::pair{last, text.Length()};
  });
  return before;
}

void TEditorStrings::Delete(int index) {
  CheckIndex(index);
  Modify([&] {
    TEditorScreenStrings& rows = Rows();
    const int first = LineToRow(index);
    rows.ReplaceRows(first, rows.ParagraphEnd(first) - first + 1, {});
    return std::pair{first, 0};
  });
}

void TEditorStrings::Clear() { Rows().Clear(); }

std::string TEditorStrings::GetTextStr() const { return Rows().JoinRows(0, Rows().GetCount() - 1); }

namespace {

// Rows of a text whose lines end with LF: one a line, and with soft wrap at
// `wrapWidth` one for each wrap width of a line's bytes, which its columns
// exceed only by TABs.
int ExpectedRows(std::string_view text, int wrapWidth) {
  if (wrapWidth <= 0) return static_cast<int>(std::count(text.begin(), text.end(), '\n') + 1);
  const auto width = static_cast<size_t>(wrapWidth);
  size_t rows = 0;
  for (size_t start = 0; start <= text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const size_t length = end - start - (end > start && text[end - 1] == '\r' ? 1 : 0);
    rows += std::max<size_t>(1, (length + width - 1) / width);
    start = end + 1;
  }
  return static_cast<int>(rows);
}

}  // namespace

void TEditorStrings::FillRows(std::string text) {
  TEditorScreenStrings& rows = Rows();
  rows.LoadText(std::move(text));
  const std::string_view view(rows.Text());
  // Room for the rows of a CR LF or LF text, so that the list is not moved
  // (and held twice) while it fills; other texts grow.
  rows.SetCapacity(ExpectedRows(view, rows.WordWrap() ? rows.WrapOption().WrapByte() : 0));
  TCellString scratch;
  // The next CR and the next LF, each searched again only once passed.
  const auto next = [&view](char c, size_t from) {
    const size_t at = view.find(c, from);
    return at == std::string_view::npos ? view.size() : at;
  };
  size_t cr = next('\r', 0);
  size_t lf = next('\n', 0);
  size_t start = 0;
  while (start < view.size()) {
    if (cr < start) cr = next('\r', start);
    if (lf < start) lf = next('\n', start);
    const size_t end = std::min(cr, lf);
    if (end == view.size()) break;
    rows.AddLine(start, end - start, scratch);
    start = end + (end == cr && lf == end + 1 ? 2 : 1);
  }
  if (start < view.size()) {
    rows.AddLine(start, view.size() - start, scratch);
    rows.SetRows(rows.GetCount() - 1, raEof);
  }
  rows.InitRowStates();
}

void TEditorStrings::SetTextStr(const std::string& text) {
  BeginUpdate();
  Rows().Clear();
  FillRows(text);
  EndUpdate();
}

void TEditorStrings::Assign(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + kCrLf;
  SetTextStr(text);
  FEditor.SetRow(Rows().GetCount());
  FEditor.SetCol(0);
}

void TEditorStrings::LoadFromFile(const std::string& fileName) {
  std::string text = platform::ReadTextFile(fileName);
  BeginUpdate();
  Rows().Clear();
  FillRows(std::move(text));
  EndUpdate();
}

void TEditorStrings::SaveToFile(const std::string& fileName) const { platform::WriteTextFile(fileName, GetTextStr()); }

void TEditorStrings::BeginUpdate() {
  Rows().BeginUpdate();
  FEditor.CaretHide();
  FEditor.CaretBeginUpdate();
  FEditor.SetLinesUpdating(true);
}

void TEditorStrings::EndUpdate() {
  TEditorScreenStrings& rows = Rows();
  rows.EndUpdate();
  FEditor.CaretEndUpdate();
  FEditor.CaretShow();
  FEditor.SetLinesUpdating(false);
  FEditor.CaretMoved();
  rows.RefresdAzivers();
}
