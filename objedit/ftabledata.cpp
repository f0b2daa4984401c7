// The data page of the table editor: the condition panel above the result
// frame (objedit/rwhere), the column comments the frame's titles show and
// the test-data generator.
#include <QAction>
#include <QMenu>
#include <QSplitter>
#include <QVBoxLayout>

#include "app/core/fmainactcore.h"
#include "app/core/fobjcmdcore.h"
#include "app/core/ovconnwin.h"
#include "objedit/ftable.h"
#include "objedit/rwhere.h"
#include "ui/ovstdctl.h"
#include "ui/zarurctl.h"

namespace {

constexpr const char* kDataPageCaption = "データ";
constexpr const char* kDataGenerateHint = "テストデータ生成";
constexpr int kNoImage = -1;

}  // namespace

void TfrmTable::setupDataPage() {
  tabData = new QWidget(pagObject);
  tabData->setObjectName("tabData");
  auto* pageLayout = new QVBoxLayout(tabData);
  pageLayout->setContentsMargins(0, 0, 0, 0);
  splWhere = new QSplitter(Qt::Vertical, tabData);
  splWhere->setObjectName("splWhere");
  pageLayout->addWidget(splWhere);
  pnlWhere = new TfraWhere(*this, DisplayColumns, splWhere);
  fraData = new TfraData(*this, &ConnectionWindow->Module().Connection, splWhere);
  splWhere->setStretchFactor(1, 1);
  AddPage(TEditorPage::Data, tabData, kDataPageCaption);
  actDataGenerate = AddDataGenerateAction(kDataGenerateHint, kNoImage);
}

// ---- TDataOwner ----

std::string TfrmTable::RecordLimitText() const { return pnlWhere->txtRecord->text().toStdString(); }

std::string TfrmTable::FieldComment(const std::string& field) const {
  for (const TTableColumn& column : Columns())
    if (column.Name == field) return column.Comment;
  return {};
}

void TfrmTable::RenewResult() { Reload(nullptr); }

void TfrmTable::LoadDataConditions() {
  std::vector<TWhereColumn> columns;
  for (const TTableColumn& column : Columns()) columns.push_back({column.Name, column.Type});
  pnlWhere->LoadConditions(columns);
}

void TfrmTable::Loaded() {
  if (!IsNew && !ScriptMode && ActivePage() == TEditorPage::Data) {
    SetChanged(false);
    pnlWhere->OpenData(*fraData);
  }
}

void TfrmTable::Opening(const TOpenArgs& args) { pnlWhere->Opening(args); }
