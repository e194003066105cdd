#pragma once
// Where a row's index keys stand against integer key values, decided the way SQLite orders
// them: NULL below every number, numbers by value (an integer and a real compare exactly), text
// and blobs above every number. Lets a forward move tell in-scope rows from the rows beyond
// without a statement bound to the scope.

#include <sqlite3.h>

#include <cstdint>
#include <vector>

namespace lw::engine {

// Result columns first, first+1, ... of a stepped statement against `values`, compared in
// turn: negative, zero or positive as the row's keys sort below, equal to or above them.
int CompareKeyPrefix(sqlite3_stmt* stmt, int first, const std::vector<std::int64_t>& values);

// One stored value against one integer, in the same order.
int CompareWithInteger(sqlite3_value* value, std::int64_t integer);

}  // namespace lw::engine
