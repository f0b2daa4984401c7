#include "standin/symfoware/storage.h"

#include "standin/symfoware/createtable.h"

#include <cctype>
#include <regex>

#include "platform/sqlbackend.h"
#include "standin/symfoware/parser.h"
#include "standin/symfoware/sqlite.h"

namespace symfoware {

namespace {

using platform::SqlError;

// The unit letters of a size and the byte word the report prints after them.
const char kByteWord[] = " byte)";
const char kNoUnit[] = "  byte)";


// The settings inside TYPE <structure>( ... ).
void ReadStructure(Parser& p, TCreateDso& dso) {
  const bool sequential = dso.structure == "SEQUENTIAL";
  const bool random = dso.structure == "RANDOM";
  const bool twoPages = random || dso.structure == "BTREE";
  p.Expect('(');
  do {
    if (!twoPages && p.Accept("PAGESIZE")) {
      dso.pageSize1 = p.Number();
    } else if (twoPages && p.Accept("PAGESIZE1")) {
      dso.pageSize1 = p.Number();
    } else if (twoPages && p.Accept("PAGESIZE2")) {
      dso.pageSize2 = p.Number();
    } else if (sequential && p.Accept("ORDER")) {
      dso.order = p.Number();
    } else if (sequential && p.Accept("PRECEDENCE")) {
      dso.precedence = p.Number() != "0";
    } else if (random && p.Accept("CLUSTER")) {
      dso.cluster = p.NameList();
      if (p.Accept("NOT")) {
        p.Expect("UNIQUE");
        dso.notUnique = true;
      }
    } else if (random && p.Accept("RULE")) {
      dso.rule = p.Parenthesised();
    } else if (dso.index && (p.AtKeyword("REALIGNMENT") || p.AtKeyword("DEGENERATE"))) {
      dso.indexOption = p.Name();
    } else {
      p.Fail();
    }
  } while (p.Accept(','));
  p.Expect(')');
  if (dso.pageSize1.empty() || (twoPages && dso.pageSize2.empty())) p.Fail();
}

TCreateDso ReadCreateDso(Parser& p) {
  TCreateDso dso;
  dso.dso = p.Name();
  if (p.Accept("INDEX")) {
    dso.index = true;
    p.Expect("ON");
    dso.table = p.QualifiedName();
    dso.keyColumns = p.NameList();
    p.Expect("TYPE");
    p.Expect("BTREE");
    dso.structure = "BTREE";
    ReadStructure(p, dso);
  } else {
    p.Expect("FROM");
    dso.table = p.QualifiedName();
    p.Expect("TYPE");
    if (!p.AtKeyword("SEQUENTIAL") && !p.AtKeyword("RANDOM") && !p.AtKeyword("OBJECT")) p.Fail();
    dso.structure = p.Name();
    ReadStructure(p, dso);
    if (dso.structure != "OBJECT" && p.Accept("WHERE")) {
      dso.divideColumns = p.NameList();
      size_t marks = 0;
      if (p.Accept('=')) {
        marks = p.Marks();
      } else {
        p.Expect("BETWEEN");
        marks = p.Marks();
        p.Expect("AND");
        if (p.Marks() != marks) p.Fail();
        dso.rangeDivided = true;
      }
      if (marks != dso.divideColumns.size()) p.Fail();
    }
  }
  p.End();
  return dso;
}

// "<space> SIZE <size>", then further ones under it.
void ReadSpaces(Parser& p, TCreateDsi& dsi, const std::string& kind) {
  do {
    TDsiSpace space{kind, p.Name(), {}};
    p.Expect("SIZE");
    space.size = p.Size();
    dsi.spaces.push_back(space);
  } while (p.AtName() && p.AtKeyword("SIZE", 1));
}

TCreateDsi ReadCreateDsi(Parser& p) {
  TCreateDsi dsi;
  dsi.dsi = p.Name();
  dsi.index = p.Accept("INDEX");
  p.Expect("DSO");
  dsi.dso = p.Name();
  if (!dsi.index && p.Accept("USING")) dsi.divideValue = p.Parenthesised();
  if (dsi.index && p.Accept("OPTION")) {
    p.Expect('(');
    if (!p.AtKeyword("REALIGNMENT") && !p.AtKeyword("DEGENERATE")) p.Fail();
    dsi.option = p.Name();
    p.Expect(')');
  }
  if (dsi.index && p.Accept("BASE")) dsi.baseDsi = p.Name();
  if (p.Accept("ALLOCATE")) {
    const char* const kinds[] = {"DATA", "PRIME", "BASE"};
    std::string kind;
    for (const char* k : kinds)
      if ((std::string(k) == "BASE") == dsi.index && p.Accept(k)) kind = k;
    if (kind.empty()) p.Fail();
    p.Expect("ON");
    ReadSpaces(p, dsi, kind);
  }
  const char* further = dsi.index ? "INDEX" : "OVERFLOW";
  while (p.AtPunct(',') && p.AtKeyword(further, 1)) {
    p.Expect(',');
    p.Expect(further);
    p.Expect("ON");
    ReadSpaces(p, dsi, further);
  }
  if (p.Accept(',')) {
    p.Expect("FORMAT");
    p.Expect("EXPAND");
    if (!p.Accept("OFF")) {
      p.Expect("ON");
      do dsi.spaces.push_back({"EXPAND", p.Name(), {}});
      while (p.Accept(','));
      if (p.Accept("ALARM")) dsi.alarm = p.Size();
      if (p.Accept("CAPACITY")) dsi.capacity = p.Size();
      p.Expect("SIZE");
      dsi.expandSize = p.Size();
    }
  }
  p.End();
  return dsi;
}

// "CREATE INDEX [<schema>.]<table>.<index> KEY(<keys>) [ON <space>]".
TCreateDso ReadCreateIndex(Parser& p) {
  TCreateDso index;
  index.index = true;
  std::vector<std::string> parts{p.Name()};
  while (p.Accept('.')) parts.push_back(p.Name());
  if (parts.size() < 2 || parts.size() > 3) p.Fail();
  index.dso = parts.back();
  index.table = {parts.size() == 3 ? parts[0] : std::string(), parts[parts.size() - 2]};
  p.Expect("KEY");
  index.keyColumns = p.NameList();
  if (p.Accept("ON")) p.Name();
  p.End();
  return index;
}

}  // namespace

std::optional<TStorageStatement> ParseStorageStatement(const std::string& sql) {
  static const std::regex kHead(R"(^\s*(CREATE|DROP)\s+(DSO|DSI|SCOPE)\b)", std::regex::icase);
  // SQLite's own CREATE INDEX (ON before the keys) is no storage statement.
  static const std::regex kCreateIndex(R"(^\s*CREATE\s+INDEX\s+[^(]*\bKEY\s*\()", std::regex::icase);
  if (!StartsWithWord(sql, "CREATE") && !StartsWithWord(sql, "DROP")) return std::nullopt;
  std::smatch m;
  if (std::regex_search(sql, m, kCreateIndex)) {
    Parser p(sql);
    p.Expect("CREATE");
    p.Expect("INDEX");
    return ReadCreateIndex(p);
  }
  if (!std::regex_search(sql, m, kHead)) return std::nullopt;
  Parser p(sql);
  const bool create = p.Accept("CREATE");
  if (!create) p.Expect("DROP");
  if (p.Accept("SCOPE")) {
    const std::string scope = p.Name();
    if (!create) {
      p.End();
      return TDropScope{scope};
    }
    p.Expect("DSI");
    TCreateScope s{scope, p.NameList()};
    p.End();
    return s;
  }
  const bool dso = p.Accept("DSO");
  if (!dso) p.Expect("DSI");
  if (create) {
    if (dso) return ReadCreateDso(p);
    return ReadCreateDsi(p);
  }
  TDropStorage drop{dso, p.QualifiedName()};
  p.Accept("CASCADE");
  p.End();
  return drop;
}

std::string ReportSize(const std::string& size) {
  if (!size.empty() && std::isalpha(static_cast<unsigned char>(size.back())))
    return size.substr(0, size.size() - 1) + "(" + size.back() + kByteWord;
  return size + "(" + kNoUnit;
}

}  // namespace symfoware
