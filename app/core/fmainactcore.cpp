#include "app/core/fmainactcore.h"

#include <algorithm>

#include "app/core/ovconnwin.h"
#include "app/core/ovkinds.h"
#include "app/core/zarur.h"

namespace {

constexpr TActionRunner kMain = TActionRunner::Main;
constexpr TActionRunner kExternal = TActionRunner::External;
constexpr TActionRunner kShortCutOnly = TActionRunner::ShortCutOnly;
constexpr int kNoImage = -1;

// The catalogue level up to which a remote server has no procedures and
// functions of its own.
constexpr int kLevelWithoutRoutines = 9;

// The actions whose SHORTCUT value is "Object" plus the name without "act".
const std::vector<std::string> kObjectListActions = {
    "actNew",     "actOpen",    "actOpenDefine", "actOpenSource", "actOpenData", "actOpenDataTop", "actExec",
    "actCompile", "actScript",  "actPrint",      "actSynonym",    "actCross",    "actMatrix",      "actGrant",
    "actAnalyze", "actDelete",  "actGrep",       "actExport",     "actLoad"};

std::map<std::string, TActionHandler>& Handlers() {
  static std::map<std::string, TActionHandler> handlers;
  return handlers;
}
std::function<void()>& Listener() {
  static std::function<void()> listener;
  return listener;
}

const std::string kDefinitionSQL =
    "SELECT TRIM(SCHEMA_NAME) SCHEMA_NAME, TRIM(OBJECT_TYPE) OBJECT_TYPE FROM (SELECT 'TABLE' OBJECT_TYPE, TRIM(A.TABLE_NAME) OBJECT_NAME, TRIM(A.SCHEMA_NAME) SCHEMA_NAME FROM RDBII_SYSTEM.RDBII_TABLE A LEFT OUTER JOIN RDBII_SYSTEM.RDBII_COMMENT B ON A.TABLE_CODE = B.TABLE_CODE WHERE (A.TABLE_TYPE = 'BS' OR A.TABLE_TYPE = 'TD' OR A.TABLE_TYPE = 'TP')"
    " UNION SELECT 'INDEX' OBJECT_TYPE, TRIM(A.INDEX_DSO_NAME) OBJECT_NAME, TRIM(B.SCHEMA_NAME) SCHEMA_NAME FROM RDBII_SYSTEM.RDBII_INDEX A LEFT OUTER JOIN RDBII_SYSTEM.RDBII_TABLE B ON A.TABLE_CODE = B.TABLE_CODE "
    " UNION SELECT 'VIEW' OBJECT_TYPE, TRIM(A.TABLE_NAME) OBJECT_NAME, TRIM(A.SCHEMA_NAME) SCHEMA_NAME FROM RDBII_SYSTEM.RDBII_TABLE A LEFT OUTER JOIN RDBII_SYSTEM.RDBII_COMMENT B ON A.TABLE_CODE = B.TABLE_CODE WHERE (A.TABLE_TYPE = 'VW')"
    " UNION SELECT 'PROCEDURE' OBJECT_TYPE, TRIM(A.PROCEDURE_NAME) OBJECT_NAME, TRIM(A.SCHEMA_NAME) FROM RDBII_SYSTEM.RDBII_PROC A WHERE A.PROCEDURE_TYPE = 1 AND ROUTINE_TYPE = 0 "
    " UNION SELECT 'FUNCTION' OBJECT_TYPE, TRIM(A.PROCEDURE_NAME) OBJECT_NAME, TRIM(A.SCHEMA_NAME) FROM RDBII_SYSTEM.RDBII_PROC A WHERE A.PROCEDURE_TYPE = 2 "
    " UNION SELECT 'TRIGGER' OBJECT_TYPE, TRIM(A.TRIG_NAME) OBJECT_NAME, TRIM(A.TRIG_SCHEMA_NAME) FROM RDBII_SYSTEM.RDBII_TRIGGER A"
    " UNION SELECT 'SEQUENCE' OBJECT_TYPE, TRIM(A.SEQUENCE_NAME) OBJECT_NAME, TRIM(A.SCHEMA_NAME) SCHEMA_NAME FROM RDBII_SYSTEM.RDBII_SEQUENCE A) ALL_OBJECT WHERE OBJECT_NAME = :NAME";

}  // namespace

