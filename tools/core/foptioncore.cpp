#include "tools/core/foptioncore.h"

#include "app/core/zarur.h"

namespace {

constexpr int kKeyMask = 0xFF;
constexpr int kModifierMask = 0xE000;
constexpr int kFirstDigitKey = 48;
constexpr int kLastLetterKey = 90;
constexpr int kF1Key = 112;
constexpr int kF10Key = 121;
constexpr int kFirstPunctuationKey = 186;
constexpr int kLastPunctuationKey = 190;
constexpr int kFirstBracketKey = 192;
constexpr int kLastBracketKey = 221;
constexpr int kOem8Key = 223;

constexpr int kMaxRow = 65535;
constexpr int kMaxColumn = 255;

constexpr char kFolderEnd = '/';

bool Between(int value, int low, int high) { return value >= low && value <= high; }

}  // namespace

const std::vector<TShortCutGroup>& ShortCutGroups() {
  static const std::vector<TShortCutGroup> groups = {
      {"ファイルメニュー", {"actDBCommit", "actDBRollback", "actDBLogon", "actDBLogoff", "actFileExit"}},
      {"編集メニュー",
       {"actEditUndo", "actEditRedo", "actEditCut", "actEditCopy", "actEditPaste", "actEditDelete",
        "actEditSelectAll", "actEditSelectMode", "actEditFind", "actEditFindNext", "actEditFindPrev",
        "actEditReplace", "actEditJump", "actEditFormat", "actEditComment", "actEditUpperCase",
        "actEditLowerCase", "actEditIndentF", "actEditIndentR", "actEditMacroSave", "actEditMacroExec",
        "actEditOpen"}},
      {"オブジェクトリストメニュー",
       {"actNew", "actOpen", "actDelete", "actOpenDefine", "actOpenData", "actOpenDataTop", "actOpenSource",
        "actExec", "actScript", "actPrint", "actCross", "actMatrix", "actGrant", "actAnalyze", "actGrep",
        "actLoad"}},
      {"表示メニュー", {"actViewSQL", "actViewScript", "actViewField", "actViewTemplate"}},
      {"管理メニュー",
       {"actAdminUser", "actAdminStorage", "actAdminSession", "actAdminLock", "actAdminDatabase",
        "actAdminExport", "actAdminImport", "actAdminLoad"}},
      {"ツールメニュー",
       {"actToolCommandSetup", "actToolReportSetup", "actViewComp", "actToolIndexAdviser", "actToolOption",
        "actToolEditorOption", "actToolScriptOption"}},
  };
  return groups;
}

bool ShortCutKeyAccepted(int code) {
  const int key = code & kKeyMask;
  const bool modified = (code & kModifierMask) != 0;
  if (Between(key, kFirstDigitKey, kLastLetterKey)) return modified;
  return Between(key, kF1Key, kF10Key) || Between(key, kFirstPunctuationKey, kLastPunctuationKey) ||
         Between(key, kFirstBracketKey, kLastBracketKey) || key == kOem8Key;
}

std::optional<TOptionCheckFailure> FirstFailingOptionCheck(const TOptionCheckValues& v) {
  struct TCheck {
    bool Passes;
    TOptionCheckBox Box;
    const char* Page;
    const char* Message;
  };
  const TCheck checks[] = {
      {v.DataFontSize != 0, ocDataFontSize, "データ", "サイズ(pt)は1以上の整数で入力して下さい。"},
      {v.DiagramFontSize != 0, ocDiagramFontSize, "SQL実行", "ダイアグラム部 サイズ(pt)は1以上の整数で入力して下さい。"},
      {v.GridFontSize != 0, ocGridFontSize, "SQL実行", "グリッド部 サイズ(pt)は1以上の整数で入力して下さい。"},
      {v.DefTopRecord > 0, ocDefTopRecord, "データ",
       "件数を指定して開く場合の既定レコード件数は1以上の整数で入力して下さい。"},
      {Between(v.SQLTop, 1, kMaxRow), ocSQLTop, "外部出力", "開始行は1から65535までの整数で入力して下さい。"},
      {Between(v.MatrixRow, 1, kMaxRow), ocMatrixRow, "外部出力", "頁行数は1から65535までの整数で入力して下さい。"},
      {Between(v.MatrixCol, 1, kMaxColumn), ocMatrixCol, "外部出力", "桁数は1から255までの整数で入力して下さい。"},
  };
  for (const TCheck& check : checks)
    if (!check.Passes) return TOptionCheckFailure{check.Box, check.Page, check.Message};
  return std::nullopt;
}

std::string StoredFolder(const std::string& text, const std::string& defaultFolder) {
  const std::string trimmed = TrimBlanks(text);
  if (trimmed.empty()) return defaultFolder;
  return trimmed.back() == kFolderEnd ? trimmed : trimmed + kFolderEnd;
}
