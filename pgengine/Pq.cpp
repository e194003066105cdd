#include "pgengine/Pq.h"

#include <poll.h>
#include <sys/socket.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace lw::pgengine {

namespace {

std::atomic<std::uint64_t> roundTrips{0};
std::atomic<int> answerDeadlineMs{kAnswerDeadlineMs};
// Set when this thread's last wait gave its connection up, for the failure's text.
thread_local bool answerTimedOut = false;

// Waits for every result of what was just sent, as PQexec would (the last result, or the first
// error), but at most the answer deadline: libpq's own wait has none, and a stopped server's
// link stays up. Past the deadline the connection is given up: its socket is shut, so libpq
// marks it bad and every later call on it fails at once as a lost connection.
PGresult* Answer(PGconn* conn, bool sent) {
  answerTimedOut = false;
  if (!sent) return nullptr;
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(answerDeadlineMs.load(std::memory_order_relaxed));
  PGresult* kept = nullptr;
  for (;;) {
    while (PQisBusy(conn)) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      pollfd socket{PQsocket(conn), POLLIN, 0};
      const int ready = left > 0 ? poll(&socket, 1, static_cast<int>(left)) : 0;
      if (ready == 0) {
        answerTimedOut = true;
        shutdown(PQsocket(conn), SHUT_RDWR);
        PQconsumeInput(conn);
        PQclear(kept);
        return nullptr;
      }
      if (ready < 0 && errno == EINTR) continue;
      if (!PQconsumeInput(conn)) break;
    }
    PGresult* result = PQgetResult(conn);
    if (result == nullptr) return kept;
    if (kept != nullptr && PQresultStatus(kept) == PGRES_FATAL_ERROR) {
      PQclear(result);
    } else {
      PQclear(kept);
      kept = result;
    }
    if (PQstatus(conn) == CONNECTION_BAD) return kept;
  }
}

std::string Message(PGconn* conn, PGresult* result) {
  std::string text = result ? PQresultErrorMessage(result) : PQerrorMessage(conn);
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

Status ConnectFailure(PGconn* conn) {
  std::string text = Trimmed(PQerrorMessage(conn));
  if (PQconnectionNeedsPassword(conn) || text.find("authentication failed") != std::string::npos ||
      text.find("no password supplied") != std::string::npos ||
      text.find("is not permitted to log in") != std::string::npos ||
      (text.find("role \"") != std::string::npos && text.find("does not exist") != std::string::npos)) {
    return Status::Error(ace::kServerLoginRefused, "(" + text + ")");
  }
  return Status::Error(ace::kServerUnreachable, "(" + text + ")");
}

}  // namespace

Status ConnectServer(const std::string& connectionString, Conn& conn) {
  // Settings before "dbname" are overridden by what the expanded string holds.
  std::string connectTimeout = std::to_string(kConnectTimeoutSeconds);
  std::string linkTimeout = std::to_string(kLinkTimeoutMs);
  const char* keywords[] = {"connect_timeout",     "keepalives",       "keepalives_idle",
                            "keepalives_interval", "keepalives_count", "tcp_user_timeout",
                            "application_name",    "dbname",           nullptr};
  const char* values[] = {connectTimeout.c_str(),   "1",    "5", "2", "3", linkTimeout.c_str(), "ledgerwick",
                          connectionString.c_str(), nullptr};
  conn.reset(PQconnectdbParams(keywords, values, 1));
  if (!conn) return Status::Error(ace::kServerUnreachable, "(out of memory)");
  // libpq prints the server's notices, and its word that it ended an idle session, on standard
  // error. The program reports failures through engine errors alone; the ended session shows as
  // the lost connection at the next call.
  PQsetNoticeProcessor(
      conn.get(), [](void*, const char*) {}, nullptr);
  if (PQstatus(conn.get()) != CONNECTION_OK) return ConnectFailure(conn.get());
  std::string settings =
      "SET statement_timeout = " + std::to_string(kStatementTimeoutMs) +
      "; SET lock_timeout = 5000; SET idle_in_transaction_session_timeout = " + std::to_string(kStatementTimeoutMs) +
      "; SET client_encoding = 'UTF8'";
  return Run(conn.get(), settings);
}

std::int64_t Result::Int(int row, int column) const { return std::strtoll(Text(row, column), nullptr, 10); }

std::int64_t Result::Affected() const {
  const char* n = r_ ? PQcmdTuples(r_.get()) : "";
  return *n ? std::strtoll(n, nullptr, 10) : 0;
}

