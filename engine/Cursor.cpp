#include "engine/Cursor.h"

#include <cstring>
#include <utility>

#include "data/ace/AceApi.h"
#include "engine/Checksum.h"
#include "engine/IndexKeys.h"
#include "engine/KeyPrefix.h"
#include "engine/RowEdits.h"
#include "engine/RowWriter.h"
#include "engine/Schema.h"
#include "engine/StoredImages.h"

namespace lw::engine {

namespace {

enum Kind : int {
  kFetch = 0,
  kFirstForward,
  kFirstBackward,
  kSameKeyForward,
  kSameKeyBackward,
  kAfterKeyForward,
  kAfterKeyBackward,
  kVisible,
  kCount,
  kFetchKeys,
  kGlideForward,
};

// Rows a forward move steps over to reach the next scope before it seeks instead: a step costs
// a small fraction of a seek from the index's root.
constexpr int kGlideSteps = 8;

// Parameters by number: key values from 1, scope bounds from 101 and 201, the record number 300.
// Every user binds all of a statement's parameters before each step, so bindings are never
// cleared.
constexpr int kTopParam = 100;
constexpr int kBottomParam = 200;
constexpr int kRowidParam = 300;

std::string Params(int base, std::size_t count) {
  std::string text = "(";
  for (std::size_t i = 0; i < count; ++i) text += (i ? ", ?" : "?") + std::to_string(base + i + 1);
  return text + ")";
}

}  // namespace

Cursor::Cursor(Connection& connection, std::shared_ptr<const TableDef> table, std::uint32_t options, bool temporary)
    : connection_(connection),
      table_(std::move(table)),
      options_(options),
      temporary_(temporary),
      storedImages_(!temporary && connection.StoresImages(*table_)) {
  const TableDef& t = *table_;
  selectList_ = "rowid";
  for (const ColumnDef& column : t.columns) selectList_ += ", " + column.sqlName;
  // With images stored, a move reads the record number alone: from the order's index, without
  // touching the table's row.
  rowList_ = storedImages_ ? "rowid" : selectList_;
  keySlot_.assign(t.columns.size(), -1);
  for (std::size_t i = 0; i < t.columns.size(); ++i) {
    if (t.columns[i].keySqlName.empty()) continue;
    keySlot_[i] = static_cast<int>(1 + t.columns.size() + keyColumns_.size());
    keyColumns_.push_back(static_cast<int>(i));
    selectList_ += ", " + t.columns[i].keySqlName;
  }
  image_.assign(t.recordLength, 0);
  nullImage_ = NullImage(t);
  if (!temporary_) images_ = &connection_.Images(t);
  if (storedImages_) imageTable_ = PlainImageTableName(t);
  keys_.resize(t.columns.size());
  connection_.Register(this);
}

Cursor::~Cursor() {
  DropIteration();
  imageBlob_.reset();
  statements_.clear();
  for (std::int64_t record : locks_) connection_.Locks().Unlock(table_->tableNumber, record);
  connection_.Unregister(this);
  if (temporary_) {
    // A result table left behind lives only as long as the connection's temporary schema.
    (void)Exec(connection_.db(), "DROP TABLE IF EXISTS " + table_->sqlName);
  }
}

sqlite3_stmt* Cursor::Statement(int order, int kind, const Scope* scope) {
  std::size_t top = scope && scope->hasTop ? scope->top.size() : 0;
  std::size_t bottom = scope && scope->hasBottom && kind != kGlideForward ? scope->bottom.size() : 0;
  std::uint64_t cacheKey = (static_cast<std::uint64_t>(order + 2) << 32) | (static_cast<std::uint64_t>(kind) << 16) |
                           (static_cast<std::uint64_t>(top) << 8) | bottom;
  auto found = statements_.find(cacheKey);
  if (found != statements_.end()) return found->second.get();

  const TableDef& t = *table_;
  std::vector<std::string> keys;
  if (order != kNaturalOrder) {
    for (int column : t.indexes[order].segments) keys.push_back(t.columns[column].keySqlName);
  }
  auto tuple = [&](std::size_t count) {
    std::string text = "(";
    for (std::size_t i = 0; i < count; ++i) text += (i ? ", " : "") + keys[i];
    return text + ")";
  };
  std::string where;
  auto add = [&](const std::string& condition) {
    where += where.empty() ? " WHERE " : " AND ";
    where += condition;
  };
  if (top > 0) add(tuple(top) + " >= " + Params(kTopParam, top));
  if (bottom > 0) add(tuple(bottom) + " <= " + Params(kBottomParam, bottom));
  auto orderBy = [&](bool forward) {
    std::string text = " ORDER BY ";
    for (const std::string& key : keys) text += key + (forward ? ", " : " DESC, ");
    return text + (forward ? "rowid" : "rowid DESC");
  };
  std::string rowid = std::string("?") + std::to_string(kRowidParam);
  std::string sql;
  switch (kind) {
    case kFetch: sql = "SELECT " + selectList_ + " FROM " + t.sqlName + " WHERE rowid = " + rowid; break;
    case kVisible:
      add("rowid = " + rowid);
      sql = "SELECT 1 FROM " + t.sqlName + where;
      break;
    case kCount: sql = "SELECT count(*) FROM " + t.sqlName + where; break;
    case kFetchKeys: {
      std::string keyList;
      for (int column : keyColumns_) keyList += ", " + t.columns[column].keySqlName;
      sql = "SELECT rowid" + keyList + " FROM " + t.sqlName + " WHERE rowid = " + rowid;
      break;
    }
    case kFirstForward: sql = "SELECT " + rowList_ + " FROM " + t.sqlName + where + orderBy(true); break;
    case kFirstBackward: sql = "SELECT " + rowList_ + " FROM " + t.sqlName + where + orderBy(false); break;
    case kGlideForward: {
      // The record number and the order's keys, from its lower bound on to the index's end.
      std::string keyList;
      for (const std::string& key : keys) keyList += ", " + key;
      sql = "SELECT rowid" + keyList + " FROM " + t.sqlName + where + orderBy(true);
      break;
    }
    case kSameKeyForward:
    case kSameKeyBackward: {
      bool forward = kind == kSameKeyForward;
      for (std::size_t i = 0; i < keys.size(); ++i) add(keys[i] + " = ?" + std::to_string(i + 1));
      add("rowid " + std::string(forward ? "> " : "< ") + rowid);
      sql =
          "SELECT " + rowList_ + " FROM " + t.sqlName + where + (forward ? " ORDER BY rowid" : " ORDER BY rowid DESC");
      break;
    }
    case kAfterKeyForward:
    case kAfterKeyBackward: {
      bool forward = kind == kAfterKeyForward;
      add(tuple(keys.size()) + (forward ? " > " : " < ") + Params(0, keys.size()));
      sql = "SELECT " + rowList_ + " FROM " + t.sqlName + where + orderBy(forward);
      break;
    }
    default: return nullptr;
  }
  Stmt stmt = Prepare(connection_.db(), sql);
  sqlite3_stmt* raw = stmt.get();
  if (raw != nullptr) statements_.emplace(cacheKey, std::move(stmt));
  return raw;
}

void Cursor::BindScope(sqlite3_stmt* stmt, const Scope* scope) {
  if (scope == nullptr) return;
  if (scope->hasTop) {
    for (std::size_t i = 0; i < scope->top.size(); ++i)
      BindKey(stmt, static_cast<int>(kTopParam + i + 1), scope->top[i]);
  }
  if (scope->hasBottom) {
    for (std::size_t i = 0; i < scope->bottom.size(); ++i) {
      BindKey(stmt, static_cast<int>(kBottomParam + i + 1), scope->bottom[i]);
    }
  }
}

void Cursor::DropIteration() {
  if (iter_ != nullptr) sqlite3_reset(iter_);
  iter_ = nullptr;
  live_ = false;
  iterPhase_ = Phase::None;
  if (parked_ != nullptr) sqlite3_reset(parked_);
  parked_ = nullptr;
}

void Cursor::Park() {
  if (parked_ != nullptr && parked_ != iter_) sqlite3_reset(parked_);
  parked_ = iter_;
  parkedOrder_ = iterOrder_;
  parkedGeneration_ = iterGeneration_;
  iter_ = nullptr;
  live_ = false;
  iterPhase_ = Phase::None;
}

bool Cursor::GlideScope(int order, const Scope* scope, std::vector<std::int64_t>& values) const {
  if (!storedImages_ || order == kNaturalOrder || scope == nullptr || !scope->hasTop || !scope->hasBottom ||
      scope->top.size() != scope->bottom.size()) {
    return false;
  }
  values.resize(scope->top.size());
  for (std::size_t i = 0; i < scope->top.size(); ++i) {
    const Value& top = scope->top[i];
    const Value& bottom = scope->bottom[i];
    if (top.kind != Value::Kind::Integer || bottom.kind != Value::Kind::Integer || top.integer != bottom.integer) {
      return false;
    }
    values[i] = top.integer;
  }
  return true;
}

Status Cursor::GlideIntoScope(int order, bool& done) {
  done = false;
  const Scope* scope = ScopeOf(order);
  if (!GlideScope(order, scope, glideNext_)) return {};
  sqlite3_stmt* stmt = nullptr;
  int steps = 0;
  // A parked iteration has passed every row up to the one it stands on, and none of those rows
  // lies in a scope above the last one it served: stepping on finds the new scope's first row.
  if (parked_ != nullptr && parkedOrder_ == order && parkedGeneration_ == connection_.Generation() &&
      glideLast_.size() == glideNext_.size() && glideLast_ < glideNext_) {
    stmt = parked_;
    parked_ = nullptr;
  } else {
    DropIteration();
    stmt = Statement(order, kGlideForward, scope);
    if (stmt == nullptr) return SqliteFailure(connection_.db(), sqlite3_errcode(connection_.db()));
    BindScope(stmt, scope);
    steps = -1;  // not yet on a row
  }
  iter_ = stmt;
  iterOrder_ = order;
  iterDirection_ = 1;
  iterGeneration_ = connection_.Generation();
  iterScopeVersion_ = indexKeys_.ScopeVersion(order);
  iterPhase_ = Phase::Glide;
  glideLast_ = glideNext_;
  for (;; ++steps) {
    if (steps >= 0) {
      const int place = CompareKeyPrefix(stmt, 1, glideNext_);
      if (place == 0) {
        TakeRow(iterOrder_);
        done = true;
        return {};
      }
      if (place > 0) return EndOfScope(done);
      if (steps >= kGlideSteps) {
        // Too far: a seek from the index's root is cheaper than more steps.
        DropIteration();
        return GlideIntoScope(iterOrder_, done);
      }
    }
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) continue;
    if (rc != SQLITE_DONE) {
      Status failure = SqliteFailure(connection_.db(), rc);
      DropIteration();
      return failure;
    }
    DropIteration();
    SetEnd(1);
    done = true;
    return {};
  }
}

