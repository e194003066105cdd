#pragma once
// The demo practice the benchmarks run on: LEDGERWICK_BENCH_PRACTICE names an existing folder;
// otherwise a demo of LEDGERWICK_BENCH_ROWS MWTRN rows (default 1,000,000) is generated once
// into $TMPDIR/ledgerwick-bench-<rows> and reused.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/Dictionary.h"
#include "tools/practice/DemoPractice.h"
#include "tools/practice/PracticeLayouts.h"

namespace lw::bench {

inline std::string BenchPracticeFolder() {
  if (const char* given = std::getenv("LEDGERWICK_BENCH_PRACTICE")) return given;
  std::int64_t rows = 1000000;
  if (const char* text = std::getenv("LEDGERWICK_BENCH_ROWS")) rows = std::atoll(text);
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("ledgerwick-bench-" + std::to_string(rows));
  const std::filesystem::path dictionary = folder / engine::kDictionaryFileName;
  if (!std::filesystem::exists(dictionary)) {
    std::filesystem::create_directories(folder);
    engine::CreateOptions options;
    options.withIndexes = false;
    engine::CreateDictionary(dictionary.string(), practice::PracticeTables(), options);
    practice::DemoOptions demo;
    demo.rows = rows;
    demo.seed = 7;
    practice::GenerateDemo(dictionary.string(), demo);
  }
  return folder.string();
}

// The chart the one-chart benchmarks search.
inline constexpr const char* kBenchChart = "BENCH1K";

// Adds the chart kBenchChart of 1,000 rows (charges with an application each, every tenth one off
// by a cent) through either kind of practice's loader.
template <typename Loader>
void AddBenchChart(Loader& loader) {
  loader.Begin();
  for (int i = 0; i < 500; ++i) {
    const auto payment = loader.Insert("MWTRN", {{"Chart Number", std::string(kBenchChart)},
                                                 {"Transaction Type", std::string("I")},
                                                 {"Who Paid", std::string("1")}});
    const auto charge = loader.Insert("MWTRN", {{"Chart Number", std::string(kBenchChart)},
                                                {"Case Number", std::int64_t{1}},
                                                {"Date From", std::string("2025-01-02")},
                                                {"Procedure Code", std::string("99213")},
                                                {"Transaction Type", std::string("A")},
                                                {"Insurance 1 Amount Paid", i % 10 == 0 ? 40.01 : 40.0}});
    loader.Insert("MWPAX", {{"Payment Reference", payment}, {"Charge Reference", charge}, {"Payment Amount", 40.0}});
  }
  loader.Commit();
}

// The process's peak resident memory so far (VmHWM), in MiB.
inline double PeakMemoryMiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
  }
  return 0;
}

}  // namespace lw::bench
