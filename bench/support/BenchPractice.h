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
