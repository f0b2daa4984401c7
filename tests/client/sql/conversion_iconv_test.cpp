// Every two-byte SJIS and EUC code and every UCS-2 value through the
// converters, against glibc's iconv. Where the converters differ from
// glibc on purpose, the difference is listed once, in kExceptions.
#include <gtest/gtest.h>
#include <iconv.h>

#include <algorithm>
#include <map>
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
using cnv::sjis_trail;
using cnv::surrogate;

constexpr int32_t C = CLT_CNV_SLOT_CLIENT;
constexpr int32_t S = CLT_CNV_SLOT_SERVER;

// One iconv direction, one character at a time.
class reference {
 public:
  reference(const char* from, const char* to) : cd_(iconv_open(to, from)) {}
  ~reference() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  reference(const reference&) = delete;
  reference& operator=(const reference&) = delete;
  bool ready() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // The whole of `in` converted; false when iconv refuses any of it.
  bool convert(const bytes& in, bytes* out) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char buffer[16];
    char* src = const_cast<char*>(reinterpret_cast<const char*>(in.data()));
    size_t left = in.size();
    char* dst = buffer;
    size_t room = sizeof buffer;
    if (iconv(cd_, &src, &left, &dst, &room) == static_cast<size_t>(-1) || left != 0) return false;
    out->assign(buffer, dst);
    return true;
  }

 private:
  iconv_t cd_;
};

// A direction of the comparison: our mode and slot against iconv's names.
struct direction {
  const char* name;
  uint8_t mode;
  int32_t slot;
  const char* from;
  const char* to;
  // From this source code on, a code without a table entry comes out as
  // U+0000 without the replacement flag; 0: it is always replaced.
  uint32_t zero_from = 0;
};

// The IBM extension leads of code page 932 and the JIS X 0208 codes of
// EUC give U+0000 where the table has no entry.
constexpr uint32_t kIbmExtensionsFrom = 0xFA40;
constexpr uint32_t kEucTwoBytesFrom = 0xA1A1;

const direction kSjisToEuc{"SJIS to EUC", CLT_CNV_EUCHJ, C, "SHIFT_JIS", "EUC-JP"};
const direction kEucToSjis{"EUC to SJIS", CLT_CNV_EUCHJ, S, "EUC-JP", "SHIFT_JIS"};
const direction kSjisToUtf8{"SJIS to UTF-8", CLT_CNV_UTF8, C, "SHIFT_JIS", "UTF-8"};
const direction kCp932ToUtf8{"CP932 to UTF-8", CLT_CNV_UTF8MS, C, "CP932", "UTF-8", kIbmExtensionsFrom};
const direction kUtf8ToSjis{"UTF-8 to SJIS", CLT_CNV_UTF8, S, "UTF-8", "SHIFT_JIS"};
const direction kUtf8ToCp932{"UTF-8 to CP932", CLT_CNV_UTF8MS, S, "UTF-8", "CP932"};
const direction kUcs2ToUtf8{"UCS-2 to UTF-8", CLT_CNV_UCS2_UTF8, C, "UTF-16LE", "UTF-8"};
const direction kUtf8ToUcs2{"UTF-8 to UCS-2", CLT_CNV_UCS2_UTF8, S, "UTF-8", "UTF-16LE"};
const direction kUcs2ToEuc{"UCS-2 to EUC", CLT_CNV_UCS2_UJIS, C, "UTF-16LE", "EUC-JP"};
const direction kEucToUcs2{"EUC to UCS-2", CLT_CNV_UCS2_UJIS, S, "EUC-JP", "UTF-16LE", kEucTwoBytesFrom};

