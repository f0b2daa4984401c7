// The test server's in-memory table set: typed columns under the data
// type codes of the SQLDA (the even, NOT NULL code of each type), rows of
// cells, and user-defined types for DESCRIBE TYPE. Character data is held
// as bytes in the server's code set. A table set is a value: the engine
// copies it at the start of a transaction to undo the transaction's
// changes at ROLLBACK.
#pragma once

#include <stdint.h>

#include <map>
#include <string>
#include <vector>

namespace marlo {

// A signed decimal number: its digits (most significant first, at least
// one) and the count of them after the decimal point.
struct number {
  bool negative = false;
  std::string digits = "0";
  int scale = 0;

  static number of_integer(int64_t v);
  // "-12.50", "7", "+3.1"; false when the text is no number.
  static bool parse(const std::string& text, number* out);
  // Packed decimal of `bytes` bytes: digits two to a byte, the last low
  // nibble the sign (0xD minus); false on a nibble that is no digit.
  static bool unpack(const uint8_t* p, size_t bytes, int scale, number* out);
  // The number at `scale` digits after the point in `precision` digits;
  // false when it does not fit (digits cut off at the right are refused
  // too: the server stores no value other than the one given).
  bool pack(int precision, int scale, std::vector<uint8_t>* out) const;
  bool to_integer(int64_t* out) const;
  std::string text() const;
};

// The handling kind of a data type code.
enum class kind {
  text,      // 0xA0, 0xA4, 0xA8, 0xC0, 0xC4, 0xC8: bytes in the server's code set
  national,  // 0xB0, 0xB4, 0xB8: 2 bytes a character
  raw,       // 0x44, 0x70, 0x78, 0x7C: bytes never converted
  integer,   // 0xE0, 0xE2, 0xF0, 0xF4
  decimal,   // 0x64, 0x6E, 0xE4, 0xE6
  large,     // 0x90, 0x92, 0x98
  handle,    // 0x94, 0x9A, 0x9E
  named,     // 0x82: a column of a user-defined type
  none,      // a code the table set does not hold
};
kind kind_of(uint8_t code);
// The fixed-length character codes: values are padded with blanks.
bool fixed_length(uint8_t code);

// The least XDIM of a repetition variable.
constexpr int kLeastRepetition = 2;

struct column {
  std::string name;
  uint8_t code = 0;          // even
  uint32_t length = 0;       // sqllen; characters for the national codes; the u32 length of the large codes
  uint8_t precision = 0;     // decimal codes
  uint8_t scale = 0;
  bool nullable = true;
  std::string charset;       // a character-set name the description names, or empty
  std::string type_owner;    // 0x82: the type's owner and name
  std::string type_name;
  uint16_t elements = 0;     // a repetition column: the most elements it holds; 0: one value

  static column of(const char* name, uint8_t code, uint32_t length, uint8_t precision = 0, uint8_t scale = 0) {
    column c;
    c.name = name;
    c.code = code;
    c.length = length;
    c.precision = precision;
    c.scale = scale;
    return c;
  }

  // The code as described: odd when the column admits NULL.
  uint8_t described_code() const { return static_cast<uint8_t>(code | (nullable ? 1 : 0)); }
};

// A stored value: numbers as their decimal text, everything else as
// its bytes (fixed-length character values blank-padded); the values of a
// repetition column are its elements.
struct cell {
  bool null = true;
  std::string bytes;
  std::vector<cell> elements;

  static cell null_cell() { return cell{}; }
  static cell of(std::string b) { return cell{false, std::move(b), {}}; }
  bool operator==(const cell& o) const {
    return null == o.null && (null || (bytes == o.bytes && elements == o.elements));
  }
};

struct table {
  std::string name;
  std::vector<column> columns;
  std::vector<std::vector<cell>> rows;

  // The column's index, or -1.
  int find(const std::string& column_name) const;
};

// The reason a value does not fit its column, or empty when it does.
std::string fit_cell(const column& col, cell* value);

class table_set {
 public:
  // Declares (or replaces) a table; its rows are checked against its
  // columns. Empty, or why the table was refused.
  std::string declare(table t);
  // A user-defined type: its attributes as columns, named owner.name.
  void declare_type(const std::string& owner, table attributes);

  const table* find(const std::string& name) const;
  table* find(const std::string& name);
  const table* find_type(const std::string& owner, const std::string& name) const;

  // Reads declarations from a fixture file (the format is in
  // marlo_tables.cpp). Empty, or the file's line and what is wrong there.
  std::string load(const std::string& path);

 private:
  std::map<std::string, table> tables_;
  std::map<std::string, table> types_;  // by owner "." name
};

// A literal of the SQL subset ("'text'", "N'text'", "X'0A1B'", a number,
// NULL) as a cell of the column; false when the literal does not suit it.
bool literal_cell(const column& col, const std::string& literal, cell* out, std::string* why);

}  // namespace marlo
