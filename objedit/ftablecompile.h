// ftablecompile: the table compile's face to the running program: the port
// through which objedit/core's RunTableCompile runs its stages in the
// execution window (a failure ends a stage) and reads the base DSO from the
// definition report, and the script writer that gives a dependent's DDL.
// The table editor's Compile and the constraint editor's use them.
#pragma once

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

// An object's DDL as its kind's script writer gives it, the schema always
// written (the statements re-create the object in place); empty when none
// could be written.
std::vector<std::string> ObjectDDLLines(TovConnectionWindow& window, int kind, const std::string& schema,
                                        const std::string& name);
