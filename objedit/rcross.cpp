#include "objedit/rcross.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <set>

#include "app/core/ovoptions.h"
#include "app/core/ovrunner.h"
#include "app/fobjddl.h"
#include "app/ovforms.h"
#include "objedit/objwindows.h"
#include "platform/qstr.h"
#include "ui/ovcomctrls.h"
#include "ui/ovimages.h"

namespace {

constexpr int kOpenImage = 17;
constexpr int kTreeIndent = 19;
constexpr int kPanelMinWidth = 30;
// The node's kind rides on its first column.
constexpr int kKindRole = Qt::UserRole;
constexpr const char* kKindProperty = "crossKind";

QTreeWidgetItem* AddNode(QTreeWidgetItem* parent, const TCrossNode& node) {
  auto* item = new TovTreeNode(parent);
  item->setText(0, Q(node.Text));
  item->setIcon(0, imgMain().Icon(node.Kind));
  item->setData(0, kKindRole, node.Kind);
  for (const TCrossNode& child : node.Children) AddNode(item, child);
  return item;
}

// Keeps a tree from repainting until it is filled, also when a load fails.
class TTreeUpdate {
 public:
  explicit TTreeUpdate(QWidget& tree) : tree_(tree) { tree_.setUpdatesEnabled(false); }
  ~TTreeUpdate() { tree_.setUpdatesEnabled(true); }
  TTreeUpdate(const TTreeUpdate&) = delete;
  TTreeUpdate& operator=(const TTreeUpdate&) = delete;

 private:
  QWidget& tree_;
};

}  // namespace

TfraCross::TfraCross(QWidget* parent) : QWidget(parent) {
  setupUi();
  FrameResize();
  connect(qApp, &QApplication::focusChanged, this, &TfraCross::FocusChanged);
}

TovTreeView* TfraCross::MakeTree(QWidget* panel, const char* name, const char* caption) {
  panel->setMinimumWidth(kPanelMinWidth);
  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* header = new QLabel(Q(caption), panel);
  header->setObjectName(QString::fromLatin1(name) + "Top");
  header->setFrameShape(QFrame::Panel);
  auto* tree = new TovTreeView(panel);
  tree->setHeaderHidden(true);
  tree->setIndentation(kTreeIndent);
  tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tree->setContextMenuPolicy(Qt::CustomContextMenu);
  layout->addWidget(header);
  layout->addWidget(tree, 1);
  connect(tree, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem* node) { RunReported([&] { Open(node); }); });
  connect(tree, &QWidget::customContextMenuRequested, this, [this, tree](const QPoint& at) {
    // A right click selects the node under it first.
    if (QTreeWidgetItem* node = tree->itemAt(at)) tree->setCurrentItem(node);
    tree->setFocus();
    popTreePopup();
    popTree->exec(tree->viewport()->mapToGlobal(at));
  });
  return tree;
}

void TfraCross::setupUi() {
  pnlTop = new QWidget(this);
  pnlTop->setObjectName("pnlTop");
  grpShowObject = new QGroupBox(Q(" 表示対象オブジェクト "), pnlTop);
  grpShowObject->setObjectName("grpShowObject");
  pnlTree1Obj = new QToolBar(grpShowObject);
  pnlTree1Obj->setObjectName("pnlTree1Obj");
  QToolButton** buttons[] = {&btnTree1Table, &btnTree1View, &btnTree1Proc, &btnTree1Func, &btnTree1Trigger};
  size_t i = 0;
  for (const TCrossKindButton& b : kCrossKindButtons) {
    auto* button = new QToolButton(pnlTree1Obj);
    button->setObjectName(b.Name);
    button->setToolTip(Q(b.Hint));
    button->setIcon(imgMain().Icon(b.Kind));
    button->setProperty(kKindProperty, b.Kind);
    button->setCheckable(true);
    button->setChecked(true);
    pnlTree1Obj->addWidget(button);
    *buttons[i++] = button;
  }
  (new QHBoxLayout(grpShowObject))->addWidget(pnlTree1Obj);
  auto* topLayout = new QHBoxLayout(pnlTop);
  topLayout->setContentsMargins(0, 0, 0, 0);
  topLayout->addWidget(grpShowObject);
  topLayout->addStretch(1);

  splTree = new QSplitter(Qt::Horizontal, this);
  splTree->setObjectName("splTree");
  pnlTree1 = new QWidget(splTree);
  pnlTree1->setObjectName("pnlTree1");
  pnlTree2 = new QWidget(splTree);
  pnlTree2->setObjectName("pnlTree2");
  lstTree1 = MakeTree(pnlTree1, "pnlTree1", " 【 参\u3000照 】");
  lstTree1->setObjectName("lstTree1");
  lstTree2 = MakeTree(pnlTree2, "pnlTree2", " 【 被参照 】");
  lstTree2->setObjectName("lstTree2");
  splTree->addWidget(pnlTree1);
  splTree->addWidget(pnlTree2);
  splTree->setStretchFactor(1, 1);

  popTree = new QMenu(this);
  popTree->setObjectName("popTree");
  popOpen = popTree->addAction(imgMain().Icon(kOpenImage), Q("オブジェクト情報を表示"));
  popTree->addSeparator();
  popExpand = popTree->addAction(Q("開く"));
  popCollapse = popTree->addAction(Q("閉じる"));
  popExpandAll = popTree->addAction(Q("全て開く"));
  popCollapseAll = popTree->addAction(Q("全て閉じる"));
  connect(popOpen, &QAction::triggered, this, [this] { RunReported([this] { popOpenClick(); }); });
  connect(popExpand, &QAction::triggered, this, &TfraCross::popExpandClick);
  connect(popCollapse, &QAction::triggered, this, &TfraCross::popCollapseClick);
  connect(popExpandAll, &QAction::triggered, this, &TfraCross::popExpandAllClick);
  connect(popCollapseAll, &QAction::triggered, this, &TfraCross::popCollapseAllClick);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(pnlTop);
  layout->addWidget(splTree, 1);
}

