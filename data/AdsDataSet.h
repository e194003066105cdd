#pragma once
// The cursor core every cursor shares (the query and the table cursors): opening and closing,
// the row buffers (one current row and one spare), reading a row, moving to the first and the
// next row, the end test, the row count, the column objects, and the notifications that links
// to following cursors react to. Editing (Edit/Post/Cancel) is implemented in Updates.cpp.
//
// A cursor is bound to one TAdsConnection; opening connects it when needed. All engine results
// pass through CheckAce with this cursor, so engine errors carry the prefix "<Name>: ".

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "data/Component.h"
#include "data/RecordImage.h"
#include "data/ace/AceApi.h"

namespace lw {

class TAdsConnection;
class TDataSource;
class TField;

enum class TDataSetState { dsInactive, dsOpening, dsBrowse, dsEdit, dsInsert, dsSetKey };

// What a cursor tells the data sources (and through them the links) that follow it.
enum class TDataEvent {
  deStateChange,      // opened, closed, edit begun, posted, cancelled
  deDataSetChange,    // moved or re-read
  deRecordChange,     // edit begun
  deFieldChange,      // a field was assigned (the field is passed along)
  deCheckBrowseMode,  // the cursor is about to move, post or cancel
};

enum class TAdsCharType { ANSI, OEM };
enum class TAdsFilterOption { IGNORE_WHEN_COUNTING, RESPECT_WHEN_COUNTING };
enum class TAdsScopeOption { IGNORE_SCOPES_WHEN_COUNTING, RESPECT_SCOPES_WHEN_COUNTING };
enum class TAdsRecordCache { rcNone, rcStandard, rcAggressive };
enum class TAdsLockType { Proprietary, Compatible };
enum class TAdsRecordLockingMode { lmPessimistic, lmOptimistic };

struct TAdsTableOptions {
  TAdsCharType AdsCharType = TAdsCharType::ANSI;
  TAdsFilterOption AdsFilterOptions = TAdsFilterOption::IGNORE_WHEN_COUNTING;
  TAdsScopeOption AdsScopeOptions = TAdsScopeOption::IGNORE_SCOPES_WHEN_COUNTING;
  bool AdsFreshRecordCount = false;
  TAdsRecordCache AdsRecordCache = TAdsRecordCache::rcStandard;
  std::uint16_t AdsIndexPageSize = 0;  // replaced at every open by the engine's answer (or 0)
  TAdsLockType AdsLockType = TAdsLockType::Proprietary;
  bool AdsRightsCheck = true;
  bool AdsAutoKeyFieldCount = false;
  TAdsRecordLockingMode AdsRecordLockingMode = TAdsRecordLockingMode::lmPessimistic;
};

// One buffered row: its record image as the engine returned it, and its header and bookmark.
struct RowBuffer {
  std::vector<std::uint8_t> record;  // record length + 1 byte of slack for text reads
  std::int32_t recordNumber = 0;
  std::uint8_t status = 0;
  std::uint8_t bookmarkFlag = 0;
  std::vector<std::uint8_t> bookmark;
  // The first 32 bits of the bookmark: the row's record number.
  std::int32_t BookmarkRecord() const;
};

// A key buffer of the link machinery: a row image whose key columns hold key values.
struct KeyBuffer {
  bool modified = false;
  bool exclusive = false;
  std::int32_t fieldCount = 0;
  std::int32_t size = 0;
  std::vector<std::uint8_t> record;
  std::vector<std::uint16_t> lengths;  // per column ordinal; 0xFFFF: no key value
  // Flags, field count and record image equal (the length slots are not compared).
  bool SameKey(const KeyBuffer& other) const;
};
inline constexpr std::uint16_t kNoKeyValue = 0xFFFF;
enum KeyBufferIndex {
  kRangeStart = 0,
  kRangeEnd,
  kAppliedStart,
  kAppliedEnd,
  kKeySearch,
  kKeySearchEnd,
  kKeyBufferCount
};

class TAdsDataSet : public TComponent, private DateTextConverter {
 public:
  TAdsDataSet(std::string name, const ComponentOwner* owner);
  ~TAdsDataSet() override;

