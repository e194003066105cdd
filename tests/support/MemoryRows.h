#pragma once
// Practice rows held in memory, laid out as MWTRN and MWPAX rows, with the three linked
// cursors the rules read: the charge, its applications (in Charge Reference order) and each
// application's paying row. Used to exercise the rules and the search run without a database.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "reconcile/RowAccess.h"

namespace lw {

// NULL, an integer, a double (amounts, and dates as days since 30 December 1899) or text.
using MemoryValue = std::variant<std::monostate, std::int64_t, double, std::string>;
using MemoryValues = std::vector<std::pair<std::string, MemoryValue>>;

class MemoryTable {
 public:
  MemoryTable(std::string cursorName, std::vector<std::string> columns);

  std::size_t Append(const MemoryValues& values);  // columns not given are NULL
  std::size_t RowCount() const { return rows_.size(); }
  // The column's position, or fails with "<cursor>: Field '<name>' not found".
  std::size_t ColumnIndex(std::string_view name) const;
  const MemoryValue& Value(std::size_t row, std::size_t column) const { return rows_[row][column]; }
  void SetValue(std::size_t row, std::size_t column, MemoryValue value) { rows_[row][column] = std::move(value); }
  const std::string& CursorName() const { return cursorName_; }
  // Drops a column, as a live table lacking it would.
  void RemoveColumn(std::string_view name);

 private:
  std::string cursorName_;
  std::vector<std::string> columns_;
  std::vector<std::vector<MemoryValue>> rows_;
};

// Reads of the NULL-or-value cells of a MemoryTable; fails for a column the table lacks.
const MemoryValue& NullMemoryValue();
std::string MemoryText(const MemoryValue& value);
std::int32_t MemoryInteger(const MemoryValue& value);
double MemoryDouble(const MemoryValue& value);

// Reads of one row of a MemoryTable on top of any of the row-access interfaces; no row reads
// as all NULL.
template <class Interface>
class MemoryRowReaderOf : public Interface {
 public:
  explicit MemoryRowReaderOf(const MemoryTable& table) : table_(&table) {}
  void SetRow(std::optional<std::size_t> row) { row_ = row; }
  std::optional<std::size_t> Row() const { return row_; }

  std::string ReadText(std::string_view field) override { return MemoryText(Get(field)); }
  std::int32_t ReadInteger(std::string_view field) override { return MemoryInteger(Get(field)); }
  double ReadDouble(std::string_view field) override { return MemoryDouble(Get(field)); }
  double ReadDateTime(std::string_view field) override { return MemoryDouble(Get(field)); }
  bool IsNull(std::string_view field) override { return std::holds_alternative<std::monostate>(Get(field)); }

 protected:
  const MemoryValue& Get(std::string_view field) const {
    const std::size_t column = table_->ColumnIndex(field);  // fails even without a row
    return row_ ? table_->Value(*row_, column) : NullMemoryValue();
  }

 private:
  const MemoryTable* table_;
  std::optional<std::size_t> row_;
};

using MemoryRowReader = MemoryRowReaderOf<RowReader>;

class MemoryPractice;

class MemoryApplications final : public MemoryRowReaderOf<RowWalker> {
 public:
  explicit MemoryApplications(MemoryPractice& practice);
  void MoveFirst() override;
  void MoveNext() override;
  bool AtEnd() override;

 private:
  friend class MemoryPractice;
  void Follow();  // moves the paying row along
  MemoryPractice& practice_;
  std::vector<std::size_t> rows_;
  std::size_t position_ = 0;
};

class MemoryCharge final : public MemoryRowReaderOf<EditableRow> {
 public:
  explicit MemoryCharge(MemoryPractice& practice);
  void Edit() override;
  void AssignDouble(std::string_view field, double value) override;
  void Post() override;
  void Cancel() override;

  int editCount = 0;
  int postCount = 0;
  int cancelCount = 0;
  bool failNextPost = false;  // Post raises EDatabaseError and writes nothing

 private:
  MemoryPractice& practice_;
  bool editing_ = false;
  std::vector<std::pair<std::size_t, double>> pending_;
};

class MemoryPractice {
 public:
  MemoryPractice();

  // Appends an MWTRN row; "Entry Number" is assigned (one above the highest) unless given.
  std::int32_t AddTransaction(MemoryValues values);
  void AddApplication(const MemoryValues& values);

  // Moves the charge cursor to the MWTRN row with that Entry Number (or to no row), and its
  // applications and paying row along with it.
  void MoveToCharge(std::int32_t entryNumber);
  // Every Entry Number in table order, as an unfiltered transaction query yields them.
  std::vector<std::int32_t> EntryNumbers() const;

  MemoryTable& Transactions() { return transactions_; }
  MemoryTable& Applications() { return applicationsTable_; }
  MemoryCharge& Charge() { return charge_; }
  MemoryApplications& ApplicationCursor() { return applications_; }
  MemoryRowReader& PayingRow() { return payingRow_; }

  // A value of the MWTRN row with that Entry Number, for checking what a fix wrote.
  const MemoryValue& TransactionValue(std::int32_t entryNumber, std::string_view column) const;

 private:
  friend class MemoryApplications;
  friend class MemoryCharge;
  std::optional<std::size_t> FindTransaction(std::int64_t entryNumber) const;

  MemoryTable transactions_;
  MemoryTable applicationsTable_;
  MemoryCharge charge_;
  MemoryApplications applications_;
  MemoryRowReader payingRow_;
  std::int64_t chargeEntry_ = 0;  // the Entry Number the applications are scoped to
  std::int32_t nextEntry_ = 1;
};

}  // namespace lw
