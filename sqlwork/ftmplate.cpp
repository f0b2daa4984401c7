#include "sqlwork/ftmplate.h"

#include <QFocusEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <memory>

#include "app/core/fmaincore.h"
#include "app/core/ovmainwin.h"
#include "app/core/ovreg.h"
#include "app/core/zarur.h"
#include "editor/ovmemo.h"
#include "platform/helpviewer.h"
#include "platform/qstr.h"
#include "sqlwork/ovsqlwin.h"
#include "ui/ovimages.h"
#include "ui/ovstdctl.h"
#include "ui/zarurctl.h"

namespace {

constexpr int kHelpContext = 30400;
constexpr char kCaption[] = "SQL リファレンス";
constexpr char kLayoutKey[] = "TEMPLATE";
constexpr int kGroupImage = 72;
constexpr int kTemplateImage = 93;
constexpr int kVersionRows = 20;
// The top panel without the version selector, and the search box's and its
// label's tops in it.
constexpr int kShortPanelHeight = 28;
constexpr int kShortFindTop = 2;
constexpr int kShortLabelTop = 6;
constexpr int kMargin = 2;
constexpr int kDesignWidth = 520;
constexpr int kDesignHeight = 420;
constexpr int kTreeStretch = 1;
constexpr int kTextStretch = 2;
constexpr const char* kPlaceholderOpen = "<";
constexpr const char* kPlaceholderClose = ">";
// Where a node keeps whether it is a group and its template's position.
constexpr int kGroupRole = Qt::UserRole;
constexpr int kEntryRole = Qt::UserRole + 1;

QTreeWidgetItem* NodeItem(const TTemplateNode& node) {
  auto* item = new QTreeWidgetItem({Q(node.Name)});
  item->setIcon(0, imgMain().Icon(node.Group ? kGroupImage : kTemplateImage));
  item->setData(0, kGroupRole, node.Group);
  item->setData(0, kEntryRole, static_cast<qulonglong>(node.Entry));
  for (const TTemplateNode& child : node.Children) item->addChild(NodeItem(child));
  return item;
}

}  // namespace

TfrmTemplate::TfrmTemplate(QWidget* owner) : QWidget(owner, Qt::Window | Qt::WindowStaysOnTopHint) {
  setAttribute(Qt::WA_DeleteOnClose);
  setupUi();
}

// A window that never appeared (its file failed) keeps no geometry.
TfrmTemplate::~TfrmTemplate() {
  if (shown_) SaveWindowSize();
}

void TfrmTemplate::showEvent(QShowEvent* event) {
  shown_ = true;
  QWidget::showEvent(event);
}

void TfrmTemplate::setupUi() {
  setObjectName("frmTemplate");
  setProperty(platform::kHelpContextProperty, kHelpContext);
  setWindowTitle(Q(kCaption));
  setWindowIcon(imgMain().Icon(kTemplateImage));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);

  // Placed by hand: without versions the search box moves up.
  pnlTop = new QWidget(this);
  pnlTop->setObjectName("pnlTop");
  auto* top = new QHBoxLayout(pnlTop);
  top->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
  lblVersion = new QLabel(Q("Ver."), pnlTop);
  cmbVersion = new TovComboBox(pnlTop);
  cmbVersion->setObjectName("cmbVersion");
  cmbVersion->setMaxVisibleItems(kVersionRows);
  lblFind = new QLabel(Q("検索"), pnlTop);
  txtFind = new TovStrEdit(pnlTop);
  txtFind->setObjectName("txtFind");
  txtFind->SetCharCase(ecUpperCase);
  txtFind->AutoSave = true;
  top->addWidget(lblVersion);
  top->addWidget(cmbVersion);
  top->addWidget(lblFind);
  top->addWidget(txtFind, 1);
  layout->addWidget(pnlTop);

  auto* split = new QSplitter(Qt::Vertical, this);
  lstTemplate = new QTreeWidget(split);
  lstTemplate->setObjectName("lstTemplate");
  lstTemplate->setHeaderHidden(true);
  lstTemplate->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lstTemplate->setSelectionBehavior(QAbstractItemView::SelectRows);
  txtSQL = new TovMemo(split);
  txtSQL->setObjectName("txtSQL");
  split->addWidget(lstTemplate);
  split->addWidget(txtSQL);
  split->setStretchFactor(0, kTreeStretch);
  split->setStretchFactor(1, kTextStretch);
  layout->addWidget(split, 1);
  resize(kDesignWidth, kDesignHeight);

  changeTimer_.setSingleShot(true);
  changeTimer_.setInterval(kChangeDelay);
  connect(&changeTimer_, &QTimer::timeout, this, &TfrmTemplate::lstTemplateChange);
  connect(lstTemplate, &QTreeWidget::currentItemChanged, this, [this] {
    if (notify_) changeTimer_.start();
  });
  connect(cmbVersion, &QComboBox::activated, this, [this] { RunReported([this] { LoadFile(); }); });
  txtFind->installEventFilter(this);
}

