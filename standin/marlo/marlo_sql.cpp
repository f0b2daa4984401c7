#include "marlo_sql.h"

#include <ctype.h>

namespace marlo {

namespace {

struct token {
  enum { word, quoted_name, literal, symbol, end } type = end;
  std::string text;
};

class lexer {
 public:
  explicit lexer(const std::string& s) : s_(s) {}

  // Empty, or why the text cannot be split into tokens.
  std::string run(std::vector<token>* out) {
    while (skip_space(), pos_ < s_.size()) {
      const char ch = s_[pos_];
      token t;
      if (ch == '\'' || ((ch == 'N' || ch == 'n' || ch == 'X' || ch == 'x') && peek(1) == '\'')) {
        const size_t start = pos_;
        pos_ += ch == '\'' ? 0 : 1;
        if (!string_end()) return "unterminated literal";
        t = {token::literal, s_.substr(start, pos_ - start)};
      } else if (ch == '"') {
        const size_t close = s_.find('"', pos_ + 1);
        if (close == std::string::npos) return "unterminated name";
        t = {token::quoted_name, s_.substr(pos_ + 1, close - pos_ - 1)};
        pos_ = close + 1;
      } else if (isdigit(static_cast<unsigned char>(ch)) || ((ch == '-' || ch == '+' || ch == '.') && number_follows())) {
        const size_t start = pos_++;
        while (pos_ < s_.size() && (isdigit(static_cast<unsigned char>(s_[pos_])) || s_[pos_] == '.')) ++pos_;
        t = {token::literal, s_.substr(start, pos_ - start)};
      } else if (isalpha(static_cast<unsigned char>(ch)) || ch == '_' || (ch & 0x80) != 0) {
        const size_t start = pos_;
        while (pos_ < s_.size() && (isalnum(static_cast<unsigned char>(s_[pos_])) || s_[pos_] == '_' ||
                                    (s_[pos_] & 0x80) != 0)) {
          ++pos_;
        }
        std::string w = s_.substr(start, pos_ - start);
        for (char& c : w) {
          if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        }
        t = {token::word, w};
      } else if (ch == '(' || ch == ')' || ch == ',' || ch == '=' || ch == '*' || ch == '?') {
        t = {token::symbol, std::string(1, ch)};
        ++pos_;
      } else {
        return std::string("unexpected character ") + ch;
      }
      out->push_back(t);
    }
    out->push_back(token{});
    return "";
  }

 private:
  void skip_space() {
    while (pos_ < s_.size() && (isspace(static_cast<unsigned char>(s_[pos_])) || s_[pos_] == ';')) ++pos_;
  }
  char peek(size_t n) const { return pos_ + n < s_.size() ? s_[pos_ + n] : '\0'; }
  bool number_follows() const { return isdigit(static_cast<unsigned char>(peek(1))) != 0; }
  // Past the closing quote of the literal at pos_; quotes doubled inside.
  bool string_end() {
    for (size_t i = pos_ + 1; i < s_.size(); ++i) {
      if (s_[i] != '\'') continue;
      if (i + 1 < s_.size() && s_[i + 1] == '\'') {
        ++i;
        continue;
      }
      pos_ = i + 1;
      return true;
    }
    return false;
  }

  const std::string& s_;
  size_t pos_ = 0;
};

class parser {
 public:
  explicit parser(const std::vector<token>& t) : t_(t) {}

  std::string run(statement* st) {
    if (keyword("SELECT")) {
      st->kind = statement_kind::select;
      if (!symbol("*")) {
        do {
          std::string c;
          if (!name(&c)) return "column name expected";
          st->columns.push_back(c);
        } while (symbol(","));
      }
      if (!keyword("FROM") || !name(&st->table)) return "FROM table expected";
      if (std::string why = predicate(st); !why.empty()) return why;
    } else if (keyword("INSERT")) {
      st->kind = statement_kind::insert;
      if (!keyword("INTO") || !name(&st->table)) return "INTO table expected";
      if (symbol("(")) {
        do {
          std::string c;
          if (!name(&c)) return "column name expected";
          st->columns.push_back(c);
        } while (symbol(","));
        if (!symbol(")")) return "')' expected";
      }
      if (!keyword("VALUES") || !symbol("(")) return "VALUES expected";
      do {
        operand o;
        if (!value(&o)) return "value expected";
        st->values.push_back(o);
      } while (symbol(","));
      if (!symbol(")")) return "')' expected";
      if (!st->columns.empty() && st->columns.size() != st->values.size()) return "columns and values differ in number";
    } else if (keyword("DELETE")) {
      st->kind = statement_kind::remove;
      if (!keyword("FROM") || !name(&st->table)) return "FROM table expected";
      if (std::string why = predicate(st); !why.empty()) return why;
    } else {
      return "SELECT, INSERT or DELETE expected";
    }
    return t_[pos_].type == token::end ? "" : "unexpected " + t_[pos_].text;
  }

 private:
  bool keyword(const char* k) {
    if (t_[pos_].type != token::word || t_[pos_].text != k) return false;
    ++pos_;
    return true;
  }
  bool symbol(const char* s) {
    if (t_[pos_].type != token::symbol || t_[pos_].text != s) return false;
    ++pos_;
    return true;
  }
  bool name(std::string* out) {
    if (t_[pos_].type != token::word && t_[pos_].type != token::quoted_name) return false;
    *out = t_[pos_++].text;
    return true;
  }
  bool value(operand* o) {
    if (symbol("?")) {
      o->marker = true;
      return true;
    }
    if (t_[pos_].type == token::literal || (t_[pos_].type == token::word && t_[pos_].text == "NULL")) {
      o->literal = t_[pos_++].text;
      return true;
    }
    return false;
  }
  std::string predicate(statement* st) {
    if (!keyword("WHERE")) return "";
    st->has_predicate = true;
    if (!name(&st->predicate_column) || !symbol("=") || !value(&st->predicate)) return "WHERE column = value expected";
    return "";
  }

  const std::vector<token>& t_;
  size_t pos_ = 0;
};

}  // namespace

size_t statement::markers() const {
  size_t n = 0;
  for (const operand& o : values) n += o.marker ? 1 : 0;
  return n + (has_predicate && predicate.marker ? 1 : 0);
}

std::string parse_statement(const std::string& text, statement* out) {
  std::vector<token> tokens;
  if (std::string why = lexer(text).run(&tokens); !why.empty()) return why;
  statement st;
  if (std::string why = parser(tokens).run(&st); !why.empty()) return why;
  *out = st;
  return "";
}

}  // namespace marlo
