#include "objedit/core/fviewcatalog.h"

#include "app/core/dsymfoware.h"
#include "app/core/odsql.h"
#include "app/core/ovconnwin.h"
#include "app/core/zarur.h"

namespace {

constexpr const char* kViewTableSql =
    "SELECT CHECK_OPTION FROM (SELECT DB_CODE, SCHEMA_CODE, TABLE_CODE, CHECK_OPTION FROM RDBII_SYSTEM.RDBII_TABLE "
    "WHERE TABLE_TYPE = 'VW' UNION SELECT DB_CODE, SCHEMA_CODE, TABLE_CODE, CHECK_OPTION FROM "
    "RDBII_SYSTEM.RDBII_TABLE WHERE TABLE_TYPE = 'VW' ) A WHERE DB_CODE = :DB_CODE AND SCHEMA_CODE = :SCHEMA_CODE "
    "AND TABLE_CODE = :TABLE_CODE WITH OPTION LOCK_MODE(NO LOCK)";
constexpr const char* kViewColumnSql =
    "SELECT TRIM(A.COLUMN_NAME), A.DATA_TYPE, A.CHAR_OCTET_LENGTH, A.NUMERIC_PRECISION, A.NUMERIC_SCALE, "
    "TRIM(A.NULLABLE), A.DEFAULT_VALUE, TRIM(B.COMMENT_VALUE), A.CHAR_MAX_LENGTH, 'B' CHAR_USED, A.NUMERIC_RADIX "
    "FROM RDBII_SYSTEM.RDBII_COLUMN A LEFT OUTER JOIN RDBII_SYSTEM.RDBII_COMMENT B ON B.DB_CODE = A.DB_CODE AND "
    "B.SCHEMA_CODE = A.SCHEMA_CODE AND B.TABLE_CODE = A.TABLE_CODE AND B.COLUMN_CODE = A.COLUMN_CODE AND "
    "B.INDEX_DSO_CODE = 0 AND B.COMMENT_TYPE = 'CL' WHERE A.DB_CODE = :DB_CODE AND A.SCHEMA_CODE = :SCHEMA_CODE AND "
    "A.TABLE_CODE = :TABLE_CODE ORDER BY A.COLUMN_CODE WITH OPTION LOCK_MODE(NO LOCK)";
enum : size_t {
  kNameField = 0,
  kTypeField,
  kOctetField,
  kPrecisionField,
  kScaleField,
  kNullableField,
  kDefaultField,
  kCommentField,
  kIntervalField = 10
};
constexpr const char* kViewCommentSql =
    "SELECT COMMENT_VALUE FROM RDBII_SYSTEM.RDBII_COMMENT WHERE DB_CODE = :DB_CODE AND SCHEMA_CODE = :SCHEMA_CODE AND "
    "TABLE_CODE = :TABLE_CODE AND COLUMN_CODE = 0 AND INDEX_DSO_CODE = 0 AND COMMENT_TYPE = 'TV' WITH OPTION "
    "LOCK_MODE(NO LOCK)";
constexpr const char* kViewQuerySql =
    "SELECT DESC_VALUE FROM RDBII_SYSTEM.RDBII_DESCRIPTION WHERE DB_CODE = :DB_CODE AND SCHEMA_CODE = :SCHEMA_CODE "
    "AND OBJECT_CODE = :OBJECT_CODE AND DESC_TYPE = 'V'  WITH OPTION LOCK_MODE(NO LOCK)";

std::vector<std::string> ViewCodes(TovConnectionWindow& window, const std::string& schema, const std::string& name) {
  const std::string database = window.Module().Connection.DataSource;
  return {window.GetDBCode(database), window.GetSchemaCode(database, schema),
          window.GetTableCode(database, schema, name)};
}

}  // namespace

std::optional<TViewDefinition> ReadViewDefinition(TovConnectionWindow& window, const std::string& schema,
                                                  const std::string& name) {
  const std::vector<std::string> codes = ViewCodes(window, schema, name);
  TViewDefinition view;
  {
    TovSQLQuery& q = window.OpenSQLParams(kViewTableSql, codes);
    if (q.Eof()) return std::nullopt;
    view.CheckOption = Trim(q.AsString(size_t{0})) == kViewCheckOptionOn;
  }
  int k = 0;
  for (TovSQLQuery& q = window.OpenSQLParams(kViewColumnSql, codes); !q.Eof(); q.Next()) {
    const TCatalogColumn read{q.AsString(kNameField), q.AsString(kTypeField),     q.Value(kOctetField),
                              q.Value(kPrecisionField), q.Value(kScaleField),  q.AsString(kNullableField),
                              q.AsString(kDefaultField), q.AsString(kCommentField), q.AsString(kIntervalField),
                              ""};
    view.Columns.push_back(ColumnOfCatalog(read, ++k, false));
  }
  TovSQLQuery& q = window.OpenSQLParams(kViewCommentSql, codes);
  if (!q.Eof()) view.Comment = q.AsString(size_t{0});
  return view;
}

std::optional<std::string> ReadViewQuery(TovConnectionWindow& window, const std::string& schema,
                                         const std::string& name) {
  TovSQLQuery& q = window.OpenSQLParams(kViewQuerySql, ViewCodes(window, schema, name));
  if (q.Eof()) return std::nullopt;
  return q.AsString(size_t{0});
}
