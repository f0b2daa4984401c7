#include "ui/fxlssql.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

#include "app/core/fmaincore.h"
#include "app/core/ovoptions.h"
#include "app/core/ovrunner.h"
#include "app/core/zarur.h"
#include "platform/dialogs.h"
#include "platform/helpviewer.h"
#include "platform/qstr.h"
#include "ui/core/ovworkbook.h"
#include "ui/ovstdctl.h"
#include "ui/rdata.h"
#include "ui/zarurctl.h"

namespace {

constexpr int kXlsHelpContext = 21400;
constexpr const char* kOldExcelExt = ".XLS";

// A name typed with a folder's trailing separator names no file.
std::string WithoutTrailingSeparator(std::string name) {
  if (!name.empty() && name.back() == '/') name.pop_back();
  return name;
}

QButtonGroup* RadioGroup(QWidget* parent, QBoxLayout* layout, const char* caption,
                         std::initializer_list<const char*> items) {
  auto* box = new QGroupBox(QString::fromUtf8(caption), parent);
  auto* row = new QHBoxLayout(box);
  auto* group = new QButtonGroup(box);
  int id = 0;
  for (const char* item : items) {
    auto* button = new QRadioButton(QString::fromUtf8(item), box);
    group->addButton(button, id++);
    row->addWidget(button);
  }
  layout->addWidget(box);
  return group;
}

void Check(QButtonGroup* group, int id) {
  if (QAbstractButton* button = group->button(id)) button->setChecked(true);
}

}  // namespace

TfrmXlsSQL::TfrmXlsSQL(QWidget* owner) : QDialog(owner) {
  setupUi();
  setProperty(platform::kHelpContextProperty, kXlsHelpContext);
  txtSheet->setText(Q(AppOption.ExcelSheet));
  txtFormFile->setText(Q(AppOption.ExcelForm));
  Check(rdoExcel, AppOption.ExcelMode);
  Check(rdoExcelTitle, AppOption.ExcelTitle);
  chkRefresh->setChecked(AppOption.ExcelRefresh);
  txtRow->SetInteger(AppOption.ExcelTop + 1);
  cmbColumn->setCurrentIndex(std::clamp(AppOption.ExcelLeft, 0, kXlsStartColumns - 1));
  // Centred on the screen rather than over the frame.
  adjustSize();
  if (QScreen* shown = screen()) move(shown->availableGeometry().center() - rect().center());
}

void TfrmXlsSQL::setupUi() {
  setWindowTitle("EXCEL出力(SQL結果)");
  setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint | Qt::WindowContextHelpButtonHint);
  auto* root = new QVBoxLayout(this);
  auto* files = new QGridLayout;
  const auto fileRow = [&](int row, const char* caption, TovStrEdit*& edit, QPushButton** browse) {
    auto* label = new QLabel(QString::fromUtf8(caption), this);
    edit = new TovStrEdit(this);
    label->setBuddy(edit);
    files->addWidget(label, row, 0);
    files->addWidget(edit, row, 1);
    if (browse != nullptr) {
      *browse = new QPushButton("...", this);
      files->addWidget(*browse, row, 2);
    }
  };
  fileRow(0, "保存ファイル名", txtSaveFile, &btnSaveFile);
  fileRow(1, "シート名", txtSheet, nullptr);
  fileRow(2, "フォームファイル", txtFormFile, &btnFormFile);
  root->addLayout(files);

  auto* grpHomePosition = new QGroupBox("開始位置", this);
  auto* home = new QHBoxLayout(grpHomePosition);
  cmbColumn = new TovComboBox(grpHomePosition);
  cmbColumn->setEditable(false);
  for (int column = 1; column <= kXlsStartColumns; ++column) cmbColumn->addItem(Q(ColumnName(column)));
  txtRow = new TovNumEdit(grpHomePosition);
  home->addWidget(new QLabel("桁", grpHomePosition));
  home->addWidget(cmbColumn);
  home->addWidget(new QLabel("行", grpHomePosition));
  home->addWidget(txtRow);
  root->addWidget(grpHomePosition);
  rdoExcel = RadioGroup(this, root, "出力方向", {"縦方向", "横方向"});
  rdoExcelTitle = RadioGroup(this, root, " 列タイトル出力 ", {"項目名を使用", "コメントを使用", "出力しない"});
  chkRefresh = new QCheckBox("最新のデータを読み直してから出力する", this);
  root->addWidget(chkRefresh);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  btnOk = new QPushButton("開始", this);
  btnOk->setDefault(true);
  btnCancel = new QPushButton("キャンセル", this);
  buttons->addWidget(btnOk);
  buttons->addWidget(btnCancel);
  root->addLayout(buttons);

  connect(btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(btnSaveFile, &QPushButton::clicked, this, [this] { btnSaveFileClick(); });
  connect(btnFormFile, &QPushButton::clicked, this, [this] { btnFormFileClick(); });
}

