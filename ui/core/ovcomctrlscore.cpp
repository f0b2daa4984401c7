#include "ui/core/ovcomctrlscore.h"

#include <QCollator>
#include <QString>

#include <cmath>
#include <cstdlib>

#include "ui/core/ovstdctlcore.h"

namespace {
// Numbers closer than this are the same value (two decimal places count).
constexpr long double kEqualNumbers = 0.005L;

long double NumberOf(std::string text) {
  std::erase(text, ',');
  return TextToFloatDef(text, 0);
}
}  // namespace

int NextSortState(int sortState, int column) {
  return column + 1 == std::abs(sortState) ? -sortState : column + 1;
}

int CompareListTexts(const std::string& first, const std::string& second, bool numeric) {
  if (numeric) {
    const long double difference = NumberOf(first) - NumberOf(second);
    if (std::fabs(difference) < kEqualNumbers) return 0;
    return difference < 0 ? -1 : 1;
  }
  static const QCollator collator = [] {
    QCollator c;
    c.setCaseSensitivity(Qt::CaseSensitive);
    return c;
  }();
  return collator.compare(QString::fromStdString(first), QString::fromStdString(second));
}

std::string SortTextOf(const TListRowTexts& row, int sortState) {
  const int column = std::abs(sortState);
  if (column == 1) return row.Caption;
  const size_t sub = static_cast<size_t>(column - 2);
  return sub < row.SubItems.size() ? row.SubItems[sub] : std::string();
}

int CompareListRows(const TListRowTexts& a, const TListRowTexts& b, int sortState, bool numeric) {
  if (sortState == 0) return 0;
  const std::string textA = SortTextOf(a, sortState), textB = SortTextOf(b, sortState);
  return sortState > 0 ? CompareListTexts(textA, textB, numeric) : CompareListTexts(textB, textA, numeric);
}