Status Cursor::EndOfScope(bool& done) {
  // Standing on the first row beyond the scope: parked there for the next scope above it.
  Park();
  SetEnd(1);
  done = true;
  return {};
}

void Cursor::CaptureFrom(sqlite3_stmt* stmt, bool image, bool keys) {
  const TableDef& t = *table_;
  if (image) {
    std::int64_t rowid = sqlite3_column_int64(stmt, 0);
    if (images_ == nullptr || !images_->Get(rowid, connection_.Generation(), image_.data())) {
      BuildImage(t, stmt, 1, nullImage_.data(), image_.data());
      if (images_ != nullptr) images_->Put(rowid, connection_.Generation(), image_.data());
    }
    imageReady_ = true;
  }
  if (keys) {
    for (int column : keyColumns_) AssignValueFromStatement(stmt, keySlot_[column], keys_[column]);
    keysReady_ = true;
  }
}

void Cursor::BeforeSnapshotEnds() {
  if (live_ && position_ == Position::Row) {
    // Still this snapshot's row: its keys come from the record-number fetch (which brings the
    // image too), the image alone from the stepping statement.
    bool found = false;
    if (!keysReady_) {
      // A row that cannot be read now cannot anchor the next move either: that move reports it.
      Status fetched = FetchRow(found);
      if (!fetched.ok()) snapshotFailure_ = std::move(fetched);
    } else if (!imageReady_) {
      if (storedImages_) {
        Status loaded = LoadImage(found);
        if (!loaded.ok()) snapshotFailure_ = std::move(loaded);
      } else {
        CaptureFrom(iter_, true, false);
      }
    }
  }
  DropIteration();
  // An open blob handle would hold the snapshot's read open.
  imageBlob_.reset();
}

