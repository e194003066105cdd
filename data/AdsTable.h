#pragma once
// A table cursor (tblChg, tblPax, tblPay): opens one table of the practice through the
// connection, learns its indexes, orders its rows by the index whose key columns are given
// (IndexFieldNames) or by the dictionary's default index, and can follow a master cursor
// (MasterSource, MasterFields) by scoping its active index to the master's link values.

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/AdsDataSet.h"
#include "data/IndexDefs.h"

namespace lw {

class TDataSource;
class TMasterDataLink;

enum class TAdsTableType { ttAdsCDX, ttAdsNTX, ttAdsADT, ttAdsDefault };
enum class TIndexCollationMismatch { icmError, icmIgnore, icmReindex };
enum class TOrderMode { natural, byIndexName, byFieldNames, defaultIndex };

class TAdsTable : public TAdsDataSet {
 public:
  TAdsTable(std::string name, const ComponentOwner* owner);
  ~TAdsTable() override;

  void SetTableName(std::string name) { tableName_ = std::move(name); }
  std::string TableName() const override { return tableName_; }
  bool IsTable() const override { return true; }

  // Key columns choosing the order, separated by ";" (trimmed). Clears IndexName; on an open
  // cursor the order changes at once (restored when that fails).
  void SetIndexFieldNames(const std::string& names);
  const std::string& IndexFieldNames() const { return indexFieldNames_; }
  // An index by name; "ADS_DEFAULT" (any case) for the dictionary's default index. Clears
  // IndexFieldNames.
  void SetIndexName(const std::string& name);
  const std::string& IndexName() const { return indexName_; }
  TOrderMode OrderMode() const { return orderMode_; }
  const std::string& DefaultIndexName() const { return defaultIndexName_; }
  // The open table's indexes, in the engine's order.
  const TIndexDefs& IndexDefs() const { return indexDefs_; }

  // The master link. Setting a source whose chain of masters leads back to this cursor fails
  // with EDatabaseError "Circular Data Link".
  void SetMasterSource(TDataSource* source);
  TDataSource* MasterSource() const;
  void SetMasterFields(std::string names);
  const std::string& MasterFields() const;
  TAdsDataSet* MasterDataSet() const override;

  TAdsTableType TableType = TAdsTableType::ttAdsADT;
  bool Exclusive = false;
  bool ReadOnly = false;
  bool Scoped = false;
  TIndexCollationMismatch IndexCollationMismatch = TIndexCollationMismatch::icmError;
  std::string EncryptionPassword;
  std::vector<std::string> IndexFiles;
  // True while the window description is being read (the default-index rule differs).
  bool Loading = false;

  void ApplyDefaultIndexAnswer(std::uint32_t result, const std::string& indexName) override;

  // ---- link machinery (MasterLink.cpp), driven by TMasterDataLink ----
  // Scopes the cursor to the master link columns' current values and moves to the first row
  // of the new range; no engine call when the range is unchanged.
  void MasterChanged(const std::vector<TField*>& linkFields);
  // Drops an applied range and re-reads the rows (the master closed).
  void DisableLink();

 protected:
  ace::ADSHANDLE OpenCursorHandle() override;
  void ApplyRowOrder() override;
  bool ResultReadOnly() const override { return ReadOnly; }
  void OpenFinished() override;
  bool IsExclusive() const override { return Exclusive; }
  void AfterClose() override { segmentFields_.clear(); }

 private:
  void RefreshIndexDefs();
  void ReapplyOrder(TOrderMode mode, std::string fieldNames, std::string indexName);
  // Returns true when the scopes changed.
  bool ApplyRange();
  std::uint16_t BuildRawKey(const KeyBuffer& buffer, std::uint8_t* key);
  std::string_view SegmentFieldName(std::uint16_t segment, std::uint32_t& result);
  TField& SegmentField(std::size_t segment);

  std::array<char, 129> segmentName_{};  // the last segment name asked for
  std::string tableName_;
  std::string indexFieldNames_;
  std::string indexName_;
  std::string defaultIndexName_;
  TOrderMode orderMode_ = TOrderMode::natural;
  TIndexDefs indexDefs_;
  std::unique_ptr<TMasterDataLink> masterLink_;
  // The column objects of the active index's key columns, by segment, found on first use.
  std::vector<TField*> segmentFields_;
};

}  // namespace lw
