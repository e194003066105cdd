#pragma once
// Running the project's programs as their users do: by path, through the shell.

#include <gtest/gtest.h>
#include <sys/types.h>

#include <optional>
#include <string>

namespace lw::test {

// The built program `tools/<folder>/<name>`, found from the running test executable.
std::string ProgramPath(const std::string& folder, const std::string& name);
// Whether that program is built. The test executables depend on the programs they run, so a
// missing one is a broken build: tests assert this (ASSERT_TRUE) rather than skip.
::testing::AssertionResult ProgramBuilt(const std::string& folder, const std::string& name);

struct ProgramRun {
  int status = -1;  // the exit status; -1 when the program did not exit normally
  std::string out;  // what it wrote to standard output (and standard error, when redirected)
};

// Runs a shell command line and collects its standard output.
ProgramRun RunProgram(const std::string& commandLine);

// A user with no claim on the test's files, for tests of what another user may do. Root may read
// and write anything, so as root the programs run as "nobody"; an ordinary user is already bound
// by file modes and runs them as itself (nullopt).
struct OtherUser {
  uid_t uid = 0;
  gid_t gid = 0;
};
std::optional<OtherUser> UserWithoutPrivileges();

// RunProgram in a child that first becomes `user` (no supplementary groups), or as this process's
// user when `user` is empty. A child that cannot switch exits with status 126 before running anything.
ProgramRun RunProgramAs(const std::optional<OtherUser>& user, const std::string& commandLine);

// The text in single quotes for the shell.
std::string Quoted(const std::string& text);

}  // namespace lw::test
