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

// Updates the row's columns. kRecordNotFound when the row no longer exists.
Status UpdateRow(Connection& connection, const TableDef& table, std::int64_t rowid, const std::vector<int>& columns,
                 const std::vector<Value>& values);

// Inserts a row with the given columns (the others NULL); assigns the auto-increment column
// above the highest value given so far unless a value is given for it.
Status InsertRow(Connection& connection, const TableDef& table, const std::vector<int>& columns,
                 const std::vector<Value>& values, std::int64_t& rowid);

// The current time as the history records it (UTC, "YYYY-MM-DD HH:MM:SS.mmm").
std::string HistoryTimeNow();

}  // namespace lw::engine

namespace lw::engine {

// Records an SQL statement that changed rows: one entry with the statement text and the count
// of rows it changed. REQUIRES: inside the statement's write transaction.
Status RecordStatementHistory(Connection& connection, const TableDef& table, const std::string& statement,
                              std::int64_t rowsChanged);

}  // namespace lw::engine
