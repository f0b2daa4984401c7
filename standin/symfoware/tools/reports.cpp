#include "standin/symfoware/tools/reports.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <optional>

#include "platform/sqlbackend.h"
#include "standin/symfoware/sqlite.h"
#include "standin/symfoware/storage.h"
#include "standin/symfoware/tools/dbspace.h"

namespace symfoware::tools {

namespace {

constexpr char kDictionary[] = "RDBII_DICTIONARY";
constexpr char kTableDsiType[] = "T";
constexpr char kIndexDsiType[] = "I";
constexpr char kTableSize[] = "1024";
constexpr char kIndexSize[] = "256";
// TABLE_TYPE of a global temporary table by what ends its rows.
constexpr char kDeleteRowsType[] = "TD";
constexpr char kPreserveRowsType[] = "TP";
// "No. n" padded to this width starts a DSI or allocation block.
constexpr int kBlockNumberWidth = 14;
constexpr size_t kSizeWidth = 10;


std::vector<std::string> Column(QSqlDatabase& db, const std::string& sql, const std::vector<QVariant>& values) {
  QSqlQuery q = Run(db, sql, values);
  std::vector<std::string> result;
  while (q.next()) result.push_back(q.value(0).toString().toStdString());
  return result;
}

QVariant V(const std::string& s) { return QString::fromStdString(s); }

std::string BlockHead(int number, const std::string& label) {
  std::string head = "No. " + std::to_string(number);
  head.resize(kBlockNumberWidth, ' ');
  return head + label;
}

void AddList(std::vector<std::string>& lines, const std::string& title, const std::string& heading,
             const std::vector<std::string>& items) {
  lines.push_back(title);
  lines.push_back(heading);
  int n = 0;
  for (const std::string& item : items) lines.push_back(std::to_string(++n) + " " + item);
}

Report Failure(const std::string& message) { return {{message}, false}; }

// The table's database space: the one of its extended row, else the first
// space of the database.
std::string TableSpace(QSqlDatabase& db, const std::string& database, long long tableCode) {
  std::vector<std::string> spaces =
      Column(db, "SELECT DBSPACE_NAME FROM RDBII_TABLE_EX WHERE TABLE_CODE = ? AND DBSPACE_NAME IS NOT NULL",
             {tableCode});
  if (!spaces.empty() && !spaces[0].empty()) return spaces[0];
  spaces = Column(db, "SELECT OBJECT_NAME FROM RDBII_OBJECT WHERE OBJECT_ID = '2' AND UPPER(DB_NAME) = UPPER(?) "
                      "ORDER BY rowid", {V(database)});
  return spaces.empty() ? std::string() : spaces[0];
}

struct Table {
  long long code = 0;
  std::string schema;
  std::string name;
  std::string type;  // TABLE_TYPE
};

struct Storage {
  std::string dso;
  std::vector<std::string> dsis;
};

// The storage rows of a table or index; without rows the structure has
// the object's own name, the default of a table created without storage.
Storage StorageOf(QSqlDatabase& db, const Table& table, const std::string& dso, const char* type) {
  std::vector<std::string> dsis = Column(db,
                                         "SELECT NAME FROM RDBII_DSI_STATUS WHERE SCHEMA_NAME = ? AND TABLE_NAME = ? "
                                         "AND TYPE = ? AND (? = '' OR DSO_NAME = ?) ORDER BY rowid",
                                         {V(table.schema), V(table.name), type, V(type == std::string(kIndexDsiType) ? dso : ""),
                                          V(dso)});
  std::string dsoName = dso;
  if (type == std::string(kTableDsiType)) {
    std::vector<std::string> dsos = Column(db,
                                           "SELECT DSO_NAME FROM RDBII_DSI_STATUS WHERE SCHEMA_NAME = ? AND "
                                           "TABLE_NAME = ? AND TYPE = 'T' ORDER BY rowid",
                                           {V(table.schema), V(table.name)});
    dsoName = dsos.empty() ? table.name : dsos[0];
  }
  if (dsis.empty()) dsis.push_back(dsoName);
  return {dsoName, dsis};
}

std::vector<Table> TablesOf(QSqlDatabase& db, const std::string& database, const std::string& schema,
                            const std::string& name) {
  QSqlQuery q = Run(db,
                    "SELECT TABLE_CODE, SCHEMA_NAME, TABLE_NAME, TABLE_TYPE FROM RDBII_TABLE WHERE UPPER(DB_NAME) = UPPER(?) "
                    "AND DB_NAME <> ? AND TABLE_TYPE <> 'VW' AND (? = '' OR (SCHEMA_NAME = ? AND TABLE_NAME = ?)) "
                    "ORDER BY TABLE_CODE",
                    {V(database), kDictionary, V(name), V(schema), V(name)});
  std::vector<Table> tables;
  while (q.next())
    tables.push_back({q.value(0).toLongLong(), q.value(1).toString().toStdString(), q.value(2).toString().toStdString(),
                      q.value(3).toString().toStdString()});
  return tables;
}

std::vector<std::string> IndexesOf(QSqlDatabase& db, const Table& table) {
  return Column(db, "SELECT INDEX_DSO_NAME FROM RDBII_INDEX WHERE TABLE_CODE = ? ORDER BY INDEX_DSO_CODE",
                {table.code});
}

// A DSI that lies in a database space, with the size it takes there.
struct SpaceDsi {
  std::string name;
  Table table;
  const char* kind;
  std::string size;
  std::string dso;
};

std::vector<SpaceDsi> DsisInSpace(QSqlDatabase& db, const std::string& database, const std::string& space) {
  std::vector<SpaceDsi> dsis;
  for (const Table& table : TablesOf(db, database, "", "")) {
    if (QString::fromStdString(TableSpace(db, database, table.code))
            .compare(QString::fromStdString(space), Qt::CaseInsensitive) != 0)
      continue;
    const Storage data = StorageOf(db, table, "", kTableDsiType);
    for (const std::string& dsi : data.dsis) dsis.push_back({dsi, table, "DATA", kTableSize, data.dso});
    for (const std::string& index : IndexesOf(db, table))
      for (const std::string& dsi : StorageOf(db, table, index, kIndexDsiType).dsis)
        dsis.push_back({dsi, table, "BASE", kIndexSize, index});
  }
  return dsis;
}

// "  total   :" and the size in K, right-aligned as the tool prints it.
std::string SizeTotal(long long kilobytes) {
  std::string number = std::to_string(kilobytes) + "K";
  if (number.size() < kSizeWidth) number.insert(0, kSizeWidth - number.size(), ' ');
  return "  total   :" + number;
}

void AddAllocation(std::vector<std::string>& lines, int number, const std::string& target, const std::string& space,
                   const std::string& size) {
  lines.push_back(BlockHead(number, "Allocation target ...... " + target));
  lines.push_back("Used database space information");
  lines.push_back("No.  Database space name  Size");
  lines.push_back("1 " + space + " " + size + "(K byte)");
}

// ---- storage kept from the storage statements ----

constexpr char kListSeparator = '\n';
constexpr char kRealignment[] = "REALIGNMENT";
constexpr char kDegenerate[] = "DEGENERATE";
constexpr char kExpand[] = "EXPAND";

std::vector<std::string> ListOf(const std::string& text) {
  std::vector<std::string> items;
  size_t from = 0;
  while (!text.empty()) {
    const size_t end = text.find(kListSeparator, from);
    items.push_back(text.substr(from, end - from));
    if (end == std::string::npos) break;
    from = end + 1;
  }
  return items;
}

std::string Joined(const std::vector<std::string>& items) {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : ", ") + item;
  return text;
}

std::string YesNo(bool yes) { return yes ? "YES" : "NO"; }

struct KeptDso {
  std::string name;
  std::string structure;
  std::string pageSize1;
  std::string pageSize2;
  std::string order;
  bool precedence = false;
  std::vector<std::string> cluster;
  bool notUnique = false;
  std::string rule;
  std::vector<std::string> divideColumns;
  bool rangeDivided = false;
  std::string indexOption;
};

struct KeptSpace {
  std::string kind;
  std::string space;
  std::string size;
};

struct KeptDsi {
  std::string name;
  std::string divideValue;
  std::string option;
  std::string baseDsi;
  std::string alarm;
  std::string capacity;
  std::string expandSize;
  std::vector<KeptSpace> spaces;
  std::string scope;
};

// The DSO the storage statements gave the table ("T") or the index ("I").
std::optional<KeptDso> KeptDsoOf(QSqlDatabase& db, const Table& table, const std::string& dso, const char* type) {
  QSqlQuery q = Run(db,
                    "SELECT DSO_NAME, STRUCTURE, PAGE_SIZE1, PAGE_SIZE2, ORDER_VALUE, PRECEDENCE, CLUSTER_KEY, "
                    "NOT_UNIQUE, RULE_TEXT, DIVIDE_COLUMNS, RANGE_DIVIDED, INDEX_OPTION FROM STANDIN_DSO "
                    "WHERE SCHEMA_NAME = ? AND TABLE_NAME = ? AND DSO_TYPE = ? AND (? = '' OR DSO_NAME = ?)",
                    {V(table.schema), V(table.name), type, V(dso), V(dso)});
  if (!q.next()) return std::nullopt;
  auto text = [&q](int i) { return q.value(i).toString().toStdString(); };
  return KeptDso{text(0), text(1), text(2), text(3), text(4), q.value(5).toInt() != 0, ListOf(text(6)),
                 q.value(7).toInt() != 0, text(8), ListOf(text(9)), q.value(10).toInt() != 0, text(11)};
}

std::vector<KeptDsi> KeptDsisOf(QSqlDatabase& db, const std::string& dso) {
  std::vector<KeptDsi> dsis;
  QSqlQuery q = Run(db,
                    "SELECT S.NAME, D.DIVIDE_VALUE, D.DSI_OPTION, D.BASE_DSI, D.ALARM, D.CAPACITY, D.EXPAND_SIZE "
                    "FROM RDBII_DSI_STATUS S LEFT JOIN STANDIN_DSI D ON D.DSI_NAME = S.NAME "
                    "WHERE S.DSO_NAME = ? ORDER BY S.CODE",
                    {V(dso)});
  while (q.next()) {
    auto text = [&q](int i) { return q.value(i).toString().toStdString(); };
    dsis.push_back({text(0), text(1), text(2), text(3), text(4), text(5), text(6), {}, {}});
  }
  for (KeptDsi& dsi : dsis) {
    QSqlQuery spaces = Run(db,
                           "SELECT KIND, SPACE_NAME, SPACE_SIZE FROM STANDIN_DSI_SPACE WHERE DSI_NAME = ? "
                           "ORDER BY rowid",
                           {V(dsi.name)});
    while (spaces.next())
      dsi.spaces.push_back({spaces.value(0).toString().toStdString(), spaces.value(1).toString().toStdString(),
                            spaces.value(2).toString().toStdString()});
    const std::vector<std::string> scopes =
        Column(db, "SELECT SCOPE_NAME FROM STANDIN_SCOPE WHERE DSI_NAME = ? ORDER BY rowid", {V(dsi.name)});
    if (!scopes.empty()) dsi.scope = scopes.front();
  }
  return dsis;
}

// The automatic expansion of a DSI, ended by an empty line.
void AddAlarm(std::vector<std::string>& lines, const KeptDsi& dsi) {
  std::vector<std::string> standBy;
  for (const KeptSpace& s : dsi.spaces)
    if (s.kind == kExpand) standBy.push_back(s.space);
  if (standBy.empty() && dsi.expandSize.empty()) return;
  lines.push_back("Alarm information");
  if (!dsi.alarm.empty()) lines.push_back("Alarm point     ...... " + symfoware::ReportSize(dsi.alarm));
  if (!dsi.capacity.empty()) lines.push_back("expand point    ...... " + symfoware::ReportSize(dsi.capacity));
  if (!dsi.expandSize.empty()) lines.push_back("allocation size ...... " + symfoware::ReportSize(dsi.expandSize));
  if (!standBy.empty()) AddList(lines, "Stand by Database space information", "No.  Database space name", standBy);
  lines.push_back("");
}

// One target block per allocation kind, in the order the statement gave.
void AddAllocations(std::vector<std::string>& lines, const KeptDsi& dsi) {
  std::vector<std::string> kinds;
  for (const KeptSpace& s : dsi.spaces)
    if (s.kind != kExpand && std::find(kinds.begin(), kinds.end(), s.kind) == kinds.end()) kinds.push_back(s.kind);
  if (kinds.empty()) return;
  lines.push_back("Allocation information");
  int target = 0;
  for (const std::string& kind : kinds) {
    lines.push_back(BlockHead(++target, "Allocation target ...... " + kind));
    std::vector<std::string> entries;
    for (const KeptSpace& s : dsi.spaces)
      if (s.kind == kind) entries.push_back(s.space + " " + symfoware::ReportSize(s.size));
    AddList(lines, "Used database space information", "No.  Database space name  Size", entries);
    lines.push_back("");
  }
}

// The DSI list, one empty line between it and the first block.
void AddDsiList(std::vector<std::string>& lines, const std::vector<KeptDsi>& dsis) {
  std::vector<std::string> names;
  for (const KeptDsi& dsi : dsis) names.push_back(dsi.name);
  AddList(lines, "DSI information", "No.  DSI name", names);
  lines.push_back("");
}

void AddKeptTable(std::vector<std::string>& lines, const KeptDso& dso, const std::vector<KeptDsi>& dsis) {
  lines.push_back("Base DSO name ...... " + dso.name);
  lines.push_back("Type          ...... BASE TABLE");
  lines.push_back("");
  lines.push_back("Data structure information");
  lines.push_back("Type                ...... " + dso.structure);
  if (dso.structure == "RANDOM") {
    lines.push_back("Page size(PRIME)    ...... " + dso.pageSize1);
    lines.push_back("Page size(OVERFLOW) ...... " + dso.pageSize2);
  } else {
    lines.push_back("Page size(DATA)     ...... " + dso.pageSize1 + "(K byte)");
  }
  if (!dso.order.empty()) lines.push_back("Order               ...... " + dso.order);
  if (dso.precedence) lines.push_back("Precedence          ...... 1");
  if (!dso.cluster.empty()) {
    AddList(lines, "Cluster key information", "No.  Column name", dso.cluster);
    if (dso.notUnique) lines.push_back("Type      ...... NOT UNIQUE");
    lines.push_back("");
  }
  if (!dso.rule.empty()) {
    lines.push_back("Rule information");
    lines.push_back("  " + dso.rule);
  }
  if (!dso.divideColumns.empty()) {
    lines.push_back("Divide condition");
    const std::string columns = "  (" + Joined(dso.divideColumns) + ")";
    const std::string mark = dso.rangeDivided ? "BETWEEN(" : "=(";
    bool any = false;
    for (const KeptDsi& dsi : dsis) {
      if (dsi.divideValue.empty()) continue;
      lines.push_back(columns + mark + dsi.divideValue + ")");
      any = true;
    }
    if (!any)
      lines.push_back(columns + mark + Joined(std::vector<std::string>(dso.divideColumns.size(), "?")) + ")");
  }
  lines.push_back("");
  AddDsiList(lines, dsis);
  int n = 0;
  for (const KeptDsi& dsi : dsis) {
    lines.push_back(BlockHead(++n, "DSI name ...... " + dsi.name));
    if (!dsi.divideValue.empty()) {
      lines.push_back("Divide value");
      lines.push_back("  (" + dsi.divideValue + ")");
    }
    AddAlarm(lines, dsi);
    AddAllocations(lines, dsi);
    if (!dsi.scope.empty()) {
      AddList(lines, "Scope information", "No.  Scope name", {dsi.scope});
      lines.push_back("");
    }
  }
}

void AddKeptIndex(std::vector<std::string>& lines, const KeptDso& dso, const std::vector<KeptDsi>& dsis,
                  const std::string& firstTableDsi) {
  lines.push_back("");
  lines.push_back("Index information");
  lines.push_back("DSO name ...... " + dso.name);
  lines.push_back("Page size(BASE)     ...... " + dso.pageSize1);
  lines.push_back("Page size(INDEX)    ...... " + dso.pageSize2);
  lines.push_back("Index degenerate    ...... " + YesNo(dso.indexOption == kDegenerate));
  lines.push_back("Index realignment   ...... " + YesNo(dso.indexOption == kRealignment));
  AddDsiList(lines, dsis);
  int n = 0;
  for (const KeptDsi& dsi : dsis) {
    lines.push_back(BlockHead(++n, "DSI name ...... " + dsi.name));
    AddAlarm(lines, dsi);
    AddList(lines, "Base DSI information", "No.  DSI name", {dsi.baseDsi.empty() ? firstTableDsi : dsi.baseDsi});
    lines.push_back("Index degenerate  ...... " + YesNo(dsi.option == kDegenerate));
    lines.push_back("Index realignment ...... " + YesNo(dsi.option == kRealignment));
    AddAllocations(lines, dsi);
  }
}

}  // namespace