// The differences from glibc, by direction and source code: what the
// converter gives instead ("" where iconv maps and we replace, as the
// expected bytes otherwise).
struct exception_row {
  const char* direction;
  uint32_t first;
  uint32_t last;
  const char* ours;
};
const exception_row kExceptions[] = {
    // JIS 0x2140 is the backslash.
    {"SJIS to UTF-8", 0x815F, 0x815F, "5C"},
    {"EUC to UCS-2", 0xA1C0, 0xA1C0, "5C00"},
    // Code page 932 keeps these apart from the JIS look-alikes.
    {"UTF-8 to CP932", 0x301C, 0x301C, "8194"},
    {"UTF-8 to CP932", 0x2016, 0x2016, "8194"},
    {"UTF-8 to CP932", 0x2212, 0x2212, "8194"},
    // Best-fit rows of code page 932.
    {"UTF-8 to CP932", 0x00A6, 0x00A6, "7C"},
    {"UTF-8 to CP932", 0xF8F0, 0xF8F0, "A0"},
    // The backslash and the tilde are JIS X 0208 and JIS X 0212.
    {"UTF-8 to SJIS", 0x005C, 0x005C, "815F"},
    {"UTF-8 to SJIS", 0x007E, 0x007E, "8194"},
    {"UCS-2 to EUC", 0x005C, 0x005C, "A1C0"},
    {"UCS-2 to EUC", 0x007E, 0x007E, "A1F4"},
    // Full-width tilde and minus are the JIS wave dash and minus.
    {"UTF-8 to SJIS", 0xFF5E, 0xFF5E, "8160"},
    {"UTF-8 to SJIS", 0xFF0D, 0xFF0D, "817C"},
    {"UCS-2 to EUC", 0xFF5E, 0xFF5E, "A1C1"},
    {"UCS-2 to EUC", 0xFF0D, 0xFF0D, "A1DD"},
    // Full-width cent, pound and not sign are JIS characters, as in SJIS.
    {"UCS-2 to EUC", 0xFFE0, 0xFFE0, "A1F1"},
    {"UCS-2 to EUC", 0xFFE1, 0xFFE1, "A1F2"},
    {"UCS-2 to EUC", 0xFFE2, 0xFFE2, "A2CC"},
    // C1 controls would read as SS2, SS3 or a lead byte: replaced.
    {"UCS-2 to EUC", 0x0080, 0x009F, "A1F4"},
};

// JIS X 0212 has no place on the client: the UCS-2 to EUC converter
// replaces every character that iconv writes with SS3.
constexpr uint8_t kSingleShift3 = 0x8F;

class Comparison {
 public:
  explicit Comparison(const direction& d) : d_(d), cv_(d.mode), ref_(d.from, d.to) {
    for (const exception_row& e : kExceptions) {
      if (std::string(e.direction) != d.name) continue;
      for (uint32_t code = e.first; code <= e.last; ++code) exceptions_[code] = cnv::hex(e.ours);
    }
  }
  bool ready() const { return ref_.ready(); }

  // Compares one source character; `code` names it in messages and in
  // the exception list.
  void check(uint32_t code, const bytes& source) {
    const cnv::outcome ours = cv_.run(d_.slot, source, kRoom, CLT_CNV_STORE);
    bytes theirs;
    const bool mapped = ref_.convert(source, &theirs);
    ++compared_;
    auto e = exceptions_.find(code);
    if (e != exceptions_.end()) {
      used_[code] = true;
      if (ours.out != e->second) report(code, ours, "listed as " + cnv::show(e->second));
      if (mapped && theirs == e->second) report(code, ours, "listed, but iconv agrees");
      return;
    }
    if (mapped && d_.mode >= CLT_CNV_UCS2_UJIS && d_.slot == C && !theirs.empty() && theirs[0] == kSingleShift3) {
      if (ours.replaced == 0) report(code, ours, "JIS X 0212: the replacement");
      return;
    }
    const bool zero = !ours.out.empty() && std::all_of(ours.out.begin(), ours.out.end(), [](uint8_t b) { return b == 0; });
    if (!mapped && d_.zero_from != 0 && code >= d_.zero_from) {
      if (!zero || ours.replaced != 0) report(code, ours, "iconv has no mapping: U+0000");
      return;
    }
    if (mapped != (ours.replaced == 0) || (mapped && ours.out != theirs)) {
      report(code, ours, mapped ? "iconv " + cnv::show(theirs) : "iconv has no mapping");
    }
  }

  // Codes where iconv has no mapping and the converter still gives one:
  // only the arithmetic transformation does, and it must come back.
  void expect_round_trip(uint32_t code, const bytes& source, const direction& back) {
    const cnv::outcome there = cv_.run(d_.slot, source, kRoom, CLT_CNV_STORE);
    cnv::converter cv(back.mode);
    const cnv::outcome again = cv.run(back.slot, there.out, kRoom, CLT_CNV_STORE);
    EXPECT_EQ(again.out, source) << d_.name << " " << std::hex << code;
  }

  void finish() {
    EXPECT_GT(compared_, 0u);
    for (const auto& [code, expected] : exceptions_) {
      EXPECT_TRUE(used_[code]) << d_.name << ": exception " << std::hex << code << " was never compared";
    }
    EXPECT_LE(failures_, kMaxReported) << d_.name << ": " << failures_ << " differences in all";
  }

 private:
  static constexpr int32_t kRoom = 8;
  static constexpr int kMaxReported = 20;

  void report(uint32_t code, const cnv::outcome& ours, const std::string& theirs) {
    if (++failures_ <= kMaxReported) {
      ADD_FAILURE() << d_.name << " " << std::hex << code << ": ours " << cnv::show(ours.out)
                    << (ours.replaced ? "(replaced)" : "") << ", " << theirs;
    }
  }

  const direction& d_;
  cnv::converter cv_;
  reference ref_;
  std::map<uint32_t, bytes> exceptions_;
  std::map<uint32_t, bool> used_;
  size_t compared_ = 0;
  int failures_ = 0;
};


