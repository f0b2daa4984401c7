#include "editor/core/EditorFountain.h"

#include <gtest/gtest.h>

#include <functional>

#include "sqlscanner.h"

namespace {

using TToks = std::vector<TTok>;

struct TCase {
  const char* text;
  TToks tokens;
};

class SqlScanner : public ::testing::Test {
 protected:
  void Expect(const std::vector<TCase>& cases) {
    auto parser = fountain->CreateParser();
    for (const TCase& c : cases) EXPECT_EQ(Scan(*parser, c.text), c.tokens) << c.text;
  }
  std::unique_ptr<TEditorFountain> fountain = MakeSqlFountain();
};

}  // namespace

TEST_F(SqlScanner, Numbers) {
  Expect({
      {"42", {{toInteger, 0, 2}}},
      {"1.5e+3", {{toFloat, 0, 6}}},
      {"1E5", {{toFloat, 0, 3}}},
      {"12. ", {{toFloat, 0, 2}, {toSymbol, 2, 1}}},
      {"2.5-1", {{toFloat, 0, 3}, {toSymbol, 3, 1}, {toInteger, 4, 1}}},
      {"3END", {{toInteger, 0, 1}, {toAnk, 1, 3}}},
  });
}

TEST_F(SqlScanner, CommentsAndTheCommenter) {
  Expect({
      {"a -- b c", {{toAnk, 0, 1}, {toComment, 2, 6}}},
      {"a - b", {{toAnk, 0, 1}, {toSymbol, 2, 1}, {toAnk, 4, 1}}},
      {"x /* y */ z", {{toAnk, 0, 1}, {toBracket, 2, 7}, {toAnk, 10, 1}}},
  });
}

TEST_F(SqlScanner, StringsWithEitherQuotation) {
  Expect({
      {"'it''s' x", {{toQuotation, 0, 7}, {toAnk, 8, 1}}},
      {"'a\" b", {{toQuotation, 0, 3}, {toAnk, 4, 1}}},
      {"\"x' y", {{toQuotation, 0, 3}, {toAnk, 4, 1}}},
      {"'open", {{toQuotation, 0, 5}}},
      {"'SELECT' FROM", {{toQuotation, 0, 8}, {toAnk, 9, 4}}},
  });
  fountain->SetDoubleQuotation("");
  Expect({{"'a' b", {}}});
}

TEST_F(SqlScanner, ControlCodes) {
  Expect({{"#12", {{toSymbol, 0, 1}, {toInteger, 1, 2}}}});
  fountain->SetControlCode(true);
  Expect({
      {"#12.", {{toControlCode, 0, 3}, {toSymbol, 3, 1}}},
      {"#$1fz", {{toHexControlCode, 0, 4}, {toAnk, 4, 1}}},
  });
}

TEST_F(SqlScanner, HexPrefixInAnyCase) {
  Expect({{"0X1F", {{toInteger, 0, 1}, {toAnk, 1, 3}}}});
  fountain->SetHexPrefix("0x");
  Expect({
      {"0X1Fg", {{toHex, 0, 4}, {toAnk, 4, 1}}},
      {"0x", {{toHex, 0, 2}}},
  });
  auto parser = fountain->CreateParser();
  const TCellString text = TCellString::FromUtf8("0X1F");
  parser->RowStateIn(text, {});
  parser->Next();
  EXPECT_EQ(parser->TokenToFountainColor(), &fountain->Colors().Int());
}

TEST_F(SqlScanner, UrlsAndMailWhenOn) {
  Expect({{"http://a", {{toAnk, 0, 4}, {toSymbol, 4, 1}, {toSymbol, 5, 1}, {toSymbol, 6, 1}, {toAnk, 7, 1}}}});
  fountain->SetUrl(true);
  fountain->SetMail(true);
  Expect({
      {"http://a.b/c?d=1 x", {{toUrl, 0, 16}, {toAnk, 17, 1}}},
      {"https://x", {{toUrl, 0, 9}}},
      {"ftp:a www.b", {{toUrl, 0, 5}, {toUrl, 6, 5}}},
      {"Http:", {{toAnk, 0, 4}, {toSymbol, 4, 1}}},
      {"ab@c.de x", {{toMail, 0, 7}, {toAnk, 8, 1}}},
      {"@c.de", {{toSymbol, 0, 1}, {toAnk, 1, 1}, {toSymbol, 2, 1}, {toAnk, 3, 2}}},
      {"ab@cd", {{toAnk, 0, 2}, {toSymbol, 2, 1}, {toAnk, 3, 2}}},
  });
}

