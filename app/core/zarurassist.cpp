#include "app/core/zarurassist.h"

#include <algorithm>

#include "app/core/ovkinds.h"
#include "app/core/zarur.h"
#include "app/core/zarursql.h"

namespace {
constexpr size_t kMaxParts = 3;

// A typed name as the catalogue is asked for it.
std::string Bound(const std::string& typed) {
  return !typed.empty() && typed.front() == '"' ? UnquoteName(typed) : UpperCase(typed);
}
}  // namespace

std::optional<TovAssistWord> SplitAssistWord(const std::string& word) {
  if (!word.empty() && std::all_of(word.begin(), word.end(), [](char c) { return c == '.'; })) return std::nullopt;
  TovAssistWord out;
  std::string rest = word;
  if (!rest.empty() && rest.back() == '.') {
    out.FinalDot = true;
    rest.pop_back();
  }
  for (size_t start = 0;;) {
    const size_t dot = rest.find('.', start);
    out.Parts.push_back(rest.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  if (out.Parts.size() > kMaxParts) return std::nullopt;
  return out;
}

TovAssistList ChooseAssistList(const TovAssistWord& word, const std::string& user, const TovAssistLookups& lookups) {
  using S = TovAssistStatus;
  std::vector<S> statuses;
  std::string aliasSchema;
  std::string aliasTable;
  for (size_t i = 0; i < word.Parts.size(); ++i) {
    const std::string& part = word.Parts[i];
    if (i + 1 == word.Parts.size() && !word.FinalDot) {
      statuses.push_back(S::Prefix);
      break;
    }
    const std::string schema = i == 0 ? user : Bound(word.Parts[0]);
    if (lookups.IsTable(schema, Bound(part))) {
      statuses.push_back(S::Table);
    } else if (auto table = i == 0 ? lookups.AliasTable(part) : std::nullopt) {
      SplitQualifiedName(*table, aliasSchema, aliasTable);
      aliasSchema = aliasSchema.empty() ? user : NormalizeSQLName(aliasSchema);
      aliasTable = NormalizeSQLName(aliasTable);
      statuses.push_back(S::Alias);
    } else if (lookups.IsSchema(Bound(part))) {
      statuses.push_back(S::Schema);
    } else if (lookups.IsRoutine(schema, Bound(part))) {
      statuses.push_back(S::Routine);
    } else {
      return {};
    }
  }
  const auto& p = word.Parts;
  const auto is = [&](std::initializer_list<S> wanted) {
    return std::equal(statuses.begin(), statuses.end(), wanted.begin(), wanted.end());
  };
  const auto withPrefix = [&](TovAssistList list) {
    if (statuses.back() == S::Prefix) list.Prefix = p.back();
    return list;
  };
  using K = TovAssistListKind;
  if (is({S::Prefix})) return withPrefix({K::SchemasTablesWords, user, {}, {}});
  if (is({S::Schema}) || is({S::Schema, S::Prefix})) return withPrefix({K::SchemaObjects, Bound(p[0]), {}, {}});
  if (is({S::Table}) || is({S::Table, S::Prefix})) return withPrefix({K::Columns, user, Bound(p[0]), {}});
  if (is({S::Alias}) || is({S::Alias, S::Prefix})) return withPrefix({K::Columns, aliasSchema, aliasTable, {}});
  if (is({S::Schema, S::Table}) || is({S::Schema, S::Table, S::Prefix}))
    return withPrefix({K::Columns, Bound(p[0]), Bound(p[1]), {}});
  if (is({S::Schema, S::Routine})) return {K::Schemas, {}, {}, {}};
  return {};
}

std::optional<std::string> AliasTableInText(const std::vector<std::string>& lines, const std::string& alias) {
  std::vector<std::string> clean = lines;
  StripSQLComments(clean, false);
  std::string text;
  for (const std::string& line : clean) text += line + "\r\n";
  TovSQLParts parts;
  try {
    AnalyzeSQL(text, parts, {});
  } catch (const ESQLParseError&) {
    // The tables read before the fault still serve.
  }
  for (int i = 0; i < parts.Tables.Count(); ++i)
    if (UpperCase(parts.Tables.GetValue(i)) == UpperCase(alias)) return parts.Tables.GetName(i);
  return std::nullopt;
}

int AssistObjectImage(const std::string& type) {
  static const std::pair<const char*, int> kImages[] = {
      {"SCHEMA", kAssistImageSchema}, {"TABLE", okTable},         {"INDEX", okIndex},
      {"VIEW", okView},               {"PROCEDURE", okProcedure}, {"FUNCTION", okFunction},
      {"TRIGGER", okTrigger},         {"SEQUENCE", okSequence},   {"KEYWORD", kAssistImageKeyword},
  };
  for (const auto& [name, image] : kImages)
    if (type == name) return image;
  return kAssistImageNone;
}

std::string AssistColumnTypeName(const std::string& code) {
  static const std::pair<const char*, const char*> kTypes[] = {
      {"CH", "CHAR"},     {"CV", "CHAR VARYING"}, {"CN", "NCHAR"},    {"NV", "NCHAR VARYING"},
      {"NU", "NUMERIC"},  {"DE", "DECIMAL"},      {"IN", "INTEGER"},  {"SI", "SMALLINT"},
      {"FL", "FLOAT"},    {"RE", "REAL"},         {"DP", "DOUBLE PRECISION"},
      {"DT", "DATE"},     {"TI", "TIME"},         {"TM", "TIMESTAMP"}, {"IT", "INTERVAL"},
      {"BL", "BLOB"},
  };
  const std::string trimmed = TrimBlanks(code);
  for (const auto& [key, name] : kTypes)
    if (trimmed == key) return name;
  return code;
}

std::string AssistObjectsSQL(int serverVersion) {
  constexpr int kFlatVersion = 10;
  static const char kBaseTables[] = "(A.TABLE_TYPE = 'BS' OR A.TABLE_TYPE = 'TD' OR A.TABLE_TYPE = 'TP')";
  static const char kViews[] = "(A.TABLE_TYPE = 'VW')";
  // Tables and views are read with and without their comments, as the
  // object list of the connection window reads them.
  const auto tables = [](const char* type, int sort, const char* where) {
    const std::string columns = std::string("SELECT '") + type + "' OBJECT_TYPE, A.TABLE_NAME OBJECT_NAME, " +
                                "A.SCHEMA_NAME SCHEMA_NAME, " + std::to_string(sort) + " \"SORT\", A.DB_CODE DB_CODE ";
    return columns +
           "FROM RDBII_SYSTEM.RDBII_TABLE A LEFT OUTER JOIN RDBII_SYSTEM.RDBII_COMMENT B ON A.TABLE_CODE = "
           "B.TABLE_CODE WHERE " +
           where + " UNION " + columns + "FROM RDBII_SYSTEM.RDBII_TABLE A WHERE " + where;
  };
  const std::string objects =
      tables("TABLE", 1, kBaseTables) +
      " UNION SELECT 'INDEX' OBJECT_TYPE, A.INDEX_DSO_NAME OBJECT_NAME, B.SCHEMA_NAME SCHEMA_NAME, 2 \"SORT\", "
      "A.DB_CODE DB_CODE FROM RDBII_SYSTEM.RDBII_INDEX A INNER JOIN RDBII_SYSTEM.RDBII_TABLE B ON A.TABLE_CODE = "
      "B.TABLE_CODE UNION " +
      tables("VIEW", 3, kViews) +
      " UNION SELECT 'PROCEDURE' OBJECT_TYPE, PROCEDURE_NAME OBJECT_NAME, SCHEMA_NAME, 4 \"SORT\", DB_CODE FROM "
      "RDBII_SYSTEM.RDBII_PROC WHERE PROCEDURE_TYPE = 1 AND ROUTINE_TYPE = 0"
      " UNION SELECT 'FUNCTION' OBJECT_TYPE, PROCEDURE_NAME OBJECT_NAME, SCHEMA_NAME, 5 \"SORT\", DB_CODE FROM "
      "RDBII_SYSTEM.RDBII_PROC WHERE PROCEDURE_TYPE = 2"
      " UNION SELECT 'TRIGGER' OBJECT_TYPE, TRIG_NAME OBJECT_NAME, TRIG_SCHEMA_NAME SCHEMA_NAME, 6 \"SORT\", "
      "TRIG_DB_CODE DB_CODE FROM RDBII_SYSTEM.RDBII_TRIGGER"
      " UNION SELECT 'SEQUENCE' OBJECT_TYPE, SEQUENCE_NAME OBJECT_NAME, SCHEMA_NAME, 7 \"SORT\", DB_CODE FROM "
      "RDBII_SYSTEM.RDBII_SEQUENCE";
  const bool nested = serverVersion < kFlatVersion;
  return std::string("SELECT TRIM(OBJECT_NAME), TRIM(OBJECT_TYPE) FROM (") + (nested ? " SELECT * FROM (" : "") +
         objects + ") ALL_OBJECT " + (nested ? ") ALL_OBJECT2 " : "") +
         "WHERE TRIM(SCHEMA_NAME) = :OWNER AND DB_CODE = (SELECT DB_CODE FROM RDBII_SYSTEM.RDBII_DATABASE WHERE "
         "TRIM(DB_NAME) = :DBName)\r\nORDER BY \"SORT\", OBJECT_NAME";
}
