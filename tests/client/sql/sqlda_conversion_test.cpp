// Rows in the SQLDA form into the SQLDA's variables: values read in
// sequence in the forms their variables ask for, every code in both byte
// orders, null values with and without data, repetition columns, the
// address text and truncation, and refused replies that leave every
// variable as it was.
#include "cltsqadc.h"
#include "cltsqadg.h"
#include "rows_support.h"

namespace {

using namespace rows;

encode counted(const std::string& s) {
  return [s](const order& o) { return cat({o.u16(static_cast<uint16_t>(s.size())), text(s)}); };
}

// The data part of a SQLDA-form reply: the column count, then the row.
bytes sqlda_data(const order& o, uint16_t columns, const bytes& row) { return cat({o.u16(columns), row}); }

class SqldaConversion : public row_lists {
 protected:
  int32_t convert(const order& o, uint16_t columns, const bytes& row, const bytes& flags = {}) {
    const bytes body = body_with(o, sqlda_data(o, columns, row), flags);
    return clt_sqlda_row_conv(body.data(), static_cast<uint32_t>(body.size()), &r.area);
  }
};

struct value_row {
  const char* what;
  uint8_t code;
  std::function<void(SQLVAR&)> shape;
  encode value;
  encode expect;
  size_t room;
};


TEST_F(SqldaConversion, EveryCodeInEitherByteOrder) {
  const value_row rows[] = {
      {"ended character", 0x30, sqllen(5), counted("abc"), raw(cat({text("abc"), {0}})), 4},
      {"bytes blank-filled", 0x44, sqllen(5), counted("ab"), raw(text("ab   ")), 5},
      {"fixed character padded and ended", 0xA4, sqllen(5), counted("ab"), raw(cat({text("ab   "), {0}})), 6},
      {"packed of precision 8", 0x64, decimal(8, 0), raw({1, 2, 3, 4, 0x5C}), raw({1, 2, 3, 4, 0x5C}), 5},
      {"decimal copied", 0xE4, decimal(5, 2), raw({0x12, 0x34, 0x5D}), raw({0x12, 0x34, 0x5D}), 3},
      {"four coded bytes", 0x70, sqllen(4), raw({1, 2, 3, 4}), raw({1, 2, 3, 4}), 4},
      {"three coded bytes", 0x78, sqllen(3), raw({7, 8, 9}), raw({7, 8, 9}), 3},
      {"variable coded bytes", 0x7C, sqllen(8), raw(text("20261210")), raw(text("20261210")), 8},
      {"large binary", 0x90, [](SQLVAR& v) { v.len.sqllen32 = 100; },
       [](const order& o) { return cat({o.u32(0), o.u32(3), text("xyz")}); }, raw(cat({host<uint32_t>(3), text("xyz")})),
       7},
      {"handle", 0x94, sqllen(4), [](const order& o) { return o.u32(0x01020304); }, raw(host<uint32_t>(0x01020304)), 4},
      {"variable character", 0xA0, sqllen(10), counted("abc"), raw(cat({host<uint16_t>(3), text("abc")})), 5},
      {"variable character with a set", 0xC0, sqllen(10), counted("abc"), raw(cat({host<uint16_t>(3), text("abc")})), 5},
      {"national variable", 0xB0, sqllen(4), [](const order& o) { return cat({o.u16(2), {0xA4, 0xA2, 0xA4, 0xA4}}); },
       raw(cat({host<uint16_t>(2), {0xA4, 0xA2, 0xA4, 0xA4}})), 6},
      {"national fixed", 0xB4, sqllen(3), [](const order& o) { return cat({o.u16(2), {0xA4, 0xA2, 0xA4, 0xA4}}); },
       raw({0xA4, 0xA2, 0xA4, 0xA4, 0x81, 0x40, 0}), 7},
      {"8-byte number", 0xE0, sqllen(8), [](const order& o) { return o.u64(0x0102030405060708ull); },
       raw(host<uint64_t>(0x0102030405060708ull)), 8},
      {"4-byte number", 0xE2, sqllen(4), [](const order& o) { return o.u32(0xA1B2C3D4u); },
       raw(host<uint32_t>(0xA1B2C3D4u)), 4},
      {"integer", 0xF0, sqllen(4), [](const order& o) { return o.u32(0xFFFFFFFEu); }, raw(host<int32_t>(-2)), 4},
      {"small integer", 0xF4, sqllen(2), [](const order& o) { return o.u16(0x1234); }, raw(host<int16_t>(0x1234)), 2},
      {"sign in front", 0xEA, decimal(4, 0), raw({0x01, 0x23, 0x4C}), raw(text("+1234")), 5},
      {"zoned", 0xEC, decimal(4, 0), raw({0x01, 0x23, 0x4C}), raw(text("1234")), 4},
      {"negative sign in front", 0xEA, decimal(5, 0), raw({0x12, 0x34, 0x5D}), raw(text("-12345")), 6},
      {"negative zoned", 0xEC, decimal(5, 0), raw({0x12, 0x34, 0x5D}), raw({0x31, 0x32, 0x33, 0x34, 0x75}), 5},
      {"an unknown sign nibble gives a zero byte", 0xEA, decimal(3, 0), raw({0x12, 0x31}), raw({0, '1', '2', '3'}), 4},
  };
  main()->national_space[0] = 0x81;
  main()->national_space[1] = 0x40;
  for (bool le : {false, true}) {
    const order o{le};
    order_of(le);
    for (const value_row& row : rows) {
      SCOPED_TRACE(std::string(row.what) + (le ? " (PC server)" : " (big-endian server)"));
      fresh(0);
      SQLVAR& v = list.var(0);
      v.sqlcod = row.code;
      row.shape(v);
      // A second column after it shows that the value took its bytes.
      fresh(1);
      list.var(1).sqlcod = 0xF4;
      list.var(1).len.s.sqllen = 2;
      ASSERT_EQ(convert(o, 2, cat({row.value(o), o.u16(77)})), 0) << r.message();
      expect_stored(row.expect(o), row.room);
      EXPECT_EQ(vars[1].first(2), host<int16_t>(77));
    }
  }
}

TEST_F(SqldaConversion, TerminatorsFollowTheModeAndTheTerminatorByte) {
  list.var(0).sqlcod = 0xA4;
  list.var(0).len.s.sqllen = 5;
  r.area.termbyte = 2;
  ASSERT_EQ(convert(order{false}, 1, counted("ab")(order{false})), 0);
  EXPECT_EQ(vars[0].first(5), text("ab   "));
  EXPECT_TRUE(vars[0].untouched_from(5));

  mode(CLT_CNV_UCS2_UJIS);
  r.area.termbyte = 1;
  fresh(0);
  list.var(0).sqlcod = 0x30;
  list.var(0).len.s.sqllen = 8;
  ASSERT_EQ(convert(order{false}, 1, counted("abc")(order{false})), 0);
  EXPECT_EQ(vars[0].first(8), bytes({'a', 0, 'b', 0, 'c', 0, 0, 0}));
}

TEST_F(SqldaConversion, NullValuesCarryDataOnlyWhenTheSettingAndMarkSaySo) {
  const order o{false};
  list.var(0).sqlcod = 0xF1;
  list.var(0).len.s.sqllen = 4;
  list.var(1).sqlcod = 0xF0;
  list.var(1).len.s.sqllen = 4;
  ASSERT_EQ(convert(o, 2, cat({o.u16(0xFFFF), o.u32(9)})), 0);
  EXPECT_EQ(inds[0][0], -1);
  EXPECT_TRUE(vars[0].untouched_from(0));
  EXPECT_EQ(vars[1].first(4), host<int32_t>(9));

  env()->pddflnval = 'Y';
  ASSERT_EQ(convert(o, 2, cat({o.u16(0xFFFF), o.u32(5), o.u32(9)})), 0);
  EXPECT_EQ(inds[0][0], -1);
  EXPECT_EQ(vars[0].first(4), host<int32_t>(5));
  // A mark that is not blank: no data after a null.
  fresh(0);
  reply()->sqlca_mark = 'X';
  ASSERT_EQ(convert(o, 2, cat({o.u16(0xFFFF), o.u32(9)})), 0);
  EXPECT_TRUE(vars[0].untouched_from(0));
}

TEST_F(SqldaConversion, RepetitionColumns) {
  for (bool le : {false, true}) {
    SCOPED_TRACE(le);
    const order o{le};
    order_of(le);
    fresh(0);
    fresh(1);
    SQLVAR& v = list.var(0);
    v.sqlcod = 0xF1;
    v.len.s.sqllen = 4;
    v.XDIM = 3;
    // The column starts on a multiple of 4 from the body's start: the row
    // begins 2 bytes past one.
    SQLVAR& w = list.var(1);
    w.sqlcod = 0xA5;
    w.len.s.sqllen = 3;
    w.XDIM = 2;
    w.SQLIND = inds[1];
    r.area.termbyte = 1;
    const bytes row = cat({{0xEE, 0xEE}, o.u32(3), o.u32(0), o.u16(0), o.u16(0xFFFF), o.u16(0), o.u32(11), o.u32(33),
                           {0xEE, 0xEE}, o.u32(2), o.u32(0), o.u16(0), o.u16(0), o.u16(2), text("ab"), text("cd")});
    ASSERT_EQ(convert(o, 2, row), 0) << r.message();
    EXPECT_EQ(vars[0].first(16), cat({host<uint32_t>(3), host<int32_t>(11), {kGuard, kGuard, kGuard, kGuard},
                                      host<int32_t>(33)}));
    EXPECT_EQ(inds[0][2], 0);
    EXPECT_EQ(inds[0][3], -1);
    EXPECT_EQ(inds[0][4], 0);
    EXPECT_EQ(vars[1].first(12), cat({host<uint32_t>(2), text("ab "), {0}, text("cd "), {0}}));
  }
}

TEST_F(SqldaConversion, ANullRepetitionColumnStoresItsIndicatorOnly) {
  const order o{false};
  SQLVAR& v = list.var(0);
  v.sqlcod = 0xF1;
  v.len.s.sqllen = 4;
  v.XDIM = 3;
  ASSERT_EQ(convert(o, 1, cat({{0xEE, 0xEE}, o.u32(0), o.u32(0xFFFFFFFFu)})), 0) << r.message();
  int32_t column = 0;
  memcpy(&column, inds[0], 4);
  EXPECT_EQ(column, -1);
  EXPECT_TRUE(vars[0].untouched_from(0)) << "no count with a null column";
}

TEST_F(SqldaConversion, FlaggedColumnsCarryTheAddressText) {
  server_address("10.1.2.3");
  const order o{false};
  list.var(0).sqlcod = 0xA1;
  list.var(0).len.s.sqllen = 20;
  ASSERT_EQ(convert(o, 1, cat({o.u16(4), counted("wxyz")(o)}), {0x01}), 0) << r.message();
  EXPECT_EQ(vars[0].first(14), cat({host<uint16_t>(12), text("10.1.2.3wxyz")}));
  EXPECT_EQ(inds[0][0], 12);
}

// The address text may make a value longer than its variable: it is cut
// there as a conversion would cut it.
TEST_F(SqldaConversion, AnAddressTextBeyondTheVariableIsCutAsATruncation) {
  server_address("192.168.100.200");
  const order o{false};
  const struct {
    uint8_t code;
    bytes expect;
    size_t room;
  } rows[] = {
      {0xA1, cat({host<uint16_t>(10), text("192.168.10")}), 12},
      {0x31, cat({text("192.168.10"), {0}}), 11},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.code));
    fresh_case(CLT_CNV_NOUSE, row.code, 10);
    ASSERT_EQ(convert(o, 1, cat({o.u16(0), counted("wxyz")(o)}), {0x01}), 0) << r.message();
    EXPECT_EQ(vars[0].first(row.room), row.expect);
    EXPECT_TRUE(vars[0].untouched_from(row.room));
    expect_cut(row.expect, 19);
  }
}