Status LostConnection(PGconn* conn) {
  if (answerTimedOut) {
    return Status::Error(ace::kServerConnectionLost,
                         "(the server did not answer within " +
                             std::to_string(answerDeadlineMs.load(std::memory_order_relaxed) / 1000) + " s)");
  }
  return Status::Error(ace::kServerConnectionLost, "(" + Message(conn, nullptr) + ")");
}

std::uint64_t RoundTrips() { return roundTrips.load(std::memory_order_relaxed); }

void SetAnswerDeadline(std::chrono::milliseconds deadline) {
  answerDeadlineMs.store(deadline.count() > 0 ? static_cast<int>(deadline.count()) : kAnswerDeadlineMs,
                         std::memory_order_relaxed);
}

PGresult* PrepareUnnamed(PGconn* conn, const std::string& sql) {
  roundTrips.fetch_add(1, std::memory_order_relaxed);
  return Answer(conn, PQsendPrepare(conn, "", sql.c_str(), 0, nullptr));
}

namespace {

std::vector<const char*> Values(const std::vector<Param>& params) {
  std::vector<const char*> values;
  values.reserve(params.size());
  for (const Param& p : params) values.push_back(p ? p->c_str() : nullptr);
  return values;
}

Status Outcome(PGconn* conn, Result& out);

}  // namespace

Status Run(PGconn* conn, const std::string& sql, const std::vector<Param>& params, Result& out) {
  roundTrips.fetch_add(1, std::memory_order_relaxed);
  std::vector<const char*> values = Values(params);
  // Without parameters several statements may go in one round trip.
  out = Result(Answer(conn, values.empty() ? PQsendQuery(conn, sql.c_str())
                                           : PQsendQueryParams(conn, sql.c_str(), static_cast<int>(values.size()),
                                                               nullptr, values.data(), nullptr, nullptr, 0)));
  return Outcome(conn, out);
}

Status RunPrepared(PGconn* conn, const std::string& name, bool prepare, const std::string& sql,
                   const std::vector<Param>& params, Result& out) {
  if (prepare) {
    roundTrips.fetch_add(1, std::memory_order_relaxed);
    out =
        Result(Answer(conn, PQsendPrepare(conn, name.c_str(), sql.c_str(), static_cast<int>(params.size()), nullptr)));
    LW_RETURN_IF_ERROR(Outcome(conn, out));
  }
  roundTrips.fetch_add(1, std::memory_order_relaxed);
  std::vector<const char*> values = Values(params);
  out = Result(Answer(conn, PQsendQueryPrepared(conn, name.c_str(), static_cast<int>(values.size()), values.data(),
                                                nullptr, nullptr, 0)));
  return Outcome(conn, out);
}

namespace {

Status Outcome(PGconn* conn, Result& out) {
  ExecStatusType status = out.get() ? PQresultStatus(out.get()) : PGRES_FATAL_ERROR;
  if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) return {};
  if (PQstatus(conn) != CONNECTION_OK) return LostConnection(conn);
  const char* state = out.get() ? PQresultErrorField(out.get(), PG_DIAG_SQLSTATE) : nullptr;
  std::string code = state ? state : "";
  std::string text = Message(conn, out.get());
  if (code == "23505") return Status::Error(ace::kDuplicateKey, text);
  if (code == "40001" || code == "40P01" || code == "57014" || code == "55P03") {
    return Status::Error(ace::kDatabaseBusy, "(" + text + ")");
  }
  if (code.rfind("57P", 0) == 0 || code.rfind("08", 0) == 0) return LostConnection(conn);
  return Status::Error(ace::kStorageError, "server: " + text);
}

}  // namespace

Status Run(PGconn* conn, const std::string& sql, const std::vector<Param>& params) {
  Result ignored;
  return Run(conn, sql, params, ignored);
}

std::string Quote(const std::string& name) {
  std::string quoted = "\"";
  for (char c : name) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string HexBytes(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string text = "\\x";
  for (unsigned char c : bytes) {
    text += digits[c >> 4];
    text += digits[c & 15];
  }
  return text;
}

std::string BytesFromHex(const char* text, int length) {
  std::string bytes;
  if (length < 2 || text[0] != '\\' || text[1] != 'x') return std::string(text, length);
  auto nibble = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
  for (int i = 2; i + 1 < length; i += 2) bytes += static_cast<char>(nibble(text[i]) * 16 + nibble(text[i + 1]));
  return bytes;
}

}  // namespace lw::pgengine
