#pragma once
// Running the project's programs as their users do: by path, through the shell.

#include <string>

namespace lw::test {

// The built program `tools/<folder>/<name>`, found from the running test executable.
std::string ProgramPath(const std::string& folder, const std::string& name);

struct ProgramRun {
  int status = -1;  // the exit status; -1 when the program did not exit normally
  std::string out;  // what it wrote to standard output (and standard error, when redirected)
};

// Runs a shell command line and collects its standard output.
ProgramRun RunProgram(const std::string& commandLine);

// The text in single quotes for the shell.
std::string Quoted(const std::string& text);

}  // namespace lw::test
