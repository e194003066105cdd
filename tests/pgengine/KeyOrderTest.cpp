// Index keys compared in this process must order exactly as the server's index orders them, or
// rows read ahead would answer a look-up with the wrong rows. Each column kind's values, the ones
// easy to get wrong included, are ranked by the server on their key expressions and compared
// here pair by pair. Runs on the suite's server run only.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "data/ace/AceTypes.h"
#include "pgengine/KeyOrder.h"
#include "pgengine/ServerPractice.h"
#include "pgengine/StoredForm.h"
#include "tests/support/TestServer.h"

namespace lw::test {
namespace {

namespace ColumnType = ace::ColumnType;

using engine::Value;

struct KindCase {
  const char* name;
  std::uint16_t type;
  std::vector<Value> values;
};

std::vector<KindCase> Cases() {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<Value> texts = {Value(),
                                    Value::Text(""),
                                    Value::Text(" "),
                                    Value::Text("a"),
                                    Value::Text("A"),
                                    Value::Text("ab"),
                                    Value::Text("aB"),
                                    Value::Text("a b"),
                                    Value::Text("Z"),
                                    Value::Text("["),
                                    Value::Text("\x7f"),
                                    Value::Text("\xc3\xa9"),   // é
                                    Value::Text("\xc3\x89")};  // É, not folded
  return {
      {"integers",
       ColumnType::kInteger,
       {Value(), Value::Int(std::numeric_limits<std::int64_t>::min()), Value::Int(-1), Value::Int(0), Value::Int(1),
        Value::Int(1), Value::Int(std::numeric_limits<std::int64_t>::max())}},
      {"doubles",
       ColumnType::kDouble,
       {Value(), Value::Real(-inf), Value::Real(-1.5), Value::Real(-0.0), Value::Real(0.0), Value::Real(1e-300),
        Value::Real(2.5), Value::Real(inf), Value::Real(nan), Value::Real(-nan)}},
      {"text", ColumnType::kString, texts},
      {"case-insensitive text", ColumnType::kCIString, texts},
      {"bytes",
       ColumnType::kRaw,
       {Value(), Value::Blob(""), Value::Blob(std::string(1, '\0')), Value::Blob(std::string(2, '\0')),
        Value::Blob("a"), Value::Blob("\x80"), Value::Blob("\xff")}},
  };
}

int Sign(long long value) { return (value > 0) - (value < 0); }

TEST(KeyOrder, AgreesWithTheServersIndexOrderForEveryKindOfColumn) {
  if (!ServerMode()) GTEST_SKIP() << "runs with the suite's server run";
  pgengine::ServerSession session(std::string(std::getenv("LEDGERWICK_TEST_SERVER")) + " dbname=postgres");
  for (const KindCase& kind : Cases()) {
    SCOPED_TRACE(kind.name);
    engine::TableDef table;
    engine::ColumnDef column;
    column.name = "v";
    column.type = kind.type;
    column.storage = engine::StorageOf(kind.type);
    column.sqlName = "v";
    table.columns = {column};
    table.indexes.resize(1);
    table.indexes[0].segments = {0};
    const engine::IndexDef& index = table.indexes[0];

    session.Execute(std::string("DROP TABLE IF EXISTS lw_key_order; CREATE TEMP TABLE lw_key_order (id integer, v ") +
                    pgengine::ServerTypeOf(column.storage) + ")");
    for (std::size_t i = 0; i < kind.values.size(); ++i) {
      ASSERT_TRUE(pgengine::Run(session.pg(), "INSERT INTO lw_key_order VALUES ($1, $2)",
                                {std::to_string(i), pgengine::ParamOf(kind.values[i])})
                      .ok());
    }
    std::string keys;
    for (const std::string& e : pgengine::KeyExpressions(column)) keys += (keys.empty() ? "" : ", ") + e;
    pgengine::Result ranked;
    ASSERT_TRUE(pgengine::Run(session.pg(),
                              "SELECT id, v, dense_rank() OVER (ORDER BY " + keys + ") FROM lw_key_order ORDER BY id",
                              {}, ranked)
                    .ok());
    ASSERT_EQ(static_cast<int>(kind.values.size()), ranked.Rows());
    for (std::size_t i = 0; i < kind.values.size(); ++i) {
      // A row as read back from the server against every value as a look-up's key.
      const std::vector<Value> row = {pgengine::ValueOf(ranked, static_cast<int>(i), 1, column.storage)};
      for (std::size_t j = 0; j < kind.values.size(); ++j) {
        const std::vector<Value> key = {kind.values[j]};
        ASSERT_TRUE(pgengine::ComparableKey(table, index, key));
        const int server = Sign(ranked.Int(static_cast<int>(i), 2) - ranked.Int(static_cast<int>(j), 2));
        EXPECT_EQ(server, pgengine::CompareRowKey(table, index, 1, row, key)) << "values " << i << " and " << j;
        EXPECT_EQ(server, pgengine::CompareKeys(table, index, {kind.values[i]}, key)) << "values " << i << " and " << j;
      }
    }
  }
}

TEST(KeyOrder, AValueOfAnotherKindThanTheColumnsIsLeftToTheServer) {
  engine::TableDef table;
  table.columns.resize(2);
  table.columns[0].storage = engine::Storage::Integer;
  table.columns[1].storage = engine::Storage::Text;
  table.indexes.resize(1);
  table.indexes[0].segments = {0, 1};
  const engine::IndexDef& index = table.indexes[0];
  EXPECT_TRUE(pgengine::ComparableKey(table, index, {Value::Int(1), Value::Text("a")}));
  EXPECT_TRUE(pgengine::ComparableKey(table, index, {Value(), Value()}));
  EXPECT_FALSE(pgengine::ComparableKey(table, index, {Value::Real(1.0)}));
  EXPECT_FALSE(pgengine::ComparableKey(table, index, {Value::Int(1), Value::Int(2)}));
  EXPECT_FALSE(pgengine::ComparableKey(table, index, {Value::Int(1), Value::Text("a"), Value::Int(3)}));
}

}  // namespace
}  // namespace lw::test
