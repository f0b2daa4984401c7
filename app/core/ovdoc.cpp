#include "app/core/ovdoc.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <functional>
#include <iterator>
#include <limits>

#include "app/core/ovconst.h"
#include "app/core/zarur.h"
#include "platform/process.h"
#include "platform/savefile.h"

namespace {

constexpr const char* kRootName = "OVDOC";
constexpr const char* kVersionName = "OVDOC-VERSION";
constexpr const char* kSeqName = "SEQ";
constexpr const char* kShortCutName = "SHORTCUT";
constexpr const char* kTypeName = "TYPE";
constexpr const char* kOutputTypeName = "OUTPUTTYPE";
constexpr const char* kDialogName = "DIALOG";
constexpr const char* kSQLWindowName = "SQLWINDOW";
constexpr const char* kErrorName = "ERROR";
constexpr const char* kSQLName = "SQL";
constexpr const char* kXlsFileName = "XLSFILE";
constexpr const char* kBodyTopName = "BODYTOP";
constexpr const char* kBodyCountName = "BODYCOUNT";
constexpr const char* kHeaderElement = "HEADER";
constexpr const char* kBodyElement = "BODY";
constexpr const char* kBody2Element = "BODY2";
constexpr const char* kPlacementName = "NAME";
constexpr const char* kRowName = "ROW";
constexpr const char* kColName = "COL";

std::map<std::string, std::string> Attributes(const QXmlStreamAttributes& attributes) {
  std::map<std::string, std::string> values;
  for (const auto& a : attributes) values[a.name().toString().toStdString()] = a.value().toString().toStdString();
  return values;
}

// An integer attribute: 0 when missing; nothing when it is no integer.
std::optional<int> IntegerOf(const std::map<std::string, std::string>& values, const char* name) {
  const auto it = values.find(name);
  if (it == values.end()) return 0;
  bool ok = false;
  const int value = QString::fromStdString(it->second).trimmed().toInt(&ok);
  if (!ok) return std::nullopt;
  return value;
}

bool NameLess(const TDocFile& a, const TDocFile& b) {
  return QString::fromStdString(a.Name).compare(QString::fromStdString(b.Name), Qt::CaseInsensitive) < 0;
}

// The decoded text of a document file that is well-formed XML. Checked
// first, so that a broken document gets the format message whatever its
// root says.
QString WellFormedText(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) throw EDocFormatError();
  const QString text = QString::fromStdString(platform::DecodeToolOutput(file.readAll().toStdString()));
  QXmlStreamReader check(text);
  while (!check.atEnd()) check.readNext();
  if (check.hasError()) throw EDocFormatError();
  return text;
}

// Reads the root element, which must be the document's own; its version
// attribute, nothing when missing or no number.
std::optional<double> RootVersion(QXmlStreamReader& xml) {
  if (!xml.readNextStartElement() || xml.name() != QLatin1String(kRootName))
    throw std::runtime_error(kUnsupportedVersion);
  bool ok = false;
  const double version = xml.attributes().value(kVersionName).toString().trimmed().toDouble(&ok);
  if (!ok) return std::nullopt;
  return version;
}

}  // namespace

std::optional<std::map<std::string, std::string>> ReadDocElement(const std::string& path, const std::string& kind,
                                                                 double missingVersion) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  const std::string text = platform::DecodeToolOutput(file.readAll().toStdString());
  QXmlStreamReader xml(QString::fromStdString(text));
  if (!xml.readNextStartElement() || xml.name() != QLatin1String(kRootName)) return std::nullopt;
  double version = missingVersion;
  if (xml.attributes().hasAttribute(kVersionName)) {
    bool ok = false;
    version = xml.attributes().value(kVersionName).toString().trimmed().toDouble(&ok);
    if (!ok) return std::nullopt;
  }
  if (version > kDocVersion) return std::nullopt;
  std::optional<std::map<std::string, std::string>> found;
  while (xml.readNextStartElement()) {
    if (!found && xml.name() == QString::fromStdString(kind)) found = Attributes(xml.attributes());
    xml.skipCurrentElement();
  }
  // A document broken after the element is as unreadable as one broken before it.
  if (xml.hasError()) return std::nullopt;
  return found;
}

