#include "sqlwork/core/fsqlcore.h"

#include <QLocale>
#include <QStringList>
#include <QTime>

#include <cstdio>

#include "app/core/zarursql.h"
#include "sqlwork/core/ovsqlbld.h"

namespace {

constexpr char kLineBreak[] = "\r\n";
constexpr char kElapsedPrefix[] = "処理時間：";
// The parameter check looks at this many characters, not at the first clause.
constexpr size_t kCreateLength = 6;

// A box of the run offering one check item bound to `flag` unless the
// statement is the editor's last.
void RunBox(const std::string& text, int icon, const char* item, bool offer, bool& flag) {
  TCheckList checks;
  if (offer) checks.push_back({item, flag});
  MsgBoxWithChecks(text, MB_OK | icon, checks);
  if (!checks.empty()) flag = checks.front().checked;
}

}  // namespace

bool IsSeparatorLine(const std::string& line, const std::string& separator) { return Trim(line) == separator; }

std::vector<std::string> ExecutedLines(const std::vector<std::string>& editorLines, const std::string& selectedText,
                                       bool usePartial) {
  if (!usePartial || selectedText.empty()) return editorLines;
  std::vector<std::string> lines;
  size_t from = 0;
  for (size_t at; (at = selectedText.find(kLineBreak, from)) != std::string::npos; from = at + 2)
    lines.push_back(selectedText.substr(from, at - from));
  lines.push_back(selectedText.substr(from));
  return lines;
}

bool ExecEnabled(const std::string& editorText) { return !editorText.empty() && editorText != kLineBreak; }

std::string ResultPageCaption(int resultNumber) {
  return resultNumber <= 1 ? kResultPageCaption : kResultPageCaption + std::to_string(resultNumber);
}

std::string RowCountMessage(int rows) {
  return std::string(kExecutedMessage) + kLineBreak + "(対象：" + std::to_string(rows) + " レコード )";
}

std::string ElapsedText(std::chrono::steady_clock::duration elapsed) {
  const long long seconds = std::chrono::duration_cast<std::chrono::seconds>(elapsed).count();
  constexpr long long kMinute = 60;
  constexpr long long kHour = 60 * kMinute;
  char text[32];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", seconds / kHour, seconds % kHour / kMinute,
                seconds % kMinute);
  return kElapsedPrefix + std::string(text);
}

std::string ElapsedLongText(std::chrono::steady_clock::duration elapsed) {
  // A time zone means nothing for a duration.
  QStringList format = QLocale::system().timeFormat(QLocale::LongFormat).split(' ');
  format.removeIf([](const QString& part) { return !part.isEmpty() && part.count('t') == part.size(); });
  constexpr long long kDayMillis = 24LL * 60 * 60 * 1000;
  const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() % kDayMillis;
  const QTime time = QTime::fromMSecsSinceStartOfDay(static_cast<int>(millis));
  return kElapsedPrefix + QLocale::system().toString(time, format.join(' ')).toStdString();
}

bool SyncParamRows(TParamGrid& grid, const std::vector<std::string>& names) {
  if (names.empty()) {
    grid.Visible = false;
    return false;
  }
  bool changed = !grid.Visible;
  if (grid.Names.size() != names.size()) {
    grid.Names.resize(names.size());
    grid.Values.resize(names.size());
    changed = true;
  }
  for (size_t r = 0; r < names.size(); ++r) {
    if (grid.Names[r] != names[r]) {
      changed = true;
      grid.Values[r].clear();
    }
    grid.Names[r] = names[r];
  }
  grid.Visible = true;
  return changed;
}

void TSQLRunner::Run(const std::vector<std::string>& executedLines, const std::string& separatorEdit,
                     TPlanFramePort* plan) {
  port_.DiscardResults();
  StatementIndex = 0;
  ResultCount = 0;
  if (!separatorEdit.empty()) AppOption.Separator = separatorEdit;
  if (plan) {
    RunPlan(*plan, executedLines);
    return;
  }
  FirstResultShown = false;
  TSQLRunState state;
  state.ExecutedLines = executedLines;
  const int count = static_cast<int>(state.ExecutedLines.size());
  for (int j = 0; j < count; ++j) {
    const std::string& line = state.ExecutedLines[static_cast<size_t>(j)];
    if (!IsSeparatorLine(line, AppOption.Separator)) {
      state.StatementLines.push_back(line);
      continue;
    }
    state.CurrentLine = j;
    if (ExecuteStatement(state)) return;
    state.FirstLine = j + 1;
  }
  state.CurrentLine = count - 1;
  ExecuteStatement(state);
}

