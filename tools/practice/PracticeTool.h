#pragma once
// ledgerwick-practice: the practice dictionary tool.
//   create DIR                      a new practice with MWTRN and MWPAX in their stored layout
//   demo DIR [--rows N] [--seed S]  a new practice filled with demo data
//   move DIR --to-server CONNINFO   the practice moved to a database server
//   import DIR TABLE FILE.csv       rows from CSV (all or nothing)
//   export DIR TABLE                rows as CSV on standard output
//   set-current DIR                 records DIR as the current practice
//   history DIR [--run N] [--entry E]  the update history by run
//   undo DIR --run N                puts back what a run changed
//   post-payment DIR --charge ...   posts a payment as a practice client does

#include <ostream>
#include <string>
#include <vector>

namespace lw::practice {

// Runs the tool on its arguments (without the program name): the command's output goes to `out`
// (standard output in the program), usage, help and error messages to `err`. Returns the exit
// code: 0 success, 1 the command failed, 2 bad usage.
int RunPracticeTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace lw::practice