Report DatabaseList(const std::vector<LocalDatabase>& databases) {
  Report report;
  report.lines = {"RDBII rdbprt データベース一覧", "No.  Database name"};
  int n = 0;
  for (const LocalDatabase& db : databases) report.lines.push_back(std::to_string(++n) + "    " + db.name);
  return report;
}

// A global temporary table has no storage structure: its database spaces
// with their users, and whether its rows outlive a transaction.
void AddTemporaryTable(std::vector<std::string>& lines, QSqlDatabase& db, const Table& table) {
  std::vector<std::string> spaces;
  QSqlQuery q = Run(db,
                    "SELECT SPACE_NAME, USERS FROM STANDIN_TEMPORARY_SPACE WHERE SCHEMA_NAME = ? AND TABLE_NAME = ? "
                    "ORDER BY rowid",
                    {V(table.schema), V(table.name)});
  while (q.next()) spaces.push_back(q.value(0).toString().toStdString() + " " + q.value(1).toString().toStdString());
  lines.insert(lines.end(), {"Base DSO name ...... " + table.name, "Type          ...... GLOBAL TEMPORARY", ""});
  AddList(lines, "Used database space information", "No.  Database space name  Users", spaces);
  lines.push_back("");
  lines.push_back("Preserve option    ...... " + YesNo(table.type == kPreserveRowsType));
  lines.push_back("");
  AddList(lines, "DSI information", "No.  DSI name", {});
}

