// ledgerwick-check: checks a practice's paid amounts without a window.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "data/ace/AceProvider.h"
#include "pgengine/ServerEngine.h"
#include "tools/check/CheckCommand.h"
#include "tools/check/Interrupts.h"

int main(int argc, char** argv) {
  static lw::check::RunCounts counts;
  const bool terminal = isatty(STDERR_FILENO) == 1;
  lw::check::InstallInterruptHandlers(counts, terminal);
  const auto engine = lw::pgengine::CreatePracticeEngine();
  lw::ace::ScopedAce installed(*engine);
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  return lw::check::RunCheckCommand(arguments, stdout, stderr, terminal, counts);
}
