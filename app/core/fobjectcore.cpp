#include "app/core/fobjectcore.h"

#include <QString>

#include <algorithm>

#include "app/core/zarur.h"

namespace {

constexpr char kLineBreak[] = "\r\n";

constexpr char kTableProbe[] =
    "SELECT 1 FROM RDBII_SYSTEM.RDBII_TABLE WHERE DB_NAME = 'RDBII_DICTIONARY' AND TRIM(TABLE_NAME) = :TABLE";
constexpr char kParameterProbe[] =
    "SELECT 1 FROM RDBII_SYSTEM.RDBII_SYS_PRM WHERE PARAMETER_NAME = :PARAMETER_NAME";
constexpr char kLevel10Table[] = "RDBII_TABLE_EX";
constexpr char kLevel11Table[] = "RDBII_LOGMNG";
constexpr char kLevel11Parameter[] = "CHOOSE_TID_UNION";
constexpr int kLevel10 = 10;
constexpr int kLevel11 = 11;

constexpr char kUserQuery[] = "SELECT TRIM(USER_NAME) FROM RDBII_SYSTEM.USERS WHERE TRIM(USER_NAME) = :USER_ID";

constexpr int kTaskCaptionMax = 12;
constexpr int kTaskCaptionCut = 10;
constexpr char kEllipsis[] = "…";

constexpr char kBaseDsoLabel[] = "Base DSO name ...... ";
constexpr char kDsiListLabel[] = "DSI information";
constexpr char kFirstDsiBlock[] = "No. 1";
constexpr char kRdbinfDsiLabel[] = "DSI       :";
constexpr char kDataAllocation[] = "DATA";
// The rdbinf line three below a DSI line names its allocation.
constexpr size_t kAllocationOffset = 3;
// In the DSI list the item lines start two below the title, and the list
// goes on while the line one further down is not the first DSI block.
constexpr size_t kDsiItemOffset = 2;
constexpr size_t kDsiLookAhead = 3;

// Swallows what the transaction operations raise.
template <class F>
void Quietly(F&& step) {
  try {
    step();
  } catch (...) {
  }
}

void BeginIfNone(TTransactionPort& tx) {
  if (!tx.InTransaction()) tx.BeginTrans();
}

bool LessIgnoringCase(const std::string& a, const std::string& b) {
  return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) < 0;
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
  return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) == 0;
}

}  // namespace

void ExecWithTransactionRule(TTransactionPort& tx, bool autoCommit, const std::string& sql,
                             const std::function<void(const std::string&)>& execute) {
  const bool commit = sql == kCommitText;
  const bool rollback = sql == kRollbackText;
  if (!tx.InTransaction()) {
    tx.BeginTrans();
  } else if (commit || autoCommit) {
    Quietly([&] {
      tx.CommitTrans();
      BeginIfNone(tx);
    });
  } else if (rollback) {
    Quietly([&] {
      tx.RollbackTrans();
      BeginIfNone(tx);
    });
  }
  if (commit || rollback) return;
  execute(sql);
  if (tx.InTransaction() && autoCommit)
    Quietly([&] {
      tx.CommitTrans();
      BeginIfNone(tx);
    });
}

void BeginQueryTransaction(TTransactionPort& tx, bool autoCommit) {
  if (!autoCommit) return;
  if (tx.InTransaction()) tx.CommitTrans();
  tx.BeginTrans();
}

std::vector<std::string> ScriptBatches(const std::vector<std::string>& lines, const std::string& separator) {
  std::vector<std::string> batches;
  std::string batch;
  auto flush = [&] {
    if (!Trim(batch).empty()) batches.push_back(batch);
    batch.clear();
  };
  for (const std::string& line : lines) {
    if (Trim(line) == separator) {
      flush();
    } else {
      batch += line + kLineBreak;
    }
  }
  flush();
  return batches;
}

TCatalogLevel ProbeCatalogLevel(const TRowExists& rowExists) {
  TCatalogLevel level;
  if (rowExists(kTableProbe, {kLevel10Table})) level = {kLevel10, kLevel10, false};
  if (level.CatalogLevel == kLevel10 && rowExists(kTableProbe, {kLevel11Table})) {
    level.CatalogLevel = kLevel11;
    level.LevelReduced = false;
  }
  if (level.CatalogLevel == kLevel11 && !rowExists(kParameterProbe, {kLevel11Parameter})) {
    level.CatalogLevel = kLevel10;
    level.LevelReduced = true;
  }
  return level;
}

std::string CatalogUserName(const TRowExists& rowExists, const std::string& typed) {
  if (rowExists(kUserQuery, {typed})) return typed;
  const std::string upper = UpperCase(typed);
  return rowExists(kUserQuery, {upper}) ? upper : typed;
}

std::string TaskButtonCaption(const std::string& user, const std::string& dataSource) {
  std::string caption = user + "@" + dataSource;
  std::erase(caption, ' ');
  if (DisplayWidth(caption) <= kTaskCaptionMax) return caption;
  return CutToWidth(caption, kTaskCaptionCut) + kEllipsis;
}

std::optional<std::string> BaseDsoName(const std::vector<std::string>& lines) {
  const std::string label = kBaseDsoLabel;
  for (const std::string& line : lines) {
    const std::string trimmed = Trim(line);
    if (trimmed.starts_with(label)) return Trim(trimmed.substr(label.size()));
  }
  return std::nullopt;
}

std::vector<std::string> TableDsiNames(const std::vector<std::string>& lines) {
  std::vector<std::string> names;
  auto title = std::find_if(lines.begin(), lines.end(),
                            [](const std::string& line) { return Trim(line).starts_with(kDsiListLabel); });
  if (title == lines.end()) return names;
  for (size_t j = static_cast<size_t>(title - lines.begin());
       j + kDsiLookAhead < lines.size() && !Trim(lines[j + kDsiLookAhead]).starts_with(kFirstDsiBlock); ++j) {
    const std::string item = Trim(lines[j + kDsiItemOffset]);
    const size_t blank = item.find(' ');
    if (blank != std::string::npos) names.push_back(Trim(item.substr(blank)));
  }
  return names;
}

void AddDataDsiNames(const std::vector<std::string>& lines, std::vector<std::string>& names) {
  for (size_t i = 0; i + kAllocationOffset < lines.size(); ++i) {
    const std::string trimmed = Trim(lines[i]);
    if (!trimmed.starts_with(kRdbinfDsiLabel) || !Trim(lines[i + kAllocationOffset]).starts_with(kDataAllocation))
      continue;
    names.push_back(Trim(trimmed.substr(trimmed.find(':') + 1)));
  }
}

void SortUnique(std::vector<std::string>& lines) {
  std::vector<std::string> sorted = lines;
  std::stable_sort(sorted.begin(), sorted.end(), LessIgnoringCase);
  lines.clear();
  // Lines equal ignoring case are neighbours once sorted; the first stays.
  for (const std::string& line : sorted)
    if (lines.empty() || !EqualIgnoringCase(lines.back(), line)) lines.push_back(line);
}
