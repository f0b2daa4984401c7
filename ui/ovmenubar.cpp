#include "ui/ovmenubar.h"

#include <QMdiArea>
#include <QMenu>
#include <QMdiSubWindow>
#include <QPainter>
#include <QStyleOptionMenuItem>

#include "platform/gui/wingdi.h"
#include "ui/core/ovmenumerge.h"

namespace {

constexpr const char* kHelpCaption = "ヘルプ(&H)";
constexpr const char* kGroupProperty = "orvMenuGroup";

int GroupOf(const QMenu& menu) { return menu.property(kGroupProperty).toInt(); }

}  // namespace

int MenuFillEnd(int formWidth, bool childMaximized) {
  return formWidth - kMenuRightReserve - (childMaximized ? kMaximizedChildReserve : 0);
}

void SetMenuGroup(QMenu& menu, int group) { menu.setProperty(kGroupProperty, group); }

std::vector<QMenu*> MergedMenusOf(const QWidget& window) {
  std::vector<QMenu*> menus;
  for (QMenu* menu : window.findChildren<QMenu*>(Qt::FindDirectChildrenOnly))
    if (menu->property(kGroupProperty).isValid()) menus.push_back(menu);
  return menus;
}

TovMenuBar::TovMenuBar(QWidget* parent) : QMenuBar(parent) {}

void TovMenuBar::Unmerge() {
  for (const QPointer<QMenu>& menu : merged_)
    if (menu) removeAction(menu->menuAction());
  for (const QPointer<QAction>& own : replaced_)
    if (own) own->setVisible(true);
  merged_.clear();
  replaced_.clear();
}

void TovMenuBar::MergeMenus(const QWidget* window) {
  Unmerge();
  if (!window) return;
  const std::vector<QMenu*> child = MergedMenusOf(*window);
  if (child.empty()) return;
  std::vector<QAction*> own;
  std::vector<int> ownGroups;
  for (QAction* item : actions())
    if (item->menu()) {
      own.push_back(item);
      ownGroups.push_back(GroupOf(*item->menu()));
    }
  std::vector<int> childGroups;
  for (const QMenu* menu : child) childGroups.push_back(GroupOf(*menu));
  const std::vector<TMergedMenu> order = MergeMenuGroups(ownGroups, childGroups);
  std::vector<bool> kept(own.size(), false);
  for (size_t i = 0; i < order.size(); ++i) {
    if (!order[i].Child) {
      kept[order[i].Index] = true;
      continue;
    }
    // Before the next of the bar's own menus, else at the end.
    QAction* before = nullptr;
    for (size_t j = i + 1; j < order.size() && !before; ++j)
      if (!order[j].Child) before = own[order[j].Index];
    QMenu* menu = child[order[i].Index];
    insertAction(before, menu->menuAction());
    merged_.emplace_back(menu);
  }
  for (size_t i = 0; i < own.size(); ++i)
    if (!kept[i] && own[i]->isVisible()) {
      own[i]->setVisible(false);
      replaced_.emplace_back(own[i]);
    }
}

bool TovMenuBar::ChildMaximized() const {
  const QMdiSubWindow* active = mdiArea_ ? mdiArea_->activeSubWindow() : nullptr;
  return active && active->isMaximized();
}

void TovMenuBar::paintEvent(QPaintEvent* event) {
  QMenuBar::paintEvent(event);
  QPainter painter(this);
  const QColor bar = platform::ColorToQColor(kBarColour);
  for (QAction* item : actions()) {
    if (!item->isVisible()) continue;
    const QRect rect = actionGeometry(item);
    if (rect.isEmpty()) continue;
    const bool hot = activeAction() == item;
    if (!hot && item->text() == kHelpCaption) {
      const QRect rest(rect.right() + 1, rect.top(), MenuFillEnd(window()->width(), ChildMaximized()) - rect.right() - 1,
                       rect.height());
      painter.fillRect(rest, bar);
    }
    painter.fillRect(rect, hot ? palette().color(QPalette::Highlight) : bar);
    QStyleOptionMenuItem option;
    initStyleOption(&option, item);
    option.rect = rect;
    option.palette.setColor(QPalette::ButtonText, hot ? palette().color(QPalette::HighlightedText)
                                                      : palette().color(QPalette::ButtonText));
    style()->drawItemText(&painter, rect, Qt::AlignCenter | Qt::TextShowMnemonic | Qt::TextSingleLine, option.palette,
                          item->isEnabled(), item->text(), QPalette::ButtonText);
  }
}
