#include "editor/core/DAziverWrap.h"

#include <gtest/gtest.h>

#include <functional>

#include "editor/core/heRaStrings.h"

namespace {

constexpr int kW = TEditorWrapOption::kMinWrapByte;

std::string A(int n, char c = 'a') { return std::string(static_cast<size_t>(n), c); }
std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

std::vector<std::string> Wrap(const std::string& line, const TEditorWrapOption& option) {
  const TCellString cells = TCellString::FromUtf8(line);
  std::vector<std::string> rows;
  for (const TWrappedRow& row : WrapLine(cells, option, {})) {
    rows.push_back(cells.Mid(row.First, row.Count).Utf8() + "|" + std::to_string(row.Kind));
  }
  return rows;
}

struct TWrapCase {
  const char* name;
  std::function<void(TEditorWrapOption&)> setup;
  std::string line;
  std::vector<std::string> rows;
};

void NoRule(TEditorWrapOption&) {}
void RetMark(TEditorWrapOption& o) { o.SetFollowRetMark(true); }
void WordBreak(TEditorWrapOption& o) { o.SetWordBreak(true); }
void Punctuation(TEditorWrapOption& o) { o.SetFollowPunctuation(true); }
void Leading(TEditorWrapOption& o) { o.SetLeading(true); }

}  // namespace

TEST(WrapLine, CutsUnderTheLineBreakingRules) {
  const std::vector<TWrapCase> cases = {
      {"W-1 columns stay one row", NoRule, A(kW - 1), {A(kW - 1) + "|0"}},
      {"W columns add an empty row", NoRule, A(kW), {A(kW) + "|1", "|0"}},
      {"W columns keep the break on the row", RetMark, A(kW), {A(kW) + "|0"}},
      {"2W columns add an empty row", NoRule, A(2 * kW), {A(kW) + "|1", A(kW) + "|1", "|0"}},
      {"2W columns keep the break on the row", RetMark, A(2 * kW), {A(kW) + "|1", A(kW) + "|0"}},
      {"a wide character at W moves whole", NoRule, A(kW - 1) + "あb", {A(kW - 1) + "|1", "あb|0"}},
      {"a word of 30 letters is cut at W div 3", WordBreak, A(30), {A(6) + "|1", A(6) + "|1", A(18) + "|0"}},
      {"a word break cuts after the last delimiter",
       WordBreak,
       "aaaa bbbb cccc ddddd eeee",
       {"aaaa bbbb cccc |1", "ddddd eeee|0"}},
      {"a word break cuts after a wide character", WordBreak, A(kW - 4) + "漢" + A(10), {A(kW - 4) + "漢|1", A(10) + "|0"}},
      {"。 in columns W+1, W+2 hangs", Punctuation, A(kW) + "。b", {A(kW) + "。|1", "b|0"}},
      {"。 from column W+3 goes on", Punctuation, A(kW + 2) + "。", {A(kW) + "|1", "aa。|0"}},
      {"a row never ends with （", Leading, A(kW - 2) + "（bbb", {A(kW - 2) + "|1", "（bbb|0"}},
      {"a row never begins with 」", Leading, A(kW) + "」b", {A(kW - 1) + "|1", "a」b|0"}},
      {"the kinsoku search stops at (W div 5) x 4",
       Leading,
       Repeat("（", 10) + "b",
       {Repeat("（", 8) + "|1", "（（b|0"}},
      {"without the rules （ may end a row", NoRule, A(kW - 2) + "（bbb", {A(kW - 2) + "（|1", "bbb|0"}},
  };
  for (const TWrapCase& c : cases) {
    TEditorWrapOption option;
    option.SetWrapByte(kW);
    c.setup(option);
    EXPECT_EQ(Wrap(c.line, option), c.rows) << c.name;
  }
}

TEST(WrapLine, TabFillNeverRunsPastTheRow) {
  TEditorWrapOption option;
  option.SetWrapByte(kW);
  // Columns 1-18 letters, the TAB at 19 fills only column 20.
  const TCellString line = TCellString::FromUtf8(A(kW - 2) + "\tb");
  TRowAttrSettings settings;
  settings.WrapByte = kW;
  EXPECT_EQ(RowAttrText(line, settings), A(kW - 2, '1') + "23" + "1");
  const std::vector<TWrappedRow> rows = WrapLine(line, option, settings);
  ASSERT_EQ(rows.size(), 2U);
  EXPECT_EQ(rows[0], (TWrappedRow{0, kW - 1, raWrapped}));
}

TEST(WrapOption, DefaultsClampsAndNotifications) {
  TEditorWrapOption option;
  EXPECT_EQ(option.WrapByte(), 80);
  EXPECT_FALSE(option.FollowRetMark() || option.FollowPunctuation() || option.Leading() || option.WordBreak());
  EXPECT_EQ(option.FollowStr(), "、。，．・？！゛゜ヽヾゝゞ々ー）］｝」』!),.:;?]}｡｣､･ｰﾞﾟ");
  EXPECT_EQ(option.LeadStr(), "（［｛「『([{｢");
  EXPECT_EQ(option.PunctuationStr(), "、。，．,.｡､");
  EXPECT_TRUE(option.InFollow(U'ﾟ'));
  EXPECT_FALSE(option.InFollow(0));

  int changes = 0;
  struct TCounter {
    int* count;
    void Count(TObject*) { ++*count; }
  } counter{&changes};
  option.OnChange = TNotifyEvent::Of<TCounter, &TCounter::Count>(&counter);
  option.SetWrapByte(5);
  EXPECT_EQ(option.WrapByte(), 20);
  option.SetWrapByte(300);
  EXPECT_EQ(option.WrapByte(), 250);
  option.SetWrapByte(260);
  EXPECT_EQ(changes, 2) << "a clamped value equal to the stored one does not notify";
  option.SetLeadStr("（");
  EXPECT_TRUE(option.InLead(U'（'));
  EXPECT_FALSE(option.InLead(U'['));

  TEditorWrapOption copy;
  int copies = 0;
  TCounter copyCounter{&copies};
  copy.OnChange = TNotifyEvent::Of<TCounter, &TCounter::Count>(&copyCounter);
  copy.Assign(option);
  EXPECT_EQ(copies, 1);
  EXPECT_EQ(copy.WrapByte(), 250);
  EXPECT_TRUE(copy.InLead(U'（'));
  EXPECT_FALSE(copy.InLead(U'['));
}
