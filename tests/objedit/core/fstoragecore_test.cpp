#include "objedit/core/fstoragecore.h"

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>

#include "app/core/fobjectcore.h"
#include "app/core/ovoptions.h"

// Readable failures for the records.
void PrintTo(const TStorageSize& s, std::ostream* os) { *os << s.Value << "/" << s.Unit; }
void PrintTo(const TStorageDsi& d, std::ostream* os) {
  *os << "{" << d.Name << " " << d.DivideValue << " " << ::testing::PrintToString(d.Alarm) << " "
      << ::testing::PrintToString(d.Expand) << " " << ::testing::PrintToString(d.Allocation) << " " << d.Scope << " "
      << d.TableDsi << " " << d.Option << "}";
}
void PrintTo(const TStorageAllocation& a, std::ostream* os) {
  *os << "{" << a.Dsi << " " << a.Kind << " " << a.Space << " " << a.Size << " " << a.Unit << "}";
}
void PrintTo(const TTableStorage& t, std::ostream* os) {
  *os << t.Kind << " " << t.DsoName << " " << t.DataPageSize << "/" << t.PrimePageSize << "/" << t.OverflowPageSize
      << " order " << t.Order << " prec " << t.Precedence << " div " << t.DivideColumns << " cl " << t.ClusterKey
      << " nu " << t.NotUnique << " rule " << t.Rule << " " << ::testing::PrintToString(t.Dsis) << " "
      << ::testing::PrintToString(t.Allocations) << " temp " << t.TemporarySpaces.size() << " " << t.PreserveRows;
}

namespace {

using Lines = std::vector<std::string>;

Lines LinesOf(const std::string& text) {
  Lines lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line + "\r");
  return lines;
}

constexpr const char* kTrailer = "\nrdbprtが正常終了しました 復帰コード 00\n";

// A list-partitioned RANDOM table with two DSIs and one index.
const std::string kEmpReport = R"(RDB definition information
Table name    ...... HR.EMP
Base DSO name ...... EMP_DSO
Type          ...... BASE TABLE

Data structure information
Type                ...... RANDOM
Page size(PRIME)    ...... 4
Page size(OVERFLOW) ...... 8
Order               ...... 1
Precedence          ...... 1
Cluster key information
No.  Column name
1 EMP_NO
2 DEPT_NO
Type      ...... NOT UNIQUE

Rule information
  HASH(EMP_NO)
Divide condition
  (DEPT_NO)=(10)
  (DEPT_NO)=(20)

DSI information
No.  DSI name
1 EMP_DSI1
2 EMP_DSI2

No. 1         DSI name ...... EMP_DSI1
Divide value
  (10)
Alarm information
Alarm point     ...... 800(K byte)
expand point    ...... 900(K byte)
allocation size ...... 1024(K byte)
Stand by Database space information
No.  Database space name
1 SPACE2
2 SPACE3

Allocation information
No. 1         Allocation target ...... PRIME
Used database space information
No.  Database space name  Size
1 SPACE1 1024(K byte)
2 SPACE1 512(K byte)

No. 2         Allocation target ...... OVERFLOW
Used database space information
No.  Database space name  Size
1 SPACE1 10(M byte)
2 SPACE1 512(K byte)

Scope information
No.  Scope name
1 SCOPE1

No. 2         DSI name ...... EMP_DSI2
Divide value
  (20)
Allocation information
No. 1         Allocation target ...... PRIME
Used database space information
No.  Database space name  Size
1 SPACE1 1024(K byte)

Index information
DSO name ...... EMP_IX1
Page size(BASE)     ...... 4
Page size(INDEX)    ...... 2
Index degenerate    ...... NO
Index realignment   ...... YES
DSI information
No.  DSI name
1 EMP_IX1_DSI
2 EMP_IX1_DSI2

No. 1         DSI name ...... EMP_IX1_DSI
Alarm information
Alarm point     ...... 800(K byte)
expand point    ...... 900(K byte)
allocation size ...... 1(M byte)
Stand by Database space information
No.  Database space name
1 SPACE9

