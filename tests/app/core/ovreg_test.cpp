#include "app/core/ovreg.h"

#include <algorithm>
#include <map>

#include <QString>

#include "app/core/ovkinds.h"

#include <gtest/gtest.h>

#include <cstring>

#include "app/core/zarur.h"
#include "editor/core/EditorProp.h"
#include "tests/platform/temp_settings.h"

namespace {

using platform::RegDataType;

// A fresh run: settings in a temporary folder, globals as before LoadOptions.
class OptionsTest : public ::testing::Test {
 protected:
  OptionsTest() {
    InitFolders();
    ResetGlobals();
  }
  static void ResetGlobals() {
    AppOption = {};
    OracleHome.clear();
    PrintOption = {};
    ScriptOption = {};
    ExpOption = {};
    ImpOption = {};
    LoadOption = {};
    StatsOption = {};
    TrcOption = {};
    CompOption = {};
    PerformOption = {};
    DbOption = {};
    LockOption = {};
    FormatOption = {};
    DBTestOption = {};
    ShortCuts = DefaultShortCuts();
    EditorReserveWords.clear();
    WorkSpaces.clear();
  }
  void Restart() {
    env.Restart();
    ResetGlobals();
    prop = Make<TovMemoProp>();
  }
  static std::string Sub(const std::string& key) { return key.empty() ? kOptionKey : std::string(kOptionKey) + "\\" + key; }

