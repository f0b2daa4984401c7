#include "cltsqadc.h"

#include <algorithm>

#include "CLTCOMCTX.h"
#include "CLTRPCPR.h"
#include "CLTSQLAG.h"
#include "CLTSQLDA.h"
#include "CLTUTL.h"
#include "cltsqadg.h"
#include "cltsqlaa.h"
#include "cltsqlbf.h"
#include "zk_codes.h"

namespace {

constexpr const char* kModule = "cltsqadc";
constexpr int32_t kSqlNoRowsEnd = 110;
constexpr uint32_t kBodyStatus = 8;
constexpr uint32_t kStatusHold = 6;
constexpr uint32_t kStatusRows = 14;
constexpr uint32_t kStatusSize = 16;
constexpr uint32_t kLevelCharsets = 24;
// The size reported when the entry holds no SQLDA copy.
constexpr uint32_t kSqldaCopyMissing = 64016;

int32_t no_memory(rdb_sql_area* area, int32_t line, uint32_t size) {
  return clt_report(area, kModule, line, CLT_SQL_NO_MEMORY, CLT_SQLSTATE_DEFAULT, CLT_MSG_NO_MEMORY,
                    CLT_MEMORY_AREA_PROCESS, size);
}

// The caller's SQLDA against the copy of the first blocked FETCH.
bool same_sqlda(const SQLDA* now, const SQLDA* was) {
  if (now->sqln != was->sqln || now->sqld != was->sqld) return false;
  for (int32_t i = 0; i < std::max<int16_t>(now->sqld, 0); ++i) {
    const SQLVAR& a = now->sqlvar[i];
    const SQLVAR& b = was->sqlvar[i];
    const uint8_t host = a.sqlcod & 0xFE;
    const bool any_code = host == CLT_T_CHAR_NUL || host == CLT_T_DEC_TEXT || host == CLT_T_ZONED;
    if (!any_code && a.sqlcod != b.sqlcod) return false;
    switch (host) {
      case CLT_T_PACKED8: case CLT_T_PACKED6: case CLT_T_DECIMAL: case CLT_T_DECIMAL2: case CLT_T_DEC_TEXT:
      case CLT_T_ZONED:
        if (a.len.d.sqlprcsn != b.len.d.sqlprcsn || a.len.d.sqlscale != b.len.d.sqlscale) return false;
        break;
      case CLT_T_LOB:
        if (a.len.sqllen32 != b.len.sqllen32) return false;
        break;
      default:
        if (a.len.s.sqllen != b.len.s.sqllen) return false;
    }
  }
  return true;
}

// A SQLDA-form FETCH reply as the entries read it.
struct sqlda_reply {
  clt_reply_conn* reply;
  clt_col_env e;
  uint32_t total;
  int16_t columns;
};

// The connection's rules, the reply's total and its column count, checked
// against the SQLDA: a reply that names more columns than the SQLDA
// describes is refused. 0, or -1 after the failure was reported.
int32_t open_reply(const uint8_t* body, uint32_t length, rdb_sql_area* area, sqlda_reply* out) {
  clt_main* main = clt_cur_main();
  if (main == nullptr || area->sqliasda == nullptr) return clt_col_client_error(area, kModule, __LINE__);
  out->reply = clt_main_reply(main);
  clt_col_env_of(area, false, out->reply->sqlca_mark, &out->e);
  uint32_t data = 0;
  if (!clt_col_body(out->e, body, length, &out->total, &data) || data == 0 || out->total - data < sizeof(uint16_t) ||
      clt_col_u16(out->e, body + data) > static_cast<uint16_t>(std::max<int16_t>(area->sqliasda->sqld, 0))) {
    return clt_col_refuse(area, kModule, __LINE__);
  }
  out->columns = static_cast<int16_t>(clt_col_u16(out->e, body + data));
  return 0;
}

}  // namespace

