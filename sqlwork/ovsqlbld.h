// ovsqlbld: the SQL builder's canvas. Table boxes with their column lists
// and the join lines between them, drawn from the builder's model
// (sqlwork/core/ovsqlbldmodel) and forwarding the mouse, the keyboard and
// drops to it. The canvas keeps the window's column grid and editor in step
// with the model: every change rewrites both, and entering the canvas or
// the grid after the text changed reads the text back.
#pragma once

#include <QAbstractScrollArea>
#include <QFrame>
#include <QPointer>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "sqlwork/core/ovsqlbldmodel.h"
#include "editor/ovmemo.h"
#include "ui/ovgrid.h"
#include "ui/ovstdctl.h"

class QLabel;
class QLineEdit;
class TovSQLDesignerView;

// A control filling the canvas behind the boxes; mouse input passes through
// to the canvas, and its painting is the owner's.
class TovGraphicControl : public QWidget {
  Q_OBJECT

 public:
  explicit TovGraphicControl(QWidget* parent);
  std::function<void(TovGraphicControl& sender, QPainter& painter, const QRect& clip)> OnPaint;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// The column list of a box: key columns bold, columns dragged out to other
// boxes or the grid, and the join lines follow it as it scrolls.
class TListBoxEx : public TovListBox {
  Q_OBJECT

 public:
  TListBoxEx(TovSQLDesignerView& canvas, QWidget* parent);
  // What a drag of the selected items carries: the box and its current item.
  QMimeData* mimeData(const QList<QListWidgetItem*>& items) const override;
  std::function<void()> OnScrolled;

 protected:
  void scrollContentsBy(int dx, int dy) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  TovSQLDesignerView& canvas_;
};

// A table box: a sizing frame around the caption, the alias edit and the
// column list. It shows one table of the model.
class TovSQLBuildTableView : public QFrame {
  Q_OBJECT

 public:
  TovSQLBuildTableView(TovSQLDesignerView& canvas, TovSQLBuildTable& table, QWidget* parent);

  TovSQLBuildTable& Table;
  QLabel* pnlCaption;
  QLineEdit* txtAlias;
  TListBoxEx* lstColumns;

  // Texts, items and place from the model.
  void Refresh();
  void ShowSelected(bool selected);
  // Keeps the model's idea of the list's first row and height.
  void StoreListView();
  // The item under a point of the list's viewport, -1 for none.
  int ItemAt(QPoint viewportPoint) const;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  enum class TMouseState { None, Moving, Sizing };
  TovSQLDesignerView& canvas_;
  TMouseState state_ = TMouseState::None;
  QPoint last_;
};

class TovSQLDesignerView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit TovSQLDesignerView(QWidget* parent = nullptr);
  ~TovSQLDesignerView() override;

  TovSQLDesigner& Model() { return model_; }
  const TovSQLDesigner& Model() const { return model_; }

  void SetConnection(TovConnectionWindow* connection);
  // Binds the column grid: seven columns, the header and one empty row.
  void SetGrid(TovStringGrid* grid);
  void SetSQLText(TovMemo* editor);
  TovStringGrid* Grid() const { return grid_; }
  TovMemo* SQLText() const { return editor_; }

  // A join was double-clicked.
  std::function<void(TovSQLBuildConnect& join)> OnConnectDblClick;
  // The boxes, the selection or the kind changed: the window's actions
  // follow.
  std::function<void()> OnChange;
  // Objects dragged onto the canvas from elsewhere: whether to take them,
  // and taking them.
  std::function<bool(const QMimeData& data)> OnDragOver;
  std::function<void(const QMimeData& data)> OnDragDrop;

  // Runs a change of the model with the editor's text in it, then shows
  // the model: boxes, lines, grid and the rewritten text.
  void Apply(const std::function<void()>& change);
  // Reads the editor text back when it changed; an unreadable text gives
  // the warning and leaves the builder empty.
  void ParseSQL();
  void BuildSQL();
  TovSQLBuildTable& InsertTable(const std::string& name);
  void RemoveTable(TovSQLBuildTable& table);
  void SelectTable(TovSQLBuildTable* table);

  // Greys out the boxes without the focus while the text differs from the
  // last one built or read.
  void UpdateEnabled();
  // The model shown again: boxes made, freed and placed, lines repainted.
  void Refresh();
  void RepaintLines();
  void UpdateScrollRange();
  TovSQLBuildTableView* ViewOf(const TovSQLBuildTable& table) const;
  std::vector<TovSQLBuildTableView*> Views() const;
  TovGraphicControl* Lines() const { return lines_; }

  // A box's column dropped on another box's column.
  bool CanDropColumn(const QMimeData& data, const TovSQLBuildTableView& target, int targetItem) const;
  void DropColumn(const QMimeData& data, TovSQLBuildTableView& target, int targetItem);
  // The box and item a column drag carries.
  QByteArray ColumnDragData(const TovSQLBuildTableView& source) const;
  // The box a column drag comes from, its current item and, when asked,
  // the names of its selected items.
  TovSQLBuildTableView* ColumnDragSource(const QMimeData& data, int* item,
                                         std::vector<std::string>* selected = nullptr) const;

 protected:
  void scrollContentsBy(int dx, int dy) override;
  void focusInEvent(QFocusEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  // The grid's focus and the columns dropped on it.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void PaintJoins(QPainter& painter, const QRect& clip);
  void MeasureMetrics();
  void RefreshGrid();
  void HookGrid();

  TovSQLDesigner model_;
  TovGraphicControl* lines_;
  std::map<const TovSQLBuildTable*, TovSQLBuildTableView*> views_;
  QPointer<TovStringGrid> grid_;
  QPointer<TovMemo> editor_;
};
