#include "objedit/fseq.h"

#include <QAction>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/core/ovconnwin.h"
#include "app/core/ovoptions.h"
#include "app/core/zarur.h"
#include "app/fobjddl.h"
#include "editor/ovmemo.h"
#include "objedit/rgrant.h"
#include "platform/qstr.h"
#include "ui/ovstdctl.h"

namespace {

constexpr int kIncImage = 32;
constexpr const char* kGrantPageCaption = "権限";

constexpr const char* kSequenceSql =
    "SELECT CAST(START_WITH_VAL AS VARCHAR(19)), CAST(MIN_VAL AS VARCHAR(19)), CAST(MAX_VAL AS VARCHAR(19)), "
    "CAST(INCREMENT_VAL AS VARCHAR(19)), CYCLE_SPEC, ORDER_SPEC, CAST(CACHE_VAL AS VARCHAR(19)), "
    "CAST(CACHE_MIN_VAL AS VARCHAR(19)) FROM RDBII_SYSTEM.RDBII_SEQUENCE WHERE SCHEMA_NAME = :OWNER AND "
    "SEQUENCE_NAME = :NAME";
enum : size_t { kStartField, kMinField, kMaxField, kIncField, kCycleField, kOrderField, kCacheField, kKeepField };
// The data source, schema and name are bound, never pasted between quotes.
constexpr const char* kCurrentSql =
    "SELECT A.SEQ_NUM FROM RDBII_SYSTEM.RDBII_OBJECT_SEQ A, RDBII_SYSTEM.RDBII_SEQUENCE B WHERE A.DB_CODE = "
    "B.DB_CODE AND A.SEQ_CODE = B.SEQUENCE_CODE AND B.DB_NAME = :DB_NAME AND B.SCHEMA_NAME = :SCHEMA_NAME AND "
    "B.SEQUENCE_NAME = :SEQUENCE_NAME";
constexpr const char* kNextvalFrom = ".NEXTVAL FROM RDBII_SYSTEM.RDBII_ASSISTTABLE";

TovNumEdit* NumEdit(QWidget* parent, const char* name, bool minus) {
  auto* edit = new TovNumEdit(parent);
  edit->setObjectName(name);
  edit->SetAllowMinus(minus);
  return edit;
}

std::string TextOf(const TovNumEdit& edit) { return Trim(edit.text().toStdString()); }

}  // namespace

const TEditorKind TfrmSeq::kKind{kSequenceKind, kSequenceStem, true, kSequenceSizeKey, "DROP SEQUENCE ", true};

TfrmSeq::TfrmSeq(TovConnectionWindow& owner) : TovObjectEditor(owner, kKind, kSequencePageModes) { setupUi(); }

