#pragma once
// Command line of ledgerwick-check.

#include <optional>
#include <string>
#include <vector>

#include "tools/check/Findings.h"

namespace lw::check {

struct CheckOptions {
  std::optional<std::string> folder;  // the practice folder; the current practice when absent
  std::string chart;                  // as the chart box would hold it (reconcile/ChartNumber.h)
  std::string chartAsGiven;           // what the command line said
  bool fix = false;
  bool skipLocked = false;
  bool detail = false;
  FindingsFormat format = FindingsFormat::Plain;
  bool help = false;
  bool version = false;
};

// Parses the arguments after the program name. Bad usage raises lw::EConvertError with a message.
CheckOptions ParseCheckOptions(const std::vector<std::string>& arguments);

extern const char* const kCheckUsage;

}  // namespace lw::check
