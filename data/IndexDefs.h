#pragma once
// The index list of an open table cursor and the choice of an index from key column names.

#include <string>
#include <string_view>
#include <vector>

namespace lw {

struct TIndexDef {
  std::string name;         // up to 259 characters
  std::string fields;       // segment column names in segment order, joined by ";", upper case
  bool descending = false;  // ixDescending
  bool unique = false;      // ixUnique
  bool primary = false;     // ixPrimary
};

class TIndexDefs {
 public:
  // Appends an entry. Returns false (and adds nothing) when an index of that name is listed.
  bool Add(TIndexDef def);
  void Clear() { defs_.clear(); }
  const std::vector<TIndexDef>& Items() const { return defs_; }
  std::size_t Count() const { return defs_.size(); }

  // The index whose key columns equal `fields` (whole text, case ignored); failing that, the
  // first whose key columns begin with `fields` followed by ";" or the end. Descending indexes
  // are passed over by both searches. nullptr when none fits.
  const TIndexDef* FindForFields(std::string_view fields) const;

 private:
  std::vector<TIndexDef> defs_;
};

// Case-insensitive comparison of whole texts (8-bit, locale-independent for ASCII names).
bool SameTextIgnoringCase(std::string_view a, std::string_view b);
std::string UpperCase(std::string_view text);
// Removes leading and trailing blanks.
std::string Trimmed(std::string_view text);

}  // namespace lw
