// Clock and sleep of zelkit. Every reading of the time and every wait
// passes here, so tests can pin the time and skip long waits.
#pragma once

#include <stdint.h>

struct clt_clock_reading {
  int64_t seconds;       // since 1 January 1970, UTC
  uint16_t milliseconds;
};

struct clt_clock_ops {
  void (*now)(clt_clock_reading* out);
  void (*sleep_ms)(uint32_t milliseconds);
};

void clt_clock_now(clt_clock_reading* out);
void clt_clock_sleep_ms(uint32_t milliseconds);

// Replaces the system clock and sleep; null puts the system ones back.
void clt_clock_install(const clt_clock_ops* ops);

// The high-resolution counter that times requests: ticks and ticks per second.
struct clt_counter_reading {
  int64_t ticks;
  int64_t frequency;
};
void clt_clock_counter(clt_counter_reading* out);
// Replaces the system counter; null puts it back.
void clt_counter_install(void (*counter)(clt_counter_reading* out));
