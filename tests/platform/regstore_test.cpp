#include "platform/regstore.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <fstream>
#include <sstream>

#include "tests/platform/temp_settings.h"

namespace {

using platform::RegDataType;
using platform::Registry;
using platform::RegistryError;
using platform::RegRoot;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string& path, const std::string& text) {
  QDir().mkpath(QString::fromStdString(path.substr(0, path.rfind('/'))));
  std::ofstream(path, std::ios::binary) << text;
}

TEST(RegStore, TypedValuesSurviveARestart) {
  testing_support::TempSettings env;
  const unsigned char rect[16] = {1, 0, 0, 0, 2, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0x80};
  const std::string tricky = "a \"quoted\" \\ text\r\nwith = and 日本語\t\x01";
  {
    Registry reg;
    ASSERT_TRUE(reg.OpenKey("\\Software\\Tessavar\\ORV", true));
    reg.WriteInteger("Version", 80004);
    reg.WriteInteger("Negative", -5);
    reg.WriteBool("Flag", true);
    reg.WriteString("Text", tricky);
    reg.WriteString("Empty", "");
    reg.WriteBinaryData("Rect", rect, sizeof rect);
    reg.WriteFloat("When", 45678.25);
    reg.CloseKey();
  }
  env.Restart();
  Registry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\Tessavar\\ORV", false));
  EXPECT_EQ(reg.ReadInteger("Version"), 80004);
  EXPECT_EQ(reg.ReadInteger("Negative"), -5);
  EXPECT_TRUE(reg.ReadBool("Flag"));
  EXPECT_EQ(reg.ReadString("Text"), tricky);
  EXPECT_EQ(reg.ReadString("Empty"), "");
  EXPECT_TRUE(reg.ValueExists("Empty"));
  unsigned char back[16] = {};
  EXPECT_EQ(reg.ReadBinaryData("Rect", back, sizeof back), 16);
  EXPECT_EQ(std::memcmp(back, rect, sizeof rect), 0);
  EXPECT_DOUBLE_EQ(reg.ReadFloat("When"), 45678.25);
  EXPECT_EQ(reg.GetDataType("Version"), RegDataType::Dword);
  EXPECT_EQ(reg.GetDataType("Text"), RegDataType::String);
  EXPECT_EQ(reg.GetDataType("Rect"), RegDataType::Binary);
  EXPECT_EQ(reg.GetDataType("Missing"), RegDataType::Unknown);
  EXPECT_EQ(reg.GetDataSize("Rect"), 16);
  EXPECT_EQ(reg.GetDataSize("Missing"), -1);
  EXPECT_TRUE(env.Dialogs().messages.empty());
}

TEST(RegStore, ReadsOfMissingOrMistypedValuesRaise) {
  testing_support::TempSettings env;
  Registry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\Test", true));
  reg.WriteString("Text", "12");
  reg.WriteInteger("Number", 12);
  unsigned char big[17] = {};
  reg.WriteBinaryData("Big", big, sizeof big);
  EXPECT_THROW(reg.ReadInteger("Missing"), RegistryError);
  EXPECT_THROW(reg.ReadInteger("Text"), RegistryError);
  EXPECT_THROW(reg.ReadBool("Text"), RegistryError);
  EXPECT_THROW(reg.ReadString("Number"), RegistryError);
  EXPECT_EQ(reg.ReadString("Missing"), "");
  EXPECT_THROW(reg.ReadFloat("Number"), RegistryError);
  EXPECT_THROW(reg.ReadFloat("Big"), RegistryError);  // not 8 bytes
  unsigned char buf[16];
  EXPECT_THROW(reg.ReadBinaryData("Big", buf, sizeof buf), RegistryError);
  EXPECT_THROW(reg.ReadBinaryData("Number", buf, sizeof buf), RegistryError);
  try {
    reg.ReadInteger("Text");
  } catch (const RegistryError& e) {
    EXPECT_NE(std::string(e.what()).find("'Text'"), std::string::npos);
  }
}

