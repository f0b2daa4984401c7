#include "marlo_tables.h"

#include <stdio.h>
#include <stdlib.h>

#include <fstream>
#include <sstream>

namespace marlo {

namespace {

constexpr uint8_t kSignMinus = 0x0D;
constexpr uint8_t kSignPlus = 0x0C;
constexpr int kMaxPrecision = 38;
constexpr size_t kInt64Digits = 19;  // INT64_MAX has 19 digits
constexpr char kBlank = ' ';

std::string strip_zeros(std::string digits) {
  size_t lead = 0;
  while (lead + 1 < digits.size() && digits[lead] == '0') ++lead;
  return digits.substr(lead);
}

std::string trim(const std::string& s) {
  const size_t a = s.find_first_not_of(" \t\r");
  if (a == std::string::npos) return "";
  const size_t b = s.find_last_not_of(" \t\r");
  return s.substr(a, b - a + 1);
}

// The items of a comma-separated list, commas inside quotes kept.
std::vector<std::string> split_items(const std::string& text) {
  std::vector<std::string> items;
  std::string cur;
  bool quoted = false;
  for (char ch : text) {
    if (ch == '\'') quoted = !quoted;
    if (ch == ',' && !quoted) {
      items.push_back(trim(cur));
      cur.clear();
    } else {
      cur += ch;
    }
  }
  items.push_back(trim(cur));
  return items;
}

// The text between the quotes of 'a''b', with doubled quotes made single.
bool unquote(const std::string& s, size_t from, std::string* out) {
  if (s.size() < from + 2 || s[from] != '\'' || s.back() != '\'') return false;
  out->clear();
  for (size_t i = from + 1; i + 1 < s.size(); ++i) {
    if (s[i] == '\'') {
      if (i + 2 >= s.size() || s[i + 1] != '\'') return false;
      ++i;
    }
    *out += s[i];
  }
  return true;
}

bool from_hex(const std::string& hex, std::string* out) {
  if (hex.size() % 2 != 0) return false;
  out->clear();
  for (size_t i = 0; i < hex.size(); i += 2) {
    char* end = nullptr;
    const std::string pair = hex.substr(i, 2);
    const long v = strtol(pair.c_str(), &end, 16);
    if (end != pair.c_str() + 2) return false;
    *out += static_cast<char>(v);
  }
  return true;
}

// Leading zeros so that every digit after the point is there.
void pad_to_scale(number* n) {
  const size_t want = static_cast<size_t>(n->scale);
  if (n->digits.size() < want) n->digits = std::string(want - n->digits.size(), '0') + n->digits;
}

}  // namespace

number number::of_integer(int64_t v) {
  number n;
  n.negative = v < 0;
  // The magnitude of INT64_MIN has no int64 of its own.
  const uint64_t mag = n.negative ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
  n.digits = std::to_string(mag);
  return n;
}

bool number::parse(const std::string& text, number* out) {
  number n;
  size_t i = 0;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) n.negative = text[i++] == '-';
  std::string digits;
  bool point = false;
  for (; i < text.size(); ++i) {
    if (text[i] == '.' && !point) {
      point = true;
    } else if (text[i] >= '0' && text[i] <= '9') {
      digits += text[i];
      if (point) ++n.scale;
    } else {
      return false;
    }
  }
  if (digits.empty()) return false;
  n.digits = strip_zeros(digits);
  if (n.digits == "0") n.negative = false;
  pad_to_scale(&n);
  *out = n;
  return true;
}

bool number::unpack(const uint8_t* p, size_t bytes, int scale, number* out) {
  if (bytes == 0) return false;
  std::string digits;
  for (size_t i = 0; i < bytes; ++i) {
    const uint8_t hi = p[i] >> 4;
    const uint8_t lo = p[i] & 0x0F;
    if (hi > 9) return false;
    digits += static_cast<char>('0' + hi);
    if (i + 1 < bytes) {
      if (lo > 9) return false;
      digits += static_cast<char>('0' + lo);
    } else if (lo < 0x0A) {
      return false;
    }
  }
  number n;
  n.scale = scale;
  n.negative = (p[bytes - 1] & 0x0F) == kSignMinus;
  n.digits = strip_zeros(digits);
  pad_to_scale(&n);
  if (n.digits.find_first_not_of('0') == std::string::npos) n.negative = false;
  *out = n;
  return true;
}

