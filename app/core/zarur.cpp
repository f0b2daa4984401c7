#include "app/core/zarur.h"

#include <chrono>
#include <random>

#include "platform/folders.h"

// ---- process-wide globals and folders ----

std::string ProgramDir;
std::string UserDir;
std::string ShareDir;
std::vector<std::string> SQLLogFiles;
std::vector<std::string> EditorReserveWords;
TovMacroList SharedMacroList;
std::string ShortDateFormat;
std::string LongDateFormat;

namespace {
constexpr const char* kShareSubFolder = "ORV/";

std::string WithSlash(const std::string& folder) { return folder.ends_with('/') ? folder : folder + "/"; }
}  // namespace

TovFolders ResolveFolders(const std::string& executable, const std::string& documents,
                          const std::string& sharedData) {
  TovFolders f;
  f.ProgramDir = WithSlash(executable.substr(0, executable.rfind('/') + 1));
  f.UserDir = documents.empty() ? f.ProgramDir : WithSlash(documents);
  f.ShareDir = sharedData.empty() ? f.ProgramDir : WithSlash(sharedData) + kShareSubFolder;
  return f;
}

void InitFolders() {
  const TovFolders f = ResolveFolders(platform::ExecutablePath(), platform::DocumentsFolder(),
                                      platform::SharedDataFolder());
  ProgramDir = f.ProgramDir;
  UserDir = f.UserDir;
  platform::CreateFolder(UserDir);
  ShareDir = f.ShareDir;
  platform::CreateFolder(ShareDir);
}

// ---- saved-password scrambling ----

namespace {
constexpr std::string_view kScrambleAlphabet = "]~@<;_=[>|:.,!#?";
constexpr size_t kScramblePadTo = 64;
constexpr int kNibble = 16;
constexpr int kNibbleBias = 4095;  // keeps the decoding sums positive

int ScrambleDraw() {
  static std::mt19937 engine(static_cast<unsigned>(std::random_device{}()) ^
                             static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()));
  return std::uniform_int_distribution<int>(0, kNibble - 1)(engine);
}

// 1-based position in the alphabet, 0 for a character outside it.
int AlphabetPosition(char c) {
  const size_t at = kScrambleAlphabet.find(c);
  return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

std::string TrimBlanksAndControls(const std::string& s) {
  size_t first = 0, last = s.size();
  while (first < last && static_cast<unsigned char>(s[first]) <= ' ') ++first;
  while (last > first && static_cast<unsigned char>(s[last - 1]) <= ' ') --last;
  return s.substr(first, last - first);
}
}  // namespace

std::string ScramblePassword(const std::string& password) {
  const int key = ScrambleDraw();
  const int filler1 = ScrambleDraw();
  const int filler2 = ScrambleDraw();
  const int filler3 = ScrambleDraw();
  return ScramblePasswordWith(password, key, filler1, filler2, filler3);
}

std::string ScramblePasswordWith(const std::string& password, int key, int filler1, int filler2, int filler3) {
  if (password.empty()) return {};
  std::string padded = password;
  if (padded.size() < kScramblePadTo) padded.resize(kScramblePadTo, ' ');
  const size_t n = padded.size();
  // Layout: filler2, high nibbles n..1, key, filler1, low nibbles 1..n, filler3.
  std::string text(2 * n + 4, ' ');
  text[0] = kScrambleAlphabet[filler2];
  text[n + 1] = kScrambleAlphabet[key];
  text[n + 2] = kScrambleAlphabet[filler1];
  text[2 * n + 3] = kScrambleAlphabet[filler3];
  for (size_t i = 1; i <= n; ++i) {
    const auto b = static_cast<unsigned char>(padded[i - 1]);
    const size_t shift = static_cast<size_t>(key) + 1 + i;
    text[n + 1 - i] = kScrambleAlphabet[((b >> 4) + shift) % kNibble];
    text[n + 2 + i] = kScrambleAlphabet[((b & 15) + shift) % kNibble];
  }
  return text;
}