TEST(RegStore, NamesIgnoreCaseAndKeepTheirFirstSpelling) {
  testing_support::TempSettings env;
  Registry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\Tessavar\\ORV", true));
  reg.WriteInteger("Version", 1);
  reg.WriteInteger("VERSION", 2);
  reg.CloseKey();
  ASSERT_TRUE(reg.OpenKey("\\SOFTWARE\\tessavar\\orv", false));
  EXPECT_EQ(reg.ReadInteger("version"), 2);
  EXPECT_EQ(reg.GetValueNames(), std::vector<std::string>{"Version"});
  EXPECT_TRUE(reg.DeleteValue("VerSion"));
  EXPECT_FALSE(reg.ValueExists("Version"));
  reg.CloseKey();
  EXPECT_TRUE(reg.KeyExists("\\software\\TESSAVAR"));
}

TEST(RegStore, ValuesListInCreationOrderAndSubkeysInRegistryOrder) {
  testing_support::TempSettings env;
  {
    Registry reg;
    ASSERT_TRUE(reg.OpenKey("\\Software\\List", true));
    for (const char* n : {"zeta", "alpha", "Mid"}) reg.WriteString(n, "");
    for (const char* k : {"2", "10", "b", "0", "A", "1"}) ASSERT_TRUE(reg.CreateKey(k));
    reg.CloseKey();
  }
  env.Restart();
  Registry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\List", false));
  EXPECT_EQ(reg.GetValueNames(), (std::vector<std::string>{"zeta", "alpha", "Mid"}));
  EXPECT_EQ(reg.GetKeyNames(), (std::vector<std::string>{"0", "1", "10", "2", "A", "b"}));
}

TEST(RegStore, KeysOpenRelativeAndDeleteWithTheirSubtree) {
  testing_support::TempSettings env;
  Registry reg;
  EXPECT_FALSE(reg.OpenKey("\\Software\\Tessavar\\ORV", false));
  ASSERT_TRUE(reg.OpenKey("\\Software\\Tessavar\\ORV", true));
  ASSERT_TRUE(reg.OpenKey("GUI\\MAIN", true));
  EXPECT_EQ(reg.CurrentPath(), "Software\\Tessavar\\ORV\\GUI\\MAIN");
  reg.WriteInteger("Left", 3);
  ASSERT_TRUE(reg.OpenKey("\\Software\\Tessavar\\ORV", false));
  EXPECT_TRUE(reg.HasSubKeys());
  EXPECT_TRUE(reg.DeleteKey("GUI"));
  EXPECT_FALSE(reg.DeleteKey("GUI"));
  reg.CloseKey();
  EXPECT_FALSE(reg.KeyExists("\\Software\\Tessavar\\ORV\\GUI\\MAIN"));
  EXPECT_FALSE(reg.OpenKeyReadOnly("\\Software\\Tessavar\\ORV\\GUI"));
}

// The deepest and longest key paths a file may hold are stored and read
// back; one beyond either bound is neither opened for creation nor saved.
TEST(RegStore, KeyPathsBeyondTheBoundsAreRefused) {
  testing_support::TempSettings env;
  std::string deepest, deeper;
  for (size_t i = 0; i < platform::kMaxKeyDepth; ++i) deepest += "\\k";
  deeper = deepest + "\\k";
  // Two names and the separator between them fill the path exactly.
  const std::string half(platform::kMaxKeyPathBytes / 2, 'x');
  const std::string longest = "\\" + half + "\\" + half.substr(1);
  const std::string longer = "\\" + half + "\\" + half;
  {
    Registry reg;
    for (const std::string& key : {deepest, longest}) {
      ASSERT_TRUE(reg.OpenKey(key, true)) << key.size();
      reg.WriteInteger("N", 1);
    }
    EXPECT_FALSE(reg.OpenKey(deeper, true));
    EXPECT_FALSE(reg.OpenKey(longer, true));
    EXPECT_FALSE(reg.CreateKey(deeper));
    EXPECT_FALSE(reg.CreateKey(longer));
    reg.CloseKey();
  }
  env.Restart();
  Registry reg;
  for (const std::string& key : {deepest, longest}) {
    ASSERT_TRUE(reg.OpenKey(key, false));
    EXPECT_EQ(reg.ReadInteger("N"), 1);
  }
  EXPECT_FALSE(reg.KeyExists(deeper));
  EXPECT_FALSE(reg.KeyExists(longer));
  reg.CloseKey();
  EXPECT_TRUE(env.Dialogs().messages.empty());
}