Report TableDefinition(QSqlDatabase& db, const std::string& database, const std::string& controlText) {
  static const QRegularExpression kTable(
      QStringLiteral("^\\s*TABLE\\s*\\(\\s*\"?([^.\"\\s]+)\"?\\s*\\.\\s*\"?([^)\"\\s]+)\"?\\s*\\)\\s*$"),
      QRegularExpression::CaseInsensitiveOption);
  const QRegularExpressionMatch m = kTable.match(QString::fromStdString(controlText));
  if (!m.hasMatch()) return Failure("rdbprt: 制御文が正しくありません: " + controlText);
  const std::vector<Table> tables = TablesOf(db, database, m.captured(1).toStdString(), m.captured(2).toStdString());
  if (tables.empty())
    return Failure("rdbprt: 表が見つかりません: " + m.captured(1).toStdString() + "." + m.captured(2).toStdString());
  const Table& table = tables.front();
  const Storage storage = StorageOf(db, table, "", kTableDsiType);
  const std::string space = TableSpace(db, database, table.code);

  std::vector<std::string> lines{"RDB definition information", "Table name    ...... " + table.schema + "." + table.name};
  if (table.type == kDeleteRowsType || table.type == kPreserveRowsType) {
    AddTemporaryTable(lines, db, table);
  } else if (const std::optional<KeptDso> kept = KeptDsoOf(db, table, "", kTableDsiType)) {
    AddKeptTable(lines, *kept, KeptDsisOf(db, kept->name));
  } else {
    lines.insert(lines.end(), {"Base DSO name ...... " + storage.dso, "Type          ...... BASE TABLE", "",
                               "Data structure information", "Type                ...... SEQUENTIAL",
                               "Page size(DATA)     ...... 4(K byte)", "Order               ...... 0", ""});
    AddList(lines, "DSI information", "No.  DSI name", storage.dsis);
    int n = 0;
    for (const std::string& dsi : storage.dsis) {
      lines.push_back("");
      lines.push_back(BlockHead(++n, "DSI name ...... " + dsi));
      lines.push_back("Allocation information");
      AddAllocation(lines, 1, "DATA", space, kTableSize);
    }
  }
  for (const std::string& index : IndexesOf(db, table)) {
    if (const std::optional<KeptDso> kept = KeptDsoOf(db, table, index, kIndexDsiType)) {
      AddKeptIndex(lines, *kept, KeptDsisOf(db, index), storage.dsis.front());
      continue;
    }
    const Storage indexStorage = StorageOf(db, table, index, kIndexDsiType);
    lines.push_back("");
    lines.push_back("Index information");
    lines.push_back("DSO name ...... " + index);
    lines.push_back("Page size(BASE)     ...... 4");
    lines.push_back("Page size(INDEX)    ...... 4");
    lines.push_back("Index degenerate    ...... NO");
    lines.push_back("Index realignment   ...... NO");
    AddList(lines, "DSI information", "No.  DSI name", indexStorage.dsis);
    int i = 0;
    for (const std::string& dsi : indexStorage.dsis) {
      lines.push_back("");
      lines.push_back(BlockHead(++i, "DSI name ...... " + dsi));
      AddList(lines, "Base DSI information", "No.  DSI name", {storage.dsis.front()});
      lines.push_back("Index degenerate  ...... NO");
      lines.push_back("Index realignment ...... NO");
      lines.push_back("Allocation information");
      AddAllocation(lines, 1, "BASE", space, kIndexSize);
      lines.push_back("");
      AddAllocation(lines, 2, "INDEX", space, kIndexSize);
    }
  }
  lines.push_back("");
  return {lines, true};
}

