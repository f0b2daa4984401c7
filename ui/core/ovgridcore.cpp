#include "ui/core/ovgridcore.h"

#include <QString>

#include <algorithm>
#include <charconv>

namespace {
// The printable range of ASCII.
constexpr char32_t kFirstPrintable = 0x20;
constexpr char32_t kLastPrintable = 0x7E;
}  // namespace

TCheckLook CheckLookOf(const std::string& text) {
  int value = 0;
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || ptr != text.data() + text.size()) return TCheckLook::Empty;
  if (value == 1) return TCheckLook::Ticked;
  if (value == 2) return TCheckLook::Grayed;
  return TCheckLook::Empty;
}

bool IsCheckStyle(TovGridEditStyle style) { return style == geCheckBox || style == geViewCheckBox; }

TGridEnter GridEnterAction(TovGridEditorMode mode, std::optional<TovGridEditStyle> style, bool shift) {
  switch (mode) {
    case geAccess:
      return TGridEnter::NextColumn;
    case geExcel:
      if (style && *style != geSimple) return TGridEnter::Nothing;
      return shift ? TGridEnter::RowUp : TGridEnter::RowDown;
    case geNormal:
      break;
  }
  return TGridEnter::Nothing;
}

int GridEnterTarget(TGridEnter action, int at, int first, int last) {
  switch (action) {
    case TGridEnter::NextColumn:
    case TGridEnter::RowDown:
      return std::clamp(at + 1, first, std::max(first, last));
    case TGridEnter::RowUp:
      return std::clamp(at - 1, first, std::max(first, last));
    case TGridEnter::Nothing:
      break;
  }
  return at;
}

bool IsCheckToggleChar(char32_t c) { return c >= kFirstPrintable && c <= kLastPrintable; }

std::optional<std::string> PickListMatch(const std::string& prefix, const std::vector<std::string>& items) {
  const QString wanted = QString::fromStdString(prefix);
  for (const std::string& item : items)
    if (QString::fromStdString(item).startsWith(wanted, Qt::CaseInsensitive)) return item;
  return std::nullopt;
}

std::optional<TPickCompletion> CompletePick(const QString& text, int selStart, int selLength, const QString& typed,
                                            const std::vector<std::string>& items) {
  const QString prefix = (selLength > 0 ? text.left(selStart) : text) + typed;
  const std::optional<std::string> match = PickListMatch(prefix.toStdString(), items);
  if (!match) return std::nullopt;
  const QString item = QString::fromStdString(*match);
  return TPickCompletion{item, static_cast<int>(prefix.size()), static_cast<int>(item.size() - prefix.size())};
}

std::string NextPickItem(const std::string& text, const std::vector<std::string>& items) {
  if (items.empty()) return text;
  const auto found = std::find(items.begin(), items.end(), text);
  if (found == items.end() || found + 1 == items.end()) return items.front();
  return *(found + 1);
}

bool ArrowLeavesEditor(int selStart, int selLength, int textLength) { return selStart == 0 && selLength == textLength; }

int PageScrollTarget(int top, int visibleRows, bool down, int first, int last) {
  const int step = std::max(1, visibleRows / 2);
  return std::clamp(down ? top + step : top - step, first, std::max(first, last));
}

bool TGridSnapshot::Modified(const TGridCells& cells) const { return cells != saved_; }

bool TGridSnapshot::CellModified(int col, int row, const std::string& text) const {
  std::string saved;
  if (row >= 0 && static_cast<size_t>(row) < saved_.size()) {
    const std::vector<std::string>& cells = saved_[static_cast<size_t>(row)];
    if (col >= 0 && static_cast<size_t>(col) < cells.size()) saved = cells[static_cast<size_t>(col)];
  }
  return text != saved;
}