void Cursor::TakeRow(int order) {
  position_ = Position::Row;
  atBof_ = atEof_ = false;
  rowid_ = sqlite3_column_int64(iter_, 0);
  live_ = true;
  snapshotFailure_ = Status();
  imageReady_ = false;
  keysReady_ = false;
  visibleKnown_ = true;
  visibleOrder_ = order;
  visibleScopeVersion_ = indexKeys_.ScopeVersion(order);
}

Status Cursor::FetchRow(bool& found) {
  if (!storedImages_) return FetchColumns(found);
  LW_RETURN_IF_ERROR(FetchKeys(found));
  if (!found) return {};
  return LoadImage(found);
}

Status Cursor::FetchKeys(bool& found) {
  sqlite3_stmt* fetch = Statement(kNaturalOrder, kFetchKeys, nullptr);
  if (fetch == nullptr) return SqliteFailure(connection_.db(), sqlite3_errcode(connection_.db()));
  StmtReset reset(fetch);
  sqlite3_bind_int64(fetch, kRowidParam, rowid_);
  int rc = sqlite3_step(fetch);
  found = rc == SQLITE_ROW;
  if (found) {
    for (std::size_t i = 0; i < keyColumns_.size(); ++i) {
      AssignValueFromStatement(fetch, static_cast<int>(i + 1), keys_[keyColumns_[i]]);
    }
    keysReady_ = true;
    return {};
  }
  return rc == SQLITE_DONE ? Status() : SqliteFailure(connection_.db(), rc);
}

