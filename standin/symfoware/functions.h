// Symfoware scalar functions that SQLite lacks, registered on each
// stand-in connection.
#pragma once

struct sqlite3;

namespace symfoware {

// RPAD(text, n [, pad]) and LPAD(text, n [, pad]): the text padded on the
// right or left (with blanks, or the pad text repeated) or cut to n
// characters; NEXTVAL(schema, sequence), the next value of a catalogue
// sequence, kept as its current value.
void RegisterFunctions(sqlite3* db);

}  // namespace symfoware
