#include "tools/core/findexadvisercore.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "app/core/zarur.h"
#include "platform/qstr.h"
#include "tools/core/fsqlcatchcore.h"

namespace {

constexpr char kMainQuery[] = "Main query";
constexpr char kSubquery[] = "Subquery";
constexpr char kEnvironment[] = "Execution environment";
constexpr size_t kRuleWidth = 79;
constexpr const char* kNodeMarks[] = {" : SCAN", " : M-JOIN", " : F-JOIN", " : N-JOIN", " : GROUP", " : UPDATE"};
constexpr const char* kElementMarks[] = {"] SCAN ELEMENT",         "] MERGE JOIN ELEMENT",      "] FETCH JOIN ELEMENT",
                                         "] NESTED LOOP JOIN ELEMENT", "] INSERT ELEMENT",     "] DELETE ELEMENT",
                                         "] UPDATE ELEMENT",       "] OUTPUT ELEMENT",          "] GROUPING ELEMENT",
                                         "] TRIGGER EXECUTION ELEMENT"};
constexpr char kTableName[] = "table name";
constexpr char kScanType[] = "scan type";
constexpr char kDsoName[] = "dso name";
constexpr char kIndexScan[] = "INDEX TABLE SCAN";
constexpr char kOr[] = "OR";
constexpr char kIndexPrefix[] = "IDX_";
constexpr int kFirstRepeat = 2;
constexpr char kDsiInformation[] = "DSI information";
constexpr char kNumberHead[] = "No.";
constexpr char kDsiNameLead[] = "DSI name ...... ";
constexpr char kUsedSpace[] = "Used database space information";
constexpr size_t kSpaceLineBelow = 2;
constexpr char kTotalTimeLead[] = "Total Time   :";
constexpr char kTotalTimeText[] = "Total Time   : ";
constexpr int64_t kMillisPerSecond = 1000;
constexpr int64_t kSecondsPerMinute = 60;
constexpr int64_t kSecondsPerHour = 3600;

bool Has(const std::string& line, const char* what) { return line.find(what) != std::string::npos; }

template <size_t N>
bool HasAny(const std::string& line, const char* const (&marks)[N]) {
  return std::any_of(std::begin(marks), std::end(marks), [&](const char* m) { return Has(line, m); });
}

std::string After(const std::string& line, const char* what) {
  return line.substr(line.find(what) + std::char_traits<char>::length(what));
}

bool StartsWith(const std::string& text, const char* head) { return text.rfind(head, 0) == 0; }

std::string FirstWord(const std::string& text) {
  const std::string trimmed = Trim(text);
  return trimmed.substr(0, trimmed.find(' '));
}

std::string WithoutBlanks(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
  return text;
}

bool SameText(const std::string& a, const std::string& b) { return UpperCase(a) == UpperCase(b); }

}  // namespace

std::string ExtractDQuote(const std::string& quoted) {
  std::string name;
  for (size_t i = 1; i < quoted.size(); ++i) {
    if (quoted[i] != '"') {
      name += quoted[i];
    } else if (i + 1 < quoted.size() && quoted[i + 1] == '"') {
      name += '"';
      ++i;
    } else {
      break;
    }
  }
  return name;
}

std::string EraseStr(const std::string& name) {
  std::string text = name;
  if (!text.empty() && text.back() == ';') text.pop_back();
  if (!text.empty() && text.front() == '"') return ExtractDQuote(text);
  return UpperCase(text);
}

std::vector<TovIndexList> PlanUsedIndexes(const std::vector<std::string>& lines) {
  std::vector<TovIndexList> used;
  const std::string rule(kRuleWidth, '=');
  bool block = false, node = false, section = false;
  std::string schema, scanType;
  // The last line is never read.
  const size_t end = lines.empty() ? 0 : lines.size() - 1;
  for (size_t i = 0; i < end; ++i) {
    const std::string& line = lines[i];
    if (Has(line, kMainQuery) || Has(line, kSubquery)) {
      block = true;
      node = section = false;
      continue;
    }
    if (!block) continue;
    if (Has(line, rule.c_str()) || Has(line, kEnvironment)) {
      block = false;
      continue;
    }
    if (HasAny(line, kNodeMarks)) node = true;
    if (!node) continue;
    if (HasAny(line, kElementMarks)) {
      section = true;
      schema.clear();
      scanType.clear();
      continue;
    }
    if (!section) continue;
    if (Has(line, kTableName)) {
      const std::string table = Trim(After(line, kTableName));
      schema = table.substr(0, table.find('.'));
    }
    if (Has(line, kScanType)) scanType = Trim(After(line, kScanType));
    if (Has(line, kDsoName) && scanType.find(kIndexScan) != std::string::npos)
      used.push_back({schema, FirstWord(After(line, kDsoName))});
  }
  return used;
}

