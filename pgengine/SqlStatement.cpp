#include "pgengine/SqlStatement.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

#include "engine/KeyEqualities.h"
#include "engine/PlainRows.h"
#include "engine/ResultTable.h"
#include "pgengine/RowWriter.h"
#include "pgengine/StoredForm.h"

namespace lw::pgengine {

using engine::ColumnDef;
using engine::SqlRejection;
using engine::TableDef;
using engine::TranslatedSql;
using engine::Value;

namespace {

const char* CastOf(const Value& value) {
  switch (value.kind) {
    case Value::Kind::Integer:
      // Functions such as substr take int; wider values stay bigint.
      return value.integer >= INT32_MIN && value.integer <= INT32_MAX ? "::int" : "::bigint";
    case Value::Kind::Real: return "::double precision";
    case Value::Kind::Blob: return "::bytea";
    case Value::Kind::Text: return "::text";
    default: return "";
  }
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

struct RowValues {
  std::int64_t rowid = 0;
  std::vector<Value> values;
};

// The rows a condition selects, locked against concurrent writers until the transaction ends.
Status ReadRows(PGconn* pg, const TableDef& table, const std::string& where, const std::vector<Value>& binds,
                bool forUpdate, std::vector<RowValues>& rows) {
  std::string list = "lw_rowid";
  for (const ColumnDef& column : table.columns) list += ", " + column.sqlName;
  ServerSql server =
      ToServerSql("SELECT " + list + " FROM " + table.sqlName + (where.empty() ? "" : " WHERE " + where), binds);
  Result result;
  LW_RETURN_IF_ERROR(Run(pg, server.sql + (forUpdate ? " FOR UPDATE" : ""), server.params, result));
  for (int r = 0; r < result.Rows(); ++r) {
    RowValues row;
    row.rowid = result.Int(r, 0);
    for (std::size_t c = 0; c < table.columns.size(); ++c) {
      row.values.push_back(ValueOf(result, r, static_cast<int>(c + 1), table.columns[c].storage));
    }
    rows.push_back(std::move(row));
  }
  return {};
}

// A failure of the server on a translated statement: its own errors are rejections.
Status Rejected(const Status& status) {
  if (status.code() != ace::kStorageError) return status;
  return SqlRejection(ace::kNativeEvaluation, status.text() + ".");
}

}  // namespace

namespace {

// NULL sorts first ascending and last descending, as in the embedded engine: every item of a
// top-level ORDER BY gets its NULLS clause.
std::string NullsOrdered(const std::string& sql) {
  std::string upper = sql;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  int depth = 0;
  char quote = 0;
  std::size_t orderBy = std::string::npos;
  for (std::size_t i = 0; i < sql.size(); ++i) {
    char c = sql[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '(') {
      ++depth;
    } else if (c == ')') {
      --depth;
    } else if (depth == 0 && upper.compare(i, 8, "ORDER BY") == 0 &&
               (i == 0 || !std::isalnum(static_cast<unsigned char>(upper[i - 1])))) {
      orderBy = i + 8;
    }
  }
  if (orderBy == std::string::npos) return sql;
  std::string out = sql.substr(0, orderBy);
  std::string item;
  auto finish = [&] {
    std::string trimmed = item;
    while (!trimmed.empty() && trimmed.back() == ' ') trimmed.pop_back();
    std::string tail = trimmed.size() >= 4 ? trimmed.substr(trimmed.size() - 4) : trimmed;
    for (char& c : tail) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    out += trimmed + (tail == "DESC" ? " NULLS LAST" : " NULLS FIRST");
    item.clear();
  };
  depth = 0;
  quote = 0;
  for (std::size_t i = orderBy; i < sql.size(); ++i) {
    char c = sql[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '(') {
      ++depth;
    } else if (c == ')') {
      --depth;
    } else if (c == ',' && depth == 0) {
      finish();
      out += ",";
      continue;
    }
    item += c;
  }
  finish();
  return out;
}

// The record locks an SQL write takes on the rows it changes, held until its transaction has
// ended, as the embedded engine's statements hold theirs.
class StatementLocks {
 public:
  StatementLocks(Connection& connection, int table) : connection_(connection), table_(table) {}
  ~StatementLocks() {
    for (std::int64_t record : taken_) connection_.Unlock(table_, record);
  }
  StatementLocks(const StatementLocks&) = delete;
  StatementLocks& operator=(const StatementLocks&) = delete;

  Status Take(const std::vector<RowValues>& rows) {
    for (const RowValues& row : rows) {
      if (std::find(taken_.begin(), taken_.end(), row.rowid) != taken_.end()) continue;
      LW_RETURN_IF_ERROR(connection_.Lock(table_, row.rowid));
      taken_.push_back(row.rowid);
    }
    return {};
  }