TEST_F(SqlScanner, JapaneseRunsOfEveryKind) {
  Expect({
      {"ひらがなー", {{toDBHira, 0, 10}}},
      {"カタカナ−ー－", {{toDBKana, 0, 13}}},
      {"−あ", {{toSymbol, 0, 1}, {toDBHira, 1, 2}}},
      {"あア", {{toDBHira, 0, 2}, {toDBKana, 2, 2}}},
      {"１２，３．４", {{toDBInt, 0, 12}}},
      {"ＡＢｃ１", {{toDBAlph, 0, 6}, {toDBInt, 6, 2}}},
      {"漢字かな", {{toDBKanji, 0, 4}, {toDBHira, 4, 4}}},
      {"ー、", {{toDBSymbol, 0, 2}, {toDBSymbol, 2, 2}}},
      {"｡｢ｱｲｳﾞ", {{toKanaSymbol, 0, 1}, {toKanaSymbol, 1, 1}, {toKana, 2, 4}}},
      {"\xE3\x80\x80x", {{toDBSymbol, 0, 2}, {toAnk, 2, 1}}},
      {"😀", {{toDBSymbol, 0, 2}}},
      {"école±", {{toAnk, 0, 5}, {toSymbol, 5, 1}}},
      {"e\xCC\x81x", {{toAnk, 0, 2}}},
      {"\xFF" "a", {{toSymbol, 0, 1}, {toAnk, 1, 1}}},
  });
}

TEST_F(SqlScanner, ColoursByKind) {
  fountain->SetControlCode(true);
  TEditorColors& colors = fountain->Colors();
  struct Case {
    const char* text;
    TFountainColor* color;
  };
  const Case cases[] = {
      {"x", &colors.Ank()},      {"select", &colors.Reserve()}, {"1.5", &colors.Int()},
      {"+", &colors.Symbol()},   {"--c", &colors.Comment()},    {"'select'", &colors.Str()},
      {"#1", &colors.Str()},     {"漢", &colors.DBCS()},         {"ｱ", &colors.DBCS()},
      {"/*c*/", &fountain->Brackets().GetItem(0)->ItemColor()}, {"\tx", nullptr},
  };
  auto parser = fountain->CreateParser();
  for (const Case& c : cases) {
    const TCellString text = TCellString::FromUtf8(c.text);
    parser->RowStateIn(text, {});
    parser->Next();
    EXPECT_EQ(parser->TokenToFountainColor(), c.color) << c.text;
  }
}

TEST(SqlScannerCreation, NeedsAFountain) {
  auto fountain = MakeSqlFountain();
  EXPECT_EQ(fountain->CreateParser()->Next(), toEof) << "before its first row a scanner sees an empty one";
  try {
    TEditorParser parser(nullptr);
    ADD_FAILURE();
  } catch (const std::invalid_argument& e) {
    EXPECT_STREQ(e.what(), "TFountainParser.Create need instance of TFountain");
  }
}

namespace {

// Counts broadcasts.
struct TEditorStub : TObject {
  int Notified = 0;
  void Notify(TObject*) { ++Notified; }
  void Listen(TFountain& fountain) {
    fountain.NotifyEventList().Add(TNotifyEvent::Of<TEditorStub, &TEditorStub::Notify>(this));
  }
};

}  // namespace

TEST(SqlColours, DefaultsAsStored) {
  auto fountain = Make<TEditorFountain>();
  TEditorColors& colors = fountain->Colors();
  EXPECT_EQ(colors.Select().BkColor(), 0x800000U);
  EXPECT_EQ(colors.Select().Color(), 0xFFFFFFU);
  for (TFountainColor* c : {static_cast<TFountainColor*>(&colors.Ank()), &colors.Reserve(),
                            static_cast<TFountainColor*>(&colors.Hit())}) {
    EXPECT_EQ(c->BkColor(), clNone);
    EXPECT_EQ(c->Color(), clNone);
    EXPECT_EQ(c->Style(), 0);
  }
  EXPECT_EQ(&colors.Reserve(), &fountain->Reserve());
}

