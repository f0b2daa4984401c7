#include "ui/ovgrid.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include <tuple>

#include <gtest/gtest.h>

#include "ui/oveditadapter.h"

namespace {

// A shown 5 x 5 grid (one fixed row and column) with the focus.
struct Form {
  QDialog window;
  TovStringGrid* grid = new TovStringGrid(&window);
  Form() {
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(grid);
    window.resize(400, 300);
    window.show();
    QApplication::setActiveWindow(&window);
    grid->setFocus();
  }
  // Where keys go now: the editor when one is open.
  QWidget* Focused() const { return QApplication::focusWidget(); }
  void Key(int key, Qt::KeyboardModifiers mods = {}) { QTest::keyClick(Focused(), Qt::Key(key), mods); }
  void Type(const std::string& text) {
    for (char c : text) QTest::keyClicks(Focused(), QString(QChar(c)));
  }
  void Click(int col, int row) {
    const QModelIndex i = grid->model()->index(row - grid->FixedRows(), col - grid->FixedCols());
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(i).center());
  }
};

}  // namespace

TEST(StringGrid, EnterByModeAndStyle) {
  struct Case {
    TovGridEditorMode mode;
    TovGridEditStyle style;
    Qt::KeyboardModifiers mods;
    int col, row;
    int endCol, endRow;
  } cases[] = {
      {geAccess, geSimple, {}, 1, 1, 2, 1},      {geAccess, geSimple, {}, 4, 1, 4, 1},
      {geAccess, gePickList, {}, 2, 2, 3, 2},    {geExcel, geSimple, {}, 1, 1, 1, 2},
      {geExcel, geSimple, {}, 1, 4, 1, 4},       {geExcel, geSimple, Qt::ShiftModifier, 1, 3, 1, 2},
      {geExcel, geSimple, Qt::ShiftModifier, 1, 1, 1, 1}, {geExcel, gePickList, {}, 1, 1, 1, 1},
      {geExcel, geCheckBox, {}, 1, 1, 1, 1},     {geNormal, geSimple, {}, 1, 1, 1, 1},
  };
  for (const Case& c : cases) {
    const int at = static_cast<int>(&c - cases);
    Form f;
    for (int col = 1; col < f.grid->ColCount(); ++col) f.grid->SetEditStyle(col, c.style);
    f.grid->SetGridMode(c.mode);
    f.grid->FocusCell(c.col, c.row);
    f.Key(Qt::Key_Return, c.mods);
    EXPECT_EQ(f.grid->Col(), c.endCol) << at;
    EXPECT_EQ(f.grid->Row(), c.endRow) << at;
  }
}

TEST(StringGrid, EnterInAnExcelEditorStoresAndMovesDown) {
  Form f;
  f.grid->SetGridMode(geExcel);
  f.grid->FocusCell(2, 1);
  f.Type("xy");
  ASSERT_TRUE(f.grid->Editing());
  f.Key(Qt::Key_Return);
  EXPECT_FALSE(f.grid->Editing());
  EXPECT_EQ(f.grid->Cells(2, 1), "xy");
  EXPECT_EQ(f.grid->Row(), 2);
}

TEST(StringGrid, AccessModeKeepsTheEditorAndArrowsLeaveAWhollySelectedText) {
  Form f;
  f.grid->SetGridMode(geAccess);
  f.grid->FocusCell(2, 1);
  ASSERT_TRUE(f.grid->Editing()) << "the editor is always shown";
  f.grid->InplaceEditor()->setText("abc");
  f.grid->InplaceEditor()->setCursorPosition(1);
  f.Key(Qt::Key_Left);
  EXPECT_EQ(f.grid->Col(), 2) << "the caret moves inside the text";
  f.grid->InplaceEditor()->selectAll();
  f.Key(Qt::Key_Left);
  EXPECT_EQ(f.grid->Col(), 1);
  EXPECT_TRUE(f.grid->Editing());
  EXPECT_EQ(f.grid->Cells(2, 1), "abc");
  f.Key(Qt::Key_Down);
  EXPECT_EQ(f.grid->Row(), 2);
}

TEST(StringGrid, PickListCompletesTypedText) {
  Form f;
  f.grid->SetEditStyle(2, gePickList);
  std::vector<std::pair<int, int>> asked;
  f.grid->OnGetPickListitems = [&](int col, int row, std::vector<std::string>& items) {
    asked.emplace_back(col, row);
    items = {"CHAR", "CHARACTER"};
  };
  f.grid->FocusCell(2, 3);
  f.Type("ch");
  TovInplaceEditor* editor = f.grid->InplaceEditor();
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->text(), "CHAR");
  EXPECT_EQ(editor->selectedText(), "AR");
  EXPECT_EQ(f.grid->Cells(2, 3), "CHAR");
  ASSERT_FALSE(asked.empty());
  EXPECT_EQ(asked.back(), std::make_pair(2, 3));

  f.Type("z");
  EXPECT_EQ(editor->text(), "CHz") << "no match leaves the key to the edit";
}

