#include "clt_chk_identifier.h"

#include <stddef.h>

#include <array>

namespace {

enum class cls : uint8_t { invalid, upper, lower, digit, underscore, hyphen, special, blank, katakana, lead, shift };

enum class codeset_kind : uint8_t { single, sjis, euc };

constexpr int kBytes = 256;
constexpr char kQuote = '"';
constexpr uint8_t kCaseBit = 0x20;
constexpr char kSjisSet = '1';
constexpr char kEucSet1 = '2';
constexpr char kEucSet2 = '3';
constexpr uint8_t kHighStart = 0x80;
constexpr uint8_t kSjisLead1From = 0x81, kSjisLead1To = 0x9F, kSjisLead2From = 0xE0, kSjisLead2To = 0xFC;
constexpr uint8_t kSjisClassLeadTo = 0xFE;
constexpr uint8_t kKanaFrom = 0xA0, kKanaTo = 0xDF;
constexpr uint8_t kEucShift = 0x8E;

using class_table = std::array<cls, kBytes>;

constexpr class_table make_table(codeset_kind kind) {
  class_table t{};
  for (int b = 0; b < kBytes; ++b) {
    cls c = cls::invalid;
    if (b >= 'A' && b <= 'Z') c = cls::upper;
    else if (b >= 'a' && b <= 'z') c = cls::lower;
    else if (b >= '0' && b <= '9') c = cls::digit;
    else if (b == '_') c = cls::underscore;
    else if (b == '-') c = cls::hyphen;
    else if (b == '@' || b == '#' || b == '\\') c = cls::special;
    else if (b == ' ') c = cls::blank;
    else if (kind == codeset_kind::sjis && b >= kKanaFrom && b <= kKanaTo) c = cls::katakana;
    else if (kind == codeset_kind::sjis &&
             ((b >= kSjisLead1From && b <= kSjisLead1To) || (b >= kSjisLead2From && b <= kSjisClassLeadTo)))
      c = cls::lead;
    else if (kind == codeset_kind::euc && b == kEucShift) c = cls::shift;
    else if (kind == codeset_kind::euc && b >= kHighStart) c = cls::lead;
    t[static_cast<size_t>(b)] = c;
  }
  return t;
}

constexpr class_table kSingle = make_table(codeset_kind::single);
constexpr class_table kSjis = make_table(codeset_kind::sjis);
constexpr class_table kEuc = make_table(codeset_kind::euc);

codeset_kind kind_of(const char codeset[2]) {
  if (codeset[0] == kSjisSet) return codeset_kind::sjis;
  if (codeset[0] == kEucSet1 || codeset[0] == kEucSet2) return codeset_kind::euc;
  return codeset_kind::single;
}

// Whether a byte starts a two-byte character for the case pass.
bool pairs(codeset_kind kind, uint8_t b) {
  switch (kind) {
    case codeset_kind::sjis:
      return (b >= kSjisLead1From && b <= kSjisLead1To) || (b >= kSjisLead2From && b <= kSjisLead2To);
    case codeset_kind::euc:
      return b >= kHighStart;
    case codeset_kind::single:
      break;
  }
  return false;
}

void upper_case(codeset_kind kind, char* text, int32_t length) {
  for (int32_t i = 0; i < length; ++i) {
    const auto b = static_cast<uint8_t>(text[i]);
    if (pairs(kind, b)) {
      ++i;
    } else if (b >= 'a' && b <= 'z') {
      text[i] = static_cast<char>(b & ~kCaseBit);
    }
  }
}

bool may_start(cls c) {
  return c == cls::upper || c == cls::katakana || c == cls::special || c == cls::lead || c == cls::shift;
}

bool may_follow(cls c) {
  return c == cls::upper || c == cls::digit || c == cls::underscore || c == cls::hyphen || c == cls::special ||
         c == cls::katakana;
}

}  // namespace

int32_t clt_chk_identifier(const char codeset[2], char* text, int32_t length) {
  if (length <= 0) return -1;
  const codeset_kind kind = kind_of(codeset);
  const class_table& table = kind == codeset_kind::sjis ? kSjis : kind == codeset_kind::euc ? kEuc : kSingle;
  const bool quoted = length >= 2 && text[0] == kQuote && text[length - 1] == kQuote;
  if (!quoted) upper_case(kind, text, length);
  if (!may_start(table[static_cast<uint8_t>(text[0])])) return -1;
  for (int32_t i = 0; i < length; ++i) {
    const cls c = table[static_cast<uint8_t>(text[i])];
    if (c == cls::lead || c == cls::shift) {
      // A two-byte character needs its second byte within the name.
      if (i + 1 >= length) return -1;
      ++i;
    } else if (!may_follow(c)) {
      return -1;
    }
  }
  return 0;
}
