#include "objedit/core/fviewreportcore.h"

#include <optional>

#include "app/core/fobjreportcore.h"
#include "app/core/ovconst.h"

namespace {

constexpr const char* kDdlLineBreak = "\r\n";

std::optional<std::string> HeaderValue(const TViewReportData& data, uint8_t item) {
  const auto is = [item](const char* key) { return item == FindReportItem(key, kReportItemKey); };
  if (is("SCHEMA")) return data.Schema;
  if (is("VIEWNAME")) return data.View;
  if (is("COMMENT")) return data.Comment;
  if (is("CROSS")) return data.Cross;
  if (is("COVERCROSS")) return data.CoverCross;
  if (is("DDL")) {
    std::string text;
    for (size_t i = 0; i < data.Ddl.size(); ++i) text += (i > 0 ? kDdlLineBreak : "") + data.Ddl[i];
    return text;
  }
  return std::nullopt;
}

}  // namespace

TReportLayout ViewReportLayout(const TReportDefinition& definition, const TViewReportData& data) {
  const TReportSizes sizes = ReportSizes(definition);
  const size_t records = data.Columns.size();
  TReportLayout layout;
  layout.BlockBottom = definition.BodyTop + definition.BodyCount * sizes.RowsPerObject - 1;
  layout.BlockCopies = BodyBlockCopies(definition, sizes, records);
  for (const TReportPlacement& p : definition.Header)
    if (const auto text = HeaderValue(data, p.Item)) layout.Header.push_back({p.Row, p.Col, *text});
  if (!definition.Body.empty())
    layout.Values = BodyGrid(definition, sizes, records, [&data](size_t n, uint8_t item) {
      return ColumnReportValue(data.Columns[n], n, item);
    });
  return layout;
}