 private:
  Connection& connection_;
  int table_;
  std::vector<std::int64_t> taken_;
};

}  // namespace

ServerSql ToServerSql(const std::string& translated, const std::vector<Value>& binds) {
  ServerSql out;
  std::vector<int> numbers;  // per bind: its new number, 0 until used
  numbers.assign(binds.size(), 0);
  const std::string& s = translated;
  for (std::size_t i = 0; i < s.size();) {
    char c = s[i];
    if (c == '"' || c == '\'') {
      std::size_t end = i + 1;
      while (end < s.size()) {
        if (s[end] == c) {
          if (end + 1 < s.size() && s[end + 1] == c) {
            end += 2;
            continue;
          }
          break;
        }
        ++end;
      }
      out.sql.append(s, i, end + 1 - i);
      i = end + 1;
    } else if (c == '?') {
      std::size_t end = i + 1;
      while (end < s.size() && std::isdigit(static_cast<unsigned char>(s[end]))) ++end;
      std::size_t index = end > i + 1 ? std::stoul(s.substr(i + 1, end - i - 1)) - 1 : 0;
      if (index < binds.size()) {
        if (numbers[index] == 0) {
          out.params.push_back(ParamOf(binds[index]));
          numbers[index] = static_cast<int>(out.params.size());
        }
        out.sql += "$" + std::to_string(numbers[index]) + CastOf(binds[index]);
      }
      i = end;
    } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      std::size_t end = i;
      while (end < s.size() && (std::isalnum(static_cast<unsigned char>(s[end])) || s[end] == '_')) ++end;
      std::string word = s.substr(i, end - i);
      std::string lower = Lower(word);
      if (lower == "instr") {
        out.sql += "strpos";
      } else if (lower == "ifnull") {
        out.sql += "coalesce";
      } else if (lower == "like") {
        out.sql += "ILIKE";  // ASCII case-insensitive, as the dialect compares
      } else if (lower == "rowid") {
        out.sql += "lw_rowid";
      } else {
        out.sql += word;
      }
      i = end;
    } else {
      out.sql += c;
      ++i;
    }
  }
  out.sql = NullsOrdered(out.sql);
  return out;
}

Status SqlStatement::Prepare(const std::string& text) {
  prepared_ = false;
  TranslatedSql translated;
  LW_RETURN_IF_ERROR(engine::TranslateSql(text, connection_.Tables(), translated));
  // Let the server check the translation now, so a rejected statement fails at prepare time.
  ServerSql server = ToServerSql(translated.sql, translated.binds);
  PGresult* described = PrepareUnnamed(connection_.pg(), server.sql);
  Result check(described);
  if (described == nullptr || PQresultStatus(described) != PGRES_COMMAND_OK) {
    if (PQstatus(connection_.pg()) != CONNECTION_OK) return LostConnection(connection_.pg());
    std::string message = described ? PQresultErrorMessage(described) : "";
    while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) message.pop_back();
    return SqlRejection(ace::kNativeSyntaxError, message + ".");
  }
  translated_ = std::move(translated);
  prepared_ = true;
  return {};
}

Status SqlStatement::SetParameterNull(std::uint32_t number) {
  if (number == 0) return Status::Error(ace::kInvalidArgument, "parameters are numbered from 1");
  return {};
}

Status SqlStatement::Execute(std::unique_ptr<Cursor>& result) {
  result.reset();
  if (!prepared_) return Status::Error(ace::kSqlNotPrepared);
  if (translated_.kind == TranslatedSql::Kind::Select) {
    rowsAffected_ = -1;
    return ExecuteSelect(result);
  }
  return ExecuteWrite();
}

Status SqlStatement::ExecuteSelect(std::unique_ptr<Cursor>& result) {
  PGconn* pg = connection_.pg();
  std::string name = connection_.NextTempName();
  const std::string select = "SELECT " + translated_.selectList + " " + translated_.fromWhereOrder;
  // Index keys are the pairs (column IS NOT NULL, COALESCE(column, placeholder)).
  const std::string rest = engine::WithKeyEqualities(translated_.fromWhereOrder, *translated_.table, translated_.binds,
                                                     [](const ColumnDef& column, const std::string& placeholder) {
                                                       const std::vector<std::string> keys = KeyExpressions(column);
                                                       return keys[0] + " AND " + keys[1] + " = " + placeholder;
                                                     });
  std::string sql;
  ServerSql server;
  // Plain rows are numbered in record order, as the embedded engine's table scan yields them (the
  // server's own order is that of its heap, which every update reshuffles).
  if (engine::SelectsPlainRows(select)) {
    // Numbered in the order of their record numbers.
    server =
        ToServerSql("SELECT row_number() OVER (ORDER BY rowid) AS lw_rowid, " + translated_.selectList + " " + rest,
                    translated_.binds);
    sql = "CREATE TEMP TABLE " + Quote(name) + " AS " + server.sql;
  } else {
    // Numbered in the order the query yields its rows.
    server = ToServerSql("SELECT " + translated_.selectList + " " + rest, translated_.binds);
    sql = "CREATE TEMP TABLE " + Quote(name) + " AS SELECT row_number() OVER () AS lw_rowid, q.* FROM (" + server.sql +
          ") q";
  }
  LW_RETURN_IF_ERROR(Rejected(Run(pg, sql, server.params)));
  // The result's cursor reads it in batches from a record number on: by index, not by reading
  // the whole result again for each batch.
  if (Status keyed = Run(pg, "ALTER TABLE " + Quote(name) + " ADD PRIMARY KEY (lw_rowid)"); !keyed.ok()) {
    (void)Run(pg, "DROP TABLE IF EXISTS " + Quote(name));
    return keyed;
  }
  std::vector<int> expressions;
  std::shared_ptr<TableDef> table = engine::ResultTableColumns(name, translated_, expressions);
  // An expression column is a double when the server computes a number, else text as long as
  // its longest value.
  for (int i : expressions) {
    std::string c = "c" + std::to_string(i + 1);
    Result probe;
    LW_RETURN_IF_ERROR(Run(pg,
                           "SELECT (SELECT format_type(atttypid, NULL) FROM pg_attribute WHERE attrelid = $1::regclass"
                           " AND attname = $2), (SELECT coalesce(max(length(" +
                               c + "::text)), 1) FROM " + Quote(name) + ")",
                           {Quote(name), c}, probe));
    std::string kind = probe.Rows() > 0 && !probe.IsNull(0, 0) ? probe.Text(0, 0) : "text";
    engine::TypeExpressionColumn(
        table->columns[i],
        kind == "bigint" || kind == "integer" || kind == "smallint" || kind == "double precision" ||
            kind == "numeric" || kind == "real",
        static_cast<std::uint32_t>(std::max<std::int64_t>(1, probe.Rows() > 0 ? probe.Int(0, 1) : 1)));
  }
  if (Status kept = engine::FinishResultTable(*table, Quote(name)); !kept.ok()) {
    (void)Run(pg, "DROP TABLE IF EXISTS " + Quote(name));
    return kept;
  }
  result = std::make_unique<Cursor>(connection_, table, ace::kOptionReadOnly, true);
  return {};
}

