#pragma once
// An SQL statement of a connection: its options, its prepared translation and what its last
// execution produced.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/Connection.h"
#include "engine/Cursor.h"
#include "engine/SqlTranslator.h"
#include "engine/Status.h"

namespace lw::engine {

class SqlStatement {
 public:
  explicit SqlStatement(Connection& connection) : connection_(connection) {}

  // Translates the text; a rejected text leaves the statement unprepared.
  Status Prepare(const std::string& text);
  bool Prepared() const { return prepared_; }
  // Runs the prepared statement. A SELECT materialises its rows once into a result table of the
  // connection and yields a cursor over it; any other statement yields none, sets the count of
  // rows affected and records the old and new values of every changed row in the history.
  Status Execute(std::unique_ptr<Cursor>& result);
  // -1 after a SELECT (no count of rows affected).
  std::int64_t RowsAffected() const { return rowsAffected_; }
  // A parameter bound to NULL (parameters are numbered from 1).
  Status SetParameterNull(std::uint32_t number);

  std::uint16_t readOnly = 1;
  std::uint16_t tableType = 3;

 private:
  Status ExecuteSelect(std::unique_ptr<Cursor>& result);
  Status ExecuteWrite();

  Connection& connection_;
  bool prepared_ = false;
  std::string text_;
  TranslatedSql translated_;
  std::int64_t rowsAffected_ = -1;
};

}  // namespace lw::engine
