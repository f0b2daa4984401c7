#include "editor/DAziver.h"
#include "editor/DAziverImages.h"
#include "editor/core/EditorProp.h"

#include <QApplication>
#include <QImage>
#include <QScreen>

#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

namespace {

constexpr TColor kRedColor = 0x000000FF;

// A shown editor of a fixed size; probes read its viewport's pixels.
struct TShownEditor {
  TShownEditor() {
    editor.resize(600, 300);
    editor.show();
  }
  QImage Grab() { return editor.viewport()->grab().toImage(); }
  // The cell's box of a row and column in the viewport.
  QRect Cell(int row, int col) const {
    return {editor.TextLeft() + (col - editor.TopCol()) * editor.CellWidth(),
            editor.TextTop() + (row - editor.TopRow()) * editor.RowHeight(), editor.CellWidth(), editor.CellHeight()};
  }
  // The background pixel of a cell (its top-left corner, never ink).
  static QColor Back(const QImage& image, const QRect& cell) { return image.pixelColor(cell.topLeft()); }
  static bool Holds(const QImage& image, const QRect& box, const QColor& color) {
    for (int y = box.top(); y <= box.bottom(); ++y) {
      for (int x = box.left(); x <= box.right(); ++x) {
        if (image.pixelColor(x, y) == color) return true;
      }
    }
    return false;
  }
  // Pixels other than `back` in the box.
  static bool Inked(const QImage& image, const QRect& box, const QColor& back) {
    for (int y = box.top(); y <= box.bottom(); ++y) {
      for (int x = box.left(); x <= box.right(); ++x) {
        if (image.pixelColor(x, y) != back) return true;
      }
    }
    return false;
  }
  TEditor editor;
};

TEST(EditorControl, ConstructionAndPlainProperties) {
  TEditor editor;
  EXPECT_EQ(editor.size(), QSize(TEditor::kDefaultWidth, TEditor::kDefaultHeight));
  EXPECT_EQ(editor.BorderStyle(), bsSingle);
  EXPECT_EQ(editor.viewport()->cursor().shape(), Qt::IBeamCursor);
  EXPECT_EQ(editor.focusPolicy(), Qt::StrongFocus);
  EXPECT_EQ(editor.Font().Name, "FixedSys");
  EXPECT_EQ(editor.Color(), 0x00FFFFFFu);
  editor.SetUndoListMax(10);
  EXPECT_EQ(editor.UndoListMax(), 64);
  editor.SetUndoListMax(200);
  EXPECT_EQ(editor.UndoListMax(), 200);
  EXPECT_EQ(editor.ScrollMax(), TEditorCaretModel::kScrollMax);
  // The row list sees the control through its view face.
  EXPECT_EQ(editor.ScreenStrings().OwnerEditor(), static_cast<TEditorView*>(&editor));
}

TEST(EditorControl, SharedTextShowsOneTextWithOneUndoHistory) {
  TEditor first;
  TEditor second;
  first.Lines().SetTextStr("select 1");
  second.ShareText(first);
  EXPECT_EQ(&second.ScreenStrings(), &first.ScreenStrings());
  second.Lines().Add("from t");
  EXPECT_EQ(first.Lines().GetTextStr(), "select 1\r\nfrom t");
  int changes = 0;
  first.OnChange = [&changes] { ++changes; };
  second.Lines().Put(0, "select 2");
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(first.Modified());
}

TEST(EditorControl, PropertySetCopiesIntoARealEditor) {
  auto prop = Make<TovMemoProp>();
  prop->Caret().SetTabSpaceCount(4);
  prop->SetScrollBars(ssBoth);
  prop->ReserveWordList().Assign({"SELECT"});
  prop->WrapOption().SetWrapByte(30);
  prop->SetWordWrap(true);
  TEditor editor;
  editor.Lines().SetTextStr(std::string(70, 'a'));
  prop->AssignTo(editor);
  EXPECT_EQ(editor.TabSpaceCount(), 4);
  EXPECT_EQ(editor.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(editor.ReserveWordList().Count(), 1);
  EXPECT_EQ(editor.ScreenStrings().GetCount(), 3);
  auto back = Make<TovMemoProp>();
  back->Assign(editor);
  EXPECT_EQ(back->WrapOption().WrapByte(), 30);
  EXPECT_TRUE(back->WordWrap());
}

TEST(EditorPaint, NewControlShowsTheEofMark) {
  TShownEditor shown;
  shown.editor.Marks().EofMark().SetColor(kRedColor);
  shown.editor.Marks().EofMark().SetVisible(true);
  const QImage image = shown.Grab();
  const QRect eof = shown.Cell(0, 0).united(shown.Cell(0, 4));
  EXPECT_TRUE(TShownEditor::Holds(image, eof, QColor(Qt::red)));
  EXPECT_FALSE(TShownEditor::Holds(image, shown.Cell(2, 0).united(shown.Cell(2, 4)), QColor(Qt::red)));
}

TEST(EditorPaint, RowMarksColourTheBackground) {
  TShownEditor shown;
  shown.editor.Lines().SetTextStr("select\r\nfrom\r\nwhere\r\nplain");
  TEditorScreenStrings& rows = shown.editor.ScreenStrings();
  rows.SetRowMarks(0, 1 << 1);
  rows.SetRowMarks(1, 1 << 2);
  rows.SetRowMarks(2, (1 << 1) | (1 << 2));
  const QImage image = shown.Grab();
  EXPECT_EQ(TShownEditor::Back(image, shown.Cell(0, 1)), QColor(255, 255, 0));
  EXPECT_EQ(TShownEditor::Back(image, shown.Cell(1, 1)), QColor(255, 0, 0));
  EXPECT_EQ(TShownEditor::Back(image, shown.Cell(2, 1)), QColor(0xC0, 0xC0, 0));
  EXPECT_EQ(TShownEditor::Back(image, shown.Cell(3, 1)), QColor(Qt::white));
}

TEST(EditorPaint, UnsetSelectionColoursInvertTheDefaults) {
  TShownEditor shown;
  shown.editor.Lines().SetTextStr("abcdef");
  shown.editor.View().Colors().Select().SetColor(clNone);
  shown.editor.View().Colors().Select().SetBkColor(clNone);
  shown.editor.SetSelStart(1);
  shown.editor.SetSelLength(3);
  const QImage image = shown.Grab();
  EXPECT_EQ(TShownEditor::Back(image, shown.Cell(0, 0)), QColor(Qt::white));
  EXPECT_EQ(TShownEditor::Back(image, shown.Cell(0, 1)), QColor(Qt::black));
  EXPECT_EQ(TShownEditor::Back(image, shown.Cell(0, 3)), QColor(Qt::black));
  EXPECT_EQ(TShownEditor::Back(image, shown.Cell(0, 4)), QColor(Qt::white));
  // Text in the selection is drawn in the background colour.
  const QRect glyph = shown.Cell(0, 2);
  bool light = false;
  for (int y = glyph.top(); y <= glyph.bottom(); ++y) {
    for (int x = glyph.left(); x <= glyph.right(); ++x) light = light || image.pixelColor(x, y).lightness() > 128;
  }
  EXPECT_TRUE(light);
}

TEST(EditorPaint, LongRowStopsAtTheLastDrawnColumnWithTheHideMark) {
  TShownEditor shown;
  shown.editor.Lines().SetTextStr(std::string(12000, 'W'));
  shown.editor.Marks().HideMark().SetVisible(true);
  shown.editor.SetTopCol(kMaxDrawnCol - 20);
  const QImage image = shown.Grab();
  const QColor white(Qt::white);
  EXPECT_TRUE(TShownEditor::Inked(image, shown.Cell(0, kMaxDrawnCol - 1), white));
  EXPECT_TRUE(TShownEditor::Inked(image, shown.Cell(0, kMaxDrawnCol), white));
  EXPECT_FALSE(TShownEditor::Inked(image, shown.Cell(0, kMaxDrawnCol + 2).united(shown.Cell(0, kMaxDrawnCol + 8)), white));
}

TEST(EditorPaint, EscAndTabFillAreBlank) {
  TShownEditor shown;
  shown.editor.Lines().SetTextStr("a\x1b" "b\tc");
  const QImage image = shown.Grab();
  const QColor white(Qt::white);
  EXPECT_TRUE(TShownEditor::Inked(image, shown.Cell(0, 0), white));
  EXPECT_FALSE(TShownEditor::Inked(image, shown.Cell(0, 1), white));
  EXPECT_TRUE(TShownEditor::Inked(image, shown.Cell(0, 2), white));
  EXPECT_FALSE(TShownEditor::Inked(image, shown.Cell(0, 3).united(shown.Cell(0, 7)), white));
  EXPECT_TRUE(TShownEditor::Inked(image, shown.Cell(0, 8), white));
  EXPECT_EQ(shown.editor.Lines().GetTextStr(), "a\x1b" "b\tc");
}

TEST(EditorPaint, WideCharactersAreCentredOnTheirTwoCells) {
  TShownEditor shown;
  shown.editor.Lines().SetTextStr("aあb");
  const QImage image = shown.Grab();
  const QColor white(Qt::white);
  EXPECT_TRUE(TShownEditor::Inked(image, shown.Cell(0, 1).united(shown.Cell(0, 2)), white));
  EXPECT_TRUE(TShownEditor::Inked(image, shown.Cell(0, 3), white));
  EXPECT_FALSE(TShownEditor::Inked(image, shown.Cell(0, 4), white));
}

TEST(EditorPaint, LineNumbersOnlyOnTheFirstRowOfAWrappedLine) {
  TShownEditor shown;
  TEditor& e = shown.editor;
  e.Leftbar().SetVisible(true);
  e.Leftbar().SetBkColor(0x00FFFFFF);
  e.Leftbar().SetShowNumberMode(nmLine);
  e.WrapOption().SetWrapByte(20);
  e.SetWordWrap(true);
  e.Lines().SetTextStr(std::string(50, 'a') + "\r\nb");
  ASSERT_EQ(e.ScreenStrings().GetCount(), 4);
  const QImage image = shown.Grab();
  const int left = e.TextLeft() - e.Margin().Values().Left - e.LeftbarWidth();
  auto number = [&](int row) {
    const QRect cell = shown.Cell(row, 0);
    return QRect(left, cell.top(), e.LeftbarWidth() - 2, cell.height());
  };
  const QColor white(Qt::white);
  EXPECT_TRUE(TShownEditor::Inked(image, number(0), white));
  EXPECT_FALSE(TShownEditor::Inked(image, number(1), white));
  EXPECT_FALSE(TShownEditor::Inked(image, number(2), white));
  EXPECT_TRUE(TShownEditor::Inked(image, number(3), white));
}

TEST(EditorPaint, LeftBarWidensPastFiveDigitsOfRows) {
  TEditor editor;
  editor.Leftbar().SetVisible(true);
  editor.Leftbar().SetColumn(4);
  std::string text;
  for (int i = 0; i < 99998; ++i) text += "x\r\n";
  editor.Lines().SetTextStr(text + "x");
  EXPECT_EQ(editor.NumberDigits(), 5);
  const int narrow = editor.LeftbarWidth();
  editor.Lines().Add("y");
  EXPECT_EQ(editor.NumberDigits(), 6);
  EXPECT_EQ(editor.LeftbarWidth(), narrow + editor.CellWidth());
}

TEST(EditorCaret, DrawnOnlyWithTheFocusAndShapedByStyle) {
  TShownEditor shown;
  TEditor& e = shown.editor;
  e.Lines().SetTextStr("あいう");
  EXPECT_FALSE(e.CaretDrawn());
  QApplication::setActiveWindow(&e);
  e.setFocus();
  QApplication::processEvents();
  ASSERT_TRUE(e.hasFocus());
  EXPECT_TRUE(e.CaretDrawn());
  EXPECT_EQ(e.CaretRect().size(), QSize(2, e.CellHeight()));
  e.Caret().SetStyle(csBrief);
  EXPECT_EQ(e.CaretRect().size(), QSize(2 * e.CellWidth(), 2));
  EXPECT_EQ(static_cast<QWidget&>(e).inputMethodQuery(Qt::ImCursorRectangle).toRect(), e.CaretRect());
  e.clearFocus();
  QApplication::processEvents();
  EXPECT_FALSE(e.CaretDrawn());
}

}  // namespace

namespace {

TEST(EditorCursors, BuiltInCursorsAreDrawnAndKnownOnesMapToQt) {
  EXPECT_EQ(CursorOf(crIBeam).shape(), Qt::IBeamCursor);
  EXPECT_EQ(CursorOf(crDefault).shape(), Qt::ArrowCursor);
  for (const TCursor drawn : {crRightArrow, crDragSelCopy}) {
    const QCursor cursor = CursorOf(drawn);
    EXPECT_EQ(cursor.shape(), Qt::BitmapCursor);
    EXPECT_FALSE(cursor.pixmap().isNull());
  }
  EXPECT_NE(CursorOf(crRightArrow).pixmap().toImage(), CursorOf(crDragSelCopy).pixmap().toImage());
}

}  // namespace

namespace {

// What the window shows now: the backing store's pixels, with the rows that
// were moved and the ones repainted, against a full paint of the same state.
struct TScreenPixels {
  explicit TScreenPixels(TEditor& editor) : FEditor(editor) {}
  QImage Shown() {
    QApplication::processEvents();
    return FEditor.screen()->grabWindow(FEditor.window()->winId()).toImage();
  }
  QImage Repainted() {
    FEditor.viewport()->repaint();
    return Shown();
  }
  TEditor& FEditor;
};

TEST(EditorPaint, MovedPixelsOfScrollsAndEditsMatchAFullPaint) {
  TShownEditor shown;
  TEditor& e = shown.editor;
  e.Leftbar().SetVisible(true);
  e.Ruler().SetVisible(true);
  std::string text;
  for (int i = 0; i < 60; ++i) text += "select " + std::to_string(i) + " from t -- row\r\n";
  e.Lines().SetTextStr(text);
  e.ScreenStrings().SetRowMarks(7, 1 << 3);
  TScreenPixels pixels(e);
  pixels.Repainted();
  const std::function<void()> steps[] = {
      [&] { e.SetTopRow(3); },
      [&] { e.SetTopRow(1); },
      [&] { e.SetTopCol(4); },
      [&] { e.Lines().Insert(5, "inserted"); },
      [&] { e.Lines().Delete(2); },
      [&] { e.Lines().Put(4, "one\r\ntwo\r\nthree"); },
      [&] { e.PageMove(10); },
  };
  int step = 0;
  for (const auto& change : steps) {
    change();
    const QImage moved = pixels.Shown();
    EXPECT_EQ(moved, pixels.Repainted()) << "step " << step;
    ++step;
  }
}

}  // namespace

namespace {

TEST(EditorControl, DrawLineAndSelectionModeEventsFire) {
  TShownEditor shown;
  TEditor& e = shown.editor;
  e.Lines().SetTextStr("abcdef\r\nghi");
  std::vector<std::tuple<int, bool, std::string>> drawn;
  e.OnDrawLine = [&](QPainter&, const QRect&, int, bool selected, int row, const std::string& text, int) {
    drawn.emplace_back(row, selected, text);
  };
  int modeChanges = 0;
  e.OnSelectionModeChange = [&] { ++modeChanges; };
  e.SetSelStart(1);
  e.SetSelLength(2);
  shown.Grab();
  using Part = std::tuple<int, bool, std::string>;
  EXPECT_EQ(drawn, (std::vector<Part>{{0, false, "abcdef"}, {0, true, "abcdef"}, {0, false, "abcdef"}, {1, false, "ghi"}}));
  e.SetSelectionMode(smBox);
  e.SetSelectionMode(smBox);
  EXPECT_EQ(modeChanges, 1) << "only a change fires";
}

}  // namespace

namespace {

TEST(EditorPaint, RulerDigitsAndItsEndPastTheLastColumn) {
  TShownEditor shown;
  TEditor& e = shown.editor;
  e.Ruler().SetVisible(true);
  e.Ruler().SetBkColor(0x00FFFFFF);
  e.Ruler().SetMarkColor(0x000000FF);
  e.Lines().SetTextStr(std::string(12000, 'x'));
  e.SetTopCol(kMaxDrawnCol - 20);
  const QImage image = shown.Grab();
  const QColor white(Qt::white);
  auto ruler = [&](int col, int cols) {
    const QRect cell = shown.Cell(0, col);
    return QRect(cell.left() + 1, 0, cols * e.CellWidth() - 2, e.TextTop() - 3);
  };
  EXPECT_TRUE(TShownEditor::Inked(image, ruler(kMaxDrawnCol - 10, 5), white)) << "the number 9990 and its ticks";
  EXPECT_FALSE(TShownEditor::Inked(image, ruler(kMaxDrawnCol, 8), white)) << "nothing from column 10000 on";

  e.SetTopCol(0);
  const QImage start = shown.Grab();
  EXPECT_TRUE(TShownEditor::Holds(start, ruler(0, 1), QColor(Qt::red))) << "the caret column in the mark colour";
  EXPECT_FALSE(TShownEditor::Holds(start, ruler(1, 1), QColor(Qt::red)));
}

TEST(EditorPaint, ImageListsOfTheControlOrTheBuiltInImages) {
  TShownEditor shown;
  TEditor& e = shown.editor;
  e.Lines().SetTextStr("marked\r\nplain");
  e.ScreenStrings().SetRowMarks(0, (1 << 2) | (1 << 11));
  auto digits = std::make_unique<TImageList>();
  QPixmap green(kRowImageSize, kRowImageSize);
  green.fill(Qt::green);
  for (int i = 0; i < 3; ++i) digits->Add(green);
  e.SetImageDigits(digits.get());
  const int y = e.TextTop() + 2;
  const QRect digit(e.Imagebar().Values().LeftMargin, y, kRowImageSize, kRowImageSize);
  const QRect mark = digit.translated(e.Imagebar().Values().DigitWidth, 0);
  QImage image = shown.Grab();
  EXPECT_TRUE(TShownEditor::Holds(image, digit, QColor(Qt::green)));
  EXPECT_TRUE(TShownEditor::Inked(image, mark, QColor(Qt::white))) << "no mark list: the built-in mark";
  digits.reset();
  EXPECT_EQ(e.ImageDigits(), nullptr);
  image = shown.Grab();
  EXPECT_FALSE(TShownEditor::Holds(image, digit, QColor(Qt::green)));
  EXPECT_TRUE(TShownEditor::Inked(image, digit, QColor(Qt::white))) << "the built-in digit";
}

}  // namespace

namespace {

// Taking the settings of an editor the user changed tells the holder's
// users of each plain property that changed, and of nothing else.
TEST(EditorProperties, TakingAnEditorsSettingsNotifiesEachChangedProperty) {
  TShownEditor shown;
  TEditor& e = shown.editor;
  e.SetColor(kRedColor);
  e.SetHitStyle(hsCaret);
  e.SetScrollBars(ssBoth);
  e.SetWordWrap(true);
  auto prop = Make<TovMemoProp>();
  struct TLog {
    std::vector<std::string> Names;
    void Color(TObject*) { Names.emplace_back("color"); }
    void Hit(TObject*) { Names.emplace_back("hit"); }
    void Bars(TObject*) { Names.emplace_back("bars"); }
    void Wrap(TObject*) { Names.emplace_back("wrap"); }
  } log;
  prop->OnColorChange = TNotifyEvent::Of<TLog, &TLog::Color>(&log);
  prop->OnHitStyleChange = TNotifyEvent::Of<TLog, &TLog::Hit>(&log);
  prop->OnScrollBarsChange = TNotifyEvent::Of<TLog, &TLog::Bars>(&log);
  prop->OnWordWrapChange = TNotifyEvent::Of<TLog, &TLog::Wrap>(&log);
  prop->Assign(e);
  EXPECT_EQ(log.Names, (std::vector<std::string>{"color", "hit", "bars", "wrap"}));
  log.Names.clear();
  prop->Assign(e);
  EXPECT_TRUE(log.Names.empty()) << "an unchanged value notifies nobody";
  e.SetScrollBars(ssVertical);
  prop->Assign(e);
  EXPECT_EQ(log.Names, std::vector<std::string>{"bars"});
}

}  // namespace