std::optional<std::string> FindFolderAnyCase(const std::string& parent, const std::string& name) {
  const QDir dir(QString::fromStdString(parent));
  const QStringList folders = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
  const QString wanted = QString::fromStdString(name);
  // The exact spelling first, so that of two folders differing in case the
  // program's own is read.
  if (folders.contains(wanted)) return parent + name + "/";
  for (const QString& folder : folders)
    if (folder.compare(wanted, Qt::CaseInsensitive) == 0) return parent + folder.toStdString() + "/";
  return std::nullopt;
}

std::vector<TDocFile> ListDocFiles(const std::string& folder, const std::string& extension) {
  std::vector<TDocFile> files;
  const QDir dir(QString::fromStdString(folder));
  const QString ext = QString::fromStdString(extension);
  for (const QFileInfo& info : dir.entryInfoList(QDir::Files)) {
    const QString name = info.fileName();
    if (name.size() <= ext.size() || !name.endsWith(ext, Qt::CaseInsensitive)) continue;
    files.push_back({info.filePath().toStdString(), name.left(name.size() - ext.size()).toStdString()});
  }
  std::sort(files.begin(), files.end(), NameLess);
  return files;
}

void OrderBySeq(std::vector<TUserCommandEntry>& entries) {
  for (size_t i = 0; i + 1 < entries.size(); ++i)
    for (size_t j = i + 1; j < entries.size(); ++j)
      if (entries[i].Seq > entries[j].Seq) std::swap(entries[i], entries[j]);
}

std::vector<TUserCommandEntry> UserCommandMenuEntries(const std::string& shareDir) {
  std::vector<TUserCommandEntry> entries;
  const auto folder = FindFolderAnyCase(shareDir, kUserCommandFolder);
  if (!folder) return entries;
  for (const TDocFile& file : ListDocFiles(*folder, kUserCommandExtension)) {
    TUserCommandEntry entry{file.Name};
    if (const auto element = ReadDocElement(file.Path, kUserCommandElement, kUserCommandMissingVersion)) {
      const auto seq = IntegerOf(*element, kSeqName);
      const auto shortCut = IntegerOf(*element, kShortCutName);
      // A value that is no integer makes the file unreadable as a whole.
      if (seq && shortCut) {
        entry.Seq = *seq;
        entry.ShortCut = *shortCut;
      }
    }
    entries.push_back(entry);
  }
  OrderBySeq(entries);
  return entries;
}

std::vector<TReportEntry> ReportMenuEntries(const std::string& shareDir) {
  std::vector<TReportEntry> entries;
  const auto folder = FindFolderAnyCase(shareDir, kReportFolder);
  if (!folder) return entries;
  for (const TDocFile& file : ListDocFiles(*folder, kReportExtension)) {
    TReportEntry entry{file.Name};
    const auto element = ReadDocElement(file.Path, kReportElement, kReportMissingVersion);
    if (element) {
      const auto type = element->find(kTypeName);
      const auto outputType = IntegerOf(*element, kOutputTypeName);
      if (type != element->end() && FindReportItem(type->second, kReportItemKey) != 0 && outputType)
        entry.Tag = *outputType + 1;
    }
    entries.push_back(entry);
  }
  return entries;
}

std::optional<TUserCommand> ReadUserCommand(const std::string& shareDir, const std::string& name) {
  const auto folder = FindFolderAnyCase(shareDir, kUserCommandFolder);
  if (!folder) return std::nullopt;
  const auto element =
      ReadDocElement(*folder + name + kUserCommandExtension, kUserCommandElement, kUserCommandMissingVersion);
  if (!element) return std::nullopt;
  const auto dialog = IntegerOf(*element, kDialogName);
  const auto sqlWindow = IntegerOf(*element, kSQLWindowName);
  const auto error = IntegerOf(*element, kErrorName);
  if (!dialog || !sqlWindow || !error) return std::nullopt;
  TUserCommand command{*dialog != 0, *sqlWindow != 0, *error != 0, {}};
  if (const auto sql = element->find(kSQLName); sql != element->end()) command.SQL = sql->second;
  return command;
}

