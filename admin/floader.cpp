#include "admin/floader.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/core/ovoptions.h"
#include "app/core/zarur.h"
#include "editor/ovmemo.h"
#include "platform/qstr.h"
#include "ui/ovimages.h"
#include "ui/ovstdctl.h"

namespace {

constexpr char kTitle[] = "ロード";
constexpr char kSizeKey[] = "LOADER";
constexpr int kWindowImage = 9;
constexpr int kDesignWidth = 490;
constexpr int kDesignHeight = 470;
constexpr int kFormats = 3;
// -1 stands for an empty number edit in the options.
constexpr int kEmptyNumber = -1;
constexpr const char* kOutFormatCaptions[kFormats] = {"標準出力", "条件指定", "分割指定"};
constexpr const char* kDataFormatCaptions[kFormats] = {"テキスト", "バイナリ（有効長）", "バイナリ（定義長）"};
constexpr char kConditionLabel[] = "条件指定ファイル";
constexpr char kSplitLabel[] = "分割指定ファイル";
constexpr char kNullCaption[] = "データにNULL値を含む行を出力しない";
constexpr char kDataFilter[] = "データファイル(*.DAT)|*.DAT|すべてのファイル(*.*)|*.*";

void Check(TovRadioButton* const (&buttons)[kFormats], int value) {
  if (value >= 0 && value < kFormats) buttons[value]->setChecked(true);
}

QString NumberText(int value) { return value == kEmptyNumber ? QString() : QString::number(value); }

int NumberOf(const TovNumEdit& edit) {
  bool ok = false;
  const int value = edit.text().trimmed().toInt(&ok);
  return ok ? value : kEmptyNumber;
}

}  // namespace

void TfrmLoader::Open(TovConnectionWindow& connection) {
  if (BringForward<TfrmLoader>(kTitle, connection)) return;
  new TfrmLoader(connection);
}

TfrmLoader::TfrmLoader(TovConnectionWindow& connection) : TfrmToolAdmin(connection, kTitle) {
  setObjectName("frmLoader");
  SetDesignSize(kDesignWidth, kDesignHeight);
  setMinimumSize(kDesignWidth, kDesignHeight);
  setupUi();
  CreateTaskButton();
  setWindowIcon(imgMain().Icon(kWindowImage));
  pagLoader->setCurrentWidget(tabUnload);
  FillFromOptions();
  StartOn(connection);
  rdoOutFormatClick();
  rdoInDataFormatClick();
  chkErrorClick();
  TaskButtonClick();
}

void TfrmLoader::setupUi() {
  SetupToolBar([this] { btnExecClick(); });
  pagLoader = new QTabWidget(this);
  pagLoader->setObjectName("pagLoader");
  pages_ = pagLoader;
  tabUnload = UnloadPage();
  tabLoad = LoadPage();
  pagLoader->addTab(tabUnload, "DB→ファイル");
  pagLoader->addTab(tabLoad, "ファイル→DB");
  tabLog = LogPage(*pagLoader);
  layout_->addWidget(pagLoader, 1);
}

QWidget* TfrmLoader::UnloadPage() {
  auto* page = new QWidget(this);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(RadioGroup(page, "実行形式", kOutFormatCaptions, rdoOutFormat, "rdoOutFormat"));
  auto* grid = new QGridLayout();
  layout->addLayout(grid);
  txtOutFile = FileRow(*grid, 0, lblOutFile, "出力先", btnOutFile);
  txtOutFile->setObjectName("txtOutFile");
  auto* dsiLabel = new QLabel("表のDSI名", page);
  cmbOutDsi = new TovComboBox(page);
  cmbOutDsi->setObjectName("cmbOutDsi");
  dsiLabel->setBuddy(cmbOutDsi);
  FillOnDropDown(*cmbOutDsi);
  grid->addWidget(dsiLabel, 1, 0);
  grid->addWidget(cmbOutDsi, 1, 1);
  txtCtrlFile = FileRow(*grid, 2, lblCtrlFile, kConditionLabel, btnCtrlFile);
  txtCtrlFile->setObjectName("txtCtrlFile");
  layout->addWidget(RadioGroup(page, "データ形式", kDataFormatCaptions, rdoOutDataFormat, "rdoOutDataFormat"));
  chkOutNull = new TovCheckBox(kNullCaption, page);
  chkOutNull->setObjectName("chkOutNull");
  layout->addWidget(chkOutNull);
  layout->addStretch(1);

  for (TovRadioButton* button : rdoOutFormat)
    connect(button, &QRadioButton::clicked, this, [this] { rdoOutFormatClick(); });
  connect(btnOutFile, &QToolButton::clicked, this,
          [this] { BrowseFile(*txtOutFile, platform::FileDialogKind::Save, kDataFilter); });
  connect(btnCtrlFile, &QToolButton::clicked, this,
          [this] { BrowseFile(*txtCtrlFile, platform::FileDialogKind::Open, kTextFileFilter); });
  return page;
}

