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

namespace {

Status LockFileError(const std::string& path, const std::string& what) {
  return Status::Error(ace::kStorageError, path + ": " + what);
}

// Opens the lock file, never through a symlink (it would let anyone who can write the folder
// aim our writes at another file), creating it with the dictionary's mode and group so every
// user who may open the dictionary may lock its records too.
int OpenLockFile(const std::string& path, const struct stat& dictionary) {
  constexpr int kFlags = O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK;
  for (int attempt = 0; attempt < 3; ++attempt) {
    int fd = ::open(path.c_str(), kFlags);
    if (fd >= 0 || errno != ENOENT) return fd;
    fd = ::open(path.c_str(), kFlags | O_CREAT | O_EXCL, dictionary.st_mode & 0666);
    if (fd >= 0) {
      (void)::fchown(fd, static_cast<uid_t>(-1), dictionary.st_gid);  // refused unless we are in the group
      (void)::fchmod(fd, dictionary.st_mode & 0666);                  // the umask narrowed it
      return fd;
    }
    if (errno != EEXIST) return -1;  // else another process created it meanwhile
  }
  return -1;
}

// Gives the counter page its disk space by writing it, so a full disk is an error here rather
// than a SIGBUS when the mapped page is first touched.
bool FillCounterPage(int fd, off_t size) {
  static const char zeros[kCounterPage] = {};
  std::size_t done = static_cast<std::size_t>(size);
  while (done < kCounterPage) {
    const ssize_t n = ::pwrite(fd, zeros + done, kCounterPage - done, static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) errno = ENOSPC;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return ::fdatasync(fd) == 0;
}

}  // namespace

Status RecordLocks::Open(const std::string& dictionaryPath) {
  std::string path = dictionaryPath + ".locks";
  struct stat dictionary {};
  if (::stat(dictionaryPath.c_str(), &dictionary) != 0) {
    return LockFileError(dictionaryPath, std::strerror(errno));
  }
  fd_ = OpenLockFile(path, dictionary);
  if (fd_ < 0) {
    if (errno == ELOOP) return LockFileError(path, "the lock file is a symbolic link; it is not followed");
    return LockFileError(path, std::strerror(errno));
  }
  struct stat info {};
  if (::fstat(fd_, &info) != 0) return LockFileError(path, std::strerror(errno));
  if (!S_ISREG(info.st_mode)) return LockFileError(path, "the lock file is not a regular file");
  if (info.st_size < static_cast<off_t>(kCounterPage) && !FillCounterPage(fd_, info.st_size)) {
    return LockFileError(path, std::string("cannot give the lock file its space: ") + std::strerror(errno));
  }
  map_ = mmap(nullptr, kCounterPage, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
  if (map_ == MAP_FAILED) {
    map_ = nullptr;
    return LockFileError(path, std::strerror(errno));
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

Status RecordLocks::OpenReadOnly(const std::string& dictionaryPath) {
  readOnly_ = true;
  path_ = dictionaryPath;
  const std::string path = dictionaryPath + ".locks";
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK);
  if (fd_ < 0) return {};  // no lock file: no writer has used the practice since it was made
  struct stat info {};
  if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < static_cast<off_t>(kCounterPage)) {
    return {};
  }
  map_ = mmap(nullptr, kCounterPage, PROT_READ, MAP_SHARED, fd_, 0);
  if (map_ == MAP_FAILED) {
    map_ = nullptr;
    return {};
  }
  counter_ = static_cast<std::atomic<std::uint64_t>*>(map_);
  return {};
}

Status RecordLocks::Lock(int table, std::int64_t record) {
  if (readOnly_) return Status::Error(ace::kReadOnlyStorage, path_);
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
  if (counter_ != nullptr && !readOnly_) counter_->fetch_add(1, std::memory_order_acq_rel);
}

}  // namespace lw::engine