void TfrmSeq::setupUi() {
  lblLastNo = new QLabel(Q("初 期 値"), tabDefine);
  lblLastNo->setObjectName("lblLastNo");
  txtLastNo = NumEdit(tabDefine, "txtLastNo", true);
  txtMin = NumEdit(tabDefine, "txtMin", true);
  txtMax = NumEdit(tabDefine, "txtMax", true);
  txtInc = NumEdit(tabDefine, "txtInc", true);
  txtCacheAlloc = NumEdit(tabDefine, "txtCacheAlloc", false);
  txtCacheRetent = NumEdit(tabDefine, "txtCacheRetent", false);
  txtLastNo->setText(Q(kDefaultStart));
  txtMin->setText(Q(kDefaultMin));
  txtMax->setText(Q(kDefaultMax));
  txtInc->setText(Q(kDefaultIncrement));
  chkCycle = new TovCheckBox(Q("繰り返し"), tabDefine);
  chkCycle->setObjectName("chkCycle");
  chkOrder = new TovCheckBox(Q("順序保証"), tabDefine);
  chkOrder->setObjectName("chkOrder");
  lblCurrent = new QLabel(Q("現 在 値"), tabDefine);
  lblCurrent->setObjectName("lblCurrent");
  pnlCurrent = new QLabel(Q(kUnknownCurrent), tabDefine);
  pnlCurrent->setObjectName("pnlCurrent");
  pnlCurrent->setFrameShape(QFrame::Panel);
  pnlCurrent->setFrameShadow(QFrame::Sunken);
  actInc = MakeAction(this, "actInc", "加算(&I)", "加算|SEQUENCEの現在値に増分値を加算します。", kIncImage);
  btnInc = new QPushButton(actInc->text(), tabDefine);
  btnInc->setObjectName("btnInc");
  btnInc->setToolTip(actInc->toolTip());
  connect(actInc, &QAction::triggered, this, [this] { RunReported([this] { actIncExecute(); }); });
  connect(btnInc, &QPushButton::clicked, actInc, &QAction::trigger);
  connect(actInc, &QAction::changed, btnInc, [this] { btnInc->setEnabled(actInc->isEnabled()); });
  mnuObject->addSeparator();
  mnuObject->addAction(actInc);

  auto* layout = new QGridLayout(tabDefine);
  int row = 0;
  layout->addWidget(lblLastNo, row, 0);
  layout->addWidget(txtLastNo, row++, 1);
  layout->addWidget(new QLabel(Q("範囲(最小)"), tabDefine), row, 0);
  layout->addWidget(txtMin, row++, 1);
  layout->addWidget(new QLabel(Q("\u3000\u3000(最大)"), tabDefine), row, 0);
  layout->addWidget(txtMax, row++, 1);
  layout->addWidget(new QLabel(Q("増\u3000\u3000分"), tabDefine), row, 0);
  layout->addWidget(txtInc, row++, 1);
  layout->addWidget(chkCycle, row++, 1);
  layout->addWidget(chkOrder, row++, 1);
  layout->addWidget(new QLabel(Q("キャッシュ"), tabDefine), row++, 0);
  layout->addWidget(new QLabel(Q("割当数"), tabDefine), row, 0);
  layout->addWidget(txtCacheAlloc, row++, 1);
  layout->addWidget(new QLabel(Q("保持数"), tabDefine), row, 0);
  layout->addWidget(txtCacheRetent, row++, 1);
  layout->addWidget(lblCurrent, row, 0);
  layout->addWidget(pnlCurrent, row, 1);
  layout->addWidget(btnInc, row++, 2);
  layout->setRowStretch(row, 1);
  layout->setColumnStretch(3, 1);
  for (QWidget* control : std::initializer_list<QWidget*>{txtLastNo, txtMin, txtMax, txtInc, chkCycle, chkOrder,
                                                          txtCacheAlloc, txtCacheRetent})
    WatchChanges(control);

  tabGrant = new QWidget(pagObject);
  tabGrant->setObjectName("tabGrant");
  fraGrant = new TfraGrant(tabGrant);
  fraGrant->setObjectName("fraGrant");
  (new QVBoxLayout(tabGrant))->addWidget(fraGrant);
  fraGrant->OnChange = [this] { MarkChanged(); };
  AddPage(TEditorPage::Grant, tabGrant, kGrantPageCaption);
}

TSequenceDef TfrmSeq::Definition() const {
  return {SchemaPrefix(SchemaName()), ObjectName(),  TextOf(*txtLastNo),        TextOf(*txtMin),
          TextOf(*txtMax),            TextOf(*txtInc), chkCycle->isChecked(),     chkOrder->isChecked(),
          TextOf(*txtCacheAlloc),     TextOf(*txtCacheRetent)};
}