TEST(RegStore, SaveReplacesTheFileAtomically) {
  testing_support::TempSettings env;
  Registry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\A", true));
  reg.WriteInteger("N", 1);
  reg.CloseKey();
  const std::string path = env.UserStore();
  const std::string first = ReadFile(path);
  ASSERT_NE(first.find("dword \"N\" 1"), std::string::npos);
  // A hard link keeps the old file: a save that wrote in place would change it.
  const std::string link = env.Path("old-link");
  ASSERT_EQ(::link(path.c_str(), link.c_str()), 0);
  ASSERT_TRUE(reg.OpenKey("\\Software\\A", false));
  reg.WriteInteger("N", 2);
  reg.CloseKey();
  EXPECT_EQ(ReadFile(link), first);
  EXPECT_NE(ReadFile(path).find("dword \"N\" 2"), std::string::npos);
  const QStringList left = QDir(QString::fromStdString(path.substr(0, path.rfind('/')))).entryList(QDir::Files);
  EXPECT_EQ(left, QStringList{"current_user.registry"});
}

// A key line `depth` keys deep, each named `name`.
std::string KeyLine(size_t depth, const std::string& name) {
  std::string line = "key";
  for (size_t i = 0; i < depth; ++i) line += " \"" + name + "\"";
  return line + "\n";
}