bool number::pack(int precision, int to_scale, std::vector<uint8_t>* out) const {
  if (precision < 1 || precision > kMaxPrecision || to_scale < 0 || to_scale > precision) return false;
  std::string d = digits;
  if (to_scale >= scale) {
    d.append(static_cast<size_t>(to_scale - scale), '0');
  } else {
    const size_t cut = static_cast<size_t>(scale - to_scale);
    if (d.size() < cut || d.find_first_not_of('0', d.size() - cut) != std::string::npos) return false;
    d.resize(d.size() - cut);
  }
  d = strip_zeros(d);
  if (static_cast<int>(d.size()) > precision) return false;
  // p/2+1 bytes: an even precision leaves a zero nibble in front.
  const size_t bytes = static_cast<size_t>(precision / 2 + 1);
  std::string nibbles(bytes * 2 - 1 - d.size(), '0');
  nibbles += d;
  out->assign(bytes, 0);
  for (size_t i = 0; i < nibbles.size(); ++i) {
    const uint8_t v = static_cast<uint8_t>(nibbles[i] - '0');
    (*out)[i / 2] |= static_cast<uint8_t>(i % 2 == 0 ? v << 4 : v);
  }
  (*out)[bytes - 1] |= negative ? kSignMinus : kSignPlus;
  return true;
}

bool number::to_integer(int64_t* out) const {
  if (scale != 0 && digits.find_first_not_of('0', digits.size() - static_cast<size_t>(scale)) != std::string::npos) {
    return false;
  }
  const std::string whole = strip_zeros(digits.substr(0, digits.size() - static_cast<size_t>(scale)));
  if (whole.size() > kInt64Digits) return false;
  const uint64_t mag = whole.empty() ? 0 : strtoull(whole.c_str(), nullptr, 10);
  // The magnitude of INT64_MIN is one above INT64_MAX.
  const uint64_t limit = static_cast<uint64_t>(INT64_MAX) + (negative ? 1 : 0);
  if (mag > limit) return false;
  *out = negative ? static_cast<int64_t>(0 - mag) : static_cast<int64_t>(mag);
  return true;
}

std::string number::text() const {
  std::string s = negative ? "-" : "";
  if (scale == 0) return s + digits;
  const size_t whole = digits.size() - static_cast<size_t>(scale);
  s += whole == 0 ? "0" : digits.substr(0, whole);
  return s + "." + digits.substr(whole);
}

kind kind_of(uint8_t code) {
  switch (code & 0xFE) {
    case 0xA0: case 0xA4: case 0xA8: case 0xC0: case 0xC4: case 0xC8: return kind::text;
    case 0xB0: case 0xB4: case 0xB8: return kind::national;
    case 0x44: case 0x70: case 0x78: case 0x7C: return kind::raw;
    case 0xE0: case 0xE2: case 0xF0: case 0xF4: return kind::integer;
    case 0x64: case 0x6E: case 0xE4: case 0xE6: return kind::decimal;
    case 0x90: case 0x92: case 0x98: return kind::large;
    case 0x94: case 0x9A: case 0x9E: return kind::handle;
    case 0x82: return kind::named;
    default: return kind::none;
  }
}

bool fixed_length(uint8_t code) {
  const uint8_t c = code & 0xFE;
  return c == 0xA4 || c == 0xC4 || c == 0xB4;
}

int table::find(const std::string& column_name) const {
  for (size_t i = 0; i < columns.size(); ++i) {
    if (columns[i].name == column_name) return static_cast<int>(i);
  }
  return -1;
}

