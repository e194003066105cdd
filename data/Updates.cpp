// Editing a cursor's current row: edit under a record lock, assign, post only the assigned
// columns, cancel, and the browse-mode check that runs before every move.

#include <algorithm>

#include "data/AdsDataSet.h"
#include "data/AdsErrors.h"
#include "data/Fields.h"
#include "data/ace/AceErrors.h"
#include "data/ace/AceProvider.h"

namespace lw {

namespace {

bool AllBlanks(const std::uint8_t* p, std::uint32_t length) {
  return std::all_of(p, p + length, [](std::uint8_t b) { return b == ' '; });
}

bool IsEditing(TDataSetState state) { return state == TDataSetState::dsEdit || state == TDataSetState::dsInsert; }

}  // namespace

void TAdsDataSet::PositionOnCurrentRow() { ReturnToCurrentRow(); }

void TAdsDataSet::CheckBrowseMode() {
  if (!Active()) RaiseDatabaseError(this, "Cannot perform this operation on a closed dataset");
  DataEvent(TDataEvent::deCheckBrowseMode);
  if (IsEditing(state_)) {
    if (modified_) {
      Post();
    } else {
      Cancel();
    }
  }
}

void TAdsDataSet::Edit() {
  if (IsEditing(state_)) return;
  if (!Active()) RaiseDatabaseError(this, "Cannot perform this operation on a closed dataset");
  // Editing without a current row would append a row holding only the assigned columns; a
  // partial transaction row must never be written, so the edit is refused instead.
  if (!hasRow_) RaiseCursorError(this, "Cannot edit: there is no current row.");
  CheckBrowseMode();
  if (!canModify_) RaiseDatabaseError(this, "Cannot modify a read-only dataset");
  auto& ace = ace::Ace();
  PositionOnCurrentRow();
  if ((openOptions_ & ace::kOptionUpdateRight) == 0) {
    CheckAce(this, ace.AdsSetLastError(ace::kPermissionDenied, "Update permission not granted on this table."));
  }
  const std::int32_t recordNumber = CurrentRow().BookmarkRecord();
  const bool locking =
      !IsExclusive() && !Optimistic() && AdsTableOptions.AdsRecordLockingMode == TAdsRecordLockingMode::lmPessimistic;
  if (locking) {
    const std::uint32_t result = ace.AdsLockRecord(cursor_, static_cast<std::uint32_t>(recordNumber));
    if (result == ace::kStaticView) {
      throw EADSDatabaseError(this, "This table is based on a static VIEW. Static VIEWs can not be updated.",
                              ace::kStaticView);
    }
    CheckAce(this, result);
  }
  try {
    // Start from the row as stored now, under the lock: another user's change survives.
    if (ReadRow(CurrentRow(), ReadMode::current) != ReadOutcome::row) {
      RaiseCursorError(this, "The record no longer exists in the table.");
    }
    if (Optimistic()) CheckAce(this, ace.AdsGetRecordCRC(cursor_, &editChecksum_, 0));
  } catch (...) {
    // The lock must not outlive a failed edit: other users would stay blocked.
    if (locking) ace.AdsUnlockRecord(cursor_, static_cast<std::uint32_t>(recordNumber));
    throw;
  }
  editOriginal_ = CurrentRow().record;
  for (ColumnDesc& column : columns_) column.modified = false;
  modified_ = false;
  SetState(TDataSetState::dsEdit);
  DataEvent(TDataEvent::deRecordChange);
}

void TAdsDataSet::Post() {
  if (!IsEditing(state_)) RaiseDatabaseError(this, "Dataset not in edit or insert mode");
  DataEvent(TDataEvent::deCheckBrowseMode);
  auto& ace = ace::Ace();
  PositionOnCurrentRow();
  const auto recordNumber = static_cast<std::uint32_t>(CurrentRow().BookmarkRecord());
  bool optimisticLock = false;
  try {
    CheckAce(this, ace.AdsGotoRecord(cursor_, recordNumber));
    if (Optimistic()) {
      CheckAce(this, ace.AdsLockRecord(cursor_, 0));
      optimisticLock = true;
      std::uint32_t checksum = 0;
      CheckAce(this, ace.AdsGetRecordCRC(cursor_, &checksum, 0));
      if (checksum != editChecksum_) {
        throw EADSDatabaseError(this, "Record was changed by another user.", ace::kRecordChanged);
      }
    }
    const std::uint8_t* record = CurrentRow().record.data();
    for (auto it = columns_.rbegin(); it != columns_.rend(); ++it) {
      const ColumnDesc& column = *it;
      if (!column.modified) continue;
      if (ace::IsLargeColumn(column.typeCode) || column.typeCode == ace::ColumnType::kAutoInc) continue;
      const std::uint8_t* bytes = record + column.offset;
      if (ace::IsBlankPaddedText(column.typeCode)) {
        if (AllBlanks(bytes, column.length)) {
          CheckAce(this, ace.AdsSetEmpty(cursor_, column.number));
        } else {
          CheckAce(this, ace.AdsSetField(cursor_, column.number, reinterpret_cast<const char*>(bytes), column.length));
        }
      } else {
        CheckAce(this, ace.AdsSetFieldRaw(cursor_, column.number, bytes, column.length));
      }
    }
    CheckAce(this, ace.AdsWriteRecord(cursor_));
    if (!IsExclusive()) CheckAce(this, ace.AdsUnlockRecord(cursor_, recordNumber));
  } catch (...) {
    if (optimisticLock) ace.AdsUnlockRecord(cursor_, recordNumber);
    throw;
  }
  modified_ = false;
  for (ColumnDesc& column : columns_) column.modified = false;
  editOriginal_.clear();
  SetState(TDataSetState::dsBrowse);
  Resync();
}

void TAdsDataSet::Cancel() {
  if (!IsEditing(state_)) return;
  DataEvent(TDataEvent::deCheckBrowseMode);
  auto& ace = ace::Ace();
  PositionOnCurrentRow();
  const std::uint32_t result = ace.AdsCancelUpdate(cursor_);
  if (result != ace::kNoCurrentRecord && result != ace::kNoPendingUpdate) CheckAce(this, result);
  const auto recordNumber = static_cast<std::uint32_t>(CurrentRow().BookmarkRecord());
  if (ReadRow(CurrentRow(), ReadMode::current) != ReadOutcome::row && !editOriginal_.empty()) {
    CurrentRow().record = editOriginal_;
  }
  if (state_ == TDataSetState::dsEdit && !IsExclusive() && !Optimistic()) {
    CheckAce(this, ace.AdsUnlockRecord(cursor_, recordNumber));
  }
  modified_ = false;
  for (ColumnDesc& column : columns_) column.modified = false;
  editOriginal_.clear();
  SetState(TDataSetState::dsBrowse);
  Resync();
}

void TAdsDataSet::BeforeFieldAssign(TField& field) {
  if (state_ == TDataSetState::dsSetKey) return;
  if (!IsEditing(state_)) RaiseDatabaseError(this, "Dataset not in edit mode");
  if (field.ReadOnly) throw EDatabaseError("Field '" + field.FieldName() + "' cannot be modified");
  const ColumnDesc& column = field.Column();
  if (state_ == TDataSetState::dsEdit && (column.permissions & kPermissionUpdate) == 0) {
    CheckAce(this,
             ace::Ace().AdsSetLastError(ace::kPermissionDenied,
                                        ("Update permission not granted on this field: " + column.name + ".").c_str()));
  }
  if (state_ == TDataSetState::dsInsert && (column.permissions & kPermissionInsert) == 0) {
    CheckAce(this,
             ace::Ace().AdsSetLastError(ace::kPermissionDenied,
                                        ("Insert permission not granted on this field: " + column.name + ".").c_str()));
  }
}

void TAdsDataSet::AfterFieldAssign(TField& field) {
  ColumnDesc& column = columns_[field.ColumnIndex()];
  if (state_ == TDataSetState::dsSetKey && keyInUse_) {
    const bool text = ace::IsBlankPaddedText(column.typeCode);
    keyInUse_->lengths[column.number] =
        text ? static_cast<std::uint16_t>(image::Text(column, keyInUse_->record.data()).size()) : 1;
  } else {
    column.modified = true;
    modified_ = true;
  }
  DataEvent(TDataEvent::deFieldChange, &field);
}

}  // namespace lw
