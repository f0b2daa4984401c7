// ovdoc: the program's XML documents (root "OVDOC" with "OVDOC-VERSION"):
// the user commands of ShareDir/USERCMD, the data generator's settings of
// ShareDir/DATAGEN and the report definitions of ShareDir/xlsdef. The one
// reader and writer of the format: the menus read what they list, the
// editors read and write whole documents.
#pragma once

#include <QDateTime>

#include <cstdint>
#include <map>
#include <stdexcept>
#include <optional>
#include <string>
#include <utility>
#include <vector>

inline constexpr const char* kUserCommandFolder = "USERCMD";
inline constexpr const char* kUserCommandExtension = ".cmd";
inline constexpr const char* kReportFolder = "xlsdef";
inline constexpr const char* kReportExtension = ".def";
// The child elements that name the two kinds.
inline constexpr const char* kUserCommandElement = "USERCMD";
inline constexpr const char* kReportElement = "XLSDEF";

// The highest document version this program reads.
inline constexpr double kDocVersion = 2;
// What a missing version attribute counts as: user commands take such a
// file, report definitions refuse it.
inline constexpr double kUserCommandMissingVersion = 0;
inline constexpr double kReportMissingVersion = 99.9;

// The attributes of the first child element named `kind` of an accepted
// document; nothing for a file that cannot be read, is not well-formed, has
// another root, a version that is no number or above kDocVersion, or no
// such child.
std::optional<std::map<std::string, std::string>> ReadDocElement(const std::string& path, const std::string& kind,
                                                                 double missingVersion);

// The folder `name` under `parent` ("/"-terminated) whatever the case of
// its name, "/"-terminated; nothing when there is none.
std::optional<std::string> FindFolderAnyCase(const std::string& parent, const std::string& name);
// The files of the folder with the extension (any case), by name ignoring
// case: each its path and its name without folder and extension.
struct TDocFile {
  std::string Path;
  std::string Name;
};
std::vector<TDocFile> ListDocFiles(const std::string& folder, const std::string& extension);

// One item of the user-command menu: caption, order, short-cut code (0 for
// none) and tag (its SEQ).
struct TUserCommandEntry {
  std::string Name;
  int Seq = 0;
  int ShortCut = 0;

  friend bool operator==(const TUserCommandEntry&, const TUserCommandEntry&) = default;
};
// The user commands under `shareDir` in menu order: by name, then the SEQ
// exchange pass (equal SEQs may leave name order).
std::vector<TUserCommandEntry> UserCommandMenuEntries(const std::string& shareDir);
// The exchange pass alone, on entries already in name order.
void OrderBySeq(std::vector<TUserCommandEntry>& entries);

// One item of the report menu: caption, tag (0 an object-list report or
// an unreadable definition; else the output type + 1) and short-cut (an
// ovshortcut code; a definition gives none, the menus copy the main
// window's item's).
struct TReportEntry {
  std::string Name;
  int Tag = 0;
  int ShortCut = 0;

  friend bool operator==(const TReportEntry&, const TReportEntry&) = default;
};
std::vector<TReportEntry> ReportMenuEntries(const std::string& shareDir);

// What a user command file says: ask first, run in SQL windows, go on
// after an error, and the statement text.
struct TUserCommand {
  bool Dialog = false;
  bool SQLWindow = false;
  bool Error = false;
  std::string SQL;

  friend bool operator==(const TUserCommand&, const TUserCommand&) = default;
};
// The user command `name` under `shareDir`; nothing for a file that
// cannot be read, is refused, has no USERCMD element or a flag that is no
// integer.
std::optional<TUserCommand> ReadUserCommand(const std::string& shareDir, const std::string& name);

// ---- report definitions ----

inline constexpr const char* kUnknownFormat = "指定されたファイルの形式を認識できません。";
inline constexpr const char* kUnsupportedVersion = "このバージョンのファイルには対応していません。";
// A definition that is no XML document at all.
class EDocFormatError : public std::runtime_error {
 public:
  EDocFormatError() : std::runtime_error(kUnknownFormat) {}
};

// One cell of a report: where (from 1) and which report item.
struct TReportPlacement {
  int32_t Row = 0;
  int32_t Col = 0;
  uint8_t Item = 0;

