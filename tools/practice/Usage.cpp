#include "tools/practice/Usage.h"

#include <map>

#include "tools/practice/Commands.h"
#include "tools/practice/PostPaymentCommand.h"

namespace lw::practice {

const char* const kUsageText =
    "Usage: ledgerwick-practice COMMAND ...\n"
    "Commands:\n"
    "  create DIR [--server CONNINFO]  create a practice dictionary (MWDDF.ADD) in DIR, or a practice\n"
    "                                  on a database server that DIR's MWDDF.ADD names\n"
    "  demo DIR [--rows N] [--seed S] [--server CONNINFO]\n"
    "                                  create a practice in DIR filled with demo data\n"
    "  move DIR --to-server CONNINFO   move the practice in DIR to a database server\n"
    "  import DIR TABLE FILE.csv       import rows from CSV into TABLE\n"
    "  export DIR TABLE                write TABLE's rows as CSV to standard output\n"
    "  set-current DIR                 record DIR as the current practice\n"
    "  history DIR [--run N] [--entry E]  list the update history by run\n"
    "  undo DIR --run N                put back what a run changed\n"
    "  post-payment DIR --charge ENTRY --amount A --type T --who W\n"
    "                                  post a payment to a charge as a practice client does\n"
    "Run 'ledgerwick-practice COMMAND --help' for a command's details.\n";

namespace {

const std::map<std::string, Help>& Helps() {
  static const std::map<std::string, Help> helps = {
      {"create",
       {"create DIR [--server CONNINFO]",
        "Creates DIR (if needed) and a new practice dictionary MWDDF.ADD in it, with the tables\n"
        "MWTRN and MWPAX in their stored layout and the program's dictionary user.\n"
        "With --server, the tables, indexes, catalog and user are made in the empty PostgreSQL\n"
        "database the libpq connection string CONNINFO names, and MWDDF.ADD becomes a small file\n"
        "naming that server (credentials as libpq takes them: ~/.pgpass, PG* variables, ...).\n"
        "Fails if DIR already holds MWDDF.ADD.\n"}},
      {"demo",
       {"demo DIR [--rows N] [--seed S] [--server CONNINFO]",
        "Creates a practice in DIR as 'create' does and fills it with realistic demo data:\n"
        "N rows of MWTRN (default 2000) and their payment applications in MWPAX, with a known\n"
        "number of discrepancies, which is printed. The same seed (default 1) gives the same data.\n"
        "With --server the practice is kept on that database server.\n"}},
      {"move",
       {"move DIR --to-server CONNINFO",
        "Moves the embedded practice in DIR into the empty PostgreSQL database CONNINFO names,\n"
        "row for row with the same record numbers, with its users and update history. DIR's\n"
        "MWDDF.ADD then names the server; the embedded file stays beside it as MWDDF.ADD.moved.\n"
        "Nobody may use the practice while it moves.\n"}},
      {"import",
       {"import DIR TABLE FILE.csv",
        "Imports rows into TABLE. The first line names the columns (any order, any subset).\n"
        "An empty field is NULL (\"\" is a blank text); dates YYYY-MM-DD; timestamps\n"
        "YYYY-MM-DD HH:MM:SS; logicals T or F; numbers with '.' as decimal separator.\n"
        "Auto-increment values given are kept; later rows continue above the highest.\n"
        "A bad row is reported with its line number and nothing of the file is imported.\n"}},
      {"export",
       {"export DIR TABLE", "Writes every row of TABLE as CSV (header of column names) to standard output.\n"}},
      {"set-current", {"set-current DIR", "Records DIR as \"Current Practice\" in the per-user settings store.\n"}},
      {"history",
       {"history DIR [--run N] [--entry E]",
        "Lists the practice's update history, run by run: every fix (each run of\n"
        "ledgerwick-check --fix, each search with \"Fix Balances\"), import and undo is a run\n"
        "with a number. For each run: its time (UTC), the OS user and the dictionary user;\n"
        "for each row it changed: the table, Entry Number and chart, and every changed field\n"
        "as old -> new. --run N shows one run, --entry E the changes of one Entry Number.\n"
        "A write that left a field's value as it was records nothing for that field.\n"}},
      {"undo",
       {"undo DIR --run N",
        "Puts back the values every row had before run N, each row under its record lock.\n"
        "A row changed since the run (by anyone), locked by another user, gone, or added or\n"
        "deleted by the run is left alone and listed. The undo is itself a run, named in the\n"
        "output, and can be undone in turn. Exit status 1 when any row was left alone.\n"}},
      {"post-payment", {kPostPaymentUsage, kPostPaymentHelp}},
  };
  return helps;
}

}  // namespace

const Help* FindHelp(const std::string& command) {
  const auto help = Helps().find(command);
  return help == Helps().end() ? nullptr : &help->second;
}

int UsageError(std::ostream& err, const std::string& message) {
  err << "ledgerwick-practice: " << message << "\n" << kUsageText;
  return kUsage;
}

int CommandUsage(std::ostream& err, const std::string& command, const std::string& message) {
  err << "ledgerwick-practice " << command << ": " << message << "\nUsage: ledgerwick-practice "
      << Helps().at(command).usage << "\n";
  return kUsage;
}

}  // namespace lw::practice