std::string UnscramblePassword(const std::string& scrambled) {
  const long p = static_cast<long>(scrambled.size() / 2);  // 1-based middle
  if (p < 1) return {};
  // The key's 0-based index plus one, which is its 1-based position.
  const long key = AlphabetPosition(scrambled[p - 1]);
  std::string out;
  for (long i = 1; i <= p - 2; ++i) {
    const long c = AlphabetPosition(scrambled[p - i - 1]);
    const long e = AlphabetPosition(scrambled[p + i]);
    const long high = ((c - key - i + kNibbleBias) % kNibble + kNibble) % kNibble;
    const long low = ((e - key - i + kNibbleBias) % kNibble + kNibble) % kNibble;
    out += static_cast<char>(high * kNibble + low);
  }
  return TrimBlanksAndControls(out);
}

// ---- message boxes and input dialog ----
#include <QCoreApplication>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace {

constexpr int kButtonMask = 0x0F;
constexpr int kDefaultMask = 0x300;
constexpr int kNumericMaxLength = 9;
constexpr int kTextMaxLength = 255;

// Lets a window that is closing or repainting finish that first.
void ProcessPendingEvents() {
  if (QCoreApplication::instance()) QCoreApplication::processEvents();
}

[[noreturn]] void BadFormat(const std::string& format) {
  throw std::invalid_argument("Format '" + format + "' invalid or incompatible with argument");
}

// Pads `text` to `width` display columns, on the right unless `left`.
std::string PadColumns(const std::string& text, int width, bool left) {
  const int missing = width - DisplayWidth(text);
  if (missing <= 0) return text;
  return left ? text + std::string(missing, ' ') : std::string(missing, ' ') + text;
}

// The icon and buttons of MsgBoxWithChecks, tested in its own order, as the
// flags of a plain message box.
int CheckDialogFlags(int flags) {
  int icon = MB_ICONINFORMATION;
  if (flags & MB_ICONQUESTION) icon = MB_ICONQUESTION;
  if (flags & MB_ICONERROR) icon = MB_ICONERROR;
  if ((flags & MB_ICONWARNING) == MB_ICONWARNING) icon = MB_ICONWARNING;
  const int set = flags & kButtonMask;
  int buttons = MB_OK;
  if (set == MB_RETRYCANCEL) buttons = MB_RETRYCANCEL;
  else if (set & MB_YESNO) buttons = MB_YESNO;
  else if (set == MB_YESNOCANCEL) buttons = MB_YESNOCANCEL;
  else if (set & MB_ABORTRETRYIGNORE) buttons = MB_ABORTRETRYIGNORE;
  else if (set & MB_OKCANCEL) buttons = MB_OKCANCEL;
  return icon | buttons | (flags & kDefaultMask);
}

}  // namespace

