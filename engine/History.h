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
#include <vector>

#include "engine/Connection.h"
#include "engine/HistoryRecords.h"
#include "engine/Status.h"

namespace lw::engine {

// Adds the run and OS-user columns to the history of a dictionary made before they existed.
// REQUIRES: a writable connection to a validated dictionary.
Status UpgradeHistory(sqlite3* db);

// The next run number, counted in lw_meta. REQUIRES: inside a write transaction.
Status AllocateRun(sqlite3* db, std::int64_t& run);

// The history, oldest first, as the filter selects it.
Status ReadHistory(Connection& connection, const HistoryFilter& filter, std::vector<HistoryRow>& rows);

// Puts back the values every row had before run `run`, one row at a time, each under its record
// lock and in its own transaction. A row whose values have changed since the run, that another
// user has locked, that no longer exists, or that the run inserted or deleted is left alone and
// listed. The undo is recorded as a run of its own. kRecordNotFound when the run changed nothing.
Status UndoRun(Connection& connection, std::int64_t run, UndoOutcome& outcome);

}  // namespace lw::engine
