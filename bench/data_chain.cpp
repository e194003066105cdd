// The data layer's hot path on a large demo practice: opening qryChg and walking every query
// row, and the whole cursor chain of a search run (query row -> charge -> applications ->
// paying rows) with the reads the reconciliation rules make, next to the same look-ups done
// with plain prepared SQLite statements on the same file. Also the engine calls per row,
// counted through the tracing decorator.
//
// The practice is generated once into $LEDGERWICK_BENCH_DIR (default /tmp/ledgerwick-bench)
// with $LEDGERWICK_BENCH_ROWS MWTRN rows (default 1000000) and kept for later runs.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "data/Fields.h"
#include "data/PracticeComponents.h"
#include "data/TableLayouts.h"
#include "data/ace/AceProvider.h"
#include "engine/Dictionary.h"
#include "engine/Engine.h"
#include "tests/support/ace/TracingAce.h"
#include "tests/support/sqlite/SqliteDb.h"
#include "tools/practice/PracticeLayouts.h"

namespace {

using lw::engine::FieldValue;

long RowsWanted() {
  const char* rows = std::getenv("LEDGERWICK_BENCH_ROWS");
  return rows ? std::atol(rows) : 1000000;
}

// Charges (three rows in five), insurance payments and guarantor payments, each payment
// applied to two earlier charges; one charge in seven carries a wrong paid amount.
std::string Practice() {
  const long rows = RowsWanted();
  const char* base = std::getenv("LEDGERWICK_BENCH_DIR");
  const std::filesystem::path folder =
      std::filesystem::path(base ? base : "/tmp/ledgerwick-bench") / ("practice-" + std::to_string(rows));
  const std::string dictionary = (folder / lw::engine::kDictionaryFileName).string();
  if (std::filesystem::exists(folder / "complete")) return folder.string();
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  lw::engine::CreateOptions options;
  options.withIndexes = false;
  lw::engine::CreateDictionary(dictionary, lw::practice::PracticeTables(), options);
  lw::engine::DictionaryLoader loader(dictionary);
  loader.Begin();
  for (long i = 1; i <= rows; ++i) {
    const long kind = i % 5;
    const std::string chart = "C" + std::to_string(i / 50 % 20000);
    lw::engine::Row row{{"Entry Number", FieldValue(std::int64_t{i})},
                        {"Chart Number", FieldValue(chart)},
                        {"Case Number", FieldValue(std::int64_t{i % 7})},
                        {"Date From", FieldValue(std::string("2024-03-15"))},
                        {"Procedure Code", FieldValue(std::string("99213"))},
                        {"Description", FieldValue(std::string("Office visit, established"))}};
    if (kind <= 2) {
      row.push_back({"Transaction Type", FieldValue(std::string("A"))});
      row.push_back({"Amount", FieldValue(120.0)});
      row.push_back({"Insurance 1 Amount Paid", FieldValue(i % 7 == 0 ? 31.5 : 30.0)});
      row.push_back({"Guarantor Amount Paid", FieldValue(kind == 0 ? 12.25 : 0.0)});
    } else {
      row.push_back({"Transaction Type", FieldValue(std::string(kind == 3 ? "I" : "J"))});
      row.push_back({"Who Paid", FieldValue(std::string(kind == 3 ? "1" : "G"))});
      row.push_back({"Amount", FieldValue(-42.25)});
    }
    loader.Insert("MWTRN", row);
    if (kind >= 3) {
      for (long charge : {i - kind + 2, i - kind}) {
        if (charge < 1) continue;
        const double amount = kind == 3 ? 30.0 : 12.25;
        loader.Insert("MWPAX", {{"Payment Reference", FieldValue(std::int64_t{i})},
                                {"Charge Reference", FieldValue(std::int64_t{charge})},
                                {"Payment Amount", FieldValue(amount)},
                                {"Who Paid", FieldValue(std::string(kind == 3 ? "1" : "G"))}});
      }
    }
  }
  loader.Commit();
  loader.CreateIndexes();
  std::FILE* done = std::fopen((folder / "complete").c_str(), "w");
  if (done) std::fclose(done);
  return folder.string();
}

struct Engine {
  std::unique_ptr<lw::ace::AceApi> engine = lw::engine::CreateSqliteEngine();
  lw::ace::ScopedAce installed{*engine};
};

void OpenSearchRun(lw::PracticeComponents& c, const std::string& folder, bool tables) {
  c.AdsConnection1.SetIsConnected(false);
  c.AdsConnection1.SetConnectPath(folder + "/MWDDF.ADD");
  if (c.qryChg.SQLCount() < 6) c.qryChg.AddSQL("");
  c.qryChg.SetSQLLine(5, "");
  c.qryChg.Open();
  if (!tables) return;
  c.tblChg.Open();
  c.tblPax.Open();
  c.tblPay.Open();
}

// The columns the reconciliation rules read, looked up once after the opens.
struct ChainFields {
  explicit ChainFields(lw::PracticeComponents& c)
      : date(c.tblChg.FieldByName("Date From")),
        chart(c.tblChg.FieldByName("Chart Number")),
        caseNumber(c.tblChg.FieldByName("Case Number")),
        procedure(c.tblChg.FieldByName("Procedure Code")),
        paxAmount(c.tblPax.FieldByName("Payment Amount")),
        payEntry(c.tblPay.FieldByName("Entry Number")),
        payType(c.tblPay.FieldByName("Transaction Type")),
        payWho(c.tblPay.FieldByName("Who Paid")) {
    const char* names[] = {"Insurance 1 Amount Paid", "Insurance 2 Amount Paid", "Insurance 3 Amount Paid",
                           "Guarantor Amount Paid",   "Adjustment Amount",       "Attorney Amount Paid"};
    for (int i = 0; i < 6; ++i) amounts[i] = &c.tblChg.FieldByName(names[i]);
  }
  lw::TField* amounts[6];
  lw::TField &date, &chart, &caseNumber, &procedure, &paxAmount, &payEntry, &payType, &payWho;
};

// The reads the reconciliation rules make for one query row; returns a checksum.
std::int64_t CheckRow(lw::PracticeComponents& c, ChainFields& f) {
  std::int64_t sum = 0;
  for (lw::TField* amount : f.amounts) sum += amount->AsCurrency().Count();
  sum += static_cast<std::int64_t>(f.date.AsDateTime());
  sum +=
      static_cast<std::int64_t>(f.chart.AsString().size() + f.procedure.AsString().size()) + f.caseNumber.AsInteger();
  for (c.tblPax.MoveFirst(); !c.tblPax.AtEnd(); c.tblPax.MoveNext()) {
    if (f.payEntry.IsNull()) continue;
    sum += static_cast<std::int64_t>(f.payType.AsString().size() + f.payWho.AsString().size());
    sum += f.paxAmount.AsCurrency().Count();
  }
  return sum;
}

// The query rows walked and the time per row.
void ReportRows(benchmark::State& state, long rows) {
  state.counters["query_rows"] = static_cast<double>(rows);
  state.counters["us_per_row"] =
      benchmark::Counter(static_cast<double>(rows) * state.iterations(),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}

void BM_QueryOpenAndWalk(benchmark::State& state) {
  const std::string folder = Practice();
  Engine engine;
  lw::ComponentOwner owner("frmMain");
  lw::PracticeComponents c(&owner);
  long rows = 0;
  for (auto _ : state) {
    OpenSearchRun(c, folder, false);
    lw::TField& entry = c.qryChg.FieldByName("Entry Number");
    std::int64_t sum = 0;
    rows = 0;
    for (c.qryChg.MoveFirst(); !c.qryChg.AtEnd(); c.qryChg.MoveNext(), ++rows) sum += entry.AsInteger();
    benchmark::DoNotOptimize(sum);
  }
  ReportRows(state, rows);
}

void BM_CursorChain(benchmark::State& state) {
  const std::string folder = Practice();
  Engine engine;
  lw::ComponentOwner owner("frmMain");
  lw::PracticeComponents c(&owner);
  long rows = 0;
  for (auto _ : state) {
    OpenSearchRun(c, folder, true);
    ChainFields fields(c);
    std::int64_t sum = 0;
    rows = 0;
    for (c.qryChg.MoveFirst(); !c.qryChg.AtEnd(); c.qryChg.MoveNext(), ++rows) sum += CheckRow(c, fields);
    benchmark::DoNotOptimize(sum);
  }
  ReportRows(state, rows);
}

// The same look-ups as prepared SQLite statements on the same file, through the engine's own
// SQLite indexes (their key columns are the generated "__key<n>" columns).
void BM_PlainSqliteLookups(benchmark::State& state) {
  const std::string folder = Practice();
  const lw::test::SqliteDb db(folder + "/MWDDF.ADD", lw::test::SqliteDb::kReadOnly);
  auto prepare = [&](const char* sql) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db.get(), sql, -1, &s, nullptr) != SQLITE_OK) state.SkipWithError(sqlite3_errmsg(db.get()));
    return lw::test::SqliteStatement(s);
  };
  auto query = prepare("SELECT \"Entry Number\" FROM MWTRN WHERE \"Transaction Type\" IS NOT NULL ORDER BY rowid");
  auto charge = prepare(
      "SELECT \"Insurance 1 Amount Paid\", \"Insurance 2 Amount Paid\", \"Insurance 3 Amount Paid\", "
      "\"Guarantor Amount Paid\", \"Adjustment Amount\", \"Attorney Amount Paid\", \"Date From\", \"Chart Number\", "
      "\"Case Number\", \"Procedure Code\", \"Entry Number\" FROM MWTRN WHERE \"__key3\" = ?");
  auto pax = prepare(
      "SELECT \"Payment Reference\", \"Payment Amount\" FROM MWPAX WHERE \"__key2\" = ? "
      "ORDER BY \"__key2\", rowid");
  auto pay = prepare("SELECT \"Entry Number\", \"Transaction Type\", \"Who Paid\" FROM MWTRN WHERE \"__key3\" = ?");
  long rows = 0;
  sqlite3_exec(db.get(), "BEGIN", nullptr, nullptr, nullptr);
  for (auto _ : state) {
    std::int64_t sum = 0;
    rows = 0;
    sqlite3_reset(query.get());
    while (sqlite3_step(query.get()) == SQLITE_ROW) {
      ++rows;
      const std::int64_t entry = sqlite3_column_int64(query.get(), 0);
      sqlite3_reset(charge.get());
      sqlite3_bind_int64(charge.get(), 1, entry);
      if (sqlite3_step(charge.get()) == SQLITE_ROW) {
        for (int i = 0; i < 6; ++i) sum += static_cast<std::int64_t>(sqlite3_column_double(charge.get(), i) * 10000);
        sum += sqlite3_column_bytes(charge.get(), 6) + sqlite3_column_bytes(charge.get(), 7) +
               sqlite3_column_int(charge.get(), 8) + sqlite3_column_bytes(charge.get(), 9);
      }
      sqlite3_reset(pax.get());
      sqlite3_bind_int64(pax.get(), 1, entry);
      while (sqlite3_step(pax.get()) == SQLITE_ROW) {
        sqlite3_reset(pay.get());
        sqlite3_bind_int64(pay.get(), 1, sqlite3_column_int64(pax.get(), 0));
        if (sqlite3_step(pay.get()) != SQLITE_ROW) continue;
        sum += sqlite3_column_bytes(pay.get(), 1) + sqlite3_column_bytes(pay.get(), 2);
        sum += static_cast<std::int64_t>(sqlite3_column_double(pax.get(), 1) * 10000);
      }
    }
    benchmark::DoNotOptimize(sum);
  }
  sqlite3_exec(db.get(), "COMMIT", nullptr, nullptr, nullptr);
  ReportRows(state, rows);
}

