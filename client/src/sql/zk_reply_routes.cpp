#include "zk_reply_routes.h"

#include "CLTSQLAF.h"
#include "CLTSQLAG.h"
#include "CLTUTL.h"
#include "cltsqadc.h"
#include "zk_codes.h"

namespace {

constexpr const char* kModule = "cltsqadc";

}  // namespace

int32_t clt_col_convert(clt_reply_route route, const uint8_t* body, uint32_t length, rdb_sql_area* area) {
  switch (route) {
    case clt_reply_route::output: return clt_out_conv(body, length, area);
    case clt_reply_route::sqlda_single: return clt_sqlda_row_conv(body, length, area);
    case clt_reply_route::block: return clt_fetch_conv(body, length, area);
    case clt_reply_route::block_variant: return clt_fetch_conv_var5(body, length, area);
    default:
      return clt_report(area, kModule, __LINE__, CLT_SQL_CLIENT_ERROR, CLT_SQLSTATE_DEFAULT, CLT_MSG_CLIENT_ERROR,
                        kModule, static_cast<int32_t>(__LINE__));
  }
}
