#pragma once
// A practice's layout on the server, in the practice's own database: the catalog tables (lw_meta,
// lw_tables, lw_columns, lw_indexes), users with salted password hashes (lw_users), the update
// history (lw_history: the entries of engine/HistoryRecords.h, values in StoredForm.h's text
// form, runs counted by lw_meta's "last_run"), and one table per dictionary table with a
// record-number column (lw_rowid) and one server index per dictionary index over the key
// expressions of StoredForm.h, then the record number.

#include <libpq-fe.h>

#include <string>
#include <vector>

#include "engine/Catalog.h"
#include "engine/Dictionary.h"
#include "engine/Status.h"

namespace lw::pgengine {

// The value of lw_meta's "format" entry that marks a practice database of this provider.
inline constexpr const char* kServerFormat = "ledgerwick-server-practice-1";

// Creates catalog, user and tables in one transaction. Fails (kInvalidArgument) when the
// database already holds a practice.
engine::Status CreateServerSchema(PGconn* conn, const std::vector<engine::TableSpec>& tables,
                                  const engine::CreateOptions& options);

// Builds the server indexes of every table (after a bulk load).
engine::Status CreateServerIndexes(PGconn* conn, const engine::Catalog& catalog);

// Reads the catalog. kNotADictionary when the database holds no practice of this provider.
engine::Status LoadServerCatalog(PGconn* conn, engine::Catalog& catalog);

// Adds the run and OS-user columns to the history of a practice made before they existed.
engine::Status UpgradeServerHistory(PGconn* conn);

// Whether the user exists and the password matches its salted hash.
engine::Status CheckServerLogin(PGconn* conn, const std::string& user, const std::string& password);

}  // namespace lw::pgengine
