#include "app/core/fmaineditcore.h"

#include <QString>

#include "app/core/fobjectcore.h"
#include "app/core/zarur.h"
#include "editor/core/heSearch.h"
#include "ui/core/oveditcmd.h"

namespace {

constexpr const char* kLineBreak = "\r\n";
constexpr size_t kLineBreakSize = 2;

bool SameSelection(const std::string& selected, const std::string& text, bool matchCase) {
  return QString::fromStdString(selected).compare(QString::fromStdString(text),
                                                  matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive) == 0;
}

bool LineTooWide(const std::string& text) {
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(kLineBreak, start);
    if (DisplayWidth(text.substr(start, end == std::string::npos ? std::string::npos : end - start)) >
        kFormatLineLimit)
      return true;
    if (end == std::string::npos) return false;
    start = end + kLineBreakSize;
  }
}

}  // namespace

bool FindInEditor(TovEditorCommands& editor, const std::string& text, bool forward, bool matchCase) {
  if (editor.FindText(text, forward, matchCase)) return true;
  MsgBox("検索文字列 " + text + " は見つかりませんでした。", MB_ICONWARNING);
  return false;
}

void ReplaceInEditor(TovEditorCommands& editor, const std::string& findText, const std::string& replaceText,
                     bool matchCase) {
  if (editor.HasSelection() && SameSelection(editor.SelectedText(), findText, matchCase))
    editor.ReplaceSelection(replaceText);
  if (!editor.FindText(findText, true, matchCase))
    MsgBox("検索文字列" + findText + "は見つかりませんでした。", MB_ICONWARNING);
}

int ReplaceAllInEditor(TovEditorCommands& editor, const std::string& findText, const std::string& replaceText,
                       bool matchCase, const TReplaceProgress& progress) {
  int count = 0;
  // An empty find text matches everywhere without moving: nothing to replace.
  if (!findText.empty()) {
    // The editor's own search over the whole text; the span from the first
    // hit to the end of the last goes back as one edit.
    const std::string text = editor.Text();
    const TCellString cells = TCellString::FromUtf8(text);
    const TCellString pattern = TCellString::FromUtf8(findText);
    const TSearchOptions options = sfDown | (matchCase ? sfMatchCase : 0);
    TSearchSelection hit;
    std::string replaced;
    size_t first = 0;
    size_t done = 0;
    TProgressPace pace;
    while (SearchText(cells, hit, pattern, options)) {
      const size_t start = cells.ByteOffset(hit.Start);
      if (count == 0) first = done = start;
      replaced.append(text, done, start - done);
      replaced += replaceText;
      done = cells.ByteOffset(hit.Start + hit.Length);
      ++count;
      if (pace.Due()) {
        if (progress) progress(count);
        if (IsEscapePressed()) break;
      }
    }
    if (count > 0) {
      editor.SetSelection(static_cast<int>(first), static_cast<int>(done));
      editor.ReplaceSelection(replaced);
    }
  }
  MsgBox(std::to_string(count) + kReplaceCountText, MB_ICONINFORMATION);
  return count;
}

void JumpInEditor(TovEditorCommands& editor) {
  std::string value;
  TCheckList checks;
  if (!InputDialog(kJumpCaption, kJumpPrompt, value, true, checks)) return;
  const std::string typed = Trim(value);
  bool ok = false;
  const int line = QString::fromStdString(typed).toInt(&ok);
  if (ok && line <= editor.CaretRowCount()) {
    editor.JumpToLine(line);
    return;
  }
  MsgBox("指定行 " + typed + " は見つかりませんでした。", MB_ICONWARNING);
}

void FormatInEditor(TovEditorCommands& editor, const TSqlFormatter& formatter) {
  const std::string text = editor.Text();
  if (LineTooWide(text)) {
    MsgBox(kFormatTooLongText, MB_ICONWARNING);
    return;
  }
  if (!editor.HasSelection()) {
    editor.SetSelection(0, static_cast<int>(text.size()));
    editor.ReplaceSelection(formatter(text));
    editor.ScrollToFirstColumn();
    return;
  }
  const int start = editor.SelStart();
  const int end = editor.SelEnd();
  // The last line break that ends before the selection starts.
  const size_t lineBreak = start >= static_cast<int>(kLineBreakSize)
                               ? text.rfind(kLineBreak, static_cast<size_t>(start) - kLineBreakSize)
                               : std::string::npos;
  const int lineStart = lineBreak == std::string::npos ? 0 : static_cast<int>(lineBreak + kLineBreakSize);
  editor.SetSelection(lineStart, end);
  editor.ReplaceSelection(formatter(text.substr(static_cast<size_t>(lineStart), static_cast<size_t>(end - lineStart))));
  editor.ScrollToFirstColumn();
}

void ChangeSelectionCase(TovEditCommands& commands, bool upper) {
  const QString selected = QString::fromStdString(commands.SelectedText());
  commands.ReplaceSelection((upper ? selected.toUpper() : selected.toLower()).toStdString());
}

std::string EndTransaction(TTransactionPort& tx, bool commit, bool autoCommit, const std::string& label) {
  if (tx.InTransaction()) commit ? tx.CommitTrans() : tx.RollbackTrans();
  if (!autoCommit) tx.BeginTrans();
  return "現行データベース [ " + label + " ] のトランザクションを " + (commit ? "COMMIT" : "ROLLBACK") + " しました。";
}
