// ftmplatecore: SQL template files without their window. A file is read
// whole into lines; "%%%" lines start groups, "【 <name> 】" lines start
// templates, and a template's body may name other templates between "<"
// and ">", which are shown with it. Also the tree of groups and templates
// that a search text filters.
#pragma once

#include <string>
#include <vector>

// The file extension of template files and their versions: the names
// (without extension) of the "*.tpl" files of a folder, ascending.
inline constexpr const char* kTemplateExt = ".tpl";
std::vector<std::string> TemplateVersions(const std::string& folder);

enum class TTemplateLine { Body, Group, Head };
TTemplateLine TemplateLineKind(const std::string& line);
// The name of a group line (after "%%%") or a head line (up to " 】",
// empty without one).
std::string TemplateLineName(const std::string& line);

struct TTemplateEntry {
  std::string Name;
  size_t Line = 0;  // the head line's position
};

struct TTemplateFile {
  std::vector<std::string> Lines;
  std::vector<TTemplateEntry> Index;  // one per head line, in file order
};
// Throws std::runtime_error with the file's error when it cannot be read.
TTemplateFile ReadTemplateFile(const std::string& path);
TTemplateFile TemplateFileOf(std::vector<std::string> lines);

// The text of a template (by its index position) with the templates it
// refers to, depth first, each once: head and body lines of each.
std::vector<std::string> TemplateText(const TTemplateFile& file, size_t entry);

// A node of the tree: a group with its templates, or a template (at the
// top level when no group came before it).
struct TTemplateNode {
  std::string Name;
  bool Group = false;
  size_t Entry = 0;  // the template's index position
  std::vector<TTemplateNode> Children;
};
// The tree of the file; with a non-blank search text only the templates
// whose whole text contains it (groups stay, also when empty).
std::vector<TTemplateNode> TemplateTree(const TTemplateFile& file, const std::string& search);
// The first node in display order, groups included, whose name contains
// `search`, as the path of child positions; empty when none does.
std::vector<size_t> FindTemplateNode(const std::vector<TTemplateNode>& tree, const std::string& search);