const std::vector<TActionDef>& MainActions() {
  static const std::vector<TActionDef> actions = {
      // File and database
      {"actDBCommit", "コミット(&C)", "COMMIT|現在継続中のトランザクション操作を確定します。", 15, kMain, ""},
      {"actDBRollback", "ロールバック(&R)", "ROLLBACK|現在継続中のトランザクション操作を取り消します。", 16, kMain, ""},
      {"actDBLogon", "データベース接続(&L)", "データベース接続|データベースに接続します。", 13, kMain, ""},
      {"actDBLogoff", "データベース切断(&D)", "データベース切断|データベースから切断します。", 14, kMain, ""},
      {"actFileExit", "終了(&X)", "終了|アプリケーションを終了します。", kNoImage, kMain, ""},
      // Edit
      {"actEditUndo", "元に戻す(&U)", "元に戻す", 19, kMain, ""},
      {"actEditRedo", "やり直し(&R)", "やり直し", kNoImage, kMain, ""},
      {"actEditCut", "切り取り(&T)", "切り取り", 20, kMain, ""},
      {"actEditCopy", "コピー(&C)", "コピー", 21, kMain, ""},
      {"actEditPaste", "貼り付け(&P)", "貼り付け", 22, kMain, ""},
      {"actEditDelete", "削除(&D)", "削除", kNoImage, kMain, ""},
      {"actEditSelectAll", "すべて選択(&L)", "すべて選択", kNoImage, kMain, ""},
      {"actEditSelectMode", "矩形選択モード(&B)",
       "矩形選択モード|エディタの文字列選択方式を、通常の方式または矩形選択方式に切り替えます。", kNoImage, kMain, ""},
      {"actEditFind", "検索(&F)", "検索", 23, kMain, ""},
      {"actEditFindNext", "次を検索(&S)", "次を検索", kNoImage, kMain, ""},
      {"actEditFindPrev", "前を検索(&P)", "", kNoImage, kMain, ""},
      {"actEditReplace", "置換(&E)...", "置換", kNoImage, kMain, ""},
      {"actEditJump", "行ジャンプ(&J)...", "行ジャンプ", kNoImage, kMain, ""},
      {"actEditFormat", "SQL整形(&O)", "SQL整形", kNoImage, kMain, ""},
      {"actEditComment", "コメント挿入/削除", "コメント挿入/削除", kNoImage, kMain, ""},
      {"actEditUpperCase", "大文字に変更", "大文字に変更", kNoImage, kMain, ""},
      {"actEditLowerCase", "小文字に変更", "小文字に変更", kNoImage, kMain, ""},
      {"actEditIndentF", "インデント", "インデント", kNoImage, kMain, ""},
      {"actEditIndentR", "逆インデント", "逆インデント", kNoImage, kMain, ""},
      {"actEditMacroSave", "マクロ記録開始", "マクロ記録開始|キーボードマクロの記録を開始します。", kNoImage, kMain, ""},
      {"actEditMacroExec", "マクロ実行", "マクロ実行|キーボードマクロを実行します。", kNoImage, kMain, ""},
      {"actEditOpen", "定義情報", "定義情報|選択中の文字列を元にオブジェクト定義画面を開きます。", kNoImage, kMain, ""},
      // View, administration and tools
      {"actViewSQL", "SQL実行(&S)", "SQL実行|SQL実行画面を開きます。", 10, kExternal, ""},
      {"actViewScript", "スクリプト実行", "スクリプト実行|スクリプト実行画面を開きます。", 11, kExternal, ""},
      {"actViewField", "表・列", "表・列|表・列選択画面を開きます。", 12, kExternal, "Ctrl+T"},
      {"actViewTemplate", "SQLリファレンス", "SQLリファレンス|SQLリファレンスを開きます。", kNoImage, kExternal, ""},
      {"actViewComp", "オブジェクト比較(&C)", "オブジェクト比較|オブジェクト比較画面を開きます。", 119, kExternal, ""},
      {"actToolIndexAdviser", "インデックスアドバイザ(&I)", "", 118, kExternal, ""},
      {"actViewSQLCatch", "SQLキャッチ(&C)", "SQLキャッチ|データベースで実行されているSQL文を監視します。", 105, kExternal, ""},
      {"actViewSQLCRUD", "テーブルアクセス表(&A)", "テーブルアクセス表", 106, kExternal, ""},
      {"actAdminUser", "ユーザー情報(&U)", "ユーザー情報|ユーザー情報を表示します。", 3, kExternal, ""},
      {"actAdminStorage", "データベーススペース情報(&T)", "データベーススペース情報|データベーススペース情報を表示します。", 69, kExternal, ""},
      {"actAdminSession", "セッション情報(&S)", "セッション情報|セッション情報を表示します。", 5, kExternal, ""},
      {"actAdminLock", "ロック情報(&L)", "ロック情報|ロック情報を表示します。", 6, kExternal, ""},
      {"actAdminDatabase", "データベース情報(&D)", "データベース情報|データベースの設定情報を表示します。", 1, kExternal, ""},
      {"actAdminExport", "バックアップ(&E)", "エクスポート|エクスポート操作画面を開きます。", 7, kExternal, ""},
      {"actAdminImport", "復元(&I)", "インポート|インポート操作画面を開きます。", 8, kExternal, ""},
      {"actAdminLoad", "ロード(&O)", "ロード|SQL*Loader操作画面を開きます。", 9, kExternal, ""},
      {"actToolCommandSetup", "ユーザー定義コマンドの登録(&M)", "ユーザー定義コマンドの登録|ユーザー定義コマンドの登録画面を開きます。", kNoImage, kExternal, ""},
      {"actToolReportSetup", "レポート定義の登録(&R)", "レポート定義の登録|レポート定義の登録画面を開きます。", kNoImage, kExternal, ""},
      {"actToolOption", "オプション(&P)...", "オプション|アプリケーションの環境設定を行います。", kNoImage, kExternal, ""},
      {"actToolEditorOption", "エディタオプション(&E)...", "エディタオプション|エディタの環境設定を行います。", kNoImage, kExternal, ""},
      {"actToolScriptOption", "スクリプト出力オプション(&S)...", "スクリプト出力オプション|スクリプト出力の設定を行います。", kNoImage, kExternal, ""},
      // Window and help
      {"actWindowClose", "閉じる(&L)", "閉じる|ウィンドウを閉じます。", kNoImage, kMain, ""},
      {"actWindowCascade", "重ねて表示(&C)", "重ねて表示|ウィンドウを重ねて表示します。", 25, kMain, ""},
      {"actWindowTileH", "上下に並べて表示(&H)", "上下に並べる|ウィンドウを垂直方向に並べます。", 26, kMain, ""},
      {"actWindowTileV", "左右に並べて表示(&V)", "左右に並べる|ウィンドウを水平方向に並べます。", 27, kMain, ""},
      {"actWindowMinimizeAll", "全てを最小化(&M)", "最小化|ウィンドウを最小化します。", kNoImage, kMain, ""},
      {"actWindowArrange", "アイコンの整列(&A)", "アイコンの整列|ウィンドウアイコンを整列します。", kNoImage, kMain, ""},
      {"actHelp", "Orvanto ヘルプ(&C)", "Orvanto ヘルプ(&C)|ヘルプファイルを開きます。", kNoImage, kMain, ""},
      {"actHelpHomePageTop", "Orvanto ホームページ(&P)", "Orvanto ホームページ|Orvanto ホームページを開きます。", kNoImage, kMain, ""},
      {"actHelpHomePageTech", "Orvanto 便利機能紹介(&T)", "Orvanto 便利機能紹介|Orvanto 便利機能紹介のホームページを開きます。", kNoImage, kMain, ""},
      {"actHelpHomePageFAQ", "Orvanto FAQ(&F)", "Orvanto FAQ|Orvanto FAQページを開きます。", kNoImage, kMain, ""},
      {"actHelpSupport", "サポート情報(&S)...", "サポート情報|サポートに必要な情報を表示します。", kNoImage, kExternal, ""},
      // Object list (category "オブジェクトリスト")
      {"actNew", "新規作成(&N)", "", kNoImage, kShortCutOnly, ""},
      {"actOpen", "開く(&O)", "", 17, kShortCutOnly, ""},
      {"actOpenDefine", "定義情報を開く", "", 17, kShortCutOnly, ""},
      {"actOpenSource", "ソースを開く", "", kNoImage, kShortCutOnly, ""},
      {"actOpenData", "データを開く", "", kNoImage, kShortCutOnly, ""},
      {"actOpenDataTop", "データを開く(件数指定)", "", kNoImage, kShortCutOnly, ""},
      {"actExec", "実行(&E)", "", 28, kShortCutOnly, ""},
      {"actCompile", "再コンパイル(&C)", "", 15, kShortCutOnly, ""},
      {"actScript", "スクリプト出力(&S)", "", 18, kShortCutOnly, ""},
      {"actPrint", "印刷(&P)", "", 98, kShortCutOnly, ""},
      {"actSynonym", "シノニム作成(&Y)", "", 60, kShortCutOnly, ""},
      {"actCross", "クロスリファレンス(&F)", "", 92, kShortCutOnly, ""},
      {"actMatrix", "マトリックス表(&M)", "", kNoImage, kShortCutOnly, ""},
      {"actGrant", "権限(&G)", "", 91, kShortCutOnly, ""},
      {"actAnalyze", "統計情報(&A)", "", kNoImage, kShortCutOnly, ""},
      {"actDelete", "削除(&D)", "", 41, kShortCutOnly, ""},
      {"actGrep", "全文検索", "", 24, kShortCutOnly, ""},
      {"actExport", "エクスポート(&R)", "", 7, kShortCutOnly, ""},
      {"actLoad", "ロード(&L)", "", 9, kShortCutOnly, ""},
      {"actConstEnable", "制約を有効にする", "", kNoImage, kShortCutOnly, ""},
      {"actConstDisable", "制約を無効にする", "", kNoImage, kShortCutOnly, ""},
      // Without an execute handler
      {"actAdminJob", "ジョブ情報(&J)", "", 97, kShortCutOnly, ""},
      {"actAdminPerform", "パフォーマンス情報(&Q)", "", 107, kShortCutOnly, ""},
      {"actAdminDustBox", "ごみ箱(&R)", "", 111, kShortCutOnly, ""},
      {"actToolDBTest", "DB負荷テスト(&D)", "", kNoImage, kShortCutOnly, ""},
      {"actAdminStatsPack", "STATSPACK(&P)", "", kNoImage, kShortCutOnly, ""},
  };
  return actions;
}

