// objeditor: TovObjectEditor, what every object editor window shares: the
// name panel, the command bar and its actions, the pages, the caption and
// the one-window-per-object rule, opening and writing a script, the page-
// change and reload questions, the three compile variants and the delete.
// An editor supplies its kind, its pages, how it reads its object and the
// statements it builds (the rules themselves: objedit/core/objeditcore).
#pragma once

#include <QTabWidget>

#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "app/core/fobjddlcore.h"
#include "app/core/odsql.h"
#include "app/core/ovmainwin.h"
#include "app/ovforms.h"
#include "objedit/core/objeditcore.h"
#include "ui/ovstdctl.h"
#include "ui/zarurctl.h"

class QAction;
class QListWidget;
class QMenu;
class QToolBar;
class TfraCross;
class TfraGrant;
class TovMemo;
class TovStrEdit;

// How an editor runs its statements.
enum class TCompileVariant {
  Previewed,      // preview, then the execution window
  Transactional,  // the same inside a transaction of its own, rolled back on failure
  Direct,         // the batches at once without the execution window
};
// Whether the delete question offers "CASCADE オプション", and ticked or not.
enum class TCascadeOffer { None, Clear, Ticked };

// The data source name an editor's caption shows.
std::string CaptionDataSource(TovConnectionWindow& owner, const TEditorKind& kind);
// A combo box that refills its items before it drops down.
class TRefillingCombo : public TovComboBox {
 public:
  TRefillingCombo(QWidget* parent, std::function<void()> refill);
  void showPopup() override;

 private:
  std::function<void()> refill_;
};

// An editor's action with its caption, hint and image of the main list.
QAction* MakeAction(QWidget* owner, const char* name, const char* caption, const char* hint, int image);
// A pane with its title over the control, which it takes as its child.
QWidget* TitledPane(QWidget* parent, const char* title, QWidget* control);
// Runs the handler after every resize of the widget.
void OnResize(QWidget& widget, std::function<void()> handler);
// Delete pressed in the widget runs the handler (reported).
void OnDeleteKey(QWidget& widget, std::function<void()> handler);
// Revokes the selected lines of a privilege list after the question: the
// statement of each line, in list order, runs at once; the list is reloaded
// whether all ran or the first failure ended the run (the failure is then
// raised), and "権限を取り消しました。" follows a complete run.
void RevokeSelected(QListWidget& list, TovConnectionWindow& connection,
                    const std::function<std::string(size_t index)>& statement, const std::function<void()>& reload);
// Brings the MDI child forward; the editors' twin check.
void ShowTwin(QWidget& form);
// The twin rule: an open window of class T with `caption` is brought
// forward and the construction aborts silently (EAbort).
template <class T>
void AbortForOpenTwin(const std::string& caption) {
  if (TovMainWindow* main = ControlOptionsWindow())
    for (QWidget* window : main->ChildWindows())
      if (qobject_cast<T*>(window) && window->windowTitle().toStdString() == caption) {
        ShowTwin(*window);
        throw EAbort();
      }
}

class TovObjectEditor : public TovForm {
  Q_OBJECT

 public:
  TovObjectEditor(TovConnectionWindow& owner, TEditorKind kind, TPageModes pageModes);

  // The two constructors of an editor class T (built from its owner, its
  // kind in T::kKind), as RegisterObjectEditor takes them. CreateEditor
  // brings a window of T that already shows the object forward and raises
  // EAbort (new objects never have a twin), else opens a new window;
  // CreateScript writes the object's CREATE text without showing one.
  template <class T>
  static TovForm* CreateEditor(TovConnectionWindow& owner, const TOpenArgs& args);
  template <class T>
  static void CreateScript(TovConnectionWindow& owner, const TScriptArgs& args, std::ostream& stream);
  // The rest of CreateEditor: task button, schema and name, the page of the
  // page mode, IsNew, and the load of that page (EAbort when the object is
  // gone).
  void OpenEditor(const TOpenArgs& args);
  // CreateScript: the CREATE text of the object into the stream, each line
  // ended by CR LF; nothing when the object cannot be read.
  void WriteScript(const TScriptArgs& args, std::ostream& stream);
  // Loads the object's definition page without showing the window, as the
  // invisible script and report writers do.
  void LoadInvisible(const std::string& schema, const std::string& name);

  std::string SchemaName() const;
  std::string ObjectName() const;
  TEditorPage ActivePage() const;
  const TEditorKind& Kind() const { return kind_; }

  // ---- TovForm ----
  void ChangedIsNew() override;
  void Compile(QObject* sender) override;
  void Reload(QObject* sender) override;
  void LoadWindowSize() override;
  void SaveWindowSize() override;
  void CodeAssist(int x, int y) override;

  // ---- shared handlers ----
  void actDeleteExecute();
  // False keeps the current page.
  bool pagObjectChanging();
  void pagObjectChange();

