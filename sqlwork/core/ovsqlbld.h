// ovsqlbld: the first-clause reader of the SQL workbench. Each routine takes
// the text by reference and consumes what it reads from its front; the
// statement classification of the SQL window reads one clause with them.
// Beside it, the editor text as lines and back, which the SQL window and
// the SQL builder share.
#pragma once

#include <string>
#include <vector>

// Comment kinds of SkipComments.
inline constexpr int kCommentsHash = 0;       // "#" lines
inline constexpr int kCommentsSql = 1;        // "--" lines and "/* */" blocks
inline constexpr int kCommentsSlashes = 2;    // "//" lines and "/* */" blocks
inline constexpr int kCommentsBlanksOnly = 3;  // blanks and TABs only

// Removes leading blanks and TABs; true when any were removed.
bool SkipBlanks(std::string& text);
// Removes everything up to and including the first LF, or the first CR when
// there is no LF; with neither, empties the text.
void SkipLine(std::string& text);
// Removes everything up to and including the first occurrence of `mark`;
// without one the rest of the text is taken (an unterminated comment runs
// to the end).
void SkipPast(std::string& text, const std::string& mark);
// Blanks and one comment of the kind at the front, repeated until a round
// removes no comment; true when anything was removed.
bool SkipComments(std::string& text, int commentKind);
// One word, number, quoted literal or delimiter, or a whole bracketed group,
// each token after the first preceded by one blank when blanks stood before
// it. Empty when the text is used up or begins with the stop token (either
// being a prefix of the other).
std::string ReadClause(std::string& text, const std::string& stopToken, int commentKind);
// ReadClause repeated while its result is a TAB, an LF or a CR alone.
std::string ReadNextClause(std::string& text, const std::string& stopToken, int commentKind);

// The statement's first clause, upper-cased, is SELECT, CREATE or DROP. The
// `Separator` option is the stop token.
bool IsSelectStatement(const std::string& text);
bool IsCreateStatement(const std::string& text);
bool IsDropStatement(const std::string& text);

// The lines of a text cut at LF, a CR before it dropped, and lines joined
// with CR LF as the editor holds them.
std::vector<std::string> SQLTextLines(const std::string& text);
std::string JoinSQLLines(const std::vector<std::string>& lines);
