#pragma once
// The test cluster: when LEDGERWICK_TEST_SERVER holds a libpq connection string (set by ctest for
// the suites' server runs), test practices are moved into databases of their own there.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

// At the top of a test that checks what only the embedded engine has (its files, SQLite's own
// SQL): skipped on the suite's server run.
#define LW_EMBEDDED_ONLY(why) \
  if (::lw::test::ServerMode()) GTEST_SKIP() << "embedded practices only: " << (why)

namespace lw::test {

// Whether the suite runs on the test cluster.
bool ServerMode();

// Moves the embedded dictionary into a new database of the cluster (its file becomes the
// descriptor). Returns the database's name, for DropTestDatabase.
std::string MoveToTestServer(const std::string& dictionaryPath);
// Drops the database, ending its sessions; errors are ignored.
void DropTestDatabase(const std::string& database);

// The first column of every row of a query on the practice's server (its SQL may say rowid for
// the record number), nothing for NULL.
std::vector<std::optional<std::string>> ServerColumn(const std::string& descriptorPath, const std::string& sql);

}  // namespace lw::test
