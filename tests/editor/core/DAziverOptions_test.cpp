#include "editor/core/DAziverOptions.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

struct TCounter {
  int count = 0;
  void Count(TObject*) { ++count; }
  TNotifyEvent Event() { return TNotifyEvent::Of<TCounter, &TCounter::Count>(this); }
};

struct TClampCase {
  const char* name;
  std::function<int(int)> setAndGet;
  int value;
  int stored;
};

}  // namespace

TEST(EditorOptions, SettersClamp) {
  TEditorCaret caret;
  TEditorRuler ruler;
  TEditorLeftbar leftbar;
  TEditorMargin margin;
  TEditorImagebar imagebar;
  TEditorSpeed speed;
  auto tab = [&](int v) { caret.SetTabSpaceCount(v); return caret.TabSpaceCount(); };
  auto gauge = [&](int v) { ruler.SetGaugeRange(v); return ruler.Values().GaugeRange; };
  auto column = [&](int v) { leftbar.SetColumn(v); return leftbar.Values().Column; };
  auto barMargin = [&](int v) { leftbar.SetRightMargin(v); return leftbar.Values().RightMargin; };
  auto left = [&](int v) { margin.SetLeft(v); return margin.Values().Left; };
  auto digit = [&](int v) { imagebar.SetDigitWidth(v); return imagebar.Values().DigitWidth; };
  auto page = [&](int v) { speed.SetPageVerticalRange(v); return speed.PageVerticalRange(); };
  const std::vector<TClampCase> cases = {
      {"tab 1", tab, 1, 2},         {"tab 3", tab, 3, 2},       {"tab 5", tab, 5, 4},
      {"tab 7", tab, 7, 6},         {"tab 9", tab, 9, 8},       {"tab 8", tab, 8, 8},
      {"gauge 9", gauge, 9, 8},     {"gauge 12", gauge, 12, 10}, {"gauge 3", gauge, 3, 8},
      {"column 0", column, 0, 1},   {"column 12", column, 12, 8}, {"bar margin -1", barMargin, -1, 0},
      {"margin 150", left, 150, 100}, {"margin 50", left, 50, 50}, {"digit 101", digit, 101, 100},
      {"speed 0", page, 0, 1},      {"speed 9", page, 9, 4},
  };
  for (const TClampCase& c : cases) EXPECT_EQ(c.setAndGet(c.value), c.stored) << c.name;
}

TEST(EditorOptions, Defaults) {
  TEditorCaret caret;
  EXPECT_TRUE(caret.AutoIndent && caret.AutoCursor && caret.BackSpaceUnIndent && caret.FreeCaret && caret.RowSelect &&
              caret.SelMove);
  EXPECT_FALSE(caret.FreeRow || caret.InTab || caret.KeepCaret || caret.SoftTab || caret.TabIndent);
  EXPECT_EQ(caret.SelDragMode, dmAutomatic);
  EXPECT_EQ(caret.Style(), csDefault);
  EXPECT_EQ(caret.TabSpaceCount(), 8);
  EXPECT_EQ(caret.Cursors().Values().DefaultCursor, crIBeam);
  EXPECT_EQ(caret.Cursors().Values().LeftMarginCursor, crRightArrow);
  EXPECT_EQ(TEditorMargin().Values(), (TEditorMargin::TValues{0, 19, 0, 2, 0}));
  EXPECT_EQ(TEditorRuler().Values().GaugeRange, 10);
  EXPECT_EQ(TEditorLeftbar().Values().ShowNumberMode, nmRow);
  EXPECT_TRUE(TEditorImagebar().Values().Visible);
  TEditorMarks marks;
  EXPECT_EQ(marks.RetMark().Color(), 0x808080U);
  EXPECT_FALSE(marks.Underline().Visible());
  TEditorSpeed speed;
  EXPECT_FALSE(speed.InitBracketsFull);
  EXPECT_EQ(speed.CaretVerticalAc(), 2);
}

TEST(EditorOptions, OnlyStyleAndTabWidthOfTheCaretNotify) {
  TEditorCaret caret;
  TCounter counter;
  caret.OnChange = counter.Event();
  caret.AutoIndent = false;
  caret.Cursors().SetDefaultCursor(crDefault);
  EXPECT_EQ(counter.count, 0);
  caret.SetStyle(csBrief);
  caret.SetTabSpaceCount(4);
  caret.SetTabSpaceCount(5);  // still 4
  EXPECT_EQ(counter.count, 2);
  TEditorCaret copy;
  TCounter copies;
  copy.OnChange = copies.Event();
  copy.Assign(caret);
  EXPECT_EQ(copies.count, 1);
  EXPECT_FALSE(copy.AutoIndent);
  EXPECT_EQ(copy.TabSpaceCount(), 4);
  EXPECT_EQ(copy.Cursors().Values().DefaultCursor, crDefault);
}

TEST(EditorOptions, AMarkReportsThroughItsOwner) {
  TEditorMarks marks;
  TCounter counter;
  marks.OnChange = counter.Event();
  marks.TabMark().SetVisible(true);
  marks.TabMark().SetVisible(true);
  EXPECT_EQ(counter.count, 1);
  TEditorMarks copy;
  TCounter copies;
  copy.OnChange = copies.Event();
  copy.Assign(marks);
  EXPECT_EQ(copies.count, 1);
  EXPECT_TRUE(copy.TabMark().Visible());
}

TEST(EditorViewInfo, FiresOncePerFountainChange) {
  TEditorViewInfo view;
  view.AfterConstruction();
  TCounter counter;
  view.OnChange = counter.Event();
  view.Colors().Str().SetColor(0x0000FF);
  EXPECT_EQ(counter.count, 1);
  view.SetCommenter("--");
  EXPECT_EQ(counter.count, 2);
  view.SetQuotation("ab");
  EXPECT_EQ(view.Quotation(), "a");
  view.SetDoubleQuotation("「x");
  EXPECT_EQ(view.DoubleQuotation(), "「");
  view.SetQuotation("");
  EXPECT_EQ(view.Quotation(), "");

  auto source = Make<TEditorViewInfo>();
  source->SetCommenter("//");
  source->SetUrl(true);
  source->Brackets().Add()->SetLeftBracket("/*");
  source->Colors().Comment().SetColor(0x00FF00);
  counter.count = 0;
  view.Assign(*source);
  EXPECT_EQ(counter.count, 1);
  EXPECT_EQ(view.Commenter(), "//");
  EXPECT_TRUE(view.Url());
  EXPECT_EQ(view.Brackets().Count(), 1);
  EXPECT_EQ(view.Colors().Comment().Color(), 0x00FF00U);
}