Status Cursor::LoadImage(bool& found) {
  if (images_ != nullptr && images_->Get(rowid_, connection_.Generation(), image_.data())) {
    imageReady_ = found = true;
    return {};
  }
  bool stored = false;
  LW_RETURN_IF_ERROR(ReadStoredImage(stored));
  if (stored) {
    if (images_ != nullptr) images_->Put(rowid_, connection_.Generation(), image_.data());
    imageReady_ = found = true;
    return {};
  }
  // Written by something that does not keep images (a trigger dropped the image): the columns.
  return FetchColumns(found);
}

Status Cursor::ReadStoredImage(bool& stored) {
  // A blob handle kept open for the snapshot moves to another row with one B-tree seek, without
  // a statement's reset, set-up and cursor opening.
  sqlite3* db = connection_.db();
  int rc;
  if (imageBlob_ == nullptr) {
    sqlite3_blob* opened = nullptr;
    rc = sqlite3_blob_open(db, "main", imageTable_.c_str(), "image", rowid_, 0, &opened);
    imageBlob_.reset(opened);
  } else {
    rc = sqlite3_blob_reopen(imageBlob_.get(), rowid_);
  }
  if (rc == SQLITE_OK) {
    const int size = sqlite3_blob_bytes(imageBlob_.get());
    storedBytes_.resize(static_cast<std::size_t>(size));
    rc = sqlite3_blob_read(imageBlob_.get(), storedBytes_.data(), size, 0);
  }
  if (rc != SQLITE_OK) {
    // A handle that failed is good only for closing. SQLITE_ERROR: no image row (or no blob in
    // it), so the columns decide; anything else is the file's failure.
    imageBlob_.reset();
    return rc == SQLITE_ERROR ? Status() : SqliteFailure(db, rc);
  }
  // Only a snapshot's end closes a kept handle; outside one (in a write) it would hold a read open.
  if (!connection_.Reading()) imageBlob_.reset();
  // An image that does not decode is one this build cannot trust: the columns decide.
  stored =
      DecodeImage(storedBytes_.data(), storedBytes_.size(), nullImage_.data(), table_->recordLength, image_.data());
  return {};
}

Status Cursor::FetchColumns(bool& found) {
  sqlite3_stmt* fetch = Statement(kNaturalOrder, kFetch, nullptr);
  if (fetch == nullptr) return SqliteFailure(connection_.db(), sqlite3_errcode(connection_.db()));
  StmtReset reset(fetch);
  sqlite3_bind_int64(fetch, kRowidParam, rowid_);
  int rc = sqlite3_step(fetch);
  if (rc == SQLITE_ROW) {
    CaptureFrom(fetch, true, true);
    found = true;
    return {};
  }
  found = false;
  return rc == SQLITE_DONE ? Status() : SqliteFailure(connection_.db(), rc);
}

