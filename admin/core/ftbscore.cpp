#include "admin/core/ftbscore.h"

#include <filesystem>
#include <stdexcept>

#include "app/core/zarur.h"
#include "platform/process.h"
#include "platform/savefile.h"

namespace {

// Report columns, counted from 1 on the untrimmed line.
constexpr size_t kDefinitionColumn = 25;
constexpr size_t kPrivilegeColumn = 21;
constexpr size_t kGrantorColumn = 23;
constexpr size_t kRoleColumn = 33;
constexpr size_t kUsageColumn = 12;
constexpr size_t kKilobytesPerMegabyte = 1024;
constexpr const char* kControlLineBreak = "\r\n";
constexpr const char* kToolStop = "rdbspcinf";

constexpr const char* kSpaceLabel = "Database space name ...... ";
constexpr const char* kPrivilegeSection = "  Privilege information";
constexpr const char* kDsiSection = "  DSI information";
constexpr const char* kSpaceUsageLabel = "Database space :";

std::string FromColumn(const std::string& line, size_t column) {
  return line.size() >= column ? Trim(line.substr(column - 1)) : std::string();
}
std::string AfterLabel(const std::string& line, size_t at, const std::string& label) {
  return Trim(line.substr(at + label.size()));
}

// Tests the label; on a match the value replaces the line.
bool Take(std::string& line, const std::string& label, size_t column, std::string& value) {
  const size_t at = line.find(label);
  if (at == std::string::npos) return false;
  value = column == 0 ? AfterLabel(line, at, label) : FromColumn(line, column);
  line = value;
  return true;
}

bool Contains(const std::string& line, const char* text) { return line.find(text) != std::string::npos; }

// "4096K" -> "4096".
std::string WithoutUnit(const std::string& line) {
  std::string value = FromColumn(line, kUsageColumn);
  if (!value.empty()) value.pop_back();
  return Trim(value);
}

std::string Quoted(const std::string& text) { return platform::QuoteArgument(text); }

}  // namespace

bool ReadTbsDefinition(const std::vector<std::string>& lines, TTbsReport& report) {
  bool named = false;
  for (const std::string& line : lines) named = named || Contains(line, kSpaceLabel);
  if (!named) return false;
  report = {};
  TTbsDefinition& d = report.Definition;
  const std::array<std::pair<const char*, TTbsField>, 6> definitionLabels{{
      {"  File name       ......", tfFile},      {"  Device kind     ......", tfDevice},
      {"  Allocate size   ......", tfAllocate},  {"  Creator         ......", tfCreator},
      {"  Created date    ......", tfCreated},   {"  Loggroup        ......", tfLogGroup}}};
  bool privileges = false, dsis = false;
  std::string privilege;
  for (std::string line : lines) {
    std::string value;
    Take(line, kSpaceLabel, 0, d[tfName]);
    for (const auto& [label, field] : definitionLabels) Take(line, label, kDefinitionColumn, d[field]);
    if (Contains(line, kPrivilegeSection)) { privileges = true; continue; }
    if (Contains(line, kDsiSection)) { dsis = true; continue; }
    if (privileges) {
      if (Take(line, "    Privilege ......", kPrivilegeColumn, value))
        privilege = UpperCase(value) == kAllocatePrivilege ? kAllocatePrivilege : "";
      if (Take(line, "Grantee ......", 0, value))
        report.Grantees.push_back({privilege, value == "*" ? kPublicGrantee : value, "", ""});
      if (Take(line, "        Grantor   ....", kGrantorColumn, value) && !report.Grantees.empty())
        report.Grantees.back().Grantor = value;
      if (Take(line, "        Grantable ....", kGrantorColumn, value) && !report.Grantees.empty())
        report.Grantees.back().Grantable = value;
    }
    if (dsis) {
      if (Take(line, "DSI name ......", 0, value)) report.Dsis.push_back({value, "", "", "", "", ""});
      if (report.Dsis.empty()) continue;
      TTbsDsi& dsi = report.Dsis.back();
      Take(line, "    Usage type    ......", kDefinitionColumn, dsi.Usage);
      Take(line, "    Schema name   ......", kDefinitionColumn, dsi.Schema);
      Take(line, "    Table name    ......", kDefinitionColumn, dsi.Table);
      Take(line, "    DSO name      ......", kDefinitionColumn, dsi.Dso);
      Take(line, "    Allocate size ......", kDefinitionColumn, dsi.Size);
    }
  }
  return true;
}

