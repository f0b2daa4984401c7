#include "objedit/core/fexecprccore.h"

#include "app/core/ovkinds.h"
#include "app/core/zarur.h"

namespace {

constexpr const char* kNullText = "(NULL)";

bool IsOutput(const TExecParam& param) { return param.Mode == kParamOut || param.Mode == kParamInOut; }

// The type name before any "(size)".
std::string BareType(const std::string& type) { return Trim(type.substr(0, type.find('('))); }

int CharSize(const std::string& type) {
  const std::string::size_type open = type.find('(');
  const std::string::size_type close = type.find(')', open == std::string::npos ? 0 : open);
  if (open == std::string::npos || close == std::string::npos) return 1;
  const std::string digits = Trim(type.substr(open + 1, close - open - 1));
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) return 1;
  try {
    return std::stoi(digits);
  } catch (const std::out_of_range&) {
    return 1;
  }
}

std::string InputLine(const TExecParam& param) {
  return param.Name + " : " + (UpperCase(param.Value) == "NULL" ? std::string(kNullText) : param.Value);
}

}  // namespace

std::string ExecParamName(int kind, int mode, int position, const std::string& columnName) {
  if (mode == kParamReturn) return kExecResultName;
  if (kind == okFunction) return "PARAM" + std::to_string(position);
  return columnName;
}

int ExecParamImage(int mode) {
  switch (mode) {
    case kParamInOut:
      return kExecImageInOut;
    case kParamOut:
      return kExecImageOut;
    case kParamReturn:
      return kExecImageReturn;
    default:
      return kExecImageIn;
  }
}

bool IsNumericParamType(const std::string& type) {
  return MatchesAny(BareType(type), {"INT", "SMALLINT", "NUMERIC", "DECIMAL", "FLOAT", "DOUBLE PRECISION", "REAL"});
}

std::string FormatParamLiteral(const std::string& type, const std::string& value) {
  if (value.empty()) return "''";
  if (IsNumericParamType(type)) return value;
  if (value.front() == '\'' || UpperCase(value) == "NULL") return value;
  return QuoteStr(value);
}

std::string ExecStatement(int kind, const std::string& schema, const std::string& name,
                          const std::vector<TExecParam>& params) {
  const std::string routine = QuoteIdent(schema) + "." + QuoteIdent(name);
  std::string args;
  if (kind == okProcedure) {
    for (const TExecParam& param : params) {
      if (!args.empty()) args += ", ";
      args += IsOutput(param) ? ":" + param.Name : FormatParamLiteral(param.Type, param.Value);
    }
    return "CALL " + routine + "(" + args + ")";
  }
  if (kind == okFunction) {
    for (const TExecParam& param : params) {
      if (param.Name == kExecResultName) continue;
      if (!args.empty()) args += ", ";
      args += FormatParamLiteral(param.Type, param.Value);
    }
    return "SELECT " + routine + "(" + args + ")\n" + kExecAssistFrom;
  }
  return "";
}

std::vector<TExecBinding> ExecBindings(const std::vector<TExecParam>& params) {
  std::vector<TExecBinding> bindings;
  for (const TExecParam& param : params) {
    if (!IsOutput(param)) continue;
    TExecBinding binding;
    binding.Name = param.Name;
    binding.Size = param.Type.find("CHAR") != std::string::npos ? CharSize(param.Type) : kExecDefaultSize;
    binding.InOut = param.Mode == kParamInOut;
    if (binding.InOut) binding.Value = param.Value;
    bindings.push_back(binding);
  }
  return bindings;
}

std::vector<std::string> ExecResultLines(int kind, const std::vector<TExecParam>& params,
                                         const std::vector<std::optional<std::string>>& outputs,
                                         const std::optional<std::string>& result) {
  std::vector<std::string> lines{kExecOutputHead};
  std::size_t output = 0;
  for (const TExecParam& param : params) {
    if (kind == okFunction && param.Name == kExecResultName) {
      if (result) lines.push_back(std::string(kExecResultName) + " : " + *result);
    } else if (kind == okProcedure && IsOutput(param)) {
      const std::optional<std::string> value = output < outputs.size() ? outputs[output] : std::nullopt;
      ++output;
      lines.push_back(param.Name + " : " + (value ? *value : std::string(kNullText)));
    } else {
      lines.push_back(InputLine(param));
    }
  }
  return lines;
}