namespace {

// An integer of a placement: 0 when missing or no integer.
int32_t PlacementNumber(const QXmlStreamAttributes& attributes, const char* name) {
  bool ok = false;
  const int value = attributes.value(name).toString().trimmed().toInt(&ok);
  return ok ? value : 0;
}

// A required count of the definition, at least 1.
int32_t RequiredNumber(const QXmlStreamAttributes& attributes, const char* name, bool belowOneFormatError = false) {
  const QString text = attributes.value(name).toString();
  bool ok = false;
  const int value = text.trimmed().toInt(&ok);
  if (ok && value < 1 && belowOneFormatError) throw EDocFormatError();
  if (!ok || value < 1) throw std::runtime_error(InvalidIntegerText(text.toStdString()));
  return value;
}

void ReadPlacements(QXmlStreamReader& xml, TReportDefinition& definition) {
  while (xml.readNextStartElement()) {
    const bool header = xml.name() == QLatin1String(kHeaderElement);
    const bool body2 = xml.name() == QLatin1String(kBody2Element);
    if (header || body2 || xml.name() == QLatin1String(kBodyElement)) {
      const QXmlStreamAttributes a = xml.attributes();
      const TReportPlacement placement{
          PlacementNumber(a, kRowName), PlacementNumber(a, kColName),
          FindReportItem(a.value(kPlacementName).toString().toStdString(), kReportItemKey)};
      if (placement.Row >= 1 && placement.Col >= 1)
        (header ? definition.Header : body2 ? definition.Body2 : definition.Body).push_back(placement);
    }
    xml.skipCurrentElement();
  }
}

}  // namespace

std::string InvalidIntegerText(const std::string& text) { return "'" + text + "' は有効な整数値ではありません。"; }

TReportDefinition ReadReportDefinition(const std::string& path, bool countFormatError) {
  QXmlStreamReader xml(WellFormedText(path));
  const std::optional<double> version = RootVersion(xml);
  if (!version || *version > kDocVersion) throw std::runtime_error(kUnsupportedVersion);
  TReportDefinition definition;
  bool typeRead = false;
  while (xml.readNextStartElement()) {
    if (xml.name() != QLatin1String(kReportElement)) {
      xml.skipCurrentElement();
      continue;
    }
    const QXmlStreamAttributes a = xml.attributes();
    if (!typeRead) definition.Type = a.value(kTypeName).toString().toStdString();
    typeRead = true;
    definition.XlsFile = a.value(kXlsFileName).toString().toStdString();
    definition.BodyTop = RequiredNumber(a, kBodyTopName);
    definition.BodyCount = RequiredNumber(a, kBodyCountName, countFormatError);
    ReadPlacements(xml, definition);
  }
  return definition;
}

std::string ReportDefinitionPath(const std::string& shareDir, const std::string& name) {
  const auto folder = FindFolderAnyCase(shareDir, kReportFolder);
  return (folder ? *folder : shareDir + kReportFolder + "/") + name + kReportExtension;
}

std::string ReportFormPath(const std::string& shareDir, const std::string& xlsFile, const std::string& output) {
  std::string form = xlsFile;
  if (xlsFile.find('/') == std::string::npos) {
    const auto folder = FindFolderAnyCase(shareDir, kReportFolder);
    form = (folder ? *folder : shareDir + kReportFolder + "/") + xlsFile;
  }
  const QFileInfo formInfo(QString::fromStdString(form));
  const QString outputSuffix = QFileInfo(QString::fromStdString(output)).suffix();
  const QString withOutputExtension =
      formInfo.dir().filePath(formInfo.completeBaseName() + (outputSuffix.isEmpty() ? "" : "." + outputSuffix));
  if (QFileInfo::exists(withOutputExtension)) return withOutputExtension.toStdString();
  return form;
}

// ---- whole documents ----

