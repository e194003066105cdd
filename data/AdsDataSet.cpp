#include "data/AdsDataSet.h"

#include <algorithm>
#include <cstring>
#include <exception>

#include "data/AdsConnection.h"
#include "data/AdsErrors.h"
#include "data/DataSource.h"
#include "data/Fields.h"
#include "data/IndexDefs.h"
#include "data/ListenerSnapshot.h"
#include "data/ace/AceErrors.h"
#include "data/ace/AceProvider.h"

namespace lw {

namespace {

constexpr std::uint16_t kFieldNameBufferSize = 129;
constexpr std::uint16_t kRecordNumberOption = 2;

}  // namespace

std::int32_t RowBuffer::BookmarkRecord() const {
  std::int32_t value = 0;
  std::memcpy(&value, bookmark.data(), std::min<std::size_t>(bookmark.size(), sizeof value));
  return value;
}

bool KeyBuffer::SameKey(const KeyBuffer& other) const {
  return modified == other.modified && exclusive == other.exclusive && fieldCount == other.fieldCount &&
         record == other.record;
}

TAdsDataSet::TAdsDataSet(std::string name, const ComponentOwner* owner) : TComponent(std::move(name), owner) {}

TAdsDataSet::~TAdsDataSet() {
  CloseQuietly();
  const std::vector<TDataSource*> sources = dataSources_;
  for (TDataSource* source : sources) source->DataSetDestroyed();
  if (connection_) connection_->RemoveCursor(this);
}

void TAdsDataSet::SetAdsConnection(TAdsConnection* connection) {
  if (connection == connection_) return;
  if (Active()) RaiseCursorError(this, "Table must not be Active.");
  if (connection_) connection_->RemoveCursor(this);
  connection_ = connection;
  if (connection_) connection_->AddCursor(this);
}

std::string TAdsDataSet::DataFolder() const { return connection_ ? connection_->DataFolder() : std::string(); }

void TAdsDataSet::AttachDataSource(TDataSource* source) {
  if (std::find(dataSources_.begin(), dataSources_.end(), source) == dataSources_.end()) {
    dataSources_.push_back(source);
  }
}

void TAdsDataSet::DetachDataSource(TDataSource* source) {
  dataSources_.erase(std::remove(dataSources_.begin(), dataSources_.end(), source), dataSources_.end());
}

void TAdsDataSet::DataEvent(TDataEvent event, TField* field) {
  if (heldNotifications_ > 0) return;
  for (TDataSource* source : ListenerSnapshot(dataSources_)) source->DataEvent(event, field);
}

void TAdsDataSet::SetState(TDataSetState state) {
  if (state_ == state) return;
  state_ = state;
  DataEvent(TDataEvent::deStateChange);
}

void TAdsDataSet::SetActive(bool active) {
  if (active == Active()) return;
  if (active) {
    OpenCursor();
  } else {
    CloseCursor();
  }
}

bool TAdsDataSet::Optimistic() const {
  return AdsTableOptions.AdsRecordLockingMode == TAdsRecordLockingMode::lmOptimistic && !IsExclusive();
}

void TAdsDataSet::OpenCursor() {
  if (cursor_ != ace::kNoHandle) RaiseCursorError(this, "Table is already open.");
  auto& ace = ace::Ace();
  state_ = TDataSetState::dsOpening;
  try {
    cursor_ = OpenCursorHandle();
    CheckAce(this, ace.AdsGetRecordLength(cursor_, &recordLength_));
    CheckAce(this, ace.AdsGetTableOpenOptions(cursor_, &openOptions_));
    canModify_ = (openOptions_ & ace::kOptionReadOnly) == 0 && !ResultReadOnly();
    if (AdsTableOptions.AdsRecordCache == TAdsRecordCache::rcNone) {
      CheckAce(this, ace.AdsCacheRecords(cursor_, 0));
    } else if (AdsTableOptions.AdsRecordCache == TAdsRecordCache::rcAggressive) {
      CheckAce(this, ace.AdsCacheRecords(cursor_, 100));
    }
    // The page size is informational: no failure here stops the open.
    ace::ADSHANDLE firstIndex = ace::kNoHandle;
    std::uint16_t indexCount = 1;
    AdsTableOptions.AdsIndexPageSize = 0;
    const std::uint32_t indexes = ace.AdsGetAllIndexes(cursor_, &firstIndex, &indexCount);
    if (indexes == 0 || indexes == ace::kInsufficientBuffer) {
      std::uint32_t pageSize = 0;
      if (ace.AdsGetIndexPageSize(firstIndex, &pageSize) == 0) {
        AdsTableOptions.AdsIndexPageSize = static_cast<std::uint16_t>(pageSize);
      }
    }
    CheckAce(this, ace.AdsGetBookmarkLength(activeIndex_ > 0 ? activeIndex_ : cursor_, &bookmarkLength_));
    AllocateKeyBuffers();
    ReadColumnList();
    ApplyRowOrder();
    RebuildRowBuffers();
    CheckAce(this, ace.AdsGotoBOF(activeIndex_));
    positionLost_ = false;
    bufferCount_ = 1;
    FillRows();
    state_ = TDataSetState::dsBrowse;
    OpenFinished();
  } catch (...) {
    CloseCursor();
    throw;
  }
  // The followers learn of the open last; a missing link column fails here with the cursor open.
  DataEvent(TDataEvent::deStateChange);
}

void TAdsDataSet::AllocateKeyBuffers() {
  keyBuffers_.assign(kKeyBufferCount, KeyBuffer());
  for (KeyBuffer& buffer : keyBuffers_) {
    buffer.record.assign(recordLength_ + 1, 0);
    CheckAce(this, ace::Ace().AdsGetNullRecord(cursor_, buffer.record.data(), recordLength_));
    nullRecord_ = buffer.record;
    ResetKeyBuffer(buffer);
  }
}

void TAdsDataSet::ResetKeyBuffer(KeyBuffer& buffer) {
  buffer.modified = false;
  buffer.exclusive = false;
  buffer.fieldCount = 0;
  // The engine's empty row of this open table, as fetched at open: a key reset on every master
  // move must not cost an engine call.
  buffer.record = nullRecord_;
  buffer.lengths.assign(columns_.size() + 1, kNoKeyValue);
  buffer.size = static_cast<std::int32_t>(recordLength_ + 2 * buffer.lengths.size() + 12);
}

void TAdsDataSet::ReadColumnList() {
  auto& ace = ace::Ace();
  std::uint16_t count = 0;
  CheckAce(this, ace.AdsGetNumFields(cursor_, &count));
  columns_.clear();
  columns_.reserve(count);
  for (std::uint16_t number = 1; number <= count; ++number) {
    ColumnDesc column;
    column.number = number;
    CheckAce(this, ace.AdsGetFieldType(cursor_, number, &column.typeCode));
    CheckAce(this, ace.AdsGetFieldLength(cursor_, number, &column.length));
    if (column.typeCode == ace::ColumnType::kNumeric) {
      CheckAce(this, ace.AdsGetFieldDecimals(cursor_, number, &column.decimals));
    }
    char name[kFieldNameBufferSize + 1] = {};
    std::uint16_t nameLength = kFieldNameBufferSize;
    CheckAce(this, ace.AdsGetFieldName(cursor_, number, name, &nameLength));
    column.name.assign(name, strnlen(name, kFieldNameBufferSize));
    CheckAce(this, ace.AdsGetFieldOffset(cursor_, number, &column.offset));
    CheckAce(this, ace.AdsGetColumnPermissions(cursor_, number, &column.permissions));
    const auto fieldType = FieldTypeFromColumnType(column.typeCode, static_cast<int>(column.length), column.decimals);
    if (!fieldType) RaiseCursorError(this, UnknownFieldTypeMessage(column.typeCode));
    column.fieldType = *fieldType;
    columns_.push_back(std::move(column));
  }
  fieldsByName_.clear();
  fields_.clear();
  largeColumns_.clear();
  textColumns_.clear();
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    fields_.push_back(std::make_unique<TField>(*this, i));
    if (ace::IsLargeColumn(columns_[i].typeCode)) largeColumns_.push_back(i);
    if (ace::IsBlankPaddedText(columns_[i].typeCode)) textColumns_.push_back(i);
  }
  for (const auto& field : fields_) {
    const std::string& name = field->FieldName();
    if (!fieldsByName_.contains(name)) fieldsByName_.emplace(name, FindField(name));
  }
  // The key buffers' length slots cover every column ordinal.
  for (KeyBuffer& buffer : keyBuffers_) {
    buffer.lengths.assign(columns_.size() + 1, kNoKeyValue);
    buffer.size = static_cast<std::int32_t>(recordLength_ + 2 * buffer.lengths.size() + 12);
  }
}

