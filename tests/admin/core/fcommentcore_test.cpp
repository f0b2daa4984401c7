#include "admin/core/fcommentcore.h"

#include <gtest/gtest.h>

#include "app/core/ovkinds.h"

namespace {

using P = TCommentPiece;
constexpr auto B = TCommentColour::Black;
constexpr auto G = TCommentColour::Green;
constexpr auto R = TCommentColour::Red;

TEST(CommentPieces, QuotesCommentsTabsAndLineBreaks) {
  struct Case {
    const char* name;
    const char* text;
    std::vector<P> pieces;
  } cases[] = {
      {"plain text", "abc", {{"abc", B}}},
      {"comment from the outer hyphens", "x := 1 -- note", {{"x := 1 ", B}, {"-- note", G}}},
      {"hyphens inside single quotes", "'a--b' -- c", {{"'a--b' ", B}, {"-- c", G}}},
      {"hyphens inside double quotes", "\"a--b\"--c", {{"\"a--b\"", B}, {"--c", G}}},
      {"a single quote inside double quotes", "\"it's\" -- x", {{"\"it's\" ", B}, {"-- x", G}}},
      {"a double quote inside single quotes", "'say \"hi' -- x", {{"'say \"hi' ", B}, {"-- x", G}}},
      {"quotes after the comment start stay green", "-- 'a' \"b\"", {{"-- 'a' \"b\"", G}}},
      {"one hyphen is no comment", "a - b", {{"a - b", B}}},
      {"tab after a wide and a narrow character", "あa\tb", {{"あa     b", B}}},
      {"tab at the start", "\tb", {{"        b", B}}},
      {"tab inside the comment", "--\tb", {{"--      b", G}}},
      {"cut at CR LF", "first\r\nsecond", {{"first", B}}},
      {"cut at LF", "--first\nsecond", {{"--first", G}}},
      {"no comment is red", kNoComment, {{kNoComment, R}}},
      {"empty", "", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(CommentPieces(c.text, 8), c.pieces) << c.name;
}

TEST(CommentPieces, TabStopsFollowTheTabSize) {
  EXPECT_EQ(CommentPieces("ab\tc", 4), (std::vector<P>{{"ab  c", B}}));
  EXPECT_EQ(CommentPieces("abcd\tc", 4), (std::vector<P>{{"abcd    c", B}}));
}

TEST(CommentRows, OneRowPerCommentAndNoCommentRows) {
  const TCommentObject proc{okProcedure, "ADD_ORDER", "SALES", "PROCEDURE"};
  EXPECT_EQ(CommentRows(proc, {"受注", "  "}),
            (std::vector<TCommentRow>{{"ADD_ORDER", "SALES", "PROCEDURE", "受注", okProcedure},
                                      {"ADD_ORDER", "SALES", "PROCEDURE", kNoComment, okProcedure}}));
  EXPECT_EQ(CommentRows(proc, {}),
            (std::vector<TCommentRow>{{"ADD_ORDER", "SALES", "PROCEDURE", kNoComment, okProcedure}}));
}

TEST(CommentSQL, RoutineTypeClauses) {
  EXPECT_NE(CommentSQL(okProcedure).find(" AND A.PROCEDURE_TYPE = 1 AND ROUTINE_TYPE = 0 "), std::string::npos);
  const std::string function = CommentSQL(okFunction);
  EXPECT_NE(function.find(" AND A.PROCEDURE_TYPE = 2 "), std::string::npos);
  EXPECT_EQ(function.find("ROUTINE_TYPE"), std::string::npos);
  EXPECT_EQ(CommentSQL(okTrigger).find("PROCEDURE_TYPE ="), std::string::npos);
}

}  // namespace
