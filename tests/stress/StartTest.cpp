// Checks and fixes started at the same instant, in pairs and triples, on one practice: busy
// moments (another start, a fix's write, the last user's checkpoint) are waited on, never
// reported as errors.
//   LEDGERWICK_STRESS_STARTS  number of program starts (default 120)

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "tests/stress/StressSupport.h"
#include "tests/support/TempDir.h"

namespace lw::test {
namespace {

using Clock = std::chrono::steady_clock;

TEST(SimultaneousStarts, PairsAndTriplesOfChecksAndFixesMeetNoFalseError) {
  const std::string check = BuiltProgram("tools/check/ledgerwick-check");
  ASSERT_TRUE(std::filesystem::exists(check)) << "ledgerwick-check is not built (no " << check << ")";
  const std::int64_t starts = StressCount("LEDGERWICK_STRESS_STARTS", 120);
  TempDir dir;
  const std::string folder = (dir.Path() / "practice").string();
  MakeDemoPractice(folder, 300, 3);

  std::int64_t started = 0, errors = 0, round = 0;
  while (started < starts) {
    // Rounds of two and three programs, fixes and checks mixed.
    const int size = round % 2 == 0 ? 2 : 3;
    StartGate gate;
    std::vector<std::unique_ptr<Child>> children;
    for (int i = 0; i < size; ++i) {
      std::vector<std::string> argv = {check, "--folder", folder};
      if ((round + i) % 2 == 0) argv.push_back("--fix");
      children.push_back(std::make_unique<Child>(argv, (dir.Path() / ("out" + std::to_string(i))).string(), &gate));
    }
    gate.Open();
    for (auto& child : children) {
      const std::optional<int> status = child->WaitUntil(Clock::now() + std::chrono::minutes(2));
      ++started;
      if (!status || (*status != 0 && *status != 1)) {
        ++errors;
        if (errors <= 5)
          ADD_FAILURE() << "round " << round << ": status " << status.value_or(-999) << "\n" << child->Output();
      }
    }
    ++round;
  }
  std::printf("simultaneous starts: %lld starts in %lld rounds of 2 and 3, %lld errors\n",
              static_cast<long long>(started), static_cast<long long>(round), static_cast<long long>(errors));
  EXPECT_EQ(errors, 0);
}

}  // namespace
}  // namespace lw::test
