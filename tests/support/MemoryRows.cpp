#include "tests/support/MemoryRows.h"

#include <algorithm>
#include <cmath>

#include "common/Exceptions.h"
#include "common/Utf8.h"
#include "data/TableLayouts.h"

namespace lw {

namespace {

std::vector<std::string> ColumnNames(const TableLayout& layout) {
  std::vector<std::string> names;
  for (const auto& column : layout.columns) names.push_back(column.name);
  return names;
}

bool SameName(std::string_view a, std::string_view b) { return EqualsIgnoringCase(a, b); }

}  // namespace

const MemoryValue& NullMemoryValue() {
  static const MemoryValue null;
  return null;
}

std::string MemoryText(const MemoryValue& value) {
  std::string text;
  if (const auto* s = std::get_if<std::string>(&value))
    text = *s;
  else if (const auto* i = std::get_if<std::int64_t>(&value))
    text = std::to_string(*i);
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

std::int32_t MemoryInteger(const MemoryValue& value) {
  if (const auto* i = std::get_if<std::int64_t>(&value)) return static_cast<std::int32_t>(*i);
  if (const auto* d = std::get_if<double>(&value)) return static_cast<std::int32_t>(std::trunc(*d));
  return 0;
}

double MemoryDouble(const MemoryValue& value) {
  if (const auto* d = std::get_if<double>(&value)) return *d;
  if (const auto* i = std::get_if<std::int64_t>(&value)) return static_cast<double>(*i);
  return 0.0;
}

MemoryTable::MemoryTable(std::string cursorName, std::vector<std::string> columns)
    : cursorName_(std::move(cursorName)), columns_(std::move(columns)) {}

std::size_t MemoryTable::Append(const MemoryValues& values) {
  std::vector<MemoryValue> row(columns_.size());
  for (const auto& [name, value] : values) row[ColumnIndex(name)] = value;
  rows_.push_back(std::move(row));
  return rows_.size() - 1;
}

std::size_t MemoryTable::ColumnIndex(std::string_view name) const {
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (SameName(columns_[i], name)) return i;
  }
  throw EDatabaseError(cursorName_ + ": Field '" + std::string(name) + "' not found");
}

void MemoryTable::RemoveColumn(std::string_view name) {
  const std::size_t column = ColumnIndex(name);
  columns_.erase(columns_.begin() + static_cast<std::ptrdiff_t>(column));
  for (auto& row : rows_) row.erase(row.begin() + static_cast<std::ptrdiff_t>(column));
}

MemoryApplications::MemoryApplications(MemoryPractice& practice)
    : MemoryRowReaderOf<RowWalker>(practice.applicationsTable_), practice_(practice) {}

void MemoryApplications::MoveFirst() {
  // As a scoped table cursor does, the first move reads the charge's applications as they
  // stand now.
  rows_.clear();
  const auto& table = practice_.applicationsTable_;
  const std::size_t reference = table.ColumnIndex("Charge Reference");
  for (std::size_t row = 0; row < table.RowCount(); ++row) {
    const auto* id = std::get_if<std::int64_t>(&table.Value(row, reference));
    if (id && *id == practice_.chargeEntry_) rows_.push_back(row);
  }
  position_ = 0;
  Follow();
}

void MemoryApplications::MoveNext() {
  if (position_ < rows_.size()) ++position_;
  Follow();
}

bool MemoryApplications::AtEnd() { return position_ >= rows_.size(); }

void MemoryApplications::Follow() {
  if (position_ >= rows_.size()) {
    // Past the end the cursor stays on its last row, as a table cursor does.
    SetRow(rows_.empty() ? std::nullopt : std::optional<std::size_t>(rows_.back()));
  } else {
    SetRow(rows_[position_]);
  }
  std::optional<std::size_t> paying;
  if (Row()) {
    const auto& table = practice_.applicationsTable_;
    const MemoryValue& reference = table.Value(*Row(), table.ColumnIndex("Payment Reference"));
    if (const auto* id = std::get_if<std::int64_t>(&reference)) paying = practice_.FindTransaction(*id);
  }
  practice_.payingRow_.SetRow(paying);
}

MemoryCharge::MemoryCharge(MemoryPractice& practice)
    : MemoryRowReaderOf<EditableRow>(practice.transactions_), practice_(practice) {}

void MemoryCharge::Edit() {
  ++editCount;
  editing_ = true;
  pending_.clear();
}

void MemoryCharge::AssignDouble(std::string_view field, double value) {
  if (!editing_) throw EDatabaseError(practice_.transactions_.CursorName() + ": Dataset not in edit or insert mode");
  pending_.emplace_back(practice_.transactions_.ColumnIndex(field), value);
}

void MemoryCharge::Post() {
  ++postCount;
  if (failNextPost) {
    failNextPost = false;
    throw EDatabaseError(practice_.transactions_.CursorName() + ": the record is locked by another user");
  }
  if (Row()) {
    for (const auto& [column, value] : pending_) practice_.transactions_.SetValue(*Row(), column, value);
  }
  pending_.clear();
  editing_ = false;
}

void MemoryCharge::Cancel() {
  ++cancelCount;
  pending_.clear();
  editing_ = false;
}

MemoryPractice::MemoryPractice()
    : transactions_("tblChg", ColumnNames(MwtrnLayout())),
      applicationsTable_("tblPax", ColumnNames(MwpaxLayout())),
      charge_(*this),
      applications_(*this),
      payingRow_(transactions_) {}

std::int32_t MemoryPractice::AddTransaction(MemoryValues values) {
  std::int32_t entry = nextEntry_;
  auto given =
      std::find_if(values.begin(), values.end(), [](const auto& v) { return SameName(v.first, "Entry Number"); });
  if (given != values.end()) {
    entry = MemoryInteger(given->second);
  } else {
    values.emplace_back("Entry Number", std::int64_t{entry});
  }
  nextEntry_ = std::max(nextEntry_, entry + 1);
  transactions_.Append(values);
  return entry;
}

void MemoryPractice::AddApplication(const MemoryValues& values) { applicationsTable_.Append(values); }

std::optional<std::size_t> MemoryPractice::FindTransaction(std::int64_t entryNumber) const {
  const std::size_t column = transactions_.ColumnIndex("Entry Number");
  for (std::size_t row = 0; row < transactions_.RowCount(); ++row) {
    if (const auto* id = std::get_if<std::int64_t>(&transactions_.Value(row, column)); id && *id == entryNumber) {
      return row;
    }
  }
  return std::nullopt;
}

void MemoryPractice::MoveToCharge(std::int32_t entryNumber) {
  charge_.SetRow(FindTransaction(entryNumber));
  chargeEntry_ = entryNumber;
  applications_.MoveFirst();
}

std::vector<std::int32_t> MemoryPractice::EntryNumbers() const {
  std::vector<std::int32_t> entries;
  const std::size_t column = transactions_.ColumnIndex("Entry Number");
  for (std::size_t row = 0; row < transactions_.RowCount(); ++row) {
    entries.push_back(MemoryInteger(transactions_.Value(row, column)));
  }
  return entries;
}

const MemoryValue& MemoryPractice::TransactionValue(std::int32_t entryNumber, std::string_view column) const {
  const auto row = FindTransaction(entryNumber);
  if (!row) return NullMemoryValue();
  return transactions_.Value(*row, transactions_.ColumnIndex(column));
}

}  // namespace lw
