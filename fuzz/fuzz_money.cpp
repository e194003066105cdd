// Money conversions: Currency from double and back, overflow-checked sums, and the engine's
// money text (a money column's text form). Every result is checked against exact arithmetic.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/Currency.h"
#include "common/Exceptions.h"
#include "engine/RecordCodec.h"

namespace {

template <typename T>
T Take(const std::uint8_t*& data, std::size_t& size) {
  T value{};
  const std::size_t n = size < sizeof value ? size : sizeof value;
  std::memcpy(&value, data, n);
  data += n;
  size -= n;
  return value;
}

void CheckDouble(double value) {
  lw::Currency amount;
  try {
    amount = lw::CurrencyFromDouble(value);
  } catch (const lw::EInvalidOp&) {
    // Refused: NaN, infinities, or a product past the 64-bit range.
    if (std::isfinite(value) && std::fabs(value) < 9.2e14) std::abort();
    return;
  }
  // Within half a ten-thousandth of the value (relative slack for huge magnitudes).
  const long double exact = static_cast<long double>(value) * 10000.0L;
  const long double diff = std::fabs(exact - static_cast<long double>(amount.Count()));
  if (diff > 0.5L + std::fabs(exact) * 1e-15L) std::abort();
  // A count a double holds exactly comes back unchanged.
  if (amount.Count() > -(1LL << 53) / 10000 && amount.Count() < (1LL << 53) / 10000) {
    if (lw::CurrencyFromDouble(lw::DoubleFromCurrency(amount)) != amount) std::abort();
  }
}

void CheckSum(std::int64_t a, std::int64_t b) {
  const __int128 exact = static_cast<__int128>(a) + b;
  const bool fits = exact >= INT64_MIN && exact <= INT64_MAX;
  try {
    const lw::Currency sum = lw::Currency::FromCount(a) + lw::Currency::FromCount(b);
    if (!fits || sum.Count() != static_cast<std::int64_t>(exact)) std::abort();
  } catch (const lw::EInvalidOp&) {
    if (fits) std::abort();
  }
}

void CheckMoneyText(const std::string& text) {
  lw::engine::ColumnDef column;
  column.name = "Amount";
  column.type = lw::ace::ColumnType::kMoney;
  column.length = 8;
  lw::engine::Value value;
  if (!lw::engine::ValueFromText(column, text, value).ok() || value.IsNull()) return;
  const std::string written = lw::engine::TextFromValue(column, value);
  lw::engine::Value back;
  if (!lw::engine::ValueFromText(column, written, back).ok() || !(back == value)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t mode = Take<std::uint8_t>(data, size);
  switch (mode % 3) {
    case 0: CheckDouble(Take<double>(data, size)); break;
    case 1: {
      const auto a = Take<std::int64_t>(data, size);
      CheckSum(a, Take<std::int64_t>(data, size));
      break;
    }
    default: CheckMoneyText(std::string(reinterpret_cast<const char*>(data), size)); break;
  }
  return 0;
}
