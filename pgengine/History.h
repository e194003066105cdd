#pragma once
// A server practice's update history, reviewed and undone by run, with the meaning the embedded
// engine gives it (engine/HistoryRecords.h): entries are written by RowWriter and SQL writes in
// the transaction of their change; here they are read back and undone.

#include <cstdint>
#include <vector>

#include "engine/HistoryRecords.h"
#include "pgengine/Connection.h"

namespace lw::pgengine {

// The history, oldest first, as the filter selects it.
Status ReadHistory(Connection& connection, const engine::HistoryFilter& filter, std::vector<engine::HistoryRow>& rows);

// Puts back the values every row had before run `run`, one row at a time, each under its record
// lock and in its own transaction; rows changed since, locked by another user, gone, inserted
// or deleted by the run are left alone and listed. The undo is a run of its own.
// kRecordNotFound when the run changed nothing.
Status UndoRun(Connection& connection, std::int64_t run, engine::UndoOutcome& outcome);

}  // namespace lw::pgengine