void TAdsDataSet::RebuildRowBuffers() {
  const ace::ADSHANDLE handle = activeIndex_ > 0 ? activeIndex_ : cursor_;
  CheckAce(this, ace::Ace().AdsGetBookmarkLength(handle, &bookmarkLength_));
  buffers_.assign(2, RowBuffer());
  for (RowBuffer& buffer : buffers_) {
    buffer.record.assign(recordLength_ + 1, 0);
    buffer.bookmark.assign(std::max<std::uint32_t>(bookmarkLength_, 4), 0);
  }
  current_ = 0;
  hasRow_ = false;
}

void TAdsDataSet::CloseCursor() {
  const bool wasOpen = Active();
  state_ = TDataSetState::dsInactive;
  // A follower failing to react must not leave this cursor half closed: finish, then report.
  std::exception_ptr followerError;
  if (wasOpen) {
    try {
      DataEvent(TDataEvent::deStateChange);
    } catch (...) {
      followerError = std::current_exception();
    }
  }
  buffers_.clear();
  fieldsByName_.clear();
  fields_.clear();
  columns_.clear();
  largeColumns_.clear();
  textColumns_.clear();
  keyBuffers_.clear();
  nullRecord_.clear();
  keyInUse_ = nullptr;
  editOriginal_.clear();
  modified_ = false;
  if (cursor_ != ace::kNoHandle) {
    // A close cannot be refused: the engine's answer is not looked at.
    ace::Ace().AdsCloseTable(cursor_);
  }
  cursor_ = ace::kNoHandle;
  activeIndex_ = ace::kNoHandle;
  canModify_ = false;
  bufferCount_ = 0;
  hasRow_ = false;
  positionLost_ = false;
  atStart_ = true;
  atEnd_ = true;
  AfterClose();
  if (followerError) std::rethrow_exception(followerError);
}

