#pragma once
// Backend-independent steps of writing a row, shared by both providers' row writers: the write
// transaction that rolls back unless committed, the columns a write changes, and the
// auto-increment value an appended row takes.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/Catalog.h"
#include "engine/RecordCodec.h"
#include "engine/Status.h"

namespace lw::engine {

// Rolls the connection's write back when left without Commit (any failure on the way).
template <class Connection>
struct WriteTransaction {
  explicit WriteTransaction(Connection& c) : connection(c) {}
  ~WriteTransaction() {
    if (!done) connection.RollbackWrite();
  }
  WriteTransaction(const WriteTransaction&) = delete;
  WriteTransaction& operator=(const WriteTransaction&) = delete;
  Status Commit() {
    done = true;
    return connection.CommitWrite();
  }
  Connection& connection;
  bool done = false;
};

// The positions (in `columns` order) whose old and new values differ.
std::vector<std::size_t> ChangedPositions(const std::vector<Value>& oldValues, const std::vector<Value>& newValues,
                                          std::size_t count);

// Gives an appended row its auto-increment value: the counter's `next` unless the row names one
// (the column is added when not given). Returns the counter's next value after this row.
std::int64_t AssignAutoInc(const TableDef& table, std::vector<int>& columns, std::vector<Value>& values,
                           std::int64_t next);

// A column's bytes as a cursor's edit takes them: checked against the column (length, a large or
// auto-increment column, a value that decodes) and padded to the column's length in `scratch`.
Status CheckedColumnBytes(const ColumnDef& column, const std::uint8_t* bytes, std::uint32_t length, bool appending,
                          std::vector<std::uint8_t>& scratch);

// Caller text as the bytes of a column write: blank-padded text as given (an empty text is NULL,
// as an ADT character column stores it), any other type encoded from its text form.
Status ColumnBytesFromText(const TableDef& table, int column, const char* text, std::uint32_t length,
                           std::vector<std::uint8_t>& bytes);
// The column's NULL marker as the bytes of a column write.
void ColumnNullBytes(const TableDef& table, int column, std::vector<std::uint8_t>& bytes);

// The values of the edited columns of an edit image, for the row writer.
Status ChangedColumnValues(const TableDef& table, const std::vector<std::uint8_t>& image,
                           const std::vector<bool>& changed, std::vector<int>& columns, std::vector<Value>& values);

}  // namespace lw::engine
