#pragma once
// An SQLite VFS over the system's default one, installed as the default while it lives, so the
// engine's own connections use it unchanged. It counts the syncs of write-ahead logs and can make
// the files behave as a full disk, a failing device, an unopenable or a read-only file would:
// each fault returns exactly what the default VFS returns for the real condition.
// One instance at a time; counters may be read from any thread.

#include <atomic>
#include <string>

namespace lw::test {

class TestVfs {
 public:
  TestVfs();
  ~TestVfs();
  TestVfs(const TestVfs&) = delete;
  TestVfs& operator=(const TestVfs&) = delete;

  // Syncs of any "-wal" file since the VFS was installed.
  int WalSyncs() const { return walSyncs_.load(); }

  // From now on, every write fails with `code` (SQLITE_FULL: the disk is full; SQLITE_IOERR_WRITE:
  // the device failed); 0 stops it.
  void FailWrites(int code) { writeFailure_.store(code); }
  // Likewise for reads of the main database file (SQLITE_IOERR_READ).
  void FailReads(int code) { readFailure_.store(code); }
  // Opening a main database file fails with SQLITE_CANTOPEN, as a file without permission does.
  void RefuseOpens(bool refuse) { refuseOpens_.store(refuse); }
  // Main database files open read-only, as a file the user may not write does.
  void OpenReadOnly(bool readOnly) { readOnly_.store(readOnly); }

  // Counted faults, for sweeps that fail each I/O of a run in turn. Every read, write, sync and
  // lock (file locks and taken locks of the log index) of any file through the VFS is counted from construction or the
  // last ResetCounts(); the nth of `kind` (from 1) then fails with `code` (one failure, later ones pass).
  enum class Io { Read, Write, Sync, Lock };
  void FailNth(Io kind, long nth, int code) {
    failCode_.store(0);
    failKind_.store(static_cast<int>(kind));
    failAt_.store(nth);
    failCode_.store(code);
  }
  long Count(Io kind) const { return counts_[static_cast<int>(kind)].load(); }
  void ResetCounts() {
    for (auto& count : counts_) count.store(0);
  }
  // Called by the shim for each operation: the code to fail it with, or 0.
  int Counted(Io kind);

  std::atomic<int> walSyncs_{0};
  std::atomic<long> counts_[4] = {};
  std::atomic<int> failKind_{0};
  std::atomic<long> failAt_{0};
  std::atomic<int> failCode_{0};
  std::atomic<int> writeFailure_{0};
  std::atomic<int> readFailure_{0};
  std::atomic<bool> refuseOpens_{false};
  std::atomic<bool> readOnly_{false};
};

}  // namespace lw::test
