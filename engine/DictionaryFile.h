#pragma once
// Opening a dictionary file for this process: read-write when the process may write the file and
// its folder, read-only otherwise. A read-only practice (a folder of someone else's, a copy on
// read-only media) can still be checked, reviewed and exported; nothing is ever written to it.

#include <string>

#include "engine/Sqlite.h"
#include "engine/Status.h"

namespace lw::engine {

// Opens `path` (no mutex of SQLite's own: each connection is used by one thread at a time).
// Read-only when the file or its folder is not writable: SQLite then needs the WAL index of a
// writer that has the practice open, and without one (the folder refuses to hold it) the file is
// read as it stands, which is all of it when no write-ahead log is pending. A file this process
// may not read fails with kCannotOpen "... (permission denied)".
Status OpenDictionaryFile(const std::string& path, Db& db, bool& readOnly);

}  // namespace lw::engine
