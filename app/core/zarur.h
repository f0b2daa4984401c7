// zarur: the utility unit of orv: process-wide globals and folders, saved-
// password scrambling, message boxes, and the small text, identifier and
// value routines that nearly every window calls.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

// ---- process-wide globals and folders ----
#include "app/core/ovoptions.h"
#include "editor/core/ovmacro.h"

// Defined with the registry code (ovreg), which uses this unit.
class TovRegistry;

// The application title: main window caption and message-box caption.
inline constexpr const char* kApplicationTitle = "Orvanto for Symfoware";

// Folders, each ending in "/", read-only after InitFolders.
extern std::string ProgramDir;  // folder of the executable
extern std::string UserDir;     // the user's documents folder, else ProgramDir
extern std::string ShareDir;    // the shared data folder plus "ORV/", else ProgramDir
// The one registry object of the program, rooted at the current user.
extern TovRegistry AppRegistry;
// File names of the SQL history, loaded and saved by the main window.
extern std::vector<std::string> SQLLogFiles;
// Reserved words the SQL editors colour, filled by LoadOptions.
extern std::vector<std::string> EditorReserveWords;
// The one keyboard-macro list every SQL editor is given.
extern TovMacroList SharedMacroList;
// The program's date formats, set from the DateFormat setting at start.
extern std::string ShortDateFormat;
extern std::string LongDateFormat;

struct TovFolders {
  std::string ProgramDir;
  std::string UserDir;
  std::string ShareDir;
};
// The three folders from the executable's path and the folders the platform
// gives (empty when it gives none).
TovFolders ResolveFolders(const std::string& executable, const std::string& documents,
                          const std::string& sharedData);
// Resolves the folders from the platform into the globals and creates UserDir
// and ShareDir with their parents (a failure to create is left to the Parts
// that later write there).
void InitFolders();

// ---- saved-password scrambling ----

// A printable text of 2n + 4 characters (n the password's length padded to
// at least 64 bytes), different at each call; empty for an empty password.
std::string ScramblePassword(const std::string& password);
// The same with the key and the three fillers given (each 0-15), in the
// order the random draws take them.
std::string ScramblePasswordWith(const std::string& password, int key, int filler1, int filler2, int filler3);
// The password of a scrambled text; empty for an empty or undecodable text.
std::string UnscramblePassword(const std::string& scrambled);

// ---- message boxes and input dialog ----
#include <concepts>
#include <variant>

#include "platform/dialogs.h"

// Windows message-box flags: button set, icon and default button.
inline constexpr int MB_OK = 0x00;
inline constexpr int MB_OKCANCEL = 0x01;
inline constexpr int MB_ABORTRETRYIGNORE = 0x02;
inline constexpr int MB_YESNOCANCEL = 0x03;
inline constexpr int MB_YESNO = 0x04;
inline constexpr int MB_RETRYCANCEL = 0x05;
inline constexpr int MB_ICONERROR = 0x10;
inline constexpr int MB_ICONQUESTION = 0x20;
inline constexpr int MB_ICONWARNING = 0x30;
inline constexpr int MB_ICONINFORMATION = 0x40;
inline constexpr int MB_DEFBUTTON2 = 0x100;
inline constexpr int MB_DEFBUTTON3 = 0x200;
inline constexpr int MB_DEFBUTTON4 = 0x300;

// Answers: the Windows button identifiers, and 8 for any other ending of
// MsgBoxWithChecks.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;
inline constexpr int IDOTHEREND = 8;

// One check box per entry; each entry's state is shown and written back.
using TCheckList = std::vector<platform::DialogCheck>;

// One argument of Format.
class FormatArg {
 public:
  template <std::integral T>
  FormatArg(T value) : value_(static_cast<long long>(value)) {}
  FormatArg(double value) : value_(value) {}
  FormatArg(const char* value) : value_(std::string(value)) {}
  FormatArg(std::string value) : value_(std::move(value)) {}
  const std::variant<long long, double, std::string>& Value() const { return value_; }

 private:
  std::variant<long long, double, std::string> value_;
};

// printf-style formatting of %d %u %x %X %f %e %g %s %c and %%, with flags
// "-" and "0", width and precision. Widths and precisions of %s count
// display columns. A placeholder without a fitting argument throws
// std::invalid_argument.
std::string Format(const std::string& format, const std::vector<FormatArg>& args);

