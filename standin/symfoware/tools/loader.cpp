#include "standin/symfoware/tools/loader.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>

#include <algorithm>
#include <stdexcept>

#include "standin/symfoware/catalogue.h"
#include "standin/symfoware/sqlite.h"

namespace symfoware::tools {

namespace {

constexpr QChar kDefaultDelimiter = ',';
constexpr QChar kDoubleQuote = '"';
constexpr QChar kSingleQuote = '\'';
constexpr char kNoQuote[] = "NONE";
constexpr char kNoQuoteKeepBlanks[] = "NONE_VALIDSPACE";
constexpr char kAllErrors[] = "ALL";

QString Q(const std::string& s) { return QString::fromStdString(s); }
Report Fail(const std::string& message) { return {{message}, false}; }

void RequireText(const ToolArguments& args, const std::string& tool) {
  if (!args.Has("-t"))
    throw std::runtime_error(tool == "rdbunl" ? "バイナリ形式の出力はスタンドインにありません"
                                              : "バイナリ形式の入力はスタンドインにありません");
}

QString Field(const QVariant& value) {
  if (value.isNull()) return {};
  const int type = value.typeId();
  if (type == QMetaType::LongLong || type == QMetaType::Int || type == QMetaType::Double) return value.toString();
  QString text = value.toString();
  return kDoubleQuote + text.replace(kDoubleQuote, QString(2, kDoubleQuote)) + kDoubleQuote;
}

void WriteLines(const std::string& path, const QStringList& lines) {
  QFile file(Q(path));
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) throw std::runtime_error("出力先に書き込めません: " + path);
  for (const QString& line : lines) file.write((line + "\r\n").toUtf8());
}

// ---- reading the text format ----

struct TextFormat {
  QChar delimiter = kDefaultDelimiter;
  QChar quote = kDoubleQuote;  // null: none
  bool keepBlanks = false;
  bool delimiterAfterLast = false;
};

// The fields of a line; an unquoted empty field is NULL.
std::vector<QVariant> SplitFields(const QString& line, const TextFormat& f) {
  std::vector<QVariant> fields;
  QString current;
  bool quoted = false;
  bool wasQuoted = false;
  const auto finish = [&] {
    if (wasQuoted)
      fields.emplace_back(current);
    else {
      const QString text = f.keepBlanks ? current : current.trimmed();
      fields.push_back(text.isEmpty() ? QVariant() : QVariant(text));
    }
    current.clear();
    wasQuoted = false;
  };
  for (qsizetype i = 0; i < line.size(); ++i) {
    const QChar c = line[i];
    if (quoted) {
      if (c == f.quote && i + 1 < line.size() && line[i + 1] == f.quote) {
        current += c;
        ++i;
      } else if (c == f.quote) {
        quoted = false;
      } else {
        current += c;
      }
    } else if (!f.quote.isNull() && c == f.quote && current.trimmed().isEmpty()) {
      quoted = wasQuoted = true;
      current.clear();
    } else if (c == f.delimiter) {
      finish();
    } else {
      current += c;
    }
  }
  finish();
  return fields;
}

}  // namespace

Report Unload(const ToolArguments& args, const std::vector<LocalDatabase>& databases) {
  try {
    RequireText(args, "rdbunl");
    const DsiTable dsi = FindDsiTable(databases, args.Value("-i"));
    std::vector<std::string> outputs;
    QString condition;
    if (args.Has("-f")) {
      const std::vector<std::string> lines = MeaningfulLines(args.Value("-f"));
      if (lines.empty()) throw std::runtime_error("条件指定ファイルに出力先がありません");
      outputs.push_back(DumpPath(lines.front()));
      for (size_t i = 1; i < lines.size(); ++i) condition += (condition.isEmpty() ? "" : " ") + Q(lines[i]);
    } else if (args.Has("-v")) {
      for (const std::string& line : MeaningfulLines(args.Value("-v"))) outputs.push_back(DumpPath(line));
      if (outputs.empty()) throw std::runtime_error("分割指定ファイルに出力先がありません");
    } else if (!args.bare.empty()) {
      outputs.push_back(args.bare.front());
    } else {
      throw std::runtime_error("出力先を指定してください");
    }
    SqliteFile file(SchemaFilePath(dsi.database->folder, dsi.schema));
    QSqlQuery q(file.Database());
    const QString where = condition.isEmpty() ? QString() : " WHERE " + condition;
    if (!q.exec("SELECT * FROM " + symfoware::Quoted(Q(dsi.table)) + where))
      throw std::runtime_error("表を読み込めません: " + q.lastError().text().toStdString());
    QStringList rows;
    while (q.next()) {
      QStringList fields;
      bool hasNull = false;
      for (int i = 0; i < q.record().count(); ++i) {
        hasNull = hasNull || q.value(i).isNull();
        fields << Field(q.value(i));
      }
      if (hasNull && args.Has("-n")) continue;
      rows << fields.join(kDefaultDelimiter);
    }
    const qsizetype run = (rows.size() + static_cast<qsizetype>(outputs.size()) - 1) /
                          std::max<qsizetype>(1, static_cast<qsizetype>(outputs.size()));
    for (size_t i = 0; i < outputs.size(); ++i)
      WriteLines(outputs[i], rows.mid(static_cast<qsizetype>(i) * run, run));
    return {{"rdbunl: " + std::to_string(rows.size()) + " 件のデータを出力しました"}, true};
  } catch (const std::exception& e) {
    return Fail(std::string("rdbunl: ") + e.what());
  }
}

