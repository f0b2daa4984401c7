#include "editor/core/heFountain.h"

#include <gtest/gtest.h>

#include "sqlscanner.h"

namespace {

// Display rows: text and how each ends.
struct TRowText {
  const char* text;
  int end;
};

class RowState : public ::testing::Test {
 protected:
  void SetRows(const std::vector<TRowText>& texts) {
    for (const TRowText& r : texts) {
      const int i = rows.Add(TCellString::FromUtf8(r.text));
      rows.SetRows(i, r.end);
    }
  }
  // The state at the end of the row from the state at its start.
  TRowAttributeData Out(int row, TRowAttributeData state) {
    state.RowAttribute = rows.Rows(row);
    parser->RowStateOut(row, rows, state);
    return state;
  }
  // The tokens of the row as the painter sees them: a wrapped row is scanned
  // with the next row's text behind it, and only tokens starting in the row
  // count.
  std::vector<TTok> Paint(int row, const TRowAttributeData& state, std::vector<TFountainColor*>* colours = nullptr) {
    const TCellString& own = rows.Get(row);
    const TCellString text = rows.Rows(row) == raWrapped ? own + rows.Get(row + 1) : own;
    TRowAttributeData start = state;
    if (start.BracketIndex == kBracketNotComputed) start.BracketIndex = kNoBracket;
    parser->RowStateIn(text, start);
    std::vector<TTok> tokens;
    for (int kind = parser->Next(); kind != toEof && parser->TokenStart() < own.Length(); kind = parser->Next()) {
      tokens.push_back({kind, parser->TokenStart(), parser->TokenLength()});
      if (colours) colours->push_back(parser->TokenToFountainColor());
    }
    return tokens;
  }
  static TRowAttributeData Start() {
    TRowAttributeData state;
    state.BracketIndex = kNoBracket;
    return state;
  }

  std::unique_ptr<TEditorFountain> fountain = MakeSqlFountain();
  std::unique_ptr<TFountainParser> parser = fountain->CreateParser();
  TRowAttributeStringList rows;
};

}  // namespace

TEST_F(RowState, BracketRegionCarriedOverRows) {
  SetRows({{"x /* open", raCrlf}, {"still */ y", raCrlf}, {"z", raEof}});
  const TRowAttributeData end0 = Out(0, Start());
  EXPECT_EQ(end0.BracketIndex, 0);
  EXPECT_EQ(Paint(1, end0), (std::vector<TTok>{{toBracket, 0, 8}, {toAnk, 9, 1}}));
  const TRowAttributeData end1 = Out(1, end0);
  EXPECT_EQ(end1.BracketIndex, kNoBracket);
  EXPECT_EQ(Paint(2, end1), (std::vector<TTok>{{toAnk, 0, 1}}));
}

TEST_F(RowState, RowOfBlanksLeavesTheStateUnchanged) {
  SetRows({{"   ", raCrlf}, {"", raCrlf}});
  TRowAttributeData inside = Start();
  inside.BracketIndex = 0;
  inside.ElementIndex = 7;
  for (int row : {0, 1}) {
    const TRowAttributeData out = Out(row, inside);
    EXPECT_EQ(out.BracketIndex, 0) << row;
    EXPECT_EQ(out.ElementIndex, 7) << row;
    EXPECT_EQ(out.WrappedByte, 0) << row;
  }
}

TEST_F(RowState, ReservedWordCutByAWrapKeepsItsColourOnBothRows) {
  SetRows({{"a SEL", raWrapped}, {"ECT b", raCrlf}});
  std::vector<TFountainColor*> colours;
  EXPECT_EQ(Paint(0, Start(), &colours), (std::vector<TTok>{{toAnk, 0, 1}, {toAnk, 2, 6}}));
  EXPECT_EQ(colours.back(), &fountain->Colors().Reserve());

  const TRowAttributeData end0 = Out(0, Start());
  EXPECT_EQ(end0.WrappedByte, toReserve);
  EXPECT_EQ(end0.Remain, 3);
  colours.clear();
  EXPECT_EQ(Paint(1, end0, &colours), (std::vector<TTok>{{toReserve, 0, 3}, {toAnk, 4, 1}}));
  EXPECT_EQ(colours.front(), &fountain->Colors().Reserve());
  EXPECT_EQ(colours.back(), &fountain->Colors().Ank());
  const TRowAttributeData end1 = Out(1, end0);
  EXPECT_EQ(end1.WrappedByte, 0);
  EXPECT_EQ(end1.Remain, 0);
}

