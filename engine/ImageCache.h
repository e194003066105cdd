#pragma once
// Record images already built in the current snapshot, kept ready to copy: a search run reads
// the same paying rows for neighbouring charges, and building an image means decoding every
// column. Direct-mapped by record number, allocated once, so a lookup never allocates; an entry
// is valid only for the snapshot generation it was built in.

#include <cstdint>
#include <cstring>
#include <vector>

namespace lw::engine {

class ImageCache {
 public:
  ImageCache(std::uint32_t recordLength, std::size_t slots)
      : recordLength_(recordLength), keys_(slots), bytes_(static_cast<std::size_t>(recordLength) * slots) {}

  // Copies the cached image into `image`; false when it is not cached for this generation.
  bool Get(std::int64_t rowid, std::uint64_t generation, std::uint8_t* image) const {
    const Key& key = keys_[Slot(rowid)];
    if (key.rowid != rowid || key.generation != generation) return false;
    std::memcpy(image, &bytes_[Slot(rowid) * recordLength_], recordLength_);
    return true;
  }

  void Put(std::int64_t rowid, std::uint64_t generation, const std::uint8_t* image) {
    Key& key = keys_[Slot(rowid)];
    key.rowid = rowid;
    key.generation = generation;
    std::memcpy(&bytes_[Slot(rowid) * recordLength_], image, recordLength_);
  }

 private:
  struct Key {
    std::int64_t rowid = 0;
    std::uint64_t generation = 0;
  };
  std::size_t Slot(std::int64_t rowid) const { return static_cast<std::uint64_t>(rowid) % keys_.size(); }

  std::uint32_t recordLength_;
  std::vector<Key> keys_;
  std::vector<std::uint8_t> bytes_;
};

}  // namespace lw::engine