  QToolBar* tolCmd = nullptr;
  QWidget* pnlName = nullptr;
  TovComboBox* cmbSchema = nullptr;
  TovStrEdit* txtName = nullptr;
  QTabWidget* pagObject = nullptr;
  QWidget* tabDefine = nullptr;
  QWidget* tabSource = nullptr;
  TovMemo* txtSource = nullptr;
  QAction* actCompile = nullptr;
  QAction* actRefresh = nullptr;
  QAction* actDelete = nullptr;
  QAction* actExit = nullptr;
  // The editor's menu, shown in the main window's bar while it is active.
  QMenu* mnuObject = nullptr;
  TovSQLQuery qrySQL;

 protected:
  // The schema and name checks of a compile; false ends it (the check
  // showed its message).
  bool CheckNames();
  // Reads the object into the controls; false when it does not exist.
  virtual bool LoadObject() = 0;
  // The object's CREATE text as the source page shows it.
  virtual std::vector<std::string> SourceLines() = 0;
  // The statements of a compile on `page`, each followed by a separator line.
  virtual std::vector<std::string> BuildStatements(TEditorPage page) = 0;
  // The editor's own checks after schema and name; false ends the compile
  // (the check showed its message).
  virtual bool CheckDefinition() { return true; }
  virtual TCompileVariant Variant() const { return TCompileVariant::Previewed; }
  // Hooks of an editor that does more than the protocol: after the schema
  // list of CreateEditor; before and after every load (LoadObject runs
  // between them for an object that exists); after a compile ran (false
  // when the window closed instead of reloading); the delete's statements.
  virtual void Opening(const TOpenArgs&) {}
  virtual void PrepareLoad() {}
  virtual void FinishLoad() {}
  // After a load is complete and Changed cleared (the data page's query).
  virtual void Loaded() {}
  virtual bool Compiled() { return true; }
  // The editor's own clean-up once a compile ran without error, or found
  // nothing to run (before the reload).
  virtual void CompileCleanUp() {}
  // Whether a compile with nothing to run reloads the page.
  virtual bool ReloadsWhenNothingChanged() const { return true; }
  virtual void RunDelete(bool cascade);
  // After the protocol's actions were enabled or disabled for Changed, IsNew
  // and the page.
  virtual void ActionsUpdated() {}
  virtual TCascadeOffer CascadeOffer() const { return TCascadeOffer::None; }
  // Whether a page is shown while the object is new.
  virtual bool PageShownWhileNew(TEditorPage page) const { return !PageNeedsObject(page); }

  // Adds a page of the editor's own; the definition and source pages exist.
  void AddPage(TEditorPage page, QWidget* widget, const std::string& caption);
  // Takes away a page the editor does not have (the routine editor has no
  // definition page).
  void RemovePage(TEditorPage page);
  // The 権限 and 相関 pages with their frames, and their load when one of
  // them is the active page.
  void AddFramePages(QWidget*& tabGrant, TfraGrant*& fraGrant, QWidget*& tabCross, TfraCross*& fraCross);
  void LoadFramePage(TfraGrant& fraGrant, TfraCross& fraCross);
  // "生成(&W)" appended to the editor's menu: the test-data generator on
  // the object through the handler its subsystem registers.
  QAction* AddDataGenerateAction(const char* hint, int image);
  // Whether that handler is registered (the action stays disabled before).
  static bool DataGenerateRegistered();
  // The delete's DROP in a transaction of its own (table and view).
  void DeleteInTransaction(bool cascade);
  // Marks the window changed on any edit of the control.
  void WatchChanges(QWidget* control);
  void MarkChanged();
  // Reloads the active page: the object, the source text, Changed cleared.
  void LoadActivePage();
  // The lines of the source page as edited.
  std::vector<std::string> EditedSource() const;

 private:
  void setupUi();
  // actCompileUpdate and actDeleteUpdate: compile while changed or on the
  // source page, delete an object that exists.
  void UpdateActions();
  void ActivatePage(TEditorPage page);
  void PageIndexChanged(int index);
  void CompileWith(const std::vector<std::string>& list);

  TEditorKind kind_;
  TPageModes pageModes_;
  std::map<TEditorPage, QWidget*> pages_;
  int currentIndex_ = 0;
  bool switching_ = false;
};

template <class T>
TovForm* TovObjectEditor::CreateEditor(TovConnectionWindow& owner, const TOpenArgs& args) {
  if (!args.Name.empty()) {
    AbortForOpenTwin<T>(EditorCaption(T::kKind, args.Schema, args.Name, CaptionDataSource(owner, T::kKind), false));
  }
  auto* form = new T(owner);
  try {
    form->OpenEditor(args);
  } catch (...) {
    form->Discard();
    throw;
  }
  return form;
}

template <class T>
void TovObjectEditor::CreateScript(TovConnectionWindow& owner, const TScriptArgs& args, std::ostream& stream) {
  auto* form = new T(owner);
  try {
    form->WriteScript(args, stream);
  } catch (...) {
    form->Discard();
    throw;
  }
  form->Discard();
}
