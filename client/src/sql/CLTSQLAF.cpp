#include "CLTSQLAF.h"

#include <stddef.h>
#include <string.h>

#include <algorithm>
#include <array>
#include <vector>

#include "CLTCOMCTX.h"
#include "CLTRPCPR.h"
#include "CLTSQLAG.h"
#include "CLTSQLDA.h"
#include "CLTUTL.h"
#include "cltsqadc.h"
#include "cltsqlbf.h"
#include "zk_codes.h"

namespace {

constexpr const char* kModule = "CLTSQLAF";
constexpr int32_t kSqlNoRowsEnd = 110;
constexpr char kSqlstateCompleted[] = "00000";
constexpr char kBlank = ' ';
constexpr char kYes = 'Y';
constexpr uint32_t kLevelLongBinary = 20;
constexpr uint32_t kLevelCharsets = 24;

// Body directory, status part and SQLCA part.
constexpr uint32_t kBodyTotal = 0;
constexpr uint32_t kBodyStatus = 8;
constexpr uint32_t kBodySqlca = 12;
constexpr uint32_t kBodyData = 16;
constexpr uint32_t kBodyDirectory = 20;
constexpr uint32_t kStatusHold = 6;
constexpr uint32_t kStatusRows = 14;
constexpr uint32_t kStatusSize = 16;
constexpr uint32_t kCaMarkFrom = 5;  // identifier bytes 5 to 7 go with every completion report
constexpr uint32_t kCaMarkSize = 3;
constexpr uint32_t kCaCode = 12;
constexpr uint32_t kCaErrd2 = 24;
constexpr uint32_t kCaSize = 28;
// The descriptor form of the data part.
constexpr uint32_t kDataSqln = 12;
constexpr uint32_t kDataColumns = 14;
constexpr uint32_t kDataDescriptors = 16;
constexpr uint32_t kDescSize = 16;
constexpr uint32_t kDescCode = 1;
constexpr uint32_t kDescLength = 4;
constexpr uint32_t kDescScale = 5;
constexpr uint32_t kDescSlot = 6;
constexpr uint32_t kDescValue = 8;
constexpr uint32_t kDescIndicator = 12;
// A row record: the next record, the value-offset table, the indicators.
constexpr uint32_t kRecordNext = 0;
constexpr uint32_t kRecordTable = 4;
constexpr uint32_t kRecordIndicators = 8;
constexpr uint32_t kOffsetSize = sizeof(uint32_t);

// The block as the current call reads it; every read is bounds-checked.
struct block {
  const uint8_t* body;
  uint32_t total;
  clt_col_env& e;

  bool has(uint64_t at, uint64_t n) const { return at + n <= total; }
  bool u32(uint64_t at, uint32_t* out) const {
    if (!has(at, sizeof *out)) return false;
    *out = clt_col_u32(e, body + at);
    return true;
  }
};

int32_t refuse(rdb_sql_area* area, int32_t line) {
  return clt_report(area, kModule, line, CLT_SQL_SERVER_ERROR, CLT_SQLSTATE_DEFAULT, CLT_MSG_SERVER_ERROR, kModule,
                    line);
}

int32_t modified(rdb_sql_area* area, int32_t line, const char* what) {
  return clt_report(area, kModule, line, CLT_SQL_MODIFIED, CLT_SQLSTATE_DEFAULT, CLT_MSG_MODIFIED, what);
}

bool level_at_least(const clt_main* main, uint32_t n) {
  return clt_srv_level_at_least(static_cast<uint32_t>(main->srv_level), n);
}

// The rows a FETCH of the entry asks for: PDBLKF when it asks by count.
// A block sized by PDBLKBUFFSIZE is bounded by its own bytes only.
bool more_than_asked(const clt_blkf_entry* e, uint16_t rows) {
  return e->rows_setting >= CLT_MULTIPLE && rows > e->rows_setting;
}

// Every row but the block's last: the completion report of its own.
// The SQLCA of a completion report (first and second server protocol),
// made once by the reporting routines themselves: a block serves most of
// its rows with it.
const SQLCA& completion_sqlca(bool second) {
  static const auto kReports = [] {
    std::array<SQLCA, 2> ca{};
    for (size_t i = 0; i < ca.size(); ++i) {
      clt_msg_token token{};
      clt_set_msg("%s", &token, 0, i == 0 ? CLT_MSG_COMPLETED : CLT_MSG_COMPLETED_SECOND);
      clt_reset_sqlca(&ca[i]);
      clt_set_sqlca(&ca[i], kModule, __LINE__, 0, 0, 0, 0, &token, nullptr);
    }
    return ca;
  }();
  return kReports[second ? 1 : 0];
}

}  // namespace