void TfrmTemplate::SetVersions(const std::vector<std::string>& versions) {
  cmbVersion->clear();
  for (const std::string& version : versions) cmbVersion->addItem(Q(version));
  if (versions.size() < 2) {
    lblVersion->hide();
    cmbVersion->hide();
    pnlTop->setFixedHeight(kShortPanelHeight);
    pnlTop->layout()->setContentsMargins(kMargin, kShortFindTop, kMargin, 0);
    lblFind->setContentsMargins(0, kShortLabelTop - kShortFindTop, 0, 0);
    lblFind->setAlignment(Qt::AlignTop);
  }
  cmbVersion->setCurrentIndex(cmbVersion->count() - 1);
}

void TfrmTemplate::LoadFile() {
  file_ = ReadTemplateFile(ProgramDir + cmbVersion->currentText().toStdString() + kTemplateExt);
  BuildTree();
}

QTreeWidgetItem* TfrmTemplate::ItemAt(const std::vector<size_t>& path) const {
  QTreeWidgetItem* item = nullptr;
  for (const size_t at : path)
    item = item ? item->child(static_cast<int>(at)) : lstTemplate->topLevelItem(static_cast<int>(at));
  return item;
}

void TfrmTemplate::BuildTree() {
  notify_ = false;
  changeTimer_.stop();
  lstTemplate->clear();
  const std::string search = txtFind->text().toStdString();
  const std::vector<TTemplateNode> tree = TemplateTree(file_, search);
  for (const TTemplateNode& node : tree) lstTemplate->addTopLevelItem(NodeItem(node));
  lstTemplate->expandAll();
  if (lstTemplate->topLevelItemCount() > 0) {
    lstTemplate->scrollToTop();
    lstTemplate->setCurrentItem(lstTemplate->topLevelItem(0));
    if (!Trim(search).empty()) {
      if (QTreeWidgetItem* found = ItemAt(FindTemplateNode(tree, search))) {
        lstTemplate->setCurrentItem(found);
        lstTemplateChange();
      }
    }
  }
  notify_ = true;
}

void TfrmTemplate::lstTemplateChange() {
  changeTimer_.stop();
  const QTreeWidgetItem* item = lstTemplate->currentItem();
  std::vector<std::string> text;
  if (item && !item->data(0, kGroupRole).toBool())
    text = TemplateText(file_, static_cast<size_t>(item->data(0, kEntryRole).toULongLong()));
  txtSQL->Lines().Assign(text);
  txtSQL->SetRowCol(0, 0);
  txtSQL->SetTopRow(0);
}

bool TfrmTemplate::eventFilter(QObject* watched, QEvent* event) {
  if (watched == txtFind && event->type() == QEvent::FocusOut && txtFind->Modified()) {
    txtFind->SaveText();
    RunReported([this] { BuildTree(); });
  }
  return QWidget::eventFilter(watched, event);
}

void TfrmTemplate::LoadWindowSize() {
  platform::KeyScope key(AppRegistry);
  const std::string name = GuiKey(kLayoutKey);
  if (!AppRegistry.KeyExists(name) || !AppRegistry.OpenKey(name, false)) return;
  if (LoadWindowState(*this) == kWindowNormal) {
    const TWindowBounds b = ReadWindowBounds(AppRegistry, {x(), y(), width(), height()});
    setGeometry(b.Left, b.Top, b.Width, b.Height);
  }
}

void TfrmTemplate::SaveWindowSize() {
  platform::KeyScope key(AppRegistry);
  if (!AppRegistry.OpenKey(GuiKey(kLayoutKey), true)) return;
  if (SaveWindowState(*this) == kWindowNormal) WriteWindowBounds(AppRegistry, {x(), y(), width(), height()});
}

void ShowTemplateWindow(const std::string& search) {
  TovMainWindow* main = ControlOptionsWindow();
  auto form = std::make_unique<TfrmTemplate>(main ? main->Window() : nullptr);
  ApplyControlOptions(form->txtSQL);
  form->txtSQL->SetReadOnly(true);
  // Placeholders show as the first bracket pair.
  TEditorBracketCollection& brackets = form->txtSQL->View().Brackets();
  if (brackets.Count() == 0) brackets.Add();
  brackets.GetItem(0)->SetLeftBracket(kPlaceholderOpen);
  brackets.GetItem(0)->SetRightBracket(kPlaceholderClose);
  form->SetVersions(TemplateVersions(ProgramDir));
  form->txtFind->setText(Q(Trim(UpperCase(search))));
  form->LoadFile();
  form->txtFind->setFocus();
  form->LoadWindowSize();
  form.release()->show();
}
