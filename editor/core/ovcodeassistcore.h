// ovcodeassistcore: the candidates of the code-completion popup and the
// ones that match the typed prefix. The popup shows at most 100 matches at
// first and more as the user pages, scrolls or moves down.
#pragma once

#include <string>
#include <vector>

struct TCodeAssistItem {
  std::string Name;
  std::string Type;
  int ImageIndex = -1;
  bool operator==(const TCodeAssistItem&) const = default;
};

class TCodeAssistCandidates {
 public:
  // Matches shown at once before the user asks for more.
  static constexpr int kMaxShownItems = 100;

  void Add(const std::string& name, const std::string& type, int imageIndex);
  int Count() const { return static_cast<int>(FCandidates.size()); }
  // Keeps the candidates whose name starts with `prefix` (trimmed of blanks
  // there), without regard to case, in the order they were added; returns
  // the trimmed prefix. The first kMaxShownItems of them are listed.
  std::string Filter(const std::string& prefix);
  const std::vector<TCodeAssistItem>& Matches() const { return FMatches; }
  // Matches listed so far.
  int Listed() const { return FListed; }
  // Lists up to `count` more matches; returns how many were added.
  int More(int count);

 private:
  std::vector<TCodeAssistItem> FCandidates;
  std::vector<TCodeAssistItem> FMatches;
  int FListed = 0;
};
