#include "ui/fmemo.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/core/ovmainwin.h"
#include "app/core/ovreg.h"
#include "app/core/zarur.h"
#include "editor/ovmemo.h"
#include "platform/qstr.h"
#include "ui/ovimages.h"
#include "ui/zarurctl.h"

namespace {

constexpr const char* kCaption = "文字列の編集";
constexpr const char* kLayoutKey = "COMMENT";
constexpr int kIconIndex = 93;
constexpr const char* kEditorFontName = "FixedSys";
// Height -12 pixels: 9 points on the 96-dpi screen the form was laid out on.
constexpr int kEditorFontSize = 9;
constexpr int kDigitWidth = 8;
constexpr int kMarkWidth = 0;
// The thin panels around the editor.
constexpr int kPanelGap = 3;

QWidget* MainWidget() { return dynamic_cast<QWidget*>(ControlOptionsWindow()); }

// The window's client rectangle, as it is stored and restored.
TWindowBounds BoundsOf(const QWidget& form) {
  const QRect r = form.geometry();
  return {r.x(), r.y(), r.width(), r.height()};
}

}  // namespace

TfrmMemo::TfrmMemo(QWidget* owner) : QDialog(owner) { setupUi(); }

void TfrmMemo::setupUi() {
  setWindowTitle(Q(kCaption));
  setSizeGripEnabled(true);
  txtComment = new TovMemo(this);
  txtComment->setObjectName("txtComment");
  TEditorFont font = txtComment->Font();
  font.Name = kEditorFontName;
  font.Size = kEditorFontSize;
  txtComment->SetFont(font);
  txtComment->SetScrollBars(ssVertical);
  txtComment->SetWordWrap(false);
  txtComment->Imagebar().SetDigitWidth(kDigitWidth);
  txtComment->Imagebar().SetMarkWidth(kMarkWidth);
  btnOk = new QPushButton("OK", this);
  btnOk->setObjectName("btnOk");
  btnOk->setDefault(true);
  btnCancel = new QPushButton(Q("キャンセル"), this);
  btnCancel->setObjectName("btnCancel");
  connect(btnOk, &QPushButton::clicked, this, [this] { done(mrOk); });
  connect(btnCancel, &QPushButton::clicked, this, [this] { done(mrCancel); });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOk);
  buttons->addWidget(btnCancel);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(kPanelGap, kPanelGap, kPanelGap, kPanelGap);
  layout->addWidget(txtComment, 1);
  layout->addLayout(buttons);
  resize(kClientWidth, kClientHeight);
}

bool TfrmMemo::event(QEvent* event) {
  // Showing and each activation put the caret at the end of the text.
  if (event->type() == QEvent::Show || event->type() == QEvent::WindowActivate)
    txtComment->SetSelStart(static_cast<int>(txtComment->Lines().GetTextStr().size()));
  return QDialog::event(event);
}

int ShowMemoDialog(std::string& text) {
  QWidget* main = MainWidget();
  TfrmMemo form(main);
  form.setWindowIcon(imgMain().Icon(kIconIndex));
  // The first use: the design size, centred on the main window.
  if (main) form.setGeometry(QRect(QPoint(), form.size()).translated(main->geometry().center() - form.rect().center()));
  const std::string key = GuiKey(kLayoutKey);
  {
    platform::KeyScope scope(AppRegistry);
    if (AppRegistry.KeyExists(key) && AppRegistry.OpenKey(key, false)) {
      const TWindowBounds b = ReadWindowBounds(AppRegistry, BoundsOf(form));
      form.setGeometry(b.Left, b.Top, b.Width, b.Height);
    }
  }
  ApplyControlOptions(form.txtComment);
  form.txtComment->Lines().SetTextStr(text);
  const int result = form.exec() == mrOk ? mrOk : mrCancel;
  if (result == mrOk) text = form.txtComment->Lines().GetTextStr();
  platform::KeyScope scope(AppRegistry);
  if (AppRegistry.OpenKey(key, true)) WriteWindowBounds(AppRegistry, BoundsOf(form));
  return result;
}