void TSQLRunner::RunPlan(TPlanFramePort& plan, const std::vector<std::string>& executedLines) {
  std::vector<std::string> lines;
  for (const std::string& line : executedLines) {
    if (IsSeparatorLine(line, AppOption.Separator)) break;
    lines.push_back(line);
  }
  StripSQLComments(lines, false);
  if (SyncParamGrid(plan.SetPlanSQL(JoinSQLLines(lines)))) return;
  try {
    struct TElapsed {
      TSQLWindowPort& port;
      std::chrono::steady_clock::time_point start;
      ~TElapsed() { port.SetStatusText(ElapsedLongText(std::chrono::steady_clock::now() - start)); }
    } elapsed{port_, std::chrono::steady_clock::now()};
    plan.ExecutePlan();
  } catch (const std::exception& e) {
    try {
      port_.ShowErrorPosition(0, port_.LastLineIndex(), e.what());
    } catch (const std::exception&) {
      // The caret stays; the message below says what failed.
    }
    MsgBox(e.what(), MB_ICONERROR);
  }
}

bool TSQLRunner::SyncParamGrid(const std::vector<std::string>& names) {
  TParamGrid grid = port_.ParamGrid();
  const bool changed = SyncParamRows(grid, names);
  port_.ShowParamGrid(grid);
  if (names.empty()) return false;
  if (changed) {
    port_.SetStatusText(kEnterBindValues);
    return true;
  }
  port_.BindValues(grid.Values);
  return false;
}

bool TSQLRunner::ExecuteStatement(TSQLRunState& state) {
  StripSQLComments(state.StatementLines, false);
  const std::string text = JoinSQLLines(state.StatementLines);
  if (Trim(text).empty()) return false;
  bool stop = false;
  try {
    const bool paramCheck = UpperCase(text.substr(0, kCreateLength)) != "CREATE";
    const std::vector<std::string> names = port_.PrepareStatement(StatementIndex, !FirstResultShown, text, paramCheck);
    if (SyncParamGrid(names)) {
      stop = true;
    } else {
      Executed(state, text);
    }
  } catch (const std::exception& e) {
    stop = Failed(state, e.what());
  }
  state.StatementLines.clear();
  ++StatementIndex;
  return stop;
}

void TSQLRunner::Executed(TSQLRunState& state, const std::string& text) {
  const bool select = IsSelectStatement(text);
  bool noResultSet = false;
  int rows = 0;
  TTransactionPort& tx = port_.Transactions();
  {
    state.StartTime = std::chrono::steady_clock::now();
    struct TElapsed {
      TSQLWindowPort& port;
      std::chrono::steady_clock::time_point start;
      ~TElapsed() { port.SetStatusText(ElapsedText(std::chrono::steady_clock::now() - start)); }
    } elapsed{port_, state.StartTime};
    if (AppOption.AutoCommit && tx.InTransaction()) tx.CommitTrans();
    if (!tx.InTransaction()) tx.BeginTrans();
    if (select) {
      try {
        port_.OpenResult(text);
        if (FirstResultShown)
          port_.AddResultPage(ResultPageCaption(ResultCount + 1));
        else
          FirstResultShown = true;
        ++ResultCount;
      } catch (const std::exception& e) {
        // The frame's own query refuses a statement that returns no result
        // set; it has run all the same.
        if (std::string(e.what()).find(kFrameQueryName) == std::string::npos) throw;
        noResultSet = true;
      }
    } else {
      rows = port_.ExecStatement();
    }
  }
  const bool offer = state.CurrentLine < port_.LastLineIndex();
  // The box waits for the user; it comes after the elapsed time is taken.
  if (noResultSet && !state.NoFurtherResultBoxes)
    RunBox(kExecutedMessage, MB_ICONINFORMATION, kNoFurtherResultBoxes, offer, state.NoFurtherResultBoxes);
  port_.FinishStatement();
  if (!select && !state.NoFurtherResultBoxes)
    RunBox(RowCountMessage(rows), MB_ICONINFORMATION, kNoFurtherResultBoxes, offer, state.NoFurtherResultBoxes);
  if (AppOption.AutoCommit) tx.CommitTrans();
}

bool TSQLRunner::Failed(TSQLRunState& state, const std::string& message) {
  // The separator line that ended the statement is none of its rows; taken
  // in, it hides the statement's names from the position search.
  int lastRow = state.CurrentLine;
  if (lastRow >= 0 && lastRow < static_cast<int>(state.ExecutedLines.size()) &&
      IsSeparatorLine(state.ExecutedLines[static_cast<size_t>(lastRow)], AppOption.Separator))
    --lastRow;
  try {
    port_.ShowErrorPosition(state.FirstLine, lastRow, message);
  } catch (const std::exception&) {
    // The catalogue look-up behind the caret failed; the statement's own
    // message below is what the user needs.
  }
  RunBox(message, MB_ICONWARNING, kContinueAfterError, state.CurrentLine < port_.LastLineIndex(),
         state.ContinueAfterError);
  return !state.ContinueAfterError;
}
