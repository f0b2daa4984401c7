// Around the generator's rules: the column record from its catalogue row,
// the column list's summaries, the checks before a run and the test run's
// temporary table.
#include "tools/core/fdatagencheck.h"

#include <gtest/gtest.h>

#include <QDateTime>

namespace {

TColParams Column(const std::string& name, const std::string& type, int length, int32_t kind) {
  TColParams col;
  col.ColumnName = name;
  col.TypeName = type;
  col.TypeText = type;
  col.Length = length;
  col.Rule.Name = name;
  col.Rule.SetType = kind;
  return col;
}

QVariant Null() { return QVariant(QMetaType::fromType<QString>()); }

TEST(DataGenCheck, ColumnRecordsFromCatalogueRows) {
  struct Case {
    std::vector<QVariant> row;
    std::string name;
    std::string typeText;
    int length;
    bool notNull;
    std::string defaultText;
  } cases[] = {
      {{"CODE", "CH", "NO", 5, Null(), Null(), Null(), Null()}, "CODE", "CHAR(5)", 5, true, ""},
      {{"AMOUNT", "DE", "YES", Null(), 11, 2, Null(), "0"}, "AMOUNT", "DECIMAL(11,2)", 0, false, "0"},
      {{"N", "IN", "YES", Null(), 10, 0, Null(), Null()}, "N", "INTEGER", 0, false, ""},
      {{"SPAN", "IT", "YES", Null(), 2, Null(), 10, Null()}, "SPAN", "INTERVAL DAY(2) TO SECOND", 0, false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<TColParams> col = DataGenColumnFromRow(c.row);
    ASSERT_TRUE(col);
    EXPECT_EQ(col->ColumnName, c.name);
    EXPECT_EQ(col->Rule.Name, c.name);
    EXPECT_EQ(col->TypeText, c.typeText);
    EXPECT_EQ(col->Length, c.length);
    EXPECT_EQ(col->NotNull, c.notNull);
    EXPECT_EQ(col->DefaultText, c.defaultText);
    EXPECT_EQ(col->Rule.SetType, dgNone) << "rules start cleared";
  }
  // A table without columns gives one row of NULLs through its outer join.
  EXPECT_FALSE(DataGenColumnFromRow({Null(), Null(), Null(), Null(), Null(), Null(), Null(), Null()}));
}

TEST(DataGenCheck, SummariesAsTheColumnListShowsThem) {
  const auto with = [](int32_t kind, auto set) {
    TColParams col = Column("C", "CHAR", 10, kind);
    set(col.Rule);
    return col;
  };
  struct Case {
    TColParams col;
    std::string summary;
  } cases[] = {
      {with(dgSequence, [](TDataGenColumn& r) { r.NumFrom = 1; r.Marume = 1; }), "1～0(1)"},
      {with(dgSequence, [](TDataGenColumn& r) { r.FlgPrefix = true; r.StrPrefix = "A"; r.Marume = 2; }), "A + (2)"},
      {with(dgRandomNumber, [](TDataGenColumn& r) { r.NumFrom = 10; r.NumTo = 20; r.Marume = 0.5; r.NullPar = 30; }),
       "10～20(0.5) NULL30%"},
      {with(dgRandomString, [](TDataGenColumn& r) { r.StrType = dsMail; }), "メールアドレス"},
      {with(dgRandomString, [](TDataGenColumn& r) { r.StrType = -1; }), ""},
      {with(dgRandomDate, [](TDataGenColumn& r) { r.DateType = kDataGenDateOnly; }), "日付のみ ( 時刻は 0 時固定 )"},
      {with(dgPick, [](TDataGenColumn& r) { r.Variable = {" A", "B", ""}; }), "A,B"},
      {with(dgFixed, [](TDataGenColumn& r) { r.Variable = {"'X'", "|| 'Y',"}; }), "'X' || 'Y'"},
      {with(dgTemplate, [](TDataGenColumn& r) { r.Temp2 = "名"; }), "名"},
      {with(dgLink, [](TDataGenColumn& r) { r.LinkOwner = "S"; r.LinkTable = "T"; r.LinkColumn = "C"; }), "S.T.C"},
      {with(dgLink, [](TDataGenColumn& r) { r.LinkColumn = "C"; }), "C"},
      {with(dgParent, [](TDataGenColumn& r) { r.LinkColumn = "P"; r.NullPar = 100; }), "P NULL100%"},
  };
  for (const Case& c : cases) EXPECT_EQ(ColumnRuleSummary(c.col), c.summary) << c.summary;
}

TEST(DataGenCheck, InputCheckStopsAtTheFirstProblemInItsOrder) {
  TDataGenDocument normal;
  normal.Count = 10;
  TDataGenDocument dependent;
  dependent.Mode = 1;
  dependent.MastOwner = "S";
  dependent.MastTable = "P";
  dependent.CountF = 1;
  dependent.CountT = 3;
  const auto column = [](int32_t kind, auto set, int length = 4) {
    TColParams col = Column("C", "CHAR", length, kind);
    set(col.Rule);
    return col;
  };
  const auto nothing = [](TDataGenColumn&) {};
  std::vector<std::string> tried;
  const auto fixedWorks = [&tried](const std::string& expression) {
    tried.push_back(expression);
    return expression != "BAD";
  };
  struct Case {
    std::string name;
    TDataGenDocument settings;
    std::vector<TColParams> cols;
    std::optional<TDataGenProblem> problem;
  } cases[] = {
      {"no count", TDataGenDocument{}, {column(dgPick, nothing)},
       TDataGenProblem{"作成件数を入力して下さい。", TDataGenFocus::Count, -1}},
      {"no parent", TDataGenDocument{1, 0, "S", "", 1, 1, {}}, {},
       TDataGenProblem{"親テーブルを指定して下さい。", TDataGenFocus::MasterTable, -1}},
      {"no child count", TDataGenDocument{1, 0, "S", "P", 0, 1, {}}, {},
       TDataGenProblem{"作成件数を入力して下さい。", TDataGenFocus::ChildCount, -1}},
      {"all unset", normal, {Column("A", "CHAR", 1, dgNone)},
       TDataGenProblem{"いずれかの項目に設定値を指定して下さい。", TDataGenFocus::ColumnList, -1}},
      {"from too large", normal,
       {Column("A", "CHAR", 1, dgNone), column(dgSequence, [](TDataGenColumn& r) { r.NumFrom = 10001; r.Marume = 1; })},
       TDataGenProblem{"開始値の値が大きすぎます。", TDataGenFocus::Column, 1}},
      {"to too large", normal, {column(dgRandomNumber, [](TDataGenColumn& r) { r.NumTo = 10001; })},
       TDataGenProblem{"終了値の値が大きすぎます。", TDataGenFocus::Column, 0}},
      {"no increment", normal, {column(dgSequence, nothing)},
       TDataGenProblem{"増分値が指定されていません。", TDataGenFocus::Column, 0}},
      {"to below from", normal, {column(dgRandomNumber, [](TDataGenColumn& r) { r.NumFrom = 20; r.NumTo = 10; })},
       TDataGenProblem{kFromAboveTo, TDataGenFocus::Column, 0}},
      {"to 0 is no bound", normal, {column(dgRandomNumber, [](TDataGenColumn& r) { r.NumFrom = 20; })}, std::nullopt},
      {"empty prefix", normal,
       {column(dgSequence, [](TDataGenColumn& r) { r.Marume = 1; r.FlgPrefix = true; })},
       TDataGenProblem{"接頭句が指定されていません。", TDataGenFocus::Column, 0}},
      {"no string kind", normal, {column(dgRandomString, [](TDataGenColumn& r) { r.StrType = -1; })},
       TDataGenProblem{"設定内容が指定されていません。", TDataGenFocus::Column, 0}},
      {"length above the column's", normal, {column(dgRandomString, [](TDataGenColumn& r) { r.StrDigit = "5"; })},
       TDataGenProblem{"指定した長さが列の長さを超えています。", TDataGenFocus::StrDigit, 0}},
      {"dates reversed", normal,
       {column(dgRandomDate, [](TDataGenColumn& r) {
         r.DateFrom = QDateTime(QDate(2026, 2, 1), QTime(0, 0));
         r.DateTo = QDateTime(QDate(2026, 1, 1), QTime(0, 0));
       })},
       TDataGenProblem{kFromAboveTo, TDataGenFocus::Column, 0}},
      {"empty pick list", normal, {column(dgPick, nothing)},
       TDataGenProblem{"選択値が指定されていません。", TDataGenFocus::Column, 0}},
      {"empty fixed value", normal, {column(dgFixed, [](TDataGenColumn& r) { r.Variable = {" "}; })},
       TDataGenProblem{"固定値が指定されていません。", TDataGenFocus::Column, 0}},
      {"fixed value refused", normal, {column(dgFixed, [](TDataGenColumn& r) { r.Variable = {"BAD"}; })},
       TDataGenProblem{"固定値として設定された値が無効です。", TDataGenFocus::Column, 0}},
      {"sequence value untried", normal, {column(dgFixed, [](TDataGenColumn& r) { r.Variable = {"s1.seq.nextval"}; })},
       std::nullopt},
      {"no template", normal, {column(dgTemplate, nothing)},
       TDataGenProblem{"テンプレートファイルが指定されていません。", TDataGenFocus::Column, 0}},
      {"no link table", normal, {column(dgLink, [](TDataGenColumn& r) { r.LinkColumn = "X"; })},
       TDataGenProblem{"リンクテーブルが指定されていません。", TDataGenFocus::Column, 0}},
      {"no link column", normal, {column(dgLink, [](TDataGenColumn& r) { r.LinkTable = "T"; })},
       TDataGenProblem{"リンクテーブル列が指定されていません。", TDataGenFocus::Column, 0}},
      {"no parent column", dependent, {column(dgParent, nothing)},
       TDataGenProblem{"マスターテーブル列が指定されていません。", TDataGenFocus::Column, 0}},
      {"all well", dependent, {column(dgParent, [](TDataGenColumn& r) { r.LinkColumn = "P"; })}, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(InputCheck(c.settings, c.cols, fixedWorks), c.problem) << c.name;
  EXPECT_EQ(tried, std::vector<std::string>{"BAD"}) << "only a value without .NEXTVAL is tried";
  EXPECT_EQ(FixedValueProbeSQL("SYSDATE"), "SELECT SYSDATE FROM RDBII_SYSTEM.RDBII_ASSISTTABLE");
}

TEST(DataGenCheck, TheTestTableIsAQuotedCopyOnItsSpace) {
  const QDateTime now(QDate(2026, 3, 4), QTime(5, 6, 7));
  EXPECT_EQ(DataGenTestTableName("ORDERS", now), "ORDERS0304050607");
  // Cut at 19 columns, never inside a character.
  EXPECT_EQ(DataGenTestTableName("受注明細テーブルの控え", now), "受注明細テーブルの0304050607");
  EXPECT_EQ(DataGenTestTableName("ABCDEFGHIJKLMNOPQRSTUV", now), "ABCDEFGHIJKLMNOPQRS0304050607");
  std::vector<TColParams> cols = {Column("A", "CHAR", 5, dgSequence), Column("b\"c", "INTEGER", 0, dgNone)};
  cols[0].TypeText = "CHAR(5)";
  EXPECT_EQ(DataGenTestCreateSQL("S1", "T0304050607", cols, "DBSPACE1"),
            "CREATE GLOBAL TEMPORARY TABLE S1.T0304050607(\"A\" CHAR(5),\"b\"\"c\" INTEGER) ON COMMIT DELETE ROWS "
            "ON DBSPACE1 1");
  EXPECT_EQ(DataGenTestCreateSQL("s1", "t", {cols[0]}, ""),
            "CREATE GLOBAL TEMPORARY TABLE \"s1\".\"t\"(\"A\" CHAR(5)) ON COMMIT DELETE ROWS ON DEFAULT DBSPACE 1");
  EXPECT_EQ(DataGenTestTarget("s1", "T1"), "\"s1\".T1");
}

}  // namespace
