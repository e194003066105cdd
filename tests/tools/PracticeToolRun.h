#pragma once
// ledgerwick-practice run in-process through RunPracticeTool, what it writes captured as a test
// that launched the program through the shell would capture it.

#include <sstream>
#include <string>
#include <vector>

#include "tests/support/Programs.h"
#include "tools/practice/PracticeTool.h"

namespace lw::test {

// The tool's output and its messages in one text, as "2>&1" collects them.
inline ProgramRun RunPractice(const std::vector<std::string>& args) {
  std::ostringstream text;
  ProgramRun run;
  run.status = practice::RunPracticeTool(args, text, text);
  run.out = text.str();
  return run;
}

// The tool's output alone (its standard output); messages are dropped.
inline ProgramRun PracticeOutput(const std::vector<std::string>& args) {
  std::ostringstream out, messages;
  ProgramRun run;
  run.status = practice::RunPracticeTool(args, out, messages);
  run.out = out.str();
  return run;
}

}  // namespace lw::test