namespace {

constexpr const char* kNameName = "NAME";
constexpr const char* kColumnElementPrefix = "COL";
constexpr const char* kTrueText = "True";
constexpr const char* kFalseText = "False";
constexpr const char* kLineEnd = "\r\n";
constexpr int kIndentSpaces = 2;
// The version from which column elements carry their column's name in
// NAME; older ones were named after the column.
constexpr double kNamedColumnsVersion = 2;
// The date-time forms a reader accepts, the written one first.
constexpr const char* kDateTimeFormats[] = {"yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd", "yyyy/MM/dd H:mm:ss", "yyyy/MM/dd"};
constexpr const char* kDataGenAttributes[] = {"MODE", "COUNT", "MASTOWNER", "MASTTABLE", "COUNTF", "COUNTT"};

void WriteElement(QXmlStreamWriter& xml, const TDocElement& element) {
  xml.writeStartElement(QString::fromStdString(element.Name));
  for (const auto& [name, value] : element.Attributes)
    xml.writeAttribute(QString::fromStdString(name), QString::fromStdString(value));
  for (const TDocElement& child : element.Children) WriteElement(xml, child);
  xml.writeEndElement();
}

TDocElement ReadElement(QXmlStreamReader& xml) {
  TDocElement element{xml.name().toString().toStdString(), {}, {}};
  for (const auto& a : xml.attributes())
    element.Add(a.name().toString().toStdString(), a.value().toString().toStdString());
  while (xml.readNextStartElement()) element.Children.push_back(ReadElement(xml));
  return element;
}

std::string Text(const std::string* text) { return text ? *text : std::string(); }

std::string PathIn(const std::string& folder, const std::string& name, const char* extension) {
  if (!IsDocumentName(name)) throw std::runtime_error(kInvalidNameMessage);
  return folder + name + extension;
}

}  // namespace

const std::string* TDocElement::Attribute(const std::string& name) const {
  for (const auto& [key, value] : Attributes)
    if (key == name) return &value;
  return nullptr;
}

void WriteDocument(const std::string& path, const TDocElement& kind) {
  QByteArray bytes;
  QXmlStreamWriter xml(&bytes);
  xml.setAutoFormatting(true);
  xml.setAutoFormattingIndent(kIndentSpaces);
  xml.writeStartDocument();
  xml.writeStartElement(kRootName);
  xml.writeAttribute(kVersionName, kDocVersionText);
  WriteElement(xml, kind);
  xml.writeEndElement();
  xml.writeEndDocument();
  if (const int error = platform::SaveFileWhole(path, std::string_view(bytes.constData(), bytes.size())); error != 0)
    throw std::runtime_error("ファイル " + path + " に書き込めません。" + std::strerror(error));
}

TDocument ReadDocument(const std::string& path, double missingVersion) {
  QXmlStreamReader xml(WellFormedText(path));
  TDocument doc{RootVersion(xml).value_or(missingVersion), {}};
  if (doc.Version > kDocVersion) throw std::runtime_error(kUnsupportedVersion);
  while (xml.readNextStartElement()) doc.Elements.push_back(ReadElement(xml));
  return doc;
}

bool IsDocumentName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && SanitizeFileName(name) == name;
}

std::string DocFolder(const std::string& shareDir, const std::string& name) {
  const auto folder = FindFolderAnyCase(shareDir, name);
  return folder ? *folder : shareDir + name + "/";
}

std::string EnsureDocFolder(const std::string& shareDir, const std::string& name) {
  const std::string folder = DocFolder(shareDir, name);
  if (!QDir().mkpath(QString::fromStdString(folder)))
    throw std::runtime_error("フォルダ " + folder + " を作成できません。");
  return folder;
}

std::string RealText(double value) {
  char buffer[std::numeric_limits<double>::max_digits10 + std::numeric_limits<double>::max_exponent10 + 8];
  const auto result = std::to_chars(std::begin(buffer), std::end(buffer), value);
  return std::string(buffer, result.ptr);
}

double AttrReal(const std::string* text, double def) {
  if (!text) return def;
  bool ok = false;
  const double value = QString::fromStdString(*text).trimmed().toDouble(&ok);
  return ok ? value : def;
}

int32_t AttrInteger(const std::string* text, int32_t def) {
  if (!text) return def;
  bool ok = false;
  const int value = QString::fromStdString(*text).trimmed().toInt(&ok);
  return ok ? value : def;
}

bool AttrFlag(const std::string* text) { return AttrInteger(text) != 0; }

