#include "ui/fprint.h"

#include <QApplication>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <optional>
#include <stdexcept>

#include "app/core/ovoptions.h"
#include "app/core/zarur.h"
#include "platform/dialogs.h"
#include "platform/helpviewer.h"
#include "platform/qstr.h"
#include "ui/fpreview.h"
#include "ui/ovprinter.h"
#include "ui/ovstdctl.h"

namespace {
constexpr int kPrintHelpContext = 20400;
constexpr int kMaxFontSizeLength = 3;
constexpr int kMarginLimit = 999;
constexpr const char* kJobTitlePrefix = "ORV - ";

// The job the render routine is filling.
struct TJobState {
  std::unique_ptr<TQtTextMeasure> measure;
  std::unique_ptr<TPrintJob> job;
};
TJobState& Job() {
  static TJobState state;
  return state;
}

TPrintLayoutSettings LayoutSettings() {
  TPrintLayoutSettings s;
  s.LeftMargin = PrintOption.LeftMargin;
  s.TopMargin = PrintOption.TopMargin;
  s.RightMargin = PrintOption.RightMargin;
  s.BottomMargin = PrintOption.BottomMargin;
  s.Font = {PrintOption.FontName, PrintOption.FontSize};
  s.TabWidth = PrintTabWidth();
  return s;
}

// Asks for the file a PDF printer writes; false when the user cancels.
bool ChoosePdfFile(const std::string& title) {
  platform::FileRequest request{platform::FileDialogKind::Save, "印刷", "", title + ".pdf", "PDF (*.pdf)"};
  std::optional<std::string> path = platform::Dialogs().ShowFile(request);
  if (!path) return false;
  QtPrinter().setOutputFileName(Q(*path));
  return true;
}
}  // namespace

// An up-down beside a number box: steps the box's value within a range.
class TUpDown : public QWidget {
 public:
  TUpDown(TovNumEdit* buddy, int min, int max, QWidget* parent) : QWidget(parent), buddy_(buddy), min_(min), max_(max) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int step : {1, -1}) {
      auto* button = new QToolButton(this);
      button->setArrowType(step > 0 ? Qt::UpArrow : Qt::DownArrow);
      button->setAutoRepeat(true);
      connect(button, &QToolButton::clicked, this, [this, step] { SetPosition(Position() + step); });
      layout->addWidget(button);
    }
  }
  void SetRange(int min, int max) {
    min_ = min;
    max_ = max;
  }
  int Max() const { return max_; }
  int Position() const { return std::clamp(buddy_->AsInteger(), min_, max_); }
  void SetPosition(int value) { buddy_->SetInteger(std::clamp(value, min_, max_)); }

 private:
  TovNumEdit* buddy_;
  int min_;
  int max_;
};

TfrmPrint::TfrmPrint(QWidget* owner, const std::string& title) : QDialog(owner), title_(title) {
  setupUi();
  setProperty(platform::kHelpContextProperty, kPrintHelpContext);
}

