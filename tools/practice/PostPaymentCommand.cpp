#include "tools/practice/PostPaymentCommand.h"

#include <charconv>
#include <limits>

#include "common/Exceptions.h"
#include "data/PaymentPosting.h"
#include "data/ace/AceProvider.h"
#include "pgengine/ServerEngine.h"
#include "reconcile/ChargeRules.h"
#include "tools/practice/Commands.h"

namespace lw::practice {

namespace {

int Usage(std::ostream& err, const std::string& message) {
  err << "ledgerwick-practice post-payment: " << message << "\nUsage: ledgerwick-practice " << kPostPaymentUsage
      << "\n";
  return kUsage;
}

}  // namespace

bool ParseAmount(const std::string& text, std::int64_t& count) {
  std::size_t at = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (negative) ++at;
  const std::size_t point = text.find('.', at);
  const std::string whole = text.substr(at, point == std::string::npos ? std::string::npos : point - at);
  std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
  if (whole.empty() || fraction.size() > 4 || (point != std::string::npos && fraction.empty())) return false;
  for (char c : whole + fraction) {
    if (c < '0' || c > '9') return false;
  }
  fraction.resize(4, '0');
  std::int64_t units = 0;
  auto [end, error] = std::from_chars(whole.data(), whole.data() + whole.size(), units);
  if (error != std::errc() || units > (std::numeric_limits<std::int64_t>::max() - 9999) / 10000) return false;
  count = units * 10000 + std::stoll(fraction);
  if (negative) count = -count;
  return true;
}

int PostPaymentCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string folder;
  PaymentPosting posting;
  bool haveCharge = false, haveAmount = false, haveType = false, haveWho = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--charge" || arg == "--amount" || arg == "--type" || arg == "--who") {
      if (i + 1 >= args.size()) return Usage(err, arg + " needs a value");
      const std::string& value = args[++i];
      if (arg == "--charge") {
        auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), posting.chargeEntry);
        if (error != std::errc() || end != value.data() + value.size() || posting.chargeEntry <= 0) {
          return Usage(err, "not a valid Entry Number: " + value);
        }
        haveCharge = true;
      } else if (arg == "--amount") {
        std::int64_t count = 0;
        if (!ParseAmount(value, count) || count <= 0) return Usage(err, "not a valid positive amount: " + value);
        posting.amount = Currency::FromCount(count);
        haveAmount = true;
      } else if (arg == "--type") {
        posting.transactionType = value;
        haveType = true;
      } else {
        posting.whoPaid = value;
        haveWho = true;
      }
    } else if (!arg.empty() && arg[0] == '-') {
      return Usage(err, "unknown option " + arg);
    } else if (folder.empty()) {
      folder = arg;
    } else {
      return Usage(err, "expects one folder");
    }
  }
  if (folder.empty() || !haveCharge || !haveAmount || !haveType || !haveWho) {
    return Usage(err, "expects a folder, --charge, --amount, --type and --who");
  }
  posting.paidField = std::string(PaidFieldFor(posting.transactionType, posting.whoPaid));
  if (posting.paidField.empty()) {
    return Usage(err, "a payment of Transaction Type '" + posting.transactionType + "' by Who Paid '" +
                          posting.whoPaid + "' fills no paid-amount field of a charge");
  }
  const std::string path = DictionaryIn(folder);
  auto engine = pgengine::CreatePracticeEngine();
  ace::ScopedAce installed(*engine);
  try {
    const PostedPayment posted = PostPayment(path, posting);
    out << "Posted payment " << posted.paymentEntry << " to charge " << posting.chargeEntry << ": " << posting.paidField
        << " " << FormatGeneralAmount(posted.paidBefore, '.') << " -> " << FormatGeneralAmount(posted.paidAfter, '.')
        << "\n";
    return kOk;
  } catch (const Exception& e) {
    err << "ledgerwick-practice post-payment: " << e.Message() << "\n";
    return kFailed;
  }
}

}  // namespace lw::practice