// Shows a message box captioned with the application title after pending
// events were processed; returns the button identifier.
int MsgBox(const std::string& text, int flags);
int MsgBoxFmt(const std::string& format, const std::vector<FormatArg>& args, int flags);
// A message dialog with one check box per entry of `checks`; the boxes'
// states are written back whatever the answer. Returns IDOK..IDNO or
// IDOTHEREND.
int MsgBoxWithChecks(const std::string& text, int flags, TCheckList& checks);
// Asks for one text (numeric: at most 9 digits, else at most 255
// characters). True on OK, then `value` and `checks` hold the answer; on
// Cancel nothing changes.
bool InputDialog(const std::string& caption, const std::string& prompt, std::string& value, bool numeric,
                 TCheckList& checks);

// ---- text, identifier and value helpers ----
#include <QDateTime>
#include <QVariant>

using TAryStr = std::vector<std::string>;
using TAryAryStr = std::vector<TAryStr>;

// Where the program counts the bytes of a text it counts display columns:
// 2 for a wide or full-width character, 1 for any other (and for each byte
// that is not valid UTF-8).
int DisplayWidth(const std::string& text);
// The longest head of `text` at most `columns` wide; never splits a character.
std::string CutToWidth(const std::string& text, int columns);

// Removes the characters up to and including the blank (control characters
// and blanks) at both ends.
std::string Trim(const std::string& text);
// Upper case of every letter, multi-byte characters included.
std::string UpperCase(const std::string& text);

// The name as written into generated SQL: double-quoted when it is not all
// upper case, has blanks or control characters at its ends, holds "-" or a
// parenthesis, or when UserLowerName is on; "PUBLIC" stays bare.
std::string QuoteIdent(const std::string& name);
// The text as an SQL string literal.
std::string QuoteStr(const std::string& text);

// Removes blanks, TABs, CRs and LFs at both ends.
std::string TrimBlanks(const std::string& text);
// Positions are 1-based byte positions of the UTF-8 text, as PosFrom
// returns them.
std::string CopyRange(const std::string& text, int from, int to);
int PosFrom(const std::string& sub, const std::string& text, int start);
bool MatchesAny(const std::string& text, const std::vector<std::string>& list);
bool ContainsAny(const std::string& text, const std::vector<std::string>& list, bool exact);
// Every byte of the text as two upper-case hexadecimal digits.
std::string StrToHex(const std::string& text);

// Splits tool output into a rectangular table: the first `headingCount`
// lines whole and trimmed in column 0, every other line cut at each run of
// `separator` into trimmed fields.
TAryAryStr SplitToArray(const TAryStr& lines, char separator, int headingCount);
TAryAryStr SplitListToArray(const std::vector<std::string>& list, char separator, int headingCount = 0);

// `fileName` when no such file exists, else the first free name with a
// counter ("01", "02", ... "99", "100", ...) before the extension.
std::string UniqueFileName(const std::string& fileName);

// With the NullLine setting on, removes the empty entries; else does nothing.
void DeleteEmptyLines(std::vector<std::string>& list);

// A field or attribute value converted, or `def` when it is Null or cannot
// be converted. Never throw.
double VarToFloatDef(const QVariant& value, double def);
int VarToIntDef(const QVariant& value, int def);
QDateTime VarToDateTimeDef(const QVariant& value, const QDateTime& def);

// Makes the focused control take over the value being typed (its leave
// handling runs) before an action reads the window's controls. Both go
// through the platform's window-input seam.
void FlushActiveControl();
// Called by long loops between items: processes the pending events, holding
// user input back from the windows until the loop returns to the event loop;
// true when Esc was pressed meanwhile and a window of the program is active.
bool IsEscapePressed();

// How often a long loop repaints its progress and polls Esc: painting and
// polling per item would cost more than the items themselves.
inline constexpr int kProgressPaceMillis = 100;

// Due at the first item, then once `intervalMillis` have passed since it was
// last due.
class TProgressPace {
 public:
  explicit TProgressPace(int intervalMillis = kProgressPaceMillis) : interval_(intervalMillis) {}
  bool Due();

 private:
  std::chrono::milliseconds interval_;
  std::optional<std::chrono::steady_clock::time_point> last_;
};

// ---- file names and creation times ----
// The filter of the file dialogs that open and save SQL scripts.
inline constexpr char kSQLFileFilter[] = "SQLファイル(*.sql);;テキストファイル(*.txt);;すべてのファイル(*.*)";
// The name without the characters that file names cannot hold:
// / * ? \ : < > " |
std::string SanitizeFileName(const std::string& name);
// Display text of a catalogue creation time, at most 255 columns; empty for
// an empty input.
std::string CreateTimeText(const std::string& createTime);
