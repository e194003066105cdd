// ledgerwick-check: checks a practice's paid amounts without a window.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "data/ace/AceProvider.h"
#include "engine/Engine.h"
#include "tools/check/CheckCommand.h"

int main(int argc, char** argv) {
  std::signal(SIGINT, [](int) { lw::check::RequestStop(); });
  std::signal(SIGTERM, [](int) { lw::check::RequestStop(); });
  const auto engine = lw::engine::CreateSqliteEngine();
  lw::ace::ScopedAce installed(*engine);
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  return lw::check::RunCheckCommand(arguments, stdout, stderr, isatty(STDERR_FILENO) == 1);
}