std::string Format(const std::string& format, const std::vector<FormatArg>& args) {
  std::string out;
  size_t next = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') {
      out += format[i];
      continue;
    }
    if (++i >= format.size()) BadFormat(format);
    if (format[i] == '%') {
      out += '%';
      continue;
    }
    const size_t specStart = i - 1;
    while (i < format.size() && (format[i] == '-' || format[i] == '0')) ++i;
    while (i < format.size() && std::isdigit(static_cast<unsigned char>(format[i]))) ++i;
    if (i < format.size() && format[i] == '.') {
      ++i;
      while (i < format.size() && std::isdigit(static_cast<unsigned char>(format[i]))) ++i;
    }
    if (i >= format.size() || next >= args.size()) BadFormat(format);
    const std::string spec = format.substr(specStart, i - specStart);
    const char type = format[i];
    const auto& value = args[next++].Value();
    char buffer[512];
    switch (type) {
      case 'd': case 'u': case 'x': case 'X': case 'c': {
        const long long* number = std::get_if<long long>(&value);
        if (!number) BadFormat(format);
        const std::string c = spec + (type == 'c' ? "c" : std::string("ll") + type);
        if (type == 'c') std::snprintf(buffer, sizeof buffer, c.c_str(), static_cast<int>(*number));
        else std::snprintf(buffer, sizeof buffer, c.c_str(), *number);
        out += buffer;
        break;
      }
      case 'f': case 'e': case 'g': case 'E': case 'G': {
        double number = 0;
        if (const double* d = std::get_if<double>(&value)) number = *d;
        else if (const long long* n = std::get_if<long long>(&value)) number = static_cast<double>(*n);
        else BadFormat(format);
        std::snprintf(buffer, sizeof buffer, (spec + type).c_str(), number);
        out += buffer;
        break;
      }
      case 's': {
        const std::string* text = std::get_if<std::string>(&value);
        if (!text) BadFormat(format);
        const bool left = spec.find('-') != std::string::npos;
        const size_t dot = spec.find('.');
        std::string shown = *text;
        if (dot != std::string::npos) shown = CutToWidth(shown, std::atoi(spec.c_str() + dot + 1));
        const size_t widthStart = spec.find_first_not_of("%-0");
        const int width = widthStart == std::string::npos || widthStart == dot ? 0 : std::atoi(spec.c_str() + widthStart);
        out += PadColumns(shown, width, left);
        break;
      }
      default:
        BadFormat(format);
    }
  }
  return out;
}

int MsgBox(const std::string& text, int flags) {
  ProcessPendingEvents();
  platform::MessageRequest request{kApplicationTitle, text, static_cast<unsigned>(flags), {}};
  return platform::Dialogs().ShowMessage(request);
}

int MsgBoxFmt(const std::string& format, const std::vector<FormatArg>& args, int flags) {
  return MsgBox(Format(format, args), flags);
}

// The check boxes are laid out by the dialog itself, so the text needs no
// blank lines to make room for them.
int MsgBoxWithChecks(const std::string& text, int flags, TCheckList& checks) {
  ProcessPendingEvents();
  platform::MessageRequest request{kApplicationTitle, text, static_cast<unsigned>(CheckDialogFlags(flags)), checks};
  const int answer = platform::Dialogs().ShowMessage(request);
  for (size_t i = 0; i < checks.size(); ++i) checks[i].checked = request.checks[i].checked;
  return answer >= IDOK && answer <= IDNO ? answer : IDOTHEREND;
}

bool InputDialog(const std::string& caption, const std::string& prompt, std::string& value, bool numeric,
                 TCheckList& checks) {
  platform::InputRequest request{caption, prompt, value, numeric, numeric ? kNumericMaxLength : kTextMaxLength,
                                 checks};
  if (!platform::Dialogs().ShowInput(request)) return false;
  value = request.value;
  for (size_t i = 0; i < checks.size(); ++i) checks[i].checked = request.checks[i].checked;
  return true;
}

// ---- text, identifier and value helpers ----
#include <QFileInfo>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "platform/qstr.h"
#include "platform/textwidth.h"
#include "platform/windowinput.h"

namespace {

constexpr int kWideColumns = 2;
constexpr int kHexDigitsPerByte = 2;
constexpr int kFirstCounter = 1;
// Days from the date-time origin of the stored values (1899-12-30) to the
// Unix epoch, and milliseconds per day.
constexpr double kDateTimeEpochDays = 25569.0;
constexpr double kMillisecondsPerDay = 86400000.0;

// Length in bytes of the UTF-8 character at `pos` and its code point; a byte
// that does not start a valid sequence counts as one character of its own.
size_t NextChar(const std::string& text, size_t pos, char32_t& code) {
  const size_t length = DecodeUtf8(text, pos, code);
  if (length != 0) return length;
  code = static_cast<unsigned char>(text[pos]);
  return 1;
}

int CharColumns(char32_t c) { return IsWideChar(c) ? kWideColumns : 1; }

std::string TrimWhere(const std::string& text, bool (*strip)(char)) {
  size_t first = 0, last = text.size();
  while (first < last && strip(text[first])) ++first;
  while (last > first && strip(text[last - 1])) --last;
  return text.substr(first, last - first);
}

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }
bool IsBlankTabOrBreak(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

int DisplayWidth(const std::string& text) {
  int columns = 0;
  char32_t c;
  for (size_t pos = 0; pos < text.size(); pos += NextChar(text, pos, c)) {
    NextChar(text, pos, c);
    columns += CharColumns(c);
  }
  return columns;
}

std::string CutToWidth(const std::string& text, int columns) {
  int used = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    char32_t c;
    const size_t length = NextChar(text, pos, c);
    if (used + CharColumns(c) > columns) break;
    used += CharColumns(c);
    pos += length;
  }
  return text.substr(0, pos);
}

