#include "pgengine/Cursor.h"

#include <cstring>

#include "data/ace/AceApi.h"
#include "engine/Checksum.h"
#include "engine/IndexKeys.h"
#include "engine/RowEdits.h"
#include "pgengine/KeyOrder.h"
#include "pgengine/RowWriter.h"
#include "pgengine/StoredForm.h"

namespace lw::pgengine {

using engine::ColumnDef;
using engine::ColumnError;

namespace {

// The first batch reads a few rows (a scoped look-up seldom has more, and knowing the range
// ends saves the next round trip); later batches grow fourfold up to the cap.
constexpr int kFirstBatch = 8;
constexpr int kBatchCap = 1000;

std::string Placeholder(std::vector<Param>& params, Param value) {
  params.push_back(std::move(value));
  return "$" + std::to_string(params.size());
}

}  // namespace

Cursor::Cursor(Connection& connection, std::shared_ptr<const TableDef> table, std::uint32_t options, bool temporary)
    : connection_(connection), table_(std::move(table)), options_(options), temporary_(temporary) {
  const TableDef& t = *table_;
  rowList_ = "lw_rowid";
  for (const ColumnDef& column : t.columns) rowList_ += ", " + column.sqlName;
  nullImage_.assign(t.recordLength, 0);
  for (const ColumnDef& column : t.columns) engine::WriteNullImage(column, nullImage_.data());
  image_ = nullImage_;
}

Cursor::~Cursor() {
  for (std::int64_t record : locks_) connection_.Unlock(table_->tableNumber, record);
  if (temporary_) (void)Run(connection_.pg(), "DROP TABLE IF EXISTS " + table_->sqlName);
}

void Cursor::AddScope(int order, const Scope* scope, std::string& where, std::vector<Param>& params) const {
  if (scope == nullptr) return;
  const std::vector<int>& segments = table_->indexes[order].segments;
  // A bound as key expressions and their values.
  auto terms = [&](const std::vector<Value>& key, std::vector<std::string>& expressions, std::vector<Param>& values) {
    for (std::size_t s = 0; s < key.size(); ++s) {
      const ColumnDef& column = table_->columns[segments[s]];
      for (std::string& e : KeyExpressions(column)) expressions.push_back(std::move(e));
      for (Param& v : KeyParams(column, key[s])) values.push_back(std::move(v));
    }
  };
  std::vector<std::string> top, bottom;
  std::vector<Param> topValues, bottomValues;
  if (scope->hasTop) terms(scope->top, top, topValues);
  if (scope->hasBottom) terms(scope->bottom, bottom, bottomValues);
  // Where both bounds agree (a link's scope agrees throughout) the rows between them hold those
  // values: said as equalities, the server's index finds them directly, where a row comparison
  // as upper bound only stops the index walk on its first expression and reads on to the end.
  std::size_t same = 0;
  if (scope->hasTop && scope->hasBottom) {
    while (same < top.size() && same < bottom.size() && topValues[same] && topValues[same] == bottomValues[same]) {
      where += " AND " + top[same] + " = " + Placeholder(params, topValues[same]);
      ++same;
    }
  }
  auto bound = [&](const std::vector<std::string>& expressions, const std::vector<Param>& values, const char* op) {
    if (expressions.size() <= same) return;
    std::string left, right;
    for (std::size_t k = same; k < expressions.size(); ++k) {
      left += (left.empty() ? "" : ", ") + expressions[k];
      right += (right.empty() ? "" : ", ") + Placeholder(params, values[k]);
    }
    where += " AND (" + left + ") " + op + " (" + right + ")";
  };
  if (scope->hasTop) bound(top, topValues, ">=");
  if (scope->hasBottom) bound(bottom, bottomValues, "<=");
}

Status Cursor::Query(const std::string& sql, const std::vector<Param>& params, std::vector<Row>& rows) {
  Result result;
  // A practice table's reads repeat with other values; a static result's are few.
  LW_RETURN_IF_ERROR(temporary_ ? Run(connection_.pg(), sql, params, result)
                                : connection_.RunPrepared(sql, params, result));
  rows.resize(result.Rows());
  const TableDef& t = *table_;
  for (int r = 0; r < result.Rows(); ++r) {
    rows[r].rowid = result.Int(r, 0);
    rows[r].values.resize(t.columns.size());
    for (std::size_t c = 0; c < t.columns.size(); ++c) {
      AssignValueOf(result, r, static_cast<int>(c + 1), t.columns[c].storage, rows[r].values[c]);
    }
  }
  return {};
}

std::string Cursor::OrderBy(int order, int direction) const {
  std::vector<std::string> keys;
  if (order != kNaturalOrder) {
    for (int column : table_->indexes[order].segments) {
      for (std::string& e : KeyExpressions(table_->columns[column])) keys.push_back(std::move(e));
    }
  }
  keys.push_back("lw_rowid");
  std::string list;
  for (const std::string& key : keys) list += (list.empty() ? "" : ", ") + key + (direction > 0 ? "" : " DESC");
  return list;
}

Status Cursor::FetchBatch(int order, int direction, const Row* from, int limit) {
  const TableDef& t = *table_;
  std::vector<Param> params;
  std::string where = " WHERE true";
  AddScope(order, ScopeOf(order), where, params);
  if (from != nullptr) {
    std::string values;
    if (order != kNaturalOrder) {
      for (int column : t.indexes[order].segments) {
        for (Param& p : KeyParams(t.columns[column], from->values[column])) values += Placeholder(params, p) + ", ";
      }
    }
    values += Placeholder(params, std::to_string(from->rowid));
    std::string keys = order == kNaturalOrder ? "lw_rowid" : IndexKeyList(t, t.indexes[order]);
    where += " AND (" + keys + ") " + (direction > 0 ? "> (" : "< (") + values + ")";
  }
  std::string sql = "SELECT " + rowList_ + " FROM " + t.sqlName + where + " ORDER BY " + OrderBy(order, direction) +
                    " LIMIT " + std::to_string(limit);
  LW_RETURN_IF_ERROR(Query(sql, params, batch_));
  batchComplete_ = static_cast<int>(batch_.size()) < limit;
  TakeBatch(order, direction, connection_.Generation(), std::chrono::steady_clock::now());
  nextLimit_ = std::min(limit * 4, kBatchCap);
  return {};
}

void Cursor::TakeBatch(int order, int direction, std::uint64_t generation,
                       std::chrono::steady_clock::time_point readAt) {
  batchAt_ = 0;
  batchOrder_ = order;
  batchDirection_ = direction;
  batchGeneration_ = generation;
  batchScopeVersion_ = ScopeVersion(order);
  batchTime_ = readAt;
}

bool Cursor::ScopeKey(int order, std::vector<Value>& key) const {
  const Scope* scope = ScopeOf(order);
  if (scope == nullptr || !scope->hasTop || !scope->hasBottom || scope->top.size() != scope->bottom.size()) {
    return false;
  }
  const std::vector<int>& segments = table_->indexes[order].segments;
  for (std::size_t s = 0; s < scope->top.size(); ++s) {
    const ColumnDef& column = table_->columns[segments[s]];
    // The bounds agree as the server compares them (AddScope).
    if (KeyParams(column, scope->top[s]) != KeyParams(column, scope->bottom[s])) return false;
  }
  key = scope->top;
  return true;
}

Status Cursor::FirstBatch(int order, int direction) {
  std::vector<Value> key;
  if (direction > 0 && !temporary_ && ScopeKey(order, key)) {
    connection_.Poll();
    KeyBlocks::Lookup lookup =
        connection_.Blocks().Find(*table_, order, key, connection_.Generation(), std::chrono::steady_clock::now());
    if (lookup.found) {
      batch_ = std::move(lookup.rows);
      batchComplete_ = true;
      TakeBatch(order, direction, lookup.generation, lookup.readAt);
      nextLimit_ = kFirstBatch * 4;
      return {};
    }
    if (lookup.readAhead > 0) return FetchAhead(order, std::move(key), lookup.readAhead);
  }
  batchComplete_ = false;
  return FetchBatch(order, direction, nullptr, kFirstBatch);
}

Status Cursor::FetchAhead(int order, std::vector<Value> key, int limit) {
  const TableDef& t = *table_;
  const IndexDef& index = t.indexes[order];
  std::vector<Param> params;
  std::string left, right;
  for (std::size_t s = 0; s < key.size(); ++s) {
    const ColumnDef& column = t.columns[index.segments[s]];
    for (std::string& e : KeyExpressions(column)) left += (left.empty() ? "" : ", ") + e;
    for (Param& p : KeyParams(column, key[s])) right += (right.empty() ? "" : ", ") + Placeholder(params, p);
  }
  std::string sql = "SELECT " + rowList_ + " FROM " + t.sqlName + " WHERE (" + left + ") >= (" + right + ") ORDER BY " +
                    OrderBy(order, 1) + " LIMIT " + std::to_string(limit);
  std::vector<Row> rows;
  LW_RETURN_IF_ERROR(Query(sql, params, rows));
  const auto readAt = std::chrono::steady_clock::now();
  const std::uint64_t generation = connection_.Generation();
  // The key's own rows come first; the rest belong to the keys after it.
  std::size_t own = 0;
  while (own < rows.size() && CompareRowKey(t, index, key.size(), rows[own].values, key) == 0) ++own;
  batch_.assign(rows.begin(), rows.begin() + static_cast<std::ptrdiff_t>(own));
  batchComplete_ = own < rows.size() || static_cast<int>(rows.size()) < limit;
  TakeBatch(order, 1, generation, readAt);
  nextLimit_ = kFirstBatch * 4;
  connection_.Blocks().Keep(t, order, std::move(key), std::move(rows), limit, generation, readAt);
  return {};
}

bool Cursor::BatchUsable(int order, int direction) {
  if (batch_.empty() && !batchComplete_) return false;
  if (batchOrder_ != order || batchDirection_ != direction || batchScopeVersion_ != ScopeVersion(order)) return false;
  if (temporary_) return true;
  connection_.Poll();
  return batchGeneration_ == connection_.Generation() && std::chrono::steady_clock::now() - batchTime_ < kReadLifetime;
}

Status Cursor::StepOnce(int order, int direction) {
  if (position_ == Position::Eof && direction > 0) {
    atEof_ = true;
    return {};
  }
  if (position_ == Position::Bof && direction < 0) {
    atBof_ = true;
    return {};
  }
  bool fromEnd = position_ != Position::Row;
  if (fromEnd) {
    LW_RETURN_IF_ERROR(FirstBatch(order, direction));
  } else if (!BatchUsable(order, direction)) {
    if (stale_) LW_RETURN_IF_ERROR(Refetch());
    if (position_ != Position::Row) return StepOnce(order, direction);
    batchComplete_ = false;
    LW_RETURN_IF_ERROR(FetchBatch(order, direction, &row_, kFirstBatch));
  } else if (batchAt_ >= batch_.size() && !batchComplete_) {
    LW_RETURN_IF_ERROR(FetchBatch(order, direction, &row_, nextLimit_));
  }
  if (batchAt_ < batch_.size()) {
    std::swap(row_, batch_[batchAt_++]);
    position_ = Position::Row;
    atBof_ = atEof_ = false;
    stale_ = false;
    imageReady_ = false;
    visibleKnown_ = true;
    visibleOrder_ = order;
    visibleScopeVersion_ = ScopeVersion(order);
    return {};
  }
  position_ = direction > 0 ? Position::Eof : Position::Bof;
  atEof_ = direction > 0;
  atBof_ = direction < 0;
  imageReady_ = false;
  visibleKnown_ = false;
  return {};
}

Status Cursor::Refetch() {
  std::vector<Row> rows;
  LW_RETURN_IF_ERROR(Query("SELECT " + rowList_ + " FROM " + table_->sqlName + " WHERE lw_rowid = $1",
                           {std::to_string(row_.rowid)}, rows));
  stale_ = false;
  imageReady_ = false;
  if (rows.empty()) return Status::Error(ace::kRecordNotFound);
  row_ = std::move(rows[0]);
  return {};
}

Status Cursor::GotoBOF(int order) {
  LW_RETURN_IF_ERROR(CheckOrder(order));
  DropBatch();
  batchComplete_ = false;
  position_ = Position::Bof;
  atBof_ = true;
  atEof_ = false;
  imageReady_ = visibleKnown_ = false;
  return {};
}

Status Cursor::GotoTop(int order) {
  LW_RETURN_IF_ERROR(GotoBOF(order));
  LW_RETURN_IF_ERROR(StepOnce(order, 1));
  if (position_ == Position::Eof) atBof_ = true;  // an empty range: both ends at once
  return {};
}

Status Cursor::Skip(int order, std::int32_t rows) {
  LW_RETURN_IF_ERROR(CheckOrder(order));
  if (rows == 0) {
    if (position_ != Position::Row) return {};
    return Refetch();
  }
  int direction = rows > 0 ? 1 : -1;
  std::int64_t count = rows > 0 ? static_cast<std::int64_t>(rows) : -static_cast<std::int64_t>(rows);
  for (std::int64_t i = 0; i < count; ++i) {
    LW_RETURN_IF_ERROR(StepOnce(order, direction));
    if (position_ != Position::Row) break;
  }
  return {};
}

Status Cursor::GotoRecord(std::int64_t recordNumber, bool& found) {
  DropBatch();
  batchComplete_ = false;
  found = false;
  visibleKnown_ = false;
  if (recordNumber > 0) {
    std::vector<Row> rows;
    LW_RETURN_IF_ERROR(Query("SELECT " + rowList_ + " FROM " + table_->sqlName + " WHERE lw_rowid = $1",
                             {std::to_string(recordNumber)}, rows));
    if (!rows.empty()) {
      row_ = std::move(rows[0]);
      found = true;
    }
  }
  imageReady_ = false;
  stale_ = false;
  if (found) {
    position_ = Position::Row;
    atBof_ = atEof_ = false;
  } else {
    position_ = Position::Eof;
    atEof_ = true;
    atBof_ = false;
  }
  return {};
}

Status Cursor::IsVisible(int order, bool& visible) {
  LW_RETURN_IF_ERROR(CheckOrder(order));
  visible = false;
  if (position_ != Position::Row) return Status::Error(ace::kNoCurrentRecord);
  if (!temporary_) connection_.Poll();
  if (visibleKnown_ && visibleOrder_ == order && visibleScopeVersion_ == ScopeVersion(order) && !stale_ &&
      (temporary_ || (batchGeneration_ == connection_.Generation() &&
                      std::chrono::steady_clock::now() - batchTime_ < kReadLifetime))) {
    visible = true;
    return {};
  }
  std::vector<Param> params{std::to_string(row_.rowid)};
  std::string where = " WHERE lw_rowid = $1";
  AddScope(order, ScopeOf(order), where, params);
  Result result;
  LW_RETURN_IF_ERROR(temporary_ ? Run(connection_.pg(), "SELECT 1 FROM " + table_->sqlName + where, params, result)
                                : connection_.RunPrepared("SELECT 1 FROM " + table_->sqlName + where, params, result));
  visible = result.Rows() == 1;
  return {};
}

void Cursor::BuildImage() {
  image_ = nullImage_;
  const TableDef& t = *table_;
  for (std::size_t c = 0; c < t.columns.size(); ++c) {
    const Value& value = row_.values[c];
    if (value.IsNull()) continue;
    // A stored value the column cannot hold reads as NULL, as in the embedded engine.
    if (!engine::WriteImageFromValue(t.columns[c], value, image_.data()).ok()) {
      engine::WriteNullImage(t.columns[c], image_.data());
    }
  }
  imageReady_ = true;
}

Status Cursor::Image(const std::uint8_t*& image) {
  if (editing_) {
    image = editImage_.data();
    return {};
  }
  if (position_ != Position::Row) return Status::Error(ace::kNoCurrentRecord);
  if (stale_) LW_RETURN_IF_ERROR(Refetch());
  if (!imageReady_) BuildImage();
  image = image_.data();
  return {};
}

Status Cursor::Count(int order, bool respectScopes, std::uint32_t& count) {
  LW_RETURN_IF_ERROR(CheckOrder(order));
  std::vector<Param> params;
  std::string where = " WHERE true";
  if (respectScopes) AddScope(order, ScopeOf(order), where, params);
  Result result;
  LW_RETURN_IF_ERROR(Run(connection_.pg(), "SELECT count(*) FROM " + table_->sqlName + where, params, result));
  count = static_cast<std::uint32_t>(result.Int(0, 0));
  return {};
}

Status Cursor::Checksum(std::uint32_t& crc) {
  if (position_ != Position::Row) return Status::Error(ace::kNoCurrentRecord);
  LW_RETURN_IF_ERROR(Refetch());
  BuildImage();
  crc = engine::Crc32(image_.data(), image_.size());
  return {};
}

Status Cursor::SetColumn(int column, const std::uint8_t* bytes, std::uint32_t length) {
  const ColumnDef& def = table_->columns[column];
  std::vector<std::uint8_t> scratch;
  LW_RETURN_IF_ERROR(engine::CheckedColumnBytes(def, bytes, length, appending_, scratch));
  if (!editing_) {
    if (position_ != Position::Row) return Status::Error(ace::kNoCurrentRecord);
    if ((options_ & ace::kOptionReadOnly) || temporary_) return Status::Error(ace::kTableReadOnly);
    const std::uint8_t* image = nullptr;
    LW_RETURN_IF_ERROR(Image(image));
    editImage_.assign(image, image + table_->recordLength);
    changed_.assign(table_->columns.size(), false);
    editing_ = true;
    appending_ = false;
  }
  std::memcpy(editImage_.data() + def.offset, scratch.data(), def.length);
  changed_[column] = true;
  return {};
}

Status Cursor::SetColumnText(int column, const char* text, std::uint32_t length) {
  std::vector<std::uint8_t> bytes;
  LW_RETURN_IF_ERROR(engine::ColumnBytesFromText(*table_, column, text, length, bytes));
  return SetColumn(column, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

Status Cursor::SetColumnNull(int column) {
  std::vector<std::uint8_t> bytes;
  engine::ColumnNullBytes(*table_, column, bytes);
  return SetColumn(column, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

Status Cursor::Append() {
  if (options_ & ace::kOptionReadOnly || temporary_) return Status::Error(ace::kTableReadOnly);
  editImage_ = nullImage_;
  changed_.assign(table_->columns.size(), false);
  editing_ = true;
  appending_ = true;
  return {};
}

bool Cursor::Cancel() {
  bool had = editing_;
  editing_ = appending_ = false;
  return had;
}

Status Cursor::Write() {
  if (!editing_) return {};
  std::vector<int> columns;
  std::vector<Value> values;
  LW_RETURN_IF_ERROR(engine::ChangedColumnValues(*table_, editImage_, changed_, columns, values));
  if (columns.empty() && !appending_) {
    editing_ = false;
    return {};
  }
  DropBatch();
  std::int64_t newRowid = 0;
  Status status = appending_ ? InsertRow(connection_, *table_, columns, values, newRowid)
                             : UpdateRow(connection_, *table_, row_.rowid, columns, values);
  if (!status.ok()) return status;
  if (appending_) {
    row_.rowid = newRowid;
    position_ = Position::Row;
    atBof_ = atEof_ = false;
  }
  editing_ = appending_ = false;
  stale_ = true;
  imageReady_ = visibleKnown_ = false;
  return {};
}

Status Cursor::Lock(std::int64_t recordNumber) {
  if (recordNumber == 0) {
    if (position_ != Position::Row) return Status::Error(ace::kNoCurrentRecord);
    recordNumber = row_.rowid;
  }
  LW_RETURN_IF_ERROR(connection_.Lock(table_->tableNumber, recordNumber));
  locks_.insert(recordNumber);
  // The edit that follows a lock must start from the row as stored now.
  if (position_ == Position::Row && recordNumber == row_.rowid) stale_ = true;
  return {};
}

Status Cursor::Unlock(std::int64_t recordNumber) {
  if (recordNumber == 0) {
    for (std::int64_t record : locks_) connection_.Unlock(table_->tableNumber, record);
    locks_.clear();
    return {};
  }
  auto found = locks_.find(recordNumber);
  if (found == locks_.end()) return {};
  locks_.erase(found);
  connection_.Unlock(table_->tableNumber, recordNumber);
  return {};
}

}  // namespace lw::pgengine