void TfraCross::Load(const std::string& schema, const std::string& name) {
  TovForm* owner = OwningForm(*this);
  if (!owner) return;
  connection_ = owner->ConnectionWindow;
  const int kind = owner->ImageIndex;
  TSqlWaitCursor wait;
  TTreeUpdate hold1(*lstTree1), hold2(*lstTree2);
  lstTree1->clear();
  lstTree2->clear();
  const TCrossNode root{schema + "." + name, kind, {}};
  QTreeWidgetItem* left = AddNode(lstTree1->invisibleRootItem(), root);
  AddUsedObjects(left, schema, name, kind);
  lstTree1->expandAll();
  QTreeWidgetItem* right = AddNode(lstTree2->invisibleRootItem(), root);
  AddUsingObjects(right, schema, name, kind);
  lstTree2->expandAll();
}

void TfraCross::AddUsedObjects(QTreeWidgetItem* parent, const std::string& schema, const std::string& name, int kind) {
  AddObjects(TCrossSide::Used, parent, schema, name, kind);
}

void TfraCross::AddUsingObjects(QTreeWidgetItem* parent, const std::string& schema, const std::string& name, int kind) {
  AddObjects(TCrossSide::Using, parent, schema, name, kind);
}

void TfraCross::AddObjects(TCrossSide side, QTreeWidgetItem* parent, const std::string& schema, const std::string& name,
                           int kind) {
  if (!connection_) return;
  std::set<int> hidden;
  for (QToolButton* button : {btnTree1Table, btnTree1View, btnTree1Proc, btnTree1Func, btnTree1Trigger})
    if (!button->isChecked()) hidden.insert(button->property(kKindProperty).toInt());
  TovSQLConnection& connection = connection_->Module().Connection;
  const TCrossRowReader read = [&](const std::string& sql, const std::vector<std::string>& values,
                                   const std::function<void(const TCrossRow&)>& each) {
    TovSQLQuery query(&connection);
    query.SetSQL(sql);
    for (size_t v = 0; v < values.size() && v < query.Parameters().size(); ++v)
      query.Parameters()[v].Value = Q(values[v]);
    query.Open();
    for (; !query.Eof(); query.Next()) each({query.AsString(size_t{0}), query.AsString(1), query.AsString(2)});
    query.Close();
  };
  // The level of the parent decides how deep the walk goes below it.
  int level = 0;
  for (QTreeWidgetItem* up = parent->parent(); up; up = up->parent()) ++level;
  const TCrossNode tree = BuildCrossTree(side, schema, name, kind, AppOption.CrossLevel - level, hidden, read);
  for (const TCrossNode& child : tree.Children) AddNode(parent, child);
}

int TfraCross::NodeKind(const QTreeWidgetItem& node) { return node.data(0, kKindRole).toInt(); }

QTreeWidgetItem* TfraCross::FocusedNode() const {
  QWidget* focus = QApplication::focusWidget();
  for (TovTreeView* tree : {lstTree1, lstTree2})
    if (focus == tree && tree->currentItem() && tree->currentItem()->isSelected()) return tree->currentItem();
  return nullptr;
}

void TfraCross::Open(QTreeWidgetItem* node) {
  if (!node || !connection_) return;
  const auto [schema, name] = SplitCrossNodeText(node->text(0).toStdString());
  OpenObject(*connection_, NodeKind(*node), schema, name, AppOption.OpenMode, 0, 0);
}

void TfraCross::popOpenClick() { Open(FocusedNode()); }

void TfraCross::popExpandClick() {
  if (QTreeWidgetItem* node = FocusedNode()) node->setExpanded(true);
}

void TfraCross::popCollapseClick() {
  if (QTreeWidgetItem* node = FocusedNode()) node->setExpanded(false);
}

void TfraCross::popExpandAllClick() {
  if (QTreeWidgetItem* node = FocusedNode())
    node->treeWidget()->expandRecursively(node->treeWidget()->indexFromItem(node));
}

void TfraCross::popCollapseAllClick() {
  QTreeWidgetItem* node = FocusedNode();
  if (!node) return;
  std::function<void(QTreeWidgetItem*)> collapse = [&](QTreeWidgetItem* item) {
    for (int c = 0; c < item->childCount(); ++c) collapse(item->child(c));
    item->setExpanded(false);
  };
  collapse(node);
}

void TfraCross::popTreePopup() {
  if (QTreeWidgetItem* node = FocusedNode()) node->setSelected(true);
}

void TfraCross::FrameResize() {
  const int half = (width() - splTree->handleWidth()) / 2;
  splTree->setSizes({half, width() - splTree->handleWidth() - half});
}

void TfraCross::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FrameResize();
}

void TfraCross::FocusChanged(QWidget* old, QWidget* now) {
  // Entering the frame: the focus moves in from outside it.
  if (now && isAncestorOf(now) && !(old && isAncestorOf(old))) FrameResize();
}