std::string Trim(const std::string& text) { return TrimWhere(text, IsBlankOrControl); }

std::string UpperCase(const std::string& text) {
  return Q(text).toUpper().toStdString();
}

std::string QuoteIdent(const std::string& name) {
  static const std::string kPublic = "PUBLIC";
  static const std::string kParentheses[] = {"(", ")", "（", "）"};
  if (name == kPublic) return name;
  const std::string trimmed = Trim(name);
  bool quote = false;
  if (trimmed.empty() || trimmed[0] != '"')
    quote = trimmed != UpperCase(name) || name.find('-') != std::string::npos || AppOption.UserLowerName;
  if (!quote)
    for (const std::string& p : kParentheses)
      if (name.find(p) != std::string::npos) quote = true;
  if (!quote) return name;
  std::string out = "\"";
  for (char c : name) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string QuoteStr(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') out += '\'';
    out += c;
  }
  return out + "'";
}

std::string TrimBlanks(const std::string& text) { return TrimWhere(text, IsBlankTabOrBreak); }

std::string CopyRange(const std::string& text, int from, int to) {
  if (to < from || to < 1) return {};
  const size_t start = static_cast<size_t>(std::max(from, 1) - 1);
  if (start >= text.size()) return {};
  return text.substr(start, static_cast<size_t>(to) - start);
}

int PosFrom(const std::string& sub, const std::string& text, int start) {
  if (start < 1 || static_cast<size_t>(start) > text.size()) return 0;
  // UTF-8 never matches a valid sub-string inside another character.
  const size_t found = text.find(sub, static_cast<size_t>(start - 1));
  return found == std::string::npos ? 0 : static_cast<int>(found) + 1;
}

bool MatchesAny(const std::string& text, const std::vector<std::string>& list) {
  return std::find(list.begin(), list.end(), text) != list.end();
}

bool ContainsAny(const std::string& text, const std::vector<std::string>& list, bool exact) {
  if (exact) return MatchesAny(text, list);
  return std::any_of(list.begin(), list.end(), [&](const std::string& s) { return text.find(s) != std::string::npos; });
}

std::string StrToHex(const std::string& text) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size() * kHexDigitsPerByte);
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    out += kDigits[b >> 4];
    out += kDigits[b & 0x0F];
  }
  return out;
}

TAryAryStr SplitToArray(const TAryStr& lines, char separator, int headingCount) {
  TAryAryStr rows(lines.size());
  size_t columns = 1;
  for (size_t i = 0; i < lines.size(); ++i) {
    TAryStr& row = rows[i];
    if (static_cast<int>(i) < headingCount) {
      row.push_back(Trim(lines[i]));
      continue;
    }
    std::string rest = lines[i];
    size_t cut;
    while ((cut = rest.find(separator)) != std::string::npos) {
      // A separator at the front of the rest adds no field.
      if (cut > 0) row.push_back(Trim(rest.substr(0, cut)));
      rest.erase(0, cut + 1);
    }
    if (!rest.empty()) row.push_back(Trim(rest));
    columns = std::max(columns, row.size());
  }
  for (TAryStr& row : rows) row.resize(columns);
  return rows;
}

TAryAryStr SplitListToArray(const std::vector<std::string>& list, char separator, int headingCount) {
  return SplitToArray(list, separator, headingCount);
}

