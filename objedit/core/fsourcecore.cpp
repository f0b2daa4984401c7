#include "objedit/core/fsourcecore.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <stdexcept>

#include "app/core/ovformat.h"
#include "app/core/ovkinds.h"
#include "app/core/zarur.h"

namespace {

constexpr std::array<const char*, 16> kDataTypeNames = {
    "CHAR",    "CHAR VARYING", "BLOB",  "NCHAR",  "NCHAR VARYING",    "INT",  "SMALLINT",  "NUMERIC",
    "DECIMAL", "FLOAT",        "DOUBLE PRECISION", "REAL", "TIMESTAMP", "DATE", "TIME", "INTERVAL"};

// Labels of the function report; the value starts right after the label.
constexpr const char* kReportModeLabel = "    Parameter mode ......";
constexpr const char* kReportTypeLabel = "    Parameter type ......";
constexpr const char* kReportCommentLabel = "  Comment";
constexpr const char* kReportLanguageLabel = "    Language  ......";
constexpr const char* kReportSymbolLabel = "    Symbol    ......";
constexpr const char* kReportLibraryLabel = "    Library   ......";
constexpr const char* kReportTextStart = "Routine text information";
constexpr const char* kReportNormalEnd = "rdbprtが正常終了しました";
constexpr const char* kReportAbnormalEnd = "rdbprtが異常終了しました";
constexpr const char* kReturnMode = "RETURN";

std::string AsciiUpper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

bool Contains(const std::string& line, const char* part) { return line.find(part) != std::string::npos; }

// The line's text after a label of the report, trimmed.
std::string ValueAfter(const std::string& line, const char* label) {
  const std::string::size_type at = line.find(label);
  return Trim(line.substr(at + std::char_traits<char>::length(label)));
}

const char* ModeWord(int mode) {
  switch (mode) {
    case kParamInOut:
      return "INOUT";
    case kParamOut:
      return "OUT";
    default:
      return "IN";
  }
}

std::vector<std::string> ProcedureFromReport(const std::vector<std::string>& report, const std::string& separator) {
  std::string text;
  bool inText = false;
  for (const std::string& line : report) {
    if (inText && Contains(line, kReportNormalEnd)) break;
    if (inText) text += line + "\n";
    else if (Contains(line, kReportTextStart)) inText = true;
  }
  text = Trim(text);
  if (text.empty()) throw std::runtime_error(kLoadFailed);
  FormatSQLBlock(text);
  std::vector<std::string> lines = SourceTextLines(text);
  if (BlankSource(lines)) throw std::runtime_error(kLoadFailed);
  lines.push_back(separator);
  return lines;
}

std::vector<std::string> FunctionFromReport(const std::vector<std::string>& report, const std::string& schema,
                                            const std::string& name, const std::string& separator) {
  struct TReportParam {
    std::string Mode;
    std::string Type;
  };
  std::vector<TReportParam> params;
  std::string comment, language, symbol, library;
  for (std::size_t i = 0; i < report.size(); ++i) {
    const std::string& line = report[i];
    if (Contains(line, kReportModeLabel)) params.push_back({ValueAfter(line, kReportModeLabel), ""});
    else if (Contains(line, kReportTypeLabel)) {
      if (!params.empty()) params.back().Type = ValueAfter(line, kReportTypeLabel);
    } else if (Contains(line, kReportCommentLabel)) {
      if (i + 1 < report.size()) comment = Trim(report[i + 1]);
    } else if (Contains(line, kReportLanguageLabel)) language = ValueAfter(line, kReportLanguageLabel);
    else if (Contains(line, kReportSymbolLabel)) symbol = ValueAfter(line, kReportSymbolLabel);
    else if (Contains(line, kReportLibraryLabel)) library = ValueAfter(line, kReportLibraryLabel);
  }
  if (params.empty() && comment.empty() && language.empty() && symbol.empty() && library.empty())
    throw std::runtime_error(kLoadFailed);
  std::vector<std::string> lines{"CREATE FUNCTION " + QuoteIdent(schema) + "." + QuoteIdent(name) + "("};
  bool first = true;
  for (const TReportParam& param : params) {
    if (AsciiUpper(param.Mode) == kReturnMode) lines.push_back(")RETURNS " + param.Type);
    else {
      lines.push_back((first ? "  " : " ,") + param.Mode + "  " + param.Type);
      first = false;
    }
  }
  // A raw or empty comment would make the text invalid, and a failed compile
  // runs this text to bring the function back.
  if (!comment.empty()) lines.push_back("COMMENT " + (comment.front() == '\'' ? comment : QuoteStr(comment)));
  lines.push_back("LANGUAGE " + language);
  lines.push_back("NAME " + QuoteStr(symbol));
  lines.push_back("LIBRARY " + QuoteStr(library));
  lines.push_back(separator);
  return lines;
}

// "<old>" becomes "<new>" once, ignoring case, in the first line holding it.
bool ReplaceFirstLine(std::vector<std::string>& lines, const std::string& oldText, const std::string& newText) {
  const std::string upperOld = AsciiUpper(oldText);
  for (std::string& line : lines) {
    const std::string::size_type at = AsciiUpper(line).find(upperOld);
    if (at == std::string::npos) continue;
    line.replace(at, oldText.size(), newText);
    return true;
  }
  return false;
}

}  // namespace