void TfrmPrint::setupUi() {
  setWindowTitle("印刷");
  auto* root = new QVBoxLayout(this);

  auto* printerRow = new QHBoxLayout;
  auto* lblPrinter = new QLabel("プリンタ名(&N)", this);
  cmbPrinterName = new TovComboBox(this);
  lblPrinter->setBuddy(cmbPrinterName);
  btnProperty = new QPushButton("プロパティ(&P)...", this);
  printerRow->addWidget(lblPrinter);
  printerRow->addWidget(cmbPrinterName, 1);
  printerRow->addWidget(btnProperty);
  root->addLayout(printerRow);

  auto* middle = new QHBoxLayout;
  auto* grpCopies = new QGroupBox(" 部数 ", this);
  auto* copiesLayout = new QHBoxLayout(grpCopies);
  txtCopies = new TovNumEdit(grpCopies);
  txtCopies->setText("1");
  btnCopies = new TUpDown(txtCopies, 1, kDefaultMaxCopies, grpCopies);
  chkCollate = new TovCheckBox("部単位で印刷", grpCopies);
  chkCollate->setEnabled(false);
  copiesLayout->addWidget(txtCopies);
  copiesLayout->addWidget(btnCopies);
  copiesLayout->addWidget(chkCollate);
  middle->addWidget(grpCopies);

  auto* grpOrientation = new QGroupBox(" 用紙方向 ", this);
  auto* orientationLayout = new QHBoxLayout(grpOrientation);
  rdoPortrait = new QRadioButton("縦", grpOrientation);
  rdoLandscape = new QRadioButton("横", grpOrientation);
  orientationLayout->addWidget(rdoPortrait);
  orientationLayout->addWidget(rdoLandscape);
  middle->addWidget(grpOrientation);
  root->addLayout(middle);

  auto* grpMargin = new QGroupBox(" 余白(mm) ", this);
  auto* marginLayout = new QGridLayout(grpMargin);
  int column = 0;
  auto margin = [&](const char* caption) {
    auto* edit = new TovNumEdit(grpMargin);
    edit->SetAllowMinus(true);
    marginLayout->addWidget(new QLabel(caption, grpMargin), 0, column++);
    marginLayout->addWidget(edit, 0, column++);
    auto* upDown = new TUpDown(edit, -kMarginLimit, kMarginLimit, grpMargin);
    marginLayout->addWidget(upDown, 0, column++);
    connect(edit, &QLineEdit::textChanged, this, &TfrmPrint::CopiesChange);
    return edit;
  };
  txtTopMargin = margin("上");
  txtBottomMargin = margin("下");
  txtLeftMargin = margin("左");
  txtRightMargin = margin("右");
  root->addWidget(grpMargin);

  auto* grpRange = new QGroupBox(" 印刷範囲 ", this);
  auto* rangeLayout = new QHBoxLayout(grpRange);
  rdoRangeAll = new QRadioButton("すべて(&A)", grpRange);
  rdoRangeAll->setChecked(true);
  rdoRangeSelect = new QRadioButton("ページ指定(&G)", grpRange);
  txtRangeFrom = new TovNumEdit(grpRange);
  lblRangeTo = new QLabel("～", grpRange);
  txtRangeTo = new TovNumEdit(grpRange);
  for (QWidget* w : std::initializer_list<QWidget*>{rdoRangeAll, rdoRangeSelect, txtRangeFrom, lblRangeTo, txtRangeTo}) {
    rangeLayout->addWidget(w);
  }
  root->addWidget(grpRange);

  auto* grpFont = new QGroupBox(" フォント ", this);
  auto* fontLayout = new QHBoxLayout(grpFont);
  lstFontName = new QListWidget(grpFont);
  txtFontSize = new TovNumEdit(grpFont);
  txtFontSize->setMaxLength(kMaxFontSizeLength);
  fontLayout->addWidget(lstFontName, 1);
  fontLayout->addWidget(new QLabel("サイズ", grpFont));
  fontLayout->addWidget(txtFontSize);
  fontLayout->addWidget(new QLabel("pt.", grpFont));
  root->addWidget(grpFont);

  auto* buttons = new QHBoxLayout;
  btnOk = new QPushButton("印刷", this);
  btnOk->setDefault(true);
  btnCancel = new QPushButton("キャンセル", this);
  btnPreview = new QPushButton("プレビュー", this);
  btnHelp = new QPushButton("ヘルプ", this);
  buttons->addStretch();
  for (QPushButton* b : {btnOk, btnCancel, btnPreview, btnHelp}) buttons->addWidget(b);
  root->addLayout(buttons);

  RangeChange();
  connect(rdoRangeAll, &QRadioButton::toggled, this, &TfrmPrint::RangeChange);
  connect(txtCopies, &QLineEdit::textChanged, this, &TfrmPrint::CopiesChange);
  connect(txtRangeFrom, &QLineEdit::textChanged, this, &TfrmPrint::CopiesChange);
  connect(txtRangeTo, &QLineEdit::textChanged, this, &TfrmPrint::CopiesChange);
  connect(cmbPrinterName, &QComboBox::activated, this, &TfrmPrint::SelectPrinter);
  connect(rdoPortrait, &QRadioButton::clicked, this, &TfrmPrint::grpOrientationClick);
  connect(rdoLandscape, &QRadioButton::clicked, this, &TfrmPrint::grpOrientationClick);
  connect(btnOk, &QPushButton::clicked, this, &TfrmPrint::btnOkClick);
  connect(btnPreview, &QPushButton::clicked, this, &TfrmPrint::btnPreviewClick);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(btnHelp, &QPushButton::clicked, this, &TfrmPrint::btnHelpClick);
  connect(btnProperty, &QPushButton::clicked, this, &TfrmPrint::btnPropertyClick);

  QStringList fonts = QFontDatabase::families();
  lstFontName->addItems(fonts);
  cmbPrinterName->addItems(PrinterNames());
  SelectPrinter(PrinterIndex());
}

