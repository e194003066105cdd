#include "data/IndexDefs.h"

#include "common/Utf8.h"

namespace lw {

bool SameTextIgnoringCase(std::string_view a, std::string_view b) { return EqualsIgnoringCase(a, b); }

std::string UpperCase(std::string_view text) { return UpperCaseUtf8(text); }

std::string Trimmed(std::string_view text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return std::string(text.substr(begin, end - begin));
}

bool TIndexDefs::Add(TIndexDef def) {
  for (const auto& existing : defs_) {
    if (SameTextIgnoringCase(existing.name, def.name)) return false;
  }
  defs_.push_back(std::move(def));
  return true;
}

const TIndexDef* TIndexDefs::FindForFields(std::string_view fields) const {
  for (const auto& def : defs_) {
    if (!def.descending && SameTextIgnoringCase(def.fields, fields)) return &def;
  }
  for (const auto& def : defs_) {
    if (def.descending || def.fields.size() < fields.size()) continue;
    if (!SameTextIgnoringCase(std::string_view(def.fields).substr(0, fields.size()), fields)) continue;
    if (def.fields.size() == fields.size() || def.fields[fields.size()] == ';') return &def;
  }
  return nullptr;
}

}  // namespace lw
