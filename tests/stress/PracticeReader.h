#pragma once
// Independent read access to a practice for the stress tests' checks, whichever kind it is: the
// dictionary file read with plain SQLite, or the database a server descriptor names read with
// plain libpq. The SQL is the embedded dialect; on a server "rowid" stands for the record
// number, as in the engine's own statements.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lw::test {

class PracticeReader {
 public:
  using Cell = std::optional<std::string>;  // nullopt is NULL

  // Reads the practice whose MWDDF.ADD is at dictionaryPath. Throws std::runtime_error when it
  // cannot be opened.
  static std::unique_ptr<PracticeReader> Open(const std::string& dictionaryPath);
  virtual ~PracticeReader() = default;

  virtual bool OnServer() const = 0;
  // Every row of a query, each column as text. Throws std::runtime_error on failure.
  virtual std::vector<std::vector<Cell>> Rows(const std::string& sql) = 0;

  // The first column of the first row: -1 / empty text for no row or NULL.
  std::int64_t Int(const std::string& sql);
  std::string Text(const std::string& sql);
};

}  // namespace lw::test