int32_t clt_sqlda_row_conv(const uint8_t* body, uint32_t length, rdb_sql_area* area) {
  const int32_t code = area->sqlca->SQLCODE;
  if (code == CLT_SQL_NO_ROWS || code == kSqlNoRowsEnd) return 0;
  sqlda_reply in{};
  if (open_reply(body, length, area, &in) != 0) return -1;
  int32_t position = 0;
  return clt_sqlda_conv(body, in.total, area, &position, in.reply->sqlca_mark, 0, in.columns, &in.reply->kept_flags) == 0
             ? 0
             : -1;
}

int32_t clt_sqlda_array_conv(const uint8_t* body, uint32_t length, rdb_sql_area* area) {
  clt_main* main = clt_cur_main();
  if (main != nullptr) main->array_rows = 0;
  sqlda_reply in{};
  if (open_reply(body, length, area, &in) != 0) return -1;
  uint16_t rows = 0;
  // More rows than the array holds are refused before any is written.
  if (!clt_array_rows(in.e, body, in.total, area, &rows)) return clt_col_refuse(area, kModule, __LINE__);
  main->array_rows = rows;
  int32_t position = 0;
  for (uint16_t r = 0; r < rows; ++r) {
    const int32_t before = position;
    if (clt_sqlda_conv(body, in.total, area, &position, in.reply->sqlca_mark, static_cast<int16_t>(r), in.columns,
                       &in.reply->kept_flags) != 0) {
      return -1;
    }
    // A row that stopped at KFPA11306-E keeps its position: the rows
    // after it would read its values again.
    if (position == before && in.columns > 0) return 0;
  }
  return 0;
}

int32_t clt_sqlda_blkf_conv(const clt_col_env& env, const uint8_t* body, uint32_t length, rdb_sql_area* area) {
  clt_main* main = env.main;
  clt_blkf_entry* e = clt_blkf_current();
  if (main == nullptr || e == nullptr) return no_memory(area, __LINE__, static_cast<uint32_t>(sizeof(clt_blkf_entry)));
  if (e->sqlda == nullptr) return no_memory(area, __LINE__, kSqldaCopyMissing);
  uint32_t total = 0;
  uint32_t data = 0;
  const bool has_data = clt_col_body(env, body, length, &total, &data);
  // A body too short for its directory leaves the total 0.
  const uint32_t status = total != 0 ? clt_col_u32(env, body + kBodyStatus) : 0;
  if (status == 0 || status > total || total - status < kStatusSize) return clt_col_refuse(area, kModule, __LINE__);
  e->rows = clt_col_u16(env, body + status + kStatusRows);
  e->hold = body[status + kStatusHold];
  const SQLDA* da = area->sqliasda;
  if (da == nullptr || !same_sqlda(da, e->sqlda)) {
    return clt_report(area, kModule, __LINE__, CLT_SQL_MODIFIED, CLT_SQLSTATE_DEFAULT, CLT_MSG_MODIFIED, "SQLDA");
  }
  if (clt_srv_level_at_least(static_cast<uint32_t>(main->srv_level), kLevelCharsets) &&
      !clt_blkf_csna_same(e, env.csna)) {
    return clt_report(area, kModule, __LINE__, CLT_SQL_MODIFIED, CLT_SQLSTATE_DEFAULT, CLT_MSG_MODIFIED, "SQLCSNA");
  }
  if (!has_data || data == 0 || total - data < sizeof(uint16_t) ||
      clt_col_u16(env, body + data) > static_cast<uint16_t>(std::max<int16_t>(da->sqld, 0))) {
    return clt_col_refuse(area, kModule, __LINE__);
  }
  const auto columns = static_cast<int16_t>(clt_col_u16(env, body + data));
  // The row position lives in the block counter, which each new block
  // clears: 0 places the reader before the block's first row.
  auto position = static_cast<int32_t>(e->block_counter);
  clt_flag_copy kept = clt_blkf_flags(e, static_cast<uint16_t>(columns));
  const uint8_t* before = kept.bytes;
  const int32_t rc = clt_sqlda_conv_in(env, body, total, area, &position, 0, columns, &kept);
  if (kept.bytes != before && clt_blkf_keep_flags(area, e, kept) != 0) return -1;
  if (rc != 0) return -1;
  e->block_counter = static_cast<uint32_t>(position);
  return 0;
}
