#pragma once
// The lock that serialises the server provider's engine calls. A call may make another on the
// same thread (closing a connection closes its tables), so a thread that holds the lock takes it
// again by counting; otherwise it is the embedded engine's lock: one atomic exchange inline, a
// sleep when another thread holds it, where a pthread recursive mutex made two library calls
// and two atomic read-modify-writes for each of the hundred or so calls a search run makes per row.

#include <atomic>
#include <thread>

#include "engine/EngineLock.h"

namespace lw::pgengine {

class CallLock {
 public:
  void lock() {
    const std::thread::id me = std::this_thread::get_id();
    // Only this thread ever stores its own id, so seeing it means this thread holds the lock.
    if (owner_.load(std::memory_order_relaxed) == me) {
      ++depth_;
      return;
    }
    lock_.lock();
    owner_.store(me, std::memory_order_relaxed);
    depth_ = 1;
  }
  void unlock() {
    if (--depth_ > 0) return;
    owner_.store(std::thread::id(), std::memory_order_relaxed);
    lock_.unlock();
  }

 private:
  engine::EngineLock lock_;
  std::atomic<std::thread::id> owner_{};
  int depth_ = 0;  // guarded by lock_
};

}  // namespace lw::pgengine
