#include "clt_blkf_plan.h"

#include <string.h>

#include <algorithm>
#include <new>
#include <vector>

#include "CLTCOMCTX.h"
#include "CLTSQLAF.h"
#include "CLTSQLAG.h"
#include "CLTSQLAN.h"
#include "CLTSQLDA.h"
#include "cltsqlbf.h"

namespace {

constexpr const char* kModule = "cltsqlbp";
// Body directory, status part and SQLCA part.
constexpr uint32_t kBodyTotal = 0;
constexpr uint32_t kBodyStatus = 8;
constexpr uint32_t kBodySqlca = 12;
constexpr uint32_t kBodyData = 16;
constexpr uint32_t kBodyDirectory = 20;
constexpr uint32_t kStatusResult = 5;
constexpr uint32_t kStatusHold = 6;
constexpr uint32_t kStatusRows = 14;
constexpr uint32_t kStatusSize = 17;
constexpr uint32_t kCaCode = 12;
constexpr uint32_t kCaErrd2 = 24;
constexpr uint32_t kCaSize = 28;
constexpr uint32_t kColumnCount = sizeof(uint16_t);
constexpr uint32_t kLength = sizeof(uint16_t);
constexpr uint8_t kFlagAddress = 0x01;
constexpr char kBlank = ' ';
// Cursors whose blocks keep a plan at one time.
constexpr size_t kPlanSlots = 4;

// How a variable takes its value: the plain copies of the whole way's
// converter for the variable's code.
enum class kind : uint8_t {
  int32,         // a server-order word
  int16,
  swapped,       // `size` bytes, reversed when the byte orders differ
  copy,          // `size` bytes in the block, the first `keep` of them written
  fixed_char,    // a length, the text cut or blank-filled to `keep`, a terminator
  var_prefixed,  // a length, the text behind the variable's own length word
  var_nul,       // a length, the text and its terminator
  bytes,         // a length, the bytes cut or blank-filled to `keep`
  dec_text,      // packed decimal as its text
};

bool counted_length(kind k) {
  return k == kind::fixed_char || k == kind::var_prefixed || k == kind::var_nul || k == kind::bytes;
}

struct column_step {
  kind how;
  bool counted;  // the value comes after a length
  bool has_ind;
  uint8_t* dst;
  uint8_t* ind;
  uint32_t size;  // bytes of a value of fixed size in the block
  uint32_t keep;  // bytes a copy writes; the variable's length for characters and bytes
  uint8_t precision;
  bool sign;
};

// Where the row at hand has a value; found before anything is written.
struct value_place {
  uint32_t at;
  uint32_t n;
  int16_t indicator;
  bool absent;  // null, and nulls carry no data
};

struct column {
  column_step step;
  value_place place;
};

struct plan {
  const clt_blkf_entry* entry = nullptr;
  const uint8_t* block = nullptr;
  uint32_t total_in = 0;
  // The area and SQLCA the variables were found clear of.
  const rdb_sql_area* area = nullptr;
  const SQLCA* sqlca = nullptr;
  const SQLDA* da = nullptr;
  std::vector<uint8_t> image;  // the SQLDA's header and described variables
  // What the conversion environment takes from the area; the rest of it
  // is the connection's, which only CONNECT changes.
  uint8_t termbyte = 0;
  int16_t version = 0;
  const void* csna = nullptr;
  clt_col_env env{};
  const uint8_t* flags = nullptr;
  uint32_t total = 0;
  uint32_t data = 0;
  uint32_t ca = 0;
  int32_t ca_code = 0;
  bool counted = false;
  uint16_t rows = 0;
  uint8_t hold = 0;
  uint8_t result = 0;
  std::vector<column> columns;
};

uint32_t sqllen_of(const SQLVAR& v) { return static_cast<uint32_t>(std::max<int16_t>(v.len.s.sqllen, 0)); }

// The variable's plain copy; false for what a plan leaves to the whole way.
bool step_of(const clt_col_env& env, const SQLVAR& v, column_step* s) {
  const uint8_t code = v.sqlcod & 0xFE;
  if (v.SQLDATA == nullptr || (v.XDIM >= CLT_MULTIPLE && code != CLT_T_BYTES)) return false;
  *s = column_step{};
  s->dst = static_cast<uint8_t*>(v.SQLDATA);
  s->has_ind = clt_nullable(v.sqlcod) && v.SQLIND != nullptr;
  s->ind = static_cast<uint8_t*>(v.SQLIND);
  const uint32_t sqllen = sqllen_of(v);
  const uint32_t p = v.len.d.sqlprcsn;
  s->keep = sqllen;
  switch (code) {
    case CLT_T_INT32: s->how = kind::int32; s->size = sizeof(int32_t); return true;
    case CLT_T_INT16: s->how = kind::int16; s->size = sizeof(int16_t); return true;
    case CLT_T_INT64: s->how = kind::swapped; s->size = sizeof(int64_t); return true;
    case CLT_T_INT32B: s->how = kind::swapped; s->size = sizeof(int32_t); return true;
    case CLT_T_PACKED8: case CLT_T_PACKED6: case CLT_T_DECIMAL:
      s->how = kind::copy;
      s->size = s->keep = p / 2 + 1;
      return true;
    case CLT_T_CODED4: s->how = kind::copy; s->size = s->keep = 4; return true;
    case CLT_T_CODED3:
      s->how = kind::copy;
      s->size = env.second ? sqllen : 3;
      s->keep = std::min<uint32_t>(3, sqllen);
      return true;
    case CLT_T_CODED_VAR: s->how = kind::copy; s->size = sqllen; return true;
    case CLT_T_FIXCHAR: case CLT_T_MFIXCHAR: s->how = kind::fixed_char; return true;
    case CLT_T_VARCHAR: case CLT_T_MVARCHAR: s->how = kind::var_prefixed; return true;
    case CLT_T_CHAR_NUL: s->how = kind::var_nul; return true;
    case CLT_T_BYTES: s->how = kind::bytes; return true;
    case CLT_T_DEC_TEXT: case CLT_T_ZONED:
      if (p > CLT_DEC_PRECISION_MAX) return false;
      s->how = kind::dec_text;
      s->size = p / 2 + 1;
      s->precision = static_cast<uint8_t>(p);
      s->sign = code == CLT_T_DEC_TEXT;
      return true;
    default: return false;
  }
}

// The bytes a step may write from its variable's address.
uint64_t extent_of(const clt_col_env& env, const column_step& s) {
  const uint32_t terminator = static_cast<uint32_t>(clt_col_char_terminator(env));
  switch (s.how) {
    case kind::int32: case kind::int16: case kind::swapped: return s.size;
    case kind::copy: return std::min(s.size, s.keep);
    case kind::fixed_char: case kind::var_nul: return uint64_t{s.keep} + terminator;
    case kind::var_prefixed: return uint64_t{s.keep} + kLength;
    case kind::bytes: return s.keep;
    case kind::dec_text: return uint64_t{s.precision} + (s.sign ? 1 : 0);
  }
  return 0;
}

bool overlaps(const void* a, uint64_t n, const void* b, uint64_t m) {
  const auto x = reinterpret_cast<uintptr_t>(a);
  const auto y = reinterpret_cast<uintptr_t>(b);
  return x < y + m && y < x + n;
}

// Whether a variable lies over what the whole way reads as it writes (the
// SQLDA, the area, the SQLCA): that way then alone gives the result.
bool writes_into_reads(const plan& p, const rdb_sql_area* area) {
  const struct {
    const void* at;
    uint64_t n;
  } read[] = {{p.da, p.image.size()}, {area, sizeof *area}, {area->sqlca, sizeof(SQLCA)}};
  for (const column& c : p.columns) {
    const column_step& s = c.step;
    for (const auto& r : read) {
      if (overlaps(s.dst, extent_of(p.env, s), r.at, r.n)) return true;
      if (s.has_ind && overlaps(s.ind, sizeof(int16_t), r.at, r.n)) return true;
    }
  }
  return false;
}

void put16(uint8_t* at, int32_t v) {
  const auto x = static_cast<int16_t>(v);
  memcpy(at, &x, sizeof x);
}

// A terminator is one zero byte, or two in the UCS-2 modes.
void terminate(const clt_col_env& env, uint8_t* at) {
  if (env.no_terminator) return;
  at[0] = 0;
  if (env.term_size > 1) at[1] = 0;
}

// A character value cut to its variable: the warnings, and a reply
// indicator of 0 replaced by the whole length up to `cap`.
void cut(const clt_col_env& env, const column_step& s, const value_place& v, int32_t cap) {
  clt_col_warn(env, true);
  if (s.has_ind && v.indicator == 0) put16(s.ind, std::min<int32_t>(static_cast<int32_t>(v.n), cap));
}

void write_value(const clt_col_env& env, const column_step& s, const value_place& v, const uint8_t* src) {
  uint8_t* dst = s.dst;
  const uint32_t kept = std::min(v.n, s.keep);
  switch (s.how) {
    case kind::int32: {
      const auto x = static_cast<int32_t>(clt_col_u32(env, src));
      memcpy(dst, &x, sizeof x);
      return;
    }
    case kind::int16: put16(dst, static_cast<int16_t>(clt_col_u16(env, src))); return;
    case kind::swapped: clt_col_swapped(env, dst, src, s.size); return;
    case kind::copy: memcpy(dst, src, std::min(s.size, s.keep)); return;
    // The warnings and the indicator come after the padding here; the
    // whole way sets the warnings first, in the SQLCA, which no variable
    // of a plan overlaps.
    case kind::fixed_char:
      memcpy(dst, src, kept);
      memset(dst + kept, kBlank, s.keep - kept);
      terminate(env, dst + s.keep);
      if (v.n > s.keep) cut(env, s, v, CLT_LEN_FIXED);
      return;
    case kind::var_prefixed:
      memcpy(dst + kLength, src, kept);
      put16(dst, static_cast<int32_t>(kept));
      if (v.n > s.keep) cut(env, s, v, CLT_LEN_CHAR);
      return;
    case kind::var_nul:
      memcpy(dst, src, kept);
      terminate(env, dst + kept);
      if (v.n > s.keep) cut(env, s, v, CLT_LEN_CHAR);
      return;
    case kind::bytes:
      memcpy(dst, src, kept);
      memset(dst + kept, kBlank, s.keep - kept);
      if (v.n > s.keep) clt_col_warn(env, true);
      return;
    case kind::dec_text: {
      uint8_t text[CLT_DEC_PRECISION_MAX + 1];
      clt_col_decimal_text(src, s.precision, s.sign, text);
      memcpy(dst, text, s.precision + (s.sign ? 1u : 0u));
      return;
    }
  }
}

}  // namespace