void TfrmXlsSQL::btnOkClick() {
  const long double row = txtRow->AsFloat();
  if (row < 1 || row > kXlsMaxStartRow) {
    MsgBox("行は 1 ～ 65536 の範囲で指定して下さい。", MB_ICONWARNING);
    txtRow->setFocus();
    return;
  }
  const std::string form = txtFormFile->text().toStdString();
  if (!form.empty() && !QFileInfo::exists(txtFormFile->text())) {
    MsgBox(form + " が存在しません。", MB_ICONWARNING);
    txtFormFile->setFocus();
    return;
  }
  const std::string target = txtSaveFile->text().toStdString();
  if (QFileInfo::exists(txtSaveFile->text()) &&
      MsgBox(target + " はすでに存在します。\r\n上書きしますか？", MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES)
    return;
  AppOption.ExcelSheet = txtSheet->text().toStdString();
  AppOption.ExcelForm = form;
  AppOption.ExcelMode = std::max(rdoExcel->checkedId(), kExcelVertical);
  AppOption.ExcelTitle = static_cast<uint8_t>(std::max(rdoExcelTitle->checkedId(), kPasteTitleNames));
  AppOption.ExcelRefresh = chkRefresh->isChecked();
  AppOption.ExcelTop = txtRow->AsInteger() - 1;
  AppOption.ExcelLeft = cmbColumn->currentIndex();
  accept();
}

void TfrmXlsSQL::btnSaveFileClick() {
  const std::string name = WithoutTrailingSeparator(txtSaveFile->text().toStdString());
  const platform::FileRequest request{platform::FileDialogKind::Save, "", "", name, ExcelSaveFilter()};
  std::optional<std::string> chosen = platform::Dialogs().ShowFile(request);
  if (!chosen) return;
  const std::string ext = UpperCase(Trim(QFileInfo(Q(*chosen)).suffix().toStdString()));
  if (ext.empty() || ("." + ext != kExcelExt && "." + ext != kOldExcelExt)) *chosen += AppOption.ExcelExt;
  txtSaveFile->setText(Q(*chosen));
}

void TfrmXlsSQL::btnFormFileClick() {
  const std::string name = WithoutTrailingSeparator(txtFormFile->text().toStdString());
  const platform::FileRequest request{platform::FileDialogKind::Open, "", "", name, ExcelSaveFilter()};
  if (std::optional<std::string> chosen = platform::Dialogs().ShowFile(request)) txtFormFile->setText(Q(*chosen));
}

TXlsOutput TfrmXlsSQL::Output() const {
  TXlsOutput output;
  output.Target = txtSaveFile->text().toStdString();
  output.Sheet = txtSheet->text().toStdString();
  output.Form = txtFormFile->text().toStdString();
  output.StartRow = txtRow->AsInteger() - 1;
  output.StartColumn = cmbColumn->currentIndex();
  return output;
}

// ---- the frame's output command ----

void TfraData::btnExcelClick() {
  TXlsOutput output;
  const std::string proposed = UniqueFileName(AppOption.ExcelDir + ColWidthKey + AppOption.ExcelExt);
  if (AppOption.ExcelDialog) {
    const platform::FileRequest request{platform::FileDialogKind::Save, "", "", proposed, ExcelSaveFilter()};
    const std::optional<std::string> chosen = platform::Dialogs().ShowFile(request);
    if (!chosen) return;
    output.Target = *chosen;
  } else {
    TfrmXlsSQL form(this);
    form.chkRefresh->setEnabled(cdsData.Active());
    form.txtSaveFile->setText(Q(proposed));
    if (form.exec() != QDialog::Accepted) return;
    output = form.Output();
  }
  // Direction and titles as the settings hold them, whichever dialog ran.
  output.Mode = AppOption.ExcelMode;
  output.Title = AppOption.ExcelTitle;
  // Refused before the result is renewed or anything written.
  if (const std::string refusal = XlsOutputRefusal(output); !refusal.empty()) {
    MsgBox(refusal, MB_ICONWARNING);
    return;
  }
  if (!cdsData.Active() || AppOption.ExcelRefresh) {
    owner_.RenewResult();
    if (!cdsData.Active()) {
      MsgBox("SQL が結果を返しませんでした。", MB_ICONWARNING);
      return;
    }
  }
  const TObjectCountBack countBack;
  try {
    TSqlWaitCursor wait;
    const std::vector<TXlsField> fields = XlsFields(cdsData, FieldComments(), output.Title);
    TovControlsOff off(cdsData);
    const int count = cdsData.RecordCount();
    if (const std::string refusal = XlsExtentRefusal(output, static_cast<int>(fields.size()), count);
        !refusal.empty()) {
      MsgBox(refusal, MB_ICONWARNING);
      return;
    }
    cdsData.First();
    TDataSetRecords records(cdsData, TOutputValues::Spreadsheet, ProgressTo(count));
    WriteXlsOutput(output, fields, records);
  } catch (const std::exception& e) {
    MsgBox(e.what(), MB_ICONERROR);
    return;
  }
  MsgBox("ファイルに出力しました。", MB_ICONINFORMATION);
}
