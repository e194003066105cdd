#include "data/MasterDataLink.h"

#include <algorithm>

#include "data/AdsTable.h"
#include "data/DataSource.h"
#include "data/IndexDefs.h"

namespace lw {

TMasterDataLink::~TMasterDataLink() {
  if (source_) source_->RemoveLink(this);
}

void TMasterDataLink::SetDataSource(TDataSource* source) {
  if (source == source_) return;
  if (source_) source_->RemoveLink(this);
  source_ = source;
  if (source_) source_->AddLink(this);
  UpdateActivity();
}

void TMasterDataLink::SetFieldNames(std::string names) {
  fieldNames_ = std::move(names);
  if (active_) ActiveChanged();
}

void TMasterDataLink::UpdateActivity() {
  const bool active = source_ && source_->State() != TDataSetState::dsInactive;
  if (active == active_) return;
  active_ = active;
  ActiveChanged();
}

void TMasterDataLink::ActiveChanged() {
  fields_.clear();
  if (active_) {
    std::vector<TField*> found;
    std::string_view rest = fieldNames_;
    while (!rest.empty()) {
      const auto semicolon = rest.find(';');
      const std::string name = Trimmed(rest.substr(0, semicolon));
      rest = semicolon == std::string_view::npos ? std::string_view() : rest.substr(semicolon + 1);
      if (name.empty()) continue;
      found.push_back(&source_->DataSet()->FieldByName(name));
    }
    fields_ = std::move(found);
  }
  if (!detail_.Active()) return;
  if (active_ && !fields_.empty()) {
    MasterChanged();
  } else {
    detail_.DisableLink();
  }
}

void TMasterDataLink::MasterChanged() {
  if (!source_ || !source_->DataSet()) return;
  if (source_->DataSet()->State() == TDataSetState::dsSetKey) return;
  if (!detail_.Active() || fields_.empty()) return;
  detail_.MasterChanged(fields_);
}

void TMasterDataLink::DataEvent(TDataEvent event, TField* field) {
  switch (event) {
    case TDataEvent::deStateChange: UpdateActivity(); break;
    case TDataEvent::deDataSetChange:
    case TDataEvent::deRecordChange:
      if (active_) MasterChanged();
      break;
    case TDataEvent::deFieldChange:
      if (active_ && std::find(fields_.begin(), fields_.end(), field) != fields_.end()) MasterChanged();
      break;
    case TDataEvent::deCheckBrowseMode:
      if (detail_.Active()) detail_.CheckBrowseMode();
      break;
  }
}

}  // namespace lw
