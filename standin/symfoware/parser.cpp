#include "standin/symfoware/parser.h"

#include <cctype>
#include <cstddef>
#include <regex>

#include "platform/sqlbackend.h"
#include "standin/symfoware/sqlite.h"

namespace symfoware {

namespace {

using platform::SqlError;

const char kSyntaxError[] = "JYP9010E 構文に誤りがあります: ";
const char kEndOfText[] = "(文の終わり)";

bool IsWordByte(unsigned char c) { return std::isalnum(c) || c == '_' || c == '$' || c == '#' || c >= 0x80; }

// The end of a comment that starts at i, or i when none does.
size_t CommentEnd(const std::string& sql, size_t i) {
  if (sql.compare(i, 2, "--") == 0) {
    const size_t eol = sql.find('\n', i);
    return eol == std::string::npos ? sql.size() : eol + 1;
  }
  if (sql.compare(i, 2, "/*") == 0) {
    const size_t close = sql.find("*/", i + 2);
    return close == std::string::npos ? sql.size() : close + 2;
  }
  return i;
}

}  // namespace

std::vector<Token> Tokens(const std::string& sql) {
  std::vector<Token> tokens;
  size_t i = 0;
  while (i < sql.size()) {
    const unsigned char c = static_cast<unsigned char>(sql[i]);
    if (const size_t skip = CommentEnd(sql, i); skip != i) {
      i = skip;
    } else if (std::isspace(c)) {
      ++i;
    } else if (c == '"' || c == '\'') {
      size_t j = i + 1;
      std::string text;
      while (j < sql.size()) {
        if (sql[j] == static_cast<char>(c)) {
          if (j + 1 < sql.size() && sql[j + 1] == static_cast<char>(c)) {
            text += sql[j];
            j += 2;
            continue;
          }
          break;
        }
        text += sql[j++];
      }
      if (j >= sql.size()) throw SqlError(StandinMessage(kSyntaxError + sql.substr(i)));
      tokens.push_back({c == '"' ? Token::Quoted : Token::Word, c == '"' ? text : sql.substr(i, j + 1 - i), i, j + 1});
      i = j + 1;
    } else if (IsWordByte(c)) {
      size_t j = i;
      while (j < sql.size() && IsWordByte(static_cast<unsigned char>(sql[j]))) ++j;
      tokens.push_back({Token::Word, sql.substr(i, j - i), i, j});
      i = j;
    } else {
      tokens.push_back({Token::Punct, std::string(1, sql[i]), i, i + 1});
      ++i;
    }
  }
  return tokens;
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

Parser::Parser(const std::string& sql) : sql_(sql), tokens_(Tokens(sql)) {}

bool Parser::AtKeyword(const char* word, size_t ahead) const {
  const size_t at = pos_ + ahead;
  return at < tokens_.size() && tokens_[at].kind == Token::Word && Upper(tokens_[at].text) == word;
}

bool Parser::AtPunct(char c, size_t ahead) const {
  const size_t at = pos_ + ahead;
  return at < tokens_.size() && tokens_[at].kind == Token::Punct && tokens_[at].text[0] == c;
}

bool Parser::AtName(size_t ahead) const {
  const size_t at = pos_ + ahead;
  return at < tokens_.size() && tokens_[at].kind != Token::Punct && tokens_[at].text[0] != '\'';
}

bool Parser::AtLiteral() const {
  return pos_ < tokens_.size() && tokens_[pos_].kind == Token::Word && tokens_[pos_].text[0] == '\'';
}

bool Parser::AtNumber() const {
  return pos_ < tokens_.size() && tokens_[pos_].kind == Token::Word &&
         std::isdigit(static_cast<unsigned char>(tokens_[pos_].text[0]));
}

bool Parser::AtEnd() const { return pos_ == tokens_.size() || (pos_ + 1 == tokens_.size() && AtPunct(';')); }

bool Parser::Accept(const char* word) {
  if (!AtKeyword(word)) return false;
  ++pos_;
  return true;
}

bool Parser::Accept(char c) {
  if (!AtPunct(c)) return false;
  ++pos_;
  return true;
}

void Parser::Expect(const char* word) {
  if (!Accept(word)) Fail();
}

void Parser::Expect(char c) {
  if (!Accept(c)) Fail();
}

std::string Parser::Name() {
  if (!AtName()) Fail();
  const Token& t = tokens_[pos_++];
  return t.kind == Token::Quoted ? t.text : Upper(t.text);
}

TQualifiedName Parser::QualifiedName() {
  TQualifiedName q{{}, Name()};
  if (Accept('.')) q = {q.name, Name()};
  return q;
}

std::vector<std::string> Parser::NameList() {
  Expect('(');
  std::vector<std::string> names{Name()};
  while (Accept(',')) names.push_back(Name());
  Expect(')');
  return names;
}

std::string Parser::Parenthesised() {
  Expect('(');
  const size_t from = pos_;
  int depth = 1;
  for (; pos_ < tokens_.size(); ++pos_) {
    if (AtPunct('(')) ++depth;
    if (AtPunct(')') && --depth == 0) break;
  }
  if (depth != 0) Fail();
  const size_t begin = from < pos_ ? tokens_[from].begin : tokens_[pos_].begin;
  const std::string text = sql_.substr(begin, tokens_[pos_].begin - begin);
  ++pos_;
  return text;
}

std::string Parser::Number() {
  Expect('(');
  const std::string n = Digits();
  Expect(')');
  return n;
}

std::string Parser::Digits() {
  if (pos_ >= tokens_.size() || !std::regex_match(tokens_[pos_].text, std::regex("[0-9]+"))) Fail();
  return tokens_[pos_++].text;
}

std::string Parser::Literal() {
  if (!AtLiteral()) Fail();
  const std::string& quoted = tokens_[pos_++].text;
  std::string value;
  for (size_t i = 1; i + 1 < quoted.size(); ++i) {
    value += quoted[i];
    if (quoted[i] == '\'') ++i;
  }
  return value;
}

std::string Parser::Size() {
  if (pos_ >= tokens_.size() || !std::regex_match(tokens_[pos_].text, std::regex("[0-9]+[KMGkmg]?"))) Fail();
  return Upper(tokens_[pos_++].text);
}

size_t Parser::Marks() {
  Expect('(');
  size_t n = 0;
  do {
    Expect('?');
    ++n;
  } while (Accept(','));
  Expect(')');
  return n;
}

void Parser::End() {
  Accept(';');
  if (pos_ != tokens_.size()) Fail();
}

size_t Parser::Offset() const { return pos_ < tokens_.size() ? tokens_[pos_].begin : sql_.size(); }

void Parser::TakeOne() {
  if (pos_ >= tokens_.size()) Fail();
  ++pos_;
}

std::vector<Token> Parser::TakeRest() {
  std::vector<Token> rest(tokens_.begin() + static_cast<std::ptrdiff_t>(pos_), tokens_.end());
  pos_ = tokens_.size();
  return rest;
}

void Parser::Fail() const {
  const std::string near = pos_ < tokens_.size() ? sql_.substr(tokens_[pos_].begin) : kEndOfText;
  throw SqlError(StandinMessage(kSyntaxError + near));
}

}  // namespace symfoware
