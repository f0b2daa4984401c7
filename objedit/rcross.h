// rcross: TfraCross, the frame on the 相関 page of the table, view, routine
// and trigger editors: the objects its editor's object uses on the left,
// those that use it on the right, a toggle button per kind that hides it at
// the next load, and the editor of any node opened on a double-click (the
// trees themselves: objedit/core/rcrosscore).
#pragma once

#include <QWidget>
#include <string>

#include "objedit/core/rcrosscore.h"

class QAction;
class QGroupBox;
class QMenu;
class QSplitter;
class QToolBar;
class QToolButton;
class QTreeWidgetItem;
class TovConnectionWindow;
class TovTreeView;

class TfraCross : public QWidget {
  Q_OBJECT

 public:
  explicit TfraCross(QWidget* parent = nullptr);

  // Clears both trees and fills them for the object of the owning editor's
  // kind; nothing when the frame is not inside a TovForm. Catalogue errors
  // propagate, the nodes added so far kept.
  void Load(const std::string& schema, const std::string& name);

  // Adds below the parent what the object uses (left tree) or what uses it
  // (right tree), recursively.
  void AddUsedObjects(QTreeWidgetItem* parent, const std::string& schema, const std::string& name, int kind);
  void AddUsingObjects(QTreeWidgetItem* parent, const std::string& schema, const std::string& name, int kind);

  // The node's kind (its image index).
  static int NodeKind(const QTreeWidgetItem& node);

  void popOpenClick();
  void popExpandClick();
  void popCollapseClick();
  void popExpandAllClick();
  void popCollapseAllClick();
  void popTreePopup();
  void FrameResize();

  QWidget* pnlTop = nullptr;
  QGroupBox* grpShowObject = nullptr;
  QToolBar* pnlTree1Obj = nullptr;
  QSplitter* splTree = nullptr;
  QWidget* pnlTree1 = nullptr;
  QWidget* pnlTree2 = nullptr;
  TovTreeView* lstTree1 = nullptr;
  TovTreeView* lstTree2 = nullptr;
  QMenu* popTree = nullptr;
  QAction* popOpen = nullptr;
  QAction* popExpand = nullptr;
  QAction* popCollapse = nullptr;
  QAction* popExpandAll = nullptr;
  QAction* popCollapseAll = nullptr;
  QToolButton* btnTree1Table = nullptr;
  QToolButton* btnTree1View = nullptr;
  QToolButton* btnTree1Proc = nullptr;
  QToolButton* btnTree1Func = nullptr;
  QToolButton* btnTree1Trigger = nullptr;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void setupUi();
  void FocusChanged(QWidget* old, QWidget* now);
  TovTreeView* MakeTree(QWidget* panel, const char* name, const char* caption);
  void AddObjects(TCrossSide side, QTreeWidgetItem* parent, const std::string& schema, const std::string& name,
                  int kind);
  // The tree that has the focus and its selected node, or none.
  QTreeWidgetItem* FocusedNode() const;
  void Open(QTreeWidgetItem* node);

  TovConnectionWindow* connection_ = nullptr;
};
