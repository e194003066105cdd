#pragma once
// How the server keeps a column: the same stored forms as the embedded dictionary (integers,
// doubles, text without trailing blanks, bytes), so the shared record codec turns them into
// record images with the same bytes. Index keys order NULL below every value, as record images
// do: each key column is the pair (value IS NOT NULL, value or a placeholder).

#include <string>
#include <vector>

#include "engine/Catalog.h"
#include "engine/RecordCodec.h"
#include "pgengine/Pq.h"

namespace lw::pgengine {

using engine::ColumnDef;
using engine::IndexDef;
using engine::TableDef;
using engine::Value;

// The server column type of a stored form.
const char* ServerTypeOf(engine::Storage storage);

// A value as a text parameter (Null -> SQL NULL).
Param ParamOf(const Value& value);
// A result field as a value of the column's stored form.
Value ValueOf(const Result& result, int row, int column, engine::Storage storage);
// The same into an existing value, reusing its buffer.
void AssignValueOf(const Result& result, int row, int column, engine::Storage storage, Value& value);

// The two key expressions of a column, in index order.
std::vector<std::string> KeyExpressions(const ColumnDef& column);
// The two key parameters of a value of that column.
std::vector<Param> KeyParams(const ColumnDef& column, const Value& value);

// Every key expression of an index's segments, then the record number.
std::string IndexKeyList(const TableDef& table, const IndexDef& index);
// The server's name for a dictionary index (position from 0).
std::string ServerIndexName(const TableDef& table, std::size_t position);
// The server's name for the unique index that keeps a unique dictionary index's keys apart.
std::string ServerUniqueIndexName(const TableDef& table, std::size_t position);
// A write the server refused for a duplicate key, its text naming the dictionary index and its
// columns instead of the server's index; any other status unchanged.
engine::Status NameViolatedServerKey(const TableDef& table, engine::Status failure);

}  // namespace lw::pgengine
