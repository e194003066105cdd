#include "data/AdsTable.h"

#include <cstring>

#include "common/Path.h"
#include "data/AdsConnection.h"
#include "data/AdsErrors.h"
#include "data/DataSource.h"
#include "data/MasterDataLink.h"
#include "data/ace/AceErrors.h"
#include "data/ace/AceProvider.h"

namespace lw {

namespace {

constexpr std::uint16_t kIndexNameBufferSize = 259;
constexpr std::uint16_t kSegmentNameBufferSize = 509;
constexpr std::uint16_t kIndexFileHandles = 50;
constexpr const char* kDefaultIndexName = "ADS_DEFAULT";

std::uint16_t TableTypeCode(TAdsTableType type) {
  switch (type) {
    case TAdsTableType::ttAdsCDX: return ace::kTableCdx;
    case TAdsTableType::ttAdsNTX: return ace::kTableNtx;
    default: return ace::kTableAdt;
  }
}

}  // namespace

TAdsTable::TAdsTable(std::string name, const ComponentOwner* owner)
    : TAdsDataSet(std::move(name), owner), masterLink_(std::make_unique<TMasterDataLink>(*this)) {}

TAdsTable::~TAdsTable() {
  CloseQuietly();
  masterLink_->SetDataSource(nullptr);
}

void TAdsTable::SetMasterSource(TDataSource* source) {
  for (TAdsDataSet* master = source ? source->DataSet() : nullptr; master; master = master->MasterDataSet()) {
    if (master == this) throw EDatabaseError("Circular Data Link");
  }
  masterLink_->SetDataSource(source);
}

TDataSource* TAdsTable::MasterSource() const { return masterLink_->DataSource(); }
void TAdsTable::SetMasterFields(std::string names) { masterLink_->SetFieldNames(std::move(names)); }
const std::string& TAdsTable::MasterFields() const { return masterLink_->FieldNames(); }
TAdsDataSet* TAdsTable::MasterDataSet() const {
  return masterLink_->DataSource() ? masterLink_->DataSource()->DataSet() : nullptr;
}

void TAdsTable::SetIndexFieldNames(const std::string& names) {
  std::string trimmed = Trimmed(names);
  const TOrderMode mode = trimmed.empty() ? TOrderMode::natural : TOrderMode::byFieldNames;
  ReapplyOrder(mode, std::move(trimmed), std::string());
}

void TAdsTable::SetIndexName(const std::string& name) {
  TOrderMode mode = TOrderMode::byIndexName;
  if (name.empty())
    mode = TOrderMode::natural;
  else if (SameTextIgnoringCase(name, kDefaultIndexName))
    mode = TOrderMode::defaultIndex;
  ReapplyOrder(mode, std::string(), name);
}

void TAdsTable::ReapplyOrder(TOrderMode mode, std::string fieldNames, std::string indexName) {
  const TOrderMode oldMode = orderMode_;
  std::string oldFields = indexFieldNames_;
  std::string oldName = indexName_;
  orderMode_ = mode;
  indexFieldNames_ = std::move(fieldNames);
  indexName_ = std::move(indexName);
  if (!Active()) return;
  try {
    CheckBrowseMode();
    ApplyRowOrder();
    RebuildRowBuffers();
    ResetKeyBuffer(Key(kAppliedStart));
    ResetKeyBuffer(Key(kAppliedEnd));
    if (masterLink_->Active() && !masterLink_->Fields().empty()) {
      MasterChanged(masterLink_->Fields());
    } else {
      MoveFirst();
    }
  } catch (...) {
    orderMode_ = oldMode;
    indexFieldNames_ = std::move(oldFields);
    indexName_ = std::move(oldName);
    ApplyRowOrder();
    RebuildRowBuffers();
    throw;
  }
}

void TAdsTable::ApplyDefaultIndexAnswer(std::uint32_t result, const std::string& indexName) {
  if (result == 0) {
    defaultIndexName_ = indexName;
    if (indexName_ == kDefaultIndexName || (indexName_.empty() && !Loading)) {
      orderMode_ = TOrderMode::defaultIndex;
      indexName_ = kDefaultIndexName;
    }
  } else if (result == ace::kNoDefaultIndex && indexName_ == kDefaultIndexName) {
    SetIndexName(std::string());
  }
}

ace::ADSHANDLE TAdsTable::OpenCursorHandle() {
  if (tableName_.empty()) RaiseCursorError(this, "Missing TableName property");
  TAdsConnection* connection = AdsConnection();
  std::uint32_t options = Exclusive && ReadOnly ? 3 : Exclusive ? 1 : ReadOnly ? 2 : 0;
  if (connection && connection->ReadOnly) {
    options += ace::kOptionReadOnly;
    ReadOnly = true;
  }
  if (IndexCollationMismatch == TIndexCollationMismatch::icmIgnore) options += 512;
  if (IndexCollationMismatch == TIndexCollationMismatch::icmReindex) options += 256;
  const std::uint16_t lockType = AdsTableOptions.AdsLockType == TAdsLockType::Proprietary ? 1 : 0;
  const std::uint16_t charType = AdsTableOptions.AdsCharType == TAdsCharType::ANSI ? ace::kCharAnsi : ace::kCharOem;
  const std::uint16_t rights = AdsTableOptions.AdsRightsCheck ? 1 : 2;
  std::string folder = DataFolder();
  if (folder.empty()) {
    RaiseCursorError(this, "One of the DatabaseName property or the AdsConnection property must have a value.");
  }
  auto nameToPass = [&] { return connection->IsDictionaryConnection() ? tableName_ : JoinPath(folder, tableName_); };
  std::string name = nameToPass();
  if (!connection->IsConnected()) {
    connection->SetIsConnected(true);
    folder = DataFolder();
    name = nameToPass();
  }
  const ace::ADSHANDLE connectionHandle = connection->ConnectionHandle();
  if (connectionHandle == ace::kNoConnection) RaiseCursorError(this, "Internal Error: invalid connection handle.");
  const bool dictionary = connection->IsDictionaryConnection();
  auto& ace = ace::Ace();
  ace::ADSHANDLE handle = ace::kNoHandle;
  std::uint32_t result =
      ace.AdsOpenTable(connectionHandle, name.c_str(), nullptr, dictionary ? 0 : TableTypeCode(TableType), charType,
                       lockType, rights, options, &handle);
  if (result == ace::kNotInDictionary && dictionary) {
    const std::string path = JoinPath(folder, tableName_);
    result = ace.AdsOpenTable(connectionHandle, path.c_str(), nullptr, TableTypeCode(TableType), charType, lockType,
                              rights, options, &handle);
  }
  CheckAce(this, result);
  cursor_ = handle;
  if (dictionary) {
    std::uint16_t type = 0;
    CheckAce(this, ace.AdsGetTableType(cursor_, &type));
    TableType = type == ace::kTableCdx   ? TAdsTableType::ttAdsCDX
                : type == ace::kTableNtx ? TAdsTableType::ttAdsNTX
                                         : TAdsTableType::ttAdsADT;
    if (TableType != TAdsTableType::ttAdsADT) {
      std::uint16_t chars = 0;
      CheckAce(this, ace.AdsGetTableCharType(cursor_, &chars));
      AdsTableOptions.AdsCharType = chars == ace::kCharOem ? TAdsCharType::OEM : TAdsCharType::ANSI;
    }
  }
  if (!EncryptionPassword.empty()) {
    std::uint16_t encrypted = 0, enabled = 0;
    CheckAce(this, ace.AdsIsTableEncrypted(cursor_, &encrypted));
    if (encrypted == 1) {
      CheckAce(this, ace.AdsIsEncryptionEnabled(cursor_, &enabled));
      if (enabled != 1) CheckAce(this, ace.AdsEnableEncryption(cursor_, EncryptionPassword.c_str()));
    }
  }
  for (const std::string& file : IndexFiles) {
    ace::ADSHANDLE handles[kIndexFileHandles];
    std::uint16_t count = kIndexFileHandles;
    const std::string path = JoinPath(folder, file);
    CheckAce(this, ace.AdsOpenIndex(cursor_, path.c_str(), handles, &count));
  }
  return cursor_;
}

void TAdsTable::RefreshIndexDefs() {
  auto& ace = ace::Ace();
  indexDefs_.Clear();
  std::uint16_t count = 0;
  CheckAce(this, ace.AdsGetNumIndexes(cursor_, &count));
  if (count == 0) return;
  std::vector<ace::ADSHANDLE> handles(count, ace::kNoHandle);
  CheckAce(this, ace.AdsGetAllIndexes(cursor_, handles.data(), &count));
  handles.resize(std::min<std::size_t>(count, handles.size()));
  for (ace::ADSHANDLE index : handles) {
    TIndexDef def;
    char name[kIndexNameBufferSize + 1] = {};
    std::uint16_t nameLength = kIndexNameBufferSize;
    CheckAce(this, ace.AdsGetIndexName(index, name, &nameLength));
    def.name.assign(name, strnlen(name, kIndexNameBufferSize));
    std::uint16_t segments = 0;
    CheckAce(this, ace.AdsGetNumSegments(index, &segments));
    std::string fields;
    for (std::uint16_t segment = 0; segment < segments; ++segment) {
      char column[kSegmentNameBufferSize + 1] = {};
      std::uint16_t columnLength = kSegmentNameBufferSize;
      CheckAce(this, ace.AdsGetSegmentFieldname(index, segment, column, &columnLength));
      if (segment > 0) fields += ';';
      fields.append(column, strnlen(column, kSegmentNameBufferSize));
    }
    std::uint16_t flag = 0;
    CheckAce(this, ace.AdsIsIndexDescending(index, &flag));
    def.descending = flag != 0;
    flag = 0;
    CheckAce(this, ace.AdsIsIndexUnique(index, &flag));
    def.unique = flag != 0;
    flag = 0;
    CheckAce(this, ace.AdsIsIndexPrimaryKey(index, &flag));
    def.primary = flag != 0;
    def.fields = UpperCase(fields);
    const std::string indexName = def.name;
    if (!indexDefs_.Add(std::move(def))) RaiseDatabaseError(this, "Duplicate index name '" + indexName + "'");
  }
}

void TAdsTable::ApplyRowOrder() {
  segmentFields_.clear();
  RefreshIndexDefs();
  auto& ace = ace::Ace();
  ace::ADSHANDLE handle = ace::kNoHandle;
  switch (orderMode_) {
    case TOrderMode::natural: activeIndex_ = cursor_; return;
    case TOrderMode::byFieldNames: {
      const TIndexDef* def = indexDefs_.FindForFields(indexFieldNames_);
      if (def == nullptr) RaiseCursorError(this, "Not a valid index field name:" + indexFieldNames_);
      CheckAce(this, ace.AdsGetIndexHandle(cursor_, def->name.c_str(), &handle));
      break;
    }
    case TOrderMode::byIndexName: CheckAce(this, ace.AdsGetIndexHandle(cursor_, indexName_.c_str(), &handle)); break;
    case TOrderMode::defaultIndex:
      CheckAce(this, ace.AdsGetIndexHandle(cursor_, defaultIndexName_.c_str(), &handle));
      break;
  }
  activeIndex_ = handle;
}

}  // namespace lw
