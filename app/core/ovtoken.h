// ovtoken: cuts a text into tokens from its front (delimiters, numbers,
// words, quoted texts), for the clause reader of the SQL workbench.
#pragma once

#include <string>
#include <string_view>

// Kinds returned by ExtractToken.
inline constexpr int tkNone = 0;       // the text was empty or held only blanks and TABs
inline constexpr int tkDelimiter = 1;  // one delimiter character, CR and LF included
inline constexpr int tkNumber = 2;     // begins with a digit; ends before a delimiter or quote
inline constexpr int tkWord = 3;       // begins with any other character
inline constexpr int tkQuoted = 4;     // a quoted text with its quotes; may lack the closing one

// Removes the next token and the blanks and TABs before it from the front of
// `text`, stores it in `token` and returns its kind. Bytes are classified
// one by one, so the bytes of a multi-byte character belong to a word.
// The text is a view that moves past what was taken: cutting a whole text
// token by token costs its length once, not once per token.
int ExtractToken(std::string_view& text, std::string& token);

// True when the shorter of the two is a prefix of the longer (byte-wise,
// case-sensitive); two empty strings agree, one empty string does not.
bool StrCmpBegin(const std::string& a, const std::string& b);