std::string fit_cell(const column& col, cell* value) {
  if (value->null) return col.nullable ? "" : "column " + col.name + " is NOT NULL";
  if (col.elements > 0 || !value->elements.empty()) {
    if (value->elements.size() > col.elements) return "too many elements for column " + col.name;
    column element = col;
    element.elements = 0;
    element.nullable = true;
    for (cell& v : value->elements) {
      if (std::string why = fit_cell(element, &v); !why.empty()) return why;
    }
    return "";
  }
  const uint8_t c = col.code & 0xFE;
  std::string& b = value->bytes;
  switch (kind_of(col.code)) {
    case kind::text:
    case kind::national: {
      const size_t unit = kind_of(col.code) == kind::national ? 2 : 1;
      const size_t room = col.length * unit;
      if (b.size() % unit != 0) return "odd national value for column " + col.name;
      // Trailing blanks beyond the room are no data.
      while (b.size() > room && b.back() == kBlank) b.pop_back();
      if (b.size() > room) return "value too long for column " + col.name;
      if (fixed_length(c)) b.append(room - b.size(), kBlank);
      return "";
    }
    case kind::raw:
      if (b.size() > col.length) return "value too long for column " + col.name;
      if (c == 0x44) b.append(col.length - b.size(), kBlank);
      return b.size() == col.length || c == 0x44 ? "" : "value of the wrong length for column " + col.name;
    case kind::large:
      return b.size() <= col.length ? "" : "value too long for column " + col.name;
    case kind::integer: {
      number n;
      int64_t v = 0;
      if (!number::parse(b, &n) || !n.to_integer(&v)) return "no integer for column " + col.name;
      const int64_t lo = c == 0xF4 ? INT16_MIN : c == 0xE0 ? INT64_MIN : INT32_MIN;
      const int64_t hi = c == 0xF4 ? INT16_MAX : c == 0xE0 ? INT64_MAX : INT32_MAX;
      if (v < lo || v > hi) return "value out of range for column " + col.name;
      b = std::to_string(v);
      return "";
    }
    case kind::decimal: {
      number n;
      std::vector<uint8_t> packed;
      if (!number::parse(b, &n) || !n.pack(col.precision, col.scale, &packed)) {
        return "value does not fit column " + col.name;
      }
      number stored;
      number::unpack(packed.data(), packed.size(), col.scale, &stored);
      b = stored.text();
      return "";
    }
    case kind::handle: {
      number n;
      int64_t v = 0;
      if (!number::parse(b, &n) || !n.to_integer(&v) || v < 0 || v > static_cast<int64_t>(UINT32_MAX)) {
        return "no handle for column " + col.name;
      }
      b = std::to_string(v);
      return "";
    }
    case kind::named:
    case kind::none:
      break;
  }
  return "column " + col.name + " takes no value";
}

bool literal_cell(const column& col, const std::string& literal, cell* out, std::string* why) {
  if (literal == "NULL" || literal == "null") {
    *out = cell::null_cell();
  } else if (!literal.empty() && literal[0] == '\'') {
    std::string text;
    if (!unquote(literal, 0, &text)) return (*why = "bad literal " + literal), false;
    *out = cell::of(text);
  } else if (literal.size() > 1 && (literal[0] == 'N' || literal[0] == 'n') && literal[1] == '\'') {
    std::string text;
    if (!unquote(literal, 1, &text)) return (*why = "bad literal " + literal), false;
    *out = cell::of(text);
  } else if (literal.size() > 1 && (literal[0] == 'X' || literal[0] == 'x') && literal[1] == '\'') {
    std::string hex;
    std::string bytes;
    if (!unquote(literal, 1, &hex) || !from_hex(hex, &bytes)) return (*why = "bad literal " + literal), false;
    *out = cell::of(bytes);
  } else {
    number n;
    if (!number::parse(literal, &n)) return (*why = "bad literal " + literal), false;
    const kind k = kind_of(col.code);
    if (k != kind::integer && k != kind::decimal && k != kind::handle) {
      return (*why = "a number for column " + col.name), false;
    }
    *out = cell::of(n.text());
  }
  *why = fit_cell(col, out);
  return why->empty();
}

