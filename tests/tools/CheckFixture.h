#pragma once
// ledgerwick-check run in-process on a real practice in a private folder, with a private
// settings store; stdout and stderr are captured.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "data/ace/AceProvider.h"
#include "tests/support/PracticeFixture.h"
#include "tests/support/PrivateSettingsStore.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestEngine.h"
#include "tools/check/CheckCommand.h"

namespace lw::check {

using engine::Row;

inline std::string ReadAll(std::FILE* file) {
  std::fflush(file);
  std::rewind(file);
  std::string text;
  char buffer[4096];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
  return text;
}

class CheckCommandTest : public ::testing::Test {
 protected:
  CheckCommandTest() : engine_(test::NewEngine()), installed_(*engine_) {}

  int Check(std::vector<std::string> arguments) {
    std::FILE* out = std::tmpfile();
    const int status = CheckInto(std::move(arguments), out);
    stdout_ = ReadAll(out);
    std::fclose(out);
    return status;
  }
  // Runs with the given standard output (left open); stderr is captured.
  int CheckInto(std::vector<std::string> arguments, std::FILE* out) {
    std::FILE* err = std::tmpfile();
    RunCounts counts;
    const int status = RunCheckCommand(arguments, out, err, false, counts);
    stdout_.clear();
    stderr_ = ReadAll(err);
    std::fclose(err);
    return status;
  }
  // A paying row with these codes and its application of `amount` to the charge.
  void Apply(std::int64_t charge, const std::string& type, const std::string& who, double amount) {
    const std::int64_t payment = practice_.Insert(
        "MWTRN", Row{{"Chart Number", std::string("PAYER")}, {"Transaction Type", type}, {"Who Paid", who}});
    practice_.Insert("MWPAX",
                     Row{{"Charge Reference", charge}, {"Payment Reference", payment}, {"Payment Amount", amount}});
  }
  double Stored(std::int64_t entry, const std::string& column) {
    return practice_
        .QueryDouble("SELECT \"" + column + "\" FROM MWTRN WHERE \"Entry Number\" = " + std::to_string(entry))
        .value_or(-1);
  }
  std::int64_t Charge(const std::string& chart, double recorded) {
    return practice_.Insert("MWTRN", Row{{"Chart Number", chart},
                                         {"Case Number", std::int64_t{3}},
                                         {"Date From", std::string("2023-01-31")},
                                         {"Procedure Code", std::string("80053")},
                                         {"Transaction Type", std::string("C")},
                                         {"Adjustment Amount", recorded}});
  }
  std::string Header() const { return practice_.Folder() + "/MWDDF.ADD\n\n"; }

  test::PrivateSettingsStore config_;  // the settings store of this test alone
  test::PracticeFixture practice_;
  std::unique_ptr<ace::AceApi> engine_;
  ace::ScopedAce installed_;
  std::string stdout_, stderr_;
};

}  // namespace lw::check
