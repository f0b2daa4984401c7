// The stand-in's statement rewriter: turns Symfoware SQL into what SQLite
// runs. Only code is touched; literals, quoted names and comments pass
// unchanged.
#pragma once

#include <string>

namespace symfoware {

// - "WITH OPTION" clauses are dropped, also when glued to a literal
//   ("'T'WITH OPTION LOCK_MODE(NO LOCK)"); a LIMIT (n) option among them
//   becomes SQLite's "LIMIT n"; one inside parentheses raises SqlError,
//   as the server takes them only at a statement's end;
// - ":NAME" markers become one "?" per occurrence;
// - a value compared with DB_NAME (also trimmed) is upper-cased, as the
//   catalogue holds database names;
// - "<schema>.<sequence>.NEXTVAL" becomes NEXTVAL('<schema>', '<sequence>');
// - in a SELECT, "<schema>.<function>(...)" becomes
//   STANDIN_FUNCTION('<schema>', '<function>', ...), which answers for the
//   routine (routinecall.h);
// - the typed-literal prefixes N, DATE, TIME and TIMESTAMP before a string
//   literal are dropped, leaving the literal;
// - an interval type's leading precision moves behind its last field and
//   its TO is quoted ("INTERVAL DAY(2) TO SECOND" becomes
//   "INTERVAL DAY "TO" SECOND(2)"), a type name SQLite takes.
std::string RewriteStatement(const std::string& sql);

}  // namespace symfoware