// Engine calls per query row, counted through the tracing decorator over the first rows.
void BM_EngineCallsPerRow(benchmark::State& state) {
  const std::string folder = Practice();
  const auto engine = lw::engine::CreateSqliteEngine();
  lw::ace::TracingAce trace(*engine);
  lw::ace::ScopedAce installed(trace);
  lw::ComponentOwner owner("frmMain");
  lw::PracticeComponents c(&owner);
  const long sample = 2000;
  double queryOnly = 0, chain = 0;
  for (auto _ : state) {
    OpenSearchRun(c, folder, false);
    trace.Clear();
    c.qryChg.MoveFirst();
    for (long i = 0; i < sample && !c.qryChg.AtEnd(); ++i) c.qryChg.MoveNext();
    queryOnly = static_cast<double>(trace.Calls().size()) / sample;

    OpenSearchRun(c, folder, true);
    ChainFields fields(c);
    trace.Clear();
    c.qryChg.MoveFirst();
    for (long i = 0; i < sample && !c.qryChg.AtEnd(); ++i, c.qryChg.MoveNext()) CheckRow(c, fields);
    chain = static_cast<double>(trace.Calls().size()) / sample;
  }
  state.counters["query_calls_per_row"] = queryOnly;
  state.counters["chain_calls_per_row"] = chain;
}

BENCHMARK(BM_EngineCallsPerRow)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QueryOpenAndWalk)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_PlainSqliteLookups)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_CursorChain)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