TEST(SqlColours, EachChangeNotifiesEveryEditorOnce) {
  auto fountain = MakeSqlFountain();
  TEditorStub first, second;
  first.Listen(*fountain);
  second.Listen(*fountain);
  fountain->Colors().Comment().SetColor(0x008000);
  EXPECT_EQ(first.Notified, 1);
  EXPECT_EQ(second.Notified, 1);
  fountain->Colors().Comment().SetColor(0x008000);
  EXPECT_EQ(first.Notified, 1) << "an unchanged value says nothing";

  struct Case {
    const char* name;
    std::function<void()> change;
  };
  auto other = Make<TEditorFountain>();
  other->Colors().Str().SetColor(0x0000FF);
  const Case cases[] = {
      {"reserved colour", [&] { fountain->Colors().Reserve().SetStyle(fsBold); }},
      {"bracket colour", [&] { fountain->Brackets().GetItem(0)->ItemColor().SetColor(0x808080); }},
      {"bracket text", [&] { fountain->Brackets().GetItem(0)->SetRightBracket("*)"); }},
      {"word list", [&] { fountain->SetReserveWordList({"INSERT", "UPDATE"}); }},
      {"all colours", [&] { fountain->SetAllColor(0x123456); }},
      {"copy of colours", [&] { fountain->SetColors(other->Colors()); }},
      {"bracket collection colours",
       [&] { static_cast<TEditorBracketCollection&>(fountain->Brackets()).SetBkColor(0x111111); }},
  };
  for (const Case& c : cases) {
    const int before = first.Notified;
    c.change();
    EXPECT_EQ(first.Notified, before + 1) << c.name;
  }
  EXPECT_EQ(fountain->Colors().Str().Color(), 0x0000FFU) << "the copy took the other's colours";
}

TEST(SqlColours, SetAllLeavesSelectAndHit) {
  auto fountain = Make<TEditorFountain>();
  fountain->SetAllColor(0x00FF00);
  fountain->SetAllBkColor(0x000001);
  fountain->SetAllStyle(fsItalic);
  TEditorColors& colors = fountain->Colors();
  EXPECT_EQ(colors.Select().Color(), 0xFFFFFFU);
  EXPECT_EQ(colors.Select().BkColor(), 0x800000U);
  EXPECT_EQ(colors.Hit().Color(), clNone);
  EXPECT_EQ(colors.Hit().Style(), 0);
  for (TFountainColor* c : {static_cast<TFountainColor*>(&colors.Ank()), &colors.Reserve(),
                            static_cast<TFountainColor*>(&colors.Url())}) {
    EXPECT_EQ(c->Color(), 0x00FF00U);
    EXPECT_EQ(c->BkColor(), 0x000001U);
    EXPECT_EQ(c->Style(), fsItalic);
  }
}

TEST(SqlColours, HasItalicWalksColoursAndBrackets) {
  auto fountain = MakeSqlFountain();
  EXPECT_FALSE(fountain->HasItalic(fountain.get()));
  fountain->Brackets().GetItem(0)->ItemColor().SetStyle(fsItalic | fsBold);
  EXPECT_TRUE(fountain->HasItalic(fountain.get()));
  fountain->Brackets().GetItem(0)->ItemColor().SetStyle(fsBold);
  fountain->Colors().Mail().SetStyle(fsItalic);
  EXPECT_TRUE(fountain->HasItalic(fountain.get()));
  EXPECT_FALSE(fountain->HasItalic(&fountain->Brackets()));
}

TEST(SqlColours, FifteenthBracketIsRefused) {
  auto fountain = MakeSqlFountain();
  while (fountain->Brackets().Count() < TFountainBracketCollection::kMaxBrackets) fountain->Brackets().Add();
  TEditorStub editor;
  editor.Listen(*fountain);
  try {
    fountain->Brackets().Add();
    ADD_FAILURE();
  } catch (const std::length_error& e) {
    EXPECT_STREQ(e.what(), "TFountainBracketCollection\r\nYou can not add item over 14");
  }
  EXPECT_EQ(fountain->Brackets().Count(), 14);
  EXPECT_EQ(editor.Notified, 0);
}
