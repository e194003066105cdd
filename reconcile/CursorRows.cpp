#include "reconcile/CursorRows.h"

namespace lw {

namespace {

// Runs `step`; if it fails while the cursor is editing, cancels the edit (releasing the record
// lock) and lets the error go on.
template <class Step>
void CancelOnFailure(TAdsDataSet& cursor, Step&& step) {
  try {
    step();
  } catch (...) {
    if (cursor.State() == TDataSetState::dsEdit) {
      try {
        cursor.Cancel();
      } catch (...) {
        // The original failure is what the user must see.
      }
    }
    throw;
  }
}

}  // namespace

void CursorCharge::Edit() {
  CancelOnFailure(Cursor(), [&] { Cursor().Edit(); });
}

void CursorCharge::AssignDouble(std::string_view field, double value) {
  CancelOnFailure(Cursor(), [&] { Field(field).SetAsFloat(value); });
}

void CursorCharge::Post() {
  CancelOnFailure(Cursor(), [&] { Cursor().Post(); });
}

void CursorCharge::Cancel() {
  if (Cursor().State() == TDataSetState::dsEdit) Cursor().Cancel();
}

}  // namespace lw
