#include "editor/core/EditorProp.h"

#include <gtest/gtest.h>

#include <sstream>

#include "recordingview.h"

namespace {

// An editor's face over a recording view: soft wrap is the row list's.
class TViewProperties : public TEditorProperties {
 public:
  explicit TViewProperties(TRecordingView& view) : FView(view) {}
  TColor Color() const override { return FColor; }
  void SetColor(TColor value) override { FColor = value; }
  TEditorCaret& Caret() override { return FCaret; }
  TEditorFont Font() const override { return FFont; }
  void SetFont(const TEditorFont& value) override { FFont = value; }
  TEditorHitStyle HitStyle() const override { return FHitStyle; }
  void SetHitStyle(TEditorHitStyle value) override { FHitStyle = value; }
  TEditorImagebar& Imagebar() override { return FImagebar; }
  TEditorLeftbar& Leftbar() override { return FLeftbar; }
  TEditorMargin& Margin() override { return FMargin; }
  TEditorMarks& Marks() override { return FMarks; }
  TStringList& ReserveWordList() override { return FWords; }
  void SetReserveWordList(const std::vector<std::string>& words) override { FWords.Assign(words); }
  TEditorRuler& Ruler() override { return FRuler; }
  TScrollStyle ScrollBars() const override { return FScrollBars; }
  void SetScrollBars(TScrollStyle value) override { FScrollBars = value; }
  TEditorSpeed& Speed() override { return FSpeed; }
  TEditorViewInfo& View() override { return *FInfo; }
  bool WordWrap() const override { return FView.List().WordWrap(); }
  void SetWordWrap(bool value) override { FView.List().SetWordWrap(value); }
  TEditorWrapOption& WrapOption() override { return FView.List().WrapOption(); }