void TfrmPrint::SelectPrinter(int index) {
  SetPrinterIndex(index);
  RefreshPrinter();
  cmbPrinterName->setCurrentIndex(PrinterIndex());
  btnCopies->SetRange(1, Printer().MaxCopies());
}

void TfrmPrint::RangeChange() {
  const bool select = rdoRangeSelect->isChecked();
  for (QWidget* w : std::initializer_list<QWidget*>{txtRangeFrom, lblRangeTo, txtRangeTo}) w->setEnabled(select);
}

void TfrmPrint::CopiesChange() { chkCollate->setEnabled(txtCopies->AsInteger() > 1); }

void TfrmPrint::ShowSettings() {
  (PrintOption.Orientation == 1 ? rdoLandscape : rdoPortrait)->setChecked(true);
  txtTopMargin->SetInteger(PrintOption.TopMargin);
  txtBottomMargin->SetInteger(PrintOption.BottomMargin);
  txtLeftMargin->SetInteger(PrintOption.LeftMargin);
  txtRightMargin->SetInteger(PrintOption.RightMargin);
  const QList<QListWidgetItem*> found = lstFontName->findItems(Q(PrintOption.FontName), Qt::MatchExactly);
  if (!found.isEmpty()) lstFontName->setCurrentItem(found.front());
  txtFontSize->SetInteger(PrintOption.FontSize);
}

void TfrmPrint::StoreSettings() const {
  PrintOption.Orientation = rdoLandscape->isChecked() ? 1 : 0;
  PrintOption.TopMargin = txtTopMargin->AsInteger();
  PrintOption.BottomMargin = txtBottomMargin->AsInteger();
  PrintOption.LeftMargin = txtLeftMargin->AsInteger();
  PrintOption.RightMargin = txtRightMargin->AsInteger();
  if (lstFontName->currentItem()) PrintOption.FontName = lstFontName->currentItem()->text().toStdString();
  PrintOption.FontSize = txtFontSize->AsInteger();
}

void TfrmPrint::ApplyPrinterSettings() {
  SelectPrinter(cmbPrinterName->currentIndex());
  SetOrientation(rdoLandscape->isChecked() ? 1 : 0);
  QPrinter& device = QtPrinter();
  const bool collate = chkCollate->isChecked();
  if (Printer().CollateSupported()) device.setCollateCopies(collate);
  if (Printer().CopiesSupported()) {
    device.setCopyCount(collate && !Printer().CollateSupported() ? 1 : btnCopies->Position());
  }
  RefreshPrinter();
}

TPrintPassSettings TfrmPrint::Passes() const {
  return {txtCopies->AsInteger(),        chkCollate->isChecked(),   Printer().CollateSupported(),
          Printer().CopiesSupported(),   rdoRangeSelect->isChecked(), txtRangeFrom->AsInteger(),
          txtRangeTo->AsInteger()};
}

bool TfrmPrint::FontSizeValid() {
  // The printer would get a size of 0 and print nothing readable.
  bool isNumber = false;
  int size = txtFontSize->text().toInt(&isNumber);
  if (isNumber && size >= 1) return true;
  txtFontSize->setFocus();
  MsgBox("フォントサイズには1以上の数値を入力して下さい。", MB_ICONWARNING);
  return false;
}

bool TfrmPrint::MarginsValid() {
  // Margins are measured against the sheet the job will go to.
  SelectPrinter(cmbPrinterName->currentIndex());
  SetOrientation(rdoLandscape->isChecked() ? 1 : 0);
  RefreshPrinter();
  if (Printer().BodyWidth(txtLeftMargin->AsInteger(), txtRightMargin->AsInteger()) > 0 &&
      Printer().BodyHeight(txtTopMargin->AsInteger(), txtBottomMargin->AsInteger()) > 0) {
    return true;
  }
  txtLeftMargin->setFocus();
  MsgBox("余白が大きすぎて印刷する範囲がありません。余白を小さくして下さい。", MB_ICONWARNING);
  return false;
}