bool ReadTbsUsage(const std::vector<std::string>& lines, TTbsDefinition& definition) {
  bool named = false;
  for (const std::string& line : lines) named = named || Contains(line, kSpaceUsageLabel);
  if (!named) return false;
  enum { kNone, kStatic, kDynamic } part = kNone;
  bool freeNext = false;
  for (const std::string& line : lines) {
    if (line.starts_with(kToolStop)) break;
    if (freeNext) {
      definition[tfFree] = WithoutUnit(line);
      freeNext = false;
    } else if (Contains(line, "Static allocate size")) {
      part = kStatic;
    } else if (Contains(line, "Dynamic allocate size")) {
      part = kDynamic;
    } else if (Contains(line, "Free size")) {
      freeNext = true;
    } else if (part != kNone && Contains(line, "total   :")) {
      definition[part == kStatic ? tfStatic : tfDynamic] = WithoutUnit(line);
      part = kNone;
    }
  }
  return true;
}

namespace {

bool IsInteger(const std::string& text) {
  if (text.empty()) return false;
  size_t used = 0;
  try {
    std::stoll(text, &used);
  } catch (const std::logic_error&) {
    return false;
  }
  return used == text.size();
}

long long ToInteger(const std::string& text) {
  if (!IsInteger(text)) throw std::invalid_argument("'" + text + "' is not a valid integer value");
  return std::stoll(text);
}

std::string InKilobytes(const std::string& size) {
  if (const size_t at = size.find("(M byte)"); at != std::string::npos) {
    const std::string number = Trim(size.substr(0, at));
    return IsInteger(number) ? std::to_string(std::stoll(number) * static_cast<long long>(kKilobytesPerMegabyte))
                             : "0";
  }
  if (const size_t at = size.find("(K byte)"); at != std::string::npos) return Trim(size.substr(0, at));
  if (size.find("(  byte)") != std::string::npos) return "1";
  return size;
}

bool SameDsi(const TTbsDsi& a, const TTbsDsi& b) {
  return a.Name == b.Name && a.Usage == b.Usage && a.Schema == b.Schema && a.Table == b.Table && a.Dso == b.Dso;
}

}  // namespace

void MergeDsiSizes(std::vector<TTbsDsi>& dsis) {
  for (TTbsDsi& dsi : dsis) dsi.Size = InKilobytes(dsi.Size);
  for (size_t i = 0; i < dsis.size(); ++i) {
    if (dsis[i].Name.empty()) continue;
    for (size_t j = dsis.size(); j-- > 0;) {
      if (j == i || dsis[j].Name.empty() || !SameDsi(dsis[i], dsis[j])) continue;
      dsis[i].Size = std::to_string(ToInteger(dsis[i].Size) + ToInteger(dsis[j].Size));
      dsis[j].Name.clear();
    }
  }
}

std::vector<std::string> ReadRoleGrants(const std::vector<std::string>& lines, const std::string& dataSource,
                                        const std::string& space) {
  std::vector<std::string> roles;
  std::string role, type, database;
  const std::string roleLabel = "Role name ...... ";
  for (const std::string& line : lines) {
    if (const size_t at = line.find(roleLabel); at != std::string::npos) role = AfterLabel(line, at, roleLabel);
    if (Contains(line, "      Type                ......")) type = FromColumn(line, kRoleColumn);
    if (Contains(line, "      Database name       ......")) database = FromColumn(line, kRoleColumn);
    if (Contains(line, "      Database space name ......") && type == "DBSPACE" && database == dataSource &&
        FromColumn(line, kRoleColumn) == space)
      roles.push_back(role);
  }
  return roles;
}

std::string RoleControlText(const std::vector<std::string>& roles) {
  if (roles.empty()) return {};
  std::string text = "ROLE(";
  for (size_t i = 0; i < roles.size(); ++i) text += (i ? "," : "") + roles[i];
  return text + ")";
}

TTbsCheck CheckTbsInput(const TTbsInput& input) {
  if (Trim(input.Name).empty()) return TTbsCheck::NameMissing;
  if (Trim(input.Device).empty()) return TTbsCheck::DeviceMissing;
  if (input.SizeEnabled && Trim(input.Size).empty()) return TTbsCheck::SizeMissing;
  return TTbsCheck::Ok;
}

std::vector<std::string> TbsCreateLines(const TTbsInput& input) {
  return {"CREATE DBSPACE " + QuoteIdent(input.Name),
          std::string(input.Network ? "  ALLOCATE NETWORK FILE " : "  ALLOCATE FILE ") + input.Device,
          "  ATTRIBUTE SPACE (" + input.Size + (input.Megabytes ? "M" : "K") + ")"};
}