const TActionDef* FindActionDef(const std::string& name) {
  for (const auto& a : MainActions())
    if (a.Name == name) return &a;
  return nullptr;
}

std::string ShortCutSettingName(const std::string& actionName) {
  constexpr size_t kPrefix = 3;  // "act"
  const std::string bare = actionName.substr(kPrefix);
  const bool objectList =
      std::find(kObjectListActions.begin(), kObjectListActions.end(), actionName) != kObjectListActions.end();
  const std::string name = objectList ? "Object" + bare : bare;
  for (const auto& sc : DefaultShortCuts())
    if (sc.Name == name) return name;
  return "";
}

std::string DefaultActionKeys(const std::string& actionName) {
  const std::string setting = ShortCutSettingName(actionName);
  for (const auto& sc : DefaultShortCuts())
    if (!setting.empty() && sc.Name == setting) return sc.Keys;
  const TActionDef* def = FindActionDef(actionName);
  return def ? def->FixedKeys : "";
}

bool ActionNeedsConnection(const std::string& actionName) {
  static const std::vector<std::string> withoutConnection = {
      "actViewTemplate", "actToolCommandSetup", "actToolReportSetup",  "actToolOption",
      "actToolEditorOption", "actToolScriptOption", "actHelpSupport"};
  const TActionDef* def = FindActionDef(actionName);
  return def && def->Runner == TActionRunner::External &&
         std::find(withoutConnection.begin(), withoutConnection.end(), actionName) == withoutConnection.end();
}