Report Load(const ToolArguments& args, const std::vector<LocalDatabase>& databases) {
  try {
    RequireText(args, "rdbsaloader");
    const DsiTable dsi = FindDsiTable(databases, args.Value("-i"));
    if (args.bare.empty()) throw std::runtime_error("入力ファイルを指定してください");
    TextFormat format;
    if (args.Has("-p")) format.delimiter = Q(args.Value("-p")).front();
    if (args.Has("-l")) {
      const std::string quote = args.Value("-l");
      format.quote = quote == kNoQuote || quote == kNoQuoteKeepBlanks ? QChar() : Q(quote).front();
      format.keepBlanks = quote == kNoQuoteKeepBlanks;
    }
    format.delimiterAfterLast = args.Has("-e");
    // "-r COUNT,FILE": the rows that fail go to FILE; at COUNT failures the
    // load stops.
    long long limit = 0;
    std::string errorFile;
    if (args.Has("-r")) {
      const QString value = Q(args.Value("-r"));
      const qsizetype comma = value.indexOf(',');
      const QString count = value.left(comma).trimmed();
      limit = count == kAllErrors ? -1 : count.toLongLong();
      errorFile = comma < 0 ? std::string() : value.mid(comma + 1).toStdString();
    }
    QFile input(Q(args.bare.front()));
    if (!input.open(QIODevice::ReadOnly)) throw std::runtime_error("入力ファイルを読み込めません: " + args.bare.front());
    QStringList lines = QString::fromUtf8(input.readAll()).split('\n');
    SqliteFile file(SchemaFilePath(dsi.database->folder, dsi.schema));
    QSqlDatabase& db = file.Database();
    QSqlQuery columns(db);
    if (!columns.exec("SELECT * FROM " + symfoware::Quoted(Q(dsi.table)) + " LIMIT 0"))
      throw std::runtime_error("表を読み込めません: " + dsi.table);
    const int width = columns.record().count();
    QStringList markers;
    for (int i = 0; i < width; ++i) markers << "?";
    const std::string insert = "INSERT INTO " + symfoware::Quoted(Q(dsi.table)).toStdString() + " VALUES (" +
                               markers.join(", ").toStdString() + ")";
    QStringList failed;
    long long added = 0;
    db.transaction();
    for (QString line : lines) {
      if (line.endsWith('\r')) line.chop(1);
      if (line.trimmed().isEmpty()) continue;
      std::vector<QVariant> fields = SplitFields(line, format);
      if (format.delimiterAfterLast && static_cast<int>(fields.size()) == width + 1 && fields.back().isNull())
        fields.pop_back();
      try {
        if (static_cast<int>(fields.size()) != width)
          throw std::runtime_error("項目の数が表の列の数と違います");
        Run(db, insert, fields);
        ++added;
      } catch (const std::exception&) {
        failed << line;
        if (limit == 0 || (limit > 0 && failed.size() >= limit)) {
          db.rollback();
          if (!errorFile.empty()) WriteLines(errorFile, failed);
          return Fail("rdbsaloader: " + std::to_string(failed.size()) + " 件のエラーのため中断しました: " +
                      line.toStdString());
        }
      }
    }
    db.commit();
    if (!errorFile.empty()) WriteLines(errorFile, failed);
    Report report{{"rdbsaloader: " + std::to_string(added) + " 件のデータを追加しました"}, true};
    if (!failed.isEmpty()) report.lines.push_back("rdbsaloader: " + std::to_string(failed.size()) + " 件のエラーがありました");
    return report;
  } catch (const std::exception& e) {
    return Fail(std::string("rdbsaloader: ") + e.what());
  }
}

}  // namespace symfoware::tools
