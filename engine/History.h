#pragma once
// The practice's update history, reviewed and undone by run. Every change a connection records
// (RowWriter, SQL writes) carries the connection's run number, allocated with its first recorded
// change from a counter in lw_meta, and the OS user beside the dictionary user. A run is what
// one connection changed: one search run with "Fix Balances", one import, one undo.
//
// Invariant: history rows are written in the same transaction as the change they describe, and
// only for columns whose value actually changed.

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/Connection.h"
#include "engine/Status.h"

namespace lw::engine {

// Adds the run and OS-user columns to the history of a dictionary made before they existed.
// REQUIRES: a writable connection to a validated dictionary.
Status UpgradeHistory(sqlite3* db);

// The next run number, counted in lw_meta. REQUIRES: inside a write transaction.
Status AllocateRun(sqlite3* db, std::int64_t& run);

// The name of the operating-system user running this process (its uid when it has none).
const std::string& OsUserName();

struct HistoryFilter {
  std::int64_t run = 0;               // 0: every run
  std::optional<std::int64_t> entry;  // only rows whose auto-increment value ("Entry Number") is this
};

// One row changed by one write, with every column it changed.
struct HistoryRow {
  std::int64_t run = 0;
  std::string time;  // UTC, "YYYY-MM-DD HH:MM:SS.mmm"
  std::string osUser;
  std::string user;  // the dictionary user
  std::string action;
  std::string table;
  std::int64_t recordNumber = 0;
  std::string keyColumn;             // the table's auto-increment column ("Entry Number"), if any
  std::optional<std::int64_t> key;   // its value, while the row exists
  std::optional<std::string> chart;  // "Chart Number", for tables that have one and rows that exist
  struct Change {
    std::string column;
    std::string oldText;  // the value in the practice tool's CSV text form; "NULL" for NULL
    std::string newText;
  };
  std::vector<Change> changes;
};

// The history, oldest first, as the filter selects it.
Status ReadHistory(Connection& connection, const HistoryFilter& filter, std::vector<HistoryRow>& rows);

// A row an undo restored or left alone.
struct UndoneRow {
  std::string table;
  std::int64_t recordNumber = 0;
  std::string keyColumn;
  std::optional<std::int64_t> key;
  std::optional<std::string> chart;
  std::string reason;  // why it was left alone; empty for a restored row
};

struct UndoOutcome {
  std::int64_t run = 0;  // the undo's own run number (0 when it restored nothing)
  std::vector<UndoneRow> restored;
  std::vector<UndoneRow> leftAlone;
};

// Puts back the values every row had before run `run`, one row at a time, each under its record
// lock and in its own transaction. A row whose values have changed since the run, that another
// user has locked, that no longer exists, or that the run inserted or deleted is left alone and
// listed. The undo is recorded as a run of its own. kRecordNotFound when the run changed nothing.
Status UndoRun(Connection& connection, std::int64_t run, UndoOutcome& outcome);

}  // namespace lw::engine
