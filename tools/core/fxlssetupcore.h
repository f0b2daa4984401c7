// fxlssetupcore: the rules of the report-definition editor without its
// window: the items each grid offers by type, the proposed names, the checks
// before a definition is written, and the conversion between the editor's
// fields and the document.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/core/ovdoc.h"

inline constexpr const char* kXlsNameCaption = "Excel定義名";
inline constexpr const char* kXlsDefinitionCaption = "Excel定義";
inline constexpr const char* kXlsTypeCaption = "定義タイプ";
inline constexpr const char* kXlsMissingValue = "%sを入力して下さい。";
inline constexpr const char* kXlsDuplicate = "同じ%sが既に存在しています。";
inline constexpr const char* kXlsBadRow = "行の指定が無効です。";
inline constexpr const char* kXlsBadCol = "桁の指定が無効です。";

// The three item grids, in check order.
enum TXlsGrid { xgHeader = 0, xgBody1 = 1, xgBody2 = 2 };
inline constexpr int kXlsGridCount = 3;
// The definition types: rows 0 to 2 of the report item table.
inline constexpr int kXlsTypeCount = 3;
// The output choice is open to the types from this row on.
inline constexpr int kXlsFirstDefinitionType = 1;

// The report-item rows a grid offers for a type (a type outside 0..2
// counts as 0), in table order.
std::vector<uint8_t> XlsGridItems(int type, TXlsGrid grid);
// Their captions.
std::vector<std::string> XlsGridCaptions(int type, TXlsGrid grid);
// Whether the type leaves the choice between one workbook and one sheet per object.
bool XlsOutputChoice(int type);

// The name proposed for a new definition of a type: its caption, else the
// caption followed by 1, 2, ... until no existing name matches ignoring case.
std::string ProposedXlsName(const std::string& caption, const std::vector<std::string>& existing);

// One row of an item grid as its cells hold it.
struct TXlsRow {
  std::string Row;
  std::string Col;
  std::string Item;  // a report-item caption, or blank

  friend bool operator==(const TXlsRow&, const TXlsRow&) = default;
};
// What the editor shows of a definition.
struct TXlsFields {
  std::string Name;
  std::string XlsFile;
  int32_t BodyTop = 0;
  int32_t BodyCount = 0;
  int32_t OutputType = 0;
  int Type = -1;  // -1: none chosen
  std::array<std::vector<TXlsRow>, kXlsGridCount> Grids;
};

// The control a refused save focuses.
enum class TXlsField { Type, Name, BodyTop, BodyCount, Grid };
struct TXlsProblem {
  std::string Message;
  TXlsField Field = TXlsField::Name;
  int Grid = 0;     // for TXlsField::Grid: the grid,
  int Row = 0;      // the row (0 the first data row)
  bool Col = false;  // and whether the column cell failed (else the row cell)
};
// The first problem in check order: the type, the name (blank, no file
// name, the name of another definition than `loadedName`, ignoring case),
// the body start and rows, then each grid's non-blank rows.
std::optional<TXlsProblem> CheckXlsFields(const TXlsFields& fields, const std::vector<std::string>& otherNames,
                                          const std::string& loadedName);

// The document of the fields: blank item rows left out, ROW and COL the
// integers of their cells (0 when none), captions as items.
TXlsDefDocument XlsDocumentOf(const TXlsFields& fields);
// The fields of a document read for `name`.
TXlsFields XlsFieldsOf(const std::string& name, const TXlsDefDocument& doc);
