// The headless search run over a whole demo practice, next to one set-based SQLite query that
// finds the same discrepancies on the same file; both answers are compared line for line. Also
// the check of one chart of about 1,000 rows, and fixing it. Practice: see
// bench/support/BenchPractice.h. CPU times are the process's (immune to other load on the
// machine, unlike wall time).
//   SearchRunWholePractice - RunSearch over every row; "cpu_s", peak memory as "peak_MiB", the
//                            dictionary file's size as "file_MiB"
//   SetBasedQuery          - one SQL query with joins and GROUP BY, lines formatted the same way;
//                            "cpu_s" and "search_to_query", the search run's CPU time over its own
//   OneChartOf1000Rows     - RunSearch with a chart filter; "after_connect_ms" excludes the login
//   FixOneChart            - RunSearch with "Fix Balances" on that chart, on a copy of the
//                            practice: "fixed_rows_per_s", each fix a durable commit
//   FixWholePractice       - RunSearch with "Fix Balances" over every row of a copy of the
//                            practice: "rows_per_s" checked and "fixed_rows_per_s"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/support/BenchPractice.h"
#include "data/ace/AceProvider.h"
#include "engine/Engine.h"
#include "reconcile/ChargeRules.h"
#include "reconcile/SearchRun.h"
#include "tests/support/sqlite/SqliteDb.h"

