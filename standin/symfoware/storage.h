// The storage statements the stand-in keeps in its catalogue alone: CREATE
// DSO (of a table or of an index), CREATE DSI, CREATE and DROP SCOPE, DROP
// DSI and DROP DSO of a table's structure. A statement is read into a plain
// record first; what the catalogue then keeps of it is written by the
// catalogue upkeep.
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "standin/symfoware/parser.h"

namespace symfoware {

// "CREATE DSO <dso> FROM <table> TYPE ..." or "CREATE DSO <dso> INDEX ON
// <table>(<keys>) TYPE BTREE(...)"; also "CREATE INDEX <schema>.<table>.
// <index> KEY(<keys>) [ON <space>]", an index whose storage the server
// chooses (no structure).
struct TCreateDso {
  std::string dso;
  TQualifiedName table;
  bool index = false;
  std::string structure;  // SEQUENTIAL, RANDOM, OBJECT or BTREE
  std::string pageSize1;  // PAGESIZE or PAGESIZE1
  std::string pageSize2;  // PAGESIZE2
  std::string order;      // "0" or "1"; empty when not given
  bool precedence = false;
  std::vector<std::string> cluster;
  bool notUnique = false;
  std::string rule;  // as written between RULE's parentheses
  std::vector<std::string> divideColumns;
  bool rangeDivided = false;
  std::vector<std::string> keyColumns;  // of an index
  std::string indexOption;              // REALIGNMENT, DEGENERATE or empty
};

// One database space of a DSI with its size as written ("10M", "256K").
struct TDsiSpace {
  std::string kind;  // DATA, PRIME, OVERFLOW, BASE, INDEX or EXPAND
  std::string space;
  std::string size;  // empty for EXPAND
};

// "CREATE DSI <dsi> [INDEX] DSO <dso> ...".
struct TCreateDsi {
  std::string dsi;
  std::string dso;
  bool index = false;
  std::string divideValue;  // as written between USING's parentheses
  std::string option;       // REALIGNMENT, DEGENERATE or empty
  std::string baseDsi;
  std::vector<TDsiSpace> spaces;  // EXPAND rows after the allocations
  std::string alarm;
  std::string capacity;
  std::string expandSize;
};

struct TCreateScope {
  std::string scope;
  std::vector<std::string> dsis;
};

struct TDropScope {
  std::string scope;
};

// "DROP DSI <name> [CASCADE]" and "DROP DSO <name> [CASCADE]".
struct TDropStorage {
  bool dso = false;
  TQualifiedName name;
};

using TStorageStatement = std::variant<TCreateDso, TCreateDsi, TCreateScope, TDropScope, TDropStorage>;

// The statement read, or nothing when it is no storage statement. A storage
// statement that breaks the grammar raises SqlError in the server's words.
std::optional<TStorageStatement> ParseStorageStatement(const std::string& sql);

// A size as written ("10M", "800K", "64") as the definition report prints
// it: "10(M byte)".
std::string ReportSize(const std::string& size);

}  // namespace symfoware
