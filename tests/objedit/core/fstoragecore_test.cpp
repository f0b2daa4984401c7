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
  std::string text =
      "RDB definition information\nBase DSO name ...... "
      "T_DSO\nType          ...... BASE TABLE\n\n";
  if (!structure.empty())
    text += "Data structure information\nType                ...... " + structure +
            "\nPage size(DATA)     ...... 4(K byte)\nOrder               "
            "...... 0\n";
  if (!divide.empty()) text += "Divide condition\n  " + divide + "\n";
  return text +
         "\nDSI information\nNo.  DSI name\n1 T_DSI\n\nNo. 1         DSI name "
         "...... T_DSI\n" +
         kTrailer;
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
    const std::string report = std::string(
                                   "Base DSO name ...... TMP\nType          ...... GLOBAL "
                                   "TEMPORARY\n") +
                               "Used database space information\nNo.  Database space name  Users\n1 "
                               "SPACE1 10\n" +
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
      "Base DSO name ...... T\nDSI information\n1 T\n\nNo. 1         DSI name "
      "...... T\nAllocation information\n"
      "No. 1         Allocation target ...... DATA\nUsed database space "
      "information\n1 S 1x(K byte)\n2 S 2(K byte)\n" +
      std::string(kTrailer);
  EXPECT_THROW(ReadTableStorage(LinesOf(badSize)), std::runtime_error);
}

}  // namespace

