#include "cltsqadc.h"

#include <algorithm>

#include "CLTCOMCTX.h"
#include "CLTSQLAG.h"
#include "CLTUTL.h"
#include "cltsqadg.h"
#include "cltsqlaa.h"
#include "zk_codes.h"

namespace {

constexpr const char* kModule = "cltsqadc";
constexpr int32_t kSqlNoRowsEnd = 110;

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

int32_t clt_col_convert(clt_reply_route route, const uint8_t* body, uint32_t length, rdb_sql_area* area) {
  switch (route) {
    case clt_reply_route::output: return clt_out_conv(body, length, area);
    case clt_reply_route::sqlda_single: return clt_sqlda_row_conv(body, length, area);
    case clt_reply_route::sqlda_array: return clt_sqlda_array_conv(body, length, area);
    case clt_reply_route::column: return clt_col_conv(body, length, area);
    case clt_reply_route::column_variant: return clt_col_conv_var5(body, length, area);
    default: return clt_col_client_error(area, kModule, __LINE__);
  }
}
