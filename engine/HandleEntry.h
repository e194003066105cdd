#pragma once
// What an engine handle stands for, as both providers keep it in their HandleTable, and the
// look-ups every call starts with. Inline: every call of a row fetch passes through them. The
// cursor and statement types are each provider's own.

#include <memory>
#include <vector>

#include "data/ace/AceApi.h"
#include "data/ace/AceErrors.h"
#include "engine/IndexKeys.h"
#include "engine/Status.h"

namespace lw::engine {

enum class HandleKind { Connection, Cursor, Index, Statement };

template <class Cursor, class Statement>
struct HandleEntryOf {
  HandleKind kind;
  ace::ADSHANDLE connection = 0;  // the owning connection's handle
  Cursor* cursor = nullptr;
  int order = kNaturalOrder;
  Statement* statement = nullptr;
  ace::ADSHANDLE cursorHandle = 0;  // cursors and indexes: the cursor's own handle
  ace::ADSHANDLE firstIndex = 0;    // cursors and indexes: index 0's handle, where all come in sequence
};

// What a provider keeps per open connection and cursor besides the handle table.
template <class Connection>
struct OpenConnectionOf {
  std::unique_ptr<Connection> connection;
  std::vector<ace::ADSHANDLE> cursors;
  std::vector<ace::ADSHANDLE> statements;
};
template <class Cursor>
struct OpenCursorOf {
  std::unique_ptr<Cursor> cursor;
  std::vector<ace::ADSHANDLE> indexes;
  ace::ADSHANDLE statement = 0;  // the statement that produced a result cursor
};

// A cursor handle or one of its index handles; `order` is the handle's order.
template <class Cursor, class Statement>
Status CursorOfEntry(const HandleEntryOf<Cursor, Statement>* entry, Cursor*& cursor, int& order) {
  if (entry == nullptr || (entry->kind != HandleKind::Cursor && entry->kind != HandleKind::Index)) {
    return Status::Error(ace::kInvalidHandle);
  }
  cursor = entry->cursor;
  order = entry->order;
  return {};
}

template <class Cursor, class Statement>
Status IndexOfEntry(const HandleEntryOf<Cursor, Statement>* entry, Cursor*& cursor, int& order) {
  if (entry == nullptr || entry->kind != HandleKind::Index) {
    return Status::Error(ace::kInvalidHandle, "(an index handle is needed)");
  }
  cursor = entry->cursor;
  order = entry->order;
  return {};
}

template <class Cursor, class Statement>
Status StatementOfEntry(const HandleEntryOf<Cursor, Statement>* entry, Statement*& statement) {
  if (entry == nullptr || entry->kind != HandleKind::Statement) return Status::Error(ace::kStatementClosed);
  statement = entry->statement;
  return {};
}

}  // namespace lw::engine
