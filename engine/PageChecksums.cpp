#include "engine/PageChecksums.h"

#include <cstring>
#include <mutex>
#include <vector>

// Invariant: a database file is checked exactly when its header reserves kChecksumBytes per page;
// the checksum covers the page's other bytes, so it says nothing about the page's place in the
// file, only that its bytes are the ones last written through this VFS.
//
// Pages in the write-ahead log pass through unchanged and unchecked: SQLite has already summed
// each frame, page bytes included, before it writes it, and after a crash it keeps only frames
// whose sums match. Changing a page's bytes on its way into the log would make recovery drop that
// frame and every later one: committed writes lost, a half-finished checkpoint left as a
// malformed file. A checkpoint's copy into the database gets its checksum like any write there.

namespace lw::engine {

namespace {

constexpr int kChecksumBytes = 8;

sqlite3_vfs* base = nullptr;
sqlite3_vfs vfs;

struct File {
  sqlite3_file file;  // first, so SQLite's pointer is ours
  sqlite3_file* real;
  bool isDatabase;  // the main database file, not its log or a journal
  bool checked;     // the database reserves the checksum bytes
};

File* Of(sqlite3_file* f) { return reinterpret_cast<File*>(f); }

bool IsPage(int amount) { return amount >= 512 && amount <= 65536 && (amount & (amount - 1)) == 0; }

// Two running sums over 32-bit words (Fletcher style), as 8 bytes.
void Compute(const unsigned char* page, int length, unsigned char* out) {
  std::uint32_t s1 = 0, s2 = 0;
  for (int i = 0; i + 8 <= length; i += 8) {
    std::uint32_t a, b;
    std::memcpy(&a, page + i, 4);
    std::memcpy(&b, page + i + 4, 4);
    s1 += a + s2;
    s2 += b + s1;
  }
  std::memcpy(out, &s1, 4);
  std::memcpy(out + 4, &s2, 4);
}

// A database header (page 1's first 100 bytes) tells whether pages reserve the checksum bytes.
void NoteHeader(File* f, const void* data, int amount, sqlite3_int64 offset) {
  if (!f->isDatabase || offset != 0 || amount < 100) return;
  const auto* bytes = static_cast<const unsigned char*>(data);
  if (std::memcmp(bytes, "SQLite format 3", 16) == 0) f->checked = bytes[20] == kChecksumBytes;
}

bool Checked(File* f) { return f->isDatabase && f->checked; }

int Close(sqlite3_file* f) { return Of(f)->real->pMethods->xClose(Of(f)->real); }

int Read(sqlite3_file* f, void* buffer, int amount, sqlite3_int64 offset) {
  File* file = Of(f);
  int rc = file->real->pMethods->xRead(file->real, buffer, amount, offset);
  if (rc != SQLITE_OK) return rc;
  NoteHeader(file, buffer, amount, offset);
  if (IsPage(amount) && Checked(file)) {
    unsigned char sum[kChecksumBytes];
    const auto* page = static_cast<const unsigned char*>(buffer);
    Compute(page, amount - kChecksumBytes, sum);
    if (std::memcmp(sum, page + amount - kChecksumBytes, kChecksumBytes) != 0) return SQLITE_IOERR_DATA;
  }
  return SQLITE_OK;
}

int Write(sqlite3_file* f, const void* buffer, int amount, sqlite3_int64 offset) {
  File* file = Of(f);
  NoteHeader(file, buffer, amount, offset);
  if (IsPage(amount) && Checked(file)) {
    thread_local std::vector<unsigned char> page;
    page.assign(static_cast<const unsigned char*>(buffer), static_cast<const unsigned char*>(buffer) + amount);
    Compute(page.data(), amount - kChecksumBytes, page.data() + amount - kChecksumBytes);
    return file->real->pMethods->xWrite(file->real, page.data(), amount, offset);
  }
  return file->real->pMethods->xWrite(file->real, buffer, amount, offset);
}

int Truncate(sqlite3_file* f, sqlite3_int64 size) { return Of(f)->real->pMethods->xTruncate(Of(f)->real, size); }
int Sync(sqlite3_file* f, int flags) { return Of(f)->real->pMethods->xSync(Of(f)->real, flags); }
int FileSize(sqlite3_file* f, sqlite3_int64* size) { return Of(f)->real->pMethods->xFileSize(Of(f)->real, size); }
int Lock(sqlite3_file* f, int level) { return Of(f)->real->pMethods->xLock(Of(f)->real, level); }
int Unlock(sqlite3_file* f, int level) { return Of(f)->real->pMethods->xUnlock(Of(f)->real, level); }
int CheckReservedLock(sqlite3_file* f, int* out) { return Of(f)->real->pMethods->xCheckReservedLock(Of(f)->real, out); }
int FileControl(sqlite3_file* f, int op, void* arg) {
  File* file = Of(f);
  if (op == SQLITE_FCNTL_VFSNAME) {
    *static_cast<char**>(arg) = sqlite3_mprintf("lw-checksums");
    return SQLITE_OK;
  }
  return file->real->pMethods->xFileControl(file->real, op, arg);
}
int SectorSize(sqlite3_file* f) { return Of(f)->real->pMethods->xSectorSize(Of(f)->real); }
int DeviceCharacteristics(sqlite3_file* f) { return Of(f)->real->pMethods->xDeviceCharacteristics(Of(f)->real); }
int ShmMap(sqlite3_file* f, int page, int size, int extend, void volatile** out) {
  return Of(f)->real->pMethods->xShmMap(Of(f)->real, page, size, extend, out);
}
int ShmLock(sqlite3_file* f, int offset, int n, int flags) {
  return Of(f)->real->pMethods->xShmLock(Of(f)->real, offset, n, flags);
}
void ShmBarrier(sqlite3_file* f) { Of(f)->real->pMethods->xShmBarrier(Of(f)->real); }
int ShmUnmap(sqlite3_file* f, int deleteFlag) { return Of(f)->real->pMethods->xShmUnmap(Of(f)->real, deleteFlag); }
// Memory-mapped pages would bypass the checks: refused, so SQLite reads through xRead.
int Fetch(sqlite3_file*, sqlite3_int64, int, void** out) {
  *out = nullptr;
  return SQLITE_OK;
}
int Unfetch(sqlite3_file*, sqlite3_int64, void*) { return SQLITE_OK; }

// The io-methods table (version 3), in SQLite's order, kept packed.
// clang-format off
const sqlite3_io_methods kMethods = {
    3, Close, Read, Write, Truncate, Sync, FileSize, Lock, Unlock, CheckReservedLock, FileControl,
    SectorSize, DeviceCharacteristics, ShmMap, ShmLock, ShmBarrier, ShmUnmap, Fetch, Unfetch};
// clang-format on

int Open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags) {
  File* file = Of(f);
  file->file.pMethods = nullptr;
  file->real = reinterpret_cast<sqlite3_file*>(file + 1);
  file->isDatabase = (flags & SQLITE_OPEN_MAIN_DB) != 0;
  file->checked = false;
  const int rc = base->xOpen(base, name, file->real, flags, outFlags);
  if (file->real->pMethods != nullptr) file->file.pMethods = &kMethods;
  return rc;
}

}  // namespace

void InstallPageChecksums() {
  static std::once_flag once;
  std::call_once(once, [] {
    base = sqlite3_vfs_find(nullptr);
    vfs = *base;
    vfs.zName = "lw-checksums";
    vfs.szOsFile = static_cast<int>(sizeof(File)) + base->szOsFile;
    vfs.xOpen = Open;
    vfs.pNext = nullptr;
    sqlite3_vfs_register(&vfs, 1);
  });
}

Status EnableChecksums(sqlite3* db) {
  int reserve = kChecksumBytes;
  if (sqlite3_file_control(db, "main", SQLITE_FCNTL_RESERVE_BYTES, &reserve) != SQLITE_OK) {
    return Status::Error(ace::kStorageError, "page checksums cannot be reserved");
  }
  return {};
}

}  // namespace lw::engine