Base DSI information
No.  DSI name
1 EMP_DSI1
Index degenerate  ...... NO
Index realignment ...... YES
Allocation information
No. 1         Allocation target ...... BASE
Used database space information
No.  Database space name  Size
1 SPACE1 256(K byte)

No. 2         Allocation target ...... INDEX
Used database space information
No.  Database space name  Size
1 SPACE1 128(K byte)

No. 2         DSI name ...... EMP_IX1_DSI2
Base DSI information
No.  DSI name
1 EMP_DSI2
Index degenerate  ...... YES
Index realignment ...... NO
Allocation information
No. 1         Allocation target ...... BASE
Used database space information
No.  Database space name  Size
1 SPACE4 64(K byte)
)";

TEST(StorageReport, ReadsATableWithItsDsiBlocksAllocationsAndScopes) {
  const std::optional<TTableStorage> read = ReadTableStorage(LinesOf(kEmpReport + kTrailer));
  ASSERT_TRUE(read);
  TTableStorage expected;
  expected.Kind = kStorageRandomList;
  expected.DsoName = "EMP_DSO";
  expected.PrimePageSize = "4";
  expected.OverflowPageSize = "8";
  expected.Order = true;
  expected.Precedence = true;
  expected.DivideColumns = "DEPT_NO";
  expected.ClusterKey = "EMP_NO, DEPT_NO";
  expected.NotUnique = true;
  expected.Rule = "HASH(EMP_NO)";
  expected.Dsis = {{"EMP_DSI1", "10", {"800", "KB"}, {"900", "KB"}, {"1024", "KB"}, "SCOPE1", "", ""},
                   {"EMP_DSI2", "20", {}, {}, {}, "", "", ""}};
  expected.Allocations = {
      {"EMP_DSI1", kAllocExpand, "SPACE2", "", ""},
      {"EMP_DSI1", kAllocExpand, "SPACE3", "", ""},
      {"EMP_DSI1", kAllocPrime, "SPACE1", "1536", "KB"},
      // 10M and 512K are summed in KB.
      {"EMP_DSI1", kAllocOverflow, "SPACE1", "10752", "KB"},
      {"EMP_DSI2", kAllocPrime, "SPACE1", "1024", "KB"},
  };
  EXPECT_EQ(*read, expected);
  // The readers of the connection window agree on the same report.
  EXPECT_EQ(BaseDsoName(LinesOf(kEmpReport + kTrailer)), read->DsoName);
  EXPECT_EQ(TableDsiNames(LinesOf(kEmpReport + kTrailer)), ReadDsiList(LinesOf(kEmpReport + kTrailer)));
}

TEST(StorageReport, ReadsTheIndexPartOfTheLastMatchingDso) {
  const TIndexStorage read = ReadIndexStorage(LinesOf(kEmpReport + kTrailer), "EMP_IX1");
  TIndexStorage expected;
  expected.DsoName = "EMP_IX1";
  expected.BasePageSize = "4";
  expected.IndexPageSize = "2";
  expected.Option = kIndexRealignment;
  expected.Dsis = {
      {"EMP_IX1_DSI", "", {"800", "KB"}, {"900", "KB"}, {"1", "MB"}, "", "EMP_DSI1", kIndexRealignment},
      {"EMP_IX1_DSI2", "", {}, {}, {}, "", "EMP_DSI2", kIndexDegenerate},
  };
  // EMP_IX1_DSI begins EMP_IX1_DSI2: each takes only its own block.
  expected.Allocations = {
      {"EMP_IX1_DSI", kAllocExpand, "SPACE9", "", ""},
      {"EMP_IX1_DSI", kAllocBase, "SPACE1", "256", "KB"},
      {"EMP_IX1_DSI", kAllocIndex, "SPACE1", "128", "KB"},
      {"EMP_IX1_DSI2", kAllocBase, "SPACE4", "64", "KB"},
  };
  EXPECT_EQ(read, expected);
}

