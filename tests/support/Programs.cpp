#include "tests/support/Programs.h"

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>

namespace lw::test {

std::string ProgramPath(const std::string& folder, const std::string& name) {
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
  return (exe.parent_path().parent_path() / "tools" / folder / name).string();
}

ProgramRun RunProgram(const std::string& commandLine) {
  ProgramRun run;
  FILE* pipe = popen(commandLine.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  std::size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'')
      quoted += "'\\''";
    else
      quoted.push_back(c);
  }
  return quoted + "'";
}

}  // namespace lw::test
