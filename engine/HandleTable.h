#pragma once
// The engine's handle entries, indexed directly by handle: handles are handed out in sequence
// and never reused, so a look-up on every engine call is one bounds check and one index instead
// of a hash.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace lw::engine {

template <typename Entry>
class HandleTable {
 public:
  // The entry of a live handle, or null.
  Entry* Find(std::uint64_t handle) {
    return handle < live_.size() && live_[handle] ? &entries_[handle] : nullptr;
  }
  const Entry* Find(std::uint64_t handle) const {
    return handle < live_.size() && live_[handle] ? &entries_[handle] : nullptr;
  }
  // The entry of a live handle; throws std::out_of_range for any other.
  Entry& At(std::uint64_t handle) {
    Entry* entry = Find(handle);
    if (entry == nullptr) throw std::out_of_range("no such engine handle");
    return *entry;
  }
  void Add(std::uint64_t handle, const Entry& entry) {
    if (handle >= entries_.size()) {
      entries_.resize(handle + 1);
      live_.resize(handle + 1, false);
    }
    entries_[handle] = entry;
    live_[handle] = true;
  }
  void Erase(std::uint64_t handle) {
    if (handle < live_.size() && live_[handle]) {
      live_[handle] = false;
      entries_[handle] = Entry();
    }
  }

 private:
  std::vector<Entry> entries_;
  std::vector<bool> live_;
};

}  // namespace lw::engine