std::string ShortHint(const std::string& hint) { return hint.substr(0, hint.find('|')); }

// The main menu's group indexes; a child window's menu of a lower group
// goes before them all.
constexpr int kWorkMenuGroup = 3;
constexpr int kToolMenuGroup = 4;
constexpr int kWindowMenuGroup = 5;

const std::vector<TMenuDef>& MainMenus() {
  static const std::vector<TMenuDef> menus = {
      {"mnuView", "表示(&V)",
       {"actViewSQL", "actViewScript", "actViewField", "actViewTemplate", "-", "mnuToolBar", "mnuWorkSpace",
        "mnuTaskBar", "mnuStatusBar", "-", "mnuDispList", "mnuDispReport", "-", "mnuViewRefresh"}, kWorkMenuGroup},
      {"mnuFile", "ファイル(&F)", {"actDBCommit", "actDBRollback", "actDBLogon", "actDBLogoff", "-", "actFileExit"}, kWorkMenuGroup},
      {"mnuEdit", "編集(&E)",
       {"actEditUndo", "actEditRedo", "-", "actEditCut", "actEditCopy", "actEditPaste", "actEditDelete",
        "actEditSelectAll", "actEditSelectMode", "-", "actEditFind", "actEditFindNext", "actEditFindPrev",
        "actEditReplace", "actEditJump", "-", "actEditFormat", "actEditComment", "-", "actEditUpperCase",
        "actEditLowerCase", "-", "actEditIndentF", "actEditIndentR", "-", "actEditMacroSave", "mnuMacroExec", "-",
        "actEditOpen"}, kWorkMenuGroup},
      {"mnuAdmin", "管理(&A)",
       {"actAdminUser", "actAdminStorage", "actAdminSession", "actAdminLock", "actAdminDatabase", "-",
        "actAdminExport", "actAdminImport", "actAdminLoad", "actAdminJob"}, kToolMenuGroup},
      {"mnuTool", "ツール(&T)",
       {"mnuUserCommand", "mnuReport", "actViewComp", "actToolIndexAdviser", "actViewSQLCatch", "actViewSQLCRUD", "-",
        "actToolOption", "actToolEditorOption", "actToolScriptOption"}, kToolMenuGroup},
      {"mnuWindow", "ウィンドウ(&W)",
       {"actWindowCascade", "actWindowTileH", "actWindowTileV", "actWindowMinimizeAll", "actWindowArrange", "-",
        "actWindowClose", "mnuWindowList"}, kWindowMenuGroup},
      {"mnuHelp", "ヘルプ(&H)", {"actHelp", "-", "mnuHomePage", "-", "actHelpSupport"}, kWindowMenuGroup},
  };
  return menus;
}

