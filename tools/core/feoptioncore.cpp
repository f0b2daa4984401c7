#include "tools/core/feoptioncore.h"

#include <QString>

#include "app/core/zarur.h"

namespace {

// The platform's named colours in their standard order (0x00BBGGRR); the
// grid takes the first 16.
constexpr TColor kNamedColors[] = {
    0x000000,  // black
    0x000080,  // maroon
    0x008000,  // green
    0x008080,  // olive
    0x800000,  // navy
    0x800080,  // purple
    0x808000,  // teal
    0x808080,  // gray
    0xC0C0C0,  // silver
    0x0000FF,  // red
    0x00FF00,  // lime
    0x00FFFF,  // yellow
    0xFF0000,  // blue
    0xFF00FF,  // fuchsia
    0xFFFF00,  // aqua
    0xFFFFFF,  // white
    0xC0DCC0,  // money green
    0xF0CAA6,  // sky blue
    0xF0FBFF,  // cream
    0xA4A0A0,  // medium gray
};
// The grid shows silver before gray.
constexpr size_t kGrayIndex = 7;
constexpr size_t kSilverIndex = 8;

constexpr char kLineBreak = '\n';
constexpr int kUnreadableSize = 10;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

const std::vector<TColor>& EditorColorList() {
  static const std::vector<TColor> list = [] {
    std::vector<TColor> colors;
    for (TColor color : kNamedColors)
      if (colors.size() < kGridColorCount) colors.push_back(color);
    std::swap(colors[kGrayIndex], colors[kSilverIndex]);
    colors.push_back(clNone);
    return colors;
  }();
  return list;
}

int EditorColorIndex(TColor color) {
  const std::vector<TColor>& list = EditorColorList();
  for (int i = 0; i < kGridColorCount; ++i)
    if (list[static_cast<size_t>(i)] == color) return i;
  return kNoColorIndex;
}

int FontSizeOfText(const std::string& text) {
  bool number = false;
  const int size = QString::fromStdString(text).trimmed().toInt(&number);
  return number ? size : kUnreadableSize;
}

std::optional<std::string> ReserveWordWithBlank(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    const std::string word = TrimBlanks(line);
    for (char c : word)
      if (IsBlank(c)) return word;
  }
  return std::nullopt;
}

std::vector<std::string> CleanReserveWords(const std::vector<std::string>& lines) {
  std::vector<std::string> trimmed;
  for (const std::string& line : lines) {
    std::string word = TrimBlanks(line);
    if (trimmed.empty() && word.empty()) continue;
    trimmed.push_back(std::move(word));
  }
  std::string text;
  for (size_t i = 0; i < trimmed.size(); ++i) text += (i ? std::string(1, kLineBreak) : "") + trimmed[i];
  // One pass: a pair of breaks becomes one, and the scan goes on after it.
  std::string joined;
  for (size_t i = 0; i < text.size(); ++i) {
    joined += text[i];
    if (text[i] == kLineBreak && i + 1 < text.size() && text[i + 1] == kLineBreak) ++i;
  }
  std::vector<std::string> words;
  if (trimmed.empty()) return words;
  size_t start = 0;
  for (size_t end; (end = joined.find(kLineBreak, start)) != std::string::npos; start = end + 1)
    words.push_back(joined.substr(start, end - start));
  words.push_back(joined.substr(start));
  return words;
}
