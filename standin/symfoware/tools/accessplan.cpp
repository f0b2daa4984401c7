#include "standin/symfoware/tools/accessplan.h"

#include <QFile>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <deque>
#include <set>

#include "platform/sqlmarkers.h"
#include "standin/symfoware/catalogue.h"

namespace symfoware::tools {

namespace {

constexpr char kPlanOn[] = "ACCESS PLAN ON";
constexpr char kPlanOff[] = "ACCESS PLAN OFF";
constexpr char kExplain[] = "EXPLAIN QUERY PLAN ";
constexpr char kRan[] = "rdbexecsql: スクリプトを実行しました";
constexpr char kTraceWritten[] = "rdbexecsql: アクセスプランを出力しました: ";
constexpr char kServerMessage[] = "SQLMSG=";
constexpr char kLineBreak[] = "\r\n";
constexpr int kRuleWidth = 79;
constexpr char kFullScan[] = "TABLE ALL SCAN";
constexpr char kIndexScan[] = "INDEX TABLE SCAN";
// The label column of an element's details.
constexpr size_t kLabelWidth = 16;

std::string Upper(const std::string& s) { return QString::fromStdString(s).toUpper().toStdString(); }
std::string Trimmed(const std::string& s) { return QString::fromStdString(s).trimmed().toStdString(); }

// The text upper-cased with every run of blanks made one blank.
std::string Words(const std::string& s) {
  return Upper(QString::fromStdString(s).simplified().toStdString());
}

// A table scan of SQLite's plan: the table as the statement names it and
// its index, if any.
struct TScan {
  std::string Table;
  std::string Index;
};

// One query of the plan: its scans in order and the subqueries it reaches.
struct TQuery {
  int RowId = 0;
  std::vector<TScan> Scans;
  std::vector<int> Subqueries;
};

bool IsSubqueryRow(const std::string& detail) { return detail.find("SUBQUERY") != std::string::npos; }

std::optional<TScan> ScanOf(const std::string& detail) {
  const QStringList words = QString::fromStdString(detail).split(' ', Qt::SkipEmptyParts);
  if (words.size() < 2 || (words[0] != "SCAN" && words[0] != "SEARCH")) return std::nullopt;
  TScan scan{words[1].toStdString(), {}};
  // An automatic index is SQLite's own, built for the one statement.
  const qsizetype index = words.indexOf("INDEX");
  if (index > 0 && index + 1 < words.size() && !words.contains("AUTOMATIC"))
    scan.Index = words[index + 1].toStdString();
  return scan;
}

std::string Detail(const std::string& label, const std::string& value) {
  std::string line = "      " + label + " ";
  if (label.size() < kLabelWidth) line.append(kLabelWidth - label.size() - 1, ' ');
  return line + value;
}

std::string ElementLine(int number, const char* kind) {
  return "  [" + std::string(number < 10 ? " " : "") + std::to_string(number) + "] " + kind;
}

void AddOperation(std::vector<std::string>& lines, int number, const char* word) {
  lines.push_back("  " + std::to_string(number) + " : " + word);
  lines.push_back(std::string(kRuleWidth, '-'));
}

void AddQuery(std::vector<std::string>& lines, const TQuery& query,
              const std::map<std::string, std::string>& tables) {
  int element = 0;
  int operation = 0;
  auto references = [&] {
    for (int subquery : query.Subqueries) lines.push_back("      --> " + std::to_string(subquery));
  };
  if (query.Scans.empty()) {
    AddOperation(lines, ++operation, "SCAN");
    lines.push_back(ElementLine(++element, "OUTPUT ELEMENT"));
    references();
  }
  for (size_t i = 0; i < query.Scans.size(); ++i) {
    const TScan& scan = query.Scans[i];
    if (i == 0) {
      AddOperation(lines, ++operation, "SCAN");
    } else {
      AddOperation(lines, ++operation, "N-JOIN");
      lines.push_back(ElementLine(++element, "NESTED LOOP JOIN ELEMENT"));
    }
    lines.push_back(ElementLine(++element, "SCAN ELEMENT"));
    auto table = tables.find(Upper(scan.Table));
    lines.push_back(Detail("table name", table != tables.end() ? table->second : Upper(scan.Table)));
    lines.push_back(Detail("scan type", scan.Index.empty() ? kFullScan : kIndexScan));
    if (!scan.Index.empty()) lines.push_back(Detail("dso name", scan.Index));
    if (i + 1 == query.Scans.size()) references();
  }
  lines.push_back(std::string(kRuleWidth, '='));
}

// The schemas' tables and views, user schemas first.
std::vector<std::string> SchemaTables(QSqlDatabase& db) {
  std::vector<std::string> schemas;
  QSqlQuery list(db);
  list.exec("PRAGMA database_list");
  while (list.next()) {
    const std::string name = list.value(1).toString().toStdString();
    if (name == "main" || name == "temp") continue;
    if (name == kCatalogueSchema)
      schemas.push_back(name);
    else
      schemas.insert(schemas.begin(), name);
  }
  std::vector<std::string> tables;
  for (const std::string& schema : schemas) {
    QSqlQuery q(db);
    q.exec(QString::fromStdString("SELECT name FROM \"" + schema +
                                  "\".sqlite_master WHERE type IN ('table', 'view') ORDER BY name"));
    while (q.next()) tables.push_back(schema + "." + q.value(0).toString().toStdString());
  }
  return tables;
}

void WriteTrace(const std::string& path, const std::vector<std::string>& lines) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
    throw std::runtime_error("トレースファイルに書き込めません: " + path);
  for (const std::string& line : lines) file.write((line + kLineBreak).c_str());
}

}  // namespace

