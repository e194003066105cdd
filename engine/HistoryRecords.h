#pragma once
// The update history as every kind of practice keeps and shows it. Each stored entry is one
// column of one row changed by one change (a write), under the run of the connection that made
// it: the table's name, the record number, the time, the dictionary and OS users, the action,
// and the column's stored value before and after. Providers store and read the entries; what a
// history listing shows and what an undo does follow from the entries alone, here.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "data/ace/AceErrors.h"
#include "engine/Catalog.h"
#include "engine/RecordCodec.h"
#include "engine/Status.h"

namespace lw::engine {

// The name of the operating-system user running this process (its uid when it has none).
const std::string& OsUserName();

struct HistoryFilter {
  std::int64_t run = 0;               // 0: every run
  std::optional<std::int64_t> entry;  // only rows whose auto-increment value ("Entry Number") is this
};

// One row changed by one write, with every column it changed.
struct HistoryRow {
  std::int64_t run = 0;
  std::int64_t change = 0;
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

// The row an entry read in history order belongs to: the last one when the entry is of the same
// change to the same record, else a new one (`added` set, the caller fills in the rest).
HistoryRow& HistoryRowFor(std::vector<HistoryRow>& rows, std::int64_t change, const std::string& table,
                          std::int64_t record, bool& added);

// A stored value as a listing shows it: the practice tool's CSV text, "NULL" for NULL. `table`
// is null for a table no longer in the dictionary.
std::string HistoryText(const TableDef* table, const std::string& column, const Value& value);

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

// What one run did to each row, gathered from its entries in history order: every column's
// first old and last new value. Rows the run inserted or deleted are refused.
class UndoPlan {
 public:
  struct Row {
    std::string table;
    std::int64_t record = 0;
    std::vector<std::string> columns;
    std::vector<Value> before;
    std::vector<Value> after;
    std::string refusal;
  };
  void Add(const std::string& table, std::int64_t record, const std::string& action, const std::string& column,
           Value oldValue, Value newValue);
  const std::vector<Row>& Rows() const { return rows_; }

 private:
  std::vector<Row> rows_;
  std::map<std::pair<std::string, std::int64_t>, std::size_t> index_;
};

// The action an undo's own entries carry.
std::string UndoAction(std::int64_t run);

// Carries out a plan row by row, each under its record lock, through a provider's calls:
//   std::shared_ptr<const TableDef> Find(const std::string& table)   (null: not in the dictionary)
//   Status Lock(const TableDef&, std::int64_t record);  void Unlock(const TableDef&, std::int64_t record)
//   Status Restore(const TableDef&, std::int64_t record, const std::vector<int>& columns,
//                  const std::vector<Value>& before, const std::vector<Value>& expected, const std::string& action)
//     (one transaction; kRecordChanged when the columns no longer hold `expected`, kRecordNotFound)
//   void Label(const TableDef&, std::int64_t record, std::optional<std::int64_t>& key, std::optional<std::string>&
//   chart)
// Rows left alone are listed with the reason; any other failure ends the undo.
template <typename Provider>
Status ApplyUndo(const UndoPlan& plan, std::int64_t run, Provider& provider, UndoOutcome& outcome) {
  const std::string action = UndoAction(run);
  for (const UndoPlan::Row& undo : plan.Rows()) {
    UndoneRow row{undo.table, undo.record, {}, {}, {}, undo.refusal};
    const std::shared_ptr<const TableDef> table = provider.Find(undo.table);
    std::vector<int> columns;
    if (table == nullptr) {
      row.reason = "its table is no longer in the dictionary";
    } else {
      for (const std::string& name : undo.columns) {
        const int column = table->FindColumn(name);
        if (column < 0) row.reason = "its column " + name + " is no longer in the table";
        columns.push_back(column);
      }
    }
    if (row.reason.empty()) {
      const Status locked = provider.Lock(*table, undo.record);
      if (!locked.ok()) {
        row.reason = locked.code() == ace::kRecordLocked ? "another user has it locked" : locked.text();
      } else {
        const Status written = provider.Restore(*table, undo.record, columns, undo.before, undo.after, action);
        provider.Unlock(*table, undo.record);
        if (written.code() == ace::kRecordChanged) {
          row.reason = "it has changed since the run";
        } else if (written.code() == ace::kRecordNotFound) {
          row.reason = "it no longer exists";
        } else if (!written.ok()) {
          return written;
        }
      }
    }
    if (table != nullptr) {
      if (table->autoIncColumn >= 0) row.keyColumn = table->columns[table->autoIncColumn].name;
      provider.Label(*table, undo.record, row.key, row.chart);
    }
    (row.reason.empty() ? outcome.restored : outcome.leftAlone).push_back(std::move(row));
  }
  return {};
}

}  // namespace lw::engine