bool AttrBoolean(const std::string* text) {
  return (text && QString::fromStdString(*text).trimmed().compare(kTrueText, Qt::CaseInsensitive) == 0) ||
         AttrFlag(text);
}

std::string BooleanText(bool value) { return value ? kTrueText : kFalseText; }

std::string DateTimeText(const QDateTime& value) {
  return value.isValid() ? value.toString(kDateTimeFormats[0]).toStdString() : std::string();
}

QDateTime AttrDateTime(const std::string* text) {
  if (!text) return {};
  const QString value = QString::fromStdString(*text).trimmed();
  for (const char* format : kDateTimeFormats) {
    const QDateTime parsed = QDateTime::fromString(value, format);
    if (parsed.isValid()) return parsed;
  }
  return {};
}

std::string LinesWithBreaks(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + kLineEnd;
  return text;
}

std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

// ---- USERCMD ----

std::string UserCommandPath(const std::string& shareDir, const std::string& name) {
  return DocFolder(shareDir, kUserCommandFolder) + name + kUserCommandExtension;
}

void WriteUserCommandDocument(const std::string& shareDir, const std::string& name, const TUserCommandDocument& doc) {
  const std::string path = PathIn(EnsureDocFolder(shareDir, kUserCommandFolder), name, kUserCommandExtension);
  TDocElement element{kUserCommandElement, {}, {}};
  element.Add(kSeqName, std::to_string(doc.Seq));
  element.Add(kNameName, name);
  element.Add(kShortCutName, std::to_string(doc.ShortCut));
  element.Add(kDialogName, doc.Command.Dialog ? "1" : "0");
  element.Add(kSQLWindowName, doc.Command.SQLWindow ? "1" : "0");
  element.Add(kErrorName, doc.Command.Error ? "1" : "0");
  element.Add(kSQLName, doc.Command.SQL);
  WriteDocument(path, element);
}

TUserCommandDocument ReadUserCommandDocument(const std::string& path) {
  TUserCommandDocument doc;
  for (const TDocElement& element : ReadDocument(path).Elements) {
    if (element.Name != kUserCommandElement) continue;
    doc.Seq = AttrInteger(element.Attribute(kSeqName));
    doc.ShortCut = AttrInteger(element.Attribute(kShortCutName));
    doc.Command.Dialog = AttrFlag(element.Attribute(kDialogName));
    doc.Command.SQLWindow = AttrFlag(element.Attribute(kSQLWindowName));
    doc.Command.Error = AttrFlag(element.Attribute(kErrorName));
    doc.Command.SQL = Text(element.Attribute(kSQLName));
    break;
  }
  return doc;
}

void SortUserCommands(std::vector<TUserCommandEntry>& entries) {
  std::stable_sort(entries.begin(), entries.end(), [](const TUserCommandEntry& a, const TUserCommandEntry& b) {
    return QString::fromStdString(a.Name).compare(QString::fromStdString(b.Name), Qt::CaseInsensitive) < 0;
  });
  OrderBySeq(entries);
}

std::vector<TUserCommandEntry> UserCommandListEntries(const std::string& shareDir) {
  std::vector<TUserCommandEntry> entries;
  const auto folder = FindFolderAnyCase(shareDir, kUserCommandFolder);
  if (!folder) return entries;
  for (const TDocFile& file : ListDocFiles(*folder, kUserCommandExtension)) {
    TUserCommandEntry entry{file.Name};
    // The list shows every file; one it cannot read keeps number 0.
    try {
      entry.Seq = ReadUserCommandDocument(file.Path).Seq;
    } catch (const std::exception&) {
    }
    entries.push_back(entry);
  }
  SortUserCommands(entries);
  return entries;
}

// ---- DATAGEN ----

