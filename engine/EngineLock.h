#pragma once
// The lock that serialises the engine calls which move cursors, read rows or change handles.
// One atomic exchange to take it and a store to release it, inline: calls come hundreds of times
// per row, nearly always from one thread, and a pthread mutex cost two library calls and two
// atomic read-modify-writes each time. A thread that finds it taken sleeps on it (C++20 atomic
// wait), so a long call on one thread does not make another spin.

#include <atomic>

namespace lw::engine {

class EngineLock {
 public:
  void lock() {
    while (taken_.exchange(true, std::memory_order_acquire)) taken_.wait(true, std::memory_order_relaxed);
  }
  void unlock() {
    taken_.store(false, std::memory_order_release);
    taken_.notify_one();
  }

 private:
  std::atomic<bool> taken_{false};
};

}  // namespace lw::engine
