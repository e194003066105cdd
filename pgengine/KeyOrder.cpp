#include "pgengine/KeyOrder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace lw::pgengine {

using engine::ColumnDef;
using engine::Storage;
using engine::Value;

namespace {

Value::Kind KindOf(Storage storage) {
  switch (storage) {
    case Storage::Integer: return Value::Kind::Integer;
    case Storage::Real: return Value::Kind::Real;
    case Storage::Blob: return Value::Kind::Blob;
    default: return Value::Kind::Text;
  }
}

int Sign(int value) { return (value > 0) - (value < 0); }

int CompareDoubles(double a, double b) {
  const bool aNan = std::isnan(a), bNan = std::isnan(b);
  if (aNan || bNan) return static_cast<int>(aNan) - static_cast<int>(bNan);
  return (a > b) - (a < b);
}

unsigned char AsciiLower(unsigned char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

int CompareBytes(const std::string& a, const std::string& b, bool foldCase) {
  const std::size_t common = std::min(a.size(), b.size());
  if (!foldCase) {
    if (int c = common == 0 ? 0 : std::memcmp(a.data(), b.data(), common)) return Sign(c);
  } else {
    for (std::size_t i = 0; i < common; ++i) {
      const unsigned char x = AsciiLower(static_cast<unsigned char>(a[i]));
      const unsigned char y = AsciiLower(static_cast<unsigned char>(b[i]));
      if (x != y) return x < y ? -1 : 1;
    }
  }
  return (a.size() > b.size()) - (a.size() < b.size());
}

int CompareValues(const ColumnDef& column, const Value& a, const Value& b) {
  const bool aNull = a.IsNull(), bNull = b.IsNull();
  if (aNull || bNull) return static_cast<int>(bNull) - static_cast<int>(aNull);
  switch (column.storage) {
    case Storage::Integer: return (a.integer > b.integer) - (a.integer < b.integer);
    case Storage::Real: return CompareDoubles(a.real, b.real);
    default: return CompareBytes(a.bytes, b.bytes, ace::IsCaseInsensitiveText(column.type));
  }
}

}  // namespace

bool ComparableKey(const engine::TableDef& table, const engine::IndexDef& index, const std::vector<Value>& key) {
  if (key.size() > index.segments.size()) return false;
  for (std::size_t s = 0; s < key.size(); ++s) {
    const Value& value = key[s];
    if (!value.IsNull() && value.kind != KindOf(table.columns[index.segments[s]].storage)) return false;
  }
  return true;
}

int CompareRowKey(const engine::TableDef& table, const engine::IndexDef& index, std::size_t width,
                  const std::vector<Value>& row, const std::vector<Value>& key) {
  for (std::size_t s = 0; s < width; ++s) {
    const int column = index.segments[s];
    if (int c = CompareValues(table.columns[column], row[column], key[s])) return c;
  }
  return 0;
}

int CompareKeys(const engine::TableDef& table, const engine::IndexDef& index, const std::vector<Value>& a,
                const std::vector<Value>& b) {
  for (std::size_t s = 0; s < a.size(); ++s) {
    if (int c = CompareValues(table.columns[index.segments[s]], a[s], b[s])) return c;
  }
  return 0;
}

}  // namespace lw::pgengine
