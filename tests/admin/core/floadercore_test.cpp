#include "admin/core/floadercore.h"

#include <gtest/gtest.h>

namespace {

// The cases are written whole: GCC 12 misjudges a literal assigned to a
// string member at -O3 (-Wrestrict).
constexpr char kDs[] = "db01";
constexpr char kDsi[] = "T1DSI";
constexpr char kFile[] = "D.DAT";


TEST(Loader, LoadCommandLines) {
  struct Case {
    const char* name;
    TLoadInput in;
    const char* command;
  };
  const Case cases[] = {
      {"the example",
       {.DataSource = kDs, .Dsi = kDsi, .DataFormat = ldText, .Delimiter = ",", .Error = true, .ErrRec = "10",
        .ErrFile = "E.TXT", .InFile = kFile},
       "rdbsaloader -ma -i db01.T1DSI -t -p , -r 10,E.TXT D.DAT"},
      {"an empty error count gives ALL",
       {.DataSource = kDs, .Dsi = kDsi, .DataFormat = ldText, .Delimiter = ",", .Error = true, .ErrFile = "E.TXT",
        .InFile = kFile},
       "rdbsaloader -ma -i db01.T1DSI -t -p , -r ALL,E.TXT D.DAT"},
      {"the unused ratio 0 is not sent",
       {.DataSource = kDs, .Dsi = kDsi, .IdxMisiyo = "0", .DataFormat = ldText, .Delimiter = ",", .InFile = kFile},
       "rdbsaloader -ma -i db01.T1DSI -t -p , D.DAT"},
      {"another unused ratio is",
       {.DataSource = kDs, .Dsi = kDsi, .IdxMisiyo = "20", .DataFormat = ldText, .Delimiter = ",", .InFile = kFile},
       "rdbsaloader -ma -i db01.T1DSI -f 20 -t -p , D.DAT"},
      {"single quotes",
       {.DataSource = kDs, .Dsi = kDsi, .DataFormat = ldText, .Delimiter = ",", .Quote = lqSingle, .InFile = kFile},
       "rdbsaloader -ma -i db01.T1DSI -t -p , -l \"'\" D.DAT"},
      {"double quotes are the tool's default",
       {.DataSource = kDs, .Dsi = kDsi, .DataFormat = ldText, .Delimiter = ",", .Quote = lqDouble, .InFile = kFile},
       "rdbsaloader -ma -i db01.T1DSI -t -p , D.DAT"},
      {"no quotes, blanks kept",
       {.DataSource = kDs, .Dsi = kDsi, .DataFormat = ldText, .Delimiter = ",", .Quote = lqNoneValidSpace,
        .InFile = kFile},
       "rdbsaloader -ma -i db01.T1DSI -t -p , -l NONE_VALIDSPACE D.DAT"},
      {"no quotes",
       {.DataSource = kDs, .Dsi = kDsi, .DataFormat = ldText, .Delimiter = ",", .Quote = lqNoneAtAll, .InFile = kFile},
       "rdbsaloader -ma -i db01.T1DSI -t -p , -l NONE D.DAT"},
      {"a delimiter after the last item; NULL rows only for binary",
       {.DataSource = kDs, .Dsi = kDsi, .DataFormat = ldText, .NullRows = true, .DelimiterAfterLast = true,
        .Delimiter = ",", .InFile = kFile},
       "rdbsaloader -ma -i db01.T1DSI -t -e -p , D.DAT"},
      {"binary with valid length sends no text options",
       {.DataSource = kDs, .Dsi = kDsi, .DataFormat = ldBinaryValid, .NullRows = true, .DelimiterAfterLast = true,
        .Delimiter = ",", .Quote = lqSingle, .InFile = kFile},
       "rdbsaloader -ma -i db01.T1DSI -o -n D.DAT"},
      {"binary with defined length",
       {.DataSource = kDs, .Dsi = kDsi, .DataFormat = ldBinaryDefined, .Delimiter = ",", .InFile = kFile},
       "rdbsaloader -ma -i db01.T1DSI D.DAT"},
      {"a blank delimiter is not sent",
       {.DataSource = kDs, .Dsi = kDsi, .DataFormat = ldText, .Delimiter = " ", .InFile = kFile},
       "rdbsaloader -ma -i db01.T1DSI -t D.DAT"},
      {"paths with blanks and quotes stay one argument",
       {.DataSource = kDs, .Dsi = kDsi, .DataFormat = ldText, .Delimiter = ",", .Error = true, .ErrRec = "3",
        .ErrFile = "/home/u/err \"1\".txt", .InFile = "/home/u/my data/it's.dat"},
       "rdbsaloader -ma -i db01.T1DSI -t -p , -r 3,\"/home/u/err \\\"1\\\".txt\" \"/home/u/my data/it's.dat\""},
  };
  for (const Case& c : cases) EXPECT_EQ(LoadCommand(c.in), c.command) << c.name;
}

TEST(Loader, UnloadCommandLines) {
  TUnloadInput in{.DataSource = kDs, .Dsi = "EMP_DSI1", .OutFile = "/home/u/Documents/DataFile.dat",
                  .CtrlFile = "/home/u/cond.txt"};
  EXPECT_EQ(UnloadCommand(in), "rdbunl -i db01.EMP_DSI1 -t /home/u/Documents/DataFile.dat");
  in.OutFormat = ufCondition;
  EXPECT_EQ(UnloadCommand(in), "rdbunl -i db01.EMP_DSI1 -t -f /home/u/cond.txt");
  in.OutFormat = ufSplit;
  in.DataFormat = ldBinaryValid;
  in.NoNullRows = true;
  EXPECT_EQ(UnloadCommand(in), "rdbunl -i db01.EMP_DSI1 -o -n -v /home/u/cond.txt");
  in.OutFormat = ufStandard;
  in.DataFormat = ldBinaryDefined;
  in.NoNullRows = false;
  in.OutFile = std::string("/home/u/My Data.dat");
  EXPECT_EQ(UnloadCommand(in), "rdbunl -i db01.EMP_DSI1 \"/home/u/My Data.dat\"");
}

TEST(Loader, ChecksItsInputs) {
  TUnloadInput unload{.Dsi = "D"};
  EXPECT_EQ(CheckUnloadInput(unload), (TLoaderError{"出力先ファイル名を入力して下さい。", lfOutFile}));
  unload = {.Dsi = " ", .OutFile = "/a.dat"};
  EXPECT_EQ(CheckUnloadInput(unload), (TLoaderError{"出力する表のDSI名を入力して下さい。", lfOutDsi}));

  const struct {
    TLoadInput in;
    std::optional<TLoaderError> error;
  } cases[] = {
      {{.InFile = " "}, TLoaderError{"入力ファイル名を入力して下さい。", lfInFile}},
      {{.Error = true, .ErrRec = "0", .InFile = "/d.dat"},
       TLoaderError{"中段までのエラー件数は1以上の値を入れてください。", lfErrRec}},
      {{.Error = true, .ErrFile = "/e.txt", .InFile = "/d.dat"}, std::nullopt},
      {{.Error = true, .InFile = "/d.dat"}, TLoaderError{"エラー出力ファイル名を入力して下さい。", lfErrFile}},
      {{.Error = false, .ErrRec = "0", .InFile = "/d.dat"}, std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(CheckLoadInput(c.in), c.error) << c.in.ErrRec;
}

}  // namespace
