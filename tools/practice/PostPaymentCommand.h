#pragma once
// ledgerwick-practice post-payment: posts one payment to a charge as a practice client does
// (see data/PaymentPosting.h), so anyone can make a practice busy by hand or from a script.

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace lw::practice {

inline constexpr const char* kPostPaymentUsage = "post-payment DIR --charge ENTRY --amount A --type T --who W";
inline constexpr const char* kPostPaymentHelp =
    "Posts a payment of A (a decimal amount, at most four decimals, '.' as separator) to the\n"
    "charge whose Entry Number is ENTRY, as a practice client does: under the charge's record\n"
    "lock it adds a paying MWTRN row of Transaction Type T and Who Paid W, its MWPAX application\n"
    "to the charge, and raises the charge's paid-amount field that T and W fill (Insurance 1-3,\n"
    "Guarantor, Adjustment or Attorney) by A. Fails, changing nothing, when the charge is locked\n"
    "by another user past the engine's retry.\n";

// Runs the command on its arguments (after the command name), writing what it posted to `out`
// and its messages to `err`. Returns 0 on success, 1 when the posting failed, 2 for bad usage.
int PostPaymentCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// A decimal amount ("12", "-0.5", "30.0001") as an exact count of ten-thousandths; false for any
// other text or a value outside the Currency range.
bool ParseAmount(const std::string& text, std::int64_t& count);

}  // namespace lw::practice
