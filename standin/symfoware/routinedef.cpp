#include "standin/symfoware/routinedef.h"

#include <algorithm>

namespace symfoware {

namespace {

// Data type codes of RDBII_PROC_COL.
enum TDataType {
  kChar = 1,
  kCharVarying,
  kBlob,
  kNChar,
  kNCharVarying,
  kInt,
  kSmallint,
  kNumeric,
  kDecimal,
  kFloat,
  kDouble,
  kReal,
  kTimestamp,
  kDate,
  kTime,
  kInterval,
};
constexpr int kDefaultCharLength = 1;

// Words that close a block of their own ("END IF"), not a BEGIN.
const char* const kBlockWords[] = {"IF", "LOOP", "WHILE", "CASE", "REPEAT", "FOR"};
// Words after which an unqualified name is a table.
const char* const kTableWords[] = {"FROM", "JOIN", "INTO", "UPDATE"};

bool IsWord(const Token& t, const char* word) { return t.kind == Token::Word && Upper(t.text) == word; }
bool IsPunct(const Token& t, char c) { return t.kind == Token::Punct && t.text[0] == c; }
bool IsName(const Token& t) { return t.kind == Token::Quoted || (t.kind == Token::Word && t.text[0] != '\''); }
std::string NameText(const Token& t) { return t.kind == Token::Quoted ? t.text : Upper(t.text); }

int Int(const std::string& digits) { return std::stoi(digits); }

// "(n)" or "(p, s)" after a type name, when given.
void ReadSizes(Parser& p, std::optional<int>& first, std::optional<int>* second) {
  if (!p.Accept('(')) return;
  first = Int(p.Digits());
  if (second && p.Accept(',')) *second = Int(p.Digits());
  p.Expect(')');
}

void ReadIntervalField(Parser& p, std::optional<int>& precision) {
  for (const char* field : {"YEAR", "MONTH", "DAY", "HOUR", "MINUTE", "SECOND"})
    if (p.Accept(field)) {
      std::optional<int> given;
      ReadSizes(p, given, nullptr);
      if (given && !precision) precision = given;
      return;
    }
  p.Fail();
}

// A data type and its sizes into the parameter.
void ReadType(Parser& p, TRoutineParam& param) {
  const auto character = [&](int plain, int varying) {
    const bool vary = p.Accept("VARYING");
    param.dataType = vary ? varying : plain;
    ReadSizes(p, param.length, nullptr);
    if (!param.length && !vary) param.length = kDefaultCharLength;
    if (!param.length) p.Fail();
  };
  if (p.Accept("CHAR") || p.Accept("CHARACTER")) {
    character(kChar, kCharVarying);
  } else if (p.Accept("VARCHAR")) {
    param.dataType = kCharVarying;
    ReadSizes(p, param.length, nullptr);
    if (!param.length) p.Fail();
  } else if (p.Accept("NCHAR")) {
    character(kNChar, kNCharVarying);
  } else if (p.Accept("NATIONAL")) {
    if (!p.Accept("CHAR")) p.Expect("CHARACTER");
    character(kNChar, kNCharVarying);
  } else if (p.Accept("BLOB")) {
    param.dataType = kBlob;
    if (p.Accept('(')) {
      p.Size();
      p.Expect(')');
    }
  } else if (p.Accept("INT") || p.Accept("INTEGER")) {
    param.dataType = kInt;
  } else if (p.Accept("SMALLINT")) {
    param.dataType = kSmallint;
  } else if (p.Accept("NUMERIC")) {
    param.dataType = kNumeric;
    ReadSizes(p, param.precision, &param.scale);
  } else if (p.Accept("DECIMAL") || p.Accept("DEC")) {
    param.dataType = kDecimal;
    ReadSizes(p, param.precision, &param.scale);
  } else if (p.Accept("FLOAT")) {
    param.dataType = kFloat;
    ReadSizes(p, param.precision, nullptr);
  } else if (p.Accept("DOUBLE")) {
    p.Expect("PRECISION");
    param.dataType = kDouble;
  } else if (p.Accept("REAL")) {
    param.dataType = kReal;
  } else if (p.Accept("TIMESTAMP")) {
    param.dataType = kTimestamp;
  } else if (p.Accept("DATE")) {
    param.dataType = kDate;
  } else if (p.Accept("TIME")) {
    param.dataType = kTime;
  } else if (p.Accept("INTERVAL")) {
    param.dataType = kInterval;
    ReadIntervalField(p, param.precision);
    if (p.Accept("TO")) ReadIntervalField(p, param.precision);
  } else {
    p.Fail();
  }
  if (p.Accept("NOT")) {
    p.Expect("NULL");
    param.nullable = false;
  }
}

bool AtTypeName(const Parser& p) {
  for (const char* word : {"CHAR", "CHARACTER", "VARCHAR", "NCHAR", "NATIONAL", "BLOB", "INT", "INTEGER", "SMALLINT",
                           "NUMERIC", "DECIMAL", "DEC", "FLOAT", "DOUBLE", "REAL", "TIMESTAMP", "DATE", "TIME",
                           "INTERVAL"})
    if (p.AtKeyword(word)) return true;
  return false;
}

// "[IN | OUT | INOUT] [name] type [NOT NULL]": a procedure's parameters
// are named, a function's are not.
TRoutineParam ReadParam(Parser& p, bool function) {
  TRoutineParam param;
  if (p.Accept("INOUT")) param.mode = kModeInOut;
  else if (p.Accept("OUT")) param.mode = kModeOut;
  else p.Accept("IN");
  if (!function || !AtTypeName(p)) param.name = p.Name();
  ReadType(p, param);
  return param;
}

std::vector<TQualifiedName> UsedTables(const std::vector<Token>& body) {
  std::vector<TQualifiedName> used;
  const auto add = [&](TQualifiedName name) {
    const auto same = [&](const TQualifiedName& u) { return u.schema == name.schema && u.name == name.name; };
    if (std::none_of(used.begin(), used.end(), same)) used.push_back(std::move(name));
  };
  for (size_t i = 0; i < body.size(); ++i) {
    const bool qualified = i + 2 < body.size() && IsName(body[i]) && IsPunct(body[i + 1], '.') && IsName(body[i + 2]) &&
                           (i == 0 || !IsPunct(body[i - 1], '.'));
    if (qualified) {
      const bool longer = i + 3 < body.size() && (IsPunct(body[i + 3], '.') || IsPunct(body[i + 3], '('));
      if (!longer) add({NameText(body[i]), NameText(body[i + 2])});
      continue;
    }
    const bool afterTableWord =
        i > 0 && std::any_of(std::begin(kTableWords), std::end(kTableWords), [&](const char* w) {
          return IsWord(body[i - 1], w);
        });
    if (afterTableWord && IsName(body[i]) && !(i + 1 < body.size() && IsPunct(body[i + 1], '.')))
      add({{}, NameText(body[i])});
  }
  return used;
}

// A procedure body: one BEGIN ... END block whose statements each end
// with ";", blocks of IF, LOOP and the like closing with their own word.
// An inner BEGIN ... END is a statement of its block.
void CheckProcedureBody(Parser& p) {
  p.Expect("BEGIN");
  int depth = 1;
  bool statementOpen = false;
  while (depth > 0) {
    if (p.AtEnd()) p.Fail();
    const bool blockEnd = p.AtKeyword("END") && std::none_of(std::begin(kBlockWords), std::end(kBlockWords),
                                                             [&](const char* w) { return p.AtKeyword(w, 1); });
    if (p.Accept("BEGIN")) {
      ++depth;
      statementOpen = false;
    } else if (blockEnd) {
      if (statementOpen) p.Fail();
      p.Expect("END");
      statementOpen = --depth > 0;
    } else {
      statementOpen = !p.Accept(';');
      if (statementOpen) p.TakeOne();
    }
  }
  p.End();
}

}  // namespace

std::optional<TCreateRoutine> ParseCreateRoutine(const std::string& sql) {
  Parser p(sql);
  if (!p.Accept("CREATE")) return std::nullopt;
  TCreateRoutine routine;
  if (p.Accept("FUNCTION")) routine.function = true;
  else if (!p.Accept("PROCEDURE")) return std::nullopt;
  routine.name = p.QualifiedName();
  p.Expect('(');
  if (!p.Accept(')')) {
    do routine.params.push_back(ReadParam(p, routine.function));
    while (p.Accept(','));
    p.Expect(')');
  }
  if (!routine.function) {
    if (p.Accept("COMMENT")) routine.comment = p.Literal();
    const size_t body = p.Offset();
    CheckProcedureBody(p);
    routine.used = UsedTables(Tokens(sql.substr(body)));
    return routine;
  }
  p.Expect("RETURNS");
  TRoutineParam result;
  result.mode = kModeReturn;
  ReadType(p, result);
  routine.params.push_back(result);
  bool language = false;
  while (!p.AtEnd()) {
    if (p.Accept("COMMENT")) {
      routine.comment = p.Literal();
    } else if (p.Accept("LANGUAGE")) {
      p.Expect("C");
      language = true;
    } else if (p.Accept("NAME")) {
      routine.symbol = p.Literal();
    } else if (p.Accept("LIBRARY")) {
      routine.library = p.Literal();
    } else {
      p.Fail();
    }
  }
  if (!language || routine.symbol.empty() || routine.library.empty()) p.Fail();
  return routine;
}

std::optional<TCreateTrigger> ParseCreateTrigger(const std::string& sql) {
  Parser p(sql);
  if (!p.Accept("CREATE") || !p.Accept("TRIGGER")) return std::nullopt;
  TCreateTrigger trigger;
  trigger.name = p.QualifiedName();
  if (p.Accept("BEFORE")) trigger.timing = "BEFORE";
  else if (p.Accept("AFTER")) trigger.timing = "AFTER";
  else p.Fail();
  for (const char* event : {"INSERT", "DELETE", "UPDATE"})
    if (p.Accept(event)) trigger.event = event;
  if (trigger.event.empty()) p.Fail();
  if (trigger.event == "UPDATE" && p.Accept("OF")) {
    do trigger.columns.push_back(p.Name());
    while (p.Accept(','));
  }
  p.Expect("ON");
  trigger.table = p.QualifiedName();
  if (p.Accept("REFERENCING")) {
    do {
      const bool old = p.Accept("OLD");
      if (!old) p.Expect("NEW");
      p.Accept("ROW");
      p.Accept("AS");
      (old ? trigger.oldName : trigger.newName) = p.Name();
    } while (p.AtKeyword("OLD") || p.AtKeyword("NEW"));
  }
  if (p.Accept("FOR")) {
    p.Expect("EACH");
    if (p.Accept("ROW")) trigger.row = true;
    else p.Expect("STATEMENT");
  }
  if (p.Accept("WHEN")) {
    if (!trigger.row) p.Fail();
    trigger.condition = p.Parenthesised();
    const size_t first = trigger.condition.find_first_not_of(" \t\r\n");
    const size_t last = trigger.condition.find_last_not_of(" \t\r\n");
    trigger.condition = first == std::string::npos ? "" : trigger.condition.substr(first, last - first + 1);
    if (trigger.condition.empty()) p.Fail();
  }
  if (p.AtEnd()) p.Fail();
  trigger.body = sql.substr(p.Offset());
  trigger.body.erase(trigger.body.find_last_not_of(" \t\r\n") + 1);
  trigger.used = UsedTables(p.TakeRest());
  return trigger;
}

std::optional<TCall> ParseCall(const std::string& sql) {
  Parser p(sql);
  if (!p.Accept("CALL")) return std::nullopt;
  TCall call{p.QualifiedName(), {}};
  p.Expect('(');
  if (p.Accept(')')) {
    p.End();
    return call;
  }
  // Each argument up to a comma or the closing parenthesis at its level.
  for (;;) {
    bool marker = p.AtPunct('?') && (p.AtPunct(',', 1) || p.AtPunct(')', 1));
    int depth = 0;
    bool any = false;
    while (depth > 0 || !(p.AtPunct(',') || p.AtPunct(')'))) {
      if (p.AtEnd()) p.Fail();
      if (p.AtPunct('(')) ++depth;
      if (p.AtPunct(')')) --depth;
      p.TakeOne();
      any = true;
    }
    if (!any) p.Fail();
    call.markers.push_back(marker);
    if (p.Accept(')')) break;
    p.Expect(',');
  }
  p.End();
  return call;
}

}  // namespace symfoware