  testing_support::TempSettings env;
  // The main window's editor property set, holder of the editor settings.
  std::unique_ptr<TovMemoProp> prop = Make<TovMemoProp>();
};

std::string Expand(std::string text) {
  for (const auto& [mark, folder] : {std::pair<std::string, std::string>{"{user}", UserDir}, {"{share}", ShareDir}}) {
    const auto at = text.find(mark);
    if (at != std::string::npos) text.replace(at, mark.size(), folder);
  }
  return text;
}

// What the first start leaves in each key after SaveOptions, in order:
// value name, type (d DWORD, s string, x binary) and data.
struct Stored {
  const char* name;
  char type;
  const char* data;
};
struct KeyContents {
  const char* key;
  std::vector<Stored> values;
};

const std::vector<KeyContents>& FirstStartStore() {
  static const std::vector<KeyContents> store = {
      {"",
       {{"Version", 'd', "80004"},
        {"TreeSort", 'd', "0"},
        {"ShowLevel0", 'd', "1"},
        {"ShowLevel1", 'd', "1"},
        {"TypeTable", 'd', "1"},
        {"TypeIndex", 'd', "1"},
        {"TypeView", 'd', "1"},
        {"TypeProc", 'd', "1"},
        {"TypeFunc", 'd', "1"},
        {"TypeTrigger", 'd', "1"},
        {"TypeSeq", 'd', "1"},
        {"OpenMode", 'd', "0"},
        {"UserFirst", 'd', "0"},
        {"TreeData", 'd', "0"},
        {"Progress", 'd', "1"},
        {"RowSelect", 'd', "0"},
        {"DelErr", 'd', "0"},
        {"Find", 'd', "1"},
        {"FindAuto", 'd', "1"},
        {"DefaultAutoQuote", 'd', "0"},
        {"ShowDDL", 'd', "0"},
        {"CloseDDL", 'd', "1"},
        {"BackupData", 'd', "1"},
        {"ShowStorageSource", 'd', "1"},
        {"ShowColumnSource", 'd', "1"},
        {"SaveBeforeSource", 'd', "0"},
        {"SaveBeforeSrcDialog", 'd', "0"},
        {"SaveBeforeSrcRenum", 'd', "0"},
        {"SaveBeforeSrcHead", 'd', "0"},
        {"SaveBeforeSrcDir", 's', "{share}"},
        {"SaveAfterSource", 'd', "0"},
        {"SaveAfterSrcDialog", 'd', "0"},
        {"SaveAfterSrcRenum", 'd', "0"},
        {"SaveAfterSrcHead", 'd', "0"},
        {"SaveAfterSrcDir", 's', "{share}"},
        {"DataFontSize", 'd', "10"},
        {"DataFontName", 's', "ＭＳ ゴシック"},
        {"DataShowMode", 'd', "0"},
        {"DataColWidthV", 'd', "30"},
        {"DataColWidthH", 'd', "20"},
        {"ShowWhereGrid", 'd', "1"},
        {"WhereAutoQuote", 'd', "1"},
        {"ShowNull", 'd', "1"},
        {"DefTopRecord", 'd', "1000"},
        {"DateFormat", 's', "yyyy/MM/dd"},
        {"Separator", 's', ";"},
        {"SQLBuf", 'd', "32"},
        {"UsePartial", 'd', "1"},
        {"DiagramFontSize", 'd', "9"},
        {"DiagramFontName", 's', "ＭＳ ゴシック"},
        {"GridFontSize", 'd', "9"},
        {"GridFontName", 's', "ＭＳ ゴシック"},
        {"PasteTitle", 'd', "0"},
        {"PasteColumn", 'd', "0"},
        {"PasteDialog", 'd', "0"},
        {"FileDir", 's', "{user}"},
        {"ExcelDir", 's', "{user}"},
        {"ScrExecDir", 's', ""},
        {"ExcelSheet", 's', ""},
        {"ExcelForm", 's', ""},
        {"ExcelTop", 'd', "0"},
        {"ExcelLeft", 'd', "0"},
        {"ExcelFormMatrix", 's', "{share}xlsdef/ovmatrix.xls"},
        {"ExcelMatrixRow", 'd', "60"},
        {"ExcelMatrixCol", 'd', "30"},
        {"ExcelTitle", 'd', "0"},
        {"ExcelMode", 'd', "0"},
        {"ExcelRefresh", 'd', "0"},
        {"ExcelDialog", 'd', "0"},
        {"CrossLevel", 'd', "3"},
        {"DataGenCommit", 'd', "50"},
        {"OutputBuf", 'd', "65535"},
        {"OracleHome", 's', ""},
        {"UpdateToCommit", 'd', "1"},
        {"UpdateMode", 'd', "1"},
        {"ScriptErrStop", 'd', "0"},
        {"ScriptCompDel", 'd', "0"},
        {"UserLowerName", 'd', "0"},
        {"CodeAssist", 'd', "1"},
        {"TempDir", 's', "{share}temp/"},
        {"AutoCommit", 'd', "1"},
        {"PerformMode", 'd', "1"},
        {"PerformDay", 'd', "30"},
        {"PerformDialog", 'd', "1"},
        {"SleepTime", 'd', "70"}}},
      {"PRINTOPTION",
       {{"Orientation", 'd', "0"},
        {"LeftMargin", 'd', "20"},
        {"TopMargin", 'd', "20"},
        {"RightMargin", 'd', "20"},
        {"BottomMargin", 'd', "20"},
        {"FontName", 's', "ＭＳ ゴシック"},
        {"FontSize", 'd', "10"}}},
      {"TEXTOUT",
       {{"OneScript", 'd', "0"},
        {"SubDir", 'd', "0"},
        {"SameName", 'd', "1"},
        {"Path", 's', "{user}"},
        {"NameTable", 's', ""},
        {"Schema", 'd', "2"},
        {"Index", 'd', "0"},
        {"Insert", 'd', "0"},
        {"InsertMode", 'd', "0"},
        {"Storage", 'd', "1"},
        {"Grant", 'd', "0"},
        {"GrantMode", 'd', "0"},
        {"NullLine", 'd', "0"}}},
      {"EXPORT", {{"ExpFile", 's', ""}, {"Mode", 'd', "0"}, {"OutDsi", 's', ""}, {"ErrStop", 'd', "1"}}},
      {"IMPORT",
       {{"FileName", 's', "{user}EXPDAT.DMP"}, {"Mode", 'd', "0"}, {"InDsi", 's', ""}, {"WorkDir", 's', "{share}temp"}}},
      {"LOADER",
       {{"OutFormat", 'd', "0"},
        {"OutFile", 's', "{user}DataFile.dat"},
        {"OutDsi", 's', ""},
        {"OutDataFormat", 'd', "0"},
        {"OutNull", 'd', "0"},
        {"InFile", 's', "{user}DataFile.dat"},
        {"InDsi", 's', ""},
        {"IdxMisiyo", 'd', "0"},
        {"InDataFormat", 'd', "0"},
        {"InNull", 'd', "0"},
        {"DlmEnable", 'd', "0"},
        {"RangeExsist", 'd', "0"},
        {"DlmChar", 's', ","},
        {"QuoteChar", 'd', "0"},
        {"Error", 'd', "0"},
        {"ErrRec", 'd', "1"},
        {"ErrFile", 's', "{user}ErrorFile.txt"}}},
      {"STATSPACK",
       {{"STATSPACK", 's', ""},
        {"SQLPLUS", 's', ""},
        {"REPORT", 's', "{user}REPORT.LST"},
        {"PURGE", 's', ""},
        {"TRUNCATE", 's', ""}}},
      {"TRACE",
       {{"Path", 's', ""},
        {"TKPROF", 'd', "0"},
        {"Explan", 'd', "1"},
        {"PlanUser", 's', ""},
        {"PlanPass", 's', ""},
        {"PlanTable", 's', ""},
        {"Aggregate", 'd', "1"},
        {"Sys", 'd', "0"},
        {"Sort", 's', ""},
        {"Print", 's', ""},
        {"TrcPgm", 's', "/BIN/TKPROF.EXE"}}},
      {"COMP", {{"Equrl", 'd', "1"}, {"NotEqurl", 'd', "1"}, {"Only1", 'd', "1"}, {"Only2", 'd', "1"}}},
      {"PERFORM", {{"LastAutoSave", 'x', "0000000000000000"}}},
      {"DBINFO", {{"RdbFile", 's', ""}, {"SysFile", 's', ""}}},
      {"LOCK", {{"AlertPath", 's', ""}}},
      {"FORMAT",
       {{"Indent", 'd', "4"},
        {"ItemReturn", 'd', "0"},
        {"ReservePos", 'd', "0"},
        {"CommaPos", 'd', "0"},
        {"AndPos", 'd', "0"},
        {"ReserveTrans", 'd', "0"},
        {"ItemTrans", 'd', "0"}}},
      {"DBTEST",
       {{"Session", 'd', "10"}, {"SpanTime", 'd', "0"}, {"UserId", 's', ""}, {"Password", 's', ""}, {"Error", 'd', "1"}}},
      {"EDITOR",
       {{"FontName", 's', "FixedSys"},
        {"FontSize", 'd', "10"},
        {"FontColor", 'd', "4278190088"},
        {"Color", 'd', "4278190085"},
        {"AutoIndent", 'd', "0"},
        {"BackSpaceUnIndent", 'd', "0"},
        {"FreeCaret", 'd', "0"},
        {"InTab", 'd', "0"},
        {"NextLine", 'd', "1"},
        {"TabIndent", 'd', "0"},
        {"SoftTab", 'd', "0"},
        {"TabSize", 'd', "8"},
        {"SelMove", 'd', "1"},
        {"ShowRecNo", 'd', "1"},
        {"ShowRuler", 'd', "1"},
        {"RulerSize", 'd', "10"},
        {"EOFColor", 'd', "536870911"},
        {"CRColor", 'd', "8421376"},
        {"ULColor", 'd', "536870911"},
        {"TABColor", 'd', "12632256"},
        {"SemiSpaceColor", 'd', "536870911"},
        {"SpaceColor", 'd', "12632256"},
        {"CommentColor", 'd', "32768"},
        {"CommentBkColor", 'd', "536870911"},
        {"ConstColor", 'd', "536870911"},
        {"ConstBkColor", 'd', "536870911"},
        {"ReserveColor", 'd', "16711680"},
        {"ReserveBkColor", 'd', "536870911"},
        {"SearchColor", 'd', "536870911"},
        {"SearchBkColor", 'd', "12632256"}}},
  };
  return store;
}

std::string HexOf(const std::string& bytes) {
  static const char* kHex = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += kHex[c >> 4];
    out += kHex[c & 15];
  }
  return out;
}