void TAdsDataSet::CloseQuietly() noexcept {
  try {
    if (Active() || cursor_ != ace::kNoHandle) CloseCursor();
  } catch (...) {
    // Destruction goes on whatever the followers reported.
  }
}

TAdsDataSet::ReadOutcome TAdsDataSet::ReadRow(RowBuffer& buffer, ReadMode mode) {
  if (cursor_ == ace::kNoHandle || state_ == TDataSetState::dsInsert) return ReadOutcome::error;
  auto& ace = ace::Ace();
  if (mode == ReadMode::next) CheckAce(this, ace.AdsSkip(activeIndex_, 1));
  if (mode == ReadMode::prior) CheckAce(this, ace.AdsSkip(activeIndex_, -1));
  std::uint16_t fieldCount = 0;
  CheckAce(this, ace.AdsGetNumFields(cursor_, &fieldCount));
  for (;;) {
    std::uint16_t flag = 0;
    CheckAce(this, ace.AdsAtEOF(cursor_, &flag));
    if (flag && mode != ReadMode::prior) return ReadOutcome::end;
    flag = 0;
    CheckAce(this, ace.AdsAtBOF(cursor_, &flag));
    if (flag && mode != ReadMode::next) return ReadOutcome::start;
    std::uint16_t visible = 0;
    const std::uint32_t result = ace.AdsIsRecordVisible(activeIndex_, &visible);
    if (result == ace::kNoCurrentRecord) {
      // No row under the engine's position: treat it as the edge in the reading direction.
      return mode == ReadMode::prior  ? ReadOutcome::start
             : mode == ReadMode::next ? ReadOutcome::end
                                      : ReadOutcome::error;
    }
    CheckAce(this, result);
    if (!visible) {
      if (mode == ReadMode::current) return ReadOutcome::error;
      CheckAce(this, ace.AdsSkip(activeIndex_, mode == ReadMode::next ? 1 : -1));
      continue;
    }
    std::uint32_t length = recordLength_;
    CheckAce(this, ace.AdsGetRecord(cursor_, buffer.record.data(), &length));
    std::uint32_t bookmarkLength = static_cast<std::uint32_t>(buffer.bookmark.size());
    CheckAce(this,
             ace.AdsGetBookmark60(activeIndex_ > 0 ? activeIndex_ : cursor_, buffer.bookmark.data(), &bookmarkLength));
    for (std::size_t i : largeColumns_) {
      std::uint16_t empty = 0;
      CheckAce(this, ace.AdsIsEmpty(cursor_, columns_[i].number, &empty));
      image::StoreInt32(buffer.record.data() + columns_[i].offset, empty ? 0 : -1);
    }
    if (AdsTableOptions.AdsCharType == TAdsCharType::OEM) {
      for (std::size_t i : textColumns_) {
        const ColumnDesc& column = columns_[i];
        std::uint8_t* place = buffer.record.data() + column.offset;
        const std::uint8_t behind = place[column.length];
        std::uint32_t textLength = column.length + 1;
        CheckAce(this, ace.AdsGetField(cursor_, column.number, reinterpret_cast<char*>(place), &textLength, 0));
        place[column.length] = behind;
      }
    }
    break;
  }
  BeforeRecordNumber();
  std::uint32_t recordNumber = 0;
  CheckAce(this, ace.AdsGetRecordNum(cursor_, kRecordNumberOption, &recordNumber));
  buffer.recordNumber = static_cast<std::int32_t>(recordNumber);
  buffer.status = 0;
  buffer.bookmarkFlag = 0;
  return ReadOutcome::row;
}

