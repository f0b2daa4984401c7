// ovformat: the SQL formatter. One pass over the text with a small state
// machine and no parser: clauses of SELECT, INSERT, UPDATE and DELETE start
// lines in a fixed keyword column, list items and conditions go one per
// line, and the blocks of stored routines are indented. Comments, quoted
// strings and quoted names are copied byte for byte. The FORMAT options
// (FormatOption) are read at every call. FormatSQLBlock prepares a routine's
// source text for it.
#pragma once

#include <string>
#include <string_view>

// The text laid out; the line breaks the formatter writes are CR LF.
std::string FormatSQL(std::string_view text);

// Lays out a routine's declaration text as its source window shows it:
// line breaks around "BEGIN", before the first "COMMENT", after every ";"
// and after "END  ", every line trimmed, then the SQL formatter.
void FormatSQLBlock(std::string& sql);
