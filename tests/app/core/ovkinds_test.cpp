#include "app/core/ovkinds.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

TEST(ObjectKinds, ConvertBetweenCodesAndNames) {
  const std::pair<int, const char*> names[] = {
      {2, "USER"},         {3, "USER"},         {45, "TABLE"},      {46, "INDEX"},
      {47, "VIEW"},        {51, "PROCEDURE"},   {52, "FUNCTION"},   {57, "TRIGGER"},
      {58, "SEQUENCE"},    {66, "CONSTRAINT"},  {68, "ROLE"},       {69, "TABLESPACE"},
      {62, "MATERIALIZED VIEW LOG"}, {72, "DIRECTORY"}, {73, "TABLE PARTITION"}, {74, "INDEX PARTITION"},
      {71, ""},            {255, ""},           {0, ""},            {4, ""},
  };
  for (const auto& [code, name] : names) EXPECT_EQ(ObjectKindName(code), name) << code;

  const std::pair<const char*, int> codes[] = {
      {"TABLE", 45}, {"table", 45}, {"Table Partition", 73}, {"USER", 2}, {"TABLE ", 255},
      {"", 255},     {"TABLES", 255}, {"package body", 54},
  };
  for (const auto& [name, code] : codes) EXPECT_EQ(ObjectKindFromName(name), code) << name;
  for (int code = 0; code < 256; ++code) {
    const std::string name = ObjectKindName(code);
    if (!name.empty() && code != okUser2) {
      EXPECT_EQ(ObjectKindFromName(name), code) << name;
    }
  }
}

TEST(ReservedWords, AreAppendedInTheirOrder) {
  std::vector<std::string> list = {"MINE"};
  GetReservedWords(list);
  ASSERT_EQ(list.size(), 276u);
  EXPECT_EQ(list[0], "MINE");
  EXPECT_EQ(list[1], "ABSOLUTE");
  EXPECT_EQ(list.back(), "ZONE");
  auto rowId = std::find(list.begin(), list.end(), "ROW_ID");
  ASSERT_NE(rowId, list.end());
  EXPECT_EQ(*(rowId + 1), "ROWNUM");
  EXPECT_NE(std::find(list.begin(), list.end(), "END-EXEC"), list.end());
  GetReservedWords(list);
  EXPECT_EQ(list.size(), 551u);
  EXPECT_EQ(std::count(list.begin(), list.end(), "SELECT"), 2);
}

TEST(DataTypeList, ReplacesTheListWithTheTwentyTypes) {
  std::vector<std::string> list = {"OLD"};
  GetDataTypeList(list);
  ASSERT_EQ(list.size(), 20u);
  EXPECT_EQ(list.front(), "CHAR");
  EXPECT_EQ(list[10], "DOUBLE PRECISION");
  EXPECT_EQ(list.back(), "INTERVAL SECOND");
}

TEST(ColumnSizeText, FollowsTheTypeName) {
  const QVariant null;
  struct Case {
    const char* type;
    QVariant length, precision, scale;
    const char* text;
  };
  const Case cases[] = {
      {"CHAR", 10, null, null, "10"},
      {"NCHAR VARYING", 200, 5, 1, "200"},
      {"CHAR VARYING", null, null, null, ""},
      {"DECIMAL", null, 10, null, "10"},
      {"DECIMAL", null, 10, 2, "10,2"},
      {"NUMERIC", 8, 10.0, 0, "10,0"},
      {"NUMERIC", 8, null, 2, ""},
      {"decimal", null, 10, 2, ""},
      {"FLOAT", null, 53, null, "53"},
      {"INTERVAL DAY", null, null, null, ""},
      {"INTERVAL SECOND", null, 6, 2, "6"},
      {"INTEGER", 4, 10, 0, ""},
      {"TIMESTAMP", 10, 0, 0, ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ColumnSizeText(c.type, c.length, c.precision, c.scale), c.text) << c.type;
}

}  // namespace
