#pragma once
// An SQL statement of a server connection. The dialect is translated by the embedded engine's
// translator (one grammar, one set of rejections) and its output rewritten for the server:
// functions by their server names, case-insensitive LIKE, and every literal a typed parameter.
// A SELECT's rows become a temporary table of the session, read by a static cursor; UPDATE and
// DELETE refuse rows another session has locked, and every write leaves its history, all in one
// transaction.

#include <cstdint>
#include <memory>
#include <string>

#include "data/ace/AceApi.h"
#include "engine/SqlTranslator.h"
#include "pgengine/Connection.h"
#include "pgengine/Cursor.h"

namespace lw::pgengine {

// The server form of a translated text: placeholders renumbered in order of use, with the
// values they take.
struct ServerSql {
  std::string sql;
  std::vector<Param> params;
};
ServerSql ToServerSql(const std::string& translated, const std::vector<engine::Value>& binds);

class SqlStatement {
 public:
  explicit SqlStatement(Connection& connection) : connection_(connection) {}

  Status Prepare(const std::string& text);
  bool Prepared() const { return prepared_; }
  Status Execute(std::unique_ptr<Cursor>& result);
  std::int64_t RowsAffected() const { return rowsAffected_; }
  Status SetParameterNull(std::uint32_t number);

  std::uint16_t readOnly = 1;
  std::uint16_t tableType = 3;

 private:
  Status ExecuteSelect(std::unique_ptr<Cursor>& result);
  Status ExecuteWrite();

  Connection& connection_;
  bool prepared_ = false;
  engine::TranslatedSql translated_;
  std::int64_t rowsAffected_ = -1;
};

}  // namespace lw::pgengine
