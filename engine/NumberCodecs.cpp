// Logical, numeric text, double, integer and money columns (ColumnCodecs.h).

#include <cmath>
#include <limits>

#include "common/Currency.h"
#include "common/NumberText.h"
#include "engine/ColumnCodecs.h"

namespace lw::engine {

namespace {

bool ParseInteger(const std::string& text, std::int64_t& value) {
  const std::string t = Trimmed(text);
  const NumberRead read = ReadInteger(t, value);
  return read.ok && read.end == t.size();
}

bool ParseDouble(const std::string& text, double& value) {
  const std::string t = Trimmed(text);
  if (t.empty()) return false;
  for (char c : t) {
    if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E')) return false;
  }
  double read = 0;
  const NumberRead outcome = ReadDouble(t, read);
  if (!outcome.ok || outcome.end != t.size() || !std::isfinite(read)) return false;
  value = read;
  return true;
}

// An exact decimal with at most four fraction digits as a count of ten-thousandths.
bool ParseMoney(const std::string& text, std::int64_t& count) {
  std::string t = Trimmed(text);
  bool negative = !t.empty() && t[0] == '-';
  std::size_t i = (!t.empty() && (t[0] == '-' || t[0] == '+')) ? 1 : 0;
  if (i >= t.size()) return false;
  __int128 whole = 0;
  int fractionDigits = 0;
  bool point = false, digits = false;
  for (; i < t.size(); ++i) {
    char c = t[i];
    if (c == '.' && !point) {
      point = true;
    } else if (c >= '0' && c <= '9') {
      digits = true;
      if (point && ++fractionDigits > 4) return false;
      whole = whole * 10 + (c - '0');
      if (whole > (static_cast<__int128>(1) << 64)) return false;
    } else {
      return false;
    }
  }
  if (!digits) return false;
  for (; fractionDigits < 4; ++fractionDigits) whole *= 10;
  if (negative) whole = -whole;
  if (whole > std::numeric_limits<std::int64_t>::max() || whole < std::numeric_limits<std::int64_t>::min() + 1) {
    return false;
  }
  count = static_cast<std::int64_t>(whole);
  return true;
}

double NumberOf(const Value& value) {
  return value.kind == Value::Kind::Real ? value.real : static_cast<double>(value.integer);
}

void PutNumericText(const ColumnDef& column, double value, std::uint8_t* dst) {
  const std::string text = FormatFixed(value, column.decimals);
  const std::uint32_t length = column.length;
  if (text.size() > length) {
    std::memset(dst, '*', length);
    return;
  }
  std::memset(dst, ' ', length - text.size());
  std::memcpy(dst + (length - text.size()), text.data(), text.size());
}

Status CheckNumber(const ColumnDef& column, const Value& value) {
  if (value.kind != Value::Kind::Real && value.kind != Value::Kind::Integer) {
    return ColumnError(ace::kValueDoesNotFit, column, "number expected");
  }
  return {};
}

Status NumberFromText(const ColumnDef& column, const std::string& text, Value& value) {
  double v;
  if (!ParseDouble(text, v)) return ColumnError(ace::kValueDoesNotFit, column, "number expected, got " + Shown(text));
  value = Value::Real(v);
  return {};
}

Status IntegerFromText(const ColumnDef& column, const std::string& text, Value& value) {
  std::int64_t v;
  if (!ParseInteger(text, v)) return ColumnError(ace::kValueDoesNotFit, column, "integer expected, got " + Shown(text));
  value = Value::Int(v);
  return {};
}

// Integer columns hold 4 bytes in the record image; the NULL marker is a value outside the type.
void PutInt32(const Value& value, std::uint8_t* dst) {
  Put<std::int32_t>(dst, static_cast<std::int32_t>(value.integer));
}
void PutStoredInt32(sqlite3_value* value, std::uint8_t* dst) {
  Put<std::int32_t>(dst, static_cast<std::int32_t>(sqlite3_value_int64(value)));
}

}  // namespace

// Shared by every column that holds an integer value (dates and times too: TimeCodec).
Status CheckIntegerValue(const ColumnDef& column, const Value& value, bool fits) {
  if (value.kind != Value::Kind::Integer) return ColumnError(ace::kValueDoesNotFit, column, "integer expected");
  if (!fits) return ColumnError(ace::kValueDoesNotFit, column, "out of range");
  return {};
}

// Logical.

void LogicalCodec::MarkNull(std::uint8_t* dst, std::uint32_t length) {
  if (length > 0) dst[0] = ' ';
}
bool LogicalCodec::FromStored(const ColumnDef&, sqlite3_value* value, std::uint8_t* dst) {
  dst[0] = sqlite3_value_int64(value) != 0 ? 'T' : 'F';
  return true;
}
Status LogicalCodec::ToValue(const ColumnDef&, const std::uint8_t* bytes, Value& value) {
  if (bytes[0] == ' ') return {};
  value = Value::Int(bytes[0] == 'T' || bytes[0] == 't' || bytes[0] == 'Y' || bytes[0] == 'y' || bytes[0] == '1');
  return {};
}
Status LogicalCodec::Check(const ColumnDef& column, const Value& value) {
  return CheckIntegerValue(column, value, value.integer == 0 || value.integer == 1);
}
Status LogicalCodec::FromValue(const ColumnDef&, const Value& value, std::uint8_t* dst) {
  dst[0] = value.integer != 0 ? 'T' : 'F';
  return {};
}
Status LogicalCodec::FromText(const ColumnDef& column, const std::string& text, Value& value) {
  std::string t = Trimmed(text);
  if (t == "T" || t == "t" || t == "Y" || t == "y" || t == "1")
    value = Value::Int(1);
  else if (t == "F" || t == "f" || t == "N" || t == "n" || t == "0")
    value = Value::Int(0);
  else
    return ColumnError(ace::kValueDoesNotFit, column, "logical T or F expected, got " + Shown(text));
  return {};
}

// Numeric text.

bool NumericCodec::FromStored(const ColumnDef& column, sqlite3_value* value, std::uint8_t* dst) {
  PutNumericText(column, sqlite3_value_double(value), dst);
  return true;
}
Status NumericCodec::ToValue(const ColumnDef& column, const std::uint8_t* bytes, Value& value) {
  if (AllZero(bytes, column.length)) return {};
  std::string text(reinterpret_cast<const char*>(bytes), column.length);
  if (Trimmed(text).empty()) return {};
  double v;
  if (!ParseDouble(text, v)) return ColumnError(ace::kValueDoesNotFit, column, "not a number");
  value = Value::Real(v);
  return {};
}
Status NumericCodec::Check(const ColumnDef& column, const Value& value) {
  LW_RETURN_IF_ERROR(CheckNumber(column, value));
  if (FormatFixed(NumberOf(value), column.decimals).size() > column.length)
    return ColumnError(ace::kValueDoesNotFit, column, "too wide");
  return {};
}
Status NumericCodec::FromValue(const ColumnDef& column, const Value& value, std::uint8_t* dst) {
  PutNumericText(column, NumberOf(value), dst);
  return {};
}
Status NumericCodec::FromText(const ColumnDef& column, const std::string& text, Value& value) {
  return NumberFromText(column, text, value);
}

// Double.

void DoubleCodec::MarkNull(std::uint8_t* dst, std::uint32_t length) {
  if (length >= 8) {
    Put<std::int32_t>(dst, 32);
    Put<std::uint32_t>(dst + 4, 0x80000000u);
  }
}
bool DoubleCodec::FromStored(const ColumnDef&, sqlite3_value* value, std::uint8_t* dst) {
  Put<double>(dst, sqlite3_value_double(value));
  return true;
}
Status DoubleCodec::ToValue(const ColumnDef& column, const std::uint8_t* bytes, Value& value) {
  if (Get<std::int32_t>(bytes) == 32 && Get<std::uint32_t>(bytes + 4) == 0x80000000u) return {};
  value = Value::Real(Get<double>(bytes));
  if (!std::isfinite(value.real)) return ColumnError(ace::kValueDoesNotFit, column, "not a finite number");
  return {};
}
Status DoubleCodec::Check(const ColumnDef& column, const Value& value) { return CheckNumber(column, value); }
Status DoubleCodec::FromValue(const ColumnDef&, const Value& value, std::uint8_t* dst) {
  Put<double>(dst, NumberOf(value));
  return {};
}
Status DoubleCodec::FromText(const ColumnDef& column, const std::string& text, Value& value) {
  return NumberFromText(column, text, value);
}

// Integer.

bool IntegerCodec::Fits(std::int64_t v) {
  return v > std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max();
}
void IntegerCodec::MarkNull(std::uint8_t* dst, std::uint32_t length) {
  if (length >= 4) Put<std::int32_t>(dst, std::numeric_limits<std::int32_t>::min());
}
bool IntegerCodec::FromStored(const ColumnDef&, sqlite3_value* value, std::uint8_t* dst) {
  PutStoredInt32(value, dst);
  return true;
}
Status IntegerCodec::ToValue(const ColumnDef&, const std::uint8_t* bytes, Value& value) {
  std::int32_t v = Get<std::int32_t>(bytes);
  if (v != std::numeric_limits<std::int32_t>::min()) value = Value::Int(v);
  return {};
}
Status IntegerCodec::Check(const ColumnDef& column, const Value& value) {
  return CheckIntegerValue(column, value, Fits(value.integer));
}
Status IntegerCodec::FromValue(const ColumnDef&, const Value& value, std::uint8_t* dst) {
  PutInt32(value, dst);
  return {};
}
Status IntegerCodec::FromText(const ColumnDef& column, const std::string& text, Value& value) {
  return IntegerFromText(column, text, value);
}

// Short integer.

bool ShortIntCodec::Fits(std::int64_t v) {
  return v > std::numeric_limits<std::int16_t>::min() && v <= std::numeric_limits<std::int16_t>::max();
}
void ShortIntCodec::MarkNull(std::uint8_t* dst, std::uint32_t length) {
  if (length >= 2) Put<std::uint16_t>(dst, 0x8000);
}
bool ShortIntCodec::FromStored(const ColumnDef&, sqlite3_value* value, std::uint8_t* dst) {
  Put<std::int16_t>(dst, static_cast<std::int16_t>(sqlite3_value_int64(value)));
  return true;
}
Status ShortIntCodec::ToValue(const ColumnDef&, const std::uint8_t* bytes, Value& value) {
  std::int16_t v = Get<std::int16_t>(bytes);
  if (static_cast<std::uint16_t>(v) != 0x8000) value = Value::Int(v);
  return {};
}
Status ShortIntCodec::Check(const ColumnDef& column, const Value& value) {
  return CheckIntegerValue(column, value, Fits(value.integer));
}
Status ShortIntCodec::FromValue(const ColumnDef&, const Value& value, std::uint8_t* dst) {
  Put<std::int16_t>(dst, static_cast<std::int16_t>(value.integer));
  return {};
}
Status ShortIntCodec::FromText(const ColumnDef& column, const std::string& text, Value& value) {
  return IntegerFromText(column, text, value);
}

// Autoincrement.

bool AutoIncCodec::Fits(std::int64_t v) { return v >= 0 && v <= std::numeric_limits<std::int32_t>::max(); }
void AutoIncCodec::MarkNull(std::uint8_t* dst, std::uint32_t length) {
  if (length >= 4) Put<std::int32_t>(dst, -1);
}
bool AutoIncCodec::FromStored(const ColumnDef&, sqlite3_value* value, std::uint8_t* dst) {
  PutStoredInt32(value, dst);
  return true;
}
Status AutoIncCodec::ToValue(const ColumnDef& column, const std::uint8_t* bytes, Value& value) {
  std::int32_t v = Get<std::int32_t>(bytes);
  if (v == -1) return {};
  // Bytes no value of the type has (a negative counter) are refused here rather than stored as
  // a value no later write could take.
  if (!Fits(v)) return ColumnError(ace::kValueDoesNotFit, column, "out of range");
  value = Value::Int(v);
  return {};
}
Status AutoIncCodec::Check(const ColumnDef& column, const Value& value) {
  return CheckIntegerValue(column, value, Fits(value.integer));
}
Status AutoIncCodec::FromValue(const ColumnDef&, const Value& value, std::uint8_t* dst) {
  PutInt32(value, dst);
  return {};
}
Status AutoIncCodec::FromText(const ColumnDef& column, const std::string& text, Value& value) {
  return IntegerFromText(column, text, value);
}

// Money.

void MoneyCodec::MarkNull(std::uint8_t* dst, std::uint32_t length) {
  if (length >= 8) Put<std::uint32_t>(dst + 4, 0x80000000u);
}
bool MoneyCodec::FromStored(const ColumnDef&, sqlite3_value* value, std::uint8_t* dst) {
  Put<std::int64_t>(dst, sqlite3_value_int64(value));
  return true;
}
Status MoneyCodec::ToValue(const ColumnDef&, const std::uint8_t* bytes, Value& value) {
  if (Get<std::uint32_t>(bytes) == 0 && Get<std::uint32_t>(bytes + 4) == 0x80000000u) return {};
  value = Value::Int(Get<std::int64_t>(bytes));
  return {};
}
Status MoneyCodec::Check(const ColumnDef& column, const Value& value) { return CheckIntegerValue(column, value, true); }
Status MoneyCodec::FromValue(const ColumnDef&, const Value& value, std::uint8_t* dst) {
  Put<std::int64_t>(dst, value.integer);
  return {};
}
Status MoneyCodec::FromText(const ColumnDef& column, const std::string& text, Value& value) {
  std::int64_t count;
  if (!ParseMoney(text, count))
    return ColumnError(ace::kValueDoesNotFit, column, "amount expected, got " + Shown(text));
  value = Value::Int(count);
  return {};
}
std::string MoneyCodec::IntegerText(std::int64_t count) { return FormatCurrency(Currency::FromCount(count)); }

}  // namespace lw::engine
