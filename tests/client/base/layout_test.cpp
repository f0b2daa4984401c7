// The caller's records keep their layout on the build at hand.
#include <gtest/gtest.h>

#include <stddef.h>

#include "CLTLIBMN.h"
#include "zelkit.h"

namespace {

constexpr bool kPointers32 = sizeof(void*) == 4;

TEST(Layout, SqlcaIsTheSameOnEveryBuild) {
  EXPECT_EQ(sizeof(SQLCA), 336u);
  EXPECT_EQ(offsetof(SQLCA, sqlwarn), 304u);
  EXPECT_EQ(offsetof(SQLCA, sqlsrcline), 332u);
}

TEST(Layout, DescriptorSizeFollowsTheVariableCount) {
  // 16 + 16 x sqld where pointers are 4 bytes; computed from the types.
  size_t per_var = sizeof(SQLVAR);
  EXPECT_EQ(offsetof(SQLDA, sqlvar) + 3 * per_var, 16 + 3 * per_var);
  if (kPointers32) {
    EXPECT_EQ(per_var, 16u);
  } else {
    EXPECT_EQ(per_var, 8u + 2 * sizeof(void*));
  }
}

TEST(Layout, RequestAreaOffsets) {
  struct {
    size_t offset;
    size_t fixed;
    const char* field;
  } fields[] = {
      {offsetof(rdb_sql_area, reqcode), 102, "reqcode"},
      {offsetof(rdb_sql_area, sqltext), 116, "sqltext"},
      {offsetof(rdb_sql_area, sqlca), 120, "sqlca"},
      {offsetof(rdb_sql_area, sqlstate), 222, "sqlstate"},
      {offsetof(rdb_sql_area, version), 370, "version"},
      {offsetof(rdb_sql_area, extstmtname), 420, "extstmtname"},
      {offsetof(rdb_sql_area, sqlcsna2), 444, "sqlcsna2"},
      {offsetof(rdb_odbc_buf, ctxhandle), 292, "ctxhandle"},
      {offsetof(rdb_odbc_buf, inifile), 384, "inifile"},
      {offsetof(rdb_odbc_buf, wrnskip), 392, "wrnskip"},
  };
  for (const auto& f : fields) {
    if (kPointers32) {
      EXPECT_EQ(f.offset, f.fixed) << f.field;
    } else {
      // Wider pointers only move fields back, never forward.
      EXPECT_GE(f.offset, f.fixed) << f.field;
    }
  }
  // Fields before the first pointer never move.
  EXPECT_EQ(offsetof(rdb_sql_area, reqcode), 102u);
  EXPECT_EQ(offsetof(rdb_sql_area, rowif), 111u);
}

TEST(Layout, ContextBlockSize) {
  if (kPointers32) {
    EXPECT_EQ(sizeof(clt_global_data), 1620u);
  } else {
    EXPECT_GT(sizeof(clt_global_data), 1620u);
  }
}

}  // namespace
