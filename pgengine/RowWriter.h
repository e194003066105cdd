#pragma once
// Row writes on the server: each one transaction that holds the row's record lock throughout
// (this connection's own lock, or a lock taken for the transaction alone), changes only the
// given columns and leaves one history entry per changed column in lw_history.

#include <cstdint>
#include <vector>

#include "engine/Catalog.h"
#include "engine/RecordCodec.h"
#include "pgengine/Connection.h"

namespace lw::pgengine {

// Updates the row's columns. kRecordNotFound when the row no longer exists, kRecordLocked when
// another session holds its lock. With `expected`, the columns must hold those values once the
// row is locked, else kRecordChanged and nothing is written. `action` names the write in the
// history.
Status UpdateRow(Connection& connection, const engine::TableDef& table, std::int64_t rowid,
                 const std::vector<int>& columns, const std::vector<engine::Value>& values,
                 const std::vector<engine::Value>* expected = nullptr, const char* action = "update");

// Inserts a row with the given columns (the others NULL); assigns the auto-increment column
// above the highest value given so far unless a value is given for it.
Status InsertRow(Connection& connection, const engine::TableDef& table, const std::vector<int>& columns,
                 const std::vector<engine::Value>& values, std::int64_t& rowid);

// Adds one history entry per column whose value changed (a column written with the value it
// held records nothing), under the connection's run number and one change number (0 or null
// asks for a new one, handed back). REQUIRES: inside the write transaction of the change.
Status RecordHistory(Connection& connection, const engine::TableDef& table, std::int64_t rowid, const char* action,
                     const std::vector<int>& columns, const std::vector<engine::Value>& oldValues,
                     const std::vector<engine::Value>& newValues, std::int64_t* change = nullptr);

}  // namespace lw::pgengine
