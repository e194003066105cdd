#pragma once
// Column objects: one per column of an open cursor, created at open and destroyed at close.
// A column object reads its value from the record image of the cursor's current state
// (current row, edited row or key buffer) and writes assigned values into it. Look one up
// once (TAdsDataSet::FieldByName) and keep it while the cursor stays open: every read after
// that costs one engine call (the table type for the NULL test) and no name lookup.

#include <cstdint>
#include <string>

#include "common/Currency.h"
#include "data/FieldTypes.h"
#include "data/RecordImage.h"
#include "data/Variant.h"

namespace lw {

class TAdsDataSet;

class TField {
 public:
  TField(TAdsDataSet& dataSet, std::size_t columnIndex);
  TField(const TField&) = delete;
  TField& operator=(const TField&) = delete;

  const std::string& FieldName() const;
  FieldType DataType() const;
  // "TIntegerField", "TAdsStringField", ... as the column object's class is named.
  const char* ClassName() const;
  const ColumnDesc& Column() const;
  std::size_t ColumnIndex() const { return columnIndex_; }
  TAdsDataSet& DataSet() const { return dataSet_; }

  bool ReadOnly = false;
  // Case-insensitive character column (type 20).
  bool CaseInsensitive = false;
  // Money column delivering its value as currency.
  bool DeliverAsCurrency = false;

  // ---- reads: a NULL column, or a cursor without a current row, reads as empty text, 0 or the
  // zero date-time ----
  bool IsNull() const;
  // Text columns: trailing blanks removed. Other kinds: their value as text.
  std::string AsString() const;
  std::int32_t AsInteger() const;
  double AsFloat() const;
  // Float columns: CurrencyFromDouble of the double; money columns: the stored count.
  Currency AsCurrency() const;
  // Days since 30 December 1899. A date whose day count is 0 or less raises EConvertError
  // "'<D>.0' is not a valid timestamp".
  double AsDateTime() const;
  bool AsBoolean() const;
  // Null, or the value as integer, double, text, date-time, boolean or currency.
  Variant AsVariant() const;

  // ---- assignment (edit or key state; see TAdsDataSet::BeforeFieldAssign) ----
  // Converts the value to the column's kind ("Invalid value for field '<name>'" when it does
  // not convert) and writes it into the record image; Null writes the NULL image.
  void SetValue(const Variant& value);
  void SetAsFloat(double value) { SetValue(value); }
  void SetAsCurrency(Currency value) { SetValue(value); }
  void SetAsInteger(std::int32_t value) { SetValue(value); }
  void SetAsString(std::string value) { SetValue(std::move(value)); }
  void Clear() { SetValue(Variant()); }

  // Writes `value` into `record` without the state checks (key buffers).
  void WriteInto(std::uint8_t* record, const Variant& value, bool adt);

 private:
  // The record image to read, or nullptr when the column reads as NULL.
  const std::uint8_t* ValueImage() const;
  std::int64_t DayCount(const std::uint8_t* record) const;
  // The reads on a record image already NULL-tested (nullptr: the column reads as NULL).
  std::string AsStringFrom(const std::uint8_t* record) const;
  std::int32_t AsIntegerFrom(const std::uint8_t* record) const;
  double AsFloatFrom(const std::uint8_t* record) const;
  Currency AsCurrencyFrom(const std::uint8_t* record) const;
  double AsDateTimeFrom(const std::uint8_t* record) const;
  bool AsBooleanFrom(const std::uint8_t* record) const;
  [[noreturn]] void CannotAccess(const char* kind) const;
  [[noreturn]] void InvalidValue() const;

  TAdsDataSet& dataSet_;
  std::size_t columnIndex_;
};

}  // namespace lw
