#include "sqlwork/rexplan.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QStandardItemModel>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/core/ovmainwin.h"
#include "app/core/ovreg.h"
#include "app/core/ovrunner.h"
#include "app/core/zarur.h"
#include "app/ovforms.h"
#include "platform/qstr.h"
#include "ui/core/ovworkbook.h"
#include "ui/fxlssql.h"
#include "ui/ovcomctrls.h"
#include "ui/ovimages.h"
#include "ui/zarurctl.h"

namespace {

constexpr int kExcelImage = 44;
constexpr int kCopyImage = 21;
constexpr int kOperationWidth = 260;
constexpr int kObjectMaxWidth = 1000;
constexpr int kTreeIndent = 19;
constexpr double kBookColumnWidth = 50;
constexpr int kBookColumns = 2;
constexpr size_t kCreateLength = 6;
const QColor kFullScanColour = Qt::red;

}  // namespace

TfraExplan::TfraExplan(TovForm& owner, QWidget* parent) : QWidget(parent), owner_(owner) {
  setObjectName("fraExplan");
  setupUi();
  owner_.AddQuery(&qryData);
  owner_.AddQuery(&qryPlan);
}

void TfraExplan::setupUi() {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  tolLeft = new QToolBar(this);
  tolLeft->setOrientation(Qt::Vertical);
  btnExcel = new QToolButton(tolLeft);
  btnExcel->setIcon(imgMain().Icon(kExcelImage));
  btnExcel->setToolTip("結果をExcelファイルに出力する");
  btnCopy = new QToolButton(tolLeft);
  btnCopy->setIcon(imgMain().Icon(kCopyImage));
  btnCopy->setToolTip("結果をクリップボードにコピーする");
  tolLeft->addWidget(btnExcel);
  tolLeft->addWidget(btnCopy);
  layout->addWidget(tolLeft);

  auto* right = new QVBoxLayout();
  right->setSpacing(0);
  sections_ = new QStandardItemModel(0, kBookColumns, this);
  sections_->setHorizontalHeaderLabels({"操作", "オブジェクト"});
  hedPlan = new QHeaderView(Qt::Horizontal, this);
  hedPlan->setModel(sections_);
  hedPlan->resizeSection(0, kOperationWidth);
  hedPlan->setStretchLastSection(true);
  hedPlan->setMaximumSectionSize(kObjectMaxWidth);
  lstPlan = new TovTreeView(this);
  lstPlan->SetHeaderControl(hedPlan);
  lstPlan->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lstPlan->setSelectionBehavior(QAbstractItemView::SelectRows);
  lstPlan->setIndentation(kTreeIndent);
  right->addWidget(hedPlan);
  right->addWidget(lstPlan, 1);
  layout->addLayout(right, 1);

  const auto guarded = [](void (TfraExplan::*handler)(), TfraExplan* self) {
    return [self, handler] {
      try {
        (self->*handler)();
      } catch (const EAbort&) {
      } catch (const std::exception& e) {
        MsgBox(e.what(), MB_ICONERROR);
      }
    };
  };
  connect(btnCopy, &QToolButton::clicked, this, guarded(&TfraExplan::btnCopyClick, this));
  connect(btnExcel, &QToolButton::clicked, this, guarded(&TfraExplan::btnExcelClick, this));
}

int TfraExplan::ColumnCount() const { return hedPlan->count(); }

void TfraExplan::SetSQL(const std::string& text) {
  qryData.Close();
  qryData.SetSQL("");
  qryData.SetParamCheck(UpperCase(text.substr(0, kCreateLength)) != "CREATE");
  qryData.SetSQL(text);
  SQLText = qryData.SQL();
}

void TfraExplan::Execute() { ShowPlan(); }

TovConnectionWindow& TfraExplan::GetConnectionWindow() {
  if (!owner_.ConnectionWindow) throw EAbort();
  return *owner_.ConnectionWindow;
}

void TfraExplan::ShowPlan() {
  TovSQLConnection& connection = GetConnectionWindow().Module().Connection;
  lstPlan->clear();
  lstPlan->setUpdatesEnabled(false);
  struct TUnlock {
    QWidget* tree;
    ~TUnlock() { tree->setUpdatesEnabled(true); }
  } unlock{lstPlan};
  SQLText = PlanStatementText(SQLText);
  const TPlanResult result =
      RunAccessPlan(SQLText, {connection.DataSource, connection.UserName, connection.Password}, [&] {
        if (connection.InTransaction()) connection.CommitTrans();
      });
  if (!result.Message.empty()) {
    MsgBox(result.Message, MB_ICONERROR);
    return;
  }
  ShowTree(result.Tree);
}

