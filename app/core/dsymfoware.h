// dsymfoware: the data module of one logon: its connection and a general
// query on it, and the two accessors that make up the connection label.
#pragma once

#include <string>

#include "app/core/odsql.h"

class TdmSymfoware {
 public:
  TdmSymfoware();
  TdmSymfoware(const TdmSymfoware&) = delete;
  TdmSymfoware& operator=(const TdmSymfoware&) = delete;

  TovSQLConnection Connection;
  TovSQLQuery qryGeneral;

  std::string GetUserName() const;
  std::string GetDataSourceName() const;
};
