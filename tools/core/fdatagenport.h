#ifndef ORV_TOOLS_CORE_FDATAGENPORT_H
#define ORV_TOOLS_CORE_FDATAGENPORT_H

// The generator's statement port on a real connection: one prepared
// INSERT, the link queries and the parent table's rows; commits and
// rollbacks leave a transaction open, as the connection window keeps one.
#include "app/core/odsql.h"
#include "app/core/zarur.h"
#include "tools/core/fdatagenrun.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// What the window answers for the port.
struct TDataGenPortHooks {
  std::function<bool()> EscapePressed;
  std::function<void(const std::string&)> Log;
  std::function<bool(bool&)> AskContinue;
};

class TDataGenQueryPort : public TDataGenPort {
 public:
  // `cols` are the rules of the run after BuildLinkQueries gave their link
  // query and field; `linkQueries` its statements; `parentSQL` the SELECT
  // of the parent table (empty in the normal mode).
  TDataGenQueryPort(TovSQLConnection& connection, const std::vector<TColParams>& cols,
                    const std::vector<std::string>& linkQueries, std::string parentSQL, TDataGenRandom& random,
                    TDataGenPortHooks hooks);

  void Prepare(const std::string& sql) override;
  void Execute(const std::vector<TDataGenValue>& values) override;
  void Commit() override;
  void Rollback() override;
  void AdvanceRow(TDataGenRowInput& input) override;
  bool NextParentRow(TDataGenRowInput& input) override;
  bool EscapePressed() override;
  void Log(const std::string& line) override;
  bool AskContinue(bool& ignoreLater) override;

  // Closes the link and parent queries.
  void FreeQueries();

 private:
  struct TLinkQuery {
    std::unique_ptr<TovSQLQuery> Query;
    bool Empty = false;
  };
  void MoveOn(TLinkQuery& link);

  TovSQLConnection& connection_;
  const std::vector<TColParams>& cols_;
  TovSQLQuery exec_;
  std::vector<TLinkQuery> links_;
  TovSQLQuery parent_;
  std::string parentSQL_;
  TDataGenRandom& random_;
  TDataGenPortHooks hooks_;
  TProgressPace escapePace_;
};

// The parent table's SELECT of the dependent run.
std::string DataGenParentSQL(const std::string& schema, const std::string& table);

#endif
