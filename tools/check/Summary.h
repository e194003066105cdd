#pragma once
// The closing summary of a check, built without allocation or locale so the signal handler can
// print it too.

#include <atomic>
#include <cstddef>

namespace lw::check {

// The run's counts so far; written by the run, read by the signal handler.
struct RunCounts {
  std::atomic<long long> checked{0};
  std::atomic<long long> discrepancies{0};
  std::atomic<long long> fixed{0};
  std::atomic<long long> skipped{0};
};

// "1,234 rows checked, 1 discrepancy, 0 rows fixed" (", 2 locked rows skipped" when any),
// zero-terminated and cut to `size`. Returns the length. Async-signal-safe.
std::size_t FormatSummary(const RunCounts& counts, char* buffer, std::size_t size);

// "1,234,567": thousands grouped with commas. Async-signal-safe; returns the length.
std::size_t FormatGrouped(long long value, char* buffer, std::size_t size);

}  // namespace lw::check
