#include "tools/check/CheckOptions.h"

#include "common/Exceptions.h"

namespace lw::check {

const char* const kCheckUsage =
    "usage: ledgerwick-check [--folder DIR] [--chart CHART] [--fix]\n"
    "\n"
    "Checks the paid amounts recorded on a practice's transaction rows against the payments\n"
    "applied to them and prints one line per row that disagrees.\n"
    "\n"
    "  --folder DIR   the practice folder holding MWDDF.ADD (default: the current practice)\n"
    "  --chart CHART  check only this chart number (upper-cased, at most 8 characters)\n"
    "  --fix          rewrite the six paid amounts of every reported row from its applications\n"
    "\n"
    "Exit status: 0 no discrepancy, 1 discrepancies found, 2 error.\n";

std::string NormalizeChart(const std::string& text) {
  std::string chart = text.substr(0, 8);
  for (char& c : chart) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return chart;
}

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
    } else if (argument == "--fix") {
      options.fix = true;
    } else if (argument == "--folder" || argument.rfind("--folder=", 0) == 0) {
      options.folder = value("--folder");
      if (options.folder->empty()) throw EConvertError("--folder needs a folder");
    } else if (argument == "--chart" || argument.rfind("--chart=", 0) == 0) {
      options.chartAsGiven = value("--chart");
      options.chart = NormalizeChart(options.chartAsGiven);
    } else {
      throw EConvertError("unknown argument '" + argument + "'");
    }
  }
  return options;
}

}  // namespace lw::check
