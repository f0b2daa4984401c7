#include "sqlwork/core/ffieldcore.h"

#include <gtest/gtest.h>

#include "app/core/ovformat.h"
#include "app/core/zarur.h"

namespace {

using Columns = std::vector<TFieldColumn>;
using Tables = std::vector<TFieldTable>;

struct TypeCase {
  const char* Code;
  QVariant Length;
  QVariant Precision;
  QVariant Scale;
  QVariant Radix;
  const char* Expected;
};

const QVariant kNull;

TEST(FieldTypeText, EveryCodeAndQualifier) {
  const TypeCase cases[] = {
      {"CH", 10, kNull, kNull, kNull, "CHAR(10)"},
      {"CV", 200, kNull, kNull, kNull, "CHAR VARYING(200)"},
      {"CN", 4, kNull, kNull, kNull, "NCHAR(4)"},
      {"NV", 30, kNull, kNull, kNull, "NCHAR VARYING(30)"},
      {"BL", 1024, kNull, kNull, kNull, "BLOB"},
      {"IN", kNull, 9, 0, kNull, "INT"},
      {"SI", kNull, 4, 0, kNull, "SMALLINT"},
      {"DT", kNull, kNull, kNull, kNull, "DATE"},
      {"TI", kNull, kNull, kNull, kNull, "TIME"},
      {"TM", kNull, kNull, kNull, kNull, "TIMESTAMP"},
      {"DE", kNull, 7, 2, kNull, "DECIMAL(7,2)"},
      {"NU", kNull, 9, kNull, kNull, "NUMERIC(9)"},
      {"NU", kNull, 9, 0, kNull, "NUMERIC(9,0)"},
      {"FL", kNull, 15, kNull, kNull, "FLOAT(15)"},
      {"DP", kNull, 15, kNull, kNull, "DOUBLE PRECISION"},
      {"RE", kNull, 7, kNull, kNull, "REAL"},
      {"IT", kNull, 2, kNull, 1, "INTERVAL YEAR(2)"},
      {"IT", kNull, 2, kNull, 2, "INTERVAL MONTH(2)"},
      {"IT", kNull, 2, kNull, 3, "INTERVAL DAY(2)"},
      {"IT", kNull, 2, kNull, 4, "INTERVAL HOUR(2)"},
      {"IT", kNull, 2, kNull, 5, "INTERVAL MINUTE(2)"},
      {"IT", kNull, 2, kNull, 6, "INTERVAL SECOND(2)"},
      {"IT", kNull, 3, kNull, 7, "INTERVAL YEAR(3) TO MONTH"},
      {"IT", kNull, 2, kNull, 8, "INTERVAL DAY(2) TO HOUR"},
      {"IT", kNull, 2, kNull, 9, "INTERVAL DAY(2) TO MINUTE"},
      {"IT", kNull, 2, kNull, 10, "INTERVAL DAY(2) TO SECOND"},
      {"IT", kNull, 2, kNull, 11, "INTERVAL HOUR(2) TO MINUTE"},
      {"IT", kNull, 2, kNull, 12, "INTERVAL HOUR(2) TO SECOND"},
      {"IT", kNull, 4, kNull, 13, "INTERVAL MINUTE(4) TO SECOND"},
      {"IT", kNull, 2, kNull, 14, "INTERVAL "},
      {"IT", kNull, 2, kNull, kNull, "INTERVAL "},
      {"XX", 10, 7, 2, kNull, ""},
      {"", kNull, kNull, kNull, kNull, ""},
  };
  for (const TypeCase& c : cases) {
    const TColumnTypeFields field{c.Code, c.Length, c.Precision, c.Scale, c.Radix};
    EXPECT_EQ(FieldTypeText(field), c.Expected) << c.Code << " radix " << c.Radix.toString().toStdString();
  }
}

TEST(FieldTableSQL, KindsFollowTheButtons) {
  EXPECT_NE(FieldTableSQL(true, true).find("TABLE_TYPE IN ('BS', 'TD', 'TP','VW')"), std::string::npos);
  EXPECT_NE(FieldTableSQL(true, false).find("TABLE_TYPE IN ('BS', 'TD', 'TP')"), std::string::npos);
  EXPECT_NE(FieldTableSQL(false, true).find("TABLE_TYPE IN ('VW')"), std::string::npos);
}

struct CopyCase {
  const char* Name;
  Columns Selected;
  Tables Aliases;
  const char* Expected;
};

TEST(FieldCopy, ColumnListsQualifiedByNonEmptyAliases) {
  const CopyCase cases[] = {
      {"one table", {{"", "A"}, {"", "B"}}, {{"T", ""}}, "A,B"},
      {"alias X and an empty one", {{"T1", "A"}, {"T2", "B"}}, {{"T1", "X"}, {"T2", ""}}, "X.A,B"},
      {"lower case quoted", {{"T1", "a"}, {"T2", "B c"}}, {{"T1", "X"}, {"T2", "Y"}}, "X.\"a\",Y.\"B c\""},
      {"nothing selected", {}, {{"T", ""}}, ""},
  };
  for (const CopyCase& c : cases) EXPECT_EQ(CopyColumnText(c.Selected, c.Aliases), c.Expected) << c.Name;
  EXPECT_EQ(CopyTableText({"T1", "t2"}), "T1,\"t2\"");
  EXPECT_EQ(FieldCaption({"T1", "A"}), "T1.A");
  EXPECT_EQ(FieldCaption({"", "A"}), "A");
}

TEST(FieldSkeletons, StatementsLaidOutByTheFormatter) {
  AppOption = {};
  // The layout of the formatter as it stands, written out once.
  EXPECT_EQ(SelectSkeleton("S", {{"T", ""}}, {{"", "A"}, {"", "B"}}), "SELECT A\r\n      ,B\r\n  FROM S.T");
  struct Case {
    const char* Name;
    std::string Built;
    const char* Flat;
  } const cases[] = {
      {"no column is every column", SelectSkeleton("S", {{"T", ""}}, {}), "SELECT * FROM S.T"},
      {"two tables with their aliases", SelectSkeleton("S", {{"T1", "X"}, {"t2", "Y"}}, {{"T1", "A"}, {"t2", "b"}}),
       "SELECT X.A,Y.\"b\" FROM S.T1 X,S.\"t2\" Y"},
      {"insert with columns", InsertSkeleton("s", "T", {{"", "A"}, {"", "b"}}),
       "INSERT INTO \"s\".T (A,\"b\") VALUES()"},
      {"insert without columns", InsertSkeleton("S", "T", {}), "INSERT INTO S.T VALUES()"},
      {"update", UpdateSkeleton("S", "t", {{"", "A"}, {"", "b"}}), "UPDATE S.\"t\" SET\r\nA= ,\r\n\"b\"= "},
  };
  for (const Case& c : cases) EXPECT_EQ(c.Built, FormatSQL(c.Flat)) << c.Name;
}

}  // namespace