namespace {

// The attributes of a column element, in written order, with their fields.
struct TColumnField {
  const char* Name;
  std::function<std::string(const TDataGenColumn&)> Write;
  std::function<void(TDataGenColumn&, const std::string*)> Read;
};

template <class T>
TColumnField IntegerField(const char* name, T TDataGenColumn::*field) {
  return {name, [field](const TDataGenColumn& c) { return std::to_string(c.*field); },
          [field](TDataGenColumn& c, const std::string* v) { c.*field = AttrInteger(v); }};
}
TColumnField RealField(const char* name, double TDataGenColumn::*field) {
  return {name, [field](const TDataGenColumn& c) { return RealText(c.*field); },
          [field](TDataGenColumn& c, const std::string* v) { c.*field = AttrReal(v); }};
}
TColumnField TextField(const char* name, std::string TDataGenColumn::*field) {
  return {name, [field](const TDataGenColumn& c) { return c.*field; },
          [field](TDataGenColumn& c, const std::string* v) { c.*field = Text(v); }};
}
TColumnField DateField(const char* name, QDateTime TDataGenColumn::*field) {
  return {name, [field](const TDataGenColumn& c) { return DateTimeText(c.*field); },
          [field](TDataGenColumn& c, const std::string* v) { c.*field = AttrDateTime(v); }};
}

const std::vector<TColumnField>& ColumnFields() {
  using C = TDataGenColumn;
  static const std::vector<TColumnField> fields = {
      TextField(kNameName, &C::Name),
      IntegerField("SETTYPE", &C::SetType),
      IntegerField("NULLPAR", &C::NullPar),
      RealField("NUMFROM", &C::NumFrom),
      RealField("NUMTO", &C::NumTo),
      RealField("MARUME", &C::Marume),
      IntegerField("STRTYPE", &C::StrType),
      {"STRFULL", [](const C& c) { return std::string(c.StrFull ? "1" : "0"); },
       [](C& c, const std::string* v) { c.StrFull = AttrFlag(v); }},
      {"FLGPREFIX", [](const C& c) { return BooleanText(c.FlgPrefix); },
       [](C& c, const std::string* v) { c.FlgPrefix = AttrBoolean(v); }},
      TextField("STRPREFIX", &C::StrPrefix),
      TextField("STRDIGIT", &C::StrDigit),
      IntegerField("DATETYPE", &C::DateType),
      DateField("DATEFROM", &C::DateFrom),
      DateField("DATETO", &C::DateTo),
      {"VARIABLE", [](const C& c) { return LinesWithBreaks(c.Variable); },
       [](C& c, const std::string* v) { c.Variable = LinesOf(Text(v)); }},
      TextField("TEMP1", &C::Temp1),
      TextField("TEMP2", &C::Temp2),
      TextField("TEMPSEP", &C::TempSep),
      TextField("LINKOWNER", &C::LinkOwner),
      TextField("LINKTABLE", &C::LinkTable),
      TextField("LINKCOLUMN", &C::LinkColumn),
  };
  return fields;
}

enum TDataGenAttribute { kMode, kCount, kMastOwner, kMastTable, kCountF, kCountT };

}  // namespace

std::string DataGenPath(const std::string& shareDir, const std::string& table) {
  return DocFolder(shareDir, kDataGenFolder) + SanitizeFileName(table) + kDataGenExtension;
}

void WriteDataGenDocument(const std::string& shareDir, const std::string& table, const TDataGenDocument& doc) {
  const std::string path = PathIn(EnsureDocFolder(shareDir, kDataGenFolder), SanitizeFileName(table), kDataGenExtension);
  TDocElement element{kDataGenElement, {}, {}};
  element.Add(kDataGenAttributes[kMode], std::to_string(doc.Mode));
  element.Add(kDataGenAttributes[kCount], std::to_string(doc.Count));
  element.Add(kDataGenAttributes[kMastOwner], doc.MastOwner);
  element.Add(kDataGenAttributes[kMastTable], doc.MastTable);
  element.Add(kDataGenAttributes[kCountF], std::to_string(doc.CountF));
  element.Add(kDataGenAttributes[kCountT], std::to_string(doc.CountT));
  for (size_t i = 0; i < doc.Columns.size(); ++i) {
    TDocElement column{kColumnElementPrefix + std::to_string(i), {}, {}};
    for (const TColumnField& field : ColumnFields()) column.Add(field.Name, field.Write(doc.Columns[i]));
    element.Children.push_back(column);
  }
  WriteDocument(path, element);
}