std::vector<TovNewIndexList> ConditionList(const std::vector<std::string>& words) {
  std::vector<TovNewIndexList> conditions;
  int group = 0;
  for (const std::string& word : words) {
    if (SameText(word, kOr)) ++group;
    const size_t dot = word.find('.');
    if (dot != std::string::npos)
      conditions.push_back({EraseStr(word.substr(0, dot)), group, EraseStr(word.substr(dot + 1)), false});
    else
      conditions.push_back({"", group, EraseStr(word), false});
  }
  return conditions;
}

int GroupCount(const std::vector<TovNewIndexList>& conditions) {
  return conditions.empty() ? 1 : conditions.back().Group + 1;
}

std::vector<std::string> GroupColumns(std::vector<TovNewIndexList>& conditions, int group, const std::string& table,
                                      const std::string& alias, const std::function<bool(const std::string&)>& hasColumn) {
  std::vector<std::string> columns;
  const std::string& qualifier = alias.empty() ? table : alias;
  for (TovNewIndexList& entry : conditions) {
    if (entry.Group != group || entry.Matched) continue;
    const bool belongs = entry.Table.empty() ? hasColumn(entry.Column) : entry.Table == qualifier;
    if (!belongs) continue;
    entry.Matched = true;
    if (std::none_of(columns.begin(), columns.end(), [&](const std::string& c) { return SameText(c, entry.Column); }))
      columns.push_back(entry.Column);
  }
  return columns;
}

std::vector<std::string> CyclicProposals(const std::vector<std::string>& columns, int k) {
  std::vector<std::string> proposals;
  const size_t n = columns.size();
  const size_t taken = std::min(static_cast<size_t>(std::max(k, 0)), n);
  for (size_t start = 0; start < n && taken > 0; ++start) {
    std::string text;
    for (size_t j = 0; j < taken; ++j) text += (j ? ", " : "") + columns[(start + j) % n];
    proposals.push_back(text);
  }
  return proposals;
}

std::string ProposalName(const std::string& table, const std::vector<std::string>& taken) {
  const std::string base = kIndexPrefix + table;
  std::string name = base;
  for (int n = kFirstRepeat; std::find(taken.begin(), taken.end(), name) != taken.end(); ++n)
    name = base + std::to_string(n);
  return name;
}

std::vector<std::string> ReportDSIList(const std::vector<std::string>& lines) {
  std::vector<std::string> dsis;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (!StartsWith(Trim(lines[i]), kDsiInformation)) continue;
    for (++i; i < lines.size() && !Trim(lines[i]).empty(); ++i) {
      const std::string line = Trim(lines[i]);
      if (StartsWith(line, kNumberHead)) continue;
      const size_t blank = line.find(' ');
      const std::string name = blank == std::string::npos ? std::string() : Trim(line.substr(blank + 1));
      if (!name.empty() && std::find(dsis.begin(), dsis.end(), name) == dsis.end()) dsis.push_back(name);
    }
  }
  return dsis;
}

std::string ReportDSISpace(const std::vector<std::string>& lines, const std::string& dsi) {
  const std::string lead = kDsiNameLead + dsi;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (!Has(lines[i], lead.c_str())) continue;
    for (size_t j = i + 1; j < lines.size(); ++j) {
      if (!StartsWith(Trim(lines[j]), kUsedSpace)) continue;
      if (j + kSpaceLineBelow >= lines.size()) return {};
      const std::string line = Trim(lines[j + kSpaceLineBelow]);
      const size_t blank = line.find(' ');
      return blank == std::string::npos ? std::string() : FirstWord(line.substr(blank + 1));
    }
    return {};
  }
  return {};
}

