#include "ui/core/ovworkbook.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QDomDocument>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextStream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <set>
#include <tuple>

#include "app/core/zarur.h"
#include "platform/textwidth.h"
#include "ui/core/ovdbgridcore.h"

namespace {

// ---- package names and types ----
constexpr const char* kContentTypesPart = "[Content_Types].xml";
constexpr const char* kRootRelsPart = "_rels/.rels";
constexpr const char* kRelNamespace = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr const char* kWorksheetType = "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";
constexpr const char* kStylesType = "application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml";
// Relationship types end alike in the transitional and the strict schemas.
constexpr const char* kOfficeDocumentRel = "/officeDocument";
constexpr const char* kWorksheetRel = "/worksheet";
constexpr const char* kStylesRel = "/styles";
constexpr const char* kSharedStringsRel = "/sharedStrings";
constexpr const char* kCalcChainRel = "/calcChain";

// A package read from outside is bounded, so that a crafted archive cannot
// make the program take all memory.
constexpr zip_uint64_t kMaxPartSize = 256ull << 20;
constexpr zip_uint64_t kMaxPackageSize = 1ull << 30;
constexpr size_t kReadChunk = 64 * 1024;
// The leading bytes of a compound file, which an ".xls" workbook is.
constexpr unsigned char kCompoundFileMagic[] = {0xD0, 0xCF, 0x11, 0xE0};

// ---- the sheet ----
constexpr qsizetype kMaxSheetNameLength = 31;
constexpr const char* kForbiddenNameChars = ":\\/?*[]";
constexpr const char* kReservedSheetName = "history";
constexpr char16_t kFirstPrintable = 0x20;
constexpr qsizetype kMaxCellTextLength = 32767;  // UTF-16 units the spreadsheet keeps in a cell
constexpr int kLettersInAlphabet = 26;
// Column widths are stored in the file as characters of the standard font
// plus its cell padding: width = trunc((chars x digit + padding) / digit x
// 256) / 256, with the 7-pixel digit of an 11-point font.
constexpr double kMaxDigitWidth = 7;
constexpr double kCellPadding = 5;
constexpr double kWidthSteps = 256;
constexpr double kDefaultColumnWidth = 8.43;
constexpr double kHundredths = 100;
constexpr int kDoublePrecision = 17;

// ---- values ----
constexpr size_t kMaxSignificantDigits = 15;
// Serial numbers count days from 1899-12-30; before 1900-03-01 the
// spreadsheet's calendar differs from the real one, so such dates stay text.
const QDate kSerialEpoch(1899, 12, 30);
const QDate kFirstSerialDate(1900, 3, 1);
constexpr double kMillisecondsPerDay = 86400.0 * 1000.0;
constexpr const char* kDateNumberFormat = "yyyy/mm/dd";
constexpr const char* kDateTimeNumberFormat = "yyyy/mm/dd hh:mm:ss";
constexpr const char* kGeneralNumberFormat = "General";
constexpr int kFirstCustomFormatId = 164;

// Formats the spreadsheet knows by number without listing them.
struct TBuiltinFormat {
  int Id;
  const char* Code;
};
constexpr TBuiltinFormat kBuiltinFormats[] = {
    {0, "General"},        {1, "0"},           {2, "0.00"},       {3, "#,##0"},        {4, "#,##0.00"},
    {9, "0%"},             {10, "0.00%"},      {11, "0.00E+00"},  {12, "# ?/?"},       {13, "# ?\?/??"},
    {14, "yyyy/m/d"},      {15, "d-mmm-yy"},   {16, "d-mmm"},     {17, "mmm-yy"},      {18, "h:mm AM/PM"},
    {19, "h:mm:ss AM/PM"}, {20, "h:mm"},       {21, "h:mm:ss"},   {22, "yyyy/m/d h:mm"}, {45, "mm:ss"},
    {46, "[h]:mm:ss"},     {47, "mm:ss.0"},    {48, "##0.0E+0"},  {49, "@"},
};

// ---- the minimal parts of a new workbook ----
constexpr const char* kXmlDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
constexpr const char* kNewContentTypes =
    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
    "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
    "<Override PartName=\"/xl/workbook.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
    "<Override PartName=\"/xl/styles.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>"
    "</Types>";
constexpr const char* kNewRootRels =
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
    "Target=\"xl/workbook.xml\"/></Relationships>";
constexpr const char* kNewWorkbook =
    "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
    "<bookViews><workbookView activeTab=\"0\"/></bookViews><sheets/></workbook>";
constexpr const char* kNewWorkbookRels =
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
    "Target=\"styles.xml\"/></Relationships>";
constexpr const char* kNewStyles =
    "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"ＭＳ Ｐゴシック\"/><family val=\"3\"/>"
    "<charset val=\"128\"/></font></fonts>"
    "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
    "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
    "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
    "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
    "<cellXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/></cellXfs>"
    "<cellStyles count=\"1\"><cellStyle name=\"標準\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
    "</styleSheet>";
constexpr const char* kNewSheet =
    "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
    "<dimension ref=\"A1\"/><sheetViews><sheetView workbookViewId=\"0\"/></sheetViews>"
    "<sheetFormatPr defaultRowHeight=\"13.5\"/><sheetData/>"
    "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/>"
    "</worksheet>";
constexpr const char* kNewSheetName = "Sheet";
constexpr const char* kNewBookName = "Book";

// Children of a worksheet that come after its merged cells, in order.
const char* const kAfterMergeCells[] = {
    "phoneticPr", "conditionalFormatting", "dataValidations", "hyperlinks", "printOptions", "pageMargins",
    "pageSetup", "headerFooter", "rowBreaks", "colBreaks", "customProperties", "cellWatches", "ignoredErrors",
    "smartTags", "drawing", "legacyDrawing", "legacyDrawingHF", "drawingHF", "picture", "oleObjects",
    "controls", "webPublishItems", "tableParts", "extLst"};
// Children of a worksheet that come before its sheet views.
const char* const kBeforeSheetViews[] = {"sheetPr", "dimension"};

QString Q(const std::string& text) { return QString::fromStdString(text); }
std::string S(const QString& text) { return text.toStdString(); }

std::string FileName(const std::string& path) { return S(QFileInfo(Q(path)).fileName()); }

[[noreturn]] void Fail(const std::string& message) { throw EWorkbookError(message); }

[[noreturn]] void NotAWorkbook(const std::string& path) {
  Fail(FileName(path) + " はExcelブック(.xlsx)として読めません。");
}

// An ".xls" workbook is of the older binary format, which this layer
// neither reads nor writes.
[[noreturn]] void XlsRefused(const std::string& path) {
  Fail(FileName(path) + " はExcel 97-2003形式(.xls)のため読み書きできません。.xlsx形式のファイルを指定して下さい。");
}

QString LocalName(const QString& tag) {
  const qsizetype colon = tag.indexOf(':');
  return colon < 0 ? tag : tag.mid(colon + 1);
}

QString Prefix(const QString& tag) {
  const qsizetype colon = tag.indexOf(':');
  return colon < 0 ? QString() : tag.left(colon);
}

// Elements are matched by their local names: a package may give the main
// namespace a prefix.
std::vector<QDomElement> Children(const QDomNode& parent, const QString& local) {
  std::vector<QDomElement> found;
  for (QDomElement e = parent.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
    if (LocalName(e.tagName()) == local) found.push_back(e);
  }
  return found;
}

QDomElement Child(const QDomNode& parent, const QString& local) {
  for (QDomElement e = parent.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
    if (LocalName(e.tagName()) == local) return e;
  }
  return {};
}

QDomElement NewElement(QDomDocument& doc, const QString& local) {
  const QString prefix = Prefix(doc.documentElement().tagName());
  return doc.createElement(prefix.isEmpty() ? local : prefix + ":" + local);
}

// The relationship id attribute (r:id, whatever its prefix) of an element.
QString RelIdOf(const QDomElement& element) {
  const QDomNamedNodeMap attributes = element.attributes();
  for (int i = 0; i < attributes.count(); ++i) {
    const QDomAttr a = attributes.item(i).toAttr();
    if (LocalName(a.name()) == "id" && a.name() != "id") return a.name();
  }
  return {};
}

// The prefix the document's root gives the relationships namespace,
// declared there when it gives none.
QString RelPrefix(QDomDocument& doc) {
  QDomElement root = doc.documentElement();
  const QDomNamedNodeMap attributes = root.attributes();
  for (int i = 0; i < attributes.count(); ++i) {
    const QDomAttr a = attributes.item(i).toAttr();
    if (a.name().startsWith("xmlns:") && a.value() == kRelNamespace) return LocalName(a.name());
  }
  QString prefix = "r";
  while (root.hasAttribute("xmlns:" + prefix)) prefix += "r";
  root.setAttribute("xmlns:" + prefix, kRelNamespace);
  return prefix;
}

QDomDocument ParseXml(const std::string& bytes, const std::string& path) {
  QDomDocument doc;
  if (!doc.setContent(QByteArray::fromStdString(bytes), false) || doc.documentElement().isNull()) NotAWorkbook(path);
  return doc;
}

std::string XmlText(const QDomDocument& doc) {
  QString text = doc.toString(-1);
  if (!text.startsWith("<?xml")) text.prepend(kXmlDeclaration);
  return S(text);
}

std::string NodeXml(const QDomNode& node) {
  QString text;
  QTextStream out(&text);
  node.save(out, -1);
  return S(text);
}

void SetElementText(QDomDocument& doc, QDomElement element, const QString& text) {
  while (element.hasChildNodes()) element.removeChild(element.firstChild());
  element.appendChild(doc.createTextNode(text));
}

// Text for an XML element or attribute.
std::string EscapeXml(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\r': out += "&#13;"; break;  // a parser reads a bare CR as LF
      default: out += c;
    }
  }
  return out;
}

