#include "app/ovforms.h"

#include <QCloseEvent>
#include <QFont>
#include <QKeySequence>
#include <QMdiSubWindow>
#include <QShortcut>
#include <QTabWidget>
#include <QToolButton>

#include "app/core/odsql.h"
#include "app/core/ovmainwin.h"
#include "app/core/ovreg.h"
#include "app/core/zarur.h"
#include "app/ovhhelp.h"
#include "app/zarurmemo.h"
#include "editor/ovmemo.h"
#include "platform/qstr.h"
#include "ui/ovstdctl.h"
#include "ui/zarurctl.h"

namespace {

constexpr const char* kEllipsis = "…";
// Defaults every object window starts from unless it sets its own.
constexpr int kDefaultClientWidth = 308;
constexpr int kDefaultClientHeight = 162;
constexpr const char* kDefaultFontName = "ＭＳ Ｐゴシック";
constexpr int kDefaultFontPixels = 12;

TovMainWindow* MainOf(QWidget* widget) {
  if (!widget) return nullptr;
  if (auto* main = dynamic_cast<TovMainWindow*>(widget)) return main;
  return dynamic_cast<TovMainWindow*>(widget->window());
}

QTabWidget* FindFirstPageControl(QObject* parent) {
  for (QObject* child : parent->children()) {
    if (auto* pages = qobject_cast<QTabWidget*>(child)) return pages;
    if (QTabWidget* found = FindFirstPageControl(child)) return found;
  }
  return nullptr;
}

}  // namespace

std::string SchemaPrefixText(const std::string& schema, const std::string& ownerSchema, bool scriptMode,
                             int schemaOption, const std::string& userName) {
  if (scriptMode) {
    if (schemaOption == kSchemaUnlessLoginUser && Trim(schema) == userName) return "";
    if (schemaOption == kSchemaUnlessOwner && Trim(schema) == Trim(ownerSchema)) return "";
    if (schemaOption > kSchemaUnlessOwner) return "";
  }
  if (Trim(schema).empty()) return "";
  return QuoteIdent(schema) + ".";
}

std::string TaskCaptionText(const std::string& caption) {
  if (DisplayWidth(caption) <= kTaskCaptionWidth) return caption;
  return CutToWidth(caption, kTaskCaptionWidth) + kEllipsis;
}

TovConnectionWindow* AsConnectionWindow(QWidget* window) { return dynamic_cast<TovConnectionWindow*>(window); }

namespace {
// Every TovForm alive, whatever its owner and frame.
std::vector<TovForm*>& LiveForms() {
  static std::vector<TovForm*> forms;
  return forms;
}
}  // namespace

void ReleaseConnectionWindow(TovConnectionWindow* connection) {
  const std::vector<TovForm*> forms = LiveForms();
  for (TovForm* form : forms)
    if (form->ConnectionWindow == connection) form->SetConnectionWindow(nullptr);
}

TovForm::TovForm(QWidget* owner, TPlace place) : QWidget(nullptr) {
  TovConnectionWindow* connection = AsConnectionWindow(owner);
  if (!connection) {
    if (auto* main = dynamic_cast<TovMainWindow*>(owner))
      connection = AsConnectionWindow(main->CurrentConnection());
    else if (auto* form = qobject_cast<TovForm*>(owner))
      connection = form->ConnectionWindow;
  }
  Init(owner, connection, place);
}

TovForm::TovForm(TovConnectionWindow& owner) : QWidget(nullptr) { Init(owner.Window(), &owner, TPlace::MdiChild); }

void TovForm::Init(QWidget* owner, TovConnectionWindow* connection, TPlace place) {
  LiveForms().push_back(this);
  SetDesignSize(kDefaultClientWidth, kDefaultClientHeight);
  QFont face(kDefaultFontName);
  face.setPixelSize(kDefaultFontPixels);
  setFont(face);
  owner_ = owner;
  // The connection window's close query asks the windows it owns.
  if (AsConnectionWindow(owner)) SetFormOwner(this, owner);
  if (auto* form = qobject_cast<TovForm*>(owner))
    main_ = form->MainWindow();
  else
    main_ = MainOf(owner);
  if (main_ && place == TPlace::MdiChild) {
    QMdiSubWindow* sub = main_->AddChildWindow(this);
    connect(sub, &QMdiSubWindow::aboutToActivate, this, &TovForm::Activate);
  } else if (main_) {
    setParent(main_->Window(), Qt::Window);
  }
  connect(this, &QWidget::windowTitleChanged, this, [this](const QString& title) {
    if (TaskButton) TaskButton->setToolTip(title);
  });
  const auto pageKey = [this](const QKeySequence& keys, bool pageUp) {
    auto* shortcut = new QShortcut(keys, this);
    shortcut->setContext(Qt::WidgetWithChildrenShortcut);
    connect(shortcut, &QShortcut::activated, this, [this, pageUp] { FormKeyDown(pageUp); });
  };
  pageKey(QKeySequence(Qt::CTRL | Qt::Key_PageUp), true);
  pageKey(QKeySequence(Qt::CTRL | Qt::Key_PageDown), false);
  LowerNames = AppOption.UserLowerName;
  if (connection) SetConnectionWindow(connection);
}