const platform::RegKey* StoredKey(const std::string& path) {
  const platform::RegKey* key = &platform::SharedStore(platform::RegRoot::CurrentUser).Root();
  size_t start = 1;
  while (key && start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    key = key->Sub(path.substr(start, end - start));
    start = end + 1;
  }
  return key;
}

// The values of a key as stored, in order.
void ExpectStored(const std::string& path, const std::vector<Stored>& values) {
  const platform::RegKey* stored = StoredKey(path);
  ASSERT_NE(stored, nullptr);
  ASSERT_EQ(stored->values.size(), values.size());
  for (size_t i = 0; i < values.size(); ++i) {
    const auto& want = values[i];
    const auto& got = stored->values[i];
    SCOPED_TRACE(want.name);
    EXPECT_EQ(got.name, want.name);
    switch (want.type) {
      case 'd':
        EXPECT_EQ(got.type, RegDataType::Dword);
        EXPECT_EQ(std::to_string(got.dword), want.data);
        break;
      case 's':
        EXPECT_EQ(got.type, RegDataType::String);
        EXPECT_EQ(got.data, Expand(want.data));
        break;
      default:
        EXPECT_EQ(got.type, RegDataType::Binary);
        EXPECT_EQ(HexOf(got.data), want.data);
    }
  }
}

