#include "editor/core/ovcodeassistcore.h"

#include <QString>

#include <algorithm>

namespace {

QString Upper(const std::string& text) { return QString::fromStdString(text).toUpper(); }

}  // namespace

void TCodeAssistCandidates::Add(const std::string& name, const std::string& type, int imageIndex) {
  FCandidates.push_back({name, type, imageIndex});
}

std::string TCodeAssistCandidates::Filter(const std::string& prefix) {
  const std::string trimmed = QString::fromStdString(prefix).trimmed().toStdString();
  const QString upper = Upper(trimmed);
  FMatches.clear();
  FListed = 0;
  for (const TCodeAssistItem& item : FCandidates) {
    if (upper.isEmpty() || Upper(item.Name).startsWith(upper)) FMatches.push_back(item);
  }
  FListed = std::min(kMaxShownItems, static_cast<int>(FMatches.size()));
  return trimmed;
}

int TCodeAssistCandidates::More(int count) {
  const int added = std::clamp(static_cast<int>(FMatches.size()) - FListed, 0, std::max(0, count));
  FListed += added;
  return added;
}
