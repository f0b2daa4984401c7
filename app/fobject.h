// fobject: the connection window, one MDI child of the main window per
// logon: it owns the logon's connection, probes the server once, registers
// itself in the main window's connection list, runs every statement of the
// windows bound to the logon and reads the catalogue lists they need.
#pragma once

#include <QByteArray>
#include <QEvent>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/core/dsymfoware.h"
#include "app/core/fobjcmdcore.h"
#include "app/core/fobjreportcore.h"
#include "app/core/ovconnwin.h"
#include "app/core/ovmsg.h"
#include "ui/ovcomctrls.h"

class QAction;
class QComboBox;
class QMenu;
class QSplitter;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class QTimer;
class TovMainWindow;
class TovForm;

class TfrmObject;

// The connection window that owns a window (see kOwnerProperty), or none.
TfrmObject* FormOwner(const QWidget* form);

// Makes every successful logon of the logon dialog open a connection
// window in `main`.
void InstallConnectionWindows(TovMainWindow* main);

class TfrmObject : public QWidget, public TovConnectionWindow {
  Q_OBJECT

 public:
  // Connects as `user` to `dataSource`, probes the server and registers
  // the window with `owner`; a failed logon raises the connection's error
  // and leaves nothing registered.
  TfrmObject(TovMainWindow* owner, const std::string& password, const std::string& user, const std::string& dataSource);
  // Takes over the connected data module of a logon, then probes and
  // registers as above; an error of the probes leaves nothing registered.
  TfrmObject(TovMainWindow* owner, std::unique_ptr<TdmSymfoware> dataModule);
  ~TfrmObject() override;

  // ---- SQL routines; all four share qryExec ----
  // Runs one statement; "COMMIT" and "ROLLBACK" end the transaction.
  void ExecSQL(const std::string& sql) override;
  // Runs the statements between separator lines; with ignoreErrors a
  // failing statement does not stop the others.
  void ExecScript(const std::vector<std::string>& lines, bool ignoreErrors) override;
  // The opened result of a query, valid until the next call of any of the
  // four routines.
  TovSQLQuery& OpenSQL(const std::string& sql) override;
  // The same for a query with ":NAME" markers, the i-th taking values[i].
  TovSQLQuery& OpenSQLParams(const std::string& sql, const std::vector<std::string>& values) override;

  // ---- catalogue lists; each clears `strings` first ----
  void GetUserList(std::vector<std::string>& strings, bool addPublic) override;
  void GetSchemaList(std::vector<std::string>& strings, bool unused = false) override;
  void GetDatabaseList(std::vector<std::string>& strings);
  void GetTableDSOList(std::vector<std::string>& strings, const std::string& schema,
                       const std::string& table) override;
  void GetDSIList(std::vector<std::string>& strings) override;
  void GetTableDSIList(std::vector<std::string>& strings, const std::string& schema,
                       const std::string& table) override;
  std::string GetDBCode(const std::string& dbName) override;
  TObjectCount ObjectCount() const override;
  std::string GetSchemaCode(const std::string& dbName, const std::string& schemaName) override;
  std::string GetTableCode(const std::string& dbName, const std::string& schemaName,
                           const std::string& tableName) override;
  void GetObjectNames(std::vector<std::string>& strings, const std::string& schemaPattern,
                      const std::string& kindPattern) override;
  void GetDBSpaceList(std::vector<std::string>& strings) override;
  void GetRoleList(std::vector<std::string>& strings) override;

  // ---- object tree and list, open-object dispatch, DDL ----
  void BuildTree() override;
  void FillObjectList(bool skipFind);
  TovForm* OpenObject(int kind, const std::string& schema, const std::string& name, uint8_t mode, int reserved,
                      int topCount);
  void GenerateDDL(int kind, const std::string& schema, const std::string& name, std::ostream& stream,
                   const std::string& newSchema, const std::string& newName);
  // The GRANT statements of the object selected in lstObject.
  void WriteGrantDDL(const std::string& owner, std::ostream& stream);
  void SaveSourceBefore(const std::string& schema, const std::string& name, int kind);
  void SaveSourceAfter(const std::string& schema, const std::string& name, int kind);

  QWidget* Window() override { return this; }
  TdmSymfoware& Module() override { return *DataModule; }
  int32_t Level() const override { return CatalogLevel; }
  bool IsRemote() const override { return Remote; }
  bool LevelReduced() const override { return levelReduced_; }

  void LoadWindowSize();
  void SaveWindowSize();
  void TaskButtonClick();

  // The connection label "USER @ DSN".
  std::string ConnectionLabel() const;