TEST_F(RowState, TokensCutByAWrapContinueOnTheNextRow) {
  struct Case {
    const char* name;
    std::vector<TRowText> rows;
    int carried, remain, bracket;
    std::vector<TTok> next;  // tokens of row 1
  };
  const Case cases[] = {
      {"string", {{"x 'ab", raWrapped}, {"cd' y", raCrlf}}, toQuotation, 3, kNoBracket,
       {{toQuotation, 0, 3}, {toAnk, 4, 1}}},
      {"number", {{"12", raWrapped}, {"34.5 z", raCrlf}}, toFloat, 4, kNoBracket,
       {{toFloat, 0, 4}, {toAnk, 5, 1}}},
      {"comment continues by scanning", {{"a -- x", raWrapped}, {"yz", raCrlf}}, toComment, 0, kNoBracket,
       {{toComment, 0, 2}}},
      {"cut inside the right bracket", {{"/* a *", raWrapped}, {"/ b", raCrlf}}, toBracket, 1, 0,
       {{toBracket, 0, 1}, {toAnk, 2, 1}}},
      {"region closed in the next row", {{"/* a", raWrapped}, {"b */ c", raCrlf}}, 0, 0, 0,
       {{toBracket, 0, 4}, {toAnk, 5, 1}}},
      {"cut at a token boundary", {{"ab ", raWrapped}, {"cd", raCrlf}}, 0, 0, kNoBracket, {{toAnk, 0, 2}}},
      {"wide run", {{"かな", raWrapped}, {"かなx", raCrlf}}, toDBHira, 4, kNoBracket,
       {{toDBHira, 0, 4}, {toAnk, 4, 1}}},
  };
  for (const Case& c : cases) {
    rows.Clear();
    SetRows(c.rows);
    const TRowAttributeData end0 = Out(0, Start());
    EXPECT_EQ(end0.WrappedByte, c.carried) << c.name;
    EXPECT_EQ(end0.Remain, c.remain) << c.name;
    EXPECT_EQ(end0.BracketIndex, c.bracket) << c.name;
    EXPECT_EQ(Paint(1, end0), c.next) << c.name;
  }
}

TEST_F(RowState, CommentRunningOnCoversTheWholeRow) {
  SetRows({{"-- a", raWrapped}, {"bc", raWrapped}, {"d", raCrlf}, {"e", raCrlf}});
  TRowAttributeData state = Out(0, Start());
  EXPECT_EQ(state.WrappedByte, toComment);
  state = Out(1, state);
  EXPECT_EQ(state.WrappedByte, toComment) << "a wrapped row carries the comment on";
  EXPECT_EQ(Paint(2, state), (std::vector<TTok>{{toComment, 0, 1}}));
  state = Out(2, state);
  EXPECT_EQ(state.WrappedByte, 0) << "a line break ends it";
  EXPECT_EQ(Paint(3, state), (std::vector<TTok>{{toAnk, 0, 1}}));
}

namespace {

// The framework alone: no colours of its own.
class TPlainParser : public TFountainParser {
 public:
  using TFountainParser::TFountainParser;
  TFountainColor* TokenToFountainColor() override { return nullptr; }
};

class TPlainFountain : public TFountain {
 public:
  TFountainParserClass GetParserClass() override {
    return [](TFountain* f) -> std::unique_ptr<TFountainParser> { return std::make_unique<TPlainParser>(f); };
  }
};

}  // namespace

TEST(FountainFramework, QuotedStringsContinueFromACarriedKind) {
  auto fountain = Make<TPlainFountain>();
  auto parser = fountain->CreateParser();
  TRowAttributeData state;
  state.BracketIndex = kNoBracket;
  state.WrappedByte = toSingleQuotation;
  EXPECT_EQ(Scan(*parser, "a''b' c", state), (std::vector<TTok>{{toSingleQuotation, 0, 5}, {toAnk, 6, 1}}));
  state.WrappedByte = toDoubleQuotation;
  EXPECT_EQ(Scan(*parser, "x\" y", state), (std::vector<TTok>{{toDoubleQuotation, 0, 2}, {toAnk, 3, 1}}));
  EXPECT_EQ(Scan(*parser, "'a' \t", {}), (std::vector<TTok>{{toSymbol, 0, 1}, {toAnk, 1, 1}, {toSymbol, 2, 1}, {toTab, 4, 1}}))
      << "without a subclass a quote is a symbol";
}

TEST(FountainFramework, ReservedWordsAreFoundWithoutRegardToCase) {
  auto fountain = Make<TPlainFountain>();
  auto parser = fountain->CreateParser();
  const TCellString text = TCellString::FromUtf8("Select x");
  parser->RowStateIn(text, {});
  parser->Next();
  EXPECT_FALSE(parser->IsReserveWord()) << "an empty list holds no word";
  fountain->SetReserveWordList({"WHERE", "SELECT", "FROM"});
  EXPECT_TRUE(parser->IsReserveWord());
  int kind = toAnk;
  parser->ReserveKind(kind);
  EXPECT_EQ(kind, toReserve);
  parser->Next();
  EXPECT_FALSE(parser->IsReserveWord());
}