void clt_blkf_report_completion(rdb_sql_area* area, clt_main* main, const clt_blkf_entry* e,
                                const uint8_t* sqlca_part, bool counted) {
  const SQLCA& done = completion_sqlca(clt_main_env(main)->pdsrvtype == CLT_SRVTYPE_SECOND);
  SQLCA* ca = area->sqlca;
  // Every field the report writes; the reserved bytes stay as they are.
  memcpy(ca, &done, offsetof(SQLCA, sqlrsv));
  ca->sqlsrcline = done.sqlsrcline;
  clt_set_sqlstate(area, kSqlstateCompleted);
  memcpy(ca->sqlcaid + kCaMarkFrom, sqlca_part + kCaMarkFrom, kCaMarkSize);
  memset(ca->sqlerrd, 0, sizeof ca->sqlerrd);
  if (counted) ca->sqlerrd[2] = static_cast<int32_t>(e->cumulative);
}

void clt_blkf_next_row(clt_main* main, clt_blkf_entry* e) {
  ++e->next_row;
  main->rows_left = e->rows > e->next_row ? static_cast<uint16_t>(e->rows - e->next_row) : 0;
}

namespace {

// The caller's SQLDA against the block's descriptors.
bool sqlda_matches(const block& b, uint32_t data, uint16_t sqln, uint16_t columns, const SQLDA* da) {
  if (da->sqln != static_cast<int16_t>(sqln) || da->sqld != static_cast<int16_t>(columns)) return false;
  const int32_t factor = b.e.wide_factor ? 3 : 1;
  for (int32_t i = 0; i < columns; ++i) {
    const uint8_t* d = b.body + data + kDataDescriptors + kDescSize * static_cast<uint32_t>(i);
    const SQLVAR& v = da->sqlvar[i];
    const uint8_t host = v.sqlcod & 0xFE;
    const bool any_code = host == CLT_T_CHAR_NUL || host == CLT_T_DEC_TEXT || host == CLT_T_ZONED;
    if (!any_code && v.sqlcod != d[kDescCode]) return false;
    const int32_t length = static_cast<int16_t>(clt_col_u16(b.e, d + kDescLength));
    const int32_t sqllen = v.len.s.sqllen;
    const bool cs = clt_col_names(b.e, i) != nullptr;
    const int32_t room = cs ? sqllen : sqllen * factor;
    switch (host) {
      case CLT_T_CHAR_NUL: case CLT_T_VARCHAR: case CLT_T_VARCHAR2: case CLT_T_NVARCHAR: case CLT_T_NVARCHAR2:
      case CLT_T_MVARCHAR: case CLT_T_MVARCHAR2:
        if (room != length) return false;
        break;
      case CLT_T_BYTES: case CLT_T_FIXCHAR: case CLT_T_NFIXCHAR: case CLT_T_MFIXCHAR:
        if (room < length) return false;
        break;
      case CLT_T_PACKED8: case CLT_T_PACKED6: case CLT_T_DECIMAL: case CLT_T_DECIMAL2: case CLT_T_DEC_TEXT:
      case CLT_T_ZONED:
        if (v.len.d.sqlprcsn != d[kDescLength] || v.len.d.sqlscale != d[kDescScale]) return false;
        break;
      case CLT_T_LOB:
        if (v.len.sqllen32 < clt_col_u32(b.e, d + kDescLength)) return false;
        break;
      default:
        if (sqllen != length) return false;
    }
  }
  return true;
}

// Bytes between two rows' values of a fixed-size code in column arrays;
// 0 for the codes whose rows give their value's offset.
uint32_t row_step(uint8_t code, const uint8_t* desc, const clt_col_env& e) {
  switch (code) {
    case CLT_T_INT16: return 2;
    case CLT_T_INT32: case CLT_T_CODED4: case CLT_T_HANDLE: case CLT_T_HANDLE2: case CLT_T_HANDLE3:
    case CLT_T_INT32B: return 4;
    case CLT_T_INT64: return 8;
    case CLT_T_CODED3: return 3;
    case CLT_T_CODED_VAR: return static_cast<uint16_t>(clt_col_u16(e, desc + kDescLength));
    case CLT_T_BYTES: case CLT_T_FIXCHAR: case CLT_T_MFIXCHAR: case CLT_T_NFIXCHAR: case CLT_T_PACKED8:
    case CLT_T_PACKED6: case CLT_T_DECIMAL: case CLT_T_DECIMAL2:
      return clt_col_u16(e, desc + kDescSlot);
    default: return 0;
  }
}

bool wide_indicator(uint8_t code) { return code == 0x91 || code == 0x95 || code == 0x9B || code == 0x9F; }

bool repeated(const SQLVAR& v, uint8_t code) {
  return v.XDIM >= CLT_MULTIPLE && code != CLT_T_BYTES && (code < CLT_T_LOB || code > CLT_T_HANDLE3);
}

// An offset from the data part that does not fit 32 bits is one no
// bounds check passes.
uint32_t offset_of(uint64_t v) { return v > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(v); }

// Row r of column arrays: each column's value and indicator places.
bool array_cells(const block& b, uint32_t data, uint16_t columns, const SQLDA* da, uint32_t r,
                 std::vector<clt_block_cell>* cells) {
  for (uint32_t i = 0; i < columns; ++i) {
    const uint8_t* d = b.body + data + kDataDescriptors + kDescSize * i;
    const uint8_t raw = d[kDescCode];
    const uint8_t code = raw & 0xFE;
    const uint32_t values = clt_col_u32(b.e, d + kDescValue);
    const uint32_t indicators = clt_col_u32(b.e, d + kDescIndicator);
    const bool rep = repeated(da->sqlvar[i], code);
    clt_block_cell& c = (*cells)[i];
    c = clt_block_cell{};
    const uint32_t step = row_step(code, d, b.e);
    if (values != 0 && (rep || step == 0)) {
      if (!b.u32(uint64_t{data} + values + uint64_t{kOffsetSize} * r, &c.value)) return false;
    } else if (values != 0) {
      c.value = offset_of(uint64_t{values} + uint64_t{step} * r);
    }
    if (indicators != 0 && rep) {
      if (!b.u32(uint64_t{data} + indicators + uint64_t{kOffsetSize} * r, &c.indicator)) return false;
      c.no_structure = c.indicator == 0;
    } else if (indicators != 0) {
      const uint32_t width = wide_indicator(raw) ? sizeof(int32_t) : sizeof(int16_t);
      c.indicator = offset_of(uint64_t{indicators} + uint64_t{width} * r);
    }
  }
  return true;
}

// The record's cells: its value-offset table, then one indicator entry
// for each nullable column.
bool record_cells(const block& b, uint32_t data, uint16_t columns, const SQLDA* da, uint32_t record,
                  std::vector<clt_block_cell>* cells) {
  uint32_t table = 0;
  if (!b.u32(uint64_t{data} + record + kRecordTable, &table)) return false;
  uint64_t indicator = uint64_t{record} + kRecordIndicators;
  for (uint32_t i = 0; i < columns; ++i) {
    const uint8_t raw = b.body[data + kDataDescriptors + kDescSize * i + kDescCode];
    clt_block_cell& c = (*cells)[i];
    c = clt_block_cell{};
    if (!b.u32(uint64_t{data} + table + uint64_t{kOffsetSize} * i, &c.value)) return false;
    if (!clt_nullable(raw)) continue;
    if (repeated(da->sqlvar[i], raw & 0xFE)) {
      if (!b.u32(data + indicator, &c.indicator)) return false;
      indicator += kOffsetSize;
    } else {
      c.indicator = offset_of(indicator);
      indicator += wide_indicator(raw) ? sizeof(int32_t) : sizeof(int16_t);
    }
  }
  return true;
}

// Steps 2 to 14 of one call for entry `e`; the end steps are the caller's.
int32_t deliver(const uint8_t* body, uint32_t length, rdb_sql_area* area, clt_main* main, clt_blkf_entry* e,
                clt_block_layout layout) {
  clt_col_env env{};
  clt_col_env_of(area, false, e->sqlca_mark, &env);
  if (length < kBodyDirectory) return refuse(area, __LINE__);
  block b{body, std::min(clt_col_u32(env, body + kBodyTotal), length), env};
  uint32_t status = 0;
  uint32_t ca = 0;
  if (!b.u32(kBodyStatus, &status) || !b.u32(kBodySqlca, &ca) || status == 0 || ca == 0 ||
      !b.has(status, kStatusSize) || !b.has(ca, kCaSize)) {
    return refuse(area, __LINE__);
  }
  const uint16_t rows = clt_col_u16(env, body + status + kStatusRows);
  if (more_than_asked(e, rows)) return refuse(area, __LINE__);
  e->block_sqlcode = static_cast<int32_t>(clt_col_u32(env, body + ca + kCaCode));
  const int32_t analysed = area->sqlca->SQLCODE;
  const int32_t limit = analysed != CLT_SQL_NO_ROWS && analysed != kSqlNoRowsEnd && analysed >= 0 ? rows - 1 : rows;
  ++e->cumulative;
  if (e->next_row < limit) {
    clt_blkf_report_completion(area, main, e, body + ca, clt_col_u32(env, body + ca + kCaErrd2) != 0);
  }
  const int32_t code = area->sqlca->SQLCODE;
  if (code == CLT_SQL_NO_ROWS || code < 0) return 0;
  if (code == kSqlNoRowsEnd) {
    --e->cumulative;
    return 0;
  }
  if (layout == clt_block_layout::arrays && e->sqlda_form != 0) return clt_sqlda_blkf_conv(env, body, length, area);

  SQLDA* da = area->sqliasda;
  if (da == nullptr) {
    return clt_report(area, kModule, __LINE__, CLT_SQL_CLIENT_ERROR, CLT_SQLSTATE_DEFAULT, CLT_MSG_CLIENT_ERROR,
                      kModule, static_cast<int32_t>(__LINE__));
  }
  uint32_t data = 0;
  if (!b.u32(kBodyData, &data) || data == 0 || !b.has(data, kDataDescriptors)) return refuse(area, __LINE__);
  const uint16_t sqln = clt_col_u16(env, body + data + kDataSqln);
  const uint16_t columns = clt_col_u16(env, body + data + kDataColumns);
  if (!b.has(uint64_t{data} + kDataDescriptors, uint64_t{kDescSize} * columns)) return refuse(area, __LINE__);
  // A row-record cursor of the SQLDA form converts into its SQLDA as it
  // stands. Both keep the block's row count: a block whose count went
  // unrecorded would be dropped after its first row.
  if (layout == clt_block_layout::arrays || e->sqlda_form == 0) {
    if (!sqlda_matches(b, data, sqln, columns, da)) return modified(area, __LINE__, "SQLDA");
    if (level_at_least(main, kLevelCharsets) && !clt_blkf_csna_same(e, env.csna)) {
      return modified(area, __LINE__, "SQLCSNA");
    }
  } else if (columns > std::max<int16_t>(da->sqld, 0)) {
    return refuse(area, __LINE__);
  }
  e->rows = rows;
  e->hold = body[status + kStatusHold];
  clt_flag_copy kept = clt_blkf_flags(e, columns);
  const uint8_t* before = kept.bytes;
  const uint8_t* flags = nullptr;
  uint16_t flag_count = 0;
  const int32_t flagged = clt_col_flags(body, b.total, area, columns, true, &kept, kModule, &flags, &flag_count);
  if (kept.bytes != before) {
    // A new copy: the conversion reads the kept one as widened.
    if (clt_blkf_keep_flags(area, e, kept) != 0) return -1;
    flags = e->flags;
  }
  if (flagged != 0) return -1;
  if (flags != nullptr) clt_col_take_address(&env);

  // Kept by the thread and only grown: a row's cells cost no allocation.
  // Each reader sets every cell it hands on.
  static thread_local std::vector<clt_block_cell> cells;
  if (cells.size() < columns) cells.resize(columns);
  if (layout == clt_block_layout::arrays) {
    if (!array_cells(b, data, columns, da, e->next_row, &cells)) return refuse(area, __LINE__);
  } else {
    // The record after the current one; the first follows the descriptors.
    uint32_t record = kDataDescriptors + kDescSize * columns;
    if (e->row_record != nullptr &&
        !b.u32(static_cast<uint64_t>(e->row_record - body) + kRecordNext, &record)) {
      return refuse(area, __LINE__);
    }
    if (!b.has(uint64_t{data} + record, kRecordIndicators)) return refuse(area, __LINE__);
    e->row_record = const_cast<uint8_t*>(body) + data + record;
    if (!record_cells(b, data, columns, da, record, &cells)) return refuse(area, __LINE__);
  }
  const clt_env* settings = clt_main_env(main);
  const clt_block_row row{layout, cells.data(),
                          level_at_least(main, kLevelLongBinary) && settings->pdbinaryblkf == kYes};
  return clt_block_row_conv(body, b.total, data, columns, da, env, flags, flag_count, row, kModule);
}

int32_t convert(const uint8_t* body, uint32_t length, rdb_sql_area* area, clt_block_layout layout) {
  clt_main* main = clt_cur_main();
  clt_blkf_entry* e = main != nullptr ? static_cast<clt_blkf_entry*>(main->blkf_current) : nullptr;
  if (e == nullptr) {
    return clt_report(area, kModule, __LINE__, CLT_SQL_NO_MEMORY, CLT_SQLSTATE_DEFAULT, CLT_MSG_NO_MEMORY,
                      CLT_MEMORY_AREA_PROCESS, static_cast<uint32_t>(sizeof(clt_blkf_entry)));
  }
  const int32_t rc = deliver(body, length, area, main, e, layout);
  // Every call moves on, a failed row too.
  clt_blkf_next_row(main, e);
  return rc;
}

}  // namespace

int32_t clt_fetch_conv(const uint8_t* body, uint32_t length, rdb_sql_area* area) {
  return convert(body, length, area, clt_block_layout::arrays);
}

int32_t clt_fetch_conv_var5(const uint8_t* body, uint32_t length, rdb_sql_area* area) {
  return convert(body, length, area, clt_block_layout::records);
}
