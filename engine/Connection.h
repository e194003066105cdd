#pragma once
// One engine connection to a practice dictionary: its SQLite connection, catalog, record locks
// and the read snapshot its cursors share.
//
// Reads run inside one held read transaction, so cursor moves cost no lock cycle. The snapshot is
// renewed when another connection has committed (the shared change counter moved), when it has
// been held for long, before a record lock (so an edit starts from the stored row), and around
// this connection's own writes. Cursors register to be told before a renewal, so they can keep
// their current row and key before their stepping statements are reset.

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/Catalog.h"
#include "engine/CoarseClock.h"
#include "engine/ImageCache.h"
#include "engine/RecordLocks.h"
#include "engine/Sqlite.h"
#include "engine/Status.h"
#include "engine/StoredImages.h"

namespace lw::engine {

class SnapshotClient {
 public:
  virtual ~SnapshotClient() = default;
  // The read transaction is about to end: keep what the current row needs.
  virtual void BeforeSnapshotEnds() = 0;
};

class Connection {
 public:
  // Opens and logs in. connectPath: the dictionary file (either separator).
  static Status Open(const std::string& connectPath, const std::string& user, const std::string& password,
                     std::unique_ptr<Connection>& connection);
  ~Connection();

  sqlite3* db() const { return db_.get(); }
  const std::string& DictionaryPath() const { return path_; }
  const std::string& Folder() const { return folder_; }
  const std::string& User() const { return user_; }
  RecordLocks& Locks() { return locks_; }
  // Whether the practice was opened read-only (this process may not write its file or folder):
  // every write and record lock is then refused with kReadOnlyStorage.
  bool ReadOnly() const { return readOnly_; }

  // The table a name designates: a dictionary name, the name with ".ADT", or a path in the
  // dictionary's folder; kNotInDictionary otherwise.
  Status ResolveTable(const std::string& name, std::shared_ptr<const TableDef>& table) const;
  const Catalog& Tables() const { return catalog_; }

  // Makes sure a current read snapshot is open (renewing a stale one). Returns its generation,
  // which changes whenever the snapshot does.
  Status Read();
  std::uint64_t Generation() const { return generation_; }
  // Whether a read snapshot is open (ended by EndRead, which tells every SnapshotClient first).
  bool Reading() const { return reading_; }
  // Ends the snapshot now; the next Read() starts a fresh one.
  void EndRead();
  // Ends a snapshot nobody has used for `idle`, so an idle program never holds other users'
  // changes out of the database file.
  void EndReadIfIdle(std::chrono::milliseconds idle);

  // A write transaction (BEGIN IMMEDIATE after ending the snapshot); Commit bumps the shared
  // change counter.
  Status BeginWrite();
  Status CommitWrite();
  void RollbackWrite();

  void Register(SnapshotClient* client);
  void Unregister(SnapshotClient* client);

  // The cache of built record images of a dictionary table (by its table number).
  ImageCache& Images(const TableDef& table);
  // Whether the file keeps the table's record images ready (StoredImages.h).
  bool StoresImages(const TableDef& table) const { return storedImages_.count(table.tableNumber) != 0; }
  // The writer of the table's stored images, its statements prepared once per connection.
  // REQUIRES: StoresImages(table).
  ImageWriter& ImageWriterFor(const TableDef& table);

  // The run number this connection's changes are recorded under in the update history,
  // allocated with the first change it records. REQUIRES: inside a write transaction.
  Status RunForWrite(std::int64_t& run);
  // That run number; 0 while the connection has recorded no change.
  std::int64_t Run() const { return run_; }
  // The operating-system user the history records beside the dictionary user.
  const std::string& OsUser() const;

  // A temporary table name unique to this connection.
  std::string NextTempName();

 private:
  Connection() = default;

  Db db_;
  std::string path_;
  std::string folder_;
  std::string user_;
  Catalog catalog_;
  RecordLocks locks_;
  bool reading_ = false;
  std::uint64_t generation_ = 1;
  std::uint64_t seenChanges_ = 0;
  CoarseClock::time_point readStarted_;
  CoarseClock::time_point lastRead_;
  std::vector<SnapshotClient*> clients_;
  int tempCounter_ = 0;
  bool readOnly_ = false;
  std::int64_t run_ = 0;
  bool runIsNew_ = false;  // allocated in the write transaction under way
  std::map<int, std::unique_ptr<ImageCache>> images_;
  std::set<int> storedImages_;  // table numbers
  std::map<int, std::unique_ptr<ImageWriter>> imageWriters_;
};

}  // namespace lw::engine
