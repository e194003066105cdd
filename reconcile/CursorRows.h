#pragma once
// The rules' row access over the open table cursors. Column objects are looked up by name the
// first time a field is asked for and kept, so the per-row work is a read of a cached column.
// REQUIRES: the cursor stays open for the adapter's life (column objects live from open to close).

#include <string_view>
#include <utility>
#include <vector>

#include "data/AdsDataSet.h"
#include "data/Fields.h"
#include "reconcile/RowAccess.h"

namespace lw {

template <class Interface>
class CursorRowsOf : public Interface {
 public:
  explicit CursorRowsOf(TAdsDataSet& cursor) : cursor_(cursor) {}

  std::string ReadText(std::string_view field) override { return Field(field).AsString(); }
  std::int32_t ReadInteger(std::string_view field) override { return Field(field).AsInteger(); }
  double ReadDouble(std::string_view field) override { return Field(field).AsFloat(); }
  double ReadDateTime(std::string_view field) override { return Field(field).AsDateTime(); }
  bool IsNull(std::string_view field) override { return Field(field).IsNull(); }

 protected:
  TAdsDataSet& Cursor() { return cursor_; }

  TField& Field(std::string_view name) {
    // The rules pass the same few literal names every row: compare by address first.
    for (const auto& [known, field] : cache_) {
      if (known.data() == name.data() && known.size() == name.size()) return *field;
    }
    TField& field = cursor_.FieldByName(name);
    cache_.emplace_back(name, &field);
    return field;
  }

 private:
  TAdsDataSet& cursor_;
  std::vector<std::pair<std::string_view, TField*>> cache_;
};

using CursorRow = CursorRowsOf<RowReader>;

// The application cursor, walked from its first row to its end.
class CursorWalker final : public CursorRowsOf<RowWalker> {
 public:
  using CursorRowsOf<RowWalker>::CursorRowsOf;
  void MoveFirst() override { Cursor().MoveFirst(); }
  void MoveNext() override { Cursor().MoveNext(); }
  bool AtEnd() override { return Cursor().AtEnd(); }
};

// The charge row: edited, assigned and posted under the table's record lock. A failure after
// the edit began cancels the edit, so the row's lock is not held until the program ends.
class CursorCharge final : public CursorRowsOf<EditableRow> {
 public:
  using CursorRowsOf<EditableRow>::CursorRowsOf;
  void Edit() override;
  void AssignDouble(std::string_view field, double value) override;
  void Post() override;
  void Cancel() override;
};

}  // namespace lw