namespace {

using Clock = std::chrono::steady_clock;

// CPU seconds used by the whole process so far.
double ProcessCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

using lw::bench::kBenchChart;

struct Lines : lw::ReportSink {
  void ClearReport() override { lines.clear(); }
  void AppendReportLine(const std::string& line) override { lines.push_back(line); }
  std::vector<std::string> lines;
};
struct Progress : lw::ProgressPort {
  double Position() const override { return position; }
  void SetPosition(double p) override { position = p; }
  void SetMaximum(double) override {}
  double position = 0;
};
struct Folder : lw::FolderChooser {
  std::string folder;
  std::string ReadCurrentPractice() override { return folder; }
  bool Execute(std::string&) override { return true; }
};
struct RowPump : lw::MessagePump {
  void Pump() override {
    if (++pumps == 2) firstRow = Clock::now();  // the query and the tables are open by now
  }
  int pumps = 0;
  Clock::time_point firstRow;
};
struct Button : lw::SearchButton {
  void SetEnabled(bool) override {}
};
struct Chart : lw::ChartBox {
  std::string text;
  std::string Text() const override { return text; }
};
struct Fix : lw::FixFlag {
  bool IsSet() const override { return set; }
  bool set = false;
};

struct Run {
  std::vector<std::string> lines;
  lw::SearchOutcome outcome;
  double afterConnectSeconds = 0;
};

Run Search(const std::string& folder, const std::string& chartText, bool fixBalances = false) {
  static auto engine = lw::engine::CreateSqliteEngine();
  lw::ace::ScopedAce installed(*engine);
  Lines report;
  Progress progress;
  Folder chooser;
  chooser.folder = folder;
  RowPump pump;
  Button button;
  Chart chart;
  chart.text = chartText;
  Fix fix;
  fix.set = fixBalances;
  lw::PracticeComponents components(nullptr);
  lw::SearchFrontEnd frontEnd{button, chooser, report, pump, chart, progress, fix};
  Run run;
  run.outcome = lw::RunSearch(components, frontEnd);
  const auto end = Clock::now();
  if (pump.pumps >= 2) run.afterConnectSeconds = std::chrono::duration<double>(end - pump.firstRow).count();
  run.lines = std::move(report.lines);
  return run;
}

const std::string& Practice() {
  static const std::string folder = [] {
    std::string f = lw::bench::BenchPracticeFolder();
    lw::engine::DictionaryLoader loader(f + "/" + lw::engine::kDictionaryFileName);
    bool present = false;
    loader.ForEachRow("MWTRN", [&](const std::vector<std::string>& values, const std::vector<bool>&) {
      if (!present && values[0] == kBenchChart) present = true;
    });
    if (!present) lw::bench::AddBenchChart(loader);
    return f;
  }();
  return folder;
}

std::vector<std::string> SetBasedDiscrepancies(const std::string& folder) {
  const std::string path = folder + "/" + lw::engine::kDictionaryFileName;
  lw::test::SqliteDb db = lw::test::SqliteDb::Require(path, lw::test::SqliteDb::kReadOnly);
  // Amounts as exact counts of ten-thousandths (the demo's amounts are whole cents, so SQLite's
  // rounding of x * 10000 agrees with the exact conversion there).
  const char* sql = R"(
    WITH counted AS (
      SELECT x."Charge Reference" AS charge, CAST(round(coalesce(x."Payment Amount", 0) * 10000) AS INTEGER) AS amount
      FROM MWPAX x JOIN MWTRN p ON p."Entry Number" = x."Payment Reference"
      WHERE p."Entry Number" IS NOT NULL
        AND NOT (coalesce(rtrim(p."Transaction Type"), '') <> '' AND instr('PZ', rtrim(p."Transaction Type")) > 0)),
    applied AS (SELECT charge, sum(amount) AS total FROM counted GROUP BY charge)
    SELECT rtrim(coalesce(c."Chart Number", '')), coalesce(c."Case Number", 0),
           coalesce(julianday(c."Date From") - julianday('1899-12-30'), 0), rtrim(coalesce(c."Procedure Code", '')),
           CAST(round(coalesce(c."Insurance 1 Amount Paid", 0) * 10000) AS INTEGER)
         + CAST(round(coalesce(c."Insurance 2 Amount Paid", 0) * 10000) AS INTEGER)
         + CAST(round(coalesce(c."Insurance 3 Amount Paid", 0) * 10000) AS INTEGER)
         + CAST(round(coalesce(c."Guarantor Amount Paid", 0) * 10000) AS INTEGER)
         + CAST(round(coalesce(c."Adjustment Amount", 0) * 10000) AS INTEGER)
         + CAST(round(coalesce(c."Attorney Amount Paid", 0) * 10000) AS INTEGER) AS recorded,
           coalesce(a.total, 0) AS applied
    FROM MWTRN c LEFT JOIN applied a ON a.charge = c."Entry Number"
    WHERE c."Transaction Type" IS NOT NULL AND recorded <> applied
    ORDER BY c.rowid)";
  const lw::test::SqliteStatement prepared = db.Prepare(sql);
  sqlite3_stmt* statement = prepared.get();
  std::vector<std::string> lines;
  const lw::RegionalSettings settings{'.', '/'};
  while (sqlite3_step(statement) == SQLITE_ROW) {
    auto text = [&](int i) { return std::string(reinterpret_cast<const char*>(sqlite3_column_text(statement, i))); };
    lines.push_back(lw::FormatDiscrepancyLine(text(0), sqlite3_column_int(statement, 1),
                                              sqlite3_column_double(statement, 2), text(3),
                                              lw::Currency::FromCount(sqlite3_column_int64(statement, 4)),
                                              lw::Currency::FromCount(sqlite3_column_int64(statement, 5)), settings));
  }
  return lines;
}

std::vector<std::string> searchAnswer;
double searchCpuSeconds = 0;

void SearchRunWholePractice(benchmark::State& state) {
  lw::SetCurrentRegionalSettings(lw::RegionalSettings{'.', '/'});
  Practice();  // the one-off set-up (generation, the 1,000-row chart) stays out of the timing
  for (auto _ : state) {
    const double cpuBefore = ProcessCpuSeconds();
    Run run = Search(Practice(), "");
    searchCpuSeconds = ProcessCpuSeconds() - cpuBefore;
    state.counters["cpu_s"] = searchCpuSeconds;
    state.counters["rows"] = static_cast<double>(run.outcome.rowsChecked);
    state.counters["discrepancies"] = static_cast<double>(run.outcome.discrepancies);
    run.lines.erase(run.lines.begin(), run.lines.begin() + 2);  // the connect path and the empty line
    searchAnswer = std::move(run.lines);
  }
  state.counters["peak_MiB"] = lw::bench::PeakMemoryMiB();
  // The dictionary's size, stored record images included.
  state.counters["file_MiB"] =
      static_cast<double>(std::filesystem::file_size(Practice() + "/" + lw::engine::kDictionaryFileName)) / 1048576.0;
}
BENCHMARK(SearchRunWholePractice)->Unit(benchmark::kSecond)->Iterations(1);

