#pragma once
// The engine's SQL dialect, translated token by token into SQLite: double-quoted (or bare) names
// resolved against the dictionary without regard to case, POSITION(a IN b), AND/OR/NOT,
// comparisons, IS [NOT] NULL, LIKE, IN (...), BETWEEN, arithmetic, literals, column lists, "*",
// WHERE, ORDER BY, and single-table UPDATE, DELETE and INSERT. Literal values never enter the
// SQLite text: each becomes a bound parameter. A text that cannot be translated fails with
// kSqlError and an "Error 7200: ... NativeError = N; ..." text.

#include <memory>
#include <string>
#include <vector>

#include "engine/Catalog.h"
#include "engine/RecordCodec.h"
#include "engine/Status.h"

namespace lw::engine {

struct SqlResultColumn {
  std::string name;
  int sourceColumn = -1;  // the table column it reads unchanged, or -1 for an expression
};

struct TranslatedSql {
  enum class Kind { Select, Update, Delete, Insert };
  Kind kind = Kind::Select;
  std::shared_ptr<const TableDef> table;  // the table the statement reads or writes
  std::string sql;                        // SQLite text; literals are ?1, ?2, ...
  std::vector<Value> binds;
  std::vector<SqlResultColumn> results;  // SELECT only, in select-list order
  std::string selectList;                // SELECT only: the translated list, aliased c1, c2, ...
  std::string fromWhereOrder;            // SELECT only: everything after the select list
  std::string whereSql;                  // UPDATE and DELETE: the condition alone (empty: every row), its
                                         // literals bound again under numbers of their own
};

// Translates one statement. Table names are looked up in `catalog` (keys upper case; ".ADT"
// and a folder before the name are ignored).
Status TranslateSql(const std::string& text, const Catalog& catalog, TranslatedSql& out);

// Checks that the text scans (quotes closed, brackets balanced) and counts its parameters
// (":name" outside quotes, "?").
Status ScanSql(const std::string& text, int& parameters);

// The rejection text: "Error 7200: The SQL statement was rejected. NativeError = N; <detail>".
Status SqlRejection(int nativeError, const std::string& detail);

}  // namespace lw::engine