TEST(StringGrid, PickListDropsDownAndReportsTheChosenItem) {
  Form f;
  f.grid->SetEditStyle(1, geDropList);
  f.grid->OnGetPickListitems = [](int, int, std::vector<std::string>& items) { items = {"A", "B", "C"}; };
  int chosen = -1;
  f.grid->OnSelectListItems = [&](TovStringGrid&, int col, int row, int index) {
    EXPECT_EQ(col, 1);
    EXPECT_EQ(row, 1);
    chosen = index;
  };
  f.grid->FocusCell(1, 1);
  f.Key(Qt::Key_F2);
  TovInplaceEditor* editor = f.grid->InplaceEditor();
  ASSERT_NE(editor, nullptr);
  f.Key(Qt::Key_Down);
  ASSERT_TRUE(editor->ListVisible());
  editor->PickList()->setCurrentRow(1);
  QTest::keyClick(editor->PickList(), Qt::Key_Return);
  EXPECT_FALSE(editor->ListVisible());
  EXPECT_EQ(chosen, 1);
  EXPECT_EQ(f.grid->Cells(1, 1), "B");
}

TEST(StringGrid, EllipsisButtonFiresTheOwnersEvent) {
  Form f;
  f.grid->SetEditStyle(3, geEllipsis);
  int clicks = 0;
  f.grid->OnEditButtonClick = [&](TovStringGrid&) { ++clicks; };
  f.grid->FocusCell(3, 1);
  f.Key(Qt::Key_F2);
  ASSERT_NE(f.grid->InplaceEditor(), nullptr);
  ASSERT_NE(f.grid->InplaceEditor()->EditButton(), nullptr);
  f.grid->InplaceEditor()->EditButton()->click();
  EXPECT_EQ(clicks, 1);
}

TEST(StringGrid, EveryStoreOfAnEditedTextIsAnnouncedFirst) {
  Form f;
  f.grid->SetEditStyle(3, geCheckBox);
  std::vector<std::tuple<int, int, std::string, std::string>> heard;  // col, row, value, cell before
  f.grid->OnBeforeSetEditText = [&](TovStringGrid& g, int col, int row, const std::string& value) {
    heard.emplace_back(col, row, value, g.Cells(col, row));
  };
  f.grid->FocusCell(2, 2);
  f.Type("ab");
  using H = std::vector<std::tuple<int, int, std::string, std::string>>;
  EXPECT_EQ(heard, (H{{2, 2, "a", ""}, {2, 2, "ab", "a"}})) << "one per keystroke, before the store";
  f.Key(Qt::Key_Backspace);
  EXPECT_EQ(heard.size(), 3u);
  EXPECT_EQ(f.grid->Cells(2, 2), "a");

  heard.clear();
  f.grid->SetCellChecked(3, 4, true);
  f.grid->SetCellChecked(2, 4, true);
  EXPECT_EQ(heard, (H{{3, 4, "1", "1"}})) << "only check columns take a check";
  EXPECT_TRUE(f.grid->CellChecked(3, 4));
}

TEST(StringGrid, CheckCellsToggleByClickAndPrintableKeyButNeverWhenViewOnly) {
  struct Case {
    TovGridEditStyle style;
    bool toggles;
  } cases[] = {{geCheckBox, true}, {geViewCheckBox, false}};
  for (const Case& c : cases) {
    Form f;
    f.grid->SetEditStyle(2, c.style);
    const std::string ticked = c.toggles ? "1" : "";
    f.Click(2, 2);
    EXPECT_EQ(f.grid->Cells(2, 2), ticked) << c.style << " click";
    f.Type("a");
    EXPECT_EQ(f.grid->Cells(2, 2), "") << c.style << " key";
    EXPECT_FALSE(f.grid->Editing()) << "a check cell opens no editor";
    f.Key(Qt::Key_Space);
    EXPECT_EQ(f.grid->Cells(2, 2), ticked) << c.style << " space";
    f.Key(Qt::Key_Right);
    EXPECT_EQ(f.grid->Col(), 3) << "the key also reaches the grid";
  }
  Form f;
  f.grid->SetEditStyle(2, geCheckBox);
  f.grid->SetCells(2, 1, "2");
  EXPECT_FALSE(f.grid->CellChecked(2, 1)) << "grayed is not ticked";
  f.Click(2, 1);
  EXPECT_EQ(f.grid->Cells(2, 1), "1");
  f.Click(1, 1);
  EXPECT_EQ(f.grid->Cells(1, 1), "") << "a plain cell does not toggle";
}

