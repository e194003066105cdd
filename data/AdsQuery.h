#pragma once
// The SQL query cursor (qryChg): a cursor whose rows come from an SQL statement. The statement
// text is its lines, each followed by CR LF. The engine statement handle is created by the
// first open after a connect, kept across closes, forgotten at a disconnect and closed when
// the query is destroyed.

#include <optional>
#include <string>
#include <vector>

#include "data/AdsDataSet.h"
#include "data/AdsTable.h"
#include "data/Variant.h"

namespace lw {

struct TParam {
  std::string name;
  std::optional<Variant> value;  // none: bound as empty
};

class TAdsQuery : public TAdsDataSet {
 public:
  TAdsQuery(std::string name, const ComponentOwner* owner);
  // Closes the query and, while its connection is connected, its statement.
  ~TAdsQuery() override;

  // ---- SQL lines. Each change below runs the change handling once: AdsGetSQLStmtParams on
  // the new text, then (unless Loading) close, clear the prepared flag, rescan parameters.
  std::size_t SQLCount() const { return sql_.size(); }
  const std::string& SQLLine(std::size_t index) const { return sql_.at(index); }
  const std::vector<std::string>& SQL() const { return sql_; }
  void AddSQL(std::string line);
  // REQUIRES: index < SQLCount().
  void SetSQLLine(std::size_t index, std::string line);
  // Replaces every line at once (one change).
  void SetSQL(std::vector<std::string> lines);
  // The lines joined, each followed by "\r\n".
  std::string SQLText() const;

  // Looks the connection up by component name and binds to it. Open query: EADSDatabaseError
  // 5121 "<Name>: Table must not be Active.".
  void SetDatabaseName(std::string name);
  std::string DatabaseName() const override { return databaseName_; }

  bool RequestLive = false;
  bool ReadAllColumns = false;
  bool Constrained = false;
  bool ParamCheck = true;
  TAdsTableType SourceTableType = TAdsTableType::ttAdsADT;
  // True while the window description is being read: line changes stop after the engine check.
  bool Loading = false;
  std::vector<TParam>& Params() { return params_; }

  ace::ADSHANDLE StatementHandle() const { return statement_; }
  std::int32_t RowsAffected() const { return rowsAffected_; }
  bool Prepared() const { return prepared_; }

  void ForgetStatement() override;

 protected:
  ace::ADSHANDLE OpenCursorHandle() override;
  bool ResultReadOnly() const override { return readOnly_; }
  void BeforeRecordNumber() override;
  void AfterClose() override { prepared_ = false; }

 private:
  void SQLChanged();
  void ScanParams();
  void EnsureStatement();

  std::vector<std::string> sql_;
  std::string databaseName_;
  std::vector<TParam> params_;
  ace::ADSHANDLE statement_ = ace::kNoHandle;
  std::int32_t rowsAffected_ = -1;
  bool prepared_ = false;
  bool readOnly_ = false;
};

}  // namespace lw
