#include "ui/core/ovmenumerge.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The bar as text: "F<i>" for the frame's menus, "C<i>" for the child's.
std::string Bar(const std::vector<int>& frame, const std::vector<int>& child) {
  std::string text;
  for (const TMergedMenu& m : MergeMenuGroups(frame, child)) {
    if (!text.empty()) text.push_back(' ');
    text.push_back(m.Child ? 'C' : 'F');
    text.append(std::to_string(m.Index));
  }
  return text;
}

}  // namespace

TEST(MenuMerge, ChildMenusGoByTheirGroupIndexes) {
  const std::vector<int> main = {3, 3, 3, 4, 4, 5, 5};
  struct Case {
    std::vector<int> frame, child;
    std::string bar;
  } cases[] = {
      {main, {}, "F0 F1 F2 F3 F4 F5 F6"},
      {main, {2}, "C0 F0 F1 F2 F3 F4 F5 F6"},                       // lower than all: first
      {main, {6}, "F0 F1 F2 F3 F4 F5 F6 C0"},                       // higher than all: last
      {main, {4}, "F0 F1 F2 C0 F5 F6"},                             // replaces the whole group
      {main, {2, 4, 4}, "C0 F0 F1 F2 C1 C2 F5 F6"},                 // several, in the child's order
      {{3, 5}, {4}, "F0 C0 F1"},                                    // between two groups
      {{}, {2, 1}, "C0 C1"},                                        // an empty bar keeps the child's order
  };
  for (const Case& c : cases) EXPECT_EQ(Bar(c.frame, c.child), c.bar) << c.bar;
}