const std::vector<std::string>& EditorPopupItems() {
  static const std::vector<std::string> items = {
      "actEditUndo",      "actEditRedo",      "-",           "actEditCut",       "actEditCopy",      "actEditPaste",
      "actEditDelete",    "actEditSelectAll", "actEditSelectMode", "-",            "actEditFind",      "actEditFindNext",
      "actEditFindPrev",  "actEditReplace",   "actEditJump", "-",                "actEditFormat",    "actEditComment",
      "-",                "actEditUpperCase", "actEditLowerCase", "-",           "actEditIndentF",   "actEditIndentR",
      "-",                "actEditMacroSave", "actEditMacroExec", "-",           "mnuPopEditOpen",   "actViewField",
      "actViewTemplate"};
  return items;
}

const std::vector<TToolBarDef>& MainToolBars() {
  static const std::vector<TToolBarDef> bars = {
      {"pnlDB", {"actDBLogon", "actDBLogoff", "cmbDBName", "actDBCommit", "actDBRollback"}},
      {"pnlEdit", {"actEditUndo", "actEditCut", "actEditCopy", "actEditPaste"}},
      {"pnlTool", {"actViewSQL", "actViewScript", "actViewField"}},
      {"pnlTool2", {"actViewComp", "actToolIndexAdviser", "actViewSQLCatch", "actViewSQLCRUD"}},
      {"pnlAdmin", {"actAdminUser", "actAdminStorage", "actAdminSession", "actAdminLock", "actAdminDatabase"}},
      {"pnlNewObj",
       {"btnNewTable", "btnNewIndex", "btnNewView", "btnNewProc", "btnNewFunc", "btnNewTrigger", "btnNewSequence"}},
  };
  return bars;
}

