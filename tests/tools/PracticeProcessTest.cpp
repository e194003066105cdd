// ledgerwick-practice as a separate process: the program runs the tool with its standard output
// and error, and its exit codes reach the shell. What the commands do is tested in-process.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/Programs.h"
#include "tests/support/TempDir.h"

namespace lw::test {
namespace {

class PracticeProcess : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(ProgramBuilt("practice", "ledgerwick-practice")); }
  // Standard output only; standard error is dropped, or taken in with "2>&1".
  static ProgramRun Tool(const std::string& arguments, const std::string& redirect = "2>/dev/null") {
    return RunProgram(Quoted(ProgramPath("practice", "ledgerwick-practice")) + " " + arguments + " " + redirect);
  }
  TempDir dir_;
};

TEST_F(PracticeProcess, ExitCodesAndTheTwoStreamsReachTheShell) {
  const ProgramRun version = Tool("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "ledgerwick-practice " LEDGERWICK_VERSION "\n");

  // Usage errors: status 2, the usage on standard error alone.
  ProgramRun usage = Tool("");
  EXPECT_EQ(usage.status, 2);
  EXPECT_EQ(usage.out, "");
  usage = Tool("", "2>&1 >/dev/null");
  EXPECT_EQ(usage.out.find("ledgerwick-practice: no command given\nUsage: ledgerwick-practice COMMAND ...\n"), 0u)
      << usage.out;
  EXPECT_EQ(Tool("frobnicate x").status, 2);

  const std::string folder = Quoted((dir_.Path() / "p").string());
  const ProgramRun created = Tool("create " + folder);
  EXPECT_EQ(created.status, 0);
  EXPECT_EQ(created.out, "Created " + (dir_.Path() / "p" / "MWDDF.ADD").string() + "\n");
  // A failed command: status 1, its message on standard error.
  EXPECT_EQ(Tool("create " + folder).status, 1);
  EXPECT_NE(Tool("create " + folder, "2>&1").out.find("already exists"), std::string::npos);

  const ProgramRun exported = Tool("export " + folder + " MWPAX");
  EXPECT_EQ(exported.status, 0);
  EXPECT_EQ(exported.out.find("Payment Reference,"), 0u) << exported.out;
  EXPECT_EQ(exported.out.substr(exported.out.size() - 2), "\r\n");
}

}  // namespace
}  // namespace lw::test