void TfrmPrint::btnOkClick() {
  bool isNumber = false;
  int copies = txtCopies->text().toInt(&isNumber);
  if ((isNumber ? copies : 1) > Printer().MaxCopies()) {
    txtCopies->setFocus();
    MsgBox("印刷部数の値を小さくして下さい。", MB_ICONWARNING);
    return;
  }
  if (!FontSizeValid() || !MarginsValid()) return;
  state_ = psPrint;
  accept();
}

void TfrmPrint::btnPreviewClick() {
  if (!FontSizeValid() || !MarginsValid()) return;
  state_ = psPreview;
  accept();
}

void TfrmPrint::btnHelpClick() {
  btnHelp->setFocus();
  QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
  QCoreApplication::sendEvent(btnHelp, &f1);
}

void TfrmPrint::btnPropertyClick() {
  SelectPrinter(cmbPrinterName->currentIndex());
  SetOrientation(rdoLandscape->isChecked() ? 1 : 0);
  QPageSetupDialog setup(&QtPrinter(), this);
  if (setup.exec() == QDialog::Accepted) SelectPrinter(PrinterIndex());
}

void TfrmPrint::grpOrientationClick() {
  SetOrientation(rdoLandscape->isChecked() ? 1 : 0);
  RefreshPrinter();
}

void BeginPrintJob() {
  // The body is laid out on the printer the text is measured on; a printer
  // never described would give a body of no size, one character per page.
  RefreshPrinter();
  TJobState& state = Job();
  state.measure = std::make_unique<TQtTextMeasure>(QtPrinter());
  state.job = std::make_unique<TPrintJob>(PrintData(), Printer(), *state.measure);
  state.job->Begin();
}

void PrintLines(const std::string& title, const std::vector<std::string>& lines, bool restart) {
  if (!Job().job) throw TovPrintdataError("印刷が開始されていません。");
  Job().job->PrintLines(title, lines, restart, LayoutSettings());
}

void EndPrintJob() {
  if (!Job().job) throw TovPrintdataError("印刷が開始されていません。");
  Job().job->End();
}

void PrintPages(const TfrmPrint& form) {
  if (PrintsToPdf() && !ChoosePdfFile(form.Title())) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  QPrinter& device = QtPrinter();
  const QPointF origin(std::max(0, Printer().MMToPixelX(PrintOption.LeftMargin) - Printer().OffsetLeft()),
                       std::max(0, Printer().MMToPixelY(PrintOption.TopMargin) - Printer().OffsetTop()));
  device.setDocName(Q(kJobTitlePrefix + form.Title()));
  device.setCreator(Q(kJobTitlePrefix + form.Title()));
  QPainter painter;
  try {
    if (!painter.begin(&device)) throw std::runtime_error("印刷を開始できませんでした。");
    bool first = true;
    for (int index : PrintedPages(form.Passes(), PrintData().PageCount())) {
      if (!first && !device.newPage()) throw std::runtime_error("印刷を続けられませんでした。");
      first = false;
      DrawPrintPage(painter, PrintData().Pages(index), origin);
    }
    painter.end();
  } catch (...) {
    device.abort();
    if (painter.isActive()) painter.end();
    QApplication::restoreOverrideCursor();
    throw;
  }
  QApplication::restoreOverrideCursor();
}

void PrintWithDialog(const std::string& title, const TPrintRender& render) {
  if (!render) return;
  TfrmPrint::TPrintState state = TfrmPrint::psDialog;
  std::unique_ptr<TfrmPrint> form;
  while (state != TfrmPrint::psDone) {
    if (state == TfrmPrint::psDialog) {
      form = std::make_unique<TfrmPrint>(PrintOwnerWindow(), title);
      form->ShowSettings();
      form->SetState(TfrmPrint::psDone);
      if (form->exec() == QDialog::Accepted) {
        form->ApplyPrinterSettings();
        form->StoreSettings();
        if (form->State() == TfrmPrint::psPrint) {
          render(*form);
          PrintPages(*form);
        }
      }
      state = form->State() == TfrmPrint::psPreview ? TfrmPrint::psPreview : TfrmPrint::psDone;
    } else {
      render(*form);
      state = ShowPrintPreview() ? TfrmPrint::psDialog : TfrmPrint::psDone;
    }
  }
}
