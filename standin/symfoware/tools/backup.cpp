#include "standin/symfoware/tools/backup.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QSysInfo>

#include <algorithm>
#include <cstring>
#include <optional>
#include <map>
#include <stdexcept>

#include "platform/savefile.h"
#include "standin/symfoware/catalogue.h"
#include "standin/symfoware/sqlite.h"

namespace symfoware::tools {

namespace {

constexpr char kStateFolder[] = "dsistate";
constexpr char kRetained[] = ".retained";
constexpr char kInhibited[] = ".inhibited";
constexpr char kDictionary[] = "RDBII_DICTIONARY";
constexpr char kTableDsiType[] = "T";
constexpr char kDumpFormat[] = "orv-standin-dump";
constexpr char kDsiKind[] = "DSI";
constexpr char kDictionaryKind[] = "DIC";
constexpr char kDumpTool[] = "rdbdmp";
constexpr char kDictionaryDumpTool[] = "rdbdmpdic";
constexpr char kCommentMark = '#';
constexpr int kKilobyte = 1024;
// "rdbdvinf" pads its last line's words to these widths.
constexpr int kCommandWidth = 10;
constexpr int kKindWidth = 6;

Report Fail(const std::string& message) { return {{message}, false}; }
QString Q(const std::string& s) { return QString::fromStdString(s); }
bool SameName(const std::string& a, const std::string& b) { return Q(a).compare(Q(b), Qt::CaseInsensitive) == 0; }
std::string Upper(const std::string& s) { return Q(s).toUpper().toStdString(); }

// ---- state ----

QString StateFile(const std::string& folder, const std::string& target, const char* suffix) {
  return QDir(Q(folder)).filePath(QString(kStateFolder) + "/" + Q(Upper(target)) + suffix);
}
bool InState(const std::string& folder, const std::string& target, const char* suffix) {
  return QFileInfo::exists(StateFile(folder, target, suffix));
}
void SetState(const std::string& folder, const std::string& target, const char* suffix, bool on) {
  const QString path = StateFile(folder, target, suffix);
  if (!on) {
    QFile::remove(path);
    return;
  }
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) throw std::runtime_error("状態を記録できません: " + path.toStdString());
}

// The folders and the name of a "-i DB.DSI" target, or of the dictionary.
struct Target {
  std::vector<std::string> folders;
  std::string name;
};
Target TargetOf(const ToolArguments& args, const std::vector<LocalDatabase>& databases) {
  if (args.Has("-z")) {
    Target target{{}, kDictionary};
    for (const LocalDatabase& db : databases)
      if (std::find(target.folders.begin(), target.folders.end(), db.folder) == target.folders.end())
        target.folders.push_back(db.folder);
    return target;
  }
  const DsiTable dsi = FindDsiTable(databases, args.Value("-i"));
  return {{dsi.database->folder}, dsi.database->name + "." + dsi.dsi};
}

// ---- dump files ----

QJsonValue Encode(const QVariant& value) {
  if (value.isNull()) return QJsonValue::Null;
  switch (value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
      return QJsonObject{{"i", value.toString()}};
    case QMetaType::Double:
      return QJsonObject{{"r", value.toDouble()}};
    case QMetaType::QByteArray:
      return QJsonObject{{"b", QString::fromLatin1(value.toByteArray().toBase64())}};
    default:
      return value.toString();
  }
}

QVariant Decode(const QJsonValue& value) {
  if (value.isNull()) return QVariant();
  if (value.isString()) return value.toString();
  const QJsonObject o = value.toObject();
  if (o.contains("i")) return o["i"].toString().toLongLong();
  if (o.contains("r")) return o["r"].toDouble();
  return QByteArray::fromBase64(o["b"].toString().toLatin1());
}

QString Quoted(const std::string& name) { return symfoware::Quoted(Q(name)); }

QJsonObject DumpOf(const DsiTable& dsi) {
  SqliteFile file(SchemaFilePath(dsi.database->folder, dsi.schema));
  QSqlQuery q(file.Database());
  if (!q.exec("SELECT * FROM " + Quoted(dsi.table)))
    throw std::runtime_error("表を読み込めません: " + dsi.schema + "." + dsi.table);
  QJsonArray columns;
  const QSqlRecord record = q.record();
  for (int i = 0; i < record.count(); ++i) columns.append(record.fieldName(i));
  QJsonArray rows;
  while (q.next()) {
    QJsonArray row;
    for (int i = 0; i < record.count(); ++i) row.append(Encode(q.value(i)));
    rows.append(row);
  }
  return {{"format", kDumpFormat},       {"tool", kDumpTool},        {"kind", kDsiKind},
          {"target", Q(dsi.database->name + "." + dsi.dsi)},          {"database", Q(dsi.database->name)},
          {"schema", Q(dsi.schema)},      {"table", Q(dsi.table)},    {"columns", columns},
          {"rows", rows},                 {"created", QDateTime::currentDateTime().toString(Qt::ISODate)}};
}

void WriteDump(const std::string& path, const QJsonObject& dump, bool overwrite) {
  if (!overwrite && QFileInfo::exists(Q(path))) throw std::runtime_error("出力先がすでに存在します: " + path);
  const QByteArray bytes = QJsonDocument(dump).toJson(QJsonDocument::Compact);
  if (const int error = platform::SaveFileWhole(path, std::string_view(bytes.constData(), bytes.size())))
    throw std::runtime_error("出力先に書き込めません: " + path + ": " + std::strerror(error));
}

// The dump in a file, or none when the file holds none.
std::optional<QJsonObject> ReadDump(const std::string& path) {
  QFile file(Q(path));
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  const QJsonDocument doc = QJsonDocument::fromJson(file.readAll());
  if (!doc.isObject() || doc.object()["format"].toString() != kDumpFormat) return std::nullopt;
  return doc.object();
}

// The first line of a specification file that is neither blank nor a
// comment: the file it names.
std::string SpecifiedFile(const std::string& specFile) {
  const std::vector<std::string> lines = MeaningfulLines(specFile);
  if (lines.empty()) throw std::runtime_error("指定ファイルに出力先がありません: " + specFile);
  return DumpPath(lines.front());
}

// The lines of a DSI list: "DB.DSI <file>" each.
std::vector<std::pair<std::string, std::string>> ListEntries(const std::string& listFile) {
  std::vector<std::pair<std::string, std::string>> entries;
  for (const std::string& line : MeaningfulLines(listFile)) {
    const size_t blank = line.find(' ');
    if (blank == std::string::npos) continue;
    entries.emplace_back(line.substr(0, blank), DumpPath(Q(line.substr(blank + 1)).trimmed().toStdString()));
  }
  return entries;
}

// ---- tools ----

Report Restrict(const std::string& tool, const ToolArguments& args, const std::vector<LocalDatabase>& databases) {
  const Target target = TargetOf(args, databases);
  const bool retain = tool == "rdbrtr";
  const bool inhibit = tool == "rdbinh";
  for (const std::string& folder : target.folders) {
    if ((retain && InState(folder, target.name, kRetained)) || (inhibit && InState(folder, target.name, kInhibited)))
      return Fail(tool + ": DSI " + target.name + " は他のプロセスで" + (retain ? "退避中" : "閉塞中") + "です");
  }
  for (const std::string& folder : target.folders) {
    if (retain || inhibit) SetState(folder, target.name, retain ? kRetained : kInhibited, true);
    // A release ends either restriction; a permit ends the inhibition.
    if (tool == "rdbrls") SetState(folder, target.name, kRetained, false);
    if (tool == "rdbrls" || tool == "rdbpmt") SetState(folder, target.name, kInhibited, false);
  }
  return {};
}

Report Dump(const ToolArguments& args, const std::vector<LocalDatabase>& databases) {
  const bool overwrite = args.Has("-y");
  Report report;
  if (args.Has("-t")) {
    for (const auto& [name, path] : ListEntries(args.Value("-t"))) {
      WriteDump(path, DumpOf(FindDsiTable(databases, name)), overwrite);
      report.lines.push_back("rdbdmp: " + name + " を " + path + " に出力しました");
    }
    if (report.lines.empty()) return Fail("rdbdmp: 指定ファイルにDSIがありません");
    return report;
  }
  const DsiTable dsi = FindDsiTable(databases, args.Value("-i"));
  const std::string spec = args.Value("-f");
  const std::string path = spec.find('@') != std::string::npos ? DumpPath(spec) : SpecifiedFile(spec);
  WriteDump(path, DumpOf(dsi), overwrite);
  return {{"rdbdmp: " + dsi.database->name + "." + dsi.dsi + " を " + path + " に出力しました"}, true};
}

Report DumpDictionary(const ToolArguments& args, const std::vector<LocalDatabase>& databases) {
  const std::string path = DumpPath(args.Value("-f"));
  QJsonArray catalogues;
  for (const LocalDatabase& db : databases) {
    QFile file(Q(SchemaFilePath(db.folder, kCatalogueSchema)));
    if (!file.open(QIODevice::ReadOnly)) throw std::runtime_error("ディクショナリを読み込めません: " + db.name);
    catalogues.append(QJsonObject{{"database", Q(db.name)}, {"folder", Q(db.folder)},
                                  {"bytes", QString::fromLatin1(file.readAll().toBase64())}});
  }
  WriteDump(path,
            {{"format", kDumpFormat}, {"tool", kDictionaryDumpTool}, {"kind", kDictionaryKind},
             {"target", kDictionary}, {"database", "-"}, {"catalogues", catalogues},
             {"created", QDateTime::currentDateTime().toString(Qt::ISODate)}},
            args.Has("-y"));
  return {{"rdbdmpdic: ディクショナリを " + path + " に出力しました"}, true};
}

std::string Padded(const QString& text, int width) { return text.leftJustified(width).toStdString(); }

Report DescribeDump(const ToolArguments& args) {
  const std::string path = args.Value("-r");
  const std::optional<QJsonObject> dump = ReadDump(path);
  if (!dump) return Fail("rdbdvinf: ダンプファイルではありません: " + path);
  const QJsonObject& d = *dump;
  const long long size = QFileInfo(Q(path)).size();
  return {{"RDB dump file information", "File name    : " + path,
           "Created      : " + d["created"].toString().toStdString(),
           "Database     : " + d["database"].toString().toStdString(),
           "Host         : " + QSysInfo::machineHostName().toStdString(), "Version      : 1",
           "Size         : " + std::to_string((size + kKilobyte - 1) / kKilobyte) + "K", "Command   Kind  Target",
           Padded(d["tool"].toString(), kCommandWidth) + Padded(d["kind"].toString(), kKindWidth) +
               d["target"].toString().toStdString()},
          true};
}

// Each work folder must be there.
void CheckWorkFolders(const std::string& folders) {
  const QStringList list = Q(folders).split(';', Qt::SkipEmptyParts);
  if (list.isEmpty()) throw std::runtime_error("ワークファイルパスを指定してください");
  for (const QString& folder : list)
    if (!QFileInfo(folder.trimmed()).isDir())
      throw std::runtime_error("ワークファイルパスが見つかりません: " + folder.trimmed().toStdString());
}

// Puts the dump's rows back into the DSI's table and gives access back.
std::string Recover(const std::vector<LocalDatabase>& databases, const std::string& target, const std::string& path) {
  const DsiTable dsi = FindDsiTable(databases, target);
  const std::string name = dsi.database->name + "." + dsi.dsi;
  if (!InState(dsi.database->folder, name, kInhibited))
    throw std::runtime_error("DSI " + name + " はアクセス禁止状態ではありません");
  const std::optional<QJsonObject> dump = ReadDump(path);
  if (!dump || (*dump)["kind"].toString() != kDsiKind) throw std::runtime_error("ダンプファイルではありません: " + path);
  if (!SameName((*dump)["target"].toString().toStdString(), name))
    throw std::runtime_error("ダンプファイルは " + (*dump)["target"].toString().toStdString() + " のものです");
  SqliteFile file(SchemaFilePath(dsi.database->folder, dsi.schema));
  QSqlDatabase& db = file.Database();
  QStringList columns;
  QStringList markers;
  for (const QJsonValue& column : (*dump)["columns"].toArray()) {
    columns << symfoware::Quoted(column.toString());
    markers << "?";
  }
  const QJsonArray rows = (*dump)["rows"].toArray();
  db.transaction();
  try {
    Run(db, "DELETE FROM " + Quoted(dsi.table).toStdString());
    const std::string insert = "INSERT INTO " + Quoted(dsi.table).toStdString() + " (" +
                               columns.join(", ").toStdString() + ") VALUES (" + markers.join(", ").toStdString() + ")";
    for (const QJsonValue& row : rows) {
      std::vector<QVariant> values;
      for (const QJsonValue& value : row.toArray()) values.push_back(Decode(value));
      Run(db, insert, values);
    }
  } catch (...) {
    db.rollback();
    throw;
  }
  db.commit();
  SetState(dsi.database->folder, name, kInhibited, false);
  return "rdbrcv: " + name + " を復元しました (" + std::to_string(rows.size()) + " 件)";
}

Report RecoverTool(const ToolArguments& args, const std::vector<LocalDatabase>& databases) {
  CheckWorkFolders(args.Value("-w"));
  Report report;
  if (args.Has("-t")) {
    for (const auto& [name, path] : ListEntries(args.Value("-t"))) report.lines.push_back(Recover(databases, name, path));
    if (report.lines.empty()) return Fail("rdbrcv: 制御ファイルにDSIがありません");
    return report;
  }
  const std::string spec = args.Value("-f");
  std::string path = DumpPath(spec);
  if (spec.find('@') == std::string::npos && !ReadDump(path)) path = SpecifiedFile(spec);
  report.lines.push_back(Recover(databases, args.Value("-i"), path));
  return report;
}

Report RecoverDictionary(const ToolArguments& args) {
  const std::string path = DumpPath(args.Value("-f"));
  const std::optional<QJsonObject> dump = ReadDump(path);
  if (!dump || (*dump)["kind"].toString() != kDictionaryKind)
    return Fail("rdbrcvdic: ディクショナリのダンプファイルではありません: " + path);
  for (const QJsonValue& value : (*dump)["catalogues"].toArray()) {
    const QJsonObject catalogue = value.toObject();
    const QByteArray bytes = QByteArray::fromBase64(catalogue["bytes"].toString().toLatin1());
    const std::string target = SchemaFilePath(catalogue["folder"].toString().toStdString(), kCatalogueSchema);
    if (const int error = platform::SaveFileWhole(target, std::string_view(bytes.constData(), bytes.size())))
      return Fail("rdbrcvdic: ディクショナリを書き込めません: " + target + ": " + std::strerror(error));
  }
  return {{"rdbrcvdic: ディクショナリを " + path + " から復元しました"}, true};
}

}  // namespace

