#pragma once
// Reading and filling either kind of practice, chosen by what its MWDDF.ADD is: an embedded
// dictionary or a file naming a database server.

#include <memory>
#include <string>
#include <vector>

#include "engine/Dictionary.h"
#include "pgengine/ServerPractice.h"

namespace lw::practice {

// The table's column names, from either kind of practice.
std::vector<std::string> ColumnNames(const std::string& dictionaryPath, const std::string& table);

// DictionaryLoader's calls on either kind of practice.
class PracticeLoader {
 public:
  explicit PracticeLoader(const std::string& dictionaryPath);
  void Begin() { embedded_ ? embedded_->Begin() : server_->Begin(); }
  void Commit() { embedded_ ? embedded_->Commit() : server_->Commit(); }
  void Rollback() { embedded_ ? embedded_->Rollback() : server_->Rollback(); }
  std::int64_t Insert(const std::string& table, const engine::Row& row) {
    return embedded_ ? embedded_->Insert(table, row) : server_->Insert(table, row);
  }
  template <typename Visit>
  void ForEachRow(const std::string& table, const Visit& visit) {
    embedded_ ? embedded_->ForEachRow(table, visit) : server_->ForEachRow(table, visit);
  }

 private:
  std::unique_ptr<engine::DictionaryLoader> embedded_;
  std::unique_ptr<pgengine::ServerLoader> server_;
};

}  // namespace lw::practice