// A table report of the given structure type and divide condition.
std::string TableReport(const std::string& structure, const std::string& divide) {
  std::string text = "RDB definition information\nBase DSO name ...... T_DSO\nType          ...... BASE TABLE\n\n";
  if (!structure.empty())
    text += "Data structure information\nType                ...... " + structure +
            "\nPage size(DATA)     ...... 4(K byte)\nOrder               ...... 0\n";
  if (!divide.empty()) text += "Divide condition\n  " + divide + "\n";
  return text + "\nDSI information\nNo.  DSI name\n1 T_DSI\n\nNo. 1         DSI name ...... T_DSI\n" + kTrailer;
}

TEST(StorageReport, TheKindComesFromTheStructureAndThePartitioning) {
  struct Case {
    const char* structure;
    const char* divide;
    int kind;
  };
  const Case cases[] = {
      {"SEQUENTIAL", "", kStorageSequential},
      {"SEQUENTIAL", "(C1)=(1)", kStorageSequentialList},
      {"SEQUENTIAL", "(C1)BETWEEN(1)AND(9)", kStorageSequentialRange},
      {"RANDOM", "", kStorageRandom},
      {"RANDOM", "(C1)=(1)", kStorageRandomList},
      {"RANDOM", "(C1)BETWEEN(1)AND(9)", kStorageRandomRange},
      {"OBJECT", "(C1)=(1)", kStorageObject},
      {"", "", kStorageTemporary},
  };
  for (const Case& c : cases) {
    const std::optional<TTableStorage> read = ReadTableStorage(LinesOf(TableReport(c.structure, c.divide)));
    ASSERT_TRUE(read) << c.structure << c.divide;
    EXPECT_EQ(read->Kind, c.kind) << c.structure << c.divide;
    EXPECT_EQ(read->DivideColumns, *c.divide ? "C1" : "") << c.structure << c.divide;
  }
  const std::optional<TTableStorage> sequential = ReadTableStorage(LinesOf(TableReport("SEQUENTIAL", "")));
  EXPECT_EQ(sequential->DataPageSize, "4");
  EXPECT_FALSE(sequential->Order);
  EXPECT_EQ(sequential->Dsis, (std::vector<TStorageDsi>{{"T_DSI", "", {}, {}, {}, "", "", ""}}));
}

TEST(StorageReport, ReadsATemporaryTablesSpacesAndPreserveOption) {
  for (const bool session : {true, false}) {
    const std::string report = std::string("Base DSO name ...... TMP\nType          ...... GLOBAL TEMPORARY\n") +
                               "Used database space information\nNo.  Database space name  Users\n1 SPACE1 10\n" +
                               "2 SPACE2 3\n\nPreserve option    ...... " + (session ? "YES" : "NO") +
                               "\n\nDSI information\nNo.  DSI name\n1 TMP\n" + kTrailer;
    const std::optional<TTableStorage> read = ReadTableStorage(LinesOf(report));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->Kind, kStorageTemporary);
    EXPECT_EQ(read->PreserveRows, session);
    EXPECT_EQ(read->TemporarySpaces, (std::vector<TTemporarySpace>{{"SPACE1", "10"}, {"SPACE2", "3"}}));
  }
}

TEST(StorageReport, ReportsThatCannotBeReadAsATable) {
  EXPECT_FALSE(ReadTableStorage(LinesOf("Table name    ...... HR.EMP\nDSI information\n1 A\n\nend\n")));
  EXPECT_FALSE(ReadTableStorage({}));
  EXPECT_EQ(ReadDsiList({}), Lines{});
  // The last line is never part of a list.
  EXPECT_EQ(ReadDsiList(LinesOf("DSI information\n1 A\n2 B\n")), Lines{"A"});
  EXPECT_EQ(ReadDsiList(LinesOf("DSI information\n1 A\n2 A\n3 B\n\nend\n")), (Lines{"A", "B"}));
  const std::string badSize =
      "Base DSO name ...... T\nDSI information\n1 T\n\nNo. 1         DSI name ...... T\nAllocation information\n"
      "No. 1         Allocation target ...... DATA\nUsed database space information\n1 S 1x(K byte)\n2 S 2(K byte)\n" +
      std::string(kTrailer);
  EXPECT_THROW(ReadTableStorage(LinesOf(badSize)), std::runtime_error);
}

}  // namespace
