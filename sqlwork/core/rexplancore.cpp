#include "sqlwork/core/rexplancore.h"

#include <QFile>

#include <algorithm>
#include <array>

#include "app/core/ovrunner.h"
#include "app/core/zarur.h"
#include "platform/process.h"
#include "platform/textfile.h"
#include "sqlwork/core/ovsqlbld.h"

namespace {

constexpr size_t kRuleLength = 79;
constexpr char kMainQuery[] = "Main query";
constexpr char kSubquery[] = "Subquery";
constexpr char kEnvironment[] = "Execution environment";
constexpr std::array kOperations{" : SCAN", " : M-JOIN", " : F-JOIN", " : N-JOIN", " : GROUP", " : UPDATE"};
constexpr std::array kElementStarts{"] SCAN ELEMENT",          "] MERGE JOIN ELEMENT",   "] FETCH JOIN ELEMENT",
                                    "] NESTED LOOP JOIN ELEMENT", "] INSERT ELEMENT",   "] DELETE ELEMENT",
                                    "] UPDATE ELEMENT",        "] OUTPUT ELEMENT",       "] GROUPING ELEMENT",
                                    "] TRIGGER EXECUTION ELEMENT"};
constexpr char kTableName[] = "table name";
constexpr char kScanType[] = "scan type";
constexpr char kReference[] = "-->";
constexpr char kServerMessage[] = "SQLMSG=";
// The operation word is cut at this many characters past the colon's position.
constexpr size_t kOperationExtra = 6;
// The bracket levels an object value lies under.
constexpr int kObjectBrackets = 3;
// The tool's message stands this many lines before the end of its output.
constexpr size_t kMessageFromEnd = 3;
constexpr size_t kKindLength = 6;
constexpr size_t kCallLength = 4;
constexpr std::array kStatementKinds{"SELECT", "INSERT", "UPDATE", "DELETE"};
constexpr char kCopyMark[] = "┗";
constexpr int kBlanksPerLevel = 2;

bool Has(const std::string& line, const std::string& marker) { return line.find(marker) != std::string::npos; }

template <size_t N>
bool HasAny(const std::string& line, const std::array<const char*, N>& markers) {
  return std::any_of(markers.begin(), markers.end(), [&](const char* m) { return Has(line, m); });
}

bool IsOperation(const std::string& line) { return HasAny(line, kOperations); }
bool IsElementStart(const std::string& line) { return HasAny(line, kElementStarts); }
bool IsSectionEnd(const std::string& line) {
  return Has(line, std::string(kRuleLength, '=')) || Has(line, kSubquery) || Has(line, kEnvironment);
}

// The trimmed text after `word` in the trimmed line.
std::string ValueAfter(const std::string& line, const std::string& word) {
  const std::string trimmed = Trim(line);
  const size_t at = trimmed.find(word);
  return at == std::string::npos ? std::string() : Trim(trimmed.substr(at + word.size()));
}

std::string OperationWord(const std::string& line) {
  const std::string u = Trim(line);
  const size_t colon = u.find(':');
  if (colon == std::string::npos) return {};
  return Trim(u.substr(colon + 1, colon + 1 + kOperationExtra));
}

// The object of an operation: the text inside the third bracket of the
// first line up to the "-" rule that has one.
std::string ObjectValue(const std::vector<std::string>& t, size_t j, size_t end) {
  for (size_t l = j; l < end && !Has(t[l], std::string(kRuleLength, '-')); ++l) {
    std::string w = Trim(t[l]);
    for (int level = 0; level < kObjectBrackets; ++level) {
      const size_t open = w.find('[');
      if (open != std::string::npos) w = Trim(w.substr(open + 1));
    }
    const size_t close = w.find(']');
    const std::string candidate = close == std::string::npos ? std::string() : Trim(w.substr(0, close));
    if (!candidate.empty()) return candidate;
  }
  return {};
}

std::string StatementNodeText(const std::string& statement) {
  const std::string s = Trim(statement);
  const std::string kind = UpperCase(s.substr(0, kKindLength));
  for (const char* k : kStatementKinds)
    if (kind == k) return kind + " STATEMENT";
  if (UpperCase(s.substr(0, kCallLength)) == "CALL") return "CALL STATEMENT";
  return {};
}

// The lines of a text file as a list of lines holds them: a last line
// break ends the last line and starts none.
std::vector<std::string> FileLines(const std::string& text) {
  if (text.empty()) return {};
  std::vector<std::string> lines = SQLTextLines(text);
  if (text.back() == '\n') lines.pop_back();
  return lines;
}

bool IsAncestorOrSelf(const TPlanNode* node, const TPlanNode* of) {
  for (const TPlanNode* n = of; n; n = n->Parent)
    if (n == node) return true;
  return false;
}

}  // namespace

