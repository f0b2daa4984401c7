// rexplancore: the access plan of one statement without widgets: the
// ACCESS PLAN script and the rdbexecsql command line, the run of the tool
// with its work files, the trace read into a plain node tree, and the
// lines the tree is copied and written out as.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

inline constexpr char kPlanScriptFile[] = "plan2N.rdbexecsql";
inline constexpr char kPlanTraceFile[] = "plan2N.trc";
inline constexpr char kFullScanText[] = "TABLE ALL SCAN";
inline constexpr char kPlanCommandFailed[] = "コマンドの実行に失敗しました。";
inline constexpr char kPlanCopyQuestion[] = "結果をクリップボードにコピーしますか？";
inline constexpr char kPlanCommaItem[] = "カンマ区切りにする(非チェック時はタブ区切り)";
inline constexpr char kPlanCopied[] = "クリップボードに出力しました。";
inline constexpr char kPlanSaved[] = "ファイルに出力しました。";
inline constexpr char kPlanBookName[] = "EXECUTEPLAN";

// One node of the plan tree: the text of the column "操作", sub-item 0 shown
// in "オブジェクト", sub-item 1 the key an operation is adopted by.
struct TPlanNode {
  std::string Text;
  std::vector<std::string> SubItems;
  TPlanNode* Parent = nullptr;
  std::vector<std::unique_ptr<TPlanNode>> Children;
};

// The plan tree: its top-level nodes.
class TPlanTree {
 public:
  std::vector<std::unique_ptr<TPlanNode>> Roots;

  bool Empty() const { return Roots.empty(); }
  // Adds a node as the last child of `parent` (the top level for none).
  TPlanNode* Add(TPlanNode* parent, const std::string& text, std::vector<std::string> subItems);
  // The first node in tree order (parents before children) that `match`
  // accepts; none when there is none.
  TPlanNode* Find(const std::function<bool(const TPlanNode&)>& match) const;
  void Delete(TPlanNode* node);
  // Makes `node` the last child of `parent`.
  void Move(TPlanNode* node, TPlanNode* parent);
  // Every node in tree order with its level (0 at the top).
  std::vector<std::pair<const TPlanNode*, int>> Flatten() const;

 private:
  std::vector<std::unique_ptr<TPlanNode>>& SiblingsOf(TPlanNode* parent);
  std::unique_ptr<TPlanNode> Detach(TPlanNode* node);
};

// The statement as the script line holds it: CR and LF turned into blanks.
std::string PlanStatementText(std::string sql);
// The script: the plan switched on into the trace, the statement and ";",
// the plan switched off; lines separated by LF.
std::string PlanScriptText(const std::string& tracePath, const std::string& statement);
// "rdbexecsql -s <DS> -u <user>/<password> -i <script>"; data source and
// logon each one quoted argument, the script path as WriteTempFile gave it.
std::string PlanCommandLine(const std::string& dataSource, const std::string& user, const std::string& password,
                            const std::string& scriptPath);
// The tool's message when it wrote no trace: the text after "SQLMSG=" of
// the first line holding it, else the third line from the end, else (fewer
// lines) the first line.
std::string PlanToolMessage(const std::vector<std::string>& output);

// Reads the trace of the statement into a tree. A statement that is not a
// SELECT, INSERT, UPDATE, DELETE or CALL gives an empty tree.
TPlanTree ParsePlanTrace(const std::string& statement, const std::vector<std::string>& trace);

// A field of the output: TAB and CR LF turned into blanks.
std::string PlanFieldText(const std::string& text);
// The first column of a node on `level`: "┗" and two blanks a level before
// the text.
std::string PlanNodeCaption(const TPlanNode& node, int level);
// A node's fields: its caption and one sub-item per further column, TAB and
// line breaks turned into blanks.
std::vector<std::string> PlanNodeFields(const TPlanNode& node, int level, int columns);
// The clipboard line of a node: its fields joined by "," or TAB, and CR LF.
std::string PlanCopyLine(const TPlanNode& node, int level, int columns, bool comma);

// The logon the tool is run with, as typed at logon.
struct TPlanLogon {
  std::string DataSource;
  std::string User;
  std::string Password;
};
// What a plan run gives: the tree, or the message to show with the error
// icon (none when the tool's runner has shown its own).
struct TPlanResult {
  TPlanTree Tree;
  std::string Message;
};
// The trace lines a plan run wrote, or the message to show with the error
// icon when it wrote none (none when the tool's runner has shown its own).
struct TPlanTraceResult {
  std::vector<std::string> Lines;
  std::string Message;
  bool Ran = false;  // the tool ran to a success
};
// Writes the script into the work folder, runs rdbexecsql after `commit`
// (which ends an open transaction) and reads the trace it wrote. The script
// is deleted in every case, the trace kept; errors propagate after that.
TPlanTraceResult RunAccessPlanTrace(const std::string& sqlText, const TPlanLogon& logon,
                                    const std::function<void()>& commit);
// The same, the trace read as the plan tree.
TPlanResult RunAccessPlan(const std::string& sqlText, const TPlanLogon& logon, const std::function<void()>& commit);