 private:
  TRecordingView& FView;
  TColor FColor = 0;
  TEditorCaret FCaret;
  TEditorFont FFont;
  TEditorHitStyle FHitStyle = hsSelect;
  TEditorImagebar FImagebar;
  TEditorLeftbar FLeftbar;
  TEditorMargin FMargin;
  TEditorMarks FMarks;
  TStringList FWords;
  TEditorRuler FRuler;
  TScrollStyle FScrollBars = ssNone;
  TEditorSpeed FSpeed;
  std::unique_ptr<TEditorViewInfo> FInfo = Make<TEditorViewInfo>();
};

void DumpColor(std::ostream& out, TFountainColor& c) { out << c.Color() << '/' << c.BkColor() << '/' << int(c.Style()) << ' '; }

// Every option as text, so two sets compare at once and a difference shows.
std::string Dump(TEditorProperties& p) {
  std::ostringstream out;
  const TEditorFont font = p.Font();
  out << p.Color() << ' ' << font.Name << ' ' << font.Size << ' ' << font.Color << ' ' << int(font.Style) << ' '
      << p.HitStyle() << ' ' << p.ScrollBars() << ' ' << p.WordWrap() << ' ' << p.WrapOption().WrapByte() << '\n';
  TEditorCaret& c = p.Caret();
  out << c.AutoIndent << c.FreeCaret << c.InTab << c.KeepCaret << c.NextLine << c.SoftTab << c.TabIndent << c.SelMove
      << ' ' << c.TabSpaceCount() << ' ' << c.Style() << ' ' << c.Cursors().Values().DefaultCursor << '\n';
  out << (p.Imagebar().Values() == TEditorImagebar().Values()) << (p.Leftbar().Values() == TEditorLeftbar().Values())
      << (p.Margin().Values() == TEditorMargin().Values()) << (p.Ruler().Values() == TEditorRuler().Values()) << ' '
      << p.Leftbar().Values().Column << ' ' << p.Ruler().Values().GaugeRange << ' ' << p.Margin().Values().Top << ' '
      << p.Imagebar().Values().DigitWidth << ' ' << p.Speed().PageVerticalRange() << '\n';
  for (int k = 0; k < TEditorMarks::mkCount; ++k) {
    TEditorMark& m = p.Marks().Mark(static_cast<TEditorMarks::TKind>(k));
    out << m.Color() << ':' << m.Visible() << ' ';
  }
  out << '\n';
  for (const std::string& w : p.ReserveWordList().Strings()) out << w << ',';
  TEditorViewInfo& v = p.View();
  out << '\n' << v.Commenter() << v.Quotation() << v.DoubleQuotation() << v.HexPrefix() << v.ControlCode() << v.Mail()
      << v.Url() << '\n';
  for (int i = 0; i < TEditorColors::ecOwnedCount; ++i) DumpColor(out, v.Colors().Owned(static_cast<TEditorColors::TOwned>(i)));
  DumpColor(out, v.Colors().Reserve());
  for (int i = 0; i < v.Brackets().Count(); ++i) {
    auto* item = static_cast<TFountainBracketItem*>(v.Brackets().Item(i));
    out << '\n' << item->LeftBracket() << item->RightBracket() << ' ';
    DumpColor(out, item->ItemColor());
  }
  return out.str();
}

// Every option away from its default.
void ChangeEverything(TEditorProp& p) {
  p.SetColor(0x00FFEEDD);
  p.SetFont({"ＭＳ ゴシック", 12, 0x00112233, fsBold});
  p.SetHitStyle(hsDraw);
  p.SetScrollBars(ssBoth);
  p.Caret().FreeCaret = false;
  p.Caret().InTab = true;
  p.Caret().SoftTab = true;
  p.Caret().SetTabSpaceCount(4);
  p.Caret().SetStyle(csBrief);
  p.Caret().Cursors().SetDefaultCursor(crDefault);
  p.Imagebar().SetDigitWidth(10);
  p.Leftbar().SetColumn(6);
  p.Margin().SetTop(5);
  p.Ruler().SetGaugeRange(8);
  p.Speed().SetPageVerticalRange(3);
  for (int k = 0; k < TEditorMarks::mkCount; ++k) {
    TEditorMark& m = p.Marks().Mark(static_cast<TEditorMarks::TKind>(k));
    m.SetColor(static_cast<TColor>(0x100 + k));
    m.SetVisible(k % 2 == 0);
  }
  p.ReserveWordList().Assign({"SELECT", "from", "Where"});
  p.View().SetCommenter("--");
  p.View().SetQuotation("'");
  p.View().SetDoubleQuotation("\"");
  p.View().SetHexPrefix("X");
  p.View().SetUrl(true);
  for (int i = 0; i < TEditorColors::ecOwnedCount; ++i) {
    TEditorColor& c = p.View().Colors().Owned(static_cast<TEditorColors::TOwned>(i));
    c.SetColor(static_cast<TColor>(0x10 + i));
    c.SetBkColor(static_cast<TColor>(0x20 + i));
  }
  p.View().Colors().Reserve().SetColor(0x00FF0000);
  TFountainBracketItem* bracket = p.View().Brackets().Add();
  bracket->SetLeftBracket("/*");
  bracket->SetRightBracket("*/");
  bracket->ItemColor().SetColor(0x00008000);
  p.WrapOption().SetWrapByte(60);
  p.SetWordWrap(true);
  p.SetFileExtList({".sql", ".txt"});
}

TEST(EditorProp, AssignFromAnEditorThenAssignToAnotherReproducesEveryOption) {
  auto source = Make<TovMemoProp>();
  ChangeEverything(*source);
  TRecordingView view1;
  TRecordingView view2;
  TViewProperties editor1(view1);
  TViewProperties editor2(view2);
  source->AssignTo(editor1);
  auto copy = Make<TovMemoProp>();
  copy->Assign(editor1);
  copy->AssignTo(editor2);
  EXPECT_EQ(Dump(editor2), Dump(*source));
  EXPECT_NE(Dump(editor2), Dump(*Make<TovMemoProp>()));
  auto third = Make<TEditorProp>();
  source->AssignTo(*third);
  EXPECT_EQ(third->FileExtList().Strings(), (std::vector<std::string>{".sql", ".txt"}));
  EXPECT_EQ(Dump(*third), Dump(*source));
}

TEST(EditorProp, SoftWrapIsSwitchedSoTheTextWrapsAtMostOnce) {
  TRecordingView view;
  view.Lines().SetTextStr(std::string(100, 'a'));
  view.List().WrapOption().SetWrapByte(40);
  view.List().SetWordWrap(true);
  TViewProperties editor(view);
  auto prop = Make<TovMemoProp>();
  prop->WrapOption().SetWrapByte(30);
  prop->SetWordWrap(true);
  int before = view.Refreshes;
  prop->AssignTo(editor);
  EXPECT_EQ(view.Refreshes - before, 1);
  EXPECT_EQ(view.List().GetCount(), 4);

  prop->SetWordWrap(false);
  prop->WrapOption().SetWrapByte(50);
  before = view.Refreshes;
  prop->AssignTo(editor);
  EXPECT_EQ(view.Refreshes - before, 1);
  EXPECT_EQ(view.List().GetCount(), 1);
  before = view.Refreshes;
  prop->WrapOption().SetWrapByte(70);
  prop->AssignTo(editor);
  EXPECT_EQ(view.Refreshes - before, 0);
}

TEST(EditorProp, DefaultsAndChangeNotifications) {
  auto prop = Make<TEditorProp>();
  EXPECT_EQ(prop->Color(), clWindow);
  EXPECT_EQ(prop->Font().Name, "FixedSys");
  EXPECT_EQ(prop->Font().Color, clWindowText);
  struct TCounter {
    int Count = 0;
    void Changed(TObject*) { ++Count; }
  } counter;
  prop->OnWordWrapChange = TNotifyEvent::Of<TCounter, &TCounter::Changed>(&counter);
  prop->OnColorChange = prop->OnWordWrapChange;
  prop->SetWordWrap(true);
  prop->SetWordWrap(true);
  prop->SetColor(clWindow);
  prop->SetColor(0);
  EXPECT_EQ(counter.Count, 2);
  prop->ReserveWordList().Assign({"select", "SELECT", "from"});
  EXPECT_EQ(prop->ReserveWordList().Count(), 2);
}

}  // namespace
