#pragma once
// A copy of a listener list taken before notifying: a listener may attach or detach others while
// it runs, and every listener present when the event began still hears it. Lists of a few
// entries (every list a search run notifies) are copied onto the stack, so an event allocates
// nothing; events come several times per row.

#include <algorithm>
#include <array>
#include <cstddef>
#include <span>
#include <vector>

namespace lw {

template <typename T>
class ListenerSnapshot {
 public:
  explicit ListenerSnapshot(const std::vector<T*>& listeners) {
    if (listeners.size() <= inline_.size()) {
      std::copy(listeners.begin(), listeners.end(), inline_.begin());
      view_ = std::span<T* const>(inline_.data(), listeners.size());
    } else {
      spill_ = listeners;
      view_ = std::span<T* const>(spill_);
    }
  }
  ListenerSnapshot(const ListenerSnapshot&) = delete;
  ListenerSnapshot& operator=(const ListenerSnapshot&) = delete;

  auto begin() const { return view_.begin(); }
  auto end() const { return view_.end(); }

 private:
  std::array<T*, 4> inline_{};
  std::vector<T*> spill_;
  std::span<T* const> view_;
};

}  // namespace lw
