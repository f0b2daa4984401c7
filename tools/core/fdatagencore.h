#ifndef ORV_TOOLS_CORE_FDATAGENCORE_H
#define ORV_TOOLS_CORE_FDATAGENCORE_H

// The test-data generator's rules: one record per column, its default and
// allowed kinds, the INSERT text and one row's values.
#include "app/core/ovdoc.h"

#include <QDateTime>

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

enum TDataGenKind : int32_t {
  dgNone = 0,
  dgSequence = 1,
  dgDateSequence = 2,
  dgRandomNumber = 3,
  dgRandomString = 4,
  dgRandomDate = 5,
  dgPick = 6,
  dgFixed = 7,
  dgTemplate = 8,
  dgLink = 9,
  dgParent = 10,
};
enum TDataGenStringKind : int32_t {
  dsLetters = 0,
  dsDigits = 1,
  dsAlphaNumerics = 2,
  dsFullWidth = 3,
  dsUrl = 4,
  dsMail = 5,
  dsTelephone = 6,
  dsPostal = 7,
};
// Date kind 1: the date alone, at midnight.
inline constexpr int32_t kDataGenDateOnly = 1;

extern const std::vector<std::string> DataGenRuleNames;
extern const std::vector<std::string> DataGenStringKindNames;
extern const std::vector<std::string> DataGenDateKindNames;

// One column: what the catalogue says, its rule, and what a run loads.
struct TColParams {
  std::string ColumnName;
  std::string TypeName;
  // The type as the column list shows it: the name and the size in
  // parentheses when the column has one.
  std::string TypeText;
  int32_t Length = 0;
  bool NotNull = false;
  std::string DefaultText;
  TDataGenColumn Rule;
  std::vector<std::string> Words1;
  std::vector<std::string> Words2;
  int32_t LinkQueryIndex = -1;
  int32_t LinkFieldIndex = -1;
};

// The type name of a catalogue DATA_TYPE code; INTERVAL takes its qualifier
// from the radix and the leading precision.
std::string DataGenTypeName(const std::string& code, int radix, int precision);
bool DataGenIsNumericType(const std::string& typeName);
// A number's shortest decimal text at 15 significant digits.
std::string DataGenNumberText(double value);
// A name in double quotes, inner quotes doubled.
std::string DoubleQuotedName(const std::string& name);

// The rule a column gets when no settings are loaded; `now` starts date
// sequences.
void AssignDefaultRule(TColParams& col, bool inKey, const QDateTime& now);
// The kinds the window offers for a column, in the list's order.
std::vector<int32_t> AllowedKinds(const TColParams& col, bool inKey, bool parentMode);

// A fixed value's lines as one expression: joined by blanks, trimmed, one
// trailing comma removed.
std::string FixedExpressionText(const std::vector<std::string>& lines);
// The INSERT statement; an empty target means "schema"."table".
std::string BuildInsertSQL(const std::vector<TColParams>& cols, const std::string& schema, const std::string& table,
                           const std::string& target);
// Loads the word lists of template columns from <shareDir>DATAGEN/<name>.txt;
// an unreadable file leaves its list as it was.
void LoadTemplateWords(std::vector<TColParams>& cols, const std::string& shareDir);

// One SELECT per distinct link table of the kind-9 columns; sets each
// column's query and field index.
std::vector<std::string> BuildLinkQueries(std::vector<TColParams>& cols);

// The generator's random source: Next(n) is 0 <= x < n (0 when n <= 0),
// NextReal() is 0 <= x < 1.
class TDataGenRandom {
 public:
  virtual ~TDataGenRandom() = default;
  virtual int64_t Next(int64_t n) = 0;
  virtual double NextReal() = 0;
};
class TSeededRandom : public TDataGenRandom {
 public:
  explicit TSeededRandom(uint64_t seed) : Engine(seed) {}
  int64_t Next(int64_t n) override;
  double NextReal() override;

 private:
  std::mt19937_64 Engine;
};

// ASCII mapped to its full-width form (blank to the ideographic space),
// half-width katakana to full-width katakana; cut to 1024 bytes.
std::string ToFullWidth(const std::string& text);

// What one row's values need beyond the rules.
struct TDataGenRowInput {
  // The program's short date format (Qt pattern); empty means yyyy/MM/dd.
  std::string ShortDateFormat;
  // Per column (list position): the link field's text at the query's
  // current row, nullopt when NULL or the query is empty.
  std::vector<std::optional<std::string>> LinkValues;
  // The parent row's field texts and the parent table's column names.
  std::vector<std::string> ParentColumns;
  std::vector<std::optional<std::string>> ParentRow;
};
using TDataGenValue = std::optional<std::string>;
// One column's value for row `row` (nullopt is NULL); the NULL draw comes
// first. Throws std::runtime_error for a link value that is no date-time.
TDataGenValue ColumnValue(const TColParams& col, int64_t row, TDataGenRandom& random, const TDataGenRowInput& input,
                          size_t position);
// The parameters of one row: one per column of kind other than 0 and 7.
std::vector<TDataGenValue> RowValues(const std::vector<TColParams>& cols, int64_t row, TDataGenRandom& random,
                                     const TDataGenRowInput& input);

#endif
