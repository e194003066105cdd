#include "data/Fields.h"

#include <cmath>
#include <limits>

#include "common/Currency.h"
#include "common/Exceptions.h"
#include "common/NumberText.h"
#include "data/AdsDataSet.h"

namespace lw {

namespace {

namespace C = ace::ColumnType;

// The whole text must be the number; trailing blanks may follow it.
bool WholeNumber(const std::string& text, NumberRead read) {
  return read.ok && text.find_first_not_of(' ', read.end) == std::string::npos;
}

bool ParseDouble(const std::string& text, double& out) { return WholeNumber(text, ReadDouble(text, out)); }

bool ParseInteger(const std::string& text, std::int64_t& out) { return WholeNumber(text, ReadInteger(text, out)); }

std::string FormatDouble(double value) { return FormatGeneral(value, 15); }

[[noreturn]] void InvalidTimestamp(std::int64_t days) {
  throw EConvertError("'" + std::to_string(days) + ".0' is not a valid timestamp");
}

// A value converted to the kinds a column can take; each is filled only when it converts.
bool DoubleOf(const Variant& value, double& out) {
  if (auto* d = std::get_if<double>(&value)) return out = *d, true;
  if (auto* c = std::get_if<Currency>(&value)) return out = DoubleFromCurrency(*c), true;
  if (auto* i = std::get_if<std::int32_t>(&value)) return out = *i, true;
  if (auto* l = std::get_if<std::int64_t>(&value)) return out = static_cast<double>(*l), true;
  if (auto* t = std::get_if<DateTimeValue>(&value)) return out = t->days, true;
  if (auto* b = std::get_if<bool>(&value)) return out = *b ? -1 : 0, true;
  if (auto* s = std::get_if<std::string>(&value)) return ParseDouble(*s, out);
  return false;
}

bool IntegerOf(const Variant& value, std::int64_t& out) {
  if (auto* i = std::get_if<std::int32_t>(&value)) return out = *i, true;
  if (auto* l = std::get_if<std::int64_t>(&value)) return out = *l, true;
  if (auto* s = std::get_if<std::string>(&value)) return ParseInteger(*s, out);
  if (auto* c = std::get_if<Currency>(&value)) {
    out = static_cast<std::int64_t>(std::nearbyint(DoubleFromCurrency(*c)));
    return true;
  }
  double d = 0;
  if (!DoubleOf(value, d) || !std::isfinite(d)) return false;
  d = std::nearbyint(d);
  if (d < -9.2e18 || d > 9.2e18) return false;
  out = static_cast<std::int64_t>(d);
  return true;
}

std::string TextOf(const Variant& value) {
  if (auto* s = std::get_if<std::string>(&value)) return *s;
  if (auto* i = std::get_if<std::int32_t>(&value)) return std::to_string(*i);
  if (auto* l = std::get_if<std::int64_t>(&value)) return std::to_string(*l);
  if (auto* c = std::get_if<Currency>(&value)) return FormatCurrency(*c);
  if (auto* b = std::get_if<bool>(&value)) return *b ? "True" : "False";
  double d = 0;
  DoubleOf(value, d);
  return FormatDouble(d);
}

bool FlagOf(const Variant& value, bool& flag) {
  if (auto* b = std::get_if<bool>(&value)) {
    flag = *b;
    return true;
  }
  if (auto* s = std::get_if<std::string>(&value)) {
    if (*s == "T" || *s == "True" || *s == "TRUE" || *s == "Y" || *s == "1") return flag = true, true;
    if (*s == "F" || *s == "False" || *s == "FALSE" || *s == "N" || *s == "0") return flag = false, true;
    return false;
  }
  std::int64_t i = 0;
  if (!IntegerOf(value, i)) return false;
  flag = i != 0;
  return true;
}

// In ten-thousandths, as money is stored.
bool MoneyCountOf(const Variant& value, std::int64_t& count) {
  if (auto* c = std::get_if<Currency>(&value)) {
    count = c->Count();
    return true;
  }
  if (auto* i = std::get_if<std::int32_t>(&value)) {
    count = std::int64_t{*i} * 10000;
    return true;
  }
  double d = 0;
  if (!DoubleOf(value, d) || !std::isfinite(d)) return false;
  count = CurrencyFromDouble(d).Count();
  return true;
}

}  // namespace

TField::TField(TAdsDataSet& dataSet, std::size_t columnIndex) : dataSet_(dataSet), columnIndex_(columnIndex) {
  const ColumnDesc& column = Column();
  CaseInsensitive = ace::IsCaseInsensitiveText(column.typeCode);
  DeliverAsCurrency = column.typeCode == C::kMoney;
}

const ColumnDesc& TField::Column() const { return dataSet_.columns_[columnIndex_]; }
const std::string& TField::FieldName() const { return Column().name; }
FieldType TField::DataType() const { return Column().fieldType.type; }

const char* TField::ClassName() const {
  switch (DataType()) {
    case FieldType::ftString: return "TAdsStringField";
    case FieldType::ftInteger: return "TIntegerField";
    case FieldType::ftAutoInc: return "TAutoIncField";
    case FieldType::ftSmallint: return "TSmallintField";
    case FieldType::ftFloat: return "TFloatField";
    case FieldType::ftCurrency: return "TCurrencyField";
    case FieldType::ftBCD: return "TAdsBCDField";
    case FieldType::ftDate: return "TDateField";
    case FieldType::ftTime: return "TTimeField";
    case FieldType::ftDateTime: return "TDateTimeField";
    case FieldType::ftBoolean: return "TBooleanField";
    case FieldType::ftMemo: return "TMemoField";
    case FieldType::ftBlob: return "TBlobField";
    case FieldType::ftBytes: return "TBytesField";
  }
  return "TField";
}

const std::uint8_t* TField::ValueImage() const {
  const std::uint8_t* record = dataSet_.ReadImage();
  if (record == nullptr) return nullptr;
  if (image::IsNull(Column(), record, dataSet_.IsAdtTable())) return nullptr;
  return record;
}

bool TField::IsNull() const { return ValueImage() == nullptr; }

void TField::CannotAccess(const char* kind) const {
  throw EDatabaseError("Cannot access field '" + FieldName() + "' as type " + kind);
}

void TField::InvalidValue() const { throw EDatabaseError("Invalid value for field '" + FieldName() + "'"); }

std::int64_t TField::DayCount(const std::uint8_t* record) const {
  return image::DayCount(Column(), record, dataSet_.Dates());
}

std::string TField::AsString() const { return AsStringFrom(ValueImage()); }

std::string TField::AsStringFrom(const std::uint8_t* record) const {
  if (record == nullptr) return {};
  const ColumnDesc& column = Column();
  switch (column.typeCode) {
    case C::kString:
    case C::kCIString: return image::Text(column, record);
    case C::kRaw: return std::string(reinterpret_cast<const char*>(record + column.offset), column.length);
    case C::kLogical: return image::Logical(column, record) ? "True" : "False";
    case C::kInteger:
    case C::kAutoInc:
    case C::kShortInt: return std::to_string(AsIntegerFrom(record));
    case C::kMoney: return FormatCurrency(Currency::FromCount(image::LoadInt64(record + column.offset)));
    case C::kNumeric:
      if (DataType() == FieldType::ftSmallint) return std::to_string(AsIntegerFrom(record));
      return FormatDouble(AsFloatFrom(record));
    case C::kDouble:
    case C::kCurDouble: return FormatDouble(AsFloatFrom(record));
    case C::kDate:
    case C::kCompactDate:
    case C::kTime:
    case C::kTimestamp: return FormatDouble(AsDateTimeFrom(record));
    default: return {};
  }
}

std::int32_t TField::AsInteger() const { return AsIntegerFrom(ValueImage()); }

std::int32_t TField::AsIntegerFrom(const std::uint8_t* record) const {
  if (record == nullptr) return 0;
  const ColumnDesc& column = Column();
  const std::uint8_t* p = record + column.offset;
  switch (column.typeCode) {
    case C::kInteger:
    case C::kAutoInc: return image::LoadInt32(p);
    case C::kShortInt: return image::LoadInt16(p);
    case C::kNumeric:
      if (DataType() == FieldType::ftSmallint) return image::NumericAsInteger(column, record);
      [[fallthrough]];
    case C::kDouble:
    case C::kCurDouble: {
      const double value = std::nearbyint(AsFloatFrom(record));
      if (!(value >= INT32_MIN && value <= INT32_MAX)) throw EInvalidOp();
      return static_cast<std::int32_t>(value);
    }
    case C::kLogical: return image::Logical(column, record) ? 1 : 0;
    case C::kString:
    case C::kCIString: {
      std::int64_t value = 0;
      const std::string text = image::Text(column, record);
      if (!ParseInteger(text, value) || value < INT32_MIN || value > INT32_MAX) {
        throw EConvertError("'" + text + "' is not a valid integer value");
      }
      return static_cast<std::int32_t>(value);
    }
    default: CannotAccess("Integer");
  }
}

double TField::AsFloat() const { return AsFloatFrom(ValueImage()); }

double TField::AsFloatFrom(const std::uint8_t* record) const {
  if (record == nullptr) return 0;
  const ColumnDesc& column = Column();
  const std::uint8_t* p = record + column.offset;
  switch (column.typeCode) {
    case C::kDouble:
    case C::kCurDouble: return image::LoadDouble(p);
    case C::kNumeric: return image::NumericAsDouble(column, record);
    case C::kInteger:
    case C::kAutoInc: return image::LoadInt32(p);
    case C::kShortInt: return image::LoadInt16(p);
    case C::kMoney: return DoubleFromCurrency(Currency::FromCount(image::LoadInt64(p)));
    case C::kDate:
    case C::kCompactDate:
    case C::kTime:
    case C::kTimestamp: return AsDateTimeFrom(record);
    case C::kString:
    case C::kCIString: {
      double value = 0;
      const std::string text = image::Text(column, record);
      if (!ParseDouble(text, value)) throw EConvertError("'" + text + "' is not a valid floating point value");
      return value;
    }
    default: CannotAccess("Float");
  }
}

Currency TField::AsCurrency() const { return AsCurrencyFrom(ValueImage()); }

Currency TField::AsCurrencyFrom(const std::uint8_t* record) const {
  if (record == nullptr) return Currency();
  const ColumnDesc& column = Column();
  switch (column.typeCode) {
    case C::kMoney: return Currency::FromCount(image::LoadInt64(record + column.offset));
    case C::kInteger:
    case C::kAutoInc:
    case C::kShortInt: return Currency::FromCount(std::int64_t{AsIntegerFrom(record)} * 10000);
    default: return CurrencyFromDouble(AsFloatFrom(record));
  }
}

double TField::AsDateTime() const { return AsDateTimeFrom(ValueImage()); }

double TField::AsDateTimeFrom(const std::uint8_t* record) const {
  if (record == nullptr) return 0;
  const ColumnDesc& column = Column();
  switch (column.typeCode) {
    case C::kDate:
    case C::kCompactDate: {
      const std::int64_t days = DayCount(record);
      if (days <= 0) InvalidTimestamp(days);
      return static_cast<double>(days - kDateTimeDayOffset);
    }
    case C::kTimestamp: {
      const double ms = std::nearbyint(image::TimestampMilliseconds(column, record));
      const double days = std::floor(ms / kMillisecondsPerDay);
      const double rest = ms - days * kMillisecondsPerDay;
      if (days <= 0) InvalidTimestamp(static_cast<std::int64_t>(days));
      return days - kDateTimeDayOffset + rest / kMillisecondsPerDay;
    }
    case C::kTime: return image::LoadInt32(record + column.offset) / kMillisecondsPerDay;
    default: CannotAccess("DateTime");
  }
}

bool TField::AsBoolean() const { return AsBooleanFrom(ValueImage()); }

bool TField::AsBooleanFrom(const std::uint8_t* record) const {
  if (record == nullptr) return false;
  if (Column().typeCode == C::kLogical) return image::Logical(Column(), record);
  return AsIntegerFrom(record) != 0;
}

Variant TField::AsVariant() const {
  const std::uint8_t* record = ValueImage();
  if (record == nullptr) return Variant();
  switch (DataType()) {
    case FieldType::ftString:
    case FieldType::ftBytes: return AsStringFrom(record);
    case FieldType::ftInteger:
    case FieldType::ftAutoInc:
    case FieldType::ftSmallint: return AsIntegerFrom(record);
    case FieldType::ftFloat:
    case FieldType::ftCurrency: return AsFloatFrom(record);
    case FieldType::ftBCD: return AsCurrencyFrom(record);
    case FieldType::ftDate:
    case FieldType::ftTime:
    case FieldType::ftDateTime: return DateTimeValue{AsDateTimeFrom(record)};
    case FieldType::ftBoolean: return AsBooleanFrom(record);
    case FieldType::ftMemo:
    case FieldType::ftBlob: return Variant();
  }
  return Variant();
}

void TField::SetValue(const Variant& value) {
  dataSet_.BeforeFieldAssign(*this);
  WriteInto(dataSet_.WriteImage(), value, dataSet_.IsAdtTable());
  dataSet_.AfterFieldAssign(*this);
}

void TField::WriteInto(std::uint8_t* record, const Variant& value, bool adt) {
  const ColumnDesc& column = Column();
  if (VariantIsNull(value)) {
    image::WriteNull(column, record, adt);
    return;
  }
  std::uint8_t* p = record + column.offset;
  switch (column.typeCode) {
    case C::kLogical: {
      bool flag = false;
      if (!FlagOf(value, flag)) InvalidValue();
      image::WriteLogical(column, record, flag);
      return;
    }
    case C::kNumeric: {
      double d = 0;
      if (!DoubleOf(value, d)) InvalidValue();
      image::WriteNumeric(column, record, d);
      return;
    }
    case C::kDate:
    case C::kCompactDate: {
      double d = 0;
      if (!DoubleOf(value, d) || !std::isfinite(d)) InvalidValue();
      image::WriteDayCount(column, record, static_cast<std::int64_t>(std::trunc(d)) + kDateTimeDayOffset,
                           dataSet_.Dates());
      return;
    }
    case C::kString:
    case C::kCIString: image::WriteText(column, record, TextOf(value), adt); return;
    case C::kRaw: image::WriteBytes(column, record, TextOf(value)); return;
    case C::kDouble:
    case C::kCurDouble: {
      double d = 0;
      if (!DoubleOf(value, d)) InvalidValue();
      image::StoreDouble(p, d);
      return;
    }
    case C::kInteger:
    case C::kAutoInc: {
      std::int64_t i = 0;
      if (!IntegerOf(value, i) || i < INT32_MIN || i > INT32_MAX) InvalidValue();
      image::StoreInt32(p, static_cast<std::int32_t>(i));
      return;
    }
    case C::kShortInt: {
      std::int64_t i = 0;
      if (!IntegerOf(value, i) || i < INT16_MIN || i > INT16_MAX) InvalidValue();
      image::StoreInt16(p, static_cast<std::int16_t>(i));
      return;
    }
    case C::kTime: {
      double d = 0;
      if (!DoubleOf(value, d) || !std::isfinite(d)) InvalidValue();
      const double fraction = d - std::floor(d);
      image::StoreInt32(p, static_cast<std::int32_t>(std::nearbyint(fraction * kMillisecondsPerDay)));
      return;
    }
    case C::kTimestamp: {
      double d = 0;
      if (!DoubleOf(value, d) || !std::isfinite(d)) InvalidValue();
      image::WriteTimestamp(column, record, (d + kDateTimeDayOffset) * kMillisecondsPerDay);
      return;
    }
    case C::kMoney: {
      std::int64_t count = 0;
      if (!MoneyCountOf(value, count)) InvalidValue();
      image::StoreInt64(p, count);
      return;
    }
    default: InvalidValue();
  }
}

}  // namespace lw
