// rcrosscore: the two cross-reference trees of one object: what it uses
// (tables and views, recursively) and what uses it (views, routines and
// triggers, one level deeper), each node read by a catalogue query of its
// own. The frame (objedit/rcross) only copies the trees into its views.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

// The kinds the frame can hide, each with its toggle button.
struct TCrossKindButton {
  const char* Name;
  const char* Hint;
  int Kind;
};
inline constexpr TCrossKindButton kCrossKindButtons[] = {{"btnTree1Table", "テーブル", 45},
                                                         {"btnTree1View", "ビュー", 47},
                                                         {"btnTree1Proc", "プロシージャ", 51},
                                                         {"btnTree1Func", "ファンクション", 52},
                                                         {"btnTree1Trigger", "トリガー", 57}};

// The objects an object uses (left tree) and those that use it (right tree).
enum class TCrossSide { Used, Using };

// The catalogue queries of one level; their markers :OWNER, :NAME and :TYPE
// take the object's schema, name and kind name.
extern const char kUsedObjectsSql[];
extern const char kUsingObjectsSql[];
const char* CrossSql(TCrossSide side);

// One row a query returns: schema, name and kind name, trimmed.
struct TCrossRow {
  std::string Schema;
  std::string Name;
  std::string KindName;
};
// Runs `sql` with positional values and hands each row to `each` while the
// query stays open (the recursion runs inside), closing it in any case.
using TCrossRowReader = std::function<void(const std::string& sql, const std::vector<std::string>& values,
                                           const std::function<void(const TCrossRow&)>& each)>;

struct TCrossNode {
  std::string Text;  // "<schema>.<name>"
  int Kind = 0;      // image and selected image
  std::vector<TCrossNode> Children;
};

// The tree of one side for the object, the root at level 0 with `kind` as
// its image. A row of a hidden kind is left out with what lies below it;
// the left side recurses while a child's level is below `crossLevel`, the
// right side while it is not above it.
TCrossNode BuildCrossTree(TCrossSide side, const std::string& schema, const std::string& name, int kind, int crossLevel,
                          const std::set<int>& hiddenKinds, const TCrossRowReader& read);

// A node's text split at its first ".": schema and name.
std::pair<std::string, std::string> SplitCrossNodeText(const std::string& text);
