// ovresolver: writes the cached changes of a client data set to its base
// table. Names are always quoted and every value is a parameter; a record
// is found by the original values of its comparable fields, and an update
// or delete is written only when that finds exactly one row, so identical
// rows are never changed together and a vanished row never passes for done;
// a change to a column no statement writes (a computed one) is refused whole.
#pragma once

#include <QVariant>

#include <string>
#include <vector>

#include "ui/core/ovclientds.h"

// A statement with ":Pn" markers and their values in order.
struct TResolverStatement {
  std::string SQL;
  std::vector<QVariant> Params;
};

// "name" with inner quotes doubled.
std::string QuotedName(const std::string& name);

// The statements of one change: the count of matching rows (empty for an
// insert) and the change itself (empty SQL when nothing is to be written).
struct TResolverPlan {
  TResolverStatement Count;
  TResolverStatement Change;
};
TResolverPlan PlanUpdate(TUpdateKind kind, const std::vector<TovField>& fields, const TRecordValues& original,
                         const TRecordValues& current);

class TovSQLResolver : public TovResolver {
 public:
  explicit TovSQLResolver(TovSQLConnection& connection) : connection_(connection) {}
  void ApplyUpdate(TUpdateKind kind, const std::vector<TovField>& fields, const TRecordValues& original,
                   const TRecordValues& current) override;

 private:
  TovSQLConnection& connection_;
};
