// fnametblcore: the script name table without its window: the entry split
// into schema and name, the statements that create, read and fill the
// table, the database spaces of an rdbspcinf report and what a failing
// read of the table means.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

inline constexpr const char* kSpaceListFailed = "定義情報を読み込めませんでした。";
inline constexpr const char* kNoSchemaName = "スキーマ名を入力して下さい。";
inline constexpr const char* kNoTableName = "名前を入力して下さい。";
inline constexpr const char* kNoSpaceName = "データベーススペース名を入力して下さい。";
inline constexpr const char* kLayoutMismatch = "テーブルレイアウトが一致しません。";
inline constexpr const char* kCreateQuestion = "テーブルが見つかりません。新規作成しますか？";
inline constexpr const char* kInitialDataQuestion = "初期データを登録しますか？";
inline constexpr const char* kAllObjectsCheck = "全オブジェクトを登録する(非チェック時は所有オブジェクトのみ)";

// The name table of an entry: the text before its first "." is the
// schema, the rest the name (an entry without "." is a name alone).
struct TNameTableName {
  std::string Schema;
  std::string Name;

  friend bool operator==(const TNameTableName&, const TNameTableName&) = default;
};
TNameTableName SplitNameTableEntry(const std::string& entry);
// The entry stored for a table: the texts as typed, unquoted.
std::string NameTableEntry(const TNameTableName& table);

// The one-line CREATE TABLE of a name table, "  ON <space>" only with a
// space (the space field is shown).
std::string NameTableCreateSQL(const TNameTableName& table, const std::optional<std::string>& space);
// The SELECT of the rows shown.
std::string NameTableSelectSQL(const TNameTableName& table);
// The database space a table lies in (the last row wins).
std::string NameTableSpaceSQL(const TNameTableName& table);

// The objects of the initial data, one row (database, schema, name, kind,
// script name) per object in database, kind and name order: every object
// with `allObjects`, else those of `schema` with the data source as the
// database. Catalogue levels up to 9 wrap the union once more.
std::string InitialDataSQL(bool allObjects, const std::string& dataSource, int32_t catalogLevel,
                           const std::string& schema);
// One row of the initial data; its five values are bound in order.
std::string NameTableInsertSQL(const TNameTableName& table);
inline constexpr size_t kNameTableColumns = 5;

// The database space names of an "rdbspcinf -d" report.
std::string SpaceListCommand(const std::string& dataSource);
std::vector<std::string> DatabaseSpaceNames(const std::vector<std::string>& lines);

// What a failing read of the table means.
enum class TNameTableReadFailure { LayoutMismatch, Missing, Other };
TNameTableReadFailure ClassifyReadFailure(const std::string& message);