TEST_F(OptionsTest, FirstStartStoresEveryDefaultInTheSpecifiedOrderAndForm) {
  LoadOptions(*prop);
  SaveOptions(*prop);
  Restart();
  for (const auto& key : FirstStartStore()) {
    SCOPED_TRACE(key.key);
    ExpectStored(Sub(key.key), key.values);
  }
  // The short-cuts: every action's value, in load order, with the form's keys.
  const platform::RegKey* shortcuts = StoredKey(Sub("SHORTCUT"));
  ASSERT_NE(shortcuts, nullptr);
  ASSERT_EQ(shortcuts->values.size(), 68u);
  for (size_t i = 0; i < DefaultShortCuts().size(); ++i) {
    EXPECT_EQ(shortcuts->values[i].name, DefaultShortCuts()[i].Name);
    EXPECT_EQ(shortcuts->values[i].data, DefaultShortCuts()[i].Keys);
  }
  EXPECT_EQ(shortcuts->Value("ViewSQL")->data, "Ctrl+S");
  EXPECT_EQ(shortcuts->Value("ObjectDelete")->data, "Del");
  EXPECT_EQ(shortcuts->Value("DBCommit")->data, "");
  ASSERT_NE(StoredKey(Sub("RESERVE")), nullptr);
  EXPECT_EQ(StoredKey(Sub(""))->Value("ExcelExt"), nullptr);
}

TEST_F(OptionsTest, EveryStoredValueIsLoadedAndWrittenBackFromItsOwnField) {
  LoadOptions(*prop);
  SaveOptions(*prop);
  // Change every stored value so that no two fields could swap unseen; the
  // editor property set keeps these within their ranges (even, 2..8, 8..10).
  const std::map<std::string, int32_t> editorInRange = {{"TabSize", 6}, {"RulerSize", 8}};
  platform::RegStore& store = platform::SharedStore(platform::RegRoot::CurrentUser);
  TovRegistry reg;
  for (const auto& key : FirstStartStore()) {
    const std::vector<platform::RegValue> values = StoredKey(Sub(key.key))->values;
    ASSERT_TRUE(reg.OpenKey(Sub(key.key), false));
    for (const auto& v : values) {
      if (v.name == "Version" || v.name == "PlanPass") continue;
      if (v.type == RegDataType::Dword) {
        const auto inRange = key.key == std::string("EDITOR") ? editorInRange.find(v.name) : editorInRange.end();
        reg.WriteInteger(v.name, inRange != editorInRange.end() ? inRange->second : static_cast<int32_t>(v.dword ^ 1));
      }
      if (v.type == RegDataType::String) reg.WriteString(v.name, v.data.empty() ? "x\r\n" : v.data + "x");
      if (v.type == RegDataType::Binary) {
        const double when = 45000.5;
        reg.WriteBinaryData(v.name, &when, sizeof when);
      }
    }
  }
  ASSERT_TRUE(reg.OpenKey(Sub("SHORTCUT"), false));
  for (const auto& v : StoredKey(Sub("SHORTCUT"))->values) reg.WriteString(v.name, v.data + "x");
  reg.CloseKey();
  const std::string changed = store.Serialize();

  Restart();
  LoadOptions(*prop);
  EXPECT_EQ(AppOption.TempDir, ShareDir + "temp/x");
  EXPECT_EQ(AppOption.ShowLevel0, false);
  EXPECT_EQ(AppOption.TreeSort, 1);
  EXPECT_EQ(AppOption.OpenMode, 1);
  EXPECT_EQ(OracleHome, "x\r\n");
  EXPECT_EQ(ScriptOption.NameTable, std::vector<std::string>{"x"});
  EXPECT_EQ(FormatOption.Indent, 5);
  EXPECT_DOUBLE_EQ(PerformOption.LastAutoSave, 45000.5);
  EXPECT_EQ(ShortCuts[5].Keys, "Ctrl+Zx");
  SaveOptions(*prop);
  Restart();
  EXPECT_EQ(platform::SharedStore(platform::RegRoot::CurrentUser).Serialize(), changed);
}

