// ledgerwick-practice: the practice dictionary tool.
//   create DIR                      a new practice with MWTRN and MWPAX in their stored layout
//   demo DIR [--rows N] [--seed S]  a new practice filled with demo data
//   import DIR TABLE FILE.csv       rows from CSV (all or nothing)
//   export DIR TABLE                rows as CSV on standard output
//   set-current DIR                 records DIR as the current practice
//   history DIR [--run N] [--entry E]  the update history by run
//   undo DIR --run N                puts back what a run changed
//   post-payment DIR --charge ...   posts a payment as a practice client does
// Exit codes: 0 success, 1 the command failed, 2 bad usage.

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "common/Csv.h"
#include "common/Exceptions.h"
#include "common/SettingsStore.h"
#include "common/Utf8.h"
#include "engine/Dictionary.h"
#include "tools/practice/Commands.h"
#include "tools/practice/DemoPractice.h"
#include "tools/practice/PostPaymentCommand.h"
#include "tools/practice/PracticeLayouts.h"
#include "tools/practice/ServerCommands.h"

namespace lw::practice {

const char* kUsageText =
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

struct Help {
  const char* usage;
  const char* text;
};

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
      {"post-payment", {practice::kPostPaymentUsage, practice::kPostPaymentHelp}},
  };
  return helps;
}

int UsageError(const std::string& message) {
  std::fprintf(stderr, "ledgerwick-practice: %s\n%s", message.c_str(), kUsageText);
  return kUsage;
}

int CommandUsage(const std::string& command, const std::string& message) {
  std::fprintf(stderr, "ledgerwick-practice %s: %s\nUsage: ledgerwick-practice %s\n", command.c_str(), message.c_str(),
               Helps().at(command).usage);
  return kUsage;
}

std::string DictionaryIn(const std::string& folder) {
  return (std::filesystem::path(folder) / engine::kDictionaryFileName).string();
}

int RequireDictionary(const std::string& command, const std::string& folder, std::string& path) {
  path = DictionaryIn(folder);
  if (!std::filesystem::is_regular_file(path)) {
    std::fprintf(stderr, "ledgerwick-practice %s: no practice dictionary at %s\n", command.c_str(), path.c_str());
    return kFailed;
  }
  return kOk;
}

int CreateIn(const std::string& folder, bool withIndexes) {
  std::error_code error;
  // A folder made here holds patient data: no access for other users.
  if (!std::filesystem::exists(folder, error) && std::filesystem::create_directories(folder, error)) {
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all | std::filesystem::perms::group_all, error);
  }
  if (error) {
    std::fprintf(stderr, "ledgerwick-practice: cannot create %s: %s\n", folder.c_str(), error.message().c_str());
    return kFailed;
  }
  std::string path = DictionaryIn(folder);
  if (std::filesystem::exists(path)) {
    std::fprintf(stderr, "ledgerwick-practice: %s already exists\n", path.c_str());
    return kFailed;
  }
  engine::CreateOptions options;
  options.withIndexes = withIndexes;
  engine::CreateDictionary(path, practice::PracticeTables(), options);
  return kOk;
}

bool ParseCount(const std::string& text, std::int64_t& value, std::int64_t min) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 12) return false;
  value = std::stoll(text);
  return value >= min;
}

int Create(const std::vector<std::string>& args) {
  if (args.size() == 3 && args[1] == "--server") return practice::CreateOnServer(args[0], args[2]);
  if (args.size() != 1) return CommandUsage("create", "expects exactly one folder");
  int rc = CreateIn(args[0], true);
  if (rc == kOk) std::printf("Created %s\n", DictionaryIn(args[0]).c_str());
  return rc;
}

int Demo(const std::vector<std::string>& args) {
  std::string folder, server;
  practice::DemoOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--server") {
      if (i + 1 >= args.size()) return CommandUsage("demo", "--server needs a connection string");
      server = args[++i];
    } else if (args[i] == "--rows" || args[i] == "--seed") {
      if (i + 1 >= args.size()) return CommandUsage("demo", args[i] + " needs a value");
      std::int64_t value = 0;
      if (!ParseCount(args[i + 1], value, args[i] == "--rows" ? 1 : 0)) {
        return CommandUsage("demo", "not a valid number for " + args[i] + ": " + args[i + 1]);
      }
      if (args[i] == "--rows")
        options.rows = value;
      else
        options.seed = static_cast<std::uint64_t>(value);
      ++i;
    } else if (!args[i].empty() && args[i][0] == '-') {
      return CommandUsage("demo", "unknown option " + args[i]);
    } else if (folder.empty()) {
      folder = args[i];
    } else {
      return CommandUsage("demo", "expects one folder");
    }
  }
  if (folder.empty()) return CommandUsage("demo", "expects a folder");
  if (int rc = CreateIn(folder, false); rc != kOk) return rc;
  practice::DemoSummary s = practice::GenerateDemo(DictionaryIn(folder), options);
  // A server demo is generated in place and then moved; the embedded copy is not kept.
  if (!server.empty() && practice::MoveDemoToServer(folder, server) != kOk) return kFailed;
  std::printf("Created %s\n", DictionaryIn(folder).c_str());
  std::printf("Charts: %lld\nMWTRN rows: %lld (charges %lld, payments %lld)\nMWPAX rows: %lld\n",
              static_cast<long long>(s.charts), static_cast<long long>(s.mwtrnRows), static_cast<long long>(s.charges),
              static_cast<long long>(s.payments), static_cast<long long>(s.applications));
  std::printf("Payments with no application: %lld\nApplications whose paying row is missing: %lld\n",
              static_cast<long long>(s.unappliedPayments), static_cast<long long>(s.missingPayingRows));
  std::printf(
      "Applications of excluded payment types (P, Z): %lld\nBlank or lower-case codes: %lld\nNULL amounts: %lld\n",
      static_cast<long long>(s.excludedApplications), static_cast<long long>(s.blankOrLowerCaseCodes),
      static_cast<long long>(s.nullAmounts));
  std::printf("Discrepancies: %lld\n", static_cast<long long>(s.discrepancies));
  return kOk;
}

