// ovdoc: the program's XML documents (root "OVDOC" with "OVDOC-VERSION")
// as far as the main window's menus read them: the user commands of
// ShareDir/USERCMD and the report definitions of ShareDir/xlsdef.
#pragma once

#include <cstdint>
#include <map>
#include <stdexcept>
#include <optional>
#include <string>
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

// One item of the report menu: caption and tag (0 an object-list report or
// an unreadable definition; else the output type + 1).
struct TReportEntry {
  std::string Name;
  int Tag = 0;

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
