#include "tests/support/Programs.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "common/ShellWord.h"

namespace lw::test {

std::string ProgramPath(const std::string& folder, const std::string& name) {
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
  return (exe.parent_path().parent_path() / "tools" / folder / name).string();
}

::testing::AssertionResult ProgramBuilt(const std::string& folder, const std::string& name) {
  const std::string path = ProgramPath(folder, name);
  if (std::filesystem::exists(path)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << name << " is not built (no " << path << ")";
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

std::optional<OtherUser> UserWithoutPrivileges() {
  if (::geteuid() != 0) return std::nullopt;
  OtherUser user{65534, 65534};
  if (const passwd* nobody = ::getpwnam("nobody"); nobody != nullptr) user = {nobody->pw_uid, nobody->pw_gid};
  return user;
}

ProgramRun RunProgramAs(const std::optional<OtherUser>& user, const std::string& commandLine) {
  if (!user) return RunProgram(commandLine);
  ProgramRun run;
  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) return run;
  const pid_t child = ::fork();
  if (child < 0) {
    ::close(out[0]);
    ::close(out[1]);
    return run;
  }
  if (child == 0) {
    // Only async-signal-safe calls until exec: the test process may have threads.
    if (::dup2(out[1], STDOUT_FILENO) < 0) ::_exit(126);
    if (::setgroups(0, nullptr) != 0 || ::setresgid(user->gid, user->gid, user->gid) != 0 ||
        ::setresuid(user->uid, user->uid, user->uid) != 0 || ::geteuid() != user->uid) {
      ::_exit(126);
    }
    ::execl("/bin/sh", "sh", "-c", commandLine.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(out[1]);
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(out[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    run.out.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(out[0]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

std::string Quoted(const std::string& text) { return ShellQuoted(text); }

}  // namespace lw::test
