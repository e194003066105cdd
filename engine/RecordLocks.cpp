#include "engine/RecordLocks.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace lw::engine {

namespace {
constexpr std::size_t kCounterPage = 4096;
// Record locks lie above the counter page: 2^36 bytes per table.
constexpr std::int64_t kLockBase = 1LL << 32;
// A conflicting lock is retried for this long before it is reported: long enough to ride over
// another user's write of one row, short enough not to hang the program.
constexpr int kLockAttempts = 40;
constexpr auto kLockRetryPause = std::chrono::milliseconds(5);
}  // namespace

RecordLocks::~RecordLocks() {
  if (map_ != nullptr) munmap(map_, kCounterPage);
  if (fd_ >= 0) close(fd_);  // drops every lock of this descriptor
}

Status RecordLocks::Open(const std::string& dictionaryPath) {
  std::string path = dictionaryPath + ".locks";
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd_ < 0) return Status::Error(ace::kStorageError, path + ": " + std::strerror(errno));
  struct stat info;
  if (fstat(fd_, &info) == 0 && info.st_size < static_cast<off_t>(kCounterPage)) {
    if (ftruncate(fd_, kCounterPage) != 0) return Status::Error(ace::kStorageError, path + ": " + std::strerror(errno));
  }
  map_ = mmap(nullptr, kCounterPage, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
  if (map_ == MAP_FAILED) {
    map_ = nullptr;
    return Status::Error(ace::kStorageError, path + ": " + std::strerror(errno));
  }
  counter_ = static_cast<std::atomic<std::uint64_t>*>(map_);
  return {};
}

std::int64_t RecordLocks::Offset(int table, std::int64_t record) {
  return kLockBase + (static_cast<std::int64_t>(table) << 36) + record;
}

bool RecordLocks::TryLock(std::int64_t offset, short type) {
  struct flock lock;
  std::memset(&lock, 0, sizeof lock);
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = offset;
  lock.l_len = 1;
  return fcntl(fd_, F_OFD_SETLK, &lock) == 0;
}

Status RecordLocks::Lock(int table, std::int64_t record) {
  auto key = std::make_pair(table, record);
  auto found = held_.find(key);
  if (found != held_.end()) {
    ++found->second;
    return {};
  }
  for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
    if (TryLock(Offset(table, record), F_WRLCK)) {
      held_[key] = 1;
      return {};
    }
    if (errno != EAGAIN && errno != EACCES) {
      return Status::Error(ace::kStorageError, std::string("record lock: ") + std::strerror(errno));
    }
    std::this_thread::sleep_for(kLockRetryPause);
  }
  return Status::Error(ace::kRecordLocked, "(record " + std::to_string(record) + ")");
}

void RecordLocks::Unlock(int table, std::int64_t record) {
  auto found = held_.find(std::make_pair(table, record));
  if (found == held_.end()) return;
  if (--found->second > 0) return;
  held_.erase(found);
  TryLock(Offset(table, record), F_UNLCK);
}

bool RecordLocks::Holds(int table, std::int64_t record) const {
  return held_.count(std::make_pair(table, record)) != 0;
}

std::uint64_t RecordLocks::Changes() const {
  return counter_ != nullptr ? counter_->load(std::memory_order_acquire) : 0;
}

void RecordLocks::BumpChanges() {
  if (counter_ != nullptr) counter_->fetch_add(1, std::memory_order_acq_rel);
}

}  // namespace lw::engine