  // ---- commands (fobjcmd.cpp) ----
  // The action or menu of this name ("actOpen", "mnuNew1" ...), or none.
  QAction* Action(const std::string& name) const;
  // The availability rules on the menus; run when the menu opens, when the
  // list is clicked and at construction.
  void mnuObjectClick();
  // Runs a command as its menu item does, under the availability rules.
  void RunObjectCommand(const std::string& name);
  void popTreePopup();
  // Takes over the short-cuts of the main window's actions of the same name.
  void CopyObjectShortCuts();
  // The list options after the options dialog: the search panel and row
  // selection, and with a changed TreeSort its order button pressed.
  void ApplyListOptions(bool treeSortChanged);
  // `sender` is an action of a kind or a new-object button (its image).
  void actNewExecute(QObject* sender);
  void actOpenExecute();
  void actOpenDefineExecute();
  void actOpenSourceExecute();
  void actOpenDataExecute();
  void actOpenDataTopExecute();
  void actExecExecute();
  void actCompileExecute();
  void actScriptExecute();
  void actPrintExecute();
  void actSynonymExecute();
  void actCrossExecute();
  void actCopyExecute();
  void actPasteExecute();
  void actDeleteExecute();
  void actAddWorkSpaceExecute();
  void actGrepExecute();
  void btnTreeClick();
  void btnLevel0Click();
  void btnLevel1Click();
  void cmbTreeChange(int index);
  void cmbFindEnter();
  void lstObjectEnter();
  // Copies the main window's user-command menu into mnuCommand.
  void CopyUserCommandMenu();
  // `sender` is a copied item or the main window's: its caption names the
  // command.
  void UserCommandClick(QObject* sender);
  void RunUserCommand(const std::string& name);
  // Copies the main window's report menu into mnuReport.
  void CopyReportMenu();
  // `sender` is a report entry: its caption names the definition, its
  // "Tag" the output mode.
  void ReportClick(QObject* sender);
  // The object list report of the selected objects into `output`; false
  // when an error was shown.
  bool ReportSelectedObjects(const std::string& definitionName, const std::string& output);
  // The DDL of the selected objects into the print job.
  void PrintSelectedObjects();
  // The selected items of the object list, in list order.
  std::vector<TObjectItem> SelectedObjects() const override;
  void WalkSelected(bool makeVisible, const std::function<void(const TObjectItem&)>& work) override;
  // The drag data of the selected items.
  QByteArray DragData() const;

  // "オブジェクトリスト(&O)", shown in the main window's bar while the
  // window is active, and the list's pop-up.
  QMenu* mnuObject = nullptr;
  QMenu* mnuNew1 = nullptr;
  QMenu* mnuReport = nullptr;
  QMenu* mnuCommand = nullptr;
  QMenu* popTree = nullptr;

  QTreeWidgetItem* PopupNode = nullptr;
  std::string ColumnKey;
  QToolButton* TaskButton = nullptr;
  int32_t ServerVersion = 9;
  int32_t CatalogLevel = 9;
  bool Remote = false;
  int32_t SchemaFilter = 0;
  TdmSymfoware* DataModule = nullptr;

  QWidget* pnlTree = nullptr;
  QToolBar* pnlTool = nullptr;
  QToolButton* btnTree1 = nullptr;
  QToolButton* btnTree2 = nullptr;
  QToolButton* btnLevel0 = nullptr;
  QToolButton* btnLevel1 = nullptr;
  QComboBox* cmbTree = nullptr;
  QTreeWidget* lstTree = nullptr;
  QSplitter* spl1 = nullptr;
  QWidget* pnlObject = nullptr;
  QWidget* pnlFind = nullptr;
  QToolButton* btnWhere = nullptr;
  QToolButton* btnGrep = nullptr;
  QComboBox* cmbFind = nullptr;
  TovListView* lstObject = nullptr;

  TovSQLQuery qryExec;
  TovSQLQuery qryObject;

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  bool levelReduced_ = false;

  void setupUi();
  static std::unique_ptr<TdmSymfoware> Connect(TovMainWindow* owner, const std::string& password, const std::string& user,
                                               const std::string& dataSource);
  void Register();
  void CreateTaskButton();
  void FormActivate();
  bool FormCloseQuery();
  void FormClose();
  void NotifyConnectionsChanged();
  bool RowExists(const std::string& sql, const std::vector<std::string>& values);
  void CommitOpenTransaction();
  using TReportReader = std::function<std::vector<std::string>(const std::vector<std::string>&)>;
  void GetTableStorageList(std::vector<std::string>& strings, const std::string& schema, const std::string& table,
                           const char* catalogueSql, const TReportReader& fromReport);
  std::string FirstValue(const std::string& sql, const std::vector<std::string>& values);
  void FillList(std::vector<std::string>& strings, const std::string& sql, const std::vector<std::string>& values,
                bool trimmed);

  void ConnectTreeAndList();
  void setupCommands();
  QAction* AddAction(const std::string& name, const std::string& caption, std::function<void()> run);
  void RunTreeCommand(const char* handler);
  void RunListCommand(const char* handler);
  void OpenSelected(uint8_t mode, int topCount);
  void DeleteSelected();
  void WriteScripts(const std::string& target, const std::string& nameTable);
  void SearchObjects(const TGrepRequest& request);
  TObjectMenuInput MenuInput() const;

  void RefillObjectList();
  void WriteObjectList(const std::string& definitionName, const std::vector<TListReportEntry>& entries,
                       const std::string& output);
  bool ReportObjectFiles(const std::string& definitionName, const std::string& folder);
  bool ReportObjectSheets(const std::string& definitionName, const std::string& output);

  TovMainWindow* main_;
  QTimer* treeChangeDelay_ = nullptr;
  // A fill lets events through between rows (a timer, a reload message);
  // one that asks for a fill then is served once the running fill is over.
  bool filling_ = false;
  bool refillWanted_ = false;
  std::unique_ptr<TdmSymfoware> dataModule_;
  bool registered_ = false;
  std::map<std::string, QAction*> actions_;
  int previousTreeFilter_ = 0;
};