bool ToolArguments::Has(const std::string& option) const {
  return std::any_of(options.begin(), options.end(), [&](const auto& o) { return o.first == option; });
}

std::string ToolArguments::Value(const std::string& option) const {
  for (const auto& [name, value] : options)
    if (name == option) return value;
  return {};
}

ToolArguments ParseToolArguments(int argc, char* argv[], const std::vector<std::string>& withValue) {
  ToolArguments args;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool takes = std::find(withValue.begin(), withValue.end(), arg) != withValue.end();
    if (takes && i + 1 < argc)
      args.options.emplace_back(arg, argv[++i]);
    else if (!arg.empty() && arg[0] == '-')
      args.options.emplace_back(arg, "");
    else
      args.bare.push_back(arg);
  }
  return args;
}

std::vector<std::string> MeaningfulLines(const std::string& path) {
  QFile file(Q(path));
  if (!file.open(QIODevice::ReadOnly)) throw std::runtime_error("指定ファイルを読み込めません: " + path);
  std::vector<std::string> lines;
  for (const QString& line : QString::fromUtf8(file.readAll()).split('\n')) {
    const QString text = line.trimmed();
    if (!text.isEmpty() && text.front() != kCommentMark) lines.push_back(text.toStdString());
  }
  return lines;
}