// ---- tree ----

TPlanNode* TPlanTree::Add(TPlanNode* parent, const std::string& text, std::vector<std::string> subItems) {
  auto node = std::make_unique<TPlanNode>();
  node->Text = text;
  node->SubItems = std::move(subItems);
  node->Parent = parent;
  TPlanNode* added = node.get();
  SiblingsOf(parent).push_back(std::move(node));
  return added;
}

TPlanNode* TPlanTree::Find(const std::function<bool(const TPlanNode&)>& match) const {
  for (const auto& [node, level] : Flatten())
    if (match(*node)) return const_cast<TPlanNode*>(node);
  return nullptr;
}

std::vector<std::unique_ptr<TPlanNode>>& TPlanTree::SiblingsOf(TPlanNode* parent) {
  return parent ? parent->Children : Roots;
}

std::unique_ptr<TPlanNode> TPlanTree::Detach(TPlanNode* node) {
  auto& siblings = SiblingsOf(node->Parent);
  auto it = std::find_if(siblings.begin(), siblings.end(), [&](const auto& n) { return n.get() == node; });
  std::unique_ptr<TPlanNode> detached = std::move(*it);
  siblings.erase(it);
  return detached;
}

void TPlanTree::Delete(TPlanNode* node) { Detach(node); }

void TPlanTree::Move(TPlanNode* node, TPlanNode* parent) {
  std::unique_ptr<TPlanNode> detached = Detach(node);
  detached->Parent = parent;
  SiblingsOf(parent).push_back(std::move(detached));
}

std::vector<std::pair<const TPlanNode*, int>> TPlanTree::Flatten() const {
  std::vector<std::pair<const TPlanNode*, int>> nodes;
  auto walk = [&](auto& self, const std::vector<std::unique_ptr<TPlanNode>>& level, int depth) -> void {
    for (const auto& node : level) {
      nodes.emplace_back(node.get(), depth);
      self(self, node->Children, depth + 1);
    }
  };
  walk(walk, Roots, 0);
  return nodes;
}

// ---- script, command, tool output ----

std::string PlanStatementText(std::string sql) {
  std::replace(sql.begin(), sql.end(), '\r', ' ');
  std::replace(sql.begin(), sql.end(), '\n', ' ');
  return sql;
}

std::string PlanScriptText(const std::string& tracePath, const std::string& statement) {
  return "ACCESS PLAN ON " + tracePath + ", 2" + ", NOEXE" + ", NOADVICE" + ";" + "\n" +
         TrimBlanks(PlanStatementText(statement)) + ";" + "\n" + "ACCESS PLAN OFF" + ";";
}

std::string PlanCommandLine(const std::string& dataSource, const std::string& user, const std::string& password,
                            const std::string& scriptPath) {
  return "rdbexecsql -s " + platform::QuoteArgument(dataSource) + " -u " +
         platform::QuoteArgument(user + "/" + password) + " -i " + scriptPath;
}

std::string PlanToolMessage(const std::vector<std::string>& output) {
  for (const std::string& line : output) {
    const size_t at = line.find(kServerMessage);
    if (at != std::string::npos) return line.substr(at + std::string(kServerMessage).size());
  }
  if (output.size() >= kMessageFromEnd) return output[output.size() - kMessageFromEnd];
  return output.empty() ? std::string() : output.front();
}

// ---- trace ----