  friend bool operator==(const TReportPlacement&, const TReportPlacement&) = default;
};
// What the XLSDEF elements of a definition give; a later element replaces
// the form and the body values of an earlier one, the placements of all
// of them are kept in document order.
struct TReportDefinition {
  std::string Type;  // the report item key of the first XLSDEF ("TABLE", "VIEW")
  std::string XlsFile;
  int32_t BodyTop = 1;
  int32_t BodyCount = 1;
  std::vector<TReportPlacement> Header;
  std::vector<TReportPlacement> Body;
  // The second body of the table report: one record per unique
  // constraint and index.
  std::vector<TReportPlacement> Body2;
};
// The definition file `path`: EDocFormatError for a file that cannot be
// read as XML, kUnsupportedVersion for another root or a version missing,
// no number or above kDocVersion, and the conversion error for a BODYTOP
// or BODYCOUNT that is missing, no integer or below 1. A placement with a
// ROW or COL below 1 is left out. With `countFormatError` a BODYCOUNT
// that is an integer below 1 raises EDocFormatError instead.
TReportDefinition ReadReportDefinition(const std::string& path, bool countFormatError = false);
// The definition `name` under the shared folder.
std::string ReportDefinitionPath(const std::string& shareDir, const std::string& name);
// The form workbook of a definition saved as `output`: under the shared
// folder's xlsdef when it names no folder, and the same name with the
// output's extension when that file exists.
std::string ReportFormPath(const std::string& shareDir, const std::string& xlsFile, const std::string& output);
// The conversion error of a text that is no integer.
std::string InvalidIntegerText(const std::string& text);

// ---- whole documents: writing, and reading for the editors ----

inline constexpr const char* kDataGenFolder = "DATAGEN";
inline constexpr const char* kDataGenExtension = ".prm";
inline constexpr const char* kDataGenElement = "DATAGEN";
// The version every writer writes.
inline constexpr const char* kDocVersionText = "2";
// What every reader but the user-command menu takes for a missing version
// or one that is no number: refused.
inline constexpr double kMissingVersion = kReportMissingVersion;
inline constexpr const char* kInvalidNameMessage = "名前に使用できない文字が含まれています。";

// One element: its name, its attributes in written order, its children.
struct TDocElement {
  std::string Name;
  std::vector<std::pair<std::string, std::string>> Attributes;
  std::vector<TDocElement> Children;

  // The attribute's value, or none when the element lacks it.
  const std::string* Attribute(const std::string& name) const;
  void Add(const std::string& name, const std::string& value) { Attributes.emplace_back(name, value); }
};

// What the root of an accepted document holds: its version and its child
// elements in document order.
struct TDocument {
  double Version = 0;
  std::vector<TDocElement> Elements;
};

// Writes the document of one kind element to `path` whole (the old file
// stays when the write fails): root "OVDOC", version kDocVersionText, one
// element per line indented by depth; line breaks in values are kept as
// character references. The folder must exist. Throws with the system's
// text on failure.
void WriteDocument(const std::string& path, const TDocElement& kind);
// Reads `path`: EDocFormatError for a file that cannot be read or is not
// well-formed, kUnsupportedVersion for another root or a version above
// kDocVersion (a missing version or one that is no number counts as
// `missingVersion`).
TDocument ReadDocument(const std::string& path, double missingVersion = kMissingVersion);

// A name a document may be saved under: not empty, not "." or "..", and
// nothing SanitizeFileName would remove (no path separator among them).
bool IsDocumentName(const std::string& name);
// The folder of a kind under the shared folder: the existing one whatever
// its case, else `name` itself; "/"-terminated. EnsureDocFolder creates the
// latter when missing (parents too) and throws when it cannot.
std::string DocFolder(const std::string& shareDir, const std::string& name);
std::string EnsureDocFolder(const std::string& shareDir, const std::string& name);

// Attribute values as the documents write and read them. A value that
// cannot be converted reads as the default.
std::string RealText(double value);
double AttrReal(const std::string* text, double def = 0);
int32_t AttrInteger(const std::string* text, int32_t def = 0);
// Flags and booleans: any non-zero integer is set; "True" also for booleans.
bool AttrFlag(const std::string* text);
bool AttrBoolean(const std::string* text);
std::string BooleanText(bool value);
// "yyyy-mm-dd hh:nn:ss"; empty for no date (a null QDateTime). Reading
// takes that form, the date alone, and the same with "/" between the
// parts; anything else is no date.
std::string DateTimeText(const QDateTime& value);
QDateTime AttrDateTime(const std::string* text);
// A value list as one text: every line ended by CR LF; and back (a last
// line break adds no empty line; LF alone also ends a line).
std::string LinesWithBreaks(const std::vector<std::string>& lines);
std::vector<std::string> LinesOf(const std::string& text);