void SetBasedQuery(benchmark::State& state) {
  std::vector<std::string> answer;
  double cpuSeconds = 0;
  for (auto _ : state) {
    const double cpuBefore = ProcessCpuSeconds();
    answer = SetBasedDiscrepancies(Practice());
    cpuSeconds = ProcessCpuSeconds() - cpuBefore;
  }
  state.counters["cpu_s"] = cpuSeconds;
  if (searchCpuSeconds > 0 && cpuSeconds > 0) state.counters["search_to_query"] = searchCpuSeconds / cpuSeconds;
  state.counters["discrepancies"] = static_cast<double>(answer.size());
  std::size_t differing = 0;
  for (std::size_t i = 0; i < std::max(answer.size(), searchAnswer.size()); ++i) {
    if (i >= answer.size() || i >= searchAnswer.size() || answer[i] != searchAnswer[i]) {
      if (differing++ < 5) {
        std::fprintf(stderr, "differs at %zu:\n  search: %s\n  query:  %s\n", i,
                     i < searchAnswer.size() ? searchAnswer[i].c_str() : "(none)",
                     i < answer.size() ? answer[i].c_str() : "(none)");
      }
    }
  }
  state.counters["lines_differing"] = static_cast<double>(differing);
  if (differing != 0) state.SkipWithError("the search run and the query disagree");
}
BENCHMARK(SetBasedQuery)->Unit(benchmark::kSecond)->Iterations(1);

void OneChartOf1000Rows(benchmark::State& state) {
  Practice();
  double afterConnect = 0;
  long long rows = 0;
  for (auto _ : state) {
    const Run run = Search(Practice(), kBenchChart);
    afterConnect += run.afterConnectSeconds;
    rows = run.outcome.rowsChecked;
  }
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["after_connect_ms"] = afterConnect * 1000.0 / static_cast<double>(state.iterations());
}
BENCHMARK(OneChartOf1000Rows)->Unit(benchmark::kMillisecond)->Iterations(10);

void FixOneChart(benchmark::State& state) {
  namespace fs = std::filesystem;
  const fs::path copy = fs::temp_directory_path() / "ledgerwick-bench-fix";
  long long fixed = 0;
  double seconds = 0;
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove_all(copy);
    fs::copy(Practice(), copy, fs::copy_options::recursive);
    state.ResumeTiming();
    const auto start = Clock::now();
    const Run run = Search(copy.string(), kBenchChart, true);
    seconds = std::chrono::duration<double>(Clock::now() - start).count();
    fixed = run.outcome.rowsFixed;
  }
  fs::remove_all(copy);
  state.counters["fixed_rows"] = static_cast<double>(fixed);
  if (seconds > 0) state.counters["fixed_rows_per_s"] = static_cast<double>(fixed) / seconds;
  if (fixed == 0) state.SkipWithError("nothing was fixed");
}
BENCHMARK(FixOneChart)->Unit(benchmark::kMillisecond)->Iterations(1);

// The cost of durable commits shows in the fixes per second of a whole practice with many
// discrepancies (the demo's are about 2.7 % of its rows).
void FixWholePractice(benchmark::State& state) {
  namespace fs = std::filesystem;
  const fs::path copy = fs::temp_directory_path() / "ledgerwick-bench-fix-all";
  lw::SearchOutcome outcome;
  double seconds = 0;
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove_all(copy);
    fs::copy(Practice(), copy, fs::copy_options::recursive);
    state.ResumeTiming();
    const auto start = Clock::now();
    outcome = Search(copy.string(), "", true).outcome;
    seconds = std::chrono::duration<double>(Clock::now() - start).count();
  }
  fs::remove_all(copy);
  state.counters["rows"] = static_cast<double>(outcome.rowsChecked);
  state.counters["fixed_rows"] = static_cast<double>(outcome.rowsFixed);
  if (seconds > 0) {
    state.counters["rows_per_s"] = static_cast<double>(outcome.rowsChecked) / seconds;
    state.counters["fixed_rows_per_s"] = static_cast<double>(outcome.rowsFixed) / seconds;
  }
  if (outcome.rowsFixed == 0) state.SkipWithError("nothing was fixed");
}
BENCHMARK(FixWholePractice)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
