#include "objedit/core/fschemacore.h"

#include <gtest/gtest.h>

#include "app/core/ovoptions.h"

namespace {

using Lines = std::vector<std::string>;

TEST(SchemaEditorRules, CreateLinesWithAndWithoutAComment) {
  AppOption.UserLowerName = false;
  EXPECT_EQ(SchemaCreateLines("S1", "Sales data"), (Lines{"CREATE SCHEMA S1", " COMMENT 'Sales data'"}));
  EXPECT_EQ(SchemaCreateLines("S1", ""), (Lines{"CREATE SCHEMA S1"}));
  EXPECT_EQ(SchemaCreateLines("s1", "It's"), (Lines{"CREATE SCHEMA \"s1\"", " COMMENT 'It''s'"}));
  EXPECT_EQ(DropSchemaStatement("S1"), "DROP SCHEMA S1");
  EXPECT_FALSE(SchemaNeedsDrop({}));
  EXPECT_TRUE(SchemaNeedsDrop({false, false, true, false}));
  EXPECT_TRUE(SchemaNeedsDrop({false, false, false, true}));
}

}  // namespace
