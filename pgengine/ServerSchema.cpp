#include "pgengine/ServerSchema.h"

#include <cctype>

#include "common/Utf8.h"
#include "engine/DeclaredTables.h"
#include "engine/Schema.h"
#include "pgengine/Pq.h"
#include "pgengine/StoredForm.h"

namespace lw::pgengine {

using engine::Catalog;
using engine::Status;

namespace {

constexpr const char* kCatalogDdl =
    "CREATE TABLE lw_meta (key text PRIMARY KEY, value text);"
    "CREATE TABLE lw_tables (table_name text PRIMARY KEY, default_index text,"
    " table_number integer NOT NULL UNIQUE, autoinc_next bigint NOT NULL DEFAULT 1);"
    "CREATE TABLE lw_columns (table_name text NOT NULL, ordinal integer NOT NULL, column_name text NOT NULL,"
    " type_code integer NOT NULL, length integer NOT NULL, decimals integer NOT NULL,"
    " PRIMARY KEY (table_name, ordinal));"
    "CREATE TABLE lw_indexes (table_name text NOT NULL, position integer NOT NULL, index_name text NOT NULL,"
    " key_columns text NOT NULL, is_unique integer NOT NULL, is_descending integer NOT NULL,"
    " is_primary integer NOT NULL, PRIMARY KEY (table_name, position));"
    "CREATE TABLE lw_users (user_name text PRIMARY KEY, password_hash text NOT NULL);"
    "CREATE TABLE lw_history (entry bigserial PRIMARY KEY, change bigint NOT NULL, table_name text NOT NULL,"
    " record_number bigint NOT NULL, changed_at text NOT NULL, user_name text NOT NULL, action text NOT NULL,"
    " column_name text, old_value text, new_value text, run bigint NOT NULL DEFAULT 0,"
    " os_user text NOT NULL DEFAULT '');"
    "CREATE INDEX lw_history_change ON lw_history (change);"
    "CREATE INDEX lw_history_run ON lw_history (run);"
    "CREATE SEQUENCE lw_change_numbers;"
    // Every change of a practice table, by this provider or any other program, is announced, so
    // connections drop the rows they read before.
    "CREATE FUNCTION lw_announce() RETURNS trigger LANGUAGE plpgsql AS"
    " $$ BEGIN PERFORM pg_notify('lw_changes', ''); RETURN NULL; END $$;"
    // The dialect's UPPER and LOWER change case beyond ASCII, as the embedded engine's do.
    "CREATE FUNCTION lw_upper(text) RETURNS text LANGUAGE sql IMMUTABLE AS"
    " $$ SELECT upper($1 COLLATE \"und-x-icu\") $$;"
    "CREATE FUNCTION lw_lower(text) RETURNS text LANGUAGE sql IMMUTABLE AS"
    " $$ SELECT lower($1 COLLATE \"und-x-icu\") $$;";

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

TableDef DefFromLayout(const engine::TableSpec& layout, int number, Status& status) {
  TableDef table;
  table.name = layout.name;
  table.tableNumber = number;
  table.defaultIndex = layout.defaultIndex;
  for (const engine::ColumnSpec& c : layout.columns) {
    if (!ace::IsKnownColumnType(c.type)) {
      status =
          Status::Error(ace::kInvalidArgument, "column " + c.name + " has the unknown type " + std::to_string(c.type));
    }
    table.columns.push_back(engine::ColumnDefFrom(c));
  }
  engine::AddIndexDefsFrom(layout, table, status);
  engine::FinishLayout(table);
  // Server tables go by the lower-case name, so unquoted names in a server's SQL find them too.
  table.sqlName = Quote(Lower(table.name));
  return table;
}

std::string TableDdl(const TableDef& table) {
  std::string sql = "CREATE TABLE " + table.sqlName + " (lw_rowid bigserial PRIMARY KEY";
  for (const ColumnDef& column : table.columns) sql += ", " + Quote(column.name) + " " + ServerTypeOf(column.storage);
  sql += "); CREATE TRIGGER lw_announce AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON " + table.sqlName +
         " FOR EACH STATEMENT EXECUTE FUNCTION lw_announce()";
  return sql;
}

std::vector<std::string> IndexDdl(const TableDef& table) {
  std::vector<std::string> statements;
  for (std::size_t i = 0; i < table.indexes.size(); ++i) {
    const IndexDef& index = table.indexes[i];
    std::string name = ServerIndexName(table, i);
    statements.push_back("CREATE INDEX IF NOT EXISTS " + name + " ON " + table.sqlName + " (" +
                         IndexKeyList(table, index) + ")");
    if (index.unique) {
      std::string keys = IndexKeyList(table, index);
      keys.resize(keys.size() - std::string(", lw_rowid").size());
      statements.push_back("CREATE UNIQUE INDEX IF NOT EXISTS " + ServerUniqueIndexName(table, i) + " ON " +
                           table.sqlName + " (" + keys + ")");
    }
  }
  return statements;
}

}  // namespace

Status CreateServerSchema(PGconn* conn, const std::vector<engine::TableSpec>& tables,
                          const engine::CreateOptions& options) {
  Result existing;
  LW_RETURN_IF_ERROR(Run(conn, "SELECT to_regclass('lw_meta') IS NOT NULL", {}, existing));
  if (existing.Rows() == 1 && existing.Text(0, 0)[0] == 't') {
    return Status::Error(ace::kInvalidArgument, "(the server database already holds a practice)");
  }
  std::string hash;
  LW_RETURN_IF_ERROR(engine::HashPassword(options.password, hash));
  LW_RETURN_IF_ERROR(Run(conn, "BEGIN"));
  auto fail = [&](Status status) {
    (void)Run(conn, "ROLLBACK");
    return status;
  };
  Status status = Run(conn, kCatalogDdl);
  if (!status.ok()) return fail(status);
  if (!(status = Run(conn, "INSERT INTO lw_meta VALUES ('format', $1)", {kServerFormat})).ok()) return fail(status);
  if (!(status = Run(conn, "INSERT INTO lw_users VALUES ($1, $2)", {options.user, hash})).ok()) return fail(status);
  int number = 0;
  for (const engine::TableSpec& layout : tables) {
    ++number;
    Status layoutStatus;
    TableDef def = DefFromLayout(layout, number, layoutStatus);
    if (!layoutStatus.ok()) return fail(layoutStatus);
    Param defaultIndex = layout.defaultIndex.empty() ? Param() : Param(layout.defaultIndex);
    status = Run(conn, "INSERT INTO lw_tables (table_name, default_index, table_number) VALUES ($1, $2, $3)",
                 {layout.name, defaultIndex, std::to_string(number)});
    if (!status.ok()) return fail(status);
    for (std::size_t i = 0; i < layout.columns.size(); ++i) {
      const engine::ColumnSpec& c = layout.columns[i];
      status = Run(conn, "INSERT INTO lw_columns VALUES ($1, $2, $3, $4, $5, $6)",
                   {layout.name, std::to_string(i + 1), c.name, std::to_string(c.type), std::to_string(c.length),
                    std::to_string(c.decimals)});
      if (!status.ok()) return fail(status);
    }
    for (std::size_t i = 0; i < layout.indexes.size(); ++i) {
      const engine::IndexSpec& x = layout.indexes[i];
      status =
          Run(conn, "INSERT INTO lw_indexes VALUES ($1, $2, $3, $4, $5, 0, $6)",
              {layout.name, std::to_string(i + 1), x.name, x.keyColumns, x.unique ? "1" : "0", x.primary ? "1" : "0"});
      if (!status.ok()) return fail(status);
    }
    if (!(status = Run(conn, TableDdl(def))).ok()) return fail(status);
    if (options.withIndexes) {
      for (const std::string& sql : IndexDdl(def)) {
        if (!(status = Run(conn, sql)).ok()) return fail(status);
      }
    }
  }
  return Run(conn, "COMMIT");
}

Status CreateServerIndexes(PGconn* conn, const Catalog& catalog) {
  for (const auto& [name, table] : catalog) {
    for (const std::string& sql : IndexDdl(*table)) LW_RETURN_IF_ERROR(Run(conn, sql));
  }
  return Run(conn, "ANALYZE");
}

Status LoadServerCatalog(PGconn* conn, Catalog& catalog) {
  catalog.clear();
  Result format;
  Status status =
      Run(conn, "SELECT value FROM lw_meta WHERE key = 'format' AND to_regclass('lw_tables') IS NOT NULL", {}, format);
  if (!status.ok() && status.code() == ace::kServerConnectionLost) return status;
  if (!status.ok() || format.Rows() != 1 || std::string(format.Text(0, 0)) != kServerFormat) {
    return Status::Error(ace::kNotADictionary, "(the server database holds no practice)");
  }
  Result tables, columns, indexes;
  LW_RETURN_IF_ERROR(
      Run(conn, "SELECT table_name, default_index, table_number FROM lw_tables ORDER BY table_number", {}, tables));
  LW_RETURN_IF_ERROR(Run(conn,
                         "SELECT table_name, column_name, type_code, length, decimals FROM lw_columns "
                         "ORDER BY table_name, ordinal",
                         {}, columns));
  LW_RETURN_IF_ERROR(Run(conn,
                         "SELECT table_name, index_name, key_columns, is_unique, is_primary FROM lw_indexes "
                         "ORDER BY table_name, position",
                         {}, indexes));
  for (int t = 0; t < tables.Rows(); ++t) {
    engine::TableSpec layout;
    layout.name = tables.Text(t, 0);
    layout.defaultIndex = tables.IsNull(t, 1) ? "" : tables.Text(t, 1);
    for (int c = 0; c < columns.Rows(); ++c) {
      if (layout.name != columns.Text(c, 0)) continue;
      layout.columns.push_back({columns.Text(c, 1), static_cast<std::uint16_t>(columns.Int(c, 2)),
                                static_cast<std::uint32_t>(columns.Int(c, 3)),
                                static_cast<std::uint16_t>(columns.Int(c, 4))});
    }
    for (int i = 0; i < indexes.Rows(); ++i) {
      if (layout.name != indexes.Text(i, 0)) continue;
      layout.indexes.push_back(
          {indexes.Text(i, 1), indexes.Text(i, 2), indexes.Int(i, 3) != 0, indexes.Int(i, 4) != 0});
    }
    Status layoutStatus;
    TableDef def = DefFromLayout(layout, static_cast<int>(tables.Int(t, 2)), layoutStatus);
    if (!layoutStatus.ok())
      return Status::Error(ace::kDictionaryDamaged, "(server catalog: " + layoutStatus.text() + ")");
    std::string key = UpperCaseUtf8(def.name);
    catalog[key] = std::make_shared<const TableDef>(std::move(def));
  }
  return {};
}

Status UpgradeServerHistory(PGconn* conn) {
  return Run(conn,
             "ALTER TABLE lw_history ADD COLUMN IF NOT EXISTS run bigint NOT NULL DEFAULT 0,"
             " ADD COLUMN IF NOT EXISTS os_user text NOT NULL DEFAULT '';"
             "CREATE INDEX IF NOT EXISTS lw_history_run ON lw_history (run)");
}

Status CheckServerLogin(PGconn* conn, const std::string& user, const std::string& password) {
  Result hash;
  LW_RETURN_IF_ERROR(Run(conn, "SELECT password_hash FROM lw_users WHERE lower(user_name) = lower($1)", {user}, hash));
  if (hash.Rows() != 1 || !engine::VerifyPassword(hash.Text(0, 0), password)) return Status::Error(ace::kLoginRefused);
  return {};
}

}  // namespace lw::pgengine
