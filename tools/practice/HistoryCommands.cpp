// history and undo: the practice's update history, run by run, on either kind of practice.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "common/Exceptions.h"
#include "common/ShellWord.h"
#include "engine/HistoryRecords.h"
#include "pgengine/PracticeHistory.h"
#include "tools/practice/Commands.h"

namespace lw::practice {

namespace {

// "MWTRN Entry Number 17, chart BAKER", or the record number when the row is gone.
std::string RowName(const std::string& table, const std::string& keyColumn, std::optional<std::int64_t> key,
                    const std::optional<std::string>& chart, std::int64_t record) {
  std::string name = table + " ";
  if (key) {
    name += (keyColumn.empty() ? std::string("key") : keyColumn) + " " + std::to_string(*key);
  } else {
    name += "record " + std::to_string(record) + " (no longer in the table)";
  }
  if (chart) name += ", chart " + (chart->empty() ? std::string("(none)") : *chart);
  return name;
}

// Reads "--run N" and "--entry E" (either may be required or refused by the caller).
int ParseFilter(const std::string& command, const std::vector<std::string>& args, std::string& folder,
                engine::HistoryFilter& filter, bool entryAllowed) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--run" || (arg == "--entry" && entryAllowed)) {
      std::int64_t value = 0;
      if (i + 1 >= args.size() || !ParseCount(args[i + 1], value, 1)) {
        return CommandUsage(command, arg + " needs a number from 1");
      }
      if (arg == "--run")
        filter.run = value;
      else
        filter.entry = value;
      ++i;
    } else if (!arg.empty() && arg[0] == '-') {
      return CommandUsage(command, "unknown option " + arg);
    } else if (folder.empty()) {
      folder = arg;
    } else {
      return CommandUsage(command, "expects one folder");
    }
  }
  if (folder.empty()) return CommandUsage(command, "expects a folder");
  return kOk;
}

}  // namespace

int History(const std::vector<std::string>& args) {
  std::string folder;
  engine::HistoryFilter filter;
  if (int rc = ParseFilter("history", args, folder, filter, true); rc != kOk) return rc;
  std::string path;
  if (int rc = RequireDictionary("history", folder, path); rc != kOk) return rc;
  std::vector<engine::HistoryRow> rows;
  const engine::Status status = pgengine::ReadPracticeHistory(path, filter, rows);
  if (!status.ok()) throw EDatabaseError(status.text());
  if (rows.empty()) {
    std::printf(filter.run != 0 || filter.entry ? "No changes recorded for that selection.\n"
                                                : "No changes recorded.\n");
    return kOk;
  }
  const engine::HistoryRow* previous = nullptr;
  for (const engine::HistoryRow& row : rows) {
    if (previous == nullptr || row.run != previous->run) {
      if (row.run == 0) {
        std::printf("Before run numbers were kept:\n");
      } else {
        std::printf("Run %lld, %s UTC, OS user %s, dictionary user %s:\n", static_cast<long long>(row.run),
                    row.time.c_str(), row.osUser.c_str(), row.user.c_str());
      }
    }
    // The run's header has the date; each row its time of day.
    const std::string clock = row.time.size() > 11 ? row.time.substr(11) : row.time;
    std::printf("  %s: %s at %s\n", RowName(row.table, row.keyColumn, row.key, row.chart, row.recordNumber).c_str(),
                row.action.c_str(), clock.c_str());
    for (const auto& change : row.changes) {
      std::printf("    %s: %s -> %s\n", change.column.c_str(), change.oldText.c_str(), change.newText.c_str());
    }
    previous = &row;
  }
  return kOk;
}

int Undo(const std::vector<std::string>& args) {
  std::string folder;
  engine::HistoryFilter filter;
  if (int rc = ParseFilter("undo", args, folder, filter, false); rc != kOk) return rc;
  if (filter.run == 0) return CommandUsage("undo", "expects --run N (ledgerwick-practice history lists the runs)");
  std::string path;
  if (int rc = RequireDictionary("undo", folder, path); rc != kOk) return rc;
  engine::UndoOutcome outcome;
  const engine::Status status = pgengine::UndoPracticeRun(path, filter.run, outcome);
  if (!status.ok()) throw EDatabaseError(status.text());
  const long long run = filter.run;
  if (outcome.run != 0) {
    std::printf("Run %lld undone as run %lld (undo with: ledgerwick-practice undo %s --run %lld)\n", run,
                static_cast<long long>(outcome.run), ShellQuoted(folder).c_str(), static_cast<long long>(outcome.run));
  }
  for (const auto& row : outcome.restored) {
    std::printf("  restored %s\n", RowName(row.table, row.keyColumn, row.key, row.chart, row.recordNumber).c_str());
  }
  if (outcome.leftAlone.empty()) return kOk;
  std::printf("%zu %s left alone:\n", outcome.leftAlone.size(),
              outcome.leftAlone.size() == 1 ? "row was" : "rows were");
  for (const auto& row : outcome.leftAlone) {
    std::printf("  %s: %s\n", RowName(row.table, row.keyColumn, row.key, row.chart, row.recordNumber).c_str(),
                row.reason.c_str());
  }
  return kFailed;
}

}  // namespace lw::practice