  // ---- open and close ----
  // true opens (connecting the connection first when needed) and reads the first row; false
  // closes. Setting the current value does nothing. A failed open leaves the cursor closed.
  void SetActive(bool active);
  bool Active() const { return state_ != TDataSetState::dsInactive && state_ != TDataSetState::dsOpening; }
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }
  TDataSetState State() const { return state_; }

  // ---- moving ----
  void MoveFirst();
  // Does nothing (no engine call, no notice) when AtEnd is already true. At the end the last
  // row stays current and readable.
  void MoveNext();
  bool AtEnd() const { return atEnd_; }
  bool AtStart() const { return atStart_; }
  // The engine's count (never walks the rows). Closed cursor: EDatabaseError
  // "<Name>: Cannot perform this operation on a closed dataset".
  std::int32_t RowCount();
  // Whether a row is current (false for an empty cursor, such as a detail whose master
  // matches no rows).
  bool HasCurrentRow() const { return hasRow_; }

  // ---- columns ----
  // The column object of that name (case ignored, first match), or nullptr.
  TField* FindField(std::string_view name) const;
  // As FindField; none: EDatabaseError "<Name>: Field '<name>' not found".
  TField& FieldByName(std::string_view name) const;
  std::size_t FieldCount() const { return fields_.size(); }
  TField& Field(std::size_t index) const { return *fields_[index]; }
  const std::vector<ColumnDesc>& Columns() const { return columns_; }
  ColumnDesc& Column(std::size_t index) { return columns_[index]; }

  // ---- editing (Updates.cpp) ----
  // Locks the current row (pessimistic), re-reads it and enters edit state.
  void Edit();
  // Writes the assigned columns (highest ordinal first), unlocks, returns to browse state.
  void Post();
  // Drops the changes, unlocks, returns to browse state.
  void Cancel();
  // Posts when a column was assigned since the edit began, cancels otherwise; posts a key in
  // key state; always first asks the following cursors to do the same.
  void CheckBrowseMode();
  bool Modified() const { return modified_; }
  // Whether the open cursor may be modified (not read-only, not a static result).
  bool CanModify() const { return canModify_; }

  // ---- connection ----
  TAdsConnection* AdsConnection() const { return connection_; }
  // Binds to `connection` (nullptr unbinds). Open cursor: EADSDatabaseError 5121
  // "<Name>: Table must not be Active.".
  void SetAdsConnection(TAdsConnection* connection);
  // The connection is going away: forget it without touching it.
  void DetachFromConnection() { connection_ = nullptr; }

  ace::ADSHANDLE CursorHandle() const { return cursor_; }
  ace::ADSHANDLE ActiveIndexHandle() const { return activeIndex_; }
  TAdsTableOptions AdsTableOptions;

  // ---- what the connection and the error objects ask of a cursor ----
  virtual bool IsTable() const { return false; }
  virtual std::string DatabaseName() const { return {}; }
  virtual std::string TableName() const { return {}; }
  // The bound connection's DataFolder, or empty text.
  std::string DataFolder() const;
  // The dictionary's answer about the table's default index, after a dictionary connect.
  virtual void ApplyDefaultIndexAnswer(std::uint32_t result, const std::string& indexName) {}
  // The connection disconnected: drop the statement handle without closing it.
  virtual void ForgetStatement() {}
  // The cursor this one follows, if any (for the circular-link checks).
  virtual TAdsDataSet* MasterDataSet() const { return nullptr; }

  // ---- for data sources and column objects ----
  void AttachDataSource(TDataSource* source);
  void DetachDataSource(TDataSource* source);
  // The record image reads use in the current state, or nullptr (no current row).
  const std::uint8_t* ReadImage() const;
  // The record image assignments write to (edit row or key buffer). REQUIRES: editing state.
  std::uint8_t* WriteImage();
  // Asks the engine for the table type (every NULL test does); true for ADT tables.
  bool IsAdtTable() const;
  DateTextConverter& Dates() { return *this; }
  // The state and permission checks before a column is assigned (may raise).
  void BeforeFieldAssign(TField& field);
  // Marks the column modified and tells the following cursors.
  void AfterFieldAssign(TField& field);

 protected:
  enum class ReadMode { current, next, prior };
  enum class ReadOutcome { row, start, end, error };