struct clt_row_plans {
  std::vector<plan> kept;
  size_t next = 0;  // the slot a new cursor's plan takes when all are used
};

namespace {

plan* plan_of(clt_row_plans* plans, const clt_blkf_entry* e) {
  if (plans == nullptr) return nullptr;
  for (plan& p : plans->kept) {
    if (p.entry == e) return &p;
  }
  return nullptr;
}

// The slot for the entry's plan: its own, a free one, or the next in turn.
plan* slot_for(clt_reply_conn* reply, const clt_blkf_entry* e) {
  if (reply->row_plans == nullptr) reply->row_plans = new clt_row_plans;
  clt_row_plans* plans = reply->row_plans;
  if (plan* own = plan_of(plans, e)) return own;
  if (plan* free = plan_of(plans, nullptr)) return free;
  if (plans->kept.size() < kPlanSlots) return &plans->kept.emplace_back();
  plan* p = &plans->kept[plans->next];
  plans->next = (plans->next + 1) % kPlanSlots;
  return p;
}

// The block's facts as the whole way read them, and each variable's
// step; false when the block or a variable is one a plan leaves alone.
bool make_plan(rdb_sql_area* area, const clt_blkf_entry* e, uint32_t total_in, plan* p) {
  const SQLDA* da = area->sqliasda;
  if (e->sqlda_form == 0 || da == nullptr || da->sqld < 0 || area->sqlca->SQLCODE != 0) return false;
  clt_col_env env{};
  clt_col_env_of(area, false, e->sqlca_mark, &env);
  if (env.convert_mode || env.csna != nullptr || total_in < kBodyDirectory) return false;
  const uint8_t* body = e->block;
  const uint32_t total = std::min(clt_col_u32(env, body + kBodyTotal), total_in);
  const uint32_t status = clt_col_u32(env, body + kBodyStatus);
  const uint32_t ca = clt_col_u32(env, body + kBodySqlca);
  const uint32_t data = clt_col_u32(env, body + kBodyData);
  auto within = [total](uint32_t at, uint32_t n) { return at != 0 && at <= total && total - at >= n; };
  if (!within(status, kStatusSize) || !within(ca, kCaSize) || !within(data, kColumnCount)) return false;
  const uint16_t columns = clt_col_u16(env, body + data);
  if (columns > da->sqld) return false;
  // Flag bytes of the reply's own renew the entry's copy with each row.
  const uint8_t* own = nullptr;
  uint16_t own_count = 0;
  if (clt_col_flags(body, total, area, columns, true, nullptr, kModule, &own, &own_count) != 0 || own != nullptr) {
    return false;
  }
  const clt_flag_copy flags = clt_blkf_flags(e, columns);
  for (uint16_t i = 0; i < flags.count; ++i) {
    if ((flags.bytes[i] & kFlagAddress) != 0) return false;
  }
  p->columns.resize(columns);
  for (uint16_t i = 0; i < columns; ++i) {
    column_step& s = p->columns[i].step;
    if (!step_of(env, da->sqlvar[i], &s)) return false;
    s.counted = counted_length(s.how);
  }
  const auto* head = reinterpret_cast<const uint8_t*>(da);
  p->image.assign(head, head + offsetof(SQLDA, sqlvar) + sizeof(SQLVAR) * static_cast<size_t>(da->sqld));
  p->entry = e;
  p->block = body;
  p->total_in = total_in;
  p->area = area;
  p->sqlca = area->sqlca;
  p->da = da;
  p->termbyte = area->termbyte;
  p->version = area->version;
  p->csna = area->sqlcsna1;
  p->env = env;
  p->flags = e->flags;
  p->total = total;
  p->data = data;
  p->ca = ca;
  p->ca_code = static_cast<int32_t>(clt_col_u32(env, body + ca + kCaCode));
  p->counted = clt_col_u32(env, body + ca + kCaErrd2) != 0;
  p->rows = clt_col_u16(env, body + status + kStatusRows);
  p->hold = body[status + kStatusHold];
  p->result = body[status + kStatusResult];
  return p->rows == e->rows && !writes_into_reads(*p, area);
}

// Where the row at the entry's position has its values, within the
// block; the position after it, or 0 when the row needs the whole way.
uint32_t place_row(plan& p, const clt_blkf_entry* e) {
  const uint8_t* body = p.block;
  const auto position = static_cast<int32_t>(e->block_counter);
  const uint64_t start = uint64_t{p.data} + static_cast<uint32_t>(std::max(position, 0)) +
                         (position == 0 ? kColumnCount : 0);
  if (start > p.total) return 0;
  auto pos = static_cast<uint32_t>(start);
  const uint32_t total = p.total;
  auto has = [&](uint32_t n) { return n <= total - pos; };
  for (column& c : p.columns) {
    const column_step& s = c.step;
    value_place& v = c.place;
    v.absent = false;
    if (s.has_ind) {
      if (!has(sizeof(int16_t))) return 0;
      v.indicator = static_cast<int16_t>(clt_col_u16(p.env, body + pos));
      pos += sizeof(int16_t);
      if (v.indicator < 0 && !p.env.carry_data) {
        v.absent = true;
        continue;
      }
    }
    uint32_t n = s.size;
    if (s.counted) {
      if (!has(kLength)) return 0;
      n = clt_col_u16(p.env, body + pos);
      pos += kLength;
    }
    if (!has(n)) return 0;
    v.at = pos;
    v.n = n;
    pos += n;
  }
  return pos;
}

}  // namespace

