// The port a table compile runs through and the steps every compile of a
// table shares.
#include "objedit/ftablecompile.h"

#include <sstream>

#include "app/core/dsymfoware.h"
#include "app/core/fobjectcore.h"
#include "app/core/fobjectreport.h"
#include "app/core/ovconnwin.h"
#include "app/core/ovddlhooks.h"
#include "app/core/ovkinds.h"
#include "app/core/ovoptions.h"
#include "app/core/zarur.h"
#include "app/fobjddl.h"
#include "app/ovforms.h"
#include "objedit/core/fddlexeccore.h"
#include "objedit/core/ftablecatalog.h"
#include "objedit/core/ftablecore.h"
#include "objedit/core/objeditcore.h"
#include "objedit/core/findexcore.h"
#include "objedit/rgrant.h"
#include "objedit/rstorage.h"
#include "platform/qstr.h"
#include "ui/ovgrid.h"
#include "ui/ovstdctl.h"

namespace {

constexpr const char* kLineBreak = "\r\n";
constexpr const char* kSourceRowsQuestion =
    "ソース修正時には、既存のデータは別テーブルに退避され、再作成後のテーブルは空になります。\r\n処理を続行しますか？";
constexpr int kWarningFlags = MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2;
// The cell of grdDSIsub that names the first DSI's database space.
constexpr int kDsiSpaceCol = 2;
constexpr int kDsiSpaceRow = 1;

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    at = end + 1;
  }
  return lines;
}

// Sets an option for the life of the scope.
template <class T>
class TOptionScope {
 public:
  TOptionScope(T& option, T value) : option_(option), saved_(option) { option_ = value; }
  ~TOptionScope() { option_ = saved_; }
  TOptionScope(const TOptionScope&) = delete;
  TOptionScope& operator=(const TOptionScope&) = delete;

 private:
  T& option_;
  T saved_;
};

}  // namespace

std::vector<std::string> ObjectDDLLines(TovConnectionWindow& window, int kind, const std::string& schema,
                                        const std::string& name) {
  const TOptionScope<int32_t> always(ScriptOption.Schema, kSchemaAlways);
  std::ostringstream stream;
  GenerateDDL(window, kind, schema, name, stream, "", "");
  std::vector<std::string> lines = SplitLines(stream.str());
  if (StatementsEmpty(lines)) lines.clear();
  return lines;
}

TConnectionCompilePort::TConnectionCompilePort(TovConnectionWindow& window, std::string schema, std::string table)
    : window_(window), schema_(std::move(schema)), table_(std::move(table)) {}

TStageRun TConnectionCompilePort::RunStage(const std::vector<std::string>& statements, bool more) {
  const TOptionScope<bool> close(AppOption.CloseDDL, more || AppOption.CloseDDL);
  std::vector<std::string> list = statements;
  const size_t total = CountBatches(list, AppOption.Separator);
  TStageRun run;
  try {
    RunDDLExecAndWait(window_, list, TDDLRun::StopAtError);
    run.Completed = true;
  } catch (const EAbort&) {
  } catch (const std::exception& e) {
    MsgBox(e.what(), MB_ICONERROR);
  }
  const size_t left = CountBatches(list, AppOption.Separator);
  run.Succeeded = run.Completed ? total : total - left - (total > left ? 1 : 0);
  return run;
}

std::optional<std::string> TConnectionCompilePort::ReadBaseDso() {
  bool ok = false;
  const std::vector<std::string> report =
      TableReport(window_, table_, TableReportControl(schema_, table_), ok);
  std::optional<std::string> base = ok ? BaseDsoName(report) : std::nullopt;
  if (!base) MsgBox(kLoadFailed, MB_ICONERROR);
  return base;
}

bool TConnectionCompilePort::RunStatement(const std::string& statement) {
  TovSQLConnection& connection = window_.Module().Connection;
  try {
    if (connection.InTransaction()) connection.CommitTrans();
    connection.BeginTrans();
    window_.ExecSQL(statement);
    if (connection.InTransaction()) connection.CommitTrans();
    return true;
  } catch (const std::exception& e) {
    if (connection.InTransaction()) connection.RollbackTrans();
    MsgBox(std::string(e.what()) + kLineBreak + statement, MB_ICONERROR);
    return false;
  }
}

void TConnectionCompilePort::ShowError(const std::string& message) { MsgBox(message, MB_ICONERROR); }

std::optional<TTableCompileOutcome> RunTableRebuild(TovConnectionWindow& window, TTableCompile& c,
                                                    bool askDataLoss, bool existing) {
  if (c.Rebuild)
    c.Dependents = ReadTableDependents(window, c.Schema, c.Name,
                                       [&](int kind, const std::string& schema, const std::string& name) {
                                         return ObjectDDLLines(window, kind, schema, name);
                                       });
  if (askDataLoss && MsgBox(kDataLostQuestion, kWarningFlags) != IDYES) return std::nullopt;
  const std::vector<std::string> unwritten = UnwrittenDependents(c);
  if (!unwritten.empty()) {
    std::string question = kDependentsLostQuestion;
    for (const std::string& name : unwritten) question += kLineBreak + name;
    question += std::string(kLineBreak) + kContinueQuestion;
    if (MsgBox(question, kWarningFlags) != IDYES) return std::nullopt;
  }
  std::vector<std::string> list = TableCompileStatements(c);
  if (!ShowDDLPreview(list, c.Schema, c.Name)) return std::nullopt;
  if (existing) SaveSourceBefore(window, c.Schema, c.Name, kTableKind);
  TConnectionCompilePort port(window, c.Schema, c.Name);
  const TTableCompileOutcome outcome = RunTableCompile(c, list, port);
  if (outcome == TTableCompileOutcome::Compiled) SaveSourceAfter(window, c.Schema, c.Name, kTableKind);
  return outcome;
}

