#pragma once
// Cross-process record locks and the change counter, kept in a lock file beside the dictionary
// ("MWDDF.ADD.locks"). Each connection opens its own descriptor (O_CLOEXEC) and locks one byte
// per (table, record) with open-file-description locks, so two connections conflict even inside
// one process, and the system drops a dead process's locks with its descriptors. The file's first
// page, mapped shared, holds a counter every writer bumps after a commit, which lets readers
// notice another user's writes without a database round trip.

#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "engine/Status.h"

namespace lw::engine {

class RecordLocks {
 public:
  RecordLocks() = default;
  ~RecordLocks();
  RecordLocks(const RecordLocks&) = delete;
  RecordLocks& operator=(const RecordLocks&) = delete;

  // Opens (or creates, with the dictionary's mode and group) "<dictionaryPath>.locks". Fails with
  // kStorageError when it is a symlink or not a regular file, or when its counter page cannot be
  // written (a full disk).
  Status Open(const std::string& dictionaryPath);
  // For a read-only practice: reads the change counter of an existing lock file (none: no
  // counter), and refuses every lock with kReadOnlyStorage.
  Status OpenReadOnly(const std::string& dictionaryPath);

  // Takes the lock (again, counted) for this connection; kRecordLocked when another connection
  // holds it after a short bounded wait.
  Status Lock(int table, std::int64_t record);
  // Drops one count of this connection's lock; the lock goes when the count reaches 0.
  void Unlock(int table, std::int64_t record);
  bool Holds(int table, std::int64_t record) const;

  // The shared change counter.
  std::uint64_t Changes() const;
  void BumpChanges();

 private:
  bool TryLock(std::int64_t offset, short type);
  static std::int64_t Offset(int table, std::int64_t record);

  int fd_ = -1;
  std::atomic<std::uint64_t>* counter_ = nullptr;
  void* map_ = nullptr;
  std::map<std::pair<int, std::int64_t>, int> held_;
  bool readOnly_ = false;
  std::string path_;
};

}  // namespace lw::engine