TEST_F(SqldaConversion, ACutValueGetsItsMeasuredLength) {
  mode(CLT_CNV_EUCHJ);
  const order o{false};
  list.var(0).sqlcod = 0x31;
  list.var(0).len.s.sqllen = 3;
  ASSERT_EQ(convert(o, 1, cat({o.u16(0), counted("abcdef")(o)})), 0);
  EXPECT_EQ(vars[0].first(4), cat({text("abc"), {0}}));
  EXPECT_EQ(inds[0][0], 6);
  EXPECT_EQ(warnings(), "WW");
  EXPECT_EQ(r.sqlstate(), "01000");
}

struct cut_row {
  const char* what;
  uint8_t mode;
  uint8_t code;
  int16_t sqllen;
  encode value;
  bytes expect;
  int16_t indicator;
};

TEST_F(SqldaConversion, ConversionsCutPerFamilyAndMode) {
  const order o{false};
  const cut_row rows[] = {
      {"ended host, EUC", CLT_CNV_UJIS, 0x31, 3, counted("abcdef"), cat({text("abc"), {0}}), 6},
      {"prefixed host, UTF-8", CLT_CNV_UTF8, 0xA1, 3, counted("abcdef"), cat({host<uint16_t>(3), text("abc")}), 6},
      {"prefixed host, EUCHJ2 leaves no blanks", CLT_CNV_EUCHJ2, 0xC1, 2, counted("abc"),
       cat({host<uint16_t>(2), text("ab")}), 3},
      {"fixed host, UTF8_EX", CLT_CNV_UTF8_EX, 0xA5, 4, counted("abcdef"), cat({text("abcd"), {0}}), 6},
      {"national variable counts characters", CLT_CNV_UJIS, 0xB1, 2,
       [](const order& x) { return cat({x.u16(3), {0xA4, 0xA2, 0xA4, 0xA4, 0xA4, 0xA6}}); },
       cat({host<uint16_t>(2), {0x82, 0xA0, 0x82, 0xA2}}), 3},
      {"national fixed counts characters", CLT_CNV_EUCHJ, 0xB5, 2,
       [](const order& x) { return cat({x.u16(3), {0xA4, 0xA2, 0xA4, 0xA4, 0xA4, 0xA6}}); },
       {0x82, 0xA0, 0x82, 0xA2, 0}, 3},
      {"UCS-2 ended host, two zero bytes", CLT_CNV_UCS2_UJIS, 0x31, 4, counted("abc"), {'a', 0, 'b', 0, 0, 0}, 6},
  };
  for (const cut_row& row : rows) {
    SCOPED_TRACE(row.what);
    fresh_case(row.mode, row.code, row.sqllen);
    ASSERT_EQ(convert(o, 1, cat({o.u16(0), row.value(o)})), 0) << r.message();
    expect_cut(row.expect, row.indicator);
  }
}

