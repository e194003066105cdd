// The engine's share of a search run, on a demo practice of LEDGERWICK_BENCH_ROWS MWTRN rows
// (default 1,000,000; generated once into $TMPDIR/ledgerwick-bench-<rows>, or taken from
// LEDGERWICK_BENCH_PRACTICE):
//   WalkEntryOrder     - every MWTRN row in "ENTRY NUMBER" order through AdsSkip + AdsGetRecord
//   ScopedLookup       - scope on one entry number, go to top, read, skip to the end
//   SearchRowEngine    - per charge: its MWTRN look-up, the MWPAX scan of its applications and
//                        one paying-row look-up per application, with the calls a search run makes
//   SearchRowSqlite    - the same look-ups through plain prepared SQLite statements on the file
//   SearchRunOrder...  - both again for charges in entry order, as a search run meets them
//   ExportWholeTable   - every MWTRN row as text through the dictionary loader
// Peak memory (VmHWM) is reported as a counter.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/support/BenchPractice.h"
#include "data/ace/AceApi.h"
#include "engine/Dictionary.h"
#include "engine/Engine.h"
#include "tests/support/sqlite/SqliteDb.h"
#include "tools/practice/DemoPractice.h"
#include "tools/practice/PracticeLayouts.h"

namespace {

using lw::ace::ADSHANDLE;

using lw::bench::BenchPracticeFolder;
using lw::bench::PeakMemoryMiB;

// One engine connection with the three table cursors of a search run.
struct EngineSide {
  std::unique_ptr<lw::ace::AceApi> ace = lw::engine::CreateSqliteEngine();
  ADSHANDLE connection = 0, chg = -1, pax = -1, pay = -1, chgIndex = -1, paxIndex = -1, payIndex = -1;
  std::uint32_t entryField = 0, chargeRefField = 0, paymentRefField = 0, paxPaymentRefOffset = 0;
  std::vector<std::uint8_t> image;

  EngineSide() {
    std::string path = BenchPracticeFolder() + "/MWDDF.ADD";
    if (ace->AdsConnect60(path.c_str(), 3, "user", "vortelin", 0, &connection) != 0) std::abort();
    auto open = [&](const char* name, const char* index, ADSHANDLE& table, ADSHANDLE& handle) {
      ace->AdsOpenTable(connection, name, nullptr, 0, 1, 1, 1, 0, &table);
      ace->AdsGetIndexHandle(table, index, &handle);
    };
    open("MWTRN.ADT", "IDXENTRYNUMBER", chg, chgIndex);
    open("MWPAX", "IDXCHARGEREFERENCE", pax, paxIndex);
    open("MWTRN", "IDXENTRYNUMBER", pay, payIndex);
    entryField = 3;
    chargeRefField = 2;
    paymentRefField = 1;
    ace->AdsGetFieldOffset(pax, paymentRefField, &paxPaymentRefOffset);
    image.resize(2048);
  }
  ~EngineSide() { ace->AdsDisconnect(connection); }

  void Scope(ADSHANDLE table, ADSHANDLE index, std::uint32_t field, std::int32_t value) {
    std::uint8_t key[4083];
    std::uint16_t length = sizeof key;
    ace->AdsInitRawKey(index);
    ace->AdsSetFieldRaw(index, field, &value, 4);
    ace->AdsBuildRawKey(index, key, &length);
    ace->AdsSetScope(index, 1, key, length, 1);
    ace->AdsSetScope(index, 2, key, length, 1);
    ace->AdsGotoBOF(index);
  }

  // The calls of one row read in a search run; false at the end.
  bool ReadNext(ADSHANDLE table, ADSHANDLE index) {
    std::uint16_t count, flag;
    ace->AdsSkip(index, 1);
    ace->AdsGetNumFields(table, &count);
    ace->AdsAtEOF(table, &flag);
    if (flag) return false;
    ace->AdsAtBOF(table, &flag);
    ace->AdsIsRecordVisible(index, &flag);
    std::uint32_t length = static_cast<std::uint32_t>(image.size());
    ace->AdsGetRecord(table, image.data(), &length);
    std::uint8_t bookmark[8];
    std::uint32_t bookmarkLength = sizeof bookmark;
    ace->AdsGetBookmark60(index, bookmark, &bookmarkLength);
    std::uint32_t recno;
    ace->AdsGetRecordNum(table, 2, &recno);
    return true;
  }

