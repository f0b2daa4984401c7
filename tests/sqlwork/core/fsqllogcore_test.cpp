#include "sqlwork/core/fsqllogcore.h"

#include <QDir>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include <gtest/gtest.h>

#include "app/core/ovreg.h"
#include "app/core/ovsqllog.h"
#include "app/core/zarur.h"
#include "tests/platform/temp_settings.h"

namespace {

using Lines = std::vector<std::string>;

class SQLLogTest : public testing::Test {
 protected:
  SQLLogTest() {
    AppOption = {};
    AppOption.TempDir = env.Path("work") + "/";
    AppOption.SQLBuf = 32;
    SQLLogFiles.clear();
  }
  ~SQLLogTest() override { SQLLogFiles.clear(); }

  std::string Work(const std::string& name) const { return AppOption.TempDir + name; }
  void WriteBytes(const std::string& name, const std::string& bytes) const {
    QDir().mkpath(QString::fromStdString(AppOption.TempDir));
    std::ofstream(Work(name), std::ios::binary) << bytes;
  }
  std::string ReadBytes(const std::string& name) const {
    std::ifstream in(Work(name), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  bool Exists(const std::string& name) const { return QFile::exists(QString::fromStdString(Work(name))); }
  // Entries SQLLOG<n>.SQL for the numbers in order, each file holding "-- <n>".
  void History(const std::vector<int>& numbers) {
    SQLLogFiles.clear();
    for (int n : numbers) {
      const std::string name = "SQLLOG" + std::to_string(n) + ".SQL";
      WriteBytes(name, "-- " + std::to_string(n) + "\r\n");
      SQLLogFiles.push_back(name);
    }
  }

  testing_support::TempSettings env;
};

Lines Names(const std::vector<int>& numbers) {
  Lines names;
  for (int n : numbers) names.push_back("SQLLOG" + std::to_string(n) + ".SQL");
  return names;
}

std::vector<int> Range(int first, int last, int step) {
  std::vector<int> out;
  for (int n = first; n != last + step; n += step) out.push_back(n);
  return out;
}

TEST_F(SQLLogTest, RecordingTakesTheFirstFreeNumberAfterDroppingTheOldest) {
  struct Case {
    const char* what;
    int buffer;
    Lines before;
    Lines after;
    const char* written;  // the entry file written, or none
  };
  const Case cases[] = {
      {"first entry", 32, {}, Names({1}), "SQLLOG1.SQL"},
      {"full list reuses the oldest's number", 3, Names({3, 2, 1}), Names({1, 3, 2}), "SQLLOG1.SQL"},
      {"a smaller free number wins", 3, Names({1, 3}), Names({2, 1, 3}), "SQLLOG2.SQL"},
      {"switched off", 0, Names({3, 2, 1}), Names({3, 2, 1}), nullptr},
      {"lowered to 5, numbers 1-5 in use: only the drop", 5, Names(Range(1, 32, 1)), Names(Range(1, 31, 1)),
       nullptr},
      {"lowered to 5, the oldest was 1", 5, Names(Range(32, 1, -1)),
       [] {
         Lines l = Names({1});
         for (const std::string& n : Names(Range(32, 2, -1))) l.push_back(n);
         return l;
       }(),
       "SQLLOG1.SQL"},
      {"names compare without case", 32, {"sqllog1.sql"}, {"SQLLOG2.SQL", "sqllog1.sql"}, "SQLLOG2.SQL"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QDir(QString::fromStdString(AppOption.TempDir)).removeRecursively();
    AppOption.SQLBuf = c.buffer;
    SQLLogFiles = c.before;
    RecordSQLLog({"SELECT 1", "FROM T"});
    EXPECT_EQ(SQLLogFiles, c.after);
    if (c.written) {
      EXPECT_EQ(ReadBytes(c.written), "SELECT 1\r\nFROM T\r\n");
      EXPECT_EQ(ReadBytes(kSQLLogIndex), ListToText(c.after));
    } else {
      EXPECT_FALSE(Exists(kSQLLogIndex));
    }
  }
}

TEST_F(SQLLogTest, LoweredBufferShrinksTheListRunByRun) {
  AppOption.SQLBuf = 5;
  History(Range(1, 32, 1));  // SQLLOG1 newest, SQLLOG32 oldest
  for (int run = 0; run < 27; ++run) RecordSQLLog({"x"});
  EXPECT_EQ(SQLLogFiles, Names({1, 2, 3, 4, 5}));
  RecordSQLLog({"x"});
  EXPECT_EQ(SQLLogFiles, Names({5, 1, 2, 3, 4}));
}

TEST_F(SQLLogTest, EntriesAreUtf8WithCrLfAndReadBackAsLines) {
  RecordSQLLog({"SELECT '日本' FROM T", "", "WHERE A = 1"});
  EXPECT_EQ(ReadBytes("SQLLOG1.SQL"), "SELECT '日本' FROM T\r\n\r\nWHERE A = 1\r\n");
  EXPECT_EQ(ReadSQLLogEntry(0), (Lines{"SELECT '日本' FROM T", "", "WHERE A = 1"}));
}

TEST_F(SQLLogTest, AFailedWriteLeavesTheHistoryAsItWas) {
  History({3, 2, 1});
  AppOption.SQLBuf = 3;
  // A file where the work folder should be: no folder, no entry file can be
  // made there (also for root, whom a read-only folder would not stop).
  const std::string blocked = env.Path("blocked");
  std::ofstream(blocked) << "file";
  AppOption.TempDir = blocked + "/work/";
  try {
    RecordSQLLog({"SELECT 1"});
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find(blocked + "/work/SQLLOG1.SQL: "), std::string::npos) << e.what();
    EXPECT_GT(std::string(e.what()).size(), (blocked + "/work/SQLLOG1.SQL: ").size()) << "the system's reason";
  }
  EXPECT_EQ(SQLLogFiles, Names({3, 2, 1}));
}

TEST_F(SQLLogTest, EntriesReadAsUtf8ElseCp932AndUnreadableOnesAreEmpty) {
  WriteBytes("SQLLOG1.SQL", "SELECT '\xE6\x97\xA5'\r\nFROM T");
  WriteBytes("SQLLOG2.SQL", "SELECT '\x93\xFA'\r\n");
  WriteBytes("outside.SQL", "SECRET\r\n");
  SQLLogFiles = {"SQLLOG1.SQL", "SQLLOG2.SQL", "SQLLOG9.SQL", "../work/outside.SQL", ""};
  EXPECT_EQ(ReadSQLLogEntry(0), (Lines{"SELECT '日'", "FROM T"}));
  EXPECT_EQ(ReadSQLLogEntry(1), (Lines{"SELECT '日'"}));
  EXPECT_EQ(ReadSQLLogEntry(2), Lines{}) << "missing file";
  EXPECT_EQ(ReadSQLLogEntry(3), Lines{}) << "a path leading out of the work folder";
  EXPECT_EQ(ReadSQLLogEntry(4), Lines{});
  EXPECT_EQ(ReadSQLLogEntry(-1), Lines{});
  EXPECT_EQ(ReadSQLLogEntry(5), Lines{});
}

TEST(SQLLogStepping, PrevAndNextStayInsideTheList) {
  struct Case {
    int logIndex;
    int count;
    int prev;
    int next;
  };
  const Case cases[] = {
      {-1, 3, 0, -1},  // fresh window: 前 shows the newest, 次 does nothing
      {0, 3, 1, -1},   // newest: 次 empties the editor
      {1, 3, 2, 0},
      {2, 3, 2, 1},    // oldest: 前 does nothing
      {3, 3, 3, 1},    // one past the end counts as the oldest
      {7, 3, 7, 1},
      {-1, 0, -1, -1},
      {0, 0, 0, -1},   // every entry removed: 次 empties the editor
      {4, 1, 4, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.logIndex << " of " << c.count);
    EXPECT_EQ(PrevLogIndex(c.logIndex, c.count), c.prev);
    EXPECT_EQ(NextLogIndex(c.logIndex, c.count), c.next);
  }
}

TEST_F(SQLLogTest, StepsAfterRemovalsLoadEntriesOfTheListAsItNowIs) {
  History({5, 4, 3, 2, 1});
  int logIndex = 4;  // the window shows the oldest, SQLLOG1
  std::vector<TSQLLogItem> items = SQLLogItems();
  RemoveSQLLogEntries(items, {1, 2, 3});
  ASSERT_EQ(SQLLogFiles, Names({5, 1}));
  EXPECT_EQ(PrevLogIndex(logIndex, 2), logIndex) << "past the end: already the oldest";
  logIndex = NextLogIndex(logIndex, 2);
  EXPECT_EQ(logIndex, 0);
  EXPECT_EQ(ReadSQLLogEntry(logIndex), Lines{"-- 5"});
  logIndex = PrevLogIndex(logIndex, 2);
  EXPECT_EQ(ReadSQLLogEntry(logIndex), Lines{"-- 1"});
}

TEST_F(SQLLogTest, ListLinesShowFiveLinesJoinedByBlanks) {
  WriteBytes("SQLLOG1.SQL", "L1\r\nL2\r\nL3\r\nL4\r\nL5\r\nL6\r\nL7\r\nL8\r\n");
  WriteBytes("SQLLOG2.SQL", "SELECT *\r\n  FROM T\r\n");
  WriteBytes("SQLLOG3.SQL", "");
  SQLLogFiles = {"SQLLOG1.SQL", "SQLLOG2.SQL", "SQLLOG3.SQL", "SQLLOG4.SQL"};
  const std::vector<TSQLLogItem> items = SQLLogItems();
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[0].Text, "L1 L2 L3 L4 L5");
  EXPECT_EQ(items[1].Text, "SELECT *   FROM T");
  EXPECT_EQ(items[2].Text, "");
  EXPECT_EQ(items[3].Text, "") << "unreadable";
  for (const TSQLLogItem& item : items) EXPECT_FALSE(item.Marked);
}

TEST_F(SQLLogTest, MovesSwapOneEntryWithItsNeighbour) {
  struct Case {
    const char* what;
    std::vector<int> selected;
    TSQLLogDirection direction;
    TSQLLogMove result;
    std::vector<int> after;
  };
  using enum TSQLLogDirection;
  const Case cases[] = {
      {"up", {1}, Up, {false, 0}, {2, 3, 1}},
      {"down", {1}, Down, {false, 2}, {3, 1, 2}},
      {"first up", {0}, Up, {false, -1}, {3, 2, 1}},
      {"last down", {2}, Down, {false, -1}, {3, 2, 1}},
      {"two selected", {0, 1}, Down, {true, -1}, {3, 2, 1}},
      {"none selected", {}, Down, {false, -1}, {3, 2, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    History({3, 2, 1});
    std::vector<TSQLLogItem> items = SQLLogItems();
    items[1].Marked = true;
    const TSQLLogMove result = MoveSQLLogEntry(items, c.selected, c.direction);
    EXPECT_EQ(result.TooMany, c.result.TooMany);
    EXPECT_EQ(result.Index, c.result.Index);
    EXPECT_EQ(SQLLogFiles, Names(c.after));
    for (size_t i = 0; i < items.size(); ++i) {
      EXPECT_EQ(items[i].Text, "-- " + std::to_string(c.after[i])) << i;
      EXPECT_EQ(items[i].Marked, c.after[i] == 2) << "the mark travels with its entry";
    }
  }
}

TEST_F(SQLLogTest, RemovalTakesEverySelectedEntryAndKeepsTheFiles) {
  History({5, 4, 3, 2, 1});
  std::vector<TSQLLogItem> items = SQLLogItems();
  RemoveSQLLogEntries(items, {3, 0, 9, 3});
  EXPECT_EQ(SQLLogFiles, Names({4, 3, 1}));
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[2].Text, "-- 1");
  EXPECT_TRUE(Exists("SQLLOG5.SQL"));
  EXPECT_TRUE(Exists("SQLLOG2.SQL"));
}

TEST_F(SQLLogTest, SearchMarksEntriesHoldingTheTextInAnyCase) {
  WriteBytes("SQLLOG1.SQL", "Select A\r\nFROM T\r\n");
  WriteBytes("SQLLOG2.SQL", "INSERT INTO T VALUES (1)\r\n");
  WriteBytes("SQLLOG3.SQL", "-- ｓｅｌｅｃｔ\r\n");
  WriteBytes("SQLLOG4.SQL", "-- 日本語の表\r\nselect 1 from 日本\r\n");
  SQLLogFiles = {"SQLLOG1.SQL", "SQLLOG2.SQL", "SQLLOG3.SQL", "SQLLOG4.SQL", "SQLLOG9.SQL"};
  std::vector<TSQLLogItem> items = SQLLogItems();
  items[1].Marked = true;  // from an earlier search
  items[4].Marked = true;  // its file is gone
  EXPECT_TRUE(SearchSQLLog(items, "select"));
  const bool marks[] = {true, false, false, true, true};
  for (size_t i = 0; i < items.size(); ++i) EXPECT_EQ(items[i].Marked, marks[i]) << i;

  EXPECT_TRUE(SearchSQLLog(items, "ｓｅｌｅｃｔ"));
  EXPECT_TRUE(items[2].Marked) << "full-width letters upper-cased too";
  EXPECT_TRUE(SearchSQLLog(items, "日本"));
  EXPECT_TRUE(items[3].Marked);
  EXPECT_FALSE(items[0].Marked);

  EXPECT_FALSE(SearchSQLLog(items, "  \t "));
  EXPECT_TRUE(items[3].Marked) << "a blank search changes nothing";
}

TEST_F(SQLLogTest, IndexIsSavedAndLoadedAsOneNameALine) {
  SQLLogFiles = Names({3, 1});
  SaveSQLLogIndex();
  EXPECT_EQ(ReadBytes(kSQLLogIndex), "SQLLOG3.SQL\r\nSQLLOG1.SQL\r\n");
  SQLLogFiles.clear();
  LoadSQLLogIndex();
  EXPECT_EQ(SQLLogFiles, Names({3, 1}));
  QFile::remove(QString::fromStdString(Work(kSQLLogIndex)));
  LoadSQLLogIndex();
  EXPECT_TRUE(SQLLogFiles.empty());
}

}  // namespace
