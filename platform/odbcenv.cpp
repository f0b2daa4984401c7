#include "platform/odbcenv.h"

#include <odbcinst.h>
#include <sql.h>
#include <sqlext.h>

#include <array>

namespace platform {
namespace {

// Buffer sizes of the original enumeration: a 33-byte name (SQL_MAX_DSN_LENGTH
// plus the terminator) and a 1025-byte driver description.
constexpr size_t kNameBufferSize = SQL_MAX_DSN_LENGTH + 1;
constexpr size_t kDescriptionBufferSize = 1025;
constexpr size_t kAttributeBufferSize = 4096;

// The ODBC environment of one enumeration, freed on every path.
class OdbcEnvironment {
 public:
  OdbcEnvironment() {
    if (SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &handle_) != SQL_SUCCESS) {
      handle_ = SQL_NULL_HENV;
      return;
    }
    SQLSetEnvAttr(handle_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  }
  ~OdbcEnvironment() {
    if (handle_ != SQL_NULL_HENV) SQLFreeHandle(SQL_HANDLE_ENV, handle_);
  }
  OdbcEnvironment(const OdbcEnvironment&) = delete;
  OdbcEnvironment& operator=(const OdbcEnvironment&) = delete;
  SQLHENV handle() const { return handle_; }

 private:
  SQLHENV handle_ = SQL_NULL_HENV;
};

}  // namespace

std::vector<OdbcDataSource> ListOdbcDataSources() {
  std::vector<OdbcDataSource> result;
  OdbcEnvironment env;
  if (env.handle() == SQL_NULL_HENV) return result;
  SQLUSMALLINT direction = SQL_FETCH_FIRST;
  for (;;) {
    std::array<SQLCHAR, kNameBufferSize> name{};
    std::array<SQLCHAR, kDescriptionBufferSize> description{};
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT descriptionLength = 0;
    SQLRETURN rc = SQLDataSources(env.handle(), direction, name.data(), name.size(), &nameLength,
                                  description.data(), description.size(), &descriptionLength);
    if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) break;
    result.push_back(
        {reinterpret_cast<const char*>(name.data()), reinterpret_cast<const char*>(description.data())});
    direction = SQL_FETCH_NEXT;
  }
  return result;
}

std::optional<std::string> OdbcDataSourceAttribute(const std::string& dataSource,
                                                   const std::string& attribute) {
  // The default cannot occur in a value read from the file, so it tells a
  // missing attribute from an empty one.
  static const char kMissing[] = "\x01";
  std::array<char, kAttributeBufferSize> value{};
  SQLSetConfigMode(ODBC_BOTH_DSN);
  SQLGetPrivateProfileString(dataSource.c_str(), attribute.c_str(), kMissing, value.data(),
                             static_cast<int>(value.size()), "odbc.ini");
  std::string text = value.data();
  if (text == kMissing) return std::nullopt;
  return text;
}

}  // namespace platform
