#include "admin/core/fdbcore.h"

#include <QFile>
#include <QFileInfo>
#include <QString>

#include <optional>

#include "admin/core/admincore.h"
#include "app/core/ovreg.h"
#include "app/core/zarur.h"
#include "platform/textfile.h"

namespace {

constexpr char kBufferFolderKey[] = "RDBSYSBUF";
constexpr char kBufferFileName[] = "rdbbuf";
constexpr char kBufferMark[] = "BUFFER";
constexpr double kKilobytesPerMegabyte = 1024.0;
constexpr double kBytesPerKilobyte = 1024.0;
constexpr long long kKilobytesPerG = 1048576;
constexpr long long kKilobytesPerM = 1024;
constexpr int kLogValueColumn = 14;  // the value starts in the 15th character
constexpr int kLogSizeWidth = 12;
constexpr int kThousandsGroup = 3;
constexpr char kStatusLabel[] = "Status       :";
constexpr char kAiLabel[] = "Ai           :";
constexpr char kBiLabel[] = "Bi           :";
constexpr char kIndexLabel[] = "Index        :";

constexpr char kConfigMissing[] = "RDB構成ファイルの指定が正しくありません";
constexpr char kConfigWrongKind[] = "RDB構成ファイルではありません";
constexpr char kEnvMissing[] = "システムパラメタファイルの指定が正しくありません";
constexpr char kEnvWrongKind[] = "システムパラメタファイルではありません";

bool Before(size_t a, size_t b) { return a != std::string::npos && b != std::string::npos && a < b; }

// The value after the first "=", cut at `comment` when the line holds one.
std::string ValueAfterEquals(const std::string& line, char comment) {
  std::string value = line.substr(line.find('=') + 1);
  if (line.find(comment) != std::string::npos) value = value.substr(0, value.find(comment));
  return Trim(value);
}

std::vector<std::string> ReadCheckedFile(const std::string& path, const char* extension, const char* missing,
                                         const char* wrongKind) {
  const QFileInfo info(QString::fromStdString(path));
  if (!info.isFile()) throw EDbInfoError(missing);
  if ("." + info.suffix().toLower() != extension) throw EDbInfoError(wrongKind);
  return TextToList(platform::ReadTextFile(path));
}

std::string WithThousands(const std::string& digits) {
  std::string out;
  const size_t size = digits.size();
  for (size_t i = 0; i < size; ++i) {
    if (i > 0 && (size - i) % kThousandsGroup == 0) out += ',';
    out += digits[i];
  }
  return out;
}

}  // namespace

TRdbConfig ParseRdbConfig(const std::vector<std::string>& lines) {
  TRdbConfig config;
  for (const std::string& line : lines) {
    const size_t hash = line.find('#');
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    for (size_t k = 0; k < kConfigKeys.size(); ++k) {
      const std::string key = kConfigKeys[k];
      const size_t blankForm = line.find(key + " ");
      const size_t equalsForm = line.find(key + "=");
      if (blankForm == std::string::npos && equalsForm == std::string::npos) continue;
      if (Before(hash, blankForm) || Before(hash, equalsForm)) continue;
      if (Before(equals, blankForm) || Before(equals, equalsForm)) continue;
      const std::string value = ValueAfterEquals(line, '#');
      if (key == kBufferFolderKey) {
        std::string folder = value;
        if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += '/';
        config.BufferFile = folder + kBufferFileName;
      } else {
        config.Values[k] = value;
      }
    }
  }
  return config;
}

TRdbConfig ReadRdbConfig(const std::string& path) {
  return ParseRdbConfig(ReadCheckedFile(path, ".cfg", kConfigMissing, kConfigWrongKind));
}

long long BufferKilobytes(const std::vector<std::string>& lines) {
  long long total = 0;
  for (const std::string& line : lines) {
    if (line.find(kBufferMark) == std::string::npos || line.find('=') == std::string::npos) continue;
    QString head = QString::fromStdString(line.substr(0, line.find('=')));
    head.remove(head.indexOf(kBufferMark, 0, Qt::CaseInsensitive), static_cast<int>(sizeof kBufferMark - 1));
    head = head.trimmed();
    head.remove(head.indexOf('K', 0, Qt::CaseInsensitive), 1);
    const std::optional<long long> pageSize = WholeNumber(head.trimmed().toStdString());
    const std::optional<long long> count = WholeNumber(ValueAfterEquals(line, '#'));
    if (!pageSize || !count) throw EDbInfoError(line);
    total += *pageSize * *count;
  }
  return total;
}