void TfraExplan::ShowTree(const TPlanTree& tree) {
  auto add = [&](auto& self, const TPlanNode& node, TovTreeNode* parent) -> void {
    auto* item = parent ? new TovTreeNode(parent, QStringList{Q(node.Text)})
                        : new TovTreeNode(lstPlan, QStringList{Q(node.Text)});
    for (const std::string& sub : node.SubItems) item->AddSubItem(Q(sub));
    if (node.Text.find(kFullScanText) != std::string::npos) item->setForeground(0, kFullScanColour);
    for (const auto& child : node.Children) self(self, *child, item);
  };
  for (const auto& root : tree.Roots) add(add, *root, nullptr);
  if (QTreeWidgetItem* first = lstPlan->topLevelItem(0)) {
    first->setExpanded(true);
    lstPlan->expandRecursively(lstPlan->indexFromItem(first));
  }
}

// The nodes in tree order with their levels, as the widget holds them.
static std::vector<std::pair<TovTreeNode*, int>> TreeNodes(TovTreeView& tree) {
  std::vector<std::pair<TovTreeNode*, int>> nodes;
  auto walk = [&](auto& self, QTreeWidgetItem* item, int level) -> void {
    if (auto* node = dynamic_cast<TovTreeNode*>(item)) nodes.emplace_back(node, level);
    for (int i = 0; i < item->childCount(); ++i) self(self, item->child(i), level + 1);
  };
  for (int i = 0; i < tree.topLevelItemCount(); ++i) walk(walk, tree.topLevelItem(i), 0);
  return nodes;
}

static TPlanNode PlainNode(const TovTreeNode& node) {
  TPlanNode plain;
  plain.Text = node.text(0).toStdString();
  for (int i = 0; i < node.SubItemCount(); ++i) plain.SubItems.push_back(node.SubItem(i).toStdString());
  return plain;
}

void TfraExplan::btnCopyClick() {
  bool comma = AppOption.PasteColumn == 1;
  if (AppOption.PasteDialog) {
    TCheckList checks = {{kPlanCommaItem, comma}};
    if (MsgBoxWithChecks(kPlanCopyQuestion, MB_YESNO | MB_ICONQUESTION, checks) != IDYES) return;
    comma = checks[0].checked;
  }
  AppOption.PasteColumn = comma ? 1 : 0;
  const TObjectCountAgain countAgain;
  QApplication::clipboard()->clear();
  const std::vector<std::pair<TovTreeNode*, int>> nodes = TreeNodes(*lstPlan);
  TovMainWindow* main = ControlOptionsWindow();
  std::string text;
  for (size_t i = 0; i < nodes.size() && !IsEscapePressed(); ++i) {
    if (main) main->ShowProgress(static_cast<int>(i) + 1, static_cast<int>(nodes.size()));
    text += PlanCopyLine(PlainNode(*nodes[i].first), nodes[i].second, ColumnCount(), comma);
  }
  QApplication::clipboard()->setText(Q(text));
  MsgBox(kPlanCopied, MB_ICONINFORMATION);
}

void TfraExplan::btnExcelClick() {
  const TObjectCountAgain countAgain;
  const std::string proposed = UniqueFileName(AppOption.ExcelDir + kPlanBookName + AppOption.ExcelExt);
  const platform::FileRequest request{platform::FileDialogKind::Save, "", "", proposed, ExcelSaveFilter()};
  const std::optional<std::string> chosen = platform::Dialogs().ShowFile(request);
  if (!chosen) return;
  {
    TSqlWaitCursor wait;
    CheckWorkbookPath(*chosen);
    std::unique_ptr<TovWorkbook> book = TovWorkbook::Add();
    TovWorksheet sheet = book->ActiveSheet();
    for (int column = 1; column <= kBookColumns; ++column) sheet.SetColumnWidth(column, kBookColumnWidth);
    for (int section = 0; section < ColumnCount(); ++section)
      sheet.SetText(1, section + 1, PlanFieldText(sections_->headerData(section, Qt::Horizontal).toString().toStdString()));
    int row = 2;
    for (const auto& [node, level] : TreeNodes(*lstPlan)) {
      const std::vector<std::string> fields = PlanNodeFields(PlainNode(*node), level, ColumnCount());
      for (size_t c = 0; c < fields.size(); ++c) sheet.SetText(row, static_cast<int>(c) + 1, fields[c]);
      ++row;
    }
    // The workbook replaces an existing file only once written whole.
    book->SaveAs(*chosen);
  }
  MsgBox(kPlanSaved, MB_ICONINFORMATION);
  AppOption.ExcelDir = QFileInfo(Q(*chosen)).absolutePath().toStdString() + "/";
}
