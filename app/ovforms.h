// ovforms: TovForm, the base of the object editors and tool windows: an MDI
// child of the main window bound to one connection window, with a task-bar
// button, the question about unsaved changes on close, page switching by
// Ctrl+PgUp/PgDn, the schema prefix of generated SQL, and the virtual
// operations through which other windows talk to it.
#pragma once

#include <QEvent>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "app/core/ovabort.h"
#include "app/core/ovconnwin.h"
#include "app/core/ovmsg.h"
#include "app/core/ovreg.h"

class QAction;
class QTabWidget;
class QToolButton;
class TovMainWindow;
class TovMemo;
class TovSQLQuery;


// Runs a command or signal handler: an abort ends it quietly, any other
// error is shown in an error box (no exception may leave a Qt slot).
void RunReported(const std::function<void()>& handler);

// Task-button captions longer than this many columns are cut.
inline constexpr int kTaskCaptionWidth = 12;
inline constexpr const char* kChangedQuestion = "情報が変更されています。コンパイルしますか？";

// The text put before an object name in generated SQL (see SchemaPrefixFor).
std::string SchemaPrefixText(const std::string& schema, const std::string& ownerSchema, bool scriptMode,
                             int schemaOption, const std::string& userName);
// A task-button caption: cut to kTaskCaptionWidth columns plus "…".
std::string TaskCaptionText(const std::string& caption);

// The connection window behind a widget, or none.
TovConnectionWindow* AsConnectionWindow(QWidget* window);
// Unbinds every window bound to a connection window that is closing, so that
// none of them reaches its connection once it is gone.
void ReleaseConnectionWindow(TovConnectionWindow* connection);

// A window's size under "GUI\<keyName>" ("Width" and "Height"), read and
// written only while the window is neither minimised nor maximised. Without
// a stored size, or with one below what the window's controls need, the
// window takes `design`.
void LoadWindowSizeOf(QWidget& window, const std::string& keyName, QSize design);
// The size of `frame` that gives the window inside it `design`: an MDI frame
// keeps its title bar and borders as its contents margins.
QSize FrameSizeFor(const QWidget& frame, const QWidget& window, QSize design);
// The smallest size a window's controls fit in.
TWindowSize LeastSizeOf(const QWidget& window);
void SaveWindowSizeOf(const QWidget& window, const std::string& keyName);

class TovForm : public QWidget {
  Q_OBJECT

 public:
  // Where the window lives: an MDI child of the main window, or a window of
  // its own above it (one shown modally).
  enum class TPlace { MdiChild, OwnWindow };
  // The owner is a connection window, the main window or another TovForm;
  // the window becomes an MDI child of the main window when there is one.
  explicit TovForm(QWidget* owner, TPlace place = TPlace::MdiChild);
  // Bound to a connection window and owned by it.
  explicit TovForm(TovConnectionWindow& owner);
  ~TovForm() override;

  TovConnectionWindow* ConnectionWindow = nullptr;
  int32_t ImageIndex = 0;
  bool IsNew = false;
  bool Changed = false;
  bool LowerNames = false;
  QPointer<QToolButton> TaskButton;
  QTabWidget* FirstPageControl = nullptr;
  bool ScriptMode = false;

  QWidget* Owner() const { return owner_; }
  // The main window the form lives in, or none.
  TovMainWindow* MainWindow() const { return main_; }

  void SetConnectionWindow(TovConnectionWindow* connection);
  void SetImageIndex(int32_t index);
  // The help topic F1 opens for the window and the controls in it.
  void SetHelpContext(int context);
  void SetIsNew(bool isNew);
  void SetChanged(bool changed);
  void CreateTaskButton();
  void SetTaskCaption(const std::string& text);
  std::string SchemaPrefix(const std::string& schema) const;
  std::string SchemaPrefixFor(const std::string& schema, const std::string& ownerSchema) const;

  // Queries of the window follow its connection window.
  void AddQuery(TovSQLQuery* query);

  // The close question; false keeps the window open.
  virtual bool CloseQuery();
  // The close question asked ahead of the close by a window that closes
  // many at once: a window that agrees is not asked again when it closes,
  // until the agreement is withdrawn (another window refused).
  bool AgreeToClose();
  void WithdrawCloseAgreement() { closeAgreed_ = false; }

  virtual void ChangedIsNew() {}
  virtual void Compile(QObject* sender) { (void)sender; }
  virtual void Reload(QObject* sender) { (void)sender; }
  virtual void DBChange(QObject* sender) { (void)sender; }
  virtual void LoadWindowSize() {}
  virtual void SaveWindowSize() {}
  // The code-assist request of an SQL editor at the caret (x, y): the
  // focused editor of a window bound to a connection window gets its list.
  virtual void CodeAssist(int x, int y);
  // The SQL editor services for windows of other subsystems: the code-
  // assist list of `editor` at (x, y), asked through `query` (errors in a
  // box), and the caret placed where the statement in rows first..last
  // failed with `message`.
  void CodeAssistFor(TovMemo& editor, TovSQLQuery& query, int x, int y);
  void ShowErrorPosition(TovMemo& editor, TovSQLQuery& query, int firstLine, int lastLine, const std::string& message);

  void Activate();
  void TaskButtonClick();
  // Destroys the window with its frame at once (a construction that failed).
  void Discard();

 protected:
  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

  // The registry contract of LoadWindowSize and SaveWindowSize under
  // "GUI\<keyName>", for descendants that keep a size.
  void LoadWindowSizeFrom(const std::string& keyName);
  void SaveWindowSizeTo(const std::string& keyName);
  // Called once the descendant has built its controls (on the first show).
  void ApplyControlSetup();
  // The MDI frame around the window, or the window itself when it has none.
  QWidget* Frame();
  // The size the window opens at when it has no stored size.
  void SetDesignSize(int width, int height);

 private:
  QSize designSize_;
  void Init(QWidget* owner, TovConnectionWindow* connection, TPlace place);
  void RebindQueries();
  void FormKeyDown(bool pageUp);

  QPointer<QWidget> owner_;
  QPointer<QAction> taskAction_;
  TovMainWindow* main_ = nullptr;
  std::vector<TovSQLQuery*> queries_;
  bool setupDone_ = false;
  bool closeAgreed_ = false;
};