namespace {

constexpr const char* kSep = "/";

TStorageDsi Dsi(const std::string& name, const std::string& scope = "") {
  return {name, "", {}, {}, {}, scope, "", ""};
}

Lines TableDdl(const TTableStorage& storage) {
  AppOption.UserLowerName = false;
  Lines out;
  BuildTableStorageDDL(storage, "S.", "T", kSep, out);
  return out;
}

TTableStorage Sequential() {
  TTableStorage s;
  s.Kind = kStorageSequential;
  s.DsoName = " D1 ";
  s.DataPageSize = "4";
  s.PrimePageSize = "2";
  s.OverflowPageSize = "8";
  s.Order = true;
  s.Precedence = true;
  s.Dsis = {Dsi("I1")};
  s.Allocations = {{"I1", kAllocData, "S1", "10", "MB"}};
  return s;
}

TEST(StorageDdl, ASequentialTableWithOneDsi) {
  EXPECT_EQ(TableDdl(Sequential()),
            (Lines{"CREATE DSO D1", "FROM S.T", "TYPE SEQUENTIAL(PAGESIZE(4), ORDER(1), PRECEDENCE(1))", kSep,
                   "CREATE DSI I1 DSO D1", "ALLOCATE DATA ON S1 SIZE 10M", ",FORMAT EXPAND OFF", kSep}));
  TTableStorage plain = Sequential();
  plain.Order = false;
  plain.Precedence = false;
  EXPECT_EQ(TableDdl(plain)[2], "TYPE SEQUENTIAL(PAGESIZE(4), ORDER(0))");
}

TEST(StorageDdl, TypeAndPartitionLinesPerKind) {
  struct Case {
    int kind;
    const char* cluster;
    bool notUnique;
    const char* rule;
    Lines lines;  // the type line and, for a partitioned kind, its template
  };
  const Case cases[] = {
      {kStorageSequentialList, "", false, "", {"TYPE SEQUENTIAL(PAGESIZE(4), ORDER(1))", "WHERE (A, B) = (?, ?)"}},
      {kStorageSequentialRange,
       "",
       false,
       "",
       {"TYPE SEQUENTIAL(PAGESIZE(4), ORDER(1))", "WHERE (A, B) BETWEEN (?, ?) AND (?, ?)"}},
      {kStorageRandom,
       "K1, K2",
       true,
       " HASH(K1) ",
       {"TYPE RANDOM(PAGESIZE1(2), PAGESIZE2(8), CLUSTER (K1, K2) NOT UNIQUE, "
        "RULE(HASH(K1)))"}},
      // NOT UNIQUE belongs to a cluster key; without one it is left out.
      {kStorageRandom, " ", true, "", {"TYPE RANDOM(PAGESIZE1(2), PAGESIZE2(8))"}},
      {kStorageRandomList,
       "k1,",
       false,
       "",
       {"TYPE RANDOM(PAGESIZE1(2), PAGESIZE2(8), CLUSTER (\"k1\"))", "WHERE (A, B) = (?, ?)"}},
      {kStorageRandomRange,
       "",
       false,
       "",
       {"TYPE RANDOM(PAGESIZE1(2), PAGESIZE2(8))", "WHERE (A, B) BETWEEN (?, ?) AND (?, ?)"}},
      {kStorageObject, "", false, "", {"TYPE OBJECT(PAGESIZE(4))"}},
  };
  for (const Case& c : cases) {
    TTableStorage s = Sequential();
    s.Kind = c.kind;
    s.Precedence = false;
    s.DivideColumns = "A, B";
    s.ClusterKey = c.cluster;
    s.NotUnique = c.notUnique;
    s.Rule = c.rule;
    const Lines ddl = TableDdl(s);
    Lines dso(ddl.begin() + 2, ddl.begin() + 2 + static_cast<long>(c.lines.size()));
    EXPECT_EQ(dso, c.lines) << c.kind;
    EXPECT_EQ(ddl[2 + c.lines.size()], kSep) << c.kind;
  }
}

TEST(StorageDdl, AllocationsExpansionAndScopes) {
  TTableStorage s = Sequential();
  s.Kind = kStorageRandomList;
  s.DsoName = "D1";
  s.Dsis = {Dsi("I1", "SC1"), Dsi("I2"), Dsi("I3", "SC1"), Dsi(" ")};
  s.Dsis[0].DivideValue = "10";
  s.Dsis[0].Alarm = {"800", "KB"};
  s.Dsis[0].Expand = {"900", "KB"};
  s.Dsis[0].Allocation = {"1", "MB"};
  s.Dsis[1].Allocation = {"2", "MB"};
  s.Allocations = {
      {"I1", kAllocExpand, "X1", "", ""},    {"I1", kAllocOverflow, "S3", "5", "KB"},
      {"I1", kAllocPrime, "S1", "10", "MB"}, {"I1", kAllocPrime, "S2", "20", "MB"},
      {"I1", kAllocOverflow, "S4", "6", ""}, {"I1", kAllocExpand, "X2", "", ""},
      {"I2", kAllocExpand, "X3", "", ""},    {"I10", kAllocPrime, "S9", "1", "KB"},
  };
  const Lines ddl = TableDdl(s);
  const Lines dsis(ddl.begin() + 4, ddl.end());
  EXPECT_EQ(dsis, (Lines{"CREATE DSI I1 DSO D1", "USING (10)", "ALLOCATE    PRIME ON S1 SIZE 10M",
                         "                     S2 SIZE 20M", ",OVERFLOW ON S3 SIZE 5K", "             S4 SIZE 6",
                         ",FORMAT EXPAND ON X1, X2 ALARM 800K CAPACITY 900K SIZE 1M", kSep, "CREATE DSI I2 DSO D1",
                         ",FORMAT EXPAND ON X3 SIZE 2M", kSep, "CREATE DSI I3 DSO D1", ",FORMAT EXPAND OFF", kSep,
                         "DROP SCOPE SC1", kSep, "CREATE SCOPE SC1 DSI(I1, I3)", kSep}));
  TTableStorage twoData = Sequential();
  twoData.Allocations.push_back({"I1", kAllocData, "S2", "20", "MB"});
  EXPECT_EQ(TableDdl(twoData)[6], "                 S2 SIZE 20M");
}

TEST(StorageDdl, KindsAndSwitchesThatWriteNothingOfTheirOwn) {
  for (const int kind : {kStorageDefault, kStorageTemporary}) {
    TTableStorage s = Sequential();
    s.Kind = kind;
    EXPECT_EQ(TableDdl(s), Lines{}) << kind;
  }
  TTableStorage noDso = Sequential();
  noDso.DsoName = " ";
  EXPECT_EQ(TableDdl(noDso), (Lines{"CREATE DSI I1 DSO ", "ALLOCATE DATA ON S1 SIZE 10M", ",FORMAT EXPAND OFF", kSep}));

  struct Case {
    bool show;
    bool storage;
    bool script;
    bool wanted;
  };
  const Case cases[] = {
      {true, false, false, true}, {false, true, false, false}, {false, true, true, true}, {true, false, true, false}};
  for (const Case& c : cases) {
    AppOption.ShowStorageSource = c.show;
    ScriptOption.Storage = c.storage;
    EXPECT_EQ(TableStorageWanted(c.script), c.wanted) << c.show << c.storage << c.script;
  }
  AppOption.ShowStorageSource = true;
  ScriptOption.Storage = true;
}

TEST(StorageDdl, IndexDsoAndDsis) {
  AppOption.UserLowerName = false;
  TIndexStorage s;
  s.DsoName = "IX";
  s.BasePageSize = "4";
  s.IndexPageSize = "2";
  s.Option = kIndexDegenerate;
  s.Dsis = {{"IX_D1", "", {"8", "MB"}, {}, {"1", "MB"}, "", "T_D1", kIndexRealignment},
            {"IX_D2", "", {}, {}, {}, "", "T_D2", kIndexNoOption}};
  s.Allocations = {{"IX_D1", kAllocBase, "S1", "256", "KB"},
                   {"IX_D1", kAllocIndex, "S1", "128", "KB"},
                   {"IX_D1", kAllocBase, "S2", "1", "MB"},
                   {"IX_D1", kAllocIndex, "S2", "2", "MB"},
                   {"IX_D1", kAllocExpand, "S3", "", ""}};
  Lines two;
  BuildIndexStorageDDL(s, " HR ", "EMP", {"A", "b"}, {"T_D1", "T_D2"}, kSep, two);
  EXPECT_EQ(two,
            (Lines{"CREATE DSO IX", "INDEX ON HR.EMP(A, \"b\")", "TYPE BTREE(PAGESIZE1(4), PAGESIZE2(2), DEGENERATE)",
                   kSep, "CREATE DSI IX_D1 INDEX DSO IX", "OPTION(REALIGNMENT)", "BASE T_D1",
                   "ALLOCATE BASE ON S1 SIZE 256K", "                 S2 SIZE 1M", ",INDEX ON S1 SIZE 128K",
                   "          S2 SIZE 2M", ",FORMAT EXPAND ON S3 ALARM 8M SIZE 1M", kSep,
                   "CREATE DSI IX_D2 INDEX DSO IX", "BASE T_D2", ",FORMAT EXPAND OFF"}));
  s.Option = kIndexRealignment;
  s.Dsis.resize(1);
  s.Dsis[0].Option = kIndexDegenerate;
  Lines one;
  BuildIndexStorageDDL(s, "HR", "EMP", {"A"}, {"T_D1"}, kSep, one);
  EXPECT_EQ(one[2], "TYPE BTREE(PAGESIZE1(4), PAGESIZE2(2), REALIGNMENT)");
  EXPECT_EQ(one[5], "OPTION(DEGENERATE)");
  EXPECT_EQ(one[6],
            "ALLOCATE BASE ON S1 SIZE 256K");  // one table DSI: no BASE line
}

// What the reader takes from a report gives the statements that rebuild it.
TEST(StorageDdl, TheReportsRecordWritesItsStatements) {
  const std::optional<TTableStorage> read = ReadTableStorage(LinesOf(kEmpReport + kTrailer));
  ASSERT_TRUE(read);
  const Lines ddl = TableDdl(*read);
  EXPECT_EQ(Lines(ddl.begin(), ddl.begin() + 5), (Lines{"CREATE DSO EMP_DSO", "FROM S.T",
                                                        "TYPE RANDOM(PAGESIZE1(4), PAGESIZE2(8), CLUSTER (EMP_NO, "
                                                        "DEPT_NO) NOT UNIQUE, RULE(HASH(EMP_NO)))",
                                                        "WHERE (DEPT_NO) = (?)", kSep}));
  EXPECT_EQ(ddl[9], ",FORMAT EXPAND ON SPACE2, SPACE3 ALARM 800K CAPACITY 900K SIZE 1024K");
}

}  // namespace
