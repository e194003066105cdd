#pragma once
// An open table (or a static SQL result) of one connection: its position, record image, scopes,
// raw-key builders, pending edit and record locks.
//
// Orders: -1 is natural order (record numbers); 0..n-1 are the table's indexes. Moves are keyset
// seeks on the order's key columns and the record number, `(key, rowid) > (?, ?)`, so a move is
// correct whatever other users have written since the last one. While nothing changes, a move
// just steps the statement of the previous one, and the record image is taken only when it is
// asked for: the row's stored image where the file keeps one (StoredImages.h; the move then
// reads the record number alone, from the order's index), else built from the row's columns.

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/Catalog.h"
#include "engine/Connection.h"
#include "engine/IndexKeys.h"
#include "engine/RecordCodec.h"
#include "engine/Status.h"

namespace lw::engine {

class Cursor : public SnapshotClient {
 public:
  // `temporary` names a result table of this connection that the cursor drops when it closes.
  Cursor(Connection& connection, std::shared_ptr<const TableDef> table, std::uint32_t options, bool temporary);
  ~Cursor() override;
  Cursor(const Cursor&) = delete;
  Cursor& operator=(const Cursor&) = delete;

  const TableDef& Table() const { return *table_; }
  Connection& Owner() const { return connection_; }
  std::uint32_t Options() const { return options_; }
  bool IsResult() const { return temporary_; }

  // Positioning.
  Status GotoBOF(int order);
  Status GotoTop(int order);
  Status Skip(int order, std::int32_t rows);
  // Moves to the row with that record number; `found` false leaves the cursor at EOF.
  Status GotoRecord(std::int64_t recordNumber, bool& found);
  bool AtEOF() const { return atEof_; }
  bool AtBOF() const { return atBof_; }
  bool HasRow() const { return position_ == Position::Row; }
  std::int64_t RecordNumber() const { return position_ == Position::Row ? rowid_ : 0; }
  Status IsVisible(int order, bool& visible);

  // The current row's record image (the pending edit's image while editing).
  Status Image(const std::uint8_t*& image);
  Status Count(int order, bool respectScopes, std::uint32_t& count);
  Status Checksum(std::uint32_t& crc);

  // The scopes and raw keys of the table's indexes.
  IndexKeys& Keys() { return indexKeys_; }

  // Editing: the first set starts an edit of the current row; Append starts a new row.
  Status SetColumn(int column, const std::uint8_t* bytes, std::uint32_t length);
  Status SetColumnText(int column, const char* text, std::uint32_t length);
  Status SetColumnNull(int column);
  Status Append();
  Status Write();
  bool Editing() const { return editing_; }
  // Drops the pending edit; false when there was none.
  bool Cancel();

  // Record locks of this cursor's connection (0: the current row).
  Status Lock(std::int64_t recordNumber);
  // 0 releases every lock this cursor took.
  Status Unlock(std::int64_t recordNumber);

  void BeforeSnapshotEnds() override;

 private:
  enum class Position { Bof, Row, Eof };
  enum class Phase { None, SameKey, AfterKey, Glide };
  using Scope = engine::KeyScope;

  sqlite3_stmt* Statement(int order, int kind, const Scope* scope);
  void BindScope(sqlite3_stmt* stmt, const Scope* scope);
  Status StepOnce(int order, int direction);
  Status StartIteration(int order, int direction, bool fromEnd);
  void TakeRow(int order);
  Status EnsureImage();
  Status EnsureKeys();
  // The current record number's image and keys, in the current snapshot.
  Status FetchRow(bool& found);
  // Every column and key by record number (the image is built from the columns).
  Status FetchColumns(bool& found);
  // The key columns alone by record number.
  Status FetchKeys(bool& found);
  // The image of the current record number: the cached or stored one, else from the columns.
  Status LoadImage(bool& found);
  // The current record number's stored image; `stored` false when it has none that decodes.
  Status ReadStoredImage(bool& stored);
  void CaptureFrom(sqlite3_stmt* stmt, bool image, bool keys);
  void DropIteration();
  void SetEnd(int direction);
  // Forward moves into an equality scope of integers: the first move after GotoBOF steps on from
  // the iteration of the previous such scope when this one lies above it, instead of seeking from
  // the index's root (a search run meets its charges, and their applications, in key order).
  // `done` false: not such a scope, the caller starts an iteration of its own.
  Status GlideIntoScope(int order, bool& done);
  bool GlideScope(int order, const Scope* scope, std::vector<std::int64_t>& values) const;
  // Keeps the iteration standing on its row for a later GlideIntoScope.
  void Park();
  Status EndOfScope(bool& done);
  const Scope* ScopeOf(int order) const { return indexKeys_.ScopeOf(order); }
  Status CheckOrder(int order) const { return indexKeys_.CheckOrder(order); }

  Connection& connection_;
  std::shared_ptr<const TableDef> table_;
  std::uint32_t options_;
  bool temporary_;
  bool storedImages_;  // the file keeps this table's images (StoredImages.h)
  // What stepping statements read: the record number, and every column unless images are stored.
  std::string rowList_;
  std::string selectList_;       // the record number, every column and every generated key column
  std::vector<int> keyColumns_;  // columns with a generated key column, in select order
  std::vector<int> keySlot_;     // per column: its key's result column, or -1
  std::unordered_map<std::uint64_t, Stmt> statements_;

  Position position_ = Position::Bof;
  bool atBof_ = true;
  bool atEof_ = false;
  std::int64_t rowid_ = 0;
  std::vector<std::uint8_t> image_;
  std::vector<std::uint8_t> nullImage_;  // every column's NULL marker
  bool imageReady_ = false;
  ImageCache* images_ = nullptr;  // the connection's, for dictionary tables
  std::string imageTable_;        // where the stored images are
  Blob imageBlob_;                // open on a stored image while the snapshot lasts
  std::vector<std::uint8_t> storedBytes_;
  std::vector<Value> keys_;  // per column; meaningful for key columns
  bool keysReady_ = false;
  Status snapshotFailure_;  // the row fetch that failed as the last snapshot ended

  // The statement of the last move, still standing on the current row while `live_`.
  sqlite3_stmt* iter_ = nullptr;
  bool live_ = false;
  int iterOrder_ = kNaturalOrder;
  int iterDirection_ = 0;
  Phase iterPhase_ = Phase::None;
  std::uint64_t iterGeneration_ = 0;
  std::uint64_t iterScopeVersion_ = 0;
  std::vector<Value> seekKey_;
  std::int64_t seekRowid_ = 0;

  // A gliding iteration set aside by GotoBOF or at its scope's end, still standing on a row.
  sqlite3_stmt* parked_ = nullptr;
  int parkedOrder_ = kNaturalOrder;
  std::uint64_t parkedGeneration_ = 0;
  std::vector<std::int64_t> glideLast_;  // the scope the gliding statement served last
  std::vector<std::int64_t> glideNext_;

  // Visibility of the current row, known from the move that reached it.
  bool visibleKnown_ = false;
  int visibleOrder_ = kNaturalOrder;
  std::uint64_t visibleScopeVersion_ = 0;

  IndexKeys indexKeys_{*table_};

  bool editing_ = false;
  bool appending_ = false;
  std::vector<std::uint8_t> editImage_;
  std::vector<bool> changed_;

  std::multiset<std::int64_t> locks_;
};

}  // namespace lw::engine
