#include "platform/gui/qtdialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "platform/qstr.h"

namespace platform {
namespace {

// Windows message-box flag fields.
constexpr unsigned kButtonMask = 0x0F;
constexpr unsigned kIconMask = 0xF0;
constexpr unsigned kDefaultMask = 0x300;
constexpr unsigned kDefaultShift = 8;
constexpr unsigned kIconError = 0x10;
constexpr unsigned kIconQuestion = 0x20;
constexpr unsigned kIconWarning = 0x30;
constexpr unsigned kIconInformation = 0x40;

// What a window frame's title bar takes beside the caption: the icon, the
// buttons and the margins. Qt sizes a box for its caption in the text font
// with far less room, and frames cut the caption short.
constexpr int kTitleBarExtraWidth = 160;

// Windows button identifiers.
constexpr int kIdOk = 1, kIdCancel = 2, kIdAbort = 3, kIdRetry = 4, kIdIgnore = 5, kIdYes = 6,
              kIdNo = 7, kIdOther = 8;

struct ButtonSpec {
  int id;
  QMessageBox::StandardButton qt;
};

std::vector<ButtonSpec> ButtonsFor(unsigned flags) {
  switch (flags & kButtonMask) {
    case 1: return {{kIdOk, QMessageBox::Ok}, {kIdCancel, QMessageBox::Cancel}};
    case 2:
      return {{kIdAbort, QMessageBox::Abort}, {kIdRetry, QMessageBox::Retry}, {kIdIgnore, QMessageBox::Ignore}};
    case 3: return {{kIdYes, QMessageBox::Yes}, {kIdNo, QMessageBox::No}, {kIdCancel, QMessageBox::Cancel}};
    case 4: return {{kIdYes, QMessageBox::Yes}, {kIdNo, QMessageBox::No}};
    case 5: return {{kIdRetry, QMessageBox::Retry}, {kIdCancel, QMessageBox::Cancel}};
    default: return {{kIdOk, QMessageBox::Ok}};
  }
}

QMessageBox::Icon IconFor(unsigned flags) {
  switch (flags & kIconMask) {
    case kIconError: return QMessageBox::Critical;
    case kIconQuestion: return QMessageBox::Question;
    case kIconWarning: return QMessageBox::Warning;
    case kIconInformation: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

// Widens the box to the least width at which its frame shows the whole
// caption, in the title bar's bold face.
void RoomForCaption(QMessageBox& box) {
  QFont title = box.font();
  title.setBold(true);
  const int width = QFontMetrics(title).horizontalAdvance(box.windowTitle()) + kTitleBarExtraWidth;
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

class QtDialogs : public DialogSeam {
 public:
  int ShowMessage(MessageRequest& request) override {
    QMessageBox box(IconFor(request.flags), Q(request.caption), Q(request.text), QMessageBox::NoButton,
                    QApplication::activeWindow());
    RoomForCaption(box);
    const auto buttons = ButtonsFor(request.flags);
    std::vector<std::pair<QAbstractButton*, int>> ids;
    for (const auto& b : buttons) ids.emplace_back(box.addButton(b.qt), b.id);
    const size_t defaultIndex = (request.flags & kDefaultMask) >> kDefaultShift;
    if (defaultIndex < ids.size()) box.setDefaultButton(static_cast<QPushButton*>(ids[defaultIndex].first));
    std::vector<QCheckBox*> boxes;
    if (!request.checks.empty()) {
      auto* holder = new QWidget(&box);
      auto* layout = new QVBoxLayout(holder);
      for (const auto& c : request.checks) {
        auto* cb = new QCheckBox(Q(c.caption), holder);
        cb->setChecked(c.checked);
        layout->addWidget(cb);
        boxes.push_back(cb);
      }
      if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addWidget(holder, grid->rowCount(), 0, 1, grid->columnCount());
    }
    box.exec();
    for (size_t i = 0; i < boxes.size(); ++i) request.checks[i].checked = boxes[i]->isChecked();
    for (const auto& [button, id] : ids)
      if (box.clickedButton() == button) return id;
    return kIdOther;
  }

  bool ShowInput(InputRequest& request) override {
    QDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(Q(request.caption));
    auto* layout = new QVBoxLayout(&dialog);
    auto* label = new QLabel(Q(request.prompt), &dialog);
    label->setWordWrap(true);
    layout->addWidget(label);
    auto* edit = new QLineEdit(Q(request.value), &dialog);
    edit->setMaxLength(request.maxLength);
    if (request.numeric)
      edit->setValidator(new QRegularExpressionValidator(QRegularExpression("-?[0-9]*"), edit));
    edit->selectAll();
    layout->addWidget(edit);
    std::vector<QCheckBox*> boxes;
    for (const auto& c : request.checks) {
      auto* cb = new QCheckBox(Q(c.caption), &dialog);
      cb->setChecked(c.checked);
      layout->addWidget(cb);
      boxes.push_back(cb);
    }
    auto* buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted) return false;
    request.value = edit->text().toStdString();
    for (size_t i = 0; i < boxes.size(); ++i) request.checks[i].checked = boxes[i]->isChecked();
    return true;
  }

  std::optional<std::string> ShowFile(const FileRequest& request) override {
    QWidget* parent = QApplication::activeWindow();
    QString path;
    const QString start = request.fileName.empty()
                              ? Q(request.directory)
                              : QDir(Q(request.directory)).filePath(Q(request.fileName));
    switch (request.kind) {
      case FileDialogKind::Open:
        path = QFileDialog::getOpenFileName(parent, Q(request.caption), start, Q(request.filter));
        break;
      case FileDialogKind::Save:
        path = QFileDialog::getSaveFileName(parent, Q(request.caption), start, Q(request.filter));
        break;
      case FileDialogKind::Folder:
        path = QFileDialog::getExistingDirectory(parent, Q(request.caption), Q(request.directory));
        break;
    }
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
  }

  std::vector<std::string> ShowFiles(const FileRequest& request) override {
    std::vector<std::string> paths;
    for (const QString& path : QFileDialog::getOpenFileNames(QApplication::activeWindow(), Q(request.caption),
                                                             Q(request.directory), Q(request.filter)))
      paths.push_back(path.toStdString());
    return paths;
  }
};

}  // namespace

std::unique_ptr<DialogSeam> MakeQtDialogs() { return std::make_unique<QtDialogs>(); }

}  // namespace platform