std::string table_set::declare(table t) {
  if (t.name.empty()) return "a table without a name";
  for (const column& c : t.columns) {
    if (kind_of(c.code) == kind::none) return "column " + c.name + " has no type the server holds";
  }
  for (std::vector<cell>& row : t.rows) {
    if (row.size() != t.columns.size()) return "a row of table " + t.name + " has the wrong number of values";
    for (size_t i = 0; i < row.size(); ++i) {
      const std::string why = fit_cell(t.columns[i], &row[i]);
      if (!why.empty()) return why;
    }
  }
  const std::string name = t.name;
  tables_[name] = std::move(t);
  return "";
}

void table_set::declare_type(const std::string& owner, table attributes) {
  types_[owner + "." + attributes.name] = std::move(attributes);
}

const table* table_set::find(const std::string& name) const {
  auto it = tables_.find(name);
  return it != tables_.end() ? &it->second : nullptr;
}

table* table_set::find(const std::string& name) {
  auto it = tables_.find(name);
  return it != tables_.end() ? &it->second : nullptr;
}

const table* table_set::find_type(const std::string& owner, const std::string& name) const {
  auto it = types_.find(owner + "." + name);
  return it != types_.end() ? &it->second : nullptr;
}

// Fixture file, one declaration a line ('#' starts a comment line):
//   TABLE name
//   COLUMN name code length [NOT NULL] [CHARSET name] [ELEMENTS n]   code in hex, e.g. 0xC0 20;
//                                                        ELEMENTS: a repetition column of at most n
//   COLUMN name code precision,scale [NOT NULL]          the decimal codes
//   ROW literal, literal, ...                            SQL literals: 12, -1.5, 'text', X'0A', NULL
// The bytes of a character literal are taken as they stand in the file,
// which is written in the server's code set.
std::string table_set::load(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return path + ": cannot be read";
  table cur;
  std::vector<std::vector<std::string>> literals;
  auto flush = [&]() -> std::string {
    if (cur.name.empty()) return "";
    for (const std::vector<std::string>& items : literals) {
      if (items.size() != cur.columns.size()) return "a row of table " + cur.name + " has the wrong number of values";
      std::vector<cell> row;
      for (size_t i = 0; i < items.size(); ++i) {
        cell c;
        std::string why;
        if (!literal_cell(cur.columns[i], items[i], &c, &why)) return why;
        row.push_back(c);
      }
      cur.rows.push_back(row);
    }
    const std::string why = declare(cur);
    cur = table{};
    literals.clear();
    return why;
  };
  std::string line;
  int number_of_line = 0;
  while (std::getline(in, line)) {
    ++number_of_line;
    const std::string where = path + ":" + std::to_string(number_of_line) + ": ";
    line = trim(line);
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    std::string word;
    words >> word;
    if (word == "TABLE") {
      std::string why = flush();
      if (!why.empty()) return where + why;
      words >> cur.name;
    } else if (word == "COLUMN" && !cur.name.empty()) {
      column c;
      std::string code;
      std::string size;
      words >> c.name >> code >> size;
      c.code = static_cast<uint8_t>(strtoul(code.c_str(), nullptr, 16) & 0xFE);
      if (kind_of(c.code) == kind::decimal) {
        int p = 0;
        int s = 0;
        if (sscanf(size.c_str(), "%d,%d", &p, &s) != 2) return where + "precision,scale expected";
        c.precision = static_cast<uint8_t>(p);
        c.scale = static_cast<uint8_t>(s);
      } else {
        c.length = static_cast<uint32_t>(strtoul(size.c_str(), nullptr, 10));
      }
      std::string more;
      while (words >> more) {
        if (more == "NOT") {
          words >> more;
          c.nullable = false;
        } else if (more == "CHARSET") {
          words >> c.charset;
        } else if (more == "ELEMENTS") {
          words >> c.elements;
        } else {
          return where + "unknown word " + more;
        }
      }
      if (kind_of(c.code) == kind::none) return where + "no type the server holds: " + code;
      cur.columns.push_back(c);
    } else if (word == "ROW" && !cur.name.empty()) {
      literals.push_back(split_items(trim(line.substr(3))));
    } else {
      return where + "unknown declaration";
    }
  }
  const std::string why = flush();
  return why.empty() ? "" : path + ": " + why;
}

}  // namespace marlo
