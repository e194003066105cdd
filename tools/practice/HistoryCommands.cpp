// history and undo: the practice's update history, run by run, on either kind of practice.
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
int ParseFilter(std::ostream& err, const std::string& command, const std::vector<std::string>& args,
                std::string& folder, engine::HistoryFilter& filter, bool entryAllowed) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--run" || (arg == "--entry" && entryAllowed)) {
      std::int64_t value = 0;
      if (i + 1 >= args.size() || !ParseCount(args[i + 1], value, 1)) {
        return CommandUsage(err, command, arg + " needs a number from 1");
      }
      if (arg == "--run")
        filter.run = value;
      else
        filter.entry = value;
      ++i;
    } else if (!arg.empty() && arg[0] == '-') {
      return CommandUsage(err, command, "unknown option " + arg);
    } else if (folder.empty()) {
      folder = arg;
    } else {
      return CommandUsage(err, command, "expects one folder");
    }
  }
  if (folder.empty()) return CommandUsage(err, command, "expects a folder");
  return kOk;
}

}  // namespace

int History(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string folder;
  engine::HistoryFilter filter;
  if (int rc = ParseFilter(err, "history", args, folder, filter, true); rc != kOk) return rc;
  std::string path;
  if (int rc = RequireDictionary(err, "history", folder, path); rc != kOk) return rc;
  std::vector<engine::HistoryRow> rows;
  const engine::Status status = pgengine::ReadPracticeHistory(path, filter, rows);
  if (!status.ok()) throw EDatabaseError(status.text());
  if (rows.empty()) {
    out << (filter.run != 0 || filter.entry ? "No changes recorded for that selection.\n" : "No changes recorded.\n");
    return kOk;
  }
  const engine::HistoryRow* previous = nullptr;
  for (const engine::HistoryRow& row : rows) {
    if (previous == nullptr || row.run != previous->run) {
      if (row.run == 0) {
        out << "Before run numbers were kept:\n";
      } else {
        out << "Run " << row.run << ", " << row.time << " UTC, OS user " << row.osUser << ", dictionary user "
            << row.user << ":\n";
      }
    }
    // The run's header has the date; each row its time of day.
    const std::string clock = row.time.size() > 11 ? row.time.substr(11) : row.time;
    out << "  " << RowName(row.table, row.keyColumn, row.key, row.chart, row.recordNumber) << ": " << row.action
        << " at " << clock << "\n";
    for (const auto& change : row.changes) {
      out << "    " << change.column << ": " << change.oldText << " -> " << change.newText << "\n";
    }
    previous = &row;
  }
  return kOk;
}

int Undo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string folder;
  engine::HistoryFilter filter;
  if (int rc = ParseFilter(err, "undo", args, folder, filter, false); rc != kOk) return rc;
  if (filter.run == 0) return CommandUsage(err, "undo", "expects --run N (ledgerwick-practice history lists the runs)");
  std::string path;
  if (int rc = RequireDictionary(err, "undo", folder, path); rc != kOk) return rc;
  engine::UndoOutcome outcome;
  const engine::Status status = pgengine::UndoPracticeRun(path, filter.run, outcome);
  if (!status.ok()) throw EDatabaseError(status.text());
  if (outcome.run != 0) {
    out << "Run " << filter.run << " undone as run " << outcome.run << " (undo with: ledgerwick-practice undo "
        << ShellQuoted(folder) << " --run " << outcome.run << ")\n";
  }
  for (const auto& row : outcome.restored) {
    out << "  restored " << RowName(row.table, row.keyColumn, row.key, row.chart, row.recordNumber) << "\n";
  }
  if (outcome.leftAlone.empty()) return kOk;
  out << outcome.leftAlone.size() << " " << (outcome.leftAlone.size() == 1 ? "row was" : "rows were")
      << " left alone:\n";
  for (const auto& row : outcome.leftAlone) {
    out << "  " << RowName(row.table, row.keyColumn, row.key, row.chart, row.recordNumber) << ": " << row.reason
        << "\n";
  }
  return kFailed;
}

}  // namespace lw::practice
