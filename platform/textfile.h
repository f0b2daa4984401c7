// textfile: whole text files read and written as the program keeps text:
// read as UTF-8, else CP932; written as UTF-8, replacing the file only
// once the new text is written whole. Every place that reads a text file
// into an editor or a list reads it here, so a text saved unchanged reads
// back the same.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace platform {

// Told after each block read: the bytes read so far and the file's size;
// false stops the reading.
using ReadProgress = std::function<bool(int64_t done, int64_t total)>;

// The file's text as UTF-8. A Ctrl-Z byte ends the text (the end-of-file
// mark of old Windows text files); in a file that is not UTF-8, a byte that
// CP932 cannot decode becomes U+FFFD, never a control character.
// Throws std::runtime_error "<path>: <system's reason>" when it cannot be
// read.
std::string ReadTextFile(const std::string& path);
// The same, telling `progress` after each block; nothing when it stopped
// the reading.
std::optional<std::string> ReadTextFile(const std::string& path, const ReadProgress& progress);
// True when the file's first block holds a NUL byte, which no text file
// does: the file is most likely not text. Throws as ReadTextFile.
bool StartsAsBinary(const std::string& path);
// Replaces the file with `text`; on failure the old file stays and
// std::runtime_error "<path>: <system's reason>" is thrown.
void WriteTextFile(const std::string& path, const std::string& text);

}  // namespace platform