// The bar's action owns the button, so both go with the window.
TovForm::~TovForm() {
  std::erase(LiveForms(), this);
  delete taskAction_.data();
}

QWidget* TovForm::Frame() {
  if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) return sub;
  return this;
}

void TovForm::Discard() {
  QWidget* frame = Frame();
  if (frame == this)
    delete this;
  else
    delete frame;
}

void TovForm::SetConnectionWindow(TovConnectionWindow* connection) {
  if (connection == ConnectionWindow) return;
  ConnectionWindow = connection;
  RebindQueries();
}

void TovForm::RebindQueries() {
  for (TovSQLQuery* query : queries_) {
    query->Close();
    query->SetConnection(ConnectionWindow ? &ConnectionWindow->Module().Connection : nullptr);
  }
}

void TovForm::AddQuery(TovSQLQuery* query) {
  queries_.push_back(query);
  if (ConnectionWindow) query->SetConnection(&ConnectionWindow->Module().Connection);
}

// The icon of the kind comes with the main window's image list; until then
// the window only keeps the kind.
void TovForm::SetImageIndex(int32_t index) { ImageIndex = index; }

void TovForm::SetHelpContext(int context) { setProperty(kHelpContextProperty, context); }

void TovForm::SetIsNew(bool isNew) {
  IsNew = isNew;
  ChangedIsNew();
}

void TovForm::SetChanged(bool changed) { Changed = changed; }

void TovForm::CreateTaskButton() {
  if (TaskButton || !main_) return;
  auto* button = new QToolButton();
  button->setToolTip(windowTitle());
  button->setProperty("Tag", QVariant::fromValue(static_cast<QObject*>(this)));
  button->setCheckable(true);
  button->setAutoExclusive(true);
  // Appended last, so that it lands at the right end of the bar.
  taskAction_ = main_->AddTaskButton(button);
  button->setChecked(true);
  connect(button, &QToolButton::clicked, this, &TovForm::TaskButtonClick);
  TaskButton = button;
}

void TovForm::SetTaskCaption(const std::string& text) {
  if (TaskButton) TaskButton->setText(Q(TaskCaptionText(text)));
}

void TovForm::TaskButtonClick() {
  QWidget* frame = Frame();
  frame->show();
  if (auto* sub = qobject_cast<QMdiSubWindow*>(frame)) main_->ShowChildWindow(sub);
}

std::string TovForm::SchemaPrefix(const std::string& schema) const { return SchemaPrefixFor(schema, schema); }

std::string TovForm::SchemaPrefixFor(const std::string& schema, const std::string& ownerSchema) const {
  const std::string user = ConnectionWindow ? ConnectionWindow->Module().GetUserName() : "";
  return SchemaPrefixText(schema, ownerSchema, ScriptMode, ScriptOption.Schema, user);
}

void TovForm::Activate() {
  if (ConnectionWindow && main_) {
    main_->SelectConnectionEntry(ConnectionWindow->Window());
    main_->ApplyConnectionState();
  }
  if (TaskButton) TaskButton->setChecked(true);
}

bool TovForm::CloseQuery() {
  bool result = true;
  if (Changed) {
    const int answer = MsgBox(kChangedQuestion, MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDCANCEL) result = false;
    if (answer == IDYES) {
      try {
        Compile(this);
      } catch (const std::exception& e) {
        MsgBox(e.what(), MB_ICONERROR);
      }
      if (Changed) result = false;
    }
  }
  if (result) SaveWindowSize();
  return result;
}

bool TovForm::AgreeToClose() {
  closeAgreed_ = CloseQuery();
  return closeAgreed_;
}

void TovForm::closeEvent(QCloseEvent* event) {
  if (!closeAgreed_ && !CloseQuery()) {
    event->ignore();
    return;
  }
  setAttribute(Qt::WA_DeleteOnClose);
  event->accept();
}

