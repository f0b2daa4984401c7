// Column values in the descriptor form into host variables: every code
// in both byte orders, character data copied or converted with its fill,
// terminator and padding rules, repetition variables, the address text of
// flagged columns, indicators and truncation, and refused replies that
// leave every variable as it was.
#include "CLTSQLAG.h"
#include "cltsqadc.h"
#include "zk_reply_routes.h"
#include "rows_support.h"

namespace {

using namespace rows;

// One column of a descriptor-form reply.
struct dcol {
  uint8_t code;
  encode length;        // bytes 4 to 7 of the descriptor
  encode value;         // null: value offset 0
  encode indicator;     // null: indicator offset 0
};

encode len16(uint16_t n) {
  return [n](const order& o) { return cat({o.u16(n), o.u16(0)}); };
}
encode prec(uint8_t p, uint8_t s) {
  return [p, s](const order&) { return bytes{p, s, 0, 0}; };
}
encode len32(uint32_t n) {
  return [n](const order& o) { return o.u32(n); };
}
encode ind16(int16_t v) {
  return [v](const order& o) { return o.u16(static_cast<uint16_t>(v)); };
}

bytes descriptor_data(const order& o, const std::vector<dcol>& cols) {
  bytes d(16 + 16 * cols.size(), 0);
  o.put16(d, 14, static_cast<uint16_t>(cols.size()));
  for (size_t i = 0; i < cols.size(); ++i) {
    const size_t at = 16 + 16 * i;
    d[at + 1] = cols[i].code;
    const bytes len = cols[i].length(o);
    std::copy(len.begin(), len.end(), d.begin() + static_cast<ptrdiff_t>(at + 4));
    for (const auto& [field, part] : {std::pair{8u, cols[i].value}, std::pair{12u, cols[i].indicator}}) {
      if (!part) continue;
      while (d.size() % 4 != 0) d.push_back(0xEE);
      o.put32(d, at + field, static_cast<uint32_t>(d.size()));
      const bytes b = part(o);
      d.insert(d.end(), b.begin(), b.end());
    }
  }
  return d;
}

class ColumnConversion : public row_lists {
 protected:
  int32_t convert(const order& o, const std::vector<dcol>& cols, const bytes& flags = {}) {
    list.get()->sqld = static_cast<int16_t>(std::max<size_t>(cols.size(), 1));
    const bytes body = body_with(o, descriptor_data(o, cols), flags);
    return clt_out_conv(body.data(), static_cast<uint32_t>(body.size()), &r.area);
  }
};

struct value_row {
  const char* what;
  dcol col;
  uint8_t host_code;
  std::function<void(SQLVAR&)> shape;
  encode expect;  // the variable's first bytes afterwards
  size_t room;    // bytes of the variable that may change
};

std::function<void(SQLVAR&)> length32(uint32_t n) {
  return [n](SQLVAR& v) { v.len.sqllen32 = n; };
}

TEST_F(ColumnConversion, EveryCodeInEitherByteOrder) {
  const value_row rows[] = {
      {"bytes are blank-filled, never ended", {0x44, len16(2), raw(text("ab")), nullptr}, 0x44, sqllen(5),
       raw(text("ab   ")), 5},
      {"fixed character of 3 bytes into 5, ended", {0xA4, len16(3), raw(text("abc")), nullptr}, 0xA4, sqllen(5),
       raw(cat({text("abc  "), {0}})), 6},
      {"packed decimal copied", {0x64, prec(8, 0), raw({0x12, 0x34, 0x56, 0x78, 0x9C}), nullptr}, 0x64, decimal(8, 0),
       raw({0x12, 0x34, 0x56, 0x78, 0x9C}), 5},
      {"even precision with a sign in front", {0xE4, prec(4, 0), raw({0x01, 0x23, 0x4C}), nullptr}, 0xEA,
       decimal(4, 0), raw(text("+1234")), 5},
      {"even precision in zoned form", {0xE4, prec(4, 0), raw({0x01, 0x23, 0x4C}), nullptr}, 0xEC, decimal(4, 0),
       raw(text("1234")), 4},
      {"odd negative with a sign in front", {0xE4, prec(5, 0), raw({0x12, 0x34, 0x5D}), nullptr}, 0xEA,
       decimal(5, 0), raw(text("-12345")), 6},
      {"odd negative zoned", {0xE4, prec(5, 0), raw({0x12, 0x34, 0x5D}), nullptr}, 0xEC, decimal(5, 0),
       raw({0x31, 0x32, 0x33, 0x34, 0x75}), 5},
      {"packed into a packed host", {0xE4, prec(5, 2), raw({0x12, 0x34, 0x5D}), nullptr}, 0xE4, decimal(5, 2),
       raw({0x12, 0x34, 0x5D}), 3},
      {"four coded bytes never swapped", {0x70, len16(4), raw({1, 2, 3, 4}), nullptr}, 0x70, sqllen(4),
       raw({1, 2, 3, 4}), 4},
      {"three coded bytes", {0x78, len16(3), raw({7, 8, 9}), nullptr}, 0x78, sqllen(3), raw({7, 8, 9}), 3},
      {"variable coded bytes", {0x7C, len16(8), raw(text("20261210")), nullptr}, 0x7C, sqllen(10),
       raw(text("20261210")), 8},
      {"large binary: its length, then its bytes",
       {0x90, len32(100), [](const order& o) { return cat({o.u32(0), o.u32(3), text("xyz")}); }, nullptr}, 0x90,
       length32(100), raw(cat({host<uint32_t>(3), text("xyz")})), 7},
      {"reserved large binary keeps its first word",
       {0x92, len32(100), [](const order& o) { return cat({o.u32(0), o.u32(2), text("pq")}); }, nullptr}, 0x92,
       length32(100), raw(cat({{kGuard, kGuard, kGuard, kGuard}, host<uint32_t>(2), text("pq")})), 10},
      {"handle in client order", {0x94, len16(4), [](const order& o) { return o.u32(0x01020304); }, nullptr}, 0x94,
       sqllen(4), raw(host<uint32_t>(0x01020304)), 4},
      {"variable character into a prefixed host", {0xA0, len16(10), [](const order& o) { return cat({o.u16(3), text("abc")}); }, nullptr},
       0xA0, sqllen(10), raw(cat({host<uint16_t>(3), text("abc")})), 5},
      {"variable character into an ended host", {0xC0, len16(10), [](const order& o) { return cat({o.u16(3), text("abc")}); }, nullptr},
       0x30, sqllen(10), raw(cat({text("abc"), {0}})), 4},
      {"national variable character counts characters",
       {0xB0, len16(4), [](const order& o) { return cat({o.u16(2), {0xA4, 0xA2, 0xA4, 0xA4}}); }, nullptr}, 0xB0,
       sqllen(4), raw(cat({host<uint16_t>(2), {0xA4, 0xA2, 0xA4, 0xA4}})), 6},
      {"national fixed padded with the national space", {0xB4, len16(2), raw({0xA4, 0xA2, 0xA4, 0xA4}), nullptr}, 0xB4,
       sqllen(3), raw({0xA4, 0xA2, 0xA4, 0xA4, 0x81, 0x40, 0}), 7},
      {"8-byte number", {0xE0, len16(8), [](const order& o) { return o.u64(0x0102030405060708ull); }, nullptr}, 0xE0,
       sqllen(8), raw(host<uint64_t>(0x0102030405060708ull)), 8},
      {"4-byte number", {0xE2, len16(4), [](const order& o) { return o.u32(0xA1B2C3D4u); }, nullptr}, 0xE2, sqllen(4),
       raw(host<uint32_t>(0xA1B2C3D4u)), 4},
      {"integer", {0xF0, len16(4), [](const order& o) { return o.u32(0xFFFFFFFEu); }, nullptr}, 0xF0, sqllen(4),
       raw(host<int32_t>(-2)), 4},
      {"small integer", {0xF4, len16(2), [](const order& o) { return o.u16(0x1234); }, nullptr}, 0xF4, sqllen(2),
       raw(host<int16_t>(0x1234)), 2},
  };
  main()->national_space[0] = 0x81;
  main()->national_space[1] = 0x40;
  for (bool le : {false, true}) {
    const order o{le};
    order_of(le);
    for (const value_row& row : rows) {
      SCOPED_TRACE(std::string(row.what) + (le ? " (PC server)" : " (big-endian server)"));
      vars[0] = variable();
      inds[0][0] = inds[0][1] = kIndicatorGuard;
      SQLVAR& v = list.var(0);
      v.SQLDATA = vars[0].data();
      v.SQLIND = inds[0];
      // Nullable, with the indicator of its code (an i32 for 0x90 to 0x9F).
      v.sqlcod = static_cast<uint8_t>(row.host_code | 1);
      v.XDIM = 1;
      row.shape(v);
      const bool wide = (row.host_code & 0xF0) == 0x90;
      constexpr int32_t kPositive = 5;  // not a cut: delivered unchanged
      dcol col = row.col;
      col.indicator = [wide](const order& x) { return wide ? x.u32(kPositive) : x.u16(kPositive); };
      ASSERT_EQ(convert(o, {col}), 0) << r.message();
      expect_stored(row.expect(o), row.room);
      int32_t indicator = inds[0][0];
      if (wide) memcpy(&indicator, inds[0], sizeof indicator);
      EXPECT_EQ(indicator, kPositive);
      if (!wide) {
        EXPECT_EQ(inds[0][1], kIndicatorGuard);
      }
      EXPECT_EQ(warnings(), "  ");
    }
  }
}

TEST_F(ColumnConversion, TerminatorByteDecidesTheZeroAfterFixedCharacters) {
  for (uint8_t terminator : {0, 1, 2}) {
    SCOPED_TRACE(static_cast<int>(terminator));
    r.area.termbyte = terminator;
    fresh(0);
    list.var(0).sqlcod = 0xA4;
    list.var(0).len.s.sqllen = 5;
    ASSERT_EQ(convert(order{false}, {{0xA4, len16(3), raw(text("abc")), nullptr}}), 0);
    EXPECT_EQ(vars[0].first(5), text("abc  "));
    if (terminator == 2) {
      EXPECT_TRUE(vars[0].untouched_from(5));
    } else {
      EXPECT_EQ(vars[0].first(6)[5], 0);
      EXPECT_TRUE(vars[0].untouched_from(6));
    }
  }
}

TEST_F(ColumnConversion, NullLeavesTheValueAndGivesMinusOne) {
  list.var(0).sqlcod = 0xF1;
  list.var(0).len.s.sqllen = 4;
  ASSERT_EQ(convert(order{false}, {{0xF0, len16(4), nullptr, ind16(-1)}}), 0);
  EXPECT_EQ(inds[0][0], -1);
  EXPECT_TRUE(vars[0].untouched_from(0));
  // Not nullable: nothing reaches the indicator.
  inds[0][0] = kIndicatorGuard;
  list.var(0).sqlcod = 0xF0;
  ASSERT_EQ(convert(order{false}, {{0xF0, len16(4), nullptr, ind16(-1)}}), 0);
  EXPECT_EQ(inds[0][0], kIndicatorGuard);
}

TEST_F(ColumnConversion, AMissingIndicatorVariableIsRefusedWhenTheColumnHasOne) {
  list.var(0).sqlcod = 0xF0;
  list.var(0).len.s.sqllen = 4;
  list.var(1).sqlcod = 0xF1;
  list.var(1).len.s.sqllen = 4;
  list.var(1).SQLIND = nullptr;
  const auto value = [](const order& o) { return o.u32(7); };
  EXPECT_EQ(convert(order{false}, {{0xF0, len16(4), value, nullptr}, {0xF0, len16(4), value, ind16(0)}}), -1);
  EXPECT_EQ(r.sqlcode(), -305);
  EXPECT_EQ(r.message(), "KFPA11305-E Indicator must be specified for null value 2");
  EXPECT_EQ(r.sqlstate(), "R0000");
  EXPECT_EQ(vars[0].first(4), host<int32_t>(7)) << "the columns before keep their values";
  // Without an indicator offset the same variable is accepted.
  EXPECT_EQ(convert(order{false}, {{0xF0, len16(4), value, nullptr}, {0xF0, len16(4), value, nullptr}}), 0);
  EXPECT_EQ(vars[1].first(4), host<int32_t>(7));
}

TEST_F(ColumnConversion, FlaggedColumnsCarryTheAddressText) {
  server_address("10.1.2.3");
  for (bool le : {false, true}) {
    SCOPED_TRACE(le);
    order_of(le);
    vars[0] = variable();
    SQLVAR& v = list.var(0);
    v.SQLDATA = vars[0].data();
    v.sqlcod = 0xA1;
    v.len.s.sqllen = 20;
    const auto value = [](const order& o) { return cat({o.u16(4), text("wxyz")}); };
    ASSERT_EQ(convert(order{le}, {{0xA0, len16(20), value, ind16(4)}}, {0x01}), 0) << r.message();
    EXPECT_EQ(vars[0].first(14), cat({host<uint16_t>(12), text("10.1.2.3wxyz")}));
    EXPECT_EQ(inds[0][0], 12);
    // A later FETCH reply without flag bytes takes the kept ones.
    ASSERT_EQ(convert(order{le}, {{0xA0, len16(20), value, nullptr}}), 0);
    EXPECT_EQ(vars[0].first(14), cat({host<uint16_t>(12), text("10.1.2.3wxyz")}));
  }
  ASSERT_NE(reply()->kept_flags.bytes, nullptr);
  EXPECT_EQ(reply()->kept_flags.count, 1);
}

TEST_F(ColumnConversion, AnAddressTextBeyondTheVariableIsCutAsATruncation) {
  server_address("192.168.100.200");
  SQLVAR& v = list.var(0);
  v.sqlcod = 0xA1;
  v.len.s.sqllen = 10;
  const auto value = [](const order& o) { return cat({o.u16(4), text("wxyz")}); };
  ASSERT_EQ(convert(order{false}, {{0xA0, len16(10), value, ind16(0)}}, {0x01}), 0);
  EXPECT_EQ(vars[0].first(12), cat({host<uint16_t>(10), text("192.168.10")}));
  EXPECT_TRUE(vars[0].untouched_from(12));
  EXPECT_EQ(inds[0][0], 19);
  EXPECT_EQ(warnings(), "WW");
  EXPECT_EQ(r.sqlstate(), "01000");
}

TEST_F(ColumnConversion, RepetitionWithANullSecondElement) {
  SQLVAR& v = list.var(0);
  v.sqlcod = 0xF1;
  v.len.s.sqllen = 4;
  v.XDIM = 3;
  const auto value = [](const order& o) { return cat({o.u32(3), o.u32(11), o.u32(33)}); };
  const auto ind = [](const order& o) { return cat({o.u32(0), o.u16(0), o.u16(0xFFFF), o.u16(0)}); };
  for (bool le : {false, true}) {
    order_of(le);
    vars[0] = variable();
    v.SQLDATA = vars[0].data();
    ASSERT_EQ(convert(order{le}, {{0xF0, len16(4), value, ind}}), 0) << r.message();
    EXPECT_EQ(vars[0].first(4), host<uint32_t>(3));
    EXPECT_EQ(vars[0].first(8), cat({host<uint32_t>(3), host<int32_t>(11)}));
    EXPECT_EQ(vars[0].first(16), cat({host<uint32_t>(3), host<int32_t>(11), {kGuard, kGuard, kGuard, kGuard}, host<int32_t>(33)}));
    int32_t column = 0;
    memcpy(&column, inds[0], 4);
    EXPECT_EQ(column, 0);
    EXPECT_EQ(inds[0][2], 0);
    EXPECT_EQ(inds[0][3], -1);
    EXPECT_EQ(inds[0][4], 0);
  }
}

TEST_F(ColumnConversion, NullValuesCarryDataWithABlankMark) {
  env()->pddflnval = 'Y';
  SQLVAR& v = list.var(0);
  v.sqlcod = 0xF1;
  v.len.s.sqllen = 4;
  v.XDIM = 3;
  const auto value = [](const order& o) { return cat({o.u32(3), o.u32(11), o.u32(22), o.u32(33)}); };
  const auto ind = [](const order& o) { return cat({o.u32(0), o.u16(0), o.u16(0xFFFF), o.u16(0)}); };
  ASSERT_EQ(convert(order{false}, {{0xF0, len16(4), value, ind}}), 0);
  EXPECT_EQ(vars[0].first(16), cat({host<uint32_t>(3), host<int32_t>(11), host<int32_t>(22), host<int32_t>(33)}));
  EXPECT_EQ(inds[0][3], -1);
}

TEST_F(ColumnConversion, FixedUtf16CopiesNeedAnEvenLengthToPad) {
  csna_buf names(4, {{0, {"MASTER", "UTF-16LE"}}});
  r.area.sqlcsna1 = names.storage.data();
  pad_entry("MASTER", "UTF-16LE", {0x20, 0x00});
  SQLVAR& v = list.var(0);
  v.sqlcod = 0xC4;
  v.len.s.sqllen = 7;
  list.var(1).sqlcod = 0xF0;
  list.var(1).len.s.sqllen = 4;
  const dcol second{0xF0, len16(4), [](const order& o) { return o.u32(5); }, nullptr};
  EXPECT_EQ(convert(order{false}, {{0xC4, len16(4), raw({'a', 0, 'b', 0}), nullptr}, second}), 0);
  EXPECT_EQ(r.sqlcode(), -306);
  EXPECT_EQ(r.message(), "KFPA11306-E Invalid data to output variable     1");
  EXPECT_TRUE(vars[0].untouched_from(0));
  EXPECT_TRUE(vars[1].untouched_from(0)) << "later columns are not converted";

  r.sqlca.SQLCODE = 0;
  v.len.s.sqllen = 8;
  EXPECT_EQ(convert(order{false}, {{0xC4, len16(4), raw({'a', 0, 'b', 0}), nullptr}, second}), 0);
  EXPECT_EQ(vars[0].first(9), bytes({'a', 0, 'b', 0, 0x20, 0, 0x20, 0, 0}));
  EXPECT_EQ(vars[1].first(4), host<int32_t>(5));
}

TEST_F(ColumnConversion, APadUnitThatDoesNotFitStopsWithAWarning) {
  csna_buf names(4, {{0, {"MASTER", "UTF-32"}}});
  r.area.sqlcsna1 = names.storage.data();
  pad_entry("MASTER", "UTF-32", {0x20, 0, 0, 0});
  list.var(0).sqlcod = 0xC4;
  list.var(0).len.s.sqllen = 10;
  EXPECT_EQ(convert(order{false}, {{0xC4, len16(4), raw({'a', 0, 0, 0}), nullptr}}), 0);
  EXPECT_EQ(vars[0].first(8), bytes({'a', 0, 0, 0, 0x20, 0, 0, 0}));
  EXPECT_EQ(vars[0].first(11)[8], 0) << "the terminator at the length reached";
  EXPECT_EQ(vars[0].first(11)[9], kGuard) << "the rest keeps its contents";
  EXPECT_EQ(warnings(), "WW");
}

struct cut_row {
  const char* what;
  uint8_t mode;
  dcol col;
  uint8_t host_code;
  int16_t sqllen;
  bytes expect;
  int16_t indicator;
};

TEST_F(ColumnConversion, ConversionsCutPerFamilyAndMode) {
  const auto vchar = [](const std::string& s) {
    return encode([s](const order& o) { return cat({o.u16(static_cast<uint16_t>(s.size())), text(s)}); });
  };
  const cut_row rows[] = {
      {"EUC into a prefixed host", CLT_CNV_EUCHJ, {0xA0, len16(6), vchar("abcdef"), ind16(0)}, 0xA1, 3,
       cat({host<uint16_t>(3), text("abc")}), 6},
      {"EUC into an ended host", CLT_CNV_UJIS, {0xA0, len16(6), vchar("abcdef"), ind16(0)}, 0x31, 3,
       cat({text("abc"), {0}}), 6},
      {"UTF-8 into a fixed host", CLT_CNV_UTF8, {0xA4, len16(6), raw(text("abcdef")), ind16(0)}, 0xA5, 4,
       cat({text("abcd"), {0}}), 6},
      {"national characters counted", CLT_CNV_UJIS,
       {0xB0, len16(3), [](const order& o) { return cat({o.u16(3), {0xA4, 0xA2, 0xA4, 0xA4, 0xA4, 0xA6}}); }, ind16(0)},
       0xB1, 2, cat({host<uint16_t>(2), {0x82, 0xA0, 0x82, 0xA2}}), 3},
      {"an indicator already positive is kept", CLT_CNV_EUCHJ, {0xA0, len16(6), vchar("abcdef"), ind16(9)}, 0xA1, 3,
       cat({host<uint16_t>(3), text("abc")}), 9},
  };
  for (const cut_row& row : rows) {
    SCOPED_TRACE(row.what);
    fresh_case(row.mode, row.host_code, row.sqllen);
    ASSERT_EQ(convert(order{false}, {row.col}), 0) << r.message();
    expect_cut(row.expect, row.indicator);
  }
}

// The UCS-2 modes double every single-byte character, so a value of the
// largest length measures twice that after a cut; the indicator takes the
// family's cap.
TEST_F(ColumnConversion, MeasuredLengthsAreCappedPerFamily) {
  constexpr uint16_t kVarMax = 32000;
  constexpr uint16_t kFixedMax = 30000;
  const std::string var_text(kVarMax, 'a');
  const std::string fixed_text(kFixedMax, 'b');
  struct cap_row {
    const char* what;
    dcol col;
    uint8_t host_code;
    int16_t sqllen;
    int16_t indicator;
  };
  const cap_row rows[] = {
      {"variable character", {0xA0, len16(kVarMax), [&](const order& o) { return cat({o.u16(kVarMax), text(var_text)}); }, ind16(0)},
       0xA1, static_cast<int16_t>(kVarMax), static_cast<int16_t>(kVarMax)},
      {"fixed character", {0xA4, len16(kFixedMax), raw(text(fixed_text)), ind16(0)}, 0xA5,
       static_cast<int16_t>(kFixedMax), static_cast<int16_t>(kFixedMax)},
  };
  for (const cap_row& row : rows) {
    SCOPED_TRACE(row.what);
    fresh_case(CLT_CNV_UCS2_UJIS, row.host_code, row.sqllen);
    vars[0] = variable(2 * kVarMax);
    list.var(0).SQLDATA = vars[0].data();
    ASSERT_EQ(convert(order{false}, {row.col}), 0) << r.message();
    EXPECT_EQ(vars[0].first(4)[row.host_code == 0xA1 ? 2 : 0], row.host_code == 0xA1 ? 'a' : 'b');
    expect_cut({}, row.indicator);
  }
}

TEST_F(ColumnConversion, Ucs2FixedCharactersArePaddedWithBlankPairs) {
  mode(CLT_CNV_UCS2_UJIS);
  list.var(0).sqlcod = 0xA4;
  list.var(0).len.s.sqllen = 6;
  ASSERT_EQ(convert(order{false}, {{0xA4, len16(1), raw(text("a")), nullptr}}), 0);
  EXPECT_EQ(vars[0].first(8), bytes({'a', 0, 0x20, 0, 0x20, 0, 0, 0}));
  // An odd length leaves one byte for a blank; nothing passes the terminator.
  vars[0] = variable();
  list.var(0).SQLDATA = vars[0].data();
  list.var(0).len.s.sqllen = 5;
  ASSERT_EQ(convert(order{false}, {{0xA4, len16(1), raw(text("a")), nullptr}}), 0);
  EXPECT_EQ(vars[0].first(7), bytes({'a', 0, 0x20, 0, 0x20, 0, 0}));
  EXPECT_TRUE(vars[0].untouched_from(7));
}

TEST_F(ColumnConversion, NationalFixedPadsWithIdeographicSpacesInUcs2Modes) {
  mode(CLT_CNV_UCS2_UTF8);
  list.var(0).sqlcod = 0xB4;
  list.var(0).len.s.sqllen = 3;
  ASSERT_EQ(convert(order{false}, {{0xB4, len16(1), raw(text("ab")), nullptr}}), 0);
  EXPECT_EQ(vars[0].first(8), bytes({'a', 0, 'b', 0, 0x00, 0x30, 0, 0}));
}

TEST_F(ColumnConversion, NoRowsLeavesEverythingAlone) {
  r.sqlca.SQLCODE = 100;
  list.var(0).sqlcod = 0xF1;
  list.var(0).len.s.sqllen = 4;
  ASSERT_EQ(convert(order{false}, {{0xF0, len16(4), [](const order& o) { return o.u32(1); }, ind16(0)}}), 0);
  EXPECT_TRUE(vars[0].untouched_from(0));
  EXPECT_EQ(inds[0][0], kIndicatorGuard);
}

TEST_F(ColumnConversion, RefusedRepliesWriteNoVariable) {
  const dcol good{0xF0, len16(4), [](const order& o) { return o.u32(1); }, nullptr};
  struct bad_row {
    const char* what;
    std::vector<dcol> cols;
    std::function<void()> shape;
  };
  const bad_row rows[] = {
      {"decimal scale differs from the variable's", {good, {0xE4, prec(5, 2), raw({1, 2, 3}), nullptr}},
       [&] {
         list.var(1).sqlcod = 0xE4;
         list.var(1).len.d.sqlprcsn = 5;
         list.var(1).len.d.sqlscale = 1;
       }},
      {"coded bytes longer than the variable", {good, {0x7C, len16(10), raw(text("0123456789")), nullptr}},
       [&] {
         list.var(1).sqlcod = 0x7C;
         list.var(1).len.s.sqllen = 8;
       }},
      {"three coded bytes of length 4", {good, {0x78, len16(4), raw({1, 2, 3, 4}), nullptr}},
       [&] {
         list.var(1).sqlcod = 0x78;
         list.var(1).len.s.sqllen = 3;
       }},
      {"a code outside the table", {good, {0x50, len16(4), raw({1, 2, 3, 4}), nullptr}}, [&] {}},
      {"a value past the body", {good, {0xA0, len16(10), [](const order& o) { return cat({o.u16(200), text("x")}); }, nullptr}},
       [&] {
         list.var(1).sqlcod = 0xA0;
         list.var(1).len.s.sqllen = 300;
       }},
      {"more elements than XDIM", {good, {0xF0, len16(4), [](const order& o) { return cat({o.u32(3), o.u32(1), o.u32(2), o.u32(3)}); }, nullptr}},
       [&] {
         list.var(1).sqlcod = 0xF0;
         list.var(1).XDIM = 2;
       }},
      {"a null repetition with elements",
       {good, {0xF0, len16(4), [](const order& o) { return cat({o.u32(1), o.u32(1)}); },
               [](const order& o) { return cat({o.u32(0xFFFFFFFFu), o.u16(0)}); }}},
       [&] {
         list.var(1).sqlcod = 0xF1;
         list.var(1).XDIM = 2;
       }},
      {"an indicator past the body", {good, {0xF0, len16(4), [](const order& o) { return o.u32(1); },
                                             [](const order&) { return bytes{0}; }}},
       [&] { list.var(1).sqlcod = 0xF1; }},
  };
  for (const bad_row& row : rows) {
    SCOPED_TRACE(row.what);
    plain_pair(list, vars, inds);
    row.shape();
    r.sqlca.SQLCODE = 0;
    EXPECT_EQ(convert(order{false}, row.cols), -1);
    expect_refused_untouched(r, "CLTSQLAG", vars, inds);
  }
}

// Offsets and counts that point past the body: the reply is refused
// before any variable is written, in either byte order.
TEST_F(ColumnConversion, OffsetsPastTheBodyAreRefused) {
  constexpr uint32_t kSecond = kDirectory + 16 + 16;  // the second descriptor
  struct bad_row {
    const char* what;
    std::function<void(const order&, bytes&, uint32_t*)> change;  // the body and the length handed over
  };
  const bad_row rows[] = {
      {"the data part past the body",
       [](const order& o, bytes& b, uint32_t*) { o.put32(b, 16, static_cast<uint32_t>(b.size())); }},
      {"a value offset at the body's end",
       [](const order& o, bytes& b, uint32_t*) { o.put32(b, kSecond + 8, static_cast<uint32_t>(b.size()) - kDirectory); }},
      {"a value offset beyond 32 bits of body", [](const order& o, bytes& b, uint32_t*) { o.put32(b, kSecond + 8, 0xFFFFFFF0u); }},
      {"an indicator offset past the body",
       [](const order& o, bytes& b, uint32_t*) { o.put32(b, kSecond + 12, static_cast<uint32_t>(b.size())); }},
      {"a total beyond the bytes received: the descriptors are cut off",
       [](const order&, bytes&, uint32_t* length) { *length = kSecond; }},
      {"a column count beyond the descriptors", [](const order& o, bytes& b, uint32_t*) {
         o.put16(b, kDirectory + 14, 3);
         b.resize(kSecond + 16);
         o.put32(b, 0, static_cast<uint32_t>(b.size()));
       }},
  };
  const dcol good{0xF0, len16(4), [](const order& o) { return o.u32(1); }, ind16(0)};
  for (bool le : {false, true}) {
    const order o{le};
    order_of(le);
    for (const bad_row& row : rows) {
      SCOPED_TRACE(std::string(row.what) + (le ? " (PC server)" : " (big-endian server)"));
      plain_pair(list, vars, inds);
      list.get()->sqld = 3;
      for (int i = 0; i < 2; ++i) list.var(i).SQLIND = inds[i];
      list.var(1).sqlcod = 0xF1;
      bytes body = body_with(o, descriptor_data(o, {good, good}));
      uint32_t length = static_cast<uint32_t>(body.size());
      row.change(o, body, &length);
      r.sqlca.SQLCODE = 0;
      EXPECT_EQ(clt_out_conv(body.data(), length, &r.area), -1);
      expect_refused_untouched(r, "CLTSQLAG", vars, inds);
    }
  }
}

TEST_F(ColumnConversion, MoreColumnsThanTheListDescribesAreRefused) {
  const dcol good{0xF0, len16(4), [](const order& o) { return o.u32(1); }, nullptr};
  list.var(0).sqlcod = 0xF0;
  list.var(0).len.s.sqllen = 4;
  const bytes body = body_with(order{false}, descriptor_data(order{false}, {good, good}));
  list.get()->sqld = 1;
  EXPECT_EQ(clt_out_conv(body.data(), static_cast<uint32_t>(body.size()), &r.area), -1);
  EXPECT_EQ(r.sqlcode(), -733);
  EXPECT_TRUE(vars[0].untouched_from(0));
}

TEST_F(ColumnConversion, OutputsOfTheExecuteFamilyGoToTheSecondList) {
  const order o{false};
  const bytes body = body_with(o, descriptor_data(o, {{0xF0, len16(4), [](const order& x) { return x.u32(61); }, nullptr}}));
  sqlda_buf second(1);
  variable out;
  second.var(0).sqlcod = 0xF0;
  second.var(0).XDIM = 1;
  second.var(0).len.s.sqllen = 4;
  second.var(0).SQLDATA = out.data();
  r.area.sqliasda2 = second.get();
  list.var(0).sqlcod = 0xF0;
  list.var(0).len.s.sqllen = 4;
  for (int32_t fc : {CLT_FC_AUX, CLT_FC_AUXI, CLT_FC_AUXO, CLT_FC_AUI3, CLT_FC_CALL, CLT_FC_GETD}) {
    SCOPED_TRACE(fc);
    main()->funccode = fc;
    out = variable();
    second.var(0).SQLDATA = out.data();
    ASSERT_EQ(clt_col_convert(clt_reply_route::output, body.data(), static_cast<uint32_t>(body.size()), &r.area), 0)
        << r.message();
    EXPECT_EQ(out.first(4), host<int32_t>(61));
    EXPECT_TRUE(vars[0].untouched_from(0));
  }
  // "AUI2": the output part of its combined list, the leading variables.
  main()->funccode = CLT_FC_AUI2;
  list.get()->sqld = 2;
  r.area.outcount = 1;
  ASSERT_EQ(clt_out_conv(body.data(), static_cast<uint32_t>(body.size()), &r.area), 0) << r.message();
  EXPECT_EQ(vars[0].first(4), host<int32_t>(61));
  r.area.outcount = 0;
  vars[0] = variable();
  list.var(0).SQLDATA = vars[0].data();
  EXPECT_EQ(clt_out_conv(body.data(), static_cast<uint32_t>(body.size()), &r.area), -1);
  EXPECT_EQ(r.sqlcode(), -733);
  EXPECT_TRUE(vars[0].untouched_from(0));
}

TEST_F(ColumnConversion, SecondProtocolTakesThreeCodedBytesOfAnyLength) {
  env()->pdsrvtype = 2;
  list.var(0).sqlcod = 0x78;
  list.var(0).len.s.sqllen = 4;
  ASSERT_EQ(convert(order{false}, {{0x78, len16(4), raw({1, 2, 3}), nullptr}}), 0) << r.message();
  EXPECT_EQ(vars[0].first(3), bytes({1, 2, 3}));
  EXPECT_TRUE(vars[0].untouched_from(3));
}

}  // namespace