// ---- USERCMD documents ----

// A user command as its document holds it; its name is the file's.
struct TUserCommandDocument {
  int32_t Seq = 0;
  int32_t ShortCut = 0;
  TUserCommand Command;

  friend bool operator==(const TUserCommandDocument&, const TUserCommandDocument&) = default;
};
// The path of command `name` (in the folder found whatever its case).
std::string UserCommandPath(const std::string& shareDir, const std::string& name);
// Writes USERCMD/<name>.cmd (folder created); the name must pass
// IsDocumentName.
void WriteUserCommandDocument(const std::string& shareDir, const std::string& name, const TUserCommandDocument& doc);
// The first USERCMD element of the file (defaults without one); the
// failures of ReadDocument.
TUserCommandDocument ReadUserCommandDocument(const std::string& path);
// The commands under `shareDir` as the editor lists them: every file, by
// name then SEQ; a file that cannot be read or is refused (a missing
// version too) counts SEQ 0.
std::vector<TUserCommandEntry> UserCommandListEntries(const std::string& shareDir);
// The editor's and the menu's order: by name ignoring case, then the SEQ
// exchange pass.
void SortUserCommands(std::vector<TUserCommandEntry>& entries);

// ---- DATAGEN documents ----

// The stored part of one column's generation rule.
struct TDataGenColumn {
  std::string Name;
  int32_t SetType = 0;
  int32_t NullPar = 0;
  double NumFrom = 0;
  double NumTo = 0;
  double Marume = 0;
  int32_t StrType = 0;
  bool StrFull = false;
  bool FlgPrefix = false;
  std::string StrPrefix;
  std::string StrDigit;
  int32_t DateType = 0;
  QDateTime DateFrom;
  QDateTime DateTo;
  std::vector<std::string> Variable;
  std::string Temp1;
  std::string Temp2;
  std::string TempSep;
  std::string LinkOwner;
  std::string LinkTable;
  std::string LinkColumn;

  friend bool operator==(const TDataGenColumn&, const TDataGenColumn&) = default;
};
// The rule kind whose NULL ratio a read forces to 0: a fixed value.
inline constexpr int32_t kDataGenFixedValue = 7;
// The generator's settings for one table: the mode (0 normal, 1 rows
// under a parent table), the counts, the parent table and one rule per
// column in the generator's column order.
struct TDataGenDocument {
  int32_t Mode = 0;
  int32_t Count = 0;
  std::string MastOwner;
  std::string MastTable;
  int32_t CountF = 0;
  int32_t CountT = 0;
  std::vector<TDataGenColumn> Columns;

  friend bool operator==(const TDataGenDocument&, const TDataGenDocument&) = default;
};
// The file of the settings of `table`: its name after SanitizeFileName.
std::string DataGenPath(const std::string& shareDir, const std::string& table);
// Writes the settings of `table` (folder created); throws on failure.
void WriteDataGenDocument(const std::string& shareDir, const std::string& table, const TDataGenDocument& doc);
// Reads `path` into `doc`, whose columns the catalogue has filled (names
// set, rules cleared): a MODE of 0 or 1 sets the mode (another leaves it),
// the counts and the parent table are set, and each column element fills
// the first column of its name (the NAME attribute from version 2 on, the
// element's own name before) whole; an element naming no column is left
// out. A fixed-value rule reads NULL ratio 0. The failures of ReadDocument.
void ReadDataGenDocument(const std::string& path, TDataGenDocument& doc);

// ---- XLSDEF documents ----

// A report definition as its editor holds it. Type and the placements'
// items are rows of the report item table.
struct TXlsDefDocument {
  std::string XlsFile;
  int32_t BodyTop = 0;
  int32_t BodyCount = 0;
  int32_t OutputType = 0;
  uint8_t Type = 0;
  std::vector<TReportPlacement> Header;
  std::vector<TReportPlacement> Body;
  std::vector<TReportPlacement> Body2;

  friend bool operator==(const TXlsDefDocument&, const TXlsDefDocument&) = default;
};
// Writes xlsdef/<name>.def (folder created); the name must pass
// IsDocumentName. Items are written by key.
void WriteXlsDefDocument(const std::string& shareDir, const std::string& name, const TXlsDefDocument& doc);
// Every XLSDEF element in order: the scalars of the last, the placements of
// all (a key not in the table reads as row 0; ROW and COL 0 when missing).
// The failures of ReadDocument.
TXlsDefDocument ReadXlsDefDocument(const std::string& path);
