#pragma once
// Whether a translated SELECT picks rows of its one table as they are, with no order, grouping,
// aggregate, DISTINCT, LIMIT or set operation of its own. Such a result lists its rows in record
// order (the order of a table scan); a store that would yield them otherwise (by an index, or in
// the order of a server's heap) says so explicitly. Anything it cannot tell counts as shaped.

#include <string>

namespace lw::engine {

bool SelectsPlainRows(const std::string& sql);

}  // namespace lw::engine