std::string TbsDropLine(const std::string& name) { return "DROP DBSPACE " + QuoteIdent(name); }

bool TbsNeedsDrop(bool isNew, bool scriptMode, bool sourcePage, bool definitionChanged) {
  return isNew || scriptMode || sourcePage || definitionChanged;
}

std::vector<std::string> TbsScriptLines(const TTbsInput& input, const std::string& separator) {
  std::vector<std::string> lines = TbsCreateLines(input);
  lines.push_back(separator);
  return lines;
}

std::vector<std::string> TbsGrantStatements(const std::string& space, const std::vector<TTbsCheckItem>& users,
                                            const std::vector<TTbsCheckItem>& roles) {
  std::vector<std::string> statements;
  const std::string on = " ALLOCATE ON DBSPACE " + QuoteIdent(space);
  for (const TTbsCheckItem& u : users) {
    if (!u.Enabled || (u.Left == u.LoadedLeft && u.Right == u.LoadedRight)) continue;
    const std::string user = QuoteIdent(Trim(u.Name));
    if (!u.LoadedLeft && u.Left)
      statements.push_back("GRANT" + on + " TO " + user + (u.Right ? " WITH GRANT OPTION" : ""));
    else if (u.LoadedLeft && !u.Left)
      statements.push_back("REVOKE" + on + " FROM " + user + " CASCADE");
    else if (!u.LoadedRight && u.Right)
      statements.push_back("GRANT" + on + " TO " + user + " WITH GRANT OPTION");
    else if (u.LoadedRight && !u.Right)
      statements.push_back("REVOKE GRANT OPTION FOR" + on + " FROM " + user + " CASCADE");
  }
  for (const TTbsCheckItem& r : roles) {
    if (!r.Enabled || r.Left == r.LoadedLeft) continue;
    const std::string role = QuoteIdent(Trim(r.Name));
    statements.push_back(r.Left ? "GRANT" + on + " TO ROLE " + role : "REVOKE" + on + " FROM ROLE " + role);
  }
  return statements;
}

std::string RdbddlexCommand(const std::string& dataSource, const std::string& path) {
  return "rdbddlex -d " + Quoted(dataSource) + " " + Quoted(path);
}
std::string RdbspcinfPCommand(const std::string& dataSource, const std::string& name) {
  return "rdbspcinf -p " + Quoted(dataSource + "." + name);
}
std::string RdbprtSpaceCommand(const std::string& dataSource, const std::string& path) {
  return "rdbprt -m DEF -d " + Quoted(dataSource) + " -p -f " + Quoted(path);
}
std::string RdbprtRoleCommand(const std::string& path) { return "rdbprt -m DEF -f " + Quoted(path); }

bool RunWithControlFile(const std::string& workFolder, const std::string& fileName,
                        const std::vector<std::string>& lines,
                        const std::function<std::string(const std::string& path)>& commandFor,
                        const TToolRunner& run) {
  const std::string path = workFolder + fileName;
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
  std::string text;
  for (const std::string& line : lines) text += line + kControlLineBreak;
  if (platform::SaveFileWhole(path, text) != 0) throw std::runtime_error("cannot write " + path);
  bool ok = false;
  try {
    ok = run(commandFor(path));
  } catch (...) {
    std::filesystem::remove(path, ignored);
    throw;
  }
  std::filesystem::remove(path, ignored);
  return ok;
}

bool RunRdbddlex(const std::string& workFolder, const std::string& fileName, const std::vector<std::string>& lines,
                 const std::string& dataSource, const TToolRunner& run) {
  return RunWithControlFile(
      workFolder, fileName, lines, [&](const std::string& path) { return RdbddlexCommand(dataSource, path); }, run);
}

TTbsCompileOutcome RunTbsCompile(const std::string& workFolder, const TTbsInput& input, bool drop, bool create,
                                 const std::string& dataSource, const TToolRunner& run) {
  // Chosen from the statements built, never from words in their text: a
  // space named DROPZONE is no drop.
  if (drop && !RunRdbddlex(workFolder, kDropControlFile, {TbsDropLine(input.Name)}, dataSource, run))
    return TTbsCompileOutcome::DropFailed;
  if (create) {
    return RunRdbddlex(workFolder, kCreateControlFile, TbsCreateLines(input), dataSource, run)
               ? TTbsCompileOutcome::Created
               : TTbsCompileOutcome::CreateFailed;
  }
  return drop ? TTbsCompileOutcome::Dropped : TTbsCompileOutcome::NothingToRun;
}
