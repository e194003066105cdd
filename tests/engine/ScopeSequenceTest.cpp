// Equality scopes set one after another on one index, as a search run sets them for each charge:
// every scope gives exactly its rows, in key order, whether it lies above the last one, below it,
// or on it, however far away, read whole or in part, and whoever wrote in between.

#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "tests/engine/EngineTestSupport.h"

namespace lw::test {
namespace {

class ScopeSequence : public EngineTest {
 protected:
  void SetUp() override {
    // Charges 1..60 with 0..3 applications each, charge 30 with 20 (more than a few rows to step
    // over), charge 45 with none; payment references tell the rows apart.
    std::vector<engine::Row> rows;
    std::int64_t payment = 1000;
    for (std::int32_t charge = 1; charge <= 60; ++charge) {
      int count = charge == 30 ? 20 : charge == 45 ? 0 : charge % 4;
      for (int i = 0; i < count; ++i) rows.push_back(Application(charge, ++payment));
    }
    practice.InsertAll("MWPAX", rows);
    table = Open("MWPAX");
    order = Index(table, "IDXCHARGEREFERENCE");
  }

  engine::Row Application(std::int32_t charge, std::int64_t payment) {
    model[charge].push_back(static_cast<std::int32_t>(payment));
    return {{"Payment Reference", payment}, {"Charge Reference", std::int64_t(charge)}};
  }

  // Scopes the index on one charge and reads at most `limit` of its rows from the top.
  std::vector<std::int32_t> Read(std::int32_t charge, std::size_t limit = 1000) {
    std::vector<std::int32_t> payments;
    EXPECT_EQ(0u, engine->AdsSetScope(order, 1, &charge, 4, 1)) << LastError();
    EXPECT_EQ(0u, engine->AdsSetScope(order, 2, &charge, 4, 1)) << LastError();
    EXPECT_EQ(0u, engine->AdsGotoTop(order)) << LastError();
    for (;;) {
      std::uint16_t eof = 0;
      engine->AdsAtEOF(table, &eof);
      if (eof || payments.size() == limit) break;
      const auto image = Record(table);
      EXPECT_EQ(charge, Int32(table, image, "Charge Reference"));
      payments.push_back(Int32(table, image, "Payment Reference"));
      EXPECT_EQ(0u, engine->AdsSkip(order, 1)) << LastError();
    }
    return payments;
  }

  std::vector<std::int32_t> Expected(std::int32_t charge, std::size_t limit = 1000) {
    std::vector<std::int32_t> rows = model[charge];
    if (rows.size() > limit) rows.resize(limit);
    return rows;
  }

  ADSHANDLE table = 0;
  ADSHANDLE order = 0;
  std::map<std::int32_t, std::vector<std::int32_t>> model;
};

TEST_F(ScopeSequence, ScopesInAnyOrderGiveExactlyTheirRows) {
  // Upwards one by one, read whole: each scope's rows, none of the next one's.
  for (std::int32_t charge = 0; charge <= 61; ++charge) EXPECT_EQ(Expected(charge), Read(charge)) << charge;
  // Far jumps each way, the same scope twice, the scope with many rows after a small one.
  for (std::int32_t charge : {10, 30, 30, 2, 59, 1, 45, 46, 29, 31, 0, 60, 61, 3}) {
    EXPECT_EQ(Expected(charge), Read(charge)) << charge;
  }
  // Up and down in small steps, scopes read only in part, left at their first row or mid-way.
  std::mt19937 random(7);
  std::int32_t charge = 1;
  for (int move = 0; move < 600; ++move) {
    const int kind = static_cast<int>(random() % 10);
    if (kind < 6) {
      charge += 1 + static_cast<std::int32_t>(random() % 3);
    } else if (kind < 8) {
      charge -= static_cast<std::int32_t>(random() % 4);
    } else if (kind == 8) {
      charge = static_cast<std::int32_t>(random() % 62);
    }
    if (charge > 61) charge = static_cast<std::int32_t>(random() % 5);
    if (charge < 0) charge = 0;
    const std::size_t limit = random() % 3 == 0 ? 1 + random() % 3 : 1000;
    ASSERT_EQ(Expected(charge, limit), Read(charge, limit)) << "move " << move << ", charge " << charge;
  }
}

TEST_F(ScopeSequence, RowsWrittenBetweenTwoScopesAreSeenByTheNext) {
  EXPECT_EQ(Expected(9), Read(9));
  EXPECT_EQ(Expected(10, 1), Read(10, 1));  // left on the first row of charge 10
  // Another user adds an application to charge 11 and 12 and deletes one of charge 13.
  auto other = NewEngine();
  ADSHANDLE second = Connect(other.get());
  ADSHANDLE otherTable = -1;
  ASSERT_EQ(0u, other->AdsOpenTable(second, "MWPAX", nullptr, 0, 1, 1, 1, 0, &otherTable));
  for (std::int32_t charge : {11, 12}) {
    ASSERT_EQ(0u, other->AdsAppendRecord(otherTable));
    std::int32_t payment = 5000 + charge;
    ASSERT_EQ(0u, other->AdsSetFieldRaw(otherTable, Field(table, "Charge Reference"), &charge, 4));
    ASSERT_EQ(0u, other->AdsSetFieldRaw(otherTable, Field(table, "Payment Reference"), &payment, 4));
    ASSERT_EQ(0u, other->AdsWriteRecord(otherTable));
    model[charge].push_back(payment);
  }
  practice.Execute("DELETE FROM MWPAX WHERE \"Charge Reference\" = 13 AND \"Payment Reference\" = " +
                   std::to_string(model[13].front()));
  model[13].erase(model[13].begin());
  EXPECT_EQ(Expected(11), Read(11));
  EXPECT_EQ(Expected(12), Read(12));
  EXPECT_EQ(Expected(13), Read(13));
  // This connection's own write, to a charge just ahead of the scope it stands in.
  EXPECT_EQ(Expected(14, 1), Read(14, 1));
  ADSHANDLE own = Open("MWPAX");
  ASSERT_EQ(0u, engine->AdsAppendRecord(own));
  std::int32_t charge = 15, payment = 6015;
  ASSERT_EQ(0u, engine->AdsSetFieldRaw(own, Field(table, "Charge Reference"), &charge, 4));
  ASSERT_EQ(0u, engine->AdsSetFieldRaw(own, Field(table, "Payment Reference"), &payment, 4));
  ASSERT_EQ(0u, engine->AdsWriteRecord(own)) << LastError();
  model[15].push_back(payment);
  EXPECT_EQ(Expected(15), Read(15));
  EXPECT_EQ(Expected(16), Read(16));
}

}  // namespace
}  // namespace lw::test
