// The converters byte for byte: telling cases of every type, cuts by room
// and by source end, the failures, and the user conversion of an
// external-character library.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CLTCOMCTX.h"
#include "clt_cnv.h"
#include "clt_cnv_ucs2.h"
#include "conversion_support.h"
#include "zk_harness.h"
#include "zk_seam.h"

namespace {

using cnv::bytes;
using cnv::hex;

constexpr int32_t C = CLT_CNV_SLOT_CLIENT;
constexpr int32_t S = CLT_CNV_SLOT_SERVER;

struct conversion_case {
  const char* what;
  uint8_t mode;
  int32_t slot;
  const char* source;
  const char* expected;
  int32_t rc;
  uint32_t replaced;
};

const conversion_case kCases[] = {
    // SJIS and EUC.
    {"hiragana a to EUC", CLT_CNV_EUCHJ, C, "82A0", "A4A2", 0, 0},
    {"hiragana a back", CLT_CNV_EUCHJ, S, "A4A2", "82A0", 0, 0},
    {"half-width katakana gains SS2", CLT_CNV_EUCHJ, C, "B1", "8EB1", 0, 0},
    {"bytes up to 0x80 pass", CLT_CNV_UJIS, C, "00 41 7F 80", "00 41 7F 80", 0, 0},
    {"0xFD passes with SS2", CLT_CNV_UJIS, C, "FD", "8EFD", 0, 0},
    {"a trailing lead byte", CLT_CNV_EUCHJ, C, "41 82", "41", 1, 0},
    {"user area without a library: no flag", CLT_CNV_EUCHJ, C, "F040", "A1F4", 0, 0},
    {"a bad trail is replaced", CLT_CNV_EUCHJ, C, "8120", "A1F4", 0, 1},
    {"last JIS row", CLT_CNV_EUCHJ, C, "EAA4", "F4A6", 0, 0},
    {"JIS X 0212 is replaced", CLT_CNV_UJIS, S, "8FA2AF", "8194", 0, 1},
    {"SS2 katakana", CLT_CNV_UJIS, S, "8EB1", "B1", 0, 0},
    {"SS2 with a low byte", CLT_CNV_UJIS, S, "8E41", "23", 0, 1},
    {"0xA0 and 0xFF", CLT_CNV_UJIS, S, "A0 FF", "23 23", 0, 1},
    {"EUC user rows without a library", CLT_CNV_UJIS, S, "F5A1", "8194", 0, 1},
    {"EUC lead with a bad trail", CLT_CNV_UJIS, S, "A441", "8194", 0, 1},
    {"EUC ends inside a character", CLT_CNV_UJIS, S, "41 A4", "41", 1, 0},
    {"EUC ends inside SS3", CLT_CNV_UJIS, S, "8FA2", "", 1, 0},
    // SJIS and UTF-8.
    {"hiragana a to UTF-8", CLT_CNV_UTF8, C, "82A0", "E38182", 0, 0},
    {"SJIS 5C under UTF8", CLT_CNV_UTF8, C, "5C", "C2A5", 0, 0},
    {"SJIS 5C under UTF8_EX2", CLT_CNV_UTF8_EX2, C, "5C", "C2A5", 0, 0},
    {"SJIS 5C under UTF8_EX", CLT_CNV_UTF8_EX, C, "5C", "5C", 0, 0},
    {"SJIS 5C under UTF8MS", CLT_CNV_UTF8MS, C, "5C", "5C", 0, 0},
    {"SJIS 7E under UTF8", CLT_CNV_UTF8, C, "7E", "E280BE", 0, 0},
    {"controls pass", CLT_CNV_UTF8, C, "00 1F 7F", "00 1F 7F", 0, 0},
    {"JIS 2140 is the backslash", CLT_CNV_UTF8, C, "815F", "5C", 0, 0},
    {"NEC row 13 has no JIS X 0208 entry", CLT_CNV_UTF8, C, "8740", "EFBC83", 0, 1},
    {"NEC row 13 in code page 932", CLT_CNV_UTF8MS, C, "8740", "E291A0", 0, 0},
    {"IBM extension in code page 932", CLT_CNV_UTF8MS, C, "FA40", "E285B0", 0, 0},
    {"IBM extension without a library", CLT_CNV_UTF8, C, "FA40", "EFBC83", 0, 1},
    {"an unmapped single byte is U+0000", CLT_CNV_UTF8, C, "80", "00", 0, 0},
    {"unmapped code page 932 byte is U+0000", CLT_CNV_UTF8MS, C, "A0", "00", 0, 0},
    {"an IBM lead without an entry in code page 932 is U+0000", CLT_CNV_UTF8MS, C, "FC4C 41", "00 41", 0, 0},
    {"a lead as the last byte", CLT_CNV_UTF8, C, "41 82", "41 EFBC83", 0, 1},
    {"a lead with a bad trail", CLT_CNV_UTF8, C, "8220 41", "EFBC83 41", 0, 1},
    {"FF5E under UTF8", CLT_CNV_UTF8, S, "EFBD9E", "8160", 0, 0},
    {"FF5E under UTF8MS", CLT_CNV_UTF8MS, S, "EFBD9E", "8160", 0, 0},
    {"301C under UTF8MS has no mapping", CLT_CNV_UTF8MS, S, "E3809C", "8194", 0, 1},
    {"UTF-8 5C under UTF8", CLT_CNV_UTF8, S, "5C", "815F", 0, 0},
    {"UTF-8 5C under UTF8_EX", CLT_CNV_UTF8_EX, S, "5C", "5C", 0, 0},
    {"UTF-8 5C under UTF8_EX2", CLT_CNV_UTF8_EX2, S, "5C", "5C", 0, 0},
    {"UTF-8 5C under UTF8MS", CLT_CNV_UTF8MS, S, "5C", "5C", 0, 0},
    {"yen and overline are JIS X 0201", CLT_CNV_UTF8, S, "C2A5 E280BE", "5C 7E", 0, 0},
    {"tilde is JIS X 0212: no SJIS", CLT_CNV_UTF8, S, "7E", "8194", 0, 1},
    {"half-width katakana", CLT_CNV_UTF8, S, "EFBDA1", "A1", 0, 0},
    {"kanji one", CLT_CNV_UTF8, S, "E4B880", "88EA", 0, 0},
    {"a 4-byte sequence", CLT_CNV_UTF8, S, "F09F9880 41", "8194 41", 0, 1},
    {"a stray continuation", CLT_CNV_UTF8, S, "80 41", "8194 41", 0, 1},
    {"bad continuation takes the claimed length", CLT_CNV_UTF8, S, "E34141 42", "8194 42", 0, 1},
    {"a truncated sequence", CLT_CNV_UTF8, S, "41 E381", "41 8194", 0, 1},
    {"best-fit F8F0 in code page 932", CLT_CNV_UTF8MS, S, "EFA3B0", "A0", 0, 0},
    {"broken bar best fit", CLT_CNV_UTF8MS, S, "C2A6", "7C", 0, 0},
    {"private use without a library", CLT_CNV_UTF8, S, "EE8080", "8194", 0, 1},
    {"private use in code page 932", CLT_CNV_UTF8MS, S, "EE8080", "F040", 0, 0},
    // UCS-2 and UTF-8.
    {"a surrogate pair", CLT_CNV_UCS2_UTF8, C, "3DD8 00DE", "F09F9880", 0, 0},
    {"a lone surrogate passes", CLT_CNV_UCS2_UTF8, C, "00D8 4100", "EDA080 41", 0, 0},
    {"an odd trailing byte", CLT_CNV_UCS2_UTF8, C, "4100 42", "41", 1, 0},
    {"two-byte UTF-8 to UCS-2", CLT_CNV_UCS2_UTF8, S, "C3A9", "E900", 0, 0},
    {"four-byte UTF-8 to a pair", CLT_CNV_UCS2_UTF8, S, "F09F9880", "3DD8 00DE", 0, 0},
    {"truncated UTF-8 ends the conversion", CLT_CNV_UCS2_UTF8, S, "41 E381", "4100 03FF", 2, 1},
    {"five-byte form", CLT_CNV_UCS2_UTF8, S, "F888808080", "03FF", 2, 1},
    {"four-byte form below U+10000", CLT_CNV_UCS2_UTF8, S, "F08FBFBF", "03FF", 2, 1},
    // UCS-2 and EUC.
    {"hiragana a to EUC", CLT_CNV_UCS2_UJIS, C, "4230", "A4A2", 0, 0},
    {"ASCII, NUL and the backslash", CLT_CNV_UCS2_UJIS, C, "4100 0000 5C00", "41 00 A1C0", 0, 0},
    {"half-width katakana", CLT_CNV_UCS2_UJIS, C, "61FF", "8EA1", 0, 0},
    {"JIS X 0212 tilde without a library", CLT_CNV_UCS2_UJIS, C, "7E00", "A1F4", 0, 1},
    {"a pair without a library", CLT_CNV_UCS2_HJ, C, "3DD8 00DE", "A1F4 A1F4", 0, 1},
    {"EUC to UCS-2", CLT_CNV_UCS2_UJIS, S, "A4A2 5C 7E 7F 00", "4230 A500 3E20 0000 0000", 0, 0},
    {"SS2 katakana", CLT_CNV_UCS2_UJIS, S, "8EB1", "71FF", 0, 0},
    {"a JIS code without entry is U+0000", CLT_CNV_UCS2_UJIS, S, "ADA1", "0000", 0, 0},
    {"SS3 is replaced", CLT_CNV_UCS2_UJIS, S, "8FA2AF", "03FF", 0, 1},
    {"a shift byte trail starts anew", CLT_CNV_UCS2_UJIS, S, "A48EB1", "03FF 71FF", 0, 1},
    {"EUC ends inside a character", CLT_CNV_UCS2_UJIS, S, "41 A4", "4100", 2, 0},
    {"UCS2_HJ: a low trail goes to the user", CLT_CNV_UCS2_HJ, S, "A441", "03FF", 0, 1},
    {"EUC user rows without a library", CLT_CNV_UCS2_UJIS, S, "F5A1", "03FF", 0, 1},
};

TEST(Conversion, EachConverterByteForByte) {
  for (const conversion_case& c : kCases) {
    SCOPED_TRACE(c.what);
    cnv::converter cv(c.mode);
    const cnv::outcome o = cv.convert(c.slot, hex(c.source));
    EXPECT_EQ(o.rc, c.rc);
    EXPECT_EQ(cnv::show(o.out), cnv::show(hex(c.expected)));
    EXPECT_EQ(o.replaced, c.replaced);
  }
}

struct cut_case {
  const char* what;
  uint8_t mode;
  int32_t slot;
  const char* character;  // after one ASCII character
  int32_t width;          // its output bytes
  int32_t cut_rc;         // when the source ends inside it
  int32_t cut_out;        // and the bytes produced then
};

// One ASCII character, then another: with room one byte short of it, the
// conversion stops before it; with the source ending inside it, each
// converter ends as it does (stopping, or replacing what is left).
const cut_case kCuts[] = {
    {"SJIS kanji to EUC", CLT_CNV_EUCHJ, C, "88EA", 2, 1, 1},
    {"SJIS katakana to EUC", CLT_CNV_EUCHJ, C, "B1", 2, 0, 0},
    {"EUC kanji to SJIS", CLT_CNV_EUCHJ, S, "B0EC", 2, 1, 1},
    {"EUC SS3 to SJIS", CLT_CNV_EUCHJ, S, "8FA2AF", 2, 1, 1},
    {"SJIS kanji to UTF-8", CLT_CNV_UTF8, C, "88EA", 3, 0, 4},
    {"SJIS yen to UTF-8", CLT_CNV_UTF8, C, "5C", 2, 0, 0},
    {"UTF-8 kanji to SJIS", CLT_CNV_UTF8, S, "E4B880", 2, 0, 3},
    {"UCS-2 pair to UTF-8", CLT_CNV_UCS2_UTF8, C, "3DD8 00DE", 4, 1, 4},
    {"UCS-2 kanji to UTF-8", CLT_CNV_UCS2_UTF8, C, "004E", 3, 1, 1},
    {"UTF-8 pair to UCS-2", CLT_CNV_UCS2_UTF8, S, "F09F9880", 4, 2, 4},
    {"UTF-8 kanji to UCS-2", CLT_CNV_UCS2_UTF8, S, "E4B880", 2, 2, 4},
    {"UCS-2 kanji to EUC", CLT_CNV_UCS2_UJIS, C, "004E", 2, 1, 1},
    {"EUC kanji to UCS-2", CLT_CNV_UCS2_UJIS, S, "B0EC", 2, 2, 2},
    {"EUC SS3 to UCS-2", CLT_CNV_UCS2_UJIS, S, "8FA2AF", 2, 2, 2},
};

// After one ASCII character, and after a run long enough for the bulk of
// the converters.
constexpr int32_t kAsciiBefore[] = {1, 29};

TEST(Conversion, RoomOneByteShortAndSourcesEndingInsideACharacter) {
  for (const cut_case& c : kCuts) {
    for (const int32_t before : kAsciiBefore) {
      SCOPED_TRACE(std::string(c.what) + " after " + std::to_string(before) + " ASCII");
      cnv::converter cv(c.mode);
      const bool ucs2_source = c.slot == C && clt_cnv_ucs2_mode(c.mode);
      bytes source;
      for (int32_t i = 0; i < before; ++i) {
        const bytes a = ucs2_source ? hex("4100") : hex("41");
        source.insert(source.end(), a.begin(), a.end());
      }
      const bytes ch = hex(c.character);
      source.insert(source.end(), ch.begin(), ch.end());
      const int32_t ascii_out = (c.slot == S && clt_cnv_ucs2_mode(c.mode) ? 2 : 1) * before;

      const cnv::outcome whole = cv.convert(c.slot, source);
      ASSERT_EQ(whole.rc, 0);
      ASSERT_EQ(whole.out.size(), static_cast<size_t>(ascii_out + c.width));

      const cnv::outcome short_room = cv.convert(c.slot, source, ascii_out + c.width - 1);
      EXPECT_EQ(short_room.rc, CLT_CNV_FULL);
      EXPECT_EQ(short_room.out, bytes(whole.out.begin(), whole.out.begin() + ascii_out));

      if (ch.size() < 2) continue;
      source.pop_back();
      const cnv::outcome ended = cv.convert(c.slot, source);
      EXPECT_EQ(ended.rc, c.cut_rc);
      EXPECT_EQ(ended.out.size(), static_cast<size_t>(c.cut_out - ascii_out / before + ascii_out));
    }
  }
}

TEST(Conversion, FailuresAndTheEmptyText) {
  cnv::converter cv(CLT_CNV_UTF8);
  int32_t length = 2;
  int32_t room = 8;
  int32_t out = 5;
  uint32_t replaced = 1;
  char target[8];
  auto call = [&](int32_t slot) {
    return clt_cnv_convert_env(*cv.env, slot, &length, "ab", &room, target, &out, &replaced, CLT_CNV_STORE);
  };
  EXPECT_EQ(call(0), CLT_CNV_FAILED);
  EXPECT_EQ(call(3), CLT_CNV_FAILED);
  length = -1;
  EXPECT_EQ(call(C), CLT_CNV_FAILED);
  length = 2;
  room = 0;
  EXPECT_EQ(call(C), CLT_CNV_FAILED);
  // An empty text converts to nothing, whatever the room.
  length = 0;
  EXPECT_EQ(call(C), CLT_CNV_DONE);
  EXPECT_EQ(out, 0);
  EXPECT_EQ(replaced, 0u);
  // A slot that CONNECT has not set up.
  cv.env->cnv_state[1] = 0;
  length = 2;
  room = 8;
  EXPECT_EQ(call(S), CLT_CNV_FAILED);
  EXPECT_EQ(call(C), CLT_CNV_DONE);
}

TEST(Conversion, WithoutAConnectionEveryConversionFails) {
  zk::context_scope scope;
  clt_main* saved = clt_global.main;
  clt_global.main = nullptr;
  int32_t length = 1;
  int32_t room = 4;
  int32_t out = 0;
  uint32_t replaced = 0;
  char target[4];
  EXPECT_EQ(clt_cnv_convert(C, &length, "a", &room, target, &out, &replaced, CLT_CNV_STORE), CLT_CNV_FAILED);
  clt_global.main = saved;
}

TEST(Conversion, TheUserConversionSetHoldsItsRangesWithoutJisX0208) {
  EXPECT_TRUE(clt_cnv_user_set(0x3402));
  EXPECT_TRUE(clt_cnv_user_set(0x4E02));
  EXPECT_TRUE(clt_cnv_user_set(0x4FF1));
  EXPECT_FALSE(clt_cnv_user_set(0x4E00));  // JIS X 0208 0x306C
  EXPECT_FALSE(clt_cnv_user_set(0x3401));
  EXPECT_FALSE(clt_cnv_user_set(0x9FA3));
}

// The fixture library's record of its calls.
struct fixture_library {
  void* handle = dlopen(ZK_GAIJI_FIXTURE, RTLD_NOW);
  int (*calls)() = reinterpret_cast<int (*)()>(dlsym(handle, "gaiji_calls"));
  int (*last_kind)() = reinterpret_cast<int (*)()>(dlsym(handle, "gaiji_last_kind"));
  const unsigned char* (*last_source)() =
      reinterpret_cast<const unsigned char* (*)()>(dlsym(handle, "gaiji_last_source"));
  ~fixture_library() { dlclose(handle); }
};

struct user_case {
  uint8_t mode;
  int32_t slot;
  const char* source;
  const char* expected;
  int kind;
  const char* given;  // what the function was given, high byte first
  uint32_t replaced;
};

const user_case kUserCases[] = {
    {CLT_CNV_EUCHJ, C, "F040", "F5A1", 1, "F040", 0},
    {CLT_CNV_EUCHJ, C, "8120", "F5A1", 1, "8120", 1},
    {CLT_CNV_EUCHJ, S, "F5A1", "F040", 2, "F5A1", 1},
    {CLT_CNV_EUCHJ, S, "A441", "F040", 2, "A441", 1},
    {CLT_CNV_UTF8, C, "F040", "EE8080", 3, "F040", 0},
    {CLT_CNV_UTF8, S, "EE8080", "F041", 4, "E000", 0},
    {CLT_CNV_UTF8, S, "EFA080", "F041", 4, "F800", 0},
    {CLT_CNV_UCS2_UJIS, C, "00E0", "F5A2", 5, "E000", 0},
    {CLT_CNV_UCS2_UJIS, C, "0234", "F5A2", 5, "3402", 0},
    {CLT_CNV_UCS2_UJIS, C, "3DD8 00DE", "F5A3", 7, "D83DDE00", 0},
    {CLT_CNV_UCS2_UJIS, S, "F5A1", "3DD8 00DE", 6, "F5A1", 0},
    {CLT_CNV_UCS2_HJ, S, "A441", "3DD8 00DE", 6, "A441", 0},
};

TEST(Conversion, TheUserFunctionGetsEachKindAndWritesItsBytes) {
  zk::services_scope services;
  fixture_library lib;
  ASSERT_NE(lib.calls, nullptr) << dlerror();
  for (const user_case& c : kUserCases) {
    SCOPED_TRACE(c.source);
    cnv::converter cv(c.mode, ZK_GAIJI_FIXTURE);
    snprintf(cv.env->pdcltgaijifunc, sizeof cv.env->pdcltgaijifunc, "convert");
    clt_cnv_load_user(cv.env.get());
    ASSERT_NE(cv.env->gaiji_func, nullptr);
    const int before = lib.calls();
    const cnv::outcome o = cv.run(c.slot, hex(c.source), 8, CLT_CNV_STORE);
    EXPECT_EQ(lib.calls(), before + 1);
    EXPECT_EQ(lib.last_kind(), c.kind);
    const bytes given = hex(c.given);
    EXPECT_EQ(cnv::show(bytes(lib.last_source(), lib.last_source() + given.size())), cnv::show(given));
    EXPECT_EQ(o.rc, 0);
    EXPECT_EQ(cnv::show(o.out), cnv::show(hex(c.expected)));
    EXPECT_EQ(o.replaced, c.replaced);
    clt_cnv_release_user(cv.env.get());
    EXPECT_EQ(cv.env->gaiji_func, nullptr);
    EXPECT_EQ(cv.env->gaiji_handle, nullptr);
  }
}

TEST(Conversion, AMissingLibraryOrFunctionIsLoggedOnceAndReplaced) {
  zk::services_scope services;
  clt_svc.errlog_vmsg = zk::capture_errlog;
  struct missing {
    const char* dll;
    const char* function;
    const char* call;
  };
  const missing kMissing[] = {{"/nonexistent/libgaiji.so", "convert", "LoadLibrary"},
                              {ZK_GAIJI_FIXTURE, "no_such_function", "GetProcAddress"}};
  for (const missing& m : kMissing) {
    SCOPED_TRACE(m.call);
    zk::errlog_lines().clear();
    cnv::converter cv(CLT_CNV_EUCHJ, m.dll);
    snprintf(cv.env->pdcltgaijifunc, sizeof cv.env->pdcltgaijifunc, "%s", m.function);
    clt_cnv_load_user(cv.env.get());
    EXPECT_EQ(cv.env->gaiji_func, nullptr);
    ASSERT_EQ(zk::errlog_lines().size(), 1u);
    EXPECT_EQ(zk::errlog_lines()[0].rfind(std::string("KFPZ02405-E System call error, func=") + m.call + ", errno=", 0),
              0u)
        << zk::errlog_lines()[0];
    const cnv::outcome o = cv.convert(S, hex("F5A1"));
    EXPECT_EQ(cnv::show(o.out), cnv::show(hex("8194")));
    EXPECT_EQ(o.replaced, 1u);
    clt_cnv_release_user(cv.env.get());
  }
}

}  // namespace
