#include "tools/core/fdatagencheck.h"

#include "app/core/ovkinds.h"
#include "app/core/zarur.h"

#include <QDateTime>

#include <cmath>

namespace {

constexpr int kTestNameWidth = 19;
constexpr const char* kTestNameTime = "MMddhhmmss";
constexpr int kDecimalBase = 10;
constexpr const char* kNextValue = ".NEXTVAL";

enum TRowField { fName, fType, fNullable, fLength, fPrecision, fScale, fRadix, fDefault, fFieldCount };

std::string Joined(const std::vector<std::string>& parts, const std::string& separator) {
  std::string text;
  for (const std::string& part : parts) {
    if (!text.empty()) text += separator;
    text += part;
  }
  return text;
}

std::optional<TDataGenProblem> CheckColumn(const TColParams& col, int index,
                                           const std::function<bool(const std::string&)>& fixedValueWorks) {
  const TDataGenColumn& rule = col.Rule;
  const auto problem = [index](const char* message, TDataGenFocus focus = TDataGenFocus::Column) {
    return std::optional<TDataGenProblem>(TDataGenProblem{message, focus, index});
  };
  switch (rule.SetType) {
    case dgSequence:
    case dgRandomNumber: {
      if (col.Length > 0) {
        const double limit = std::pow(static_cast<double>(kDecimalBase), col.Length);
        if (rule.NumFrom > limit) return problem("開始値の値が大きすぎます。");
        if (rule.SetType == dgRandomNumber && rule.NumTo > limit) return problem("終了値の値が大きすぎます。");
      }
      if (rule.SetType == dgSequence && rule.Marume == 0) return problem("増分値が指定されていません。");
      // A to value of 0 is no bound; any other below the from value leaves no range.
      if (rule.SetType == dgRandomNumber && rule.NumTo != 0 && rule.NumTo < rule.NumFrom) return problem(kFromAboveTo);
      if (rule.FlgPrefix && rule.StrPrefix.empty()) return problem("接頭句が指定されていません。");
      break;
    }
    case dgRandomString: {
      if (rule.StrType < 0) return problem("設定内容が指定されていません。");
      const std::string digits = TrimBlanks(rule.StrDigit);
      if (!digits.empty() && col.Length > 0 && std::atoll(digits.c_str()) > col.Length)
        return problem("指定した長さが列の長さを超えています。", TDataGenFocus::StrDigit);
      break;
    }
    case dgRandomDate:
      if (rule.DateFrom.isValid() && rule.DateTo.isValid() && rule.DateFrom > rule.DateTo) return problem(kFromAboveTo);
      break;
    case dgPick:
      if (rule.Variable.empty()) return problem("選択値が指定されていません。");
      break;
    case dgFixed: {
      const std::string expression = FixedExpressionText(rule.Variable);
      if (expression.empty()) return problem("固定値が指定されていません。");
      if (QString::fromStdString(expression).toUpper().contains(kNextValue)) break;
      if (!fixedValueWorks(expression)) return problem("固定値として設定された値が無効です。");
      break;
    }
    case dgTemplate:
      if (rule.Temp1.empty() && rule.Temp2.empty()) return problem("テンプレートファイルが指定されていません。");
      break;
    case dgLink:
      if (TrimBlanks(rule.LinkTable).empty()) return problem("リンクテーブルが指定されていません。");
      if (TrimBlanks(rule.LinkColumn).empty()) return problem("リンクテーブル列が指定されていません。");
      break;
    case dgParent:
      if (TrimBlanks(rule.LinkColumn).empty()) return problem("マスターテーブル列が指定されていません。");
      break;
    default: break;
  }
  return std::nullopt;
}

}  // namespace

std::optional<TColParams> DataGenColumnFromRow(const std::vector<QVariant>& row) {
  if (row.size() < fFieldCount || row[fName].isNull() || row[fName].toString().isEmpty()) return std::nullopt;
  TColParams col;
  col.ColumnName = row[fName].toString().toStdString();
  col.TypeName = DataGenTypeName(row[fType].toString().trimmed().toStdString(), VarToIntDef(row[fRadix], 0),
                                 VarToIntDef(row[fPrecision], 0));
  col.Length = VarToIntDef(row[fLength], 0);
  col.NotNull = row[fNullable].toString().trimmed() == "NO";
  col.DefaultText = row[fDefault].isNull() ? std::string() : row[fDefault].toString().toStdString();
  const std::string size = ColumnSizeText(col.TypeName, row[fLength], row[fPrecision], row[fScale]);
  col.TypeText = size.empty() ? col.TypeName : col.TypeName + "(" + size + ")";
  col.Rule.Name = col.ColumnName;
  return col;
}