void ReadDataGenDocument(const std::string& path, TDataGenDocument& doc) {
  const TDocument read = ReadDocument(path);
  for (const TDocElement& element : read.Elements) {
    if (element.Name != kDataGenElement) continue;
    const int32_t mode = AttrInteger(element.Attribute(kDataGenAttributes[kMode]), -1);
    if (mode == 0 || mode == 1) doc.Mode = mode;
    doc.Count = AttrInteger(element.Attribute(kDataGenAttributes[kCount]));
    doc.MastOwner = Text(element.Attribute(kDataGenAttributes[kMastOwner]));
    doc.MastTable = Text(element.Attribute(kDataGenAttributes[kMastTable]));
    doc.CountF = AttrInteger(element.Attribute(kDataGenAttributes[kCountF]));
    doc.CountT = AttrInteger(element.Attribute(kDataGenAttributes[kCountT]));
    for (const TDocElement& child : element.Children) {
      // Older documents named each column element after its column.
      const std::string name =
          read.Version >= kNamedColumnsVersion ? Text(child.Attribute(kNameName)) : child.Name;
      const auto column = std::find_if(doc.Columns.begin(), doc.Columns.end(),
                                       [&name](const TDataGenColumn& c) { return c.Name == name; });
      if (column == doc.Columns.end()) continue;
      for (const TColumnField& field : ColumnFields())
        if (field.Name != std::string(kNameName)) field.Read(*column, child.Attribute(field.Name));
      if (column->SetType == kDataGenFixedValue) column->NullPar = 0;
    }
  }
}

// ---- XLSDEF ----

namespace {

void AddPlacements(TDocElement& element, const char* name, const std::vector<TReportPlacement>& placements) {
  for (const TReportPlacement& p : placements) {
    TDocElement child{name, {}, {}};
    child.Add(kPlacementName, ReportItems[p.Item < kReportItemCount ? p.Item : 0].Key);
    child.Add(kRowName, std::to_string(p.Row));
    child.Add(kColName, std::to_string(p.Col));
    element.Children.push_back(child);
  }
}

uint8_t ItemOfKey(const std::string* key) { return FindReportItem(Text(key), kReportItemKey); }

}  // namespace

void WriteXlsDefDocument(const std::string& shareDir, const std::string& name, const TXlsDefDocument& doc) {
  const std::string path = PathIn(EnsureDocFolder(shareDir, kReportFolder), name, kReportExtension);
  TDocElement element{kReportElement, {}, {}};
  element.Add(kXlsFileName, doc.XlsFile);
  element.Add(kBodyTopName, std::to_string(doc.BodyTop));
  element.Add(kBodyCountName, std::to_string(doc.BodyCount));
  element.Add(kOutputTypeName, std::to_string(doc.OutputType));
  element.Add(kTypeName, ReportItems[doc.Type < kReportItemCount ? doc.Type : 0].Key);
  AddPlacements(element, kHeaderElement, doc.Header);
  AddPlacements(element, kBodyElement, doc.Body);
  AddPlacements(element, kBody2Element, doc.Body2);
  WriteDocument(path, element);
}

TXlsDefDocument ReadXlsDefDocument(const std::string& path) {
  TXlsDefDocument doc;
  for (const TDocElement& element : ReadDocument(path).Elements) {
    if (element.Name != kReportElement) continue;
    doc.XlsFile = Text(element.Attribute(kXlsFileName));
    doc.BodyTop = AttrInteger(element.Attribute(kBodyTopName));
    doc.BodyCount = AttrInteger(element.Attribute(kBodyCountName));
    doc.OutputType = AttrInteger(element.Attribute(kOutputTypeName));
    doc.Type = ItemOfKey(element.Attribute(kTypeName));
    for (const TDocElement& child : element.Children) {
      std::vector<TReportPlacement>* grid = child.Name == kHeaderElement  ? &doc.Header
                                            : child.Name == kBodyElement  ? &doc.Body
                                            : child.Name == kBody2Element ? &doc.Body2
                                                                          : nullptr;
      if (!grid) continue;
      grid->push_back({AttrInteger(child.Attribute(kRowName)), AttrInteger(child.Attribute(kColName)),
                       ItemOfKey(child.Attribute(kPlacementName))});
    }
  }
  return doc;
}
