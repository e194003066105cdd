#pragma once
// One engine connection to a practice kept on a database server: its libpq connection, the
// practice's catalog, the record locks it holds (session advisory locks, so they bind every
// connection on every machine and go with the database session when it ends or dies) and a
// generation that moves with each of its own writes and locks, so cursors drop rows read before.

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "engine/Catalog.h"
#include "pgengine/KeyBlocks.h"
#include "pgengine/Pq.h"

namespace lw::pgengine {

class Connection {
 public:
  // Reads the descriptor at connectPath, connects to its server and logs in as a dictionary
  // user. kServerUnreachable, kServerLoginRefused, kNotADictionary or kLoginRefused on failure.
  static Status Open(const std::string& connectPath, const std::string& user, const std::string& password,
                     std::unique_ptr<Connection>& connection);

  PGconn* pg() const { return pg_.get(); }
  const std::string& User() const { return user_; }
  const engine::Catalog& Tables() const { return catalog_; }
  // The table a name designates: a dictionary name, the name with ".ADT", or a path in the
  // descriptor's folder; kNotInDictionary otherwise.
  Status ResolveTable(const std::string& name, std::shared_ptr<const engine::TableDef>& table) const;

  // Record locks, counted per record: kRecordLocked when another session holds the lock after
  // a short bounded wait.
  Status Lock(int table, std::int64_t record);
  void Unlock(int table, std::int64_t record);
  bool Holds(int table, std::int64_t record) const;
  // Inside a write transaction: takes the record's lock until the transaction ends, unless this
  // connection holds it already; kRecordLocked when another session holds it.
  Status LockForTransaction(int table, std::int64_t record);

  Status BeginWrite();
  Status CommitWrite();
  void RollbackWrite();

  // The run number this connection's changes are recorded under in the update history,
  // allocated with the first change it records (so a rolled-back change takes none).
  // REQUIRES: inside a write transaction.
  Status RunForWrite(std::int64_t& run);
  // That run number; 0 while the connection has recorded no change.
  std::int64_t Run() const { return run_; }

  // The advisory lock that stands for a record's lock on the server.
  static std::int64_t LockKey(int table, std::int64_t record);

  // Moves whenever this connection writes or takes a lock, and whenever the server announces
  // a change of the practice's tables (looked for by Poll, which costs no round trip; looking
  // costs a system call, so Poll looks at most once per kPollInterval).
  std::uint64_t Generation() const { return generation_; }
  void Poll();
  void Touch() { ++generation_; }

  // Rows its cursors read ahead on the practice's indexes for scoped look-ups.
  KeyBlocks& Blocks() { return blocks_; }

  // A temporary table name unique to this connection.
  std::string NextTempName();

  // Runs a statement that this connection sends again and again (a cursor's reads of a practice
  // table), prepared on the server the first time and reused after.
  Status RunPrepared(const std::string& sql, const std::vector<Param>& params, Result& out);

 private:
  Connection() = default;
  Status TryLock(const char* function, std::int64_t key);

  Conn pg_;
  std::string folder_;
  std::string user_;
  engine::Catalog catalog_;
  std::map<std::pair<int, std::int64_t>, int> held_;
  std::uint64_t generation_ = 1;
  std::chrono::steady_clock::time_point lastPoll_;
  int tempCounter_ = 0;
  std::int64_t run_ = 0;
  bool runIsNew_ = false;                        // allocated in the write transaction under way
  std::map<std::string, std::string> prepared_;  // SQL text -> server statement name
  KeyBlocks blocks_;
};

}  // namespace lw::pgengine
