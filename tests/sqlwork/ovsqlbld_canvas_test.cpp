// The SQL builder's canvas as the user works it: boxes moved and sized with
// the mouse, columns dragged onto other boxes, lines hovered and
// double-clicked, columns double-clicked into the grid, and the text typed
// in the editor read back.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>

#include <memory>

#include "app/core/zarur.h"
#include "sqlwork/ovsqlbld.h"
#include "tests/platform/temp_settings.h"
#include "tests/sqlwork/core/sqlbld_fixture.h"

namespace {

using testing_sqlbld::BuilderTest;

class Canvas : public BuilderTest {
 protected:
  Canvas() {
    window.resize(kWindowWidth, kWindowHeight);
    canvas = new TovSQLDesignerView(&window);
    canvas->setGeometry(0, 0, kWindowWidth, kCanvasHeight);
    grid = new TovStringGrid(&window);
    grid->setGeometry(0, kCanvasHeight, kWindowWidth, kGridHeight);
    editor = new TovMemo(&window);
    editor->setGeometry(0, kCanvasHeight + kGridHeight, kWindowWidth, kGridHeight);
    canvas->SetConnection(&connection);
    canvas->SetGrid(grid);
    canvas->SetSQLText(editor);
    window.show();
    QApplication::setActiveWindow(&window);
  }

