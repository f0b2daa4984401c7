#include "ui/core/ovgridcore.h"

#include <QString>

#include <charconv>

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

std::optional<std::string> PickListMatch(const std::string& prefix, const std::vector<std::string>& items) {
  const QString wanted = QString::fromStdString(prefix);
  for (const std::string& item : items)
    if (QString::fromStdString(item).startsWith(wanted, Qt::CaseInsensitive)) return item;
  return std::nullopt;
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
