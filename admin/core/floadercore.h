// floadercore: the unloader's and loader's command lines built from the
// window's values, and the checks of those values.
#pragma once

#include <optional>
#include <string>

// The data formats and the unload's output formats, by radio button.
enum TLoaderDataFormat { ldText = 0, ldBinaryValid = 1, ldBinaryDefined = 2 };
enum TUnloadFormat { ufStandard = 0, ufCondition = 1, ufSplit = 2 };
// The enclosing characters of the load, by item of the quote box.
enum TLoaderQuote { lqNone = 0, lqSingle = 1, lqDouble = 2, lqNoneValidSpace = 3, lqNoneAtAll = 4 };
inline constexpr const char* kLoaderQuoteItems[] = {"未指定", "シングルクォーテーション", "ダブルクォーテーション",
                                                    "NONE_VALIDSPACE", "NONE"};

struct TUnloadInput {
  std::string DataSource{};  // as entered at logon
  std::string Dsi{};         // as typed
  int DataFormat = ldText;
  bool NoNullRows = false;
  int OutFormat = ufStandard;
  std::string OutFile{};
  std::string CtrlFile{};
};
struct TLoadInput {
  std::string DataSource{};  // as entered at logon
  std::string Dsi{};         // as typed
  std::string IdxMisiyo{};   // the unused-ratio edit's text
  int DataFormat = ldText;
  bool NullRows = false;
  bool DelimiterAfterLast = false;
  std::string Delimiter{};
  int Quote = lqNone;
  bool Error = false;
  std::string ErrRec{};  // the error count's text
  std::string ErrFile{};
  std::string InFile{};
};

// The fields the checks focus.
enum TLoaderField { lfOutFile, lfOutDsi, lfInFile, lfErrRec, lfErrFile };
struct TLoaderError {
  std::string Message;
  TLoaderField Field;

  friend bool operator==(const TLoaderError&, const TLoaderError&) = default;
};
std::optional<TLoaderError> CheckUnloadInput(const TUnloadInput& in);
std::optional<TLoaderError> CheckLoadInput(const TLoadInput& in);

// The output file goes on the line in the standard format, the condition
// or split file in the others (the output file is still required).
bool UnloadWritesOutFile(int outFormat);
// The delimiter, quote and "delimiter after the last item" belong to the
// text format, the NULL rows to the binary ones.
bool IsTextFormat(int dataFormat);
bool IsBinaryFormat(int dataFormat);

std::string UnloadCommand(const TUnloadInput& in);
// The unused ratio "0" is the tool's own default and is not sent.
std::string LoadCommand(const TLoadInput& in);

inline constexpr char kUnloadQuestion[] = "データベースの内容をファイルに書き込みみます。よろしいですか？";
inline constexpr char kLoadQuestion[] = "ファイルの内容をデータベースに読み込みます。よろしいですか？";
// The unused-ratio text that is emptied before a load.
inline constexpr char kDefaultIdxMisiyo[] = "0";