std::vector<std::string> SourceTextLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string::size_type start = 0;
  while (start <= text.size()) {
    std::string::size_type end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  while (!lines.empty() && Trim(lines.back()).empty()) lines.pop_back();
  return lines;
}

bool BlankSource(const std::vector<std::string>& lines) {
  return std::all_of(lines.begin(), lines.end(), [](const std::string& line) { return Trim(line).empty(); });
}

std::string DataTypeName(int code) {
  if (code < 1 || code > static_cast<int>(kDataTypeNames.size())) return "";
  return kDataTypeNames[static_cast<std::size_t>(code - 1)];
}

std::string ParamTypeText(int code, const std::string& length, const std::string& precision,
                          const std::string& scale) {
  const std::string type = DataTypeName(code);
  if (MatchesAny(type, {"CHAR", "CHAR VARYING", "NCHAR", "NCHAR VARYING"})) return type + "(" + length + ")";
  if (MatchesAny(type, {"NUMERIC", "DECIMAL"})) {
    if (!precision.empty() && !scale.empty()) return type + "(" + precision + ", " + scale + ")";
    if (!precision.empty()) return type + "(" + precision + ")";
  }
  if (MatchesAny(type, {"FLOAT", "INTERVAL"}) && !precision.empty()) return type + "(" + precision + ")";
  return type;
}

std::vector<std::string> FunctionTextFromCatalogue(const TFuncText& func, const std::string& separator) {
  std::string params;
  std::string returns;
  for (const TFuncParam& param : func.Params) {
    if (param.Mode == kParamReturn) {
      returns = DataTypeName(param.DataType);
      continue;
    }
    if (!params.empty()) params += ", ";
    params += std::string(ModeWord(param.Mode)) + " " +
              ParamTypeText(param.DataType, param.Length, param.Precision, param.Scale);
    if (!param.Nullable) params += " NOT NULL";
  }
  std::vector<std::string> lines{"CREATE FUNCTION " + func.Schema + "." + func.Name + "(" + params + ")",
                                 "RETURNS  " + returns};
  if (!func.Comment.empty()) lines.push_back("COMMENT  " + QuoteStr(func.Comment));
  lines.push_back("LANGUAGE C");
  lines.push_back("NAME     " + QuoteStr(func.Symbol));
  lines.push_back("LIBRARY  " + QuoteStr(func.Library));
  lines.push_back(separator);
  return lines;
}

std::vector<std::string> ParseRoutineReport(const std::vector<std::string>& report, int kind,
                                            const std::string& schema, const std::string& name,
                                            const std::string& separator) {
  for (const std::string& line : report)
    if (Contains(line, kReportAbnormalEnd)) throw std::runtime_error(kLoadFailed);
  if (kind == okFunction) return FunctionFromReport(report, schema, name, separator);
  return ProcedureFromReport(report, separator);
}

std::string RoutineControlText(const std::string& schema, const std::string& name) {
  return "ROUTINE(" + schema + "." + name + ")";
}

std::vector<std::string> RoutineSkeleton(int kind, const std::string& schema, const std::string& name,
                                         const std::string& separator) {
  const std::string qualified = QuoteIdent(schema) + "." + QuoteIdent(name);
  if (kind == okFunction)
    return {"CREATE FUNCTION " + qualified + " (引数, 引数...)",
            "RETURNS  戻り値のデータ型",
            "COMMENT  コメント句",
            "LANGUAGE 言語名",
            "NAME     シンボル名",
            "LIBRARY  ライブラリのパス",
            separator};
  return {"CREATE PROCEDURE " + qualified + " (引数, 引数...)", "COMMENT 'コメント句'", "BEGIN", "  NULL;", "END",
          separator};
}

bool ReplaceSourceSchema(std::vector<std::string>& lines, const std::string& oldSchema,
                         const std::string& newSchema) {
  return ReplaceFirstLine(lines, QuoteIdent(oldSchema) + ".", QuoteIdent(newSchema) + ".");
}

bool ReplaceSourceName(std::vector<std::string>& lines, const std::string& oldName, const std::string& newName) {
  const std::string dot = ".";
  return ReplaceFirstLine(lines, dot + QuoteIdent(oldName), dot + QuoteIdent(newName));
}

std::string DropRoutineStatement(int kind, const std::string& schema, const std::string& name) {
  return std::string(kind == okFunction ? "DROP FUNCTION " : "DROP PROCEDURE ") + QuoteIdent(schema) + "." +
         QuoteIdent(name);
}

bool RoutineNeedsDrop(bool isNew, bool sourcePage, const std::vector<std::string>& lastSource) {
  return !isNew && sourcePage && !BlankSource(lastSource);
}
