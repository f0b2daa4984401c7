#include "platform/sqlmarkers.h"

#include <gtest/gtest.h>

namespace {

struct MarkerCase {
  const char* sql;
  const char* text;
  std::vector<std::string> names;
};

TEST(ConvertMarkers, OneMarkerPerOccurrenceOutsideLiteralsNamesAndComments) {
  const MarkerCase cases[] = {
      {"SELECT :A, :B, :A FROM T WHERE X = :A", "SELECT ?, ?, ? FROM T WHERE X = ?", {"A", "B", "A", "A"}},
      {"WHERE TRIM(DB_NAME) = :DBName AND S=:S1", "WHERE TRIM(DB_NAME) = ? AND S=?", {"DBName", "S1"}},
      {"SELECT ':A', 'it''s :B', :C", "SELECT ':A', 'it''s :B', ?", {"C"}},
      {"SELECT \"X:Y\", \":Z\" FROM T", "SELECT \"X:Y\", \":Z\" FROM T", {}},
      {"SELECT 1 -- :A\nFROM T /* :B */ WHERE :C", "SELECT 1 -- :A\nFROM T /* :B */ WHERE ?", {"C"}},
      {"SELECT '10:30', ::X, : Y", "SELECT '10:30', ::X, : Y", {}},
      {"SELECT :名前", "SELECT ?", {"名前"}},
      {"SELECT 'open :A", "SELECT 'open :A", {}},
  };
  for (const MarkerCase& c : cases) {
    platform::PositionalSql result = platform::ConvertMarkers(c.sql);
    EXPECT_EQ(result.text, c.text) << c.sql;
    EXPECT_EQ(result.names, c.names) << c.sql;
  }
}

TEST(SplitSqlSpans, CoversTheTextWithKindsInOrder) {
  std::string sql = "A 'b''c' \"d\" -- e\nF /* g */";
  auto spans = platform::SplitSqlSpans(sql);
  std::vector<std::pair<platform::SqlSpanKind, std::string>> got;
  for (const auto& s : spans) got.emplace_back(s.kind, sql.substr(s.begin, s.end - s.begin));
  using K = platform::SqlSpanKind;
  std::vector<std::pair<K, std::string>> want{
      {K::Code, "A "}, {K::Literal, "'b''c'"}, {K::Code, " "},    {K::QuotedName, "\"d\""},
      {K::Code, " "},  {K::Comment, "-- e"},   {K::Code, "\nF "}, {K::Comment, "/* g */"}};
  EXPECT_EQ(got, want);
}

}  // namespace