TEST_F(OptionsTest, UnreadableOrEmptyValuesFallBackToTheirDefaults) {
  {
    TovRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kOptionKey, true));
    reg.WriteInteger("Version", kOptionVersion);
    reg.WriteString("DateFormat", "");
    reg.WriteString("DataFontSize", "12");
    reg.WriteInteger("Separator", 5);
    reg.WriteBinaryData("ShowNull", "\x00", 1);
    ASSERT_TRUE(reg.OpenKey(Sub("FORMAT"), true));
    reg.WriteString("CommaPos", "1");
    ASSERT_TRUE(reg.OpenKey(Sub("TRACE"), true));
    reg.WriteString("PlanPass", "");
    ASSERT_TRUE(reg.OpenKey(Sub("TEXTOUT"), true));
    reg.WriteString("NameTable", "DSN1=NAMES1\r\nDSN2=NAMES2");
    ASSERT_TRUE(reg.OpenKey(Sub("PERFORM"), true));
    reg.WriteInteger("LastAutoSave", 3);
    reg.CloseKey();
  }
  Restart();
  LoadOptions(*prop);
  EXPECT_EQ(AppOption.DateFormat, "yyyy/MM/dd");
  EXPECT_EQ(AppOption.DataFontSize, 10);
  EXPECT_EQ(AppOption.Separator, ";");
  EXPECT_TRUE(AppOption.ShowNull);
  EXPECT_EQ(FormatOption.CommaPos, 0);
  EXPECT_EQ(TrcOption.PlanPass, "");
  EXPECT_EQ(ScriptOption.NameTable, (std::vector<std::string>{"DSN1=NAMES1", "DSN2=NAMES2"}));
  EXPECT_DOUBLE_EQ(PerformOption.LastAutoSave, 0);
  EXPECT_EQ(ImpOption.WorkDir, ShareDir + "temp");
  EXPECT_EQ(TrcOption.TrcPgm, "/BIN/TKPROF.EXE");
  EXPECT_TRUE(env.Dialogs().messages.empty());
}

TEST_F(OptionsTest, DefaultsThatFollowOtherSettings) {
  {
    TovRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kOptionKey, true));
    reg.WriteString("TempDir", "/work/tmp/");
    reg.WriteString("OracleHome", "/opt/oracle");
    reg.CloseKey();
  }
  LoadOptions(*prop);
  EXPECT_EQ(ImpOption.WorkDir, "/work/tmp");
  EXPECT_EQ(TrcOption.TrcPgm, "/opt/oracle/BIN/TKPROF.EXE");
}

TEST_F(OptionsTest, OldSettingsLoseTheirWindowLayoutsOnce) {
  struct Case {
    int32_t stored;
    bool guiKept;
    int32_t after;
  };
  for (const Case c : {Case{80003, false, 80004}, Case{0, false, 80004}, Case{80004, true, 80004}, Case{90000, true, 90000}}) {
    SCOPED_TRACE(c.stored);
    Restart();
    {
      TovRegistry reg;
      ASSERT_TRUE(reg.OpenKey(Sub("GUI\\MAIN"), true));
      reg.WriteInteger("Left", 1);
      ASSERT_TRUE(reg.OpenKey(kOptionKey, true));
      reg.WriteInteger("Version", c.stored);
      reg.CloseKey();
    }
    LoadOptions(*prop);
    TovRegistry reg;
    EXPECT_EQ(reg.KeyExists(Sub("GUI\\MAIN")), c.guiKept);
    ASSERT_TRUE(reg.OpenKey(kOptionKey, false));
    EXPECT_EQ(reg.ReadInteger("Version"), c.after);
    reg.CloseKey();
  }
}

TEST_F(OptionsTest, AnEmptiedShortCutStaysEmptyAndAMissingOneKeepsTheFormsKey) {
  {
    TovRegistry reg;
    ASSERT_TRUE(reg.OpenKey(Sub("SHORTCUT"), true));
    reg.WriteString("ViewSQL", "");         // removed by the user
    reg.WriteString("DBCommit", "Ctrl+M");  // added by the user
    reg.WriteInteger("EditCopy", 3);        // unreadable
    reg.CloseKey();
  }
  LoadOptions(*prop);
  auto keysOf = [](const std::string& name) {
    for (const auto& sc : ShortCuts)
      if (sc.Name == name) return sc.Keys;
    return std::string("?");
  };
  EXPECT_EQ(keysOf("ViewSQL"), "");
  EXPECT_EQ(keysOf("DBCommit"), "Ctrl+M");
  EXPECT_EQ(keysOf("EditCopy"), "Ctrl+C");
  EXPECT_EQ(keysOf("EditUndo"), "Ctrl+Z");
  SaveOptions(*prop);
  Restart();
  LoadOptions(*prop);
  EXPECT_EQ(keysOf("ViewSQL"), "");
}

