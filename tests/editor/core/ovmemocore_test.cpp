#include "editor/core/ovmemocore.h"

#include <gtest/gtest.h>

#include "editor/core/ovcodeassistcore.h"

namespace {

TCellString Row(const char* text) { return TCellString::FromUtf8(text); }

TEST(MemoWordRule, TokenAtACellIsTheRunOfNonDelimitersAroundIt) {
  struct Case {
    const char* row;
    int pos;
    const char* token;  // nullptr: nothing
  };
  // "日本" takes cells 0-3; a cell of a wide character is never a delimiter.
  for (const Case& c : {Case{"SELECT a.b,'x y' FROM S.T", 0, "SELECT"}, Case{"SELECT a.b,'x y' FROM S.T", 5, "SELECT"},
                        Case{"SELECT a.b,'x y' FROM S.T", 6, nullptr}, Case{"SELECT a.b,'x y' FROM S.T", 7, "a"},
                        Case{"SELECT a.b,'x y' FROM S.T", 8, nullptr}, Case{"SELECT a.b,'x y' FROM S.T", 9, "b"},
                        Case{"SELECT a.b,'x y' FROM S.T", 12, "x"}, Case{"SELECT a.b,'x y' FROM S.T", 11, nullptr},
                        Case{"SELECT a.b,'x y' FROM S.T", 22, "S"}, Case{"SELECT a.b,'x y' FROM S.T", 24, "T"},
                        Case{"SELECT a.b,'x y' FROM S.T", 25, nullptr}, Case{"日本_T1.列", 2, "日本_T1"},
                        Case{"日本_T1.列", 3, "日本_T1"}, Case{"日本_T1.列", 8, "列"}, Case{"x（y）", 1, "x（y）"}}) {
    const TCellString row = Row(c.row);
    TCellRange range;
    const bool found = SQLTokenAt(row, c.pos, range);
    ASSERT_EQ(found, c.token != nullptr) << c.row << " " << c.pos;
    if (found) {
      EXPECT_EQ(row.Mid(range.Start, range.Length).Utf8(), c.token) << c.row << " " << c.pos;
    }
  }
}

TEST(MemoWordRule, CaretWordFollowsTheCompletionRule) {
  struct Case {
    const char* row;
    int pos;  // the cell left of the caret
    const char* word;
  };
  for (const Case& c : {Case{"SELECT .", 7, "."}, Case{".", 0, "."}, Case{"'a'.", 3, "."}, Case{"\"A\".", 3, "."},
                        Case{"S..", 2, "."}, Case{"(.", 1, ""}, Case{"A, ", 1, ""}, Case{"A (", 2, ""},
                        Case{"FROM S.T", 7, "S.T"}, Case{"FROM S.T", 6, "S.T"}, Case{"FROM S.", 6, "S."},
                        Case{"FROM S.TAB WHERE", 7, "S.TAB"}, Case{"FROM (SCH", 8, "SCH"}, Case{"", -1, ""},
                        Case{"x 日本.列", 5, "日本.列"}, Case{"x 日本.列", 6, "日本.列"}, Case{"a=b", 2, "a=b"}, Case{"SELECT 日", 8, "日"}}) {
    EXPECT_EQ(SQLCaretWord(Row(c.row), c.pos), c.word) << c.row << " " << c.pos;
  }
}

TEST(MemoWordRule, JumpRowsSkipWhatLiesOutsideTheText) {
  struct Case {
    int line;
    int rows;
    std::vector<int> visited;
  };
  for (const Case& c : {Case{1, 50, {10, 0}}, Case{25, 50, {34, 14, 24}}, Case{50, 50, {39, 49}}, Case{1, 1, {0}},
                        Case{0, 50, {9}}, Case{60, 50, {49}}}) {
    EXPECT_EQ(JumpToLineRows(c.line, c.rows), c.visited) << c.line << " of " << c.rows;
  }
}

TEST(CodeAssistCandidates, FilterByTheTrimmedPrefixWithoutCase) {
  TCodeAssistCandidates list;
  for (const char* name : {"EMP", "emp_no", "DEPT", "Employee", "ｅｍｐ"}) list.Add(name, "TABLE", 3);
  EXPECT_EQ(list.Filter("  em "), "em");
  std::vector<std::string> names;
  for (const TCodeAssistItem& item : list.Matches()) names.push_back(item.Name);
  EXPECT_EQ(names, (std::vector<std::string>{"EMP", "emp_no", "Employee"}));
  EXPECT_EQ(list.Filter(""), "");
  EXPECT_EQ(list.Listed(), 5);
  list.Filter("ｅｍ");
  ASSERT_EQ(list.Matches().size(), 1U);
  EXPECT_EQ(list.Matches()[0], (TCodeAssistItem{"ｅｍｐ", "TABLE", 3}));
}

TEST(CodeAssistCandidates, AtMostAHundredListedThenMoreOnRequest) {
  TCodeAssistCandidates list;
  constexpr int kNames = 130;
  for (int i = 0; i < kNames; ++i) list.Add("COL" + std::to_string(i), "", 0);
  list.Add("X", "", 0);
  list.Filter("col");
  EXPECT_EQ(list.Matches().size(), static_cast<size_t>(kNames));
  EXPECT_EQ(list.Listed(), TCodeAssistCandidates::kMaxShownItems);
  EXPECT_EQ(list.More(8), 8);
  EXPECT_EQ(list.Listed(), 108);
  EXPECT_EQ(list.More(kNames), 22);
  EXPECT_EQ(list.More(1), 0);
  EXPECT_EQ(list.Listed(), kNames);
  list.Filter("col1");
  EXPECT_EQ(list.Listed(), 41) << "COL1, COL10-19, COL100-129";
}

}  // namespace