  // A mouse event sent straight to a widget, at a point of it.
  static void Send(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButtons buttons = Qt::LeftButton) {
    const QPointF local(at);
    QMouseEvent event(type, local, target->mapToGlobal(local), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
  }
  // Drags a box's column onto another box's column, as a drop on its list.
  void DragColumn(TovSQLBuildTableView& from, int fromItem, TovSQLBuildTableView& to, int toItem) {
    from.lstColumns->setCurrentRow(fromItem);
    std::unique_ptr<QMimeData> data(
        from.lstColumns->mimeData(from.lstColumns->selectedItems()));
    const QPoint at = to.lstColumns->visualItemRect(to.lstColumns->item(toItem)).center();
    // The drag enters the list first: it becomes the drop's target.
    QDragEnterEvent enter(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(to.lstColumns->viewport(), &enter);
    QDragMoveEvent move(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(to.lstColumns->viewport(), &move);
    if (!move.isAccepted()) return;
    QDropEvent drop(QPointF(at), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(to.lstColumns->viewport(), &drop);
  }
  std::string Text() const { return editor->Text(); }

  static constexpr int kWindowWidth = 600;
  static constexpr int kCanvasHeight = 300;
  static constexpr int kGridHeight = 150;
  static constexpr int kWindowHeight = kCanvasHeight + 2 * kGridHeight;
  testing_support::TempSettings env;
  QWidget window;
  TovSQLDesignerView* canvas;
  TovStringGrid* grid;
  TovMemo* editor;
};

TEST_F(Canvas, TablesBecomeBoxesWithTheirKeyColumnsBoldAndPlacedSideBySide) {
  canvas->InsertTable("EMP");
  canvas->InsertTable("DEPT");
  ASSERT_EQ(canvas->Views().size(), 2u);
  TovSQLBuildTableView& emp = *canvas->Views()[0];
  TovSQLBuildTableView& dept = *canvas->Views()[1];
  EXPECT_EQ(emp.pos(), QPoint(16, 16));
  EXPECT_EQ(dept.pos(), QPoint(166, 16));
  EXPECT_EQ(emp.pnlCaption->text().toStdString(), "ADMIN.EMP");
  EXPECT_EQ(emp.txtAlias->text().toStdString(), "a");
  EXPECT_EQ(dept.txtAlias->text().toStdString(), "b");
  ASSERT_EQ(emp.lstColumns->count(), 5);
  EXPECT_EQ(emp.lstColumns->item(0)->text().toStdString(), "*");
  EXPECT_EQ(emp.lstColumns->item(1)->text().toStdString(), "ENO");
  EXPECT_TRUE(emp.lstColumns->item(1)->font().bold());
  EXPECT_FALSE(emp.lstColumns->item(2)->font().bold());
  canvas->BuildSQL();
  EXPECT_NE(Text().find("FROM ADMIN.EMP A\r\n      ,ADMIN.DEPT B"), std::string::npos) << Text();
}

TEST_F(Canvas, AnUnknownTableRaisesTheCataloguesMessage) {
  try {
    canvas->InsertTable("NOSUCH");
    FAIL() << "no exception";
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(), kUnknownObject);
  }
  // The box stays with its "*" item.
  ASSERT_EQ(canvas->Views().size(), 1u);
  EXPECT_EQ(canvas->Views()[0]->lstColumns->count(), 1);
}

// Mouse events on the canvas go to the model: the box's place and size,
// joins from a drop, the line's cursor and double click.
TEST_F(Canvas, MouseEventsReachTheModel) {
  canvas->InsertTable("EMP");
  canvas->InsertTable("DEPT");
  TovSQLBuildTableView& emp = *canvas->Views()[0];
  TovSQLBuildTableView& dept = *canvas->Views()[1];

  // Moving by the caption: never past the origin. The points are the
  // canvas's; the box hears them in its own coordinates.
  const auto sendAt = [&](QEvent::Type type, QPoint at, Qt::MouseButtons buttons = Qt::LeftButton) {
    Send(&emp, type, at - emp.pos(), buttons);
  };
  const QPoint caption = emp.pos() + emp.pnlCaption->geometry().center();
  sendAt(QEvent::MouseButtonPress, caption);
  EXPECT_EQ(canvas->Model().SelectedTable(), &emp.Table);
  sendAt(QEvent::MouseMove, caption + QPoint(-40, 30));
  EXPECT_EQ(emp.Table.Bounds.Left, 0);
  EXPECT_EQ(emp.Table.Bounds.Top, 46);
  sendAt(QEvent::MouseMove, caption + QPoint(-20, 20));
  EXPECT_EQ(emp.Table.Bounds.Left, 20);
  EXPECT_EQ(emp.Table.Bounds.Top, 36);
  sendAt(QEvent::MouseButtonRelease, caption, Qt::NoButton);
  sendAt(QEvent::MouseMove, caption + QPoint(50, 50), Qt::NoButton);
  EXPECT_EQ(emp.Table.Bounds.Left, 20);
  EXPECT_EQ(emp.pos(), QPoint(20, 36));

  // Sizing by the bottom right corner of the frame.
  const int width = emp.width();
  const int height = emp.height();
  const QPoint corner(width - 1, height - 1);
  Send(&emp, QEvent::MouseButtonPress, corner);
  Send(&emp, QEvent::MouseMove, corner + QPoint(30, 40));
  Send(&emp, QEvent::MouseButtonRelease, corner, Qt::NoButton);
  EXPECT_EQ(emp.Table.Bounds.Width, width + 30);
  EXPECT_EQ(emp.size(), QSize(width + 30, height + 40));
  EXPECT_EQ(canvas->Model().Tables()[0]->Bounds.Left, 20);

  // A column onto another box's column: a join; "*" makes none.
  DragColumn(emp, 0, dept, 1);
  EXPECT_TRUE(canvas->Model().Joins().empty());
  DragColumn(emp, 3, dept, 1);
  ASSERT_EQ(canvas->Model().Joins().size(), 1u);
  const TovSQLBuildConnect& join = *canvas->Model().Joins()[0];
  EXPECT_EQ(join.Column1, "DEPT");
  EXPECT_EQ(join.Column2, "DNO");
  EXPECT_NE(Text().find("WHERE A.DEPT = B.DNO"), std::string::npos) << Text();

  // Over the line the hand; a double click hands the join over.
  // The first stretch of the line runs level out of the first box.
  canvas->Model().CalcPoints(*canvas->Model().Joins()[0]);
  const QPoint onLine((join.Points[0].X + join.Points[1].X) / 2, join.Points[0].Y);
  Send(canvas->viewport(), QEvent::MouseMove, onLine, Qt::NoButton);
  EXPECT_EQ(canvas->viewport()->cursor().shape(), Qt::PointingHandCursor);
  Send(canvas->viewport(), QEvent::MouseMove, {5, kCanvasHeight - 40}, Qt::NoButton);
  EXPECT_EQ(canvas->viewport()->cursor().shape(), Qt::ArrowCursor);
  const TovSQLBuildConnect* clicked = nullptr;
  canvas->OnConnectDblClick = [&](TovSQLBuildConnect& j) { clicked = &j; };
  Send(canvas->viewport(), QEvent::MouseButtonDblClick, onLine);
  EXPECT_EQ(clicked, &join);
}

TEST_F(Canvas, ColumnsDoubleClickedFillTheGridAndTheText) {
  canvas->InsertTable("EMP");
  TovSQLBuildTableView& emp = *canvas->Views()[0];
  emp.lstColumns->setCurrentRow(1);
  const QPoint item = emp.lstColumns->visualItemRect(emp.lstColumns->item(1)).center();
  QTest::mouseDClick(emp.lstColumns->viewport(), Qt::LeftButton, Qt::NoModifier, item);
  ASSERT_EQ(grid->RowCount(), 3);
  EXPECT_EQ(grid->Cells(0, 1), "a.ENO");
  EXPECT_EQ(grid->Cells(2, 1), kChecked);
  EXPECT_EQ(Text().substr(0, Text().find("FROM")), "SELECT A.ENO\r\n  ") << Text();

  // A typed cell rewrites the text at once.
  grid->SetEditText(1, 1, "NO");
  EXPECT_NE(Text().find("SELECT A.ENO NO"), std::string::npos) << Text();
}

TEST_F(Canvas, APressOnAColumnSelectsItsBoxAndColumnsDroppedOnTheGridFillRows) {
  canvas->InsertTable("EMP");
  canvas->InsertTable("DEPT");
  TovSQLBuildTableView& emp = *canvas->Views()[0];
  TovSQLBuildTableView& dept = *canvas->Views()[1];
  QTest::mouseClick(dept.lstColumns->viewport(), Qt::LeftButton, Qt::NoModifier,
                    dept.lstColumns->visualItemRect(dept.lstColumns->item(1)).center());
  EXPECT_EQ(canvas->Model().SelectedTable(), &dept.Table);
  QTest::mouseClick(emp.lstColumns->viewport(), Qt::LeftButton, Qt::NoModifier,
                    emp.lstColumns->visualItemRect(emp.lstColumns->item(2)).center());
  EXPECT_EQ(canvas->Model().SelectedTable(), &emp.Table);
  EXPECT_EQ(emp.pnlCaption->palette().color(QPalette::Window), emp.palette().color(QPalette::Highlight));

  // ENO and SAL selected, dragged onto the grid anywhere.
  emp.lstColumns->item(1)->setSelected(true);
  std::unique_ptr<QMimeData> data(emp.lstColumns->mimeData(emp.lstColumns->selectedItems()));
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(grid->viewport(), &enter);
  ASSERT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(grid->viewport(), &drop);
  ASSERT_EQ(grid->RowCount(), 4);
  EXPECT_EQ(grid->Cells(0, 1), "a.ENO");
  EXPECT_EQ(grid->Cells(0, 2), "a.SAL");
  EXPECT_EQ(grid->Cells(2, 2), kChecked);
  EXPECT_EQ(Text().substr(0, Text().find("FROM")), "SELECT A.ENO\r\n      ,A.SAL\r\n  ") << Text();
}

TEST_F(Canvas, TypedTextGreysTheBoxesUntilTheCanvasReadsItBack) {
  canvas->InsertTable("EMP");
  EXPECT_TRUE(canvas->Views()[0]->isEnabled());
  editor->Lines().SetTextStr("SELECT x.ENO FROM ADMIN.EMP x, ADMIN.DEPT y WHERE x.DEPT = y.DNO");
  canvas->UpdateEnabled();
  EXPECT_FALSE(canvas->Views()[0]->isEnabled());

  // Back from the editor to the canvas.
  editor->setFocus();
  canvas->setFocus();
  QApplication::processEvents();
  ASSERT_EQ(canvas->Views().size(), 2u);
  EXPECT_TRUE(canvas->Views()[0]->isEnabled());
  EXPECT_EQ(canvas->Views()[0]->txtAlias->text().toStdString(), "x");
  EXPECT_EQ(canvas->Model().Joins().size(), 1u);
  EXPECT_EQ(grid->Cells(0, 1), "x.ENO");
}

TEST_F(Canvas, AnUnreadableTextWarnsAndLeavesTheEditorAsItWas) {
  canvas->InsertTable("EMP");
  const std::string typed = "SELECT FROM WHERE (";
  editor->Lines().SetTextStr(typed);
  canvas->ParseSQL();
  ASSERT_EQ(env.Dialogs().messages.size(), 1u);
  EXPECT_EQ(env.Dialogs().messages[0].text, kCannotShowSQL);
  EXPECT_TRUE(canvas->Views().empty());
  EXPECT_EQ(editor->Text(), typed);
}

TEST_F(Canvas, RemovingABoxTakesItsJoinsAndRows) {
  canvas->InsertTable("EMP");
  canvas->InsertTable("DEPT");
  TovSQLBuildTableView& emp = *canvas->Views()[0];
  TovSQLBuildTableView& dept = *canvas->Views()[1];
  DragColumn(emp, 3, dept, 1);
  canvas->Apply([&] { canvas->Model().AddColumns(dept.Table, {"DNAME"}); });
  EXPECT_EQ(grid->Cells(0, 1), "b.DNAME");
  canvas->RemoveTable(dept.Table);
  EXPECT_EQ(canvas->Views().size(), 1u);
  EXPECT_TRUE(canvas->Model().Joins().empty());
  EXPECT_EQ(grid->RowCount(), 2);
  EXPECT_EQ(Text().find("DEPT"), std::string::npos) << Text();
  EXPECT_EQ(Text().find("WHERE"), std::string::npos) << Text();
}

}  // namespace
