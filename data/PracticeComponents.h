#pragma once
// The data components of the main window, created in the window description's order with its
// settings: the connection AdsConnection1, the table cursors tblChg, tblPax and tblPay, the
// data sources dsTblChg, dsPax and dsQryChg, and the query qryChg with its five stored lines.
// Nothing touches the database at creation except the engine's check of the stored statement
// text (AdsGetSQLStmtParams, once); everything starts closed and disconnected. Destruction
// runs in the reverse order, so the cursors close before the connection disconnects.
//
// REQUIRES: an engine is installed (lw::ace::SetAce) before construction and stays installed
// until destruction.

#include <string>
#include <vector>

#include "data/AdsConnection.h"
#include "data/AdsQuery.h"
#include "data/AdsTable.h"
#include "data/DataSource.h"

namespace lw {

// The user name and password the connection sends to the practice's data dictionary.
inline constexpr const char* kPracticeUserName = "user";
inline constexpr const char* kPracticePassword = "vortelin";

// The five stored lines of qryChg.
const std::vector<std::string>& StoredChargeQueryLines();

struct PracticeComponents {
  explicit PracticeComponents(const ComponentOwner* owner);
  PracticeComponents(const PracticeComponents&) = delete;
  PracticeComponents& operator=(const PracticeComponents&) = delete;

  // Declared in creation order; members are destroyed in reverse.
  TAdsConnection AdsConnection1;
  TAdsTable tblChg;
  TAdsTable tblPax;
  TAdsTable tblPay;
  TDataSource dsTblChg;
  TDataSource dsPax;
  TDataSource dsQryChg;
  TAdsQuery qryChg;
};

}  // namespace lw
