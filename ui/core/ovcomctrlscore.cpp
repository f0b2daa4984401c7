#include "ui/core/ovcomctrlscore.h"

#include <QCollator>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numeric>
#include <string>

#include "ui/core/ovstdctlcore.h"

namespace {
// Numbers closer than this are the same value (two decimal places count).
constexpr long double kEqualNumbers = 0.005L;

long double NumberOf(const QString& text) {
  std::string number = text.toStdString();
  std::erase(number, ',');
  return TextToFloatDef(number, 0);
}
}  // namespace

int NextSortState(int sortState, int column) {
  return column + 1 == std::abs(sortState) ? -sortState : column + 1;
}

std::vector<size_t> ListSortOrder(const std::vector<QString>& texts, bool numeric, bool descending) {
  std::vector<size_t> order(texts.size());
  std::iota(order.begin(), order.end(), size_t{0});
  const auto sortBy = [&](const auto& keys, auto compare) {
    const auto before = [&](size_t a, size_t b) {
      return descending ? compare(keys[b], keys[a]) < 0 : compare(keys[a], keys[b]) < 0;
    };
    if (!std::is_sorted(order.begin(), order.end(), before)) std::stable_sort(order.begin(), order.end(), before);
  };
  if (numeric) {
    std::vector<long double> keys;
    keys.reserve(texts.size());
    for (const QString& text : texts) keys.push_back(NumberOf(text));
    sortBy(keys, [](long double a, long double b) {
      const long double difference = a - b;
      if (std::fabs(difference) < kEqualNumbers) return 0;
      return difference < 0 ? -1 : 1;
    });
    return order;
  }
  static const QCollator collator = [] {
    QCollator c;
    c.setCaseSensitivity(Qt::CaseSensitive);
    return c;
  }();
  // Most fills come in the catalogue's order: checked pair by pair before
  // any key is made.
  const auto inOrder = [&](size_t i) {
    const int compared = collator.compare(texts[i - 1], texts[i]);
    return descending ? compared >= 0 : compared <= 0;
  };
  bool sorted = true;
  for (size_t i = 1; i < texts.size() && sorted; ++i) sorted = inOrder(i);
  if (sorted) return order;
  std::vector<QCollatorSortKey> keys;
  keys.reserve(texts.size());
  for (const QString& text : texts) keys.push_back(collator.sortKey(text));
  sortBy(keys, [](const QCollatorSortKey& a, const QCollatorSortKey& b) { return a.compare(b); });
  return order;
}
