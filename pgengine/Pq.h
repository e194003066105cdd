#pragma once
// libpq handles held by RAII, and the one way this provider runs a statement: text parameters
// bound by number ($1, $2, ...), never pasted into the SQL text, and every failure mapped to an
// engine status.

#include <libpq-fe.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/Status.h"

namespace lw::pgengine {

using engine::Status;

struct ConnFree {
  void operator()(PGconn* c) const { PQfinish(c); }
};
using Conn = std::unique_ptr<PGconn, ConnFree>;

struct ResultFree {
  void operator()(PGresult* r) const { PQclear(r); }
};

// How long connecting may take, how long one statement may run, and how long a broken link
// goes unnoticed, unless the connection string says otherwise.
inline constexpr int kConnectTimeoutSeconds = 10;
inline constexpr int kStatementTimeoutMs = 60000;
inline constexpr int kLinkTimeoutMs = 15000;
// How long the program waits for a server's answer before it gives the connection up: longer
// than any statement may run, for a server that stopped answering (a paused machine, a stalled
// disk) whose own timeouts never fire.
inline constexpr int kAnswerDeadlineMs = kStatementTimeoutMs + 15000;
// Tests set a shorter deadline; zero restores kAnswerDeadlineMs.
void SetAnswerDeadline(std::chrono::milliseconds deadline);

// A parameter in text form; nullopt is SQL NULL.
using Param = std::optional<std::string>;

class Result {
 public:
  Result() = default;
  explicit Result(PGresult* r) : r_(r) {}
  int Rows() const { return r_ ? PQntuples(r_.get()) : 0; }
  int Columns() const { return r_ ? PQnfields(r_.get()) : 0; }
  bool IsNull(int row, int column) const { return PQgetisnull(r_.get(), row, column) != 0; }
  const char* Text(int row, int column) const { return PQgetvalue(r_.get(), row, column); }
  int Length(int row, int column) const { return PQgetlength(r_.get(), row, column); }
  std::int64_t Int(int row, int column) const;
  // The number of rows an UPDATE, DELETE or INSERT touched.
  std::int64_t Affected() const;
  PGresult* get() const { return r_.get(); }

 private:
  std::unique_ptr<PGresult, ResultFree> r_;
};

// Runs one statement. Failures: a lost connection -> kServerConnectionLost; a unique violation
// -> kDuplicateKey; serialisation failures, deadlocks and timeouts -> kDatabaseBusy; anything
// else -> kStorageError with the server's message.
Status Run(PGconn* conn, const std::string& sql, const std::vector<Param>& params, Result& out);
Status Run(PGconn* conn, const std::string& sql, const std::vector<Param>& params = {});

// Runs a statement prepared on the connection under `name` (PQprepare), preparing it first when
// `prepare` is set; failures as Run. A prepared statement is parsed once and, once the server
// settles on a generic plan, planned once, where Run parses and plans every time.
Status RunPrepared(PGconn* conn, const std::string& name, bool prepare, const std::string& sql,
                   const std::vector<Param>& params, Result& out);

// Prepares an unnamed statement and waits for the server's answer within the answer deadline;
// null when the connection failed (PQstatus says how).
PGresult* PrepareUnnamed(PGconn* conn, const std::string& sql);

// Statements sent to a server by this process so far (each one round trip), for measurements.
std::uint64_t RoundTrips();

// The status of a connection whose link to the server broke (or of a statement that failed
// because of it).
Status LostConnection(PGconn* conn);

// Connects with this provider's bounded timeouts (connect, keepalive, unacknowledged data)
// unless the connection string sets its own, and the session settings every connection uses
// (statement, lock and idle-transaction timeouts; UTF-8); the server's notices are not printed.
// kServerLoginRefused when the server refuses the credentials, kServerUnreachable for every
// other failure.
Status ConnectServer(const std::string& connectionString, Conn& conn);

// A name quoted as an SQL identifier.
std::string Quote(const std::string& name);

// bytea in its text forms.
std::string HexBytes(const std::string& bytes);
std::string BytesFromHex(const char* text, int length);

}  // namespace lw::pgengine