void TAdsDataSet::ReturnToCurrentRow() {
  if (!positionLost_ || !hasRow_ || state_ == TDataSetState::dsInsert) return;
  const std::uint32_t result = ace::Ace().AdsGotoBookmark(cursor_, CurrentRow().BookmarkRecord());
  if (result != ace::kRecordNotFound) CheckAce(this, result);
  positionLost_ = false;
}

void TAdsDataSet::FillRows() {
  hasRow_ = false;
  atStart_ = true;
  atEnd_ = true;
  current_ = 0;
  ReadOutcome outcome = ReadRow(buffers_[current_], ReadMode::next);
  if (outcome != ReadOutcome::row) {
    positionLost_ = true;
    outcome = ReadRow(buffers_[current_], ReadMode::prior);
  }
  if (outcome == ReadOutcome::row) {
    hasRow_ = true;
    positionLost_ = false;
    atStart_ = false;
    atEnd_ = false;
  }
  atStart_ = true;
}

void TAdsDataSet::MoveFirst() {
  CheckBrowseMode();
  hasRow_ = false;
  atStart_ = true;
  atEnd_ = true;
  CheckAce(this, ace::Ace().AdsGotoBOF(activeIndex_));
  positionLost_ = false;
  current_ = 0;
  if (ReadRow(buffers_[current_], ReadMode::next) == ReadOutcome::row) {
    hasRow_ = true;
    atStart_ = false;
    atEnd_ = false;
  } else {
    positionLost_ = true;
  }
  atStart_ = true;
  DataEvent(TDataEvent::deDataSetChange);
}

void TAdsDataSet::MoveNext() {
  CheckBrowseMode();
  if (atEnd_) return;
  atStart_ = false;
  atEnd_ = false;
  ReturnToCurrentRow();
  const std::size_t spare = 1 - current_;
  if (ReadRow(buffers_[spare], ReadMode::next) == ReadOutcome::row) {
    current_ = spare;
    hasRow_ = true;
  } else {
    atEnd_ = true;
    positionLost_ = true;
  }
  DataEvent(TDataEvent::deDataSetChange);
}