std::string DumpPath(const std::string& spec) {
  const size_t at = spec.rfind('@');
  if (at == std::string::npos) return spec;
  const std::string folder = spec.substr(at + 1);
  return QDir(Q(folder)).filePath(Q(spec.substr(0, at))).toStdString();
}

DsiTable FindDsiTable(const std::vector<LocalDatabase>& databases, const std::string& target) {
  const size_t dot = target.find('.');
  if (dot == std::string::npos) throw std::runtime_error("<データベース名>.<DSI名> を指定してください: " + target);
  DsiTable found;
  found.database = FindDatabase(databases, target.substr(0, dot));
  if (!found.database) throw std::runtime_error("データベースが見つかりません: " + target.substr(0, dot));
  SqliteFile file(SchemaFilePath(found.database->folder, kCatalogueSchema));
  QSqlQuery q(file.Database());
  q.prepare("SELECT NAME, SCHEMA_NAME, TABLE_NAME FROM RDBII_DSI_STATUS WHERE UPPER(DB_NAME) = UPPER(?) "
            "AND UPPER(NAME) = UPPER(?) AND TYPE = ?");
  q.addBindValue(Q(found.database->name));
  q.addBindValue(Q(target.substr(dot + 1)));
  q.addBindValue(kTableDsiType);
  if (!q.exec() || !q.next()) throw std::runtime_error("表のDSIが見つかりません: " + target);
  found.dsi = q.value(0).toString().toStdString();
  found.schema = q.value(1).toString().toStdString();
  found.table = q.value(2).toString().toStdString();
  return found;
}

