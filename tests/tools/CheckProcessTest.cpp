// ledgerwick-check as a separate process: signals, and the regional separators of the locale.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>

#include "common/RegionalSettings.h"
#include "tests/tools/CheckFixture.h"
#include "tools/check/ConsoleProgress.h"

extern char** environ;

namespace lw::check {
namespace {

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string CheckToolPath() {
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
  return (exe.parent_path().parent_path() / "tools" / "check" / "ledgerwick-check").string();
}

// Blocked outside any row (here writing the report header into a pipe nobody reads), the tool
// ends at once on SIGTERM, with the summary.
TEST_F(CheckCommandTest, SigtermEndsABlockedToolAtOnceWithTheSummary) {
  ASSERT_TRUE(std::filesystem::exists(CheckToolPath()))
      << "ledgerwick-check is not built (no " << CheckToolPath() << ")";
  Charge("ADAMS", 1.0);
  int outPipe[2], errPipe[2];
  ASSERT_EQ(pipe(outPipe), 0);
  ASSERT_EQ(pipe(errPipe), 0);
  // A full pipe: the tool's first write waits for a reader that never comes.
  fcntl(outPipe[1], F_SETFL, O_NONBLOCK);
  const std::string filler(4096, 'x');
  while (write(outPipe[1], filler.data(), filler.size()) > 0) {
  }
  fcntl(outPipe[1], F_SETFL, 0);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
  posix_spawn_file_actions_addclose(&actions, outPipe[0]);
  posix_spawn_file_actions_addclose(&actions, errPipe[0]);
  const std::string tool = CheckToolPath();
  const std::string folder = practice_.Folder();
  char* argv[] = {const_cast<char*>(tool.c_str()), const_cast<char*>("--fix"), const_cast<char*>("--folder"),
                  const_cast<char*>(folder.c_str()), nullptr};
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, tool.c_str(), &actions, nullptr, argv, environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  close(outPipe[1]);
  close(errPipe[1]);

  const std::string wchan = "/proc/" + std::to_string(pid) + "/wchan";
  bool blocked = false;
  for (int attempt = 0; attempt < 6000 && !blocked; ++attempt) {
    std::ifstream in(wchan);
    std::string where;
    std::getline(in, where);
    blocked = where.find("pipe_write") != std::string::npos;
    if (!blocked) usleep(5000);
  }
  ASSERT_TRUE(blocked) << "the tool never blocked on its output";
  ASSERT_EQ(kill(pid, SIGTERM), 0);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  close(outPipe[0]);
  std::string err;
  char buffer[512];
  ssize_t got;
  while ((got = read(errPipe[0], buffer, sizeof buffer)) > 0) err.append(buffer, static_cast<std::size_t>(got));
  close(errPipe[0]);
  ASSERT_TRUE(WIFEXITED(status)) << err;
  EXPECT_EQ(WEXITSTATUS(status), 143) << err;
  EXPECT_TRUE(Has(err, "0 rows checked, 0 discrepancies, 0 rows fixed\n")) << err;
  EXPECT_TRUE(Has(err, "ledgerwick-check: terminated\n")) << err;
  EXPECT_EQ(Stored(1, "Adjustment Amount"), 1.0);
}

// The report line under a German locale, as the window writes it there.
TEST_F(CheckCommandTest, TheReportLineTakesTheLocalesSeparators) {
  const test::TempDir locales;
  const std::string make =
      "localedef -i de_DE -f UTF-8 '" + (locales.Path() / "de_DE.UTF-8").string() + "' >/dev/null 2>&1";
  if (std::system(make.c_str()) != 0) GTEST_SKIP() << "localedef cannot build de_DE here";
  setenv("LOCPATH", locales.Path().c_str(), 1);
  setenv("LC_ALL", "de_DE.UTF-8", 1);
  Charge("BAKER", -7.25);
  const int plain = Check({"--folder", practice_.Folder(), "--detail"});
  const std::string report = stdout_;
  const int csv = Check({"--folder", practice_.Folder(), "--format", "csv"});
  unsetenv("LC_ALL");
  unsetenv("LOCPATH");
  SetCurrentRegionalSettings(RegionalSettings());
  EXPECT_EQ(plain, kDiscrepancies);
  EXPECT_TRUE(
      Has(report, "Chart: BAKER Case Number: 3 Date From: 01.31.2023 Procedure Code: 80053 Difference: -7,25\n"))
      << report;
  EXPECT_TRUE(Has(report, "    Adjustment Amount: recorded -7,25, applications 0  <- differs\n")) << report;
  // Findings as data keep "." whatever the locale.
  EXPECT_EQ(csv, kDiscrepancies);
  EXPECT_TRUE(Has(stdout_, ",-7.25,")) << stdout_;
}

TEST_F(CheckCommandTest, VersionAndHelpNameEveryExitStatusAndTheUndo) {
  EXPECT_EQ(Check({"--version"}), kNoDiscrepancy);
  EXPECT_EQ(stdout_, "ledgerwick-check " LEDGERWICK_VERSION "\n");
  EXPECT_EQ(Check({"--help"}), kNoDiscrepancy);
  for (const char* part : {"130 interrupted", "143 terminated", "ledgerwick-practice undo DIR --run N",
                           "equals CHART exactly", "--format FORMAT", "--skip-locked", "--detail"}) {
    EXPECT_TRUE(Has(stdout_, part)) << part;
  }
  EXPECT_EQ(Check({"--format", "xml"}), kError);
  EXPECT_TRUE(Has(stderr_, "unknown format 'xml'")) << stderr_;
  EXPECT_EQ(Check({"--format", "csv", "--detail"}), kError);
  EXPECT_TRUE(Has(stderr_, "--detail goes with the plain report")) << stderr_;
}

// On a terminal the bar is cleared before any other text and drawn again after it.
TEST(ConsoleProgress, TheBarNeverSharesALineWithOtherText) {
  double now = 0;
  std::FILE* err = std::tmpfile();
  ConsoleProgress progress(err, true, [&] { return now; });
  progress.SetMaximum(10);
  now = 1;
  progress.SetPosition(10);  // the last row always shows
  {
    const ConsoleProgress::Hidden hidden(progress);
    std::fputs("Chart: X\n", err);
  }
  progress.Finish();
  const std::string text = ReadAll(err);
  std::fclose(err);
  const std::string clear = "\r\033[K";
  const std::size_t line = text.find("Chart: X\n");
  ASSERT_NE(line, std::string::npos);
  EXPECT_EQ(text.compare(line - clear.size(), clear.size(), clear), 0) << text;
  const std::size_t redraw = text.find("[####", line);
  EXPECT_NE(redraw, std::string::npos) << text;
  EXPECT_EQ(text.substr(text.size() - clear.size()), clear);
}

}  // namespace
}  // namespace lw::check