bool TfrmSeq::LoadObject() {
  TovSQLQuery& q = ConnectionWindow->OpenSQLParams(kSequenceSql, {SchemaName(), ObjectName()});
  if (q.Eof()) return false;
  txtLastNo->setText(Q(Trim(q.AsString(kStartField))));
  txtMin->setText(Q(Trim(q.AsString(kMinField))));
  txtMax->setText(Q(Trim(q.AsString(kMaxField))));
  txtInc->setText(Q(Trim(q.AsString(kIncField))));
  chkCycle->setChecked(Trim(q.AsString(kCycleField)) == kSequenceFlagOn);
  chkOrder->setChecked(Trim(q.AsString(kOrderField)) == kSequenceFlagOn);
  txtCacheAlloc->setText(Q(CacheShown(q.AsString(kCacheField))));
  txtCacheRetent->setText(Q(CacheShown(q.AsString(kKeepField))));
  if (!ScriptMode) LoadCurrentValue();
  if (ActivePage() == TEditorPage::Grant) fraGrant->Load(SchemaName(), ObjectName());
  return true;
}

void TfrmSeq::LoadCurrentValue() {
  current_.reset();
  pnlCurrent->setText(Q(kUnknownCurrent));
  try {
    TovSQLQuery& q = ConnectionWindow->OpenSQLParams(
        kCurrentSql, {ConnectionWindow->Module().Connection.DataSource, SchemaName(), ObjectName()});
    if (q.Eof()) return;
    current_ = Trim(q.AsString(size_t{0}));
    pnlCurrent->setText(Q(*current_));
  } catch (const std::exception&) {
    // A value that cannot be read stays unknown.
    current_.reset();
  }
}

void TfrmSeq::FinishLoad() {
  for (TovNumEdit* edit : {txtLastNo, txtMin, txtMax, txtInc, txtCacheAlloc, txtCacheRetent}) edit->SaveText();
  chkCycle->SaveState();
  chkOrder->SaveState();
  loadedStart_ = TextOf(*txtLastNo);
}

void TfrmSeq::BuildCreateDDL(std::vector<std::string>& list) {
  const std::vector<std::string> lines = SequenceCreateLines(Definition());
  list.insert(list.end(), lines.begin(), lines.end());
  list.push_back(AppOption.Separator);
}

void TfrmSeq::BuildDropDDL(std::vector<std::string>& list) {
  list.push_back(DropSequenceStatement(SchemaName(), ObjectName()));
  list.push_back(AppOption.Separator);
}

std::vector<std::string> TfrmSeq::SourceLines() {
  std::vector<std::string> lines;
  BuildCreateDDL(lines);
  return lines;
}

std::vector<std::string> TfrmSeq::BuildStatements(TEditorPage page) {
  if (page == TEditorPage::Source) return EditedSource();
  std::vector<std::string> list;
  if (page == TEditorPage::Grant) {
    fraGrant->BuildGrantDDL(list);
  } else {
    TSequenceDef def = Definition();
    if (!IsNew) {
      BuildDropDDL(list);
      def.Start = RecreatedStart(def, loadedStart_, current_);
    }
    const std::vector<std::string> lines = SequenceCreateLines(def);
    list.insert(list.end(), lines.begin(), lines.end());
    list.push_back(AppOption.Separator);
  }
  return list;
}

void TfrmSeq::actIncExecute() {
  if (!actInc->isEnabled()) return;
  TovSQLQuery& q = ConnectionWindow->OpenSQL("SELECT " + QuoteIdent(SchemaName()) + "." + QuoteIdent(ObjectName()) +
                                             kNextvalFrom);
  q.Close();
  LoadActivePage();
}

void TfrmSeq::ActionsUpdated() { actInc->setEnabled(!Changed && !IsNew); }

void TfrmSeq::ChangedIsNew() {
  TovObjectEditor::ChangedIsNew();
  lblLastNo->setText(Q("初 期 値"));
  for (QWidget* w : std::initializer_list<QWidget*>{lblCurrent, pnlCurrent, btnInc}) w->setVisible(!IsNew);
}

void RegisterSequenceEditor() {
  RegisterObjectEditor(kSequenceKind, &TovObjectEditor::CreateEditor<TfrmSeq>,
                       &TovObjectEditor::CreateScript<TfrmSeq>);
}
