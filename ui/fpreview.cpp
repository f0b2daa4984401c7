#include "ui/fpreview.h"

#include <QAction>
#include <QApplication>
#include <QByteArray>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QScreen>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/core/ovoptions.h"
#include "platform/helpviewer.h"
#include "ui/ovimages.h"
#include "ui/ovprinter.h"
#include "ui/ovtoolbar.h"

namespace {
constexpr int kPreviewHelpContext = 12100;
// The screen's resolution when the platform tells none.
constexpr double kDefaultScreenDpi = 96;

enum : int { kIconPreview = 99, kIconPrint = 98, kIconPrev = 32, kIconNext = 33, kIconZoomUp = 100,
             kIconZoomDown = 101, kIconExit = 42 };

// The caption and the status tip of a "short|long" hint.
void SetHint(QAction* action, const QString& hint) {
  action->setToolTip(hint.section('|', 0, 0));
  action->setStatusTip(hint.section('|', 1));
}

// Restores the main window whatever happens to the preview, where it was:
// a window shown again is otherwise placed anew by the window system.
class TShownAgain {
 public:
  explicit TShownAgain(QWidget* window) : window_(window) {
    if (!window_) return;
    geometry_ = window_->saveGeometry();
    window_->hide();
  }
  ~TShownAgain() {
    if (!window_) return;
    window_->restoreGeometry(geometry_);
    window_->show();
  }
  TShownAgain(const TShownAgain&) = delete;
  TShownAgain& operator=(const TShownAgain&) = delete;

 private:
  QWidget* window_;
  QByteArray geometry_;
};
}  // namespace

TfrmPreview::TfrmPreview(QWidget* owner) : QDialog(owner), state_(PrintData().PageCount()) {
  setupUi();
  setProperty(platform::kHelpContextProperty, kPreviewHelpContext);
}

void TfrmPreview::setupUi() {
  setWindowTitle("印刷プレビュー");
  setWindowIcon(imgMain().Icon(kIconPreview));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  tolCmd = new QToolBar(this);
  tolCmd->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  auto add = [this](const char* caption, const char* hint, int image) {
    QAction* action = tolCmd->addAction(imgMain().Icon(image), caption);
    SetHint(action, hint);
    SetTextButtonWidths(*tolCmd, {action});
    return action;
  };
  actPrint = add("印刷(&P)", "印刷|ダイアグラムを印刷します。", kIconPrint);
  actPrevPage = add("前頁(&R)", "前頁|前のページを表示します。", kIconPrev);
  actNextPage = add("次頁(&N)", "次頁|次のページを表示します。", kIconNext);
  actZoomUp = add("拡大(&U)", "拡大|印刷イメージを拡大します。", kIconZoomUp);
  actZoomDown = add("縮小(&D)", "縮小|印刷イメージを縮小します。", kIconZoomDown);
  actExit = add("終了(&X)", "終了|プレビュー画面を閉じます。", kIconExit);
  layout->addWidget(tolCmd);
  scrPreview = new QScrollArea(this);
  imgPreview = new QLabel(scrPreview);
  scrPreview->setWidget(imgPreview);
  layout->addWidget(scrPreview, 1);

  connect(actPrint, &QAction::triggered, this, &QDialog::accept);
  connect(actExit, &QAction::triggered, this, &QDialog::reject);
  connect(actNextPage, &QAction::triggered, this, [this] { state_.NextPage(); DrawPage(); });
  connect(actPrevPage, &QAction::triggered, this, [this] { state_.PrevPage(); DrawPage(); });
  connect(actZoomUp, &QAction::triggered, this, [this] { state_.ZoomUp(); DrawPage(); });
  connect(actZoomDown, &QAction::triggered, this, [this] { state_.ZoomDown(); DrawPage(); });
}

void TfrmPreview::DrawPage() {
  RefreshPrinter();
  const TovPrinter& printer = Printer();
  const TPrintPage* page = state_.Page() <= PrintData().PageCount() ? &PrintData().Pages(state_.Page() - 1) : nullptr;
  const TPreviewPicture picture = PreviewPicture(printer, page, PrintOption.LeftMargin, PrintOption.TopMargin);
  // The paper shows at its size on the screen times the zoom; the picture
  // is replayed from printer pixels, scaled as a whole.
  const QScreen* screen = QApplication::primaryScreen();
  const double screenDpi = screen ? screen->logicalDotsPerInchY() : kDefaultScreenDpi;
  const double scale = screenDpi / std::max(1, printer.ResolutionY()) * state_.Zoom();
  const QSize size(qRound(picture.Width * scale), qRound(picture.Height * scale));
  QImage image(size, QImage::Format_RGB32);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  painter.scale(static_cast<double>(size.width()) / picture.Width, static_cast<double>(size.height()) / picture.Height);
  ReplayPage(painter, picture.Picture);
  painter.end();
  imgPreview->setPixmap(QPixmap::fromImage(image));
  imgPreview->resize(size);
  actNextPage->setEnabled(state_.CanNextPage());
  actPrevPage->setEnabled(state_.CanPrevPage());
  actZoomUp->setEnabled(state_.CanZoomUp());
  actZoomDown->setEnabled(state_.CanZoomDown());
}

bool ShowPrintPreview() {
  QWidget* main = PrintOwnerWindow();
  TfrmPreview preview(main);
  preview.DrawPage();
  if (main) {
    preview.setWindowState(main->windowState());
    preview.setGeometry(main->geometry());
  }
  TShownAgain shown(main);
  return preview.exec() == QDialog::Accepted;
}
