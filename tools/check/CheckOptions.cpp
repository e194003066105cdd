#include "tools/check/CheckOptions.h"

#include "common/Exceptions.h"
#include "common/Utf8.h"
#include "reconcile/ChartNumber.h"

namespace lw::check {

const char* const kCheckUsage =
    "usage: ledgerwick-check [--folder DIR] [--chart CHART] [--fix [--skip-locked]]\n"
    "                        [--format plain|csv|json] [--detail] [--version]\n"
    "\n"
    "Checks the paid amounts recorded on a practice's transaction rows against the payments\n"
    "applied to them and prints one line per row that disagrees, as the window does.\n"
    "\n"
    "  --folder DIR     the practice folder holding MWDDF.ADD (default: the current practice)\n"
    "  --chart CHART    check only the rows whose Chart Number equals CHART exactly, after\n"
    "                   CHART (UTF-8) is upper-cased and cut to 8 bytes as the window's chart\n"
    "                   box does; an empty CHART is refused (leave --chart out to check every row)\n"
    "  --fix            rewrite the six paid amounts of every reported row from its applications\n"
    "  --skip-locked    with --fix: list a row locked by another user on stderr and go on\n"
    "                   (the run then exits 2); without it such a row ends the run\n"
    "  --format FORMAT  plain (the report lines, the default), csv or json: one record per\n"
    "                   discrepancy with every amount behind it and whether it was fixed\n"
    "  --detail         with the plain report: each field's recorded and applied amounts\n"
    "                   under each report line\n"
    "\n"
    "The report goes to standard output; progress, messages and a summary go to standard\n"
    "error. Every fix is recorded in the practice's update history under a run number, which\n"
    "the summary names: 'ledgerwick-practice history DIR --run N' lists what the run changed,\n"
    "'ledgerwick-practice undo DIR --run N' puts it back.\n"
    "\n"
    "Exit status: 0 no discrepancy, 1 discrepancies found, 2 error (also a failed write to\n"
    "standard output, or locked rows skipped), 130 interrupted (SIGINT), 143 terminated\n"
    "(SIGTERM). A signal ends the run between rows, never in the middle of a row's rewrite.\n";

CheckOptions ParseCheckOptions(const std::vector<std::string>& arguments) {
  CheckOptions options;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    auto value = [&](const char* name) -> std::string {
      const std::string prefix = std::string(name) + "=";
      if (argument.rfind(prefix, 0) == 0) return argument.substr(prefix.size());
      if (i + 1 >= arguments.size()) throw EConvertError(std::string(name) + " needs a value");
      return arguments[++i];
    };
    if (argument == "--help" || argument == "-h") {
      options.help = true;
    } else if (argument == "--version") {
      options.version = true;
    } else if (argument == "--fix") {
      options.fix = true;
    } else if (argument == "--skip-locked") {
      options.skipLocked = true;
    } else if (argument == "--detail") {
      options.detail = true;
    } else if (argument == "--format" || argument.rfind("--format=", 0) == 0) {
      const std::string format = value("--format");
      if (format == "plain")
        options.format = FindingsFormat::Plain;
      else if (format == "csv")
        options.format = FindingsFormat::Csv;
      else if (format == "json")
        options.format = FindingsFormat::Json;
      else
        throw EConvertError("unknown format '" + format + "' (plain, csv or json)");
    } else if (argument == "--folder" || argument.rfind("--folder=", 0) == 0) {
      options.folder = value("--folder");
      if (options.folder->empty()) throw EConvertError("--folder needs a folder");
    } else if (argument == "--chart" || argument.rfind("--chart=", 0) == 0) {
      options.chartAsGiven = value("--chart");
      // An empty chart would select every row, and with --fix rewrite the whole practice.
      if (options.chartAsGiven.empty())
        throw EConvertError("--chart needs a chart number; leave it out to check every row");
      // The window's box can only hold UTF-8; bytes in another encoding would match nothing.
      if (!IsValidUtf8(options.chartAsGiven)) throw EConvertError("--chart needs UTF-8 text");
      options.chart = ChartNumberFromTyped(options.chartAsGiven);
    } else {
      throw EConvertError("unknown argument '" + argument + "'");
    }
  }
  if (options.skipLocked && !options.fix) throw EConvertError("--skip-locked goes with --fix");
  if (options.detail && options.format != FindingsFormat::Plain) {
    throw EConvertError("--detail goes with the plain report; csv and json records hold every amount");
  }
  return options;
}

}  // namespace lw::check
