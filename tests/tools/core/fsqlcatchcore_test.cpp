// The client SQL trace as the capture reads it: the folder list per data
// source, the record reader over folders of fixture files, the captured
// statement list, and the two reports read back.
#include "tools/core/fsqlcatchcore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

#include "app/core/zarursql.h"
#include "tests/ui/core/workbook_fixture.h"
#include "tools/core/fsqlcatchreport.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

TEST(TraceFolderList, LookupIgnoresCaseAndSettingReplacesOrRemovesTheLine) {
  std::vector<std::string> list = {"ORVSAMPLE=/data/trace", "other=/x/"};
  EXPECT_EQ(TraceFolderOf(list, "orvsample"), "/data/trace");
  EXPECT_EQ(TraceFolderOf(list, "OTHER"), "/x/");
  EXPECT_EQ(TraceFolderOf(list, "ORV"), "") << "a name is matched whole";
  SetTraceFolder(list, "Other", "/y/");
  SetTraceFolder(list, "NEW", "/n=1/");
  EXPECT_EQ(list, (std::vector<std::string>{"ORVSAMPLE=/data/trace", "other=/y/", "NEW=/n=1/"}));
  EXPECT_EQ(TraceFolderOf(list, "NEW"), "/n=1/") << "only the first '=' separates";
  SetTraceFolder(list, "orvsample", "");
  SetTraceFolder(list, "NONE", "");
  EXPECT_EQ(list, (std::vector<std::string>{"other=/y/", "NEW=/n=1/"}));
}

TEST(TraceList, GrowsInStepsAndRefusesIndexesOutsideItsItems) {
  TTraceList list;
  std::vector<int> capacities;
  for (int i = 0; i < 90; ++i) {
    list.Add(std::string("S").append(std::to_string(i)));
    if (capacities.empty() || capacities.back() != list.Capacity()) capacities.push_back(list.Capacity());
  }
  EXPECT_EQ(capacities, (std::vector<int>{4, 8, 12, 28, 44, 60, 76, 95}));
  for (int bad : {-1, 90}) {
    try {
      list.GetSQL(bad);
      ADD_FAILURE() << bad;
    } catch (const EListError& error) {
      EXPECT_EQ(std::string(error.what()),
                std::string("リストのインデックスが範囲を超えています (").append(std::to_string(bad)).append(")"));
    }
  }
  EXPECT_THROW(list.Insert(91, "X"), EListError);
  EXPECT_THROW(list.SetExecCount(90, 1), EListError);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Capacity(), 0);
}

TEST(TraceList, IndexOfFindsTheFirstEqualTextAfterInsertsAndRenames) {
  TTraceList list;
  EXPECT_EQ(list.Add("A"), 0);
  EXPECT_EQ(list.Add("B"), 1);
  EXPECT_EQ(list.Add("A"), 2);
  EXPECT_EQ(list.GetExecCount(2), 0);
  EXPECT_EQ(list.IndexOf("A"), 0);
  EXPECT_EQ(list.IndexOf("a"), -1) << "case counts";
  list.Insert(0, "B");
  EXPECT_EQ(list.IndexOf("B"), 0);
  EXPECT_EQ(list.IndexOf("A"), 1);
  list.SetSQL(1, "C");
  EXPECT_EQ(list.IndexOf("A"), 3);
  EXPECT_EQ(list.IndexOf("C"), 1);
  list.Add("D");
  EXPECT_EQ(list.IndexOf("D"), 4);
}

// One trace file of a fixture: its name, its text and its last-write time
// in seconds after the threshold (negative: before it).
struct TraceFile {
  std::string name;
  std::string text;
  int seconds = 0;
};

std::string Record(const std::string& sql, const std::string& time) {
  return std::string("SQL statement :\n").append(sql).append("\nTotal Time   : ").append(time).append("\nSQL TRACE END\n");
}

const QDateTime kThreshold(QDate(2026, 12, 1), QTime(9, 0, 0));

