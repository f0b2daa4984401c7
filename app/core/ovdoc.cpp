#include "app/core/ovdoc.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>

#include <algorithm>

#include "app/core/ovconst.h"
#include "platform/process.h"

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
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) throw EDocFormatError();
  const QString text = QString::fromStdString(platform::DecodeToolOutput(file.readAll().toStdString()));
  // Well-formed first, so that a broken document gets the format message
  // whatever its root says.
  QXmlStreamReader check(text);
  while (!check.atEnd()) check.readNext();
  if (check.hasError()) throw EDocFormatError();
  QXmlStreamReader xml(text);
  if (!xml.readNextStartElement() || xml.name() != QLatin1String(kRootName))
    throw std::runtime_error(kUnsupportedVersion);
  bool ok = false;
  const double version = xml.attributes().value(kVersionName).toString().trimmed().toDouble(&ok);
  if (!ok || version > kDocVersion) throw std::runtime_error(kUnsupportedVersion);
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
