// findexcore: the plain rules of the index editor: the default storage of a
// new index, which CREATE form a connection takes and its lines, when a
// compile drops the index first, and the editor's texts.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "objedit/core/fstoragecore.h"

inline constexpr int kIndexKind = 46;

// DEFAULT_INDEX_SIZE: BASE and INDEX page sizes, BASE and INDEX allocation
// sizes, the size of each automatic expansion ("0": none) and its trigger,
// all in KB. The values live as long as the program.
struct TDefIdxSize {
  std::string BasePageSize;
  std::string IndexPageSize;
  std::string BaseAllocation;
  std::string IndexAllocation;
  std::string ExpandAllocation;
  std::string ExpandTrigger;
  friend bool operator==(const TDefIdxSize&, const TDefIdxSize&) = default;
};
// The parameter's value, trimmed and split at commas: more than five items
// replace the six values, fewer leave them as they were.
void ReadDefIdxSize(const std::string& value, TDefIdxSize& sizes);
inline constexpr const char* kNoExpansion = "0";

// An index is made with CREATE INDEX below level 10, at level 10 when the
// level was reduced, and on every remote connection; else as a DSO.
bool UsesCreateIndexForm(int level, bool reduced, bool remote);
// Below level 10, with the level reduced (at any level) and on a remote
// connection a compile that ran ends the window; otherwise the editor goes
// on with the index as its DSO, reloaded.
bool IndexCompileCloses(int level, bool reduced, bool remote);

// What the CREATE INDEX form is made of.
struct TCreateIndex {
  std::string SchemaPrefix;  // of the schema box: quoted schema and ".", or empty
  std::string Table;
  std::string Name;
  std::vector<std::string> KeyColumns;
  std::string TableType;  // "TD" and "TP" take no ON
  std::string Space;
  bool Reduced = false;  // level 10 reduced: no ON either
};
// "CREATE INDEX <prefix><table>.<name>", "KEY(<columns>)" and "ON <space>";
// no separator.
std::vector<std::string> CreateIndexLines(const TCreateIndex& index);

// The default storage of a new index (and of every compile): the DSO name,
// the page sizes not chosen yet, one DSI row and two or three allocation
// rows when the grids hold none.
void InitIndexStorage(TIndexStorage& storage, const std::string& indexName, const TDefIdxSize& sizes,
                      const std::string& firstSpace);

// What tells a compile to drop the index before it creates it again.
struct TIndexDropTest {
  bool IsNew = false;
  bool ScriptMode = false;
  bool SourcePage = false;
  bool StorageChanged = false;
  bool TableOwnerChanged = false;
  bool TableNameChanged = false;
  bool KeysChanged = false;
};
bool IndexNeedsDrop(const TIndexDropTest& test);
std::string DropIndexStatement(const std::string& dsoName);

// The first database space of a new index or table on a remote connection
// (bound: the data source).
inline constexpr const char* kRemoteFirstSpaceSql =
    "SELECT DISTINCT OBJECT_NAME FROM RDBII_SYSTEM.RDBII_OBJECT WHERE OBJECT_ID ='2' AND DB_NAME = :DB_NAME";

// The file a saved CREATE text is offered under.
std::string IndexSaveFileName(const std::string& fileDir, const std::string& schema, const std::string& name);

inline constexpr const char* kIndexStem = "INDEX - ";
inline constexpr const char* kIndexSizeKey = "INDEX";
inline constexpr const char* kSpaceMissing = "データベーススペースを指定して下さい。";
inline constexpr const char* kNameSuffixMissing = "名を入力して下さい。";
inline constexpr const char* kKeysMissing = "インデックス列を指定して下さい。";
inline constexpr const char* kScriptRunFinished = "スクリプト実行処理が終了しました。";
inline constexpr const char* kScriptSaved = "スクリプトが出力されました。";
inline constexpr const char* kOldRemoteIndex = "データベースのバージョンがV9以前、\r\nかつリモート接続のため読み込めませんでした。";
