#pragma once
// The MWDDF.ADD of a practice kept on a database server: a small text file naming the server,
//
//   LEDGERWICK SERVER PRACTICE 1
//   connection = host=db.example dbname=practice user=clinic sslmode=require
//
// The connection line is a libpq connection string; credentials and TLS settings come from
// wherever libpq takes them (the string, ~/.pgpass, PG* variables, service files). Lines
// starting with "#" are comments. Nothing else of the practice lives in the folder.

#include <string>

#include "engine/Status.h"

namespace lw::pgengine {

inline constexpr const char* kDescriptorMarker = "LEDGERWICK SERVER PRACTICE 1";

// Whether the file starts with the descriptor marker (false for a missing or unreadable file
// and for anything else, an SQLite dictionary included). Reads at most the first line.
bool IsServerDescriptor(const std::string& path);

// The connection string of a descriptor. kDictionaryNotFound for a missing file,
// kNotADictionary for a file without the marker or without a connection line.
engine::Status ReadServerDescriptor(const std::string& path, std::string& connectionString);

// Writes a new descriptor (mode 0600: the string may hold a password). Fails when the file
// exists.
engine::Status WriteServerDescriptor(const std::string& path, const std::string& connectionString);

}  // namespace lw::pgengine
