#include "app/ovhhelp.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QWidget>

#include "platform/helpviewer.h"

namespace {

constexpr char kHelpExtension[] = ".chm";
// The context pop-up texts: a text file beside the help file, in the form
// of the help compiler's topic files (".topic <number>" followed by its text).
constexpr char kPopupTopicFile[] = "cshelp.txt";
constexpr char kTopicMarker[] = ".topic";
constexpr std::intptr_t kLowWordMask = 0xFFFF;
constexpr int kWordBits = 16;

THTMLHelp* applicationHelp = nullptr;

std::string PopupText(const std::string& helpFile, std::intptr_t context) {
  QFile file(QFileInfo(QString::fromStdString(helpFile)).dir().filePath(kPopupTopicFile));
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
  QStringList lines;
  bool inTopic = false;
  while (!file.atEnd()) {
    const QString line = QString::fromUtf8(file.readLine()).trimmed();
    if (line.startsWith(kTopicMarker)) {
      if (inTopic) break;
      bool ok = false;
      inTopic = line.mid(static_cast<qsizetype>(sizeof kTopicMarker - 1)).trimmed().toLongLong(&ok) == context && ok;
    } else if (inTopic) {
      lines << line;
    }
  }
  return lines.join('\n').trimmed().toStdString();
}

}  // namespace

THTMLHelp::THTMLHelp(QObject* owner) : QObject(owner) {
  applicationHelp = this;
  if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(this);
}

THTMLHelp::~THTMLHelp() {
  if (applicationHelp == this) applicationHelp = nullptr;
}

THTMLHelp* THTMLHelp::Application() { return applicationHelp; }

std::string THTMLHelp::HelpFileName() const {
  if (!helpFile_.empty()) return helpFile_;
  const QFileInfo exe(QCoreApplication::applicationFilePath());
  return exe.dir().filePath(exe.completeBaseName() + kHelpExtension).toStdString();
}

bool THTMLHelp::HelpHandler(int command, std::intptr_t data, bool& callHelp) {
  const std::string helpFile = HelpFileName();
  if (!QString::fromStdString(helpFile).endsWith(kHelpExtension, Qt::CaseInsensitive)) return false;
  callHelp = false;
  switch (command) {
    // The desktop's handler opens a help file at its start; a context
    // number cannot be handed to it.
    case HELP_CONTEXT:
    case HELP_INDEX:
    case HELP_FINDER:
      OpenHelpFile(helpFile);
      break;
    case HELP_CONTEXTPOPUP:
      ShowContextPopup(helpFile, data);
      break;
    case HELP_SETPOPUP_POS:
      popupX_ = static_cast<int>(data & kLowWordMask);
      popupY_ = static_cast<int>((data >> kWordBits) & kLowWordMask);
      break;
    default:
      break;
  }
  return false;
}

// A missing help file is no error worth a message box: the status bar says so.
void THTMLHelp::OpenHelpFile(const std::string& helpFile) {
  if (!platform::Help().OpenHelpFile(helpFile))
    platform::Help().ShowStatus("ヘルプファイル " + helpFile + " が見つかりません。");
}

// A context without a pop-up text shows nothing.
void THTMLHelp::ShowContextPopup(const std::string& helpFile, std::intptr_t context) {
  const std::string text = PopupText(helpFile, context);
  if (!text.empty()) platform::Help().ShowPopup(text, popupX_, popupY_);
}

bool THTMLHelp::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(event)->key() != Qt::Key_F1 ||
      static_cast<QKeyEvent*>(event)->modifiers() != Qt::NoModifier)
    return QObject::eventFilter(watched, event);
  // The key press passes every object up the parent chain; answer it once,
  // at the widget it was sent to.
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget || widget != QApplication::focusWidget()) return QObject::eventFilter(watched, event);
  for (QWidget* w = widget; w; w = w->parentWidget()) {
    const int context = w->property(kHelpContextProperty).toInt();
    if (context == platform::kNoHelpContext) break;
    if (context > 0) {
      bool callHelp = true;
      HelpHandler(HELP_CONTEXT, context, callHelp);
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}
