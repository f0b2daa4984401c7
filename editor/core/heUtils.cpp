#include "editor/core/heUtils.h"

#include <algorithm>

namespace {

bool InText(const TCellString& s, int i) { return i >= 1 && i <= s.Length(); }

}  // namespace

bool IsDBCS1(const TCellString& s, int i) { return InText(s, i) && s.Cell(i - 1).Type == TCellType::Lead; }

bool IsDBCS2(const TCellString& s, int i) { return InText(s, i) && s.Cell(i - 1).Type == TCellType::Trail; }

char32_t CharAt(const TCellString& s, int i) { return InText(s, i) ? s.Cell(i - 1).Code : 0; }

int CountChar(const TCellString& s, char32_t c, int n) {
  int count = 0;
  for (int i = 0; i < std::min(n, s.Length()); ++i) {
    if (s.Cell(i).Type == TCellType::Single && s.Cell(i).Code == c) ++count;
  }
  return count;
}

bool IncludeCharacter(const TCellString& ch, const TCellString& set) {
  if (ch.IsEmpty() || set.Length() < ch.Length()) return false;
  for (int i = 0; i + ch.Length() <= set.Length(); ++i) {
    if (set.Cell(i).Type == TCellType::Trail) continue;
    bool same = true;
    for (int k = 0; k < ch.Length() && same; ++k) {
      same = set.Cell(i + k).Code == ch.Cell(k).Code && set.Cell(i + k).Type == ch.Cell(k).Type;
    }
    if (same) return true;
  }
  return false;
}

int LeadingSpaceWidth(const TCellString& s) {
  if (s.IsEmpty()) return -1;
  int width = 0;
  while (width < s.Length() && (s.Cell(width).Code == ' ' || s.Cell(width).Code == kWideSpace)) ++width;
  return width;
}

void StrToStrings(const TCellString& text, TheStringList& lines) {
  lines.BeginUpdate();
  lines.Clear();
  if (!text.IsEmpty()) {
    const int lineFeeds = CountChar(text, '\n', text.Length());
    lines.SetCapacity(lineFeeds + (text.CodeAt(text.Length() - 1) == '\n' ? 0 : 1));
  }
  int start = 0;
  int i = 0;
  while (i < text.Length()) {
    const char32_t c = text.Cell(i).Code;
    if (c != '\r' && c != '\n') {
      ++i;
      continue;
    }
    lines.Add(text.Mid(start, i - start));
    i += (c == '\r' && text.CodeAt(i + 1) == '\n') ? 2 : 1;
    start = i;
  }
  if (start < text.Length()) lines.Add(text.Mid(start, text.Length() - start));
  lines.EndUpdate();
}
