#pragma once
// Posting a payment to a charge as a practice client does, under the charge's record lock: a new
// paying MWTRN row, its MWPAX application to the charge, and the charge's paid-amount field
// raised by the amount read under the lock. The lock is taken before the first write and
// released after the last, so a fix that honours record locks sees either none of the three or
// all of them. Each write is its own engine transaction; a failure part-way leaves a charge
// whose paid amounts disagree with its applications, which is what a fix exists to correct.

#include <cstdint>
#include <string>

#include "common/Currency.h"

namespace lw {

struct PaymentPosting {
  std::int32_t chargeEntry = 0;  // the charge's "Entry Number"
  Currency amount;               // applied to the charge; the paying row records its negative
  std::string transactionType;   // of the paying row
  std::string whoPaid;
  std::string paidField;  // the charge's paid-amount column the payment raises
};

struct PostedPayment {
  std::int32_t paymentEntry = 0;  // the new paying row's "Entry Number"
  Currency paidBefore;            // the charge's field as read under the lock
  Currency paidAfter;
};

// Posts through the installed engine (lw::ace::Ace()), on a connection of its own to the
// dictionary file. Engine failures (a charge locked by another user past the engine's retry, a
// busy database) raise EADSDatabaseError with the engine's text; a charge that does not exist
// raises EDatabaseError. Nothing stays locked afterwards, whatever happened.
PostedPayment PostPayment(const std::string& dictionaryPath, const PaymentPosting& posting);

}  // namespace lw