Status Cursor::EnsureImage() {
  if (imageReady_) return {};
  if (position_ != Position::Row) return Status::Error(ace::kNoCurrentRecord);
  if (live_ && iterGeneration_ == connection_.Generation()) {
    if (!storedImages_) {
      CaptureFrom(iter_, true, false);
      return {};
    }
    bool found = false;
    LW_RETURN_IF_ERROR(LoadImage(found));
    return found ? Status() : Status::Error(ace::kRecordNotFound);
  }
  LW_RETURN_IF_ERROR(connection_.Read());
  bool found = false;
  LW_RETURN_IF_ERROR(FetchRow(found));
  return found ? Status() : Status::Error(ace::kRecordNotFound);
}

Status Cursor::EnsureKeys() {
  if (!snapshotFailure_.ok()) return std::exchange(snapshotFailure_, Status());
  if (keysReady_) return {};
  // Stepping statements leave the key columns out (computing them costs more than the rest of
  // a row, and a move seldom needs them), so keys always come from the record-number fetch; in
  // the stepping statement's snapshot that is the same row.
  bool found = false;
  LW_RETURN_IF_ERROR(storedImages_ ? FetchKeys(found) : FetchRow(found));
  return found ? Status() : Status::Error(ace::kRecordNotFound);
}

Status Cursor::StartIteration(int order, int direction, bool fromEnd) {
  const Scope* scope = ScopeOf(order);
  sqlite3_stmt* stmt;
  DropIteration();
  if (fromEnd) {
    stmt = Statement(order, direction > 0 ? kFirstForward : kFirstBackward, scope);
    if (stmt == nullptr) return SqliteFailure(connection_.db(), sqlite3_errcode(connection_.db()));
    BindScope(stmt, scope);
    iterPhase_ = Phase::AfterKey;
  } else {
    LW_RETURN_IF_ERROR(EnsureKeys());
    stmt = Statement(order, direction > 0 ? kSameKeyForward : kSameKeyBackward, scope);
    if (stmt == nullptr) return SqliteFailure(connection_.db(), sqlite3_errcode(connection_.db()));
    BindScope(stmt, scope);
    seekRowid_ = rowid_;
    // Assigned in place: the key texts keep their buffers from one seek to the next.
    if (order == kNaturalOrder) {
      seekKey_.clear();
    } else {
      const std::vector<int>& segments = table_->indexes[order].segments;
      seekKey_.resize(segments.size());
      for (std::size_t i = 0; i < segments.size(); ++i) AssignValue(seekKey_[i], keys_[segments[i]]);
    }
    for (std::size_t i = 0; i < seekKey_.size(); ++i) BindKey(stmt, static_cast<int>(i + 1), seekKey_[i]);
    sqlite3_bind_int64(stmt, kRowidParam, seekRowid_);
    // Natural order has no key: its record-number continuation is the whole rest.
    iterPhase_ = order == kNaturalOrder ? Phase::AfterKey : Phase::SameKey;
  }
  iter_ = stmt;
  iterOrder_ = order;
  iterDirection_ = direction;
  iterGeneration_ = connection_.Generation();
  iterScopeVersion_ = indexKeys_.ScopeVersion(order);
  return {};
}

void Cursor::SetEnd(int direction) {
  position_ = direction > 0 ? Position::Eof : Position::Bof;
  atEof_ = direction > 0;
  atBof_ = direction < 0;
  imageReady_ = false;
  keysReady_ = false;
  visibleKnown_ = false;
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
  bool continues = iter_ != nullptr && live_ && iterOrder_ == order && iterDirection_ == direction &&
                   iterGeneration_ == connection_.Generation() && iterScopeVersion_ == indexKeys_.ScopeVersion(order) &&
                   position_ == Position::Row;
  if (!continues) {
    if (position_ != Position::Row && direction > 0) {
      bool done = false;
      LW_RETURN_IF_ERROR(GlideIntoScope(order, done));
      if (done) return {};
    }
    LW_RETURN_IF_ERROR(StartIteration(order, direction, position_ != Position::Row));
  }
  for (;;) {
    int rc = sqlite3_step(iter_);
    if (rc == SQLITE_ROW) {
      if (iterPhase_ == Phase::Glide) {
        const int place = CompareKeyPrefix(iter_, 1, glideLast_);
        if (place > 0) {
          bool done = false;
          return EndOfScope(done);
        }
        if (place < 0) continue;
      }
      TakeRow(order);
      return {};
    }
    if (rc != SQLITE_DONE) {
      Status failure = SqliteFailure(connection_.db(), rc);
      DropIteration();
      return failure;
    }
    if (iterPhase_ == Phase::SameKey) {
      const Scope* scope = ScopeOf(order);
      sqlite3_reset(iter_);
      sqlite3_stmt* next = Statement(order, direction > 0 ? kAfterKeyForward : kAfterKeyBackward, scope);
      if (next == nullptr) return SqliteFailure(connection_.db(), sqlite3_errcode(connection_.db()));
      BindScope(next, scope);
      for (std::size_t i = 0; i < seekKey_.size(); ++i) BindKey(next, static_cast<int>(i + 1), seekKey_[i]);
      iter_ = next;
      iterPhase_ = Phase::AfterKey;
      continue;
    }
    DropIteration();
    SetEnd(direction);
    return {};
  }
}

