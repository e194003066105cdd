#pragma once
// The engine's handle entries, indexed directly by handle: handles are handed out in sequence
// and never reused, so a look-up on every engine call is one bounds check and one index instead
// of a hash. Entries live in chunks that never move once allocated, and a handle is published
// (its live flag set with release order) only after its entry is complete, so a thread may look
// up one handle without a lock while another thread adds or removes others (adding and removing
// stay serialised by the engine's lock).

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <utility>

namespace lw::engine {

template <typename Entry>
class HandleTable {
 public:
  HandleTable() = default;
  HandleTable(const HandleTable&) = delete;
  HandleTable& operator=(const HandleTable&) = delete;
  ~HandleTable() {
    for (auto& chunk : chunks_) delete[] chunk.load(std::memory_order_relaxed);
  }

  // The entry of a live handle, or null.
  const Entry* Find(std::uint64_t handle) const {
    const Slot* slot = SlotOf(handle);
    return slot != nullptr && slot->live.load(std::memory_order_acquire) ? &slot->entry : nullptr;
  }
  Entry* Find(std::uint64_t handle) { return const_cast<Entry*>(std::as_const(*this).Find(handle)); }
  // The entry of a live handle; throws std::out_of_range for any other.
  Entry& At(std::uint64_t handle) {
    Entry* entry = Find(handle);
    if (entry == nullptr) throw std::out_of_range("no such engine handle");
    return *entry;
  }
  // Whether one more handle fits (about 67 million per engine).
  static bool Fits(std::uint64_t handle) { return handle / kChunkSize < kChunks; }
  // Publishes the entry of a new handle; the handle must fit.
  void Add(std::uint64_t handle, const Entry& entry) {
    std::atomic<Slot*>& chunk = chunks_.at(handle / kChunkSize);
    Slot* slots = chunk.load(std::memory_order_relaxed);
    if (slots == nullptr) {
      slots = new Slot[kChunkSize];
      chunk.store(slots, std::memory_order_release);
    }
    Slot& slot = slots[handle % kChunkSize];
    slot.entry = entry;
    slot.live.store(true, std::memory_order_release);
  }
  // The entry itself stays as it was: a look-up racing with the removal reads a whole entry.
  void Erase(std::uint64_t handle) {
    if (Slot* slot = const_cast<Slot*>(SlotOf(handle))) slot->live.store(false, std::memory_order_release);
  }

 private:
  static constexpr std::size_t kChunkSize = 4096;
  static constexpr std::size_t kChunks = 16384;
  struct Slot {
    std::atomic<bool> live{false};
    Entry entry;
  };
  const Slot* SlotOf(std::uint64_t handle) const {
    if (!Fits(handle)) return nullptr;
    const Slot* slots = chunks_[handle / kChunkSize].load(std::memory_order_acquire);
    return slots == nullptr ? nullptr : &slots[handle % kChunkSize];
  }

  std::array<std::atomic<Slot*>, kChunks> chunks_{};
};

}  // namespace lw::engine
