// textfile: whole text files read and written as the program keeps text:
// read as UTF-8, else CP932; written as UTF-8, replacing the file only
// once the new text is written whole.
#pragma once

#include <string>

namespace platform {

// The file's text as UTF-8; a Ctrl-Z as its last byte ends the text.
// Throws std::runtime_error "<path>: <system's reason>" when it cannot be
// read.
std::string ReadTextFile(const std::string& path);
// Replaces the file with `text`; on failure the old file stays and
// std::runtime_error "<path>: <system's reason>" is thrown.
void WriteTextFile(const std::string& path, const std::string& text);

}  // namespace platform
