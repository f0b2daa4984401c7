// The variable dumps of the SQL trace: headers, hexadecimal lines, folded
// repetitions, NULL values, arrays of a FETCH, and the PDPRMTRC choices.
#include <string.h>

#include "sql_trace_support.h"

namespace {

using zk::sql_trace;

// A descriptor of up to four variables, laid out as the caller's.
struct descriptor {
  SQLDA da{};
  SQLVAR more[3]{};
  explicit descriptor(int16_t count) {
    memcpy(da.sqldaid, "SQLDA   ", 8);
    da.sqln = count;
    da.sqld = count;
  }
  SQLVAR& var(int i) { return da.sqlvar[i]; }
};

void set_var(SQLVAR& v, uint8_t code, int16_t length, void* data, void* indicator = nullptr) {
  v.sqlcod = code;
  v.XDIM = 1;
  v.len.s.sqllen = length;
  v.SQLDATA = data;
  v.SQLIND = indicator;
}

// What follows the request line of the request `code`.
std::string dumps_after(const std::string& files, const char* code) {
  const size_t at = files.rfind(code);
  if (at == std::string::npos) return "(no request line)";
  return files.substr(files.find('\n', at) + 1);
}

constexpr char kVarcharHeader[] = "     *INPRM* NO=    1 COD=a0 XDIM=    1 SYS=    0 LEN=       100 IND=         0\n";

struct varchar100 {
  uint16_t used = 3;
  char text[100] = "abc";
};

TEST_F(sql_trace, VaryingValueDumpsItsUsedOrItsDeclaredLength) {
  struct dump_case {
    const char* prmtrc;
    std::string want;
  } cases[] = {
      {"IN", std::string(kVarcharHeader) +
                 "             DATA=03 00 61 62 63                                    *..abc           *\n"},
      {"YES",
       "     *PARAM* NO=    1 COD=a0 XDIM=    1 SYS=    0 LEN=       100 IND=         0\n"
       "             DATA=03 00 61 62 63 00 00 00 00 00 00 00 00 00 00 00   *..abc...........*\n"
       "                  00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00   *................*\n"
       "                  00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00   *................*\n"
       "                  00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00   *................*\n"
       "                  00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00   *................*\n"
       "                  00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00   *................*\n"
       "                  00 00 00 00 00 00                                 *......          *\n"},
  };
  for (const dump_case& c : cases) {
    SCOPED_TRACE(c.prmtrc);
    restart();
    open({{"PDSQLTRACE", "1000000"}, {"PDPRMTRC", c.prmtrc}});
    varchar100 value;
    descriptor in(1);
    set_var(in.var(0), 0xA0, 100, &value);
    zk::request r{"OPEN"};
    r.area.sqliasda = &in.da;
    trace(r);
    EXPECT_EQ(dumps_after(sql_files(), "OPEN"), c.want);
  }
}

TEST_F(sql_trace, EqualLinesFoldExceptWithYes) {
  const std::string a_line = "41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41   *AAAAAAAAAAAAAAAA*\n";
  struct fold_case {
    const char* prmtrc;
    const char* size;
    std::string want;
  } cases[] = {
      {"IN", "256", "             DATA=" + a_line + "                  --- SAME 3 LINES ---\n"},
      {"YES", "256", "             DATA=" + a_line + "                  " + a_line + "                  " + a_line +
                         "                  " + a_line},
      {"IN", "16", "             DATA=" + a_line},
  };
  for (const fold_case& c : cases) {
    SCOPED_TRACE(std::string(c.prmtrc) + " " + c.size);
    restart();
    open({{"PDSQLTRACE", "1000000"}, {"PDPRMTRC", c.prmtrc}, {"PDPRMTRCSIZE", c.size}});
    char value[64];
    memset(value, 'A', sizeof value);
    descriptor in(1);
    set_var(in.var(0), 0x30, sizeof value, value);
    zk::request r{"OPEN"};
    r.area.sqliasda = &in.da;
    trace(r);
    const std::string dump = dumps_after(sql_files(), "OPEN");
    const size_t header_end = dump.find('\n') + 1;
    EXPECT_EQ(dump.substr(header_end), c.want);
  }
}

TEST_F(sql_trace, NullInputShowsItsIndicatorAndNoData) {
  open({{"PDSQLTRACE", "1000000"}, {"PDPRMTRC", "IN"}});
  varchar100 value;
  int16_t indicator = -1;
  descriptor in(1);
  set_var(in.var(0), 0xA1, 100, &value, &indicator);
  zk::request r{"OPEN"};
  r.area.sqliasda = &in.da;
  trace(r);
  EXPECT_EQ(dumps_after(sql_files(), "OPEN"),
            "     *INPRM* NO=    1 COD=a1 XDIM=    1 SYS=    0 LEN=       100 IND=        -1\n"
            "             DATA=\n");
}

TEST_F(sql_trace, InoutCallShowsInputsThenOutputs) {
  open({{"PDSQLTRACE", "1000000"}, {"PDPRMTRC", "INOUT"}});
  char in_value[2] = {'I', 'N'};
  char out_value[3] = {'O', 'U', 'T'};
  descriptor in(1);
  descriptor out(1);
  set_var(in.var(0), 0x30, 2, in_value);
  set_var(out.var(0), 0x30, 3, out_value);
  zk::request r{"CALL"};
  r.area.sqliasda = &in.da;
  r.area.sqliasda2 = &out.da;
  trace(r);
  EXPECT_EQ(dumps_after(sql_files(), "CALL"),
            "     *INPRM* NO=    1 COD=30 XDIM=    1 SYS=    0 LEN=         2 IND=         0\n"
            "             DATA=49 4e                                             *IN              *\n"
            "     *OUTPM* NO=    1 COD=30 XDIM=    1 SYS=    0 LEN=         3 IND=         0\n"
            "             DATA=4f 55 54                                          *OUT             *\n");
}

TEST_F(sql_trace, ArrayFetchDumpsTheReturnedRowsElementByElement) {
  struct fetch_case {
    int16_t rows_asked;
    int32_t sqlcode;
    std::string want;
  } cases[] = {
      {3, 0,
       "     *ROW NUM = 3*\n"
       "     *OUTPM* NO=    1 COD=31 XDIM=    1 SYS=    0 LEN=         2 IND=         0\n"
       "           0 DATA(    0)=61 31                                             *a1              *\n"
       "          -1 DATA(    1)=\n"
       "           0 DATA(    2)=63 33                                             *c3              *\n"},
      {1, 100, ""},
  };
  for (const fetch_case& c : cases) {
    SCOPED_TRACE(c.rows_asked);
    restart();
    open({{"PDSQLTRACE", "1000000"}, {"PDPRMTRC", "OUT"}});
    // Host strings of this type end with a terminator: three bytes apart.
    char values[9] = {'a', '1', 0, 'b', '2', 0, 'c', '3', 0};
    int16_t indicators[3] = {0, -1, 0};
    descriptor into(1);
    set_var(into.var(0), 0x31, 2, values, indicators);
    zk::request r{"FETC"};
    r.area.sqliasda = &into.da;
    r.area.fetchrows = c.rows_asked;
    r.sqlca.SQLCODE = c.sqlcode;
    main()->array_rows = 3;
    trace(r);
    EXPECT_EQ(dumps_after(sql_files(), "FETC"), c.want);
  }
}

}  // namespace

namespace {

// A repeated variable's element count comes from the caller's data; the
// dump never reads past the declared dimension.
TEST_F(sql_trace, RepeatedVariableCountIsHeldToItsDimension) {
  open({{"PDSQLTRACE", "1000000"}, {"PDPRMTRC", "IN"}});
  struct {
    int32_t count = 5;  // more than the dimension
    char elements[2][2] = {{'x', '1'}, {'y', '2'}};
  } value;
  struct {
    int32_t whole = 0;
    int16_t each[2] = {0, 0};
  } indicators;
  descriptor in(1);
  set_var(in.var(0), 0x30, 2, &value, &indicators);
  in.var(0).XDIM = 2;
  zk::request r{"OPEN"};
  r.area.termbyte = 2;  // host strings without a terminator: elements two bytes apart
  r.area.sqliasda = &in.da;
  trace(r);
  EXPECT_EQ(dumps_after(sql_files(), "OPEN"),
            "     *INPRM* NO=    1 COD=30 XDIM=    2 SYS=    0 LEN=         2 IND=         0\n"
            "             ARRAY NUM=    2\n"
            "           0 DATA(    0)=78 31                                             *x1              *\n"
            "           0 DATA(    1)=79 32                                             *y2              *\n");
}

}  // namespace
