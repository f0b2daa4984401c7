#include "marlo_engine.h"

#include <string.h>

#include <algorithm>

#include "marlo_array.h"
#include "marlo_values.h"

namespace marlo {

namespace {

// Statement request: body fields and header slots.
constexpr uint32_t kBody = 52;
constexpr uint32_t kReqcode = 56;
constexpr uint32_t kSection = 60;
constexpr uint32_t kTextOffset = 72;
constexpr uint32_t kName1Offset = 80;
constexpr uint32_t kOutCount = 88;
constexpr uint32_t kStmtSection = 94;
constexpr uint32_t kHoldByte = 97;
constexpr uint32_t kKeepByte = 108;
constexpr uint32_t kStmtFlags = 109;
// Statement flags of a FETCH of a cursor in the client's statement list:
// it carries the OPEN that the client completed itself.
constexpr uint8_t kFlagCarriedOpen = 0x02;
// ... and that it keeps the list: the end of the rows closes the cursor,
// whose CLOSE the client then completes itself.
constexpr uint8_t kFlagListed = 0x04;
// ... and of a PREPARE: its SET-variables byte was 'Y'.
constexpr uint8_t kFlagSetVariables = 0x01;
constexpr uint32_t kSlotSecondSqlda = 2;
constexpr uint32_t kConnectNullData = 241;
constexpr uint8_t kYes = 'Y';
constexpr uint32_t kArrayRows = 110;
constexpr size_t kRowsErrd = 2;  // sqlerrd[2]: the rows a FETCH returned
constexpr uint32_t kSlotTable = 20;
constexpr uint32_t kSlotFirstSqlda = 0;
constexpr uint32_t kSlotExtension = 5;
constexpr uint32_t kLevelArrayRows = 18;
constexpr uint32_t kLevelExtension = 13;
constexpr uint32_t kLevelArrayCounts = 20;
constexpr uint32_t kLevelCharsets = 24;
constexpr uint32_t kLevelStandardState = 26;
constexpr uint16_t kExtTypeOwner = 2;
constexpr uint16_t kExtTypeName = 3;
constexpr uint16_t kExtStatementName = 7;
constexpr uint16_t kExtCursorName = 8;
constexpr uint32_t kExtNameLength = 6;
constexpr uint32_t kExtNameHead = 8;
constexpr int kMaxElements = 64;

// Description part and name entries.
constexpr uint32_t kDescHead = 16;
constexpr uint32_t kDescEntry = 16;
constexpr uint32_t kNameRoom = 30;
constexpr uint32_t kNameEntry = 32;
constexpr uint32_t kCharsetHead = 32;
constexpr uint32_t kCharsetName = 64;
constexpr uint32_t kTypeOwnerRoom = 8;

// PREPARE directory, relative to its own start.
enum : uint32_t {
  kPrepInDesc = 4,
  kPrepInNames = 8,
  kPrepTypeNames = 12,
  kPrepInPerColumn = 16,
  kPrepOutDesc = 20,
  kPrepOutNames = 24,
  kPrepOutPerColumn = 32,
  kPrepInCharset = 36,
  kPrepOutCharset = 40,
  kPrepDirectory = 44,
};

// Extension part, relative to its own start.
constexpr uint32_t kExtTypeNames = 12;
constexpr uint32_t kExtArrayCounts = 28;
constexpr uint32_t kExtDirectory = 52;

// The connection information of a CONNECT reply.
constexpr uint32_t kInfoSize = 40;
constexpr uint32_t kInfoVersion = 2;
constexpr uint32_t kInfoPid = 12;
constexpr uint32_t kInfoLevel = 24;
constexpr uint32_t kInfoStandardState = 36;
constexpr uint32_t kInfoStatisticsArea = 28;
constexpr size_t kVersionSize = 10;

// The server information request's item and the 512 bytes it answers.
constexpr uint32_t kInfoItem = 56;
constexpr uint32_t kInfoItemServer = 1;
constexpr size_t kServerInfoSize = 512;
constexpr size_t kServerInfoCodeSet = 24;
constexpr size_t kServerInfoByte26 = 26;
constexpr size_t kServerInfoByte27 = 27;

// Statement kinds that PREPARE reports in sqlerrd[4]; a cursor
// specification is one of those the client's statement list keeps.
constexpr uint16_t kKindSelect = 0x4000;
constexpr uint16_t kKindInsert = 0x1100;
constexpr uint16_t kKindDelete = 0x1300;
constexpr uint8_t kStatusArrayInsert = 0x01;

// The server's own messages.
constexpr int32_t kSqlSyntax = -104;
constexpr int32_t kSqlNoTable = -204;
constexpr int32_t kSqlNoColumn = -205;
constexpr int32_t kSqlVariables = -313;
constexpr int32_t kSqlBadValue = -404;
constexpr int32_t kSqlNotNull = -407;
constexpr int32_t kSqlNoCursor = -501;
constexpr int32_t kSqlOpenCursor = -502;
constexpr int32_t kSqlNotFound = 100;
constexpr char kFetchFn[] = "p_f_sqa_cfetch";
constexpr int32_t kSqlNotPrepared = -514;
constexpr int32_t kSqlNeedsCursor = -515;

// The warning bits of values cut to their variables: sqlwarn0, and
// sqlwarn1 for character data.
constexpr uint8_t kWarnAny = 0x80;
constexpr uint8_t kWarnCut = 0x40;

// A reply of values cut to their variables warns as a server does.
void warn_if_cut(bool cut, reply* r) {
  if (!cut) return;
  r->warnings[0] |= kWarnAny | kWarnCut;
  if (r->sqlcode == 0) r->sqlstate = "01000";
}

void put_name(uint8_t* entry, const byte_order& o, const std::string& name, uint32_t room) {
  const uint32_t n = std::min<uint32_t>(static_cast<uint32_t>(name.size()), room);
  o.put16(entry, static_cast<uint16_t>(n));
  memcpy(entry + 2, name.data(), n);
}

std::vector<uint8_t> packed_name(const byte_order& o, const std::string& name, uint32_t room) {
  std::vector<uint8_t> b(2 + std::min<size_t>(name.size(), room), 0);
  put_name(b.data(), o, name, room);
  return b;
}


}  // namespace

struct engine::request_view {
  const std::vector<uint8_t>& p;
  byte_order o;
  uint32_t level;

