// The test server's table set and its SQL subset: values fit their
// typed columns or are refused, a fixture file declares tables, and the
// statements the tests send parse into their parts.
#include <gtest/gtest.h>

#include <string>

#include "marlo_sql.h"
#include "marlo_tables.h"

namespace {

marlo::column col(const char* name, uint8_t code, uint32_t length, bool nullable = true) {
  marlo::column c;
  c.name = name;
  c.code = code;
  c.length = length;
  c.nullable = nullable;
  return c;
}

marlo::column decimal(uint8_t precision, uint8_t scale) {
  marlo::column c = col("D", 0xE4, 0);
  c.precision = precision;
  c.scale = scale;
  return c;
}

struct literal_case {
  marlo::column column;
  const char* literal;
  bool fits;
  const char* stored;  // when it fits; nullptr: NULL
};

TEST(TestServerTables, LiteralsFitTheirColumnsOrAreRefused) {
  const literal_case cases[] = {
      {col("I", 0xF0, 4), "42", true, "42"},
      {col("I", 0xF0, 4), "-2147483648", true, "-2147483648"},
      {col("I", 0xF0, 4), "2147483648", false, nullptr},
      {col("S", 0xF4, 2), "32768", false, nullptr},
      {col("S", 0xF4, 2), "1.0", true, "1"},
      {col("S", 0xF4, 2), "1.5", false, nullptr},
      {col("B", 0xE0, 8), "-9223372036854775808", true, "-9223372036854775808"},
      {decimal(5, 2), "123.4", true, "123.40"},
      {decimal(5, 2), "-0.5", true, "-0.50"},
      {decimal(5, 2), "1234", false, nullptr},
      {decimal(5, 2), "1.234", false, nullptr},
      {decimal(38, 0), "12345678901234567890123456789012345678", true, "12345678901234567890123456789012345678"},
      {col("V", 0xC0, 5), "'abc'", true, "abc"},
      {col("V", 0xC0, 5), "'it''s'", true, "it's"},
      {col("V", 0xC0, 5), "'abcdef'", false, nullptr},
      {col("V", 0xC0, 5), "'abc   '", true, "abc  "},
      {col("F", 0xC4, 4), "'ab'", true, "ab  "},
      {col("N", 0xB0, 2), "N'\x82\xa0\x82\xa2'", true, "\x82\xa0\x82\xa2"},
      {col("N", 0xB0, 2), "N'abc'", false, nullptr},
      {col("X", 0x70, 4), "X'0A0B0C0D'", true, "\x0A\x0B\x0C\x0D"},
      {col("X", 0x70, 4), "X'0A0B'", false, nullptr},
      {col("V", 0xC0, 5), "12", false, nullptr},
      {col("V", 0xC0, 5), "NULL", true, nullptr},
      {col("V", 0xC0, 5, false), "NULL", false, nullptr},
      {col("V", 0xC0, 5), "'open", false, nullptr},
  };
  for (const literal_case& c : cases) {
    SCOPED_TRACE(c.literal);
    marlo::cell out;
    std::string why;
    const bool fits = marlo::literal_cell(c.column, c.literal, &out, &why);
    EXPECT_EQ(fits, c.fits) << why;
    if (!fits || !c.fits) continue;
    EXPECT_EQ(out.null, c.stored == nullptr);
    if (c.stored != nullptr) {
      EXPECT_EQ(out.bytes, c.stored);
    }
  }
}

TEST(TestServerTables, PackedDecimalsKeepTheirDigitsAndSign) {
  const struct {
    const char* text;
    int precision;
    int scale;
    std::vector<uint8_t> packed;
  } cases[] = {
      {"-1234", 4, 0, {0x01, 0x23, 0x4D}},
      {"1234", 5, 0, {0x01, 0x23, 0x4C}},
      {"12.5", 3, 1, {0x12, 0x5C}},
      {"0", 1, 0, {0x0C}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    marlo::number n;
    ASSERT_TRUE(marlo::number::parse(c.text, &n));
    std::vector<uint8_t> packed;
    ASSERT_TRUE(n.pack(c.precision, c.scale, &packed));
    EXPECT_EQ(packed, c.packed);
    marlo::number back;
    ASSERT_TRUE(marlo::number::unpack(packed.data(), packed.size(), c.scale, &back));
    EXPECT_EQ(back.text(), c.text);
  }
  marlo::number bad;
  const uint8_t no_sign[] = {0x12, 0x34};
  EXPECT_FALSE(marlo::number::unpack(no_sign, sizeof no_sign, 0, &bad));
}

TEST(TestServerTables, AFixtureFileDeclaresTablesWithTypedColumnsAndRows) {
  marlo::table_set set;
  ASSERT_EQ(set.load(std::string(TEST_FIXTURE_DIR) + "/zelkit/server/tables.txt"), "");
  const marlo::table* staff = set.find("STAFF");
  ASSERT_NE(staff, nullptr);
  ASSERT_EQ(staff->columns.size(), 5u);
  EXPECT_EQ(staff->columns[0].code, 0xF0);
  EXPECT_FALSE(staff->columns[0].nullable);
  EXPECT_EQ(staff->columns[1].charset, "MS932");
  EXPECT_EQ(staff->columns[3].precision, 9);
  EXPECT_EQ(staff->columns[3].scale, 2);
  ASSERT_EQ(staff->rows.size(), 2u);
  EXPECT_EQ(staff->rows[0][2], marlo::cell::of("A   "));
  EXPECT_EQ(staff->rows[0][3], marlo::cell::of("1234.50"));
  EXPECT_EQ(staff->rows[0][4], marlo::cell::of("\x01\x02\x03\x04"));
  EXPECT_EQ(staff->rows[1][2], marlo::cell::null_cell());
  EXPECT_EQ(staff->rows[1][3], marlo::cell::of("-0.75"));
  ASSERT_NE(set.find("EMPTY"), nullptr);
  EXPECT_TRUE(set.find("EMPTY")->rows.empty());
  ASSERT_NE(set.find("LISTS"), nullptr);
  EXPECT_EQ(set.find("LISTS")->columns[0].elements, 3);
}

TEST(TestServerTables, ABrokenFixtureNamesItsLine) {
  marlo::table_set set;
  const std::string missing = set.load("/nonexistent/tables.txt");
  EXPECT_NE(missing.find("cannot be read"), std::string::npos);
  EXPECT_NE(set.declare(marlo::table{"T", {col("C", 0x12, 4)}, {}}).find("no type"), std::string::npos);
  EXPECT_NE(set.declare(marlo::table{"T", {col("C", 0xF0, 4)}, {{marlo::cell::of("x"), marlo::cell::of("1")}}})
                .find("wrong number"),
            std::string::npos);
}

struct sql_case {
  const char* text;
  const char* error;  // empty: parses
  marlo::statement_kind kind;
  const char* table;
  size_t columns;
  size_t markers;
};

TEST(TestServerSql, TheSubsetParsesIntoItsPartsAndRefusesTheRest) {
  using k = marlo::statement_kind;
  const sql_case cases[] = {
      {"SELECT * FROM t1", "", k::select, "T1", 0, 0},
      {"select c1, \"c2\" from T1 where c1 = ?", "", k::select, "T1", 2, 1},
      {"SELECT C1 FROM T1 WHERE C1 = 'it''s'", "", k::select, "T1", 1, 0},
      {"INSERT INTO T1 VALUES (?, 'x', -1.5, NULL, ?)", "", k::insert, "T1", 0, 2},
      {"INSERT INTO T1 (A, B) VALUES (?, X'0A')", "", k::insert, "T1", 2, 1},
      {"DELETE FROM T1", "", k::remove, "T1", 0, 0},
      {"DELETE FROM T1 WHERE ID = ?;", "", k::remove, "T1", 0, 1},
      {"UPDATE T1 SET A = 1", "SELECT, INSERT or DELETE expected", k::select, "", 0, 0},
      {"INSERT INTO T1 (A) VALUES (1, 2)", "columns and values differ in number", k::select, "", 0, 0},
      {"SELECT * FROM T1 WHERE A IS NULL", "WHERE column = value expected", k::select, "", 0, 0},
      {"SELECT * FROM T1 WHERE A = 'open", "unterminated literal", k::select, "", 0, 0},
      {"SELECT * FROM T1 ORDER BY A", "unexpected ORDER", k::select, "", 0, 0},
      {"SELECT * FROM T1 WHERE A > 1", "unexpected character >", k::select, "", 0, 0},
  };
  for (const sql_case& c : cases) {
    SCOPED_TRACE(c.text);
    marlo::statement st;
    EXPECT_EQ(marlo::parse_statement(c.text, &st), c.error);
    if (c.error[0] != '\0') continue;
    EXPECT_EQ(st.kind, c.kind);
    EXPECT_EQ(st.table, c.table);
    EXPECT_EQ(st.columns.size(), c.columns);
    EXPECT_EQ(st.markers(), c.markers);
  }
}

}  // namespace