  // ---- what each kind of cursor supplies ----
  // Produces the cursor handle (executes the statement or opens the table), connecting first.
  virtual ace::ADSHANDLE OpenCursorHandle() = 0;
  // Puts the row order in force (sets activeIndex_); the core default is natural order.
  virtual void ApplyRowOrder() { activeIndex_ = cursor_; }
  // Whether the result itself is read-only beyond the open options (the query's static result).
  virtual bool ResultReadOnly() const { return false; }
  // Called before each AdsGetRecordNum of a row read (the query asks for its index handle).
  virtual void BeforeRecordNumber() {}
  // After the cursor reached browse state at open, before followers are told (links follow).
  virtual void OpenFinished() {}
  // After the core's close steps.
  virtual void AfterClose() {}
  // Whether edits skip record locks (Exclusive tables).
  virtual bool IsExclusive() const { return false; }
  // Whether edits need the row checksum.
  bool Optimistic() const;

  ReadOutcome ReadRow(RowBuffer& buffer, ReadMode mode);
  // Reads rows forward from the engine's position to fill the buffer count, then backwards
  // when none came; sets the row flags.
  void FillRows();
  // Re-reads the rows after a post, a cancel or a dropped range (data-changed notice follows).
  void Resync();
  // Allocates buffer count + 1 row buffers sized for the record and the active bookmark.
  void RebuildRowBuffers();
  // Returns the engine to the current row when a read without a row lost the position.
  void ReturnToCurrentRow();
  // Puts the engine on the current row (edit and post), unless it is already there.
  void PositionOnCurrentRow();
  void DataEvent(TDataEvent event, TField* field = nullptr);
  void SetState(TDataSetState state);
  // Closes without raising (destructors).
  void CloseQuietly() noexcept;
  KeyBuffer& Key(KeyBufferIndex index) { return keyBuffers_[index]; }
  void ResetKeyBuffer(KeyBuffer& buffer);
  // Key state around filling a key buffer: notifications are held back meanwhile.
  void BeginKeyState(KeyBuffer& buffer);
  void EndKeyState();
  RowBuffer& CurrentRow() { return buffers_[current_]; }

  ace::ADSHANDLE cursor_ = ace::kNoHandle;
  ace::ADSHANDLE activeIndex_ = ace::kNoHandle;
  std::uint32_t recordLength_ = 0;
  std::uint32_t openOptions_ = 0;

 private:
  void OpenCursor();
  void CloseCursor();
  void ReadColumnList();
  void AllocateKeyBuffers();
  double JulianFromText(std::string_view text) override;
  std::string TextFromJulian(double julian) override;

  TDataSetState state_ = TDataSetState::dsInactive;
  TDataSetState stateBeforeKey_ = TDataSetState::dsBrowse;
  TAdsConnection* connection_ = nullptr;
  std::vector<TDataSource*> dataSources_;
  bool atStart_ = true;
  bool atEnd_ = true;
  bool hasRow_ = false;
  bool positionLost_ = false;
  bool canModify_ = false;
  bool modified_ = false;
  int heldNotifications_ = 0;
  std::uint32_t bookmarkLength_ = 0;
  std::int32_t bufferCount_ = 0;
  std::vector<RowBuffer> buffers_;
  std::size_t current_ = 0;
  std::vector<ColumnDesc> columns_;
  std::vector<std::unique_ptr<TField>> fields_;
  // Each field's exact name to what the search ignoring case finds for it, so the look-ups of
  // every row move (key segments by name) cost one hash, not a compare per field.
  struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
  };
  std::unordered_map<std::string, TField*, NameHash, std::equal_to<>> fieldsByName_;
  std::vector<std::size_t> largeColumns_;
  std::vector<std::size_t> textColumns_;
  std::vector<KeyBuffer> keyBuffers_;
  std::vector<std::uint8_t> nullRecord_;
  KeyBuffer* keyInUse_ = nullptr;
  // Edit data: the image before the edit and, for optimistic locking, the row checksum.
  std::vector<std::uint8_t> editOriginal_;
  std::uint32_t editChecksum_ = 0;
  bool optimisticLockTaken_ = false;

  friend class TField;
};

}  // namespace lw
