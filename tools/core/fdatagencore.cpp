#include "tools/core/fdatagencore.h"

#include "app/core/zarur.h"

#include <QFile>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <stdexcept>

const std::vector<std::string> DataGenRuleNames = {"未指定",         "連番",   "連番(日付)", "乱数値(数値)",
                                                   "乱数値(文字)",   "乱数値(日時)", "選択値",     "固定値",
                                                   "テンプレート",   "リンクテーブル値", "親テーブル値"};
const std::vector<std::string> DataGenStringKindNames = {"英字のみ", "数字のみ", "英数字",     "全角文字",
                                                         "URL",      "メールアドレス", "電話番号", "郵便番号"};
const std::vector<std::string> DataGenDateKindNames = {"日時 ( 時刻はランダムにセット )",
                                                       "日付のみ ( 時刻は 0 時固定 )"};

namespace {

constexpr const char* kUpperLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr const char* kAlphaNumerics = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
const std::vector<std::string> kFullWidthChars = {
    "０", "１", "２", "３", "４", "５", "６", "７", "８", "９", "あ", "い", "う", "え", "お", "か", "き", "く",
    "け", "こ", "さ", "し", "す", "せ", "そ", "た", "ち", "つ", "て", "と", "な", "に", "ぬ", "ね", "の", "は",
    "ま", "や", "ら", "わ", "ア", "イ", "ウ", "エ", "オ", "カ", "キ", "ク", "ケ", "コ", "サ", "シ", "ス", "セ",
    "ソ", "タ", "チ", "ツ", "テ", "ト", "ナ", "ニ", "ヌ", "ネ", "ノ", "ハ", "マ", "ヤ", "ラ", "ワ", "　"};
const std::vector<std::string> kDomainEndings = {".com", ".co.jp", ".ne.jp", ".ac.jp", ".jp", ".net"};
const std::vector<std::string> kNumericTypes = {"INTEGER", "SMALLINT", "NUMERIC",         "DECIMAL",
                                                "FLOAT",   "REAL",     "DOUBLE PRECISION"};
constexpr int kAlphabetCount = 26;
constexpr int kDigitCount = 10;
constexpr int kPercent = 100;
constexpr int kMaxTextBytes = 1024;
constexpr int kMaxLengthPower = 18;
constexpr int64_t kMaxInt32 = 2147483647;
constexpr int kDecimalShiftDraw = 5;
constexpr int kTelephonePatterns = 5;
// Digit groups of telephone numbers and postal codes.
constexpr int kGroup2 = 2;
constexpr int kGroup3 = 3;
constexpr int kGroup4 = 4;
constexpr int kUrlLetterSlack = 10;
constexpr int kUrlMinLetters = 3;
constexpr int kMailMinLetters = 4;
constexpr int kHoursPerDay = 24;
constexpr int kMinutesPerHour = 60;
constexpr int kSecondsPerDay = 86400;
constexpr const char* kDefaultShortDate = "yyyy/MM/dd";
constexpr const char* kIsoDate = "yyyy-MM-dd";
constexpr const char* kIsoTimestamp = "yyyy-MM-dd hh:mm:ss";
constexpr const char* kIsoTime = "hh:mm:ss";
constexpr const char* kMidnight = " 00:00:00";
constexpr const char* kTemplateExtension = ".txt";
constexpr const char* kNoDefault = "NULL";

// The ISO forms written by hand: Qt's pattern formatting costs more than a
// whole row's other values.
std::string IsoDate(const QDate& day) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", day.year(), day.month(), day.day());
  return text;
}
std::string IsoTimestamp(const QDateTime& stamp) {
  const QTime time = stamp.time();
  char text[16];
  std::snprintf(text, sizeof text, " %02d:%02d:%02d", time.hour(), time.minute(), time.second());
  return IsoDate(stamp.date()) + text;
}

bool IsTimestamp(const std::string& type) { return type.rfind("TIMESTAMP", 0) == 0; }
bool IsDateLike(const std::string& type) { return type == "DATE" || IsTimestamp(type); }
bool IsNationalType(const std::string& type) { return type == "NCHAR" || type == "NCHAR VARYING"; }
bool IsCharType(const std::string& type) { return type == "CHAR" || type == "CHAR VARYING"; }


int64_t Power10(int exponent) {
  int64_t result = 1;
  for (int i = 0; i < exponent; ++i) result *= kDigitCount;
  return result;
}