QWidget* TfrmLoader::LoadPage() {
  auto* page = new QWidget(this);
  auto* layout = new QVBoxLayout(page);
  auto* grid = new QGridLayout();
  layout->addLayout(grid);
  QLabel* inLabel = nullptr;
  txtInFile = FileRow(*grid, 0, inLabel, "入力ファイル", btnInFile);
  txtInFile->setObjectName("txtInFile");
  auto* dsiLabel = new QLabel("データを追加する表のDSI名", page);
  cmbInDsi = new TovComboBox(page);
  cmbInDsi->setObjectName("cmbInDsi");
  dsiLabel->setBuddy(cmbInDsi);
  FillOnDropDown(*cmbInDsi);
  grid->addWidget(dsiLabel, 1, 0);
  grid->addWidget(cmbInDsi, 1, 1);
  auto* ratioLabel = new QLabel("インデックスのページ内未使用率", page);
  txtIdxMisiyo = new TovNumEdit(page);
  txtIdxMisiyo->setObjectName("txtIdxMisiyo");
  grid->addWidget(ratioLabel, 2, 0);
  grid->addWidget(txtIdxMisiyo, 2, 1);
  layout->addWidget(RadioGroup(page, "データ形式", kDataFormatCaptions, rdoInDataFormat, "rdoInDataFormat"));
  chkInNull = new TovCheckBox(kNullCaption, page);
  chkInNull->setObjectName("chkInNull");
  chkDlmEnable = new TovCheckBox("最終のデータ項目の後に区切り文字を許可", page);
  chkDlmEnable->setObjectName("chkDlmEnable");
  layout->addWidget(chkInNull);
  layout->addWidget(chkDlmEnable);
  auto* text = new QGridLayout();
  layout->addLayout(text);
  txtDlmChar = new TovStrEdit(page);
  txtDlmChar->setObjectName("txtDlmChar");
  cmbQuoteChar = new TovComboBox(page);
  cmbQuoteChar->setObjectName("cmbQuoteChar");
  cmbQuoteChar->setEditable(false);
  for (const char* item : kLoaderQuoteItems) cmbQuoteChar->addItem(QString::fromUtf8(item));
  text->addWidget(new QLabel("区切り文字", page), 0, 0);
  text->addWidget(txtDlmChar, 0, 1);
  text->addWidget(new QLabel("囲み文字", page), 1, 0);
  text->addWidget(cmbQuoteChar, 1, 1);
  chkError = new TovCheckBox("エラー時の設定", page);
  chkError->setObjectName("chkError");
  layout->addWidget(chkError);
  grpError = new QGroupBox(page);
  auto* error = new QGridLayout(grpError);
  txtErrRec = new TovNumEdit(grpError);
  txtErrRec->setObjectName("txtErrRec");
  error->addWidget(new QLabel("中段までのエラー件数", grpError), 0, 0);
  error->addWidget(txtErrRec, 0, 1);
  QLabel* errLabel = nullptr;
  txtErrFile = FileRow(*error, 1, errLabel, "エラー出力ファイル", btnErrFile);
  txtErrFile->setObjectName("txtErrFile");
  layout->addWidget(grpError);
  layout->addStretch(1);

  for (TovRadioButton* button : rdoInDataFormat)
    connect(button, &QRadioButton::clicked, this, [this] { rdoInDataFormatClick(); });
  connect(chkError, &QCheckBox::clicked, this, [this] { chkErrorClick(); });
  connect(btnInFile, &QToolButton::clicked, this,
          [this] { BrowseFile(*txtInFile, platform::FileDialogKind::Open, kDataFilter); });
  connect(btnErrFile, &QToolButton::clicked, this,
          [this] { BrowseFile(*txtErrFile, platform::FileDialogKind::Save, kTextFileFilter); });
  return page;
}

void TfrmLoader::FillFromOptions() {
  const TLoadOption& o = LoadOption;
  Check(rdoOutFormat, o.OutFormat);
  Check(rdoOutDataFormat, o.OutDataFormat);
  Check(rdoInDataFormat, o.InDataFormat);
  txtOutFile->setText(Q(o.OutFile));
  cmbOutDsi->setEditText(Q(o.OutDsi));
  txtInFile->setText(Q(o.InFile));
  cmbInDsi->setEditText(Q(o.InDsi));
  txtDlmChar->setText(Q(o.DlmChar));
  txtErrFile->setText(Q(o.ErrFile));
  chkOutNull->setChecked(o.OutNull);
  chkInNull->setChecked(o.InNull);
  chkDlmEnable->setChecked(o.DlmEnable);
  chkError->setChecked(o.Error);
  cmbQuoteChar->setCurrentIndex(o.QuoteChar >= 0 && o.QuoteChar < cmbQuoteChar->count() ? o.QuoteChar : -1);
  txtIdxMisiyo->setText(NumberText(o.IdxMisiyo));
  txtErrRec->setText(NumberText(o.ErrRec));
}

