#include "pgengine/PracticeHistory.h"

#include <memory>

#include "engine/Connection.h"
#include "engine/Dictionary.h"
#include "engine/History.h"
#include "pgengine/Connection.h"
#include "pgengine/History.h"
#include "pgengine/ServerDescriptor.h"

namespace lw::pgengine {

using engine::Status;

namespace {

// Calls `onServer` or `embedded` with a connection of the practice's own kind.
template <typename OnServer, typename Embedded>
Status WithPractice(const std::string& path, const OnServer& onServer, const Embedded& embedded) {
  if (IsServerDescriptor(path)) {
    std::unique_ptr<Connection> connection;
    LW_RETURN_IF_ERROR(Connection::Open(path, engine::kPracticeUser, engine::kPracticePassword, connection));
    return onServer(*connection);
  }
  std::unique_ptr<engine::Connection> connection;
  LW_RETURN_IF_ERROR(engine::Connection::Open(path, engine::kPracticeUser, engine::kPracticePassword, connection));
  return embedded(*connection);
}

}  // namespace

Status ReadPracticeHistory(const std::string& dictionaryPath, const engine::HistoryFilter& filter,
                           std::vector<engine::HistoryRow>& rows) {
  return WithPractice(
      dictionaryPath, [&](Connection& c) { return ReadHistory(c, filter, rows); },
      [&](engine::Connection& c) { return engine::ReadHistory(c, filter, rows); });
}

Status UndoPracticeRun(const std::string& dictionaryPath, std::int64_t run, engine::UndoOutcome& outcome) {
  return WithPractice(
      dictionaryPath, [&](Connection& c) { return UndoRun(c, run, outcome); },
      [&](engine::Connection& c) { return engine::UndoRun(c, run, outcome); });
}

}  // namespace lw::pgengine