void TAdsDataSet::Resync() {
  ReturnToCurrentRow();
  RowBuffer& row = CurrentRow();
  ReadOutcome outcome = ReadRow(row, ReadMode::current);
  if (outcome != ReadOutcome::row) outcome = ReadRow(row, ReadMode::next);
  if (outcome != ReadOutcome::row) outcome = ReadRow(row, ReadMode::prior);
  if (outcome == ReadOutcome::row) {
    hasRow_ = true;
    positionLost_ = false;
    atStart_ = false;
    atEnd_ = false;
  } else {
    hasRow_ = false;
    positionLost_ = true;
    atStart_ = true;
    atEnd_ = true;
  }
  DataEvent(TDataEvent::deDataSetChange);
}

std::int32_t TAdsDataSet::RowCount() {
  if (!Active()) RaiseDatabaseError(this, "Cannot perform this operation on a closed dataset");
  std::uint16_t option = ace::kCountIgnoreFilters;
  if (AdsTableOptions.AdsFilterOptions == TAdsFilterOption::RESPECT_WHEN_COUNTING) {
    option = ace::kCountRespectFilters;
  } else if (AdsTableOptions.AdsScopeOptions == TAdsScopeOption::RESPECT_SCOPES_WHEN_COUNTING) {
    option = ace::kCountRespectScopes;
  }
  if (AdsTableOptions.AdsFreshRecordCount) option += ace::kCountFresh;
  std::uint32_t count = 0;
  CheckAce(this, ace::Ace().AdsGetRecordCount(activeIndex_, option, &count));
  return static_cast<std::int32_t>(count);
}

TField* TAdsDataSet::FindField(std::string_view name) const {
  if (auto known = fieldsByName_.find(name); known != fieldsByName_.end()) return known->second;
  for (const auto& field : fields_) {
    if (SameTextIgnoringCase(field->FieldName(), name)) return field.get();
  }
  return nullptr;
}

TField& TAdsDataSet::FieldByName(std::string_view name) const {
  TField* field = FindField(name);
  if (field == nullptr) RaiseDatabaseError(this, "Field '" + std::string(name) + "' not found");
  return *field;
}

const std::uint8_t* TAdsDataSet::ReadImage() const {
  switch (state_) {
    case TDataSetState::dsSetKey: return keyInUse_ ? keyInUse_->record.data() : nullptr;
    case TDataSetState::dsEdit:
    case TDataSetState::dsInsert: return buffers_[current_].record.data();
    case TDataSetState::dsBrowse: return hasRow_ ? buffers_[current_].record.data() : nullptr;
    default: return nullptr;
  }
}

std::uint8_t* TAdsDataSet::WriteImage() {
  if (state_ == TDataSetState::dsSetKey && keyInUse_) return keyInUse_->record.data();
  return buffers_[current_].record.data();
}

bool TAdsDataSet::IsAdtTable() const {
  std::uint16_t type = 0;
  CheckAce(this, ace::Ace().AdsGetTableType(cursor_, &type));
  return type == ace::kTableAdt;
}

double TAdsDataSet::JulianFromText(std::string_view text) {
  const std::string zeroTerminated(text);
  double julian = 0;
  CheckAce(this, ace::Ace().AdsConvertStringToJulian(zeroTerminated.c_str(),
                                                     static_cast<std::uint16_t>(zeroTerminated.size()), &julian));
  return julian;
}

std::string TAdsDataSet::TextFromJulian(double julian) {
  char buffer[64] = {};
  std::uint16_t length = sizeof buffer - 1;
  CheckAce(this, ace::Ace().AdsConvertJulianToString(julian, buffer, &length));
  return std::string(buffer, strnlen(buffer, sizeof buffer));
}

void TAdsDataSet::BeginKeyState(KeyBuffer& buffer) {
  ++heldNotifications_;
  stateBeforeKey_ = state_;
  keyInUse_ = &buffer;
  state_ = TDataSetState::dsSetKey;
}

void TAdsDataSet::EndKeyState() {
  state_ = stateBeforeKey_;
  keyInUse_ = nullptr;
  --heldNotifications_;
}

}  // namespace lw
