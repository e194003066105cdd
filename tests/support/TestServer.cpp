#include "tests/support/TestServer.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <random>
#include <stdexcept>

#include "pgengine/Pq.h"
#include "pgengine/ServerPractice.h"
#include "pgengine/SqlStatement.h"

namespace lw::test {

namespace {

std::string Admin() { return std::getenv("LEDGERWICK_TEST_SERVER"); }

}  // namespace

bool ServerMode() {
  const char* server = std::getenv("LEDGERWICK_TEST_SERVER");
  return server != nullptr && *server != '\0';
}

std::string MoveToTestServer(const std::string& dictionaryPath) {
  static std::atomic<int> counter{0};
  std::string database = "lw_" + std::to_string(getpid()) + "_" + std::to_string(++counter) + "_" +
                         std::to_string(std::random_device{}() % 100000);
  pgengine::ServerSession(Admin() + " dbname=postgres").Execute("CREATE DATABASE " + database);
  pgengine::MovePracticeToServer(dictionaryPath, Admin() + " dbname=" + database);
  return database;
}

void DropTestDatabase(const std::string& database) {
  try {
    pgengine::ServerSession(Admin() + " dbname=postgres")
        .Execute("DROP DATABASE IF EXISTS " + database + " WITH (FORCE)");
  } catch (...) {
    // A database left behind goes with the test cluster.
  }
}

std::vector<std::optional<std::string>> ServerColumn(const std::string& descriptorPath, const std::string& sql) {
  pgengine::ServerLoader loader(descriptorPath);
  pgengine::ServerSql server = pgengine::ToServerSql(sql, {});
  pgengine::Result result;
  engine::Status status = pgengine::Run(loader.pg(), server.sql, {}, result);
  if (!status.ok()) throw std::runtime_error(status.text() + " in: " + server.sql);
  std::vector<std::optional<std::string>> values;
  for (int r = 0; r < result.Rows(); ++r) {
    if (result.IsNull(r, 0))
      values.emplace_back();
    else
      values.emplace_back(std::string(result.Text(r, 0), result.Length(r, 0)));
  }
  return values;
}

}  // namespace lw::test