bool IsBackupTool(const std::string& tool) {
  static const std::vector<std::string> kTools = {"rdbrtr",   "rdbrls", "rdbinh",    "rdbpmt",  "rdbdmp", "rdbdmpdic",
                                                  "rdbdvinf", "rdbrcv", "rdbrcvdic", "rdbstop", "rdbstart"};
  return std::find(kTools.begin(), kTools.end(), tool) != kTools.end();
}

std::vector<std::string> BackupToolValueOptions(const std::string& tool) {
  if (tool == "rdbdvinf") return {"-r"};
  return {"-i", "-f", "-t", "-w"};
}

Report RunBackupTool(const std::string& tool, const ToolArguments& args, const std::vector<LocalDatabase>& databases) {
  try {
    if (tool == "rdbrtr" || tool == "rdbrls" || tool == "rdbinh" || tool == "rdbpmt")
      return Restrict(tool, args, databases);
    if (tool == "rdbdmp") return Dump(args, databases);
    if (tool == "rdbdmpdic") return DumpDictionary(args, databases);
    if (tool == "rdbdvinf") return DescribeDump(args);
    if (tool == "rdbrcv") return RecoverTool(args, databases);
    if (tool == "rdbrcvdic") return RecoverDictionary(args);
    if (tool == "rdbstop") return {{"rdbstop: Symfoware/RDBを停止しました"}, true};
    if (tool == "rdbstart") return {{"rdbstart: Symfoware/RDBを起動しました"}, true};
  } catch (const std::exception& e) {
    return Fail(tool + ": " + e.what());
  }
  return Fail(tool + ": この機能はスタンドインにありません");
}

}  // namespace symfoware::tools