  bool has(uint64_t at, uint64_t n) const { return at <= p.size() && n <= p.size() - at; }
  uint32_t u32(uint32_t at) const { return has(at, 4) ? o.u32(p.data() + at) : 0; }
  uint16_t u16(uint32_t at) const { return has(at, 2) ? o.u16(p.data() + at) : 0; }
  uint8_t byte(uint32_t at) const { return has(at, 1) ? p[at] : 0; }
  uint32_t slot(uint32_t i) const { return u32(kSlotTable + 4 * i); }
  uint16_t section() const { return u16(kSection); }
  // The cursor a request names: its section and its first name.
  std::pair<uint16_t, std::string> cursor() const {
    const uint32_t at = u32(kName1Offset);
    std::string name;
    for (uint32_t i = at; at != 0 && has(i, 1) && p[i] != 0; ++i) name += static_cast<char>(p[i]);
    return {section(), name};
  }
  std::string reqcode() const { return has(kReqcode, 4) ? std::string(p.begin() + kReqcode, p.begin() + kReqcode + 4) : ""; }
  uint16_t rows() const {
    const uint16_t r = level >= kLevelArrayRows ? u16(kArrayRows) : 0;
    return r >= 2 ? r : 1;
  }
  // The SQL text field, or empty when the request carries none.
  std::string text() const {
    const uint32_t off = u32(kTextOffset);
    if (off == 0) return "";
    const uint64_t at = static_cast<uint64_t>(kBody) + off;
    if (!has(at, 4)) return "";
    const uint32_t n = o.u32(p.data() + at);
    if (!has(at + 4, n)) return "";
    return std::string(p.begin() + static_cast<long>(at) + 4, p.begin() + static_cast<long>(at) + 4 + n);
  }
  // The name that extension element `kind` carries (u16 length, name).
  std::string element(uint16_t kind) const {
    uint32_t at = slot(kSlotExtension);
    for (int i = 0; at != 0 && i < kMaxElements && has(at, 6); ++i) {
      const uint16_t distance = u16(at + 2);
      if (u16(at) == kind) {
        const uint16_t n = u16(at + 4);
        return has(at + 6, n) ? std::string(p.begin() + at + 6, p.begin() + at + 6 + n) : "";
      }
      if (distance == 0) break;
      at += distance;
    }
    return "";
  }
  // An extended statement (7) or cursor (8) name: 'G', a reserved byte,
  // u16 length, name.
  std::string extended(uint16_t kind) const {
    uint32_t at = slot(kSlotExtension);
    for (int i = 0; at != 0 && i < kMaxElements && has(at, kExtNameHead); ++i) {
      if (u16(at) == kind) {
        const uint16_t n = u16(at + kExtNameLength);
        return has(at + kExtNameHead, n) ? std::string(p.begin() + at + kExtNameHead, p.begin() + at + kExtNameHead + n)
                                         : "";
      }
      const uint16_t distance = u16(at + 2);
      if (distance == 0) break;
      at += distance;
    }
    return "";
  }
  decode_context decoding() const { return decode_context{o, level, rows()}; }
};

engine::engine(table_set tables, engine_config config)
    : engine(std::make_shared<table_set>(std::move(tables)), std::move(config)) {}

engine::engine(std::shared_ptr<table_set> tables, engine_config config)
    : tables_(std::move(tables)), config_(std::move(config)), order_{config_.little_endian} {}

reply engine::error(int32_t sqlcode, const char* sqlstate, const std::string& message) const {
  reply r;
  r.sqlcode = sqlcode;
  r.sqlstate = sqlstate;
  r.message = "KFPA1" + std::to_string(1000 - sqlcode) + "-E " + message;
  return r;
}

reply engine::connect_reply() const {
  reply r;
  std::vector<uint8_t> info(kInfoSize, 0);
  memcpy(info.data(), config_.code_set.data(), std::min<size_t>(config_.code_set.size(), 2));
  memcpy(info.data() + kInfoVersion, config_.version.data(), std::min(config_.version.size(), kVersionSize));
  order_.put32(info.data() + kInfoPid, config_.pid);
  order_.put32(info.data() + kInfoLevel, ~config_.level);
  if (config_.level >= kLevelStandardState) info[kInfoStandardState] = config_.standard_sqlstate;
  order_.put32(info.data() + kInfoStatisticsArea, statistics_area(config_.trace));
  r.parts[kReplyExtension] = info;
  return r;
}

reply engine::server_information(const request_view& rq) const {
  const uint32_t item = rq.u32(kInfoItem);
  if (item != kInfoItemServer) return error(kSqlBadValue, "22023", "No server information item " + std::to_string(item));
  reply r;
  r.server_info.assign(kServerInfoSize, 0);
  memcpy(r.server_info.data() + kServerInfoCodeSet, config_.code_set.data(), std::min<size_t>(config_.code_set.size(), 2));
  r.server_info[kServerInfoByte26] = config_.info.byte26;
  r.server_info[kServerInfoByte27] = config_.info.byte27;
  return r;
}

std::vector<uint8_t> engine::description(const std::vector<column>& cols) const {
  std::vector<uint8_t> b(kDescHead + kDescEntry * cols.size(), 0);
  memcpy(b.data(), "SQLDA   ", 8);
  order_.put32(b.data() + 8, static_cast<uint32_t>(b.size()));
  order_.put16(b.data() + 12, static_cast<uint16_t>(cols.size()));
  order_.put16(b.data() + 14, static_cast<uint16_t>(cols.size()));
  for (size_t i = 0; i < cols.size(); ++i) {
    const column& c = cols[i];
    uint8_t* e = b.data() + kDescHead + kDescEntry * i;
    e[1] = c.described_code();
    order_.put16(e + 2, c.elements > 0 ? c.elements : 1);
    if (kind_of(c.code) == kind::decimal) {
      e[4] = c.precision;
      e[5] = c.scale;
    } else if (large_code(c.code)) {
      order_.put32(e + 4, c.length);
    } else {
      order_.put16(e + 4, static_cast<uint16_t>(c.length));
    }
  }
  return b;
}

// Column names: u16 count and 32-byte entries, or (DESCRIBE TYPE) packed
// entries of a u16 length and exactly that many bytes.
std::vector<uint8_t> engine::names(const std::vector<column>& cols, bool packed) const {
  std::vector<uint8_t> b(2, 0);
  order_.put16(b.data(), static_cast<uint16_t>(cols.size()));
  for (const column& c : cols) {
    if (packed) {
      const std::vector<uint8_t> e = packed_name(order_, c.name, kNameRoom);
      b.insert(b.end(), e.begin(), e.end());
    } else {
      b.resize(b.size() + kNameEntry, 0);
      put_name(b.data() + b.size() - kNameEntry, order_, c.name, kNameRoom);
    }
  }
  return b;
}

// One u32 per column: its position in its table, from 1.
std::vector<uint8_t> engine::per_column(const std::vector<int>& positions) const {
  std::vector<uint8_t> b(4 * positions.size(), 0);
  for (size_t i = 0; i < positions.size(); ++i) order_.put32(b.data() + 4 * i, static_cast<uint32_t>(positions[i] + 1));
  return b;
}

// The character-set part, from level 24, when a column names one.
std::vector<uint8_t> engine::charsets(const std::vector<column>& cols) const {
  std::vector<std::string> names_used;
  std::vector<uint16_t> codes;
  for (const column& c : cols) {
    uint16_t code = 0;
    if (!c.charset.empty()) {
      auto it = std::find(names_used.begin(), names_used.end(), c.charset);
      if (it == names_used.end()) it = names_used.insert(names_used.end(), c.charset);
      code = static_cast<uint16_t>(it - names_used.begin() + 1);
    }
    codes.push_back(code);
  }
  if (config_.level < kLevelCharsets || names_used.empty()) return {};
  std::vector<uint8_t> b(kCharsetHead + 2 * codes.size() + kCharsetName * names_used.size(), 0);
  memcpy(b.data(), "SQLCSNA ", 8);
  order_.put32(b.data() + 8, static_cast<uint32_t>(b.size()));
  order_.put16(b.data() + 12, static_cast<uint16_t>(codes.size()));
  order_.put16(b.data() + 14, static_cast<uint16_t>(codes.size()));
  order_.put16(b.data() + 16, static_cast<uint16_t>(names_used.size()));
  order_.put16(b.data() + 18, static_cast<uint16_t>(names_used.size()));
  for (size_t i = 0; i < codes.size(); ++i) order_.put16(b.data() + kCharsetHead + 2 * i, codes[i]);
  for (size_t i = 0; i < names_used.size(); ++i) {
    uint8_t* e = b.data() + kCharsetHead + 2 * codes.size() + kCharsetName * i;
    put_name(e + kNameEntry, order_, names_used[i], kNameRoom);
  }
  return b;
}

// Owner and type name of every column of a user-defined type.
std::vector<uint8_t> engine::type_names(const std::vector<column>& cols) const {
  std::vector<uint8_t> b(2, 0);
  uint16_t count = 0;
  for (const column& c : cols) {
    if (kind_of(c.code) != kind::named) continue;
    ++count;
    for (const std::vector<uint8_t>& e :
         {packed_name(order_, c.type_owner, kTypeOwnerRoom), packed_name(order_, c.type_name, kNameRoom)}) {
      b.insert(b.end(), e.begin(), e.end());
    }
  }
  order_.put16(b.data(), count);
  return b;
}

uint16_t engine::statement_section(const request_view& rq) const {
  // A cursor allocated under an extended name runs its statement's.
  if (auto cursor = allocated_.find(rq.extended(kExtCursorName)); cursor != allocated_.end()) return cursor->second;
  return rq.u16(kStmtSection) != 0 ? rq.u16(kStmtSection) : rq.section();
}

reply engine::allocate_cursor(const request_view& rq) {
  auto statement = named_.find(rq.extended(kExtStatementName));
  if (statement == named_.end()) return error(kSqlNotPrepared, "07003", "Statement not prepared");
  allocated_[rq.extended(kExtCursorName)] = statement->second;
  reply r;
  r.status.hold = prepared_[statement->second].held ? 1 : 0;
  return r;
}

void engine::deallocate(const request_view& rq) {
  const std::string name = rq.extended(kExtStatementName);
  auto named = named_.find(name);
  prepared_.erase(named != named_.end() ? named->second : rq.section());
  if (named != named_.end()) named_.erase(named);
}

std::string engine::statement_of(const request_view& rq, statement* st) const {
  const std::string text = rq.text();
  if (!text.empty()) return parse_statement(text, st);
  const uint16_t stmt = statement_section(rq);
  auto it = prepared_.find(stmt);
  if (it == prepared_.end()) return "no statement prepared under section " + std::to_string(stmt);
  *st = it->second.st;
  return "";
}

std::string engine::resolve(const statement& st, const table** t, std::vector<int>* selected,
                            std::vector<int>* marker_columns) const {
  *t = tables_->find(st.table);
  if (*t == nullptr) return "Table " + st.table + " not found";
  auto column_of = [&](const std::string& name, int* out) -> std::string {
    *out = (*t)->find(name);
    return *out < 0 ? "Column " + name + " not found" : "";
  };
  selected->clear();
  marker_columns->clear();
  if (st.columns.empty()) {
    for (size_t i = 0; i < (*t)->columns.size(); ++i) selected->push_back(static_cast<int>(i));
  } else {
    for (const std::string& c : st.columns) {
      int at = 0;
      if (std::string why = column_of(c, &at); !why.empty()) return why;
      selected->push_back(at);
    }
  }
  if (st.kind == statement_kind::insert) {
    if (st.values.size() != selected->size()) return "Number of values does not match the columns of " + st.table;
    for (size_t i = 0; i < st.values.size(); ++i) {
      if (st.values[i].marker) marker_columns->push_back((*selected)[i]);
    }
  }
  if (st.has_predicate) {
    int at = 0;
    if (std::string why = column_of(st.predicate_column, &at); !why.empty()) return why;
    if (st.predicate.marker) marker_columns->push_back(at);
  }
  return "";
}

reply engine::prepare(const request_view& rq) {
  statement st;
  const std::string text = rq.text();
  if (std::string why = parse_statement(text, &st); !why.empty()) return error(kSqlSyntax, "42000", why);
  const table* t = nullptr;
  std::vector<int> selected;
  std::vector<int> inputs;
  if (std::string why = resolve(st, &t, &selected, &inputs); !why.empty()) {
    return error(t == nullptr ? kSqlNoTable : kSqlNoColumn, t == nullptr ? "42S02" : "42S22", why);
  }
  prepared_[rq.section()] = prepared{st, text, rq.byte(kHoldByte) == 1, rq.byte(kKeepByte) == kYes};
  if (std::string name = rq.extended(kExtStatementName); !name.empty()) named_[name] = rq.section();
  std::vector<column> out_cols;
  std::vector<int> out_positions;
  if (st.kind == statement_kind::select) {
    out_positions = selected;
    for (int i : selected) out_cols.push_back(t->columns[static_cast<size_t>(i)]);
  }
  std::vector<column> in_cols;
  for (int i : inputs) in_cols.push_back(t->columns[static_cast<size_t>(i)]);
  reply r;
  r.statement_kind = st.kind == statement_kind::select ? kKindSelect
                     : st.kind == statement_kind::insert ? kKindInsert
                                                         : kKindDelete;
  if (auto kind = config_.statement_kinds.find(rq.section()); kind != config_.statement_kinds.end()) {
    r.statement_kind = kind->second;
  }
  r.status.hold = prepared_[rq.section()].held ? 1 : 0;
  if (st.kind == statement_kind::insert && !inputs.empty()) r.status.flags16 |= kStatusArrayInsert;
  // The directory describes the statement into the SQLDAs, which only a
  // PREPARE with its SET-variables flag brings.
  if ((rq.byte(kStmtFlags) & kFlagSetVariables) == 0) return r;
  part_builder dir(order_, kPrepDirectory);
  dir.add(kPrepOutDesc, description(out_cols));
  dir.add(kPrepOutNames, names(out_cols, false));
  dir.add(kPrepOutPerColumn, per_column(out_positions));
  dir.add(kPrepInDesc, description(in_cols));
  dir.add(kPrepInNames, names(in_cols, false));
  dir.add(kPrepInPerColumn, per_column(inputs));
  dir.add(kPrepTypeNames, type_names(in_cols));
  const std::vector<uint8_t> out_sets = charsets(out_cols);
  const std::vector<uint8_t> in_sets = charsets(in_cols);
  if (!out_sets.empty()) dir.add(kPrepOutCharset, out_sets);
  if (!in_sets.empty()) dir.add(kPrepInCharset, in_sets);
  r.parts[kReplyData] = dir.bytes();
  return r;
}

reply engine::describe(const request_view& rq) {
  auto it = prepared_.find(rq.section());
  if (it == prepared_.end()) return error(kSqlNotPrepared, "07003", "Statement not prepared");
  const table* t = nullptr;
  std::vector<int> selected;
  std::vector<int> inputs;
  if (std::string why = resolve(it->second.st, &t, &selected, &inputs); !why.empty()) {
    return error(kSqlNoTable, "42S02", why);
  }
  std::vector<column> cols;
  if (it->second.st.kind != statement_kind::select) selected.clear();
  for (int i : selected) cols.push_back(t->columns[static_cast<size_t>(i)]);
  reply r;
  r.parts[kReplyData] = description(cols);
  r.parts[kReplyNames] = names(cols, false);
  r.parts[kReplyPerColumn] = per_column(selected);
  if (std::vector<uint8_t> sets = charsets(cols); !sets.empty()) r.parts[kReplyCharset] = sets;
  if (config_.level >= kLevelExtension) {
    part_builder ext(order_, kExtDirectory);
    ext.add(kExtTypeNames, type_names(cols));
    r.parts[kReplyExtension] = ext.bytes();
  }
  return r;
}

reply engine::describe_type(const request_view& rq) {
  const std::string owner = rq.element(kExtTypeOwner);
  const std::string name = rq.element(kExtTypeName);
  const table* t = tables_->find_type(owner, name);
  if (t == nullptr) return error(kSqlNoTable, "42S02", "Type " + owner + "." + name + " not found");
  std::vector<int> positions;
  for (size_t i = 0; i < t->columns.size(); ++i) positions.push_back(static_cast<int>(i));
  reply r;
  r.parts[kReplyData] = description(t->columns);
  r.parts[kReplyNames] = names(t->columns, true);
  r.parts[kReplyPerColumn] = per_column(positions);
  if (std::vector<uint8_t> sets = charsets(t->columns); !sets.empty()) r.parts[kReplyCharset] = sets;
  if (config_.level >= kLevelExtension) {
    part_builder ext(order_, kExtDirectory);
    ext.add(kExtTypeNames, type_names(t->columns));
    r.parts[kReplyExtension] = ext.bytes();
  }
  return r;
}

namespace {

// The operands of one row: literals and the row's input values, each as
// a cell of its column.
struct row_operands {
  std::vector<cell> values;  // INSERT: per value of the statement
  cell predicate;
};

std::string operand_cell(const column& col, const operand& o, const std::vector<input_value>& inputs, size_t* next,
                         size_t row, cell* out) {
  if (!o.marker) {
    std::string why;
    return literal_cell(col, o.literal, out, &why) ? "" : why;
  }
  if (*next >= inputs.size()) return "fewer input variables than markers";
  const input_value& v = inputs[(*next)++];
  const size_t at = std::min(row, v.rows.size() - 1);
  *out = v.rows[at];
  if (v.entry.xdim >= kLeastRepetition) {
    if (col.elements == 0) return "a repetition value for column " + col.name;
    if (!out->null) out->elements = v.elements[at];
  }
  return fit_cell(col, out);
}

}  // namespace

reply engine::execute(const request_view& rq, const statement& st, size_t into) {
  if (st.kind == statement_kind::select) return error(kSqlNeedsCursor, "07005", "SELECT is run through a cursor");
  const table* found = nullptr;
  std::vector<int> selected;
  std::vector<int> marker_columns;
  if (std::string why = resolve(st, &found, &selected, &marker_columns); !why.empty()) {
    return error(found == nullptr ? kSqlNoTable : kSqlNoColumn, found == nullptr ? "42S02" : "42S22", why);
  }
  std::vector<input_value> inputs;
  const uint32_t part = rq.slot(kSlotFirstSqlda);
  if (part != 0) {
    descriptor d;
    std::string why = read_descriptor(rq.p, part, rq.decoding(), &d);
    if (why.empty()) why = read_values(rq.p, part, d, into, rq.decoding(), &inputs);
    if (!why.empty()) return error(kSqlBadValue, "22000", why);
  }
  if (inputs.size() != st.markers()) return error(kSqlVariables, "07001", "Number of input variables does not match");
  if (!changed_) {
    saved_ = *tables_;
    changed_ = true;
  }
  table& t = *tables_->find(st.table);
  const uint16_t rows = rq.rows();
  std::vector<uint32_t> counts;
  int32_t total = 0;
  for (size_t row = 0; row < rows; ++row) {
    size_t next = 0;
    uint32_t count = 0;
    if (st.kind == statement_kind::insert) {
      std::vector<cell> fresh(t.columns.size(), cell::null_cell());
      for (size_t i = 0; i < st.values.size(); ++i) {
        const column& col = t.columns[static_cast<size_t>(selected[i])];
        cell c;
        if (std::string why = operand_cell(col, st.values[i], inputs, &next, row, &c); !why.empty()) {
          return error(kSqlBadValue, "22001", why);
        }
        fresh[static_cast<size_t>(selected[i])] = c;
      }
      for (size_t i = 0; i < fresh.size(); ++i) {
        if (std::string why = fit_cell(t.columns[i], &fresh[i]); !why.empty()) {
          return error(fresh[i].null ? kSqlNotNull : kSqlBadValue, fresh[i].null ? "23000" : "22001", why);
        }
      }
      t.rows.push_back(fresh);
      count = 1;
    } else {
      std::vector<std::vector<cell>> kept;
      const int at = st.has_predicate ? t.find(st.predicate_column) : -1;
      cell wanted;
      if (at >= 0) {
        if (std::string why = operand_cell(t.columns[static_cast<size_t>(at)], st.predicate, inputs, &next, row, &wanted);
            !why.empty()) {
          return error(kSqlBadValue, "22001", why);
        }
      }
      for (std::vector<cell>& r : t.rows) {
        const bool hit = at < 0 || (!wanted.null && r[static_cast<size_t>(at)] == wanted);
        if (hit) {
          ++count;
        } else {
          kept.push_back(std::move(r));
        }
      }
      t.rows = std::move(kept);
    }
    counts.push_back(count);
    total += static_cast<int32_t>(count);
  }
  reply r;
  r.errd[2] = total;
  if (total == 0 && st.kind == statement_kind::remove) {
    r.sqlcode = 100;
    r.sqlstate = "02000";
  }
  if (rows >= 2 && config_.level >= kLevelArrayCounts) {
    std::vector<uint8_t> list(4 + 4 * counts.size(), 0);
    order_.put32(list.data(), static_cast<uint32_t>(counts.size()));
    for (size_t i = 0; i < counts.size(); ++i) order_.put32(list.data() + 4 + 4 * i, counts[i]);
    part_builder ext(order_, kExtDirectory);
    ext.add(kExtArrayCounts, list);
    r.parts[kReplyExtension] = ext.bytes();
  }
  return r;
}

reply engine::open(const request_view& rq, const statement& st, bool with_inputs) {
  if (st.kind != statement_kind::select) return error(kSqlNoCursor, "24000", "Only a SELECT opens a cursor");
  const table* t = nullptr;
  std::vector<int> selected;
  std::vector<int> marker_columns;
  if (std::string why = resolve(st, &t, &selected, &marker_columns); !why.empty()) {
    return error(t == nullptr ? kSqlNoTable : kSqlNoColumn, t == nullptr ? "42S02" : "42S22", why);
  }
  std::vector<input_value> inputs;
  const uint32_t part = with_inputs ? rq.slot(kSlotFirstSqlda) : 0;
  if (part != 0) {
    descriptor d;
    std::string why = read_descriptor(rq.p, part, rq.decoding(), &d);
    if (why.empty()) why = read_values(rq.p, part, d, 0, rq.decoding(), &inputs);
    if (!why.empty()) return error(kSqlBadValue, "22000", why);
  }
  if (inputs.size() != st.markers()) return error(kSqlVariables, "07001", "Number of input variables does not match");
  cursor c;
  const auto known = prepared_.find(statement_section(rq));
  c.held = rq.byte(kHoldByte) == 1 || (rq.text().empty() && known != prepared_.end() && known->second.held);
  for (int i : selected) c.columns.push_back(t->columns[static_cast<size_t>(i)]);
  auto generated = config_.block.generated.find(t->name);
  if (generated != config_.block.generated.end()) {
    if (st.has_predicate) return error(kSqlSyntax, "42000", "A generated table is read whole");
    c.generated = &generated->second;
    c.selected = selected;
    cursors_[rq.cursor()] = c;
    reply r;
    r.status.hold = c.held ? 1 : 0;
    return r;
  }
  const int at = st.has_predicate ? t->find(st.predicate_column) : -1;
  cell wanted;
  size_t next = 0;
  if (at >= 0) {
    if (std::string why = operand_cell(t->columns[static_cast<size_t>(at)], st.predicate, inputs, &next, 0, &wanted);
        !why.empty()) {
      return error(kSqlBadValue, "22001", why);
    }
  }
  for (const std::vector<cell>& row : t->rows) {
    if (at >= 0 && (wanted.null || !(row[static_cast<size_t>(at)] == wanted))) continue;
    std::vector<cell> out;
    for (int i : selected) out.push_back(row[static_cast<size_t>(i)]);
    c.rows.push_back(out);
  }
  cursors_[rq.cursor()] = c;
  reply r;
  r.status.hold = c.held ? 1 : 0;
  return r;
}

reply engine::close(const request_view& rq) {
  if (cursors_.erase(rq.cursor()) == 0) return error(kSqlNoCursor, "24000", "Cursor not open");
  return reply{};
}

reply engine::carried_open(const request_view& rq, bool* list_moved) {
  statement st;
  if (std::string why = statement_of(rq, &st); !why.empty()) return error(kSqlNotPrepared, "07003", why);
  // The OPEN's values come first; the FETCH's own list then stands in
  // slot 2, or is left out when the server keeps its description.
  const bool values = st.markers() > 0;
  *list_moved = values || rq.slot(kSlotSecondSqlda) != 0;
  if (cursors_.count(rq.cursor()) != 0) return error(kSqlOpenCursor, "24000", "Cursor already open");
  return open(rq, st, values);
}

std::vector<uint8_t> engine::fetch(const request_view& rq) {
  bool moved = false;
  if ((rq.byte(kStmtFlags) & kFlagCarriedOpen) != 0) {
    reply opened = carried_open(rq, &moved);
    if (opened.sqlcode < 0) return encode(opened, kFetchFn);
  }
  std::vector<fetch_entry>& kept = descriptions_[rq.section()];
  read_fetch_description(config_.little_endian, rq.p, &kept, moved);
  auto it = cursors_.find(rq.cursor());
  if (it == cursors_.end()) return encode(error(kSqlNoCursor, "24000", "Cursor not open"), kFetchFn);
  if (kept.empty()) return encode(error(kSqlVariables, "07001", "FETCH without a description"), kFetchFn);
  cursor& c = it->second;
  fetch_list_sqln(config_.little_endian, rq.p, &list_sqln_[rq.section()]);
  const bool listed = (rq.byte(kStmtFlags) & kFlagListed) != 0;
  const uint16_t blocked = block_rows_asked(config_.little_endian, rq.p);
  if (blocked != 0) {
    std::vector<uint8_t> block = fetch_block(rq, c, kept, blocked);
    if (c.next >= c.count() && listed) cursors_.erase(it);
    return block;
  }
  const int16_t asked = array_count(config_.little_endian, rq.p);
  if (asked >= kArrayFetch) {
    // The rows left, up to the array count; fewer than asked end the cursor.
    const std::vector<std::vector<cell>> rows = c.ahead(static_cast<size_t>(asked));
    const size_t n = rows.size();
    reply r;
    r.status.hold = c.held ? 1 : 0;
    if (n < static_cast<size_t>(asked)) {
      r.sqlcode = kSqlNotFound;
      r.sqlstate = "02000";
    }
    r.errd[kRowsErrd] = static_cast<int32_t>(n);
    warn_if_cut(any_cut(config_.little_endian, kept, rows), &r);
    std::vector<uint8_t> body = encode(r, kFetchFn);
    const std::string why = array_reply(config_.little_endian, descriptor_form(rq.p), kept, rows, config_.fetch, &body);
    if (!why.empty()) return encode(error(kSqlBadValue, "22003", why), kFetchFn);
    c.next += n;
    if (n < static_cast<size_t>(asked) && listed) cursors_.erase(it);
    return body;
  }
  reply answer;
  answer.status.hold = c.held ? 1 : 0;
  if (c.next >= c.count()) {
    answer.sqlcode = kSqlNotFound;
    answer.sqlstate = "02000";
    if (listed) cursors_.erase(it);
    return encode(answer, kFetchFn);
  }
  const std::vector<cell> row = c.row(c.next);
  warn_if_cut(any_cut(config_.little_endian, kept, {row}), &answer);
  std::vector<uint8_t> body = encode(answer, kFetchFn);
  const std::string why = row_reply(config_.little_endian, descriptor_form(rq.p), kept, row, config_.fetch, &body);
  if (!why.empty()) return encode(error(kSqlBadValue, "22003", why), kFetchFn);
  ++c.next;
  return body;
}

std::vector<cell> cursor::row(size_t i) const {
  if (generated == nullptr) return rows[i];
  const std::vector<cell> whole = generated->row(i);
  std::vector<cell> out;
  for (int at : selected) out.push_back(whole[static_cast<size_t>(at)]);
  return out;
}

std::vector<std::vector<cell>> cursor::ahead(size_t most) const {
  const size_t n = std::min(most, count() - std::min(next, count()));
  std::vector<std::vector<cell>> out;
  out.reserve(n);
  for (size_t i = 0; i < n; ++i) out.push_back(row(next + i));
  return out;
}

std::vector<uint8_t> engine::fetch_block(const request_view& rq, cursor& c, const std::vector<fetch_entry>& d,
                                         uint16_t asked) {
  const std::vector<std::vector<cell>> rows = c.ahead(asked);
  const size_t n = rows.size();
  reply r;
  r.status.hold = c.held ? 1 : 0;
  r.errd[kRowsErrd] = config_.block.errd2;
  // The block that reaches the end of the rows says so itself.
  if (c.next + n >= c.count()) {
    r.sqlcode = kSqlNotFound;
    r.sqlstate = "02000";
  }
  auto scripted = config_.block.scripted.find(c.blocks);
  if (scripted != config_.block.scripted.end()) {
    r.sqlcode = scripted->second.sqlcode;
    r.status.flags7 = scripted->second.flags7;
    r.message = scripted->second.message;
    r.sqlstate = r.sqlcode < 0 ? "R0000" : r.sqlstate;
  }
  warn_if_cut(any_cut(config_.little_endian, d, rows), &r);
  std::vector<uint8_t> body = encode(r, kFetchFn);
  const std::string why = block_reply(config_.little_endian, descriptor_form(rq.p), config_.block.variant5,
                                      config_.block.extra_rows, list_sqln_[rq.section()], d, rows, config_.fetch,
                                      &body);
  if (!why.empty()) return encode(error(kSqlBadValue, "22003", why), kFetchFn);
  c.next += n;
  ++c.blocks;
  return body;
}

std::vector<uint8_t> engine::encode(reply r, const std::string& function) const {
  auto scripted = config_.statuses.find(function);
  if (scripted != config_.statuses.end()) r.status = scripted->second;
  if (null_data_) r.mark = ' ';
  const bool session = function == "p_f_sqa_cconnect" || function == "p_f_sqa_cdisconnect" ||
                       function == "p_f_sqa_ctran_discon";
  if (!session) add_trace_parts(config_.trace, order_, function, &r);
  return encode_reply(r, order_);
}

void engine::end_transaction(bool commit) {
  if (changed_ && !commit) *tables_ = saved_;
  changed_ = false;
  saved_ = table_set{};
  // Held cursors stay open over COMMIT; ROLLBACK closes every cursor.
  for (auto it = cursors_.begin(); it != cursors_.end();) {
    it = commit && it->second.held ? std::next(it) : cursors_.erase(it);
  }
  // A statement outlives its transaction when it is kept, or when its
  // cursors are held.
  if (!config_.transaction_statements) return;
  for (auto it = prepared_.begin(); it != prepared_.end();) {
    const uint16_t section = it->first;
    const bool in_use = std::any_of(cursors_.begin(), cursors_.end(),
                                    [section](const auto& open) { return open.first.first == section; });
    it = it->second.kept || it->second.held || in_use ? std::next(it) : prepared_.erase(it);
  }
}

bool engine::answer(const std::string& function, const std::vector<uint8_t>& packet, std::vector<uint8_t>* body) {
  const request_view rq{packet, order_, config_.level};
  reply r;
  statement st;
  std::string why;
  if (function == "p_f_sqa_cconnect") {
    null_data_ = rq.byte(kConnectNullData) == kYes;
    r = connect_reply();
  } else if (function == "p_f_sqa_cdisconnect" || function == "p_f_sqa_ctran_discon") {
    // DISCONNECT commits, as COMMIT RELEASE does; ROLLBACK RELEASE undoes.
    end_transaction(rq.reqcode() != "DISR");
    cursors_.clear();
    prepared_.clear();
    named_.clear();
    allocated_.clear();
    descriptions_.clear();
    list_sqln_.clear();
    add_statistics(config_.trace, order_, &r);
  } else if (function == "p_f_sqa_ccommit" || function == "p_f_sqa_ctrns_commit") {
    end_transaction(true);
  } else if (function == "p_f_sqa_crollback" || function == "p_f_sqa_ctrns_rollbk") {
    end_transaction(false);
  } else if (function == "p_f_sqa_csetup") {
    r = prepare(rq);
  } else if (function == "p_f_sqa_cdescribe") {
    r = describe(rq);
  } else if (function == "p_f_sqa_cdesc_type") {
    r = describe_type(rq);
  } else if (function == "p_f_sqa_caux" || function == "p_f_sqa_cauxi" || function == "p_f_sqa_cauxo" ||
             function == "p_f_sqa_cauxi3" || function == "p_f_sqa_cauxi2") {
    // AUI2 sends its INTO variables first in the same list.
    const size_t into = function == "p_f_sqa_cauxi2" ? rq.u16(kOutCount) : 0;
    why = statement_of(rq, &st);
    r = why.empty() ? execute(rq, st, into) : error(kSqlNotPrepared, "07003", why);
  } else if (function == "p_f_sqa_copen" || function == "p_f_sqa_copen2") {
    why = statement_of(rq, &st);
    r = why.empty() ? open(rq, st) : error(kSqlNotPrepared, "07003", why);
  } else if (function == "p_f_sqa_cclose") {
    r = close(rq);
  } else if (function == "p_f_sqa_csvrinf") {
    r = server_information(rq);
  } else if (function == "p_f_sqa_calcr") {
    r = allocate_cursor(rq);
  } else if (function == "p_f_sqa_cdset") {
    deallocate(rq);
  } else if (function == kFetchFn) {
    *body = fetch(rq);
    return true;
  } else {
    return false;
  }
  *body = encode(r, function);
  return true;
}

}  // namespace marlo
