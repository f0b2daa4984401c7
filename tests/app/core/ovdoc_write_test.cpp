// Whole documents of the three kinds: what the writers write reads back the
// same, what the readers refuse, and the defaults of missing values.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fstream>
#include <sstream>

#include "app/core/ovdoc.h"

namespace {

TDataGenColumn Column(const std::string& name) {
  TDataGenColumn column;
  column.Name = name;
  return column;
}

class Documents : public ::testing::Test {
 protected:
  std::string Share() const { return dir.path().toStdString() + "/"; }
  std::string Write(const std::string& name, const std::string& text) {
    const std::string path = Share() + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  // The message of what `read` throws; empty when it throws nothing.
  static std::string Refusal(const std::function<void()>& read) {
    try {
      read();
    } catch (const std::exception& e) {
      return e.what();
    }
    return {};
  }

  QTemporaryDir dir;
};

TEST_F(Documents, UserCommandsComeBackAsWritten) {
  const TUserCommandDocument cases[] = {
      {3, 0x4000 | 'S', {true, false, true, "SELECT *\r\n  FROM &OWNER.&NAME\r\n WHERE 1 = 1"}},
      {-2, 0, {false, true, false, "-- 日本語の注釈\r\nSELECT '表' FROM T"}},
      {0, 0, {false, false, false, ""}},
  };
  for (const TUserCommandDocument& want : cases) {
    WriteUserCommandDocument(Share(), "CMD", want);
    EXPECT_EQ(ReadUserCommandDocument(UserCommandPath(Share(), "CMD")), want) << want.Command.SQL;
  }
  // The menu reads the same file.
  const std::vector<TUserCommandEntry> menu = UserCommandMenuEntries(Share());
  ASSERT_EQ(menu.size(), 1u);
  EXPECT_EQ(menu[0].Name, "CMD");
}

TEST_F(Documents, WrittenDocumentsHaveTheirRootVersionAndAttributeOrder) {
  WriteUserCommandDocument(Share(), "A", {1, 0, {false, false, false, "X\r\nY"}});
  const std::string text = Read(Share() + "USERCMD/A.cmd");
  EXPECT_NE(text.find("<OVDOC OVDOC-VERSION=\"2\">"), std::string::npos) << text;
  EXPECT_NE(text.find("\n  <USERCMD SEQ=\"1\" NAME=\"A\" SHORTCUT=\"0\" DIALOG=\"0\" SQLWINDOW=\"0\" ERROR=\"0\" "
                      "SQL=\"X&#13;&#10;Y\"/>"),
            std::string::npos)
      << text;
}

TEST_F(Documents, DataGeneratorSettingsComeBackAsWritten) {
  TDataGenColumn full;
  full.Name = "受注番号";
  full.SetType = 6;
  full.NullPar = 15;
  full.NumFrom = -1.25;
  full.NumTo = 1e10;
  full.Marume = 0.1;
  full.StrType = 3;
  full.StrFull = true;
  full.FlgPrefix = true;
  full.StrPrefix = "A-";
  full.StrDigit = "12";
  full.DateType = 1;
  full.DateFrom = QDateTime(QDate(2024, 1, 31), QTime(0, 0));
  full.DateTo = QDateTime(QDate(2024, 12, 31), QTime(23, 59, 58));
  full.Variable = {"東京", "", "大阪 "};
  full.Temp1 = "姓";
  full.Temp2 = "名";
  full.TempSep = " ";
  full.LinkOwner = "S1";
  full.LinkTable = "T2";
  full.LinkColumn = "C3";
  TDataGenColumn empty;
  empty.Name = "C2";
  const TDataGenDocument want{1, 500, "OWNER", "MASTER", 2, 5, {full, empty}};
  WriteDataGenDocument(Share(), "T/1", want);  // the file takes the table's name without "/"
  ASSERT_TRUE(QFile::exists(QString::fromStdString(Share() + "DATAGEN/T1.prm")));
  TDataGenDocument read{0, 0, {}, {}, 0, 0, {TDataGenColumn{}, TDataGenColumn{}}};
  read.Columns[0].Name = "受注番号";
  read.Columns[1].Name = "C2";
  ReadDataGenDocument(DataGenPath(Share(), "T/1"), read);
  EXPECT_EQ(read, want);
  EXPECT_EQ(read.Columns[0].Variable, full.Variable);
}

TEST_F(Documents, DataGeneratorColumnsAreMatchedByName) {
  const std::string body =
      "<DATAGEN MODE=\"7\" COUNT=\"9\"><C1 SETTYPE=\"3\"/><COL0 NAME=\"C2\" SETTYPE=\"7\" NULLPAR=\"40\"/>"
      "<COL1 NAME=\"NONE\" SETTYPE=\"1\"/><COL2 NAME=\"C2\" SETTYPE=\"4\" NUMFROM=\"x\"/></DATAGEN>";
  struct Case {
    const char* version;
    int32_t c1;
    int32_t c2;
  };
  // Version 1 names the column elements after their columns; from 2 NAME
  // names them, and a later element of the same name wins.
  const Case cases[] = {{"1", 3, 0}, {"2", 0, 4}, {"2.0", 0, 4}};
  for (const Case& c : cases) {
    const std::string path =
        Write("t.prm", std::string("<OVDOC OVDOC-VERSION=\"") + c.version + "\">" + body + "</OVDOC>");
    TDataGenDocument doc{1, 0, {}, {}, 0, 0, {Column("C1"), Column("C2")}};
    ReadDataGenDocument(path, doc);
    EXPECT_EQ(doc.Mode, 1) << "a mode that is neither 0 nor 1 leaves it";
    EXPECT_EQ(doc.Count, 9);
    EXPECT_EQ(doc.Columns[0].SetType, c.c1) << c.version;
    EXPECT_EQ(doc.Columns[1].SetType, c.c2) << c.version;
    EXPECT_EQ(doc.Columns[1].NumFrom, 0) << "no number reads as the default";
  }
  // A fixed value never gets NULLs.
  const std::string fixed = Write(
      "f.prm", "<OVDOC OVDOC-VERSION=\"2\"><DATAGEN><COL0 NAME=\"C1\" SETTYPE=\"7\" NULLPAR=\"40\"/></DATAGEN></OVDOC>");
  TDataGenDocument doc{0, 0, {}, {}, 0, 0, {Column("C1")}};
  ReadDataGenDocument(fixed, doc);
  EXPECT_EQ(doc.Columns[0].SetType, 7);
  EXPECT_EQ(doc.Columns[0].NullPar, 0);
}

TEST_F(Documents, ReportDefinitionsComeBackAsWritten) {
  const TXlsDefDocument cases[] = {
      {"form.xlsx", 5, 2, 1, 1, {{2, 3, 7}, {1, 1, 10}}, {{1, 1, 19}, {1, 2, 20}}, {{1, 1, 26}, {1, 2, 27}}},
      {"/tmp/フォーム.xlsx", 1, 1, 0, 2, {}, {{0, 0, 5}}, {}},
      {"", 0, 0, 0, 0, {}, {}, {}},
  };
  for (const TXlsDefDocument& want : cases) {
    WriteXlsDefDocument(Share(), "定義", want);
    EXPECT_EQ(ReadXlsDefDocument(ReportDefinitionPath(Share(), "定義")), want) << want.XlsFile;
  }
  WriteXlsDefDocument(Share(), "S", {"", 1, 1, 0, 0, {{2, 3, 7}}, {}, {}});
  EXPECT_NE(Read(Share() + "xlsdef/S.def").find("<HEADER NAME=\"SCHEMA\" ROW=\"2\" COL=\"3\"/>"), std::string::npos);
  // The menu lists what the editor wrote.
  EXPECT_EQ(ReportMenuEntries(Share()).size(), 2u);
}

TEST_F(Documents, ReportDefinitionsReadUnknownKeysAsTheObjectList) {
  const std::string path = Write(
      "r.def",
      "<OVDOC OVDOC-VERSION=\"2\"><XLSDEF TYPE=\"VIEW\" BODYTOP=\"3\"><HEADER NAME=\"NOSUCH\" ROW=\"1\"/>"
      "<BODY2 NAME=\"PK\" ROW=\"2\" COL=\"4\"/><OTHER NAME=\"PK\"/></XLSDEF><XLSDEF TYPE=\"WHAT\"/></OVDOC>");
  const TXlsDefDocument doc = ReadXlsDefDocument(path);
  EXPECT_EQ(doc.Type, 0) << "the last element's unknown key";
  EXPECT_EQ(doc.BodyTop, 0) << "the last element's missing value";
  const std::vector<TReportPlacement> header = {{1, 0, 0}};
  const std::vector<TReportPlacement> body2 = {{2, 4, 25}};
  EXPECT_EQ(doc.Header, header);
  EXPECT_EQ(doc.Body2, body2) << "BODY2 fills body grid 2 whatever the type";
}

TEST_F(Documents, RefusedDocuments) {
  struct Case {
    const char* text;
    const char* message;  // empty: accepted
  };
  const Case cases[] = {
      {"<OVDOC OVDOC-VERSION=\"2\"><XLSDEF/></OVDOC>", ""},
      {"<OVDOC OVDOC-VERSION=\"2.0\"><XLSDEF/></OVDOC>", ""},
      {"<OVDOC OVDOC-VERSION=\" 1 \"><XLSDEF/></OVDOC>", ""},
      {"<OVDOC OVDOC-VERSION=\"2.1\"><XLSDEF/></OVDOC>", kUnsupportedVersion},
      {"<OVDOC><XLSDEF/></OVDOC>", kUnsupportedVersion},
      {"<OVDOC OVDOC-VERSION=\"二\"><XLSDEF/></OVDOC>", kUnsupportedVersion},
      {"<ROOT OVDOC-VERSION=\"2\"><XLSDEF/></ROOT>", kUnsupportedVersion},
      {"<OVDOC OVDOC-VERSION=\"2\"><XLSDEF></OVDOC>", kUnknownFormat},
      {"<OVDOC OVDOC-VERSION=\"3\"><XLSDEF>", kUnknownFormat},
      {"", kUnknownFormat},
  };
  for (const Case& c : cases) {
    const std::string path = Write("d.def", c.text);
    EXPECT_EQ(Refusal([&] { ReadXlsDefDocument(path); }), c.message) << c.text;
    EXPECT_EQ(Refusal([&] { ReadUserCommandDocument(path); }), c.message) << c.text;
  }
  EXPECT_EQ(Refusal([&] { ReadUserCommandDocument(Share() + "missing.cmd"); }), kUnknownFormat);
}

TEST_F(Documents, NamesThatWouldLeaveTheirFolderAreRefused) {
  for (const char* name : {"", ".", "..", "a/b", "a\\b", "a:b", "a*b", "a?b", "a<b", "a>b", "a\"b", "a|b"}) {
    EXPECT_FALSE(IsDocumentName(name)) << name;
    EXPECT_EQ(Refusal([&] { WriteUserCommandDocument(Share(), name, {}); }), kInvalidNameMessage) << name;
    EXPECT_EQ(Refusal([&] { WriteXlsDefDocument(Share(), name, {}); }), kInvalidNameMessage) << name;
  }
  for (const char* name : {"A", "a.b", "名前 1", "..a"}) EXPECT_TRUE(IsDocumentName(name)) << name;
  EXPECT_EQ(Refusal([&] { WriteDataGenDocument(Share(), "..", {}); }), kInvalidNameMessage);
}

TEST_F(Documents, WritersUseTheFolderAlreadyThereWhateverItsCase) {
  QDir().mkpath(QString::fromStdString(Share() + "usercmd"));
  QDir().mkpath(QString::fromStdString(Share() + "XLSDEF"));
  WriteUserCommandDocument(Share(), "A", {});
  WriteXlsDefDocument(Share(), "B", {});
  EXPECT_TRUE(QFile::exists(QString::fromStdString(Share() + "usercmd/A.cmd")));
  EXPECT_TRUE(QFile::exists(QString::fromStdString(Share() + "XLSDEF/B.def")));
  EXPECT_FALSE(QDir(QString::fromStdString(Share() + "USERCMD")).exists());
}

TEST_F(Documents, ValueEncodings) {
  EXPECT_EQ(RealText(0.1), "0.1");
  EXPECT_EQ(RealText(-3), "-3");
  const std::string comma = "1,5";
  EXPECT_EQ(AttrReal(&comma, 9), 9);
  for (const char* set : {"True", "true", "1", "-4"}) {
    const std::string text = set;
    EXPECT_TRUE(AttrBoolean(&text)) << set;
  }
  for (const char* clear : {"False", "0", "yes", ""}) {
    const std::string text = clear;
    EXPECT_FALSE(AttrBoolean(&text)) << clear;
  }
  const std::string slashed = "2024/03/04 5:06:07";
  EXPECT_EQ(AttrDateTime(&slashed), QDateTime(QDate(2024, 3, 4), QTime(5, 6, 7)));
  const std::string dateOnly = "2024-03-04";
  EXPECT_EQ(AttrDateTime(&dateOnly), QDateTime(QDate(2024, 3, 4), QTime(0, 0)));
  EXPECT_EQ(DateTimeText(QDateTime()), "");
  EXPECT_EQ(LinesOf("a\r\nb\nc"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(LinesOf(LinesWithBreaks({"a", ""})), (std::vector<std::string>{"a", ""}));
  EXPECT_TRUE(LinesOf("").empty());
}

}  // namespace