int Import(const std::vector<std::string>& args) {
  if (args.size() != 3) return CommandUsage("import", "expects a folder, a table and a CSV file");
  std::string path;
  if (int rc = RequireDictionary("import", args[0], path); rc != kOk) return rc;
  std::ifstream in(args[2], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "ledgerwick-practice import: cannot read %s\n", args[2].c_str());
    return kFailed;
  }
  practice::PracticeLoader loader(path);
  std::vector<std::string> known;
  try {
    known = practice::ColumnNames(path, args[1]);
  } catch (const Exception& e) {
    std::fprintf(stderr, "ledgerwick-practice import: %s\n", e.Message().c_str());
    return kFailed;
  }
  CsvReader reader(in);
  std::vector<std::string> header;
  std::vector<bool> isText;
  std::int64_t rows = 0;
  int line = 0;
  try {
    auto first = reader.Next();
    if (!first) throw Exception("the file is empty; the first line must name the columns");
    line = first->line;
    for (const auto& field : first->fields) {
      bool found = false;
      for (const std::string& name : known) found = found || EqualsIgnoringCase(name, field.text);
      if (!found) throw Exception("unknown column \"" + field.text + "\" in table " + args[1]);
      for (const std::string& earlier : header) {
        if (strcasecmp(earlier.c_str(), field.text.c_str()) == 0) {
          throw Exception("the column \"" + field.text + "\" is named twice in the header");
        }
      }
      header.push_back(field.text);
    }
    loader.Begin();
    while (auto record = reader.Next()) {
      line = record->line;
      if (record->fields.size() == 1 && record->fields[0].IsNull()) continue;  // a blank line
      if (record->fields.size() != header.size()) {
        throw Exception("expected " + std::to_string(header.size()) + " fields, found " +
                        std::to_string(record->fields.size()));
      }
      engine::Row row;
      for (std::size_t i = 0; i < header.size(); ++i) {
        const auto& field = record->fields[i];
        if (field.IsNull()) {
          row.push_back({header[i], std::monostate()});
        } else {
          // A quoted empty field is a blank text, which the loader reads from a lone blank.
          row.push_back({header[i], field.text.empty() ? std::string(" ") : field.text});
        }
      }
      loader.Insert(args[1], row);
      ++rows;
    }
    loader.Commit();
  } catch (const std::exception& e) {
    if (const auto* csv = dynamic_cast<const CsvError*>(&e)) line = csv->Line();
    std::fprintf(stderr, "ledgerwick-practice import: %s:%d: %s\nNothing was imported.\n", args[2].c_str(), line,
                 e.what());
    return kFailed;
  }
  std::printf("Imported %lld rows into %s\n", static_cast<long long>(rows), args[1].c_str());
  return kOk;
}

int Export(const std::vector<std::string>& args) {
  if (args.size() != 2) return CommandUsage("export", "expects a folder and a table");
  std::string path;
  if (int rc = RequireDictionary("export", args[0], path); rc != kOk) return rc;
  std::vector<std::string> names = practice::ColumnNames(path, args[1]);
  std::ios::sync_with_stdio(false);
  WriteCsvRecord(std::cout, names, {});
  practice::PracticeLoader loader(path);
  loader.ForEachRow(args[1], [](const std::vector<std::string>& values, const std::vector<bool>& isNull) {
    WriteCsvRecord(std::cout, values, isNull);
  });
  std::cout.flush();
  return kOk;
}

int SetCurrent(const std::vector<std::string>& args) {
  if (args.size() != 1) return CommandUsage("set-current", "expects exactly one folder");
  std::string path;
  if (int rc = RequireDictionary("set-current", args[0], path); rc != kOk) return rc;
  std::string folder = std::filesystem::absolute(args[0]).lexically_normal().string();
  if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  WriteCurrentPractice(folder);
  std::printf("Current practice: %s\n", folder.c_str());
  return kOk;
}

}  // namespace lw::practice

int main(int argc, char** argv) {
  using namespace lw::practice;
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return UsageError("no command given");
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    std::printf("%s", kUsageText);
    return kOk;
  }
  if (args[0] == "--version") {
    std::printf("ledgerwick-practice %s\n", LEDGERWICK_VERSION);
    return kOk;
  }
  std::string command = args[0];
  args.erase(args.begin());
  auto help = Helps().find(command);
  if (help == Helps().end()) return UsageError("unknown command '" + command + "'");
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") {
      std::printf("Usage: ledgerwick-practice %s\n%s", help->second.usage, help->second.text);
      return kOk;
    }
  }
  try {
    if (command == "create") return Create(args);
    if (command == "demo") return Demo(args);
    if (command == "import") return Import(args);
    if (command == "export") return Export(args);
    if (command == "set-current") return SetCurrent(args);
    if (command == "post-payment") return PostPaymentCommand(args);
    if (command == "undo") return Undo(args);
    if (command == "move") {
      if (args.size() != 3 || args[1] != "--to-server") {
        return CommandUsage("move", "expects a folder, --to-server and a connection string");
      }
      return MoveToServer(args[0], args[2]);
    }
    return History(args);
  } catch (const lw::Exception& e) {
    std::fprintf(stderr, "ledgerwick-practice %s: %s\n", command.c_str(), e.Message().c_str());
    return kFailed;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "ledgerwick-practice %s: %s\n", command.c_str(), e.what());
    return kFailed;
  }
}
