// The test server's statement service: it answers the SQL requests of a
// connection from its table set. PREPARE keeps a statement by section
// number and answers with the PREPARE directory; DESCRIBE and DESCRIBE
// TYPE answer descriptions; the execute family runs INSERT and DELETE
// with the request's input values; OPEN keeps a cursor over the rows a
// SELECT selects, and FETCH returns them; COMMIT keeps and ROLLBACK undoes the changes since the
// transaction began. For a client that keeps a statement list, a FETCH
// that carries the OPEN the client completed itself opens the cursor
// first, and the end of the rows closes the cursor; held cursors stay
// open over COMMIT, and kept statements outlive the transaction. Each
// connection has an engine of its own over the tables that they share; a
// ROLLBACK puts back the tables as its transaction found them. The
// server information request answers with the code set and the two bytes
// the configuration gives.
#pragma once

#include <stdint.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "marlo_block.h"
#include "marlo_fetch.h"
#include "marlo_reply.h"
#include "marlo_sql.h"
#include "marlo_tables.h"
#include "marlo_trace.h"

namespace marlo {

// Bytes 26 and 27 of the server information, beside its code set.
struct server_info {
  uint8_t byte26 = 0;
  uint8_t byte27 = 0;
};

struct engine_config {
  bool little_endian = false;
  uint32_t level = 26;           // the server level; the level word sent is its complement
  std::string code_set = "1j";
  std::string version = "07-02-00";
  uint32_t pid = 4711;
  uint8_t standard_sqlstate = 0;  // byte +36 of the connection information (level 26)
  // Status bytes 6, 7 and 16 by server function, in place of the engine's own.
  std::map<std::string, status_bytes> statuses;
  fetch_options fetch;
  // The statement kind a PREPARE reports, by section, in place of the
  // engine's own (0x4000 for a SELECT).
  std::map<uint16_t, uint16_t> statement_kinds;
  // COMMIT and ROLLBACK drop the prepared statements that are not kept
  // over the end of a transaction (the PREPARE's keep byte).
  bool transaction_statements = false;
  block_options block;
  trace_options trace;           // what the replies add for the client's traces
  server_info info;
};

// A cursor opened by OPEN: the selected columns and rows, and the next row.
struct cursor {
  std::vector<column> columns;
  std::vector<std::vector<cell>> rows;
  size_t next = 0;
  bool held = false;  // stays open over COMMIT
  // A generated table's rows, made as the cursor reaches them, and the
  // selected columns' places in them.
  const generated_rows* generated = nullptr;
  std::vector<int> selected;
  size_t blocks = 0;  // block replies sent
  size_t count() const { return generated != nullptr ? generated->count : rows.size(); }
  std::vector<cell> row(size_t i) const;
  // Up to `most` rows from the next one on.
  std::vector<std::vector<cell>> ahead(size_t most) const;
};

class engine {
 public:
  engine(table_set tables, engine_config config);
  // An engine of one connection among several that share the tables.
  engine(std::shared_ptr<table_set> tables, engine_config config);

  // The reply body to a request of `function`; false when the function
  // is not one this service answers.
  bool answer(const std::string& function, const std::vector<uint8_t>& packet, std::vector<uint8_t>* body);

  table_set& tables() { return *tables_; }
  // Open cursors by section number and cursor name: several cursors may
  // share a section.
  using cursor_key = std::pair<uint16_t, std::string>;
  const std::map<cursor_key, cursor>& cursors() const { return cursors_; }

 private:
  struct prepared {
    statement st;
    std::string text;
    bool held = false;  // its cursors stay open over COMMIT
    bool kept = false;  // it outlives the end of its transaction
  };
  struct request_view;

  reply connect_reply() const;
  reply server_information(const request_view& rq) const;
  reply prepare(const request_view& rq);
  reply describe(const request_view& rq);
  reply describe_type(const request_view& rq);
  reply execute(const request_view& rq, const statement& st, size_t into);
  // `inputs`: the first list carries the OPEN's values.
  reply open(const request_view& rq, const statement& st, bool inputs = true);
  // A FETCH that carries its cursor's OPEN, which the client completed
  // without the server: the cursor is opened first.
  reply carried_open(const request_view& rq, bool* list_moved);
  reply close(const request_view& rq);
  // The open cursor's next row (SQLCODE 100 after the last), by the
  // description the FETCH carries or the one kept for its section.
  std::vector<uint8_t> fetch(const request_view& rq);
  // The next rows of a cursor whose FETCH asks for a block of `asked`.
  std::vector<uint8_t> fetch_block(const request_view& rq, cursor& c, const std::vector<fetch_entry>& d,
                                   uint16_t asked);
  std::vector<uint8_t> encode(reply r, const std::string& function) const;
  void end_transaction(bool commit);

  // The section of the statement a request runs: an extended cursor's
  // statement, the request's statement section, or its own section.
  uint16_t statement_section(const request_view& rq) const;
  reply allocate_cursor(const request_view& rq);
  void deallocate(const request_view& rq);
  // The statement a request names: its own SQL text, or the one that
  // PREPARE kept under its section. Empty reason, or why there is none.
  std::string statement_of(const request_view& rq, statement* st) const;
  // Columns of the statement's table that its operands and results use.
  std::string resolve(const statement& st, const table** t, std::vector<int>* selected,
                      std::vector<int>* marker_columns) const;

  std::vector<uint8_t> description(const std::vector<column>& cols) const;
  std::vector<uint8_t> names(const std::vector<column>& cols, bool packed) const;
  std::vector<uint8_t> per_column(const std::vector<int>& positions) const;
  std::vector<uint8_t> charsets(const std::vector<column>& cols) const;
  std::vector<uint8_t> type_names(const std::vector<column>& cols) const;
  reply error(int32_t sqlcode, const char* sqlstate, const std::string& message) const;

  std::shared_ptr<table_set> tables_;
  table_set saved_;       // the tables as the transaction found them
  bool changed_ = false;  // saved_ holds the transaction's start
  engine_config config_;
  byte_order order_;
  std::map<uint16_t, prepared> prepared_;
  std::map<cursor_key, cursor> cursors_;
  std::map<std::string, uint16_t> named_;      // extended statement name -> section
  std::map<std::string, uint16_t> allocated_;  // extended cursor name -> its statement's section
  // The CONNECT asked that NULL values carry data (PDDFLNVAL=USE): the
  // replies carry a blank SQLCA mark, the client then takes FETCH replies
  // in the SQLDA form, and values follow NULL indicators.
  bool null_data_ = false;
  // By section; kept over CLOSE and OPEN, since the client sends a
  // description only when its list changes.
  std::map<uint16_t, std::vector<fetch_entry>> descriptions_;
  std::map<uint16_t, uint16_t> list_sqln_;  // and the sqln of the list each described
};

}  // namespace marlo
