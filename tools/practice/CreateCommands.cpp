// create and demo: a new practice, empty or filled with demo data.
#include <filesystem>

#include "tools/practice/Commands.h"
#include "tools/practice/DemoPractice.h"
#include "tools/practice/PracticeLayouts.h"
#include "tools/practice/ServerCommands.h"

namespace lw::practice {

namespace {

int CreateIn(std::ostream& err, const std::string& folder, bool withIndexes) {
  if (MakePracticeFolder(err, folder) != kOk) return kFailed;
  std::string path = DictionaryIn(folder);
  if (std::filesystem::exists(path)) {
    err << "ledgerwick-practice: " << path << " already exists\n";
    return kFailed;
  }
  engine::CreateOptions options;
  options.withIndexes = withIndexes;
  engine::CreateDictionary(path, PracticeTables(), options);
  return kOk;
}

void PrintSummary(std::ostream& out, const DemoSummary& s) {
  out << "Charts: " << s.charts << "\nMWTRN rows: " << s.mwtrnRows << " (charges " << s.charges << ", payments "
      << s.payments << ")\nMWPAX rows: " << s.applications << "\n";
  out << "Payments with no application: " << s.unappliedPayments
      << "\nApplications whose paying row is missing: " << s.missingPayingRows << "\n";
  out << "Applications of excluded payment types (P, Z): " << s.excludedApplications
      << "\nBlank or lower-case codes: " << s.blankOrLowerCaseCodes << "\nNULL amounts: " << s.nullAmounts << "\n";
  out << "Discrepancies: " << s.discrepancies << "\n";
}

}  // namespace

int Create(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() == 3 && args[1] == "--server") return CreateOnServer(args[0], args[2], out, err);
  if (args.size() != 1) return CommandUsage(err, "create", "expects exactly one folder");
  int rc = CreateIn(err, args[0], true);
  if (rc == kOk) out << "Created " << DictionaryIn(args[0]) << "\n";
  return rc;
}

int Demo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string folder, server;
  DemoOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--server") {
      if (i + 1 >= args.size()) return CommandUsage(err, "demo", "--server needs a connection string");
      server = args[++i];
    } else if (args[i] == "--rows" || args[i] == "--seed") {
      if (i + 1 >= args.size()) return CommandUsage(err, "demo", args[i] + " needs a value");
      std::int64_t value = 0;
      if (!ParseCount(args[i + 1], value, args[i] == "--rows" ? 1 : 0)) {
        return CommandUsage(err, "demo", "not a valid number for " + args[i] + ": " + args[i + 1]);
      }
      if (args[i] == "--rows")
        options.rows = value;
      else
        options.seed = static_cast<std::uint64_t>(value);
      ++i;
    } else if (!args[i].empty() && args[i][0] == '-') {
      return CommandUsage(err, "demo", "unknown option " + args[i]);
    } else if (folder.empty()) {
      folder = args[i];
    } else {
      return CommandUsage(err, "demo", "expects one folder");
    }
  }
  if (folder.empty()) return CommandUsage(err, "demo", "expects a folder");
  if (int rc = CreateIn(err, folder, false); rc != kOk) return rc;
  DemoSummary summary = GenerateDemo(DictionaryIn(folder), options);
  // A server demo is generated in place and then moved; the embedded copy is not kept.
  if (!server.empty() && MoveDemoToServer(folder, server) != kOk) return kFailed;
  out << "Created " << DictionaryIn(folder) << "\n";
  PrintSummary(out, summary);
  return kOk;
}

}  // namespace lw::practice