TEST(StringGrid, CheckBoxesDrawByTheirText) {
  Form f;
  f.grid->SetEditStyle(1, geCheckBox);
  auto draw = [&](const char* text, bool enabled, bool flat) {
    f.grid->SetCells(1, 1, text);
    f.grid->SetFlatCheckBox(flat);
    QImage image(40, 40, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    f.grid->DrawCheckBox(painter, 1, 1, enabled, image.rect());
    return image;
  };
  const QImage empty = draw("", true, false);
  EXPECT_NE(draw("1", true, false), empty);
  EXPECT_NE(draw("2", true, false), draw("1", true, false));
  EXPECT_EQ(draw("x", true, false), empty);
  EXPECT_NE(draw("", false, false), empty);
  EXPECT_NE(draw("", true, true), empty);
  EXPECT_EQ(empty.pixel(0, 0), QColor(Qt::white).rgb()) << "the box stands centred, off the corner";
}

TEST(StringGrid, EditStylesFollowTheColumnCount) {
  Form f;
  f.grid->SetEditStyle(10, geCheckBox);
  EXPECT_EQ(f.grid->EditStyle(10), std::nullopt);
  for (int col = 0; col < f.grid->ColCount(); ++col) EXPECT_EQ(f.grid->EditStyle(col), geSimple) << col;
  f.grid->SetColCount(12);
  EXPECT_EQ(f.grid->EditStyle(10), geSimple);
  f.grid->SetEditStyle(10, geCheckBox);
  EXPECT_EQ(f.grid->EditStyle(10), geCheckBox);
  f.grid->SetColCount(3);
  EXPECT_EQ(f.grid->EditStyle(10), std::nullopt);
}

TEST(StringGrid, HeaderIsALiveViewOfRowZero) {
  Form f;
  f.grid->Header().Assign({"", "Name", "Type"});
  EXPECT_EQ(f.grid->Cells(1, 0), "Name");
  EXPECT_EQ(f.grid->model()->headerData(1, Qt::Horizontal).toString(), "Type") << "shown as the title";
  f.grid->Header().Clear();
  EXPECT_EQ(f.grid->Cells(1, 0), "");
  f.grid->Header().Add("A");
  f.grid->Header().Add("B");
  EXPECT_EQ(f.grid->Header().Texts(), (std::vector<std::string>{"A", "B", "", "", ""}));
  for (const char* t : {"C", "D", "E", "F"}) f.grid->Header().Add(t);
  EXPECT_EQ(f.grid->ColCount(), 6) << "a full row takes a new column";
}

TEST(StringGrid, RowsAndColumnsMoveWithTheirTextsAndObjects) {
  Form f;
  for (int row = 1; row < 5; ++row) {
    f.grid->SetCells(1, row, std::to_string(row));
    f.grid->SetObjects(1, row, row);
  }
  f.grid->MoveRow(1, 3);
  EXPECT_EQ(f.grid->Cells(1, 3), "1");
  EXPECT_EQ(f.grid->Objects(1, 3).toInt(), 1);
  EXPECT_EQ(f.grid->Cells(1, 1), "2");

  f.grid->InsertRow(2);
  EXPECT_EQ(f.grid->RowCount(), 6);
  EXPECT_EQ(f.grid->Cells(1, 2), "");
  EXPECT_FALSE(f.grid->Objects(1, 2).isValid());
  EXPECT_EQ(f.grid->Cells(1, 3), "3");
  f.grid->InsertRow(f.grid->RowCount());
  EXPECT_EQ(f.grid->RowCount(), 7) << "at the row count it appends";

  f.grid->InsertColumn(1);
  EXPECT_EQ(f.grid->Col(), 1);
  EXPECT_EQ(f.grid->Cells(1, 3), "");
  EXPECT_EQ(f.grid->Cells(2, 3), "3");
  EXPECT_THROW(f.grid->MoveRow(1, 40), std::out_of_range);
}

TEST(StringGrid, DeleteRowKeepsTheCurrentIndexAndTheEditor) {
  Form f;
  f.grid->SetGridMode(geAccess);
  for (int row = 1; row < 5; ++row) f.grid->SetCells(1, row, std::to_string(row));
  f.grid->FocusCell(1, 2);
  ASSERT_TRUE(f.grid->Editing());
  f.grid->DeleteRow(2);
  EXPECT_EQ(f.grid->RowCount(), 4);
  EXPECT_EQ(f.grid->Row(), 2);
  ASSERT_TRUE(f.grid->Editing());
  EXPECT_EQ(f.grid->InplaceEditor()->text(), "3") << "the editor shows the new cell";
}

TEST(StringGrid, SnapshotTellsWhatChanged) {
  Form f;
  f.grid->SetCells(1, 1, "a");
  f.grid->SaveData();
  EXPECT_FALSE(f.grid->Modified());
  f.grid->InsertRow(f.grid->RowCount());
  EXPECT_TRUE(f.grid->Modified()) << "an empty added row counts";
  EXPECT_FALSE(f.grid->CellModified(1, 5));
  f.grid->SetCells(1, 5, "x");
  EXPECT_TRUE(f.grid->CellModified(1, 5));
  f.grid->DeleteRow(5);
  EXPECT_FALSE(f.grid->Modified());
  EXPECT_FALSE(f.grid->CellModified(1, 40)) << "outside both counts as empty";
  f.grid->SetCells(0, 0, "t");
  EXPECT_TRUE(f.grid->Modified()) << "fixed cells take part";
  EXPECT_TRUE(f.grid->CellIsEmpty(2, 2));
  f.grid->SetCells(2, 2, "  ");
  EXPECT_TRUE(f.grid->CellIsEmpty(2, 2));
}

TEST(StringGrid, ClearDataLeavesTheTitlesAndOneRow) {
  Form f;
  f.grid->Header().Assign({"", "Name"});
  f.grid->SetCells(1, 3, "x");
  f.grid->SetCells(0, 3, "fixed");
  f.grid->FocusCell(3, 3);
  f.grid->ClearData();
  EXPECT_EQ(f.grid->RowCount(), 2);
  EXPECT_EQ(f.grid->Cells(1, 0), "Name");
  EXPECT_EQ(f.grid->Col(), 1);
  EXPECT_EQ(f.grid->Row(), 1);
  EXPECT_TRUE(f.grid->updatesEnabled());
}

TEST(StringGrid, CopyTakesTheCurrentCellOrTheEditorsSelection) {
  Form f;
  f.grid->SetCells(2, 3, "cell text");
  f.grid->FocusCell(2, 3);
  f.Key(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "cell text");
  QApplication::clipboard()->clear();
  EditCommandsOf(f.grid)->CopyToClipboard();
  EXPECT_EQ(QApplication::clipboard()->text(), "cell text");

  f.Key(Qt::Key_F2);
  ASSERT_TRUE(f.grid->Editing());
  f.grid->InplaceEditor()->setSelection(0, 4);
  EditCommandsOf(f.Focused())->CopyToClipboard();
  EXPECT_EQ(QApplication::clipboard()->text(), "cell");
}

TEST(StringGrid, PageScrollMovesHalfAPageAndUnneededBarsAreDisabled) {
  Form f;
  EXPECT_FALSE(f.grid->verticalScrollBar()->isEnabled());
  EXPECT_TRUE(f.grid->verticalScrollBar()->isVisible());
  f.grid->SetRowCount(200);
  QApplication::processEvents();
  QScrollBar& bar = *f.grid->verticalScrollBar();
  ASSERT_TRUE(bar.isEnabled());
  const int page = bar.pageStep();
  ASSERT_GT(page, 2);
  bar.triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(bar.value(), page / 2);
  bar.triggerAction(QAbstractSlider::SliderPageStepSub);
  bar.triggerAction(QAbstractSlider::SliderPageStepSub);
  EXPECT_EQ(bar.value(), 0);
}

TEST(StringGrid, OpeningTheEditorAndFocusComingBackShowTheEditorToTheOwner) {
  Form f;
  std::vector<std::tuple<int, int, std::string>> shown;  // col, row, the editor's text
  f.grid->OnShowEditor = [&](TovStringGrid& g, int col, int row, TovInplaceEditor& editor) {
    EXPECT_EQ(&g, f.grid);
    shown.emplace_back(col, row, editor.text().toStdString());
  };
  f.grid->SetCells(2, 3, "abc");
  f.Click(2, 3);
  EXPECT_TRUE(shown.empty()) << "a click alone opens no editor";
  f.Key(Qt::Key_F2);
  ASSERT_TRUE(f.grid->Editing());
  using S = std::vector<std::tuple<int, int, std::string>>;
  EXPECT_EQ(shown, (S{{2, 3, "abc"}}));

  // A grid that keeps its editor shows it again when the user tabs back in.
  f.grid->SetGridMode(geAccess);
  auto* other = new QLineEdit(&f.window);
  f.window.layout()->addWidget(other);
  other->setFocus();
  QApplication::processEvents();
  const size_t before = shown.size();
  QTest::keyClick(other, Qt::Key_Backtab);
  ASSERT_TRUE(f.grid->Editing());
  EXPECT_EQ(shown.size(), before + 1) << "the grid taking the focus back shows the editor again";
  EXPECT_EQ(shown.back(), (std::tuple<int, int, std::string>{2, 3, "abc"}));
}
