#include "zk_reply_routes.h"

#include "CLTSQLAF.h"
#include "CLTSQLAG.h"
#include "cltsqadc.h"
#include "cltsqlaa.h"

namespace {

constexpr const char* kModule = "cltsqadc";

}  // namespace

int32_t clt_col_convert(clt_reply_route route, const uint8_t* body, uint32_t length, rdb_sql_area* area) {
  switch (route) {
    case clt_reply_route::output: return clt_out_conv(body, length, area);
    case clt_reply_route::sqlda_single: return clt_sqlda_row_conv(body, length, area);
    case clt_reply_route::sqlda_array: return clt_sqlda_array_conv(body, length, area);
    case clt_reply_route::column: return clt_col_conv(body, length, area);
    case clt_reply_route::column_variant: return clt_col_conv_var5(body, length, area);
    case clt_reply_route::block: return clt_fetch_conv(body, length, area);
    case clt_reply_route::block_variant: return clt_fetch_conv_var5(body, length, area);
    default: return clt_col_client_error(area, kModule, __LINE__);
  }
}
