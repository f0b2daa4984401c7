#include "ui/ovcomctrls.h"

#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QWheelEvent>
#include <QStandardItemModel>
#include <QTest>

#include <gtest/gtest.h>

#include "ui/core/ovimagetable.h"
#include "ui/ovimages.h"

namespace {

QStringList Captions(const QTreeWidget& list) {
  QStringList out;
  for (int i = 0; i < list.topLevelItemCount(); ++i) out << list.topLevelItem(i)->text(0);
  return out;
}

void ClickTitle(TovListView& list, int column) {
  const QHeaderView* h = list.header();
  QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                    QPoint(h->sectionViewportPosition(column) + h->sectionSize(column) / 2, h->height() / 2));
}

}  // namespace

TEST(ListView, TitleClicksSortTextsAndRightAlignedNumbers) {
  TovListView list;
  list.setHeaderLabels({"名前", "件数"});
  list.headerItem()->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
  for (auto [name, count] : {std::pair{"b", "1,200"}, {"a", "950"}, {"c", "30000000"}, {"d", "x"}})
    new QTreeWidgetItem(&list, {name, count});
  list.resize(300, 200);
  list.show();
  list.CustomSort();
  EXPECT_EQ(list.SortState(), 1);
  ClickTitle(list, 1);
  EXPECT_EQ(list.SortState(), 2);
  EXPECT_EQ(Captions(list), QStringList({"d", "a", "b", "c"}));
  ClickTitle(list, 1);
  EXPECT_EQ(list.SortState(), -2);
  EXPECT_EQ(Captions(list), QStringList({"c", "b", "a", "d"}));
  ClickTitle(list, 0);
  EXPECT_EQ(list.SortState(), 1);
  EXPECT_EQ(Captions(list).first(), "a");
}

TEST(ListView, CopiesSelectedCaptionsAndSelectsAll) {
  TovListView list;
  list.setHeaderLabels({"名前"});
  for (const char* n : {"x", "y", "z"}) new QTreeWidgetItem(&list, {n});
  QApplication::clipboard()->setText("before");
  list.CopyToClipboard();
  EXPECT_EQ(QApplication::clipboard()->text(), "before") << "no selection leaves the clipboard";
  list.setSelectionMode(QAbstractItemView::ExtendedSelection);
  list.topLevelItem(2)->setSelected(true);
  list.topLevelItem(0)->setSelected(true);
  EXPECT_TRUE(list.HasSelection());
  list.CopyToClipboard();
  EXPECT_EQ(QApplication::clipboard()->text(), "x\r\nz");
  list.SelectAll();
  EXPECT_EQ(list.selectedItems().size(), 3);
}

// A click after select-all selects the clicked item alone, with or without
// the row highlight: an item never counts as unselected while it shows selected.
TEST(ListView, AClickedItemIsTheSelectionWhateverTheHighlight) {
  for (bool rowSelect : {false, true}) {
    TovListView list;
    list.setHeaderLabels({"名前", "スキーマ", "種類"});
    for (const char* n : {"x", "y", "z"}) new QTreeWidgetItem(&list, {n, "S", "TABLE"});
    list.setSelectionMode(QAbstractItemView::ExtendedSelection);
    list.SetRowSelect(rowSelect);
    list.resize(400, 200);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    list.SelectAll();
    const QRect caption = list.visualRect(list.indexFromItem(list.topLevelItem(1), 0));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, caption.center());
    std::vector<bool> selected;
    for (int i = 0; i < list.topLevelItemCount(); ++i) selected.push_back(list.topLevelItem(i)->isSelected());
    EXPECT_EQ(selected, (std::vector<bool>{false, true, false})) << rowSelect;
    EXPECT_EQ(list.selectedItems().size(), 1) << rowSelect;
  }
}

TEST(TreeView, RowClickSelectsAndColumnTextsFollowTheHeader) {
  TovTreeView tree;
  QStandardItemModel sections(0, 3);
  QHeaderView header(Qt::Horizontal);
  header.setModel(&sections);
  header.resizeSection(0, 80);
  tree.SetHeaderControl(&header);
  auto* node = new TovTreeNode(&tree, QStringList{"a node text that is far too long for the column"});
  node->AddSubItem("first");
  node->AddSubItem("second");
  node->AddSubItem("beyond the sections");
  auto* other = new TovTreeNode(&tree, QStringList{"other"});
  std::vector<int> drawn;
  tree.OnCustomDrawSubItem = [&](TovTreeView&, TovTreeNode& n, int index, QStyle::State, const QRect& rect,
                                 bool& defaultDraw, QPainter&) {
    if (&n == node) drawn.push_back(index);
    EXPECT_EQ(rect.left(), header.sectionViewportPosition(index + 1));
    defaultDraw = index != 0;
  };
  int scrolled = 0;
  tree.OnScroll = [&](TovTreeView&) { ++scrolled; };
  tree.resize(300, 100);
  tree.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
  drawn.clear();
  tree.grab();
  EXPECT_EQ(drawn, std::vector<int>({0, 1})) << "only as many texts as sections after the first";

  const QRect row = tree.visualItemRect(other);
  QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, QPoint(280, row.center().y()));
  EXPECT_EQ(tree.currentItem(), other);
  for (int i = 0; i < 50; ++i) new TovTreeNode(&tree, QStringList{QString::number(i)});
  tree.scrollToBottom();
  EXPECT_GT(scrolled, 0);
  // The user's wheel and the scroll bar's arrow scroll the same way.
  scrolled = 0;
  const QPoint at = tree.viewport()->rect().center();
  QWheelEvent wheel(at, tree.viewport()->mapToGlobal(at), {}, QPoint(0, QWheelEvent::DefaultDeltasPerStep), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(tree.viewport(), &wheel);
  EXPECT_EQ(scrolled, 1) << "the wheel";
  tree.verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
  EXPECT_EQ(scrolled, 2) << "the scroll bar";
}

TEST(MainImages, EveryNamedIndexHasItsPictureAndOthersABlankOfTheSameSize) {
  const TovImageList& images = imgMain();
  EXPECT_EQ(images.Count(), kMainImageCount);
  for (int kind : {1, 2, 3, 4, 45, 46, 47, 51, 52, 57, 58, 66, 68, 69, 73, 74, 94, 120})
    EXPECT_TRUE(images.HasPicture(kind)) << kind;
  EXPECT_FALSE(images.HasPicture(48));
  EXPECT_FALSE(images.HasPicture(255));
  const QSize size(kImageSize, kImageSize);
  EXPECT_EQ(images.Icon(48).pixmap(size).size(), size);
  EXPECT_EQ(images.Icon(-1).pixmap(size).size(), size);
  EXPECT_EQ(images.Icon(45).pixmap(size).size(), size);
}
