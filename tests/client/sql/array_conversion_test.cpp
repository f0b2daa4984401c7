// Array FETCH replies into successive array elements: column arrays, row
// records and the SQLDA form, every code from either kind of server held
// against the same rows fetched one at a time; the row count, refused and
// corrupt replies that leave every element as it was, and elements that
// no value runs past.
#include <string.h>

#include <functional>
#include <string>
#include <vector>

#include "CLTSQLAG.h"
#include "cltsqadc.h"
#include "cltsqlaa.h"
#include "cltsqlbf.h"
#include "cltsqlef.h"
#include "marlo_array.h"
#include "marlo_reply.h"
#include "rows_support.h"

namespace {

using namespace rows;

constexpr uint16_t kRows = 3;
constexpr uint8_t kNationalSpace[2] = {0xA1, 0xA1};

enum class layout { columns, records, sqlda };
const char* name_of(layout l) { return l == layout::columns ? "column arrays" : l == layout::records ? "row records" : "SQLDA form"; }

bool decimal_sent(uint8_t c) {
  c &= 0xFE;
  return c == 0x64 || c == 0x6E || c == 0xE4 || c == 0xE6;
}

// The description a FETCH request carries for the variable, as the
// server reads it: the code as sent and the length field in its order.
marlo::fetch_entry entry_of(bool le, const SQLVAR& v, uint8_t sent) {
  marlo::fetch_entry e{sent, 1, {}};
  const order o{le};
  bytes field;
  if (decimal_sent(sent)) {
    field = {v.len.d.sqlprcsn, v.len.d.sqlscale, 0, 0};
  } else if ((sent & 0xFE) == 0x90) {
    field = o.u32(v.len.sqllen32);
  } else {
    field = cat({o.u16(static_cast<uint16_t>(v.len.s.sqllen)), o.u16(v.len.s.SYS)});
  }
  memcpy(e.len, field.data(), sizeof e.len);
  return e;
}

marlo::fetch_options server_options(bool records) {
  marlo::fetch_options opt;
  opt.row_records = records;
  return opt;
}

bytes head_of(bool le, marlo::reply r = {}) { return marlo::encode_reply(r, marlo::byte_order{le}); }

// The reply to an array FETCH of `rows` in the layout.
bytes array_body(bool le, layout l, const std::vector<marlo::fetch_entry>& d,
                 const std::vector<std::vector<marlo::cell>>& rows) {
  bytes b = head_of(le);
  EXPECT_EQ(marlo::array_reply(le, l != layout::sqlda, d, rows, server_options(l == layout::records), &b), "");
  return b;
}

bytes row_body(bool le, layout l, const std::vector<marlo::fetch_entry>& d, const std::vector<marlo::cell>& row) {
  bytes b = head_of(le);
  EXPECT_EQ(marlo::row_reply(le, l != layout::sqlda, d, row, server_options(false), &b), "");
  return b;
}

class ArrayConversion : public connection {
 protected:
  void SetUp() override {
    connection::SetUp();
    main()->srv_level = ~20;  // the conversion variant is read from level 20
    memcpy(main()->national_space, kNationalSpace, sizeof kNationalSpace);
    r.area.termbyte = 1;
  }
  void fresh_request(int16_t fetchrows) {
    r.sqlca.SQLCODE = 0;
    memset(r.sqlca.sqlwarn, ' ', sizeof r.sqlca.sqlwarn);
    memcpy(r.area.sqlstate, "00000", 5);
    r.area.fetchrows = fetchrows;
  }
  int32_t convert_array(layout l, const bytes& b) {
    const auto n = static_cast<uint32_t>(b.size());
    switch (l) {
      case layout::columns: return clt_col_conv(b.data(), n, &r.area);
      case layout::records: return clt_col_conv_var5(b.data(), n, &r.area);
      case layout::sqlda: return clt_sqlda_array_conv(b.data(), n, &r.area);
    }
    return -1;
  }
  int32_t convert_row(layout l, const bytes& b) {
    const auto n = static_cast<uint32_t>(b.size());
    return l == layout::sqlda ? clt_sqlda_row_conv(b.data(), n, &r.area) : clt_out_conv(b.data(), n, &r.area);
  }
};

// One variable of arrays of kRows elements and its indicators, guarded.
struct array_var {
  variable data;
  variable ind;
  array_var(size_t element, size_t indicator) : data(element * kRows), ind(indicator * kRows) {}
  void attach(SQLVAR& v) {
    v.SQLDATA = data.data();
    v.SQLIND = ind.data();
  }
};

struct code_case {
  const char* what;
  uint8_t host;
  std::function<void(SQLVAR&)> shape;
  uint8_t sent;
  std::vector<marlo::cell> cells;  // kRows values, the second one NULL
};

std::function<void(SQLVAR&)> with_sys(int16_t n, uint16_t sys) {
  return [n, sys](SQLVAR& v) {
    v.len.s.sqllen = n;
    v.len.s.SYS = sys;
  };
}

marlo::cell c(const std::string& s) { return marlo::cell::of(s); }
const marlo::cell kNull = marlo::cell::null_cell();

// Fixed-length values as their columns hold them: padded to the length.
std::vector<code_case> code_cases() {
  return {
      {"ended character", 0x31, sqllen(6), 0xC1, {c("abc"), kNull, c("uvwxyz")}},
      {"variable character", 0xA1, with_sys(8, 12), 0xA1, {c("ab"), kNull, c("abcdefgh")}},
      {"variable character of a named set", 0xC1, with_sys(8, 10), 0xC1, {c("x"), kNull, c("yz")}},
      {"fixed character", 0xA5, sqllen(5), 0xA5, {c("ab   "), kNull, c("abcde")}},
      {"bytes", 0x45, sqllen(4), 0x45, {c("\x01\x02\x03\x04"), kNull, c("wxyz")}},
      {"packed of precision 8", 0x65, decimal(8, 0), 0x65, {c("12345678"), kNull, c("-7")}},
      {"packed of precision 6", 0x6F, decimal(6, 0), 0x6F, {c("123456"), kNull, c("42")}},
      {"four coded bytes", 0x71, sqllen(4), 0x71, {c("ABCD"), kNull, c("WXYZ")}},
      {"three coded bytes", 0x79, sqllen(3), 0x79, {c("ABC"), kNull, c("XYZ")}},
      {"variable coded bytes", 0x7D, sqllen(8), 0x7D, {c("20261211"), kNull, c("19991231")}},
      {"large binary", 0x91, [](SQLVAR& v) { v.len.sqllen32 = 10; }, 0x91, {c("hello"), kNull, c("0123456789")}},
      {"handle", 0x95, sqllen(4), 0x95, {c("16909060"), kNull, c("-2")}},
      {"national variable", 0xB1, with_sys(4, 10), 0xB1, {c("\xA4\xA2\xA4\xA4"), kNull, c("\xA4\xA6")}},
      {"national fixed", 0xB5, sqllen(3), 0xB5, {c("\xA4\xA2\xA1\xA1\xA1\xA1"), kNull, c("\xA4\xA2\xA4\xA4\xA4\xA6")}},
      {"8-byte number", 0xE1, sqllen(8), 0xE1, {c("1234567890123"), kNull, c("-1")}},
      {"4-byte number", 0xE3, sqllen(4), 0xE3, {c("-5"), kNull, c("305419896")}},
      {"decimal", 0xE5, decimal(5, 2), 0xE5, {c("123.45"), kNull, c("-0.5")}},
      {"sign in front", 0xEB, decimal(5, 2), 0xE5, {c("123.45"), kNull, c("-0.5")}},
      {"zoned", 0xED, decimal(5, 2), 0xE5, {c("123.45"), kNull, c("-0.5")}},
      {"integer", 0xF1, sqllen(4), 0xF1, {c("7"), kNull, c("-100000")}},
      {"small integer", 0xF5, sqllen(2), 0xF5, {c("-3"), kNull, c("4660")}},
  };
}

// The element size the caller lays its arrays out with.
size_t element_of(const SQLVAR& v) {
  const uint8_t host = v.sqlcod & 0xFE;
  const size_t p = v.len.d.sqlprcsn;
  const auto sqllen = static_cast<size_t>(v.len.s.sqllen);
  switch (host) {
    case 0x30: case 0xA4: return sqllen + 1;
    case 0x64: case 0x6E: case 0xE4: return p / 2 + 1;
    case 0x90: return v.len.sqllen32 + 4;
    case 0xA0: case 0xC0: case 0xB0: return v.len.s.SYS;
    case 0xB4: return 2 * sqllen + 1;
    case 0xEA: return p + 1;
    case 0xEC: return p;
    default: return sqllen;
  }
}

TEST_F(ArrayConversion, EveryCodeInEveryLayoutEqualsTheRowsFetchedOneAtATime) {
  for (bool le : {false, true}) {
    order_of(le);
    for (layout l : {layout::columns, layout::records, layout::sqlda}) {
      for (const code_case& k : code_cases()) {
        SCOPED_TRACE(std::string(k.what) + ", " + name_of(l) + (le ? ", PC server" : ", big-endian server"));
        sqlda_buf list(1);
        SQLVAR& v = list.var(0);
        v.sqlcod = k.host;
        v.XDIM = 1;
        k.shape(v);
        r.area.sqliasda = list.get();
        const size_t elem = element_of(v);
        const size_t ind = (k.host & 0xFE) == 0x90 || (k.host & 0xFE) == 0x94 ? 4 : 2;
        const std::vector<marlo::fetch_entry> d{entry_of(le, v, k.sent)};
        std::vector<std::vector<marlo::cell>> rows;
        for (const marlo::cell& x : k.cells) rows.push_back({x});

        array_var arrays(elem, ind);
        arrays.attach(v);
        fresh_request(kRows);
        ASSERT_EQ(convert_array(l, array_body(le, l, d, rows)), 0) << r.message();
        EXPECT_EQ(main()->array_rows, kRows);
        EXPECT_TRUE(arrays.data.guards_kept());
        EXPECT_TRUE(arrays.ind.guards_kept());

        for (uint16_t row = 0; row < kRows; ++row) {
          SCOPED_TRACE(row);
          array_var single(elem, ind);
          single.attach(v);
          fresh_request(0);
          ASSERT_EQ(convert_row(l, row_body(le, l, d, rows[row])), 0) << r.message();
          const bytes want_ind = single.ind.first(ind);
          EXPECT_EQ(bytes(arrays.ind.storage.begin() + static_cast<ptrdiff_t>(kGuardSize + ind * row),
                          arrays.ind.storage.begin() + static_cast<ptrdiff_t>(kGuardSize + ind * (row + 1))),
                    want_ind);
          // A NULL row's element holds what its layout leaves; the others
          // hold what a single FETCH stores.
          if (k.cells[row].null) continue;
          EXPECT_EQ(bytes(arrays.data.storage.begin() + static_cast<ptrdiff_t>(kGuardSize + elem * row),
                          arrays.data.storage.begin() + static_cast<ptrdiff_t>(kGuardSize + elem * (row + 1))),
                    single.data.first(elem));
        }
        r.area.sqliasda = nullptr;
      }
    }
  }
}

// A reply's u32 in the server's order, read and changed in place.
uint32_t read32(const order& o, const bytes& b, size_t at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= uint32_t{b[at + static_cast<size_t>(i)]} << (o.le ? 8 * i : 24 - 8 * i);
  return v;
}

// Two columns, an integer and a variable character, both nullable.
class ArrayPair : public ArrayConversion {
 protected:
  sqlda_buf list{2};
  array_var ints{4, 2};
  array_var texts{12, 2};
  std::vector<marlo::fetch_entry> d;
  std::vector<std::vector<marlo::cell>> rows{{c("7"), c("ab")}, {kNull, kNull}, {c("9"), c("wxyz")}};

