// The record-image codec: a column layout taken from the input (kept only when the catalog check
// accepts it), then image -> value -> image -> value. A value read from an image must write back
// and read again as the same value; NULL markers must read as NULL.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/Catalog.h"
#include "engine/RecordCodec.h"

namespace {

bool SameValue(const lw::engine::Value& a, const lw::engine::Value& b) {
  if (a.kind == lw::engine::Value::Kind::Real && b.kind == a.kind) {
    return a.real == b.real || (std::isnan(a.real) && std::isnan(b.real));
  }
  return a == b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  lw::engine::ColumnDef column;
  column.name = "C";
  const std::int64_t type = data[0] % 21;
  const std::int64_t length = data[1] | ((data[2] & 0x3) << 8);
  const std::int64_t decimals = data[3] % 20;
  if (!lw::engine::ColumnProblem(type, length, decimals).empty()) return 0;
  column.type = static_cast<std::uint16_t>(type);
  column.length = static_cast<std::uint32_t>(length);
  column.decimals = static_cast<std::uint16_t>(decimals);
  data += 4;
  size -= 4;

  std::vector<std::uint8_t> image(column.length, 0);
  std::memcpy(image.data(), data, size < image.size() ? size : image.size());
  lw::engine::Value value;
  if (!lw::engine::ValueFromImage(column, image.data(), value).ok()) return 0;

  std::vector<std::uint8_t> written(column.length, 0xEE);
  if (!lw::engine::WriteImageFromValue(column, value, written.data()).ok()) {
    // Only a numeric text wider than its column may refuse a value read from its own bytes.
    if (column.type != lw::ace::ColumnType::kNumeric) std::abort();
    return 0;
  }
  lw::engine::Value back;
  if (!lw::engine::ValueFromImage(column, written.data(), back).ok()) std::abort();
  if (column.type == lw::ace::ColumnType::kNumeric && value.kind == lw::engine::Value::Kind::Real) {
    // Numeric text keeps the column's decimals: the value read back is the rounded one.
    if (back.kind != value.kind) std::abort();
    return 0;
  }
  if (!SameValue(value, back)) std::abort();

  std::vector<std::uint8_t> nulls(column.length, 0xEE);
  lw::engine::WriteNullImage(column, nulls.data());
  lw::engine::Value null;
  if (!lw::engine::ValueFromImage(column, nulls.data(), null).ok() || !null.IsNull()) std::abort();
  return 0;
}
