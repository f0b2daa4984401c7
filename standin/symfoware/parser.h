// The reader of the statements the stand-in's catalogue keeps alone (storage
// structures, routines, triggers): the text cut into words, quoted names,
// literals and marks, and a parser that takes them one by one and refuses
// what it cannot read with the server's syntax error at that place.
#pragma once

#include <string>
#include <vector>

namespace symfoware {

// A name as the statement wrote it, unquoted: upper case unless quoted.
struct TQualifiedName {
  std::string schema;  // empty when not given
  std::string name;
};

// A literal is a Word whose text keeps its quotes; a quoted name is Quoted
// with its quotes taken off. Comments are left out.
struct Token {
  enum Kind { Word, Quoted, Punct } kind;
  std::string text;
  size_t begin;  // byte offsets into the statement
  size_t end;
};

std::vector<Token> Tokens(const std::string& sql);
std::string Upper(std::string text);

class Parser {
 public:
  explicit Parser(const std::string& sql);

  bool AtKeyword(const char* word, size_t ahead = 0) const;
  bool AtPunct(char c, size_t ahead = 0) const;
  // A word or quoted name, not a literal nor a mark.
  bool AtName(size_t ahead = 0) const;
  bool AtLiteral() const;
  bool AtNumber() const;
  // Nothing left but a closing ";".
  bool AtEnd() const;
  bool Accept(const char* word);
  bool Accept(char c);
  void Expect(const char* word);
  void Expect(char c);
  // A name: upper case unless quoted.
  std::string Name();
  TQualifiedName QualifiedName();
  std::vector<std::string> NameList();
  // The text between a parenthesis and its partner, as written.
  std::string Parenthesised();
  // "(<digits>)".
  std::string Number();
  // A bare run of digits.
  std::string Digits();
  // A literal's value: quotes taken off, doubled quotes single.
  std::string Literal();
  // "10M", "800K", "64".
  std::string Size();
  // The count of "?" marks in parentheses.
  size_t Marks();
  void End();
  // Where the next token starts in the statement (its length at the end).
  size_t Offset() const;
  // Steps over the next token, whatever it is.
  void TakeOne();
  // The tokens from here to the end; the parser is then at the end.
  std::vector<Token> TakeRest();
  [[noreturn]] void Fail() const;

 private:
  const std::string& sql_;
  std::vector<Token> tokens_;
  size_t pos_ = 0;
};

}  // namespace symfoware
