#include "engine/KeyPrefix.h"

namespace lw::engine {

namespace {

int CompareRealWithInteger(double real, std::int64_t integer) {
  // Exact: the real is truncated only where int64 holds it, and its fraction decides a tie.
  if (real >= 9223372036854775808.0) return 1;
  if (real < -9223372036854775808.0) return -1;
  const auto whole = static_cast<std::int64_t>(real);
  if (whole != integer) return whole < integer ? -1 : 1;
  const double fraction = real - static_cast<double>(whole);
  return fraction > 0 ? 1 : fraction < 0 ? -1 : 0;
}

}  // namespace

int CompareWithInteger(sqlite3_value* value, std::int64_t integer) {
  switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER: {
      const std::int64_t stored = sqlite3_value_int64(value);
      return stored < integer ? -1 : stored > integer ? 1 : 0;
    }
    case SQLITE_FLOAT: return CompareRealWithInteger(sqlite3_value_double(value), integer);
    case SQLITE_NULL: return -1;
    default:  // text and blobs
      return 1;
  }
}

int CompareKeyPrefix(sqlite3_stmt* stmt, int first, const std::vector<std::int64_t>& values) {
  for (std::size_t i = 0; i < values.size(); ++i) {
    const int order = CompareWithInteger(sqlite3_column_value(stmt, first + static_cast<int>(i)), values[i]);
    if (order != 0) return order;
  }
  return 0;
}

}  // namespace lw::engine