Status Cursor::GotoBOF(int order) {
  LW_RETURN_IF_ERROR(CheckOrder(order));
  LW_RETURN_IF_ERROR(connection_.Read());
  // A forward iteration of an integer scope stays where it is, for the next scope above it; one
  // already parked stays parked.
  if (live_ && iterPhase_ == Phase::Glide) {
    Park();
  } else {
    if (iter_ != nullptr && iter_ != parked_) sqlite3_reset(iter_);
    iter_ = nullptr;
    live_ = false;
    iterPhase_ = Phase::None;
  }
  position_ = Position::Bof;
  atBof_ = true;
  atEof_ = false;
  imageReady_ = keysReady_ = visibleKnown_ = false;
  snapshotFailure_ = Status();
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
  std::uint64_t before = connection_.Generation();
  LW_RETURN_IF_ERROR(connection_.Read());
  if (connection_.Generation() != before) live_ = false;
  if (rows == 0) {
    if (position_ == Position::Row) {
      imageReady_ = false;
      return EnsureImage();
    }
    return {};
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
  LW_RETURN_IF_ERROR(connection_.Read());
  DropIteration();
  rowid_ = recordNumber;
  found = false;
  if (recordNumber > 0) LW_RETURN_IF_ERROR(FetchRow(found));
  visibleKnown_ = false;
  if (found) {
    position_ = Position::Row;
    atBof_ = atEof_ = false;
  } else {
    position_ = Position::Eof;
    atEof_ = true;
    atBof_ = false;
    imageReady_ = keysReady_ = false;
  }
  return {};
}

Status Cursor::IsVisible(int order, bool& visible) {
  LW_RETURN_IF_ERROR(CheckOrder(order));
  visible = false;
  if (position_ != Position::Row) return Status::Error(ace::kNoCurrentRecord);
  std::uint64_t scopeVersion = indexKeys_.ScopeVersion(order);
  if (visibleKnown_ && visibleOrder_ == order && visibleScopeVersion_ == scopeVersion && live_ &&
      iterGeneration_ == connection_.Generation()) {
    visible = true;
    return {};
  }
  LW_RETURN_IF_ERROR(connection_.Read());
  const Scope* scope = ScopeOf(order);
  sqlite3_stmt* stmt = Statement(order, kVisible, scope);
  if (stmt == nullptr) return SqliteFailure(connection_.db(), sqlite3_errcode(connection_.db()));
  StmtReset reset(stmt);
  BindScope(stmt, scope);
  sqlite3_bind_int64(stmt, kRowidParam, rowid_);
  int rc = sqlite3_step(stmt);
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) return SqliteFailure(connection_.db(), rc);
  visible = rc == SQLITE_ROW;
  return {};
}

Status Cursor::Image(const std::uint8_t*& image) {
  if (editing_) {
    image = editImage_.data();
    return {};
  }
  LW_RETURN_IF_ERROR(EnsureImage());
  image = image_.data();
  return {};
}