  void SetUp() override {
    ArrayConversion::SetUp();
    list.var(0).sqlcod = 0xF1;
    list.var(0).len.s.sqllen = 4;
    list.var(1).sqlcod = 0xA1;
    list.var(1).len.s.sqllen = 10;
    list.var(1).len.s.SYS = 12;
    for (int i = 0; i < 2; ++i) list.var(i).XDIM = 1;
    ints.attach(list.var(0));
    texts.attach(list.var(1));
    r.area.sqliasda = list.get();
    d = {entry_of(false, list.var(0), 0xF1), entry_of(false, list.var(1), 0xA1)};
    fresh_request(kRows);
  }
  void TearDown() override {
    r.area.sqliasda = nullptr;
    ArrayConversion::TearDown();
  }
  bool untouched() const {
    return ints.data.untouched_from(0) && ints.ind.untouched_from(0) && texts.data.untouched_from(0) &&
           texts.ind.untouched_from(0) && ints.data.guards_kept() && texts.data.guards_kept();
  }
  int16_t indicator(const array_var& a, size_t row) const {
    int16_t x = 0;
    memcpy(&x, a.ind.storage.data() + kGuardSize + 2 * row, 2);
    return x;
  }
  int32_t int_at(size_t row) const {
    int32_t x = 0;
    memcpy(&x, ints.data.storage.data() + kGuardSize + 4 * row, 4);
    return x;
  }
};

TEST_F(ArrayPair, MoreRowsThanTheArrayHoldsAreRefusedBeforeAnyIsWritten) {
  for (layout l : {layout::columns, layout::records, layout::sqlda}) {
    SCOPED_TRACE(name_of(l));
    fresh_request(kRows - 1);
    main()->array_rows = 77;
    EXPECT_EQ(convert_array(l, array_body(false, l, d, rows)), -1);
    EXPECT_EQ(r.sqlcode(), -733);
    const std::string module = l == layout::sqlda ? "cltsqadc" : "cltsqlaa";
    EXPECT_EQ(r.message().rfind("KFPA11733-E Error occurred in Marlo, inf1=" + module + ", inf2=", 0), 0u) << r.message();
    EXPECT_EQ(r.sqlstate(), "R0000");
    EXPECT_EQ(main()->array_rows, 0);
    EXPECT_TRUE(untouched());
  }
}

TEST_F(ArrayPair, ARowCountOfNoneStoresNothing) {
  for (layout l : {layout::columns, layout::records, layout::sqlda}) {
    SCOPED_TRACE(name_of(l));
    main()->array_rows = 77;
    ASSERT_EQ(convert_array(l, array_body(false, l, d, {})), 0) << r.message();
    EXPECT_EQ(main()->array_rows, 0);
    EXPECT_TRUE(untouched());
  }
}

TEST_F(ArrayPair, ColumnArraysCheckTheIndicatorVariableEvenWithoutRows) {
  list.var(0).SQLIND = nullptr;
  EXPECT_EQ(convert_array(layout::columns, array_body(false, layout::columns, d, {})), -1);
  EXPECT_EQ(r.sqlcode(), -305);
  EXPECT_EQ(r.message(), "KFPA11305-E Indicator must be specified for null value 1");
}

// Corrupt replies: each change puts an offset, count or value outside the
// reply, and the reply is refused with every element as it was.
TEST_F(ArrayPair, CorruptRepliesAreRefusedBeforeAnyElementIsWritten) {
  const order o{false};
  struct corruption {
    const char* what;
    layout l;
    std::function<void(bytes&, size_t data)> change;
  };
  auto desc = [](size_t data, size_t i, size_t field) { return data + 16 + 16 * i + field; };
  const size_t first_record = 16 + 16 * 2;
  const corruption cases[] = {
      {"values beyond the reply", layout::columns,
       [&](bytes& b, size_t data) { o.put32(b, desc(data, 0, 8), static_cast<uint32_t>(b.size() - data)); }},
      {"a row's value offset beyond the reply", layout::columns,
       [&](bytes& b, size_t data) {
         o.put32(b, data + read32(o, b, desc(data, 1, 8)) + 8, static_cast<uint32_t>(b.size()));
       }},
      {"a value's length running past the reply", layout::columns,
       [&](bytes& b, size_t data) {
         const size_t table = data + read32(o, b, desc(data, 1, 8));
         const size_t value = data + read32(o, b, table + 8);
         o.put16(b, value, 4);
         b.resize(value + 4);
         o.put32(b, 0, static_cast<uint32_t>(b.size()));
       }},
      {"indicators beyond the reply", layout::columns,
       [&](bytes& b, size_t data) { o.put32(b, desc(data, 1, 12), static_cast<uint32_t>(b.size() - data - 2)); }},
      {"a status part without its row count", layout::columns,
       [&](bytes& b, size_t) { o.put32(b, 8, static_cast<uint32_t>(b.size() - 4)); }},
      {"more columns than descriptors", layout::columns, [&](bytes& b, size_t data) { o.put16(b, data + 14, 3); }},
      {"a next record beyond the reply", layout::records,
       [&](bytes& b, size_t data) { o.put32(b, data + first_record, static_cast<uint32_t>(b.size())); }},
      {"value offsets beyond the reply", layout::records,
       [&](bytes& b, size_t data) { o.put32(b, data + first_record + 4, static_cast<uint32_t>(b.size() - data - 4)); }},
      {"a value beyond the reply", layout::records,
       [&](bytes& b, size_t data) {
         const size_t offsets = data + read32(o, b, data + first_record + 4);
         o.put32(b, offsets + 4, static_cast<uint32_t>(b.size() - data));
       }},
  };
  for (const corruption& k : cases) {
    SCOPED_TRACE(k.what);
    fresh_request(kRows);
    bytes b = array_body(false, k.l, d, rows);
    k.change(b, read32(o, b, 16));
    EXPECT_EQ(convert_array(k.l, b), -1);
    EXPECT_EQ(r.sqlcode(), -733) << r.message();
    EXPECT_TRUE(untouched());
  }
}

// In the SQLDA form rows are read one after another: the rows before a
// row that runs past the reply stay, nothing of it is written.
TEST_F(ArrayPair, TheSqldaFormKeepsTheRowsBeforeACutRow) {
  bytes b = array_body(false, layout::sqlda, d, rows);
  order{false}.put32(b, 0, static_cast<uint32_t>(b.size() - 1));
  EXPECT_EQ(convert_array(layout::sqlda, b), -1);
  EXPECT_EQ(r.sqlcode(), -733);
  EXPECT_EQ(int_at(0), 7);
  EXPECT_EQ(indicator(ints, 1), -1);
  EXPECT_EQ(ints.data.first(12).back(), kGuard);
  EXPECT_EQ(indicator(ints, 2), static_cast<int16_t>(kGuard << 8 | kGuard));
  EXPECT_TRUE(texts.data.guards_kept());
}

TEST_F(ArrayPair, RowRecordsLeaveNullRowsAndRowsWithoutAValue) {
  const order o{false};
  bytes b = array_body(false, layout::records, d, rows);
  // The third row names no value for its integer, which is not NULL.
  const size_t data = read32(o, b, 16);
  const size_t third = data + read32(o, b, data + read32(o, b, data + 16 + 32));
  o.put32(b, data + read32(o, b, third + 4), 0);
  ASSERT_EQ(convert_array(layout::records, b), 0) << r.message();
  EXPECT_EQ(int_at(0), 7);
  EXPECT_EQ(indicator(ints, 0), 0);
  EXPECT_EQ(indicator(ints, 1), -1);
  EXPECT_EQ(indicator(texts, 1), -1);
  const bytes kept = ints.data.first(12);
  EXPECT_EQ(bytes(kept.begin() + 4, kept.end()), bytes(8, kGuard)) << "the NULL row and the row without a value";
  EXPECT_EQ(indicator(ints, 2), static_cast<int16_t>(kGuard << 8 | kGuard));
  EXPECT_EQ(texts.data.first(4), cat({host<uint16_t>(2), text("ab")}));
}

TEST_F(ArrayConversion, AFixedColumnFromAServerOfTheClientsOrderIsCopiedAtOnce) {
  // Elements 8 bytes apart: the server spaces the values with them, and
  // one copy carries the spacing along; a swapped copy writes the values alone.
  sqlda_buf list(1);
  SQLVAR& v = list.var(0);
  v.sqlcod = 0xF0;
  v.XDIM = 1;
  v.len.s.sqllen = 4;
  v.len.s.SYS = 8;
  r.area.elemsize = 1;
  r.area.sqliasda = list.get();
  for (bool le : {false, true}) {
    SCOPED_TRACE(le ? "PC server" : "big-endian server");
    order_of(le);
    fresh_request(kRows);
    variable data(8 * kRows);
    v.SQLDATA = data.data();
    marlo::fetch_options opt = server_options(false);
    opt.sys_elements = true;
    bytes b = head_of(le);
    ASSERT_EQ(marlo::array_reply(le, true, {entry_of(le, v, 0xF0)}, {{c("1")}, {c("2")}, {c("-3")}}, opt, &b), "");
    ASSERT_EQ(clt_col_conv(b.data(), static_cast<uint32_t>(b.size()), &r.area), 0) << r.message();
    const uint8_t spacing = le ? 0 : kGuard;
    const bytes gap(4, spacing);
    EXPECT_EQ(data.first(8 * kRows), cat({host<int32_t>(1), gap, host<int32_t>(2), gap, host<int32_t>(-3), gap}));
    EXPECT_TRUE(data.guards_kept());
  }
  r.area.sqliasda = nullptr;
}

// No value runs past its element: a terminator that the stride does not
// count, and a variable character longer than an element of SYS bytes.
TEST_F(ArrayConversion, NoValueIsWrittenPastItsElement) {
  for (layout l : {layout::columns, layout::records, layout::sqlda}) {
    SCOPED_TRACE(name_of(l));
    sqlda_buf list(1);
    SQLVAR& v = list.var(0);
    v.XDIM = 1;
    r.area.sqliasda = list.get();

    v.sqlcod = 0x31;
    v.len.s.sqllen = 4;
    r.area.termbyte = 0;
    variable ended(4 * kRows);
    int16_t ind[kRows] = {};
    v.SQLDATA = ended.data();
    v.SQLIND = ind;
    fresh_request(kRows);
    ASSERT_EQ(convert_array(l, array_body(false, l, {entry_of(false, v, 0xC1)}, {{c("ab")}, {c("wxyz")}, {c("abcd")}})), 0)
        << r.message();
    EXPECT_EQ(ended.first(4 * kRows), cat({text("ab"), {0, kGuard}, text("wxyzabcd")}));
    EXPECT_TRUE(ended.guards_kept());

    v.sqlcod = 0xA1;
    v.len.s.sqllen = 10;
    v.len.s.SYS = 6;
    r.area.elemsize = 1;
    r.area.termbyte = 1;
    variable texts(6 * kRows);
    v.SQLDATA = texts.data();
    fresh_request(kRows);
    ASSERT_EQ(convert_array(l, array_body(false, l, {entry_of(false, v, 0xA1)}, {{c("ab")}, {c("abcdefgh")}, {c("")}})), 0)
        << r.message();
    EXPECT_EQ(texts.first(12), cat({host<uint16_t>(2), text("ab"), {kGuard, kGuard}, host<uint16_t>(4), text("abcd")}));
    EXPECT_EQ(ind[1], 8) << "the whole length of the cut value";
    EXPECT_EQ(warnings(), "WW");
    EXPECT_EQ(r.sqlstate(), "01000");
    EXPECT_TRUE(texts.guards_kept());
    r.area.elemsize = 0;
    r.area.sqliasda = nullptr;
  }
}

// The address text goes in front of a flagged column's values and counts
// against the variable's length, unless the conversion bounds the text.
TEST_F(ArrayConversion, FlaggedValuesCarryTheAddressTextWithinTheVariable) {
  server_address("10.1.2.3");
  sqlda_buf list(1);
  SQLVAR& v = list.var(0);
  v.sqlcod = 0x31;
  v.XDIM = 1;
  v.len.s.sqllen = 10;
  r.area.sqliasda = list.get();
  int16_t ind[kRows] = {};
  v.SQLIND = ind;
  marlo::fetch_options opt = server_options(false);
  opt.flags = {0x01};
  auto body = [&](const std::string& value) {
    bytes b = head_of(false);
    EXPECT_EQ(marlo::array_reply(false, true, {entry_of(false, v, 0xC1)}, {{c("ab")}, {c(value)}, {c("")}}, opt, &b), "");
    return b;
  };
  for (layout l : {layout::columns, layout::records}) {
    SCOPED_TRACE(name_of(l));
    opt.row_records = l == layout::records;
    variable data(11 * kRows);
    v.SQLDATA = data.data();
    fresh_request(kRows);
    EXPECT_EQ(convert_array(l, body("0123456789")), -1);
    EXPECT_EQ(r.sqlcode(), -733) << "8 + 10 bytes exceed 10";
    EXPECT_TRUE(data.untouched_from(0));

    fresh_request(kRows);
    ASSERT_EQ(convert_array(l, body("cd")), 0) << r.message();
    EXPECT_EQ(data.first(11 * kRows), cat({text("10.1.2.3ab"), {0}, text("10.1.2.3cd"), {0}, text("10.1.2.3"), {0, kGuard, kGuard}}));

    // A positive indicator (a cut on the server) grows by the address
    // text in column arrays; row records deliver it as it came.
    bytes cut = body("cd");
    const order o{false};
    const size_t part = read32(o, cut, 16);
    const size_t at = l == layout::columns ? part + read32(o, cut, part + CLT_DATA_DESCRIPTORS + CLT_DESC_INDICATOR)
                                           : part + CLT_DATA_DESCRIPTORS + CLT_DESC_SIZE + 8;
    o.put16(cut, at, 3);
    fresh_request(kRows);
    ASSERT_EQ(convert_array(l, cut), 0) << r.message();
    EXPECT_EQ(ind[0], l == layout::columns ? 3 + 8 : 3);

    // A converting mode of length factor 3 bounds the text itself.
    mode(CLT_CNV_UJIS);
    fresh_request(kRows);
    ASSERT_EQ(convert_array(l, body("0123456789")), 0) << r.message();
    EXPECT_EQ(data.first(11), cat({text("10.1.2.3ab"), {0}}));
    EXPECT_EQ(data.first(22).back(), 0);
    EXPECT_EQ(warnings(), "WW");
    EXPECT_TRUE(data.guards_kept());
    mode(CLT_CNV_NOUSE);
  }
  r.area.sqliasda = nullptr;
}

TEST_F(ArrayConversion, AnArrayFetchWhileTheCursorsBlockIsCurrentIsRefused) {
  env()->pdblkf = 10;
  sqlda_buf list(1);
  int32_t value = 0;
  list.var(0).sqlcod = 0xF0;
  list.var(0).XDIM = 1;
  list.var(0).len.s.sqllen = 4;
  list.var(0).SQLDATA = &value;
  r.area.sqliasda = list.get();
  r.area.blkf_perm1 = 1;
  r.area.blkf_perm2 = 1;
  r.area.section = 3;
  ASSERT_EQ(clt_blkf_add(&r.area), 0) << r.message();
  fresh_request(kRows);
  EXPECT_EQ(clt_exec_array(&r.area), -1);
  EXPECT_EQ(r.sqlcode(), -316);
  EXPECT_EQ(r.message(), "KFPA11316-E Invalid number of elements of array variable");
  r.area.sqliasda = nullptr;
}

}  // namespace
