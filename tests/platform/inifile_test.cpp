#include "platform/inifile.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteAll(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

class IniFileTest : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  std::string Path(const std::string& name) { return dir.filePath(QString::fromStdString(name)).toStdString(); }
};

TEST_F(IniFileTest, MissingFileReadsAsEmptyAndIsNotCreatedByReading) {
  platform::IniFile ini(Path("none.ini"));
  EXPECT_EQ(ini.ReadString("WHERE", "00", "def"), "def");
  EXPECT_FALSE(ini.SectionExists("WHERE"));
  ini.UpdateFile();
  EXPECT_FALSE(QFile::exists(QString::fromStdString(Path("none.ini"))));
}

TEST_F(IniFileTest, ValuesOfAnyTextReadBackExactly) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"00", "A = 'x'"},
      {"列名", "日本語の値"},
      {"key=with=equals", "value=with=equals"},
      {"[bracket", "; not a comment"},
      {"back\\slash", "C:\\temp\\n"},
      {"line", "one\r\ntwo\nthree"},
      {"blanks", "  padded  "},
      {"empty", ""},
  };
  {
    platform::IniFile ini(Path("any.ini"));
    for (const auto& [k, v] : cases) ini.WriteString("セクション", k, v);
    ini.UpdateFile();
  }
  platform::IniFile back(Path("any.ini"));
  for (const auto& [k, v] : cases) {
    EXPECT_TRUE(back.ValueExists("セクション", k)) << k;
    EXPECT_EQ(back.ReadString("セクション", k, "missing"), v) << k;
  }
  std::vector<std::string> keys;
  for (const auto& kv : cases) keys.push_back(kv.first);
  EXPECT_EQ(back.ReadSection("セクション"), keys);
}

TEST_F(IniFileTest, SectionsAndKeysKeepOrderAndMatchWithoutCase) {
  WriteAll(Path("a.ini"), "; comment\r\n[COLWIDTH_V]\r\nB=1\r\na=2\r\n\r\n[Other]\r\nx=y\r\n");
  platform::IniFile ini(Path("a.ini"));
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"COLWIDTH_V", "Other"}));
  EXPECT_EQ(ini.ReadSection("colwidth_v"), (std::vector<std::string>{"B", "a"}));
  EXPECT_EQ(ini.ReadInteger("COLWIDTH_V", "A", 0), 2);
  EXPECT_EQ(ini.ReadInteger("OTHER", "x", 7), 7);
  ini.WriteString("other", "X", "z");
  ini.WriteString("New", "k", "v");
  ini.DeleteKey("COLWIDTH_V", "b");
  ini.UpdateFile();
  EXPECT_EQ(ReadAll(Path("a.ini")), "[COLWIDTH_V]\na=2\n[Other]\nx=z\n[New]\nk=v\n");
}

TEST_F(IniFileTest, EraseSectionRemovesItsValues) {
  platform::IniFile ini(Path("e.ini"));
  ini.WriteInteger("WHERE", "00", 5);
  ini.WriteString("KEEP", "a", "b");
  ini.EraseSection("where");
  ini.UpdateFile();
  EXPECT_EQ(ReadAll(Path("e.ini")), "[KEEP]\na=b\n");
}

TEST_F(IniFileTest, Cp932FileIsConverted) {
  // "条件" in CP932.
  WriteAll(Path("sjis.ini"), "[WHERE]\r\n00=\x8F\xF0\x8C\x8F\r\n");
  platform::IniFile ini(Path("sjis.ini"));
  EXPECT_EQ(ini.ReadString("WHERE", "00", ""), "条件");
}

TEST_F(IniFileTest, UnwritableFileThrows) {
  platform::IniFile ini(Path("no/such/folder/x.ini"));
  ini.WriteString("S", "k", "v");
  EXPECT_THROW(ini.UpdateFile(), std::runtime_error);
}

}  // namespace
