// A recording tool runner for the backup and restore sequences: each
// command gets the answer of the first rule whose prefix it starts with,
// or a silent success.
#pragma once

#include <string>
#include <vector>

#include "admin/core/fexpcore.h"

namespace testing_admin {

struct ToolAnswer {
  std::string Prefix;
  bool Ok = true;
  std::vector<std::string> Lines;
};

class ToolScript {
 public:
  explicit ToolScript(std::vector<ToolAnswer> answers = {}) : answers_(std::move(answers)) {}

  TToolRun Runner() {
    return [this](const std::string& command, std::vector<std::string>& lines, bool failOnEmpty) {
      calls.push_back(command);
      emptyFails.push_back(failOnEmpty);
      for (const ToolAnswer& answer : answers_) {
        if (command.rfind(answer.Prefix, 0) != 0) continue;
        lines.insert(lines.end(), answer.Lines.begin(), answer.Lines.end());
        return answer.Ok && !(failOnEmpty && lines.empty());
      }
      return !failOnEmpty;
    };
  }

  std::vector<std::string> calls;
  std::vector<bool> emptyFails;

 private:
  std::vector<ToolAnswer> answers_;
};

}  // namespace testing_admin
