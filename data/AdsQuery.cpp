#include "data/AdsQuery.h"

#include "data/AdsConnection.h"
#include "data/AdsErrors.h"
#include "data/ace/AceErrors.h"
#include "data/ace/AceProvider.h"

namespace lw {

TAdsQuery::TAdsQuery(std::string name, const ComponentOwner* owner) : TAdsDataSet(std::move(name), owner) {
  AdsTableOptions.AdsScopeOptions = TAdsScopeOption::RESPECT_SCOPES_WHEN_COUNTING;
}

TAdsQuery::~TAdsQuery() {
  CloseQuietly();
  TAdsConnection* connection = AdsConnection();
  if (connection && connection->IsConnected() && statement_ != ace::kNoHandle) {
    // A destructor cannot raise; a statement the engine already dropped (5106) is expected, and
    // so is an engine that is no longer installed.
    try {
      ace::Ace().AdsCloseSQLStatement(statement_);
    } catch (...) {
    }
  }
  statement_ = ace::kNoHandle;
}

void TAdsQuery::AddSQL(std::string line) {
  sql_.push_back(std::move(line));
  SQLChanged();
}

void TAdsQuery::SetSQLLine(std::size_t index, std::string line) {
  sql_.at(index) = std::move(line);
  SQLChanged();
}

void TAdsQuery::SetSQL(std::vector<std::string> lines) {
  sql_ = std::move(lines);
  SQLChanged();
}

std::string TAdsQuery::SQLText() const {
  std::string text;
  for (const std::string& line : sql_) {
    text += line;
    text += "\r\n";
  }
  return text;
}

void TAdsQuery::SQLChanged() {
  const std::string text = SQLText();
  std::uint16_t paramCount = 0;
  CheckAce(this, ace::Ace().AdsGetSQLStmtParams(text.c_str(), &paramCount));
  if (Loading) return;
  SetActive(false);
  prepared_ = false;
  if (ParamCheck) ScanParams();
}

void TAdsQuery::ScanParams() {
  const std::string text = SQLText();
  std::vector<TParam> params;
  char quote = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"' || c == '\'' || c == '`') {
      // Each quote character switches between outside and inside quoted text.
      quote = quote ? 0 : c;
      continue;
    }
    if (quote || c != ':') continue;
    if (i + 1 < text.size() && text[i + 1] == ':') {
      ++i;
      continue;
    }
    std::size_t end = i + 1;
    while (end < text.size() && std::string_view(" ,;)\r\n").find(text[end]) == std::string_view::npos) ++end;
    TParam param{text.substr(i + 1, end - i - 1), std::nullopt};
    for (const TParam& old : params_) {
      if (old.name == param.name) param.value = old.value;
    }
    params.push_back(std::move(param));
    i = end - 1;
  }
  params_ = std::move(params);
}

void TAdsQuery::SetDatabaseName(std::string name) {
  if (Active()) RaiseCursorError(this, "Table must not be Active.");
  SetAdsConnection(nullptr);
  TAdsConnection* connection = TAdsConnection::Find(name, Owner());
  databaseName_ = std::move(name);
  SetAdsConnection(connection);
}

void TAdsQuery::EnsureStatement() {
  auto& ace = ace::Ace();
  if (statement_ != ace::kNoHandle) {
    std::uint16_t type = 0;
    if (ace.AdsGetHandleType(statement_, &type) == 0 && type == ace::kHandleStatement) return;
  }
  statement_ = ace::kNoHandle;
  if (databaseName_.empty()) RaiseCursorError(this, "The DatabaseName property has not been assigned a value.");
  TAdsConnection* connection = AdsConnection();
  if (connection && !connection->IsConnected()) connection->SetIsConnected(true);
  const ace::ADSHANDLE handle = connection ? connection->ConnectionHandle() : ace::kNoConnection;
  if (handle == ace::kNoConnection || handle == ace::kNoHandle) {
    RaiseCursorError(this, "Internal Error: invalid connection handle.");
  }
  ace::ADSHANDLE statement = ace::kNoHandle;
  CheckAce(this, ace.AdsCreateSQLStatement(handle, &statement));
  statement_ = statement;
}

