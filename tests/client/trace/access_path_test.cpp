// Names of the access-path pair: fixed, or per connection from its time
// and number.
#include "cltapinf.h"
#include "sql_trace_support.h"

namespace {

using zk::sql_trace;

constexpr uint32_t kAt090307 = 1699952587;  // 2023/11/14 09:03:07 UTC
constexpr uint32_t kMillis = 42;

TEST_F(sql_trace, AccessPathNamesFollowTheMode) {
  struct name_case {
    const char* mode;
    const char* first;
    const char* second;
  } cases[] = {
      {"0", "pdtaapinf1", "pdtaapinf2"},
      {"1", "pdtaapinf090307042_5_1", "pdtaapinf090307042_5_2"},
  };
  for (const name_case& c : cases) {
    SCOPED_TRACE(c.mode);
    restart();
    open({{"PDSQLTRACE", "1000000"}, {"PDTAAPINFPATH", dir.path.c_str()}, {"PDTAAPINFMODE", c.mode}});
    main()->cnct_number = 5;
    main()->cnct_time_sec = kAt090307;
    main()->cnct_time_msec = kMillis;
    char name[32];
    clt_apinf_filename(main(), 0, name, sizeof name);
    EXPECT_STREQ(name, c.first);
    clt_apinf_filename(main(), 1, name, sizeof name);
    EXPECT_STREQ(name, c.second);
  }
}

}  // namespace