std::vector<std::string> BuildIndexDDL(const TIndexDDLInput& in) {
  std::vector<std::string> lines;
  const std::string& n = in.Name;
  const size_t dot = in.TableRow.find('.');
  const std::string s = dot == std::string::npos ? in.Schema : EraseStr(in.TableRow.substr(0, dot));
  const std::string t = EraseStr(dot == std::string::npos ? in.TableRow : in.TableRow.substr(dot + 1));
  const std::string keyed = "CREATE INDEX " + s + "." + t + "." + n + " KEY(" + in.Columns + ")";
  // Without storage management the index gets the server's storage.
  if (in.Level >= 10 && in.LevelReduced) return {keyed, in.Separator};
  if (in.DSIs.empty()) return lines;
  if (in.Level < 10) {
    if (in.DSIs.size() != 1) return lines;
    return {keyed + " ON " + in.SpaceOf(in.DSIs[0]), in.Separator};
  }
  lines = {"CREATE DSO " + n, "INDEX ON " + in.TableRow + "(" + in.Columns + ")",
           "TYPE BTREE (PAGESIZE1(" + in.Sizes.BasePageSize + "), PAGESIZE2(" + in.Sizes.IndexPageSize + "), REALIGNMENT)",
           in.Separator};
  const bool several = in.DSIs.size() > 1;
  for (size_t k = 0; k < in.DSIs.size(); ++k) {
    const std::string& d = in.DSIs[k];
    const std::string p = in.SpaceOf(d);
    std::string head = "CREATE DSI " + n;
    if (several) head.append("_").append(std::to_string(k));
    lines.push_back(head.append(" INDEX DSO ").append(n));
    lines.push_back("OPTION(REALIGNMENT)");
    if (several) lines.push_back("BASE " + d);
    lines.push_back("ALLOCATE BASE ON " + p + " SIZE " + in.Sizes.BaseAllocation + "K");
    lines.push_back(",INDEX ON " + p + " SIZE " + in.Sizes.IndexAllocation + "K");
    lines.push_back(",FORMAT EXPAND OFF");
    lines.push_back(in.Separator);
  }
  return lines;
}

std::string DropProposalSQL(int level, const std::string& tableRow, const std::string& name) {
  if (level >= 10) return "DROP DSO " + name + " CASCADE";
  return "DROP INDEX " + tableRow + "." + name;
}

std::string TraceStatementKey(const std::string& statement) {
  std::string text;
  for (size_t i = 0; i < statement.size(); ++i) {
    if (statement.compare(i, 2, "\r\n") == 0) {
      text += ' ';
      ++i;
    } else {
      text += statement[i];
    }
  }
  return Trim(WithoutBlanks(text));
}

std::string LastRecordTime(const std::vector<std::string>& lines, const std::string& statement) {
  // The first line of the file never starts the record looked at.
  for (size_t i = lines.size(); i-- > 1;) {
    if (!StartsWith(Trim(lines[i]), kStatementMarker)) continue;
    std::string joined;
    for (size_t j = i + 1; j < lines.size(); ++j) {
      if (StartsWith(Trim(lines[j]), kTotalTimeLead)) {
        if (joined != TraceStatementKey(statement)) return {};
        std::string time = lines[j];
        const size_t lead = UpperCase(time).find(UpperCase(kTotalTimeText));
        if (lead != std::string::npos) time.erase(lead, std::char_traits<char>::length(kTotalTimeText));
        if (const size_t open = time.find('('); open != std::string::npos) time[open] = '.';
        if (const size_t close = time.find(')'); close != std::string::npos) time.erase(close, 1);
        return Trim(time);
      }
      joined += WithoutBlanks(lines[j]);
    }
    return {};
  }
  return {};
}

std::optional<std::string> LatestTraceFile(const std::string& folder) {
  std::optional<std::string> latest;
  QDateTime when;
  for (const TTraceEntry& entry : TraceEntries(folder)) {
    if (entry.IsDirectory) continue;
    if (!latest || entry.LastWrite > when) {
      latest = entry.Path;
      when = entry.LastWrite;
    }
  }
  return latest;
}

namespace {

// "hh:nn:ss.zzz" in milliseconds; an unreadable or empty text counts 0.
int64_t TimeMillis(const std::string& text) {
  int h = 0, m = 0, s = 0, z = 0;
  char end = 0;
  if (std::sscanf(text.c_str(), "%d:%d:%d.%d%c", &h, &m, &s, &z, &end) != 4) return 0;
  return ((h * kSecondsPerMinute + m) * kSecondsPerMinute + s) * kMillisPerSecond + z;
}

std::string DifferenceText(int64_t millis) {
  const int64_t seconds = millis / kMillisPerSecond;
  char text[32];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld:%03lld", static_cast<long long>(seconds / kSecondsPerHour),
                static_cast<long long>(seconds / kSecondsPerMinute % kSecondsPerMinute),
                static_cast<long long>(seconds % kSecondsPerMinute), static_cast<long long>(millis % kMillisPerSecond));
  return text;
}

}  // namespace

std::string TestResultText(const std::string& before, const std::string& after) {
  const int64_t difference = TimeMillis(after) - TimeMillis(before);
  // Appended piecewise: "+" + text trips a false overlap warning.
  std::string result;
  if (difference == 0)
    result = " ±0";
  else
    result.append(difference > 0 ? "+" : "-").append(DifferenceText(difference > 0 ? difference : -difference));
  return "              【テスト結果】              \r\n\r\n[インデックス作成前]　　" + before +
         "\r\n[インデックス作成後]　　" + after + "\r\n-------------------------\r\n[　 　 　結果      　] 　" + result +
         "\r\n\r\n※単位：実行時間";
}
