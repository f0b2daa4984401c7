// zarursql: the SQL routines of the utility unit: comment stripping, the
// keyword-driven statement analyser behind alias lookup, error positions
// and the SQL builder, and the name normalisation they share.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

// One name pair of a TovParseList.
struct TovParseItem {
  std::string Name;
  std::string Value;
};

// The list error of a bad index; the message carries the index.
class EListError : public std::out_of_range {
 public:
  explicit EListError(int index);
};

// The next capacity of the program's growing lists: small ones grow by 4,
// those up to 64 by 16, larger ones by a quarter of their capacity.
int GrowListCapacity(int capacity);

// An ordered list of name pairs that grows in steps of 4, then 16, then a
// quarter of its capacity.
class TovParseList {
 public:
  // Returns the index of the new pair.
  int Add(const std::string& name, const std::string& value);
  // Index 0..Count(); the pairs from the index move up by one.
  void Insert(int index, const std::string& name, const std::string& value);
  const std::string& GetName(int index) const;
  const std::string& GetValue(int index) const;
  void SetName(int index, const std::string& text);
  void SetValue(int index, const std::string& text);
  int Count() const { return static_cast<int>(items_.size()); }
  int Capacity() const { return capacity_; }
  void Clear();

 private:
  const TovParseItem& At(int index) const;
  TovParseItem& At(int index);
  void Grow();

  std::vector<TovParseItem> items_;
  int capacity_ = 0;
};

// Raised by AnalyzeSQL with the caller's message.
class ESQLParseError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Statement kinds returned by AnalyzeSQL.
inline constexpr int sqlKindNone = 0;
inline constexpr int sqlKindSelect = 1;
inline constexpr int sqlKindInsert = 2;
inline constexpr int sqlKindUpdate = 3;
inline constexpr int sqlKindDelete = 4;
inline constexpr int sqlKindCreateView = 5;

// Scanner states; AddParsePair splits "name alias" only in the table list.
inline constexpr int sqlStateSelectList = 1;
inline constexpr int sqlStateSetList = 2;
inline constexpr int sqlStateColumnList = 3;
inline constexpr int sqlStateValues = 4;
inline constexpr int sqlStateTables = 5;
inline constexpr int sqlStateConditions = 6;
inline constexpr int sqlStateGroupBy = 7;
inline constexpr int sqlStateHaving = 8;
inline constexpr int sqlStateOrderBy = 9;

// What AnalyzeSQL collects. The lists are appended to, never cleared.
struct TovSQLParts {
  TovParseList SelectItems;  // (item, alias); SET and INSERT give (column, value)
  TovParseList Tables;       // (table, alias)
  TovParseList OrderItems;   // (item, alias)
  std::vector<std::string> WhereWords;
  std::vector<std::string> GroupItems;
  std::vector<std::string> HavingWords;
  std::string ViewName;  // emptied at each statement; the name of a CREATE VIEW
};

// Cleans a statement held as lines in place: REM lines and empty lines at
// both ends, "--" and "/* */" comments; with cutAtSemicolon the text ends
// before the first ";" outside quotes and comments.
void StripSQLComments(std::vector<std::string>& lines, bool cutAtSemicolon);

// Classifies the (first) statement of `sql` and splits its clauses into
// `parts`. A non-empty message is strict: every fault raises ESQLParseError
// with it. An empty message is lenient: the scanner tolerates open
// parentheses, reads on through later statements and returns the last
// one's kind; the faults it still finds raise with the empty message.
int AnalyzeSQL(const std::string& sql, TovSQLParts& parts, const std::string& message);

// Adds (name, alias), or (alias, "") when the name is empty, or nothing when
// both are; in the table list a name "T A" with no alias becomes (T, A).
void AddParsePair(TovParseList& list, const std::string& name, const std::string& alias, int state);
void AddIfNotEmpty(std::vector<std::string>& list, const std::string& text);

// A name as the catalogue holds it: one final ";" dropped, then unquoted
// when it starts with a double quote, else upper-cased.
std::string NormalizeSQLName(const std::string& name);
// The quoted string a name begins with ("" inside standing for "); a name
// without a leading double quote is returned unchanged.
std::string UnquoteName(const std::string& name);
// Splits "schema.table" at its first "." outside double quotes; `schema` is
// empty when there is none.
void SplitQualifiedName(const std::string& name, std::string& schema, std::string& table);