int CharacterCount(const std::string& text) {
  return static_cast<int>(std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

std::string LowerAscii(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// A k-digit number, never all zeros.
std::string Digits(TDataGenRandom& random, int k) {
  std::string text = std::to_string(random.Next(Power10(k) - 1) + 1);
  return std::string(static_cast<size_t>(k) - std::min<size_t>(text.size(), static_cast<size_t>(k)), '0') + text;
}

QDateTime DayPlusRandomTime(const QDate& day, TDataGenRandom& random) {
  return QDateTime(day, QTime(0, 0)).addSecs(static_cast<qint64>(random.NextReal() * kSecondsPerDay));
}

std::string ShortDate(const QDate& day, const TDataGenRowInput& input) {
  if (input.ShortDateFormat.empty() || input.ShortDateFormat == kDefaultShortDate) {
    std::string text = IsoDate(day);
    std::replace(text.begin(), text.end(), '-', '/');
    return text;
  }
  return day.toString(QString::fromStdString(input.ShortDateFormat.empty() ? std::string(kDefaultShortDate)
                                                                             : input.ShortDateFormat))
      .toStdString();
}

std::string SequenceValue(const TColParams& col, int64_t row) {
  const TDataGenColumn& rule = col.Rule;
  const std::string number = DataGenNumberText(static_cast<double>(row) * rule.Marume + rule.NumFrom);
  const std::string prefix = rule.FlgPrefix ? rule.StrPrefix : std::string();
  std::string text;
  if (rule.StrFull) {
    int prefixLength = 0;
    if (rule.FlgPrefix) {
      if (IsNationalType(col.TypeName)) prefixLength = CharacterCount(prefix);
      else if (IsCharType(col.TypeName))
        prefixLength = DisplayWidth(prefix);
    }
    const int zeros = col.Length - static_cast<int>(number.size()) - prefixLength;
    text = prefix + std::string(static_cast<size_t>(std::max(zeros, 0)), '0') + number;
  } else {
    text = prefix + number;
  }
  return IsNationalType(col.TypeName) ? ToFullWidth(text) : text;
}

std::string DateSequenceValue(const TColParams& col, int64_t row, TDataGenRandom& random,
                              const TDataGenRowInput& input) {
  const QDate first = col.Rule.DateFrom.date();
  const QDate day = first.addDays(row);
  if (col.TypeName == "DATE") return ShortDate(day, input);
  // Random times stay on the first day: the row number moves only the date-only form.
  if (col.Rule.DateType == kDataGenDateOnly) return IsoDate(day) + kMidnight;
  return IsoTimestamp(DayPlusRandomTime(first, random));
}

std::string RandomNumberValue(const TColParams& col, TDataGenRandom& random) {
  const TDataGenColumn& rule = col.Rule;
  int decimals = 0;
  int64_t unit = 0;
  if (rule.Marume != 0) {
    const std::string unitText = DataGenNumberText(rule.Marume);
    const size_t point = unitText.find('.');
    decimals = point == std::string::npos ? 0 : static_cast<int>(unitText.size() - point - 1);
    unit = static_cast<int64_t>(std::trunc(rule.Marume * static_cast<double>(Power10(decimals))));
    // A unit too fine for its own text counts as no unit.
    if (unit == 0) decimals = 0;
  }
  // The draw covers the user's range in steps of the unit's last decimal.
  const double scale = static_cast<double>(Power10(decimals));
  int64_t range = 0;
  if (rule.NumTo != 0) range = static_cast<int64_t>(std::trunc((rule.NumTo - rule.NumFrom) * scale));
  else if (col.Length > 0)
    range = Power10(std::min(col.Length + decimals, kMaxLengthPower));
  else
    range = kMaxInt32;
  int64_t r = random.Next(range);
  if (unit != 0) {
    r = (r / unit) * unit;
    return DataGenNumberText(static_cast<double>(r) / scale + rule.NumFrom);
  }
  if (col.TypeName == "DECIMAL" || col.TypeName == "NUMERIC")
    return DataGenNumberText(static_cast<double>(r) / static_cast<double>(Power10(static_cast<int>(
                                                   random.Next(kDecimalShiftDraw)))) +
                      rule.NumFrom);
  return DataGenNumberText(static_cast<double>(r) + rule.NumFrom);
}

std::string RandomStringValue(const TColParams& col, TDataGenRandom& random) {
  const TDataGenColumn& rule = col.Rule;
  std::string text;
  if (rule.StrType == dsTelephone) {
    // Each group is drawn in its own statement so that the draws keep their order.
    const auto group = [&](int digits) { text += Digits(random, digits); };
    switch (random.Next(kTelephonePatterns)) {
      case 0: text = "03-"; group(kGroup4); break;
      case 1: text = "04-"; group(kGroup4); break;
      case 2: text = "06-"; group(kGroup4); break;
      case 3: text = "0"; group(kGroup2); text += "-"; group(kGroup3); break;
      default: text = "0"; group(kGroup3); text += "-"; group(kGroup2); break;
    }
    text += "-";
    group(kGroup4);
  } else if (rule.StrType == dsPostal) {
    text = Digits(random, kGroup3) + "-";
    text += Digits(random, kGroup4);
  } else {
    int64_t n = col.Length;
    if (!rule.StrFull) {
      int64_t greatest = 0;
      try {
        greatest = rule.StrDigit.empty() ? 0 : std::stoll(rule.StrDigit);
      } catch (const std::exception&) {
        greatest = 0;
      }
      const int64_t m = greatest >= 1 && rule.StrType <= dsFullWidth ? greatest : col.Length;
      n = random.Next(m) + 1;
    }
    if (rule.StrType == dsFullWidth) n = std::max<int64_t>(1, n / 2);
    else if (rule.StrType == dsUrl)
      n = std::max<int64_t>(kUrlMinLetters, n - kUrlLetterSlack);
    else if (rule.StrType == dsMail)
      n = std::max<int64_t>(kMailMinLetters, n - kUrlLetterSlack);
    for (int64_t i = 0; i < n; ++i) {
      switch (rule.StrType) {
        case dsDigits: text += kAlphaNumerics[random.Next(kDigitCount)]; break;
        case dsAlphaNumerics: text += kAlphaNumerics[random.Next(kDigitCount + kAlphabetCount)]; break;
        case dsFullWidth:
          text += kFullWidthChars[static_cast<size_t>(random.Next(static_cast<int64_t>(kFullWidthChars.size())))];
          break;
        default: text += kUpperLetters[random.Next(kAlphabetCount)]; break;
      }
    }
    if (rule.StrType == dsUrl) {
      text = "www." + LowerAscii(text) +
             kDomainEndings[static_cast<size_t>(random.Next(static_cast<int64_t>(kDomainEndings.size())))];
    } else if (rule.StrType == dsMail) {
      const size_t k = static_cast<size_t>(random.Next(static_cast<int64_t>(text.size()) - 1));
      // The character at k + 2 stands on both sides of the "@".
      text = LowerAscii(text.substr(0, k + 2) + "@" + text.substr(k + 1)) +
             kDomainEndings[static_cast<size_t>(random.Next(static_cast<int64_t>(kDomainEndings.size())))];
    }
  }
  text = CutToWidth(text, kMaxTextBytes);
  return IsNationalType(col.TypeName) ? ToFullWidth(text) : text;
}

std::string RandomDateValue(const TColParams& col, TDataGenRandom& random, const TDataGenRowInput& input) {
  const TDataGenColumn& rule = col.Rule;
  if (col.TypeName == "TIME") {
    if (rule.DateType == kDataGenDateOnly) return "00:00:00";
    const int64_t hours = random.Next(kHoursPerDay);
    const int64_t minutes = random.Next(kMinutesPerHour);
    const int64_t seconds = random.Next(kMinutesPerHour);
    return std::to_string(hours) + ":" + std::to_string(minutes) + ":" + std::to_string(seconds);
  }
  const QDate first = rule.DateFrom.date();
  const QDate day = first.addDays(random.Next(first.daysTo(rule.DateTo.date())));
  if (col.TypeName == "DATE") return ShortDate(day, input);
  if (rule.DateType == kDataGenDateOnly) return IsoDate(day) + kMidnight;
  return IsoTimestamp(DayPlusRandomTime(day, random));
}

std::string TemplateValue(const TColParams& col, TDataGenRandom& random) {
  std::string text;
  if (!col.Words1.empty())
    text = col.Words1[static_cast<size_t>(random.Next(static_cast<int64_t>(col.Words1.size())))];
  if (!col.Words2.empty()) {
    const std::string& word = col.Words2[static_cast<size_t>(random.Next(static_cast<int64_t>(col.Words2.size())))];
    text += (text.empty() ? std::string() : col.Rule.TempSep) + word;
  }
  // Columns without a declared length are not cut.
  return col.Length > 0 ? CutToWidth(text, col.Length) : text;
}

QDateTime ParseDateTime(const std::string& text, const TDataGenRowInput& input) {
  const QString value = QString::fromStdString(text).trimmed();
  const QString shortDate =
      QString::fromStdString(input.ShortDateFormat.empty() ? std::string(kDefaultShortDate) : input.ShortDateFormat);
  for (const QString& format : {shortDate + " hh:mm:ss", shortDate + " h:m:s", QString(kIsoTimestamp), shortDate,
                                QString(kIsoDate), QString("h:m:s"), QString(kIsoTime)}) {
    QDateTime parsed = QDateTime::fromString(value, format);
    if (parsed.isValid()) return parsed;
    const QTime time = QTime::fromString(value, format);
    if (time.isValid()) return QDateTime(QDate(1899, 12, 30), time);
  }
  throw std::runtime_error("'" + text + "' is not a valid date and time");
}

}  // namespace

std::string DataGenTypeName(const std::string& code, int radix, int precision) {
  static const std::map<std::string, std::string> names = {
      {"CH", "CHAR"},     {"CV", "CHAR VARYING"}, {"CN", "NCHAR"},  {"NV", "NCHAR VARYING"},
      {"IN", "INTEGER"},  {"SI", "SMALLINT"},     {"NU", "NUMERIC"}, {"DE", "DECIMAL"},
      {"FL", "FLOAT"},    {"DP", "DOUBLE PRECISION"}, {"RE", "REAL"}, {"TM", "TIMESTAMP"},
      {"DT", "DATE"},     {"TI", "TIME"},         {"BL", "BLOB"}};
  if (code == "IT") {
    static const std::array<const char*, 7> single = {"", " YEAR", " MONTH", " DAY", " HOUR", " MINUTE", " SECOND"};
    static const std::map<int, std::pair<const char*, const char*>> ranges = {
        {7, {" YEAR(", ") TO MONTH"}},  {8, {" DAY(", ") TO HOUR"}},     {9, {" DAY(", ") TO MINUTE"}},
        {10, {" DAY(", ") TO SECOND"}}, {11, {" HOUR(", ") TO MINUTE"}}, {12, {" HOUR(", ") TO SECOND"}},
        {13, {" MINUTE(", ") TO SECOND"}}};
    if (radix >= 1 && radix < static_cast<int>(single.size())) return std::string("INTERVAL") + single[radix];
    if (auto it = ranges.find(radix); it != ranges.end())
      return "INTERVAL" + std::string(it->second.first) + std::to_string(precision) + it->second.second;
    return "INTERVAL";
  }
  auto it = names.find(code);
  return it == names.end() ? std::string() : it->second;
}

bool DataGenIsNumericType(const std::string& typeName) {
  return std::find(kNumericTypes.begin(), kNumericTypes.end(), typeName) != kNumericTypes.end();
}

void AssignDefaultRule(TColParams& col, bool inKey, const QDateTime& now) {
  TDataGenColumn& rule = col.Rule;
  const std::string& type = col.TypeName;
  // The catalogue writes "NULL" for a column without a default.
  const QString defaultText = QString::fromStdString(TrimBlanks(col.DefaultText));
  if (!defaultText.isEmpty() && defaultText.compare(kNoDefault, Qt::CaseInsensitive) != 0) {
    rule.SetType = dgFixed;
    rule.Variable = {col.DefaultText};
  } else if (inKey) {
    if (IsDateLike(type)) {
      rule.SetType = dgDateSequence;
      rule.DateType = kDataGenDateOnly;
      rule.DateFrom = now;
    } else {
      rule.SetType = dgSequence;
      rule.NumFrom = 1;
      rule.Marume = 1;
      rule.StrFull = !DataGenIsNumericType(type);
    }
  } else if (col.NotNull) {
    if (DataGenIsNumericType(type)) rule.SetType = dgRandomNumber;
    else if (type == "DATE" || type == "TIME" || IsTimestamp(type))
      rule.SetType = dgRandomDate;
    else
      rule.SetType = dgRandomString;
  } else if (IsCharType(type) || IsNationalType(type)) {
    rule.SetType = dgRandomString;
  }
}

std::vector<int32_t> AllowedKinds(const TColParams& col, bool inKey, bool parentMode) {
  const std::string& type = col.TypeName;
  if (type == "BLOB" || type.find("INTERVAL") != std::string::npos) return {dgNone};
  std::vector<int32_t> kinds;
  if (!col.NotNull) kinds.push_back(dgNone);
  if (IsDateLike(type)) kinds.push_back(dgDateSequence);
  else if (type != "TIME")
    kinds.push_back(dgSequence);
  kinds.push_back(dgFixed);
  if (!inKey) {
    const bool dateTime = type == "TIME" || IsDateLike(type);
    if (DataGenIsNumericType(type)) kinds.push_back(dgRandomNumber);
    else if (!dateTime)
      kinds.push_back(dgRandomString);
    if (dateTime) kinds.push_back(dgRandomDate);
    kinds.push_back(dgPick);
    kinds.push_back(dgTemplate);
  }
  kinds.push_back(dgLink);
  if (parentMode) kinds.push_back(dgParent);
  return kinds;
}

std::string FixedExpressionText(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : " ") + line;
  text = TrimBlanks(text);
  if (!text.empty() && text.back() == ',') text.pop_back();
  return text;
}

std::string DataGenNumberText(double value) {
  // Whole numbers, the most common, without the formatter.
  constexpr double kExactWhole = 1e15;
  if (value == std::trunc(value) && std::fabs(value) < kExactWhole && !(value == 0 && std::signbit(value)))
    return std::to_string(static_cast<int64_t>(value));
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.15g", value);
  return buffer;
}

std::string DoubleQuotedName(const std::string& name) {
  std::string text = "\"";
  for (char c : name) text += c == '"' ? std::string("\"\"") : std::string(1, c);
  return text + "\"";
}

std::string BuildInsertSQL(const std::vector<TColParams>& cols, const std::string& schema, const std::string& table,
                           const std::string& target) {
  std::string names;
  std::string values;
  for (size_t i = 0; i < cols.size(); ++i) {
    const TColParams& col = cols[i];
    if (col.Rule.SetType == dgNone) continue;
    const char* separator = names.empty() ? "" : ", ";
    names += separator;
    names += DoubleQuotedName(col.ColumnName);
    values += separator;
    values += col.Rule.SetType == dgFixed ? FixedExpressionText(col.Rule.Variable) : ":COL" + std::to_string(i);
  }
  const std::string into = target.empty() ? DoubleQuotedName(schema) + "." + DoubleQuotedName(table) : target;
  return "INSERT INTO " + into + "(" + names + ") VALUES (" + values + ")";
}

void LoadTemplateWords(std::vector<TColParams>& cols, const std::string& shareDir) {
  auto load = [&](const std::string& name, std::vector<std::string>& words) {
    if (name.empty()) return;
    QFile file(QString::fromStdString(shareDir + kDataGenFolder + "/" + name + kTemplateExtension));
    if (!file.open(QIODevice::ReadOnly)) return;
    words.clear();
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
    for (QString line : lines) {
      if (line.endsWith('\r')) line.chop(1);
      words.push_back(line.toStdString());
    }
    if (!words.empty() && words.back().empty()) words.pop_back();
  };
  for (TColParams& col : cols) {
    if (col.Rule.SetType != dgTemplate) continue;
    load(col.Rule.Temp1, col.Words1);
    load(col.Rule.Temp2, col.Words2);
  }
}

std::vector<std::string> BuildLinkQueries(std::vector<TColParams>& cols) {
  std::vector<std::string> keys;
  std::vector<std::vector<std::string>> fields;
  for (TColParams& col : cols) {
    if (col.Rule.SetType != dgLink) continue;
    const std::string key = (TrimBlanks(col.Rule.LinkOwner).empty() ? std::string()
                                                                    : QuoteIdent(col.Rule.LinkOwner) + ".") +
                            QuoteIdent(col.Rule.LinkTable);
    auto it = std::find(keys.begin(), keys.end(), key);
    if (it == keys.end()) {
      keys.push_back(key);
      fields.emplace_back();
      it = keys.end() - 1;
    }
    const auto index = static_cast<size_t>(it - keys.begin());
    col.LinkQueryIndex = static_cast<int32_t>(index);
    col.LinkFieldIndex = static_cast<int32_t>(fields[index].size());
    fields[index].push_back(QuoteIdent(col.Rule.LinkColumn));
  }
  std::vector<std::string> queries;
  for (size_t i = 0; i < keys.size(); ++i) {
    std::string list;
    for (const std::string& field : fields[i]) list += (list.empty() ? "" : ", ") + field;
    queries.push_back("SELECT " + list + " FROM " + keys[i]);
  }
  return queries;
}

int64_t TSeededRandom::Next(int64_t n) {
  if (n <= 0) return 0;
  return std::uniform_int_distribution<int64_t>(0, n - 1)(Engine);
}

double TSeededRandom::NextReal() { return std::uniform_real_distribution<double>(0.0, 1.0)(Engine); }

std::string ToFullWidth(const std::string& text) {
  constexpr unsigned char kFirstVisible = 0x21;
  constexpr unsigned char kLastVisible = 0x7E;
  constexpr char16_t kFullWidthOffset = 0xFEE0;
  constexpr char16_t kIdeographicSpace = 0x3000;
  constexpr char16_t kFirstHalfKana = 0xFF61;
  constexpr char16_t kLastHalfKana = 0xFF9F;
  QString wide;
  QString kana;
  // Half-width katakana go over in runs so that a sound mark joins its kana.
  const auto flushKana = [&] {
    wide += kana.normalized(QString::NormalizationForm_KC);
    kana.clear();
  };
  for (QChar c : QString::fromStdString(text)) {
    const char16_t code = c.unicode();
    if (code >= kFirstHalfKana && code <= kLastHalfKana) {
      kana += c;
      continue;
    }
    flushKana();
    if (code == ' ') wide += QChar(kIdeographicSpace);
    else if (code >= kFirstVisible && code <= kLastVisible)
      wide += QChar(static_cast<char16_t>(code + kFullWidthOffset));
    else
      wide += c;
  }
  flushKana();
  return CutToWidth(wide.toStdString(), kMaxTextBytes);
}

TDataGenValue ColumnValue(const TColParams& col, int64_t row, TDataGenRandom& random, const TDataGenRowInput& input,
                          size_t position) {
  const TDataGenColumn& rule = col.Rule;
  if (random.Next(kPercent) < rule.NullPar && rule.SetType != dgFixed) return std::nullopt;
  switch (rule.SetType) {
    case dgSequence: return SequenceValue(col, row);
    case dgDateSequence: return DateSequenceValue(col, row, random, input);
    case dgRandomNumber: return RandomNumberValue(col, random);
    case dgRandomString: return RandomStringValue(col, random);
    case dgRandomDate: return RandomDateValue(col, random, input);
    case dgPick: {
      const int64_t k = random.Next(static_cast<int64_t>(rule.Variable.size()));
      if (rule.Variable.empty()) return std::nullopt;
      return rule.Variable[static_cast<size_t>(k)];
    }
    case dgTemplate: return TemplateValue(col, random);
    case dgLink: {
      const TDataGenValue value = position < input.LinkValues.size() ? input.LinkValues[position] : std::nullopt;
      if (!value) return std::nullopt;
      if (IsTimestamp(col.TypeName)) return ParseDateTime(*value, input).toString(kIsoTimestamp).toStdString();
      if (col.TypeName == "TIME") return ParseDateTime(*value, input).toString(kIsoTime).toStdString();
      return value;
    }
    case dgParent: {
      const auto it = std::find(input.ParentColumns.begin(), input.ParentColumns.end(), rule.LinkColumn);
      const auto index = static_cast<size_t>(it - input.ParentColumns.begin());
      if (it == input.ParentColumns.end() || index >= input.ParentRow.size())
        throw std::runtime_error("Field '" + rule.LinkColumn + "' not found");
      return input.ParentRow[index];
    }
    default: return std::nullopt;
  }
}

std::vector<TDataGenValue> RowValues(const std::vector<TColParams>& cols, int64_t row, TDataGenRandom& random,
                                     const TDataGenRowInput& input) {
  std::vector<TDataGenValue> values;
  for (size_t i = 0; i < cols.size(); ++i) {
    TDataGenValue value = ColumnValue(cols[i], row, random, input, i);
    if (cols[i].Rule.SetType != dgNone && cols[i].Rule.SetType != dgFixed) values.push_back(std::move(value));
  }
  return values;
}