class TraceFolder : public testing::Test {
 protected:
  void Write(const TraceFile& file) {
    const QString path = dir_.filePath(QString::fromStdString(file.name));
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(file.text.data(), static_cast<qint64>(file.text.size()));
    out.close();
    ASSERT_TRUE(out.open(QIODevice::ReadWrite));
    ASSERT_TRUE(out.setFileTime(kThreshold.addSecs(file.seconds), QFileDevice::FileModificationTime));
  }
  // The rows read with `summary`, sorted as the list sorts them.
  Rows Read(bool summary, bool* found = nullptr) {
    TTraceList list;
    const bool any = ReadTraceFolder(Folder(), kThreshold, summary, list, nullptr);
    if (found) *found = any;
    Rows rows;
    for (int i = 0; i < list.Count(); ++i) rows.push_back(TraceRow(list, i));
    std::sort(rows.begin(), rows.end());
    return rows;
  }
  std::string Folder() const { return dir_.path().toStdString(); }

  QTemporaryDir dir_;
};

TEST_F(TraceFolder, RecordsOfFixtureFiles) {
  struct Case {
    const char* what;
    std::vector<TraceFile> files;
    bool summary;
    Rows rows;
  };
  const std::string twice = Record("SELECT A FROM T", "00:00:00(500)") + Record("SELECT A FROM T", "00:00:01(500)") +
                            Record("SELECT A FROM T", "00:00:01(000)");
  const std::vector<Case> cases = {
      {"a file before the threshold adds nothing, one exactly at it is read",
       {{"old.trc", Record("OLD", "00:00:01(000)"), -1}, {"now.trc", Record("NOW", "00:00:02(250)"), 0}},
       true,
       {{"1", "0:00:02.250", "NOW"}}},
      {"folding gives the count and the mean time", {{"a.trc", twice, 5}}, true, {{"3", "0:00:01.000", "SELECT A FROM T"}}},
      {"without folding each record is a row",
       {{"a.trc", twice, 5}},
       false,
       {{"1", "0:00:00.500", "SELECT A FROM T"},
        {"1", "0:00:01.000", "SELECT A FROM T"},
        {"1", "0:00:01.500", "SELECT A FROM T"}}},
      {"statement lines are joined as they stand",
       {{"a.trc", "SQL statement :\nSELECT A\n  FROM T\nTotal Time   : 00:00:01(000)\nSQL TRACE END\n", 1}},
       true,
       {{"1", "0:00:01.000", "SELECT A  FROM T"}}},
      {"an indented marker starts a record, one in the middle of a line does not",
       {{"a.trc",
         "   SQL statement :  \nINDENTED\nTotal Time   : 00:00:01(000)\nSQL TRACE END\n"
         "x SQL statement :\nMIDDLE\nTotal Time   : 00:00:02(000)\nSQL TRACE END\n",
         1}},
       true,
       {{"1", "0:00:01.000", "INDENTED"}}},
      {"a record cut short adds nothing",
       {{"a.trc", Record("WHOLE", "00:00:01(000)") + "SQL statement :\nCUT\nTotal Time   : 00:00:03(000)\n", 1},
        {"b.trc", "SQL statement :\nNO TIME\n", 1}},
       true,
       {{"1", "0:00:01.000", "WHOLE"}}},
      {"a record at 23:59:59.999 takes the next record's time and end",
       {{"a.trc", Record("FIRST", "23:59:59(999)") + Record("SECOND", "00:00:04(000)") + Record("THIRD", "00:00:01(000)"),
         1}},
       true,
       {{"1", "0:00:01.000", "THIRD"}, {"1", "0:00:04.000", "FIRST"}}},
      {"other lines of a record are passed over; CR LF files read alike",
       {{"A.TRC",
         "head\r\nSQL statement :\r\nSELECT B\r\nTotal Time   : 01:02:03(004)\r\n index dso name IX_B\r\nSQL TRACE END\r\n",
         1}},
       true,
       {{"1", "1:02:03.004", "SELECT B"}}},
  };
  for (const Case& c : cases) {
    for (const QString& name : QDir(dir_.path()).entryList(QDir::Files)) QFile::remove(dir_.filePath(name));
    for (const TraceFile& file : c.files) Write(file);
    EXPECT_EQ(Read(c.summary), c.rows) << c.what;
  }
}