std::vector<std::string> ScriptStatements(const std::string& script) {
  std::vector<std::string> statements;
  size_t from = 0;
  auto cut = [&](size_t at) {
    const std::string statement = Trimmed(script.substr(from, at - from));
    if (!statement.empty()) statements.push_back(statement);
    from = at + 1;
  };
  for (const platform::SqlSpan& span : platform::SplitSqlSpans(script)) {
    if (span.kind != platform::SqlSpanKind::Code) continue;
    for (size_t at = script.find(';', span.begin); at != std::string::npos && at < span.end;
         at = script.find(';', at + 1))
      cut(at);
  }
  cut(script.size());
  return statements;
}

std::optional<std::string> AccessPlanPath(const std::string& statement) {
  const std::string words = Words(statement);
  const std::string on = std::string(kPlanOn) + " ";
  if (words.rfind(on, 0) != 0) return std::nullopt;
  // The path is taken from the statement as written, up to its first ",".
  const QString text = QString::fromStdString(statement).trimmed();
  const qsizetype start = text.indexOf(QRegularExpression("\\bON\\s", QRegularExpression::CaseInsensitiveOption));
  const QString rest = text.mid(start + 2);
  return rest.section(',', 0, 0).trimmed().toStdString();
}

std::map<std::string, std::string> StatementTables(const std::string& statement,
                                                   const std::vector<std::string>& schemaTables) {
  static const std::set<std::string> kNotAlias{
      "WHERE", "JOIN",  "INNER", "LEFT",  "RIGHT",     "FULL",   "OUTER", "CROSS",  "NATURAL", "ON",
      "USING", "GROUP", "ORDER", "HAVING", "UNION",    "EXCEPT", "INTERSECT", "LIMIT", "SET",  "VALUES",
      "SELECT", "FROM", "WINDOW", "AS",   "WITH",      "DEFAULT"};
  std::map<std::string, std::string> qualified;  // upper-cased "S.T" -> "S.T"
  std::map<std::string, std::string> bare;       // upper-cased "T" -> first "S.T"
  for (const std::string& table : schemaTables) {
    qualified.emplace(Upper(table), table);
    bare.emplace(Upper(table.substr(table.find('.') + 1)), table);
  }
  struct TToken {
    std::string Text;
    qsizetype Start;
    qsizetype End;
  };
  std::vector<TToken> tokens;
  const QString text = QString::fromStdString(statement);
  static const QRegularExpression kName("[A-Za-z_][A-Za-z0-9_$#]*(\\s*\\.\\s*[A-Za-z_][A-Za-z0-9_$#]*)?");
  for (auto it = kName.globalMatch(text); it.hasNext();) {
    const QRegularExpressionMatch m = it.next();
    tokens.push_back({Upper(m.captured().remove(QRegularExpression("\\s")).toStdString()), m.capturedStart(),
                      m.capturedEnd()});
  }
  std::map<std::string, std::string> tables;
  for (size_t i = 0; i < tokens.size(); ++i) {
    auto q = qualified.find(tokens[i].Text);
    auto b = bare.find(tokens[i].Text);
    const std::string* table = q != qualified.end() ? &q->second : b != bare.end() ? &b->second : nullptr;
    if (!table) continue;
    tables[tokens[i].Text] = *table;
    tables.emplace(Upper(table->substr(table->find('.') + 1)), *table);
    // An alias follows its table, or its "AS", after blanks alone.
    auto blanksBetween = [&](size_t a, size_t b) {
      return text.mid(tokens[a].End, tokens[b].Start - tokens[a].End).trimmed().isEmpty();
    };
    size_t alias = i + 1;
    if (alias < tokens.size() && tokens[alias].Text == "AS" && blanksBetween(i, alias)) ++alias;
    if (alias >= tokens.size() || kNotAlias.count(tokens[alias].Text) || !blanksBetween(alias - 1, alias)) continue;
    tables[tokens[alias].Text] = *table;
  }
  return tables;
}

