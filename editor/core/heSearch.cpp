#include "editor/core/heSearch.h"

#include <QString>

#include <array>
#include <vector>

namespace {

constexpr char32_t kWideBlank = 0x3000;
constexpr char32_t kFirstPrintable = 0x21;
constexpr char32_t kLastPrintable = 0x7E;
constexpr char32_t kFullWidthFirst = 0xFF01;
// The half-width katakana and punctuation block and its full-width forms.
constexpr char32_t kHalfKanaFirst = 0xFF61;
constexpr char32_t kHalfKanaLast = 0xFF9F;
constexpr std::array<char32_t, kHalfKanaLast - kHalfKanaFirst + 1> kHalfKanaFold = {
    0x3002, 0x300C, 0x300D, 0x3001, 0xFF0E,                          // ｡｢｣､･ (･ to "．")
    0x30F2, 0x30A1, 0x30A3, 0x30A5, 0x30A7, 0x30A9, 0x30E3, 0x30E5,  // ｦｧｨｩｪｫｬｭ
    0x30E7, 0x30C3, 0x30FC, 0x30A2, 0x30A4, 0x30A6, 0x30A8, 0x30AA,  // ｮｯｰｱｲｳｴｵ
    0x30AB, 0x30AD, 0x30AF, 0x30B1, 0x30B3, 0x30B5, 0x30B7, 0x30B9,  // ｶｷｸｹｺｻｼｽ
    0x30BB, 0x30BD, 0x30BF, 0x30C1, 0x30C4, 0x30C6, 0x30C8, 0x30CA,  // ｾｿﾀﾁﾂﾃﾄﾅ
    0x30CB, 0x30CC, 0x30CD, 0x30CE, 0x30CF, 0x30D2, 0x30D5, 0x30D8,  // ﾆﾇﾈﾉﾊﾋﾌﾍ
    0x30DB, 0x30DE, 0x30DF, 0x30E0, 0x30E1, 0x30E2, 0x30E4, 0x30E6,  // ﾎﾏﾐﾑﾒﾓﾔﾕ
    0x30E8, 0x30E9, 0x30EA, 0x30EB, 0x30EC, 0x30ED, 0x30EF, 0x30F3,  // ﾖﾗﾘﾙﾚﾛﾜﾝ
    0x309B, 0x309C};                                                 // ﾞﾟ
constexpr char32_t kHalfU = 0xFF73;          // ｳ
constexpr char32_t kHalfKa = 0xFF76;         // ｶ..ﾄ take the voicing mark
constexpr char32_t kHalfTo = 0xFF84;
constexpr char32_t kHalfHa = 0xFF8A;         // ﾊ..ﾎ take both marks
constexpr char32_t kHalfHo = 0xFF8E;
constexpr char32_t kVoicedMark = 0xFF9E;     // ﾞ
constexpr char32_t kSemiVoicedMark = 0xFF9F; // ﾟ
constexpr char32_t kVu = 0x30F4;             // ヴ
// The voiced kana follows its plain one, the half-voiced the voiced one.
constexpr char32_t kVoicedStep = 1;
constexpr char32_t kSemiVoicedStep = 2;

// Case pairs: capitals at `upper`, small letters `count` long at `lower`.
struct TCaseRange {
  char32_t Lower;
  char32_t Count;
  char32_t Upper;
};
constexpr std::array<TCaseRange, 7> kCaseRanges = {{
    {U'a', 26, U'A'},
    {0xFF41, 26, 0xFF21},  // full-width Latin
    {0x03B1, 17, 0x0391},  // Greek α..ρ
    {0x03C3, 7, 0x03A3},   // Greek σ..ω
    {0x0430, 32, 0x0410},  // Cyrillic а..я
    {0x0451, 1, 0x0401},   // ё
    {0x2170, 10, 0x2160},  // small roman numerals ⅰ..ⅹ
}};

// The word delimiters among the narrow characters: ASCII but letters and
// digits, and the half-width punctuation ｡｢｣､･.
constexpr char32_t kAsciiEnd = 0x80;
constexpr char32_t kHalfPunctLast = 0xFF65;

bool IsSearchDelimiter(const TCell& cell) {
  if (cell.Type != TCellType::Single) return false;
  const char32_t c = cell.Code;
  if (c < kAsciiEnd) return !((c >= U'0' && c <= U'9') || (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z'));
  return c >= kHalfKanaFirst && c <= kHalfPunctLast;
}

char32_t FoldChar(char32_t c) {
  if (c == U' ') return kWideBlank;
  switch (c) {
    case U'"': return U'”';
    case U'\'': return U'’';
    case U'\\': return U'￥';
    case U'~': return U'￣';
    default: break;
  }
  if (c >= kFirstPrintable && c <= kLastPrintable) return c - kFirstPrintable + kFullWidthFirst;
  if (c >= kHalfKanaFirst && c <= kHalfKanaLast) return kHalfKanaFold[c - kHalfKanaFirst];
  return c;
}

// The one full-width kana a half-width kana and its mark fold into, or 0.
char32_t FoldVoiced(char32_t kana, char32_t mark) {
  if (mark == kVoicedMark) {
    if (kana == kHalfU) return kVu;
    if ((kana >= kHalfKa && kana <= kHalfTo) || (kana >= kHalfHa && kana <= kHalfHo)) return FoldChar(kana) + kVoicedStep;
  }
  // ｶ..ﾄ have no half-voiced form: they take the kana after the voiced one.
  if (mark == kSemiVoicedMark && ((kana >= kHalfKa && kana <= kHalfTo) || (kana >= kHalfHa && kana <= kHalfHo))) {
    return FoldChar(kana) + kSemiVoicedStep;
  }
  return 0;
}

// One character of the buffer: a wide character takes two cells, and with
// folding a kana with its voicing mark takes two as one.
struct TSearchChar {
  char32_t Code = 0;
  int Cells = 1;
};

TSearchChar ReadChar(const TCellString& buffer, int i, bool fold) {
  const TCell cell = buffer.Cell(i);
  if (cell.Type == TCellType::Lead) return {cell.Code, 2};
  if (!fold) return {cell.Code, 1};
  if (i + 1 < buffer.Length() && buffer.TypeAt(i + 1) == TCellType::Single) {
    if (const char32_t voiced = FoldVoiced(cell.Code, buffer.CodeAt(i + 1))) return {voiced, 2};
  }
  return {FoldChar(cell.Code), 1};
}

// The pattern as the comparison sees it.
std::vector<char32_t> PatternChars(const TCellString& pattern, TSearchOptions options) {
  const bool fold = (options & sfFoldWidth) != 0;
  std::vector<char32_t> chars;
  for (int i = 0; i < pattern.Length();) {
    TSearchChar c{pattern.Cell(i).Code, pattern.TypeAt(i) == TCellType::Lead ? 2 : 1};
    if ((options & sfMatchCase) == 0) c.Code = SearchUpperCase(c.Code);
    if (fold && c.Cells == 1) {
      const char32_t next = i + 1 < pattern.Length() ? pattern.CodeAt(i + 1) : 0;
      if (const char32_t voiced = FoldVoiced(c.Code, next)) {
        c = {voiced, 2};
      } else {
        c.Code = FoldChar(c.Code);
      }
    }
    chars.push_back(c.Code);
    i += c.Cells;
  }
  return chars;
}

bool Trail(const TCellString& buffer, int i) { return buffer.TypeAt(i) == TCellType::Trail; }

bool WordStart(const TCellString& buffer, int i) {
  return i < buffer.Length() && !IsSearchDelimiter(buffer.Cell(i)) && (i == 0 || IsSearchDelimiter(buffer.Cell(i - 1)));
}

bool Delimiter(const TCellString& buffer, int i) { return IsSearchDelimiter(buffer.Cell(i)); }

// Compares the pattern with the text at `at`; the cells consumed, or -1.
int MatchAt(const TCellString& buffer, int at, const std::vector<char32_t>& pattern, TSearchOptions options) {
  const bool fold = (options & sfFoldWidth) != 0;
  const bool matchCase = (options & sfMatchCase) != 0;
  const int length = buffer.Length();
  int t = at;
  for (size_t j = 0; j < pattern.size();) {
    if (t >= length) return -1;
    const TSearchChar c = ReadChar(buffer, t, fold);
    if ((matchCase ? c.Code : SearchUpperCase(c.Code)) == pattern[j]) {
      t += c.Cells;
      ++j;
      continue;
    }
    // Inside a match, line breaks and blanks of the text may be passed over.
    const char32_t raw = buffer.Cell(t).Code;
    const bool lineBreak = (options & sfSkipLineBreaks) != 0 && (raw == U'\r' || raw == U'\n');
    const bool blank = (options & sfSkipBlanks) != 0 && (raw == U'\t' || raw == U' ' || raw == kWideBlank);
    if (j == 0 || !(lineBreak || blank)) return -1;
    t += raw == kWideBlank ? 2 : 1;
  }
  if ((options & sfWholeWord) != 0 && t < length && !Delimiter(buffer, t)) return -1;
  return t - at;
}

// Cells that `count` characters before `from` take, voiced pairs as one.
int BackChars(const TCellString& buffer, int from, int count) {
  int p = from;
  for (int k = 0; k < count && p > 0; ++k) {
    const bool pair = Trail(buffer, p - 1) || (p >= 2 && buffer.TypeAt(p - 2) == TCellType::Single &&
                                               FoldVoiced(buffer.CodeAt(p - 2), buffer.CodeAt(p - 1)) != 0);
    p -= pair ? 2 : 1;
  }
  return from - p;
}

}  // namespace

char32_t SearchUpperCase(char32_t code) {
  for (const TCaseRange& range : kCaseRanges) {
    if (code >= range.Lower && code < range.Lower + range.Count) return code - range.Lower + range.Upper;
  }
  return code;
}

TCellString FoldWidth(const TCellString& text) {
  std::u32string folded;
  for (int i = 0; i < text.Length();) {
    const TSearchChar c = ReadChar(text, i, true);
    folded += c.Code;
    i += c.Cells;
  }
  return TCellString::FromUtf8(QString::fromUcs4(folded.data(), static_cast<qsizetype>(folded.size())).toStdString());
}

int SearchBuffer(const TCellString& buffer, TSearchSelection& selection, const TCellString& pattern,
                 TSearchOptions options) {
  const int length = buffer.Length();
  if (selection.Start < 0 || selection.Start > length || selection.Length < 0) return -1;
  const std::vector<char32_t> chars = PatternChars(pattern, options);
  const bool fold = (options & sfFoldWidth) != 0;
  const int patternCount = fold ? static_cast<int>(chars.size()) : pattern.Length();
  const bool whole = (options & sfWholeWord) != 0;

  if ((options & sfDown) != 0) {
    // An exact search over a text of one cell per byte (no character takes
    // more cells than bytes) is a search of its bytes.
    constexpr TSearchOptions kExact = sfDown | sfMatchCase;
    if (options == kExact && static_cast<size_t>(length) == buffer.Utf8().size()) {
      const size_t at = buffer.Utf8().find(pattern.Utf8(), static_cast<size_t>(selection.Start + selection.Length));
      if (at == std::string::npos) return -1;
      selection.Length = pattern.Length();
      return static_cast<int>(at);
    }
    // Start positions run from the selection's end up to the last one at
    // which the pattern still fits.
    int p = selection.Start + selection.Length;
    const int last = length - patternCount;
    if (Trail(buffer, p)) ++p;
    while (p <= last) {
      if (whole && !WordStart(buffer, p)) {
        while (p < length && !Delimiter(buffer, p)) ++p;
        while (p < length && Delimiter(buffer, p)) ++p;
        if (p > last) return -1;
      }
      const int matched = MatchAt(buffer, p, chars, options);
      if (matched >= 0) {
        selection.Length = matched;
        return p;
      }
      ++p;
      if (Trail(buffer, p)) ++p;
    }
    return -1;
  }

  int p = selection.Start - (fold ? BackChars(buffer, selection.Start, patternCount) : patternCount);
  if (p < 0 || p > length) return -1;
  if (Trail(buffer, p)) --p;
  while (p >= 0) {
    if (whole && !WordStart(buffer, p)) {
      while (p >= 0 && Delimiter(buffer, p)) --p;
      while (p > 0 && !Delimiter(buffer, p - 1)) --p;
      if (p < 0) return -1;
    }
    const int matched = MatchAt(buffer, p, chars, options);
    if (matched >= 0) {
      selection.Length = matched;
      return p;
    }
    --p;
    if (Trail(buffer, p)) --p;
  }
  return -1;
}

bool SearchText(const TCellString& buffer, TSearchSelection& selection, const TCellString& pattern,
                TSearchOptions options) {
  if (pattern.IsEmpty() || buffer.IsEmpty()) return false;
  const int found = SearchBuffer(buffer, selection, pattern, options);
  if (found < 0) return false;
  selection.Start = found;
  return true;
}