ace::ADSHANDLE TAdsQuery::OpenCursorHandle() {
  EnsureStatement();
  auto& ace = ace::Ace();
  const TAdsTableOptions& options = AdsTableOptions;
  CheckAce(this, ace.AdsStmtSetTableLockType(statement_, options.AdsLockType == TAdsLockType::Proprietary ? 1 : 0));
  CheckAce(this, ace.AdsStmtSetTableCharType(statement_, options.AdsCharType == TAdsCharType::ANSI ? 1 : 2));
  CheckAce(this, ace.AdsStmtSetTableRights(statement_, options.AdsRightsCheck ? 1 : 2));
  CheckAce(this, ace.AdsStmtSetTableReadOnly(statement_, RequestLive ? 2 : 1));
  if (AdsConnection() && AdsConnection()->ReadOnly) CheckAce(this, ace.AdsStmtSetTableReadOnly(statement_, 1));
  const std::uint16_t tableType = SourceTableType == TAdsTableType::ttAdsADT   ? ace::kTableAdt
                                  : SourceTableType == TAdsTableType::ttAdsCDX ? ace::kTableCdx
                                                                               : ace::kTableNtx;
  CheckAce(this, ace.AdsStmtSetTableType(statement_, tableType));
  CheckAce(this, ace.AdsStmtConstrainUpdates(statement_, Constrained ? 1 : 2));
  CheckAce(this, ace.AdsStmtReadAllColumns(statement_, ReadAllColumns ? 1 : 2));
  prepared_ = true;
  rowsAffected_ = -1;
  const std::string text = SQLText();
  CheckAce(this, ace.AdsPrepareSQL(statement_, text.c_str()));
  for (std::size_t i = 0; i < params_.size(); ++i) {
    // Only parameters without a value arise here (a quote in the chart text); they go as empty.
    if (!params_[i].value || VariantIsNull(*params_[i].value)) {
      CheckAce(this, ace.AdsSetEmpty(statement_, static_cast<std::uint32_t>(i + 1)));
    }
  }
  ace::ADSHANDLE cursor = ace::kNoHandle;
  const std::uint32_t result = ace.AdsExecuteSQL(statement_, &cursor);
  if (result != 0) {
    try {
      CheckAce(this, result);
    } catch (const EADSDatabaseError& error) {
      if (error.Message().find("7209") != std::string::npos) {
        const std::uint32_t closed = ace.AdsCloseSQLStatement(statement_);
        statement_ = ace::kNoHandle;
        if (closed != ace::kStatementClosed) CheckAce(this, closed);
      }
      throw;
    }
  }
  if (cursor != 0 && cursor != ace::kNoHandle) {
    cursor_ = cursor;
    std::uint16_t live = 0;
    CheckAce(this, ace.AdsSqlPeekStatement(cursor, &live));
    readOnly_ = live != 1;
    if (live == 1) {
      std::uint16_t charType = 0;
      CheckAce(this, ace.AdsGetTableCharType(cursor, &charType));
      AdsTableOptions.AdsCharType = charType == ace::kCharOem ? TAdsCharType::OEM : TAdsCharType::ANSI;
    }
  }
  std::uint32_t affected = 0;
  const std::uint32_t counted = ace.AdsGetRecordCount(statement_, ace::kCountIgnoreFilters, &affected);
  if (counted == ace::kNoRowsAffected) {
    rowsAffected_ = -1;
  } else {
    CheckAce(this, counted);
    rowsAffected_ = static_cast<std::int32_t>(affected);
  }
  if (cursor == 0 || cursor == ace::kNoHandle) {
    RaiseCursorError(this,
                     "The SQL statement did not generate a cursor handle.  Use TAdsQuery.ExecSQL to execute SQL "
                     "statements that are not SELECT statements");
  }
  return cursor_;
}

void TAdsQuery::BeforeRecordNumber() {
  ace::ADSHANDLE index = ace::kNoHandle;
  CheckAce(this, ace::Ace().AdsGetIndexHandle(cursor_, nullptr, &index));
}

void TAdsQuery::ForgetStatement() {
  prepared_ = false;
  statement_ = ace::kNoHandle;
}

}  // namespace lw
