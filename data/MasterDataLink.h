#pragma once
// The link of a detail table cursor to its master (MasterSource, MasterFields): it keeps the
// master's link columns and makes the detail follow the master's current row by scoping the
// detail's active index to the master's link values.

#include <string>
#include <vector>

#include "data/AdsDataSet.h"

namespace lw {

class TAdsTable;
class TDataSource;
class TField;

class TMasterDataLink {
 public:
  explicit TMasterDataLink(TAdsTable& detail) : detail_(detail) {}
  ~TMasterDataLink();
  TMasterDataLink(const TMasterDataLink&) = delete;
  TMasterDataLink& operator=(const TMasterDataLink&) = delete;

  TDataSource* DataSource() const { return source_; }
  void SetDataSource(TDataSource* source);
  // Master column names separated by ";"; each name is trimmed of blanks.
  void SetFieldNames(std::string names);
  const std::string& FieldNames() const { return fieldNames_; }
  // The master's column objects for FieldNames, while the link is active.
  const std::vector<TField*>& Fields() const { return fields_; }
  bool Active() const { return active_; }

  // From the data source.
  void DataEvent(TDataEvent event, TField* field);
  // The data source is going away.
  void SourceDestroyed() {
    source_ = nullptr;
    UpdateActivity();
  }

 private:
  void UpdateActivity();
  void ActiveChanged();
  void MasterChanged();

  TAdsTable& detail_;
  TDataSource* source_ = nullptr;
  std::string fieldNames_;
  std::vector<TField*> fields_;
  bool active_ = false;
};

}  // namespace lw
