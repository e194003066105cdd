#pragma once
// Page checksums for dictionary files: an SQLite VFS over the system's default one that keeps an
// 8-byte checksum in the reserved bytes at the end of every page. Each page written to the database
// file gets its checksum and each page read from it is verified (the write-ahead log's frames carry
// SQLite's own sums), so bytes changed behind
// SQLite's back (a flipped bit on the disk, a damaged copy) read as SQLITE_IOERR_DATA, which the
// engine reports as a damaged dictionary, instead of as wrong amounts. Files whose pages reserve
// no 8 bytes (made by other programs) are read and written unchecked.
//
// The VFS becomes the process's default on first use, so every connection of the process (the
// engine's, the loader's, and plain ones) keeps the checksums current.

#include <sqlite3.h>

#include "engine/Status.h"

namespace lw::engine {

// Registers the VFS as the default (once; later calls do nothing).
void InstallPageChecksums();

// Makes a new, empty database keep page checksums. REQUIRES: no table created yet.
Status EnableChecksums(sqlite3* db);

}  // namespace lw::engine
