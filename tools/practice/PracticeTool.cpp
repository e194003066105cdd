#include "tools/practice/PracticeTool.h"

#include "common/Exceptions.h"
#include "tools/practice/Commands.h"
#include "tools/practice/PostPaymentCommand.h"
#include "tools/practice/Usage.h"

namespace lw::practice {

namespace {

int RunCommand(const std::string& command, const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (command == "create") return Create(args, out, err);
  if (command == "demo") return Demo(args, out, err);
  if (command == "import") return Import(args, out, err);
  if (command == "export") return Export(args, out, err);
  if (command == "set-current") return SetCurrent(args, out, err);
  if (command == "post-payment") return PostPaymentCommand(args, out, err);
  if (command == "undo") return Undo(args, out, err);
  if (command == "move") return Move(args, out, err);
  return History(args, out, err);
}

int RunTool(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
  if (arguments.empty()) return UsageError(err, "no command given");
  if (arguments[0] == "--help" || arguments[0] == "-h" || arguments[0] == "help") {
    out << kUsageText;
    return kOk;
  }
  if (arguments[0] == "--version") {
    out << "ledgerwick-practice " << LEDGERWICK_VERSION << "\n";
    return kOk;
  }
  const std::string& command = arguments[0];
  const std::vector<std::string> args(arguments.begin() + 1, arguments.end());
  const Help* help = FindHelp(command);
  if (help == nullptr) return UsageError(err, "unknown command '" + command + "'");
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") {
      out << "Usage: ledgerwick-practice " << help->usage << "\n" << help->text;
      return kOk;
    }
  }
  try {
    return RunCommand(command, args, out, err);
  } catch (const Exception& e) {
    err << "ledgerwick-practice " << command << ": " << e.Message() << "\n";
    return kFailed;
  } catch (const std::exception& e) {
    err << "ledgerwick-practice " << command << ": " << e.what() << "\n";
    return kFailed;
  }
}

}  // namespace

int RunPracticeTool(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
  const int rc = RunTool(arguments, out, err);
  // Output lost on a full disk or a closed file is a failure, never a success.
  out.flush();
  if (!out && rc == kOk) {
    err << "ledgerwick-practice: cannot write to standard output; what was written is incomplete\n";
    return kFailed;
  }
  return rc;
}

}  // namespace lw::practice
