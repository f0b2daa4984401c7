// fmaineditcore: what the main window's edit actions do to the focused
// SQL editor or edit box, without the window: search and replace with their
// messages, the line jump, SQL formatting with its line limit, case change,
// and the transaction end of commit and rollback.
#pragma once

#include <functional>
#include <string>

class TovEditCommands;
class TovEditorCommands;
class TTransactionPort;

inline constexpr const char* kReplaceCountText = "個の置換を行いました。";
// The message panel while replace-all runs, after the count so far.
inline constexpr const char* kReplacingText = "個を置換中...";
inline constexpr const char* kJumpCaption = "行ジャンプ";
inline constexpr const char* kJumpPrompt = "指定行";
inline constexpr const char* kFormatTooLongText = "1行の文字数が1000文字を超えているため、整形できません。";
// The widest line SQL formatting takes, in display columns.
inline constexpr int kFormatLineLimit = 1000;

// Searches the editor; nothing found shows "検索文字列 <text> は見つかりませんでした。".
bool FindInEditor(TovEditorCommands& editor, const std::string& text, bool forward, bool matchCase);
// Replaces the selection when it is the find text, then looks for the next
// hit; none shows "検索文字列<text>は見つかりませんでした。".
void ReplaceInEditor(TovEditorCommands& editor, const std::string& findText, const std::string& replaceText,
                     bool matchCase);
// Told the replacements made so far while replace-all runs.
using TReplaceProgress = std::function<void(int count)>;
// Replaces every hit from the start of the text in one pass and one undo
// step, and shows how many; Esc between replacements keeps those made.
int ReplaceAllInEditor(TovEditorCommands& editor, const std::string& findText, const std::string& replaceText,
                       bool matchCase, const TReplaceProgress& progress = {});
// Asks for a line and jumps to it; a line that is no number or beyond the
// reachable rows shows "指定行 <text> は見つかりませんでした。".
void JumpInEditor(TovEditorCommands& editor);

// The SQL formatter the action applies (FormatSQL in the program).
using TSqlFormatter = std::function<std::string(const std::string&)>;
// Formats the editor's text, or its selection widened to the start of its
// first line, and shows the view from the first column again; refuses a
// text with a line wider than kFormatLineLimit.
void FormatInEditor(TovEditorCommands& editor, const TSqlFormatter& formatter);

// Replaces the selection by its upper- or lower-case form.
void ChangeSelectionCase(TovEditCommands& commands, bool upper);

// The main window's commit or rollback: ends an open transaction, begins
// the next unless AutoCommit is on, and returns the status text.
std::string EndTransaction(TTransactionPort& tx, bool commit, bool autoCommit, const std::string& label);
