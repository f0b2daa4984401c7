#include "admin/core/floadercore.h"

#include <QString>

#include "platform/process.h"

namespace {

constexpr int kLeastErrorCount = 1;
constexpr char kAllErrors[] = "ALL";
constexpr char kSingleQuote[] = "'";

std::string Trimmed(const std::string& text) { return QString::fromStdString(text).trimmed().toStdString(); }
bool Blank(const std::string& text) { return Trimmed(text).empty(); }
std::string Arg(const std::string& value) { return platform::QuoteArgument(value); }

std::string FormatOption(int dataFormat) {
  if (dataFormat == ldText) return " -t";
  if (dataFormat == ldBinaryValid) return " -o";
  return "";
}

}  // namespace

bool UnloadWritesOutFile(int outFormat) { return outFormat == ufStandard; }
bool IsTextFormat(int dataFormat) { return dataFormat == ldText; }
bool IsBinaryFormat(int dataFormat) { return dataFormat == ldBinaryValid || dataFormat == ldBinaryDefined; }

std::optional<TLoaderError> CheckUnloadInput(const TUnloadInput& in) {
  if (Blank(in.OutFile)) return TLoaderError{"出力先ファイル名を入力して下さい。", lfOutFile};
  if (Blank(in.Dsi)) return TLoaderError{"出力する表のDSI名を入力して下さい。", lfOutDsi};
  return std::nullopt;
}

std::optional<TLoaderError> CheckLoadInput(const TLoadInput& in) {
  if (Blank(in.InFile)) return TLoaderError{"入力ファイル名を入力して下さい。", lfInFile};
  if (in.Error && !Blank(in.ErrRec)) {
    bool number = false;
    const int count = QString::fromStdString(in.ErrRec).trimmed().toInt(&number);
    if (!number || count < kLeastErrorCount)
      return TLoaderError{"中段までのエラー件数は1以上の値を入れてください。", lfErrRec};
  }
  if (in.Error && Blank(in.ErrFile)) return TLoaderError{"エラー出力ファイル名を入力して下さい。", lfErrFile};
  return std::nullopt;
}

std::string UnloadCommand(const TUnloadInput& in) {
  std::string command = "rdbunl -i " + Arg(in.DataSource + "." + in.Dsi) + FormatOption(in.DataFormat);
  if (in.NoNullRows) command += " -n";
  if (in.OutFormat == ufCondition)
    command += " -f ";
  else if (in.OutFormat == ufSplit)
    command += " -v ";
  else
    command += " ";
  if (UnloadWritesOutFile(in.OutFormat))
    command += Arg(in.OutFile);
  else if (in.OutFormat == ufCondition || in.OutFormat == ufSplit)
    command += Arg(in.CtrlFile);
  return command;
}

std::string LoadCommand(const TLoadInput& in) {
  // Built by appending: GCC 12 misjudges "literal" + std::string here.
  std::string command = "rdbsaloader -ma -i ";
  command += Arg(in.DataSource + "." + in.Dsi);
  const std::string ratio = in.IdxMisiyo == kDefaultIdxMisiyo ? std::string() : in.IdxMisiyo;
  if (!Blank(ratio)) command.append(" -f ").append(Arg(Trimmed(ratio)));
  command += FormatOption(in.DataFormat);
  if (IsBinaryFormat(in.DataFormat) && in.NullRows) command += " -n";
  if (IsTextFormat(in.DataFormat)) {
    if (in.DelimiterAfterLast) command += " -e";
    if (!Blank(in.Delimiter)) command.append(" -p ").append(Arg(in.Delimiter));
    if (in.Quote == lqSingle) command.append(" -l ").append(Arg(kSingleQuote));
    if (in.Quote == lqNoneValidSpace || in.Quote == lqNoneAtAll) command.append(" -l ").append(kLoaderQuoteItems[in.Quote]);
  }
  if (in.Error) {
    command.append(" -r ").append(Blank(in.ErrRec) ? std::string(kAllErrors) : Trimmed(in.ErrRec));
    command.append(",").append(Arg(in.ErrFile));
  }
  return command.append(" ").append(Arg(in.InFile));
}