Status SqlStatement::ExecuteWrite() {
  PGconn* pg = connection_.pg();
  const TableDef& table = *translated_.table;
  using Kind = TranslatedSql::Kind;
  std::vector<RowValues> before;
  // Every row the statement would change, or none: a row locked elsewhere fails the whole
  // statement. The locks are taken before the write transaction and held until it has ended.
  StatementLocks locks(connection_, table.tableNumber);
  if (translated_.kind != Kind::Insert) {
    LW_RETURN_IF_ERROR(Rejected(ReadRows(pg, table, translated_.whereSql, translated_.binds, false, before)));
    LW_RETURN_IF_ERROR(locks.Take(before));
    before.clear();
  }
  LW_RETURN_IF_ERROR(connection_.BeginWrite());
  auto fail = [&](Status status) {
    connection_.RollbackWrite();
    return status;
  };
  if (translated_.kind != Kind::Insert) {
    // The rows as they are now; one that came to match since is locked too.
    Status read = ReadRows(pg, table, translated_.whereSql, translated_.binds, true, before);
    if (!read.ok()) return fail(Rejected(read));
    Status locked = locks.Take(before);
    if (!locked.ok()) return fail(locked);
  }
  ServerSql server = ToServerSql(translated_.sql, translated_.binds);
  if (translated_.kind == Kind::Insert) server.sql += " RETURNING lw_rowid";
  Result done;
  Status ran = NameViolatedServerKey(table, Run(pg, server.sql, server.params, done));
  if (!ran.ok()) return fail(Rejected(ran));
  rowsAffected_ = translated_.kind == Kind::Insert ? done.Rows() : done.Affected();
  std::int64_t change = 0;
  std::vector<int> all;
  for (std::size_t c = 0; c < table.columns.size(); ++c) all.push_back(static_cast<int>(c));
  if (translated_.kind == Kind::Insert) {
    for (int r = 0; r < done.Rows(); ++r) {
      std::vector<RowValues> after;
      Status read = ReadRows(pg, table, "lw_rowid = " + std::to_string(done.Int(r, 0)), {}, false, after);
      if (!read.ok()) return fail(read);
      for (const RowValues& row : after) {
        std::vector<int> columns;
        std::vector<Value> none, values;
        for (int c : all) {
          if (row.values[c].IsNull()) continue;
          columns.push_back(c);
          none.emplace_back();
          values.push_back(row.values[c]);
        }
        Status history = RecordHistory(connection_, table, row.rowid, "insert", columns, none, values, &change);
        if (!history.ok()) return fail(history);
      }
    }
  }
  for (const RowValues& old : before) {
    std::vector<RowValues> now;
    Status read = ReadRows(pg, table, "lw_rowid = " + std::to_string(old.rowid), {}, false, now);
    if (!read.ok()) return fail(read);
    std::vector<int> columns;
    std::vector<Value> oldValues, newValues;
    for (int c : all) {
      Value current = now.empty() ? Value() : now[0].values[c];
      if (current == old.values[c]) continue;
      columns.push_back(c);
      oldValues.push_back(old.values[c]);
      newValues.push_back(std::move(current));
    }
    if (columns.empty()) continue;
    Status history = RecordHistory(connection_, table, old.rowid, now.empty() ? "delete" : "update", columns, oldValues,
                                   newValues, &change);
    if (!history.ok()) return fail(history);
  }
  return connection_.CommitWrite();
}

}  // namespace lw::pgengine
