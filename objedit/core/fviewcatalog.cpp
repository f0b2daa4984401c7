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
enum : size_t { kColumnNameField = 0, kColumnCommentField = 7 };
constexpr const char* kViewCommentSql =
    "SELECT COMMENT_VALUE FROM RDBII_SYSTEM.RDBII_COMMENT WHERE DB_CODE = :DB_CODE AND SCHEMA_CODE = :SCHEMA_CODE AND "
    "TABLE_CODE = :TABLE_CODE AND COLUMN_CODE = 0 AND INDEX_DSO_CODE = 0 AND COMMENT_TYPE = 'TV' WITH OPTION "
    "LOCK_MODE(NO LOCK)";
constexpr const char* kViewQuerySql =
    "SELECT DESC_VALUE FROM RDBII_SYSTEM.RDBII_DESCRIPTION WHERE DB_CODE = :DB_CODE AND SCHEMA_CODE = :SCHEMA_CODE "
    "AND OBJECT_CODE = :OBJECT_CODE AND DESC_TYPE = 'V'  WITH OPTION LOCK_MODE(NO LOCK)";

}  // namespace

std::optional<TViewCatalog> ReadViewCatalog(TovConnectionWindow& window, const std::string& schema,
                                            const std::string& name) {
  const std::string database = window.Module().Connection.DataSource;
  const std::vector<std::string> codes{window.GetDBCode(database), window.GetSchemaCode(database, schema),
                                       window.GetTableCode(database, schema, name)};
  TViewCatalog view;
  {
    TovSQLQuery& q = window.OpenSQLParams(kViewTableSql, codes);
    if (q.Eof()) return std::nullopt;
    view.CheckOption = Trim(q.AsString(size_t{0})) == kViewCheckOptionOn;
  }
  for (TovSQLQuery& q = window.OpenSQLParams(kViewColumnSql, codes); !q.Eof(); q.Next())
    view.Columns.push_back({q.AsString(kColumnNameField), q.AsString(kColumnCommentField)});
  {
    TovSQLQuery& q = window.OpenSQLParams(kViewCommentSql, codes);
    if (!q.Eof()) view.Comment = q.AsString(size_t{0});
  }
  TovSQLQuery& q = window.OpenSQLParams(kViewQuerySql, codes);
  if (q.Eof()) return std::nullopt;
  view.Query = q.AsString(size_t{0});
  return view;
}