constexpr uint32_t kLastJisLead = 0xEF;
constexpr uint32_t kFirstUserRowLead = 0xEB;  // JIS row 85
constexpr uint32_t kFirstUserLead = 0xF0;
constexpr uint32_t kFirstIbmLead = 0xFA;

TEST(ConversionAgainstIconv, EveryTwoByteSjisCode) {
  Comparison to_euc(kSjisToEuc), to_utf8(kSjisToUtf8), ms_to_utf8(kCp932ToUtf8);
  ASSERT_TRUE(to_euc.ready() && to_utf8.ready() && ms_to_utf8.ready());
  reference iconv_euc("SHIFT_JIS", "EUC-JP");
  for (uint32_t lead = 0x81; lead <= 0xFC; ++lead) {
    if (!sjis_lead(lead)) continue;
    for (uint32_t trail = 0x40; trail <= 0xFC; ++trail) {
      if (!sjis_trail(trail)) continue;
      const uint32_t code = lead << 8 | trail;
      // The user-defined area belongs to the user conversion (there
      // beside the IBM extensions of code page 932).
      if (lead >= kFirstUserLead) {
        if (lead < kFirstIbmLead) continue;
        ms_to_utf8.check(code, two(code));
        continue;
      }
      bytes theirs;
      // JIS X 0208 rows that glibc leaves empty still convert by arithmetic;
      // rows 85 to 94 are EUC's user rows, which do not come back.
      if (lead <= kLastJisLead && !iconv_euc.convert(two(code), &theirs)) {
        if (lead < kFirstUserRowLead) to_euc.expect_round_trip(code, two(code), kEucToSjis);
      } else {
        to_euc.check(code, two(code));
      }
      to_utf8.check(code, two(code));
      ms_to_utf8.check(code, two(code));
    }
  }
  to_euc.finish();
  to_utf8.finish();
  ms_to_utf8.finish();
}

TEST(ConversionAgainstIconv, EveryTwoByteEucCode) {
  Comparison to_sjis(kEucToSjis), to_ucs2(kEucToUcs2);
  ASSERT_TRUE(to_sjis.ready() && to_ucs2.ready());
  reference iconv_sjis("EUC-JP", "SHIFT_JIS");
  constexpr uint32_t kFirstUserRow = 0xF5;
  // Rows 85 to 94 belong to the user conversion.
  for (uint32_t lead = 0xA1; lead < kFirstUserRow; ++lead) {
    for (uint32_t trail = 0xA1; trail <= 0xFE; ++trail) {
      const uint32_t code = lead << 8 | trail;
      bytes theirs;
      if (!iconv_sjis.convert(two(code), &theirs)) {
        to_sjis.expect_round_trip(code, two(code), kSjisToEuc);
      } else {
        to_sjis.check(code, two(code));
      }
      to_ucs2.check(code, two(code));
    }
  }
  for (uint32_t kana = 0xA1; kana <= 0xDF; ++kana) {
    to_sjis.check(0x8E00 | kana, {0x8E, static_cast<uint8_t>(kana)});
    to_ucs2.check(0x8E00 | kana, {0x8E, static_cast<uint8_t>(kana)});
  }
  to_sjis.finish();
  to_ucs2.finish();
}

TEST(ConversionAgainstIconv, EveryUcs2Value) {
  Comparison to_utf8(kUcs2ToUtf8), from_utf8(kUtf8ToUcs2), to_sjis(kUtf8ToSjis), to_cp932(kUtf8ToCp932),
      to_euc(kUcs2ToEuc);
  ASSERT_TRUE(to_utf8.ready() && from_utf8.ready() && to_sjis.ready() && to_cp932.ready() && to_euc.ready());
  constexpr uint32_t kFirstPrintable = 0x20;
  constexpr uint32_t kDelete = 0x7F;
  // The private-use area between code page 932's user area and its
  // best-fit rows belongs to the user conversion.
  constexpr uint32_t kUserOnlyFirst = 0xE758;
  constexpr uint32_t kUserOnlyLast = 0xF8EF;
  for (uint32_t u = 1; u <= 0xFFFF; ++u) {
    if (surrogate(u)) continue;
    to_utf8.check(u, unit(u));
    from_utf8.check(u, utf8(u));
    const bool control = u < kFirstPrintable || u == kDelete;
    const bool user_only = u >= kUserOnlyFirst && u <= kUserOnlyLast;
    if (!control && !user_only) {
      to_sjis.check(u, utf8(u));
      to_cp932.check(u, utf8(u));
    }
    to_euc.check(u, unit(u));
  }
  to_utf8.finish();
  from_utf8.finish();
  to_sjis.finish();
  to_cp932.finish();
  to_euc.finish();
}

}  // namespace
