#pragma once
// Stress tests run the real programs as separate processes on one practice. Their sizes come
// from environment variables (CI runs small counts, a full run large ones); each test prints
// its figures on standard output.

#include <sys/types.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/stress/PracticeReader.h"
#include "tests/support/sqlite/SqliteDb.h"

namespace lw::test {

// The count in the environment variable, or the fallback.
std::int64_t StressCount(const char* variable, std::int64_t fallback);

// The built program (e.g. "tools/check/ledgerwick-check"), from LEDGERWICK_BUILD_DIR or beside
// the test executable's build tree.
std::string BuiltProgram(const std::string& relativePath);

class StartGate;

// A child process running a program, its standard output and error sent to files.
class Child {
 public:
  // Starts the program at once, or, with a gate, when the gate opens.
  Child(const std::vector<std::string>& argv, const std::string& outputFile, const StartGate* gate = nullptr);
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  pid_t Pid() const { return pid_; }
  // Waits until the process ends or the deadline passes; nullopt on timeout (the process runs on).
  std::optional<int> WaitUntil(std::chrono::steady_clock::time_point deadline);
  // Exit status if it exited by itself; -signal if a signal ended it.
  bool Finished() const { return finished_; }
  int Status() const { return status_; }
  void Kill();
  std::string Output() const;

 private:
  pid_t pid_ = -1;
  bool finished_ = false;
  int status_ = 0;
  std::string outputFile_;
};

// A gate many children wait on and that opens for all at the same instant.
class StartGate {
 public:
  StartGate();
  ~StartGate();
  void Open();

 private:
  friend class Child;
  int fds_[2] = {-1, -1};
};

// Plain SQLite access for independent checks, waiting out the programs' brief locks.
SqliteDb PlainConnection(const std::string& path);

// The six paid-amount columns, in the order the rules use them.
extern const std::array<const char*, 6> kPaidColumns;
// Six amounts as counts of ten-thousandths (NULL reads as 0).
using SixPaid = std::array<std::int64_t, 6>;

// Every MWTRN row's six paid amounts by Entry Number.
std::map<std::int64_t, SixPaid> ReadPaid(PracticeReader& practice);
// The six buckets of every charge as the reconciliation rules define them, recomputed here from
// MWPAX and the paying rows, independently of the program's own code.
std::map<std::int64_t, SixPaid> RecomputeBuckets(PracticeReader& practice);

// Creates a demo practice of `rows` MWTRN rows in `folder`.
void MakeDemoPractice(const std::string& folder, std::int64_t rows, std::uint64_t seed);

}  // namespace lw::test
