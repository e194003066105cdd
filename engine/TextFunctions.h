#pragma once
// SQL functions over the dictionary's UTF-8 text that SQLite's built-ins get wrong beyond ASCII.
// The SQL translator maps the dialect's UPPER/UCASE and LOWER/LCASE to them.

#include <sqlite3.h>

#include "engine/Status.h"

namespace lw::engine {

// lw_upper(text) and lw_lower(text): Unicode's simple case mappings (common/Utf8.h), the ones
// the chart box and ledgerwick-check apply; SQLite's upper() and lower() change ASCII only.
// NULL stays NULL; other values are taken as their text.
inline constexpr const char* kUpperFunction = "lw_upper";
inline constexpr const char* kLowerFunction = "lw_lower";

// Registers both on `db`.
Status RegisterTextFunctions(sqlite3* db);

}  // namespace lw::engine
