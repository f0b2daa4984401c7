#include "platform/gui/wingdi.h"
#include "ui/ovmenubar.h"

#include <QMainWindow>
#include <QMenu>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QStatusTipEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "ui/ovstsbar.h"

namespace {

TEST(MenuBar, TheFilledStripLeavesRoomForAMaximizedChildsButtons) {
  EXPECT_EQ(MenuFillEnd(800, false), 795);
  EXPECT_EQ(MenuFillEnd(800, true), 742);
  EXPECT_EQ(platform::ColorToQColor(kBarColour), QColor(0xA7, 0xC7, 0xFC));
}

// A main window with the program's menus on the coloured bar.
class MenuBarWindow : public ::testing::Test {
 protected:
  MenuBarWindow() {
    bar = new TovMenuBar(&window);
    window.setMenuBar(bar);
    for (const char* caption : {"表示(&V)", "ファイル(&F)", "ヘルプ(&H)"}) bar->addMenu(caption)->addAction("x");
    area = new QMdiArea(&window);
    window.setCentralWidget(area);
    bar->SetMdiArea(area);
    window.resize(600, 300);
    window.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
  }
  QColor Pixel(int x) {
    const QImage image = bar->grab().toImage();
    return image.pixelColor(x * image.width() / bar->width(), image.height() / 2);
  }
  QRect ItemRect(int index) const { return bar->actionGeometry(bar->actions()[index]); }

  QMainWindow window;
  TovMenuBar* bar = nullptr;
  QMdiArea* area = nullptr;
};

TEST_F(MenuBarWindow, ItemsAndTheRestOfTheBarAreBlueAndAHoveredItemIsHighlighted) {
  const QColor blue(0xA7, 0xC7, 0xFC);
  EXPECT_EQ(Pixel(ItemRect(0).left() + 1), blue);
  EXPECT_EQ(Pixel(ItemRect(2).right() + 20), blue);
  EXPECT_EQ(Pixel(bar->width() - 10), blue);
  EXPECT_NE(Pixel(bar->width() - 2), blue);  // the right reserve keeps its own colour

  QMouseEvent move(QEvent::MouseMove, QPointF(ItemRect(1).center()), bar->mapToGlobal(QPointF(ItemRect(1).center())),
                   Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(bar, &move);
  ASSERT_EQ(bar->activeAction(), bar->actions()[1]);
  EXPECT_EQ(Pixel(ItemRect(1).left() + 1), bar->palette().color(QPalette::Highlight));
  EXPECT_EQ(Pixel(ItemRect(0).left() + 1), blue);
}

TEST_F(MenuBarWindow, AMaximizedChildKeepsItsRoomFree) {
  auto* child = area->addSubWindow(new QWidget);
  child->showMaximized();
  area->setActiveSubWindow(child);
  QCoreApplication::processEvents();
  // The child's own buttons sit in that room; hidden, the room shows.
  for (QWidget* corner : {bar->cornerWidget(Qt::TopRightCorner), bar->cornerWidget(Qt::TopLeftCorner)})
    if (corner) corner->hide();
  EXPECT_EQ(Pixel(bar->width() - 60), QColor(0xA7, 0xC7, 0xFC));
  EXPECT_NE(Pixel(bar->width() - 30), QColor(0xA7, 0xC7, 0xFC));
}

TEST(StatusBar, HintsOfTheWindowsControlsNeverReachThePanels) {
  QMainWindow window;
  auto* bar = new TovStatusBar(&window);
  window.setStatusBar(bar);
  auto* control = new QWidget(&window);
  window.setCentralWidget(control);
  QStatusTipEvent tip("ヒント");
  QCoreApplication::sendEvent(control, &tip);
  EXPECT_EQ(bar->currentMessage(), "");
}

// A child's menu of a group the bar has takes that group's place; the bar's
// own come back when the child leaves.
TEST(MenuBar, AChildsMenuReplacesTheMenusOfItsGroupUntilItLeaves) {
  TovMenuBar bar;
  for (const auto& [caption, group] : std::vector<std::pair<const char*, int>>{{"A", 3}, {"B", 4}, {"C", 4}, {"D", 5}})
    SetMenuGroup(*bar.addMenu(caption), group);
  QWidget child;
  auto* own = new QMenu("X", &child);
  SetMenuGroup(*own, 4);
  new QMenu("not merged", &child);  // no group: the child's own pop-up
  const auto shown = [&bar] {
    std::string captions;
    for (QAction* item : bar.actions())
      if (item->isVisible()) captions += item->text().toStdString();
    return captions;
  };
  bar.MergeMenus(&child);
  EXPECT_EQ(shown(), "AXD");
  bar.MergeMenus(nullptr);
  EXPECT_EQ(shown(), "ABCD");
  bar.MergeMenus(&child);
  delete own;  // a window that goes takes its menus along
  bar.MergeMenus(nullptr);
  EXPECT_EQ(shown(), "ABCD");
}

}  // namespace
