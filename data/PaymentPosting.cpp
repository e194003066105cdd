#include "data/PaymentPosting.h"

#include <cstring>
#include <vector>

#include "common/Utf8.h"
#include "data/AdsErrors.h"
#include "data/PracticeComponents.h"
#include "data/ace/AceProvider.h"

namespace lw {

namespace {

using ace::ADSHANDLE;

// The posting's own connection; disconnecting closes its tables, drops any pending change and
// releases its locks, so every way out leaves the practice as the engine last committed it.
class Session {
 public:
  explicit Session(const std::string& path) : ace_(ace::Ace()) {
    CheckAce(nullptr, ace_.AdsConnect60(path.c_str(), ace::kServerLocal | ace::kServerRemote, kPracticeUserName,
                                        kPracticePassword, 0, &connection_));
  }
  ~Session() {
    if (connection_ != ace::kNoConnection) ace_.AdsDisconnect(connection_);
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  ADSHANDLE Open(const char* table) {
    ADSHANDLE handle = ace::kNoHandle;
    CheckAce(nullptr, ace_.AdsOpenTable(connection_, table, nullptr, ace::kTableAdt, ace::kCharAnsi, 1, 1, 0, &handle));
    return handle;
  }
  ace::AceApi& Ace() { return ace_; }

 private:
  ace::AceApi& ace_;
  ADSHANDLE connection_ = ace::kNoConnection;
};

// A table handle's columns by name.
class Columns {
 public:
  Columns(ace::AceApi& api, ADSHANDLE table) : api_(api), table_(table) {}

  std::uint32_t Number(const std::string& name) {
    std::uint16_t count = 0;
    CheckAce(nullptr, api_.AdsGetNumFields(table_, &count));
    for (std::uint16_t i = 1; i <= count; ++i) {
      char buffer[129];
      std::uint16_t length = sizeof buffer;
      CheckAce(nullptr, api_.AdsGetFieldName(table_, i, buffer, &length));
      if (EqualsIgnoringCase(buffer, name)) return i;
    }
    throw EDatabaseError("Field '" + name + "' not found");
  }
  void SetText(const std::string& name, const std::string& text) {
    CheckAce(nullptr, api_.AdsSetField(table_, Number(name), text.data(), static_cast<std::uint32_t>(text.size())));
  }
  void SetInteger(const std::string& name, std::int32_t value) {
    CheckAce(nullptr, api_.AdsSetFieldRaw(table_, Number(name), &value, sizeof value));
  }
  void SetAmount(const std::string& name, Currency amount) {
    const double value = DoubleFromCurrency(amount);
    CheckAce(nullptr, api_.AdsSetFieldRaw(table_, Number(name), &value, sizeof value));
  }
  std::string Text(const std::string& name) {
    char buffer[256];
    std::uint32_t length = sizeof buffer;
    CheckAce(nullptr, api_.AdsGetField(table_, Number(name), buffer, &length, ace::kTrimRight));
    return std::string(buffer, length);
  }
  // Bytes of a column in the current row's image.
  template <class T>
  T Raw(const std::string& name) {
    const std::uint32_t field = Number(name);
    std::uint32_t recordLength = 0, offset = 0;
    CheckAce(nullptr, api_.AdsGetRecordLength(table_, &recordLength));
    CheckAce(nullptr, api_.AdsGetFieldOffset(table_, field, &offset));
    std::vector<std::uint8_t> image(recordLength);
    CheckAce(nullptr, api_.AdsGetRecord(table_, image.data(), &recordLength));
    T value;
    std::memcpy(&value, image.data() + offset, sizeof value);
    return value;
  }
  Currency Amount(const std::string& name) {
    std::uint16_t empty = 0;
    CheckAce(nullptr, api_.AdsIsEmpty(table_, Number(name), &empty));
    return empty ? Currency() : CurrencyFromDouble(Raw<double>(name));
  }

 private:
  ace::AceApi& api_;
  ADSHANDLE table_;
};

// Puts the cursor on the MWTRN row of that Entry Number, through its key index; false if none.
bool FindEntry(ace::AceApi& api, ADSHANDLE table, std::uint32_t entryField, std::int32_t entry) {
  ADSHANDLE index = ace::kNoHandle;
  CheckAce(nullptr, api.AdsGetIndexHandle(table, "IDXENTRYNUMBER", &index));
  CheckAce(nullptr, api.AdsInitRawKey(index));
  CheckAce(nullptr, api.AdsSetFieldRaw(index, entryField, &entry, sizeof entry));
  std::uint8_t key[64];
  std::uint16_t length = sizeof key;
  CheckAce(nullptr, api.AdsBuildRawKey(index, key, &length));
  CheckAce(nullptr, api.AdsSetScope(index, ace::kScopeTop, key, length, ace::kRawKey));
  CheckAce(nullptr, api.AdsSetScope(index, ace::kScopeBottom, key, length, ace::kRawKey));
  CheckAce(nullptr, api.AdsGotoTop(index));
  std::uint16_t atEnd = 0;
  CheckAce(nullptr, api.AdsAtEOF(table, &atEnd));
  return atEnd == 0;
}

}  // namespace

PostedPayment PostPayment(const std::string& dictionaryPath, const PaymentPosting& posting) {
  Session session(dictionaryPath);
  ace::AceApi& api = session.Ace();
  const ADSHANDLE charges = session.Open("MWTRN");
  Columns charge(api, charges);
  if (!FindEntry(api, charges, charge.Number("Entry Number"), posting.chargeEntry)) {
    throw EDatabaseError("There is no transaction with Entry Number " + std::to_string(posting.chargeEntry) + ".");
  }
  std::uint32_t record = 0;
  CheckAce(nullptr, api.AdsGetRecordNum(charges, 0, &record));
  // Locking re-reads the row: what follows starts from the charge as stored now.
  CheckAce(nullptr, api.AdsLockRecord(charges, record));
  PostedPayment posted;
  posted.paidBefore = charge.Amount(posting.paidField);
  posted.paidAfter = posted.paidBefore + posting.amount;

  const ADSHANDLE payments = session.Open("MWTRN");
  Columns payment(api, payments);
  CheckAce(nullptr, api.AdsAppendRecord(payments));
  payment.SetText("Chart Number", charge.Text("Chart Number"));
  payment.SetInteger("Case Number", charge.Raw<std::int32_t>("Case Number"));
  payment.SetText("Transaction Type", posting.transactionType);
  payment.SetText("Who Paid", posting.whoPaid);
  payment.SetAmount("Amount", Currency() - posting.amount);
  payment.SetText("Description", "Payment");
  CheckAce(nullptr, api.AdsWriteRecord(payments));
  posted.paymentEntry = payment.Raw<std::int32_t>("Entry Number");

  const ADSHANDLE applications = session.Open("MWPAX");
  Columns application(api, applications);
  CheckAce(nullptr, api.AdsAppendRecord(applications));
  application.SetInteger("Payment Reference", posted.paymentEntry);
  application.SetInteger("Charge Reference", posting.chargeEntry);
  application.SetAmount("Payment Amount", posting.amount);
  application.SetText("Who Paid", posting.whoPaid);
  CheckAce(nullptr, api.AdsWriteRecord(applications));

  charge.SetAmount(posting.paidField, posted.paidAfter);
  CheckAce(nullptr, api.AdsWriteRecord(charges));
  CheckAce(nullptr, api.AdsUnlockRecord(charges, record));
  return posted;
}

}  // namespace lw
