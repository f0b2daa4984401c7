// fsqlcore: the run of the SQL window without its widgets: which lines run,
// where a statement ends, the bind-variable grid rule, and the statement
// loop with its transactions, result pages, boxes and error handling. The
// window puts its frames, pages, editor and grid behind TSQLWindowPort.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "app/core/fobjectcore.h"
#include "app/core/zarur.h"

inline constexpr char kResultPageCaption[] = "結果";
inline constexpr char kExecutedMessage[] = " SQLを実行しました。";
inline constexpr char kNoFurtherResultBoxes[] = "以降の結果ダイアログを表示しない";
inline constexpr char kContinueAfterError[] = "処理を続行する";
inline constexpr char kEnterBindValues[] = "バインド変数値を入力して下さい。";
inline constexpr char kBindNameCaption[] = "バインド変数名";
inline constexpr char kBindValueCaption[] = "値";
// The frame's own query names itself in the errors it raises.
inline constexpr char kFrameQueryName[] = "qryData";

// The line ends a statement: trimmed of blanks and control characters it
// equals the separator exactly.
bool IsSeparatorLine(const std::string& line, const std::string& separator);
// The lines a run takes: the selection cut at every CR LF when partial runs
// are on and something is selected, else the editor's lines.
std::vector<std::string> ExecutedLines(const std::vector<std::string>& editorLines, const std::string& selectedText,
                                       bool usePartial);
// "実行(&E)" is enabled unless the text is empty or one line break.
bool ExecEnabled(const std::string& editorText);
// The caption of the page of the k-th SELECT result of a run (1-based).
std::string ResultPageCaption(int resultNumber);
// " SQLを実行しました。" CR LF "(対象：n レコード )".
std::string RowCountMessage(int rows);
// "処理時間：hh:mm:ss".
std::string ElapsedText(std::chrono::steady_clock::duration elapsed);

// "処理時間：" and the elapsed time in the system's long time format.
std::string ElapsedLongText(std::chrono::steady_clock::duration elapsed);

// The bind-variable grid: shown or not, and its rows below the header.
struct TParamGrid {
  bool Visible = false;
  std::vector<std::string> Names;
  std::vector<std::string> Values;
  bool operator==(const TParamGrid&) const = default;
};
// Shows the query's parameter names in the grid. True when the grid was
// hidden or its rows' names or number changed: the user is then to type
// the values (changed rows lose theirs). Without parameters the grid is
// hidden and nothing changed.
bool SyncParamRows(TParamGrid& grid, const std::vector<std::string>& names);

// What a run needs of the SQL window.
class TSQLWindowPort {
 public:
  virtual ~TSQLWindowPort() = default;
  // The transaction of the window's connection.
  virtual TTransactionPort& Transactions() = 0;
  // Frees the extra frames and result pages of the previous run, so that
  // only the first page remains.
  virtual void DiscardResults() = 0;
  // Makes the frame of statement `index` (the window's own when `ownFrame`,
  // else a new one) hold the statement: its data set closed, its query's
  // text and parameter check set. Returns the query's parameter names.
  virtual std::vector<std::string> PrepareStatement(int index, bool ownFrame, const std::string& text,
                                                    bool paramCheck) = 0;
  virtual void BindValues(const std::vector<std::string>& values) = 0;
  // Opens the statement's result in its frame; errors propagate.
  virtual void OpenResult(const std::string& text) = 0;
  // Puts the statement's frame on a new page at the end.
  virtual void AddResultPage(const std::string& caption) = 0;
  // Runs the statement without a result; the rows it affected.
  virtual int ExecStatement() = 0;
  // After a statement: a read-only result's edit button goes up.
  virtual void FinishStatement() = 0;
  // Focuses the editor and places the caret where the statement failed.
  virtual void ShowErrorPosition(int firstLine, int lastLine, const std::string& message) = 0;
  virtual void SetStatusText(const std::string& text) = 0;
  virtual TParamGrid ParamGrid() const = 0;
  virtual void ShowParamGrid(const TParamGrid& grid) = 0;
  // Index of the editor's last line.
  virtual int LastLineIndex() const = 0;
};

// What plan mode needs of the window's access-plan frame.
class TPlanFramePort {
 public:
  virtual ~TPlanFramePort() = default;
  // Hands the statement to the frame; the names of its bind variables.
  virtual std::vector<std::string> SetPlanSQL(const std::string& text) = 0;
  // Shows the statement's plan; errors propagate.
  virtual void ExecutePlan() = 0;
};

// The state of one run.
struct TSQLRunState {
  std::vector<std::string> ExecutedLines;
  std::vector<std::string> StatementLines;
  int FirstLine = 0;
  int CurrentLine = 0;
  bool NoFurtherResultBoxes = false;
  bool ContinueAfterError = false;
  std::chrono::steady_clock::time_point StartTime;
};

// The run of one SQL window; what it keeps lives from one run to the next.
class TSQLRunner {
 public:
  explicit TSQLRunner(TSQLWindowPort& port) : port_(port) {}

  int StatementIndex = 0;
  int ResultCount = 0;
  bool FirstResultShown = false;

  // Runs the lines (ExecutedLines) statement by statement, or with `plan`
  // (plan mode) shows the plan of their first statement. `separatorEdit`,
  // when not empty, becomes the `Separator` option first.
  void Run(const std::vector<std::string>& executedLines, const std::string& separatorEdit,
           TPlanFramePort* plan = nullptr);
  // Plan mode: the first statement's plan in the frame.
  void RunPlan(TPlanFramePort& plan, const std::vector<std::string>& executedLines);
  // Runs the collected statement; true stops the run.
  bool ExecuteStatement(TSQLRunState& state);
  // Shows the parameters in the grid and binds the typed values; true when
  // the run is to stop for the user to type them.
  bool SyncParamGrid(const std::vector<std::string>& names);

 private:
  void Executed(TSQLRunState& state, const std::string& text);
  bool Failed(TSQLRunState& state, const std::string& message);

  TSQLWindowPort& port_;
};
