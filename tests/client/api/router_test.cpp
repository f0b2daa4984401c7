// Statement routing: server feature gates, array checks, the cursor list
// and block fetch.
#include <gtest/gtest.h>

#include "CLTLIBCT.h"
#include "CLTSQLDA.h"
#include "CLTUTL.h"
#include "cltsqlbf.h"
#include "zk_script.h"

namespace {

using op = clt_runtime_op;

struct router : ::testing::Test {
  zk::services_scope services;
  zk::script& s = zk::scripted();
  int marker = 0;

  void connect_at(int32_t level) {
    s.server_level = level;
    zk::request cn;
    zk::connect(cn);
  }
  void TearDown() override {
    s.outcomes.clear();
    if (clt_global.main) {
      zk::request disc{"DISC"};
      disc.exsql();
    }
  }
};

struct gate_case {
  const char* code;
  const char* token;  // null: the request passes
  int32_t level;
  void (*setup)(rdb_sql_area& area, void* name);
};

void ext_cursor(rdb_sql_area& a, void* name) {
  a.version = 0x0702;
  a.extcursname = name;
}
void ext_cursor_old_layout(rdb_sql_area& a, void* name) {
  a.version = 0x0600;
  a.extcursname = name;
}
void ext_statement(rdb_sql_area& a, void* name) {
  a.version = 0x0702;
  a.extstmtname = name;
}
void type_option(rdb_sql_area& a, void*) { a.attrkind = 'T'; }
void describe(rdb_sql_area& a, void*) {
  a.version = 0x0702;
  a.setvars = 'Y';
}
void nothing(rdb_sql_area&, void*) {}
void array_count(rdb_sql_area& a, void*) {
  a.version = 0x0700;
  a.arycount = 5;
}
void output_list(rdb_sql_area& a, void* name) {
  a.version = 0x0702;
  a.sqliasda2 = static_cast<SQLDA*>(name);
}

TEST_F(router, FeatureGatesFollowTheServerLevel) {
  static SQLDA empty_list{};
  const gate_case cases[] = {
      {"FETC", "EXTENDED CURSOR NAME", -22, ext_cursor},
      {"FETC", nullptr, -23, ext_cursor},
      {"FETC", nullptr, -22, ext_cursor_old_layout},
      {"CLOS", "EXTENDED CURSOR NAME", -22, ext_cursor},
      {"DESC", "EXTENDED STATEMENT NAME", -22, ext_statement},
      {"SET ", "TYPE OPTION", -9, type_option},
      {"SET ", nullptr, -10, type_option},
      {"SET ", "DESCRIBE", -22, describe},
      {"DEST", "DESCRIBE TYPE", -9, nothing},
      {"SAUH", "SET SESSION AUTHORIZATION", -11, nothing},
      {"JARI", "JAR", -13, nothing},
      {"JARU", nullptr, -14, nothing},
      {"CLRM", "CLIB", -25, nothing},
      {"AUI3", "SET", -20, nothing},
      {"EUTL", "EXECUTE UTL", -20, nothing},
      {"ALCR", "ALLOCATE CURSOR", -22, nothing},
      {"DSET", "DEALLOCATE PREPARE", -22, nothing},
      {"AUX ", "ARRAY INSERT", -18, array_count},
      {"AUXI", "SINGLE ROW SELECT", -22, output_list},
      {"JARI", nullptr, 0, nothing},  // a level not reported yet passes
  };
  for (const gate_case& c : cases) {
    SCOPED_TRACE(std::string(c.code) + " " + std::to_string(c.level));
    connect_at(c.level);
    zk::request r{c.code};
    c.setup(r.area, c.setup == output_list ? static_cast<void*>(&empty_list) : &marker);
    int32_t result = r.exsql();
    std::vector<op> ran = zk::take_ran();
    if (c.token) {
      EXPECT_EQ(result, -10);
      EXPECT_EQ(r.sqlcode(), -988);
      EXPECT_EQ(r.message(), std::string("KFPA11988-E Required function ") + c.token +
                                 " is not supported");
      EXPECT_TRUE(ran.empty());
      EXPECT_NE(clt_global.main, nullptr);  // the connection stays usable
    } else {
      EXPECT_EQ(result, 0);
      EXPECT_FALSE(ran.empty());
    }
    zk::request disc{"DISC"};
    disc.exsql();
    zk::take_ran();
  }
}

TEST_F(router, RowInterfaceNeedsTheClientsByteOrder) {
  s.byteorder = 0;
  connect_at(-27);
  zk::request r{"FETC"};
  r.area.rowif = 'S';
  EXPECT_EQ(r.exsql(), -10);
  EXPECT_EQ(r.sqlcode(), -104);
  EXPECT_EQ(r.message(), "KFPA11104-E Invalid part \"ROW\" in SQL");
  s.byteorder = 1;
}

SQLVAR var(uint8_t code, int32_t length, int16_t elements = 1) {
  SQLVAR v{};
  v.sqlcod = code;
  // Large binaries carry a 32-bit length, every other code a 16-bit one.
  if (clt_long_length(clt_kind_of(code))) {
    v.len.sqllen32 = static_cast<uint32_t>(length);
  } else {
    v.len.s.sqllen = static_cast<int16_t>(length);
  }
  v.XDIM = elements;
  return v;
}

// A descriptor with room for two variables.
struct two_vars {
  SQLDA da{};
  SQLVAR second{};
  two_vars(SQLVAR a, SQLVAR b) {
    da.sqln = da.sqld = 2;
    da.sqlvar[0] = a;
    second = b;
  }
};

TEST_F(router, ArrayInsertLimits) {
  connect_at(-27);
  struct {
    const char* code;
    int16_t count;
    int16_t declared;
    int32_t sqlcode;
  } cases[] = {
      {"AUX ", 30000, 30000, 0}, {"AUX ", 30001, 30001, -316}, {"AUI2", 4096, -1, 0},
      {"AUI2", 4097, -1, -316},  {"AUX ", 11, 10, -316},       {"AUX ", 0, 10, -316},
      {"AUX ", 40, 0, 0},  // no declared maximum: not checked here
  };
  for (const auto& c : cases) {
    zk::request r{c.code};
    r.area.version = 0x0700;
    r.area.arycount = c.count;
    r.area.arymax = c.declared;
    r.exsql();
    EXPECT_EQ(r.sqlcode(), c.sqlcode) << c.code << c.count;
    if (c.sqlcode == -316) {
      EXPECT_EQ(r.message(), "KFPA11316-E Invalid number of elements of array variable");
    }
  }
}

TEST_F(router, ArrayInsertVariables) {
  connect_at(-27);
  struct {
    SQLVAR second;
    bool passes;
  } cases[] = {
      {var(0x90, 32000), true},   {var(0x90, 30), false}, {var(0x91, 32004), false},
      {var(0x90, 65540), false},  // beyond the limit, whatever its low 16 bits say
      {var(0x92, 4), false},      {var(0x9F, 4), false},  {var(0xC0, 10, 2), false},
      {var(0xC0, 10), true},
  };
  for (const auto& c : cases) {
    two_vars vars(var(0xF0, 4), c.second);
    zk::request r{"AUX "};
    r.area.version = 0x0700;
    r.area.arycount = 2;
    r.area.arymax = 10;
    r.area.sqliasda = &vars.da;
    int32_t result = r.exsql();
    if (c.passes) {
      EXPECT_EQ(result, 0);
      EXPECT_EQ(clt_global.main->ary_checked, 'Y');
    } else {
      EXPECT_EQ(r.sqlcode(), -311);
      EXPECT_EQ(r.message(), "KFPA11311-E Invalid data type or length of variable \"    2\" (using)");
      EXPECT_EQ(r.sqlstate(), "R0000");  // standard SQLSTATEs are off
    }
  }
}

TEST_F(router, OldLayoutRefusesMultiValueVariables) {
  connect_at(-27);
  two_vars multi(var(0xC0, 10), var(0xC0, 10, 3));
  two_vars single(var(0xC0, 10), var(0xC0, 10));
  struct {
    const char* code;
    SQLDA* input;
    SQLDA* output;
    int32_t sqlcode;
  } cases[] = {
      {"OPEN", &multi.da, nullptr, -315},
      {"OPEN", &single.da, &multi.da, 0},
      {"CALL", &single.da, &multi.da, -315},
      {"FETC", &multi.da, nullptr, -315},
  };
  for (const auto& c : cases) {
    zk::request r{c.code};
    r.area.version = 0x0400;
    r.area.sqliasda = c.input;
    r.area.sqliasda2 = c.output;
    r.exsql();
    EXPECT_EQ(r.sqlcode(), c.sqlcode) << c.code;
  }
}

TEST_F(router, CursorLevelTwoAnswersOpenAndCloseLocally) {
  s.settings[clt_setting::cursorlvl] = '2';
  connect_at(-27);
  s.loc_state = CLT_LOC_NONE;
  zk::request open{"OPEN"};
  EXPECT_EQ(open.exsql(), 0);
  EXPECT_EQ(open.message(), "KFPA12000-I Processing of SQL completed");
  EXPECT_EQ(open.sqlstate(), "00000");
  EXPECT_EQ(zk::take_ran(), (std::vector<op>{op::loc_find, op::close_cleanup, op::loc_store_vars}));

  zk::request again{"OPEN"};
  EXPECT_EQ(again.exsql(), -10);
  EXPECT_EQ(again.sqlcode(), -502);
  EXPECT_EQ(again.message(), "KFPA11502-E Cursor already opened");
  zk::take_ran();

  zk::request close{"CLOS"};
  EXPECT_EQ(close.exsql(), 0);
  EXPECT_EQ(close.sqlcode(), 0);
  EXPECT_EQ(close.sqlstate(), "00000");
  EXPECT_EQ(zk::take_ran(), (std::vector<op>{op::loc_find, op::loc_release, op::close_cleanup}));

  s.loc_state = 0;  // found, not open
  zk::request fetch{"FETC"};
  EXPECT_EQ(fetch.exsql(), -10);
  EXPECT_EQ(fetch.sqlcode(), -501);
  EXPECT_EQ(fetch.message(), "KFPA11501-E Cursor not opened");
}

TEST_F(router, CursorLevelOneSendsTheOpen) {
  s.settings[clt_setting::cursorlvl] = '1';
  connect_at(-27);
  s.loc_state = CLT_LOC_NONE;
  zk::request open{"OPEN"};
  EXPECT_EQ(open.exsql(), 0);
  EXPECT_EQ(zk::take_ran(), (std::vector<op>{op::loc_find, op::close_cleanup, op::loc_store_vars,
                                             op::exec_general}));
  // An open cursor goes to the server, which answers for it.
  zk::request close{"CLOS"};
  EXPECT_EQ(close.exsql(), 0);
  EXPECT_EQ(zk::take_ran(), (std::vector<op>{op::loc_find, op::exec_close, op::loc_release}));
  // Below level 24 the cursor list is not used at all.
  zk::request disc{"DISC"};
  disc.exsql();
  connect_at(-23);
  zk::request old{"OPEN"};
  EXPECT_EQ(old.exsql(), 0);
  EXPECT_EQ(zk::take_ran(), std::vector<op>{op::exec_general});
}

TEST_F(router, FetchOnOldServersChoosesBlockFetch) {
  s.settings[clt_setting::blkf] = 2;
  connect_at(-8);
  clt_blkf_entry entry{};
  struct {
    uint8_t perm1;
    int16_t rows;
    bool has_block;  // the find makes the cursor's entry current
    std::vector<op> ran;
    int32_t sqlcode;
    uint16_t flag;
  } cases[] = {
      {1, 0, false, {op::exec_fetch}, 0, 0},
      {0, 0, false, {op::exec_general}, 0, 1},
      {1, 3, true, {op::blkf_find}, -316, 1},  // a current buffer refuses the array
      {1, 3, false, {op::blkf_find, op::exec_general}, 0, 1},
  };
  for (const auto& c : cases) {
    // The scripted find leaves the current pointer as the case sets it.
    clt_global.main->blkf_current = c.has_block ? &entry : nullptr;
    zk::request r{"FETC"};
    r.area.blkf_perm1 = c.perm1;
    r.area.blkf_perm2 = 1;
    r.area.fetchrows = c.rows;
    r.exsql();
    EXPECT_EQ(zk::take_ran(), c.ran);
    EXPECT_EQ(r.sqlcode(), c.sqlcode);
    EXPECT_EQ(clt_global.main->blkf_flag, c.flag);
  }
  clt_global.main->blkf_current = nullptr;
  s.settings.erase(clt_setting::blkf);
  zk::request plain{"FETC"};
  plain.area.blkf_perm1 = plain.area.blkf_perm2 = 1;
  plain.exsql();
  EXPECT_EQ(zk::take_ran(), std::vector<op>{op::exec_general});
}

TEST_F(router, ArrayFetchChecksItsVariables) {
  connect_at(-27);
  two_vars bad(var(0xC0, 10), var(0x98, 4));
  zk::request r{"FETC"};
  r.area.fetchrows = 5;
  r.area.sqliasda = &bad.da;
  EXPECT_EQ(r.exsql(), -10);
  EXPECT_EQ(r.message(), "KFPA11311-E Invalid data type or length of variable \"    2\" (into)");

  zk::request many{"FETC"};
  many.area.fetchrows = 30001;
  EXPECT_EQ(many.exsql(), -10);
  EXPECT_EQ(many.sqlcode(), -316);

  zk::request fine{"FETC"};
  fine.area.fetchrows = 30000;
  zk::take_ran();
  EXPECT_EQ(fine.exsql(), 0);
  EXPECT_EQ(zk::take_ran(), std::vector<op>{op::exec_array});
}

// Large binaries are measured by their 32-bit length: below level 21 an
// array FETCH takes at most 32000 bytes, and block fetch leaves longer
// ones to the plain FETCH.
TEST_F(router, LargeBinariesAreMeasuredByTheirWholeLength) {
  constexpr int32_t kLong = 65540;  // its low 16 bits would say 4
  s.settings[clt_setting::blkf] = 2;
  connect_at(-8);
  two_vars binary(var(0xC0, 10), var(0x90, kLong));
  zk::request array{"FETC"};
  array.area.fetchrows = 5;
  array.area.sqliasda = &binary.da;
  EXPECT_EQ(array.exsql(), -10);
  EXPECT_EQ(array.message(), "KFPA11311-E Invalid data type or length of variable \"    2\" (into)");
  zk::take_ran();

  zk::request plain{"FETC"};
  plain.area.blkf_perm1 = plain.area.blkf_perm2 = 1;
  plain.area.sqliasda = &binary.da;
  plain.exsql();
  EXPECT_EQ(zk::take_ran(), std::vector<op>{op::exec_general});
  EXPECT_EQ(clt_global.main->blkf_flag, 1);
}

TEST_F(router, FollowUpsAfterTheExecutor) {
  s.settings[clt_setting::blkf] = 2;
  s.settings[clt_setting::prpcrcls] = 'Y';
  s.settings[clt_setting::cursorlvl] = '2';
  connect_at(-27);
  clt_global.main->blkf_list = &marker;

  zk::request set{"SET "};
  set.exsql();
  EXPECT_EQ(zk::take_ran(), (std::vector<op>{op::blkf_release, op::exec_general}));
  zk::request kept{"SET "};
  kept.area.prpcrcls = 'N';
  kept.exsql();
  EXPECT_EQ(zk::take_ran(), std::vector<op>{op::exec_general});

  zk::request roll{"ROLL"};
  roll.exsql();
  EXPECT_EQ(zk::take_ran(), (std::vector<op>{op::exec_transact, op::loc_free_unheld}));
  zk::request commit{"CMIT"};
  commit.exsql();
  EXPECT_EQ(zk::take_ran(), (std::vector<op>{op::exec_transact, op::loc_free_closed}));

  s.loc_state = CLT_LOC_OTHER_SECTIONS;
  zk::request dealloc{"DSET"};
  dealloc.area.version = 0x0702;
  dealloc.area.extstmtname = &marker;
  dealloc.exsql();
  EXPECT_EQ(zk::take_ran(), (std::vector<op>{op::exec_general, op::loc_find, op::loc_free_same_name,
                                             op::loc_free_ext, op::loc_release}));
  clt_global.main->blkf_list = nullptr;
}

TEST_F(router, CcmdAndBlockFetchEndFollowTheReply) {
  s.settings[clt_setting::blkf] = 2;
  connect_at(-27);
  clt_svc.runtime = [](clt_runtime_op which, rdb_sql_area* area) -> int32_t {
    zk::scripted().ran.push_back(which);
    if (which == op::exec_general) {
      clt_main_reply(clt_cur_main())->finished = 'Y';
      area->sqlca->sqlwarn[0] = 'W';
      area->sqlca->sqlwarn[6] = 'W';
    }
    return 0;
  };
  zk::request r{"OPEN"};
  EXPECT_EQ(r.exsql(), 0);
  EXPECT_EQ(zk::take_ran(), (std::vector<op>{op::exec_general, op::exec_ccmd, op::blkf_free_all}));
  EXPECT_EQ(clt_main_reply(clt_global.main)->finished, 0);
}

// The server ended the transaction when sqlwarn0 and sqlwarn6 are both
// set: the statement list loses what a ROLLBACK frees. Without them it
// stays as it is.
TEST_F(router, BothWarningsOfAReplyFreeTheUnheldStatements) {
  s.settings[clt_setting::cursorlvl] = '1';
  connect_at(-27);
  clt_global.main->loc_list = &marker;
  for (bool warned : {false, true}) {
    SCOPED_TRACE(warned);
    static bool warn;
    warn = warned;
    clt_svc.runtime = [](clt_runtime_op which, rdb_sql_area* area) -> int32_t {
      zk::scripted().ran.push_back(which);
      if (which == op::exec_general && warn) {
        area->sqlca->sqlwarn[0] = 'W';
        area->sqlca->sqlwarn[6] = 'W';
      }
      return 0;
    };
    zk::request prep{"SET "};
    EXPECT_EQ(prep.exsql(), 0);
    EXPECT_EQ(zk::take_ran(), warned ? (std::vector<op>{op::exec_general, op::loc_free_unheld})
                                     : std::vector<op>{op::exec_general});
  }
  clt_global.main->loc_list = nullptr;
}

}  // namespace