  // One charge: its row, its applications, each paying row. Returns rows read.
  int CheckCharge(std::int32_t entry) {
    int rows = 0;
    Scope(chg, chgIndex, entryField, entry);
    rows += ReadNext(chg, chgIndex);
    Scope(pax, paxIndex, chargeRefField, entry);
    while (ReadNext(pax, paxIndex)) {
      ++rows;
      std::int32_t payment;
      std::memcpy(&payment, image.data() + paxPaymentRefOffset, 4);
      Scope(pay, payIndex, entryField, payment);
      rows += ReadNext(pay, payIndex);
    }
    return rows;
  }
};

// The same look-ups with plain prepared statements, reading every column of each row.
struct SqliteSide {
  lw::test::SqliteDb db{BenchPracticeFolder() + "/MWDDF.ADD", lw::test::SqliteDb::kReadOnly};
  sqlite3_stmt* byEntry = nullptr;
  sqlite3_stmt* byCharge = nullptr;
  SqliteSide() {
    // "__key3" and "__key2" are the key columns the practice's indexes are built on.
    sqlite3_prepare_v2(db.get(), "SELECT * FROM MWTRN WHERE \"__key3\" = ?1", -1, &byEntry, nullptr);
    sqlite3_prepare_v2(db.get(), "SELECT * FROM MWPAX WHERE \"__key2\" = ?1", -1, &byCharge, nullptr);
    sqlite3_exec(db.get(), "BEGIN", nullptr, nullptr, nullptr);
  }
  ~SqliteSide() {
    sqlite3_exec(db.get(), "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_finalize(byEntry);
    sqlite3_finalize(byCharge);
  }
  static void ReadColumns(sqlite3_stmt* stmt) {
    int n = sqlite3_column_count(stmt);
    for (int i = 0; i < n; ++i) {
      switch (sqlite3_column_type(stmt, i)) {
        case SQLITE_INTEGER: benchmark::DoNotOptimize(sqlite3_column_int64(stmt, i)); break;
        case SQLITE_FLOAT: benchmark::DoNotOptimize(sqlite3_column_double(stmt, i)); break;
        case SQLITE_TEXT: benchmark::DoNotOptimize(sqlite3_column_text(stmt, i)); break;
        default: break;
      }
    }
  }
  int Lookup(std::int32_t entry) {
    int rows = 0;
    sqlite3_bind_int(byEntry, 1, entry);
    while (sqlite3_step(byEntry) == SQLITE_ROW) {
      ReadColumns(byEntry);
      ++rows;
    }
    sqlite3_reset(byEntry);
    return rows;
  }
  int CheckCharge(std::int32_t entry) {
    int rows = Lookup(entry);
    std::vector<std::int32_t> payments;
    sqlite3_bind_int(byCharge, 1, entry);
    while (sqlite3_step(byCharge) == SQLITE_ROW) {
      ReadColumns(byCharge);
      payments.push_back(sqlite3_column_int(byCharge, 0));
      ++rows;
    }
    sqlite3_reset(byCharge);
    for (std::int32_t payment : payments) rows += Lookup(payment);
    return rows;
  }
};

std::vector<std::int32_t> SampleEntries(std::size_t count) {
  lw::test::SqliteDb db(BenchPracticeFolder() + "/MWDDF.ADD", lw::test::SqliteDb::kReadOnly);
  sqlite3_stmt* stmt = nullptr;
  sqlite3_prepare_v2(db.get(), "SELECT max(\"Entry Number\") FROM MWTRN", -1, &stmt, nullptr);
  sqlite3_step(stmt);
  std::int32_t highest = sqlite3_column_int(stmt, 0);
  sqlite3_finalize(stmt);
  std::mt19937 random(42);
  std::vector<std::int32_t> entries(count);
  for (auto& entry : entries) entry = 1 + static_cast<std::int32_t>(random() % static_cast<std::uint32_t>(highest));
  return entries;
}

void WalkEntryOrder(benchmark::State& state) {
  EngineSide side;
  std::int64_t rows = 0;
  for (auto _ : state) {
    side.ace->AdsGotoTop(side.chgIndex);
    std::uint16_t eof = 0;
    for (;;) {
      side.ace->AdsAtEOF(side.chg, &eof);
      if (eof) break;
      std::uint32_t length = static_cast<std::uint32_t>(side.image.size());
      side.ace->AdsGetRecord(side.chg, side.image.data(), &length);
      side.ace->AdsSkip(side.chgIndex, 1);
      ++rows;
    }
  }
  state.SetItemsProcessed(rows);
  state.counters["peak_MiB"] = PeakMemoryMiB();
}
BENCHMARK(WalkEntryOrder)->Unit(benchmark::kSecond)->Iterations(1);

void ScopedLookup(benchmark::State& state) {
  EngineSide side;
  auto entries = SampleEntries(100000);
  std::size_t i = 0;
  for (auto _ : state) {
    side.Scope(side.pay, side.payIndex, side.entryField, entries[i++ % entries.size()]);
    side.ace->AdsGotoTop(side.payIndex);
    std::uint32_t length = static_cast<std::uint32_t>(side.image.size());
    side.ace->AdsGetRecord(side.pay, side.image.data(), &length);
    side.ace->AdsSkip(side.payIndex, 1);
    std::uint16_t eof;
    side.ace->AdsAtEOF(side.pay, &eof);
    benchmark::DoNotOptimize(eof);
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["peak_MiB"] = PeakMemoryMiB();
}
BENCHMARK(ScopedLookup)->Unit(benchmark::kMicrosecond);

// Every MWTRN row as text through the dictionary loader (the practice tool's export; also the
// scan bench_search_run makes once, inside its first timed run, to find its 1,000-row chart).
void ExportWholeTable(benchmark::State& state) {
  lw::engine::DictionaryLoader loader(BenchPracticeFolder() + "/" + lw::engine::kDictionaryFileName);
  std::int64_t rows = 0;
  for (auto _ : state) {
    loader.ForEachRow("MWTRN", [&](const std::vector<std::string>& values, const std::vector<bool>&) {
      benchmark::DoNotOptimize(values.data());
      ++rows;
    });
  }
  state.SetItemsProcessed(rows);
}
BENCHMARK(ExportWholeTable)->Unit(benchmark::kSecond)->Iterations(1);

// The search run's statement over the whole practice: prepare, execute (materialise), walk.
void QueryWholePractice(benchmark::State& state) {
  EngineSide side;
  const char* sql =
      "Select \r\n \"Entry Number\"\r\nFrom MWTRN\r\nWhere\r\n Position(\"Transaction Type\" in 'ABCDEFGH') > -1 "
      "\r\n\r\n";
  std::int64_t rows = 0;
  for (auto _ : state) {
    ADSHANDLE statement = -1, cursor = -1;
    side.ace->AdsCreateSQLStatement(side.connection, &statement);
    side.ace->AdsPrepareSQL(statement, sql);
    side.ace->AdsExecuteSQL(statement, &cursor);
    side.ace->AdsGotoTop(cursor);
    std::uint16_t eof = 0;
    for (;;) {
      side.ace->AdsAtEOF(cursor, &eof);
      if (eof) break;
      std::uint32_t length = static_cast<std::uint32_t>(side.image.size());
      side.ace->AdsGetRecord(cursor, side.image.data(), &length);
      side.ace->AdsSkip(cursor, 1);
      ++rows;
    }
    side.ace->AdsCloseSQLStatement(statement);
  }
  state.SetItemsProcessed(rows);
  state.counters["peak_MiB"] = PeakMemoryMiB();
}
BENCHMARK(QueryWholePractice)->Unit(benchmark::kSecond)->Iterations(1);

void SearchRowEngine(benchmark::State& state) {
  EngineSide side;
  auto entries = SampleEntries(50000);
  std::size_t i = 0;
  std::int64_t rows = 0;
  for (auto _ : state) rows += side.CheckCharge(entries[i++ % entries.size()]);
  state.SetItemsProcessed(state.iterations());
  state.counters["rows_per_charge"] = static_cast<double>(rows) / static_cast<double>(state.iterations());
  state.counters["peak_MiB"] = PeakMemoryMiB();
}
BENCHMARK(SearchRowEngine)->Unit(benchmark::kMicrosecond);

// As a search run meets them: consecutive entry numbers, so a payment applied to several charges
// of one chart is read again soon after.
void SearchRunOrderEngine(benchmark::State& state) {
  EngineSide side;
  std::int32_t entry = 1;
  std::int64_t rows = 0;
  for (auto _ : state) rows += side.CheckCharge(entry++);
  state.SetItemsProcessed(state.iterations());
  state.counters["rows_per_charge"] = static_cast<double>(rows) / static_cast<double>(state.iterations());
}
BENCHMARK(SearchRunOrderEngine)->Unit(benchmark::kMicrosecond);

void SearchRunOrderSqlite(benchmark::State& state) {
  SqliteSide side;
  std::int32_t entry = 1;
  std::int64_t rows = 0;
  for (auto _ : state) rows += side.CheckCharge(entry++);
  state.SetItemsProcessed(state.iterations());
  state.counters["rows_per_charge"] = static_cast<double>(rows) / static_cast<double>(state.iterations());
}
BENCHMARK(SearchRunOrderSqlite)->Unit(benchmark::kMicrosecond);

void SearchRowSqlite(benchmark::State& state) {
  SqliteSide side;
  auto entries = SampleEntries(50000);
  std::size_t i = 0;
  std::int64_t rows = 0;
  for (auto _ : state) rows += side.CheckCharge(entries[i++ % entries.size()]);
  state.SetItemsProcessed(state.iterations());
  state.counters["rows_per_charge"] = static_cast<double>(rows) / static_cast<double>(state.iterations());
}
BENCHMARK(SearchRowSqlite)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
