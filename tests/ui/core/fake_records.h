// Records of a whole-result output as a test lists them, with an Esc at a
// chosen record and the progress numbers reported.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "ui/core/rdatacore.h"

namespace testing_records {

class FakeRecords : public TResultRecords {
 public:
  FakeRecords(std::vector<std::vector<std::string>> rows, int escapeAt = -1)
      : rows_(std::move(rows)), escapeAt_(escapeAt) {}
  bool AtEnd() const override { return at_ >= rows_.size(); }
  std::vector<std::string> VisibleValues() const override { return rows_[at_]; }
  void Next() override { ++at_; }
  bool EscapePressed() override { return static_cast<int>(at_) == escapeAt_; }
  void Progress(int number) override { progress.push_back(number); }
  std::vector<int> progress;

 private:
  std::vector<std::vector<std::string>> rows_;
  size_t at_ = 0;
  int escapeAt_;
};

}  // namespace testing_records
