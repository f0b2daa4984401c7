// foptioncore: the rules of the program options dialog without its window:
// the groups of the short-cut tree, which key a short-cut may take, the
// checks of "OK" and how a folder box is stored.
#pragma once

#include <optional>
#include <string>
#include <vector>

// The short-cut tree: six group nodes, each with its actions in order.
struct TShortCutGroup {
  std::string Caption;
  std::vector<std::string> Actions;
};
const std::vector<TShortCutGroup>& ShortCutGroups();

// True when a short-cut code (ovshortcut: virtual key in the low byte,
// Shift, Ctrl and Alt above it) may be given to an action: digits and
// letters only with a modifier; F1 to F10 and the punctuation keys with or
// without. Space, which clears, is not such a key.
bool ShortCutKeyAccepted(int code);
// The virtual key that clears a node's short-cut.
inline constexpr int kClearShortCutKey = 0x20;

// The values the checks of "OK" read, as the boxes give them.
struct TOptionCheckValues {
  int DataFontSize = 0;
  int DiagramFontSize = 0;
  int GridFontSize = 0;
  int DefTopRecord = 0;
  int SQLTop = 0;  // as shown: ExcelTop + 1
  int MatrixRow = 0;
  int MatrixCol = 0;
};
// The boxes the checks name, in check order.
enum TOptionCheckBox { ocDataFontSize, ocDiagramFontSize, ocGridFontSize, ocDefTopRecord, ocSQLTop, ocMatrixRow, ocMatrixCol };
struct TOptionCheckFailure {
  TOptionCheckBox Box;
  std::string Page;
  std::string Message;

  friend bool operator==(const TOptionCheckFailure&, const TOptionCheckFailure&) = default;
};
// The first check that fails, in the dialog's order; none when all pass.
std::optional<TOptionCheckFailure> FirstFailingOptionCheck(const TOptionCheckValues& values);

// A folder box's text as stored: an empty box takes the option's default
// folder; any other text is trimmed and ends with one "/".
std::string StoredFolder(const std::string& text, const std::string& defaultFolder);
