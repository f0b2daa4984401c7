// colorgrid: TColorGrid, a 4 x 4 grid of the 16 standard colours in which
// the left button chooses the foreground and the right button the
// background; the chosen cells carry "FG" and "BG".
#pragma once

#include <QWidget>

#include <functional>

class TColorGrid : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kColumns = 4;
  static constexpr int kRows = 4;
  static constexpr int kCellSize = 18;
  // An index outside 0..15 chooses no cell.
  static constexpr int kNoCell = 16;

  explicit TColorGrid(QWidget* parent = nullptr);

  int ForegroundIndex() const { return foreground_; }
  void SetForegroundIndex(int index);
  int BackgroundIndex() const { return background_; }
  void SetBackgroundIndex(int index);
  bool ForegroundEnabled() const { return foregroundEnabled_; }
  void SetForegroundEnabled(bool enabled);
  bool BackgroundEnabled() const { return backgroundEnabled_; }
  void SetBackgroundEnabled(bool enabled);
  // The cell under a point of the grid, or kNoCell.
  int CellAt(QPoint point) const;
  QRect CellRect(int index) const;

  // Called after a press chose its cell.
  std::function<void(Qt::MouseButton)> OnMouseDown;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  int foreground_ = 0;
  int background_ = kNoCell;
  bool foregroundEnabled_ = true;
  bool backgroundEnabled_ = true;
};
