#pragma once
// An open table (or a static SQL result, kept as a temporary table of the session) of one server
// connection: its position, record image, scopes, raw-key builders, pending edit and record
// locks.
//
// Orders: -1 is natural order (record numbers); 0..n-1 are the table's indexes. A move is a
// keyset query on the order's server index, `(key expressions, lw_rowid) > ($...)`, so it is
// correct whatever other users wrote since the last one. Rows come in batches that grow while a
// cursor keeps walking one way; a batch is dropped when this connection writes or locks, when the
// order, direction or scope changes, and after a short lifetime, so other users' changes show
// as soon as the embedded engine would show them. A walk of one key's rows (a detail table's
// scope) starts from the rows the connection read ahead on that index (KeyBlocks.h) when they
// hold the key.

#include <chrono>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/Catalog.h"
#include "engine/IndexKeys.h"
#include "engine/RecordCodec.h"
#include "pgengine/Connection.h"
#include "pgengine/KeyBlocks.h"

namespace lw::pgengine {

using engine::IndexKeys;
using engine::kNaturalOrder;
using engine::TableDef;
using engine::Value;

class Cursor {
 public:
  // `temporary`: a result table of this session that the cursor drops when it closes.
  Cursor(Connection& connection, std::shared_ptr<const TableDef> table, std::uint32_t options, bool temporary);
  ~Cursor();
  Cursor(const Cursor&) = delete;
  Cursor& operator=(const Cursor&) = delete;

  const TableDef& Table() const { return *table_; }
  Connection& Owner() const { return connection_; }
  std::uint32_t Options() const { return options_; }
  bool IsResult() const { return temporary_; }

  Status GotoBOF(int order);
  Status GotoTop(int order);
  Status Skip(int order, std::int32_t rows);
  Status GotoRecord(std::int64_t recordNumber, bool& found);
  bool AtEOF() const { return atEof_; }
  bool AtBOF() const { return atBof_; }
  bool HasRow() const { return position_ == Position::Row; }
  std::int64_t RecordNumber() const { return position_ == Position::Row ? row_.rowid : 0; }
  Status IsVisible(int order, bool& visible);

  Status Image(const std::uint8_t*& image);
  Status Count(int order, bool respectScopes, std::uint32_t& count);
  Status Checksum(std::uint32_t& crc);

  // The scopes and raw keys of the table's indexes.
  IndexKeys& Keys() { return indexKeys_; }

  Status SetColumn(int column, const std::uint8_t* bytes, std::uint32_t length);
  Status SetColumnText(int column, const char* text, std::uint32_t length);
  Status SetColumnNull(int column);
  Status Append();
  Status Write();
  bool Editing() const { return editing_; }
  bool Cancel();

  Status Lock(std::int64_t recordNumber);
  Status Unlock(std::int64_t recordNumber);

 private:
  enum class Position { Bof, Row, Eof };
  using Row = ServerRow;
  using Scope = engine::KeyScope;

  Status CheckOrder(int order) const { return indexKeys_.CheckOrder(order); }
  const Scope* ScopeOf(int order) const { return indexKeys_.ScopeOf(order); }
  std::uint64_t ScopeVersion(int order) const { return indexKeys_.ScopeVersion(order); }
  // Appends the scope's conditions (" AND ...") and their parameters.
  void AddScope(int order, const Scope* scope, std::string& where, std::vector<Param>& params) const;
  Status Query(const std::string& sql, const std::vector<Param>& params, std::vector<Row>& rows);
  // The index's key expressions in its order, or against it (direction < 0).
  std::string OrderBy(int order, int direction) const;
  // Reads the next rows after `from` (or from the range's end when null) in the order.
  Status FetchBatch(int order, int direction, const Row* from, int limit);
  // Fills the batch of a walk starting at the range's end: from rows read ahead on the index
  // when the range is one key's rows, from the server otherwise.
  Status FirstBatch(int order, int direction);
  // The key whose rows the scope of `order` holds when its bounds agree; false otherwise.
  bool ScopeKey(int order, std::vector<Value>& key) const;
  // Reads `limit` rows of the index from `key` on, keeps them for later look-ups and takes the
  // key's own rows as the batch.
  Status FetchAhead(int order, std::vector<Value> key, int limit);
  void TakeBatch(int order, int direction, std::uint64_t generation, std::chrono::steady_clock::time_point readAt);
  Status StepOnce(int order, int direction);
  bool BatchUsable(int order, int direction);
  void DropBatch() { batch_.clear(); }
  Status Refetch();
  void BuildImage();

  Connection& connection_;
  std::shared_ptr<const TableDef> table_;
  std::uint32_t options_;
  bool temporary_;
  std::string rowList_;

  Position position_ = Position::Bof;
  bool atBof_ = true;
  bool atEof_ = false;
  Row row_;
  bool stale_ = false;  // the row must be read again before its image is used
  std::vector<std::uint8_t> image_;
  std::vector<std::uint8_t> nullImage_;
  bool imageReady_ = false;

  std::vector<Row> batch_;
  std::size_t batchAt_ = 0;
  bool batchComplete_ = false;
  int batchOrder_ = kNaturalOrder;
  int batchDirection_ = 0;
  std::uint64_t batchGeneration_ = 0;
  std::uint64_t batchScopeVersion_ = 0;
  std::chrono::steady_clock::time_point batchTime_;
  int nextLimit_ = 0;

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

}  // namespace lw::pgengine
