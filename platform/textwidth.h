// textwidth: how wide a character shows in a fixed-pitch cell grid, and the
// UTF-8 reader behind it. One table for every unit that counts columns.
#pragma once

#include <cstddef>
#include <string_view>

// Code point of the valid UTF-8 character at `pos` and its length in bytes;
// 0 when the bytes there are not a valid character (overlong forms and
// surrogates included).
size_t DecodeUtf8(std::string_view text, size_t pos, char32_t& code);
// The first byte at or after `pos` that is not ASCII, or the text's size.
size_t SkipAscii(std::string_view text, size_t pos);
// East Asian Width W or F: two columns.
bool IsWideChar(char32_t code);