std::string BufferMegabytes(long long kilobytes) {
  return QString::number(static_cast<double>(kilobytes) / kKilobytesPerMegabyte, 'f', 1).toStdString();
}

void ApplyConfigDefaults(std::array<std::string, kConfigValueKeys>& values, int level) {
  const bool views = HasInformationViews(level);
  const std::array<std::string, kConfigValueKeys> defaults = {
      "",
      "パフォーマンスモニタを利用しない",
      "メッセージログファイルの出力なし",
      "10485760",
      "0xdb",
      views ? "13208" : "",
      views ? "712" : "128",
      views ? "32" : "3",
      views ? "32" : "3"};
  for (size_t i = 0; i < values.size(); ++i)
    if (values[i].empty()) values[i] = defaults[i];
}

std::vector<TParameter> ParseEnvFile(const std::vector<std::string>& lines, const std::string& find) {
  std::vector<TParameter> parameters;
  for (const std::string& line : lines) {
    const size_t blank = line.find(' ');
    const size_t equals = line.find('=');
    const size_t semicolon = line.find(';');
    if (equals == std::string::npos) continue;
    if (Before(semicolon, blank) || Before(semicolon, equals) || Before(equals, blank)) continue;
    if (!find.empty() && UpperCase(line).find(find) == std::string::npos) continue;
    std::string name = Trim(line.substr(0, equals));
    if (name.find(';') != std::string::npos) name.clear();
    std::string value = ValueAfterEquals(line, ';');
    if (value.size() >= 2 && value.front() == '(' && value.find(')') == value.size() - 1)
      value = value.substr(1, value.size() - 2);
    parameters.push_back({name, value});
  }
  return parameters;
}

std::vector<TParameter> ReadEnvFile(const std::string& path, const std::string& find) {
  return ParseEnvFile(ReadCheckedFile(path, ".env", kEnvMissing, kEnvWrongKind), find);
}

bool ParameterMatches(const std::string& name, const std::string& find) {
  return find.empty() || UpperCase(name).find(find) != std::string::npos;
}

TLogReport ParseLogReport(const std::vector<std::string>& lines) {
  TLogReport report;
  report.Status = kNoLogStatus;
  for (const std::string& line : lines) {
    if (const size_t at = line.find(kStatusLabel); at != std::string::npos) {
      report.Found = true;
      const std::string status = UpperCase(Trim(line.substr(at + sizeof kStatusLabel - 1)));
      if (!status.empty()) report.Status = status;
      continue;
    }
    const bool log = line.starts_with(kAiLabel) || line.starts_with(kBiLabel);
    if (!log && !line.starts_with(kIndexLabel)) continue;
    const std::string value = line.substr(kLogValueColumn);
    const size_t blank = value.find(' ');
    const std::string size = value.substr(0, blank);
    const std::string path = blank == std::string::npos ? std::string() : value.substr(blank + 1);
    if (log)
      report.Files.push_back({path, LogSizeKilobytes(size)});
    else
      report.IndexPath = path;
  }
  return report;
}

std::string LogSizeKilobytes(const std::string& size) {
  if (size.empty()) return size;
  long long factor = 1;
  switch (size.back()) {
    case 'G': factor = kKilobytesPerG; break;
    case 'M': factor = kKilobytesPerM; break;
    case 'K': break;
    default: return size;
  }
  const std::optional<long long> number = WholeNumber(size.substr(0, size.size() - 1));
  return number ? std::to_string(*number * factor) : size;
}

std::string CatalogueLogKilobytes(double bytes) {
  const QString fixed = QString::number(bytes / kBytesPerKilobyte, 'f', 1);
  const qsizetype dot = fixed.indexOf('.');
  std::string whole = fixed.left(dot).toStdString();
  const bool negative = !whole.empty() && whole.front() == '-';
  if (negative) whole.erase(0, 1);
  const QString text = QString(negative ? "-" : "") + QString::fromStdString(WithThousands(whole)) + fixed.mid(dot);
  return text.rightJustified(kLogSizeWidth).toStdString();
}