// Cell texts keep what XML cannot carry in the spreadsheet's own escape
// _xHHHH_; a text that looks like an escape has its "_" escaped.
constexpr size_t kEscapeLength = 7;  // _xHHHH_
constexpr size_t kEscapeDigits = 4;
constexpr int kHexBase = 16;

bool IsEscapeAt(std::string_view text, size_t at) {
  if (text.size() - at < kEscapeLength || text[at] != '_' || text[at + 1] != 'x' ||
      text[at + kEscapeLength - 1] != '_') {
    return false;
  }
  const std::string_view digits = text.substr(at + 2, kEscapeDigits);
  return std::all_of(digits.begin(), digits.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
}

// Characters an XML document can hold; the UTF-8 decoder already refuses surrogates.
constexpr char32_t kNotCharFirst = 0xFFFE;
constexpr char32_t kNotCharLast = 0xFFFF;
bool IsXmlChar(char32_t c) {
  return c == '\t' || c == '\n' || c == '\r' || (c >= kFirstPrintable && (c < kNotCharFirst || c > kNotCharLast));
}

// Bytes that are no UTF-8 character hold no character a workbook could keep:
// each is written as the replacement character.
constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

bool AllXmlChars(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    char32_t code = 0;
    const size_t length = DecodeUtf8(text, i, code);
    if (length == 0 || !IsXmlChar(code)) return false;
    i += length;
  }
  return true;
}

std::string CellTextEscaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    char32_t c = 0;
    const size_t length = DecodeUtf8(text, i, c);
    if (length == 0) {
      out += kReplacementUtf8;
      ++i;
      continue;
    }
    if (!IsXmlChar(c)) {
      char code[kEscapeLength + 1];
      std::snprintf(code, sizeof code, "_x%04X_", static_cast<unsigned>(c));
      out += code;
    } else if (IsEscapeAt(text, i)) {
      out += "_x005F_";
    } else {
      out.append(text, i, length);
    }
    i += length;
  }
  return out;
}

std::string CellTextUnescaped(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    if (IsEscapeAt(text, i)) {
      unsigned code = 0;
      std::from_chars(text.data() + i + 2, text.data() + i + 2 + kEscapeDigits, code, kHexBase);
      const char32_t character = code;
      out += S(QString::fromUcs4(&character, 1));
      i += kEscapeLength;
    } else {
      out += text[i++];
    }
  }
  return out;
}

// The part a relationship target names, seen from the folder of `source`.
std::string ResolveTarget(const std::string& source, const std::string& target) {
  if (!target.empty() && target[0] == '/') return target.substr(1);
  const std::string folder = source.substr(0, source.rfind('/') + 1);
  return S(QDir::cleanPath(Q(folder + target)));
}

std::string RelsPartOf(const std::string& part) {
  const size_t slash = part.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : part.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? part : part.substr(slash + 1);
  return folder + "_rels/" + name + ".rels";
}

std::string NumberText(double value) {
  char buffer[32];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return ec == std::errc() ? std::string(buffer, end) : "0";
}

bool ParseInt(const QString& text, int& value) {
  bool ok = false;
  value = text.toInt(&ok);
  return ok;
}

// "B3" -> row 3, column 2; false when the text names no cell.
bool ParseCellName(const QString& name, int& row, int& column) {
  qsizetype letters = 0;
  while (letters < name.size() && name[letters].isLetter()) ++letters;
  column = ColumnIndex(S(name.left(letters).toUpper()));
  return column > 0 && ParseInt(name.mid(letters), row) && row >= 1 && row <= kMaxSheetRows;
}

bool ParseRange(const QString& ref, TCellRange& range) {
  const QStringList ends = ref.split(':');
  if (ends.size() > 2) return false;
  if (!ParseCellName(ends[0], range.Top, range.Left)) return false;
  range.Bottom = range.Top;
  range.Right = range.Left;
  if (ends.size() == 2 && !ParseCellName(ends[1], range.Bottom, range.Right)) return false;
  if (range.Bottom < range.Top) std::swap(range.Bottom, range.Top);
  if (range.Right < range.Left) std::swap(range.Right, range.Left);
  return true;
}

std::string RangeName(const TCellRange& r) {
  const std::string first = CellName(r.Top, r.Left);
  return r.Top == r.Bottom && r.Left == r.Right ? first : first + ":" + CellName(r.Bottom, r.Right);
}

bool Intersects(const TCellRange& a, const TCellRange& b) {
  return a.Top <= b.Bottom && b.Top <= a.Bottom && a.Left <= b.Right && b.Left <= a.Right;
}

bool Inside(const TCellRange& inner, const TCellRange& outer) {
  return inner.Top >= outer.Top && inner.Bottom <= outer.Bottom && inner.Left >= outer.Left &&
         inner.Right <= outer.Right;
}

void CheckCell(int row, int column) {
  if (row < 1 || row > kMaxSheetRows || column < 1 || column > kMaxSheetColumns) {
    Fail("セル位置がシートの範囲を超えています (" + std::to_string(row) + ", " + std::to_string(column) + ")");
  }
}

bool SameName(const std::string& a, const std::string& b) { return Q(a).compare(Q(b), Qt::CaseInsensitive) == 0; }

// A formula's references to sheet `from`, bare (Name!) or quoted
// ('Name'!), made references to sheet `to`.
QString RenameSheetReferences(QString formula, const std::string& from, const std::string& to) {
  const QString quoted = "'" + Q(to).replace("'", "''") + "'!";
  const QRegularExpression reference(
      "(?<![\\w.'])" + QRegularExpression::escape(Q(from)) + "!|'" +
          QRegularExpression::escape(Q(from).replace("'", "''")) + "'!",
      QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
  return formula.replace(reference, quoted);
}

double StoredWidth(double characters) {
  return std::trunc((characters * kMaxDigitWidth + kCellPadding) / kMaxDigitWidth * kWidthSteps) / kWidthSteps;
}

// ---- typed input ----
bool AllDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string_view WithoutSign(std::string_view text) {
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) text.remove_prefix(1);
  return text;
}