Report DsiInformation(QSqlDatabase& db, const std::string& database, const std::string& space) {
  const std::vector<std::string> spaces =
      Column(db, "SELECT OBJECT_NAME FROM RDBII_OBJECT WHERE OBJECT_ID = '2' AND UPPER(DB_NAME) = UPPER(?) "
                 "AND UPPER(OBJECT_NAME) = UPPER(?)", {V(database), V(space)});
  if (spaces.empty()) return Failure("rdbinf: データベーススペースが見つかりません: " + database + "." + space);
  std::vector<std::string> lines{"Database space : " + spaces[0]};
  for (const SpaceDsi& dsi : DsisInSpace(db, database, spaces[0])) {
    lines.push_back("DSI       : " + dsi.name);
    lines.push_back("  Schema  : " + dsi.table.schema);
    lines.push_back("  Table   : " + dsi.table.name);
    lines.push_back("  " + std::string(dsi.kind) + "    : " + dsi.size + "K");
  }
  return {lines, true};
}

Report DatabaseSpaces(QSqlDatabase& db, const std::string& database) {
  std::vector<std::string> lines;
  const std::vector<std::string> spaces =
      Column(db, "SELECT OBJECT_NAME FROM RDBII_OBJECT WHERE OBJECT_ID = '2' AND UPPER(DB_NAME) = UPPER(?) "
                 "ORDER BY rowid", {V(database)});
  for (const std::string& space : spaces) {
    long long used = 0;
    for (const SpaceDsi& dsi : DsisInSpace(db, database, space)) used += std::stoll(dsi.size);
    lines.push_back("Database space : " + space);
    const SpaceFile file = SpaceFileOf(db, database, space);
    lines.push_back("Device         : " + file.file);
    lines.push_back("Size           : " + std::to_string(file.sizeKb) + "K");
    lines.push_back("Static allocate size");
    lines.push_back(SizeTotal(used));
    lines.push_back("Dynamic allocate size");
    lines.push_back(SizeTotal(0));
    lines.push_back("Free size");
    lines.push_back(SizeTotal(file.sizeKb - used));
    lines.push_back("");
  }
  return {lines, true};
}

std::vector<SpaceDsiRow> DsisOfSpace(QSqlDatabase& db, const std::string& database, const std::string& space) {
  std::vector<SpaceDsiRow> rows;
  for (const SpaceDsi& dsi : DsisInSpace(db, database, space))
    rows.push_back({dsi.name, dsi.table.schema, dsi.table.name, dsi.kind, dsi.dso, dsi.size});
  return rows;
}

std::string SizeTotalLine(long long kilobytes) { return SizeTotal(kilobytes); }

const LocalDatabase* FindDatabase(const std::vector<LocalDatabase>& databases, const std::string& name) {
  for (const LocalDatabase& db : databases)
    if (QString::fromStdString(db.name).compare(QString::fromStdString(name), Qt::CaseInsensitive) == 0) return &db;
  return nullptr;
}

}  // namespace symfoware::tools
