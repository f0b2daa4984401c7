#include "platform/orvutl.h"

#include <gtest/gtest.h>

namespace {

TEST(GetCreateTime, FormatsCatalogueTimesAndKeepsOtherText) {
  const std::pair<const char*, const char*> cases[] = {
      {"20240131235959", "2024/01/31 23:59:59"},
      {"20240131235959123456", "2024/01/31 23:59:59"},
      {"2024-01-31 08:05:09.123", "2024/01/31 08:05:09"},
      {" 2024/01/31T08:05:09 ", "2024/01/31 08:05:09"},
      {"20240131", "2024/01/31"},
      {"2024-01-31", "2024/01/31"},
      {"20241331235959", "20241331235959"},  // month 13
      {"2024013123", "2024013123"},          // neither a date nor a date and time
      {"yesterday", "yesterday"},
      {"  ", ""},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(platform::GetCreateTime(in), out) << in;
}

}  // namespace
