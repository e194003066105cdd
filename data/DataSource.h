#pragma once
// A data source names the cursor a link follows (dsQryChg, dsTblChg, dsPax) and passes that
// cursor's notifications on to the master links attached to it.

#include <vector>

#include "data/AdsDataSet.h"
#include "data/Component.h"

namespace lw {

class TMasterDataLink;

class TDataSource : public TComponent {
 public:
  TDataSource(std::string name, const ComponentOwner* owner);
  ~TDataSource() override;

  TAdsDataSet* DataSet() const { return dataSet_; }
  // Follows `dataSet` (nullptr: none). A cursor that follows, directly or through further
  // links, a detail of this source would close a loop: EDatabaseError
  // "Circular datalinks are not allowed".
  void SetDataSet(TAdsDataSet* dataSet);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  // The cursor's state; dsInactive without an open cursor or when disabled.
  TDataSetState State() const;

  // Links attached by detail cursors (MasterSource).
  void AddLink(TMasterDataLink* link);
  void RemoveLink(TMasterDataLink* link);
  const std::vector<TMasterDataLink*>& Links() const { return links_; }

  // From the cursor: an event to pass on to the links.
  void DataEvent(TDataEvent event, TField* field);
  // From the cursor: it is being destroyed.
  void DataSetDestroyed();

 private:
  void NotifyActivity();

  TAdsDataSet* dataSet_ = nullptr;
  bool enabled_ = true;
  std::vector<TMasterDataLink*> links_;
};

}  // namespace lw
