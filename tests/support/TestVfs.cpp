#include "tests/support/TestVfs.h"

#include <sqlite3.h>

#include <cstring>
#include <stdexcept>

#include "engine/PageChecksums.h"

namespace lw::test {

namespace {

// The installed instance; files opened through the shim outlive it, so every use checks it.
TestVfs* active = nullptr;
sqlite3_vfs* base = nullptr;
sqlite3_vfs shim;

struct ShimFile {
  sqlite3_file file;
  sqlite3_file* real;
  bool wal;
  bool main;
};

sqlite3_file* Real(sqlite3_file* f) { return reinterpret_cast<ShimFile*>(f)->real; }

int Close(sqlite3_file* f) { return Real(f)->pMethods->xClose(Real(f)); }
int CountedFailure(TestVfs::Io kind) { return active != nullptr ? active->Counted(kind) : 0; }

int Read(sqlite3_file* f, void* buffer, int amount, sqlite3_int64 offset) {
  ShimFile* s = reinterpret_cast<ShimFile*>(f);
  if (s->main && active != nullptr && active->readFailure_.load() != 0) return active->readFailure_.load();
  if (int code = CountedFailure(TestVfs::Io::Read); code != 0) return code;
  return s->real->pMethods->xRead(s->real, buffer, amount, offset);
}
int Write(sqlite3_file* f, const void* buffer, int amount, sqlite3_int64 offset) {
  if (int code = active != nullptr ? active->writeFailure_.load() : 0; code != 0) return code;
  if (int code = CountedFailure(TestVfs::Io::Write); code != 0) return code;
  return Real(f)->pMethods->xWrite(Real(f), buffer, amount, offset);
}
int Truncate(sqlite3_file* f, sqlite3_int64 size) { return Real(f)->pMethods->xTruncate(Real(f), size); }
int Sync(sqlite3_file* f, int flags) {
  if (reinterpret_cast<ShimFile*>(f)->wal && active != nullptr) active->walSyncs_.fetch_add(1);
  if (int code = CountedFailure(TestVfs::Io::Sync); code != 0) return code;
  return Real(f)->pMethods->xSync(Real(f), flags);
}
int FileSize(sqlite3_file* f, sqlite3_int64* size) { return Real(f)->pMethods->xFileSize(Real(f), size); }
int Lock(sqlite3_file* f, int level) {
  if (int code = CountedFailure(TestVfs::Io::Lock); code != 0) return code;
  return Real(f)->pMethods->xLock(Real(f), level);
}
int Unlock(sqlite3_file* f, int level) { return Real(f)->pMethods->xUnlock(Real(f), level); }
int CheckReservedLock(sqlite3_file* f, int* out) { return Real(f)->pMethods->xCheckReservedLock(Real(f), out); }
int FileControl(sqlite3_file* f, int op, void* arg) { return Real(f)->pMethods->xFileControl(Real(f), op, arg); }
int SectorSize(sqlite3_file* f) { return Real(f)->pMethods->xSectorSize(Real(f)); }
int DeviceCharacteristics(sqlite3_file* f) { return Real(f)->pMethods->xDeviceCharacteristics(Real(f)); }
int ShmMap(sqlite3_file* f, int page, int size, int extend, void volatile** out) {
  return Real(f)->pMethods->xShmMap(Real(f), page, size, extend, out);
}
int ShmLock(sqlite3_file* f, int offset, int n, int flags) {
  // Taking a lock of the write-ahead log's index counts as a lock too; releasing never fails.
  if ((flags & SQLITE_SHM_LOCK) != 0) {
    if (int code = CountedFailure(TestVfs::Io::Lock); code != 0) return code;
  }
  return Real(f)->pMethods->xShmLock(Real(f), offset, n, flags);
}
void ShmBarrier(sqlite3_file* f) { Real(f)->pMethods->xShmBarrier(Real(f)); }
int ShmUnmap(sqlite3_file* f, int deleteFlag) { return Real(f)->pMethods->xShmUnmap(Real(f), deleteFlag); }
int Fetch(sqlite3_file* f, sqlite3_int64 offset, int amount, void** out) {
  return Real(f)->pMethods->xFetch(Real(f), offset, amount, out);
}
int Unfetch(sqlite3_file* f, sqlite3_int64 offset, void* page) {
  return Real(f)->pMethods->xUnfetch(Real(f), offset, page);
}

// The io-methods table (version 3), in SQLite's order, kept packed.
// clang-format off
const sqlite3_io_methods kMethods = {
    3, Close, Read, Write, Truncate, Sync, FileSize, Lock, Unlock, CheckReservedLock, FileControl,
    SectorSize, DeviceCharacteristics, ShmMap, ShmLock, ShmBarrier, ShmUnmap, Fetch, Unfetch};
// clang-format on

int Open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags) {
  ShimFile* s = reinterpret_cast<ShimFile*>(f);
  s->file.pMethods = nullptr;
  s->real = reinterpret_cast<sqlite3_file*>(s + 1);
  s->wal = (flags & SQLITE_OPEN_WAL) != 0;
  s->main = (flags & SQLITE_OPEN_MAIN_DB) != 0;
  if (s->main && active != nullptr && active->refuseOpens_.load()) return SQLITE_CANTOPEN;
  if (s->main && active != nullptr && active->readOnly_.load()) {
    flags = (flags & ~(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)) | SQLITE_OPEN_READONLY;
  }
  int rc = base->xOpen(base, name, s->real, flags, outFlags);
  if (s->real->pMethods != nullptr) s->file.pMethods = &kMethods;
  return rc;
}

}  // namespace

int TestVfs::Counted(Io kind) {
  const long n = counts_[static_cast<int>(kind)].fetch_add(1) + 1;
  if (failKind_.load() != static_cast<int>(kind) || failAt_.load() != n) return 0;
  return failCode_.exchange(0);
}

TestVfs::TestVfs() {
  if (active != nullptr) throw std::logic_error("one TestVfs at a time");
  // Layered over the engine's page checksums, so dictionaries written meanwhile stay checked.
  engine::InstallPageChecksums();
  if (base == nullptr) {
    base = sqlite3_vfs_find(nullptr);
    shim = *base;
    shim.zName = "lw-test";
    shim.szOsFile = static_cast<int>(sizeof(ShimFile)) + base->szOsFile;
    shim.xOpen = Open;
    shim.pNext = nullptr;
  }
  active = this;
  sqlite3_vfs_register(&shim, 1);
}

TestVfs::~TestVfs() {
  sqlite3_vfs_unregister(&shim);
  sqlite3_vfs_register(base, 1);
  active = nullptr;
}

}  // namespace lw::test