bool clt_row_plan_serve(clt_main* main, rdb_sql_area* area, clt_blkf_entry* e, uint32_t total) {
  plan* p = plan_of(clt_main_reply(main)->row_plans, e);
  const SQLDA* da = area->sqliasda;
  if (p == nullptr || p->block != e->block || p->total_in != total || p->flags != e->flags || p->rows != e->rows ||
      area != p->area || area->sqlca != p->sqlca || da != p->da ||
      memcmp(da, p->image.data(), p->image.size()) != 0 ||
      area->termbyte != p->termbyte || area->version != p->version || area->sqlcsna1 != p->csna) {
    return false;
  }
  const uint32_t end = place_row(*p, e);
  if (end == 0) return false;
  // The row is served: what the whole way changes, in its order.
  uint32_t* state = clt_reply_row_begin(main, area, p->result, e->block_sqlcode);
  e->block_sqlcode = p->ca_code;
  ++e->cumulative;
  clt_blkf_report_completion(area, main, e, p->block + p->ca, p->counted);
  e->rows = p->rows;
  e->hold = p->hold;
  p->env.area = area;
  for (const column& c : p->columns) {
    const column_step& s = c.step;
    const value_place& v = c.place;
    if (s.has_ind) put16(s.ind, v.indicator);
    if (!v.absent) write_value(p->env, s, v, p->block + v.at);
  }
  e->block_counter = end - p->data;
  clt_blkf_next_row(main, e);
  clt_reply_row_end(state);
  return true;
}

void clt_row_plan_keep(clt_main* main, rdb_sql_area* area, const clt_blkf_entry* e, uint32_t total) {
  clt_reply_conn* reply = clt_main_reply(main);
  try {
    plan* p = slot_for(reply, e);
    if (!make_plan(area, e, total, p)) p->entry = nullptr;
  } catch (const std::bad_alloc&) {
    // Without room for a plan the rows go the whole way.
    clt_row_plan_forget(main, e);
  }
}

bool clt_row_plan_held(clt_main* main, const clt_blkf_entry* e) {
  const plan* p = plan_of(clt_main_reply(main)->row_plans, e);
  return p != nullptr && p->block == e->block;
}

void clt_row_plan_forget(clt_main* main, const clt_blkf_entry* e) {
  // The slot keeps its storage for the next plan.
  if (plan* p = plan_of(clt_main_reply(main)->row_plans, e)) p->entry = nullptr;
}

void clt_row_plan_free(clt_reply_conn* reply) {
  delete reply->row_plans;
  reply->row_plans = nullptr;
}