TPlanTree ParsePlanTrace(const std::string& statement, const std::vector<std::string>& t) {
  TPlanTree tree;
  const std::string kind = StatementNodeText(statement);
  if (kind.empty()) return tree;
  TPlanNode* root = tree.Add(nullptr, kind, {"", ""});
  TPlanNode* parent = nullptr;
  // The last line is never read.
  const size_t end = t.empty() ? 0 : t.size() - 1;
  for (size_t i = 0; i < end; ++i) {
    const bool subquery = Has(t[i], kSubquery);
    if (!subquery && !Has(t[i], kMainQuery)) continue;
    // Every operation of a subquery hangs where its reference node stood.
    bool sectionPlaced = false;
    TPlanNode* sectionParent = nullptr;
    for (size_t j = i + 1; j < end && !IsSectionEnd(t[j]); ++j) {
      if (!IsOperation(t[j])) continue;
      if (!subquery) {
        parent = root;
      } else if (sectionPlaced) {
        parent = sectionParent;
      } else {
        if (TPlanNode* reference = tree.Find([&](const TPlanNode& n) { return n.Text == t[i]; })) {
          parent = reference->Parent;
          tree.Delete(reference);
        }
        sectionPlaced = true;
        sectionParent = parent;
      }
      TPlanNode* operation = tree.Add(parent, OperationWord(t[j]), {"", ObjectValue(t, j, end)});
      parent = operation;
      for (size_t k = j + 1; k < end && !IsOperation(t[k]); ++k) {
        if (!IsElementStart(t[k])) continue;
        std::string table;
        for (size_t m = k + 1; m < end && !IsElementStart(t[m]); ++m) {
          if (Has(t[m], kTableName)) table = ValueAfter(t[m], kTableName);
          const std::string scanType = Has(t[m], kScanType) ? ValueAfter(t[m], kScanType) : std::string();
          if (!scanType.empty()) {
            TPlanNode* scan = tree.Add(parent, scanType, {table, ""});
            if (!table.empty()) {
              // A scan never takes in itself or one of its ancestors.
              if (TPlanNode* adopted = tree.Find([&](const TPlanNode& n) {
                    return n.SubItems.size() > 1 && n.SubItems[1] == table && !IsAncestorOrSelf(&n, scan);
                  }))
                tree.Move(adopted, scan);
            }
            table.clear();
          }
          if (Has(t[m], kReference)) tree.Add(parent, ValueAfter(t[m], kReference) + " " + kSubquery, {"", ""});
        }
      }
    }
  }
  return tree;
}

// ---- output lines ----

std::string PlanFieldText(const std::string& text) {
  std::string field;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "\r\n") == 0) ++i;
    field += text[i] == '\t' || text[i] == '\n' ? ' ' : text[i];
  }
  return field;
}

std::string PlanNodeCaption(const TPlanNode& node, int level) {
  if (level < 1) return node.Text;
  return std::string(static_cast<size_t>(kBlanksPerLevel * level), ' ') + kCopyMark + node.Text;
}

std::vector<std::string> PlanNodeFields(const TPlanNode& node, int level, int columns) {
  std::vector<std::string> fields{PlanFieldText(PlanNodeCaption(node, level))};
  for (int c = 1; c < columns; ++c) {
    const size_t item = static_cast<size_t>(c - 1);
    fields.push_back(PlanFieldText(item < node.SubItems.size() ? node.SubItems[item] : std::string()));
  }
  return fields;
}

std::string PlanCopyLine(const TPlanNode& node, int level, int columns, bool comma) {
  const std::vector<std::string> fields = PlanNodeFields(node, level, columns);
  std::string line = fields.front();
  for (size_t i = 1; i < fields.size(); ++i) line += (comma ? "," : "\t") + fields[i];
  return line + "\r\n";
}

// ---- the run ----

TPlanTraceResult RunAccessPlanTrace(const std::string& sqlText, const TPlanLogon& logon,
                                    const std::function<void()>& commit) {
  const std::string tracePath = WorkFolder() + kPlanTraceFile;
  QFile::remove(QString::fromStdString(tracePath));
  struct TScriptRemoval {
    ~TScriptRemoval() { QFile::remove(QString::fromStdString(WorkFolder() + kPlanScriptFile)); }
  } removal;
  const std::string script = WriteTempFile(kPlanScriptFile, PlanScriptText(tracePath, sqlText));
  const std::string command = PlanCommandLine(logon.DataSource, logon.User, logon.Password, script);
  commit();
  TPlanTraceResult result;
  std::vector<std::string> output;
  if (!RunCommand(command, output, true)) {
    // A failing return code the runner has shown; a tool that did not start
    // or printed nothing would otherwise end the run without a word.
    if (!FailingReturnCodeLine(output)) result.Message = kPlanCommandFailed;
    return result;
  }
  result.Ran = true;
  if (QFile::exists(QString::fromStdString(tracePath)))
    result.Lines = FileLines(platform::ReadTextFile(tracePath));
  if (result.Lines.empty()) result.Message = PlanToolMessage(output);
  return result;
}

TPlanResult RunAccessPlan(const std::string& sqlText, const TPlanLogon& logon, const std::function<void()>& commit) {
  TPlanTraceResult trace = RunAccessPlanTrace(sqlText, logon, commit);
  TPlanResult result;
  result.Message = std::move(trace.Message);
  if (!trace.Lines.empty()) result.Tree = ParsePlanTrace(sqlText, trace.Lines);
  return result;
}
