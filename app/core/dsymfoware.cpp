#include "app/core/dsymfoware.h"

#include <QString>

TdmSymfoware::TdmSymfoware() : qryGeneral(&Connection) {}

std::string TdmSymfoware::GetUserName() const { return Connection.UserName; }

std::string TdmSymfoware::GetDataSourceName() const {
  return QString::fromStdString(Connection.DataSource).toUpper().toStdString();
}