std::vector<std::string> PlanTrace(const std::vector<TQueryPlanRow>& rows,
                                   const std::map<std::string, std::string>& tables) {
  std::map<int, std::vector<const TQueryPlanRow*>> children;
  for (const TQueryPlanRow& row : rows) children[row.Parent].push_back(&row);
  std::vector<TQuery> queries{TQuery{}};
  // Collects a query's scans below a row; a subquery becomes a query of its
  // own, numbered in the order the plan reaches it.
  std::deque<size_t> pending{0};
  auto collect = [&](auto& self, size_t query, int rowId) -> void {
    for (const TQueryPlanRow* row : children[rowId]) {
      if (IsSubqueryRow(row->Detail)) {
        queries[query].Subqueries.push_back(static_cast<int>(queries.size()));
        queries.push_back(TQuery{row->Id, {}, {}});
        pending.push_back(queries.size() - 1);
        continue;
      }
      if (std::optional<TScan> scan = ScanOf(row->Detail)) queries[query].Scans.push_back(*scan);
      self(self, query, row->Id);
    }
  };
  std::vector<std::string> lines{"ACCESS PLAN INFORMATION"};
  while (!pending.empty()) {
    const size_t query = pending.front();
    pending.pop_front();
    collect(collect, query, queries[query].RowId);
    lines.push_back(query == 0 ? "Main query" : std::to_string(query) + " Subquery");
    AddQuery(lines, queries[query], tables);
  }
  lines.push_back("Execution environment");
  lines.push_back("  OPTIMIZE LEVEL 2");
  lines.push_back("END OF ACCESS PLAN");
  return lines;
}

Report ExecuteScript(platform::SqlSession& session, const std::string& script) {
  std::optional<std::string> tracePath;
  std::vector<std::string> trace;
  std::optional<std::string> written;
  for (const std::string& statement : ScriptStatements(script)) {
    if (std::optional<std::string> path = AccessPlanPath(statement)) {
      tracePath = path;
      continue;
    }
    if (Words(statement) == kPlanOff) {
      if (tracePath && !trace.empty()) {
        WriteTrace(*tracePath, trace);
        written = tracePath;
      }
      tracePath.reset();
      trace.clear();
      continue;
    }
    if (!tracePath) return {{"rdbexecsql: ACCESS PLAN ON の後の文だけをスタンドインは扱えます: " + statement}, false};
    // NOEXE: the plan needs no values for the statement's markers.
    const platform::PositionalSql positional = platform::ConvertMarkers(statement);
    QSqlQuery q(session.Database());
    if (q.prepare(QString::fromStdString(kExplain + session.Rewrite(positional.text))))
      for (size_t i = 0; i < positional.names.size(); ++i) q.addBindValue(QVariant());
    if (!q.lastError().isValid()) q.exec();
    if (q.lastError().isValid())
      return {{kRan, kServerMessage + session.ErrorText(q)}, true};
    std::vector<TQueryPlanRow> rows;
    while (q.next()) rows.push_back({q.value(0).toInt(), q.value(1).toInt(), q.value(3).toString().toStdString()});
    const std::vector<std::string> plan = PlanTrace(rows, StatementTables(statement, SchemaTables(session.Database())));
    trace.insert(trace.end(), plan.begin(), plan.end());
  }
  if (tracePath && !trace.empty()) {
    WriteTrace(*tracePath, trace);
    written = tracePath;
  }
  std::vector<std::string> lines{kRan};
  if (written) lines.push_back(kTraceWritten + *written);
  return {lines, true};
}

}  // namespace symfoware::tools
