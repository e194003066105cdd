#include "engine/DictionaryFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "data/ace/AceErrors.h"
#include "engine/Catalog.h"
#include "engine/PageChecksums.h"
#include "engine/Schema.h"

namespace lw::engine {

namespace {

// The path as the file name of an SQLite URI: the characters a URI gives a meaning escaped.
std::string UriFileName(const std::string& path) {
  static const char* kHex = "0123456789ABCDEF";
  std::string uri = "file:";
  for (unsigned char c : path) {
    if (c == '%' || c == '?' || c == '#' || c < 0x20) {
      uri.push_back('%');
      uri.push_back(kHex[c >> 4]);
      uri.push_back(kHex[c & 15]);
    } else {
      uri.push_back(static_cast<char>(c));
    }
  }
  return uri;
}

Status Open(const std::string& name, int flags, Db& db, const std::string& path) {
  InstallPageChecksums();
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(name.c_str(), &raw, flags | SQLITE_OPEN_NOMUTEX, nullptr);
  db.reset(raw);
  if (rc != SQLITE_OK) return StorageFailure(rc, path + ": " + ErrorText(raw));
  sqlite3_extended_result_codes(raw, 1);
  return {};
}

// Whether a write-ahead log with content lies beside the file (changes not yet in the file).
bool PendingLog(const std::string& path) {
  struct stat info;
  return ::stat((path + "-wal").c_str(), &info) == 0 && info.st_size > 0;
}

}  // namespace

Status OpenDictionaryFile(const std::string& path, Db& db, bool& readOnly) {
  if (::access(path.c_str(), R_OK) != 0 && errno == EACCES) {
    return Status::Error(ace::kCannotOpen, path + " (permission denied)");
  }
  readOnly = ::access(path.c_str(), W_OK) != 0 || ::access(FolderOf(path).c_str(), W_OK) != 0;
  if (!readOnly) return Open(path, SQLITE_OPEN_READWRITE, db, path);
  LW_RETURN_IF_ERROR(Open(UriFileName(path) + "?mode=ro", SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, db, path));
  const int rc = sqlite3_exec(db.get(), "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
  const int primary = rc & 0xff;
  if ((primary == SQLITE_READONLY || primary == SQLITE_CANTOPEN) && !PendingLog(path)) {
    // No writer's WAL index to share, and none can be made here: the file itself holds every
    // committed change, so it is read as a file nobody changes.
    return Open(UriFileName(path) + "?immutable=1", SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, db, path);
  }
  return {};
}

}  // namespace lw::engine
