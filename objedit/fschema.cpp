#include "objedit/fschema.h"

#include <QGridLayout>
#include <QLabel>

#include "app/core/ovconnwin.h"
#include "app/core/ovoptions.h"
#include "app/core/zarur.h"
#include "editor/ovmemo.h"
#include "platform/qstr.h"
#include "ui/ovstdctl.h"

namespace {

constexpr const char* kCommentSql =
    " SELECT COMMENT_VALUE FROM RDBII_SYSTEM.RDBII_COMMENT CMM , RDBII_SYSTEM.RDBII_SCHEMA SCH WHERE 0 = 0 AND "
    "CMM.DB_CODE = SCH.DB_CODE AND CMM.SCHEMA_CODE = SCH.SCHEMA_CODE AND CMM.COMMENT_TYPE = 'SC' AND SCH.DB_CODE "
    "= :DB_CODE AND SCH.SCHEMA_NAME = :OBJ_NAME WITH OPTION LOCK_MODE(NO LOCK) ";

}  // namespace

const TEditorKind TfrmSchema::kKind{kSchemaKind, kSchemaStem, false, kSchemaSizeKey, "DROP SCHEMA ", false};

TfrmSchema::TfrmSchema(TovConnectionWindow& owner) : TovObjectEditor(owner, kKind, kPlainPageModes) {
  DBCode = owner.GetDBCode(owner.Module().GetDataSourceName());
  txtComment = new TovStrEdit(tabDefine);
  txtComment->setObjectName("txtComment");
  // Comments keep their case.
  txtComment->SetCharCase(ecNormal);
  auto* layout = new QGridLayout(tabDefine);
  layout->addWidget(new QLabel(Q("コメント"), tabDefine), 0, 0);
  layout->addWidget(txtComment, 0, 1);
  layout->setRowStretch(1, 1);
  WatchChanges(txtComment);
}

bool TfrmSchema::LoadObject() {
  // Every row puts its comment, the last one wins; none leaves it as it was.
  for (TovSQLQuery& q = ConnectionWindow->OpenSQLParams(kCommentSql, {DBCode, ObjectName()}); !q.Eof(); q.Next())
    txtComment->setText(Q(q.AsString(size_t{0})));
  return true;
}

void TfrmSchema::FinishLoad() { txtComment->SaveText(); }

void TfrmSchema::BuildCreateDDL(std::vector<std::string>& list) {
  const std::vector<std::string> lines = SchemaCreateLines(ObjectName(), txtComment->text().toStdString());
  list.insert(list.end(), lines.begin(), lines.end());
  list.push_back(AppOption.Separator);
}

void TfrmSchema::BuildDropDDL(std::vector<std::string>& list) {
  list.push_back(DropSchemaStatement(ObjectName()));
  list.push_back(AppOption.Separator);
}

bool TfrmSchema::NeedsDrop() {
  return SchemaNeedsDrop({IsNew, ScriptMode, ActivePage() == TEditorPage::Source, txtComment->Modified()});
}

std::vector<std::string> TfrmSchema::SourceLines() {
  std::vector<std::string> lines;
  BuildCreateDDL(lines);
  return lines;
}

std::vector<std::string> TfrmSchema::BuildStatements(TEditorPage page) {
  std::vector<std::string> list;
  if (!IsNew && NeedsDrop()) BuildDropDDL(list);
  if (page != TEditorPage::Source) {
    BuildCreateDDL(list);
    return list;
  }
  const std::vector<std::string> source = EditedSource();
  list.insert(list.end(), source.begin(), source.end());
  return list;
}