TEST(RegStore, DamagedFileKeepsWhatWasReadBeforeTheDamageIsKeptAsideAndIsReportedOnce) {
  const std::string kSaved = "# Tessavar registry store 1\nkey \"Logons\" \"1\"\nsz \"UserID\" \"SCOTT\"\n";
  struct Case {
    std::string text;
    bool keepsSaved;  // the key "Logons\1" was read before the damage
    bool keepsA;      // the key "A" was read before the damage
  };
  const std::vector<Case> cases = {
      {"", false, false},                                                   // empty
      {"garbage\n", false, false},                                          // no header
      {"# Tessavar registry store 1\ndword \"N\" 1\n", false, false},       // value before a key
      {"# Tessavar registry store 1\nkey \"A\nsz \"x\" \"y\"\n", false, false},  // unclosed quote
      {kSaved + "key \"A\"\ndword \"N\" 99999999999\n", true, true},
      {kSaved + "key \"A\"\nbinary \"B\" \"0g\"\n", true, true},
      {kSaved + "key \"A\"\nfloat \"F\" 1\n", true, true},
      {kSaved + "key \"A\"\nsz \"Cut\" \"no end", true, true},            // a bad last line
      {kSaved + "key \"A\"\n" + KeyLine(platform::kMaxKeyDepth + 1, "k") + "dword \"N\" 1\n", true, true},
      {kSaved + "key \"A\"\n" + KeyLine(1, std::string(platform::kMaxKeyPathBytes + 1, 'x')), true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    testing_support::TempSettings env;
    WriteFile(env.UserStore(), c.text);
    Registry reg;
    EXPECT_EQ(reg.OpenKey("\\A", false), c.keepsA);
    reg.CloseKey();
    ASSERT_TRUE(reg.OpenKey("\\Software\\New", true));
    reg.WriteInteger("N", 7);
    reg.CloseKey();
    ASSERT_EQ(env.Dialogs().messages.size(), 1u);
    EXPECT_NE(env.Dialogs().messages[0].text.find("壊れた箇所より前の設定だけを読み込みました"), std::string::npos);
    EXPECT_EQ(ReadFile(env.UserStore() + ".damaged"), c.text);
    env.Restart();
    Registry reread;
    ASSERT_TRUE(reread.OpenKey("\\Software\\New", false));
    EXPECT_EQ(reread.ReadInteger("N"), 7);
    ASSERT_EQ(reread.OpenKey("\\Logons\\1", false), c.keepsSaved);
    if (c.keepsSaved) {
      EXPECT_EQ(reread.ReadString("UserID"), "SCOTT");
    }
    reread.CloseKey();
    EXPECT_EQ(env.Dialogs().messages.size(), 1u);
  }
}

TEST(RegStore, SalvagedValuesAreSavedAtOnceSoARestartFindsThem) {
  testing_support::TempSettings env;
  WriteFile(env.UserStore(), "# Tessavar registry store 1\nkey \"Logons\" \"1\"\nsz \"Password\" \"x\"\nbad line\n");
  EXPECT_TRUE(Registry().KeyExists("\\Logons\\1"));
  env.Restart();
  EXPECT_TRUE(Registry().KeyExists("\\Logons\\1"));
  EXPECT_EQ(env.Dialogs().messages.size(), 1u);
}

TEST(RegStore, StoreIsPrivateToTheUser) {
  testing_support::TempSettings env;
  Registry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\A", true));
  reg.WriteString("Password", "secret");
  reg.CloseKey();
  struct stat folder {};
  struct stat file {};
  ASSERT_EQ(::stat(env.UserStore().substr(0, env.UserStore().rfind('/')).c_str(), &folder), 0);
  ASSERT_EQ(::stat(env.UserStore().c_str(), &file), 0);
  EXPECT_EQ(folder.st_mode & 07777, 0700u);
  EXPECT_EQ(file.st_mode & 07777, 0600u);
}

// A save that cannot be written is shown once; nothing raises, the run goes
// on, and the pending changes reach the file once it can be written again.
TEST(RegStore, FailingSaveIsShownOnceNeverRaisesAndIsRetried) {
  testing_support::TempSettings env;
  // A file where the store's folder belongs: no save can succeed, even as root.
  const std::string folder = env.UserStore().substr(0, env.UserStore().rfind('/'));
  WriteFile(folder, "not a folder");
  {
    Registry reg;
    ASSERT_TRUE(reg.OpenKey("\\Software\\A", true));
    reg.WriteInteger("N", 1);
    EXPECT_NO_THROW(reg.CloseKey());
    platform::KeyScope scope(reg);
    ASSERT_TRUE(reg.OpenKey("\\Software\\A", true));
    reg.WriteInteger("M", 2);
  }
  ASSERT_EQ(env.Dialogs().messages.size(), 1u);
  EXPECT_NE(env.Dialogs().messages[0].text.find("保存できません"), std::string::npos);
  EXPECT_EQ(env.Dialogs().messages[0].flags, 0x10u);
  ASSERT_EQ(::unlink(folder.c_str()), 0);
  Registry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\B", true));
  reg.CloseKey();
  env.Restart();
  ASSERT_TRUE(reg.OpenKey("\\Software\\A", false));
  EXPECT_EQ(reg.ReadInteger("N"), 1);
  EXPECT_EQ(reg.ReadInteger("M"), 2);
}

// Two running copies of the program: each loads the store before either
// saves, then they save in turn. Every change of both survives, deletions
// included.
TEST(RegStore, TwoRunningCopiesNeverLoseEachOthersChanges) {
  testing_support::TempSettings env;
  {
    Registry seed;
    ASSERT_TRUE(seed.OpenKey("\\ORV\\DATABASE\\0", true));
    seed.WriteString("UserID", "OLD");
    ASSERT_TRUE(seed.OpenKey("\\ORV\\GUI\\MAIN", true));
    seed.WriteInteger("Width", 100);
    seed.CloseKey();
  }
  env.Restart();
  int toChild[2];
  int toParent[2];
  ASSERT_EQ(::pipe(toChild), 0);
  ASSERT_EQ(::pipe(toParent), 0);
  auto wait = [](int fd) {
    char c = 0;
    return ::read(fd, &c, 1) == 1;
  };
  auto signal = [](int fd) { return ::write(fd, "x", 1) == 1; };
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The second copy: its own stores, loaded now.
    platform::ForgetSharedStores();
    Registry reg;
    bool ok = reg.OpenKey("\\ORV\\DATABASE", false);
    signal(toParent[1]);
    ok = ok && wait(toChild[0]);
    ok = ok && reg.OpenKey("\\ORV\\DATABASE\\2", true);
    reg.WriteString("UserID", "SECOND");
    reg.CloseKey();
    ok = ok && reg.OpenKey("\\ORV\\GUI\\OBJECT", true);
    reg.WriteInteger("TreeWidth", 222);
    reg.CloseKey();
    signal(toParent[1]);
    ::_exit(ok ? 0 : 1);
  }
  Registry reg;
  ASSERT_TRUE(reg.OpenKey("\\ORV\\DATABASE", false));
  reg.CloseKey();
  ASSERT_TRUE(wait(toParent[0]));  // both copies have loaded the store
  ASSERT_TRUE(reg.OpenKey("\\ORV\\DATABASE\\1", true));
  reg.WriteString("UserID", "FIRST");
  reg.CloseKey();
  ASSERT_TRUE(reg.DeleteKey("\\ORV\\DATABASE\\0"));
  ASSERT_TRUE(signal(toChild[1]));
  ASSERT_TRUE(wait(toParent[0]));  // the second copy has saved
  ASSERT_TRUE(reg.OpenKey("\\ORV\\GUI\\MAIN", true));
  reg.WriteInteger("Width", 300);
  reg.CloseKey();
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  env.Restart();
  Registry after;
  ASSERT_TRUE(after.OpenKey("\\ORV\\DATABASE", false));
  EXPECT_EQ(after.GetKeyNames(), (std::vector<std::string>{"1", "2"}));
  ASSERT_TRUE(after.OpenKey("\\ORV\\DATABASE\\2", false));
  EXPECT_EQ(after.ReadString("UserID"), "SECOND");
  ASSERT_TRUE(after.OpenKey("\\ORV\\GUI\\MAIN", false));
  EXPECT_EQ(after.ReadInteger("Width"), 300);
  ASSERT_TRUE(after.OpenKey("\\ORV\\GUI\\OBJECT", false));
  EXPECT_EQ(after.ReadInteger("TreeWidth"), 222);
  after.CloseKey();
}