TEST_F(OptionsTest, PlanPassIsStoredScrambled) {
  LoadOptions(*prop);
  TrcOption.PlanPass = "tiger";
  SaveOptions(*prop);
  TovRegistry reg;
  ASSERT_TRUE(reg.OpenKey(Sub("TRACE"), false));
  const std::string stored = reg.ReadString("PlanPass");
  reg.CloseKey();
  EXPECT_EQ(stored.size(), 132u);
  EXPECT_EQ(UnscramblePassword(stored), "tiger");
  Restart();
  LoadOptions(*prop);
  EXPECT_EQ(TrcOption.PlanPass, "tiger");
}

TEST_F(OptionsTest, ReservedWordsAreValueNamesSortedAndRewritten) {
  {
    TovRegistry reg;
    ASSERT_TRUE(reg.OpenKey(Sub("RESERVE"), true));
    for (const char* w : {"zeta", "Alpha", "SELECT"}) reg.WriteString(w, "");
    reg.CloseKey();
  }
  LoadOptions(*prop);
  // The built-in words are appended and the whole list sorted, duplicates kept.
  std::vector<std::string> builtIn;
  GetReservedWords(builtIn);
  EXPECT_EQ(EditorReserveWords.size(), builtIn.size() + 3);
  EXPECT_EQ(std::count(EditorReserveWords.begin(), EditorReserveWords.end(), "zeta"), 1);
  EXPECT_EQ(std::count(EditorReserveWords.begin(), EditorReserveWords.end(), "SELECT"), 2);
  EXPECT_EQ(EditorReserveWords.front(), "ABSOLUTE");
  EXPECT_EQ(EditorReserveWords.back(), "ZONE");
  EXPECT_TRUE(std::is_sorted(EditorReserveWords.begin(), EditorReserveWords.end(),
                             [](const std::string& a, const std::string& b) {
                               return QString::fromStdString(a).compare(QString::fromStdString(b),
                                                                         Qt::CaseInsensitive) < 0;
                             }));
  // The words saved are those of the editor property set, where the user
  // edits them.
  prop->ReserveWordList().Assign({"ONE", "TWO"});
  SaveOptions(*prop);
  TovRegistry reg;
  ASSERT_TRUE(reg.OpenKey(Sub("RESERVE"), false));
  EXPECT_EQ(reg.GetValueNames(), (std::vector<std::string>{"ONE", "TWO"}));
  EXPECT_EQ(reg.ReadString("ONE"), "");
  reg.CloseKey();
}

TEST_F(OptionsTest, WorkSpacesLoadInListingOrderAndSaveRenumbered) {
  {
    TovRegistry reg;
    for (const char* n : {"2", "10", "0", "1"}) {
      ASSERT_TRUE(reg.OpenKey(Sub("WORKSPACE\\") + n, true));
      reg.WriteString("Title", std::string("T") + n);
      if (std::strcmp(n, "1") != 0) reg.WriteInteger("ObjectType", 47);
    }
    reg.CloseKey();
  }
  LoadWorkSpace();
  ASSERT_EQ(WorkSpaces.size(), 4u);
  EXPECT_EQ(WorkSpaces[0].Title, "T0");
  EXPECT_EQ(WorkSpaces[1].Title, "T1");
  EXPECT_EQ(WorkSpaces[1].ObjectType, 45);
  EXPECT_EQ(WorkSpaces[2].Title, "T10");
  EXPECT_EQ(WorkSpaces[3].Title, "T2");
  SaveWorkSpace();
  Restart();
  LoadWorkSpace();
  ASSERT_EQ(WorkSpaces.size(), 4u);
  EXPECT_EQ(WorkSpaces[2].Title, "T10");
  EXPECT_EQ(WorkSpaces[3].Title, "T2");
  TovRegistry reg;
  EXPECT_TRUE(reg.KeyExists(Sub("WORKSPACE\\3")));
  EXPECT_FALSE(reg.KeyExists(Sub("WORKSPACE\\10")));
}

