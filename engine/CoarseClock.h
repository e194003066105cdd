#pragma once
// A monotonic clock read from the kernel's last tick (a few milliseconds coarse) instead of the
// hardware counter: it answers from one shared page in a few nanoseconds. Every row move asks
// the time (snapshot ageing), and only intervals of hundreds of milliseconds are measured.

#include <time.h>

#include <chrono>

namespace lw::engine {

struct CoarseClock {
  using duration = std::chrono::nanoseconds;
  using rep = duration::rep;
  using period = duration::period;
  using time_point = std::chrono::time_point<CoarseClock>;
  static constexpr bool is_steady = true;

  static time_point now() noexcept {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
    return time_point(std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec));
  }
};

}  // namespace lw::engine
