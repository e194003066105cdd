// The headless search run on a practice kept on a PostgreSQL server, with the round trips it
// makes per query row. LEDGERWICK_BENCH_SERVER is a libpq connection string to a server where
// the benchmark may create a database (e.g. a private cluster: tests/support/server-cluster
// start /tmp/lwb, then LEDGERWICK_BENCH_SERVER="host=/tmp/lwb user=ledgerwick"). The embedded
// bench practice (bench/support/BenchPractice.h; LEDGERWICK_BENCH_ROWS rows) is moved once into
// database lw_bench_<rows>, with one extra chart of 1,000 rows, and reused.
//   ServerOneChartOf1000Rows      - RunSearch with a chart filter
//   ServerSearchRunWholePractice  - RunSearch over every row

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "bench/support/BenchPractice.h"
#include "bench/support/HeadlessSearch.h"
#include "data/ace/AceProvider.h"
#include "pgengine/Pq.h"
#include "pgengine/ServerDescriptor.h"
#include "pgengine/ServerEngine.h"
#include "pgengine/ServerPractice.h"

namespace {

using lw::bench::kBenchChart;

const std::string& ServerPractice() {
  static const std::string folder = [] {
    const char* server = std::getenv("LEDGERWICK_BENCH_SERVER");
    if (server == nullptr || *server == '\0') throw std::runtime_error("LEDGERWICK_BENCH_SERVER is not set");
    const std::string embedded = lw::bench::BenchPracticeFolder();
    const std::string name = std::filesystem::path(embedded).filename().string();
    const std::filesystem::path target = std::filesystem::temp_directory_path() / (name + "-server");
    const std::string descriptor = (target / "MWDDF.ADD").string();
    if (lw::pgengine::IsServerDescriptor(descriptor)) return target.string();
    std::filesystem::create_directories(target);
    std::filesystem::copy_file(embedded + "/MWDDF.ADD", descriptor, std::filesystem::copy_options::overwrite_existing);
    std::string database = "lw_bench_" + name.substr(name.find_last_of('-') + 1);
    lw::pgengine::ServerSession(std::string(server) + " dbname=postgres").Execute("CREATE DATABASE " + database);
    lw::pgengine::MovePracticeToServer(descriptor, std::string(server) + " dbname=" + database);
    lw::pgengine::ServerLoader loader(descriptor);
    lw::bench::AddBenchChart(loader);
    return target.string();
  }();
  return folder;
}

lw::bench::HeadlessRun Search(const std::string& chart) {
  static auto engine = lw::pgengine::CreatePracticeEngine();
  lw::ace::ScopedAce installed(*engine);
  return lw::bench::SearchHeadless(ServerPractice(), chart);
}

void Report(benchmark::State& state, const lw::bench::HeadlessRun& run, std::uint64_t trips) {
  state.counters["rows"] = static_cast<double>(run.outcome.rowsChecked);
  state.counters["discrepancies"] = static_cast<double>(run.outcome.discrepancies);
  state.counters["round_trips_per_row"] =
      static_cast<double>(trips) / static_cast<double>(std::max<long long>(1, run.outcome.rowsChecked));
}

void ServerOneChartOf1000Rows(benchmark::State& state) {
  ServerPractice();
  for (auto _ : state) {
    const std::uint64_t before = lw::pgengine::RoundTrips();
    auto run = Search(kBenchChart);
    Report(state, run, lw::pgengine::RoundTrips() - before);
    state.counters["after_connect_ms"] = run.afterConnectSeconds * 1000.0;
  }
}
BENCHMARK(ServerOneChartOf1000Rows)->Unit(benchmark::kMillisecond)->Iterations(5);

void ServerSearchRunWholePractice(benchmark::State& state) {
  ServerPractice();
  for (auto _ : state) {
    const std::uint64_t before = lw::pgengine::RoundTrips();
    auto run = Search("");
    Report(state, run, lw::pgengine::RoundTrips() - before);
  }
  state.counters["peak_MiB"] = lw::bench::PeakMemoryMiB();
}
BENCHMARK(ServerSearchRunWholePractice)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