const std::vector<TNewObjectButton>& NewObjectButtons() {
  static const std::vector<TNewObjectButton> buttons = {
      {"btnNewTable", "新規テーブル", okTable},         {"btnNewIndex", "新規インデックス", okIndex},
      {"btnNewView", "新規ビュー", okView},            {"btnNewProc", "新規プロシージャ", okProcedure},
      {"btnNewFunc", "新規ファンクション", okFunction}, {"btnNewTrigger", "新規トリガー", okTrigger},
      {"btnNewSequence", "新規シーケンス", okSequence},
  };
  return buttons;
}

bool CommitRollbackEnabled(int count, bool autoCommit) { return count > 0 && !autoCommit; }

std::map<std::string, TActionState> ConnectionStateRules(const TConnectionState& s) {
  std::map<std::string, TActionState> states;
  const bool any = s.Count > 0;
  auto set = [&states](const std::vector<std::string>& names, bool enabled) {
    for (const auto& name : names) states[name].Enabled = enabled;
  };
  std::vector<std::string> step1 = {"actDBLogoff",    "actViewSQL",      "actViewScript",       "actViewTemplate",
                                    "actViewComp",    "actViewField",    "actViewSQLCatch",     "actViewSQLCRUD",
                                    "actToolIndexAdviser", "actToolDBTest"};
  for (const auto& b : NewObjectButtons()) step1.push_back(b.Name);
  set(step1, any);
  set({"actDBCommit", "actDBRollback"}, CommitRollbackEnabled(s.Count, s.AutoCommit));
  set({"actAdminUser", "actAdminStorage", "actAdminSession", "actAdminLock", "actAdminDatabase", "actAdminPerform",
       "actAdminExport", "actAdminImport", "actAdminLoad", "actAdminDustBox"},
      false);
  states["actAdminJob"].Visible = false;
  set({"actToolCommandSetup", kUserCommandItems}, true);
  if (s.Current) {
    set({"actAdminUser", "actViewComp"}, true);
    set({"actAdminStorage", "actAdminSession", "actAdminLock", "actAdminDatabase", "actAdminPerform", "actAdminExport",
         "actAdminImport", "actAdminLoad", "actAnalyze", "actExport", "actLoad", "actToolIndexAdviser",
         "actViewSQLCatch", "actViewSQLCRUD"},
        !s.Remote);
    set({"btnNewProc", "btnNewFunc"}, !(s.Remote && s.CatalogLevel <= kLevelWithoutRoutines) && any);
    if (s.LevelReduced) set({"actAdminStorage", "actAdminExport", "actAdminImport", "actAdminLoad"}, false);
  }
  return states;
}

void RegisterActionHandler(const std::string& name, TActionHandler handler) {
  Handlers()[name] = std::move(handler);
  if (Listener()) Listener()();
}

const TActionHandler* ActionHandler(const std::string& name) {
  const auto it = Handlers().find(name);
  return it == Handlers().end() || !it->second ? nullptr : &it->second;
}

void SetActionHandlerListener(std::function<void()> listener) { Listener() = std::move(listener); }

void ClearActionHandlers() { Handlers().clear(); }

TNamedObject NamedObject(const std::string& selected, const std::string& userName) {
  const std::string text = UpperCase(selected);
  const size_t dot = text.find('.');
  if (dot == std::string::npos) return {userName, text, false};
  return {text.substr(0, dot), text.substr(dot + 1), true};
}

std::string DefinitionSQL(bool schemaTyped) {
  return kDefinitionSQL + (schemaTyped ? " AND TRIM(SCHEMA_NAME) = :OWNER" : " AND (TRIM(SCHEMA_NAME) = :OWNER)");
}

std::vector<TDefinedObject> FindDefinitions(TovConnectionWindow& connection, const TNamedObject& object) {
  TovSQLQuery query(&connection.Module().Connection);
  query.SetSQL(DefinitionSQL(object.SchemaTyped));
  const std::vector<std::string> values = {object.Name, object.Schema};
  for (size_t i = 0; i < query.Parameters().size() && i < values.size(); ++i)
    query.Parameters()[i].Value = QString::fromStdString(values[i]);
  query.Open();
  std::vector<TDefinedObject> found;
  for (; !query.Eof(); query.Next())
    found.push_back({ObjectKindFromName(query.AsString("OBJECT_TYPE")), query.AsString("SCHEMA_NAME")});
  return found;
}