TEST(OptionLists, TextFormSplitsAtAnyLineBreakAndEndsWithCrLf) {
  EXPECT_EQ(ListToText({"a", "b"}), "a\r\nb\r\n");
  EXPECT_EQ(ListToText({}), "");
  EXPECT_EQ(TextToList("a\r\nb\nc\rd\r\n"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(TextToList("a\r\n\r\nb"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_TRUE(TextToList("").empty());
}

}  // namespace

namespace {

TEST_F(OptionsTest, EditorSettingsRoundTripThroughTheEditorPropertySet) {
  // 0x0000FF, 0x1FFFFFFF (no colour), 0x123456, 0x654321.
  const std::vector<Stored> written = {
      {"FontName", 's', "ＭＳ ゴシック"}, {"FontSize", 'd', "12"},           {"TabSize", 'd', "4"},
      {"FreeCaret", 'd', "1"},           {"EOFColor", 'd', "255"},          {"CRColor", 'd', "536870911"},
      {"CommentColor", 'd', "1193046"},  {"CommentBkColor", 'd', "6636321"}, {"SearchBkColor", 'd', "536870911"}};
  {
    TovRegistry reg;
    ASSERT_TRUE(reg.OpenKey(Sub("EDITOR"), true));
    for (const Stored& v : written) {
      if (v.type == 's') reg.WriteString(v.name, v.data);
      else reg.WriteInteger(v.name, static_cast<int32_t>(std::stoul(v.data)));
    }
    reg.CloseKey();
    ASSERT_TRUE(reg.OpenKey(Sub("RESERVE"), true));
    reg.WriteString("MYWORD", "");
    reg.CloseKey();
  }
  LoadOptions(*prop);
  EXPECT_EQ(prop->Font().Name, "ＭＳ ゴシック");
  EXPECT_EQ(prop->Font().Size, 12);
  EXPECT_EQ(prop->Caret().TabSpaceCount(), 4);
  EXPECT_TRUE(prop->Caret().FreeCaret);
  // A mark shows exactly when it has a colour.
  EXPECT_TRUE(prop->Marks().EofMark().Visible());
  EXPECT_FALSE(prop->Marks().RetMark().Visible());
  EXPECT_EQ(prop->Marks().RetMark().Color(), clNone);
  EXPECT_TRUE(prop->Marks().SpaceMark().Visible());
  EXPECT_EQ(prop->View().Colors().Hit().BkColor(), clNone);
  // The settings the program fixes.
  EXPECT_TRUE(prop->Caret().KeepCaret);
  EXPECT_FALSE(prop->Imagebar().Values().Visible);
  EXPECT_EQ(prop->Leftbar().Values().Column, 5);
  EXPECT_EQ(prop->ScrollBars(), ssBoth);
  EXPECT_EQ(prop->View().Commenter(), "--");
  ASSERT_EQ(prop->View().Brackets().Count(), 1);
  auto* comment = static_cast<TFountainBracketItem*>(prop->View().Brackets().Item(0));
  EXPECT_EQ(comment->LeftBracket(), "/*");
  EXPECT_EQ(comment->ItemColor().BkColor(), 0x654321u);
  int index = 0;
  EXPECT_TRUE(prop->ReserveWordList().Find("myword", index));
  LoadOptions(*prop);
  EXPECT_EQ(prop->View().Brackets().Count(), 1);

  // Saved from the property set alone (the key is gone): every value comes
  // back as stored, the rest at its default, but for what changed there;
  // marks keep no colour.
  {
    TovRegistry reg;
    ASSERT_TRUE(reg.DeleteKey(Sub("EDITOR")));
  }
  prop->Caret().SetTabSpaceCount(6);
  SaveOptions(*prop);
  std::vector<Stored> expected;
  for (const auto& key : FirstStartStore())
    if (std::string(key.key) == "EDITOR") expected = key.values;
  for (Stored& v : expected) {
    for (const Stored& w : written)
      if (std::string(w.name) == v.name) v = w;
    if (std::string(v.name) == "TabSize") v.data = "6";
  }
  ExpectStored(Sub("EDITOR"), expected);
  TovRegistry reg;
  ASSERT_TRUE(reg.OpenKey(Sub("RESERVE"), false));
  const std::vector<std::string> names = reg.GetValueNames();
  EXPECT_NE(std::find(names.begin(), names.end(), "MYWORD"), names.end());
}

}  // namespace