TEST_F(TraceFolder, FolderWithoutFilesOrWithOnlyASubfolderNamedLikeOne) {
  bool found = true;
  EXPECT_TRUE(Read(true, &found).empty());
  EXPECT_FALSE(found) << "no entry at all: the caller warns";
  ASSERT_TRUE(QDir(dir_.path()).mkdir("x.trc"));
  EXPECT_TRUE(Read(true, &found).empty());
  EXPECT_TRUE(found) << "a subfolder is an entry, so no warning";
}

TEST_F(TraceFolder, AnUnreadableTimeEndsTheReading) {
  Write({"a.trc", Record("GOOD", "00:00:01(000)") + Record("BAD", "00:0x:01(000)"), 0});
  TTraceList list;
  try {
    ReadTraceFolder(Folder(), kThreshold, true, list, nullptr);
    ADD_FAILURE();
  } catch (const ETraceTimeError& error) {
    EXPECT_EQ(std::string(error.what()), "'00:0x:01.000' は正しい時刻ではありません");
  }
}

TEST(TraceTime, LinesAndTexts) {
  struct Case {
    const char* line;
    int64_t millis;  // -1: refused
  };
  const std::vector<Case> cases = {
      {"Total Time   : 00:00:01(250)", 1250},      {"total time   : 12:34:56(789)", 45296789},
      {"Total Time   : 23:59:59(999)", 86399999},  {"Total Time   : 00:00:01", 1000},
      {"Total Time   : 24:00:00(000)", -1},        {"Total Time   : 00:00:01(2500)", -1},
      {"Total Time   : ", -1},                     {"Total Time : 00:00:01(000)", -1},
  };
  for (const Case& c : cases) {
    if (c.millis < 0)
      EXPECT_THROW(TraceLineMillis(c.line), ETraceTimeError) << c.line;
    else
      EXPECT_EQ(TraceLineMillis(c.line), c.millis) << c.line;
  }
  EXPECT_EQ(TraceTimeText(3.0 / 86400 / 3), "0:00:01.000");
  EXPECT_EQ(TraceTimeText(1.5), "36:00:00.000") << "hours beyond a day stay whole";
}

TEST(TraceReports, TheWorkbookHoldsTheCaptionsAndTheRowsWithLineBreaksAsBlanks) {
  QTemporaryDir dir;
  const std::string path = dir.filePath("sub/SQLCATCH.xlsx").toStdString();
  WriteReportWorkbook(path, {{"COUNT", "実行時間", "SQL"},
                             {{"2", "0:00:01.000", "SELECT A,\r\nB FROM T"}, {"1", "0:00:00.250", "DELETE FROM T"}}});
  EXPECT_EQ(testing_workbook::RunPython("ws = openpyxl.load_workbook(p).active\n"
                                        "for row in ws.iter_rows(values_only=True):\n"
                                        "    print('|'.join('' if v is None else str(v) for v in row))",
                                        path),
            "COUNT|実行時間|SQL\n2|0:00:01.000|SELECT A, B FROM T\n1|0:00:00.250|DELETE FROM T");
}

TEST(TraceReports, ClipboardTextPutsEachRowOnOneLineAndQuotesWhatWouldShiftColumns) {
  const TReportTable table{{"COUNT", "実行時間", "SQL"},
                           {{"2", "0:00:01.000", "SELECT A,\r\nB FROM T"}, {"1", "0:00:00.250", "SELECT 'x\"' FROM T"}}};
  EXPECT_EQ(ReportClipboardText(table, true, nullptr, nullptr),
            "2,0:00:01.000,\"SELECT A, B FROM T\"\r\n1,0:00:00.250,\"SELECT 'x\"\"' FROM T\"\r\n");
  EXPECT_EQ(ReportClipboardText(table, false, nullptr, nullptr),
            "2\t0:00:01.000\tSELECT A, B FROM T\r\n1\t0:00:00.250\t\"SELECT 'x\"\"' FROM T\"\r\n");
  int rows = 0;
  EXPECT_EQ(ReportClipboardText(table, false, [&] { return rows == 1; }, [&](int n) { rows = n; }),
            "2\t0:00:01.000\tSELECT A, B FROM T\r\n")
      << "Esc keeps the rows copied so far";
}

}  // namespace
