#include "cltclock.h"

#include <errno.h>
#include <time.h>

namespace {

constexpr long kNanosPerMilli = 1000000L;
constexpr uint32_t kMillisPerSecond = 1000;

void system_now(clt_clock_reading* out) {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  out->seconds = static_cast<int64_t>(ts.tv_sec);
  out->milliseconds = static_cast<uint16_t>(ts.tv_nsec / kNanosPerMilli);
}

void system_sleep_ms(uint32_t milliseconds) {
  timespec want{};
  want.tv_sec = static_cast<time_t>(milliseconds / kMillisPerSecond);
  want.tv_nsec = static_cast<long>(milliseconds % kMillisPerSecond) * kNanosPerMilli;
  // A signal must not cut the wait short: sleep for what is left.
  while (nanosleep(&want, &want) != 0 && errno == EINTR) {
  }
}

constexpr int64_t kNanosPerSecond = 1000000000LL;

void system_counter(clt_counter_reading* out) {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  out->ticks = static_cast<int64_t>(ts.tv_sec) * kNanosPerSecond + ts.tv_nsec;
  out->frequency = kNanosPerSecond;
}

const clt_clock_ops system_ops{system_now, system_sleep_ms};
const clt_clock_ops* current_ops = &system_ops;
void (*current_counter)(clt_counter_reading*) = system_counter;

}  // namespace

void clt_clock_now(clt_clock_reading* out) { current_ops->now(out); }

void clt_clock_sleep_ms(uint32_t milliseconds) { current_ops->sleep_ms(milliseconds); }

void clt_clock_install(const clt_clock_ops* ops) { current_ops = ops ? ops : &system_ops; }

void clt_clock_counter(clt_counter_reading* out) { current_counter(out); }

void clt_counter_install(void (*counter)(clt_counter_reading* out)) {
  current_counter = counter ? counter : system_counter;
}
