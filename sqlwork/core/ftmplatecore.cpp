#include "sqlwork/core/ftmplatecore.h"

#include <QDir>

#include <algorithm>
#include <functional>

#include "app/core/zarur.h"
#include "platform/textfile.h"
#include "sqlwork/core/ovsqlbld.h"

namespace {

constexpr std::string_view kGroupMark = "%%%";
constexpr std::string_view kHeadMark = "【 ";
constexpr std::string_view kHeadEnd = " 】";
constexpr char kPlaceholderOpen = '<';
constexpr char kPlaceholderClose = '>';

// The placeholders of a line, left to right.
std::vector<std::string> Placeholders(const std::string& line) {
  std::vector<std::string> names;
  size_t open = line.find(kPlaceholderOpen);
  while (open != std::string::npos) {
    const size_t close = line.find(kPlaceholderClose, open + 1);
    if (close == std::string::npos) break;
    names.push_back(line.substr(open + 1, close - open - 1));
    open = line.find(kPlaceholderOpen, close + 1);
  }
  return names;
}

// The lines of a template: its head line up to the next head or group line.
size_t TemplateEnd(const TTemplateFile& file, size_t head) {
  size_t end = head + 1;
  while (end < file.Lines.size() && TemplateLineKind(file.Lines[end]) == TTemplateLine::Body) ++end;
  return end;
}

int EntryNamed(const TTemplateFile& file, const std::string& name) {
  for (size_t i = 0; i < file.Index.size(); ++i)
    if (file.Index[i].Name == name) return static_cast<int>(i);
  return -1;
}

void Collect(const TTemplateFile& file, size_t entry, std::vector<bool>& taken, std::vector<size_t>& order) {
  taken[entry] = true;
  order.push_back(entry);
  const size_t head = file.Index[entry].Line;
  const size_t end = TemplateEnd(file, head);
  for (size_t line = head + 1; line < end; ++line)
    for (const std::string& name : Placeholders(file.Lines[line])) {
      const int found = EntryNamed(file, name);
      if (found >= 0 && !taken[static_cast<size_t>(found)]) Collect(file, static_cast<size_t>(found), taken, order);
    }
}

bool Contains(const std::vector<std::string>& lines, const std::string& text) {
  return std::any_of(lines.begin(), lines.end(),
                     [&](const std::string& line) { return line.find(text) != std::string::npos; });
}

}  // namespace

std::vector<std::string> TemplateVersions(const std::string& folder) {
  std::vector<std::string> versions;
  const QString pattern = QString("*") + kTemplateExt;
  for (const QFileInfo& info : QDir(QString::fromStdString(folder)).entryInfoList({pattern}, QDir::Files))
    versions.push_back(info.completeBaseName().toStdString());
  std::sort(versions.begin(), versions.end());
  return versions;
}

TTemplateLine TemplateLineKind(const std::string& line) {
  if (line.starts_with(kGroupMark)) return TTemplateLine::Group;
  if (line.starts_with(kHeadMark)) return TTemplateLine::Head;
  return TTemplateLine::Body;
}

std::string TemplateLineName(const std::string& line) {
  switch (TemplateLineKind(line)) {
    case TTemplateLine::Group:
      return line.substr(kGroupMark.size());
    case TTemplateLine::Head: {
      const size_t end = line.find(kHeadEnd, kHeadMark.size());
      return end == std::string::npos ? std::string() : line.substr(kHeadMark.size(), end - kHeadMark.size());
    }
    case TTemplateLine::Body:
      break;
  }
  return {};
}

TTemplateFile TemplateFileOf(std::vector<std::string> lines) {
  TTemplateFile file;
  file.Lines = std::move(lines);
  for (size_t i = 0; i < file.Lines.size(); ++i)
    if (TemplateLineKind(file.Lines[i]) == TTemplateLine::Head)
      file.Index.push_back({TemplateLineName(file.Lines[i]), i});
  return file;
}

TTemplateFile ReadTemplateFile(const std::string& path) {
  std::vector<std::string> lines = SQLTextLines(platform::ReadTextFile(path));
  // A last line break ends the last line rather than starting an empty one.
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  return TemplateFileOf(std::move(lines));
}

std::vector<std::string> TemplateText(const TTemplateFile& file, size_t entry) {
  std::vector<std::string> text;
  if (entry >= file.Index.size()) return text;
  std::vector<bool> taken(file.Index.size(), false);
  std::vector<size_t> order;
  Collect(file, entry, taken, order);
  for (const size_t taken_entry : order) {
    const size_t head = file.Index[taken_entry].Line;
    text.insert(text.end(), file.Lines.begin() + static_cast<std::ptrdiff_t>(head),
                file.Lines.begin() + static_cast<std::ptrdiff_t>(TemplateEnd(file, head)));
  }
  return text;
}

std::vector<TTemplateNode> TemplateTree(const TTemplateFile& file, const std::string& search) {
  const std::string find = Trim(search);
  std::vector<TTemplateNode> tree;
  TTemplateNode* group = nullptr;
  size_t entry = 0;
  for (const std::string& line : file.Lines) {
    const TTemplateLine kind = TemplateLineKind(line);
    if (kind == TTemplateLine::Group) {
      tree.push_back({TemplateLineName(line), true, 0, {}});
      group = &tree.back();
    } else if (kind == TTemplateLine::Head) {
      const size_t at = entry++;
      if (!find.empty() && !Contains(TemplateText(file, at), find)) continue;
      (group ? group->Children : tree).push_back({file.Index[at].Name, false, at, {}});
    }
  }
  return tree;
}

std::vector<size_t> FindTemplateNode(const std::vector<TTemplateNode>& tree, const std::string& search) {
  std::vector<size_t> path;
  std::function<bool(const std::vector<TTemplateNode>&)> find = [&](const std::vector<TTemplateNode>& nodes) {
    for (size_t i = 0; i < nodes.size(); ++i) {
      path.push_back(i);
      if (nodes[i].Name.find(search) != std::string::npos || find(nodes[i].Children)) return true;
      path.pop_back();
    }
    return false;
  };
  if (!find(tree)) path.clear();
  return path;
}