TEST_F(SqldaConversion, FixedUtf16OfOddLengthIsInvalid) {
  csna_buf names(4, {{0, {"MASTER", "UTF-16BE"}}});
  r.area.sqlcsna1 = names.storage.data();
  const order o{false};
  list.var(0).sqlcod = 0xC4;
  list.var(0).len.s.sqllen = 7;
  list.var(1).sqlcod = 0xF0;
  list.var(1).len.s.sqllen = 4;
  const bytes body = body_with(o, sqlda_data(o, 2, cat({o.u16(4), {0, 'a', 0, 'b'}, o.u32(5)})));
  int32_t position = 0;
  ASSERT_EQ(clt_sqlda_conv(body.data(), static_cast<uint32_t>(body.size()), &r.area, &position, ' ', 0, 2,
                           &reply()->kept_flags),
            0);
  EXPECT_EQ(r.sqlcode(), -306);
  EXPECT_EQ(r.message(), "KFPA11306-E Invalid data to output variable     1");
  EXPECT_EQ(position, 0) << "the position stays";
  EXPECT_TRUE(vars[1].untouched_from(0));
}

TEST_F(SqldaConversion, RowsFollowEachOtherIntoArrayElements) {
  const order o{false};
  r.area.fetchrows = 2;
  list.var(0).sqlcod = 0xF1;
  list.var(0).len.s.sqllen = 4;
  const bytes body = body_with(o, sqlda_data(o, 1, cat({o.u16(0), o.u32(1), o.u16(0xFFFF), o.u16(0), o.u32(3)})));
  int32_t position = 0;
  for (int16_t e : {0, 1, 2}) {
    ASSERT_EQ(clt_sqlda_conv(body.data(), static_cast<uint32_t>(body.size()), &r.area, &position, ' ', e, 1,
                             &reply()->kept_flags),
              0);
  }
  EXPECT_EQ(position, 2 + 6 + 2 + 6);
  EXPECT_EQ(vars[0].first(12), cat({host<int32_t>(1), {kGuard, kGuard, kGuard, kGuard}, host<int32_t>(3)}));
  EXPECT_EQ(inds[0][0], 0);
  EXPECT_EQ(inds[0][1], -1);
  EXPECT_EQ(inds[0][2], 0);
}