// Counting goes on past 99 so that an existing file is never handed out.
std::string UniqueFileName(const std::string& fileName) {
  if (!QFileInfo::exists(Q(fileName))) return fileName;
  const size_t slash = fileName.rfind('/');
  const size_t dot = fileName.rfind('.');
  const size_t split = dot == std::string::npos || (slash != std::string::npos && dot < slash) ? fileName.size() : dot;
  for (int n = kFirstCounter;; ++n) {
    const std::string candidate = fileName.substr(0, split) + Format("%.2d", {n}) + fileName.substr(split);
    if (!QFileInfo::exists(Q(candidate))) return candidate;
  }
}

void DeleteEmptyLines(std::vector<std::string>& list) {
  if (!ScriptOption.NullLine) return;
  std::erase_if(list, [](const std::string& line) { return line.empty(); });
}

double VarToFloatDef(const QVariant& value, double def) {
  if (!value.isValid() || value.isNull()) return def;
  bool ok = false;
  const double result = value.toDouble(&ok);
  return ok ? result : def;
}

int VarToIntDef(const QVariant& value, int def) {
  if (!value.isValid() || value.isNull()) return def;
  bool ok = false;
  if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float) {
    const double d = value.toDouble(&ok);
    if (!ok || !std::isfinite(d) || d < INT32_MIN || d > INT32_MAX) return def;
    return static_cast<int>(std::nearbyint(d));
  }
  const int result = value.typeId() == QMetaType::QString ? value.toString().trimmed().toInt(&ok) : value.toInt(&ok);
  return ok ? result : def;
}

QDateTime VarToDateTimeDef(const QVariant& value, const QDateTime& def) {
  if (!value.isValid() || value.isNull()) return def;
  switch (value.typeId()) {
    case QMetaType::QDateTime: return value.toDateTime();
    case QMetaType::QDate: return value.toDate().startOfDay();
    case QMetaType::Double:
    case QMetaType::Int:
    case QMetaType::LongLong: {
      // A number is a count of days since 1899-12-30, local time.
      const double days = value.toDouble();
      const QDateTime epoch(QDate(1970, 1, 1), QTime(0, 0));
      return epoch.addMSecs(static_cast<qint64>(std::llround((days - kDateTimeEpochDays) * kMillisecondsPerDay)));
    }
    default: break;
  }
  const QString text = value.toString().trimmed();
  static const char* const kFormats[] = {"yyyy/MM/dd HH:mm:ss", "yyyy/MM/dd HH:mm", "yyyy/MM/dd",
                                          "yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd HH:mm:ss.zzz"};
  QDateTime result = QDateTime::fromString(text, Qt::ISODateWithMs);
  for (const char* f : kFormats) {
    if (result.isValid()) break;
    result = QDateTime::fromString(text, QString::fromLatin1(f));
  }
  return result.isValid() ? result : def;
}

void FlushActiveControl() { platform::Input().FlushFocusedControl(); }

bool TProgressPace::Due() {
  const auto now = std::chrono::steady_clock::now();
  if (last_ && now - *last_ < interval_) return false;
  last_ = now;
  return true;
}

bool IsEscapePressed() {
  const bool escape = platform::Input().PollEscape();
  return escape && platform::Input().ProgramWindowActive();
}

// ---- file names and creation times ----
#include "platform/orvutl.h"

namespace {
constexpr int kCreateTimeColumns = 255;
}  // namespace

std::string SanitizeFileName(const std::string& name) {
  static const char kUnsafe[] = {'/', '*', '?', '\\', ':', '<', '>', '"', '|'};
  std::string out = name;
  for (char c : kUnsafe) std::erase(out, c);
  return out;
}

// The display text is asked for directly, not handed over through a
// settings value for every row.
std::string CreateTimeText(const std::string& createTime) {
  if (createTime.empty()) return {};
  return CutToWidth(platform::GetCreateTime(createTime), kCreateTimeColumns);
}
