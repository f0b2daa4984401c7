#include "platform/textfile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

std::string Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

QStringList FolderEntries(const QTemporaryDir& dir) { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }

TEST(TextFile, ATextReadAndSavedUnchangedReadsBackTheSame) {
  struct Case {
    std::string bytes;
    std::string text;
  };
  const Case cases[] = {
      {"SELECT 1\x1A", "SELECT 1"},
      {"SELECT 1\x1A\x1A", "SELECT 1"},
      {"SELECT 1\r\n\x1A-- after the end mark", "SELECT 1\r\n"},
      {"SELECT 1\xFF", "SELECT 1\xEF\xBF\xBD"},  // 0xFF is no CP932 character: U+FFFD, not SUB
      {"-- \x93\xFA\x96\x7B\r\nSELECT 1\xFF\x1A", "-- 日本\r\nSELECT 1\xEF\xBF\xBD"},
      {"SELECT '日本'\rFROM T\n", "SELECT '日本'\rFROM T\n"},
      {"", ""},
  };
  QTemporaryDir dir;
  const std::string path = dir.filePath("script.sql").toStdString();
  for (const Case& c : cases) {
    WriteBytes(path, c.bytes);
    const std::string first = platform::ReadTextFile(path);
    EXPECT_EQ(first, c.text) << c.bytes;
    platform::WriteTextFile(path, first);
    EXPECT_EQ(platform::ReadTextFile(path), first) << c.bytes;
  }
}

TEST(TextFile, ReadingReportsEachBlockAndStopsWhenTold) {
  QTemporaryDir dir;
  const std::string path = dir.filePath("big.sql").toStdString();
  const std::string text(100000, 'x');
  WriteBytes(path, text);
  std::vector<int64_t> done;
  EXPECT_EQ(platform::ReadTextFile(path, [&](int64_t read, int64_t total) {
              EXPECT_EQ(total, static_cast<int64_t>(text.size()));
              done.push_back(read);
              return true;
            }),
            text);
  ASSERT_GE(done.size(), 2u);
  EXPECT_TRUE(std::is_sorted(done.begin(), done.end()));
  EXPECT_EQ(done.back(), static_cast<int64_t>(text.size()));

  int calls = 0;
  EXPECT_EQ(platform::ReadTextFile(path, [&](int64_t, int64_t) { return ++calls < 2; }), std::nullopt);
  EXPECT_EQ(calls, 2);
}

TEST(TextFile, ANulInTheFirstBlockMarksABinaryFile) {
  struct Case {
    std::string bytes;
    bool binary;
  };
  constexpr size_t kFirstBlock = 8192;
  const Case cases[] = {
      {"SELECT 1\r\n", false},
      {std::string("MZ\x90\0\x03", 5), true},
      {std::string(kFirstBlock - 1, 'a') + '\0', true},
      {std::string(kFirstBlock, 'a') + '\0', false},
      {"", false},
  };
  QTemporaryDir dir;
  const std::string path = dir.filePath("file").toStdString();
  for (const Case& c : cases) {
    WriteBytes(path, c.bytes);
    EXPECT_EQ(platform::StartsAsBinary(path), c.binary) << c.bytes.size();
  }
  EXPECT_THROW(platform::StartsAsBinary(dir.filePath("missing").toStdString()), std::runtime_error);
}

TEST(TextFile, AFailedWriteNamesItsCauseAndKeepsTheOldFile) {
  QTemporaryDir dir;
  const std::string path = dir.filePath("script.sql").toStdString();
  platform::WriteTextFile(path, "SELECT 1");
  // A file-size limit fails the write as a full disk does, with its own cause.
  constexpr rlim_t kLimit = 4096;
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limited = saved;
  limited.rlim_cur = kLimit;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
  std::string message;
  try {
    platform::WriteTextFile(path, std::string(kLimit * 4, 'x'));
  } catch (const std::runtime_error& e) {
    message = e.what();
  }
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(message, path + ": File too large");
  EXPECT_EQ(Bytes(path), "SELECT 1");
  EXPECT_EQ(FolderEntries(dir), QStringList{"script.sql"}) << "no temporary file stays";
}

TEST(TextFile, SavingThroughALinkReplacesTheFileItLeadsTo) {
  QTemporaryDir dir;
  const std::string target = dir.filePath("script.sql").toStdString();
  const std::string link = dir.filePath("link.sql").toStdString();
  platform::WriteTextFile(target, "SELECT 1");
  ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
  platform::WriteTextFile(link, "SELECT 2");
  EXPECT_TRUE(QFileInfo(QString::fromStdString(link)).isSymLink());
  EXPECT_EQ(Bytes(target), "SELECT 2");
}

TEST(TextFile, ASaveRemovesWhatKilledSavesLeftAndSparesOneUnderWay) {
  QTemporaryDir dir;
  const std::string path = dir.filePath("script.sql").toStdString();
  platform::WriteTextFile(path, "SELECT 1");
  const std::string big(64 << 20, 'x');
  // Saves killed while they write, as a crash or a power cut ends them.
  constexpr int kKills = 3;
  for (int kill = 0; kill < kKills; ++kill) {
    const QStringList before = FolderEntries(dir);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (;;) platform::WriteTextFile(path, big);
    }
    while (FolderEntries(dir).size() == before.size()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
  }
  QStringList left = FolderEntries(dir);
  left.removeAll("script.sql");
  ASSERT_EQ(left.size(), kKills);
  // Two of them were left long ago; the third may be another program's save
  // that is still writing, and stays until it is as old.
  const QDateTime longAgo = QDateTime::currentDateTime().addDays(-1);
  for (int i = 0; i + 1 < left.size(); ++i) {
    QFile file(dir.filePath(left[i]));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(longAgo, QFileDevice::FileModificationTime));
  }
  platform::WriteTextFile(path, "SELECT 2");
  EXPECT_EQ(FolderEntries(dir), (QStringList{"script.sql", left.back()}));
  EXPECT_EQ(platform::ReadTextFile(path), "SELECT 2");
}

}  // namespace
