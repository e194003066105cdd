#include "tests/data/DataFixture.h"

#include "engine/Dictionary.h"
#include "tests/support/TestServer.h"
#include "tests/support/sqlite/SqliteDb.h"

namespace lw::test {

namespace {

using Row = engine::Row;
using V = engine::FieldValue;

Row Trn(std::int64_t entry, const char* chart, const char* type, std::vector<std::pair<std::string, V>> more = {}) {
  Row row{{"Entry Number", V(entry)}, {"Chart Number", V(std::string(chart))}, {"Case Number", V(std::int64_t{1})}};
  if (type) row.push_back({"Transaction Type", V(std::string(type))});
  for (auto& value : more) row.push_back(std::move(value));
  return row;
}

Row Pax(V payment, std::int64_t charge, double amount) {
  return {{"Payment Reference", payment}, {"Charge Reference", V(charge)}, {"Payment Amount", V(amount)}};
}

}  // namespace

void LoadKnownRows(const std::string& dictionary) {
  engine::DictionaryLoader loader(dictionary);
  loader.Begin();
  loader.Insert("MWTRN", Trn(1, "AAA", "A",
                             {{"Date From", V(std::string("2000-01-01"))},
                              {"Procedure Code", V(std::string("99213"))},
                              {"Description", V(std::string("Office visit"))},
                              {"Amount", V(100.0)},
                              {"Insurance 1 Amount Paid", V(19.99)},
                              {"Guarantor Amount Paid", V(0.0)},
                              {"Diagnosis 1", V(std::string("T"))}}));
  loader.Insert("MWTRN", Trn(2, "AAA", "I", {{"Who Paid", V(std::string("1"))}, {"Amount", V(-50.0)}}));
  loader.Insert("MWTRN", Trn(3, "BBB", "B", {{"Amount", V(75.0)}}));
  loader.Insert("MWTRN", Trn(4, "DDD", "J", {{"Who Paid", V(std::string("G"))}}));
  loader.Insert("MWTRN", Trn(5, "CCC", nullptr));
  loader.Insert("MWTRN", Trn(6, "AAA", "S"));
  loader.Insert("MWTRN", Trn(7, "AAA", "A"));
  loader.Insert("MWPAX", Pax(V(std::int64_t{2}), 1, 50.0));
  loader.Insert("MWPAX", Pax(V(std::int64_t{6}), 1, 10.0));
  loader.Insert("MWPAX", Pax(V(std::int64_t{99}), 1, 5.0));
  loader.Insert("MWPAX", Pax(V(std::int64_t{4}), 7, 20.0));
  loader.Insert("MWPAX", Pax(V(), 7, 1.0));
  loader.Commit();
}

std::vector<std::string> PracticeColumn(const std::string& dictionary, const std::string& sql) {
  if (ServerMode()) {
    std::vector<std::string> values;
    for (const auto& value : ServerColumn(dictionary, sql)) values.push_back(value.value_or("NULL"));
    return values;
  }
  std::vector<std::string> values;
  for (const auto& value : SqliteDb::Require(dictionary, SqliteDb::kReadOnly).Column(sql)) {
    values.push_back(value.value_or("NULL"));
  }
  return values;
}

void DataTest::SetUp() {
  engine_ = NewEngine();
  trace_ = std::make_unique<ace::TracingAce>(*engine_);
  installed_ = std::make_unique<ace::ScopedAce>(*trace_);
}

void DataTest::TearDown() {
  components_.reset();
  installed_.reset();
  trace_.reset();
  engine_.reset();
  practice_.reset();
}

std::string DataTest::Practice(PracticeOptions options) {
  if (!practice_) {
    if (!options.fill) options.fill = LoadKnownRows;
    practice_ = std::make_unique<PracticeFixture>(options);
    dictionary_ = practice_->DictionaryPath();
  }
  return practice_->ConnectPath();
}

PracticeComponents& DataTest::Components() {
  if (!components_) components_ = std::make_unique<PracticeComponents>(&owner_);
  return *components_;
}

}  // namespace lw::test
