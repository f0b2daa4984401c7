#include "tests/objedit/test_editor.h"

#include <QVBoxLayout>

#include "app/core/odsql.h"
#include "app/core/ovoptions.h"
#include "app/core/zarur.h"
#include "app/fobjddl.h"
#include "editor/ovmemo.h"
#include "objedit/rcross.h"
#include "objedit/rgrant.h"
#include "platform/qstr.h"
#include "ui/ovstdctl.h"

namespace testing_objedit {

namespace {

constexpr int kTableKind = 45;
constexpr const char* kColumnsSql =
    "SELECT TRIM(C.COLUMN_NAME), C.DATA_TYPE, C.CHAR_MAX_LENGTH FROM RDBII_SYSTEM.RDBII_COLUMN C, "
    "RDBII_SYSTEM.RDBII_TABLE T WHERE C.TABLE_CODE = T.TABLE_CODE AND T.SCHEMA_NAME = :SCHEMA "
    "AND T.TABLE_NAME = :NAME ORDER BY C.ORDINAL_POSITION";

std::string TypeText(const std::string& code, const std::string& length) {
  return code == "CH" ? "CHAR(" + length + ")" : "INTEGER";
}

}  // namespace

const TEditorKind TfrmTestEditor::kKind{kTableKind, "TABLE - ", true, "TESTEDIT", "DROP TABLE ", false};
TCompileVariant TfrmTestEditor::NextVariant = TCompileVariant::Previewed;

TfrmTestEditor::TfrmTestEditor(TovConnectionWindow& owner)
    : TovObjectEditor(owner, kKind, kTablePageModes), variant_(NextVariant) {
  txtColumns = new TovStrEdit(tabDefine);
  txtColumns->setObjectName("txtColumns");
  (new QVBoxLayout(tabDefine))->addWidget(txtColumns);
  WatchChanges(txtColumns);
  tabCross = new QWidget(pagObject);
  fraCross = new TfraCross(tabCross);
  (new QVBoxLayout(tabCross))->addWidget(fraCross);
  AddPage(TEditorPage::Cross, tabCross, "相関");
  tabGrant = new QWidget(pagObject);
  fraGrant = new TfraGrant(tabGrant);
  (new QVBoxLayout(tabGrant))->addWidget(fraGrant);
  fraGrant->OnChange = [this] { MarkChanged(); };
  AddPage(TEditorPage::Grant, tabGrant, "権限");
}

std::string TfrmTestEditor::Qualified() const { return QuoteIdent(SchemaName()) + "." + QuoteIdent(ObjectName()); }

bool TfrmTestEditor::LoadObject() {
  TovSQLQuery& q = ConnectionWindow->OpenSQLParams(kColumnsSql, {SchemaName(), ObjectName()});
  std::string columns;
  for (; !q.Eof(); q.Next())
    columns += (columns.empty() ? "" : ", ") + q.AsString(size_t{0}) + " " + TypeText(q.AsString(1), q.AsString(2));
  if (columns.empty()) return false;
  txtColumns->setText(Q(columns));
  txtColumns->SaveText();
  if (ActivePage() == TEditorPage::Cross) fraCross->Load(SchemaName(), ObjectName());
  if (ActivePage() == TEditorPage::Grant) fraGrant->Load(SchemaName(), ObjectName());
  return true;
}

std::vector<std::string> TfrmTestEditor::SourceLines() {
  return {"CREATE TABLE " + Qualified() + " (" + txtColumns->text().toStdString() + ")"};
}

std::vector<std::string> TfrmTestEditor::BuildStatements(TEditorPage page) {
  const std::string& separator = AppOption.Separator;
  if (page == TEditorPage::Grant) {
    std::vector<std::string> list;
    fraGrant->BuildGrantDDL(list);
    return list;
  }
  if (page == TEditorPage::Define && !IsNew && txtColumns->text().toStdString() == txtColumns->SavedText()) return {};
  std::vector<std::string> list;
  if (!IsNew) list = {"DROP TABLE " + Qualified() + " CASCADE", separator};
  const std::vector<std::string> create =
      page == TEditorPage::Source ? std::vector<std::string>{txtSource->Lines().GetTextStr()} : SourceLines();
  list.insert(list.end(), create.begin(), create.end());
  list.push_back(separator);
  return list;
}

void RegisterTestEditor() {
  RegisterObjectEditor(kTableKind, &TovObjectEditor::CreateEditor<TfrmTestEditor>,
                       &TovObjectEditor::CreateScript<TfrmTestEditor>);
}

}  // namespace testing_objedit
