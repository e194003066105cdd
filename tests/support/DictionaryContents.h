#pragma once
// What a dictionary file holds, read through a read-only connection of its own: for tests that
// check a practice after a run failed part-way.

#include <cstdint>
#include <map>
#include <string>

namespace lw::test {

// PRAGMA integrity_check's first line ("ok" for a sound file), or the error that stopped it.
std::string IntegrityOf(const std::string& dictionary);

// The six paid amounts of every MWTRN row as one text, by Entry Number.
std::map<std::int64_t, std::string> PaidAmountsOf(const std::string& dictionary);

}  // namespace lw::test
