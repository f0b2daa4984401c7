#include "platform/process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

// A tool that leaves a child behind holding its output: its run ends soon
// after the tool's own exit, with everything the tool printed.
TEST(RunProcess, AToolsLeftoverChildCannotHoldTheRunOpen) {
  const auto start = std::chrono::steady_clock::now();
  const platform::ProcessRun run =
      platform::RunProcess("/bin/sh -c \"echo first; echo second >&2; sleep 20 & exit 3\"", nullptr);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_TRUE(run.started);
  EXPECT_EQ(run.exitStatus, 3);
  EXPECT_EQ(run.lines, (std::vector<std::string>{"first", "second"}));
  EXPECT_LT(elapsed, std::chrono::seconds(5));
}

// Output that arrives right after the exit is still read.
TEST(RunProcess, OutputIsReadToItsEndAfterAQuickExit) {
  const platform::ProcessRun run = platform::RunProcess("/bin/sh -c \"seq 1 20000\"", nullptr);
  ASSERT_EQ(run.lines.size(), 20000u);
  EXPECT_EQ(run.lines.back(), "20000");
  EXPECT_EQ(run.exitStatus, 0);
}

}  // namespace
