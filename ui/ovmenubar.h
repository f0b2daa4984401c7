// ovmenubar: the main window's menu bar in the light blue of its tool bars:
// every top-level item on that colour (hovered or open ones in the
// highlight colours) and the rest of the bar right of the help menu filled
// with it, up to the room a maximized child window's buttons take.
#pragma once

#include <QColor>
#include <QMdiArea>
#include <QMenuBar>
#include <QPointer>

#include <cstdint>
#include <vector>

class QMenu;

// The bar colour as Windows stores it (0x00BBGGRR).
inline constexpr uint32_t kBarColour = 0xFCC7A7;

// Room kept free at the right of the bar, and more of it while the active
// child window is maximized (its minimize, restore and close buttons).
inline constexpr int kMenuRightReserve = 5;
inline constexpr int kMaximizedChildReserve = 53;
// Where the filled strip right of the help menu ends.
int MenuFillEnd(int formWidth, bool childMaximized);

// The group index that places a menu among the bar's when menus merge; a
// window's direct child menus with one are the menus it shows in the bar.
void SetMenuGroup(QMenu& menu, int group);
// The menus `window` shows in the main window's bar while it is active.
std::vector<QMenu*> MergedMenusOf(const QWidget& window);

class TovMenuBar : public QMenuBar {
  Q_OBJECT

 public:
  explicit TovMenuBar(QWidget* parent = nullptr);
  // The multiple-document area whose maximized child takes room in the bar.
  void SetMdiArea(QMdiArea* area) { mdiArea_ = area; }
  // Shows the menus of `window` (MergedMenusOf) in the bar by their group
  // indexes, in place of those of the window merged before; none takes the
  // bar back to its own menus.
  void MergeMenus(const QWidget* window);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool ChildMaximized() const;
  void Unmerge();
  QPointer<QMdiArea> mdiArea_;
  std::vector<QPointer<QMenu>> merged_;
  std::vector<QPointer<QAction>> replaced_;  // the bar's own menus hidden by them
};
