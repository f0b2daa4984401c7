#include "objedit/core/fseqcore.h"

#include <gtest/gtest.h>

#include "app/core/ovoptions.h"

namespace {

using Lines = std::vector<std::string>;

TEST(SequenceEditorRules, CreateLinesByClause) {
  AppOption.UserLowerName = false;
  struct Case {
    const char* what;
    TSequenceDef def;
    Lines lines;
  };
  const Case cases[] = {
      {"defaults with a cache and no keep count",
       {"S1.", "SQ", "1", "1", "999999999999999999", "1", false, false, "20", ""},
       {"CREATE SEQUENCE S1.SQ", "INCREMENT BY 1", "START WITH 1", "MAXVALUE 999999999999999999", "MINVALUE 1",
        "CACHE 20, 0"}},
      {"cache and keep count, CYCLE and ORDER",
       {"S1.", "SQ", "-1", "-50", "-1", "-1", true, true, "20", "5"},
       {"CREATE SEQUENCE S1.SQ", "INCREMENT BY -1", "START WITH -1", "MAXVALUE -1", "MINVALUE -50", "CYCLE",
        "CACHE 20, 5", "ORDER"}},
      {"a stored cache of 0 shows empty: no CACHE line",
       {"", "SQ", "", "", "", "", false, false, CacheShown(" 0 "), CacheShown("0")},
       {"CREATE SEQUENCE SQ"}},
      {"a lower-case name is quoted", {"S1.", "sq", "5", "", "", "", false, false, "", ""},
       {"CREATE SEQUENCE S1.\"sq\"", "START WITH 5"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SequenceCreateLines(c.def), c.lines) << c.what;
  EXPECT_EQ(DropSequenceStatement("S1", "sq"), "DROP SEQUENCE S1.\"sq\"");
  EXPECT_EQ(CacheShown(" 20 "), "20");
}

TEST(SequenceEditorRules, ARecreatedSequenceContinuesItsNumbering) {
  const TSequenceDef up{"S1.", "SQ", "1", "1", "10", "2", false, false, "", ""};
  const TSequenceDef cycling{"S1.", "SQ", "1", "1", "10", "2", true, false, "", ""};
  const TSequenceDef down{"S1.", "SQ", "1", "1", "10", "-3", true, false, "", ""};
  const TSequenceDef typed{"S1.", "SQ", "7", "1", "10", "2", false, false, "", ""};
  struct Case {
    const char* what;
    const TSequenceDef& def;
    std::optional<std::string> current;
    std::string start;
  };
  const Case cases[] = {
      {"current value plus the increment", up, "5", "7"},
      {"current value unknown: as typed", up, std::nullopt, "1"},
      {"first value changed: as typed", typed, "5", "7"},
      {"past the maximum without CYCLE: left for the server to refuse", up, "9", "11"},
      {"past the maximum under CYCLE: the minimum", cycling, "9", "1"},
      {"below the minimum going down under CYCLE: the maximum", down, "2", "10"},
      {"an unreadable current value: as typed", up, "x", "1"},
  };
  for (const Case& c : cases) EXPECT_EQ(RecreatedStart(c.def, "1", c.current), c.start) << c.what;
}

}  // namespace
