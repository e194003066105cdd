#pragma once
// The embedded database engine's one entry point.

#include <memory>

#include "data/ace/AceApi.h"

namespace lw::engine {

// A new engine instance over SQLite practice dictionaries. Each instance keeps its own handles;
// the program installs one for its whole run (lw::ace::SetAce).
std::unique_ptr<ace::AceApi> CreateSqliteEngine();

}  // namespace lw::engine
