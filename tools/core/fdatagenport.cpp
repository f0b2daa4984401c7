#include "tools/core/fdatagenport.h"

#include <QString>

namespace {

// A link query moves on by a draw of this many: 0 keeps its row, 1 moves
// and draws again, any other moves once.
constexpr int64_t kLinkDraw = 20;
constexpr int64_t kLinkKeep = 0;
constexpr int64_t kLinkMoveAgain = 1;

QVariant BoundValue(const TDataGenValue& value) {
  if (!value) return QVariant(QMetaType::fromType<QString>());
  return QString::fromStdString(*value);
}

}  // namespace

TDataGenQueryPort::TDataGenQueryPort(TovSQLConnection& connection, const std::vector<TColParams>& cols,
                                     const std::vector<std::string>& linkQueries, std::string parentSQL,
                                     TDataGenRandom& random, TDataGenPortHooks hooks)
    : connection_(connection),
      cols_(cols),
      exec_(&connection),
      parent_(&connection),
      parentSQL_(std::move(parentSQL)),
      random_(random),
      hooks_(std::move(hooks)) {
  for (const std::string& sql : linkQueries) {
    TLinkQuery link{std::make_unique<TovSQLQuery>(&connection), false};
    link.Query->SetParamCheck(false);
    link.Query->SetSQL(sql);
    links_.push_back(std::move(link));
  }
}

void TDataGenQueryPort::Prepare(const std::string& sql) {
  exec_.SetParamCheck(true);
  exec_.SetSQL(sql);
  // Every row runs the one statement: prepared once.
  exec_.SetKeepPrepared(true);
}

void TDataGenQueryPort::Execute(const std::vector<TDataGenValue>& values) {
  std::vector<TovParameter>& parameters = exec_.Parameters();
  for (size_t i = 0; i < parameters.size(); ++i)
    parameters[i].Value = i < values.size() ? BoundValue(values[i]) : QVariant(QMetaType::fromType<QString>());
  exec_.ExecSQL();
}

void TDataGenQueryPort::Commit() {
  if (connection_.InTransaction()) connection_.CommitTrans();
  connection_.BeginTrans();
}

void TDataGenQueryPort::Rollback() {
  if (connection_.InTransaction()) connection_.RollbackTrans();
  connection_.BeginTrans();
}

void TDataGenQueryPort::MoveOn(TLinkQuery& link) {
  TovSQLQuery& query = *link.Query;
  while (query.Active() && !query.Eof()) {
    const int64_t draw = random_.Next(kLinkDraw);
    if (draw == kLinkKeep) break;
    query.Next();
    if (draw != kLinkMoveAgain) break;
  }
  if (query.Active() && !query.Eof()) return;
  // Past its end it starts over on its first row.
  query.Open();
  if (query.Eof()) link.Empty = true;
}

void TDataGenQueryPort::AdvanceRow(TDataGenRowInput& input) {
  for (TLinkQuery& link : links_)
    if (!link.Empty) MoveOn(link);
  if (links_.empty()) return;
  input.LinkValues.assign(cols_.size(), std::nullopt);
  for (size_t i = 0; i < cols_.size(); ++i) {
    const TColParams& col = cols_[i];
    if (col.Rule.SetType != dgLink || col.LinkQueryIndex < 0) continue;
    const TLinkQuery& link = links_[static_cast<size_t>(col.LinkQueryIndex)];
    if (link.Empty) continue;
    const auto field = static_cast<size_t>(col.LinkFieldIndex);
    if (!link.Query->Value(field).isNull()) input.LinkValues[i] = link.Query->AsString(field);
  }
}

bool TDataGenQueryPort::NextParentRow(TDataGenRowInput& input) {
  if (!parent_.Active()) {
    parent_.SetParamCheck(false);
    parent_.SetSQL(parentSQL_);
    parent_.Open();
    input.ParentColumns.clear();
    for (const TovFieldDef& field : parent_.Fields()) input.ParentColumns.push_back(field.name);
  } else {
    parent_.Next();
  }
  if (parent_.Eof()) return false;
  input.ParentRow.clear();
  for (size_t i = 0; i < parent_.Fields().size(); ++i)
    input.ParentRow.push_back(parent_.Value(i).isNull() ? TDataGenValue() : TDataGenValue(parent_.AsString(i)));
  return true;
}

bool TDataGenQueryPort::EscapePressed() { return escapePace_.Due() && hooks_.EscapePressed(); }

void TDataGenQueryPort::Log(const std::string& line) { hooks_.Log(line); }

bool TDataGenQueryPort::AskContinue(bool& ignoreLater) { return hooks_.AskContinue(ignoreLater); }

void TDataGenQueryPort::FreeQueries() {
  exec_.SetKeepPrepared(false);
  for (TLinkQuery& link : links_) link.Query->Close();
  links_.clear();
  parent_.Close();
}

std::string DataGenParentSQL(const std::string& schema, const std::string& table) {
  return "SELECT * FROM " + QuoteIdent(schema) + "." + QuoteIdent(table);
}