bool TovForm::event(QEvent* event) {
  switch (static_cast<int>(event->type())) {
    case kMsgConnectionsChanged:
      DBChange(this);
      return true;
    case kMsgReload:
      Reload(this);
      return true;
    case kMsgCodeAssist: {
      const auto* message = static_cast<TWindowMessage*>(event);
      CodeAssist(static_cast<int>(message->WParam), static_cast<int>(message->LParam));
      return true;
    }
    default:
      return QWidget::event(event);
  }
}

void TovForm::CodeAssist(int x, int y) {
  auto* editor = qobject_cast<TovMemo*>(focusWidget());
  if (!ConnectionWindow || !editor) return;
  TovSQLQuery query(&ConnectionWindow->Module().Connection);
  CodeAssistFor(*editor, query, x, y);
}

void RunReported(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const EAbort&) {
  } catch (const std::exception& e) {
    MsgBox(e.what(), MB_ICONERROR);
  }
}

void TovForm::CodeAssistFor(TovMemo& editor, TovSQLQuery& query, int x, int y) {
  if (!ConnectionWindow) return;
  TdmSymfoware& module = ConnectionWindow->Module();
  RunReported([&] {
    BuildCodeAssistList(editor, *this, query, module.GetDataSourceName(), module.GetUserName(),
                        ServerVersionOfLevel(ConnectionWindow->Level()), x, y);
  });
}

void TovForm::ShowErrorPosition(TovMemo& editor, TovSQLQuery& query, int firstLine, int lastLine,
                                const std::string& message) {
  const std::string owner = ConnectionWindow ? ConnectionWindow->Module().GetUserName() : "";
  ShowSQLErrorPosition(editor, query, owner, firstLine, lastLine, message);
}

void TovForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (setupDone_) return;
  setupDone_ = true;
  ApplyControlSetup();
  LoadWindowSize();
}

void TovForm::ApplyControlSetup() {
  LowerNames = AppOption.UserLowerName;
  // Every SQL editor follows the user's editor settings.
  for (TovMemo* memo : findChildren<TovMemo*>()) ApplyControlOptions(memo);
  if (LowerNames) {
    for (TovStrEdit* edit : findChildren<TovStrEdit*>()) edit->SetCharCase(ecNormal);
    for (TovComboBox* combo : findChildren<TovComboBox*>()) combo->SetCharCase(ecNormal);
  }
  FirstPageControl = FindFirstPageControl(this);
}

void TovForm::FormKeyDown(bool pageUp) {
  if (!FirstPageControl || FirstPageControl->count() <= 1) return;
  FirstPageControl->setFocus();
  const int index = FirstPageControl->currentIndex() + (pageUp ? -1 : 1);
  if (index >= 0 && index < FirstPageControl->count()) FirstPageControl->setCurrentIndex(index);
}

namespace {
bool Resizable(const QWidget& frame) { return !(frame.windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)); }
}  // namespace

TWindowSize LeastSizeOf(const QWidget& window) {
  const QSize least = window.minimumSizeHint().expandedTo(window.minimumSize());
  return {least.width(), least.height()};
}

QSize FrameSizeFor(const QWidget& frame, const QWidget& window, QSize design) {
  return &frame == &window ? design : design.grownBy(frame.contentsMargins());
}

void LoadWindowSizeOf(QWidget& window, const std::string& keyName, QSize design) {
  platform::KeyScope key(AppRegistry);
  if (!AppRegistry.OpenKey(GuiKey(keyName), true) || !Resizable(window)) return;
  const TWindowSize size = ReadWindowSize(AppRegistry, {design.width(), design.height()}, LeastSizeOf(window));
  window.resize(size.Width, size.Height);
}

void SaveWindowSizeOf(const QWidget& window, const std::string& keyName) {
  platform::KeyScope key(AppRegistry);
  if (!AppRegistry.OpenKey(GuiKey(keyName), true) || !Resizable(window)) return;
  WriteWindowSize(AppRegistry, {window.width(), window.height()});
}

void TovForm::SetDesignSize(int width, int height) {
  designSize_ = QSize(width, height);
  resize(designSize_);
}

void TovForm::LoadWindowSizeFrom(const std::string& keyName) {
  QWidget* frame = Frame();
  LoadWindowSizeOf(*frame, keyName, FrameSizeFor(*frame, *this, designSize_));
}

void TovForm::SaveWindowSizeTo(const std::string& keyName) { SaveWindowSizeOf(*Frame(), keyName); }
