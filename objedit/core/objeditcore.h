// objeditcore: the rules every object editor shares: its captions, the
// page each page mode starts on, the schema it opens in, the questions of a
// page change, the emptiness of a compile and the DROP of a delete.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// What sets one kind of editor apart in the shared rules.
struct TEditorKind {
  int ImageIndex = 0;          // the object kind code
  std::string Stem;            // "TABLE - "
  bool SchemaBound = true;     // the object belongs to a schema
  std::string SizeKey;         // "TABLE": its size lives under GUI\<key>
  std::string DropKeyword;     // "DROP TABLE "
  // The caption names the data source as typed at logon instead of the
  // connection's upper-case name (sequences and indexes).
  bool DataSourceAsTyped = false;
};

inline constexpr const char* kNewObjectCaption = "新規";

// "<stem><schema>.<name> @ <data source>" ("<stem><name> @ ..." for an
// unqualified kind), or "<stem>新規" for an object that does not exist yet.
std::string EditorCaption(const TEditorKind& kind, const std::string& schema, const std::string& name,
                          const std::string& dataSource, bool isNew);
// The editor's menu in the main window's bar: the kind's name (the stem
// without its " - ") and "(&O)", e.g. "TABLE(&O)".
std::string EditorMenuCaption(const TEditorKind& kind);
// The task button's caption: the name, or "新規".
std::string EditorTaskCaption(const std::string& name, bool isNew);

// The pages of an editor, in the page control's order.
enum class TEditorPage { Define, Source, Data, Explan, Cross, Grant, Storage };
// The page each page mode (0 to 4) starts on, then the page every other
// mode starts on.
using TPageModes = std::array<TEditorPage, 6>;
inline constexpr TPageModes kTablePageModes{TEditorPage::Define, TEditorPage::Source, TEditorPage::Data,
                                            TEditorPage::Cross,  TEditorPage::Grant,  TEditorPage::Define};
inline constexpr TPageModes kTriggerPageModes{TEditorPage::Define, TEditorPage::Source, TEditorPage::Define,
                                              TEditorPage::Cross,  TEditorPage::Define, TEditorPage::Define};
inline constexpr TPageModes kRoutinePageModes{TEditorPage::Source, TEditorPage::Source, TEditorPage::Source,
                                              TEditorPage::Cross,  TEditorPage::Grant,  TEditorPage::Source};
inline constexpr TPageModes kSequencePageModes{TEditorPage::Define, TEditorPage::Source, TEditorPage::Define,
                                               TEditorPage::Define, TEditorPage::Grant,  TEditorPage::Define};
// The index editor starts on its storage page past the source page.
inline constexpr TPageModes kIndexPageModes{TEditorPage::Define,  TEditorPage::Source,  TEditorPage::Define,
                                            TEditorPage::Storage, TEditorPage::Storage, TEditorPage::Storage};
inline constexpr TPageModes kPlainPageModes{TEditorPage::Define, TEditorPage::Source, TEditorPage::Define,
                                            TEditorPage::Define, TEditorPage::Define, TEditorPage::Define};
TEditorPage PageOfMode(const TPageModes& modes, uint8_t mode);
// Pages shown only for an object that exists.
bool PageNeedsObject(TEditorPage page);

// The schema an editor opens in: the one asked for, also when the login
// user owns another list of schemas (an editor never shows an object of a
// schema it was not asked for); the first of the user's schemas for a new
// object without one.
std::string EditorSchema(const std::vector<std::string>& ownSchemas, const std::string& schema);

// The answers to "情報が変更されています。コンパイルしますか？".
enum class TPageChangeAnswer { Yes, No, Cancel };
// What a page change does for an answer: compile first, or drop the edits;
// the page then changes only when nothing is left changed.
struct TPageChangeStep {
  bool Compile = false;
  bool DropChanges = false;
};
TPageChangeStep PageChangeStep(TPageChangeAnswer answer);

// The DROP statement of a delete: keyword, quoted schema, ".", quoted name
// (no schema for an unqualified kind) and " CASCADE" when asked.
std::string DropStatement(const TEditorKind& kind, const std::string& schema, const std::string& name, bool cascade);

inline constexpr const char* kReloadQuestion = "全ての変更を取り消しますか？";
inline constexpr const char* kNothingChanged = "変更箇所が見つかりませんでした。";
inline constexpr const char* kDeleteQuestion = "オブジェクトを削除しますか？";
inline constexpr const char* kCascadeOption = "CASCADE オプション";
inline constexpr const char* kDeleted = "オブジェクトが削除されました。";
inline constexpr const char* kCompiled = "コンパイルは正常に終了しました。";
inline constexpr const char* kLoadFailed = "定義情報を読み込めませんでした。";
inline constexpr const char* kSchemaMissing = "スキーマ名を入力して下さい。";
inline constexpr const char* kNameMissing = "名前を入力して下さい。";
// The file types of saved SQL.
inline constexpr const char* kSqlFileFilter = "SQLファイル(*.sql);;すべてのファイル(*.*)";
