// Allocator trace lines, sleep and clock.
#include <gtest/gtest.h>

#include <inttypes.h>
#include <stdio.h>
#include <sys/resource.h>

#include "CLTMEM.h"
#include "cltclock.h"
#include "zk_harness.h"

namespace {

struct memory_trace : ::testing::Test {
  zk::services_scope services;
  zk::context_scope context;
  void SetUp() override {
    clt_svc.trc_mem = zk::capture_memtrc;
    clt_cur()->memtrc = CLT_MEMTRC_ON;
  }
  void TearDown() override { clt_cur()->memtrc = 0; }
};

std::string hex_of(const void* p) {
  char text[32];
  snprintf(text, sizeof(text), "%08" PRIxPTR, reinterpret_cast<uintptr_t>(p));
  return text;
}

TEST_F(memory_trace, AllocAndFreeLinesNameTheCaller) {
  void* block = cltmem_alloc(100, 0, "d:\\work\\CLTCNTL", 321);
  ASSERT_NE(block, nullptr);
  cltmem_free(block, "CLTLIBCT", 654);
  ASSERT_EQ(zk::memtrc_lines().size(), 2u);
  EXPECT_EQ(zk::memtrc_lines()[0], "ALLOC:CLTMEM_HANDLE=" + hex_of(block) + ";SIZE=100;CLTCNTL:321\n");
  EXPECT_EQ(zk::memtrc_lines()[1], "FREE: CLTMEM_HANDLE=" + hex_of(block) + ";CLTLIBCT:654\n");
}

TEST_F(memory_trace, FailedAllocationLogsAddressZero) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer needs the address space this test takes away";
#endif
  // This test runs in a process of its own: cap its address space so
  // that a 4 GiB request fails.
  constexpr rlim_t kCap = rlim_t{1} << 30;
  rlimit cap{kCap, kCap};
  ASSERT_EQ(setrlimit(RLIMIT_AS, &cap), 0);
  void* block = cltmem_alloc(UINT32_MAX, 0, "CLTCNTL", 1);
  ASSERT_EQ(block, nullptr);
  ASSERT_EQ(zk::memtrc_lines().size(), 1u);
  EXPECT_EQ(zk::memtrc_lines()[0], "ALLOC:CLTMEM_HANDLE=00000000;SIZE=4294967295;CLTCNTL:1\n");
}

TEST_F(memory_trace, OffMeansNoLinesAndPlainPairNeverTraces) {
  clt_cur()->memtrc = CLT_MEMTRC_OFF;
  cltmem_free(cltmem_alloc(8, 0, "X", 1), "X", 2);
  clt_cur()->memtrc = CLT_MEMTRC_ON;
  void* plain = cltmem_alloc_plain(8, 0);
  cltmem_zero(plain, 8);
  EXPECT_EQ(static_cast<unsigned char*>(plain)[7], 0);
  cltmem_free_plain(plain);
  EXPECT_TRUE(zk::memtrc_lines().empty());
}

// A clock that stands still and counts its sleeps.
uint32_t g_slept = 0;
int g_sleeps = 0;
void fixed_now(clt_clock_reading* out) {
  out->seconds = 1700000000;
  out->milliseconds = 250;
}
void counting_sleep(uint32_t ms) {
  g_slept += ms;
  ++g_sleeps;
}
const clt_clock_ops test_clock{fixed_now, counting_sleep};

TEST(Clock, SleepAndTimeGoThroughTheSeam) {
  clt_clock_install(&test_clock);
  clt_sleep_ms(0);
  EXPECT_EQ(g_sleeps, 0);
  clt_sleep_ms(300000);
  EXPECT_EQ(g_slept, 300000u);
  clt_timeb t{};
  clt_get_timeb(&t);
  EXPECT_EQ(t.seconds, 1700000000u);
  EXPECT_EQ(t.milliseconds, 250);
  clt_clock_install(nullptr);
}

TEST(Clock, SystemClockIsCurrent) {
  clt_timeb t{};
  clt_get_timeb(&t);
  EXPECT_NEAR(static_cast<double>(t.seconds), static_cast<double>(time(nullptr)), 2.0);
  EXPECT_LT(t.milliseconds, 1000);
}

}  // namespace
