#include "data/DataSource.h"

#include <algorithm>

#include "common/Exceptions.h"
#include "data/AdsTable.h"
#include "data/ListenerSnapshot.h"
#include "data/MasterDataLink.h"

namespace lw {

TDataSource::TDataSource(std::string name, const ComponentOwner* owner) : TComponent(std::move(name), owner) {}

TDataSource::~TDataSource() {
  if (dataSet_) dataSet_->DetachDataSource(this);
  dataSet_ = nullptr;
  const std::vector<TMasterDataLink*> links = links_;
  links_.clear();
  for (TMasterDataLink* link : links) {
    try {
      link->SourceDestroyed();
    } catch (...) {
      // Destruction goes on whatever the detail reports.
    }
  }
}

void TDataSource::SetDataSet(TAdsDataSet* dataSet) {
  if (dataSet == dataSet_) return;
  // Following a cursor that itself follows this source, directly or through its masters,
  // would close a loop.
  for (TAdsDataSet* master = dataSet; master; master = master->MasterDataSet()) {
    if (auto* table = dynamic_cast<TAdsTable*>(master); table && table->MasterSource() == this) {
      throw EDatabaseError("Circular datalinks are not allowed");
    }
  }
  if (dataSet_) dataSet_->DetachDataSource(this);
  dataSet_ = dataSet;
  if (dataSet_) dataSet_->AttachDataSource(this);
  NotifyActivity();
}

void TDataSource::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  NotifyActivity();
}

TDataSetState TDataSource::State() const {
  if (!dataSet_ || !enabled_) return TDataSetState::dsInactive;
  const TDataSetState state = dataSet_->State();
  return state == TDataSetState::dsOpening ? TDataSetState::dsInactive : state;
}

void TDataSource::AddLink(TMasterDataLink* link) {
  if (std::find(links_.begin(), links_.end(), link) == links_.end()) links_.push_back(link);
}

void TDataSource::RemoveLink(TMasterDataLink* link) {
  links_.erase(std::remove(links_.begin(), links_.end(), link), links_.end());
}

void TDataSource::DataEvent(TDataEvent event, TField* field) {
  if (!enabled_) return;
  for (TMasterDataLink* link : ListenerSnapshot(links_)) link->DataEvent(event, field);
}

void TDataSource::NotifyActivity() {
  for (TMasterDataLink* link : ListenerSnapshot(links_)) link->DataEvent(TDataEvent::deStateChange, nullptr);
}

void TDataSource::DataSetDestroyed() {
  dataSet_ = nullptr;
  try {
    NotifyActivity();
  } catch (...) {
    // The cursor is going away; its followers drop their ranges as far as they can.
  }
}

}  // namespace lw
