#include "objedit/core/fddlexeccore.h"

#include <algorithm>

#include "app/core/zarur.h"

namespace {
const char kCrLf[] = "\r\n";
const char kPreviewCaptionSuffix[] = " のコンパイル";
const char kSqlSuffix[] = ".sql";

std::string Qualified(const std::string& schema, const std::string& name) {
  return schema.empty() ? name : schema + "." + name;
}
}  // namespace

bool StatementsEmpty(const std::vector<std::string>& lines) {
  return std::all_of(lines.begin(), lines.end(), [](const std::string& line) { return TrimBlanks(line).empty(); });
}

std::optional<std::vector<std::string>> TakeDDLBatch(std::vector<std::string>& list, const std::string& separator) {
  size_t at = 0;
  while (at < list.size()) {
    const auto end = std::find(list.begin() + static_cast<std::ptrdiff_t>(at), list.end(), separator);
    std::vector<std::string> batch(list.begin() + static_cast<std::ptrdiff_t>(at), end);
    at = static_cast<size_t>(end - list.begin()) + (end == list.end() ? 0 : 1);
    if (!StatementsEmpty(batch)) {
      list.erase(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(at));
      return batch;
    }
  }
  list.clear();
  return std::nullopt;
}

std::string CrLfText(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + kCrLf;
  return text;
}

std::vector<std::string> MessageLines(const std::string& message) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= message.size()) {
    size_t end = message.find('\n', start);
    if (end == std::string::npos) end = message.size();
    std::string line = message.substr(start, end - start);
    line.erase(std::remove(line.begin(), line.end(), '\r'), line.end());
    if (end < message.size() || !line.empty()) lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

std::string DDLErrorCountLine(int count) { return "エラー: " + std::to_string(count) + " 件"; }

std::string DDLPreviewCaption(const std::string& schema, const std::string& name) {
  return Qualified(schema, name) + kPreviewCaptionSuffix;
}

std::string DDLPreviewFileName(const std::string& schema, const std::string& name) {
  return Qualified(schema, name) + kSqlSuffix;
}
