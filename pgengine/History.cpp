#include "pgengine/History.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "pgengine/RowWriter.h"
#include "pgengine/StoredForm.h"

namespace lw::pgengine {

using engine::HistoryRow;
using engine::TableDef;
using engine::Value;

namespace {

constexpr int kPage = 5000;

// What names a row to a person: its auto-increment value and its chart, read as it is now.
struct Label {
  std::optional<std::int64_t> key;
  std::optional<std::string> chart;
};

// The labels of a table's rows (by record number) that still exist, in one round trip.
Status ReadLabels(Connection& connection, const TableDef& table, const std::vector<std::int64_t>& records,
                  std::map<std::int64_t, Label>& labels) {
  const int chartColumn = table.FindColumn("Chart Number");
  if ((table.autoIncColumn < 0 && chartColumn < 0) || records.empty()) return {};
  std::string list = "{";
  for (std::size_t i = 0; i < records.size(); ++i) list += (i ? "," : "") + std::to_string(records[i]);
  list += "}";
  const std::string sql = "SELECT lw_rowid, " +
                          (table.autoIncColumn >= 0 ? Quote(table.columns[table.autoIncColumn].name) : "NULL") + ", " +
                          (chartColumn >= 0 ? Quote(table.columns[chartColumn].name) : "NULL") + " FROM " +
                          table.sqlName + " WHERE lw_rowid = ANY($1::bigint[])";
  Result rows;
  LW_RETURN_IF_ERROR(Run(connection.pg(), sql, {list}, rows));
  for (int r = 0; r < rows.Rows(); ++r) {
    Label& label = labels[rows.Int(r, 0)];
    if (table.autoIncColumn >= 0 && !rows.IsNull(r, 1)) label.key = rows.Int(r, 1);
    if (chartColumn >= 0) label.chart = rows.IsNull(r, 2) ? std::string() : std::string(rows.Text(r, 2));
  }
  return {};
}

std::shared_ptr<const TableDef> FindTable(Connection& connection, const std::string& name) {
  std::shared_ptr<const TableDef> table;
  if (!connection.ResolveTable(name, table).ok()) return nullptr;
  return table;
}

// A stored history value: in its column's stored form while the column exists, else as text.
Value EntryValue(const TableDef* table, const std::string& column, const Result& result, int row, int field) {
  const int index = table != nullptr ? table->FindColumn(column) : -1;
  return ValueOf(result, row, field, index >= 0 ? table->columns[index].storage : engine::Storage::Text);
}

// Calls `visit(result, row)` for the history entries of one run (0: every run), oldest first, in
// pages so that a long history never sits in memory whole. `columns` follow "entry, " in each row.
template <typename Visit>
Status ForEachEntry(Connection& connection, const std::string& columns, std::int64_t run, const Visit& visit) {
  std::int64_t after = 0;
  for (;;) {
    std::vector<Param> params{std::to_string(after)};
    std::string sql = "SELECT entry, " + columns + " FROM lw_history WHERE entry > $1";
    if (run != 0) {
      sql += " AND run = $2";
      params.push_back(std::to_string(run));
    }
    Result page;
    LW_RETURN_IF_ERROR(Run(connection.pg(), sql + " ORDER BY entry LIMIT " + std::to_string(kPage), params, page));
    for (int r = 0; r < page.Rows(); ++r) {
      after = page.Int(r, 0);
      visit(page, r);
    }
    if (page.Rows() < kPage) return {};
  }
}

// Reads in one snapshot of the practice: entries committed while the pages are read appear in
// none of them or in order.
template <typename Read>
Status InReadTransaction(Connection& connection, const Read& read) {
  LW_RETURN_IF_ERROR(Run(connection.pg(), "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"));
  Status status = read();
  if (!status.ok()) {
    (void)Run(connection.pg(), "ROLLBACK");
    return status;
  }
  return Run(connection.pg(), "COMMIT");
}

// The server's calls for ApplyUndo.
struct UndoOnServer {
  Connection& connection;
  std::shared_ptr<const TableDef> Find(const std::string& name) { return FindTable(connection, name); }
  Status Lock(const TableDef& table, std::int64_t record) { return connection.Lock(table.tableNumber, record); }
  void Unlock(const TableDef& table, std::int64_t record) { connection.Unlock(table.tableNumber, record); }
  Status Restore(const TableDef& table, std::int64_t record, const std::vector<int>& columns,
                 const std::vector<Value>& before, const std::vector<Value>& expected, const std::string& action) {
    return UpdateRow(connection, table, record, columns, before, &expected, action.c_str());
  }
  void Label(const TableDef& table, std::int64_t record, std::optional<std::int64_t>& key,
             std::optional<std::string>& chart) {
    std::map<std::int64_t, struct Label> labels;
    if (!ReadLabels(connection, table, {record}, labels).ok()) return;
    auto found = labels.find(record);
    if (found == labels.end()) return;
    key = found->second.key;
    chart = found->second.chart;
  }
};

}  // namespace

Status ReadHistory(Connection& connection, const engine::HistoryFilter& filter, std::vector<HistoryRow>& rows) {
  LW_RETURN_IF_ERROR(InReadTransaction(connection, [&] {
    return ForEachEntry(
        connection,
        "run, os_user, change, changed_at, user_name, action, table_name, record_number, column_name,"
        " old_value, new_value",
        filter.run, [&](const Result& page, int r) {
          bool added = false;
          HistoryRow& row = engine::HistoryRowFor(rows, page.Int(r, 3), page.Text(r, 7), page.Int(r, 8), added);
          if (added) {
            row.run = page.Int(r, 1);
            row.osUser = page.Text(r, 2);
            row.time = page.Text(r, 4);
            row.user = page.Text(r, 5);
            row.action = page.Text(r, 6);
          }
          const std::shared_ptr<const TableDef> table = FindTable(connection, row.table);
          const std::string column = page.IsNull(r, 9) ? std::string() : page.Text(r, 9);
          row.changes.push_back(
              {column, engine::HistoryText(table.get(), column, EntryValue(table.get(), column, page, r, 10)),
               engine::HistoryText(table.get(), column, EntryValue(table.get(), column, page, r, 11))});
        });
  }));
  // Each table's rows are labelled in one round trip.
  std::map<std::string, std::vector<std::int64_t>> records;
  for (const HistoryRow& row : rows) records[row.table].push_back(row.recordNumber);
  std::map<std::string, std::map<std::int64_t, Label>> labels;
  for (const auto& [name, numbers] : records) {
    if (const auto table = FindTable(connection, name)) {
      LW_RETURN_IF_ERROR(ReadLabels(connection, *table, numbers, labels[name]));
    }
  }
  for (HistoryRow& row : rows) {
    const auto table = FindTable(connection, row.table);
    if (table == nullptr) continue;
    if (table->autoIncColumn >= 0) row.keyColumn = table->columns[table->autoIncColumn].name;
    const auto& ofTable = labels[row.table];
    if (auto found = ofTable.find(row.recordNumber); found != ofTable.end()) {
      row.key = found->second.key;
      row.chart = found->second.chart;
    }
  }
  if (filter.entry) {
    std::erase_if(rows, [&](const HistoryRow& row) { return row.key != filter.entry; });
  }
  return {};
}

Status UndoRun(Connection& connection, std::int64_t run, engine::UndoOutcome& outcome) {
  engine::UndoPlan plan;
  if (run > 0) {
    LW_RETURN_IF_ERROR(InReadTransaction(connection, [&] {
      return ForEachEntry(connection, "table_name, record_number, action, column_name, old_value, new_value", run,
                          [&](const Result& page, int r) {
                            const std::string name = page.Text(r, 1);
                            const std::string column = page.IsNull(r, 4) ? std::string() : page.Text(r, 4);
                            const std::shared_ptr<const TableDef> table = FindTable(connection, name);
                            plan.Add(name, page.Int(r, 2), page.Text(r, 3), column,
                                     EntryValue(table.get(), column, page, r, 5),
                                     EntryValue(table.get(), column, page, r, 6));
                          });
    }));
  }
  if (plan.Rows().empty())
    return Status::Error(ace::kRecordNotFound, "the history holds no run " + std::to_string(run));
  UndoOnServer provider{connection};
  LW_RETURN_IF_ERROR(engine::ApplyUndo(plan, run, provider, outcome));
  outcome.run = connection.Run();
  return {};
}

}  // namespace lw::pgengine