std::string ColumnRuleSummary(const TColParams& col) {
  const TDataGenColumn& rule = col.Rule;
  std::string text;
  switch (rule.SetType) {
    case dgSequence:
    case dgRandomNumber:
      if (rule.FlgPrefix && !rule.StrPrefix.empty()) {
        text = rule.StrPrefix;
        text += " + ";
      }
      if (rule.NumFrom != 0 || rule.NumTo != 0) {
        text += DataGenNumberText(rule.NumFrom);
        text += "～";
        text += DataGenNumberText(rule.NumTo);
      }
      if (rule.Marume != 0) {
        text += "(";
        text += DataGenNumberText(rule.Marume);
        text += ")";
      }
      break;
    case dgRandomString:
      if (rule.StrType >= 0 && rule.StrType < static_cast<int32_t>(DataGenStringKindNames.size()))
        text = DataGenStringKindNames[static_cast<size_t>(rule.StrType)];
      break;
    case dgDateSequence:
    case dgRandomDate:
      if (rule.DateType >= 0 && rule.DateType < static_cast<int32_t>(DataGenDateKindNames.size()))
        text = DataGenDateKindNames[static_cast<size_t>(rule.DateType)];
      break;
    case dgPick: {
      text = TrimBlanks(Joined(rule.Variable, ","));
      while (!text.empty() && text.back() == ',') text.pop_back();
      break;
    }
    case dgFixed: text = FixedExpressionText(rule.Variable); break;
    case dgTemplate: text = TrimBlanks(rule.Temp1 + " " + rule.Temp2); break;
    case dgLink:
      for (const std::string* part : {&rule.LinkOwner, &rule.LinkTable})
        if (!part->empty()) {
          text += *part;
          text += ".";
        }
      text += rule.LinkColumn;
      break;
    case dgParent: text = rule.LinkColumn; break;
    default: break;
  }
  if (rule.NullPar != 0) {
    text += " NULL";
    text += std::to_string(rule.NullPar);
    text += "%";
  }
  return text;
}

std::optional<TDataGenProblem> InputCheck(const TDataGenDocument& settings, const std::vector<TColParams>& cols,
                                          const std::function<bool(const std::string&)>& fixedValueWorks) {
  if (settings.Mode == 0) {
    if (settings.Count < 1) return TDataGenProblem{"作成件数を入力して下さい。", TDataGenFocus::Count, -1};
  } else {
    if (TrimBlanks(settings.MastOwner).empty() || TrimBlanks(settings.MastTable).empty())
      return TDataGenProblem{"親テーブルを指定して下さい。", TDataGenFocus::MasterTable, -1};
    if (settings.CountF < 1 || settings.CountT < 1)
      return TDataGenProblem{"作成件数を入力して下さい。", TDataGenFocus::ChildCount, -1};
  }
  bool any = false;
  for (size_t i = 0; i < cols.size(); ++i) {
    if (cols[i].Rule.SetType == dgNone) continue;
    any = true;
    if (auto problem = CheckColumn(cols[i], static_cast<int>(i), fixedValueWorks)) return problem;
  }
  if (!any) return TDataGenProblem{"いずれかの項目に設定値を指定して下さい。", TDataGenFocus::ColumnList, -1};
  return std::nullopt;
}

std::string FixedValueProbeSQL(const std::string& expression) {
  return "SELECT " + expression + " FROM RDBII_SYSTEM.RDBII_ASSISTTABLE";
}

std::string DataGenTestTableName(const std::string& table, const QDateTime& now) {
  return CutToWidth(table, kTestNameWidth) + now.toString(kTestNameTime).toStdString();
}

std::string DataGenTestTarget(const std::string& schema, const std::string& name) {
  return QuoteIdent(schema) + "." + QuoteIdent(name);
}

std::string DataGenTestCreateSQL(const std::string& schema, const std::string& name,
                                 const std::vector<TColParams>& cols, const std::string& space) {
  std::vector<std::string> columns;
  for (const TColParams& col : cols) columns.push_back(DoubleQuotedName(col.ColumnName) + " " + col.TypeText);
  return "CREATE GLOBAL TEMPORARY TABLE " + DataGenTestTarget(schema, name) + "(" + Joined(columns, ",") +
         ") ON COMMIT DELETE ROWS " + (space.empty() ? std::string("ON DEFAULT DBSPACE 1") : "ON " + space + " 1");
}
