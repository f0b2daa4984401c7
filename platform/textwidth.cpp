#include "platform/textwidth.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>

namespace {

struct TCodeRange {
  char32_t First, Last;
};

// East Asian Width W and F, in order.
constexpr TCodeRange kWide[] = {
    {0x1100, 0x115F},   {0x231A, 0x231B},   {0x2329, 0x232A},   {0x23E9, 0x23EC},   {0x23F0, 0x23F0},
    {0x23F3, 0x23F3},   {0x25FD, 0x25FE},   {0x2614, 0x2615},   {0x2648, 0x2653},   {0x267F, 0x267F},
    {0x2693, 0x2693},   {0x26A1, 0x26A1},   {0x26AA, 0x26AB},   {0x26BD, 0x26BE},   {0x26C4, 0x26C5},
    {0x26CE, 0x26CE},   {0x26D4, 0x26D4},   {0x26EA, 0x26EA},   {0x26F2, 0x26F3},   {0x26F5, 0x26F5},
    {0x26FA, 0x26FA},   {0x26FD, 0x26FD},   {0x2705, 0x2705},   {0x270A, 0x270B},   {0x2728, 0x2728},
    {0x274C, 0x274C},   {0x274E, 0x274E},   {0x2753, 0x2755},   {0x2757, 0x2757},   {0x2795, 0x2797},
    {0x27B0, 0x27B0},   {0x27BF, 0x27BF},   {0x2B1B, 0x2B1C},   {0x2B50, 0x2B50},   {0x2B55, 0x2B55},
    {0x2E80, 0x2E99},   {0x2E9B, 0x2EF3},   {0x2F00, 0x2FD5},   {0x2FF0, 0x2FFF},   {0x3000, 0x303E},
    {0x3041, 0x3096},   {0x3099, 0x30FF},   {0x3105, 0x312F},   {0x3131, 0x318E},   {0x3190, 0x31E3},
    {0x31EF, 0x321E},   {0x3220, 0x3247},   {0x3250, 0xA48C},   {0xA490, 0xA4C6},   {0xA960, 0xA97C},
    {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},   {0xFE10, 0xFE19},   {0xFE30, 0xFE52},   {0xFE54, 0xFE66},
    {0xFE68, 0xFE6B},   {0xFF01, 0xFF60},   {0xFFE0, 0xFFE6},   {0x16FE0, 0x16FE4}, {0x16FF0, 0x16FF1},
    {0x17000, 0x18CD5}, {0x18D00, 0x18D08}, {0x1AFF0, 0x1B2FB}, {0x1F004, 0x1F004}, {0x1F0CF, 0x1F0CF},
    {0x1F18E, 0x1F18E}, {0x1F191, 0x1F19A}, {0x1F200, 0x1F202}, {0x1F210, 0x1F23B}, {0x1F240, 0x1F248},
    {0x1F250, 0x1F251}, {0x1F260, 0x1F265}, {0x1F300, 0x1F320}, {0x1F32D, 0x1F335}, {0x1F337, 0x1F37C},
    {0x1F37E, 0x1F393}, {0x1F3A0, 0x1F3CA}, {0x1F3CF, 0x1F3D3}, {0x1F3E0, 0x1F3F0}, {0x1F3F4, 0x1F3F4},
    {0x1F3F8, 0x1F43E}, {0x1F440, 0x1F440}, {0x1F442, 0x1F4FC}, {0x1F4FF, 0x1F53D}, {0x1F54B, 0x1F54E},
    {0x1F550, 0x1F567}, {0x1F57A, 0x1F57A}, {0x1F595, 0x1F596}, {0x1F5A4, 0x1F5A4}, {0x1F5FB, 0x1F64F},
    {0x1F680, 0x1F6C5}, {0x1F6CC, 0x1F6CC}, {0x1F6D0, 0x1F6D2}, {0x1F6D5, 0x1F6D7}, {0x1F6DC, 0x1F6DF},
    {0x1F6EB, 0x1F6EC}, {0x1F6F4, 0x1F6FC}, {0x1F7E0, 0x1F7EB}, {0x1F7F0, 0x1F7F0}, {0x1F90C, 0x1F93A},
    {0x1F93C, 0x1F945}, {0x1F947, 0x1F9FF}, {0x1FA70, 0x1FAFF}, {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD},
};

constexpr char32_t kLastCodePoint = 0x10FFFF;
constexpr char32_t kFirstSurrogate = 0xD800;
constexpr char32_t kLastSurrogate = 0xDFFF;
constexpr unsigned char kContinuationMask = 0xC0;
constexpr unsigned char kContinuationBits = 0x80;
constexpr int kContinuationShift = 6;
constexpr unsigned char kContinuationPayload = 0x3F;

struct TUtf8Lead {
  unsigned char First, Last, Payload;
  size_t Length;
  char32_t Smallest;  // below it the form is overlong
};
constexpr TUtf8Lead kLeads[] = {
    {0xC2, 0xDF, 0x1F, 2, 0x80},
    {0xE0, 0xEF, 0x0F, 3, 0x800},
    {0xF0, 0xF4, 0x07, 4, 0x10000},
};

}  // namespace

size_t SkipAscii(std::string_view text, size_t pos) {
  // A word at a time while no byte of it has its high bit (an ASCII byte
  // has none): most text is ASCII.
  constexpr uint64_t kHighBits = 0x8080808080808080ULL;
  for (uint64_t word = 0; pos + sizeof(word) <= text.size(); pos += sizeof(word)) {
    std::memcpy(&word, text.data() + pos, sizeof(word));
    if ((word & kHighBits) != 0) break;
  }
  while (pos < text.size() && (static_cast<unsigned char>(text[pos]) & kContinuationBits) == 0) ++pos;
  return pos;
}

size_t DecodeUtf8(std::string_view text, size_t pos, char32_t& code) {
  const auto b = static_cast<unsigned char>(text[pos]);
  if (b < kContinuationBits) {
    code = b;
    return 1;
  }
  for (const TUtf8Lead& lead : kLeads) {
    if (b < lead.First || b > lead.Last) continue;
    if (pos + lead.Length > text.size()) return 0;
    char32_t c = b & lead.Payload;
    for (size_t i = 1; i < lead.Length; ++i) {
      const auto t = static_cast<unsigned char>(text[pos + i]);
      if ((t & kContinuationMask) != kContinuationBits) return 0;
      c = (c << kContinuationShift) | (t & kContinuationPayload);
    }
    if (c < lead.Smallest || c > kLastCodePoint || (c >= kFirstSurrogate && c <= kLastSurrogate)) return 0;
    code = c;
    return lead.Length;
  }
  return 0;
}

bool IsWideChar(char32_t code) {
  if (code < kWide[0].First) return false;
  const auto it = std::upper_bound(std::begin(kWide), std::end(kWide), code,
                                   [](char32_t c, const TCodeRange& r) { return c < r.First; });
  return it != std::begin(kWide) && code <= std::prev(it)->Last;
}
