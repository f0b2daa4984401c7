// Long texts, which the converters take in bulk: a text of every character
// of a direction, with runs of ASCII of each length from 0 to 9 between
// them or with none, converts in one call as its characters do one by one;
// dense text brings long runs of lead-range bytes, and characters of the
// longest forms across the ends of the bulk's steps. And with the
// room ending at each byte, it stops before the first character that does
// not fit.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "clt_cnv.h"
#include "conversion_support.h"

namespace {

using cnv::bytes;
using cnv::two;
using cnv::unit;
using cnv::utf8;
using cnv::sjis_lead;
using cnv::surrogate;

constexpr int32_t C = CLT_CNV_SLOT_CLIENT;
constexpr int32_t S = CLT_CNV_SLOT_SERVER;

enum class source_set { sjis, euc, utf8, ucs2 };

struct direction {
  const char* name;
  uint8_t mode;
  int32_t slot;
  source_set set;
};

const direction kDirections[] = {
    {"SJIS to EUC", CLT_CNV_EUCHJ, C, source_set::sjis},
    {"EUC to SJIS", CLT_CNV_EUCHJ, S, source_set::euc},
    {"SJIS to UTF-8", CLT_CNV_UTF8, C, source_set::sjis},
    {"CP932 to UTF-8", CLT_CNV_UTF8MS, C, source_set::sjis},
    {"SJIS to UTF-8, backslash kept", CLT_CNV_UTF8_EX, C, source_set::sjis},
    {"UTF-8 to SJIS", CLT_CNV_UTF8, S, source_set::utf8},
    {"UTF-8 to CP932", CLT_CNV_UTF8MS, S, source_set::utf8},
    {"UTF-8 to SJIS, backslash kept", CLT_CNV_UTF8_EX, S, source_set::utf8},
    {"UCS-2 to UTF-8", CLT_CNV_UCS2_UTF8, C, source_set::ucs2},
    {"UTF-8 to UCS-2", CLT_CNV_UCS2_UTF8, S, source_set::utf8},
    {"UCS-2 to EUC", CLT_CNV_UCS2_UJIS, C, source_set::ucs2},
    {"EUC to UCS-2", CLT_CNV_UCS2_UJIS, S, source_set::euc},
};


// Every character of a source set that converts the same wherever it
// stands: whole characters only, broken ones included where the converter
// consumes them whole.
std::vector<bytes> characters(source_set set) {
  std::vector<bytes> all;
  switch (set) {
    case source_set::sjis:
      for (uint32_t b = 0; b <= 0xFF; ++b) {
        if (!sjis_lead(b)) all.push_back({static_cast<uint8_t>(b)});
      }
      for (uint32_t lead = 0x81; lead <= 0xFC; ++lead) {
        if (!sjis_lead(lead)) continue;
        // Every trail, the bad ones too, which take both bytes.
        for (uint32_t trail = 0x40; trail <= 0xFF; ++trail) all.push_back(two(lead << 8 | trail));
      }
      break;
    case source_set::euc:
      for (uint32_t b = 0; b < 0x80; ++b) all.push_back({static_cast<uint8_t>(b)});
      for (uint32_t lead = 0xA1; lead <= 0xFE; ++lead) {
        for (uint32_t trail = 0xA1; trail <= 0xFE; ++trail) all.push_back(two(lead << 8 | trail));
      }
      for (uint32_t kana = 0xA1; kana <= 0xDF; ++kana) all.push_back(two(0x8E00 | kana));
      all.push_back({0x8F, 0xA2, 0xAF});
      break;
    case source_set::utf8:
      for (uint32_t u = 0; u <= 0xFFFF; ++u) all.push_back(utf8(u));
      all.push_back({0xF0, 0x9F, 0x98, 0x80});
      break;
    case source_set::ucs2:
      for (uint32_t u = 0; u <= 0xFFFF; ++u) {
        if (!surrogate(u)) all.push_back(unit(u));
      }
      all.push_back({0x3D, 0xD8, 0x00, 0xDE});
      break;
  }
  return all;
}

constexpr int32_t kLongestRun = 9;
constexpr int32_t kRoom = 16;  // the most one character needs

// The text: each character, then a run of ASCII letters (up to
// `longest_run`); with each character's own result, in order.
struct text {
  bytes source;
  std::vector<bytes> outs;
  uint32_t replaced = 0;
};

text make_text(cnv::converter& cv, const direction& d, size_t most, int32_t longest_run = kLongestRun) {
  const bool wide_source = d.set == source_set::ucs2;
  text t;
  auto add = [&](const bytes& ch) {
    const cnv::outcome o = cv.run(d.slot, ch, kRoom, CLT_CNV_STORE);
    EXPECT_EQ(o.rc, CLT_CNV_DONE) << cnv::show(ch);
    t.source.insert(t.source.end(), ch.begin(), ch.end());
    t.outs.push_back(o.out);
    t.replaced |= o.replaced;
  };
  const std::vector<bytes> all = characters(d.set);
  const size_t count = std::min(most, all.size());
  for (size_t i = 0; i < count; ++i) {
    // Drawn evenly from the whole set when not all are taken.
    add(all[i * all.size() / count]);
    for (int32_t k = 0; k < static_cast<int32_t>(i % (longest_run + 1)); ++k) {
      const auto letter = static_cast<uint8_t>('a' + (i + k) % 26);
      add(wide_source ? bytes{letter, 0} : bytes{letter});
    }
  }
  return t;
}

bytes joined(const std::vector<bytes>& outs, size_t count) {
  bytes all;
  for (size_t i = 0; i < count; ++i) all.insert(all.end(), outs[i].begin(), outs[i].end());
  return all;
}

TEST(ConversionOfLongTexts, ConvertsAsItsCharactersDoOneByOne) {
  for (const direction& d : kDirections) {
    for (const int32_t longest_run : {kLongestRun, 0}) {
      SCOPED_TRACE(std::string(d.name) + (longest_run == 0 ? ", dense" : ""));
      cnv::converter cv(d.mode);
      const text t = make_text(cv, d, SIZE_MAX, longest_run);
      const bytes expected = joined(t.outs, t.outs.size());
      const cnv::outcome whole = cv.convert(d.slot, t.source, static_cast<int32_t>(expected.size()));
      EXPECT_EQ(whole.rc, CLT_CNV_DONE);
      EXPECT_EQ(whole.replaced, t.replaced);
      ASSERT_EQ(whole.out.size(), expected.size());
      const auto differ = std::mismatch(whole.out.begin(), whole.out.end(), expected.begin());
      EXPECT_TRUE(differ.first == whole.out.end())
          << "first difference at output byte " << (differ.first - whole.out.begin());
    }
  }
}

TEST(ConversionOfLongTexts, StopsBeforeTheFirstCharacterThatDoesNotFit) {
  // Enough characters for many rounds of the bulk.
  constexpr size_t kCharacters = 300;
  for (const direction& d : kDirections) {
    SCOPED_TRACE(d.name);
    cnv::converter cv(d.mode);
    const text t = make_text(cv, d, kCharacters);
    const size_t total = joined(t.outs, t.outs.size()).size();
    for (size_t room = 1; room <= total; ++room) {
      size_t fitting = 0;
      size_t produced = 0;
      while (fitting < t.outs.size() && produced + t.outs[fitting].size() <= room) produced += t.outs[fitting++].size();
      const cnv::outcome o = cv.run(d.slot, t.source, static_cast<int32_t>(room), CLT_CNV_STORE);
      ASSERT_EQ(o.rc, fitting == t.outs.size() ? CLT_CNV_DONE : CLT_CNV_FULL) << "room " << room;
      ASSERT_EQ(o.out, joined(t.outs, fitting)) << "room " << room;
    }
  }
}

}  // namespace