TEST_F(SqldaConversion, VariablesOfOtherCodesAreRefused) {
  const order o{false};
  list.var(0).sqlcod = 0xF0;
  list.var(0).len.s.sqllen = 4;
  struct row {
    uint8_t code;
    int32_t sqlcode;
    const char* message;
  };
  for (const row& t : {row{0x92, -720, "KFPA11720-E Error occurred in Marlo/client, inf1=cltsqadg, inf2="},
                       row{0x98, -720, "KFPA11720-E Error occurred in Marlo/client, inf1=cltsqadg, inf2="},
                       row{0xE6, -733, "KFPA11733-E Error occurred in Marlo, inf1=cltsqadg, inf2="},
                       row{0xA8, -733, "KFPA11733-E Error occurred in Marlo, inf1=cltsqadg, inf2="}}) {
    SCOPED_TRACE(t.code);
    fresh(0);
    list.var(1).sqlcod = t.code;
    list.var(1).len.sqllen32 = 10;
    r.sqlca.SQLCODE = 0;
    EXPECT_EQ(convert(o, 2, cat({o.u32(5), o.u32(0), o.u32(1), {1}})), -1);
    EXPECT_EQ(r.sqlcode(), t.sqlcode);
    EXPECT_EQ(r.message().rfind(t.message, 0), 0u) << r.message();
    EXPECT_EQ(vars[0].first(4), host<int32_t>(5)) << "the columns before keep their values";
  }
}