std::optional<double> NumberOf(const std::string& text) {
  const std::string_view rest = WithoutSign(text);
  const size_t exponent = rest.find_first_of("eE");
  const std::string_view mantissa = rest.substr(0, exponent);
  if (exponent != std::string_view::npos && !AllDigits(WithoutSign(rest.substr(exponent + 1)))) return std::nullopt;
  const size_t point = mantissa.find('.');
  const std::string_view whole = mantissa.substr(0, point);
  const std::string_view fraction = point == std::string_view::npos ? std::string_view() : mantissa.substr(point + 1);
  if (whole.empty() && fraction.empty()) return std::nullopt;
  if ((!whole.empty() && !AllDigits(whole)) || (!fraction.empty() && !AllDigits(fraction))) return std::nullopt;
  // Leading zeros ("007") and digits past the fifteenth would be lost.
  if (whole.size() > 1 && whole[0] == '0') return std::nullopt;
  const std::string digits = std::string(whole) + std::string(fraction);
  const size_t first = digits.find_first_not_of('0');
  if (first != std::string::npos && digits.find_last_not_of('0') - first + 1 > kMaxSignificantDigits) {
    return std::nullopt;
  }
  const std::string plain = text[0] == '+' ? text.substr(1) : text;
  double value = 0;
  auto [end, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
  if (ec != std::errc() || end != plain.data() + plain.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

// The program's date texts: the data set's ISO form and the date format the
// user set, each alone or followed by a time.
std::vector<QString> DateFormats() {
  std::vector<QString> formats = {"yyyy-MM-dd"};
  if (!ShortDateFormat.empty() && Q(ShortDateFormat) != formats[0]) formats.push_back(Q(ShortDateFormat));
  return formats;
}
const char* const kTimeFormats[] = {" HH:mm:ss", " HH:mm:ss.zzz", " HH:mm"};

double SerialOf(const QDateTime& moment) {
  return static_cast<double>(kSerialEpoch.daysTo(moment.date())) +
         moment.time().msecsSinceStartOfDay() / kMillisecondsPerDay;
}

std::optional<TCellValue> DateOf(const std::string& text) {
  // Every date text starts with its year; the rest need no parsing.
  if (text.empty() || text[0] < '0' || text[0] > '9') return std::nullopt;
  const QString q = Q(text);
  for (const QString& format : DateFormats()) {
    const QDate date = QDate::fromString(q, format);
    if (date.isValid()) {
      if (date < kFirstSerialDate) return std::nullopt;
      return TCellValue{TCellValue::TKind::Date, SerialOf(QDateTime(date, QTime(0, 0))), {}};
    }
    for (const char* time : kTimeFormats) {
      const QDateTime moment = QDateTime::fromString(q, format + time);
      if (moment.isValid()) {
        if (moment.date() < kFirstSerialDate) return std::nullopt;
        return TCellValue{TCellValue::TKind::DateTime, SerialOf(moment), {}};
      }
    }
  }
  return std::nullopt;
}

}  // namespace

std::string ColumnName(int column) {
  std::string name;
  for (int n = column; n > 0; n = (n - 1) / kLettersInAlphabet) {
    name.insert(name.begin(), static_cast<char>('A' + (n - 1) % kLettersInAlphabet));
  }
  return name;
}

int ColumnIndex(const std::string& name) {
  int column = 0;
  for (char c : name) {
    if (c < 'A' || c > 'Z') return 0;
    column = column * kLettersInAlphabet + (c - 'A' + 1);
    if (column > kMaxSheetColumns) return 0;
  }
  return column;
}

std::string CellName(int row, int column) { return ColumnName(column) + std::to_string(row); }

void CheckWorkbookPath(const std::string& path) {
  if (QFileInfo(Q(path)).suffix().compare("xls", Qt::CaseInsensitive) == 0) XlsRefused(path);
}

void CheckSheetName(const std::string& name) {
  const QString q = Q(name);
  const bool forbidden = !AllXmlChars(name) || q.isEmpty() || q.size() > kMaxSheetNameLength || q.startsWith('\'') || q.endsWith('\'') ||
                         SameName(name, kReservedSheetName) || std::any_of(q.begin(), q.end(), [](QChar c) {
                           return c.unicode() < kFirstPrintable || QString(kForbiddenNameChars).contains(c);
                         });
  if (forbidden) Fail("\"" + name + "\" はシート名に使用できません。");
}

TCellValue TypedValue(const std::string& text, bool textFormat) {
  if (text.empty()) return {};
  if (textFormat) return TCellValue::OfText(text);
  if (std::optional<double> number = NumberOf(text)) return TCellValue::OfNumber(*number);
  if (std::optional<TCellValue> date = DateOf(text)) return *date;
  return TCellValue::OfText(text);
}

// ---- the workbook's state ----

struct TCell {
  std::string Type;     // the cell's t: "" number, "s" shared string, "inlineStr", "str", "b", "e"
  std::string Value;    // the <v> text; an inline string's text (both escaped as in the file)
  int Style = 0;
  std::string Formula;  // the <f> element as read
  std::string Rest;     // what follows <v> as read (a rich inline string, extensions)
};

struct TRowData {
  std::vector<std::pair<QString, QString>> Attributes;  // all but r and spans
  std::map<int, TCell> Cells;
};

using TAttributes = std::map<QString, QString>;

struct TWorksheetData {
  std::string Name;
  std::string PartName;
  QDomElement SheetElement;  // in the workbook part
  bool Loaded = false;
  bool Dirty = false;
  QDomDocument Dom;  // the sheet with an empty sheetData, without columns and merged cells
  std::map<int, TRowData> Rows;
  std::map<int, TAttributes> Columns;  // one entry a column
  std::vector<TCellRange> Merges;
};

struct TovWorkbook::TImpl {
  std::string Path;  // where it was read from, for messages
  std::vector<std::pair<std::string, std::string>> Parts;  // name, bytes, in package order
  QDomDocument ContentTypes;
  QDomDocument Workbook;
  QDomDocument WorkbookRels;
  std::string WorkbookPart;
  bool StructureChanged = false;
  std::vector<std::unique_ptr<TWorksheetData>> Sheets;

  QDomDocument Styles;
  std::string StylesPart;
  bool StylesLoaded = false;
  bool StylesDirty = false;
  std::map<std::pair<int, int>, int> StyleCache;  // (style, format id) -> style
  std::map<int, std::string> StyleFormats;        // style -> its format code
  std::map<std::string, int> FormatIds;           // format code -> id

  bool StringsLoaded = false;
  std::vector<std::string> SharedStrings;

  // ---- parts ----
  std::string* FindPart(const std::string& name) {
    for (auto& [partName, bytes] : Parts) {
      if (SameName(partName, name)) return &bytes;
    }
    return nullptr;
  }
  void SetPart(const std::string& name, std::string bytes) {
    if (std::string* found = FindPart(name)) {
      *found = std::move(bytes);
    } else {
      Parts.emplace_back(name, std::move(bytes));
    }
  }
  void RemovePart(const std::string& name) {
    std::erase_if(Parts, [&](const auto& part) { return SameName(part.first, name); });
  }
  const std::string& PartBytes(const std::string& name) {
    if (std::string* found = FindPart(name)) return *found;
    NotAWorkbook(Path);
  }

  // ---- relationships and content types ----
  QDomElement RelOfType(const char* typeEnd) const {
    for (const QDomElement& rel : Children(WorkbookRels.documentElement(), "Relationship")) {
      if (rel.attribute("Type").endsWith(typeEnd)) return rel;
    }
    return {};
  }
  std::string NewRelId() const {
    std::set<QString> used;
    for (const QDomElement& rel : Children(WorkbookRels.documentElement(), "Relationship"))
      used.insert(rel.attribute("Id"));
    for (int n = 1;; ++n) {
      if (!used.count(QString("rId%1").arg(n))) return "rId" + std::to_string(n);
    }
  }
  // Relative to the workbook part's folder.
  std::string RelTarget(const std::string& part) const {
    const std::string folder = WorkbookPart.substr(0, WorkbookPart.rfind('/') + 1);
    return part.rfind(folder, 0) == 0 ? part.substr(folder.size()) : "/" + part;
  }
  void AddRel(const std::string& id, const std::string& type, const std::string& part) {
    QDomElement rel = WorkbookRels.createElement("Relationship");
    rel.setAttribute("Id", Q(id));
    rel.setAttribute("Type", Q(std::string(kRelNamespace) + type));
    rel.setAttribute("Target", Q(RelTarget(part)));
    WorkbookRels.documentElement().appendChild(rel);
  }
  void RemoveRel(const QString& id) {
    for (const QDomElement& rel : Children(WorkbookRels.documentElement(), "Relationship")) {
      if (rel.attribute("Id") == id) WorkbookRels.documentElement().removeChild(rel);
    }
  }
  void AddOverride(const std::string& part, const char* type) {
    QDomElement o = ContentTypes.createElement("Override");
    o.setAttribute("PartName", Q("/" + part));
    o.setAttribute("ContentType", type);
    ContentTypes.documentElement().appendChild(o);
  }
  void RemoveOverride(const std::string& part) {
    for (const QDomElement& o : Children(ContentTypes.documentElement(), "Override")) {
      if (SameName(S(o.attribute("PartName")), "/" + part)) ContentTypes.documentElement().removeChild(o);
    }
  }

  // ---- sheets ----
  QDomElement SheetsElement() const { return Child(Workbook.documentElement(), "sheets"); }
  QDomElement WorkbookView() {
    QDomElement views = Child(Workbook.documentElement(), "bookViews");
    if (views.isNull()) {
      views = NewElement(Workbook, "bookViews");
      Workbook.documentElement().insertBefore(views, SheetsElement());
    }
    QDomElement view = Child(views, "workbookView");
    if (view.isNull()) view = views.appendChild(NewElement(Workbook, "workbookView")).toElement();
    return view;
  }
  int ActiveIndex() {
    int active = 0;
    ParseInt(WorkbookView().attribute("activeTab", "0"), active);
    return std::clamp(active, 0, std::max(0, static_cast<int>(Sheets.size()) - 1));
  }
  int IndexOf(const TWorksheetData* sheet) const {
    for (size_t i = 0; i < Sheets.size(); ++i) {
      if (Sheets[i].get() == sheet) return static_cast<int>(i);
    }
    return -1;
  }
  TWorksheetData& SheetAt(int index) {
    if (index < 0 || index >= static_cast<int>(Sheets.size())) {
      Fail("シートのインデックスが範囲を超えています (" + std::to_string(index) + ")");
    }
    return *Sheets[static_cast<size_t>(index)];
  }
  std::string NewPartName() {
    for (int n = 1;; ++n) {
      const std::string name = "xl/worksheets/sheet" + std::to_string(n) + ".xml";
      if (!FindPart(name)) return name;
    }
  }
  std::string NewSheetId() const {
    int max = 0;
    for (const QDomElement& s : Children(SheetsElement(), "sheet")) {
      int id = 0;
      if (ParseInt(s.attribute("sheetId"), id)) max = std::max(max, id);
    }
    return std::to_string(max + 1);
  }
  void CheckSheetName(const std::string& name, const TWorksheetData* self) const {
    ::CheckSheetName(name);
    for (const auto& sheet : Sheets) {
      if (sheet.get() != self && SameName(sheet->Name, name)) Fail("シート名 \"" + name + "\" はすでに使われています。");
    }
  }
  // Sheet-local names follow their sheets' places; a deleted sheet's go.
  void ShiftLocalNames(int from, int by) {
    QDomElement names = Child(Workbook.documentElement(), "definedNames");
    for (QDomElement name : Children(names, "definedName")) {
      int local = 0;
      if (!name.hasAttribute("localSheetId") || !ParseInt(name.attribute("localSheetId"), local)) continue;
      if (by < 0 && local == from) {
        names.removeChild(name);
      } else if (local >= from) {
        name.setAttribute("localSheetId", local + by);
      }
    }
    if (!names.isNull() && names.firstChildElement().isNull()) Workbook.documentElement().removeChild(names);
  }
  void InsertSheet(std::unique_ptr<TWorksheetData> sheet, int before) {
    QDomElement sheets = SheetsElement();
    const std::vector<QDomElement> elements = Children(sheets, "sheet");
    if (before < static_cast<int>(elements.size())) {
      sheets.insertBefore(sheet->SheetElement, elements[static_cast<size_t>(before)]);
    } else {
      sheets.appendChild(sheet->SheetElement);
    }
    const int active = ActiveIndex();
    const bool wasEmpty = Sheets.empty();
    Sheets.insert(Sheets.begin() + before, std::move(sheet));
    ShiftLocalNames(before, 1);
    if (!wasEmpty && active >= before) WorkbookView().setAttribute("activeTab", active + 1);
    StructureChanged = true;
  }
  std::unique_ptr<TWorksheetData> NewSheetData(const std::string& name, const std::string& xml) {
    auto sheet = std::make_unique<TWorksheetData>();
    sheet->Name = name;
    sheet->PartName = NewPartName();
    const std::string id = NewRelId();
    AddRel(id, kWorksheetRel, sheet->PartName);
    AddOverride(sheet->PartName, kWorksheetType);
    sheet->SheetElement = NewElement(Workbook, "sheet");
    sheet->SheetElement.setAttribute("name", Q(name));
    sheet->SheetElement.setAttribute("sheetId", Q(NewSheetId()));
    sheet->SheetElement.setAttribute(RelPrefix(Workbook) + ":id", Q(id));
    SetPart(sheet->PartName, xml);
    return sheet;
  }

  static QString InlineText(const QDomElement& is) {
    QString text;
    for (QDomElement e = is.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
      const QString local = LocalName(e.tagName());
      if (local == "t") text += e.text();
      if (local == "r") text += Child(e, "t").text();
    }
    return text;
  }

  // A style the styles part defines; any other stands for the default one,
  // so that a style added later never takes its place.
  static int KnownStyle(const QString& text, int styleCount) {
    int style = 0;
    if (!ParseInt(text, style) || style < 0 || style >= styleCount) return 0;
    return style;
  }

  void LoadRows(TWorksheetData& sheet, const QDomElement& data, int styleCount) {
    int lastRow = 0;
    for (const QDomElement& rowElement : Children(data, "row")) {
      int r = lastRow + 1;
      if (rowElement.hasAttribute("r") && !ParseInt(rowElement.attribute("r"), r)) NotAWorkbook(Path);
      if (r < 1 || r > kMaxSheetRows) NotAWorkbook(Path);
      lastRow = r;
      TRowData& row = sheet.Rows[r];
      const QDomNamedNodeMap attributes = rowElement.attributes();
      for (int i = 0; i < attributes.count(); ++i) {
        const QDomAttr a = attributes.item(i).toAttr();
        if (a.name() == "s") {
          row.Attributes.emplace_back(a.name(), QString::number(KnownStyle(a.value(), styleCount)));
        } else if (a.name() != "r" && a.name() != "spans") {
          row.Attributes.emplace_back(a.name(), a.value());
        }
      }
      int lastColumn = 0;
      for (const QDomElement& c : Children(rowElement, "c")) {
        int cellRow = r;
        int column = lastColumn + 1;
        if (c.hasAttribute("r") && (!ParseCellName(c.attribute("r"), cellRow, column) || cellRow != r)) {
          NotAWorkbook(Path);
        }
        if (column > kMaxSheetColumns) NotAWorkbook(Path);
        lastColumn = column;
        TCell cell;
        cell.Type = S(c.attribute("t"));
        cell.Style = KnownStyle(c.attribute("s", "0"), styleCount);
        for (QDomElement part = c.firstChildElement(); !part.isNull(); part = part.nextSiblingElement()) {
          const QString local = LocalName(part.tagName());
          if (local == "f") {
            cell.Formula += NodeXml(part);
          } else if (local == "v") {
            cell.Value = S(part.text());
          } else {
            if (local == "is") cell.Value = S(InlineText(part));
            cell.Rest += NodeXml(part);
          }
        }
        row.Cells[column] = std::move(cell);
      }
    }
  }

  void Load(TWorksheetData& sheet) {
    if (sheet.Loaded) return;
    sheet.Dom = ParseXml(PartBytes(sheet.PartName), Path);
    QDomElement root = sheet.Dom.documentElement();
    if (LocalName(root.tagName()) != "worksheet") Fail("シート " + sheet.Name + " にはセルがありません。");
    QDomElement data = Child(root, "sheetData");
    if (data.isNull()) NotAWorkbook(Path);
    const int styleCount = static_cast<int>(CellXfs().size());
    LoadRows(sheet, data, styleCount);
    // The cells are written back in place of the emptied element.
    while (data.hasChildNodes()) data.removeChild(data.firstChild());
    for (const QDomElement& cols : Children(root, "cols")) {
      for (const QDomElement& col : Children(cols, "col")) {
        int min = 0, max = 0;
        if (!ParseInt(col.attribute("min"), min) || !ParseInt(col.attribute("max"), max) || min < 1 ||
            max > kMaxSheetColumns || max < min) {
          NotAWorkbook(Path);
        }
        TAttributes attributes;
        const QDomNamedNodeMap list = col.attributes();
        for (int i = 0; i < list.count(); ++i) {
          const QDomAttr a = list.item(i).toAttr();
          if (a.name() == "style") {
            attributes[a.name()] = QString::number(KnownStyle(a.value(), styleCount));
          } else if (a.name() != "min" && a.name() != "max") {
            attributes[a.name()] = a.value();
          }
        }
        for (int column = min; column <= max; ++column) sheet.Columns[column] = attributes;
      }
      root.removeChild(cols);
    }
    for (const QDomElement& merges : Children(root, "mergeCells")) {
      for (const QDomElement& merge : Children(merges, "mergeCell")) {
        TCellRange range;
        if (ParseRange(merge.attribute("ref"), range)) sheet.Merges.push_back(range);
      }
      root.removeChild(merges);
    }
    sheet.Loaded = true;
  }

  // Where merged cells go: before the first child that follows them.
  static QDomNode FirstAfterMergeCells(const QDomElement& root) {
    for (QDomElement e = root.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
      const QString local = LocalName(e.tagName());
      for (const char* n : kAfterMergeCells)
        if (local == n) return e;
    }
    return {};
  }

  // ---- shared strings ----
  const std::vector<std::string>& Strings() {
    if (StringsLoaded) return SharedStrings;
    StringsLoaded = true;
    const QDomElement rel = RelOfType(kSharedStringsRel);
    if (rel.isNull()) return SharedStrings;
    const std::string part = ResolveTarget(WorkbookPart, S(rel.attribute("Target")));
    const QDomDocument doc = ParseXml(PartBytes(part), Path);
    for (const QDomElement& si : Children(doc.documentElement(), "si")) SharedStrings.push_back(S(InlineText(si)));
    return SharedStrings;
  }

  // ---- styles ----
  QDomElement StyleSheet() {
    if (!StylesLoaded) {
      StylesLoaded = true;
      const QDomElement rel = RelOfType(kStylesRel);
      if (rel.isNull()) {
        StylesPart = ResolveTarget(WorkbookPart, "styles.xml");
        AddRel(NewRelId(), kStylesRel, StylesPart);
        AddOverride(StylesPart, kStylesType);
        Styles = ParseXml(kNewStyles, Path);
        StylesDirty = true;
        StructureChanged = true;
      } else {
        StylesPart = ResolveTarget(WorkbookPart, S(rel.attribute("Target")));
        Styles = ParseXml(PartBytes(StylesPart), Path);
      }
    }
    return Styles.documentElement();
  }
  std::vector<QDomElement> CellXfs() { return Children(Child(StyleSheet(), "cellXfs"), "xf"); }
  int FormatIdOf(int style) {
    const std::vector<QDomElement> xfs = CellXfs();
    if (style < 0 || style >= static_cast<int>(xfs.size())) return 0;
    int id = 0;
    ParseInt(xfs[static_cast<size_t>(style)].attribute("numFmtId", "0"), id);
    return id;
  }
  std::string FormatCode(int id) {
    for (const QDomElement& f : Children(Child(StyleSheet(), "numFmts"), "numFmt")) {
      if (f.attribute("numFmtId").toInt() == id) return S(f.attribute("formatCode"));
    }
    for (const TBuiltinFormat& b : kBuiltinFormats)
      if (b.Id == id) return b.Code;
    return kGeneralNumberFormat;
  }
  int FormatId(const std::string& code) {
    for (const TBuiltinFormat& b : kBuiltinFormats)
      if (code == b.Code) return b.Id;
    QDomElement root = StyleSheet();
    QDomElement formats = Child(root, "numFmts");
    int max = kFirstCustomFormatId - 1;
    for (const QDomElement& f : Children(formats, "numFmt")) {
      if (S(f.attribute("formatCode")) == code) return f.attribute("numFmtId").toInt();
      max = std::max(max, f.attribute("numFmtId").toInt());
    }
    if (formats.isNull()) formats = root.insertBefore(NewElement(Styles, "numFmts"), root.firstChild()).toElement();
    QDomElement format = NewElement(Styles, "numFmt");
    format.setAttribute("numFmtId", max + 1);
    format.setAttribute("formatCode", Q(code));
    formats.appendChild(format);
    formats.setAttribute("count", static_cast<int>(Children(formats, "numFmt").size()));
    StylesDirty = true;
    return max + 1;
  }
  // The style like `style` but with the number format `code`.
  int StyleWithFormat(int style, const std::string& code) {
    auto known = FormatIds.find(code);
    if (known == FormatIds.end()) known = FormatIds.emplace(code, FormatId(code)).first;
    const int id = known->second;
    const auto key = std::make_pair(style, id);
    if (auto found = StyleCache.find(key); found != StyleCache.end()) return found->second;
    if (FormatIdOf(style) == id) return StyleCache[key] = style;
    const std::vector<QDomElement> xfs = CellXfs();
    if (xfs.empty()) NotAWorkbook(Path);
    QDomElement wanted =
        xfs[static_cast<size_t>(std::clamp(style, 0, static_cast<int>(xfs.size()) - 1))].cloneNode(true).toElement();
    wanted.setAttribute("numFmtId", id);
    wanted.setAttribute("applyNumberFormat", "1");
    const std::string wantedXml = NodeXml(wanted);
    int result = -1;
    for (size_t i = 0; i < xfs.size() && result < 0; ++i) {
      if (NodeXml(xfs[i]) == wantedXml) result = static_cast<int>(i);
    }
    if (result < 0) {
      QDomElement list = Child(StyleSheet(), "cellXfs");
      list.appendChild(wanted);
      result = static_cast<int>(xfs.size());
      list.setAttribute("count", result + 1);
      StylesDirty = true;
    }
    StyleCache[key] = result;
    return result;
  }
  // Styles and formats once defined never change, so what a style shows is
  // kept: a paste asks it once a cell.
  const std::string& StyleFormatCode(int style) {
    auto found = StyleFormats.find(style);
    if (found == StyleFormats.end()) found = StyleFormats.emplace(style, FormatCode(FormatIdOf(style))).first;
    return found->second;
  }
  bool IsTextStyle(int style) { return StyleFormatCode(style) == kTextNumberFormat; }

  // ---- writing ----
  static TCellRange UsedRange(const TWorksheetData& sheet) {
    TCellRange used{kMaxSheetRows, kMaxSheetColumns, 1, 1};
    bool any = false;
    for (const auto& [r, row] : sheet.Rows) {
      if (row.Cells.empty()) continue;
      any = true;
      used.Top = std::min(used.Top, r);
      used.Bottom = std::max(used.Bottom, r);
      used.Left = std::min(used.Left, row.Cells.begin()->first);
      used.Right = std::max(used.Right, row.Cells.rbegin()->first);
    }
    return any ? used : TCellRange{};
  }

  static std::string CellsXml(const TWorksheetData& sheet, const std::string& p) {
    std::string out;
    auto open = [&](const char* tag) { out.append("<").append(p).append(tag); };
    auto close = [&](const char* tag) { out.append("</").append(p).append(tag).append(">"); };
    open("sheetData>");
    for (const auto& [r, row] : sheet.Rows) {
      open("row r=\"");
      out.append(std::to_string(r)).append("\"");
      for (const auto& [name, value] : row.Attributes) {
        out.append(" ").append(S(name)).append("=\"").append(EscapeXml(S(value))).append("\"");
      }
      out.append(">");
      for (const auto& [column, cell] : row.Cells) {
        open("c r=\"");
        out.append(CellName(r, column)).append("\"");
        if (cell.Style != 0) out.append(" s=\"").append(std::to_string(cell.Style)).append("\"");
        if (!cell.Type.empty()) out.append(" t=\"").append(EscapeXml(cell.Type)).append("\"");
        out.append(">").append(cell.Formula);
        if (cell.Type == "inlineStr" && cell.Rest.empty()) {
          open("is>");
          open("t xml:space=\"preserve\">");
          out.append(EscapeXml(cell.Value));
          close("t");
          close("is");
        } else if (cell.Type == "inlineStr") {
          out.append(cell.Rest);
        } else {
          if (!cell.Value.empty()) {
            open("v>");
            out.append(EscapeXml(cell.Value));
            close("v");
          }
          out.append(cell.Rest);
        }
        close("c");
      }
      close("row");
    }
    close("sheetData");
    return out;
  }

  std::string SheetXml(TWorksheetData& sheet) {
    QDomElement root = sheet.Dom.documentElement();
    const QString prefix = Prefix(root.tagName());
    const std::string p = prefix.isEmpty() ? std::string() : S(prefix) + ":";
    // Columns and merged cells go back where the format wants them.
    std::vector<QDomElement> added;
    if (!sheet.Columns.empty()) {
      QDomElement cols = NewElement(sheet.Dom, "cols");
      for (auto it = sheet.Columns.begin(); it != sheet.Columns.end();) {
        auto end = std::next(it);
        while (end != sheet.Columns.end() && end->first == std::prev(end)->first + 1 && end->second == it->second) {
          ++end;
        }
        QDomElement col = NewElement(sheet.Dom, "col");
        col.setAttribute("min", it->first);
        col.setAttribute("max", std::prev(end)->first);
        for (const auto& [name, value] : it->second) col.setAttribute(name, value);
        cols.appendChild(col);
        it = end;
      }
      added.push_back(root.insertBefore(cols, Child(root, "sheetData")).toElement());
    }
    if (!sheet.Merges.empty()) {
      QDomElement merges = NewElement(sheet.Dom, "mergeCells");
      merges.setAttribute("count", static_cast<int>(sheet.Merges.size()));
      for (const TCellRange& range : sheet.Merges) {
        QDomElement merge = NewElement(sheet.Dom, "mergeCell");
        merge.setAttribute("ref", Q(RangeName(range)));
        merges.appendChild(merge);
      }
      added.push_back(root.insertBefore(merges, FirstAfterMergeCells(root)).toElement());
    }
    QDomElement dimension = Child(root, "dimension");
    if (!dimension.isNull()) dimension.setAttribute("ref", Q(RangeName(UsedRange(sheet))));
    std::string xml = XmlText(sheet.Dom);
    for (const QDomElement& element : added) root.removeChild(element);
    const std::string placeholder = "<" + p + "sheetData/>";
    const size_t at = xml.find(placeholder);
    if (at == std::string::npos) NotAWorkbook(Path);
    xml.replace(at, placeholder.size(), CellsXml(sheet, p));
    return xml;
  }
};

// ---- the sheet ----

const std::string& TovWorksheet::Name() const { return data_->Name; }

void TovWorksheet::SetName(const std::string& name) {
  TovWorkbook::TImpl& book = *book_->impl_;
  book.CheckSheetName(name, data_);
  // Names that point into the sheet follow it.
  QDomElement names = Child(book.Workbook.documentElement(), "definedNames");
  for (const QDomElement& n : Children(names, "definedName")) {
    SetElementText(book.Workbook, n, RenameSheetReferences(n.text(), data_->Name, name));
  }
  data_->Name = name;
  data_->SheetElement.setAttribute("name", Q(name));
  book.StructureChanged = true;
}

void TovWorksheet::Activate() {
  TovWorkbook::TImpl& book = *book_->impl_;
  const int index = book.IndexOf(data_);
  QDomElement view = book.WorkbookView();
  view.setAttribute("activeTab", index);
  int first = 0;
  if (ParseInt(view.attribute("firstSheet"), first) && first > index) view.setAttribute("firstSheet", index);
  // One selected tab: several would group the sheets.
  for (const auto& sheet : book.Sheets) {
    if (!sheet->Loaded && sheet.get() != data_ &&
        book.PartBytes(sheet->PartName).find("tabSelected") == std::string::npos) {
      continue;
    }
    book.Load(*sheet);
    for (QDomElement sheetView : Children(Child(sheet->Dom.documentElement(), "sheetViews"), "sheetView")) {
      if (sheet.get() == data_) {
        sheetView.setAttribute("tabSelected", "1");
      } else {
        sheetView.removeAttribute("tabSelected");
      }
    }
    sheet->Dirty = true;
  }
  book.StructureChanged = true;
}

void TovWorksheet::Select(int row, int column) {
  CheckCell(row, column);
  TovWorkbook::TImpl& book = *book_->impl_;
  book.Load(*data_);
  QDomElement root = data_->Dom.documentElement();
  QDomElement views = Child(root, "sheetViews");
  if (views.isNull()) {
    views = NewElement(data_->Dom, "sheetViews");
    QDomNode after;
    for (const char* name : kBeforeSheetViews)
      if (!Child(root, name).isNull()) after = Child(root, name);
    if (after.isNull()) {
      root.insertBefore(views, root.firstChild());
    } else {
      root.insertAfter(views, after);
    }
  }
  QDomElement view = Child(views, "sheetView");
  if (view.isNull()) {
    view = views.appendChild(NewElement(data_->Dom, "sheetView")).toElement();
    view.setAttribute("workbookViewId", "0");
  }
  std::vector<QDomElement> selections = Children(view, "selection");
  if (selections.empty()) selections.push_back(view.appendChild(NewElement(data_->Dom, "selection")).toElement());
  const QString cell = Q(CellName(row, column));
  for (QDomElement selection : selections) {
    selection.setAttribute("activeCell", cell);
    selection.setAttribute("sqref", cell);
  }
  data_->Dirty = true;
}

TCellValue TovWorksheet::Value(int row, int column) const {
  CheckCell(row, column);
  TovWorkbook::TImpl& book = *book_->impl_;
  book.Load(*data_);
  const auto r = data_->Rows.find(row);
  if (r == data_->Rows.end()) return {};
  const auto c = r->second.Cells.find(column);
  if (c == r->second.Cells.end()) return {};
  const TCell& cell = c->second;
  if (cell.Type == "s") {
    int index = -1;
    const std::vector<std::string>& strings = book.Strings();
    if (!ParseInt(Q(cell.Value), index) || index < 0 || index >= static_cast<int>(strings.size())) return {};
    return TCellValue::OfText(CellTextUnescaped(strings[static_cast<size_t>(index)]));
  }
  if (cell.Type == "inlineStr" || cell.Type == "str" || cell.Type == "e") {
    return TCellValue::OfText(CellTextUnescaped(cell.Value));
  }
  if (cell.Value.empty()) return {};
  double number = 0;
  if (std::from_chars(cell.Value.data(), cell.Value.data() + cell.Value.size(), number).ec != std::errc()) {
    return TCellValue::OfText(cell.Value);
  }
  if (cell.Type == "b") return {TCellValue::TKind::Boolean, number, {}};
  const std::string& format = book.StyleFormatCode(cell.Style);
  if (format == kDateNumberFormat) return {TCellValue::TKind::Date, number, {}};
  if (format == kDateTimeNumberFormat) return {TCellValue::TKind::DateTime, number, {}};
  return TCellValue::OfNumber(number);
}

namespace {
// The style a new cell takes: its row's when the row has one, else its
// column's.
int EffectiveStyle(const TWorksheetData& sheet, int row, int column) {
  if (auto r = sheet.Rows.find(row); r != sheet.Rows.end()) {
    if (auto c = r->second.Cells.find(column); c != r->second.Cells.end()) return c->second.Style;
    bool custom = false;
    int style = 0;
    for (const auto& [name, value] : r->second.Attributes) {
      if (name == "customFormat") custom = value == "1" || value == "true";
      if (name == "s") ParseInt(value, style);
    }
    if (custom) return style;
  }
  if (auto c = sheet.Columns.find(column); c != sheet.Columns.end()) {
    int style = 0;
    if (auto s = c->second.find("style"); s != c->second.end()) ParseInt(s->second, style);
    return style;
  }
  return 0;
}

// The spreadsheet keeps no more of a text in one cell.
std::string CutToCellLimit(const std::string& text) {
  const QString q = Q(text);
  return q.size() > kMaxCellTextLength ? S(q.left(kMaxCellTextLength)) : text;
}
}  // namespace

void TovWorksheet::SetValue(int row, int column, const TCellValue& value) {
  CheckCell(row, column);
  TovWorkbook::TImpl& book = *book_->impl_;
  book.Load(*data_);
  data_->Dirty = true;
  if (value.Kind == TCellValue::TKind::Empty) {
    auto r = data_->Rows.find(row);
    if (r == data_->Rows.end()) return;
    auto c = r->second.Cells.find(column);
    if (c != r->second.Cells.end()) c->second = TCell{{}, {}, c->second.Style, {}, {}};
    return;
  }
  const int style = EffectiveStyle(*data_, row, column);
  TCell cell{{}, {}, style, {}, {}};
  switch (value.Kind) {
    case TCellValue::TKind::Number:
      cell.Value = NumberText(value.Number);
      break;
    case TCellValue::TKind::Text:
      cell.Type = "inlineStr";
      cell.Value = CellTextEscaped(CutToCellLimit(value.Text));
      break;
    case TCellValue::TKind::Boolean:
      cell.Type = "b";
      cell.Value = value.Number != 0 ? "1" : "0";
      break;
    case TCellValue::TKind::Date:
    case TCellValue::TKind::DateTime:
      cell.Value = NumberText(value.Number);
      cell.Style = book.StyleWithFormat(
          style, value.Kind == TCellValue::TKind::Date ? kDateNumberFormat : kDateTimeNumberFormat);
      break;
    case TCellValue::TKind::Empty:
      break;
  }
  data_->Rows[row].Cells[column] = std::move(cell);
}

void TovWorksheet::SetText(int row, int column, const std::string& text) {
  CheckCell(row, column);
  TovWorkbook::TImpl& book = *book_->impl_;
  book.Load(*data_);
  SetValue(row, column, TypedValue(text, book.IsTextStyle(EffectiveStyle(*data_, row, column))));
}

void TovWorksheet::SetValues(int row, int column, const TCellValues& values) {
  for (size_t i = 0; i < values.size(); ++i) {
    for (size_t j = 0; j < values[i].size(); ++j) {
      SetValue(row + static_cast<int>(i), column + static_cast<int>(j), values[i][j]);
    }
  }
}

void TovWorksheet::PasteText(int row, int column, const std::string& text) {
  const TPasteLines lines = ParsePasteText(text);
  for (size_t i = 0; i < lines.size(); ++i) {
    for (size_t j = 0; j < lines[i].size(); ++j) {
      SetText(row + static_cast<int>(i), column + static_cast<int>(j), lines[i][j]);
    }
  }
}

void TovWorksheet::CopyRange(const TCellRange& source, int row, int column, TovWorksheet* target) {
  TovWorksheet& to = target ? *target : *this;
  if (to.book_ != book_) Fail("別のブックへはセルをコピーできません。");
  CheckCell(source.Top, source.Left);
  CheckCell(source.Bottom, source.Right);
  const int dr = row - source.Top;
  const int dc = column - source.Left;
  CheckCell(row, column);
  CheckCell(source.Bottom + dr, source.Right + dc);
  TovWorkbook::TImpl& book = *book_->impl_;
  book.Load(*data_);
  book.Load(*to.data_);
  // Taken first: the target may overlap the source.
  std::vector<std::tuple<int, int, TCell>> cells;
  for (auto r = data_->Rows.lower_bound(source.Top); r != data_->Rows.end() && r->first <= source.Bottom; ++r) {
    for (auto c = r->second.Cells.lower_bound(source.Left); c != r->second.Cells.end() && c->first <= source.Right;
         ++c) {
      TCell cell = c->second;
      // A formula would need its references moved: the copy keeps its value.
      if (!cell.Formula.empty()) {
        cell.Formula.clear();
        if (cell.Type == "str") cell.Type = "inlineStr";
      }
      cells.emplace_back(r->first + dr, c->first + dc, std::move(cell));
    }
  }
  std::vector<TCellRange> merges;
  for (const TCellRange& m : data_->Merges) {
    if (Inside(m, source)) merges.push_back({m.Top + dr, m.Left + dc, m.Bottom + dr, m.Right + dc});
  }
  const TCellRange destination{row, column, source.Bottom + dr, source.Right + dc};
  for (auto r = to.data_->Rows.lower_bound(destination.Top);
       r != to.data_->Rows.end() && r->first <= destination.Bottom; ++r) {
    auto& rowCells = r->second.Cells;
    rowCells.erase(rowCells.lower_bound(destination.Left), rowCells.upper_bound(destination.Right));
  }
  std::erase_if(to.data_->Merges, [&](const TCellRange& m) { return Intersects(m, destination); });
  for (auto& [r, c, cell] : cells) to.data_->Rows[r].Cells[c] = std::move(cell);
  to.data_->Merges.insert(to.data_->Merges.end(), merges.begin(), merges.end());
  to.data_->Dirty = true;
}

double TovWorksheet::ColumnWidth(int column) const {
  CheckCell(1, column);
  book_->impl_->Load(*data_);
  const auto c = data_->Columns.find(column);
  double stored = 0;
  if (c != data_->Columns.end()) {
    if (auto w = c->second.find("width"); w != c->second.end()) stored = w->second.toDouble();
  }
  if (stored <= 0) return kDefaultColumnWidth;
  const double characters = (stored * kMaxDigitWidth - kCellPadding) / kMaxDigitWidth;
  return std::round(characters * kHundredths) / kHundredths;
}

void TovWorksheet::SetColumnWidth(int column, double width) {
  CheckCell(1, column);
  if (!(width >= 0)) Fail("列幅が正しくありません。");
  book_->impl_->Load(*data_);
  TAttributes& attributes = data_->Columns[column];
  attributes["width"] = QString::number(width == 0 ? 0 : StoredWidth(width), 'g', kDoublePrecision);
  attributes["customWidth"] = "1";
  data_->Dirty = true;
}

void TovWorksheet::SetColumnNumberFormat(int column, const std::string& format) {
  CheckCell(1, column);
  TovWorkbook::TImpl& book = *book_->impl_;
  book.Load(*data_);
  TAttributes& attributes = data_->Columns[column];
  int style = 0;
  if (auto s = attributes.find("style"); s != attributes.end()) ParseInt(s->second, style);
  attributes["style"] = QString::number(book.StyleWithFormat(style, format));
  // A column entry without a width would show the column at none.
  if (attributes.find("width") == attributes.end()) {
    attributes["width"] = QString::number(StoredWidth(kDefaultColumnWidth), 'g', kDoublePrecision);
  }
  for (auto& [r, row] : data_->Rows) {
    if (auto c = row.Cells.find(column); c != row.Cells.end()) {
      c->second.Style = book.StyleWithFormat(c->second.Style, format);
    }
  }
  data_->Dirty = true;
}

void TovWorksheet::SetRowNumberFormat(int row, const std::string& format) {
  CheckCell(row, 1);
  TovWorkbook::TImpl& book = *book_->impl_;
  book.Load(*data_);
  TRowData& data = data_->Rows[row];
  int style = 0;
  for (const auto& [name, value] : data.Attributes)
    if (name == "s") ParseInt(value, style);
  std::erase_if(data.Attributes, [](const auto& a) { return a.first == "s" || a.first == "customFormat"; });
  data.Attributes.emplace_back("s", QString::number(book.StyleWithFormat(style, format)));
  data.Attributes.emplace_back("customFormat", "1");
  for (auto& [column, cell] : data.Cells) cell.Style = book.StyleWithFormat(cell.Style, format);
  data_->Dirty = true;
}

std::string TovWorksheet::NumberFormat(int row, int column) const {
  CheckCell(row, column);
  TovWorkbook::TImpl& book = *book_->impl_;
  book.Load(*data_);
  return book.StyleFormatCode(EffectiveStyle(*data_, row, column));
}

// ---- the workbook ----

TovWorkbook::TovWorkbook(std::unique_ptr<TImpl> impl) : impl_(std::move(impl)) {}
TovWorkbook::~TovWorkbook() = default;

namespace {
// Every entry of the archive, bounded in size.
std::vector<std::pair<std::string, std::string>> ReadPackage(const std::string& path) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
  if (!archive) NotAWorkbook(path);
  std::unique_ptr<zip_t, decltype(&zip_discard)> owner(archive, &zip_discard);
  std::vector<std::pair<std::string, std::string>> parts;
  zip_uint64_t total = 0;
  const zip_int64_t count = zip_get_num_entries(archive, 0);
  std::vector<char> buffer(kReadChunk);
  for (zip_int64_t i = 0; i < count; ++i) {
    const char* name = zip_get_name(archive, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_GUESS);
    if (!name) NotAWorkbook(path);
    const std::string partName = name;
    if (partName.empty() || partName.back() == '/') continue;
    zip_file_t* file = zip_fopen_index(archive, static_cast<zip_uint64_t>(i), 0);
    if (!file) NotAWorkbook(path);
    std::unique_ptr<zip_file_t, decltype(&zip_fclose)> fileOwner(file, &zip_fclose);
    std::string bytes;
    for (;;) {
      const zip_int64_t read = zip_fread(file, buffer.data(), buffer.size());
      if (read < 0) NotAWorkbook(path);
      if (read == 0) break;
      bytes.append(buffer.data(), static_cast<size_t>(read));
      total += static_cast<zip_uint64_t>(read);
      if (bytes.size() > kMaxPartSize || total > kMaxPackageSize) NotAWorkbook(path);
    }
    parts.emplace_back(partName, std::move(bytes));
  }
  return parts;
}

bool StartsWithCompoundMagic(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  unsigned char head[sizeof kCompoundFileMagic] = {};
  const ssize_t read = ::read(fd, head, sizeof head);
  ::close(fd);
  return read == static_cast<ssize_t>(sizeof head) && std::memcmp(head, kCompoundFileMagic, sizeof head) == 0;
}
}  // namespace

std::unique_ptr<TovWorkbook> TovWorkbook::Open(const std::string& path) {
  CheckWorkbookPath(path);
  if (!QFileInfo(Q(path)).isFile()) Fail(path + " が存在しません。");
  if (StartsWithCompoundMagic(path)) XlsRefused(path);
  auto impl = std::make_unique<TImpl>();
  impl->Path = path;
  impl->Parts = ReadPackage(path);
  impl->ContentTypes = ParseXml(impl->PartBytes(kContentTypesPart), path);
  const QDomDocument rootRels = ParseXml(impl->PartBytes(kRootRelsPart), path);
  for (const QDomElement& rel : Children(rootRels.documentElement(), "Relationship")) {
    if (rel.attribute("Type").endsWith(kOfficeDocumentRel)) {
      impl->WorkbookPart = ResolveTarget("", S(rel.attribute("Target")));
    }
  }
  if (impl->WorkbookPart.empty()) NotAWorkbook(path);
  impl->Workbook = ParseXml(impl->PartBytes(impl->WorkbookPart), path);
  if (LocalName(impl->Workbook.documentElement().tagName()) != "workbook") NotAWorkbook(path);
  impl->WorkbookRels = ParseXml(impl->PartBytes(RelsPartOf(impl->WorkbookPart)), path);
  for (const QDomElement& s : Children(impl->SheetsElement(), "sheet")) {
    auto sheet = std::make_unique<TWorksheetData>();
    sheet->Name = S(s.attribute("name"));
    sheet->SheetElement = s;
    const QString id = s.attribute(RelIdOf(s));
    for (const QDomElement& rel : Children(impl->WorkbookRels.documentElement(), "Relationship")) {
      if (rel.attribute("Id") == id) sheet->PartName = ResolveTarget(impl->WorkbookPart, S(rel.attribute("Target")));
    }
    if (sheet->PartName.empty() || !impl->FindPart(sheet->PartName)) NotAWorkbook(path);
    impl->Sheets.push_back(std::move(sheet));
  }
  if (impl->Sheets.empty()) NotAWorkbook(path);
  return std::unique_ptr<TovWorkbook>(new TovWorkbook(std::move(impl)));
}

std::unique_ptr<TovWorkbook> TovWorkbook::Add(int sheets) {
  auto impl = std::make_unique<TImpl>();
  impl->Path = kNewBookName;
  impl->WorkbookPart = "xl/workbook.xml";
  impl->ContentTypes = ParseXml(kNewContentTypes, impl->Path);
  impl->Workbook = ParseXml(kNewWorkbook, impl->Path);
  impl->WorkbookRels = ParseXml(kNewWorkbookRels, impl->Path);
  // The package order puts the content types first.
  impl->SetPart(kContentTypesPart, "");
  impl->SetPart(kRootRelsPart, std::string(kXmlDeclaration) + kNewRootRels);
  impl->SetPart(impl->WorkbookPart, "");
  impl->SetPart(RelsPartOf(impl->WorkbookPart), "");
  impl->SetPart("xl/styles.xml", std::string(kXmlDeclaration) + kNewStyles);
  for (int i = 0; i < std::max(1, sheets); ++i) {
    impl->InsertSheet(impl->NewSheetData(kNewSheetName + std::to_string(i + 1), std::string(kXmlDeclaration) + kNewSheet),
                      i);
  }
  std::unique_ptr<TovWorkbook> book(new TovWorkbook(std::move(impl)));
  book->Sheet(0).Activate();
  return book;
}

int TovWorkbook::SheetCount() const { return static_cast<int>(impl_->Sheets.size()); }

TovWorksheet TovWorkbook::Sheet(int index) { return TovWorksheet(*this, impl_->SheetAt(index)); }

std::unique_ptr<TovWorksheet> TovWorkbook::FindSheet(const std::string& name) {
  for (const auto& sheet : impl_->Sheets) {
    if (SameName(sheet->Name, name)) return std::make_unique<TovWorksheet>(*this, *sheet);
  }
  return nullptr;
}

TovWorksheet TovWorkbook::ActiveSheet() { return Sheet(impl_->ActiveIndex()); }
int TovWorkbook::ActiveSheetIndex() const { return impl_->ActiveIndex(); }

TovWorksheet TovWorkbook::AddSheet() {
  std::string name;
  for (int n = 1; name.empty(); ++n) {
    const std::string candidate = kNewSheetName + std::to_string(n);
    if (!FindSheet(candidate)) name = candidate;
  }
  const int before = impl_->ActiveIndex();
  impl_->InsertSheet(impl_->NewSheetData(name, std::string(kXmlDeclaration) + kNewSheet), before);
  TovWorksheet sheet = Sheet(before);
  sheet.Activate();
  return sheet;
}

namespace {
// The copy of a sheet has no relationships of its own: what points at the
// source's drawings, comments, tables or printer settings is left out.
void DropRelationships(QDomElement root) {
  std::vector<QDomElement> linked;
  std::vector<QDomElement> stack{root};
  while (!stack.empty()) {
    QDomElement e = stack.back();
    stack.pop_back();
    const QString id = RelIdOf(e);
    if (!id.isEmpty()) {
      if (LocalName(e.tagName()) == "pageSetup") {
        e.removeAttribute(id);
      } else {
        linked.push_back(e);
        continue;
      }
    }
    for (QDomElement child = e.firstChildElement(); !child.isNull(); child = child.nextSiblingElement()) {
      stack.push_back(child);
    }
  }
  for (const QDomElement& e : linked) {
    QDomNode parent = e.parentNode();
    parent.removeChild(e);
    if (parent != root && parent.toElement().firstChildElement().isNull()) parent.parentNode().removeChild(parent);
  }
}
}  // namespace

TovWorksheet TovWorkbook::CopySheet(int index, int before) {
  TImpl& book = *impl_;
  TWorksheetData& source = book.SheetAt(index);
  if (before < 0 || before > SheetCount()) {
    Fail("シートのインデックスが範囲を超えています (" + std::to_string(before) + ")");
  }
  book.Load(source);
  // "<name> (2)", or the next number free, kept within a name's length.
  std::string name;
  for (int n = 2; name.empty(); ++n) {
    const QString suffix = QString(" (%1)").arg(n);
    const std::string candidate = S(Q(source.Name).left(kMaxSheetNameLength - suffix.size()) + suffix);
    if (!FindSheet(candidate)) name = candidate;
  }
  auto copy = book.NewSheetData(name, "");
  copy->Dom = source.Dom.cloneNode(true).toDocument();
  copy->Rows = source.Rows;
  copy->Columns = source.Columns;
  copy->Merges = source.Merges;
  copy->Loaded = true;
  copy->Dirty = true;
  QDomElement root = copy->Dom.documentElement();
  DropRelationships(root);
  for (QDomElement view : Children(Child(root, "sheetViews"), "sheetView")) view.removeAttribute("tabSelected");
  const int sourceIndex = index >= before ? index + 1 : index;
  book.InsertSheet(std::move(copy), before);
  // The source's own names (print area, print titles) are the copy's too.
  QDomElement names = Child(book.Workbook.documentElement(), "definedNames");
  for (const QDomElement& n : Children(names, "definedName")) {
    if (n.attribute("localSheetId") != QString::number(sourceIndex)) continue;
    QDomElement copied = n.cloneNode(true).toElement();
    copied.setAttribute("localSheetId", before);
    SetElementText(book.Workbook, copied, RenameSheetReferences(copied.text(), source.Name, name));
    names.insertAfter(copied, n);
  }
  TovWorksheet sheet = Sheet(before);
  sheet.Activate();
  return sheet;
}

void TovWorkbook::DeleteSheet(int index) {
  TImpl& book = *impl_;
  TWorksheetData& sheet = book.SheetAt(index);
  if (SheetCount() == 1) Fail("ブックには少なくとも1枚のシートが必要です。");
  const int active = book.ActiveIndex();
  book.SheetsElement().removeChild(sheet.SheetElement);
  book.RemoveRel(sheet.SheetElement.attribute(RelIdOf(sheet.SheetElement)));
  book.RemoveOverride(sheet.PartName);
  book.RemovePart(sheet.PartName);
  book.RemovePart(RelsPartOf(sheet.PartName));
  book.Sheets.erase(book.Sheets.begin() + index);
  book.ShiftLocalNames(index, -1);
  book.StructureChanged = true;
  Sheet(active > index ? active - 1 : std::min(active, SheetCount() - 1)).Activate();
}

namespace {
// Removes the file it names unless released.
class TTempFile {
 public:
  explicit TTempFile(std::string path) : path_(std::move(path)) {}
  ~TTempFile() {
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  TTempFile(const TTempFile&) = delete;
  TTempFile& operator=(const TTempFile&) = delete;
  const std::string& Path() const { return path_; }
  void Release() { path_.clear(); }

 private:
  std::string path_;
};

constexpr mode_t kNewFileMode = 0666;
constexpr mode_t kPermissionBits = 0777;

// A replaced file keeps its permissions; a new one gets the usual ones.
mode_t TargetMode(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0) return info.st_mode & kPermissionBits;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return kNewFileMode & ~mask;
}
}  // namespace

void TovWorkbook::SaveAs(const std::string& path) {
  CheckWorkbookPath(path);
  TImpl& book = *impl_;
  const QFileInfo target(Q(path));
  const std::string failed = path + " に保存できませんでした。";
  if (!QDir().mkpath(target.absolutePath())) Fail(failed);
  // The parts that changed are written anew; the rest as they were read.
  bool changed = book.StructureChanged || book.StylesDirty;
  for (const auto& sheet : book.Sheets) {
    if (sheet->Dirty) {
      book.SetPart(sheet->PartName, book.SheetXml(*sheet));
      changed = true;
    }
  }
  if (book.StylesDirty) book.SetPart(book.StylesPart, XmlText(book.Styles));
  if (changed) {
    // The calculation chain names cells of the sheets as they were; the
    // spreadsheet program builds it again.
    const QDomElement chain = book.RelOfType(kCalcChainRel);
    if (!chain.isNull()) {
      const std::string part = ResolveTarget(book.WorkbookPart, S(chain.attribute("Target")));
      book.RemovePart(part);
      book.RemoveOverride(part);
      book.RemoveRel(chain.attribute("Id"));
    }
    book.SetPart(book.WorkbookPart, XmlText(book.Workbook));
    book.SetPart(RelsPartOf(book.WorkbookPart), XmlText(book.WorkbookRels));
    book.SetPart(kContentTypesPart, XmlText(book.ContentTypes));
  }

  std::string pattern = S(target.absolutePath()) + "/." + S(target.fileName()) + ".XXXXXX";
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) Fail(failed + std::strerror(errno));
  ::close(fd);
  TTempFile temp(pattern);
  int error = 0;
  zip_t* archive = zip_open(temp.Path().c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (!archive) Fail(failed);
  for (const auto& [name, bytes] : book.Parts) {
    zip_source_t* source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
    if (!source || zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE) < 0) {
      if (source) zip_source_free(source);
      const std::string reason = zip_strerror(archive);
      zip_discard(archive);
      Fail(failed + reason);
    }
  }
  if (zip_close(archive) != 0) {
    const std::string reason = zip_strerror(archive);
    zip_discard(archive);
    Fail(failed + reason);
  }
  if (::chmod(temp.Path().c_str(), TargetMode(path)) != 0 || ::rename(temp.Path().c_str(), path.c_str()) != 0) {
    Fail(failed + std::strerror(errno));
  }
  temp.Release();
  book.Path = path;
}
