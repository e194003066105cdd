#pragma once
// The update history of either kind of practice, reviewed and undone through the provider that
// keeps it, chosen by what the practice's MWDDF.ADD is (as the programs' engine chooses). Each
// call connects as the practice's dictionary user for its own work.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/HistoryRecords.h"
#include "engine/Status.h"

namespace lw::pgengine {

// The history, oldest first, as the filter selects it.
engine::Status ReadPracticeHistory(const std::string& dictionaryPath, const engine::HistoryFilter& filter,
                                   std::vector<engine::HistoryRow>& rows);

// Undoes run `run` (see engine::UndoRun); the undo is recorded as a run of its own.
engine::Status UndoPracticeRun(const std::string& dictionaryPath, std::int64_t run, engine::UndoOutcome& outcome);

}  // namespace lw::pgengine
