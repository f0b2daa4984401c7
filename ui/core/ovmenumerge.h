// ovmenumerge: the order of a frame's menu bar while a child window's menus
// join it. Every menu has a group index: a child's menu takes the place of
// the frame's menus of its group, or, when the frame has none of that group,
// goes before the first frame menu of a higher group (last when none is).
#pragma once

#include <cstddef>
#include <vector>

struct TMergedMenu {
  bool Child = false;  // one of the child's menus, else one of the frame's
  size_t Index = 0;    // in the child's or the frame's list
  friend bool operator==(const TMergedMenu&, const TMergedMenu&) = default;
};

// The bar's menus in order; frame menus replaced by the child's are left out.
std::vector<TMergedMenu> MergeMenuGroups(const std::vector<int>& frameGroups, const std::vector<int>& childGroups);
