#pragma once
// Row writes: each one SQLite transaction that changes only the given columns and leaves one
// history entry per changed column (table, record number, time, user, old and new value) in the
// dictionary's lw_history, so every change can be reviewed and undone.

#include <cstdint>
#include <vector>

#include "engine/Catalog.h"
#include "engine/Connection.h"
#include "engine/RecordCodec.h"
#include "engine/Status.h"

namespace lw::engine {

// Updates the row's columns. kRecordNotFound when the row no longer exists. With `expected`,
// the columns must hold those values when the transaction begins, else kRecordChanged and
// nothing is written. `action` names the write in the history.
Status UpdateRow(Connection& connection, const TableDef& table, std::int64_t rowid, const std::vector<int>& columns,
                 const std::vector<Value>& values, const std::vector<Value>* expected = nullptr,
                 const char* action = "update");

// Inserts a row with the given columns (the others NULL); assigns the auto-increment column
// above the highest value given so far unless a value is given for it.
Status InsertRow(Connection& connection, const TableDef& table, const std::vector<int>& columns,
                 const std::vector<Value>& values, std::int64_t& rowid);

// Adds one history entry per column whose value changed (a column written with the value it
// held records nothing), under the connection's run number. `change` numbers the change the
// entries belong to: 0 (or null) asks for a new number, which is handed back so several rows
// can share one change. REQUIRES: inside the write transaction of the change.
Status RecordHistory(Connection& connection, const TableDef& table, std::int64_t rowid, const char* action,
                     const std::vector<int>& columns, const std::vector<Value>& oldValues,
                     const std::vector<Value>& newValues, std::int64_t* change = nullptr);

// The current time as the history records it (UTC, "YYYY-MM-DD HH:MM:SS.mmm").
std::string HistoryTimeNow();

}  // namespace lw::engine
