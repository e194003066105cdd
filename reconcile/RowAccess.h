#pragma once
// The row access the reconciliation rules need: named field reads of a cursor's current row,
// walking a detail cursor, and editing the charge row. The table cursors provide it over the
// database; tests provide it over rows held in memory.

#include <cstdint>
#include <string>
#include <string_view>

#include "common/Currency.h"

namespace lw {

// Reads of the current row. Field names are exact column names, matched without regard to
// case. A null field (or a cursor without a current row) reads as empty text, 0, or the zero
// date-time. A field the row lacks fails with the field layer's "Field '%s' not found" error.
class RowReader {
 public:
  virtual ~RowReader() = default;
  virtual std::string ReadText(std::string_view field) = 0;  // trailing blanks removed
  virtual std::int32_t ReadInteger(std::string_view field) = 0;
  virtual double ReadDouble(std::string_view field) = 0;
  // Days since 30 December 1899, the time as the fraction.
  virtual double ReadDateTime(std::string_view field) = 0;
  virtual bool IsNull(std::string_view field) = 0;

  // The field as an amount: CurrencyFromDouble of its value, 0 when null.
  Currency ReadAmount(std::string_view field) { return CurrencyFromDouble(ReadDouble(field)); }
};

// A detail cursor walked from its first row to its end; its own details follow each move.
class RowWalker : public RowReader {
 public:
  virtual void MoveFirst() = 0;
  virtual void MoveNext() = 0;
  virtual bool AtEnd() = 0;
};

// The charge row: readable, and editable under the table's edit/post rules.
class EditableRow : public RowReader {
 public:
  virtual void Edit() = 0;
  virtual void AssignDouble(std::string_view field, double value) = 0;
  virtual void Post() = 0;
  // Drops the assignments and leaves edit state, releasing the row's lock.
  virtual void Cancel() = 0;
};

}  // namespace lw
