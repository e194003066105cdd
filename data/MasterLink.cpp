// How a detail table cursor follows its master: the range start and end key buffers are
// filled from the master's link columns, compared with the range last applied, and only a
// changed range becomes new scopes on the active index.

#include <cstring>

#include "data/AdsErrors.h"
#include "data/AdsTable.h"
#include "data/DataSource.h"
#include "data/Fields.h"
#include "data/MasterDataLink.h"
#include "data/ace/AceErrors.h"
#include "data/ace/AceProvider.h"

namespace lw {

namespace {

constexpr std::uint16_t kSegmentNameRoom = 128;
constexpr std::uint16_t kRawKeyRoom = 4083;

}  // namespace

void TAdsTable::OpenFinished() {
  TAdsDataSet* master = MasterDataSet();
  if (master && master->Active() && masterLink_->Active() && !masterLink_->Fields().empty()) {
    MasterChanged(masterLink_->Fields());
  }
}

std::string_view TAdsTable::SegmentFieldName(std::uint16_t segment, std::uint32_t& result) {
  // Into a buffer kept with the table: asked for every segment of every key built.
  segmentName_.fill('\0');
  std::uint16_t length = kSegmentNameRoom;
  result = ace::Ace().AdsGetSegmentFieldname(activeIndex_, segment, segmentName_.data(), &length);
  return std::string_view(segmentName_.data(), strnlen(segmentName_.data(), kSegmentNameRoom));
}

TField& TAdsTable::SegmentField(std::size_t segment) {
  // The active index's key columns stay the same while it is active: look them up once.
  while (segmentFields_.size() <= segment) {
    std::uint32_t result = 0;
    const std::string_view name = SegmentFieldName(static_cast<std::uint16_t>(segmentFields_.size()), result);
    CheckAce(this, result);
    TField* field = FindField(name);
    if (field == nullptr) RaiseDatabaseError(this, "Field '" + std::string(name) + "' not found");
    segmentFields_.push_back(field);
  }
  return *segmentFields_[segment];
}

void TAdsTable::MasterChanged(const std::vector<TField*>& linkFields) {
  if (!Active() || linkFields.empty()) return;
  CheckBrowseMode();
  KeyBuffer& start = Key(kRangeStart);
  ResetKeyBuffer(start);
  start.modified = true;
  BeginKeyState(start);
  try {
    for (std::size_t i = 0; i < linkFields.size(); ++i) {
      // A master without a current row reads as Null, so the key holds the NULL image.
      SegmentField(i).SetValue(linkFields[i]->AsVariant());
    }
    start.fieldCount = static_cast<std::int32_t>(linkFields.size());
  } catch (...) {
    EndKeyState();
    throw;
  }
  EndKeyState();
  Key(kRangeEnd) = start;
  CheckBrowseMode();
  if (ApplyRange()) MoveFirst();
}

bool TAdsTable::ApplyRange() {
  if (Scoped) RaiseCursorError(this, "Cannot set range on table when there is an active scope.");
  const KeyBuffer& start = Key(kRangeStart);
  const KeyBuffer& end = Key(kRangeEnd);
  if (start.SameKey(Key(kAppliedStart)) && end.SameKey(Key(kAppliedEnd))) return false;
  auto& ace = ace::Ace();
  std::uint16_t keyLength = 0;
  CheckAce(this, ace.AdsGetKeyLength(activeIndex_, &keyLength));
  std::uint8_t key[kRawKeyRoom];
  if (start.modified) {
    const std::uint16_t length = BuildRawKey(start, key);
    CheckAce(this, ace.AdsSetScope(activeIndex_, ace::kScopeTop, key, length, ace::kRawKey));
    Key(kAppliedStart) = start;
  }
  if (end.modified) {
    const std::uint16_t length = BuildRawKey(end, key);
    CheckAce(this, ace.AdsSetScope(activeIndex_, ace::kScopeBottom, key, length, ace::kRawKey));
    Key(kAppliedEnd) = end;
  }
  return true;
}

std::uint16_t TAdsTable::BuildRawKey(const KeyBuffer& buffer, std::uint8_t* key) {
  auto& ace = ace::Ace();
  CheckAce(this, ace.AdsInitRawKey(activeIndex_));
  for (std::uint16_t segment = 0;; ++segment) {
    std::uint32_t result = 0;
    const std::string_view name = SegmentFieldName(segment, result);
    // Only "no such segment" ends the key. Any other failure (a storage error, say) would leave
    // a key of fewer segments: a wider scope whose rows, fixed, would overwrite good amounts.
    if (result == ace::kInvalidSegment) break;
    CheckAce(this, result);
    TField* field = FindField(name);
    if (field == nullptr) RaiseDatabaseError(this, "Field '" + std::string(name) + "' not found");
    const ColumnDesc& column = field->Column();
    const std::uint16_t slot = buffer.lengths[column.number];
    if (slot == kNoKeyValue) {
      if (AdsTableOptions.AdsAutoKeyFieldCount || buffer.fieldCount != 0) continue;
      CheckAce(this, ace.AdsSetEmpty(activeIndex_, column.number));
    } else if (ace::IsBlankPaddedText(column.typeCode)) {
      CheckAce(this,
               ace.AdsSetField(activeIndex_, column.number,
                               reinterpret_cast<const char*>(buffer.record.data() + column.offset), column.length));
    } else {
      CheckAce(this,
               ace.AdsSetFieldRaw(activeIndex_, column.number, buffer.record.data() + column.offset, column.length));
    }
  }
  std::uint16_t length = kRawKeyRoom;
  CheckAce(this, ace.AdsBuildRawKey(activeIndex_, key, &length));
  if (buffer.exclusive && TableType == TAdsTableType::ttAdsADT) {
    const std::int16_t direction = &buffer == &Key(kRangeEnd) || &buffer == &Key(kAppliedEnd) ? -1 : 1;
    CheckAce(this, ace.AdsStepIndexKey(activeIndex_, key, length, direction));
  }
  return length;
}

void TAdsTable::DisableLink() {
  if (!Active()) return;
  CheckBrowseMode();
  KeyBuffer& appliedStart = Key(kAppliedStart);
  KeyBuffer& appliedEnd = Key(kAppliedEnd);
  if (!appliedStart.modified && !appliedEnd.modified) return;
  auto& ace = ace::Ace();
  CheckAce(this, ace.AdsClearAllScopes(cursor_));
  std::uint16_t eof = 0, bof = 0;
  CheckAce(this, ace.AdsAtEOF(cursor_, &eof));
  CheckAce(this, ace.AdsAtBOF(cursor_, &bof));
  if (eof && bof) CheckAce(this, ace.AdsGotoTop(activeIndex_));
  ResetKeyBuffer(appliedStart);
  ResetKeyBuffer(appliedEnd);
  Resync();
}

}  // namespace lw