Status Cursor::Count(int order, bool respectScopes, std::uint32_t& count) {
  LW_RETURN_IF_ERROR(CheckOrder(order));
  LW_RETURN_IF_ERROR(connection_.Read());
  const Scope* scope = respectScopes ? ScopeOf(order) : nullptr;
  sqlite3_stmt* stmt = Statement(scope ? order : kNaturalOrder, kCount, scope);
  if (stmt == nullptr) return SqliteFailure(connection_.db(), sqlite3_errcode(connection_.db()));
  StmtReset reset(stmt);
  BindScope(stmt, scope);
  int rc = sqlite3_step(stmt);
  if (rc != SQLITE_ROW) return SqliteFailure(connection_.db(), rc);
  count = static_cast<std::uint32_t>(sqlite3_column_int64(stmt, 0));
  return {};
}

Status Cursor::Checksum(std::uint32_t& crc) {
  if (position_ != Position::Row) return Status::Error(ace::kNoCurrentRecord);
  connection_.EndRead();
  imageReady_ = false;
  LW_RETURN_IF_ERROR(EnsureImage());
  crc = Crc32(image_.data(), image_.size());
  return {};
}

Status Cursor::SetColumn(int column, const std::uint8_t* bytes, std::uint32_t length) {
  const ColumnDef& def = table_->columns[column];
  std::vector<std::uint8_t> scratch;
  LW_RETURN_IF_ERROR(CheckedColumnBytes(def, bytes, length, appending_, scratch));
  if (!editing_) {
    if (position_ != Position::Row) return Status::Error(ace::kNoCurrentRecord);
    if ((options_ & ace::kOptionReadOnly) || temporary_) return Status::Error(ace::kTableReadOnly);
    LW_RETURN_IF_ERROR(EnsureImage());
    editImage_ = image_;
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
  LW_RETURN_IF_ERROR(ColumnBytesFromText(*table_, column, text, length, bytes));
  return SetColumn(column, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

Status Cursor::SetColumnNull(int column) {
  std::vector<std::uint8_t> bytes;
  ColumnNullBytes(*table_, column, bytes);
  return SetColumn(column, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

Status Cursor::Append() {
  if (options_ & ace::kOptionReadOnly || temporary_) return Status::Error(ace::kTableReadOnly);
  editImage_.assign(table_->recordLength, 0);
  for (const ColumnDef& column : table_->columns) WriteNullImage(column, editImage_.data());
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
  LW_RETURN_IF_ERROR(ChangedColumnValues(*table_, editImage_, changed_, columns, values));
  if (columns.empty() && !appending_) {
    editing_ = false;
    return {};
  }
  // The row's lock is held (taken, or counted once more) for the whole write transaction, so
  // no other connection can lock and edit the row between the check and the commit.
  if (!appending_) LW_RETURN_IF_ERROR(connection_.Locks().Lock(table_->tableNumber, rowid_));
  DropIteration();
  std::int64_t newRowid = 0;
  Status status = appending_ ? InsertRow(connection_, *table_, columns, values, newRowid)
                             : UpdateRow(connection_, *table_, rowid_, columns, values);
  if (!appending_) connection_.Locks().Unlock(table_->tableNumber, rowid_);
  if (!status.ok()) return status;
  if (appending_) {
    rowid_ = newRowid;
    position_ = Position::Row;
    atBof_ = atEof_ = false;
  }
  editing_ = appending_ = false;
  imageReady_ = keysReady_ = visibleKnown_ = false;
  snapshotFailure_ = Status();
  live_ = false;
  return {};
}

Status Cursor::Lock(std::int64_t recordNumber) {
  if (recordNumber == 0) {
    if (position_ != Position::Row) return Status::Error(ace::kNoCurrentRecord);
    recordNumber = rowid_;
  }
  LW_RETURN_IF_ERROR(connection_.Locks().Lock(table_->tableNumber, recordNumber));
  locks_.insert(recordNumber);
  // The edit that follows a lock must start from the row as stored now.
  connection_.EndRead();
  if (recordNumber == rowid_) imageReady_ = false;
  return {};
}

Status Cursor::Unlock(std::int64_t recordNumber) {
  if (recordNumber == 0) {
    for (std::int64_t record : locks_) connection_.Locks().Unlock(table_->tableNumber, record);
    locks_.clear();
    return {};
  }
  auto found = locks_.find(recordNumber);
  if (found == locks_.end()) return {};
  locks_.erase(found);
  connection_.Locks().Unlock(table_->tableNumber, recordNumber);
  return {};
}

}  // namespace lw::engine