TEST(RegStore, ASecondDamagedFileDoesNotReplaceTheFirstCopy) {
  testing_support::TempSettings env;
  WriteFile(env.UserStore(), "first\n");
  EXPECT_FALSE(Registry().KeyExists("\\A"));
  env.Restart();
  WriteFile(env.UserStore(), "second\n");
  EXPECT_FALSE(Registry().KeyExists("\\A"));
  EXPECT_EQ(ReadFile(env.UserStore() + ".damaged"), "first\n");
  EXPECT_EQ(ReadFile(env.UserStore() + ".damaged.1"), "second\n");
}

TEST(RegStore, LocalMachineRootIsReadOnly) {
  testing_support::TempSettings env;
  WriteFile(env.Path("etc") + "/Tessavar/local_machine.registry",
            "# Tessavar registry store 1\nkey \"Software\" \"VELMORA\"\nsz \"Path\" \"/opt\"\n");
  Registry reg(RegRoot::LocalMachine);
  EXPECT_FALSE(reg.OpenKey("\\Software\\Other", true));
  ASSERT_TRUE(reg.OpenKey("\\Software\\VELMORA", true));
  EXPECT_EQ(reg.ReadString("Path"), "/opt");
  EXPECT_THROW(reg.WriteString("Path", "x"), RegistryError);
  EXPECT_FALSE(reg.DeleteKey("\\Software"));
  reg.CloseKey();
}

// A save of the settings killed before its rename leaves a copy of the
// store, saved logons included, beside it; the next save removes it.
TEST(RegStore, ASaveRemovesTheCopyAKilledSaveLeft) {
  testing_support::TempSettings env;
  {
    Registry reg;
    ASSERT_TRUE(reg.OpenKey("\\ORV\\DATABASE\\0", true));
    reg.WriteString("UserID", "ADMIN");
    reg.CloseKey();
  }
  const QFileInfo store(QString::fromStdString(env.UserStore()));
  const QString leftover = store.filePath() + ".orvsave.k1LLed";
  QFile::copy(store.filePath(), leftover);
  QFile file(leftover);
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addDays(-1), QFileDevice::FileModificationTime));
  file.close();
  env.Restart();
  Registry reg;
  ASSERT_TRUE(reg.OpenKey("\\ORV\\DATABASE\\0", true));
  reg.WriteString("UserID", "OTHER");
  reg.CloseKey();
  EXPECT_EQ(store.dir().entryList(QDir::Files), QStringList{store.fileName()});
}

}  // namespace
