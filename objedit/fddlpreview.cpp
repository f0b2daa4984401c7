#include "objedit/fddlpreview.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/core/ovoptions.h"
#include "app/core/zarur.h"
#include "app/ovforms.h"
#include "editor/ovmemo.h"
#include "objedit/core/fddlexeccore.h"
#include "objedit/core/objeditcore.h"
#include "objedit/objwindows.h"
#include "platform/dialogs.h"
#include "platform/qstr.h"
#include "platform/textfile.h"
#include "ui/ovimages.h"
#include "ui/ovstdctl.h"
#include "ui/zarurctl.h"

namespace {

constexpr const char* kBoundsKey = "SQLPREVIEW";
constexpr int kIconIndex = 10;
constexpr int kClientWidth = 600;
constexpr int kClientHeight = 400;
constexpr const char* kSaveTitle = "SQL文の保存";
constexpr const char* kSaved = "SQL文の保存が完了しました。";

std::vector<std::string> EditorLines(const TovMemo& memo) {
  std::vector<std::string> lines;
  const TEditorStrings& strings = memo.Lines();
  for (int i = 0; i < strings.GetCount(); ++i) lines.push_back(strings.Get(i));
  return lines;
}

}  // namespace

TfrmDDLPreview::TfrmDDLPreview(QWidget* owner) : QDialog(owner) { setupUi(); }

void TfrmDDLPreview::setupUi() {
  setSizeGripEnabled(true);
  setWindowIcon(imgMain().Icon(kIconIndex));
  txtLog = new TovMemo(this);
  txtLog->setObjectName("txtLog");
  txtLog->SetReadOnly(true);
  txtLog->SetScrollBars(ssVertical);
  txtLog->SetWordWrap(false);
  btnOK = new QPushButton(Q("開始(&E)"), this);
  btnOK->setObjectName("btnOK");
  btnOK->setDefault(true);
  btnSave = new QPushButton(Q("&SQL出力"), this);
  btnSave->setObjectName("btnSave");
  btnCancel = new QPushButton(Q("キャンセル"), this);
  btnCancel->setObjectName("btnCancel");
  chkModifySource = new TovCheckBox(Q("ソースを変更可能にする"), this);
  chkModifySource->setObjectName("chkModifySource");
  connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(btnSave, &QPushButton::clicked, this, [this] { RunReported([this] { btnSaveClick(); }); });
  connect(chkModifySource, &QCheckBox::clicked, this,
          [this](bool checked) { txtLog->SetReadOnly(!checked); });

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(chkModifySource);
  buttons->addStretch();
  buttons->addWidget(btnOK);
  buttons->addWidget(btnSave);
  buttons->addWidget(btnCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(txtLog, 1);
  layout->addLayout(buttons);
  resize(kClientWidth, kClientHeight);
}

void TfrmDDLPreview::btnSaveClick() {
  const platform::FileRequest request{platform::FileDialogKind::Save, kSaveTitle, "",
                                      DDLPreviewFileName(SchemaName, ObjectName), kSqlFileFilter};
  const std::optional<std::string> path = platform::Dialogs().ShowFile(request);
  if (!path) return;
  platform::WriteTextFile(*path, CrLfText(EditorLines(*txtLog)));
  MsgBox(kSaved, MB_ICONINFORMATION);
}

bool TfrmDDLPreview::Execute(std::vector<std::string>& list, const std::string& schema, const std::string& name) {
  if (!AppOption.ShowDDL) return true;
  TfrmDDLPreview form(MainFormWidget());
  // The statements are shown as they will run: the source is never
  // editable here.
  form.chkModifySource->hide();
  form.SchemaName = schema;
  form.ObjectName = name;
  form.setWindowTitle(Q(DDLPreviewCaption(schema, name)));
  CentreOnMainForm(form);
  LoadFormBounds(form, kBoundsKey);
  ApplyControlOptions(form.txtLog);
  form.txtLog->SetReadOnly(true);
  form.txtLog->Lines().Assign(list);
  const bool ok = form.exec() == QDialog::Accepted;
  if (ok) list = EditorLines(*form.txtLog);
  SaveFormBounds(form, kBoundsKey);
  return ok;
}
