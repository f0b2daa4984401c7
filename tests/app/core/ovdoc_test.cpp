#include "app/core/ovdoc.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <fstream>

#include "app/core/ovshortcut.h"

namespace {

// A shared folder with document fixtures written by the test.
class DocFolder : public ::testing::Test {
 protected:
  std::string Share() const { return dir.path().toStdString() + "/"; }
  void Write(const std::string& folder, const std::string& name, const std::string& text) {
    QDir().mkpath(QString::fromStdString(Share() + folder));
    std::ofstream(Share() + folder + "/" + name, std::ios::binary) << text;
  }
  void Command(const std::string& name, const std::string& attributes, const std::string& version = "2") {
    const std::string versionAttr = version.empty() ? "" : " OVDOC-VERSION=\"" + version + "\"";
    Write(folder, name + ".cmd",
          "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<OVDOC" + versionAttr + "><USERCMD " + attributes +
              " SQL=\"SELECT 1\"/></OVDOC>\n");
  }
  void Report(const std::string& name, const std::string& attributes, const std::string& version = "2") {
    const std::string versionAttr = version.empty() ? "" : " OVDOC-VERSION=\"" + version + "\"";
    Write("xlsdef", name + ".def", "<OVDOC" + versionAttr + "><XLSDEF " + attributes + "/></OVDOC>");
  }
  static std::vector<std::string> Names(const std::vector<TUserCommandEntry>& entries) {
    std::vector<std::string> names;
    for (const auto& e : entries) names.push_back(e.Name);
    return names;
  }

  QTemporaryDir dir;
  std::string folder = "USERCMD";
};

TEST_F(DocFolder, UserCommandsFollowTheSeqExchangePass) {
  struct Case {
    std::vector<int> seqs;  // in name order
    std::vector<std::string> want;
  };
  const Case cases[] = {
      {{3, 2, 2, 1}, {"d", "c", "b", "a"}},  // 1, the second 2, the first 2, 3
      {{3, 1, 2}, {"b", "c", "a"}},
      {{5, 5}, {"a", "b"}},
      {{2, 1, 1}, {"b", "c", "a"}},
  };
  for (const auto& c : cases) {
    std::vector<TUserCommandEntry> entries;
    for (size_t i = 0; i < c.seqs.size(); ++i) entries.push_back({std::string(1, static_cast<char>('a' + i)), c.seqs[i]});
    OrderBySeq(entries);
    EXPECT_EQ(Names(entries), c.want);
  }
}

TEST_F(DocFolder, UserCommandMenuReadsSeqShortCutsAndTheVersionRule) {
  Command("Zeta", "SEQ=\"1\" SHORTCUT=\"" + std::to_string(kScCtrl | 'S') + "\"");
  Command("alpha", "SEQ=\"3\" SHORTCUT=\"0\"");
  Command("Beta", "SEQ=\"2\" SHORTCUT=\"" + std::to_string(kScShift | 0x74) + "\"", "");  // no version: accepted
  Command("gamma", "SEQ=\"-1\" SHORTCUT=\"117\"", "3");                                   // too new: SEQ 0
  Write(folder, "Broken.cmd", "<OVDOC OVDOC-VERSION=\"1\"><USERCMD SEQ=\"9\"");
  Write(folder, "Other.CMD", "<ROOT><USERCMD SEQ=\"4\" SHORTCUT=\"65\"/></ROOT>");
  Write(folder, "NotNumber.cmd", "<OVDOC OVDOC-VERSION=\"x\"><USERCMD SEQ=\"5\"/></OVDOC>");
  Write(folder, "readme.txt", "not a command");
  const std::vector<TUserCommandEntry> want = {
      {"Broken", 0, 0},    {"gamma", 0, 0}, {"NotNumber", 0, 0}, {"Other", 0, 0},
      {"Zeta", 1, kScCtrl | 'S'}, {"Beta", 2, kScShift | 0x74}, {"alpha", 3, 0},
  };
  EXPECT_EQ(UserCommandMenuEntries(Share()), want);
}

TEST_F(DocFolder, ALowerCaseFolderIsFoundAndNoFolderGivesNoItems) {
  EXPECT_TRUE(UserCommandMenuEntries(Share()).empty());
  EXPECT_TRUE(ReportMenuEntries(Share()).empty());
  folder = "usercmd";
  Command("one", "SEQ=\"1\"");
  EXPECT_EQ(UserCommandMenuEntries(Share()), (std::vector<TUserCommandEntry>{{"one", 1, 0}}));
  EXPECT_EQ(FindFolderAnyCase(Share(), "USERCMD"), Share() + "usercmd/");
}

TEST_F(DocFolder, ReportTagsFollowTheirTypeOutputTypeAndVersion) {
  Report("Object list", "TYPE=\"OBJECT\" OUTPUTTYPE=\"1\"");
  Report("tables", "TYPE=\"TABLE\"");
  Report("Views", "TYPE=\"VIEW\" OUTPUTTYPE=\"1\"");
  Report("lower", "TYPE=\"view\" OUTPUTTYPE=\"1\"");
  Report("old", "TYPE=\"TABLE\" OUTPUTTYPE=\"1\"", "");  // no version: refused here
  Report("new", "TYPE=\"TABLE\"", "2.5");
  Write("xlsdef", "broken.def", "<OVDOC OVDOC-VERSION=\"2\"><XLSDEF TYPE=\"TABLE\"");
  const std::vector<TReportEntry> want = {
      {"broken", 0}, {"lower", 0}, {"new", 0}, {"Object list", 0}, {"old", 0}, {"tables", 1}, {"Views", 2},
  };
  EXPECT_EQ(ReportMenuEntries(Share()), want);
}

TEST_F(DocFolder, AUserCommandGivesItsFlagsAndText) {
  const std::string root = "<OVDOC OVDOC-VERSION=\"2\">";
  Write(folder, "full.cmd", root + "<USERCMD DIALOG=\"1\" SQLWINDOW=\"2\" ERROR=\"0\" SQL=\"DROP TABLE &amp;NAME\"/></OVDOC>");
  Write(folder, "plain.cmd", "<OVDOC><USERCMD SQL=\"SELECT 1\"/><USERCMD ERROR=\"1\"/></OVDOC>");
  Write(folder, "nochild.cmd", root + "<OTHER/></OVDOC>");
  Write(folder, "badflag.cmd", root + "<USERCMD DIALOG=\"yes\" SQL=\"X\"/></OVDOC>");
  Write(folder, "new.cmd", "<OVDOC OVDOC-VERSION=\"3\"><USERCMD SQL=\"X\"/></OVDOC>");
  Write(folder, "broken.cmd", root + "<USERCMD SQL=\"X\"");
  EXPECT_EQ(ReadUserCommand(Share(), "full"), (TUserCommand{true, true, false, "DROP TABLE &NAME"}));
  EXPECT_EQ(ReadUserCommand(Share(), "plain"), (TUserCommand{false, false, false, "SELECT 1"}));
  for (const char* refused : {"nochild", "badflag", "new", "broken", "missing"})
    EXPECT_FALSE(ReadUserCommand(Share(), refused)) << refused;
}

}  // namespace
