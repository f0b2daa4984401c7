#include "ui/core/ovmenumerge.h"

#include <algorithm>

std::vector<TMergedMenu> MergeMenuGroups(const std::vector<int>& frameGroups, const std::vector<int>& childGroups) {
  std::vector<TMergedMenu> bar;
  std::vector<bool> placed(childGroups.size(), false);
  // The child's menus of groups up to `group`, in the child's order.
  const auto placeUpTo = [&](int group) {
    for (size_t c = 0; c < childGroups.size(); ++c)
      if (!placed[c] && childGroups[c] <= group) {
        bar.push_back({true, c});
        placed[c] = true;
      }
  };
  for (size_t f = 0; f < frameGroups.size(); ++f) {
    const int group = frameGroups[f];
    placeUpTo(group);
    const bool replaced = std::find(childGroups.begin(), childGroups.end(), group) != childGroups.end();
    if (!replaced) bar.push_back({false, f});
  }
  for (size_t c = 0; c < childGroups.size(); ++c)
    if (!placed[c]) bar.push_back({true, c});
  return bar;
}
