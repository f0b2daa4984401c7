// ftablecompile: the table compile's face to the running program: the port
// through which objedit/core's RunTableCompile runs its stages in the
// execution window (a failure ends a stage) and reads the base DSO from the
// definition report, and the script writer that gives a dependent's DDL.
// The table editor's Compile and the constraint editor's use them, both
// through RunTableRebuild.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "objedit/core/ftablecompile.h"

class TovConnectionWindow;

class TConnectionCompilePort : public TTableCompilePort {
 public:
  TConnectionCompilePort(TovConnectionWindow& window, std::string schema, std::string table);
  // Each stage in an execution window of its own; the window closes by
  // itself after a stage without error when another stage follows.
  TStageRun RunStage(const std::vector<std::string>& statements, bool more) override;
  // The report of the table; "定義情報を読み込めませんでした。" when it
  // cannot be read or names no base DSO.
  std::optional<std::string> ReadBaseDso() override;
  // In a transaction of its own; a failure shows its message and the
  // statement.
  bool RunStatement(const std::string& statement) override;
  void ShowError(const std::string& message) override;

 private:
  TovConnectionWindow& window_;
  std::string schema_;
  std::string table_;
};

inline constexpr const char* kDataLostQuestion =
    "テーブルを再作成する為、既存のデータは全て失われます。\r\nまた、テーブルの作成に失敗しても、テーブルは削除されます"
    "のでご注意ください。\r\n処理を続行しますか？";

// The steps every compile of a table shares once its statements are read:
// the dependents a re-creation takes read, the data-loss question when
// `askDataLoss`, the question about dependents that cannot be written, the
// preview, the source kept before and after (`existing`), then the run in
// stages. None when the user stopped it before anything ran.
std::optional<TTableCompileOutcome> RunTableRebuild(TovConnectionWindow& window, TTableCompile& compile,
                                                    bool askDataLoss, bool existing);

// An object's DDL as its kind's script writer gives it, the schema always
// written (the statements re-create the object in place); empty when none
// could be written.
std::vector<std::string> ObjectDDLLines(TovConnectionWindow& window, int kind, const std::string& schema,
                                        const std::string& name);
