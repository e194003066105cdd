#pragma once
// Building and moving practices kept on a database server (the practice tool and test fixtures;
// the program itself only reads and edits rows through the engine interface).
//
// Errors are raised as lw::EDatabaseError carrying the engine's text, as Dictionary.h does.

#include <libpq-fe.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/Dictionary.h"

namespace lw::pgengine {

// A libpq connection with this provider's bounded timeouts. kServerUnreachable or
// kServerLoginRefused when it cannot be made.
class ServerSession {
 public:
  explicit ServerSession(const std::string& connectionString);
  ~ServerSession();
  ServerSession(const ServerSession&) = delete;
  ServerSession& operator=(const ServerSession&) = delete;
  PGconn* pg() const { return pg_; }
  // Runs statements without parameters and without results.
  void Execute(const std::string& sql);

 private:
  PGconn* pg_ = nullptr;
};

// Creates the practice's tables, indexes, catalog and user in the (empty) database the string
// names, then writes the descriptor at descriptorPath (a folder's MWDDF.ADD).
void CreateServerPractice(const std::string& descriptorPath, const std::string& connectionString,
                          const std::vector<engine::TableSpec>& tables, const engine::CreateOptions& options = {});

// Copies an embedded practice (its dictionary file) into the empty database the string names,
// row for row with the same record numbers, with its users and update history, then replaces
// the dictionary file by a descriptor; the embedded file is kept beside it as MWDDF.ADD.moved.
// Returns the number of rows copied.
std::int64_t MovePracticeToServer(const std::string& dictionaryPath, const std::string& connectionString);

// Rows into a server practice, as DictionaryLoader does for an embedded one.
class ServerLoader {
 public:
  // The descriptor of the practice.
  explicit ServerLoader(const std::string& descriptorPath);
  ~ServerLoader();
  ServerLoader(const ServerLoader&) = delete;
  ServerLoader& operator=(const ServerLoader&) = delete;

  void Begin();
  void Commit();
  void Rollback();

  // As DictionaryLoader::Insert.
  std::int64_t Insert(const std::string& table, const engine::Row& row);

  // Calls `visit` for every row of the table in record-number order with the stored values as
  // text (the forms of Dictionary.h; NULL -> empty text, `isNull` tells them apart).
  void ForEachRow(
      const std::string& table,
      const std::function<void(const std::vector<std::string>& values, const std::vector<bool>& isNull)>& visit);

  // The table's column names in table order.
  std::vector<std::string> ColumnNames(const std::string& table);

  PGconn* pg() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace lw::pgengine