TEST_F(SqldaConversion, RefusedRepliesWriteNoVariable) {
  struct bad_row {
    const char* what;
    std::function<void(SQLVAR&)> shape;
    encode row;
  };
  const bad_row rows[] = {
      {"a value past the body", [](SQLVAR& v) { v.sqlcod = 0xA0; v.len.s.sqllen = 300; },
       [](const order& o) { return cat({o.u32(1), o.u16(200), text("x")}); }},
      {"a large binary longer than its variable", [](SQLVAR& v) { v.sqlcod = 0x90; v.len.sqllen32 = 2; },
       [](const order& o) { return cat({o.u32(1), o.u32(0), o.u32(3), text("xyz")}); }},
      {"more elements than XDIM", [](SQLVAR& v) { v.sqlcod = 0xF0; v.XDIM = 2; },
       [](const order& o) { return cat({o.u32(1), {0xEE, 0xEE}, o.u32(3), o.u32(1), o.u32(2), o.u32(3)}); }},
      {"a null repetition with elements", [](SQLVAR& v) { v.sqlcod = 0xF1; v.XDIM = 2; },
       [](const order& o) { return cat({o.u32(1), {0xEE, 0xEE}, o.u32(1), o.u32(0xFFFFFFFFu), o.u16(0)}); }},
      {"an indicator cut short", [](SQLVAR& v) { v.sqlcod = 0xF1; },
       [](const order& o) { return cat({o.u32(1), bytes{0}}); }},
  };
  for (const bad_row& t : rows) {
    SCOPED_TRACE(t.what);
    plain_pair(list, vars, inds);
    t.shape(list.var(1));
    r.sqlca.SQLCODE = 0;
    EXPECT_EQ(convert(order{false}, 2, t.row(order{false})), -1);
    expect_refused_untouched(r, "cltsqadg", vars, inds);
  }
}

