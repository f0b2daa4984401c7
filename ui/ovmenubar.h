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


// The bar colour as Windows stores it (0x00BBGGRR).
inline constexpr uint32_t kBarColour = 0xFCC7A7;

// Room kept free at the right of the bar, and more of it while the active
// child window is maximized (its minimize, restore and close buttons).
inline constexpr int kMenuRightReserve = 5;
inline constexpr int kMaximizedChildReserve = 53;
// Where the filled strip right of the help menu ends.
int MenuFillEnd(int formWidth, bool childMaximized);

class TovMenuBar : public QMenuBar {
  Q_OBJECT

 public:
  explicit TovMenuBar(QWidget* parent = nullptr);
  // The multiple-document area whose maximized child takes room in the bar.
  void SetMdiArea(QMdiArea* area) { mdiArea_ = area; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool ChildMaximized() const;
  QPointer<QMdiArea> mdiArea_;
};
