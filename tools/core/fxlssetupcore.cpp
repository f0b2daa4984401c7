#include "tools/core/fxlssetupcore.h"

#include <QString>

#include "app/core/ovconst.h"
#include "app/core/zarur.h"

namespace {

// The items each grid offers, by type (rows of the report item table).
const std::array<std::array<std::vector<uint8_t>, kXlsGridCount>, kXlsTypeCount> kGridItems = {{
    {{{4, 7}, {5, 6, 7, 8, 9}, {}}},
    {{{7, 9, 10, 11, 12, 13, 14}, {5, 9, 19, 20, 21, 22, 23, 24, 25}, {5, 26, 27}}},
    {{{7, 9, 13, 14, 15, 16}, {5, 9, 19, 20, 21, 22, 23, 24, 25}, {}}},
}};

bool SameName(const std::string& a, const std::string& b) {
  return QString::fromStdString(Trim(a)).compare(QString::fromStdString(Trim(b)), Qt::CaseInsensitive) == 0;
}

// A cell holding a whole number above 0.
bool PositiveNumber(const std::string& text) {
  bool ok = false;
  const int value = QString::fromStdString(text).trimmed().toInt(&ok);
  return ok && value > 0;
}

int32_t NumberOf(const std::string& text) {
  bool ok = false;
  const int value = QString::fromStdString(text).trimmed().toInt(&ok);
  return ok ? value : 0;
}

std::vector<TReportPlacement> PlacementsOf(const std::vector<TXlsRow>& rows) {
  std::vector<TReportPlacement> placements;
  for (const TXlsRow& row : rows)
    if (!TrimBlanks(row.Item).empty())
      placements.push_back({NumberOf(row.Row), NumberOf(row.Col), FindReportItem(row.Item, kReportItemCaption)});
  return placements;
}

std::vector<TXlsRow> RowsOf(const std::vector<TReportPlacement>& placements) {
  std::vector<TXlsRow> rows;
  for (const TReportPlacement& p : placements)
    rows.push_back({std::to_string(p.Row), std::to_string(p.Col), ReportItems[p.Item].Caption});
  return rows;
}

}  // namespace

std::vector<uint8_t> XlsGridItems(int type, TXlsGrid grid) {
  const size_t row = type >= 0 && type < kXlsTypeCount ? static_cast<size_t>(type) : 0;
  return kGridItems[row][static_cast<size_t>(grid)];
}

std::vector<std::string> XlsGridCaptions(int type, TXlsGrid grid) {
  std::vector<std::string> captions;
  for (uint8_t item : XlsGridItems(type, grid)) captions.push_back(ReportItems[item].Caption);
  return captions;
}

bool XlsOutputChoice(int type) { return type >= kXlsFirstDefinitionType && type < kXlsTypeCount; }

std::string ProposedXlsName(const std::string& caption, const std::vector<std::string>& existing) {
  const auto taken = [&existing](const std::string& name) {
    for (const std::string& e : existing)
      if (SameName(e, name)) return true;
    return false;
  };
  std::string name = caption;
  for (int n = 1; taken(name); ++n) name = caption + std::to_string(n);
  return name;
}

std::optional<TXlsProblem> CheckXlsFields(const TXlsFields& fields, const std::vector<std::string>& otherNames,
                                          const std::string& loadedName) {
  if (fields.Type < 0) return TXlsProblem{Format(kXlsMissingValue, {kXlsTypeCaption}), TXlsField::Type};
  const std::string name = Trim(fields.Name);
  if (name.empty()) return TXlsProblem{Format(kXlsMissingValue, {kXlsNameCaption}), TXlsField::Name};
  if (!IsDocumentName(name)) return TXlsProblem{kInvalidNameMessage, TXlsField::Name};
  // Saving under the name of another definition would overwrite it.
  if (!SameName(name, loadedName))
    for (const std::string& other : otherNames)
      if (SameName(other, name)) return TXlsProblem{Format(kXlsDuplicate, {kXlsNameCaption}), TXlsField::Name};
  if (fields.BodyTop < 1) return TXlsProblem{kXlsBadRow, TXlsField::BodyTop};
  if (fields.BodyCount < 1) return TXlsProblem{kXlsBadRow, TXlsField::BodyCount};
  for (int grid = 0; grid < kXlsGridCount; ++grid) {
    const std::vector<TXlsRow>& rows = fields.Grids[static_cast<size_t>(grid)];
    for (size_t i = 0; i < rows.size(); ++i) {
      if (TrimBlanks(rows[i].Item).empty()) continue;
      if (!PositiveNumber(rows[i].Row)) return TXlsProblem{kXlsBadRow, TXlsField::Grid, grid, static_cast<int>(i), false};
      if (!PositiveNumber(rows[i].Col)) return TXlsProblem{kXlsBadCol, TXlsField::Grid, grid, static_cast<int>(i), true};
    }
  }
  return std::nullopt;
}

TXlsDefDocument XlsDocumentOf(const TXlsFields& fields) {
  TXlsDefDocument doc;
  doc.XlsFile = fields.XlsFile;
  doc.BodyTop = fields.BodyTop;
  doc.BodyCount = fields.BodyCount;
  doc.OutputType = fields.OutputType;
  doc.Type = static_cast<uint8_t>(std::max(fields.Type, 0));
  doc.Header = PlacementsOf(fields.Grids[xgHeader]);
  doc.Body = PlacementsOf(fields.Grids[xgBody1]);
  doc.Body2 = PlacementsOf(fields.Grids[xgBody2]);
  return doc;
}

TXlsFields XlsFieldsOf(const std::string& name, const TXlsDefDocument& doc) {
  TXlsFields fields;
  fields.Name = name;
  fields.XlsFile = doc.XlsFile;
  fields.BodyTop = doc.BodyTop;
  fields.BodyCount = doc.BodyCount;
  fields.OutputType = doc.OutputType;
  // Only the three definition types can be chosen.
  fields.Type = doc.Type < kXlsTypeCount ? doc.Type : -1;
  fields.Grids[xgHeader] = RowsOf(doc.Header);
  fields.Grids[xgBody1] = RowsOf(doc.Body);
  fields.Grids[xgBody2] = RowsOf(doc.Body2);
  return fields;
}