void TfrmLoader::rdoOutFormatClick() {
  const int format = CheckedIndex(rdoOutFormat);
  const bool out = UnloadWritesOutFile(format);
  for (QWidget* w : std::initializer_list<QWidget*>{lblOutFile, txtOutFile, btnOutFile}) w->setEnabled(out);
  const bool control = format == ufCondition || format == ufSplit;
  for (QWidget* w : std::initializer_list<QWidget*>{lblCtrlFile, txtCtrlFile, btnCtrlFile}) w->setEnabled(control);
  if (format == ufCondition) lblCtrlFile->setText(kConditionLabel);
  if (format == ufSplit) lblCtrlFile->setText(kSplitLabel);
}

void TfrmLoader::rdoInDataFormatClick() {
  const int format = CheckedIndex(rdoInDataFormat);
  for (QWidget* w : std::initializer_list<QWidget*>{txtDlmChar, cmbQuoteChar, chkDlmEnable})
    w->setEnabled(IsTextFormat(format));
  chkInNull->setEnabled(IsBinaryFormat(format));
}

void TfrmLoader::chkErrorClick() {
  const bool on = chkError->isChecked();
  for (QWidget* w : std::initializer_list<QWidget*>{grpError, txtErrRec, btnErrFile, txtErrFile}) w->setEnabled(on);
}

TUnloadInput TfrmLoader::UnloadInput() const {
  TUnloadInput in;
  if (ConnectionWindow) in.DataSource = ConnectionWindow->Module().Connection.DataSource;
  in.Dsi = cmbOutDsi->currentText().toStdString();
  in.DataFormat = CheckedIndex(rdoOutDataFormat);
  in.NoNullRows = chkOutNull->isChecked();
  in.OutFormat = CheckedIndex(rdoOutFormat);
  in.OutFile = txtOutFile->text().toStdString();
  in.CtrlFile = txtCtrlFile->text().toStdString();
  return in;
}

TLoadInput TfrmLoader::LoadInput() const {
  TLoadInput in;
  if (ConnectionWindow) in.DataSource = ConnectionWindow->Module().Connection.DataSource;
  in.Dsi = cmbInDsi->currentText().toStdString();
  in.IdxMisiyo = txtIdxMisiyo->text().toStdString();
  in.DataFormat = CheckedIndex(rdoInDataFormat);
  in.NullRows = chkInNull->isChecked();
  in.DelimiterAfterLast = chkDlmEnable->isChecked();
  in.Delimiter = txtDlmChar->text().toStdString();
  in.Quote = cmbQuoteChar->currentIndex();
  in.Error = chkError->isChecked();
  in.ErrRec = txtErrRec->text().toStdString();
  in.ErrFile = txtErrFile->text().toStdString();
  in.InFile = txtInFile->text().toStdString();
  return in;
}

void TfrmLoader::btnExecClick() {
  if (pagLoader->currentWidget() == tabUnload)
    Unload();
  else if (pagLoader->currentWidget() == tabLoad)
    Load();
  if (!txtLog->Text().empty()) pagLoader->setCurrentWidget(tabLog);
}

void TfrmLoader::Unload() {
  const TUnloadInput in = UnloadInput();
  if (const std::optional<TLoaderError> error = CheckUnloadInput(in)) {
    Refuse(error->Message, *tabUnload, error->Field == lfOutFile ? static_cast<QWidget&>(*txtOutFile) : *cmbOutDsi);
    return;
  }
  if (MsgBox(kUnloadQuestion, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) return;
  LoadOption.OutFormat = in.OutFormat;
  LoadOption.OutFile = in.OutFile;
  LoadOption.OutDsi = in.Dsi;
  LoadOption.OutDataFormat = in.DataFormat;
  LoadOption.OutNull = in.NoNullRows;
  RunTool(UnloadCommand(in));
}

void TfrmLoader::Load() {
  const TLoadInput in = LoadInput();
  if (const std::optional<TLoaderError> error = CheckLoadInput(in)) {
    QWidget* controls[] = {txtOutFile, cmbOutDsi, txtInFile, txtErrRec, txtErrFile};
    Refuse(error->Message, *tabLoad, *controls[error->Field]);
    return;
  }
  if (MsgBox(kLoadQuestion, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) return;
  TLoadOption& o = LoadOption;
  o.InFile = in.InFile;
  o.InDsi = in.Dsi;
  o.IdxMisiyo = NumberOf(*txtIdxMisiyo);
  o.InDataFormat = in.DataFormat;
  o.InNull = in.NullRows;
  o.DlmEnable = in.DelimiterAfterLast;
  o.DlmChar = in.Delimiter;
  o.QuoteChar = in.Quote;
  o.Error = in.Error;
  o.ErrRec = NumberOf(*txtErrRec);
  o.ErrFile = in.ErrFile;
  if (txtIdxMisiyo->text() == kDefaultIdxMisiyo) txtIdxMisiyo->clear();
  RunTool(LoadCommand(LoadInput()));
}

void TfrmLoader::RunTool(const std::string& command) {
  std::vector<std::string> lines;
  ToolRun()(command, lines, true);
  SetLog(lines);
}

void TfrmLoader::LoadWindowSize() { LoadWindowSizeFrom(kSizeKey); }
void TfrmLoader::SaveWindowSize() { SaveWindowSizeTo(kSizeKey); }