// A data part or a row that the body's total leaves out is refused before
// any variable is written.
TEST_F(SqldaConversion, ADataPartPastTheBodyIsRefused) {
  struct bad_row {
    const char* what;
    std::function<void(const order&, bytes&, uint32_t*)> change;
    const char* module;  // the entry reads the column count, the row converter the values
  };
  const bad_row rows[] = {
      {"the data part past the body",
       [](const order& o, bytes& b, uint32_t*) { o.put32(b, 16, static_cast<uint32_t>(b.size())); }, "cltsqadc"},
      {"a total beyond the bytes received", [](const order&, bytes&, uint32_t* length) { *length -= 2; }, "cltsqadg"},
      {"a total below the row",
       [](const order& o, bytes& b, uint32_t*) { o.put32(b, 0, static_cast<uint32_t>(b.size()) - 2); }, "cltsqadg"},
  };
  for (bool le : {false, true}) {
    const order o{le};
    order_of(le);
    for (const bad_row& t : rows) {
      SCOPED_TRACE(std::string(t.what) + (le ? " (PC server)" : " (big-endian server)"));
      plain_pair(list, vars, inds);
      bytes body = body_with(o, sqlda_data(o, 2, cat({o.u32(1), o.u32(2)})));
      uint32_t length = static_cast<uint32_t>(body.size());
      t.change(o, body, &length);
      r.sqlca.SQLCODE = 0;
      EXPECT_EQ(clt_sqlda_row_conv(body.data(), length, &r.area), -1);
      expect_refused_untouched(r, t.module, vars, inds);
    }
  }
}

TEST_F(SqldaConversion, TheReplysColumnCountIsBoundByTheSqlda) {
  const order o{false};
  for (int i = 0; i < 3; ++i) {
    list.var(i).sqlcod = 0xF0;
    list.var(i).len.s.sqllen = 4;
  }
  list.get()->sqld = 1;
  EXPECT_EQ(convert(o, 2, cat({o.u32(1), o.u32(2)})), -1);
  EXPECT_EQ(r.sqlcode(), -733);
  EXPECT_EQ(r.message().rfind("KFPA11733-E Error occurred in Marlo, inf1=cltsqadc, inf2=", 0), 0u) << r.message();
  EXPECT_TRUE(vars[0].untouched_from(0));

  r.sqlca.SQLCODE = 0;
  list.get()->sqld = 3;
  ASSERT_EQ(convert(o, 2, cat({o.u32(1), o.u32(2)})), 0);
  EXPECT_EQ(vars[1].first(4), host<int32_t>(2));
  EXPECT_TRUE(vars[2].untouched_from(0));
}

TEST_F(SqldaConversion, NoRowsTouchesNothing) {
  for (int32_t code : {100, 110}) {
    r.sqlca.SQLCODE = code;
    list.var(0).sqlcod = 0xF1;
    list.var(0).len.s.sqllen = 4;
    ASSERT_EQ(convert(order{false}, 1, cat({order{false}.u16(0), order{false}.u32(1)})), 0);
    EXPECT_TRUE(vars[0].untouched_from(0));
    EXPECT_EQ(inds[0][0], kIndicatorGuard);
  }
}

}  // namespace
